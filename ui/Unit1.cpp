// The main window: its parts, the exam's notifications, the commands and the keys.
#include "Unit1.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <cstring>

#include "AnswerColumn.h"
#include "Cp1251Text.h"
#include "DialogForm.h"
#include "KeyMap.h"
#include "LoadMyAnswersWarningDialogUnit.h"
#include "LoadTestAnswersWarningDialogUnit.h"
#include "ModalResult.h"
#include "PageImage.h"
#include "QtTimer.h"
#include "QuestionStrip.h"
#include "SaveMyAnswersWarningDialogUnit.h"
#include "TestCheckboxes.h"
#include "Unit2.h"
#include "Unit3.h"
#include "UnitRetryCancelOpenTestDialog.h"
#include "UserNameDialogUnit.h"
#include "WindowAccessible.h"
#include "ZoomIcons.h"

namespace {

const QColor kSkyBlue(166, 202, 240);
const QColor kSilver(192, 192, 192);
const QColor kNavy(0, 0, 128);
const QColor kDisabledText(112, 112, 112);

QString TestOpenMessage() {
  return QStringLiteral(
      "Во время загрузки теста произошла ошибка.\r\n"
      "Файл либо поврежден, либо не является файлом\r\n"
      "теста. Вы можете либо повторить попытку, либо\r\n"
      "обратиться к преподавателю за новым заданием.");
}

QString SaveAnswersMessage() {
  return QStringLiteral(
      "Во время сохранения ваших ответов произошла\r\n"
      "ошибка. Носитель либо поврежден, либо у вас\r\n"
      "нет прав записи на него. Вы можете\r\n"
      "повторить попытку в другое место.");
}

QString LoadAnswersMessage() {
  return QStringLiteral(
      "Во время загрузки ваших ответов произошла\r\n"
      "ошибка. Файл либо поврежден, либо не является\r\n"
      "файлом ваших ответов этому тесту. Вы можете либо\r\n"
      "повторить попытку, либо выйти из программы.");
}

QString LoadTestAnswersMessage() {
  return QStringLiteral(
      "Во время загрузки ответов к тесту произошла\r\n"
      "ошибка. Файл либо поврежден, либо не является\r\n"
      "файлом ответов этому тесту. Вы можете либо\r\n"
      "повторить попытку, либо повторно обратиться к \r\n"
      "преподавателю за ответами.");
}

std::string LocalPath(const QString& fileName) {
  return QFile::encodeName(fileName).toStdString();
}

unsigned ShiftOf(Qt::KeyboardModifiers m) {
  return (m & Qt::ShiftModifier ? ssShift : 0u) | (m & Qt::AltModifier ? ssAlt : 0u) |
         (m & Qt::ControlModifier ? ssCtrl : 0u);
}

QFrame* Panel(QWidget* parent, const char* name, const QColor& colour) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QLatin1String(name));
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, colour);
  panel->setPalette(palette);
  return panel;
}

// A toolbar button, not yet placed. A command that opens a dialog is run after an accessible
// press has returned; the choice is made before the toolkit creates the button's interface.
QToolButton* NewToolButton(const char* name) {
  auto* b = new QToolButton;
  b->setObjectName(QLatin1String(name));
  static const char* const kOpensDialog[] = {"tbStartExam", "tbStopExam", "tbSaveUserAnswers",
                                             "tbLoadUserAnswers", "tbLoadCorrectAnswers"};
  for (const char* opener : kOpensDialog)
    if (std::strcmp(opener, name) == 0) DeferAccessiblePress(*b);
  return b;
}

QWidget* Spacer(const char* name, int width) {
  auto* spacer = new QWidget;
  spacer->setObjectName(QLatin1String(name));
  spacer->setFixedWidth(width);
  return spacer;
}

}  // namespace

