// Colours of the test source in the editor: front matter, topics, levels, questions, options
// (the right ones stand out), attributes and page mark-up.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class TSourceHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  explicit TSourceHighlighter(QTextDocument* Document);

  // The formats, so that tests and the legend name what each kind of line looks like.
  enum TKind {
    hkFrontMatter,
    hkTopic,
    hkLevel,
    hkQuestion,
    hkRightOption,
    hkOption,
    hkAttributes,
    hkMarkup
  };
  const QTextCharFormat& Format(TKind Kind) const { return FFormats[Kind]; }

 protected:
  void highlightBlock(const QString& Text) override;

 private:
  QTextCharFormat FFormats[hkMarkup + 1];
};
