#include "TempDir.h"
#include "platform/UHostServices.h"
#include "platform/UHostWindow.h"
#include "platform/UKeyCodes.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using TLog = std::vector<std::string>;

// Sets an environment variable (nullptr: removes it) for the life of the object.
class TScopedEnv {
public:
  TScopedEnv(const char* Name, const char* Value)
      : FName(Name) {
    if (const char* Old = std::getenv(Name))
      FOld = Old;
    Value ? setenv(Name, Value, 1) : unsetenv(Name);
  }
  ~TScopedEnv() { FOld ? setenv(FName.c_str(), FOld->c_str(), 1) : unsetenv(FName.c_str()); }

private:
  std::string FName;
  std::optional<std::string> FOld;
};

// Key table -----------------------------------------------------------------------------------

TEST(KeyCodes, ScancodesGiveWindowsCodes) {
  const std::pair<SDL_Scancode, int> Expected[] = {
      {SDL_SCANCODE_A, 0x41},         {SDL_SCANCODE_V, 0x56},
      {SDL_SCANCODE_Z, 0x5A},         {SDL_SCANCODE_1, 0x31},
      {SDL_SCANCODE_9, 0x39},         {SDL_SCANCODE_0, 0x30},
      {SDL_SCANCODE_F1, 0x70},        {SDL_SCANCODE_F5, 0x74},
      {SDL_SCANCODE_F12, 0x7B},       {SDL_SCANCODE_RETURN, 13},
      {SDL_SCANCODE_ESCAPE, 27},      {SDL_SCANCODE_TAB, 9},
      {SDL_SCANCODE_BACKSPACE, 8},    {SDL_SCANCODE_SPACE, 32},
      {SDL_SCANCODE_LEFT, 37},        {SDL_SCANCODE_UP, 38},
      {SDL_SCANCODE_RIGHT, 39},       {SDL_SCANCODE_DOWN, 40},
      {SDL_SCANCODE_HOME, 36},        {SDL_SCANCODE_END, 35},
      {SDL_SCANCODE_PAGEUP, 33},      {SDL_SCANCODE_PAGEDOWN, 34},
      {SDL_SCANCODE_INSERT, 45},      {SDL_SCANCODE_DELETE, 46},
      {SDL_SCANCODE_KP_0, 0x60},      {SDL_SCANCODE_KP_1, 0x61},
      {SDL_SCANCODE_KP_9, 0x69},      {SDL_SCANCODE_KP_MULTIPLY, 0x6A},
      {SDL_SCANCODE_KP_PLUS, 0x6B},   {SDL_SCANCODE_KP_MINUS, 0x6D},
      {SDL_SCANCODE_KP_PERIOD, 0x6E}, {SDL_SCANCODE_KP_DIVIDE, 0x6F},
      {SDL_SCANCODE_KP_ENTER, 13},    {SDL_SCANCODE_LSHIFT, 16},
      {SDL_SCANCODE_RSHIFT, 16},      {SDL_SCANCODE_LCTRL, 17},
      {SDL_SCANCODE_RCTRL, 17},       {SDL_SCANCODE_LALT, 18},
      {SDL_SCANCODE_RALT, 18},        {SDL_SCANCODE_UNKNOWN, 0},
      {SDL_SCANCODE_MUTE, 0},         {SDL_SCANCODE_KP_EQUALS, 0}};
  for (auto [Scancode, Key] : Expected)
    EXPECT_EQ(VirtualKeyFromScancode(Scancode), Key) << SDL_GetScancodeName(Scancode);
  EXPECT_EQ(VirtualKeyFromScancode(-1), 0);
  EXPECT_EQ(VirtualKeyFromScancode(SDL_NUM_SCANCODES), 0);
}

TEST(KeyCodes, LettersFollowTheLayoutDigitsAndKeypadDoNot) {
  // AZERTY: the key in the place of Q types 'a'; the digit row types '&' unshifted.
  EXPECT_EQ(VirtualKeyFromSDL(SDL_SCANCODE_Q, SDLK_a), 'A');
  EXPECT_EQ(VirtualKeyFromSDL(SDL_SCANCODE_M, SDLK_COMMA), VK_OEM_COMMA);
  EXPECT_EQ(VirtualKeyFromSDL(SDL_SCANCODE_1, SDLK_AMPERSAND), '1');
  EXPECT_EQ(VirtualKeyFromSDL(SDL_SCANCODE_6, SDLK_MINUS), '6');
  EXPECT_EQ(VirtualKeyFromSDL(SDL_SCANCODE_F, 0x0430), 'F');        // Cyrillic: letters by position
  EXPECT_EQ(VirtualKeyFromSDL(SDL_SCANCODE_KP_7, SDLK_HOME), 0x67); // Num Lock off
  EXPECT_EQ(VirtualKeyFromSDL(SDL_SCANCODE_MUTE, SDLK_MUTE), 0);
}

