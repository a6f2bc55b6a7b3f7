// cp1251 code page tables.
#include "Cp1251.h"

#include <array>

namespace {

// Code points of bytes 0x80..0xBF; bytes 0xC0..0xFF are U+0410..U+044F.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

void AppendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out.push_back(static_cast<char>(u));
  } else if (u < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (u >> 6)));
    out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (u >> 12)));
    out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at s[i]; returns its length, 0 when malformed.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& u) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
  const unsigned char c = b(0);
  std::size_t n;
  if (c < 0x80) {
    u = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    n = 2;
    u = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3;
    u = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4;
    u = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(k) & 0xC0) != 0x80) return 0;
    u = (u << 6) | (b(k) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (u < kMin[n] || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

char32_t Cp1251ToUnicode(unsigned char c) {
  if (c < 0x80) return c;
  if (c >= 0xC0) return 0x0410 + (c - 0xC0);
  return kHigh[c - 0x80];
}

std::optional<unsigned char> UnicodeToCp1251(char32_t u) {
  if (u < 0x80) return static_cast<unsigned char>(u);
  if (u >= 0x0410 && u <= 0x044F) return static_cast<unsigned char>(0xC0 + (u - 0x0410));
  for (std::size_t i = 0; i < kHigh.size(); ++i) {
    if (kHigh[i] == u && u != 0xFFFD) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
  std::string out;
  out.reserve(cp1251.size() * 2);
  for (char c : cp1251) AppendUtf8(out, Cp1251ToUnicode(static_cast<unsigned char>(c)));
  return out;
}

TEncodeResult Utf8ToCp1251(std::string_view utf8) {
  TEncodeResult r{{}, 0, true};
  r.Text.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    char32_t u = 0;
    const std::size_t n = DecodeUtf8(utf8, i, u);
    const auto byte = n ? UnicodeToCp1251(u) : std::nullopt;
    if (!byte) {
      r.Ok = false;
      r.BadOffset = i;
      return r;
    }
    r.Text.push_back(static_cast<char>(*byte));
    i += n;
  }
  return r;
}
