// The Windows Cyrillic code page (1251) to and from Unicode; files keep cp1251 bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The Unicode scalar value of a cp1251 byte (U+FFFD for the one unassigned byte, 0x98).
char32_t Cp1251ToUnicode(unsigned char c);
// The cp1251 byte of a code point, or none when the code page cannot hold it.
std::optional<unsigned char> UnicodeToCp1251(char32_t u);

std::string Cp1251ToUtf8(std::string_view cp1251);

struct TEncodeResult {
  std::string Text;          // the cp1251 bytes (unencodable characters left out)
  std::size_t BadOffset;     // byte offset in the UTF-8 input of the first problem
  bool Ok;
};
// Converts UTF-8 to cp1251; fails at the first malformed sequence or unencodable character.
TEncodeResult Utf8ToCp1251(std::string_view utf8);
