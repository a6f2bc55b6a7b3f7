// Typeset formulas placed into a page's rich text as inline objects that draw their SVG.
#pragma once

#include <QTextDocument>
#include <string>
#include <vector>

#include "Formulas.h"

// Replaces each formula mark of doc (see MarkFormulas) with its picture, at the size of the text
// around it and on that text's baseline; a display formula becomes a centred paragraph of its
// own. formulas are the page's, pictures holds their SVG by key. The error names a formula
// without a picture; empty when all were placed.
std::string PlaceFormulas(QTextDocument& doc, const std::vector<TFormula>& formulas,
                          const TFormulaPictures& pictures);
