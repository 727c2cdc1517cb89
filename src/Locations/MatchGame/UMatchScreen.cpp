#include "Locations/MatchGame/UMatchScreen.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/ULevel.h"
#include "Locations/MatchGame/USymbolPool.h"
#include "Locations/MatchGame/UTaskProcessor.h"
#include "animation/UGAnimation.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "drawables/UGParticle.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "flow/UPlayScreen.h"
#include "graphics/UGManagedTexture.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UFadeWindow.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGProgressBar.h"
#include "widgets/UGWindowHost.h"

#include <algorithm>
#include <cmath>
#include <functional>

G_IMPLEMENT_CLASS(TMatchScreen)

TMatchScreen* CurrentMatchScreen = nullptr;

namespace {

// Virtual keys of the speed cheats: numpad *, + and -.
constexpr uint16_t CKeyMultiply = 106;
constexpr uint16_t CKeyAdd = 107;
constexpr uint16_t CKeySubtract = 109;
constexpr float CMaxSpeed = 128;
constexpr float CMinSpeed = 1.0f / 128;

// The layers whose graphics keep what has finished (the tasks take their pictures away).
constexpr const char* CLayers[] = {"Board\\Back",  "Board\\Path",    "Board\\Walls",
                                   "Board\\Tiles", "Board\\Portals", "Board\\TargetCells",
                                   "Board\\Gems"};

// Wall pictures lie across the middle of their side: top, left, right, bottom.
struct TWallPlace {
  float X, Y, Rotation;
};
constexpr TWallPlace CWallPlaces[4] = {{0.5f, 0, 0}, {0, 0.5f, 90}, {1, 0.5f, 90}, {0.5f, 1, 0}};

} // namespace

void TMatchScreen::AfterConstruction() {
  inherited::AfterConstruction();
  FPaused = true;
  FSpeedMultiplier = 1;
  FParticleSystem = new TGParticleSystem(this);
  CurrentMatchScreen = this;
  TGResourceLibrary* Library = MainResourceLibrary();
  if (auto* Template = Library
                           ? TryObjectCast<TGWindow>(Library->GetResourceEx(CTemplateURL, false))
                           : nullptr) {
    LoadFromTemplate(Template);
  } else {
    ODS("The match screen has no window \"%s\"", std::string(CTemplateURL));
  }
  FBoardPanel = FindWidget("Board");
  FTimerFrame = FindWidget("Timer");
  FTimeLine = TryObjectCast<TGProgressBar>(FindWidget("Timer\\TimerBack\\Timer"));
  if (Library) {
    FConfig.Load(*Library);
  }
  LoadLevel();
  FSymbols = new TExplosionChainSymbolManager(this);
  AttachDrawing();
  if (FTimerFrame) {
    FTimerFrame->SetVisible(false);
  }
}

// The first stage of the first location; without its file the board stays empty.
void TMatchScreen::LoadLevel() {
  TGXMLNode* LevelXML = nullptr;
  TLevel Level{0};
  if (TGResourceLibrary* Library = MainResourceLibrary()) {
    try {
      LevelXML = Level.GetStageXML(*Library);
    } catch (const std::exception& E) {
      ODS("The match-three level %s did not load: %s", Level.StageURL(), std::string(E.what()));
    }
  }
  FGameLogic = New<TGameLogic>(this, Level.Order(), LevelXML, TGameLogicStartupInfo{0, true, false},
                               FConfig);
}

void TMatchScreen::AttachDrawing() {
  auto Attach = [this](const char* Path, void (TMatchScreen::*Handler)(TGObject*), bool Before) {
    if (TGWidget* W = FindWidget(Path)) {
      (Before ? W->OnBeforeDraw : W->OnAfterDraw) = TGNotifyEvent(this, Handler);
    }
  };
  Attach("Board\\Path", &TMatchScreen::DrawPath, false);
  Attach("Board\\Walls", &TMatchScreen::DrawWalls, false);
  Attach("Board\\Tiles", &TMatchScreen::DrawTiles, false);
  Attach("Board\\TargetCells", &TMatchScreen::DrawTargets, false);
  Attach("Board\\Portals", &TMatchScreen::DrawPortals, false);
  Attach("Board\\Gems", &TMatchScreen::DrawItems, true);
  for (const char* Path : CLayers) {
    if (TGWidget* W = FindWidget(Path)) {
      W->Graphics()->SetRemoveFinished(false);
      W->SetAllowMouse(false); // the presses reach the board panel
    }
  }
}

