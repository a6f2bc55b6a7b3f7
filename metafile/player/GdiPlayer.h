// TGdiPlayer: a GDI device context played onto a QPainter (state, objects and primitives).
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QStringList>
#include <QTransform>
#include <vector>

#include "GdiText.h"

// A COLORREF (0x00BBGGRR); palette-index forms take their low bytes as the colour too.
inline QColor ColorRef(uint32_t c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

struct TGdiBrush {
  enum TKind { bkSolid, bkNull, bkHatched, bkPattern };
  TKind Kind = bkSolid;
  QColor Color = Qt::white;
  uint32_t Hatch = 0;
  QImage Pattern;
  bool Mono = false;  // a monochrome pattern takes the text and background colours
};

struct TGdiPen {
  uint32_t Style = 0;  // PS_* style, end cap, join and type bits
  double Width = 0;    // logical units; 0 means one device pixel
  QColor Color = Qt::black;
  std::vector<double> UserDashes;  // PS_USERSTYLE lengths in logical units
  // What a geometric pen strokes with when it is a hatch or a pattern; a solid pen takes Color.
  TGdiBrush Brush;
  bool Null() const { return (Style & 0xF) == 5; }
};

// One entry of the object table: what CREATE*/SELECTOBJECT hand around.
struct TGdiObject {
  enum TType { otNone, otPen, otBrush, otFont, otRegion, otOther };
  TType Type = otNone;
  TGdiPen Pen;
  TGdiBrush Brush;
  TLogFont Font{};
  QRegion Region;  // WMF regions, logical units
};

// Everything SAVEDC keeps.
struct TDcState {
  uint32_t MapMode = 1;
  QPointF WindowOrg{0, 0}, WindowExt{1, 1}, ViewportOrg{0, 0}, ViewportExt{1, 1};
  QTransform World;
  TGdiPen Pen;
  TGdiBrush Brush;
  TLogFont Font{};
  QColor TextColor = Qt::black, BkColor = Qt::white;
  uint32_t TextAlign = 0, BkMode = 2, Rop2 = 13, PolyFillMode = 1, StretchMode = 1;
  uint32_t ArcDirection = 1;  // AD_COUNTERCLOCKWISE
  bool HasClip = false;
  QRegion Clip;  // output coordinates
  // The meta region: a clip made permanent by SETMETARGN; later clip records work inside it.
  bool HasMeta = false;
  QRegion Meta;  // output coordinates
  QPointF Current;
  QPointF BrushOrg;
};

// The members are defined by record family: GdiPlayer.cpp (state, coordinates, objects, pens and
// brushes), GdiPlayerShapes.cpp (lines, shapes, paths), GdiPlayerRegions.cpp (clipping and
// regions), GdiPlayerBitmaps.cpp and GdiPlayerText.cpp.
class TGdiPlayer {
 public:
  // deviceToOutput maps the metafile's device pixels to the painter's coordinates at entry.
  // pixelScale: output pixels per device pixel (cosmetic widths, pattern brushes, SetPixel).
  TGdiPlayer(QPainter& painter, const QRectF& target, const QTransform& deviceToOutput,
             double devicePixelsPerMM, double pixelScale);
  ~TGdiPlayer();

  TDcState S;
  bool Wmf = false;
  // When set, TextOut appends each string it draws, as decoded, before laying it out.
  QStringList* Texts = nullptr;
  // Gathering text only: TextOut stops once the string is handed to Texts.
  bool TextOnly = false;
  // When set, counts the text records passed over because they cannot be drawn.
  int* Undrawn = nullptr;
  void SkipUndrawableText() {
    if (Undrawn) ++*Undrawn;
  }

  // Object table: creation into a given slot (EMF) or the lowest free one (WMF).
  void ResizeObjects(size_t count);
  void PutObject(uint32_t index, TGdiObject object);
  void PutObjectFirstFree(TGdiObject object);
  void SelectObject(uint32_t index);
  void DeleteObject(uint32_t index);
  const TGdiObject* Object(uint32_t index) const;

  void SaveDC();
  void RestoreDC(int32_t which);
  void SetMapMode(uint32_t mode);
  void SetWindowOrg(QPointF p) { S.WindowOrg = p; }
  void SetWindowExt(QPointF e);
  void SetViewportOrg(QPointF p) { S.ViewportOrg = p; }
  void SetViewportExt(QPointF e);
  void ModifyWorld(const QTransform& m, uint32_t mode);
  // Logical coordinates to the painter's coordinates, with everything the DC holds.
  QTransform LogicalToOutput() const;
  QTransform DeviceToOutput() const { return FDeviceToOutput; }

  // Clipping; rectangles and paths in logical units, regions in device units.
  void IntersectClip(const QRectF& logical);
  void ExcludeClip(const QRectF& logical);
  void OffsetClip(QPointF logical);
  void SelectClipRegion(const QRegion& output, uint32_t mode);
  void SelectClipPath(uint32_t mode);
  void ResetClip();
  void SetMetaRegion();
  QRegion LogicalRectToOutput(const QRectF& r) const;
  // An output rectangle in int coordinates, held where an int still holds them.
  QRect OutputRect(const QRectF& output) const;

  // Drawing (logical units). Inside a path bracket these add to the path instead.
  void MoveTo(QPointF p);
  void LineTo(QPointF p);
  void Polyline(const QPolygonF& pts);
  void PolylineTo(const QPolygonF& pts);
  void PolyBezier(const QPolygonF& pts, bool fromCurrent);
  void Polygon(const QPolygonF& pts);
  void PolyPolygon(const std::vector<QPolygonF>& polys);
  void PolyDraw(const QPolygonF& pts, const uint8_t* types);
  void Rectangle(const QRectF& r);
  void RoundRect(const QRectF& r, QSizeF corner);
  void Ellipse(const QRectF& r);
  enum TArcKind { akArc, akArcTo, akChord, akPie };
  void ArcShape(const QRectF& box, QPointF start, QPointF end, TArcKind kind);
  void AngleArc(QPointF center, double radius, double startDeg, double sweepDeg);
  void SetPixel(QPointF p, const QColor& c);
  void FillRegion(const QRegion& logical, const TGdiBrush& brush);
  void FrameRegion(const QRegion& logical, const TGdiBrush& brush, QSizeF stroke);
  void InvertRegion(const QRegion& logical);
  void FillGradient(const QPolygonF& logical, const QBrush& brush);
  // A triangle whose colour blends from each corner's colour to the others'.
  void FillShadedTriangle(const QPolygonF& logical, const QColor (&colors)[3]);

  void BeginPath();
  void EndPath() { FInPath = false; }
  void AbortPath();
  void CloseFigure();
  void FillPath() { DrawPath(true, false); }
  void StrokePath() { DrawPath(false, true); }
  void StrokeAndFillPath() { DrawPath(true, true); }
  void FlattenPath();
  void WidenPath();

  // Text at a logical point; dx/dy are per-character advances in logical units (may be empty).
  void TextOut(QPointF ref, const QString& text, const std::vector<double>& dx,
               const std::vector<double>& dy, uint32_t options, const QRectF* rect);

  // Bitmaps: draws src (a rectangle of image, in its pixels) into the logical rectangle dst with
  // a raster op; a negative width or height on either side mirrors the picture.
  void Blit(const QRectF& dst, const QImage& image, const QRectF& src, uint32_t rop);
  // MaskBlt: each pixel of src combines with the page by the raster op its mask bit chooses
  // (fore where the mask is 1, back where it is 0); the mask pixel of source pixel (x, y) is
  // maskAt + (x, y) - src.topLeft().
  void MaskBlit(const QRectF& dst, const QImage& image, const QRectF& src, const QImage& mask,
                QPoint maskAt, uint8_t fore, uint8_t back);
  // PlgBlt: src mapped onto the logical parallelogram whose corners take the source's top left,
  // top right and bottom left. With a mask (placed as MaskBlit's), pixels whose mask bit is 0
  // leave the page as it is.
  void BlitParallelogram(const QPointF (&corners)[3], const QImage& image, const QRectF& src,
                         const QImage& mask, QPoint maskAt);
  // A raster op without a source: pattern, blackness, whiteness, invert.
  void PatBlt(const QRectF& dst, uint32_t rop);

 private:
  QPainter& FPainter;
  QTransform FPainterBase;
  // The painter's own scale to device pixels (a high-density screen's ratio; 1 on an image).
  QTransform FPixelsFromPainter;
  QTransform FDeviceToOutput;
  double FDevicePxPerMM;
  double FPixelScale;
  QRectF FTarget;
  std::vector<TGdiObject> FObjects;
  std::vector<TDcState> FStack;
  bool FInPath = false;
  QPainterPath FPath;
  QPointF FFigureStart;
  // Fonts resolved so far: building a QFont and its metrics costs more than drawing a line.
  struct TFontEntry {
    TLogFont Font;
    double PixelHeight;
    QFont QtFont;
    double Ascent, Descent, Height;
  };
  std::vector<TFontEntry> FFonts;
  const TFontEntry& ResolveFont(double pixelHeight);
  bool DrawPositioned(const QFont& font, const QString& text, const std::vector<QPointF>& pos,
                      QPointF origin);
  int64_t FBlendedPixels = 0;  // pixels of shaded triangles blended so far
  bool FClipApplied = false;
  QRegion FAppliedClip;

  bool Draws() const;
  QTransform PageToDevice() const;
  QRectF DeviceExclusive(const QRectF& r) const;
  void ApplyClip();
  bool BeginDraw(QPainter::CompositionMode* mode);
  QPen MakePen(const QTransform& t) const;
  QBrush MakeBrush(const TGdiBrush& b, const QTransform& t) const;
  // The brush as the raster operation leaves it: R2_BLACK and R2_WHITE paint every pixel the
  // brush covers black or white. The colour behind a hatch likewise.
  TGdiBrush RopBrush(const TGdiBrush& b) const;
  QColor RopBackground() const;
  void StrokeWithPen(const QPainterPath& path, const QPen& pen, const QTransform& toPixels);
  void DrawSource(const QRectF& dst, const QImage& image, const QRectF& src,
                  QPainter::CompositionMode mode);
  void FillAndStroke(const QPainterPath& shape, bool fill, bool stroke);
  void StrokeOpen(const QPainterPath& shape);
  void StrokeOnPixelCentres(const QList<QPolygonF>& polygons, const QPen& pen);
  // A stroke in device pixels drawn with the current raster operation straight into the page
  // image; false when the painter or the stroke is not one it can draw exactly.
  bool StrokeWithRasterOp(const QPainterPath& pixels, const QPen& pen);
  std::vector<QRgb> FRopKept;  // the pixels near a raster-op stroke, as they were before it
  void DrawPath(bool fill, bool stroke);
  Qt::FillRule FillRule() const { return S.PolyFillMode == 2 ? Qt::WindingFill : Qt::OddEvenFill; }
  QPainterPath ArcPath(const QRectF& box, QPointF start, QPointF end, TArcKind kind,
                       QPointF* arcStart, QPointF* arcEnd) const;
};
