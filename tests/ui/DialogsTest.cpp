// The seven modal dialogs: layout and texts, results by mouse and keys, the name check, pictures
// and what a screen reader gets.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "Cp1251Validator.h"
#include "DialogForm.h"
#include "DialogParts.h"
#include "DialogPicture.h"
#include "LoadMyAnswersWarningDialogUnit.h"
#include "LoadTestAnswersWarningDialogUnit.h"
#include "ModalResult.h"
#include "SaveMyAnswersWarningDialogUnit.h"
#include "Unit2.h"
#include "Unit3.h"
#include "UnitRetryCancelOpenTestDialog.h"
#include "UserNameDialogUnit.h"

namespace {

constexpr int kNotAnswered = -1;

// Runs Dialog.exec(); once the dialog is the active modal widget, Answer acts on it (it may leave
// it open and look at it again). A dialog still open after five seconds ends with kNotAnswered.
int ExecAnswered(QDialog& Dialog, const std::function<void(QDialog&)>& Answer) {
  bool answered = false;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (answered || QApplication::activeModalWidget() != &Dialog || !Dialog.isVisible()) return;
    answered = true;
    Answer(Dialog);
  });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] { Dialog.done(kNotAnswered); });
  poll.start();
  guard.start(5000);
  const int result = Dialog.exec();
  EXPECT_TRUE(answered) << "the dialog never became the active modal widget";
  return result;
}

template <typename T>
T* Child(const QWidget& Parent, const char* Name) {
  T* child = Parent.findChild<T*>(QString::fromLatin1(Name));
  EXPECT_NE(child, nullptr) << Name;
  return child;
}

// Types Text into Widget key by key, as a keyboard would (QTest::keyClicks knows Latin-1 only).
void Type(QWidget* Widget, const QString& Text) {
  for (qsizetype i = 0; i < Text.size(); ++i) {
    const qsizetype n = Text.at(i).isHighSurrogate() && i + 1 < Text.size() ? 2 : 1;
    QTest::sendKeyEvent(QTest::Click, Widget, Qt::Key_unknown, Text.mid(i, n), Qt::NoModifier);
    i += n - 1;
  }
}

void Key(QDialog& Dialog, Qt::Key Key) {
  QWidget* target = Dialog.focusWidget() != nullptr ? Dialog.focusWidget() : &Dialog;
  QTest::keyClick(target, Key);
}

struct TTextCase {
  const char* Name;  // a QLabel or a QPlainTextEdit
  QStringList Lines;
  QRect Rect;  // in the parent; an empty size checks the position only
};

struct TButtonCase {
  const char* Name;
  QString Caption;
  QRect Rect;
  bool Default;
};

struct TDialogCase {
  const char* Id;
  std::function<std::unique_ptr<TDialogForm>()> Make;
  QString Caption;
  QSize Size;
  std::vector<TTextCase> Texts;
  std::vector<const char*> HiddenMemos;  // each holds the text of the label of the same number
  std::vector<TButtonCase> Buttons;
  const char* FirstFocus;
  const char* OkButton;  // nullptr: the dialog has none
  const char* CancelButton;
  int EnterResult;  // Enter right after the dialog opens
};

const QStringList kOpenTestMessage = {
    "Во время загрузки теста произошла ошибка.",
    "Файл либо поврежден, либо не является файлом",
    "теста. Вы можете либо повторить попытку, либо",
    "обратиться к преподавателю за новым заданием.",
};

const QStringList kStopLines = {
    "После  окончания  тестирования  дальнейший",
    "ответ    на     вопросы     станет    невозможен.",
    "Если  Вы  хотите   продолжить   тестирование,",
    "нажмите кнопку \"Отмена\".",
    "",
    "После  окончания  тестирования, Вы сможете",
    "сохнанить   свои  ответы  в  файл  и  сдать  их ",
    "преподавателю.  Преподаватель  выдаст  вам",
    "файл  с  ответами  к  тесту, загрузив который,",
    "Вы  сможете  узнать  свою  оценку и сравнить",
    "свои ответы с правильными. Для выполнения",
    "этих действий нажмте кнопку \"ОК\".",
};

const QStringList kSaveLines = {
    "После сохранения, файл с вашими ответами ",
    "следует  передать  преподавателю,  который ",
    "выдаст вам файл с ответами к тесту.",
    "",
    "Открыв файл с ответами к тесту Вы сможете ",
    "узнать свою оценку за тест, и  сравнить свои",
    "ответы с правильными.",
};

const QStringList kLoadMyLines1 = {
    "Вы    можете   открыть  файл  со  своими ",
    "ответами, чтобы просмотреть и сравнить ",
    "их с правильными.",
};
const QStringList kLoadMyLines2 = {
    "ПРЕДУПРЕЖДЕНИЕ:ПРОДОЛЖЕНИЕ ",
    "ПРИВЕДЕТ К ЗАМЕНЕ ТЕКУЩИХ ",
    "ОТВЕТОВ ОТВЕТАМИ ИЗ ФАЙЛА!",
};

