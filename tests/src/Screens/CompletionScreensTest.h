// What the stage completion, bird completion and museum tests share: the demo content read by
// the program's library, a player, an audio device that renders into a buffer, and a window
// host of the test's own that runs a modal window's frames (20 ms each) until it hides.
#pragma once

#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "TestWindowHost.h"
#include "animation/UGAnimation.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "drawables/UGSymbol.h"
#include "platform/UAudioMixer.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWindow.h"
#include "widgets/UGWindowHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

using TModalTestHost = TModalWindowHost;

class CompletionScreensTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    AppIsClosing = false;
    AppCanUnclose = true;
    World.Start(HOE_CONTENT, true);
    Sound.reset(new TGAudioDevice(nullptr, TMixOutput::Buffer));
  }
  void TearDown() override {
    AppIsClosing = false;
    AppCanUnclose = true;
    Sound.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }

  // Frames of 20 ms of a window the test holds.
  static void Play(TGWindow* W, int Milliseconds) {
    for (int T = 0; T < Milliseconds; T += 20) {
      W->UpdateTree(0.02f);
    }
  }
  // A click in the middle of a widget of the window, as the window routes it.
  void Click(TGWindow* W, const TGWidget* Target) {
    ASSERT_TRUE(Target);
    const TGRectFloat R = Target->ScreenRect();
    Host.Mouse = {static_cast<int>(std::floor((R.Left + R.Right) / 2)),
                  static_cast<int>(std::floor((R.Top + R.Bottom) / 2))};
    Host.Top = W;
    W->MouseMove();
    W->UpdateTree(0.02f);
    W->MouseDown(mbLeft);
    W->MouseUp(mbLeft);
  }
  // The first widget of that name anywhere below W (depth first), or none.
  static TGWidget* FindDeep(const TGWidget* W, const std::string& Name) {
    for (TGWidget* C : W->Children()) {
      if (C->Name() == Name) {
        return C;
      }
      if (TGWidget* Found = FindDeep(C, Name)) {
        return Found;
      }
    }
    return nullptr;
  }
  // Answers the quit confirmation with yes once it has shown for a few frames.
  void ConfirmQuitting() {
    Host.OnFrame = [this, Outer = Host.OnFrame](TGWindow* W, int Frame) {
      if (Host.Depth > 1 && Frame == 30) {
        if (TGWidget* Confirmation = FindDeep(W, "Confirmation")) {
          Click(W, FindDeep(Confirmation, "BtnYes"));
        }
      } else if (Host.Depth == 1 && Outer) {
        Outer(W, Frame);
      }
    };
  }
  static std::string LabelData(const TGWidget* W, const std::string& Path) {
    const auto* L = TryObjectCast<TGLabel>(Path.empty() ? W : W->FindWidget(Path));
    return L ? L->Data() : "(no label " + Path + ")";
  }
  // The file name of the music playing, or "".
  static std::string MusicURL() {
    return AD && AD->CurrentMusic() ? AD->CurrentMusic()->URL() : std::string();
  }
  // The animation a picture widget shows, or none.
  static TGAnimation* PictureAnimation(const TGWidget* W) {
    const auto* P = TryObjectCast<TGPicture>(W);
    return P && P->Picture() ? TryObjectCast<TGAnimation>(P->Picture()->Instance()) : nullptr;
  }

  TLocationWorld World;
  TGObjectPtr<TGAudioDevice> Sound;
  TModalTestHost Host;
};
