// A page as a picture: a metafile file, or a question's page of a test, drawn into an image.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>

#include "Metafile.h"

inline constexpr int kMaxRenderWidth = 20000;

// The picture of input: the metafile file itself, or with question > 0 (from 1), or a name
// ending in .tst / .tst-ans, that question's page (the first when question is 0). An empty
// string on success, else the reason.
std::string LoadPagePicture(const std::string& input, int question, TMetafile& picture);

struct TRenderedPage {
  QImage Image;       // null when the size is too large; Error says why
  std::string Error;
  int Undrawn = 0;    // text records that cannot be drawn (glyph indices)
  bool Whole = true;  // false when drawing stopped at the player's time budget
};

// Draws the picture width pixels wide (0: its natural width at 96 dpi) on white; the height
// follows the picture's aspect.
TRenderedPage RenderPagePicture(const TMetafile& picture, int width);
