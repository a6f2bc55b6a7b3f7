// Decoding device-independent bitmaps: headers, colour tables, masks, RLE and embedded images.
#include "Dib.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QList>
#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "ByteView.h"

namespace {

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5 };

constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kV3HeaderSize = 56;  // the first header size that carries an alpha mask

// The stock DEFAULT_PALETTE: the 20 static colours of the system palette.
constexpr QRgb kDefaultPalette[20] = {
    0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080,
    0xFFC0C0C0, 0xFFC0DCC0, 0xFFA6CAF0, 0xFFFFFBF0, 0xFFA0A0A4, 0xFF808080, 0xFFFF0000,
    0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
};

struct TDibHeader {
  int64_t Width = 0;
  int64_t Height = 0;  // always positive; TopDown keeps the sign
  bool TopDown = false;
  uint16_t BitCount = 0;
  uint32_t Compression = kBiRgb;
  uint32_t SizeImage = 0;
  uint32_t Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  size_t ColorsOffset = 0;           // where the colour table starts
  size_t StoredColors = 0;           // entries the table occupies
  size_t UsedColors = 0;             // entries that pixels can reach (<= 2^bpp)
  size_t EntrySize = 4;              // RGBQUAD, RGBTRIPLE (core header) or a 16-bit index
  uint64_t Stride = 0;               // bytes per row of uncompressed bits

  size_t HeaderSize() const { return ColorsOffset + StoredColors * EntrySize; }
  uint64_t Pixels() const { return static_cast<uint64_t>(Width) * static_cast<uint64_t>(Height); }
};

bool BitCountAllowed(uint32_t compression, uint16_t bpp) {
  switch (compression) {
    case kBiRgb:
      return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case kBiRle8:
      return bpp == 8;
    case kBiRle4:
      return bpp == 4;
    case kBiBitfields:
      return bpp == 16 || bpp == 32;
    case kBiJpeg:
    case kBiPng:
      return true;
    default:
      return false;
  }
}

// Where the bits are: in a buffer of their own, or right after the colour table (packed).
enum class TBitsPlace { bpSeparate, bpPacked };

// Reads and checks the header, masks and colour-table extent.
std::optional<TDibHeader> ReadHeader(TByteView v, uint32_t usage, TBitsPlace place) {
  if (!v.Has(0, 4)) return std::nullopt;
  const uint32_t headerSize = v.U32(0);
  TDibHeader h;
  uint32_t clrUsed = 0;
  if (headerSize == kCoreHeaderSize) {
    if (!v.Has(0, kCoreHeaderSize)) return std::nullopt;
    h.Width = v.U16(4);
    h.Height = v.U16(6);
    h.BitCount = v.U16(10);
    h.EntrySize = 3;
    if (h.BitCount == 16 || h.BitCount == 32) return std::nullopt;
  } else if (headerSize >= kInfoHeaderSize) {
    if (!v.Has(0, headerSize)) return std::nullopt;
    h.Width = v.I32(4);
    const int32_t height = v.I32(8);
    h.TopDown = height < 0;
    h.Height = h.TopDown ? -static_cast<int64_t>(height) : height;
    h.BitCount = v.U16(14);
    h.Compression = v.U32(16);
    h.SizeImage = v.U32(20);
    clrUsed = v.U32(32);
  } else {
    return std::nullopt;
  }
  if (h.Width <= 0 || h.Height <= 0) return std::nullopt;
  if (!BitCountAllowed(h.Compression, h.BitCount)) return std::nullopt;
  const bool rle = h.Compression == kBiRle4 || h.Compression == kBiRle8;
  if (rle && h.TopDown) return std::nullopt;  // compressed DIBs are bottom-up by definition
  const bool embedded = h.Compression == kBiJpeg || h.Compression == kBiPng;
  if (!embedded && h.Pixels() > kDibMaxPixels) return std::nullopt;
  h.Stride = (static_cast<uint64_t>(h.Width) * h.BitCount + 31) / 32 * 4;

  h.ColorsOffset = headerSize;
  if (h.Compression == kBiBitfields) {
    // A plain info header is followed by three masks; later headers hold them inside.
    size_t masksAt = kInfoHeaderSize;
    if (headerSize == kInfoHeaderSize) {
      if (!v.Has(masksAt, 12)) return std::nullopt;
      h.ColorsOffset = masksAt + 12;
    }
    for (int i = 0; i < 3; ++i) h.Masks[i] = v.U32(masksAt + 4 * i);
  }
  if (headerSize >= kV3HeaderSize) h.Masks[3] = v.U32(52);
  if (usage == kDibPalColors) h.EntrySize = 2;

  if (h.BitCount > 8 || embedded) {
    // Only an optimisation palette, unused here; it matters where the bits follow it.
    h.StoredColors = place == TBitsPlace::bpPacked ? clrUsed : 0;
    if (!v.HasArray(h.ColorsOffset, h.StoredColors, h.EntrySize)) return std::nullopt;
    return h;
  }
  const size_t full = size_t{1} << h.BitCount;
  h.StoredColors = clrUsed == 0 ? full : clrUsed;
  if (!v.HasArray(h.ColorsOffset, h.StoredColors, h.EntrySize)) {
    // A count of 0 means "all", yet some writers store only the colours their pixels use: take
    // the entries that are there. An explicit count that overruns stays an error.
    if (clrUsed != 0 || !v.Has(h.ColorsOffset, 0)) return std::nullopt;
    size_t room = v.Size - h.ColorsOffset;
    if (place == TBitsPlace::bpPacked) {
      const uint64_t bits = h.Compression == kBiRgb ? h.Stride * h.Height : h.SizeImage;
      if (bits == 0 || bits > room) return std::nullopt;
      room -= static_cast<size_t>(bits);
    }
    h.StoredColors = room / h.EntrySize;
  }
  h.UsedColors = std::min(h.StoredColors, full);
  return h;
}

