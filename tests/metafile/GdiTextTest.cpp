// Tests of metafile text decoding (code pages, symbol fonts) and of LOGFONT to QFont.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetricsF>
#include <QList>
#include <cmath>
#include <string>

#include "GdiText.h"

namespace {

std::u32string Ucs4(const QString& s) {
  const QList<uint> units = s.toUcs4();
  return std::u32string(units.begin(), units.end());
}

std::string Hex(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) out += QString::number(static_cast<uint>(c), 16).toStdString() + ' ';
  return out;
}

struct TAnsiCase {
  uint8_t CharSet;
  const char* Face;
  std::string Bytes;
  std::u32string Expected;
};

class AnsiTextTest : public testing::TestWithParam<TAnsiCase> {};

TEST_P(AnsiTextTest, DecodesToUnicode) {
  const TAnsiCase& c = GetParam();
  const QString text = DecodeAnsiText(reinterpret_cast<const uint8_t*>(c.Bytes.data()),
                                      c.Bytes.size(), c.CharSet, QString::fromLatin1(c.Face));
  EXPECT_EQ(Hex(Ucs4(text)), Hex(c.Expected)) << "charset " << int(c.CharSet) << " " << c.Face;
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, AnsiTextTest,
    testing::Values(TAnsiCase{0, "Arial",
                              "\x80\xE9"
                              "A",
                              U"\u20AC\u00E9A"},
                    TAnsiCase{1, "Arial", "\x93\x94\xC0", U"\u201C\u201D\u0410"},
                    TAnsiCase{99, "Arial", "\x80", U"\u20AC"},  // an unknown charset reads as ANSI
                    TAnsiCase{204, "Arial", "\xC0\xFF\xB8\xA8", U"\u0410\u044F\u0451\u0401"},
                    TAnsiCase{161, "Arial", "\xC1\xF9", U"\u0391\u03C9"},
                    TAnsiCase{162, "Arial", "\xDD\xFD\xF0", U"\u0130\u0131\u011F"},
                    TAnsiCase{163, "Arial", "\xFE\xD0", U"\u20AB\u0110"},
                    TAnsiCase{177, "Arial", "\xE0\xFA", U"\u05D0\u05EA"},
                    TAnsiCase{178, "Arial", "\xC7\x81", U"\u0627\u067E"},
                    TAnsiCase{186, "Arial", "\xE0\xD0", U"\u0105\u0160"},
                    TAnsiCase{222, "Tahoma", "\xA1\xE0", U"\u0E01\u0E40"},
                    TAnsiCase{238, "Arial", "\xA5\x8A\xF8", U"\u0104\u0160\u0159"},
                    TAnsiCase{255, "Terminal", "\x80\xB0\xE1", U"\u00C7\u2591\u00DF"},
                    TAnsiCase{77, "Arial", "\x80\xA5", U"\u00C4\u2022"},
                    TAnsiCase{128, "MS Mincho",
                              "\x82\xA0\x88\x9F"
                              "a",
                              U"\u3042\u4E9Ca"},
                    TAnsiCase{129, "Gulim", "\xB0\xA1", U"\uAC00"},
                    TAnsiCase{134, "SimSun", "\xC4\xE3\xBA\xC3", U"\u4F60\u597D"},
                    TAnsiCase{136, "MingLiU", "\xA7\x41\xA7\xDA", U"\u4F60\u6211"}));

INSTANTIATE_TEST_SUITE_P(
    SymbolFonts, AnsiTextTest,
    testing::Values(
        TAnsiCase{2, "Symbol", "\x61\x44\xB3", U"\u03B1\u0394\u2265"},
        TAnsiCase{2, "Symbol", "\x57\x70\x6A\x66", U"\u03A9\u03C0\u03D5\u03C6"},
        TAnsiCase{2, "Symbol", "\xD6\xE5\xF2\x2D\xB4", U"\u221A\u2211\u222B\u2212\u00D7"},
        TAnsiCase{2, "Symbol", "\xA0\xA5\xB9\xCE", U"\u20AC\u221E\u2260\u2208"},
        TAnsiCase{2, "Symbol", "1+\r", U"1+\r"},              // digits, signs and controls stay
        TAnsiCase{2, "Symbol", "\x80\xFF", U"\uF080\uF0FF"},  // no character in the font
        TAnsiCase{0, "Symbol", "\x62", U"\u03B2"},  // the face decides, whatever the charset
        TAnsiCase{2, "Times New Roman", "\x70", U"\u03C0"},  // the charset decides for a text face
        TAnsiCase{2, "Wingdings", "\xFC\xFB\x6C\x4A", U"\u2713\u2717\u25CF\u263A"},
        TAnsiCase{2, "Wingdings", "\x26\x81", U"\U0001F4D6\u2460"},
        TAnsiCase{2, "Wingdings 2", "\x50\x52\xA3\x6A\x30", U"\u2713\u2611\u25A1\u2460\uF030"},
        // Wingdings 3: arrows and triangles where Unicode has them, the rest stays private-use.
        TAnsiCase{2, "Wingdings 3", "\x21\x22\x24\x2E\x70\x71\x75",
                  U"\u2B60\u2B62\u2B63\u2B78\u25B2\u25BC\u25B6"},
        TAnsiCase{2, "Wingdings 3", "\x50\xC7", U"\uF050\uF0C7"},
        TAnsiCase{2, "Webdings", "\x50", U"\uF050"}));

