#include "Screens/UMainMenuScreen.h"

#include "Screens/UCreditsScreen.h"
#include "Screens/UGameScreen.h"
#include "Screens/UHelpScreen.h"
#include "Screens/UHighScoresScreen.h"
#include "Screens/ULoadingScreen.h"
#include "Screens/UMapUnlimHOScreen.h"
#include "Screens/UPlayerNames.h"
#include "Screens/URequiredWidgets.h"
#include "Screens/USplashScreen.h"
#include "animation/UGAnimation.h"
#include "app/UGApp.h"
#include "app/UGApplication.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "flow/UPlayScreen.h"
#include "graphics/UGGraphicsDevice.h"
#include "io/UGFileSystem.h"
#include "io/UGFileUtils.h"
#include "platform/UHostServices.h"
#include "player/UConfigManager.h"
#include "player/UGameData.h"
#include "player/UPlayer.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGEditBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGProgressBar.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <utility>

G_IMPLEMENT_CLASS(TMainMenuScreen)

TAfterFadeAction AfterFadeAction = afaNone;

namespace {

constexpr const char* CUnit = "src/Screens/UMainMenuScreen";
constexpr float CSelfDisableTime = 0.18f;
constexpr float CScreenWidth = 800;
constexpr float CScreenHeight = 600;
// The volume slider's track: the middle 70% of the bar, starting 15% in.
constexpr double CTrackStart = 0.15;
constexpr double CTrackLength = 0.7;
constexpr int32_t CVolumeStep = 5;
constexpr int32_t CPlayFadeOut = 4000;
constexpr int32_t CTitleFadeAfterGame = 200;

// A widget of the menu's window that the table of required widgets declares.
template <class T>
consteval TRequiredWidgetOf<T> Declared(std::string_view Path) {
  return DeclaredWidget<T>(TMainMenuScreen::CTemplateURL, Path);
}

int StateErrorCount = 0;
std::function<void()> FirstShownHandler;

const TGShowOptions CShowWait{1u << soWaitEffect};
const TGHideOptions CHideWait{1u << hoWaitEffect};

void HideIfVisible(TGWidget* W, TGHideOptions Options) {
  if (W->Visible()) {
    W->Hide(Options);
  }
}

void SetEnabledIfChanged(TGWidget* W, bool Enabled) {
  if (W->Enabled() != Enabled) {
    W->SetEnabled(Enabled);
  }
}

TGPoint MousePos() {
  return WindowHost ? WindowHost->MousePos() : TGPoint{};
}

bool DeviceFullScreen() {
  if (App) {
    return App->FullScreen();
  }
  return GD && GD->FullScreen();
}

TPlayerCollection* Players() {
  return GameData ? GameData->Players() : nullptr;
}

int32_t PlayerCount() {
  return Players() ? Players()->GetCount() : 0;
}

std::string CurrentName() {
  return CurrentPlayer ? CurrentPlayer->Name() : std::string();
}

// The program's title for message boxes.
std::string Title() {
  return App && !App->Info().ProductName().empty() ? App->Info().ProductName() : "Hidden Harbour";
}

std::string Trimmed(std::string S) {
  const auto Space = [](unsigned char C) { return C == ' ' || C == '\t' || C == '\r'; };
  while (!S.empty() && Space(static_cast<unsigned char>(S.back()))) {
    S.pop_back();
  }
  size_t First = 0;
  while (First < S.size() && Space(static_cast<unsigned char>(S[First]))) {
    ++First;
  }
  return S.substr(First);
}

} // namespace

TMainMenuStates MenuStates(std::initializer_list<TMainMenuState> States) {
  TMainMenuStates Set;
  for (TMainMenuState S : States) {
    Set.Include(S);
  }
  return Set;
}

int TMainMenuScreen::StateErrors() {
  return StateErrorCount;
}

// --- Construction ------------------------------------------------------------------------------

void TMainMenuScreen::AfterConstruction() {
  inherited::AfterConstruction();
  SetCorrectChars(LangDictionary().GetString(CCorrectCharsKey));
  PushMenuState();
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Template =
      Library ? TryObjectCast<TGWindow>(Library->GetResourceEx(CTemplateURL, false)) : nullptr;
  if (!Template) {
    throw Error("The main menu's window \"%s\" cannot be found", CTemplateURL);
  }
  LoadFromTemplate(Template);
  FindWidgets();
  AttachHandlers();
  FMoreButton->SetVisible(::FileExists(CMoreGamesFile));
  SetWelcomePlayer(CurrentName());
  SetMenuState({mmsMainMenu});
  FShowDefaultProfile = true;
  auto* Font = TryObjectCast<TGFont>(Library->GetResourceEx(CVersionFontURL, false));
  SetResource(FVersionFont, Font ? Font : (App ? App->Font() : nullptr));
  PreloadLoadingScreen();
}

void TMainMenuScreen::Destroy() {
  PopMenuState();
  SetCorrectChars("");
  inherited::Destroy();
}

template <class T>
T* TMainMenuScreen::Find(TRequiredWidgetOf<T> Widget) const {
  const std::string_view Path = Widget.Entry->Path;
  TGWidget* W = FindWidget(Path);
  T* Typed = TryObjectCast<T>(W);
  if (!Typed) {
    throw W ? Error("The widget \"%s\" of %s is no %s", Path, CTemplateURL, T::StaticClass()->Name)
            : Error("The widget \"%s\" is missing from %s", Path, CTemplateURL);
  }
  return Typed;
}

