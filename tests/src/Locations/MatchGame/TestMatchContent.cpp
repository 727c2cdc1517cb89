// The match-three game's content in content/: every picture, animation and sound that the
// board, its items and its rules name while the demo levels are played exists under that exact
// name and loads; the match screen's window has the widgets the game looks up; the levels and
// the configuration carry what the game reads.
#include "MatchTestBoard.h"

#include "Locations/MatchGame/ULevel.h"
#include "Locations/MatchGame/UMatchConfig.h"
#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "app/UGClassTables.h"
#include "graphics/UGBitmap.h"
#include "io/UGNativeFileSystem.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace MatchTest;

namespace {

const std::string CContent = HOE_CONTENT;
const char* const CLevels[] = {"01 - 01.cfg", "01 - 02.cfg", "01 - 03.cfg"};

// The file a resource URL names in one of the content folders ("gfx", "sfx").
std::string FileOf(const std::string& Folder, std::string URL) {
  for (char& C : URL) {
    C = C == '\\' ? '/' : C;
  }
  return CContent + "/" + Folder + "/" + URL;
}

bool EndsWith(const std::string& S, std::string_view Tail) {
  return S.size() >= Tail.size() && S.compare(S.size() - Tail.size(), Tail.size(), Tail) == 0;
}

bool Contains(const std::string& S, std::string_view Part) {
  return S.find(Part) != std::string::npos;
}

TGObjectPtr<TGXMLNode> LoadXML(const std::string& Path) {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode());
  Node->LoadFromFile(Path);
  return Node;
}

// A picture under its exact name that decodes (by its signature: field pictures are PNG data
// under ".jp2" names); gives its size.
TGPoint ExpectPicture(const std::string& URL) {
  const std::string Path = FileOf("gfx", URL);
  if (!std::filesystem::is_regular_file(Path)) {
    ADD_FAILURE() << URL << " is missing";
    return {};
  }
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  try {
    Bitmap->LoadFromFile(Path);
  } catch (const EGException& E) {
    ADD_FAILURE() << URL << " does not decode: " << E.Text();
    return {};
  }
  EXPECT_GT(Bitmap->Width(), 0) << URL;
  return TGPoint{Bitmap->Width(), Bitmap->Height()};
}

bool EndsWithAny(const std::string& URL, std::initializer_list<const char*> Names) {
  return std::any_of(Names.begin(), Names.end(),
                     [&URL](const char* Name) { return EndsWith(URL, Name); });
}

// The tasks wait for these to end; looped, they would hold their cells for good.
bool MustEnd(const std::string& URL) {
  return EndsWithAny(
      URL, {"Explode.ani", "Scale.ani", "FX.ani", "PortalEffect.ani", "Global.ani", "Points.ani"});
}

// These stay on while their piece or cell does; played once, they would freeze or vanish.
bool MustLoop(const std::string& URL) {
  return EndsWithAny(URL, {"Selected.ani", "Static.ani", "Default.ani", "StarRoll.ani",
                           "Portal.ani", "TriggetCell.ani", "Tail.ani", "Explosion.ani"}) ||
         Contains(URL, "TargetCell");
}

// An animation under its exact name whose channels are known classes and whose pictures and
// fonts exist. Gives its root element (empty when missing).
TGObjectPtr<TGXMLNode> ExpectAnimation(const std::string& URL) {
  const std::string Path = FileOf("gfx", URL);
  if (!std::filesystem::is_regular_file(Path)) {
    ADD_FAILURE() << URL << " is missing";
    return {};
  }
  TGObjectPtr<TGXMLNode> Root = LoadXML(Path);
  EXPECT_EQ(Root->Name(), "Animation") << URL;
  TGXMLCollection* Channels = Root->GetChilds("Channel");
  EXPECT_GT(Channels->GetCount(), 0) << URL << " shows nothing";
  const bool Looped = Root->GetBoolAttrDef("Looped", false);
  EXPECT_FALSE(MustEnd(URL) && Looped) << URL << " never ends";
  EXPECT_FALSE(MustLoop(URL) && !Looped) << URL << " plays only once";
  for (int I = 0; I < Channels->GetCount(); ++I) {
    TGXMLNode* Channel = Channels->GetItem(I);
    EXPECT_NO_THROW(TGChannel::GetClass(Channel->GetStrAttr("ClassId"))) << URL;
    for (const char* Seq : {"GfxURL", "FontURL"}) {
      TGXMLCollection* Seqs = Channel->GetChilds(Seq);
      TGXMLCollection* Terms = Seqs->GetCount() ? Seqs->GetItem(0)->GetChilds("Term") : nullptr;
      for (int T = 0; Terms && T < Terms->GetCount(); ++T) {
        const std::string Value = Terms->GetItem(T)->GetStrAttr("Value");
        if (std::string(Seq) == "GfxURL") {
          ExpectPicture(Value);
        } else {
          EXPECT_TRUE(std::filesystem::is_regular_file(CContent + "/fnt/" + Value)) << Value;
        }
      }
    }
  }
  return Root;
}

