// PlayWindows: the META_* records of a placeable or plain Windows metafile through TGdiPlayer.
#include <algorithm>

#include "Dib.h"
#include "GdiPlayer.h"
#include "PlayBudget.h"
#include "RecordPlayers.h"
#include "RecordTypes.h"

namespace {

// WMF parameters are 16-bit words stored last argument first.
QPointF YX(TByteView r, size_t off) {
  return QPointF(r.I16(off + 2), r.I16(off));
}
// bottom, right, top, left
QRectF BRTL(TByteView r, size_t off) {
  return QRectF(QPointF(r.I16(off + 6), r.I16(off + 4)), QPointF(r.I16(off + 2), r.I16(off)));
}

QPolygonF Points16(TByteView r, size_t off, size_t count) {
  QPolygonF pts;
  pts.reserve(count);
  for (size_t i = 0; i < count; ++i)
    pts.push_back(QPointF(r.I16(off + 4 * i), r.I16(off + 4 * i + 2)));
  return pts;
}

// Whether a bitmap record carries its bitmap: without one it holds an extra reserved word only.
bool HasBitmap(TByteView r, uint16_t function) {
  return r.Size / 2 != (function >> 8) + 3u;
}

bool DibBottomUp(TByteView dib) {
  return dib.U32(0) == 12 || dib.I32(8) > 0;
}

QImage PackedDib(TByteView r, size_t off, uint32_t usage) {
  if (!r.Has(off, 4)) return {};
  return DecodePackedDib(r.At(off), r.Size - off, usage);
}

// A device-dependent bitmap (BITMAP16) turned into a DIB: rows are word-aligned, top-down.
QImage Bitmap16(TByteView r, size_t off, size_t gap = 0) {
  const int w = r.I16(off + 2), h = r.I16(off + 4), stride = r.I16(off + 6);
  const int planes = r.U8(off + 8), bpp = r.U8(off + 9);
  if (w <= 0 || h <= 0 || planes != 1 || stride <= 0) return {};
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return {};
  if (static_cast<int64_t>(stride) * 8 < static_cast<int64_t>(w) * bpp) return {};
  const size_t bits = off + 10 + gap;
  if (!r.HasArray(bits, static_cast<size_t>(h), static_cast<size_t>(stride))) return {};
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = r.At(bits + static_cast<size_t>(y) * stride);
    QRgb* out = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      if (bpp == 1) {
        out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
      } else if (bpp == 24 || bpp == 32) {
        const uint8_t* p = row + x * (bpp / 8);
        out[x] = qRgb(p[2], p[1], p[0]);
      } else if (bpp == 16) {  // 5 bits each of red, green and blue, as a 16-bit DIB has them
        const uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
        auto scale = [](uint32_t c) { return static_cast<int>((c * 255 + 15) / 31); };
        out[x] = qRgb(scale((v >> 10) & 31), scale((v >> 5) & 31), scale(v & 31));
      } else {
        const int v = bpp == 8 ? row[x] : ((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF) * 17;
        out[x] = qRgb(v, v, v);
      }
    }
  }
  return img;
}

TLogFont ReadLogFont16(TByteView r) {
  TLogFont f;
  f.Height = r.I16(6);
  f.Width = r.I16(8);
  f.Escapement = r.I16(10);
  f.Orientation = r.I16(12);
  f.Weight = std::clamp<int32_t>(r.I16(14), 0, 1000);  // GDI weights run from 0 to 1000
  f.Italic = r.U8(16);
  f.Underline = r.U8(17);
  f.StrikeOut = r.U8(18);
  f.CharSet = r.U8(19);
  f.OutPrecision = r.U8(20);
  f.ClipPrecision = r.U8(21);
  f.Quality = r.U8(22);
  f.PitchAndFamily = r.U8(23);
  size_t n = 0;
  while (n < 32 && r.Has(24 + n, 1) && r.U8(24 + n) != 0) ++n;
  // Read as text in the font's charset, a symbol font's name would come out in its own
  // characters ("Wingdings" as Greek letters) and no longer name the face.
  f.FaceName = DecodeFaceName(r.At(24), n, f.CharSet);
  return f;
}

