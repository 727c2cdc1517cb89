#include "Screens/UMapScreen.h"

#include "Screens/UGameInterface.h"
#include "Screens/UPDAMenuWindow.h"
#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGVarSeq.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "drawables/UGGraphic.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "player/UPlayList.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGPicture.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TMapScreen)

namespace {

constexpr const char* CUnit = "UMapScreen";

std::string Path(std::string_view A, std::string_view B) {
  return std::string(A) + std::string(B);
}

} // namespace

// --- Construction -------------------------------------------------------------------------------

void TMapScreen::AfterConstruction() {
  inherited::AfterConstruction();
  if (CurrentPlayer) {
    CurrentPlayer->PushState(gsMapScreen);
    FStatePushed = true;
  }
  LoadTemplate();
  FToolHint = new TGameInterface(this, this, nullptr);
  for (int32_t I = 0; I < static_cast<int32_t>(CChapterNames.size()); ++I) {
    ShowChapter(I);
  }
  FFadingState = 1;
  FFadeValue = 0;
  for (const char* Name : CToolsName) {
    if (TGWidget* W = FindWidget(Name)) {
      W->SetAllowMouse(true);
    }
  }
  FMouseOverWidget = nullptr;
  FWaitTime = 0;
  FWaitPos = WindowHost ? WindowHost->MousePos() : TGPoint{};
  ApplyFixedOverrides();
  if (AD) {
    AD->StopMusic();
  }
}

void TMapScreen::LoadTemplate() {
  TGResourceLibrary* Library = MainResourceLibrary();
  if (!Library) {
    throw Error("The map cannot load \"%s\": there is no resource library", CTemplateURL);
  }
  auto* Template = TryObjectCast<TGWindow>(Library->GetResource(CTemplateURL));
  if (!Template) {
    throw Error("\"%s\" is not a window", CTemplateURL);
  }
  LoadFromTemplate(Template);
  if (TGWidget* W = FindWidget("BtnContinue")) {
    W->OnClick = TGNotifyEvent(this, &TMapScreen::OnContinueClick);
  } else {
    ODS("%s: \"%s\" has no \"BtnContinue\"", CUnit, CTemplateURL);
  }
  if (TGWidget* W = FindWidget("BtnMenu")) {
    W->OnClick = TGNotifyEvent(this, &TMapScreen::OnMenuClick);
  } else {
    ODS("%s: \"%s\" has no \"BtnMenu\"", CUnit, CTemplateURL);
  }
  if (auto* Pointer = TryObjectCast<TGGraphic>(Library->GetResourceEx(CCursorURL, false))) {
    SetCursor(Pointer);
  }
}

void TMapScreen::ShowChapter(int32_t Index) {
  if (!CurrentPlayer) {
    return;
  }
  const std::string N = CChapterNames[static_cast<size_t>(Index)];
  TChapterState& State = CurrentPlayer->ChapterStates[Index];
  if (State == csMovingTo) {
    StartFlight(Index);
    State = csFinished;
  } else {
    if (TGWidget* Fly = FindWidget(Path(N, "Fly"))) {
      Fly->SetVisible(false);
      Fly->SetUpdateWhenInvisible(false);
    }
    if (TGWidget* Vial = FindWidget(Path("Heart\\Vial", N))) {
      Vial->SetVisible(State == csFinished);
    }
    if (TGWidget* Vial2 = FindWidget(Path("Heart\\Vial", N + "2"))) {
      Vial2->SetVisible(CurrentPlayer->MirelAvail || State == csFinished);
    }
  }
  SetShown(N + "\\Issue", State == csNone);
  for (const char* Part : {"\\LabelBack", "\\Icon", "\\Point"}) {
    SetShown(N + Part, State != csNone);
  }
}

void TMapScreen::StartFlight(int32_t Index) {
  const std::string N = CChapterNames[static_cast<size_t>(Index)];
  if (auto* Fly = TryObjectCast<TGPicture>(FindWidget(Path(N, "Fly")))) {
    Fly->SetVisible(true);
    auto* Animation =
        Fly->Picture() ? TryObjectCast<TGAnimation>(Fly->Picture()->Instance()) : nullptr;
    if (Animation) {
      Animation->SetElapsedTime(0);
      FCurrentAnimation = Animation;
    } else {
      ODS("%s: the flight picture \"%sFly\" shows no animation", CUnit, N);
    }
  } else {
    ODS("%s: \"%s\" has no picture \"%sFly\"", CUnit, CTemplateURL, N);
  }
  TurnTooth(CChapterAngles[static_cast<size_t>(Index)]);
}

