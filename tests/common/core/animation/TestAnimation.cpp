// Animations: the clock (speed, speed expression, rounding, looping, the inner loop), seeking,
// the ".ani" format and its errors, copies, hit tests through channel transforms, nested
// animations, and masks drawn to exact pixels on the headless device.
#include "HeadlessDevice.h"
#include "TempDir.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "animation/UGSceneChannel.h"
#include "app/UGClassTables.h"
#include "drawables/UGSprite.h"
#include "graphics/UGBitmap.h"
#include "io/UGNativeFileSystem.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

// A placed rectangle of Width × Height filled with its tint, hit where it lies: content for
// drawing, hit tests and masks.
class TRectChannel : public TGSceneChannel {
  G_CLASS(TRectChannel, TGSceneChannel)
  using TGSceneChannel::TGSceneChannel;

  void Draw() override {
    if (Fail)
      throw Error("drawing failed");
    if (MaskRenderingStep != 2) {
      const TGVector E = ContentExtent(FElapsedTime);
      GD->PushState(TGDeviceStateMask{bMatrix});
      GD->SetMatrixByType(mWorld, TransformMatrix(FElapsedTime) * GD->GetMatrixByType(mWorld));
      GD->DrawRect(ContentColor(FElapsedTime), 0, 0, E.X, E.Y);
      GD->PopState();
    }
    TGMovie::Draw();
  }
  void Update() override {
    if (FailUpdate)
      throw Error("update failed");
  }
  bool Hit(const TGVector& Point) override { return HitTest(FElapsedTime, Point.X, Point.Y); }
  bool Fail = false;
  bool FailUpdate = false;
};
G_IMPLEMENT_CLASS(TRectChannel)

// Shows another animation in its own transform, on its own clock: a nested animation.
class TNestChannel : public TGSceneChannel {
  G_CLASS(TNestChannel, TGSceneChannel)
  using TGSceneChannel::TGSceneChannel;

  void Update() override { Inner->SetElapsedTime(FElapsedTime); }
  void Draw() override {
    GD->PushState(TGDeviceStateMask{bMatrix});
    GD->SetMatrixByType(mWorld, TransformMatrix(FElapsedTime) * GD->GetMatrixByType(mWorld));
    try {
      Inner->Draw();
    } catch (...) {
      GD->PopState();
      throw;
    }
    GD->PopState();
  }
  TGAnimation* Inner = new TGAnimation(this);
};
G_IMPLEMENT_CLASS(TNestChannel)

// Records its hooks.
class THookAnimation : public TGAnimation {
  G_CLASS(THookAnimation, TGAnimation)
  using TGAnimation::TGAnimation;
  void ChannelAdded(TGChannel* C) override { Log += "add:" + C->Caption() + " "; }
  void ChannelRemoved(TGChannel* C) override { Log += "remove:" + C->Caption() + " "; }
  void ChannelMoved(TGChannel* C) override { Log += "move:" + C->Caption() + " "; }
  void BeforeChannelDraw(TGChannel* C) override { Log += "before:" + C->Caption() + " "; }
  void AfterChannelDraw(TGChannel* C) override { Log += "after:" + C->Caption() + " "; }
  std::string Log;
};
G_IMPLEMENT_CLASS(THookAnimation)

namespace {

void RegisterTestChannels() {
  RegisterEngineClasses();
  TGChannel::RegisterClass(TRectChannel::StaticClass());
}

TGObjectPtr<TGAnimation> NewAnimation() {
  return TGObjectPtr<TGAnimation>(new TGAnimation());
}

// A rectangle channel placed at (X, Y), W × H, in Color, added to A.
TRectChannel* AddRect(TGAnimation* A, float X, float Y, float W, float H, TGColor Color,
                      bool Mask = false) {
  auto* C = TGChannel::Create<TRectChannel>(A);
  C->X()->SetRealValue(0, X);
  C->Y()->SetRealValue(0, Y);
  C->Width()->SetRealValue(0, W);
  C->Height()->SetRealValue(0, H);
  C->Color()->SetColorValue(0, TGColor(uint32_t(Color) & 0xFFFFFF));
  C->SetIsMask(Mask);
  return C;
}

// An animation of one channel whose keys end at Total milliseconds.
TGObjectPtr<TGAnimation> TimedAnimation(int32_t Total) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  auto* C = TGChannel::Create<TGSceneChannel>(A.get());
  C->X()->SetRealValue(0, 0);
  C->X()->SetRealValue(Total, 100);
  return A;
}

TGObjectPtr<TGAnimation> LoadAni(std::string_view Xml) {
  RegisterTestChannels();
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode());
  Node->LoadFromString(Xml);
  TGObjectPtr<TGAnimation> A = NewAnimation();
  A->LoadFromXML(nullptr, Node.get());
  return A;
}

std::string SaveAni(const TGAnimation& A) {
  TGObjectPtr<TGXMLNode> Node(A.SaveToXML());
  return Node->SaveToString();
}

} // namespace