QRegion ReadRegion16(TByteView r) {
  QRegion out;
  const int16_t scans = r.I16(16);
  size_t off = 28;
  for (int16_t s = 0; s < scans; ++s) {
    if (!r.Has(off, 6)) break;
    const uint16_t count = r.U16(off);
    const int top = r.I16(off + 2), bottom = r.I16(off + 4);
    const size_t pairs = count / 2;
    if (!r.HasArray(off + 6, pairs, 4)) break;
    for (size_t i = 0; i < pairs; ++i) {
      const int left = r.I16(off + 6 + 4 * i), right = r.I16(off + 8 + 4 * i);
      if (right > left && bottom > top) out += QRect(left, top, right - left, bottom - top);
    }
    off += 6 + 4 * pairs + 2;
  }
  return out;
}

void TextOut16(TGdiPlayer& g, TByteView r, bool extended) {
  QPointF ref;
  uint32_t options = 0;
  QRectF rect;
  size_t n, textOff;
  if (extended) {
    ref = YX(r, 6);
    n = r.U16(10);
    options = r.U16(12);
    textOff = 14;
    if (options & (gdi::ETO_OPAQUE | gdi::ETO_CLIPPED)) {
      rect = QRectF(QPointF(r.I16(14), r.I16(16)), QPointF(r.I16(18), r.I16(20)));
      textOff = 22;
    }
  } else {
    n = r.U16(6);
    textOff = 8;
    ref = YX(r, 8 + ((n + 1) & ~size_t{1}));
  }
  if (!r.Has(textOff, n)) return;
  if (options & gdi::ETO_GLYPH_INDEX) return g.SkipUndrawableText();
  const QString text = DecodeAnsiText(r.At(textOff), n, g.S.Font.CharSet, g.S.Font.FaceName);
  std::vector<double> dx;
  const size_t dxOff = textOff + ((n + 1) & ~size_t{1});
  // One advance per byte; double-byte code pages decode to fewer characters than bytes.
  if (extended && r.HasArray(dxOff, n, 2) && n > 0) {
    if (static_cast<size_t>(text.size()) == n) {
      for (size_t i = 0; i < n; ++i) dx.push_back(r.I16(dxOff + 2 * i));
    } else {
      // Sum the advances of the bytes that make up each character.
      QByteArray probe;
      size_t byte = 0;
      for (qsizetype c = 0; c < text.size() && byte < n; ++c) {
        double sum = 0;
        size_t take = 1;
        const uint8_t lead = r.U8(textOff + byte);
        if (lead >= 0x81 && byte + 1 < n && text[c].unicode() >= 0x80) take = 2;
        for (size_t k = 0; k < take; ++k) sum += r.I16(dxOff + 2 * (byte + k));
        dx.push_back(sum);
        byte += take;
      }
      if (static_cast<size_t>(text.size()) != dx.size()) dx.clear();
    }
  }
  const bool hasRect = !rect.isNull() && rect.width() != 0 && rect.height() != 0;
  g.TextOut(ref, text, dx, {}, options, hasRect ? &rect : nullptr);
}

