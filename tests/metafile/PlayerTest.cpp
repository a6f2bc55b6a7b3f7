// Tests of the page player: small pages built record by record, checked at known pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "MetafileBuilder.h"
#include "MetafilePlayer.h"
#include "PlayerPages.h"
#include "RecordTypes.h"

namespace {

std::vector<TPageCase> PageCases() {
  return {
      {"FilledRectangle",
       [](TEmfBuilder& b) {
         SolidBrush(b, kRed);
         b.Record(emr::Rectangle, {20, 20, 80, 60});
       },
       {{50, 40, qRgb(255, 0, 0)}, {10, 10, qRgb(255, 255, 255)}, {50, 70, qRgb(255, 255, 255)}}},
      {"WindowAndViewportScale",
       [](TEmfBuilder& b) {
         b.Record(emr::SetMapMode, {8});
         b.Record(emr::SetWindowExtEx, {10, 10});
         b.Record(emr::SetViewportExtEx, {100, 100});
         SolidBrush(b, kBlue);
         b.Record(emr::Rectangle, {5, 0, 10, 5});
       },
       {{75, 25, qRgb(0, 0, 255)}, {25, 25, qRgb(255, 255, 255)}, {75, 75, qRgb(255, 255, 255)}}},
      {"WorldTransformTranslatesAndScales",
       [](TEmfBuilder& b) {
         b.Record(emr::SetWorldTransform, {0x40000000, 0, 0, 0x40000000, 0x41200000, 0});
         SolidBrush(b, kGreen);
         b.Record(emr::Rectangle, {0, 0, 20, 20});  // 2x, then 10 to the right: 10..50
       },
       {{30, 30, qRgb(0, 255, 0)}, {5, 30, qRgb(255, 255, 255)}, {60, 30, qRgb(255, 255, 255)}}},
      {"IntersectClipRectClipsAFill",
       [](TEmfBuilder& b) {
         b.Record(emr::IntersectClipRect, {0, 0, 50, 100});
         SolidBrush(b, kRed);
         b.Record(emr::Rectangle, {10, 10, 90, 90});
       },
       {{30, 50, qRgb(255, 0, 0)}, {70, 50, qRgb(255, 255, 255)}}},
      {"ClipResetStaysInsideTheMetaRegion",
       [](TEmfBuilder& b) {
         b.Record(emr::IntersectClipRect, {0, 0, 50, 100});
         b.Record(emr::SetMetaRgn, {});
         b.Record(emr::ExtSelectClipRgn, {0, 5});  // RGN_COPY of no region: clip reset
         SolidBrush(b, kRed);
         b.Record(emr::Rectangle, {10, 10, 90, 90});
       },
       {{30, 50, qRgb(255, 0, 0)}, {70, 50, qRgb(255, 255, 255)}}},
      {"GradientTriangleBlendsItsCornerColours",
       [](TEmfBuilder& b) {
         // Bounds, 3 corners, 1 triangle, triangle mode; each corner: x, y, then its 16-bit
         // red and green in one word, blue and alpha in the next; the triangle's corner numbers.
         const int32_t green = static_cast<int32_t>(0xFF000000u);
         b.Record(emr::GradientFill, {0,  0,  100,   100, 3,  1,  2, 10,     10, 0xFF00, 0,
                                      90, 10, green, 0,   10, 90, 0, 0xFF00, 0,  1,      2});
       },
       {{15, 15, qRgb(255, 0, 0)},
        {80, 15, qRgb(0, 255, 0)},
        {15, 80, qRgb(0, 0, 255)},
        {80, 80, qRgb(255, 255, 255)}}},
      {"SaveAndRestoreDropTheClip",
       [](TEmfBuilder& b) {
         b.Record(emr::SaveDC, {});
         b.Record(emr::ExcludeClipRect, {0, 0, 50, 100});
         b.Record(emr::RestoreDC, {-1});
         SolidBrush(b, kRed);
         b.Record(emr::Rectangle, {10, 10, 90, 90});
       },
       {{30, 50, qRgb(255, 0, 0)}, {70, 50, qRgb(255, 0, 0)}}},
      {"LineEndsWhereItShould",
       [](TEmfBuilder& b) {
         b.Record(emr::CreatePen, {1, 0, 3, 0, 0});  // solid black, 3 units wide
         b.Record(emr::SelectObject, {1});
         b.Record(emr::MoveToEx, {10, 50});
         b.Record(emr::LineTo, {60, 50});
       },
       {{30, 50, qRgb(0, 0, 0)}, {58, 50, qRgb(0, 0, 0)}, {70, 50, qRgb(255, 255, 255)}}},
      {"NullBrushLeavesTheInside",
       [](TEmfBuilder& b) {
         b.Record(emr::SelectObject, {static_cast<int32_t>(0x80000005u)});
         b.Record(emr::CreatePen, {1, 0, 3, 0, 0});
         b.Record(emr::SelectObject, {1});
         b.Record(emr::Rectangle, {20, 20, 80, 80});
       },
       {{50, 50, qRgb(255, 255, 255)}, {20, 50, qRgb(0, 0, 0)}}},
      {"PathFilledWithWindingRule",
       [](TEmfBuilder& b) {
         SolidBrush(b, kBlue);
         b.Record(emr::SetPolyFillMode, {2});
         b.Record(emr::BeginPath, {});
         b.Record(emr::Rectangle, {10, 10, 90, 90});
         b.Record(emr::Rectangle, {30, 30, 70, 70});
         b.Record(emr::EndPath, {});
         b.Record(emr::FillPath, {0, 0, 100, 100});
       },
       {{50, 50, qRgb(0, 0, 255)}, {20, 50, qRgb(0, 0, 255)}}},
      {"SelectClipPathKeepsTheInside",
       [](TEmfBuilder& b) {
         b.Record(emr::BeginPath, {});
         b.Record(emr::Rectangle, {0, 0, 40, 100});
         b.Record(emr::EndPath, {});
         b.Record(emr::SelectClipPath, {5});
         SolidBrush(b, kGreen);
         b.Record(emr::Rectangle, {0, 0, 100, 100});
       },
       {{20, 50, qRgb(0, 255, 0)}, {60, 50, qRgb(255, 255, 255)}}},
      // Found by fuzzing: a clip a million times the page once overflowed the integer region.
      {"ClipFarBeyondThePageHoldsTheWholePage",
       [](TEmfBuilder& b) {
         b.Record(emr::SetMapMode, {8});
         b.Record(emr::SetWindowExtEx, {1, 1});
         b.Record(emr::SetViewportExtEx, {1000000, 1000000});
         b.Record(emr::IntersectClipRect, {-100000, -100000, 100000, 100000});
         b.Record(emr::SetMapMode, {1});
         SolidBrush(b, kRed);
         b.Record(emr::Rectangle, {10, 10, 90, 90});
       },
       {{15, 15, qRgb(255, 0, 0)}, {85, 85, qRgb(255, 0, 0)}}},
      // Found by fuzzing: a clip path a million rows tall made Qt leak its polygon edge table.
      {"ClipPathFarTallerThanThePageLeavesTheRestUnpainted",
       [](TEmfBuilder& b) {
         b.Record(emr::BeginPath, {});
         b.Record(emr::MoveToEx, {0, 0});
         b.Record(emr::LineTo, {10, 1000000});
         b.Record(emr::LineTo, {20, 0});
         b.Record(emr::CloseFigure, {});
         b.Record(emr::EndPath, {});
         b.Record(emr::SelectClipPath, {5});
         SolidBrush(b, kRed);
         b.Record(emr::Rectangle, {0, 0, 100, 100});
       },
       {{60, 50, qRgb(255, 255, 255)}, {90, 90, qRgb(255, 255, 255)}}},
      // The 100-pixel page spans 101 device pixels (its frame includes its last row), so at
      // 70 pixels the scale is 70/101. A rule one device pixel tall from y = 51 then covers
      // 35.35 .. 36.04: drawn between the rows it would be a pale row and a faint one; GDI
      // rounds its edges and lights one whole row.
      {"OnePixelRuleStaysOneSharpRowWhenScaled",
       [](TEmfBuilder& b) {
         SolidBrush(b, kRed);
         b.Record(emr::Rectangle, {10, 51, 90, 52});
       },
       {{35, 35, qRgb(255, 0, 0)}, {35, 34, qRgb(255, 255, 255)}, {35, 36, qRgb(255, 255, 255)}},
       70},
      // Without a pen GDI leaves out a rectangle's last column, so writers tile cells one unit
      // wider than their step; the cells then meet in a whole pixel at any scale.
      {"CellsSharingAnEdgeLeaveNoSeamWhenScaled",
       [](TEmfBuilder& b) {
         SolidBrush(b, kRed);
         b.Record(emr::Rectangle, {10, 10, 52, 90});
         b.Record(emr::Rectangle, {51, 10, 90, 90});
       },
       {{34, 30, qRgb(255, 0, 0)}, {35, 30, qRgb(255, 0, 0)}, {36, 30, qRgb(255, 0, 0)}},
       70},
      // Recorded on a coarse device (11 pixels, counting the frame's last one) and drawn at 100:
      // the outline ends one pixel of the drawing surface before its right edge, as GDI draws
      // it there, not one recording pixel (nine surface pixels) before it.
      {"OutlineEndsOneSurfacePixelInsideItsEdge",
       [](TEmfBuilder& b) {
         b.Record(emr::SelectObject, {static_cast<int32_t>(0x80000005u)});  // NULL_BRUSH
         b.Record(emr::Rectangle, {0, 0, 11, 11});
       },
       {{99, 50, qRgb(0, 0, 0)}, {91, 50, qRgb(255, 255, 255)}, {50, 50, qRgb(255, 255, 255)}},
       100,
       10},
      {"HairlineLightsTheRowItLiesOn",
       [](TEmfBuilder& b) {
         b.Record(emr::CreatePen, {1, 0, 0, 0, 0});  // solid black, one pixel
         b.Record(emr::SelectObject, {1});
         b.Record(emr::MoveToEx, {10, 52});
         b.Record(emr::LineTo, {90, 52});  // 36.04: inside row 36, next to the edge of row 35
       },
       {{35, 36, qRgb(0, 0, 0)}, {35, 35, qRgb(255, 255, 255)}, {35, 37, qRgb(255, 255, 255)}},
       70},
  };
}

TEST_P(PageTest, PixelsAtKnownPlaces) {
  TEmfBuilder b(GetParam().Page, GetParam().Page);
  GetParam().Build(b);
  const QImage img = Play(b.Finish(), GetParam().Output, GetParam().Output);
  for (const TPixel& p : GetParam().Expect) {
    const QRgb got = img.pixel(p.X, p.Y);
    EXPECT_NEAR(qRed(got), qRed(p.Color), 40) << "at " << p.X << "," << p.Y;
    EXPECT_NEAR(qGreen(got), qGreen(p.Color), 40) << "at " << p.X << "," << p.Y;
    EXPECT_NEAR(qBlue(got), qBlue(p.Color), 40) << "at " << p.X << "," << p.Y;
  }
}

INSTANTIATE_TEST_SUITE_P(Player, PageTest, testing::ValuesIn(PageCases()), CaseName<TPageCase>);

// ---- text placement ----

QRect InkBox(const QImage& img) {
  QRect box;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 128) box |= QRect(x, y, 1, 1);
  return box;
}

