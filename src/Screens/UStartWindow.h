// The demo's first screen: every kind of widget in one window ("Demo\Start.win"). It fades in
// from black; the check box turns the harbour's animation on and off, a button loads cargo onto
// the progress bar, two buttons page through a story, a button fades out into the demo
// location ("Harbour.loc", in the location view) and back, and Esc or the Quit button fade out
// and end the program.
#pragma once

#include "widgets/UFadeWindow.h"

#include <cstdint>

class TGButton;
class TGCheckBox;
class TGLabel;
class TGPicture;
class TGProgressBar;

class TStartWindow : public TFadeWindow {
  G_CLASS(TStartWindow, TFadeWindow)
  explicit TStartWindow(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}
  // Copies the template, finds the widgets, assigns the handlers and starts the fade-in.
  void AfterConstruction() override;

  // Steps of the progress bar, and the page of the story shown.
  float Cargo() const;
  int32_t StoryPage() const;
  int32_t StoryPageCount() const;

  void UpdateTree(float DeltaTime) override;
  // Esc fades out and quits; Page Up and Page Down turn the story's pages.
  void KeyDown(uint16_t Key) override;
  void AfterFadeOut() override;

  static constexpr const char* CTemplateURL = "Demo\\Start.win";
  static constexpr const char* CHarbourURL = "Harbour.loc";

private:
  enum TAction { aNone, aHarbour, aReload, aQuit };

  void OnLightsClick(TGObject* Sender);
  void OnLoadClick(TGObject* Sender);
  void OnPreviousPageClick(TGObject* Sender);
  void OnNextPageClick(TGObject* Sender);
  void OnOpenHarbourClick(TGObject* Sender);
  void OnLighthouseClick(TGObject* Sender);
  void OnQuitClick(TGObject* Sender);
  // Fades out; the action follows when the screen is black.
  void Leave(TAction Action);
  // The demo location, modally, until Esc.
  void ShowHarbour();
  void ShowCargo();
  void ShowPage(int32_t Page);

  TGCheckBox* FLights = nullptr;
  TGPicture* FHarbourLife = nullptr;
  TGProgressBar* FProgress = nullptr;
  TGLabel* FProgressCaption = nullptr;
  TGButton* FLoad = nullptr;
  TGLabel* FStory = nullptr;
  TGLabel* FPageNumber = nullptr;
  TGButton* FPreviousPage = nullptr;
  TGButton* FNextPage = nullptr;
  TGButton* FLighthouse = nullptr;
  TAction FAction = aNone;
};
