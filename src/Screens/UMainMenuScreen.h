// The main menu: the program's first and bottom window ("MainMenuScreen.win"). Its panels share
// the screen one group at a time: the welcome line and the main buttons, the profile list with
// the name entry and the delete confirmation, the options and the quit confirmation. Which group
// is up is a set of flags, changed only by pairs of enter/leave operations that check the state
// they start from. The menu starts the game behind the loading screen, opens the help, credits,
// high scores and museum, manages the profiles, sets the volumes and display modes, and runs the
// quit dialogue, asking a player who played under the automatic default profile for a name
// before the program closes. The program ends when the menu hides itself.
#pragma once

#include "object/UGClassBuilder.h"
#include "widgets/UFadeWindow.h"

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

template <class T>
struct TRequiredWidgetOf;

class TGButton;
class TGCheckBox;
class TGEditBox;
class TGFont;
class TGLabel;
class TGProgressBar;

enum TMainMenuState {
  mmsMainMenu = 0,
  mmsProfiles = 1,
  mmsOptions = 2,
  mmsQuitConfirmation = 3,
  mmsNewPlayerCreation = 4,
  mmsPlayerDeletion = 5,
  mmsPlayerNameEnter = 6,
  mmsDefaultPlayerNameEnterBeforeExit = 7
};
using TMainMenuStates = TGSet<TMainMenuState>;
// A set of the given states.
TMainMenuStates MenuStates(std::initializer_list<TMainMenuState> States);

enum TAfterFadeAction {
  afaNone = 0,
  afaPlay = 1,
  afaHelp = 2,
  afaCredits = 3,
  afaScore = 4,
  afaHiddenObjectsMode = 5
};
// What the menu does once it has faded out.
extern TAfterFadeAction AfterFadeAction;

