// The painted controls as a screen reader meets them: the change events, and the whole road
// over AT-SPI. They need a listening accessibility bridge, which tests/ui/xp-atspi.sh sets up
// (Xvfb, D-Bus, the AT-SPI bus); elsewhere they are skipped.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStringList>
#include <QVBoxLayout>
#include <QWidget>
#include <vector>

#include "XPCtrls.h"
#include "XPTestSupport.h"

namespace {

// Whether a bridge listens; the one over D-Bus comes up a moment after the application.
bool BridgeListens() {
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return false;
  return WaitFor([] { return QAccessible::isActive(); }, 5000);
}

#define REQUIRE_BRIDGE()                                                           \
  do {                                                                             \
    if (!BridgeListens()) {                                                        \
      if (qEnvironmentVariableIsSet("XP_ATSPI_REQUIRED"))                          \
        FAIL() << "the accessibility bridge never became active";                  \
      GTEST_SKIP() << "no accessibility bridge: run through tests/ui/xp-atspi.sh"; \
    }                                                                              \
  } while (false)

// The accessibility events of one test, caught before they go to the bridge.
struct TCaughtEvent {
  QAccessible::Event Type;
  QObject* Object;
  bool CheckedChanged;
};
std::vector<TCaughtEvent> gCaught;

void Catch(QAccessibleEvent* Event) {
  bool checked = false;
  if (Event->type() == QAccessible::StateChanged)
    checked = static_cast<QAccessibleStateChangeEvent*>(Event)->changedStates().checked;
  gCaught.push_back({Event->type(), Event->object(), checked});
}

int Count(QObject* Object, QAccessible::Event Type, bool CheckedChanged = false) {
  int n = 0;
  for (const TCaughtEvent& e : gCaught)
    n += e.Object == Object && e.Type == Type && e.CheckedChanged == CheckedChanged;
  return n;
}

// A reader hears of every change of the state and the caption, and of nothing that is not one.
TEST(XPAtspi, ChangesAreAnnounced) {
  REQUIRE_BRIDGE();
  gCaught.clear();
  const QAccessible::UpdateHandler previous = QAccessible::installUpdateHandler(Catch);
  {
    QWidget parent;
    auto* first = new TXPRadioButton(&parent);
    auto* second = new TXPRadioButton(&parent);
    first->SetChecked(true);
    second->SetChecked(true);
    EXPECT_EQ(Count(first, QAccessible::StateChanged, true), 2);
    EXPECT_EQ(Count(second, QAccessible::StateChanged, true), 1);
    second->SetChecked(true);
    EXPECT_EQ(Count(second, QAccessible::StateChanged, true), 1);

    first->SetCaption(QStringLiteral("А) один"));
    first->SetCaption(QStringLiteral("А) один"));
    EXPECT_EQ(Count(first, QAccessible::NameChanged), 1);
  }
  QAccessible::installUpdateHandler(previous);
}

// Runs the reader script against this process while the event loop answers its questions.
QStringList AskReader(const QStringList& Arguments) {
  QProcess reader;
  reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  reader.start(QStringLiteral("/usr/bin/python3"),
               QStringList{QStringLiteral(QT_TESTCASE_SOURCEDIR "/xp-atspi-check.py"),
                           QString::number(QCoreApplication::applicationPid())} +
                   Arguments);
  if (!reader.waitForStarted(5000)) return {QStringLiteral("reader did not start")};
  WaitFor([&] { return reader.state() == QProcess::NotRunning; }, 30000);
  if (reader.state() != QProcess::NotRunning) {
    reader.kill();
    reader.waitForFinished(2000);
    return {QStringLiteral("reader timed out")};
  }
  QStringList lines = QString::fromUtf8(reader.readAllStandardOutput())
                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
    lines << QStringLiteral("reader failed with %1").arg(reader.exitCode());
  return lines;
}

TEST(XPAtspi, ScreenReaderReadsAndTogglesTheControls) {
  REQUIRE_BRIDGE();
  QWidget window;
  window.setWindowTitle(QStringLiteral("Вопрос"));
  auto* layout = new QVBoxLayout(&window);
  auto* group = new TXPGroupBox(QStringLiteral("Варианты"));
  auto* box = new TXPCheckBox;
  box->SetCaption(QStringLiteral("А) первый"));
  box->SetChecked(true);
  auto* radio = new TXPRadioButton;
  radio->SetCaption(QStringLiteral("Б) второй"));
  auto* disabled = new TXPCheckBox;
  disabled->SetCaption(QStringLiteral("В) третий"));
  disabled->setEnabled(false);
  for (QWidget* w : {static_cast<QWidget*>(group), static_cast<QWidget*>(box),
                     static_cast<QWidget*>(radio), static_cast<QWidget*>(disabled)})
    layout->addWidget(w);
  ASSERT_TRUE(ShowActive(window));
  radio->setFocus();
  ASSERT_TRUE(WaitFor([&] { return radio->hasFocus(); }));
  QSignalSpy clicked(box, &TCustomXPCheckButton::Clicked);

  const QStringList seen = AskReader({QStringLiteral("Toggle"), QStringLiteral("А) первый")});
  const QString all = seen.join(QLatin1Char('\n'));
  // role|name|states|actions as the reader gets them; the bridge shows a group as a named panel
  // and has no word for "checkable".
  const char* const expected[] = {
      "panel|Варианты|enabled|",
      "check box|А) первый|checked,focusable,enabled|Toggle,SetFocus",
      "radio button|Б) второй|focusable,focused,enabled|Toggle,Press,SetFocus",
      "check box|В) третий|focusable|",
      // The action reached the control and the reader heard the state change.
      "event|А) первый|0",
      "after|А) первый|focusable,focused,enabled",
  };
  for (const char* line : expected)
    EXPECT_TRUE(seen.contains(QString::fromUtf8(line))) << line << "\nin\n" << all.toStdString();
  // ...and it was reported like a click, so the answer panel stores it.
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(clicked.count(), 1);
}

}  // namespace
