// A probe started afresh by the benchmarks: the student's window as the program starts it, or an
// empty window for the floor; prints when the first page is painted, or pages through the test.
//   exam_probe empty                 an empty window: "painted NS" at its first paint
//   exam_probe first-page TEST       the window on TEST: "painted NS" once the page is painted
//   exam_probe page-through TEST     then every page in turn: "pages N peak_rss_kb K"
// NS is CLOCK_MONOTONIC in nanoseconds, comparable with the starting process's clock.
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "PageImage.h"
#include "Translations.h"
#include "UiResources.h"
#include "Unit1.h"

namespace {

long long MonotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// Calls Done once, right after the watched widget's first paint that satisfies Ready.
class TFirstPaint : public QObject {
 public:
  TFirstPaint(QWidget* widget, std::function<bool()> ready, std::function<void()> done)
      : FWidget(widget), FReady(std::move(ready)), FDone(std::move(done)) {
    qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == FWidget && event->type() == QEvent::Paint && !FFired) {
      // Posted now, handled once this paint has finished.
      QTimer::singleShot(0, this, [this] {
        if (FFired || !FReady()) return;
        FFired = true;
        FDone();
      });
    }
    return false;
  }

 private:
  QWidget* FWidget;
  std::function<bool()> FReady;
  std::function<void()> FDone;
  bool FFired = false;
};

// The high-water mark of this program's own memory. Not getrusage: a child started by vfork
// (posix_spawn) is charged there with the peak of the parent whose memory it used until exec.
long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

int Usage() {
  std::fprintf(stderr, "usage: exam_probe empty | first-page TEST | page-through TEST\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string mode = argv[1];
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);

  if (mode == "empty") {
    QWidget window;
    TFirstPaint probe(
        &window, [] { return true; },
        [] {
          std::printf("painted %lld\n", MonotonicNs());
          QApplication::quit();
        });
    window.resize(1800, 1000);
    window.show();
    return QApplication::exec();
  }
  if (argc != 3 || (mode != "first-page" && mode != "page-through")) return Usage();

  // As the program starts: translations, resources, the window, its dialogs.
  QApplication::setApplicationName(QStringLiteral("exam"));
  InstallRussianTranslation(app);
  InitUiResources();
  TForm1 form({QString::fromLocal8Bit(argv[2])});
  form.CreateDialogs();
  auto* page = form.findChild<TPageImage*>(QStringLiteral("QImage"));
  if (page == nullptr) return 1;
  const bool pageThrough = mode == "page-through";
  TFirstPaint probe(
      page, [page] { return page->PlayCount() > 0; },
      [&] {
        if (!pageThrough) {
          std::printf("painted %lld\n", MonotonicNs());
          QApplication::quit();
          return;
        }
        // Every page in turn, each painted before the next key, as a student pages through.
        int pages = 1;
        for (;;) {
          const int32_t before = form.Exam().CurrentQuestion();
          QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
          QApplication::sendEvent(&form, &right);
          // From the last page the next key wraps round to the first.
          if (form.Exam().CurrentQuestion() == before || form.Exam().CurrentQuestion() == 0) break;
          QApplication::processEvents();
          ++pages;
        }
        std::printf("pages %d played %d peak_rss_kb %ld\n", pages, page->PlayCount(), PeakRssKb());
        QApplication::quit();
      });
  form.resize(1800, 1000);
  form.show();
  return QApplication::exec();
}
