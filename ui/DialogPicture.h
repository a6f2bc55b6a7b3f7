// A fixed picture of a dialog, drawn from its normal or its double-density file.
#pragma once

#include <QLabel>
#include <QPixmap>
#include <QString>

class QPaintEvent;

// Shows File at Rect's size; on a screen of two or more device pixels per pixel it draws the
// file's "@2x" twin instead, when there is one. Without the file it shows nothing.
class TDialogPicture : public QLabel {
  Q_OBJECT

 public:
  TDialogPicture(QWidget* Parent, const QString& Name, const QRect& Rect, const QString& File);

  // The picture for a painter of the given device-pixel ratio.
  const QPixmap& PictureFor(qreal DevicePixelRatio) const;

 protected:
  void paintEvent(QPaintEvent* Event) override;

 private:
  QPixmap FNormal;
  QPixmap FDouble;
};
