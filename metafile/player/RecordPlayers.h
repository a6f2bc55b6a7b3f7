// The two record players behind PlayMetafile: enhanced (EMR_*) and Windows (META_*) records.
#pragma once

#include <QPainter>
#include <QRectF>

#include "Metafile.h"

void PlayEnhanced(QPainter& painter, const TMetafile& metafile, const QRectF& target);
void PlayWindows(QPainter& painter, const TMetafile& metafile, const QRectF& target);
