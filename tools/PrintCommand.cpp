// examtool print: the test on paper (a PDF), or with its key the teacher's proof-reading copy.
#include <QBuffer>
#include <cstdio>
#include <string>
#include <vector>

#include "ExamTool.h"
#include "KeyMatch.h"
#include "LoadTest.h"
#include "OutputFile.h"
#include "TestPrinter.h"
#include "TestReader.h"

namespace {

const char kHelp[] =
    "usage: examtool print TEST.tst [--key KEY.tst-ans] [-o OUT.pdf]\n"
    "\n"
    "Prints the test to a PDF on A4 pages: the title, then every question with its number,\n"
    "topic, page and options, each with an empty box (check boxes) or circle (radio buttons)\n"
    "to tick. With --key, the key of the same test, the right options are marked and each\n"
    "option's scores (marked and unmarked) printed, for proof-reading. OUT defaults to TEST.pdf,\n"
    "or TEST-key.pdf with a key.\n";

std::string DefaultOutput(const std::string& test, bool withKey) {
  std::string base = test;
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && base.find('/', dot) == std::string::npos) base.resize(dot);
  return base + (withKey ? "-key.pdf" : ".pdf");
}

// A key scores somewhere; a test handed out to students scores nowhere.
bool HasScores(const TTestReader& key) {
  const TTestAnswersLayout& layout = key.Layout();
  for (int32_t o = 0; o < layout.TotalOptions(); ++o) {
    if (layout.OptionScore(o, true) != 0 || layout.OptionScore(o, false) != 0) return true;
  }
  return false;
}

}  // namespace

int RunPrint(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s", kHelp);
    return kExitOk;
  }
  std::string testPath, keyPath, output;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--key" || a == "-o" || a == "--output") {
      if (!hasValue) return UsageError("print", a + " needs a file name");
      (a == "--key" ? keyPath : output) = args[++i];
    } else if (a.rfind("-", 0) == 0) {
      return UsageError("print", "unknown option '" + a + "'");
    } else if (testPath.empty()) {
      testPath = a;
    } else {
      return UsageError("print", "give one test; its key goes after --key");
    }
  }
  if (testPath.empty()) return UsageError("print", "give the test to print");
  if (output.empty()) output = DefaultOutput(testPath, !keyPath.empty());

  TTestReader test, key;
  if (std::string problem = LoadTestFile(testPath, test); !problem.empty()) {
    return BadFile(testPath, problem);
  }
  if (!keyPath.empty()) {
    if (std::string problem = LoadTestFile(keyPath, key); !problem.empty()) {
      return BadFile(keyPath, problem);
    }
    const std::vector<std::string> mismatches = KeyMismatches(test, key);
    if (!mismatches.empty()) {
      return BadFile(keyPath, "not the key of " + testPath + ": " + mismatches.front());
    }
    if (!HasScores(key)) return BadFile(keyPath, "no option scores: this is a test, not its key");
  }
  if (std::string problem = OutputClashesWithInput(output, {testPath, keyPath}); !problem.empty()) {
    return BadFile(output, problem);
  }

  QBuffer pdf;
  pdf.open(QIODevice::WriteOnly);
  const TPrintResult result = PrintTestPdf(test, keyPath.empty() ? nullptr : &key, pdf);
  pdf.close();
  std::string error;
  if (!WriteOutputFile(output, pdf.data().toStdString(), error)) return BadFile(output, error);
  for (const auto& problem : result.Problems) ReportBadFile(testPath, problem);
  std::printf("%s: %d pages\n", output.c_str(), result.Pages);
  return result.Problems.empty() ? kExitOk : kExitBadInput;
}
