// The board model: coordinates, level files and their errors, the board's queries, trigger
// effects, block spawning and the pictures of cells and items.
#include "MatchTestBoard.h"

#include "Locations/MatchGame/ULevel.h"
#include "Locations/MatchGame/UTriggerEffects.h"
#include "io/UGNativeFileSystem.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"

#include <gtest/gtest.h>

using namespace MatchTest;

namespace {

std::string LoadError(const std::string& Board,
                      const std::string& Attributes = "GemSet=\"123\" TotalTime=\"10\"") {
  try {
    TRules Rules(Attributes, Board);
  } catch (const EGException& E) {
    return E.ClassName() + std::string(": ") + E.Text();
  }
  return "loaded";
}

} // namespace

TEST(MatchBoard, CoordinatesAndPixels) {
  EXPECT_EQ(GetCellXY(TRowCol{2, 3}), (TGPoint{123, 82}));
  EXPECT_EQ(GetCellIJ(TGPoint{123, 82}), (TRowCol{2, 3}));
  EXPECT_EQ(GetCellIJ(TGPoint{40, 40}), (TRowCol{0, 0}));
  EXPECT_EQ(GetCellIJ(TGPoint{409, 410}), (TRowCol{10, 9}));
  // Left of and above the board is outside it, not in its first column or row.
  EXPECT_FALSE(GetCellIJ(TGPoint{-5, 10}).InsideBoard());
  EXPECT_FALSE(GetCellIJ(TGPoint{10, -1}).InsideBoard());
  EXPECT_EQ(TRowCol::Make(1, 2) + StepLeft, (TRowCol{1, 1}));

  TRules Rules;
  EXPECT_EQ(Rules.Cell(3, 4)->RowCol(), (TRowCol{3, 4}));
  EXPECT_THROW(Rules.Board().GetCell(10, 0), ERangeError);
  EXPECT_THROW(Rules.Board().GetCell(0, -1), ERangeError);
}

TEST(MatchBoard, LevelFileSetsFlagsDensityAndSockets) {
  TRules Rules("GemSet=\"1234\" TotalTime=\"60\" IsLockedBlockSocket=\"True\"",
               "<Cell Row='2' Col='3' Flags='3, 7' Density='2'/>"
               "<Cell Row='9' Col='4' Flags='2' IsLocked='True'/>"
               "<Cell Row='0' Col='0' Flags='0'/>");
  TCell* Cell = Rules.Cell(2, 3);
  EXPECT_TRUE(Cell->HasFlag(cfTopWall));
  EXPECT_TRUE(Cell->HasFlag(cfBlockPath));
  EXPECT_EQ(Cell->Density(), 2);
  // A socket of a level that locks sockets starts locked; the file cannot lock a cell.
  TCell* Socket = Rules.Cell(9, 4);
  EXPECT_TRUE(Socket->HasFlag(cfLockSocket));
  EXPECT_FALSE(Socket->IsLocked());
  EXPECT_TRUE(Rules.Cell(0, 0)->IsHole());
  // Cells not named keep their defaults.
  EXPECT_EQ(Rules.Cell(5, 5)->Flags().Mask, 0u);
  EXPECT_EQ(Rules.Cell(5, 5)->Density(), 0);
  EXPECT_GE(Rules.Logic->LockedSocketKind(), 1);
  EXPECT_LE(Rules.Logic->LockedSocketKind(), 4);
}