void TMatchScreen::Destroy() {
  if (FGameLogic) {
    TGameLogic* L = FGameLogic;
    FGameLogic = nullptr;
    L->Free();
  }
  if (CurrentMatchScreen == this) {
    CurrentMatchScreen = nullptr;
  }
  for (auto& [URL, G] : FGraphics) {
    if (G) {
      G->Release();
    }
  }
  FGraphics.clear();
  inherited::Destroy();
}

void TMatchScreen::SetSpeedMultiplier(float Value) {
  FSpeedMultiplier = std::clamp(Value, CMinSpeed, CMaxSpeed);
}

bool TMatchScreen::IsAllHeadsDown() const {
  return FGameLogic && FGameLogic->Board()->IsAllHeadsDown();
}

// The play screen lies above this library; its window is reached through what it publishes.
bool TMatchScreen::IsPlayScreenOnTop() {
  IPlayScreen* Screen = PlayScreen();
  TGWindow* Window = Screen ? Screen->Window() : nullptr;
  return !Window || (WindowHost && WindowHost->GetTopWindow() == Window);
}

// --- The frame ---------------------------------------------------------------------------------

void TMatchScreen::Update(float DeltaTime) {
  if (!FGameLogic || !IsPlayScreenOnTop()) {
    return;
  }
  inherited::Update(DeltaTime);
  FGameLogic->Update(DeltaTime * FSpeedMultiplier);
  ShowRules();
  RemovePlayedFlashes();
}

void TMatchScreen::RemovePlayedFlashes() {
  for (size_t I = Children().size(); I-- > 0;) {
    auto* Flash = dynamic_cast<TGPicture*>(Children()[I]);
    if (!Flash || Flash->Name() != TDiceBonus::CGlobalExplosionName) {
      continue;
    }
    auto* Ani = dynamic_cast<TGAnimation*>(Flash->Picture()->Instance());
    if (!Ani || Ani->IsFinished()) {
      Remove(Flash);
    }
  }
}

void TMatchScreen::UpdateTree(float DeltaTime) {
  if (!IsPlayScreenOnTop()) {
    return;
  }
  if (PM) {
    PM->SetupParticleHeir(FParticleSystem);
  }
  FParticleSystem->Update(DeltaTime);
  inherited::UpdateTree(DeltaTime);
  if (PM) {
    PM->RestoreParticleHeir();
  }
}

void TMatchScreen::ShowRules() {
  const TTimeLine& T = FGameLogic->TimeLine();
  if (FTimeLine) {
    FTimeLine->SetMin(T.Min);
    FTimeLine->SetMax(T.Max);
    FTimeLine->SetPosition(T.Position);
  }
  if (auto* Score = TryObjectCast<TGLabel>(FindWidget("ScorePanel\\Score"))) {
    Score->SetData(IntToStrSeparatedEx(
        static_cast<int32_t>(std::lround(FGameLogic->CurrentScore())), FConfig.ThousandsSeparator));
  }
}

void TMatchScreen::DrawTree() {
  inherited::DrawTree();
  FParticleSystem->Draw();
}

void TMatchScreen::KeyDown(uint16_t Key) {
  inherited::KeyDown(Key);
  if (Key == CKeyAdd) {
    SetSpeedMultiplier(FSpeedMultiplier * 2);
  } else if (Key == CKeySubtract) {
    SetSpeedMultiplier(FSpeedMultiplier / 2);
  } else if (Key == CKeyMultiply) {
    FSpeedMultiplier = 1;
  }
}

// --- The board's layers ------------------------------------------------------------------------

TGGraphic* TMatchScreen::Graphic(const std::string& URL) {
  if (URL.empty()) {
    return nullptr;
  }
  auto It = FGraphics.find(URL);
  if (It != FGraphics.end()) {
    return It->second;
  }
  TGGraphic* G = FindBonusGraphic(URL); // logs a name that is missing, once
  if (G) {
    G->AddRef();
  }
  FGraphics.emplace(URL, G);
  return G;
}

void TMatchScreen::DrawFieldCrop(TGGraphic* Field, float X, float Y) {
  auto* Sprite = TryObjectCast<TGSprite>(Field);
  if (!Sprite) {
    if (Field) {
      Field->Draw(X, Y, 0, 0, 0, 1, 1);
    }
    return;
  }
  TGSpriteBatch* Batch = TGSprite::GetBatch();
  if (!Batch) {
    return;
  }
  const TGRectFloat Crop{X, Y, X + CCellSize, Y + CCellSize};
  const TGMatrix M = MatTranslation(X, Y, 0) * GD->GetMatrixByType(mWorld);
  Batch->Add(Crop, M, GD->Blending(), GD->MaterialDiffuse(), Sprite->Texture());
  if (TGSprite::FBatchCounter == 0) {
    Batch->Flush();
  }
}

