// examtool print: page breaks, pictures scaled to the paper, the key's marks, damaged pages; the
// PDF read back with poppler's pdfinfo, pdftotext and pdftoppm.
#include <gtest/gtest.h>

#include <QImage>
#include <regex>

#include "CompressedStrings.h"
#include "Cp1251.h"
#include "ExamFixtures.h"
#include "MetafileBuilder.h"
#include "RecordTypes.h"
#include "TestImageBuilder.h"
#include "ToolTestSupport.h"

namespace fs = std::filesystem;
using tooltest::RunCommand;
using tooltest::RunTool;

namespace {

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).Text;
}

// A page picture 169 mm wide and `mm` high, filled blue.
std::string BluePage(int32_t mm) {
  TEmfBuilder b(169, mm);
  b.Record(emr::CreateBrushIndirect, {1, 0, 0xFF0000, 0});  // COLORREF blue
  b.Record(emr::SelectObject, {1});
  b.Record(emr::SelectObject, {static_cast<int32_t>(0x80000008u)});  // NULL_PEN
  b.Record(emr::Rectangle, {0, 0, 170, mm + 1});
  return b.Finish();
}

// The caption of option o of question q (both from 1): unique over the test.
std::string Caption(int q, int o) {
  return std::string(1, char('A' + o - 1)) + ") ответ " + std::to_string(q) + "." +
         std::to_string(o);
}

// A test of `questions` questions of three options (option 1 right), pages 40 mm high, the
// second question's page 600 mm high; with scores for the key, without for the test.
std::string MakeTest(int questions, bool key) {
  std::vector<TQuestionSource> qs;
  for (int q = 1; q <= questions; ++q) {
    std::vector<fixture::Option> options;
    for (int o = 1; o <= 3; ++o) options.push_back({Cp(Caption(q, o)), key && o == 1 ? 1.0 : 0.0});
    qs.push_back(fixture::Question(options, 0, q % 2 ? 0 : 1, BluePage(q == 2 ? 600 : 40)));
  }
  return WriteTestImage(fixture::TestFile(
      Cp("Печатный тест"), {fixture::Topic(Cp("Оптика"), {fixture::Level(5, 10, qs)})}));
}

class PrintTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!tooltest::HaveProgram("pdfinfo") || !tooltest::HaveProgram("pdftotext") ||
        !tooltest::HaveProgram("pdftoppm")) {
      GTEST_SKIP() << "needs pdfinfo, pdftotext and pdftoppm (Debian package poppler-utils)";
    }
  }
  const fs::path& Dir() const { return FTmp.Path(); }

  int PageCount(const std::string& pdf) const {
    const auto info = RunCommand(Dir(), "pdfinfo " + pdf);
    std::smatch m;
    EXPECT_TRUE(std::regex_search(info.Out, m, std::regex("Pages: +([0-9]+)")))
        << info.Out << info.Err;
    return m.empty() ? -1 : std::stoi(m[1]);
  }
  // The text of one page (from 1), or of all with page 0.
  std::string Text(const std::string& pdf, int page = 0) const {
    const std::string range =
        page ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
    return RunCommand(Dir(), "pdftotext" + range + " " + pdf + " -").Out;
  }

  examtest::TPrivateTempDir FTmp;
};

TEST_F(PrintTest, QuestionsKeepTogetherAndPagesAreNumbered) {
  const struct {
    int questions;
    bool key;
    int minPages, maxPages;
  } cases[] = {
      {1, false, 1, 1},
      {1, true, 1, 1},
      // The tall page fills a page of its own below its heading; its options follow.
      {2, false, 3, 3},
      {2, true, 3, 3},
      {60, false, 15, 30},
      {60, true, 15, 30},
  };
  for (const auto& c : cases) {
    const std::string name = std::to_string(c.questions) + (c.key ? "-key" : "");
    SCOPED_TRACE(name);
    examtest::WriteFile(Dir() / "t.tst", MakeTest(c.questions, false));
    examtest::WriteFile(Dir() / "t.tst-ans", MakeTest(c.questions, true));
    const auto run = RunTool(Dir(), std::string("print t.tst") + (c.key ? " --key t.tst-ans" : "") +
                                        " -o " + name + ".pdf");
    ASSERT_EQ(run.Exit, 0) << run.Err;
    const int pages = PageCount(name + ".pdf");
    EXPECT_GE(pages, c.minPages);
    EXPECT_LE(pages, c.maxPages);
    EXPECT_NE(run.Out.find(std::to_string(pages) + " pages"), std::string::npos) << run.Out;

    const std::string all = Text(name + ".pdf");
    EXPECT_NE(all.find("Печатный тест"), std::string::npos);
    EXPECT_NE(all.find("Тема: Оптика"), std::string::npos);
    EXPECT_EQ(all.find("Фамилия, имя") == std::string::npos, c.key)
        << "a line for the name, not on the key";
    EXPECT_EQ(all.find("отмечен: 1; не отмечен: 0") != std::string::npos, c.key);
    EXPECT_EQ(all.find("отмечен: 0; не отмечен: 0") != std::string::npos, c.key);
    for (int p = 1; p <= pages; ++p) {
      const std::string text = Text(name + ".pdf", p);
      EXPECT_NE(text.find("Страница " + std::to_string(p) + " из " + std::to_string(pages)),
                std::string::npos)
          << "page " << p << ":\n"
          << text;
      // A question that fits on a page is not split: its heading and its options share the page.
      for (int q = 1; q <= c.questions; ++q) {
        if (q == 2 || text.find("Вопрос " + std::to_string(q) + " из ") == std::string::npos)
          continue;
        for (int o = 1; o <= 3; ++o) {
          EXPECT_NE(text.find(Caption(q, o)), std::string::npos) << "page " << p << ":\n" << text;
        }
      }
    }
    for (int q = 1; q <= c.questions; ++q) {
      const std::string heading =
          "Вопрос " + std::to_string(q) + " из " + std::to_string(c.questions);
      EXPECT_NE(all.find(heading), std::string::npos) << heading;
    }
  }
}

