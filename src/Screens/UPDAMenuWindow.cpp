#include "Screens/UPDAMenuWindow.h"

#include "Screens/UGameScreen.h"
#include "Screens/UMuseumScreen.h"
#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGSceneChannel.h"
#include "animation/UGVarSeq.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGGraphicsDevice.h"
#include "platform/UKeyCodes.h"
#include "player/UPlayer.h"
#include "player/USpeechLog.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "scene3d/UGMesh.h"
#include "scene3d/UGMeshMaterial.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGSceneGraphic.h"
#include "scene3d/UGSceneRoot.h"
#include "text/UGFont.h"
#include "text/UGText.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGProgressBar.h"
#include "widgets/UGWidgetEffect.h"
#include "widgets/UGWindowHost.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <utility>

G_IMPLEMENT_CLASS(TPDAMenuWindow)

bool TPDAMenuWindow::CloseConfirmationMode = false;

namespace {

constexpr const char* CUnit = "src/Screens/UPDAMenuWindow";
constexpr const char* CButtonSfxURL = "UI\\Button.ogg";
constexpr const char* CSoundCheckSfxURL = "UI\\GameScreen\\PickupObj.ogg";
constexpr const char* CCursorURL = "Cursors\\Pointer.ani";
constexpr const char* CLocShotsFolder = "UI\\MapScreen\\LocShots\\";
constexpr const char* CSkinsFolder = "UI\\GameMenuWindow\\PDAskins\\";
constexpr float CSendingPictureSeconds = 2;
constexpr float CFadeMax = 150;
constexpr float CFadeInRate = 350;
constexpr float CFadeOutRate = 350;
constexpr float CFadeOutToMenuRate = 275;
constexpr int32_t CVolumeStep = 5;
constexpr int32_t CHelpStep = 64;
// A movie picture's end when only Next may end it, and the stop time when no key follows.
constexpr int32_t CMovieEnd = 66660000;
constexpr int32_t CNoStop = 1000000;
constexpr int32_t CColors = 5;
constexpr int32_t CSkins = 9;

const TGShowOptions CShowWait{1u << soWaitEffect};
const TGHideOptions CHideWait{1u << hoWaitEffect};

const char* const CDialogues[] = {"CliffHanger\\Dialogue01", "CliffHanger\\Dialogue02",
                                  "CliffHanger\\Dialogue03", "CliffHanger\\Dialogue04",
                                  "CliffHanger\\Dialogue05"};

struct TFace {
  const char* Key;
  const char* URL;
};
const TFace CFaces[] = {
    {"Tobrel", "UI\\GameMenuWindow\\Avatars\\TobrelFace.jp2"},
    {"Quillan", "UI\\GameMenuWindow\\Avatars\\QuillanFace.jp2"},
    {"Oskelin", "UI\\GameMenuWindow\\Avatars\\OskelinFace.jp2"},
    {"Tovan", "UI\\GameMenuWindow\\Avatars\\TovanFace.jp2"},
    {"Zari", "UI\\GameMenuWindow\\Avatars\\ZarnikaFace.jp2"},
    {"EskimoElder", "UI\\GameMenuWindow\\Avatars\\EskimoElderFace.jp2"},
};

// The texture each device colour puts on the device model.
const char* const CColorTextures[CColors] = {
    "Game\\01_Alexandria\\Location_01\\Objs\\pda_color.png",
    "Game\\01_Alexandria\\Location_01\\Objs\\pda_color_red.jp2",
    "Game\\01_Alexandria\\Location_01\\Objs\\pda_color_green.jp2",
    "Game\\01_Alexandria\\Location_01\\Objs\\pda_color_violet.jp2",
    "Game\\01_Alexandria\\Location_01\\Objs\\pda_color_blue.jp2",
};

const char* const CBioButtons[] = {"CharacterBios\\List\\BtnEdrinRorvik",
                                   "CharacterBios\\List\\BtnSaelaVelgrath",
                                   "CharacterBios\\List\\BtnOskelinHarrow"};

TGGraphic* GraphicOf(const std::string& URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  return Library ? TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false)) : nullptr;
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

void PlaySfx(const char* URL) {
  if (!AD) {
    return;
  }
  try {
    AD->PlaySfx(URL);
  } catch (const std::exception& E) {
    ODS("%s: %s", CUnit, E.what());
  }
}

void SetLabel(TGWidget* W, std::string_view Text) {
  if (auto* L = TryObjectCast<TGLabel>(W)) {
    L->SetData(Text);
  }
}

void SetVisibleIf(TGWidget* W, bool Value) {
  if (W) {
    W->SetVisible(Value);
  }
}

void SetEnabledIf(TGWidget* W, bool Value) {
  if (W) {
    W->SetEnabled(Value);
  }
}

// Value moved by Delta, wrapping within 1 to Count.
int32_t Wrapped(int32_t Value, int32_t Delta, int32_t Count) {
  const int32_t V = Value + Delta;
  if (V < 1) {
    return Count;
  }
  return V > Count ? 1 : V;
}

std::string Trimmed(std::string_view S) {
  const auto Blank = [](char C) { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; };
  while (!S.empty() && Blank(S.front())) {
    S.remove_prefix(1);
  }
  while (!S.empty() && Blank(S.back())) {
    S.remove_suffix(1);
  }
  return std::string(S);
}

TGAnimation* AnimationOf(TGPicture* Picture) {
  return Picture ? dynamic_cast<TGAnimation*>(Picture->Picture()->Instance()) : nullptr;
}

