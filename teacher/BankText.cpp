// A bank's HTML, Markdown or plain text laid into a QTextDocument and written out as page Markdown.
#include "BankText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <cctype>
#include <set>

namespace {

// Pictures are the bank's own files, resolved by the caller: nothing is ever loaded.
class TBankDocument : public QTextDocument {
 protected:
  QVariant loadResource(int, const QUrl&) override { return {}; }
};

constexpr int kMaxFrameDepth = 16;
constexpr int kMaxListIndent = 6;

bool IsBlank(QChar c) {
  return c.isSpace() || c == QChar::LineSeparator;
}

// The characters a page cannot take as they are: controls, and the marks the page maker reserves.
QString CleanText(const QString& s) {
  QString out;
  out.reserve(s.size());
  for (QChar c : s) {
    if (c == QChar::LineSeparator || c == '\n') {
      out += QChar::LineSeparator;
    } else if (c == '\t') {
      out += ' ';
    } else if (c.category() == QChar::Other_Control ||
               (c.unicode() >= 0xE000 && c.unicode() <= 0xE0FF)) {
      continue;
    } else if (c == QChar::Nbsp) {
      out += QChar::Nbsp;
    } else {
      out += c;
    }
  }
  return out;
}

struct TRun {
  QString Text;
  bool Bold = false, Italic = false;
  int Script = 0;   // 1 superscript, 2 subscript
  QString Picture;  // a picture's address, when the run is one
  bool SameLook(const TRun& o) const {
    return Picture.isEmpty() && o.Picture.isEmpty() && Bold == o.Bold && Italic == o.Italic &&
           Script == o.Script;
  }
};

class TMarkdownWriter {
 public:
  TMarkdownWriter(bool formulas, const std::function<std::string(const std::string&)>& pictureLink)
      : FFormulas(formulas), FPictureLink(pictureLink) {}

  void Frame(QTextFrame* frame, int depth) {
    if (depth > kMaxFrameDepth) return;
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
      if (QTextFrame* child = it.currentFrame()) {
        if (auto* table = qobject_cast<QTextTable*>(child)) {
          Table(table, depth);
        } else {
          Frame(child, depth + 1);
        }
      } else {
        Block(it.currentBlock());
      }
    }
  }

  std::string Markdown() const {
    std::string out = FOut;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
  }
  bool OneLine() const { return FOneLine && FBlocks <= 1; }

 private:
  void Block(const QTextBlock& block) {
    std::vector<TRun> runs = Runs(block, block.blockFormat().headingLevel() > 0);
    if (runs.empty()) {
      FInList = false;
      return;
    }
    std::string prefix;
    const bool inList = block.textList() != nullptr;
    if (inList) {
      QTextList* list = block.textList();
      const int indent = std::clamp(list->format().indent(), 1, kMaxListIndent);
      prefix.assign(size_t(4 * (indent - 1)), ' ');
      const bool ordered = list->format().style() <= QTextListFormat::ListDecimal;
      prefix += ordered ? std::to_string(list->itemNumber(block) + 1) + ". " : "- ";
      FOneLine = false;
    }
    // Items of one list, and of lists nested in it, stand on consecutive lines.
    QTextList* top =
        inList && block.textList()->format().indent() <= 1 ? block.textList() : nullptr;
    const bool sameList = inList && FInList && (!top || top == FTopList);
    if (!FOut.empty()) FOut += sameList ? "\n" : "\n\n";
    if (top) FTopList = top;
    FInList = inList;
    ++FBlocks;
    FOut += prefix;
    FOut += Inline(runs, false);
  }

  void Table(QTextTable* table, int depth) {
    FOneLine = false;
    ++FBlocks;
    FInList = false;
    if (table->rows() == 0 || table->columns() == 0) return;
    std::string text;
    for (int r = 0; r < table->rows(); ++r) {
      text += "|";
      for (int c = 0; c < table->columns(); ++c) {
        const QTextTableCell cell = table->cellAt(r, c);
        std::string content;
        if (cell.row() == r && cell.column() == c) content = Cell(cell.begin(), depth);
        text += " " + content + " |";
      }
      text += "\n";
      if (r == 0) {
        text += "|";
        for (int c = 0; c < table->columns(); ++c) text += "---|";
        text += "\n";
      }
    }
    if (!FOut.empty()) FOut += "\n\n";
    FOut += text;
  }

  // A table cell on one line: its blocks and those of frames inside it, side by side.
  std::string Cell(QTextFrame::iterator it, int depth) {
    std::string out;
    for (; !it.atEnd(); ++it) {
      std::string piece;
      if (QTextFrame* child = it.currentFrame()) {
        if (depth < kMaxFrameDepth) piece = Cell(child->begin(), depth + 1);
      } else {
        piece = Inline(Runs(it.currentBlock(), false), true);
      }
      if (piece.empty()) continue;
      if (!out.empty()) out += ' ';
      out += piece;
    }
    return out;
  }

