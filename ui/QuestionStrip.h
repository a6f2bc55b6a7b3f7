// TQuestionStrip: one numbered cell per question, to see the whole test at a glance.
#pragma once

#include <QAbstractButton>
#include <QScrollArea>
#include <functional>
#include <vector>

// A cell: its number as the caption and accessible name, "отвечен" / "без ответа" as the
// accessible description. It never takes the keyboard focus.
class TQuestionCell : public QAbstractButton {
  Q_OBJECT

 public:
  enum TVerdict { vdNone, vdRight, vdWrong };
  TQuestionCell(int Number, QWidget* Parent);
  void SetLook(bool Answered, bool Current, TVerdict Verdict);
  bool Answered() const { return FAnswered; }
  bool Current() const { return FCurrent; }
  TVerdict Verdict() const { return FVerdict; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  bool FAnswered = false;
  bool FCurrent = false;
  TVerdict FVerdict = vdNone;
};

// The cells in one row that scrolls sideways when it is wider than the window, the current
// cell kept in view. A click on a cell asks for its question.
class TQuestionStrip : public QScrollArea {
  Q_OBJECT

 public:
  explicit TQuestionStrip(QWidget* Parent = nullptr);
  // Replaces the cells by Count new ones, all blank (none: the strip hides).
  void SetCount(int Count);
  int Count() const { return static_cast<int>(FCells.size()); }
  TQuestionCell* Cell(int Question) const;
  // Changes one cell; the current one is scrolled into view.
  void SetCell(int Question, bool Answered, bool Current, TQuestionCell::TVerdict Verdict);
  void SetOnSelect(std::function<void(int)> Event) { FOnSelect = std::move(Event); }

 protected:
  void resizeEvent(QResizeEvent* Event) override;

 private:
  void FitHeight();

  QWidget* FRow;
  std::vector<TQuestionCell*> FCells;
  std::function<void(int)> FOnSelect;
};