QList<QRgb> ColorTable(const TDibHeader& h, TByteView v, uint32_t usage, const QRgb* palette,
                       size_t paletteSize) {
  QList<QRgb> table(qsizetype{1} << h.BitCount, qRgb(0, 0, 0));
  if (palette == nullptr || paletteSize == 0) {
    palette = kDefaultPalette;
    paletteSize = std::size(kDefaultPalette);
  }
  for (size_t i = 0; i < h.UsedColors; ++i) {
    const size_t at = h.ColorsOffset + i * h.EntrySize;
    if (usage == kDibPalColors) {
      const uint16_t index = v.U16(at);
      if (index < paletteSize) table[i] = palette[index] | 0xFF000000u;
    } else {
      table[i] = qRgb(v.U8(at + 2), v.U8(at + 1), v.U8(at));
    }
  }
  return table;
}

// One colour channel of a bit-field pixel, scaled to 0..255.
struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint32_t Max = 0;

  uint32_t Of(uint32_t pixel) const {
    if (Max == 0) return 0;
    const uint64_t value = (pixel & Mask) >> Shift;
    return static_cast<uint32_t>((value * 255 + Max / 2) / Max);
  }
};

// A mask must be one run of set bits (or empty) to describe a channel.
std::optional<TChannel> MakeChannel(uint32_t mask) {
  TChannel c;
  if (mask == 0) return c;
  c.Mask = mask;
  c.Shift = std::countr_zero(mask);
  c.Max = mask >> c.Shift;
  if ((c.Max & (c.Max + 1)) != 0) return std::nullopt;
  return c;
}

const uint8_t* SourceRow(const TDibHeader& h, const uint8_t* bits, int y) {
  const int64_t row = h.TopDown ? y : h.Height - 1 - y;
  return bits + static_cast<uint64_t>(row) * h.Stride;
}

QImage DecodeIndexed(const TDibHeader& h, const uint8_t* bits, const QList<QRgb>& table) {
  const int width = static_cast<int>(h.Width);
  const int height = static_cast<int>(h.Height);
  QImage image(width, height, h.BitCount == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
  if (image.isNull()) return {};
  image.setColorTable(table);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = SourceRow(h, bits, y);
    uchar* dst = image.scanLine(y);
    if (h.BitCount == 1) {
      std::memcpy(dst, src, (static_cast<size_t>(width) + 7) / 8);  // both are MSB first
    } else if (h.BitCount == 8) {
      std::memcpy(dst, src, static_cast<size_t>(width));
    } else {
      for (int x = 0; x < width; ++x) dst[x] = (x & 1) ? (src[x / 2] & 0x0F) : (src[x / 2] >> 4);
    }
  }
  return image;
}

