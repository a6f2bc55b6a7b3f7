// Checking a test and its key: offsets, pages, grade records, and the key's fit to the test.
#include "TestCheck.h"

#include "KeyMatch.h"
#include "LoadTest.h"
#include "Metafile.h"
#include "MetafileText.h"
#include "TestGrades.h"
#include "TestReader.h"

namespace {

void Add(TTestCheck& check, const std::string& file, const std::string& what) {
  check.Problems.push_back(file + ": " + what);
}

std::string Question(int32_t q) {
  return "question " + std::to_string(q + 1);
}

// withNotes: the key's pages are the test's, so only the first file's pages are looked at.
void CheckQuestions(const std::string& file, const TTestReader& reader, bool withNotes,
                    TTestCheck& problems) {
  const TTestImage& image = reader.Image();
  for (int32_t q = 0; q < QuestionCount(image); ++q) {
    TGrades grades;
    try {
      grades.LoadFromString(QuestionPieceStr(image, 0, q));
      if (grades.Count() == 0) Add(problems, file, Question(q) + ": no answer options");
    } catch (const std::exception& e) {
      Add(problems, file, Question(q) + ": grade record: " + e.what());
    }
    TMetafile page;
    if (std::string problem = LoadQuestionPage(image, q, page); !problem.empty()) {
      Add(problems, file, Question(q) + ": " + problem);
    } else if (const int undrawn = withNotes ? UndrawableTexts(page) : 0; undrawn > 0) {
      problems.Notes.push_back(file + ": " + Question(q) + ": " + UndrawnTextNote(undrawn));
    }
  }
}

void CheckKey(const std::string& file, const TTestReader& test, const TTestReader& key,
              TTestCheck& problems) {
  for (const auto& mismatch : KeyMismatches(test, key)) Add(problems, file, mismatch);
  const TTestAnswersLayout& lb = key.Layout();
  for (int32_t q = 0; q < lb.QuestionCount(); ++q) {
    bool scores = false;
    for (int32_t i = 0; i < lb.OptionCount(q); ++i) {
      const int32_t o = lb.OptionIndex(q, i);
      scores = scores || lb.OptionScore(o, true) > 0 || lb.OptionScore(o, false) > 0;
    }
    if (!scores) Add(problems, file, Question(q) + ": no option of the key scores");
  }
}

}  // namespace

TTestCheck CheckTestFiles(const std::string& testFile, const std::string& keyFile) {
  TTestCheck check;
  TTestReader test, key;
  const std::string files[2] = {testFile, keyFile};
  bool loaded[2] = {false, false};
  for (int i = 0; i < 2; ++i) {
    if (files[i].empty()) continue;
    TTestReader& reader = i == 0 ? test : key;
    if (std::string problem = LoadTestFile(files[i], reader); !problem.empty()) {
      Add(check, files[i], problem);
      continue;
    }
    loaded[i] = true;
    CheckQuestions(files[i], reader, i == 0, check);
  }
  if (loaded[0] && loaded[1]) CheckKey(keyFile, test, key, check);
  if (loaded[0]) {
    check.Questions = test.QuestionCount();
    check.Options = test.Layout().TotalOptions();
  }
  return check;
}

std::string UndrawnTextNote(int count) {
  return std::to_string(count) + (count == 1 ? " text record" : " text records") +
         " cannot be drawn: glyph indices of a font this machine does not have";
}
