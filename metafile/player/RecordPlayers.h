// The two record players behind PlayMetafile: enhanced (EMR_*) and Windows (META_*) records.
#pragma once

#include <QPainter>
#include <QRectF>

#include "Metafile.h"
#include "MetafilePlayer.h"

void PlayEnhanced(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                  const TPlayText& text);
void PlayWindows(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                 const TPlayText& text);
