// examtool info: what a test, key or answers file holds, for people or (--json) for programs.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "CompressedStrings.h"
#include "Cp1251.h"
#include "ExamTool.h"
#include "FileHelpers.h"
#include "LoadTest.h"
#include "Metafile.h"
#include "TestGrades.h"
#include "TestMaker.h"
#include "TestReader.h"
#include "TestUserAnswers.h"
#include "TextFormat.h"

namespace {

const char kHelp[] =
    "usage: examtool info FILE [--json]\n"
    "\n"
    "Recognises a test (.tst), a key (.tst-ans) or a student's answers (.tst-usr) by its\n"
    "content and prints what it holds: identity, title, topics, levels with minutes and\n"
    "weights, questions with their options and scores; for answers the name, the elapsed\n"
    "time and the marked options.\n";

std::string PageDescription(const std::string& compressed) {
  if (compressed.empty()) return "no page";
  std::string bytes;
  try {
    bytes = DecompressString(compressed, false);
  } catch (const std::exception& e) {
    return std::string("page does not decompress: ") + e.what();
  }
  TMetafile page;
  if (!page.LoadFromBytes(bytes)) return "page is not a metafile: " + page.Error();
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s page %.1f x %.1f mm",
                page.Kind() == TMetafileKind::mkEnhanced ? "EMF" : "WMF", page.MMWidth() / 100.0,
                page.MMHeight() / 100.0);
  return buf;
}

void PrintTest(const std::string& file, const TTestReader& reader, bool json) {
  const TTestImage& image = reader.Image();
  const std::string title = Cp1251ToUtf8(reader.GetTitle());
  if (json) {
    std::printf("{\"file\": %s, \"kind\": \"test\", \"ident\": \"%s\", \"title\": %s, "
                "\"time_limit_minutes\": %d, \"options\": %d, \"topics\": [",
                JsonQuote(file).c_str(), IdentText(reader.GetIdent()).c_str(), JsonQuote(title).c_str(),
                reader.TimeLimit(), reader.Layout().TotalOptions());
  } else {
    std::printf("%s: test file\nIdentity: %s\nTitle: %s\nTime limit: %d min, %d questions, %d options\n",
                file.c_str(), IdentText(reader.GetIdent()).c_str(), title.c_str(),
                reader.TimeLimit(), reader.QuestionCount(), reader.Layout().TotalOptions());
  }
  int32_t q = 0;
  for (int32_t t = 0; t < TopicCount(image); ++t) {
    const std::string topic = Cp1251ToUtf8(TopicName(image, t));
    if (json) std::printf("%s{\"name\": %s, \"levels\": [", t ? ", " : "", JsonQuote(topic).c_str());
    else std::printf("Topic %d: %s\n", t + 1, topic.c_str());
    for (int32_t l = 0; l < LevelCount(image, t); ++l) {
      const TTestLevelRec level = *LevelRec(image, t, l);
      if (json) {
        std::printf("%s{\"minutes\": %d, \"weight\": %s, \"questions\": [", l ? ", " : "",
                    level.Minutes, FormatShort(level.MaxScore).c_str());
      } else {
        std::printf("  Level %d: %d min, weight %s, %d questions\n", l + 1, level.Minutes,
                    FormatShort(level.MaxScore).c_str(), level.QuestionCount);
      }
      for (int32_t i = 0; i < level.QuestionCount; ++i, ++q) {
        TGrades grades;
        try {
          grades.LoadFromString(QuestionPieceStr(image, 0, q));
        } catch (const std::exception&) {
        }
        const std::string page = PageDescription(QuestionPieceStr(image, 1, q));
        if (json) {
          std::printf("%s{\"max\": %s, \"multi\": %s, \"page\": %s, \"options\": [", i ? ", " : "",
                      FormatShort(grades.MaxScore()).c_str(), grades.MultiSelect() ? "true" : "false",
                      JsonQuote(page).c_str());
        } else {
          std::printf("    Question %d: max %s, %s, %s\n", q + 1, FormatShort(grades.MaxScore()).c_str(),
                      grades.MultiSelect() ? "check boxes" : "radio buttons", page.c_str());
        }
        for (int32_t o = 0; o < grades.Count(); ++o) {
          const std::string caption = Cp1251ToUtf8(grades.Caption(o));
          if (json) {
            std::printf("%s{\"caption\": %s, \"marked\": %s, \"unmarked\": %s}", o ? ", " : "",
                        JsonQuote(caption).c_str(), FormatShort(grades.MarkedScore(o)).c_str(),
                        FormatShort(grades.UnmarkedScore(o)).c_str());
          } else {
            std::printf("      %s marked %s, unmarked %s\n", PadRight(caption, 30).c_str(),
                        FormatShort(grades.MarkedScore(o)).c_str(), FormatShort(grades.UnmarkedScore(o)).c_str());
          }
        }
        if (json) std::printf("]}");
      }
      if (json) std::printf("]}");
    }
    if (json) std::printf("]}");
  }
  if (json) std::printf("]}\n");
}

void PrintAnswers(const std::string& file, const TTestUserAnswers& a, bool json) {
  std::vector<int32_t> marked;
  for (int32_t i = 0; i < a.OptionCount(); ++i) {
    if (a.Marked(i)) marked.push_back(i);
  }
  const std::string name = Cp1251ToUtf8(a.UserName());
  if (json) {
    std::printf("{\"file\": %s, \"kind\": \"answers\", \"ident\": \"%s\", \"name\": %s, "
                "\"elapsed_seconds\": %d, \"options\": %d, \"marked\": [",
                JsonQuote(file).c_str(), IdentText(a.Ident()).c_str(), JsonQuote(name).c_str(),
                a.ElapsedSeconds(), a.OptionCount());
    for (size_t i = 0; i < marked.size(); ++i) std::printf("%s%d", i ? ", " : "", marked[i]);
    std::printf("]}\n");
    return;
  }
  std::printf("%s: user-answers file\nIdentity: %s\nName: %s\nElapsed: %d:%02d\nOptions: %d, marked:",
              file.c_str(), IdentText(a.Ident()).c_str(), name.empty() ? "(none)" : name.c_str(),
              a.ElapsedSeconds() / 60, a.ElapsedSeconds() % 60, a.OptionCount());
  for (int32_t m : marked) std::printf(" %d", m);
  std::printf("%s\n", marked.empty() ? " none" : "");
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
  if (WantsHelp(args)) {
    std::printf("%s", kHelp);
    return kExitOk;
  }
  bool json = false;
  std::vector<std::string> files;
  for (const auto& a : args) {
    if (a == "--json") json = true;
    else if (a.rfind("--", 0) == 0) return UsageError("info", "unknown option '" + a + "'");
    else files.push_back(a);
  }
  if (files.size() != 1) return UsageError("info", "give exactly one file");
  const std::string& file = files[0];

  TTestReader reader;
  const std::string testProblem = LoadTestFile(file, reader);
  if (testProblem.empty()) {
    PrintTest(file, reader, json);
    return kExitOk;
  }
  TTestUserAnswers answers;
  try {
    answers.LoadFromFile(file);
    // A user-answers file is exactly its record and its name section: anything else that
    // happens to read as one (a damaged test, say) is not taken for answers.
    if (answers.OptionCount() > 0 &&
        FileSizeByName(file) == int64_t(answers.RecSize()) + std::max(answers.NameSize(), 0)) {
      PrintAnswers(file, answers, json);
      return kExitOk;
    }
  } catch (const std::exception&) {
  }
  ReportBadFile(file, "neither a test nor a user-answers file (" + testProblem + ")");
  return kExitBadInput;
}
