// Drawing and keeping the page picture.
#include "PageImage.h"

#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <cmath>

#include "MetafilePlayer.h"
#include "MetafileText.h"

TPageImage::TPageImage(QWidget* Parent) : QWidget(Parent) {
  setAccessibleName(QStringLiteral("Страница вопроса"));
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
  FDrawn = QPixmap();
  update();
}

void TPageImage::UpdateDescription() {
  setAccessibleDescription(FPicture.Empty() ? QString()
                                            : MetafileTexts(FPicture).join(QLatin1Char(' ')));
}

void TPageImage::paintEvent(QPaintEvent* Event) {
  const QSize natural(FPicture.Width(), FPicture.Height());
  if (FPicture.Empty() || natural.isEmpty()) return;
  const qreal ratio = devicePixelRatioF();
  if (FDrawn.isNull() || FDrawnSize != natural || FDrawnRatio != ratio) {
    // Raster operations of the pages need an opaque surface; the panel behind is white anyway.
    QImage page(std::lround(natural.width() * ratio), std::lround(natural.height() * ratio),
                QImage::Format_RGB32);
    page.fill(Qt::white);
    {
      QPainter painter(&page);
      PlayMetafile(painter, FPicture, QRectF(0, 0, page.width(), page.height()));
    }
    ++FPlayCount;
    FDrawn = QPixmap::fromImage(std::move(page));
    FDrawn.setDevicePixelRatio(ratio);
    FDrawnSize = natural;
    FDrawnRatio = ratio;
  }
  QPainter painter(this);
  painter.setClipRegion(Event->region());
  painter.drawPixmap(0, 0, FDrawn);
}
