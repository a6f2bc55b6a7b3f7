// The pages of a test made as enhanced metafiles: Markdown laid out by Qt's rich text, or a file.
#pragma once

#include <string>

#include "Formulas.h"

// Page width in pixels at 96 dpi (about 169 mm) and the body text size.
inline constexpr int kPageWidthPx = 640;
inline constexpr int kPageFontPx = 16;

struct TPageResult {
  std::string Metafile;  // the page's bytes, empty on error
  std::string Error;
};

// Lays the Markdown out at the page width (images relative to baseDir) and records it as EMF. Its
// formulas are drawn from their typeset pictures (see TypesetFormulas).
TPageResult MakeMarkdownPage(const std::string& markdownUtf8, const std::string& baseDir,
                             const TFormulaPictures& formulas = {});
// An EMF or placeable WMF file is taken as it is; a PNG, JPEG or SVG picture is placed on a page.
TPageResult MakePageFromFile(const std::string& path);