// --- The clock -----------------------------------------------------------------------------------

TEST(AnimationClock, AdvancesBySpeedAndRoundsHalfToEven) {
  TGObjectPtr<TGAnimation> A = TimedAnimation(2000);
  EXPECT_EQ(A->TotalTime(), 2000);
  for (int32_t Expected : {500, 1000, 1500, 2000}) {
    EXPECT_FALSE(A->IsFinished());
    A->Update(0.5f);
    EXPECT_EQ(A->ElapsedTime(), Expected);
    EXPECT_EQ(A->GetChannel(0)->ElapsedTime(), Expected); // every channel is told
  }
  EXPECT_TRUE(A->IsFinished());
  A->Update(0.5f);
  EXPECT_EQ(A->ElapsedTime(), 2500); // not looped: the clock goes on

  A->SetElapsedTime(0);
  A->Update(0.0625f); // 62.5 ms
  EXPECT_EQ(A->ElapsedTime(), 62);
  A->SetElapsedTime(0);
  A->Update(0.1875f); // 187.5 ms
  EXPECT_EQ(A->ElapsedTime(), 188);

  // Speed 2 with the expression "0.5" advances by exactly the frame time.
  A->SetElapsedTime(0);
  A->SetSpeed(2);
  A->SpeedEnv()->SetAsString("0.5");
  A->Update(0.1f);
  EXPECT_EQ(A->ElapsedTime(), 100);
}

TEST(AnimationClock, SpeedExpressionSeesTimeAndEnvelope) {
  TGObjectPtr<TGAnimation> A = TimedAnimation(1000);
  A->SpeedEnv()->SetAsString("Env[T, 1, 3]");
  A->SetElapsedTime(500); // T = 0.5: the envelope gives 2
  A->Update(0.1f);
  EXPECT_EQ(A->ElapsedTime(), 700);
  A->SetElapsedTime(0); // T = 0: below the first point
  A->Update(0.1f);
  EXPECT_EQ(A->ElapsedTime(), 100);

  // A speed that divides by zero is no speed, not an undefined conversion.
  A->SpeedEnv()->SetAsString("1/0");
  A->Update(0.1f);
  EXPECT_EQ(A->ElapsedTime(), 100);
  // "T" of an animation without keys is 0.
  TGObjectPtr<TGAnimation> Empty = NewAnimation();
  Empty->SpeedEnv()->SetAsString("T + 1");
  Empty->Update(0.25f);
  EXPECT_EQ(Empty->ElapsedTime(), 250);
}

TEST(AnimationClock, AFailureWhileAdvancingNamesTheAnimation) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  auto* C = TGChannel::Create<TRectChannel>(A.get());
  C->FailUpdate = true;
  EXPECT_ERROR_TEXT(A->Update(0.1f), "update failed");
  A->SetURL("Anim\\Door.ani");
  EXPECT_ERROR_TEXT(A->Update(0.1f), "Anim\\Door.ani: update failed");
}

TEST(AnimationClock, LoopsAndInnerLoops) {
  TGObjectPtr<TGAnimation> A = TimedAnimation(1000);
  A->SetLooped(true);
  A->SetElapsedTime(2300);
  EXPECT_EQ(A->ElapsedTime(), 300);
  EXPECT_FALSE(A->IsFinished());
  A->SetElapsedTime(-200); // before the start lands inside the loop too
  EXPECT_EQ(A->ElapsedTime(), 800);

  TGObjectPtr<TGAnimation> B = TimedAnimation(2000);
  B->SetInternalLoop(TGAnimationInternalLoop::Make(true, 500, 800));
  B->SetElapsedTime(700);
  B->Update(0.25f);
  EXPECT_EQ(B->ElapsedTime(), 650); // 500 + (950 - 800)
  EXPECT_EQ(B->InternalLoopCounter(), 1);
  B->Update(0.25f); // 900 -> 600
  EXPECT_EQ(B->ElapsedTime(), 600);
  EXPECT_EQ(B->InternalLoopCounter(), 2);
  B->SetElapsedTime(900); // a seek from inside the loop wraps as well
  EXPECT_EQ(B->ElapsedTime(), 600);
  EXPECT_EQ(B->InternalLoopCounter(), 3);
  B->SetElapsedTime(300); // leaving backwards keeps the count until the clock is outside
  EXPECT_EQ(B->InternalLoopCounter(), 3);
  EXPECT_EQ(B->ElapsedTime(), 300);
  B->SetElapsedTime(400);
  EXPECT_EQ(B->InternalLoopCounter(), 0);

  // From beyond the loop nothing wraps.
  B->SetInternalLoop(TGAnimationInternalLoop{});
  B->SetElapsedTime(900);
  B->SetInternalLoop(TGAnimationInternalLoop::Make(true, 500, 800));
  B->SetElapsedTime(1000);
  EXPECT_EQ(B->ElapsedTime(), 1000);
  EXPECT_EQ(B->InternalLoopCounter(), 0);

  // A long jump over a one-millisecond loop wraps at once, counting every turn.
  B->SetInternalLoop(TGAnimationInternalLoop::Make(true, 500, 501));
  B->SetElapsedTime(500);
  B->SetElapsedTime(2000000000);
  EXPECT_GE(B->ElapsedTime(), 500);
  EXPECT_LE(B->ElapsedTime(), 501);
  EXPECT_EQ(B->InternalLoopCounter(), 2000000000 - 501);
}

