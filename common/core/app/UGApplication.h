// The program's message loop over the host window: events are dispatched one at a time, and
// when none is waiting the idle handler runs; the loop waits for events only when the idle
// handler says it is done. Exceptions from one event or one idle turn are reported and the loop
// goes on.
#pragma once

#include "base/UGMessageLoop.h"
#include "platform/UHostWindow.h"

#include <exception>
#include <functional>
#include <string>
#include <vector>

class TGApplication : public IHostListener, public IGMessageLoop {
public:
  TGApplication();
  virtual ~TGApplication();
  TGApplication(const TGApplication&) = delete;
  TGApplication& operator=(const TGApplication&) = delete;

  // The host window whose events the loop dispatches (not owned).
  void SetMainWindow(THostWindow* Window);
  THostWindow* MainWindow() const { return FMainWindow; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Value);

  // Receives the window's input (keys, mouse, close requests).
  void SetControlListener(IHostListener* Listener) { FControlListener = Listener; }

  // Application events: activation and minimising.
  std::function<void()> OnActivate;
  std::function<void()> OnDeactivate;
  std::function<void()> OnMinimize;
  std::function<void()> OnRestore;
  // Runs when no event is waiting; set Done to let the loop wait for the next event.
  std::function<void(bool& Done)> OnIdle;
  // A close request of the main window (it is always refused; the handler decides what it means).
  std::function<void()> OnCloseQuery;
  // Runs once per handled message or idle turn, in every loop (nested ones too); the result
  // removes it again.
  int AddLoopHook(std::function<void()> Hook) override;
  void RemoveLoopHook(int Id) override;

  bool Terminated() const override { return FTerminated; }
  void Terminate() { FTerminated = true; }
  bool Active() const { return FActive; }
  bool IsMinimized() const;
  void Minimize();

  // One event, or one idle turn when none is waiting (then waiting when the idle turn is done).
  void HandleMessage() override;
  // Handles messages until the program terminates.
  void Run();
  // Dispatches every waiting event without idle turns.
  void ProcessMessages();

  // Reports an exception that escaped from an event or an idle turn.
  void ShowException(const std::exception& E);
  // Where reports go: the default shows a message box (standard error when headless).
  std::function<void(const std::string& Text)> OnException;

  // IHostListener
  void HostKeyDown(std::uint16_t Key) override;
  void HostKeyUp(std::uint16_t Key) override;
  void HostKeyPress(char32_t Ch) override;
  void HostMouseMove(int X, int Y) override;
  void HostMouseDown(int Button) override;
  void HostMouseUp(int Button) override;
  void HostDblClick() override;
  void HostWheelUp() override;
  void HostWheelDown() override;
  void HostActivate() override;
  void HostDeactivate() override;
  void HostMinimized() override;
  void HostRestored() override;
  void HostCloseRequest() override;

private:
  void RunHooks();

  THostWindow* FMainWindow = nullptr;
  IHostListener* FControlListener = nullptr;
  std::string FTitle;
  bool FTerminated = false;
  bool FActive = false;
  std::vector<std::pair<int, std::function<void()>>> FLoopHooks;
  int FNextHookId = 1;
};

// The program's message loop; set by its constructor.
extern TGApplication* Application;
