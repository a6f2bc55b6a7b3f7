// What the files of TGdiPlayer share besides the class: raster-operation codes and a vector length.
#pragma once

#include <QPointF>
#include <cmath>
#include <cstdint>

enum : uint32_t { R2_BLACK = 1, R2_NOP = 11, R2_WHITE = 16 };

inline double Length(QPointF v) {
  return std::hypot(v.x(), v.y());
}
