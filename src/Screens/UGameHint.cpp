#include "Screens/UGameHint.h"

#include "Screens/UGameScreen.h"
#include "Screens/UGameScreenStates.h"
#include "Screens/UScaledGraphicCollection.h"
#include "Screens/UScanner.h"
#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGVarSeq.h"
#include "audio/UGAudio.h"
#include "base/UGStrUtils.h"
#include "flow/UFlowChannel.h"
#include "inventory/UInventory.h"
#include "locations/ULocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptLines.h"
#include "script/UScriptProcessor.h"
#include "widgets/UGButton.h"
#include "widgets/UGProgressBar.h"

#include <cmath>
#include <numbers>

G_IMPLEMENT_CLASS(TGameHint)

namespace {

constexpr const char* CUseHintSound = "UI\\GameScreen\\UseHint.ogg";
constexpr const char* CLightningURL = "UI\\GameWindow\\Lightning.ani";
constexpr const char* CSparkURL = "Game\\HintObject.ani";
constexpr const char* CHighlightURL = "Game\\GameObjHighlight.ani";
constexpr const char* CClueEffectURL = "Game\\SumerMegaAmazingFX.ani";
constexpr int CListEntries = 8;

// The index of the items' group that holds the object, or -1.
int ItemsGroupIndexOf(const TGameObject* AObject) {
  TItemsCollection* Items = CurrentPlayer ? CurrentPlayer->Inventory()->Items() : nullptr;
  for (int G = 0; Items && G < Items->Count(); ++G) {
    TBaseItemArray* Group = Items->Group(G);
    for (int I = 0; I < Group->Count(); ++I) {
      if (Group->ItemByIndex(I) == AObject) {
        return G;
      }
    }
  }
  return -1;
}

TLocation* CurrentHintLocation() {
  return CurrentPlayer ? TryObjectCast<TLocation>(CurrentPlayer->CurrentLocation()) : nullptr;
}

TGFlatVector ObjectMiddle(TGameObject* Obj, bool Rotated) {
  if (Obj->Gfx()) {
    const TGRectFloat& R = Obj->BoundingRect();
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  float HX = Obj->Width() / 2;
  float HY = Obj->Height() / 2;
  if (Rotated) {
    const float A = Obj->Angle() * std::numbers::pi_v<float> / 180;
    const float X = std::cos(A) * HX - std::sin(A) * HY;
    const float Y = std::cos(A) * HY + std::sin(A) * HX;
    HX = X;
    HY = Y;
  }
  return {Obj->Left() + HX, Obj->Top() + HY};
}

void KeyMovie(TGAnimation* A, int32_t Channel, int32_t Time, float X, float Y) {
  if (auto* M = Channel < A->Count() ? TryObjectCast<TGMovie>(A->Channels(Channel)) : nullptr) {
    M->X()->SetValue(Time, TGVariant(X));
    M->Y()->SetValue(Time, TGVariant(Y));
  }
}

} // namespace

TGameHint::TGameHint(TGObject* AOwner, TGameScreen* AGameScreen)
    : TGObject(AOwner)
    , FGameScreen(AGameScreen)
    , FScaledGraphics(new TScaledGraphicCollection(this)) {
  if (!FGameScreen) {
    return;
  }
  if (auto* Hint = TryObjectCast<TGButton>(FGameScreen->FindWidget("GameInterface\\Hint"))) {
    Hint->OnClick = TGNotifyEvent(this, &TGameHint::OnHintClick);
  }
  if (auto* Solve = TryObjectCast<TGButton>(FGameScreen->FindWidget("GameInterface\\Solve"))) {
    Solve->OnClick = TGNotifyEvent(this, &TGameHint::OnSolveClick);
  }
}

void TGameHint::Publish(TGClassBuilder<TGameHint>& B) {
  B.Property("Recharging", &TGameHint::Recharging)
      .Method("Recharge", &TGameHint::Recharge, {"AffectCount"})
      .Method("HideSparks", &TGameHint::HideSparks)
      .Method("KillSparks", &TGameHint::KillSparks)
      .Method("ShowSpark", &TGameHint::ShowSparkAt, {"AObject"})
      .Method("ShowLightningBolt", &TGameHint::ShowLightningBoltAt, {"AObject"})
      .Method("Spark", &TGameHint::Spark, {"AObj"})
      .Method("LightningBolt", &TGameHint::LightningBolt, {"AObj"})
      .Method("HintObjectManual", &TGameHint::HintObjectManual, {"AObject"})
      .Method("HintObjectScript", &TGameHint::HintObjectScript, {"AObject"})
      .Method("HighlightPuzzle", &TGameHint::HighlightPuzzle, {"AObj"})
      .Method("Sound", &TGameHint::Sound);
}

void TGameHint::Destroy() {
  KillSparks();
  inherited::Destroy();
}

int TGameHint::BoltCount() const {
  return FScaledGraphics->Count();
}

TGGraphic* TGameHint::CloneAnimation(const char* URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* A = Library ? TryObjectCast<TGAnimation>(Library->GetResourceEx(URL, false)) : nullptr;
  if (!A) {
    return nullptr;
  }
  auto* Copy = static_cast<TGAnimation*>(CloneObject(*A, nullptr));
  Copy->SetElapsedTime(0);
  return Copy;
}

// --- Time ----------------------------------------------------------------------------------------

void TGameHint::Update(float AInterval) {
  for (TGGraphic* Spark : FSparkList) {
    Spark->Update(AInterval);
  }
  for (size_t I = FSparkList.size(); I-- > 0;) {
    if (FSparkList[I]->IsFinished()) {
      FSparkList[I]->Free();
      FSparkList.erase(FSparkList.begin() + static_cast<std::ptrdiff_t>(I));
    }
  }
  FScaledGraphics->Update(AInterval);
  if (FRecharging && FGameScreen) {
    if (FGameScreen->HintsCount() > 1 && FRechargingBecauseOfZero) {
      // A hint was earned meanwhile: the placeholder goes back.
      FGameScreen->SetHintsCount(FGameScreen->HintsCount() - 1);
      FRecharging = false;
    } else {
      FRechargeElapsedTime += static_cast<int32_t>(AInterval * 1000);
      if (FRechargeElapsedTime > CRechargeTime) {
        FRecharging = false;
      }
    }
  }
  UpdateButtons();
}

void TGameHint::UpdateButtons() {
  if (!FGameScreen) {
    return;
  }
  TLocation* L = FGameScreen->ActiveLocation();
  const bool SolveVisible = L && L->SolveVisible;
  if (auto* Bar =
          TryObjectCast<TGProgressBar>(FGameScreen->FindWidget("GameInterface\\HintRecharging"))) {
    Bar->SetVisible(FRecharging);
    Bar->SetPosition(static_cast<float>(FRechargeElapsedTime) / CRechargeTime * Bar->Max());
    Bar->SetAllowMouse(true);
    Bar->OnClick = TGNotifyEvent(this, &TGameHint::DisabledHintClick);
  }
  if (TGWidget* Hint = FGameScreen->FindWidget("GameInterface\\Hint")) {
    Hint->SetVisible(!FRecharging && !SolveVisible);
  }
  if (TGWidget* Solve = FGameScreen->FindWidget("GameInterface\\Solve")) {
    Solve->SetVisible(!FRecharging && SolveVisible);
  }
}

void TGameHint::Draw() {
  for (TGGraphic* Spark : FSparkList) {
    Spark->Draw();
  }
  FScaledGraphics->Draw();
}

void TGameHint::Recharge(bool AffectCount) {
  if (FRecharging) {
    return;
  }
  FRechargeElapsedTime = 0;
  FRecharging = true;
  FRechargingBecauseOfZero = AffectCount;
  if (AffectCount && FGameScreen && CurrentPlayer) {
    CurrentPlayer->BriefInfo()->HintsCount = 1;
  }
}

// --- Sparks and bolts ----------------------------------------------------------------------------

void TGameHint::HideSparks() {
  for (TGGraphic* Spark : FSparkList) {
    if (auto* A = TryObjectCast<TGAnimation>(Spark)) {
      A->SetLooped(false);
    }
  }
}

void TGameHint::KillSparks() {
  std::vector<TGGraphic*> Old;
  Old.swap(FSparkList);
  for (TGGraphic* Spark : Old) {
    Spark->Free();
  }
}

void TGameHint::ShowSpark(const TGFlatVector& Point) {
  auto* A = TryObjectCast<TGAnimation>(CloneAnimation(CSparkURL));
  if (!A) {
    return;
  }
  KeyMovie(A, 0, 0, Point.X, Point.Y);
  A->SetElapsedTime(0);
  FSparkList.push_back(A);
}

void TGameHint::ShowSparkAt(TGameObject* AObject) {
  if (AObject) {
    ShowSpark(AObject->GetCenter());
  }
}

void TGameHint::ShowLightningBolt(const TGFlatVector& Source, const TGFlatVector& Destination) {
  Sound();
  auto* A = TryObjectCast<TGAnimation>(CloneAnimation(CLightningURL));
  if (!A) {
    return;
  }
  const float DX = Destination.X - Source.X;
  const float DY = Destination.Y - Source.Y;
  const float L = std::sqrt(DX * DX + DY * DY);
  if (L <= 0 || A->Width() <= 0) {
    A->Free();
    return;
  }
  // Turned up towards the target (the button sits below everything it points at), stretched to
  // reach it.
  const float Angle = -std::acos(DX / L) * 180 / std::numbers::pi_v<float>;
  for (int32_t C = 0; C < std::min(2, A->Count()); ++C) {
    if (auto* M = TryObjectCast<TGMovie>(A->Channels(C))) {
      M->Angle()->SetValue(0, TGVariant(M->Angle()->GetRealValue(0) + Angle));
    }
  }
  const float Scale = L / A->Width();
  FScaledGraphics->Push(A, Source.X, Source.Y, Scale, Scale);
}

void TGameHint::ShowLightningBoltTo(const TGFlatVector& Destination) {
  TGWidget* Button = FGameScreen ? FGameScreen->FindWidget("GameInterface\\Hint") : nullptr;
  const TGRectFloat R = Button ? Button->ScreenRect() : TGRectFloat{};
  ShowLightningBolt({R.Left, R.Top}, Destination);
}

void TGameHint::ShowLightningBoltAt(TGameObject* AObject) {
  if (AObject) {
    ShowLightningBoltTo(AObject->GetCenter());
  }
}

void TGameHint::Spark(TGameObject* AObj) {
  if (AObj) {
    ShowSpark(ObjectMiddle(AObj, false));
  }
}

void TGameHint::LightningBolt(TGameObject* AObj) {
  if (AObj) {
    ShowLightningBoltTo(ObjectMiddle(AObj, true));
  }
}

void TGameHint::HighlightPuzzle(TGameObject* AObj) {
  if (!AObj) {
    return;
  }
  auto* A = TryObjectCast<TGAnimation>(CloneAnimation(CHighlightURL));
  if (!A) {
    return;
  }
  const float L = AObj->Left();
  const float T = AObj->Top();
  const float R = L + AObj->Width();
  const float B = T + AObj->Height();
  const TGFlatVector Lap[5] = {{L, T}, {R, T}, {R, B}, {L, B}, {L, T}};
  for (int32_t I = 0; I < 5; ++I) {
    KeyMovie(A, 0, I * 500, Lap[I].X, Lap[I].Y);
    const TGFlatVector& Other = Lap[(I + 2) % 4];
    KeyMovie(A, 1, I * 500, Other.X, Other.Y);
  }
  A->SetElapsedTime(0);
  FSparkList.push_back(A);
}

void TGameHint::Sound() {
  if (AD) {
    AD->PlaySfx(CUseHintSound, false);
  }
}

// --- The hint itself -----------------------------------------------------------------------------

void TGameHint::HintObjectManual(TGameObject* AObject) {
  if (!AObject) {
    return;
  }
  KillSparks();
  if (!AObject->Clue().empty()) {
    Sound();
    AObject->SetClue("");
    // The list entry of a clue made plain shines once. Entry i shows the items' group i, so the
    // entry is found by the object's group (every entry, the first one too), and only the eight
    // entries there are can shine.
    const int Slot = ItemsGroupIndexOf(AObject);
    if (Slot >= 0 && Slot < CListEntries && FGameScreen) {
      const std::string Path = "GameInterface\\BackPackItems\\Item" + IdxToStr(Slot + 1);
      if (TGWidget* Entry = FGameScreen->FindWidget(Path)) {
        if (TGGraphic* Effect = CloneAnimation(CClueEffectURL)) {
          Entry->Graphics()->SetRemoveFinished(true);
          Entry->Graphics()->Add(Effect);
        }
      }
    }
    if (FGameScreen && FGameScreen->Scanner()->SelectedObject() == AObject) {
      FGameScreen->Scanner()->ResetSelectedObject();
      FGameScreen->Scanner()->SetObject(AObject);
    }
  }
  ShowLightningBoltAt(AObject);
  ShowSparkAt(AObject);
  AObject->SetHintUsed(true);
}

void TGameHint::HintObjectScript(TGameObject* AObject) {
  if (!AObject) {
    return;
  }
  TLocation* L = CurrentHintLocation();
  if (L && !L->OnHintScript.empty() && ScriptProcessor) {
    TGVariant Ignored;
    ScriptProcessor->Eval(ObjectLine("HintObject", AObject->ID()), Ignored);
    TGVariant Result;
    ScriptProcessor->Eval(L->OnHintScript, Result);
    if (!Result.ToBoolean()) {
      return; // the script gave the hint itself
    }
  }
  bool Hinted = false;
  if (L && !AObject->HiddenBy().empty()) {
    std::vector<std::string> Hiders;
    SplitString(AObject->HiddenBy(), ',', Hiders);
    for (const std::string& ID : Hiders) {
      TGameObject* Hider = L->Objects()->GetByIDReadOnly(Trim(ID));
      if (Hider && Hider->Visible() && Hider->TakingCount() == 0) {
        HintObjectManual(Hider);
        Hinted = true;
      }
    }
  }
  if (!Hinted) {
    HintObjectManual(AObject);
  }
}

// --- The buttons ---------------------------------------------------------------------------------

void TGameHint::OnHintClick(TGObject* Sender) {
  (void)Sender;
  if (TLocation* L = CurrentHintLocation()) {
    L->HintUsed = true;
  }
  if (FGameScreen && !FGameScreen->StateQueue()->Empty()) {
    if (auto* Front = TryObjectCast<TGameScreenState>(FGameScreen->StateQueue()->Peek())) {
      Front->ProcessHintClick();
    }
  }
}

void TGameHint::OnSolveClick(TGObject* Sender) {
  (void)Sender;
  if (TLocation* L = CurrentHintLocation()) {
    L->HintUsed = true;
    L->Solve();
  }
}

void TGameHint::DisabledHintClick(TGObject* Sender) {
  (void)Sender;
  if (TLocation* L = CurrentHintLocation(); L && L->MC()) {
    L->MC()->AddSpeechCue("Zari", "$#SPEECH#I need to find lightning bolt symbols to earn a hint$");
  }
}
