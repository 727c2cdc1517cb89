// Particles, particle systems and their heirs, the animated-particle pool, simple-particle shared
// data, and the scripted and simple emitters (emission, placing, simulation, drawing).
#include "HeadlessDevice.h"
#include "animation/UGAnimation.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGBitmap.h"
#include "particles/UGAnimatedParticle.h"
#include "particles/UGParticleEmitter.h"
#include "particles/UGSimpleParticleEmitter.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

template <class T>
TGObjectPtr<T> Own(TGGraphic* G) {
  return TGObjectPtr<T>(static_cast<T*>(G));
}

// The manager lives from start-up; an application test run earlier in the same process has shut
// it down again.
void EnsureParticleManager() {
  if (!PM) {
    PM = new TGParticleManager();
  }
}

TGSimpleParticle* AddSimple(TGParticleSystem* System, float LifeTime = 10) {
  auto* P = new TGSimpleParticle(System);
  P->LifeTime = LifeTime;
  System->Add(P);
  return P;
}

TGObjectPtr<TGSprite> WhiteSprite(int W, int H) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(W, H);
  for (int Y = 0; Y < H; ++Y) {
    for (int X = 0; X < W; ++X) {
      Bitmap->SetPixel(X, Y, 0xFFFFFFFF);
    }
  }
  TGObjectPtr<TGSprite> Sprite(new TGSprite());
  Sprite->LoadFromBitmap(*Bitmap);
  return Sprite;
}

std::vector<int32_t> KeyTimes(const TGVarSeq* Seq) {
  std::vector<int32_t> Times;
  for (int I = 0; I < Seq->GetCount(); ++I) {
    Times.push_back(Seq->Terms(I).Time);
  }
  return Times;
}

TGSimpleParticle* SimpleAt(TGCustomParticleEmitter* E, int32_t Index) {
  return dynamic_cast<TGSimpleParticle*>(E->ParticleSystem()->Items(Index));
}

} // namespace

// --- Particle systems, heirs, pool -----------------------------------------------------------

TEST(ParticleSystem, DestroyedSystemHandsParticlesToTheTopHeir) {
  EnsureParticleManager();
  TGObjectPtr<TGParticleSystem> A(new TGParticleSystem());
  TGObjectPtr<TGParticleSystem> B(new TGParticleSystem());
  const int32_t Live = ParticleCount;
  PM->SetupParticleHeir(A.get());
  PM->SetupParticleHeir(B.get());
  {
    TGObjectPtr<TGParticleSystem> C(new TGParticleSystem());
    TGSimpleParticle* P1 = AddSimple(C.get());
    TGSimpleParticle* P2 = AddSimple(C.get());
    C.reset();
    ASSERT_EQ(B->Count(), 2);
    EXPECT_EQ(P1->Owner(), B.get());
    EXPECT_EQ(P2->Owner(), B.get());
  }
  PM->RestoreParticleHeir();
  EXPECT_EQ(PM->GetParticleHeir(), A.get());
  // An heir freed while it is named receives nothing afterwards; the next system's particles
  // die with it.
  A.reset();
  EXPECT_EQ(PM->GetParticleHeir(), nullptr);
  {
    TGObjectPtr<TGParticleSystem> D(new TGParticleSystem());
    AddSimple(D.get());
    EXPECT_EQ(ParticleCount.load(), Live + 3);
  }
  EXPECT_EQ(ParticleCount.load(), Live + 2);
  PM->RestoreParticleHeir();
  PM->RestoreParticleHeir(); // empty: nothing
  EXPECT_EQ(PM->HeirCount(), 0);
  B.reset();
  EXPECT_EQ(ParticleCount.load(), Live);
}

TEST(ParticleSystem, FinishedWhenEveryParticleIs) {
  TGObjectPtr<TGParticleSystem> S(new TGParticleSystem());
  EXPECT_TRUE(S->IsFinished());
  S->SetRemoveFinished(false);
  AddSimple(S.get(), 0.5f);
  AddSimple(S.get(), 1.0f);
  S->Update(0.6f);
  EXPECT_FALSE(S->IsFinished());
  S->Update(0.5f);
  EXPECT_TRUE(S->IsFinished());
}

