// Text and fonts of metafile text records: code pages, symbol fonts, LOGFONT to QFont.
#include "GdiText.h"

#include <QFontMetricsF>
#include <QHash>
#include <QMutex>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>

#include "Cp1251.h"

namespace {

enum : uint8_t { kDefaultCharset = 1, kSymbolCharset = 2, kRussianCharset = 204 };

struct TCodePage {
  uint8_t CharSet;
  const char* Name;  // as the ICU converters behind QStringDecoder know it
};

// Charsets whose code page is one byte per character; unknown charsets read as ANSI (first row).
constexpr TCodePage kSingleBytePages[] = {
    {0, "windows-1252"},   {77, "macintosh"},     {161, "windows-1253"}, {162, "windows-1254"},
    {163, "windows-1258"}, {177, "windows-1255"}, {178, "windows-1256"}, {186, "windows-1257"},
    {222, "windows-874"},  {238, "windows-1250"}, {255, "IBM437"},
};
constexpr TCodePage kMultiBytePages[] = {
    {128, "windows-31j"},
    {129, "windows-949"},
    {134, "windows-936"},
    {136, "windows-950"},
};

using TByteTable = std::array<char16_t, 256>;

TByteTable BuildByteTable(const char* name) {
  TByteTable table;
  QStringDecoder decoder(name);
  for (int b = 0; b < 256; ++b) {
    table[b] = static_cast<char16_t>(b);  // Latin-1 when the codec is missing
    if (!decoder.isValid()) continue;
    const char c = static_cast<char>(b);
    const QString s = decoder.decode(QByteArrayView(&c, 1));
    decoder.resetState();
    table[b] = s.size() == 1 ? s[0].unicode() : u'\uFFFD';
  }
  return table;
}

// Decoding byte by byte through a table keeps ICU out of the drawing loop.
const TByteTable& SingleByteTable(uint8_t charSet) {
  static const auto tables = [] {
    std::array<TByteTable, std::size(kSingleBytePages)> t;
    for (size_t i = 0; i < t.size(); ++i) t[i] = BuildByteTable(kSingleBytePages[i].Name);
    return t;
  }();
  for (size_t i = 0; i < std::size(kSingleBytePages); ++i) {
    if (kSingleBytePages[i].CharSet == charSet) return tables[i];
  }
  return tables[0];
}

// The Symbol font's encoding from 0x20 to 0xFF; 0 marks a byte without a character. 0x60 and
// 0xBD/0xBE are the radical and arrow extenders; 0xD2..0xD4 and 0xE2..0xE4 the serif and sans
// forms of (R), (C) and TM; 0xE6..0xEF and 0xF3..0xFE the pieces of tall brackets and integrals.
// clang-format off
constexpr char16_t kSymbolToUnicode[224] = {
    /* 20 */ 0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    /* 28 */ 0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    /* 30 */ 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    /* 38 */ 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    /* 40 */ 0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    /* 48 */ 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    /* 50 */ 0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    /* 58 */ 0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    /* 60 */ 0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    /* 68 */ 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    /* 70 */ 0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    /* 78 */ 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0,
    /* 80 */ 0, 0, 0, 0, 0, 0, 0, 0,
    /* 88 */ 0, 0, 0, 0, 0, 0, 0, 0,
    /* 90 */ 0, 0, 0, 0, 0, 0, 0, 0,
    /* 98 */ 0, 0, 0, 0, 0, 0, 0, 0,
    /* A0 */ 0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    /* A8 */ 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    /* B0 */ 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    /* B8 */ 0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    /* C0 */ 0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    /* C8 */ 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    /* D0 */ 0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    /* D8 */ 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    /* E0 */ 0x25CA, 0x27E8, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    /* E8 */ 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    /* F0 */ 0, 0x27E9, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    /* F8 */ 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0,
};

// Wingdings from 0x20 to 0xFF where Unicode has a fitting character; 0 leaves the byte alone
// (ornaments at 0x96..0x9D and 0xCB..0xD4, diagonal arrows at 0xF5..0xF8, a logo at 0xFF).
// 0xB7..0xC2 are clock faces; 0xD8, the usual list bullet, is a right arrowhead.
constexpr char32_t kWingdingsToUnicode[224] = {
    /* 20 */ 0x0020, 0x270F, 0x2702, 0x2701, 0x1F453, 0x1F514, 0x1F4D6, 0x1F56F,
    /* 28 */ 0x260E, 0x2706, 0x2709, 0x1F583, 0x1F4EA, 0x1F4EB, 0x1F4EC, 0x1F4ED,
    /* 30 */ 0x1F4C1, 0x1F4C2, 0x1F4C4, 0x1F5CF, 0x1F5D0, 0x1F5C4, 0x231B, 0x1F5AE,
    /* 38 */ 0x1F5B0, 0x1F5B2, 0x1F5B3, 0x1F5B4, 0x1F5AB, 0x1F5AC, 0x2707, 0x270D,
    /* 40 */ 0x1F58E, 0x270C, 0x1F44C, 0x1F44D, 0x1F44E, 0x261C, 0x261E, 0x261D,
    /* 48 */ 0x261F, 0x1F590, 0x263A, 0x1F610, 0x2639, 0x1F4A3, 0x2620, 0x1F3F3,
    /* 50 */ 0x1F3F1, 0x2708, 0x263C, 0x1F4A7, 0x2744, 0x1F546, 0x271E, 0x1F548,
    /* 58 */ 0x2720, 0x2721, 0x262A, 0x262F, 0x0950, 0x2638, 0x2648, 0x2649,
    /* 60 */ 0x264A, 0x264B, 0x264C, 0x264D, 0x264E, 0x264F, 0x2650, 0x2651,
    /* 68 */ 0x2652, 0x2653, 0x1F670, 0x1F675, 0x25CF, 0x1F53E, 0x25A0, 0x25A1,
    /* 70 */ 0x1F790, 0x2751, 0x2752, 0x2B27, 0x29EB, 0x25C6, 0x2756, 0x2B25,
    /* 78 */ 0x2327, 0x2BB9, 0x2318, 0x1F3F5, 0x1F3F6, 0x1F676, 0x1F677, 0,
    /* 80 */ 0x24EA, 0x2460, 0x2461, 0x2462, 0x2463, 0x2464, 0x2465, 0x2466,
    /* 88 */ 0x2467, 0x2468, 0x2469, 0x24FF, 0x2776, 0x2777, 0x2778, 0x2779,
    /* 90 */ 0x277A, 0x277B, 0x277C, 0x277D, 0x277E, 0x277F, 0, 0,
    /* 98 */ 0, 0, 0, 0, 0, 0, 0x00B7, 0x2022,
    /* A0 */ 0x25AA, 0x26AA, 0x1F786, 0x1F788, 0x25C9, 0x25CE, 0x1F53F, 0x25AA,
    /* A8 */ 0x25FB, 0x1F7C2, 0x2726, 0x2605, 0x2736, 0x2734, 0x2739, 0x2735,
    /* B0 */ 0x2BD0, 0x2316, 0x27E1, 0x2311, 0x2BD1, 0x272A, 0x2730, 0x1F550,
    /* B8 */ 0x1F551, 0x1F552, 0x1F553, 0x1F554, 0x1F555, 0x1F556, 0x1F557, 0x1F558,
    /* C0 */ 0x1F559, 0x1F55A, 0x1F55B, 0x2BB0, 0x2BB1, 0x2BB2, 0x2BB3, 0x2BB4,
    /* C8 */ 0x2BB5, 0x2BB6, 0x2BB7, 0, 0, 0, 0, 0,
    /* D0 */ 0, 0, 0, 0, 0, 0x232B, 0x2326, 0x2B98,
    /* D8 */ 0x27A2, 0x2B99, 0x2B9B, 0x2B88, 0x2B8A, 0x2B89, 0x2B8B, 0x1F868,
    /* E0 */ 0x1F86A, 0x1F869, 0x1F86B, 0x1F86C, 0x1F86D, 0x1F86F, 0x1F86E, 0x1F878,
    /* E8 */ 0x1F87A, 0x1F879, 0x1F87B, 0x1F87C, 0x1F87D, 0x1F87F, 0x1F87E, 0x21E6,
    /* F0 */ 0x21E8, 0x21E7, 0x21E9, 0x2B04, 0x21F3, 0, 0, 0,
    /* F8 */ 0, 0x25AD, 0x25AB, 0x2717, 0x2713, 0x2612, 0x2611, 0,
};
// clang-format on

// Wingdings 2, sparse: the check marks, ballot boxes, circled numbers and shapes that documents
// use as bullets and answer boxes.
constexpr std::pair<uint8_t, char16_t> kWingdings2ToUnicode[] = {
    {0x24, 0x270E}, {0x25, 0x2702}, {0x26, 0x2701}, {0x3E, 0x261C}, {0x3F, 0x261E}, {0x42, 0x261C},
    {0x43, 0x261E}, {0x46, 0x261D}, {0x47, 0x261F}, {0x4F, 0x2717}, {0x50, 0x2713}, {0x51, 0x2612},
    {0x52, 0x2611}, {0x53, 0x2612}, {0x54, 0x2612}, {0x69, 0x24EA}, {0x6A, 0x2460}, {0x6B, 0x2461},
    {0x6C, 0x2462}, {0x6D, 0x2463}, {0x6E, 0x2464}, {0x6F, 0x2465}, {0x70, 0x2466}, {0x71, 0x2467},
    {0x72, 0x2468}, {0x73, 0x2469}, {0x74, 0x24FF}, {0x75, 0x2776}, {0x76, 0x2777}, {0x77, 0x2778},
    {0x78, 0x2779}, {0x79, 0x277A}, {0x7A, 0x277B}, {0x7B, 0x277C}, {0x7C, 0x277D}, {0x7D, 0x277E},
    {0x7E, 0x277F}, {0x85, 0x2020}, {0x86, 0x271D}, {0x97, 0x25CF}, {0x98, 0x2B24}, {0x99, 0x25CB},
    {0x9A, 0x25CB}, {0x9C, 0x25C9}, {0xA0, 0x25AA}, {0xA1, 0x25A0}, {0xA2, 0x25A0}, {0xA3, 0x25A1},
    {0xBA, 0x25D6}, {0xBB, 0x25D7},
};

// Wingdings 3, sparse: the triangle-headed arrows of the first row (left, right, up and down, the
// diagonals, then the same to a bar) and the solid and outlined triangles that tables use to
// mark a rise or a fall. The other codes stay private-use.
constexpr std::pair<uint8_t, char16_t> kWingdings3ToUnicode[] = {
    {0x21, 0x2B60}, {0x22, 0x2B62}, {0x23, 0x2B61}, {0x24, 0x2B63}, {0x25, 0x2B66}, {0x26, 0x2B67},
    {0x27, 0x2B69}, {0x28, 0x2B68}, {0x29, 0x2B70}, {0x2A, 0x2B72}, {0x2B, 0x2B71}, {0x2C, 0x2B73},
    {0x2D, 0x2B76}, {0x2E, 0x2B78}, {0x70, 0x25B2}, {0x71, 0x25BC}, {0x72, 0x25B3}, {0x73, 0x25BD},
    {0x74, 0x25C0}, {0x75, 0x25B6}, {0x76, 0x25C1}, {0x77, 0x25B7}, {0x78, 0x25E3}, {0x79, 0x25E2},
    {0x7A, 0x25E4}, {0x7B, 0x25E5},
};

enum class TFaceKind { fkText, fkSymbol, fkWingdings, fkWingdings2, fkWingdings3, fkDingbats };

// The face name as fonts are matched: case-insensitive, without the vertical-writing '@'.
QString NormalFace(const QString& faceName) {
  QString face = faceName.trimmed().toLower();
  if (face.startsWith(u'@')) face.remove(0, 1);
  return face;
}

TFaceKind FaceKind(const QString& faceName) {
  const QString face = NormalFace(faceName);
  if (face == u"symbol" || face == u"euclid symbol") return TFaceKind::fkSymbol;
  if (face == u"wingdings") return TFaceKind::fkWingdings;
  if (face == u"wingdings 2") return TFaceKind::fkWingdings2;
  if (face == u"wingdings 3") return TFaceKind::fkWingdings3;
  static constexpr std::u16string_view kDingbats[] = {
      u"webdings",      u"marlett",    u"mt extra",           u"zapfdingbats",
      u"zapf dingbats", u"ms outlook", u"bookshelf symbol 7", u"ms reference specialty"};
  for (const std::u16string_view d : kDingbats) {
    if (QStringView(face) == QStringView(d.data(), static_cast<qsizetype>(d.size()))) {
      return TFaceKind::fkDingbats;
    }
  }
  return TFaceKind::fkText;
}

// The character of a symbol font's 8-bit code c (0x20..0xFF); the private-use form when the
// font's encoding has none.
char32_t SymbolFontChar(TFaceKind kind, uint8_t c) {
  char32_t u = 0;
  if (kind == TFaceKind::fkSymbol) u = kSymbolToUnicode[c - 0x20];
  if (kind == TFaceKind::fkWingdings) u = kWingdingsToUnicode[c - 0x20];
  const auto sparse = [&](const auto& table) {
    for (const auto& [code, unicode] : table) {
      if (code == c) u = unicode;
    }
  };
  if (kind == TFaceKind::fkWingdings2) sparse(kWingdings2ToUnicode);
  if (kind == TFaceKind::fkWingdings3) sparse(kWingdings3ToUnicode);
  return u != 0 ? u : 0xF000 + c;
}

void AppendChar(QString& s, char32_t u) {
  if (QChar::requiresSurrogates(u)) {
    s.append(QChar(QChar::highSurrogate(u)));
    s.append(QChar(QChar::lowSurrogate(u)));
  } else {
    s.append(QChar(static_cast<char16_t>(u)));
  }
}

}  // namespace