void TMainMenuScreen::FindWidgets() {
  FWelcome = Find(Declared<TGWidget>("Menu\\Welcome"));
  FWelcomeName = Find(Declared<TGLabel>("Menu\\Welcome\\Name"));
  FChangeButton = Find(Declared<TGButton>("Menu\\Welcome\\BtnChange"));
  FMain = Find(Declared<TGWidget>("Menu\\Main"));
  FMoreButton = Find(Declared<TGButton>("Menu\\Main\\BtnMore"));
  FModeButton = Find(Declared<TGButton>("Menu\\Main\\BtnHiddenObjectsMode"));
  FGhostButton = Find(Declared<TGButton>("Menu\\Main\\BtnHiddenObjectsModeGhostBtn"));
  FLock = Find(Declared<TGWidget>("Menu\\Main\\Lock"));
  FSelect = Find(Declared<TGWidget>("Menu\\Profiles\\Select"));
  constexpr TRequiredWidgetOf<TGButton> Slots[] = {
      Declared<TGButton>("Menu\\Profiles\\Select\\Name1"),
      Declared<TGButton>("Menu\\Profiles\\Select\\Name2"),
      Declared<TGButton>("Menu\\Profiles\\Select\\Name3"),
      Declared<TGButton>("Menu\\Profiles\\Select\\Name4")};
  static_assert(std::size(Slots) == CProfileSlots);
  for (int32_t N = 0; N < CProfileSlots; ++N) {
    FSlots[static_cast<size_t>(N)] = Find(Slots[N]);
  }
  FNewButton = Find(Declared<TGButton>("Menu\\Profiles\\Select\\BtnNew"));
  FDeleteButton = Find(Declared<TGButton>("Menu\\Profiles\\Select\\BtnDelete"));
  FNewPanel = Find(Declared<TGWidget>("Menu\\Profiles\\New"));
  FEditBox = Find(Declared<TGEditBox>("Menu\\Profiles\\New\\EditBox"));
  FNameOk = Find(Declared<TGButton>("Menu\\Profiles\\New\\BtnOk"));
  FNameCancel = Find(Declared<TGButton>("Menu\\Profiles\\New\\BtnCancel"));
  FConfirm = Find(Declared<TGWidget>("Menu\\Profiles\\Confirm"));
  FOptions = Find(Declared<TGWidget>("Menu\\Options"));
  FMusicBar = Find(Declared<TGProgressBar>("Menu\\Options\\Music\\ProgressBar"));
  FMusicSlider = Find(Declared<TGButton>("Menu\\Options\\Music\\Slider"));
  FMusicLeft = Find(Declared<TGButton>("Menu\\Options\\Music\\Left"));
  FMusicRight = Find(Declared<TGButton>("Menu\\Options\\Music\\Right"));
  FSoundBar = Find(Declared<TGProgressBar>("Menu\\Options\\Sound\\ProgressBar"));
  FSoundSlider = Find(Declared<TGButton>("Menu\\Options\\Sound\\Slider"));
  FSoundLeft = Find(Declared<TGButton>("Menu\\Options\\Sound\\Left"));
  FSoundRight = Find(Declared<TGButton>("Menu\\Options\\Sound\\Right"));
  FFullScreen = Find(Declared<TGCheckBox>("Menu\\Options\\FullScreen"));
  FWideScreen = Find(Declared<TGCheckBox>("Menu\\Options\\WideScreen"));
  FConfirmation = Find(Declared<TGWidget>("Menu\\Confirmation"));
  FNotePanel = Find(Declared<TGWidget>("AfterCursorPanel"));
  FNoteLabel = Find(Declared<TGLabel>("AfterCursorPanel\\Label"));
  // The window file has no length attribute for edit boxes: a box left unlimited gets the
  // menu's own limit.
  if (FEditBox->MaxLength() == std::numeric_limits<int32_t>::max()) {
    FEditBox->SetMaxLength(CNameLength);
  }
}

void TMainMenuScreen::AttachHandlers() {
  using T = TMainMenuScreen;
  const auto Click = [this](TRequiredWidgetOf<TGWidget> Widget, void (T::*Handler)(TGObject*)) {
    Find(Widget)->OnClick = TGNotifyEvent(this, Handler);
  };
  Click(Declared<TGWidget>("Menu\\Main\\BtnPlay"), &T::PlayButtonClick);
  Click(Declared<TGWidget>("Menu\\Main\\BtnScore"), &T::ScoreButtonClick);
  Click(Declared<TGWidget>("Menu\\Main\\BtnOptions"), &T::OptionsButtonClick);
  Click(Declared<TGWidget>("Menu\\Main\\BtnHelp"), &T::HelpButtonClick);
  Click(Declared<TGWidget>("Menu\\Main\\BtnExit"), &T::QuitButtonClick);
  Click(Declared<TGWidget>("Menu\\Main\\BtnMuseum"), &T::MuseumButtonClick);
  Click(Declared<TGWidget>("Menu\\Main\\BtnMore"), &T::MoreLumoClick);
  Click(Declared<TGWidget>("Menu\\Main\\BtnHiddenObjectsMode"), &T::HiddenObjectsModeButtonClick);
  Click(Declared<TGWidget>("Menu\\Welcome\\BtnChange"), &T::ChangeProfileButtonClick);
  Click(Declared<TGWidget>("Menu\\Profiles\\Select\\BtnNew"), &T::ProfilesNewButtonClick);
  Click(Declared<TGWidget>("Menu\\Profiles\\Select\\BtnDelete"), &T::ProfilesDeleteButtonClick);
  Click(Declared<TGWidget>("Menu\\Profiles\\Select\\BtnOk"), &T::ProfilesOkButtonClick);
  Click(Declared<TGWidget>("Menu\\Profiles\\New\\BtnOk"), &T::ProfilesNewPlayerOkButtonClick);
  Click(Declared<TGWidget>("Menu\\Profiles\\New\\BtnCancel"),
        &T::ProfilesNewPlayerCancelButtonClick);
  Click(Declared<TGWidget>("Menu\\Profiles\\Confirm\\BtnYes"),
        &T::ProfilesDeletePlayerYesButtonClick);
  Click(Declared<TGWidget>("Menu\\Profiles\\Confirm\\BtnNo"),
        &T::ProfilesDeletePlayerNoButtonClick);
  Click(Declared<TGWidget>("Menu\\Options\\BtnOk"), &T::OptionsOkButtonClick);
  Click(Declared<TGWidget>("Menu\\Options\\BtnCredits"), &T::CreditsButtonClick);
  Click(Declared<TGWidget>("Menu\\Options\\FullScreen"), &T::OnFullScreenCheckBoxClick);
  Click(Declared<TGWidget>("Menu\\Options\\WideScreen"), &T::OnWideScreenCheckBoxClick);
  Click(Declared<TGWidget>("Menu\\Confirmation\\BtnYes"), &T::QuitConfirmationYesButtonClick);
  Click(Declared<TGWidget>("Menu\\Confirmation\\BtnNo"), &T::QuitConfirmationNoButtonClick);
  for (TGButton* B : {FMusicLeft, FMusicRight}) {
    B->OnClick = TGNotifyEvent(this, &T::OnMusicBarButtonClick);
  }
  for (TGButton* B : {FSoundLeft, FSoundRight}) {
    B->OnClick = TGNotifyEvent(this, &T::OnSoundBarButtonClick);
  }
  FMusicSlider->OnMouseDown = TGMouseEvent(this, &T::OnMusicSliderMouseDown);
  FMusicSlider->OnMouseUp = TGMouseEvent(this, &T::OnMusicSliderMouseUp);
  FSoundSlider->OnMouseDown = TGMouseEvent(this, &T::OnSoundSliderMouseDown);
  FSoundSlider->OnMouseUp = TGMouseEvent(this, &T::OnSoundSliderMouseUp);
  FEditBox->OnKeyPress = TGEditBoxKeyDownEvent(this, &T::ProfilesEditBoxKeyDown);
}

