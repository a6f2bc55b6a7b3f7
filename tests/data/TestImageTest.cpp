// Accessors over a test image: structure, pieces, identity, and reads that stay inside the image.
#include <gtest/gtest.h>

#include "CompressedStrings.h"
#include "TestImage.h"
#include "TestImageBuilder.h"

namespace {

using namespace fixture;

// One topic with levels of 2 and 3 questions, a second topic with one level of 1 question.
std::string SixQuestions() {
  auto q = [](const std::string& c) { return Question({{c, 1, 0}}, 0, 0, "page " + c); };
  return WriteTestImage(TestFile("Title", {Topic("First", {Level(5, 10, {q("a"), q("b")}),
                                                       Level(7, 20, {q("c"), q("d"), q("e")})}),
                                       Topic("Second", {Level(3, 1, {q("f")}, 42)})}));
}

TEST(TestImage, ReadsStructure) {
  const std::string image = SixQuestions();
  const TTestImage v = View(image);
  EXPECT_EQ(TestTitle(v), "Title");
  EXPECT_EQ(TopicCount(v), 2);
  EXPECT_EQ(TopicName(v, 0), "First");
  EXPECT_EQ(TopicName(v, 1), "Second");
  EXPECT_EQ(LevelCount(v, 0), 2);
  EXPECT_EQ(LevelQuestionCount(v, 0, 1), 3);
  EXPECT_EQ(LevelRec(v, 1, 0)->Tag, 42u);
  EXPECT_EQ(LevelRec(v, 0, 1)->Minutes, 7);
  EXPECT_EQ(LevelRec(v, 0, 1)->MaxScore, 20.0);
  EXPECT_EQ(QuestionCount(v), 6);
  EXPECT_EQ(WordAt(image, hwTopicsStart), 72);
}

TEST(TestImage, LocatesQuestionsByWalkingTheLevels) {
  const std::string image = SixQuestions();
  struct Case {
    int32_t q;
    TTestQuestionPos pos;
  } cases[] = {{0, {0, 0, 0}}, {1, {0, 0, 1}}, {2, {0, 1, 0}}, {4, {0, 1, 2}},
               {5, {1, 0, 0}}, {6, {0, 0, 0}}, {-1, {0, 0, 0}}};
  for (auto c : cases) EXPECT_EQ(LocateQuestion(View(image), c.q), c.pos) << c.q;
}

TEST(TestImage, PiecesCopyExactBytes) {
  const std::string image = SixQuestions();
  const TTestImage v = View(image);
  EXPECT_EQ(DecompressString(QuestionPieceStr(v, 1, 3), false), "page d");
  EXPECT_EQ(QuestionPieceStr(v, 2, 3), "");
  EXPECT_EQ(QuestionPiece(v, 0, 6).Length, 0);
  EXPECT_EQ(QuestionPiece(v, 0, 6).Start, nullptr);
  EXPECT_EQ(QuestionPiece(v, 6, 0).Length, 0);

  TTestSource s = TestFile("T", {Topic("t", {Level(1, 1, {Question({{"A", 1, 0}})})})});
  s.Topics[0].Levels[0].Questions[0].OtherPieces[1] = std::string("x\0y", 3);
  const std::string withZero = WriteTestImage(s);
  EXPECT_EQ(QuestionPieceStr(View(withZero), 3, 0), std::string("x\0y", 3));
}

TEST(TestImage, OutOfRangeIndicesYieldNothing) {
  const std::string image = SixQuestions();
  const TTestImage v = View(image);
  EXPECT_FALSE(TopicRec(v, -1));
  EXPECT_FALSE(TopicRec(v, 2));
  EXPECT_EQ(TopicName(v, 5), "");
  EXPECT_FALSE(LevelRec(v, 0, -1));
  EXPECT_FALSE(LevelRec(v, 0, 2));
  EXPECT_EQ(LevelCount(v, 9), 0);
  EXPECT_EQ(LevelQuestionCount(v, 9, 0), 0);
  EXPECT_FALSE(QuestionRec(v, -1));
  EXPECT_FALSE(QuestionRec(v, QuestionCount(v)));
}

TEST(TestImage, AbsentImageIsEmpty) {
  const TTestImage none;
  EXPECT_EQ(GetTestIdent(none), TTestIdent{});
  EXPECT_EQ(TopicCount(none), 0);
  EXPECT_EQ(QuestionCount(none), 0);
  EXPECT_EQ(TestTitle(none), "");
  EXPECT_EQ(LocateQuestion(none, 0), TTestQuestionPos{});
}

TEST(TestImage, IdentitySkipsTheReservedWord) {
  TTestSource s = TestFile("T", {}, 9);
  const std::string a = WriteTestImage(s);
  s.ReservedHeaderWord = 0xDEADBEEF;
  const std::string b = WriteTestImage(s);
  EXPECT_NE(a, b);
  EXPECT_TRUE(SameTestIdent(GetTestIdent(View(a)), GetTestIdent(View(b))));
  EXPECT_EQ(GetTestIdent(View(a)), Ident(9));
  s.Ident[35] ^= 1;
  EXPECT_FALSE(SameTestIdent(GetTestIdent(View(a)), GetTestIdent(View(WriteTestImage(s)))));
}

TEST(TestImage, HeaderQuirks) {
  std::string image = SixQuestions();
  PatchWord(image, hwTopicsEnd, 72);  // no topics: every question locates to (0, 0, 0)
  EXPECT_EQ(TopicCount(View(image)), 0);
  EXPECT_EQ(LocateQuestion(View(image), 4), TTestQuestionPos{});

  image = SixQuestions();
  PatchWord(image, hwTopicsStart, 88);  // changes the count, not where topics are read
  EXPECT_EQ(TopicCount(View(image)), 1);
  EXPECT_EQ(TopicName(View(image), 0), "First");

  image = SixQuestions();
  PatchWord(image, hwTitleEnd, WordAt(image, hwTitleStart) - 1);
  EXPECT_EQ(TestTitle(View(image)), "");

  image = SixQuestions();
  PatchWord(image, TopicRecAt(1) + 8, 0);  // a name of length 0
  EXPECT_EQ(TopicName(View(image), 1), "");
}

// Whatever the offsets say, nothing is read outside the image (the sanitizer build checks it).
TEST(TestImage, HostileOffsetsStayInside) {
  const std::string good = SixQuestions();
  struct Case {
    const char* name;
    size_t at;
    int32_t value;
  } cases[] = {
      {"title past the end", hwTitleEnd, INT32_MAX},
      {"title before the start", hwTitleStart, -100},
      {"huge topic count", hwTopicsEnd, INT32_MAX},
      {"huge question count", hwQuestionsEnd, INT32_MAX},
      {"question table before the image", hwQuestionsStart, INT32_MIN},
      {"topic name past the end", TopicRecAt(0) + 12, INT32_MAX - 2},
      {"topic name length huge", TopicRecAt(0) + 8, INT32_MAX},
      {"levels past the end", TopicRecAt(0), INT32_MAX - 10},
      {"level count huge", TopicRecAt(0) + 4, INT32_MAX},
      {"negative level offset", TopicRecAt(1), -24},
  };
  for (const auto& c : cases) {
    std::string image = good;
    PatchWord(image, c.at, c.value);
    const TTestImage v = View(image);
    (void)TestTitle(v);
    for (int32_t t = -1; t <= 3; ++t) {
      (void)TopicName(v, t);
      for (int32_t l = -1; l <= 3; ++l) (void)LevelQuestionCount(v, t, l);
    }
    for (int32_t q = -1; q <= 7; ++q) {
      (void)LocateQuestion(v, q);
      for (int32_t k = 0; k < kQuestionPieces; ++k) (void)QuestionPieceStr(v, k, q);
    }
    SUCCEED() << c.name;
  }
  // A piece boundary past the end of the image: the piece reads as nothing.
  std::string image = good;
  PatchWord(image, QuestionRecAt(image, 5) + 24, static_cast<int32_t>(image.size()) + 1000);
  EXPECT_EQ(QuestionPieceStr(View(image), 5, 5), "");
  EXPECT_EQ(QuestionPiece(View(image), 5, 5).Start, nullptr);
}

TEST(TestImage, TruncatedImagesReadOnlyWhatIsThere) {
  const std::string good = SixQuestions();
  for (size_t n : {size_t(0), size_t(3), size_t(39), size_t(71), size_t(90), good.size() - 1}) {
    const std::string cut = good.substr(0, n);
    const TTestImage v = View(cut);
    for (int32_t q = 0; q < 6; ++q) {
      (void)LocateQuestion(v, q);
      for (int32_t k = 0; k < kQuestionPieces; ++k) (void)QuestionPieceStr(v, k, q);
    }
    (void)TestTitle(v);
    EXPECT_LE(TopicName(v, 1).size(), cut.size()) << n;
  }
}

}  // namespace
