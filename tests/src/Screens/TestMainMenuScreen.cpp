// The main menu over the demo's window file, in the test process: profiles in a scratch data
// folder, the working folder a scratch folder of its own (configuration flags, the link file),
// frames of 20 ms and the mouse of a host of the test's own. The game and the screens the menu
// opens are recorded instead of run.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/UMainMenuScreen.h"
#include "Screens/UPlayerNames.h"
#include "TempDir.h"
#include "TestWindowHost.h"
#include "animation/UGAnimation.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDateTime.h"
#include "flow/UPlayScreen.h"
#include "io/UGStream.h"
#include "platform/UAudioMixer.h"
#include "player/UGameData.h"
#include "player/UPlayer.h"
#include "resources/UGLangDictionary.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGEditBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGProgressBar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The menu with its game and screens recorded.
class TRecordingMenu : public TMainMenuScreen {
  G_CLASS(TRecordingMenu, TMainMenuScreen)
  explicit TRecordingMenu(TGObject* AOwner = nullptr)
      : TMainMenuScreen(AOwner) {}
  std::vector<std::string> Calls;
  // The title music's URL when the game ran ("" for none).
  std::string MusicDuringGame = "-";

protected:
  void RunGame() override {
    Calls.push_back("Game");
    MusicDuringGame = AD && AD->CurrentMusic() ? AD->CurrentMusic()->URL() : "";
  }
  void OpenScreen(TAfterFadeAction Action) override {
    Calls.push_back("Screen " + std::to_string(static_cast<int>(Action)));
  }
};
G_IMPLEMENT_CLASS(TRecordingMenu)

// Replaces one translation of the current language while it lives.
class TTranslation {
public:
  TTranslation(const std::string& Key, const std::string& Text)
      : FKey(Key)
      , FWas(LangDictionary().GetString("$" + Key + "$")) {
    Set(Text);
  }
  ~TTranslation() { Set(FWas); }

private:
  void Set(const std::string& Text) {
    TGMemoryStream Csv{"Caption;ENG\n" + FKey + ";" + Text + "\n"};
    LangDictionary().Load(Csv);
  }
  std::string FKey;
  std::string FWas;
};

class MainMenuTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    Was = fs::current_path();
    fs::current_path(Work.Path());
    fs::create_directories("configs");
    std::ofstream("configs/NoSplash.cnf");
    SetDateTimeSource([this] { return Now += 1.0 / 24; });
    World.Start(HOE_CONTENT, false);
    SetPlayScreen(nullptr); // the menu runs with no play screen
    AfterFadeAction = afaNone;
    AppIsClosing = false;
    AppCanUnclose = true;
  }
  void TearDown() override {
    Menu.reset();
    Data.reset();
    World.Stop();
    SetDateTimeSource(nullptr);
    AfterFadeAction = afaNone;
    AppIsClosing = false;
    AppCanUnclose = true;
    fs::current_path(Was);
    THeadlessSceneTest::TearDown();
  }

  // Profiles of these names on the disk, read back as a start-up reads them (none: the start
  // makes the blank default profile "Zarnika").
  void Start(const std::vector<std::string>& Names) {
    Data.reset(new TGameData(nullptr, Folder.Str()));
    for (const std::string& Name : Names) {
      TGObjectPtr<TPlayer>(TPlayer::CreateBlank(nullptr, Name, Data->GetProfilesFolder()));
    }
    Data->Initialize();
    Data->SelectPlayer(0);
  }
  // The menu after its first frame.
  void Open() {
    Menu.reset(New<TRecordingMenu>());
    Host.Top = Menu.get();
    Play(20);
  }
  void Play(int Milliseconds) {
    for (int T = 0; T < Milliseconds; T += 20) {
      Menu->UpdateTree(0.02f);
    }
  }
  TGWidget* W(const std::string& Path) {
    TGWidget* Widget = Menu->FindWidget(Path);
    EXPECT_TRUE(Widget) << Path;
    return Widget;
  }
  template <class T>
  T* As(const std::string& Path) {
    return ObjectCast<T>(W(Path));
  }
  void MoveTo(const TGWidget* Widget) {
    const TGRectFloat R = Widget->ScreenRect();
    Host.Mouse = {static_cast<int>(std::floor((R.Left + R.Right) / 2)),
                  static_cast<int>(std::floor((R.Top + R.Bottom) / 2))};
    Menu->MouseMove();
    Play(20);
  }
  // A click in the middle of the widget, then the panels' effects.
  void Click(const std::string& Path) {
    TGWidget* Widget = W(Path);
    ASSERT_TRUE(Widget);
    MoveTo(Widget);
    Menu->MouseDown(mbLeft);
    Menu->MouseUp(mbLeft);
    Play(400);
  }
  void Key(uint16_t Code) {
    Menu->KeyDown(Code);
    Play(400);
  }
  void Type(const std::u32string& Text) {
    for (char32_t C : Text) {
      Menu->KeyPress(C);
    }
    Play(20);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> Out;
    for (int I = 0; I < Data->Players()->GetCount(); ++I) {
      Out.push_back(Data->Players()->Items(I)->Name());
    }
    return Out;
  }
  // The profile as its file now holds it.
  TGObjectPtr<TPlayer> OnDisk(const TPlayer* P) {
    return TGObjectPtr<TPlayer>(TPlayer::CreateFromProfile(nullptr, P->ProfileFileName()));
  }
  bool Shown(const std::string& Path) { return W(Path)->Visible(); }
  TMainMenuStates State() const { return Menu->MenuState(); }

  fs::path Was;
  TTempDir Work{"hoe-menu-work"};
  TTempDir Folder{"hoe-menu-data"};
  TGDateTime Now = EncodeDateTime(2026, 12, 10, 9, 0, 0);
  TLocationWorld World;
  TGObjectPtr<TGameData> Data;
  TTestWindowHost Host;
  TGObjectPtr<TRecordingMenu> Menu;
};

