// PlayMetafile: chooses the enhanced or Windows record player for a page picture.
#include "MetafilePlayer.h"

#include "RecordPlayers.h"

bool PlayMetafile(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                  const TPlayText& text) {
  if (metafile.Empty() || target.isEmpty()) return true;
  if (metafile.Kind() == TMetafileKind::mkEnhanced)
    return PlayEnhanced(painter, metafile, target, text);
  return PlayWindows(painter, metafile, target, text);
}
