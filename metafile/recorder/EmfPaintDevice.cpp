// TEmfPaintDevice and its engine: QPainter state and primitives recorded as EMF records.
#include "EmfPaintDevice.h"

#include <QFontInfo>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPixmap>
#include <QRawFont>
#include <QTextItem>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>

#include "EmfImageValues.h"
#include "EmfRecordWriter.h"
#include "RecordTypes.h"

namespace {

// Logical units per device pixel. Every EMF coordinate, pen width, font height and advance is
// an integer, so they are kept in 1/16 pixel and the world transform scales them back.
constexpr double kSub = 16;

constexpr uint32_t kPsSolid = 0, kPsNull = 5, kPsUserStyle = 7;
constexpr uint32_t kPsEndcapSquare = 0x100, kPsEndcapFlat = 0x200;
constexpr uint32_t kPsJoinBevel = 0x1000, kPsJoinMiter = 0x2000, kPsGeometric = 0x10000;
constexpr uint32_t kBsSolid = 0, kBsNull = 1, kBsHatched = 2, kBsDibPatternPt = 6;
constexpr uint32_t kAlternate = 1, kWinding = 2;
constexpr uint32_t kTransparent = 1;
constexpr uint32_t kColorOnColor = 3, kHalftone = 4;
constexpr int kMaxPatternSide = 256;  // larger textures fill with their average colour

int32_t ToLogical(double v) {
  const double s = std::round(v * kSub);
  if (!std::isfinite(s)) return 0;
  return static_cast<int32_t>(std::clamp(s, -1073741824.0, 1073741824.0));
}

TEmfPoint Logical(QPointF p) {
  return {ToLogical(p.x()), ToLogical(p.y())};
}

// The live objects of one kind (pen, brush, font), least recently used first; the last one is
// selected. Pages switch back and forth between a few fonts and colours, so a few stay alive
// and a switch back costs a SELECTOBJECT instead of a new object.
template <class T>
struct TObjectPool {
  size_t Capacity = 3;
  std::vector<std::pair<uint32_t, T>> Live;
};

struct TFontFacts {
  double PixelSize = 0;
  std::u16string Face;
};

}  // namespace

// Everything but perspective, which an XFORM cannot hold: QPainter flattens such drawing to
// device coordinates before it arrives here.
constexpr QPaintEngine::PaintEngineFeatures kFeatures =
    QPaintEngine::PaintEngineFeatures(QPaintEngine::AllFeatures) &
    ~QPaintEngine::PaintEngineFeatures(QPaintEngine::PerspectiveTransform);

class TEmfPaintEngine : public QPaintEngine {
 public:
  TEmfPaintEngine(QSize page, int dpi) : QPaintEngine(kFeatures), FPage(page), FDpi(dpi) {}

  bool begin(QPaintDevice*) override;
  bool end() override { return true; }
  void updateState(const QPaintEngineState& st) override;
  void drawPath(const QPainterPath& path) override;
  void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override;
  void drawRects(const QRectF* rects, int count) override;
  void drawLines(const QLineF* lines, int count) override;
  void drawEllipse(const QRectF& r) override;
  void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override;
  void drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                 Qt::ImageConversionFlags flags) override;
  void drawTextItem(const QPointF& p, const QTextItem& textItem) override;
  Type type() const override { return static_cast<Type>(User + 5); }

  std::string Finish() const;

 private:
  QSize FPage;
  int FDpi;
  TEmfRecordWriter W;
  bool FStarted = false;

  // What the painter asks for.
  QPen FPen;
  QBrush FBrush;
  QTransform FTransform;
  double FOpacity = 1;
  bool FSmoothImages = false;
  bool FClipEnabled = true, FClipOn = false;
  QPainterPath FClip;  // device pixels

  // What the recorded device context holds.
  TEmfXForm FDcXForm;
  uint32_t FDcFillMode = kAlternate;
  uint32_t FDcTextColor = 0;
  uint32_t FDcStretchMode = 1;  // BLACKONWHITE
  bool FDcClipOn = false;
  QPainterPath FDcClip;
  TObjectPool<TEmfPen> FDcPens;
  TObjectPool<TEmfBrush> FDcBrushes;
  TObjectPool<TEmfFont> FDcFonts{4, {}};
  std::vector<bool> FHandleUsed{true};  // slot 0 stands for the metafile itself
  TEmfRect FBounds;
  QHash<QString, TFontFacts> FFonts;

  bool Prepare();
  void SetWorld(const QTransform& t);
  void SyncClip();
  void SyncFillMode(Qt::FillRule rule);
  uint32_t NewHandle();
  template <class T, class Create>
  void Select(TObjectPool<T>& pool, const T& want, Create create);
  void SelectPen(bool stroke);
  void SelectBrush(bool fill);
  TEmfPen PenFor(const QPen& pen) const;
  TEmfBrush BrushFor(const QBrush& brush) const;
  bool Strokes() const;
  bool Fills() const;
  TEmfRect Bounds(const QRectF& userRect, bool withPen);
  void WritePath(const QPainterPath& path, const TEmfRect& bounds);
  const TFontFacts& FontFacts(const QFont& font);
  std::vector<int32_t> Advances(const QString& text, const QFont& font, double width) const;
};