void TMainMenuScreen::PreloadLoadingScreen() {
  TGResourceLibrary* Library = MainResourceLibrary();
  TGFileSystem* FS = Library ? Library->FileSystem() : nullptr;
  if (!FS) {
    return;
  }
  constexpr std::string_view Folder = "gfx\\ui\\loadingscreen\\";
  TGFastStringList Files;
  FS->MakeFileList(Files, "gfx\\UI\\LoadingScreen", false);
  for (int I = 0; I < Files.Count(); ++I) {
    const std::string& Name = Files[I];
    if (LowerCase(Name).find(Folder) == std::string::npos) {
      continue;
    }
    try {
      // The URL is the file's name without its category folder ("gfx\").
      Library->GetResourceEx(Name.substr(4), false);
    } catch (const std::exception& E) {
      ODS("%s: %s is not preloaded: %s", CUnit, Name, E.what());
    }
  }
}

// --- State -------------------------------------------------------------------------------------

bool TMainMenuScreen::Expect(bool Condition, const char* What) const {
  if (!Condition) {
    ++StateErrorCount;
    ODS("%s: assertion failed: %s (menu state %d)", CUnit, What, static_cast<int>(FMenuState.Mask));
#ifndef NDEBUG
    throw Error("%s: assertion failed: %s", CUnit, What);
#endif
  }
  return Condition;
}

void TMainMenuScreen::SetMenuState(std::initializer_list<TMainMenuState> States) {
  FMenuState = MenuStates(States);
}

bool TMainMenuScreen::Is(std::initializer_list<TMainMenuState> States) const {
  return FMenuState == MenuStates(States);
}

void TMainMenuScreen::PushMenuState() {
  if (CurrentPlayer && !FStatePushed) {
    CurrentPlayer->PushState(gsMainMenu);
    FStatePushed = true;
  }
}

void TMainMenuScreen::PopMenuState() {
  if (CurrentPlayer && FStatePushed) {
    CurrentPlayer->PopState(gsMainMenu);
  }
  FStatePushed = false;
}

int32_t TMainMenuScreen::CurrentPlayerIndex() const {
  return GameData ? GameData->CurrentPlayerIndex() : -1;
}

void TMainMenuScreen::SelfDisable() {
  SetEnabled(false);
  FTimer = CSelfDisableTime;
}

void TMainMenuScreen::SelfEnable(float Interval) {
  FTimer -= Interval;
  if (FTimer < 0) {
    SetEnabled(true);
  }
}

bool TMainMenuScreen::PanelsBusy() const {
  for (const TGWidget* W :
       {FWelcome, FMain, FSelect, FNewPanel, FConfirm, FOptions, FConfirmation}) {
    if (W->State() != wsDefault) {
      return true;
    }
  }
  return false;
}

// --- Panel changes -----------------------------------------------------------------------------

void TMainMenuScreen::OptionsEnter() {
  if (!Expect(Is({mmsMainMenu}), "OptionsEnter starts from the main menu")) {
    return;
  }
  SetMenuState({mmsOptions});
  FWelcome->Hide();
  FMain->Hide();
  FOptions->Show();
  if (CurrentPlayer) {
    SetSliderPosition(FMusicSlider, FMusicBar, CurrentPlayer->MusicVolume());
    SetSliderPosition(FSoundSlider, FSoundBar, CurrentPlayer->SoundVolume());
  }
  FFullScreen->SetChecked(DeviceFullScreen());
  FWideScreen->SetChecked(CurrentPlayer && CurrentPlayer->WideScreen());
}

void TMainMenuScreen::OptionsLeave() {
  if (!Expect(Is({mmsOptions}), "OptionsLeave starts from the options")) {
    return;
  }
  SelfDisable();
  SetMenuState({mmsMainMenu});
  FOptions->Hide(CHideWait);
  FWelcome->Show();
  FMain->Show(CShowWait);
}

void TMainMenuScreen::ProfilesEnter() {
  if (!Expect(Is({mmsMainMenu}), "ProfilesEnter starts from the main menu")) {
    return;
  }
  RebuildProfilesSubMenu();
  SetMenuState({mmsProfiles});
  FWelcome->Hide();
  FMain->Hide(CHideWait);
  FSelect->Show(CShowWait);
}

