// PlayEnhanced: the EMR_* records of an enhanced metafile played through TGdiPlayer.
#include <QtEndian>
#include <algorithm>
#include <cmath>

#include "Dib.h"
#include "GdiPlayer.h"
#include "PlayBudget.h"
#include "RecordPlayers.h"
#include "RecordTypes.h"

namespace {

QPointF P32(TByteView r, size_t off) {
  return QPointF(r.I32(off), r.I32(off + 4));
}
QPointF P16(TByteView r, size_t off) {
  return QPointF(r.I16(off), r.I16(off + 2));
}
QRectF Rect32(TByteView r, size_t off) {
  return QRectF(QPointF(r.I32(off), r.I32(off + 4)), QPointF(r.I32(off + 8), r.I32(off + 12)));
}

QPolygonF Points(TByteView r, size_t off, uint32_t count, bool wide) {
  QPolygonF pts;
  pts.reserve(count);
  for (uint32_t i = 0; i < count; ++i)
    pts.push_back(wide ? P32(r, off + 8 * size_t{i}) : P16(r, off + 4 * size_t{i}));
  return pts;
}

// RGNDATA rectangles (already checked against their byte count).
QRegion ReadRegion(TByteView rgn) {
  QRegion out;
  const uint32_t header = rgn.U32(0), count = rgn.U32(8);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t o = header + 16 * size_t{i};
    // Coordinates are held to a range whose differences still fit a QRect.
    constexpr int32_t kLimit = 1 << 28;
    const int32_t l = std::clamp(rgn.I32(o), -kLimit, kLimit);
    const int32_t t = std::clamp(rgn.I32(o + 4), -kLimit, kLimit);
    const int32_t r = std::clamp(rgn.I32(o + 8), -kLimit, kLimit);
    const int32_t b = std::clamp(rgn.I32(o + 12), -kLimit, kLimit);
    if (r > l && b > t) out += QRect(l, t, r - l, b - t);
  }
  return out;
}

QImage ReadDib(TByteView r, size_t offBmiField, size_t offBitsField, uint32_t usage,
               bool alpha = false) {
  const uint32_t offBmi = r.U32(offBmiField), cbBmi = r.U32(offBmiField + 4);
  const uint32_t offBits = r.U32(offBitsField), cbBits = r.U32(offBitsField + 4);
  if (cbBmi == 0 || !r.Has(offBmi, cbBmi) || !r.Has(offBits, cbBits)) return {};
  if (alpha) return DecodeDibWithAlpha(r.At(offBmi), cbBmi, r.At(offBits), cbBits, usage);
  return DecodeDib(r.At(offBmi), cbBmi, r.At(offBits), cbBits, usage);
}

// The source rectangle (source logical units) in the source bitmap's pixels, through the
// record's source transform at off. A transform that cannot be a device context's (one not
// finite, or singular: all zeros where a writer left it blank) is not taken, as GDI keeps the
// identity then. GDI refuses a source that is rotated or sheared: false.
bool SourcePixels(TByteView r, size_t off, const QRectF& logical, QRectF* pixels) {
  double m11 = r.F32(off), m12 = r.F32(off + 4), m21 = r.F32(off + 8);
  double m22 = r.F32(off + 12), dx = r.F32(off + 16), dy = r.F32(off + 20);
  if (!std::isfinite(m11 + m12 + m21 + m22 + dx + dy) || m11 * m22 - m12 * m21 == 0) {
    m11 = m22 = 1;
    m12 = m21 = dx = dy = 0;
  }
  if (m12 != 0 || m21 != 0) return false;
  *pixels = QRectF(logical.left() * m11 + dx, logical.top() * m22 + dy, logical.width() * m11,
                   logical.height() * m22);
  return std::isfinite(pixels->left() + pixels->top() + pixels->width() + pixels->height());
}

// Whether the DIB's rows run bottom-up (source rectangles then count from the last row).
bool BottomUp(TByteView r, size_t offBmiField) {
  const TByteView bmi = r.Sub(r.U32(offBmiField), r.U32(offBmiField + 4));
  if (bmi.U32(0) == 12) return true;
  return bmi.I32(8) > 0;
}

