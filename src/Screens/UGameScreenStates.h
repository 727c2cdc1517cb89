// The play screen's states: what the screen does in normal play (the common state passes input
// to the location and checks the clicks) and the short sequences of a location switch (wait for
// the flights, fade out, switch, fade in, hide and show the panel). The screen runs them one
// after another through its state queue and puts a new common state in when the queue runs dry.
#pragma once

#include "script/UState.h"

#include <cstdint>
#include <string>

class TBaseGameScreen;
class TGameScreen;

class TBaseGameScreenState : public TState {
  G_CLASS(TBaseGameScreenState, TState)
  explicit TBaseGameScreenState(TStateQueue* AStateQueue)
      : TState(AStateQueue) {}

  // The active location, then what its main flow state draws over it.
  virtual void Draw();
  virtual void AfterDraw();
  virtual void MouseDown(int Button) { (void)Button; }
  virtual void MouseUp(int Button) { (void)Button; }
  virtual void KeyDown(int Key) { (void)Key; }

protected:
  // The screen whose queue holds the state (none outside one).
  TBaseGameScreen* Screen() const;
  TGameScreen* GameScreen() const;
};

class TBaseGameScreenStateQueue : public TStateQueue {
  G_CLASS(TBaseGameScreenStateQueue, TStateQueue)
  explicit TBaseGameScreenStateQueue(TGObject* AOwner = nullptr)
      : TStateQueue(AOwner) {}
  TBaseGameScreenState* Peek() const;
};

class TGameScreenStateQueue : public TBaseGameScreenStateQueue {
  G_CLASS(TGameScreenStateQueue, TBaseGameScreenStateQueue)
  explicit TGameScreenStateQueue(TGObject* AOwner = nullptr)
      : TBaseGameScreenStateQueue(AOwner) {}
};

class TGameScreenState : public TBaseGameScreenState {
  G_CLASS(TGameScreenState, TBaseGameScreenState)
  explicit TGameScreenState(TStateQueue* AStateQueue)
      : TBaseGameScreenState(AStateQueue) {}

  // A click on the hint button, on an entry of the objects list (0 to 7), on a tool slot.
  virtual void ProcessHintClick() {}
  virtual void ItemWidgetMouseDown(int32_t ItemIndex) { (void)ItemIndex; }
  virtual void ToolWidgetMouseDown(int32_t ToolIndex) { (void)ToolIndex; }
};

// Normal play: the location runs and hears the clicks and keys through its main flow channel.
class TBaseCommonGameScreenState : public TGameScreenState {
  G_CLASS(TBaseCommonGameScreenState, TGameScreenState)
  explicit TBaseCommonGameScreenState(TStateQueue* AStateQueue)
      : TGameScreenState(AStateQueue) {}

  void Update(int32_t AInterval) override;
  void MouseDown(int Button) override;
  void MouseUp(int Button) override;
  void KeyDown(int Key) override;
};

// The hidden-object play: hits and misses, the hint flow and the panel's clicks.
class TCommonGameScreenState : public TBaseCommonGameScreenState {
  G_CLASS(TCommonGameScreenState, TBaseCommonGameScreenState)
  explicit TCommonGameScreenState(TStateQueue* AStateQueue)
      : TBaseCommonGameScreenState(AStateQueue) {}

  bool HintSelecting() const { return FHintSelecting; }
  // Also the screen's flag and the goal line's level 20.
  void SetHintSelecting(bool Value);

  void Update(int32_t AInterval) override;
  void MouseDown(int Button) override;
  void ProcessHintClick() override;
  void ItemWidgetMouseDown(int32_t ItemIndex) override;
  void ToolWidgetMouseDown(int32_t ToolIndex) override;

private:
  // The hint goes to the object (unless the location gives it itself) and costs one hint.
  void HintObject(class TGameObject* Obj);

  bool FHintSelecting = false;
};

// Finishes when no object is in flight; the location stands still meanwhile.
class TWaitFlyingObjectsState : public TGameScreenState {
  G_CLASS(TWaitFlyingObjectsState, TGameScreenState)
  explicit TWaitFlyingObjectsState(TStateQueue* AStateQueue)
      : TGameScreenState(AStateQueue) {}
  void Update(int32_t AInterval) override;
};

class THideGameInterfaceState : public TGameScreenState {
  G_CLASS(THideGameInterfaceState, TGameScreenState)
  explicit THideGameInterfaceState(TStateQueue* AStateQueue)
      : TGameScreenState(AStateQueue) {}
  void Initialize() override;
};

class TShowGameInterfaceState : public TGameScreenState {
  G_CLASS(TShowGameInterfaceState, TGameScreenState)
  explicit TShowGameInterfaceState(TStateQueue* AStateQueue)
      : TGameScreenState(AStateQueue) {}
  void Initialize() override;
};

// Runs the location with no time (scripts and flow go on, animations stand) until the screen's
// fade is over.
class TFadeGameScreenState : public TGameScreenState {
  G_CLASS(TFadeGameScreenState, TGameScreenState)
  explicit TFadeGameScreenState(TStateQueue* AStateQueue)
      : TGameScreenState(AStateQueue) {}
  void Update(int32_t AInterval) override;
};

class TFadeInGameScreenState : public TFadeGameScreenState {
  G_CLASS(TFadeInGameScreenState, TFadeGameScreenState)
  explicit TFadeInGameScreenState(TStateQueue* AStateQueue)
      : TFadeGameScreenState(AStateQueue) {}
  void Initialize() override;
};

class TFadeOutGameScreenState : public TFadeGameScreenState {
  G_CLASS(TFadeOutGameScreenState, TFadeGameScreenState)
  explicit TFadeOutGameScreenState(TStateQueue* AStateQueue)
      : TFadeGameScreenState(AStateQueue) {}
  void Initialize() override;
};

// Records the result in the high scores and has the player switch (which saves); the screen
// follows the player's new location in the same frame.
class TSwitchToLocationGameScreenState : public TGameScreenState {
  G_CLASS(TSwitchToLocationGameScreenState, TGameScreenState)
  TSwitchToLocationGameScreenState(TStateQueue* AStateQueue, std::string ALocationURL)
      : TGameScreenState(AStateQueue)
      , FLocationURL(std::move(ALocationURL)) {}
  const std::string& LocationURL() const { return FLocationURL; }
  void Initialize() override;

private:
  std::string FLocationURL;
};
