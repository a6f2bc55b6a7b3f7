// The tree of topics and levels of a test, with maximum score, score and minutes in every node.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "TestImage.h"

class TTestAnswersLayout;
class TTestTopicNode;

class TTestLevelNode {
 public:
  TTestLevelNode(const TTestTopicNode& Owner, int32_t Index, const TTestLevelRec& Rec,
                 int32_t QuestionsStart);

  const TTestTopicNode& Owner() const { return FOwner; }
  int32_t Index() const { return FIndex; }
  uint32_t LevelTag() const { return FLevelTag; }
  // The level's questions by absolute index; LastQuestion is FirstQuestion - 1 when it has none.
  int32_t FirstQuestion() const { return FFirstQuestion; }
  int32_t LastQuestion() const { return FLastQuestion; }
  double MaxScore() const { return FMaxScore; }
  double Score() const { return FScore; }
  int32_t TimeLimit() const { return FTimeLimit; }
  // Weight x (achieved / maximum) over the level's questions; 0 without weight or maximum.
  void Recalc(const TTestAnswersLayout& Layout);

 private:
  const TTestTopicNode& FOwner;
  int32_t FIndex;
  uint32_t FLevelTag;
  int32_t FFirstQuestion;
  int32_t FLastQuestion;
  double FMaxScore;
  double FScore = 0.0;
  int32_t FTimeLimit;
};

class TTestTree;

class TTestTopicNode {
 public:
  TTestTopicNode(const TTestTree& Owner, int32_t Index, const TTestImage& Image);

  const TTestTree& Owner() const { return FOwner; }
  int32_t Index() const { return FIndex; }
  int32_t LevelNodeCount() const { return static_cast<int32_t>(FLevels.size()); }
  // None when out of range.
  const TTestLevelNode* LevelNode(int32_t i) const;
  double MaxScore() const { return FMaxScore; }
  double Score() const { return FScore; }
  int32_t TimeLimit() const { return FTimeLimit; }
  void Recalc(const TTestAnswersLayout& Layout);

 private:
  const TTestTree& FOwner;
  int32_t FIndex;
  std::vector<std::unique_ptr<TTestLevelNode>> FLevels;
  double FMaxScore = 0.0;
  double FScore = 0.0;
  int32_t FTimeLimit = 0;
};

class TTestTree {
 public:
  TTestTree() = default;
  TTestTree(const TTestTree&) = delete;
  TTestTree& operator=(const TTestTree&) = delete;

  // Drops all nodes and builds them over the image (none: an empty tree, totals 0).
  void Rebuild(const TTestImage& Image);
  const TTestImage& Image() const { return FImage; }
  int32_t TopicNodeCount() const { return static_cast<int32_t>(FTopics.size()); }
  const TTestTopicNode* TopicNode(int32_t i) const;
  double MaxScore() const { return FMaxScore; }
  double Score() const { return FScore; }
  // The test's time limit in minutes.
  int32_t TimeLimit() const { return FTimeLimit; }
  void Recalc(const TTestAnswersLayout& Layout);

 private:
  TTestImage FImage;
  std::vector<std::unique_ptr<TTestTopicNode>> FTopics;
  double FMaxScore = 0.0;
  double FScore = 0.0;
  int32_t FTimeLimit = 0;
};
