#include "Screens/UMapUnlimHOScreen.h"

#include "Screens/UGameScreen.h"
#include "Screens/UInfoScreenSupport.h"
#include "Screens/ULoadingScreen.h"
#include "Screens/UZephrinCompleteScreen.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "animation/UGVarSeq.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "drawables/UGGraphic.h"
#include "io/UGFileSystem.h"
#include "object/UGClassBuilder.h"
#include "platform/UHostServices.h"
#include "player/UCollections.h"
#include "player/UPlayer.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"
#include "xml/UGXMLNode.h"

#include <cmath>

G_IMPLEMENT_CLASS(TMapUnlimHOScreen)

namespace {

constexpr const char* CUnit = "UMapUnlimHOScreen";
constexpr int32_t CTitleMusicFade = 200;

// "Btn01" to "Btn06".
std::string ButtonName(int32_t Number) {
  return "Btn" + IdxToStr(Number);
}

// The program's title for message boxes.
std::string MessageTitle() {
  return App && !App->Info().ProductName().empty() ? App->Info().ProductName() : "Hidden Harbour";
}

// What a replay changes in the player's brief information, kept to be put back.
struct TSavedBrief {
  int32_t HintsCount = 0;
  std::string LocationURL;
  float ChapterTime = 0;
  int32_t ChapterScore = 0;
  int32_t Score = 0;

  explicit TSavedBrief(const TBriefPlayerInfo& B)
      : HintsCount(B.HintsCount)
      , LocationURL(B.LocationURL)
      , ChapterTime(B.ChapterTime)
      , ChapterScore(B.ChapterScore)
      , Score(B.Score) {}
  void Restore(TBriefPlayerInfo& B) const {
    B.HintsCount = HintsCount;
    B.LocationURL = LocationURL;
    B.ChapterTime = ChapterTime;
    B.ChapterScore = ChapterScore;
    B.Score = Score;
  }
};

} // namespace

// --- Construction -------------------------------------------------------------------------------

void TMapUnlimHOScreen::AfterConstruction() {
  inherited::AfterConstruction();
  InfoScreen::LoadTemplate(*this, CTemplateURL);
  if (auto* Pointer =
          TryObjectCast<TGGraphic>(MainResourceLibrary()->GetResourceEx(CCursorURL, false))) {
    SetCursor(Pointer);
  }
  AttachButton("BtnBack", &TMapUnlimHOScreen::BtnBackClick);
  AttachButton("BtnLeft", &TMapUnlimHOScreen::BtnLeftClick);
  AttachButton("BtnRight", &TMapUnlimHOScreen::BtnRightClick);
  for (TGButton* Button : LocationButtons()) {
    Button->OnClick = TGNotifyEvent(this, &TMapUnlimHOScreen::BtnLocationClick);
  }
  ShowPage(0);
  UpdateLabels();
}

void TMapUnlimHOScreen::AttachButton(const std::string& Path,
                                     void (TMapUnlimHOScreen::*Handler)(TGObject*)) {
  if (TGWidget* W = FindWidget(Path)) {
    W->OnClick = TGNotifyEvent(this, Handler);
  } else {
    ODS("%s: \"%s\" has no \"%s\"", CUnit, CTemplateURL, Path);
  }
}

TGWidget* TMapUnlimHOScreen::Pages() const {
  return FindWidget("Locations");
}

int32_t TMapUnlimHOScreen::PageCount() const {
  const TGWidget* P = Pages();
  return P ? P->Count() : 0;
}

std::vector<TGButton*> TMapUnlimHOScreen::LocationButtons() const {
  std::vector<TGButton*> Buttons;
  const TGWidget* P = Pages();
  for (int32_t I = 0; P && I < P->Count(); ++I) {
    for (int32_t N = 1; N <= CButtonsPerPage; ++N) {
      if (auto* Button = TryObjectCast<TGButton>(P->Items(I)->FindWidget(ButtonName(N)))) {
        Buttons.push_back(Button);
      }
    }
  }
  return Buttons;
}

// --- Pages and labels ---------------------------------------------------------------------------