TEST(KeyCodes, MouseButtons) {
  EXPECT_EQ(MouseButtonFromSDL(SDL_BUTTON_LEFT), 0);
  EXPECT_EQ(MouseButtonFromSDL(SDL_BUTTON_RIGHT), 1);
  EXPECT_EQ(MouseButtonFromSDL(SDL_BUTTON_MIDDLE), 2);
  EXPECT_EQ(MouseButtonFromSDL(SDL_BUTTON_X1), -1);
}

// Host window ---------------------------------------------------------------------------------

class TRecorder : public IHostListener {
public:
  TLog Log;
  bool ThrowOnKeyDown = false;

  void HostKeyDown(std::uint16_t Key) override {
    Add("KeyDown " + std::to_string(Key));
    if (ThrowOnKeyDown)
      throw std::runtime_error("handler failed");
  }
  void HostKeyUp(std::uint16_t Key) override { Add("KeyUp " + std::to_string(Key)); }
  void HostKeyPress(char32_t Ch) override {
    Add("KeyPress " + std::to_string(static_cast<std::uint32_t>(Ch)));
  }
  void HostMouseMove(int X, int Y) override {
    Add("MouseMove " + std::to_string(X) + "," + std::to_string(Y));
  }
  void HostMouseDown(int Button) override { Add("MouseDown " + std::to_string(Button)); }
  void HostMouseUp(int Button) override { Add("MouseUp " + std::to_string(Button)); }
  void HostDblClick() override { Add("DblClick"); }
  void HostWheelUp() override { Add("WheelUp"); }
  void HostWheelDown() override { Add("WheelDown"); }
  void HostActivate() override { Add("Activate"); }
  void HostDeactivate() override { Add("Deactivate"); }
  void HostMinimized() override { Add("Minimized"); }
  void HostRestored() override { Add("Restored"); }
  void HostCloseRequest() override { Add("Close"); }

private:
  void Add(std::string Entry) { Log.push_back(std::move(Entry)); }
};

THostWindow::Options HeadlessOptions(bool Visible = true) {
  THostWindow::Options Opts;
  Opts.Title = "Host window test";
  Opts.Width = 320;
  Opts.Height = 240;
  Opts.Headless = true;
  Opts.Visible = Visible;
  return Opts;
}

class HostWindow : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    Window.emplace(HeadlessOptions());
    Window->SetListener(&Recorder);
    ASSERT_EQ(Pump(), TLog{"Activate"}); // what a desktop sends when the window appears
  }

  // Dispatches everything queued and returns what the listener saw.
  TLog Pump() {
    Recorder.Log.clear();
    while (Window->PumpOne()) {
    }
    return Recorder.Log;
  }

  std::uint32_t ID() const { return SDL_GetWindowID(Window->Handle()); }

  // Queues an event of the given type for this window; Fill sets the rest.
  template <class TFill>
  void Push(Uint32 Type, TFill Fill) {
    SDL_Event E{};
    E.type = Type;
    E.window.windowID = ID(); // at the same place in every event that names a window
    Fill(E);
    ASSERT_EQ(SDL_PushEvent(&E), 1) << SDL_GetError();
  }
  void Key(Uint32 Type, SDL_Scancode Scancode, SDL_Keycode Sym, Uint16 Mod, bool Repeat) {
    Push(Type, [&](SDL_Event& E) {
      E.key.repeat = Repeat;
      E.key.keysym = {Scancode, Sym, Mod, 0};
    });
  }
  void KeyDown(SDL_Scancode Scancode, SDL_Keycode Sym, Uint16 Mod = 0, bool Repeat = false) {
    Key(SDL_KEYDOWN, Scancode, Sym, Mod, Repeat);
  }
  void KeyUp(SDL_Scancode Scancode, SDL_Keycode Sym, Uint16 Mod = 0) {
    Key(SDL_KEYUP, Scancode, Sym, Mod, false);
  }
  void Text(const char* Utf8) {
    Push(SDL_TEXTINPUT,
         [&](SDL_Event& E) { std::strncpy(E.text.text, Utf8, sizeof E.text.text - 1); });
  }
  void Motion(int X, int Y) {
    Push(SDL_MOUSEMOTION, [&](SDL_Event& E) {
      E.motion.x = X;
      E.motion.y = Y;
    });
  }
  void Button(Uint32 Type, Uint8 Button, int X, int Y, Uint8 Clicks = 1) {
    Push(Type, [&](SDL_Event& E) {
      E.button.button = Button;
      E.button.clicks = Clicks;
      E.button.x = X;
      E.button.y = Y;
    });
  }
  void Wheel(int Y, Uint32 Direction = SDL_MOUSEWHEEL_NORMAL) {
    Push(SDL_MOUSEWHEEL, [&](SDL_Event& E) {
      E.wheel.y = Y;
      E.wheel.direction = Direction;
    });
  }
  void WindowEvent(Uint8 What, std::uint32_t WindowID = 0) {
    Push(SDL_WINDOWEVENT, [&](SDL_Event& E) {
      E.window.event = What;
      if (WindowID)
        E.window.windowID = WindowID;
    });
  }

  TRecorder Recorder;
  std::optional<THostWindow> Window;
};

