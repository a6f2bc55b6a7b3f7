// Text output helpers of examtool: padding UTF-8 columns, JSON and CSV quoting, numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Characters (not bytes) in a UTF-8 string.
std::size_t Utf8Width(const std::string& s);
// The string followed by spaces up to `width` characters.
std::string PadRight(const std::string& s, std::size_t width);
// The text with every control character (a tab, a line break, an escape) shown as U+FFFD, so
// that a name cannot move the cursor or change the colours of the terminal it is printed on.
std::string TerminalText(const std::string& s);
// A JSON string literal.
std::string JsonQuote(const std::string& s);
// A CSV text cell per RFC 4180: quoted when it holds a comma, quote or line break. A text that
// begins with '=', '+', '-', '@', a tab or a carriage return gets a leading apostrophe, so that a
// spreadsheet shows it as text instead of running it as a formula. Numbers are not text cells.
std::string CsvQuote(const std::string& s);
// A number with a fixed count of decimals and a decimal point, whatever the locale.
std::string FormatFixed(double v, int decimals);
// The shortest text that reads back as the very same number: full precision for programs.
std::string FormatExact(double v);
// The shortest form of a number ("%g").
std::string FormatShort(double v);
// Seconds as hours, minutes and seconds: "1:02:03".
std::string FormatElapsed(int32_t seconds);
// A figure for a Russian reader: the decimal point becomes a comma.
std::string WithDecimalComma(std::string figure);