std::string TextPage(uint32_t align, bool withDx) {
  TEmfBuilder b(200, 100);
  std::string font;
  for (int32_t v : {1, -30, 0, 0, 0, 400}) PutU32(font, static_cast<uint32_t>(v));
  PutU32(font, 0);  // italic, underline, strikeout, charset
  PutU32(font, 0);
  for (char16_t c : std::u16string(u"Arial")) PutU16(font, c);
  font.resize(4 + 92, '\0');
  b.RecordBytes(emr::ExtCreateFontIndirectW, font);
  b.Record(emr::SelectObject, {1});
  b.Record(emr::SetTextAlign, {static_cast<int32_t>(align)});
  b.Record(emr::SetBkMode, {1});
  // EMRTEXT at offset 36: reference (100, 60), 3 characters, string at 76, Dx after it.
  std::string t;
  for (int32_t v : {0, 0, 0, 0, 1, 0, 0, 100, 60, 3, 76, 0, 0, 0, 0, 0, withDx ? 84 : 0})
    PutU32(t, static_cast<uint32_t>(v));
  for (char16_t c : std::u16string(u"HHH")) PutU16(t, c);
  PutU16(t, 0);
  if (withDx)
    for (int32_t v : {30, 30, 30}) PutU32(t, static_cast<uint32_t>(v));
  b.RecordBytes(emr::ExtTextOutW, t);
  return b.Finish();
}

