// Structural validation of a test image, run before any reader builds over it.
#include "TestImageValidation.h"

#include <cmath>
#include <string>

namespace {

std::string Range(int64_t from, int64_t to) {
  return std::to_string(from) + ".." + std::to_string(to);
}

std::string CheckSpan(const TTestImage& image, int64_t offset, int64_t length, const std::string& what) {
  if (offset < 0 || length < 0 || offset + length > image.Size) {
    return what + " lies outside the file (" + Range(offset, offset + length) + ", file size " +
           std::to_string(image.Size) + ")";
  }
  return {};
}

std::string CheckHeader(const TTestImage& image) {
  if (image.Absent()) return "the file is empty";
  if (image.Size < kTestHeaderSize) {
    return "the file is shorter than the " + std::to_string(kTestHeaderSize) + "-byte header";
  }
  const int64_t ts = ReadImageWord(image, hwTopicsStart), te = ReadImageWord(image, hwTopicsEnd);
  if (te < ts) return "the topic table ends before it starts";
  if (auto e = CheckSpan(image, kTestHeaderSize, int64_t(TopicCount(image)) * kTopicRecSize,
                         "the topic table");
      !e.empty()) {
    return e;
  }
  const int64_t qs = ReadImageWord(image, hwQuestionsStart);
  const int64_t qe = ReadImageWord(image, hwQuestionsEnd);
  if (qe < qs) return "the question table ends before it starts";
  if (auto e = CheckSpan(image, qs, int64_t(QuestionCount(image)) * kQuestionRecSize,
                         "the question table");
      !e.empty()) {
    return e;
  }
  const int64_t ss = ReadImageWord(image, hwTitleStart), se = ReadImageWord(image, hwTitleEnd);
  if (se > ss) return CheckSpan(image, ss, se - ss, "the title");
  return {};
}

std::string CheckTopicsAndLevels(const TTestImage& image) {
  const int32_t topics = TopicCount(image);
  const int64_t questions = QuestionCount(image);
  const int64_t qs = ReadImageWord(image, hwQuestionsStart);
  int64_t levelsSeen = 0;
  int64_t nextQuestion = 0;  // levels must take the question table in order
  for (int32_t t = 0; t < topics; ++t) {
    const std::string topic = "topic " + std::to_string(t + 1);
    const TTestTopicRec rec = *TopicRec(image, t);
    if (rec.NameLength > 0) {
      if (auto e = CheckSpan(image, rec.NameOffset, rec.NameLength, topic + ": its name");
          !e.empty()) {
        return e;
      }
    }
    if (rec.LevelCount < 0) return topic + ": negative level count";
    if (auto e = CheckSpan(image, rec.LevelOffset, int64_t(rec.LevelCount) * kLevelRecSize,
                           topic + ": its level records");
        !e.empty()) {
      return e;
    }
    // Records may not be shared: the file must be able to hold every level record it declares.
    levelsSeen += rec.LevelCount;
    if (levelsSeen * kLevelRecSize > image.Size) return topic + ": more level records than the file holds";
    for (int32_t l = 0; l < rec.LevelCount; ++l) {
      const std::string level = topic + ", level " + std::to_string(l + 1);
      const TTestLevelRec lv = *LevelRec(image, t, l);
      if (lv.QuestionCount < 0) return level + ": negative question count";
      if (!std::isfinite(lv.MaxScore)) return level + ": its weight is not a number";
      const int64_t expectedOffset = qs + nextQuestion * kQuestionRecSize;
      if (lv.QuestionCount > 0 && lv.QuestionOffset != expectedOffset) {
        return level + ": its questions start at " + std::to_string(lv.QuestionOffset) +
               ", expected " + std::to_string(expectedOffset);
      }
      nextQuestion += lv.QuestionCount;
      if (nextQuestion > questions) {
        return level + ": the levels hold more questions than the question table";
      }
    }
  }
  if (nextQuestion != questions) {
    return "the levels hold " + std::to_string(nextQuestion) + " questions, the question table " +
           std::to_string(questions);
  }
  return {};
}

std::string CheckQuestions(const TTestImage& image) {
  const int32_t questions = QuestionCount(image);
  for (int32_t q = 0; q < questions; ++q) {
    const TTestQuestionRec rec = *QuestionRec(image, q);
    const std::string question = "question " + std::to_string(q + 1);
    if (rec.Bounds[0] < 0) return question + ": its data starts before the file";
    for (int k = 0; k < kQuestionPieces; ++k) {
      if (rec.Bounds[k + 1] < rec.Bounds[k]) {
        return question + ": piece " + std::to_string(k) + " ends before it starts";
      }
    }
    if (rec.Bounds[kQuestionPieces] > image.Size) {
      return question + ": its data runs past the end of the file (" +
             std::to_string(rec.Bounds[kQuestionPieces]) + " > " + std::to_string(image.Size) + ")";
    }
  }
  return {};
}

}  // namespace

std::string ValidateTestImage(const TTestImage& image) {
  if (auto e = CheckHeader(image); !e.empty()) return e;
  if (auto e = CheckTopicsAndLevels(image); !e.empty()) return e;
  return CheckQuestions(image);
}
