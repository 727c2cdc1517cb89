// The match-three game's window: "MatchScreen.win" laid over the match-three location as a
// child of the play screen. It owns the rules (with their board and game states), the game's
// particles and the bonuses' trail pool, draws the board's layers, and runs the rules only while
// the play screen is the top window, so the game stands still under menus and dialogues. The
// speed keys scale the rules' time only. One screen is current process-wide at a time.
#pragma once

#include "Locations/MatchGame/UMatchConfig.h"
#include "widgets/UGWindow.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

class TCell;
class TExplosionChainSymbolManager;
class TGameLogic;
class TGGraphic;
class TGParticleSystem;
class TGProgressBar;
class TGXMLNode;
class TMatchGame;

class TMatchScreen : public TGWindow {
  G_CLASS(TMatchScreen, TGWindow)
  static constexpr const char* CTemplateURL = "MatchScreen.win";
  // Owned by the location that shows it (which may be none in tests).
  explicit TMatchScreen(TGObject* AOwner = nullptr, TMatchGame* ALocation = nullptr)
      : TGWindow(AOwner)
      , FLocation(ALocation) {}
  // Loads the window, the first level and its rules, and attaches the board's drawing.
  void AfterConstruction() override;

  TGameLogic* GameLogic() const { return FGameLogic; }
  TMatchGame* Location() const { return FLocation; }
  bool Paused() const { return FPaused; }
  TGParticleSystem* Particles() const { return FParticleSystem; }
  float SpeedMultiplier() const { return FSpeedMultiplier; }
  void SetSpeedMultiplier(float Value);
  // "Timer\TimerBack\Timer", "Board" and "Timer"; none when the window file lacks them.
  TGProgressBar* TimeLine() const { return FTimeLine; }
  TGWidget* BoardPanel() const { return FBoardPanel; }
  TGWidget* TimerFrame() const { return FTimerFrame; }

  // At least three blocks stand in the three bottom rows and no dice bonus is on the board.
  bool IsAllHeadsDown() const;
  // Whether the play screen is the top window (the game runs only then); true without one.
  static bool IsPlayScreenOnTop();

  void Update(float DeltaTime) override;
  void UpdateTree(float DeltaTime) override;
  void DrawTree() override;
  // The window's keys (the playing state's cheats), then the speed keys.
  void KeyDown(uint16_t Key) override;

protected:
  // The rules go first (their states still find the widgets), then the rest.
  void Destroy() override;

private:
  void LoadLevel();
  void AttachDrawing();
  // Shows the rules' score and time line on their widgets.
  void ShowRules();
  TGGraphic* Graphic(const std::string& URL);
  void DrawCells(const std::function<void(const TCell&, float, float)>& DrawCell);
  // The picture with its top-left corner there; nothing for an empty name.
  void DrawAt(std::string_view URL, float X, float Y);
  // The dice bonuses' flashes that have played go.
  void RemovePlayedFlashes();
  // The layers' drawing, in the layer widgets' own pixels.
  void DrawTiles(TGObject* Sender);
  void DrawPath(TGObject* Sender);
  void DrawWalls(TGObject* Sender);
  void DrawTargets(TGObject* Sender);
  void DrawPortals(TGObject* Sender);
  void DrawItems(TGObject* Sender);
  // The 41-pixel crop of the field picture at the cell's place.
  void DrawFieldCrop(TGGraphic* Field, float X, float Y);

  bool FPaused = true;
  TGameLogic* FGameLogic = nullptr; // owned
  TGParticleSystem* FParticleSystem = nullptr;
  float FSpeedMultiplier = 1;
  TMatchGame* FLocation;
  TExplosionChainSymbolManager* FSymbols = nullptr; // owned
  TGProgressBar* FTimeLine = nullptr;
  TGWidget* FBoardPanel = nullptr;
  TGWidget* FTimerFrame = nullptr;
  TMatchConfig FConfig;
  // Pictures by name, referenced while the screen exists; none for a name that did not load.
  std::unordered_map<std::string, TGGraphic*> FGraphics;
};

// The match screen that is up, or none.
extern TMatchScreen* CurrentMatchScreen;