TEST(MatchBoard, LevelFileErrorsAreClear) {
  EXPECT_EQ(LoadError("<Cell Row='10' Col='0'/>"),
            "ERangeError: Cell (10, 0) is outside the board");
  EXPECT_EQ(LoadError("<Cell Row='1' Col='1' Flags='12'/>"),
            "ERangeError: Cell flag 12 is outside 0..11");
  EXPECT_EQ(LoadError("<Cell Row='1' Col='1' Flags='-1'/>"),
            "ERangeError: Cell flag -1 is outside 0..11");
  EXPECT_EQ(LoadError("<Cell Row='x' Col='1'/>"),
            "EGException: Attribute \"Row\" of \"Cell\" is not an integer: \"x\"");
  EXPECT_EQ(LoadError("<Cell Col='1'/>"), "EGException: Attribute \"Row\" not found");
  EXPECT_EQ(LoadError("<TriggerEffects><Cell Row='1' Col='1' Flag='16'/></TriggerEffects>"),
            "ERangeError: Trigger effect flag 16 is outside 0..11");
  EXPECT_EQ(LoadError("<TriggerEffects><Cell Row='1' Col='10' Flag='3'/></TriggerEffects>"),
            "ERangeError: Trigger effect cell (1, 10) is outside the board");
  EXPECT_EQ(LoadError("", "GemSet=\"120\" TotalTime=\"10\""),
            "ERangeError: The gem set \"120\" holds a kind outside 1..9");
  EXPECT_EQ(LoadError("", "GemSet=\"12\""), "EGException: Attribute \"TotalTime\" not found");
  EXPECT_EQ(LoadError("", "GemSet=\"12\" TotalTime=\"-5\""),
            "ERangeError: TotalTime -5 is negative");
  EXPECT_EQ(LoadError(""), "loaded");
}

TEST(MatchBoard, CellItemsOfTheFileReplaceOnlyItemsThatAreThere) {
  TRules Rules;
  DrawBoard(Rules.Board(), {"1"});
  TGObjectPtr<TGXMLNode> Board(new TGXMLNode());
  Board->LoadFromString("<Board><Cell Row='0' Col='0'><Item ClassName='TGem' Kind='7'/></Cell>"
                        "<Cell Row='0' Col='1'><Item ClassName='TGem' Kind='7'/></Cell></Board>");
  Rules.Board().LoadFromXML(*Board);
  auto* Gem = dynamic_cast<TGem*>(Rules.Cell(0, 0)->Item());
  ASSERT_NE(Gem, nullptr);
  EXPECT_EQ(Gem->Kind(), 7);
  EXPECT_EQ(Gem->Graphic(), "Game\\Match\\GameItems\\Gem7\\Static.png");
  EXPECT_EQ(Rules.Cell(0, 1)->Item(), nullptr);

  DrawBoard(Rules.Board(), {"1"});
  Board->LoadFromString("<Board><Cell Row='0' Col='0'><Item ClassName='TSnake'/></Cell></Board>");
  try {
    Rules.Board().LoadFromXML(*Board);
    FAIL() << "an unknown class loaded";
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Unknown item class: TSnake");
  }
  DrawBoard(Rules.Board(), {"1"});
  Board->LoadFromString("<Board><Cell Row='0' Col='0'><Item ClassName='TGem' Kind='10'/>"
                        "</Cell></Board>");
  EXPECT_THROW(Rules.Board().LoadFromXML(*Board), ERangeError);
  EXPECT_TRUE(ItemsWhereTheyBelong(Rules.Board()));
}

TEST(MatchBoard, ItemsSaveTheirClassAndKind) {
  TRules Rules;
  DrawBoard(Rules.Board(), {"4B"});
  TGObjectPtr<TGXMLNode> Gem(Rules.Cell(0, 0)->Item()->SaveToXML());
  EXPECT_EQ(Gem->Name(), "Item");
  EXPECT_EQ(Gem->GetStrAttr("ClassName"), "TGem");
  EXPECT_EQ(Gem->GetIntAttr("Kind"), 4);
  TGObjectPtr<TGXMLNode> Block(Rules.Cell(0, 1)->Item()->SaveToXML());
  EXPECT_EQ(Block->GetStrAttr("ClassName"), "TBlock");
  // The class list of level files, in the order it is searched.
  std::vector<std::string> Names;
  for (TGClass C : TItem::ItemClasses()) {
    Names.push_back(C->Name);
  }
  EXPECT_EQ(Names, (std::vector<std::string>{"TDiceBonus", "TLineBonus", "TCrossBonus", "TBlock",
                                             "TGem"}));
}

