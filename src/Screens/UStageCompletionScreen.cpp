#include "Screens/UStageCompletionScreen.h"

#include "Screens/UPDAMenuWindow.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "drawables/UGGraphic.h"
#include "object/UGClassBuilder.h"
#include "player/UPlayList.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"

#include <algorithm>
#include <cstdint>
#include <exception>

G_IMPLEMENT_CLASS(TStageCompletionScreen)

namespace {

constexpr const char* CScoresURL = "Scores";
constexpr const char* CTemplates[] = {"ChapterScore", "Score", "Total"};
constexpr int32_t CPlayListFade = 200;
constexpr int32_t CJingleFade = 500;
constexpr int32_t CJingleFadeOut = 350;
constexpr int32_t CStatsTrackFade = 50;
constexpr int32_t CZephrinBonus = 1000;
constexpr int32_t CNoHintsBonus = 25000;
constexpr int32_t CTimeBonusPerSecond = 50;
constexpr int32_t CArtifactBonus = 25000;

std::string Number(int64_t N) {
  return IntToStrSeparatedEx(N, "$,$");
}

void SetLabel(TGWidget* W, const std::string& Text) {
  if (auto* Label = TryObjectCast<TGLabel>(W)) {
    Label->SetData(Text);
  }
}

TGAudioState* LiveState(int32_t Tag) {
  if (!AD || Tag == 0) {
    return nullptr;
  }
  TGAudioStateCollection* States = AD->AudioStates();
  for (int I = 0; I < States->GetCount(); ++I) {
    if (States->GetItem(I)->Tag() == Tag) {
      return States->GetItem(I);
    }
  }
  return nullptr;
}

void PlayMusic(const char* URL, bool Looped, int32_t Fade) {
  if (!AD) {
    return;
  }
  try {
    AD->PlayMusicEx(URL, Looped, Fade, 100, 0);
  } catch (const std::exception& E) {
    ODS("The stage completion screen cannot play \"%s\": %s", std::string(URL),
        std::string(E.what()));
  }
}

} // namespace

void TStageCompletionScreen::AfterConstruction() {
  inherited::AfterConstruction();
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Template =
      Library ? TryObjectCast<TGWindow>(Library->GetResourceEx(CTemplateURL, false)) : nullptr;
  if (!Template) {
    throw Error("The stage completion screen's window \"%s\" is missing or holds no window",
                std::string(CTemplateURL));
  }
  LoadFromTemplate(Template);
  for (const char* Path : {"BtnContinue", "Scores\\Done"}) {
    if (TGWidget* W = FindWidget(Path)) {
      W->OnClick = TGNotifyEvent(this, &TStageCompletionScreen::ContinueClick);
    }
  }
  if (TGWidget* W = FindWidget("BtnMuseum")) {
    W->OnClick = TGNotifyEvent(this, &TStageCompletionScreen::OnMuseumClick);
  }
}

bool TStageCompletionScreen::MyShow(const std::string& ShowWidget, bool SkipAnim,
                                    const TSCSStats& Stats) {
  if (AppIsClosing) {
    return false;
  }
  try {
    TGObjectPtr<TStageCompletionScreen> Screen(New<TStageCompletionScreen>());
    Screen->Prepare(ShowWidget, SkipAnim, Stats);
    Screen->ShowModal();
  } catch (const std::exception& E) {
    ODS("The stage completion screen cannot be shown: %s", std::string(E.what()));
  }
  if (CurrentPlayer && CurrentPlayer->PlayList()) {
    CurrentPlayer->PlayList()->SetVolume(100, CPlayListFade);
  }
  return false;
}

void TStageCompletionScreen::Prepare(const std::string& ShowWidget, bool SkipAnim,
                                     const TSCSStats& Stats) {
  TGWidget* Stage = FindWidget(ShowWidget);
  if (Stage) {
    Stage->SetVisible(true);
  } else {
    ODS("The stage completion screen has no stage \"%s\"", ShowWidget);
  }
  if (CurrentPlayer && CurrentPlayer->PlayList()) {
    CurrentPlayer->PlayList()->Stop(CPlayListFade);
  }
  if (SkipAnim) {
    // The chapter was seen before: its artefact stands finished, and the track starts at once.
    if (auto* Picture = TryObjectCast<TGPicture>(Stage)) {
      PicAniFinish(Picture);
    }
    FTimer = 1000;
  } else {
    StartJingle();
  }
  FillHeader(Stats);
  FillRows(Stats);
}

void TStageCompletionScreen::StartJingle() {
  PlayMusic(CJingleURL, false, CJingleFade);
  TGAudioState* State = AD ? AD->CurrentMusicState() : nullptr;
  FJingleTag = State ? State->Tag() : 0;
}

void TStageCompletionScreen::FillHeader(const TSCSStats& Stats) {
  TGWidget* Scores = FindWidget(CScoresURL);
  if (!Scores) {
    ODS("The stage completion screen has no score sheet \"%s\"", std::string(CScoresURL));
    return;
  }
  Scores->SetVisible(false);
  SetLabel(Scores->FindWidget("StageTitle"), Format("$Stage complete:$ %s", {Stats.StageTitle}));
  SetLabel(Scores->FindWidget("Title"), Stats.Title);
  if (auto* Vial = TryObjectCast<TGPicture>(Scores->FindWidget("Vial"))) {
    TGResourceLibrary* Library = MainResourceLibrary();
    auto* Gfx = !Stats.AnimalGfxURL.empty() && Library
                    ? TryObjectCast<TGGraphic>(Library->GetResourceEx(Stats.AnimalGfxURL, false))
                    : nullptr;
    if (!Stats.AnimalGfxURL.empty() && !Gfx) {
      ODS("The stage's picture \"%s\" is missing", Stats.AnimalGfxURL);
    }
    Vial->SetVisible(Gfx != nullptr);
    if (Gfx) {
      Vial->SetGfx(Gfx);
      float W = 0;
      float H = 0;
      TGWidget::GraphicExtent(Gfx, W, H);
      Vial->SetWidth(W);
      Vial->SetHeight(H);
    }
  }
}

