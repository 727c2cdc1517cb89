// The host window: the program's one top-level window and its message loop, on SDL2, in place
// of the Windows main window. It turns SDL's events into the engine's input calls
// (virtual-key codes, characters, mouse buttons 0..2, double clicks, wheel notches), activation,
// minimise and close requests, and hands them to one listener. The graphics device creates its
// OpenGL context on Handle() later.
//
// Headless runs use SDL's "offscreen" video driver, which needs no display but still gives a real
// OpenGL context. A window is headless when asked to be, or when there is no display at all.
//
// Only one host window exists at a time, and it is used only on the thread that created it.
#pragma once

#include "platform/UHostServices.h" // EHostError

#include <cstdint>
#include <string>

struct SDL_Window;
union SDL_Event;

struct THostPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const THostPoint&, const THostPoint&) = default;
};

struct THostSize {
  int Width = 0;
  int Height = 0;
  friend bool operator==(const THostSize&, const THostSize&) = default;
};

// What the host window reports, in the order it happens. Keys are virtual-key codes
// (UKeyCodes.h); buttons are mbLeft, mbRight, mbMiddle; positions are client pixels.
class IHostListener {
public:
  // Held keys repeat their key-downs; a key-down is followed by its key-presses. While left Alt
  // is held without Ctrl, keys are Windows "system keys": only Alt, Enter and F4 go down, nothing
  // is typed, and Alt+F4 also asks to close.
  virtual void HostKeyDown(std::uint16_t Key) = 0;
  virtual void HostKeyUp(std::uint16_t Key) = 0;
  // One call per typed character (a Unicode code point), and 13, 8, 27, 9 for Enter, Backspace,
  // Esc and Tab.
  virtual void HostKeyPress(char32_t Ch) = 0;
  virtual void HostMouseMove(int X, int Y) = 0;
  virtual void HostMouseDown(int Button) = 0;
  virtual void HostMouseUp(int Button) = 0;
  // The second left click within the double-click time, right after its HostMouseDown.
  virtual void HostDblClick() = 0;
  virtual void HostWheelUp() = 0; // once per notch
  virtual void HostWheelDown() = 0;
  virtual void HostActivate() = 0; // the window got the keyboard focus
  virtual void HostDeactivate() = 0;
  virtual void HostMinimized() = 0;
  virtual void HostRestored() = 0; // shown again after being minimised
  // The user (or the system, on SIGINT or SIGTERM) asks to close the window. Nothing closes by
  // itself; the listener decides.
  virtual void HostCloseRequest() = 0;

protected:
  ~IHostListener() = default;
};

class THostWindow {
public:
  struct Options {
    std::string Title;
    int Width = 800; // client size
    int Height = 600;
    bool FullScreen = false;
    // Full screen keeps the desktop's display mode (the graphics device scales) instead of
    // switching the display to the window's size, as Direct3D's exclusive mode did.
    bool DesktopFullScreen = false;
    bool Visible = true; // otherwise the window stays hidden until Show or Raise
    bool Headless = false;
    int MultiSamples = 0; // samples per pixel of the OpenGL drawable; 0 for none
  };

  // Starts SDL video (not audio) and creates the window, centred on the screen, not resizable,
  // with an OpenGL 2.1 compatibility-profile, double-buffered drawable. Throws EHostError.
  explicit THostWindow(const Options& Opts);
  ~THostWindow();
  THostWindow(const THostWindow&) = delete;
  THostWindow& operator=(const THostWindow&) = delete;

  // True when $DISPLAY or $WAYLAND_DISPLAY is set and a video driver other than offscreen or
  // dummy starts. Call it before creating a window, or while one exists.
  static bool DisplayAvailable();

  // The listener receives every later event; nullptr drops them. Not owned.
  void SetListener(IHostListener* Listener) noexcept { FListener = Listener; }
  IHostListener* Listener() const noexcept { return FListener; }

  // Takes one event from the queue and hands it to the listener; false when the queue was empty.
  // Exceptions from the listener pass through; the rest of that event's calls are then dropped.
  bool PumpOne();
  // Blocks until an event arrives or TimeoutMs pass, without taking it; true when one is waiting.
  bool WaitEvent(int TimeoutMs);

  SDL_Window* Handle() const noexcept { return FWindow; }
  bool IsHeadless() const noexcept { return FHeadless; }
  // Minimised as far as the listener has been told.
  bool IsMinimized() const noexcept { return FMinimized; }
  bool IsFullScreen() const;

  const std::string& Title() const noexcept { return FTitle; }
  void SetTitle(const std::string& Title);
  void SetFullScreen(bool FullScreen);
  THostSize ClientSize() const;
  // Resizes the client area and centres the window on its display.
  void SetClientSize(int Width, int Height);
  // The size of the desktop of the window's display.
  THostSize DesktopSize() const;

  // Moves the system cursor to a point of the client area.
  void SetMousePos(int X, int Y);
  // The system cursor's position in client coordinates (outside the client area it lies outside
  // 0..ClientSize). Headless, the last position reported to the listener or set.
  THostPoint SystemCursorPos() const;
  void ShowSystemCursor(bool Show);

  void Show();
  // Shows the window, restores it when minimised and brings it to the front.
  void Raise();
  void Minimize();

private:
  void Dispatch(const SDL_Event& Event);
  void DispatchKeyDown(const SDL_Event& Event);
  void DispatchWindowEvent(const SDL_Event& Event);
  void DispatchText(const char* Text);
  void MoveTo(int X, int Y);
  bool IsOurWindow(std::uint32_t WindowID) const noexcept;
  void PushWindowEvent(std::uint8_t WindowEvent);

  SDL_Window* FWindow = nullptr;
  std::uint32_t FWindowID = 0;
  IHostListener* FListener = nullptr;
  std::string FTitle;
  bool FHeadless = false;
  bool FDesktopFullScreen = false;
  bool FMinimized = false;
  bool FFocused = false;   // as far as the listener has been told
  bool FSystemAlt = false; // Alt held without Ctrl: keys are Windows "system keys"
  bool FMouseKnown = false;
  THostPoint FMousePos; // the last position reported to the listener
};