TEST(MatchBoard, AnItemWithoutACellHasNoPosition) {
  TRules Rules;
  TGObjectPtr<TGem> Loose(New<TGem>(nullptr));
  EXPECT_THROW(Loose->RowCol(), EGException);
  // An item that does not belong to a board fails the board assertion.
  try {
    (void)Loose->Board();
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Assertion failure");
  }
}

TEST(MatchBoard, BoardOfHolesIsStillAndCleared) {
  TRules Rules;
  for (TCell* C : Rules.Board().Cells()) {
    C->IncludeFlag(cfHole);
  }
  EXPECT_TRUE(Rules.Board().IsStill());
  EXPECT_TRUE(Rules.Board().IsCleared());
  EXPECT_FLOAT_EQ(Rules.Board().PercentOfCleared(), 100);
  EXPECT_EQ(Rules.Board().GetRandomUnclearedCell(), nullptr);
}

TEST(MatchBoard, StillClearedAndPercent) {
  TRules Rules;
  EXPECT_FALSE(Rules.Board().IsStill()); // empty cells
  DrawBoard(Rules.Board(), QuietBoard());
  EXPECT_TRUE(Rules.Board().IsStill());
  Rules.Cell(4, 4)->Lock(Rules.Actions);
  EXPECT_FALSE(Rules.Board().IsStill());
  Rules.Cell(4, 4)->Unlock();

  Rules.Cell(0, 0)->SetDensity(2);
  Rules.Cell(0, 1)->SetDensity(1);
  Rules.Cell(0, 2)->SetDensity(-3); // cleared as well
  Rules.Cell(9, 9)->IncludeFlag(cfHole);
  Rules.Cell(9, 9)->SetDensity(5); // holes do not count
  Rules.Cell(9, 9)->SetItem(nullptr);
  EXPECT_FALSE(Rules.Board().IsCleared());
  EXPECT_FLOAT_EQ(Rules.Board().PercentOfCleared(), 100.0f * 97 / 99);
  for (int I = 0; I < 50; ++I) {
    TCell* C = Rules.Board().GetRandomUnclearedCell();
    ASSERT_TRUE(C == Rules.Cell(0, 0) || C == Rules.Cell(0, 1));
  }
  Rules.Board().OpenCells();
  EXPECT_TRUE(Rules.Board().IsCleared());
}

TEST(MatchBoard, CellLocksBelongToOneTask) {
  TRules Rules;
  TGObjectPtr<TGObject> Other(new TGObject());
  TCell* C = Rules.Cell(1, 1);
  C->Lock(Rules.Actions);
  C->Lock(Rules.Actions); // the same task again: nothing
  EXPECT_EQ(C->LockedByTask(), Rules.Actions);
  EXPECT_THROW(C->Lock(Other.get()), EGException);
  C->Unlock();
  EXPECT_FALSE(C->IsLocked());
  EXPECT_THROW(C->Unlock(), EGException);
}

TEST(MatchBoard, BlockQueriesSkipTheBottomRow) {
  TRules Rules;
  DrawBoard(Rules.Board(), {"..........", "..........", "..........", "..........", "..........",
                            "..........", "..........", "..........", "..........", "...B......"});
  EXPECT_TRUE(Rules.Board().IsBlockHere());
  EXPECT_EQ(Rules.Board().GetBlockCell(0), nullptr);
  EXPECT_EQ(Rules.Board().GetCellUnderBlock(), nullptr);
  DrawBoard(Rules.Board(), {"..........", "..........", ".....B...."});
  EXPECT_EQ(Rules.Board().GetBlockCell(0), Rules.Cell(2, 5));
  EXPECT_EQ(Rules.Board().GetBlockCell(1), nullptr);
  EXPECT_EQ(Rules.Board().GetCellUnderBlock(), Rules.Cell(3, 5));
}

