// Test tree: question ranges, minutes, and the weighted grade formula.
#include <gtest/gtest.h>

#include <cstdio>

#include "TestAnswersLayout.h"
#include "TestImageBuilder.h"
#include "TestTree.h"
#include "TestUserAnswers.h"

using fixture::Level;
using fixture::Question;
using fixture::TestFile;
using fixture::Topic;

namespace {

// A tree and layout over an image, scored with the given marks.
struct Scored {
  std::string image;
  TTestAnswersLayout layout;
  TTestTree tree;
  Scored(const TTestSource& source, std::initializer_list<int32_t> marked)
      : image(WriteTestImage(source)) {
    layout.Build(fixture::View(image));
    tree.Rebuild(fixture::View(image));
    TTestUserAnswers a;
    a.SetOptionCount(layout.TotalOptions());
    a.SetIdent(source.Ident);
    for (int32_t o : marked) a.SetMarked(o, true);
    layout.EvaluateAll(a);
    tree.Recalc(layout);
  }
};

// Level A: weight 10, questions of maximum 1 and 3; level B: weight 20, one question of maximum 3.
TTestSource WorkedExample(double weightA = 10, double weightB = 20) {
  return TestFile("t",
                  {Topic("a", {Level(10, weightA, {Question({{"A", 1}}), Question({{"A", 3}})}),
                               Level(0, weightB, {Question({{"A", 2}, {"B", 1}})})})});
}

TEST(TestTree, WorkedExampleGradesFiftyTwoPointEight) {
  Scored s(WorkedExample(), {0, 2});  // q0 scores 1 of 1, q1 0 of 3, q2 2 of 3
  const TTestTopicNode* topic = s.tree.TopicNode(0);
  ASSERT_NE(topic, nullptr);
  EXPECT_DOUBLE_EQ(topic->LevelNode(0)->Score(), 2.5);
  EXPECT_DOUBLE_EQ(topic->LevelNode(1)->Score(), 20.0 * 2 / 3);
  EXPECT_DOUBLE_EQ(s.tree.Score(), 2.5 + 20.0 * 2 / 3);
  EXPECT_EQ(s.tree.MaxScore(), 30.0);
  char shown[16];
  std::snprintf(shown, sizeof shown, "%0.1f%%", 100 * s.tree.Score() / s.tree.MaxScore());
  EXPECT_STREQ(shown, "52.8%");
}

TEST(TestTree, WeightsDecideWhatALevelContributes) {
  struct Case {
    const char* what;
    double weightA, weightB;
    double levelA, levelB, total, max;
  } cases[] = {
      {"weight 0 scores 0 however it went", 0, 20, 0, 20.0 * 2 / 3, 20.0 * 2 / 3, 20},
      {"all weights 0", 0, 0, 0, 0, 0, 0},
      {"negative weight scores 0", -5, 20, 0, 20.0 * 2 / 3, 20.0 * 2 / 3, 15},
  };
  for (const auto& c : cases) {
    Scored s(WorkedExample(c.weightA, c.weightB), {0, 2});
    const TTestTopicNode* topic = s.tree.TopicNode(0);
    EXPECT_DOUBLE_EQ(topic->LevelNode(0)->Score(), c.levelA) << c.what;
    EXPECT_DOUBLE_EQ(topic->LevelNode(1)->Score(), c.levelB) << c.what;
    EXPECT_DOUBLE_EQ(s.tree.Score(), c.total) << c.what;
    EXPECT_DOUBLE_EQ(s.tree.MaxScore(), c.max) << c.what;
  }
}

TEST(TestTree, NodesCarryRangesTagsAndMinutes) {
  Scored s(
      TestFile("t", {Topic("a", {Level(10, 1, {Question({{"A", 1}}), Question({{"A", 1}})}, 77),
                                 Level(0, 4, {})}),
                     Topic("empty", {}), Topic("c", {Level(25, 2, {Question({{"A", 1}})})})}),
      {});
  EXPECT_EQ(s.tree.TimeLimit(), 35);
  EXPECT_EQ(s.tree.TopicNodeCount(), 3);
  EXPECT_EQ(s.tree.TopicNode(3), nullptr);
  EXPECT_EQ(s.tree.TopicNode(-1), nullptr);
  const TTestTopicNode* a = s.tree.TopicNode(0);
  EXPECT_EQ(a->LevelNode(0)->LevelTag(), 77u);
  EXPECT_EQ(a->LevelNode(0)->FirstQuestion(), 0);
  EXPECT_EQ(a->LevelNode(0)->LastQuestion(), 1);
  // A level without questions: an empty range, and no score even with a positive weight.
  EXPECT_EQ(a->LevelNode(1)->LastQuestion(), a->LevelNode(1)->FirstQuestion() - 1);
  EXPECT_EQ(a->LevelNode(1)->Score(), 0.0);
  EXPECT_EQ(a->MaxScore(), 5.0);
  const TTestTopicNode* empty = s.tree.TopicNode(1);
  EXPECT_EQ(empty->LevelNodeCount(), 0);
  EXPECT_EQ(empty->MaxScore(), 0.0);
  EXPECT_EQ(empty->TimeLimit(), 0);
  EXPECT_EQ(s.tree.TopicNode(2)->LevelNode(0)->FirstQuestion(), 2);
  EXPECT_EQ(s.tree.MaxScore(), 7.0);

  s.tree.Rebuild({});
  EXPECT_EQ(s.tree.TopicNodeCount(), 0);
  EXPECT_EQ(s.tree.MaxScore(), 0.0);
  EXPECT_EQ(s.tree.Score(), 0.0);
  EXPECT_EQ(s.tree.TimeLimit(), 0);
}

TEST(TestTree, MinutesBeyondThe32BitRangeAreHeldAtTheEdge) {
  Scored s(TestFile("t", {Topic("a", {Level(INT32_MAX, 1, {Question({{"A", 1}})}),
                                      Level(INT32_MAX, 1, {Question({{"A", 1}})})})}),
           {});
  EXPECT_EQ(s.tree.TimeLimit(), INT32_MAX);
}

}  // namespace