// --- Profiles ----------------------------------------------------------------------------------

TEST_F(MainMenuTest, DeletingTheOnlyProfileLeavesAHiddenBlankDefaultThatANewProfileReplaces) {
  Start({"Ada"});
  Open();
  Click("Menu\\Welcome\\BtnChange");
  EXPECT_EQ(State(), MenuStates({mmsProfiles}));
  Click("Menu\\Profiles\\Select\\BtnDelete");
  EXPECT_EQ(State(), MenuStates({mmsProfiles, mmsPlayerDeletion}));
  Click("Menu\\Profiles\\Confirm\\BtnYes");
  EXPECT_EQ(State(), MenuStates({mmsProfiles}));
  ASSERT_EQ(Names(), std::vector<std::string>{"Zarnika"});
  EXPECT_TRUE(CurrentPlayer->DefaultProfile());
  EXPECT_FALSE(Menu->ShowDefaultProfile());
  for (int N = 1; N <= 4; ++N) {
    EXPECT_FALSE(Shown("Menu\\Profiles\\Select\\Name" + std::to_string(N))) << N;
  }
  EXPECT_TRUE(W("Menu\\Profiles\\Select\\BtnNew")->Enabled());
  EXPECT_FALSE(W("Menu\\Profiles\\Select\\BtnDelete")->Enabled());
  EXPECT_EQ(As<TGLabel>("Menu\\Welcome\\Name")->Data(), "Welcome, Zarnika!");

  // The hidden profile's own name is free for the new one, which takes its place.
  const std::string HiddenFile = CurrentPlayer->ProfileFileName();
  Click("Menu\\Profiles\\Select\\BtnNew");
  EXPECT_TRUE(Menu->MenuState().Contains(mmsPlayerNameEnter));
  Type(U"Zarnika");
  EXPECT_EQ(As<TGEditBox>("Menu\\Profiles\\New\\EditBox")->Data(), "Zarnika");
  EXPECT_TRUE(W("Menu\\Profiles\\New\\BtnOk")->Enabled());
  Click("Menu\\Profiles\\New\\BtnOk");
  EXPECT_EQ(State(), MenuStates({mmsProfiles}));
  ASSERT_EQ(Names(), std::vector<std::string>{"Zarnika"});
  EXPECT_FALSE(CurrentPlayer->DefaultProfile());
  EXPECT_NE(CurrentPlayer->ProfileFileName(), HiddenFile);
  EXPECT_FALSE(fs::exists(HiddenFile));
  EXPECT_TRUE(Shown("Menu\\Profiles\\Select\\Name1"));
  EXPECT_EQ(As<TGButton>("Menu\\Profiles\\Select\\Name1")->Caption(), "Zarnika");
  EXPECT_EQ(W("Menu\\Profiles\\Select\\Name1")->Graphics()->Count(), 1);
}

