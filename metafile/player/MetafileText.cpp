// MetafileTexts and UndrawableTexts: walks of a page's records that read its text, drawing nothing.
#include "MetafileText.h"

#include <QImage>
#include <QPainter>
#include <algorithm>

#include "MetafilePlayer.h"

namespace {

void WalkText(const TMetafile& metafile, const TPlayText& text) {
  if (metafile.Empty()) return;
  // The walk draws nothing; the player still wants a painter, and a one-pixel one costs least.
  QImage surface(1, 1, QImage::Format_RGB32);
  QPainter painter(&surface);
  PlayMetafile(painter, metafile, QRectF(0, 0, 1, 1), text);
}

}  // namespace

QStringList MetafileTexts(const TMetafile& metafile) {
  QStringList texts;
  WalkText(metafile, TPlayText{&texts, true});
  texts.removeIf([](const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.isSpace(); });
  });
  return texts;
}

int UndrawableTexts(const TMetafile& metafile) {
  int undrawn = 0;
  WalkText(metafile, TPlayText{nullptr, true, &undrawn});
  return undrawn;
}