TEST_F(HostWindow, KeysRepeatAndControlKeysAlsoType) {
  KeyDown(SDL_SCANCODE_A, SDLK_a);
  KeyDown(SDL_SCANCODE_A, SDLK_a, KMOD_NONE, true); // held: auto-repeat
  KeyUp(SDL_SCANCODE_A, SDLK_a);
  KeyDown(SDL_SCANCODE_RETURN, SDLK_RETURN);
  KeyDown(SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
  KeyDown(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
  KeyDown(SDL_SCANCODE_TAB, SDLK_TAB);
  KeyDown(SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER);
  KeyDown(SDL_SCANCODE_MUTE, SDLK_MUTE); // no code: nothing
  KeyUp(SDL_SCANCODE_MUTE, SDLK_MUTE);
  EXPECT_EQ(Pump(), (TLog{"KeyDown 65", "KeyDown 65", "KeyUp 65", "KeyDown 13", "KeyPress 13",
                          "KeyDown 8", "KeyPress 8", "KeyDown 27", "KeyPress 27", "KeyDown 9",
                          "KeyPress 9", "KeyDown 13", "KeyPress 13"}));
}

TEST_F(HostWindow, TextBecomesOneKeyPressPerCodePoint) {
  KeyDown(SDL_SCANCODE_A, SDLK_a);
  Text("a");
  Text("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"); // é € 😀 in one event, as an input method sends
  Text("x\ty");                                 // control characters come from the keys only
  Text("\xFF!");                                // a malformed byte is replaced, not dropped
  EXPECT_EQ(Pump(),
            (TLog{"KeyDown 65", "KeyPress 97", "KeyPress 233", "KeyPress 8364", "KeyPress 128512",
                  "KeyPress 120", "KeyPress 121", "KeyPress 65533", "KeyPress 33"}));
}

TEST_F(HostWindow, LeftAltMakesSystemKeys) {
  KeyDown(SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT);
  KeyDown(SDL_SCANCODE_X, SDLK_x, KMOD_LALT); // dropped, and types nothing
  Text("x");
  KeyDown(SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT); // no character with Alt
  KeyDown(SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT, true);
  KeyUp(SDL_SCANCODE_RETURN, SDLK_RETURN, KMOD_LALT);
  KeyDown(SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT);
  KeyUp(SDL_SCANCODE_F4, SDLK_F4, KMOD_LALT);
  KeyUp(SDL_SCANCODE_LALT, SDLK_LALT, KMOD_NONE);
  Text("y");
  EXPECT_EQ(Pump(), (TLog{"KeyDown 18", "KeyDown 13", "KeyDown 13", "KeyUp 13", "KeyDown 115",
                          "Close", "KeyUp 115", "KeyUp 18", "KeyPress 121"}));
}

TEST_F(HostWindow, RightAltAndCtrlAltStillType) {
  // AltGr: right Alt, or Ctrl with left Alt, types characters such as '@'.
  KeyDown(SDL_SCANCODE_RALT, SDLK_RALT, KMOD_RALT);
  KeyDown(SDL_SCANCODE_Q, SDLK_q, KMOD_RALT);
  Text("@");
  KeyUp(SDL_SCANCODE_RALT, SDLK_RALT, KMOD_NONE);
  KeyDown(SDL_SCANCODE_E, SDLK_e, KMOD_LALT | KMOD_LCTRL);
  Text("\xE2\x82\xAC");
  EXPECT_EQ(Pump(), (TLog{"KeyDown 18", "KeyDown 81", "KeyPress 64", "KeyUp 18", "KeyDown 69",
                          "KeyPress 8364"}));
}

TEST_F(HostWindow, MouseMovesAndClicks) {
  Motion(10, 20);
  Motion(10, 20); // no news
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20);
  Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 10, 20);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 30, 40); // the click moves the mouse first
  Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 30, 40);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 30, 40);
  Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 30, 40);
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1, 30, 40); // not one of the engine's buttons
  EXPECT_EQ(Pump(), (TLog{"MouseMove 10,20", "MouseDown 0", "MouseUp 0", "MouseMove 30,40",
                          "MouseDown 1", "MouseUp 1", "MouseDown 2", "MouseUp 2"}));
}