TEST_F(MainMenuTest, FourListedProfilesDisableNewAndTheCurrentOneIsMarked) {
  Start({"Ada", "Bo", "Cy", "Di"});
  Data->SelectPlayer(2);
  Open();
  Click("Menu\\Welcome\\BtnChange");
  for (int N = 1; N <= 4; ++N) {
    const std::string Slot = "Menu\\Profiles\\Select\\Name" + std::to_string(N);
    EXPECT_TRUE(Shown(Slot));
    EXPECT_EQ(As<TGButton>(Slot)->Caption(), Names()[static_cast<size_t>(N - 1)]);
    EXPECT_EQ(W(Slot)->Graphics()->Count(), N == 3 ? 1 : 0) << N;
  }
  EXPECT_FALSE(W("Menu\\Profiles\\Select\\BtnNew")->Enabled());
  EXPECT_TRUE(W("Menu\\Profiles\\Select\\BtnDelete")->Enabled());

  // A click selects the slot's profile; a double click also closes the list.
  Click("Menu\\Profiles\\Select\\Name4");
  EXPECT_EQ(CurrentPlayer->Name(), "Di");
  EXPECT_EQ(W("Menu\\Profiles\\Select\\Name4")->Graphics()->Count(), 1);
  EXPECT_EQ(W("Menu\\Profiles\\Select\\Name3")->Graphics()->Count(), 0);
  EXPECT_EQ(As<TGLabel>("Menu\\Welcome\\Name")->Data(), "Welcome, Di!");
  MoveTo(W("Menu\\Profiles\\Select\\Name1"));
  Menu->DblClick();
  Play(400);
  EXPECT_EQ(CurrentPlayer->Name(), "Ada");
  EXPECT_EQ(State(), MenuStates({mmsMainMenu}));
}

TEST_F(MainMenuTest, ASlotSelectsTheProfileItShowsWhenTheHiddenDefaultIsSkipped) {
  Start({"Zarnika", "Spare", "Ada"});
  Data->Players()->Items(0)->SetDefaultProfile(true);
  Data->Players()->Items(1)->SetDefaultProfile(true);
  Open();
  // Deleting the current default profile hides the other default one.
  Click("Menu\\Welcome\\BtnChange");
  Click("Menu\\Profiles\\Select\\BtnDelete");
  Click("Menu\\Profiles\\Confirm\\BtnYes");
  ASSERT_EQ(Names(), (std::vector<std::string>{"Spare", "Ada"}));
  EXPECT_EQ(As<TGButton>("Menu\\Profiles\\Select\\Name1")->Caption(), "Ada");
  EXPECT_FALSE(Shown("Menu\\Profiles\\Select\\Name2"));
  Click("Menu\\Profiles\\Select\\Name1");
  EXPECT_EQ(CurrentPlayer->Name(), "Ada");
}

TEST_F(MainMenuTest, ANamesakeInAnotherLetterCaseIsRefused) {
  Start({"Ärger"});
  Open();
  Click("Menu\\Welcome\\BtnChange");
  Click("Menu\\Profiles\\Select\\BtnNew");
  Type(U"ärger");
  EXPECT_FALSE(W("Menu\\Profiles\\New\\BtnOk")->Enabled());
  EXPECT_FALSE(Menu->CheckPlayerName("ÄRGER"));
  Key(VK_RETURN); // refused like the button
  EXPECT_TRUE(Menu->MenuState().Contains(mmsPlayerNameEnter));
  Type(U"n");
  EXPECT_TRUE(W("Menu\\Profiles\\New\\BtnOk")->Enabled());
  Key(VK_RETURN);
  EXPECT_EQ(Names(), (std::vector<std::string>{"Ärger", "ärgern"}));
  EXPECT_EQ(CurrentPlayer->Name(), "ärgern");
}

TEST_F(MainMenuTest, ANameOfNothingAllowedCreatesNoProfileAndCancelNeither) {
  Start({"Ada"});
  Open();
  Click("Menu\\Welcome\\BtnChange");
  Click("Menu\\Profiles\\Select\\BtnNew");
  Type(U"!?");
  EXPECT_EQ(As<TGEditBox>("Menu\\Profiles\\New\\EditBox")->Data(), "");
  Click("Menu\\Profiles\\New\\BtnOk");
  EXPECT_EQ(State(), MenuStates({mmsProfiles}));
  EXPECT_TRUE(Shown("Menu\\Profiles\\Select"));
  Click("Menu\\Profiles\\Select\\BtnNew");
  Type(U"Bo");
  Key(VK_ESCAPE);
  EXPECT_EQ(State(), MenuStates({mmsProfiles}));
  EXPECT_EQ(Names(), std::vector<std::string>{"Ada"});
  EXPECT_EQ(CurrentPlayer->Name(), "Ada");
}

