// The draw order of a location: objects back to front, and with each object the animation
// channels that go just below it, just above it, and the live-object channels that move it.
// Channels of an animation follow the object of the nearest live-object channel before them,
// so an animation can wrap a sparkle round one object while another object stays in front.
#pragma once

#include "object/UGObject.h"

#include <vector>

class TBaseLocation;
class TGAnimation;
class TGChannel;
class TLiveGameObject;

struct TGameObjectDrawHelper {
  std::vector<TGChannel*> Before;
  std::vector<TGChannel*> After;
  std::vector<TLiveGameObject*> Live; // the channels that control the object
};

class TDrawHelper : public TGObject {
  G_CLASS(TDrawHelper, TGObject)
  explicit TDrawHelper(TBaseLocation* ALocation = nullptr);

  // One slot per object of the location, in the location's order.
  int Count() const { return static_cast<int>(FHelpers.size()); }
  const TGameObjectDrawHelper& Helper(int Index) const;
  // Channels of animations bound to no object of the location: drawn above every object.
  const std::vector<TGChannel*>& Unbound() const { return FUnbound; }

  // Empties every slot and sizes the slots to the location's objects.
  void Reset(int ACount);
  void InsertSlot(int Index);
  void DeleteSlot(int Index);
  // Puts every channel of the animation in its slot.
  void AddAnimation(TGAnimation* Animation);
  void RemoveAnimation(const TGAnimation* Animation);
  void RemoveChannel(const TGChannel* Channel);

  // Every slot in order, the objects between the location's hooks.
  void Draw();

private:
  void DrawChannel(TGChannel* Channel);
  int SlotOf(TLiveGameObject* Live) const;

  TBaseLocation* FLocation;
  std::vector<TGameObjectDrawHelper> FHelpers;
  std::vector<TGChannel*> FUnbound;
};
