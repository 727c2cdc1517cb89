// Behaviours decide what clicks on game objects do: a location behaviour handles clicks on an
// object in the scene (pick it up, run its script, give a hint), an inventory behaviour clicks
// on it in the inventory and its use on other objects. They are shared, one of each class,
// looked up by the name an object gives.
#pragma once

#include "object/UGCollection.h"

#include <string>
#include <string_view>

class TGameObject;

// The flights the code asks the play screen's catalogue (FlyingAni.cfg) for: a picked object's
// and a tool's, a museum piece's, a location's first bird's and every later one's, a tool put
// back from the mouse, and the tutorial's PDA. The content checker demands each of them.
namespace FlightNames {
constexpr const char* CDefault = "Default";
constexpr const char* CTool = "Tool";
constexpr const char* CMuseum = "Museum";
constexpr const char* CFirstZephrin = "Zephrin01";
constexpr const char* CLaterZephrin = "Zephrin02";
constexpr const char* CResetCursor = "ResetCursor";
constexpr const char* CPDA = "PDAFlying";
constexpr const char* CAll[] = {CDefault,      CTool,        CMuseum, CFirstZephrin,
                                CLaterZephrin, CResetCursor, CPDA};
} // namespace FlightNames

class TGameObjectBehavior : public TGObject {
  G_CLASS(TGameObjectBehavior, TGObject)
  explicit TGameObjectBehavior(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // The name objects give; empty for the custom behaviours.
  virtual std::string Name() const = 0;
  // The dynamic properties the behaviour reads, comma-separated (for editing tools).
  virtual std::string Attrs() const = 0;
  virtual bool ConditionsMet(TGameObject* GameObject, TGameObject* Target) {
    (void)GameObject;
    (void)Target;
    return false;
  }

protected:
  // Runs the object's script held in the dynamic property (nothing when it has none).
  static void RunAttr(const TGameObject* Obj, const std::string& Attr);
  static bool HasAttr(const TGameObject* Obj, const std::string& Attr);
  // "Sender" names the object in the scripts that follow.
  static void SetSender(const TGameObject* Obj);
};

class TLocationGameObjectBehavior : public TGameObjectBehavior {
  G_CLASS(TLocationGameObjectBehavior, TGameObjectBehavior)
  explicit TLocationGameObjectBehavior(TGObject* AOwner = nullptr)
      : TGameObjectBehavior(AOwner) {}

  std::string Attrs() const override {
    return "OnLocationMouseEnter,OnLocationMouseLeave,OnAppearInItems";
  }
  // The flight the object takes to the panel.
  virtual std::string FlyingConfigName(TGameObject* Obj) const;
  // Once, when the object first shows in the list of objects to find.
  virtual void AppearInItems(TGameObject* Obj);
  virtual void MouseDown(TGameObject* Obj, int Button);
  virtual void MouseEnter(TGameObject* Obj);
  virtual void MouseLeave(TGameObject* Obj);
};

class TInventoryGameObjectBehavior : public TGameObjectBehavior {
  G_CLASS(TInventoryGameObjectBehavior, TGameObjectBehavior)
  explicit TInventoryGameObjectBehavior(TGObject* AOwner = nullptr)
      : TGameObjectBehavior(AOwner) {}

  virtual void MouseDown(TGameObject* Obj, int Button) = 0;
  // The held object used on the target. False stops the whole click silently: the clicked
  // object's own behaviour does not run either.
  virtual bool Act(TGameObject* Held, TGameObject* Target) {
    (void)Held;
    (void)Target;
    return true;
  }
};

// Behaviours in the order they were added; the collection owns them.
class TGameObjectBehaviorCollection : public TGCollection {
  G_CLASS(TGameObjectBehaviorCollection, TGCollection)
  explicit TGameObjectBehaviorCollection(TGObject* AOwner = nullptr)
      : TGCollection(AOwner) {}

  // The first behaviour whose name is exactly Name, or none.
  TGameObjectBehavior* ByName(std::string_view AName) const;
};

// Filled at start-up (RegisterGameClasses); none before.
extern TGameObjectBehaviorCollection* LocationBehaviors;
extern TGameObjectBehaviorCollection* InventoryBehaviors;

// The behaviours an object names; a name no behaviour has gives none (nothing happens).
TLocationGameObjectBehavior* LocationBehaviorOf(const TGameObject* Obj);
TInventoryGameObjectBehavior* InventoryBehaviorOf(const TGameObject* Obj);
