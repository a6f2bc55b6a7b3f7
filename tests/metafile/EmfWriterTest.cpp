// Tests of the EMF paint device: file structure, objects, text records, and pages played back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>
#include <QUrl>
#include <cmath>
#include <functional>
#include <map>
#include <set>

#include "EmfPaintDevice.h"
#include "Metafile.h"
#include "MetafilePlayer.h"
#include "RecordTypes.h"

namespace {

using TPaint = std::function<void(QPainter&)>;

std::string Record(QSize size, int dpi, const TPaint& paint) {
  TEmfPaintDevice device(size, dpi);
  {
    QPainter painter(&device);
    paint(painter);
  }
  return device.Finish();
}

TMetafile Load(const std::string& bytes) {
  TMetafile mf;
  EXPECT_TRUE(mf.LoadFromBytes(bytes)) << mf.Error();
  return mf;
}

QImage WhitePage(QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

QImage PaintStraight(QSize size, const TPaint& paint) {
  QImage image = WhitePage(size);
  QPainter painter(&image);
  paint(painter);
  return image;
}

QImage PlayBack(QSize size, const std::string& emf) {
  QImage image = WhitePage(size);
  const TMetafile mf = Load(emf);
  QPainter painter(&image);
  PlayMetafile(painter, mf, QRectF(QPointF(0, 0), size));
  return image;
}

// Mean absolute difference of the grey values, as a share of full scale.
double MeanGreyDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    const QRgb* la = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const QRgb* lb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) sum += std::abs(qGray(la[x]) - qGray(lb[x]));
  }
  return sum / (255.0 * a.width() * a.height());
}