bool TEmfPaintEngine::begin(QPaintDevice*) {
  if (!FStarted) {
    W.Simple(emr::SetMapMode, {gdi::MM_TEXT});
    W.Simple(emr::SetBkMode, {kTransparent});
    W.Simple(emr::SetTextAlign, {gdi::TA_BASELINE});
    FStarted = true;
  }
  FClipOn = false;
  FClip = {};
  return true;
}

void TEmfPaintEngine::updateState(const QPaintEngineState& st) {
  const DirtyFlags f = st.state();
  if (f & DirtyTransform) FTransform = st.transform();
  if (f & DirtyPen) FPen = st.pen();
  if (f & DirtyBrush) FBrush = st.brush();
  if (f & DirtyOpacity) FOpacity = st.opacity();
  if (f & DirtyHints) FSmoothImages = st.renderHints().testFlag(QPainter::SmoothPixmapTransform);
  if (f & DirtyClipEnabled) FClipEnabled = st.isClipEnabled();
  if (f & (DirtyClipPath | DirtyClipRegion)) {
    // The clip is kept in device pixels, mapped by the transform in force when it was set.
    QPainterPath path;
    if (f & DirtyClipPath) {
      path = st.transform().map(st.clipPath());
    } else {
      path.addRegion(st.clipRegion());
      path = st.transform().map(path);
    }
    switch (st.clipOperation()) {
      case Qt::NoClip:
        FClipOn = false;
        FClip = {};
        break;
      case Qt::ReplaceClip:
        FClipOn = true;
        FClip = path;
        break;
      case Qt::IntersectClip:
        FClip = FClipOn ? FClip.intersected(path) : path;
        FClipOn = true;
        break;
    }
  }
}

uint32_t TEmfPaintEngine::NewHandle() {
  auto free = std::find(FHandleUsed.begin(), FHandleUsed.end(), false);
  const auto index = static_cast<uint32_t>(free - FHandleUsed.begin());
  if (free == FHandleUsed.end()) {
    FHandleUsed.push_back(true);
  } else {
    *free = true;
  }
  return index;
}

// Selects a live object equal to the wanted one, or creates it; a full pool first deletes its
// least recently used object (never the selected one, which is last).
template <class T, class Create>
void TEmfPaintEngine::Select(TObjectPool<T>& pool, const T& want, Create create) {
  auto& live = pool.Live;
  if (!live.empty() && live.back().second == want) return;
  auto found =
      std::find_if(live.begin(), live.end(), [&](const auto& e) { return e.second == want; });
  if (found != live.end()) {
    std::rotate(found, found + 1, live.end());
    W.Simple(emr::SelectObject, {live.back().first});
    return;
  }
  if (live.size() >= pool.Capacity) {
    W.Simple(emr::DeleteObject, {live.front().first});
    FHandleUsed[live.front().first] = false;
    live.erase(live.begin());
  }
  const uint32_t handle = NewHandle();
  create(handle, want);
  W.Simple(emr::SelectObject, {handle});
  live.emplace_back(handle, want);
}

