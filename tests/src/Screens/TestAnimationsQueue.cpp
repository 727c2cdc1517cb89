#include "HeadlessDevice.h"
#include "Screens/UAnimationsQueue.h"
#include "Screens/UScaledGraphicCollection.h"
#include "object/UGClassBuilder.h"

#include <gtest/gtest.h>

namespace {

// A square of one colour that finishes after its lifetime (never with a negative one).
class TTimedSquare : public TGGraphic {
  G_CLASS(TTimedSquare, TGGraphic)
  explicit TTimedSquare(TGObject* AOwner = nullptr)
      : TGGraphic(AOwner) {
    SetExtent(TGVector{4, 4, 0});
  }
  void Update(float DeltaTime) override { Age += DeltaTime; }
  bool IsFinished() override { return Life >= 0 && Age >= Life; }
  void Draw() override { GD->DrawRect(Fill, 0, 0, Width(), Height()); }
  void AssignTo(TGObject* Dest) const override {
    TGGraphic::AssignTo(Dest);
    auto* D = static_cast<TTimedSquare*>(Dest);
    D->Life = Life;
    D->Fill = Fill;
  }
  float Life = 1;
  float Age = 0;
  TGColor Fill = TGColor(0xFFFFFFFF);
};

} // namespace

G_IMPLEMENT_CLASS(TTimedSquare)

namespace {

using AnimationsQueue = THeadlessSceneTest;

TEST_F(AnimationsQueue, EffectsPlayOneAfterAnotherFromCopies) {
  TGObjectPtr<TAnimationsQueue> Queue(new TAnimationsQueue(nullptr));
  TGObjectPtr<TTimedSquare> Shared(new TTimedSquare(nullptr));
  auto* First = static_cast<TTimedSquare*>(Queue->Add(Shared.get()));
  auto* Second = static_cast<TTimedSquare*>(Queue->Add(Shared.get()));
  EXPECT_NE(First, Shared.get());
  Queue->Update(0.6f);
  EXPECT_FLOAT_EQ(Second->Age, 0); // only the first plays
  Queue->Update(0.6f);
  EXPECT_EQ(Queue->Count(), 1);
  Queue->Update(0.5f);
  EXPECT_FLOAT_EQ(Second->Age, 0.5f);
  EXPECT_FLOAT_EQ(Shared->Age, 0);
  // One that never finishes holds the queue until it is cleared.
  Shared->Life = -1;
  Queue->Add(Shared.get());
  Queue->Update(1);
  Queue->Update(100);
  EXPECT_EQ(Queue->Count(), 1);
  Queue->Clear();
  Queue->Draw();
  EXPECT_EQ(Row(1, 0, 4), "....");
}

TEST_F(AnimationsQueue, ScaledGraphicsDrawInPushOrderAndLeaveWhenDone) {
  TGObjectPtr<TScaledGraphicCollection> Bolts(new TScaledGraphicCollection(nullptr));
  auto Square = [](float Life, uint32_t Color) {
    auto* S = new TTimedSquare(nullptr);
    S->Life = Life;
    S->Fill = TGColor(Color);
    return S;
  };
  // Twice as large, the middle of the left edge at (10, 20): 8 × 8 from (10, 16).
  Bolts->Push(Square(1, 0xFFFF0000), 10, 20, 2, 2);
  Bolts->Push(Square(3, 0xFF00FF00), 14, 20, 1, 1);
  Bolts->Draw();
  EXPECT_EQ(PixelAt(11, 16), TGColor(0xFFFF0000));
  EXPECT_EQ(PixelAt(11, 23), TGColor(0xFFFF0000));
  EXPECT_EQ(PixelAt(11, 24), TGColor(0xFF000000));
  EXPECT_EQ(PixelAt(15, 19), TGColor(0xFF00FF00)); // the later one is on top
  Bolts->Update(1.5f);
  EXPECT_EQ(Bolts->Count(), 1);
  EXPECT_EQ(static_cast<TTimedSquare*>(Bolts->Items(0)->Gfx)->Fill, TGColor(0xFF00FF00));
}

} // namespace