struct TAlignCase {
  const char* Name;
  uint32_t Align;
  bool Dx;
  int Left, Right;  // expected ink extent, -1 = not checked
  int Top, Bottom;  // expected ink extent, -1 = not checked
};

class TextAlignTest : public testing::TestWithParam<TAlignCase> {};

TEST_P(TextAlignTest, InkStartsAtTheReferencePoint) {
  const TAlignCase& c = GetParam();
  const QRect ink = InkBox(Play(TextPage(c.Align, c.Dx), 200, 100));
  ASSERT_FALSE(ink.isEmpty());
  if (c.Left >= 0) {
    EXPECT_NEAR(ink.left(), c.Left, 4);
  }
  if (c.Right >= 0) {
    EXPECT_NEAR(ink.right(), c.Right, 4);
  }
  if (c.Top >= 0) {
    EXPECT_NEAR(ink.top(), c.Top, 4);
  }
  if (c.Bottom >= 0) {
    EXPECT_NEAR(ink.bottom(), c.Bottom, 2);
  }
}

// A 30-pixel Arial "H" is about 21 pixels tall and 18 wide; the Dx cases space them 30 apart.
INSTANTIATE_TEST_SUITE_P(
    Player, TextAlignTest,
    testing::Values(
        TAlignCase{"LeftBaseline", gdi::TA_BASELINE, true, 102, 178, -1, 59},
        TAlignCase{"RightBaseline", gdi::TA_BASELINE | gdi::TA_RIGHT, true, 12, 88, -1, 59},
        TAlignCase{"CenterBaseline", gdi::TA_BASELINE | gdi::TA_CENTER, true, 57, 133, -1, 59},
        TAlignCase{"LeftTop", 0, true, 102, -1, 66, 87},
        TAlignCase{"LeftBottom", gdi::TA_BOTTOM, true, 102, -1, -1, 53},
        TAlignCase{"LeftBaselineNoDx", gdi::TA_BASELINE, false, 102, -1, -1, 59}),
    CaseName<TAlignCase>);

