// Key presses as Windows virtual-key codes of the physical key, whatever the keyboard layout.
#pragma once

#include <cstdint>

class QKeyEvent;
class QString;

// Windows virtual-key codes of the keys that type no character of their own; the letters and
// digits of the main rows are their ASCII capitals.
enum TVirtualKey : uint8_t {
  vkBack = 0x08,
  vkTab = 0x09,
  vkReturn = 0x0D,
  vkShift = 0x10,
  vkControl = 0x11,
  vkMenu = 0x12,
  vkEscape = 0x1B,
  vkSpace = 0x20,
  vkPrior = 0x21,
  vkNext = 0x22,
  vkEnd = 0x23,
  vkHome = 0x24,
  vkLeft = 0x25,
  vkUp = 0x26,
  vkRight = 0x27,
  vkDown = 0x28,
  vkInsert = 0x2D,
  vkDelete = 0x2E,
  vkNumpad0 = 0x60,
  vkMultiply = 0x6A,
  vkAdd = 0x6B,
  vkSubtract = 0x6D,
  vkDecimal = 0x6E,
  vkDivide = 0x6F,
  vkF1 = 0x70,
  vkF3 = 0x72,
  vkF4 = 0x73,
  vkF5 = 0x74,
  vkF6 = 0x75,
  vkF7 = 0x76,
  vkF8 = 0x77,
  vkF9 = 0x78,
  vkF11 = 0x7A,
  vkF12 = 0x7B
};

// Where the code of a key press is read from.
enum TKeySource : uint8_t {
  ksKeyText = 0,    // Qt's key() and text(): the layout decides, the Russian letters are undone
  ksXKeycode = 1,   // nativeScanCode() as the X keycode of a PC keyboard (evdev numbering)
  ksWindowsKey = 2  // nativeVirtualKey(), which already is the virtual-key code
};

// The source a platform plugin gives: only xcb and windows fill the native codes reliably.
TKeySource KeySourceOf(const QString& PlatformName);

// The virtual-key code of the key pressed, read from Source; a native code that is missing or
// unknown falls back to key() and text(). 0 for a key that has no code the window uses.
uint8_t VirtualKeyOf(const QKeyEvent& Event, TKeySource Source);

// The same, read from what the running platform gives.
uint8_t VirtualKeyOf(const QKeyEvent& Event);
