// Answers layout: option numbering, option scores, question scoring and the matching rule.
#include <gtest/gtest.h>

#include <memory>

#include "TestAnswersLayout.h"
#include "TestImageBuilder.h"
#include "TestUserAnswers.h"

using fixture::Level;
using fixture::Question;
using fixture::TestFile;
using fixture::Topic;

namespace {

struct Built {
  std::string image;
  TTestAnswersLayout layout;
  explicit Built(const TTestSource& source) : image(WriteTestImage(source)) {
    layout.Build(fixture::View(image));
  }
};

std::unique_ptr<TTestUserAnswers> AnswersFor(const Built& b,
                                             std::initializer_list<int32_t> marked) {
  auto a = std::make_unique<TTestUserAnswers>();
  a->SetOptionCount(b.layout.TotalOptions());
  a->SetIdent(GetTestIdent(fixture::View(b.image)));
  for (int32_t o : marked) a->SetMarked(o, true);
  return a;
}

TEST(AnswersLayout, NumbersOptionsQuestionByQuestion) {
  // Questions of 2, 0 and 3 options.
  Built b(TestFile("t", {Topic("a", {Level(1, 1,
                                           {Question({{"A", 1}, {"B", 0, 2}}), Question({}),
                                            Question({{"A"}, {"B"}, {"C", -1, 5}})})})}));
  const auto& l = b.layout;
  EXPECT_EQ(l.QuestionCount(), 3);
  EXPECT_EQ(l.TotalOptions(), 5);
  struct Case {
    int32_t q, first, count;
  } cases[] = {{0, 0, 2}, {1, 2, 0}, {2, 2, 3}, {-1, 0, 0}, {3, 0, 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(l.FirstOption(c.q), c.first) << c.q;
    EXPECT_EQ(l.OptionCount(c.q), c.count) << c.q;
    EXPECT_EQ(l.OptionIndex(c.q, c.count), -1) << c.q;
    EXPECT_EQ(l.OptionIndex(c.q, -1), -1) << c.q;
  }
  EXPECT_EQ(l.OptionIndex(2, 2), 4);
  EXPECT_EQ(l.OptionScore(1, false), 2.0);
  EXPECT_EQ(l.OptionScore(4, true), -1.0);
  EXPECT_EQ(l.OptionScore(4, false), 5.0);
  EXPECT_EQ(l.OptionScore(-1, true), 0.0);
  EXPECT_EQ(l.OptionScore(5, true), 0.0);
}

TEST(AnswersLayout, ScoresStayBetweenZeroAndTheMaximum) {
  // Options scoring (3 marked) and (-1 marked), maximum 2; and a question with negative unmarked.
  Built b(TestFile("t", {Topic("a", {Level(1, 1,
                                           {Question({{"A", 3}, {"B", -1}}, 2),
                                            Question({{"A", 1, -2}, {"B", 1}}, 0)})})}));
  struct Case {
    std::initializer_list<int32_t> marked;
    double q0, q1;
  } cases[] = {
      {{}, 0, 0},      // q1: raw -2 + 0
      {{0, 1}, 2, 0},  // q0: raw 2
      {{1}, 0, 0},     // q0: raw -1
      {{0}, 2, 0},     // q0: raw 3 capped at 2
      {{2}, 0, 1},     // q1: raw 1 + 0
      {{2, 3}, 0, 2},  // q1: raw 2, maximum 1 + 1
      {{3}, 0, 0},     // q1: -2 + 1
  };
  for (const auto& c : cases) {
    b.layout.EvaluateAll(*AnswersFor(b, c.marked));
    EXPECT_DOUBLE_EQ(b.layout.QuestionScore(0), c.q0);
    EXPECT_DOUBLE_EQ(b.layout.QuestionScore(1), c.q1);
  }
  EXPECT_EQ(b.layout.QuestionMaxScore(0), 2.0);
  EXPECT_EQ(b.layout.QuestionMaxScore(1), 2.0);
  EXPECT_EQ(b.layout.QuestionScore(2), 0.0);
}

TEST(AnswersLayout, AnswersOfAnotherTestOrOptionCountScoreZero) {
  Built b(fixture::Uniform(3, 4));
  const auto goodAnswers = AnswersFor(b, {0, 4, 8});
  const TTestUserAnswers& good = *goodAnswers;
  EXPECT_TRUE(good.MatchesLayout(&b.layout));
  b.layout.EvaluateAll(good);
  ASSERT_EQ(b.layout.QuestionScore(2), 1.0);

  struct Case {
    const char* what;
    int32_t optionDelta;
    uint8_t identSeed;
  } cases[] = {{"one option more", 1, 1}, {"one option less", -1, 1}, {"another test", 0, 9}};
  for (const auto& c : cases) {
    TTestUserAnswers bad;
    bad.SetOptionCount(12 + c.optionDelta);
    bad.SetIdent(fixture::Ident(c.identSeed));
    for (int32_t o : {0, 4, 8}) bad.SetMarked(o, true);
    EXPECT_FALSE(bad.MatchesLayout(&b.layout)) << c.what;
    b.layout.EvaluateAll(good);
    b.layout.EvaluateAll(bad);
    for (int32_t q = 0; q < 3; ++q) EXPECT_EQ(b.layout.QuestionScore(q), 0.0) << c.what;
    b.layout.EvaluateAll(good);
    b.layout.EvaluateQuestion(bad, 1);
    EXPECT_EQ(b.layout.QuestionScore(1), 0.0) << c.what;
    EXPECT_EQ(b.layout.QuestionScore(0), 1.0) << c.what;
  }
  EXPECT_FALSE(good.MatchesLayout(nullptr));
}

TEST(AnswersLayout, FifteenHundredOptions) {
  Built b(fixture::Uniform(3, 500));
  EXPECT_EQ(b.layout.TotalOptions(), 1500);
  EXPECT_EQ(b.layout.OptionIndex(2, 499), 1499);
  EXPECT_EQ(b.layout.OptionScore(1000, true), 1.0);  // option 0 of question 2
  EXPECT_EQ(b.layout.OptionScore(1499, true), 0.0);
  EXPECT_EQ(b.layout.OptionScore(1500, true), 0.0);
  b.layout.EvaluateAll(*AnswersFor(b, {0, 1000, 1499}));
  EXPECT_EQ(b.layout.QuestionScore(0), 1.0);
  EXPECT_EQ(b.layout.QuestionScore(1), 0.0);
  EXPECT_EQ(b.layout.QuestionScore(2), 1.0);
}

TEST(AnswersLayout, AGradeRecordClaimingTooManyOptionsLeavesNoOptions) {
  const TTestSource source = fixture::Uniform(3, 2);
  std::string image = WriteTestImage(source);
  // Question 1's record claims a million options: the count word sits 16 bytes into piece 0.
  const size_t piece0 = size_t(fixture::WordAt(image, fixture::QuestionRecAt(image, 1)));
  fixture::PatchWord(image, piece0 + 16, 1000000);
  TTestAnswersLayout l;
  l.Build(fixture::View(image));
  EXPECT_EQ(l.QuestionCount(), 3);
  EXPECT_EQ(l.TotalOptions(), 0);
  EXPECT_EQ(l.OptionCount(0), 2);  // numbered before the damage
  EXPECT_EQ(l.FirstOption(2), 0);
  EXPECT_EQ(l.OptionScore(0, true), 0.0);  // cut to TotalOptions
}

TEST(AnswersLayout, EmptyImagesGiveEmptyLayouts) {
  Built b(fixture::Uniform(2, 2));
  b.layout.Build({});
  EXPECT_EQ(b.layout.QuestionCount(), 0);
  EXPECT_EQ(b.layout.TotalOptions(), 0);
  Built none(TestFile("t", {Topic("a", {Level(5, 1, {})})}));
  EXPECT_EQ(none.layout.QuestionCount(), 0);
  EXPECT_EQ(none.layout.TotalOptions(), 0);
}

}  // namespace
