// Tests of the player's raster operations, patterned pens and bitmap records: small pages built
// record by record, their pixels checked against what GDI draws for those records.
#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>

#include "MetafileBuilder.h"
#include "PlayerPages.h"
#include "RecordTypes.h"

namespace {

int32_t F(float v) {
  return std::bit_cast<int32_t>(v);
}

const QRgb kWhite = qRgb(255, 255, 255), kBlack = qRgb(0, 0, 0);
const QRgb kRedPx = qRgb(255, 0, 0), kGreenPx = qRgb(0, 255, 0), kBluePx = qRgb(0, 0, 255);

struct TXform {
  float M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
};

void Put(std::string& p, std::initializer_list<int32_t> words) {
  for (int32_t w : words) PutU32(p, static_cast<uint32_t>(w));
}

void PutXform(std::string& p, const TXform& x) {
  Put(p, {F(x.M11), F(x.M12), F(x.M21), F(x.M22), F(x.Dx), F(x.Dy)});
}

// A bitmap's fields (colour usage, then offset and size of its header and of its bits) for a
// packed DIB placed at offset `at` of the record; an empty DIB gives zeros.
void PutDib(std::string& p, const std::string& dib, uint32_t header, uint32_t at) {
  if (dib.empty()) return Put(p, {0, 0, 0, 0, 0});
  Put(p, {0, static_cast<int32_t>(at), static_cast<int32_t>(header),
          static_cast<int32_t>(at + header), static_cast<int32_t>(dib.size() - header)});
}

// EMR_BITBLT or EMR_STRETCHBLT of CornerDib(24) with the given source rectangle and transform.
void Blt(TEmfBuilder& b, bool stretch, QRect dst, QRect src, TXform x = {},
         uint32_t rop = 0x00CC0020) {
  const std::string dib = CornerDib(24, false);
  std::string p;
  Put(p, {0, 0, 100, 100, dst.x(), dst.y(), dst.width(), dst.height()});
  PutU32(p, rop);
  Put(p, {src.x(), src.y()});
  PutXform(p, x);
  Put(p, {0});  // background colour
  PutDib(p, dib, CornerDibHeaderSize(24), stretch ? 108 : 100);
  if (stretch) Put(p, {src.width(), src.height()});
  b.RecordBytes(stretch ? emr::StretchBlt : emr::BitBlt, p + dib);
}

// Logical units of 50 output pixels: a 2 x 2 bitmap drawn 1:1 covers the page.
void HalfPageUnits(TEmfBuilder& b) {
  b.Record(emr::SetMapMode, {8});
  b.Record(emr::SetWindowExtEx, {2, 2});
  b.Record(emr::SetViewportExtEx, {100, 100});
}

// The 2 x 2 mask of MaskBlt and PlgBlt: 1 on the diagonal (the red and the white corner).
std::string DiagonalMask() {
  return MonoDib({"10", "01"});
}
constexpr uint32_t kMaskHeader = 48;

// EMR_MASKBLT of CornerDib(24) onto (0, 0, 2, 2) with the diagonal mask.
void MaskBlt(TEmfBuilder& b, uint32_t rop) {
  const std::string dib = CornerDib(24, false), mask = DiagonalMask();
  std::string p;
  Put(p, {0, 0, 100, 100, 0, 0, 2, 2});
  PutU32(p, rop);
  Put(p, {0, 0});
  PutXform(p, {});
  Put(p, {0});
  PutDib(p, dib, CornerDibHeaderSize(24), 128);
  Put(p, {0, 0});  // the mask's corner
  PutDib(p, mask, kMaskHeader, 128 + static_cast<uint32_t>(dib.size()));
  b.RecordBytes(emr::MaskBlt, p + dib + mask);
}

// EMR_PLGBLT of CornerDib(24) turned a quarter: its top edge runs down the page's right half
// from (80, 10) to (80, 90), its left edge leftwards to (20, 10).
void PlgBlt(TEmfBuilder& b, bool withMask) {
  const std::string dib = CornerDib(24, false), mask = withMask ? DiagonalMask() : "";
  std::string p;
  Put(p, {0, 0, 100, 100, 80, 10, 80, 90, 20, 10, 0, 0, 2, 2});
  PutXform(p, {});
  Put(p, {0});
  PutDib(p, dib, CornerDibHeaderSize(24), 140);
  Put(p, {0, 0});
  PutDib(p, mask, kMaskHeader, 140 + static_cast<uint32_t>(dib.size()));
  b.RecordBytes(emr::PlgBlt, p + dib + mask);
}

void GreyPage(TEmfBuilder& b) {
  SolidBrush(b, 0x808080);
  b.Record(emr::Rectangle, {0, 0, 101, 101});
}

const QRgb kGrey = qRgb(128, 128, 128);

std::vector<TPageCase> RasterCases() {
  return {
      // ROP2 codes that ignore the brush's colour: every pixel the fill covers turns black or
      // white, the hatch's background included.
      {"Rop2BlackFillsBlack",
       [](TEmfBuilder& b) {
         SolidBrush(b, kRed);
         b.Record(emr::SetRop2, {1});
         b.Record(emr::Rectangle, {20, 20, 80, 80});
       },
       {{50, 50, kBlack}, {10, 10, kWhite}}},
      {"Rop2WhiteFillsWhite",
       [](TEmfBuilder& b) {
         SolidBrush(b, kBlue);
         b.Record(emr::Rectangle, {0, 0, 101, 101});
         SolidBrush(b, kRed);
         b.Record(emr::SetRop2, {16});
         b.Record(emr::Rectangle, {20, 20, 80, 80});
       },
       {{50, 50, kWhite}, {10, 10, kBluePx}}},
      {"Rop2BlackFillsAnOpaqueHatchBlack",
       [](TEmfBuilder& b) {
         b.Record(emr::CreateBrushIndirect, {1, 2, kRed, 1});  // HS_VERTICAL
         b.Record(emr::SelectObject, {1});
         b.Record(emr::SelectObject, {static_cast<int32_t>(0x80000008u)});
         b.Record(emr::SetBkMode, {2});
         b.Record(emr::SetBkColor, {kGreen});
         b.Record(emr::SetRop2, {1});
         b.Record(emr::Rectangle, {20, 20, 80, 80});
       },
       {{48, 50, kBlack},
        {49, 50, kBlack},
        {50, 50, kBlack},
        {51, 50, kBlack},
        {52, 50, kBlack},
        {53, 50, kBlack},
        {54, 50, kBlack},
        {55, 50, kBlack}}},
      // The source rectangle is in the source's logical units; its transform gives the pixels.
      {"StretchBltSourceTranslated",
       [](TEmfBuilder& b) {
         Blt(b, true, {0, 0, 101, 101}, {1, 1, 1, 1}, {1, 0, 0, 1, -1, -1});
       },
       {{20, 20, kRedPx}, {80, 80, kRedPx}}},
      {"StretchBltSourceScaled",
       [](TEmfBuilder& b) {
         Blt(b, true, {0, 0, 101, 101}, {0, 0, 4, 4}, {0.5F, 0, 0, 0.5F, 0, 0});
       },
       {{25, 25, kRedPx}, {75, 25, kGreenPx}, {25, 75, kBluePx}, {75, 75, kWhite}}},
      {"BitBltSourceScaled",
       [](TEmfBuilder& b) {
         Blt(b, false, {0, 0, 101, 101}, {0, 0, 0, 0}, {0.02F, 0, 0, 0.02F, 0, 0});
       },
       {{25, 25, kRedPx}, {75, 25, kGreenPx}, {25, 75, kBluePx}}},
      {"StretchBltSourceMirrored",
       [](TEmfBuilder& b) {
         Blt(b, true, {0, 0, 101, 101}, {0, 0, 2, 2}, {-1, 0, 0, 1, 2, 0});
       },
       {{25, 25, kGreenPx}, {75, 25, kRedPx}, {25, 75, kWhite}, {75, 75, kBluePx}}},
      // A transform no device context can have (here all zeros, as a writer may leave it) is
      // not taken: GDI keeps the identity.
      {"StretchBltBlankSourceTransformIsTheIdentity",
       [](TEmfBuilder& b) {
         Blt(b, true, {0, 0, 101, 101}, {0, 0, 2, 2}, {0, 0, 0, 0, 0, 0});
       },
       {{25, 25, kRedPx}, {75, 25, kGreenPx}, {25, 75, kBluePx}}},
      // GDI refuses a blit whose source is rotated or sheared.
      {"StretchBltSourceRotatedIsRefused",
       [](TEmfBuilder& b) {
         Blt(b, true, {0, 0, 101, 101}, {0, 0, 2, 2}, {0, 1, -1, 0, 2, 0});
       },
       {{25, 25, kWhite}, {75, 25, kWhite}}},
      // MaskBlt: mask bits of 1 take the foreground operation (third byte of the ROP4), bits of
      // 0 the background one (top byte). The mask is 1 on the red and white corners.
      {"MaskBltSrcCopyOverBlackness",
       [](TEmfBuilder& b) {
         GreyPage(b);
         HalfPageUnits(b);
         MaskBlt(b, 0x00CC0020);
       },
       {{25, 25, kRedPx}, {75, 75, kWhite}, {75, 25, kBlack}, {25, 75, kBlack}}},
      {"MaskBltSrcCopyOverTheDestination",
       [](TEmfBuilder& b) {
         GreyPage(b);
         HalfPageUnits(b);
         MaskBlt(b, 0xAACC0020);
       },
       {{25, 25, kRedPx}, {75, 75, kWhite}, {75, 25, kGrey}, {25, 75, kGrey}}},
      {"MaskBltPatternWhereOneSourceInvertWhereZero",
       [](TEmfBuilder& b) {
         SolidBrush(b, kBlue);
         b.Record(emr::Rectangle, {0, 0, 101, 101});
         HalfPageUnits(b);
         SolidBrush(b, 0x00FFFF);  // yellow
         MaskBlt(b, 0x66F00021);   // PATCOPY where 1, SRCINVERT where 0
       },
       {{25, 25, qRgb(255, 255, 0)},
        {75, 75, qRgb(255, 255, 0)},
        {75, 25, qRgb(0, 255, 255)},  // green ^ blue
        {25, 75, kBlack}}},           // blue ^ blue
      // PlgBlt: the source's corners land on the three points; mask bits of 0 leave the page.
      {"PlgBltTurnsTheSourceOntoItsPoints",
       [](TEmfBuilder& b) { PlgBlt(b, false); },
       {{65, 30, kRedPx},
        {65, 70, kGreenPx},
        {35, 30, kBluePx},
        {35, 70, kWhite},
        {10, 50, kWhite},
        {90, 50, kWhite}}},
      {"PlgBltLeavesMaskedPixels",
       [](TEmfBuilder& b) {
         GreyPage(b);
         PlgBlt(b, true);
       },
       {{65, 30, kRedPx}, {65, 70, kGrey}, {35, 30, kGrey}, {35, 70, kWhite}, {10, 50, kGrey}}},
  };
}

INSTANTIATE_TEST_SUITE_P(Raster, PageTest, testing::ValuesIn(RasterCases()), CaseName<TPageCase>);

// ---- wide pens that stroke with a hatch or a pattern ----

// EXTCREATEPEN: geometric, flat ends, 20 units wide, with the given brush style, colour, hatch
// and DIB; then a line across the page at y = 50.
std::string PenPage(uint32_t brushStyle, int32_t color, uint32_t hatch, const std::string& dib,
                    uint32_t dibHeader, std::function<void(TEmfBuilder&)> before = {}) {
  TEmfBuilder b;
  if (before) before(b);
  std::string p;
  const uint32_t bits = dib.empty() ? 0 : 52 + dibHeader;
  for (uint32_t v : {1u, dib.empty() ? 0u : 52u, dibHeader, bits,
                     dib.empty() ? 0u : static_cast<uint32_t>(dib.size()) - dibHeader, 0x10200u,
                     20u, brushStyle, static_cast<uint32_t>(color), hatch, 0u})
    PutU32(p, v);
  b.RecordBytes(emr::ExtCreatePen, p + dib);
  b.Record(emr::SelectObject, {1});
  b.Record(emr::MoveToEx, {10, 50});
  b.Record(emr::LineTo, {90, 50});
  return b.Finish();
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= 40 && std::abs(qGreen(a) - qGreen(b)) <= 40 &&
         std::abs(qBlue(a) - qBlue(b)) <= 40;
}

// A hatch is one line of device pixels in every eight: of 16 columns across the stroke, two are
// the pen's colour and the rest show the background (the page, or the background colour when
// the mode is opaque).
TEST(PatternedPen, HatchShowsOneColumnInEight) {
  struct {
    const char* Name;
    uint32_t BkMode;
    QRgb Background;
  } cases[] = {{"transparent", 1, kWhite}, {"opaque", 2, kGreenPx}};
  for (const auto& c : cases) {
    const QImage img = Play(PenPage(2, kRed, 1, {}, 0,
                                    [&](TEmfBuilder& b) {
                                      b.Record(emr::SetBkMode, {static_cast<int32_t>(c.BkMode)});
                                      b.Record(emr::SetBkColor, {kGreen});
                                    }),
                            101, 101);
    int hatch = 0, background = 0;
    for (int x = 24; x < 40; ++x) {
      hatch += Near(img.pixel(x, 50), kRedPx);
      background += Near(img.pixel(x, 50), c.Background);
    }
    EXPECT_EQ(hatch, 2) << c.Name;
    EXPECT_EQ(background, 14) << c.Name;
  }
}

// A pattern is laid in device pixels from the page's origin, as a brush's is: the 2 x 2 DIB
// repeats along the stroke (page and output both 101 pixels, so one pattern pixel each).
TEST(PatternedPen, PatternRepeatsAlongTheStroke) {
  struct {
    const char* Name;
    uint32_t BrushStyle;
    int Bits;
    QRgb Even50, Odd50, Even51, Odd51;  // pixels (30, 50), (31, 50), (30, 51), (31, 51)
  } cases[] = {
      {"BS_DIBPATTERNPT", 6, 32, kRedPx, kGreenPx, kBluePx, kWhite},
      {"BS_DIBPATTERN", 5, 24, kRedPx, kGreenPx, kBluePx, kWhite},
      // A bitmap of one bit per pixel takes the text colour for 0, the background's for 1.
      {"BS_PATTERN of one bit", 3, 1, kBluePx, qRgb(255, 255, 0), qRgb(255, 255, 0), kBluePx},
  };
  for (const auto& c : cases) {
    const QImage img =
        Play(PenPage(c.BrushStyle, 0, 0, CornerDib(c.Bits, false), CornerDibHeaderSize(c.Bits),
                     [](TEmfBuilder& b) {
                       b.Record(emr::SetTextColor, {kBlue});
                       b.Record(emr::SetBkColor, {0x00FFFF});
                     }),
             101, 101);
    EXPECT_TRUE(Near(img.pixel(30, 50), c.Even50)) << c.Name;
    EXPECT_TRUE(Near(img.pixel(31, 50), c.Odd50)) << c.Name;
    EXPECT_TRUE(Near(img.pixel(30, 51), c.Even51)) << c.Name;
    EXPECT_TRUE(Near(img.pixel(31, 51), c.Odd51)) << c.Name;
  }
}

// ---- Windows metafiles ----

// A BITMAP16 of 2 x 2 pixels, 16 bits each (red, green / blue, white; rows top first), with
// `rows` of its two rows of bits present.
std::string Bitmap16(int bits, int rows) {
  std::string s;
  const uint16_t stride = bits == 16 ? 4 : 8;
  for (uint16_t v : {uint16_t{0}, uint16_t{2}, uint16_t{2}, stride}) PutU16(s, v);
  s.push_back('\1');
  s.push_back(static_cast<char>(bits));
  const uint32_t px[2][2] = {{0xFF0000, 0x00FF00}, {0x0000FF, 0xFFFFFF}};
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < 2; ++x) {
      const uint32_t c = px[y][x];
      if (bits == 16) {
        PutU16(s, static_cast<uint16_t>(((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 |
                                        ((c >> 3) & 31)));
      } else {
        PutU32(s, c);  // blue, green, red, unused
      }
    }
  return s;
}

struct TWmfCase {
  const char* Name;
  std::function<void(TWmfBuilder&)> Build;
  std::vector<TPixel> Expect;
};

void PrintTo(const TWmfCase& c, std::ostream* out) {
  *out << c.Name;
}

// META_STRETCHBLT of a BITMAP16 onto the whole 100 x 100 box.
void StretchBitmap16(TWmfBuilder& b, const std::string& bitmap) {
  std::string p;
  for (uint16_t v : {uint16_t{0x0020}, uint16_t{0x00CC}, uint16_t{2}, uint16_t{2}, uint16_t{0},
                     uint16_t{0}, uint16_t{100}, uint16_t{100}, uint16_t{0}, uint16_t{0}})
    PutU16(p, v);
  b.RecordBytes(meta::StretchBlt, p + bitmap);
}

class WmfPageTest : public testing::TestWithParam<TWmfCase> {};

TEST_P(WmfPageTest, PixelsAtKnownPlaces) {
  TWmfBuilder b(100, 100);
  GetParam().Build(b);
  const QImage img = Play(b.Finish());
  for (const TPixel& p : GetParam().Expect)
    EXPECT_TRUE(Near(img.pixel(p.X, p.Y), p.Color))
        << "at " << p.X << "," << p.Y << ": " << std::hex << img.pixel(p.X, p.Y);
}

INSTANTIATE_TEST_SUITE_P(
    Raster, WmfPageTest,
    testing::Values(
        TWmfCase{"Rop2BlackFillsBlack",
                 [](TWmfBuilder& b) {
                   b.Record(meta::CreateBrushIndirect, {0, 0x00FF, 0, 0});  // red
                   b.Record(meta::SelectObject, {0});
                   b.Record(meta::SetRop2, {1});
                   b.Record(meta::Rectangle, {80, 80, 20, 20});
                 },
                 {{50, 50, kBlack}, {10, 10, kWhite}}},
        TWmfCase{"StretchBltOf16BitBitmap",
                 [](TWmfBuilder& b) { StretchBitmap16(b, Bitmap16(16, 2)); },
                 {{25, 25, kRedPx}, {75, 25, kGreenPx}, {25, 75, kBluePx}, {75, 75, kWhite}}},
        // A bitmap whose rows of bits are not all there is not drawn.
        TWmfCase{"StretchBltOfShort16BitBitmapIsRefused",
                 [](TWmfBuilder& b) { StretchBitmap16(b, Bitmap16(16, 1)); },
                 {{25, 25, kWhite}, {75, 25, kWhite}}},
        // META_DIBCREATEPATTERNBRUSH, BS_PATTERN: a BITMAP16 in place of the DIB.
        TWmfCase{"PatternBrushFromBitmap16",
                 [](TWmfBuilder& b) {
                   std::string p;
                   PutU16(p, 3);  // BS_PATTERN
                   PutU16(p, 0);  // DIB_RGB_COLORS
                   std::string bitmap = Bitmap16(32, 2);
                   for (size_t i = 10; i < bitmap.size(); i += 4) {  // every pixel red
                     bitmap[i] = '\0';
                     bitmap[i + 1] = '\0';
                     bitmap[i + 2] = '\xFF';
                   }
                   b.RecordBytes(meta::DIBCreatePatternBrush, p + bitmap);
                   b.Record(meta::SelectObject, {0});
                   b.Record(meta::Rectangle, {80, 80, 20, 20});
                 },
                 {{50, 50, kRedPx}, {10, 10, kWhite}}}),
    CaseName<TWmfCase>);

}  // namespace
