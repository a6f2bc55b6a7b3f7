// Accessible interfaces of the main window: presses that return at once, and notices.
#include "WindowAccessible.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include "PageImage.h"

namespace {

const char* const kDeferPress = "examDeferAccessiblePress";

class TDeferredPressAccessible : public QAccessibleWidget {
 public:
  explicit TDeferredPressAccessible(QAbstractButton* Button)
      : QAccessibleWidget(Button, QAccessible::Button) {}

  QString text(QAccessible::Text Kind) const override {
    if (Kind == QAccessible::Name && widget()->accessibleName().isEmpty()) return Button()->text();
    return QAccessibleWidget::text(Kind);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.pressed = Button()->isDown();
    state.checkable = Button()->isCheckable();
    state.checked = Button()->isChecked();
    return state;
  }

  QStringList actionNames() const override {
    QStringList names;
    if (widget()->isEnabled()) names << pressAction();
    return names;
  }

  void doAction(const QString& Name) override {
    if (Name != pressAction() || !widget()->isEnabled()) return;
    QPointer<QAbstractButton> button(Button());
    QTimer::singleShot(0, button, [button] {
      if (button != nullptr && button->isEnabled()) button->click();
    });
  }

 private:
  QAbstractButton* Button() const { return static_cast<QAbstractButton*>(widget()); }
};

class TNoticeAccessible : public QAccessibleWidget {
 public:
  explicit TNoticeAccessible(TNoticeLabel* Label)
      : QAccessibleWidget(Label, QAccessible::Notification) {}
  QString text(QAccessible::Text Kind) const override {
    if (Kind == QAccessible::Name) return static_cast<QLabel*>(widget())->text();
    return QAccessibleWidget::text(Kind);
  }
};

// The page: a pane whose name says it all, "Вопрос 2 из 12, Кинематика. <the page's text>
// Варианты ответа: …", which a screen reader speaks when the page takes the focus, and which
// its flat review reads.
class TPageAccessible : public QAccessibleWidget {
 public:
  explicit TPageAccessible(TPageImage* Page) : QAccessibleWidget(Page, QAccessible::Pane) {}
  QString text(QAccessible::Text Kind) const override {
    const auto* page = static_cast<TPageImage*>(widget());
    if (Kind == QAccessible::Name) {
      const QString description = page->DescriptionInName() ? page->Description() : QString();
      return description.isEmpty() ? page->Title() : page->Title() + ". " + description;
    }
    if (Kind == QAccessible::Description)
      return page->DescriptionInName() ? QString() : page->Description();
    return QAccessibleWidget::text(Kind);
  }
};

QAccessibleInterface* WindowAccessibleFactory(const QString& ClassName, QObject* Object) {
  // A plain frame is a panel of a window, not a window: screen readers take a "frame" for one,
  // and their flat review of the window would stop at the page's frame.
  if (ClassName == QLatin1String("QFrame") &&
      Object->metaObject()->className() == QLatin1String("QFrame"))
    return new QAccessibleWidget(static_cast<QWidget*>(Object), QAccessible::Pane);
  if (ClassName == QLatin1String("TPageImage"))
    return new TPageAccessible(static_cast<TPageImage*>(Object));
  if (ClassName == QLatin1String("TNoticeLabel"))
    return new TNoticeAccessible(static_cast<TNoticeLabel*>(Object));
  // Asked first with the most derived class name, before the toolkit's own interfaces.
  if (auto* button = qobject_cast<QAbstractButton*>(Object);
      button != nullptr && button->property(kDeferPress).toBool())
    return new TDeferredPressAccessible(button);
  return nullptr;
}

}  // namespace

void InstallWindowAccessibility() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  QAccessible::installFactory(WindowAccessibleFactory);
}

void DeferAccessiblePress(QAbstractButton& Button) {
  Button.setProperty(kDeferPress, true);
}

TNoticeLabel::TNoticeLabel(QWidget* Parent) : QLabel(Parent), FHide(new QTimer(this)) {
  FHide->setSingleShot(true);
  connect(FHide, &QTimer::timeout, this, [this] { Clear(); });
  hide();
}

void TNoticeLabel::Tell(const QString& Text, int Milliseconds) {
  // Shown anew, so that a screen reader hears it again.
  hide();
  setText(Text);
  show();
  if (Milliseconds > 0) {
    FHide->start(Milliseconds);
  } else {
    FHide->stop();
  }
}

void TNoticeLabel::Clear() {
  FHide->stop();
  hide();
  clear();
}