const QStringList kLoadTestLines = {
    "Вы     можете     загрузить     выданный ",
    "Вам преподавателем файл с ответами ",
    "к тесту, чтобы  узнать  свою  оценку  и",
    "сравнить свои ответы с правильными.",
    "",
};

const QStringList kTestOverLines = {
    "Тестирование было закончено автоматически",
    "вследствии истечения отведенного на него времени",
    "",
    "Теперь вам следует сохранить ваши ответы в",
    "файл и сдать их. Получите взамен фалй с ",
    "ответами, загрузив который вы сможете",
    "узнать свою оценку и сравнить свои ответы",
    "с правильными.",
    "",
};

template <typename T>
std::function<std::unique_ptr<TDialogForm>()> Maker() {
  return [] { return std::make_unique<T>(); };
}

std::unique_ptr<TDialogForm> NamedUserDialog() {
  auto dialog = std::make_unique<TUserNameDialog>();
  dialog->SetUserName("Иванов Иван Иванович");
  return dialog;
}

const std::vector<TDialogCase>& Cases() {
  static const std::vector<TDialogCase> cases = {
      {"RetryCancel",
       Maker<TRetryCancelOpenTestDialog>(),
       "Ошибка",
       {393, 175},
       {{"Label1", {"Ошибка"}, {82, 24, 199, 20}}, {"Memo1", kOpenTestMessage, {8, 88, 273, 73}}},
       {},
       {{"OKBtn", "Повторить", {308, 8, 75, 25}, true},
        {"CancelBtn", "Отмена", {308, 38, 75, 25}, false}},
       "OKBtn",
       "OKBtn",
       "CancelBtn",
       mrOk},
      {"StopTest",
       Maker<TStopTestDialog>(),
       "Окончание тестирования",
       {381, 194},
       {{"Label1", kStopLines, {16, 16, 241, 161}}},
       {"Memo1"},
       {{"Button1", "OK", {288, 16, 75, 25}, false},
        {"Button2", "Cancel", {288, 48, 75, 25}, false}},
       "Button2",
       "Button1",
       "Button2",
       mrCancel},
      {"SaveMyAnswers",
       Maker<TSaveMyAnswersWarningDialog>(),
       "Сохранить мои ответы",
       {363, 127},
       {{"Label1", kSaveLines, {16, 16, 241, 97}}},
       {"Memo1"},
       {{"OKBtn", "OK", {276, 8, 75, 25}, true}, {"CancelBtn", "Cancel", {276, 38, 75, 25}, false}},
       "OKBtn",
       "OKBtn",
       "CancelBtn",
       mrOk},
      {"LoadMyAnswers",
       Maker<TLoadMyAnswersWarningDialog>(),
       "Загрузить мои ответы",
       {357, 146},
       {{"Label1", kLoadMyLines1, {16, 16, 233, 57}}, {"Label2", kLoadMyLines2, {16, 80, 233, 49}}},
       {"Memo1", "Memo2"},
       {{"OKBtn", "OK", {268, 8, 75, 25}, true}, {"CancelBtn", "Cancel", {268, 38, 75, 25}, false}},
       "OKBtn",
       "OKBtn",
       "CancelBtn",
       mrOk},
      {"LoadTestAnswers",
       Maker<TLoadTestAnswersWarningDialog>(),
       "Загрузка ответов к тесту",
       {330, 89},
       {{"Label1", kLoadTestLines, {16, 16, 209, 57}}},
       {"Memo1"},
       {{"OKBtn", "OK", {244, 8, 75, 25}, true}, {"CancelBtn", "Cancel", {244, 38, 75, 25}, false}},
       "OKBtn",
       "OKBtn",
       "CancelBtn",
       mrOk},
      {"TestOver",
       Maker<TTestOverDialog>(),
       "Тестирование завершено",
       {420, 143},
       {{"Memo1", kTestOverLines, {16, 16, 289, 113}}},
       {},
       {{"CancelBtn", "Зарыть", {332, 14, 75, 25}, false}},
       "CancelBtn",
       nullptr,
       "CancelBtn",
       mrCancel},
      {"UserName",
       NamedUserDialog,
       "Идентификация пользователя",
       {313, 160},
       {{"Label1", {"Идентификация"}, {64, 3, 0, 0}},
        {"Label2", {"пользователя"}, {144, 19, 0, 0}},
        {"Label3", {"Укажите свои фамилию, имя и очество"}, {8, 64, 0, 0}}},
       {},
       {{"OKBtn", "OK", {151, 128, 75, 25}, true},
        {"CancelBtn", "Отмена", {231, 128, 75, 25}, false}},
       "edUserName",
       "OKBtn",
       "CancelBtn",
       mrOk},
  };
  return cases;
}