void TMapUnlimHOScreen::ShowPage(int32_t Index) {
  const int32_t Count = PageCount();
  if (Index < 0 || (Count > 0 && Index >= Count)) {
    return;
  }
  if (auto* Num = TryObjectCast<TGLabel>(FindWidget("PageNum"))) {
    Num->SetData(TranslateFormat("$Page %d$", {Index + 1}));
  }
  FPageIdx = Index;
  for (int32_t I = 0; I < Count; ++I) {
    Pages()->Items(I)->SetVisible(I == Index);
  }
  if (TGWidget* Left = FindWidget("BtnLeft")) {
    Left->SetVisible(Index > 0);
  }
  if (TGWidget* Right = FindWidget("BtnRight")) {
    Right->SetVisible(Index < Count - 1);
  }
}

void TMapUnlimHOScreen::UpdateLabels() {
  TPlayerStatistics* Stats =
      CurrentPlayer ? CurrentPlayer->BriefInfo()->PlayerStatistics() : nullptr;
  for (TGButton* Button : LocationButtons()) {
    const std::string URL = WidgetToLocURL(Button);
    if (URL.empty()) {
      continue;
    }
    for (int32_t State : {1, 0, 2}) {
      ChangeButtonGraphic(Button, State, URL);
    }
    if (auto* Name = TryObjectCast<TGLabel>(Button->FindWidget("LocName"))) {
      Name->SetData(GetLocCaption(URL));
    }
    auto* Records = TryObjectCast<TGLabel>(Button->FindWidget("Records"));
    if (Records && Stats) {
      Records->SetData(
          TranslateFormat("$Record Score: %s$\r\n$Record Time: %s$",
                          {Stats->GetUnlimBestScore(URL), Stats->GetUnlimBestTime(URL)}));
    }
  }
}

std::string TMapUnlimHOScreen::WidgetToLocURL(const TGWidget* Widget) {
  auto* Label = Widget ? TryObjectCast<TGLabel>(Widget->FindWidget("LocURL")) : nullptr;
  if (!Label) {
    ODS("%s: the button \"%s\" has no label \"LocURL\"", CUnit,
        Widget ? Widget->Name() : std::string());
    return {};
  }
  return Label->Data() + ".loc";
}

// Only the file's root element is needed: loading the location as a resource would also register
// its objects with the game.
std::string TMapUnlimHOScreen::GetLocCaption(const std::string& URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  TGFileSystem* FS = Library ? Library->FileSystem() : nullptr;
  try {
    std::unique_ptr<TGStream> Stream =
        FS ? FS->CreateStream(URLToFileName(URL), fmOpenRead) : nullptr;
    if (!Stream) {
      ODS("%s: the location \"%s\" cannot be read", CUnit, URL);
      return {};
    }
    TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Location"));
    Root->LoadFromStream(*Stream);
    return Root->GetStrAttrDef("Caption", "");
  } catch (const std::exception& E) {
    ODS("%s: the caption of \"%s\" cannot be read: %s", CUnit, URL, E.what());
    return {};
  }
}

std::string TMapUnlimHOScreen::LocShotURL(const std::string& URL) {
  std::string Name = URL;
  if (!Name.empty()) {
    Name[0] = '0';
  }
  if (Name.size() >= 4) {
    Name.resize(Name.size() - 4);
  }
  return "UI\\MapScreen\\LocShots\\" + Name + ".png";
}

void TMapUnlimHOScreen::ChangeButtonGraphic(TGButton* Button, int32_t State,
                                            const std::string& URL) {
  const auto S = static_cast<TGButtonState>(State);
  TGGraphic* Gfx = Button->Gfx(S);
  if (!Gfx) {
    return;
  }
  TGResource* Shot = MainResourceLibrary()->GetResourceEx(LocShotURL(URL), false);
  if (!Shot) {
    ODS("%s: the location shot \"%s\" is missing", CUnit, LocShotURL(URL));
    return;
  }
  if (Gfx->Owner() != Button) {
    Gfx = ObjectCast<TGGraphic>(Gfx->Clone(Button));
  }
  if (auto* Animation = TryObjectCast<TGAnimation>(Gfx)) {
    for (int32_t I = 0; I < Animation->Count(); ++I) {
      auto* Picture = TryObjectCast<TGLivePicture>(Animation->GetChannel(I));
      if (!Picture || Picture->Caption() != "Loc") {
        continue;
      }
      TGResourceSeq* Keys = Picture->Gfx();
      for (int K = 0; K < Keys->Count(); ++K) {
        Keys->SetResValue(Keys->Terms(K).Time, Shot);
      }
    }
  }
  Button->SetGfx(S, Gfx);
}

