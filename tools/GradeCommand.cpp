// examtool grade: one row per student (grade and topic grades), optional item statistics.
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ClassReport.h"
#include "Cp1251.h"
#include "ExamTool.h"
#include "GradeOutput.h"
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
    "              score, discrimination (upper 27% minus lower 27%), and the classical\n"
    "              item analysis: facility index, standard deviation, discrimination\n"
    "              index (item-rest correlation) and discriminative efficiency; per option\n"
    "              how many students marked it and the correlation of marking it with the\n"
    "              rest of the test; for the test the coefficient of internal consistency\n"
    "              (Cronbach's alpha), the error ratio and the standard error; in JSON also\n"
    "              the class's mean, median, standard deviation and grade histogram\n"
    "  --report R  also write the class report, one self-contained HTML page with charts:\n"
    "              grades, their distribution, questions, options and files not graded\n";

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
    const TClassReport data{Cp1251ToUtf8(key.GetTitle()), grades, SummarizeGrades(grades, items),
                            items};
    if (std::string problem = WriteClassReport(report, data); !problem.empty()) {
      ReportBadFile(report, problem);
      return kExitBadInput;
    }
  }

  const std::vector<TItemStatistics>* shown = withItems ? &items : nullptr;
  const std::string text = format == "csv"    ? GradeCsv(grades, shown)
                           : format == "json" ? GradeJson(grades, shown)
                                              : GradeTable(grades, shown);
  std::fwrite(text.data(), 1, text.size(), stdout);
  for (const auto& b : grades.BadFiles) ReportBadFile(b.File, b.Reason);
  return grades.BadFiles.empty() ? kExitOk : kExitBadInput;
}
