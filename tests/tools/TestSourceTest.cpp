// The test source parser: a full source, and each kind of mistake reported at its line.
#include <gtest/gtest.h>

#include "TestSource.h"

namespace {

const char kGood[] = R"(---
title: Физика
---
# Кинематика
## Уровень 1 {minutes=10 weight=10}
### Вопрос {max=1}
Какова единица измерения скорости?
- [x] A) м/с
- [ ] B) км/ч
- [ ] C) Н {marked=-0.5 unmarked=0.25}
### Вопрос {page=pages/q2.emf multi}
- [x] A) да
- [ ] B) нет
## Уровень 2 {minutes=5 weight=2.5}
### Вопрос
Текст
- [X] 1) один
- [x] 2) два
)";

TEST(TestSource, ParsesStructureAndKey) {
  std::vector<TSourceError> errors;
  const TSourceTest t = ParseTestSource(kGood, errors);
  ASSERT_TRUE(errors.empty()) << errors[0].Line << ": " << errors[0].Message;
  EXPECT_EQ(t.Title, "Физика");
  ASSERT_EQ(t.Topics.size(), 1u);
  EXPECT_EQ(t.Topics[0].Name, "Кинематика");
  ASSERT_EQ(t.Topics[0].Levels.size(), 2u);
  const TSourceLevel& l1 = t.Topics[0].Levels[0];
  EXPECT_EQ(l1.Minutes, 10);
  EXPECT_EQ(l1.Weight, 10.0);
  ASSERT_EQ(l1.Questions.size(), 2u);
  const TSourceQuestion& q1 = l1.Questions[0];
  EXPECT_EQ(q1.MaxScore, 1.0);
  EXPECT_FALSE(q1.Multi);
  EXPECT_EQ(q1.Body, "Какова единица измерения скорости?\n");
  ASSERT_EQ(q1.Options.size(), 3u);
  EXPECT_EQ(q1.Options[0].Caption, "A) м/с");
  EXPECT_EQ(q1.Options[0].Marked, 1.0);
  EXPECT_EQ(q1.Options[1].Marked, 0.0);
  EXPECT_EQ(q1.Options[2].Marked, -0.5);
  EXPECT_EQ(q1.Options[2].Unmarked, 0.25);
  EXPECT_EQ(q1.Options[2].Caption, "C) Н");
  EXPECT_EQ(l1.Questions[1].PageFile, "pages/q2.emf");
  EXPECT_TRUE(l1.Questions[1].Multi);
  EXPECT_EQ(t.Topics[0].Levels[1].Weight, 2.5);
  EXPECT_EQ(t.Topics[0].Levels[1].Questions[0].ScoringOptions(), 2);
}

TEST(TestSource, WindowsLineEndsAndByteOrderMark) {
  std::string crlf = "\xEF\xBB\xBF";
  for (char c : std::string(kGood)) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  std::vector<TSourceError> errors;
  const TSourceTest t = ParseTestSource(crlf, errors);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(t.Title, "Физика");
  EXPECT_EQ(t.Topics[0].Levels[0].Questions[0].Options[0].Caption, "A) м/с");
}

struct BadSource {
  const char* name;
  std::string text;
  int line;
  const char* message;
};

std::string With(const std::string& from, const std::string& to) {
  std::string s = kGood;
  const size_t at = s.find(from);
  if (at == std::string::npos) return "marker not found: " + from;
  return s.replace(at, from.size(), to);
}

TEST(TestSource, MistakesAreReportedAtTheirLine) {
  const BadSource cases[] = {
      {"caption outside cp1251", With("B) км/ч", "B) м/с²"), 9, "code page"},
      {"topic name outside cp1251", With("# Кинематика", "# Кинематика 😀"), 4, "code page"},
      {"no title", With("title: Физика", ""), 1, "no title"},
      {"level without minutes", With("{minutes=10 weight=10}", "{weight=10}"), 5, "minutes"},
      {"bad minutes", With("minutes=10", "minutes=ten"), 5, "whole number"},
      {"negative weight", With("weight=10", "weight=-1"), 5, "weight"},
      {"unknown level attribute", With("weight=10}", "weight=10 colour=red}"), 5, "unknown level attribute"},
      {"unknown question attribute", With("{max=1}", "{maximum=1}"), 6, "unknown question attribute"},
      {"bad option score", With("marked=-0.5", "marked=half"), 10, "must be a number"},
      {"question without options", With("- [x] A) да\n- [ ] B) нет\n", ""), 11, "no options"},
      {"question with no right option", With("- [x] A) да", "- [ ] A) да"), 11, "scores"},
      {"page file and text", With("### Вопрос {page=pages/q2.emf multi}\n", "### Вопрос {page=pages/q2.emf multi}\nТекст\n"), 11, "both"},
      {"question without a page", With("Текст\n", ""), 15, "no page"},
      {"text after the options", With("- [ ] B) нет\n", "- [ ] B) нет\nещё текст\n"), 14, "after the options"},
      {"level before a topic", "---\ntitle: T\n---\n## L {minutes=1 weight=1}\n", 4, "before the first topic"},
      {"question before a level", "---\ntitle: T\n---\n# T\n### Q\ntext\n- [x] A\n", 5, "before the first level"},
      {"text before any question", "---\ntitle: T\n---\nhello\n", 4, "outside a question"},
      {"empty option caption", With("- [ ] B) км/ч", "- [ ] {marked=1}"), 9, "no caption"},
      {"unclosed front matter", "---\ntitle: T\n# T\n", 1, "not closed"},
      {"no topics", "---\ntitle: T\n---\n", 4, "no topics"},
  };
  for (const auto& c : cases) {
    std::vector<TSourceError> errors;
    ParseTestSource(c.text, errors);
    bool found = false;
    for (const auto& e : errors) found = found || (e.Line == c.line && e.Message.find(c.message) != std::string::npos);
    std::string all;
    for (const auto& e : errors) all += "\n  " + std::to_string(e.Line) + ": " + e.Message;
    EXPECT_TRUE(found) << c.name << ", got:" << all;
  }
}

}  // namespace