std::u16string ReadWide(TByteView r, size_t off, uint32_t n) {
  std::u16string s;
  s.reserve(n);
  for (uint32_t i = 0; i < n; ++i) s.push_back(static_cast<char16_t>(r.U16(off + 2 * size_t{i})));
  return s;
}

TLogFont ReadLogFontW(TByteView r, size_t off) {
  TLogFont f;
  f.Height = r.I32(off);
  f.Width = r.I32(off + 4);
  f.Escapement = r.I32(off + 8);
  f.Orientation = r.I32(off + 12);
  f.Weight = std::clamp(r.I32(off + 16), 0, 1000);  // GDI weights run from 0 to 1000
  f.Italic = r.U8(off + 20);
  f.Underline = r.U8(off + 21);
  f.StrikeOut = r.U8(off + 22);
  f.CharSet = r.U8(off + 23);
  f.OutPrecision = r.U8(off + 24);
  f.ClipPrecision = r.U8(off + 25);
  f.Quality = r.U8(off + 26);
  f.PitchAndFamily = r.U8(off + 27);
  std::u16string face;
  for (size_t i = 0; i < 32; ++i) {
    const char16_t c = static_cast<char16_t>(r.U16(off + 28 + 2 * i));
    if (c == 0) break;
    face.push_back(c);
  }
  f.FaceName = QString::fromStdU16String(face);
  return f;
}

// One EMRTEXT at off (its string and advances are placed from the record's start).
void TextRecord(TGdiPlayer& g, TByteView r, size_t off, bool wide) {
  const QPointF ref = P32(r, off);
  const uint32_t n = r.U32(off + 8), offString = r.U32(off + 12), options = r.U32(off + 16);
  const uint32_t offDx = r.U32(off + 36);
  const QRectF rect = Rect32(r, off + 20);
  if (options & gdi::ETO_GLYPH_INDEX) return g.SkipUndrawableText();
  QString text;
  if (wide) {
    const std::u16string units = ReadWide(r, offString, n);
    text = DecodeWideText(units.data(), units.size(), g.S.Font.FaceName);
  } else if (n > 0) {
    text = DecodeAnsiText(r.At(offString), n, g.S.Font.CharSet, g.S.Font.FaceName);
  }
  std::vector<double> dx, dy;
  if (offDx != 0 && n > 0) {
    const bool pdy = (options & 0x2000) != 0;
    for (uint32_t i = 0; i < n; ++i) {
      const size_t o = offDx + (pdy ? 8 : 4) * size_t{i};
      dx.push_back(r.I32(o));
      if (pdy) dy.push_back(r.I32(o + 4));
    }
    // One advance per UTF-16 unit; an 8-bit text may decode to fewer characters than bytes.
    if (static_cast<size_t>(text.size()) != dx.size()) {
      dx.clear();
      dy.clear();
    }
  }
  const bool hasRect = rect.width() != 0 && rect.height() != 0;
  g.TextOut(ref, text, dx, dy, options, hasRect ? &rect : nullptr);
}

// POLYTEXTOUT: a run of EMRTEXT entries after the scale fields, drawn one after the other.
void PolyText(TGdiPlayer& g, TByteView r, bool wide) {
  const uint32_t strings = r.U32(36);
  for (uint32_t i = 0; i < strings; ++i) TextRecord(g, r, 40 + 40 * size_t{i}, wide);
}

void SmallText(TGdiPlayer& g, TByteView r) {
  const QPointF ref = P32(r, 8);
  const uint32_t n = r.U32(16), options = r.U32(20);
  const bool hasRect = (options & 0x100) == 0;
  const QRectF rect = hasRect ? Rect32(r, 36) : QRectF();
  const size_t off = hasRect ? 52 : 36;
  if (options & gdi::ETO_GLYPH_INDEX) return g.SkipUndrawableText();
  QString text;
  if (options & 0x200) {
    text = DecodeAnsiText(r.At(off), n, g.S.Font.CharSet, g.S.Font.FaceName);
  } else {
    const std::u16string units = ReadWide(r, off, n);
    text = DecodeWideText(units.data(), units.size(), g.S.Font.FaceName);
  }
  g.TextOut(ref, text, {}, {}, options, hasRect ? &rect : nullptr);
}

