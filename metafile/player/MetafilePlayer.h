// Drawing a page picture (enhanced or Windows metafile) with QPainter.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QStringList>

#include "Metafile.h"

// What a walk does with the text records besides drawing them. Texts receives each string a
// text record draws, decoded as drawn, in drawing order. With Only set the walk draws nothing
// and passes over the records that neither draw text nor change which font is in effect.
// Undrawn is increased by one for each text record that cannot be drawn: text given as glyph
// indices names no character, only a place in the font file of the machine that wrote it.
struct TPlayText {
  QStringList* Texts = nullptr;
  bool Only = false;
  int* Undrawn = nullptr;
};

// Plays every record of the metafile so that its frame fills target (in painter coordinates).
// Damaged records are skipped; a walk that stopped at damage draws what precedes it. A page
// that takes longer than the page budget (PlayBudget.h) stops there with what it has drawn, and
// the result is false.
bool PlayMetafile(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                  const TPlayText& text = {});
