// What the comic and splash screen tests share: a headless device, the demo content read by the
// program's library with a scratch folder of test files in front of it, a player, a window host
// of the test's own (mouse and top window), and a scratch working folder, where the program's
// configuration flags and its "logos" folder are looked for.
#pragma once

#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "TempDir.h"
#include "TestProgram.h"
#include "TestWindowHost.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "app/UGApp.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "widgets/UGWindow.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class ComixSplashTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    FWasFolder = std::filesystem::current_path();
    std::filesystem::current_path(Work.Path());
    World.Start(HOE_CONTENT, true);
    World.Library->Load(new TGNativeFileSystem(nullptr, World.Folder().Str()), nullptr, rdtCurrent,
                        0);
    World.Library->SetErrorCallback(
        [this](const std::string& URL, const std::string&) { ResourceErrors.push_back(URL); });
  }
  void TearDown() override {
    World.Stop();
    std::filesystem::current_path(FWasFolder);
    THeadlessSceneTest::TearDown();
  }

  // A file of the scratch content, below its category folder ("gfx/Test/A.ani").
  void Content(const std::string& Path, const std::string& Text) { World.File(Path, Text); }
  // A file of the working folder (the program's folder).
  void ProgramFile(const std::string& Path, const std::string& Text) {
    std::filesystem::create_directories((Work.Path() / Path).parent_path());
    WriteFile(Work.File(Path), Text);
  }
  // An ".ani" document of the given channels on an 800 x 600 screen.
  static std::string Animation(const std::string& Channels, bool Looped = false) {
    return std::string("<Animation Looped=\"") + (Looped ? "True" : "False") +
           "\" OriginX=\"0\" OriginY=\"0\" Width=\"800\" Height=\"600\">" + Channels +
           "</Animation>";
  }
  // A picture channel with keys of one envelope at the given times (values 0), and an optional
  // graphic.
  static std::string Channel(const std::string& Caption, const std::string& Envelope,
                             const std::vector<int>& Times, const std::string& Gfx = "",
                             const std::string& More = "") {
    std::string Keys;
    for (int T : Times) {
      Keys += "<Term T=\"" + std::to_string(T) + "\" Value=\"0\"/>";
    }
    std::string Text = "<Channel ClassId=\"LivePicture\" Caption=\"" + Caption +
                       "\" Visible=\"True\"><" + Envelope + ">" + Keys + "</" + Envelope + ">";
    if (!Gfx.empty()) {
      Text += "<GfxURL><Term T=\"0\" Value=\"" + Gfx + "\"/></GfxURL>";
    }
    return Text + More + "</Channel>";
  }
  // The captions of the picture channels of A, and of the animations nested in them, whose
  // graphic keys name no resource that loaded.
  static std::vector<std::string> MissingPictures(const TGAnimation* A) {
    std::vector<std::string> Missing;
    for (int32_t I = 0; I < A->Count(); ++I) {
      auto* P = TryObjectCast<TGLivePicture>(A->GetChannel(I));
      for (int K = 0; P && K < P->Gfx()->Count(); ++K) {
        TGResource* R = P->Gfx()->GetResValue(P->Gfx()->Terms(K).Time);
        if (!R) {
          Missing.push_back(P->Caption());
        } else if (auto* Nested = TryObjectCast<TGAnimation>(R)) {
          for (const std::string& Caption : MissingPictures(Nested)) {
            Missing.push_back(P->Caption() + "\\" + Caption);
          }
        }
      }
    }
    return Missing;
  }
  // The window hidden, or on its way out.
  static bool Closing(const TGWindow* W) { return !W->Visible() || W->State() == wsHiding; }

  TTempDir Work{"hoe-comix"};
  TLocationWorld World;
  TTestWindowHost Host;
  std::vector<std::string> ResourceErrors;

private:
  std::filesystem::path FWasFolder;
};

// A bare application object over the headless device with an 800 x 600 bottom window; frames come
// from the message loop's idle turns, 20 ms apart, each after the test's OnFrame step. A window
// that never ends stops the loop after MaxFrames, which fails the test, not the run.
class TModalApp {
protected:
  void StartApp(const char* Name, int MaxFrames) {
    Program = std::make_unique<TTestProgram>(Name);
    Program->Frame();
    TGAppParams Params;
    Params.Width = 800;
    Params.Height = 600;
    TheApp.reset(New<TGApp>(Params));
    Bottom.reset(New<TGWindow>());
    Bottom->SetWidth(800);
    Bottom->SetHeight(600);
    TheApp->Show(Bottom.get());
    Program->Loop().OnIdle = [this, MaxFrames](bool& Done) {
      Done = false;
      if (OnFrame) {
        OnFrame();
      }
      Tick += 20;
      bool Drawn = false;
      App->Draw(Tick, Drawn);
      if (++Frames > MaxFrames) {
        Program->Loop().Terminate();
      }
    };
  }
  void StopApp() {
    Bottom.reset();
    TheApp.reset();
    Program.reset();
  }

  std::unique_ptr<TTestProgram> Program;
  TGObjectPtr<TGApp> TheApp;
  TGObjectPtr<TGWindow> Bottom;
  std::function<void()> OnFrame;
  int64_t Tick = 0;
  int Frames = 0;
};