QString FormatClock(double Days) {
  const long long ms = std::llround(std::fabs(Days) * 86400000.0);
  const long long seconds = (ms / 1000) % 86400;
  return QStringLiteral("%1:%2:%3")
      .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
      .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString FormatGrade(double Ratio) {
  return QLocale().toString(Ratio * 100.0, 'f', 1) + QLatin1Char('%');
}

TForm1::TForm1(const QStringList& Arguments, std::unique_ptr<TTimer> Timer,
               TFileDialogRunner* FileDialogs, bool KeepBackup)
    : FFileDialogs(FileDialogs) {
  if (FFileDialogs == nullptr) {
    FOwnFileDialogs = std::make_unique<TQtFileDialogRunner>();
    FFileDialogs = FOwnFileDialogs.get();
  }
  InstallWindowAccessibility();
  CreateComponents();
  FExam =
      std::make_unique<TExam>(KeepBackup, Timer ? std::move(Timer) : std::make_unique<TQtTimer>());
  FormCreate(Arguments);
}

TForm1::~TForm1() {
  FormDestroy();
}

void TForm1::CreateComponents() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Тестирование"));
  setMinimumSize(652, 492);
  setFont(DialogFont());
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, kSilver);
  // The toolkit's grey for disabled captions all but vanishes on silver; this one stays legible.
  for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
    palette.setColor(QPalette::Disabled, role, kDisabledText);
  setPalette(palette);

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  Panel8 = Panel(central, "Panel8", kSkyBlue);
  Panel8->setFixedHeight(49);
  auto* header = new QHBoxLayout(Panel8);
  header->setContentsMargins(0, 0, 0, 0);
  header->setSpacing(0);
  header->addWidget(Spacer("Panel9", 16));
  Panel3 = new QLabel(Panel8);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  QFont topicFont(QStringLiteral("Arial"), 10, QFont::Bold);
  Panel3->setFont(topicFont);
  QPalette topicPalette = Panel3->palette();
  topicPalette.setColor(QPalette::WindowText, kNavy);
  Panel3->setPalette(topicPalette);
  Panel3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Panel3->setAccessibleDescription(QStringLiteral("Тема вопроса"));
  header->addWidget(Panel3, 1);
  CreateStatus(*header);
  column->addWidget(Panel8);
  column->addWidget(CreateStrip());

  QFrame* Panel1 = Panel(central, "Panel1", Qt::white);
  auto* middle = new QHBoxLayout(Panel1);
  middle->setContentsMargins(0, 0, 0, 0);
  middle->setSpacing(0);
  Panel2 = Panel(Panel1, "Panel2", Qt::white);
  Panel2->setFixedWidth(98);
  Panel2->setFrameShape(QFrame::Box);
  Panel2->setLineWidth(1);
  auto* left = new QVBoxLayout(Panel2);
  left->setContentsMargins(1, 1, 1, 1);
  left->setSpacing(0);
  pnTimer = new QLabel(QStringLiteral("00:00:00"), Panel2);
  pnTimer->setObjectName(QStringLiteral("pnTimer"));
  pnTimer->setFixedHeight(33);
  pnTimer->setAlignment(Qt::AlignCenter);
  const QFont clockFont = DialogFont(19, true);
  pnTimer->setFont(clockFont);
  pnTimer->setAccessibleDescription(QStringLiteral("Оставшееся время или оценка"));
  left->addWidget(pnTimer);
  auto* bevel1 = new QFrame(Panel2);
  bevel1->setObjectName(QStringLiteral("Bevel1"));
  bevel1->setFrameShape(QFrame::HLine);
  bevel1->setFrameShadow(QFrame::Sunken);
  left->addWidget(bevel1);
  auto* answers = new QHBoxLayout;
  answers->setSpacing(0);
  answers->addWidget(Spacer("Panel10", 16));
  AnswPanel = new QScrollArea(Panel2);
  AnswPanel->setObjectName(QStringLiteral("AnswPanel"));
  AnswPanel->setFrameShape(QFrame::NoFrame);
  AnswPanel->setFont(clockFont);
  AnswPanel->setAutoFillBackground(true);
  palette = AnswPanel->palette();
  palette.setColor(QPalette::Window, Qt::white);
  AnswPanel->setPalette(palette);
  answers->addWidget(AnswPanel, 1);
  left->addLayout(answers, 1);
  middle->addWidget(Panel2);

  ScrollBox1 = new QScrollArea(Panel1);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox1->setWidgetResizable(false);
  ScrollBox1->setFocusPolicy(Qt::NoFocus);
  pImageBG = Panel(nullptr, "pImageBG", QColor(237, 231, 208));
  pImageBG->setFrameShape(QFrame::Box);
  pImageBG->setLineWidth(1);
  Panel5 = Panel(pImageBG, "Panel5", Qt::white);
  Panel5->setFrameShape(QFrame::Box);
  Panel5->setLineWidth(1);
  QImage = new TPageImage(Panel5);
  QImage->setObjectName(QStringLiteral("QImage"));
  ScrollBox1->setWidget(pImageBG);
  middle->addWidget(ScrollBox1, 1);
  column->addWidget(Panel1, 1);

  column->addWidget(CreateToolBar2());
  column->addWidget(CreateToolBar1());
  setCentralWidget(central);
}