TEST(FaceNameTest, DecodesInTheCharsetCodePageUpToTheNul) {
  struct TCase {
    std::string Bytes;
    uint8_t CharSet;
    const char16_t* Expected;
  } cases[] = {
      {std::string("Symbol\0\x8A\x8B", 9), 2, u"Symbol"},  // not Greek
      {"Wingdings", 2, u"Wingdings"},
      {"\xCB\xCE\xCC\xE5", 134, u"\u5B8B\u4F53"},  // SimSun's own name in GBK
      {"\xD2\xE0\xE9\xEC\xF1", 204, u"\u0422\u0430\u0439\u043C\u0441"},
      {"Arial", 0, u"Arial"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(
        DecodeFaceName(reinterpret_cast<const uint8_t*>(c.Bytes.data()), c.Bytes.size(), c.CharSet),
        QString::fromUtf16(c.Expected))
        << c.Bytes;
  }
}

struct TWideCase {
  const char* Face;
  std::u16string Units;
  std::u32string Expected;
};

class WideTextTest : public testing::TestWithParam<TWideCase> {};

TEST_P(WideTextTest, MapsPrivateUseWhereTheFaceNeedsIt) {
  const TWideCase& c = GetParam();
  const QString text = DecodeWideText(c.Units.data(), c.Units.size(), QString::fromLatin1(c.Face));
  EXPECT_EQ(Hex(Ucs4(text)), Hex(c.Expected)) << c.Face;
}

INSTANTIATE_TEST_SUITE_P(
    Faces, WideTextTest,
    testing::Values(TWideCase{"Symbol", u"\uF061\uF062\uF0B3", U"\u03B1\u03B2\u2265"},
                    TWideCase{"symbol", u"a=b", U"\u03B1=\u03B2"},
                    TWideCase{"Euclid Symbol", u"\uF070", U"\u03C0"},
                    TWideCase{"Symbol", u"\u0410\u2211", U"\u0410\u2211"},  // already Unicode
                    TWideCase{"Wingdings", u"\uF0FC\uF0D8", U"\u2713\u27A2"},
                    TWideCase{"Wingdings 3", u"\uF070\u0023", U"\u25B2\u2B61"},
                    TWideCase{"Arial", u"\uF061\u0416", U"\uF061\u0416"},
                    TWideCase{"Times New Roman", u"x\U0001D465", U"x\U0001D465"}));

// Fonts need the GUI application, which the test program's main provides.
class FontTest : public testing::Test {
 protected:
  static TLogFont LogFont(const char* face, int32_t height, int32_t weight = 400) {
    TLogFont lf{height, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, QString::fromLatin1(face)};
    return lf;
  }
};

struct TSubstituteCase {
  const char* Face;
  uint8_t PitchAndFamily;
  const char* First;
};

TEST_F(FontTest, FaceNamesMapToInstalledStandIns) {
  const TSubstituteCase cases[] = {
      {"Arial", 0, "Liberation Sans"},
      {"ARIAL CYR", 0, "Liberation Sans"},
      {"Times New Roman", 0, "Liberation Serif"},
      {"Courier New", 0, "Liberation Mono"},
      {"MS Sans Serif", 0, "Liberation Sans"},
      {"System", 0, "Liberation Sans"},
      {"Tahoma", 0, "DejaVu Sans"},
      {"Verdana", 0, "DejaVu Sans"},
      {"Segoe UI", 0, "Liberation Sans"},
      {"@MS Mincho", 0, "MS Mincho"},
      {"Made Up Face", 0x12, "Made Up Face"},
      {"", 0x12, "Liberation Serif"},
      {"", 0x31, "Liberation Mono"},
  };
  for (const TSubstituteCase& c : cases) {
    const QStringList families = SubstituteFamilies(QString::fromLatin1(c.Face), c.PitchAndFamily);
    ASSERT_FALSE(families.isEmpty()) << c.Face;
    EXPECT_EQ(families.front().toStdString(), c.First) << c.Face;
  }
  // An unknown face keeps a generic fallback of the family its LOGFONT names.
  EXPECT_EQ(SubstituteFamilies(QStringLiteral("Made Up Face"), 0x12).back(),
            QStringLiteral("Liberation Serif"));

  for (const char* face : {"Arial", "Times New Roman", "Courier New"}) {
    const QFont font = MakeQFont(LogFont(face, -20), -20);
    EXPECT_EQ(QFontInfo(font).family(), SubstituteFamilies(QString::fromLatin1(face), 0).front())
        << face << ": fonts-liberation missing?";
  }
}

TEST_F(FontTest, SymbolTextGetsGreekGlyphs) {
  const QString text =
      DecodeAnsiText(reinterpret_cast<const uint8_t*>("abg"), 3, 2, QStringLiteral("Symbol"));
  const QFontMetricsF metrics(MakeQFont(LogFont("Symbol", -30), -30));
  for (const QChar c : text) EXPECT_TRUE(metrics.inFont(c)) << std::hex << int{c.unicode()};
}

TEST_F(FontTest, StyleFollowsTheLogFont) {
  struct TCase {
    int32_t LfWeight;
    QFont::Weight Weight;
  } cases[] = {{0, QFont::Normal},     {400, QFont::Normal}, {700, QFont::Bold},
               {550, QFont::DemiBold}, {100, QFont::Thin},   {1000, QFont::Black},
               {-5, QFont::Normal},    {349, QFont::Light}};
  for (const TCase& c : cases) {
    EXPECT_EQ(MakeQFont(LogFont("Arial", -12, c.LfWeight), -12).weight(), c.Weight) << c.LfWeight;
  }
  TLogFont lf = LogFont("Arial", -12);
  EXPECT_FALSE(MakeQFont(lf, -12).italic());
  lf.Italic = lf.Underline = lf.StrikeOut = 1;
  const QFont font = MakeQFont(lf, -12);
  EXPECT_TRUE(font.italic());
  EXPECT_TRUE(font.underline());
  EXPECT_TRUE(font.strikeOut());
  EXPECT_FALSE(font.kerning());  // text records place characters without pair kerning
}

// Negative heights give the em, positive ones the cell (ascent + descent). The ratios are the
// cell heights per em of the Windows faces, which their metric-compatible stand-ins share.
TEST_F(FontTest, HeightRuleFollowsTheCellOfTheFace) {
  struct TCase {
    const char* Face;
    double CellPerEm;
  } cases[] = {
      {"Arial", 2288.0 / 2048}, {"Times New Roman", 2268.0 / 2048}, {"Courier New", 2320.0 / 2048}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Face);
    EXPECT_EQ(MakeQFont(LogFont(c.Face, -100), -100).pixelSize(), 100);
    const double em = EmPixelSize(LogFont(c.Face, 100), 100);
    EXPECT_NEAR(em, 100 / c.CellPerEm, 0.2);
    EXPECT_EQ(MakeQFont(LogFont(c.Face, 100), 100).pixelSize(), std::lround(100 / c.CellPerEm));
    EXPECT_NEAR(EmPixelSize(LogFont(c.Face, -100), -100) / em, c.CellPerEm, 0.003);
  }
}

