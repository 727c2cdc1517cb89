// A full-screen window that shows one location as it plays, for content authors and the demo:
// the location is loaded from its file as a profile loads it, becomes the player's current
// location, deals its objects to find into its pages as a switch to it does, and is activated;
// every frame it is updated and drawn, the object under the mouse is outlined, and clicks and
// keys go to the front state of its main flow channel.
//
// The play screen (its panel, flights and score) is not part of this window. While the view is
// open, a stand-in of its own answers what the framework asks of a play screen, doing the least
// that keeps the location sound: a picked object leaves the location at once and is counted, a
// picked tool goes into the hand (T takes the next one, a right click puts it down), lines to be
// said, speech anchors and tips are written to the diagnostic output, page turns move to the next
// items page and list its objects in the player's inventory (the status line shows them as the
// panel would: a group as one line, a clue instead of a caption), the location's music plays
// through a music manager of the view's own, and a script's "GameScreen.FadeToLocation" opens the
// location named at the next frame.
#pragma once

#include "Screens/UFramedWindow.h"
#include "math/UGMathTypes.h"

#include <memory>
#include <string>
#include <vector>

class IPlayScreen;
class TBaseLocation;
class TGObject;
class TMusicManager;
class TPlayList;
class TGameObject;
class TGSymbol;
class TGText;
class TPlayer;
class TLocationViewScreen;

class TLocationView : public TFramedWindow {
  G_CLASS(TLocationView, TFramedWindow)
  explicit TLocationView(TGObject* AOwner = nullptr);
  ~TLocationView() override;

  // Loads the location file (its URL below "loc\", "Harbour.loc") from the program's resource
  // library and enters it, in place of the location shown before. The game framework must be
  // started. A file that cannot be read or made into a location raises an error naming it.
  void Open(const std::string& URL);
  TBaseLocation* Location() const { return FLocation; }
  // The object the mouse is over (outlined), or none.
  TGameObject* Highlighted() const { return FHighlighted; }
  // The IDs of the objects picked, in the order they landed.
  std::vector<std::string> TakenIDs() const;
  // The music of the locations shown.
  TMusicManager* MusicManager() const { return FMusic; }
  // The location a script asked to go to, opened at the next frame; empty when none.
  const std::string& NextURL() const { return FNextURL; }
  // The bottom line: what is left to find on the page, and how many were found.
  std::string StatusText() const;

  // The mouse at a point of the screen: the window's mouse handlers pass the mouse position.
  void PointAt(const TGFlatVector& Point);
  void ClickAt(const TGFlatVector& Point, int Button);
  void ReleaseAt(const TGFlatVector& Point, int Button);

  // Advances the location by the interval in milliseconds (fractions carry over to the next).
  void UpdateTree(float Interval) override;
  void DrawTree() override;
  void MouseMove() override;
  void MouseDown(int Button) override;
  void MouseUp(int Button) override;
  // Esc closes the view, T takes the next picked tool in hand; other keys go to the front state.
  void KeyDown(uint16_t Key) override;

protected:
  void Destroy() override;

private:
  friend class TLocationViewScreen;

  // Leaves and frees the location shown, with the objects taken out of it.
  void Close();
  void SetHighlighted(TGameObject* Obj);
  void DrawHeldObject();
  void DrawStatus();
  TGFlatVector MousePoint() const;
  // Opens the location a script asked for, if any (between frames, never inside an update).
  void OpenNext();

  TBaseLocation* FLocation = nullptr; // freed through the loader
  TPlayer* FOwnPlayer = nullptr;      // owned; made when there is no current player
  std::unique_ptr<TLocationViewScreen> FScreen;
  IPlayScreen* FPreviousScreen = nullptr;
  TGameObject* FHighlighted = nullptr;
  TGFlatVector FMouse{-1, -1};
  double FPendingMilliseconds = 0;
  TGSymbol* FHeldSymbol = nullptr;    // owned: the held object drawn at the mouse
  TGText* FStatus = nullptr;          // owned; none without the content's text font
  TPlayList* FPlayList = nullptr;     // owned, made with the first location
  TMusicManager* FMusic = nullptr;    // owned, as FPlayList
  TGObject* FScripting = nullptr;     // owned: "GameScreen" in scripts
  TGObject* FTipsScripting = nullptr; // owned: "Tips" in scripts
  std::string FNextURL;
  bool FNextPending = false;
};