// The text a label or a memo shows, and the room it has for it.
struct TTextView {
  QString Text;
  QFont Font;
  QRect Room;
};

TTextView ViewOf(const QWidget& Widget) {
  if (const auto* label = qobject_cast<const QLabel*>(&Widget))
    return {label->text(), label->font(), label->contentsRect()};
  const auto* memo = qobject_cast<const QPlainTextEdit*>(&Widget);
  if (memo == nullptr) return {};
  const int margin = static_cast<int>(memo->document()->documentMargin());
  return {memo->toPlainText(), memo->font(),
          memo->viewport()->rect().adjusted(margin, margin, -margin, -margin)};
}

void PrintTo(const TDialogCase& Case, std::ostream* Out) {
  *Out << Case.Id;
}

class DialogTable : public testing::TestWithParam<TDialogCase> {};

TEST_P(DialogTable, FrameCaptionAndFont) {
  const TDialogCase& c = GetParam();
  const auto dialog = c.Make();
  EXPECT_EQ(dialog->windowTitle(), c.Caption);
  EXPECT_EQ(dialog->size(), c.Size);
  EXPECT_EQ(dialog->minimumSize(), c.Size);
  EXPECT_EQ(dialog->maximumSize(), c.Size);
  EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(dialog->palette().color(QPalette::Window),
            QColor(13690861 & 0xFF, 13690861 >> 8 & 0xFF, 13690861 >> 16 & 0xFF));
  // The colour is really painted: a spot near the bottom left corner, clear in every dialog.
  const QImage shot = dialog->grab().toImage();
  EXPECT_EQ(shot.pixelColor(2, shot.height() - 3), QColor(237, 231, 208));
  EXPECT_EQ(dialog->font().family(), "MS Sans Serif");
  EXPECT_EQ(dialog->font().pixelSize(), 11);
  // The face that renders has Cyrillic letters: without them every text is a row of boxes.
  EXPECT_TRUE(QFontMetrics(dialog->font()).inFont(QChar(0x0416)))
      << QFontInfo(dialog->font()).family().toStdString();
}

TEST_P(DialogTable, TextsExactlyAndInsideTheirBoxes) {
  const TDialogCase& c = GetParam();
  const auto dialog = c.Make();
  dialog->show();
  for (const TTextCase& t : c.Texts) {
    SCOPED_TRACE(t.Name);
    auto* widget = Child<QWidget>(*dialog, t.Name);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->isVisible());
    const TTextView view = ViewOf(*widget);
    EXPECT_EQ(view.Text, t.Lines.join('\n'));
    EXPECT_EQ(widget->pos(), t.Rect.topLeft());
    if (!t.Rect.size().isEmpty()) {
      EXPECT_EQ(widget->size(), t.Rect.size());
    }
    // Nothing is cut off: every line fits the width, all lines fit the height, and the box
    // itself lies inside its parent.
    const QFontMetrics metrics(view.Font);
    for (const QString& line : t.Lines)
      EXPECT_LE(metrics.horizontalAdvance(line), view.Room.width()) << line.toStdString();
    qsizetype shown = t.Lines.size();
    while (shown > 0 && t.Lines.at(shown - 1).isEmpty()) --shown;
    EXPECT_LE(metrics.lineSpacing() * shown, view.Room.height() + metrics.leading());
    EXPECT_TRUE(widget->parentWidget()->rect().contains(widget->geometry()));
  }
  for (std::size_t i = 0; i < c.HiddenMemos.size(); ++i) {
    SCOPED_TRACE(c.HiddenMemos[i]);
    auto* memo = Child<QPlainTextEdit>(*dialog, c.HiddenMemos[i]);
    ASSERT_NE(memo, nullptr);
    EXPECT_FALSE(memo->isVisible());
    EXPECT_EQ(memo->toPlainText(), c.Texts[i].Lines.join('\n'));
    EXPECT_EQ(memo->geometry(), c.Texts[i].Rect);
  }
}

TEST_P(DialogTable, ButtonsCaptionsPlacesAndDefault) {
  const TDialogCase& c = GetParam();
  const auto dialog = c.Make();
  const auto buttons = dialog->findChildren<QPushButton*>();
  EXPECT_EQ(buttons.size(), static_cast<qsizetype>(c.Buttons.size()));
  // After a showing too: Qt may promote a button to default when a dialog opens without one.
  ASSERT_EQ(ExecAnswered(*dialog, [](QDialog& d) { d.done(mrCancel); }), mrCancel);
  for (const TButtonCase& b : c.Buttons) {
    SCOPED_TRACE(b.Name);
    auto* button = Child<QPushButton>(*dialog, b.Name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), b.Caption);
    EXPECT_EQ(button->geometry(), b.Rect);
    EXPECT_EQ(button->isDefault(), b.Default);
  }
}