void PlayRecord(TGdiPlayer& g, uint16_t fn, TByteView r) {
  switch (fn) {
    case meta::SetWindowOrg:
      g.SetWindowOrg(YX(r, 6));
      break;
    case meta::SetWindowExt:
      g.SetWindowExt(YX(r, 6));
      break;
    case meta::OffsetWindowOrg:
      g.SetWindowOrg(g.S.WindowOrg + YX(r, 6));
      break;
    case meta::ScaleWindowExt: {
      const int yd = r.I16(6), yn = r.I16(8), xd = r.I16(10), xn = r.I16(12);
      if (xd != 0 && yd != 0)
        g.SetWindowExt(QPointF(g.S.WindowExt.x() * xn / xd, g.S.WindowExt.y() * yn / yd));
      break;
    }
    case meta::SetMapMode:
      // The placeable header's scale holds; only the isotropic constraint is honoured.
      if (r.U16(6) == gdi::MM_ISOTROPIC || r.U16(6) == gdi::MM_ANISOTROPIC) g.S.MapMode = r.U16(6);
      break;
    case meta::SetBkColor:
      g.S.BkColor = ColorRef(r.U32(6));
      break;
    case meta::SetTextColor:
      g.S.TextColor = ColorRef(r.U32(6));
      break;
    case meta::SetBkMode:
      g.S.BkMode = r.U16(6);
      break;
    case meta::SetRop2:
      g.S.Rop2 = r.U16(6);
      break;
    case meta::SetPolyFillMode:
      g.S.PolyFillMode = r.U16(6);
      break;
    case meta::SetStretchBltMode:
      g.S.StretchMode = r.U16(6);
      break;
    case meta::SetTextAlign:
      g.S.TextAlign = r.U16(6);
      break;
    case meta::SaveDC:
      g.SaveDC();
      break;
    case meta::RestoreDC:
      g.RestoreDC(r.I16(6));
      break;
    case meta::MoveTo:
      g.MoveTo(YX(r, 6));
      break;
    case meta::LineTo:
      g.LineTo(YX(r, 6));
      break;
    case meta::Rectangle:
      g.Rectangle(BRTL(r, 6));
      break;
    case meta::Ellipse:
      g.Ellipse(BRTL(r, 6));
      break;
    case meta::RoundRect:
      g.RoundRect(BRTL(r, 10), QSizeF(r.I16(8), r.I16(6)));
      break;
    case meta::Arc:
    case meta::Pie:
    case meta::Chord: {
      const TGdiPlayer::TArcKind kind = fn == meta::Arc   ? TGdiPlayer::akArc
                                        : fn == meta::Pie ? TGdiPlayer::akPie
                                                          : TGdiPlayer::akChord;
      g.ArcShape(BRTL(r, 14), YX(r, 10), YX(r, 6), kind);
      break;
    }
    case meta::Polygon:
      g.Polygon(Points16(r, 8, r.U16(6)));
      break;
    case meta::Polyline:
      g.Polyline(Points16(r, 8, r.U16(6)));
      break;
    case meta::PolyPolygon: {
      const uint16_t polys = r.U16(6);
      size_t off = 8 + 2 * size_t{polys};
      std::vector<QPolygonF> list;
      for (uint16_t i = 0; i < polys; ++i) {
        const uint16_t n = r.U16(8 + 2 * size_t{i});
        list.push_back(Points16(r, off, n));
        off += 4 * size_t{n};
      }
      g.PolyPolygon(list);
      break;
    }
    case meta::SetPixel:
      g.SetPixel(YX(r, 10), ColorRef(r.U32(6)));
      break;
    case meta::IntersectClipRect:
      g.IntersectClip(BRTL(r, 6));
      break;
    case meta::ExcludeClipRect:
      g.ExcludeClip(BRTL(r, 6));
      break;
    case meta::OffsetClipRgn:
      g.OffsetClip(YX(r, 6));
      break;
    case meta::SelectObject:
      g.SelectObject(r.U16(6));
      break;
    case meta::SelectClipRegion: {
      const TGdiObject* o = g.Object(r.U16(6));
      if (o && o->Type == TGdiObject::otRegion)
        g.SelectObject(r.U16(6));
      else
        g.ResetClip();
      break;
    }
    case meta::DeleteObject:
      g.DeleteObject(r.U16(6));
      break;
    case meta::CreatePenIndirect: {
      TGdiObject o;
      o.Type = TGdiObject::otPen;
      o.Pen.Style = r.U16(6);
      o.Pen.Width = r.I16(8);
      o.Pen.Color = ColorRef(r.U32(12));
      g.PutObjectFirstFree(std::move(o));
      break;
    }
    case meta::CreateBrushIndirect: {
      TGdiObject o;
      o.Type = TGdiObject::otBrush;
      const uint16_t style = r.U16(6);
      o.Brush.Color = ColorRef(r.U32(8));
      o.Brush.Hatch = r.U16(12);
      o.Brush.Kind = style == 1   ? TGdiBrush::bkNull
                     : style == 2 ? TGdiBrush::bkHatched
                                  : TGdiBrush::bkSolid;
      g.PutObjectFirstFree(std::move(o));
      break;
    }
    case meta::DIBCreatePatternBrush: {
      TGdiObject o;
      o.Type = TGdiObject::otBrush;
      o.Brush.Kind = TGdiBrush::bkPattern;
      o.Brush.Pattern = PackedDib(r, 10, r.U16(8));
      // A BS_PATTERN brush may carry a device-dependent bitmap (BITMAP16) instead of a DIB.
      if (o.Brush.Pattern.isNull() && r.U16(6) == 3) o.Brush.Pattern = Bitmap16(r, 10);
      if (o.Brush.Pattern.isNull()) o.Brush.Kind = TGdiBrush::bkSolid;
      g.PutObjectFirstFree(std::move(o));
      break;
    }
    case meta::CreateFontIndirect: {
      TGdiObject o;
      o.Type = TGdiObject::otFont;
      o.Font = ReadLogFont16(r);
      g.PutObjectFirstFree(std::move(o));
      break;
    }
    case meta::CreateRegion: {
      TGdiObject o;
      o.Type = TGdiObject::otRegion;
      o.Region = ReadRegion16(r);
      g.PutObjectFirstFree(std::move(o));
      break;
    }
    case meta::CreatePalette:
    case meta::CreatePatternBrush: {
      TGdiObject o;
      o.Type = fn == meta::CreatePatternBrush ? TGdiObject::otBrush : TGdiObject::otOther;
      if (fn == meta::CreatePatternBrush) {
        o.Brush.Kind = TGdiBrush::bkPattern;
        o.Brush.Pattern = Bitmap16(r, 6, 18);  // 18 reserved bytes precede the bits
        if (o.Brush.Pattern.isNull()) o.Brush.Kind = TGdiBrush::bkSolid;
      }
      g.PutObjectFirstFree(std::move(o));
      break;
    }
    case meta::FillRegion:
    case meta::FrameRegion:
    case meta::PaintRegion:
    case meta::InvertRegion: {
      const TGdiObject* region = g.Object(r.U16(6));
      if (!region || region->Type != TGdiObject::otRegion) break;
      if (fn == meta::InvertRegion) {
        g.InvertRegion(region->Region);
        break;
      }
      if (fn == meta::PaintRegion) {
        g.FillRegion(region->Region, g.S.Brush);
        break;
      }
      const TGdiObject* brush = g.Object(r.U16(8));
      if (!brush || brush->Type != TGdiObject::otBrush) break;
      if (fn == meta::FillRegion)
        g.FillRegion(region->Region, brush->Brush);
      else
        g.FrameRegion(region->Region, brush->Brush, QSizeF(r.I16(12), r.I16(10)));
      break;
    }
    case meta::TextOut:
      TextOut16(g, r, false);
      break;
    case meta::ExtTextOut:
      TextOut16(g, r, true);
      break;
    case meta::PatBlt:
      g.PatBlt(QRectF(r.I16(16), r.I16(14), r.I16(12), r.I16(10)), r.U32(6));
      break;
    case meta::DIBBitBlt:
    case meta::BitBlt: {
      const uint32_t rop = r.U32(6);
      if (!HasBitmap(r, fn)) {
        g.PatBlt(QRectF(r.I16(22), r.I16(20), r.I16(18), r.I16(16)), rop);
        break;
      }
      const QRectF dst(r.I16(20), r.I16(18), r.I16(16), r.I16(14));
      const QImage img = fn == meta::BitBlt ? Bitmap16(r, 22) : PackedDib(r, 22, 0);
      g.Blit(dst, img, QRectF(r.I16(12), r.I16(10), dst.width(), dst.height()), rop);
      break;
    }
    case meta::DIBStretchBlt:
    case meta::StretchBlt: {
      const uint32_t rop = r.U32(6);
      if (!HasBitmap(r, fn)) {
        g.PatBlt(QRectF(r.I16(26), r.I16(24), r.I16(22), r.I16(20)), rop);
        break;
      }
      const QRectF dst(r.I16(24), r.I16(22), r.I16(20), r.I16(18));
      const QImage img = fn == meta::StretchBlt ? Bitmap16(r, 26) : PackedDib(r, 26, 0);
      if (img.isNull()) break;
      double sy = r.I16(14);
      const double sh = r.I16(10);
      if (fn == meta::DIBStretchBlt && DibBottomUp(r.Sub(26, r.Size - 26)))
        sy = img.height() - sy - sh;
      g.Blit(dst, img, QRectF(r.I16(16), sy, r.I16(12), sh), rop);
      break;
    }
    case meta::StretchDIB: {
      const QImage img = PackedDib(r, 28, r.U16(10));
      if (img.isNull()) break;
      double sy = r.I16(16);
      const double sh = r.I16(12);
      if (DibBottomUp(r.Sub(28, r.Size - 28))) sy = img.height() - sy - sh;
      g.Blit(QRectF(r.I16(26), r.I16(24), r.I16(22), r.I16(20)), img,
             QRectF(r.I16(18), sy, r.I16(14), sh), r.U32(6));
      break;
    }
    case meta::SetDIBToDev: {
      const QImage img = PackedDib(r, 24, r.U16(6));
      if (img.isNull()) break;
      const double w = r.I16(18), h = r.I16(16);
      double sy = r.I16(12);
      if (DibBottomUp(r.Sub(24, r.Size - 24))) sy = img.height() - sy - h;
      g.Blit(QRectF(r.I16(22), r.I16(20), w, h), img, QRectF(r.I16(14), sy, w, h), 0x00CC0020);
      break;
    }
    default:
      break;  // escapes, palettes and flood fills draw nothing here
  }
}

