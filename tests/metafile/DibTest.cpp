// Tests of the DIB decoder: every depth and compression, orientation, palettes, hostile headers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "Dib.h"

namespace {

using TBytes = std::vector<uint8_t>;

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5 };

void Put16(TBytes& b, size_t at, uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}

void Put32(TBytes& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// A BITMAPINFOHEADER (or a longer one, zero-filled after the first 40 bytes).
TBytes InfoHeader(int32_t width, int32_t height, uint16_t bpp, uint32_t compression,
                  uint32_t clrUsed = 0, uint32_t headerSize = 40) {
  TBytes b(headerSize, 0);
  Put32(b, 0, headerSize);
  Put32(b, 4, static_cast<uint32_t>(width));
  Put32(b, 8, static_cast<uint32_t>(height));
  Put16(b, 12, 1);
  Put16(b, 14, bpp);
  Put32(b, 16, compression);
  Put32(b, 32, clrUsed);
  return b;
}

TBytes CoreHeader(uint16_t width, uint16_t height, uint16_t bpp) {
  TBytes b(12, 0);
  Put32(b, 0, 12);
  Put16(b, 4, width);
  Put16(b, 6, height);
  Put16(b, 8, 1);
  Put16(b, 10, bpp);
  return b;
}

// Distinct, easily told apart palette colours.
QRgb PaletteColor(int i) {
  return qRgb((i * 67 + 20) & 0xFF, (i * 151 + 90) & 0xFF, (i * 29 + 200) & 0xFF);
}

void AppendPalette(TBytes& info, int entries, bool triples) {
  for (int i = 0; i < entries; ++i) {
    const QRgb c = PaletteColor(i);
    info.push_back(static_cast<uint8_t>(qBlue(c)));
    info.push_back(static_cast<uint8_t>(qGreen(c)));
    info.push_back(static_cast<uint8_t>(qRed(c)));
    if (!triples) info.push_back(0);
  }
}

constexpr int kWidth = 7;  // odd, so that 4-bit rows end in half a byte and rows need padding
constexpr int kHeight = 3;

// The index of pixel (x, y), y counted from the top, in a palette of n colours.
int IndexAt(int x, int y, int n) {
  return (x * 3 + y * 5 + x * y) % n;
}

// The colour of pixel (x, y) of the true-colour fixtures.
QRgb ColorAt(int x, int y) {
  return qRgb(x * 36, 40 + y * 100, 250 - x * 30);
}

struct TUncompressedCase {
  const char* Name;
  uint16_t Bpp;
  bool Core;            // BITMAPCOREHEADER with RGBTRIPLE entries
  uint32_t HeaderSize;  // 40, 108 or 124 for an info header
  int ClrUsed;          // colour-table entries stored (0 = all)
  bool TopDown;
  uint32_t Compression;
  uint32_t Masks[3];  // BI_BITFIELDS only
  int Tolerance;      // per channel, for channels narrower than 8 bits
};

// Writes pixel value v of bpp bits at column x of a row.
void PutPixel(uint8_t* row, int x, uint16_t bpp, uint32_t v) {
  switch (bpp) {
    case 1:
      row[x / 8] |= static_cast<uint8_t>(v << (7 - x % 8));
      break;
    case 4:
      row[x / 2] |= static_cast<uint8_t>(x % 2 ? v : v << 4);
      break;
    default:
      for (int i = 0; i < bpp / 8; ++i) row[x * bpp / 8 + i] = static_cast<uint8_t>(v >> (8 * i));
      break;
  }
}

// A channel value packed into a mask, from its 8-bit value (dropping low bits).
uint32_t Pack(uint32_t value8, uint32_t mask) {
  int shift = 0;
  while (!(mask >> shift & 1)) ++shift;
  int bits = 0;
  while (mask >> (shift + bits) & 1) ++bits;
  return (bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits)) << shift;
}

uint32_t Unpack8(uint32_t pixel, uint32_t mask) {
  int shift = 0;
  while (!(mask >> shift & 1)) ++shift;
  const uint32_t max = mask >> shift;
  return static_cast<uint32_t>(std::lround(((pixel & mask) >> shift) * 255.0 / max));
}

struct TFixture {
  TBytes Info, Bits;
  std::function<QRgb(int, int)> Expected;
};