void TMainMenuScreen::ProfilesLeave() {
  if (!Expect(Is({mmsProfiles}), "ProfilesLeave starts from the profile list")) {
    return;
  }
  SelfDisable();
  SetMenuState({mmsMainMenu});
  FSelect->Hide(CHideWait);
  FWelcome->Show();
  FMain->Show(CShowWait);
}

void TMainMenuScreen::PlayerCreationEnter() {
  if (!Expect(Is({mmsProfiles}), "PlayerCreationEnter starts from the profile list")) {
    return;
  }
  FMenuState.Include(mmsNewPlayerCreation);
  PlayerNameEnter(false);
}

void TMainMenuScreen::PlayerCreationLeave() {
  if (!Expect(Is({mmsProfiles, mmsNewPlayerCreation}),
              "PlayerCreationLeave starts from the new profile")) {
    return;
  }
  FMenuState.Exclude(mmsNewPlayerCreation);
  const std::string Name = UserCorrectName(FEditBox->Data(), "");
  if (Name.empty() || !GameData) {
    return;
  }
  PopMenuState();
  try {
    if (CurrentPlayer) {
      CurrentPlayer->AddToHighScores();
    }
    TPlayer* Player = GameData->CreateNewPlayer(Name);
    Player->SetDefaultProfile(false);
    GameData->SelectPlayer(PlayerCount() - 1);
    // A new profile replaces the hidden default one.
    for (int32_t I = 0; !FShowDefaultProfile && I < PlayerCount(); ++I) {
      if (Players()->Items(I)->DefaultProfile()) {
        GameData->DeletePlayer(I);
        break;
      }
    }
  } catch (const std::exception& E) {
    ODS("%s: the profile \"%s\" cannot be made: %s", CUnit, Name, E.what());
    ShowMessageBox(Title(), std::string("The profile cannot be made: ") + E.what(),
                   TMessageBoxKind::Error);
  }
  PushMenuState();
  RebuildProfilesSubMenu();
}

void TMainMenuScreen::PlayerDeletionEnter() {
  if (!Expect(Is({mmsProfiles}), "PlayerDeletionEnter starts from the profile list")) {
    return;
  }
  FMenuState.Include(mmsPlayerDeletion);
  FSelect->Hide(CHideWait);
  FConfirm->Show(CShowWait);
}

void TMainMenuScreen::PlayerDeletionLeave() {
  if (!Expect(Is({mmsProfiles, mmsPlayerDeletion}),
              "PlayerDeletionLeave starts from the delete confirmation")) {
    return;
  }
  RebuildProfilesSubMenu();
  SetWelcomePlayer(CurrentName());
  FMenuState.Exclude(mmsPlayerDeletion);
  FConfirm->Hide(CHideWait);
  FSelect->Show(CShowWait);
}

void TMainMenuScreen::PlayerNameEnter(bool BeforeExit) {
  if (!Expect(BeforeExit || Is({mmsProfiles, mmsNewPlayerCreation}),
              "PlayerNameEnter starts from the new profile or the quit")) {
    return;
  }
  FMenuState.Include(mmsPlayerNameEnter);
  if (BeforeExit) {
    FMenuState.Include(mmsDefaultPlayerNameEnterBeforeExit);
  }
  FEditBox->SetData(BeforeExit ? CurrentName() : std::string());
  FEditBox->KeyDown(VK_END);
  // Before exit the profile must get its name: there is no way back.
  FNameCancel->SetEnabled(!BeforeExit);
  HideIfVisible(FWelcome, {});
  HideIfVisible(FConfirmation, {});
  HideIfVisible(FMain, CHideWait);
  HideIfVisible(FSelect, CHideWait);
  FNewPanel->Show(CShowWait);
  NextFocusedWidget();
  if (FocusedWidget() != FEditBox) {
    SetFocusedWidget(FEditBox); // the box may still be showing, so not yet focusable
  }
}

void TMainMenuScreen::PlayerNameLeave(bool Cancelled) {
  if (!Expect(Has(mmsPlayerNameEnter), "PlayerNameLeave starts from the name entry")) {
    return;
  }
  FMenuState.Exclude(mmsPlayerNameEnter);
  std::string Name;
  if (Cancelled) {
    FEditBox->SetData("");
  } else {
    Name = UserCorrectName(FEditBox->Data(), CDefaultName);
  }
  if (Has(mmsNewPlayerCreation)) {
    PlayerCreationLeave();
  }
  RebuildProfilesSubMenu();
  SetWelcomePlayer(CurrentName());
  FNewPanel->Hide(CHideWait);
  if (Has(mmsDefaultPlayerNameEnterBeforeExit)) {
    if (CurrentPlayer && !Cancelled) {
      CurrentPlayer->SetPlayerName(Name);
    }
  } else if (Has(mmsProfiles)) {
    FSelect->Show(CShowWait);
  }
}

void TMainMenuScreen::QuitConfirmationEnter() {
  if (!Expect(!Has(mmsQuitConfirmation), "QuitConfirmationEnter starts outside the quit")) {
    return;
  }
  const TMainMenuStates From = FMenuState;
  SetMenuState({mmsQuitConfirmation});
  HideIfVisible(FWelcome, {});
  TGWidget* Panel = nullptr;
  if (From == MenuStates({mmsMainMenu})) {
    Panel = FMain;
  } else if (From == MenuStates({mmsOptions})) {
    Panel = FOptions;
  } else if (From == MenuStates({mmsProfiles})) {
    Panel = FSelect;
  } else if (From.Contains(mmsNewPlayerCreation)) {
    Panel = FNewPanel;
  } else if (From.Contains(mmsPlayerDeletion)) {
    Panel = FConfirm;
  }
  if (Panel) {
    Panel->Hide(CHideWait);
  }
  FConfirmation->Show(CShowWait);
}

