// The hidden-object play screen: the player's current location under the window "GameScreen.win"
// (the panel with the objects to find, the tools, hint, score, timer and avatar; the goal line;
// the tool hint), the speech bubble, the hint, scanner and click checks, the flights of picked
// objects, the game cursor, the music and the screen's own effects. Scripts reach it as
// "GameScreen". There is one at a time; the framework reaches it through IPlayScreen.
#pragma once

#include "Screens/UBaseGameScreen.h"
#include "flow/UPlayScreen.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

class TAnimationsQueue;
class TClickSequenceChecker;
class TGParticleSystem;
class TGameCursor;
class TGameHint;
class TGameInterface;
class TGameScreenAvatarHelper;
class TGameScreenInventoryHelper;
class TMusicManager;
class TScanner;
class TSpeechBubbleDialog;
class TSpeechPositionRegistry;
class TTipsWindow;

class TGameScreen : public TBaseGameScreen, public IPlayScreen {
  G_CLASS(TGameScreen, TBaseGameScreen)
  // Progress of the player's loading: done so far, of the total.
  using TSyncProc = std::function<void(int Current, int Total)>;
  // A screen for the current player: loads its world (reporting progress) and switches to the
  // location its profile is in. The player must exist.
  explicit TGameScreen(TGObject* AOwner = nullptr, TSyncProc ASyncProc = {});
  void AfterConstruction() override;

  static constexpr const char* CTemplateURL = "GameScreen.win";

  // --- What the screen owns ----------------------------------------------------------------
  TGameHint* Hint() const { return FHint; }
  TScanner* Scanner() const { return FScanner; }
  TGameInterface* GameInterface() const { return FGameInterface; }
  TGameScreenAvatarHelper* AvatarHelper() const { return FAvatarHelper; }
  TGameScreenInventoryHelper* InventoryHelper() const { return FInventoryHelper; }
  TClickSequenceChecker* ClickSequenceChecker() const { return FClickSequenceChecker; }
  TGameCursor* GameCursor() const { return FGameCursor; }
  TSpeechPositionRegistry* SpeechPositions() const { return FSpeechPositionRegistry; }
  TSpeechBubbleDialog* SpeechDialog() const { return FSpeechDialog; }
  TAnimationsQueue* AnimationsQueue() const { return FAnimationsQueue; }
  TGParticleSystem* Particles() const { return FParticleSystem; }
  int64_t UpdateIdx() const { return FUpdateIdx; }
  int32_t MissCount() const { return FMissCount; }
  void SetMissCount(int32_t Value) { FMissCount = Value; }

  // --- Published state ---------------------------------------------------------------------
  bool DrawingDisabled() const { return FDrawingDisabled; }
  void SetDrawingDisabled(bool Value) { FDrawingDisabled = Value; }
  // The hints left (the profile's): written clamped to 0 to 99; 0 starts the recharge.
  int32_t HintsCount() const;
  void SetHintsCount(int32_t Value);
  bool IsVisible() const { return Visible(); }
  bool IsOnTop() const;
  bool MenuButtonVisible() const;
  void SetMenuButtonVisible(bool Value);
  void SetInterfaceVisible(bool Value);
  bool HintSelecting() const { return FHintSelecting; }
  void SetHintSelecting(bool Value);
  TGameObject* HintObjectUnderMouse() const { return FHintObject; }
  const std::string& CurrentGoal() const { return FCurrentGoal; }

  // Score multiplier of the next pick (1, or 2 in a combo) and the milliseconds left for it.
  int32_t BonusFactorValue = 1;
  int32_t RemainingBonusTime = 0;

  // --- Operations scripts call -------------------------------------------------------------
  void MoveToLocation(const std::string& ALocation);
  void FadeToLocation(const std::string& ALocation) override;
  void Say(const std::string& PositionID, const std::string& Text,
           const std::string& Script) override;
  void CloseSpeech();
  void FlyAndMoveToInventory(TGameObject* AObject);
  void SndMissObject(bool ASpeechVisible);
  void UpdateCursor();
  void BreakScanner();
  void TurnOnScanner();
  void MuseumAction(TGameObject* AObj);
  void LevelComplete();
  void ShowTutorial(const std::string& Text);
  void ShowBlackScreen(const std::string& Text);
  bool ShowComix(const std::string& URL, int32_t Fading, bool Skipping);
  void ShowCliffhanger();
  void RegisterSpeechPosition(const std::string& ID, float X, float Y, int32_t Orientation);
  void CorrectHints();
  void ClearPlayerInventory();
  void GameComplete();
  void GameOver() { FIsGameOver = true; }
  bool IsGameOver() const { return FIsGameOver; }
  // The press being handled goes no further than the location (it was carried out already).
  void BlockMouseDownOnce() { FIsMouseDownBlockedForOneTime = true; }
  void FadeOutFromScript();
  void OpenPDALog();
  // A briefing of the speaker key Avatar, and a movie of the device's pictures.
  void ShowBrief(const std::string& Avatar, const std::string& Text, bool ASendingPicture);
  void ShowPDAMovie(const std::string& WidgetNames);
  void MaintainActiveLocation();
  // Registers "Tips" and "GameScreen" with the scripts.
  void InitGameScripts();
  // FindWidget for the paths the screen and its helpers look up every frame. A widget found is
  // remembered, and given again while it still sits at that path (by name, up to this screen);
  // when any remembered widget is destroyed, everything remembered is forgotten. A path that
  // finds nothing is looked up again each time.
  TGWidget* CachedWidget(std::string_view Path);

