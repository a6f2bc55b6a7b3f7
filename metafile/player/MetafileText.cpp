// MetafileTexts: a walk of the page's records that gathers its text instead of drawing it.
#include "MetafileText.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "MetafilePlayer.h"

QStringList MetafileTexts(const TMetafile& metafile) {
  QStringList texts;
  if (metafile.Empty()) return texts;
  // The walk draws nothing; the player still wants a painter, and a one-pixel one costs least.
  QImage surface(1, 1, QImage::Format_RGB32);
  QPainter painter(&surface);
  PlayMetafile(painter, metafile, QRectF(0, 0, 1, 1), TPlayText{&texts, true});
  painter.end();
  texts.removeIf([](const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.isSpace(); });
  });
  return texts;
}