// The first key time of the channel's X keys after Time; CNoStop when none follows.
int32_t KeyAfter(const TGMovie* Key, int32_t Time) {
  const TGVarSeq* Seq = Key->X();
  for (int I = 0; I < Seq->Count(); ++I) {
    if (Seq->Terms(I).Time > Time) {
      return Seq->Terms(I).Time;
    }
  }
  return CNoStop;
}

TGMovie* KeyChannelOf(const TGAnimation* A) {
  return A ? TryObjectCast<TGMovie>(ChannelByName(A, "Key")) : nullptr;
}

// The device model's first material in a scene: node "PDA", mesh "mesh_Plane02".
TGMeshMaterial* DeviceMaterial(TGSceneRoot* Root) {
  auto* Node = Root ? TryObjectCast<TGSceneBaseGraphic>(Root->FindNode("PDA")) : nullptr;
  if (!Node) {
    return nullptr;
  }
  TGModel* Model = Node->ModelInstance();
  if (!Model) {
    Model = TryObjectCast<TGModel>(Node->Graphic());
  }
  TGMesh* Mesh = Model ? Model->GetMesh("mesh_Plane02") : nullptr;
  if (!Mesh || Mesh->Materials()->GetCount() == 0) {
    return nullptr;
  }
  return Mesh->Materials()->GetItem(0);
}

// Puts the texture on the device model in every scene the animation's scene channels show:
// the scene resource (for instances made later) and the running instance.
void TextureDevice(const TGAnimation* A, const std::string& URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  for (int32_t I = 0; A && Library && I < A->Count(); ++I) {
    auto* Scene = TryObjectCast<TGSceneChannel>(A->GetChannel(I));
    if (!Scene) {
      continue;
    }
    TGSceneRoot* Roots[] = {TryObjectCast<TGSceneRoot>(Scene->SceneURL()->GetResValue(0)),
                            Scene->Instance()};
    for (TGSceneRoot* Root : Roots) {
      if (TGMeshMaterial* M = DeviceMaterial(Root)) {
        M->SetTexture(Library, URL);
      }
    }
  }
}

} // namespace

// --- Construction --------------------------------------------------------------------------------

void TPDAMenuWindow::AfterConstruction() {
  inherited::AfterConstruction();
  FBioText = new TGText(this);
  if (CurrentPlayer) {
    CurrentPlayer->PushState(gsInGameMenu);
    FStatePushed = true;
  }
  LoadTemplate();
  for (const char* Path : CDialogues) {
    if (TGWidget* W = FindWidget(Path)) {
      W->SetUpdateWhenInvisible(false);
    }
  }
  // The help text scrolls inside its view and shows nothing outside it.
  if (TGWidget* View = FindWidget("Help\\ScrollArea")) {
    View->SetClipChildren(true);
  }
  if (TGGraphic* Cursor = GraphicOf(CCursorURL)) {
    SetCursor(Cursor);
  }
  AttachHandlers();
  ReadSettings();
  UpdateSkin();
}

void TPDAMenuWindow::Destroy() {
  if (FStatePushed && CurrentPlayer) {
    CurrentPlayer->PopState(gsInGameMenu);
  }
  // Leaving for the main menu: the play screen under the window shows nothing more on its way.
  if (FWaitAndGoToMainMenu) {
    if (TGameScreen* Screen = CurrentGameScreen()) {
      Screen->SetDrawingDisabled(true);
    }
  }
  FPlayList.clear();
  inherited::Destroy();
}

void TPDAMenuWindow::LoadTemplate() {
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Template =
      Library ? TryObjectCast<TGWindow>(Library->GetResourceEx(CTemplateURL, false)) : nullptr;
  if (!Template) {
    throw Error("The hand-held device's window \"%s\" cannot be found", CTemplateURL);
  }
  LoadFromTemplate(Template);
}

void TPDAMenuWindow::OnClick(const char* Path, void (TPDAMenuWindow::*Handler)(TGObject*)) {
  if (TGWidget* W = FindWidget(Path)) {
    W->OnClick = TGNotifyEvent(this, Handler);
  } else {
    ODS("%s: the widget \"%s\" is missing from %s", CUnit, Path, CTemplateURL);
  }
}

