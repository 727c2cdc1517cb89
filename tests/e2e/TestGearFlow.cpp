// A scripted play of the demo's gear works: a new profile starts there, a gear of the outer
// ring is turned with a click and the inner ring dragged round a quarter turn with the mouse,
// then the game is left through the journal. The profile it leaves holds the works as played:
// the turned gear and ring at their new angles and the sixteen fillings all still there.
//
// The play stops short of a solve: the fillings' start depends on every draw the program makes
// from its generator before the scene's Init, and no winning sequence was worked out for it.
#include "GameDataReader.h"
#include "PlayScript.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

constexpr const char* CGears = "Gears.loc";
constexpr double Pi = std::numbers::pi;

// Where the works put a point of ring Ring at Deg degrees: round (400, 250), 53 pixels a ring.
TScreenPoint OnRing(int Ring, double Deg) {
  return {static_cast<int>(std::lround(400 + 53.0 * Ring * std::cos(Deg * Pi / 180))),
          static_cast<int>(std::lround(250 + 53.0 * Ring * std::sin(Deg * Pi / 180)))};
}

TPlayScript GearsScript() {
  TPlayScript Script(HOE_CONTENT);
  // The chapter's opening.
  Script.Wait(6.0);
  // Every ring starts at 45 degrees: gear 0 of the outer ring stands at 45 degrees on it.
  Script.Click(OnRing(3, 45)).Wait(0.6);
  // The inner ring held between its gears and dragged a quarter turn on.
  Script.MoveTo(OnRing(1, 0)).Command("MouseDown 0").Frames(1);
  for (int Deg = 10; Deg <= 90; Deg += 10) {
    Script.MoveTo(OnRing(1, Deg));
  }
  Script.Command("MouseUp 0").Frames(1).Wait(1.0);
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

} // namespace

TEST(GearFlow, AGearAndARingTurnedByMouseAreSavedWithEveryFilling) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", CGears);
  Play.SetFlag("NoSplash");
  const TPlayResult Run = Play.Play(GearsScript(), "gears.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  const TProfileReader Profile = Data.Profile("Profile01.plr");
  EXPECT_EQ(Profile.Brief()->LocationURL, CGears) << Run.Output;
  TGObjectPtr<TGXMLNode> Gears = Profile.XML("loc\\Gears.loc");
  ASSERT_TRUE(Gears);
  const TGXMLNode* Ring = SavedObject(*Gears, "Circle_01_03_le");
  ASSERT_TRUE(Ring) << Run.Output;
  EXPECT_NEAR(Ring->GetFloatAttrDef("Angle", 0), 135, 1.0);
  // The clicked gear turned a quarter on its own, on top of its place on the ring.
  const TGXMLNode* Gear = SavedObject(*Gears, "Gear0300_03_le");
  ASSERT_TRUE(Gear) << Run.Output;
  EXPECT_NEAR(Gear->GetFloatAttrDef("Angle", 0), 135, 1.0);
  // Fillings move, never vanish.
  int Shown = 0;
  for (const TGXMLNode* Obj : *Gears->GetChilds("Object")) {
    if (Obj->GetStrAttrDef("ID", "").rfind("FillingAppear", 0) == 0 &&
        Obj->GetBoolAttrDef("Visible", true) &&
        Obj->GetStrAttrDef("ID", "") != "FillingAppear_03_le") {
      ++Shown;
    }
  }
  EXPECT_EQ(Shown, 16);
  EXPECT_FALSE(Data.Alerts().has_value());

  // A replay plays the same presses to the same saved bytes.
  const TPlayResult Again = Play.Replay("gears.rec");
  ASSERT_EQ(Again.ExitCode, 0) << Again.Output;
  EXPECT_TRUE(TGameDataReader(Again.DataFolder).Profile("Profile01.plr").Bytes() == Profile.Bytes())
      << "the replay saved other profile bytes";
}
