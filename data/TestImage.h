// The test image: records of a test or test-answers file, read in place through bounded accessors.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

// A view of a whole test image. Absent when Data is null or Size is not above 0.
struct TTestImage {
  const uint8_t* Data = nullptr;
  int32_t Size = 0;
  bool Absent() const { return Data == nullptr || Size <= 0; }
};

inline constexpr int32_t kTestHeaderSize = 72;
inline constexpr int32_t kTopicRecSize = 16;
inline constexpr int32_t kLevelRecSize = 24;
inline constexpr int32_t kQuestionRecSize = 32;
inline constexpr int32_t kQuestionPieces = 6;
inline constexpr int32_t kTestIdentSize = 36;

// Header word offsets.
enum THeaderWord : int32_t {
  hwTopicsStart = 40,
  hwTopicsEnd = 44,
  hwQuestionsStart = 48,
  hwQuestionsEnd = 52,
  hwTitleStart = 60,
  hwTitleEnd = 64,
};

// First GUID (16 bytes), second GUID (16 bytes), identity value (4 bytes).
using TTestIdent = std::array<uint8_t, kTestIdentSize>;

struct TTestTopicRec {
  int32_t LevelOffset;
  int32_t LevelCount;
  int32_t NameLength;
  int32_t NameOffset;
};

struct TTestLevelRec {
  uint32_t Tag;
  int32_t QuestionOffset;
  int32_t QuestionCount;
  int32_t Minutes;
  double MaxScore;
};

struct TTestQuestionRec {
  std::array<int32_t, kQuestionPieces + 1> Bounds;
  uint32_t Reserved;
};

struct TTestQuestionPos {
  int32_t Topic = 0;
  int32_t Level = 0;
  int32_t Index = 0;
  friend bool operator==(const TTestQuestionPos&, const TTestQuestionPos&) = default;
};

// Piece k of a question: its first byte and length; Start is null and Length 0 when none.
struct TQuestionPiece {
  const uint8_t* Start = nullptr;
  int32_t Length = 0;
};

// Every read is bounded by the image: a record or text that does not lie wholly inside reads
// as none or empty, whatever its offsets say.
int32_t ReadImageWord(const TTestImage& image, int64_t offset);  // 0 outside the image
TTestIdent GetTestIdent(const TTestImage& image);
bool SameTestIdent(const TTestIdent& a, const TTestIdent& b);
int32_t TopicCount(const TTestImage& image);
std::optional<TTestTopicRec> TopicRec(const TTestImage& image, int32_t t);
std::string TopicName(const TTestImage& image, int32_t t);
int32_t LevelCount(const TTestImage& image, int32_t t);
std::optional<TTestLevelRec> LevelRec(const TTestImage& image, int32_t t, int32_t l);
int32_t LevelQuestionCount(const TTestImage& image, int32_t t, int32_t l);
int32_t QuestionCount(const TTestImage& image);
std::optional<TTestQuestionRec> QuestionRec(const TTestImage& image, int32_t q);
TTestQuestionPos LocateQuestion(const TTestImage& image, int32_t q);
std::string TestTitle(const TTestImage& image);
TQuestionPiece QuestionPiece(const TTestImage& image, int32_t k, int32_t q);
std::string QuestionPieceStr(const TTestImage& image, int32_t k, int32_t q);
