// Structural validation of test images: sound images pass, every damaged field is caught.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "TestImageBuilder.h"
#include "TestImageValidation.h"

namespace {

using namespace fixture;

std::string Sample() {
  auto q = [](const std::string& c) { return Question({{c, 1, 0}, {"x", 0, 0}}, 0, 0, "p" + c); };
  return WriteTestImage(TestFile("Title", {Topic("One", {Level(5, 10, {q("a"), q("b")}),
                                                     Level(7, 20, {q("c")})}),
                                       Topic("Two", {Level(3, 1, {q("d")})})}));
}

TEST(ValidateTestImage, SoundImagesPass) {
  EXPECT_EQ(ValidateTestImage(View(Sample())), "");
  EXPECT_EQ(ValidateTestImage(View(WriteTestImage(TestFile("", {})))), "");
  EXPECT_EQ(ValidateTestImage(View(WriteTestImage(Uniform(200, 5)))), "");
  // An empty level is fine anywhere.
  EXPECT_EQ(ValidateTestImage(View(WriteTestImage(
                TestFile("t", {Topic("a", {Level(1, 1, {}), Level(1, 1, {Question({{"A", 1, 0}})})})})))),
            "");
}

struct Damage {
  const char* name;
  std::function<void(std::string&)> apply;
  const char* reasonPart;
};

TEST(ValidateTestImage, EveryViolationIsReported) {
  const std::string good = Sample();
  const int32_t size = static_cast<int32_t>(good.size());
  const Damage cases[] = {
      {"empty file", [](std::string& s) { s.clear(); }, "empty"},
      {"shorter than the header", [](std::string& s) { s.resize(50); }, "header"},
      {"cut in the question table", [](std::string& s) { s.resize(QuestionRecAt(s, 2) + 5); }, "outside"},
      {"cut in the pieces", [](std::string& s) { s.resize(s.size() - 3); }, "past the end"},
      {"topic table backwards", [](std::string& s) { PatchWord(s, hwTopicsEnd, 60); }, "topic table"},
      {"topic table too long", [](std::string& s) { PatchWord(s, hwTopicsEnd, INT32_MAX); }, "topic table"},
      {"question table backwards", [](std::string& s) { PatchWord(s, hwQuestionsEnd, 0); }, "question table"},
      {"question table too long", [size](std::string& s) { PatchWord(s, hwQuestionsEnd, size + 64); }, "question table"},
      {"title outside", [size](std::string& s) { PatchWord(s, hwTitleEnd, size + 1); }, "title"},
      {"topic name outside", [](std::string& s) { PatchWord(s, TopicRecAt(1) + 12, INT32_MAX - 1); }, "topic 2: its name"},
      {"negative level count", [](std::string& s) { PatchWord(s, TopicRecAt(0) + 4, -1); }, "negative level count"},
      {"level records outside", [size](std::string& s) { PatchWord(s, TopicRecAt(1), size - 4); }, "level records"},
      {"negative question count", [](std::string& s) { PatchWord(s, LevelRecAt(s, 0, 1) + 8, -1); }, "negative question count"},
      {"level questions out of order", [](std::string& s) { PatchWord(s, LevelRecAt(s, 0, 1) + 4, WordAt(s, hwQuestionsStart)); }, "expected"},
      {"levels hold too many questions", [](std::string& s) { PatchWord(s, LevelRecAt(s, 1, 0) + 8, 2); }, "more questions"},
      {"levels hold too few questions", [](std::string& s) { PatchWord(s, LevelRecAt(s, 1, 0) + 8, 0); }, "hold 3 questions"},
      {"weight not a number", [](std::string& s) { PatchDouble(s, LevelRecAt(s, 0, 0) + 16, std::nan("")); }, "weight"},
      {"piece boundaries backwards", [](std::string& s) { PatchWord(s, QuestionRecAt(s, 1) + 8, 0); }, "question 2: piece 1"},
      {"piece start negative", [](std::string& s) { PatchWord(s, QuestionRecAt(s, 0), -8); }, "question 1"},
      {"piece end past the file", [size](std::string& s) { PatchWord(s, QuestionRecAt(s, 3) + 24, size + 1); }, "question 4"},
  };
  for (const auto& c : cases) {
    std::string image = good;
    c.apply(image);
    const std::string reason = ValidateTestImage(View(image));
    EXPECT_NE(reason.find(c.reasonPart), std::string::npos) << c.name << ": \"" << reason << "\"";
  }
}

// Topics that all point at the same level records would make the walk quadratic in the file size.
TEST(ValidateTestImage, SharedLevelRecordsAreRefused) {
  std::vector<TTopicSource> topics;
  for (int t = 0; t < 40; ++t) topics.push_back(Topic("t", {Level(1, 1, {})}));
  std::string image = WriteTestImage(TestFile("", std::move(topics)));
  ASSERT_EQ(ValidateTestImage(View(image)), "");
  const int32_t firstLevel = WordAt(image, TopicRecAt(0));
  for (int t = 0; t < 40; ++t) {
    PatchWord(image, TopicRecAt(t), firstLevel);
    PatchWord(image, TopicRecAt(t) + 4, 40);
  }
  EXPECT_NE(ValidateTestImage(View(image)).find("more level records than the file holds"),
            std::string::npos);
}

}  // namespace