QToolBar* TForm1::CreateToolBar2() {
  auto* bar = new QToolBar(QStringLiteral("Вид и ответы"));
  bar->setObjectName(QStringLiteral("ToolBar2"));
  bar->setMovable(false);
  bar->setFloatable(false);
  auto button = [&](const char* name, const QString& hint, const QIcon& icon) {
    auto* b = NewToolButton(name);
    b->setToolTip(hint);
    b->setAccessibleName(hint.section(QLatin1String(" ("), 0, 0));
    b->setIcon(icon);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(b);
    return b;
  };
  tbZoomWidth = button("tbZoomWidth", QStringLiteral("По ширине страницы (F6)"), ZoomIcon(false));
  tbZoomPage = button("tbZoomPage", QStringLiteral("Страница целиком (F7)"), ZoomIcon(true));
  tbZoomWidth->setCheckable(true);
  tbZoomPage->setCheckable(true);
  tbZoomWidth->setAutoExclusive(true);
  tbZoomPage->setAutoExclusive(true);
  tbZoomWidth->setChecked(true);
  bar->addWidget(Spacer("ToolButton4", 8));
  // The first letter of this hint is the Latin C, as the program has always shown it.
  tbSaveUserAnswers = button("tbSaveUserAnswers", QStringLiteral("Cохранить мои ответы (F8)"),
                             style()->standardIcon(QStyle::SP_DialogSaveButton));
  tbLoadUserAnswers = button("tbLoadUserAnswers", QStringLiteral("Загрузить мои ответы (F9)"),
                             style()->standardIcon(QStyle::SP_DialogOpenButton));
  tbLoadCorrectAnswers =
      button("tbLoadCorrectAnswers", QStringLiteral("Загрузить ответы к тесту (F11)"),
             style()->standardIcon(QStyle::SP_DialogApplyButton));
  connect(tbZoomWidth, &QToolButton::clicked, this, [this] { tbZoomWidthClick(); });
  connect(tbZoomPage, &QToolButton::clicked, this, [this] { tbZoomPageClick(); });
  connect(tbSaveUserAnswers, &QToolButton::clicked, this, [this] { tbSaveUserAnswersClick(); });
  connect(tbLoadUserAnswers, &QToolButton::clicked, this, [this] { tbLoadUserAnswersClick(); });
  connect(tbLoadCorrectAnswers, &QToolButton::clicked, this,
          [this] { tbLoadCorrectAnswersClick(); });
  return bar;
}