// The total is kept between updates: every way a key or a channel comes or goes moves it.
TEST(AnimationClock, TotalTimeFollowsKeysAndChannels) {
  TGObjectPtr<TGAnimation> A = TimedAnimation(1000);
  auto* C = static_cast<TGSceneChannel*>(A->GetChannel(0));
  A->SetLooped(true);
  EXPECT_EQ(A->TotalTime(), 1000);
  C->Y()->SetRealValue(1500, 1); // a key after the last one
  EXPECT_EQ(C->TotalTime(), 1500);
  EXPECT_EQ(A->TotalTime(), 1500);
  A->SetElapsedTime(1200); // looping goes by the new total
  EXPECT_EQ(A->ElapsedTime(), 1200);
  C->Y()->SetRealValue(1500, 2); // a new value at the same time changes nothing
  EXPECT_EQ(A->TotalTime(), 1500);
  C->Y()->RemoveTerm(0);
  EXPECT_EQ(A->TotalTime(), 1000);
  A->SetElapsedTime(1200);
  EXPECT_EQ(A->ElapsedTime(), 200);
  C->Color()->SetColorValue(3000, TGColor(0x102030u)); // through the colour's own envelopes
  EXPECT_EQ(A->TotalTime(), 3000);
  C->Color()->Clear();
  C->X()->Clear();
  EXPECT_EQ(C->TotalTime(), 0);
  EXPECT_EQ(A->TotalTime(), 0);

  // Channels joining, leaving and being freed.
  TGObjectPtr<TGAnimation> B = TimedAnimation(700);
  TGChannel* Long = B->GetChannel(0);
  B->Extract(Long);
  EXPECT_EQ(B->TotalTime(), 0);
  A->Add(Long);
  EXPECT_EQ(A->TotalTime(), 700);
  auto* Later = TGChannel::Create<TGSceneChannel>(A.get());
  Later->X()->SetRealValue(900, 0);
  EXPECT_EQ(A->TotalTime(), 900);
  Later->Free();
  EXPECT_EQ(A->TotalTime(), 700);
  A->Remove(Long);
  EXPECT_EQ(A->TotalTime(), 0);

  // Keys read from a file.
  TGObjectPtr<TGAnimation> L = LoadAni(R"(<Animation OriginX="0" OriginY="0" Width="0" Height="0">)"
                                       R"(<Channel ClassId="SceneChannel" Caption="" )"
                                       R"(Visible="True"><X><Term T="250" Value="1"/></X>)"
                                       R"(</Channel></Animation>)");
  EXPECT_EQ(L->TotalTime(), 250);
  L->GetChannel(0)->FindSeq("X")->SetValue(400, TGVariant(2.0f));
  EXPECT_EQ(L->TotalTime(), 400);
}

TEST(AnimationClock, InnerLoopOfOneInstantHoldsTheClock) {
  TGObjectPtr<TGAnimation> A = TimedAnimation(1000);
  A->SetInternalLoop(TGAnimationInternalLoop::Make(true, 400, 400));
  A->SetElapsedTime(300);
  A->Update(0.2f);
  EXPECT_EQ(A->ElapsedTime(), 400);
  A->Update(0.2f);
  EXPECT_EQ(A->ElapsedTime(), 400);
  EXPECT_EQ(A->InternalLoopCounter(), 0);

  EXPECT_ERROR_TEXT(TGAnimationInternalLoop::Make(true, 800, 500), "TimeTo less than TimeFrom");
  EXPECT_ERROR_TEXT(A->SetInternalLoop(TGAnimationInternalLoop{800, 500, true}),
                    "TimeTo less than TimeFrom");
}

// --- Files and copies ----------------------------------------------------------------------------

