// Benchmark: parse and play every corpus EMF at 1600 px wide; prints median, 90th percentile, max.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "MetafilePlayer.h"

namespace {

constexpr int kWidth = 1600;

void ParseAndPlay(benchmark::State& state, const std::string& bytes) {
  for (auto _ : state) {
    TMetafile m;
    if (!m.LoadFromBytes(bytes)) {
      state.SkipWithError("not a metafile");
      return;
    }
    const int h =
        std::max(1, static_cast<int>(std::lround(kWidth * double(m.MMHeight()) / m.MMWidth())));
    QImage img(kWidth, std::min(h, 4 * kWidth), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    PlayMetafile(p, m, QRectF(0, 0, img.width(), img.height()));
    p.end();
    benchmark::DoNotOptimize(img.constBits());
  }
}

// Replaying a page that is already parsed, as a repaint does.
void PlayOnly(benchmark::State& state, const std::string& bytes) {
  TMetafile m;
  if (!m.LoadFromBytes(bytes)) {
    state.SkipWithError("not a metafile");
    return;
  }
  QImage img(kWidth, kWidth, QImage::Format_RGB32);
  for (auto _ : state) {
    img.fill(Qt::white);
    QPainter p(&img);
    PlayMetafile(p, m, QRectF(0, 0, img.width(), img.height()));
  }
}

// Collects the per-file times of the parse-and-play runs and prints their spread at the end.
class TSpreadReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.benchmark_name().rfind("ParseAndPlay/", 0) == 0 && r.iterations > 0) {
        FRealMs.push_back(r.GetAdjustedRealTime());  // registered in milliseconds
        FCpuMs.push_back(r.GetAdjustedCPUTime());
      }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    Print("wall", FRealMs);
    // On a shared machine the wall time includes waiting for a core; the CPU time does not.
    Print("cpu", FCpuMs);
  }

 private:
  std::vector<double> FRealMs, FCpuMs;

  static void Print(const char* what, std::vector<double> ms) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    auto at = [&](double q) { return ms[static_cast<size_t>(q * (ms.size() - 1))]; };
    std::printf(
        "parse+play at %d px over %zu EMFs (%s time): median %.2f ms, "
        "90th percentile %.2f ms, max %.2f ms\n",
        kWidth, ms.size(), what, at(0.5), at(0.9), ms.back());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication app(argc, argv);
  const char* dir = std::getenv("EXAM_CORPUS_DIR");
  const std::filesystem::path corpus = dir ? dir : EXAM_CORPUS_DIR;
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(corpus / "emf", ec))
    if (e.path().extension() == ".emf") files.push_back(e.path());
  if (files.empty()) {
    std::fprintf(stderr, "no EMF files under %s/emf (set EXAM_CORPUS_DIR)\n", corpus.c_str());
    return 1;
  }
  std::sort(files.begin(), files.end());
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name = f.stem().string();
    benchmark::RegisterBenchmark(("ParseAndPlay/" + name).c_str(), ParseAndPlay, bytes)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("PlayOnly/" + name).c_str(), PlayOnly, bytes)
        ->Unit(benchmark::kMillisecond);
  }
  // Font loading happens once per process; keep it out of the first page's time.
  {
    TMetafile warm;
    std::ifstream in(files.front(), std::ios::binary);
    warm.LoadFromBytes(std::string((std::istreambuf_iterator<char>(in)), {}));
    QImage img(kWidth, kWidth, QImage::Format_RGB32);
    QPainter p(&img);
    PlayMetafile(p, warm, QRectF(0, 0, kWidth, kWidth));
  }
  benchmark::Initialize(&argc, argv);
  TSpreadReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
