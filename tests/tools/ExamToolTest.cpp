// examtool as a teacher uses it: make, check, info, grade, and what it says about bad input.
#include <gtest/gtest.h>

#include <fstream>

#include "CompressedStrings.h"
#include "Cp1251.h"
#include "ExamFixtures.h"
#include "Memory.h"
#include "MetafileBuilder.h"
#include "RecordTypes.h"
#include "TestGrades.h"
#include "TestImage.h"
#include "TestImageBuilder.h"
#include "TestUserAnswers.h"
#include "ToolTestSupport.h"

namespace fs = std::filesystem;
using tooltest::Quote;
using tooltest::RunTool;

namespace {

const char kIdent[] = "{01234567-89AB-CDEF-0123-456789ABCDEF}{FEDCBA98-7654-3210-FEDC-BA9876543210}0000002A";

class ExamTool : public testing::Test {
 protected:
  void SetUp() override {
    tooltest::WriteSmallSource(Dir());
    const auto run = RunTool(Dir(), std::string("make test.md --ident ") + kIdent);
    ASSERT_EQ(run.Exit, 0) << run.Err;
  }
  const fs::path& Dir() const { return FTmp.Path(); }
  std::string Read(const std::string& name) const { return examtest::ReadFile(Dir() / name); }

  // Answers to the small test (8 options) with the given marks, saved as name.
  void WriteAnswers(const std::string& name, const std::string& student, std::vector<int> marks,
                    int options = 8, uint8_t identSeed = 0) {
    tooltest::WriteAnswers(Dir() / name, Read("test.tst"), student, marks, options, identSeed);
  }

