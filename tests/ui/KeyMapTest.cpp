// Key presses to virtual-key codes: the same physical key under the US and the Russian layout.
#include "KeyMap.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QString>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace {

// A key press as the platform plugin builds it; Keycode is what xcb puts in nativeScanCode().
QKeyEvent Press(int Key, const QString& Text, Qt::KeyboardModifiers Mods = {}, quint32 Keycode = 0,
                quint32 NativeVk = 0) {
  return QKeyEvent(QEvent::KeyPress, Key, Mods, Keycode, NativeVk, 0, Text);
}

// Qt's key() for a character: the capital of a letter, the character itself otherwise.
int QtKeyOf(char16_t C) {
  return QChar(C).toUpper().unicode();
}

QString Hex(int Value) {
  return QString::number(Value, 16);
}

// Every key of the four character rows: its X keycode, what it types on the US and on the
// Russian layout (plain and with Shift), and its code. The Russian characters are those xcb
// delivered under `setxkbmap ru`.
struct TPhysicalKey {
  quint32 Keycode;
  char Us, UsShift;
  char16_t Ru, RuShift;
  uint8_t Vk;
};
constexpr TPhysicalKey kPhysicalKeys[] = {
    {10, '1', '!', u'1', u'!', 0x31},   {11, '2', '@', u'2', u'"', 0x32},
    {12, '3', '#', u'3', u'№', 0x33},   {13, '4', '$', u'4', u';', 0x34},
    {14, '5', '%', u'5', u'%', 0x35},   {15, '6', '^', u'6', u':', 0x36},
    {16, '7', '&', u'7', u'?', 0x37},   {17, '8', '*', u'8', u'*', 0x38},
    {18, '9', '(', u'9', u'(', 0x39},   {19, '0', ')', u'0', u')', 0x30},
    {20, '-', '_', u'-', u'_', 0xBD},   {21, '=', '+', u'=', u'+', 0xBB},
    {24, 'q', 'Q', u'й', u'Й', 0x51},   {25, 'w', 'W', u'ц', u'Ц', 0x57},
    {26, 'e', 'E', u'у', u'У', 0x45},   {27, 'r', 'R', u'к', u'К', 0x52},
    {28, 't', 'T', u'е', u'Е', 0x54},   {29, 'y', 'Y', u'н', u'Н', 0x59},
    {30, 'u', 'U', u'г', u'Г', 0x55},   {31, 'i', 'I', u'ш', u'Ш', 0x49},
    {32, 'o', 'O', u'щ', u'Щ', 0x4F},   {33, 'p', 'P', u'з', u'З', 0x50},
    {34, '[', '{', u'х', u'Х', 0xDB},   {35, ']', '}', u'ъ', u'Ъ', 0xDD},
    {38, 'a', 'A', u'ф', u'Ф', 0x41},   {39, 's', 'S', u'ы', u'Ы', 0x53},
    {40, 'd', 'D', u'в', u'В', 0x44},   {41, 'f', 'F', u'а', u'А', 0x46},
    {42, 'g', 'G', u'п', u'П', 0x47},   {43, 'h', 'H', u'р', u'Р', 0x48},
    {44, 'j', 'J', u'о', u'О', 0x4A},   {45, 'k', 'K', u'л', u'Л', 0x4B},
    {46, 'l', 'L', u'д', u'Д', 0x4C},   {47, ';', ':', u'ж', u'Ж', 0xBA},
    {48, '\'', '"', u'э', u'Э', 0xDE},  {49, '`', '~', u'ё', u'Ё', 0xC0},
    {51, '\\', '|', u'\\', u'/', 0xDC}, {52, 'z', 'Z', u'я', u'Я', 0x5A},
    {53, 'x', 'X', u'ч', u'Ч', 0x58},   {54, 'c', 'C', u'с', u'С', 0x43},
    {55, 'v', 'V', u'м', u'М', 0x56},   {56, 'b', 'B', u'и', u'И', 0x42},
    {57, 'n', 'N', u'т', u'Т', 0x4E},   {58, 'm', 'M', u'ь', u'Ь', 0x4D},
    {59, ',', '<', u'б', u'Б', 0xBC},   {60, '.', '>', u'ю', u'Ю', 0xBE},
    {61, '/', '?', u'.', u',', 0xBF}};