TFixture BuildUncompressed(const TUncompressedCase& c) {
  TFixture f;
  const int entries = c.Bpp <= 8 ? (c.ClrUsed ? c.ClrUsed : 1 << c.Bpp) : 0;
  if (c.Core) {
    f.Info = CoreHeader(kWidth, kHeight, c.Bpp);
  } else {
    f.Info = InfoHeader(kWidth, c.TopDown ? -kHeight : kHeight, c.Bpp, c.Compression,
                        static_cast<uint32_t>(c.ClrUsed), c.HeaderSize);
  }
  uint32_t masks[3] = {c.Masks[0], c.Masks[1], c.Masks[2]};
  if (c.Compression == kBitfields) {
    // Offset 40 is just after a short header, or inside a V4/V5 one.
    for (int i = 0; i < 3; ++i) Put32(f.Info, 40 + 4 * i, masks[i]);
  } else if (c.Bpp == 16) {
    masks[0] = 0x7C00, masks[1] = 0x3E0, masks[2] = 0x1F;
  } else {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }
  AppendPalette(f.Info, entries, c.Core);

  const size_t stride = (kWidth * c.Bpp + 31) / 32 * 4;
  f.Bits.assign(stride * kHeight, 0);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* row = f.Bits.data() + stride * (c.TopDown ? y : kHeight - 1 - y);
    for (int x = 0; x < kWidth; ++x) {
      uint32_t v;
      if (c.Bpp <= 8) {
        v = static_cast<uint32_t>(IndexAt(x, y, entries));
      } else {
        const QRgb rgb = ColorAt(x, y);
        v = Pack(qRed(rgb), masks[0]) | Pack(qGreen(rgb), masks[1]) | Pack(qBlue(rgb), masks[2]);
        if (c.Bpp == 32 && c.Compression == kRgb) v |= 0x5A000000;  // the byte BitBlt ignores
      }
      PutPixel(row, x, c.Bpp, v);
    }
  }
  if (c.Bpp <= 8) {
    f.Expected = [entries](int x, int y) { return PaletteColor(IndexAt(x, y, entries)); };
  } else {
    f.Expected = [masks](int x, int y) {
      const QRgb rgb = ColorAt(x, y);
      const uint32_t v =
          Pack(qRed(rgb), masks[0]) | Pack(qGreen(rgb), masks[1]) | Pack(qBlue(rgb), masks[2]);
      return qRgb(Unpack8(v, masks[0]), Unpack8(v, masks[1]), Unpack8(v, masks[2]));
    };
  }
  return f;
}

void ExpectPixels(const QImage& image, const std::function<QRgb(int, int)>& expected, int w, int h,
                  int tolerance) {
  const int xs[] = {0, w - 1, 0, w - 1, w / 2, 1};
  const int ys[] = {0, 0, h - 1, h - 1, h / 2, 1};
  for (int i = 0; i < 6; ++i) {
    const QRgb got = image.pixel(xs[i], ys[i]);
    const QRgb want = expected(xs[i], ys[i]);
    SCOPED_TRACE(testing::Message() << "pixel " << xs[i] << "," << ys[i] << " got " << std::hex
                                    << got << " want " << want);
    EXPECT_EQ(qAlpha(got), qAlpha(want));
    EXPECT_NEAR(qRed(got), qRed(want), tolerance);
    EXPECT_NEAR(qGreen(got), qGreen(want), tolerance);
    EXPECT_NEAR(qBlue(got), qBlue(want), tolerance);
  }
}

class DibUncompressedTest : public testing::TestWithParam<TUncompressedCase> {};

