// hoe-view: shows one resource of the content, for content authors.
//
//   hoe-view [--resources PATH] URL [--headless] [--frames N] [--screenshot FILE.png] [--cache]
//
// With --screenshot it writes the last frame after N frames (1 unless given) and exits.
#include "Screens/ULocationView.h"
#include "UApp.h"
#include "UGameStart.h"
#include "UHostMain.h"
#include "UViewerWindow.h"
#include "app/UGApp.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGFileSystem.h"
#include "locations/UBaseLocation.h"
#include "resources/UGResource.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "widgets/UGWindow.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* CHelp =
    "Usage: hoe-view [options] URL\n"
    "  URL                 the resource, e.g. Demo\\Lantern.png, or a text file (.txt) of the\n"
    "                      content, laid out in Text.fnt, e.g. texts\\Welcome.txt, or a\n"
    "                      window file shown as the top window, e.g. Demo\\Start.win, or a\n"
    "                      3D model (.x, .xmdl, .bx) turning slowly, e.g. Models\\Tower.x, a\n"
    "                      scene (.sce) through its first camera, e.g. Models\\Harbour.sce, or\n"
    "                      a location file played, e.g. Harbour.loc (a path below loc\\), or\n"
    "                      a screen of the game by its class over the player's profiles,\n"
    "                      e.g. TStartWindow (the widgets' demo) or TCreditsScreen\n"
    "  --resources PATH    the content: an archive (.sfs) or a folder (default Resources.sfs)\n"
    "  --headless          run without a window on screen (automatic without a display)\n"
    "  --frames N          quit after N frames (1 with --screenshot)\n"
    "  --screenshot FILE   write the last frame to FILE (.png or .jpg) at exit\n"
    "  --cache             read pictures through the conversion cache\n"
    "  --quit-at-menu      end when a main menu (TMainMenuScreen) is first shown\n"
    "  --report-memory     print the peak resident memory at exit\n"
    "  -p -file REC        replay the recording REC (as the game does)\n"
    "  --help              this text\n";

std::string ViewedURL;
constexpr const char* CTextFontURL = "Text.fnt";

// A converted picture (".spr", as the cache keeps them) is no resource of its own: it is read
// from the pictures' folder and shown as a sprite.
TGResource* LoadConvertedPicture(const std::string& URL) {
  TGResourceDepository* Depository = App->ResourceLib()->CommonDepository();
  std::unique_ptr<TGStream> Stream =
      Depository->FileSystem()->CreateStream("gfx\\" + FixURLSlashes(URL), fmOpenRead);
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->LoadFromStream(*Stream);
  auto* Sprite = new TGSprite(App->ResourceLib());
  Sprite->SetURL(URL);
  Sprite->LoadFromBitmap(*Bitmap);
  return Sprite;
}

// A text file (".txt", UTF-8, a path from the content's root) is shown laid out in the content's
// text font, with its dictionary keys and tags resolved as in the game.
std::string LoadTextFile(const std::string& URL) {
  TGResourceDepository* Depository = App->ResourceLib()->CommonDepository();
  std::unique_ptr<TGStream> Stream =
      Depository->FileSystem()->CreateStream(FixURLSlashes(URL), fmOpenRead);
  std::string Text(static_cast<size_t>(Stream->GetSize()), '\0');
  Stream->ReadBuffer(Text.data(), static_cast<int64_t>(Text.size()));
  if (Text.starts_with("\xEF\xBB\xBF")) {
    Text.erase(0, 3); // the byte-order mark some editors write
  }
  // Texts break lines at carriage returns; files written on Unix end lines with LF alone.
  std::string Lines;
  Lines.reserve(Text.size() + Text.size() / 32);
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\n' && (I == 0 || Text[I - 1] != '\r')) {
      Lines += '\r';
    }
    Lines += Text[I];
  }
  return Lines;
}

// A location's URL is its path below "loc\"; a path that starts with that folder is taken too.
std::string LocationURL(const std::string& Given) {
  const std::string URL = FixURLSlashes(Given);
  return SameText(URL.substr(0, 4), "loc\\") ? URL.substr(4) : URL;
}

