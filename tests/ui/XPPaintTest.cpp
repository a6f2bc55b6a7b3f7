// What the painted controls put on screen: glyphs, the caption's focus frame, the group box.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QSet>
#include <QTest>
#include <QVector>

#include "XPCtrls.h"
#include "XPTestSupport.h"

namespace {

bool IsBlack(QRgb Pixel) {
  return qRed(Pixel) < 60 && qGreen(Pixel) < 60 && qBlue(Pixel) < 60;
}
bool IsGreen(QRgb Pixel) {
  return qGreen(Pixel) > qRed(Pixel) + 50 && qGreen(Pixel) > qBlue(Pixel) + 50;
}
// Orange-yellow: red well above blue.
bool IsWarm(QRgb Pixel) {
  return qRed(Pixel) > qBlue(Pixel) + 60;
}
// Blue-grey: blue above red.
bool IsCool(QRgb Pixel) {
  return qBlue(Pixel) > qRed(Pixel) + 30;
}
bool IsWhite(QRgb Pixel) {
  return qRed(Pixel) > 235 && qGreen(Pixel) > 235 && qBlue(Pixel) > 235;
}

QImage Grab(QWidget& Widget) {
  return Widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(XPGlyph, EveryCombinationDecodesAtBothResolutions) {
  for (int kind = 0; kind < 2; ++kind)
    for (const bool checked : {false, true})
      for (const bool hot : {false, true}) {
        SCOPED_TRACE(testing::Message() << kind << checked << hot);
        const int side = kind == 0 ? 14 : 13;
        const QImage plain = LoadGlyph(kind, checked, hot);
        ASSERT_FALSE(plain.isNull());
        EXPECT_EQ(plain.size(), QSize(side, side));
        EXPECT_EQ(plain.devicePixelRatio(), 1.0);

        const QImage doubled = LoadGlyph(kind, checked, hot, 2.0);
        ASSERT_FALSE(doubled.isNull());
        EXPECT_EQ(doubled.size(), QSize(2 * side, 2 * side));
        EXPECT_EQ(doubled.devicePixelRatio(), 2.0);
        EXPECT_EQ(doubled.deviceIndependentSize(), QSizeF(side, side));
      }
}

// Each picture is the one for its state: the mark in the middle when checked, a warm rim when
// hot and a blue-grey one otherwise, white corners round the radio button.
TEST(XPGlyph, EachPictureShowsItsState) {
  for (const qreal dpr : {1.0, 2.0})
    for (int kind = 0; kind < 2; ++kind)
      for (const bool checked : {false, true})
        for (const bool hot : {false, true}) {
          SCOPED_TRACE(testing::Message() << dpr << kind << checked << hot);
          const QImage glyph =
              LoadGlyph(kind, checked, hot, dpr).convertToFormat(QImage::Format_RGB32);
          const int side = glyph.width();
          const QRgb middle = glyph.pixel(side / 2, side / 2);
          EXPECT_EQ(IsGreen(middle), checked);
          const QRgb rim = glyph.pixel(0, side / 2);
          EXPECT_EQ(IsWarm(rim), hot);
          EXPECT_EQ(IsCool(rim), !hot);
          if (kind == 1) {
            EXPECT_TRUE(IsWhite(glyph.pixel(0, 0)));
          }
        }
}

TEST(XPGlyph, RatioFromOneAndAHalfTakesTheDoubledPicture) {
  const struct {
    qreal Dpr;
    int Side;
  } cases[] = {{1.0, 14}, {1.25, 14}, {1.49, 14}, {1.5, 28}, {2.0, 28}, {3.0, 28}};
  for (const auto& c : cases) EXPECT_EQ(LoadGlyph(0, false, false, c.Dpr).width(), c.Side) << c.Dpr;
}

TEST(XPGlyph, AnUnknownKindHasNoPicture) {
  EXPECT_TRUE(LoadGlyph(2, false, false).isNull());
  EXPECT_TRUE(LoadGlyph(-1, true, true).isNull());
}

// No decoded picture is kept: two loads are two separate images.
TEST(XPGlyph, EveryLoadDecodesAnew) {
  EXPECT_NE(LoadGlyph(1, true, false).cacheKey(), LoadGlyph(1, true, false).cacheKey());
}

// The glyph sits at x 0, centred vertically with truncating division, and follows the state.
TEST(XPCheckButtonPaint, GlyphFollowsCheckedAndHot) {
  QWidget parent;
  auto* box = new TXPCheckBox(&parent);
  box->SetColor(Qt::white);
  box->setGeometry(0, 0, 100, 17);
  box->SetAlign(TAlign::alClient);  // keeps the size set above
  const int top = (17 - 14) / 2;

  const QImage plain = Grab(*box);
  EXPECT_TRUE(IsCool(plain.pixel(0, top + 7)));
  EXPECT_TRUE(IsWhite(plain.pixel(0, top - 1)));
  EXPECT_FALSE(IsGreen(plain.pixel(7, top + 7)));

  box->SetChecked(true);
  box->SetHot(true);
  const QImage marked = Grab(*box);
  EXPECT_TRUE(IsWarm(marked.pixel(0, top + 7)));
  EXPECT_TRUE(IsGreen(marked.pixel(7, top + 7)));
}

// The caption at glyph width + 4 on the control's colour, in the caption colour.
TEST(XPCheckButtonPaint, CaptionInItsColourBesideTheGlyph) {
  QWidget parent;
  auto* radio = new TXPRadioButton(&parent);
  radio->SetColor(QColor(0, 0, 160));
  radio->SetCaptionColor(QColor(255, 255, 0));
  radio->SetCaption(QStringLiteral("ЖЖЖЖ"));
  const QImage image = Grab(*radio);
  int captionPixels = 0;
  int firstCaptionX = image.width();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 13; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 100) {
        ++captionPixels;
        firstCaptionX = std::min(firstCaptionX, x);
      }
    }
  EXPECT_GT(captionPixels, 20);
  EXPECT_GE(firstCaptionX, 13 + 4);
  EXPECT_LE(firstCaptionX, 13 + 4 + 3);
  EXPECT_EQ(image.pixel(image.width() - 1, 0), qRgb(0, 0, 160));
}