// The frame every layer drawer shares: nothing without rules or a device; each cell with the
// top-left corner of its place in the board's pixels, all in one sprite batch.
void TMatchScreen::DrawCells(const std::function<void(const TCell&, float, float)>& DrawCell) {
  if (!FGameLogic || !GD) {
    return;
  }
  TGSprite::BeginBatch();
  for (TCell* C : FGameLogic->Board()->Cells()) {
    TGPoint P = C->Position();
    DrawCell(*C, static_cast<float>(P.X), static_cast<float>(P.Y));
  }
  TGSprite::EndBatch();
}

void TMatchScreen::DrawAt(std::string_view URL, float X, float Y) {
  if (TGGraphic* G = URL.empty() ? nullptr : Graphic(std::string(URL))) {
    G->Draw(X, Y, 0, 0, 0, 1, 1);
  }
}

void TMatchScreen::DrawTiles(TGObject* Sender) {
  (void)Sender;
  DrawCells([this](const TCell& C, float X, float Y) {
    if (!C.Graphics().Tile.empty()) {
      DrawFieldCrop(Graphic(std::string(C.Graphics().Tile)), X, Y);
    }
  });
}

void TMatchScreen::DrawPath(TGObject* Sender) {
  (void)Sender;
  DrawCells([this](const TCell& C, float X, float Y) {
    DrawAt(C.Graphics().Path, X, Y);
    DrawAt(C.Graphics().Trigger, X, Y);
  });
}

void TMatchScreen::DrawWalls(TGObject* Sender) {
  (void)Sender;
  DrawCells([this](const TCell& C, float X, float Y) {
    for (size_t Side = 0; Side < 4; ++Side) {
      if (TGGraphic* G = Graphic(std::string(C.Graphics().Walls[Side]))) {
        const TWallPlace& W = CWallPlaces[Side];
        G->Draw(X + W.X * CCellSize, Y + W.Y * CCellSize, 0.5f, 0.5f, W.Rotation, 1, 1);
      }
    }
  });
}

void TMatchScreen::DrawTargets(TGObject* Sender) {
  (void)Sender;
  DrawCells([this](const TCell& C, float X, float Y) { DrawAt(C.Graphics().Target, X, Y); });
}

void TMatchScreen::DrawPortals(TGObject* Sender) {
  (void)Sender;
  DrawCells([this](const TCell& C, float X, float Y) { DrawAt(C.Graphics().Portal, X, Y); });
}

// An item a task animates shows that animation (placed in the board's pixels); any other shows
// its own picture on its cell, with the hint star over it.
void TMatchScreen::DrawItems(TGObject* Sender) {
  (void)Sender;
  if (!FGameLogic || !GD) {
    return;
  }
  auto* Processor = dynamic_cast<TTaskProcessor*>(FGameLogic->Board()->Actions());
  TGSprite::BeginBatch();
  for (TCell* C : FGameLogic->Board()->Cells()) {
    TItem* Item = C->Item();
    if (!Item) {
      continue;
    }
    if (TGAnimation* Ani = Processor ? Processor->ItemAnimation(Item) : nullptr) {
      Ani->Draw();
      continue;
    }
    TGPoint P = C->Position();
    const auto X = static_cast<float>(P.X);
    const auto Y = static_cast<float>(P.Y);
    if (TGGraphic* G = Graphic(Item->Graphic().empty() ? Item->GetStaticGfx() : Item->Graphic())) {
      // The effect picture is shared by every gem of the kind; each blinks from its own start.
      auto* Ani = Item->IsHighlighted() ? dynamic_cast<TGAnimation*>(G) : nullptr;
      if (Ani) {
        Ani->SetElapsedTime(static_cast<int32_t>(std::lround(Item->HighlightTime() * 1000)));
      }
      G->Draw(X + CCellSize / 2.0f, Y + CCellSize / 2.0f, 0.5f, 0.5f, 0, 1, 1);
    }
    if (TGGraphic* Star = Item->IsBlinking() ? Graphic(Item->BlinkingStar()) : nullptr) {
      Star->Draw(X + CCellSize / 2.0f, Y + CCellSize / 2.0f, 0.5f, 0.5f, 0, 1, 1);
    }
  }
  TGSprite::EndBatch();
}
