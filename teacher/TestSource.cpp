// Parser of the readable test source.
#include "TestSource.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <optional>

#include "Cp1251.h"
#include "Formulas.h"
#include "ScriptMarkup.h"
#include "TestMaker.h"

namespace {

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

std::optional<double> ParseNumber(std::string_view s) {
  double v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int> ParseMinutes(std::string_view s) {
  int v = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < 0) return std::nullopt;
  return v;
}

// Splits "text {a=1 b}" into the text and its attributes (a flag has an empty value).
struct TAttributed {
  std::string_view Text;
  std::map<std::string, std::string, std::less<>> Attributes;
  std::string Error;
};

TAttributed SplitAttributes(std::string_view s) {
  TAttributed r;
  s = Trim(s);
  r.Text = s;
  if (s.empty() || s.back() != '}') return r;
  const size_t open = s.rfind('{');
  if (open == std::string_view::npos) return r;
  // "м/с^{2}" ends in braces too, but they are a superscript's, not attributes.
  if (open > 0 && (s[open - 1] == '^' || s[open - 1] == '_')) return r;
  r.Text = Trim(s.substr(0, open));
  std::string_view inner = s.substr(open + 1, s.size() - open - 2);
  while (!(inner = Trim(inner)).empty()) {
    const size_t end = inner.find_first_of(" \t");
    std::string_view item = inner.substr(0, end);
    inner = end == std::string_view::npos ? std::string_view() : inner.substr(end);
    const size_t eq = item.find('=');
    std::string key(item.substr(0, eq));
    std::string value =
        eq == std::string_view::npos ? std::string() : std::string(item.substr(eq + 1));
    if (key.empty()) {
      r.Error = "an attribute without a name";
      return r;
    }
    r.Attributes[key] = value;
  }
  return r;
}

class TParser {
 public:
  TParser(std::vector<TSourceError>& errors) : FErrors(errors) {}

  TSourceTest Parse(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<std::string_view> lines;
    for (size_t pos = 0; pos <= text.size();) {
      size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view raw = text.substr(pos, end - pos);
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      lines.push_back(raw);
      pos = end + 1;
    }
    int line = 0;
    bool inFrontMatter = false, sawTitle = false;
    for (std::string_view raw : lines) {
      ++line;
      const std::string_view s = Trim(raw);
      if (line == 1 && s == "---") {
        inFrontMatter = true;
      } else if (inFrontMatter && s == "---") {
        inFrontMatter = false;
      } else if (inFrontMatter && StartsWith(s, "title:")) {
        FTest.Title = std::string(Trim(s.substr(6)));
        sawTitle = !FTest.Title.empty();
        CheckPlainText(line, FTest.Title, "the title");
      } else if (inFrontMatter && StartsWith(s, "ident:")) {
        if (FTest.IdentLine != 0) Error(line, "the front matter has a second \"ident:\" line");
        FTest.Ident = std::string(Trim(s.substr(6)));
        FTest.IdentLine = line;
        if (TTestIdent ident{}; !ParseIdent(FTest.Ident, ident)) {
          Error(line, "the identity needs 72 hexadecimal digits, as 'examtool info' prints");
        }
      } else if (inFrontMatter) {
        if (!s.empty()) {
          Error(line, "unknown front matter line (only \"title:\" and \"ident:\" are known)");
        }
      } else {
        Line(line, raw);
      }
    }
    if (inFrontMatter) Error(1, "the front matter is not closed with ---");
    if (!sawTitle) Error(1, "the test has no title (front matter \"title: ...\")");
    FinishQuestion();
    if (FTest.Topics.empty()) Error(line, "the test has no topics (\"# Topic\")");
    for (const auto& topic : FTest.Topics) {
      if (topic.Levels.empty()) Error(topic.Line, "the topic has no levels (\"## Level\")");
      for (const auto& level : topic.Levels) {
        if (level.Questions.empty())
          Error(level.Line, "the level has no questions (\"### Question\")");
      }
    }
    // Errors found when a question ends (its page's mark-up) are reported in line order too.
    std::stable_sort(FErrors.begin(), FErrors.end(),
                     [](const TSourceError& a, const TSourceError& b) { return a.Line < b.Line; });
    return std::move(FTest);
  }