TEST(MatchBoard, AllHeadsDownNeedsThreeLowBlocksAndNoDice) {
  TRules Rules;
  DrawBoard(Rules.Board(),
            {"", "", "", "", "", "", "B.........", "..B.......", "....B.....", "......B..."});
  EXPECT_TRUE(Rules.Board().IsAllHeadsDown());
  DrawBoard(Rules.Board(), {"", "", "", "", "", "", "", "__________", "__________", "______.___"});
  EXPECT_FALSE(Rules.Board().IsAllHeadsDown()); // two blocks in the bottom rows
  DrawBoard(Rules.Board(), {"", "", "", "", "", "", "", "__________", "__________", "______B__D"});
  EXPECT_FALSE(Rules.Board().IsAllHeadsDown());
}

TEST(MatchBoard, SpawnBlockUsesTheOriginOfItsNumber) {
  TRules Rules("GemSet=\"12345\" TotalTime=\"100\"",
               "<Cell Row='0' Col='3' Flags='1'/><Cell Row='0' Col='6' Flags='1'/>");
  DrawBoard(Rules.Board(), QuietBoard());
  Rules.Board().SpawnBlock(1, 1);
  auto* Block = dynamic_cast<TBlock*>(Rules.Cell(0, 6)->Item());
  ASSERT_NE(Block, nullptr);
  EXPECT_EQ(Block->BlockIdx(), 1);
  EXPECT_EQ(Block->Graphic(), "Game/Match/GameItems/Block/Default.ani");
  // Without an origin of that number the block comes to (0, 0).
  Rules.Board().SpawnBlock(1, 2);
  Block = dynamic_cast<TBlock*>(Rules.Cell(0, 0)->Item());
  ASSERT_NE(Block, nullptr);
  EXPECT_EQ(Block->BlockIdx(), 2);
  // ... unless that is a hole.
  Rules.Cell(0, 0)->Item()->Free();
  Rules.Cell(0, 0)->IncludeFlag(cfHole);
  Rules.Board().SpawnBlock(1, 3);
  EXPECT_EQ(Rules.Board().GetBlockCell(3), nullptr);
  EXPECT_TRUE(ItemsWhereTheyBelong(Rules.Board()));
  // Only on a still board.
  Rules.Cell(5, 5)->Lock(Rules.Actions);
  EXPECT_THROW(Rules.Board().SpawnBlock(1, 0), EGException);
}

TEST(MatchBoard, TriggerEffectsCancelInPairsAndToggleOnce) {
  TRules Rules("GemSet=\"12345\" TotalTime=\"100\"",
               "<Cell Row='4' Col='4' Flags='3'/>"
               "<TriggerEffects><Cell Row='4' Col='4' Flag='3'/><Cell Row='2' Col='2' "
               "Flag='10'/><Cell Row='2' Col='2' Flag='10'/></TriggerEffects>"
               "<TriggerEffects><Cell Row='7' Col='1' Flag='6'/></TriggerEffects>");
  TTriggerEffects* Effects = Rules.Board().TriggerEffects();
  ASSERT_EQ(Effects->EffectsCount(), 2);
  EXPECT_EQ(Effects->Effect(0).RowCol, (TRowCol{4, 4}));
  EXPECT_EQ(Effects->Effect(1).Flag, cfBottomWall);
  EXPECT_THROW(Effects->Effect(2), ERangeError);
  EXPECT_FALSE(Effects->IsExecuted());
  EXPECT_EQ(Rules.Cell(4, 4)->Graphics().Walls[0], "Game/Match/MatchScreen/Blocker.png");

  Effects->ExecuteEffecte();
  EXPECT_TRUE(Effects->IsExecuted());
  EXPECT_EQ(Effects->EffectsCount(), 0);
  EXPECT_FALSE(Rules.Cell(4, 4)->HasFlag(cfTopWall));
  // The wall is gone from the cell's pictures at once.
  EXPECT_TRUE(Rules.Cell(4, 4)->Graphics().Walls[0].empty());
  EXPECT_TRUE(Rules.Cell(7, 1)->HasFlag(cfBottomWall));
  EXPECT_FALSE(Rules.Cell(2, 2)->HasFlag(cfActivePortal));
}

