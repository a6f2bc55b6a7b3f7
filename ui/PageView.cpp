// The page view of the main window: the current question's page, topic and options; the zoom.
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "AnswerColumn.h"
#include "Cp1251Text.h"
#include "PageImage.h"
#include "TestCheckboxes.h"
#include "Unit1.h"

namespace {

// Borders of the page's frames: pImageBG's line and inner border, then Panel5's.
constexpr int kOuterInset = 1 + 10;
constexpr int kInnerInset = 1 + 4;

}  // namespace

void TForm1::ShowPage() {
  try {
    SetPage(&FExam->PagePicture());
    Panel3->setText(FromCp1251(FExam->GetTopicName()));
    FAnswerButtons->LoadQuestion(*FExam);
    ShowGlance();
    if (FitAnswerPanel()) FitPage(FZoomMode);
    PresentPage();
  } catch (...) {
    // A page that fails leaves the rest of the view as it was.
  }
}

void TForm1::SetPage(const TMetafile* Picture) {
  if (Picture != nullptr && !Picture->Empty()) {
    QImage->SetPicture(*Picture);
  } else {
    QImage->ClearPicture();
  }
  FitPage(FZoomMode);
}

void TForm1::FormResize() {
  FitAnswerPanel();
  FitPage(FZoomMode);
}

bool TForm1::FitAnswerPanel() {
  // A caption cut off at the column's edge cannot be read, so the column grows to the widest
  // caption of the question: never narrower than its own 98 pixels, never more than a third of
  // the window, which keeps the page the larger part.
  constexpr int kNarrowest = 98;
  int width = kNarrowest;
  if (const int widest = FAnswerButtons->WidestButton(); widest > 0) {
    const int frame = 2 * Panel2->frameWidth();
    const int spacer = 16;  // Panel10
    const bool scrolls = FAnswerButtons->Column().minimumHeight() > AnswPanel->viewport()->height();
    const int bar = scrolls ? AnswPanel->verticalScrollBar()->sizeHint().width() : 0;
    width = std::clamp(frame + spacer + widest + bar, kNarrowest,
                       std::max(kNarrowest, this->width() / 3));
  }
  if (Panel2->width() == width) return false;
  Panel2->setFixedWidth(width);
  // The page area's size is read at once by the fitting of the page.
  Panel2->parentWidget()->layout()->activate();
  return true;
}

int TForm1::ScrollBoxClientHeight() const {
  return ScrollBox1->contentsRect().height();
}

int TForm1::ScrollBoxClientWidth() const {
  // The scroll bar shows exactly when the page area is taller than the box.
  int width = ScrollBox1->contentsRect().width();
  if (pImageBG->height() > ScrollBoxClientHeight())
    width -= ScrollBox1->verticalScrollBar()->sizeHint().width();
  return width;
}

void TForm1::UpdateScrollBar() {
  ScrollBox1->setVerticalScrollBarPolicy(pImageBG->height() > ScrollBoxClientHeight()
                                             ? Qt::ScrollBarAlwaysOn
                                             : Qt::ScrollBarAlwaysOff);
}

void TForm1::FitPage(TZoomMode Z) {
  pImageBG->setGeometry(0, 0, ScrollBoxClientWidth(), ScrollBoxClientHeight());
  FZoomMode = Z;
  TMetafile& m = QImage->Picture();
  const bool scalable = !m.Empty() && m.Width() >= 2;
  if (scalable) {
    if (Z == zmWidth) {
      for (int pass = 0; pass < 2; ++pass) {
        // The second pass sees the scroll bar the first one made appear or go.
        const int w = ScrollBoxClientWidth();
        pImageBG->resize(pImageBG->width(),
                         std::max(ScrollBoxClientHeight(),
                                  static_cast<int>(int64_t(m.Height()) * w / m.Width())));
        pImageBG->resize(ScrollBoxClientWidth(), pImageBG->height());
      }
    } else {
      pImageBG->resize(pImageBG->width(), ScrollBoxClientHeight());
    }
  }
  // Without a page the area is the visible box, less no scroll bar.
  pImageBG->resize(ScrollBoxClientWidth(), pImageBG->height());
  UpdateScrollBar();
  Panel5->setGeometry(kOuterInset, kOuterInset, std::max(0, pImageBG->width() - 2 * kOuterInset),
                      std::max(0, pImageBG->height() - 2 * kOuterInset));
  QImage->setGeometry(kInnerInset, kInnerInset, std::max(0, Panel5->width() - 2 * kInnerInset),
                      std::max(0, Panel5->height() - 2 * kInnerInset));
  if (!scalable) return;
  const double kx = double(QImage->width()) / m.Width();
  const double ky = double(QImage->height()) / m.Height();
  const double k = Z == zmPage && kx > ky ? ky : kx;
  // Halfway cases go to the even neighbour (the default rounding mode).
  m.SetMMWidth(static_cast<int32_t>(std::nearbyint(m.MMWidth() * k)));
  m.SetMMHeight(static_cast<int32_t>(std::nearbyint(m.MMHeight() * k)));
  QImage->PictureChanged();
}
