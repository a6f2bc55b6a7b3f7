// TEmfRecordWriter: the byte layouts of the enhanced-metafile records the paint device writes.
#include "EmfRecordWriter.h"

#include <algorithm>
#include <cstring>

#include "RecordTypes.h"

namespace {

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kEmfVersion = 0x00010000;
constexpr uint32_t kHeaderSize = 108;  // with the pixel-format and micrometre extensions
constexpr uint32_t kEofSize = 20;
constexpr uint32_t kBitmapInfoSize = 40;
constexpr uint32_t kFaceUnits = 32;
constexpr uint32_t kGraphicsModeAdvanced = 2;
constexpr uint32_t kSrcCopy = 0x00CC0020;
constexpr uint32_t kDibRgbColors = 0;
constexpr uint32_t kBrushDibPatternPt = 6;
constexpr uint32_t kRegionRectangles = 1;
constexpr uint32_t kAlphaSourceOver = 0x01000000;  // AC_SRC_OVER with per-pixel AC_SRC_ALPHA

uint32_t Pad4(size_t n) {
  return static_cast<uint32_t>((n + 3) & ~size_t{3});
}

}  // namespace

void TEmfRect::Unite(const TEmfRect& r) {
  if (r.Empty()) return;
  if (Empty()) {
    *this = r;
    return;
  }
  Left = std::min(Left, r.Left);
  Top = std::min(Top, r.Top);
  Right = std::max(Right, r.Right);
  Bottom = std::max(Bottom, r.Bottom);
}

void TEmfRecordWriter::Begin(uint32_t type) {
  FOpen = FBuf.size();
  U32(type);
  U32(0);  // size, known at End()
}

void TEmfRecordWriter::End() {
  FBuf.append(Pad4(FBuf.size()) - FBuf.size(), '\0');
  Patch(4, static_cast<uint32_t>(FBuf.size() - FOpen));
  ++FCount;
}

void TEmfRecordWriter::U16(uint16_t v) {
  U8(static_cast<uint8_t>(v));
  U8(static_cast<uint8_t>(v >> 8));
}

void TEmfRecordWriter::U32(uint32_t v) {
  U16(static_cast<uint16_t>(v));
  U16(static_cast<uint16_t>(v >> 16));
}

void TEmfRecordWriter::F32(float v) {
  uint32_t u;
  std::memcpy(&u, &v, 4);
  U32(u);
}

void TEmfRecordWriter::Patch(uint32_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) FBuf[FOpen + at + i] = static_cast<char>(v >> (8 * i));
}

void TEmfRecordWriter::Rect(const TEmfRect& r) {
  I32(r.Left);
  I32(r.Top);
  I32(r.Right);
  I32(r.Bottom);
}

void TEmfRecordWriter::Simple(uint32_t type, std::initializer_list<uint32_t> fields) {
  Begin(type);
  for (uint32_t f : fields) U32(f);
  End();
}

void TEmfRecordWriter::WithBounds(uint32_t type, const TEmfRect& bounds) {
  Begin(type);
  Rect(bounds);
  End();
}

void TEmfRecordWriter::Box(uint32_t type, const TEmfRect& box) {
  WithBounds(type, box);
}

void TEmfRecordWriter::Point(uint32_t type, TEmfPoint p) {
  Simple(type, {static_cast<uint32_t>(p.X), static_cast<uint32_t>(p.Y)});
}

void TEmfRecordWriter::Poly(uint32_t type, const TEmfRect& bounds,
                            const std::vector<TEmfPoint>& points) {
  Begin(type);
  Rect(bounds);
  U32(static_cast<uint32_t>(points.size()));
  for (const TEmfPoint& p : points) {
    I32(p.X);
    I32(p.Y);
  }
  End();
}

void TEmfRecordWriter::WorldTransform(const TEmfXForm& x) {
  Begin(emr::SetWorldTransform);
  for (float f : {x.M11, x.M12, x.M21, x.M22, x.Dx, x.Dy}) F32(f);
  End();
}

void TEmfRecordWriter::Dib(const TEmfDib& dib, uint32_t fields) {
  Patch(fields, Here());
  Patch(fields + 4, kBitmapInfoSize);
  U32(kBitmapInfoSize);
  I32(dib.Width);
  I32(dib.Height);  // positive: bottom-up rows
  U16(1);           // planes
  U16(dib.BitCount);
  U32(0);  // BI_RGB
  U32(static_cast<uint32_t>(dib.Bits.size()));
  Zeros(16);  // resolution and palette counts
  Patch(fields + 8, Here());
  Patch(fields + 12, static_cast<uint32_t>(dib.Bits.size()));
  FBuf += dib.Bits;
}

void TEmfRecordWriter::ExtCreatePen(uint32_t handle, const TEmfPen& pen) {
  Begin(emr::ExtCreatePen);
  U32(handle);
  Zeros(16);  // no brush bitmap
  U32(pen.Style);
  U32(pen.Width);
  U32(0);  // BS_SOLID
  U32(pen.Color);
  U32(0);  // hatch
  U32(static_cast<uint32_t>(pen.Dashes.size()));
  for (uint32_t d : pen.Dashes) U32(d);
  End();
}

void TEmfRecordWriter::CreateBrush(uint32_t handle, const TEmfBrush& brush) {
  if (brush.Style == kBrushDibPatternPt) {
    Begin(emr::CreateDIBPatternBrushPt);
    U32(handle);
    U32(kDibRgbColors);
    Zeros(16);
    Dib(brush.Pattern, 16);
  } else {
    Begin(emr::CreateBrushIndirect);
    U32(handle);
    U32(brush.Style);
    U32(brush.Color);
    U32(brush.Hatch);
  }
  End();
}

