// Decoding device-independent bitmaps (packed DIBs of metafile records) into QImages.
#pragma once

#include <QImage>
#include <QRgb>
#include <cstddef>
#include <cstdint>

// The colour-table interpretations of a DIB: RGBQUAD entries, or 16-bit palette indices.
constexpr uint32_t kDibRgbColors = 0;
constexpr uint32_t kDibPalColors = 1;

// The most pixels a decoded DIB may have (256 MB as 32-bit pixels; a page scanned at 600 dpi
// has 35 million); a header asking for more gives a null image.
constexpr uint64_t kDibMaxPixels = uint64_t{1} << 26;

// Decodes a packed DIB: a BITMAPINFO header (with colour table or bit masks) plus its bits.
// usage: DIB_RGB_COLORS(0) or DIB_PAL_COLORS(1). Returns a null QImage on any inconsistency.
// Result formats: Mono (1 bit), Indexed8 (4, 8 bit; the colour table always has 2^bpp entries),
// RGB32 (16, 24, 32 bit: the top byte of 32-bit pixels is ignored, as BitBlt does),
// ARGB32_Premultiplied (RLE4/RLE8: pixels the runs skip are transparent, as GDI leaves them
// untouched; at most 2048 pixels per input byte, or 4 Mpixels), whatever JPEG and PNG hold.
// A colour count of 0 ("all") with a shorter table takes the entries stored (the rest black), as
// some writers store only the colours in use.
// DIB_PAL_COLORS indexes the device context's palette; this one uses the default 20-entry
// palette (index >= 20 gives black). Use DecodeDibWithPalette when the metafile selected one.
QImage DecodeDib(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize,
                 uint32_t usage = 0);

// As DecodeDib, with DIB_PAL_COLORS indices resolved through the given logical palette
// (out-of-range indices give black). An empty palette means the default palette.
QImage DecodeDibWithPalette(const uint8_t* info, size_t infoSize, const uint8_t* bits,
                            size_t bitsSize, uint32_t usage, const QRgb* palette,
                            size_t paletteSize);

// The source of an AlphaBlend with AC_SRC_ALPHA: 32-bit pixels keep their top byte as
// premultiplied alpha (ARGB32_Premultiplied, colour channels clamped to alpha); 16/32-bit
// BI_BITFIELDS with an alpha mask likewise. Other DIBs decode as DecodeDib does.
QImage DecodeDibWithAlpha(const uint8_t* info, size_t infoSize, const uint8_t* bits,
                          size_t bitsSize, uint32_t usage = 0);

// The byte count of the header, masks and colour table of a packed DIB (where its bits start),
// or 0 when the header is unusable or does not fit in size.
size_t DibHeaderSize(const uint8_t* info, size_t size, uint32_t usage = 0);

// A packed DIB in one buffer (header, colour table, then bits), as WMF bitmap records carry it.
QImage DecodePackedDib(const uint8_t* data, size_t size, uint32_t usage = 0);
