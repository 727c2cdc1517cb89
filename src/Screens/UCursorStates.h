// The play screen's cursor states: one object per kind of cursor (the plain pointer, the hint
// cursor, a held tool's picture over nothing, over a usable or unusable hot spot or over a
// magnifiable object, the blue cursor over a hot spot, an object's own cursor and the walking-man
// arrow over exits). A state puts its graphic on the owner widget (the play screen) as the
// widget's cursor and on the application's cursor symbol, which draws it. The game cursor
// (UGameCursor) keeps one state of each class and chooses the current one every frame.
#pragma once

#include "math/UGMathTypes.h"
#include "object/UGClassBuilder.h"

#include <cstdint>
#include <string>

class TGAnimation;
class TGGraphic;
class TGWidget;
class TGameObject;

class TBaseCursorState : public TGObject {
  G_CLASS(TBaseCursorState, TGObject)
  explicit TBaseCursorState(TGObject* AOwner = nullptr);

  TGWidget* Widget() const { return FWidget; }
  // The object the state was initialised for, or none (also once that object is gone).
  TGameObject* GameObject() const { return FGameObject; }
  // The object's graphic URL when the state was initialised.
  const std::string& GameObjectGfxURL() const { return FGameObjectGfxURL; }
  // Extra data: the walk cursor's graphic.
  TGObject* Data() const { return FData; }

  // Stores the widget, the object, the object's graphic URL and the data.
  virtual void Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData);
  // Once per frame while the state is current; nothing here.
  virtual void Update() {}
  // Whether a SetCursor with these arguments must initialise the state again; always here.
  virtual bool NeedsInitialize(TBaseCursorState* AState, TGameObject* AObject, TGObject* AData);

protected:
  void Destroy() override;
  // The application's cursor symbol shows the owner's cursor graphic, and is told so.
  void ShowOwnerCursorInApp();

private:
  void OnLinkedDestroy(TGObject* Sender);
  void Link(TGObject* Obj);
  void Unlink(TGObject* Obj);

  TGWidget* FWidget = nullptr;
  TGameObject* FGameObject = nullptr;
  std::string FGameObjectGfxURL;
  TGObject* FData = nullptr;
};

// The plain pointer, "Cursors\Pointer.ani", put on the owner every frame.
class TPointerCursorState : public TBaseCursorState {
  G_CLASS(TPointerCursorState, TBaseCursorState)
  using TBaseCursorState::TBaseCursorState;

  static constexpr const char* CGfxURL = "Cursors\\Pointer.ani";
  void Update() override;
};

// A cursor animation that carries the object's picture in its channel 1, the picture's opaque
// centre on the hot spot that channel 0 marks; an object with FullCursor is its own cursor.
class TActableCursorState : public TBaseCursorState {
  G_CLASS(TActableCursorState, TBaseCursorState)
  using TBaseCursorState::TBaseCursorState;

  void Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData) override;
  // Only for another class of state, another object or a new picture of the same object.
  bool NeedsInitialize(TBaseCursorState* AState, TGameObject* AObject, TGObject* AData) override;
  // The cursor animation's URL; none here.
  virtual std::string CursorGfxURL() const { return {}; }
  // The owner's cursor becomes the animation at CursorGfxURL, showing the object's picture.
  virtual void UpdateOwnerCursor();
};

// A tool held over a hot spot where it can be used: the picture with sparks around the hot spot
// that blow away from the side of the screen the mouse is on.
class THotSpotCursorState : public TActableCursorState {
  G_CLASS(THotSpotCursorState, TActableCursorState)
  using TActableCursorState::TActableCursorState;

  static constexpr const char* CGfxURL = "Cursors\\GameObjectPulsating.ani";
  std::string CursorGfxURL() const override { return CGfxURL; }
  void Update() override;
};

// A tool held over a hot spot where it cannot be used.
class THotSpotWrongCursorState : public TActableCursorState {
  G_CLASS(THotSpotWrongCursorState, TActableCursorState)
  using TActableCursorState::TActableCursorState;

  static constexpr const char* CGfxURL = "Cursors\\GameObjectWrongPulsating.ani";
  std::string CursorGfxURL() const override { return CGfxURL; }
};

// A tool held over nothing it could be used on.
class TGameObjectCursorState : public TActableCursorState {
  G_CLASS(TGameObjectCursorState, TActableCursorState)
  using TActableCursorState::TActableCursorState;

