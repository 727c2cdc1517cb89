// A scripted play of the demo's match-three game: from the lamp room the net basket leads to
// the keeper's nets, where a few swaps are played by hand and the stone heads are brought down
// with the developer's keys (the covers opened, a cross bonus put under each head and swapped);
// three heads win the game and the player is back in the lamp room. The profile it leaves holds
// the game won and the heads counted.
#include "GameDataReader.h"
#include "PlayScript.h"
#include "platform/UKeyCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr const char* CLighthouse = "Lighthouse.loc";

// The centre of a board cell on the screen: the board's panel stands at (195, 40) of the match
// screen, its cells 41 pixels square.
TScreenPoint Cell(int Row, int Col) {
  return TScreenPoint{195 + Col * 41 + 20, 40 + Row * 41 + 20};
}

// The head entered in column Col comes down: a gem of its column becomes a cross bonus (the
// developer's key C on a selected gem), which is swapped with the gem above it.
void BringDown(TPlayScript& Script, int Col) {
  Script.Click(Cell(5, Col)).Wait(0.3).Key('C').Wait(0.5);
  Script.Click(Cell(5, Col)).Wait(0.3).Click(Cell(4, Col)).Wait(4.0);
}

TPlayScript MatchScript() {
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(4.0)
      .ClickObject(CLighthouse, "NetBasket")
      .Wait(14.0); // the fade, the opening and the gems flying in
  // A few swaps by hand: whatever they match, the board settles again.
  Script.Click(Cell(8, 0)).Wait(0.3).Click(Cell(8, 1)).Wait(1.5);
  Script.Click(Cell(2, 4)).Wait(0.3).Click(Cell(3, 4)).Wait(1.5);
  // The covers open; a head enters at the top. A cross bonus made under it and swapped up
  // clears its column, and the head falls to the mooring ring at the bottom.
  Script.Key(VK_F6).Wait(1.5);
  // The heads enter at the level's two places, then, the third, at the top left corner.
  for (const int Col : {2, 7, 0}) {
    BringDown(Script, Col);
  }
  // Three heads: the nets are mended and the lamp room comes back; the journal leads out.
  Script.Wait(4.0);
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
