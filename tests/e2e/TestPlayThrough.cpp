// Scripted plays of the whole program: the start screen, "To the harbour", the harbour's things
// clicked by their IDs, its tip, lines, hint and tool used through the screen's widgets, and
// what the runs leave in a fresh data folder: the profile list made at start, the lines said,
// the hints and the state of the harbour in the profile, the same bytes from every replay of one
// recording, and the developer flags of the playground.
#include "GameDataReader.h"
#include "PlayScript.h"
#include "platform/UKeyCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

// The harbour's things a page can list: the quay's things of the first page (six of them are
// dealt onto it beside the old key), then those of the second. The script clicks them all in
// rounds; a click on a thing the page does not list only misses.
const char* const CFirstPage[] = {"Key",       "Anchor",    "Bottle",   "Shell",   "Starfish1",
                                  "Starfish2", "Starfish3", "NetFloat", "RopeCoil"};
const char* const CSecondPage[] = {"Pearl", "Compass", "Map",    "Lantern",
                                   "Fish",  "Bucket",  "Feather"};

// The lines the script has said in the harbour, in the order said: the heroine's arrival, the
// fisherman's two, and hers on the things found, the chest opened and the quay done.
const char* const CLinesSaid[] = {"$HarbourArrival$",        "$HarbourFishermanEvening$",
                                  "$HarbourFishermanChest$", "$HarbourBottleMessage$",
                                  "$HarbourChestOpened$",    "$HarbourMapFound$",
                                  "$HarbourAllFound$"};

// A point in the fisherman's bubbles: they stand over his hat, their lower edge on his anchor,
// and a click in them reads them.
constexpr TScreenPoint CFishermanBubble{585, 332};

// Starts the first profile's game at once (no logos in this playground) and waits while the
// chapter's text is typed on black; puts the
// tip away with its button; has the fisherman say his two lines, closing each bubble with a
// click; takes the lightning bolt from the post (a second hint) and spends a hint on the first
// entry of the list; finds the first page, takes the old key from the tools and opens the sea
// chest with it, finds the second page (the pearl was in the chest, the gull's feather lies on
// the quay by now; the second round's clicks, once the quay is done, move the comic of the
// crossing on to its end), and waits for the harbour to fade to the lighthouse; then Esc leaves the
// game (saving it) for the main menu, where Exit and Yes ask for the played default profile's name,
// which Enter keeps as it stands.
TPlayScript HarbourScript() {
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(10.6);
  Script.ClickWidget("TipsWindow.win", "Close").Wait(0.5);
  Script.ClickObject("Harbour.loc", "Fisherman").Wait(1.0);
  Script.Click(CFishermanBubble).Wait(1.0).Click(CFishermanBubble).Wait(0.5);
  Script.ClickObject("Harbour.loc", "HintBolt").Wait(2.0);
  Script.ClickWidget("GameScreen.win", "GameInterface\\Hint").Wait(0.5);
  Script.ClickWidget("GameScreen.win", "GameInterface\\BackPackItems\\Item01\\Label").Wait(2.0);
  for (int Round = 0; Round < 2; ++Round) {
    for (const char* ID : CFirstPage) {
      Script.ClickObject("Harbour.loc", ID).Wait(0.5);
    }
  }
  Script.Wait(2.0).ClickWidget("GameScreen.win", "GameInterface\\BackPackTools\\Item01").Wait(0.5);
  Script.ClickObject("Harbour.loc", "ChestLid").Wait(2.0);
  for (int Round = 0; Round < 2; ++Round) {
    for (const char* ID : CSecondPage) {
      Script.ClickObject("Harbour.loc", ID).Wait(0.5);
    }
  }
  Script.Wait(8.0);
  // The device's main-menu button: the game is left and saved; the menu comes back.
  LeaveTheGameThroughTheJournal(Script);
  QuitNamingAs(Script, "");
  return Script;
}