  // --- The screen's parts of the play ------------------------------------------------------
  bool FlyToInventoryEx(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) override;
  void ResetCursor(bool ReturnToInventory) override;
  void UpdateCurrentItemsPage(bool AutoIncPageIndex, bool AWaitEffect) override;
  TPointDispositionType GetDispositionAt(const TGFlatVector& Point) override;
  void GetObjectAt(const TGFlatVector& Point, TGameObject*& Obj,
                   TGameObjectDispositionType& Disposition) override;
  void SetActiveLocation(TLocation* Value) override;
  void FillStateQueue() override;
  void Initialize() override;
  // Whether the object would react to a click on the location.
  bool AcceptsClicks(TGameObject* Obj) const;
  void OnObjectFinishFlying(TGameObject* Sender);

  // --- The window --------------------------------------------------------------------------
  void UpdateTree(float DeltaTime) override;
  void Update(float DeltaTime) override;
  void DrawTree() override;
  void MouseDown(int Button) override;
  void KeyDown(uint16_t Key) override;
  void AfterFadeIn() override;
  void ApplicationActivate() override;
  void ApplicationDeactivate() override;

  // --- IPlayScreen ---------------------------------------------------------------------------
  void ShowGameInterface() override;
  void AssignToCursor(TGameObject* AObject) override { TBaseGameScreen::AssignToCursor(AObject); }
  void MoveToInventory(TGameObject* AObject) override { TBaseGameScreen::MoveToInventory(AObject); }
  bool PushFlight(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) override;
  bool IsFlying(const TGameObject* AObject) const override;
  void GameObjectMouseDown(TGameObject* AObject, int Button) override {
    TBaseGameScreen::GameObjectMouseDown(AObject, Button);
  }
  int HintCount() const override { return HintsCount(); }
  void SetHintCount(int Value) override { SetHintsCount(Value); }
  bool SpeechPending() const override;
  bool IsUnloading() const override { return IsUnloadingScreen(); }
  void QueueAnimation(const std::string& URL) override;
  TFadeWindow* Window() override { return this; }
  TMusicManager* MusicManager() override { return FMusicManager; }
  TMusicManager* OwnMusicManager() const { return FMusicManager; }
  void ResetScanner() override;
  void ClearAnimationsQueue() override;
  void HintObject(TGameObject* AObject) override;
  void SetAvatarHappy(float Seconds) override;
  std::string CursorGraphicURL() const override;
  TGFlatVector CursorPosition() const override { return MousePosition(); }
  void LandFlyingObjects() override;
  void BeforeLocationSwitch() override;
  void AfterLocationSwitch(TBaseLocation* Location) override;
  void ExitGame() override;
  int BonusFactor() const override { return BonusFactorValue; }

  static void Publish(TGClassBuilder<TGameScreen>& B);

protected:
  void Destroy() override;

private:
  void ProgressProc(int Current, int Total);
  void OnCachedWidgetDestroy(TGObject* Sender);
  void WireWidgets();
  void RegisterOwnSpeechPositions();
  void OnMenuClick(TGObject* Sender);
  void OnToolSlotEnter(TGObject* Sender);
  void OnToolSlotLeave(TGObject* Sender);
  void OnSpeechClose(TGObject* Sender);
  bool SolvePuzzleByCheat();
  void OnScannerEvent(TGObject* Sender, int Event);
  void OnCursorChange(TGObject* Sender, class TBaseCursorState* OldState,
                      class TBaseCursorState* NewState, TGameObject* OldObject,
                      TGameObject* NewObject);
  // For scripts: the part of the screen under the mouse by name, and the debug output.
  std::string DispositionAtMouse();
  void WriteDebug(const std::string& S);
  // The bubble shows the next line when its position is known; false when it is not.
  bool ShowNextSpeech();
  void KeepSpeechOnScreen();
  void UpdateUI();
  void UpdateGoal();
  void UpdateBirds();
  void UpdateScore();
  void UpdateTimer();
  void UpdateItemLabels();
  void UpdateChapterTime(float Interval);
  void StartSwitch();
  void OpenInGameMenu();

  bool FDrawingDisabled = false;
  bool FIsGameOver = false;
  bool FEndingDemo = false;
  TSyncProc FSyncProc;
  bool FFirstUpdate = true;
  TScanner* FScanner = nullptr;                           // owned
  TGameHint* FHint = nullptr;                             // owned
  TGameInterface* FGameInterface = nullptr;               // owned
  TGameScreenAvatarHelper* FAvatarHelper = nullptr;       // owned
  TGameScreenInventoryHelper* FInventoryHelper = nullptr; // owned
  TClickSequenceChecker* FClickSequenceChecker = nullptr; // owned
  bool FHintSelecting = false;
  TGameObject* FHintObject = nullptr;
  TGameCursor* FGameCursor = nullptr; // owned
  std::string FCurrentGoal;
  TGParticleSystem* FParticleSystem = nullptr; // owned
  float FTimeFromLastHintUsage = 10.0f;
  TSpeechPositionRegistry* FSpeechPositionRegistry = nullptr; // owned
  TMusicManager* FMusicManager = nullptr;                     // owned
  int32_t FMissCount = 0;
  TAnimationsQueue* FAnimationsQueue = nullptr; // owned
  bool FIsMouseDownBlockedForOneTime = false;
  int64_t FUpdateIdx = 0;
  TSpeechBubbleDialog* FSpeechDialog = nullptr; // a child
  TTipsWindow* FTips = nullptr;                 // a child
  bool FSpeechPositionMissingLogged = false;
  struct TPathHash {
    using is_transparent = void;
    size_t operator()(std::string_view S) const { return std::hash<std::string_view>{}(S); }
  };
  std::unordered_map<std::string, TGWidget*, TPathHash, std::equal_to<>> FWidgetCache;
  std::unordered_set<const TGObject*> FWatchedWidgets; // their destruction clears the cache
};

// The play screen that exists now, or none.
TGameScreen* CurrentGameScreen();
