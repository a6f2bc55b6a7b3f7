// Running examtool from the tests.
#include "ToolTestSupport.h"

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <sys/wait.h>

#include "ExamFixtures.h"

namespace tooltest {

std::string Quote(const std::filesystem::path& p) {
  std::string out = "'";
  for (char c : p.string()) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

TRun RunTool(const std::filesystem::path& dir, const std::string& args) {
  const auto out = dir / ".tool-out", err = dir / ".tool-err";
  const std::string command = "cd " + Quote(dir) + " && " + Quote(EXAMTOOL_PATH) + " " + args +
                              " >" + Quote(out) + " 2>" + Quote(err) + " </dev/null";
  const int status = std::system(command.c_str());
  TRun run;
  run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.Out = examtest::ReadFile(out);
  run.Err = examtest::ReadFile(err);
  return run;
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

}  // namespace tooltest
