// The game program: start-up, the message loop and shutdown.
//
// Besides the game's own switches ("-nosound", "-p", "-r", "-t", "-file", "-url"), the program
// takes --headless (no window on screen), --frames N (quit after N frames), --screenshot FILE
// (the last frame as PNG at exit) and --resources PATH (where the content is). With no display
// it runs headless by itself.
#include "Screens/UStartWindow.h"
#include "UApp.h"
#include "UHostMain.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "graphics/UGGraphicsDevice.h"
#include "player/UGameData.h"
#include "player/UPlayList.h"
#include "player/UPlayer.h"
#include "resources/UGConfig.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr const char* CHelp =
    "Usage: hoe [options]\n"
    "  --headless          run without a window on screen (automatic without a display)\n"
    "  --frames N          quit after N frames\n"
    "  --screenshot FILE   write the last frame to FILE at exit\n"
    "  --resources PATH    the content: an archive (.sfs) or a folder\n"
    "  --cache             convert the pictures once into the cache folder\n"
    "  -nosound            no sound\n"
    "  -t [-url SCRIPT]    playtest mode\n"
    "  --help              this text\n";

TStartWindow* First = nullptr;
// The profiles: found (or the first one made) before the first screen shows.
TGObjectPtr<TGameData> Game;

void StartGameData(TGAbstractStartupLog& Log) {
  try {
    Game.reset(new TGameData(nullptr));
    Game->SetStartupLog(&Log);
    Game->Initialize();
    if (TPlayer* P = Game->GetCurrentPlayer()) {
      Log.Info("Profile \"" + P->Name() + "\" in " + P->ProfileFileName() + " (" +
               std::to_string(Game->Players()->GetCount()) + " in all)");
    }
  } catch (const std::exception& E) {
    // The demo screens need no profile: the game goes on without one.
    Log.Error(std::string("The profiles cannot be read: ") + E.what());
    Game.reset();
  }
}

TGWindow* CreateFirstWindow(TGAbstractStartupLog& Log, const THostOptions& Options) {
  if (TGConfig* Welcome =
          ObjectCast<TGConfig>(App->ResourceLib()->GetResourceEx("Welcome.cfg", false))) {
    Log.Info(LangDictionary().GetString(Welcome->XML()->GetStrAttrDef("Text", "")));
  }
  App->OnBeforeDeactivate = TGNotifyEvent();
  App->SetShowDebugInfo(true);
  App->InitWideScreen(false, false);
  App->SetAdjustmentSymbolGfxURL("Particles\\WhitePoint.png");
  if (GD) {
    GD->SetDefaultClearColor(TGColor::Create(255, 0, 0, 0));
    GD->SetMemoryLimit(0x3000000);
  }
  if (AD) {
    // Configuration flags silence music or sounds; the demo's first track plays meanwhile.
    if (ConfigurationFlag("NoMusic")) {
      AD->SetMusicVolume(0);
    }
    if (ConfigurationFlag("NoSound")) {
      AD->SetSoundVolume(0);
    }
    if (App->ResourceLib()->IndexOf("Music\\Harbour.ogg") >= 0) {
      AD->PlayMusicEx("Music\\Harbour.ogg", true, 0, 100, 0);
    }
  }
  StartGameData(Log);
  First = New<TStartWindow>();
  App->SetFrameLimit(Options.Frames);
  return First;
}

} // namespace

int main(int Argc, char** Argv) {
  THostOptions Options;
  int ExitCode = 0;
  if (!ParseHostOptions("hoe", CHelp, Argc, Argv, Options, ExitCode)) {
    return ExitCode;
  }
  TGAppParams Params;
  Params.Width = 800;
  Params.Height = 600;
  Params.NoPreload = true;
  Params.AppClass = &TApp::Make;
  const auto Started = std::chrono::steady_clock::now();
  return RunHost("hoe", Options, Params, &CreateFirstWindow, [&Started] {
    Game.reset();
    const double Seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Started).count();
    const int64_t Frames = App ? App->FramesRun() : 0;
    const double GameSeconds = App ? App->GameSecondsRun() : 0;
    std::fprintf(stderr, "hoe: %lld frames in %.2f s (%.1f per second of game time)\n",
                 static_cast<long long>(Frames), Seconds,
                 GameSeconds > 0 ? Frames / GameSeconds : 0.0);
  });
}