TEST(AnimationFile, LoadsOldChannelsFirstAndRoundTrips) {
  const char* Xml = R"(<Animation InternalLoopActive="True" InternalLoopFrom="100"
      InternalLoopTo="300" Looped="True" Speed="2" SpeedEnv="T*2" OriginX="1" OriginY="2"
      Width="30" Height="40">
    <Channel ClassId="SceneChannel" Caption="second" Visible="False">
      <X><Term T="0" Value="5"/></X><Unknown/>
    </Channel>
    <Movie ClassId="SceneChannel" Caption="first" Visible="True" Mask="True" Locked="True">
      <Width><Term T="500" Value="7"/></Width><Width><Term T="900" Value="1"/></Width>
    </Movie>
  </Animation>)";
  TGObjectPtr<TGAnimation> A = LoadAni(Xml);
  ASSERT_EQ(A->Count(), 2);
  TGChannel* First = A->GetChannel(0);
  EXPECT_EQ(First->Caption(), "first");
  EXPECT_TRUE(First->IsMask());
  EXPECT_TRUE(First->Locked());
  EXPECT_EQ(A->TotalTime(), 500); // only the first "Width" child counts
  auto* Second = ObjectCast<TGSceneChannel>(A->GetChannel(1));
  EXPECT_FALSE(Second->Visible());
  EXPECT_EQ(Second->X()->GetRealValue(0), 5);
  EXPECT_EQ(Second->Animation(), A.get());
  EXPECT_TRUE(A->Looped());
  EXPECT_EQ(A->Speed(), 2);
  EXPECT_EQ(A->SpeedEnv()->AsString(), "T*2");
  EXPECT_EQ(A->InternalLoop(), (TGAnimationInternalLoop{100, 300, true}));
  EXPECT_EQ(A->Origin(), (TGVector{1, 2, 0}));
  EXPECT_EQ(A->Width(), 30);

  const std::string Saved = SaveAni(*A);
  EXPECT_EQ(Saved.find("<Movie"), std::string::npos);
  EXPECT_NE(Saved.find("Caption=\"first\""), std::string::npos);
  EXPECT_LT(Saved.find("first"), Saved.find("second"));
  EXPECT_EQ(Saved.find("Unknown"), std::string::npos);
  TGObjectPtr<TGAnimation> B = LoadAni(Saved);
  EXPECT_EQ(SaveAni(*B), Saved);

  // Defaults are not written; required attributes always are.
  TGObjectPtr<TGAnimation> Plain = NewAnimation();
  TGChannel::Create<TGSceneChannel>(Plain.get())->SetCaption("c");
  const std::string P = SaveAni(*Plain);
  for (const char* Absent : {"InternalLoop", "Looped", "Speed", "Locked", "Mask", "<X"})
    EXPECT_EQ(P.find(Absent), std::string::npos) << Absent;
  for (const char* Present : {"OriginX", "Height", "ClassId=\"SceneChannel\"", "Visible"})
    EXPECT_NE(P.find(Present), std::string::npos) << Present;
}

TEST(AnimationFile, RejectsBadFilesWithClearErrors) {
  const std::string Head = R"(<Animation OriginX="0" OriginY="0" Width="1" Height="1")";
  EXPECT_ERROR_TEXT(LoadAni(Head + R"(><Channel ClassId="Bogus" Caption="" Visible="True"/>
                                     </Animation>)"),
                    "Unknown movie class: Bogus");
  EXPECT_ERROR_TEXT(LoadAni(Head + R"(><Channel ClassId="SceneChannel" Caption=""/>
                                     </Animation>)"),
                    "Attribute \"Visible\" not found");
  EXPECT_ERROR_TEXT(LoadAni(Head + R"( InternalLoopFrom="800" InternalLoopTo="500"/>)"),
                    "TimeTo less than TimeFrom");
  EXPECT_ERROR_TEXT(LoadAni(R"(<Animation OriginX="0" OriginY="0" Width="1"/>)"),
                    "Attribute \"Height\" not found");
  EXPECT_ERROR_TEXT(TGChannel::GetClass("Nope"), "Unknown movie class: Nope");
}

TEST(AnimationFile, ClassRegistryAndIds) {
  EXPECT_EQ(TGChannel::ClassIdOf(TGSceneChannel::StaticClass()), "SceneChannel");
  EXPECT_EQ(TGChannel::ClassIdOf(TRectChannel::StaticClass()), "RectChannel");
  RegisterTestChannels();
  const size_t Count = TGChannel::ClassRegistry().size();
  RegisterEngineClasses();
  RegisterTestChannels();
  EXPECT_EQ(TGChannel::ClassRegistry().size(), Count);
  EXPECT_EQ(TGChannel::GetClass("SceneChannel"), TGSceneChannel::StaticClass());
  EXPECT_ANY_THROW(TGChannel::Create(TGAnimation::StaticClass(), nullptr));
}

