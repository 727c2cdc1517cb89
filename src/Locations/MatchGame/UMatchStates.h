// The match-three game's own timed steps and their queue: a level runs as a queue of game states
// (the time line's run-down, the board fading in, play, pauses, shuffles, the level's end). They
// are unrelated to the hidden-object game's states of the same names and live apart from them.
//
// The queue runs its front state: a state is entered the first time it is at the front, is
// updated in that same call (also when it finished while entering), and when it has finished it
// is left and freed, and the next state runs in the same call with the same interval.
//
// Without a match screen (the rules played headless) the states that only show something
// finish at once, so the queue runs the same way.
#pragma once

#include "math/UGMathTypes.h"
#include "object/UGObject.h"

#include <vector>

class TBoard;
class TGameLogic;
class TGWidget;
class TMatchScreen;

namespace Match3 {

class TStateQueue;

class TState : public TGObject {
  G_CLASS(TState, TGObject)
  // Owned by the queue and appended to it at once: creating a state queues it.
  explicit TState(TStateQueue* AQueue = nullptr);

  bool IsFinished() const { return FIsFinished; }
  bool Initialized() const { return FInitialized; }
  TStateQueue* StateQueue() const { return FStateQueue; }
  void Finish() { FIsFinished = true; }

  virtual void Update(float Interval) { (void)Interval; }
  virtual void OnEnter() {}
  virtual void OnLeave() {}

protected:
  // Leaves the queue's list first.
  void Destroy() override;

private:
  friend class TStateQueue;
  bool FInitialized = false;
  bool FIsFinished = false;
  TStateQueue* FStateQueue;
};

class TStateQueue : public TGObject {
  G_CLASS(TStateQueue, TGObject)
  // Owned by the rules object.
  explicit TStateQueue(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  bool IsPauseStateInQueue() const { return false; }
  bool IsEmpty() const { return FStates.empty(); }
  // The front state, or none.
  TState* State() const { return FStates.empty() ? nullptr : FStates.front(); }
  int32_t Count() const { return static_cast<int32_t>(FStates.size()); }
  TState* GetItem(int32_t Index) const { return FStates.at(static_cast<size_t>(Index)); }

  void Add(TState* State);
  // Takes the state out of the list without freeing it.
  void Remove(TState* State);
  void Update(float Interval);
  // The last state is to run before the first playing state behind the front one: it moves
  // there, or, being a playing state itself, leaves the list (it stays owned by the queue).
  // Nothing happens without such a playing state.
  void InsertLastStateBeforePlayState();

private:
  std::vector<TState*> FStates;
};

// A state of a level: it reaches the rules (the queue's owner) and their board.
class TGameState : public TState {
  G_CLASS(TGameState, TState)
  explicit TGameState(TStateQueue* AQueue = nullptr)
      : TState(AQueue) {}

  TGameLogic* GameLogic() const;
  TBoard* Board() const;
  // The rules' match screen and its board panel; none headless.
  TMatchScreen* Screen() const;
  TGWidget* BoardPanel() const;