TEST(ParticleSystem, SymbolKeepsParticlesOfTheInstanceItReplaces) {
  EnsureParticleManager();
  // An animation whose emitter is still full of particles.
  TGObjectPtr<TGAnimation> Graphic(new TGAnimation());
  Graphic->Add(TGChannel::Create<TGSimpleParticleEmitter>(nullptr));
  const int32_t Live = ParticleCount;
  for (bool Inherit : {true, false}) {
    TGObjectPtr<TGSymbol> Symbol(new TGSymbol());
    Symbol->SetInheritParticles(Inherit);
    Symbol->SetGraphic(Graphic.get());
    auto* Instance = dynamic_cast<TGAnimation*>(Symbol->Instance());
    ASSERT_NE(Instance, nullptr);
    auto* E = static_cast<TGCustomParticleEmitter*>(Instance->Channels(0));
    AddSimple(E->ParticleSystem());
    AddSimple(E->ParticleSystem());
    Symbol->SetGraphic(nullptr);
    EXPECT_EQ(PM->HeirCount(), 0);
    EXPECT_EQ(Symbol->GetParticleSystem()->Count(), Inherit ? 2 : 0);
    EXPECT_EQ(ParticleCount.load(), Live + (Inherit ? 2 : 0));
  }
  EXPECT_EQ(ParticleCount.load(), Live);
}

TEST(ParticlePool, EmptyPoolRefusesAndSlotsWrap) {
  {
    TGObjectPtr<TGAnimatedParticlesPool> Empty(new TGAnimatedParticlesPool(nullptr, 0));
    TGAnimatedParticle* P = nullptr;
    EXPECT_FALSE(Empty->GetParticle(P));
    EXPECT_EQ(P, nullptr);
  }
  EXPECT_EQ(AnimatedParticlesPool, nullptr);
  TGObjectPtr<TGAnimatedParticlesPool> Pool(new TGAnimatedParticlesPool(nullptr, 3));
  TGAnimatedParticle *A, *B, *C, *D;
  // The scan starts after the last slot handed out (0 at first) and wraps.
  ASSERT_TRUE(Pool->GetParticle(A));
  ASSERT_TRUE(Pool->GetParticle(B));
  ASSERT_TRUE(Pool->GetParticle(C));
  EXPECT_EQ(A, Pool->Particles(1));
  EXPECT_EQ(B, Pool->Particles(2));
  EXPECT_EQ(C, Pool->Particles(0));
  EXPECT_FALSE(Pool->GetParticle(D));
  // The slot handed out last is examined too.
  Pool->ReleaseParticle(C);
  ASSERT_TRUE(Pool->GetParticle(D));
  EXPECT_EQ(D, C);
  // A particle handed out again starts empty.
  D->X()->SetRealValue(0, 5);
  D->SetElapsedTime(300);
  Pool->ReleaseParticle(D);
  ASSERT_TRUE(Pool->GetParticle(D));
  EXPECT_EQ(D->X()->GetCount(), 0);
  EXPECT_EQ(D->ElapsedTime(), 0);
}

TEST(ParticlePool, PooledParticlesGoBackInsteadOfDying) {
  TGObjectPtr<TGAnimatedParticlesPool> Pool(new TGAnimatedParticlesPool(nullptr, 2));
  const int32_t Live = ParticleCount;
  TGAnimatedParticle* P = nullptr;
  {
    TGObjectPtr<TGParticleSystem> S(new TGParticleSystem());
    ASSERT_TRUE(Pool->GetParticle(P));
    P->SetOwner(S.get());
    S->Add(P);
    // Finished (life 0): the update hands it back.
    S->Update(0.01f);
    EXPECT_EQ(S->Count(), 0);
    EXPECT_FALSE(Pool->Used(1));
    EXPECT_EQ(P->Owner(), nullptr);
    // A system destroyed without heir hands its pooled particles back too.
    ASSERT_TRUE(Pool->GetParticle(P));
    P->SetLifeTime(1000);
    P->SetOwner(S.get());
    S->Add(P);
  }
  EXPECT_FALSE(Pool->Used(0));
  EXPECT_EQ(ParticleCount.load(), Live);
  // A pooled particle freed by its system leaves a slot that gets a new particle.
  {
    TGObjectPtr<TGParticleSystem> S(new TGParticleSystem());
    ASSERT_TRUE(Pool->GetParticle(P));
    P->SetOwner(S.get());
    S->Add(P);
    S->Clear();
    EXPECT_EQ(ParticleCount.load(), Live - 1);
    TGAnimatedParticle* Again = nullptr;
    ASSERT_TRUE(Pool->GetParticle(Again));
    ASSERT_TRUE(Pool->GetParticle(Again));
    EXPECT_EQ(ParticleCount.load(), Live);
    // The pool goes first: the particle in use stays with its system.
    Again->SetOwner(S.get());
    S->Add(Again);
    Pool.reset();
    EXPECT_FALSE(Again->InPool());
    EXPECT_EQ(ParticleCount.load(), Live - 1);
  }
  EXPECT_EQ(ParticleCount.load(), Live - 2);
}