  std::vector<TRun> Runs(const QTextBlock& block, bool heading) {
    std::vector<TRun> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      const QTextCharFormat format = fragment.charFormat();
      TRun run;
      if (format.isImageFormat()) {
        run.Picture = format.toImageFormat().name();
        if (run.Picture.isEmpty()) continue;
      } else {
        run.Text = CleanText(fragment.text());
        if (run.Text.isEmpty()) continue;
        run.Bold = heading || format.fontWeight() >= QFont::Bold;
        run.Italic = format.fontItalic() || format.fontUnderline();
        const auto align = format.verticalAlignment();
        run.Script = align == QTextCharFormat::AlignSuperScript ? 1
                     : align == QTextCharFormat::AlignSubScript ? 2
                                                                : 0;
      }
      if (!runs.empty() && runs.back().SameLook(run)) {
        runs.back().Text += run.Text;
      } else {
        runs.push_back(std::move(run));
      }
    }
    // A block's own leading and trailing blanks are the HTML's layout, not its text.
    while (!runs.empty() && runs.front().Picture.isEmpty()) {
      QString& t = runs.front().Text;
      qsizetype n = 0;
      while (n < t.size() && IsBlank(t[n])) ++n;
      t.remove(0, n);
      if (!t.isEmpty()) break;
      runs.erase(runs.begin());
    }
    while (!runs.empty() && runs.back().Picture.isEmpty()) {
      QString& t = runs.back().Text;
      while (!t.isEmpty() && IsBlank(t.back())) t.chop(1);
      if (!t.isEmpty()) break;
      runs.pop_back();
    }
    return runs;
  }

  std::string Inline(const std::vector<TRun>& runs, bool inCell) {
    std::string out;
    bool lineStart = !inCell;
    for (const TRun& run : runs) {
      if (!run.Picture.isEmpty()) {
        FOneLine = false;
        const std::string address = run.Picture.toStdString();
        const std::string link = FPictureLink(address);
        out += link.empty() ? EscapeMarkdown("[picture " + address + "]", lineStart)
                            : "![](" + link + ")";
        lineStart = false;
        continue;
      }
      if (run.Script) FOneLine = false;
      // Line breaks split a run; scripts and cells keep to one line.
      const QStringList lines = run.Text.split(QChar::LineSeparator);
      for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
          FOneLine = false;
          if (inCell || run.Script) {
            out += ' ';
          } else {
            while (!out.empty() && out.back() == ' ') out.pop_back();
            out += "\\\n";
            lineStart = true;
          }
        }
        out += Styled(lines[i], run, lineStart);
      }
    }
    return out;
  }

  // The text with its emphasis or script mark-up around it; blanks stay outside the marks, where
  // Markdown wants them.
  std::string Styled(const QString& text, const TRun& run, bool& lineStart) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].isSpace()) ++begin;
    while (end > begin && text[end - 1].isSpace()) --end;
    if (begin == end) {
      if (!text.isEmpty() && !lineStart) return " ";
      return {};
    }
    const bool plainStart = lineStart && run.Script == 0 && !run.Bold && !run.Italic;
    const std::string core = Text(text.mid(begin, end - begin), plainStart);
    std::string out;
    if (begin > 0 && !lineStart) out += ' ';
    lineStart = false;
    const char* open = run.Script == 1          ? "^{"
                       : run.Script == 2        ? "_{"
                       : run.Bold && run.Italic ? "***"
                       : run.Bold               ? "**"
                       : run.Italic             ? "*"
                                                : "";
    const char* close = run.Script ? "}" : open;
    out.append(open).append(core).append(close);
    if (end < text.size()) out += ' ';
    return out;
  }

  // Plain text escaped, with TeX formulas kept: \(…\) becomes $…$, \[…\] and $$…$$ become $$…$$.
  std::string Text(const QString& text, bool atLineStart) {
    if (!FFormulas) return EscapeMarkdown(text.toStdString(), atLineStart);
    std::string out;
    qsizetype at = 0;
    struct TDelimiters {
      const char* Open;
      const char* Close;
      const char* Mark;
    };
    static constexpr TDelimiters kDelimiters[] = {
        {"$$", "$$", "$$"}, {"\\(", "\\)", "$"}, {"\\[", "\\]", "$$"}};
    while (at < text.size()) {
      qsizetype open = -1, close = -1;
      const TDelimiters* found = nullptr;
      for (const auto& d : kDelimiters) {
        const qsizetype o = text.indexOf(QLatin1String(d.Open), at);
        if (o < 0 || (open >= 0 && o >= open)) continue;
        const qsizetype c = text.indexOf(QLatin1String(d.Close), o + 2);
        if (c < 0) continue;
        open = o;
        close = c;
        found = &d;
      }
      if (!found) break;
      out +=
          EscapeMarkdown(text.mid(at, open - at).toStdString(), atLineStart && at == 0 && open > 0);
      const QString tex = text.mid(open + 2, close - open - 2).trimmed();
      if (!tex.isEmpty()) {
        out += found->Mark + tex.toStdString() + found->Mark;
        FOneLine = false;
      }
      at = close + 2;
    }
    out += EscapeMarkdown(text.mid(at).toStdString(), atLineStart && at == 0);
    return out;
  }

  bool FFormulas;
  const std::function<std::string(const std::string&)>& FPictureLink;
  std::string FOut;
  bool FOneLine = true;
  bool FInList = false;
  QTextList* FTopList = nullptr;
  int FBlocks = 0;
};

