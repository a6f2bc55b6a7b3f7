// examtool grade: one row per student (grade and topic grades), optional item statistics.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ExamTool.h"
#include "Grading.h"
#include "LoadTest.h"
#include "TestReader.h"
#include "TextFormat.h"

namespace {

const char kHelp[] =
    "usage: examtool grade KEY.tst-ans ANSWERS... [--format table|csv|json] [--items]\n"
    "\n"
    "Grades .tst-usr files (or folders of them) against the teacher's key: one row per\n"
    "student with the file, the name, the elapsed time, the grade in percent (as the exam\n"
    "program shows it) and the grade of each topic. Files of another test or another option\n"
    "count are reported on stderr, one line each, and not graded.\n"
    "\n"
    "  --format F  table (default), csv (RFC 4180) or json\n"
    "  --items     add per-question statistics: share of students with full score, mean\n"
    "              score, discrimination index (upper 27% minus lower 27%)\n";

std::string Elapsed(int32_t seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}

void PrintCsv(const TClassGrades& g, const std::vector<TItemStatistics>* items) {
  std::string line = "file,name,elapsed_seconds,grade";
  for (const auto& t : g.TopicNames) line.append(",").append(CsvQuote(t));
  std::printf("%s\r\n", line.c_str());
  for (const auto& s : g.Students) {
    line = CsvQuote(s.File) + "," + CsvQuote(s.Name) + "," + std::to_string(s.ElapsedSeconds) + "," +
           FormatFixed(s.Grade, 1);
    for (double t : s.TopicGrades) line.append(",").append(FormatFixed(t, 1));
    std::printf("%s\r\n", line.c_str());
  }
  if (items) {
    std::printf("\r\nquestion,max_score,full_score_share,mean_score,discrimination\r\n");
    for (const auto& i : *items) {
      std::printf("%d,%s,%s,%s,%s\r\n", i.Question + 1, FormatFixed(i.MaxScore, 2).c_str(),
                  FormatFixed(i.FullScoreShare, 3).c_str(), FormatFixed(i.MeanScore, 3).c_str(),
                  FormatFixed(i.Discrimination, 3).c_str());
    }
  }
}

void PrintJson(const TClassGrades& g, const std::vector<TItemStatistics>* items) {
  std::printf("{\n  \"topics\": [");
  for (size_t t = 0; t < g.TopicNames.size(); ++t) {
    std::printf("%s%s", t ? ", " : "", JsonQuote(g.TopicNames[t]).c_str());
  }
  std::printf("],\n  \"students\": [");
  for (size_t i = 0; i < g.Students.size(); ++i) {
    const auto& s = g.Students[i];
    std::printf("%s\n    {\"file\": %s, \"name\": %s, \"elapsed_seconds\": %d, \"grade\": %s, \"topics\": [",
                i ? "," : "", JsonQuote(s.File).c_str(), JsonQuote(s.Name).c_str(),
                s.ElapsedSeconds, FormatFixed(s.Grade, 1).c_str());
    for (size_t t = 0; t < s.TopicGrades.size(); ++t) {
      std::printf("%s%s", t ? ", " : "", FormatFixed(s.TopicGrades[t], 1).c_str());
    }
    std::printf("]}");
  }
  std::printf("\n  ],\n  \"bad_files\": [");
  for (size_t i = 0; i < g.BadFiles.size(); ++i) {
    std::printf("%s\n    {\"file\": %s, \"reason\": %s}", i ? "," : "",
                JsonQuote(g.BadFiles[i].File).c_str(), JsonQuote(g.BadFiles[i].Reason).c_str());
  }
  std::printf("\n  ]");
  if (items) {
    std::printf(",\n  \"items\": [");
    for (size_t k = 0; k < items->size(); ++k) {
      const auto& i = (*items)[k];
      std::printf("%s\n    {\"question\": %d, \"max_score\": %s, \"full_score_share\": %s, "
                  "\"mean_score\": %s, \"discrimination\": %s}",
                  k ? "," : "", i.Question + 1, FormatFixed(i.MaxScore, 2).c_str(),
                  FormatFixed(i.FullScoreShare, 3).c_str(), FormatFixed(i.MeanScore, 3).c_str(),
                  FormatFixed(i.Discrimination, 3).c_str());
    }
    std::printf("\n  ]");
  }
  std::printf("\n}\n");
}

void PrintTable(const TClassGrades& g, const std::vector<TItemStatistics>* items) {
  size_t nameWidth = 9;
  for (const auto& s : g.Students) nameWidth = std::max(nameWidth, Utf8Width(s.Name));
  std::string head = PadRight("Name", nameWidth) + "  Time     Grade";
  for (const auto& t : g.TopicNames) head.append("  ").append(t);
  std::printf("%s\n", head.c_str());
  for (const auto& s : g.Students) {
    std::string line = PadRight(s.Name.empty() ? "(no name)" : s.Name, nameWidth) + "  " +
                       PadRight(Elapsed(s.ElapsedSeconds), 7) + "  " + PadRight(FormatFixed(s.Grade, 1) + "%", 6);
    for (size_t t = 0; t < s.TopicGrades.size(); ++t) {
      line.append("  ").append(PadRight(FormatFixed(s.TopicGrades[t], 1) + "%", Utf8Width(g.TopicNames[t])));
    }
    std::printf("%s  %s\n", line.c_str(), s.File.c_str());
  }
  std::printf("%zu graded, %zu bad\n", g.Students.size(), g.BadFiles.size());
  if (items) {
    std::printf("\nQuestion  Max    Full score  Mean    Discrimination\n");
    for (const auto& i : *items) {
      std::printf("%-8d  %-5s  %-10s  %-6s  %s\n", i.Question + 1, FormatFixed(i.MaxScore, 2).c_str(),
                  (FormatFixed(100 * i.FullScoreShare, 0) + "%").c_str(), FormatFixed(i.MeanScore, 2).c_str(),
                  FormatFixed(i.Discrimination, 2).c_str());
    }
  }
}

}  // namespace