  // The board panel draws the state after itself.
  void OnEnter() override;
  virtual void DrawBoard() {}

protected:
  void Destroy() override;

private:
  void OnDrawBoard(TGObject* Sender);
};

// Waits for a number of seconds.
class TDelayState : public TGameState {
  G_CLASS(TDelayState, TGameState)
  explicit TDelayState(TStateQueue* AQueue = nullptr, float ATimeout = 0)
      : TGameState(AQueue)
      , FTimeout(ATimeout) {}
  void Update(float Interval) override;

private:
  float FTimeout;
};

// The time line fills up and runs down to the level's start position, its whole range in a
// second.
class TTimeLineState : public TGameState {
  G_CLASS(TTimeLineState, TGameState)
  explicit TTimeLineState(TStateQueue* AQueue = nullptr, float ATimeLinePosition = 0)
      : TGameState(AQueue)
      , FTimeLinePosition(ATimeLinePosition) {}
  void OnEnter() override;
  void Update(float Interval) override;

private:
  float FTimeLinePosition;
};

// The time line's frame appears.
class TShowTimeLineState : public TGameState {
  G_CLASS(TShowTimeLineState, TGameState)
  explicit TShowTimeLineState(TStateQueue* AQueue = nullptr)
      : TGameState(AQueue) {}
  void OnEnter() override;
};

// The time line's frame disappears; the state ends when its hide effect has.
class THideTimeLineState : public TGameState {
  G_CLASS(THideTimeLineState, TGameState)
  explicit THideTimeLineState(TStateQueue* AQueue = nullptr)
      : TGameState(AQueue) {}
  void OnEnter() override;
  void Update(float Interval) override;
};

// The level has failed; the location starts a new game. Never ends.
class TFailedState : public TGameState {
  G_CLASS(TFailedState, TGameState)
  explicit TFailedState(TStateQueue* AQueue = nullptr)
      : TGameState(AQueue) {}
  void OnEnter() override;
};

// The level has ended. Never ends.
class TLevelEndedState : public TGameState {
  G_CLASS(TLevelEndedState, TGameState)
  explicit TLevelEndedState(TStateQueue* AQueue = nullptr, int32_t AReason = 0)
      : TGameState(AQueue)
      , FReason(AReason) {}
  // The TLevelEndingReason.
  int32_t Reason() const { return FReason; }
  void OnEnter() override;

private:
  int32_t FReason;
};

// After a tenth of a second the board is shuffled and play goes on.
class TShuffleBoardState : public TGameState {
  G_CLASS(TShuffleBoardState, TGameState)
  explicit TShuffleBoardState(TStateQueue* AQueue = nullptr)
      : TGameState(AQueue) {}
  void Update(float Interval) override;
  void OnLeave() override;

private:
  float FElapsedTime = 0;
  float FTime = 0.1f;
};

// The board panel fades in (its walls hidden meanwhile).
class TInitializeBoardState : public TGameState {
  G_CLASS(TInitializeBoardState, TGameState)
  explicit TInitializeBoardState(TStateQueue* AQueue = nullptr);
  void OnEnter() override;
  void OnLeave() override;
  void Update(float Interval) override;
  virtual void UpdateTime(float Interval);
  virtual void IsFinishing();
  // The opacity the board is drawn with now.
  float Alpha() const;

protected:
  // Puts the panel's handlers back when the state goes without being left.
  void Destroy() override;
  void RestoreHandlers();

  float FElapsedTime = 0;
  float FTime = 1;
  float FSpeed = 1;
  float FAlpha0 = 0;
  float FAlpha1 = 1;

private:
  void BeforeBoardDraw(TGObject* Sender);
  void AfterBoardDraw(TGObject* Sender);

  TGNotifyEvent FOldOnBeforeDraw;
  TGNotifyEvent FOldOnAfterDraw;
  bool FHandlersSet = false;
  bool FPushed = false;
};

// The board panel fades out and is hidden.
class TFadeBoardState : public TInitializeBoardState {
  G_CLASS(TFadeBoardState, TInitializeBoardState)
  explicit TFadeBoardState(TStateQueue* AQueue = nullptr);
  void OnLeave() override;
  void UpdateTime(float Interval) override;
  void IsFinishing() override;
};

// The player plays: the board panel takes the mouse, the screen the cheat keys, and every frame
// the rules' steps of play run until the level is completed or failed.
class TPlayState : public TGameState {
  G_CLASS(TPlayState, TGameState)
  explicit TPlayState(TStateQueue* AQueue = nullptr)
      : TGameState(AQueue) {}
  void OnEnter() override;
  void OnLeave() override;
  void Update(float Interval) override;

  void BoardMouseDown(int Button);
  void BoardMouseMove(TGObject* Sender);
  // The cheat keys (only in cheat mode).
  void GameScreenKeyDown(uint32_t Key);

protected:
  void Destroy() override;

private:
  void ClearHandlers();
  TGPoint MouseOnBoard() const;
  void CheatOnSelection(uint32_t Key);

  float FNoActionsTimer = 0;
  TGPoint FSavedMousePosition;
  bool FHandlersSet = false;
};

} // namespace Match3
