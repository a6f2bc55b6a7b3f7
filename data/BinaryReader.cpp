// The forgiving binary reader used for grade records.
#include "BinaryReader.h"

#include <cstring>

void TBinaryData::SetData(std::string_view s) {
  FStream.assign(s.data(), s.size());
  FPosition = 0;
}

void TBinaryReader::ReadInteger(uint32_t& v) {
  v = 0;
  if (Size() - FPosition < 4) return;
  const uint8_t* p = Memory() + FPosition;
  v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  FPosition += 4;
}

void TBinaryReader::ReadDouble(double& v) {
  v = 0.0;
  if (Size() - FPosition < 8) return;
  uint64_t bits = 0;
  const uint8_t* p = Memory() + FPosition;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
  std::memcpy(&v, &bits, sizeof v);
  FPosition += 8;
}

void TBinaryReader::ReadString(std::string& s) {
  uint32_t raw = 0;
  ReadInteger(raw);
  int64_t n = static_cast<int32_t>(raw);
  if (FPosition + n > Size()) n = Size() - FPosition;
  if (n < 0) n = 0;
  s.assign(FStream, static_cast<size_t>(FPosition), static_cast<size_t>(n));
  FPosition += n;
}
