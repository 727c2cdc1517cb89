// Find the differences between the two halves of the screen: a second, mirrored cursor (an
// object the scene's script registers) shows the pointer's point in the other half, and every
// left click is carried out at both points, so a difference found in either half counts and
// only a click that finds nothing in both is a miss.
#pragma once

#include "base/UGTypes.h"
#include "locations/USimpleLocation.h"

#include <functional>

class TBaseGameObject;

class TAlaska_06c : public TSimpleLocation {
  G_CLASS(TAlaska_06c, TSimpleLocation)
  explicit TAlaska_06c(TGObject* AOwner = nullptr)
      : TSimpleLocation(AOwner) {}

  // Below this height of the screen (the interface panel) the mirrored cursor hides.
  static constexpr int32_t CPanelTop = 460;

  TGameObject* FakeCursor() const { return FCursor; }
  bool InMouseDown() const { return FInMouseDown; }

  void RegisterFakeCursor(TBaseGameObject* AObject);
  void UnregisterFakeCursor();

  // Moves the pointer to a point of the logical screen as the player's own motion would: the
  // host window's cursor goes to the matching window pixel, and the motion travels the plug-in
  // chain after the input plug-in, so a recording holds it and its replay repeats it.
  static void MovePointer(const TGPoint& Logical);
  // What moves the pointer for a mirrored click: MovePointer, unless a program without an
  // application (a test with its own window host) puts the pointer itself. Empty restores it.
  using TPointerMover = std::function<void(const TGPoint& Logical)>;
  static void SetPointerMover(TPointerMover Mover);

  void AfterConstruction() override;
  void Activate() override;
  void Update(int32_t AInterval) override;
  void MouseDown(int Button) override;

  static void Publish(TGClassBuilder<TAlaska_06c>& B);

protected:
  void Destroy() override;

private:
  // The mirrored cursor at the pointer's point of the other half.
  void PlaceCursor();
  void OnCursorDestroyed(TGObject* Sender);

  TGameObject* FCursor = nullptr; // an object of the location
  bool FInMouseDown = false;
};