// --- Simple particles and their shared data --------------------------------------------------

TEST(SimpleParticle, ClosedFormMotionAngleAndEnvelopes) {
  TGObjectPtr<TGSimpleParticle> P(new TGSimpleParticle());
  P->StartPos = TGFlatVector{5, 7};
  P->StartVel = TGFlatVector{10, 0};
  P->Gravity = TGFlatVector{0, 100};
  P->VelocityCurveCoeff = 1;
  P->LifeTime = 2;
  P->Update(1.0f);
  TGVector Pos = P->Symbol->Matrix().GetOrigin();
  EXPECT_FLOAT_EQ(Pos.X, 15);
  EXPECT_FLOAT_EQ(Pos.Y, 107);
  // Facing the path: velocity (10, 200) at one second, plus 90°.
  P->AngleFollowsPath = true;
  EXPECT_NEAR(P->AngleAt(1), std::atan2(200.0, 10.0) * 180 / std::numbers::pi + 90, 1e-3);
  P->AngleFollowsPath = false;
  P->StartAngle = 30;
  P->RotSpeed = 45;
  EXPECT_FLOAT_EQ(P->AngleAt(2), 120);

  // Shared envelopes at the life fraction: half way, scaling 1..3 gives 2 (times Size).
  auto* Data = new TGSimpleParticleSharedData();
  Data->Scaling()->SetRealValue(0, 1);
  Data->Scaling()->SetRealValue(1000, 3);
  Data->Alpha()->SetRealValue(0, 2); // clamped to opaque
  Data->Color()->SetColorValue(0, 0x00FF8000);
  P->SetData(Data);
  TGSimpleParticleSharedData::Release(Data);
  EXPECT_EQ(Data->RefCount(), 1);
  P->Size = 0.5f;
  P->RotSpeed = 0;
  P->StartAngle = 0;
  P->Color = 0x80FFFFFF;
  P->ElapsedTime = 0;
  P->StartVel = TGFlatVector{0, 0};
  P->Gravity = TGFlatVector{0, 0};
  P->Update(1.0f);
  EXPECT_FLOAT_EQ(P->Symbol->Matrix().M[0][0], 1.0f);
  EXPECT_EQ(uint32_t(P->Symbol->Color()), uint32_t(TGColor(0x80FFFFFF) * TGColor(0xFFFF8000)));
  EXPECT_FALSE(P->IsFinished());
  P->Update(1.0f);
  EXPECT_TRUE(P->IsFinished());
  P.reset(); // releases the data with the particle
}

TEST(SimpleParticleSharedData, SequenceKeepsCopiesAndCountsReferences) {
  TGObjectPtr<TGSimpleParticleSharedDataSeq> Seq(new TGSimpleParticleSharedDataSeq("SharedData"));
  TGSimpleParticleSharedData* Default = GetDefaultSimpleParticleSharedData();
  EXPECT_EQ(Seq->GetSPSDValue(0), Default);
  const int32_t DefaultRefs = Default->RefCount();

  auto* Data = new TGSimpleParticleSharedData();
  Seq->SetValue(100, TGVariant(static_cast<TGObject*>(Data)));
  TGSimpleParticleSharedData* Stored = Seq->GetSPSDValue(100);
  EXPECT_NE(Stored, Data); // a copy
  EXPECT_EQ(Stored->RefCount(), 1);
  EXPECT_EQ(Data->RefCount(), 1);
  // The same object again at the same time: nothing happens.
  Seq->SetValue(100, TGVariant(static_cast<TGObject*>(Stored)));
  EXPECT_EQ(Seq->GetSPSDValue(100), Stored);
  // A particle holds its own reference; the key's goes with the key.
  TGObjectPtr<TGSimpleParticle> P(new TGSimpleParticle());
  P->SetData(Stored);
  EXPECT_EQ(Stored->RefCount(), 2);
  Seq->Clear();
  EXPECT_EQ(Stored->RefCount(), 1);
  P.reset();
  TGSimpleParticleSharedData::Release(Data);
  TGSimpleParticleSharedData::Release(nullptr);

  EXPECT_ERROR_TEXT(Seq->SetValue(0, TGVariant::Null()), "Assertion failure");
  // A copy of the sequence holds the default and copies of the keys.
  Seq->SetValue(0, TGVariant(static_cast<TGObject*>(Default)));
  TGObjectPtr<TGSimpleParticleSharedDataSeq> Copy(new TGSimpleParticleSharedDataSeq("SharedData"));
  Copy->Assign(Seq.get());
  EXPECT_NE(Copy->GetSPSDValue(0), Seq->GetSPSDValue(0));
  Copy.reset();
  Seq.reset();
  EXPECT_EQ(Default->RefCount(), DefaultRefs - 1);
}