int RunGrade(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s", kHelp);
    return kExitOk;
  }
  std::string format = "table";
  bool withItems = false;
  std::vector<std::string> paths;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--format") {
      if (i + 1 == args.size()) return UsageError("grade", "--format needs table, csv or json");
      format = args[++i];
      if (format != "table" && format != "csv" && format != "json") {
        return UsageError("grade", "unknown format '" + format + "'");
      }
    } else if (args[i] == "--items") {
      withItems = true;
    } else if (args[i].rfind("--", 0) == 0) {
      return UsageError("grade", "unknown option '" + args[i] + "'");
    } else {
      paths.push_back(args[i]);
    }
  }
  if (paths.size() < 2) return UsageError("grade", "give the key and at least one answers file or folder");

  TTestReader key;
  if (std::string problem = LoadTestFile(paths[0], key); !problem.empty()) {
    ReportBadFile(paths[0], problem);
    return kExitBadInput;
  }
  std::vector<TBadFile> bad;
  const std::vector<std::string> files =
      CollectAnswerFiles(std::vector<std::string>(paths.begin() + 1, paths.end()), bad);
  TClassGrades grades = GradeClass(key, files);
  grades.BadFiles.insert(grades.BadFiles.begin(), bad.begin(), bad.end());
  std::vector<TItemStatistics> items;
  if (withItems) items = ItemStatistics(key, grades);

  if (format == "csv") {
    PrintCsv(grades, withItems ? &items : nullptr);
  } else if (format == "json") {
    PrintJson(grades, withItems ? &items : nullptr);
  } else {
    PrintTable(grades, withItems ? &items : nullptr);
  }
  for (const auto& b : grades.BadFiles) ReportBadFile(b.File, b.Reason);
  return grades.BadFiles.empty() ? kExitOk : kExitBadInput;
}
