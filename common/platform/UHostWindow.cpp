#include "platform/UHostWindow.h"

#include "platform/UKeyCodes.h"

#include <SDL.h>

#include <cstdlib>
#include <string_view>

namespace {

THostWindow* GHostWindow = nullptr; // the one window that exists

bool EnvironmentSet(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value && *Value;
}

bool DisplayEnvironmentSet() {
  return EnvironmentSet("DISPLAY") || EnvironmentSet("WAYLAND_DISPLAY");
}

bool IsHeadlessDriver(const char* Driver) {
  if (!Driver)
    return true;
  std::string_view Name = Driver;
  return Name == "offscreen" || Name == "dummy";
}

std::string SDLFailure(const char* What) {
  return std::string(What) + ": " + SDL_GetError();
}

// One code point of UTF-8 text starting at Pos, which moves past it. A malformed sequence gives
// U+FFFD and skips one byte.
char32_t NextCodePoint(std::string_view Text, std::size_t& Pos) {
  const auto Byte = [&](std::size_t K) { return static_cast<unsigned char>(Text[K]); };
  const unsigned char Lead = Byte(Pos);
  int Length;
  char32_t Ch;
  if (Lead < 0x80) {
    ++Pos;
    return Lead;
  } else if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2;
    Ch = Lead & 0x1F;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3;
    Ch = Lead & 0x0F;
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4;
    Ch = Lead & 0x07;
  } else {
    ++Pos;
    return U'\uFFFD';
  }
  if (Pos + Length > Text.size()) {
    ++Pos;
    return U'\uFFFD';
  }
  for (int K = 1; K < Length; ++K) {
    const unsigned char Next = Byte(Pos + K);
    if ((Next & 0xC0) != 0x80) {
      ++Pos;
      return U'\uFFFD';
    }
    Ch = (Ch << 6) | (Next & 0x3F);
  }
  static constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (Ch < Smallest[Length] || Ch > 0x10FFFF || (Ch >= 0xD800 && Ch <= 0xDFFF)) {
    ++Pos;
    return U'\uFFFD';
  }
  Pos += Length;
  return Ch;
}

// The character a key types besides its text, as Windows posts it with the key-down.
char32_t ControlCharOfKey(std::uint16_t Key) {
  switch (Key) {
  case VK_RETURN:
  case VK_BACK:
  case VK_ESCAPE:
  case VK_TAB:
    return Key;
  default:
    return 0;
  }
}

} // namespace

THostWindow::THostWindow(const Options& Opts)
    : FTitle(Opts.Title)
    , FDesktopFullScreen(Opts.DesktopFullScreen) {
  if (GHostWindow)
    throw EHostError("A host window exists already");

  // Closing the window is a request the program may turn down, never a quit of its own.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // A full-screen game is minimised by the program when it loses the focus, not by SDL.
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");

  FHeadless = Opts.Headless || !DisplayEnvironmentSet();
  if (!FHeadless) {
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      FHeadless = true; // a display that does not answer: go on without one
    } else if (IsHeadlessDriver(SDL_GetCurrentVideoDriver())) {
      FHeadless = true; // SDL_VIDEODRIVER chose it
      if (std::string_view(SDL_GetCurrentVideoDriver()) != "offscreen") {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
          throw EHostError(SDLFailure("Cannot start the offscreen video driver"));
      }
    }
  }
  if (FHeadless && !SDL_WasInit(SDL_INIT_VIDEO)) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
      throw EHostError(SDLFailure("Cannot start the offscreen video driver"));
  }

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, Opts.MultiSamples > 0 ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, Opts.MultiSamples > 0 ? Opts.MultiSamples : 0);

  Uint32 Flags = SDL_WINDOW_OPENGL | (Opts.Visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN);
  if (Opts.FullScreen)
    Flags |= FDesktopFullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN;
  FWindow = SDL_CreateWindow(FTitle.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             Opts.Width, Opts.Height, Flags);
  if (!FWindow) {
    std::string Message = SDLFailure("Cannot create the main window");
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (FHeadless)
      SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    throw EHostError(Message);
  }
  FWindowID = SDL_GetWindowID(FWindow);
  FMinimized = (SDL_GetWindowFlags(FWindow) & SDL_WINDOW_MINIMIZED) != 0;
  SDL_StartTextInput();
  GHostWindow = this;
  if (Opts.Visible)
    Show();
}

THostWindow::~THostWindow() {
  GHostWindow = nullptr;
  SDL_StopTextInput();
  SDL_DestroyWindow(FWindow);
  // Nothing of this window may reach the next one.
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (FHeadless)
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
}

bool THostWindow::DisplayAvailable() {
  if (!DisplayEnvironmentSet())
    return false;
  if (SDL_WasInit(SDL_INIT_VIDEO))
    return !IsHeadlessDriver(SDL_GetCurrentVideoDriver());
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    return false;
  const bool Available = !IsHeadlessDriver(SDL_GetCurrentVideoDriver());
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return Available;
}

