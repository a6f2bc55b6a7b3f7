// What the player tests share: a page played into an image, a solid brush, a small DIB.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QRgb>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "MetafileBuilder.h"

constexpr int32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;  // COLORREFs

// The metafile played into a w x h image that starts white.
QImage Play(const std::string& bytes, int w = 100, int h = 100);

// A solid brush of the colour selected into the DC (object 1), with a null pen.
void SolidBrush(TEmfBuilder& b, int32_t color);

// A packed 2 x 2 DIB with red, green / blue, white corners (top row first when drawn); with one
// bit per pixel, red (index 0) where x == y and green (index 1) elsewhere.
std::string CornerDib(int bits, bool topDown);
// The byte count of CornerDib's header and colour table.
uint32_t CornerDibHeaderSize(int bits);
// A packed DIB of one bit per pixel, black (0) and white (1), from rows of '0' and '1' given top
// row first (at most 32 pixels wide).
std::string MonoDib(const std::vector<std::string>& rowsTopFirst);

template <class T>
std::string CaseName(const testing::TestParamInfo<T>& c) {
  return c.param.Name;
}

struct TPixel {
  int X, Y;
  QRgb Color;
};

// A page built record by record and the colours it must have at some pixels (each channel
// within 40). PageTest (PlayerTest.cpp) plays every table of these instantiated for it.
struct TPageCase {
  const char* Name;
  std::function<void(TEmfBuilder&)> Build;
  std::vector<TPixel> Expect;
  int Output = 100;  // the page is Page device pixels square, drawn Output pixels square
  int Page = 100;
};

inline void PrintTo(const TPageCase& c, std::ostream* out) {
  *out << c.Name;
}

class PageTest : public testing::TestWithParam<TPageCase> {};
