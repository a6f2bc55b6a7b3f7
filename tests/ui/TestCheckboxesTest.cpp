// The answer panel: building the column, storing marks, the answer keys, red right options.
#include "TestCheckboxes.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <string>
#include <vector>

#include "AnswerColumn.h"
#include "Cp1251.h"
#include "Exam.h"
#include "ExamFixtures.h"
#include "TestImageBuilder.h"
#include "XPCtrls.h"

namespace {

std::string Cp(const char* utf8) {
  return Utf8ToCp1251(utf8).Text;
}

// Options scoring 1 where `right` says so; captions given in UTF-8.
fixture::Option Opt(const char* caption, double marked = 0.0) {
  return {Cp(caption), marked, 0.0};
}

TTestSource OneQuestion(std::vector<fixture::Option> options, int32_t multiSelect = 0,
                        uint8_t seed = 1) {
  return fixture::TestFile(
      "T",
      {fixture::Topic(
          "Topic",
          {fixture::Level(10, 1.0, {fixture::Question(std::move(options), 0.0, multiSelect)})})},
      seed);
}

// An exam that starts when it is ready, with its panel on a shown answer area.
struct Panel {
  examtest::TPrivateTempDir tmp{examtest::MemoryBackedDir()};
  TExam exam{false};
  QScrollArea area;
  TCheckButtons buttons{area, exam};