TEST_F(MainMenuTest, DollarAndHashAreNeverAcceptedEvenWhenTheLanguageAllowsThem) {
  TTranslation Allowed("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890_", "ab$#");
  Start({"Ada"});
  Open();
  Click("Menu\\Welcome\\BtnChange");
  Click("Menu\\Profiles\\Select\\BtnNew");
  Type(U"a$b#c");
  EXPECT_EQ(As<TGEditBox>("Menu\\Profiles\\New\\EditBox")->Data(), "ab");
  EXPECT_EQ(UserCorrectName("$a#b$", "x"), "ab");
  char32_t C = U'$';
  bool Allow = true;
  Menu->ProfilesEditBoxKeyDown(C, Allow);
  EXPECT_FALSE(Allow);
}

// --- Names ---------------------------------------------------------------------------------------

TEST(PlayerNames, CorrectNameKeepsAllowedCharactersInOrderOrGivesTheDefault) {
  EXPECT_EQ(CorrectName("a-b c!d", U"abcd", "X"), "abcd");
  EXPECT_EQ(CorrectName("Élise", U"Éis", "X"), "Éis");
  EXPECT_EQ(CorrectName("!!", U"abc", "$Zarnika$"), "$Zarnika$");
  EXPECT_EQ(CorrectName("a\xFF"
                        "b",
                        U"ab", "X"),
            "ab"); // a broken byte is dropped
}

TEST(PlayerNames, CaseFoldingComparesWholeUnicodeNames) {
  EXPECT_TRUE(SameNameIgnoringCase("Ärger", "äRGER"));
  EXPECT_TRUE(SameNameIgnoringCase("Straße", "STRASSE"));
  EXPECT_FALSE(SameNameIgnoringCase("Ada", "Adam"));
  EXPECT_FALSE(SameNameIgnoringCase("Ärger", "Arger"));
}

// --- Options -------------------------------------------------------------------------------------

TEST_F(MainMenuTest, ArrowsStepTheVolumeByFiveAndStopAtTheEnds) {
  Start({"Ada"});
  Open();
  Click("Menu\\Main\\BtnOptions");
  EXPECT_EQ(State(), MenuStates({mmsOptions}));
  auto* Bar = As<TGProgressBar>("Menu\\Options\\Music\\ProgressBar");
  EXPECT_EQ(Bar->Position(), 80);
  for (int I = 0; I < 5; ++I) {
    Click("Menu\\Options\\Music\\Right");
  }
  EXPECT_EQ(CurrentPlayer->MusicVolume(), 100);
  EXPECT_EQ(Bar->Position(), 100);
  Bar->SetPosition(7.4f); // a position between steps goes to the nearest whole value
  Click("Menu\\Options\\Music\\Left");
  EXPECT_EQ(CurrentPlayer->MusicVolume(), 2);
  Click("Menu\\Options\\Music\\Left");
  EXPECT_EQ(CurrentPlayer->MusicVolume(), 0);
  EXPECT_EQ(Bar->Position(), 0);
  Click("Menu\\Options\\Sound\\Left");
  EXPECT_EQ(CurrentPlayer->SoundVolume(), 75);
  EXPECT_EQ(CurrentPlayer->MusicVolume(), 0);
}

TEST_F(MainMenuTest, TheSliderRunsOnTheMiddleOfTheBarAndDraggingMapsBack) {
  Start({"Ada"});
  Open();
  Click("Menu\\Main\\BtnOptions");
  auto* Bar = As<TGProgressBar>("Menu\\Options\\Music\\ProgressBar");
  auto* Slider = As<TGButton>("Menu\\Options\\Music\\Slider");
  const float BarWidth = Bar->Width();
  TMainMenuScreen::SetSliderPosition(Slider, Bar, 50);
  EXPECT_FLOAT_EQ(Slider->Left() + Slider->Width() / 2, Bar->Left() + BarWidth / 2 + 2);
  TMainMenuScreen::SetSliderPosition(Slider, Bar, 0);
  EXPECT_FLOAT_EQ(Slider->Left() + Slider->Width() / 2, Bar->Left() + 0.15f * BarWidth + 2);
  TMainMenuScreen::SetSliderPosition(Slider, Bar, 100);
  EXPECT_FLOAT_EQ(Slider->Left() + Slider->Width() / 2, Bar->Left() + 0.85f * BarWidth + 2);

  MoveTo(Slider);
  Menu->MouseDown(mbLeft);
  EXPECT_TRUE(Menu->MusicBarActive());
  const TGRectFloat R = Bar->ScreenRect();
  const auto DragTo = [&](double X) {
    Host.Mouse = {static_cast<int>(std::lround(X)), static_cast<int>(R.Top + 5)};
    Menu->MouseMove();
    Play(20);
  };
  for (int V : {30, 0, 65, 100}) {
    DragTo(R.Left + 0.15 * BarWidth + 0.7 * BarWidth * V / 100.0);
    EXPECT_EQ(CurrentPlayer->MusicVolume(), V);
    EXPECT_EQ(Bar->Position(), V);
  }
  DragTo(R.Left + 1); // before the track: the lowest value
  EXPECT_EQ(CurrentPlayer->MusicVolume(), 0);
  DragTo(R.Right + 10); // beyond the bar: nothing changes
  EXPECT_EQ(CurrentPlayer->MusicVolume(), 0);
  Menu->MouseUp(mbLeft);
  EXPECT_FALSE(Menu->MusicBarActive());
  DragTo(R.Left + 0.5 * BarWidth);
  EXPECT_EQ(CurrentPlayer->MusicVolume(), 0);
}