QImage DecodeTrueColor(const TDibHeader& h, const uint8_t* bits, bool keepAlpha) {
  uint32_t masks[4] = {h.Masks[0], h.Masks[1], h.Masks[2], 0};
  if (h.Compression == kBiRgb) {
    if (h.BitCount == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
      masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
      if (h.BitCount == 32) masks[3] = 0xFF000000u;  // only AlphaBlend reads the top byte
    }
  } else {
    masks[3] = h.Masks[3];
    if (h.BitCount == 16 && ((masks[0] | masks[1] | masks[2] | masks[3]) >> 16) != 0) return {};
    if ((masks[0] & masks[1]) || (masks[0] & masks[2]) || (masks[1] & masks[2])) return {};
  }
  if (!keepAlpha) masks[3] = 0;
  TChannel channels[4];
  for (int i = 0; i < 4; ++i) {
    const std::optional<TChannel> c = MakeChannel(masks[i]);
    if (!c) return {};
    channels[i] = *c;
  }
  const bool alpha = channels[3].Max != 0;

  const int width = static_cast<int>(h.Width);
  const int height = static_cast<int>(h.Height);
  QImage image(width, height, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  if (image.isNull()) return {};
  const int bytesPerPixel = h.BitCount / 8;
  if (!alpha && h.Compression == kBiRgb && bytesPerPixel >= 3) {  // the common case, kept fast
    for (int y = 0; y < height; ++y) {
      const uint8_t* src = SourceRow(h, bits, y);
      auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < width; ++x, src += bytesPerPixel) dst[x] = qRgb(src[2], src[1], src[0]);
    }
    return image;
  }
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = SourceRow(h, bits, y);
    auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x, src += bytesPerPixel) {
      uint32_t pixel = src[0] | (uint32_t{src[1]} << 8);
      if (bytesPerPixel >= 3) pixel |= uint32_t{src[2]} << 16;
      if (bytesPerPixel == 4) pixel |= uint32_t{src[3]} << 24;
      const uint32_t a = alpha ? channels[3].Of(pixel) : 255;
      // Premultiplied data must not exceed its alpha, or blending overflows.
      dst[x] = qRgba(std::min(channels[0].Of(pixel), a), std::min(channels[1].Of(pixel), a),
                     std::min(channels[2].Of(pixel), a), a);
    }
  }
  return image;
}

// Compressed images may cover far more pixels than they have bytes (a skipped or uniform area
// costs almost nothing), but not without limit: allow a generous expansion per input byte.
uint64_t RlePixelLimit(size_t bitsSize) {
  return std::min(kDibMaxPixels, std::max(uint64_t{1} << 22, uint64_t{bitsSize} * 2048));
}

QImage DecodeRle(const TDibHeader& h, const uint8_t* bits, size_t size, const QList<QRgb>& table) {
  if (h.Pixels() > RlePixelLimit(size)) return {};
  const bool four = h.Compression == kBiRle4;
  const int64_t width = h.Width;
  const int64_t height = h.Height;
  QImage image(static_cast<int>(width), static_cast<int>(height),
               QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return {};
  image.fill(Qt::transparent);

  int64_t x = 0, y = 0;  // y counts rows from the bottom, as the stream does
  // Writes count pixels at the current position; the pixel source yields palette indices.
  auto put = [&](int64_t count, auto&& indexAt) {
    if (y >= height || count > width - x) return false;
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(static_cast<int>(height - 1 - y)));
    for (int64_t i = 0; i < count; ++i) row[x + i] = table[indexAt(i)];
    x += count;
    return true;
  };
  size_t pos = 0;
  while (pos + 2 <= size) {
    const uint8_t count = bits[pos];
    const uint8_t value = bits[pos + 1];
    pos += 2;
    if (count > 0) {
      const bool ok =
          four ? put(count, [&](int64_t i) { return (i & 1) ? value & 0x0F : value >> 4; })
               : put(count, [&](int64_t) { return value; });
      if (!ok) return {};
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      return image;
    } else if (value == 2) {  // delta: move right and up
      if (pos + 2 > size) return {};
      x += bits[pos];
      y += bits[pos + 1];
      pos += 2;
      if (x > width) return {};
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const size_t bytes = four ? (value + 1u) / 2 : value;
      if (bytes > size - pos) return {};
      const uint8_t* literal = bits + pos;
      const bool ok = four ? put(value,
                                 [&](int64_t i) {
                                   return (i & 1) ? literal[i / 2] & 0x0F : literal[i / 2] >> 4;
                                 })
                           : put(value, [&](int64_t i) { return literal[i]; });
      if (!ok) return {};
      pos += std::min(size - pos, (bytes + 1) & ~size_t{1});
    }
  }
  return image;  // a stream that ends without its end-of-bitmap mark keeps what it drew
}