QToolBar* TForm1::CreateToolBar1() {
  auto* bar = new QToolBar(QStringLiteral("Ход тестирования"));
  bar->setObjectName(QStringLiteral("ToolBar1"));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setFixedHeight(49);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  QFont font = bar->font();
  font.setPointSize(12);
  auto button = [&](const char* name, const QString& caption, const QString& hint,
                    QStyle::StandardPixmap icon) {
    auto* b = NewToolButton(name);
    b->setText(caption);
    b->setToolTip(hint);
    b->setAccessibleDescription(hint);
    b->setFont(font);
    b->setIcon(style()->standardIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setMinimumSize(81, 43);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    bar->addWidget(b);
    return b;
  };
  tbStartExam = button("tbStartExam", QStringLiteral("Начать"),
                       QStringLiteral("Открыть тест и начать (F3)"), QStyle::SP_MediaPlay);
  bar->addWidget(Spacer("ToolButton3", 80));
  tbBack = button("tbBack", QStringLiteral("Назад"),
                  QStringLiteral("Предыдущий вопрос (стрелка влево)"), QStyle::SP_ArrowBack);
  bar->addWidget(Spacer("ToolButton7", 8));
  tbFWD = button("tbFWD", QStringLiteral("Вперед"),
                 QStringLiteral("Следующий вопрос (стрелка вправо)"), QStyle::SP_ArrowForward);
  // Keeps "Окончить" at the right edge, whatever the width of the window.
  auto* stretch = new QWidget;
  stretch->setObjectName(QStringLiteral("ToolButton10"));
  stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  bar->addWidget(stretch);
  tbStopExam = button("tbStopExam", QStringLiteral("Окончить"),
                      QStringLiteral("Окончить тестирование (F12)"), QStyle::SP_MediaStop);
  connect(tbStartExam, &QToolButton::clicked, this, [this] { tbStartExamClick(); });
  connect(tbBack, &QToolButton::clicked, this, [this] { GoPrior(); });
  connect(tbFWD, &QToolButton::clicked, this, [this] { GoNext(); });
  connect(tbStopExam, &QToolButton::clicked, this, [this] { tbStopExamClick(); });
  return bar;
}

void TForm1::CreateDialogs() {
  RetryCancelOpenTestDialog = new TRetryCancelOpenTestDialog(this);
  StopTestDialog = new TStopTestDialog(this);
  SaveMyAnswersWarningDialog = new TSaveMyAnswersWarningDialog(this);
  LoadMyAnswersWarningDialog = new TLoadMyAnswersWarningDialog(this);
  LoadTestAnswersWarningDialog = new TLoadTestAnswersWarningDialog(this);
  TestOverDialog = new TTestOverDialog(this);
  UserNameDialog = new TUserNameDialog(this);
}

void TForm1::FormCreate(const QStringList& Arguments) {
  FExam->SetOnStateChange([this](TExam&) { ExamStateChange(); });
  FExam->SetOnTick([this](TExam&) { ExamTick(); });
  FExam->SetOnPageChange([this](TExam&) { ExamPageChange(); });
  FExam->SetOnBackupChange([this](TExam&) { ExamBackupChange(); });
  FAnswerButtons = std::make_unique<TCheckButtons>(*AnswPanel, *FExam);
  FAnswerButtons->SetOnChange([this](TCheckButtons&) { ShowGlance(); });
  qApp->installEventFilter(this);
  FitPage(zmWidth);
  ExamStateChange();
  if (Arguments.size() == 1 && QFileInfo(Arguments.front()).isFile()) {
    OpenTestDialog.FileName = Arguments.front();
    try {
      FExam->OpenTest(std::make_unique<TVFMem>(LocalPath(Arguments.front())));
    } catch (...) {
      // A test that cannot be opened leaves the window as it is; "Начать" tries again.
    }
    ShowStartClock();
  }
}

void TForm1::FormDestroy() {
  qApp->removeEventFilter(this);
  FAnswerButtons.reset();
  // The exam's notifications must not reach a window that is half destroyed.
  if (FExam) {
    FExam->SetOnStateChange(nullptr);
    FExam->SetOnTick(nullptr);
    FExam->SetOnPageChange(nullptr);
    FExam->SetOnBackupChange(nullptr);
  }
  FExam.reset();
}

bool TForm1::NavigationLocked() const {
  return !FExam || FExam->State() < esRunning;
}

void TForm1::GoNext() {
  if (!NavigationLocked()) FExam->Next();
}
void TForm1::GoPrior() {
  if (!NavigationLocked()) FExam->Prior();
}
void TForm1::GoFirst() {
  if (!NavigationLocked()) FExam->First();
}
void TForm1::GoLast() {
  if (!NavigationLocked()) FExam->Last();
}
void TForm1::GoNextUnanswered() {
  if (!NavigationLocked()) FExam->NextUnanswered();
}
void TForm1::GoPriorUnanswered() {
  if (!NavigationLocked()) FExam->PriorUnanswered();
}

void TForm1::GoNextWrong() {
  if (!NavigationLocked() && FExam->State() == esFinished) FExam->NextWrong();
}

void TForm1::GoPriorWrong() {
  if (!NavigationLocked() && FExam->State() == esFinished) FExam->PriorWrong();
}

void TForm1::SetControls(TExamState S) {
  const bool running = S == esRunning;
  const bool finished = S == esFinished;
  FAnswerButtons->Column().setEnabled(running);
  tbStartExam->setEnabled(!running);
  tbBack->setEnabled(running || finished);
  tbFWD->setEnabled(running || finished);
  tbStopExam->setEnabled(running);
  tbZoomWidth->setEnabled(running || finished);
  tbZoomPage->setEnabled(running || finished);
  tbSaveUserAnswers->setEnabled(finished);
  tbLoadUserAnswers->setEnabled(finished);
  tbLoadCorrectAnswers->setEnabled(finished);
}

void TForm1::ExamStateChange() {
  setWindowTitle(FromCp1251(FExam->GetTitle()));
  switch (FExam->State()) {
    case esNoTest:
      FShowOverDialog = true;
      SetControls(esNoTest);
      pnTimer->setText(QStringLiteral("00:00:00"));
      SetClockWarning(false);
      pnNotice->Clear();
      QImage->ClearPicture();
      FAnswerButtons->SetShowRight(false);
      ShowGlance();
      break;
    case esReady:
      FExam->OpenTestAnswers(nullptr);
      FExam->SetRunning(true);
      FAnswerButtons->SetShowRight(false);
      break;
    case esRunning:
      FShowOverDialog = true;
      SetControls(esRunning);
      FAnswerButtons->SetShowRight(false);
      break;
    case esFinished:
      if (StopTestDialog != nullptr && StopTestDialog->isVisible()) StopTestDialog->done(mrCancel);
      SetControls(esFinished);
      SetClockWarning(false);
      pnNotice->Clear();
      pnTimer->setText(QStringLiteral("0%"));
      FAnswerButtons->SetShowRight(true);
      DescribePage();  // the right options, now shown in red, are told too
      if (FShowOverDialog && TestOverDialog != nullptr && !TestOverDialog->isVisible())
        ShowModal(*TestOverDialog);
      break;
  }
}

void TForm1::ShowStartClock() {
  // The time left, of a restored exam too, before the first tick; a warning already due is
  // shown by the clock's colour alone.
  FWarnedMinutes = 0;
  if (FExam->State() == esRunning) ShowClock(false);
}

void TForm1::ExamTick() {
  ShowClock(true);
}

void TForm1::ExamPageChange() {
  if (!NavigationLocked()) ShowPage();
}

int TForm1::ShowModal(QDialog& Dialog) {
  return Dialog.exec();
}

void TForm1::ShowGrade() {
  pnTimer->setText(FormatGrade(FExam->Score(0)));
}

void TForm1::tbStartExamClick() {
  if (RetryCancelOpenTestDialog == nullptr) return;
  RetryCancelOpenTestDialog->SetMessage(TestOpenMessage());
  FExam->OpenTestAnswers(nullptr);
  for (;;) {
    if (!FFileDialogs->Execute(this, OpenTestDialog)) return;
    try {
      FExam->OpenTest(std::make_unique<TVFMem>(LocalPath(OpenTestDialog.FileName)));
    } catch (...) {
      FExam->OpenTest(nullptr);
    }
    ShowStartClock();
    if (FExam->State() != esNoTest) return;
    if (ShowModal(*RetryCancelOpenTestDialog) == mrCancel) return;
  }
}

void TForm1::tbStopExamClick() {
  if (FExam->State() != esRunning || StopTestDialog == nullptr) return;
  if (ShowModal(*StopTestDialog) == mrCancel) return;
  FShowOverDialog = false;
  FExam->SetRunning(false);
}

void TForm1::tbSaveUserAnswersClick() {
  if (FExam->State() != esFinished || UserNameDialog == nullptr) return;
  RetryCancelOpenTestDialog->SetMessage(SaveAnswersMessage());
  if (ShowModal(*SaveMyAnswersWarningDialog) == mrCancel) return;
  if (ShowModal(*UserNameDialog) == mrCancel) return;
  FExam->UserAnswers().SetUserName(ToCp1251(UserNameDialog->GetUserName()));
  SaveMyAnswersDialog.FileName = ChangeFileExt(OpenTestDialog.FileName, QStringLiteral(".tst-usr"));
  for (;;) {
    if (!FFileDialogs->Execute(this, SaveMyAnswersDialog)) return;
    SaveMyAnswersDialog.FileName =
        ChangeFileExt(SaveMyAnswersDialog.FileName, QStringLiteral(".tst-usr"));
    try {
      FExam->UserAnswers().SaveToFile(LocalPath(SaveMyAnswersDialog.FileName));
      return;
    } catch (...) {
      // The answers layer has removed what it wrote; the student picks another place.
    }
    if (ShowModal(*RetryCancelOpenTestDialog) == mrCancel) return;
  }
}

void TForm1::tbLoadUserAnswersClick() {
  if (FExam->State() != esFinished || LoadMyAnswersWarningDialog == nullptr) return;
  RetryCancelOpenTestDialog->SetMessage(LoadAnswersMessage());
  if (ShowModal(*LoadMyAnswersWarningDialog) == mrCancel) return;
  OpenMyAnswersDialog.FileName = ChangeFileExt(OpenTestDialog.FileName, QStringLiteral(".tst-usr"));
  for (;;) {
    if (!FFileDialogs->Execute(this, OpenMyAnswersDialog)) return;
    std::string name;
    bool adopted = false;
    try {
      auto answers = std::make_unique<TTestUserAnswers>();
      answers->LoadFromFile(LocalPath(OpenMyAnswersDialog.FileName));
      name = answers->UserName();
      FExam->LoadUserAnswers(std::move(answers));
      adopted = true;
    } catch (...) {
      // Answers of another test, or no answers at all: the student's own stay.
    }
    if (adopted) {
      UserNameDialog->SetUserName(FromCp1251(name));
      FExam->Regrade();
      ShowGrade();
      GoFirst();
      return;
    }
    if (ShowModal(*RetryCancelOpenTestDialog) == mrCancel) return;
  }
}

void TForm1::tbLoadCorrectAnswersClick() {
  if (FExam->State() != esFinished || LoadTestAnswersWarningDialog == nullptr) return;
  RetryCancelOpenTestDialog->SetMessage(LoadTestAnswersMessage());
  if (ShowModal(*LoadTestAnswersWarningDialog) == mrCancel) return;
  OpenTestAnswersDialog.FileName =
      ChangeFileExt(OpenTestDialog.FileName, QStringLiteral(".tst-ans"));
  for (;;) {
    if (!FFileDialogs->Execute(this, OpenTestAnswersDialog)) return;
    try {
      FExam->OpenTestAnswers(std::make_unique<TVFMem>(LocalPath(OpenTestAnswersDialog.FileName)));
    } catch (...) {
      FExam->OpenTestAnswers(nullptr);
    }
    if (FExam->TestAnswersMemory() != nullptr) {
      FExam->Regrade();
      ShowGrade();
      GoFirst();
      return;
    }
    if (ShowModal(*RetryCancelOpenTestDialog) == mrCancel) return;
  }
}

void TForm1::FormKeyDown(int Key, unsigned Shift) {
  if (Key == vkF4 && Shift == ssAlt) {
    close();
    return;
  }
  if (Key == vkF3) {
    tbStartExamClick();
    return;
  }
  if (Shift == ssCtrl) {
    if (FExam->State() == esFinished) {
      if (Key == vkDown) GoNextWrong();
      if (Key == vkUp) GoPriorWrong();
    }
    if (Key == vkRight) GoNextWrong();
    if (Key == vkLeft) GoPriorWrong();
  }
  if (Shift == 0) {
    switch (Key) {
      case vkDown:
        GoNextUnanswered();
        break;
      case vkUp:
        GoPriorUnanswered();
        break;
      case vkRight:
      case vkSpace:
        GoNext();
        break;
      case vkLeft:
      case vkBack:
        GoPrior();
        break;
      // Commands of the toolbars, for a student without a mouse.
      case vkPrior:
        ScrollPage(-1);
        break;
      case vkNext:
        ScrollPage(1);
        break;
      case vkF5:
        TellTime();
        break;
      case vkF6:
        if (tbZoomWidth->isEnabled()) tbZoomWidth->click();
        break;
      case vkF7:
        if (tbZoomPage->isEnabled()) tbZoomPage->click();
        break;
      case vkF8:
        if (tbSaveUserAnswers->isEnabled()) tbSaveUserAnswersClick();
        break;
      case vkF9:
        if (tbLoadUserAnswers->isEnabled()) tbLoadUserAnswersClick();
        break;
      case vkF11:
        if (tbLoadCorrectAnswers->isEnabled()) tbLoadCorrectAnswersClick();
        break;
      case vkF12:
        if (tbStopExam->isEnabled()) tbStopExamClick();
        break;
      default:
        break;
    }
  }
  if (Key == vkReturn || Key == vkTab) {
    if (Shift == 0) GoNext();
    if (Shift == ssShift) GoPrior();
  }
  if (Key == vkHome) GoFirst();
  if (Key == vkEnd) GoLast();
  if (IsAnswerKey(Key)) PresentOption(FAnswerButtons->HandleKey(static_cast<uint8_t>(Key)));
}

void TForm1::ScrollPage(int Direction) {
  QScrollBar* bar = ScrollBox1->verticalScrollBar();
  bar->setValue(bar->value() + Direction * bar->pageStep());
}

bool TForm1::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() != QEvent::KeyPress || !Watched->isWidgetType()) return false;
  return AppMessage(static_cast<QWidget*>(Watched), static_cast<QKeyEvent&>(*Event));
}

bool TForm1::AppMessage(QWidget* Target, QKeyEvent& Event) {
  // While a dialog is up, the dialog is the active window and gets its keys as usual. A key
  // that reaches a widget of this window means the platform gives this window the keyboard,
  // even in the moment after a dialog closes, before the toolkit marks the window active again.
  if (Target->window() != this || QApplication::activeModalWidget()) return false;
  const int key = VirtualKeyOf(Event);
  // Holding an answer key would mark and unmark the option many times a second.
  if (Event.isAutoRepeat() && IsAnswerKey(key)) return true;
  // Every key of the window is the window's (it previews them all and consumes them): arrows,
  // Tab, Enter and Space never move the focus or press a focused button.
  FormKeyDown(key, ShiftOf(Event.modifiers()));
  return true;
}

void TForm1::resizeEvent(QResizeEvent* Event) {
  QMainWindow::resizeEvent(Event);
  FormResize();
}

void TForm1::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  FormResize();
}