TEST_F(MainMenuTest, EscapeSavesTheOptionsLikeOkAndDoesNothingInTheMainPanel) {
  Start({"Ada"});
  Open();
  Key(VK_ESCAPE);
  EXPECT_EQ(State(), MenuStates({mmsMainMenu}));
  EXPECT_TRUE(Shown("Menu\\Main"));
  EXPECT_FALSE(AppIsClosing);
  Click("Menu\\Main\\BtnOptions");
  Click("Menu\\Options\\Sound\\Right");
  Click("Menu\\Options\\Sound\\Right");
  Menu->KeyDown(VK_ESCAPE);
  // The window ignores input while the panels change, then takes it again.
  EXPECT_FALSE(Menu->Enabled());
  Play(400);
  EXPECT_TRUE(Menu->Enabled());
  EXPECT_EQ(State(), MenuStates({mmsMainMenu}));
  EXPECT_FALSE(Shown("Menu\\Options"));
  EXPECT_TRUE(Shown("Menu\\Main"));
  EXPECT_EQ(OnDisk(CurrentPlayer)->SoundVolume(), 90);
}

TEST_F(MainMenuTest, TheFullScreenBoxFollowsTheDisplay) {
  Start({"Ada"});
  Open();
  Click("Menu\\Main\\BtnOptions");
  auto* Box = As<TGCheckBox>("Menu\\Options\\FullScreen");
  EXPECT_FALSE(Box->Checked());
  MoveTo(Box);
  Menu->MouseDown(mbLeft);
  Menu->MouseUp(mbLeft);
  EXPECT_TRUE(CurrentPlayer->FullScreen());
  // No display switched: the box and the profile come back to the windowed mode.
  Play(20);
  EXPECT_FALSE(Box->Checked());
  EXPECT_FALSE(CurrentPlayer->FullScreen());
  Click("Menu\\Options\\WideScreen");
  EXPECT_TRUE(CurrentPlayer->WideScreen());
}

// --- The treasure hunt's lock ------------------------------------------------------------------

TEST_F(MainMenuTest, TheTreasureHuntIsLockedBelowSixtyWithANoteUnderTheMouse) {
  Start({"Ada"});
  CurrentPlayer->SetTakenZephrinCount(59);
  Open();
  EXPECT_TRUE(Menu->IsUnlimitedModeLock());
  EXPECT_TRUE(Shown("Menu\\Main\\Lock"));
  EXPECT_TRUE(Shown("Menu\\Main\\BtnHiddenObjectsModeGhostBtn"));
  EXPECT_FALSE(W("Menu\\Main\\BtnHiddenObjectsMode")->Enabled());
  EXPECT_FALSE(Shown("AfterCursorPanel"));
  MoveTo(W("Menu\\Main\\BtnHiddenObjectsModeGhostBtn"));
  Play(20);
  ASSERT_TRUE(Shown("AfterCursorPanel"));
  EXPECT_EQ(As<TGLabel>("AfterCursorPanel\\Label")->Data(), "59 of 60 zephrins\r\n$to unlock$");
  const TGWidget* Note = W("AfterCursorPanel");
  EXPECT_EQ(Note->Left(), Host.Mouse.X - Note->Width() / 2);
  EXPECT_EQ(Note->Top(), Host.Mouse.Y + 20);
  Click("Menu\\Main\\BtnHiddenObjectsModeGhostBtn");
  EXPECT_EQ(AfterFadeAction, afaNone);

  CurrentPlayer->SetTakenZephrinCount(60);
  Play(20);
  EXPECT_FALSE(Menu->IsUnlimitedModeLock());
  EXPECT_FALSE(Shown("Menu\\Main\\Lock"));
  EXPECT_FALSE(Shown("AfterCursorPanel"));
  EXPECT_TRUE(W("Menu\\Main\\BtnHiddenObjectsMode")->Enabled());
  Click("Menu\\Main\\BtnHiddenObjectsMode");
  Play(600);
  EXPECT_EQ(Menu->Calls, std::vector<std::string>{"Screen 5"});
}