void CreatePen(TGdiPlayer& g, TByteView r, bool extended) {
  TGdiObject o;
  o.Type = TGdiObject::otPen;
  if (extended) {
    o.Pen.Style = r.U32(28);
    o.Pen.Width = r.U32(32);
    o.Pen.Color = ColorRef(r.U32(40));
    o.Pen.Brush.Color = o.Pen.Color;
    const uint32_t brushStyle = r.U32(36);
    if (brushStyle == 1) o.Pen.Style = (o.Pen.Style & ~0xFu) | 5;  // BS_NULL brush: no pen
    if (brushStyle == 2) {                                         // BS_HATCHED: the colour's hatch
      o.Pen.Brush.Kind = TGdiBrush::bkHatched;
      o.Pen.Brush.Hatch = r.U32(44);
    } else if (brushStyle == 3 || brushStyle == 5 || brushStyle == 6) {
      // BS_PATTERN carries a bitmap (one of one bit per pixel takes the text and background
      // colours); BS_DIBPATTERN(PT) a DIB whose colour usage is the low word of the colour.
      const uint32_t usage = brushStyle == 3 ? 0 : r.U32(40) & 0xFFFF;
      o.Pen.Brush.Pattern = ReadDib(r, 12, 20, usage);
      if (!o.Pen.Brush.Pattern.isNull()) {
        o.Pen.Brush.Kind = TGdiBrush::bkPattern;
        o.Pen.Brush.Mono = brushStyle == 3;
      }
    }
    const uint32_t entries = r.U32(48);
    for (uint32_t i = 0; i < entries && i < 64; ++i) o.Pen.UserDashes.push_back(r.U32(52 + 4 * i));
  } else {
    o.Pen.Style = r.U32(12) & 0xFFFF;
    o.Pen.Width = r.I32(16);
    o.Pen.Color = ColorRef(r.U32(24));
  }
  g.PutObject(r.U32(8), std::move(o));
}

void CreateBrush(TGdiPlayer& g, TByteView r) {
  TGdiObject o;
  o.Type = TGdiObject::otBrush;
  const uint32_t style = r.U32(12);
  o.Brush.Color = ColorRef(r.U32(16));
  o.Brush.Hatch = r.U32(20);
  o.Brush.Kind = style == 1   ? TGdiBrush::bkNull
                 : style == 2 ? TGdiBrush::bkHatched
                              : TGdiBrush::bkSolid;
  g.PutObject(r.U32(8), std::move(o));
}

void CreatePatternBrush(TGdiPlayer& g, TByteView r, bool mono) {
  TGdiObject o;
  o.Type = TGdiObject::otBrush;
  o.Brush.Kind = TGdiBrush::bkPattern;
  o.Brush.Pattern = ReadDib(r, 16, 24, r.U32(12));
  o.Brush.Mono = mono;
  if (o.Brush.Pattern.isNull()) o.Brush.Kind = TGdiBrush::bkSolid;
  g.PutObject(r.U32(8), std::move(o));
}

