// What the match-three tests share: rules on an empty level with known points, boards drawn
// from text, and an action object that records what the player would hear and see.
#pragma once

#include "Locations/MatchGame/UBoard.h"
#include "Locations/MatchGame/UBoardActions.h"
#include "Locations/MatchGame/UBonusItems.h"
#include "Locations/MatchGame/UCell.h"
#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UItem.h"
#include "Locations/MatchGame/UMatchGameClasses.h"
#include "base/UGRandom.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace MatchTest {

class TRecordingActions : public TBoardActions {
public:
  explicit TRecordingActions(TGObject* AOwner = nullptr)
      : TBoardActions(AOwner) {}
  void PlaySound(std::string_view URL) override { Sounds.emplace_back(URL); }
  void ShowPoints(int32_t Points, const std::string& Text, TGFlatVector Position) override {
    PointTexts.push_back(Text);
    PointPlaces.push_back(Position);
    (void)Points;
  }
  bool Heard(std::string_view URL) const {
    for (const std::string& S : Sounds) {
      if (S == URL) {
        return true;
      }
    }
    return false;
  }
  std::vector<std::string> Sounds;
  std::vector<std::string> PointTexts;
  std::vector<TGFlatVector> PointPlaces;
};

inline TMatchConfig TestConfig() {
  TMatchConfig C;
  for (int N = 3; N <= 9; ++N) {
    C.CombinationGems[static_cast<size_t>(N)] = N * 10;
  }
  C.CombinationLine = 200;
  C.CombinationCross = 500;
  C.CombinationDice = 1000;
  C.ThousandsSeparator = ",";
  C.PercentOfSpawnBlock = 1000; // no blocks unless a test asks for them
  return C;
}

// A level element from the text of its attributes and its board's children.
inline TGObjectPtr<TGXMLNode> LevelXML(const std::string& Attributes,
                                       const std::string& Board = "") {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode());
  Node->LoadFromString("<Level " + Attributes + "><Board>" + Board + "</Board></Level>");
  return Node;
}

// Rules on a level whose board starts empty; the board is not filled until an update.
struct TRules {
  explicit TRules(const std::string& Attributes = "GemSet=\"12345\" TotalTime=\"100\"",
                  const std::string& Board = "", TMatchConfig Config = TestConfig())
      : Level(LevelXML(Attributes, Board)) {
    RegisterMatchGameClasses();
    Logic.reset(New<TGameLogic>(nullptr, 0, Level.get(), TGameLogicStartupInfo{}, Config));
    Actions = new TRecordingActions();
    Logic->Board()->SetActions(Actions);
  }
  TBoard& Board() const { return *Logic->Board(); }
  TCell* Cell(int Row, int Col) const { return Board().GetCell(Row, Col); }

  TGObjectPtr<TGXMLNode> Level;
  TGObjectPtr<TGameLogic> Logic;
  TRecordingActions* Actions = nullptr; // owned by the board
};

// Puts items on the board from ten lines of ten characters: 1-9 a gem of that kind, '.' no
// item, '#' a hole, 'B' a block (numbered in reading order), 'L', 'C', 'D' the bonuses, '_' a
// cell left as it is. Blanks between the characters are ignored.
inline void DrawBoard(TBoard& Board, const std::vector<std::string>& Lines) {
  int32_t Blocks = 0;
  for (int Row = 0; Row < static_cast<int>(Lines.size()); ++Row) {
    int Col = 0;
    for (char Ch : Lines[static_cast<size_t>(Row)]) {
      if (Ch == ' ') {
        continue;
      }
      TCell* Cell = Board.GetCell(Row, Col++);
      if (Ch == '_') {
        continue;
      }
      if (TItem* Old = Cell->Item()) {
        Old->Free();
      }
      TItem* Item = nullptr;
      if (Ch >= '1' && Ch <= '9') {
        auto* Gem = New<TGem>(&Board);
        Gem->SetKind(Ch - '0');
        Item = Gem;
      } else if (Ch == 'B') {
        auto* Block = New<TBlock>(&Board);
        Block->SetBlockIdx(Blocks++);
        Item = Block;
      } else if (Ch == 'L') {
        Item = New<TLineBonus>(&Board);
      } else if (Ch == 'C') {
        Item = New<TCrossBonus>(&Board);
      } else if (Ch == 'D') {
        Item = New<TDiceBonus>(&Board);
      } else if (Ch == '#') {
        Cell->IncludeFlag(cfHole);
      }
      Cell->SetItem(Item);
      if (Item) {
        Item->MakeStatic();
      }
    }
  }
}

// The board as DrawBoard draws it (blocks as 'B').
inline std::vector<std::string> BoardText(const TBoard& Board) {
  std::vector<std::string> Lines;
  for (int Row = 0; Row < CBoardSize; ++Row) {
    std::string Line;
    for (int Col = 0; Col < CBoardSize; ++Col) {
      const TCell* Cell = Board.GetCell(Row, Col);
      const TItem* Item = Cell->Item();
      char Ch = '.';
      if (Cell->IsHole()) {
        Ch = '#';
      } else if (auto* Gem = dynamic_cast<const TGem*>(Item)) {
        Ch = static_cast<char>('0' + Gem->Kind());
      } else if (dynamic_cast<const TBlock*>(Item)) {
        Ch = 'B';
      } else if (dynamic_cast<const TLineBonus*>(Item)) {
        Ch = 'L';
      } else if (dynamic_cast<const TCrossBonus*>(Item)) {
        Ch = 'C';
      } else if (dynamic_cast<const TDiceBonus*>(Item)) {
        Ch = 'D';
      }
      Line += Ch;
    }
    Lines.push_back(Line);
  }
  return Lines;
}

// The cells as "row,col" texts, in order.
inline std::vector<std::string> Places(const std::vector<TCell*>& Cells) {
  std::vector<std::string> Out;
  for (const TCell* C : Cells) {
    Out.push_back(std::to_string(C->RowCol().Row) + "," + std::to_string(C->RowCol().Col));
  }
  return Out;
}

// A board of gems without a single line: kinds follow a pattern with no three in a row.
inline std::vector<std::string> QuietBoard() {
  return {"1212343456", "3434565612", "1212343456", "3434565612", "1212343456",
          "3434565612", "1212343456", "3434565612", "1212343456", "3434565612"};
}

// Whether every item on the board knows its cell and every item the board owns stands on one.
inline bool ItemsWhereTheyBelong(TBoard& Board) {
  for (TCell* C : Board.Cells()) {
    if (C->Item() && C->Item()->Cell() != C) {
      return false;
    }
    if (C->IsHole() && C->Item()) {
      return false;
    }
  }
  return true;
}

} // namespace MatchTest