void TStageCompletionScreen::FillRows(const TSCSStats& Stats) {
  TGWidget* Scores = FindWidget(CScoresURL);
  if (!Scores) {
    return;
  }
  if (const TGWidget* First = Scores->FindWidget("Score")) {
    FRowTop = First->Top();
  }
  int64_t Total = Stats.EpisodeScore;
  AddRow("ChapterScore", "$Score:$", "", Total);
  FRowTop += CRowGap;
  const int64_t Zephrins = int64_t{Stats.ZephrinsCollected} * CZephrinBonus;
  AddRow("Score", "$Zephrin Bonus:$", Format("%d x 1000", {Stats.ZephrinsCollected}), Zephrins);
  Total += Zephrins;
  const int64_t Hints = Stats.IsNoHintsUsed ? CNoHintsBonus : 0;
  AddRow("Score", "$Hint Bonus:$", Stats.IsNoHintsUsed ? "$PERFECT$" : "$none$", Hints);
  Total += Hints;
  if (CurrentPlayer && CurrentPlayer->GameDifficulty() == gdAdventurer) {
    const int64_t Time = int64_t{Stats.TimeLeft} * CTimeBonusPerSecond;
    AddRow("Score", "$Time Bonus:$",
           Format("%s x %d", {MinutesText(Stats.TimeLeft), CTimeBonusPerSecond}), Time);
    Total += Time;
  }
  AddRow("Score", "$Artifact Bonus:$", "", CArtifactBonus);
  Total += CArtifactBonus;
  FRowTop += CRowGap;
  const int64_t Previous = CurrentPlayer ? int64_t{CurrentPlayer->Score()} - Stats.EpisodeScore : 0;
  AddRow("Total", "$EPISODE SCORE:$", "", Total);
  AddRow("Total", "$PREVIOUS SCORE:$", "", Previous);
  int64_t NewScore = Previous + Total;
  if (CurrentPlayer) {
    // Through SetScore, so that the chapter's score grows by the same rise.
    CurrentPlayer->SetScore(
        static_cast<int32_t>(std::clamp<int64_t>(NewScore, INT32_MIN, INT32_MAX)));
    NewScore = CurrentPlayer->Score();
  }
  AddRow("Total", "$TOTAL SCORE:$", "", NewScore);
  for (const char* Name : CTemplates) {
    if (TGWidget* Template = Scores->FindWidget(Name)) {
      Template->SetVisible(false);
    }
  }
}

void TStageCompletionScreen::AddRow(const char* Template, const std::string& Caption,
                                    const std::string& Data, int64_t Score) {
  TGWidget* Scores = FindWidget(CScoresURL);
  const TGWidget* Source = Scores ? Scores->FindWidget(Template) : nullptr;
  const int32_t Index = FRowCount++;
  if (!Source) {
    ODS("The score sheet has no row template \"%s\"", std::string(Template));
    return;
  }
  auto* Row = static_cast<TGWidget*>(CloneObject(*Source, Scores));
  Scores->Add(Row);
  Row->SetName(Template + std::to_string(Index));
  Row->SetTop(FRowTop);
  Row->SetVisible(true);
  FRowTop += Row->Height();
  SetLabel(Row, Caption);
  SetLabel(Row->FindWidget("Score"), Number(Score));
  SetLabel(Row->FindWidget("Data"), Data);
}

std::string TStageCompletionScreen::MinutesText(int32_t Seconds) {
  const int32_t T = std::max(Seconds, 0);
  return Format("%d:%s", {T / 60, IdxToStr(T % 60)});
}

void TStageCompletionScreen::ContinueClick(TGObject*) {
  TGWidget* Scores = FindWidget(CScoresURL);
  if (Scores && Scores->State() != wsDefault) {
    return;
  }
  if (!Scores || Scores->Visible()) {
    if (TGAudioState* Jingle = LiveState(FJingleTag)) {
      Jingle->SlideVolume(0, CJingleFadeOut);
    }
    FJingleTag = 0;
    Hide();
    return;
  }
  Scores->Show();
  for (int32_t I = 1; I <= CStageCount; ++I) {
    if (TGWidget* Stage = FindWidget(Format("Stage%s", {IdxToStr(I)}))) {
      if (Stage->Visible() && Stage->State() == wsDefault) {
        Stage->Hide();
      }
    }
  }
}

void TStageCompletionScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  FTimer += DeltaTime;
  if (FTimer > CStatsTrackDelay) {
    PlayMusic(CStatsTrackURL, true, CStatsTrackFade);
    FTimer = -10000000000.0f;
  }
  TPDAMenuWindow::AnswerQuitRequest();
  if (AppIsClosing) {
    ContinueClick(this);
  }
}

void TStageCompletionScreen::OnMuseumClick(TGObject*) {
  if (CurrentPlayer) {
    CurrentPlayer->ShowMuseum();
  }
}
