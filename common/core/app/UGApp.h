// The application object: the last plug-in of the chain. It times frames, keeps the stack of
// windows, draws them from the topmost one that covers the screen upwards, routes input to the
// top window and runs modal windows in a nested loop of the same frames.
#pragma once

#include "app/UGAppInfo.h"
#include "app/UGAppParams.h"
#include "app/UGAppPlugin.h"
#include "object/UGObject.h"
#include "widgets/UGWindowHost.h"

#include <array>
#include <bitset>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TGWindow;
class TGFileSystem;
class TGResource;
class TGResourceLibrary;
class TGConfig;
class TGAudio;
class TGFont;

// Makes the file system over an archive file; the archive library installs it at start-up.
using TGArchiveFileSystemFactory = TGFileSystem* (*)(const std::string& FileName, uint16_t Mode);
void SetArchiveFileSystemFactory(TGArchiveFileSystemFactory Factory);

// Frame-interval multipliers by speed index -6..10 (index 0 is normal speed).
extern const float CSpeedAdjustment[17];
float SpeedAdjustment(int Index);

class TGSymbol;

class TGApp : public TGAppPlugin, public IGWindowHost {
  G_CLASS(TGApp, TGAppPlugin)
  // A second application object raises the generic error.
  explicit TGApp(const TGAppParams& AParameters);
  explicit TGApp(TGObject* AOwner = nullptr)
      : TGApp(TGAppParams{}) {
    SetOwner(AOwner);
  }

  const TGAppParams& Parameters() const { return FParameters; }
  TGAppInfo& Info() { return *FInfo; }

  // TGAppPlugin
  void Initialize() override;
  void Finalize() override;
  void AppActivate() override;
  void AppDeactivate() override;
  void KeyDown(uint16_t Key) override;
  void KeyPress(char32_t Key) override;
  void KeyUp(uint16_t Key) override;
  void MouseWheelUp() override;
  void MouseWheelDown() override;
  void MouseMove(const TGPoint& Pos) override;
  void MouseDown(int Button) override;
  void MouseUp(int Button) override;
  void DblClick() override;
  void Draw(int64_t TickCount, bool& Success) override;
  void Idle(int64_t TickCount) override;

  // Pushes the window; every window but the bottom one runs modally until it is hidden.
  void Show(TGWindow* Window) override;
  TGWindow* GetTopWindow() const override;
  const std::vector<TGWindow*>& WindowStack() const { return FWindowStack; }
  // Hides every window above DownTo, ending their modal loops at once.
  void CloseWindows(TGWindow* DownTo);

  bool GetKey(uint16_t Key) const { return FKeys[Key & 0xFF]; }
  bool ButtonHeld(int Button) const override {
    return Button >= 0 && Button < 3 && FButtons[Button];
  }
  const TGPoint& MousePos() const override { return FMousePos; }
  // The logical screen of the start-up parameters.
  TGPoint ScreenSize() const override { return {FParameters.Width, FParameters.Height}; }
  // The mouse cursor drawn by the engine; its picture comes from the window under the mouse.
  TGSymbol* Cursor() const { return FCursor; }
  void OnCursorChangeGraphic(TGObject* Sender);
  void SetMousePos(const TGPoint& Pos);
  bool SystemCursorVisible() const { return FSystemCursorVisible; }
  void SetSystemCursorVisible(bool Value);
  void MakeScreenshot() { FScreenShotPending = true; }
  bool ScreenShotPending() const { return FScreenShotPending; }
  bool IsAppClosing() const { return FIsAppClosing; }
  void SetIsAppClosingFlag() { FIsAppClosing = true; }
  bool AppActive() const { return FAppActive; }
  bool InDrawing() const { return FInDrawing; }

  // Seconds of game time of the current frame.
  float Interval() const { return FInterval; }
  float AverageFPS() const { return FAverageFPS; }
  int SpeedIndex() const { return FSpeedAdjustment; }
  void SetSpeedIndex(int Value);
  void UpdateInterval(int64_t TickCount);

  bool ShowDebugInfo() const { return FShowDebugInfo; }
  // The font of the debug overlay and the version line: "System.fnt", else the first font the
  // library holds, else none.
  TGFont* Font() const { return FFont; }
  void SetShowDebugInfo(bool Value) { FShowDebugInfo = Value; }
  // Drawn over everything else of a drawn frame, with the frame's system font (the playback
  // console uses it).
  std::function<void(TGFont* Font)> OnDrawOverlay;
  bool AllowAltEnter() const { return FAllowAltEnter; }
  void SetAllowAltEnter(bool Value) { FAllowAltEnter = Value; }
  bool ShowExeVersion() const { return FShowExeVersion; }
  void SetCheckExeVersionKey(bool Value) { FCheckExeVersionKey = Value; }
  const std::string& ExeVersion() const { return FExeVersion; }
  // Full screen as the host window says; toggled by Alt+Enter.
  bool FullScreen() const;
  void SetFullScreen(bool Value);

  // Wide-screen bands: fractions of the width (left, right) or height (top, bottom) outside
  // the 4:3 field of the desktop.
  void InitWideScreen(bool Override, bool Wide);
  bool IsWideScreen() const { return FIsWideScreen; }
  float WideScreenFieldKX() const { return FWideScreenFieldKX; }
  float WideScreenFieldKY() const { return FWideScreenFieldKY; }
  void SetAdjustmentSymbolGfxURL(const std::string& URL);
  // The desktop's size, otherwise read from the host window by the first InitWideScreen.
  void SetDesktopSize(int Width, int Height) {
    FSrcScreenWidth = Width;
    FSrcScreenHeight = Height;
  }
  TGSymbol* AdjustmentSymbol() const { return FAdjustmentSymbol; }
  // Whether frames are drawn into the 4:3 field (full screen on a desktop of another shape), and
  // that field in back-buffer pixels.
  bool WideScreenFieldActive() const;
  TGRect WideScreenField() const;

