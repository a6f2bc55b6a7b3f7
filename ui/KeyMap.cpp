// Key presses as virtual-key codes: X keycodes, Qt's keys, and the Russian layout undone.
#include "KeyMap.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QString>
#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t Index(char C) {
  return static_cast<unsigned char>(C);
}

// The key that types each ASCII character on the US layout, with or without Shift: "!" still
// names the "1" key and "{" the "[" key, since the key, not the character, picks an option.
constexpr std::array<uint8_t, 128> kVkOfAscii = [] {
  std::array<uint8_t, 128> t{};
  for (char c = '0'; c <= '9'; ++c) t[Index(c)] = static_cast<uint8_t>(c);
  for (char c = 'A'; c <= 'Z'; ++c) t[Index(c)] = t[Index(c) + 0x20] = static_cast<uint8_t>(c);
  t[Index(' ')] = vkSpace;
  constexpr std::string_view kShiftedDigits = ")!@#$%^&*(";
  for (std::size_t d = 0; d < kShiftedDigits.size(); ++d)
    t[Index(kShiftedDigits[d])] = static_cast<uint8_t>('0' + d);
  constexpr std::pair<std::string_view, uint8_t> kOemKeys[] = {
      {";:", 0xBA}, {"=+", 0xBB}, {",<", 0xBC},  {"-_", 0xBD}, {".>", 0xBE}, {"/?", 0xBF},
      {"`~", 0xC0}, {"[{", 0xDB}, {"\\|", 0xDC}, {"]}", 0xDD}, {"'\"", 0xDE}};
  for (const auto& [chars, vk] : kOemKeys)
    for (char c : chars) t[Index(c)] = vk;
  return t;
}();

// The Russian layout over the US one: each letter and the US character of the same key.
constexpr std::u16string_view kRussianKeys = u"ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮЁ";
constexpr std::string_view kUsKeys = "QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.`";
static_assert(kRussianKeys.size() == kUsKeys.size());
// The one Russian symbol with no twin in the US layout (Shift+3). The other shifted digits of
// the Russian layout are US punctuation ("\"" is Shift+2 there) and, without the keycode, are
// read as the US keys that type them.
constexpr char16_t kNumeroSign = u'№';

// Qt's keys that are no characters.
constexpr std::pair<int, uint8_t> kQtKeys[] = {
    {Qt::Key_Escape, vkEscape},  {Qt::Key_Tab, vkTab},       {Qt::Key_Backtab, vkTab},
    {Qt::Key_Backspace, vkBack}, {Qt::Key_Return, vkReturn}, {Qt::Key_Enter, vkReturn},
    {Qt::Key_Insert, vkInsert},  {Qt::Key_Delete, vkDelete}, {Qt::Key_Home, vkHome},
    {Qt::Key_End, vkEnd},        {Qt::Key_Left, vkLeft},     {Qt::Key_Up, vkUp},
    {Qt::Key_Right, vkRight},    {Qt::Key_Down, vkDown},     {Qt::Key_PageUp, vkPrior},
    {Qt::Key_PageDown, vkNext},  {Qt::Key_Shift, vkShift},   {Qt::Key_Control, vkControl},
    {Qt::Key_Alt, vkMenu}};

// The keypad with NumLock: its own codes, so that a keypad digit never selects an option.
constexpr std::pair<int, uint8_t> kKeypadChars[] = {
    {Qt::Key_Asterisk, vkMultiply}, {Qt::Key_Plus, vkAdd},      {Qt::Key_Minus, vkSubtract},
    {Qt::Key_Period, vkDecimal},    {Qt::Key_Comma, vkDecimal}, {Qt::Key_Slash, vkDivide}};

// X keycodes of a PC keyboard (evdev: the Linux input code + 8), one physical key each.
constexpr std::array<uint8_t, 256> kVkOfXKeycode = [] {
  std::array<uint8_t, 256> t{};
  // The character rows, left to right, named by what they type on the US layout.
  constexpr std::pair<std::size_t, std::string_view> kRows[] = {
      {10, "1234567890-="}, {24, "QWERTYUIOP[]"}, {38, "ASDFGHJKL;'`"}, {51, "\\ZXCVBNM,./"}};
  for (const auto& [first, keys] : kRows)
    for (std::size_t i = 0; i < keys.size(); ++i) t[first + i] = kVkOfAscii[Index(keys[i])];
  for (std::size_t i = 0; i < 10; ++i) t[67 + i] = static_cast<uint8_t>(vkF1 + i);
  constexpr std::pair<std::size_t, uint8_t> kKeys[] = {
      {9, vkEscape},    {22, vkBack},   {23, vkTab},     {36, vkReturn},  {104, vkReturn},
      {65, vkSpace},    {50, vkShift},  {62, vkShift},   {37, vkControl}, {105, vkControl},
      {64, vkMenu},     {108, vkMenu},  {95, vkF11},     {96, vkF12},     {110, vkHome},
      {111, vkUp},      {112, vkPrior}, {113, vkLeft},   {114, vkRight},  {115, vkEnd},
      {116, vkDown},    {117, vkNext},  {118, vkInsert}, {119, vkDelete}, {63, vkMultiply},
      {82, vkSubtract}, {86, vkAdd},    {106, vkDivide}};
  for (const auto& [keycode, vk] : kKeys) t[keycode] = vk;
  return t;
}();