TEST_F(MainMenuTest, TheLockNoteFallsBackToDigitsAndShowsABadTranslationAsItStands) {
  Start({"Ada"});
  CurrentPlayer->SetTakenZephrinCount(59);
  Open();
  const auto Note = [&] {
    MoveTo(W("Menu\\Main\\BtnHiddenObjectsModeGhostBtn"));
    Play(20);
    return As<TGLabel>("AfterCursorPanel\\Label")->Data();
  };
  {
    TTranslation Words("%d of %d", "zephrins");
    EXPECT_EQ(Note(), "59/60\r\n$to unlock$");
  }
  {
    TTranslation Bad("%d of %d", "%s of %d");
    EXPECT_EQ(Note(), "%s of %d\r\n$to unlock$");
  }
}

// --- Quitting ----------------------------------------------------------------------------------

TEST_F(MainMenuTest, QuittingUnderANamedProfileEndsAtOnceAndNoKeepsTheMenu) {
  Start({"Ada"});
  Open();
  Click("Menu\\Main\\BtnExit");
  EXPECT_TRUE(AppIsClosing);
  EXPECT_EQ(State(), MenuStates({mmsQuitConfirmation}));
  EXPECT_TRUE(Shown("Menu\\Confirmation"));
  EXPECT_FALSE(Shown("Menu\\Main"));
  Click("Menu\\Confirmation\\BtnNo");
  EXPECT_FALSE(AppIsClosing);
  EXPECT_EQ(State(), MenuStates({mmsMainMenu}));
  EXPECT_TRUE(Shown("Menu\\Main"));

  // A close request of the main window while the options are up asks the same.
  Click("Menu\\Main\\BtnOptions");
  AppIsClosing = true;
  Play(400);
  EXPECT_EQ(State(), MenuStates({mmsQuitConfirmation}));
  EXPECT_FALSE(Shown("Menu\\Options"));
  Click("Menu\\Confirmation\\BtnYes");
  EXPECT_FALSE(AppCanUnclose);
  EXPECT_FALSE(Menu->Visible());
}

TEST_F(MainMenuTest, QuittingAfterPlayingTheDefaultProfileAsksItsNameFirst) {
  Start({});
  ASSERT_TRUE(CurrentPlayer->DefaultProfile());
  Open(); // a blank profile's game starts at once
  EXPECT_EQ(Menu->Calls, std::vector<std::string>{"Game"});
  ASSERT_TRUE(CurrentPlayer->ProfilePlayed());
  Click("Menu\\Main\\BtnExit");
  Click("Menu\\Confirmation\\BtnYes");
  EXPECT_TRUE(Menu->Visible());
  EXPECT_EQ(State(), MenuStates({mmsQuitConfirmation, mmsPlayerNameEnter,
                                 mmsDefaultPlayerNameEnterBeforeExit}));
  auto* Box = As<TGEditBox>("Menu\\Profiles\\New\\EditBox");
  EXPECT_EQ(Box->Data(), "Zarnika");
  EXPECT_EQ(Box->CursorCol(), 7);
  EXPECT_FALSE(W("Menu\\Profiles\\New\\BtnCancel")->Enabled());
  EXPECT_TRUE(W("Menu\\Profiles\\New\\BtnOk")->Enabled()); // its own name is no namesake
  Key(VK_ESCAPE);
  Click("Menu\\Profiles\\New\\BtnCancel");
  EXPECT_TRUE(Menu->MenuState().Contains(mmsPlayerNameEnter));
  EXPECT_TRUE(Shown("Menu\\Profiles\\New"));

  Box->SetData("");
  Type(U"Mira");
  Click("Menu\\Profiles\\New\\BtnOk");
  EXPECT_EQ(CurrentPlayer->Name(), "Mira");
  EXPECT_FALSE(CurrentPlayer->DefaultProfile());
  EXPECT_EQ(OnDisk(CurrentPlayer)->Name(), "Mira");
  EXPECT_FALSE(Menu->Visible());
}

