// The hidden-object location: the base location with the rules of a scene to search. It keeps
// the goal line, deals the objects to find into pages, counts what is left, reacts to clicks on
// hot spots with and without tools, runs the puzzle-hint timer, plays its events, music
// arrangement and looping sound, moves atmosphere objects at random and keeps the statistics of
// the location (time spent, hints and scanner used).
#pragma once

#include "locations/UBaseLocation.h"
#include "locations/UGoalStack.h"
#include "locations/ULocationArrangement.h"
#include "locations/ULocationEvents.h"
#include "xml/UGStringList.h"

#include <string>
#include <vector>

class TGAudioState;

// The flag values of PageLeftItemsType.
enum TPageItemsFlag {
  pifTool = 1,
  pifItem = 2,
  pifMaster = 4,
  pifHidden = 8,
  pifVisible = 16,
};

class TLocation : public TBaseLocation {
  G_CLASS(TLocation, TBaseLocation)
  explicit TLocation(TGObject* AOwner = nullptr);

  // Hooks and texts from the file.
  std::string OnHintScript;
  std::string OnSolveScript;
  std::string OnFirstActivateScript;
  std::string MusicHandlerScript;
  std::string HotSpotScript;
  std::string CannotCarryMsg;
  std::string LoopedSfxURL;
  std::string GameAvatar;
  std::string BlackScreenBriefingText;
  std::string PDABriefingText;
  std::string PDABriefingAvatar;
  std::string MasterObjectName;
  bool SolveVisible = false;
  bool KeepToolsOpened = false;
  bool KeepToolsClosed = false;
  bool ScannerUsed = false;
  bool HintUsed = false;
  int32_t TakenZephrinCount = 0;
  int32_t ItemDistributionPageCount = 2;
  // Seconds spent on the location.
  float TimeOnLocation = 0;

  TGoalStack* Goal() const { return FGoal; }
  TLocationArrangement* Arrangement() const { return FArrangement; }
  TLocationEvents* Events() const { return FEvents; }
  TLocationEvents* ActiveEvents() const { return FActiveEvents; }
  TGStringList* PreloadResourceList() const { return FPreloadResourceList; }
  const std::vector<std::string>& AtmosphereObjects() const { return FAtmosphereObjects; }
  int32_t TimeChangeAtmosphere() const { return FTimeChangeAtmosphere; }
  void SetTimeChangeAtmosphere(int32_t Value) { FTimeChangeAtmosphere = Value; }
  bool PuzzleHintShown() const { return FPuzzleHintShown; }
  bool PuzzleTimerStarted() const { return FPuzzleTimerStarted; }
  TGAudioState* LoopedSfx() const { return FLoopedSfx; }
  const std::string& GetMasterObjectName() const { return MasterObjectName; }
  void SetMasterObjectName(std::string_view Value) { MasterObjectName = Value; }
  // The object of MasterObjectName in the location, or none.
  TGameObject* MasterObject() const;

  // Counting.
  // Over every page: the listed objects still to find (PageMax above 0).
  int32_t ItemsLeft() const;
  int32_t PageLeftItemsCount() const;
  // The TPageItemsFlag bits of the current page's objects still to find (or flying).
  int32_t PageLeftItemsType() const;
  int32_t CurrentPageIndex() const;
  int32_t PageCount() const;
  int32_t ActiveAnimationsCount() const { return ActiveAnimations().Count(); }
  int32_t GetZephrinsLeft() const;
  std::string CommonGoalMessage() const;
  virtual std::string HintSelectingGoal() const { return "$Select the item to find.$"; }