TEST(MatchBoard, RotationMapsPositionsAndTurnsWalls) {
  TRules Rules;
  TBoard& B = Rules.Board();
  EXPECT_EQ(B.RotateRowCol(TRowCol{2, 7}, false), (TRowCol{2, 7}));
  B.SetRotation(1);
  EXPECT_EQ(B.RotateRowCol(TRowCol{2, 7}, false), (TRowCol{2, 2}));
  B.SetRotation(2);
  EXPECT_EQ(B.RotateRowCol(TRowCol{2, 7}, false), (TRowCol{7, 2}));
  for (int R = 0; R < 4; ++R) {
    B.SetRotation(R);
    for (int Row = 0; Row < 10; Row += 3) {
      for (int Col = 0; Col < 10; Col += 2) {
        TRowCol RC{Row, Col};
        EXPECT_EQ(B.RotateRowCol(B.RotateRowCol(RC, false), true), RC) << R;
      }
    }
  }
  EXPECT_THROW(B.SetRotation(4), ERangeError);

  // On a board turned once the effect's top wall becomes a right wall, on the mapped cell.
  B.SetRotation(1);
  TTriggerEffects* Effects = B.TriggerEffects();
  Effects->Change(TRowCol{2, 7}, cfTopWall);
  Effects->ExecuteEffecte();
  TRowCol Mapped = B.RotateRowCol(TRowCol{2, 7}, true);
  EXPECT_TRUE(B.GetCell(Mapped)->HasFlag(cfRightWall));
  Effects->Change(TRowCol{1, 1}, cfTrigger);
  EXPECT_THROW(Effects->ExecuteEffecte(), ERangeError);
}

TEST(MatchBoard, CellPicturesFollowFlagsAndDensity) {
  TRules Rules("GemSet=\"3\" TotalTime=\"100\" IsLockedBlockSocket=\"1\"",
               "<Cell Row='8' Col='1' Flags='2'/><Cell Row='8' Col='2' Flags='2' Density='1'/>"
               "<Cell Row='3' Col='3' Flags='0,5'/><Cell Row='4' Col='4' Flags='7,9,10'/>");
  const TCellGraphics& Socket = Rules.Cell(8, 1)->Graphics();
  EXPECT_EQ(Socket.Back, "Game\\Match\\MatchScreen\\01_Egypt_FieldA.jp2");
  EXPECT_TRUE(Socket.Target.empty()); // no block on the board yet
  DrawBoard(Rules.Board(), {"B"});
  Rules.Cell(8, 1)->RefreshGraphics();
  EXPECT_EQ(Socket.Target, "Game\\Match\\MatchScreen\\TargetCell\\Target03Lock.ani");
  Rules.Cell(8, 1)->ExcludeFlag(cfLockSocket);
  EXPECT_EQ(Socket.Target, "Game\\Match\\MatchScreen\\TargetCell\\Target03UnLock.ani");
  // A covered socket shows the tile and no target.
  const TCellGraphics& Covered = Rules.Cell(8, 2)->Graphics();
  EXPECT_TRUE(Covered.Target.empty());
  EXPECT_EQ(Covered.Tile, "Game\\Match\\MatchScreen\\FieldB.jp2");
  // A hole shows only its walls.
  const TCellGraphics& Hole = Rules.Cell(3, 3)->Graphics();
  EXPECT_TRUE(Hole.Back.empty());
  EXPECT_EQ(Hole.Walls[2], "Game/Match/MatchScreen/Blocker.png");
  const TCellGraphics& Path = Rules.Cell(4, 4)->Graphics();
  EXPECT_EQ(Path.Path, "Game\\Match\\MatchScreen\\KeyPathCell.png");
  EXPECT_EQ(Path.Trigger, "Game\\Match\\MatchScreen\\TriggetCell.ani");
  EXPECT_EQ(Path.Portal, "Game\\Match\\MatchScreen\\Portal.ani");
  Rules.Cell(4, 4)->SetDensity(1);
  EXPECT_TRUE(Path.Trigger.empty());
  EXPECT_TRUE(Path.Portal.empty());
}

