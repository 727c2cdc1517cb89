// The map of the unlimited hidden-object mode: the replayable locations on pages with their
// records; a location is replayed without changing the player's story. Each page of
// "Locations" holds buttons "Btn01" to "Btn06"; a button names its location in its label
// "LocURL" (the file name without ".loc") and shows the location's shot in the channel "Loc" of
// its state animations, its caption in "LocName" and the player's records in "Records".
#pragma once

#include "widgets/UFadeWindow.h"

#include <cstdint>
#include <string>
#include <vector>

class TGButton;

class TMapUnlimHOScreen : public TFadeWindow {
  G_CLASS(TMapUnlimHOScreen, TFadeWindow)
  explicit TMapUnlimHOScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}
  // Loads "MapUnlimHO.win", attaches the buttons, shows the first page and fills the labels.
  void AfterConstruction() override;

  void BtnBackClick(TGObject* Sender);
  void BtnLeftClick(TGObject* Sender);
  void BtnRightClick(TGObject* Sender);
  // Replays the sender's location and puts the player's brief information back afterwards.
  void BtnLocationClick(TGObject* Sender);
  // Only page Index of "Locations" shows; an index outside the pages is ignored.
  void ShowPage(int32_t Index);
  void UpdateLabels();
  // The caption of the location file at URL ("" when it cannot be read).
  static std::string GetLocCaption(const std::string& URL);
  // The text of the widget's "LocURL" label + ".loc" ("" without the label).
  static std::string WidgetToLocURL(const TGWidget* Widget);
  // The shot of a location: "UI\MapScreen\LocShots\" + the URL with its first character
  // replaced by "0" and ".loc" removed + ".png".
  static std::string LocShotURL(const std::string& URL);
  // The button's graphic of that state, cloned when the button does not own it yet, with every
  // picture key of its channel "Loc" showing the location's shot.
  static void ChangeButtonGraphic(TGButton* Button, int32_t State, const std::string& URL);

  // Fades out and hides; a second call while fading does nothing.
  void Close();
  // The fade's progress, then the fade-out when the program is asked to quit.
  void Update(float DeltaTime) override;
  void ApplicationActivate() override;
  void ApplicationDeactivate() override;

  int32_t PageIdx() const { return FPageIdx; }
  int32_t PageCount() const;
  // The location buttons of every page, in page and number order.
  std::vector<TGButton*> LocationButtons() const;

  static constexpr const char* CTemplateURL = "MapUnlimHO.win";
  static constexpr const char* CCursorURL = "Cursors\\Pointer.ani";
  static constexpr const char* CTitleMusicURL = "Music\\Lumo2Title.ogg";
  static constexpr int32_t CButtonsPerPage = 6;

protected:
  // The play screen built behind the loading screen, shown modally and freed.
  virtual void PlayLocation();
  // The result of a finished run (the completion screen).
  virtual void ShowResult(int32_t Time, int32_t Score, const std::string& Title, bool IsRecord);

private:
  TGWidget* Pages() const;
  void AttachButton(const std::string& Path, void (TMapUnlimHOScreen::*Handler)(TGObject*));

  int32_t FPageIdx = 0;
};