TEST_F(MainMenuTest, ADefaultProfileNeverPlayedQuitsWithoutAName) {
  Start({});
  Open();
  CurrentPlayer->SetProfilePlayed(false);
  AppIsClosing = true;
  AppCanUnclose = false;
  Play(400);
  EXPECT_FALSE(Menu->MenuState().Contains(mmsPlayerNameEnter));
  EXPECT_FALSE(Menu->Visible());
}

// --- Start, actions and the window file ----------------------------------------------------------

TEST_F(MainMenuTest, ABlankProfilesGameRunsBeforeTheTitleMusicAndPlayFadesOutToIt) {
  TGObjectPtr<TGAudioDevice> Audio(new TGAudioDevice(nullptr, TMixOutput::Buffer));
  Start({});
  Open();
  EXPECT_EQ(Menu->Calls, std::vector<std::string>{"Game"});
  EXPECT_EQ(Menu->MusicDuringGame, "");
  ASSERT_TRUE(Audio->CurrentMusic());
  EXPECT_EQ(Audio->CurrentMusic()->URL(), TMainMenuScreen::CTitleMusicURL);

  Click("Menu\\Main\\BtnPlay");
  Play(600);
  EXPECT_EQ(Menu->Calls, (std::vector<std::string>{"Game", "Game"}));
  EXPECT_EQ(AfterFadeAction, afaNone);
  EXPECT_EQ(Audio->CurrentMusic()->URL(), TMainMenuScreen::CTitleMusicURL);
  // Back in once the game has closed.
  EXPECT_EQ(Menu->FadeState(), fwsNone);
  EXPECT_EQ(Menu->FadeValue(), 255);

  Click("Menu\\Main\\BtnHelp");
  Play(600);
  Click("Menu\\Main\\BtnScore");
  Play(600);
  Click("Menu\\Main\\BtnOptions");
  Click("Menu\\Options\\BtnCredits");
  Play(600);
  EXPECT_EQ(Menu->Calls,
            (std::vector<std::string>{"Game", "Game", "Screen 2", "Screen 4", "Screen 3"}));
  Menu.reset();
  Audio.reset();
}

TEST_F(MainMenuTest, TheMoreGamesButtonNeedsTheLinkFile) {
  Start({"Ada"});
  Open();
  EXPECT_FALSE(Shown("Menu\\Main\\BtnMore"));
  std::ofstream("MoreLumo.url", std::ios::binary)
      << "\xEF\xBB\xBF[Other]\r\nURL=https://wrong.example/\r\n[InternetShortcut]\r\n"
         "IconIndex=0\r\nurl=https://games.example/more \r\n";
  EXPECT_EQ(TMainMenuScreen::ReadShortcutURL("MoreLumo.url"), "https://games.example/more");
  EXPECT_EQ(TMainMenuScreen::ReadShortcutURL("Missing.url"), "");
  Open();
  EXPECT_TRUE(Shown("Menu\\Main\\BtnMore"));
}

TEST_F(MainMenuTest, AnOperationFromTheWrongStateIsAProgrammingError) {
  Start({"Ada"});
  Open();
  const int Before = TMainMenuScreen::StateErrors();
#ifdef NDEBUG
  Menu->OptionsLeave();
  Menu->PlayerDeletionLeave();
#else
  EXPECT_ANY_THROW(Menu->OptionsLeave());
  EXPECT_ANY_THROW(Menu->PlayerDeletionLeave());
#endif
  EXPECT_EQ(TMainMenuScreen::StateErrors(), Before + 2);
  EXPECT_EQ(State(), MenuStates({mmsMainMenu}));
  EXPECT_TRUE(Shown("Menu\\Main"));
}

