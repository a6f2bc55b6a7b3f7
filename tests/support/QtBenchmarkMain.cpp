// Google Benchmark entry for benchmarks that draw: a headless QGuiApplication exists meanwhile;
// built with EXAM_BENCH_WIDGETS, a QApplication with the window's resources, as the program has.
#include <benchmark/benchmark.h>

#include <cstdlib>

#ifdef EXAM_BENCH_WIDGETS
#include <QApplication>

#include "UiResources.h"
using TBenchApplication = QApplication;
#else
#include <QGuiApplication>
using TBenchApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  TBenchApplication app(argc, argv);
#ifdef EXAM_BENCH_WIDGETS
  InitUiResources();
#endif
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
