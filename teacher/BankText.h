// The texts of a bank's questions and answers (HTML, Markdown or plain) as page Markdown of ours,
// and as the plain text of an answer button when they fit on one.
#pragma once

#include <functional>
#include <string>

#include "BankReaders.h"

struct TConvertedText {
  std::string Markdown;  // page Markdown; TeX kept between $…$ or $$…$$
  std::string Plain;     // one line of the text's characters, trimmed
  bool OneLine = true;   // no picture, formula, line break, list, table, superscript or subscript
  bool TooDeep = false;  // HTML nested beyond kMaxHtmlDepth: not laid out, nothing else set
};

// Rich text's layout takes time that grows with the square of its nesting.
inline constexpr int kMaxHtmlDepth = 100;

// pictureLink maps a picture's address as the text names it to the file the page links (empty:
// the picture is not there, and its address is said in the text instead).
TConvertedText ConvertBankText(const TBankText& text,
                               const std::function<std::string(const std::string&)>& pictureLink);

// Characters of plain text escaped so that page Markdown shows them as they are.
std::string EscapeMarkdown(const std::string& plain, bool atLineStart = true);
