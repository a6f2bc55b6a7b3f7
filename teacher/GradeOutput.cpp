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

// The item analysis' figures: full precision for programs, one decimal for people.
std::string JsonExact(const std::optional<double>& v) {
  return v ? FormatExact(*v) : "null";
}
std::string CsvExact(const std::optional<double>& v) {
  return v ? FormatExact(*v) : "";
}
std::string TableFigure(const std::optional<double>& v, int decimals = 1) {
  return v ? FormatFixed(*v, decimals) : "—";
}

const char* ReliabilityName(TReliability r) {
  switch (r) {
    case TReliability::Unreliable:
      return "unreliable";
    case TReliability::Satisfactory:
      return "satisfactory";
    case TReliability::Good:
      return "good";
    case TReliability::Unknown:
      break;
  }
  return nullptr;
}

// The names under which the JSON lists the item analysis' flags that are set.
std::vector<const char*> AnalysisFlags(const TItemStatistics& item) {
  std::vector<const char*> names;
  for (const auto& [set, name] :
       {std::pair{item.LowFacility, "low_facility"}, std::pair{item.HighFacility, "high_facility"},
        std::pair{item.WeakDiscrimination, "weak_discrimination"},
        std::pair{item.NegativeDiscriminationIndex, "negative_discrimination_index"},
        std::pair{item.PositiveDistractor, "positive_distractor"}}) {
    if (set) names.push_back(name);
  }
  return names;
}

void AppendJsonNames(std::string& out, const std::vector<const char*>& names) {
  for (size_t n = 0; n < names.size(); ++n) Append(out, "%s\"%s\"", n ? ", " : "", names[n]);
}