void TMainMenuScreen::QuitConfirmationLeave() {
  if (!Expect(Is({mmsQuitConfirmation}), "QuitConfirmationLeave starts from the quit")) {
    return;
  }
  SelfDisable();
  SetMenuState({mmsMainMenu});
  FConfirmation->Hide(CHideWait);
  FWelcome->Show();
  FMain->Show(CShowWait);
}

// --- Profiles ----------------------------------------------------------------------------------

void TMainMenuScreen::SetWelcomePlayer(const std::string& Name) {
  FWelcomeName->SetData(TranslateFormat(CWelcomeFormat, {Name}));
}

void TMainMenuScreen::ShowSlotMarker(TGButton* Slot, bool Selected) {
  TGGraphicCollection* Graphics = Slot->Graphics();
  if (!Selected) {
    Graphics->Clear();
    return;
  }
  if (Graphics->Count() > 0) {
    return; // already marked: the marker keeps running
  }
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Marker =
      Library ? TryObjectCast<TGAnimation>(Library->GetResourceEx(CSelectedURL, false)) : nullptr;
  if (!Marker) {
    return;
  }
  Graphics->SetRemoveFinished(false);
  auto* Copy = static_cast<TGAnimation*>(CloneObject(*Marker, Graphics));
  Copy->SetElapsedTime(0);
  Graphics->Add(Copy);
}

void TMainMenuScreen::RebuildProfilesSubMenu() {
  const int32_t Count = PlayerCount();
  int32_t Shown = 0;
  int32_t I = 0;
  for (int32_t N = 0; N < CProfileSlots; ++N) {
    // One hidden default profile is skipped.
    if (!FShowDefaultProfile && I < Count && Players()->Items(I)->DefaultProfile()) {
      ++I;
    }
    TGButton* Slot = FSlots[static_cast<size_t>(N)];
    if (I < Count) {
      TPlayer* Player = Players()->Items(I);
      Slot->SetCaption(Player->Name());
      ShowSlotMarker(Slot, Player == CurrentPlayer);
      Slot->OnClick = TGNotifyEvent(this, &TMainMenuScreen::ProfilesPlayerButtonClick);
      Slot->OnDblClick = TGNotifyEvent(this, &TMainMenuScreen::ProfilesPlayerButtonDblClick);
      Slot->SetVisible(true);
      Slot->MouseLeave();
      FSlotPlayers[static_cast<size_t>(N)] = I;
      ++Shown;
    } else {
      Slot->SetVisible(false);
      FSlotPlayers[static_cast<size_t>(N)] = -1;
    }
    ++I;
  }
  SetEnabledIfChanged(FNewButton, Shown < CProfileSlots);
  SetEnabledIfChanged(FDeleteButton, Shown >= 1);
}

bool TMainMenuScreen::CheckPlayerName(const std::string& Name) const {
  const std::string S = UserCorrectName(Name, CDefaultName);
  if (S.empty()) {
    return false;
  }
  // No two profiles share a name in any letter case. The profile being named before exit has
  // its own name already, and a hidden default profile goes when the new one is made: neither
  // counts.
  const bool Renaming = Has(mmsDefaultPlayerNameEnterBeforeExit);
  for (int32_t I = 0; I < PlayerCount(); ++I) {
    TPlayer* Player = Players()->Items(I);
    if ((Renaming && Player == CurrentPlayer) ||
        (!FShowDefaultProfile && Player->DefaultProfile())) {
      continue;
    }
    if (SameNameIgnoringCase(Player->Name(), S)) {
      return false;
    }
  }
  return true;
}

// --- Locks and options -------------------------------------------------------------------------

bool TMainMenuScreen::IsUnlimitedModeLock() const {
  if (!CurrentPlayer) {
    return true;
  }
  if (CurrentPlayer->Cheats() && App && App->GetKey(VK_SHIFT)) {
    return false;
  }
  return CurrentPlayer->TakenZephrinCount() < CUnlockZephrins;
}

std::string TMainMenuScreen::LockNoteText() const {
  std::string Format = LangDictionary().GetString("$%d of %d$");
  if (Format.find("%d") == std::string::npos) {
    Format = "%d/%d";
  }
  const int32_t Taken = CurrentPlayer ? CurrentPlayer->TakenZephrinCount() : 0;
  return FormatChecked(Format + "\r\n$to unlock$", {Taken, CUnlockZephrins});
}

void TMainMenuScreen::SetSliderPosition(TGButton* Slider, TGProgressBar* Bar, int32_t Value) {
  const double W = Bar->Width();
  Slider->SetLeft(static_cast<float>(Bar->Left() + 2 - Slider->Width() / 2.0 + CTrackStart * W +
                                     CTrackLength * W * Value / 100.0));
  Bar->SetPosition(static_cast<float>(Value));
}

void TMainMenuScreen::StepVolume(TGObject* Sender, TGButton* Left, TGButton* Right,
                                 TGButton* Slider, TGProgressBar* Bar, bool Music) {
  const double P = Bar->Position();
  double Value = 0;
  if (Sender == Left) {
    Value = std::nearbyint(P - CVolumeStep);
  } else if (Sender == Right) {
    Value = std::nearbyint(P + CVolumeStep);
  }
  const auto V = static_cast<int32_t>(std::clamp(Value, 0.0, 100.0));
  SetSliderPosition(Slider, Bar, V);
  if (CurrentPlayer) {
    Music ? CurrentPlayer->SetMusicVolume(V) : CurrentPlayer->SetSoundVolume(V);
  }
}