  virtual bool IsFullFade() const { return false; }
  virtual bool IsPuzzleLocation() const { return false; }
  virtual bool IsShowObjectCountInGroupAllowed() const { return true; }
  virtual void KeyDown_F6() {}
  // Deals the objects to find into the pages (at every switch to the location).
  virtual void FillItemsDistribution();
  void RedistributeItems() { FillItemsDistribution(); }
  // The frontmost object under the cursor that takes the mouse; else the frontmost listed in
  // AllowObjects under it, mouse or not; else none.
  virtual TGameObject* HitObject(const std::vector<std::string>& AllowObjects);
  // A click on a hot spot, with or without a tool in hand.
  virtual void HotSpot(const std::string& AObjectName, bool AWithTool);
  virtual void CursorChange(int AOldState, int ANewState, TGameObject* AOldObject,
                            TGameObject* ANewObject);
  virtual void ToolTaken(const std::string& AToolID) { (void)AToolID; }
  // True when the location gave the hint itself.
  virtual bool CustomHint(TGameObject* AObject);
  virtual void Solve();
  void IncrementUsedHintsCounter() { ++FUsedHintsCounter; }
  int32_t UsedHintsCounter() const { return FUsedHintsCounter; }

  void StartPuzzleTimer(const std::string& AHintObject);
  void ResetPuzzleTimer();
  void StopPuzzleTimer();
  // Hot spots follow the tools that target them (those of the location and those carried).
  void UpdateHotSpots();
  TGameObject* GetAnyToolTarget() const;
  void StartLoopedSfx();
  void StopLoopedSfx();
  void RestartLoopedSfx();
  void ClearTracks() { FArrangement->ClearTracks(); }
  void AddTrack(const std::string& AURL) { FArrangement->AddTrack(AURL); }
  // A copy of the defined event of that name starts running (nothing for an unknown name).
  void FireEvent(const std::string& AEventName);

  void FillMainChannel() override;
  void Update(int32_t AInterval) override;
  void Activate() override;
  void Deactivate() override;
  void BeforeObjectPick(const std::string& AObjID) override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;
  void AssignTo(TGObject* Dest) const override;

  static void Publish(TGClassBuilder<TLocation>& B);

  // Briefing texts are stored with "&", CR and LF written as "&amp;", "&cr;" and "&lf;".
  static std::string EncodeText(std::string_view Text);
  static std::string DecodeText(std::string_view Text);

protected:
  void Destroy() override;

private:
  void UpdateGoal();
  void UpdateAtmosphere(int32_t AInterval);
  void UpdateScannerTip(int32_t AInterval);
  void OnLoopedSfxDestroyed(TGObject* Sender);
  std::string ItemsPageGoal() const;

  float FGamePlayTime = 0; // milliseconds of this visit
  int32_t FUsedHintsCounter = 0;
  bool FPuzzleTimerStarted = false;
  int32_t FPuzzleTimeLeft = 0;
  bool FPuzzleHintShown = false;
  std::string FPuzzleHintObjectId;
  TGoalStack* FGoal;                  // owned
  TLocationArrangement* FArrangement; // owned
  TLocationEvents* FEvents;           // owned
  TLocationEvents* FActiveEvents;     // owned
  TGAudioState* FLoopedSfx = nullptr; // the playing looped sound (the device owns it)
  int32_t FScannerTipTimer = 0;
  std::vector<std::string> FAtmosphereObjects;
  std::string FCurrentAtmosphereObject;
  int32_t FTimeChangeAtmosphere = 1000;
  int32_t FCurrentTimeChangeAtmosphere = 0;
  TGStringList* FPreloadResourceList; // owned
};

// The puzzle locations of the location module: a hidden-object location that is a puzzle.
class TPuzzleLocation : public TLocation {
  G_CLASS(TPuzzleLocation, TLocation)
  explicit TPuzzleLocation(TGObject* AOwner = nullptr)
      : TLocation(AOwner) {}

  bool IsPuzzleLocation() const override { return true; }
};

// The goal texts of the rules.
extern const char* const CGoalSearch;
extern const char* const CGoalSecret;
extern const char* const CGoalBlue;
extern const char* const CGoalNeedTool;
extern const char* const CGoalOtherTool;
extern const char* const CGoalMagnify;
