// The test image writer.
#include "TestImageWriter.h"

#include <cstring>
#include <stdexcept>

namespace {

void PutWordAt(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutDoubleAt(std::string& out, size_t at, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  for (int i = 0; i < 8; ++i) out[at + i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

uint32_t Offset(size_t at) {
  if (at > INT32_MAX) throw std::length_error("the test is larger than a test file can hold");
  return static_cast<uint32_t>(at);
}

}  // namespace

std::string WriteTestImage(const TTestSource& source) {
  size_t levelCount = 0, questionCount = 0;
  for (const auto& topic : source.Topics) {
    levelCount += topic.Levels.size();
    for (const auto& level : topic.Levels) questionCount += level.Questions.size();
  }
  const size_t topicsAt = kTestHeaderSize;
  const size_t levelsAt = topicsAt + source.Topics.size() * kTopicRecSize;
  const size_t questionsAt = levelsAt + levelCount * kLevelRecSize;
  const size_t dataAt = questionsAt + questionCount * kQuestionRecSize;

  std::string out(dataAt, '\0');
  std::memcpy(out.data(), source.Ident.data(), 16);
  PutWordAt(out, 16, source.ReservedHeaderWord);
  std::memcpy(out.data() + 20, source.Ident.data() + 16, 20);
  PutWordAt(out, hwTopicsStart, Offset(topicsAt));
  PutWordAt(out, hwTopicsEnd, Offset(levelsAt));
  PutWordAt(out, hwQuestionsStart, Offset(questionsAt));
  PutWordAt(out, hwQuestionsEnd, Offset(dataAt));

  auto append = [&out](const std::string& bytes) {
    size_t at = out.size();
    out += bytes;
    return Offset(at);
  };
  PutWordAt(out, hwTitleStart, append(source.Title));
  PutWordAt(out, hwTitleEnd, Offset(out.size()));

  size_t levelAt = levelsAt, questionAt = questionsAt;
  for (size_t t = 0; t < source.Topics.size(); ++t) {
    const auto& topic = source.Topics[t];
    const size_t rec = topicsAt + t * kTopicRecSize;
    PutWordAt(out, rec, Offset(levelAt));
    PutWordAt(out, rec + 4, static_cast<uint32_t>(topic.Levels.size()));
    PutWordAt(out, rec + 8, static_cast<uint32_t>(topic.Name.size()));
    PutWordAt(out, rec + 12, append(topic.Name));
    for (const auto& level : topic.Levels) {
      PutWordAt(out, levelAt, level.Tag);
      PutWordAt(out, levelAt + 4, Offset(questionAt));
      PutWordAt(out, levelAt + 8, static_cast<uint32_t>(level.Questions.size()));
      PutWordAt(out, levelAt + 12, static_cast<uint32_t>(level.Minutes));
      PutDoubleAt(out, levelAt + 16, level.Weight);
      levelAt += kLevelRecSize;
      for (const auto& question : level.Questions) {
        PutWordAt(out, questionAt, append(question.GradeRecord));
        PutWordAt(out, questionAt + 4, append(question.PagePicture));
        for (int k = 0; k < 4; ++k) PutWordAt(out, questionAt + 8 + 4 * k, append(question.OtherPieces[k]));
        PutWordAt(out, questionAt + 24, Offset(out.size()));
        questionAt += kQuestionRecSize;
      }
    }
  }
  return out;
}
