// What the student sees at a glance: position and answers in the header, the strip of
// questions, the time warnings, the spoken time and a crash backup that cannot be written.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <cerrno>

#include "MainWindowHarness.h"
#include "QuestionStrip.h"
#include "WindowAccessible.h"

namespace {

using namespace windowtest;
using fixture::Uniform;

QString Text(Window& w, const char* label) {
  return w.form->findChild<QLabel*>(label)->text();
}

TNoticeLabel* Notice(Window& w, const char* name) {
  return w.form->findChild<TNoticeLabel*>(name);
}

// What a screen reader reads of a notice: nothing while hidden, its text as a notification.
QString Heard(TNoticeLabel* notice) {
  if (notice->isHidden()) return {};
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(notice);
  EXPECT_EQ(a->role(), QAccessible::Notification);
  return a->text(QAccessible::Name);
}

bool ClockRed(Window& w) {
  return w.form->findChild<QLabel*>("pnTimer")->palette().color(QPalette::WindowText) ==
         QColor(204, 0, 0);
}

TQuestionStrip* Strip(Window& w) {
  return w.form->findChild<TQuestionStrip*>("QuestionStrip");
}

// The cells as letters: '.' blank, 'a' answered, '+' right, '-' wrong; the current one capital
// ('_' for a blank current cell).
std::string Cells(Window& w) {
  std::string s;
  for (int q = 0; q < Strip(w)->Count(); ++q) {
    const TQuestionCell* c = Strip(w)->Cell(q);
    char ch = c->Verdict() == TQuestionCell::vdRight   ? '+'
              : c->Verdict() == TQuestionCell::vdWrong ? '-'
              : c->Answered()                          ? 'a'
                                                       : '.';
    if (c->Current()) ch = ch == '.' ? '_' : ch == 'a' ? 'A' : ch == '+' ? 'R' : 'W';
    s += ch;
  }
  return s;
}

TEST(Glance, TheHeaderAndTheStripFollowMarksPagesAndTheKey) {
  Window w;
  const QString test = w.Write("u.tst", Uniform(4, 3));
  const QString key = w.Write("u.tst-ans", Uniform(4, 3));
  w.Start({test});
  EXPECT_EQ(Text(w, "pnWhere"), QStringLiteral("Вопрос 1 из 4"));
  EXPECT_EQ(Text(w, "pnAnswered"), QStringLiteral("отвечено 0"));
  EXPECT_EQ(Cells(w), "_...");
  w.Key(Qt::Key_A, {}, QStringLiteral("a"));
  EXPECT_EQ(Text(w, "pnAnswered"), QStringLiteral("отвечено 1"));
  EXPECT_EQ(Cells(w), "A...");
  w.Key(Qt::Key_Right);
  EXPECT_EQ(Text(w, "pnWhere"), QStringLiteral("Вопрос 2 из 4"));
  w.Key(Qt::Key_B, {}, QStringLiteral("b"));
  w.Key(Qt::Key_B, {}, QStringLiteral("b"));  // unmarked again: no longer answered
  EXPECT_EQ(Text(w, "pnAnswered"), QStringLiteral("отвечено 1"));
  EXPECT_EQ(Cells(w), "a_..");

  // A cell goes to its question and never takes the keyboard; its accessible name is its
  // number, its description whether it is answered.
  Strip(w)->Cell(2)->click();
  EXPECT_EQ(w.Exam().CurrentQuestion(), 2);
  EXPECT_EQ(Strip(w)->Cell(2)->focusPolicy(), Qt::NoFocus);
  EXPECT_NE(QApplication::focusWidget(), Strip(w)->Cell(2));
  w.Key(Qt::Key_C, {}, QStringLiteral("c"));
  QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(Strip(w)->Cell(2));
  EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("3"));
  EXPECT_EQ(cell->text(QAccessible::Description), QStringLiteral("отвечен"));
  EXPECT_EQ(
      QAccessible::queryAccessibleInterface(Strip(w)->Cell(3))->text(QAccessible::Description),
      QStringLiteral("без ответа"));
  EXPECT_TRUE(
      cell->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));

  // After the exam and the key: question 1 right (A), 3 wrong (C), 2 and 4 wrong unanswered.
  w.dialogs.Then(Click("Button1"));
  w.Key(Qt::Key_F12);
  ASSERT_EQ(w.Exam().State(), esFinished);
  w.dialogs.Then(Click("OKBtn"));
  w.files.Answers = {key};
  w.Tool("tbLoadCorrectAnswers")->click();
  EXPECT_EQ(Cells(w), "R---");
  w.Key(Qt::Key_End);
  EXPECT_EQ(Cells(w), "+--W");
}

