// Animations that play over a location: templates kept by ID, and the clones that play. A
// location animation tells its location when its channels change, so that the location can
// draw each channel in its place among the objects.
#pragma once

#include "animation/UGAnimation.h"
#include "base/UGFastStringList.h"

#include <string>
#include <string_view>

class TBaseLocation;
class TGameObject;
class TLiveGameObject;

class TLocationAnimation : public TGAnimation {
  G_CLASS(TLocationAnimation, TGAnimation)
  explicit TLocationAnimation(TGObject* AOwner = nullptr);

  TBaseLocation* Location() const { return FLocation; }
  void SetLocation(TBaseLocation* Value) { FLocation = Value; }
  const std::string& ID() const { return FID; }
  void SetID(std::string_view Value) { FID = Value; }

  // A channel bound to the object, its defaults taken from the object as it stands: pivot in
  // the middle, position its Left and Top, size, angle, picture, visibility, alpha and colour.
  TLiveGameObject* AddGameObjectChannel(TGameObject* AObject);
  // The same at Index, without visibility, alpha and colour.
  TLiveGameObject* InsertGameObjectChannel(int32_t AIndex, TGameObject* AObject);
  // The position of the object's channel among the live-object channels (OverallIndex: among
  // all channels); both -1 when the object has none.
  int32_t IndexOf(const TGameObject* AObject, int32_t& OverallIndex) const;
  using TGAnimation::IndexOf;

  void AssignTo(TGObject* Dest) const override;
  void ChannelAdded(TGChannel* Channel) override;
  void ChannelMoved(TGChannel* Channel) override;
  void ChannelRemoved(TGChannel* Channel) override;

  static void Publish(TGClassBuilder<TLocationAnimation>& B);

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  void ChannelsChanged(bool Removal);
  TLiveGameObject* MakeChannel(TGameObject* AObject);

  TBaseLocation* FLocation = nullptr;
  std::string FID;
};

// The templates of a location, by ID (compared exactly); the collection owns them.
class TLocationAnimationCollection : public TGObject {
  G_CLASS(TLocationAnimationCollection, TGObject)
  explicit TLocationAnimationCollection(TGObject* AOwner = nullptr);

  int Count() const { return FItems.Count(); }
  TLocationAnimation* Items(int Index) const;
  // The template of that ID, or none.
  TLocationAnimation* ByName(std::string_view AID) const;
  TLocationAnimation* GetByName(std::string_view AID) const { return ByName(AID); }
  // Takes the animation over and lists it under its ID.
  void Add(TLocationAnimation* Animation);
  // Frees the template: "TLocationAnimationCollection.Delete: Index is out of bounds" for a bad
  // index.
  void Delete(int Index);
  void Clear();

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  TGFastStringList FItems;
};