// The records a walk that only gathers text still plays. Every object creation counts: each
// takes the lowest free slot, so leaving one out would move the fonts after it.
bool ForText(uint16_t fn) {
  switch (fn) {
    case meta::TextOut:
    case meta::ExtTextOut:
    case meta::CreatePenIndirect:
    case meta::CreateBrushIndirect:
    case meta::DIBCreatePatternBrush:
    case meta::CreatePatternBrush:
    case meta::CreateFontIndirect:
    case meta::CreateRegion:
    case meta::CreatePalette:
    case meta::SelectObject:
    case meta::DeleteObject:
    case meta::SaveDC:
    case meta::RestoreDC:
    case meta::SetRop2:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool PlayWindows(QPainter& painter, const TMetafile& metafile, const QRectF& target,
                 const TPlayText& text) {
  const TByteView v = metafile.View();
  // A WMF that carries the enhanced original in its comments is drawn from that original.
  const std::string embedded = EmbeddedEnhancedMetafile(v, metafile.Records());
  if (!embedded.empty()) {
    TMetafile original;
    if (original.LoadFromBytes(embedded) && original.Kind() == TMetafileKind::mkEnhanced) {
      return PlayEnhanced(painter, original, target, text);
    }
  }
  const TMetafileFrame f = metafile.Frame();
  const double pixelScale = metafile.Width() > 0 ? target.width() / metafile.Width() : 1.0;
  TGdiPlayer g(painter, target, QTransform(), 96.0 / 25.4, pixelScale);
  g.Wmf = true;
  g.Texts = text.Texts;
  g.TextOnly = text.Only;
  g.Undrawn = text.Undrawn;
  // The picture's box maps onto the target; the file's own window records replace the box.
  g.S.MapMode = gdi::MM_ANISOTROPIC;
  g.SetWindowOrg(QPointF(f.Left, f.Top));
  g.SetWindowExt(QPointF(f.Right - f.Left, f.Bottom - f.Top));
  g.SetViewportOrg(target.topLeft());
  g.SetViewportExt(QPointF(target.width(), target.height()));
  g.ResizeObjects(v.U16(metafile.WmfHeaderOffset() + 10));
  TPlayBudget budget;
  for (const TMetafileRecord& rec : metafile.Records().Items) {
    if (!rec.Sound) continue;
    if (rec.Type == meta::Eof) break;
    if (budget.Spent()) return false;
    const uint16_t fn = static_cast<uint16_t>(rec.Type);
    if (text.Only && !ForText(fn)) continue;
    PlayRecord(g, fn, v.Sub(rec.Offset, rec.Size));
  }
  return true;
}