// ---- bitmaps ----

struct TDibCase {
  const char* Name;
  int Bits;
  bool TopDown;
};

class DibCornerTest : public testing::TestWithParam<TDibCase> {};

TEST_P(DibCornerTest, CornersLandInTheRightPlaces) {
  const std::string dib = CornerDib(GetParam().Bits, GetParam().TopDown);
  const uint32_t infoSize = CornerDibHeaderSize(GetParam().Bits);
  TEmfBuilder b;
  std::string r;
  for (int32_t v : {0, 0, 100, 100, 0, 0, 0, 0, 2, 2, 80, static_cast<int32_t>(infoSize),
                    static_cast<int32_t>(80 + infoSize),
                    static_cast<int32_t>(dib.size() - infoSize), 0, 0xCC0020, 100, 100})
    PutU32(r, static_cast<uint32_t>(v));
  b.RecordBytes(emr::StretchDIBits, r + dib);
  const QImage img = Play(b.Finish());
  const bool mono = GetParam().Bits == 1;
  const QRgb tl = qRgb(255, 0, 0), tr = qRgb(0, 255, 0);
  const QRgb bl = mono ? tr : qRgb(0, 0, 255), br = mono ? tl : qRgb(255, 255, 255);
  EXPECT_EQ(img.pixel(10, 10), tl);
  EXPECT_EQ(img.pixel(90, 10), tr);
  EXPECT_EQ(img.pixel(10, 90), bl);
  EXPECT_EQ(img.pixel(90, 90), br);
}

INSTANTIATE_TEST_SUITE_P(Player, DibCornerTest,
                         testing::Values(TDibCase{"Bits1", 1, false}, TDibCase{"Bits4", 4, false},
                                         TDibCase{"Bits8", 8, false}, TDibCase{"Bits24", 24, false},
                                         TDibCase{"Bits32", 32, false},
                                         TDibCase{"Bits24TopDown", 24, true},
                                         TDibCase{"Bits8TopDown", 8, true}),
                         CaseName<TDibCase>);

// ---- Windows metafiles and damage ----

TEST(Player, WmfRectangleFillsItsPlaceInTheBox) {
  TWmfBuilder b(1000, 1000);
  b.Record(meta::CreateBrushIndirect, {0, static_cast<int16_t>(0x00FF), 0, 0});  // red
  b.Record(meta::SelectObject, {0});
  b.Record(meta::Rectangle, {1000, 500, 0, 0});  // bottom, right, top, left
  const QImage img = Play(b.Finish());
  EXPECT_EQ(img.pixel(25, 50), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(75, 50), qRgb(255, 255, 255));
}

