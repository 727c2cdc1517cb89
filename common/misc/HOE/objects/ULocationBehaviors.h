// What clicks on an object in the scene do: run its script (custom), pick it up and fly it to
// the panel (pickable, and its variants for collectible birds and museum pieces), or take a
// hint from it.
#pragma once

#include "objects/UGameObjectBehavior.h"

#include <vector>

class TBaseCustomLocationBehavior : public TLocationGameObjectBehavior {
  G_CLASS(TBaseCustomLocationBehavior, TLocationGameObjectBehavior)
  explicit TBaseCustomLocationBehavior(TGObject* AOwner = nullptr)
      : TLocationGameObjectBehavior(AOwner) {}

  std::string Name() const override { return ""; }
  std::string Attrs() const override {
    return "OnLocationMouseDown," + TLocationGameObjectBehavior::Attrs();
  }
  // The object's "OnLocationMouseDown".
  void MouseDown(TGameObject* Obj, int Button) override;
};

class TCustomLocationBehavior : public TBaseCustomLocationBehavior {
  G_CLASS(TCustomLocationBehavior, TBaseCustomLocationBehavior)
  explicit TCustomLocationBehavior(TGObject* AOwner = nullptr)
      : TBaseCustomLocationBehavior(AOwner) {}
};

class TBasePickableLocationBehavior : public TLocationGameObjectBehavior {
  G_CLASS(TBasePickableLocationBehavior, TLocationGameObjectBehavior)
  explicit TBasePickableLocationBehavior(TGObject* AOwner = nullptr);

  // A step of the pick; setting Stop ends the pick there.
  using THandler = void (TBasePickableLocationBehavior::*)(TGameObject* Obj, int Button,
                                                           bool& Stop);

  std::string Name() const override { return "Pickable"; }
  std::string Attrs() const override {
    return "PickCondition,OnPick,OnFirstTimePick," + TLocationGameObjectBehavior::Attrs();
  }
  // The steps in order, until one stops.
  void MouseDown(TGameObject* Obj, int Button) override;
  // The flight has ended: the object goes into the inventory.
  virtual void OnFinishFlying(TGameObject* Obj);
  // Whether the object is on the current items page and not hidden.
  virtual bool CheckIsPickable(TGameObject* Obj);
  // Asks the play screen to fly the object to the panel; false when it refuses.
  virtual bool FlyToInventory(TGameObject* Obj);

protected:
  void AddHandler(THandler Handler) { FMouseDownHandlers.push_back(Handler); }

private:
  void BaseMouseDown(TGameObject* Obj, int Button, bool& Stop);
  void RefuseWhileHolding(TGameObject* Obj, int Button, bool& Stop);
  void RefuseUnlisted(TGameObject* Obj, int Button, bool& Stop);
  void AskPickCondition(TGameObject* Obj, int Button, bool& Stop);
  void NameSender(TGameObject* Obj, int Button, bool& Stop);
  void ShowTakenPicture(TGameObject* Obj, int Button, bool& Stop);
  void Fly(TGameObject* Obj, int Button, bool& Stop);
  void RunPickScripts(TGameObject* Obj, int Button, bool& Stop);

  std::vector<THandler> FMouseDownHandlers;
  // The object had never been taken when this pick began.
  bool FFirstTake = false;
};

class TPickableLocationBehavior : public TBasePickableLocationBehavior {
  G_CLASS(TPickableLocationBehavior, TBasePickableLocationBehavior)
  explicit TPickableLocationBehavior(TGObject* AOwner = nullptr)
      : TBasePickableLocationBehavior(AOwner) {}

  // A refused flight runs the location's "ToolsOverflowHandler".
  bool FlyToInventory(TGameObject* Obj) override;
  // A tool also shows in the half-opened tools drawer.
  void OnFinishFlying(TGameObject* Obj) override;
};

// Collectible birds: always pickable, recorded per location, and 60 of them unlock the bird
// mode.
class TPickableZephrinLocationBehavior : public TPickableLocationBehavior {
  G_CLASS(TPickableZephrinLocationBehavior, TPickableLocationBehavior)
  explicit TPickableZephrinLocationBehavior(TGObject* AOwner = nullptr)
      : TPickableLocationBehavior(AOwner) {}

  std::string Name() const override { return "Pickable Zephrin"; }
  bool CheckIsPickable(TGameObject* Obj) override;
  std::string FlyingConfigName(TGameObject* Obj) const override;
  void OnFinishFlying(TGameObject* Obj) override;
};

// A hint lying in the scene: it flies to the hint button and adds one hint.
class TPickableHintLocationBehavior : public TLocationGameObjectBehavior {
  G_CLASS(TPickableHintLocationBehavior, TLocationGameObjectBehavior)
  explicit TPickableHintLocationBehavior(TGObject* AOwner = nullptr)
      : TLocationGameObjectBehavior(AOwner) {}

  std::string Name() const override { return "Pickable Hint"; }
  std::string Attrs() const override { return ""; }
  void MouseDown(TGameObject* Obj, int Button) override;
  void OnFinishFlying(TGameObject* Obj);
};

// Museum pieces: picked as usual, then placed in the player's museum.
class TMuseumLocationBehavior : public TPickableLocationBehavior {
  G_CLASS(TMuseumLocationBehavior, TPickableLocationBehavior)
  explicit TMuseumLocationBehavior(TGObject* AOwner = nullptr);

  std::string Name() const override { return "Museum"; }
  std::string Attrs() const override { return TPickableLocationBehavior::Attrs() + ",PickMessage"; }
  std::string FlyingConfigName(TGameObject* Obj) const override;
  // The class's own line about the pieces it takes.
  virtual std::string PickMessage() const;

private:
  void TakeIntoMuseum(TGameObject* Obj, int Button, bool& Stop);
};

class TMuseumMidasLocationBehavior : public TMuseumLocationBehavior {
  G_CLASS(TMuseumMidasLocationBehavior, TMuseumLocationBehavior)
  explicit TMuseumMidasLocationBehavior(TGObject* AOwner = nullptr)
      : TMuseumLocationBehavior(AOwner) {}

  std::string Name() const override { return "Museum Midas"; }
  std::string PickMessage() const override;
};
