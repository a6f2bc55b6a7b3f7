// TEmfRecordWriter: encodes enhanced-metafile records (little-endian, each padded to 4 bytes).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Inclusive rectangle in device pixels (rclBounds) or any other LONG rectangle; empty is
// (0,0,-1,-1).
struct TEmfRect {
  int32_t Left = 0, Top = 0, Right = -1, Bottom = -1;
  bool Empty() const { return Right < Left || Bottom < Top; }
  void Unite(const TEmfRect& r);
};

struct TEmfPoint {
  int32_t X = 0, Y = 0;
};

// An EXTLOGPEN with a solid colour: geometric style bits, width in logical units, dashes.
struct TEmfPen {
  uint32_t Style = 0;  // PS_* style | end cap | join | PS_GEOMETRIC
  uint32_t Width = 0;
  uint32_t Color = 0;  // COLORREF 0x00BBGGRR
  std::vector<uint32_t> Dashes;
  bool operator==(const TEmfPen&) const = default;
};

// A bottom-up BI_RGB device-independent bitmap: 24-bit rows of B, G, R padded to 4 bytes, or
// 32-bit B, G, R, A with the colour premultiplied by A (for ALPHABLEND).
struct TEmfDib {
  int32_t Width = 0, Height = 0;
  uint16_t BitCount = 24;
  std::string Bits;
  bool operator==(const TEmfDib&) const = default;
};

// A LOGBRUSH (solid, null, hatched) or, with Pattern set, a DIB pattern brush.
struct TEmfBrush {
  uint32_t Style = 0;  // BS_SOLID, BS_NULL, BS_HATCHED or BS_DIBPATTERNPT
  uint32_t Color = 0;
  uint32_t Hatch = 0;
  TEmfDib Pattern;
  bool operator==(const TEmfBrush&) const = default;
};

// The LOGFONTW fields a page needs; Height < 0 is the character (em) height in logical units.
struct TEmfFont {
  int32_t Height = 0;
  int32_t Weight = 400;
  bool Italic = false, Underline = false, StrikeOut = false;
  uint8_t CharSet = 1;  // DEFAULT_CHARSET
  std::u16string Face;  // at most 31 units are kept
  bool operator==(const TEmfFont&) const = default;
};

// An XFORM: x' = x*M11 + y*M21 + Dx, y' = x*M12 + y*M22 + Dy.
struct TEmfXForm {
  float M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
  bool operator==(const TEmfXForm&) const = default;
};

class TEmfRecordWriter {
 public:
  // A record made of 32-bit fields only (SETMAPMODE, SELECTOBJECT, BEGINPATH, ...).
  void Simple(uint32_t type, std::initializer_list<uint32_t> fields);
  // A record of a type, an inclusive bounds rectangle, and nothing else (FILLPATH, STROKEPATH...).
  void WithBounds(uint32_t type, const TEmfRect& bounds);
  // RECTANGLE, ELLIPSE: a box in logical units.
  void Box(uint32_t type, const TEmfRect& box);
  void Point(uint32_t type, TEmfPoint p);  // MOVETOEX, LINETO
  // POLYGON, POLYLINE, POLYBEZIERTO, POLYLINETO (32-bit points).
  void Poly(uint32_t type, const TEmfRect& bounds, const std::vector<TEmfPoint>& points);
  void WorldTransform(const TEmfXForm& x);
  void ExtCreatePen(uint32_t handle, const TEmfPen& pen);
  void CreateBrush(uint32_t handle, const TEmfBrush& brush);
  void ExtCreateFont(uint32_t handle, const TEmfFont& font);
  // EXTSELECTCLIPRGN; no rectangles with RGN_COPY resets the clip to the whole device.
  void ClipRegion(const std::vector<TEmfRect>& deviceRects, uint32_t mode);
  // EXTTEXTOUTW at a baseline point; dx holds one advance per UTF-16 unit (logical units).
  void ExtTextOutW(const TEmfRect& bounds, TEmfPoint ref, const std::u16string& text,
                   const std::vector<int32_t>& dx);
  // STRETCHDIBITS of the whole bitmap into the logical rectangle at origin of size extent, SRCCOPY.
  void StretchDib(const TEmfRect& bounds, TEmfPoint origin, TEmfPoint extent, const TEmfDib& dib);

  // ALPHABLEND of a 32-bit premultiplied bitmap, source over, faded by constantAlpha.
  void AlphaBlend(const TEmfRect& bounds, TEmfPoint origin, TEmfPoint extent, const TEmfDib& dib,
                  uint8_t constantAlpha);

  const std::string& Bytes() const { return FBuf; }
  uint32_t Count() const { return FCount; }

  // The complete file: header (108 bytes), the records written so far, end record.
  // frame is in 0.01 mm; the reference device is devicePx pixels on deviceMM millimetres.
  std::string Finish(const TEmfRect& bounds, const TEmfRect& frame, TEmfPoint devicePx,
                     TEmfPoint deviceMM, uint16_t handles) const;

 private:
  std::string FBuf;
  size_t FOpen = 0;
  uint32_t FCount = 0;

  void Begin(uint32_t type);
  void End();
  void U8(uint8_t v) { FBuf.push_back(static_cast<char>(v)); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v);
  void Rect(const TEmfRect& r);
  void Zeros(size_t n) { FBuf.append(n, '\0'); }
  // Appends header and bits, filling the (offBmi, cbBmi, offBits, cbBits) fields at fields.
  void Dib(const TEmfDib& dib, uint32_t fields);
  void Patch(uint32_t at, uint32_t v);
  // Offset of the next byte inside the open record.
  uint32_t Here() const { return static_cast<uint32_t>(FBuf.size() - FOpen); }
};