class TMainMenuScreen : public TFadeWindow {
  G_CLASS(TMainMenuScreen, TFadeWindow)
  explicit TMainMenuScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}
  // Pushes the main-menu game state, loads the window, attaches the handlers, shows the
  // welcome line and preloads the loading screen's pictures. A window file that lacks one of
  // the menu's widgets is a clear error.
  void AfterConstruction() override;

  TMainMenuStates MenuState() const { return FMenuState; }
  bool SplashShown() const { return FSplashShown; }
  bool ShowDefaultProfile() const { return FShowDefaultProfile; }
  bool MusicBarActive() const { return FMusicBarActive; }
  bool SoundBarActive() const { return FSoundBarActive; }
  // Seconds until the window enables itself again.
  float Timer() const { return FTimer; }
  // How many programming errors (an operation called from a state it does not start from) the
  // menus have met; each is logged naming this unit.
  static int StateErrors();

  void Update(float Interval) override;
  // The window's own key handling, then Escape and Enter by the panels shown.
  void KeyDown(uint16_t Key) override;
  // The window, then the version line at the bottom right.
  void DrawTree() override;
  // Called at the first frame that draws a menu for the player: after the logos, or after the
  // game a new profile plays at once. The host reports its start-up figures there.
  static void SetOnFirstShown(std::function<void()> Handler);
  // Starts the chosen action and the fade back in.
  void AfterFadeOut() override;

  // --- Operations ----------------------------------------------------------------------------
  void SetWelcomePlayer(const std::string& Name);
  // The unlimited hidden-object mode needs 60 zephrins (the developer keys with Shift open it).
  bool IsUnlimitedModeLock() const;
  // The window ignores input for 0.18 seconds while the panels' effects run.
  void SelfDisable();
  void SelfEnable(float Interval);
  void RebuildProfilesSubMenu();
  // Whether a new name (or the default profile's name before exit) may be accepted.
  bool CheckPlayerName(const std::string& Name) const;
  // Loads the loading screen's pictures, so the first game start shows them at once.
  void PreloadLoadingScreen();
  // Places the knob on the middle 70% of the bar and sets the bar's position (0 to 100).
  static void SetSliderPosition(TGButton* Slider, TGProgressBar* Bar, int32_t Value);
  // The address of a link file (the "URL=" line of its [InternetShortcut] section), or nothing.
  static std::string ReadShortcutURL(const std::string& FileName);

  // --- Panel changes, each checking the state it starts from ---------------------------------
  void OptionsEnter();
  void OptionsLeave();
  void ProfilesEnter();
  void ProfilesLeave();
  void PlayerCreationEnter();
  void PlayerCreationLeave();
  void PlayerDeletionEnter();
  void PlayerDeletionLeave();
  void PlayerNameEnter(bool BeforeExit);
  void PlayerNameLeave(bool Cancelled);
  void QuitConfirmationEnter();
  void QuitConfirmationLeave();

  // --- Handlers ------------------------------------------------------------------------------
  void PlayButtonClick(TGObject* Sender);
  void ScoreButtonClick(TGObject* Sender);
  void OptionsButtonClick(TGObject* Sender);
  void HelpButtonClick(TGObject* Sender);
  void QuitButtonClick(TGObject* Sender);
  void MuseumButtonClick(TGObject* Sender);
  void MoreLumoClick(TGObject* Sender);
  void HiddenObjectsModeButtonClick(TGObject* Sender);
  void ChangeProfileButtonClick(TGObject* Sender);
  void ProfilesNewButtonClick(TGObject* Sender);
  void ProfilesDeleteButtonClick(TGObject* Sender);
  void ProfilesOkButtonClick(TGObject* Sender);
  void ProfilesPlayerButtonClick(TGObject* Sender);
  void ProfilesPlayerButtonDblClick(TGObject* Sender);
  void ProfilesNewPlayerOkButtonClick(TGObject* Sender);
  void ProfilesNewPlayerCancelButtonClick(TGObject* Sender);
  void ProfilesEditBoxKeyDown(char32_t& Key, bool& Allow);
  void ProfilesDeletePlayerYesButtonClick(TGObject* Sender);
  void ProfilesDeletePlayerNoButtonClick(TGObject* Sender);
  void OptionsOkButtonClick(TGObject* Sender);
  void OnMusicBarButtonClick(TGObject* Sender);
  void OnMusicSliderMouseDown(int Button);
  void OnMusicSliderMouseUp(int Button);
  void OnSoundBarButtonClick(TGObject* Sender);
  void OnSoundSliderMouseDown(int Button);
  void OnSoundSliderMouseUp(int Button);
  void OnFullScreenCheckBoxClick(TGObject* Sender);
  void OnWideScreenCheckBoxClick(TGObject* Sender);
  void CreditsButtonClick(TGObject* Sender);
  void QuitConfirmationYesButtonClick(TGObject* Sender);
  void QuitConfirmationNoButtonClick(TGObject* Sender);

  static constexpr const char* CTemplateURL = "MainMenuScreen.win";
  static constexpr const char* CSelectedURL = "UI\\MainMenuScreen\\Selected.ani";
  static constexpr const char* CTitleMusicURL = "Music\\Lumo2Title.ogg";
  static constexpr const char* CSliderSfxURL = "UI\\GameScreen\\PickupObj.ogg";
  static constexpr const char* CMoreGamesFile = "MoreLumo.url";
  static constexpr const char* CCorrectCharsKey =
      "$ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890_$";
  // The welcome line; the rule tells it apart from the program's start-up greeting.
  static constexpr const char* CWelcomeFormat = "$Welcome#MainMenu#$, %s!";
  static constexpr const char* CDefaultName = "$Zarnika$";
  static constexpr const char* CBlankProfileName = "Zarnika";
  static constexpr const char* CVersionFontURL = "Default.fnt";
  static constexpr int32_t CProfileSlots = 4;
  static constexpr int32_t CUnlockZephrins = 60;
  // Used when the window file leaves the name's length open.
  static constexpr int32_t CNameLength = 16;