// The dotted frame round the caption: only with WantTextFrame and the focus; black where
// x + y is odd, the background elsewhere, the corners left out.
TEST(XPCheckButtonPaint, FocusFrameOnlyWithWantTextFrameAndFocus) {
  struct TCase {
    bool Want, Focus, Frame;
  };
  const TCase cases[] = {
      {true, true, true}, {true, false, false}, {false, true, false}, {false, false, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "want " << c.Want << " focus " << c.Focus);
    QWidget window;
    window.resize(300, 100);
    auto* box = new TXPCheckBox(&window);
    auto* other = new TXPCheckBox(&window);
    other->move(0, 50);
    box->SetColor(Qt::white);
    box->SetCaptionColor(Qt::red);
    box->SetCaption(QStringLiteral("Ответ"));
    box->SetWantTextFrame(c.Want);
    ASSERT_TRUE(ShowActive(window));
    (c.Focus ? box : other)->setFocus();
    ASSERT_TRUE(WaitFor([&] { return box->hasFocus() == c.Focus; }));

    const QImage image = Grab(*box);
    const QFontMetrics metrics(box->font());
    const int left = 18;
    const int top = 3;
    const int right = metrics.horizontalAdvance(box->Caption()) + 22;
    const int bottom = metrics.height() + 4;
    ASSERT_LE(right, image.width());
    ASSERT_LE(bottom, image.height());

    QVector<QPoint> outline;
    for (int x = left; x < right; ++x) outline << QPoint(x, top) << QPoint(x, bottom - 1);
    for (int y = top + 1; y < bottom - 1; ++y) outline << QPoint(left, y) << QPoint(right - 1, y);
    const QSet<QPoint> corners = {QPoint(left, top), QPoint(right - 1, top),
                                  QPoint(right - 1, bottom - 1), QPoint(left, bottom - 1)};
    for (const QPoint& p : outline) {
      const bool black = c.Frame && !corners.contains(p) && (p.x() + p.y()) % 2 == 1;
      EXPECT_EQ(IsBlack(image.pixel(p)), black) << p.x() << "," << p.y();
    }
  }
}

// The group box: palette colours that tell the frame's parts apart, none of them a blend of
// the black caption and the grey background.
struct TGroupColours {
  QColor Back{200, 200, 200}, Light{255, 255, 255}, Dark{90, 100, 150}, Frame{0, 0, 0};
};

void UseColours(QWidget& Widget, const TGroupColours& Colours) {
  QPalette palette = Widget.palette();
  palette.setColor(QPalette::Window, Colours.Back);
  palette.setColor(QPalette::Light, Colours.Light);
  palette.setColor(QPalette::Dark, Colours.Dark);
  palette.setColor(QPalette::WindowText, Colours.Frame);
  Widget.setPalette(palette);
}

