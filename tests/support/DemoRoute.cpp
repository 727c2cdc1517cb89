#include "DemoRoute.h"

#include "platform/UKeyCodes.h"

#include <string>

namespace {

constexpr const char* CArrival = "Arrival.loc";
constexpr const char* CHarbour = "Harbour.loc";
constexpr const char* CTips = "TipsWindowEx.win";
// A point in the heroine's bubbles, which stand over her portrait.
constexpr TScreenPoint CHeroineBubble{170, 440};
// A point in the fisherman's bubbles: they stand over his hat, their lower edge on his anchor,
// and a click in them reads them.
constexpr TScreenPoint CFishermanBubble{585, 332};

void Shoot(TDemoShots* Shots, const TPlayScript& Script, const char* Name) {
  if (Shots) {
    Shots->Take(Script, Name);
  }
}

} // namespace

const char* const CHarbourFirstPage[9] = {"Key",       "Anchor",    "Bottle",
                                          "Shell",     "Starfish1", "Starfish2",
                                          "Starfish3", "NetFloat",  "RopeCoil"};
const char* const CHarbourSecondPage[7] = {"Pearl", "Compass", "Map",    "Lantern",
                                           "Fish",  "Bucket",  "Feather"};
const char* const CShellGroups[6] = {"ShellsScallop", "ShellsConch",  "ShellsStarfish",
                                     "ShellsUrchin",  "ShellsMussel", "ShellsSandDollar"};
const char* const CLighthouseThings[5] = {"Logbook", "Spyglass", "Candle", "OilCan", "KeeperBell"};

void PlayArrival(TPlayScript& Script) {
  Script.Wait(6.0);
  Script.MoveTo(ObjectCentre(Script.ContentFolder(), CArrival, "DifficultyTimed")).Wait(1.0);
  Script.ClickObject(CArrival, "DifficultyTimed").Wait(1.5);
  for (int Page = 0; Page < 4; ++Page) {
    Script.ClickWidget(CTips, "Background\\Next").Wait(0.8);
  }
  Script.ClickWidget(CTips, "Background\\Close").Wait(1.5);
  Script.ClickObject(CArrival, "PDA_01_01").Wait(4.0);
  Script.ClickObject(CArrival, "ArrivalSuitcase").Wait(3.0);
  for (const char* ID : {"ArrivalTicket", "ArrivalMittens", "ArrivalThermos"}) {
    Script.ClickObject(CArrival, ID).Wait(1.2);
  }
  Script.Wait(1.5).ClickWidget(CTips, "Background\\Close").Wait(3.0);
  Script.Click(CHeroineBubble).Wait(8.0);
}

void PlayHarbour(TPlayScript& Script) {
  MeetTheHarbour(Script);
  FindTheHarbourThings(Script);
}

void MeetTheHarbour(TPlayScript& Script) {
  Script.Wait(10.6);
  Script.ClickWidget("TipsWindow.win", "Close").Wait(0.5);
  Script.ClickObject(CHarbour, "Fisherman").Wait(1.0);
  Script.Click(CFishermanBubble).Wait(1.0).Click(CFishermanBubble).Wait(0.5);
  Script.ClickObject(CHarbour, "HintBolt").Wait(2.0);
  Script.ClickWidget("GameScreen.win", "GameInterface\\Hint").Wait(0.5);
  Script.ClickWidget("GameScreen.win", "GameInterface\\BackPackItems\\Item01\\Label").Wait(2.0);
}

void FindTheHarbourThings(TPlayScript& Script) {
  for (int Round = 0; Round < 2; ++Round) {
    for (const char* ID : CHarbourFirstPage) {
      Script.ClickObject(CHarbour, ID).Wait(0.5);
    }
  }
  Script.Wait(2.0).ClickWidget("GameScreen.win", "GameInterface\\BackPackTools\\Item01").Wait(0.5);
  Script.ClickObject(CHarbour, "ChestLid").Wait(2.0);
  for (const char* ID : CHarbourSecondPage) {
    Script.ClickObject(CHarbour, ID).Wait(0.5);
  }
}

void FindTheLighthouseThings(TPlayScript& Script) {
  for (int Round = 0; Round < 2; ++Round) {
    for (const char* ID : CLighthouseThings) {
      Script.ClickObject("Lighthouse.loc", ID).Wait(0.6);
    }
  }
}

void SkipComic(TPlayScript& Script) {
  Script.Wait(2.0).ClickWidget("ComixScreen.win", "Skip").Wait(2.0);
}

