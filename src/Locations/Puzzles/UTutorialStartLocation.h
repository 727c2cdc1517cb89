// The story's first scene, which introduces the interface step by step: the menu button shows
// once the heroine has picked up her PDA, the scanner once it has arrived; the player picks the
// difficulty while the heroine explains each mode, and tutorial pages explain the play. The
// scene's scripts drive it through the operations published here.
#pragma once

#include "locations/USimpleLocation.h"

class TBaseGameObject;
class TGWidget;
class TTipsWindowEx;

class TAlaska_01 : public TLocationWithGoalAllItemsCollected {
  G_CLASS(TAlaska_01, TLocationWithGoalAllItemsCollected)
  explicit TAlaska_01(TGObject* AOwner = nullptr)
      : TLocationWithGoalAllItemsCollected(AOwner) {}

  static constexpr const char* CPDAID = "PDA_01_01";
  static constexpr const char* CScannerID = "Scaner_01_01";
  static constexpr const char* CTutorialFolder = "Game\\Tutorial\\";
  static constexpr int32_t CPDAPoints = 500;
  static constexpr int32_t CPDASpeechPause = 2500;

  TGWidget* Menu() const { return FMenu; }
  // The tips window open now, or none.
  TTipsWindowEx* Tips() const { return FTips; }

  // The menu button and the scanner follow the PDA's and the scanner's taken state.
  void Activate() override;
  void AfterFadeIn() override;
  // A tips window closed outside a modal loop is freed here.
  void Update(int32_t AInterval) override;
  // Once per profile: the pages on finding things, blue objects, the cursor, hints and clues.
  void ShowStartTutorial();
  // The page on the collectible bird, unless the program is quitting for good.
  void ShowTutorialZephrin();
  // The scanner flies to the panel and the heroine says what it does at this difficulty.
  void TakeScanner();
  void SetDifficulty(int32_t Value);
  // The heroine explains the difficulty under the mouse (0, 1 or 2) at once.
  void DifficultyHover(int32_t Type);

  void PDAMouseDown(TBaseGameObject* Sender, int Button);
  void PDAFinishFlying(TGameObject* Sender);
  void ScannerFinishFlying(TGameObject* Sender);
  void DoOnToolsBlinkActivate(TGObject* Sender);
  void DoOnToolsBlinkDectivate(TGObject* Sender);

  static void Publish(TGClassBuilder<TAlaska_01>& B);

protected:
  void Destroy() override;

private:
  TGameObject* GameObject(const char* ID) const;
  bool Taken(const char* ID) const;
  void ShowMenu(bool Value);
  void ShowScanner(bool Value);
  // A tips window owned by the location, shown modally; it frees itself when closed.
  TTipsWindowEx* NewTips();
  void ShowTips();
  void OnTipsDestroy(TGObject* Sender);

  TGWidget* FMenu = nullptr; // the play screen's
  TTipsWindowEx* FTips = nullptr;
};
