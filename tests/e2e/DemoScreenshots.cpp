// Takes the README's pictures of the demo game: the logos of a first start, then every screen
// of the whole game as the scripted play meets them, written into a folder as PNG files.
//   hoe-demo-screenshots FOLDER [--until NAME]
// --until ends the game's run at the picture of that name (and leaves out the logos and the
// French harbour), for a quick look at a part of the route.
#include "DemoRoute.h"
#include "PlayScript.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// The picture of a run's last frame after Seconds of a first start in Play, as File.
bool ShootTheEndOf(TPlayground& Play, double Seconds, const std::string& File) {
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(Seconds);
  TPlayOptions Options;
  Options.Frames = Script.FrameCount();
  Options.Arguments = "--hide-overlays";
  Options.Screenshot = File;
  const TPlayResult Run = Play.Play(Script, "one-picture.rec", Options);
  if (!fs::exists(File)) {
    std::fprintf(stderr, "No picture %s:\n%s\n", File.c_str(), Run.Output.c_str());
    return false;
  }
  return true;
}

// The logos, a second into a first start.
bool ShootTheLogos(const std::string& Folder) {
  TPlayground Play(HOE_PROGRAM);
  return ShootTheEndOf(Play, 1.0, Folder + "/00-logos.png");
}

// The harbour in French: the language file beside the program chooses the dictionary's column.
bool ShootTheHarbourInFrench(const std::string& Folder) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("NoSplash");
  Play.SetFlag("StartLoc", "Harbour.loc");
  const fs::path Languages = fs::path(Play.ProgramFolder()) / "localization";
  fs::remove_all(Languages);
  fs::create_directories(Languages);
  std::ofstream(Languages / "loc.cfg") << "<Loc><Loc Lang=\"FRA\" Current=\"True\"/></Loc>";
  return ShootTheEndOf(Play, 12.0, Folder + "/18-harbour-in-french.png");
}

bool ShootTheGame(const std::string& Folder, const std::string& Until) {
  TPlayScript Script(HOE_CONTENT);
  TDemoShots Shots;
  PlayTheWholeGame(Script, &Shots);
  QuitNamingAs(Script, "");
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("NoSplash");
  Play.SetFlag("Cheats");
  TPlayOptions Options;
  Options.Arguments = "--hide-overlays" + Shots.Arguments(Folder);
  Options.TimeoutSeconds = 1800;
  for (const TDemoShots::TShot& Shot : Shots.All()) {
    if (Shot.Name == Until) {
      Options.Frames = Shot.Frame + 1;
    }
  }
  if (!Until.empty() && Options.Frames == 0) {
    std::fprintf(stderr, "No picture is named %s\n", Until.c_str());
    return false;
  }
  const TPlayResult Run = Play.Play(Script, "screenshots.rec", Options);
  bool AllThere = Run.ExitCode == 0;
  for (const TDemoShots::TShot& Shot : Shots.All()) {
    if (Options.Frames > 0 && Shot.Frame >= Options.Frames) {
      break;
    }
    const std::string File = Folder + "/" + Shot.Name + ".png";
    const bool There = fs::exists(File);
    std::printf("%s %s (frame %d)\n", There ? "wrote" : "MISSING", File.c_str(), Shot.Frame);
    AllThere = AllThere && There;
  }
  if (!AllThere) {
    std::fprintf(stderr, "The game's run ended with %d:\n%s\n", Run.ExitCode, Run.Output.c_str());
  }
  return AllThere;
}

} // namespace

int main(int Argc, char** Argv) {
  const bool Until = Argc == 4 && std::string(Argv[2]) == "--until";
  if (Argc != 2 && !Until) {
    std::fprintf(stderr, "Usage: %s FOLDER [--until NAME]\n", Argv[0]);
    return 2;
  }
  const std::string Folder = fs::absolute(Argv[1]).string();
  fs::create_directories(Folder);
  try {
    if (Until) {
      return ShootTheGame(Folder, Argv[3]) ? 0 : 1;
    }
    const bool Logos = ShootTheLogos(Folder);
    const bool French = ShootTheHarbourInFrench(Folder);
    const bool Game = ShootTheGame(Folder, "");
    return Logos && French && Game ? 0 : 1;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "%s\n", E.what());
    return 1;
  }
}