namespace {

constexpr const char* CShells = "Shells.loc";

// The centre of a cell of the nets' board: the board's panel stands at (195, 40) of the match
// screen, its cells 41 pixels square.
TScreenPoint NetsCell(int Row, int Col) {
  return TScreenPoint{195 + Col * 41 + 20, 40 + Row * 41 + 20};
}

// The head entered in column Col comes down: a gem of its column becomes a cross bonus (the
// developers' key C on a selected gem), which is swapped with the gem above it.
void BringTheHeadDown(TPlayScript& Script, int Col) {
  Script.Click(NetsCell(5, Col)).Wait(0.3).Key('C').Wait(0.5);
  Script.Click(NetsCell(5, Col)).Wait(0.3).Click(NetsCell(4, Col)).Wait(4.0);
}

} // namespace

void PutTheShellsAway(TPlayScript& Script, TDemoShots* Shots) {
  Script.ClickObject(CHarbour, "CollectorsConch").Wait(5.0);
  PutThePairsAway(Script, Shots);
  // The table's last line is said; read, it gives way to the harbour.
  Script.Wait(3.0).Click(CHeroineBubble).Wait(6.0);
}

void PutThePairsAway(TPlayScript& Script, TDemoShots* Shots) {
  // A shell and one of another kind: nothing is put away.
  Script.ClickObject(CShells, "ShellsConch1").Wait(0.6);
  Script.ClickObject(CShells, "ShellsUrchin1").Wait(0.6);
  for (const char* Group : CShellGroups) {
    const std::string ID(Group);
    Script.ClickObject(CShells, ID + "1").Wait(0.6);
    Script.ClickObject(CShells, ID + "2").Wait(1.6);
    if (ID == "ShellsStarfish") {
      Shoot(Shots, Script, "03-find-pairs");
    }
  }
}

void SolveTheSundialByCheat(TPlayScript& Script, TDemoShots* Shots) {
  Script.ClickObject(CHarbour, "SundialStone").Wait(5.0);
  Shoot(Shots, Script, "04-sundial");
  Script.Key(VK_F6).Wait(4.0);
  Script.ClickObject("Sundial.loc", "Circle_01_07_p").Wait(3.0);
  Script.Click(CHeroineBubble).Wait(6.0);
}

void WinTheNets(TPlayScript& Script) {
  Script.ClickObject("Lighthouse.loc", "NetBasket").Wait(14.0); // the fade, the gems flying in
  // A few swaps by hand: whatever they match, the board settles again.
  Script.Click(NetsCell(8, 0)).Wait(0.3).Click(NetsCell(8, 1)).Wait(1.5);
  Script.Click(NetsCell(2, 4)).Wait(0.3).Click(NetsCell(3, 4)).Wait(1.5);
  // The covers open; the heads enter at the level's two places, then, the third, at the top
  // left corner, and each falls to the mooring ring at the bottom.
  Script.Key(VK_F6).Wait(1.5);
  for (const int Col : {2, 7, 0}) {
    BringTheHeadDown(Script, Col);
  }
  Script.Wait(4.0);
}

void TDemoShots::Take(const TPlayScript& Script, const std::string& Name) {
  FShots.push_back(TShot{Script.FrameCount(), Name});
}

std::string TDemoShots::Arguments(const std::string& Folder) const {
  std::string Switches;
  for (const TShot& Shot : FShots) {
    Switches += " --screenshot-at '" + std::to_string(Shot.Frame) + ":" + Folder + "/" + Shot.Name +
                ".png'";
  }
  return Switches;
}

namespace {

constexpr const char* CStage = "StageCompleteScreen.win";
constexpr const char* CMuseum = "MuseumScreen.win";
constexpr const char* CMap = "MapScreen.win";
constexpr const char* CJournal = "PDAScreen.win";

// The first chapter's end: the lamp's artefact, the score sheet, the museum opened from it with
// the spyglass told about, the sea chart.
void EndTheFirstChapter(TPlayScript& Script, TDemoShots* Shots) {
  Script.Wait(9.0);
  Shoot(Shots, Script, "09-chapter-artefact");
  Script.ClickWidget(CStage, "BtnContinue").Wait(1.5);
  Script.Wait(2.0);
  Shoot(Shots, Script, "10-score-sheet");
  Script.ClickWidget(CStage, "BtnMuseum").Wait(2.0);
  Script.ClickWidget(CMuseum, "MainHall\\BtnWestWing").Wait(1.5);
  Script.ClickWidget(CMuseum, "WestWing\\ItemsWestWing\\Spyglass").Wait(1.5);
  Shoot(Shots, Script, "11-museum");
  Script.ClickWidget(CMuseum, "WestWing\\BtnMainHall").Wait(1.5);
  Script.ClickWidget(CMuseum, "MainHall\\BtnExit").Wait(2.0);
  Script.ClickWidget(CStage, "BtnContinue").Wait(2.0);
  Script.Wait(3.0);
  Shoot(Shots, Script, "12-sea-chart");
  Script.ClickWidget(CMap, "BtnContinue").Wait(2.0);
}

} // namespace

