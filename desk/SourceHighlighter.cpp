// The source's colours, line by line; the block state carries the front matter over lines.
#include "SourceHighlighter.h"

#include <QRegularExpression>

namespace {

enum TBlockState { bsBody = 0, bsFrontMatter = 1 };

QTextCharFormat MakeFormat(const QColor& Colour, bool Bold = false, const QColor& Background = {}) {
  QTextCharFormat f;
  f.setForeground(Colour);
  if (Bold) f.setFontWeight(QFont::Bold);
  if (Background.isValid()) f.setBackground(Background);
  return f;
}

}  // namespace

TSourceHighlighter::TSourceHighlighter(QTextDocument* Document) : QSyntaxHighlighter(Document) {
  FFormats[hkFrontMatter] = MakeFormat(QColor(96, 96, 96));
  FFormats[hkTopic] = MakeFormat(QColor(0, 0, 128), true);
  FFormats[hkLevel] = MakeFormat(QColor(0, 96, 96), true);
  FFormats[hkQuestion] = MakeFormat(QColor(112, 0, 112), true);
  FFormats[hkRightOption] = MakeFormat(QColor(176, 0, 0), true, QColor(255, 228, 228));
  FFormats[hkOption] = MakeFormat(QColor(0, 96, 0));
  FFormats[hkAttributes] = MakeFormat(QColor(150, 80, 0));
  FFormats[hkMarkup] = MakeFormat(QColor(0, 64, 192));
}

void TSourceHighlighter::highlightBlock(const QString& Text) {
  const bool first = currentBlock().blockNumber() == 0;
  const QString trimmed = Text.trimmed();
  const int before = previousBlockState() == bsFrontMatter ? bsFrontMatter : bsBody;
  setCurrentBlockState(bsBody);
  if ((first && trimmed == QLatin1String("---")) || before == bsFrontMatter) {
    setFormat(0, int(Text.size()), FFormats[hkFrontMatter]);
    const bool closes = !first && trimmed == QLatin1String("---");
    setCurrentBlockState(closes ? bsBody : bsFrontMatter);
    return;
  }

  static const QRegularExpression heading(QStringLiteral("^\\s*(#{1,3})\\s"));
  static const QRegularExpression option(QStringLiteral("^\\s*[-*+]\\s+\\[([ xX])\\]"));
  static const QRegularExpression attributes(QStringLiteral("\\{[^{}]*\\}\\s*$"));
  static const QRegularExpression markup(
      QStringLiteral("!\\[[^\\]]*\\]\\([^)]*\\)|[\\^_]\\{[^{}]*\\}|\\*\\*|__|`[^`]*`"));

  int attributesAt = int(Text.size());
  if (const auto h = heading.match(Text); h.hasMatch()) {
    const int depth = int(h.capturedLength(1));
    setFormat(0, int(Text.size()),
              FFormats[depth == 1   ? hkTopic
                       : depth == 2 ? hkLevel
                                    : hkQuestion]);
  } else if (const auto o = option.match(Text); o.hasMatch()) {
    const bool right = o.captured(1) != QLatin1String(" ");
    setFormat(0, int(Text.size()), FFormats[right ? hkRightOption : hkOption]);
  } else {
    for (auto it = markup.globalMatch(Text); it.hasNext();) {
      const auto m = it.next();
      setFormat(int(m.capturedStart()), int(m.capturedLength()), FFormats[hkMarkup]);
    }
    return;
  }
  if (const auto a = attributes.match(Text); a.hasMatch()) {
    attributesAt = int(a.capturedStart());
    QTextCharFormat f = format(attributesAt);
    f.setForeground(FFormats[hkAttributes].foreground());
    f.setFontWeight(QFont::Normal);
    setFormat(attributesAt, int(Text.size()) - attributesAt, f);
  }
}