TEST(AnimationFile, CopiesChannelsAndSettingsButNotTheClock) {
  TGObjectPtr<TGAnimation> A = TimedAnimation(1000);
  A->SetLooped(true);
  A->SetSpeed(3);
  A->SpeedEnv()->SetAsString("2");
  A->SetInternalLoop(TGAnimationInternalLoop::Make(true, 10, 20));
  auto* C = ObjectCast<TGSceneChannel>(A->GetChannel(0));
  C->SetCaption("cap");
  C->X()->SetRealValue(500, 20); // keys 0, 500, 1000: 0, 20, 100
  A->SetElapsedTime(300);

  TGObjectPtr<TGAnimation> B(ObjectCast<TGAnimation>(CloneObject(*A, nullptr)));
  EXPECT_EQ(B->ElapsedTime(), 0);
  EXPECT_EQ(B->InternalLoopCounter(), 0);
  EXPECT_TRUE(B->Looped());
  EXPECT_EQ(B->Speed(), 3);
  EXPECT_EQ(B->SpeedEnv()->Evaluate(), 2);
  EXPECT_EQ(B->InternalLoop(), A->InternalLoop());
  ASSERT_EQ(B->Count(), 1);
  auto* D = ObjectCast<TGSceneChannel>(B->GetChannel(0));
  EXPECT_NE(D, C);
  EXPECT_EQ(D->Caption(), "cap");
  EXPECT_EQ(D->X()->GetRealValue(500), 20);
  // The copy's envelope follows the copy's own curve switch.
  EXPECT_EQ(D->X()->Curved(), D->SmoothMove());
  D->SmoothMove()->SetBoolValue(0, true);
  EXPECT_NE(D->X()->GetRealValue(250), C->X()->GetRealValue(250));
  EXPECT_EQ(C->X()->GetRealValue(250), 10); // the original stays linear
}

TEST(AnimationFile, ListHooksAndReferences) {
  TGObjectPtr<TGResource> R(new TGResource());
  TGObjectPtr<TGResource> Other(new TGResource());
  TGObjectPtr<THookAnimation> A(new THookAnimation());
  TGChannel* C1 = TGChannel::Create<TGSceneChannel>(nullptr);
  C1->SetCaption("a");
  A->Add(C1);
  auto* C2 = TGChannel::Create<TRectChannel>(nullptr);
  C2->SetCaption("b");
  A->Insert(0, C2);
  A->MoveChannel(0, 1);
  EXPECT_EQ(A->GetChannel(1), C2);
  EXPECT_EQ(A->Log, "add:a add:b move:b ");
  // Channels by caption: exact, case counting, the first of equals.
  C2->SetCaption("a");
  EXPECT_EQ(ChannelByName(A.get(), "a"), C1);
  C2->SetCaption("b");
  EXPECT_EQ(ChannelByName(A.get(), "b"), C2);
  EXPECT_EQ(ChannelByName(A.get(), "B"), nullptr);
  EXPECT_EQ(ChannelByName(nullptr, "a"), nullptr);
  C2->SceneURL()->SetResValue(0, R.get());
  EXPECT_TRUE(A->HasReferenceTo(R.get()));
  EXPECT_FALSE(A->HasReferenceTo(Other.get()));
  A->Remove(C2);
  EXPECT_FALSE(A->HasReferenceTo(R.get()));
  C1->Free(); // a channel freed elsewhere leaves the list
  EXPECT_EQ(A->Count(), 0);
  EXPECT_EQ(A->Log, "add:a add:b move:b remove:b ");
  EXPECT_THROW(A->GetChannel(0), EListError);
}

// --- Hit tests and bounds ------------------------------------------------------------------------

TEST(AnimationHit, ThroughTranslationRotationScaleAndPivot) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  auto* C = TGChannel::Create<TRectChannel>(A.get());
  C->Width()->SetRealValue(0, 20);
  C->Height()->SetRealValue(0, 10);
  C->X()->SetRealValue(0, 100);
  C->Y()->SetRealValue(0, 50);
  C->Angle()->SetRealValue(0, 90); // clockwise on the screen: +x goes down
  EXPECT_TRUE(C->HitTest(0, 95, 60));
  EXPECT_FALSE(C->HitTest(0, 105, 60));
  EXPECT_FALSE(C->HitTest(0, 110, 55)); // where it lies unturned

  // Pivot in the middle, twice as wide: 40 × 10 turned about (100, 50).
  C->PivotX()->SetRealValue(0, 0.5f);
  C->PivotY()->SetRealValue(0, 0.5f);
  C->ScaleX()->SetRealValue(0, 2);
  EXPECT_TRUE(C->HitTest(0, 100, 68));
  EXPECT_TRUE(C->HitTest(0, 103, 33));
  EXPECT_FALSE(C->HitTest(0, 115, 50));
  EXPECT_FALSE(C->HitTest(0, 100, 75));

  TGVector Min{1e9f, 1e9f, 1e9f}, Max{-1e9f, -1e9f, -1e9f};
  C->AdjustBoundingBox(0, Min, Max);
  EXPECT_NEAR(Min.X, 95, 1e-3);
  EXPECT_NEAR(Max.Y, 70, 1e-3);

  // The animation's own hit: inside its box, on a visible channel that is no mask.
  A->SetOrigin(TGVector{0, 0, 0});
  A->SetExtent(TGVector{200, 200, 0});
  EXPECT_TRUE(A->Hit(TGVector{100, 68, 0}));
  EXPECT_FALSE(A->Hit(TGVector{150, 150, 0}));
  A->SetExtent(TGVector{90, 200, 0});
  EXPECT_FALSE(A->Hit(TGVector{100, 68, 0}));
  A->SetExtent(TGVector{200, 200, 0});
  C->SetIsMask(true);
  EXPECT_FALSE(A->Hit(TGVector{100, 68, 0}));
  C->SetIsMask(false);
  C->SetVisible(false);
  EXPECT_FALSE(A->Hit(TGVector{100, 68, 0}));
  C->SetVisible(true);
  C->SetLocked(true);
  EXPECT_FALSE(A->Hit(TGVector{100, 68, 0}));
  C->SetLocked(false);

  // Move keys the position at a time.
  C->Move(0, 5, -5);
  EXPECT_EQ(C->X()->GetRealValue(0), 105);
  EXPECT_EQ(C->Y()->GetRealValue(0), 45);
}