TEST_F(HostWindow, DoubleClickFollowsTheSecondLeftDown) {
  Motion(5, 5);
  for (Uint8 Clicks = 1; Clicks <= 3; ++Clicks) {
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 5, 5, Clicks);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 5, 5, Clicks);
  }
  Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 5, 2); // right double clicks are plain clicks
  EXPECT_EQ(Pump(), (TLog{"MouseMove 5,5", "MouseDown 0", "MouseUp 0", "MouseDown 0", "DblClick",
                          "MouseUp 0", "MouseDown 0", "MouseUp 0", "MouseDown 1"}));
}

TEST_F(HostWindow, WheelGivesOneCallPerNotch) {
  Wheel(1);
  Wheel(-2);
  Wheel(1, SDL_MOUSEWHEEL_FLIPPED);
  Wheel(0);
  EXPECT_EQ(Pump(), (TLog{"WheelUp", "WheelDown", "WheelDown", "WheelDown"}));
}

TEST_F(HostWindow, FocusMinimiseAndClose) {
  WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST); // told once
  WindowEvent(SDL_WINDOWEVENT_MINIMIZED);
  EXPECT_EQ(Pump(), (TLog{"Deactivate", "Minimized"}));
  EXPECT_TRUE(Window->IsMinimized());

  WindowEvent(SDL_WINDOWEVENT_RESTORED);
  WindowEvent(SDL_WINDOWEVENT_RESTORED); // from maximised, say: not news
  WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  WindowEvent(SDL_WINDOWEVENT_CLOSE);
  Push(SDL_QUIT, [](SDL_Event&) {}); // what SDL makes of SIGINT and SIGTERM
  EXPECT_EQ(Pump(), (TLog{"Restored", "Activate", "Close", "Close"}));
  EXPECT_FALSE(Window->IsMinimized());
}

TEST_F(HostWindow, HeadlessMinimiseAndRaiseActAsADesktopWould) {
  Window->Minimize();
  EXPECT_EQ(Pump(), (TLog{"Deactivate", "Minimized"}));
  EXPECT_TRUE(Window->IsMinimized());
  Window->Raise();
  EXPECT_EQ(Pump(), (TLog{"Restored", "Activate"}));
  Window->Raise();
  EXPECT_EQ(Pump(), TLog{});
}

TEST_F(HostWindow, EventsOfOtherWindowsAreIgnored) {
  WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST, ID() + 7);
  Push(SDL_KEYDOWN, [&](SDL_Event& E) {
    E.key.windowID = ID() + 7;
    E.key.keysym.scancode = SDL_SCANCODE_A;
  });
  EXPECT_EQ(Pump(), TLog{});
}

TEST_F(HostWindow, ListenerExceptionsPassThroughAndTheLoopGoesOn) {
  Recorder.ThrowOnKeyDown = true;
  KeyDown(SDL_SCANCODE_RETURN, SDLK_RETURN);
  Motion(1, 2);
  Recorder.Log.clear();
  EXPECT_THROW(Window->PumpOne(), std::runtime_error);
  EXPECT_EQ(Recorder.Log, TLog{"KeyDown 13"});
  EXPECT_EQ(Pump(), TLog{"MouseMove 1,2"});
}

