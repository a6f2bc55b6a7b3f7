// Speed of the teacher's tool: grading a large class, making a large test, importing a bank.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BankImport.h"
#include "ExamFixtures.h"
#include "Grading.h"
#include "LoadTest.h"
#include "PageMaker.h"
#include "TestImageBuilder.h"
#include "TestMaker.h"
#include "TestReader.h"
#include "TestSource.h"
#include "TestUserAnswers.h"
#include "ToolTestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr int kQuestions = 200;
constexpr int kOptions = 5;
constexpr int kStudents = 10000;

// A 200-question key and 10,000 answer files with varied marks, written once.
struct TClass {
  examtest::TPrivateTempDir Dir{examtest::MemoryBackedDir()};
  std::string Key = (Dir.Path() / "key.tst-ans").string();
  std::vector<std::string> Files;

  TClass() {
    const std::string image = WriteTestImage(fixture::Uniform(kQuestions, kOptions));
    examtest::WriteFile(Key, image);
    TTestUserAnswers a;
    for (int s = 0; s < kStudents; ++s) {
      a.SetOptionCount(kQuestions * kOptions);
      a.SetIdent(GetTestIdent(fixture::View(image)));
      for (int q = 0; q < kQuestions; ++q) a.SetMarked(q * kOptions + (q * 7 + s) % kOptions, true);
      a.SetElapsedSeconds(s % 3600);
      const std::string number = std::to_string(s);
      a.SetUserName(std::string("Student ").append(number));
      Files.push_back((Dir.Path() / std::string("s").append(number).append(".tst-usr")).string());
      a.SaveToFile(Files.back());
    }
  }
};

TClass& Class() {
  static TClass cls;
  return cls;
}

void BM_GradeClass(benchmark::State& state) {
  TClass& cls = Class();
  for (auto _ : state) {
    TTestReader key;
    if (!LoadTestFile(cls.Key, key).empty()) state.SkipWithError("key did not load");
    TClassGrades grades = GradeClass(key, cls.Files);
    auto items = ItemStatistics(key, grades);
    benchmark::DoNotOptimize(items);
    if (grades.Students.size() != kStudents) state.SkipWithError("not every file was graded");
  }
  state.counters["files"] = kStudents;
}
BENCHMARK(BM_GradeClass)->Unit(benchmark::kMillisecond);

// Processor time of the ended child processes so far, in milliseconds.
double ChildrenCpuMs() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// The tool as the teacher runs it on the class folder, its table written out.
void ExamtoolGrade(benchmark::State& state, const std::string& options) {
  TClass& cls = Class();
  const double before = ChildrenCpuMs();
  for (auto _ : state) {
    const tooltest::TRun run =
        tooltest::RunTool(cls.Dir.Path(), "grade " + tooltest::Quote(cls.Key) + " " +
                                              tooltest::Quote(cls.Dir.Path()) + options);
    if (run.Exit != 0) state.SkipWithError(run.Err.c_str());
  }
  state.counters["files"] = kStudents;
  // The tool's own processor time (user and system): other work on the machine does not stretch
  // it as it stretches the wall clock.
  state.counters["cpu_ms"] = (ChildrenCpuMs() - before) / double(state.iterations());
}
void BM_ExamtoolGrade(benchmark::State& state) {
  ExamtoolGrade(state, "");
}
BENCHMARK(BM_ExamtoolGrade)->UseRealTime()->Unit(benchmark::kMillisecond);
// The same with the item analysis of all 200 questions.
void BM_ExamtoolGradeItems(benchmark::State& state) {
  ExamtoolGrade(state, " --items");
}
BENCHMARK(BM_ExamtoolGradeItems)->UseRealTime()->Unit(benchmark::kMillisecond);

