// Drawing a page picture (enhanced or Windows metafile) with QPainter.
#pragma once

#include <QPainter>
#include <QRectF>

#include "Metafile.h"

// Plays every record of the metafile so that its frame fills target (in painter coordinates).
// Damaged records are skipped; a walk that stopped at damage draws what precedes it.
void PlayMetafile(QPainter& painter, const TMetafile& metafile, const QRectF& target);