 private:
  void Error(int line, std::string message) { FErrors.push_back({line, std::move(message)}); }

  // Texts that go into the files as they are: cp1251, and no mark-up that only a page can draw.
  void CheckPlainText(int line, const std::string& utf8, const char* what) {
    const TEncodeResult r = Utf8ToCp1251(utf8);
    if (!r.Ok) {
      Error(line, std::string(what) + " has a character the Cyrillic code page cannot hold, at \"" +
                      utf8.substr(r.BadOffset, 8) + "\"");
    }
    if (utf8.find("^{") != std::string::npos || utf8.find("_{") != std::string::npos) {
      Error(line, std::string(what) +
                      " is plain text: superscripts and subscripts are drawn on pages only "
                      "(write м/с^2 or м/с2 here)");
    }
    if (HoldsFormula(utf8)) {
      Error(line, std::string(what) +
                      " is plain text and cannot hold a formula: put the formula on the page and "
                      "letter the options (A), B), ...), or write \\$ for a dollar sign");
    }
  }

  void Line(int line, std::string_view raw) {
    const std::string_view s = Trim(raw);
    if (StartsWith(s, "### ") || s == "###") return QuestionHeading(line, s.substr(3));
    if (StartsWith(s, "## ") || s == "##") return LevelHeading(line, s.substr(2));
    if (StartsWith(s, "# ") || s == "#") return TopicHeading(line, s.substr(1));
    if (StartsWith(s, "- [x]") || StartsWith(s, "- [X]") || StartsWith(s, "- [ ]")) {
      return OptionLine(line, s);
    }
    if (!FQuestion) {
      if (!s.empty()) Error(line, "text outside a question");
      return;
    }
    if (!FQuestion->Options.empty() && !s.empty()) {
      Error(line, "page text after the options of the question");
      return;
    }
    FQuestion->Body.append(raw);
    FQuestion->Body.push_back('\n');
  }

  void TopicHeading(int line, std::string_view rest) {
    FinishQuestion();
    TAttributed a = SplitAttributes(rest);
    if (!a.Attributes.empty()) Error(line, "a topic takes no attributes");
    TSourceTopic topic;
    topic.Line = line;
    topic.Name = std::string(a.Text);
    if (topic.Name.empty()) Error(line, "the topic has no name");
    CheckPlainText(line, topic.Name, "the topic name");
    FTest.Topics.push_back(std::move(topic));
  }

  void LevelHeading(int line, std::string_view rest) {
    FinishQuestion();
    if (FTest.Topics.empty()) return Error(line, "a level before the first topic");
    TAttributed a = SplitAttributes(rest);
    if (!a.Error.empty()) Error(line, a.Error);
    TSourceLevel level;
    level.Line = line;
    bool haveMinutes = false, haveWeight = false;
    for (const auto& [key, value] : a.Attributes) {
      if (key == "minutes") {
        auto m = ParseMinutes(value);
        if (!m) Error(line, "minutes must be a whole number of 0 or more, not \"" + value + "\"");
        level.Minutes = m.value_or(0);
        haveMinutes = true;
      } else if (key == "weight") {
        auto w = ParseNumber(value);
        if (!w || *w < 0)
          Error(line, "weight must be a number of 0 or more, not \"" + value + "\"");
        level.Weight = w.value_or(0);
        haveWeight = true;
      } else {
        Error(line, "unknown level attribute \"" + key + "\" (known: minutes, weight)");
      }
    }
    if (!haveMinutes) Error(line, "the level has no {minutes=N}");
    if (!haveWeight) Error(line, "the level has no {weight=N}");
    FTest.Topics.back().Levels.push_back(std::move(level));
  }