QString DecodeAnsiText(const uint8_t* bytes, size_t n, uint8_t charSet, const QString& faceName) {
  QString text;
  if (bytes == nullptr || n == 0) return text;
  TFaceKind kind = FaceKind(faceName);
  if (kind == TFaceKind::fkText && charSet == kSymbolCharset) kind = TFaceKind::fkSymbol;
  if (kind != TFaceKind::fkText) {
    text.reserve(static_cast<qsizetype>(n));
    for (size_t i = 0; i < n; ++i) {
      if (bytes[i] < 0x20) {
        text.append(QChar(bytes[i]));
      } else {
        AppendChar(text, SymbolFontChar(kind, bytes[i]));
      }
    }
    return text;
  }
  for (const TCodePage& page : kMultiBytePages) {
    if (page.CharSet != charSet) continue;
    QStringDecoder decoder(page.Name);
    if (decoder.isValid()) {
      return decoder.decode(QByteArrayView(bytes, static_cast<qsizetype>(n)));
    }
    return QString::fromLatin1(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(n));
  }
  text.resize(static_cast<qsizetype>(n));
  // The default charset means the system's code page: the pages are made on Cyrillic systems.
  if (charSet == kRussianCharset || charSet == kDefaultCharset) {
    for (size_t i = 0; i < n; ++i)
      text[i] = QChar(static_cast<char16_t>(Cp1251ToUnicode(bytes[i])));
    return text;
  }
  const TByteTable& table = SingleByteTable(charSet);
  for (size_t i = 0; i < n; ++i) text[i] = QChar(table[bytes[i]]);
  return text;
}