void TEmfPaintEngine::SetWorld(const QTransform& t) {
  const TEmfXForm x{static_cast<float>(t.m11()), static_cast<float>(t.m12()),
                    static_cast<float>(t.m21()), static_cast<float>(t.m22()),
                    static_cast<float>(t.dx()),  static_cast<float>(t.dy())};
  if (x == FDcXForm) return;
  W.WorldTransform(x);
  FDcXForm = x;
}

void TEmfPaintEngine::SyncClip() {
  const bool want = FClipEnabled && FClipOn;
  if (want == FDcClipOn && (!want || FClip == FDcClip)) return;
  if (!want) {
    W.ClipRegion({}, gdi::RGN_COPY);
  } else if (const std::optional<TEmfRect> r = WholePixelRect(FClip)) {
    W.ClipRegion({*r}, gdi::RGN_COPY);
  } else {
    SetWorld(QTransform::fromScale(1 / kSub, 1 / kSub));
    W.Simple(emr::BeginPath, {});
    WritePath(FClip, {});
    W.Simple(emr::EndPath, {});
    W.Simple(emr::SelectClipPath, {gdi::RGN_COPY});
  }
  FDcClipOn = want;
  FDcClip = FClip;
}

// Brings clip and world transform up to date; false when the clip leaves nothing to draw.
bool TEmfPaintEngine::Prepare() {
  if (FClipEnabled && FClipOn && FClip.isEmpty()) return false;
  SyncClip();
  SetWorld(QTransform::fromScale(1 / kSub, 1 / kSub) * FTransform);
  return true;
}

void TEmfPaintEngine::SyncFillMode(Qt::FillRule rule) {
  const uint32_t mode = rule == Qt::WindingFill ? kWinding : kAlternate;
  if (mode == FDcFillMode) return;
  W.Simple(emr::SetPolyFillMode, {mode});
  FDcFillMode = mode;
}

TEmfPen TEmfPaintEngine::PenFor(const QPen& pen) const {
  TEmfPen out;
  const QColor color =
      pen.brush().style() == Qt::SolidPattern ? pen.color() : AverageColor(pen.brush());
  if (pen.style() == Qt::NoPen || pen.brush().style() == Qt::NoBrush || color.alpha() == 0 ||
      FOpacity <= 0) {
    out.Style = kPsNull;
    return out;
  }
  // A cosmetic width is in device pixels; GDI knows only geometric widths for wide or
  // dashed pens, so it is divided by the transform's scale.
  double width = pen.widthF();
  if (pen.isCosmetic()) {
    const double scale = std::sqrt(std::abs(FTransform.determinant()));
    width = std::max(width, 1.0) / (scale > 0 ? scale : 1);
  }
  out.Width = static_cast<uint32_t>(std::max(1.0, std::round(width * kSub)));
  out.Style = kPsGeometric;
  switch (pen.capStyle()) {
    case Qt::FlatCap:
      out.Style |= kPsEndcapFlat;
      break;
    case Qt::SquareCap:
      out.Style |= kPsEndcapSquare;
      break;
    default:
      break;
  }
  switch (pen.joinStyle()) {
    case Qt::MiterJoin:
    case Qt::SvgMiterJoin:
      out.Style |= kPsJoinMiter;
      break;
    case Qt::BevelJoin:
      out.Style |= kPsJoinBevel;
      break;
    default:
      break;
  }
  if (pen.style() == Qt::SolidLine) {
    out.Style |= kPsSolid;
  } else {
    out.Style |= kPsUserStyle;
    // Qt's dash lengths are in pen widths (a thin pen counts as one unit wide).
    const double unit = std::max(width, pen.isCosmetic() ? width : 1.0) * kSub;
    QList<qreal> pattern = pen.dashPattern();
    if (pattern.size() % 2 == 1) pattern += pattern;
    for (qreal d : pattern)
      out.Dashes.push_back(static_cast<uint32_t>(std::max(1.0, std::round(d * unit))));
  }
  out.Color = ColorRefOnWhite(color, FOpacity);
  return out;
}

