// Tests of the text a page picture draws, as handed to screen readers: small pages, the recorder's
// own pages and the corpus.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "EmfPaintDevice.h"
#include "MetafileBuilder.h"
#include "MetafilePlayer.h"
#include "MetafileText.h"
#include "RecordTypes.h"

namespace {

template <class T>
std::string CaseName(const testing::TestParamInfo<T>& c) {
  return c.param.Name;
}

// One line per string, so that a failure shows the strings themselves.
std::string Lines(const QStringList& texts) {
  return texts.join(u'\n').toStdString();
}

// What a drawing walk hands over, with the blank strings left out as MetafileTexts leaves them.
QStringList DrawnTexts(const TMetafile& m, int w, int h) {
  QStringList drawn;
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  PlayMetafile(p, m, QRectF(0, 0, w, h), TPlayText{&drawn, false});
  drawn.removeIf([](const QString& s) { return s.trimmed().isEmpty(); });
  return drawn;
}

constexpr uint8_t kSymbol = 2, kRussian = 204;

// EXTCREATEFONTINDIRECTW of a 20-unit font into handle, then SELECTOBJECT of it.
void SelectFont(TEmfBuilder& b, uint32_t handle, uint8_t charSet, const std::u16string& face) {
  std::string font;
  for (int32_t v : {static_cast<int32_t>(handle), -20, 0, 0, 0, 400})
    PutU32(font, static_cast<uint32_t>(v));
  PutU32(font, uint32_t{charSet} << 24);  // italic, underline, strikeout, charset
  PutU32(font, 0);
  font += Utf16(face);
  font.resize(4 + 92, '\0');
  b.RecordBytes(emr::ExtCreateFontIndirectW, font);
  b.Record(emr::SelectObject, {static_cast<int32_t>(handle)});
}

// POLYTEXTOUTA/W: the scale fields, the count, one EMRTEXT per string (from 40), the strings.
void PolyText(TEmfBuilder& b, bool wide, const std::vector<std::u16string>& strings) {
  std::string entries, chars;
  const uint32_t at = 40 + 40 * static_cast<uint32_t>(strings.size());
  for (const std::u16string& s : strings) {
    const std::string bytes =
        wide ? Utf16(s) : QString::fromStdU16String(s).toLatin1().toStdString();
    for (uint32_t v : {10u, 50u, static_cast<uint32_t>(s.size()),
                       at + static_cast<uint32_t>(chars.size()), 0u, 0u, 0u, 0u, 0u, 0u})
      PutU32(entries, v);
    chars += bytes;
    while (chars.size() % 4) chars.push_back('\0');
  }
  std::string p;
  for (uint32_t v : {0u, 0u, 0u, 0u, 1u, 0u, 0u, static_cast<uint32_t>(strings.size())})
    PutU32(p, v);
  b.RecordBytes(wide ? emr::PolyTextOutW : emr::PolyTextOutA, p + entries + chars);
}

// CREATEFONTINDIRECT of a WMF font (it takes the lowest free slot).
void WmfFont(TWmfBuilder& b, uint8_t charSet, const std::string& face) {
  std::string p;
  for (int16_t v : {int16_t{-200}, int16_t{0}, int16_t{0}, int16_t{0}, int16_t{400}})
    PutU16(p, static_cast<uint16_t>(v));
  for (uint8_t v : {uint8_t{0}, uint8_t{0}, uint8_t{0}, charSet, uint8_t{0}, uint8_t{0}, uint8_t{0},
                    uint8_t{0}})
    p.push_back(static_cast<char>(v));
  p += face;
  p.push_back('\0');
  b.RecordBytes(meta::CreateFontIndirect, p);
}

// TEXTOUT: the count, the bytes (padded to a word), then y and x.
void WmfTextOut(TWmfBuilder& b, const std::string& bytes) {
  std::string p;
  PutU16(p, static_cast<uint16_t>(bytes.size()));
  p += bytes;
  if (p.size() % 2) p.push_back('\0');
  PutU16(p, 500);
  PutU16(p, 100);
  b.RecordBytes(meta::TextOut, p);
}

// EXTTEXTOUT without a rectangle or advances: y, x, count, options, the bytes.
void WmfExtTextOut(TWmfBuilder& b, const std::string& bytes) {
  std::string p;
  for (uint16_t v :
       {uint16_t{500}, uint16_t{100}, static_cast<uint16_t>(bytes.size()), uint16_t{0}})
    PutU16(p, v);
  b.RecordBytes(meta::ExtTextOut, p + bytes);
}

// The comment escape that carries an enhanced metafile inside a WMF, in one chunk.
void WmfEmbed(TWmfBuilder& b, const std::string& emf) {
  std::string p;
  PutU16(p, 15);  // MFCOMMENT
  PutU16(p, static_cast<uint16_t>(34 + emf.size()));
  for (uint32_t v : {0x43464D57u, 1u, 0x10000u}) PutU32(p, v);
  PutU16(p, 0);
  for (uint32_t v :
       {0u, 1u, static_cast<uint32_t>(emf.size()), 0u, static_cast<uint32_t>(emf.size())})
    PutU32(p, v);
  b.RecordBytes(meta::Escape, p + emf);
}

struct TTextCase {
  const char* Name;
  std::function<std::string()> Build;
  std::vector<std::u16string> Expected;
};

void PrintTo(const TTextCase& c, std::ostream* out) {
  *out << c.Name;
}

// The size field of the last record before the end record, broken so that it runs past the end.
std::string BreakLastRecord(std::string bytes, size_t lastRecordSize) {
  bytes[bytes.size() - 20 - lastRecordSize + 4] = '\x7F';
  return bytes;
}

std::vector<TTextCase> TextCases() {
  return {
      {"WideStringsInDrawingOrder",
       [] {
         TEmfBuilder b;
         EmfTextW(b, u"Первая строка");
         EmfTextW(b, u"second");
         return b.Finish();
       },
       {u"Первая строка", u"second"}},
      {"AnsiTextInACyrillicFont",
       [] {
         TEmfBuilder b;
         SelectFont(b, 1, kRussian, u"Arial");
         EmfTextA(b, "\xCF\xF0\xE8\xE2\xE5\xF2");
         return b.Finish();
       },
       {u"Привет"}},
      {"SymbolFontMapsItsBytesAndPrivateUse",
       [] {
         TEmfBuilder b;
         SelectFont(b, 1, kSymbol, u"Symbol");
         EmfTextA(b, "abg");
         EmfTextW(b, u"\uF070\uF0B3");
         return b.Finish();
       },
       {u"αβγ", u"π≥"}},
      {"RestoreDCBringsBackTheEarlierFont",
       [] {
         TEmfBuilder b;
         b.Record(emr::SaveDC, {});
         SelectFont(b, 1, kRussian, u"Arial");
         EmfTextA(b, "\xC0");
         b.Record(emr::RestoreDC, {-1});
         EmfTextA(b, "\xC0");
         return b.Finish();
       },
       {u"А", u"À"}},
      // A stock font named as a region's brush is not a brush: the font in effect stays.
      {"StockFontNamedAsABrushLeavesTheFont",
       [] {
         TEmfBuilder b;
         SelectFont(b, 1, kRussian, u"Arial");
         b.Record(emr::FillRgn, {0, 0, 0, 0, 0, static_cast<int32_t>(0x8000000Au)});
         EmfTextA(b, "\xC0");
         return b.Finish();
       },
       {u"А"}},
      {"PolyTextGivesEachOfItsStrings",
       [] {
         TEmfBuilder b;
         PolyText(b, false, {u"one", u"two"});
         PolyText(b, true, {u"три"});
         return b.Finish();
       },
       {u"one", u"two", u"три"}},
      {"SmallTextOut",
       [] {
         TEmfBuilder b;
         std::string p;
         // Reference, count, options (no rectangle, 8-bit characters), mode and scales.
         for (uint32_t v : {10u, 50u, 5u, 0x300u, 1u, 0u, 0u}) PutU32(p, v);
         b.RecordBytes(emr::SmallTextOut, p + "small");
         return b.Finish();
       },
       {u"small"}},
      {"BlankStringsAreLeftOut",
       [] {
         TEmfBuilder b;
         EmfTextW(b, u"first");
         EmfTextW(b, u"");
         EmfTextW(b, u"   ");
         EmfTextW(b, u"\u00A0\t");
         EmfTextW(b, u" last ");
         return b.Finish();
       },
       {u"first", u" last "}},
      {"GlyphIndicesAreNotText",
       [] {
         TEmfBuilder b;
         EmfTextW(b, u"\x0024\x0025", gdi::ETO_GLYPH_INDEX);
         EmfTextW(b, u"after");
         return b.Finish();
       },
       {u"after"}},
      {"WalkStoppedByDamageKeepsTheTextBefore",
       [] {
         TEmfBuilder b;
         EmfTextW(b, u"kept");
         EmfTextW(b, u"lost");  // 76 bytes of fields + 8 of string
         return BreakLastRecord(b.Finish(), 84);
       },
       {u"kept"}},
      {"UnsoundTextRecordIsSkipped",
       [] {
         TEmfBuilder b;
         EmfTextW(b, u"kept");
         EmfExtText(b, emr::ExtTextOutW, "", 1000);  // claims 1000 characters it does not hold
         EmfTextW(b, u"too");
         return b.Finish();
       },
       {u"kept", u"too"}},
      {"WmfTextOutAndExtTextOut",
       [] {
         TWmfBuilder b(1000, 1000);
         WmfTextOut(b, "plain");
         WmfExtTextOut(b, "extended");
         return b.Finish();
       },
       {u"plain", u"extended"}},
      // Each WMF object takes the lowest free slot: the pen before the font decides its number.
      {"WmfFontAfterAPenKeepsItsSlot",
       [] {
         TWmfBuilder b(1000, 1000);
         b.Record(meta::CreatePenIndirect, {0, 1, 0, 0, 0});
         WmfFont(b, kRussian, "Arial");
         b.Record(meta::SelectObject, {1});
         WmfTextOut(b, "\xCC\xE8\xF0");
         return b.Finish();
       },
       {u"Мир"}},
      {"WmfDrawsTheEnhancedOriginalItCarries",
       [] {
         TEmfBuilder inner;
         SelectFont(inner, 1, kRussian, u"Arial");
         EmfTextA(inner, "\xC2\xED\xF3\xF2\xF0\xE8");
         TWmfBuilder b(1000, 1000);
         WmfEmbed(b, inner.Finish());
         WmfTextOut(b, "outer copy");
         return b.Finish();
       },
       {u"Внутри"}},
  };
}

class MetafileTextTest : public testing::TestWithParam<TTextCase> {};

TEST_P(MetafileTextTest, GivesTheStringsThePageDraws) {
  TMetafile m;
  ASSERT_TRUE(m.LoadFromBytes(GetParam().Build())) << m.Error();
  QStringList expected;
  for (const std::u16string& s : GetParam().Expected) expected << QString::fromStdU16String(s);
  const QStringList texts = MetafileTexts(m);
  EXPECT_EQ(Lines(texts), Lines(expected));
  // The walk that only gathers text passes over records: it must still meet every string that
  // drawing the page draws, decoded the same way.
  EXPECT_EQ(Lines(texts), Lines(DrawnTexts(m, 100, 100)));
}

INSTANTIATE_TEST_SUITE_P(Texts, MetafileTextTest, testing::ValuesIn(TextCases()),
                         CaseName<TTextCase>);

TEST(MetafileTexts, EmptyMetafileHasNoText) {
  EXPECT_TRUE(MetafileTexts(TMetafile()).isEmpty());
  TMetafile page;
  ASSERT_TRUE(page.LoadFromBytes(TEmfBuilder().Finish()));
  EXPECT_TRUE(MetafileTexts(page).isEmpty());
}

// A question page as the recorder writes it gives back the strings painted on it.
TEST(MetafileTexts, RecordedPageGivesBackItsStrings) {
  TEmfPaintDevice device(QSize(400, 200));
  {
    QPainter p(&device);
    p.setFont(QFont(QStringLiteral("Arial"), 14));
    p.drawText(QPointF(10, 40), QStringLiteral("Какова единица измерения скорости?"));
    p.drawText(QPointF(10, 80), QStringLiteral("Метр в секунду"));
  }
  TMetafile m;
  ASSERT_TRUE(m.LoadFromBytes(device.Finish())) << m.Error();
  EXPECT_EQ(Lines(MetafileTexts(m)), "Какова единица измерения скорости?\nМетр в секунду");
}

// Every corpus file gives its text without a crash, and the same strings that drawing it draws.
TEST(MetafileTexts, CorpusTextMatchesWhatDrawingDraws) {
  const auto files = CorpusMetafiles();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << EXAM_CORPUS_DIR;
  int withText = 0;
  for (const auto& [path, m] : files) {
    const QStringList texts = MetafileTexts(m);
    EXPECT_EQ(Lines(texts), Lines(DrawnTexts(m, 400, 300))) << path;
    if (!texts.isEmpty()) ++withText;
  }
  EXPECT_GE(withText, 60);
}

// A page drawn into a w x h image: the strings its text records draw, and the pixels.
struct TDrawnPage {
  QStringList Texts;
  QImage Image;
};

TDrawnPage DrawPage(const std::string& bytes, int w, int h) {
  TMetafile m;
  if (!m.LoadFromBytes(bytes)) return {};
  TDrawnPage page{{}, QImage(w, h, QImage::Format_RGB32)};
  page.Image.fill(Qt::white);
  QPainter p(&page.Image);
  PlayMetafile(p, m, QRectF(0, 0, w, h), TPlayText{&page.Texts, false});
  return page;
}

// The same bytes drawn in each symbol face, from an EMF and from a placeable WMF laid out alike
// (a 20-pixel font at 10, 50): each face draws its own characters, and the two kinds of file
// draw the same ones. A WMF font's name was once read in its own symbol charset, so that
// every symbol face fell back on the Symbol font's table and a table of dingbats came out Greek.
TEST(SymbolFaces, EachFaceDrawsItsOwnGlyphsAlikeInEmfAndWmf) {
  const std::string bytes = "\x21\x4A\x6C\x75\xA8\xFC";
  const char* const faces[] = {"Symbol", "Wingdings", "Wingdings 2", "Wingdings 3"};
  std::vector<TDrawnPage> pages;
  for (const char* face : faces) {
    TEmfBuilder emf(199, 99);  // the frame spans one pixel more than its size: 200 x 100
    SelectFont(emf, 1, kSymbol, QString::fromLatin1(face).toStdU16String());
    EmfTextA(emf, bytes);
    TWmfBuilder wmf(2000, 1000);
    WmfFont(wmf, kSymbol, face);
    wmf.Record(meta::SelectObject, {0});
    WmfTextOut(wmf, bytes);
    const TDrawnPage fromEmf = DrawPage(emf.Finish(), 200, 100);
    const TDrawnPage fromWmf = DrawPage(wmf.Finish(), 200, 100);
    ASSERT_EQ(fromEmf.Texts.size(), 1) << face;
    EXPECT_EQ(Lines(fromWmf.Texts), Lines(fromEmf.Texts)) << face;
    EXPECT_TRUE(fromWmf.Image == fromEmf.Image) << face << ": the WMF draws other glyphs";
    for (size_t other = 0; other < pages.size(); ++other) {
      EXPECT_NE(Lines(pages[other].Texts), Lines(fromEmf.Texts)) << face << " / " << faces[other];
      EXPECT_FALSE(pages[other].Image == fromEmf.Image) << face << " / " << faces[other];
    }
    pages.push_back(fromEmf);
  }
}

// Text given as glyph indices cannot be drawn; each such record is counted, by the walk that
// draws and by the walk that only reads text.
TEST(UndrawableText, GlyphIndexRecordsAreCounted) {
  const struct {
    const char* name;
    std::function<std::string()> build;
    int undrawn;
  } cases[] = {
      {"plain text",
       [] {
         TEmfBuilder b;
         EmfTextW(b, u"text");
         return b.Finish();
       },
       0},
      {"EXTTEXTOUTW and A by glyph index",
       [] {
         TEmfBuilder b;
         EmfTextW(b, u"\x0024\x0025", gdi::ETO_GLYPH_INDEX);
         EmfTextA(b, "\x24", gdi::ETO_GLYPH_INDEX);
         EmfTextW(b, u"drawn");
         return b.Finish();
       },
       2},
      {"SMALLTEXTOUT by glyph index",
       [] {
         TEmfBuilder b;
         std::string p;
         for (uint32_t v : {10u, 50u, 2u, 0x110u, 1u, 0u, 0u}) PutU32(p, v);
         b.RecordBytes(emr::SmallTextOut, p + std::string("\x24\x00\x25\x00", 4));
         return b.Finish();
       },
       1},
      {"WMF EXTTEXTOUT by glyph index",
       [] {
         TWmfBuilder b(1000, 1000);
         std::string p;
         for (uint16_t v : {uint16_t{500}, uint16_t{100}, uint16_t{2}, uint16_t{0x10}})
           PutU16(p, v);
         b.RecordBytes(meta::ExtTextOut, p + "\x24\x25");
         WmfTextOut(b, "drawn");
         return b.Finish();
       },
       1},
  };
  for (const auto& c : cases) {
    TMetafile m;
    ASSERT_TRUE(m.LoadFromBytes(c.build(), true)) << c.name;
    QStringList drawn;
    int undrawn = 0;
    QImage img(100, 100, QImage::Format_RGB32);
    QPainter p(&img);
    PlayMetafile(p, m, QRectF(0, 0, 100, 100), TPlayText{&drawn, false, &undrawn});
    EXPECT_EQ(undrawn, c.undrawn) << c.name;
    EXPECT_EQ(UndrawableTexts(m), c.undrawn) << c.name;
    for (const QString& s : drawn) EXPECT_TRUE(s == "text" || s == "drawn") << c.name;
  }
}

}  // namespace
