// The answer area's column: top-aligned children stacked without gaps, as wide as the column.
#pragma once

#include <QWidget>

// Children whose alignment is top are placed one under the other in creation order; the
// column's minimum height is the stack's, so a scroll area around it scrolls a long column.
class TAnswerColumn : public QWidget {
  Q_OBJECT

 public:
  explicit TAnswerColumn(QWidget* Parent = nullptr);
  // Places the children now (it also happens on every change of a child's size).
  void Restack();

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void childEvent(QChildEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

 private:
  bool FRestacking = false;
};