TEmfBrush TEmfPaintEngine::BrushFor(const QBrush& brush) const {
  TEmfBrush out;
  const Qt::BrushStyle style = brush.style();
  if (style == Qt::NoBrush || FOpacity <= 0 ||
      (brush.gradient() == nullptr && style != Qt::TexturePattern && brush.color().alpha() == 0)) {
    out.Style = kBsNull;
    return out;
  }
  static constexpr struct {
    Qt::BrushStyle Qt;
    uint32_t Hatch;
  } kHatches[] = {{Qt::HorPattern, 0},   {Qt::VerPattern, 1},   {Qt::FDiagPattern, 2},
                  {Qt::BDiagPattern, 3}, {Qt::CrossPattern, 4}, {Qt::DiagCrossPattern, 5}};
  for (const auto& h : kHatches) {
    if (h.Qt == style) {
      out.Style = kBsHatched;
      out.Hatch = h.Hatch;
      out.Color = ColorRefOnWhite(brush.color(), FOpacity);
      return out;
    }
  }
  if (style == Qt::TexturePattern) {
    const QImage texture = brush.textureImage();
    if (!texture.isNull() && texture.width() <= kMaxPatternSide &&
        texture.height() <= kMaxPatternSide) {
      out.Style = kBsDibPatternPt;
      out.Pattern = DibFromImage(texture, FOpacity);
      return out;
    }
  }
  QColor color = AverageColor(brush);
  if (style >= Qt::Dense1Pattern && style <= Qt::Dense7Pattern) {
    // The dense patterns cover this share of their pixels.
    static constexpr double kCover[] = {0.94, 0.88, 0.63, 0.5, 0.37, 0.12, 0.06};
    color.setAlphaF(static_cast<float>(color.alphaF() * kCover[style - Qt::Dense1Pattern]));
  }
  out.Style = kBsSolid;
  out.Color = ColorRefOnWhite(color, FOpacity);
  return out;
}

bool TEmfPaintEngine::Strokes() const {
  return PenFor(FPen).Style != kPsNull;
}
bool TEmfPaintEngine::Fills() const {
  return BrushFor(FBrush).Style != kBsNull;
}

void TEmfPaintEngine::SelectPen(bool stroke) {
  const TEmfPen want = stroke ? PenFor(FPen) : TEmfPen{kPsNull, 0, 0, {}};
  Select(FDcPens, want, [this](uint32_t h, const TEmfPen& p) { W.ExtCreatePen(h, p); });
}

void TEmfPaintEngine::SelectBrush(bool fill) {
  const TEmfBrush want = fill ? BrushFor(FBrush) : TEmfBrush{kBsNull, 0, 0, {}};
  Select(FDcBrushes, want, [this](uint32_t h, const TEmfBrush& b) { W.CreateBrush(h, b); });
}

// The device pixels a primitive may touch (for rclBounds), clipped to the page; also widens
// the picture's overall bounds.
TEmfRect TEmfPaintEngine::Bounds(const QRectF& userRect, bool withPen) {
  QRectF r = userRect.normalized();
  if (withPen) {
    const double half = std::max(FPen.widthF(), 1.0) / 2 * (FPen.isCosmetic() ? 1 : 1.5);
    r.adjust(-half, -half, half, half);
  }
  r = FTransform.mapRect(r) & QRectF(0, 0, FPage.width(), FPage.height());
  if (r.isEmpty()) return {};
  const TEmfRect out{static_cast<int32_t>(std::floor(r.left())),
                     static_cast<int32_t>(std::floor(r.top())),
                     std::max(static_cast<int32_t>(std::ceil(r.right())) - 1,
                              static_cast<int32_t>(std::floor(r.left()))),
                     std::max(static_cast<int32_t>(std::ceil(r.bottom())) - 1,
                              static_cast<int32_t>(std::floor(r.top())))};
  FBounds.Unite(out);
  return out;
}