  Panel() {
    exam.SetOnStateChange([](TExam& e) {
      if (e.State() == esReady) e.SetRunning(true);
    });
    exam.SetOnPageChange([this](TExam& e) { buttons.LoadQuestion(e); });
    area.resize(82, 300);
    area.show();
  }
  void Open(const TTestSource& source) { exam.OpenTest(MemoryBlockOf(WriteTestImage(source))); }
  std::vector<bool> Checked() const {
    std::vector<bool> v;
    for (int32_t i = 0; i < buttons.Count(); ++i) v.push_back(buttons.ButtonChecked(i));
    return v;
  }
  std::vector<bool> Marked() const {
    std::vector<bool> v;
    for (int32_t i = 0; i < exam.OptionCount(); ++i) v.push_back(exam.OptionMarked(i));
    return v;
  }
  std::vector<bool> Red() const {
    std::vector<bool> v;
    for (int32_t i = 0; i < buttons.Count(); ++i)
      v.push_back(buttons.Button(i)->CaptionColor() == QColor(255, 0, 0));
    return v;
  }
};

TEST(AnswerPanel, TablesHoldTheKeysAndTheRussianLettersOnThem) {
  EXPECT_EQ(Cp1251ToUtf8(AnswerKeys), "0123456789QWERTYUIOPЫЭASDFGHJKLєЮZXCVBNMјѕ");
  EXPECT_EQ(Cp1251ToUtf8(AnswerLetters), "0123456789ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ");
  EXPECT_TRUE(IsAnswerKey(0x46));
  EXPECT_TRUE(IsAnswerKey(0xDD));
  EXPECT_FALSE(IsAnswerKey(0x61));  // keypad 1
  EXPECT_FALSE(IsAnswerKey(0));
  EXPECT_FALSE(IsAnswerKey(0x146));
}

TEST(AnswerPanel, LoadingAQuestionBuildsOneButtonPerOptionInAColumn) {
  Panel p;
  p.Open(OneQuestion({Opt("A) один", 1), Opt("B) два"), Opt("C) три")}));
  ASSERT_EQ(p.buttons.Count(), 3);
  EXPECT_FALSE(p.buttons.MultiSelect());
  for (int32_t i = 0; i < 3; ++i) {
    TCustomXPCheckButton* b = p.buttons.Button(i);
    EXPECT_NE(qobject_cast<TXPRadioButton*>(b), nullptr);
    EXPECT_EQ(b->parent(), &p.buttons.Column());
    EXPECT_EQ(b->width(), p.buttons.Column().width());
    EXPECT_EQ(b->y(), i == 0 ? 0 : p.buttons.Button(i - 1)->geometry().bottom() + 1);
  }
  EXPECT_EQ(p.buttons.Button(1)->Caption(), QStringLiteral("B) два"));
  EXPECT_FALSE(p.buttons.Button(0)->WantTextFrame());
}

TEST(AnswerPanel, TwoScoringOptionsMakeCheckBoxes) {
  Panel p;
  p.Open(OneQuestion({Opt("A", 1), Opt("B", 1), Opt("C")}));
  EXPECT_TRUE(p.buttons.MultiSelect());
  EXPECT_NE(qobject_cast<TXPCheckBox*>(p.buttons.Button(0)), nullptr);
}

// One key on a question of the given captions: which options are checked and stored after it.
struct KeyCase {
  const char* name;
  std::vector<const char*> captions;
  int multiSelect;
  uint8_t key;
  std::vector<bool> checked;
};

class AnswerKeyTest : public testing::TestWithParam<KeyCase> {};

TEST_P(AnswerKeyTest, TogglesTheFirstMatchingOptionOnly) {
  const KeyCase& c = GetParam();
  Panel p;
  std::vector<fixture::Option> options;
  for (const char* caption : c.captions) options.push_back(Opt(caption));
  p.Open(OneQuestion(options, c.multiSelect));
  p.buttons.HandleKey(c.key);
  EXPECT_EQ(p.Checked(), c.checked);
  EXPECT_EQ(p.Marked(), c.checked);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, AnswerKeyTest,
    testing::Values(KeyCase{"TenBeforeOne", {"10", "1"}, 0, '1', {true, false}},
                    KeyCase{"LatinUpper", {"A) x", "F) y"}, 0, 0x46, {false, true}},
                    KeyCase{"LatinLower", {"a) x", "f) y"}, 0, 0x46, {false, true}},
                    KeyCase{"CyrillicUpperOnTheSameKey", {"Б) x", "А) y"}, 0, 0x46, {false, true}},
                    KeyCase{"CyrillicLowerOnTheSameKey", {"б) x", "а) y"}, 0, 0x46, {false, true}},
                    KeyCase{"RightBracketRussianLetter", {"a", "Ъ"}, 0, 0xDD, {false, true}},
                    KeyCase{"RightBracketKeyCharacter", {"a", "э"}, 0, 0xDD, {false, true}},
                    KeyCase{"LeftBracket", {"х", "Ы"}, 1, 0xDB, {true, false}},
                    KeyCase{"Semicolon", {"a", "Ж"}, 0, 0xBA, {false, true}},
                    KeyCase{"SemicolonKeyCharacter", {"a", "є"}, 0, 0xBA, {false, true}},
                    KeyCase{"Quote", {"a", "Ю"}, 0, 0xDE, {false, true}},
                    KeyCase{"Comma", {"a", "б"}, 0, 0xBC, {false, true}},
                    KeyCase{"Period", {"a", "Ю"}, 0, 0xBE, {false, true}},
                    KeyCase{"SameFirstLetterTwice", {"A) x", "a) y"}, 1, 'A', {true, false}},
                    KeyCase{"NumericKeypadDoesNothing", {"1", "2"}, 0, 0x61, {false, false}},
                    KeyCase{"UnmatchedKeyDoesNothing", {"1", "2"}, 0, 'Q', {false, false}},
                    KeyCase{"EmptyCaptionNeverMatches", {"", "0"}, 0, '0', {false, true}},
                    KeyCase{"NoOptions", {}, 0, 'A', {}}),
    [](const testing::TestParamInfo<KeyCase>& param) { return std::string(param.param.name); });

TEST(AnswerPanel, KeyingACheckedRadioButtonUnchecksItAndAnotherMovesTheMark) {
  Panel p;
  p.Open(OneQuestion({Opt("A"), Opt("B"), Opt("C")}));
  p.buttons.HandleKey('B');
  EXPECT_EQ(p.Marked(), (std::vector<bool>{false, true, false}));
  p.buttons.HandleKey('C');
  EXPECT_EQ(p.Marked(), (std::vector<bool>{false, false, true}));
  p.buttons.HandleKey('C');
  EXPECT_EQ(p.Checked(), (std::vector<bool>{false, false, false}));
  EXPECT_EQ(p.Marked(), (std::vector<bool>{false, false, false}));
}

TEST(AnswerPanel, OutsideTheRunningExamAButtonSpringsBackToTheStoredMark) {
  Panel p;
  p.Open(OneQuestion({Opt("A"), Opt("B")}, 1));
  p.buttons.HandleKey('A');
  p.exam.SetRunning(false);
  ASSERT_EQ(p.exam.State(), esFinished);
  p.buttons.HandleKey('A');
  p.buttons.HandleKey('B');
  EXPECT_EQ(p.Checked(), (std::vector<bool>{true, false}));
  EXPECT_EQ(p.Marked(), (std::vector<bool>{true, false}));
  p.buttons.SetButtonChecked(0, false);
  EXPECT_TRUE(p.buttons.ButtonChecked(0));
}

TEST(AnswerPanel, ASingleChoiceQuestionWithSeveralStoredMarksKeepsTheLast) {
  Panel p;
  p.Open(OneQuestion({Opt("A", 1), Opt("B"), Opt("C")}));
  // Marks stored around the panel, as a backup of an older program might hold them.
  p.exam.SetOptionMarked(0, true);
  p.exam.SetOptionMarked(2, true);
  p.buttons.LoadQuestion(p.exam);
  EXPECT_EQ(p.Checked(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(p.Marked(), (std::vector<bool>{false, false, true}));
}

TEST(AnswerPanel, ClicksAndTheAccessibleActionStoreTheMark) {
  Panel p;
  p.Open(OneQuestion({Opt("A", 1), Opt("B", 1), Opt("C")}));
  QTest::mouseClick(p.buttons.Button(1), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(p.Marked(), (std::vector<bool>{false, true, false}));
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(p.buttons.Button(2));
  ASSERT_NE(accessible, nullptr);
  ASSERT_NE(accessible->actionInterface(), nullptr);
  accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_EQ(p.Marked(), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("C"));
}

TEST(AnswerPanel, RightOptionsTurnRedAfterTheExamByTheScoresInUse) {
  Panel p;
  // The students' file scores option B; the teacher's key scores option C.
  p.Open(OneQuestion({Opt("A"), Opt("B", 1), Opt("C")}, 0, 7));
  EXPECT_EQ(p.Red(), (std::vector<bool>{false, false, false}));
  p.exam.SetRunning(false);
  p.buttons.SetShowRight(true);
  EXPECT_EQ(p.Red(), (std::vector<bool>{false, true, false}));
  p.exam.OpenTestAnswers(
      MemoryBlockOf(WriteTestImage(OneQuestion({Opt("A"), Opt("B"), Opt("C", 1)}, 0, 7))));
  p.buttons.LoadQuestion(p.exam);
  EXPECT_EQ(p.Red(), (std::vector<bool>{false, false, true}));
  p.buttons.SetShowRight(false);
  EXPECT_EQ(p.Red(), (std::vector<bool>{false, false, false}));
}

TEST(AnswerPanel, AQuestionWithoutAScoringOptionShowsNoRedCaption) {
  Panel p;
  p.Open(OneQuestion({Opt("A"), Opt("B")}));
  p.exam.SetRunning(false);
  p.buttons.SetShowRight(true);
  EXPECT_EQ(p.Red(), (std::vector<bool>{false, false}));
}

TEST(AnswerPanel, GradesWithFewerOptionsThanTheExamCountsGiveEmptyCaptions) {
  Panel p;
  p.Open(OneQuestion({Opt("A"), Opt("B", 1), Opt("C")}, 0, 9));
  p.exam.SetRunning(false);
  // The teacher's record of the same test lists two options only.
  p.exam.OpenTestAnswers(MemoryBlockOf(WriteTestImage(OneQuestion({Opt("A", 1), Opt("B")}, 0, 9))));
  p.buttons.LoadQuestion(p.exam);
  ASSERT_EQ(p.buttons.Count(), 3);
  EXPECT_EQ(p.buttons.Button(2)->Caption(), QString());
}

TEST(AnswerPanel, ALongColumnScrollsAndKeysReachItsLastOption) {
  Panel p;
  std::vector<fixture::Option> options(199, Opt("1"));
  options.push_back(Opt("Z) последний"));
  p.Open(OneQuestion(options));
  ASSERT_EQ(p.buttons.Count(), 200);
  QScrollBar* bar = p.area.verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), 0);
  p.buttons.HandleKey('Z');
  EXPECT_TRUE(p.exam.OptionMarked(199));
  // The toggled option is brought into view.
  QTest::qWait(0);
  const QRect visible(QPoint(0, bar->value()), p.area.viewport()->size());
  EXPECT_TRUE(visible.contains(p.buttons.Button(199)->geometry()));
}

TEST(AnswerPanel, WithNoTestOpenTheLeftoverColumnTakesNoKeys) {
  Panel p;
  p.Open(OneQuestion({Opt("A"), Opt("B")}));
  p.exam.SetRunning(false);
  p.exam.OpenTest(nullptr);
  ASSERT_EQ(p.exam.State(), esNoTest);
  const std::vector<bool> before = p.Checked();
  p.buttons.HandleKey('A');
  EXPECT_EQ(p.Checked(), before);
}

}  // namespace