TEST(MatchBoard, ItemPictures) {
  TRules Rules;
  DrawBoard(Rules.Board(), {"5LCDB"});
  auto* Gem = static_cast<TGem*>(Rules.Cell(0, 0)->Item());
  EXPECT_EQ(Gem->GetSelectedGfx(), "Game\\Match\\GameItems\\Gem5\\Selected.ani");
  Gem->Highlight();
  EXPECT_TRUE(Gem->IsHighlighted());
  EXPECT_EQ(Gem->Graphic(), "Game\\Match\\GameItems\\Gem5\\FX.ani");
  Gem->MakeStatic();
  EXPECT_FALSE(Gem->IsHighlighted());
  auto* Line = static_cast<TBonusItem*>(Rules.Cell(0, 1)->Item());
  EXPECT_EQ(Line->Graphic(), "Game/Match/GameItems/Bonuses/Line/Static.ani");
  Line->Highlight(); // only gems blink
  EXPECT_FALSE(Line->IsHighlighted());
  EXPECT_EQ(Line->GetExplosionPoints(), 200);
  EXPECT_EQ(static_cast<TBonusItem*>(Rules.Cell(0, 2)->Item())->GetExplodeGfx(),
            "Game/Match/GameItems/Bonuses/Cross/Explode.ani");
  auto* Dice = static_cast<TDiceBonus*>(Rules.Cell(0, 3)->Item());
  EXPECT_EQ(Dice->GetGlobalExplosionGfx(), "Game/Match/GameItems/Bonuses/Dice/Global.ani");
  EXPECT_EQ(Dice->GetExplosionPoints(), 1000);
  Gem->SetBlinkingStar();
  EXPECT_TRUE(Gem->IsBlinking());
  Rules.Board().RemoveBlinkingStar();
  EXPECT_FALSE(Gem->IsBlinking());
  EXPECT_THROW(Gem->SetKind(0), ERangeError);
}

TEST(MatchLevel, StageFilesAndNumbers) {
  TLevel Level{0};
  EXPECT_EQ(Level.StageURL(), "MatchGame/Levels/01 - 01.cfg");
  Level = TLevel{13};
  EXPECT_EQ(Level.LocationIndex(), 1);
  EXPECT_EQ(Level.StageIndex(), 6);
  EXPECT_EQ(Level.StageURL(), "MatchGame/Levels/02 - 07.cfg");
}

TEST(MatchLevel, ConfigurationAndLevelsComeFromTheResources) {
  RegisterResource(TGConfig::StaticClass(), "cfg", {".cfg"}, 3);
  TGObjectPtr<TGResourceLibrary> Library(new TGResourceLibrary(nullptr, true, true));
  Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
  TMatchConfig Config;
  Config.Load(*Library);
  EXPECT_EQ(Config.GemAppearanceType, 1);
  EXPECT_FLOAT_EQ(Config.PercentOfSpawnBlock, 40);
  EXPECT_EQ(Config.PointsForMatch(3), 30);
  EXPECT_EQ(Config.PointsForMatch(2), 30);
  EXPECT_EQ(Config.PointsForMatch(14), 360);
  EXPECT_EQ(Config.CombinationCross, 500);
  EXPECT_EQ(Config.ThousandsSeparator, ",");
  TGXMLNode* Level = TLevel{1}.GetStageXML(*Library);
  EXPECT_EQ(Level->GetStrAttr("GemSet"), "123456");
  EXPECT_THROW(TLevel{6}.GetStageXML(*Library), EGException);

  // A separator is one character, of however many bytes.
  TGObjectPtr<TGXMLNode> Misc(new TGXMLNode());
  Misc->LoadFromString("<MiscTuning ThousandsSeparator='\xC2\xA0"
                       "and more'/>");
  Config.LoadMiscTuning(*Misc);
  EXPECT_EQ(Config.ThousandsSeparator, "\xC2\xA0");
  // Missing files keep the defaults.
  TGObjectPtr<TGResourceLibrary> Empty(new TGResourceLibrary(nullptr, true, true));
  TMatchConfig Defaults;
  Defaults.Load(*Empty);
  EXPECT_EQ(Defaults.GemFallSpeed, 400);
  EXPECT_EQ(Defaults.PointsForMatch(5), 0);
}