void TPDAMenuWindow::AttachHandlers() {
  using T = TPDAMenuWindow;
  for (const char* Path : {"BtnBack", "Menu\\BtnBack", "Briefing\\Back",
                           "CharacterBios\\Char\\BtnBackToList", "Confirmation\\BtnNo"}) {
    OnClick(Path, &T::OnBackClick);
  }
  OnClick("Menu\\BtnMuseum", &T::OnMuseumClick);
  OnClick("Menu\\BtnCustomize", &T::OnCustomizeClick);
  OnClick("Menu\\BtnCharacterBios", &T::OnCharacterBiosClick);
  for (const char* Path : CBioButtons) {
    OnClick(Path, &T::OnBioListClick);
  }
  OnClick("Menu\\BtnMenu", &T::OnMainMenuClick);
  OnClick("Menu\\BtnLog", &T::OnLogClick);
  OnClick("Log\\BtnPrev", &T::OnLogPrevClick);
  OnClick("Log\\BtnNext", &T::OnLogNextClick);
  OnClick("Help\\BtnUp", &T::OnHelpUpClick);
  OnClick("Help\\BtnDown", &T::OnHelpDownClick);
  OnClick("CharacterBios\\Char\\BtnUp", &T::OnBioUpClick);
  OnClick("CharacterBios\\Char\\BtnDown", &T::OnBioDownClick);
  OnClick("Options\\Music\\Left", &T::OnMusicStepClick);
  OnClick("Options\\Music\\Right", &T::OnMusicStepClick);
  OnClick("Options\\Sound\\Left", &T::OnSoundStepClick);
  OnClick("Options\\Sound\\Right", &T::OnSoundStepClick);
  OnClick("Options\\FullScreen\\CheckBox", &T::OnFullScreenClick);
  OnClick("Options\\WideScreen\\CheckBox", &T::OnWideScreenClick);
  OnClick("Options\\ChangeColor\\Left", &T::OnColorClick);
  OnClick("Options\\ChangeColor\\Right", &T::OnColorClick);
  OnClick("Options\\ChangeSkin\\Left", &T::OnSkinClick);
  OnClick("Options\\ChangeSkin\\Right", &T::OnSkinClick);
  OnClick("Confirmation\\BtnYes", &T::OnYesClick);
  // The help page has no opener of its own in the menu's table; the menu's help button opens it.
  if (TGWidget* W = FindWidget("Menu\\BtnHelp")) {
    W->OnClick = TGNotifyEvent(this, &T::OnHelpOpenClick);
  }
  if (TGWidget* Bar = FindWidget("Options\\Music\\ProgressBar")) {
    Bar->OnMouseDown = TGMouseEvent(this, &T::OnMusicBarMouseDown);
    Bar->OnMouseUp = TGMouseEvent(this, &T::OnMusicBarMouseUp);
  }
  if (TGWidget* Bar = FindWidget("Options\\Sound\\ProgressBar")) {
    Bar->OnMouseDown = TGMouseEvent(this, &T::OnSoundBarMouseDown);
    Bar->OnMouseUp = TGMouseEvent(this, &T::OnSoundBarMouseUp);
  }
  if (TGWidget* Bio = FindWidget("CharacterBios\\Char\\Bio")) {
    Bio->OnAfterDraw = TGNotifyEvent(this, &T::OnBioAfterDraw);
  }
}

void TPDAMenuWindow::ReadSettings() {
  if (!CurrentPlayer) {
    return;
  }
  if (auto* Bar = TryObjectCast<TGProgressBar>(FindWidget("Options\\Music\\ProgressBar"))) {
    Bar->SetPosition(static_cast<float>(CurrentPlayer->MusicVolume()));
  }
  if (auto* Bar = TryObjectCast<TGProgressBar>(FindWidget("Options\\Sound\\ProgressBar"))) {
    Bar->SetPosition(static_cast<float>(CurrentPlayer->SoundVolume()));
  }
  if (auto* Box = TryObjectCast<TGCheckBox>(FindWidget("Options\\FullScreen\\CheckBox"))) {
    Box->SetChecked(CurrentPlayer->FullScreen());
  }
  if (auto* Box = TryObjectCast<TGCheckBox>(FindWidget("Options\\WideScreen\\CheckBox"))) {
    Box->SetChecked(CurrentPlayer->WideScreen());
  }
}

const std::vector<std::string>& TPDAMenuWindow::PageNames() {
  static const std::vector<std::string> Names = {"Briefing",
                                                 "CharacterBios\\List",
                                                 "CharacterBios\\Char",
                                                 "CliffHanger",
                                                 "Menu",
                                                 "Options",
                                                 "Help",
                                                 "Log"};
  return Names;
}

// --- The uses ------------------------------------------------------------------------------------

void TPDAMenuWindow::ShowBriefing(const std::string& BriefingText, const std::string& Avatar,
                                  bool ASendingPicture) {
  try {
    TGObjectPtr<TPDAMenuWindow> Window(New<TPDAMenuWindow>(nullptr));
    Window->StartBriefing(BriefingText, Avatar, ASendingPicture);
    ShowAndFree(Window.release());
  } catch (const std::exception& E) {
    ODS("%s: the briefing cannot be shown: %s", CUnit, E.what());
  }
}

void TPDAMenuWindow::ShowMovie(const std::string& WidgetSequence, bool CantClose) {
  try {
    TGObjectPtr<TPDAMenuWindow> Window(New<TPDAMenuWindow>(nullptr));
    if (Window->StartMovie(WidgetSequence, CantClose)) {
      ShowAndFree(Window.release());
    }
  } catch (const std::exception& E) {
    ODS("%s: the movie cannot be shown: %s", CUnit, E.what());
  }
}

void TPDAMenuWindow::ShowMenu(bool OpenLog) {
  try {
    TGObjectPtr<TPDAMenuWindow> Window(New<TPDAMenuWindow>(nullptr));
    if (OpenLog) {
      Window->StartLog();
    }
    ShowAndFree(Window.release());
  } catch (const std::exception& E) {
    ODS("%s: the in-game menu cannot be shown: %s", CUnit, E.what());
  }
}

void TPDAMenuWindow::ShowCloseConfirmation(bool& DoClose) {
  if (CloseConfirmationMode) {
    return;
  }
  CloseConfirmationMode = true;
  struct TModeEnd {
    ~TModeEnd() { CloseConfirmationMode = false; }
  } ModeEnd;
  try {
    TGObjectPtr<TPDAMenuWindow> Window(New<TPDAMenuWindow>(nullptr));
    Window->StartConfirmation();
    Window->ShowModal();
    DoClose = Window->CloseConfirmed();
  } catch (const std::exception& E) {
    // Without the window the request stands as it was asked.
    ODS("%s: the quit confirmation cannot be shown: %s", CUnit, E.what());
  }
}

