// The heroine's hand-held device: the in-game menu with its pages (menu, briefing, movie, quit
// confirmation, options, speech log, biographies, help), built from "PDAScreen.win" and always
// shown modally and freed afterwards.
#pragma once

#include "widgets/UGWindow.h"

#include <cstdint>
#include <string>
#include <vector>

class TGAnimation;
class TGMovie;
class TGPicture;
class TGProgressBar;
class TGText;

class TPDAMenuWindow : public TGWindow {
  G_CLASS(TPDAMenuWindow, TGWindow)
  explicit TPDAMenuWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  void AfterConstruction() override;

  // A briefing: the text with the face of the speaker key Avatar ("Tobrel", "Zari", ...); with
  // ASendingPicture "Sending picture..." shows for two seconds first.
  static void ShowBriefing(const std::string& BriefingText, const std::string& Avatar,
                           bool ASendingPicture);
  // A movie: the comma-separated picture widgets of the window played in order; with CantClose
  // only the stop points and Next advance it.
  static void ShowMovie(const std::string& WidgetSequence, bool CantClose);
  // The in-game menu (Escape on the play screen); with OpenLog it opens on the newest entry of
  // the speech log.
  static void ShowMenu(bool OpenLog);
  // The quit confirmation alone, shown modally; DoClose is the answer. Nothing happens (DoClose
  // keeps its value) while another confirmation is open.
  static void ShowCloseConfirmation(bool& DoClose);
  // What every full-screen window of the game does in its update: while the program is asked
  // to quit and may still refuse (AppIsClosing and AppCanUnclose), the confirmation is shown and
  // its answer becomes AppIsClosing, its negation AppCanUnclose. True when it asked.
  static bool AnswerQuitRequest();
  // Set while a window made by ShowCloseConfirmation exists.
  static bool CloseConfirmationMode;

  // --- The uses, set up on a window before it is shown ---------------------------------------
  void StartBriefing(const std::string& BriefingText, const std::string& Avatar,
                     bool ASendingPicture);
  // False (and nothing changes) when the list names no picture.
  bool StartMovie(const std::string& WidgetSequence, bool CantClose);
  void StartLog();
  void StartConfirmation();

  // --- Handlers of the window's widgets ------------------------------------------------------
  void Back();
  void Next();
  void ShowSpeechLogItem();
  void UpdateSkin();

  // --- State ---------------------------------------------------------------------------------
  bool Hiding() const { return FHiding; }
  bool DoHide() const { return FDoHide; }
  float FadeValue() const { return FFadeValue; }
  int32_t ConfirmationMode() const { return FConfirmationMode; }
  bool CloseConfirmed() const { return FCloseConfirmed; }
  bool DelayedConfirmation() const { return FDelayedConfirmation; }
  const std::string& CurrentActivePage() const { return FCurrentActivePage; }
  bool WaitAndGoToMainMenu() const { return FWaitAndGoToMainMenu; }
  bool WaitAndGoToMuseum() const { return FWaitAndGoToMuseum; }
  int32_t SpeechLogPosition() const { return FSpeechLogPosition; }
  int32_t ScrollPosition() const { return FScrollPosition; }
  TGText* BioText() const { return FBioText; }
  // The pictures of the movie still to play, the current one last.
  const std::vector<TGPicture*>& PlayList() const { return FPlayList; }
  int32_t NextStopTime() const { return FNextStopTime; }
  bool SendingPicture() const { return FSendingPicture; }
  // The lines of the biography shown and how many fit its box.
  int32_t BioLineCount();
  int32_t BioLinesInBox() const;

  // --- The window ----------------------------------------------------------------------------
  void Update(float DeltaTime) override;
  void KeyDown(uint16_t Key) override;
  void DrawTree() override;
  void UpdateTree(float DeltaTime) override;

  // Pages in the order the visible one is looked for when the quit confirmation interrupts.
  static const std::vector<std::string>& PageNames();

  static constexpr const char* CTemplateURL = "PDAScreen.win";
  static constexpr const char* CBiosURL = "Bios.cfg";

protected:
  void Destroy() override;

private:
  void LoadTemplate();
  void AttachHandlers();
  void OnClick(const char* Path, void (TPDAMenuWindow::*Handler)(TGObject*));
  void ReadSettings();
  TGWidget* Page(const std::string& Name) const { return FindWidget(Name); }
  bool PageVisible(const std::string& Name) const;
  // Hides one page and shows another, each with the waiting effect, guarded.
  void SwitchPage(const std::string& From, const std::string& To);
  void HidePage(const std::string& Name);
  void ShowPage(const std::string& Name);

  void OnButtonSound();
  void OnBackClick(TGObject* Sender);
  void OnNextClick(TGObject* Sender);
  void OnMuseumClick(TGObject* Sender);
  void OnCustomizeClick(TGObject* Sender);
  void OnHelpOpenClick(TGObject* Sender);
  void OnCharacterBiosClick(TGObject* Sender);
  void OnBioListClick(TGObject* Sender);
  void OnMainMenuClick(TGObject* Sender);
  void OnLogClick(TGObject* Sender);
  void OnLogPrevClick(TGObject* Sender);
  void OnLogNextClick(TGObject* Sender);
  void OnHelpUpClick(TGObject* Sender);
  void OnHelpDownClick(TGObject* Sender);
  void OnBioUpClick(TGObject* Sender);
  void OnBioDownClick(TGObject* Sender);
  void OnMusicStepClick(TGObject* Sender);
  void OnSoundStepClick(TGObject* Sender);
  void OnMusicBarMouseDown(int Button);
  void OnSoundBarMouseDown(int Button);
  void OnMusicBarMouseUp(int Button);
  void OnSoundBarMouseUp(int Button);
  void OnFullScreenClick(TGObject* Sender);
  void OnWideScreenClick(TGObject* Sender);
  void OnColorClick(TGObject* Sender);
  void OnSkinClick(TGObject* Sender);
  void OnYesClick(TGObject* Sender);
  void OnBioAfterDraw(TGObject* Sender);

  void StepVolume(TGObject* Sender, const char* Group, bool Music);
  // The volume under the mouse when it lies inside the bar; false otherwise.
  bool VolumeAtMouse(TGProgressBar* Bar, bool Music);
  void OpenBiography(const std::string& ButtonName);
  void ScrollHelp(int32_t Delta);
  void UpdateBriefing(float DeltaTime);
  void UpdateOptions();
  void UpdateMovie();
  // The quit request's handling; true when the update ends there.
  bool UpdateQuitRequest();
  void StartHiding();
  TGAnimation* CurrentMovieAnimation() const;
  bool DialogueVisible() const;

  bool FDelayedConfirmation = false;
  bool FDoHide = false;
  bool FHiding = false;
  float FFadeValue = 0;
  bool FMusicBarActive = false;
  bool FSoundBarActive = false;
  bool FWaitAndGoToMainMenu = false;
  bool FWaitAndGoToMuseum = false;
  std::string FCurrentActivePage;
  bool FCloseConfirmed = false;
  int32_t FConfirmationMode = 0;
  std::vector<TGPicture*> FPlayList; // children of the window
  bool FSendingPicture = false;
  float FSendingPictureTime = 0;
  std::string FAfterSendPicText;
  TGText* FBioText = nullptr; // owned
  int32_t FScrollPosition = 0;
  bool FNextOnly = false;
  bool FInWaitingEffect = false;
  int32_t FSpeechLogPosition = 0;
  int32_t FNextStopTime = 0;
  bool FSkipNextStop = false;
  bool FStatePushed = false;
};
