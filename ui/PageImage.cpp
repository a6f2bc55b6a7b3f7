// Drawing and keeping the page picture.
#include "PageImage.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "MetafilePlayer.h"
#include "MetafileText.h"

TPageImage::TPageImage(QWidget* Parent) : QWidget(Parent) {
  FTitle = QStringLiteral("Страница вопроса");
  // The window gives the page the focus for screen readers; the keys stay the window's.
  setFocusPolicy(Qt::ClickFocus);
}

void TPageImage::SetPicture(const TMetafile& Picture) {
  FPicture = Picture;
  PictureChanged();
  UpdateDescription();
}

void TPageImage::ClearPicture() {
  FPicture.Clear();
  PictureChanged();
  UpdateDescription();
}

void TPageImage::PictureChanged() {
  FStale = true;
  UpdateOpaque();
  update();
}

void TPageImage::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  UpdateOpaque();
}

void TPageImage::UpdateOpaque() {
  // The panels behind a page that covers the widget would be filled only to be painted over:
  // on each page turn, a surface the size of the view, twice.
  const QSize natural(FPicture.Width(), FPicture.Height());
  setAttribute(Qt::WA_OpaquePaintEvent,
               !FPicture.Empty() && natural.width() >= width() && natural.height() >= height());
}

void TPageImage::SetTrailingDescription(const QString& Text) {
  FTrailingDescription = Text;
}

QString TPageImage::Description() const {
  if (FTrailingDescription.isEmpty()) return FPageText;
  if (FPageText.isEmpty()) return FTrailingDescription;
  return FPageText + QLatin1Char(' ') + FTrailingDescription;
}

void TPageImage::UpdateDescription() {
  FPageText = FPicture.Empty() ? QString() : MetafileTexts(FPicture).join(QLatin1Char(' '));
}

void TPageImage::paintEvent(QPaintEvent* Event) {
  const QSize natural(FPicture.Width(), FPicture.Height());
  if (FPicture.Empty() || natural.isEmpty()) return;
  const qreal ratio = devicePixelRatioF();
  if (FStale || FDrawnSize != natural || FDrawnRatio != ratio) {
    // Raster operations of the pages need an opaque surface; the panel behind is white anyway.
    const QSize pixels(std::lround(natural.width() * ratio), std::lround(natural.height() * ratio));
    // A fresh buffer costs the system a fault and a cleared page for every 4 KB of it: a page
    // is drawn over the last one's buffer when it fits there and fills at least half of it.
    const qint64 area = qint64(pixels.width()) * pixels.height();
    if (pixels.width() > FBuffer.width() || pixels.height() > FBuffer.height() ||
        2 * area < qint64(FBuffer.width()) * FBuffer.height())
      FBuffer = QImage(pixels, QImage::Format_RGB32);
    FDrawn = QImage(FBuffer.bits(), pixels.width(), pixels.height(), FBuffer.bytesPerLine(),
                    QImage::Format_RGB32);
    FDrawn.fill(Qt::white);
    {
      QPainter painter(&FDrawn);
      PlayMetafile(painter, FPicture, QRectF(0, 0, FDrawn.width(), FDrawn.height()));
    }
    ++FPlayCount;
    FDrawn.setDevicePixelRatio(ratio);
    FDrawnSize = natural;
    FDrawnRatio = ratio;
    FStale = false;
  }
  QPainter painter(this);
  painter.setClipRegion(Event->region());
  painter.drawImage(0, 0, FDrawn);
}