bool TPDAMenuWindow::AnswerQuitRequest() {
  if (!AppIsClosing || !AppCanUnclose) {
    return false;
  }
  bool DoClose = AppIsClosing;
  ShowCloseConfirmation(DoClose);
  AppIsClosing = DoClose;
  AppCanUnclose = !DoClose;
  return true;
}

void TPDAMenuWindow::StartBriefing(const std::string& BriefingText, const std::string& Avatar,
                                   bool ASendingPicture) {
  SetVisibleIf(Page("Menu"), false);
  SetVisibleIf(Page("Briefing"), true);
  TGWidget* Face = FindWidget("Briefing\\Avatar");
  FSendingPicture = ASendingPicture;
  FSendingPictureTime = 0;
  FAfterSendPicText = BriefingText;
  SetLabel(FindWidget("Briefing\\Label"),
           ASendingPicture ? std::string("$Sending picture...$") : BriefingText);
  SetVisibleIf(Face, !ASendingPicture);
  auto* Picture = TryObjectCast<TGPicture>(Face);
  for (const TFace& F : CFaces) {
    if (Picture && Avatar == F.Key) {
      if (TGGraphic* G = GraphicOf(F.URL)) {
        Picture->SetGfx(G);
      }
    }
  }
}

bool TPDAMenuWindow::StartMovie(const std::string& WidgetSequence, bool CantClose) {
  std::vector<TGPicture*> Pictures;
  std::vector<std::string> Names;
  SplitString(WidgetSequence, ',', Names);
  for (const std::string& Name : Names) {
    const std::string Path = Trimmed(Name);
    if (Path.empty()) {
      continue;
    }
    if (auto* P = TryObjectCast<TGPicture>(FindWidget(Path))) {
      Pictures.push_back(P);
    } else {
      ODS("%s: the movie picture \"%s\" is missing from %s", CUnit, Path, CTemplateURL);
    }
  }
  if (Pictures.empty()) {
    return false;
  }
  FNextStopTime = 0;
  FNextOnly = CantClose;
  FPlayList.assign(Pictures.rbegin(), Pictures.rend());
  for (TGPicture* P : FPlayList) {
    P->SetUpdateWhenInvisible(false);
    for (TGWidget* W = P->Parent(); W && W != this; W = W->Parent()) {
      W->SetVisible(true);
    }
  }
  FPlayList.back()->SetVisible(true);
  if (TGWidget* NextButton = FindWidget("CliffHanger\\Next")) {
    NextButton->SetVisible(true);
    NextButton->SetEnabled(true);
    NextButton->OnClick = TGNotifyEvent(this, &TPDAMenuWindow::OnNextClick);
  }
  SetVisibleIf(Page("Menu"), false);
  if (CantClose) {
    if (TGWidget* B = FindWidget("BtnBack")) {
      B->OnClick = TGNotifyEvent(this, &TPDAMenuWindow::OnNextClick);
    }
  }
  return true;
}

void TPDAMenuWindow::StartLog() {
  SetVisibleIf(Page("Menu"), false);
  SetVisibleIf(Page("Log"), true);
  FSpeechLogPosition = CurrentPlayer ? CurrentPlayer->SpeechLog()->Count() - 1 : -1;
  ShowSpeechLogItem();
}

void TPDAMenuWindow::StartConfirmation() {
  SetVisibleIf(Page("Menu"), false);
  SetVisibleIf(Page("Confirmation"), true);
}

// --- Pages ---------------------------------------------------------------------------------------

bool TPDAMenuWindow::PageVisible(const std::string& Name) const {
  const TGWidget* W = Page(Name);
  return W && W->Visible();
}

void TPDAMenuWindow::HidePage(const std::string& Name) {
  if (TGWidget* W = Page(Name)) {
    W->Hide(CHideWait);
  }
}

void TPDAMenuWindow::ShowPage(const std::string& Name) {
  if (TGWidget* W = Page(Name)) {
    W->Show(CShowWait);
  }
}

void TPDAMenuWindow::SwitchPage(const std::string& From, const std::string& To) {
  FInWaitingEffect = true;
  struct TGuardEnd {
    bool& Flag;
    ~TGuardEnd() { Flag = false; }
  } GuardEnd{FInWaitingEffect};
  if (!From.empty()) {
    HidePage(From);
  }
  ShowPage(To);
}

void TPDAMenuWindow::Back() {
  if (FInWaitingEffect) {
    return;
  }
  if (PageVisible("Confirmation")) {
    FConfirmationMode = 2;
    FCloseConfirmed = false;
    if (CloseConfirmationMode) {
      FDoHide = true;
    }
    return;
  }
  for (const char* Name : {"Help", "Options", "Log", "CharacterBios\\List"}) {
    if (PageVisible(Name)) {
      SwitchPage(Name, "Menu");
      return;
    }
  }
  if (PageVisible("CharacterBios\\Char")) {
    SwitchPage("CharacterBios\\Char", "CharacterBios\\List");
    return;
  }
  FDoHide = true;
}

// --- Handlers ------------------------------------------------------------------------------------

void TPDAMenuWindow::OnButtonSound() {
  PlaySfx(CButtonSfxURL);
}

void TPDAMenuWindow::OnBackClick(TGObject*) {
  OnButtonSound();
  Back();
}

void TPDAMenuWindow::OnNextClick(TGObject*) {
  OnButtonSound();
  Next();
}

void TPDAMenuWindow::OnMuseumClick(TGObject*) {
  OnButtonSound();
  FWaitAndGoToMuseum = true;
  FDoHide = true;
}