TEST_P(DibUncompressedTest, CornerAndMiddlePixels) {
  const TUncompressedCase& c = GetParam();
  const TFixture f = BuildUncompressed(c);
  const QImage image = DecodeDib(f.Info.data(), f.Info.size(), f.Bits.data(), f.Bits.size());
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(kWidth, kHeight));
  ExpectPixels(image, f.Expected, kWidth, kHeight, c.Tolerance);
  if (c.Bpp > 8) {
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
  } else {
    // Every index a pixel can hold has a colour, so drawing never reads past the table.
    EXPECT_EQ(image.colorCount(), 1 << c.Bpp);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Depths, DibUncompressedTest,
    testing::Values(
        TUncompressedCase{"Core1", 1, true, 12, 0, false, kRgb, {}, 0},
        TUncompressedCase{"Core4", 4, true, 12, 0, false, kRgb, {}, 0},
        TUncompressedCase{"Core24", 24, true, 12, 0, false, kRgb, {}, 0},
        TUncompressedCase{"Info1", 1, false, 40, 0, false, kRgb, {}, 0},
        TUncompressedCase{"Info4", 4, false, 40, 0, false, kRgb, {}, 0},
        TUncompressedCase{"Info4ShortTable", 4, false, 40, 11, false, kRgb, {}, 0},
        TUncompressedCase{"Info8", 8, false, 40, 0, false, kRgb, {}, 0},
        TUncompressedCase{"Info8ShortTable", 8, false, 40, 5, false, kRgb, {}, 0},
        TUncompressedCase{"V4Header8", 8, false, 108, 0, false, kRgb, {}, 0},
        TUncompressedCase{"Info8TopDown", 8, false, 40, 0, true, kRgb, {}, 0},
        TUncompressedCase{"Info16", 16, false, 40, 0, false, kRgb, {}, 1},
        TUncompressedCase{"Info16TopDown", 16, false, 40, 0, true, kRgb, {}, 1},
        TUncompressedCase{
            "Bitfields565", 16, false, 40, 0, false, kBitfields, {0xF800, 0x7E0, 0x1F}, 1},
        TUncompressedCase{
            "Bitfields444InV5", 16, false, 124, 0, false, kBitfields, {0xF00, 0xF0, 0xF}, 1},
        TUncompressedCase{"Info24", 24, false, 40, 0, false, kRgb, {}, 0},
        TUncompressedCase{"Info24TopDown", 24, false, 40, 0, true, kRgb, {}, 0},
        TUncompressedCase{"Info32", 32, false, 40, 0, false, kRgb, {}, 0},
        TUncompressedCase{"V5Header32", 32, false, 124, 0, true, kRgb, {}, 0},
        TUncompressedCase{
            "Bitfields32Swapped", 32, false, 40, 0, false, kBitfields, {0xFF, 0xFF00, 0xFF0000}, 0},
        TUncompressedCase{"Bitfields32TenBitInV4",
                          32,
                          false,
                          108,
                          0,
                          true,
                          kBitfields,
                          {0x3FF00000, 0xFFC00, 0x3FF},
                          0}),
    [](const testing::TestParamInfo<TUncompressedCase>& p) { return std::string(p.param.Name); });

// The same pixels stored bottom-up and top-down decode to the same image.
TEST(DibTest, TopDownAndBottomUpAgree) {
  TUncompressedCase c{"", 24, false, 40, 0, false, kRgb, {}, 0};
  const TFixture up = BuildUncompressed(c);
  c.TopDown = true;
  const TFixture down = BuildUncompressed(c);
  EXPECT_NE(up.Bits, down.Bits);
  EXPECT_EQ(DecodeDib(up.Info.data(), up.Info.size(), up.Bits.data(), up.Bits.size()),
            DecodeDib(down.Info.data(), down.Info.size(), down.Bits.data(), down.Bits.size()));
}

TEST(DibTest, PaletteIndicesUseTheDefaultOrAGivenPalette) {
  TBytes info = InfoHeader(3, 1, 8, kRgb, 3);
  for (uint16_t index : {13, 19, 200})
    info.insert(info.end(), {uint8_t(index), uint8_t(index >> 8)});
  const TBytes bits = {0, 1, 2, 0};
  const QImage image = DecodeDib(info.data(), info.size(), bits.data(), bits.size(), kDibPalColors);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));      // entry 13 of the default palette
  EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));  // entry 19
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));        // beyond the 20 entries

  std::vector<QRgb> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = qRgb(i, 255 - i, 7);
  const QImage own = DecodeDibWithPalette(info.data(), info.size(), bits.data(), bits.size(),
                                          kDibPalColors, palette.data(), palette.size());
  EXPECT_EQ(own.pixel(0, 0), qRgb(13, 242, 7));
  EXPECT_EQ(own.pixel(2, 0), qRgb(200, 55, 7));
}

