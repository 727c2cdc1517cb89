// The colour-path puzzle by the totem: a 5 × 7 grid of coloured cells and a totem that shows a
// row of marbles. The player traces a chain of neighbouring cells (the eight around the last one)
// whose colours follow the marbles; a full chain sends the totem down and back with the next
// row, six rows in all, then the scene's completion script runs. Nothing is saved: the scene's
// script calls Init whenever the puzzle starts.
#pragma once

#include "locations/USimpleLocation.h"
#include "math/UGMathTypes.h"

#include <cstdint>
#include <string>
#include <vector>

class TBaseGameObject;
class TGGraphic;

class TCongo_05_Puzzle : public TLocationWithGoalAllItemsCollected {
  G_CLASS(TCongo_05_Puzzle, TLocationWithGoalAllItemsCollected)
  explicit TCongo_05_Puzzle(TGObject* AOwner = nullptr)
      : TLocationWithGoalAllItemsCollected(AOwner) {}

  static constexpr int32_t CRows = 5;
  static constexpr int32_t CColumns = 7;
  static constexpr int32_t CSequenceCount = 6;

  bool Inited() const { return FInited; }
  int32_t SequenceId() const { return FSequenceId; }
  const std::vector<int32_t>& Sequence() const { return FSequence; }
  const std::vector<TGameObject*>& CellSequence() const { return FCellSequence; }
  // A full chain's completion waits on the main channel: the chain is frozen until it has run.
  bool CompletionQueued() const { return FCompletionQueued; }

  // The cells take the mouse, the first row of marbles is set and the totem appears.
  void Init();
  // The next row of marbles; after the sixth the puzzle is complete.
  void GenerateSequence();
  // Run by the scene's script once the totem has gone down after a full chain.
  void SequenceComplete();
  void ForceCompletion();
  bool IsPuzzleLocation() const override { return FInited; }

  // The colour number 1 to 6 the cell's picture names; raises for a cell without one.
  int32_t GetCellColor(const TGameObject* Cell) const;
  // (column, row) read from the cell's ID.
  static TGPoint GetCellXY(const TGameObject* Cell);
  static std::string CellID(int32_t Row, int32_t Column);
  TGGraphic* CellSelectionGfx() const;
  TGGraphic* ArrowGfx() const;
  void CellMouseDown(TBaseGameObject* Sender, int Button);

  void Update(int32_t AInterval) override;
  void Draw() override;
  void MouseDown(int Button) override;

  static void Publish(TGClassBuilder<TCongo_05_Puzzle>& B);

private:
  TGameObject* Obj(const char* AID) const;
  bool Accepts(TGameObject* Cell) const;
  void DrawChain(TGGraphic* Selection, TGGraphic* Arrow) const;
  void DrawMarbles() const;

  bool FInited = false;
  int32_t FSequenceId = 0;
  std::vector<int32_t> FSequence;
  std::vector<TGameObject*> FCellSequence;
  bool FCompletionQueued = false;
};
