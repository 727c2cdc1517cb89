// The panel's two lists kept in step with the player's inventory: the objects to find (eight
// slots, or one secret-item line on a master-object page) and the tools drawer, which opens when
// tools are needed and closes when not. Each list runs a small queue of states: the objects
// list always rests in a static state that refreshes it every frame, a page change hides,
// refreshes and shows it again; the drawer rests opened or closed and moves through opening and
// closing states that last as long as the drawer's show or hide effect.
#pragma once

#include "script/UState.h"

#include <cstdint>
#include <string>
#include <vector>

class TGWidget;
class TGameObject;
class TGameScreen;
class TBaseItemArray;

class TItemsState : public TState {
  G_CLASS(TItemsState, TState)
  explicit TItemsState(TStateQueue* AQueue)
      : TState(AQueue) {}
  virtual void ItemMouseDown(int32_t Index) { (void)Index; }
};

class TStaticItemsState : public TItemsState {
  G_CLASS(TStaticItemsState, TItemsState)
  explicit TStaticItemsState(TStateQueue* AQueue)
      : TItemsState(AQueue) {}
  // The scanner takes the slot's first object still to find.
  void ItemMouseDown(int32_t Index) override;
};

class TRegularStaticItemsState : public TStaticItemsState {
  G_CLASS(TRegularStaticItemsState, TStaticItemsState)
  explicit TRegularStaticItemsState(TStateQueue* AQueue)
      : TStaticItemsState(AQueue) {}
  void Update(int32_t AInterval) override;
};

class TMasterStaticItemsState : public TStaticItemsState {
  G_CLASS(TMasterStaticItemsState, TStaticItemsState)
  explicit TMasterStaticItemsState(TStateQueue* AQueue)
      : TStaticItemsState(AQueue) {}
  void Update(int32_t AInterval) override;
};

class TRegularUpdateUIItemsState : public TItemsState {
  G_CLASS(TRegularUpdateUIItemsState, TItemsState)
  explicit TRegularUpdateUIItemsState(TStateQueue* AQueue)
      : TItemsState(AQueue) {}
  void Initialize() override;
};

class TMasterUpdateUIItemsState : public TItemsState {
  G_CLASS(TMasterUpdateUIItemsState, TItemsState)
  explicit TMasterUpdateUIItemsState(TStateQueue* AQueue)
      : TItemsState(AQueue) {}
  void Initialize() override;
};

// Hides (or shows) a widget and finishes when its effect is over.
class THideWidgetItemsState : public TItemsState {
  G_CLASS(THideWidgetItemsState, TItemsState)
  THideWidgetItemsState(TStateQueue* AQueue, TGWidget* AWidget)
      : TItemsState(AQueue)
      , FWidget(AWidget) {}
  explicit THideWidgetItemsState(TStateQueue* AQueue)
      : THideWidgetItemsState(AQueue, nullptr) {}
  void Initialize() override;
  void Update(int32_t AInterval) override;

private:
  TGWidget* FWidget;
};

class TShowWidgetItemsState : public TItemsState {
  G_CLASS(TShowWidgetItemsState, TItemsState)
  TShowWidgetItemsState(TStateQueue* AQueue, TGWidget* AWidget)
      : TItemsState(AQueue)
      , FWidget(AWidget) {}
  explicit TShowWidgetItemsState(TStateQueue* AQueue)
      : TShowWidgetItemsState(AQueue, nullptr) {}
  void Initialize() override;
  void Update(int32_t AInterval) override;

private:
  TGWidget* FWidget;
};

class TToolsState : public TState {
  G_CLASS(TToolsState, TState)
  explicit TToolsState(TStateQueue* AQueue)
      : TState(AQueue) {}
  virtual void ToolMouseDown(int32_t Index) { (void)Index; }
};