TEST(SimpleParticleSharedData, XMLRoundTrip) {
  TGObjectPtr<TGSimpleParticleSharedDataSeq> Seq(new TGSimpleParticleSharedDataSeq("SharedData"));
  auto* Data = new TGSimpleParticleSharedData();
  Data->Alpha()->SetRealValue(0, 1);
  Data->Alpha()->SetRealValue(1000, 0);
  Data->Color()->SetColorValue(500, 0x0000FF00);
  Seq->SetValue(0, TGVariant(static_cast<TGObject*>(Data)));
  Data->Alpha()->Clear();
  Data->Scaling()->SetRealValue(0, 4);
  Seq->SetValue(2000, TGVariant(static_cast<TGObject*>(Data)));
  TGSimpleParticleSharedData::Release(Data);

  TGObjectPtr<TGXMLNode> Saved(Seq->SaveToXML());
  ASSERT_TRUE(Saved);
  EXPECT_EQ(Saved->Name(), "SharedData");
  TGXMLCollection* Terms = Saved->GetChilds("Term");
  ASSERT_EQ(Terms->GetCount(), 2);
  EXPECT_EQ(Terms->GetItem(1)->GetIntAttr("T"), 2000);
  EXPECT_EQ(Terms->GetItem(0)->GetChilds("Scaling")->GetCount(), 0); // empty: not written
  EXPECT_EQ(Terms->GetItem(1)->GetChilds("Alpha")->GetCount(), 0);

  TGObjectPtr<TGXMLNode> Read(new TGXMLNode("x"));
  Read->LoadFromString(Saved->SaveToString());
  TGObjectPtr<TGSimpleParticleSharedDataSeq> Loaded(
      new TGSimpleParticleSharedDataSeq("SharedData"));
  Loaded->LoadFromXML(nullptr, Read.get());
  ASSERT_EQ(KeyTimes(Loaded.get()), (std::vector<int32_t>{0, 2000}));
  TGSimpleParticleSharedData* First = Loaded->GetSPSDValue(1999);
  EXPECT_EQ(First->RefCount(), 1);
  EXPECT_FLOAT_EQ(First->Alpha()->GetRealValue(500), 0.5f);
  EXPECT_FLOAT_EQ(First->Scaling()->GetRealValue(500), 1.0f);
  EXPECT_EQ(uint32_t(First->GetTotalColorColor(500)), 0x7F00FF00u);
  EXPECT_FLOAT_EQ(Loaded->GetSPSDValue(2000)->Scaling()->GetRealValue(0), 4.0f);
  EXPECT_EQ(Loaded->GetSPSDValue(2000)->GetTotalColorColor(0).A, 255);
}

// --- The scripted emitter's simulation -------------------------------------------------------

class ScriptedEmitter : public ::testing::Test {
protected:
  void SetUp() override { E.reset(TGChannel::Create<TGParticleEmitter>(nullptr)); }
  TGObjectPtr<TGAnimatedParticle> Make(float LifeTime, float P0 = 0) {
    E->UpdateScripts(0);
    return Own<TGAnimatedParticle>(E->CreateParticle(10, 20, 0, P0, 0, LifeTime));
  }
  TGObjectPtr<TGParticleEmitter> E;
};

