// Lines drawn with each of the 16 ROP2 codes: the player draws thin ones itself into an RGB32
// page; the pixels must be those the toolkit draws on a page it blends itself (ARGB32).
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "MetafileBuilder.h"
#include "MetafilePlayer.h"
#include "RecordTypes.h"

namespace {

constexpr int kSize = 300;

// Coloured stripes under every kind of line the player may draw itself or leave to the toolkit:
// long and short, steep and shallow, dashed, wide, clipped, off the page, a polyline that
// crosses itself (the operation applied twice where it crosses).
std::string LinesPage(int32_t rop) {
  TEmfBuilder b(kSize, kSize);
  b.Record(emr::SelectObject, {static_cast<int32_t>(0x80000008u)});  // NULL_PEN
  const int32_t stripes[] = {0x2080F0, 0xF0F0F0, 0x10C040, 0x000000, 0xC03090, 0x7F7F7F};
  for (int i = 0; i < 6; ++i) {
    b.Record(emr::CreateBrushIndirect, {1 + i, 0, stripes[i], 0});
    b.Record(emr::SelectObject, {1 + i});
    b.Record(emr::Rectangle, {0, i * 50, kSize + 1, i * 50 + 51});
  }
  b.Record(emr::SetRop2, {rop});
  const struct {
    int32_t Style, Width, Color;
  } pens[] = {
      {0, 0, 0x3366CC}, {0, 1, 0xFFFFFF}, {1, 0, 0x00FF00}, {3, 1, 0x808000}, {0, 3, 0x0000FF}};
  for (int p = 0; p < 5; ++p) {
    b.Record(emr::CreatePen, {10 + p, pens[p].Style, pens[p].Width, 0, pens[p].Color});
    b.Record(emr::SelectObject, {10 + p});
    const int d = 7 * p;
    const int32_t lines[][4] = {{10 + d, 5, 10 + d, 290},     {5, 20 + d, 295, 20 + d},
                                {30 + d, 10, 80 + d, 280},    {10, 60 + d, 290, 140 + d},
                                {280 - d, 5, 40 - d, 295},    {-50, 250 + d, 400, 180 + d},
                                {150 + d, 150, 151 + d, 151}, {200 + d, 30, 200 + d, 30}};
    for (const auto& l : lines) {
      b.Record(emr::MoveToEx, {l[0], l[1]});
      b.Record(emr::LineTo, {l[2], l[3]});
    }
    b.Record(emr::Polyline, {0, 0, kSize, kSize, 5, 100, 100 + d, 250, 250 - d, 250, 100 + d, 100,
                             250 - d, 100, 100 + d});
  }
  // Under a clip rectangle: the parts outside it stay as they were.
  b.Record(emr::SaveDC, {});
  b.Record(emr::IntersectClipRect, {60, 60, 170, 200});
  b.Record(emr::SelectObject, {10});
  for (int i = 0; i < 12; ++i) {
    b.Record(emr::MoveToEx, {40 + 11 * i, 30});
    b.Record(emr::LineTo, {20 + 17 * i, 270});
  }
  b.Record(emr::RestoreDC, {-1});
  return b.Finish();
}

QImage Play(const std::string& bytes, QImage::Format format) {
  TMetafile m;
  EXPECT_TRUE(m.LoadFromBytes(bytes)) << m.Error();
  QImage img(kSize, kSize, format);
  img.fill(Qt::white);
  QPainter p(&img);
  PlayMetafile(p, m, QRectF(0, 0, kSize, kSize));
  p.end();
  return img.convertToFormat(QImage::Format_RGB32);
}

class RasterOpLineTest : public testing::TestWithParam<int32_t> {};

TEST_P(RasterOpLineTest, SamePixelsAsTheToolkitDraws) {
  const std::string page = LinesPage(GetParam());
  const QImage drawn = Play(page, QImage::Format_RGB32);
  const QImage reference = Play(page, QImage::Format_ARGB32_Premultiplied);
  int differing = 0;
  QString first;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      if (drawn.pixel(x, y) != reference.pixel(x, y) && differing++ == 0)
        first = QStringLiteral("(%1, %2): %3 instead of %4")
                    .arg(x)
                    .arg(y)
                    .arg(drawn.pixel(x, y), 8, 16)
                    .arg(reference.pixel(x, y), 8, 16);
  EXPECT_EQ(differing, 0) << "first at " << first.toStdString();
  // The lines are there (but for R2_NOP): a page of stripes only would pass the comparison too.
  const QImage stripes = Play(LinesPage(11), QImage::Format_RGB32);
  EXPECT_EQ(drawn == stripes, GetParam() == 11);
}

INSTANTIATE_TEST_SUITE_P(Rop2, RasterOpLineTest, testing::Range(1, 17),
                         [](const testing::TestParamInfo<int32_t>& c) {
                           return "R2_" + std::to_string(c.param);
                         });

}  // namespace