TEST(XPGroupBox, FrameHasCutCorners) {
  for (const bool ctl3D : {true, false}) {
    SCOPED_TRACE(ctl3D ? "3D" : "flat");
    const TGroupColours colours;
    TXPGroupBox box;
    UseColours(box, colours);
    box.SetCtl3D(ctl3D);
    box.resize(120, 80);
    const QImage image = Grab(box);
    const int l = 0;
    const int t = QFontMetrics(box.font()).height() / 2 - 1;
    const int r = ctl3D ? 119 : 120;
    const int b = ctl3D ? 79 : 80;
    const QRgb back = colours.Back.rgb();
    const QRgb frame = (ctl3D ? colours.Dark : colours.Frame).rgb();
    const QRgb light = colours.Light.rgb();

    struct TCorner {
      int X, Y, Dx, Dy;
    };
    for (const TCorner& c : {TCorner{l, t, 1, 1}, TCorner{r - 1, t, -1, 1},
                             TCorner{r - 1, b - 1, -1, -1}, TCorner{l, b - 1, 1, -1}}) {
      SCOPED_TRACE(testing::Message() << "corner " << c.X << "," << c.Y);
      const auto at = [&](int i, int j) { return image.pixel(c.X + i * c.Dx, c.Y + j * c.Dy); };
      EXPECT_EQ(at(0, 0), back);
      EXPECT_EQ(at(1, 0), back);
      EXPECT_EQ(at(0, 1), back);
      EXPECT_EQ(at(1, 1), frame);
      EXPECT_EQ(at(2, 1), frame);
      EXPECT_EQ(at(1, 2), frame);
      if (ctl3D) {
        EXPECT_EQ(at(2, 2), light);
        EXPECT_EQ(at(3, 2), light);
        EXPECT_EQ(at(2, 3), light);
      }
      // The frame runs on from the bend along both edges.
      EXPECT_EQ(at(5, 0), frame);
      EXPECT_EQ(at(0, 5), frame);
    }
    if (ctl3D) {
      // The light line runs one pixel inside the shadow on the top and left, outside it on the
      // bottom and right.
      EXPECT_EQ(image.pixel(60, t + 1), light);
      EXPECT_EQ(image.pixel(l + 1, 40), light);
      EXPECT_EQ(image.pixel(60, 79), light);
      EXPECT_EQ(image.pixel(119, 40), light);
    }
    // Without a caption nothing but the frame: the rest is background.
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        EXPECT_TRUE(p == back || p == frame || p == light) << x << "," << y;
        if (y < t) {
          EXPECT_EQ(p, back) << x << "," << y;
        }
      }
  }
}

// The caption sits on the frame line, 8 pixels in from the leading side, over a background box.
TEST(XPGroupBox, CaptionCoversTheFrameLine) {
  for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
    SCOPED_TRACE(direction == Qt::LeftToRight ? "left to right" : "right to left");
    const TGroupColours colours;
    TXPGroupBox box(QStringLiteral("Ошибка"));
    UseColours(box, colours);
    box.setLayoutDirection(direction);
    box.resize(200, 80);
    const QImage image = Grab(box);
    const QFontMetrics metrics(box.font());
    const int t = metrics.height() / 2 - 1;
    const int tw = metrics.horizontalAdvance(box.title());
    const int from = direction == Qt::LeftToRight ? 8 : 199 - tw - 8;
    const int to = from + tw;

    int textPixels = 0;
    for (int y = 0; y < metrics.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QRgb p = image.pixel(x, y);
        if (p == colours.Back.rgb() || p == colours.Dark.rgb() || p == colours.Light.rgb())
          continue;
        ++textPixels;
        // A letter's smoothed edge may reach one pixel past its advance.
        EXPECT_GE(x, from - 1) << x << "," << y;
        EXPECT_LE(x, to) << x << "," << y;
      }
    EXPECT_GT(textPixels, 20);
    EXPECT_EQ(image.pixel(from - 1, t), colours.Dark.rgb());
    EXPECT_EQ(image.pixel(to, t), colours.Dark.rgb());
    for (int x = from; x < to; ++x) {
      const QRgb p = image.pixel(x, t);
      EXPECT_NE(p, colours.Dark.rgb()) << x;
    }
  }
}

}  // namespace
