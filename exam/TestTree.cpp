// Building the topic and level nodes of a test and totalling their scores.
#include "TestTree.h"

#include <algorithm>
#include <limits>

#include "TestAnswersLayout.h"

namespace {

// Minutes come from the file: a sum that leaves the 32-bit range is held at its edge.
int32_t AddMinutes(int32_t a, int32_t b) {
  const int64_t s = int64_t(a) + b;
  return static_cast<int32_t>(std::clamp<int64_t>(s, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// Recalculates every child node and returns the sum of their scores.
template <typename Nodes>
double RecalcChildren(const Nodes& nodes, const TTestAnswersLayout& layout) {
  double sum = 0.0;
  for (const auto& node : nodes) {
    node->Recalc(layout);
    sum += node->Score();
  }
  return sum;
}

}  // namespace

TTestLevelNode::TTestLevelNode(const TTestTopicNode& Owner, int32_t Index, const TTestLevelRec& Rec,
                               int32_t QuestionsStart)
    : FOwner(Owner),
      FIndex(Index),
      FLevelTag(Rec.Tag),
      FFirstQuestion(
          static_cast<int32_t>((int64_t(Rec.QuestionOffset) - QuestionsStart) / kQuestionRecSize)),
      FLastQuestion(static_cast<int32_t>(int64_t(FFirstQuestion) + Rec.QuestionCount - 1)),
      FMaxScore(Rec.MaxScore),
      FTimeLimit(Rec.Minutes) {}

void TTestLevelNode::Recalc(const TTestAnswersLayout& Layout) {
  FScore = 0.0;
  if (FMaxScore <= 0) return;
  double achieved = 0.0, maximum = 0.0;
  // Questions the layout does not know add 0 to both sums; skip them without walking them.
  const int32_t last = std::min(FLastQuestion, Layout.QuestionCount() - 1);
  for (int32_t q = std::max(FFirstQuestion, 0); q <= last; ++q) {
    achieved += Layout.QuestionScore(q);
    maximum += Layout.QuestionMaxScore(q);
  }
  if (maximum > 0) FScore = FMaxScore * (achieved / maximum);
}

TTestTopicNode::TTestTopicNode(const TTestTree& Owner, int32_t Index, const TTestImage& Image)
    : FOwner(Owner), FIndex(Index) {
  const int32_t levels = std::max(LevelCount(Image, Index), 0);
  const int32_t questionsStart = ReadImageWord(Image, hwQuestionsStart);
  FLevels.reserve(static_cast<size_t>(levels));
  for (int32_t l = 0; l < levels; ++l) {
    const auto rec = LevelRec(Image, Index, l);
    if (!rec) break;  // a validated image has every record
    FLevels.push_back(std::make_unique<TTestLevelNode>(*this, l, *rec, questionsStart));
    FMaxScore += FLevels.back()->MaxScore();
    FTimeLimit = AddMinutes(FTimeLimit, FLevels.back()->TimeLimit());
  }
}

const TTestLevelNode* TTestTopicNode::LevelNode(int32_t i) const {
  return i >= 0 && i < LevelNodeCount() ? FLevels[i].get() : nullptr;
}

void TTestTopicNode::Recalc(const TTestAnswersLayout& Layout) {
  FScore = FMaxScore > 0 ? RecalcChildren(FLevels, Layout) : 0.0;
}

void TTestTree::Rebuild(const TTestImage& Image) {
  FTopics.clear();
  FTimeLimit = 0;
  FMaxScore = 0.0;
  FScore = 0.0;
  FImage = Image;
  if (Image.Absent()) return;
  const int32_t topics = std::max(TopicCount(Image), 0);
  FTopics.reserve(static_cast<size_t>(std::min(topics, Image.Size / kTopicRecSize)));
  for (int32_t t = 0; t < topics && TopicRec(Image, t); ++t) {
    FTopics.push_back(std::make_unique<TTestTopicNode>(*this, t, Image));
    FMaxScore += FTopics.back()->MaxScore();
    FTimeLimit = AddMinutes(FTimeLimit, FTopics.back()->TimeLimit());
  }
}

const TTestTopicNode* TTestTree::TopicNode(int32_t i) const {
  return i >= 0 && i < TopicNodeCount() ? FTopics[i].get() : nullptr;
}

void TTestTree::Recalc(const TTestAnswersLayout& Layout) {
  FScore = FMaxScore > 0 ? RecalcChildren(FTopics, Layout) : 0.0;
}
