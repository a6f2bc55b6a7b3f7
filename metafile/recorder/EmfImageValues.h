// Qt colours, brushes and images turned into what GDI records hold (no alpha, DIB rows).
#pragma once

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <optional>

#include "EmfRecordWriter.h"

// A COLORREF of the colour as it looks over white paper (GDI colours carry no alpha).
uint32_t ColorRefOnWhite(const QColor& c, double opacity);
// The one colour a gradient or texture brush averages to.
QColor AverageColor(const QBrush& brush);
bool HasTranslucentPixels(const QImage& image);
// A 32-bit bottom-up DIB with premultiplied alpha, for ALPHABLEND.
TEmfDib AlphaDibFromImage(const QImage& image);
// A 24-bit bottom-up DIB of the image (faded by opacity) composited over white.
TEmfDib DibFromImage(const QImage& image, double opacity);
// The path as a rectangle on whole pixels (left/top inclusive, right/bottom exclusive), if it is
// one.
std::optional<TEmfRect> WholePixelRect(const QPainterPath& path);
