// The play screen's cursor: one state object per kind of cursor, made on first use, and the
// choice of the current one, once per frame. The screen brackets its decision between
// BeginUpdate and EndUpdate and calls SetCursor for the case that applies; a frame that sets
// nothing ends with the plain pointer. A change of state or object is reported through OnChange.
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGClassBuilder.h"

class TBaseCursorState;
class TGWidget;
class TGameObject;

class TGameCursor : public TGObject {
  G_CLASS(TGameCursor, TGObject)
  explicit TGameCursor(TGObject* AOwner = nullptr)
      : TGameCursor(AOwner, nullptr) {}
  // The cursor of AWidget (the play screen), starting with the pointer.
  TGameCursor(TGObject* AOwner, TGWidget* AWidget);

  // (sender, old state, new state, old object, new object)
  using TChangeEvent =
      TGMethod<void(TGObject*, TBaseCursorState*, TBaseCursorState*, TGameObject*, TGameObject*)>;
  TChangeEvent OnChange;

  void BeginUpdate();
  // The state of that class (a TBaseCursorState) becomes current for the object; it is
  // initialised when it was not current or says it must be.
  void SetCursor(TGClass StateClass, TGameObject* AObject, TGObject* AData);
  // Without a SetCursor since BeginUpdate the pointer becomes current; the current state
  // updates; OnChange tells a change of state or object. Nothing without BeginUpdate.
  void EndUpdate();
  // The single state of the class, made and kept on first use.
  TBaseCursorState* EnsureState(TGClass StateClass);

  TBaseCursorState* CurrState() const { return FCurrState; }
  TGameObject* GameObject() const { return FGameObject; }
  TGWidget* Widget() const { return FOwner; }
  bool InUpdate() const { return FInUpdate; }
  int32_t StateCount() const { return FStates.Count(); }

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  void OnLinkedDestroy(TGObject* Sender);
  void SetObjectField(TGameObject*& Field, TGameObject* Value);

  TGFastStringList FStates; // class name -> state (owned by the cursor)
  TBaseCursorState* FCurrState = nullptr;
  TGameObject* FGameObject = nullptr;
  bool FInUpdate = false;
  bool FChanged = false;
  TGWidget* FOwner = nullptr;
  TBaseCursorState* FOldState = nullptr;
  TGameObject* FOldObject = nullptr;
};
