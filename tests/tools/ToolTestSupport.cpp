// Running examtool from the tests.
#include "ToolTestSupport.h"

#include <sys/wait.h>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "Cp1251.h"
#include "ExamFixtures.h"
#include "TestImageBuilder.h"
#include "TestReader.h"
#include "TestUserAnswers.h"

namespace tooltest {

std::string Quote(const std::filesystem::path& p) {
  std::string out = "'";
  for (char c : p.string()) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  return out + "'";
}

TRun RunCommand(const std::filesystem::path& dir, const std::string& command) {
  const auto out = dir / ".tool-out", err = dir / ".tool-err";
  const std::string line = "cd " + Quote(dir) + " && " + command + " >" + Quote(out) + " 2>" +
                           Quote(err) + " </dev/null";
  const int status = std::system(line.c_str());
  TRun run;
  run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Out = examtest::ReadFile(out);
  run.Err = examtest::ReadFile(err);
  return run;
}

TRun RunTool(const std::filesystem::path& dir, const std::string& args) {
  return RunCommand(dir, Quote(EXAMTOOL_PATH) + " " + args);
}

TScopedEnv::TScopedEnv(const char* name, const std::string& value) : FName(name) {
  if (const char* old = std::getenv(name)) {
    FOld = old;
    FHadOld = true;
  }
  setenv(name, value.c_str(), 1);
}

TScopedEnv::~TScopedEnv() {
  if (FHadOld) {
    setenv(FName.c_str(), FOld.c_str(), 1);
  } else {
    unsetenv(FName.c_str());
  }
}

bool HaveProgram(const std::string& name) {
  return std::system(("command -v " + Quote(name) + " >/dev/null 2>&1").c_str()) == 0;
}

void WriteSmallSource(const std::filesystem::path& dir) {
  QImage picture(120, 60, QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter(&picture).fillRect(10, 10, 100, 40, Qt::blue);
  picture.save(QString::fromStdString((dir / "pic.png").string()));
  examtest::WriteFile(dir / "test.md", R"(---
title: Проверка
---
# Первая тема
## Уровень {minutes=3 weight=10}
### Вопрос
Сколько будет **2 + 2**?
- [ ] A) 3
- [x] B) 4
- [ ] C) 5 {marked=-1}
### Вопрос {max=2}
Отметьте чётные числа.

![](pic.png)
- [x] A) 2
- [x] B) 4
- [ ] C) 5
# Вторая тема
## Уровень {minutes=2 weight=30}
### Вопрос {multi}
| x | y |
|---|---|
| 1 | 2 |

Верно ли, что y = 2x?
- [x] A) да
- [ ] B) нет
)");
}

void WriteAnswers(const std::filesystem::path& path, const std::string& test,
                  const std::string& student, const std::vector<int>& marks, int options,
                  uint8_t identSeed) {
  TTestUserAnswers a;
  a.SetOptionCount(options);
  a.SetIdent(identSeed ? fixture::Ident(identSeed) : GetTestIdent(fixture::View(test)));
  for (int m : marks) a.SetMarked(m, true);
  a.SetElapsedSeconds(75);
  a.SetUserName(Utf8ToCp1251(student).Text);
  a.SaveToFile(path.string());
}

void WriteClass(const std::filesystem::path& dir, const std::string& key, int students,
                unsigned seed, int reversed) {
  TTestReader reader;
  reader.SetMemory(MemoryBlockOf(key));
  const TTestAnswersLayout& layout = reader.Layout();
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> chance(0.0, 1.0);
  for (int s = 0; s < students; ++s) {
    const double strength = students > 1 ? double(s) / (students - 1) : 0.5;
    TTestUserAnswers answers;
    answers.SetOptionCount(layout.TotalOptions());
    answers.SetIdent(reader.GetIdent());
    for (int32_t q = 0; q < layout.QuestionCount(); ++q) {
      const bool knows = q == reversed ? strength < 0.5 : chance(random) < 0.2 + 0.75 * strength;
      std::vector<int32_t> wrong;
      for (int32_t i = 0; i < layout.OptionCount(q); ++i) {
        const int32_t option = layout.OptionIndex(q, i);
        const bool right = layout.OptionScore(option, true) > 0;
        if (right && knows) answers.SetMarked(option, true);
        if (!right) wrong.push_back(option);
      }
      // Who does not know picks a wrong option, the first one most often: a strong distractor.
      if (!knows && !wrong.empty()) {
        const size_t pick = chance(random) < 0.6 ? 0 : random() % wrong.size();
        answers.SetMarked(wrong[pick], true);
      }
    }
    answers.SetElapsedSeconds(300 + 37 * s);
    char name[32];
    std::snprintf(name, sizeof name, "student-%02d.tst-usr", s + 1);
    answers.SetUserName(Utf8ToCp1251("Ученик №" + std::to_string(s + 1)).Text);
    answers.SaveToFile((dir / name).string());
  }
}

}  // namespace tooltest
