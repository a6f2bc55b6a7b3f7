// Builds small enhanced and Windows metafiles record by record for the tests.
#include "MetafileBuilder.h"

#include <fstream>
#include <iterator>

#include "RecordTypes.h"

void PutU16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& s, uint32_t v) {
  PutU16(s, static_cast<uint16_t>(v & 0xFFFF));
  PutU16(s, static_cast<uint16_t>(v >> 16));
}

void TEmfBuilder::Record(uint32_t type, std::initializer_list<int32_t> words) {
  std::string params;
  for (int32_t w : words) PutU32(params, static_cast<uint32_t>(w));
  RecordBytes(type, params);
}

void TEmfBuilder::RecordBytes(uint32_t type, const std::string& params) {
  std::string p = params;
  while (p.size() % 4) p.push_back('\0');
  PutU32(FRecords, type);
  PutU32(FRecords, static_cast<uint32_t>(8 + p.size()));
  FRecords += p;
  ++FCount;
}

std::string TEmfBuilder::Finish() const {
  std::string out;
  const uint32_t total = 88 + static_cast<uint32_t>(FRecords.size()) + 20;
  PutU32(out, 1);
  PutU32(out, 88);
  for (int32_t v : {0, 0, FWidth - 1, FHeight - 1}) PutU32(out, static_cast<uint32_t>(v));
  for (int32_t v : {0, 0, FWidth * 100, FHeight * 100}) PutU32(out, static_cast<uint32_t>(v));
  PutU32(out, 0x464D4520);
  PutU32(out, 0x10000);
  PutU32(out, total);
  PutU32(out, FCount + 2);
  PutU16(out, 16);  // handles
  PutU16(out, 0);
  for (uint32_t v : {0u, 0u, 0u}) PutU32(out, v);                  // description, palette
  for (uint32_t v : {1000u, 1000u, 1000u, 1000u}) PutU32(out, v);  // 1 pixel per millimetre
  out += FRecords;
  PutU32(out, 14);
  PutU32(out, 20);
  for (uint32_t v : {0u, 16u, 20u}) PutU32(out, v);
  return out;
}

void TWmfBuilder::Record(uint16_t function, std::initializer_list<int16_t> words) {
  PutU32(FRecords, static_cast<uint32_t>(3 + words.size()));
  PutU16(FRecords, function);
  for (int16_t w : words) PutU16(FRecords, static_cast<uint16_t>(w));
}

void TWmfBuilder::RecordBytes(uint16_t function, const std::string& params) {
  std::string p = params;
  if (p.size() % 2) p.push_back('\0');
  PutU32(FRecords, static_cast<uint32_t>(3 + p.size() / 2));
  PutU16(FRecords, function);
  FRecords += p;
}

std::string TWmfBuilder::Finish() const {
  std::string out;
  PutU32(out, 0x9AC6CDD7);
  PutU16(out, 0);
  for (int16_t v : {int16_t{0}, int16_t{0}, FWidth, FHeight}) PutU16(out, static_cast<uint16_t>(v));
  PutU16(out, 1440);
  PutU32(out, 0);
  PutU16(out, 0);  // checksum (not checked)
  const std::string records = FRecords + std::string("\x03\x00\x00\x00\x00\x00", 6);
  PutU16(out, 1);
  PutU16(out, 9);
  PutU16(out, 0x300);
  PutU32(out, static_cast<uint32_t>((18 + records.size()) / 2));
  PutU16(out, 8);  // objects
  PutU32(out, 64);
  PutU16(out, 0);
  return out + records;
}

std::vector<std::pair<std::filesystem::path, TMetafile>> CorpusMetafiles() {
  std::vector<std::pair<std::filesystem::path, TMetafile>> files;
  const std::filesystem::path corpus = EXAM_CORPUS_DIR;
  for (const char* sub : {"emf", "wmf"}) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(corpus / sub, ec)) {
      std::ifstream in(e.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), {});
      TMetafile m;
      if (m.LoadFromBytes(bytes, true)) files.emplace_back(e.path(), std::move(m));
    }
  }
  return files;
}

std::string Utf16(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) PutU16(out, c);
  return out;
}

void EmfExtText(TEmfBuilder& b, uint32_t type, const std::string& chars, uint32_t n,
                uint32_t options) {
  std::string p;
  for (uint32_t v : {0u, 0u, 0u, 0u, 1u, 0u, 0u, 10u, 50u, n, 76u, options, 0u, 0u, 0u, 0u, 0u})
    PutU32(p, v);
  b.RecordBytes(type, p + chars);
}

void EmfTextA(TEmfBuilder& b, const std::string& bytes, uint32_t options) {
  EmfExtText(b, emr::ExtTextOutA, bytes, static_cast<uint32_t>(bytes.size()), options);
}

void EmfTextW(TEmfBuilder& b, const std::u16string& s, uint32_t options) {
  EmfExtText(b, emr::ExtTextOutW, Utf16(s), static_cast<uint32_t>(s.size()), options);
}
