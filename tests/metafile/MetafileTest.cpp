// Tests of TMetafile and the record index: recognising, checking and walking metafile bytes.
#include <gtest/gtest.h>

#include "Metafile.h"
#include "MetafileBuilder.h"
#include "RecordTypes.h"

namespace {

template <class T>
std::string CaseName(const testing::TestParamInfo<T>& c) {
  return c.param.Name;
}

std::string PatchU32(std::string s, size_t off, uint32_t v) {
  std::string w;
  PutU32(w, v);
  s.replace(off, 4, w);
  return s;
}

struct THeaderCase {
  const char* Name;
  std::string Bytes;
  bool AllowPlain;
  TMetafileKind Kind;
};

std::string PlainWmf() {
  // The placeable builder's output without its 22-byte header, plus a window extent.
  TWmfBuilder b(1440, 720);
  b.Record(meta::SetWindowExt, {720, 1440});
  return b.Finish().substr(22);
}

std::vector<THeaderCase> HeaderCases() {
  const std::string emf = TEmfBuilder(200, 100).Finish();
  const std::string wmf = TWmfBuilder(1440, 720).Finish();
  return {
      {"Enhanced", emf, false, TMetafileKind::mkEnhanced},
      {"EnhancedBadSignature", PatchU32(emf, 40, 0x12345678), false, TMetafileKind::mkNone},
      {"EnhancedHeaderPastEnd", PatchU32(emf, 4, 4000), false, TMetafileKind::mkNone},
      {"EnhancedEmptyFrame", PatchU32(emf, 32, 0), false, TMetafileKind::mkNone},
      {"EnhancedTruncated", emf.substr(0, 60), false, TMetafileKind::mkNone},
      {"Placeable", wmf, false, TMetafileKind::mkPlaceable},
      {"PlaceableNoUnitsPerInch", wmf.substr(0, 14) + std::string(2, '\0') + wmf.substr(16), false,
       TMetafileKind::mkNone},
      {"PlaceableCutInHeader", wmf.substr(0, 30), false, TMetafileKind::mkNone},
      {"PlainRefused", PlainWmf(), false, TMetafileKind::mkNone},
      {"PlainAllowed", PlainWmf(), true, TMetafileKind::mkPlain},
      {"Empty", std::string(), true, TMetafileKind::mkNone},
      {"Garbage", std::string(200, '\x55'), true, TMetafileKind::mkNone},
  };
}

class HeaderTest : public testing::TestWithParam<THeaderCase> {};

TEST_P(HeaderTest, RecognisesOrRefuses) {
  TMetafile m;
  const bool ok = m.LoadFromBytes(GetParam().Bytes, GetParam().AllowPlain);
  EXPECT_EQ(m.Kind(), GetParam().Kind);
  EXPECT_EQ(ok, GetParam().Kind != TMetafileKind::mkNone);
  EXPECT_EQ(m.Error().empty(), ok);
  if (!ok) {
    EXPECT_TRUE(m.Bytes().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Metafile, HeaderTest, testing::ValuesIn(HeaderCases()),
                         CaseName<THeaderCase>);

TEST(Metafile, SizesOfAnEnhancedMetafile) {
  TMetafile m;
  ASSERT_TRUE(m.LoadFromBytes(TEmfBuilder(200, 100).Finish()));
  EXPECT_EQ(m.MMWidth(), 20000);  // 200 mm in 0.01 mm
  EXPECT_EQ(m.MMHeight(), 10000);
  EXPECT_EQ(m.Width(), 756);  // 200 mm at 96 dpi
  EXPECT_EQ(m.Height(), 378);
  m.SetMMWidth(2540);
  EXPECT_EQ(m.Width(), 96);
}

TEST(Metafile, SizesOfAPlaceableMetafile) {
  TMetafile m;
  ASSERT_TRUE(m.LoadFromBytes(TWmfBuilder(1440, 720).Finish()));  // 1 x 0.5 inch
  EXPECT_EQ(m.MMWidth(), 2540);
  EXPECT_EQ(m.MMHeight(), 1270);
  EXPECT_EQ(m.Width(), 96);
  EXPECT_EQ(m.Height(), 48);
  EXPECT_EQ(m.Frame().Right, 1440);
}

TEST(Metafile, CopiesShareTheRecordIndex) {
  TEmfBuilder b;
  b.Record(emr::Rectangle, {1, 2, 3, 4});
  TMetafile m;
  ASSERT_TRUE(m.LoadFromBytes(b.Finish()));
  const TMetafile copy = m;
  EXPECT_EQ(&copy.Records(), &m.Records());
  ASSERT_EQ(m.Records().Items.size(), 3u);  // header, rectangle, end
  EXPECT_EQ(m.Records().Items[1].Type, emr::Rectangle);
  EXPECT_TRUE(m.Records().Damage.empty());
}

TEST(MetafileRecords, WalkStopsAtABadSizeAndKeepsWhatPrecedes) {
  TEmfBuilder b;
  b.Record(emr::Rectangle, {1, 2, 3, 4});
  b.Record(emr::Ellipse, {1, 2, 3, 4});
  std::string bytes = b.Finish();
  bytes = PatchU32(bytes, 88 + 24 + 4, 0x7FFFFFF0);  // the ellipse claims 2 GB
  TMetafile m;
  ASSERT_TRUE(m.LoadFromBytes(bytes));
  ASSERT_EQ(m.Records().Items.size(), 2u);
  EXPECT_NE(m.Records().Damage.find("bad size"), std::string::npos);
}

TEST(MetafileRecords, WmfWalkStopsAtACutRecord) {
  TWmfBuilder b(100, 100);
  b.Record(meta::Rectangle, {10, 10, 0, 0});
  b.Record(meta::Ellipse, {10, 10, 0, 0});
  const std::string bytes = b.Finish();
  TMetafile m;
  ASSERT_TRUE(m.LoadFromBytes(bytes.substr(0, bytes.size() - 10)));
  ASSERT_EQ(m.Records().Items.size(), 1u);
  EXPECT_FALSE(m.Records().Damage.empty());
}

std::string Words(std::initializer_list<uint32_t> words) {
  std::string s;
  for (uint32_t w : words) PutU32(s, w);
  return s;
}

struct TRecordCase {
  const char* Name;
  uint32_t Type;
  std::string Record;  // whole record, type and size included
  bool Sound;
};

std::vector<TRecordCase> RecordCases() {
  return {
      {"PolylineFits", emr::Polyline, Words({4, 44, 0, 0, 0, 0, 2, 1, 2, 3, 4}), true},
      {"PolylineCountTooBig", emr::Polyline, Words({4, 44, 0, 0, 0, 0, 3, 1, 2, 3, 4}), false},
      {"PolylineHugeCount", emr::Polyline, Words({4, 28, 0, 0, 0, 0, 0x40000000}), false},
      {"Polyline16Fits", emr::Polyline16, Words({87, 36, 0, 0, 0, 0, 2, 1, 2}), true},
      {"PolyPolygonCountsExceedPoints", emr::PolyPolygon,
       Words({8, 52, 0, 0, 0, 0, 1, 2, 3, 1, 2, 3, 4}), false},
      {"PolyPolygonFits", emr::PolyPolygon, Words({8, 52, 0, 0, 0, 0, 1, 2, 2, 1, 2, 3, 4}), true},
      {"TextStringPastEnd", emr::ExtTextOutW,
       Words({84, 76, 0, 0, 0, 0, 1, 0, 0, 0, 0, 5, 70, 0, 0, 0, 0, 0, 0}), false},
      {"TextDxPastEnd", emr::ExtTextOutW,
       Words({84, 80, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 76, 0, 0, 0, 0, 0, 80, 0x41}), false},
      {"TextFits", emr::ExtTextOutW,
       Words({84, 84, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 76, 0, 0, 0, 0, 0, 80, 0x41, 7}), true},
      // POLYTEXTOUT: bounds, mode, scales, the count, then one EMRTEXT of 40 bytes per string.
      {"PolyTextFits", emr::PolyTextOutW,
       Words({97, 84, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 80, 0, 0, 0, 0, 0, 0, 0x41}), true},
      {"PolyTextCountPastEnd", emr::PolyTextOutW,
       Words({97, 84, 0, 0, 0, 0, 1, 0, 0, 2, 0, 0, 1, 80, 0, 0, 0, 0, 0, 0, 0x41}), false},
      {"PolyTextSecondStringPastEnd", emr::PolyTextOutA,
       Words({96, 124, 0, 0, 0, 0, 1, 0,   0, 2, 0, 0, 1, 120, 0,   0,
              0,  0,   0, 0, 0, 0, 9, 120, 0, 0, 0, 0, 0, 0,   0x41}),
       false},
      {"BitmapOffsetPastEnd", emr::StretchDIBits,
       Words({81, 80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 76, 40, 0, 0, 0, 0xCC0020, 1, 1}), false},
      {"ShortFixedRecord", emr::SetWorldTransform, Words({35, 16, 0, 0}), false},
      {"RegionCountPastEnd", emr::ExtSelectClipRgn,
       Words({75, 48, 32, 5, 32, 1, 3, 48, 0, 0, 0, 0}), false},
  };
}

class RecordCheckTest : public testing::TestWithParam<TRecordCase> {};

TEST_P(RecordCheckTest, ChecksCountsAndOffsets) {
  const std::string& r = GetParam().Record;
  const TByteView view{reinterpret_cast<const uint8_t*>(r.data()), r.size()};
  EXPECT_EQ(CheckEmfRecord(GetParam().Type, view), GetParam().Sound);
}

INSTANTIATE_TEST_SUITE_P(MetafileRecords, RecordCheckTest, testing::ValuesIn(RecordCases()),
                         CaseName<TRecordCase>);

TEST(MetafileRecords, EmbeddedEnhancedMetafileIsJoinedFromItsChunks) {
  const std::string emf = TEmfBuilder(50, 50).Finish();
  const size_t half = emf.size() / 2;
  TWmfBuilder b(100, 100);
  std::string wmf = b.Finish();
  auto escape = [&](const std::string& chunk) {
    std::string rec;
    std::string params;
    PutU16(params, 15);
    PutU16(params, static_cast<uint16_t>(34 + chunk.size()));
    for (uint32_t v : {0x43464D57u, 1u, 0x10000u}) PutU32(params, v);
    PutU16(params, 0);
    for (uint32_t v :
         {0u, 2u, static_cast<uint32_t>(chunk.size()), 0u, static_cast<uint32_t>(emf.size())})
      PutU32(params, v);
    params += chunk;
    if (params.size() % 2) params.push_back('\0');
    PutU32(rec, static_cast<uint32_t>(3 + params.size() / 2));
    PutU16(rec, meta::Escape);
    return rec + params;
  };
  // Insert the two escapes in front of the end record.
  wmf.insert(wmf.size() - 6, escape(emf.substr(0, half)) + escape(emf.substr(half)));
  TMetafile m;
  ASSERT_TRUE(m.LoadFromBytes(wmf));
  EXPECT_EQ(EmbeddedEnhancedMetafile(m.View(), m.Records()), emf);
  // A missing chunk gives nothing.
  std::string cut = TWmfBuilder(100, 100).Finish();
  cut.insert(cut.size() - 6, escape(emf.substr(0, half)));
  ASSERT_TRUE(m.LoadFromBytes(cut));
  EXPECT_EQ(EmbeddedEnhancedMetafile(m.View(), m.Records()), "");
}

}  // namespace