TEST_P(DialogTable, ResultsOfButtonsKeysAndClosing) {
  const TDialogCase& c = GetParam();
  // One dialog for all the answers: it is reused as the program reuses it.
  const auto dialog = c.Make();
  struct TAnswer {
    const char* What;
    std::function<void(QDialog&)> Do;
    int Result;
  };
  std::vector<TAnswer> answers = {
      {"Cancel button",
       [&](QDialog& d) {
         QTest::mouseClick(Child<QPushButton>(d, c.CancelButton), Qt::LeftButton);
       },
       mrCancel},
      {"Escape", [](QDialog& d) { Key(d, Qt::Key_Escape); }, mrCancel},
      {"title bar close", [](QDialog& d) { d.close(); }, mrCancel},
      {"Enter", [](QDialog& d) { Key(d, Qt::Key_Return); }, c.EnterResult},
      {"keypad Enter", [](QDialog& d) { Key(d, Qt::Key_Enter); }, c.EnterResult},
  };
  if (c.OkButton != nullptr) {
    answers.push_back(
        {"OK button",
         [&](QDialog& d) { QTest::mouseClick(Child<QPushButton>(d, c.OkButton), Qt::LeftButton); },
         mrOk});
  }
  for (const TAnswer& a : answers) {
    SCOPED_TRACE(a.What);
    QString focus;
    const int result = ExecAnswered(*dialog, [&](QDialog& d) {
      if (d.focusWidget() != nullptr) focus = d.focusWidget()->objectName();
      a.Do(d);
    });
    EXPECT_EQ(result, a.Result);
    EXPECT_EQ(focus, c.FirstFocus);
    EXPECT_FALSE(dialog->isVisible());
  }
}

// Collects the objects of the accessible tree under Root.
void CollectAccessible(QAccessibleInterface* Root, QSet<QObject*>& Objects) {
  if (Root == nullptr) return;
  Objects.insert(Root->object());
  for (int i = 0; i < Root->childCount(); ++i) CollectAccessible(Root->child(i), Objects);
}

TEST_P(DialogTable, ScreenReaderNamesAndRoles) {
  const TDialogCase& c = GetParam();
  const auto dialog = c.Make();
  dialog->show();
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(dialog.get());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->role(), QAccessible::Dialog);
  EXPECT_EQ(window->text(QAccessible::Name), c.Caption);
  QSet<QObject*> tree;
  CollectAccessible(window, tree);

  for (const TButtonCase& b : c.Buttons) {
    SCOPED_TRACE(b.Name);
    auto* button = Child<QPushButton>(*dialog, b.Name);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::PushButton);
    EXPECT_EQ(iface->text(QAccessible::Name), b.Caption);
    EXPECT_TRUE(tree.contains(button));
  }
  for (const TTextCase& t : c.Texts) {
    SCOPED_TRACE(t.Name);
    auto* widget = Child<QWidget>(*dialog, t.Name);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(iface, nullptr);
    EXPECT_TRUE(tree.contains(widget));
    if (qobject_cast<QLabel*>(widget) != nullptr) {
      EXPECT_EQ(iface->role(), QAccessible::StaticText);
      EXPECT_EQ(iface->text(QAccessible::Name), t.Lines.join('\n'));
    } else {
      ASSERT_NE(iface->textInterface(), nullptr);
      const auto* text = iface->textInterface();
      EXPECT_EQ(text->text(0, text->characterCount()), t.Lines.join('\n'));
    }
  }
  // The stores behind the labels are not met at all.
  for (const char* name : c.HiddenMemos)
    EXPECT_FALSE(tree.contains(Child<QWidget>(*dialog, name))) << name;
}

INSTANTIATE_TEST_SUITE_P(Dialog, DialogTable, testing::ValuesIn(Cases()),
                         [](const auto& Info) { return std::string(Info.param.Id); });

// The lowered frames and lines: where they are, and that a screen reader takes a line for a
// separator and a box for a filler rather than for a window frame.
TEST(DialogBevels, PlacesAndAccessibleRoles) {
  struct TCase {
    std::function<std::unique_ptr<TDialogForm>()> Make;
    const char* Name;
    QRect Rect;
    QAccessible::Role Role;
  };
  const TCase cases[] = {
      {Maker<TStopTestDialog>(), "Bevel1", {8, 8, 257, 177}, QAccessible::Client},
      {Maker<TSaveMyAnswersWarningDialog>(), "Bevel1", {8, 8, 257, 113}, QAccessible::Client},
      {Maker<TLoadMyAnswersWarningDialog>(), "Bevel1", {8, 8, 249, 129}, QAccessible::Client},
      {Maker<TLoadTestAnswersWarningDialog>(), "Bevel1", {8, 8, 225, 73}, QAccessible::Client},
      {Maker<TTestOverDialog>(), "Bevel1", {8, 8, 305, 129}, QAccessible::Client},
      {Maker<TUserNameDialog>(), "Bevel1", {0, 49, 313, 2}, QAccessible::Separator},
      {Maker<TUserNameDialog>(), "Bevel2", {0, 114, 313, 2}, QAccessible::Separator},
  };
  for (const TCase& c : cases) {
    const auto dialog = c.Make();
    SCOPED_TRACE(dialog->windowTitle().toStdString() + " " + c.Name);
    auto* bevel = Child<TBevel>(*dialog, c.Name);
    ASSERT_NE(bevel, nullptr);
    EXPECT_EQ(bevel->geometry(), c.Rect);
    EXPECT_EQ(bevel->frameShadow(), QFrame::Sunken);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(bevel);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), c.Role);
  }
}