void TPDAMenuWindow::OnCustomizeClick(TGObject*) {
  OnButtonSound();
  ReadSettings();
  SwitchPage("Menu", "Options");
}

void TPDAMenuWindow::OnHelpOpenClick(TGObject*) {
  OnButtonSound();
  FScrollPosition = 0;
  ScrollHelp(0);
  SwitchPage("Menu", "Help");
}

void TPDAMenuWindow::OnCharacterBiosClick(TGObject*) {
  OnButtonSound();
  const bool Avail[] = {CurrentPlayer && CurrentPlayer->RorvikAvail,
                        CurrentPlayer && CurrentPlayer->TovanAvail,
                        CurrentPlayer && CurrentPlayer->OskelinAvail};
  for (size_t I = 0; I < std::size(CBioButtons); ++I) {
    SetEnabledIf(FindWidget(CBioButtons[I]), Avail[I]);
  }
  SwitchPage("Menu", "CharacterBios\\List");
}

void TPDAMenuWindow::OnBioListClick(TGObject* Sender) {
  OnButtonSound();
  if (auto* W = TryObjectCast<TGWidget>(Sender)) {
    OpenBiography(W->Name());
  }
}

void TPDAMenuWindow::OnMainMenuClick(TGObject*) {
  OnButtonSound();
  FDoHide = true;
  FWaitAndGoToMainMenu = true;
}

void TPDAMenuWindow::OnLogClick(TGObject*) {
  OnButtonSound();
  FSpeechLogPosition = CurrentPlayer ? CurrentPlayer->SpeechLog()->Count() - 1 : -1;
  SwitchPage("Menu", "Log");
  ShowSpeechLogItem();
}

void TPDAMenuWindow::OnLogPrevClick(TGObject*) {
  OnButtonSound();
  if (FSpeechLogPosition - 1 >= 0) {
    --FSpeechLogPosition;
  }
  ShowSpeechLogItem();
}

void TPDAMenuWindow::OnLogNextClick(TGObject*) {
  OnButtonSound();
  const int32_t Count = CurrentPlayer ? CurrentPlayer->SpeechLog()->Count() : 0;
  if (FSpeechLogPosition + 1 < Count) {
    ++FSpeechLogPosition;
  }
  ShowSpeechLogItem();
}

void TPDAMenuWindow::OnHelpUpClick(TGObject*) {
  OnButtonSound();
  ScrollHelp(-CHelpStep);
}

void TPDAMenuWindow::OnHelpDownClick(TGObject*) {
  OnButtonSound();
  ScrollHelp(CHelpStep);
}

void TPDAMenuWindow::OnBioUpClick(TGObject*) {
  OnButtonSound();
  FScrollPosition = std::max(FScrollPosition - 1, 0);
}

void TPDAMenuWindow::OnBioDownClick(TGObject*) {
  OnButtonSound();
  // A text shorter than its box has nothing below it: the bound never goes under the top.
  const int32_t Bound = std::max(BioLineCount() - BioLinesInBox() + 1, 0);
  FScrollPosition = std::min(FScrollPosition + 1, Bound);
}

void TPDAMenuWindow::OnMusicStepClick(TGObject* Sender) {
  OnButtonSound();
  StepVolume(Sender, "Options\\Music", true);
}

void TPDAMenuWindow::OnSoundStepClick(TGObject* Sender) {
  OnButtonSound();
  StepVolume(Sender, "Options\\Sound", false);
}

void TPDAMenuWindow::StepVolume(TGObject* Sender, const char* Group, bool Music) {
  const std::string Path(Group);
  auto* Bar = TryObjectCast<TGProgressBar>(FindWidget(Path + "\\ProgressBar"));
  if (!Bar) {
    return;
  }
  const double Step = Sender == FindWidget(Path + "\\Left") ? -CVolumeStep : CVolumeStep;
  const auto V =
      static_cast<int32_t>(std::clamp(std::nearbyint(Bar->Position() + Step), 0.0, 100.0));
  if (CurrentPlayer) {
    Music ? CurrentPlayer->SetMusicVolume(V) : CurrentPlayer->SetSoundVolume(V);
  }
  Bar->SetPosition(static_cast<float>(V));
}

bool TPDAMenuWindow::VolumeAtMouse(TGProgressBar* Bar, bool Music) {
  if (!Bar || !Bar->ScreenRectContains(MousePos()) || !(Bar->Width() > 0)) {
    return false;
  }
  const TGRectFloat R = Bar->ScreenRect();
  const double X = MousePos().X;
  const auto V = static_cast<int32_t>(
      std::clamp(std::nearbyint((X - R.Left) * 100 / Bar->Width()), 0.0, 100.0));
  if (CurrentPlayer) {
    Music ? CurrentPlayer->SetMusicVolume(V) : CurrentPlayer->SetSoundVolume(V);
  }
  Bar->SetPosition(static_cast<float>(V));
  return true;
}

void TPDAMenuWindow::OnMusicBarMouseDown(int) {
  FMusicBarActive =
      VolumeAtMouse(TryObjectCast<TGProgressBar>(FindWidget("Options\\Music\\ProgressBar")), true);
}

void TPDAMenuWindow::OnSoundBarMouseDown(int) {
  FSoundBarActive =
      VolumeAtMouse(TryObjectCast<TGProgressBar>(FindWidget("Options\\Sound\\ProgressBar")), false);
}

void TPDAMenuWindow::OnMusicBarMouseUp(int) {
  FMusicBarActive = false;
  FSoundBarActive = false;
}