TEST_F(HostWindow, FullScreenAndCursorPosition) {
  Window->SetFullScreen(true);
  EXPECT_TRUE(Window->IsFullScreen());
  Window->SetFullScreen(false);
  EXPECT_FALSE(Window->IsFullScreen());

  Window->SetMousePos(12, 34);
  EXPECT_EQ(Window->SystemCursorPos(), (THostPoint{12, 34}));
  Motion(12, 34); // the warp's own motion is no news
  EXPECT_EQ(Pump(), TLog{});
  Motion(50, 60);
  Pump();
  EXPECT_EQ(Window->SystemCursorPos(), (THostPoint{50, 60}));
}

TEST_F(HostWindow, WaitEventReportsAWaitingEventWithoutTakingIt) {
  EXPECT_FALSE(Window->WaitEvent(0));
  Wheel(1);
  EXPECT_TRUE(Window->WaitEvent(1000));
  EXPECT_EQ(Pump(), TLog{"WheelUp"});
}

TEST_F(HostWindow, OnlyOneWindowAtATime) {
  EXPECT_THROW(THostWindow Second(HeadlessOptions()), EHostError);
  Window.reset();
  THostWindow Third(HeadlessOptions());
  EXPECT_TRUE(Third.IsHeadless());
}

TEST(HostWindowStart, HiddenWindowIsActivatedWhenShown) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  THostWindow Window(HeadlessOptions(false));
  TRecorder Recorder;
  Window.SetListener(&Recorder);
  while (Window.PumpOne()) {
  }
  EXPECT_EQ(Recorder.Log, TLog{});
  Window.Show();
  Window.Show();
  while (Window.PumpOne()) {
  }
  EXPECT_EQ(Recorder.Log, TLog{"Activate"});
}

TEST(HostWindowStart, NoDisplayMeansHeadless) {
  TScopedEnv Display("DISPLAY", nullptr);
  TScopedEnv Wayland("WAYLAND_DISPLAY", nullptr);
  TScopedEnv Driver("SDL_VIDEODRIVER", nullptr);
  EXPECT_FALSE(THostWindow::DisplayAvailable());
  THostWindow::Options Opts = HeadlessOptions();
  Opts.Headless = false;
  THostWindow Window(Opts);
  EXPECT_TRUE(Window.IsHeadless());
  EXPECT_STREQ(SDL_GetCurrentVideoDriver(), "offscreen");
  EXPECT_TRUE(SDL_GetWindowFlags(Window.Handle()) & SDL_WINDOW_OPENGL);
  EXPECT_EQ(Window.ClientSize(), (THostSize{320, 240}));
}

// Message boxes --------------------------------------------------------------------------------

TEST(MessageBoxes, GoToStandardErrorWhenNoBoxCanOrShouldBeShown) {
  TScopedEnv NoBoxes("HOE_NO_MESSAGE_BOXES", nullptr);
  TScopedEnv Driver("SDL_VIDEODRIVER", nullptr);
  TScopedEnv Wayland("WAYLAND_DISPLAY", nullptr);
  {
    TScopedEnv Display("DISPLAY", nullptr);
    EXPECT_FALSE(MessageBoxesShown());
  }
  TScopedEnv Display("DISPLAY", ":97"); // a display that does not answer
  EXPECT_TRUE(MessageBoxesShown());
  testing::internal::CaptureStderr();
  ShowMessageBox("Game", "No display", TMessageBoxKind::Information); // the box fails
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Game: No display\n");
  {
    TScopedEnv Off("HOE_NO_MESSAGE_BOXES", "1");
    EXPECT_FALSE(MessageBoxesShown());
  }
  THostWindow Window(HeadlessOptions()); // headless beside a display
  EXPECT_FALSE(MessageBoxesShown());
  testing::internal::CaptureStderr();
  ShowMessageBox("Game", "Careful", TMessageBoxKind::Warning);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Game: Careful\n");
}

// Single instance ------------------------------------------------------------------------------