void TEmfRecordWriter::ExtCreateFont(uint32_t handle, const TEmfFont& font) {
  Begin(emr::ExtCreateFontIndirectW);
  U32(handle);
  I32(font.Height);
  Zeros(12);  // width, escapement, orientation
  I32(font.Weight);
  U8(font.Italic);
  U8(font.Underline);
  U8(font.StrikeOut);
  U8(font.CharSet);
  Zeros(4);  // output and clip precision, quality, pitch and family: defaults
  const size_t faceUnits = std::min<size_t>(font.Face.size(), kFaceUnits - 1);
  for (size_t i = 0; i < faceUnits; ++i) U16(font.Face[i]);
  Zeros(2 * (kFaceUnits - faceUnits));
  // The extended part (full name, style, version, vendor, culture, panose) is left empty.
  Zeros(128 + 64 + 6 * 4 + 10 + 2);
  End();
}

void TEmfRecordWriter::ClipRegion(const std::vector<TEmfRect>& deviceRects, uint32_t mode) {
  Begin(emr::ExtSelectClipRgn);
  const uint32_t count = static_cast<uint32_t>(deviceRects.size());
  U32(count == 0 ? 0 : 32 + 16 * count);
  U32(mode);
  if (count > 0) {
    TEmfRect bound = deviceRects.front();
    for (const TEmfRect& r : deviceRects) bound.Unite(r);
    U32(32);
    U32(kRegionRectangles);
    U32(count);
    U32(16 * count);
    Rect(bound);
    for (const TEmfRect& r : deviceRects) Rect(r);
  }
  End();
}

void TEmfRecordWriter::ExtTextOutW(const TEmfRect& bounds, TEmfPoint ref,
                                   const std::u16string& text, const std::vector<int32_t>& dx) {
  Begin(emr::ExtTextOutW);
  Rect(bounds);
  U32(kGraphicsModeAdvanced);
  F32(0);  // the scales matter only in the compatible graphics mode
  F32(0);
  I32(ref.X);
  I32(ref.Y);
  U32(static_cast<uint32_t>(text.size()));
  constexpr uint32_t kTextAt = 76;
  U32(kTextAt);
  U32(0);    // options: no clipping, no opaque rectangle
  Rect({});  // the (unused) clipping rectangle
  U32(kTextAt + Pad4(2 * text.size()));
  for (char16_t c : text) U16(c);
  FBuf.append(Pad4(2 * text.size()) - 2 * text.size(), '\0');
  for (size_t i = 0; i < text.size(); ++i) I32(i < dx.size() ? dx[i] : 0);
  End();
}

void TEmfRecordWriter::StretchDib(const TEmfRect& bounds, TEmfPoint origin, TEmfPoint extent,
                                  const TEmfDib& dib) {
  Begin(emr::StretchDIBits);
  Rect(bounds);
  I32(origin.X);
  I32(origin.Y);
  I32(0);
  I32(0);
  I32(dib.Width);
  I32(dib.Height);
  Zeros(16);  // bitmap offsets and sizes, filled by Dib()
  U32(kDibRgbColors);
  U32(kSrcCopy);
  I32(extent.X);
  I32(extent.Y);
  Dib(dib, 48);
  End();
}

void TEmfRecordWriter::AlphaBlend(const TEmfRect& bounds, TEmfPoint origin, TEmfPoint extent,
                                  const TEmfDib& dib, uint8_t constantAlpha) {
  Begin(emr::AlphaBlend);
  Rect(bounds);
  I32(origin.X);
  I32(origin.Y);
  I32(extent.X);
  I32(extent.Y);
  U32(kAlphaSourceOver | (uint32_t{constantAlpha} << 16));
  I32(0);  // source origin
  I32(0);
  for (float f : {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f}) F32(f);  // source transform
  U32(0);                                                       // source background colour
  U32(kDibRgbColors);
  Zeros(16);  // bitmap offsets and sizes, filled by Dib()
  I32(dib.Width);
  I32(dib.Height);
  Dib(dib, 84);
  End();
}

std::string TEmfRecordWriter::Finish(const TEmfRect& bounds, const TEmfRect& frame,
                                     TEmfPoint devicePx, TEmfPoint deviceMM,
                                     uint16_t handles) const {
  TEmfRecordWriter out;
  out.FBuf.reserve(kHeaderSize + FBuf.size() + kEofSize);
  out.Begin(emr::Header);
  out.Rect(bounds);
  out.Rect(frame);
  out.U32(kEmfSignature);
  out.U32(kEmfVersion);
  out.U32(static_cast<uint32_t>(kHeaderSize + FBuf.size() + kEofSize));
  out.U32(FCount + 2);
  out.U16(handles);
  out.U16(0);
  out.Zeros(12);  // no description, no palette
  out.I32(devicePx.X);
  out.I32(devicePx.Y);
  out.I32(deviceMM.X);
  out.I32(deviceMM.Y);
  out.Zeros(12);  // no pixel format, no OpenGL
  out.I32(deviceMM.X * 1000);
  out.I32(deviceMM.Y * 1000);
  out.End();
  out.FBuf += FBuf;
  out.Simple(emr::Eof, {0, 16, kEofSize});
  return std::move(out.FBuf);
}
