// Benchmark of the EMF paint device: recording a typical text page laid out from Markdown.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QUrl>
#include <cmath>

#include "EmfPaintDevice.h"

namespace {

// A question page: heading, a few paragraphs in two languages, a list, a table, a picture.
void TypicalPage(QTextDocument& doc) {
  QFont font("Arial");
  font.setPixelSize(16);
  doc.setDefaultFont(font);
  QImage picture(160, 90, QImage::Format_RGB32);
  picture.fill(QColor(90, 140, 200));
  QString md = QStringLiteral("# Вопрос 7. Движение по окружности\n\n");
  for (int i = 0; i < 4; ++i)
    md += QStringLiteral(
        "Тело движется по окружности радиусом *R* с постоянной по модулю скоростью. Как "
        "направлено его **ускорение** и чему оно равно? A body moves along a circle of radius "
        "R at a constant speed; its acceleration points to the centre.\n\n");
  md += QStringLiteral("- к центру окружности\n- по касательной\n- от центра\n\n");
  md += QStringLiteral(
      "| величина | формула |\n|---|---|\n| ускорение | v²/R |\n| период | "
      "2πR/v |\n\n![рисунок](picture.png)\n");
  doc.setMarkdown(md);
  doc.addResource(QTextDocument::ImageResource, QUrl("picture.png"), picture);  // after clear()
  doc.setTextWidth(640);
}

void BM_RecordTextPage(benchmark::State& state) {
  QTextDocument doc;
  TypicalPage(doc);
  const QSize size(640, static_cast<int>(std::ceil(doc.size().height())));
  size_t bytes = 0;
  for (auto _ : state) {
    TEmfPaintDevice device(size, 96);
    {
      QPainter painter(&device);
      painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
      doc.drawContents(&painter);
    }
    const std::string emf = device.Finish();
    bytes = emf.size();
    benchmark::DoNotOptimize(emf.data());
  }
  state.counters["emf_bytes"] = static_cast<double>(bytes);
  state.counters["page_height"] = size.height();
}
BENCHMARK(BM_RecordTextPage)->Unit(benchmark::kMillisecond);

// The same page painted straight into an image, for scale.
void BM_PaintTextPageToImage(benchmark::State& state) {
  QTextDocument doc;
  TypicalPage(doc);
  const QSize size(640, static_cast<int>(std::ceil(doc.size().height())));
  QImage image(size, QImage::Format_RGB32);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    doc.drawContents(&painter);
  }
}
BENCHMARK(BM_PaintTextPageToImage)->Unit(benchmark::kMillisecond);

}  // namespace
