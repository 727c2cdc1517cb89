#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Locations/UGameClasses.h"
#include "Locations/UPuzzleGameLocation.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UFlowState.h"
#include "object/UGClassBuilder.h"

#include <gtest/gtest.h>

namespace {

class TClickCounter : public TPuzzleGameLocation {
  G_CLASS(TClickCounter, TPuzzleGameLocation)
  explicit TClickCounter(TGObject* AOwner = nullptr)
      : TPuzzleGameLocation(AOwner) {}
  void MouseDown(int Button) override { Log += "down" + std::to_string(Button) + " "; }
  void MouseUp(int Button) override { Log += "up" + std::to_string(Button) + " "; }
  std::string Log;
};

} // namespace

G_IMPLEMENT_CLASS(TClickCounter)

namespace {

using PuzzleGameLocation = THeadlessSceneTest;

TEST_F(PuzzleGameLocation, ItsStateHandsRawClicksToTheLocation) {
  TLocationWorld World;
  World.Start();
  RegisterGameClasses();
  TGObjectPtr<TClickCounter> L(new TClickCounter(nullptr));
  L->FillMainChannel();
  TBaseFlowState* State = L->MC()->Peek();
  EXPECT_EQ(State->ClassName(), "TCommonPuzzleGameState");
  EXPECT_TRUE(L->IsPuzzleLocation());
  State->WindowMouseDown(mbLeft);
  State->WindowMouseUp(mbLeft);
  State->WindowMouseDown(mbRight); // the right button also puts a held object back
  EXPECT_EQ(L->Log, "down0 up0 down1 ");
  EXPECT_EQ(World.Screen.Calls.back(), "ResetCursor true");
  // Saved flows name the state, and it is made again from them.
  EXPECT_NO_THROW(FlowStateClassRegistry().GetItem("TCommonPuzzleGameState"));
}

} // namespace
