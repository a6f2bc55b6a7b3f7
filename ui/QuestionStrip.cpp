// The strip of question cells: painting, the row's layout and the scrolling.
#include "QuestionStrip.h"

#include <QPainter>
#include <QScrollBar>

namespace {

constexpr int kCellWidth = 30;
constexpr int kCellHeight = 22;
constexpr int kGap = 2;
const QColor kAnsweredFill(166, 202, 240);
const QColor kRightFill(144, 224, 144);
const QColor kWrongFill(240, 144, 144);
const QColor kFrame(0, 0, 128);

}  // namespace

TQuestionCell::TQuestionCell(int Number, QWidget* Parent) : QAbstractButton(Parent) {
  setText(QString::number(Number));
  setFocusPolicy(Qt::NoFocus);
  setAccessibleDescription(QStringLiteral("без ответа"));
  resize(sizeHint());
}

QSize TQuestionCell::sizeHint() const {
  return {kCellWidth, kCellHeight};
}

void TQuestionCell::SetLook(bool Answered, bool Current, TVerdict Verdict) {
  if (Answered == FAnswered && Current == FCurrent && Verdict == FVerdict) return;
  if (Answered != FAnswered)
    setAccessibleDescription(Answered ? QStringLiteral("отвечен") : QStringLiteral("без ответа"));
  FAnswered = Answered;
  FCurrent = Current;
  FVerdict = Verdict;
  update();
}

void TQuestionCell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QColor fill = Qt::white;
  if (FVerdict == vdRight) {
    fill = kRightFill;
  } else if (FVerdict == vdWrong) {
    fill = kWrongFill;
  } else if (FAnswered) {
    fill = kAnsweredFill;
  }
  const QRect box = rect().adjusted(0, 0, -1, -1);
  painter.fillRect(box, fill);
  painter.setPen(FCurrent ? QPen(kFrame, 3) : QPen(QColor(128, 128, 128), 1));
  painter.drawRect(FCurrent ? box.adjusted(1, 1, -1, -1) : box);
  painter.setPen(Qt::black);
  QFont f = font();
  f.setBold(FCurrent);
  painter.setFont(f);
  painter.drawText(rect(), Qt::AlignCenter, text());
}

TQuestionStrip::TQuestionStrip(QWidget* Parent) : QScrollArea(Parent), FRow(new QWidget) {
  setObjectName(QStringLiteral("QuestionStrip"));
  setAccessibleName(QStringLiteral("Вопросы теста"));
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  horizontalScrollBar()->setFocusPolicy(Qt::NoFocus);
  setWidgetResizable(false);
  FRow->setObjectName(QStringLiteral("QuestionRow"));
  setWidget(FRow);
  hide();
}

TQuestionCell* TQuestionStrip::Cell(int Question) const {
  return Question >= 0 && Question < Count() ? FCells[static_cast<size_t>(Question)] : nullptr;
}

void TQuestionStrip::SetCount(int Count) {
  if (Count == this->Count()) {
    for (TQuestionCell* cell : FCells) cell->SetLook(false, false, TQuestionCell::vdNone);
    return;
  }
  for (TQuestionCell* cell : FCells) delete cell;
  FCells.clear();
  for (int q = 0; q < Count; ++q) {
    auto* cell = new TQuestionCell(q + 1, FRow);
    cell->move(kGap + q * (kCellWidth + kGap), kGap);
    connect(cell, &QAbstractButton::clicked, this, [this, q] {
      if (FOnSelect) FOnSelect(q);
    });
    cell->show();
    FCells.push_back(cell);
  }
  FRow->resize(kGap + Count * (kCellWidth + kGap), kCellHeight + 2 * kGap);
  FitHeight();
  setVisible(Count > 0);
}

void TQuestionStrip::SetCell(int Question, bool Answered, bool Current,
                             TQuestionCell::TVerdict Verdict) {
  TQuestionCell* cell = Cell(Question);
  if (cell == nullptr) return;
  cell->SetLook(Answered, Current, Verdict);
  if (Current) ensureWidgetVisible(cell, 3 * kCellWidth, 0);
}

void TQuestionStrip::FitHeight() {
  // The row's height, and the scroll bar's below it only when the row is wider than the strip.
  const bool scrolls = FRow->width() > width();
  setFixedHeight(FRow->height() + (scrolls ? horizontalScrollBar()->sizeHint().height() : 0));
}

void TQuestionStrip::resizeEvent(QResizeEvent* Event) {
  QScrollArea::resizeEvent(Event);
  FitHeight();
}
