// Grading a class: every answers file scored against the teacher's key, plus item statistics.
#pragma once

#include <cstdint>
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
};

struct TBadFile {
  std::string File;
  std::string Reason;
};

struct TItemStatistics {
  int32_t Question = 0;         // absolute index
  double MaxScore = 0.0;
  double FullScoreShare = 0.0;  // share of students with the full score
  double MeanScore = 0.0;
  double Discrimination = 0.0;  // full-score share of the upper 27% minus that of the lower 27%
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
