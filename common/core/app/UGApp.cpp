#include "app/UGApp.h"

#include "animation/UGAnimation.h"
#include "app/UGAppFramework.h"
#include "app/UGApplication.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGFileSystem.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "object/UGClassBuilder.h"
#include "particles/UGAnimatedParticle.h"
#include "platform/UAudioMixer.h"
#include "platform/UCrashReporter.h"
#include "platform/UHostServices.h"
#include "platform/UHostWindow.h"
#include "platform/UKeyCodes.h"
#include "resources/UGConfig.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceDepository.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "widgets/UGWindow.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <malloc.h>
#include <sched.h>
#include <sys/resource.h>

TGApp* App = nullptr;
bool AppIsClosing = false;
bool AppCanUnclose = true;

const float CSpeedAdjustment[17] = {0.05f, 0.1f, 0.25f, 0.5f, 0.75f, 0.9f, 1.0f, 1.1f, 1.25f,
                                    1.5f,  2.0f, 2.5f,  3.0f, 4.0f,  5.0f, 7.5f, 10.0f};

float SpeedAdjustment(int Index) {
  return CSpeedAdjustment[std::clamp(Index, -6, 10) + 6];
}

std::string HeapText(uint64_t Bytes) {
  std::string Head = Bytes >= 1024000 ? Format("%d %.3d,", {Bytes / 1024000, (Bytes / 1024) % 1000})
                                      : Format("%d,", {(Bytes / 1024) % 1000});
  return Head + Format("%.3d", {Bytes % 1024});
}

G_IMPLEMENT_CLASS(TGApp)

namespace {
TGArchiveFileSystemFactory ArchiveFactory = nullptr;
}

void SetArchiveFileSystemFactory(TGArchiveFileSystemFactory Factory) {
  ArchiveFactory = Factory;
}

namespace {

// The letter V of the version-line key (letters are their upper-case codes).
constexpr uint16_t VK_V = 'V';

std::string BaseFolder() {
  return AppFramework ? AppFramework->AppInfo().AppBaseFolder() : ExecutableFolder();
}

} // namespace

TGApp::TGApp(const TGAppParams& AParameters)
    : TGAppPlugin(nullptr)
    , FParameters(AParameters) {
  if (App) {
    throw Error();
  }
  FInfo = std::make_unique<TGAppInfo>(BaseFolder());
  App = this;
  WindowHost = this;
  TGResourceDepository::SetAppCacheFolder([this] { return FInfo->CacheFolder(); });
  FCursor = new TGSymbol(this);
  Subscribe(TGNotification(FCursor, &TGSymbol::NotifyChangeGraphic),
            TGNotifyEvent(this, &TGApp::OnCursorChangeGraphic));
}

void TGApp::OnCursorChangeGraphic(TGObject* Sender) {
  (void)Sender;
  FCursorChanged = true;
}

void TGApp::DrawCursor() {
  if (!FCursorChanged) {
    TGGraphic* Graphic = nullptr;
    for (size_t I = FWindowStack.size(); I-- > 0;) {
      TGWindow* W = FWindowStack[I];
      if (W->Visible() && W->ScreenRectContains(FMousePos)) {
        Graphic = W->GetCursorAt(FMousePos);
        break;
      }
    }
    FCursor->SetGraphic(Graphic);
  }
  FCursor->Update(FInterval);
  const TGPoint& Pos =
      !FAppActive && FParameters.LockMouseIfIncative ? FInactiveMousePos : FMousePos;
  if (FCursor->Graphic() && GD && Pos.X >= 0 && Pos.Y >= 0 && Pos.X < GD->Width() &&
      Pos.Y < GD->Height()) {
    FCursor->SetMatrix(MatTranslation(static_cast<float>(Pos.X), static_cast<float>(Pos.Y), 0));
    TGSprite::BeginBatch();
    FCursor->Draw();
    TGSprite::EndBatch();
  }
  FCursorChanged = false;
}

