// The main window under test: scripted file dialogs and modal dialogs, keys as the platform
// delivers them, and the window's controls read back.
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AnswerColumn.h"
#include "Cp1251.h"
#include "ExamFixtures.h"
#include "TestCheckboxes.h"
#include "TestImageBuilder.h"
#include "Unit1.h"
#include "XPCtrls.h"

namespace windowtest {

inline std::string Cp(const char* utf8) {
  return Utf8ToCp1251(utf8).Text;
}

// Answers the window's file dialogs from a queue and notes what each one proposed.
class TScriptedFiles : public TFileDialogRunner {
 public:
  std::deque<QString> Answers;  // an empty string cancels
  std::vector<QString> Titles;
  std::vector<QString> Proposed;
  bool Execute(QWidget*, TFileDialog& Dialog) override {
    Titles.push_back(Dialog.Title);
    Proposed.push_back(Dialog.FileName);
    if (Answers.empty()) return false;
    const QString answer = Answers.front();
    Answers.pop_front();
    if (answer.isEmpty()) return false;
    Dialog.FileName = answer;
    return true;
  }
};

// Answers the modal dialogs as they come up, one step per showing, and notes which came up.
class TDialogScript : public QObject {
 public:
  using TStep = std::function<void(QDialog&)>;
  std::deque<TStep> Steps;
  std::vector<std::string> Shown;

  TDialogScript() { qApp->installEventFilter(this); }
  ~TDialogScript() override { qApp->removeEventFilter(this); }
  void Then(TStep step) { Steps.push_back(std::move(step)); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (event->type() == QEvent::Show && dialog != nullptr && dialog->isModal()) {
      Shown.push_back(dialog->metaObject()->className());
      // Acted on from the dialog's own loop, as a student would.
      QPointer<QDialog> target(dialog);
      QTimer::singleShot(0, this, [this, target] {
        if (target == nullptr || !target->isVisible()) return;
        if (Steps.empty()) {
          target->reject();
          return;
        }
        TStep step = std::move(Steps.front());
        Steps.pop_front();
        step(*target);
      });
    }
    return QObject::eventFilter(watched, event);
  }
};

inline void Press(QDialog& d, const char* button) {
  auto* b = d.findChild<QPushButton*>(QLatin1String(button));
  ASSERT_NE(b, nullptr) << button;
  b->click();
}
inline TDialogScript::TStep Click(const char* button) {
  return [button](QDialog& d) { Press(d, button); };
}
inline TDialogScript::TStep Key(Qt::Key key) {
  return [key](QDialog& d) { QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, key); };
}

struct Window {
  examtest::TPrivateTempDir tmp{examtest::MemoryBackedDir()};
  TScriptedFiles files;
  TDialogScript dialogs;
  TManualTimer* clock = nullptr;
  std::unique_ptr<TForm1> form;

  QString Path(const char* name) const {
    return QString::fromStdString((tmp.Path() / name).string());
  }
  QString Write(const char* name, const TTestSource& source) {
    examtest::WriteFile(tmp.Path() / name, WriteTestImage(source));
    return Path(name);
  }
  void Start(const QStringList& arguments) {
    auto timer = std::make_unique<TManualTimer>();
    clock = timer.get();
    form = std::make_unique<TForm1>(arguments, std::move(timer), &files);
    form->CreateDialogs();
    form->resize(900, 700);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  ~Window() { form.reset(); }
  TExam& Exam() { return form->Exam(); }
  QString Clock() const { return form->findChild<QLabel*>("pnTimer")->text(); }
  QString Topic() const { return form->findChild<QLabel*>("Panel3")->text(); }
  QToolButton* Tool(const char* name) const { return form->findChild<QToolButton*>(name); }
  void Key(int key, Qt::KeyboardModifiers m = {}, const QString& text = {}) {
    // After a dialog the window is active again only once the platform says so.
    if (QApplication::activeModalWidget() == nullptr && !form->isActiveWindow()) {
      EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // As the platform delivers keys: to the focused control of the active window.
    QWidget* window =
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : form.get();
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QKeyEvent press(QEvent::KeyPress, key, m, text);
    QApplication::sendEvent(target, &press);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) clock->Fire();
  }
  std::vector<bool> Checked() {
    std::vector<bool> v;
    for (int32_t i = 0; i < form->AnswerButtons().Count(); ++i)
      v.push_back(form->AnswerButtons().ButtonChecked(i));
    return v;
  }
  std::vector<bool> Red() {
    std::vector<bool> v;
    for (int32_t i = 0; i < form->AnswerButtons().Count(); ++i)
      v.push_back(form->AnswerButtons().Button(i)->CaptionColor() == QColor(255, 0, 0));
    return v;
  }
  // The enabled controls, in the order of the window's table.
  std::string Controls() const {
    std::string s;
    s += form->AnswerButtons().Column().isEnabled() ? 'A' : '-';
    for (const char* name :
         {"tbStartExam", "tbBack", "tbFWD", "tbStopExam", "tbZoomWidth", "tbZoomPage",
          "tbSaveUserAnswers", "tbLoadUserAnswers", "tbLoadCorrectAnswers"})
      s += Tool(name)->isEnabled() ? '1' : '0';
    return s;
  }
};

}  // namespace windowtest
