// A made test taken with the exam core: marking the key's options gives 100%.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "Exam.h"
#include "MetafilePlayer.h"
#include "ExamFixtures.h"
#include "Memory.h"
#include "PageMaker.h"
#include "TestMaker.h"
#include "TestReader.h"
#include "TestSource.h"
#include "ToolTestSupport.h"

namespace {

std::unique_ptr<TCustomMemory> Block(const std::string& bytes) { return examtest::Block(bytes); }

TEST(MakeRoundTrip, MarkingTheKeyScoresFullMarks) {
  examtest::TPrivateTempDir tmp;
  tooltest::WriteSmallSource(tmp.Path());
  std::vector<TSourceError> errors;
  const TSourceTest source = ParseTestSource(examtest::ReadFile(tmp.Path() / "test.md"), errors);
  ASSERT_TRUE(errors.empty());
  std::vector<std::string> pages;
  for (const auto& topic : source.Topics) {
    for (const auto& level : topic.Levels) {
      for (const auto& question : level.Questions) {
        const TPageResult page = MakeMarkdownPage(question.Body, tmp.Path().string());
        ASSERT_EQ(page.Error, "");
        pages.push_back(page.Metafile);
      }
    }
  }
  const TMadeTest made = MakeTestImages(source, pages, RandomIdent());

  TTestReader key;
  key.SetMemory(Block(made.Answers));
  TExam exam(false);
  exam.SetOnStateChange([](TExam& e) {
    if (e.State() == esReady) e.SetRunning(true);
  });
  exam.OpenTest(Block(made.Test));
  ASSERT_EQ(exam.State(), esRunning);
  for (int32_t q = 0; q < key.QuestionCount(); ++q) {
    key.GoTo(q);
    ASSERT_EQ(exam.CurrentQuestion(), q);
    EXPECT_FALSE(exam.PagePicture().Empty()) << "question " << q + 1;
    for (int32_t i = 0; i < exam.OptionCount(); ++i) {
      if (key.OptionCorrect(i)) exam.SetOptionMarked(i, true);
    }
    exam.Next();
  }
  exam.SetRunning(false);
  ASSERT_EQ(exam.State(), esFinished);
  exam.OpenTestAnswers(Block(made.Answers));
  exam.Regrade();
  EXPECT_DOUBLE_EQ(exam.Score(0), 1.0);
}

// A picture named without alt text (the usual way to write it) must reach the page.
TEST(MakeRoundTrip, PicturesWithoutAltTextReachThePage) {
  examtest::TPrivateTempDir tmp;
  tooltest::WriteSmallSource(tmp.Path());  // pic.png: a blue box on white
  for (const char* markdown : {"Text\n\n![](pic.png)\n", "Text\n\n![a picture](pic.png)\n"}) {
    const TPageResult page = MakeMarkdownPage(markdown, tmp.Path().string());
    ASSERT_EQ(page.Error, "");
    TMetafile metafile;
    ASSERT_TRUE(metafile.LoadFromBytes(page.Metafile));
    QImage image(metafile.Width(), metafile.Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PlayMetafile(painter, metafile, QRectF(image.rect()));
    painter.end();
    int blue = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) blue += image.pixel(x, y) == qRgb(0, 0, 255);
    }
    EXPECT_GT(blue, 100 * 30) << markdown;
  }
}

}  // namespace