// The Russian layout's characters that the US layout does not type.
bool IsRussianOnly(char16_t C) {
  return (C >= 0x0400 && C <= 0x04FF) || C == u'№';
}

// The keycode decides, whatever the layout typed: this is what makes Shift+2 under the Russian
// layout (a '"') and its '.' on the slash key still name their own keys.
TEST(KeyMapXKeycode, EveryCharacterKeyGivesItsCodeUnderBothLayouts) {
  for (const auto& k : kPhysicalKeys) {
    for (const auto& [c, shift] : {std::pair{char16_t(k.Us), false},
                                   {char16_t(k.UsShift), true},
                                   {k.Ru, false},
                                   {k.RuShift, true}}) {
      SCOPED_TRACE(QString("keycode %1 text %2").arg(k.Keycode).arg(QChar(c)).toStdString());
      const auto mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
      EXPECT_EQ(VirtualKeyOf(Press(QtKeyOf(c), QString(QChar(c)), mods, k.Keycode), ksXKeycode),
                k.Vk);
    }
  }
}

// Without a keycode the US layout's characters, shifted or not, still name their keys.
TEST(KeyMapKeyText, UsLayoutCharactersNameTheirKeys) {
  for (const auto& k : kPhysicalKeys) {
    for (const char c : {k.Us, k.UsShift}) {
      SCOPED_TRACE(std::string("text ") + c);
      const auto mods = c == k.UsShift ? Qt::ShiftModifier : Qt::NoModifier;
      EXPECT_EQ(VirtualKeyOf(Press(QtKeyOf(c), QString(QChar(c)), mods), ksKeyText), k.Vk);
      // A keycode is ignored on this path, and text alone (key() 0) is enough.
      EXPECT_EQ(VirtualKeyOf(Press(QtKeyOf(c), QString(QChar(c)), mods, 60), ksKeyText), k.Vk);
      EXPECT_EQ(VirtualKeyOf(Press(0, QString(QChar(c)), mods), ksKeyText), k.Vk);
    }
  }
}

// Russian letters through the ЙЦУКЕН layout (and "№", Shift+3 there): key() as Qt gives it
// (the capital), a lower-case key() as an input method may give, and text alone.
TEST(KeyMapKeyText, RussianCharactersNameTheirKeys) {
  for (const auto& k : kPhysicalKeys) {
    for (const char16_t c : {k.Ru, k.RuShift}) {
      if (!IsRussianOnly(c)) continue;
      SCOPED_TRACE(QString("character %1").arg(QChar(c)).toStdString());
      const QString text(QChar{c});
      EXPECT_EQ(VirtualKeyOf(Press(QtKeyOf(c), text), ksKeyText), k.Vk);
      EXPECT_EQ(VirtualKeyOf(Press(c, text), ksKeyText), k.Vk);
      EXPECT_EQ(VirtualKeyOf(Press(0, text), ksKeyText), k.Vk);
    }
  }
}

// All 33 letters of the alphabet, capital and small, land on 33 different keys.
TEST(KeyMapKeyText, EveryRussianLetterHasItsOwnKey) {
  std::set<uint8_t> capitals, smalls;
  std::u16string alphabet = u"Ё";
  for (char16_t c = u'А'; c <= u'Я'; ++c) alphabet += c;
  for (const char16_t c : alphabet) {
    const char16_t small = QChar(c).toLower().unicode();
    SCOPED_TRACE(QString(QChar(c)).toStdString());
    const uint8_t vk = VirtualKeyOf(Press(c, QString(QChar(small))), ksKeyText);
    EXPECT_NE(vk, 0);
    EXPECT_EQ(VirtualKeyOf(Press(small, QString(QChar(small))), ksKeyText), vk);
    capitals.insert(vk);
    smalls.insert(VirtualKeyOf(Press(0, QString(QChar(small))), ksKeyText));
  }
  EXPECT_EQ(capitals.size(), alphabet.size());
  EXPECT_EQ(smalls, capitals);
}

// The answer panel's 42 keys and the Russian letters printed on them: each key is reached from
// its Latin character and from its Russian letter, on whichever platform the tests run.
constexpr uint8_t kAnswerKeys[42] = {
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x51, 0x57, 0x45, 0x52,
    0x54, 0x59, 0x55, 0x49, 0x4F, 0x50, 0xDB, 0xDD, 0x41, 0x53, 0x44, 0x46, 0x47, 0x48,
    0x4A, 0x4B, 0x4C, 0xBA, 0xDE, 0x5A, 0x58, 0x43, 0x56, 0x42, 0x4E, 0x4D, 0xBC, 0xBE};
