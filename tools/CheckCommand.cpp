// examtool check: validates a test, and a key against it; lists every problem found.
#include <cstdio>
#include <string>
#include <vector>

#include "ExamTool.h"
#include "KeyMatch.h"
#include "LoadTest.h"
#include "Metafile.h"
#include "MetafileText.h"
#include "TestGrades.h"
#include "TestReader.h"

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

struct TProblems {
  std::vector<std::string> Lines;
  std::vector<std::string> Notes;  // what the teacher should know, though the file is sound
  void Add(const std::string& file, const std::string& what) { Lines.push_back(file + ": " + what); }
};

std::string Question(int32_t q) { return "question " + std::to_string(q + 1); }

// withNotes: the key's pages are the test's, so only the first file's pages are looked at.
void CheckQuestions(const std::string& file, const TTestReader& reader, bool withNotes,
                    TProblems& problems) {
  const TTestImage& image = reader.Image();
  for (int32_t q = 0; q < QuestionCount(image); ++q) {
    TGrades grades;
    try {
      grades.LoadFromString(QuestionPieceStr(image, 0, q));
      if (grades.Count() == 0) problems.Add(file, Question(q) + ": no answer options");
    } catch (const std::exception& e) {
      problems.Add(file, Question(q) + ": grade record: " + e.what());
    }
    TMetafile page;
    if (std::string problem = LoadQuestionPage(image, q, page); !problem.empty()) {
      problems.Add(file, Question(q) + ": " + problem);
    } else if (const int undrawn = withNotes ? UndrawableTexts(page) : 0; undrawn > 0) {
      problems.Notes.push_back(file + ": " + Question(q) + ": " + UndrawnTextNote(undrawn));
    }
  }
}

void CheckKey(const std::string& file, const TTestReader& test, const TTestReader& key,
              TProblems& problems) {
  for (const auto& mismatch : KeyMismatches(test, key)) problems.Add(file, mismatch);
  const TTestAnswersLayout& lb = key.Layout();
  for (int32_t q = 0; q < lb.QuestionCount(); ++q) {
    bool scores = false;
    for (int32_t i = 0; i < lb.OptionCount(q); ++i) {
      const int32_t o = lb.OptionIndex(q, i);
      scores = scores || lb.OptionScore(o, true) > 0 || lb.OptionScore(o, false) > 0;
    }
    if (!scores) problems.Add(file, Question(q) + ": no option of the key scores");
  }
}

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

  TProblems problems;
  TTestReader test, key;
  bool loaded[2] = {false, false};
  for (size_t i = 0; i < args.size(); ++i) {
    TTestReader& reader = i == 0 ? test : key;
    if (std::string problem = LoadTestFile(args[i], reader); !problem.empty()) {
      problems.Add(args[i], problem);
      continue;
    }
    loaded[i] = true;
    CheckQuestions(args[i], reader, i == 0, problems);
  }
  if (loaded[0] && loaded[1]) CheckKey(args[1], test, key, problems);

  for (const auto& note : problems.Notes) std::printf("%s\n", note.c_str());
  for (const auto& line : problems.Lines) std::fprintf(stderr, "examtool: %s\n", line.c_str());
  if (!problems.Lines.empty()) return kExitBadInput;
  std::printf("%s: sound, %d questions, %d options%s\n", args[0].c_str(), test.QuestionCount(),
              test.Layout().TotalOptions(), args.size() == 2 ? "; the key matches" : "");
  return kExitOk;
}
