// PlayMetafile: chooses the enhanced or Windows record player for a page picture.
#include "MetafilePlayer.h"

#include "RecordPlayers.h"

void PlayMetafile(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                  const TPlayText& text) {
  if (metafile.Empty() || target.isEmpty()) return;
  if (metafile.Kind() == TMetafileKind::mkEnhanced)
    PlayEnhanced(painter, metafile, target, text);
  else
    PlayWindows(painter, metafile, target, text);
}