TEST(AnimationHit, BoundingBoxCoversEveryMillisecond) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  auto* C = TGChannel::Create<TGSceneChannel>(A.get());
  C->Width()->SetRealValue(0, 10);
  C->Height()->SetRealValue(0, 20);
  C->X()->SetRealValue(0, -5);
  C->X()->SetRealValue(100, 100);
  C->Y()->SetRealValue(50, 30); // one key: the default 0 before it, 30 from it on
  A->RefreshBoundingBox();
  EXPECT_NEAR(A->Origin().X, -5, 1e-3);
  EXPECT_NEAR(A->Origin().Y, 0, 1e-3);
  EXPECT_NEAR(A->Extent().X, 115, 1e-3);
  EXPECT_NEAR(A->Extent().Y, 50, 1e-3);

  TGObjectPtr<TGAnimation> Empty = NewAnimation();
  Empty->RefreshBoundingBox();
  EXPECT_EQ(Empty->Extent(), (TGVector{}));
}

// --- Drawing -------------------------------------------------------------------------------------

namespace {

class AnimationDraw : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    RegisterTestChannels();
  }
  void TearDown() override {
    EXPECT_EQ(MaskRenderingStep, 0);
    EXPECT_EQ(GD->StateStackSize(), 0);
    THeadlessSceneTest::TearDown();
  }
};

} // namespace

TEST_F(AnimationDraw, MaskCutsTheChannelBeforeItUpright) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  AddRect(A.get(), 8, 8, 32, 24, 0xFFFF0000); // content: x 8..40, y 8..32
  // The mask: the top-left part, x 8..24, y 8..16. Pixels look the mask up at their sample
  // points (whole numbers), so its edges lie half a pixel back, as pictures draw theirs.
  AddRect(A.get(), 7.5f, 7.5f, 16, 8, 0xFFFFFFFF, true);
  AddRect(A.get(), 50, 40, 4, 4, 0xFF00FF00); // unmasked after the pair
  A->Draw();
  // Exact to the pixel: rows 8..15, columns 8..23.
  for (int Y = 8; Y < 16; ++Y)
    EXPECT_EQ(Row(Y, 7, 18), "." + std::string(16, 'R') + ".") << Y;
  EXPECT_EQ(Row(16, 7, 18), std::string(18, '.'));
  EXPECT_EQ(Row(10, 26, 14), "..............");    // right of the mask
  EXPECT_EQ(Row(20, 8, 32), std::string(32, '.')); // below the mask: upside down if red
  EXPECT_EQ(Row(30, 8, 32), std::string(32, '.'));
  EXPECT_EQ(Row(41, 50, 4), "GGGG");
  EXPECT_EQ(Row(7, 8, 16), std::string(16, '.'));

  // A mask of half alpha lets half of the content through.
  GD->Erase(TGColor(0xFF000000));
  ObjectCast<TGMovie>(A->GetChannel(1))->Alpha()->SetRealValue(0, 0.5f);
  A->Draw();
  const TGColor Half = PixelAt(12, 12);
  EXPECT_GT(Half.R, 20);
  EXPECT_LT(Half.R, 200);
}

TEST_F(AnimationDraw, MaskLinesUpWhenTheContentLeavesTheScreen) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  AddRect(A.get(), -16, 8, 48, 24, 0xFFFF0000);      // x -16..32: clipped on the left
  AddRect(A.get(), -16, 8, 32, 8, 0xFFFFFFFF, true); // x -16..16, y 8..16
  A->Draw();
  EXPECT_EQ(Row(11, 0, 14), std::string(14, 'R'));
  EXPECT_EQ(Row(11, 18, 12), std::string(12, '.'));
  EXPECT_EQ(Row(24, 0, 30), std::string(30, '.'));

  // Wholly off the screen: nothing drawn, nothing divided by zero.
  GD->Erase(TGColor(0xFF000000));
  for (int I = 0; I < 2; ++I)
    ObjectCast<TGMovie>(A->GetChannel(I))->X()->SetRealValue(0, 500);
  A->Draw();
  for (int Y : {0, 10, 20, 47})
    EXPECT_EQ(Row(Y, 0, CWidth), std::string(CWidth, '.'));
  // A content of no size likewise.
  auto* Content = ObjectCast<TRectChannel>(A->GetChannel(0));
  Content->X()->SetRealValue(0, 10);
  Content->Width()->SetRealValue(0, 0);
  A->Draw();
  EXPECT_EQ(Row(10, 0, CWidth), std::string(CWidth, '.'));
}