void TPDAMenuWindow::OnSoundBarMouseUp(int) {
  FMusicBarActive = false;
  FSoundBarActive = false;
  // The new volume, heard.
  PlaySfx(CSoundCheckSfxURL);
}

void TPDAMenuWindow::OnFullScreenClick(TGObject* Sender) {
  OnButtonSound();
  if (auto* Box = TryObjectCast<TGCheckBox>(Sender); Box && CurrentPlayer) {
    CurrentPlayer->SetFullScreen(Box->Checked());
  }
}

void TPDAMenuWindow::OnWideScreenClick(TGObject* Sender) {
  OnButtonSound();
  if (auto* Box = TryObjectCast<TGCheckBox>(Sender); Box && CurrentPlayer) {
    CurrentPlayer->SetWideScreen(Box->Checked());
  }
}

void TPDAMenuWindow::OnColorClick(TGObject* Sender) {
  OnButtonSound();
  if (!CurrentPlayer) {
    return;
  }
  const int32_t Delta = Sender == FindWidget("Options\\ChangeColor\\Left") ? -1 : 1;
  CurrentPlayer->PDAColor = Wrapped(CurrentPlayer->PDAColor, Delta, CColors);
  UpdateSkin();
}

void TPDAMenuWindow::OnSkinClick(TGObject* Sender) {
  OnButtonSound();
  if (!CurrentPlayer) {
    return;
  }
  const int32_t Delta = Sender == FindWidget("Options\\ChangeSkin\\Left") ? -1 : 1;
  CurrentPlayer->PDASkin = Wrapped(CurrentPlayer->PDASkin, Delta, CSkins);
  UpdateSkin();
}

void TPDAMenuWindow::OnYesClick(TGObject*) {
  OnButtonSound();
  FConfirmationMode = 2;
  FCloseConfirmed = true;
  if (CloseConfirmationMode) {
    FWaitAndGoToMainMenu = true;
    FDoHide = true;
  }
}

// --- Biographies ---------------------------------------------------------------------------------

void TPDAMenuWindow::OpenBiography(const std::string& ButtonName) {
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Cfg = Library ? TryObjectCast<TGConfig>(Library->GetResourceEx(CBiosURL, false)) : nullptr;
  if (!Cfg || !Cfg->XML()) {
    ODS("%s: the biographies \"%s\" cannot be found", CUnit, CBiosURL);
    return;
  }
  const TGXMLNode* Found = nullptr;
  for (const TGXMLNode* Node : *Cfg->XML()->GetChilds("Character")) {
    if (Node->GetStrAttrDef("Btn", "") == ButtonName) {
      Found = Node;
      break;
    }
  }
  if (!Found) {
    ODS("%s: %s has no character for the button \"%s\"", CUnit, CBiosURL, ButtonName);
    return;
  }
  auto* Font =
      TryObjectCast<TGFont>(Library->GetResourceEx(Found->GetStrAttrDef("Font", ""), false));
  FBioText->SetFont(Font ? Font : (App ? App->Font() : nullptr));
  FBioText->SetData(Trimmed(Found->Text()));
  if (const TGWidget* Box = FindWidget("CharacterBios\\Char\\Bio")) {
    FBioText->SetExtent(TGVector{Box->Width(), Box->Height(), 0});
  }
  SetLabel(FindWidget("CharacterBios\\Char\\Label"), Found->GetStrAttrDef("Name", ""));
  if (auto* Char = TryObjectCast<TGPicture>(FindWidget("CharacterBios\\Char"))) {
    if (TGGraphic* G = GraphicOf(Found->GetStrAttrDef("Avatar", ""))) {
      Char->SetGfx(G);
    }
  }
  FScrollPosition = 0;
  SwitchPage("CharacterBios\\List", "CharacterBios\\Char");
}

int32_t TPDAMenuWindow::BioLineCount() {
  return FBioText->Font() ? static_cast<int32_t>(FBioText->GetFormattedText().size()) : 0;
}

int32_t TPDAMenuWindow::BioLinesInBox() const {
  const TGWidget* Box = FindWidget("CharacterBios\\Char\\Bio");
  const TGFont* F = FBioText->Font();
  if (!Box || !F || !(F->Height() > 0)) {
    return 0;
  }
  return static_cast<int32_t>(std::nearbyint(Box->Height() / F->Height()));
}

void TPDAMenuWindow::OnBioAfterDraw(TGObject* Sender) {
  auto* Box = TryObjectCast<TGWidget>(Sender);
  TGFont* F = FBioText->Font();
  if (!Box || !F || FBioText->Data().empty()) {
    return;
  }
  const float LineHeight = F->Height();
  const float Shift = static_cast<float>(FScrollPosition) * LineHeight;
  const TGFormattedText& Lines = FBioText->GetFormattedText();
  TGSprite::BeginBatch();
  struct TEnd {
    ~TEnd() { TGSprite::EndBatch(); }
  } End;
  for (const TGLineOfWords& Line : Lines) {
    if (Line.empty()) {
      continue;
    }
    const float Top = std::trunc(Line.front().Y) - Shift;
    if (Top < 0 || Top + LineHeight > Box->Height()) {
      continue;
    }
    for (const TGWord& W : Line) {
      F->DrawString(W.Chars, FBioText->Color(), std::trunc(W.X), std::trunc(W.Y) - Shift, 0, 0);
    }
  }
}

// --- Help and the log ----------------------------------------------------------------------------