void ExpectGraphic(const std::string& URL) {
  if (URL.empty()) {
    return;
  }
  SCOPED_TRACE(URL);
  if (EndsWith(URL, ".ani")) {
    ExpectAnimation(URL);
  } else {
    ExpectPicture(URL);
  }
}

void ExpectSound(const std::string& URL) {
  std::ifstream In(FileOf("sfx", URL), std::ios::binary);
  char Head[4] = {};
  In.read(Head, 4);
  EXPECT_TRUE(In && std::string(Head, 4) == "OggS") << URL << " is missing or not Ogg";
}

// Every name the board's cells and items ask for now.
void CollectGraphics(const TBoard& Board, std::set<std::string>& Names) {
  for (int Row = 0; Row < CBoardSize; ++Row) {
    for (int Col = 0; Col < CBoardSize; ++Col) {
      const TCell* Cell = const_cast<TBoard&>(Board).GetCell(Row, Col);
      const TCellGraphics& G = Cell->Graphics();
      for (std::string_view V : {G.Back, G.Path, G.Tile, G.Trigger, G.Portal}) {
        Names.emplace(V);
      }
      for (std::string_view V : G.Walls) {
        Names.emplace(V);
      }
      Names.insert(G.Target);
      const auto* Item = dynamic_cast<const TSelectableItem*>(Cell->Item());
      if (Item) {
        const std::string Prefix = Item->GetGfxPrefix();
        for (const std::string& V :
             {Item->GetStaticGfx(), Item->GetShuffleGfx(), Item->GetSelectedGfx(),
              Item->GetExplodeGfx(), Item->GetFXGfx(), Prefix + "Tail.ani", Prefix + "Scale.ani"}) {
          Names.insert(V);
        }
      } else if (Cell->Item()) {
        Names.insert(Cell->Item()->GetStaticGfx());
        Names.insert(Cell->Item()->GetGfxPrefix() + "Scale.ani");
      }
    }
  }
  Names.erase("");
}

TMatchConfig DemoConfig() {
  TMatchConfig Config;
  Config.LoadGame(*LoadXML(CContent + "/cfg/MatchGame/Game.cfg"));
  Config.LoadScores(*LoadXML(CContent + "/cfg/MatchGame/Scores.cfg"));
  Config.LoadMiscTuning(*LoadXML(CContent + "/cfg/MatchGame/MiscTuning.cfg"));
  return Config;
}

struct TPlayed {
  std::set<std::string> Graphics;
  std::set<std::string> Sounds;
};

// Plays a demo level for a while with the first move found, noting every picture the board
// names and every sound the rules play.
TPlayed Play(const std::string& File) {
  GlobalRandom().SetSeed(5);
  RegisterMatchGameClasses();
  TGObjectPtr<TGXMLNode> Level = LoadXML(CContent + "/cfg/MatchGame/Levels/" + File);
  TGObjectPtr<TGameLogic> Logic(
      New<TGameLogic>(nullptr, 0, Level.get(), TGameLogicStartupInfo{}, DemoConfig()));
  auto* Actions = new TRecordingActions();
  Logic->Board()->SetActions(Actions);
  TBoard& Board = *Logic->Board();
  TPlayed Played;
  for (int Frame = 0; Frame < 30 * 300 && !Logic->IsLevelEnded(); ++Frame) {
    TRowCol Cell, Neighbour;
    if (Board.IsStill() && Logic->IsPlaying() && Board.FindMatch(Cell, Neighbour, true)) {
      Logic->BoardMouseDown(GetCellXY(Cell));
      Logic->BoardMouseDown(GetCellXY(Neighbour));
    }
    Logic->Update(1.0f / 30);
    if (Frame % 15 == 0) {
      CollectGraphics(Board, Played.Graphics);
    }
  }
  Played.Sounds.insert(Actions->Sounds.begin(), Actions->Sounds.end());
  return Played;
}

} // namespace