TEST_F(FontTest, HostileHeightsStayFinite) {
  for (double h : {1e300, -1e300, std::nan(""), 0.0, 1e-9}) {
    const QFont font = MakeQFont(LogFont("Arial", 1), h);
    EXPECT_GE(font.pixelSize(), 1) << h;
    EXPECT_LE(font.pixelSize(), 16384) << h;
  }
  EXPECT_NEAR(EmPixelSize(LogFont("Arial", 0), 0) * 2288.0 / 2048, 16, 0.1);  // the default cell
}

// lfWidth is an average character width: the font stretches so that its average matches.
// Arial's average width is 904/2048 of the em.
TEST_F(FontTest, WidthStretchesAgainstTheAverageCharacterWidth) {
  const QFont natural = MakeQFont(LogFont("Arial", -100), -100);
  EXPECT_EQ(natural.stretch(), QFont().stretch());
  struct TCase {
    int32_t LfHeight, LfWidth;
    double PixelHeight;
    int Stretch;
  } cases[] = {
      {-100, 44, -100, 100}, {-100, 88, -100, 200}, {-100, 22, -100, 50}, {-50, 22, -100, 100}};
  for (const TCase& c : cases) {
    TLogFont lf = LogFont("Arial", c.LfHeight);
    lf.Width = c.LfWidth;
    EXPECT_NEAR(MakeQFont(lf, c.PixelHeight).stretch(), c.Stretch, 1) << c.LfWidth;
  }
  // A wider font really draws wider text.
  TLogFont wide = LogFont("Arial", -40);
  wide.Width = 2 * 904 * 40 / 2048;
  const double ratio =
      QFontMetricsF(MakeQFont(wide, -40)).horizontalAdvance(QStringLiteral("abcdef")) /
      QFontMetricsF(MakeQFont(LogFont("Arial", -40), -40))
          .horizontalAdvance(QStringLiteral("abcdef"));
  EXPECT_NEAR(ratio, 2.0, 0.1);
}

}  // namespace
