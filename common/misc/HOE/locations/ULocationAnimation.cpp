#include "locations/ULocationAnimation.h"

#include "base/UGStrUtils.h"
#include "locations/UBaseLocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/ULiveGameObject.h"

G_IMPLEMENT_CLASS(TLocationAnimation)
G_IMPLEMENT_CLASS(TLocationAnimationCollection)

TLocationAnimation::TLocationAnimation(TGObject* AOwner)
    : TGAnimation(AOwner) {}

void TLocationAnimation::Publish(TGClassBuilder<TLocationAnimation>& B) {
  B.Property("ID", &TLocationAnimation::ID, &TLocationAnimation::SetID)
      .Method("AddGameObjectChannel", &TLocationAnimation::AddGameObjectChannel, {"AObject"})
      .Method("InsertGameObjectChannel", &TLocationAnimation::InsertGameObjectChannel,
              {"AIndex", "AObject"});
}

void TLocationAnimation::Destroy() {
  // The location forgets the animation's channels before they go, one refresh for all.
  TBaseLocation* L = FLocation;
  FLocation = nullptr;
  if (L && !L->Destroying()) {
    L->AnimationDestroying(this);
  }
  inherited::Destroy();
}

void TLocationAnimation::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* Target = TryObjectCast<TLocationAnimation>(Dest)) {
    Target->FID = FID;
    Target->FLocation = FLocation;
  }
}

void TLocationAnimation::ChannelsChanged(bool Removal) {
  if (!FLocation || Destroying() || FLocation->Destroying()) {
    return;
  }
  if (Removal && FLocation->AniRefreshLocked) {
    return;
  }
  FLocation->RefreshAnimations();
}

void TLocationAnimation::ChannelAdded(TGChannel* Channel) {
  (void)Channel;
  ChannelsChanged(false);
}

void TLocationAnimation::ChannelMoved(TGChannel* Channel) {
  (void)Channel;
  ChannelsChanged(false);
}

void TLocationAnimation::ChannelRemoved(TGChannel* Channel) {
  if (FLocation && !Destroying()) {
    // Even with the refresh locked, the draw order must not keep a channel that is going.
    FLocation->DrawHelper()->RemoveChannel(Channel);
  }
  ChannelsChanged(true);
}

void TLocationAnimation::OwnedObjectDestroying(TGObject* Obj) {
  // A channel freed by someone else leaves the draw order too.
  if (FLocation && !Destroying() && TryObjectCast<TGChannel>(Obj)) {
    FLocation->DrawHelper()->RemoveChannel(static_cast<TGChannel*>(Obj));
  }
  inherited::OwnedObjectDestroying(Obj);
}

TLiveGameObject* TLocationAnimation::MakeChannel(TGameObject* AObject) {
  if (!AObject) {
    throw Error("A game object channel needs an object");
  }
  auto* C = new TLiveGameObject(nullptr);
  C->SetGameObjectId(AObject->ID());
  C->PivotX()->SetDefValue(TGVariant::Currency(0.5));
  C->PivotY()->SetDefValue(TGVariant::Currency(0.5));
  C->X()->SetDefValue(TGVariant(AObject->Left()));
  C->Y()->SetDefValue(TGVariant(AObject->Top()));
  C->Width()->SetDefValue(TGVariant(AObject->Width()));
  C->Height()->SetDefValue(TGVariant(AObject->Height()));
  C->Angle()->SetDefValue(TGVariant(AObject->Angle()));
  C->GfxURL()->SetDefValue(TGVariant(AObject->GfxURL()));
  return C;
}

TLiveGameObject* TLocationAnimation::AddGameObjectChannel(TGameObject* AObject) {
  TLiveGameObject* C = MakeChannel(AObject);
  C->Visible()->SetDefValue(TGVariant(AObject->Visible()));
  C->Alpha()->SetDefValue(TGVariant(static_cast<float>(AObject->Color() >> 24) / 255.0f));
  C->Color()->SetDefValue(TGVariant(AObject->Color()));
  Add(C);
  return C;
}

TLiveGameObject* TLocationAnimation::InsertGameObjectChannel(int32_t AIndex, TGameObject* AObject) {
  TLiveGameObject* C = MakeChannel(AObject);
  Insert(AIndex, C);
  return C;
}

int32_t TLocationAnimation::IndexOf(const TGameObject* AObject, int32_t& OverallIndex) const {
  int32_t LiveIndex = 0;
  for (int32_t I = 0; I < GetCount(); ++I) {
    if (auto* Live = TryObjectCast<TLiveGameObject>(GetChannel(I))) {
      if (AObject && SameText(Live->GameObjectId(), AObject->ID())) {
        OverallIndex = I;
        return LiveIndex;
      }
      ++LiveIndex;
    }
  }
  OverallIndex = -1;
  return -1;
}

// --- Templates ---------------------------------------------------------------------------------

namespace {

void FreeAnimation(TGObject* Obj) {
  Obj->Free();
}

} // namespace

TLocationAnimationCollection::TLocationAnimationCollection(TGObject* AOwner)
    : TGObject(AOwner) {
  FItems.SetCaseSensitive(true);
  FItems.SetDuplicates(dupAccept);
}

void TLocationAnimationCollection::Destroy() {
  Clear();
  inherited::Destroy();
}

TLocationAnimation* TLocationAnimationCollection::Items(int Index) const {
  return FItems.ObjectAs<TLocationAnimation>(Index);
}

TLocationAnimation* TLocationAnimationCollection::ByName(std::string_view AID) const {
  for (int I = 0; I < FItems.Count(); ++I) {
    if (FItems.Get(I) == AID) {
      return Items(I);
    }
  }
  return nullptr;
}

void TLocationAnimationCollection::Add(TLocationAnimation* Animation) {
  Animation->SetOwner(this);
  FItems.AddObject(Animation->ID(), Animation);
}

void TLocationAnimationCollection::Delete(int Index) {
  if (Index < 0 || Index >= FItems.Count()) {
    throw Error("TLocationAnimationCollection.Delete: Index is out of bounds");
  }
  TGObject* A = FItems.GetObject(Index);
  FItems.Delete(Index);
  FreeAnimation(A);
}

void TLocationAnimationCollection::Clear() {
  while (FItems.Count() > 0) {
    Delete(FItems.Count() - 1);
  }
}

void TLocationAnimationCollection::OwnedObjectDestroying(TGObject* Obj) {
  int Index = FItems.IndexOfObject(Obj);
  if (Index >= 0) {
    FItems.Delete(Index);
  }
  inherited::OwnedObjectDestroying(Obj);
}
