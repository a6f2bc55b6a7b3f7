// examtool check: validates a test, and a key against it; lists every problem found.
#include <cstdio>
#include <string>
#include <vector>

#include "ExamTool.h"
#include "TestCheck.h"

namespace {

const char kHelp[] =
    "usage: examtool check TEST.tst [KEY.tst-ans]\n"
    "\n"
    "Checks that every offset of the test lies inside the file, that every page decodes as a\n"
    "metafile the exam program can show and that every grade record reads. With a key, also\n"
    "checks that the key belongs to the test (identity, topics, levels, questions and option\n"
    "counts) and that every question of the key has an option that scores. A page with text\n"
    "records that cannot be drawn (glyph indices) is named with their number; that alone is\n"
    "no error.\n";

}  // namespace

int RunCheck(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s", kHelp);
    return kExitOk;
  }
  for (const auto& a : args) {
    if (a.rfind("--", 0) == 0) return UsageError("check", "unknown option '" + a + "'");
  }
  if (args.empty() || args.size() > 2) return UsageError("check", "give a test and, optionally, its key");

  const TTestCheck check = CheckTestFiles(args[0], args.size() == 2 ? args[1] : std::string());
  for (const auto& note : check.Notes) std::printf("%s\n", note.c_str());
  for (const auto& line : check.Problems) std::fprintf(stderr, "examtool: %s\n", line.c_str());
  if (!check.Problems.empty()) return kExitBadInput;
  std::printf("%s: sound, %d questions, %d options%s\n", args[0].c_str(), check.Questions,
              check.Options, args.size() == 2 ? "; the key matches" : "");
  return kExitOk;
}
