// The painted check box and radio button: input, state, sibling exclusion, tab stops, sizing.
#include "XPCtrls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <memory>

#include "XPTestSupport.h"

namespace {

// A radio button of the family that is not the class sibling exclusion looks for.
class TOtherRadio : public TCustomXPRadioButton {
 public:
  using TCustomXPRadioButton::TCustomXPRadioButton;
};

// A radio button derived from the one exclusion looks for: it is cleared like its base.
class TDerivedRadio : public TXPRadioButton {
 public:
  using TXPRadioButton::TXPRadioButton;
};

void SendMouse(QWidget& Widget, QEvent::Type Type, QPoint At,
               Qt::MouseButton Button = Qt::LeftButton) {
  const Qt::MouseButtons held = Type == QEvent::MouseButtonRelease ? Qt::NoButton : Button;
  QMouseEvent event(Type, QPointF(At), QPointF(Widget.mapToGlobal(At)), Button, held,
                    Qt::NoModifier);
  QApplication::sendEvent(&Widget, &event);
}

bool TabStop(const QWidget& Widget) {
  return (Widget.focusPolicy() & Qt::TabFocus) != 0;
}

TEST(XPCheckButton, StartsWithTheBaseControlsLook) {
  TXPCheckBox box;
  EXPECT_EQ(box.size(), QSize(97, 17));
  EXPECT_EQ(box.Color(), box.palette().color(QPalette::Button));
  EXPECT_EQ(box.CaptionColor(), QColor(Qt::black));
  EXPECT_EQ(box.focusPolicy(), Qt::StrongFocus);
  EXPECT_TRUE(box.testAttribute(Qt::WA_OpaquePaintEvent));
  EXPECT_FALSE(box.Checked());
  EXPECT_FALSE(box.Hot());
}

// The state changes on the press; the click is reported on a release inside the control.
TEST(XPCheckButton, PressTogglesAndReleaseInsideClicks) {
  struct TCase {
    const char* Name;
    QPoint ReleaseAt;
    int Clicks;
  };
  const TCase cases[] = {{"inside", {10, 8}, 1}, {"outside", {200, 8}, 0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QWidget window;
    window.resize(300, 100);
    auto* box = new TXPCheckBox(&window);
    ASSERT_TRUE(ShowActive(window));
    QSignalSpy clicked(box, &TCustomXPCheckButton::Clicked);

    QTest::mousePress(box, Qt::LeftButton, {}, {10, 8});
    EXPECT_TRUE(box->Checked());
    EXPECT_TRUE(box->hasFocus());
    EXPECT_EQ(clicked.count(), 0);
    QTest::mouseRelease(box, Qt::LeftButton, {}, c.ReleaseAt);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(clicked.count(), c.Clicks);
  }
}

TEST(XPCheckButton, OtherButtonsDoNotToggle) {
  TXPCheckBox box;
  QSignalSpy clicked(&box, &TCustomXPCheckButton::Clicked);
  for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
    SendMouse(box, QEvent::MouseButtonPress, {5, 5}, button);
    SendMouse(box, QEvent::MouseButtonRelease, {5, 5}, button);
  }
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicked.count(), 0);
}

// The platform turns a double click into press, release, double click, release: both presses
// toggle, and each toggle is reported once.
TEST(XPCheckButton, DoubleClickTogglesOnItsSecondPress) {
  TXPCheckBox box;
  QSignalSpy clicked(&box, &TCustomXPCheckButton::Clicked);
  SendMouse(box, QEvent::MouseButtonPress, {5, 5});
  SendMouse(box, QEvent::MouseButtonRelease, {5, 5});
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(clicked.count(), 1);
  SendMouse(box, QEvent::MouseButtonDblClick, {5, 5});
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicked.count(), 2);
  SendMouse(box, QEvent::MouseButtonRelease, {5, 5});
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicked.count(), 2);
}