// Writes the figures of a path (scaled to logical units here); a figure that ends where it
// started is closed with CLOSEFIGURE so its corner is joined, not capped.
void TEmfPaintEngine::WritePath(const QPainterPath& path, const TEmfRect& bounds) {
  std::vector<TEmfPoint> run;
  bool runIsCurve = false;
  auto flush = [&]() {
    if (run.empty()) return;
    if (runIsCurve) {
      W.Poly(emr::PolyBezierTo, bounds, run);
    } else if (run.size() == 1) {
      W.Point(emr::LineTo, run.front());
    } else {
      W.Poly(emr::PolylineTo, bounds, run);
    }
    run.clear();
  };
  const int n = path.elementCount();
  int i = 0;
  while (i < n) {
    const TEmfPoint start = Logical(path.elementAt(i));
    W.Point(emr::MoveToEx, start);
    // The figure's segments: (is curve, end point), curves as three points each.
    std::vector<std::pair<bool, TEmfPoint>> segs;
    for (++i; i < n && !path.elementAt(i).isMoveTo(); ++i) {
      const QPainterPath::Element e = path.elementAt(i);
      segs.emplace_back(e.isCurveTo() || e.type == QPainterPath::CurveToDataElement, Logical(e));
    }
    const bool closed =
        segs.size() > 1 && segs.back().second.X == start.X && segs.back().second.Y == start.Y;
    if (closed && !segs.back().first) segs.pop_back();
    for (const auto& [curve, p] : segs) {
      if (curve != runIsCurve) flush();
      runIsCurve = curve;
      run.push_back(p);
    }
    flush();
    if (closed) W.Simple(emr::CloseFigure, {});
  }
}

void TEmfPaintEngine::drawPath(const QPainterPath& path) {
  const bool fill = Fills(), stroke = Strokes();
  if ((!fill && !stroke) || path.isEmpty() || !Prepare()) return;
  const TEmfRect bounds = Bounds(path.controlPointRect(), stroke);
  if (fill) SyncFillMode(path.fillRule());
  SelectPen(stroke);
  SelectBrush(fill);
  W.Simple(emr::BeginPath, {});
  WritePath(path, bounds);
  W.Simple(emr::EndPath, {});
  W.WithBounds(fill && stroke ? emr::StrokeAndFillPath
               : fill         ? emr::FillPath
                              : emr::StrokePath,
               bounds);
}

void TEmfPaintEngine::drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) {
  const bool fill = mode != PolylineMode && Fills(), stroke = Strokes();
  if ((!fill && !stroke) || count < 2 || !Prepare()) return;
  std::vector<TEmfPoint> pts;
  pts.reserve(count);
  for (int i = 0; i < count; ++i) pts.push_back(Logical(points[i]));
  const TEmfRect bounds =
      Bounds(QPolygonF(QList<QPointF>(points, points + count)).boundingRect(), stroke);
  if (mode == OddEvenMode) SyncFillMode(Qt::OddEvenFill);
  if (mode == WindingMode) SyncFillMode(Qt::WindingFill);
  SelectPen(stroke);
  if (mode != PolylineMode) SelectBrush(fill);
  W.Poly(mode == PolylineMode ? emr::Polyline : emr::Polygon, bounds, pts);
}

void TEmfPaintEngine::drawRects(const QRectF* rects, int count) {
  const bool fill = Fills(), stroke = Strokes();
  if ((!fill && !stroke) || !Prepare()) return;
  SelectPen(stroke);
  SelectBrush(fill);
  for (int i = 0; i < count; ++i) {
    const QRectF r = rects[i].normalized();
    const TEmfRect bounds = Bounds(r, stroke);
    const TEmfPoint a = Logical(r.topLeft()), b = Logical(r.bottomRight());
    // Without a pen GDI leaves out a rectangle's last column and row; a polygon fills exactly
    // what the painter asked for, so a one-pixel rule does not vanish on the way.
    if (stroke)
      W.Box(emr::Rectangle, {a.X, a.Y, b.X, b.Y});
    else
      W.Poly(emr::Polygon, bounds, {a, {b.X, a.Y}, b, {a.X, b.Y}});
  }
}

void TEmfPaintEngine::drawLines(const QLineF* lines, int count) {
  if (!Strokes() || !Prepare()) return;
  SelectPen(true);
  for (int i = 0; i < count; ++i) {
    Bounds(QRectF(lines[i].p1(), lines[i].p2()), true);
    W.Point(emr::MoveToEx, Logical(lines[i].p1()));
    W.Point(emr::LineTo, Logical(lines[i].p2()));
  }
}