TEST_F(ScriptedEmitter, KeysEveryStepAndAtTheEndOfLife) {
  TGObjectPtr<TGAnimatedParticle> P = Make(0.25f);
  EXPECT_EQ(P->LifeTime(), 250);
  EXPECT_EQ(KeyTimes(P->X()), (std::vector<int32_t>{0, 100, 200, 250}));
  EXPECT_EQ(KeyTimes(P->Alpha()), (std::vector<int32_t>{0, 100, 200, 250}));
  // A step of 0 or less is taken as 1 ms instead of never ending.
  for (int32_t Step : {0, -5}) {
    E->ModellingStep()->SetValue(0, TGVariant(Step));
    EXPECT_EQ(Make(0.125f)->X()->GetCount(), 126);
  }
}

TEST_F(ScriptedEmitter, DefaultScriptsGrowThenFade) {
  TGObjectPtr<TGAnimatedParticle> P = Make(1.0f);
  EXPECT_FLOAT_EQ(P->ScaleX()->GetRealValue(0), 0);
  EXPECT_NEAR(P->ScaleX()->GetRealValue(250), 0.5f, 1e-5);
  EXPECT_FLOAT_EQ(P->ScaleY()->GetRealValue(500), 1);
  EXPECT_FLOAT_EQ(P->ScaleX()->GetRealValue(1000), 1);
  EXPECT_FLOAT_EQ(P->Alpha()->GetRealValue(500), 1);
  EXPECT_NEAR(P->Alpha()->GetRealValue(700), 0.6f, 1e-5);
  EXPECT_FLOAT_EQ(P->Alpha()->GetRealValue(1000), 0);
  EXPECT_FALSE(P->IsFinished());
  P->Update(1.0f);
  EXPECT_TRUE(P->IsFinished());
}

TEST_F(ScriptedEmitter, MotionWeightAndFrozenRandomness) {
  E->ParticleDirection()->SetStringValue(0, "0");
  E->ParticleVelocity()->SetStringValue(0, "100");
  E->ParticleWeight()->SetStringValue(0, "0");
  E->ParticleScale()->SetStringValue(0, "P0");
  TGObjectPtr<TGAnimatedParticle> P = Make(0.5f, 3);
  // The first key already includes one step of motion: 100 px/s for 0.1 s.
  EXPECT_FLOAT_EQ(P->X()->GetRealValue(0), 20);
  EXPECT_FLOAT_EQ(P->X()->GetRealValue(500), 70);
  EXPECT_FLOAT_EQ(P->Y()->GetRealValue(500), 20);
  EXPECT_FLOAT_EQ(P->ScaleX()->GetRealValue(300), 3);
  // Heading +x, a sprite pointing up is turned by 90°.
  EXPECT_FLOAT_EQ(P->Angle()->GetRealValue(0), 90);

  // Weight pulls down at 1000 px/s²: the three steps move y by 10, 20 and 30.
  E->ParticleVelocity()->SetStringValue(0, "0");
  E->ParticleWeight()->SetStringValue(0, "1000");
  P = Make(0.2f);
  EXPECT_NEAR(P->Y()->GetRealValue(200), 80, 1e-3);
  EXPECT_NEAR(P->Angle()->GetRealValue(200), 180, 1e-3);

  // A random direction is drawn again from the same seed at every step: a straight path.
  E->ParticleWeight()->SetStringValue(0, "0");
  E->ParticleVelocity()->SetStringValue(0, "100");
  E->ParticleDirection()->SetStringValue(0, "RandU[45, 40]");
  P = Make(1.0f);
  const double Slope0 = (P->Y()->GetRealValue(0) - 20) / (P->X()->GetRealValue(0) - 10);
  const double Slope1 = (P->Y()->GetRealValue(1000) - 20) / (P->X()->GetRealValue(1000) - 10);
  EXPECT_NEAR(Slope0, Slope1, 1e-3);
}

TEST_F(ScriptedEmitter, BadScriptCallsFailWithoutLeakingTheParticle) {
  const int32_t Live = ParticleCount;
  for (const char* Text : {"RandU[1, 2, 3]", "RandG[1, 2, 3]"}) {
    E->ParticleVelocity()->SetStringValue(0, Text);
    EXPECT_ERROR_TEXT(Make(0.5f), "An error occured");
  }
  EXPECT_EQ(ParticleCount.load(), Live);
  EXPECT_FLOAT_EQ(TGParticleEmitter::AngleDiff(10, 30), 20);
  EXPECT_FLOAT_EQ(TGParticleEmitter::AngleDiff(170, -170), 20);
  EXPECT_FLOAT_EQ(TGParticleEmitter::AngleDiff(-170, 170), -20);
}