TEST(MatchContent, EveryPictureAndSoundOfThePlayedDemoLevelsLoads) {
  RegisterEngineClasses();
  std::set<std::string> Graphics, Sounds;
  for (const char* File : CLevels) {
    SCOPED_TRACE(File);
    TPlayed Played = Play(File);
    Graphics.insert(Played.Graphics.begin(), Played.Graphics.end());
    Sounds.insert(Played.Sounds.begin(), Played.Sounds.end());
  }
  // The plays reach every kind of cell decoration and the sockets of both kinds of level.
  for (const char* Part : {"FieldA", "FieldB", "Blocker", "KeyPathCell", "TriggetCell",
                           "Portal.ani", "Lock.ani", "Block/Default.ani"}) {
    EXPECT_TRUE(std::any_of(Graphics.begin(), Graphics.end(),
                            [Part](const std::string& G) { return Contains(G, Part); }))
        << "no play showed " << Part;
  }
  for (const std::string& G : Graphics) {
    ExpectGraphic(G);
  }
  EXPECT_TRUE(Sounds.count("Match\\GemSelect.ogg") && Sounds.count("Match\\Match.ogg"));
  for (const std::string& S : Sounds) {
    ExpectSound(S);
  }
}

// What the items name whether or not a play puts them on the board: every gem kind a level may
// use, the bonuses with their chains' trails, heads and the dice's shower, the sockets of every
// kind, and the effects the tasks show.
TEST(MatchContent, EveryItemKindAndEffectHasItsPictures) {
  RegisterEngineClasses();
  for (int Kind = 1; Kind <= 9; ++Kind) {
    TGObjectPtr<TGem> Owned(New<TGem>(nullptr));
    TGem& Gem = *Owned;
    Gem.SetKind(Kind);
    SCOPED_TRACE(Kind);
    const TGPoint Size = ExpectPicture(Gem.GetStaticGfx());
    EXPECT_EQ(Size, (TGPoint{CCellSize, CCellSize})) << "a gem fills one cell";
    for (const std::string& Name :
         {Gem.GetShuffleGfx(), Gem.GetSelectedGfx(), Gem.GetExplodeGfx(), Gem.GetFXGfx(),
          Gem.GetGfxPrefix() + "Tail.ani", Gem.GetGfxPrefix() + "Scale.ani"}) {
      ExpectGraphic(Name);
    }
    for (const char* Variant : {"", "Lock", "UnLock"}) {
      ExpectGraphic("Game\\Match\\MatchScreen\\TargetCell\\Target0" + std::to_string(Kind) +
                    Variant + ".ani");
    }
  }
  TGObjectPtr<TLineBonus> OwnedLine(New<TLineBonus>(nullptr));
  TGObjectPtr<TCrossBonus> OwnedCross(New<TCrossBonus>(nullptr));
  TGObjectPtr<TDiceBonus> OwnedDice(New<TDiceBonus>(nullptr));
  const TLineBonus& Line = *OwnedLine;
  const TCrossBonus& Cross = *OwnedCross;
  const TDiceBonus& Dice = *OwnedDice;
  for (const TBonusItem* Bonus :
       {static_cast<const TBonusItem*>(&Line), static_cast<const TBonusItem*>(&Cross),
        static_cast<const TBonusItem*>(&Dice)}) {
    const std::string P = Bonus->GetGfxPrefix();
    for (const std::string& Name :
         {Bonus->GetStaticGfx(), Bonus->GetSelectedGfx(), Bonus->GetExplodeGfx(),
          P + "Explosion.ani", P + "Tail.ani", P + "Scale.ani"}) {
      ExpectGraphic(Name);
    }
  }
  ExpectGraphic(Dice.GetGlobalExplosionGfx());
  for (int Head = 1; Head <= 4; ++Head) {
    if (Head <= 2) {
      ExpectGraphic(Line.GetGfxPrefix() + "SpecialAct" + std::to_string(Head) + ".png");
    }
    ExpectGraphic(Cross.GetGfxPrefix() + "SpecialAct" + std::to_string(Head) + ".png");
  }
  TGObjectPtr<TBlock> Block(New<TBlock>(nullptr));
  ExpectGraphic(Block->GetStaticGfx());
  ExpectGraphic(Block->GetGfxPrefix() + "Scale.ani");
  for (const char* Name :
       {"Game\\Match\\Stuff\\Comet.ani", "Game\\Match\\Stuff\\Comet02.ani",
        "Game\\Match\\MatchScreen\\PortalEffect.ani", "Game\\Match\\MatchScreen\\Portal.ani"}) {
    ExpectGraphic(Name);
  }
  ExpectGraphic(std::string(CBlinkingStarGfx));
  // The points that rise from a match: the rules write their text into channel 0.
  TGObjectPtr<TGXMLNode> Points = ExpectAnimation("Game\\Match\\Stuff\\Points.ani");
  ASSERT_TRUE(Points);
  EXPECT_EQ(Points->GetChilds("Channel")->GetItem(0)->GetStrAttr("ClassId"), "LiveText");
  // The board pictures are cropped cell by cell: they must cover the whole board.
  for (const char* Field :
       {"Game\\Match\\MatchScreen\\01_Egypt_FieldA.jp2", "Game\\Match\\MatchScreen\\FieldB.jp2"}) {
    const TGPoint Size = ExpectPicture(Field);
    EXPECT_GE(Size.X, CBoardSize * CCellSize) << Field;
    EXPECT_GE(Size.Y, CBoardSize * CCellSize) << Field;
  }
}

