// The match-three location: a puzzle location whose scripts start the match-three game. The
// game's screen lies over the location as a child of the play screen; each stone head the
// player brings down counts as a piece collected ("Australia_05_OnHeadPicked()", which keeps
// "HeadsPickedCount"); enough pieces win ("Australia_05_OnWin()", then the screen goes and
// "Australia_05_OnShowSnake()" runs); a failed level is replaced by a fresh game. A game left
// unfinished by a save starts again when the location is next updated.
#pragma once

#include "Locations/UPuzzleGameLocation.h"

class TMatchScreen;

class TMatchGame : public TPuzzleGameLocation {
  G_CLASS(TMatchGame, TPuzzleGameLocation)
  explicit TMatchGame(TGObject* AOwner = nullptr)
      : TPuzzleGameLocation(AOwner) {}
  void AfterConstruction() override;

  TMatchScreen* MatchScreen() const { return FMatchScreen; }
  int32_t LevelIndex() const { return FLevelIndex; }
  void SetLevelIndex(int32_t Value) { FLevelIndex = Value; }
  int32_t BallsCount() const { return FBallsCount; }
  void SetBallsCount(int32_t Value) { FBallsCount = Value; }
  int32_t BallIdx() const { return FBallIdx; }
  bool Completed() const { return FCompleted; }
  bool Initialized() const { return FInitialized; }
  bool InTutorial() const { return FInTutorial; }
  void SetInTutorial(bool Value) { FInTutorial = Value; }
  bool StartMatch3OnNextUpdate() const { return FStartMatch3OnNextUpdate; }

  // A new match screen over the play screen, unless one is up.
  void StartMatch3();
  // A piece collected; enough of them complete the game.
  void OnBallPick();
  // The screen is replaced by a fresh game.
  void ReTry();

  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;
  void Update(int32_t AInterval) override;
  void KeyDown(int Key) override;
  void Activate() override;
  void Deactivate() override;
  bool IsPuzzleLocation() const override { return FMatchScreen != nullptr; }
  bool CustomHint(TGameObject* AObject) override;
  bool DoHint() override;
  void PuzzleSolved() override;

  static void Publish(TGClassBuilder<TMatchGame>& B);

protected:
  void Destroy() override;

private:
  // Takes the screen off the play screen; it stays owned by the location.
  void DetachScreen();
  void FreeScreen();
  void OnBlockCollected(TGObject* Sender);
  int32_t HeadsPickedCount() const;
  bool IsPlayScreenFading() const;

  bool FStartMatch3OnNextUpdate = false;
  bool FInitialized = false;
  TMatchScreen* FMatchScreen = nullptr; // owned
  int32_t FBallIdx = 0;
  int32_t FLevelIndex = 0;
  int32_t FBallsCount = 4;
  bool FCompleted = false;
  bool FInTutorial = false;
  bool FFadingOut = false;
};
