// The museum: three halls showing the pieces the player has placed there, each telling about
// itself in a speech bubble. Built from "MuseumScreen.win" and "Museum.cfg".
#pragma once

#include "widgets/UFadeWindow.h"

#include <string>

class TGXMLNode;
class TInfoBubble;

class TMuseumScreen : public TFadeWindow {
  G_CLASS(TMuseumScreen, TFadeWindow)
  explicit TMuseumScreen(TGObject* AOwner = nullptr)
      : TFadeWindow(AOwner) {}
  // Enters the museum's game state, loads the window, shows the pieces the player has placed,
  // attaches the halls' buttons and the pieces, and from the play screen swaps the location's
  // sound for the museum's music. A missing window file leaves an empty screen (logged).
  void AfterConstruction() override;

  // Shows the museum modally (fading in and out) and frees it.
  static void ShowMuseum();
  // The museum is opened from the play screen: the location's sound gives way to the museum's
  // music while it shows. Cleared when the museum closes.
  static bool CameFromGame;

  // The fade and the bubble; a quit request asks for confirmation, and once it is confirmed
  // the museum hides.
  void Update(float DeltaTime) override;

  TInfoBubble* InfoBubble() const { return FInfoBubble; }
  // The "Item" of "Museum.cfg" whose "ID" is that name, or none.
  const TGXMLNode* FindItem(const std::string& ID) const;
  // A click on a piece (or a picture inside one): its bubble, else the parent's handler.
  void PieceClick(TGObject* Sender);

  static constexpr const char* CTemplateURL = "MuseumScreen.win";
  static constexpr const char* CItemsURL = "Museum.cfg";
  static constexpr const char* CMusicURL = "UI\\GameScreen\\statsTrack.ogg";
  static constexpr const char* CBubbleURL = "Zari\\Bubble";
  static constexpr int32_t CMusicFade = 500;

protected:
  // Gives the location its sound back (from the play screen) and leaves the game state.
  void Destroy() override;

private:
  void LoadTemplate();
  void ShowCollectedItems();
  void AttachNavigation();
  void AttachPieces(TGWidget* W, bool InPiece);
  void StartMusic();
  void StopMusic();
  // Hides one hall and shows another, the bubble put away.
  void GoToHall(const char* From, const char* To);
  void OnWestWingClick(TGObject* Sender);
  void OnEastWingClick(TGObject* Sender);
  void OnMainHallClick(TGObject* Sender);
  void OnExitClick(TGObject* Sender);
  void OnBubbleClick(TGObject* Sender);

  const TGXMLNode* FMuseumItemsXML = nullptr; // the configuration's root, not owned
  TInfoBubble* FInfoBubble = nullptr;         // owned
  bool FPushedState = false;
};
