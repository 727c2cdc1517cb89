#include "Locations/Puzzles/UFindPairsState.h"

#include "Screens/UGameScreen.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "drawables/UGSymbol.h"
#include "locations/ULocation.h"
#include "locations/ULocationItemsDistribution.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "resources/UGResourceLibrary.h"

G_IMPLEMENT_CLASS(TFindPairsState)

namespace {

TGGraphic* FindGraphic(const std::string& URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  TGGraphic* G = Library ? TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false)) : nullptr;
  if (!G) {
    ODS("Find pairs: the picture \"%s\" is missing", URL);
  }
  return G;
}

} // namespace

bool ReplaceGraphicInChannel(TGAnimation* Animation, int32_t ChannelIndex, TGGraphic* G) {
  if (!Animation || ChannelIndex < 0 || ChannelIndex >= Animation->Count()) {
    return false;
  }
  auto* Picture = TryObjectCast<TGLivePicture>(Animation->GetChannel(ChannelIndex));
  if (!Picture) {
    return false;
  }
  TGResourceSeq* Keys = Picture->Gfx();
  if (Keys->Count() == 0) {
    Keys->SetResValue(0, G);
  }
  for (int K = 0; K < Keys->Count(); ++K) {
    Keys->SetResValue(Keys->Terms(K).Time, G);
  }
  return true;
}

// --- The pairing rule -----------------------------------------------------------------------

bool TFindPairsState::ObjectIsPair(const TGameObject* AObject) {
  return AObject && !AObject->GroupID().empty();
}

bool TFindPairsState::SameObjects(const TGameObject* A, const TGameObject* B) {
  return A && B && A->GroupID() == B->GroupID();
}

bool TFindPairsState::IsPuzzleObject(const TGameObject* AObject) const {
  if (!AObject || AObject->LocationBehaviorName() != "Pickable") {
    return false;
  }
  auto* L = TryObjectCast<TLocation>(Location());
  TBaseLocationItemsPage* Page = L ? L->ItemsDistribution()->CurrentPage() : nullptr;
  return Page && Page->IndexOf(AObject->ID()) >= 0;
}

void TFindPairsState::GameObjectMouseDown(TGameObject* Sender, int Button) {
  if (!IsPuzzleObject(Sender)) {
    UnSelect();
    inherited::GameObjectMouseDown(Sender, Button);
    return;
  }
  if (FSelectedObject) {
    TGameObject* First = FSelectedObject;
    const bool Twin = ObjectIsPair(Sender) && Sender != First && SameObjects(First, Sender);
    // The selected object shows its own picture again before it flies.
    UnSelect();
    if (Twin) {
      if (TGameScreen* Screen = CurrentGameScreen()) {
        Screen->FlyAndMoveToInventory(First);
        Screen->FlyAndMoveToInventory(Sender);
      }
    }
    return;
  }
  if (ObjectIsPair(Sender)) {
    Select(Sender);
  }
}

void TFindPairsState::GameObjectInventoryMouseDown(TGameObject* Sender, int Button) {
  inherited::GameObjectInventoryMouseDown(Sender, Button);
  UnSelect();
}

void TFindPairsState::WindowMouseDown(int Button) {
  inherited::WindowMouseDown(Button);
  TGameScreen* Screen = CurrentGameScreen();
  if (Screen && Screen->MouseDisposition() == pdtLocation && !Screen->MouseCaptureObject()) {
    UnSelect();
  }
}

// --- Selection ------------------------------------------------------------------------------

void TFindPairsState::Select(TGameObject* AObject) {
  if (!AObject) {
    return;
  }
  UnSelect();
  TGameScreen* Screen = CurrentGameScreen();
  if (!FFirstSelected) {
    if (Screen) {
      Screen->Say("Zari", CFirstSelectionSpeech, "");
    }
    FFirstSelected = true;
  }
  if (AD) {
    AD->PlaySfx(CPairSfxURL, false);
  }
  FSelectedObject = AObject;
  Subscribe(TGNotification(AObject, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TFindPairsState::OnSelectedDestroy));
  TGGraphic* Effect = FindGraphic(CSelectedGfxURL);
  if (!FSelectedGfx) {
    FSelectedGfx = new TGSymbol(this);
  }
  if (Effect && FSelectedGfx->Graphic() != Effect) {
    FSelectedGfx->SetGraphic(Effect);
  }
  if (auto* Running = TryObjectCast<TGAnimation>(FSelectedGfx->Instance())) {
    Running->SetElapsedTime(0);
    Running->ClearParticles();
  }
  TGSymbol* Symbol = AObject->Symbol();
  TGGraphic* Own = Symbol->Graphic();
  if (!Effect || !Own) {
    return; // the object stays selected, drawn as it is
  }
  FEffectClone = TryObjectCast<TGAnimation>(Effect->Clone(this));
  if (!FEffectClone) {
    ODS("Find pairs: \"%s\" is no animation", CSelectedGfxURL);
    return;
  }
  FPictureClone = TryObjectCast<TGGraphic>(Own->Clone(this));
  ReplaceGraphicInChannel(FEffectClone, 0, FPictureClone);
  ReplaceGraphicInChannel(FEffectClone, 1, FPictureClone);
  // The effect's box is the picture's, so the selected object is hit where it was.
  FEffectClone->RefreshBoundingBox();
  Symbol->SetGraphic(FEffectClone);
  Symbol->Update(0);
}

void TFindPairsState::UnSelect() {
  if (!FSelectedObject) {
    return;
  }
  TGameObject* Obj = FSelectedObject;
  FSelectedObject = nullptr;
  UnSubscribe(Obj);
  if (FEffectClone && Obj->Symbol()->Graphic() == FEffectClone) {
    Obj->Symbol()->SetGraphic(Obj->Gfx());
  }
  FreeClones();
}

void TFindPairsState::FreeClones() {
  FreeAndNil(FEffectClone);
  FreeAndNil(FPictureClone);
}

void TFindPairsState::OnSelectedDestroy(TGObject* Sender) {
  if (Sender == FSelectedObject) {
    FSelectedObject = nullptr;
    FreeClones();
  }
}

// --- Frames and saving ----------------------------------------------------------------------

void TFindPairsState::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  if (FSelectedGfx) {
    FSelectedGfx->Update(static_cast<float>(AInterval) / 1000.0f);
  }
}

TGXMLNode* TFindPairsState::SaveToXML() const {
  TGXMLNode* XML = inherited::SaveToXML();
  // Saving is the one moment a selection is dropped from outside the rule.
  const_cast<TFindPairsState*>(this)->UnSelect();
  return XML;
}

void TFindPairsState::Destroy() {
  // A state leaving with its location gives the selected object its picture back.
  UnSelect();
  inherited::Destroy();
}
