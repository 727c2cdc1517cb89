// Timed steps run one after another: a queue runs only its front state and moves on when that
// state reports that it has finished.
#pragma once

#include "object/UGObject.h"

#include <cstdint>
#include <vector>

enum TStateStatus : uint8_t { ssUninitialized = 0, ssCurrent = 1, ssFinished = 2 };

class TStateQueue;

class TState : public TGObject {
  G_CLASS(TState, TGObject)
  // Creating a state queues it: the queue becomes its owner and it goes to the tail.
  explicit TState(TStateQueue* AStateQueue);

  TStateStatus Status = ssUninitialized;
  TStateQueue* StateQueue() const;

  // Called once when the state first reaches the front; the base makes it current. Overrides
  // call the inherited one first and may then finish at once.
  virtual void Initialize();
  // Called once when the queue removes the finished state, before it is freed.
  virtual void Finalize() {}
  // Called while the state is current, with the milliseconds since the queue's last update.
  virtual void Update(int32_t AInterval) { (void)AInterval; }
};

class TStateQueue : public TGObject {
  G_CLASS(TStateQueue, TGObject)
  explicit TStateQueue(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  int GetCount() const { return static_cast<int>(FItems.size()); }
  // The state at a position (0 is the front); the generic error for a bad index.
  TState* GetItem(int Index) const;
  bool Empty() const { return FItems.empty(); }

  // Appends a new, unstarted state owned by this queue; anything else is the generic error.
  void Push(TState* AState);
  // The front state; the generic error when the queue is empty.
  TState* Peek() const;
  // Frees the front state without finalizing it.
  void Pop();
  // Frees every state, front first, without finalizing any. A state whose step is running (it
  // cleared the queue through a script, say) is freed when its step returns.
  void Clear();
  // Takes every state out of the queue without freeing or finalizing it, so that a running
  // state may return safely; they are freed with the queue.
  void Abandon() { FItems.clear(); }

  // Starts, updates, finalizes and removes states until the front one stays current after an
  // update or the queue is empty.
  virtual void Update(int32_t AInterval);

protected:
  void Destroy() override;
  // A state freed by anyone leaves the queue.
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  void FreeOrDefer(TState* S);
  bool RunStep(TState* S, void (*Step)(TState*, int32_t), int32_t AInterval);

  std::vector<TState*> FItems;
  TState* FRunning = nullptr; // the state whose step runs now
  bool FRunningRemoved = false;
};
