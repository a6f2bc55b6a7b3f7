// MetafileTexts: the strings a page picture draws, in drawing order, for screen readers.
#pragma once

#include <QStringList>

#include "Metafile.h"

// The strings of the page's text records in the order they are drawn, each decoded as the
// player decodes it for drawing (the font in effect there picks the code page and the symbol
// mapping). Strings that are empty or only blanks are left out. A damaged file gives the
// strings before the damage; an empty metafile gives none.
QStringList MetafileTexts(const TMetafile& metafile);

// How many of the page's text records cannot be drawn (glyph indices, see TPlayText::Undrawn).
int UndrawableTexts(const TMetafile& metafile);
