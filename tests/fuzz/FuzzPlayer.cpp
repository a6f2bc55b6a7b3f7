// Fuzz target: metafile bytes played with QPainter onto a small image.
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzGuiApp.h"
#include "Metafile.h"
#include "MetafilePlayer.h"

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  StartHeadlessGui((*argv)[0]);
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
