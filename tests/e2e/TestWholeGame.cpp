// The whole demo game played by its script from a fresh data folder to its end (the developers'
// keys stand in for the sundial and the nets' heads), and replayed: the finished game is put
// away in the profile, which starts over at the harbour station, while the museum keeps every
// piece found and the high scores keep the result; a replay of the same recording, with the
// same seed, saves the same bytes.
#include "DemoRoute.h"
#include "GameDataReader.h"
#include "PlayScript.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string FileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  return Bytes.str();
}

} // namespace

TEST(WholeGame, TheDemoIsPlayedToItsEndAndAReplaySavesTheSameBytes) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("NoSplash");
  Play.SetFlag("Cheats");
  TPlayScript Script(HOE_CONTENT);
  PlayTheWholeGame(Script);
  QuitNamingAs(Script, "");
  TPlayOptions Options;
  Options.TimeoutSeconds = 900;
  const TPlayResult Run = Play.Play(Script, "whole.rec", Options);
  ASSERT_FALSE(Run.TimedOut) << Run.Output;
  ASSERT_EQ(Run.ExitCode, 0) << Run.Output;

  const TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
  ASSERT_EQ(Data.ProfileFiles(), std::vector<std::string>{"Profile01.plr"});
  const TProfileReader Profile = Data.Profile("Profile01.plr");
  const auto Brief = Profile.Brief();
  // The finished game was put away: the profile starts over where new games start.
  EXPECT_EQ(Brief->LocationURL, "Arrival.loc") << Run.Output;
  EXPECT_FALSE(Brief->GameFinished);
  EXPECT_EQ(Brief->Score, 0);
  const std::vector<std::string> Entries = Profile.Entries();
  EXPECT_TRUE(std::none_of(Entries.begin(), Entries.end(), [](const std::string& E) {
    return E.rfind("loc\\", 0) == 0;
  })) << "no location is kept once the game is finished";
  // The museum keeps every piece the game put in it.
  for (const char* Piece : CMuseumPieces) {
    EXPECT_TRUE(Brief->MuseumItems()->DoesInMuseum(Piece)) << Piece << " is not in the museum";
  }
  // The result is in the high scores: the points of three scenes of things, the puzzles and
  // two chapters' bonuses.
  const std::vector<THighScoreLine> Scores = Data.HighScores();
  ASSERT_FALSE(Scores.empty()) << Run.Output;
  EXPECT_EQ(Scores[0].Player, "Zarnika");
  EXPECT_EQ(std::count_if(Scores.begin(), Scores.end(),
                          [](const THighScoreLine& L) { return L.Scores > 0; }),
            1)
      << "one player's result, the empty places of the table after it";
  EXPECT_GE(Scores[0].Scores, 50000) << Run.Output;
  EXPECT_GT(Scores[0].Time, 0);
  EXPECT_FALSE(Data.Alerts().has_value());

  // The same recording, with its seed, replays to the same profile and high scores.
  const std::string HighScores = FileBytes(Run.DataFolder + "/HighScores.xml");
  ASSERT_FALSE(HighScores.empty());
  const std::string Bytes = Profile.Bytes();
  const TPlayResult Again = Play.Replay("whole.rec", Options);
  ASSERT_EQ(Again.ExitCode, 0) << Again.Output;
  const TGameDataReader Replayed(Again.DataFolder);
  EXPECT_TRUE(Replayed.Profile("Profile01.plr").Bytes() == Bytes)
      << "the replay saved other profile bytes";
  EXPECT_TRUE(FileBytes(Again.DataFolder + "/HighScores.xml") == HighScores)
      << "the replay wrote other high scores";
}