TEST_F(PrintTest, PageTallerThanThePaperIsScaledToFit) {
  examtest::WriteFile(Dir() / "t.tst", MakeTest(2, false));
  ASSERT_EQ(RunTool(Dir(), "print t.tst -o t.pdf").Exit, 0);
  ASSERT_EQ(RunCommand(Dir(), "pdftoppm -r 40 -f 2 -l 2 -png t.pdf page").Exit, 0);
  QImage page;
  for (const auto& entry : fs::directory_iterator(Dir())) {
    if (entry.path().filename().string().rfind("page", 0) == 0)
      page.load(QString::fromStdString(entry.path().string()));
  }
  ASSERT_FALSE(page.isNull());
  int left = page.width(), right = -1, top = page.height(), bottom = -1;
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) {
      const QRgb p = page.pixel(x, y);
      if (qBlue(p) > 180 && qRed(p) < 90 && qGreen(p) < 90) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
  }
  ASSERT_GE(right, 0) << "the page picture is drawn on the second page";
  // Whole and undistorted: 169 x 600 mm, inside the margins of the 297 mm page.
  const double mmPerPixel = 297.0 / page.height();
  EXPECT_NEAR(double(right - left + 1) / (bottom - top + 1), 169.0 / 600, 0.02);
  EXPECT_GT(top * mmPerPixel, 14);
  EXPECT_LT(bottom * mmPerPixel, 297 - 12 - 8);
}

TEST_F(PrintTest, DemoTestKeepsItsTextAndRussianCaptions) {
  const fs::path samples = SAMPLES_DIR;
  const auto run = RunTool(Dir(), "print " + tooltest::Quote(samples / "demo.tst") + " --key " +
                                      tooltest::Quote(samples / "demo.tst-ans") + " -o demo.pdf");
  ASSERT_EQ(run.Exit, 0) << run.Err;
  const std::string text = Text("demo.pdf");
  // Page text comes out of the player as text, not as pixels.
  EXPECT_NE(text.find("Какова единица измерения скорости в СИ?"), std::string::npos) << text;
  for (const char* caption :
       {"A) м/с", "B) перемещение", "максимум 2", "отмечен: -0,5; не отмечен: 0"}) {
    EXPECT_NE(text.find(caption), std::string::npos) << caption;
  }
}

TEST_F(PrintTest, UnreadablePartsAreNamedAndTheRestPrinted) {
  const struct {
    const char* name;
    std::string page;
    const char* error;
  } cases[] = {
      {"not compressed", "garbage", "question 1: the page does not decompress"},
      {"not a metafile", CompressString("just text"), "question 1: the page is not a metafile"},
  };
  for (const auto& c : cases) {
    TTestSource source = fixture::TestFile(
        Cp("Тест"),
        {fixture::Topic(Cp("Тема"),
                        {fixture::Level(5, 10, {fixture::Question({{Cp("A) да"), 1}})})})});
    source.Topics[0].Levels[0].Questions[0].PagePicture = c.page;
    examtest::WriteFile(Dir() / "bad.tst", WriteTestImage(source));
    fs::remove(Dir() / "bad.pdf");
    const auto run = RunTool(Dir(), "print bad.tst");
    EXPECT_EQ(run.Exit, 1) << c.name;
    EXPECT_NE(run.Err.find(std::string("bad.tst: ") + c.error), std::string::npos) << run.Err;
    const std::string text = Text("bad.pdf");
    EXPECT_NE(text.find("Страница вопроса не читается"), std::string::npos) << c.name << text;
    EXPECT_NE(text.find("A) да"), std::string::npos) << c.name;
  }
}

}  // namespace
