// What the location view's tests share: a world of the location tests with a view over it,
// frames of 20 ms, clicks where the location's hit test finds an object, and the demo harbour
// opened from the content folder.
#pragma once

#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/ULocationView.h"
#include "locations/UBaseLocation.h"
#include "objects/UGameObject.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

// A point of the screen where the location's hit test finds the object (it may be covered).
inline std::optional<TGFlatVector> PointOn(TBaseLocation* L, TGameObject* Obj) {
  const TGRectFloat R = Obj->BoundingRect();
  for (float Y = R.Top + 0.5f; Y < R.Bottom; Y += 1) {
    for (float X = R.Left + 0.5f; X < R.Right; X += 1) {
      if (L->ObjectAt({X, Y}) == Obj) {
        return TGFlatVector{X, Y};
      }
    }
  }
  return std::nullopt;
}

class LocationViewTest : public THeadlessSceneTest {
protected:
  void TearDown() override {
    View.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  // Frames of 20 ms for the given time.
  void Play(int Milliseconds) {
    for (int T = 0; T < Milliseconds; T += 20) {
      View->UpdateTree(0.02f);
    }
  }
  // A left click on the object where the mouse finds it, and the frame after it.
  void ClickOn(const std::string& ID) {
    TGameObject* Obj = World.Obj(ID);
    ASSERT_TRUE(Obj) << ID;
    std::optional<TGFlatVector> P = PointOn(View->Location(), Obj);
    ASSERT_TRUE(P) << ID << " cannot be reached with the mouse";
    View->ClickAt(*P, mbLeft);
    View->ReleaseAt(*P, mbLeft);
    Play(20);
  }
  bool InLocation(const std::string& ID) {
    return View->Location()->Objects()->IndexOf(World.Obj(ID)) >= 0;
  }
  std::string ErrorsSeen() const {
    return World.ScriptErrors.empty() ? std::string() : World.ScriptErrors.front();
  }

  TLocationWorld World;
  TGObjectPtr<TLocationView> View;
};

// The demo harbour from the content folder, opened in the view.
class DemoHarbour : public LocationViewTest {
protected:
  void SetUp() override {
    LocationViewTest::SetUp();
    World.Start(HOE_CONTENT);
    View.reset(New<TLocationView>());
    View->Open("Harbour.loc");
    L = View->Location();
    ASSERT_TRUE(L);
  }
  TBaseLocation* L = nullptr;
};
