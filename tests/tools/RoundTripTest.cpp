// A made test taken with the exam core: marking the key's options gives 100%.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QImage>
#include <QPainter>
#include <utility>
#include <vector>

#include "Exam.h"
#include "ExamFixtures.h"
#include "Memory.h"
#include "MetafileBuilder.h"
#include "MetafilePlayer.h"
#include "MetafileText.h"
#include "PageMaker.h"
#include "TestMaker.h"
#include "TestReader.h"
#include "TestSource.h"
#include "ToolTestSupport.h"

namespace {

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
  key.SetMemory(MemoryBlockOf(made.Answers));
  TExam exam(false);
  exam.SetOnStateChange([](TExam& e) {
    if (e.State() == esReady) e.SetRunning(true);
  });
  exam.OpenTest(MemoryBlockOf(made.Test));
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
  exam.OpenTestAnswers(MemoryBlockOf(made.Answers));
  exam.Regrade();
  EXPECT_DOUBLE_EQ(exam.Score(0), 1.0);
}

// The blue pixels of a page played back at its natural size.
int BluePixels(const std::string& metafileBytes) {
  TMetafile metafile;
  if (!metafile.LoadFromBytes(metafileBytes)) return -1;
  QImage image(metafile.Width(), metafile.Height(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PlayMetafile(painter, metafile, QRectF(image.rect()));
  painter.end();
  int blue = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      blue += qBlue(p) > 180 && qRed(p) < 90 && qGreen(p) < 120;
    }
  }
  return blue;
}

TEST(MakePages, PageFilesBecomeMetafilesOrClearErrors) {
  examtest::TPrivateTempDir tmp;
  tooltest::WriteSmallSource(tmp.Path());  // pic.png: a 100 x 40 blue box
  examtest::WriteFile(tmp.Path() / "pic.svg",
                      "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='100'>"
                      "<rect x='0' y='0' width='200' height='100' fill='#2040e0'/></svg>");
  examtest::WriteFile(tmp.Path() / "broken.svg", "<svg");
  examtest::WriteFile(tmp.Path() / "notes.txt", "not a picture");
  TWmfBuilder wmf(100, 100);
  wmf.Record(0x020C, {100, 100});      // META_SETWINDOWEXT
  wmf.Record(0x041B, {0, 0, 50, 50});  // META_RECTANGLE
  const std::string placeable = wmf.Finish();
  const std::string plainWmf = placeable.substr(22);  // without the placeable header
  examtest::WriteFile(tmp.Path() / "placeable.wmf", placeable);
  examtest::WriteFile(tmp.Path() / "plain.wmf", plainWmf);
  const std::string emf = examtest::MinimalEmf(21000, 9000);
  examtest::WriteFile(tmp.Path() / "page.emf", emf);
  std::filesystem::create_directory(tmp.Path() / "folder.emf");
  ASSERT_EQ(mkfifo((tmp.Path() / "pipe.emf").c_str(), 0600), 0);

  struct Case {
    const char* file;
    int minBlue;  // -1: an error is expected
    const char* error;
  } cases[] = {
      {"pic.svg", 640 * 300, ""},
      {"pic.png", 100 * 30, ""},
      {"page.emf", 0, ""},
      {"placeable.wmf", 0, ""},
      {"broken.svg", -1, "not a readable SVG"},
      {"notes.txt", -1, "neither a metafile nor a PNG, JPEG or SVG"},
      {"plain.wmf", -1, "without the placeable header"},
      {"missing.png", -1, "cannot be read"},
      // not files: read, they would block or never end
      {"folder.emf", -1, "cannot be read"},
      {"pipe.emf", -1, "cannot be read"},
      {"/dev/zero", -1, "cannot be read"},
  };
  for (const auto& c : cases) {
    const TPageResult page = MakePageFromFile((tmp.Path() / c.file).string());
    if (c.minBlue < 0) {
      EXPECT_NE(page.Error.find(c.error), std::string::npos) << c.file << ": " << page.Error;
      EXPECT_EQ(page.Metafile, "") << c.file;
      continue;
    }
    ASSERT_EQ(page.Error, "") << c.file;
    EXPECT_GE(BluePixels(page.Metafile), c.minBlue) << c.file;
  }
  EXPECT_EQ(MakePageFromFile((tmp.Path() / "page.emf").string()).Metafile, emf);  // taken as it is
}

