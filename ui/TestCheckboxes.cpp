// The answer panel: building the column, storing marks, keys, and the red right options.
#include "TestCheckboxes.h"

#include <QColor>
#include <algorithm>
#include <cstring>

#include "AnswerColumn.h"
#include "Cp1251.h"
#include "Cp1251Text.h"
#include "Exam.h"
#include "XPCtrls.h"

namespace {

constexpr int kAnswerKeyCount = 42;
const QColor kRightCaption(255, 0, 0);
const QColor kPlainCaption(0, 0, 0);

// Clears a re-entry flag on leaving the scope, also when an exception passes through it.
class TFlagGuard {
 public:
  explicit TFlagGuard(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TFlagGuard() { FFlag = false; }
  TFlagGuard(const TFlagGuard&) = delete;
  TFlagGuard& operator=(const TFlagGuard&) = delete;

 private:
  bool& FFlag;
};

// The caption begins with the character, compared without regard to case.
bool BeginsWith(const QString& caption, char32_t c) {
  if (caption.isEmpty()) return false;
  const QString first = caption.left(1);
  return first.compare(QString::fromUcs4(&c, 1), Qt::CaseInsensitive) == 0;
}

}  // namespace

bool IsAnswerKey(int Key) {
  if (Key <= 0 || Key > 0xFF) return false;
  return std::memchr(AnswerKeys, Key, kAnswerKeyCount) != nullptr;
}

TCheckButtons::TCheckButtons(QScrollArea& Panel, TExam& Exam)
    : FArea(Panel), FPanel(new TAnswerColumn), FExam(Exam) {
  FPanel->setObjectName("AnswerColumn");
  FPanel->setAccessibleName(QStringLiteral("Варианты ответа"));
  FArea.setWidgetResizable(true);
  FArea.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  FArea.setWidget(FPanel);
}

TCheckButtons::~TCheckButtons() {
  ClearButtons();
}

TCustomXPCheckButton* TCheckButtons::Button(int32_t i) const {
  return i >= 0 && i < Count() ? FButtons[static_cast<size_t>(i)] : nullptr;
}

bool TCheckButtons::ButtonChecked(int32_t i) const {
  const TCustomXPCheckButton* button = Button(i);
  return button != nullptr && button->Checked();
}

void TCheckButtons::SetButtonChecked(int32_t i, bool Value) {
  TCustomXPCheckButton* button = Button(i);
  if (button == nullptr) return;
  button->SetChecked(Value);
  if (!FSyncing) Sync();
}

void TCheckButtons::LoadQuestion(TExam& Exam) {
  FUpdating = true;
  try {
    BuildButtons(Exam);
  } catch (...) {
    FUpdating = false;
    Sync();
    throw;
  }
  FUpdating = false;
  Sync();
}

void TCheckButtons::BuildButtons(TExam& Exam) {
  ClearButtons();
  const TGrades& grades = Exam.CurrentGrades();
  FMultiSelect = grades.MultiSelect() != 0;
  const int32_t n = Exam.OptionCount();
  for (int32_t i = 0; i < n; ++i) AddButton(FromCp1251(grades.Caption(i)));
  for (int32_t i = 0; i < n; ++i)
    if (Exam.OptionMarked(i)) SetButtonChecked(i, true);
  for (int32_t i = 0; i < Count(); ++i) ColourCaption(i, FShowRight && Exam.OptionCorrect(i));
}

void TCheckButtons::Sync() {
  if (FUpdating || FSyncing) return;
  TFlagGuard syncing(FSyncing);
  const int32_t n = FExam.OptionCount();
  for (int32_t i = 0; i < n && i < Count(); ++i) {
    const bool checked = ButtonChecked(i);
    const bool marked = FExam.OptionMarked(i);
    if (checked == marked) continue;
    if (FExam.UserAnswers().ReadOnly()) {
      SetButtonChecked(i, marked);
    } else {
      FExam.SetOptionMarked(i, checked);
    }
  }
  for (TCustomXPCheckButton* button : FButtons) button->update();
  if (FOnChange) FOnChange(*this);
}

void TCheckButtons::SetShowRight(bool Value) {
  FShowRight = Value;
  const TGrades& grades = FExam.CurrentGrades();
  for (int32_t i = 0; i < Count(); ++i) ColourCaption(i, Value && grades.MarkedScore(i) > 0);
}

int32_t TCheckButtons::HandleKey(uint8_t Key) {
  // With no test open the column is a leftover of the last one: nothing there can be marked.
  if (!FExam.HasTest()) return -1;
  const char* at = static_cast<const char*>(std::memchr(AnswerKeys, Key, kAnswerKeyCount));
  if (at == nullptr) return -1;
  const char32_t k = Cp1251ToUnicode(Key);
  const char32_t r = Cp1251ToUnicode(static_cast<unsigned char>(AnswerLetters[at - AnswerKeys]));
  for (int32_t i = 0; i < Count(); ++i) {
    const QString caption = FButtons[static_cast<size_t>(i)]->Caption();
    if (!BeginsWith(caption, k) && !BeginsWith(caption, r)) continue;
    SetButtonChecked(i, !ButtonChecked(i));
    FArea.ensureWidgetVisible(FButtons[static_cast<size_t>(i)], 0, 0);
    return i;
  }
  return -1;
}

void TCheckButtons::ClearButtons() {
  std::vector<TCustomXPCheckButton*> buttons;
  buttons.swap(FButtons);
  for (TCustomXPCheckButton* button : buttons) {
    // The window keeps its focused control while it is not active, and would keep a deleted one.
    if (button->window()->focusWidget() == button) button->clearFocus();
    delete button;
  }
}

void TCheckButtons::AddButton(const QString& Caption) {
  const int y = FButtons.empty() ? 0 : FButtons.back()->y() + FButtons.back()->height();
  TCustomXPCheckButton* button = FMultiSelect
                                     ? static_cast<TCustomXPCheckButton*>(new TXPCheckBox)
                                     : static_cast<TCustomXPCheckButton*>(new TXPRadioButton);
  FButtons.push_back(button);
  button->SetAlign(TAlign::alTop);
  button->SetCaption(Caption);
  QObject::connect(button, &TCustomXPCheckButton::Clicked, [this] { ButtonClick(); });
  button->SetWantTextFrame(false);
  button->setParent(FPanel);
  button->SetColor(FPanel->palette().color(FPanel->backgroundRole()));
  button->setFont(FPanel->font());
  button->move(0, y + 10);
  button->show();
  FPanel->Restack();
}

void TCheckButtons::ButtonClick() {
  Sync();
}

void TCheckButtons::ColourCaption(int32_t i, bool Right) {
  TCustomXPCheckButton* button = FButtons[static_cast<size_t>(i)];
  button->SetCaptionColor(Right ? kRightCaption : kPlainCaption);
  // The red a sighted student sees, told to one who listens.
  const QString rightness = Right ? QStringLiteral("верный ответ") : QString();
  if (button->accessibleDescription() != rightness) button->setAccessibleDescription(rightness);
}

QString TCheckButtons::Rightness(int32_t i) const {
  const TCustomXPCheckButton* button = Button(i);
  return button != nullptr ? button->accessibleDescription() : QString();
}

int TCheckButtons::WidestButton() const {
  int widest = 0;
  for (const TCustomXPCheckButton* button : FButtons)
    widest = std::max(widest, button->sizeHint().width());
  return widest;
}