constexpr std::u16string_view kAnswerLetters = u"0123456789ЙЦУКЕНГШЩЗХЪФЫВАПРОЛДЖЭЯЧСМИТЬБЮ";
constexpr std::string_view kAnswerLatin = "0123456789QWERTYUIOP[]ASDFGHJKL;'ZXCVBNM,.";
static_assert(kAnswerLetters.size() == 42 && kAnswerLatin.size() == 42);

TEST(KeyMapKeyText, EveryAnswerKeyIsReachedFromBothLayouts) {
  for (std::size_t i = 0; i < 42; ++i) {
    const char16_t latin = kAnswerLatin[i], russian = kAnswerLetters[i];
    SCOPED_TRACE(QString("position %1").arg(i + 1).toStdString());
    const QString small(QChar(latin).toLower());
    EXPECT_EQ(VirtualKeyOf(Press(QtKeyOf(latin), small)), kAnswerKeys[i]);
    EXPECT_EQ(VirtualKeyOf(Press(QtKeyOf(russian), QString(QChar(russian).toLower()))),
              kAnswerKeys[i]);
  }
}

// The keypad has codes of its own: with NumLock a digit is VK_NUMPADn, never a main-row digit,
// so it toggles no answer; without NumLock its keys are the navigation keys.
TEST(KeyMapKeyText, KeypadDigitsAreNoAnswerKeys) {
  const std::set<uint8_t> answerKeys(std::begin(kAnswerKeys), std::end(kAnswerKeys));
  for (int d = 0; d <= 9; ++d) {
    const QString text = QString::number(d);
    for (const auto& press :
         {Press(Qt::Key_0 + d, text, Qt::KeypadModifier), Press(0, text, Qt::KeypadModifier)}) {
      const uint8_t vk = VirtualKeyOf(press, ksKeyText);
      EXPECT_EQ(vk, 0x60 + d) << d;
      EXPECT_EQ(answerKeys.count(vk), 0u) << d;
    }
  }
}

struct TKeypadCase {
  int Key;
  const char* Text;
  uint8_t Vk;
};