bool THostWindow::PumpOne() {
  SDL_Event Event;
  if (!SDL_PollEvent(&Event))
    return false;
  if (FListener)
    Dispatch(Event);
  return true;
}

bool THostWindow::WaitEvent(int TimeoutMs) {
  return SDL_WaitEventTimeout(nullptr, TimeoutMs < 0 ? 0 : TimeoutMs) == 1;
}

bool THostWindow::IsOurWindow(std::uint32_t WindowID) const noexcept {
  return WindowID == 0 || WindowID == FWindowID; // events pushed by hand carry no window
}

void THostWindow::Dispatch(const SDL_Event& Event) {
  switch (Event.type) {
  case SDL_KEYDOWN:
    if (IsOurWindow(Event.key.windowID))
      DispatchKeyDown(Event);
    break;
  case SDL_KEYUP:
    if (IsOurWindow(Event.key.windowID)) {
      const SDL_Keysym& Sym = Event.key.keysym;
      FSystemAlt = (Sym.mod & KMOD_LALT) && !(Sym.mod & KMOD_CTRL);
      if (std::uint16_t Key = VirtualKeyFromSDL(Sym.scancode, Sym.sym))
        FListener->HostKeyUp(Key);
    }
    break;
  case SDL_TEXTINPUT:
    // With Alt held the keys are system keys: Windows posts no characters for them.
    if (IsOurWindow(Event.text.windowID) && !FSystemAlt)
      DispatchText(Event.text.text);
    break;
  case SDL_MOUSEMOTION:
    if (IsOurWindow(Event.motion.windowID))
      MoveTo(Event.motion.x, Event.motion.y);
    break;
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP: {
    const SDL_MouseButtonEvent& B = Event.button;
    const int Button = MouseButtonFromSDL(B.button);
    if (!IsOurWindow(B.windowID) || Button < 0)
      break;
    // A click always happens where the listener believes the mouse is.
    MoveTo(B.x, B.y);
    if (Event.type == SDL_MOUSEBUTTONUP) {
      FListener->HostMouseUp(Button);
      break;
    }
    FListener->HostMouseDown(Button);
    // Windows counts clicks in pairs: the second is a double click, the third starts anew.
    if (Button == mbLeft && B.clicks >= 2 && B.clicks % 2 == 0)
      FListener->HostDblClick();
    break;
  }
  case SDL_MOUSEWHEEL: {
    if (!IsOurWindow(Event.wheel.windowID))
      break;
    int Notches = Event.wheel.y;
    if (Event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
      Notches = -Notches;
    for (; Notches > 0; --Notches)
      FListener->HostWheelUp();
    for (; Notches < 0; ++Notches)
      FListener->HostWheelDown();
    break;
  }
  case SDL_WINDOWEVENT:
    if (IsOurWindow(Event.window.windowID))
      DispatchWindowEvent(Event);
    break;
  case SDL_QUIT: // SIGINT or SIGTERM
    FListener->HostCloseRequest();
    break;
  default:
    break;
  }
}

void THostWindow::DispatchKeyDown(const SDL_Event& Event) {
  const SDL_Keysym& Sym = Event.key.keysym;
  const std::uint16_t Key = VirtualKeyFromSDL(Sym.scancode, Sym.sym);
  // Left Alt without Ctrl makes every key a system key, as on Windows (Ctrl+Alt is AltGr there,
  // and right Alt is AltGr on most layouts here, so it types characters). Of the system keys the
  // game sees Alt itself, Enter and F4; Alt+F4 also asks to close; the others are dropped.
  FSystemAlt = (Sym.mod & KMOD_LALT) && !(Sym.mod & KMOD_CTRL);
  if (FSystemAlt) {
    if (Key == VK_MENU || Key == VK_RETURN || Key == VK_F4)
      FListener->HostKeyDown(Key);
    if (Key == VK_F4 && !Event.key.repeat)
      FListener->HostCloseRequest();
    return;
  }
  if (Key == 0)
    return;
  FListener->HostKeyDown(Key);
  if (char32_t Ch = ControlCharOfKey(Key))
    FListener->HostKeyPress(Ch);
}

void THostWindow::DispatchText(const char* Text) {
  const std::string_view View = Text;
  std::size_t Pos = 0;
  while (Pos < View.size()) {
    const char32_t Ch = NextCodePoint(View, Pos);
    // Control characters come from the key-downs (Enter, Tab...), never twice.
    if (Ch >= 0x20 && Ch != 0x7F)
      FListener->HostKeyPress(Ch);
  }
}

void THostWindow::DispatchWindowEvent(const SDL_Event& Event) {
  switch (Event.window.event) {
  case SDL_WINDOWEVENT_FOCUS_GAINED:
    FSystemAlt = false;
    if (!FFocused) {
      FFocused = true;
      FListener->HostActivate();
    }
    break;
  case SDL_WINDOWEVENT_FOCUS_LOST:
    FSystemAlt = false;
    if (FFocused) {
      FFocused = false;
      FListener->HostDeactivate();
    }
    break;
  case SDL_WINDOWEVENT_MINIMIZED:
    if (!FMinimized) {
      FMinimized = true;
      FListener->HostMinimized();
    }
    break;
  case SDL_WINDOWEVENT_RESTORED:
  case SDL_WINDOWEVENT_MAXIMIZED:
    if (FMinimized) {
      FMinimized = false;
      FListener->HostRestored();
    }
    break;
  case SDL_WINDOWEVENT_CLOSE:
    FListener->HostCloseRequest();
    break;
  default:
    break;
  }
}

void THostWindow::MoveTo(int X, int Y) {
  const THostPoint Pos{X, Y};
  if (FMouseKnown && Pos == FMousePos)
    return;
  FMouseKnown = true;
  FMousePos = Pos;
  FListener->HostMouseMove(X, Y);
}

void THostWindow::PushWindowEvent(std::uint8_t WindowEvent) {
  SDL_Event Event{};
  Event.type = SDL_WINDOWEVENT;
  Event.window.windowID = FWindowID;
  Event.window.event = WindowEvent;
  SDL_PushEvent(&Event); // fails only when the queue is full; then there is more to do anyway
}

bool THostWindow::IsFullScreen() const {
  return (SDL_GetWindowFlags(FWindow) & SDL_WINDOW_FULLSCREEN) != 0;
}

void THostWindow::SetTitle(const std::string& Title) {
  FTitle = Title;
  SDL_SetWindowTitle(FWindow, FTitle.c_str());
}

void THostWindow::SetFullScreen(bool FullScreen) {
  const Uint32 Mode =
      !FullScreen ? 0
                  : (FDesktopFullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : SDL_WINDOW_FULLSCREEN);
  if (SDL_SetWindowFullscreen(FWindow, Mode) != 0)
    throw EHostError(
        SDLFailure(FullScreen ? "Cannot switch to full screen" : "Cannot leave full screen"));
}

THostSize THostWindow::ClientSize() const {
  THostSize Size;
  SDL_GetWindowSize(FWindow, &Size.Width, &Size.Height);
  return Size;
}

void THostWindow::SetClientSize(int Width, int Height) {
  SDL_SetWindowSize(FWindow, Width, Height);
  SDL_SetWindowPosition(FWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

THostSize THostWindow::DesktopSize() const {
  SDL_DisplayMode Mode;
  int Display = SDL_GetWindowDisplayIndex(FWindow);
  if (Display < 0 || SDL_GetDesktopDisplayMode(Display, &Mode) != 0)
    throw EHostError(SDLFailure("Cannot read the desktop size"));
  return {Mode.w, Mode.h};
}

void THostWindow::SetMousePos(int X, int Y) {
  SDL_WarpMouseInWindow(FWindow, X, Y);
  // The motion this causes is not news to the caller.
  FMouseKnown = true;
  FMousePos = {X, Y};
}

THostPoint THostWindow::SystemCursorPos() const {
  if (FHeadless)
    return FMouseKnown ? FMousePos : THostPoint{-1, -1};
  THostPoint Pos;
  if (SDL_GetMouseFocus() == FWindow) {
    SDL_GetMouseState(&Pos.X, &Pos.Y);
    return Pos;
  }
  // Outside the window only X11 knows where the cursor is.
  if (std::string_view(SDL_GetCurrentVideoDriver()) != "x11")
    return {-1, -1};
  int WindowX = 0, WindowY = 0;
  SDL_GetGlobalMouseState(&Pos.X, &Pos.Y);
  SDL_GetWindowPosition(FWindow, &WindowX, &WindowY);
  return {Pos.X - WindowX, Pos.Y - WindowY};
}

void THostWindow::ShowSystemCursor(bool Show) {
  SDL_ShowCursor(Show ? SDL_ENABLE : SDL_DISABLE);
}

void THostWindow::Show() {
  SDL_ShowWindow(FWindow);
  // The offscreen driver has no focus to give: a shown window is the active one.
  if (FHeadless && !FFocused)
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
}

void THostWindow::Raise() {
  SDL_ShowWindow(FWindow);
  if (FHeadless) {
    if (FMinimized)
      PushWindowEvent(SDL_WINDOWEVENT_RESTORED);
    if (!FFocused)
      PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    return;
  }
  if (SDL_GetWindowFlags(FWindow) & SDL_WINDOW_MINIMIZED)
    SDL_RestoreWindow(FWindow);
  SDL_RaiseWindow(FWindow);
}

void THostWindow::Minimize() {
  if (FHeadless) {
    // What a desktop reports when a window is minimised.
    if (FFocused)
      PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    if (!FMinimized)
      PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    return;
  }
  SDL_MinimizeWindow(FWindow);
}