// How deep the HTML's elements nest, counted from its tags (elements that are never closed, such
// as <br> and <img>, left out; a tag that is not closed counts as open).
int HtmlDepth(const std::string& html) {
  static const std::set<std::string> kVoid = {"area",  "base",   "br",    "col",  "embed",
                                              "hr",    "img",    "input", "link", "meta",
                                              "param", "source", "track", "wbr"};
  int depth = 0, deepest = 0;
  for (size_t at = html.find('<'); at != std::string::npos; at = html.find('<', at + 1)) {
    if (html.compare(at, 4, "<!--") == 0) {
      at = html.find("-->", at);
      if (at == std::string::npos) break;
      continue;
    }
    if (at + 1 < html.size() && html[at + 1] == '/') {
      depth = std::max(depth - 1, 0);
      continue;
    }
    size_t end = at + 1;
    while (end < html.size() && std::isalnum(static_cast<unsigned char>(html[end]))) ++end;
    if (end == at + 1) continue;
    std::string name = html.substr(at + 1, end - at - 1);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t close = html.find('>', end);
    if (kVoid.count(name) || (close != std::string::npos && html[close - 1] == '/')) continue;
    deepest = std::max(deepest, ++depth);
  }
  return deepest;
}

QString WithLineBreaks(const QString& html) {
  QString out = html;
  out.replace("\r\n", "\n");
  out.replace('\n', "<br>");
  return out;
}

}  // namespace

std::string EscapeMarkdown(const std::string& s, bool atLineStart) {
  std::string out;
  out.reserve(s.size() + s.size() / 8);
  bool lineStart = atLineStart;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (lineStart) {
      // What would open a block at the start of a line: a heading, a list, a rule, a quote.
      if (c == '#' || c == '-' || c == '+' || c == '=') {
        out += '\\';
      } else if (c >= '0' && c <= '9') {
        size_t end = i;
        while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
        out.append(s, i, end - i);
        if (end < s.size() && (s[end] == '.' || s[end] == ')')) out += '\\';
        i = end - 1;
        lineStart = false;
        continue;
      }
    }
    lineStart = c == '\n';
    switch (c) {
      case '\\':
      case '`':
      case '*':
      case '_':
      case '[':
      case ']':
      case '<':
      case '>':
      case '&':
      case '~':
      case '^':
      case '$':
      case '|':
      case '@':
        out += '\\';
        break;
      case ':':
        if (s.compare(i + 1, 2, "//") == 0) out += '\\';
        break;
      case '.':
        // "www." would be taken for a link.
        if (i >= 3 && (s.compare(i - 3, 3, "www") == 0 || s.compare(i - 3, 3, "WWW") == 0))
          out += '\\';
        break;
      default:
        break;
    }
    out += c;
  }
  return out;
}

TConvertedText ConvertBankText(const TBankText& text,
                               const std::function<std::string(const std::string&)>& pictureLink) {
  TConvertedText out;
  const bool html =
      text.Format == TBankTextFormat::Html || text.Format == TBankTextFormat::MoodleAuto;
  if (html && HtmlDepth(text.Text) > kMaxHtmlDepth) {
    out.TooDeep = true;
    return out;
  }
  TBankDocument doc;
  const QString source = QString::fromStdString(text.Text);
  switch (text.Format) {
    case TBankTextFormat::Html:
      doc.setHtml(source);
      break;
    case TBankTextFormat::MoodleAuto:
      doc.setHtml(WithLineBreaks(source));
      break;
    case TBankTextFormat::Markdown:
      doc.setMarkdown(source);
      break;
    case TBankTextFormat::Plain:
      doc.setPlainText(source);
      break;
  }
  TMarkdownWriter writer(text.Format != TBankTextFormat::Plain, pictureLink);
  writer.Frame(doc.rootFrame(), 0);
  out.Markdown = writer.Markdown();
  QString plain = CleanText(doc.toPlainText());
  plain.replace(QChar::Nbsp, ' ');
  plain.replace(QChar::ParagraphSeparator, QChar::LineSeparator);
  plain = plain.trimmed();
  out.OneLine = writer.OneLine() && !plain.contains(QChar::LineSeparator);
  out.Plain = plain.toStdString();
  return out;
}