void AppendJsonOptions(std::string& out, const TItemStatistics& item) {
  std::vector<const char*> flags;
  for (const auto& [set, name] :
       {std::pair{item.TooHard, "too_hard"}, std::pair{item.TooEasy, "too_easy"},
        std::pair{item.NegativeDiscrimination, "negative_discrimination"}}) {
    if (set) flags.push_back(name);
  }
  Append(out, ", \"flags\": [");
  AppendJsonNames(out, flags);
  Append(out, "], \"analysis_flags\": [");
  AppendJsonNames(out, AnalysisFlags(item));
  Append(out, "], \"options\": [");
  for (size_t o = 0; o < item.Options.size(); ++o) {
    const auto& option = item.Options[o];
    Append(out, "%s{\"caption\": %s, \"right\": %s, \"marked\": %d, \"correlation\": %s}",
           o ? ", " : "", JsonQuote(option.Caption).c_str(), option.Right ? "true" : "false",
           option.MarkedCount, JsonExact(option.RestCorrelation).c_str());
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
    Append(out,
           "\r\nquestion,max_score,full_score_share,mean_score,discrimination,facility,sd,"
           "discrimination_index,discriminative_efficiency\r\n");
    for (const auto& i : *items) {
      Append(out, "%d,%s,%s,%s,%s,%s,%s,%s,%s\r\n", i.Question + 1,
             MaxScoreFigure(i.MaxScore).c_str(), RatioFigure(i.FullScoreShare).c_str(),
             RatioFigure(i.MeanScore).c_str(), RatioFigure(i.Discrimination).c_str(),
             CsvExact(i.Facility).c_str(), CsvExact(i.ScoreDeviation).c_str(),
             CsvExact(i.DiscriminationIndex).c_str(), CsvExact(i.DiscriminativeEfficiency).c_str());
    }
    Append(out, "\r\nquestion,option,caption,right,marked,correlation\r\n");
    for (const auto& i : *items) {
      for (size_t o = 0; o < i.Options.size(); ++o) {
        const auto& option = i.Options[o];
        Append(out, "%d,%zu,%s,%d,%d,%s\r\n", i.Question + 1, o + 1,
               CsvQuote(option.Caption).c_str(), option.Right ? 1 : 0, option.MarkedCount,
               CsvExact(option.RestCorrelation).c_str());
      }
    }
    const TGradeSummary summary = SummarizeGrades(g, *items);
    Append(out, "\r\ngraded,mean,median,standard_deviation,cic,error_ratio,standard_error\r\n");
    Append(out, "%d,%s,%s,%s,%s,%s,%s\r\n", summary.Graded, CsvExact(summary.Mean).c_str(),
           CsvExact(summary.Median).c_str(), CsvExact(summary.StandardDeviation).c_str(),
           CsvExact(summary.InternalConsistency).c_str(), CsvExact(summary.ErrorRatio).c_str(),
           CsvExact(summary.StandardError).c_str());
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
    const TGradeSummary summary = SummarizeGrades(g, *items);
    Append(out, 
        ",\n  \"summary\": {\"graded\": %d, \"mean\": %s, \"median\": %s, "
        "\"standard_deviation\": %s, \"histogram\": [",
        summary.Graded, JsonFigure(summary.Mean).c_str(), JsonFigure(summary.Median).c_str(),
        JsonFigure(summary.StandardDeviation).c_str());
    for (size_t b = 0; b < summary.Histogram.size(); ++b) {
      Append(out, "%s%d", b ? ", " : "", summary.Histogram[b]);
    }
    const char* reliability = ReliabilityName(summary.Reliability);
    Append(out,
           "], \"cic\": %s, \"error_ratio\": %s, \"standard_error\": %s, \"reliability\": %s},"
           "\n  \"items\": [",
           JsonExact(summary.InternalConsistency).c_str(), JsonExact(summary.ErrorRatio).c_str(),
           JsonExact(summary.StandardError).c_str(),
           reliability ? JsonQuote(reliability).c_str() : "null");
    for (size_t k = 0; k < items->size(); ++k) {
      const auto& i = (*items)[k];
      Append(out, 
          "%s\n    {\"question\": %d, \"max_score\": %s, \"full_score_share\": %s, "
          "\"mean_score\": %s, \"discrimination\": %s",
          k ? "," : "", i.Question + 1, MaxScoreFigure(i.MaxScore).c_str(),
          RatioFigure(i.FullScoreShare).c_str(), RatioFigure(i.MeanScore).c_str(),
          RatioFigure(i.Discrimination).c_str());
      Append(out,
             ", \"facility\": %s, \"sd\": %s, \"discrimination_index\": %s, "
             "\"discriminative_efficiency\": %s",
             JsonExact(i.Facility).c_str(), JsonExact(i.ScoreDeviation).c_str(),
             JsonExact(i.DiscriminationIndex).c_str(),
             JsonExact(i.DiscriminativeEfficiency).c_str());
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
  for (const auto& t : g.TopicNames) head.append("  ").append(TerminalText(t));
  Append(out, "%s\n", head.c_str());
  for (const auto& s : g.Students) {
    std::string line = PadRight(s.Name.empty() ? "(no name)" : TerminalText(s.Name), nameWidth) +
                       "  " + PadRight(FormatElapsed(s.ElapsedSeconds), 7) + "  " +
                       PadRight(GradeFigure(s.Grade) + "%", 6);
    for (size_t t = 0; t < s.TopicGrades.size(); ++t) {
      line.append("  ").append(
          PadRight(GradeFigure(s.TopicGrades[t]) + "%", Utf8Width(g.TopicNames[t])));
    }
    Append(out, "%s  %s\n", line.c_str(), TerminalText(s.File).c_str());
  }
  Append(out, "%zu graded, %zu bad\n", g.Students.size(), g.BadFiles.size());
  if (items) {
    Append(out,
           "\nQuestion  Max    Full score  Mean    Discrimination  Facility  SD     "
           "D-index  Efficiency\n");
    for (const auto& i : *items) {
      Append(out, "%-8d  %-5s  %-10s  %-6s  %-14s  %-8s  %-5s  %-7s  %s\n", i.Question + 1,
             FormatFixed(i.MaxScore, 2).c_str(),
             (FormatFixed(100 * i.FullScoreShare, 0) + "%").c_str(),
             FormatFixed(i.MeanScore, 2).c_str(), FormatFixed(i.Discrimination, 2).c_str(),
             PadRight(TableFigure(i.Facility), 8).c_str(),
             PadRight(TableFigure(i.ScoreDeviation), 5).c_str(),
             PadRight(TableFigure(i.DiscriminationIndex), 7).c_str(),
             TableFigure(i.DiscriminativeEfficiency).c_str());
    }
    Append(out, "\nQuestion  Option  Right  Marked  Correlation  Caption\n");
    for (const auto& i : *items) {
      for (size_t o = 0; o < i.Options.size(); ++o) {
        const auto& option = i.Options[o];
        Append(out, "%-8d  %-6zu  %-5s  %-6d  %s  %s\n", i.Question + 1, o + 1,
               option.Right ? "yes" : "no", option.MarkedCount,
               PadRight(TableFigure(option.RestCorrelation, 2), 11).c_str(),
               TerminalText(option.Caption).c_str());
      }
    }
    const TGradeSummary summary = SummarizeGrades(g, *items);
    const char* reliability = ReliabilityName(summary.Reliability);
    Append(out,
           "\nInternal consistency (CIC): %s%s%s\nError ratio (ER): %s\n"
           "Standard error (SE): %s\n",
           TableFigure(summary.InternalConsistency).c_str(), reliability ? ", " : "",
           reliability ? reliability : "", TableFigure(summary.ErrorRatio).c_str(),
           TableFigure(summary.StandardError).c_str());
  }
  return out;
}
