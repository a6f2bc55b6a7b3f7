// Dialog pictures that stay sharp on high-density screens.
#include "DialogPicture.h"

#include <QFileInfo>
#include <QPainter>

TDialogPicture::TDialogPicture(QWidget* Parent, const QString& Name, const QRect& Rect,
                               const QString& File)
    : QLabel(Parent), FNormal(File) {
  setObjectName(Name);
  setGeometry(Rect);
  const QFileInfo info(File);
  FDouble = QPixmap(info.path() + QLatin1Char('/') + info.completeBaseName() +
                    QStringLiteral("@2x.") + info.suffix());
  // The label keeps the normal picture too: a screen reader then meets a graphic, not a text.
  setPixmap(FNormal);
}

const QPixmap& TDialogPicture::PictureFor(qreal DevicePixelRatio) const {
  return DevicePixelRatio > 1.0 && !FDouble.isNull() ? FDouble : FNormal;
}

void TDialogPicture::paintEvent(QPaintEvent* /*Event*/) {
  QPainter painter(this);
  const QPixmap& picture = PictureFor(painter.device()->devicePixelRatioF());
  if (picture.isNull()) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawPixmap(rect(), picture);
}