TEST_F(AnimationDraw, MasksOfPicturesWorkInsideASpriteBatch) {
  // Pictures queued in the batch must be drawn into the mask and through it, not later.
  auto Flat = [](int W, int H, TGColor Color) {
    TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
    Bitmap->SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
      for (int X = 0; X < W; ++X)
        Bitmap->SetPixel(X, Y, Color);
    TGObjectPtr<TGSprite> Sprite(new TGSprite());
    Sprite->LoadFromBitmap(*Bitmap);
    return Sprite;
  };
  TGObjectPtr<TGSprite> Red = Flat(32, 24, 0xFFFF0000);
  TGObjectPtr<TGSprite> White = Flat(16, 8, 0xFFFFFFFF);
  TGObjectPtr<TGAnimation> A = NewAnimation();
  for (TGSprite* S : {Red.get(), White.get()}) {
    auto* C = TGChannel::Create<TGLivePicture>(A.get());
    C->Gfx()->SetResValue(0, S);
    C->X()->SetRealValue(0, 8);
    C->Y()->SetRealValue(0, 8);
    C->SetIsMask(S == White.get());
  }
  A->SetElapsedTime(0);
  TGSprite::BeginBatch();
  A->Draw();
  TGSprite::EndBatch();
  for (int Y = 8; Y < 16; ++Y)
    EXPECT_EQ(Row(Y, 7, 18), "." + std::string(16, 'R') + ".") << Y;
  EXPECT_EQ(Row(16, 7, 34), std::string(34, '.'));
  EXPECT_EQ(Row(10, 25, 16), std::string(16, '.'));
}

TEST_F(AnimationDraw, MaskFirstInTheListMasksNothingAndIsNotDrawn) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  AddRect(A.get(), 0, 0, 64, 48, 0xFF00FF00, true); // a mask with nothing before it
  AddRect(A.get(), 8, 8, 8, 8, 0xFFFF0000);
  auto* Hidden = AddRect(A.get(), 30, 8, 8, 8, 0xFFFF0000);
  Hidden->SetVisible(false);
  A->Draw();
  EXPECT_EQ(Row(10, 6, 12), "..RRRRRRRR..");
  EXPECT_EQ(Row(30, 0, CWidth), std::string(CWidth, '.'));
  EXPECT_EQ(Row(10, 30, 8), std::string(8, '.'));
}

TEST_F(AnimationDraw, MasksDoNotNestAndFailuresLeaveNoState) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  auto* Nest = TGChannel::Create<TNestChannel>(A.get());
  Nest->Width()->SetRealValue(0, 32);
  Nest->Height()->SetRealValue(0, 32);
  AddRect(A.get(), 0, 0, 32, 32, 0xFFFFFFFF, true);
  AddRect(Nest->Inner, 0, 0, 8, 8, 0xFFFF0000);
  AddRect(Nest->Inner, 0, 0, 4, 4, 0xFFFFFFFF, true);
  try {
    A->Draw();
    ADD_FAILURE() << "nested masks drew";
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Assertion failure");
  }
  EXPECT_EQ(MaskRenderingStep, 0);
  EXPECT_EQ(GD->StateStackSize(), 0);

  // A failing channel still gets its after-draw hook, masked or not.
  TGObjectPtr<THookAnimation> H(new THookAnimation());
  auto* Bad = AddRect(H.get(), 0, 0, 8, 8, 0xFFFF0000);
  Bad->SetCaption("bad");
  Bad->Fail = true;
  AddRect(H.get(), 0, 0, 8, 8, 0xFFFFFFFF, true)->SetCaption("m");
  H->Log.clear();
  EXPECT_ERROR_TEXT(H->Draw(), "drawing failed");
  EXPECT_NE(H->Log.find("before:bad after:bad"), std::string::npos) << H->Log;
  H->Log.clear();
  TGObjectPtr<TGChannel> Mask(H->GetChannel(1));
  H->Extract(Mask.get());
  EXPECT_EQ(Mask->Owner(), nullptr);
  EXPECT_ERROR_TEXT(H->Draw(), "drawing failed");
  EXPECT_EQ(H->Log, "remove:m before:bad after:bad ");
}

TEST_F(AnimationDraw, EditorOverlaysDrawFrameButNotInsideMasks) {
  TGObjectPtr<TGAnimation> A = NewAnimation();
  auto* C = AddRect(A.get(), 8, 8, 20, 10, 0xFF000000);
  C->SetFlags(TGChannelFlags{1u << mfDrawFrame});
  A->Draw();
  uint8_t Green = 0;
  for (int Y = 7; Y <= 9; ++Y)
    Green = std::max(Green, PixelAt(15, Y).G);
  EXPECT_GT(Green, 0x80);           // 0xA000FF00 over black
  EXPECT_EQ(PixelAt(15, 12).G, 0);  // the black content inside
  EXPECT_TRUE(C->HitTest(0, 4, 4)); // near the pivot counts while overlays show
  C->SetFlags(TGChannelFlags{});
  EXPECT_FALSE(C->HitTest(0, 4, 4));
}

