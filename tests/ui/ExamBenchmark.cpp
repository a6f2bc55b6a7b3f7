// Benchmarks of the student's program where a student feels them, each beside its floor: opening
// a large test, turning a page, marking an answer, the clock's tick, the start and the memory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QPainter>
#include <QTextDocument>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>

#include "CompressedStrings.h"
#include "EmfPaintDevice.h"
#include "MainWindowHarness.h"
#include "MetafilePlayer.h"
#include "PageImage.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPageWidth = 1600;
constexpr int kBigQuestions = 5000;
constexpr int kBigOptions = 8;

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The files every benchmark reads, in a folder on disk (not in memory) for the life of the run.
const fs::path& FilesDir() {
  static examtest::TPrivateTempDir dir;
  return dir.Path();
}

// A question page of the size a teacher's page has: about 10 KB once compressed.
std::string TextPage(std::mt19937& random) {
  const QString letters = QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя0123456789");
  std::uniform_int_distribution<int> letter(0, int(letters.size()) - 1), length(2, 9),
      words(25, 45);
  QString md = QStringLiteral("## Вопрос\n\n");
  for (int paragraph = 0; paragraph < 17; ++paragraph) {
    for (int w = words(random); w > 0; --w) {
      for (int s = length(random); s > 0; --s) md += letters[letter(random)];
      md += QLatin1Char(' ');
    }
    md += QStringLiteral("\n\n");
  }
  QTextDocument doc;
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(16);
  doc.setDefaultFont(font);
  doc.setMarkdown(md);
  doc.setTextWidth(640);
  const QSize size(640, static_cast<int>(std::ceil(doc.size().height())));
  TEmfPaintDevice device(size, 96);
  {
    QPainter painter(&device);
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    doc.drawContents(&painter);
  }
  return device.Finish();
}

// 5,000 questions of 8 options with pages of about 10 KB: a test of about 50 MB, written once.
const std::string& BigTest() {
  static const std::string path = [] {
    std::mt19937 random(12);
    std::vector<std::string> pages;
    for (int i = 0; i < 16; ++i) pages.push_back(TextPage(random));
    std::vector<fixture::Option> options;
    for (int o = 0; o < kBigOptions; ++o)
      options.push_back({std::string(1, char('A' + o)) + ") ответ", o == 0 ? 1.0 : 0.0, 0.0});
    std::vector<TQuestionSource> questions;
    for (int q = 0; q < kBigQuestions; ++q)
      questions.push_back(fixture::Question(options, 1.0, 0, pages[q % pages.size()]));
    const TTestSource source = fixture::TestFile(
        "Big", {fixture::Topic("Topic", {fixture::Level(100000, 10, std::move(questions))})}, 40);
    const fs::path file = FilesDir() / "big.tst";
    examtest::WriteFile(file, WriteTestImage(source));
    return file.string();
  }();
  return path;
}

// ---- open a test ----

// The floor: the file's bytes read into fresh memory.
void BM_ReadTestFile(benchmark::State& state) {
  const std::string& path = BigTest();
  const size_t size = fs::file_size(path);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::unique_ptr<char[]> bytes(new char[size]);
    size_t done = 0;
    for (ssize_t n; done < size && (n = ::read(fd, bytes.get() + done, size - done)) > 0;)
      done += n;
    ::close(fd);
    if (done != size) state.SkipWithError("short read");
    benchmark::DoNotOptimize(bytes.get());
  }
  state.counters["MB"] = double(size) / 1e6;
}
BENCHMARK(BM_ReadTestFile)->Unit(benchmark::kMillisecond);

// The file read into its block and attached: tree, layout, backup looked for.
void BM_OpenTest(benchmark::State& state) {
  const std::string& path = BigTest();
  for (auto _ : state) {
    TExam exam(true);
    exam.OpenTest(std::make_unique<TVFMem>(path));
    if (exam.State() != esReady || exam.UserAnswers().OptionCount() != kBigQuestions * kBigOptions)
      state.SkipWithError("the test did not open");
  }
}
BENCHMARK(BM_OpenTest)->Unit(benchmark::kMillisecond);

// ---- the window ----

// The window on a test, its page area 1600 pixels wide.
struct TBenchWindow {
  windowtest::Window W;
  TPageImage* Page = nullptr;

  explicit TBenchWindow(const QString& test) {
    W.Start({test});
    Page = W.form->findChild<TPageImage*>(QStringLiteral("QImage"));
    for (int pass = 0; pass < 3 && Page->width() != kPageWidth; ++pass) {
      W.form->resize(W.form->width() + kPageWidth - Page->width(), 1000);
      QApplication::processEvents();
    }
  }
  // A key as the platform delivers it, then everything it changed painted.
  void Key(int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QWidget* target = W.form->focusWidget() ? W.form->focusWidget() : W.form.get();
    QApplication::sendEvent(target, &press);
    QApplication::processEvents();
  }
};

