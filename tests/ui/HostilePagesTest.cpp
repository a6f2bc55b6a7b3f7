// Pages built to stall the window (millions of records, deep state nesting, huge paths and
// bitmaps) are drawn within the page budget, and the window answers keys while they are shown.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <chrono>

#include "ExamFixtures.h"
#include "MetafileBuilder.h"
#include "PlayBudget.h"
#include "TestImageBuilder.h"
#include "Unit1.h"

#include "MainWindowHarness.h"

namespace {

using namespace windowtest;

constexpr uint32_t kPolyline = 4, kMoveTo = 27, kSaveDC = 33, kRectangle = 43, kLineTo = 54,
                   kStretchDIBits = 81;

std::string ManyLines() {
  TEmfBuilder b(2000, 2800);
  for (int i = 0; i < 500'000; ++i) {
    b.Record(kMoveTo, {i % 2000, 0});
    b.Record(kLineTo, {(i * 7) % 2000, 2800});
  }
  return b.Finish();
}

std::string DeepNesting() {
  TEmfBuilder b(2000, 2800);
  for (int i = 0; i < 100'000; ++i) b.Record(kSaveDC, {});
  for (int i = 0; i < 100'000; ++i) b.Record(kRectangle, {i % 1900, i % 2700, 1999, 2799});
  return b.Finish();
}

std::string HugePath() {
  TEmfBuilder b(2000, 2800);
  constexpr int32_t kPoints = 500'000;
  std::string params;
  for (int32_t v : {0, 0, 2000, 2800, kPoints}) PutU32(params, static_cast<uint32_t>(v));
  for (int32_t i = 0; i < kPoints; ++i) {
    PutU32(params, static_cast<uint32_t>((i * 37) % 2000));
    PutU32(params, static_cast<uint32_t>((i * 91) % 2800));
  }
  b.RecordBytes(kPolyline, params);
  return b.Finish();
}

std::string HugeBitmap() {
  TEmfBuilder b(2000, 2800);
  // STRETCHDIBITS of a 1-bit picture 60000 x 60000 (3.6 billion pixels) with a few bytes of bits.
  std::string params;
  for (int32_t v : {0, 0, 2000, 2800, 0, 0, 0, 0, 60000, 60000, 80, 40, 120, 16, 0x00CC0020, 2000,
                    2800})
    PutU32(params, static_cast<uint32_t>(v));
  for (int32_t v : {40, 60000, 60000}) PutU32(params, static_cast<uint32_t>(v));
  PutU16(params, 1);
  PutU16(params, 1);
  for (int32_t v : {0, 0, 0, 0, 0, 0, 0, 0xFFFFFF}) PutU32(params, static_cast<uint32_t>(v));
  params += std::string(16, '\x55');
  b.RecordBytes(kStretchDIBits, params);
  return b.Finish();
}

TEST(HostilePages, AreDrawnWithinTheBudgetAndTheWindowAnswersKeys) {
  struct Case {
    const char* what;
    std::string (*page)();
  } cases[] = {
      {"a million line records", ManyLines},
      {"100,000 nested saved states", DeepNesting},
      {"a path of half a million points", HugePath},
      {"a bitmap of 3.6 billion pixels", HugeBitmap},
  };
  for (const Case& c : cases) {
    Window w;
    std::vector<TQuestionSource> qs = {
        fixture::Question({{Cp("A) да")}, {Cp("B) нет")}}, 0, 0, c.page()),
        fixture::Question({{Cp("A) да")}, {Cp("B) нет")}}, 0, 0, examtest::MinimalEmf(21000, 29700)),
    };
    const QString test = w.Write(
        "hostile.tst",
        fixture::TestFile(Cp("Т"), {fixture::Topic(Cp("Т"), {fixture::Level(10, 1.0, qs)})}, 7));
    QElapsedTimer shown;
    shown.start();
    w.Start({test});
    ASSERT_EQ(w.Exam().State(), esRunning) << c.what;
    QApplication::processEvents();
    const qint64 showMs = shown.elapsed();
    std::cout << "[ INFO     ] " << c.what << ": window up with the page in " << showMs << " ms\n";
    // Opening draws the page at most twice (the first fit, then the shown size), each within
    // the budget; a generous margin covers a loaded machine.
    EXPECT_LT(showMs, 4 * kPagePlayBudget.count()) << c.what;

    // While the page is shown, a key marks an option at once: the drawn page is kept, not
    // played again for the repaint.
    QElapsedTimer key;
    key.start();
    w.Key(Qt::Key_B, {}, "b");
    QApplication::processEvents();
    const qint64 keyMs = key.elapsed();
    EXPECT_TRUE(w.Exam().OptionMarked(1)) << c.what;
    EXPECT_LT(keyMs, 100) << c.what;
    std::cout << "[ INFO     ] " << c.what << ": a key handled in " << keyMs << " ms\n";
  }
}

}  // namespace