TEST_F(AnimationDraw, ComplicationTesterMeasuresEachUrlOnce) {
  TTempDir Scratch("anitest");
  const std::string File = Scratch.File("complication.txt");
  TGAnimationComplicationTester& T = GetAnimationComplicationTester();
  T.SetFileName(File);
  T.SetEnabled(true);
  TGObjectPtr<TGAnimation> A = NewAnimation();
  A->SetURL("Test\\One.ani");
  AddRect(A.get(), 0, 0, 8, 8, 0xFFFF0000)->X()->SetRealValue(1000, 10);
  A->Update(0.01f);
  A->Update(0.01f);
  T.SetEnabled(false);
  std::ifstream In(File);
  std::stringstream S;
  S << In.rdbuf();
  // One line per animation, "%d: %s": the milliseconds, then the URL.
  const std::string Text = S.str();
  const size_t Colon = Text.find(':');
  ASSERT_NE(Colon, std::string::npos) << Text;
  EXPECT_GT(Colon, 0u);
  EXPECT_EQ(Text.substr(0, Colon).find_first_not_of("0123456789"), std::string::npos) << Text;
  EXPECT_EQ(Text.substr(Colon), ": Test\\One.ani\r\n");
  EXPECT_EQ(A->ElapsedTime(), 20); // the measured clone has a clock of its own
}

TEST_F(AnimationDraw, AnAniShowsAnotherAniThroughAPictureChannel) {
  RegisterEngineClasses();
  TGChannel::RegisterClass(TGLivePicture::StaticClass());
  namespace fs = std::filesystem;
  TTempDir Scratch("anitest");
  const fs::path Root = Scratch.Path();
  fs::create_directories(Root / "gfx");
  std::ofstream(Root / "gfx" / "Inner.ani")
      << R"(<Animation OriginX="0" OriginY="0" Width="40" Height="20">
      <Channel ClassId="RectChannel" Caption="r" Visible="True">
        <X><Term T="0" Value="0"/><Term T="1000" Value="20"/></X>
        <Width><Term T="0" Value="6"/></Width><Height><Term T="0" Value="6"/></Height>
      </Channel></Animation>)";
  std::ofstream(Root / "gfx" / "Outer.ani")
      << R"(<Animation OriginX="0" OriginY="0" Width="64" Height="48">
      <Channel ClassId="LivePicture" Caption="p" Visible="True">
        <GfxURL><Term T="0" Value="Inner.ani"/></GfxURL>
        <X><Term T="0" Value="10"/></X><Y><Term T="0" Value="10"/></Y>
      </Channel>
      <Channel ClassId="RectChannel" Caption="m" Visible="True" Mask="True">
        <X><Term T="0" Value="29.5"/></X><Y><Term T="0" Value="9.5"/></Y>
        <Width><Term T="0" Value="34"/></Width><Height><Term T="0" Value="3"/></Height>
      </Channel></Animation>)";
  {
    TGObjectPtr<TGResourceLibrary> Library(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, Root.string()), nullptr, rdtCommon, 0);
    auto* Outer = ObjectCast<TGAnimation>(Library->GetResource("Outer.ani"));
    auto* Inner = ObjectCast<TGAnimation>(Library->GetResource("Inner.ani"));
    EXPECT_TRUE(Outer->HasReferenceTo(Inner));
    // Drawn through a clone, as symbols do; the shared resource keeps its clock.
    TGObjectPtr<TGAnimation> A(ObjectCast<TGAnimation>(CloneObject(*Outer, nullptr)));
    A->GetChannel(1)->SetIsMask(false);
    A->GetChannel(1)->SetVisible(false);
    A->SetElapsedTime(0);
    A->Draw();
    EXPECT_EQ(Row(12, 8, 10), "..WWWWWW..");
    GD->Erase(TGColor(0xFF000000));
    A->Update(1.0f); // the nested animation runs on the parent's clock: its rectangle moved
    A->Draw();
    EXPECT_EQ(Row(12, 8, 10), std::string(10, '.'));
    EXPECT_EQ(Row(12, 28, 10), "..WWWWWW..");
    EXPECT_EQ(Inner->ElapsedTime(), 0);

    // The nested picture cut by the mask after it, within the picture's extent (40 × 20):
    // only rows 10..12, from column 30 on.
    GD->Erase(TGColor(0xFF000000));
    A->GetChannel(1)->SetIsMask(true);
    A->GetChannel(1)->SetVisible(true);
    A->SetElapsedTime(750); // the inner rectangle covers columns 25..30
    A->Draw();
    EXPECT_EQ(Row(11, 24, 8), "......W.");
    EXPECT_EQ(Row(14, 24, 8), std::string(8, '.'));
  }
}
