// Reader of GIFT question banks: questions separated by blank lines, answers in braces.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

#include "BankReaders.h"

namespace {

// Where the unescaped text `what` first stands at or after pos (npos when nowhere).
size_t FindUnescaped(std::string_view s, std::string_view what, size_t pos = 0) {
  for (size_t i = pos; i < s.size(); ++i) {
    if (s[i] == '\\') {
      ++i;
      continue;
    }
    if (s.substr(i, what.size()) == what) return i;
  }
  return std::string_view::npos;
}

// GIFT's escapes decoded: \~ \= \# \{ \} \: and \\ stand for the character, \n for a line break;
// any other backslash is the text's own (TeX's, for one).
std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char c = s[i + 1];
      if (std::string_view("~=#{}:\\").find(c) != std::string_view::npos) {
        out += c;
        ++i;
        continue;
      }
      if (c == 'n') {
        out += '\n';
        ++i;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

struct TChunk {
  std::string Text;
  int Line = 0;
};

class TGiftReader {
 public:
  TBankContents Read(std::string_view bank) {
    if (bank.substr(0, 3) == "\xEF\xBB\xBF") bank.remove_prefix(3);
    TChunk chunk;
    int line = 0;
    for (size_t pos = 0; pos <= bank.size() && !Failed();) {
      size_t end = bank.find('\n', pos);
      if (end == std::string_view::npos) end = bank.size();
      std::string_view raw = bank.substr(pos, end - pos);
      pos = end + 1;
      ++line;
      if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
      const std::string trimmed = TrimBlanks(raw);
      if (trimmed.rfind("//", 0) == 0) continue;
      if (trimmed.empty()) {
        Chunk(chunk);
        chunk = {};
        continue;
      }
      if (chunk.Text.empty()) chunk.Line = line;
      chunk.Text += std::string(raw) + "\n";
    }
    Chunk(chunk);
    if (Failed()) FContents.Questions.clear();
    return std::move(FContents);
  }

 private:
  void Chunk(const TChunk& chunk) {
    if (Failed() || TrimBlanks(chunk.Text).empty()) return;
    std::string_view text = chunk.Text;
    const std::string head = TrimBlanks(text.substr(0, text.find('\n')));
    if (head.rfind("$CATEGORY:", 0) == 0) {
      FCategory = SplitCategoryPath(TrimBlanks(std::string_view(head).substr(10)));
      FInCategory = true;
      const size_t next = text.find('\n');
      if (next != std::string_view::npos && !TrimBlanks(text.substr(next + 1)).empty()) {
        Question(text.substr(next + 1), chunk.Line + 1);
      }
      return;
    }
    Question(text, chunk.Line);
  }

  void Question(std::string_view s, int line) {
    auto lineAt = [&](size_t at) {
      return line + static_cast<int>(std::count(
                        s.begin(), s.begin() + static_cast<long>(std::min(at, s.size())), '\n'));
    };
    TBankQuestion q;
    q.Line = line;
    q.Category = FCategory;
    q.InCategory = FInCategory;
    q.Type = "multichoice";
    size_t pos = 0;
    while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos]))) ++pos;
    if (s.substr(pos, 2) == "::") {
      const size_t end = FindUnescaped(s, "::", pos + 2);
      if (end == std::string_view::npos)
        return Fail("the title is not closed with ::", lineAt(pos));
      q.Name = TrimBlanks(Unescape(s.substr(pos + 2, end - pos - 2)));
      pos = end + 2;
    }
    const size_t open = FindUnescaped(s, "{", pos);
    std::string before(
        s.substr(pos, open == std::string_view::npos ? std::string_view::npos : open - pos));
    TBankTextFormat format = TakeFormat(before);
    if (open == std::string_view::npos) {
      return Skip(q, before, "description", "not multiple choice");
    }
    const size_t close = FindUnescaped(s, "}", open + 1);
    if (close == std::string_view::npos)
      return Fail("the answer block is not closed with }", lineAt(open));
    const std::string after = TrimBlanks(s.substr(close + 1));
    std::string text = TrimBlanks(before);
    if (!after.empty()) text += " _____ " + after;
    q.Text = {Unescape(text), format};
    size_t blockStart = open + 1;
    while (blockStart < close && std::isspace(static_cast<unsigned char>(s[blockStart])))
      ++blockStart;
    std::string block = TrimBlanks(s.substr(blockStart, close - blockStart));
    const int blockLine = lineAt(blockStart);

    if (block.empty()) return Skip(q, text, "essay", "not multiple choice");
    if (block[0] == '#') return Skip(q, text, "numerical", "not multiple choice");
    if (const size_t general = FindUnescaped(block, "####"); general != std::string::npos) {
      FContents.Dropped.insert("feedback");
      block = TrimBlanks(std::string_view(block).substr(0, general));
    }
    {
      const size_t hash = FindUnescaped(block, "#");
      std::string head = TrimBlanks(std::string_view(block).substr(0, hash));
      for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (head == "T" || head == "TRUE" || head == "F" || head == "FALSE") {
        if (hash != std::string::npos) FContents.Dropped.insert("feedback");
        const bool isTrue = head[0] == 'T';
        q.Type = "truefalse";
        q.Numbering = TBankNumbering::Letters;
        q.Answers = {{{"Верно", TBankTextFormat::Plain}, isTrue ? 100.0 : 0.0},
                     {{"Неверно", TBankTextFormat::Plain}, isTrue ? 0.0 : 100.0}};
        FContents.Questions.push_back(std::move(q));
        return;
      }
    }
    if (FindUnescaped(block, "->") != std::string::npos)
      return Skip(q, text, "matching", "not multiple choice");
    if (block[0] != '=' && block[0] != '~') {
      return Fail("an answer in braces starts with = or ~", blockLine);
    }
    bool anyWrong = false, anyRight = false;
    size_t at = 0;
    while (at < block.size()) {
      const char marker = block[at];
      const size_t next =
          std::min(FindUnescaped(block, "=", at + 1), FindUnescaped(block, "~", at + 1));
      std::string answer = TrimBlanks(std::string_view(block).substr(
          at + 1, next == std::string::npos ? std::string::npos : next - at - 1));
      (marker == '=' ? anyRight : anyWrong) = true;
      double fraction = marker == '=' ? 100.0 : 0.0;
      if (answer.size() >= 2 && answer[0] == '%') {
        const size_t end = answer.find('%', 1);
        double v = 0;
        const char* first = answer.data() + 1;
        const char* last = answer.data() + (end == std::string::npos ? 1 : end);
        auto [p, ec] = std::from_chars(first, last, v);
        if (end == std::string::npos || ec != std::errc() || p != last || !std::isfinite(v)) {
          return Fail("the weight in \"" + answer.substr(0, 12) + "\" is not %number%",
                      blockLine + static_cast<int>(std::count(
                                      block.begin(), block.begin() + static_cast<long>(at), '\n')));
        }
        fraction = v;
        answer = TrimBlanks(std::string_view(answer).substr(end + 1));
      }
      if (const size_t hash = FindUnescaped(answer, "#"); hash != std::string::npos) {
        FContents.Dropped.insert("feedback");
        answer = TrimBlanks(std::string_view(answer).substr(0, hash));
      }
      q.Answers.push_back({{Unescape(answer), format}, fraction});
      at = next == std::string::npos ? block.size() : next;
    }
    if (!anyWrong) return Skip(q, text, "shortanswer", "not multiple choice");
    q.Single = anyRight;
    FContents.Questions.push_back(std::move(q));
  }

  // "[html]" and the like at the start of a text: its format (moodle, HTML keeping line breaks,
  // without one).
  static TBankTextFormat TakeFormat(std::string& text) {
    const std::string t = TrimBlanks(text);
    static const std::pair<const char*, TBankTextFormat> kFormats[] = {
        {"[html]", TBankTextFormat::Html},
        {"[moodle]", TBankTextFormat::MoodleAuto},
        {"[plain]", TBankTextFormat::Plain},
        {"[markdown]", TBankTextFormat::Markdown}};
    for (const auto& [prefix, format] : kFormats) {
      if (t.rfind(prefix, 0) == 0) {
        text = t.substr(std::string_view(prefix).size());
        return format;
      }
    }
    return TBankTextFormat::MoodleAuto;
  }

  void Skip(const TBankQuestion& q, const std::string& text, const char* type, const char* reason) {
    std::string name = q.Name;
    if (name.empty()) name = TrimBlanks(Unescape(text));
    FContents.Skipped.push_back(SkippedLine(name, type, reason));
  }

  bool Failed() const { return !FContents.Error.empty(); }
  void Fail(std::string message, int line) {
    if (Failed()) return;
    FContents.Error = std::move(message);
    FContents.ErrorLine = line;
  }

  TBankContents FContents;
  std::vector<std::string> FCategory;
  bool FInCategory = false;
};

}  // namespace

TBankContents ReadGift(std::string_view bank) {
  return TGiftReader().Read(bank);
}
