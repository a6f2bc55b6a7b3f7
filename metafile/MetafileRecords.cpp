// Walking the records of enhanced and Windows metafiles and checking each record's structure.
#include "MetafileRecords.h"

#include "RecordTypes.h"

namespace {

// Whether a (offset, size) pair stored in the record points inside it; empty blocks are fine.
bool BlockFits(TByteView rec, size_t offField, size_t sizeField) {
  const uint32_t off = rec.U32(offField), size = rec.U32(sizeField);
  return size == 0 || rec.Has(off, size);
}

bool CheckPoly(TByteView rec, size_t pointSize) {
  return rec.Has(0, 28) && rec.HasArray(28, rec.U32(24), pointSize);
}

bool CheckPolyPoly(TByteView rec, size_t pointSize) {
  if (!rec.Has(0, 32)) return false;
  const uint32_t polys = rec.U32(24), points = rec.U32(28);
  if (!rec.HasArray(32, polys, 4)) return false;
  uint64_t sum = 0;
  for (uint32_t i = 0; i < polys; ++i) sum += rec.U32(32 + 4 * size_t{i});
  return sum <= points && rec.HasArray(32 + 4 * size_t{polys}, points, pointSize);
}

bool CheckPolyDraw(TByteView rec, size_t pointSize) {
  if (!rec.Has(0, 28)) return false;
  const uint32_t n = rec.U32(24);
  return rec.HasArray(28, n, pointSize) && rec.Has(28 + size_t{n} * pointSize, n);
}

// One EMRTEXT (40 bytes) at off whose string and advances lie where the record says.
bool CheckEmrText(TByteView rec, size_t off, bool wide) {
  if (!rec.Has(off, 40)) return false;
  const uint32_t chars = rec.U32(off + 8), options = rec.U32(off + 16);
  const uint32_t offDx = rec.U32(off + 36);
  if (chars > 0 && !rec.HasArray(rec.U32(off + 12), chars, wide ? 2 : 1)) return false;
  const uint64_t dxCount = uint64_t{chars} * ((options & gdi::ETO_PDY) ? 2 : 1);
  return offDx == 0 || chars == 0 || rec.HasArray(offDx, dxCount, 4);
}

bool CheckText(TByteView rec, bool wide) {
  return CheckEmrText(rec, 36, wide);
}

bool CheckPolyText(TByteView rec, bool wide) {
  if (!rec.Has(0, 40)) return false;
  const uint32_t strings = rec.U32(36);
  if (!rec.HasArray(40, strings, 40)) return false;
  for (uint32_t i = 0; i < strings; ++i)
    if (!CheckEmrText(rec, 40 + 40 * size_t{i}, wide)) return false;
  return true;
}

bool CheckSmallText(TByteView rec) {
  if (!rec.Has(0, 36)) return false;
  const uint32_t chars = rec.U32(16), options = rec.U32(20);
  const size_t textOff = (options & gdi::ETO_NO_RECT) ? 36 : 52;
  return rec.HasArray(textOff, chars, (options & gdi::ETO_SMALL_CHARS) ? 1 : 2);
}

bool CheckRegionAt(TByteView rec, size_t sizeField, size_t dataOff) {
  const uint32_t size = rec.U32(sizeField);
  if (!rec.Has(dataOff, size)) return false;
  return size == 0 || CheckRegionData(rec.Sub(dataOff, size));
}

// Minimum sizes of the records whose content is a fixed structure.
size_t EmfFixedSize(uint32_t type) {
  switch (type) {
    case emr::Header:
      return 88;
    case emr::SetWindowExtEx:
    case emr::SetWindowOrgEx:
    case emr::SetViewportExtEx:
    case emr::SetViewportOrgEx:
    case emr::SetBrushOrgEx:
    case emr::MoveToEx:
    case emr::LineTo:
    case emr::OffsetClipRgn:
      return 16;
    case emr::SetPixelV:
      return 20;
    case emr::SetMapperFlags:
    case emr::SetMapMode:
    case emr::SetBkMode:
    case emr::SetPolyFillMode:
    case emr::SetRop2:
    case emr::SetStretchBltMode:
    case emr::SetTextAlign:
    case emr::SetTextColor:
    case emr::SetBkColor:
    case emr::RestoreDC:
    case emr::SelectObject:
    case emr::DeleteObject:
    case emr::SelectClipPath:
    case emr::SetMiterLimit:
    case emr::SetArcDirection:
    case emr::SelectPalette:
      return 12;
    case emr::ExcludeClipRect:
    case emr::IntersectClipRect:
    case emr::ScaleViewportExtEx:
    case emr::ScaleWindowExtEx:
    case emr::Ellipse:
    case emr::Rectangle:
    case emr::FillPath:
    case emr::StrokeAndFillPath:
    case emr::StrokePath:
    case emr::ExtFloodFill:
      return 24;
    case emr::SetWorldTransform:
      return 32;
    case emr::ModifyWorldTransform:
      return 36;
    case emr::CreatePen:
      return 28;
    case emr::CreateBrushIndirect:
      return 24;
    case emr::AngleArc:
      return 28;
    case emr::RoundRect:
      return 32;
    case emr::Arc:
    case emr::Chord:
    case emr::Pie:
    case emr::ArcTo:
      return 40;
    case emr::ExtCreateFontIndirectW:
      return 104;
    default:
      return 8;
  }
}

}  // namespace

