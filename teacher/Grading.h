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
};

inline constexpr double kTooHardShare = 0.2;
inline constexpr double kTooEasyShare = 0.9;

// The grades of the class as a whole; no figures when nobody was graded.
struct TGradeSummary {
  int32_t Graded = 0;
  std::optional<double> Mean, Median, StandardDeviation;  // percent; population deviation
  std::array<int32_t, 10>
      Histogram{};  // students per tenth: 0-10, 10-20, ... 90-100 (100 included)
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
TGradeSummary SummarizeGrades(const TClassGrades& grades);

// The figures as every output of grade writes them (table, CSV, JSON and the report's values),
// so that all of them show one and the same number.
std::string GradeFigure(double percent);   // one decimal
std::string RatioFigure(double value);     // three decimals: shares, mean scores, discrimination
std::string MaxScoreFigure(double score);  // two decimals