// The corpus of real metafiles, one page each, in one test; the topic names the file.
QString CorpusTest() {
  const fs::path corpus = EXAM_CORPUS_DIR;
  std::vector<fs::path> files;
  std::error_code ec;
  for (const char* kind : {"emf", "wmf"})
    for (const auto& e : fs::directory_iterator(corpus / kind, ec)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  std::vector<TTopicSource> topics;
  for (const fs::path& f : files) {
    std::vector<fixture::Option> options = {{"A) да", 1, 0}, {"B) нет", 0, 0}};
    topics.push_back(fixture::Topic(
        f.filename().string(),
        {fixture::Level(100000, 1, {fixture::Question(options, 1, 0, examtest::ReadFile(f))})}));
  }
  const fs::path file = FilesDir() / "corpus.tst";
  examtest::WriteFile(file, WriteTestImage(fixture::TestFile("Corpus", std::move(topics), 50)));
  return QString::fromStdString(file.string());
}

QString DemoTest() {
  return QStringLiteral(EXAM_SOURCE_DIR "/samples/demo.tst");
}

double Percentile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[static_cast<size_t>(std::lround(q * double(v.size() - 1)))];
}

// One turn to every page of the demo test and of the corpus per iteration, each page timed from
// the key press to its painting; the floor fills a surface of the page's size and copies it.
void BM_TurnPage(benchmark::State& state) {
  TBenchWindow demo(DemoTest());
  TBenchWindow corpus(CorpusTest());
  std::map<std::string, std::vector<double>> turns, floors;
  QImage surface, copy;
  for (auto _ : state) {
    double total = 0;
    for (TBenchWindow* w : {&demo, &corpus}) {
      // One key, timed to the painted page; false when the key moved nowhere.
      auto turn = [&](int key) {
        const int32_t before = w->W.Exam().CurrentQuestion();
        const int played = w->Page->PlayCount();
        const auto start = Clock::now();
        w->Key(key);
        const double ms = Ms(Clock::now() - start);
        if (w->W.Exam().CurrentQuestion() == before) return false;
        // A corpus file the player does not take as a metafile leaves its page blank.
        if (w->Page->PlayCount() == played) {
          if (!w->Page->Picture().Empty()) state.SkipWithError("the page was not painted");
          return true;
        }
        const std::string name = (w == &demo ? "demo: " : "") + w->W.Topic().toStdString() + " #" +
                                 std::to_string(w->W.Exam().CurrentQuestion() + 1);
        turns[name].push_back(ms);
        total += ms;
        // The floor: a surface of the page's size filled and copied to another.
        if (surface.size() != w->Page->size()) {
          surface = QImage(w->Page->size(), QImage::Format_RGB32);
          copy = QImage(w->Page->size(), QImage::Format_RGB32);
          copy.fill(Qt::black);
        }
        const auto floorStart = Clock::now();
        surface.fill(Qt::white);
        {
          QPainter p(&copy);
          p.drawImage(0, 0, surface);
        }
        floors[name].push_back(Ms(Clock::now() - floorStart));
        return true;
      };
      // From the last page the next key wraps round to the first.
      turn(Qt::Key_Home);
      while (turn(Qt::Key_Right) && w->W.Exam().CurrentQuestion() != 0) {
      }
    }
    state.SetIterationTime(total / 1000);
  }
  std::vector<double> pages, floor;
  std::string slowest;
  double worst = 0;
  for (auto& [name, ms] : turns) {
    pages.push_back(Percentile(ms, 0.5));
    floor.push_back(Percentile(floors[name], 0.5));
    if (pages.back() > worst) worst = pages.back(), slowest = name;
  }
  state.counters["pages"] = double(pages.size());
  state.counters["median_ms"] = Percentile(pages, 0.5);
  state.counters["p90_ms"] = Percentile(pages, 0.9);
  state.counters["max_ms"] = worst;
  state.counters["floor_median_ms"] = Percentile(floor, 0.5);
  state.counters["floor_max_ms"] = Percentile(floor, 1.0);
  state.SetLabel("slowest " + slowest);
  std::fprintf(stderr, "page turns, median of %lld rounds:\n",
               static_cast<long long>(state.iterations()));
  for (auto& [name, ms] : turns)
    std::fprintf(stderr, "  %8.2f ms  %s\n", Percentile(ms, 0.5), name.c_str());
}
BENCHMARK(BM_TurnPage)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The answer key through the window's key hook to the stored mark and the column repainted.
void BM_MarkAnswer(benchmark::State& state) {
  TBenchWindow demo(DemoTest());
  const int32_t option = 0;  // "A) ..." of the first question
  for (auto _ : state) {
    const bool before = demo.W.Exam().OptionMarked(option);
    demo.Key(Qt::Key_A, QStringLiteral("a"));
    if (demo.W.Exam().OptionMarked(option) == before) state.SkipWithError("the key marked nothing");
  }
}
BENCHMARK(BM_MarkAnswer)->Unit(benchmark::kMicrosecond);

// ---- zoom ----