void TEmfPaintEngine::drawEllipse(const QRectF& r) {
  const bool fill = Fills(), stroke = Strokes();
  if ((!fill && !stroke) || !Prepare()) return;
  SelectPen(stroke);
  SelectBrush(fill);
  Bounds(r, stroke);
  const QRectF n = r.normalized();
  const TEmfPoint a = Logical(n.topLeft()), b = Logical(n.bottomRight());
  W.Box(emr::Ellipse, {a.X, a.Y, b.X, b.Y});
}

void TEmfPaintEngine::drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) {
  drawImage(r, pm.toImage(), sr, Qt::AutoColor);
}

void TEmfPaintEngine::drawImage(const QRectF& r, const QImage& image, const QRectF& sr,
                                Qt::ImageConversionFlags) {
  if (image.isNull() || sr.isEmpty() || r.isEmpty() || FOpacity <= 0 || !Prepare()) return;
  // Only the source pixels in use are stored; a fractional source edge widens to whole pixels.
  const QRect crop = sr.toAlignedRect() & image.rect();
  if (crop.isEmpty()) return;
  const double sx = r.width() / sr.width(), sy = r.height() / sr.height();
  const QRectF dest(r.left() + (crop.left() - sr.left()) * sx,
                    r.top() + (crop.top() - sr.top()) * sy, crop.width() * sx, crop.height() * sy);
  const QImage used = crop == image.rect() ? image : image.copy(crop);
  const TEmfPoint origin = Logical(dest.topLeft()), far = Logical(dest.bottomRight());
  const TEmfPoint extent{far.X - origin.X, far.Y - origin.Y};
  // Scaled pixels stay sharp unless the painter was asked to smooth them.
  const uint32_t stretch = FSmoothImages ? kHalftone : kColorOnColor;
  if (stretch != FDcStretchMode) {
    W.Simple(emr::SetStretchBltMode, {stretch});
    FDcStretchMode = stretch;
  }
  // Translucent pixels or painter opacity blend with what lies below.
  if (FOpacity < 1 || HasTranslucentPixels(used)) {
    const auto constantAlpha = static_cast<uint8_t>(std::lround(FOpacity * 255));
    W.AlphaBlend(Bounds(dest, false), origin, extent, AlphaDibFromImage(used), constantAlpha);
    return;
  }
  W.StretchDib(Bounds(dest, false), origin, extent, DibFromImage(used, 1));
}

const TFontFacts& TEmfPaintEngine::FontFacts(const QFont& font) {
  const QString key = font.key();
  auto it = FFonts.find(key);
  if (it == FFonts.end()) {
    // The raw font carries the pixel size the layout used, whatever device it was made for.
    const QRawFont raw = QRawFont::fromFont(font);
    TFontFacts facts;
    facts.PixelSize = raw.isValid()          ? raw.pixelSize()
                      : font.pixelSize() > 0 ? font.pixelSize()
                                             : font.pointSizeF() * FDpi / 72;
    facts.Face = QFontInfo(font).family().toStdU16String();
    it = FFonts.insert(key, facts);
  }
  return *it;
}

// Per-UTF-16-unit advances in logical units, from the run's own shaping (kerning included).
// Positions are rounded, not advances, so the run ends where it should; the second unit of a
// surrogate pair advances by 0.
std::vector<int32_t> TEmfPaintEngine::Advances(const QString& text, const QFont& font,
                                               double width) const {
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  layout.endLayout();
  const int n = static_cast<int>(text.size());
  std::vector<double> x(n + 1);
  for (int i = 0; i <= n; ++i) x[i] = line.isValid() ? line.cursorToX(i) : 0;
  for (int i = 0; i + 1 < n; ++i)
    if (text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) x[i + 1] = x[std::min(i + 2, n)];
  // Justified runs are wider than their natural width: the extra goes to the spaces, or,
  // without spaces, is spread evenly.
  const double extra = width - x[n];
  if (std::abs(extra) > 0.01 && n > 0) {
    const auto spaces = std::count(text.begin(), text.end(), QChar(u' '));
    double shift = 0;
    for (int i = 0; i < n; ++i) {
      const double old = x[i + 1];
      if (spaces > 0 && extra > 0) {
        if (text[i] == u' ') shift += extra / spaces;
      } else {
        shift = extra * (i + 1) / n;
      }
      x[i + 1] = old + shift;
    }
  }
  std::vector<int32_t> dx(n);
  for (int i = 0; i < n; ++i) dx[i] = ToLogical(x[i + 1]) - ToLogical(x[i]);
  return dx;
}

