// Loading arbitrary bytes as a match-three level must either fail with an engine error or give
// rules that play: random presses, drags and frames never crash or hang, every item stays on
// the cell that holds it, and once the board has come to rest no cell is left locked.
#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UMatchGameClasses.h"
#include "base/UGRandom.h"
#include "xml/UGXMLNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool Condition) {
  if (!Condition) {
    std::abort();
  }
}

// Every item stands on the cell that holds it, and a cell is locked only for the selection or
// for a match that waits for its resolution.
void CheckInvariants(TBoard& Board) {
  const TBoardActions& Actions = *Board.Actions();
  for (TCell* C : Board.Cells()) {
    Check(!C->Item() || C->Item()->Cell() == C);
    Check(!C->Item() || !C->IsHole());
    if (!C->IsLocked() || C == Actions.SelectedCell()) {
      continue;
    }
    bool Waiting = false;
    for (const TBoardActions::TPendingMatch& P : Actions.PendingMatches()) {
      for (const TCell* M : P.Cells) {
        Waiting = Waiting || M == C;
      }
    }
    Check(Waiting);
  }
}

TMatchConfig Config(uint32_t Seed) {
  TMatchConfig C;
  C.GemAppearanceType = static_cast<int32_t>(Seed & 1);
  C.PercentOfSpawnBlock = static_cast<float>(Seed % 120);
  for (int N = 3; N <= 9; ++N) {
    C.CombinationGems[static_cast<size_t>(N)] = N;
  }
  C.ThousandsSeparator = ",";
  return C;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Registered = (RegisterMatchGameClasses(), true);
  (void)Registered;
  std::string Text(reinterpret_cast<const char*>(Data), Size);
  uint32_t Seed = 2166136261u;
  for (unsigned char Ch : Text) {
    Seed = (Seed ^ Ch) * 16777619u;
  }
  GlobalRandom().SetSeed(Seed);
  TGObjectPtr<TGXMLNode> Level(new TGXMLNode());
  TGObjectPtr<TGameLogic> Logic;
  try {
    Level->LoadFromString(Text);
    Logic.reset(New<TGameLogic>(nullptr, 0, Level.get(), TGameLogicStartupInfo{}, Config(Seed)));
  } catch (const EGException&) {
    return 0;
  }
  TBoard& Board = *Logic->Board();
  TGRandom Player(Seed);
  try {
    for (int Frame = 0; Frame < 400; ++Frame) {
      TGPoint P{Player.Random(460) - 20, Player.Random(460) - 20};
      switch (Player.Random(4)) {
      case 0:
        Logic->BoardMouseDown(P);
        break;
      case 1:
        Logic->BoardMouseMove(P, true);
        break;
      case 2:
        if (Player.Random(20) == 0) {
          Logic->DoHint();
        }
        break;
      default:
        break;
      }
      Logic->Update(Player.Random(3) == 0 ? 0.5f : 1.0f / 30);
      CheckInvariants(Board);
    }
    // Without the player the board comes to rest with every lock released.
    Board.Actions()->Deselect();
    for (int Frame = 0; Frame < 300 && !Board.IsStill(); ++Frame) {
      Logic->Update(1.0f / 30);
      CheckInvariants(Board);
    }
    if (Board.IsStill()) {
      for (TCell* C : Board.Cells()) {
        Check(!C->IsLocked());
      }
    }
  } catch (const EGException&) {
    // A gem set too small to fill the board without lines stops the level with an error.
  }
  CheckInvariants(Board);
  return 0;
}