// --- Emission and drawing --------------------------------------------------------------------

class Emitters : public THeadlessSceneTest {
protected:
  void TearDown() override {
    MaskRenderingStep = 0;
    THeadlessSceneTest::TearDown();
  }
  // A simple emitter shooting straight along its heading at 100 px/s.
  static TGObjectPtr<TGSimpleParticleEmitter> Straight() {
    TGObjectPtr<TGSimpleParticleEmitter> E(TGChannel::Create<TGSimpleParticleEmitter>(nullptr));
    E->DirectionRange()->SetRealValue(0, 0);
    E->VelocityRange()->SetRealValue(0, 0);
    E->Velocity()->SetRealValue(0, 100);
    return E;
  }
  static std::vector<int32_t> Run(TGChannel* E, int32_t From, int32_t Step, int Frames) {
    std::vector<int32_t> Counts;
    for (int I = 1; I <= Frames; ++I) {
      E->SetElapsedTime(From + Step * I);
      Counts.push_back(static_cast<TGCustomParticleEmitter*>(E)->ParticleSystem()->Count());
    }
    return Counts;
  }
};

TEST_F(Emitters, EmitOnlyAfterDrawingAndNotAcrossSeeks) {
  TGObjectPtr<TGSimpleParticleEmitter> E = Straight();
  EXPECT_EQ(Run(E.get(), 0, 50, 4), (std::vector<int32_t>{0, 0, 0, 0}));
  E->Draw();
  EXPECT_TRUE(E->MatrixInitialized());
  // Density 10 at 0.05 s per frame: one particle every second frame.
  EXPECT_EQ(Run(E.get(), 200, 50, 6), (std::vector<int32_t>{0, 1, 1, 2, 2, 3}));
  // A jump of 0.3 s and a step back emit nothing.
  EXPECT_EQ(Run(E.get(), 500, 300, 1), (std::vector<int32_t>{3}));
  EXPECT_EQ(Run(E.get(), 800, -100, 1), (std::vector<int32_t>{3}));
  E->Active()->SetBoolValue(0, false);
  EXPECT_EQ(Run(E.get(), 700, 50, 4), (std::vector<int32_t>{3, 3, 3, 3}));

  // Neither inwards nor outwards: particles are owed and paid, but none is made.
  TGObjectPtr<TGSimpleParticleEmitter> None = Straight();
  None->Inner()->SetBoolValue(0, false);
  None->Outer()->SetBoolValue(0, false);
  None->Draw();
  EXPECT_EQ(Run(None.get(), 0, 50, 6), (std::vector<int32_t>{0, 0, 0, 0, 0, 0}));
  EXPECT_LT(None->SpawnCount(), 1);
}

TEST_F(Emitters, ParticlesAreBornInWorldCoordinates) {
  TGObjectPtr<TGSimpleParticleEmitter> E = Straight();
  E->X()->SetRealValue(0, 100);
  E->Y()->SetRealValue(0, 50);
  E->Density()->SetRealValue(0, 20);
  GD->SetMatrixByType(mWorld, MatTranslation(10, 20, 0));
  E->Draw();
  Run(E.get(), 0, 50, 1);
  ASSERT_EQ(E->ParticleSystem()->Count(), 1);
  EXPECT_FLOAT_EQ(SimpleAt(E.get(), 0)->StartPos.X, 110);
  EXPECT_FLOAT_EQ(SimpleAt(E.get(), 0)->StartPos.Y, 70);
  // Heading down (the point's direction is +y), outwards.
  EXPECT_NEAR(SimpleAt(E.get(), 0)->StartVel.Y, 100, 1e-3);
  // Moving the emitter moves the next particles only.
  E->X()->SetRealValue(0, 300);
  E->Inner()->SetBoolValue(0, true);
  E->Outer()->SetBoolValue(0, false);
  Run(E.get(), 50, 50, 1);
  ASSERT_EQ(E->ParticleSystem()->Count(), 2);
  EXPECT_FLOAT_EQ(SimpleAt(E.get(), 0)->StartPos.X, 110);
  EXPECT_FLOAT_EQ(SimpleAt(E.get(), 1)->StartPos.X, 310);
  EXPECT_NEAR(SimpleAt(E.get(), 1)->StartVel.Y, -100, 1e-3); // inwards
  E->ClearParticles();
  EXPECT_EQ(E->ParticleSystem()->Count(), 0);
}

