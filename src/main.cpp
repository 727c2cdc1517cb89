// The game program: start-up, the message loop and shutdown.
//
// Besides the game's own switches ("-nosound", "-p", "-r", "-t", "-file", "-url"), the program
// takes --headless (no window on screen), --frames N (quit after N frames), --screenshot FILE
// (the last frame as PNG at exit), --resources PATH (where the content is), --quit-at-menu (end
// once the main menu is first shown, for start-up measures) and --report-memory (the peak
// resident memory at exit). With no display it runs headless by itself. A crash writes a report
// into the data folder's "CrashReports"; the developer's switch --crash provokes one.
#include "Screens/UMainMenuScreen.h"
#include "UApp.h"
#include "UGameStart.h"
#include "UHostMain.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGError.h"
#include "graphics/UGGraphicsDevice.h"
#include "player/UConfigManager.h"
#include "resources/UGConfig.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

namespace {

constexpr const char* CHelp =
    "Usage: hoe [options]\n"
    "  --headless          run without a window on screen (automatic without a display)\n"
    "  --frames N          quit after N frames\n"
    "  --screenshot FILE   write the last frame to FILE at exit\n"
    "  --screenshot-at FRAME:FILE\n"
    "                      also write frame FRAME (from 1) to FILE; may be repeated\n"
    "  --hide-overlays     no debug figures over the frames, no console over a headless replay\n"
    "  --replay-speed X    a headless replay (-p) runs X times as fast as recorded\n"
    "  --resources PATH    the content: an archive (.sfs) or a folder\n"
    "  --cache             convert the pictures once into the cache folder\n"
    "  --quit-at-menu      end when the main menu is first shown\n"
    "  --report-memory     print the peak resident memory at exit\n"
    "  -nosound            no sound\n"
    "  -t [-url SCRIPT]    playtest mode\n"
    "  --help              this text\n"
    "Developer switches:\n"
    "  --crash segv|abort|throw\n"
    "                      crash at the end of the first frame (of frame N with --frames N),\n"
    "                      to check the crash report in the data folder's CrashReports\n";

TGWindow* CreateFirstWindow(TGAbstractStartupLog& Log, const THostOptions& Options) {
  if (TGConfig* Welcome =
          ObjectCast<TGConfig>(App->ResourceLib()->GetResourceEx("Welcome.cfg", false))) {
    Log.Info(LangDictionary().GetString(Welcome->XML()->GetStrAttrDef("Text", "")));
  }
  App->OnBeforeDeactivate = TGNotifyEvent();
  App->SetShowDebugInfo(!Options.HideOverlays);
  App->InitWideScreen(false, false);
  App->SetAdjustmentSymbolGfxURL("Particles\\WhitePoint.png");
  if (GD) {
    GD->SetDefaultClearColor(TGColor::Create(255, 0, 0, 0));
    GD->SetMemoryLimit(0x3000000);
  }
  if (AD) {
    // Configuration flags silence music or sounds.
    if (ConfigurationFlag("NoMusic")) {
      AD->SetMusicVolume(0);
    }
    if (ConfigurationFlag("NoSound")) {
      AD->SetSoundVolume(0);
    }
  }
  // The menu lists the profiles and plays the current one: without them there is no game.
  try {
    StartGame(Log);
  } catch (const std::exception& E) {
    throw Error("The profiles cannot be read: %s", std::string(E.what()));
  }
  App->SetFrameLimit(Options.Frames);
  // The bottom window: the splash plays over it first, and the program ends when it hides.
  return New<TMainMenuScreen>();
}

} // namespace

int main(int Argc, char** Argv) {
  THostOptions Options;
  int ExitCode = 0;
  if (!ParseHostOptions("hoe", CHelp, Argc, Argv, Options, ExitCode)) {
    return ExitCode;
  }
  Options.CrashReports = true;
  TGAppParams Params;
  Params.Width = 800;
  Params.Height = 600;
  Params.NoPreload = true;
  Params.AppClass = &TApp::Make;
  return RunHost("hoe", Options, Params, &CreateFirstWindow, &StopGame);
}