  void QuestionHeading(int line, std::string_view rest) {
    FinishQuestion();
    if (FTest.Topics.empty() || FTest.Topics.back().Levels.empty()) {
      Error(line, "a question before the first level");
      FOrphan.emplace();
      FQuestion = &*FOrphan;
      return;
    }
    TAttributed a = SplitAttributes(rest);
    if (!a.Error.empty()) Error(line, a.Error);
    auto& questions = FTest.Topics.back().Levels.back().Questions;
    questions.emplace_back();
    FQuestion = &questions.back();
    FQuestion->Line = line;
    for (const auto& [key, value] : a.Attributes) {
      if (key == "max") {
        auto m = ParseNumber(value);
        if (!m || *m < 0) Error(line, "max must be a number of 0 or more, not \"" + value + "\"");
        FQuestion->MaxScore = m.value_or(0);
      } else if (key == "multi") {
        if (!value.empty()) Error(line, "multi takes no value");
        FQuestion->Multi = true;
      } else if (key == "page") {
        if (value.empty()) Error(line, "page= needs a file name");
        FQuestion->PageFile = value;
      } else {
        Error(line, "unknown question attribute \"" + key + "\" (known: max, multi, page)");
      }
    }
  }

  void OptionLine(int line, std::string_view s) {
    if (!FQuestion) return Error(line, "an option outside a question");
    const bool checked = s[3] == 'x' || s[3] == 'X';
    TAttributed a = SplitAttributes(s.substr(5));
    if (!a.Error.empty()) Error(line, a.Error);
    TSourceOption option;
    option.Line = line;
    option.Caption = std::string(a.Text);
    option.Marked = checked ? 1.0 : 0.0;
    for (const auto& [key, value] : a.Attributes) {
      auto v = ParseNumber(value);
      if (key != "marked" && key != "unmarked") {
        Error(line, "unknown option attribute \"" + key + "\" (known: marked, unmarked)");
      } else if (!v) {
        Error(line, key + " must be a number, not \"" + value + "\"");
      } else {
        (key == "marked" ? option.Marked : option.Unmarked) = *v;
      }
    }
    if (option.Caption.empty()) Error(line, "the option has no caption");
    CheckPlainText(line, option.Caption, "the option caption");
    FQuestion->Options.push_back(std::move(option));
  }

  void FinishQuestion() {
    if (FQuestion && !FOrphan) {
      if (FQuestion->Options.empty())
        Error(FQuestion->Line, "the question has no options (\"- [x] ...\")");
      if (!FQuestion->PageFile.empty() && !Trim(FQuestion->Body).empty()) {
        Error(FQuestion->Line, "the question has both page= and page text");
      }
      if (!FQuestion->Options.empty() && FQuestion->ScoringOptions() == 0) {
        Error(FQuestion->Line, "no option of the question scores: mark the right ones with [x]");
      }
      if (FQuestion->PageFile.empty() && Trim(FQuestion->Body).empty()) {
        Error(FQuestion->Line, "the question has no page: write its text, or give page=FILE");
      }
      if (FQuestion->PageFile.empty()) {
        // The page's first line follows its heading.
        std::vector<TSourceError> markup;
        std::vector<TFormula> formulas;
        MarkScripts(MarkFormulasKeepingLines(FQuestion->Body, formulas, markup), markup);
        for (TSourceError& e : markup) Error(FQuestion->Line + e.Line, std::move(e.Message));
      }
    }
    FQuestion = nullptr;
    FOrphan.reset();
  }

  std::vector<TSourceError>& FErrors;
  TSourceTest FTest;
  TSourceQuestion* FQuestion = nullptr;
  std::optional<TSourceQuestion>
      FOrphan;  // a question in the wrong place, parsed to find more errors
};

}  // namespace

int TSourceQuestion::ScoringOptions() const {
  int n = 0;
  for (const auto& o : Options) n += (o.Marked > 0 || o.Unmarked > 0) ? 1 : 0;
  return n;
}

TSourceTest ParseTestSource(std::string_view text, std::vector<TSourceError>& errors) {
  return TParser(errors).Parse(text);
}
