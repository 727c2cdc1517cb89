#include "Locations/Puzzles/UOreDetectorLocation.h"

#include "animation/UGAnimation.h"
#include "base/UGDebug.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "widgets/UGWindowHost.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TAlaska_06)

namespace {

const char* const COreID = "UraniumOre_01_06";
const char* const CFarID = "Indicator_01_06";
const char* const CNearID = "IndicatorCloser_01_06";
const char* const CSpotID = "Item_01_06";
const char* const CFoundScript = "OreFound_01_06()";
const char* const CFoundSfx = "Match\\BonusMatch.ogg";
constexpr float CSpotMargin = 5;       // pixels the find spot reaches beyond its rectangle
constexpr float CNormalDistance = 250; // at this distance the indicator ticks at its own speed
constexpr float CMaxRate = 20;
constexpr float CStandStill = 10000; // seconds: an animation advanced this far stands at its end

TGFlatVector Mouse() {
  if (!WindowHost) {
    return {};
  }
  const TGPoint& P = WindowHost->MousePos();
  return {static_cast<float>(P.X), static_cast<float>(P.Y)};
}

void Hide(TGameObject* Obj) {
  if (Obj && Obj->Visible()) {
    Obj->SetVisible(false);
  }
}

} // namespace

void TAlaska_06::Publish(TGClassBuilder<TAlaska_06>& B) {
  using T = TAlaska_06;
  B.Property("OreFound", &T::OreFoundFlag)
      .Property("Ticking", &T::Ticking)
      .Method("Tick", &T::Tick)
      .Method("TickStop", &T::TickStop);
}

void TAlaska_06::AfterConstruction() {
  inherited::AfterConstruction();
  FOreFound = false;
  FTicking = false;
  FTickingOldValue = false;
}

void TAlaska_06::Tick() {
  FTicking = !FOreFound;
}

void TAlaska_06::TickStop() {
  FTicking = false;
  for (const char* IndicatorID : {CFarID, CNearID}) {
    TGameObject* Obj = Objects()->GetByIDReadOnly(IndicatorID);
    if (!Obj) {
      continue;
    }
    Hide(Obj);
    if (auto* Ani = TryObjectCast<TGAnimation>(Obj->Symbol()->Instance())) {
      Ani->SetLooped(false);
      Ani->Update(CStandStill);
    }
  }
}

float TAlaska_06::Closeness() const {
  const TGameObject* Ore = Objects()->GetByIDReadOnly(COreID);
  if (!Ore) {
    return CNormalDistance;
  }
  const TGFlatVector M = Mouse();
  const float D =
      std::hypot(M.X - (Ore->Left() + Ore->Width() / 2), M.Y - (Ore->Top() + Ore->Height() / 2));
  return std::max(D, 0.001f);
}

float TAlaska_06::TickRate(float Closeness) {
  const float R = CNormalDistance / std::max(Closeness, 0.001f);
  return std::min(R * R, CMaxRate);
}

TGameObject* TAlaska_06::Indicator() {
  TGameObject* Far = Objects()->GetByIDReadOnly(CFarID);
  TGameObject* Near = Objects()->GetByIDReadOnly(CNearID);
  const bool UseFar = Closeness() >= CNearDistance;
  Hide(UseFar ? Near : Far);
  return UseFar ? Far : Near;
}

void TAlaska_06::OreFound() {
  FOreFound = true;
  Eval(CFoundScript);
  if (CurrentPlayer) {
    CurrentPlayer->PlaySfx(CFoundSfx);
  }
}

void TAlaska_06::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  TGameObject* Shown = Indicator();
  if (!Shown) {
    return;
  }
  Shown->SetVisible(FTicking);
  FTickingOldValue = FTicking;
  if (!FTicking) {
    return;
  }
  if (const TGameObject* Spot = Objects()->GetByIDReadOnly(CSpotID)) {
    const TGFlatVector M = Mouse();
    if (M.X >= Spot->Left() - CSpotMargin && M.X <= Spot->Left() + Spot->Width() + CSpotMargin &&
        M.Y >= Spot->Top() - CSpotMargin && M.Y <= Spot->Top() + Spot->Height() + CSpotMargin) {
      OreFound();
    }
  }
  const float Rate = TickRate(Closeness());
  Shown->Update(static_cast<int32_t>(std::lround(Rate * static_cast<float>(AInterval))));
}