void TGApp::Destroy() {
  for (TGWindow* W : FWindowStack) {
    UnSubscribe(W);
  }
  FWindowStack.clear();
  if (App == this) {
    App = nullptr;
    WindowHost = nullptr;
    TGResourceDepository::SetAppCacheFolder(nullptr);
  }
  inherited::Destroy();
}

template <class F>
void TGApp::Guarded(F&& Action) {
  try {
    Action();
  } catch (...) {
    RestoreWindowedMode();
    throw;
  }
}

// --- Start and end -------------------------------------------------------------------------------

void TGApp::Initialize() {
  if (!FParameters.Control && Application) {
    FParameters.Control = Application->MainWindow();
  }
  THostWindow* Control = FParameters.Control;
  if (!Control) {
    throw Error("AppParams.Control not defined");
  }
  if (FParameters.Width == 0 || FParameters.Height == 0) {
    THostSize Size = Control->ClientSize();
    FParameters.Width = Size.Width;
    FParameters.Height = Size.Height;
  }
  Control->SetClientSize(FParameters.Width, FParameters.Height);
  if (!AD) {
    // "-nosound" runs without output; a missing device also leaves the game silent.
    new TGAudioDevice(this, FParameters.NoSound ? TMixOutput::None : TMixOutput::Device);
  }
  new TGGraphicsDevice(this);
  SetSystemCursorVisible(FSystemCursorVisible);
  GD->Initialize(FParameters.Width, FParameters.Height, Control, FParameters.MultiSampling,
                 FParameters.VSync, FParameters.MultiThreaded, false);
  if (FParameters.ResourceStatistics && (!FParameters.NoPreload || !FParameters.NoCache)) {
    ODS("Resource preloading and caching is ignored when resources usage statistics is enabled");
    FParameters.NoPreload = true;
    FParameters.NoCache = true;
  }
  // The animated-particle pool (empty in the game: particles are made as needed).
  InitializeParticles(FParameters.AnimatedParticlesPoolSize);
  FResourceLib = CreateResourceLibrary();
  SetMainResourceLibrary(FResourceLib);
  if (FParameters.TestAnimationsComplication) {
    GetAnimationComplicationTester().SetEnabled(true);
  }
  if (!FParameters.ResourcesLocation.empty()) {
    LoadDepository(FParameters.ResourcesLocation, 1 /* common */);
  }
  ReadLanguage();
  std::string LanguageLocation = "localization/" + FLanguage;
  if (::DirectoryExists(LanguageLocation) || ::FileExists(LanguageLocation + ".sfs")) {
    LoadDepository(LanguageLocation, 2 /* current language */);
  }
  FFont = dynamic_cast<TGFont*>(FResourceLib->GetResourceEx("System.fnt", false));
  for (int I = 0; !FFont && I < FResourceLib->GetCount(); ++I) {
    FFont = dynamic_cast<TGFont*>(FResourceLib->GetItem(I));
  }
  // The executable's version: the third, second and fourth numbers of the product version.
  std::vector<std::string> Parts;
  SplitString(FInfo->ProductVersion(), '.', Parts);
  auto Number = [&](size_t I) { return I < Parts.size() ? StrToIntDef(Parts[I], 0) : 0; };
  FExeVersion = Format("%d.%d (build %d)", {Number(2), Number(1), Number(3)});
  inherited::Initialize();
}

void TGApp::Finalize() {
  inherited::Finalize();
  if (FParameters.ResourceStatistics && FResourceLib && FResourceLib->FileSystem()) {
    FResourceLib->FileSystem()->GenerateUsageReport(FInfo->AppBaseFolder() + "/ResourcesUsage.txt");
  }
  // The windows still shown belong to the application now: the top one goes first.
  while (!FWindowStack.empty()) {
    TGWindow* W = FWindowStack.back();
    FWindowStack.pop_back();
    UnSubscribe(W);
    W->Free();
  }
  FFont = nullptr;
  FreeAndNil(FResourceLib);
  FinalizeParticles();
  if (GD && GD->Owner() == this) {
    GD->Free();
  }
  if (AD && AD->Owner() == this) {
    AD->Free();
  }
}