// The keypad keys whose meaning NumLock switches: X keycode, code with NumLock, code without.
struct TKeypadKey {
  uint32_t Keycode;
  uint8_t NumLock;
  uint8_t Navigation;
};
constexpr TKeypadKey kKeypadKeys[] = {
    {79, vkNumpad0 + 7, vkHome},   {80, vkNumpad0 + 8, vkUp},   {81, vkNumpad0 + 9, vkPrior},
    {83, vkNumpad0 + 4, vkLeft},   {84, vkNumpad0 + 5, 0},      {85, vkNumpad0 + 6, vkRight},
    {87, vkNumpad0 + 1, vkEnd},    {88, vkNumpad0 + 2, vkDown}, {89, vkNumpad0 + 3, vkNext},
    {90, vkNumpad0 + 0, vkInsert}, {91, vkDecimal, vkDelete}};

// key(), or the first character of text() for input that arrives without a key (input methods).
int KeyOf(const QKeyEvent& Event) {
  const int key = Event.key();
  if ((key == 0 || key == Qt::Key_unknown) && !Event.text().isEmpty())
    return Event.text().at(0).unicode();
  return key;
}

uint8_t VkOfQtKey(int Key) {
  if (Key >= 0 && Key < static_cast<int>(kVkOfAscii.size())) return kVkOfAscii[Key];
  if (Key >= Qt::Key_F1 && Key <= Qt::Key_F12) return static_cast<uint8_t>(vkF1 + Key - Qt::Key_F1);
  for (const auto& [qtKey, vk] : kQtKeys)
    if (Key == qtKey) return vk;
  if (Key == kNumeroSign) return '3';
  // Cyrillic letters in either case: Qt gives the capital, input methods may not.
  if (Key > 0 && Key <= 0xFFFF) {
    const auto upper = QChar(static_cast<char16_t>(Key)).toUpper().unicode();
    const auto at = kRussianKeys.find(upper);
    if (at != std::u16string_view::npos) return kVkOfAscii[Index(kUsKeys[at])];
  }
  return 0;
}

// With NumLock the keypad types characters; without it, it sends the navigation keys.
uint8_t VkOfKeypadKey(int Key) {
  if (Key >= Qt::Key_0 && Key <= Qt::Key_9)
    return static_cast<uint8_t>(vkNumpad0 + Key - Qt::Key_0);
  for (const auto& [qtKey, vk] : kKeypadChars)
    if (Key == qtKey) return vk;
  // No other keypad character has a code, and none may pass for a main-row key.
  if (Key >= 0 && Key < 0x10000) return 0;
  return VkOfQtKey(Key);
}

uint8_t VkOfKeyAndText(const QKeyEvent& Event) {
  const int key = KeyOf(Event);
  return Event.modifiers().testFlag(Qt::KeypadModifier) ? VkOfKeypadKey(key) : VkOfQtKey(key);
}

// The keycode names the physical key; key() and text() only tell NumLock's state. Keycodes off
// the table (a scratch keycode of a synthetic key press, an unusual keyboard) are read as Qt's.
uint8_t VkOfXKeycode(const QKeyEvent& Event) {
  const uint32_t keycode = Event.nativeScanCode();
  for (const auto& pad : kKeypadKeys) {
    if (keycode != pad.Keycode) continue;
    const int key = KeyOf(Event);
    return key > 0 && key < 0x10000 ? pad.NumLock : pad.Navigation;
  }
  if (keycode < kVkOfXKeycode.size() && kVkOfXKeycode[keycode] != 0) return kVkOfXKeycode[keycode];
  return VkOfKeyAndText(Event);
}

}  // namespace

TKeySource KeySourceOf(const QString& PlatformName) {
  if (PlatformName == QLatin1String("xcb")) return ksXKeycode;
  if (PlatformName == QLatin1String("windows")) return ksWindowsKey;
  return ksKeyText;
}

uint8_t VirtualKeyOf(const QKeyEvent& Event, TKeySource Source) {
  switch (Source) {
    case ksXKeycode:
      return VkOfXKeycode(Event);
    case ksWindowsKey: {
      const uint32_t vk = Event.nativeVirtualKey();
      if (vk > 0 && vk <= 0xFF) return static_cast<uint8_t>(vk);
      return VkOfKeyAndText(Event);
    }
    case ksKeyText:
      break;
  }
  return VkOfKeyAndText(Event);
}

uint8_t VirtualKeyOf(const QKeyEvent& Event) {
  return VirtualKeyOf(Event, KeySourceOf(QGuiApplication::platformName()));
}
