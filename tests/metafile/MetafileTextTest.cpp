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

std::string Utf16(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) PutU16(out, c);
  return out;
}

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

// EXTTEXTOUTA/W: bounds, graphics mode and scales, then the EMRTEXT (at 36) whose string sits at
// 76, without advances.
void ExtText(TEmfBuilder& b, uint32_t type, const std::string& chars, uint32_t n,
             uint32_t options = 0) {
  std::string p;
  for (uint32_t v : {0u, 0u, 0u, 0u, 1u, 0u, 0u, 10u, 50u, n, 76u, options, 0u, 0u, 0u, 0u, 0u})
    PutU32(p, v);
  b.RecordBytes(type, p + chars);
}
void TextA(TEmfBuilder& b, const std::string& bytes, uint32_t options = 0) {
  ExtText(b, emr::ExtTextOutA, bytes, static_cast<uint32_t>(bytes.size()), options);
}
void TextW(TEmfBuilder& b, const std::u16string& s, uint32_t options = 0) {
  ExtText(b, emr::ExtTextOutW, Utf16(s), static_cast<uint32_t>(s.size()), options);
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
         TextW(b, u"Первая строка");
         TextW(b, u"second");
         return b.Finish();
       },
       {u"Первая строка", u"second"}},
      {"AnsiTextInACyrillicFont",
       [] {
         TEmfBuilder b;
         SelectFont(b, 1, kRussian, u"Arial");
         TextA(b, "\xCF\xF0\xE8\xE2\xE5\xF2");
         return b.Finish();
       },
       {u"Привет"}},
      {"SymbolFontMapsItsBytesAndPrivateUse",
       [] {
         TEmfBuilder b;
         SelectFont(b, 1, kSymbol, u"Symbol");
         TextA(b, "abg");
         TextW(b, u"\uF070\uF0B3");
         return b.Finish();
       },
       {u"αβγ", u"π≥"}},
      {"RestoreDCBringsBackTheEarlierFont",
       [] {
         TEmfBuilder b;
         b.Record(emr::SaveDC, {});
         SelectFont(b, 1, kRussian, u"Arial");
         TextA(b, "\xC0");
         b.Record(emr::RestoreDC, {-1});
         TextA(b, "\xC0");
         return b.Finish();
       },
       {u"А", u"À"}},
      // A stock font named as a region's brush is not a brush: the font in effect stays.
      {"StockFontNamedAsABrushLeavesTheFont",
       [] {
         TEmfBuilder b;
         SelectFont(b, 1, kRussian, u"Arial");
         b.Record(emr::FillRgn, {0, 0, 0, 0, 0, static_cast<int32_t>(0x8000000Au)});
         TextA(b, "\xC0");
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
         TextW(b, u"first");
         TextW(b, u"");
         TextW(b, u"   ");
         TextW(b, u"\u00A0\t");
         TextW(b, u" last ");
         return b.Finish();
       },
       {u"first", u" last "}},
      {"GlyphIndicesAreNotText",
       [] {
         TEmfBuilder b;
         TextW(b, u"\x0024\x0025", gdi::ETO_GLYPH_INDEX);
         TextW(b, u"after");
         return b.Finish();
       },
       {u"after"}},
      {"WalkStoppedByDamageKeepsTheTextBefore",
       [] {
         TEmfBuilder b;
         TextW(b, u"kept");
         TextW(b, u"lost");  // 76 bytes of fields + 8 of string
         return BreakLastRecord(b.Finish(), 84);
       },
       {u"kept"}},
      {"UnsoundTextRecordIsSkipped",
       [] {
         TEmfBuilder b;
         TextW(b, u"kept");
         ExtText(b, emr::ExtTextOutW, "", 1000);  // claims 1000 characters it does not hold
         TextW(b, u"too");
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
         TextA(inner, "\xC2\xED\xF3\xF2\xF0\xE8");
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

}  // namespace