// The sounds the tasks and bonuses play, which the rules alone never reach.
TEST(MatchContent, TheSoundsOfTheAnimatedBoardExist) {
  for (const char* Name :
       {"GemFall01", "StoneOnTarget", "HiddenCellAppear", "Teleport", "Hint", "CubeFlyIn",
        "CubeAppear", "Shuffle", "Unlock02", "LineBonusAppear", "CrossBonusAppear",
        "DiceBonusAppear", "LineBonusExplode", "CrossBonusExplode", "DiceBonusExplode"}) {
    ExpectSound(std::string("Match\\") + Name + ".ogg");
  }
}

TEST(MatchContent, TheScreenWindowHasEveryWidgetTheGameLooksUp) {
  RegisterEngineClasses();
  TGObjectPtr<TGXMLNode> Root = LoadXML(CContent + "/win/MatchScreen.win");
  // Widgets by path, as the screen finds them, with their classes.
  std::map<std::string, const TGXMLNode*> Widgets;
  std::vector<std::pair<std::string, const TGXMLNode*>> Open{{"", Root.get()}};
  while (!Open.empty()) {
    auto [Path, Node] = Open.back();
    Open.pop_back();
    TGXMLCollection* Children = const_cast<TGXMLNode*>(Node)->GetChilds("Widget");
    for (int I = 0; I < Children->GetCount(); ++I) {
      TGXMLNode* Child = Children->GetItem(I);
      const std::string ChildPath = (Path.empty() ? "" : Path + "\\") + Child->GetStrAttr("Name");
      EXPECT_FALSE(Widgets.count(ChildPath)) << ChildPath << " twice";
      Widgets[ChildPath] = Child;
      Open.emplace_back(ChildPath, Child);
      for (const char* Attr : {"GfxURL", "AnimationURL"}) {
        if (Child->HasAttr(Attr)) {
          ExpectGraphic(Child->GetStrAttr(Attr));
        }
      }
      if (Child->HasAttr("FontURL")) {
        EXPECT_TRUE(
            std::filesystem::is_regular_file(CContent + "/fnt/" + Child->GetStrAttr("FontURL")));
      }
    }
  }
  const auto ClassOf = [&](const std::string& Path) {
    return Widgets.count(Path) ? Widgets[Path]->GetStrAttr("ClassName") : "missing";
  };
  for (const char* Layer : {"Back", "Path", "Walls", "Tiles", "Gems", "Portals", "TargetCells"}) {
    const std::string Path = std::string("Board\\") + Layer;
    ASSERT_NE(ClassOf(Path), "missing") << Path;
    // The layers draw the cells at the board's own coordinates.
    EXPECT_EQ(Widgets[Path]->GetIntAttr("Left"), 0) << Path;
    EXPECT_EQ(Widgets[Path]->GetIntAttr("Width"), CBoardSize * CCellSize) << Path;
  }
  ASSERT_NE(ClassOf("Board"), "missing");
  EXPECT_EQ(Widgets["Board"]->GetIntAttr("Width"), CBoardSize * CCellSize);
  EXPECT_EQ(Widgets["Board"]->GetIntAttr("Height"), CBoardSize * CCellSize);
  ASSERT_NE(ClassOf("PointsLayer"), "missing");
  // Points are placed at board coordinates, so their layer lies on the board.
  for (const char* Attr : {"Left", "Top"}) {
    EXPECT_EQ(Widgets["PointsLayer"]->GetIntAttr(Attr), Widgets["Board"]->GetIntAttr(Attr));
  }
  EXPECT_NE(ClassOf("Timer"), "missing");
  EXPECT_EQ(ClassOf("Timer\\TimerBack\\Timer"), "TGProgressBar");
  // The screen lies over the location only: the play screen's panel below stays clickable.
  EXPECT_LE(Root->GetIntAttr("Top") + Root->GetIntAttr("Height"), 480);

  // Every caption the window names is a key of the dictionary.
  std::ifstream Dictionary(CContent + "/Dictionary.csv");
  std::stringstream Keys;
  Keys << Dictionary.rdbuf();
  for (const auto& [Path, Node] : Widgets) {
    const std::string Caption = Node->Text();
    if (Caption.size() > 2 && Caption.front() == '$') {
      EXPECT_TRUE(Contains(Keys.str(), "\n" + Caption.substr(1, Caption.size() - 2) + ";"))
          << Caption;
    }
  }
}

