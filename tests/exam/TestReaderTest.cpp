// Test reader: attaching images (sound and damaged), the cursor, its searches and score ratios.
#include <gtest/gtest.h>

#include "ExamFixtures.h"
#include "TestImageBuilder.h"
#include "TestReader.h"
#include "TestUserAnswers.h"

using fixture::Level;
using fixture::Question;
using fixture::TestFile;
using fixture::Topic;

namespace {

struct Reader {
  TTestReader reader;
  TTestUserAnswers answers;
  explicit Reader(const TTestSource& source) {
    reader.SetMemory(MemoryBlockOf(WriteTestImage(source)));
    answers.SetOptionCount(reader.Layout().TotalOptions());
    answers.SetIdent(source.Ident);
  }
  void Mark(std::initializer_list<int32_t> options) {
    for (int32_t o : options) answers.SetMarked(o, true);
    reader.Evaluate(answers, true);
  }
};

TEST(TestReader, GoToClampsAndKeepsThePosition) {
  // Levels of 2 and 3 questions: question 4 is the third of level 1.
  Reader r(TestFile(
      "t",
      {Topic("a",
             {Level(1, 1, {Question({{"A", 1}}), Question({{"A", 1}})}),
              Level(1, 1, {Question({{"A", 1}}), Question({{"A", 1}}), Question({{"A", 1}})})})}));
  struct Case {
    int32_t to, current, level, index;
  } cases[] = {{-7, 0, 0, 0}, {99, 4, 1, 2}, {2, 2, 1, 0}, {1, 1, 0, 1}};
  for (const auto& c : cases) {
    r.reader.GoTo(c.to);
    EXPECT_EQ(r.reader.Current(), c.current) << c.to;
    EXPECT_EQ(r.reader.Topic(), 0) << c.to;
    EXPECT_EQ(r.reader.Level(), c.level) << c.to;
    EXPECT_EQ(r.reader.IndexInLevel(), c.index) << c.to;
  }
  r.reader.Last();
  r.reader.Next();
  EXPECT_EQ(r.reader.Current(), 0);
  r.reader.Prior();
  EXPECT_EQ(r.reader.Current(), 4);

  Reader empty(TestFile("t", {Topic("a", {Level(1, 1, {})})}));
  for (int32_t to : {-1, 0, 5}) {
    empty.reader.GoTo(to);
    EXPECT_EQ(empty.reader.Current(), -1);
    EXPECT_EQ(empty.reader.Topic(), -1);
    EXPECT_EQ(empty.reader.Level(), -1);
    EXPECT_EQ(empty.reader.IndexInLevel(), -1);
  }
  EXPECT_FALSE(empty.reader.Loaded());
  EXPECT_EQ(empty.reader.GetPiece(0), "");
  empty.reader.NextWrong();
  empty.reader.PriorUnanswered(empty.answers);
  EXPECT_EQ(empty.reader.Current(), -1);
}

TEST(TestReader, WrongQuestionSearchesWrapAndSkipTheCurrentOne) {
  // Question q has one option worth 1 (maximum 1) except question 2, worth 2 with maximum 2.
  auto source = [](int n) {
    std::vector<TQuestionSource> qs;
    for (int q = 0; q < n; ++q) qs.push_back(Question({{"A", 1}}));
    return TestFile("t", {Topic("a", {Level(1, 1, std::move(qs))})});
  };
  struct Case {
    const char* what;
    int questions;
    std::initializer_list<int32_t> marked;  // marked questions score full
    int32_t from;
    int32_t next, prior;
  } cases[] = {
      {"one question", 1, {}, 0, 0, 0},
      {"only the current one wrong", 4, {1, 2, 3}, 0, 0, 0},
      {"forward and back with wrap", 5, {0, 1, 3}, 1, 2, 4},
      {"wrap from the last", 5, {1, 2, 3, 4}, 4, 0, 0},
      {"all full", 3, {0, 1, 2}, 1, 1, 1},
  };
  for (const auto& c : cases) {
    for (int dir : {+1, -1}) {
      Reader r(source(c.questions));
      r.Mark(c.marked);
      r.reader.GoTo(c.from);
      dir > 0 ? r.reader.NextWrong() : r.reader.PriorWrong();
      EXPECT_EQ(r.reader.Current(), dir > 0 ? c.next : c.prior) << c.what << " dir " << dir;
    }
  }
}

TEST(TestReader, NearlyFullScoresCountAsFull) {
  // Options worth 0.9995 and 0.998 of a maximum of 1.
  Reader r(TestFile("t", {Topic("a", {Level(1, 1,
                                            {Question({{"A", 1}}), Question({{"A", 0.9995}}, 1),
                                             Question({{"A", 0.998}}, 1)})})}));
  r.Mark({0, 1, 2});
  r.reader.NextWrong();
  EXPECT_EQ(r.reader.Current(), 2);
}

TEST(TestReader, UnansweredSearchesCountQuestionsWithoutOptions) {
  Reader r(TestFile(
      "t", {Topic("a", {Level(1, 1,
                              {Question({{"A", 1}, {"B"}}), Question({}),
                               Question({{"A", 1}, {"B"}}), Question({{"A", 1}, {"B"}})})})}));
  r.answers.SetMarked(1, true);  // question 0
  r.answers.SetMarked(3, true);  // question 2
  r.reader.NextUnanswered(r.answers);
  EXPECT_EQ(r.reader.Current(), 1);
  r.reader.NextUnanswered(r.answers);
  EXPECT_EQ(r.reader.Current(), 3);
  r.reader.NextUnanswered(r.answers);
  EXPECT_EQ(r.reader.Current(), 1);
  r.reader.PriorUnanswered(r.answers);
  EXPECT_EQ(r.reader.Current(), 3);
}

TEST(TestReader, ScoreRatiosByScope) {
  // Topic 0: level A (weight 10: maxima 1, 3) and level B (weight 20: maximum 3); topic 1 weight 0.
  Reader r(TestFile("t", {Topic("a", {Level(10, 10, {Question({{"A", 1}}), Question({{"A", 3}})}),
                                      Level(0, 20, {Question({{"A", 2}, {"B", 1}})})}),
                          Topic("b", {Level(5, 0, {Question({{"A", 1}})})})}));
  r.Mark({0, 2, 4});
  struct Case {
    int32_t question, scope;
    double ratio;
  } cases[] = {
      {0, 0, (2.5 + 40.0 / 3) / 30},
      {0, 1, (2.5 + 40.0 / 3) / 30},
      {0, 2, 0.25},
      {0, 3, 1.0},
      {1, 3, 0.0},
      {2, 2, 2.0 / 3},
      {3, 1, 0.0},
      {3, 2, 0.0},
      {3, 3, 1.0},
      {0, 7, 0.0},
      {0, -1, 0.0},
  };
  for (const auto& c : cases) {
    r.reader.GoTo(c.question);
    EXPECT_DOUBLE_EQ(r.reader.Score(c.scope), c.ratio) << c.question << "/" << c.scope;
  }
  EXPECT_EQ(r.reader.TimeLimit(), 15);
  r.reader.GoTo(2);
  EXPECT_TRUE(r.reader.OptionCorrect(0));
  EXPECT_TRUE(r.reader.OptionCorrect(1));
  EXPECT_FALSE(r.reader.OptionCorrect(2));
  EXPECT_EQ(r.reader.OptionIndex(1), 3);
  EXPECT_EQ(r.reader.OptionIndex(2), -1);
}

TEST(TestReader, DamagedImagesRaiseAndLeaveTheReaderEmpty) {
  const std::string good = WriteTestImage(fixture::Uniform(3, 2));
  struct Case {
    const char* what;
    size_t offset;
    int32_t value;
  } cases[] = {
      {"question table beyond the file", hwQuestionsEnd, 1 << 30},
      {"topic table beyond the file", hwTopicsEnd, 1 << 29},
      {"piece beyond the file", fixture::QuestionRecAt(good, 2) + 24, 1 << 28},
      {"level claims more questions", fixture::LevelRecAt(good, 0, 0) + 8, 4},
      {"title beyond the file", hwTitleEnd, 1 << 27},
  };
  for (const auto& c : cases) {
    std::string image = good;
    fixture::PatchWord(image, c.offset, c.value);
    TTestReader r;
    r.SetMemory(MemoryBlockOf(good));
    ASSERT_TRUE(r.Loaded());
    EXPECT_THROW(r.SetMemory(MemoryBlockOf(image)), ETestImage) << c.what;
    EXPECT_EQ(r.Memory(), nullptr) << c.what;
    EXPECT_FALSE(r.Loaded()) << c.what;
    EXPECT_EQ(r.QuestionCount(), 0) << c.what;
    EXPECT_EQ(r.Current(), -1) << c.what;
    EXPECT_EQ(r.Tree().TopicNodeCount(), 0) << c.what;
    EXPECT_EQ(r.GetIdent(), TTestIdent{}) << c.what;
  }
}

TEST(TestReader, ReadsThePiecesOfTheCurrentQuestion) {
  TTestSource source = TestFile("Title", {Topic("Topic A", {Level(1, 1, {Question({{"A", 1}})})})});
  source.Topics[0].Levels[0].Questions[0].PagePicture = "page bytes";
  Reader r(source);
  EXPECT_EQ(r.reader.GetTitle(), "Title");
  EXPECT_EQ(r.reader.GetTopicName(), "Topic A");
  EXPECT_EQ(r.reader.GetPiece(0), source.Topics[0].Levels[0].Questions[0].GradeRecord);
  EXPECT_EQ(r.reader.GetPiece(1), "page bytes");
  EXPECT_EQ(r.reader.GetIdent(), source.Ident);
  r.reader.SetMemory(nullptr);
  EXPECT_EQ(r.reader.GetPiece(1), "");
  EXPECT_EQ(r.reader.GetTitle(), "");
}

}  // namespace
