// What examtool grade writes and the teacher's window saves: the class as a table, CSV or JSON.
#include "GradeOutput.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <utility>

#include "TextFormat.h"

namespace {

// printf into the end of out.
[[gnu::format(printf, 2, 3)]] void Append(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (size > 0) {
    const size_t at = out.size();
    out.resize(at + size_t(size) + 1);
    std::vsnprintf(out.data() + at, size_t(size) + 1, format, again);
    out.resize(at + size_t(size));
  }
  va_end(again);
}

std::string JsonFigure(const std::optional<double>& percent) {
  return percent ? GradeFigure(*percent) : "null";
}

void AppendJsonOptions(std::string& out, const TItemStatistics& item) {
  Append(out, ", \"flags\": [");
  const char* sep = "";
  for (const auto& [set, name] :
       {std::pair{item.TooHard, "too_hard"}, std::pair{item.TooEasy, "too_easy"},
        std::pair{item.NegativeDiscrimination, "negative_discrimination"}}) {
    if (!set) continue;
    Append(out, "%s\"%s\"", sep, name);
    sep = ", ";
  }
  Append(out, "], \"options\": [");
  for (size_t o = 0; o < item.Options.size(); ++o) {
    const auto& option = item.Options[o];
    Append(out, "%s{\"caption\": %s, \"right\": %s, \"marked\": %d}", o ? ", " : "",
           JsonQuote(option.Caption).c_str(), option.Right ? "true" : "false", option.MarkedCount);
  }
  Append(out, "]");
}

}  // namespace

std::string GradeCsv(const TClassGrades& g, const std::vector<TItemStatistics>* items) {
  std::string out;
  std::string line = "file,name,elapsed_seconds,grade";
  for (const auto& t : g.TopicNames) line.append(",").append(CsvQuote(t));
  Append(out, "%s\r\n", line.c_str());
  for (const auto& s : g.Students) {
    line = CsvQuote(s.File) + "," + CsvQuote(s.Name) + "," + std::to_string(s.ElapsedSeconds) +
           "," + GradeFigure(s.Grade);
    for (double t : s.TopicGrades) line.append(",").append(GradeFigure(t));
    Append(out, "%s\r\n", line.c_str());
  }
  if (items) {
    Append(out, "\r\nquestion,max_score,full_score_share,mean_score,discrimination\r\n");
    for (const auto& i : *items) {
      Append(out, "%d,%s,%s,%s,%s\r\n", i.Question + 1, MaxScoreFigure(i.MaxScore).c_str(),
             RatioFigure(i.FullScoreShare).c_str(), RatioFigure(i.MeanScore).c_str(),
             RatioFigure(i.Discrimination).c_str());
    }
  }
  return out;
}

std::string GradeJson(const TClassGrades& g, const std::vector<TItemStatistics>* items) {
  std::string out;
  Append(out, "{\n  \"topics\": [");
  for (size_t t = 0; t < g.TopicNames.size(); ++t) {
    Append(out, "%s%s", t ? ", " : "", JsonQuote(g.TopicNames[t]).c_str());
  }
  Append(out, "],\n  \"students\": [");
  for (size_t i = 0; i < g.Students.size(); ++i) {
    const auto& s = g.Students[i];
    Append(out,
           "%s\n    {\"file\": %s, \"name\": %s, \"elapsed_seconds\": %d, \"grade\": %s, "
           "\"topics\": [",
           i ? "," : "", JsonQuote(s.File).c_str(), JsonQuote(s.Name).c_str(), s.ElapsedSeconds,
           GradeFigure(s.Grade).c_str());
    for (size_t t = 0; t < s.TopicGrades.size(); ++t) {
      Append(out, "%s%s", t ? ", " : "", GradeFigure(s.TopicGrades[t]).c_str());
    }
    Append(out, "]}");
  }
  Append(out, "\n  ],\n  \"bad_files\": [");
  for (size_t i = 0; i < g.BadFiles.size(); ++i) {
    Append(out, "%s\n    {\"file\": %s, \"reason\": %s}", i ? "," : "",
           JsonQuote(g.BadFiles[i].File).c_str(), JsonQuote(g.BadFiles[i].Reason).c_str());
  }
  Append(out, "\n  ]");
  if (items) {
    const TGradeSummary summary = SummarizeGrades(g);
    Append(out,
           ",\n  \"summary\": {\"graded\": %d, \"mean\": %s, \"median\": %s, "
           "\"standard_deviation\": %s, \"histogram\": [",
           summary.Graded, JsonFigure(summary.Mean).c_str(), JsonFigure(summary.Median).c_str(),
           JsonFigure(summary.StandardDeviation).c_str());
    for (size_t b = 0; b < summary.Histogram.size(); ++b) {
      Append(out, "%s%d", b ? ", " : "", summary.Histogram[b]);
    }
    Append(out, "]},\n  \"items\": [");
    for (size_t k = 0; k < items->size(); ++k) {
      const auto& i = (*items)[k];
      Append(out,
             "%s\n    {\"question\": %d, \"max_score\": %s, \"full_score_share\": %s, "
             "\"mean_score\": %s, \"discrimination\": %s",
             k ? "," : "", i.Question + 1, MaxScoreFigure(i.MaxScore).c_str(),
             RatioFigure(i.FullScoreShare).c_str(), RatioFigure(i.MeanScore).c_str(),
             RatioFigure(i.Discrimination).c_str());
      AppendJsonOptions(out, i);
      Append(out, "}");
    }
    Append(out, "\n  ]");
  }
  Append(out, "\n}\n");
  return out;
}

std::string GradeTable(const TClassGrades& g, const std::vector<TItemStatistics>* items) {
  std::string out;
  size_t nameWidth = 9;
  for (const auto& s : g.Students) nameWidth = std::max(nameWidth, Utf8Width(s.Name));
  std::string head = PadRight("Name", nameWidth) + "  Time     Grade";
  for (const auto& t : g.TopicNames) head.append("  ").append(t);
  Append(out, "%s\n", head.c_str());
  for (const auto& s : g.Students) {
    std::string line = PadRight(s.Name.empty() ? "(no name)" : s.Name, nameWidth) + "  " +
                       PadRight(FormatElapsed(s.ElapsedSeconds), 7) + "  " +
                       PadRight(GradeFigure(s.Grade) + "%", 6);
    for (size_t t = 0; t < s.TopicGrades.size(); ++t) {
      line.append("  ").append(
          PadRight(GradeFigure(s.TopicGrades[t]) + "%", Utf8Width(g.TopicNames[t])));
    }
    Append(out, "%s  %s\n", line.c_str(), s.File.c_str());
  }
  Append(out, "%zu graded, %zu bad\n", g.Students.size(), g.BadFiles.size());
  if (items) {
    Append(out, "\nQuestion  Max    Full score  Mean    Discrimination\n");
    for (const auto& i : *items) {
      Append(out, "%-8d  %-5s  %-10s  %-6s  %s\n", i.Question + 1,
             FormatFixed(i.MaxScore, 2).c_str(),
             (FormatFixed(100 * i.FullScoreShare, 0) + "%").c_str(),
             FormatFixed(i.MeanScore, 2).c_str(), FormatFixed(i.Discrimination, 2).c_str());
    }
  }
  return out;
}
