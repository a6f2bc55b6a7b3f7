// The source editor and its line-number margin.
#include "SourceEditor.h"

#include <QMimeData>
#include <QPainter>
#include <QTextBlock>

#include "SourceHighlighter.h"

namespace {

const QColor kErrorLine(255, 236, 236);
const QColor kErrorMark(200, 0, 0);

class TLineNumbers : public QWidget {
 public:
  explicit TLineNumbers(TSourceEditor* Editor) : QWidget(Editor), FEditor(Editor) {}
  QSize sizeHint() const override { return {FEditor->LineNumberWidth(), 0}; }

 protected:
  void paintEvent(QPaintEvent* Event) override { FEditor->PaintLineNumbers(Event); }

 private:
  TSourceEditor* FEditor;
};

}  // namespace

TSourceEditor::TSourceEditor(QWidget* Parent)
    : QPlainTextEdit(Parent),
      FLineNumbers(new TLineNumbers(this)),
      FHighlighter(new TSourceHighlighter(document())) {
  setObjectName(QStringLiteral("SourceEditor"));
  setAccessibleName(QStringLiteral("Текст теста"));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  mono.setStyleHint(QFont::Monospace);
  mono.setPointSize(10);
  setFont(mono);
  setTabChangesFocus(true);
  connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateMargin(); });
  connect(this, &QPlainTextEdit::updateRequest, this, [this](const QRect& rect, int dy) {
    if (dy != 0) {
      FLineNumbers->scroll(0, dy);
    } else {
      FLineNumbers->update(0, rect.y(), FLineNumbers->width(), rect.height());
    }
  });
  UpdateMargin();
}

int TSourceEditor::CaretLine() const {
  return textCursor().blockNumber() + 1;
}

void TSourceEditor::GoToLine(int Line, bool TakeFocus) {
  const QTextBlock block = document()->findBlockByNumber(std::max(Line, 1) - 1);
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  setTextCursor(cursor);
  centerCursor();
  if (TakeFocus) setFocus();
}

void TSourceEditor::SetErrorLines(const QSet<int>& Lines) {
  if (Lines == FErrorLines) return;
  FErrorLines = Lines;
  UpdateSelections();
  FLineNumbers->update();
}

void TSourceEditor::UpdateSelections() {
  QList<QTextEdit::ExtraSelection> selections;
  for (int line : FErrorLines) {
    const QTextBlock block = document()->findBlockByNumber(line - 1);
    if (!block.isValid()) continue;
    QTextEdit::ExtraSelection s;
    s.format.setBackground(kErrorLine);
    s.format.setProperty(QTextFormat::FullWidthSelection, true);
    s.cursor = QTextCursor(block);
    selections.append(s);
  }
  setExtraSelections(selections);
}

bool TSourceEditor::FindText(const QString& Text, bool Backward) {
  if (Text.isEmpty()) return false;
  const QTextDocument::FindFlags flags =
      Backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  if (find(Text, flags)) return true;
  // Once more from the other end.
  const QTextCursor saved = textCursor();
  moveCursor(Backward ? QTextCursor::End : QTextCursor::Start);
  if (find(Text, flags)) return true;
  setTextCursor(saved);
  return false;
}

bool TSourceEditor::ReplaceNext(const QString& Text, const QString& With) {
  if (Text.isEmpty()) return false;
  QTextCursor cursor = textCursor();
  if (cursor.selectedText() == Text) cursor.insertText(With);
  return FindText(Text);
}

int TSourceEditor::ReplaceAll(const QString& Text, const QString& With) {
  if (Text.isEmpty()) return 0;
  int count = 0;
  QTextCursor cursor(document());
  cursor.beginEditBlock();
  for (QTextCursor found = document()->find(Text, cursor); !found.isNull();
       found = document()->find(Text, found)) {
    found.insertText(With);
    ++count;
  }
  cursor.endEditBlock();
  return count;
}

int TSourceEditor::LineNumberWidth() const {
  int digits = 1;
  for (int max = std::max(1, blockCount()); max >= 10; max /= 10) ++digits;
  return 12 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 3);
}

void TSourceEditor::UpdateMargin() {
  setViewportMargins(LineNumberWidth(), 0, 0, 0);
}

void TSourceEditor::resizeEvent(QResizeEvent* Event) {
  QPlainTextEdit::resizeEvent(Event);
  const QRect r = contentsRect();
  FLineNumbers->setGeometry(QRect(r.left(), r.top(), LineNumberWidth(), r.height()));
}

void TSourceEditor::PaintLineNumbers(QPaintEvent* Event) {
  QPainter painter(FLineNumbers);
  painter.fillRect(Event->rect(), QColor(240, 240, 240));
  QTextBlock block = firstVisibleBlock();
  int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
  const int width = FLineNumbers->width();
  while (block.isValid() && top <= Event->rect().bottom()) {
    const int height = qRound(blockBoundingRect(block).height());
    if (block.isVisible() && top + height >= Event->rect().top()) {
      const int line = block.blockNumber() + 1;
      const bool error = FErrorLines.contains(line);
      if (error) painter.fillRect(0, top, 4, height, kErrorMark);
      painter.setPen(error ? kErrorMark : QColor(120, 120, 120));
      painter.drawText(0, top, width - 6, height, Qt::AlignRight | Qt::AlignVCenter,
                       QString::number(line));
    }
    top += height;
    block = block.next();
  }
}

bool HasPictureData(const QMimeData& Data) {
  return Data.hasImage() ||
         (Data.hasUrls() && !Data.urls().isEmpty() && Data.urls().front().isLocalFile());
}

bool TSourceEditor::canInsertFromMimeData(const QMimeData* Source) const {
  return (FPictureHandler && HasPictureData(*Source)) ||
         QPlainTextEdit::canInsertFromMimeData(Source);
}

void TSourceEditor::insertFromMimeData(const QMimeData* Source) {
  if (FPictureHandler && HasPictureData(*Source) && FPictureHandler(*Source)) return;
  QPlainTextEdit::insertFromMimeData(Source);
}
