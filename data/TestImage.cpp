// Bounded accessors over a test image.
#include "TestImage.h"

#include <algorithm>
#include <cstring>

namespace {

bool Inside(const TTestImage& image, int64_t offset, int64_t length) {
  return !image.Absent() && offset >= 0 && length >= 0 && offset + length <= image.Size;
}

double ReadDoubleAt(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

int32_t WordAt(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                              uint32_t(p[3]) << 24);
}

std::string Bytes(const TTestImage& image, int64_t offset, int64_t length) {
  if (length <= 0 || !Inside(image, offset, length)) return {};
  return std::string(reinterpret_cast<const char*>(image.Data + offset),
                     static_cast<size_t>(length));
}

}  // namespace

int32_t ReadImageWord(const TTestImage& image, int64_t offset) {
  return Inside(image, offset, 4) ? WordAt(image.Data + offset) : 0;
}

TTestIdent GetTestIdent(const TTestImage& image) {
  TTestIdent id{};
  if (!Inside(image, 0, 40)) return id;
  std::memcpy(id.data(), image.Data, 16);
  std::memcpy(id.data() + 16, image.Data + 20, 20);
  return id;
}

bool SameTestIdent(const TTestIdent& a, const TTestIdent& b) { return a == b; }

int32_t TopicCount(const TTestImage& image) {
  int64_t n = (int64_t(ReadImageWord(image, hwTopicsEnd)) - ReadImageWord(image, hwTopicsStart)) /
              kTopicRecSize;
  return static_cast<int32_t>(n);
}

std::optional<TTestTopicRec> TopicRec(const TTestImage& image, int32_t t) {
  if (t < 0 || t >= TopicCount(image)) return std::nullopt;
  int64_t at = kTestHeaderSize + int64_t(kTopicRecSize) * t;
  if (!Inside(image, at, kTopicRecSize)) return std::nullopt;
  const uint8_t* p = image.Data + at;
  return TTestTopicRec{WordAt(p), WordAt(p + 4), WordAt(p + 8), WordAt(p + 12)};
}

std::string TopicName(const TTestImage& image, int32_t t) {
  auto rec = TopicRec(image, t);
  if (!rec || rec->NameLength < 1) return {};
  return Bytes(image, rec->NameOffset, rec->NameLength);
}

int32_t LevelCount(const TTestImage& image, int32_t t) {
  auto rec = TopicRec(image, t);
  return rec ? rec->LevelCount : 0;
}

std::optional<TTestLevelRec> LevelRec(const TTestImage& image, int32_t t, int32_t l) {
  if (l < 0) return std::nullopt;
  auto topic = TopicRec(image, t);
  if (!topic || l >= topic->LevelCount) return std::nullopt;
  int64_t at = int64_t(topic->LevelOffset) + int64_t(kLevelRecSize) * l;
  if (!Inside(image, at, kLevelRecSize)) return std::nullopt;
  const uint8_t* p = image.Data + at;
  return TTestLevelRec{static_cast<uint32_t>(WordAt(p)), WordAt(p + 4), WordAt(p + 8),
                       WordAt(p + 12), ReadDoubleAt(p + 16)};
}

int32_t LevelQuestionCount(const TTestImage& image, int32_t t, int32_t l) {
  auto rec = LevelRec(image, t, l);
  return rec ? rec->QuestionCount : 0;
}

int32_t QuestionCount(const TTestImage& image) {
  int64_t n = (int64_t(ReadImageWord(image, hwQuestionsEnd)) -
               ReadImageWord(image, hwQuestionsStart)) /
              kQuestionRecSize;
  return static_cast<int32_t>(n);
}

std::optional<TTestQuestionRec> QuestionRec(const TTestImage& image, int32_t q) {
  if (q < 0 || q >= QuestionCount(image)) return std::nullopt;
  int64_t at = int64_t(ReadImageWord(image, hwQuestionsStart)) + int64_t(kQuestionRecSize) * q;
  if (!Inside(image, at, kQuestionRecSize)) return std::nullopt;
  const uint8_t* p = image.Data + at;
  TTestQuestionRec rec{};
  for (int i = 0; i <= kQuestionPieces; ++i) rec.Bounds[i] = WordAt(p + 4 * i);
  rec.Reserved = static_cast<uint32_t>(WordAt(p + 28));
  return rec;
}

TTestQuestionPos LocateQuestion(const TTestImage& image, int32_t q) {
  TTestQuestionPos pos;
  if (image.Absent() || q < 0 || q >= QuestionCount(image)) return pos;
  int64_t r = q;
  const int32_t topics = TopicCount(image);
  for (int32_t t = 0; t < topics; ++t) {
    const int32_t levels = LevelCount(image, t);
    for (int32_t l = 0; l < levels; ++l) {
      const int32_t c = LevelQuestionCount(image, t, l);
      if (r - c < 0) return {t, l, static_cast<int32_t>(r)};
      r -= c;
    }
  }
  return pos;
}

std::string TestTitle(const TTestImage& image) {
  int64_t start = ReadImageWord(image, hwTitleStart);
  int64_t end = ReadImageWord(image, hwTitleEnd);
  return Bytes(image, start, end - start);
}

TQuestionPiece QuestionPiece(const TTestImage& image, int32_t k, int32_t q) {
  if (k < 0 || k >= kQuestionPieces) return {};
  auto rec = QuestionRec(image, q);
  if (!rec) return {};
  int64_t start = rec->Bounds[k];
  int64_t length = int64_t(rec->Bounds[k + 1]) - start;
  if (length <= 0 || !Inside(image, start, length)) return {};
  return {image.Data + start, static_cast<int32_t>(length)};
}

std::string QuestionPieceStr(const TTestImage& image, int32_t k, int32_t q) {
  TQuestionPiece piece = QuestionPiece(image, k, q);
  if (piece.Length <= 0) return {};
  return std::string(reinterpret_cast<const char*>(piece.Start), static_cast<size_t>(piece.Length));
}