protected:
  void Destroy() override;
  // The current player's game, built behind the loading screen, shown modally and freed.
  virtual void RunGame();
  // The screen of an after-fade action, faded in modally and freed.
  virtual void OpenScreen(TAfterFadeAction Action);
  // A clean quit: the player's settings are saved and the menu hides itself, which ends the
  // program.
  virtual void Terminate();

private:
  // A widget of the table in URequiredWidgets.h; a clear error when it is missing or of another
  // class.
  template <class T>
  T* Find(TRequiredWidgetOf<T> Widget) const;
  void FindWidgets();
  void AttachHandlers();
  void SetMenuState(std::initializer_list<TMainMenuState> States);
  bool Has(TMainMenuState State) const { return FMenuState.Contains(State); }
  bool Is(std::initializer_list<TMainMenuState> States) const;
  // Logs a programming error when the condition fails; the caller then does nothing.
  bool Expect(bool Condition, const char* What) const;
  // A panel is in its show or hide effect: it cannot be shown or hidden until it stands still.
  bool PanelsBusy() const;
  // The main-menu game state is on the current profile's stack, and moves with the profile.
  void PushMenuState();
  void PopMenuState();
  void FirstFrame();
  void UpdateQuit();
  void UpdateOptions();
  void UpdateLockNote();
  void UpdateLock();
  void DragSlider(TGButton* Slider, TGProgressBar* Bar, bool Music);
  void StepVolume(TGObject* Sender, TGButton* Left, TGButton* Right, TGButton* Slider,
                  TGProgressBar* Bar, bool Music);
  void ShowSlotMarker(TGButton* Slot, bool Selected);
  void PlayTitleMusic(int32_t FadeTime);
  void RunAction(TAfterFadeAction Action);
  std::string LockNoteText() const;
  int32_t CurrentPlayerIndex() const;

  TMainMenuStates FMenuState;
  bool FSplashShown = false;
  bool FFirstShowPending = false;
  bool FShowDefaultProfile = true;
  bool FMusicBarActive = false;
  bool FSoundBarActive = false;
  float FTimer = 0;
  bool FStatePushed = false;
  // The profile index each slot shows (-1: none), as the last rebuild listed them.
  std::array<int32_t, CProfileSlots> FSlotPlayers{-1, -1, -1, -1};
  TGFont* FVersionFont = nullptr; // resource reference

  TGWidget* FWelcome = nullptr;
  TGLabel* FWelcomeName = nullptr;
  TGButton* FChangeButton = nullptr;
  TGWidget* FMain = nullptr;
  TGButton* FMoreButton = nullptr;
  TGButton* FModeButton = nullptr;
  TGButton* FGhostButton = nullptr;
  TGWidget* FLock = nullptr;
  TGWidget* FSelect = nullptr;
  std::array<TGButton*, CProfileSlots> FSlots{};
  TGButton* FNewButton = nullptr;
  TGButton* FDeleteButton = nullptr;
  TGWidget* FNewPanel = nullptr;
  TGEditBox* FEditBox = nullptr;
  TGButton* FNameOk = nullptr;
  TGButton* FNameCancel = nullptr;
  TGWidget* FConfirm = nullptr;
  TGWidget* FOptions = nullptr;
  TGProgressBar* FMusicBar = nullptr;
  TGButton* FMusicSlider = nullptr;
  TGButton* FMusicLeft = nullptr;
  TGButton* FMusicRight = nullptr;
  TGProgressBar* FSoundBar = nullptr;
  TGButton* FSoundSlider = nullptr;
  TGButton* FSoundLeft = nullptr;
  TGButton* FSoundRight = nullptr;
  TGCheckBox* FFullScreen = nullptr;
  TGCheckBox* FWideScreen = nullptr;
  TGWidget* FConfirmation = nullptr;
  TGWidget* FNotePanel = nullptr;
  TGLabel* FNoteLabel = nullptr;
};