TGWindow* CreateViewer(TGAbstractStartupLog& Log, const THostOptions& Options) {
  GD->SetDefaultClearColor(TGColor(0xFF000000));
  // The resource alone: the overlay's changing figures would make every picture differ.
  App->SetShowDebugInfo(false);
  if (TGClass Screen = FindClass(ViewedURL);
      Screen && Screen->InheritsFrom(TGWindow::StaticClass())) {
    // A screen of the game runs as in the game, over the profiles of the data folder.
    StartGame(Log);
    Log.Info("Showing the screen " + ViewedURL);
    App->SetFrameLimit(Options.Frames);
    return ObjectCast<TGWindow>(Screen->CreateInstance(nullptr));
  }
  if (SameText(ExtractFileExt(ViewedURL), ".win")) {
    // A window file is shown as the game shows it: a copy of its tree is the top window, with
    // hover, presses and focus working (the game's handlers are not part of the file).
    auto* Template = ObjectCast<TGWindow>(App->ResourceLib()->GetResourceEx(ViewedURL, true));
    Log.Info("Showing " + ViewedURL + " (" + Template->ClassName() + ")");
    auto* Shown = New<TFramedWindow>();
    Shown->SetFrameLimit(Options.Frames);
    Shown->LoadFromTemplate(Template);
    return Shown;
  }
  if (SameText(ExtractFileExt(ViewedURL), ".loc")) {
    // A location plays in the location view: its objects, animations and scripts, with the
    // object under the mouse outlined and clicks going to its flow.
    TGObjectPtr<TLocationView> View(New<TLocationView>());
    View->SetFrameLimit(Options.Frames);
    const std::string URL = LocationURL(ViewedURL);
    View->Open(URL);
    Log.Info("Showing " + URL + " (" + View->Location()->ClassName() + ", " +
             std::to_string(View->Location()->Objects()->Count()) + " objects)");
    return View.release();
  }
  auto* Viewer = New<TViewerWindow>();
  Viewer->SetFrameLimit(Options.Frames);
  if (SameText(ExtractFileExt(ViewedURL), ".txt")) {
    auto* Font = ObjectCast<TGFont>(App->ResourceLib()->GetResourceEx(CTextFontURL, true));
    Viewer->SetText(LoadTextFile(ViewedURL), Font);
    Log.Info("Showing " + ViewedURL + " (text in " + CTextFontURL + ")");
    return Viewer;
  }
  TGResource* Resource = SameText(ExtractFileExt(ViewedURL), ".spr")
                             ? LoadConvertedPicture(ViewedURL)
                             : App->ResourceLib()->GetResourceEx(ViewedURL, true);
  Log.Info("Showing " + ViewedURL + " (" + Resource->ClassName() + ")");
  Viewer->SetResource(Resource);
  return Viewer;
}

} // namespace

int main(int Argc, char** Argv) {
  THostOptions Options;
  int ExitCode = 0;
  if (!ParseHostOptions("hoe-view", CHelp, Argc, Argv, Options, ExitCode)) {
    return ExitCode;
  }
  // The URL is the one argument that is neither a switch nor a switch's value; the game's own
  // switches (-p -file REC) go on to the host.
  std::vector<std::string> Rest;
  for (size_t I = 0; I < Options.Args.size(); ++I) {
    const std::string& A = Options.Args[I];
    const bool Value = I > 0 && (Options.Args[I - 1] == "-file" || Options.Args[I - 1] == "-url");
    if (A.empty() || A.front() == '-' || Value || !ViewedURL.empty()) {
      Rest.push_back(A);
    } else {
      ViewedURL = A;
    }
  }
  if (ViewedURL.empty()) {
    std::fputs(CHelp, stderr);
    return 2;
  }
  Options.Args = Rest;
  if (!Options.Screenshot.empty() && Options.Frames == 0) {
    Options.Frames = 1;
  }
  TGAppParams Params;
  Params.Width = 800;
  Params.Height = 600;
  Params.NoPreload = true;
  Params.AppClass = &TApp::Make;
  return RunHost("hoe-view", Options, Params, &CreateViewer, &StopGame);
}