TGResourceLibrary* TGApp::CreateResourceLibrary() {
  return new TGResourceLibrary(this, FParameters.NoPreload, FParameters.NoCache);
}

TGFileSystem* TGApp::CreateArchiveFileSystem(const std::string& FileName) {
  if (!ArchiveFactory) {
    throw Error("Archives cannot be opened: no archive support in this program");
  }
  return ArchiveFactory(FileName, fmOpenRead);
}

void TGApp::LoadDepository(std::string Location, int DepositoryType) {
  Location = ChangeFileExt(FixURLSlashes(Location), "");
  std::replace(Location.begin(), Location.end(), '\\', '/');
  bool Absolute = (!Location.empty() && Location.front() == '/') ||
                  (Location.size() >= 3 && Location[1] == ':');
  if (!Absolute) {
    Location = FInfo->AppBaseFolder() + "/" + Location;
  }
  TGFileSystem* FS = nullptr;
  if (::FileExists(Location + ".sfs")) {
    FS = CreateArchiveFileSystem(Location + ".sfs");
  } else if (::DirectoryExists(Location)) {
    FS = new TGNativeFileSystem(nullptr, Location);
  } else {
    throw Error("Invalid ResourcesLocation: " + Location);
  }
  if (FParameters.ResourceStatistics) {
    FS->EnableUsageStatistics();
  }
  if (FParameters.StartupLog) {
    FParameters.StartupLog->Info("Resources: " + FS->Location());
  }
  FResourceLib->Load(FS, FParameters.StartupLog,
                     static_cast<TGResourceDepositoryType>(DepositoryType),
                     FParameters.NeedsDiskSpace);
}

void TGApp::ReadLanguage() {
  if (!::FileExists("localization/loc.cfg")) {
    return;
  }
  TGObjectPtr<TGXMLNode> Config(new TGXMLNode("Loc"));
  Config->LoadFromFile("localization/loc.cfg");
  for (const TGXMLNode* Loc : *Config->GetChilds("Loc")) {
    if (Loc->GetBoolAttrDef("Current", false)) {
      FLanguage = Loc->GetStrAttrDef("Lang", "ENG");
      LangDictionary().SetCurrentLanguage(FLanguage);
      return;
    }
  }
}

TGResource* TGApp::GetResource(const std::string& URL) {
  if (!FResourceLib) {
    throw Error("Resource \"%s\" not found", URL);
  }
  return FResourceLib->GetResource(URL);
}

TGConfig* TGApp::GetCfg(const std::string& URL) {
  TGConfig* C = ObjectCast<TGConfig>(GetResource(URL));
  return C;
}

TGAudio* TGApp::GetAud(const std::string& URL) {
  return ObjectCast<TGAudio>(GetResource(URL));
}

TGWindow* TGApp::GetWin(const std::string& URL) {
  return ObjectCast<TGWindow>(GetResource(URL));
}

// --- Frames --------------------------------------------------------------------------------------

void TGApp::SetSpeedIndex(int Value) {
  FSpeedAdjustment = std::clamp(Value, -6, 10);
}

void TGApp::UpdateInterval(int64_t TickCount) {
  int64_t Delta = TickCount - FTickCount;
  Delta = std::clamp<int64_t>(Delta < 0 ? 0 : Delta, 1, 50);
  FAverageFPS = FAverageFPS * 0.94f + 60.0f / static_cast<float>(Delta);
  FInterval = FParameters.SoftUpdate ? 1.0f / FAverageFPS : static_cast<float>(Delta) * 0.001f;
  if (FSpeedAdjustment != 0) {
    FInterval *= SpeedAdjustment(FSpeedAdjustment);
  }
  FTickCount = TickCount;
}

bool TGApp::WindowVisible(const TGWindow* W) const {
  return W->Visible();
}

size_t TGApp::LowestWindowToDraw() const {
  for (size_t I = FWindowStack.size(); I-- > 1;) {
    if (FWindowStack[I]->CoversEntireScreen()) {
      return I;
    }
  }
  return 0;
}

