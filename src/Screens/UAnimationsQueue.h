// Screen-level effects played one after another: each plays to its end, goes, and the next one
// starts, so that effects queued together never overlap.
#pragma once

#include "object/UGObject.h"

#include <vector>

class TGGraphic;

class TAnimationsQueue : public TGObject {
  G_CLASS(TAnimationsQueue, TGObject)
  explicit TAnimationsQueue(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  int Count() const { return static_cast<int>(FQueue.size()); }
  // A copy of the graphic (owned by the queue) goes to the end; the graphic itself is not
  // changed, so a shared resource may be queued more than once.
  TGGraphic* Add(TGGraphic* Graphic);
  // Only the first effect advances; a finished one goes, and the next starts with the next
  // update.
  void Update(float DeltaSeconds);
  // The first effect, in the current drawing state.
  void Draw();
  // Frees the first effect.
  void Pop();
  void Clear();

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  std::vector<TGGraphic*> FQueue; // owned copies; the first one plays
};
