// Scripted plays of the way into and out of the game on a fresh data folder: the logos, the
// blank profile's game started at once, the main menu's profile list (new, namesakes, four at
// most, delete, the hidden default), the options, and the quit that asks a played default
// profile for its name. After each run the profile files match their checksums, and a second
// start finds the same profiles.
#include "GameDataReader.h"
#include "PlayScript.h"
#include "platform/UKeyCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

constexpr const char* CMenu = "MainMenuScreen.win";

// A click on a widget of the main menu, and a short wait for what it starts (a panel's effect,
// the 0.18 s the menu ignores input after leaving a sub-menu).
void Press(TPlayScript& Script, const std::string& Path, double Wait = 0.6) {
  Script.ClickWidget(CMenu, "Menu\\" + Path).Wait(Wait);
}

// A playground whose new profiles start in the lighthouse (a location without a first tip to
// put away), with or without the logos.
void Prepare(TPlayground& Play, bool Logos) {
  Play.SetFlag("StartLoc", "Lighthouse.loc");
  if (!Logos) {
    Play.SetFlag("NoSplash");
  }
}

// The first start of a fresh data folder: the blank profile's game starts by itself (after
// the logos when they play); Esc opens the device, whose main-menu button leaves the game
// (saving it), and the menu fades in.
TPlayScript FirstStart(double Logos = 0) {
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(Logos + 4.0);
  LeaveTheGameThroughTheJournal(Script);
  return Script;
}

// A new profile named Name from the profile list.
void NewProfile(TPlayScript& Script, const std::string& Name) {
  Press(Script, "Profiles\\Select\\BtnNew");
  Script.Type(Name).Wait(0.2);
  Press(Script, "Profiles\\New\\BtnOk");
}

// Exit, and Yes on the confirmation.
void Quit(TPlayScript& Script) {
  Press(Script, "Main\\BtnExit");
  Press(Script, "Confirmation\\BtnYes", 1.0);
}

std::vector<std::string> PlayerNames(const TGameDataReader& Data) {
  std::vector<std::string> Names;
  for (const TProfileReader& P : Data.Profiles()) {
    EXPECT_TRUE(P.Sound()) << P.FileName() << " does not match its checksum";
    Names.push_back(P.Brief()->PlayerName);
  }
  std::sort(Names.begin(), Names.end());
  return Names;
}

// A second start from what a run left: the same profiles are found, and a quit under the
// (named) current profile ends the program at once.
void ExpectTheSameProfilesOnASecondStart(TPlayground& Play, const TPlayResult& Run) {
  namespace fs = std::filesystem;
  const std::string Saved = Play.AppDataFolder() + "/Saved";
  fs::remove_all(Saved);
  fs::copy(Run.DataFolder, Saved, fs::copy_options::recursive);
  const TGameDataReader Before(Saved);
  Play.SetFlag("NoSplash");
  TPlayScript Again(HOE_CONTENT);
  Again.StartFrom(Saved).Wait(1.5);
  Quit(Again);
  Again.Wait(1.0);
  const TPlayResult Second = Play.Play(Again, "again.rec");
  ASSERT_FALSE(Second.TimedOut) << Second.Output;
  ASSERT_EQ(Second.ExitCode, 0) << Second.Output;
  const TGameDataReader After(Second.DataFolder);
  EXPECT_EQ(PlayerNames(After), PlayerNames(Before)) << Second.Output;
  EXPECT_EQ(After.ProfileFiles(), Before.ProfileFiles());
}

} // namespace

