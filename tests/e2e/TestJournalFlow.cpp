// A scripted play of the first chapter's end and the screens around it: the lighthouse's five
// things found, the stage's artefact and score sheet, the museum opened from it with the piece
// just found, the sea chart with the flight to the next chapter, the comic of the sail skipped
// to the cove, then the journal opened with Esc, its log read back and forth, and the main menu
// reached from the journal. The profile it leaves holds the chapter's bonuses, the chapters'
// states, the museum's pieces and the volumes and device colour changed in the journal's
// options; a replay saves the same bytes.
#include "DemoRoute.h"
#include "GameDataReader.h"
#include "PlayScript.h"
#include "platform/UKeyCodes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr const char* CLighthouse = "Lighthouse.loc";
constexpr const char* CStage = "StageCompleteScreen.win";
constexpr const char* CMuseum = "MuseumScreen.win";
constexpr const char* CMap = "MapScreen.win";
constexpr const char* CJournal = "PDAScreen.win";

// The keeper's things; all five are on the lighthouse's one page.
const char* const CThings[] = {"Logbook", "Spyglass", "Candle", "OilCan", "KeeperBell"};

TPlayScript ChapterEndScript() {
  TPlayScript Script(HOE_CONTENT);
  // The blank profile's game starts in the lighthouse; the heroine says her welcome.
  Script.Wait(4.0);
  for (int Round = 0; Round < 2; ++Round) {
    for (const char* ID : CThings) {
      Script.ClickObject(CLighthouse, ID).Wait(0.6);
    }
  }
  // The flights land, the lamp flares, the last line is said: the stage's artefact shows.
  Script.Wait(9.0);
  Script.ClickWidget(CStage, "BtnContinue").Wait(1.5); // the score sheet
  // The museum: the spyglass just found stands in the west wing; the guide tells about it.
  Script.ClickWidget(CStage, "BtnMuseum").Wait(2.0);
  Script.ClickWidget(CMuseum, "MainHall\\BtnWestWing").Wait(1.5);
  Script.ClickWidget(CMuseum, "WestWing\\ItemsWestWing\\Spyglass").Wait(1.5);
  Script.ClickWidget(CMuseum, "WestWing\\BtnMainHall").Wait(1.5);
  Script.ClickWidget(CMuseum, "MainHall\\BtnExit").Wait(2.0);
  Script.ClickWidget(CStage, "BtnContinue").Wait(2.0); // the sea chart fades in
  Script.Wait(3.0).ClickWidget(CMap, "BtnContinue").Wait(2.0);
  // The comic of the sail, skipped; the cove's chapter text is typed on black.
  SkipComic(Script);
  Script.Wait(10.0);
  // The journal: its log, newest entry first, one back and forward again; the options.
  Script.Key(VK_ESCAPE).Wait(1.5);
  Script.ClickWidget(CJournal, "Menu\\BtnLog").Wait(1.0);
  Script.ClickWidget(CJournal, "Log\\BtnPrev").Wait(0.5);
  Script.ClickWidget(CJournal, "Log\\BtnNext").Wait(0.5);
  Script.Key(VK_ESCAPE).Wait(1.0);
  Script.ClickWidget(CJournal, "Menu\\BtnCustomize").Wait(1.0);
  Script.ClickWidget(CJournal, "Options\\Music\\Left").Wait(0.3);
  Script.ClickWidget(CJournal, "Options\\ChangeColor\\Right").Wait(0.3);
  Script.Key(VK_ESCAPE).Wait(1.0);
  // From the journal to the main menu: the game is saved as it leaves.
  Script.ClickWidget(CJournal, "Menu\\BtnMenu").Wait(3.5);
  QuitNamingAs(Script, "");
  return Script;
}

std::vector<int> ChapterStates(const TGXMLNode& Player) {
  std::vector<int> States;
  for (const TGXMLNode* C : *Player.GetChilds("ChapterState")) {
    States.push_back(C->GetIntAttrDef("State", -1));
  }
  return States;
}

} // namespace

TEST(JournalFlow, TheFirstChapterEndsOnItsScoresTheMuseumTheMapAndTheJournal) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", CLighthouse);
  Play.SetFlag("NoSplash");
  const TPlayScript Script = ChapterEndScript();
  const TPlayResult Run = Play.Play(Script, "chapter.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  ASSERT_EQ(Data.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  const TProfileReader Profile = Data.Profile("Profile01.plr");
  ASSERT_TRUE(Profile.Sound());
  const auto Brief = Profile.Brief();
  // Five things, the two finish bonuses, then the sheet's hint and artefact bonuses.
  EXPECT_GE(Brief->Score, 5 * 100 + 2 * 5000 + 25000 + 25000) << Run.Output;
  EXPECT_TRUE(Brief->MuseumItems()->DoesInMuseum("Spyglass")) << Run.Output;
  // The comic of the sail led on to the second chapter's cove.
  EXPECT_EQ(Brief->LocationURL, "Cove.loc") << Run.Output;

  TGObjectPtr<TGXMLNode> Player = Profile.XML("Player.cfg");
  // The chapter moved on to the second, and the chart has shown its flight.
  const std::vector<int> States = ChapterStates(*Player);
  ASSERT_EQ(States.size(), 8u);
  EXPECT_EQ(States[0], 2);
  EXPECT_EQ(States[1], 2) << "the chart played the flight to the second chapter";
  EXPECT_EQ(States[2], 0);
  // The options of the journal went into the profile.
  EXPECT_EQ(Player->GetIntAttrDef("PDAColor", 1), 2);
  EXPECT_LT(Brief->MusicVolume, 80);
  // The chapter's last line is in the log.
  bool Said = false;
  for (const TGXMLNode* Log : *Player->GetChilds("SpeechLog")) {
    for (const TGXMLNode* Item : *Log->GetChilds("Item")) {
      Said = Said || Item->GetStrAttrDef("Text", "") == "$LighthouseAllFound$";
    }
  }
  EXPECT_TRUE(Said);
  EXPECT_FALSE(Data.Alerts().has_value());

  const TPlayResult Again = Play.Replay("chapter.rec");
  ASSERT_EQ(Again.ExitCode, 0) << Again.Output;
  EXPECT_TRUE(TGameDataReader(Again.DataFolder).Profile("Profile01.plr").Bytes() == Profile.Bytes())
      << "the replay saved other profile bytes";
}