TEST(Player, DamagedFileDrawsWhatPrecedesTheDamage) {
  TEmfBuilder b;
  SolidBrush(b, kRed);
  b.Record(emr::Rectangle, {0, 0, 50, 100});
  b.Record(emr::Rectangle, {50, 0, 100, 100});
  std::string bytes = b.Finish();
  // Break the size of the second rectangle: it now runs past the end of the file.
  const size_t second = bytes.size() - 20 - 24;
  bytes[second + 4] = '\x7F';
  const QImage img = Play(bytes);
  EXPECT_EQ(img.pixel(25, 50), qRgb(255, 0, 0));
  EXPECT_EQ(img.pixel(75, 50), qRgb(255, 255, 255));
}

TEST(Player, UnsoundRecordIsSkipped) {
  TEmfBuilder b;
  SolidBrush(b, kRed);
  b.Record(emr::Polygon, {0, 0, 0, 0, 1000000, 0, 0});  // claims a million points
  b.Record(emr::Rectangle, {0, 0, 50, 50});
  const QImage img = Play(b.Finish());
  EXPECT_EQ(img.pixel(25, 25), qRgb(255, 0, 0));
}

// Extreme values that a damaged file carries are held in range (the sanitizer build checks the
// arithmetic); what the page draws around them stays.
TEST(Player, ExtremeValuesAreHeldInRange) {
  constexpr int32_t kMax = 0x7FFFFFFF, kMin = -0x7FFFFFFF - 1;
  TEmfBuilder b;
  SolidBrush(b, kRed);
  b.Record(emr::Rectangle, {0, 0, 50, 100});
  // A clip region whose rectangle spans the whole int range, in intersect mode.
  b.Record(emr::ExtSelectClipRgn,
           {48, 1, 32, 1, 1, 16, kMin, kMin, kMax, kMax, kMin, kMin, kMax, kMax});
  b.Record(emr::OffsetClipRgn, {kMax, kMax});
  b.Record(emr::ExtCreatePen, {2, 0, 0, 0, 0, 0x10000 | 7, kMax, 0, 0, 0, 2, 1, 1});
  b.Record(emr::SelectObject, {2});
  b.Record(emr::MoveToEx, {kMin, kMin});
  b.Record(emr::LineTo, {kMax, kMax});
  b.Record(emr::PolyBezier, {0, 0, 0, 0, 4, 0, 0, kMax, kMin, kMin, kMax, 10, 10});
  const QImage img = Play(b.Finish());
  EXPECT_EQ(img.pixel(25, 50), qRgb(255, 0, 0));
}

// Every file of the real-world corpus plays to its end without a crash (the sanitizer build
// runs this too); damaged files keep what precedes the damage.
TEST(Player, CorpusPlaysWithoutCrashing) {
  const auto files = CorpusMetafiles();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << EXAM_CORPUS_DIR;
  int played = 0;
  for (const auto& [path, m] : files) {
    QImage img(400, 300, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    PlayMetafile(p, m, QRectF(0, 0, 400, 300));
    ++played;
  }
  EXPECT_GE(played, 90);
}

}  // namespace

namespace {

// A page stops at its time budget with what it drew first, and says it stopped; a page within
// the budget says it is whole.
TEST(Player, APageStopsAtItsTimeBudgetAndSaysSo) {
  struct Case {
    const char* what;
    int rectangles;
    bool whole;
  } cases[] = {{"a few records", 2, true}, {"three million records", 3'000'000, false}};
  for (const Case& c : cases) {
    TEmfBuilder b;
    SolidBrush(b, kRed);
    b.Record(emr::Rectangle, {0, 0, 50, 100});
    for (int i = 1; i < c.rectangles; ++i) b.Record(emr::Rectangle, {50, 0, 100, 100});
    TMetafile page;
    ASSERT_TRUE(page.LoadFromBytes(b.Finish())) << c.what;
    QImage img(100, 100, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter painter(&img);
    EXPECT_EQ(PlayMetafile(painter, page, QRectF(0, 0, 100, 100)), c.whole) << c.what;
    painter.end();
    EXPECT_EQ(img.pixel(25, 50), qRgb(255, 0, 0)) << c.what;
  }
}

}  // namespace
