#include "Screens/UComixScreen.h"

#include "Screens/URequiredWidgets.h"
#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGLivePicture.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "drawables/UGParticle.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "player/UConfigManager.h"
#include "player/UPlayList.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"

#include <algorithm>
#include <cmath>
#include <utility>

G_IMPLEMENT_CLASS(TComixScreen)

namespace {

// The fade-in eases towards 400 / 1.4 and ends above 265; the fade-out falls by 400 a second and
// ends below -20, where the comic closes.
constexpr float CFadeInStart = -10;
constexpr float CFadeInEnd = 265;
constexpr float CFadeInRate = 400;
constexpr float CFadeInEasing = 1.4f;
constexpr float CFadeOutRate = 400;
constexpr float CFadeOutEnd = -20;
// Below this value a comic that fades out at its end keeps its black rectangle drawn.
constexpr float CFadeOutDrawLimit = 100;

// The time of the first key of Seq later than Time; 0 when there is none.
int32_t FirstKeyAfter(const TGVarSeq* Seq, int32_t Time) {
  for (int I = 0; I < Seq->Count(); ++I) {
    if (Seq->Terms(I).Time > Time) {
      return Seq->Terms(I).Time;
    }
  }
  return 0;
}

} // namespace

TComixScreen::TComixScreen(TGObject* AOwner, TComixFading Fading, std::string URL)
    : TGWindow(AOwner)
    , FComixURL(std::move(URL)) {
  SetFadingState(Fading);
}

void TComixScreen::AfterConstruction() {
  inherited::AfterConstruction();
  FAnyTimeClick = true;
  LoadTemplate();
  if (ConfigurationFlag("NoComixes")) {
    FComixURL = CNoComixesURL;
  }
  LoadComix();
  FSkip->OnClick = TGNotifyEvent(this, &TComixScreen::SkipClick);
  FComixArea->OnAfterDraw = TGNotifyEvent(this, &TComixScreen::DrawComix);
}

void TComixScreen::LoadTemplate() {
  TGResourceLibrary* Library = MainResourceLibrary();
  if (!Library) {
    throw Error("The comic screen cannot load \"%s\": there is no resource library", CTemplateURL);
  }
  auto* Template = TryObjectCast<TGWindow>(Library->GetResource(CTemplateURL));
  if (!Template) {
    throw Error("\"%s\" is not a window", CTemplateURL);
  }
  LoadFromTemplate(Template);
  // A template without one of them fails here, naming the widget, not later in a frame.
  FComixArea = GetRequiredWidget(this, DeclaredWidget<TGPicture>(CTemplateURL, "ComixArea"));
  FSkip = GetRequiredWidget(this, DeclaredWidget<TGWidget>(CTemplateURL, "Skip"));
  FContinue = GetRequiredWidget(this, DeclaredWidget<TGWidget>(CTemplateURL, "Continue"));
  FContinueFlash = GetRequiredWidget(this, DeclaredWidget<TGWidget>(CTemplateURL, "ContinueFlash"));
  FContinueFlash->SetVisible(false);
}

void TComixScreen::LoadComix() {
  TGResource* Resource = MainResourceLibrary()->GetResource(FComixURL);
  auto* Source = TryObjectCast<TGAnimation>(Resource);
  if (!Source) {
    throw Error("The comic \"%s\" is not an animation", FComixURL);
  }
  FAnimation = ObjectCast<TGAnimation>(Source->Clone(this));
  for (int32_t I = 0; I < FAnimation->Count(); ++I) {
    auto* Movie = TryObjectCast<TGMovie>(FAnimation->GetChannel(I));
    if (!Movie) {
      continue;
    }
    if (Movie->Caption() == CKeyChannelName) {
      FKeyChannel = Movie;
    } else if (Movie->Caption() == CStopChannelName) {
      FStopChannel = Movie;
    }
  }
}

void TComixScreen::Destroy() {
  // Particles still flying in the comic go to a system of their own and die with it, instead of
  // landing in whatever system is the heir at the time.
  TGObjectPtr<TGParticleSystem> Heir(new TGParticleSystem(nullptr));
  {
    TGParticleHeirScope Scope(Heir.get());
    FreeAndNil(FAnimation);
    FKeyChannel = nullptr;
    FStopChannel = nullptr;
    inherited::Destroy();
  }
  Heir->Clear();
}