  static constexpr const char* CGfxURL = "Cursors\\GameObject.ani";
  std::string CursorGfxURL() const override { return CGfxURL; }
};

// A tool held over an object that can be looked at closer.
class TGreenGameObjectCursorState : public TActableCursorState {
  G_CLASS(TGreenGameObjectCursorState, TActableCursorState)
  using TActableCursorState::TActableCursorState;

  static constexpr const char* CGfxURL = "Cursors\\GameObjectZoom.ani";
  std::string CursorGfxURL() const override { return CGfxURL; }
};

// A cursor that is one graphic as it stands.
class TSimpleCursorState : public TBaseCursorState {
  G_CLASS(TSimpleCursorState, TBaseCursorState)
  using TBaseCursorState::TBaseCursorState;

  // The owner's cursor becomes the graphic at CursorGfxURL.
  void Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData) override;
  // The graphic's URL; none here.
  virtual std::string CursorGfxURL() const { return {}; }
};

// Choosing the object to hint at.
class THintCursorState : public TSimpleCursorState {
  G_CLASS(THintCursorState, TSimpleCursorState)
  using TSimpleCursorState::TSimpleCursorState;

  static constexpr const char* CGfxURL = "Cursors\\Hint.ani";
  std::string CursorGfxURL() const override { return CGfxURL; }
};

// Empty-handed over a hot spot.
class TActBlueCursorState : public TSimpleCursorState {
  G_CLASS(TActBlueCursorState, TSimpleCursorState)
  using TSimpleCursorState::TSimpleCursorState;

  static constexpr const char* CGfxURL = "Cursors\\ActBlue.ani";
  std::string CursorGfxURL() const override { return CGfxURL; }
};

// Over an object that has a cursor of its own (its CursorURL).
class TGameCursorState : public TSimpleCursorState {
  G_CLASS(TGameCursorState, TSimpleCursorState)
  using TSimpleCursorState::TSimpleCursorState;

  std::string CursorGfxURL() const override;
};

// Over an exit: the walk cursor given as data, its arrow turned from the screen's centre towards
// the mouse, the walking man circling with it.
class TWalkCursorState : public TBaseCursorState {
  G_CLASS(TWalkCursorState, TBaseCursorState)
  using TBaseCursorState::TBaseCursorState;

  static constexpr const char* CGfxURL = "Cursors\\Walk.ani";
  void Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData) override;

private:
  bool FReported = false; // a broken walk cursor is reported once
};

// Every cursor animation the states above show, for the content checker.
inline constexpr const char* CCursorAnimationURLs[] = {
    TPointerCursorState::CGfxURL,         THotSpotCursorState::CGfxURL,
    THotSpotWrongCursorState::CGfxURL,    TGameObjectCursorState::CGfxURL,
    TGreenGameObjectCursorState::CGfxURL, THintCursorState::CGfxURL,
    TActBlueCursorState::CGfxURL,         TWalkCursorState::CGfxURL};

// Whether the graphic is the walk cursor: present, and its URL exactly "Cursors\Walk.ani".
bool IsWalkCursor(const TGGraphic* Graphic);

// Turns a walk cursor instance towards D (the mouse seen from the screen's centre): the keys of
// the "Arrow" channel's angle become the direction of D, and the "Man" channel's positions are
// those of the stored walk cursor turned by it about the arrow. Channels 0 and 1 that are not
// captioned "Arrow" and "Man" raise the generic error.
void SetWalkCursorAngle(TGAnimation* Cursor, const TGFlatVector& D);

// The place of the object's opaque centre: the object channel's position at time 0 becomes the
// hot-spot channel's less the mean of the opaque pixels of its picture (the hot spot's own place
// when no pixel is opaque).
void UpdateGameObjectPos(TGAnimation* Cursor, int32_t ObjectChannel, int32_t HotSpotChannel);

// A small stable number per state class, as scripts and the location's rules see it: pointer 0,
// actable 1, hot spot 2, wrong hot spot 3, game object 4, green game object 5, simple 6, hint 7,
// blue 8, the object's own cursor 9, walk 10; a class built on one of them has its number; -1
// for none.
int32_t CursorStateIndex(const TBaseCursorState* State);
int32_t CursorStateIndex(TGClass StateClass);
