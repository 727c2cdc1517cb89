// Scripted plays of the whole program: the start screen, "To the harbour", the harbour's things
// clicked by their IDs, and what the runs leave in a fresh data folder: the profile list made
// at start, the same bytes from every replay of one recording, and the developer flags of the
// playground.
#include "GameDataReader.h"
#include "PlayScript.h"
#include "platform/UKeyCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

// The first page of the harbour: the quay's things dealt onto it, then the old key, which goes
// into the hand when it is found.
const char* const CFirstPage[] = {"Anchor",    "Bottle",    "Shell",    "Starfish1",
                                  "Starfish2", "Starfish3", "NetFloat", "RopeCoil"};

// Fades in, opens the harbour from the start screen, finds the first page, puts the key down,
// leaves the harbour and quits from the start screen.
TPlayScript HarbourScript() {
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(0.6).ClickWidget("Demo\\Start.win", "RightPanel\\OpenHarbour").Wait(1.2);
  for (const char* ID : CFirstPage) {
    Script.ClickObject("Harbour.loc", ID).Wait(0.2);
  }
  Script.ClickObject("Harbour.loc", "Key").Wait(0.3);
  Script.Key(VK_ESCAPE).Wait(0.2); // the key back out of the hand
  Script.Key(VK_ESCAPE).Wait(1.0); // the harbour closes, the start screen fades in
  Script.Key(VK_ESCAPE).Wait(2.0); // the start screen fades out and the program ends
  return Script;
}

} // namespace

TEST(PlayThrough, HarbourThingsFoundByIDAndTheProfileReplaysToTheSameBytes) {
  TPlayground Play(HOE_PROGRAM);
  const TPlayScript Script = HarbourScript();
  const TPlayResult Run = Play.Play(Script, "harbour.rec");
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  // Each click found the thing it aimed at, in the order of the script.
  int Found = 0;
  for (const char* ID : CFirstPage) {
    ++Found;
    EXPECT_TRUE(Run.Contains("Found " + std::string(ID) + " (" + std::to_string(Found) + " found)"))
        << ID << "\n"
        << Run.Output;
  }
  EXPECT_TRUE(Run.Contains("Found Key (9 found)")) << Run.Output;
  EXPECT_TRUE(Run.Contains("Items page 2 of 2")) << Run.Output;

  // The profile list: the first start made the default profile, in the harbour, dated by the
  // recording's clock.
  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  ASSERT_TRUE(Data.HasProfileList());
  ASSERT_EQ(Data.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  const TProfileReader Profile = Data.Profile("Profile01.plr");
  EXPECT_TRUE(Profile.Sound());
  const std::vector<std::string> Entries = Profile.Entries();
  EXPECT_NE(std::find(Entries.begin(), Entries.end(), "Brief.cfg"), Entries.end());
  const auto Brief = Profile.Brief();
  EXPECT_EQ(Brief->PlayerName, "Zarnika");
  EXPECT_EQ(Brief->LocationURL, "Harbour.loc");
  EXPECT_FALSE(Brief->GUID.empty());
  const TGDateTime Start = EncodeDateTime(2024, 6, 1, 18, 0, 0);
  EXPECT_GE(Brief->CreationTime, Start);
  EXPECT_LE(Brief->CreationTime, Start + Script.Seconds() / 86400);
  EXPECT_TRUE(Data.ProfileOf("Zarnika").has_value());
  EXPECT_FALSE(Data.Alerts().has_value());
  const std::string Bytes = Profile.Bytes(), Checksum = Profile.ChecksumBytes();
  ASSERT_FALSE(Bytes.empty());
  EXPECT_EQ(Checksum.size(), 4u);

  // A second replay starts from the recording's data again and saves the same bytes.
  const TPlayResult Again = Play.Replay("harbour.rec");
  ASSERT_EQ(Again.ExitCode, 0) << Again.Output;
  const TGameDataReader Replayed(Again.DataFolder, Again.ProgramFolder);
  ASSERT_EQ(Replayed.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  EXPECT_TRUE(Replayed.Profile("Profile01.plr").Bytes() == Bytes)
      << "the replay saved other profile bytes";
  EXPECT_EQ(Replayed.Profile("Profile01.plr").ChecksumBytes(), Checksum);
}

// The playground's flags are its own: a new profile starts where "StartLoc" says, and every
// replay makes it with the same bytes. A profile brought in as the start data is found instead
// of a new one being made.
TEST(PlayThrough, FlagsAndStartDataOfThePlayground) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", "Lighthouse.loc");
  TPlayScript Quit(HOE_CONTENT);
  Quit.Wait(0.5).Key(VK_ESCAPE).Wait(1.5);
  const TPlayResult Run = Play.Play(Quit, "quit.rec");
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;
  const TGameDataReader Data(Run.DataFolder);
  ASSERT_EQ(Data.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  EXPECT_EQ(Data.Profile("Profile01.plr").Brief()->LocationURL, "Lighthouse.loc");
  const std::string Made = Data.Profile("Profile01.plr").Bytes();
  // Replayed again, the archive's entries are dated by the recording's clock too.
  ASSERT_EQ(Play.Replay("quit.rec").ExitCode, 0);
  EXPECT_TRUE(Data.Profile("Profile01.plr").Bytes() == Made) << "the replay saved other bytes";

  // The data that run left, as the start of the next: the same profile, untouched.
  namespace fs = std::filesystem;
  const std::string Saved = Play.AppDataFolder() + "/Saved";
  fs::copy(Run.DataFolder, Saved, fs::copy_options::recursive);
  Play.ClearFlag("StartLoc");
  TPlayScript Again(HOE_CONTENT);
  Again.StartFrom(Saved).Wait(0.5).Key(VK_ESCAPE).Wait(1.5);
  const TPlayResult Second = Play.Play(Again, "again.rec");
  ASSERT_EQ(Second.ExitCode, 0) << Second.Output;
  const TGameDataReader After(Second.DataFolder);
  ASSERT_EQ(After.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  EXPECT_EQ(After.Profile("Profile01.plr").Brief()->LocationURL, "Lighthouse.loc");
  EXPECT_TRUE(After.Profile("Profile01.plr").Bytes() == Made);
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
