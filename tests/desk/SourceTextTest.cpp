// What the window reads out of a source: the question under a line, the identity line it writes,
// and whether old answers still fit a rebuilt test.
#include <gtest/gtest.h>

#include "ExamFixtures.h"
#include "SourceText.h"
#include "TestMaker.h"
#include "TestReader.h"

namespace {

const char kSource[] =
    "---\n"
    "title: T\n"
    "---\n"
    "# A\n"
    "## L {minutes=1 weight=1}\n"
    "### Q\n"
    "one\n"
    "- [x] A) a\n"
    "- [ ] B) b\n"
    "### Q\n"
    "two\n"
    "- [x] A) a\n"
    "- [ ] B) b\n";

TEST(SourceText, TheQuestionUnderALineIsTheLastOneStartingAtOrBeforeIt) {
  std::vector<TSourceError> errors;
  const TSourceTest test = ParseTestSource(kSource, errors);
  ASSERT_TRUE(errors.empty());
  const auto places = QuestionPlaces(test);
  ASSERT_EQ(places.size(), 2u);
  const struct {
    int line, question;
  } cases[] = {{1, 0}, {5, 0}, {6, 0}, {9, 0}, {10, 1}, {13, 1}, {400, 1}};
  for (const auto& c : cases) EXPECT_EQ(QuestionAtLine(places, c.line), c.question) << c.line;
  EXPECT_EQ(QuestionAtLine({}, 3), -1);
}

TEST(SourceText, TheIdentLineIsReplacedOrAddedInTheFrontMatterOnly) {
  const struct {
    const char* text;
    const char* expected;
  } cases[] = {
      {"---\ntitle: T\n---\n# A\n", "---\nident: X\ntitle: T\n---\n# A\n"},
      {"---\ntitle: T\nident: OLD\n---\n", "---\ntitle: T\nident: X\n---\n"},
      {"---\r\ntitle: T\r\nident: OLD\r\n---\r\n", "---\r\ntitle: T\r\nident: X\r\n---\r\n"},
      {"---\r\ntitle: T\r\n---\r\n", "---\r\nident: X\r\ntitle: T\r\n---\r\n"},
      // an ident: line below the front matter is page text, not the identity
      {"---\ntitle: T\n---\nident: page\n", "---\nident: X\ntitle: T\n---\nident: page\n"},
      {"# no front matter\n", "# no front matter\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithIdentLine(c.text, "X"), c.expected) << c.text;
}

TEST(SourceText, ADroppedPageFileBecomesTheHeadingsPageAttribute) {
  const struct {
    const char* heading;
    const char* expected;
  } cases[] = {
      {"### Вопрос", "### Вопрос {page=images/p.emf}"},
      {"### Вопрос {max=2 multi}", "### Вопрос {max=2 multi page=images/p.emf}"},
      {"### Вопрос {page=old.wmf max=2}  ", "### Вопрос {max=2 page=images/p.emf}"},
      {"### {x} in text {multi}", "### {x} in text {multi page=images/p.emf}"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HeadingWithPage(c.heading, "images/p.emf"), c.expected) << c.heading;
}

TEST(SourceText, OldAnswersFitOnlyTheSameQuestionsAndOptionCounts) {
  std::vector<TSourceError> errors;
  const std::optional<TMadeTest> made = MakeTestFromSource(kSource, ".", RandomIdent(), errors);
  ASSERT_TRUE(made) << (errors.empty() ? "" : errors[0].Message);
  TTestReader key;
  key.SetMemory(MemoryBlockOf(made->Answers));
  const struct {
    std::string text;
    bool fits;
  } cases[] = {
      {kSource, true},
      {std::string(kSource).replace(std::string(kSource).find("one"), 3, "changed wording"), true},
      {std::string(kSource) + "- [ ] C) c\n", false},                            // an option more
      {std::string(kSource) + "### Q\nthree\n- [x] A) a\n- [ ] B) b\n", false},  // a question more
  };
  for (const auto& c : cases) {
    std::vector<TSourceError> e;
    EXPECT_EQ(SameAnswerLayout(key, ParseTestSource(c.text, e)), c.fits) << c.text;
  }
}

}  // namespace
