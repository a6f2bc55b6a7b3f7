// Text and fonts of metafile text records: code pages, symbol fonts, LOGFONT to QFont.
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

// 8-bit text of a font with the given LOGFONT lfCharSet → Unicode (Symbol charset 2 → Symbol
// mapping). The Symbol (or Euclid Symbol), Wingdings, Wingdings 2 and Wingdings 3 faces use their
// own mappings whatever the charset; other symbol-charset faces use the Symbol mapping, except
// known dingbat fonts, whose bytes stay as U+F0xx. Multi-byte pages (932, 936, 949, 950) and the
// single-byte pages come from the Qt ICU codecs, cp1251 from the project's own codec; a page the
// codecs lack decodes as Latin-1.
QString DecodeAnsiText(const uint8_t* bytes, size_t n, uint8_t charSet, const QString& faceName);

// UTF-16LE text of an EXTTEXTOUTW record; maps Symbol/Wingdings private-use code points when the
// face needs it. In those faces U+0020..U+00FF and U+F020..U+F0FF both address the font's 8-bit
// encoding.
QString DecodeWideText(const char16_t* units, size_t n, const QString& faceName);

// The face name of an 8-bit LOGFONT (WMF): the charset's code page up to the first NUL, except
// that symbol-charset faces are named in ANSI ("Symbol" must not turn into Greek letters).
QString DecodeFaceName(const uint8_t* bytes, size_t n, uint8_t charSet);

struct TLogFont {
  int32_t Height, Width, Escapement, Orientation, Weight;
  uint8_t Italic, Underline, StrikeOut, CharSet, OutPrecision, ClipPrecision, Quality,
      PitchAndFamily;
  QString FaceName;
};

// A QFont for a LOGFONT whose height is already converted to device pixels (negative = character
// height, positive = cell height). Zero asks for the default cell height of 16 pixels. The pixel
// size is whole pixels; EmPixelSize gives the exact size (for QRawFont). lfWidth scales with the
// same factor as the height. Needs a QGuiApplication (font metrics), like all font work in Qt.
QFont MakeQFont(const TLogFont& lf, double pixelHeight);

// As MakeQFont, with lfWidth already converted to device pixels (0 = the font's own width).
QFont MakeQFont(const TLogFont& lf, double pixelHeight, double pixelWidth);

// The em height in pixels that MakeQFont aims at, before rounding to whole pixels.
double EmPixelSize(const TLogFont& lf, double pixelHeight);

// The families (in order of preference) that stand in for a Windows face name.
QStringList SubstituteFamilies(const QString& faceName, uint8_t pitchAndFamily);