// --- Fading, clicks and panels
// --------------------------------------------------------------------

void TComixScreen::SetFadingState(TComixFading Fading) {
  FFadingState = {};
  if (Fading.Contains(cfLast)) {
    FFadingState.Include(cfLast);
  }
  if (Fading.Contains(cfFirst)) {
    FFadingState.Include(cfFirst);
    FFadingState.Include(cfPlayFirst);
    FFadeValue = CFadeInStart;
  } else {
    FFadeValue = CFadeInEnd;
  }
}

void TComixScreen::DisableAnyTimeClicks() {
  FAnyTimeClick = false;
  FContinue->SetVisible(false);
  FContinue->SetEnabled(false);
}

void TComixScreen::HideSkip() {
  for (TGWidget* W : {FSkip, FContinue}) {
    W->SetVisible(false);
    W->SetEnabled(false);
  }
}

void TComixScreen::SkipClick(TGObject* Sender) {
  (void)Sender;
  FSkipped = true;
  const bool First = FFadingState.Contains(cfFirst);
  FFadingState = {cfLast, cfPlayLast};
  if (First) {
    FFadingState.Include(cfFirst);
  }
}

int32_t TComixScreen::GetNextKeyTime() const {
  return FKeyChannel ? FirstKeyAfter(FKeyChannel->X(), FAnimation->ElapsedTime()) : 0;
}

int32_t TComixScreen::GetNextStopTime(bool& Full) const {
  Full = false;
  if (!FStopChannel) {
    return 0;
  }
  const int32_t Time = FirstKeyAfter(FStopChannel->X(), FAnimation->ElapsedTime());
  Full = Time > 0 && FStopChannel->Angle()->IndexOfTerm(Time) >= 0;
  return Time;
}

void TComixScreen::SwitchToNextKey() {
  if (FStop) {
    FStop = false;
    FFullStopped = false;
    // A prompt hidden and disabled with the skip button stays hidden.
    FContinue->SetVisible(FAnyTimeClick && FContinue->Enabled());
    FContinueFlash->SetVisible(false);
    return;
  }
  const int32_t Next = GetNextKeyTime();
  if (FKeyChannel && Next > 0) {
    FAnimation->SetElapsedTime(Next);
    return;
  }
  if (FFadingState.Contains(cfLast)) {
    FFadingState.Include(cfPlayLast);
  } else {
    FFadeValue = 255;
    Close();
  }
}

void TComixScreen::Close() {
  if (State() == wsDefault) {
    Hide();
  } else if (State() == wsShowing) {
    SetVisible(false); // still showing: a hide would be ignored
  }
}

// --- Input and activation ---------------------------------------------------------------------

void TComixScreen::MouseDown(int Button) {
  inherited::MouseDown(Button);
  if (!GlobalEnabled() || (!FAnyTimeClick && !FContinueFlash->Visible())) {
    return;
  }
  TGWidget* W = GetWidgetAt(WindowHost ? WindowHost->MousePos() : TGPoint{});
  if (!W || W == this) {
    SwitchToNextKey();
  }
}

void TComixScreen::KeyDown(uint16_t Key) {
  inherited::KeyDown(Key);
  if (Key == VK_ESCAPE && FSkip->Visible()) {
    SwitchToNextKey();
  }
}

void TComixScreen::Resume() {
  FPaused = false;
  if (AD) {
    AD->SetPaused(false);
  }
}

void TComixScreen::Activate() {
  inherited::Activate();
  Resume();
}

void TComixScreen::ApplicationActivate() {
  inherited::ApplicationActivate();
  if (WindowHost && WindowHost->GetTopWindow() == this) {
    Resume();
  }
}

void TComixScreen::ApplicationDeactivate() {
  inherited::ApplicationDeactivate();
  FPaused = true;
  if (AD) {
    AD->SetPaused(true);
  }
}

// --- Frames -------------------------------------------------------------------------------------

void TComixScreen::UpdateTree(float DeltaTime) {
  if (CurrentPlayer && CurrentPlayer->Cheats() && App && App->GetKey(VK_CONTROL) &&
      App->GetKey(VK_SHIFT)) {
    DeltaTime *= 5;
  }
  inherited::UpdateTree(FPaused ? 0 : DeltaTime);
}

void TComixScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  if (FPaused) {
    return;
  }
  if (CurrentPlayer && CurrentPlayer->PlayList()) {
    CurrentPlayer->PlayList()->Update(DeltaTime);
  }
  UpdateAnimation(DeltaTime);
  CentreOnScreen();
  UpdateFades(DeltaTime);
  UpdateEnd();
}

void TComixScreen::UpdateAnimation(float DeltaTime) {
  if (FStop) {
    FAnimation->Update(0);
    if (!FFullStopped) {
      UpdateLivePictures(DeltaTime);
    }
    return;
  }
  bool Full = false;
  const int32_t Stop = GetNextStopTime(Full);
  FAnimation->Update(DeltaTime);
  bool Ignored = false;
  if (Stop > 0 && GetNextStopTime(Ignored) != Stop) {
    HoldAt(Stop, Full);
  }
}

void TComixScreen::UpdateLivePictures(float DeltaTime) {
  for (int32_t I = 0; I < FAnimation->Count(); ++I) {
    if (auto* Picture = TryObjectCast<TGLivePicture>(FAnimation->GetChannel(I))) {
      if (auto* Nested = TryObjectCast<TGAnimation>(Picture->Instance())) {
        Nested->Update(DeltaTime);
      }
    }
  }
}

void TComixScreen::HoldAt(int32_t StopTime, bool Full) {
  FAnimation->SetElapsedTime(StopTime);
  FStop = true;
  FFullStopped = Full;
  FContinue->SetVisible(false);
  FContinueFlash->SetVisible(true);
}

void TComixScreen::CentreOnScreen() {
  TGPoint Screen = WindowHost ? WindowHost->ScreenSize() : TGPoint{};
  if (GD) {
    Screen = {GD->Width(), GD->Height()};
  }
  SetLeft((static_cast<float>(Screen.X) - Width()) / 2);
  SetTop((static_cast<float>(Screen.Y) - Height()) / 2);
}

void TComixScreen::UpdateFades(float DeltaTime) {
  if (FFadingState.Contains(cfPlayFirst)) {
    FFadeValue += DeltaTime * (CFadeInRate - CFadeInEasing * FFadeValue);
    if (FFadeValue > CFadeInEnd) {
      FFadingState.Exclude(cfPlayFirst);
    }
  } else if (FFadingState.Contains(cfPlayLast)) {
    FFadeValue -= DeltaTime * CFadeOutRate;
    if (FFadeValue < CFadeOutEnd) {
      FFadingState.Exclude(cfPlayLast);
    }
  }
}

void TComixScreen::UpdateEnd() {
  const bool Last = FFadingState.Contains(cfLast);
  if (FAnimation->IsFinished() && !FStop) {
    if (!Last) {
      Close();
    } else if (FFadeValue > 0) {
      FFadingState.Include(cfPlayLast);
    }
  }
  if (Last && FFadeValue < CFadeOutEnd) {
    Close();
  }
}

// --- Drawing ------------------------------------------------------------------------------------

uint8_t TComixScreen::BlackAlpha() const {
  const bool Fading = FFadingState.Contains(cfPlayFirst) || FFadingState.Contains(cfPlayLast);
  if (!Fading && !(FFadingState.Contains(cfLast) && FFadeValue < CFadeOutDrawLimit)) {
    return 0;
  }
  return static_cast<uint8_t>(std::clamp(std::nearbyint(255 - FFadeValue), 0.0f, 255.0f));
}

void TComixScreen::DrawComix(TGObject* Sender) {
  (void)Sender;
  if (FAnimation) {
    FAnimation->Draw();
  }
}

void TComixScreen::DrawTree() {
  inherited::DrawTree();
  const uint8_t Alpha = BlackAlpha();
  if (Alpha == 0 || !GD) {
    return;
  }
  TGDeviceStateGuard State(TGDeviceStateMask{bMatrix});
  GD->SetMatrixByType(mWorld, MatIdentity);
  GD->DrawRect(TGColor(static_cast<uint32_t>(Alpha) << 24), 0, 0, static_cast<float>(GD->Width()),
               static_cast<float>(GD->Height()));
}
