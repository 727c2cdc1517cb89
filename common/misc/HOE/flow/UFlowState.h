// Flow states: the steps a location's flow channels run one after another (a pause, a script, a
// location animation, a speech cue, the interactive state...). The front state of the main
// channel also receives the player's clicks and keys; a state that does not handle an event
// swallows it. Every state is saved with its location and made again by class name.
#pragma once

#include "object/UGClass.h"
#include "script/UState.h"

#include <string>
#include <string_view>
#include <vector>

class TBaseFlowChannel;
class TBaseGameObject;
class TGameObject;
class TGXMLNode;

class TBaseFlowState : public TState {
  G_CLASS(TBaseFlowState, TState)
  // Creating a state queues it on the channel (none: an unqueued state).
  explicit TBaseFlowState(TGObject* AOwnerChannel = nullptr);

  TBaseFlowChannel* FlowChannel() const;

  // "ClassName" and "Status"; restored states carry on without a new Initialize.
  virtual void LoadFromXML(const TGXMLNode* Node);
  // A new "FlowState" element.
  virtual TGXMLNode* SaveToXML() const;

  virtual void Draw() {}
  virtual void AfterDrawLocation() {}
  virtual void GameObjectMouseDown(TGameObject* Sender, int Button);
  virtual void GameObjectMouseUp(TGameObject* Sender, int Button);
  virtual void GameObjectInventoryMouseDown(TGameObject* Sender, int Button);
  virtual void GameObjectBeforeDraw(TGameObject* AObject) { (void)AObject; }
  virtual void GameObjectAfterDraw(TGameObject* AObject) { (void)AObject; }
  virtual void WindowMouseDown(int Button) { (void)Button; }
  virtual void WindowMouseUp(int Button) { (void)Button; }
  virtual void WindowKeyDown(int Key) { (void)Key; }

  // Appends the class to the registry of flow-state classes.
  static void RegisterClass(TGClass AClass);
  // Reads "ClassName", makes the state on the channel and loads it.
  static TBaseFlowState* CreateFromXML(TBaseFlowChannel* Channel, const TGXMLNode* Node);
};

class TFlowState : public TBaseFlowState {
  G_CLASS(TFlowState, TBaseFlowState)
  explicit TFlowState(TGObject* AOwnerChannel = nullptr)
      : TBaseFlowState(AOwnerChannel) {}
};

// The flow-state classes that saved flow controls may name.
class TFlowStateClassRegistry {
public:
  // Appends the class; one registered already stays where it is.
  void Add(TGClass AClass);
  // The first class of exactly that name: "Wrong FlowState class name: %s" otherwise.
  TGClass GetItem(std::string_view Name) const;
  const std::vector<TGClass>& Items() const { return FItems; }
  void Clear() { FItems.clear(); }

private:
  std::vector<TGClass> FItems;
};

TFlowStateClassRegistry& FlowStateClassRegistry();