void BitBlt(TGdiPlayer& g, TByteView r, bool stretch) {
  const QRectF dst(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
  const uint32_t rop = r.U32(40);
  if (r.U32(88) == 0) {  // no source bitmap: a pattern operation
    g.PatBlt(dst, rop);
    return;
  }
  const QImage img = ReadDib(r, 84, 92, r.U32(80));
  const double sw = stretch ? r.I32(100) : dst.width(), sh = stretch ? r.I32(104) : dst.height();
  QRectF src;
  if (SourcePixels(r, 52, QRectF(r.I32(44), r.I32(48), sw, sh), &src)) g.Blit(dst, img, src, rop);
}

void StretchDIBits(TGdiPlayer& g, TByteView r) {
  const QRectF dst(r.I32(24), r.I32(28), r.I32(72), r.I32(76));
  const uint32_t rop = r.U32(68);
  if (r.U32(52) == 0) {
    g.PatBlt(dst, rop);
    return;
  }
  const QImage img = ReadDib(r, 48, 56, r.U32(64));
  if (img.isNull()) return;
  double sy = r.I32(36);
  const double sh = r.I32(44);
  if (BottomUp(r, 48)) sy = img.height() - sy - sh;
  g.Blit(dst, img, QRectF(r.I32(32), sy, r.I32(40), sh), rop);
}

void SetDIBitsToDevice(TGdiPlayer& g, TByteView r) {
  const QImage img = ReadDib(r, 48, 56, r.U32(64));
  if (img.isNull()) return;
  const double w = r.I32(40), h = r.I32(44);
  double sy = r.I32(36);
  if (BottomUp(r, 48)) sy = img.height() - sy - h;
  g.Blit(QRectF(r.I32(24), r.I32(28), w, h), img, QRectF(r.I32(32), sy, w, h), 0x00CC0020);
}

void AlphaBlend(TGdiPlayer& g, TByteView r) {
  const QRectF dst(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
  const uint8_t constantAlpha = r.U8(42), format = r.U8(43);
  const QImage img = ReadDib(r, 84, 92, r.U32(80), (format & 1) != 0);
  if (img.isNull()) return;
  QRectF src;
  if (!SourcePixels(r, 52, QRectF(r.I32(44), r.I32(48), r.I32(100), r.I32(104)), &src)) return;
  if (constantAlpha == 255) {
    g.Blit(dst, img, src, 0x00CC0020);
    return;
  }
  QImage faded = img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QImage out(faded.size(), QImage::Format_ARGB32_Premultiplied);
  out.fill(Qt::transparent);
  QPainter p(&out);
  p.setOpacity(constantAlpha / 255.0);
  p.drawImage(0, 0, faded);
  p.end();
  g.Blit(dst, out, src, 0x00CC0020);
}

void TransparentBlt(TGdiPlayer& g, TByteView r) {
  const QRectF dst(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
  const QImage img = ReadDib(r, 84, 92, r.U32(80));
  if (img.isNull()) return;
  QImage keyed = img.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ColorRef(r.U32(40)).rgb() | 0xFF000000u;
  for (int y = 0; y < keyed.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
    for (int x = 0; x < keyed.width(); ++x)
      if ((line[x] | 0xFF000000u) == key) line[x] = 0;
  }
  QRectF src;
  if (SourcePixels(r, 52, QRectF(r.I32(44), r.I32(48), r.I32(100), r.I32(104)), &src))
    g.Blit(dst, keyed, src, 0x00CC0020);
}

void MaskBlt(TGdiPlayer& g, TByteView r) {
  const QRectF dst(r.I32(24), r.I32(28), r.I32(32), r.I32(36));
  const uint32_t rop = r.U32(40);
  if (r.U32(88) == 0) {
    g.PatBlt(dst, rop & 0x00FFFFFF);
    return;
  }
  const QImage img = ReadDib(r, 84, 92, r.U32(80));
  const QImage mask = ReadDib(r, 112, 120, r.U32(108));
  QRectF src;
  if (img.isNull() ||
      !SourcePixels(r, 52, QRectF(r.I32(44), r.I32(48), dst.width(), dst.height()), &src))
    return;
  // The ROP4: the foreground operation in the third byte, the background one in the top byte.
  // Without a mask only the foreground one applies.
  const uint8_t fore = (rop >> 16) & 0xFF, back = rop >> 24;
  if (mask.isNull()) {
    g.Blit(dst, img, src, rop & 0x00FFFFFF);
    return;
  }
  g.MaskBlit(dst, img, src, mask, QPoint(r.I32(100), r.I32(104)), fore, back);
}

// PLGBLT: the source onto a parallelogram, pixels whose mask bit is 0 left out.
void PlgBlt(TGdiPlayer& g, TByteView r) {
  const QPointF corners[3] = {P32(r, 24), P32(r, 32), P32(r, 40)};
  const QImage img = ReadDib(r, 96, 104, r.U32(92));
  QRectF src;
  if (img.isNull() ||
      !SourcePixels(r, 64, QRectF(r.I32(48), r.I32(52), r.I32(56), r.I32(60)), &src))
    return;
  g.BlitParallelogram(corners, img, src, ReadDib(r, 124, 132, r.U32(120)),
                      QPoint(r.I32(112), r.I32(116)));
}

void GradientFill(TGdiPlayer& g, TByteView r) {
  const uint32_t nVer = r.U32(24), nItems = r.U32(28), mode = r.U32(32);
  auto vertex = [&](uint32_t i, QPointF* p, QColor* c) {
    if (i >= nVer) return false;
    const size_t o = 36 + 16 * size_t{i};
    *p = P32(r, o);
    *c = QColor(r.U16(o + 8) >> 8, r.U16(o + 10) >> 8, r.U16(o + 12) >> 8);
    return true;
  };
  const size_t items = 36 + 16 * size_t{nVer};
  for (uint32_t k = 0; k < nItems; ++k) {
    QPointF p[3];
    QColor c[3];
    if (mode == 2) {
      const size_t o = items + 12 * size_t{k};
      if (!vertex(r.U32(o), &p[0], &c[0]) || !vertex(r.U32(o + 4), &p[1], &c[1]) ||
          !vertex(r.U32(o + 8), &p[2], &c[2]))
        continue;
      g.FillShadedTriangle(QPolygonF({p[0], p[1], p[2]}), c);
    } else {
      const size_t o = items + 8 * size_t{k};
      if (!vertex(r.U32(o), &p[0], &c[0]) || !vertex(r.U32(o + 4), &p[1], &c[1])) continue;
      const QRectF box = QRectF(p[0], p[1]).normalized();
      QLinearGradient grad(p[0],
                           mode == 1 ? QPointF(p[0].x(), p[1].y()) : QPointF(p[1].x(), p[0].y()));
      grad.setColorAt(0, c[0]);
      grad.setColorAt(1, c[1]);
      g.FillGradient(QPolygonF(box), QBrush(grad));
    }
  }
}

void PolyPoly(TGdiPlayer& g, TByteView r, bool wide, bool polygon) {
  const uint32_t polys = r.U32(24);
  size_t off = 32 + 4 * size_t{polys};
  std::vector<QPolygonF> list;
  list.reserve(polys);
  for (uint32_t i = 0; i < polys; ++i) {
    const uint32_t n = r.U32(32 + 4 * size_t{i});
    list.push_back(Points(r, off, n, wide));
    off += size_t{n} * (wide ? 8 : 4);
  }
  if (polygon) {
    g.PolyPolygon(list);
  } else {
    for (const QPolygonF& p : list) g.Polyline(p);
  }
}

void PlayRecord(TGdiPlayer& g, uint32_t type, TByteView r) {
  switch (type) {
    case emr::SetMapMode:
      g.SetMapMode(r.U32(8));
      break;
    case emr::SetWindowExtEx:
      g.SetWindowExt(P32(r, 8));
      break;
    case emr::SetWindowOrgEx:
      g.SetWindowOrg(P32(r, 8));
      break;
    case emr::SetViewportExtEx:
      g.SetViewportExt(P32(r, 8));
      break;
    case emr::SetViewportOrgEx:
      g.SetViewportOrg(P32(r, 8));
      break;
    case emr::ScaleViewportExtEx:
    case emr::ScaleWindowExtEx: {
      const int32_t xd = r.I32(12), yd = r.I32(20);
      if (xd == 0 || yd == 0) break;
      const bool vp = type == emr::ScaleViewportExtEx;
      const QPointF e = vp ? g.S.ViewportExt : g.S.WindowExt;
      const QPointF n(e.x() * r.I32(8) / xd, e.y() * r.I32(16) / yd);
      if (vp)
        g.SetViewportExt(n);
      else
        g.SetWindowExt(n);
      break;
    }
    case emr::SetWorldTransform:
    case emr::ModifyWorldTransform: {
      const QTransform m(r.F32(8), r.F32(12), r.F32(16), r.F32(20), r.F32(24), r.F32(28));
      if (!std::isfinite(m.m11() + m.m12() + m.m21() + m.m22() + m.dx() + m.dy())) break;
      g.ModifyWorld(m, type == emr::SetWorldTransform ? 4 : r.U32(32));
      break;
    }
    case emr::SaveDC:
      g.SaveDC();
      break;
    case emr::RestoreDC:
      g.RestoreDC(r.I32(8));
      break;
    case emr::SetBkMode:
      g.S.BkMode = r.U32(8);
      break;
    case emr::SetPolyFillMode:
      g.S.PolyFillMode = r.U32(8);
      break;
    case emr::SetRop2:
      g.S.Rop2 = r.U32(8);
      break;
    case emr::SetStretchBltMode:
      g.S.StretchMode = r.U32(8);
      break;
    case emr::SetTextAlign:
      g.S.TextAlign = r.U32(8);
      break;
    case emr::SetTextColor:
      g.S.TextColor = ColorRef(r.U32(8));
      break;
    case emr::SetBkColor:
      g.S.BkColor = ColorRef(r.U32(8));
      break;
    case emr::SetArcDirection:
      g.S.ArcDirection = r.U32(8);
      break;
    case emr::SetBrushOrgEx:
      g.S.BrushOrg = P32(r, 8);
      break;
    case emr::CreatePen:
      CreatePen(g, r, false);
      break;
    case emr::ExtCreatePen:
      CreatePen(g, r, true);
      break;
    case emr::CreateBrushIndirect:
      CreateBrush(g, r);
      break;
    case emr::CreateDIBPatternBrushPt:
      CreatePatternBrush(g, r, false);
      break;
    case emr::CreateMonoBrush:
      CreatePatternBrush(g, r, true);
      break;
    case emr::ExtCreateFontIndirectW: {
      TGdiObject o;
      o.Type = TGdiObject::otFont;
      o.Font = ReadLogFontW(r, 12);
      g.PutObject(r.U32(8), std::move(o));
      break;
    }
    case emr::CreatePalette: {
      TGdiObject o;
      o.Type = TGdiObject::otOther;
      g.PutObject(r.U32(8), std::move(o));
      break;
    }
    case emr::SelectObject:
      g.SelectObject(r.U32(8));
      break;
    case emr::DeleteObject:
      g.DeleteObject(r.U32(8));
      break;
    case emr::MoveToEx:
      g.MoveTo(P32(r, 8));
      break;
    case emr::LineTo:
      g.LineTo(P32(r, 8));
      break;
    case emr::Polyline:
      g.Polyline(Points(r, 28, r.U32(24), true));
      break;
    case emr::Polyline16:
      g.Polyline(Points(r, 28, r.U32(24), false));
      break;
    case emr::PolylineTo:
      g.PolylineTo(Points(r, 28, r.U32(24), true));
      break;
    case emr::PolylineTo16:
      g.PolylineTo(Points(r, 28, r.U32(24), false));
      break;
    case emr::Polygon:
      g.Polygon(Points(r, 28, r.U32(24), true));
      break;
    case emr::Polygon16:
      g.Polygon(Points(r, 28, r.U32(24), false));
      break;
    case emr::PolyBezier:
      g.PolyBezier(Points(r, 28, r.U32(24), true), false);
      break;
    case emr::PolyBezier16:
      g.PolyBezier(Points(r, 28, r.U32(24), false), false);
      break;
    case emr::PolyBezierTo:
      g.PolyBezier(Points(r, 28, r.U32(24), true), true);
      break;
    case emr::PolyBezierTo16:
      g.PolyBezier(Points(r, 28, r.U32(24), false), true);
      break;
    case emr::PolyPolygon:
      PolyPoly(g, r, true, true);
      break;
    case emr::PolyPolygon16:
      PolyPoly(g, r, false, true);
      break;
    case emr::PolyPolyline:
      PolyPoly(g, r, true, false);
      break;
    case emr::PolyPolyline16:
      PolyPoly(g, r, false, false);
      break;
    case emr::PolyDraw:
    case emr::PolyDraw16: {
      const bool wide = type == emr::PolyDraw;
      const uint32_t n = r.U32(24);
      g.PolyDraw(Points(r, 28, n, wide), r.At(28 + size_t{n} * (wide ? 8 : 4)));
      break;
    }
    case emr::Rectangle:
      g.Rectangle(Rect32(r, 8));
      break;
    case emr::RoundRect:
      g.RoundRect(Rect32(r, 8), QSizeF(r.I32(24), r.I32(28)));
      break;
    case emr::Ellipse:
      g.Ellipse(Rect32(r, 8));
      break;
    case emr::Arc:
      g.ArcShape(Rect32(r, 8), P32(r, 24), P32(r, 32), TGdiPlayer::akArc);
      break;
    case emr::ArcTo:
      g.ArcShape(Rect32(r, 8), P32(r, 24), P32(r, 32), TGdiPlayer::akArcTo);
      break;
    case emr::Chord:
      g.ArcShape(Rect32(r, 8), P32(r, 24), P32(r, 32), TGdiPlayer::akChord);
      break;
    case emr::Pie:
      g.ArcShape(Rect32(r, 8), P32(r, 24), P32(r, 32), TGdiPlayer::akPie);
      break;
    case emr::AngleArc:
      g.AngleArc(P32(r, 8), r.U32(16), r.F32(20), r.F32(24));
      break;
    case emr::SetPixelV:
      g.SetPixel(P32(r, 8), ColorRef(r.U32(16)));
      break;
    case emr::BeginPath:
      g.BeginPath();
      break;
    case emr::EndPath:
      g.EndPath();
      break;
    case emr::AbortPath:
      g.AbortPath();
      break;
    case emr::CloseFigure:
      g.CloseFigure();
      break;
    case emr::FillPath:
      g.FillPath();
      break;
    case emr::StrokePath:
      g.StrokePath();
      break;
    case emr::StrokeAndFillPath:
      g.StrokeAndFillPath();
      break;
    case emr::FlattenPath:
      g.FlattenPath();
      break;
    case emr::WidenPath:
      g.WidenPath();
      break;
    case emr::SelectClipPath:
      g.SelectClipPath(r.U32(8));
      break;
    case emr::IntersectClipRect:
      g.IntersectClip(Rect32(r, 8));
      break;
    case emr::ExcludeClipRect:
      g.ExcludeClip(Rect32(r, 8));
      break;
    case emr::OffsetClipRgn:
      g.OffsetClip(P32(r, 8));
      break;
    case emr::SetMetaRgn:
      g.SetMetaRegion();
      break;
    case emr::ExtSelectClipRgn: {
      const uint32_t size = r.U32(8), mode = r.U32(12);
      if (size == 0) {
        if (mode == 5) g.ResetClip();
        break;
      }
      QRegion out;
      const QTransform d = g.DeviceToOutput();
      for (const QRect& rect : ReadRegion(r.Sub(16, size)))
        out += g.OutputRect(d.mapRect(QRectF(rect)));
      g.SelectClipRegion(out, mode);
      break;
    }
    case emr::FillRgn:
    case emr::FrameRgn: {
      const TGdiObject* o = g.Object(r.U32(28));
      TGdiBrush brush;
      if (r.U32(28) & 0x80000000u) {
        // A stock object named here is only looked at: a stock font or pen stays unselected.
        const TDcState saved = g.S;
        g.SelectObject(r.U32(28));
        brush = g.S.Brush;
        g.S = saved;
      } else if (o && o->Type == TGdiObject::otBrush) {
        brush = o->Brush;
      } else {
        break;
      }
      if (type == emr::FillRgn)
        g.FillRegion(ReadRegion(r.Sub(32, r.U32(24))), brush);
      else
        g.FrameRegion(ReadRegion(r.Sub(40, r.U32(24))), brush, QSizeF(r.I32(32), r.I32(36)));
      break;
    }
    case emr::PaintRgn:
      g.FillRegion(ReadRegion(r.Sub(28, r.U32(24))), g.S.Brush);
      break;
    case emr::InvertRgn:
      g.InvertRegion(ReadRegion(r.Sub(28, r.U32(24))));
      break;
    case emr::ExtTextOutW:
      TextRecord(g, r, 36, true);
      break;
    case emr::ExtTextOutA:
      TextRecord(g, r, 36, false);
      break;
    case emr::PolyTextOutW:
      PolyText(g, r, true);
      break;
    case emr::PolyTextOutA:
      PolyText(g, r, false);
      break;
    case emr::SmallTextOut:
      SmallText(g, r);
      break;
    case emr::BitBlt:
      BitBlt(g, r, false);
      break;
    case emr::StretchBlt:
      BitBlt(g, r, true);
      break;
    case emr::StretchDIBits:
      StretchDIBits(g, r);
      break;
    case emr::SetDIBitsToDevice:
      SetDIBitsToDevice(g, r);
      break;
    case emr::AlphaBlend:
      AlphaBlend(g, r);
      break;
    case emr::TransparentBlt:
      TransparentBlt(g, r);
      break;
    case emr::MaskBlt:
      MaskBlt(g, r);
      break;
    case emr::PlgBlt:
      PlgBlt(g, r);
      break;
    case emr::GradientFill:
      GradientFill(g, r);
      break;
    default:
      break;  // comments (EMF+ included), palettes and colour management draw nothing
  }
}

// The records a walk that only gathers text still plays: text, and whatever decides the font
// in effect or whether text draws (objects, saved states, the raster operation).
bool ForText(uint32_t type) {
  switch (type) {
    case emr::ExtTextOutW:
    case emr::ExtTextOutA:
    case emr::PolyTextOutW:
    case emr::PolyTextOutA:
    case emr::SmallTextOut:
    case emr::ExtCreateFontIndirectW:
    case emr::CreatePen:
    case emr::ExtCreatePen:
    case emr::CreateBrushIndirect:
    case emr::CreateDIBPatternBrushPt:
    case emr::CreateMonoBrush:
    case emr::CreatePalette:
    case emr::SelectObject:
    case emr::DeleteObject:
    case emr::SaveDC:
    case emr::RestoreDC:
    case emr::SetRop2:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool PlayEnhanced(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                  const TPlayText& text) {
  const TByteView v = metafile.View();
  const double devW = v.I32(72), devH = v.I32(76), mmW = v.I32(80), mmH = v.I32(84);
  const double pxPerMMx = devW > 0 && mmW > 0 ? devW / mmW : 96.0 / 25.4;
  const double pxPerMMy = devH > 0 && mmH > 0 ? devH / mmH : pxPerMMx;
  // The frame (0.01 mm) in reference-device pixels, mapped onto the target. Like the bounds,
  // the frame includes its right and bottom edges: it spans one device pixel more.
  const TMetafileFrame f = metafile.Frame();
  QRectF frameDev(QPointF(f.Left * pxPerMMx / 100, f.Top * pxPerMMy / 100),
                  QPointF(f.Right * pxPerMMx / 100 + 1, f.Bottom * pxPerMMy / 100 + 1));
  if (frameDev.width() <= 0 || frameDev.height() <= 0) return true;
  // Some writers put the drawing beside the frame they declare; when most of the bounds lie
  // outside the frame, the frame moves onto the bounds so that the drawing shows.
  const QRectF bounds(QPointF(v.I32(8), v.I32(12)), QPointF(v.I32(16) + 1.0, v.I32(20) + 1.0));
  const QRectF inside = bounds.intersected(frameDev);
  const double boundsArea = bounds.width() * bounds.height();
  if (boundsArea > 0 && inside.width() * inside.height() < 0.5 * boundsArea)
    frameDev.moveTopLeft(bounds.topLeft());
  const double sx = target.width() / frameDev.width(), sy = target.height() / frameDev.height();
  const QTransform deviceToOutput(sx, 0, 0, sy, target.left() - frameDev.left() * sx,
                                  target.top() - frameDev.top() * sy);
  TGdiPlayer g(painter, target, deviceToOutput, pxPerMMx, std::sqrt(sx * sy));
  g.Texts = text.Texts;
  g.TextOnly = text.Only;
  g.Undrawn = text.Undrawn;
  g.ResizeObjects(v.U16(56));
  TPlayBudget budget;
  for (const TMetafileRecord& rec : metafile.Records().Items) {
    if (!rec.Sound) continue;
    if (rec.Type == emr::Eof) break;
    if (budget.Spent()) return false;
    if (text.Only && !ForText(rec.Type)) continue;
    PlayRecord(g, rec.Type, v.Sub(rec.Offset, rec.Size));
  }
  return true;
}
