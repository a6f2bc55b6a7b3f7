// Grading a class: every answers file scored against the teacher's key, plus item statistics.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TTestReader;

struct TGradedStudent {
  std::string File;
  std::string Name;  // UTF-8
  int32_t ElapsedSeconds = 0;
  double Grade = 0.0;                // percent of the whole test, as the program shows it
  std::vector<double> TopicGrades;   // percent of each topic
  std::vector<double> QuestionScores;
  // The marks of every option of the test, in the layout's numbering: a bit each, as the
  // answers file packs them (kept packed: a class holds thousands of students).
  std::vector<uint8_t> Marks;
  bool Marked(int32_t option) const {
    return option >= 0 && size_t(option / 8) < Marks.size() &&
           ((Marks[option / 8] >> (option % 8)) & 1);
  }
};

struct TBadFile {
  std::string File;
  std::string Reason;
};

// How one answer option of a question drew the class: the distractor analysis.
struct TOptionStatistics {
  std::string Caption;  // UTF-8
  bool Right = false;   // scores when marked
  int32_t MarkedCount = 0;
  // The correlation (-1 ... 1) of "marked it" (1 or 0) with the rest of the test: the grade
  // without this question. None when all or none of the class marked it, or the rest is the same
  // for everybody.
  std::optional<double> RestCorrelation;
  bool PositiveDistractor = false;  // a wrong option that the stronger students mark more
};

struct TItemStatistics {
  int32_t Question = 0;         // absolute index
  int32_t Topic = 0;
  double MaxScore = 0.0;
  double FullScoreShare = 0.0;  // share of students with the full score
  double MeanScore = 0.0;
  double Discrimination = 0.0;  // full-score share of the upper 27% minus that of the lower 27%
  // Set only when the class has graded students.
  bool TooHard = false;                 // full-score share below kTooHardShare
  bool TooEasy = false;                 // full-score share above kTooEasyShare
  bool NegativeDiscrimination = false;  // the weaker students did better than the stronger
  std::vector<TOptionStatistics> Options;

  // The classical item analysis. Sample variances (divided by students - 1); a figure that
  // would divide by zero (fewer than two students, the whole class alike) is none.
  // The question's part of the grade is its score times GradePerPoint (percent of the grade per
  // point: its level's weight over the level's maximum and the weights of the test; 0 when the
  // question does not count).
  double GradePerPoint = 0.0;
  std::optional<double> GradePartVariance;  // of the question's part of the grade
  std::optional<double> Facility;           // 100 x mean score / maximum: 0 ... 100
  std::optional<double> ScoreDeviation;     // 100 x standard deviation of the score / maximum
  // 100 x the correlation of the score with the rest of the test (the grade without this
  // question): -100 ... 100.
  std::optional<double> DiscriminationIndex;
  // 100 x the covariance of score and rest over the largest it could be with the same values
  // (both sorted): how much of the possible discrimination the question reaches.
  std::optional<double> DiscriminativeEfficiency;
  // Set only when the figure is.
  bool LowFacility = false;                  // Facility below kLowFacility
  bool HighFacility = false;                 // Facility above kHighFacility
  bool WeakDiscrimination = false;           // DiscriminationIndex from 0 to kWeakDiscrimination
  bool NegativeDiscriminationIndex = false;  // below 0: the question works against the test
  bool PositiveDistractor = false;           // one of its wrong options has PositiveDistractor
};

inline constexpr double kTooHardShare = 0.2;
inline constexpr double kTooEasyShare = 0.9;
inline constexpr double kLowFacility = 20;
inline constexpr double kHighFacility = 90;
inline constexpr double kWeakDiscrimination = 20;
inline constexpr double kUnreliableBelow = 64;  // the coefficient of internal consistency
inline constexpr double kGoodAbove = 75;

enum class TReliability { Unknown, Unreliable, Satisfactory, Good };

// The grades of the class as a whole; no figures when nobody was graded.
struct TGradeSummary {
  int32_t Graded = 0;
  std::optional<double> Mean, Median, StandardDeviation;  // percent; population deviation
  std::array<int32_t, 10>
      Histogram{};  // students per tenth: 0-10, 10-20, ... 90-100 (100 included)
  // The reliability of the test, from the item statistics (none without them, with fewer than
  // two questions that count or two students, or with everybody's grade the same):
  // Cronbach's alpha over the questions' parts of the grade, in percent,
  std::optional<double> InternalConsistency;
  // 100 x sqrt(1 - InternalConsistency / 100),
  std::optional<double> ErrorRatio;
  // and ErrorRatio / 100 x the sample standard deviation of the grades, in percent of the grade.
  std::optional<double> StandardError;
  // Below kUnreliableBelow, up to kGoodAbove, above it.
  TReliability Reliability = TReliability::Unknown;
};

struct TClassGrades {
  std::vector<std::string> TopicNames;  // UTF-8
  std::vector<TGradedStudent> Students;
  std::vector<TBadFile> BadFiles;
};

// The .tst-usr files named, folders expanded (sorted, not recursive); names that are neither go
// to BadFiles.
std::vector<std::string> CollectAnswerFiles(const std::vector<std::string>& paths,
                                            std::vector<TBadFile>& bad);

// Scores each file against the key (a loaded reader). Files of another test or option count, and
// unreadable ones, are listed as bad with the reason.
TClassGrades GradeClass(TTestReader& key, const std::vector<std::string>& files);

std::vector<TItemStatistics> ItemStatistics(const TTestReader& key, const TClassGrades& grades);
// With the item statistics of the same class, the test's reliability too.
TGradeSummary SummarizeGrades(const TClassGrades& grades,
                              const std::vector<TItemStatistics>& items = {});

// The figures as every output of grade writes them (table, CSV, JSON and the report's values),
// so that all of them show one and the same number.
std::string GradeFigure(double percent);   // one decimal
std::string RatioFigure(double value);     // three decimals: shares, mean scores, discrimination
std::string MaxScoreFigure(double score);  // two decimals