void TMainMenuScreen::DragSlider(TGButton* Slider, TGProgressBar* Bar, bool Music) {
  const TGRectFloat R = Bar->ScreenRect();
  const auto X = static_cast<float>(MousePos().X);
  if (!(R.Left < X && X < R.Right)) {
    return;
  }
  const double W = Bar->Width();
  const double Value = std::nearbyint((X - R.Left - CTrackStart * W) * 100 / (CTrackLength * W));
  const auto V = static_cast<int32_t>(std::clamp(Value, 0.0, 100.0));
  if (CurrentPlayer) {
    Music ? CurrentPlayer->SetMusicVolume(V) : CurrentPlayer->SetSoundVolume(V);
  }
  SetSliderPosition(Slider, Bar, V);
}

std::string TMainMenuScreen::ReadShortcutURL(const std::string& FileName) {
  std::ifstream In(FileName, std::ios::binary);
  bool InShortcut = false;
  for (std::string Line; std::getline(In, Line);) {
    if (Line.starts_with("\xEF\xBB\xBF")) {
      Line.erase(0, 3);
    }
    Line = Trimmed(Line);
    if (Line.starts_with('[')) {
      InShortcut = SameText(Line, "[InternetShortcut]");
    } else if (InShortcut && Line.size() > 4 && SameText(Line.substr(0, 4), "URL=")) {
      return Trimmed(Line.substr(4));
    }
  }
  return {};
}

// --- Frames ------------------------------------------------------------------------------------

void TMainMenuScreen::Update(float Interval) {
  inherited::Update(Interval);
  SelfEnable(Interval);
  if (!FSplashShown) {
    FirstFrame();
  }
  if (AfterFadeAction != afaNone) {
    FadeOut(false, false, nullptr);
  }
  if (Has(mmsPlayerNameEnter)) {
    SetEnabledIfChanged(FNameOk, CheckPlayerName(FEditBox->Data()));
  }
  // A quit waits until the panels stand still: a panel in its effect cannot be hidden.
  if (AppIsClosing && !PanelsBusy()) {
    UpdateQuit();
  }
  if (FOptions->Visible()) {
    UpdateOptions();
  }
  UpdateLockNote();
  UpdateLock();
}

void TMainMenuScreen::FirstFrame() {
  FSplashShown = true;
  if (!ConfigurationFlag("NoSplash")) {
    try {
      TGWidget::CreateShowAndFree(TSplashScreen::StaticClass());
    } catch (const std::exception& E) {
      ODS("%s: the splash screen cannot be shown: %s", CUnit, E.what());
    }
  }
  // The program may have been told to end while the logos played (a quit request, the frame
  // limit): then no game starts behind them.
  if (Application && Application->Terminated()) {
    return;
  }
  // A profile made at this start plays at once, without the menu.
  if (CurrentPlayer && CurrentPlayer->IsBlank()) {
    CurrentPlayer->SetProfilePlayed(true);
    RunGame();
  }
  FFirstShowPending = !(Application && Application->Terminated());
  PlayTitleMusic(0);
}

void TMainMenuScreen::UpdateQuit() {
  if (AppCanUnclose) {
    if (!Has(mmsQuitConfirmation)) {
      QuitConfirmationEnter();
    }
    return;
  }
  // The quit is confirmed. A played default profile is named first.
  if (!CurrentPlayer || !CurrentPlayer->DefaultProfile() || !CurrentPlayer->ProfilePlayed()) {
    Terminate();
  } else if (!Has(mmsDefaultPlayerNameEnterBeforeExit)) {
    PlayerNameEnter(true);
  }
}

void TMainMenuScreen::Terminate() {
  if (!Visible() || State() != wsDefault) {
    return;
  }
  if (CurrentPlayer) {
    try {
      CurrentPlayer->SaveBriefInfo();
    } catch (const std::exception& E) {
      ODS("%s: the profile cannot be saved at the quit: %s", CUnit, E.what());
    }
  }
  Hide();
}

void TMainMenuScreen::UpdateOptions() {
  if (FMusicBarActive) {
    DragSlider(FMusicSlider, FMusicBar, true);
  } else if (FSoundBarActive) {
    DragSlider(FSoundSlider, FSoundBar, false);
  }
  // The option follows a mode change made elsewhere (Alt+Enter).
  const bool Full = DeviceFullScreen();
  FFullScreen->SetChecked(Full);
  if (CurrentPlayer) {
    CurrentPlayer->SetFullScreen(Full);
  }
}

void TMainMenuScreen::UpdateLockNote() {
  if (FGhostButton->State() != bsOver || !IsUnlimitedModeLock()) {
    FNotePanel->SetVisible(false);
    return;
  }
  FNotePanel->SetVisible(true);
  const TGPoint Mouse = MousePos();
  const float W = FNotePanel->Width();
  const float H = FNotePanel->Height();
  const float X =
      std::clamp(static_cast<float>(Mouse.X) - W / 2, 0.0f, std::max(0.0f, CScreenWidth - W));
  const float Y =
      std::clamp(static_cast<float>(Mouse.Y) + 20, 0.0f, std::max(0.0f, CScreenHeight - H));
  FNotePanel->SetLeft(X - Left());
  FNotePanel->SetTop(Y - Top());
  const std::string Text = LockNoteText();
  if (FNoteLabel->Data() != Text) {
    FNoteLabel->SetData(Text);
  }
}

void TMainMenuScreen::UpdateLock() {
  const bool Locked = IsUnlimitedModeLock();
  FLock->SetVisible(Locked);
  FGhostButton->SetVisible(Locked);
  SetEnabledIfChanged(FModeButton, !Locked);
}

