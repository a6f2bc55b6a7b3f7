// TEmfPaintDevice: a paint device that records what is painted on it as an enhanced metafile.
#pragma once

#include <QPaintDevice>
#include <QSize>
#include <memory>
#include <string>

class TEmfPaintEngine;

// Paths, text runs (with per-character advances), images and clipping become EMF records in
// MM_TEXT device pixels; the painter's transform goes into the world transform.
class TEmfPaintDevice : public QPaintDevice {
 public:
  // A page of sizePx device pixels at dpi dots per inch (the frame in 0.01 mm follows from both).
  explicit TEmfPaintDevice(QSize sizePx, int dpi = 96);
  ~TEmfPaintDevice() override;
  QPaintEngine* paintEngine() const override;
  // The complete metafile (header, records, EOF) of what has been painted so far.
  std::string Finish();

 protected:
  int metric(PaintDeviceMetric m) const override;

 private:
  QSize FSize;
  int FDpi;
  std::unique_ptr<TEmfPaintEngine> FEngine;
};