void TPDAMenuWindow::ScrollHelp(int32_t Delta) {
  TGWidget* Area = FindWidget("Help\\ScrollArea\\Area");
  const TGWidget* View = FindWidget("Help\\ScrollArea");
  if (!Area || !View) {
    return;
  }
  if (Delta > 0) {
    // A text shorter than its view has nothing below it: the bound never goes under the top.
    const auto Bound =
        std::max(static_cast<int32_t>(std::nearbyint(Area->Height() - View->Height())), 0);
    FScrollPosition = std::min(FScrollPosition + Delta, Bound);
  } else {
    FScrollPosition = std::max(FScrollPosition + Delta, 0);
  }
  Area->SetTop(static_cast<float>(-FScrollPosition));
}

void TPDAMenuWindow::ShowSpeechLogItem() {
  TSpeechLog* Log = CurrentPlayer ? CurrentPlayer->SpeechLog() : nullptr;
  const int32_t Count = Log ? Log->Count() : 0;
  auto* Pic = TryObjectCast<TGPicture>(FindWidget("Log\\Pic"));
  const bool Any = Count > 0 && FSpeechLogPosition >= 0 && FSpeechLogPosition < Count;
  SetEnabledIf(FindWidget("Log\\BtnPrev"), Any);
  SetEnabledIf(FindWidget("Log\\BtnNext"), Any);
  if (!Any) {
    SetLabel(FindWidget("Log\\Text"), "");
    SetLabel(FindWidget("Log\\Info"), "No messages");
    if (Pic) {
      Pic->SetGfx(nullptr);
    }
    return;
  }
  const TSpeechLogItem* Item = Log->GetItem(FSpeechLogPosition);
  SetLabel(FindWidget("Log\\Text"), Item->Text);
  SetLabel(FindWidget("Log\\Info"), "$Message $" + std::to_string(FSpeechLogPosition + 1) +
                                        "$ of $" + std::to_string(Count));
  if (Pic) {
    Pic->SetGfx(Item->ThumbnailURL.empty()
                    ? nullptr
                    : GraphicOf(CLocShotsFolder + ChangeFileExt(Item->ThumbnailURL, ".png")));
  }
}

// --- Looks ---------------------------------------------------------------------------------------

void TPDAMenuWindow::UpdateSkin() {
  const int32_t Skin = CurrentPlayer ? std::max(CurrentPlayer->PDASkin, 1) : 1;
  const int32_t Color = CurrentPlayer ? std::clamp(CurrentPlayer->PDAColor, 1, CColors) : 1;
  if (auto* Screen = TryObjectCast<TGPicture>(FindWidget("Screen"))) {
    if (TGGraphic* G = GraphicOf(std::string(CSkinsFolder) + "Screen" + IdxToStr(Skin) + ".jp2")) {
      Screen->SetGfx(G);
    }
  }
  if (TGGraphic* G = GraphicOf(std::string(CSkinsFolder) + "Back" + IdxToStr(Color) + ".ani")) {
    SetGfx(G);
  }
  const std::string Texture = CColorTextures[Color - 1];
  for (TGWidgetEffectKind Kind : {weShow, weHide}) {
    TextureDevice(GetEffect(Kind), Texture);
  }
  if (CurEffect()) {
    TextureDevice(dynamic_cast<TGAnimation*>(CurEffect()->Instance()), Texture);
  }
}

// --- Frames --------------------------------------------------------------------------------------

void TPDAMenuWindow::UpdateTree(float DeltaTime) {
  if (!FHiding) {
    FFadeValue = std::min(FFadeValue + CFadeInRate * DeltaTime, CFadeMax);
  } else {
    const float Rate = FWaitAndGoToMainMenu ? CFadeOutToMenuRate : CFadeOutRate;
    FFadeValue = std::max(FFadeValue - Rate * DeltaTime, 0.0f);
  }
  inherited::UpdateTree(DeltaTime);
}

void TPDAMenuWindow::DrawTree() {
  if (FFadeValue > 0 && GD) {
    TGDeviceStateGuard State(TGDeviceStateMask{bMatrix});
    GD->SetMatrixByType(mWorld, MatIdentity);
    const auto W = static_cast<float>(GD->Width());
    const auto H = static_cast<float>(GD->Height());
    const auto Alpha = static_cast<uint32_t>(std::nearbyint(FFadeValue));
    GD->DrawRect(TGColor((Alpha << 24) | 0x505050u), 0, 0, W, H);
    if (FWaitAndGoToMainMenu) {
      const float Black = 275 - std::nearbyint(FFadeValue * 275 / CFadeMax);
      const auto B = static_cast<uint32_t>(std::clamp(Black, 0.0f, 255.0f));
      GD->DrawRect(TGColor(B << 24), 0, 0, W, H);
    }
  }
  inherited::DrawTree();
}

void TPDAMenuWindow::KeyDown(uint16_t Key) {
  if (Key == VK_ESCAPE) {
    Back();
    return;
  }
  inherited::KeyDown(Key);
}

void TPDAMenuWindow::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  if (FInWaitingEffect) {
    return;
  }
  if (FDoHide) {
    StartHiding();
    return;
  }
  if (FHiding) {
    return;
  }
  UpdateBriefing(DeltaTime);
  if (PageVisible("Options")) {
    UpdateOptions();
  }
  UpdateMovie();
  if (UpdateQuitRequest()) {
    return;
  }
  auto* Last = TryObjectCast<TGPicture>(FindWidget(CDialogues[4]));
  if (Last && Last->Visible()) {
    TGAnimation* A = AnimationOf(Last);
    if (A && A->IsFinished()) {
      FDoHide = true;
    }
  }
}