TEST_F(Emitters, ShapesPlaceAndAimParticles) {
  TGObjectPtr<TGSimpleParticleEmitter> E = Straight();
  E->Density()->SetRealValue(0, 200); // 10 particles per 50 ms frame
  E->Draw();
  TGVector Extent;
  E->GetExtent(0, Extent);
  EXPECT_EQ(Extent.X + Extent.Y, 0);

  E->Shape()->SetValue(0, TGVariant(int32_t{esLine}));
  E->GetExtent(0, Extent);
  EXPECT_EQ(Extent.X, 200);
  EXPECT_EQ(Extent.Y, 0);
  Run(E.get(), 0, 50, 1);
  for (int32_t I = 0; I < E->ParticleSystem()->Count(); ++I) {
    const TGSimpleParticle* P = SimpleAt(E.get(), I);
    EXPECT_GE(P->StartPos.X, 0);
    EXPECT_LT(P->StartPos.X, 200);
    EXPECT_FLOAT_EQ(P->StartPos.Y, 0);
  }

  E->ClearParticles();
  E->Shape()->SetValue(0, TGVariant(int32_t{esEllipse}));
  E->Width()->SetRealValue(0, 100);
  E->Height()->SetRealValue(0, 100);
  E->GetExtent(0, Extent);
  EXPECT_EQ(Extent.Y, 100);
  Run(E.get(), 50, 50, 1);
  ASSERT_EQ(E->ParticleSystem()->Count(), 10);
  for (int32_t I = 0; I < 10; ++I) {
    const TGSimpleParticle* P = SimpleAt(E.get(), I);
    const double DX = P->StartPos.X - 50, DY = P->StartPos.Y - 50;
    EXPECT_NEAR(std::hypot(DX, DY), 50, 1e-3);
    // Outwards from the centre.
    EXPECT_NEAR((DX * P->StartVel.X + DY * P->StartVel.Y) / 50, 100, 1e-2);
  }

  E->ClearParticles();
  E->Shape()->SetValue(0, TGVariant(int32_t{esArea}));
  E->Height()->SetRealValue(0, 30);
  Run(E.get(), 100, 50, 1);
  for (int32_t I = 0; I < E->ParticleSystem()->Count(); ++I) {
    const TGSimpleParticle* P = SimpleAt(E.get(), I);
    EXPECT_TRUE(P->StartPos.X >= 0 && P->StartPos.X < 100 && P->StartPos.Y >= 0 &&
                P->StartPos.Y < 30);
  }
}

TEST_F(Emitters, ParticlesTakeTheChannelsTintLifeAndPicture) {
  TGObjectPtr<TGSprite> Sprite = WhiteSprite(4, 4);
  TGObjectPtr<TGSimpleParticleEmitter> E = Straight();
  E->Alpha()->SetRealValue(0, 0.5f);
  E->Color()->SetColorValue(0, 0x00FF0000);
  E->ParticleSample()->SetResValue(0, Sprite.get());
  E->ParticleLifeTime()->SetRealValue(0, 0.05f);
  E->ParticleLifeTimeRange()->SetRealValue(0, 0);
  E->Draw();
  Run(E.get(), 0, 50, 2);
  ASSERT_EQ(E->ParticleSystem()->Count(), 1);
  const TGSimpleParticle* P = SimpleAt(E.get(), 0);
  // Alpha from the alpha envelope, RGB from the colour envelope.
  EXPECT_EQ(uint32_t(P->Color) & 0xFFFFFF, 0xFF0000u);
  EXPECT_NEAR(P->Color.A, 127, 1);
  EXPECT_FLOAT_EQ(P->LifeTime, 0.1f); // raised from 0.05 s
  EXPECT_NE(dynamic_cast<TGSprite*>(P->Symbol->Instance()), nullptr);
  E->UpdateParticles(0.2f);
  EXPECT_EQ(E->ParticleSystem()->Count(), 0);

  TGObjectPtr<TGParticleEmitter> S(TGChannel::Create<TGParticleEmitter>(nullptr));
  S->ParticleLifeTime()->SetRealValue(0, 0.05f);
  S->ParticleLifeTimeRange()->SetRealValue(0, 0);
  S->Draw();
  Run(S.get(), 0, 50, 2);
  ASSERT_EQ(S->ParticleSystem()->Count(), 1);
  EXPECT_EQ(static_cast<TGAnimatedParticle*>(S->ParticleSystem()->Items(0))->LifeTime(), 100);
}