// Saves both renderings for a look when EXAM_TEST_PNG_DIR names a folder.
void SaveForLook(const QString& name, const QImage& straight, const QImage& played,
                 const std::string& emf) {
  const QString dir = qEnvironmentVariable("EXAM_TEST_PNG_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  straight.save(dir + "/" + name + "-straight.png");
  played.save(dir + "/" + name + "-emf.png");
  QFile file(dir + "/" + name + ".emf");
  if (file.open(QIODevice::WriteOnly)) file.write(emf.data(), static_cast<qint64>(emf.size()));
}

// One record as the walk over the file sees it.
struct TRec {
  uint32_t Type, Offset, Size;
};

struct TWalk {
  std::vector<TRec> Records;
  std::string Problem;
};

// Walks the bytes record by record with no help from the parser under test elsewhere.
TWalk Walk(const std::string& bytes) {
  const TByteView v{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  TWalk w;
  for (size_t off = 0; off < v.Size;) {
    const uint32_t type = v.U32(off), size = v.U32(off + 4);
    if (size < 8 || size % 4 != 0 || !v.Has(off, size)) {
      w.Problem = "record at " + std::to_string(off) + " has size " + std::to_string(size);
      return w;
    }
    w.Records.push_back({type, static_cast<uint32_t>(off), size});
    off += size;
  }
  return w;
}

uint32_t U32At(const std::string& b, size_t off) {
  return TByteView{reinterpret_cast<const uint8_t*>(b.data()), b.size()}.U32(off);
}
int32_t I32At(const std::string& b, size_t off) {
  return static_cast<int32_t>(U32At(b, off));
}

// Finds the records of one type.
std::vector<TRec> OfType(const std::string& bytes, uint32_t type) {
  std::vector<TRec> out;
  for (const TRec& r : Walk(bytes).Records)
    if (r.Type == type) out.push_back(r);
  return out;
}

// A page that uses every kind of record the device writes.
void PaintEverything(QPainter& p) {
  p.fillRect(QRect(0, 0, 400, 300), Qt::white);
  p.setPen(QPen(Qt::darkBlue, 3, Qt::DashLine, Qt::FlatCap, Qt::BevelJoin));
  p.setBrush(QColor(200, 30, 30));
  QPainterPath path;
  path.moveTo(10, 10);
  path.cubicTo(60, 0, 80, 60, 40, 80);
  path.lineTo(10, 60);
  path.closeSubpath();
  p.drawPath(path);
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QRectF(100, 10, 60, 40));
  p.setPen(Qt::NoPen);
  p.setBrush(QBrush(Qt::green, Qt::DiagCrossPattern));
  p.drawRect(QRectF(170, 10, 50, 50));
  QLinearGradient gradient(0, 0, 100, 0);
  gradient.setColorAt(0, Qt::black);
  gradient.setColorAt(1, Qt::white);
  p.setBrush(gradient);
  const QPointF triangle[] = {{230, 60}, {280, 10}, {330, 60}};
  p.drawPolygon(triangle, 3, Qt::WindingFill);
  p.setPen(QPen(Qt::black, 0));
  p.drawPolyline(triangle, 3);
  p.drawLine(QLineF(10, 100, 390, 100));
  QImage image(8, 4, QImage::Format_ARGB32);
  image.fill(QColor(0, 0, 255, 128));
  p.drawImage(QRectF(10, 110, 80, 40), image);
  p.save();
  p.setClipRect(QRect(100, 110, 50, 50));
  p.translate(120, 130);
  p.rotate(30);
  p.setFont(QFont("DejaVu Sans", 12));
  p.drawText(QPointF(0, 0), QStringLiteral("Клип"));
  p.restore();
  QPainterPath round;
  round.addEllipse(QRectF(200, 110, 80, 80));
  p.setClipPath(round);
  p.fillRect(QRectF(200, 110, 80, 80), QBrush(QImage(4, 4, QImage::Format_RGB32)));
  p.setClipping(false);
  p.drawText(QPointF(10, 250), QStringLiteral("Text and текст"));
}

struct TPageCase {
  int Width, Height, Dpi;
};

class EmfWriterPageTest : public testing::TestWithParam<TPageCase> {};

TEST_P(EmfWriterPageTest, HeaderFrameAndRecordsAreConsistent) {
  const TPageCase c = GetParam();
  const std::string bytes = Record({c.Width, c.Height}, c.Dpi, PaintEverything);
  const TMetafile mf = Load(bytes);
  ASSERT_EQ(mf.Kind(), TMetafileKind::mkEnhanced);
  // The frame includes its right and bottom edges: a page W pixels wide has a frame of W - 1.
  const int32_t mmW = static_cast<int32_t>(std::lround((c.Width - 1) * 2540.0 / c.Dpi));
  const int32_t mmH = static_cast<int32_t>(std::lround((c.Height - 1) * 2540.0 / c.Dpi));
  EXPECT_EQ(mf.MMWidth(), mmW);
  EXPECT_EQ(mf.MMHeight(), mmH);
  EXPECT_EQ(mf.Frame().Left, 0);
  EXPECT_EQ(mf.Frame().Top, 0);
  EXPECT_NEAR(mf.Width(), c.Width * 96.0 / c.Dpi, 1.5);

  // The reference device has the page's resolution: pixels per millimetre = dpi / 25.4.
  const double pxPerMM = static_cast<double>(I32At(bytes, 72)) / I32At(bytes, 80);
  EXPECT_NEAR(pxPerMM, c.Dpi / 25.4, 1e-9);
  EXPECT_NEAR(static_cast<double>(I32At(bytes, 76)) / I32At(bytes, 84), c.Dpi / 25.4, 1e-9);
  EXPECT_EQ(I32At(bytes, 100), I32At(bytes, 80) * 1000);  // micrometres

  const TWalk walk = Walk(bytes);
  ASSERT_EQ(walk.Problem, "");
  ASSERT_GE(walk.Records.size(), 3u);
  EXPECT_EQ(walk.Records.front().Type, emr::Header);
  EXPECT_EQ(walk.Records.front().Size, U32At(bytes, 4));
  EXPECT_EQ(walk.Records.back().Type, emr::Eof);
  EXPECT_EQ(walk.Records.back().Size, 20u);
  EXPECT_EQ(U32At(bytes, 48), bytes.size());         // nBytes
  EXPECT_EQ(U32At(bytes, 52), walk.Records.size());  // nRecords
  for (size_t i = 1; i + 1 < walk.Records.size(); ++i)
    EXPECT_NE(walk.Records[i].Type, emr::Eof) << "end record before the end, record " << i;

  // The parser finds every record sound.
  ASSERT_EQ(mf.Records().Items.size(), walk.Records.size());
  EXPECT_EQ(mf.Records().Damage, "");
  for (const TMetafileRecord& r : mf.Records().Items)
    EXPECT_TRUE(r.Sound) << "record type " << r.Type << " at " << r.Offset;

  // Drawn bounds lie on the page and cover what was painted (the white fill covers it all).
  EXPECT_EQ(I32At(bytes, 8), 0);
  EXPECT_EQ(I32At(bytes, 12), 0);
  EXPECT_EQ(I32At(bytes, 16), std::min(c.Width, 400) - 1);
  EXPECT_EQ(I32At(bytes, 20), std::min(c.Height, 300) - 1);
}

INSTANTIATE_TEST_SUITE_P(Pages, EmfWriterPageTest,
                         testing::Values(TPageCase{400, 300, 96}, TPageCase{794, 1123, 96},
                                         TPageCase{300, 200, 72}, TPageCase{1200, 900, 300}));

// Degenerate drawing (non-finite and huge coordinates, empty shapes, nothing left by the clip)
// still gives a sound file, and what the clip hides is not recorded at all.
TEST(EmfWriterTest, DegenerateDrawingKeepsTheFileSound) {
  const std::string bytes = Record({100, 100}, 96, [](QPainter& p) {
    const double nan = std::nan("");
    p.setBrush(Qt::red);
    QPainterPath path;
    path.moveTo(nan, 5);
    path.lineTo(1e12, -1e12);
    path.lineTo(5, 5);
    p.drawPath(path);
    p.drawPath(QPainterPath());
    p.drawRect(QRectF(10, 10, 0, 0));
    p.drawPolygon(QPolygonF());
    p.drawImage(QRectF(0, 0, 10, 10), QImage());
    p.drawText(QPointF(5, 5), QString());
    p.setClipRect(QRect(0, 0, 10, 10));
    p.setClipRect(QRect(50, 50, 10, 10), Qt::IntersectClip);
    p.drawEllipse(QRectF(0, 0, 100, 100));
  });
  const TWalk walk = Walk(bytes);
  ASSERT_EQ(walk.Problem, "");
  EXPECT_EQ(walk.Records.back().Type, emr::Eof);
  const TMetafile mf = Load(bytes);
  for (const TMetafileRecord& r : mf.Records().Items) EXPECT_TRUE(r.Sound) << r.Type;
  EXPECT_TRUE(OfType(bytes, emr::Ellipse).empty());
}

// Objects are created into free slots, selected while alive, and deleted when they fall out of
// use, so the table stays small and every handle is below the header's count.
TEST(EmfWriterTest, ObjectHandlesStayWithinTheTable) {
  const std::string bytes = Record({400, 300}, 96, [](QPainter& p) {
    for (int i = 0; i < 50; ++i) {
      p.setPen(QPen(QColor(i * 5, 0, 0), 1 + i % 3));
      p.setBrush(QColor(0, i * 5, 0));
      p.setFont(QFont("DejaVu Sans", 8 + i % 5));
      p.drawRect(QRectF(i, i, 20, 10));
      p.drawText(QPointF(i, 200), QStringLiteral("x"));
    }
  });
  const uint16_t handles = static_cast<uint16_t>(U32At(bytes, 56));
  EXPECT_GE(handles, 2);
  EXPECT_LE(handles, 1 + 3 + 3 + 4);  // slot 0, three pens, three brushes, four fonts at most
  std::set<uint32_t> alive;
  int creations = 0;
  for (const TRec& r : Walk(bytes).Records) {
    const uint32_t handle = U32At(bytes, r.Offset + 8);
    switch (r.Type) {
      case emr::ExtCreatePen:
      case emr::CreateBrushIndirect:
      case emr::ExtCreateFontIndirectW:
      case emr::CreateDIBPatternBrushPt:
        ++creations;
        EXPECT_GT(handle, 0u);
        EXPECT_LT(handle, handles);
        EXPECT_TRUE(alive.insert(handle).second) << "slot " << handle << " is still in use";
        break;
      case emr::SelectObject:
        EXPECT_TRUE(alive.count(handle)) << "selects a missing object " << handle;
        break;
      case emr::DeleteObject:
        EXPECT_EQ(alive.erase(handle), 1u) << "deletes a missing object " << handle;
        break;
      default:
        break;
    }
  }
  EXPECT_GE(creations, 150);  // every pen, brush and font not alive any more made a new object
}

// Switching back to a font or pen still alive selects it again instead of making a new one.
TEST(EmfWriterTest, SwitchingBackReusesLiveObjects) {
  QFont bold("DejaVu Sans", 12);
  bold.setBold(true);
  const std::string bytes = Record({400, 300}, 96, [&](QPainter& p) {
    for (int i = 0; i < 10; ++i) {
      p.setFont(i % 2 ? bold : QFont("DejaVu Sans", 12));
      p.setPen(i % 2 ? Qt::red : Qt::black);
      p.drawText(QPointF(10, 20 + 20 * i), QStringLiteral("строка"));
      p.drawLine(200, 20 + 20 * i, 300, 20 + 20 * i);
    }
  });
  EXPECT_EQ(OfType(bytes, emr::ExtCreateFontIndirectW).size(), 2u);
  EXPECT_EQ(OfType(bytes, emr::ExtCreatePen).size(), 2u);
  EXPECT_TRUE(OfType(bytes, emr::DeleteObject).empty());
  EXPECT_GE(OfType(bytes, emr::SelectObject).size(), 20u);
}

// The advances of one EXTTEXTOUTW record.
std::vector<int32_t> Advances(const std::string& bytes, const TRec& run) {
  std::vector<int32_t> dx;
  const uint32_t n = U32At(bytes, run.Offset + 44), at = run.Offset + U32At(bytes, run.Offset + 72);
  for (uint32_t i = 0; i < n; ++i) dx.push_back(I32At(bytes, at + 4 * i));
  return dx;
}

TEST(EmfWriterTest, TextRunCarriesUnicodeFontAndAdvances) {
  QFont font("DejaVu Sans");
  font.setPixelSize(20);
  font.setBold(true);
  font.setItalic(true);
  const QString text = QStringLiteral("Ёлка AV x");
  const std::string bytes = Record({400, 100}, 96, [&](QPainter& p) {
    p.setFont(font);
    p.setPen(QColor(10, 20, 30));
    p.drawText(QPointF(15.5, 50), text);
  });

  const std::vector<TRec> fonts = OfType(bytes, emr::ExtCreateFontIndirectW);
  ASSERT_EQ(fonts.size(), 1u);
  const uint32_t f = fonts[0].Offset + 12;
  EXPECT_EQ(I32At(bytes, f), -20 * 16);  // character height in 1/16 pixels
  EXPECT_EQ(I32At(bytes, f + 16), 700);
  EXPECT_EQ(static_cast<uint8_t>(bytes[f + 20]), 1);  // italic
  std::u16string face;
  for (size_t i = f + 28; bytes[i] != 0 || bytes[i + 1] != 0; i += 2)
    face += static_cast<char16_t>(U32At(bytes, i) & 0xFFFF);
  EXPECT_EQ(QString::fromStdU16String(face), QFontInfo(font).family());

  const std::vector<TRec> colors = OfType(bytes, emr::SetTextColor);
  ASSERT_FALSE(colors.empty());
  EXPECT_EQ(U32At(bytes, colors.back().Offset + 8), 0x1E140Au);
  ASSERT_EQ(OfType(bytes, emr::SetTextAlign).size(), 1u);
  EXPECT_EQ(U32At(bytes, OfType(bytes, emr::SetTextAlign)[0].Offset + 8), gdi::TA_BASELINE);

  // Qt splits the run where the script changes; together the runs hold the whole text.
  const std::vector<TRec> runs = OfType(bytes, emr::ExtTextOutW);
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(I32At(bytes, runs[0].Offset + 36), 248);  // reference point, 1/16 pixels
  EXPECT_EQ(I32At(bytes, runs[0].Offset + 40), 800);
  std::u16string got;
  std::vector<int32_t> dx;
  for (const TRec& run : runs) {
    const uint32_t n = U32At(bytes, run.Offset + 44),
                   at = run.Offset + U32At(bytes, run.Offset + 48);
    for (uint32_t i = 0; i < n; ++i)
      got += static_cast<char16_t>(U32At(bytes, at + 2 * i) & 0xFFFF);
    const std::vector<int32_t> more = Advances(bytes, run);
    dx.insert(dx.end(), more.begin(), more.end());
  }
  EXPECT_EQ(QString::fromStdU16String(got), text);
  ASSERT_EQ(dx.size(), static_cast<size_t>(text.size()));
  // Advances follow the shaped text: the whole of it, and kerned "AV" inside it.
  const QFontMetricsF metrics(font);
  int32_t total = 0;
  for (int32_t d : dx) total += d;
  EXPECT_NEAR(total, metrics.horizontalAdvance(text) * 16, 1.0 * runs.size());  // rounded per run
  const int a = static_cast<int>(text.indexOf(u'A'));
  EXPECT_NEAR(dx[a] + dx[a + 1], metrics.horizontalAdvance(QStringLiteral("AV")) * 16, 1.0);
}

// QPainter draws underline and strike-out lines itself; the font must not draw them again.
TEST(EmfWriterTest, DecorationLinesAreDrawnOnce) {
  QFont font("DejaVu Sans");
  font.setPixelSize(16);
  font.setUnderline(true);
  font.setStrikeOut(true);
  const std::string bytes = Record({200, 60}, 96, [&](QPainter& p) {
    p.setFont(font);
    p.drawText(QPointF(10, 30), QStringLiteral("подчёркнуто"));
  });
  const std::vector<TRec> fonts = OfType(bytes, emr::ExtCreateFontIndirectW);
  ASSERT_EQ(fonts.size(), 1u);
  EXPECT_EQ(bytes[fonts[0].Offset + 12 + 21], 0);  // underline
  EXPECT_EQ(bytes[fonts[0].Offset + 12 + 22], 0);  // strike-out
  EXPECT_EQ(OfType(bytes, emr::LineTo).size() + OfType(bytes, emr::Rectangle).size() +
                OfType(bytes, emr::FillPath).size() + OfType(bytes, emr::StrokePath).size(),
            2u);
}

// A character outside the basic plane takes two UTF-16 units; the second does not advance.
// Mathematical bold A: a spacing glyph in the installed fonts (some fonts give the musical
// symbols of that plane no advance at all, which would prove nothing here).
TEST(EmfWriterTest, SurrogatePairAdvancesOnItsFirstUnit) {
  const QString text = QStringLiteral("\U0001D400\U0001D400");
  const QFont font("DejaVu Sans", 20);
  ASSERT_GT(QFontMetricsF(font).horizontalAdvance(text), 0) << "no font here draws U+1D400";
  const std::string bytes = Record({200, 100}, 96, [&](QPainter& p) {
    p.setFont(font);
    p.drawText(QPointF(10, 50), text);
  });
  std::vector<int32_t> dx;
  for (const TRec& run : OfType(bytes, emr::ExtTextOutW)) {
    const std::vector<int32_t> more = Advances(bytes, run);
    dx.insert(dx.end(), more.begin(), more.end());
  }
  ASSERT_EQ(dx.size(), 4u);
  EXPECT_GT(dx[0], 0);
  EXPECT_EQ(dx[1], 0);
  EXPECT_EQ(dx[3], 0);
}

// Small scenes, each painted straight and through the metafile; the playback must agree.
struct TSceneCase {
  const char* Name;
  TPaint Paint;
  double MaxDifference;
};

void PrintTo(const TSceneCase& scene, std::ostream* out) {
  *out << scene.Name;
}

class EmfWriterSceneTest : public testing::TestWithParam<TSceneCase> {};

TEST_P(EmfWriterSceneTest, PlaysBackLikeTheStraightPainting) {
  const QSize size(160, 120);
  const QImage straight = PaintStraight(size, GetParam().Paint);
  const std::string emf = Record(size, 96, GetParam().Paint);
  const QImage played = PlayBack(size, emf);
  SaveForLook(GetParam().Name, straight, played, emf);
  const double mad = MeanGreyDifference(straight, played);
  EXPECT_LT(mad, GetParam().MaxDifference) << GetParam().Name;
  // And the scene did draw something, so agreement means something.
  EXPECT_GT(MeanGreyDifference(straight, WhitePage(size)), 0.02) << GetParam().Name;
}

INSTANTIATE_TEST_SUITE_P(
    Scenes, EmfWriterSceneTest,
    testing::Values(
        TSceneCase{"FilledPath",
                   [](QPainter& p) {
                     QPainterPath path;
                     path.moveTo(20, 100);
                     path.cubicTo(20, 0, 140, 0, 140, 100);
                     path.closeSubpath();
                     p.setPen(QPen(Qt::black, 6, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
                     p.setBrush(QColor(40, 90, 200));
                     p.drawPath(path);
                   },
                   0.01},
        TSceneCase{"EvenOddStar",
                   [](QPainter& p) {
                     QPolygonF star;
                     for (int i = 0; i < 5; ++i) {
                       const double a = i * 4 * M_PI / 5 - M_PI / 2;
                       star << QPointF(80 + 55 * std::cos(a), 60 + 55 * std::sin(a));
                     }
                     p.setPen(Qt::NoPen);
                     p.setBrush(Qt::darkGreen);
                     p.drawPolygon(star, Qt::OddEvenFill);
                   },
                   0.01},
        TSceneCase{"DashedThickLines",
                   [](QPainter& p) {
                     p.setPen(QPen(Qt::red, 4, Qt::DashDotLine, Qt::SquareCap));
                     p.drawLine(10, 20, 150, 20);
                     p.setPen(QPen(Qt::blue, 3, Qt::DotLine, Qt::RoundCap));
                     p.drawLine(10, 60, 150, 100);
                   },
                   0.015},
        TSceneCase{"RotatedScaledRect",
                   [](QPainter& p) {
                     p.translate(80, 60);
                     p.rotate(25);
                     p.scale(1.3, 1.3);
                     p.setPen(QPen(Qt::black, 2));
                     p.setBrush(Qt::yellow);
                     p.drawRect(QRectF(-40, -25, 80, 50));
                   },
                   0.01},
        TSceneCase{"StretchedEllipse",
                   [](QPainter& p) {
                     p.translate(80, 60);
                     p.rotate(-20);
                     p.scale(2.5, 0.7);
                     p.setPen(Qt::NoPen);
                     p.setBrush(Qt::darkRed);
                     p.drawEllipse(QRectF(-25, -50, 50, 100));
                   },
                   0.01},
        // Table rules one pixel wide and cells filled edge to edge, as a page's tables are.
        TSceneCase{"TableRulesAndCells",
                   [](QPainter& p) {
                     for (int i = 0; i < 8; ++i)
                       p.fillRect(QRect(i * 20, 0, 20, 20), QColor(i % 2 ? 40 : 90, 60, 120));
                     for (int y = 30; y <= 110; y += 16) p.fillRect(QRect(5, y, 150, 1), Qt::black);
                     for (int x = 5; x <= 155; x += 30) p.fillRect(QRect(x, 30, 1, 80), Qt::black);
                   },
                   0.005},
        TSceneCase{"ClipPathCutsAFill",
                   [](QPainter& p) {
                     QPainterPath circle;
                     circle.addEllipse(QRectF(30, 10, 100, 100));
                     p.setClipPath(circle);
                     p.fillRect(QRectF(0, 0, 160, 60), Qt::magenta);
                     p.setClipRect(QRect(0, 60, 80, 60), Qt::IntersectClip);
                     p.fillRect(QRectF(0, 0, 160, 120), Qt::darkCyan);
                   },
                   0.01},
        TSceneCase{"ImageWithAlpha",
                   [](QPainter& p) {
                     QImage image(120, 90, QImage::Format_ARGB32);
                     for (int y = 0; y < 90; ++y)
                       for (int x = 0; x < 120; ++x)
                         image.setPixel(x, y, qRgba(2 * x, 2 * y, 90, x < 30 ? 0 : 255));
                     p.fillRect(QRect(0, 0, 160, 60), Qt::darkBlue);
                     p.drawImage(QPointF(20, 15), image);  // transparent strip: blue shows
                     p.setOpacity(0.5);
                     p.drawImage(QPointF(100, 5), image.copy(30, 0, 50, 50));
                     p.setRenderHint(QPainter::SmoothPixmapTransform);
                     p.drawImage(QRectF(100, 80, 60, 40), image, QRectF(60, 30, 30, 20));
                   },
                   0.01},
        TSceneCase{"JustifiedUnderlinedText",
                   [](QPainter& p) {
                     QTextDocument doc;
                     doc.setDefaultFont(QFont("DejaVu Sans", 9));
                     doc.setHtml(QStringLiteral(
                         "<p align=justify>Текст по ширине: <u>подчёркнутое</u> слово и "
                         "<s>зачёркнутое</s>, a line wide enough to wrap twice over.</p>"));
                     doc.setTextWidth(150);
                     doc.drawContents(&p);
                   },
                   0.02},
        TSceneCase{"RotatedText",
                   [](QPainter& p) {
                     QFont font("DejaVu Serif");
                     font.setPixelSize(28);
                     p.setFont(font);
                     p.translate(10, 110);
                     p.rotate(-30);
                     p.drawText(QPointF(0, 0), QStringLiteral("Наклон tilt"));
                   },
                   0.02}),
    [](const testing::TestParamInfo<TSceneCase>& scene) { return std::string(scene.param.Name); });

// The page a question shows: Markdown laid out once, painted straight and through the metafile.
TEST(EmfWriterTest, MarkdownPageRoundTripAgrees) {
  QTextDocument doc;
  QFont font("Arial");
  font.setPixelSize(16);
  doc.setDefaultFont(font);
  QImage picture(120, 70, QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      picture.setPixel(x, y, qRgb(2 * x, 3 * y, (x * y) % 256));
  doc.setMarkdown(QStringLiteral(
      "# Кинематика: скорость\n\n"
      "Какова единица измерения скорости в системе СИ? Выберите *один* ответ, а затем "
      "**проверьте** его по таблице.\n\n"
      "The speed of a body is the distance it covers per unit of time; a long English "
      "sentence wraps over more than one line at this width.\n\n"
      "- метр в секунду\n- километр в час\n- miles per hour\n\n"
      "| величина | единица |\n|---|---|\n| скорость | м/с |\n| ускорение | м/с² |\n\n"
      "![схема](picture.png)\n"));
  doc.addResource(QTextDocument::ImageResource, QUrl("picture.png"), picture);  // after clear()
  doc.setTextWidth(560);
  const QSize size(560, static_cast<int>(std::ceil(doc.size().height())));
  ASSERT_GT(size.height(), 200);
  const TPaint paint = [&](QPainter& p) { doc.drawContents(&p); };

  const std::string emf = Record(size, 96, paint);
  // At its own size and zoomed: the page stays vector, so text and lines stay sharp.
  for (const double zoom : {1.0, 2.0}) {
    const QSize zoomed = (QSizeF(size) * zoom).toSize();
    const QImage straight = PaintStraight(zoomed, [&](QPainter& p) {
      p.scale(zoom, zoom);
      paint(p);
    });
    const QImage played = PlayBack(zoomed, emf);
    SaveForLook(QStringLiteral("markdown-page-x%1").arg(zoom), straight, played, emf);
    const double mad = MeanGreyDifference(straight, played);
    std::printf("markdown page %dx%d at zoom %.0f: %zu bytes of EMF, mean grey difference %.3f%%\n",
                size.width(), size.height(), zoom, emf.size(), 100 * mad);
    EXPECT_LT(mad, 0.02) << "zoom " << zoom;
  }
  EXPECT_GT(OfType(emf, emr::ExtTextOutW).size(), 10u);
  EXPECT_EQ(OfType(emf, emr::StretchDIBits).size(), 1u);
}

}  // namespace