TEST(XPCheckButton, EnterAndSpaceToggle) {
  struct TCase {
    const char* Name;
    int Key;
    Qt::KeyboardModifiers Modifiers;
    QString Text;
    bool Toggles;
  };
  const TCase cases[] = {
      {"return", Qt::Key_Return, {}, QStringLiteral("\r"), true},
      {"keypad enter", Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"), true},
      {"space", Qt::Key_Space, {}, QStringLiteral(" "), true},
      {"space without text", Qt::Key_Space, {}, QString(), true},
      {"letter", Qt::Key_A, {}, QStringLiteral("a"), false},
      {"escape", Qt::Key_Escape, {}, QStringLiteral("\x1b"), false},
      {"ctrl+return", Qt::Key_Return, Qt::ControlModifier, QString(), false},
      {"ctrl+j", Qt::Key_J, Qt::ControlModifier, QStringLiteral("\n"), false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TXPCheckBox box;
    QSignalSpy clicked(&box, &TCustomXPCheckButton::Clicked);
    QKeyEvent press(QEvent::KeyPress, c.Key, c.Modifiers, c.Text);
    QApplication::sendEvent(&box, &press);
    EXPECT_EQ(box.Checked(), c.Toggles);
    EXPECT_EQ(clicked.count(), c.Toggles ? 1 : 0);
    EXPECT_EQ(press.isAccepted(), c.Toggles);
  }
}

TEST(XPCheckButton, HotFollowsTheMouse) {
  TXPRadioButton radio;
  QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
  QApplication::sendEvent(&radio, &enter);
  EXPECT_TRUE(radio.Hot());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&radio, &leave);
  EXPECT_FALSE(radio.Hot());
}

// A setter given the current value repaints nothing; a real change repaints.
TEST(XPCheckButton, SettingTheSameValueDoesNotRepaint) {
  QWidget window;
  window.resize(300, 100);
  auto* radio = new TXPRadioButton(&window);
  radio->SetCaption(QStringLiteral("Ответ"));
  ASSERT_TRUE(ShowActive(window));
  Settle();
  TPaintCounter paints(*radio);

  // The window may open under the pointer: the hot state is whatever it is now.
  radio->SetChecked(false);
  radio->SetHot(radio->Hot());
  radio->SetWantTextFrame(false);
  radio->SetCaption(QStringLiteral("Ответ"));
  radio->SetColor(radio->Color());
  Settle();
  EXPECT_EQ(paints.Count, 0);

  radio->SetChecked(true);
  EXPECT_TRUE(WaitFor([&] { return paints.Count > 0; }));
  Settle();
  paints.Count = 0;
  radio->SetChecked(true);
  Settle();
  EXPECT_EQ(paints.Count, 0);
}

// Checking clears every TXPRadioButton of the same parent (and those derived from it), and
// nothing else: not other parents, not the family's other classes, not check boxes.
TEST(XPRadioButton, CheckingClearsOnlyTXPRadioButtonSiblings) {
  QWidget parent;
  QWidget otherParent;
  auto* first = new TXPRadioButton(&parent);
  auto* second = new TXPRadioButton(&parent);
  auto* derived = new TDerivedRadio(&parent);
  auto* other = new TOtherRadio(&parent);
  auto* box = new TXPCheckBox(&parent);
  auto* elsewhere = new TXPRadioButton(&otherParent);

  other->SetChecked(true);
  box->SetChecked(true);
  elsewhere->SetChecked(true);
  derived->SetChecked(true);
  first->SetChecked(true);
  EXPECT_TRUE(first->Checked());
  EXPECT_FALSE(derived->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_TRUE(box->Checked());
  EXPECT_TRUE(elsewhere->Checked());

  second->SetChecked(true);
  EXPECT_FALSE(first->Checked());
  EXPECT_TRUE(second->Checked());
  EXPECT_TRUE(other->Checked());

  // The other class still clears the TXPRadioButtons beside it when it is checked.
  other->SetChecked(false);
  other->SetChecked(true);
  EXPECT_FALSE(second->Checked());
  EXPECT_TRUE(box->Checked());
  EXPECT_TRUE(elsewhere->Checked());
}

TEST(XPRadioButton, WithoutAParentCheckingIsHarmless) {
  TXPRadioButton radio;
  radio.SetChecked(true);
  EXPECT_TRUE(radio.Checked());
}

// Unchecking leaves the siblings alone: nothing forces one of a group to stay checked.
TEST(XPRadioButton, UncheckingAffectsNoSibling) {
  QWidget parent;
  auto* first = new TXPRadioButton(&parent);
  auto* second = new TXPRadioButton(&parent);
  auto* other = new TOtherRadio(&parent);
  other->SetChecked(true);
  first->SetChecked(true);
  const Qt::FocusPolicy secondPolicy = second->focusPolicy();

  first->SetChecked(false);
  EXPECT_FALSE(first->Checked());
  EXPECT_FALSE(second->Checked());
  EXPECT_TRUE(other->Checked());
  EXPECT_EQ(second->focusPolicy(), secondPolicy);
}

// A click on a checked radio button unchecks it, like any other press.
TEST(XPRadioButton, PressingACheckedOneUnchecksIt) {
  QWidget parent;
  auto* radio = new TXPRadioButton(&parent);
  radio->SetChecked(true);
  SendMouse(*radio, QEvent::MouseButtonPress, {5, 5});
  EXPECT_FALSE(radio->Checked());
}

TEST(XPRadioButton, OnlyTheCheckedOneIsATabStopAfterAChange) {
  QWidget parent;
  auto* first = new TXPRadioButton(&parent);
  auto* second = new TXPRadioButton(&parent);
  EXPECT_TRUE(TabStop(*first));
  EXPECT_TRUE(TabStop(*second));

  first->SetChecked(true);
  second->SetChecked(true);
  EXPECT_FALSE(TabStop(*first));
  EXPECT_TRUE(TabStop(*second));
  // Still reachable by a click.
  EXPECT_TRUE(first->focusPolicy() & Qt::ClickFocus);

  second->SetChecked(false);
  EXPECT_FALSE(TabStop(*second));
}

// The caption's extent + (23, 6), on the sides the alignment leaves to the control.
TEST(XPCheckButton, ResizeRuleFollowsTheAlignment) {
  struct TCase {
    TAlign Align;
    bool Width, Height;
  };
  const TCase cases[] = {
      {TAlign::alNone, true, true},    {TAlign::alTop, false, true},
      {TAlign::alBottom, false, true}, {TAlign::alLeft, true, false},
      {TAlign::alRight, true, false},  {TAlign::alClient, false, false},
  };
  const QString caption = QStringLiteral("Вариант ответа");
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Align));
    QWidget parent;
    parent.resize(300, 200);
    auto* box = new TXPCheckBox(&parent);
    box->setGeometry(5, 7, 60, 40);
    box->SetAlign(c.Align);
    box->SetCaption(caption);
    const QFontMetrics metrics(box->font());
    const int w = metrics.horizontalAdvance(caption) + 23;
    const int h = metrics.height() + 6;
    EXPECT_EQ(box->geometry(), QRect(5, 7, c.Width ? w : 60, c.Height ? h : 40));
  }
}