QString DecodeFaceName(const uint8_t* bytes, size_t n, uint8_t charSet) {
  if (bytes == nullptr) return {};
  const auto* end = static_cast<const uint8_t*>(std::memchr(bytes, 0, n));
  if (end != nullptr) n = static_cast<size_t>(end - bytes);
  if (charSet == kSymbolCharset) charSet = 0;
  return DecodeAnsiText(bytes, n, charSet, QString());
}

QString DecodeWideText(const char16_t* units, size_t n, const QString& faceName) {
  if (units == nullptr || n == 0) return {};
  QString text(reinterpret_cast<const QChar*>(units), static_cast<qsizetype>(n));
  const TFaceKind kind = FaceKind(faceName);
  if (kind == TFaceKind::fkText || kind == TFaceKind::fkDingbats) return text;
  QString mapped;
  mapped.reserve(text.size());
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
    const bool eightBit = u >= 0x20 && u <= 0xFF;
    const bool privateUse = u >= 0xF020 && u <= 0xF0FF;
    if (eightBit || privateUse) {
      AppendChar(mapped, SymbolFontChar(kind, static_cast<uint8_t>(u & 0xFF)));
    } else {
      mapped.append(ch);
    }
  }
  return mapped;
}

namespace {

struct TFaceSubstitute {
  std::u16string_view Face;  // normalised Windows face name
  std::array<const char*, 2> Families;
};

// Metric-compatible stand-ins first; where none exists, the family closest in width.
constexpr TFaceSubstitute kFaceSubstitutes[] = {
    {u"arial", {"Liberation Sans", nullptr}},
    {u"helvetica", {"Liberation Sans", nullptr}},
    {u"arial narrow", {"Liberation Sans Narrow", "Liberation Sans"}},
    {u"times new roman", {"Liberation Serif", nullptr}},
    {u"times", {"Liberation Serif", nullptr}},
    {u"ms serif", {"Liberation Serif", nullptr}},
    {u"courier new", {"Liberation Mono", nullptr}},
    {u"courier", {"Liberation Mono", nullptr}},
    {u"lucida console", {"Liberation Mono", nullptr}},
    {u"consolas", {"Liberation Mono", nullptr}},
    {u"ms sans serif", {"Liberation Sans", "DejaVu Sans"}},
    {u"microsoft sans serif", {"Liberation Sans", "DejaVu Sans"}},
    {u"ms shell dlg", {"Liberation Sans", "DejaVu Sans"}},
    {u"ms shell dlg 2", {"Liberation Sans", "DejaVu Sans"}},
    {u"system", {"Liberation Sans", "DejaVu Sans"}},
    {u"segoe ui", {"Liberation Sans", "DejaVu Sans"}},
    {u"arial unicode ms", {"Liberation Sans", "DejaVu Sans"}},
    {u"tahoma", {"DejaVu Sans", nullptr}},  // Vera's widths follow the screen faces of this kind
    {u"verdana", {"DejaVu Sans", nullptr}},
    {u"calibri", {"Carlito", "Liberation Sans"}},
    {u"cambria", {"Caladea", "Liberation Serif"}},
    {u"georgia", {"DejaVu Serif", nullptr}},
    // The text is Unicode Greek and math by now: Times-like first, DejaVu for what it lacks.
    {u"symbol", {"Liberation Serif", "DejaVu Serif"}},
    {u"euclid symbol", {"Liberation Serif", "DejaVu Serif"}},
    {u"wingdings", {"DejaVu Sans", nullptr}},
};

// Old Windows versions named the per-script variants of a face with these suffixes.
constexpr std::u16string_view kScriptSuffixes[] = {u" cyr", u" ce", u" greek", u" tur", u" baltic"};

enum : uint8_t { kFixedPitch = 0x01, kFamilyMask = 0xF0 };
enum : uint8_t {
  kFfRoman = 0x10,
  kFfSwiss = 0x20,
  kFfModern = 0x30,
  kFfScript = 0x40,
  kFfDecorative = 0x50
};

constexpr double kDefaultCellHeight = 16;  // what GDI picks for a height of zero
constexpr double kMaxEmPixels = 16384;     // beyond any page; keeps hostile sizes finite
constexpr double kMetricsPixelSize = 1000;

QFont::StyleHint StyleHintOf(uint8_t pitchAndFamily) {
  if (pitchAndFamily & kFixedPitch) return QFont::TypeWriter;
  switch (pitchAndFamily & kFamilyMask) {
    case kFfRoman:
      return QFont::Serif;
    case kFfSwiss:
      return QFont::SansSerif;
    case kFfModern:
      return QFont::TypeWriter;
    case kFfScript:
      return QFont::Cursive;
    case kFfDecorative:
      return QFont::Decorative;
    default:
      return QFont::AnyStyle;
  }
}

// The weight of lfWeight (0 = don't care) on Qt's scale, which uses the same hundreds.
QFont::Weight WeightOf(int32_t weight) {
  if (weight <= 0) return QFont::Normal;
  const int hundreds = std::clamp((weight + 50) / 100, 1, 9);
  return static_cast<QFont::Weight>(hundreds * 100);
}

// The font of a LOGFONT before its size: families, style, and the rendering GDI text expects
// (no kerning, unhinted advances so that positions scale with the zoom).
QFont BaseFont(const TLogFont& lf) {
  QFont font;
  const QStringList families = SubstituteFamilies(lf.FaceName, lf.PitchAndFamily);
  font.setFamily(families.front());
  font.setFamilies(families);
  font.setStyleHint(StyleHintOf(lf.PitchAndFamily));
  font.setWeight(WeightOf(lf.Weight));
  font.setItalic(lf.Italic != 0);
  font.setUnderline(lf.Underline != 0);
  font.setStrikeOut(lf.StrikeOut != 0);
  font.setKerning(false);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

struct TFaceMetrics {
  double CellPerEm = 1;       // (ascent + descent) / em: how GDI's cell height relates to the em
  double AverageWidth = 0.5;  // average character width per em, as GDI's tmAveCharWidth
};

// The classic average width: lowercase letters and space weighted by their frequency in English
// text. Windows' core fonts carry this value, so their stand-ins reproduce it from advances.
double WeightedAverageWidth(const QFontMetricsF& m) {
  static constexpr int kWeights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                       56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
  double sum = 0;
  for (int i = 0; i < 26; ++i) sum += kWeights[i] * m.horizontalAdvance(QChar(u'a' + i));
  sum += kWeights[26] * m.horizontalAdvance(QChar(u' '));
  return sum / 1000;
}

TFaceMetrics MetricsOf(const QFont& base) {
  static QMutex mutex;
  static QHash<QString, TFaceMetrics> cache;
  const QString key = base.families().join(u',') + u'|' + base.key();
  {
    QMutexLocker lock(&mutex);
    const auto it = cache.constFind(key);
    if (it != cache.constEnd()) return *it;
  }
  QFont font(base);
  font.setPixelSize(static_cast<int>(kMetricsPixelSize));
  const QFontMetricsF m(font);
  TFaceMetrics metrics;
  if (m.ascent() + m.descent() > 0)
    metrics.CellPerEm = (m.ascent() + m.descent()) / kMetricsPixelSize;
  const double average = WeightedAverageWidth(m);
  if (average > 0) metrics.AverageWidth = average / kMetricsPixelSize;
  QMutexLocker lock(&mutex);
  cache.insert(key, metrics);
  return metrics;
}

double EmOf(double pixelHeight, const TFaceMetrics& metrics) {
  double em = pixelHeight < 0 ? -pixelHeight : pixelHeight / metrics.CellPerEm;
  if (pixelHeight == 0 || !std::isfinite(pixelHeight)) em = kDefaultCellHeight / metrics.CellPerEm;
  return std::min(em, kMaxEmPixels);
}

}  // namespace

QStringList SubstituteFamilies(const QString& faceName, uint8_t pitchAndFamily) {
  QString face = NormalFace(faceName);
  for (const std::u16string_view suffix : kScriptSuffixes) {
    const QStringView s(suffix.data(), static_cast<qsizetype>(suffix.size()));
    if (face.endsWith(s) && face.size() > s.size()) face.chop(s.size());
  }
  QStringList families;
  for (const TFaceSubstitute& sub : kFaceSubstitutes) {
    if (QStringView(face) !=
        QStringView(sub.Face.data(), static_cast<qsizetype>(sub.Face.size()))) {
      continue;
    }
    for (const char* family : sub.Families) {
      if (family != nullptr) families.append(QString::fromLatin1(family));
    }
    return families;
  }
  if (!face.isEmpty()) {
    QString original = faceName.trimmed();
    if (original.startsWith(u'@')) original.remove(0, 1);
    families.append(original);
  }
  // An unknown face falls back on the generic family the LOGFONT asks for.
  switch (StyleHintOf(pitchAndFamily)) {
    case QFont::Serif:
      families.append(QStringLiteral("Liberation Serif"));
      break;
    case QFont::TypeWriter:
      families.append(QStringLiteral("Liberation Mono"));
      break;
    default:
      families.append(QStringLiteral("Liberation Sans"));
      break;
  }
  return families;
}

double EmPixelSize(const TLogFont& lf, double pixelHeight) {
  return EmOf(pixelHeight, MetricsOf(BaseFont(lf)));
}

QFont MakeQFont(const TLogFont& lf, double pixelHeight, double pixelWidth) {
  QFont font = BaseFont(lf);
  const TFaceMetrics metrics = MetricsOf(font);
  const int pixelSize = std::max(1, static_cast<int>(std::lround(EmOf(pixelHeight, metrics))));
  font.setPixelSize(pixelSize);
  if (pixelWidth != 0 && std::isfinite(pixelWidth)) {
    const double stretch = 100 * std::fabs(pixelWidth) / (metrics.AverageWidth * pixelSize);
    font.setStretch(static_cast<int>(std::lround(std::clamp(stretch, 1.0, 4000.0))));
  }
  return font;
}

QFont MakeQFont(const TLogFont& lf, double pixelHeight) {
  // lfWidth is in the same logical units as lfHeight, so it scales by the same factor.
  double pixelWidth = lf.Width;
  if (lf.Height != 0) pixelWidth = lf.Width * std::fabs(pixelHeight / lf.Height);
  return MakeQFont(lf, pixelHeight, pixelWidth);
}
