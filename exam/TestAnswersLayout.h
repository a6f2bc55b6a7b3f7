// The answer options of a whole test in one numbered row, with option and question scores.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "TestImage.h"

class TTestUserAnswers;

class TTestAnswersLayout {
 public:
  // Numbers every option of the image (none: an empty layout). A grade record that claims more
  // options than it holds ends the numbering: the test then counts no options at all.
  void Build(const TTestImage& Image);

  const TTestImage& Image() const { return FImage; }
  int32_t QuestionCount() const { return static_cast<int32_t>(FScores.size()); }
  int32_t TotalOptions() const { return QuestionCount() > 0 ? FOffsets.back() : 0; }
  // Out-of-range questions give 0 options at number 0; OptionIndex then gives -1.
  int32_t FirstOption(int32_t Question) const;
  int32_t OptionCount(int32_t Question) const;
  int32_t OptionIndex(int32_t Question, int32_t Index) const;
  TTestQuestionPos LocateQuestion(int32_t Question) const;
  // Inline: the tree sums both over every question of every student a class is graded for.
  double QuestionScore(int32_t Question) const {
    return ValidQuestion(Question) ? FScores[static_cast<size_t>(Question)] : 0.0;
  }
  double QuestionMaxScore(int32_t Question) const {
    return ValidQuestion(Question) ? FMaxScores[static_cast<size_t>(Question)] : 0.0;
  }
  double OptionScore(int32_t Option, bool Marked) const;

  // Scores without checking that the answers belong to this layout.
  void ScoreQuestion(const TTestUserAnswers& Answers, int32_t Question);
  // Score 0 instead when the answers are of another test or option count.
  void EvaluateQuestion(const TTestUserAnswers& Answers, int32_t Question);
  void EvaluateAll(const TTestUserAnswers& Answers);

 private:
  bool ValidQuestion(int32_t q) const { return q >= 0 && q < QuestionCount(); }

  static constexpr int32_t kOptionScoresStep = 1024;

  TTestImage FImage;
  std::vector<int32_t> FOffsets;
  std::vector<double> FScores;
  std::vector<double> FMaxScores;
  // Per option: [0] the score when unmarked, [1] when marked, so the mark bit selects it.
  std::vector<std::array<double, 2>> FOptionScores;
};
