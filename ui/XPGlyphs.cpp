// The check-box and radio-button glyph pictures compiled into the program.
#include <QResource>
#include <QString>

#include "XPCtrls.h"

namespace {

// Kind-major, then checked, then hot: index = kind * 4 + checked * 2 + hot.
constexpr const char* kGlyphNames[8] = {
    "check", "check-hot", "check-checked", "check-checked-hot",
    "radio", "radio-hot", "radio-checked", "radio-checked-hot",
};

}  // namespace

QImage LoadGlyph(int Kind, bool Checked, bool Hot) {
  return LoadGlyph(Kind, Checked, Hot, 1.0);
}

QImage LoadGlyph(int Kind, bool Checked, bool Hot, qreal DevicePixelRatio) {
  if (Kind != 0 && Kind != 1) return {};
  const int index = Kind * 4 + (Checked ? 2 : 0) + (Hot ? 1 : 0);
  const bool doubled = DevicePixelRatio >= 1.5;
  const QString path =
      QStringLiteral(":/glyphs/%1%2.jpg")
          .arg(QLatin1String(kGlyphNames[index]), doubled ? QStringLiteral("@2x") : QString());
  // Decoded on every call: a paint never reuses a picture from an earlier one.
  const QResource resource(path);
  if (!resource.isValid()) return {};
  QImage glyph = QImage::fromData(resource.uncompressedData(), "JPG");
  if (doubled && !glyph.isNull()) glyph.setDevicePixelRatio(2);
  return glyph;
}
