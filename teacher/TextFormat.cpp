// Text output helpers of examtool.
#include "TextFormat.h"

#include <charconv>
#include <cstdio>
#include <string_view>

std::size_t Utf8Width(const std::string& s) {
  std::size_t chars = 0;
  for (unsigned char c : s) chars += (c & 0xC0) != 0x80;
  return chars;
}

std::string PadRight(const std::string& s, std::size_t width) {
  const std::size_t chars = Utf8Width(s);
  return chars >= width ? s : s + std::string(width - chars, ' ');
}

std::string TerminalText(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (unsigned char c : s) {
    if (c < 0x20 || c == 0x7F)
      out += "\xEF\xBF\xBD";
    else
      out += static_cast<char>(c);
  }
  return out;
}

std::string JsonQuote(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string CsvQuote(const std::string& s) {
  const bool formula = !s.empty() && std::string_view("=+-@\t\r").find(s[0]) != std::string::npos;
  const std::string text = formula ? "'" + s : s;
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string FormatFixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string FormatExact(double v) {
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  return std::string(buf, end);
}

std::string FormatShort(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

std::string FormatElapsed(int32_t seconds) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}

std::string WithDecimalComma(std::string figure) {
  for (char& c : figure) {
    if (c == '.') c = ',';
  }
  return figure;
}
