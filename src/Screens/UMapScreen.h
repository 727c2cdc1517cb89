// The story map: the eight chapters and the device assembled from one vial per chapter. A chapter
// finished since the last showing plays its flight and turns the device's tooth towards it.
// Hovering over the device or a vial names it in a fading tool hint (the play screen's hint
// machine). The map fades in from black, runs until "Continue" or "Menu", fades out and hides
// itself; the player's game state gsMapScreen is pushed while it exists.
#pragma once

#include "base/UGTypes.h"
#include "widgets/UGWindow.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class TGAnimation;
class TGameInterface;

class TMapScreen : public TGWindow {
  G_CLASS(TMapScreen, TGWindow)
  explicit TMapScreen(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // Loads "MapScreen.win" and sets every chapter's look from the player's chapter states; a
  // chapter moving to finished starts its flight and becomes finished.
  void AfterConstruction() override;

  void OnContinueClick(TGObject* Sender);
  // Fades out and leaves the game for the main menu.
  void OnMenuClick(TGObject* Sender);

  // The window's update, then quit requests, the ends of the fades and the tool hint.
  void Update(float DeltaTime) override;
  // The playlist and the fade advance; the tree gets no time while paused or nearly black.
  void UpdateTree(float DeltaTime) override;
  // The tree, then the black fade rectangle.
  void DrawTree() override;
  void ApplicationActivate() override;
  void ApplicationDeactivate() override;

  // --- The tool hint ---
  void ToolMouseEnter(TGWidget* Widget);
  void ToolMouseLeave();
  void StartToolHint(const std::string& Text, const TGPoint& Pos);
  void HideToolHint();
  // Milliseconds.
  void UpdateToolHint(int32_t Milliseconds);
  // The dictionary text naming a device part by its widget name ("$Unknown$" for others).
  static std::string GetToolCaption(std::string_view WidgetName);
  // The device part whose picture lies under the screen point, the last listed first; none.
  TGWidget* ToolAt(const TGPoint& P) const;

  // --- State, for tests ---
  bool Paused() const { return FPaused; }
  float FadeValue() const { return FFadeValue; }
  int32_t FadingState() const { return FFadingState; }
  TGAnimation* CurrentAnimation() const { return FCurrentAnimation; }
  TGWidget* MouseOverWidget() const { return FMouseOverWidget; }
  float WaitTime() const { return FWaitTime; }
  TGameInterface* ToolHintMachine() const { return FToolHint; }
  // The alpha of the black rectangle drawn over the screen now; 0 when none is drawn.
  uint8_t BlackAlpha() const;

  static constexpr const char* CTemplateURL = "MapScreen.win";
  static constexpr const char* CCursorURL = "Cursors\\Pointer.ani";
  static constexpr const char* CToothURL = "UI\\MapScreen\\Tooth.ani";
  static constexpr std::array<const char*, 8> CChapterNames = {
      "Alaska",  "Australia",  "Greenland", "NewYork",
      "Morocco", "Alexandria", "Congo",     "VelgrathLair"};
  static constexpr std::array<float, 8> CChapterAngles = {0, 120, -30, 0, 180, -90, 90, 0};
  static constexpr std::array<const char*, 9> CToolsName = {"Heart",
                                                            "Heart\\VialAlaska",
                                                            "Heart\\VialAustralia",
                                                            "Heart\\VialGreenland",
                                                            "Heart\\VialNewYork",
                                                            "Heart\\VialMorocco",
                                                            "Heart\\VialAlexandria",
                                                            "Heart\\VialCongo",
                                                            "Heart\\VialVelgrathLair"};
  // Fade units per second; the fade-in ends above 255, the fade-out hides the map below -20.
  static constexpr float CFadeSpeed = 700;
  static constexpr float CFadeOutEnd = -20;
  // Below this fade value the widgets get no time.
  static constexpr float CFadeUpdateLimit = 64;
  // Seconds the mouse stands still before the part under it is looked for.
  static constexpr float CToolWaitTime = 0.5f;

protected:
  void Destroy() override;

private:
  void LoadTemplate();
  void ShowChapter(int32_t Index);
  void StartFlight(int32_t Index);
  // The tooth's picture: a clone of the tooth animation turned by Angle - 90 degrees.
  void TurnTooth(float Angle);
  void ApplyFixedOverrides();
  void SetShown(std::string_view Path, bool Value);
  bool IsShown(std::string_view Path) const;
  void UpdateFadeEnds();
  void UpdateMouseWait(float DeltaTime);
  void Close();

  bool FPaused = false;
  float FFadeValue = 0;
  int32_t FFadingState = 0;
  TGAnimation* FCurrentAnimation = nullptr; // the instance shown by a flight picture
  TGameInterface* FToolHint = nullptr;      // owned: the hint's fade machine
  float FWaitTime = 0;
  TGPoint FWaitPos{};
  TGWidget* FMouseOverWidget = nullptr; // one of the window's widgets
  TGGraphic* FToothClone = nullptr;     // owned by the tooth widget
  bool FStatePushed = false;
};
