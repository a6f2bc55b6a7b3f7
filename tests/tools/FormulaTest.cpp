// TeX formulas on pages: found in the Markdown, typeset in one TeX run, cached, and drawn as
// outlines on the text's baseline.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <filesystem>

#include "ExamFixtures.h"
#include "Formulas.h"
#include "Metafile.h"
#include "MetafilePlayer.h"
#include "MetafileText.h"
#include "PageMaker.h"
#include "RecordTypes.h"
#include "TestMaker.h"
#include "ToolTestSupport.h"

namespace fs = std::filesystem;

namespace {

// U+E100 + i in UTF-8.
std::string Mark(int i) {
  const char32_t c = 0xE100 + char32_t(i);
  return {char(0xE0 | (c >> 12)), char(0x80 | ((c >> 6) & 0x3F)), char(0x80 | (c & 0x3F))};
}

TEST(FormulaMarkup, FormulasBecomeMarksAndTheRestIsLeftAlone) {
  const struct {
    const char* markdown;
    std::string marked;
    std::vector<std::pair<std::string, bool>> formulas;  // TeX, display
  } cases[] = {
      {"a $x^2$ b\n", "a " + Mark(0) + " b\n", {{"x^2", false}}},
      {"$$\\frac{1}{2}$$\n", Mark(0) + "\n", {{"\\frac{1}{2}", true}}},
      {"$a$ and $$b$$\n", Mark(0) + " and " + Mark(1) + "\n", {{"a", false}, {"b", true}}},
      {"costs \\$5, not $\\$5$\n", "costs \\$5, not " + Mark(0) + "\n", {{"\\$5", false}}},
      {"`$x$` and ``a $ b``\n", "`$x$` and ``a $ b``\n", {}},
      {"```\n$x\n```\n", "```\n$x\n```\n", {}},
      {"[a](http://x/$y) $z$\n", "[a](http://x/$y) " + Mark(0) + "\n", {{"z", false}}},
      {"one $a +\nb$ two\n", "one " + Mark(0) + " two\n", {{"a + b", false}}},
  };
  for (const auto& c : cases) {
    std::vector<TFormula> formulas;
    std::vector<TSourceError> errors;
    const std::string marked = MarkFormulas(c.markdown, formulas, errors);
    EXPECT_TRUE(errors.empty()) << c.markdown << ": " << errors.front().Message;
    EXPECT_EQ(marked, c.marked) << c.markdown;
    ASSERT_EQ(formulas.size(), c.formulas.size()) << c.markdown;
    for (size_t i = 0; i < formulas.size(); ++i) {
      EXPECT_EQ(formulas[i].Tex, c.formulas[i].first) << c.markdown;
      EXPECT_EQ(formulas[i].Display, c.formulas[i].second) << c.markdown;
    }
  }
  // Lines are kept when asked, so that later checks name the source's lines.
  std::vector<TFormula> formulas;
  std::vector<TSourceError> errors;
  EXPECT_EQ(MarkFormulasKeepingLines("one $a +\nb$ two\n", formulas, errors),
            "one " + Mark(0) + "\n two\n");
  EXPECT_TRUE(HoldsFormula("A) $x$"));
  EXPECT_FALSE(HoldsFormula("A) 5 $"));
  EXPECT_FALSE(HoldsFormula("A) \\$5 or \\$6"));
}

TEST(FormulaMarkup, WrongFormulasAreErrorsAtTheirLines) {
  const struct {
    const char* markdown;
    int line;
    const char* error;
  } cases[] = {
      {"text\nprice 5 $ only\n", 2,
       "the \"$\" opens a formula that no \"$\" closes in its paragraph"},
      {"a $x\n\nb$ c\n", 1, "no \"$\" closes in its paragraph"},
      {"a $$x$ b\n", 1, "closed with a single \"$\""},
      {"a $$x\n", 1, "the \"$$\" opens a formula"},
      {"a $ $ b\n", 1, "is empty"},
      {"a $x\n```\ny$\n```\n", 1, "no \"$\" closes in its paragraph"},
      {"x \xEE\x84\x80 y\n", 1, "private-use character"},
  };
  for (const auto& c : cases) {
    std::vector<TFormula> formulas;
    std::vector<TSourceError> errors;
    MarkFormulas(c.markdown, formulas, errors);
    ASSERT_FALSE(errors.empty()) << c.markdown;
    EXPECT_EQ(errors.front().Line, c.line) << c.markdown;
    EXPECT_NE(errors.front().Message.find(c.error), std::string::npos) << errors.front().Message;
  }
}

std::string Source(const std::string& page, const std::string& caption = "A) да",
                   const std::string& topic = "Тема") {
  return "---\ntitle: Тест\n---\n# " + topic + "\n## Уровень {minutes=1 weight=1}\n### Вопрос\n" +
         page + "- [x] " + caption + "\n- [ ] B) нет\n";
}

TEST(FormulaSource, FormulasInPlainTextAndBrokenOnesAreErrorsAtTheirLines) {
  const struct {
    std::string source;
    int line;
    const char* error;
  } cases[] = {
      {Source("Текст\n", "A) $x^2$"), 8,
       "the option caption is plain text and cannot hold a formula"},
      {Source("Текст\n", "A) да", "Тема $x$"), 4,
       "the topic name is plain text and cannot hold a formula"},
      {Source("Строка\nцена 5 $ и только\n"), 8, "opens a formula that no"},
      // A script error after a formula of two lines is still named at its own line.
      {Source("$a +\nb$\nx^{2\n"), 9, "is not closed"},
  };
  for (const auto& c : cases) {
    std::vector<TSourceError> errors;
    ParseTestSource(c.source, errors);
    ASSERT_EQ(errors.size(), 1u) << c.source;
    EXPECT_EQ(errors[0].Line, c.line) << errors[0].Message;
    EXPECT_NE(errors[0].Message.find(c.error), std::string::npos) << errors[0].Message;
  }
  std::vector<TSourceError> errors;
  ParseTestSource(Source("Стоит \\$5.\n", "A) 5 $"), errors);
  EXPECT_TRUE(errors.empty()) << errors.front().Message;
}

// Typesetting needs TeX, which scripts/install-deps installs.
class FormulaTypesetting : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!tooltest::HaveProgram("latex") || !tooltest::HaveProgram("dvisvgm"))
      GTEST_SKIP() << "TeX is not installed (scripts/install-deps)";
    FSetup.CacheDir = (FTmp.Path() / "cache").string();
  }

  std::optional<TMadeTest> Make(const std::string& source, std::vector<TSourceError>& errors) {
    return MakeTestFromSource(source, FTmp.Path().string(), TTestIdent{1}, errors, FSetup);
  }

  TPageResult Page(const std::string& markdown) {
    std::vector<TFormula> formulas;
    std::vector<TSourceError> errors;
    MarkFormulas(markdown, formulas, errors);
    const TFormulaPictures pictures = TypesetFormulas(formulas, FSetup, errors);
    EXPECT_TRUE(errors.empty()) << errors.front().Message;
    return MakeMarkdownPage(markdown, ".", pictures);
  }

  size_t CacheEntries() const {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(FSetup.CacheDir))
      n += e.path().extension() == ".svg";
    return n;
  }

  examtest::TPrivateTempDir FTmp;
  TTexSetup FSetup;
};

