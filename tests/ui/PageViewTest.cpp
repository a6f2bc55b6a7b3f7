// The page view: fitting the page to the width or the whole page, the answer column's width,
// the kept drawing of a page, and the page's text for a screen reader.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QFrame>
#include <QScrollArea>
#include <QScrollBar>
#include <cmath>

#include "MainWindowHarness.h"
#include "PageImage.h"

namespace {

using namespace windowtest;

// One question per page, each with two options whose captions are given.
TTestSource Pages(const std::vector<std::string>& pages,
                  const std::vector<std::string>& captions = {"A", "B"}) {
  std::vector<TQuestionSource> qs;
  for (const std::string& page : pages) {
    std::vector<fixture::Option> options;
    for (const std::string& caption : captions) options.push_back({Cp(caption.c_str())});
    qs.push_back(fixture::Question(options, 0, 0, page));
  }
  return fixture::TestFile(Cp("Страницы"),
                           {fixture::Topic(Cp("Тема"), {fixture::Level(10, 10.0, qs)})});
}

struct PageView {
  Window w;
  QScrollArea* box() const { return w.form->findChild<QScrollArea*>("ScrollBox1"); }
  QFrame* background() const { return w.form->findChild<QFrame*>("pImageBG"); }
  TPageImage* image() const { return w.form->findChild<TPageImage*>("QImage"); }
  QFrame* answerPanel() const { return w.form->findChild<QFrame*>("Panel2"); }
  bool scrollBar() const { return box()->verticalScrollBar()->isVisible(); }
  int clientWidth() const { return box()->contentsRect().width(); }
  int clientHeight() const { return box()->contentsRect().height(); }
  QSize picture() const { return {image()->Picture().Width(), image()->Picture().Height()}; }
  void Settle() { QApplication::processEvents(); }
};

// A4 upright is 21000 × 29700 hundredths of a millimetre; the tall page is twice as tall as wide.
const std::string kTall = examtest::MinimalEmf(10000, 20000);
const std::string kWide = examtest::MinimalEmf(29700, 10000);

TEST(PageView, ATallPageFitsTheWidthBesideTheScrollBarItBrings) {
  PageView v;
  v.w.Start({v.w.Write("t.tst", Pages({kTall}))});
  v.Settle();
  ASSERT_TRUE(v.scrollBar());
  const int barWidth = v.box()->verticalScrollBar()->width();
  // The second pass measured the width left beside the scroll bar.
  EXPECT_EQ(v.background()->width(), v.clientWidth() - barWidth);
  EXPECT_EQ(v.picture().width(), v.image()->width());
  // The page area is as tall as the page at that width, frames included (2 × (1 + 10 + 1 + 4)).
  EXPECT_NEAR(v.background()->height(), v.background()->width() * 2, 1 + 32 * 2);
  EXPECT_GT(v.background()->height(), v.clientHeight());
}

TEST(PageView, TheWholePageFitsTheBoxAndResizingKeepsTheMode) {
  PageView v;
  v.w.Start({v.w.Write("t.tst", Pages({kTall}))});
  v.w.Tool("tbZoomPage")->click();
  v.Settle();
  EXPECT_EQ(v.w.form->ZoomMode(), zmPage);
  EXPECT_FALSE(v.scrollBar());
  EXPECT_EQ(v.background()->size(), QSize(v.clientWidth(), v.clientHeight()));
  // The height decides for a tall page; both sides fit.
  EXPECT_NEAR(v.picture().height(), v.image()->height(), 1);
  EXPECT_LE(v.picture().width(), v.image()->width());

  v.w.form->resize(1000, 600);
  v.Settle();
  EXPECT_EQ(v.w.form->ZoomMode(), zmPage);
  EXPECT_EQ(v.background()->height(), v.clientHeight());
  EXPECT_NEAR(v.picture().height(), v.image()->height(), 1);

  v.w.Tool("tbZoomWidth")->click();
  v.Settle();
  EXPECT_EQ(v.w.form->ZoomMode(), zmWidth);
  EXPECT_TRUE(v.scrollBar());
  // Each fit scales the picture's current size, which is whole pixels, so a way back drifts by
  // a pixel or two.
  EXPECT_NEAR(v.picture().width(), v.image()->width(), 2);
}

TEST(PageView, AWidePageTakesTheWidthInBothModes) {
  PageView v;
  v.w.Start({v.w.Write("w.tst", Pages({kWide}))});
  v.Settle();
  EXPECT_FALSE(v.scrollBar());
  EXPECT_EQ(v.picture().width(), v.image()->width());
  v.w.Tool("tbZoomPage")->click();
  EXPECT_EQ(v.picture().width(), v.image()->width());
  EXPECT_LE(v.picture().height(), v.image()->height());
}

TEST(PageView, PagesThatCannotBeScaledAreLeftAlone) {
  struct Case {
    const char* name;
    std::string page;
    int32_t mmWidth;  // the physical width the picture keeps, 0 without a picture
  };
  // 26 hundredths of a millimetre are one pixel at 96 dots per inch.
  for (const Case& c :
       {Case{"one pixel wide", examtest::MinimalEmf(26, 20000), 26},
        Case{"no page", std::string(), 0}, Case{"not a metafile", std::string(200, 'x'), 0}}) {
    PageView v;
    v.w.Start({v.w.Write("p.tst", Pages({c.page}))});
    v.Settle();
    EXPECT_EQ(v.w.Exam().State(), esRunning) << c.name;
    EXPECT_EQ(v.image()->Picture().MMWidth(), c.mmWidth) << c.name;
    EXPECT_FALSE(v.scrollBar()) << c.name;
    EXPECT_EQ(v.background()->size(), QSize(v.clientWidth(), v.clientHeight())) << c.name;
  }
}

TEST(PageView, TheAnswerColumnWidensToItsLongestCaptionWithinAThirdOfTheWindow) {
  struct Case {
    const char* name;
    std::vector<std::string> captions;
    int atLeast, atMost;
  };
  const std::string longest(200, 'W');
  for (const Case& c : {Case{"short captions keep 98 pixels", {"A", "B"}, 98, 98},
                        Case{"a long caption widens it", {"A) перемещение тела", "B"}, 99, 300},
                        Case{"a huge one stops at a third", {longest, "B"}, 290, 300}}) {
    PageView v;
    v.w.Start({v.w.Write("c.tst", Pages({kWide}, c.captions))});
    v.Settle();
    const int width = v.answerPanel()->width();
    EXPECT_GE(width, c.atLeast) << c.name;
    EXPECT_LE(width, c.atMost) << c.name;
    if (c.atMost < 300) {
      // The whole caption is inside the column.
      auto* button = v.w.form->AnswerButtons().Button(0);
      EXPECT_LE(button->mapTo(v.answerPanel(), QPoint(button->sizeHint().width(), 0)).x(), width)
          << c.name;
    }
    // The page keeps to what is left.
    EXPECT_EQ(v.picture().width(), v.image()->width()) << c.name;
  }
}

TEST(PageView, ADrawnPageIsKeptUntilThePageOrItsSizeChanges) {
  PageView v;
  v.w.Start({v.w.Write("t.tst", Pages({kTall, kWide}))});
  v.Settle();
  QImage shot = v.image()->grab().toImage();
  const int played = v.image()->PlayCount();
  EXPECT_GE(played, 1);
  // Scrolling and exposing repaint from the kept page.
  v.box()->verticalScrollBar()->setValue(200);
  v.image()->repaint();
  v.w.form->update();
  v.Settle();
  v.image()->grab();
  EXPECT_EQ(v.image()->PlayCount(), played);
  // Another zoom and another page are drawn anew.
  v.w.Tool("tbZoomPage")->click();
  v.image()->grab();
  EXPECT_EQ(v.image()->PlayCount(), played + 1);
  v.w.Key(Qt::Key_Right);
  v.image()->grab();
  EXPECT_EQ(v.image()->PlayCount(), played + 2);
}

TEST(PageView, TheDemoPagesTextReachesAScreenReader) {
  PageView v;
  v.w.Start({QString::fromUtf8(EXAM_SOURCE_DIR "/samples/demo.tst")});
  v.Settle();
  QAccessibleInterface* page = QAccessible::queryAccessibleInterface(v.image());
  ASSERT_NE(page, nullptr);
  // Where the student is, the page's text and the options, all in the name a screen reader
  // speaks when the page takes the focus.
  EXPECT_EQ(page->text(QAccessible::Name),
            QStringLiteral("Вопрос 1 из 13, Кинематика. Какова единица измерения скорости в СИ? "
                           "Выберите один ответ. Варианты ответа: A) м/с, не отмечен; B) км/ч, не "
                           "отмечен; C) м/с2, не отмечен; D) Н, не отмечен."));
  EXPECT_EQ(page->text(QAccessible::Description), QString());
  v.w.Key(Qt::Key_Right);
  page = QAccessible::queryAccessibleInterface(v.image());
  EXPECT_TRUE(page->text(QAccessible::Name)
                  .startsWith(QStringLiteral(
                      "Вопрос 2 из 13, Кинематика. Какие из величин являются векторными?")));
}

}  // namespace
