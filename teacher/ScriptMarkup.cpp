// Superscript and subscript mark-up of page Markdown turned into marks for the page maker.
#include "ScriptMarkup.h"

namespace {

// The UTF-8 form of a mark (all three lie in U+E000..U+E0FF: EE 80 xx).
std::string Utf8Mark(char16_t mark) {
  return {'\xEE', '\x80', static_cast<char>(0x80 | (mark & 0x3F))};
}

class TLineMarker {
 public:
  TLineMarker(std::string& out, std::vector<TSourceError>& errors, int line)
      : FOut(out), FErrors(errors), FLine(line) {}

  void Mark(std::string_view s) {
    for (size_t i = 0; i < s.size();) i = Step(s, i);
    if (FOpen)
      Error(std::string("the ") + Name() + " \"" + Opening() + "\" is not closed with \"}\"");
  }

 private:
  // Copies or turns the piece of s at i; returns where the next piece starts.
  size_t Step(std::string_view s, size_t i) {
    const char c = s[i];
    if (const size_t kept = MarkdownVerbatimLength(s, i); kept > 0) return Copy(s, i, kept);
    if ((c == '^' || c == '_') && i + 1 < s.size() && s[i + 1] == '{') {
      if (FOpen) {
        Error(std::string("a superscript or subscript starts inside the ") + Name() + " \"" +
              Opening() + "...\": close that one with \"}\" first (they do not nest)");
        return Copy(s, i, 2);
      }
      FOpen = true;
      FSuper = c == '^';
      FEmpty = true;
      FOut += Utf8Mark(c == '^' ? kSuperscriptMark : kSubscriptMark);
      return i + 2;
    }
    if (c == '}' && FOpen) {
      if (FEmpty) Error(std::string("the ") + Name() + " \"" + Opening() + "}\" is empty");
      FOpen = false;
      FOut += Utf8Mark(kScriptEndMark);
      return i + 1;
    }
    if (c == '\xEE' && i + 2 < s.size() && s[i + 1] == '\x80' &&
        (static_cast<unsigned char>(s[i + 2]) & 0xFC) == 0x80) {
      Error("the page text holds a private-use character (U+E000..U+E002) the page maker reserves");
      return i + 3;
    }
    return Copy(s, i, 1);
  }

  size_t Copy(std::string_view s, size_t i, size_t n) {
    FOut.append(s.substr(i, n));
    if (FOpen && s.substr(i, n).find_first_not_of(" \t\r\n") != std::string_view::npos)
      FEmpty = false;
    return i + n;
  }

  const char* Name() const { return FSuper ? "superscript" : "subscript"; }
  const char* Opening() const { return FSuper ? "^{" : "_{"; }
  void Error(std::string message) { FErrors.push_back({FLine, std::move(message)}); }

  std::string& FOut;
  std::vector<TSourceError>& FErrors;
  int FLine;
  bool FOpen = false, FSuper = false, FEmpty = true;
};

}  // namespace

size_t MarkdownVerbatimLength(std::string_view s, size_t i) {
  const char c = s[i];
  if (c == '\\' && i + 1 < s.size()) return 2;
  if (c == '`') {
    size_t run = i;
    while (run < s.size() && s[run] == '`') ++run;
    const std::string_view ticks = s.substr(i, run - i);
    const size_t close = s.find(ticks, run);
    return close == std::string_view::npos ? ticks.size() : close + ticks.size() - i;
  }
  if (c == ']' && i + 1 < s.size() && s[i + 1] == '(') {
    const size_t close = s.find(')', i + 2);
    return close == std::string_view::npos ? 2 : close + 1 - i;
  }
  return 0;
}

std::string_view MarkdownFenceOf(std::string_view line) {
  size_t indent = 0;
  while (indent < line.size() && indent < 4 && line[indent] == ' ') ++indent;
  if (indent > 3 || indent >= line.size()) return {};
  const char c = line[indent];
  if (c != '`' && c != '~') return {};
  size_t end = indent;
  while (end < line.size() && line[end] == c) ++end;
  return end - indent >= 3 ? line.substr(indent, end - indent) : std::string_view();
}

void ForEachMarkdownLine(
    std::string_view markdown,
    const std::function<void(std::string_view line, int number, bool code)>& visit) {
  std::string fence;  // the fence of the code block the line is in, empty outside one
  int line = 0;
  for (size_t pos = 0; pos < markdown.size();) {
    size_t end = markdown.find('\n', pos);
    end = end == std::string_view::npos ? markdown.size() : end + 1;
    const std::string_view s = markdown.substr(pos, end - pos);
    pos = end;
    ++line;
    const std::string_view lineFence = MarkdownFenceOf(s);
    if (!fence.empty()) {
      // A closing fence is made of the opening's character, at least as many of them.
      if (!lineFence.empty() && lineFence[0] == fence[0] && lineFence.size() >= fence.size())
        fence.clear();
      visit(s, line, true);
      continue;
    }
    if (!lineFence.empty()) fence = std::string(lineFence);
    visit(s, line, !lineFence.empty());
  }
}

std::string MarkScripts(std::string_view markdown, std::vector<TSourceError>& errors) {
  std::string out;
  out.reserve(markdown.size());
  ForEachMarkdownLine(markdown, [&](std::string_view s, int line, bool code) {
    if (code) {
      out.append(s);
    } else {
      TLineMarker(out, errors, line).Mark(s);
    }
  });
  return out;
}