TEST(KeyMapKeyText, KeypadOperatorsAndNavigation) {
  const TKeypadCase cases[] = {
      {Qt::Key_Asterisk, "*", 0x6A},
      {Qt::Key_Plus, "+", 0x6B},
      {Qt::Key_Minus, "-", 0x6D},
      {Qt::Key_Period, ".", 0x6E},
      {Qt::Key_Comma, ",", 0x6E},
      {Qt::Key_Slash, "/", 0x6F},
      {Qt::Key_Enter, "\r", 0x0D},
      {Qt::Key_Home, "", 0x24},
      {Qt::Key_End, "", 0x23},
      {Qt::Key_Up, "", 0x26},
      {Qt::Key_PageDown, "", 0x22},
      {Qt::Key_Insert, "", 0x2D},
      {Qt::Key_Delete, "", 0x2E},
      {Qt::Key_Clear, "", 0},
      // Keypad characters with no code of their own must not pass for main-row keys.
      {Qt::Key_Equal, "=", 0},
      {Qt::Key_ParenLeft, "(", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(VirtualKeyOf(Press(c.Key, c.Text, Qt::KeypadModifier), ksKeyText), c.Vk)
        << Hex(c.Key).toStdString();
}

// The keypad under X: the keycode names the key, key() tells whether NumLock was on. These are
// the events xcb delivered for both states under both layouts.
struct TXKeypadCase {
  quint32 Keycode;
  int Key;
  const char* Text;
  uint8_t Vk;
};

TEST(KeyMapXKeycode, KeypadFollowsNumLock) {
  const TXKeypadCase cases[] = {{79, Qt::Key_7, "7", 0x67},
                                {80, Qt::Key_8, "8", 0x68},
                                {81, Qt::Key_9, "9", 0x69},
                                {83, Qt::Key_4, "4", 0x64},
                                {84, Qt::Key_5, "5", 0x65},
                                {85, Qt::Key_6, "6", 0x66},
                                {87, Qt::Key_1, "1", 0x61},
                                {88, Qt::Key_2, "2", 0x62},
                                {89, Qt::Key_3, "3", 0x63},
                                {90, Qt::Key_0, "0", 0x60},
                                {91, Qt::Key_Period, ".", 0x6E},
                                {91, Qt::Key_Comma, ",", 0x6E},
                                {79, Qt::Key_Home, "", 0x24},
                                {80, Qt::Key_Up, "", 0x26},
                                {81, Qt::Key_PageUp, "", 0x21},
                                {83, Qt::Key_Left, "", 0x25},
                                {84, Qt::Key_Clear, "", 0},
                                {85, Qt::Key_Right, "", 0x27},
                                {87, Qt::Key_End, "", 0x23},
                                {88, Qt::Key_Down, "", 0x28},
                                {89, Qt::Key_PageDown, "", 0x22},
                                {90, Qt::Key_Insert, "", 0x2D},
                                {91, Qt::Key_Delete, "", 0x2E},
                                {63, Qt::Key_Asterisk, "*", 0x6A},
                                {86, Qt::Key_Plus, "+", 0x6B},
                                {82, Qt::Key_Minus, "-", 0x6D},
                                {106, Qt::Key_Slash, "/", 0x6F},
                                {104, Qt::Key_Enter, "\r", 0x0D},
                                // A keypad digit that arrives as text only is still a keypad digit.
                                {87, 0, "1", 0x61}};
  for (const auto& c : cases)
    EXPECT_EQ(VirtualKeyOf(Press(c.Key, c.Text, Qt::KeypadModifier, c.Keycode), ksXKeycode), c.Vk)
        << c.Keycode << " " << c.Text;
}

// The keys that type no character, read both from the keycode and from key().
struct TControlKey {
  quint32 Keycode;
  int Key;
  const char* Text;
  Qt::KeyboardModifiers Mods;
  uint8_t Vk;
};

TEST(KeyMap, NavigationFunctionAndModifierKeys) {
  const TControlKey cases[] = {{9, Qt::Key_Escape, "\x1b", {}, 0x1B},
                               {22, Qt::Key_Backspace, "\b", {}, 0x08},
                               {23, Qt::Key_Tab, "\t", {}, 0x09},
                               {23, Qt::Key_Backtab, "", Qt::ShiftModifier, 0x09},
                               {36, Qt::Key_Return, "\r", {}, 0x0D},
                               {36, Qt::Key_Return, "\r", Qt::ShiftModifier, 0x0D},
                               {104, Qt::Key_Enter, "\r", Qt::KeypadModifier, 0x0D},
                               {65, Qt::Key_Space, " ", {}, 0x20},
                               {110, Qt::Key_Home, "", {}, 0x24},
                               {115, Qt::Key_End, "", {}, 0x23},
                               {112, Qt::Key_PageUp, "", {}, 0x21},
                               {117, Qt::Key_PageDown, "", {}, 0x22},
                               {118, Qt::Key_Insert, "", {}, 0x2D},
                               {119, Qt::Key_Delete, "\x7f", {}, 0x2E},
                               {113, Qt::Key_Left, "", {}, 0x25},
                               {111, Qt::Key_Up, "", {}, 0x26},
                               {114, Qt::Key_Right, "", Qt::ControlModifier, 0x27},
                               {116, Qt::Key_Down, "", Qt::ControlModifier, 0x28},
                               {67, Qt::Key_F1, "", {}, 0x70},
                               {68, Qt::Key_F2, "", {}, 0x71},
                               {69, Qt::Key_F3, "", {}, 0x72},
                               {70, Qt::Key_F4, "", Qt::AltModifier, 0x73},
                               {71, Qt::Key_F5, "", {}, 0x74},
                               {76, Qt::Key_F10, "", {}, 0x79},
                               {95, Qt::Key_F11, "", {}, 0x7A},
                               {96, Qt::Key_F12, "", {}, 0x7B},
                               {50, Qt::Key_Shift, "", Qt::ShiftModifier, 0x10},
                               {62, Qt::Key_Shift, "", Qt::ShiftModifier, 0x10},
                               {37, Qt::Key_Control, "", Qt::ControlModifier, 0x11},
                               {105, Qt::Key_Control, "", Qt::ControlModifier, 0x11},
                               {64, Qt::Key_Alt, "", Qt::AltModifier, 0x12},
                               {108, Qt::Key_Alt, "", Qt::AltModifier, 0x12},
                               // Ctrl+F types a control character; key() still names the letter.
                               {41, Qt::Key_F, "\x06", Qt::ControlModifier, 0x46}};
  for (const auto& c : cases) {
    SCOPED_TRACE(QString("keycode %1 key %2").arg(c.Keycode).arg(Hex(c.Key)).toStdString());
    EXPECT_EQ(VirtualKeyOf(Press(c.Key, c.Text, c.Mods, c.Keycode), ksXKeycode), c.Vk);
    EXPECT_EQ(VirtualKeyOf(Press(c.Key, c.Text, c.Mods), ksKeyText), c.Vk);
    // The keycode alone is enough.
    EXPECT_EQ(VirtualKeyOf(Press(0, "", c.Mods, c.Keycode), ksXKeycode), c.Vk);
  }
}

// What the keycode path does with keycodes it cannot trust: none, beyond a byte, or off the
// table (xdotool types a character missing from the layout on a scratch keycode such as 8).
struct TEdgeCase {
  quint32 Keycode;
  int Key;
  const char* Text;
  uint8_t Vk;
};

TEST(KeyMapXKeycode, UnknownKeycodesFallBackToKey) {
  const TEdgeCase cases[] = {{0, Qt::Key_F, "f", 0x46},           {8, Qt::Key_F, "f", 0x46},
                             {0xFFFFFFFFu, Qt::Key_Q, "q", 0x51}, {256, Qt::Key_Home, "", 0x24},
                             {133, Qt::Key_Super_L, "", 0},       {300, 0, "", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(VirtualKeyOf(Press(c.Key, c.Text, {}, c.Keycode), ksXKeycode), c.Vk) << c.Keycode;
}

TEST(KeyMapKeyText, KeysWithoutCodeGiveZero) {
  const std::pair<int, const char*> cases[] = {{Qt::Key_Super_L, ""},
                                               {Qt::Key_CapsLock, ""},
                                               {Qt::Key_F13, ""},
                                               {Qt::Key_Clear, ""},
                                               {Qt::Key_unknown, ""},
                                               {0, ""},
                                               {-1, ""},
                                               {0, "\x06"},
                                               {0x0391, "\u03b1"},
                                               {0x00A1, "\u00a1"},
                                               {Qt::Key_AltGr, ""},
                                               {0x10FFFF, ""}};
  for (const auto& [key, text] : cases)
    EXPECT_EQ(VirtualKeyOf(Press(key, text), ksKeyText), 0) << Hex(key).toStdString();
}

// Only xcb's keycodes and Windows' virtual keys are read; everywhere else key() decides.
TEST(KeyMap, PlatformPicksTheSource) {
  EXPECT_EQ(KeySourceOf("xcb"), ksXKeycode);
  EXPECT_EQ(KeySourceOf("windows"), ksWindowsKey);
  for (const char* name : {"offscreen", "wayland", "minimal", ""})
    EXPECT_EQ(KeySourceOf(name), ksKeyText) << name;
  // The tests run offscreen: the keycode of the F key does not turn a "q" into F.
  EXPECT_EQ(VirtualKeyOf(Press(Qt::Key_Q, "q", {}, 41)), 0x51);
  EXPECT_EQ(VirtualKeyOf(Press(Qt::Key_Q, "q", {}, 41), ksXKeycode), 0x46);
}

TEST(KeyMapWindowsKey, NativeVirtualKeyIsTakenAsIs) {
  EXPECT_EQ(VirtualKeyOf(Press(Qt::Key_7, "7", Qt::KeypadModifier, 0x47, 0x67), ksWindowsKey),
            0x67);
  // The virtual key wins over what the layout typed.
  EXPECT_EQ(VirtualKeyOf(Press(0x0391, "α", {}, 0x1E, 0x41), ksWindowsKey), 0x41);
  // A missing or out-of-range virtual key falls back to key().
  EXPECT_EQ(VirtualKeyOf(Press(0x0410, "а", {}, 0x21, 0), ksWindowsKey), 0x46);
  EXPECT_EQ(VirtualKeyOf(Press(Qt::Key_Home, "", {}, 0, 0x1FF), ksWindowsKey), 0x24);
}

}  // namespace
