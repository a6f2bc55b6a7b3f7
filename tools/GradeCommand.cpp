// examtool grade: one row per student (grade and topic grades), optional item statistics.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ClassReport.h"
#include "Cp1251.h"
#include "ExamTool.h"
#include "Grading.h"
#include "LoadTest.h"
#include "OutputFile.h"
#include "TestReader.h"
#include "TextFormat.h"

namespace {

const char kHelp[] =
    "usage: examtool grade KEY.tst-ans ANSWERS... [--format table|csv|json] [--items]\n"
    "                      [--report REPORT.html]\n"
    "\n"
    "Grades .tst-usr files (or folders of them) against the teacher's key: one row per\n"
    "student with the file, the name, the elapsed time, the grade in percent (as the exam\n"
    "program shows it) and the grade of each topic. Files of another test or another option\n"
    "count are reported on stderr, one line each, and not graded.\n"
    "\n"
    "  --format F  table (default), csv (RFC 4180) or json\n"
    "  --items     add per-question statistics: share of students with full score, mean\n"
    "              score, discrimination index (upper 27% minus lower 27%); in JSON also\n"
    "              how many students marked each option and the class's mean, median,\n"
    "              standard deviation and grade histogram\n"
    "  --report R  also write the class report, one self-contained HTML page with charts:\n"
    "              grades, their distribution, questions, options and files not graded\n";

void PrintCsv(const TClassGrades& g, const std::vector<TItemStatistics>* items) {
  std::string line = "file,name,elapsed_seconds,grade";
  for (const auto& t : g.TopicNames) line.append(",").append(CsvQuote(t));
  std::printf("%s\r\n", line.c_str());
  for (const auto& s : g.Students) {
    line = CsvQuote(s.File) + "," + CsvQuote(s.Name) + "," + std::to_string(s.ElapsedSeconds) +
           "," + GradeFigure(s.Grade);
    for (double t : s.TopicGrades) line.append(",").append(GradeFigure(t));
    std::printf("%s\r\n", line.c_str());
  }
  if (items) {
    std::printf("\r\nquestion,max_score,full_score_share,mean_score,discrimination\r\n");
    for (const auto& i : *items) {
      std::printf("%d,%s,%s,%s,%s\r\n", i.Question + 1, MaxScoreFigure(i.MaxScore).c_str(),
                  RatioFigure(i.FullScoreShare).c_str(), RatioFigure(i.MeanScore).c_str(),
                  RatioFigure(i.Discrimination).c_str());
    }
  }
}

std::string JsonFigure(const std::optional<double>& percent) {
  return percent ? GradeFigure(*percent) : "null";
}

void PrintJsonOptions(const TItemStatistics& item) {
  std::printf(", \"flags\": [");
  const char* sep = "";
  for (const auto& [set, name] :
       {std::pair{item.TooHard, "too_hard"}, std::pair{item.TooEasy, "too_easy"},
        std::pair{item.NegativeDiscrimination, "negative_discrimination"}}) {
    if (!set) continue;
    std::printf("%s\"%s\"", sep, name);
    sep = ", ";
  }
  std::printf("], \"options\": [");
  for (size_t o = 0; o < item.Options.size(); ++o) {
    const auto& option = item.Options[o];
    std::printf("%s{\"caption\": %s, \"right\": %s, \"marked\": %d}", o ? ", " : "",
                JsonQuote(option.Caption).c_str(), option.Right ? "true" : "false",
                option.MarkedCount);
  }
  std::printf("]");
}

void PrintJson(const TClassGrades& g, const std::vector<TItemStatistics>* items) {
  std::printf("{\n  \"topics\": [");
  for (size_t t = 0; t < g.TopicNames.size(); ++t) {
    std::printf("%s%s", t ? ", " : "", JsonQuote(g.TopicNames[t]).c_str());
  }
  std::printf("],\n  \"students\": [");
  for (size_t i = 0; i < g.Students.size(); ++i) {
    const auto& s = g.Students[i];
    std::printf(
        "%s\n    {\"file\": %s, \"name\": %s, \"elapsed_seconds\": %d, \"grade\": %s, "
        "\"topics\": [",
        i ? "," : "", JsonQuote(s.File).c_str(), JsonQuote(s.Name).c_str(), s.ElapsedSeconds,
        GradeFigure(s.Grade).c_str());
    for (size_t t = 0; t < s.TopicGrades.size(); ++t) {
      std::printf("%s%s", t ? ", " : "", GradeFigure(s.TopicGrades[t]).c_str());
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
    const TGradeSummary summary = SummarizeGrades(g);
    std::printf(
        ",\n  \"summary\": {\"graded\": %d, \"mean\": %s, \"median\": %s, "
        "\"standard_deviation\": %s, \"histogram\": [",
        summary.Graded, JsonFigure(summary.Mean).c_str(), JsonFigure(summary.Median).c_str(),
        JsonFigure(summary.StandardDeviation).c_str());
    for (size_t b = 0; b < summary.Histogram.size(); ++b) {
      std::printf("%s%d", b ? ", " : "", summary.Histogram[b]);
    }
    std::printf("]},\n  \"items\": [");
    for (size_t k = 0; k < items->size(); ++k) {
      const auto& i = (*items)[k];
      std::printf(
          "%s\n    {\"question\": %d, \"max_score\": %s, \"full_score_share\": %s, "
          "\"mean_score\": %s, \"discrimination\": %s",
          k ? "," : "", i.Question + 1, MaxScoreFigure(i.MaxScore).c_str(),
          RatioFigure(i.FullScoreShare).c_str(), RatioFigure(i.MeanScore).c_str(),
          RatioFigure(i.Discrimination).c_str());
      PrintJsonOptions(i);
      std::printf("}");
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
                       PadRight(FormatElapsed(s.ElapsedSeconds), 7) + "  " +
                       PadRight(GradeFigure(s.Grade) + "%", 6);
    for (size_t t = 0; t < s.TopicGrades.size(); ++t) {
      line.append("  ").append(
          PadRight(GradeFigure(s.TopicGrades[t]) + "%", Utf8Width(g.TopicNames[t])));
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
  std::string report;
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
    } else if (args[i] == "--report") {
      if (i + 1 == args.size()) return UsageError("grade", "--report needs the HTML file to write");
      report = args[++i];
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
  if (withItems || !report.empty()) items = ItemStatistics(key, grades);
  if (!report.empty()) {
    std::vector<std::string> inputs = paths;
    inputs.insert(inputs.end(), files.begin(), files.end());
    if (std::string problem = OutputClashesWithInput(report, inputs); !problem.empty()) {
      ReportBadFile(report, problem);
      return kExitBadInput;
    }
    const TClassReport data{Cp1251ToUtf8(key.GetTitle()), grades, SummarizeGrades(grades), items};
    if (std::string problem = WriteClassReport(report, data); !problem.empty()) {
      ReportBadFile(report, problem);
      return kExitBadInput;
    }
  }

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