TEST_F(FormulaTypesetting, FormulasArePathsNotTextNorPictures) {
  const TPageResult page = Page("Text $\\frac{a}{b} + \\sqrt{x}$ and\n\n$$\\sum_{k=1}^{n} k^2$$\n");
  ASSERT_EQ(page.Error, "");
  TMetafile metafile;
  ASSERT_TRUE(metafile.LoadFromBytes(page.Metafile));
  EXPECT_EQ(MetafileTexts(metafile).join(QString()).remove(u' '), QStringLiteral("Textand"));
  int paths = 0, pictures = 0;
  for (const TMetafileRecord& r : metafile.Records().Items) {
    paths += r.Type == emr::FillPath || r.Type == emr::StrokeAndFillPath;
    pictures += r.Type == emr::StretchDIBits || r.Type == emr::BitBlt || r.Type == emr::StretchBlt;
  }
  EXPECT_GE(paths, 10);  // a, b, x, the root, k, n, 1, 2, =, the sum...
  EXPECT_EQ(pictures, 0);
  // Unknown pictures are an error, not an empty box.
  EXPECT_NE(MakeMarkdownPage("Text $y$\n", ".", {}).Error.find("was not typeset"),
            std::string::npos);
}

// The bottom row of each run of dark columns of the page drawn 1600 pixels wide.
std::vector<int> GlyphBottoms(const std::string& metafileBytes) {
  TMetafile metafile;
  if (!metafile.LoadFromBytes(metafileBytes)) return {};
  const double scale = 1600.0 / metafile.Width();
  QImage image(1600, int(metafile.Height() * scale), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PlayMetafile(painter, metafile, QRectF(image.rect()));
  painter.end();
  std::vector<int> bottoms;
  bool inGlyph = false;
  for (int x = 0; x < image.width(); ++x) {
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
      if (qGray(image.pixel(x, y)) < 128) bottom = y;
    }
    if (bottom < 0) {
      inGlyph = false;
      continue;
    }
    if (!inGlyph) bottoms.push_back(bottom);
    inGlyph = true;
    bottoms.back() = std::max(bottoms.back(), bottom);
  }
  return bottoms;
}

