// TCheckButtons: the current question's answer options as a column of painted buttons.
#pragma once

#include <QScrollArea>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class TAnswerColumn;
class TCustomXPCheckButton;
class TExam;

// The keys that select an option (Windows virtual-key codes: the digit row and the three letter
// rows, left to right) and the Russian letter on each of those keys; cp1251 bytes,
// position-aligned.
inline constexpr char AnswerKeys[] =
    "0123456789QWERTYUIOP\xDB\xDD"
    "ASDFGHJKL\xBA\xDE"
    "ZXCVBNM\xBC\xBE";
inline constexpr char AnswerLetters[] =
    "0123456789\xC9\xD6\xD3\xCA\xC5\xCD\xC3\xD8\xD9\xC7\xD5\xDA"
    "\xD4\xDB\xC2\xC0\xCF\xD0\xCE\xCB\xC4\xC6\xDD"
    "\xDF\xD7\xD1\xCC\xC8\xD2\xDC\xC1\xDE";
static_assert(sizeof(AnswerKeys) == 43 && sizeof(AnswerLetters) == 43, "42 keys each");

// Whether a virtual-key code, taken as a byte, is one of AnswerKeys.
bool IsAnswerKey(int Key);

// Keeps the buttons in step with the exam's marks: while the exam runs a toggle is stored at
// once, in every other state a button springs back to the stored mark.
class TCheckButtons {
 public:
  using TNotifyEvent = std::function<void(TCheckButtons&)>;

  // The buttons live in a column that becomes the area's widget, so a long column scrolls.
  TCheckButtons(QScrollArea& Panel, TExam& Exam);
  TCheckButtons(const TCheckButtons&) = delete;
  TCheckButtons& operator=(const TCheckButtons&) = delete;
  ~TCheckButtons();

  int32_t Count() const { return static_cast<int32_t>(FButtons.size()); }
  TCustomXPCheckButton* Button(int32_t i) const;
  bool ButtonChecked(int32_t i) const;
  void SetButtonChecked(int32_t i, bool Value);
  // A failure of the exam or its grades still leaves the flags clear and the column in sync.
  void LoadQuestion(TExam& Exam);
  void Sync();
  void SetShowRight(bool Value);
  bool ShowRight() const { return FShowRight; }
  // Toggles the first option whose caption begins with the key's character or the Russian
  // letter on the same key; brings it into view. Returns its index, -1 when none.
  int32_t HandleKey(uint8_t Key);
  // What a screen reader says of option i beside its caption and state: "верный ответ" for a
  // right option shown after the exam, else nothing.
  QString Rightness(int32_t i) const;
  void ClearButtons();
  void AddButton(const QString& Caption);
  bool MultiSelect() const { return FMultiSelect; }
  TAnswerColumn& Column() const { return *FPanel; }
  // The width the widest button needs to show its whole caption; 0 without buttons.
  int WidestButton() const;
  void SetOnChange(TNotifyEvent Event) { FOnChange = std::move(Event); }

 private:
  // Steps 2 to 6 of loading a question, while FUpdating holds Sync back.
  void BuildButtons(TExam& Exam);
  void ButtonClick();
  void ColourCaption(int32_t i, bool Right);

  QScrollArea& FArea;
  TAnswerColumn* FPanel;  // owned by the area
  TExam& FExam;
  bool FMultiSelect = false;
  bool FUpdating = false;
  bool FSyncing = false;
  std::vector<TCustomXPCheckButton*> FButtons;
  TNotifyEvent FOnChange;
  bool FShowRight = false;
};
