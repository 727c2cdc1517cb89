// The rules of the match-three game: a level's board, gem kinds, score, time line and blocks;
// the resolution of matches into explosions, points and bonuses; the refill that never makes a
// ready-made line; the player's selection and swaps; the frame of play (cascades, the no-moves
// shuffle, triggers, portals, the end of the level); and the spawning of blocks.
//
// Time is in seconds. The level runs as a queue of game states (UMatchStates.h) that the
// operations DoStartLevel, DoPlay, DoPause, DoEndLevel, DoLevelFail and DoShuffleBoard queue.
// Without a match screen (the rules played headless) a level starts at play, with the time line
// at its start position, and the states that only show something finish at once.
#pragma once

#include "Locations/MatchGame/UBoardLogic.h"
#include "Locations/MatchGame/ULevel.h"
#include "Locations/MatchGame/URowCol.h"

#include <string>
#include <vector>

class TBoard;
class TCell;
class TItem;
class TGXMLNode;
class TGWidget;
class TMatchScreen;
namespace Match3 {
class TState;
class TStateQueue;
} // namespace Match3

// What the match screen gives the rules when a level starts.
struct TGameLogicStartupInfo {
  int32_t Score = 0;
  bool IsRunPlay = true;
  bool IsAfterFailed = false;
};

// The ordinals are stored.
enum TLevelEndingReason { lerComplete = 0, lerLocationComplete = 1, lerFailed = 2 };

// The level's time line, in seconds: it runs from its position up to its maximum, and the level
// fails when it gets there.
struct TTimeLine {
  float Min = 0;
  float Max = 0;
  float Position = 0;
};

class TGameLogic : public TBoardLogic {
  G_CLASS(TGameLogic, TBoardLogic)
  // Owned by the match screen. The level element is the root of the level file (not owned);
  // the level loads from it after construction.
  TGameLogic(TGObject* AOwner, int32_t ALevel, TGXMLNode* ALevelXML,
             const TGameLogicStartupInfo& Info, const TMatchConfig& AConfig);
  // Loads the level, reads the spawn percentage, fills the board at once when the game's
  // configuration asks for it, and starts the level.
  void AfterConstruction() override;

  TBoard* Board() const { return FBoard; }
  TLevel Level() const { return FLevel; }
  TGXMLNode* LevelXML() const { return FLevelXML; }
  const std::string& GemSet() const { return FGemSet; }
  int32_t Score() const { return FScore; }
  // The score shown, running after the score.
  float CurrentScore() const { return FCurrentScore; }
  float NoMatchesTimer() const { return FNoMatchesTimer; }
  int32_t BoardOrientation() const { return FBoardOrientation; }
  int32_t BlockSpawned() const { return FBlockSpawned; }
  void SetBlockSpawned(int32_t Value) { FBlockSpawned = Value; }
  float PercentOfSpawnBlock() const { return FPercentOfSpawnBlock; }
  void SetPercentOfSpawnBlock(float Value) { FPercentOfSpawnBlock = Value; }
  int32_t DiceAppearCounter() const { return FDiceAppearCounter; }
  float PlayTimer() const { return FPlayTimer; }
  float NoMovesTimer() const { return FNoMovesTimer; }
  const TTimeLine& TimeLine() const { return FTimeLine; }
  void SetTimeLinePosition(float Value) { FTimeLine.Position = Value; }
  // The screen the rules were made for (their owner), or none headless.
  TMatchScreen* Screen() const { return FScreen; }
  // The screen's board panel, or none.
  TGWidget* BoardPanel() const;
  Match3::TStateQueue* StateQueue() const { return FStateQueue; }
  // The front game state, or none.
  Match3::TState* State() const;
  // The player's cheat mode.
  bool IsCheatsEnabled() const;
  void ResetNoMovesTimer() { FNoMovesTimer = 0; }
  float InitTimeLinePosition() const { return FInitTimeLinePosition; }
  bool IsRunPlay() const { return FIsRunPlay; }
  bool IsAfterFailed() const { return FIsAfterFailed; }
  bool IsPaused() const { return false; }
  // Set when the level fails.
  bool IsFailed() const { return FIsFailed; }
  void SetIsFailed(bool Value) { FIsFailed = Value; }
  // Set by the location when enough blocks have been collected, and when the level completes:
  // either way the puzzle is solved. It ends the play.
  bool IsCompleted() const { return FIsCompleted; }
  void SetIsCompleted(bool Value) { FIsCompleted = Value; }
  // A playing state is at the front of the queue and has not finished.
  bool IsPlaying() const;
  // Whether the level has ended, and how.
  bool IsLevelEnded() const { return FIsLevelEnded; }
  TLevelEndingReason EndingReason() const { return FEndingReason; }
  int32_t BlocksCollected() const { return FBlocksCollected; }
  // Told (with the rules as Sender) whenever a block leaves the board at the bottom.
  TGNotifyEvent OnBlockCollected;

  // --- TBoardLogic ---
  // Draws the kind that opens locked sockets from the gem set.
  void SetIsLockedBlockSocket(bool Value) override;
  // A dice bonus after three line or cross bonuses; otherwise a gem of a kind from the set that
  // completes no line with the two gems below it or the two to its left. The generic error when
  // every kind of the set would.
  TItem* CreateItem(TGObject* AOwner, TRowCol RowCol) override;
  TItem* CreateBlock(TGObject* AOwner, int32_t BlockIdx) override;
  void OnActivateBonus(TBonusItem* Bonus) override;
  void OnExplodeItem(TItem* Item) override;
  void ResolveMatch(std::vector<TCell*> Cells, TRowCol Bonus1, TRowCol Bonus2) override;
  void OnCollectBlock(TItem* Block) override;