bool CheckRegionData(TByteView rgn) {
  if (!rgn.Has(0, 32)) return false;
  const uint32_t headerSize = rgn.U32(0), count = rgn.U32(8);
  return headerSize >= 32 && rgn.HasArray(headerSize, count, 16);
}

bool CheckEmfRecord(uint32_t type, TByteView rec) {
  if (!rec.Has(0, EmfFixedSize(type))) return false;
  switch (type) {
    case emr::PolyBezier:
    case emr::Polygon:
    case emr::Polyline:
    case emr::PolyBezierTo:
    case emr::PolylineTo:
      return CheckPoly(rec, 8);
    case emr::PolyBezier16:
    case emr::Polygon16:
    case emr::Polyline16:
    case emr::PolyBezierTo16:
    case emr::PolylineTo16:
      return CheckPoly(rec, 4);
    case emr::PolyPolyline:
    case emr::PolyPolygon:
      return CheckPolyPoly(rec, 8);
    case emr::PolyPolyline16:
    case emr::PolyPolygon16:
      return CheckPolyPoly(rec, 4);
    case emr::PolyDraw:
      return CheckPolyDraw(rec, 8);
    case emr::PolyDraw16:
      return CheckPolyDraw(rec, 4);
    case emr::ExtTextOutA:
      return CheckText(rec, false);
    case emr::ExtTextOutW:
      return CheckText(rec, true);
    case emr::PolyTextOutA:
      return CheckPolyText(rec, false);
    case emr::PolyTextOutW:
      return CheckPolyText(rec, true);
    case emr::SmallTextOut:
      return CheckSmallText(rec);
    case emr::FillRgn:
      return rec.Has(0, 32) && CheckRegionAt(rec, 24, 32);
    case emr::FrameRgn:
      return rec.Has(0, 40) && CheckRegionAt(rec, 24, 40);
    case emr::InvertRgn:
    case emr::PaintRgn:
      return rec.Has(0, 28) && CheckRegionAt(rec, 24, 28);
    case emr::ExtSelectClipRgn:
      return rec.Has(0, 16) && CheckRegionAt(rec, 8, 16);
    case emr::BitBlt:
      return rec.Has(0, 100) && BlockFits(rec, 84, 88) && BlockFits(rec, 92, 96);
    case emr::StretchBlt:
    case emr::AlphaBlend:
    case emr::TransparentBlt:
      return rec.Has(0, 108) && BlockFits(rec, 84, 88) && BlockFits(rec, 92, 96);
    case emr::MaskBlt:
      return rec.Has(0, 128) && BlockFits(rec, 84, 88) && BlockFits(rec, 92, 96) &&
             BlockFits(rec, 112, 116) && BlockFits(rec, 120, 124);
    case emr::SetDIBitsToDevice:
      return rec.Has(0, 76) && BlockFits(rec, 48, 52) && BlockFits(rec, 56, 60);
    case emr::StretchDIBits:
      return rec.Has(0, 80) && BlockFits(rec, 48, 52) && BlockFits(rec, 56, 60);
    case emr::CreateDIBPatternBrushPt:
    case emr::CreateMonoBrush:
      return rec.Has(0, 32) && BlockFits(rec, 16, 20) && BlockFits(rec, 24, 28);
    case emr::ExtCreatePen:
      return rec.Has(0, 52) && rec.HasArray(52, rec.U32(48), 4) && BlockFits(rec, 12, 16) &&
             BlockFits(rec, 20, 24);
    case emr::GradientFill: {
      if (!rec.Has(0, 36)) return false;
      const uint32_t vertices = rec.U32(24), items = rec.U32(28);
      if (!rec.HasArray(36, vertices, 16)) return false;
      return rec.HasArray(36 + size_t{vertices} * 16, items, rec.U32(32) == 2 ? 12 : 8);
    }
    default:
      return true;
  }
}