void TMapScreen::TurnTooth(float Angle) {
  auto* Tooth = TryObjectCast<TGPicture>(FindWidget("Heart\\tooth"));
  auto* Source = TryObjectCast<TGAnimation>(MainResourceLibrary()->GetResourceEx(CToothURL, false));
  if (!Tooth || !Source) {
    ODS("%s: the tooth cannot turn: %s is missing", CUnit,
        Tooth ? std::string(CToothURL) : std::string("\"Heart\\tooth\""));
    return;
  }
  auto* Clone = ObjectCast<TGAnimation>(Source->Clone(Tooth));
  for (int32_t C = 0; C < Clone->Count(); ++C) {
    auto* Movie = TryObjectCast<TGMovie>(Clone->GetChannel(C));
    if (!Movie) {
      continue;
    }
    TGRealEnv* Env = Movie->Angle();
    for (int K = 0; K < Env->Count(); ++K) {
      const TGVarTerm& Term = Env->Terms(K);
      Env->SetRealValue(Term.Time, Term.Value.ToSingle() + Angle - 90);
    }
  }
  Tooth->SetGfx(Clone);
  // A tooth turned before (two chapters finished at once) gives way to the later one.
  if (FToothClone) {
    FToothClone->Free();
  }
  FToothClone = Clone;
}

void TMapScreen::ApplyFixedOverrides() {
  SetShown("NewYork\\Issue", false);
  SetShown("NewYork\\LabelBack", true);
  SetShown("NewYork\\Icon", true);
  SetShown("NewYork\\Point", true);
  SetShown("Morocco\\Boat", IsShown("Alexandria\\Icon"));
  SetShown("Morocco\\Issue2", IsShown("Alexandria\\Issue"));
  SetShown("Morocco\\Point2", IsShown("Alexandria\\Point"));
}

void TMapScreen::SetShown(std::string_view WidgetPath, bool Value) {
  if (TGWidget* W = FindWidget(WidgetPath)) {
    W->SetVisible(Value);
  }
}

bool TMapScreen::IsShown(std::string_view WidgetPath) const {
  const TGWidget* W = FindWidget(WidgetPath);
  return W && W->Visible();
}

void TMapScreen::Destroy() {
  if (FCurrentAnimation) {
    FCurrentAnimation->ClearParticles();
    FCurrentAnimation = nullptr;
  }
  FMouseOverWidget = nullptr;
  FToothClone = nullptr; // its widget frees it
  if (FStatePushed && CurrentPlayer) {
    CurrentPlayer->PopState(gsMapScreen);
  }
  FStatePushed = false;
  inherited::Destroy();
}

// --- Buttons and activation ---------------------------------------------------------------------

void TMapScreen::OnContinueClick(TGObject* Sender) {
  (void)Sender;
  FFadingState = -1;
}

void TMapScreen::OnMenuClick(TGObject* Sender) {
  (void)Sender;
  FFadingState = -1;
  if (CurrentPlayer) {
    CurrentPlayer->ExitGame();
  }
}

void TMapScreen::ApplicationActivate() {
  inherited::ApplicationActivate();
  FPaused = false;
  if (AD) {
    AD->SetPaused(false);
  }
}

void TMapScreen::ApplicationDeactivate() {
  inherited::ApplicationDeactivate();
  FPaused = true;
  if (AD) {
    AD->SetPaused(true);
  }
}

void TMapScreen::Close() {
  if (State() == wsDefault) {
    Hide();
  } else if (State() == wsShowing) {
    SetVisible(false); // still showing: a hide would be ignored
  }
}

// --- Frames -------------------------------------------------------------------------------------

void TMapScreen::UpdateTree(float DeltaTime) {
  if (!FPaused) {
    if (CurrentPlayer && CurrentPlayer->PlayList()) {
      CurrentPlayer->PlayList()->Update(DeltaTime);
    }
    if (FFadingState != 0) {
      FFadeValue += DeltaTime * CFadeSpeed * static_cast<float>(FFadingState);
    }
  }
  inherited::UpdateTree(FPaused || FFadeValue < CFadeUpdateLimit ? 0 : DeltaTime);
}

void TMapScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  TPDAMenuWindow::AnswerQuitRequest();
  if (AppIsClosing) {
    Close();
  }
  if (!FPaused) {
    UpdateFadeEnds();
  }
  UpdateMouseWait(DeltaTime);
  UpdateToolHint(static_cast<int32_t>(DeltaTime * 1000));
}

void TMapScreen::UpdateFadeEnds() {
  if (FFadingState > 0 && FFadeValue > 255) {
    FFadingState = 0;
  } else if (FFadingState < 0 && FFadeValue < CFadeOutEnd) {
    Close();
  }
}

void TMapScreen::UpdateMouseWait(float DeltaTime) {
  const TGPoint P = WindowHost ? WindowHost->MousePos() : TGPoint{};
  if (P.X != FWaitPos.X || P.Y != FWaitPos.Y) {
    FWaitTime = 0;
    FWaitPos = P;
    const int32_t HintState = FToolHint->ToolHintState();
    if (HintState != TGameInterface::thsHidden && HintState != TGameInterface::thsFadingOut) {
      HideToolHint();
    }
    // The part is looked for afresh once the mouse rests again, so that a hint hidden by a
    // small move inside the same part comes back.
    FMouseOverWidget = nullptr;
    return;
  }
  const int32_t HintState = FToolHint->ToolHintState();
  if (HintState != TGameInterface::thsHidden && HintState != TGameInterface::thsFadingOut) {
    return;
  }
  FWaitTime += DeltaTime;
  if (FWaitTime < CToolWaitTime) {
    return;
  }
  FWaitTime = 0;
  TGWidget* Part = ToolAt(P);
  if (Part == FMouseOverWidget) {
    return;
  }
  if (FMouseOverWidget) {
    ToolMouseLeave();
  }
  FMouseOverWidget = Part;
  if (Part) {
    ToolMouseEnter(Part);
  }
}

TGWidget* TMapScreen::ToolAt(const TGPoint& P) const {
  for (size_t I = CToolsName.size(); I-- > 0;) {
    auto* W = TryObjectCast<TGPicture>(FindWidget(CToolsName[I]));
    if (!W || !W->GlobalVisible()) {
      continue;
    }
    const TGRectFloat R = W->ScreenRect();
    if (W->InternalHit(
            TGFlatVector{static_cast<float>(P.X) - R.Left, static_cast<float>(P.Y) - R.Top})) {
      return W;
    }
  }
  return nullptr;
}

// --- The tool hint ------------------------------------------------------------------------------

std::string TMapScreen::GetToolCaption(std::string_view WidgetName) {
  static constexpr std::pair<std::string_view, const char*> CCaptions[] = {
      {"Heart", "$Harmonic Senses Device$"},
      {"VialAlaska", "$Desire for Loyalty$"},
      {"VialAustralia", "$Snake$\r\n$Sense of Taste$"},
      {"VialGreenland", "$Bear$\r\n$Sense of Smell$"},
      {"VialNewYork", "$Bat$\r\n$Sense of Hearing$"},
      {"VialMorocco", "$Dolphin$\r\n$Sense of Thought$"},
      {"VialAlexandria", "$Owl$\r\n$Sense of Sight$"},
      {"VialCongo", "$Monkey$\r\n$Sense of Touch$"},
  };
  for (const auto& [Name, Caption] : CCaptions) {
    if (Name == WidgetName) {
      return Caption;
    }
  }
  return "$Unknown$";
}

void TMapScreen::ToolMouseEnter(TGWidget* Widget) {
  StartToolHint(GetToolCaption(Widget->Name()), FWaitPos);
}

void TMapScreen::ToolMouseLeave() {
  HideToolHint();
}

void TMapScreen::StartToolHint(const std::string& Text, const TGPoint& Pos) {
  FToolHint->StartToolHint(Text, Pos);
}

void TMapScreen::HideToolHint() {
  FToolHint->HideToolHint();
}

void TMapScreen::UpdateToolHint(int32_t Milliseconds) {
  FToolHint->Update(Milliseconds);
}

// --- Drawing ------------------------------------------------------------------------------------

uint8_t TMapScreen::BlackAlpha() const {
  if (FFadingState == 0) {
    return 0;
  }
  return static_cast<uint8_t>(std::clamp(std::nearbyint(255 - FFadeValue), 0.0f, 255.0f));
}

void TMapScreen::DrawTree() {
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