// A colour count of 0 means "all", but some writers store only the colours in use; the table
// then ends where the header buffer does, or (packed) where the bits must begin.
TEST(DibTest, ImplicitColorCountWithAShortTable) {
  TBytes info = InfoHeader(3, 1, 8, kRgb, 0);
  AppendPalette(info, 2, false);
  const TBytes bits = {1, 0, 200, 0};
  const QImage image = DecodeDib(info.data(), info.size(), bits.data(), bits.size());
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.pixel(0, 0), PaletteColor(1));
  EXPECT_EQ(image.pixel(1, 0), PaletteColor(0));
  EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));  // no entry stored: black

  TBytes packed = info;
  packed.insert(packed.end(), bits.begin(), bits.end());
  EXPECT_EQ(DibHeaderSize(packed.data(), packed.size()), info.size());
  EXPECT_EQ(DecodePackedDib(packed.data(), packed.size()), image);
}

TEST(DibTest, AlphaBlendSourceKeepsItsAlpha) {
  const TBytes info = InfoHeader(2, 1, 32, kRgb);
  // BGRA: a half-transparent grey, and a pixel whose colour exceeds its alpha.
  const TBytes bits = {0x40, 0x40, 0x40, 0x80, 0xFF, 0x10, 0x20, 0x40};
  const QImage plain = DecodeDib(info.data(), info.size(), bits.data(), bits.size());
  EXPECT_EQ(plain.format(), QImage::Format_RGB32);
  EXPECT_EQ(plain.pixel(0, 0), qRgb(0x40, 0x40, 0x40));
  const QImage alpha = DecodeDibWithAlpha(info.data(), info.size(), bits.data(), bits.size());
  ASSERT_EQ(alpha.format(), QImage::Format_ARGB32_Premultiplied);
  const auto* line = reinterpret_cast<const QRgb*>(alpha.constScanLine(0));
  EXPECT_EQ(line[0], qRgba(0x40, 0x40, 0x40, 0x80));
  EXPECT_EQ(line[1], qRgba(0x20, 0x10, 0x40, 0x40));  // blue clamped to the alpha
}

// An RLE stream of one case: the bits, and the expected 4x3 picture as palette indices from the
// top row down (-1 = skipped, left transparent).
struct TRleCase {
  const char* Name;
  uint32_t Compression;
  TBytes Bits;
  int Expected[3][4];
};

class DibRleTest : public testing::TestWithParam<TRleCase> {};

TEST_P(DibRleTest, DecodesRunsEscapesAndSkips) {
  const TRleCase& c = GetParam();
  const uint16_t bpp = c.Compression == kRle8 ? 8 : 4;
  TBytes info = InfoHeader(4, 3, bpp, c.Compression);
  AppendPalette(info, 1 << bpp, false);
  const QImage image = DecodeDib(info.data(), info.size(), c.Bits.data(), c.Bits.size());
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.size(), QSize(4, 3));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const int want = c.Expected[y][x];
      SCOPED_TRACE(testing::Message() << "pixel " << x << "," << y);
      EXPECT_EQ(image.pixel(x, y), want < 0 ? qRgba(0, 0, 0, 0) : PaletteColor(want));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, DibRleTest,
    testing::Values(
        // Bottom row: runs of 3 and 1, end of line; middle: an absolute run of 3 (padded to an
        // even length) and a run of 1, end of line; top: delta right 2, a run of 2, end of bitmap.
        TRleCase{"Rle8",
                 kRle8,
                 {3, 5, 1, 9, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 0, 0, 2, 2, 0, 2, 7, 0, 1},
                 {{-1, -1, 7, 7}, {1, 2, 3, 4}, {5, 5, 5, 9}}},
        // Delta up one row and right one; end of bitmap leaves the rest untouched.
        TRleCase{"Rle8DeltaAndEarlyEnd",
                 kRle8,
                 {2, 8, 0, 2, 1, 1, 1, 6, 0, 1},
                 {{-1, -1, -1, -1}, {-1, -1, -1, 6}, {8, 8, -1, -1}}},
        // Runs alternate the two nibbles; absolute nibbles pad to a 16-bit boundary.
        TRleCase{"Rle4",
                 kRle4,
                 {4, 0x12, 0, 0, 0, 3, 0xAB, 0xC0, 1, 0xD0, 0, 0, 0, 2, 1, 0, 2, 0xEE, 0, 1},
                 {{-1, 14, 14, -1}, {10, 11, 12, 13}, {1, 2, 1, 2}}},
        // A stream that stops without its end mark keeps what it drew.
        TRleCase{
            "Rle8NoEndMark", kRle8, {4, 3}, {{-1, -1, -1, -1}, {-1, -1, -1, -1}, {3, 3, 3, 3}}}),
    [](const testing::TestParamInfo<TRleCase>& p) { return std::string(p.param.Name); });

