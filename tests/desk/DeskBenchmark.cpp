// The teacher's window: a key press in a 200-question source to the preview painted again, the
// key press alone (typing never waits for the preview), a key press inside a formula to its page
// typeset and painted, and opening a 1,000-question source.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "DeskWindow.h"
#include "PageImage.h"
#include "QuestionPreview.h"
#include "SourceEditor.h"

namespace {

// A source of that many questions in topics of 20, each with a paragraph, a table and 4 options.
QString LargeSource(int questions) {
  QString text = QStringLiteral("---\ntitle: Большой тест\n---\n");
  for (int q = 0; q < questions; ++q) {
    if (q % 20 == 0)
      text += QStringLiteral("# Тема %1\n## Уровень {minutes=10 weight=10}\n").arg(q / 20 + 1);
    text += QStringLiteral(
                "### Вопрос\nВопрос %1: тело массой **2 кг** движется с ускорением 3 м/с^{2}. "
                "Найдите силу.\n\n"
                "| величина | значение |\n|---|---|\n| m | 2 кг |\n| a | 3 м/с^{2} |\n\n"
                "- [ ] A) 5 Н\n- [x] B) 6 Н\n- [ ] C) 1,5 Н\n- [ ] D) 0,67 Н\n")
                .arg(q + 1);
  }
  return text;
}

struct TDesk {
  QTemporaryDir dir;
  std::unique_ptr<TDeskWindow> window;
  explicit TDesk(int questions) {
    qputenv("XDG_STATE_HOME", dir.filePath(QStringLiteral("state")).toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    QFile file(dir.filePath(QStringLiteral("big.md")));
    file.open(QIODevice::WriteOnly);
    file.write(LargeSource(questions).toUtf8());
    file.close();
    window = std::make_unique<TDeskWindow>(QStringList{});
    window->resize(1200, 760);
    window->show();
  }
  QString File() const { return dir.filePath(QStringLiteral("big.md")); }
  void WaitParsed() {
    if (!QTest::qWaitFor([this] { return window->ParseCurrent(); }, 10000)) std::abort();
    QCoreApplication::processEvents();
  }
};

void BM_DeskOpenLargeSource(benchmark::State& state) {
  TDesk desk(1000);
  for (auto _ : state) {
    QElapsedTimer timer;
    timer.start();
    desk.window->OpenSource(desk.File());
    desk.WaitParsed();
    desk.window->Preview().Page().repaint();
    state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
  }
}
BENCHMARK(BM_DeskOpenLargeSource)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DeskPreviewAfterKey(benchmark::State& state) {
  TDesk desk(200);
  desk.window->OpenSource(desk.File());
  desk.WaitParsed();
  TSourceEditor& editor = desk.window->Editor();
  editor.GoToLine(editor.document()->find(QStringLiteral("Вопрос 100:")).blockNumber() + 1);
  editor.moveCursor(QTextCursor::EndOfBlock);
  QCoreApplication::processEvents();
  double keyNs = 0;
  for (auto _ : state) {
    TPageImage& page = desk.window->Preview().Page();
    const int plays = page.PlayCount();
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(&editor, Qt::Key_A);
    keyNs += double(timer.nsecsElapsed());
    if (!QTest::qWaitFor([&] { return desk.window->ParseCurrent() && page.PlayCount() != plays; },
                         5000)) {
      state.SkipWithError("the preview was not painted again");
      break;
    }
    page.repaint();
    state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
  }
  state.counters["key_ms"] = keyNs / 1e6 / double(state.iterations());
}
BENCHMARK(BM_DeskPreviewAfterKey)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Each key makes a formula TeX has not set before (the cache starts empty): the TeX run beside
// the window, then the page made and painted.
void BM_DeskPreviewAfterFormulaKey(benchmark::State& state) {
  TDesk desk(0);
  qputenv("XDG_CACHE_HOME", desk.dir.filePath(QStringLiteral("cache")).toUtf8());
  QFile file(desk.File());
  file.open(QIODevice::WriteOnly);
  file.write(QStringLiteral("---\ntitle: Формулы\n---\n# Тема\n## Уровень {minutes=1 weight=1}\n"
                            "### Вопрос\nЧему равно $x = 1$?\n- [x] 1\n- [ ] 2\n")
                 .toUtf8());
  file.close();
  desk.window->OpenSource(desk.File());
  desk.WaitParsed();
  TSourceEditor& editor = desk.window->Editor();
  TQuestionPreview& preview = desk.window->Preview();
  QTextCursor inFormula = editor.document()->find(QStringLiteral("= 1"));
  inFormula.clearSelection();  // after "= 1": each key makes the number longer
  editor.setTextCursor(inFormula);
  if (!QTest::qWaitFor([&] { return !preview.Typesetting(); }, 120000)) std::abort();
  double keyNs = 0;
  for (auto _ : state) {
    TPageImage& page = preview.Page();
    const int plays = page.PlayCount();
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(&editor, Qt::Key_1);
    keyNs += double(timer.nsecsElapsed());
    if (!QTest::qWaitFor(
            [&] {
              return desk.window->ParseCurrent() && !preview.Typesetting() &&
                     page.PlayCount() != plays;
            },
            120000)) {
      state.SkipWithError("the formula's page was not painted");
      break;
    }
    if (!preview.PageError().empty()) {
      state.SkipWithError(preview.PageError().c_str());
      break;
    }
    page.repaint();
    state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
  }
  state.counters["key_ms"] = keyNs / 1e6 / double(state.iterations());
}
BENCHMARK(BM_DeskPreviewAfterFormulaKey)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