TEST(SingleInstance, SecondGuardFailsAndRaisesTheFirst) {
  TTempDir Runtime;
  TScopedEnv Env("XDG_RUNTIME_DIR", Runtime.Path().c_str());
  TSingleInstanceGuard First("My Game: Deluxe/Edition");
  EXPECT_EQ(fs::path(First.LockPath()).parent_path(), Runtime.Path());
  EXPECT_EQ(fs::path(First.LockPath()).filename(), "My Game: Deluxe_Edition.lock");
  ASSERT_TRUE(First.Acquire());
  EXPECT_FALSE(First.RaiseRequested());

  TSingleInstanceGuard Second("My Game: Deluxe/Edition");
  EXPECT_FALSE(Second.Acquire());
  EXPECT_FALSE(Second.Acquired());
  EXPECT_TRUE(Second.NotifyFirst());
  EXPECT_TRUE(Second.NotifyFirst());
  EXPECT_TRUE(First.RaiseRequested());
  EXPECT_FALSE(First.RaiseRequested()); // both requests were taken at once

  std::optional<TSingleInstanceGuard> Other(std::in_place, "Another Game"); // another lock
  EXPECT_TRUE(Other->Acquire());

  First.Release();
  EXPECT_FALSE(Second.NotifyFirst()); // nobody listens any more
  EXPECT_TRUE(Second.Acquire());
  Other.reset(); // destruction releases
  TSingleInstanceGuard Third("Another Game");
  EXPECT_TRUE(Third.Acquire());
}

TEST(SingleInstance, WithoutARuntimeFolderTheLockIsPerUserInTemp) {
  TTempDir Temp;
  TScopedEnv Runtime("XDG_RUNTIME_DIR", nullptr);
  TScopedEnv TempDir("TMPDIR", Temp.Path().c_str());
  TSingleInstanceGuard Guard("Game");
  EXPECT_EQ(fs::path(Guard.LockPath()),
            Temp.Path() / ("Game-" + std::to_string(getuid()) + ".lock"));
  EXPECT_TRUE(Guard.Acquire());
}

TEST(SingleInstance, UncreatableLockFileThrows) {
  TScopedEnv Env("XDG_RUNTIME_DIR", "/proc");
  TSingleInstanceGuard Guard("Game");
  EXPECT_THROW(Guard.Acquire(), EHostError);
}

// Links ----------------------------------------------------------------------------------------

TEST(OpenURL, PassesTheLinkUnchangedWithoutAShell) {
  TTempDir Bin;
  const fs::path Out = Bin.Path() / "args";
  {
    std::ofstream Script(Bin.Path() / "xdg-open");
    Script
        << "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$OUT.tmp\" && mv \"$OUT.tmp\" \"$OUT\"\n";
  }
  fs::permissions(Bin.Path() / "xdg-open", fs::perms::owner_all);
  TScopedEnv Path("PATH", (Bin.Path().string() + ":/usr/bin:/bin").c_str());
  TScopedEnv OutEnv("OUT", Out.c_str());

  const std::string URL = "https://example.com/a b?x=1&y=$(touch oops);'q'";
  ASSERT_TRUE(OpenURL(URL));
  for (int K = 0; K < 500 && !fs::exists(Out); ++K)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::ifstream In(Out);
  const std::string Args((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  EXPECT_EQ(Args, "1\n" + URL + "\n");
}

TEST(OpenURL, FailsWithoutAHandlerOrForOptionLikeLinks) {
  TTempDir Empty;
  {
    TScopedEnv Path("PATH", Empty.Path().c_str());
    EXPECT_FALSE(OpenURL("https://example.com/"));
  }
  EXPECT_FALSE(OpenURL(""));
  EXPECT_FALSE(OpenURL("--help"));
}

TEST(ResidentMemory, ReadsTheStatusLinesInBytes) {
  const TResidentMemory M =
      ParseResidentMemory("Name:\thoe\nVmHWM:\t  204800 kB\nVmRSS:\t   102400 kB\nVmSwap:\t0 kB\n");
  EXPECT_EQ(M.Current, 100u * 1024 * 1024);
  EXPECT_EQ(M.Peak, 200u * 1024 * 1024);
  // A look-alike key, a missing line, a value that is no number and one that overflows give 0.
  const TResidentMemory Bad =
      ParseResidentMemory("VmRSSX:\t5 kB\nVmHWM:\tmany kB\nVmRSS:\t99999999999999999999 kB");
  EXPECT_EQ(Bad.Current, 0u);
  EXPECT_EQ(Bad.Peak, 0u);
  EXPECT_EQ(ParseResidentMemory("").Peak, 0u);
  // The process's own: something is resident, and the peak is at least what is resident now.
  const TResidentMemory Own = ResidentMemory();
  EXPECT_GT(Own.Current, 0u);
  EXPECT_GE(Own.Peak, Own.Current);
}

} // namespace