QByteArray Encode(const QImage& image, const char* format) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return data;
}

TEST(DibTest, EmbeddedPngAndJpeg) {
  QImage source(16, 8, QImage::Format_RGB32);
  source.fill(qRgb(200, 30, 60));
  for (const auto& [compression, format] : {std::pair{kPng, "PNG"}, std::pair{kJpeg, "JPEG"}}) {
    SCOPED_TRACE(format);
    QImage picture = source;
    if (compression == kPng) picture.setPixel(15, 7, qRgb(0, 0, 255));  // lossless: one odd pixel
    const QByteArray data = Encode(picture, format);
    if (data.isEmpty()) {
      GTEST_SKIP() << "no " << format << " writer in this Qt";
    }
    const TBytes info = InfoHeader(16, 8, 0, compression);
    const QImage image =
        DecodeDib(info.data(), info.size(), reinterpret_cast<const uint8_t*>(data.constData()),
                  static_cast<size_t>(data.size()));
    ASSERT_EQ(image.size(), source.size());
    const QRgb corner = image.pixel(0, 0);
    EXPECT_NEAR(qRed(corner), 200, 6);
    EXPECT_NEAR(qGreen(corner), 30, 6);
    EXPECT_NEAR(qBlue(corner), 60, 6);
    if (compression == kPng) {
      EXPECT_EQ(image.pixel(15, 7), qRgb(0, 0, 255));
    }
  }
}

TEST(DibTest, PackedDibFindsItsBits) {
  struct TCase {
    TBytes Info;
    size_t HeaderSize;
  } cases[] = {
      {InfoHeader(2, 2, 8, kRgb, 3), 40 + 3 * 4},
      {InfoHeader(2, 2, 24, kRgb, 2), 40 + 2 * 4},  // an optimisation palette before the bits
      {InfoHeader(2, 2, 16, kBitfields), 40 + 12},
      {InfoHeader(2, 2, 32, kBitfields, 0, 124), 124},
      {CoreHeader(2, 2, 1), 12 + 2 * 3},
  };
  for (TCase& c : cases) {
    c.Info.resize(c.HeaderSize, 0);
    if (c.Info[14] == 16)
      Put32(c.Info, 40, 0x7C00), Put32(c.Info, 44, 0x3E0), Put32(c.Info, 48, 0x1F);
    if (c.Info[0] == 124)
      Put32(c.Info, 40, 0xFF0000), Put32(c.Info, 44, 0xFF00), Put32(c.Info, 48, 0xFF);
    TBytes packed = c.Info;
    packed.resize(c.HeaderSize + 32, 0x11);
    SCOPED_TRACE(testing::Message() << "header size " << c.HeaderSize);
    EXPECT_EQ(DibHeaderSize(packed.data(), packed.size()), c.HeaderSize);
    const QImage whole = DecodePackedDib(packed.data(), packed.size());
    ASSERT_FALSE(whole.isNull());
    EXPECT_EQ(whole, DecodeDib(c.Info.data(), c.Info.size(), packed.data() + c.HeaderSize, 32));
  }
}

