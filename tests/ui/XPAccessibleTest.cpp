// What a screen reader learns of the painted controls and what it can do with them.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QSignalSpy>
#include <QWidget>
#include <memory>

#include "XPCtrls.h"

namespace {

struct TKind {
  const char* Name;
  bool Radio;
  QAccessible::Role Role;
};
const TKind kKinds[] = {{"check box", false, QAccessible::CheckBox},
                        {"radio button", true, QAccessible::RadioButton}};

std::unique_ptr<TCustomXPCheckButton> Make(const TKind& Kind, QWidget* Parent) {
  if (Kind.Radio) return std::make_unique<TXPRadioButton>(Parent);
  return std::make_unique<TXPCheckBox>(Parent);
}

TEST(XPAccessible, RoleNameAndState) {
  for (const TKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    QWidget parent;
    auto button = Make(kind, &parent);
    button->SetCaption(QStringLiteral("Б) сорок два"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button.get());
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), kind.Role);
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Б) сорок два"));
    EXPECT_TRUE(iface->state().checkable);
    EXPECT_TRUE(iface->state().focusable);
    EXPECT_FALSE(iface->state().checked);
    EXPECT_FALSE(iface->state().disabled);

    button->SetChecked(true);
    EXPECT_TRUE(iface->state().checked);
    button->setEnabled(false);
    EXPECT_TRUE(iface->state().disabled);
  }
}

// The toggle action (and a radio button's press action) does what a click does: the state
// flips and Clicked lets the answer panel store it.
TEST(XPAccessible, ActionsToggleAndReportTheClick) {
  for (const TKind& kind : kKinds) {
    SCOPED_TRACE(kind.Name);
    QWidget parent;
    auto button = Make(kind, &parent);
    QSignalSpy clicked(button.get(), &TCustomXPCheckButton::Clicked);
    QAccessibleActionInterface* actions =
        QAccessible::queryAccessibleInterface(button.get())->actionInterface();
    ASSERT_NE(actions, nullptr);
    const QStringList names = actions->actionNames();
    EXPECT_TRUE(names.contains(QAccessibleActionInterface::toggleAction()));
    EXPECT_EQ(names.contains(QAccessibleActionInterface::pressAction()), kind.Radio);

    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(button->Checked());
    EXPECT_EQ(clicked.count(), 1);
    if (kind.Radio) {
      actions->doAction(QAccessibleActionInterface::pressAction());
      EXPECT_FALSE(button->Checked());
      EXPECT_EQ(clicked.count(), 2);
    }
  }
}

TEST(XPAccessible, ADisabledControlOffersAndDoesNothing) {
  QWidget parent;
  TXPCheckBox box(&parent);
  box.setEnabled(false);
  QSignalSpy clicked(&box, &TCustomXPCheckButton::Clicked);
  QAccessibleActionInterface* actions =
      QAccessible::queryAccessibleInterface(&box)->actionInterface();
  ASSERT_NE(actions, nullptr);
  EXPECT_FALSE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
  actions->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_FALSE(box.Checked());
  EXPECT_EQ(clicked.count(), 0);
}

TEST(XPAccessible, GroupBoxIsAGroupingNamedByItsTitle) {
  TXPGroupBox box(QStringLiteral("Сведения об ошибке"));
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&box);
  ASSERT_NE(iface, nullptr);
  EXPECT_EQ(iface->role(), QAccessible::Grouping);
  EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Сведения об ошибке"));
}

}  // namespace