void PlayTheWholeGame(TPlayScript& Script, TDemoShots* Shots) {
  Script.Wait(2.0);
  Shoot(Shots, Script, "01-harbour-station");
  PlayArrival(Script);
  MeetTheHarbour(Script);
  Shoot(Shots, Script, "02-harbour");
  PutTheShellsAway(Script, Shots);
  SolveTheSundialByCheat(Script, Shots);
  FindTheHarbourThings(Script);
  // The quay's last line, read; then the comic of the crossing.
  Script.Wait(4.0).Click(CHeroineBubble).Wait(2.0);
  Shoot(Shots, Script, "05-comic");
  SkipComic(Script);
  Script.Wait(3.0);
  Shoot(Shots, Script, "06-lamp-room");
  // The journal over the game: its log of the lines said.
  Script.Key(VK_ESCAPE).Wait(1.5);
  Script.ClickWidget(CJournal, "Menu\\BtnLog").Wait(1.0);
  Shoot(Shots, Script, "07-journal");
  Script.Key(VK_ESCAPE).Wait(1.0).Key(VK_ESCAPE).Wait(1.5);
  WinTheNetsByCheat(Script, Shots);
  FindTheLighthouseThings(Script);
  EndTheFirstChapter(Script, Shots);
  SkipComic(Script);
  PlayTheCove(Script, Shots);
}

const char* const CMuseumPieces[6] = {"Pearl", "Compass", "Map", "Lantern", "Logbook", "Spyglass"};

namespace {

constexpr const char* CCove = "Cove.loc";
// The cove's things a page can list: the shovel and the beach's things of the first page, then
// the fishers' things about the huts and the keeper's pages under the sand.
const char* const CCoveFirstPage[] = {"CoveShovel", "CoveHook",  "CoveLobsterPot", "CoveHat",
                                      "CoveBoot",   "CoveConch", "CoveOar",        "CoveCrab1",
                                      "CoveCrab2",  "CoveCrab3"};
const char* const CCoveSecondPage[] = {"CoveKettle", "CoveWhistle",    "CoveBell",
                                       "CoveBottle", "CoveChartScrap", "CoveLostPages"};
// A point in the ferryman's bubbles, over his head.
constexpr TScreenPoint COskelinBubble{396, 230};

} // namespace

void PlayTheCove(TPlayScript& Script, TDemoShots* Shots) {
  // The chapter's text typed on black, the cove fading in, the heroine's line.
  Script.Wait(10.0);
  // The scanner shows the shape of a listed thing.
  Script.ClickWidget("GameScreen.win", "GameInterface\\BackPackItems\\Item02\\Label").Wait(1.5);
  Shoot(Shots, Script, "13-fishers-cove");
  Script.ClickObject(CCove, "CoveOskelin").Wait(1.0);
  Script.Click(COskelinBubble).Wait(1.0).Click(COskelinBubble).Wait(0.5);
  for (int Round = 0; Round < 2; ++Round) {
    for (const char* ID : CCoveFirstPage) {
      Script.ClickObject(CCove, ID).Wait(0.5);
    }
  }
  // The shovel from the tools, on the marked sand: the keeper's pages can be found.
  Script.Wait(2.0).ClickWidget("GameScreen.win", "GameInterface\\BackPackTools\\Item01").Wait(0.5);
  Script.ClickObject(CCove, "CoveSandPatch").Wait(2.0);
  for (const char* ID : CCoveSecondPage) {
    Script.ClickObject(CCove, ID).Wait(0.5);
  }
  // The heroine's lines on the pages and on the cross, read; the sunrise; the ferryman's answer,
  // read; then the second chapter's artefact.
  Script.Wait(3.0).Click(CHeroineBubble).Wait(4.0).Click(CHeroineBubble).Wait(3.0);
  Script.Click(COskelinBubble).Wait(4.0);
  Shoot(Shots, Script, "14-second-chapter");
  Script.ClickWidget(CStage, "BtnContinue").Wait(3.5);
  Script.ClickWidget(CStage, "BtnContinue").Wait(2.5);
  Shoot(Shots, Script, "15-high-scores");
  Script.ClickWidget("HighScoresScreen.win", "BtnDone").Wait(2.5);
  Shoot(Shots, Script, "16-credits");
  Script.ClickWidget("CreditsScreen.win", "BtnBack").Wait(3.0);
  Shoot(Shots, Script, "17-main-menu");
}

void WinTheNetsByCheat(TPlayScript& Script, TDemoShots* Shots) {
  Script.ClickObject("Lighthouse.loc", "NetBasket").Wait(14.0);
  Script.Click(NetsCell(8, 0)).Wait(0.3).Click(NetsCell(8, 1)).Wait(2.0);
  Shoot(Shots, Script, "08-match-three");
  // The level won; the board fades and the lamp room comes back.
  Script.Key(VK_F8).Wait(10.0);
}