TEST_F(MainMenuTest, TheDemoWindowHasEveryWidgetOfTheMenuWithItsClass) {
  auto* Win = TryObjectCast<TGWindow>(World.Library->GetResourceEx("MainMenuScreen.win", false));
  ASSERT_TRUE(Win);
  const std::vector<std::pair<std::string, TGClass>> Expected = {
      {"Menu\\Welcome", TGWidget::StaticClass()},
      {"Menu\\Welcome\\Name", TGLabel::StaticClass()},
      {"Menu\\Welcome\\BtnChange", TGButton::StaticClass()},
      {"Menu\\Main", TGWidget::StaticClass()},
      {"Menu\\Main\\BtnPlay", TGButton::StaticClass()},
      {"Menu\\Main\\BtnScore", TGButton::StaticClass()},
      {"Menu\\Main\\BtnOptions", TGButton::StaticClass()},
      {"Menu\\Main\\BtnHelp", TGButton::StaticClass()},
      {"Menu\\Main\\BtnExit", TGButton::StaticClass()},
      {"Menu\\Main\\BtnMuseum", TGButton::StaticClass()},
      {"Menu\\Main\\BtnMore", TGButton::StaticClass()},
      {"Menu\\Main\\BtnHiddenObjectsMode", TGButton::StaticClass()},
      {"Menu\\Main\\BtnHiddenObjectsModeGhostBtn", TGButton::StaticClass()},
      {"Menu\\Main\\Lock", TGWidget::StaticClass()},
      {"Menu\\Profiles\\Select", TGWidget::StaticClass()},
      {"Menu\\Profiles\\Select\\Name1", TGButton::StaticClass()},
      {"Menu\\Profiles\\Select\\Name2", TGButton::StaticClass()},
      {"Menu\\Profiles\\Select\\Name3", TGButton::StaticClass()},
      {"Menu\\Profiles\\Select\\Name4", TGButton::StaticClass()},
      {"Menu\\Profiles\\Select\\BtnNew", TGButton::StaticClass()},
      {"Menu\\Profiles\\Select\\BtnDelete", TGButton::StaticClass()},
      {"Menu\\Profiles\\Select\\BtnOk", TGButton::StaticClass()},
      {"Menu\\Profiles\\New", TGWidget::StaticClass()},
      {"Menu\\Profiles\\New\\EditBox", TGEditBox::StaticClass()},
      {"Menu\\Profiles\\New\\BtnOk", TGButton::StaticClass()},
      {"Menu\\Profiles\\New\\BtnCancel", TGButton::StaticClass()},
      {"Menu\\Profiles\\Confirm", TGWidget::StaticClass()},
      {"Menu\\Profiles\\Confirm\\BtnYes", TGButton::StaticClass()},
      {"Menu\\Profiles\\Confirm\\BtnNo", TGButton::StaticClass()},
      {"Menu\\Options", TGWidget::StaticClass()},
      {"Menu\\Options\\Music\\ProgressBar", TGProgressBar::StaticClass()},
      {"Menu\\Options\\Sound\\ProgressBar", TGProgressBar::StaticClass()},
      {"Menu\\Options\\Music\\Slider", TGButton::StaticClass()},
      {"Menu\\Options\\Sound\\Slider", TGButton::StaticClass()},
      {"Menu\\Options\\Music\\Left", TGButton::StaticClass()},
      {"Menu\\Options\\Music\\Right", TGButton::StaticClass()},
      {"Menu\\Options\\Sound\\Left", TGButton::StaticClass()},
      {"Menu\\Options\\Sound\\Right", TGButton::StaticClass()},
      {"Menu\\Options\\FullScreen", TGCheckBox::StaticClass()},
      {"Menu\\Options\\WideScreen", TGCheckBox::StaticClass()},
      {"Menu\\Options\\BtnOk", TGButton::StaticClass()},
      {"Menu\\Options\\BtnCredits", TGButton::StaticClass()},
      {"Menu\\Confirmation", TGWidget::StaticClass()},
      {"Menu\\Confirmation\\BtnYes", TGButton::StaticClass()},
      {"Menu\\Confirmation\\BtnNo", TGButton::StaticClass()},
      {"AfterCursorPanel", TGWidget::StaticClass()},
      {"AfterCursorPanel\\Label", TGLabel::StaticClass()},
  };
  for (const auto& [Path, Class] : Expected) {
    const TGWidget* Widget = Win->FindWidget(Path);
    ASSERT_TRUE(Widget) << Path;
    EXPECT_TRUE(Widget->InheritsFrom(Class)) << Path;
  }
  // The pictures, the marker, the title tune and the slider's sound are there.
  EXPECT_TRUE(TryObjectCast<TGAnimation>(
      World.Library->GetResourceEx(TMainMenuScreen::CSelectedURL, false)));
  EXPECT_TRUE(
      TryObjectCast<TGAudio>(World.Library->GetResourceEx(TMainMenuScreen::CTitleMusicURL, false)));
  EXPECT_TRUE(
      TryObjectCast<TGAudio>(World.Library->GetResourceEx(TMainMenuScreen::CSliderSfxURL, false)));
  // The menu loads the loading screen's pictures before the first game.
  EXPECT_FALSE(World.Library->IsLoaded("UI\\LoadingScreen\\Loading.png"));
  Start({"Ada"});
  Open();
  EXPECT_TRUE(World.Library->IsLoaded("UI\\LoadingScreen\\Loading.png"));
  EXPECT_EQ(As<TGEditBox>("Menu\\Profiles\\New\\EditBox")->MaxLength(),
            TMainMenuScreen::CNameLength);
}

} // namespace
