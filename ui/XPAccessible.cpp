// What screen readers see of the painted check boxes and radio buttons.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QStringList>

#include "XPCtrls.h"

namespace {

class TXPCheckButtonAccessible : public QAccessibleWidget {
 public:
  explicit TXPCheckButtonAccessible(TCustomXPCheckButton* Button)
      : QAccessibleWidget(Button,
                          IsRadio(Button) ? QAccessible::RadioButton : QAccessible::CheckBox) {}

  QString text(QAccessible::Text Kind) const override {
    if (Kind != QAccessible::Name) return QAccessibleWidget::text(Kind);
    // The caption is painted as it is, so it is the name as it is.
    const QString name = widget()->accessibleName();
    return name.isEmpty() ? Button()->Caption() : name;
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = Button()->Checked();
    state.hotTracked = Button()->Hot();
    return state;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) {
      names << toggleAction();
      if (IsRadio(Button())) names << pressAction();
    }
    return names + QAccessibleWidget::actionNames();
  }

  void doAction(const QString& Name) override {
    if (Name == toggleAction() || (Name == pressAction() && IsRadio(Button()))) {
      // A disabled control takes no clicks, so it takes no spoken ones either.
      if (widget()->isEnabled()) Button()->Toggle();
      return;
    }
    QAccessibleWidget::doAction(Name);
  }

  QStringList keyBindingsForAction(const QString& Name) const override {
    if (Name == toggleAction()) return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(Name);
  }

 private:
  static bool IsRadio(const TCustomXPCheckButton* Button) {
    return qobject_cast<const TCustomXPRadioButton*>(Button) != nullptr;
  }
  TCustomXPCheckButton* Button() const { return static_cast<TCustomXPCheckButton*>(widget()); }
};

// Qt asks with each class name of the object's ancestry in turn, so every control derived from
// the base reaches this one.
QAccessibleInterface* XPCtrlsAccessibleFactory(const QString& ClassName, QObject* Object) {
  if (ClassName != QLatin1String("TCustomXPCheckButton")) return nullptr;
  auto* button = qobject_cast<TCustomXPCheckButton*>(Object);
  return button != nullptr ? new TXPCheckButtonAccessible(button) : nullptr;
}

}  // namespace

void InstallXPCtrlsAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(XPCtrlsAccessibleFactory);
}
