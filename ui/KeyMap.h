// Key presses as Windows virtual-key codes of the physical key, whatever the keyboard layout.
#pragma once

#include <cstdint>

class QKeyEvent;
class QString;

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