TEST(DialogStopTest, OpensOnCancelEachTimeAndEnterPressesTheFocusedButton) {
  TStopTestDialog dialog;
  // Left with the mouse on "OK", so that "OK" holds the focus when the dialog closes.
  EXPECT_EQ(ExecAnswered(dialog,
                         [](QDialog& d) {
                           auto* ok = Child<QPushButton>(d, "Button1");
                           ok->setFocus();
                           QTest::mouseClick(ok, Qt::LeftButton);
                         }),
            mrOk);
  EXPECT_EQ(ExecAnswered(dialog,
                         [](QDialog& d) {
                           EXPECT_EQ(d.focusWidget(), Child<QWidget>(d, "Button2"));
                           Key(d, Qt::Key_Return);
                         }),
            mrCancel);
  // Tab leads from "Cancel" to "OK", and Enter then answers OK.
  EXPECT_EQ(ExecAnswered(dialog,
                         [](QDialog& d) {
                           Key(d, Qt::Key_Tab);
                           EXPECT_EQ(d.focusWidget(), Child<QWidget>(d, "Button1"));
                           Key(d, Qt::Key_Return);
                         }),
            mrOk);
  // Neither button ever became the default, whatever had the focus.
  EXPECT_FALSE(Child<QPushButton>(dialog, "Button1")->isDefault());
  EXPECT_FALSE(Child<QPushButton>(dialog, "Button2")->isDefault());
}

TEST(DialogWarnings, TheSecondLabelOfTheLoadNoteIsRed) {
  TLoadMyAnswersWarningDialog dialog;
  EXPECT_EQ(Child<QLabel>(dialog, "Label2")->palette().color(QPalette::WindowText),
            QColor(255, 0, 0));
  EXPECT_EQ(Child<QLabel>(dialog, "Label1")->palette().color(QPalette::WindowText),
            QColor(Qt::black));
}