TEST(XPCheckButton, ResizeRuleNeedsAParent) {
  QWidget parent;
  TXPCheckBox box;
  box.SetCaption(QStringLiteral("Очень длинная подпись варианта ответа"));
  EXPECT_EQ(box.size(), QSize(97, 17));

  box.setParent(&parent);
  const QFontMetrics metrics(box.font());
  EXPECT_EQ(box.height(), metrics.height() + 6);
}

// The rule measures with the font of the latest paint and needs a parent, so a control given a
// font and a small height before it has either shows a caption taller than itself: the paint
// grows it to the caption's height (or the glyph's), and its next resize adds the margins.
TEST(XPCheckButton, ACaptionTallerThanTheControlGrowsOnPaint) {
  struct TCase {
    const char* Name;
    int PixelSize;
    bool Radio;
    int GlyphHeight;
  };
  const TCase cases[] = {{"large font", 40, false, 14},
                         {"tiny font, check box glyph", 6, false, 14},
                         {"tiny font, radio glyph", 6, true, 13}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    QWidget parent;
    parent.resize(400, 300);
    std::unique_ptr<TCustomXPCheckButton> button;
    if (c.Radio)
      button = std::make_unique<TXPRadioButton>();
    else
      button = std::make_unique<TXPCheckBox>();
    button->SetCaption(QStringLiteral("Высокий"));
    QFont font = button->font();
    font.setPixelSize(c.PixelSize);
    button->setFont(font);
    button->resize(button->width(), 3);
    const int textHeight = QFontMetrics(font).height();

    button->grab();
    EXPECT_EQ(button->height(), std::max(textHeight, c.GlyphHeight));

    // The margins, but never below the glyph: a control that grew on every paint and shrank on
    // every resize would repaint for ever.
    const int settled = std::max(textHeight + 6, c.GlyphHeight);
    button->setParent(&parent);
    EXPECT_EQ(button->height(), settled);
    parent.show();
    button->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    Settle();
    TPaintCounter paints(*button);
    Settle();
    EXPECT_EQ(paints.Count, 0);
    EXPECT_EQ(button->height(), settled);
  }
}

}  // namespace