void TGApp::Draw(int64_t TickCount, bool& Success) {
  Guarded([&] {
    Success = false;
    if (FWindowStack.size() == 1 && !WindowVisible(FWindowStack.front())) {
      // Hiding the only window ends the program.
      if (Application) {
        Application->Terminate();
      }
      Success = true;
      return;
    }
    UpdateInterval(TickCount);
    if (AD) {
      AD->Update(HostTickCount());
    }
    if (FWindowStack.empty()) {
      return;
    }
    // Windows are drawn with the state of the previous update, then updated; the present comes
    // last. A window shown modally from an update leaves the stack before this loop sees it
    // again, so it walks a copy and skips windows that have gone.
    std::vector<TGWindow*> Windows(FWindowStack.begin() +
                                       static_cast<std::ptrdiff_t>(LowestWindowToDraw()),
                                   FWindowStack.end());
    // A window that fails to draw is reported, but the frame still updates, so that time
    // goes on and the program can end.
    std::exception_ptr DrawFailure;
    try {
      DrawWindows(Windows);
    } catch (...) {
      DrawFailure = std::current_exception();
    }
    Success = GD && GD->Initialized();
    for (TGWindow* W : Windows) {
      if (std::find(FWindowStack.begin(), FWindowStack.end(), W) != FWindowStack.end()) {
        W->UpdateTree(FInterval);
      }
    }
    // A frame that opened a modal window ends after the frames of that window; once the limit
    // has ended the program it is not counted again.
    if (!(Application && Application->Terminated())) {
      ++FFramesRun;
      FGameSecondsRun += FInterval;
      if (FFrameHook && !DrawFailure) {
        FFrameHook(FFramesRun);
      }
    }
    if (FFrameLimit > 0 && FFramesRun >= FFrameLimit && Application) {
      Application->Terminate();
    }
    PresentLastFrame();
    if (DrawFailure) {
      std::rethrow_exception(DrawFailure);
    }
  });
}

void TGApp::Idle(int64_t TickCount) {
  UpdateInterval(TickCount);
  if (AD) {
    AD->Update(HostTickCount());
  }
}

void TGApp::DrawWindows(const std::vector<TGWindow*>& Windows) {
  if (!GD || !GD->Initialized() || !GD->BeginScene()) {
    return; // nothing can be drawn: the frame still updates
  }
  FFrameIsDrawn = false;
  FInDrawing = true;
  struct TSceneEnd {
    TGApp* App;
    ~TSceneEnd() {
      GD->EndScene();
      App->FInDrawing = false;
    }
  } End{this};
  GD->Erase();
  // On a desktop that is not 4:3 the frame keeps to the 4:3 field in its middle.
  const bool Field = WideScreenFieldActive();
  if (Field) {
    DrawWideScreenAdjustment();
    GD->PushState(TGDeviceStateMask{bMatrices, bViewport});
    ClipDrawingTo(WideScreenField());
  }
  struct TFieldEnd {
    bool Active;
    ~TFieldEnd() {
      if (Active) {
        GD->PopState();
      }
    }
  } FieldEnd{Field};
  for (TGWindow* W : Windows) {
    if (W->ReadyToDraw() && W->Visible()) {
      W->DrawTree();
      FFrameIsDrawn = true;
    }
  }
  if (FFrameIsDrawn) {
    try {
      DrawCursor();
    } catch (...) {
      // A broken cursor picture must not cost the frame.
    }
    if (FShowDebugInfo && FFont) {
      DrawDebugInfo(FFont);
    }
    if (FShowExeVersion && FFont) {
      DrawExeVersion(FFont);
    }
    if (OnDrawOverlay && FFont) {
      OnDrawOverlay(FFont);
    }
  }
}