TEST(DialogTestOver, TextIsShownDisabledAndCentred) {
  TTestOverDialog dialog;
  dialog.show();
  auto* memo = Child<QPlainTextEdit>(dialog, "Memo1");
  EXPECT_TRUE(memo->isVisible());
  EXPECT_FALSE(memo->isEnabled());
  EXPECT_EQ(memo->document()->defaultTextOption().alignment(), Qt::AlignHCenter);
  EXPECT_EQ(memo->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(memo->palette().color(QPalette::Disabled, QPalette::Base), QColor(237, 231, 208));
}

QStringList MemoLines(const TRetryCancelOpenTestDialog& Dialog) {
  return Child<QPlainTextEdit>(Dialog, "Memo1")->toPlainText().split('\n');
}

TEST(DialogRetryCancel, MessageLinesAndTheFrame) {
  TRetryCancelOpenTestDialog dialog;
  EXPECT_EQ(dialog.Message(), kOpenTestMessage.join('\n'));
  auto* memo = Child<QPlainTextEdit>(dialog, "Memo1");
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->document()->defaultTextOption().alignment(), Qt::AlignHCenter);
  EXPECT_EQ(memo->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(memo->palette().color(QPalette::Base), QColor(237, 231, 208));
  EXPECT_EQ(memo->parentWidget()->objectName(), "XPGroupBox1");
  EXPECT_EQ(memo->parentWidget()->geometry(), QRect(8, 0, 289, 169));
  auto* heading = Child<QLabel>(dialog, "Label1");
  EXPECT_TRUE(heading->font().bold());
  EXPECT_EQ(heading->font().pixelSize(), 16);
  EXPECT_EQ(heading->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

  struct TCase {
    const char* Name;
    QString Text;
    QStringList Lines;
  };
  const TCase cases[] = {
      {"CR LF", "one\r\ntwo\r\nthree", {"one", "two", "three"}},
      {"LF", "one\ntwo", {"one", "two"}},
      {"lone CR", "one\rtwo", {"one", "two"}},
      {"blank line and trailing blank", "one \r\n\r\ntwo", {"one ", "", "two"}},
      {"one line", "Ошибка чтения", {"Ошибка чтения"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    dialog.SetMessage(c.Text);
    EXPECT_EQ(MemoLines(dialog), c.Lines);
    EXPECT_EQ(dialog.Message(), c.Lines.join('\n'));
  }
}

// The four messages of the file workflows fit the box without a line wrapping.
TEST(DialogRetryCancel, EveryWorkflowMessageFits) {
  const QString messages[] = {
      "Во время загрузки теста произошла ошибка.\r\nФайл либо поврежден, либо не является "
      "файлом\r\nтеста. Вы можете либо повторить попытку, либо\r\nобратиться к преподавателю за "
      "новым заданием.",
      "Во время сохранения ваших ответов произошла\r\nошибка. Носитель либо поврежден, либо у "
      "вас\r\nнет прав записи на него. Вы можете\r\nповторить попытку в другое место.",
      "Во время загрузки ваших ответов произошла\r\nошибка. Файл либо поврежден, либо не "
      "является\r\nфайлом ваших ответов этому тесту. Вы можете либо\r\nповторить попытку, либо "
      "выйти из программы.",
      "Во время загрузки ответов к тесту произошла\r\nошибка. Файл либо поврежден, либо не "
      "является\r\nфайлом ответов этому тесту. Вы можете либо\r\nповторить попытку, либо "
      "повторно обратиться к \r\nпреподавателю за ответами.",
  };
  TRetryCancelOpenTestDialog dialog;
  dialog.show();
  auto* memo = Child<QPlainTextEdit>(dialog, "Memo1");
  for (const QString& message : messages) {
    dialog.SetMessage(message);
    const int lines = static_cast<int>(message.count("\r\n")) + 1;
    EXPECT_EQ(memo->document()->blockCount(), lines);
    // A wrapped line would add a visual line to the layout of its block.
    EXPECT_EQ(memo->document()->lineCount(), lines) << message.toStdString();
    const TTextView view = ViewOf(*memo);
    EXPECT_LE(QFontMetrics(view.Font).lineSpacing() * lines, view.Room.height());
  }
}

TEST(DialogRetryCancel, KeepsTheLastMessageAcrossShowings) {
  TRetryCancelOpenTestDialog dialog;
  dialog.SetMessage("first\r\nmessage");
  EXPECT_EQ(ExecAnswered(dialog, [](QDialog& d) { Key(d, Qt::Key_Escape); }), mrCancel);
  EXPECT_EQ(ExecAnswered(dialog,
                         [](QDialog& d) {
                           EXPECT_EQ(Child<QPlainTextEdit>(d, "Memo1")->toPlainText(),
                                     "first\nmessage");
                           Key(d, Qt::Key_Return);
                         }),
            mrOk);
}

// The accessible press of a button is what a screen reader's "activate" does.
TEST(DialogAccessiblePress, PressOnOkClosesWithOk) {
  TRetryCancelOpenTestDialog retry;
  TUserNameDialog name;
  name.SetUserName("Петров");
  for (QDialog* dialog : {static_cast<QDialog*>(&retry), static_cast<QDialog*>(&name)}) {
    SCOPED_TRACE(dialog->windowTitle().toStdString());
    EXPECT_EQ(
        ExecAnswered(*dialog,
                     [](QDialog& d) {
                       QAccessibleInterface* ok =
                           QAccessible::queryAccessibleInterface(Child<QPushButton>(d, "OKBtn"));
                       ASSERT_NE(ok, nullptr);
                       ASSERT_NE(ok->actionInterface(), nullptr);
                       EXPECT_TRUE(ok->actionInterface()->actionNames().contains(
                           QAccessibleActionInterface::pressAction()));
                       ok->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                     }),
        mrOk);
  }
}

TEST(DialogUserName, FieldPlaceAndItsAccessibleName) {
  TUserNameDialog dialog;
  auto* edit = Child<QLineEdit>(dialog, "edUserName");
  EXPECT_EQ(edit->geometry(), QRect(8, 80, 297, 21));
  EXPECT_TRUE(edit->text().isEmpty());
  EXPECT_EQ(Child<QLabel>(dialog, "Label3")->buddy(), edit);
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(edit);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::EditableText);
  EXPECT_EQ(iface->text(QAccessible::Name), "Укажите свои фамилию, имя и очество");
  EXPECT_EQ(Child<QWidget>(dialog, "Panel1")->geometry(), QRect(0, 0, 313, 49));
  EXPECT_EQ(Child<QWidget>(dialog, "Panel1")->palette().color(QPalette::Window), QColor(Qt::white));
  for (const char* name : {"Label1", "Label2"}) {
    auto* label = Child<QLabel>(dialog, name);
    EXPECT_TRUE(label->font().bold()) << name;
    EXPECT_EQ(label->font().pixelSize(), 19) << name;
    EXPECT_FALSE(label->autoFillBackground()) << name;
  }
}

TEST(DialogUserName, GetUserNameTrimsCodesUpTo32AtTheEndsOnly) {
  TUserNameDialog dialog;
  struct TCase {
    QString Field;
    QString Name;
  };
  const TCase cases[] = {
      {"", ""},
      {"   ", ""},
      {QString::fromUtf16(u"\t\x01\x1f \x0d"), ""},
      {"  Иванов  Иван  ", "Иванов  Иван"},
      {QString::fromUtf16(u"\x02Сидоров\t"), "Сидоров"},
      {QString::fromUtf16(u"А\tБ"), QString::fromUtf16(u"А\tБ")},
      // U+00A0 (no-break space) is above 32: it is part of the name.
      {QString::fromUtf16(u"\u00a0Ли\u00a0"), QString::fromUtf16(u"\u00a0Ли\u00a0")},
      {"!", "!"},
  };
  for (const TCase& c : cases) {
    dialog.SetUserName(c.Field);
    EXPECT_EQ(Child<QLineEdit>(dialog, "edUserName")->text(), c.Field);
    EXPECT_EQ(dialog.GetUserName(), c.Name) << c.Field.toStdString();
  }
}

// OK by the mouse and Enter in the field run the same check; Cancel, Escape and closing do not.
TEST(DialogUserName, NameCheck) {
  enum TWay { wOkClick, wEnterInField, wCancelClick, wEscape, wClose };
  struct TCase {
    const char* Name;
    QString Field;
    TWay Way;
    bool StaysOpen;  // then the test closes it with Escape
    int Result;
  };
  const QString controls = QString::fromUtf16(u"\x01\t\x1f");
  const TCase cases[] = {
      {"OK, empty", "", wOkClick, true, mrCancel},
      {"OK, blanks", "    ", wOkClick, true, mrCancel},
      {"OK, control characters", controls, wOkClick, true, mrCancel},
      {"Enter, blanks", "  ", wEnterInField, true, mrCancel},
      {"Enter, control characters", controls, wEnterInField, true, mrCancel},
      {"OK, a name", " Иванов Иван ", wOkClick, false, mrOk},
      {"Enter, a name", "Петров", wEnterInField, false, mrOk},
      {"Cancel, empty", "", wCancelClick, false, mrCancel},
      {"Cancel, a name", "Иванов", wCancelClick, false, mrCancel},
      {"Escape, empty", "", wEscape, false, mrCancel},
      {"Escape, a name", "Иванов", wEscape, false, mrCancel},
      {"close, empty", " ", wClose, false, mrCancel},
      {"close, a name", "Иванов", wClose, false, mrCancel},
  };
  TUserNameDialog dialog;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    dialog.SetUserName(c.Field);
    const int result = ExecAnswered(dialog, [&](QDialog& d) {
      auto* edit = Child<QLineEdit>(d, "edUserName");
      EXPECT_EQ(d.focusWidget(), edit);
      switch (c.Way) {
        case wOkClick: {
          // The click takes the focus to the button; a refused name takes it back.
          auto* ok = Child<QPushButton>(d, "OKBtn");
          ok->setFocus();
          QTest::mouseClick(ok, Qt::LeftButton);
          break;
        }
        case wEnterInField:
          QTest::keyClick(edit, Qt::Key_Return);
          break;
        case wCancelClick:
          QTest::mouseClick(Child<QPushButton>(d, "CancelBtn"), Qt::LeftButton);
          break;
        case wEscape:
          QTest::keyClick(edit, Qt::Key_Escape);
          break;
        case wClose:
          d.close();
          break;
      }
      EXPECT_EQ(d.isVisible(), c.StaysOpen);
      if (c.StaysOpen) {
        EXPECT_EQ(d.focusWidget(), edit);
        EXPECT_EQ(edit->text(), c.Field);
        d.close();
      }
    });
    EXPECT_EQ(result, c.Result);
  }
}

TEST(DialogUserName, KeepsTheLastNameAndTypingReplacesIt) {
  TUserNameDialog dialog;
  EXPECT_EQ(ExecAnswered(dialog,
                         [](QDialog& d) {
                           Type(Child<QLineEdit>(d, "edUserName"), "  Иванов  Иван ");
                           Key(d, Qt::Key_Return);
                         }),
            mrOk);
  EXPECT_EQ(dialog.GetUserName(), "Иванов  Иван");
  // The next showing offers the last name, selected, so typing replaces it.
  EXPECT_EQ(ExecAnswered(dialog,
                         [](QDialog& d) {
                           auto* edit = Child<QLineEdit>(d, "edUserName");
                           EXPECT_EQ(edit->text(), "  Иванов  Иван ");
                           EXPECT_EQ(d.focusWidget(), edit);
                           Type(edit, "Сидорова");
                           Key(d, Qt::Key_Escape);
                         }),
            mrCancel);
  EXPECT_EQ(dialog.GetUserName(), "Сидорова");
  dialog.SetUserName("Петров П. П.");
  EXPECT_EQ(ExecAnswered(dialog,
                         [](QDialog& d) {
                           EXPECT_EQ(Child<QLineEdit>(d, "edUserName")->text(), "Петров П. П.");
                           d.close();
                         }),
            mrCancel);
}

TEST(DialogUserName, FieldTakesOnlyWhatCp1251Holds) {
  struct TCase {
    const char* Name;
    QString Text;
    bool Accepted;
  };
  const TCase cases[] = {
      {"Cyrillic with Ё, ё, Ў, Ґ", "Ёжиков ёлкин Ўш Ґ", true},
      {"Latin and digits", "Smith John 2", true},
      {"euro sign (0x88)", "€", true},
      {"no-break space, dashes, quotes", QString::fromUtf16(u"\u00a0\u2013\u2014\u00ab\u00bb"),
       true},
      {"numero sign", "№", true},
      {"Polish a with ogonek", "ą", false},
      {"Latin e acute", "é", false},
      {"Greek", "Ω", false},
      {"emoji (a surrogate pair)", QString::fromUtf16(u"\U0001F600"), false},
      {"a lone surrogate", QString(QChar(0xD800)), false},
      {"the unassigned byte's stand-in", QString(QChar(0xFFFD)), false},
  };
  TCp1251Validator validator;
  TUserNameDialog dialog;
  auto* edit = Child<QLineEdit>(dialog, "edUserName");
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QString text = "Иванов " + c.Text;
    int pos = 0;
    EXPECT_EQ(validator.validate(text, pos),
              c.Accepted ? QValidator::Acceptable : QValidator::Invalid);
    // In the field: typing (or pasting) the text leaves it whole or not at all.
    edit->setText("Иванов ");
    edit->end(false);
    edit->insert(c.Text);
    EXPECT_EQ(edit->text(), c.Accepted ? "Иванов " + c.Text : "Иванов ");
  }
  edit->clear();
  Type(edit, QString::fromUtf16(u"Aąб€\U0001F600b"));
  EXPECT_EQ(edit->text(), "Aб€b");
}

TEST(DialogPictures, BothSizesAreCompiledIn) {
  struct TCase {
    const char* File;
    QSize Size;
    bool Transparent;
  };
  const TCase cases[] = {
      {":/dialogs/StopSign.png", {64, 64}, true},
      {":/dialogs/UserName.jpg", {44, 49}, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    TDialogPicture picture(nullptr, "Image1", QRect(QPoint(0, 0), c.Size), c.File);
    const QImage normal = picture.PictureFor(1.0).toImage();
    const QImage twice = picture.PictureFor(2.0).toImage();
    EXPECT_EQ(normal.size(), c.Size);
    EXPECT_EQ(twice.size(), c.Size * 2);
    EXPECT_EQ(picture.PictureFor(1.5).size(), c.Size * 2);
    EXPECT_EQ(normal.hasAlphaChannel(), c.Transparent);
    if (c.Transparent) {
      // Outside the octagon the dialog shows through; inside, the sign is solid.
      EXPECT_EQ(normal.pixelColor(0, 0).alpha(), 0);
      EXPECT_EQ(twice.pixelColor(0, 0).alpha(), 0);
      EXPECT_EQ(normal.pixelColor(32, 45).alpha(), 255);
    }
  }
  TRetryCancelOpenTestDialog retry;
  TUserNameDialog name;
  EXPECT_EQ(Child<QWidget>(retry, "Image1")->geometry(), QRect(8, 16, 64, 64));
  EXPECT_EQ(Child<QWidget>(name, "Image1")->geometry(), QRect(0, 0, 44, 49));
  EXPECT_EQ(Child<QWidget>(name, "Image1")->parentWidget()->objectName(), "Panel1");
}

TEST(DialogPictures, AMissingFileShowsNothing) {
  TDialogPicture picture(nullptr, "Image1", QRect(0, 0, 10, 10), ":/dialogs/none.png");
  EXPECT_TRUE(picture.PictureFor(1.0).isNull());
  EXPECT_TRUE(picture.PictureFor(2.0).isNull());
}

TEST(DialogFont, CyrillicIsAvailable) {
  EXPECT_TRUE(QFontDatabase::writingSystems().contains(QFontDatabase::Cyrillic));
  const QFont font = DialogFont();
  EXPECT_EQ(font.pixelSize(), 11);
  const QFont bold = DialogFont(19, true);
  EXPECT_TRUE(bold.bold());
  EXPECT_EQ(bold.pixelSize(), 19);
  // The face that is really used, whatever stands in for the family, has Cyrillic.
  const QString face = QFontInfo(font).family();
  EXPECT_TRUE(QFontDatabase::writingSystems(face).contains(QFontDatabase::Cyrillic))
      << face.toStdString();
}

}  // namespace
