// TForm1: the student's main window: the exam, its commands, the clock and the page view.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <memory>

#include "Exam.h"
#include "FileDialogs.h"

class QFrame;
class QHBoxLayout;
class QLabel;
class QScrollArea;
class QToolBar;
class QToolButton;
class TCheckButtons;
class TLoadMyAnswersWarningDialog;
class TLoadTestAnswersWarningDialog;
class TNoticeLabel;
class TPageImage;
class TQuestionStrip;
class TRetryCancelOpenTestDialog;
class TSaveMyAnswersWarningDialog;
class TStopTestDialog;
class TTestOverDialog;
class TUserNameDialog;

enum TZoomMode { zmWidth = 0, zmPage = 1 };

// The shift state of a key, compared as a whole set.
enum TShiftKey : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Arguments: the command line without the program's name; one naming an existing file is
  // opened as a test at once. Without a timer the exam gets the one-second GUI clock; without
  // a runner the toolkit's file dialogs are used. Without KeepBackup the exam keeps no crash
  // backup (a preview of a test that is no student's exam).
  explicit TForm1(const QStringList& Arguments, std::unique_ptr<TTimer> Timer = nullptr,
                  TFileDialogRunner* FileDialogs = nullptr, bool KeepBackup = true);
  ~TForm1() override;

  // The seven dialogs, created after the window, in this order, and kept until it closes.
  void CreateDialogs();

  TExam& Exam() { return *FExam; }
  TCheckButtons& AnswerButtons() { return *FAnswerButtons; }
  TZoomMode ZoomMode() const { return FZoomMode; }
  bool NavigationLocked() const;
  // The header's "Вопрос N из M" and "отвечено K" and the question strip. A window that shows one
  // question of a larger test on its own (the teacher's preview) hides them: they would count
  // that one question only.
  void SetPlaceShown(bool Shown);

  // Commands; each does nothing while navigation is locked.
  void GoNext();
  void GoPrior();
  void GoFirst();
  void GoLast();
  void GoNextUnanswered();
  void GoPriorUnanswered();
  void GoNextWrong();
  void GoPriorWrong();

  // Toolbar and key handlers.
  void tbStartExamClick();
  void tbStopExamClick();
  void tbSaveUserAnswersClick();
  void tbLoadUserAnswersClick();
  void tbLoadCorrectAnswersClick();
  void tbZoomWidthClick() { FitPage(zmWidth); }
  void tbZoomPageClick() { FitPage(zmPage); }
  // Key: a virtual-key code; Shift: a set of TShiftKey.
  void FormKeyDown(int Key, unsigned Shift);

  // Page view.
  void ShowPage();
  void SetPage(const TMetafile* Picture);
  void FitPage(TZoomMode Z);

  // Says the remaining time through a screen reader (and shows it for a while).
  void TellTime();

  // The file dialogs as the window keeps them (their file names carry over).
  TFileDialog OpenTestDialog{TFileDialog::fdOpen,
                             QStringLiteral("Открытие теста"),
                             QStringLiteral("Файлы тестирования|*.tst"),
                             {}};
  TFileDialog OpenMyAnswersDialog{TFileDialog::fdOpen,
                                  QStringLiteral("Загрузить мои ответы"),
                                  QStringLiteral("Фалы ответов пользователя|*.tst-usr"),
                                  {}};
  TFileDialog SaveMyAnswersDialog{TFileDialog::fdSave,
                                  QStringLiteral("Сохранить мои ответы"),
                                  QStringLiteral("Файлы ответов пользователя|*.tst-usr"),
                                  {}};
  TFileDialog OpenTestAnswersDialog{TFileDialog::fdOpen,
                                    QStringLiteral("Загрузка ответов к тесту"),
                                    QStringLiteral("Файлы ответов к тесту|*.tst-ans"),
                                    {}};

  TRetryCancelOpenTestDialog* RetryCancelOpenTestDialog = nullptr;
  TStopTestDialog* StopTestDialog = nullptr;
  TSaveMyAnswersWarningDialog* SaveMyAnswersWarningDialog = nullptr;
  TLoadMyAnswersWarningDialog* LoadMyAnswersWarningDialog = nullptr;
  TLoadTestAnswersWarningDialog* LoadTestAnswersWarningDialog = nullptr;
  TTestOverDialog* TestOverDialog = nullptr;
  TUserNameDialog* UserNameDialog = nullptr;

 protected:
  // The application's key hook: keys of this window reach FormKeyDown before the focused control.
  bool eventFilter(QObject* Watched, QEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void showEvent(QShowEvent* Event) override;
  void changeEvent(QEvent* Event) override;

 private:
  void CreateComponents();
  QToolBar* CreateToolBar1();
  QToolBar* CreateToolBar2();
  void FormCreate(const QStringList& Arguments);
  void FormDestroy();
  void FormResize();
  // Widens the answer column to its widest caption; true when its width changed.
  bool FitAnswerPanel();
  void ExamStateChange();
  void ExamTick();
  void ExamPageChange();
  bool AppMessage(QWidget* Target, QKeyEvent& Event);
  void SetControls(TExamState S);
  void ShowGrade();
  void ScrollPage(int Direction);
  int ShowModal(class QDialog& Dialog);
  // Client size of the page area, with the vertical scroll bar the page needs at its size.
  int ScrollBoxClientWidth() const;
  int ScrollBoxClientHeight() const;
  void UpdateScrollBar();
  // The header's position, count of answers, notices and the strip of questions.
  void CreateStatus(QHBoxLayout& Header);
  TQuestionStrip* CreateStrip();
  void ShowGlance();
  // The clock of the running exam, red from a warning on; Warn: tell a warning newly due.
  void ShowClock(bool Warn);
  void SetClockWarning(bool Value);
  void ShowStartClock();
  long long RemainingSeconds() const;
  void ExamBackupChange();
  // The page's accessible name and description; the focus brought to the page or an option.
  void DescribePage();
  void PresentPage();
  void PresentOption(int32_t Option);
  void RefocusPage();

  std::unique_ptr<TExam> FExam;
  std::unique_ptr<TCheckButtons> FAnswerButtons;
  std::unique_ptr<TFileDialogRunner> FOwnFileDialogs;
  TFileDialogRunner* FFileDialogs = nullptr;
  bool FShowOverDialog = true;
  bool FPlaceShown = true;
  TZoomMode FZoomMode = zmWidth;
  // The minutes left of the latest time warning (5, 1), 0 before the first.
  int FWarnedMinutes = 0;

  // Components, named as the window's parts.
  QFrame* Panel8 = nullptr;
  QLabel* Panel3 = nullptr;
  QFrame* Panel2 = nullptr;
  QLabel* pnTimer = nullptr;
  QLabel* pnWhere = nullptr;
  QLabel* pnAnswered = nullptr;
  TNoticeLabel* pnNotice = nullptr;
  TNoticeLabel* pnBackup = nullptr;
  TQuestionStrip* QuestionStrip = nullptr;
  QScrollArea* AnswPanel = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QFrame* pImageBG = nullptr;
  QFrame* Panel5 = nullptr;
  TPageImage* QImage = nullptr;
  QToolButton* tbZoomWidth = nullptr;
  QToolButton* tbZoomPage = nullptr;
  QToolButton* tbSaveUserAnswers = nullptr;
  QToolButton* tbLoadUserAnswers = nullptr;
  QToolButton* tbLoadCorrectAnswers = nullptr;
  QToolButton* tbStartExam = nullptr;
  QToolButton* tbBack = nullptr;
  QToolButton* tbFWD = nullptr;
  QToolButton* tbStopExam = nullptr;
};

// The clock's text: the time-of-day part of Days as hh:nn:ss, of its magnitude when negative.
QString FormatClock(double Days);
// A count with its Russian noun in the form the number takes: 1 минута, 2 минуты, 5 минут.
QString RussianCount(long long N, const char* One, const char* Few, const char* Many);
// Seconds as spoken: "12 минут 30 секунд", "1 час 5 секунд"; parts that are zero left out.
QString FormatSpokenTime(long long Seconds);
// A score ratio as the grade: 100 times, one decimal with the locale's separator, then "%".
QString FormatGrade(double Ratio);
