// PlayMetafile: chooses the enhanced or Windows record player for a page picture.
#include "MetafilePlayer.h"

void PlayMetafile(QPainter& painter, const TMetafile& metafile, const QRectF& target) {
  if (metafile.Empty() || target.isEmpty()) return;
  painter.save();
  painter.restore();
}