TEST_F(FormulaTypesetting, FormulasSitOnTheTextBaseline) {
  // Letters with flat feet: the text's E, the formula's E (after a fraction that reaches below
  // the line), the text's E again.
  const struct {
    const char* markdown;
    size_t glyphs, formulaE;
  } cases[] = {
      {"E $E$ E\n", 3, 1},
      {"E $\\frac{1}{2}\\;E$ E\n", 4, 2},
      {"**E** $\\mathrm{E}$ E\n", 3, 1},
  };
  for (const auto& c : cases) {
    const TPageResult page = Page(c.markdown);
    ASSERT_EQ(page.Error, "") << c.markdown;
    const std::vector<int> bottoms = GlyphBottoms(page.Metafile);
    ASSERT_EQ(bottoms.size(), c.glyphs) << c.markdown;
    EXPECT_NEAR(bottoms[c.formulaE], bottoms.back(), 1) << c.markdown;
    EXPECT_NEAR(bottoms.front(), bottoms.back(), 1) << c.markdown;
  }
}

TEST_F(FormulaTypesetting, TexErrorsAreReportedAtTheFormulasAndNothingIsMade) {
  std::vector<TSourceError> errors;
  const auto made =
      Make(Source("Хорошая $x^2$,\nплохая $\\frac{1}{\\nosuchthing}$\n\nи $\\sqrt{x$.\n"), errors);
  EXPECT_FALSE(made);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0].Line, 8);
  EXPECT_EQ(errors[0].Message,
            "formula: Undefined control sequence after \"\\frac{1}{\\nosuchthing}\"");
  EXPECT_EQ(errors[1].Line, 10);
  EXPECT_EQ(errors[1].Message.rfind("formula: ", 0), 0u) << errors[1].Message;
  EXPECT_EQ(CacheEntries(), 0u);  // a run with errors caches nothing
}

TEST_F(FormulaTypesetting, WithoutTexOnlyFormulasFail) {
  FSetup.Latex = (FTmp.Path() / "no-such-latex").string();
  std::vector<TSourceError> errors;
  EXPECT_FALSE(Make(Source("Формула $x$ и $y$.\n"), errors));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].Line, 7);
  EXPECT_NE(errors[0].Message.find(
                "texlive-latex-base texlive-lang-cyrillic dvisvgm preview-latex-style"),
            std::string::npos)
      << errors[0].Message;
  errors.clear();
  EXPECT_TRUE(Make(Source("Без формул, за \\$5.\n"), errors));
  EXPECT_TRUE(errors.empty());

  // examtool as a teacher runs it, with no TeX on the PATH.
  examtest::WriteFile(FTmp.Path() / "f.md", Source("Формула $x$.\n"));
  tooltest::TRun run;
  {
    const tooltest::TScopedEnv noTex("PATH", "/nonexistent");
    run = tooltest::RunTool(FTmp.Path(), "make f.md");
  }
  EXPECT_EQ(run.Exit, 1);
  EXPECT_EQ(run.Err.rfind("f.md:7: formulas need TeX", 0), 0u) << run.Err;
  EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1);
  EXPECT_FALSE(fs::exists(FTmp.Path() / "f.tst"));
}

TEST_F(FormulaTypesetting, TheCacheServesWhatWasTypesetAndTexOnlyRunsForTheRest) {
  const std::string source = Source("$x^2$, $x^2$ и $$\\frac{a}{b}$$\n");
  std::vector<TSourceError> errors;
  const auto first = Make(source, errors);
  ASSERT_TRUE(first) << errors.front().Message;
  EXPECT_EQ(CacheEntries(), 2u);  // each different formula once

  // Served from the cache, TeX is not needed, and the bytes are the same.
  const TTexSetup withTex = FSetup;
  FSetup.Latex = FSetup.Dvisvgm = "/nonexistent";
  const auto second = Make(source, errors);
  ASSERT_TRUE(second) << errors.front().Message;
  EXPECT_TRUE(first->Test == second->Test);
  // A changed formula needs TeX; an inline and a display one are different entries.
  EXPECT_FALSE(Make(Source("$x^3$\n"), errors));
  errors.clear();
  EXPECT_FALSE(Make(Source("$$x^2$$\n"), errors));
  errors.clear();

  // A damaged entry is typeset again and replaced.
  FSetup = withTex;
  for (const auto& e : fs::directory_iterator(FSetup.CacheDir))
    examtest::WriteFile(e.path(), "<svg");
  const auto third = Make(source, errors);
  ASSERT_TRUE(third) << errors.front().Message;
  EXPECT_TRUE(first->Test == third->Test);
  FSetup.Latex = "/nonexistent";
  EXPECT_TRUE(Make(source, errors));

  // Without a folder given, the cache is examtool's in $XDG_CACHE_HOME.
  const tooltest::TScopedEnv cache("XDG_CACHE_HOME", (FTmp.Path() / "xdg").string());
  FSetup = TTexSetup();
  EXPECT_TRUE(Make(source, errors));
  FSetup.CacheDir = (FTmp.Path() / "xdg" / "examtool").string();
  EXPECT_EQ(CacheEntries(), 2u);
}

}  // namespace
