#include "Locations/MatchGame/UDiceCreator.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/USymbolPool.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "base/UGRandom.h"
#include "object/UGClassBuilder.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TExplosionDiceCreator)
G_IMPLEMENT_CLASS(TExplosionDice)

namespace {

// Rejected targets retried in one update before a rejection costs an explosion.
constexpr int32_t CMaxRejections = 100;
constexpr float CDiceFlightSpeed = 1.5f;
// The flight's keys: fractions of the way, 250 ms of animation time apart.
constexpr float CFlightKeys[] = {0.25f, 0.5f, 0.75f, 1.0f};

TGGraphicCollection* PanelGraphics() {
  return ExplosionChainSymbolManager ? ExplosionChainSymbolManager->BoardGraphics() : nullptr;
}

TGFlatVector CellMiddle(TRowCol RC) {
  TGPoint P = GetCellXY(RC);
  return TGFlatVector{static_cast<float>(P.X + 20), static_cast<float>(P.Y + 20)};
}

} // namespace

// --- The creator -------------------------------------------------------------------------------

TExplosionDiceCreator::TExplosionDiceCreator(TTaskProcessor* AProcessor, TRowCol AOrigin,
                                             const std::string& EffectURL)
    : TBoardTask(AProcessor)
    , FOrigin(AOrigin)
    , FEffect(EffectURL) {}

void TExplosionDiceCreator::Update(float Seconds) {
  if (FDelay > 0) {
    FDelay = std::max(FDelay - Seconds, 0.0f);
    return;
  }
  FTimer += Seconds;
  auto Due = static_cast<int32_t>(
      std::nearbyint(static_cast<float>(FExplosionNumber) * FTimer / CDiceShowerTime));
  int32_t Count = std::clamp(Due - FExplosionCreates, 0, FExplosionNumber - FExplosionCreates);
  CreateExplosions(Count);
  if (FTimer > CDiceShowerTime) {
    Finish();
  }
}

bool TExplosionDiceCreator::IsTarget(const TCell* Cell) const {
  return Cell && !Cell->IsHole() && !Cell->IsLocked() && ItemAs<TGem>(Cell->Item());
}

void TExplosionDiceCreator::CreateExplosions(int32_t Count) {
  TBoard* B = Board();
  auto RandomCell = [B] { return B->GetCell(Random(CBoardSize), Random(CBoardSize)); };
  int32_t Rejections = 0;
  for (int32_t I = 0; I < Count; ++I) {
    TCell* Target = I == 0   ? B->GetCellUnderBlock()
                    : I == 1 ? B->GetRandomUnclearedCell()
                             : nullptr;
    for (;;) {
      if (!Target) {
        Target = RandomCell();
      }
      if (IsTarget(Target)) {
        New<TExplosionDice>(TaskProcessor(), FOrigin, Target->RowCol(), FEffect);
        ++FExplosionCreates;
        break;
      }
      if (++Rejections >= CMaxRejections) {
        break;
      }
      Target = nullptr;
    }
  }
}

// --- One explosion -----------------------------------------------------------------------------

TGFlatVector Interpolation(TGFlatVector Start, TGFlatVector End, float T) {
  return TGFlatVector{Start.X + std::sqrt(T) * (End.X - Start.X),
                      Start.Y + T * T * (End.Y - Start.Y)};
}

TGAnimation* CreateDiceAnimation(TGObject* AOwner, TGGraphic* Effect, TGFlatVector Start,
                                 TGFlatVector End) {
  auto* Ani = New<TGAnimation>(AOwner);
  Ani->SetSpeed(CDiceFlightSpeed);
  auto* Picture = TGChannel::Create<TGLivePicture>(Ani);
  Picture->SetVisible(true);
  if (Effect) {
    Picture->Gfx()->SetResValue(0, Effect);
  }
  Picture->PivotX()->SetRealValue(0, 0.5f);
  Picture->PivotY()->SetRealValue(0, 0.5f);
  Picture->X()->SetRealValue(0, Start.X);
  Picture->Y()->SetRealValue(0, Start.Y);
  for (float T : CFlightKeys) {
    TGFlatVector P = Interpolation(Start, End, T);
    auto Time = static_cast<int32_t>(std::nearbyint(T * 1000));
    Picture->X()->SetRealValue(Time, P.X);
    Picture->Y()->SetRealValue(Time, P.Y);
  }
  return Ani;
}

TExplosionDice::TExplosionDice(TTaskProcessor* AProcessor, TRowCol AOrigin, TRowCol ATarget,
                               const std::string& EffectURL)
    : TBoardTask(AProcessor)
    , FTarget(ATarget)
    , FOrigin(AOrigin) {
  FAni = CreateDiceAnimation(this, FindBonusGraphic(EffectURL), CellMiddle(AOrigin),
                             CellMiddle(ATarget));
  TGGraphicCollection* Graphics = PanelGraphics();
  if (Graphics) {
    Graphics->Add(FAni);
  }
  FUpdatesAni = !Graphics;
  LockCell(Board()->GetCell(ATarget));
  Update(0);
}

void TExplosionDice::Update(float Seconds) {
  if (FUpdatesAni || !PanelGraphics()) {
    FAni->Update(Seconds);
  }
  if (FAni->IsFinished()) {
    Finish();
  }
}

// A flight that landed explodes its target; one cut short (the board closing) leaves the board
// as it is.
void TExplosionDice::Destroy() {
  UnlockCells();
  if (TGGraphicCollection* Graphics = PanelGraphics()) {
    Graphics->Extract(FAni);
  }
  TTaskProcessor* Processor = TaskProcessor();
  if (IsFinished() && Processor && !Processor->IsClosing() && FTarget.InsideBoard()) {
    if (auto* Item = ItemAs<TSelectableItem>(Board()->GetCell(FTarget)->Item())) {
      Item->Explode(nullptr);
    }
  }
  inherited::Destroy();
}