// The demo test's pages drawn at their natural size and at four times it: the time per pixel
// must not grow with the zoom.
void BM_PagePerPixel(benchmark::State& state) {
  const int zoom = static_cast<int>(state.range(0));
  TExam exam(false);
  exam.OpenTest(std::make_unique<TVFMem>(DemoTest().toStdString()));
  exam.SetRunning(true);
  std::vector<TMetafile> pages;
  // From the last page the next one wraps round to the first.
  exam.First();
  do {
    pages.push_back(exam.PagePicture());
    exam.Next();
  } while (exam.CurrentQuestion() != 0);
  double pixels = 0;
  for (auto _ : state) {
    pixels = 0;
    for (const TMetafile& m : pages) {
      QImage image(m.Width() * zoom, m.Height() * zoom, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      PlayMetafile(painter, m, QRectF(0, 0, image.width(), image.height()));
      pixels += double(image.width()) * image.height();
    }
  }
  state.counters["pages"] = double(pages.size());
  state.counters["pixels"] = pixels;  // per iteration
}
BENCHMARK(BM_PagePerPixel)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// ---- the clock ----

// A running exam on a 200-question test whose backup goes to `dir`: on disk, flushed, or in
// memory, where the flush has no disk to wait for.
void Tick(benchmark::State& state, const fs::path& base) {
  examtest::TPrivateTempDir dir(base);
  TExam exam(true, std::make_unique<TManualTimer>());
  exam.SetOnTick([](TExam&) {});
  exam.OpenTest(MemoryBlockOf(WriteTestImage(fixture::Uniform(200, 5, 1000000))));
  exam.SetRunning(true);
  for (auto _ : state) exam.Tick();
  if (!exam.IsRunning() || !fs::exists(exam.UserAnswers().BackupFileName()))
    state.SkipWithError("no backup was written");
}
void BM_TickFlushedToDisk(benchmark::State& state) {
  Tick(state, {});
}
void BM_TickInMemory(benchmark::State& state) {
  Tick(state, examtest::MemoryBackedDir());
}
BENCHMARK(BM_TickFlushedToDisk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickInMemory)->Unit(benchmark::kMicrosecond);

// The floor: 48 bytes written to a file, with and without the flush.
void Write48(benchmark::State& state, const fs::path& base, bool flush) {
  examtest::TPrivateTempDir dir(base);
  const std::string file = (dir.Path() / "48.tmp").string();
  const char bytes[48] = {};
  for (auto _ : state) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (::write(fd, bytes, sizeof bytes) != sizeof bytes) state.SkipWithError("write failed");
    if (flush) ::fsync(fd);
    ::close(fd);
  }
}
void BM_Write48FlushedToDisk(benchmark::State& state) {
  Write48(state, {}, true);
}
void BM_Write48InMemory(benchmark::State& state) {
  Write48(state, examtest::MemoryBackedDir(), false);
}
BENCHMARK(BM_Write48FlushedToDisk)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Write48InMemory)->Unit(benchmark::kMicrosecond);

// ---- a fresh process: the start and the memory ----

// Runs the probe and returns what it printed.
std::string Probe(const std::vector<std::string>& args, long long* startNs) {
  std::vector<char*> argv;
  static std::string probe = EXAM_PROBE_PATH;
  argv.push_back(probe.data());
  std::vector<std::string> copies = args;
  for (auto& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (::pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  *startNs = t.tv_sec * 1000000000LL + t.tv_nsec;
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, probe.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string text;
  char buffer[256];
  for (ssize_t n; !failed && (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, n);
  ::close(out[0]);
  int status = 0;
  if (!failed) ::waitpid(pid, &status, 0);
  return failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ? std::string() : text;
}

void StartToPaint(benchmark::State& state, const std::vector<std::string>& args) {
  for (auto _ : state) {
    long long start = 0, painted = 0;
    const std::string out = Probe(args, &start);
    if (std::sscanf(out.c_str(), "painted %lld", &painted) != 1) {
      state.SkipWithError("the probe painted nothing");
      return;
    }
    state.SetIterationTime(double(painted - start) / 1e9);
  }
}
void BM_StartEmptyWindow(benchmark::State& state) {
  StartToPaint(state, {"empty"});
}
void BM_StartToFirstPage(benchmark::State& state) {
  StartToPaint(state, {"first-page", DemoTest().toStdString()});
}
BENCHMARK(BM_StartEmptyWindow)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartToFirstPage)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// Peak resident memory of the program with the 50 MB test open, paged through to its end.
void BM_PeakMemory(benchmark::State& state) {
  const std::string& test = BigTest();
  for (auto _ : state) {
    long long start = 0;
    const std::string out = Probe({"page-through", test}, &start);
    int pages = 0, played = 0;
    long rss = 0;
    if (std::sscanf(out.c_str(), "pages %d played %d peak_rss_kb %ld", &pages, &played, &rss) !=
            3 ||
        pages != kBigQuestions) {
      state.SkipWithError("the probe did not page through the test");
      return;
    }
    state.counters["pages"] = pages;
    state.counters["peak_rss_MB"] = double(rss) * 1024 / 1e6;
    state.counters["file_MB"] = double(fs::file_size(test)) / 1e6;
  }
}
BENCHMARK(BM_PeakMemory)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
