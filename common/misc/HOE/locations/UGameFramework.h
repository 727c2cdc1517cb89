// The hidden-object framework's start-up list: its class tables (flow states, location classes,
// the game-object channel, the ".loc" resource class) and the process-wide objects (the
// game-object collector and the two behaviour collections). The program starts it after the
// engine's own classes and stops it at shut-down.
#pragma once

// Registers the classes (once per run) and makes the process-wide objects.
void StartGameFramework();
// Frees the process-wide objects.
void StopGameFramework();

// Starts the framework for as long as it lives (tests, tools).
class TGameFrameworkScope {
public:
  TGameFrameworkScope() { StartGameFramework(); }
  ~TGameFrameworkScope() { StopGameFramework(); }
  TGameFrameworkScope(const TGameFrameworkScope&) = delete;
  TGameFrameworkScope& operator=(const TGameFrameworkScope&) = delete;
};