void TEmfPaintEngine::drawTextItem(const QPointF& p, const QTextItem& textItem) {
  QString text = textItem.text();
  if (text.isEmpty() || !Strokes() || !Prepare()) return;
  const QFont font = textItem.font();
  const TFontFacts& facts = FontFacts(font);
  TEmfFont want;
  want.Height = -std::max(1, ToLogical(facts.PixelSize));
  want.Weight = font.weight();
  want.Italic = font.style() != QFont::StyleNormal;
  // Underline and strike-out stay off: QPainter draws those lines itself after the run, and
  // they arrive here as line records; a font carrying them would draw each line twice.
  want.Face = facts.Face;
  Select(FDcFonts, want, [this](uint32_t h, const TEmfFont& f) { W.ExtCreateFont(h, f); });
  const uint32_t color = PenFor(FPen).Color;
  if (color != FDcTextColor) {
    W.Simple(emr::SetTextColor, {color});
    FDcTextColor = color;
  }
  const std::vector<int32_t> dx = Advances(text, font, textItem.width());
  // Line and paragraph separators, tabs and object places draw nothing but keep their advance.
  for (QChar& c : text)
    if (c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator ||
        c == QChar::ObjectReplacementCharacter)
      c = u' ';
  const TEmfRect bounds = Bounds(QRectF(p.x(), p.y() - textItem.ascent(), textItem.width(),
                                        textItem.ascent() + textItem.descent()),
                                 false);
  // Unrotated, unscaled text sits on a whole device pixel row, as the raster engine puts it.
  QPointF ref = p;
  if (FTransform.type() <= QTransform::TxTranslate)
    ref.setY(std::round(p.y() + FTransform.dy()) - FTransform.dy());
  W.ExtTextOutW(bounds, Logical(ref), text.toStdU16String(), dx);
}

std::string TEmfPaintEngine::Finish() const {
  // The frame includes its right and bottom edges, as the bounds do: a page W pixels wide
  // spans 0 .. W - 1.
  const TEmfRect frame{0, 0, static_cast<int32_t>(std::lround((FPage.width() - 1) * 2540.0 / FDpi)),
                       static_cast<int32_t>(std::lround((FPage.height() - 1) * 2540.0 / FDpi))};
  // A reference device of 20 x 15 inches at the page's resolution keeps pixels per millimetre
  // exact in whole numbers.
  const TEmfPoint devicePx{20 * FDpi, 15 * FDpi}, deviceMM{508, 381};
  return W.Finish(FBounds, frame, devicePx, deviceMM,
                  static_cast<uint16_t>(std::min<size_t>(FHandleUsed.size(), UINT16_MAX)));
}

TEmfPaintDevice::TEmfPaintDevice(QSize sizePx, int dpi)
    : FSize(sizePx.expandedTo(QSize(1, 1))),
      FDpi(std::max(dpi, 1)),
      FEngine(std::make_unique<TEmfPaintEngine>(FSize, FDpi)) {}

TEmfPaintDevice::~TEmfPaintDevice() = default;

QPaintEngine* TEmfPaintDevice::paintEngine() const {
  return FEngine.get();
}

std::string TEmfPaintDevice::Finish() {
  return FEngine->Finish();
}

int TEmfPaintDevice::metric(PaintDeviceMetric m) const {
  switch (m) {
    case PdmWidth:
      return FSize.width();
    case PdmHeight:
      return FSize.height();
    case PdmWidthMM:
      return static_cast<int>(std::lround(FSize.width() * 25.4 / FDpi));
    case PdmHeightMM:
      return static_cast<int>(std::lround(FSize.height() * 25.4 / FDpi));
    case PdmNumColors:
      return INT_MAX;
    case PdmDepth:
      return 32;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
      return FDpi;
    case PdmDevicePixelRatio:
      return 1;
    case PdmDevicePixelRatioScaled:
      return static_cast<int>(devicePixelRatioFScale());
    default:
      return QPaintDevice::metric(m);
  }
}