// The object of the saved location with that ID, or none.
const TGXMLNode* SavedObject(const TGXMLNode& Location, const std::string& ID) {
  for (const TGXMLNode* Obj : *Location.GetChilds("Object")) {
    if (Obj->GetStrAttrDef("ID", "") == ID) {
      return Obj;
    }
  }
  return nullptr;
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

TEST(PlayThrough, TheHarbourIsPlayedThroughAndReplaysToTheSameBytes) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", "Harbour.loc"); // after the harbour station of a new game
  Play.SetFlag("NoSplash");
  const TPlayScript Script = HarbourScript();
  const TPlayResult Run = Play.Play(Script, "harbour.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  // The first start made the default profile; the harbour is done and the game went on to the
  // lighthouse, where the profile now is.
  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  ASSERT_TRUE(Data.HasProfileList());
  ASSERT_EQ(Data.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  const TProfileReader Profile = Data.Profile("Profile01.plr");
  const std::vector<std::string> Entries = Profile.Entries();
  EXPECT_NE(std::find(Entries.begin(), Entries.end(), "loc\\Harbour.loc"), Entries.end());
  const auto Brief = Profile.Brief();
  EXPECT_EQ(Brief->PlayerName, "Zarnika");
  EXPECT_EQ(Brief->LocationURL, "Lighthouse.loc") << Run.Output;
  // Sixteen things of 100 points or more, some in combos (the hinted one counts 50), and the
  // finish bonus for the scanner left alone; a hint was used.
  EXPECT_GE(Brief->Score, 15 * 100 + 50 + 5000) << Run.Output;

  // Every line said is in the log, in the order said, where it was said (the last one is the
  // lighthouse's welcome), the fisherman's once each.
  TGObjectPtr<TGXMLNode> Player = Profile.XML("Player.cfg");
  std::vector<std::string> Said, Where;
  for (const TGXMLNode* Log : *Player->GetChilds("SpeechLog")) {
    for (const TGXMLNode* Item : *Log->GetChilds("Item")) {
      Said.push_back(Item->GetStrAttrDef("Text", ""));
      Where.push_back(Item->GetStrAttrDef("LocationName", ""));
    }
  }
  auto Next = Said.begin();
  for (const char* Line : CLinesSaid) {
    Next = std::find(Next, Said.end(), Line);
    ASSERT_NE(Next, Said.end()) << Line << " is not in the log, or out of order";
    EXPECT_EQ(Where[static_cast<size_t>(Next - Said.begin())], "Harbour") << Line;
  }
  ASSERT_FALSE(Said.empty());
  EXPECT_EQ(Said.back(), "$LighthouseWelcome$");
  EXPECT_EQ(Where.back(), "Lighthouse");
  EXPECT_EQ(std::count(Said.begin(), Said.end(), "$HarbourFishermanEvening$"), 1);
  EXPECT_EQ(std::count(Said.begin(), Said.end(), "$HarbourFishermanChest$"), 1);
  // The bolt left the post and gave a second hint, the hint spent took one: one is left, and
  // the harbour knows a hint was used.
  EXPECT_EQ(Brief->HintsCount, 1);
  TGObjectPtr<TGXMLNode> Harbour = Profile.XML("loc\\Harbour.loc");
  EXPECT_EQ(SavedObject(*Harbour, "HintBolt"), nullptr);
  EXPECT_TRUE(Harbour->GetBoolAttrDef("HintUsed", false));
  // The key opened the chest: the lid is gone, the open chest shows, the pearl under the lid
  // was found.
  const TGXMLNode* Lid = SavedObject(*Harbour, "ChestLid");
  const TGXMLNode* Open = SavedObject(*Harbour, "ChestOpen");
  ASSERT_TRUE(Lid && Open) << Harbour->SaveToString(2);
  EXPECT_FALSE(Lid->GetBoolAttrDef("Visible", true));
  EXPECT_FALSE(Lid->GetBoolAttrDef("HotSpot", false));
  EXPECT_TRUE(Open->GetBoolAttrDef("Visible", true));
  EXPECT_EQ(SavedObject(*Harbour, "Pearl"), nullptr) << "the pearl is in the inventory";
  // The tip was shown and the fisherman has spoken, for good.
  EXPECT_EQ(SavedProperty(*Harbour, "TipShown"), "True");
  EXPECT_EQ(SavedProperty(*Harbour, "FishermanSpoke"), "True");
  const TGDateTime Start = EncodeDateTime(2024, 6, 1, 18, 0, 0);
  EXPECT_GE(Brief->CreationTime, Start);
  EXPECT_LE(Brief->CreationTime, Start + Script.Seconds() / 86400);
  EXPECT_FALSE(Data.Alerts().has_value());
  // The switch recorded the result in the high scores, under the player's name.
  const std::vector<THighScoreLine> Scores = Data.HighScores();
  EXPECT_TRUE(std::any_of(Scores.begin(), Scores.end(), [](const THighScoreLine& L) {
    return L.Player == "Zarnika" && L.Scores >= 15 * 100 + 50;
  })) << Run.Output;
  const std::string Bytes = Profile.Bytes(), Checksum = Profile.ChecksumBytes();
  ASSERT_FALSE(Bytes.empty());

  // Every replay starts from the recording's data again and saves the same bytes.
  for (int Replay = 0; Replay < 2; ++Replay) {
    const TPlayResult Again = Play.Replay("harbour.rec");
    ASSERT_EQ(Again.ExitCode, 0) << Again.Output;
    const TGameDataReader Replayed(Again.DataFolder, Again.ProgramFolder);
    ASSERT_EQ(Replayed.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
    EXPECT_TRUE(Replayed.Profile("Profile01.plr").Bytes() == Bytes)
        << "replay " << Replay + 1 << " saved other profile bytes";
    EXPECT_EQ(Replayed.Profile("Profile01.plr").ChecksumBytes(), Checksum);
  }
}

// The playground's flags are its own: a new profile starts where "StartLoc" says, and every
// replay makes it with the same bytes. A profile brought in as the start data is found instead
// of a new one being made, and the menu shows at once (it is no blank profile to be played).
TEST(PlayThrough, FlagsAndStartDataOfThePlayground) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", "Lighthouse.loc");
  Play.SetFlag("NoSplash");
  TPlayScript Quit(HOE_CONTENT);
  Quit.Wait(3.0);
  LeaveTheGameThroughTheJournal(Quit);
  QuitNamingAs(Quit, "");
  const TPlayResult Run = Play.Play(Quit, "quit.rec");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  const TGameDataReader Data(Run.DataFolder);
  ASSERT_EQ(Data.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  EXPECT_EQ(Data.Profile("Profile01.plr").Brief()->LocationURL, "Lighthouse.loc");
  const std::string Made = Data.Profile("Profile01.plr").Bytes();
  const std::string MadeWorld = Data.Profile("Profile01.plr").Entry("Player.cfg");
  // Replayed again, the archive's entries are dated by the recording's clock too.
  ASSERT_EQ(Play.Replay("quit.rec").ExitCode, 0);
  EXPECT_TRUE(Data.Profile("Profile01.plr").Bytes() == Made) << "the replay saved other bytes";

  // The data that run left, as the start of the next: the same profile, untouched.
  namespace fs = std::filesystem;
  const std::string Saved = Play.AppDataFolder() + "/Saved";
  fs::copy(Run.DataFolder, Saved, fs::copy_options::recursive);
  Play.ClearFlag("StartLoc");
  TPlayScript Again(HOE_CONTENT);
  Again.StartFrom(Saved).Wait(1.0);
  QuitNamingAs(Again, "");
  const TPlayResult Second = Play.Play(Again, "again.rec");
  ASSERT_EQ(Second.ExitCode, 0) << Second.Output;
  const TGameDataReader After(Second.DataFolder);
  ASSERT_EQ(After.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  EXPECT_EQ(After.Profile("Profile01.plr").Brief()->LocationURL, "Lighthouse.loc");
  // The quit from the menu wrote the brief information again (its time of saving); the game
  // inside is untouched.
  EXPECT_TRUE(After.Profile("Profile01.plr").Sound());
  EXPECT_EQ(After.Profile("Profile01.plr").Entry("Player.cfg"), MadeWorld);
}

// A recording that ends with the program still running leaves it to live input, which never
// ends a headless run: the time limit does.
TEST(PlayThrough, ARunLeftGoingLiveIsStoppedByItsTimeLimit) {
  TPlayground Play(HOE_PROGRAM);
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(0.2);
  TPlayOptions Options;
  Options.TimeoutSeconds = 4;
  const TPlayResult Run = Play.Play(Script, "short.rec", Options);
  EXPECT_TRUE(Run.TimedOut) << Run.ExitCode << "\n" << Run.Output;
}