// --- Buttons ------------------------------------------------------------------------------------

void TMapUnlimHOScreen::BtnBackClick(TGObject* Sender) {
  (void)Sender;
  Close();
}

void TMapUnlimHOScreen::BtnLeftClick(TGObject* Sender) {
  (void)Sender;
  ShowPage(FPageIdx - 1);
}

void TMapUnlimHOScreen::BtnRightClick(TGObject* Sender) {
  (void)Sender;
  ShowPage(FPageIdx + 1);
}

void TMapUnlimHOScreen::BtnLocationClick(TGObject* Sender) {
  const std::string URL = WidgetToLocURL(TryObjectCast<TGWidget>(Sender));
  if (URL.empty() || !CurrentPlayer) {
    return;
  }
  TBriefPlayerInfo& Brief = *CurrentPlayer->BriefInfo();
  const TSavedBrief Saved(Brief);
  Brief.HintsCount = 1;
  Brief.LocationURL = URL;
  Brief.ChapterTime = 0;
  Brief.ChapterScore = 0;
  Brief.Score = 0;
  Brief.UnlimLocationComplete = false;
  try {
    PlayLocation();
  } catch (const std::exception& E) {
    ODS("%s: the replay of \"%s\" failed: %s", CUnit, URL, E.what());
    Brief.UnlimLocationComplete = false;
  }
  if (Brief.UnlimLocationComplete) {
    TPlayerStatistics* Stats = Brief.PlayerStatistics();
    const bool NewRecord = Stats->GetUnlimBestTimeInSec(URL) > Brief.ChapterTime;
    Stats->AddUnlimited(URL, Brief.ChapterTime, Brief.ChapterScore);
    ShowResult(static_cast<int32_t>(std::nearbyint(Brief.ChapterTime)), Brief.ChapterScore,
               GetLocCaption(URL), NewRecord);
  } else {
    // Left unfinished: back to the main menu.
    Close();
  }
  Brief.UnlimLocationComplete = false;
  Saved.Restore(Brief);
  UpdateLabels();
  try {
    CurrentPlayer->SaveBriefInfo();
  } catch (const std::exception& E) {
    ODS("%s: the profile's brief information cannot be saved: %s", CUnit, E.what());
  }
  if (AD) {
    try {
      AD->PlayMusicEx(CTitleMusicURL, true, CTitleMusicFade, 100, 0);
    } catch (const std::exception& E) {
      ODS("%s: the title music cannot play: %s", CUnit, E.what());
    }
  }
}

void TMapUnlimHOScreen::PlayLocation() {
  std::string Error;
  TGObjectPtr<TGameScreen> Screen(TLoadingScreen::BuildGameScreen(Error));
  if (!Screen) {
    ODS("%s: the location cannot be played: %s", CUnit, Error);
    ShowMessageBox(MessageTitle(), Error, TMessageBoxKind::Error);
    return;
  }
  Screen->FadeInModal(false, nullptr);
}

void TMapUnlimHOScreen::ShowResult(int32_t Time, int32_t Score, const std::string& Title,
                                   bool IsRecord) {
  ShowZephrinCompleteScreen(Time, Score, Title, IsRecord);
}

// --- The window ---------------------------------------------------------------------------------

void TMapUnlimHOScreen::Close() {
  InfoScreen::Close(*this);
}

void TMapUnlimHOScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  InfoScreen::CloseWhenQuitting(*this);
}

void TMapUnlimHOScreen::ApplicationActivate() {
  inherited::ApplicationActivate();
  if (AD) {
    AD->SetPaused(false);
  }
}

void TMapUnlimHOScreen::ApplicationDeactivate() {
  inherited::ApplicationDeactivate();
  if (AD) {
    AD->SetPaused(true);
  }
}