void TMainMenuScreen::KeyDown(uint16_t Key) {
  inherited::KeyDown(Key);
  // Keys act on panels that stand still, as clicks do.
  if (PanelsBusy()) {
    return;
  }
  if (Key == VK_ESCAPE) {
    if (Is({mmsOptions})) {
      OptionsOkButtonClick(this);
    } else if (Is({mmsProfiles})) {
      ProfilesOkButtonClick(this);
    } else if (Has(mmsPlayerDeletion)) {
      ProfilesDeletePlayerNoButtonClick(this);
    } else if (Has(mmsPlayerNameEnter)) {
      ProfilesNewPlayerCancelButtonClick(this);
    } else if (Is({mmsQuitConfirmation})) {
      QuitConfirmationNoButtonClick(this);
    }
  } else if (Key == VK_RETURN) {
    if (Is({mmsOptions})) {
      OptionsOkButtonClick(this);
    } else if (Is({mmsProfiles})) {
      ProfilesOkButtonClick(this);
    } else if (Has(mmsPlayerNameEnter)) {
      ProfilesNewPlayerOkButtonClick(this);
    }
  }
}

void TMainMenuScreen::SetOnFirstShown(std::function<void()> Handler) {
  FirstShownHandler = std::move(Handler);
}

void TMainMenuScreen::DrawTree() {
  inherited::DrawTree();
  if (FFirstShowPending && Visible()) {
    FFirstShowPending = false;
    if (FirstShownHandler) {
      FirstShownHandler();
    }
  }
  if (!GD || !FVersionFont || !App || !Visible()) {
    return;
  }
  TGDeviceStateGuard Guard(TGDeviceStateMask{bMatrix});
  GD->SetMatrixByType(mWorld, MatIdentity);
  FVersionFont->DrawString("Ver: " + App->Info().ProductVersion(), 795, 600, 1, 1);
}

// --- After the fade-out ------------------------------------------------------------------------

void TMainMenuScreen::AfterFadeOut() {
  inherited::AfterFadeOut();
  if (AfterFadeAction == afaNone || FadeState() != fwsNone) {
    return;
  }
  const TAfterFadeAction Action = std::exchange(AfterFadeAction, afaNone);
  // The menu fades back in when the window it opens has closed.
  FadeIn(false, false, nullptr);
  RunAction(Action);
}

void TMainMenuScreen::RunAction(TAfterFadeAction Action) {
  try {
    if (Action != afaPlay) {
      OpenScreen(Action);
      return;
    }
    if (!Expect(!PlayScreen(), "no play screen exists when a game starts")) {
      return;
    }
    if (AD && AD->CurrentMusicState()) {
      AD->CurrentMusicState()->SlideVolumeAndStop(CPlayFadeOut);
    }
    if (CurrentPlayer) {
      CurrentPlayer->SetProfilePlayed(true);
    }
    RunGame();
    PlayTitleMusic(CTitleFadeAfterGame);
  } catch (const std::exception& E) {
    ODS("%s: the menu's action %d failed: %s", CUnit, static_cast<int>(Action), E.what());
    ShowMessageBox(Title(), E.what(), TMessageBoxKind::Error);
  }
}

void TMainMenuScreen::RunGame() {
  std::string Error;
  TGObjectPtr<TGameScreen> Screen(TLoadingScreen::BuildGameScreen(Error));
  if (!Screen) {
    ODS("%s: the game cannot start: %s", CUnit, Error);
    ShowMessageBox(Title(), Error, TMessageBoxKind::Error);
    return;
  }
  Screen->FadeInModal(false, nullptr);
}

void TMainMenuScreen::OpenScreen(TAfterFadeAction Action) {
  switch (Action) {
  case afaHelp:
    TFadeWindow::CreateFadeAndFree(THelpScreen::StaticClass(), false);
    break;
  case afaCredits:
    TFadeWindow::CreateFadeAndFree(TCreditsScreen::StaticClass(), false);
    break;
  case afaScore:
    TFadeWindow::CreateFadeAndFree(THighScoresScreen::StaticClass(), false);
    break;
  case afaHiddenObjectsMode:
    TFadeWindow::CreateFadeAndFree(TMapUnlimHOScreen::StaticClass(), false);
    break;
  default:
    break;
  }
}

void TMainMenuScreen::PlayTitleMusic(int32_t FadeTime) {
  if (!AD) {
    return;
  }
  try {
    AD->PlayMusicEx(CTitleMusicURL, true, FadeTime, 100, 0);
  } catch (const std::exception& E) {
    ODS("%s: the title music cannot play: %s", CUnit, E.what());
  }
}

// --- Handlers ----------------------------------------------------------------------------------

void TMainMenuScreen::PlayButtonClick(TGObject*) {
  FShowDefaultProfile = true;
  AfterFadeAction = afaPlay;
}

void TMainMenuScreen::ScoreButtonClick(TGObject*) {
  AfterFadeAction = afaScore;
}

void TMainMenuScreen::OptionsButtonClick(TGObject*) {
  OptionsEnter();
}

void TMainMenuScreen::HelpButtonClick(TGObject*) {
  AfterFadeAction = afaHelp;
}

void TMainMenuScreen::QuitButtonClick(TGObject*) {
  AppIsClosing = true;
}

void TMainMenuScreen::MuseumButtonClick(TGObject*) {
  FShowDefaultProfile = true;
  if (CurrentPlayer) {
    CurrentPlayer->ShowMuseum();
  }
}

void TMainMenuScreen::MoreLumoClick(TGObject*) {
  if (!::FileExists(CMoreGamesFile)) {
    return;
  }
  const std::string URL = ReadShortcutURL(CMoreGamesFile);
  if (URL.empty() || !OpenURL(URL)) {
    ODS("%s: the link of %s cannot be opened", CUnit, CMoreGamesFile);
  }
}

void TMainMenuScreen::HiddenObjectsModeButtonClick(TGObject*) {
  if (!IsUnlimitedModeLock()) {
    AfterFadeAction = afaHiddenObjectsMode;
  }
}

void TMainMenuScreen::ChangeProfileButtonClick(TGObject*) {
  ProfilesEnter();
  FChangeButton->MouseLeave();
}

void TMainMenuScreen::ProfilesNewButtonClick(TGObject*) {
  PlayerCreationEnter();
}