  // A digit of the gem set at random (0 for an empty set).
  int32_t GetRandomGemKind() const;
  // The level element: "GemSet", "IsLockedBlockSocket", "TotalTime", "CurrentTime",
  // "BlockWasSpawned" and the first child "Board".
  void LoadFromXML(const TGXMLNode& Node);
  void IncreaseScore(int32_t Points, TGFlatVector Position);
  // A match of gems of the socket kind opens the last uncovered socket among its cells while a
  // block is on the board.
  void UnlockBlockSocket(const std::vector<TCell*>& Cells);
  // The board has had no move for too long: it is shuffled.
  void NoMoves();

  virtual void UpdateLevelTitle() {}
  virtual void UpdateScore(float Seconds);
  virtual void SpawnBricks(TItem* Item) { (void)Item; }
  virtual void LoadBoardFromXML(const TGXMLNode& Node) { (void)Node; }
  virtual TGVector NoMovesCubePosition() const { return TGVector{0.135f, 1.46f, 0.04f}; }
  // One frame: the board (while its panel shows), the state queue, the blocks, the score.
  virtual void Update(float Seconds);
  // Queues a playing state.
  virtual void DoPlay();
  // The board fades out, waits and fades in again before play goes on.
  virtual void DoPause();
  virtual void DoEndLevel(bool Complete);
  virtual void DoShuffleBoard();
  virtual void DoLevelComplete();
  virtual void DoLevelFail();
  // The time line at the level's start position, then play.
  virtual void DoStartLevel();
  // A possible move carries the hint star.
  virtual void DoHint();

  // --- The player (points relative to the board widget; only while the level is played) ---
  // A press selects, deselects, or swaps the selected cell with a neighbour.
  void BoardMouseDown(TGPoint Point);
  // Dragging a selected item by 20 pixels or more along a row or a column swaps it.
  void BoardMouseMove(TGPoint Point, bool PrimaryDown);

  // --- The frame of play, step by step ---
  // Every match on the board starts its resolution; whether there was one.
  bool CheckMatch();
  // Counts the time the still board has had no move (and no bonus); shuffles after 5 seconds.
  void CheckNoMoves(float Seconds);
  // A block on a trigger cell of a cleared board fires the trigger effects, once.
  void CheckStartTrigger();
  // Passive portals without a block become active; a block on an active portal goes to the last
  // active portal without one, which turns passive.
  void CheckPortals();
  // A still, cleared board with a block on a socket completes the level.
  void CheckLevelCompletion();
  // After "BoardBlinkDelay" seconds without a press on the board every gem blinks, in a wave
  // drawn at random (along the diagonals, out from the centre or in towards it).
  void CheckBoardBlink(float Seconds);
  // The gem under the mouse blinks; other blinking gems whose blink has played for a second
  // show their own picture again.
  void HoverBlink(float Seconds);
  float BlinkTimer() const { return FBlinkTimer; }
  // One frame of the playing state: the steps above, the completion, the time line and the
  // blinks.
  void Play(float Seconds);
  // A new block while fewer than four have come, the board is still, cleared enough, and the
  // previous block has left the upper half.
  void UpdateBlocks();

protected:
  void PlaySound(std::string_view URL);

private:
  bool CompletesLine(TRowCol RowCol, int32_t Kind) const;
  bool IsGemOfKind(TRowCol RowCol, int32_t Kind) const;
  TItem* CreateBonusFor(int32_t Count);
  TGFlatVector MatchCentre(const std::vector<TCell*>& Cells) const;
  bool IsBonusOnBoard() const;
  bool IsBlockOnSocket() const;
  // The playing state at the front finishes.
  void EndPlay();

  float FNoMatchesTimer = 0;
  int32_t FBoardOrientation = 0;
  TLevel FLevel;
  int32_t FDiceAppearCounter = 0;
  float FPlayTimer = 0;
  int32_t FBlockSpawned = 0;
  std::string FGemSet;
  TGXMLNode* FLevelXML;
  TBoard* FBoard; // owned
  int32_t FScore = 0;
  float FCurrentScore = 0;
  float FInitTimeLinePosition = 0;
  float FPercentOfSpawnBlock = 100;
  bool FIsRunPlay = true;
  bool FIsAfterFailed = false;
  bool FIsFailed = false;
  bool FIsCompleted = false;
  TTimeLine FTimeLine;
  TMatchScreen* FScreen = nullptr;
  Match3::TStateQueue* FStateQueue = nullptr; // owned
  // The play.
  bool FIsLevelCompleted = false;
  bool FIsLevelEnded = false;
  TLevelEndingReason FEndingReason = lerComplete;
  float FNoMovesTimer = 0;
  TGPoint FPressPoint;
  float FBlinkTimer = 0;
  TGPoint FMousePoint;
  bool FMouseOnBoard = false;
  int32_t FBlocksCollected = 0;
  std::vector<TCell*> FMatchCells; // reused by CheckMatch
};
