// What the hidden-object framework asks of the play screen. The screen lives above the framework
// (with the other screens), so flow states, behaviours and locations reach it through this
// interface, which the screen implements and registers while it exists.
#pragma once

#include "math/UGMathTypes.h"
#include "object/UGObject.h"

#include <string>

class TBaseLocation;
class TFadeWindow;
class TGameObject;
class TMusicManager;

// Called with the object when its flight to the panel ends.
using TFlightFinishEvent = TGMethod<void(TGameObject*)>;

class IPlayScreen {
public:
  virtual ~IPlayScreen() = default;

  // The panel at the bottom of the screen appears (the interactive state starts).
  virtual void ShowGameInterface() = 0;
  // Drops the object held on the cursor, flying it back to the tools when asked.
  virtual void ResetCursor(bool ReturnToInventory) = 0;
  // Takes the object out of the location and the inventory into the player's hand.
  virtual void AssignToCursor(TGameObject* AObject) = 0;
  // Starts the object's flight to the panel and scores it; false when the flight is refused
  // (the tools drawer is full).
  virtual bool FlyToInventoryEx(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) = 0;
  // Counts the taking and moves the object into the inventory.
  virtual void MoveToInventory(TGameObject* AObject) = 0;
  // A flight of the flying control that does not score (hints picked in the scene); false when
  // refused.
  virtual bool PushFlight(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) = 0;
  virtual bool IsFlying(const TGameObject* AObject) const = 0;
  // A click on the object as the screen handles it (the developer keys use it).
  virtual void GameObjectMouseDown(TGameObject* AObject, int Button) = 0;
  // The hints the player has left (0 to 99).
  virtual int HintCount() const = 0;
  virtual void SetHintCount(int Value) = 0;
  // A line said in a speech bubble at the named position; Script runs when it is done.
  virtual void Say(const std::string& Position, const std::string& Text,
                   const std::string& Script) = 0;
  // The bubble is showing, or lines wait to be said.
  virtual bool SpeechPending() const = 0;
  // Moves to the next items page of the location.
  virtual void UpdateCurrentItemsPage(bool AutoIncPageIndex, bool AWaitEffect) = 0;
  // The screen is being closed: locations no longer turn pages.
  virtual bool IsUnloading() const = 0;
  // Plays an effect over the screen after the ones queued before it.
  virtual void QueueAnimation(const std::string& URL) = 0;
  // The screen's window: its fade (the black screen of briefings) and its widgets.
  virtual TFadeWindow* Window() = 0;
  // The music of locations: their tracks and event music.
  virtual TMusicManager* MusicManager() = 0;
  // A new location: the scanner starts over, queued effects go.
  virtual void ResetScanner() = 0;
  virtual void ClearAnimationsQueue() = 0;
  // The hint points at the object (the puzzle hint).
  virtual void HintObject(TGameObject* AObject) = 0;
  // The avatar looks happy for that long.
  virtual void SetAvatarHappy(float Seconds) = 0;
  // The picture the game cursor shows now, and where the mouse is on the location.
  virtual std::string CursorGraphicURL() const = 0;
  virtual TGFlatVector CursorPosition() const = 0;

  // What the profile asks when it saves and switches locations; a screen without flights,
  // bubbles or hint sparks does nothing.
  // Ends every flight at once, its object arriving where it flies to.
  virtual void LandFlyingObjects() {}
  // Before a switch: the bubble closes, queued lines and hint sparks go.
  virtual void BeforeLocationSwitch() {}
  // After a switch to the location: its avatar shows and the hint display follows it.
  virtual void AfterLocationSwitch(TBaseLocation* Location) { (void)Location; }
  // Fades out and on to the location.
  virtual void FadeToLocation(const std::string& URL) { (void)URL; }
  // Closes the windows above the screen and the screen itself (the player leaves the game).
  virtual void ExitGame() {}
  // The score multiplier of the next pick: 2 within the combo time of the previous pick.
  virtual int BonusFactor() const { return 1; }
};

// The play screen that exists now, or none.
IPlayScreen* PlayScreen();
void SetPlayScreen(IPlayScreen* Screen);