  examtest::TPrivateTempDir FTmp;
};

TEST_F(ExamTool, MakeWritesATestWithoutScoresAndAKeyWithThem) {
  const std::string test = Read("test.tst"), key = Read("test.tst-ans");
  const TTestImage t = fixture::View(test), k = fixture::View(key);
  EXPECT_EQ(GetTestIdent(t), GetTestIdent(k));
  ASSERT_EQ(QuestionCount(t), tooltest::kSmallSourceQuestions);
  struct Expect {
    int options;
    int32_t multi;
    double keyMax;
  } expected[] = {{3, 0, 1}, {3, -1, 2}, {2, 1, 1}};
  for (int q = 0; q < 3; ++q) {
    TGrades tg, kg;
    tg.LoadFromString(QuestionPieceStr(t, 0, q));
    kg.LoadFromString(QuestionPieceStr(k, 0, q));
    EXPECT_EQ(tg.Count(), expected[q].options) << q;
    EXPECT_EQ(kg.Count(), expected[q].options) << q;
    for (int o = 0; o < tg.Count(); ++o) {
      EXPECT_EQ(tg.MarkedScore(o), 0.0) << "the test must not carry the key";
      EXPECT_EQ(tg.Caption(o), kg.Caption(o));
    }
    EXPECT_EQ(tg.MultiSelect() != 0, expected[q].multi != 0) << q;
    EXPECT_EQ(kg.MultiSelect() != 0, expected[q].multi != 0) << q;
    EXPECT_DOUBLE_EQ(kg.MaxScore(), expected[q].keyMax) << q;
  }
  EXPECT_EQ(TestTitle(t), "\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0");  // "Проверка" in cp1251

  const auto check = RunTool(Dir(), "check test.tst test.tst-ans");
  EXPECT_EQ(check.Exit, 0) << check.Err;
  const auto info = RunTool(Dir(), "info test.tst-ans");
  EXPECT_EQ(info.Exit, 0);
  EXPECT_NE(info.Out.find("Title: Проверка"), std::string::npos) << info.Out;
  EXPECT_NE(info.Out.find(kIdent), std::string::npos) << info.Out;
  EXPECT_NE(info.Out.find("C) 5"), std::string::npos);
}

TEST_F(ExamTool, MakeIsReproducibleWithAnIdentAndRandomWithout) {
  ASSERT_EQ(RunTool(Dir(), std::string("make test.md -o again.tst --ident ") + kIdent).Exit, 0);
  EXPECT_EQ(Read("again.tst"), Read("test.tst"));
  EXPECT_EQ(Read("again.tst-ans"), Read("test.tst-ans"));
  ASSERT_EQ(RunTool(Dir(), "make test.md -o fresh.tst").Exit, 0);
  const std::string a = Read("test.tst"), b = Read("fresh.tst");
  EXPECT_NE(GetTestIdent(fixture::View(a)), GetTestIdent(fixture::View(b)));
}

TEST_F(ExamTool, MakeTakesTheSourcesIdentUnlessTheCommandLineGivesOne) {
  const char kOther[] =
      "{11111111-2222-3333-4444-555555555555}{66666666-7777-8888-9999-AAAAAAAAAAAA}BBBBBBBB";
  std::string source = Read("test.md");
  source.insert(source.find("---", 3), std::string("ident: ") + kIdent + "\n");
  examtest::WriteFile(Dir() / "withident.md", source);
  ASSERT_EQ(RunTool(Dir(), "make withident.md").Exit, 0);
  EXPECT_EQ(GetTestIdent(fixture::View(Read("withident.tst"))),
            GetTestIdent(fixture::View(Read("test.tst"))));
  ASSERT_EQ(RunTool(Dir(), std::string("make withident.md -o other.tst --ident ") + kOther).Exit,
            0);
  EXPECT_NE(RunTool(Dir(), "info other.tst").Out.find(kOther), std::string::npos);

  struct Bad {
    const char* line;
    const char* error;
  } bad[] = {
      {"ident: 1234", "withident.md:3: the identity needs 72 hexadecimal digits"},
      {"ident: {01234567-89AB-CDEF-0123-456789ABCDEF}", "withident.md:3: the identity needs"}};
  for (const Bad& b : bad) {
    std::string broken = source;
    broken.replace(broken.find("ident: "),
                   broken.find('\n', broken.find("ident: ")) - broken.find("ident: "), b.line);
    examtest::WriteFile(Dir() / "withident.md", broken);
    const auto run = RunTool(Dir(), "make withident.md -o broken.tst");
    EXPECT_EQ(run.Exit, 1) << b.line;
    EXPECT_NE(run.Err.find(b.error), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(Dir() / "broken.tst"));
  }
}

TEST_F(ExamTool, MakeReportsSourceErrorsAndWritesNothing) {
  std::string source = Read("test.md");
  auto replace = [&source](const std::string& from, const std::string& to) {
    source.replace(source.find(from), from.size(), to);
  };
  replace("- [ ] B) нет", "- [ ] B) нет²");
  replace("minutes=3 ", "");
  examtest::WriteFile(Dir() / "bad.md", source);
  const auto run = RunTool(Dir(), "make bad.md");
  EXPECT_EQ(run.Exit, 1);
  EXPECT_NE(run.Err.find("bad.md:5: the level has no {minutes=N}"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("bad.md:27: the option caption"), std::string::npos) << run.Err;
  EXPECT_FALSE(fs::exists(Dir() / "bad.tst"));
  EXPECT_FALSE(fs::exists(Dir() / "bad.tst-ans"));

  fs::remove(Dir() / "pic.png");
  const auto missing = RunTool(Dir(), "make test.md -o nopic.tst");
  EXPECT_EQ(missing.Exit, 1);
  EXPECT_NE(missing.Err.find("test.md:11: the picture pic.png cannot be read"), std::string::npos) << missing.Err;
  EXPECT_FALSE(fs::exists(Dir() / "nopic.tst"));
}

TEST_F(ExamTool, GradeScoresAClassAndListsBadFiles) {
  fs::create_directory(Dir() / "class");
  WriteAnswers("class/a.tst-usr", "Иванов Иван", {1, 3, 4, 6});      // all right: 100%
  WriteAnswers("class/b.tst-usr", "Петров, \"Пётр\"", {0, 2, 3, 7}); // topic 1: 1 of 3 points
  WriteAnswers("class/other.tst-usr", "Чужой", {1}, 9, 77);        // another test
  WriteAnswers("class/short.tst-usr", "Короткий", {1}, 7);           // another option count
  examtest::WriteFile(Dir() / "class" / "junk.tst-usr", "not answers");
  const auto run = RunTool(Dir(), "grade test.tst-ans class --format csv");
  EXPECT_EQ(run.Exit, 1);
  const std::string expected =
      "file,name,elapsed_seconds,grade,Первая тема,Вторая тема\r\n"
      "class/a.tst-usr,Иванов Иван,75,100.0,100.0,100.0\r\n"
      "class/b.tst-usr,\"Петров, \"\"Пётр\"\"\",75,8.3,33.3,0.0\r\n";
  EXPECT_EQ(run.Out, expected);
  for (const char* bad : {"class/other.tst-usr: the answers belong to another test",
                          "class/short.tst-usr: the answers have 7 options, the key 8",
                          "class/junk.tst-usr: not a user-answers file"}) {
    EXPECT_NE(run.Err.find(bad), std::string::npos) << bad << "\n" << run.Err;
  }

  const auto items = RunTool(Dir(), "grade test.tst-ans class/a.tst-usr class/b.tst-usr --items --format json");
  EXPECT_EQ(items.Exit, 0) << items.Err;
  EXPECT_NE(items.Out.find("\"question\": 1, \"max_score\": 1.00, \"full_score_share\": 0.500, "
                           "\"mean_score\": 0.500, \"discrimination\": 1.000"),
            std::string::npos)
      << items.Out;
}

struct BadUse {
  const char* name;
  std::string args;
  int exit;
  std::string err;
};

TEST_F(ExamTool, BadInputGetsOneClearLineAndAnExitStatus) {
  const std::string test = Read("test.tst");
  examtest::WriteFile(Dir() / "cut.tst", test.substr(0, test.size() / 2));
  examtest::WriteFile(Dir() / "empty.tst", "");
  examtest::WriteFile(Dir() / "random.tst", std::string(500, '\x7F'));
  TTestSource other = fixture::Uniform(3, 3);
  examtest::WriteFile(Dir() / "other.tst-ans", WriteTestImage(other));
  fs::create_directory(Dir() / "nobody");
  WriteAnswers("a.tst-usr", "А", {1});

  const BadUse cases[] = {
      {"truncated test", "info cut.tst", 1, "cut.tst: neither a test nor a user-answers file"},
      {"empty file", "check empty.tst", 1, "empty.tst: missing or empty"},
      {"random bytes", "check random.tst", 1, "random.tst: not a test file"},
      {"answers given as a test", "check a.tst-usr", 1, "a.tst-usr: not a test file"},
      {"key of another test", "check test.tst other.tst-ans", 1,
       "other.tst-ans: the key belongs to another test"},
      {"grade with a truncated key", "grade cut.tst a.tst-usr", 1, "cut.tst: not a test file"},
      {"grade an empty folder", "grade test.tst-ans nobody", 1,
       "nobody: the folder holds no .tst-usr files"},
      {"grade a missing file", "grade test.tst-ans ghost.tst-usr", 1,
       "ghost.tst-usr: no such file or folder"},
      {"grade without answers", "grade test.tst-ans", 2, "give the key and at least one"},
      {"unknown format", "grade test.tst-ans a.tst-usr --format xml", 2, "unknown format"},
      {"missing source", "make nothing.md", 1, "nothing.md: cannot be read"},
      {"unknown command", "bake test.md", 2, "unknown command"},
      {"info of two files", "info test.tst a.tst-usr", 2, "exactly one file"},
      {"report over the key", "grade test.tst-ans a.tst-usr --report test.tst-ans", 1,
       "test.tst-ans: is one of the inputs: it would be written over"},
      {"report over an answers file", "grade test.tst-ans a.tst-usr --report a.tst-usr", 1,
       "a.tst-usr: is one of the inputs"},
      {"report without a file name", "grade test.tst-ans a.tst-usr --report", 2, "--report needs"},
      {"print with another test's key", "print test.tst --key other.tst-ans -o other.pdf", 1,
       "other.tst-ans: not the key of test.tst: the key belongs to another test"},
      {"print with the test as its key", "print test.tst --key test.tst -o other.pdf", 1,
       "test.tst: no option scores: this is a test, not its key"},
      {"print over the test", "print test.tst -o test.tst", 1, "test.tst: is one of the inputs"},
      {"print over the key", "print test.tst --key test.tst-ans -o test.tst-ans", 1,
       "test.tst-ans: is one of the inputs"},
      {"print a truncated test", "print cut.tst -o other.pdf", 1, "cut.tst: not a test file"},
      {"print answers", "print a.tst-usr -o other.pdf", 1, "a.tst-usr: not a test file"},
      {"print two tests", "print test.tst cut.tst", 2, "give one test"},
      {"print without a test", "print -o other.pdf", 2, "give the test to print"},
  };
  const std::string key = Read("test.tst-ans"), answers = Read("a.tst-usr");
  for (const auto& c : cases) {
    const auto run = RunTool(Dir(), c.args);
    EXPECT_EQ(run.Exit, c.exit) << c.name << "\n" << run.Err;
    EXPECT_NE(run.Err.find(c.err), std::string::npos) << c.name << ": " << run.Err;
  }
  // Refused output loses nothing: the inputs are as they were and no PDF was begun.
  EXPECT_TRUE(Read("test.tst") == test);
  EXPECT_TRUE(Read("test.tst-ans") == key);
  EXPECT_TRUE(Read("a.tst-usr") == answers);
  EXPECT_FALSE(fs::exists(Dir() / "other.pdf"));
}

TEST(ExamToolSamples, DemoTestIsUpToDateWithItsSource) {
  examtest::TPrivateTempDir tmp;
  const fs::path samples = SAMPLES_DIR;
  const auto info = RunTool(tmp.Path(), "info " + Quote(samples / "demo.tst"));
  ASSERT_EQ(info.Exit, 0) << info.Err;
  const size_t at = info.Out.find("Identity: ");
  ASSERT_NE(at, std::string::npos);
  const std::string ident = info.Out.substr(at + 10, 84);
  // Its formulas typeset afresh, into a cache of its own.
  const tooltest::TScopedEnv cache("XDG_CACHE_HOME", (tmp.Path() / "cache").string());
  const auto run = RunTool(tmp.Path(), "make " + Quote(samples / "demo.md") + " -o " +
                                           Quote(tmp.Path() / "demo.tst") + " --ident " + ident);
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_TRUE(examtest::ReadFile(tmp.Path() / "demo.tst") == examtest::ReadFile(samples / "demo.tst"))
      << "samples/demo.tst is stale: rebuild it with examtool make samples/demo.md --ident " << ident;
  EXPECT_TRUE(examtest::ReadFile(tmp.Path() / "demo.tst-ans") == examtest::ReadFile(samples / "demo.tst-ans"));
  const auto check = RunTool(tmp.Path(), "check " + Quote(samples / "demo.tst") + " " + Quote(samples / "demo.tst-ans"));
  EXPECT_EQ(check.Exit, 0) << check.Err;
}

// Text given as glyph indices cannot be drawn: render and check say how many records a page has.
TEST(ExamToolPages, RenderAndCheckCountTextThatCannotBeDrawn) {
  examtest::TPrivateTempDir tmp;
  TEmfBuilder page(200, 100);
  EmfTextW(page, u"\x0024\x0025", gdi::ETO_GLYPH_INDEX);
  EmfTextW(page, u"drawn");
  examtest::WriteFile(tmp.Path() / "glyphs.emf", page.Finish());
  examtest::WriteFile(tmp.Path() / "test.md",
                      "---\ntitle: T\n---\n# T\n## L {minutes=1 weight=1}\n"
                      "### Q {page=glyphs.emf}\n- [x] A) a\n### Q\nText\n- [x] A) a\n");
  ASSERT_EQ(RunTool(tmp.Path(), "make test.md").Exit, 0);

  const auto render = RunTool(tmp.Path(), "render glyphs.emf -o glyphs.png");
  EXPECT_EQ(render.Exit, 0) << render.Err;
  EXPECT_NE(render.Err.find("glyphs.emf: 1 text record cannot be drawn"), std::string::npos)
      << render.Err;
  const auto check = RunTool(tmp.Path(), "check test.tst test.tst-ans");
  EXPECT_EQ(check.Exit, 0) << check.Err;  // a note, not a fault of the file
  EXPECT_NE(check.Out.find("test.tst: question 1: 1 text record cannot be drawn"),
            std::string::npos)
      << check.Out;
  EXPECT_EQ(check.Out.find("question 2"), std::string::npos) << check.Out;
  EXPECT_EQ(check.Out.find("test.tst-ans:"), std::string::npos) << check.Out;  // same pages
}

}  // namespace
