#include "platform/UKeyCodes.h"

#include <SDL.h>

#include <array>

namespace {

using TKeyTable = std::array<std::uint16_t, SDL_NUM_SCANCODES>;

constexpr TKeyTable BuildKeyTable() {
  TKeyTable T{};
  for (int K = 0; K < 26; ++K)
    T[SDL_SCANCODE_A + K] = static_cast<std::uint16_t>('A' + K);
  for (int K = 0; K < 9; ++K) // SDL puts 1..9 first and 0 last
    T[SDL_SCANCODE_1 + K] = static_cast<std::uint16_t>('1' + K);
  T[SDL_SCANCODE_0] = '0';
  for (int K = 0; K < 12; ++K)
    T[SDL_SCANCODE_F1 + K] = static_cast<std::uint16_t>(VK_F1 + K);
  for (int K = 0; K < 12; ++K) // F13..F24
    T[SDL_SCANCODE_F13 + K] = static_cast<std::uint16_t>(VK_F1 + 12 + K);
  for (int K = 0; K < 9; ++K)
    T[SDL_SCANCODE_KP_1 + K] = static_cast<std::uint16_t>(VK_NUMPAD0 + 1 + K);
  T[SDL_SCANCODE_KP_0] = VK_NUMPAD0;
  T[SDL_SCANCODE_KP_MULTIPLY] = VK_MULTIPLY;
  T[SDL_SCANCODE_KP_PLUS] = VK_ADD;
  T[SDL_SCANCODE_KP_MINUS] = VK_SUBTRACT;
  T[SDL_SCANCODE_KP_PERIOD] = VK_DECIMAL;
  T[SDL_SCANCODE_KP_DIVIDE] = VK_DIVIDE;
  T[SDL_SCANCODE_KP_ENTER] = VK_RETURN; // Windows reports it as Enter with the extended flag

  T[SDL_SCANCODE_RETURN] = VK_RETURN;
  T[SDL_SCANCODE_RETURN2] = VK_RETURN;
  T[SDL_SCANCODE_ESCAPE] = VK_ESCAPE;
  T[SDL_SCANCODE_BACKSPACE] = VK_BACK;
  T[SDL_SCANCODE_TAB] = VK_TAB;
  T[SDL_SCANCODE_SPACE] = VK_SPACE;

  T[SDL_SCANCODE_LEFT] = VK_LEFT;
  T[SDL_SCANCODE_UP] = VK_UP;
  T[SDL_SCANCODE_RIGHT] = VK_RIGHT;
  T[SDL_SCANCODE_DOWN] = VK_DOWN;
  T[SDL_SCANCODE_HOME] = VK_HOME;
  T[SDL_SCANCODE_END] = VK_END;
  T[SDL_SCANCODE_PAGEUP] = VK_PRIOR;
  T[SDL_SCANCODE_PAGEDOWN] = VK_NEXT;
  T[SDL_SCANCODE_INSERT] = VK_INSERT;
  T[SDL_SCANCODE_DELETE] = VK_DELETE;

  T[SDL_SCANCODE_LSHIFT] = VK_SHIFT;
  T[SDL_SCANCODE_RSHIFT] = VK_SHIFT;
  T[SDL_SCANCODE_LCTRL] = VK_CONTROL;
  T[SDL_SCANCODE_RCTRL] = VK_CONTROL;
  T[SDL_SCANCODE_LALT] = VK_MENU;
  T[SDL_SCANCODE_RALT] = VK_MENU;
  T[SDL_SCANCODE_LGUI] = VK_LWIN;
  T[SDL_SCANCODE_RGUI] = VK_RWIN;
  T[SDL_SCANCODE_APPLICATION] = VK_APPS;
  T[SDL_SCANCODE_MENU] = VK_APPS;

  T[SDL_SCANCODE_CAPSLOCK] = VK_CAPITAL;
  T[SDL_SCANCODE_NUMLOCKCLEAR] = VK_NUMLOCK;
  T[SDL_SCANCODE_SCROLLLOCK] = VK_SCROLL;
  T[SDL_SCANCODE_PAUSE] = VK_PAUSE;
  T[SDL_SCANCODE_PRINTSCREEN] = VK_SNAPSHOT;

  T[SDL_SCANCODE_SEMICOLON] = VK_OEM_1;
  T[SDL_SCANCODE_EQUALS] = VK_OEM_PLUS;
  T[SDL_SCANCODE_COMMA] = VK_OEM_COMMA;
  T[SDL_SCANCODE_MINUS] = VK_OEM_MINUS;
  T[SDL_SCANCODE_PERIOD] = VK_OEM_PERIOD;
  T[SDL_SCANCODE_SLASH] = VK_OEM_2;
  T[SDL_SCANCODE_GRAVE] = VK_OEM_3;
  T[SDL_SCANCODE_LEFTBRACKET] = VK_OEM_4;
  T[SDL_SCANCODE_BACKSLASH] = VK_OEM_5;
  T[SDL_SCANCODE_NONUSHASH] = VK_OEM_5;
  T[SDL_SCANCODE_RIGHTBRACKET] = VK_OEM_6;
  T[SDL_SCANCODE_APOSTROPHE] = VK_OEM_7;
  T[SDL_SCANCODE_NONUSBACKSLASH] = VK_OEM_102;
  return T;
}

constexpr TKeyTable KeyTable = BuildKeyTable();

// The punctuation keys Windows names by the character the layout puts on them.
std::uint16_t OemKeyFromChar(int Ch) {
  switch (Ch) {
  case ';':
    return VK_OEM_1;
  case '=':
    return VK_OEM_PLUS;
  case ',':
    return VK_OEM_COMMA;
  case '-':
    return VK_OEM_MINUS;
  case '.':
    return VK_OEM_PERIOD;
  case '/':
    return VK_OEM_2;
  case '`':
    return VK_OEM_3;
  case '[':
    return VK_OEM_4;
  case '\\':
    return VK_OEM_5;
  case ']':
    return VK_OEM_6;
  case '\'':
    return VK_OEM_7;
  default:
    return 0;
  }
}

bool IsDigitRow(int Scancode) {
  return Scancode >= SDL_SCANCODE_1 && Scancode <= SDL_SCANCODE_0;
}

bool IsKeypad(int Scancode) {
  return Scancode >= SDL_SCANCODE_KP_DIVIDE && Scancode <= SDL_SCANCODE_KP_PERIOD;
}

} // namespace

std::uint16_t VirtualKeyFromScancode(int Scancode) {
  if (Scancode < 0 || Scancode >= SDL_NUM_SCANCODES)
    return 0;
  return KeyTable[static_cast<std::size_t>(Scancode)];
}

std::uint16_t VirtualKeyFromSDL(int Scancode, int Keycode) {
  if (!IsDigitRow(Scancode) && !IsKeypad(Scancode)) {
    if (Keycode >= 'a' && Keycode <= 'z')
      return static_cast<std::uint16_t>(Keycode - 'a' + 'A');
    if (std::uint16_t Oem = OemKeyFromChar(Keycode))
      return Oem;
  }
  return VirtualKeyFromScancode(Scancode);
}

int MouseButtonFromSDL(int Button) {
  switch (Button) {
  case SDL_BUTTON_LEFT:
    return mbLeft;
  case SDL_BUTTON_RIGHT:
    return mbRight;
  case SDL_BUTTON_MIDDLE:
    return mbMiddle;
  default:
    return -1;
  }
}
