// Key and mouse-button codes of the engine. The engine keeps the Windows virtual-key codes
// throughout (they are compared in code and stored in recordings); this unit is the one place
// that turns SDL's keys into them. Nothing outside the platform layer sees an SDL key.
#pragma once

#include <cstdint>

// Virtual-key codes. Letters and digits are their upper-case ASCII codes ('A' = 0x41, '0' = 0x30).
constexpr std::uint16_t VK_BACK = 0x08;
constexpr std::uint16_t VK_TAB = 0x09;
constexpr std::uint16_t VK_RETURN = 0x0D;
constexpr std::uint16_t VK_SHIFT = 0x10; // left and right alike
constexpr std::uint16_t VK_CONTROL = 0x11;
constexpr std::uint16_t VK_MENU = 0x12; // Alt
constexpr std::uint16_t VK_PAUSE = 0x13;
constexpr std::uint16_t VK_CAPITAL = 0x14;
constexpr std::uint16_t VK_ESCAPE = 0x1B;
constexpr std::uint16_t VK_SPACE = 0x20;
constexpr std::uint16_t VK_PRIOR = 0x21; // Page Up
constexpr std::uint16_t VK_NEXT = 0x22;  // Page Down
constexpr std::uint16_t VK_END = 0x23;
constexpr std::uint16_t VK_HOME = 0x24;
constexpr std::uint16_t VK_LEFT = 0x25;
constexpr std::uint16_t VK_UP = 0x26;
constexpr std::uint16_t VK_RIGHT = 0x27;
constexpr std::uint16_t VK_DOWN = 0x28;
constexpr std::uint16_t VK_SNAPSHOT = 0x2C;
constexpr std::uint16_t VK_INSERT = 0x2D;
constexpr std::uint16_t VK_DELETE = 0x2E;
constexpr std::uint16_t VK_LWIN = 0x5B;
constexpr std::uint16_t VK_RWIN = 0x5C;
constexpr std::uint16_t VK_APPS = 0x5D;
constexpr std::uint16_t VK_NUMPAD0 = 0x60; // through VK_NUMPAD9 = 0x69
constexpr std::uint16_t VK_MULTIPLY = 0x6A;
constexpr std::uint16_t VK_ADD = 0x6B;
constexpr std::uint16_t VK_SUBTRACT = 0x6D;
constexpr std::uint16_t VK_DECIMAL = 0x6E;
constexpr std::uint16_t VK_DIVIDE = 0x6F;
constexpr std::uint16_t VK_F1 = 0x70; // through VK_F24 = 0x87
constexpr std::uint16_t VK_F4 = 0x73;
constexpr std::uint16_t VK_F5 = 0x74;
constexpr std::uint16_t VK_F6 = 0x75;
constexpr std::uint16_t VK_F7 = 0x76;
constexpr std::uint16_t VK_F8 = 0x77;
constexpr std::uint16_t VK_F9 = 0x78;
constexpr std::uint16_t VK_F10 = 0x79;
constexpr std::uint16_t VK_F12 = 0x7B;
constexpr std::uint16_t VK_NUMLOCK = 0x90;
constexpr std::uint16_t VK_SCROLL = 0x91;
constexpr std::uint16_t VK_OEM_1 = 0xBA; // ;
constexpr std::uint16_t VK_OEM_PLUS = 0xBB;
constexpr std::uint16_t VK_OEM_COMMA = 0xBC;
constexpr std::uint16_t VK_OEM_MINUS = 0xBD;
constexpr std::uint16_t VK_OEM_PERIOD = 0xBE;
constexpr std::uint16_t VK_OEM_2 = 0xBF; // /
constexpr std::uint16_t VK_OEM_3 = 0xC0; // `
constexpr std::uint16_t VK_OEM_4 = 0xDB; // [
constexpr std::uint16_t VK_OEM_5 = 0xDC; // backslash
constexpr std::uint16_t VK_OEM_6 = 0xDD; // ]
constexpr std::uint16_t VK_OEM_7 = 0xDE; // '
constexpr std::uint16_t VK_OEM_102 = 0xE2;

// Mouse buttons as the engine numbers them.
constexpr int mbLeft = 0;
constexpr int mbRight = 1;
constexpr int mbMiddle = 2;

// The virtual-key code of a physical key (an SDL_Scancode), by its position on a US keyboard;
// 0 for a key without a code.
std::uint16_t VirtualKeyFromScancode(int Scancode);

// The virtual-key code of a key event (SDL_Scancode and SDL_Keycode), following the keyboard
// layout as Windows does: letters and punctuation are named by what the key types (on an AZERTY
// keyboard the key that types 'a' is 'A'), while the digit row, the keypad and every other key
// are named by position. 0 for a key without a code.
std::uint16_t VirtualKeyFromSDL(int Scancode, int Keycode);

// The engine's button for an SDL mouse button (SDL_BUTTON_LEFT...); -1 for the others.
int MouseButtonFromSDL(int Button);
