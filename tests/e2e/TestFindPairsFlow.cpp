// A scripted play of the demo's find-pairs puzzle: a new profile starts at the shell
// collector's table, where the six pairs are put away by clicking each shell and then its twin
// (one wrong pair on the way, which puts nothing away); the journal leads out. The profile it
// leaves holds the table finished: every twin taken, the look-alikes still there. And the
// story's first scene played through by mouse: a difficulty board, the tutorial's pages, the
// PDA, the heroine's things, the scanner that arrives and the page on the birds, then the
// harbour.
#include "DemoRoute.h"
#include "GameDataReader.h"
#include "PlayScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr const char* CShells = "Shells.loc";

TPlayScript PairsScript() {
  TPlayScript Script(HOE_CONTENT);
  // The chapter's opening and the welcome line.
  Script.Wait(6.0);
  PutThePairsAway(Script);
  // The last pair lands and the table is done; the journal leads out.
  Script.Wait(4.0);
  LeaveTheGameThroughTheJournal(Script);
  QuitNamingAs(Script, "");
  return Script;
}

const TGXMLNode* SavedObject(const TGXMLNode& Location, const std::string& ID) {
  for (const TGXMLNode* Obj : *Location.GetChilds("Object")) {
    if (Obj->GetStrAttrDef("ID", "") == ID) {
      return Obj;
    }
  }
  return nullptr;
}

constexpr const char* CArrival = "Arrival.loc";

TPlayScript ArrivalScript() {
  TPlayScript Script(HOE_CONTENT);
  PlayArrival(Script);
  LeaveTheGameThroughTheJournal(Script);
  QuitNamingAs(Script, "");
  return Script;
}

std::string SavedProperty(const TGXMLNode& Location, const std::string& Name) {
  for (const TGXMLNode* P : *Location.GetChilds("DynProperty")) {
    if (P->GetStrAttrDef("Name", "") == Name) {
      return P->GetStrAttrDef("Value", "");
    }
  }
  return "(none)";
}

std::vector<std::string> LinesSaid(const TProfileReader& Profile) {
  std::vector<std::string> Said;
  TGObjectPtr<TGXMLNode> Player = Profile.XML("Player.cfg");
  for (const TGXMLNode* Log : *Player->GetChilds("SpeechLog")) {
    for (const TGXMLNode* Item : *Log->GetChilds("Item")) {
      Said.push_back(Item->GetStrAttrDef("Text", ""));
    }
  }
  return Said;
}

} // namespace

TEST(FindPairsFlow, TheShellsArePutAwayPairByPairAndTheProfileHoldsTheTableDone) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", CShells);
  Play.SetFlag("NoSplash");
  const TPlayResult Run = Play.Play(PairsScript(), "pairs.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  const TProfileReader Profile = Data.Profile("Profile01.plr");
  EXPECT_EQ(Profile.Brief()->LocationURL, CShells) << Run.Output;
  const std::vector<std::string> Entries = Profile.Entries();
  ASSERT_NE(std::find(Entries.begin(), Entries.end(), "loc\\Shells.loc"), Entries.end());
  TGObjectPtr<TGXMLNode> Shells = Profile.XML("loc\\Shells.loc");
  // Every twin left the table for the inventory; the look-alikes in no pair stayed.
  for (const char* Group : CShellGroups) {
    for (const char* Half : {"1", "2"}) {
      EXPECT_EQ(SavedObject(*Shells, std::string(Group) + Half), nullptr)
          << Group << Half << " is still on the table";
    }
  }
  EXPECT_NE(SavedObject(*Shells, "ShellsPaleScallop"), nullptr);
  EXPECT_NE(SavedObject(*Shells, "ShellsBlueStarfish"), nullptr);
  // Twelve shells scored; the remark on the first choice came once, and the table's last line
  // was said.
  EXPECT_GE(Profile.Brief()->Score, 12 * 100) << Run.Output;
  const std::vector<std::string> Said = LinesSaid(Profile);
  EXPECT_EQ(std::count(Said.begin(), Said.end(), "$#SPEECH#Now click on its exact pair.$"), 1);
  EXPECT_NE(std::find(Said.begin(), Said.end(), "$ShellsAllFound$"), Said.end());
  EXPECT_FALSE(Data.Alerts().has_value());

  // A replay plays the same clicks to the same saved bytes.
  const TPlayResult Again = Play.Replay("pairs.rec");
  ASSERT_EQ(Again.ExitCode, 0) << Again.Output;
  EXPECT_TRUE(TGameDataReader(Again.DataFolder).Profile("Profile01.plr").Bytes() == Profile.Bytes())
      << "the replay saved other profile bytes";
}

TEST(FindPairsFlow, TheFirstSceneIsPlayedThroughToTheHarbour) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", CArrival);
  Play.SetFlag("NoSplash");
  const TPlayResult Run = Play.Play(ArrivalScript(), "arrival.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  const TProfileReader Profile = Data.Profile("Profile01.plr");
  EXPECT_EQ(Profile.Brief()->LocationURL, "Harbour.loc") << Run.Output;
  EXPECT_EQ(Profile.Brief()->GameDifficulty, gdAdventurer);
  TGObjectPtr<TGXMLNode> Arrival = Profile.XML("loc\\Arrival.loc");
  for (const char* ID : {"PDA_01_01", "Scaner_01_01", "ArrivalSuitcase", "ArrivalTicket",
                         "ArrivalMittens", "ArrivalThermos"}) {
    EXPECT_EQ(SavedObject(*Arrival, ID), nullptr) << ID << " is still in the scene";
  }
  EXPECT_EQ(SavedProperty(*Arrival, "IsTutorialShown"), "True");
  EXPECT_EQ(SavedProperty(*Arrival, "BirdTipShown"), "True");
  const std::vector<std::string> Said = LinesSaid(Profile);
  EXPECT_NE(std::find(Said.begin(), Said.end(), "$ArrivalAllFound$"), Said.end());
  EXPECT_FALSE(Data.Alerts().has_value());
}