void TPDAMenuWindow::StartHiding() {
  FHiding = true;
  FDoHide = false;
  {
    FInWaitingEffect = true;
    struct TGuardEnd {
      bool& Flag;
      ~TGuardEnd() { Flag = false; }
    } GuardEnd{FInWaitingEffect};
    Hide(CHideWait);
  }
  if (FWaitAndGoToMainMenu) {
    if (CurrentPlayer) {
      CurrentPlayer->ExitGame();
    }
  } else if (FWaitAndGoToMuseum) {
    TMuseumScreen::CameFromGame = true;
    TMuseumScreen::ShowMuseum();
  }
}

void TPDAMenuWindow::UpdateBriefing(float DeltaTime) {
  if (!FSendingPicture) {
    return;
  }
  FSendingPictureTime += DeltaTime;
  if (FSendingPictureTime >= CSendingPictureSeconds) {
    FSendingPicture = false;
    SetLabel(FindWidget("Briefing\\Label"), FAfterSendPicText);
    SetVisibleIf(FindWidget("Briefing\\Avatar"), true);
  }
}

void TPDAMenuWindow::UpdateOptions() {
  if (FMusicBarActive) {
    VolumeAtMouse(TryObjectCast<TGProgressBar>(FindWidget("Options\\Music\\ProgressBar")), true);
  }
  if (FSoundBarActive) {
    VolumeAtMouse(TryObjectCast<TGProgressBar>(FindWidget("Options\\Sound\\ProgressBar")), false);
  }
  // A mode switched elsewhere (Alt+Enter) shows here.
  const bool Full = DeviceFullScreen();
  if (auto* Box = TryObjectCast<TGCheckBox>(FindWidget("Options\\FullScreen\\CheckBox"))) {
    Box->SetChecked(Full);
  }
  if (CurrentPlayer) {
    CurrentPlayer->SetFullScreen(Full);
  }
}

TGAnimation* TPDAMenuWindow::CurrentMovieAnimation() const {
  return FPlayList.empty() ? nullptr : AnimationOf(FPlayList.back());
}

void TPDAMenuWindow::UpdateMovie() {
  if (FPlayList.empty()) {
    return;
  }
  TGAnimation* A = CurrentMovieAnimation();
  const int32_t End = FNextOnly ? CMovieEnd : (A ? A->TotalTime() : 0);
  // A picture without an animation has nothing to play: it counts as ended.
  if (!A || A->ElapsedTime() >= End) {
    if (FPlayList.size() == 1) {
      FDoHide = true;
      return;
    }
    FPlayList.back()->SetVisible(false);
    FPlayList.pop_back();
    FPlayList.back()->SetVisible(true);
    FNextStopTime = 0;
    A = CurrentMovieAnimation();
  }
  const TGMovie* Key = KeyChannelOf(A);
  if (!Key) {
    return;
  }
  if (FNextStopTime == 0) {
    FNextStopTime = KeyAfter(Key, A->ElapsedTime());
  }
  if (A->ElapsedTime() >= FNextStopTime) {
    A->SetElapsedTime(FNextStopTime);
    FNextStopTime = KeyAfter(Key, FNextStopTime);
    if (!FSkipNextStop) {
      A->SetSpeed(0);
    }
    FSkipNextStop = false;
  }
}

void TPDAMenuWindow::Next() {
  if (FHiding || FPlayList.empty()) {
    return;
  }
  TGAnimation* A = CurrentMovieAnimation();
  if (!A) {
    return;
  }
  if (A->Speed() == 0) {
    A->SetSpeed(1);
    return;
  }
  const TGMovie* Key = KeyChannelOf(A);
  const int32_t Following = Key ? KeyAfter(Key, A->ElapsedTime()) : CNoStop;
  if (Key && Following != CNoStop) {
    A->SetElapsedTime(Following);
    FSkipNextStop = true;
  } else {
    A->SetElapsedTime(CMovieEnd);
  }
}

bool TPDAMenuWindow::DialogueVisible() const {
  for (const char* Path : CDialogues) {
    const TGWidget* W = FindWidget(Path);
    if (W && W->Visible()) {
      return true;
    }
  }
  return false;
}

bool TPDAMenuWindow::UpdateQuitRequest() {
  const bool Asked =
      (FDelayedConfirmation && State() == wsDefault) ||
      (AppIsClosing && AppCanUnclose && !CloseConfirmationMode && !FDelayedConfirmation);
  if (!Asked || DialogueVisible()) {
    return false;
  }
  if (State() != wsDefault) {
    FDelayedConfirmation = true;
    return true;
  }
  if (FConfirmationMode == 0) {
    FConfirmationMode = 1;
    FCurrentActivePage.clear();
    for (const std::string& Name : PageNames()) {
      if (PageVisible(Name)) {
        FCurrentActivePage = Name;
        SetVisibleIf(Page(Name), false);
        break;
      }
    }
    SetVisibleIf(Page("Confirmation"), true);
  } else if (FConfirmationMode == 2) {
    AppIsClosing = FCloseConfirmed;
    AppCanUnclose = !FCloseConfirmed;
    FConfirmationMode = 0;
    if (FCloseConfirmed) {
      FWaitAndGoToMainMenu = true;
      FDoHide = true;
    } else {
      SetVisibleIf(Page("Confirmation"), false);
      if (!FCurrentActivePage.empty()) {
        SetVisibleIf(Page(FCurrentActivePage), true);
      }
    }
  }
  FDelayedConfirmation = false;
  return false;
}