// The floor: the same files read whole, one after the other.
void BM_ReadClassFiles(benchmark::State& state) {
  TClass& cls = Class();
  size_t bytes = 0;
  std::string buffer;
  for (auto _ : state) {
    bytes = 0;
    for (const std::string& f : cls.Files) {
      const int fd = ::open(f.c_str(), O_RDONLY | O_CLOEXEC);
      struct stat st {};
      ::fstat(fd, &st);
      buffer.resize(static_cast<size_t>(st.st_size));
      if (::read(fd, buffer.data(), buffer.size()) != st.st_size) state.SkipWithError("short read");
      ::close(fd);
      bytes += buffer.size();
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.counters["files"] = kStudents;
  state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_ReadClassFiles)->Unit(benchmark::kMillisecond);

void BM_MakeTest(benchmark::State& state) {
  std::string source = "---\ntitle: Большой тест\n---\n# Тема\n## Уровень {minutes=60 weight=10}\n";
  for (int q = 0; q < kQuestions; ++q) {
    source.append("### Вопрос\nВопрос номер ").append(std::to_string(q + 1));
    source.append(
        ": какое из утверждений верно? Прочитайте **внимательно** все варианты ответа, "
        "прежде чем выбрать.\n\n- первый пункт\n- второй пункт\n\n");
    for (int o = 0; o < kOptions; ++o) {
      source.append(o == 0 ? "- [x] " : "- [ ] ").append(1, char('A' + o)).append(") вариант ");
      source.append(std::to_string(o)).append("\n");
    }
  }
  for (auto _ : state) {
    std::vector<TSourceError> errors;
    const TSourceTest test = ParseTestSource(source, errors);
    std::vector<std::string> pages;
    for (const auto& question : test.Topics[0].Levels[0].Questions) {
      pages.push_back(MakeMarkdownPage(question.Body, ".").Metafile);
    }
    TMadeTest made = MakeTestImages(test, pages, RandomIdent());
    benchmark::DoNotOptimize(made);
    state.counters["bytes"] = double(made.Test.size());
  }
}
BENCHMARK(BM_MakeTest)->Unit(benchmark::kMillisecond);

// A Moodle XML bank of 200 questions of HTML text and five answers each, read and written as a
// source in memory.
void BM_ImportBank(benchmark::State& state) {
  std::string bank = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n";
  for (int q = 0; q < kQuestions; ++q) {
    if (q % 20 == 0) {
      bank.append("<question type=\"category\"><category><text>$course$/top/Курс/Тема ")
          .append(std::to_string(q / 20))
          .append("</text></category></question>\n");
    }
    bank.append("<question type=\"multichoice\"><name><text>Вопрос ").append(std::to_string(q + 1));
    bank.append(
        "</text></name><questiontext format=\"html\"><text><![CDATA[<p>Какое из утверждений "
        "<b>верно</b>? Прочитайте <i>внимательно</i> все варианты, H<sub>2</sub>O.</p>"
        "<ul><li>первый пункт</li><li>второй пункт</li></ul>]]></text></questiontext>"
        "<defaultgrade>2</defaultgrade><single>true</single>");
    for (int o = 0; o < kOptions; ++o) {
      bank.append("<answer fraction=\"")
          .append(o == 0 ? "100" : "0")
          .append("\"><text><![CDATA[<p>вариант ");
      bank.append(std::to_string(o)).append("</p>]]></text></answer>");
    }
    bank.append("</question>\n");
  }
  bank.append("</quiz>\n");
  TBankImportOptions options;
  options.BankName = "bank";
  options.ImagesFolder = "bank-images";
  for (auto _ : state) {
    TBankImport imported = ImportBank(bank, options);
    if (!imported.Ok || imported.Questions != kQuestions)
      state.SkipWithError("the bank was not imported");
    benchmark::DoNotOptimize(imported);
  }
  state.counters["bank_bytes"] = double(bank.size());
}
BENCHMARK(BM_ImportBank)->Unit(benchmark::kMillisecond);

// A 20-question source with five formula places on each page; the first `formulas` of them are
// TeX (each different), the others the same text written plainly.
std::string FormulaSource(int formulas) {
  std::string source = "---\ntitle: Формулы\n---\n# Тема\n## Уровень {minutes=60 weight=10}\n";
  int place = 0;
  for (int q = 0; q < 20; ++q) {
    source.append("### Вопрос\nРешите уравнение номер ").append(std::to_string(q + 1)).append(":\n\n");
    for (int f = 0; f < 5; ++f, ++place) {
      const std::string n = std::to_string(place + 1);
      if (place < formulas) {
        source.append(f % 2 ? "$$x_{" + n + "} = \\frac{-b \\pm \\sqrt{b^2 - 4ac}}{2a}$$\n\n"
                            : "Сумма $\\sum_{k=1}^{" + n + "} k^2$ при $n = " + n + "$.\n\n");
      } else {
        source.append(f % 2 ? "x" + n + " = (-b ± корень из (b2 - 4ac)) / 2a\n\n"
                            : "Сумма k2 от 1 до " + n + " при n = " + n + ".\n\n");
      }
    }
    source.append("- [x] A) да\n- [ ] B) нет\n");
  }
  return source;
}

// make of FormulaSource(formulas) with the cache emptied before each run (cold) or kept (warm).
void BM_MakeFormulas(benchmark::State& state) {
  const int formulas = int(state.range(0));
  const bool warm = state.range(1) != 0;
  const std::string source = FormulaSource(formulas);
  examtest::TPrivateTempDir tmp;
  TTexSetup tex;
  tex.CacheDir = (tmp.Path() / "cache").string();
  std::vector<TSourceError> errors;
  if (warm && !MakeTestFromSource(source, ".", TTestIdent{}, errors, tex)) {
    state.SkipWithError(errors.empty() ? "nothing made" : errors.front().Message.c_str());
  }
  for (auto _ : state) {
    if (!warm) {
      state.PauseTiming();
      fs::remove_all(tex.CacheDir);
      state.ResumeTiming();
    }
    errors.clear();
    const auto made = MakeTestFromSource(source, ".", TTestIdent{}, errors, tex);
    if (!made) state.SkipWithError(errors.empty() ? "nothing made" : errors.front().Message.c_str());
    benchmark::DoNotOptimize(made);
  }
  state.SetLabel(std::to_string(formulas) + (warm ? " formulas, warm cache" : " formulas, cold cache"));
}
BENCHMARK(BM_MakeFormulas)
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({100, 0})
    ->Args({100, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
