#include "locations/UDrawHelper.h"

#include "animation/UGAnimation.h"
#include "locations/UBaseLocation.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "objects/ULiveGameObject.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TDrawHelper)

TDrawHelper::TDrawHelper(TBaseLocation* ALocation)
    : TGObject(ALocation)
    , FLocation(ALocation) {}

const TGameObjectDrawHelper& TDrawHelper::Helper(int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  }
  return FHelpers[static_cast<size_t>(Index)];
}

void TDrawHelper::Reset(int ACount) {
  FHelpers.assign(static_cast<size_t>(std::max(ACount, 0)), TGameObjectDrawHelper{});
  FUnbound.clear();
}

void TDrawHelper::InsertSlot(int Index) {
  FHelpers.insert(FHelpers.begin() + std::clamp(Index, 0, Count()), TGameObjectDrawHelper{});
}

void TDrawHelper::DeleteSlot(int Index) {
  if (Index >= 0 && Index < Count()) {
    FHelpers.erase(FHelpers.begin() + Index);
  }
}

int TDrawHelper::SlotOf(TLiveGameObject* Live) const {
  TGameObject* Obj = Live->GameObject();
  if (!Obj || !FLocation) {
    return -1;
  }
  int Index = FLocation->Objects()->IndexOf(Obj);
  return Index < Count() ? Index : -1;
}

void TDrawHelper::AddAnimation(TGAnimation* Animation) {
  if (!Animation) {
    return;
  }
  // The slot of the animation's first live-object channel takes what comes before it.
  int First = -1;
  for (int32_t I = 0; I < Animation->GetCount() && First < 0; ++I) {
    auto* Live = TryObjectCast<TLiveGameObject>(Animation->GetChannel(I));
    if (Live && !Live->IsMask()) {
      First = SlotOf(Live);
    }
  }
  int Current = -1; // the slot of the nearest live-object channel before
  for (int32_t I = 0; I < Animation->GetCount(); ++I) {
    TGChannel* C = Animation->GetChannel(I);
    auto* Live = TryObjectCast<TLiveGameObject>(C);
    if (Live && !Live->IsMask()) {
      int Slot = SlotOf(Live);
      if (Slot >= 0) {
        FHelpers[static_cast<size_t>(Slot)].Live.push_back(Live);
        Current = Slot;
      }
      continue;
    }
    if (Current >= 0) {
      FHelpers[static_cast<size_t>(Current)].After.push_back(C);
    } else if (First >= 0) {
      FHelpers[static_cast<size_t>(First)].Before.push_back(C);
    } else {
      FUnbound.push_back(C);
    }
  }
  // A mask leads its slot's list, so that it cuts the object it follows.
  for (TGameObjectDrawHelper& H : FHelpers) {
    auto Mask = std::find_if(H.After.begin(), H.After.end(),
                             [](const TGChannel* C) { return C->IsMask(); });
    if (Mask != H.After.end() && Mask != H.After.begin()) {
      std::rotate(H.After.begin(), Mask, Mask + 1);
    }
  }
}

void TDrawHelper::RemoveChannel(const TGChannel* Channel) {
  auto Drop = [Channel](auto& List) {
    List.erase(std::remove(List.begin(), List.end(), Channel), List.end());
  };
  for (TGameObjectDrawHelper& H : FHelpers) {
    Drop(H.Before);
    Drop(H.After);
    Drop(H.Live);
  }
  Drop(FUnbound);
}

void TDrawHelper::RemoveAnimation(const TGAnimation* Animation) {
  auto Of = [Animation](const TGChannel* C) { return C->Animation() == Animation; };
  auto Drop = [&Of](auto& List) {
    List.erase(std::remove_if(List.begin(), List.end(), Of), List.end());
  };
  for (TGameObjectDrawHelper& H : FHelpers) {
    Drop(H.Before);
    Drop(H.After);
    Drop(H.Live);
  }
  Drop(FUnbound);
}

void TDrawHelper::DrawChannel(TGChannel* Channel) {
  if (TGAnimation* A = Channel->Animation()) {
    A->DrawChannel(Channel);
  } else {
    Channel->Draw();
  }
}

void TDrawHelper::Draw() {
  TGameObjectCollection* Objects = FLocation ? FLocation->Objects() : nullptr;
  if (!Objects) {
    return;
  }
  auto DrawVisible = [this](const std::vector<TGChannel*>& List) {
    for (TGChannel* C : List) {
      if (C->Visible() && !C->IsMask()) {
        DrawChannel(C);
      }
    }
  };
  const int Slots = std::min(Count(), Objects->Count());
  for (int I = 0; I < Slots; ++I) {
    // The lists are copied: drawing runs object hooks and scripts that may change them.
    TGameObjectDrawHelper H = FHelpers[static_cast<size_t>(I)];
    DrawVisible(H.Before);
    if (!H.After.empty() && H.After.front()->IsMask() && !H.Live.empty() &&
        H.Live.front()->Visible()) {
      if (TGAnimation* A = H.Live.front()->Animation()) {
        A->DrawMasked(H.Live.front(), H.After.front());
      }
    } else if (H.Live.empty()) {
      TGameObject* Obj = Objects->ItemsReadOnly(I);
      FLocation->BeforeObjectDraw(Obj);
      Obj->Draw();
      FLocation->AfterObjectDraw(Obj);
    } else if (H.Live.front()->Visible()) {
      DrawChannel(H.Live.front());
    }
    DrawVisible(H.After);
  }
  DrawVisible(std::vector<TGChannel*>(FUnbound));
}