// A PNG whose header claims the given size (its CRC made right so that readers believe it).
QByteArray PngClaiming(uint32_t width, uint32_t height) {
  QImage tiny(1, 1, QImage::Format_RGB32);
  tiny.fill(Qt::white);
  QByteArray png = Encode(tiny, "PNG");
  auto* p = reinterpret_cast<uint8_t*>(png.data());
  for (int i = 0; i < 4; ++i) {
    p[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    p[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  const uint32_t crc = static_cast<uint32_t>(crc32(0, p + 12, 17));  // chunk type and data
  for (int i = 0; i < 4; ++i) p[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  return png;
}

// One hostile input: a valid-looking start, bent in one place.
struct THostileCase {
  const char* Name;
  std::function<void(TBytes& info, TBytes& bits)> Bend;
};

TBytes Rle8Info(int32_t w, int32_t h) {
  TBytes info = InfoHeader(w, h, 8, kRle8);
  AppendPalette(info, 256, false);
  return info;
}

class DibHostileTest : public testing::TestWithParam<THostileCase> {};

TEST_P(DibHostileTest, GivesANullImage) {
  // The starting point: a valid 8-bit 4x2 DIB with a full colour table.
  TBytes info = InfoHeader(4, 2, 8, kRgb);
  AppendPalette(info, 256, false);
  TBytes bits(8, 1);
  ASSERT_FALSE(DecodeDib(info.data(), info.size(), bits.data(), bits.size()).isNull());
  GetParam().Bend(info, bits);
  EXPECT_TRUE(DecodeDib(info.data(), info.size(), bits.data(), bits.size()).isNull());
  EXPECT_TRUE(DecodeDibWithAlpha(info.data(), info.size(), bits.data(), bits.size()).isNull());
  TBytes packed = info;
  packed.insert(packed.end(), bits.begin(), bits.end());
  EXPECT_TRUE(DecodePackedDib(packed.data(), packed.size()).isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DibHostileTest,
    testing::Values(
        THostileCase{"HugeWidthAndHeight", [](TBytes& i, TBytes&) { Put32(i, 4, 1 << 20), Put32(i, 8, 1 << 20); }},
        THostileCase{"MaxWidthOneBit", [](TBytes& i, TBytes&) { Put32(i, 4, 0x7FFFFFFF), Put16(i, 14, 1); }},
        THostileCase{"LargeButBitsMissing", [](TBytes& i, TBytes&) { Put32(i, 4, 1 << 13), Put32(i, 8, 1 << 13); }},
        THostileCase{"NegativeWidth", [](TBytes& i, TBytes&) { Put32(i, 4, static_cast<uint32_t>(-4)); }},
        THostileCase{"ZeroHeight", [](TBytes& i, TBytes&) { Put32(i, 8, 0); }},
        THostileCase{"MostNegativeHeight", [](TBytes& i, TBytes&) { Put32(i, 8, 0x80000000u); }},
        THostileCase{"OddBitCount", [](TBytes& i, TBytes&) { Put16(i, 14, 7); }},
        THostileCase{"ZeroBitCount", [](TBytes& i, TBytes&) { Put16(i, 14, 0); }},
        THostileCase{"UnknownCompression", [](TBytes& i, TBytes&) { Put32(i, 16, 99); }},
        THostileCase{"TruncatedBits", [](TBytes&, TBytes& b) { b.pop_back(); }},
        THostileCase{"NoBits", [](TBytes&, TBytes& b) { b.clear(); }},
        THostileCase{"HeaderCut", [](TBytes& i, TBytes&) { i.resize(39); }},
        THostileCase{"HeaderSizeBetweenKinds", [](TBytes& i, TBytes&) { Put32(i, 0, 20); }},
        THostileCase{"HeaderSizePastInfo", [](TBytes& i, TBytes&) { Put32(i, 0, 2000); }},
        THostileCase{"HeaderSizeHuge", [](TBytes& i, TBytes&) { Put32(i, 0, 0xFFFFFFF0u); }},
        THostileCase{"ColorTablePastEnd",
                     [](TBytes& i, TBytes&) { Put32(i, 32, 256), i.resize(40 + 100 * 4); }},
        THostileCase{"ColorsUsedHuge", [](TBytes& i, TBytes&) { Put32(i, 32, 0xFFFFFFFFu); }},
        THostileCase{"ColorsUsedPastEnd", [](TBytes& i, TBytes&) { Put32(i, 32, 257); }},
        THostileCase{"CoreHeader32Bit", [](TBytes& i, TBytes&) { i = CoreHeader(4, 2, 32); }},
        THostileCase{"CoreHeaderCut", [](TBytes& i, TBytes&) { i = CoreHeader(4, 2, 8), i.resize(11); }},
        THostileCase{"BitfieldsMasksMissing", [](TBytes& i, TBytes&) { i = InfoHeader(2, 2, 16, kBitfields); }},
        THostileCase{"BitfieldsOn24Bit", [](TBytes& i, TBytes& b) { i = InfoHeader(1, 2, 24, kBitfields), i.resize(52, 0xFF), b.assign(8, 0); }},
        THostileCase{"BitfieldsSplitMask",
                     [](TBytes& i, TBytes&) { i = InfoHeader(2, 2, 16, kBitfields), Put32(i, 40, 0x7C01), Put32(i, 44, 0x3E0), Put32(i, 48, 0x1E); }},
        THostileCase{"BitfieldsOverlap",
                     [](TBytes& i, TBytes&) { i = InfoHeader(2, 2, 16, kBitfields), Put32(i, 40, 0xFC00), Put32(i, 44, 0x7E0), Put32(i, 48, 0x1F); }},
        THostileCase{"Bitfields16MaskTooWide",
                     [](TBytes& i, TBytes&) { i = InfoHeader(2, 2, 16, kBitfields), Put32(i, 40, 0xF0000), Put32(i, 44, 0xFF00), Put32(i, 48, 0xFF); }},
        THostileCase{"RleTopDown", [](TBytes& i, TBytes& b) { i = Rle8Info(4, -2), b = {4, 1, 0, 1}; }},
        THostileCase{"RleOn24Bit", [](TBytes& i, TBytes& b) { i = InfoHeader(4, 2, 24, kRle8), b = {4, 1, 0, 1}; }},
        THostileCase{"RleHugeFromTinyStream", [](TBytes& i, TBytes& b) { i = Rle8Info(1 << 12, 1 << 12), b = {0, 1}; }},
        THostileCase{"Rle8RunPastRow", [](TBytes& i, TBytes& b) { i = Rle8Info(4, 2), b = {5, 1, 0, 1}; }},
        THostileCase{"Rle8RunsAddUpPastRow", [](TBytes& i, TBytes& b) { i = Rle8Info(4, 2), b = {3, 1, 2, 1, 0, 1}; }},
        THostileCase{"Rle8AbsolutePastRow", [](TBytes& i, TBytes& b) { i = Rle8Info(4, 2), b = {0, 6, 1, 2, 3, 4, 5, 6, 0, 1}; }},
        THostileCase{"Rle8AbsoluteCut", [](TBytes& i, TBytes& b) { i = Rle8Info(4, 2), b = {0, 4, 1, 2}; }},
        THostileCase{"Rle8DeltaPastRow", [](TBytes& i, TBytes& b) { i = Rle8Info(4, 2), b = {0, 2, 5, 0, 0, 1}; }},
        THostileCase{"Rle8DeltaCut", [](TBytes& i, TBytes& b) { i = Rle8Info(4, 2), b = {0, 2, 1}; }},
        THostileCase{"Rle8PastTopRow", [](TBytes& i, TBytes& b) { i = Rle8Info(4, 2), b = {0, 0, 0, 0, 1, 1, 0, 1}; }},
        THostileCase{"Rle8DeltaAboveTop", [](TBytes& i, TBytes& b) { i = Rle8Info(4, 2), b = {0, 2, 0, 200, 1, 1}; }},
        THostileCase{"Rle4RunPastRow",
                     [](TBytes& i, TBytes& b) { i = InfoHeader(3, 1, 4, kRle4), AppendPalette(i, 16, false), b = {4, 0x12, 0, 1}; }},
        THostileCase{"Rle4AbsoluteCut",
                     [](TBytes& i, TBytes& b) { i = InfoHeader(8, 1, 4, kRle4), AppendPalette(i, 16, false), b = {0, 8, 0x12, 0x34}; }},
        THostileCase{"JpegGarbage", [](TBytes& i, TBytes& b) { i = InfoHeader(4, 2, 0, kJpeg), b = {0xFF, 0xD8, 0xFF, 0, 1, 2}; }},
        THostileCase{"PngClaimingGiantSize",
                     [](TBytes& i, TBytes& b) {
                       i = InfoHeader(4, 2, 0, kPng);
                       const QByteArray png = PngClaiming(100000, 100000);
                       b.assign(png.begin(), png.end());
                     }}),
    [](const testing::TestParamInfo<THostileCase>& p) { return std::string(p.param.Name); });

TEST(DibTest, RejectsMissingBuffersAndUnknownUsage) {
  TBytes info = InfoHeader(1, 1, 24, kRgb);
  const TBytes bits(4, 0);
  EXPECT_FALSE(DecodeDib(info.data(), info.size(), bits.data(), bits.size()).isNull());
  EXPECT_TRUE(DecodeDib(nullptr, 0, bits.data(), bits.size()).isNull());
  EXPECT_TRUE(DecodeDib(info.data(), info.size(), nullptr, 0).isNull());
  EXPECT_TRUE(DecodeDib(info.data(), info.size(), bits.data(), bits.size(), 2).isNull());
  EXPECT_EQ(DibHeaderSize(nullptr, 0), 0u);
  EXPECT_TRUE(DecodePackedDib(info.data(), info.size()).isNull());
}

}  // namespace