TEST(Glance, ALongStripScrollsTheCurrentCellIntoView) {
  Window w;
  w.Start({w.Write("long.tst", Uniform(200, 2))});
  TQuestionStrip* strip = Strip(w);
  ASSERT_EQ(strip->Count(), 200);
  EXPECT_TRUE(strip->isVisible());
  for (int key : {Qt::Key_End, Qt::Key_Home, Qt::Key_End, Qt::Key_Left, Qt::Key_Left}) {
    w.Key(key);
    const TQuestionCell* current = strip->Cell(w.Exam().CurrentQuestion());
    const QRect shown(-strip->widget()->x(), 0, strip->viewport()->width(), 1);
    EXPECT_GE(current->x(), shown.left()) << w.Exam().CurrentQuestion();
    EXPECT_LE(current->x() + current->width(), shown.right() + 1) << w.Exam().CurrentQuestion();
  }
  EXPECT_EQ(Text(w, "pnWhere"), QStringLiteral("Вопрос 198 из 200"));
}

TEST(Glance, TheClockWarnsAtFiveAndAtOneMinuteOnlyWhenTheLimitIsLonger) {
  struct Case {
    int minutes;
    int ticks;
    const char* heard;  // what the notice says then ("" silent)
    bool red;
  };
  for (const Case& c : {
           Case{10, 299, "", false},
           Case{10, 300, "Осталось 5 минут", true},
           Case{10, 540, "Осталось 1 минута", true},
           Case{5, 240, "Осталось 1 минута", true},  // no 5-minute warning for 5 minutes
           Case{5, 1, "", false},
           Case{1, 1, "", false},  // nor any for a single minute
           Case{1, 30, "", false},
       }) {
    Window w;
    w.Start({w.Write("t.tst", Uniform(2, 2, c.minutes))});
    EXPECT_EQ(w.Clock(), FormatClock(c.minutes / 1440.0)) << "before the first tick";
    // Tell the warnings as they come, then the one in force.
    QString lastHeard;
    for (int i = 0; i < c.ticks; ++i) {
      w.Ticks(1);
      if (!Heard(Notice(w, "pnNotice")).isEmpty()) lastHeard = Heard(Notice(w, "pnNotice"));
    }
    SCOPED_TRACE(testing::Message() << c.minutes << " min, " << c.ticks << " ticks");
    EXPECT_EQ(Heard(Notice(w, "pnNotice")), QString::fromUtf8(c.heard));
    EXPECT_EQ(ClockRed(w), c.red);
    // Shown for ten seconds, with no dialog and the keys still the exam's.
    if (*c.heard != '\0') {
      const auto* hide = Notice(w, "pnNotice")->findChild<QTimer*>();
      EXPECT_TRUE(hide->isActive());
      EXPECT_EQ(hide->interval(), 10000);
      EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
      w.Key(Qt::Key_Right);
      EXPECT_EQ(w.Exam().CurrentQuestion(), 1);
    }
  }
}

TEST(Glance, TheTimeIsSpokenOnDemand) {
  Window w;
  w.Start({w.Write("t.tst", Uniform(2, 2, 13))});
  w.Key(Qt::Key_F5);
  EXPECT_EQ(Heard(Notice(w, "pnNotice")), QStringLiteral("Осталось 13 минут"));
  w.Ticks(30);
  w.Key(Qt::Key_F5);
  EXPECT_EQ(Heard(Notice(w, "pnNotice")), QStringLiteral("Осталось 12 минут 30 секунд"));
  // Its shortcut takes no answer key away: the exam is where it was.
  EXPECT_EQ(w.Exam().CurrentQuestion(), 0);
}

