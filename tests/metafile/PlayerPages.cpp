// What the player tests share: a page played into an image, a solid brush, small DIBs.
#include "PlayerPages.h"

#include <gtest/gtest.h>

#include <QPainter>

#include "MetafilePlayer.h"
#include "RecordTypes.h"

QImage Play(const std::string& bytes, int w, int h) {
  TMetafile m;
  EXPECT_TRUE(m.LoadFromBytes(bytes)) << m.Error();
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  PlayMetafile(p, m, QRectF(0, 0, w, h));
  return img;
}

void SolidBrush(TEmfBuilder& b, int32_t color) {
  b.Record(emr::CreateBrushIndirect, {1, 0, color, 0});
  b.Record(emr::SelectObject, {1});
  b.Record(emr::SelectObject, {static_cast<int32_t>(0x80000008u)});  // NULL_PEN
}

std::string CornerDib(int bits, bool topDown) {
  const QRgb corners[2][2] = {{qRgb(255, 0, 0), qRgb(0, 255, 0)},
                              {qRgb(0, 0, 255), qRgb(255, 255, 255)}};
  std::string info;
  for (int32_t v : {40, 2, topDown ? -2 : 2}) PutU32(info, static_cast<uint32_t>(v));
  PutU16(info, 1);
  PutU16(info, static_cast<uint16_t>(bits));
  for (uint32_t v : {0u, 0u, 0u, 0u, 0u, 0u}) PutU32(info, v);
  const bool indexed = bits <= 8;
  if (indexed) {
    const int entries = 1 << bits;
    for (int i = 0; i < entries; ++i) {
      const QRgb c = i < 4 ? corners[i / 2][i % 2] : 0;
      PutU32(info, static_cast<uint32_t>(qBlue(c) | (qGreen(c) << 8) | (qRed(c) << 16)));
    }
  }
  std::string pixels;
  for (int row = 0; row < 2; ++row) {
    const int y = topDown ? row : 1 - row;  // which picture row this stored row holds
    std::string line;
    if (bits == 1) {
      // Two colours only: index 0 (red) and 1 (green) on every row, red where x == y.
      line.push_back(static_cast<char>(y == 0 ? 0x40 : 0x80));
    } else if (bits == 4) {
      line.push_back(static_cast<char>(((y * 2) << 4) | (y * 2 + 1)));
    } else if (bits == 8) {
      line.push_back(static_cast<char>(y * 2));
      line.push_back(static_cast<char>(y * 2 + 1));
    } else {
      for (int x = 0; x < 2; ++x) {
        const QRgb c = corners[y][x];
        line.push_back(static_cast<char>(qBlue(c)));
        line.push_back(static_cast<char>(qGreen(c)));
        line.push_back(static_cast<char>(qRed(c)));
        if (bits == 32) line.push_back('\0');
      }
    }
    while (line.size() % 4) line.push_back('\0');
    pixels += line;
  }
  return info + pixels;
}

uint32_t CornerDibHeaderSize(int bits) {
  return 40 + (bits <= 8 ? 4u << bits : 0u);
}

std::string MonoDib(const std::vector<std::string>& rowsTopFirst) {
  const int height = static_cast<int>(rowsTopFirst.size());
  const int width = height > 0 ? static_cast<int>(rowsTopFirst[0].size()) : 0;
  std::string dib;
  for (int32_t v : {40, width, height}) PutU32(dib, static_cast<uint32_t>(v));
  PutU16(dib, 1);
  PutU16(dib, 1);
  for (uint32_t v : {0u, 0u, 0u, 0u, 0u, 0u}) PutU32(dib, v);
  PutU32(dib, 0x000000);
  PutU32(dib, 0xFFFFFF);
  for (int row = height - 1; row >= 0; --row) {  // stored bottom row first
    uint32_t bits = 0;
    for (int x = 0; x < width; ++x)
      if (rowsTopFirst[row][x] == '1') bits |= 0x80000000u >> x;
    for (int k = 0; k < 4; ++k) dib.push_back(static_cast<char>(bits >> (24 - 8 * k)));
  }
  return dib;
}
