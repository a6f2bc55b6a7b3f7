// The two record players behind PlayMetafile: enhanced (EMR_*) and Windows (META_*) records.
#pragma once

#include <QPainter>
#include <QRectF>

#include "Metafile.h"
#include "MetafilePlayer.h"

// Both return false when the page stopped at its time budget.
bool PlayEnhanced(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                  const TPlayText& text);
bool PlayWindows(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                 const TPlayText& text);