QImage DecodeEmbedded(const TDibHeader& h, const uint8_t* bits, size_t size) {
  if (h.SizeImage != 0 && h.SizeImage < size) size = h.SizeImage;
  // Refuse what is plainly not the declared kind before an image reader logs about it.
  static constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  static constexpr uint8_t kJpegSignature[2] = {0xFF, 0xD8};
  const bool png = h.Compression == kBiPng;
  const uint8_t* signature = png ? kPngSignature : kJpegSignature;
  const size_t signatureSize = png ? sizeof kPngSignature : sizeof kJpegSignature;
  if (size < signatureSize || std::memcmp(bits, signature, signatureSize) != 0) return {};
  QByteArray data =
      QByteArray::fromRawData(reinterpret_cast<const char*>(bits), static_cast<qsizetype>(size));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, png ? "png" : "jpeg");
  const QSize declared = reader.size();
  if (!declared.isValid() ||
      static_cast<uint64_t>(declared.width()) * static_cast<uint64_t>(declared.height()) >
          kDibMaxPixels) {
    return {};
  }
  return reader.read();
}

QImage Decode(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize,
              uint32_t usage, const QRgb* palette, size_t paletteSize, bool keepAlpha) {
  if (info == nullptr || bits == nullptr || usage > kDibPalColors) return {};
  const TByteView v{info, infoSize};
  const std::optional<TDibHeader> h = ReadHeader(v, usage, TBitsPlace::bpSeparate);
  if (!h) return {};
  switch (h->Compression) {
    case kBiJpeg:
    case kBiPng:
      return DecodeEmbedded(*h, bits, bitsSize);
    case kBiRle4:
    case kBiRle8:
      return DecodeRle(*h, bits, bitsSize, ColorTable(*h, v, usage, palette, paletteSize));
    default:
      break;
  }
  if (h->Stride * static_cast<uint64_t>(h->Height) > bitsSize) return {};
  if (h->BitCount <= 8)
    return DecodeIndexed(*h, bits, ColorTable(*h, v, usage, palette, paletteSize));
  return DecodeTrueColor(*h, bits, keepAlpha);
}

}  // namespace

QImage DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize,
                 uint32_t usage) {
  return Decode(info, infoSize, bits, bitsSize, usage, nullptr, 0, false);
}

QImage DecodeDibWithPalette(const uint8_t* info, size_t infoSize, const uint8_t* bits,
                            size_t bitsSize, uint32_t usage, const QRgb* palette,
                            size_t paletteSize) {
  return Decode(info, infoSize, bits, bitsSize, usage, palette, paletteSize, false);
}

QImage DecodeDibWithAlpha(const uint8_t* info, size_t infoSize, const uint8_t* bits,
                          size_t bitsSize, uint32_t usage) {
  return Decode(info, infoSize, bits, bitsSize, usage, nullptr, 0, true);
}

size_t DibHeaderSize(const uint8_t* info, size_t size, uint32_t usage) {
  if (info == nullptr) return 0;
  const std::optional<TDibHeader> h =
      ReadHeader(TByteView{info, size}, usage, TBitsPlace::bpPacked);
  return h ? h->HeaderSize() : 0;
}

QImage DecodePackedDib(const uint8_t* data, size_t size, uint32_t usage) {
  const size_t headerSize = DibHeaderSize(data, size, usage);
  if (headerSize == 0) return {};
  return DecodeDib(data, headerSize, data + headerSize, size - headerSize, usage);
}