// The quay's level is the first the game loads: it has covers, somewhere for the blocks to
// enter and sockets for them to reach, below their origins.
TEST(MatchContent, TheFirstLevelHasCoversBlocksAndSockets) {
  TGObjectPtr<TGResourceLibrary> Library(new TGResourceLibrary(nullptr, true, true));
  RegisterResource(TGConfig::StaticClass(), "cfg", {".cfg"}, 3);
  Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
  TGXMLNode* Level = TLevel{0}.GetStageXML(*Library);
  ASSERT_TRUE(Level);
  RegisterEngineClasses();
  RegisterMatchGameClasses();
  TGObjectPtr<TGameLogic> Logic(
      New<TGameLogic>(nullptr, 0, Level, TGameLogicStartupInfo{}, DemoConfig()));
  const TBoard& Board = *Logic->Board();
  int Covered = 0;
  std::set<int> OriginColumns, SocketColumns;
  for (int Row = 0; Row < CBoardSize; ++Row) {
    for (int Col = 0; Col < CBoardSize; ++Col) {
      const TCell* Cell = const_cast<TBoard&>(Board).GetCell(Row, Col);
      Covered += Cell->Density() > 0;
      if (Cell->HasFlag(cfBlockOrigin)) {
        OriginColumns.insert(Col);
      }
      if (Cell->HasFlag(cfBlockSocket)) {
        SocketColumns.insert(Col);
      }
    }
  }
  EXPECT_GT(Covered, 0);
  EXPECT_FALSE(OriginColumns.empty());
  EXPECT_FALSE(SocketColumns.empty());
  for (int Col : SocketColumns) {
    EXPECT_TRUE(OriginColumns.count(Col)) << "no block falls into the socket in column " << Col;
  }
  // Every gem the level deals has its pictures.
  for (char Kind : Logic->GemSet()) {
    TGObjectPtr<TGem> Gem(New<TGem>(nullptr));
    Gem->SetKind(Kind - '0');
    ExpectPicture(Gem->GetStaticGfx());
  }
}
