// A scripted play of the demo's match-three game: from the lamp room the net basket leads to
// the keeper's nets, where a few swaps are played by hand and the stone heads are brought down
// with the developer's keys (the covers opened, a cross bonus put under each head and swapped);
// three heads win the game and the player is back in the lamp room. The profile it leaves holds
// the game won and the heads counted.
#include "DemoRoute.h"
#include "GameDataReader.h"
#include "PlayScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr const char* CLighthouse = "Lighthouse.loc";

TPlayScript MatchScript() {
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(4.0);
  WinTheNets(Script);
  // Three heads: the nets are mended and the lamp room comes back; the journal leads out.
  LeaveTheGameThroughTheJournal(Script);
  QuitNamingAs(Script, "");
  return Script;
}

// The value of a dynamic property kept with a saved location.
std::string SavedProperty(const TGXMLNode& Location, const std::string& Name) {
  for (const TGXMLNode* P : *Location.GetChilds("DynProperty")) {
    if (P->GetStrAttrDef("Name", "") == Name) {
      return P->GetStrAttrDef("Value", "");
    }
  }
  return "(none)";
}

} // namespace

TEST(MatchFlow, TheKeepersNetsAreWonWithTheDevelopersKeysAndTheProfileRecordsIt) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", CLighthouse);
  Play.SetFlag("NoSplash");
  Play.SetFlag("Cheats");
  const TPlayResult Run = Play.Play(MatchScript(), "nets.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  const TProfileReader Profile = Data.Profile("Profile01.plr");
  ASSERT_TRUE(Profile.Sound());
  EXPECT_EQ(Profile.Brief()->LocationURL, CLighthouse) << Run.Output;
  const std::vector<std::string> Entries = Profile.Entries();
  ASSERT_NE(std::find(Entries.begin(), Entries.end(), "loc\\Nets.loc"), Entries.end());
  TGObjectPtr<TGXMLNode> Nets = Profile.XML("loc\\Nets.loc");
  EXPECT_TRUE(Nets->GetBoolAttrDef("M3Initialized", false));
  EXPECT_TRUE(Nets->GetBoolAttrDef("M3Completed", false)) << Nets->SaveToString(2);
  EXPECT_EQ(SavedProperty(*Nets, "HeadsPickedCount"), "3");
  EXPECT_EQ(SavedProperty(*Nets, "Match3Finished"), "True");
  EXPECT_FALSE(Data.Alerts().has_value());

  // The board's draws come from the program's one generator: a replay saves the same bytes.
  const TPlayResult Again = Play.Replay("nets.rec");
  ASSERT_EQ(Again.ExitCode, 0) << Again.Output;
  EXPECT_TRUE(TGameDataReader(Again.DataFolder).Profile("Profile01.plr").Bytes() == Profile.Bytes())
      << "the replay saved other profile bytes";
}
