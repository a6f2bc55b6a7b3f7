// Option numbering and question scoring over the grade records of a test image.
#include "TestAnswersLayout.h"

#include <algorithm>
#include <stdexcept>

#include "TestGrades.h"
#include "TestUserAnswers.h"

void TTestAnswersLayout::Build(const TTestImage& Image) {
  FImage = Image;
  FOffsets.clear();
  FScores.clear();
  FMaxScores.clear();
  FOptionScores.clear();
  FOptionScores.shrink_to_fit();
  if (Image.Absent()) return;

  const int32_t n = std::max(::QuestionCount(Image), 0);
  // Each question record takes 32 bytes of the image; a count beyond that is not a test.
  if (n > Image.Size / kQuestionRecSize)
    throw std::length_error("too many questions for the image");
  FOffsets.assign(static_cast<size_t>(n) + 1, 0);
  FScores.assign(static_cast<size_t>(n), 0.0);
  FMaxScores.assign(static_cast<size_t>(n), 0.0);

  int32_t k = 0;
  try {
    TGrades grades;
    for (int32_t q = 0; q < n; ++q) {
      grades.LoadFromString(QuestionPieceStr(Image, 0, q));
      FOffsets[q + 1] = FOffsets[q] + grades.Count();
      FMaxScores[q] = std::max(grades.MaxScore(), 0.0);
      for (int32_t j = 0; j < grades.Count(); ++j) {
        if (k >= static_cast<int32_t>(FOptionScores.size())) {
          FOptionScores.resize(FOptionScores.size() + kOptionScoresStep);
        }
        FOptionScores[k++] = {grades.UnmarkedScore(j), grades.MarkedScore(j)};
      }
    }
  } catch (const std::exception&) {
    // The questions after the damaged record keep offset 0, so the test counts no options.
  }
  FOptionScores.resize(static_cast<size_t>(TotalOptions()));
  FOptionScores.shrink_to_fit();
}

int32_t TTestAnswersLayout::FirstOption(int32_t Question) const {
  return ValidQuestion(Question) ? FOffsets[Question] : 0;
}

int32_t TTestAnswersLayout::OptionCount(int32_t Question) const {
  return ValidQuestion(Question) ? FOffsets[Question + 1] - FOffsets[Question] : 0;
}

int32_t TTestAnswersLayout::OptionIndex(int32_t Question, int32_t Index) const {
  if (!ValidQuestion(Question) || Index < 0 || Index >= OptionCount(Question)) return -1;
  return FirstOption(Question) + Index;
}

TTestQuestionPos TTestAnswersLayout::LocateQuestion(int32_t Question) const {
  return ::LocateQuestion(FImage, Question);
}

double TTestAnswersLayout::QuestionScore(int32_t Question) const {
  return ValidQuestion(Question) ? FScores[Question] : 0.0;
}

double TTestAnswersLayout::QuestionMaxScore(int32_t Question) const {
  return ValidQuestion(Question) ? FMaxScores[Question] : 0.0;
}

double TTestAnswersLayout::OptionScore(int32_t Option, bool Marked) const {
  if (Option < 0 || Option >= static_cast<int32_t>(FOptionScores.size())) return 0.0;
  return FOptionScores[Option][Marked ? 1 : 0];
}

void TTestAnswersLayout::ScoreQuestion(const TTestUserAnswers& Answers, int32_t Question) {
  if (!ValidQuestion(Question)) return;
  // Marks read in place, a bit per option, within the options the answers hold: grading a
  // class scores every question of thousands of students.
  const uint8_t* record = Answers.Data();
  const int32_t held = record != nullptr ? Answers.OptionCount() : 0;
  const int32_t end = std::min(FOffsets[Question + 1], static_cast<int32_t>(FOptionScores.size()));
  double raw = 0.0;
  for (int32_t o = FOffsets[Question]; o < end; ++o) {
    const bool marked = o < held && ((record[kAnswersHeaderSize + o / 8] >> (o % 8)) & 1) != 0;
    raw += FOptionScores[static_cast<size_t>(o)][marked ? 1 : 0];
  }
  FScores[Question] = std::max(std::min(raw, FMaxScores[Question]), 0.0);
}

void TTestAnswersLayout::EvaluateQuestion(const TTestUserAnswers& Answers, int32_t Question) {
  if (!ValidQuestion(Question)) return;
  if (Answers.MatchesLayout(this)) {
    ScoreQuestion(Answers, Question);
  } else {
    FScores[Question] = 0.0;
  }
}

void TTestAnswersLayout::EvaluateAll(const TTestUserAnswers& Answers) {
  if (Answers.MatchesLayout(this)) {
    for (int32_t q = 0; q < QuestionCount(); ++q) ScoreQuestion(Answers, q);
  } else {
    std::fill(FScores.begin(), FScores.end(), 0.0);
  }
}