// Logos, then the blank profile's game at once; back in the menu, Exit and Yes ask for a name
// because the default profile was played: the box holds its name, Escape and Cancel do
// nothing, the name typed over it is the profile's, and the program ends.
TEST(MenuFlows, APlayedDefaultProfileIsNamedBeforeTheProgramEnds) {
  TPlayground Play(HOE_PROGRAM);
  Prepare(Play, true);
  TPlayScript Script = FirstStart(5.0);
  Quit(Script);
  Script.Key(VK_ESCAPE).Wait(0.5);
  Press(Script, "Profiles\\New\\BtnCancel");
  for (int I = 0; I < 7; ++I) {
    Script.Key(VK_BACK);
  }
  Script.Type("Mira").Key(VK_RETURN).Wait(1.5);
  const TPlayResult Run = Play.Play(Script, "name.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  ASSERT_EQ(Data.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  const auto Brief = Data.Profile("Profile01.plr").Brief();
  EXPECT_EQ(Brief->PlayerName, "Mira") << Run.Output;
  EXPECT_EQ(PlayerNames(Data), std::vector<std::string>{"Mira"});
  ExpectTheSameProfilesOnASecondStart(Play, Run);
}

// New profiles from the list: a namesake in another letter case is refused, a fifth is not
// offered while four are listed; the one selected is deleted; the options changed with the
// arrows are kept in the current profile; a named profile quits at once.
TEST(MenuFlows, ProfilesAreMadeRefusedSelectedAndDeletedAndTheOptionsKept) {
  TPlayground Play(HOE_PROGRAM);
  Prepare(Play, false);
  TPlayScript Script = FirstStart();
  Press(Script, "Welcome\\BtnChange");
  NewProfile(Script, "Ärger");
  // "ärger" is "Ärger" folded: OK stays disabled, and Cancel leaves the list as it was.
  Press(Script, "Profiles\\Select\\BtnNew");
  Script.Type("ärger").Wait(0.2);
  Press(Script, "Profiles\\New\\BtnOk");
  Press(Script, "Profiles\\New\\BtnCancel");
  NewProfile(Script, "Bo");
  NewProfile(Script, "Cy");
  // Four listed: New does nothing now.
  Press(Script, "Profiles\\Select\\BtnNew");
  Script.Type("Dee").Wait(0.2);
  Press(Script, "Profiles\\Select\\BtnOk");
  // Bo (the third slot) is selected and deleted; Cy is current after it.
  Press(Script, "Welcome\\BtnChange");
  Press(Script, "Profiles\\Select\\Name3");
  Press(Script, "Profiles\\Select\\BtnDelete");
  Press(Script, "Profiles\\Confirm\\BtnYes");
  Press(Script, "Profiles\\Select\\BtnOk");
  // Two steps down for the music, one for the sound, kept with OK.
  Press(Script, "Main\\BtnOptions");
  Press(Script, "Options\\Music\\Left", 0.3);
  Press(Script, "Options\\Music\\Left", 0.3);
  Press(Script, "Options\\Sound\\Left", 0.3);
  Press(Script, "Options\\BtnOk");
  Quit(Script);
  Script.Wait(1.0);
  const TPlayResult Run = Play.Play(Script, "profiles.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  EXPECT_EQ(PlayerNames(Data), (std::vector<std::string>{"Cy", "Zarnika", "Ärger"})) << Run.Output;
  const auto Cy = Data.ProfileOf("Cy");
  ASSERT_TRUE(Cy.has_value());
  const auto Brief = Cy->Brief();
  EXPECT_EQ(Brief->MusicVolume, 70);
  EXPECT_EQ(Brief->SoundVolume, 75);
  // Each new profile put the current player's result into the table first.
  EXPECT_TRUE(Data.HasHighScores());
  EXPECT_FALSE(Data.Alerts().has_value());
  ExpectTheSameProfilesOnASecondStart(Play, Run);
}

// Deleting the only profile leaves a hidden blank "Zarnika"; a new profile of that very name is
// accepted and replaces it, and quits at once as a named profile.
TEST(MenuFlows, TheOnlyProfileDeletedGivesWayToANewOneOfTheHiddenDefaultsName) {
  TPlayground Play(HOE_PROGRAM);
  Prepare(Play, false);
  TPlayScript Script = FirstStart();
  Press(Script, "Welcome\\BtnChange");
  Press(Script, "Profiles\\Select\\BtnDelete");
  Press(Script, "Profiles\\Confirm\\BtnYes");
  NewProfile(Script, "Zarnika");
  Press(Script, "Profiles\\Select\\BtnOk");
  Quit(Script);
  Script.Wait(1.0);
  const TPlayResult Run = Play.Play(Script, "delete.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  ASSERT_EQ(PlayerNames(Data), std::vector<std::string>{"Zarnika"}) << Run.Output;
  ExpectTheSameProfilesOnASecondStart(Play, Run);
}