namespace {

// The process's processor use in percent: sampled at most every 200 ms as CPU time over wall
// time and processors (at most 8), averaged over the last 10 samples.
int CpuUsage() {
  static int64_t LastWall = 0;
  static int64_t LastCpu = 0;
  static std::vector<double> Samples;
  static int Result = 0;
  timespec Now{};
  clock_gettime(CLOCK_MONOTONIC, &Now);
  int64_t Wall = int64_t{Now.tv_sec} * 1000 + Now.tv_nsec / 1000000;
  if (LastWall != 0 && Wall - LastWall < 200) {
    return Result;
  }
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  int64_t Cpu = (int64_t{Usage.ru_utime.tv_sec} + Usage.ru_stime.tv_sec) * 1000 +
                (Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1000;
  if (LastWall != 0) {
    cpu_set_t Set;
    int Processors = sched_getaffinity(0, sizeof Set, &Set) == 0 ? CPU_COUNT(&Set) : 1;
    Processors = std::clamp(Processors, 1, 8);
    Samples.push_back(100.0 * static_cast<double>(Cpu - LastCpu) /
                      (static_cast<double>(Wall - LastWall) * Processors));
    if (Samples.size() > 10) {
      Samples.erase(Samples.begin());
    }
    double Sum = 0;
    for (double S : Samples) {
      Sum += S;
    }
    Result = std::min(100, static_cast<int>(Sum / static_cast<double>(Samples.size())));
  }
  LastWall = Wall;
  LastCpu = Cpu;
  return Result;
}

} // namespace

void TGApp::DrawDebugInfo(TGFont* AFont) {
  struct mallinfo2 Heap = mallinfo2();
  std::vector<std::string> Lines{
      Format("FPS: %d", {static_cast<int>(std::nearbyint(GD->FPS()))}),
      Format("CPU: %d%%", {CpuUsage()}),
      Format("Video: %.2f Mb", {GD->MemoryUsage() / 1048576.0}),
      Format("Heap: %s Kb", {HeapText(Heap.uordblks + Heap.hblkhd)}),
      Format("Mouse: %d,%d", {FMousePos.X, FMousePos.Y}),
      Format("Poly: %d", {GD->PolyCount()}),
      Format("DIP calls: %d", {GD->DIPCalls()}),
      Format("Particles: %d", {ParticleCount.load()}),
  };
  if (FSpeedAdjustment != 0) {
    Lines.push_back(Format("Speed: x%.2f", {SpeedAdjustment(FSpeedAdjustment)}));
  }
  Lines.push_back(Format("Version: %s", {FInfo->ProductVersion()}));
  GD->SetMatrixByType(mWorld, MatIdentity);
  for (size_t N = 0; N < Lines.size(); ++N) {
    AFont->DrawString(Lines[N], 3, 2 + static_cast<float>(N) * AFont->Height(), 0, 0);
  }
}

void TGApp::DrawExeVersion(TGFont* AFont) {
  GD->SetMatrixByType(mWorld, MatIdentity);
  std::string Line = Format("Exe Version: %s", {FExeVersion});
  AFont->DrawString(Line, static_cast<float>(GD->Width()), 5, 1, 0);
}

void TGApp::PresentLastFrame() {
  if (FFrameIsDrawn && GD) {
    GD->Present();
  }
  if (FScreenShotPending && GD && GD->Initialized()) {
    FScreenShotPending = false;
    std::string Name = GD->MakeScreenshot();
    if (!Name.empty()) {
      ODS("Screenshot saved to %s", Name);
    }
  }
  FFrameIsDrawn = false;
}

void TGApp::RedrawWindows() {
  if (FInDrawing || FWindowStack.empty()) {
    return;
  }
  std::vector<TGWindow*> Windows(
      FWindowStack.begin() + static_cast<std::ptrdiff_t>(LowestWindowToDraw()), FWindowStack.end());
  DrawWindows(Windows);
  PresentLastFrame();
}

void TGApp::RestoreWindowedMode() {
  try {
    if (FullScreen()) {
      SetFullScreen(false);
    }
  } catch (...) {
    // Only a courtesy before an error is shown.
  }
}

void TGApp::PauseAudio(bool Paused) {
  if (AD) {
    AD->SetPaused(Paused);
  }
}

bool TGApp::FullScreen() const {
  if (GD && GD->Initialized()) {
    return GD->FullScreen();
  }
  return FParameters.Control && FParameters.Control->IsFullScreen();
}

void TGApp::SetFullScreen(bool Value) {
  if (GD && GD->Initialized()) {
    GD->SetFullScreen(Value);
  } else if (FParameters.Control) {
    FParameters.Control->SetFullScreen(Value);
  }
}

void TGApp::SetAdjustmentSymbolGfxURL(const std::string& URL) {
  FAdjustmentSymbolGfxURL = URL;
  FAdjustmentPictureMissing = false;
  if (FAdjustmentSymbol) {
    FAdjustmentSymbol->SetGraphic(nullptr);
  }
}

bool TGApp::WideScreenFieldActive() const {
  return FIsWideScreen && GD && GD->FullScreen() &&
         (FWideScreenFieldKX > 0 || FWideScreenFieldKY > 0);
}

TGRect TGApp::WideScreenField() const {
  const int32_t W = GD ? GD->Width() : 0, H = GD ? GD->Height() : 0;
  const int32_t DX = int32_t(std::lround(float(W) * FWideScreenFieldKX));
  const int32_t DY = int32_t(std::lround(float(H) * FWideScreenFieldKY));
  return TGRect{DX, DY, W - DX, H - DY};
}

void TGApp::ClipDrawingTo(const TGRect& R) {
  TGViewport V = GD->Viewport();
  V.Left = R.Left;
  V.Top = R.Top;
  V.Right = R.Right;
  V.Bottom = R.Bottom;
  GD->SetViewport(V);
  GD->SetMatrixByType(mProjection,
                      MatOrtho(float(R.Left), float(R.Top), float(R.Right), float(R.Bottom), 0, 1));
  GD->SetMatrixByType(mView, MatIdentity);
}

void TGApp::DrawWideScreenAdjustment() {
  if (FAdjustmentSymbolGfxURL.empty() || FAdjustmentPictureMissing) {
    return;
  }
  if (!FAdjustmentSymbol) {
    FAdjustmentSymbol = New<TGSymbol>(this);
  }
  if (!FAdjustmentSymbol->Graphic()) {
    try {
      FAdjustmentSymbol->SetGraphic(
          ObjectCast<TGGraphic>(FResourceLib->GetResourceEx(FAdjustmentSymbolGfxURL, true)));
    } catch (const EGException& E) {
      FAdjustmentPictureMissing = true;
      ODS(std::string("Wide-screen adjustment picture: ") + E.what());
      return;
    }
  }
  TGGraphic* Picture = FAdjustmentSymbol->Graphic();
  if (!Picture || Picture->Width() <= 0 || Picture->Height() <= 0) {
    return;
  }
  // Stretched over the whole back buffer, and drawn only in a 2 x 2 square in two corners.
  const int32_t W = GD->Width(), H = GD->Height();
  // Sprites are drawn half a texel back, which the stretch would make half a stretched texel:
  // moved forward by as much, the picture covers the buffer exactly.
  const float SX = float(W) / Picture->Width(), SY = float(H) / Picture->Height();
  FAdjustmentSymbol->SetMatrix(
      MatrixMultiply(MatScaling(SX, SY, 1), MatTranslation(0.5f * SX, 0.5f * SY, 0)));
  for (const TGRect& Corner : {TGRect{0, 0, 2, 2}, TGRect{W - 2, H - 2, W, H}}) {
    GD->PushState(TGDeviceStateMask{bMatrices, bViewport});
    try {
      ClipDrawingTo(Corner);
      GD->SetMatrixByType(mWorld, MatIdentity);
      TGSprite::BeginBatch();
      FAdjustmentSymbol->Draw();
      TGSprite::EndBatch();
    } catch (...) {
      GD->PopState();
      throw;
    }
    GD->PopState();
  }
}

void TGApp::InitWideScreen(bool Override, bool Wide) {
  if (FSrcScreenWidth == 0 && FParameters.Control) {
    THostSize Desktop = FParameters.Control->DesktopSize();
    FSrcScreenWidth = Desktop.Width;
    FSrcScreenHeight = Desktop.Height;
  }
  float Ratio = FSrcScreenWidth > 0 ? 4.0f * static_cast<float>(FSrcScreenHeight) /
                                          static_cast<float>(FSrcScreenWidth)
                                    : 3.0f;
  bool FourToThree = std::fabs(Ratio - 3.0f) < 0.001f;
  FIsWideScreen = Override ? Wide : !FourToThree;
  FWideScreenFieldKX = 0;
  FWideScreenFieldKY = 0;
  if (FIsWideScreen && !FourToThree) {
    if (Ratio >= 3.0f) {
      // Taller than 4:3: bands at the top and bottom.
      FWideScreenFieldKY = 0.5f - 1.5f / Ratio;
    } else {
      FWideScreenFieldKX = 0.5f - Ratio / 6.0f;
    }
  }
}

// --- The window stack ----------------------------------------------------------------------------

namespace {

// A crash report names the screen on top.
void ReportTopWindow(const TGWindow* Top) {
  TCrashReporter::SetScreen(Top ? Top->ClassName() : std::string());
}

} // namespace

TGWindow* TGApp::GetTopWindow() const {
  return FWindowStack.empty() ? nullptr : FWindowStack.back();
}

void TGApp::Show(TGWindow* Window) {
  if (FInDrawing) {
    throw Error("Showing modal windows is not allowed in \"Draw\"");
  }
  if (TGWindow* Top = GetTopWindow()) {
    Top->Deactivate();
  }
  FWindowStack.push_back(Window);
  ReportTopWindow(Window);
  // A window freed while shown leaves the stack at once.
  Subscribe(TGNotification(Window, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TGApp::OnWindowDestroyed));
  if (FWindowStack.size() == 1) {
    return; // the bottom window is not modal
  }
  Window->UpdateTree(FInterval);
  PresentLastFrame();
  auto Shown = [&] {
    return std::find(FWindowStack.begin(), FWindowStack.end(), Window) != FWindowStack.end();
  };
  while (Shown() && Window->Visible() && !(Application && Application->Terminated())) {
    if (!Application) {
      break;
    }
    Application->HandleMessage();
  }
  if (Shown()) {
    FWindowStack.erase(std::find(FWindowStack.begin(), FWindowStack.end(), Window));
    if (std::find(FWindowStack.begin(), FWindowStack.end(), Window) == FWindowStack.end()) {
      UnSubscribe(Window);
    }
  }
  ReportTopWindow(GetTopWindow());
  if (TGWindow* Top = GetTopWindow()) {
    Top->Activate();
  }
}

void TGApp::OnWindowDestroyed(TGObject* Sender) {
  std::erase_if(FWindowStack, [Sender](TGWindow* W) { return W == Sender; });
  ReportTopWindow(GetTopWindow());
}

void TGApp::CloseWindows(TGWindow* DownTo) {
  for (size_t I = FWindowStack.size(); I-- > 0;) {
    if (FWindowStack[I] == DownTo) {
      break;
    }
    FWindowStack[I]->SetVisible(false);
  }
}

// --- Input ---------------------------------------------------------------------------------------

void TGApp::KeyDown(uint16_t Key) {
  Guarded([&] {
    Key &= 0xFF;
    bool EnterWasHeld = FKeys[VK_RETURN];
    bool AlreadyHeld = FKeys[Key];
    if (FKeys[VK_CONTROL] && Key == VK_F5) {
      MakeScreenshot();
    }
    if (FCheckExeVersionKey && Key == VK_V) {
      FShowExeVersion = !FShowExeVersion;
    }
    if (FKeys[VK_CONTROL] && !AlreadyHeld) {
      switch (Key) {
      case VK_MULTIPLY:
        FSpeedAdjustment = 0;
        break;
      case VK_ADD:
        FSpeedAdjustment = std::min(FSpeedAdjustment + 1, 10);
        break;
      case VK_SUBTRACT:
        FSpeedAdjustment = std::max(FSpeedAdjustment - 1, -6);
        break;
      case VK_DIVIDE:
        FShowDebugInfo = !FShowDebugInfo;
        break;
      default:
        break;
      }
    }
    FKeys[Key] = true;
    if (FKeys[VK_MENU] && Key == VK_RETURN && !EnterWasHeld && FAllowAltEnter) {
      SetFullScreen(!FullScreen());
    } else if (TGWindow* Top = GetTopWindow()) {
      Top->KeyDown(Key);
    }
  });
}

void TGApp::KeyUp(uint16_t Key) {
  Guarded([&] {
    FKeys[Key & 0xFF] = false;
    if (TGWindow* Top = GetTopWindow()) {
      Top->KeyUp(Key);
    }
  });
}

void TGApp::KeyPress(char32_t Key) {
  Guarded([&] {
    if (TGWindow* Top = GetTopWindow()) {
      Top->KeyPress(Key);
    }
  });
}

void TGApp::DblClick() {
  Guarded([&] {
    if (TGWindow* Top = GetTopWindow()) {
      Top->DblClick();
    }
  });
}

void TGApp::MouseWheelUp() {
  Guarded([&] {
    if (TGWindow* Top = GetTopWindow()) {
      Top->MouseWheelUp();
    }
  });
}

void TGApp::MouseWheelDown() {
  Guarded([&] {
    if (TGWindow* Top = GetTopWindow()) {
      Top->MouseWheelDown();
    }
  });
}

void TGApp::MouseDown(int Button) {
  Guarded([&] {
    if (!FAppActive && FParameters.LockMouseIfIncative) {
      return;
    }
    if (Button >= 0 && Button < 3) {
      FButtons[static_cast<size_t>(Button)] = true;
    }
    if (TGWindow* Top = GetTopWindow()) {
      Top->MouseDown(Button);
    }
  });
}

void TGApp::MouseUp(int Button) {
  Guarded([&] {
    if (!FAppActive && FParameters.LockMouseIfIncative) {
      return;
    }
    if (Button >= 0 && Button < 3) {
      FButtons[static_cast<size_t>(Button)] = false;
    }
    if (TGWindow* Top = GetTopWindow()) {
      Top->MouseUp(Button);
    }
  });
}

void TGApp::MouseMove(const TGPoint& Pos) {
  Guarded([&] {
    if (!FAppActive && FParameters.LockMouseIfIncative) {
      FInactiveMousePos = Pos;
    } else {
      FMousePos = Pos;
    }
    if (TGWindow* Top = GetTopWindow()) {
      Top->MouseMove();
    }
  });
}

void TGApp::SetMousePos(const TGPoint& Pos) {
  if (FParameters.Control) {
    FParameters.Control->SetMousePos(Pos.X, Pos.Y);
  }
  FMousePos = Pos;
}

void TGApp::SetSystemCursorVisible(bool Value) {
  FSystemCursorVisible = Value;
  if (FParameters.Control) {
    FParameters.Control->ShowSystemCursor(Value);
  }
}

// --- Activation ----------------------------------------------------------------------------------

void TGApp::AppActivate() {
  Guarded([&] {
    if (FAppActive) {
      return;
    }
    FAppActive = true;
    PauseAudio(false);
    for (size_t I = 0; I < FWindowStack.size(); ++I) {
      FWindowStack[I]->ApplicationActivateHelper();
    }
    if (OnActivate) {
      OnActivate(this);
    }
  });
}

void TGApp::AppDeactivate() {
  Guarded([&] {
    if (!FAppActive) {
      return;
    }
    if (OnBeforeDeactivate) {
      OnBeforeDeactivate(this);
    }
    FAppActive = false;
    PauseAudio(true);
    for (size_t I = 0; I < FWindowStack.size(); ++I) {
      FWindowStack[I]->ApplicationDeactivateHelper();
    }
    if (OnDeactivate) {
      OnDeactivate(this);
    }
  });
}