bool CheckWmfRecord(uint16_t function, TByteView rec) {
  auto params = [&](size_t words) { return rec.Has(0, 6 + 2 * words); };
  switch (function) {
    case meta::Polygon:
    case meta::Polyline:
      return params(1) && rec.HasArray(8, rec.U16(6), 4);
    case meta::PolyPolygon: {
      if (!params(1)) return false;
      const uint16_t polys = rec.U16(6);
      if (!rec.HasArray(8, polys, 2)) return false;
      size_t points = 0;
      for (uint16_t i = 0; i < polys; ++i) points += rec.U16(8 + 2 * size_t{i});
      return rec.HasArray(8 + 2 * size_t{polys}, points, 4);
    }
    case meta::TextOut: {
      if (!params(1)) return false;
      const size_t padded = (rec.U16(6) + 1u) & ~1u;
      return rec.Has(8, padded + 4);
    }
    case meta::ExtTextOut: {
      if (!params(4)) return false;
      const size_t rect = (rec.U16(12) & (gdi::ETO_OPAQUE | gdi::ETO_CLIPPED)) ? 8 : 0;
      return rec.Has(14 + rect, rec.U16(10));
    }
    case meta::SetBkColor:
    case meta::SetTextColor:
    case meta::SetWindowOrg:
    case meta::SetWindowExt:
    case meta::SetViewportOrg:
    case meta::SetViewportExt:
    case meta::OffsetWindowOrg:
    case meta::OffsetViewportOrg:
    case meta::LineTo:
    case meta::MoveTo:
    case meta::OffsetClipRgn:
    case meta::FillRegion:
      return params(2);
    case meta::ScaleWindowExt:
    case meta::ScaleViewportExt:
    case meta::ExcludeClipRect:
    case meta::IntersectClipRect:
    case meta::Ellipse:
    case meta::Rectangle:
    case meta::SetPixel:
    case meta::FrameRegion:
      return params(4);
    case meta::RoundRect:
      return params(6);
    case meta::PatBlt:
      return params(6);
    case meta::Arc:
    case meta::Pie:
    case meta::Chord:
      return params(8);
    case meta::CreatePenIndirect:
      return params(5);
    case meta::CreateBrushIndirect:
      return params(4);
    case meta::CreateFontIndirect:
      return params(9);
    case meta::DIBCreatePatternBrush:
      return params(2);
    case meta::DIBBitBlt:
      return params(8);
    case meta::DIBStretchBlt:
      return params(10);
    case meta::StretchDIB:
      return params(11);
    case meta::SetDIBToDev:
      return params(9);
    case meta::SetBkMode:
    case meta::SetMapMode:
    case meta::SetRop2:
    case meta::SetPolyFillMode:
    case meta::SetStretchBltMode:
    case meta::SetTextAlign:
    case meta::SelectObject:
    case meta::DeleteObject:
    case meta::RestoreDC:
    case meta::SelectClipRegion:
    case meta::PaintRegion:
    case meta::InvertRegion:
      return params(1);
    default:
      return true;
  }
}

TMetafileRecords IndexEmfRecords(TByteView file) {
  TMetafileRecords out;
  size_t off = 0;
  while (true) {
    if (!file.Has(off, 8)) {
      out.Damage = "no end-of-file record";
      break;
    }
    const uint32_t type = file.U32(off), size = file.U32(off + 4);
    if (size < 8 || size % 4 != 0 || !file.Has(off, size)) {
      out.Damage = "record " + std::to_string(out.Items.size()) + " at offset " +
                   std::to_string(off) + " has a bad size " + std::to_string(size);
      break;
    }
    const TByteView rec = file.Sub(off, size);
    out.Items.push_back({type, static_cast<uint32_t>(off), size, CheckEmfRecord(type, rec)});
    off += size;
    if (type == emr::Eof) break;
  }
  return out;
}

TMetafileRecords IndexWmfRecords(TByteView file, size_t headerOffset) {
  TMetafileRecords out;
  size_t off = headerOffset + 18;
  while (true) {
    if (!file.Has(off, 6)) {
      out.Damage = "no end-of-file record";
      break;
    }
    const uint64_t size = uint64_t{file.U32(off)} * 2;
    const uint16_t function = file.U16(off + 4);
    if (size < 6 || !file.Has(off, size)) {
      out.Damage = "record " + std::to_string(out.Items.size()) + " at offset " +
                   std::to_string(off) + " has a bad size " + std::to_string(size);
      break;
    }
    const TByteView rec = file.Sub(off, size);
    out.Items.push_back({function, static_cast<uint32_t>(off), static_cast<uint32_t>(size),
                         CheckWmfRecord(function, rec)});
    off += size;
    if (function == meta::Eof) break;
  }
  return out;
}

std::string EmbeddedEnhancedMetafile(TByteView file, const TMetafileRecords& records) {
  constexpr uint16_t kMfComment = 15;
  constexpr uint32_t kWmfcSignature = 0x43464D57;  // "WMFC"
  std::string emf;
  uint32_t total = 0;
  for (const TMetafileRecord& r : records.Items) {
    if (r.Type != meta::Escape) continue;
    const TByteView rec = file.Sub(r.Offset, r.Size);
    if (rec.U16(6) != kMfComment || rec.U32(10) != kWmfcSignature || rec.U32(14) != 1) continue;
    const uint32_t chunk = rec.U32(32), size = rec.U32(40);
    if (emf.empty()) total = size;
    // Every chunk must agree on the total, and the total cannot exceed the file holding it.
    if (size != total || total > file.Size || !rec.Has(44, chunk) || chunk > total - emf.size())
      return {};
    emf.append(reinterpret_cast<const char*>(rec.At(44)), chunk);
  }
  return emf.size() == total ? emf : std::string();
}
