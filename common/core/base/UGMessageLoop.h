// What code below the application may ask of the program's message loop: a turn of it (widgets
// waiting for an effect to end), whether it is ending, and hooks that run on every turn
// (polling timers). The loop of the application registers itself; tools and tests without one
// see none, and code that would wait then goes on at once.
#pragma once

#include <functional>

class IGMessageLoop {
public:
  // One event, or one idle turn when none is waiting.
  virtual void HandleMessage() = 0;
  virtual bool Terminated() const = 0;
  // Runs once per handled message or idle turn, in every loop (nested ones too); the result
  // removes it again.
  virtual int AddLoopHook(std::function<void()> Hook) = 0;
  virtual void RemoveLoopHook(int Id) = 0;

protected:
  ~IGMessageLoop() = default;
};

// The program's message loop, or none.
extern IGMessageLoop* MessageLoop;