// However the Markdown names a picture (inline or by reference), it reaches the page, or the page
// is refused with the picture's name: a missing one, a folder, a device or a pipe, a web address.
TEST(MakePages, PicturesAreDrawnOrNamedInTheError) {
  examtest::TPrivateTempDir tmp;
  tooltest::WriteSmallSource(tmp.Path());  // pic.png: a blue box on white
  std::filesystem::create_directory(tmp.Path() / "folder.png");
  ASSERT_EQ(mkfifo((tmp.Path() / "pipe.png").c_str(), 0600), 0);
  struct Case {
    const char* markdown;
    const char* error;  // empty: the picture is drawn
  } cases[] = {
      {"![a](pic.png)", ""},
      {"![a][p]\n\n[p]: pic.png", ""},
      {"![a](missing.png)", "the picture missing.png cannot be read"},
      {"![a][p]\n\n[p]: missing.png", "the picture missing.png cannot be read"},
      {"![a][p]\n\n[p]: /dev/zero", "the picture /dev/zero cannot be read"},
      {"![a](folder.png)", "the picture folder.png cannot be read"},
      {"![a][p]\n\n[p]: pipe.png", "the picture pipe.png cannot be read"},
      {"![a](http://example.org/p.png)",
       "the page links a picture that is not a local file: http://example.org/p.png"},
  };
  for (const auto& c : cases) {
    const TPageResult page =
        MakeMarkdownPage(std::string("Text\n\n") + c.markdown + "\n", tmp.Path().string());
    EXPECT_EQ(page.Error, c.error) << c.markdown;
    if (*c.error == 0) {
      EXPECT_GT(BluePixels(page.Metafile), 100 * 30) << c.markdown;
    } else {
      EXPECT_EQ(page.Metafile, "") << c.markdown;
    }
  }
}

// A picture named without alt text (the usual way to write it) must reach the page.
TEST(MakeRoundTrip, PicturesWithoutAltTextReachThePage) {
  examtest::TPrivateTempDir tmp;
  tooltest::WriteSmallSource(tmp.Path());  // pic.png: a blue box on white
  for (const char* markdown : {"Text\n\n![](pic.png)\n", "Text\n\n![a picture](pic.png)\n"}) {
    const TPageResult page = MakeMarkdownPage(markdown, tmp.Path().string());
    ASSERT_EQ(page.Error, "");
    EXPECT_GT(BluePixels(page.Metafile), 100 * 30) << markdown;
  }
}

// The glyphs of a one-line Markdown page played back at its natural size, left to right: the
// first and last row of each run of columns with dark pixels.
std::vector<std::pair<int, int>> GlyphRows(const std::string& markdown) {
  const TPageResult page = MakeMarkdownPage(markdown, ".");
  TMetafile metafile;
  if (!page.Error.empty() || !metafile.LoadFromBytes(page.Metafile)) return {};
  QImage image(metafile.Width(), metafile.Height(), QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  PlayMetafile(painter, metafile, QRectF(image.rect()));
  painter.end();
  std::vector<std::pair<int, int>> glyphs;
  bool inGlyph = false;
  for (int x = 0; x < image.width(); ++x) {
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
      if (qGray(image.pixel(x, y)) >= 128) continue;
      if (top < 0) top = y;
      bottom = y;
    }
    if (top < 0) {
      inGlyph = false;
      continue;
    }
    if (!inGlyph) glyphs.emplace_back(top, bottom);
    inGlyph = true;
    glyphs.back() = {std::min(glyphs.back().first, top), std::max(glyphs.back().second, bottom)};
  }
  return glyphs;
}

// Superscripts are drawn smaller and above the line, subscripts below it, and the mark-up
// leaves no trace in the page's text.
TEST(MakePages, SuperscriptsRiseAndSubscriptsSink) {
  const auto plain = GlyphRows("a 8\n");
  const auto super = GlyphRows("a ^{8}\n");
  const auto sub = GlyphRows("a _{8}\n");
  ASSERT_EQ(plain.size(), 2u);
  ASSERT_EQ(super.size(), 2u);
  ASSERT_EQ(sub.size(), 2u);
  const auto height = [](std::pair<int, int> g) { return g.second - g.first; };
  EXPECT_NEAR(plain[1].second, plain[0].second, 1);  // both on the line
  EXPECT_LT(super[1].second, super[0].second - 2);
  EXPECT_GT(sub[1].second, sub[0].second + 1);
  EXPECT_LT(height(super[1]), height(plain[1]));
  EXPECT_LT(height(sub[1]), height(plain[1]));

  const TPageResult page = MakeMarkdownPage("H_{2}O, м/с^{2} and `x^{2}`\n", ".");
  ASSERT_EQ(page.Error, "");
  TMetafile metafile;
  ASSERT_TRUE(metafile.LoadFromBytes(page.Metafile));
  // The blanks between runs are not text records of their own; the characters are all there.
  const QString text = MetafileTexts(metafile).join(QString()).remove(u' ');
  EXPECT_EQ(text, QStringLiteral("H2O,м/с2andx^{2}"));

  EXPECT_NE(MakeMarkdownPage("x^{2\n", ".").Error.find("page line 1"), std::string::npos);
}

}  // namespace
