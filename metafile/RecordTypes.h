// Record type numbers of enhanced (EMR_*) and Windows (META_*) metafiles, and GDI constants.
#pragma once

#include <cstdint>

namespace emr {
enum : uint32_t {
  Header = 1, PolyBezier = 2, Polygon = 3, Polyline = 4, PolyBezierTo = 5, PolylineTo = 6,
  PolyPolyline = 7, PolyPolygon = 8, SetWindowExtEx = 9, SetWindowOrgEx = 10,
  SetViewportExtEx = 11, SetViewportOrgEx = 12, SetBrushOrgEx = 13, Eof = 14, SetPixelV = 15,
  SetMapperFlags = 16, SetMapMode = 17, SetBkMode = 18, SetPolyFillMode = 19, SetRop2 = 20,
  SetStretchBltMode = 21, SetTextAlign = 22, SetColorAdjustment = 23, SetTextColor = 24,
  SetBkColor = 25, OffsetClipRgn = 26, MoveToEx = 27, SetMetaRgn = 28, ExcludeClipRect = 29,
  IntersectClipRect = 30, ScaleViewportExtEx = 31, ScaleWindowExtEx = 32, SaveDC = 33,
  RestoreDC = 34, SetWorldTransform = 35, ModifyWorldTransform = 36, SelectObject = 37,
  CreatePen = 38, CreateBrushIndirect = 39, DeleteObject = 40, AngleArc = 41, Ellipse = 42,
  Rectangle = 43, RoundRect = 44, Arc = 45, Chord = 46, Pie = 47, SelectPalette = 48,
  CreatePalette = 49, SetPaletteEntries = 50, ResizePalette = 51, RealizePalette = 52,
  ExtFloodFill = 53, LineTo = 54, ArcTo = 55, PolyDraw = 56, SetArcDirection = 57,
  SetMiterLimit = 58, BeginPath = 59, EndPath = 60, CloseFigure = 61, FillPath = 62,
  StrokeAndFillPath = 63, StrokePath = 64, FlattenPath = 65, WidenPath = 66,
  SelectClipPath = 67, AbortPath = 68, GdiComment = 70, FillRgn = 71, FrameRgn = 72,
  InvertRgn = 73, PaintRgn = 74, ExtSelectClipRgn = 75, BitBlt = 76, StretchBlt = 77,
  MaskBlt = 78, PlgBlt = 79, SetDIBitsToDevice = 80, StretchDIBits = 81,
  ExtCreateFontIndirectW = 82, ExtTextOutA = 83, ExtTextOutW = 84, PolyBezier16 = 85,
  Polygon16 = 86, Polyline16 = 87, PolyBezierTo16 = 88, PolylineTo16 = 89,
  PolyPolyline16 = 90, PolyPolygon16 = 91, PolyDraw16 = 92, CreateMonoBrush = 93,
  CreateDIBPatternBrushPt = 94, ExtCreatePen = 95, PolyTextOutA = 96, PolyTextOutW = 97,
  SmallTextOut = 108, AlphaBlend = 114, TransparentBlt = 116, GradientFill = 118,
};
}  // namespace emr

namespace meta {
enum : uint16_t {
  Eof = 0x0000, SetBkColor = 0x0201, SetBkMode = 0x0102, SetMapMode = 0x0103, SetRop2 = 0x0104,
  SetRelAbs = 0x0105, SetPolyFillMode = 0x0106, SetStretchBltMode = 0x0107,
  SetTextCharExtra = 0x0108, SetTextColor = 0x0209, SetTextJustification = 0x020A,
  SetWindowOrg = 0x020B, SetWindowExt = 0x020C, SetViewportOrg = 0x020D,
  SetViewportExt = 0x020E, OffsetWindowOrg = 0x020F, ScaleWindowExt = 0x0410,
  OffsetViewportOrg = 0x0211, ScaleViewportExt = 0x0412, LineTo = 0x0213, MoveTo = 0x0214,
  ExcludeClipRect = 0x0415, IntersectClipRect = 0x0416, Arc = 0x0817, Ellipse = 0x0418,
  FloodFill = 0x0419, Pie = 0x081A, Rectangle = 0x041B, RoundRect = 0x061C, PatBlt = 0x061D,
  SaveDC = 0x001E, SetPixel = 0x041F, OffsetClipRgn = 0x0220, TextOut = 0x0521,
  BitBlt = 0x0922, StretchBlt = 0x0B23, Polygon = 0x0324, Polyline = 0x0325, Escape = 0x0626,
  RestoreDC = 0x0127, FillRegion = 0x0228, FrameRegion = 0x0429, InvertRegion = 0x012A,
  PaintRegion = 0x012B, SelectClipRegion = 0x012C, SelectObject = 0x012D,
  SetTextAlign = 0x012E, Chord = 0x0830, SetMapperFlags = 0x0231, ExtTextOut = 0x0A32,
  SetDIBToDev = 0x0D33, SelectPalette = 0x0234, RealizePalette = 0x0035,
  AnimatePalette = 0x0436, SetPalEntries = 0x0037, PolyPolygon = 0x0538,
  ResizePalette = 0x0139, DIBBitBlt = 0x0940, DIBStretchBlt = 0x0B41,
  DIBCreatePatternBrush = 0x0142, StretchDIB = 0x0F43, ExtFloodFill = 0x0548,
  SetLayout = 0x0149, DeleteObject = 0x01F0, CreatePalette = 0x00F7,
  CreatePatternBrush = 0x01F9, CreatePenIndirect = 0x02FA, CreateFontIndirect = 0x02FB,
  CreateBrushIndirect = 0x02FC, CreateRegion = 0x06FF,
};
}  // namespace meta

namespace gdi {
enum : uint32_t {
  // Map modes.
  MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4, MM_HIENGLISH = 5,
  MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8,
  // ExtTextOut options.
  ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4, ETO_GLYPH_INDEX = 0x10, ETO_NO_RECT = 0x100,
  ETO_SMALL_CHARS = 0x200, ETO_PDY = 0x2000,
  // Text alignment.
  TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24,
  // Region combine modes.
  RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5,
  // ModifyWorldTransform modes.
  MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4,
  // Stock objects are selected with this bit set.
  STOCK_OBJECT = 0x80000000,
};
}  // namespace gdi
