// Reader of Aiken question banks: a question, its lettered options, and "ANSWER: X".
#include <algorithm>
#include <cctype>

#include "BankReaders.h"

namespace {

// "A) text" or "A. text": the letter, or 0.
char OptionLetter(const std::string& line) {
  if (line.size() < 2 || line[0] < 'A' || line[0] > 'Z' || (line[1] != ')' && line[1] != '.'))
    return 0;
  if (line.size() > 2 && !std::isspace(static_cast<unsigned char>(line[2]))) return 0;
  return line[0];
}

}  // namespace

TBankContents ReadAiken(std::string_view bank) {
  TBankContents contents;
  if (bank.substr(0, 3) == "\xEF\xBB\xBF") bank.remove_prefix(3);
  TBankQuestion q;
  std::string text;
  auto fail = [&](std::string message, int line) {
    contents.Error = std::move(message);
    contents.ErrorLine = line;
    contents.Questions.clear();
    return std::move(contents);
  };
  int line = 0;
  for (size_t pos = 0; pos <= bank.size();) {
    size_t end = bank.find('\n', pos);
    if (end == std::string_view::npos) end = bank.size();
    const std::string s = TrimBlanks(bank.substr(pos, end - pos));
    pos = end + 1;
    ++line;
    if (s.empty()) continue;
    if (text.empty()) {
      q = {};
      q.Line = line;
      q.Type = "multichoice";
      q.Numbering = TBankNumbering::Own;
    }
    if (s.rfind("ANSWER:", 0) == 0) {
      if (text.empty()) return fail("ANSWER: without a question", line);
      if (q.Answers.empty()) return fail("ANSWER: before any option (\"A) ...\")", line);
      std::string answer = TrimBlanks(std::string_view(s).substr(7));
      if (answer.size() == 1)
        answer[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(answer[0])));
      const auto it = std::find(q.OwnLetters.begin(), q.OwnLetters.end(), answer);
      if (it == q.OwnLetters.end()) {
        return fail("ANSWER: " + answer + " names no option of the question", line);
      }
      q.Answers[size_t(it - q.OwnLetters.begin())].Fraction = 100.0;
      q.Text = {text, TBankTextFormat::Plain};
      contents.Questions.push_back(std::move(q));
      text.clear();
      continue;
    }
    if (const char letter = OptionLetter(s); letter && !text.empty()) {
      const std::string own(1, letter);
      if (std::find(q.OwnLetters.begin(), q.OwnLetters.end(), own) != q.OwnLetters.end()) {
        return fail("the option " + own + " is given twice", line);
      }
      q.OwnLetters.push_back(own);
      q.Answers.push_back(
          {{TrimBlanks(std::string_view(s).substr(2)), TBankTextFormat::Plain}, 0.0});
      continue;
    }
    if (!q.Answers.empty()) return fail("an option (\"A) ...\") or \"ANSWER: X\" expected", line);
    if (!text.empty()) text += '\n';
    text += s;
  }
  if (!text.empty()) return fail("the question has no \"ANSWER: X\" line", q.Line);
  return contents;
}
