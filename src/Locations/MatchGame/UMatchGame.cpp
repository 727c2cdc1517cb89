#include "Locations/MatchGame/UMatchGame.h"

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UMatchScreen.h"
#include "flow/UPlayScreen.h"
#include "object/UGClassBuilder.h"
#include "player/UPlayer.h"
#include "widgets/UFadeWindow.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TMatchGame)

namespace {

// Pieces needed to win, whatever the location file says.
constexpr int32_t CBallsPerGame = 3;
constexpr int CKeyF8 = 119;

TGWidget* PlayScreenWindow() {
  IPlayScreen* Screen = PlayScreen();
  return Screen ? Screen->Window() : nullptr;
}

} // namespace

void TMatchGame::Publish(TGClassBuilder<TMatchGame>& B) {
  using T = TMatchGame;
  B.Property("LevelIndex", &T::LevelIndex, &T::SetLevelIndex)
      .Property("BallsCount", &T::BallsCount, &T::SetBallsCount)
      .Method("StartMatch3", &T::StartMatch3)
      .Method("OnBallPick", &T::OnBallPick);
}

void TMatchGame::AfterConstruction() {
  inherited::AfterConstruction();
  FInitialized = false;
  FCompleted = false;
  FInTutorial = false;
  FStartMatch3OnNextUpdate = false;
}

void TMatchGame::Destroy() {
  FreeScreen();
  inherited::Destroy();
}

// --- The screen --------------------------------------------------------------------------------

void TMatchGame::StartMatch3() {
  if (FMatchScreen) {
    return;
  }
  FMatchScreen = New<TMatchScreen>(this, this);
  FMatchScreen->GameLogic()->OnBlockCollected = TGNotifyEvent(this, &TMatchGame::OnBlockCollected);
  if (TGWidget* Window = PlayScreenWindow()) {
    Window->Add(FMatchScreen);
  }
}

void TMatchGame::DetachScreen() {
  if (!FMatchScreen) {
    return;
  }
  if (TGWidget* Parent = FMatchScreen->Parent()) {
    Parent->Extract(FMatchScreen);
  }
  if (CurrentMatchScreen == FMatchScreen) {
    CurrentMatchScreen = nullptr;
  }
}

void TMatchGame::FreeScreen() {
  DetachScreen();
  if (TMatchScreen* S = FMatchScreen) {
    FMatchScreen = nullptr;
    S->Free();
  }
}

void TMatchGame::ReTry() {
  if (!FMatchScreen) {
    return;
  }
  FreeScreen();
  StartMatch3();
}

// --- The game's course -------------------------------------------------------------------------

void TMatchGame::OnBallPick() {
  ++FBallIdx;
  Eval("Australia_05_OnHeadPicked()");
  if (FMatchScreen && FBallIdx == FBallsCount) {
    FMatchScreen->GameLogic()->SetIsCompleted(true);
  }
}

void TMatchGame::OnBlockCollected(TGObject* Sender) {
  (void)Sender;
  OnBallPick();
}

int32_t TMatchGame::HeadsPickedCount() const {
  return GetAttr("HeadsPickedCount").ToInteger();
}

bool TMatchGame::IsPlayScreenFading() const {
  auto* Window = dynamic_cast<TFadeWindow*>(PlayScreenWindow());
  return Window && Window->FadeState() != fwsNone;
}

void TMatchGame::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  if (FStartMatch3OnNextUpdate) {
    FStartMatch3OnNextUpdate = false;
    StartMatch3();
    FMatchScreen->GameLogic()->SetBlockSpawned(HeadsPickedCount());
  }
  if (FFadingOut) {
    FFadingOut = IsPlayScreenFading();
    return;
  }
  if (!FInTutorial && FMatchScreen && FMatchScreen->GameLogic()->IsFailed()) {
    ReTry();
  }
  if (FMatchScreen && FMatchScreen->GameLogic()->Board()->IsStill() && !FCompleted &&
      ActiveAnimationsCount() == 0 && HeadsPickedCount() == FBallsCount) {
    FCompleted = true;
    PuzzleSolved();
  }
}

// A negative level index makes a win start a new game instead of ending the puzzle.
void TMatchGame::PuzzleSolved() {
  Eval("Australia_05_OnWin()");
  FBallIdx = 0;
  FCompleted = false;
  if (FLevelIndex < 0) {
    ReTry();
    return;
  }
  FCompleted = true;
  DetachScreen();
  // The screen stays the location's until the location goes, but is forgotten here.
  FMatchScreen = nullptr;
  Eval("Australia_05_OnShowSnake()");
}

bool TMatchGame::DoHint() {
  if (FMatchScreen) {
    FMatchScreen->GameLogic()->DoHint();
  }
  return true;
}

bool TMatchGame::CustomHint(TGameObject* AObject) {
  (void)AObject;
  SolveVisible = FMatchScreen && !FCompleted;
  return false;
}

void TMatchGame::KeyDown(int Key) {
  inherited::KeyDown(Key);
  // The developers' F8 brings every head still on the board down at once, as if each reached
  // its ring: the game is won as the heads win it (for scripted plays of the whole game).
  if (Key == CKeyF8 && FMatchScreen && CurrentPlayer && CurrentPlayer->Cheats()) {
    while (FMatchScreen && HeadsPickedCount() < FBallsCount && FBallIdx < FBallsCount) {
      OnBallPick();
    }
    return;
  }
  if (FMatchScreen) {
    FMatchScreen->KeyDown(static_cast<uint16_t>(Key));
  }
}

void TMatchGame::Activate() {
  FFadingOut = false;
  FBallIdx = 0;
  FLevelIndex = 0;
  FBallsCount = CBallsPerGame;
  inherited::Activate();
  if (!FInitialized) {
    FInitialized = true;
  }
}

void TMatchGame::Deactivate() {
  inherited::Deactivate();
  FreeScreen();
}

// --- Saving ------------------------------------------------------------------------------------

void TMatchGame::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  FInitialized = Node->GetBoolAttrDef("M3Initialized", false);
  FBallsCount = Node->GetIntAttrDef("M3BallsCount", 4);
  FCompleted = Node->GetBoolAttrDef("M3Completed", false);
  if (GetAttr("Match3Started").ToBoolean() && !GetAttr("Match3Finished").ToBoolean()) {
    FStartMatch3OnNextUpdate = true;
  }
}

TGXMLNode* TMatchGame::SaveToXML() const {
  TGXMLNode* XML = inherited::SaveToXML();
  XML->SetBoolAttrDef("M3Initialized", false, FInitialized);
  XML->SetIntAttrDef("M3BallsCount", 4, FBallsCount);
  XML->SetBoolAttrDef("M3Completed", false, FCompleted);
  return XML;
}
