// Fuzz target: metafile bytes played with QPainter onto a small image.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "Metafile.h"
#include "MetafilePlayer.h"

// Qt sees only the program name: the fuzzer's own flags are none of its business.
extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int qtArgc = 1;
  static char* qtArgv[] = {(*argv)[0], nullptr};
  static QGuiApplication app(qtArgc, qtArgv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMetafile mf;
  if (!mf.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size), true))
    return 0;
  QImage image(64, 64, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PlayMetafile(painter, mf, QRectF(0, 0, 64, 64));
  return 0;
}