TEST(Glance, SpokenTimesTakeTheirRussianForms) {
  struct Case {
    long long seconds;
    const char* spoken;
  };
  for (const Case& c :
       {Case{0, "0 секунд"}, Case{1, "1 секунда"}, Case{2, "2 секунды"}, Case{11, "11 секунд"},
        Case{21, "21 секунда"}, Case{62, "1 минута 2 секунды"}, Case{14 * 60, "14 минут"},
        Case{22 * 60 + 5, "22 минуты 5 секунд"}, Case{3605, "1 час 5 секунд"},
        Case{2 * 3600 + 60, "2 часа 1 минута"}, Case{-5, "0 секунд"}})
    EXPECT_EQ(FormatSpokenTime(c.seconds), QString::fromUtf8(c.spoken)) << c.seconds;
}

TEST(Glance, ABackupThatCannotBeWrittenIsShownUntilTheNextGoodOne) {
  Window w;
  w.Start({w.Write("t.tst", Uniform(2, 2))});
  w.Ticks(1);
  EXPECT_EQ(Heard(Notice(w, "pnBackup")), QString());
  {
    examtest::TFailingDisk full({0, ENOSPC, 0});
    w.Ticks(1);
    EXPECT_EQ(Heard(Notice(w, "pnBackup")), QStringLiteral("Резервная копия не сохраняется"));
    const QString reason = Notice(w, "pnBackup")->toolTip();
    ASSERT_FALSE(w.Exam().BackupError().empty());
    EXPECT_TRUE(reason.endsWith(QString::fromStdString(w.Exam().BackupError())))
        << reason.toStdString();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Notice(w, "pnBackup"))
                  ->text(QAccessible::Description),
              reason);
    // Still failing: still shown, the exam goes on without a dialog.
    w.Key(Qt::Key_A, {}, QStringLiteral("a"));
    w.Ticks(2);
    EXPECT_FALSE(Notice(w, "pnBackup")->isHidden());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(w.Exam().State(), esRunning);
  }
  w.Ticks(1);
  EXPECT_TRUE(Notice(w, "pnBackup")->isHidden());
  EXPECT_EQ(Notice(w, "pnBackup")->toolTip(), QString());
}

// What a screen reader follows: a new page takes the focus, named where the student is and with
// the page and its options; an answer key gives its option the focus; after the key the right
// options say so.
TEST(ScreenReader, TheFocusGoesWhereTheStudentMustListen) {
  Window w;
  const QString test = w.Write("u.tst", Uniform(3, 2));
  const QString key = w.Write("u.tst-ans", Uniform(3, 2));
  w.Start({test});
  QWidget* page = w.form->findChild<QWidget*>("QImage");
  auto name = [](QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
  };
  EXPECT_EQ(QApplication::focusWidget(), page);
  EXPECT_EQ(name(page), QStringLiteral("Вопрос 1 из 3, Topic. Варианты ответа: A), не отмечен; "
                                       "B), не отмечен."));
  w.Key(Qt::Key_B, {}, QStringLiteral("b"));
  EXPECT_EQ(QApplication::focusWidget(), w.form->AnswerButtons().Button(1));
  w.Key(Qt::Key_Right);
  EXPECT_EQ(QApplication::focusWidget(), page);
  EXPECT_TRUE(name(page).startsWith(QStringLiteral("Вопрос 2 из 3, Topic.")));
  // The same key again on the focused radio button: the header tells its new state.
  w.Key(Qt::Key_A, {}, QStringLiteral("a"));
  w.Key(Qt::Key_A, {}, QStringLiteral("a"));
  EXPECT_EQ(QApplication::focusWidget(), w.form->AnswerButtons().Button(0));
  EXPECT_EQ(Heard(Notice(w, "pnNotice")), QStringLiteral("A): не отмечен"));
  w.Key(Qt::Key_Left);
  EXPECT_TRUE(name(page).contains(QStringLiteral("B), отмечен.")));

  w.dialogs.Then(Click("Button1"));
  w.Key(Qt::Key_F12);
  w.dialogs.Then(Click("OKBtn"));
  w.files.Answers = {key};
  w.Tool("tbLoadCorrectAnswers")->click();
  EXPECT_EQ(QAccessible::queryAccessibleInterface(w.form->AnswerButtons().Button(0))
                ->text(QAccessible::Description),
            QStringLiteral("верный ответ"));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(w.form->AnswerButtons().Button(1))
                ->text(QAccessible::Description),
            QString());
  EXPECT_TRUE(name(page).endsWith(
      QStringLiteral("Варианты ответа: A), не отмечен, верный ответ; B), отмечен.")))
      << name(page).toStdString();
}

}  // namespace