TEST_F(Emitters, SystemDrawsInWorldCoordinatesAndEmitterDrawsItsShape) {
  TGObjectPtr<TGSprite> Sprite = WhiteSprite(4, 4);
  TGObjectPtr<TGParticleSystem> S(new TGParticleSystem());
  TGSimpleParticle* P = AddSimple(S.get());
  P->Symbol->SetGraphic(Sprite.get());
  P->StartPos = TGFlatVector{10, 10};
  P->Update(0);
  const TGMatrix Shifted = MatTranslation(30, 0, 0);
  GD->SetMatrixByType(mWorld, Shifted);
  S->Draw();
  EXPECT_TRUE(GD->GetMatrixByType(mWorld) == Shifted);
  EXPECT_EQ(Row(9, 8, 3), "WWW"); // where the particle is, whatever the world matrix
  EXPECT_EQ(Row(9, 38, 3), "...");

  GD->SetMatrixByType(mWorld, MatIdentity);
  GD->Erase(TGColor(0xFF000000));
  TGObjectPtr<TGSimpleParticleEmitter> E = Straight();
  E->Shape()->SetValue(0, TGVariant(int32_t{esLine}));
  E->Width()->SetRealValue(0, 40);
  E->X()->SetRealValue(0, 5);
  E->Y()->SetRealValue(0, 20);
  E->Draw();
  EXPECT_EQ(Row(20, 10, 30) + Row(19, 10, 30), std::string(30, '.') + std::string(30, '.'));
  TGChannelFlags Flags;
  Flags.Include(mfDrawFrame);
  E->SetFlags(Flags);
  E->Draw();
  const std::string Line = Row(19, 10, 30) + Row(20, 10, 30) + Row(21, 10, 30);
  EXPECT_NE(Line.find(std::string(30, 'U')), std::string::npos) << Line;

  // Drawing editor overlays only: no particles, and the emitter is not placed yet.
  GD->Erase(TGColor(0xFF000000));
  MaskRenderingStep = 2;
  TGObjectPtr<TGSimpleParticleEmitter> Fresh = Straight();
  Fresh->Draw();
  EXPECT_FALSE(Fresh->MatrixInitialized());
}

TEST(EmitterClasses, IdsAndSequenceOrder) {
  EXPECT_EQ(TGChannel::ClassIdOf(TGParticleEmitter::StaticClass()), "ParticleEmitter");
  EXPECT_EQ(TGChannel::ClassIdOf(TGSimpleParticleEmitter::StaticClass()), "SimpleParticleEmitter");
  TGObjectPtr<TGChannel> Scripted(TGChannel::Create<TGParticleEmitter>(nullptr));
  TGObjectPtr<TGChannel> Simple(TGChannel::Create<TGSimpleParticleEmitter>(nullptr));
  ASSERT_EQ(Scripted->SeqCount(), 37);
  ASSERT_EQ(Simple->SeqCount(), 38);
  EXPECT_EQ(Scripted->GetSeq(14)->Name(), "Active");
  EXPECT_EQ(Scripted->GetSeq(25)->Name(), "ParticleP1");
  EXPECT_EQ(Scripted->GetSeq(26)->Name(), "ModellingStep");
  EXPECT_EQ(Scripted->GetSeq(36)->Name(), "ParticleBlue");
  EXPECT_EQ(Simple->GetSeq(26)->Name(), "DirectionRange");
  EXPECT_EQ(Simple->GetSeq(37)->Name(), "SharedData");

  // A channel copy carries the shared-data keys as copies of its own.
  auto* Source = static_cast<TGSimpleParticleEmitter*>(Simple.get());
  auto* Data = new TGSimpleParticleSharedData();
  Source->SharedData()->SetValue(0, TGVariant(static_cast<TGObject*>(Data)));
  TGSimpleParticleSharedData::Release(Data);
  TGObjectPtr<TGChannel> Copy(Simple->Clone());
  auto* Copied = static_cast<TGSimpleParticleEmitter*>(Copy.get());
  EXPECT_NE(Copied->SharedData()->GetSPSDValue(0), Source->SharedData()->GetSPSDValue(0));
  EXPECT_EQ(Copied->SharedData()->GetSPSDValue(0)->RefCount(), 1);
}
