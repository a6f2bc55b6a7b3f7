// The source editor: plain UTF-8 text with line numbers, the lines with errors marked, and the
// editing commands of a text editor (go to line, find and replace).
#pragma once

#include <QPlainTextEdit>
#include <QSet>
#include <functional>

class TSourceHighlighter;

class TSourceEditor : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TSourceEditor(QWidget* Parent = nullptr);

  // The line of the caret, from 1, and moving the caret to the start of a line; the editor takes
  // the keyboard unless told not to (the outline moves the caret as the teacher walks it).
  int CaretLine() const;
  void GoToLine(int Line, bool TakeFocus = true);
  // The lines (from 1) that have an error: marked in the margin and underlaid.
  void SetErrorLines(const QSet<int>& Lines);
  const QSet<int>& ErrorLines() const { return FErrorLines; }
  // Finds Text after the caret (before it with Backward), wrapping around; false when absent.
  bool FindText(const QString& Text, bool Backward = false);
  // Replaces the selection when it is Text, then finds the next one; and every one at once.
  bool ReplaceNext(const QString& Text, const QString& With);
  int ReplaceAll(const QString& Text, const QString& With);
  TSourceHighlighter& Highlighter() const { return *FHighlighter; }
  // Dropped or pasted data that is not text (pictures, picture files) goes to the handler first;
  // it returns true when it took the data.
  using TPictureHandler = std::function<bool(const QMimeData& Data)>;
  void SetPictureHandler(TPictureHandler Handler) { FPictureHandler = std::move(Handler); }

  int LineNumberWidth() const;
  void PaintLineNumbers(QPaintEvent* Event);

 protected:
  void resizeEvent(QResizeEvent* Event) override;
  bool canInsertFromMimeData(const QMimeData* Source) const override;
  void insertFromMimeData(const QMimeData* Source) override;

 private:
  void UpdateMargin();
  void UpdateSelections();

  QWidget* FLineNumbers;
  TSourceHighlighter* FHighlighter;
  QSet<int> FErrorLines;
  TPictureHandler FPictureHandler;
};

// Whether the data carries a picture or files rather than text to insert.
bool HasPictureData(const QMimeData& Data);
