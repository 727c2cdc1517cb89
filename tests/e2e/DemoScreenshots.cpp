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

// The logos, a second into a first start.
bool ShootTheLogos(const std::string& Folder) {
  TPlayground Play(HOE_PROGRAM);
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(1.0);
  TPlayOptions Options;
  Options.Frames = Script.FrameCount();
  Options.Arguments = "--hide-overlays";
  Options.Screenshot = Folder + "/00-logos.png";
  const TPlayResult Run = Play.Play(Script, "logos.rec", Options);
  if (!fs::exists(Options.Screenshot)) {
    std::fprintf(stderr, "The logos' run left no picture:\n%s\n", Run.Output.c_str());
    return false;
  }
  return true;
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
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(12.0);
  TPlayOptions Options;
  Options.Frames = Script.FrameCount();
  Options.Arguments = "--hide-overlays";
  Options.Screenshot = Folder + "/18-harbour-in-french.png";
  const TPlayResult Run = Play.Play(Script, "french.rec", Options);
  if (!fs::exists(Options.Screenshot)) {
    std::fprintf(stderr, "The French run left no picture:\n%s\n", Run.Output.c_str());
    return false;
  }
  return true;
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