// Finishes when the drawer's effect is over.
class TWaitForWidgetToolsState : public TToolsState {
  G_CLASS(TWaitForWidgetToolsState, TToolsState)
  explicit TWaitForWidgetToolsState(TStateQueue* AQueue)
      : TToolsState(AQueue) {}
  void Initialize() override;
  void Update(int32_t AInterval) override;
};

class TOpeningToolsState : public TWaitForWidgetToolsState {
  G_CLASS(TOpeningToolsState, TWaitForWidgetToolsState)
  explicit TOpeningToolsState(TStateQueue* AQueue)
      : TWaitForWidgetToolsState(AQueue) {}
  void Initialize() override;
};

class TClosingToolsState : public TWaitForWidgetToolsState {
  G_CLASS(TClosingToolsState, TWaitForWidgetToolsState)
  explicit TClosingToolsState(TStateQueue* AQueue)
      : TWaitForWidgetToolsState(AQueue) {}
  void Initialize() override;
  void Finalize() override;
};

class TOpenedToolsState : public TToolsState {
  G_CLASS(TOpenedToolsState, TToolsState)
  explicit TOpenedToolsState(TStateQueue* AQueue)
      : TToolsState(AQueue) {}
  void Initialize() override;
  void Update(int32_t AInterval) override;
  // The tool goes to the location's main flow state as a click in the inventory.
  void ToolMouseDown(int32_t Index) override;
  // The icons of the first eight tool groups.
  static void UpdateUI();
};

class TClosedToolsState : public TToolsState {
  G_CLASS(TClosedToolsState, TToolsState)
  explicit TClosedToolsState(TStateQueue* AQueue)
      : TToolsState(AQueue) {}
  void Initialize() override;
};

class TGameScreenInventoryHelper : public TGObject {
  G_CLASS(TGameScreenInventoryHelper, TGObject)
  explicit TGameScreenInventoryHelper(TGObject* AOwner = nullptr)
      : TGameScreenInventoryHelper(AOwner, nullptr) {}
  TGameScreenInventoryHelper(TGObject* AOwner, TGameScreen* AScreen);
  void AfterConstruction() override;

  TStateQueue* ItemsStateQueue() const { return FItemsStateQueue; }
  TStateQueue* ToolsStateQueue() const { return FToolsStateQueue; }

  void ItemMouseDown(int32_t Index);
  void ToolMouseDown(int32_t Index);
  // The list shows the location's current page.
  void TurnPage();
  void PushStaticItemsState(bool Force);
  // Milliseconds.
  void Update(int32_t IntInterval);
  // Opens the drawer when a tool is needed (an object hidden behind another, a hot spot that
  // takes the mouse), unless the location keeps it closed or open.
  void UpdateTools();
  void OpenTools();
  void CloseTools();

  // The slot looks: 0 to find, 1 a clue, 2 a group with a hidden object, 3 found, 4 no group.
  enum TItemKind : int32_t { ikOrdinary = 0, ikClue = 1, ikHidden = 2, ikFound = 3, ikNone = 4 };
  static TGameObject* GetNotTakenItemByIndex(int32_t Index);
  static std::string GetNotTakenItemsText(const TBaseItemArray* Group);
  static bool GetIsMasterObjectPage();
  static void RegularUpdateUI();
  static void MasterUpdateUI();

private:
  void Setup();
  void OnItemMouseDownSigned(TGObject* Sender, int Button);
  void OnToolMouseDownSigned(TGObject* Sender, int Button);
  bool FrontIs(const TStateQueue* Queue, std::initializer_list<TGClass> Classes) const;

  TGameScreen* FScreen = nullptr;
  TStateQueue* FItemsStateQueue = nullptr; // owned
  TStateQueue* FToolsStateQueue = nullptr; // owned
  std::vector<TGWidget*> FItemLabels;      // slot index by position; the secret label last
  std::vector<TGWidget*> FToolIcons;
};

// Completes the widget's running effect at once, then shows (or hides) it.
void EnsuredShow(TGWidget* W);
void EnsuredHide(TGWidget* W);
