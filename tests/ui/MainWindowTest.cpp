// The main window driven as a student drives it: keys, clicks, dialogs and the file workflows.
#include "Unit1.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "AnswerColumn.h"
#include "Cp1251.h"
#include "ExamFixtures.h"
#include "PageImage.h"
#include "TestCheckboxes.h"
#include "TestImageBuilder.h"
#include "UnitRetryCancelOpenTestDialog.h"
#include "UserNameDialogUnit.h"
#include "XPCtrls.h"

namespace fs = std::filesystem;

#include "MainWindowHarness.h"

namespace {

using namespace windowtest;

// A test of three questions; the students' file scores nothing, the teacher's key scores
// A of question 1, B of question 2, A and B of question 3.
TTestSource ThreeQuestions(bool key, uint8_t seed = 3, int32_t minutes = 10) {
  const double s = key ? 1.0 : 0.0;
  using fixture::Option;
  std::vector<TQuestionSource> qs = {
      fixture::Question({{Cp("A) да"), s}, {Cp("B) нет")}}, 0, 0,
                        examtest::MinimalEmf(21000, 29700)),
      fixture::Question({{Cp("А) раз")}, {Cp("Б) два"), s}}, 0, 0,
                        examtest::MinimalEmf(21000, 29700)),
      fixture::Question({{Cp("1"), s}, {Cp("2"), s}, {Cp("3")}}, 0, 1,
                        examtest::MinimalEmf(21000, 29700)),
  };
  return fixture::TestFile(
      Cp("Физика"), {fixture::Topic(Cp("Механика"), {fixture::Level(minutes, 10.0, qs)})}, seed);
}

constexpr const char* kNoTestLook = "-100000000";
constexpr const char* kRunningLook = "A011111000";
constexpr const char* kFinishedLook = "-111011111";

TEST(MainWindow, AStudentTakesATestFromStartToGrade) {
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  Window w;
  const QString test = w.Write("physics.tst", ThreeQuestions(false));
  const QString key = w.Write("physics.tst-ans", ThreeQuestions(true));
  const QString otherKey = w.Write("other.tst-ans", ThreeQuestions(true, 9));
  const QString otherTest = w.Write("other.tst", ThreeQuestions(false, 9));
  w.Start({test});
  EXPECT_EQ(w.Exam().State(), esRunning);
  EXPECT_EQ(w.form->windowTitle(), QStringLiteral("Физика"));
  EXPECT_EQ(w.Topic(), QStringLiteral("Механика"));
  EXPECT_EQ(w.Controls(), kRunningLook);
  w.Ticks(1);
  EXPECT_EQ(w.Clock(), QStringLiteral("00:09:59"));

  // Question 1: the A key marks "A) да"; the same key in the Russian layout ("Ф") unmarks it;
  // B with the mouse.
  w.Key(Qt::Key_A, {}, "a");
  EXPECT_EQ(w.Checked(), (std::vector<bool>{true, false}));
  w.Key(0x0424, {}, QStringLiteral("ф"));
  EXPECT_EQ(w.Checked(), (std::vector<bool>{false, false}));
  QTest::mouseClick(w.form->AnswerButtons().Button(1), Qt::LeftButton, {}, QPoint(4, 4));
  EXPECT_TRUE(w.Exam().OptionMarked(1));

  // Every key of the key map that moves between questions.
  struct Move {
    int key;
    Qt::KeyboardModifiers modifiers;
    int expected;
  };
  const Move moves[] = {
      {Qt::Key_Right, {}, 1},  {Qt::Key_Left, {}, 0},
      {Qt::Key_Space, {}, 1},  {Qt::Key_Backspace, {}, 0},
      {Qt::Key_Return, {}, 1}, {Qt::Key_Return, Qt::ShiftModifier, 0},
      {Qt::Key_Tab, {}, 1},    {Qt::Key_Backtab, Qt::ShiftModifier, 0},
      {Qt::Key_End, {}, 2},    {Qt::Key_Home, {}, 0},
      {Qt::Key_Down, {}, 1},   {Qt::Key_Down, {}, 2},
      {Qt::Key_Up, {}, 1},     {Qt::Key_Right, Qt::ControlModifier, 1},
      {Qt::Key_F1, {}, 1},     {Qt::Key_F5, {}, 1},
      {Qt::Key_Enter, {}, 2},
  };
  for (const Move& m : moves) {
    w.Key(m.key, m.modifiers);
    EXPECT_EQ(w.Exam().CurrentQuestion(), m.expected) << "key " << std::hex << m.key;
  }
  // Question 3 takes several marks: 1 and 2 by keys of the main row.
  w.Key(Qt::Key_1, {}, "1");
  w.Key(Qt::Key_2, {}, "2");
  EXPECT_EQ(w.Checked(), (std::vector<bool>{true, true, false}));
  // Question 2 answered in the Russian layout: "Б" is on the comma key.
  w.Key(Qt::Key_Left);
  w.Key(0x0411, {}, QStringLiteral("б"));
  EXPECT_EQ(w.Checked(), (std::vector<bool>{false, true}));

  // F3 offers the test dialog in every state; cancelling it changes nothing.
  w.Key(Qt::Key_F3);
  ASSERT_EQ(w.files.Titles.size(), 1u);
  EXPECT_EQ(w.files.Titles.back(), QStringLiteral("Открытие теста"));
  EXPECT_EQ(w.Exam().State(), esRunning);

  // "Окончить": Cancel goes on, OK ends the exam without the time-over notice.
  w.dialogs.Then(Click("Button2"));
  w.Tool("tbStopExam")->click();
  EXPECT_EQ(w.Exam().State(), esRunning);
  w.dialogs.Then(Click("Button1"));
  w.Tool("tbStopExam")->click();
  EXPECT_EQ(w.Exam().State(), esFinished);
  EXPECT_EQ(w.dialogs.Shown, (std::vector<std::string>{"TStopTestDialog", "TStopTestDialog"}));
  EXPECT_EQ(w.Clock(), QStringLiteral("0%"));
  EXPECT_EQ(w.Controls(), kFinishedLook);

  // Saving: a blank name keeps the name dialog open; the name typed goes into the file, which
  // lands as .tst-usr whatever the student typed.
  w.dialogs.Then(Click("OKBtn"));
  w.dialogs.Then([](QDialog& d) {
    auto* edit = d.findChild<QLineEdit*>("edUserName");
    edit->setText("   ");
    Press(d, "OKBtn");
    EXPECT_TRUE(d.isVisible());
    edit->setText(QStringLiteral("  Иванов Иван Иванович "));
    Press(d, "OKBtn");
  });
  w.files.Answers = {w.Path("mine.txt")};
  w.Tool("tbSaveUserAnswers")->click();
  EXPECT_EQ(w.files.Proposed.back(), w.Path("physics.tst-usr"));
  ASSERT_TRUE(fs::exists(w.tmp.Path() / "mine.tst-usr"));
  EXPECT_FALSE(fs::exists(w.tmp.Path() / "mine.txt"));
  TTestUserAnswers saved;
  saved.LoadFromFile((w.tmp.Path() / "mine.tst-usr").string());
  EXPECT_EQ(Cp1251ToUtf8(saved.UserName()), "Иванов Иван Иванович");
  EXPECT_EQ(saved.OptionCount(), 7);
  const std::vector<bool> expectedMarks = {false, true, false, true, true, true, false};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(saved.Marked(i), expectedMarks[i]) << i;

  // The key of another test: the retry dialog with its message; retrying with the right key
  // shows the grade and the right options in red.
  QString retryMessage;
  w.dialogs.Then(Click("OKBtn"));
  w.dialogs.Then([&retryMessage](QDialog& d) {
    retryMessage = static_cast<TRetryCancelOpenTestDialog&>(d).Message();
    Press(d, "OKBtn");
  });
  w.files.Answers = {otherKey, key};
  w.Tool("tbLoadCorrectAnswers")->click();
  EXPECT_TRUE(retryMessage.startsWith(QStringLiteral("Во время загрузки ответов к тесту")));
  // The first offer is the test's name with the key's extension; a retry offers the last choice.
  EXPECT_EQ(w.files.Proposed[w.files.Proposed.size() - 2], key);
  EXPECT_EQ(w.files.Proposed.back(), otherKey);
  // Right: q1 B wrong (A right) = 0, q2 Б right = 1, q3 1 and 2 right = 1 of three equal levels.
  const QString grade = FormatGrade(w.Exam().Score(0));
  EXPECT_EQ(w.Clock(), grade);
  EXPECT_TRUE(grade.contains(QLatin1Char(','))) << grade.toStdString();
  EXPECT_EQ(w.Exam().CurrentQuestion(), 0);
  EXPECT_EQ(w.Red(), (std::vector<bool>{true, false}));
  EXPECT_EQ(w.Checked(), (std::vector<bool>{false, true}));

  // The wrongly answered question is found with Ctrl+Right and Ctrl+Down.
  w.Key(Qt::Key_End);
  w.Key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(w.Exam().CurrentQuestion(), 0);
  w.Key(Qt::Key_Right);
  w.Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(w.Exam().CurrentQuestion(), 0);

  // The saved answers load back with the same grade, and their name is offered next time.
  w.dialogs.Then(Click("OKBtn"));
  w.files.Answers = {w.Path("mine.tst-usr")};
  w.Tool("tbLoadUserAnswers")->click();
  EXPECT_EQ(w.Clock(), grade);
  EXPECT_EQ(w.form->UserNameDialog->GetUserName(), QStringLiteral("Иванов Иван Иванович"));

  // "Начать" after the exam starts the next test at once; the clock shows its whole time
  // before the first tick.
  w.files.Answers = {otherTest};
  w.Tool("tbStartExam")->click();
  EXPECT_EQ(w.Exam().State(), esRunning);
  EXPECT_EQ(w.Clock(), QStringLiteral("00:10:00"));
  w.Ticks(1);
  EXPECT_EQ(w.Clock(), QStringLiteral("00:09:59"));
  EXPECT_EQ(w.Red(), (std::vector<bool>{false, false}));
  QLocale::setDefault(QLocale::c());
}

TEST(MainWindow, TheClockRunningOutClosesTheStopDialogAndShowsTheNoticeOnce) {
  Window w;
  w.Start({w.Write("short.tst", ThreeQuestions(false, 3, 1))});
  // The stop dialog is open when the last second passes.
  w.dialogs.Then([&w](QDialog&) { w.Ticks(61); });
  w.dialogs.Then(Key(Qt::Key_Escape));
  w.Tool("tbStopExam")->click();
  EXPECT_EQ(w.Exam().State(), esFinished);
  EXPECT_EQ(w.dialogs.Shown, (std::vector<std::string>{"TStopTestDialog", "TTestOverDialog"}));
  EXPECT_EQ(w.Clock(), QStringLiteral("0%"));
}

TEST(MainWindow, WithoutATimeLimitTheClockCountsUp) {
  Window w;
  w.Start({w.Write("open.tst", ThreeQuestions(false, 3, 0))});
  w.Ticks(3);
  EXPECT_EQ(w.Clock(), QStringLiteral("00:00:03"));
  EXPECT_EQ(w.Exam().State(), esRunning);
}

TEST(MainWindow, AFileThatIsNotATestBringsTheRetryDialog) {
  Window w;
  w.Start({});
  examtest::WriteFile(w.tmp.Path() / "notes.tst", "just some text, not a test");
  QString message;
  w.dialogs.Then([&message](QDialog& d) {
    message = static_cast<TRetryCancelOpenTestDialog&>(d).Message();
    Press(d, "CancelBtn");
  });
  w.files.Answers = {w.Path("notes.tst")};
  w.Tool("tbStartExam")->click();
  EXPECT_EQ(w.dialogs.Shown, (std::vector<std::string>{"TRetryCancelOpenTestDialog"}));
  EXPECT_EQ(message, QStringLiteral("Во время загрузки теста произошла ошибка.\n"
                                    "Файл либо поврежден, либо не является файлом\n"
                                    "теста. Вы можете либо повторить попытку, либо\n"
                                    "обратиться к преподавателю за новым заданием."));
  EXPECT_EQ(w.Exam().State(), esNoTest);
  EXPECT_EQ(w.Controls(), kNoTestLook);
}

TEST(MainWindow, ACommandLineThatNamesNoSingleTestComesUpEmpty) {
  struct Case {
    const char* name;
    int arguments;  // 0, 1 (a missing file) or 2 (two valid tests)
  };
  for (const Case& c : {Case{"none", 0}, Case{"missing", 1}, Case{"two", 2}}) {
    Window w;
    const QString test = w.Write("a.tst", ThreeQuestions(false));
    QStringList arguments;
    if (c.arguments == 1) arguments << w.Path("absent.tst");
    if (c.arguments == 2) arguments << test << test;
    w.Start(arguments);
    EXPECT_EQ(w.Exam().State(), esNoTest) << c.name;
    EXPECT_EQ(w.Controls(), kNoTestLook) << c.name;
    EXPECT_EQ(w.Clock(), QStringLiteral("00:00:00")) << c.name;
    EXPECT_EQ(w.form->windowTitle(), QString()) << c.name;
  }
}

TEST(MainWindow, ATestWhoseBackupHasAnotherOptionCountNeverOpens) {
  Window w;
  const QString test = w.Write("a.tst", ThreeQuestions(false));
  TTestUserAnswers stale;
  stale.SetOptionCount(5);
  stale.SetIdent(fixture::Ident(3));
  stale.SaveBackup();
  w.Start({test});
  EXPECT_EQ(w.Exam().State(), esNoTest);
  w.dialogs.Then(Click("OKBtn"));
  w.dialogs.Then(Click("CancelBtn"));
  w.files.Answers = {test, test};
  w.Tool("tbStartExam")->click();
  EXPECT_EQ(w.dialogs.Shown,
            (std::vector<std::string>{"TRetryCancelOpenTestDialog", "TRetryCancelOpenTestDialog"}));
  EXPECT_EQ(w.Exam().State(), esNoTest);
}

TEST(MainWindow, KeysGoToADialogWhileItIsOpen) {
  Window w;
  w.Start({w.Write("a.tst", ThreeQuestions(false))});
  // Right would turn the page if the window took it; in the dialog it only moves the focus.
  w.dialogs.Then([&w](QDialog& d) {
    w.Key(Qt::Key_Right);
    w.Key(Qt::Key_A, {}, "a");
    Press(d, "Button2");
  });
  w.Tool("tbStopExam")->click();
  EXPECT_EQ(w.Exam().CurrentQuestion(), 0);
  EXPECT_EQ(w.Checked(), (std::vector<bool>{false, false}));
}

TEST(MainWindow, FunctionKeysReachTheToolbarCommands) {
  Window w;
  w.Start({w.Write("a.tst", ThreeQuestions(false))});
  w.Key(Qt::Key_F7);
  EXPECT_EQ(w.form->ZoomMode(), zmPage);
  EXPECT_TRUE(w.Tool("tbZoomPage")->isChecked());
  w.Key(Qt::Key_F6);
  EXPECT_EQ(w.form->ZoomMode(), zmWidth);
  w.dialogs.Then(Click("Button1"));
  w.Key(Qt::Key_F12);
  EXPECT_EQ(w.Exam().State(), esFinished);
  w.dialogs.Then(Click("CancelBtn"));
  w.Key(Qt::Key_F8);
  EXPECT_EQ(w.dialogs.Shown,
            (std::vector<std::string>{"TStopTestDialog", "TSaveMyAnswersWarningDialog"}));
}

TEST(MainWindow, ToolbarButtonsAndTheClockAreNamedForAScreenReader) {
  Window w;
  w.Start({w.Write("a.tst", ThreeQuestions(false))});
  struct Case {
    const char* object;
    const char* name;
  };
  for (const Case& c :
       {Case{"tbStartExam", "Начать"}, Case{"tbBack", "Назад"}, Case{"tbFWD", "Вперед"},
        Case{"tbStopExam", "Окончить"}, Case{"tbSaveUserAnswers", "Cохранить мои ответы"},
        Case{"tbLoadUserAnswers", "Загрузить мои ответы"},
        Case{"tbLoadCorrectAnswers", "Загрузить ответы к тесту"}}) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w.Tool(c.object));
    ASSERT_NE(a, nullptr) << c.object;
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8(c.name)) << c.object;
  }
  QAccessibleInterface* clock =
      QAccessible::queryAccessibleInterface(w.form->findChild<QLabel*>("pnTimer"));
  EXPECT_EQ(clock->text(QAccessible::Name), QStringLiteral("00:10:00"));
  QAccessibleInterface* topic =
      QAccessible::queryAccessibleInterface(w.form->findChild<QLabel*>("Panel3"));
  EXPECT_EQ(topic->text(QAccessible::Name), QStringLiteral("Механика"));
}

}  // namespace