void TMainMenuScreen::ProfilesDeleteButtonClick(TGObject*) {
  PlayerDeletionEnter();
}

void TMainMenuScreen::ProfilesOkButtonClick(TGObject*) {
  ProfilesLeave();
}

void TMainMenuScreen::ProfilesPlayerButtonClick(TGObject* Sender) {
  const auto* Button = TryObjectCast<TGWidget>(Sender);
  if (!Button || !Button->Name().starts_with("Name") || Button->Name().size() < 5 || !GameData) {
    return;
  }
  const char Digit = Button->Name()[4];
  if (Digit < '1' || Digit > '0' + CProfileSlots) {
    return; // no slot number: nothing is selected
  }
  const auto Slot = static_cast<size_t>(Digit - '1');
  // The slot's own profile: with the hidden default profile skipped, slot n need not show
  // profile n - 1.
  if (FSlotPlayers[Slot] < 0) {
    return;
  }
  PopMenuState();
  GameData->SelectPlayer(FSlotPlayers[Slot]);
  PushMenuState();
  for (size_t N = 0; N < FSlots.size(); ++N) {
    ShowSlotMarker(FSlots[N], N == Slot);
  }
  SetWelcomePlayer(CurrentName());
}

void TMainMenuScreen::ProfilesPlayerButtonDblClick(TGObject* Sender) {
  ProfilesPlayerButtonClick(Sender);
  ProfilesOkButtonClick(Sender);
}

void TMainMenuScreen::ProfilesNewPlayerOkButtonClick(TGObject*) {
  if (CheckPlayerName(FEditBox->Data())) {
    PlayerNameLeave(false);
    FShowDefaultProfile = true;
  }
}

void TMainMenuScreen::ProfilesNewPlayerCancelButtonClick(TGObject*) {
  if (!Has(mmsDefaultPlayerNameEnterBeforeExit)) {
    PlayerNameLeave(true);
  }
}

void TMainMenuScreen::ProfilesEditBoxKeyDown(char32_t& Key, bool& Allow) {
  Allow = !TGLangDictionary::IsReservedKey(Key) && IsCorrectChar(Key);
}

void TMainMenuScreen::ProfilesDeletePlayerYesButtonClick(TGObject*) {
  const int32_t A = CurrentPlayerIndex();
  if (!Expect(PlayerCount() > 0 && A >= 0, "a current profile to delete")) {
    return;
  }
  if (Players()->Items(A)->DefaultProfile()) {
    FShowDefaultProfile = false;
  }
  PopMenuState();
  try {
    GameData->DeletePlayer(A);
    if (PlayerCount() == 0) {
      // The program always has a profile: a blank default one, which the list hides.
      GameData->CreateNewPlayer(CBlankProfileName);
      FShowDefaultProfile = false;
    }
  } catch (const std::exception& E) {
    ODS("%s: the profile cannot be deleted: %s", CUnit, E.what());
    ShowMessageBox(Title(), std::string("The profile cannot be deleted: ") + E.what(),
                   TMessageBoxKind::Error);
  }
  const int32_t Count = PlayerCount();
  if (A < Count) {
    GameData->SelectPlayer(A);
  } else if (A == Count && A > 0) {
    GameData->SelectPlayer(A - 1);
  }
  PushMenuState();
  PlayerDeletionLeave();
}

void TMainMenuScreen::ProfilesDeletePlayerNoButtonClick(TGObject*) {
  PlayerDeletionLeave();
}

void TMainMenuScreen::OptionsOkButtonClick(TGObject*) {
  if (CurrentPlayer) {
    try {
      CurrentPlayer->SaveBriefInfo();
    } catch (const std::exception& E) {
      ODS("%s: the options cannot be saved: %s", CUnit, E.what());
    }
  }
  OptionsLeave();
}

void TMainMenuScreen::OnMusicBarButtonClick(TGObject* Sender) {
  StepVolume(Sender, FMusicLeft, FMusicRight, FMusicSlider, FMusicBar, true);
}

void TMainMenuScreen::OnMusicSliderMouseDown(int) {
  FMusicBarActive = FMusicSlider->ScreenRectContains(MousePos());
}

void TMainMenuScreen::OnMusicSliderMouseUp(int) {
  FMusicBarActive = false;
  FSoundBarActive = false;
}

void TMainMenuScreen::OnSoundBarButtonClick(TGObject* Sender) {
  StepVolume(Sender, FSoundLeft, FSoundRight, FSoundSlider, FSoundBar, false);
}

void TMainMenuScreen::OnSoundSliderMouseDown(int) {
  FSoundBarActive = FSoundSlider->ScreenRectContains(MousePos());
}

void TMainMenuScreen::OnSoundSliderMouseUp(int) {
  FMusicBarActive = false;
  FSoundBarActive = false;
  // The new volume, heard.
  if (AD) {
    try {
      AD->PlaySfx(CSliderSfxURL);
    } catch (const std::exception& E) {
      ODS("%s: %s", CUnit, E.what());
    }
  }
}

void TMainMenuScreen::OnFullScreenCheckBoxClick(TGObject*) {
  if (CurrentPlayer) {
    CurrentPlayer->SetFullScreen(FFullScreen->Checked());
  }
}

void TMainMenuScreen::OnWideScreenCheckBoxClick(TGObject*) {
  if (CurrentPlayer) {
    CurrentPlayer->SetWideScreen(FWideScreen->Checked());
  }
}

void TMainMenuScreen::CreditsButtonClick(TGObject*) {
  AfterFadeAction = afaCredits;
}

void TMainMenuScreen::QuitConfirmationYesButtonClick(TGObject*) {
  AppCanUnclose = false;
}

void TMainMenuScreen::QuitConfirmationNoButtonClick(TGObject*) {
  AppIsClosing = false;
  QuitConfirmationLeave();
}