  // The resource library and typed access to its resources (an invalid-cast error when the
  // resource has another class).
  TGResourceLibrary* ResourceLib() const { return FResourceLib; }
  TGResource* GetResource(const std::string& URL);
  TGConfig* GetCfg(const std::string& URL);
  TGAudio* GetAud(const std::string& URL);
  TGWindow* GetWin(const std::string& URL);
  // Opens a depository: an archive (location + ".sfs") or a folder, relative to the program's
  // folder unless absolute; "Invalid ResourcesLocation: " + location when neither exists.
  void LoadDepository(std::string Location, int DepositoryType);
  // The language chosen by "localization\loc.cfg" ("ENG" without one).
  const std::string& Language() const { return FLanguage; }

  // Presents a drawn frame and takes a pending screenshot.
  void PresentLastFrame();
  // Frames run so far and their game time; with a limit above 0 the program ends after that
  // many frames, whichever window is shown.
  int64_t FramesRun() const { return FFramesRun; }
  double GameSecondsRun() const { return FGameSecondsRun; }
  void SetFrameLimit(int64_t Value) { FFrameLimit = Value; }
  // Called at the end of every counted frame, drawn and updated but not yet presented, with the
  // number of frames run (a headless run takes its pictures of chosen frames there).
  void SetFrameHook(std::function<void(int64_t FramesRun)> Hook) { FFrameHook = std::move(Hook); }
  // Draws the shown windows as they are now and presents them, without updating anything: a
  // long task on the main thread shows its progress this way.
  void RedrawWindows();
  // Leaves full screen so that error messages are never hidden behind it.
  void RestoreWindowedMode();
  // Pauses or resumes the audio device.
  void PauseAudio(bool Paused);

  TGNotifyEvent OnActivate;
  TGNotifyEvent OnBeforeDeactivate;
  TGNotifyEvent OnDeactivate;

protected:
  void Destroy() override;
  // The class factories of the resource layer; the game gives its own.
  virtual TGResourceLibrary* CreateResourceLibrary();
  virtual TGFileSystem* CreateArchiveFileSystem(const std::string& FileName);
  // The overlay drawn over every frame, and the executable's version at the top right.
  virtual void DrawDebugInfo(TGFont* AFont);
  virtual void DrawExeVersion(TGFont* AFont);

private:
  // Viewport and projection cut to R, positions unchanged.
  static void ClipDrawingTo(const TGRect& R);
  void DrawWideScreenAdjustment();
  template <class F>
  void Guarded(F&& Action);
  bool WindowVisible(const TGWindow* W) const;
  void OnWindowDestroyed(TGObject* Sender);
  // Draws the windows that are ready and visible, bottom first; none without a device.
  void DrawWindows(const std::vector<TGWindow*>& Windows);
  // Takes the picture from the topmost window under the mouse and draws it there.
  void DrawCursor();
  size_t LowestWindowToDraw() const;

  void ReadLanguage();

  TGAppParams FParameters;
  TGResourceLibrary* FResourceLib = nullptr;
  std::string FLanguage = "ENG";
  std::unique_ptr<TGAppInfo> FInfo;
  bool FAllowAltEnter = true;
  bool FShowDebugInfo = true;
  TGFont* FFont = nullptr; // held by the resource library
  bool FSystemCursorVisible = true;
  std::string FExeVersion;
  bool FCursorChanged = false;
  TGSymbol* FCursor = nullptr; // owned
  std::vector<TGWindow*> FWindowStack;
  bool FScreenShotPending = false;
  int FSpeedAdjustment = 0;
  bool FAppActive = false;
  bool FInDrawing = false;
  bool FFrameIsDrawn = false;
  int64_t FFramesRun = 0;
  double FGameSecondsRun = 0;
  int64_t FFrameLimit = 0;
  std::function<void(int64_t)> FFrameHook;
  float FAverageFPS = 90;
  float FInterval = 0;
  int64_t FTickCount = 0;
  TGPoint FMousePos;
  TGPoint FInactiveMousePos;
  bool FIsAppClosing = false;
  std::bitset<3> FButtons;
  std::array<bool, 256> FKeys{};
  std::string FAdjustmentSymbolGfxURL;
  TGSymbol* FAdjustmentSymbol = nullptr;  // owned, made on first use
  bool FAdjustmentPictureMissing = false; // reported once, then drawn without
  float FWideScreenFieldKX = 0;
  float FWideScreenFieldKY = 0;
  bool FShowExeVersion = false;
  bool FCheckExeVersionKey = false;
  bool FIsWideScreen = false;
  int FSrcScreenWidth = 0;
  int FSrcScreenHeight = 0;
};

// The program's application object; set by its constructor.
extern TGApp* App;
// The main window's close request sets AppIsClosing; AppCanUnclose says the request may still
// be turned down.
extern bool AppIsClosing;
extern bool AppCanUnclose;

// The debug overlay's memory figure: "%d %.3d,%.3d" style groups of a byte count.
std::string HeapText(uint64_t Bytes);
