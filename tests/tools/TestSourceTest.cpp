// The test source parser: a full source, each kind of mistake reported at its line, and the
// superscript and subscript mark-up of page text.
#include <gtest/gtest.h>

#include "ScriptMarkup.h"
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
      {"unclosed superscript", With("измерения скорости?", "скорости в м/с^{2?"), 7, "not closed"},
      {"unclosed subscript on a later page line", With("Текст\n", "Текст\n\nH_{2O\n"), 18,
       "not closed"},
      {"empty subscript", With("Текст\n", "Текст H_{ }O\n"), 16, "empty"},
      {"nested superscripts", With("Текст\n", "Текст e^{x^{2}}\n"), 16, "do not nest"},
      {"mark-up in a caption", With("B) км/ч", "B) м/с^{2}"), 9, "plain text"},
      {"mark-up in a topic name", With("# Кинематика", "# Кинематика v_{0}"), 4, "plain text"},
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

// A page's mark-up is checked when its question ends, after the lines below it: the report still
// comes in line order.
TEST(TestSource, ErrorsComeInLineOrder) {
  std::string text = With("измерения скорости?", "скорости в м/с^{2?");
  text = text.replace(text.find("B) км/ч"), 10, "B) км/ч ²");
  std::vector<TSourceError> errors;
  ParseTestSource(text, errors);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].Line, 7);
  EXPECT_EQ(errors[1].Line, 9);
}

// The marks MarkScripts leaves, written back as tags so that a case reads at a glance.
std::string Tagged(const std::string& marked) {
  std::string out;
  for (size_t i = 0; i < marked.size(); ++i) {
    if (marked.compare(i, 2, "\xEE\x80") == 0 && i + 2 < marked.size()) {
      const char kind = marked[i + 2];
      out += kind == '\x80' ? "<sup>" : kind == '\x81' ? "<sub>" : "</>";
      i += 2;
    } else {
      out += marked[i];
    }
  }
  return out;
}

TEST(ScriptMarkup, MarksScriptsAndLeavesCodeLinksAndEscapesAlone) {
  const struct {
    const char* markdown;
    const char* tagged;
  } cases[] = {
      {"м/с^{2}, H_{2}O", "м/с<sup>2</>, H<sub>2</>O"},
      {"x^{2} + y^{2} = **r^{2}**", "x<sup>2</> + y<sup>2</> = **r<sup>2</>**"},
      {"| a_{1} | b^{-1} |", "| a<sub>1</> | b<sup>-1</> |"},
      {"x^2, snake_case, {braces} and a_ {b}", "x^2, snake_case, {braces} and a_ {b}"},
      {"`a_{1}` and ``x^{`` y^{2}", "`a_{1}` and ``x^{`` y<sup>2</>"},
      {"\\^{not} \\_{this}", "\\^{not} \\_{this}"},
      {"[see](img_{1}.png) and ![](p^{2}.png)", "[see](img_{1}.png) and ![](p^{2}.png)"},
      {"```\nx^{2\n```\nafter^{1}\n", "```\nx^{2\n```\nafter<sup>1</>\n"},
      {"~~~~\n```\nq_{\n~~~~\nz_{0}", "~~~~\n```\nq_{\n~~~~\nz<sub>0</>"},
  };
  for (const auto& c : cases) {
    std::vector<TSourceError> errors;
    EXPECT_EQ(Tagged(MarkScripts(c.markdown, errors)), c.tagged) << c.markdown;
    EXPECT_TRUE(errors.empty()) << c.markdown << ": " << errors.front().Message;
  }
}

TEST(ScriptMarkup, WrongMarkupIsAnErrorAtItsLine) {
  const struct {
    const char* markdown;
    int line;
    const char* message;
  } cases[] = {
      {"м/с^{2", 1, "superscript \"^{\" is not closed"},
      {"first\nH_{2\n}O", 2, "subscript \"_{\" is not closed"},
      {"x^{}", 1, "is empty"},
      {"x^{  }", 1, "is empty"},
      {"ok\n\ne^{x_{1}}", 3, "do not nest"},
      {"reserved \xEE\x80\x81 mark", 1, "private-use"},
  };
  for (const auto& c : cases) {
    std::vector<TSourceError> errors;
    MarkScripts(c.markdown, errors);
    ASSERT_FALSE(errors.empty()) << c.markdown;
    EXPECT_EQ(errors.front().Line, c.line) << c.markdown;
    EXPECT_NE(errors.front().Message.find(c.message), std::string::npos)
        << c.markdown << ": " << errors.front().Message;
  }
}

}  // namespace
