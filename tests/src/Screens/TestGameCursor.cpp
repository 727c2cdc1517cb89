// The play screen's cursor: the choice of the state every frame and its change event, the
// cursors that carry a held object's picture centred by its opaque pixels, the walk cursor's
// arrow and man, the hot spot's sparks, the state numbers, and the demo's cursor animations.
// The demo content is read by the program's library, with a scratch folder of test pictures in
// front of it; a bare application object gives the mouse and the cursor symbol.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Screens/UCursorStates.h"
#include "Screens/UGameCursor.h"
#include "TestProgram.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "app/UGApp.h"
#include "drawables/UGSymbol.h"
#include "io/UGNativeFileSystem.h"
#include "particles/UGParticleEmitter.h"
#include "particles/UGSimpleParticleEmitter.h"
#include "widgets/UGWidget.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

// Counts its initialisations; otherwise the cursor of a tool held over nothing.
class TCountingCursorState : public TGameObjectCursorState {
  G_CLASS(TCountingCursorState, TGameObjectCursorState)
  using TGameObjectCursorState::TGameObjectCursorState;
  void Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData) override {
    ++Initializations;
    inherited::Initialize(AWidget, AObject, AData);
  }
  int Initializations = 0;
};

// What the change event said, one line per change.
class TChangeLog : public TGObject {
  G_CLASS(TChangeLog, TGObject)
  using TGObject::TGObject;
  void OnChange(TGObject* Sender, TBaseCursorState* OldState, TBaseCursorState* NewState,
                TGameObject* OldObject, TGameObject* NewObject) {
    (void)Sender;
    auto Name = [](TGameObject* O) { return O ? O->ID() : std::string("-"); };
    Lines.push_back(std::to_string(CursorStateIndex(OldState)) + " " + Name(OldObject) + " -> " +
                    std::to_string(CursorStateIndex(NewState)) + " " + Name(NewObject));
  }
  std::vector<std::string> Lines;
};

} // namespace

G_IMPLEMENT_CLASS(TCountingCursorState)
G_IMPLEMENT_CLASS(TChangeLog)

namespace {

class GameCursorTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    // A tool 20 x 10 whose left half is clear, and one that is clear all over.
    Picture("Tool.png", 20, 10, [](int X, int) { return X >= 10; });
    Picture("Ghost.png", 12, 12, [](int, int) { return false; });
    Picture("Key.png", 16, 8, [](int, int) { return true; });
    World.Start(HOE_CONTENT, false);
    World.Library->Load(new TGNativeFileSystem(nullptr, World.Folder().Str()), nullptr, rdtCurrent,
                        0);
    Program = std::make_unique<TTestProgram>("Cursor Test");
    Program->Frame();
    TGAppParams Params;
    Params.Width = 800;
    Params.Height = 600;
    TheApp.reset(New<TGApp>(Params));
    Screen.reset(New<TGWidget>());
    Screen->SetWidth(800);
    Screen->SetHeight(600);
    Cursor.reset(new TGameCursor(nullptr, Screen.get()));
  }
  void TearDown() override {
    Cursor.reset();
    Objects.clear();
    Screen.reset();
    TheApp.reset();
    Program.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }

  template <class F>
  void Picture(const std::string& Name, int W, int H, F Opaque) {
    TGObjectPtr<TGBitmap> B(new TGBitmap(nullptr));
    B->SetSize(W, H);
    for (int Y = 0; Y < H; ++Y) {
      for (int X = 0; X < W; ++X) {
        B->SetPixel(X, Y, TGColor(Opaque(X, Y) ? 0xFFC08040 : 0));
      }
    }
    std::filesystem::create_directories(World.Folder().Path() / "gfx" / "Test");
    B->SaveToFile(World.Folder().File("gfx/Test/" + Name));
  }
  TGameObject* Object(const std::string& ID, const std::string& Gfx) {
    Objects.emplace_back(new TGameObject(nullptr));
    TGameObject* O = Objects.back().get();
    O->SetID(ID);
    O->SetGfxURL(Gfx);
    return O;
  }
  // One frame of the screen's decision: the given state, or none.
  void Frame(TGClass State = nullptr, TGameObject* Obj = nullptr, TGObject* Data = nullptr) {
    Cursor->BeginUpdate();
    if (State) {
      Cursor->SetCursor(State, Obj, Data);
    }
    Cursor->EndUpdate();
  }
  TGAnimation* Resource(const std::string& URL) {
    return TryObjectCast<TGAnimation>(World.Library->GetResourceEx(URL, false));
  }
  TGAnimation* AppCursor() { return TryObjectCast<TGAnimation>(TheApp->Cursor()->Instance()); }

  TLocationWorld World;
  std::unique_ptr<TTestProgram> Program;
  TGObjectPtr<TGApp> TheApp;
  TGObjectPtr<TGWidget> Screen;
  TGObjectPtr<TGameCursor> Cursor;
  std::vector<TGObjectPtr<TGameObject>> Objects;
};

TEST_F(GameCursorTest, StartsWithThePointerAndEndsEveryFrameWithoutAChoiceOnIt) {
  EXPECT_EQ(CursorStateIndex(Cursor->CurrState()), 0);
  EXPECT_EQ(Cursor->GameObject(), nullptr);
  Frame(THintCursorState::StaticClass());
  EXPECT_EQ(CursorStateIndex(Cursor->CurrState()), 7);
  ASSERT_TRUE(Screen->Cursor());
  EXPECT_EQ(Screen->Cursor()->URL(), "Cursors\\Hint.ani");
  EXPECT_EQ(TheApp->Cursor()->Graphic(), Screen->Cursor());
  // A frame that sets nothing: the pointer, on the screen as well.
  Frame();
  EXPECT_EQ(CursorStateIndex(Cursor->CurrState()), 0);
  ASSERT_TRUE(Screen->Cursor());
  EXPECT_EQ(Screen->Cursor()->URL(), "Cursors\\Pointer.ani");
  // One state per class, kept.
  Frame(THintCursorState::StaticClass());
  EXPECT_EQ(Cursor->StateCount(), 2);
  EXPECT_EQ(Cursor->EnsureState(THintCursorState::StaticClass()), Cursor->CurrState());
  // Without BeginUpdate, EndUpdate does nothing; a class that is no state is refused.
  Cursor->EndUpdate();
  EXPECT_EQ(CursorStateIndex(Cursor->CurrState()), 7);
  EXPECT_THROW(Cursor->SetCursor(TGameObject::StaticClass(), nullptr, nullptr), EGException);
  EXPECT_THROW(Cursor->SetCursor(nullptr, nullptr, nullptr), EGException);
}

TEST_F(GameCursorTest, TellsEachChangeOfStateOrObjectOnce) {
  TGObjectPtr<TChangeLog> Log(new TChangeLog(nullptr));
  Cursor->OnChange = TGameCursor::TChangeEvent(Log.get(), &TChangeLog::OnChange);
  TGameObject* Key = Object("Key", "Test\\Key.png");
  TGameObject* Chest = Object("Chest", "Test\\Tool.png");
  Frame();
  EXPECT_TRUE(Log->Lines.empty());
  for (int I = 0; I < 3; ++I) {
    Frame(TGameObjectCursorState::StaticClass(), Key);
  }
  Frame(THotSpotCursorState::StaticClass(), Key);
  Frame(THotSpotCursorState::StaticClass(), Chest);
  Frame(THotSpotCursorState::StaticClass(), Chest);
  EXPECT_EQ(Log->Lines,
            (std::vector<std::string>{"0 - -> 4 Key", "4 Key -> 2 Key", "2 Key -> 2 Chest"}));
}

TEST_F(GameCursorTest, AToolHeldOverTheSameObjectIsInitialisedOnceUntilItsPictureChanges) {
  TGameObject* Key = Object("Key", "Test\\Key.png");
  for (int I = 0; I < 4; ++I) {
    Frame(TCountingCursorState::StaticClass(), Key);
  }
  auto* State = static_cast<TCountingCursorState*>(Cursor->CurrState());
  EXPECT_EQ(State->Initializations, 1);
  EXPECT_EQ(State->GameObjectGfxURL(), "Test\\Key.png");
  // The tool's picture rides in channel 1 of the cursor animation on the screen.
  TGAnimation* A = Resource("Cursors\\GameObject.ani");
  ASSERT_TRUE(A);
  EXPECT_EQ(Screen->Cursor(), A);
  auto* Channel = TryObjectCast<TGLivePicture>(A->GetChannel(1));
  ASSERT_TRUE(Channel);
  ASSERT_TRUE(Channel->Gfx()->GetResValue(0));
  EXPECT_EQ(Channel->Gfx()->GetResValue(0)->URL(), "Test\\Key.png");
  // A new picture of the same object, another object, and the pointer in between: each
  // initialises the state again.
  Key->SetGfxURL("Test\\Tool.png");
  Frame(TCountingCursorState::StaticClass(), Key);
  EXPECT_EQ(State->Initializations, 2);
  EXPECT_EQ(Channel->Gfx()->GetResValue(0)->URL(), "Test\\Tool.png");
  Frame(TCountingCursorState::StaticClass(), Object("Other", "Test\\Key.png"));
  EXPECT_EQ(State->Initializations, 3);
  Frame();
  Frame(TCountingCursorState::StaticClass(), Key);
  EXPECT_EQ(State->Initializations, 4);
  // The simple states are initialised at every frame.
  Frame(THintCursorState::StaticClass());
  EXPECT_TRUE(Cursor->CurrState()->NeedsInitialize(Cursor->CurrState(), nullptr, nullptr));
}

TEST_F(GameCursorTest, TheHeldPictureIsCentredOnTheHotSpotByItsOpaquePixels) {
  TGAnimation* A = Resource("Cursors\\GameObject.ani");
  ASSERT_TRUE(A);
  auto* Hot = TryObjectCast<TGMovie>(A->GetChannel(0));
  auto* Obj = TryObjectCast<TGMovie>(A->GetChannel(1));
  ASSERT_TRUE(Hot && Obj);
  const float HX = Hot->X()->GetRealValue(0), HY = Hot->Y()->GetRealValue(0);
  // Ten clear columns on the left: the opaque right half (x 10 to 19) is centred, so the
  // picture sits 14.5 pixels left of the hot spot, not 10 as its middle would.
  Frame(TGameObjectCursorState::StaticClass(), Object("Tool", "Test\\Tool.png"));
  EXPECT_FLOAT_EQ(Obj->X()->GetRealValue(0), HX - 14.5f);
  EXPECT_NEAR(Obj->Y()->GetRealValue(0), HY - 4.5f, 0.5f);
  // The drawn cursor is a copy made after the picture was placed.
  TGAnimation* Drawn = AppCursor();
  ASSERT_TRUE(Drawn);
  EXPECT_FLOAT_EQ(TryObjectCast<TGMovie>(Drawn->GetChannel(1))->X()->GetRealValue(0), HX - 14.5f);
  // A picture without an opaque pixel sits on the hot spot itself.
  Frame(TGameObjectCursorState::StaticClass(), Object("Ghost", "Test\\Ghost.png"));
  EXPECT_FLOAT_EQ(Obj->X()->GetRealValue(0), HX);
  EXPECT_FLOAT_EQ(Obj->Y()->GetRealValue(0), HY);
  // The application showed this cursor already: its copy is made anew, with the new place.
  Drawn = AppCursor();
  ASSERT_TRUE(Drawn);
  EXPECT_FLOAT_EQ(TryObjectCast<TGMovie>(Drawn->GetChannel(1))->X()->GetRealValue(0), HX);
}

TEST_F(GameCursorTest, ObjectsThatAreTheirOwnCursorOrHaveNoPictureAreHandled) {
  TGameObject* Full = Object("Full", "Test\\Key.png");
  Full->SetFullCursor(true);
  Frame(TGreenGameObjectCursorState::StaticClass(), Full);
  ASSERT_TRUE(Screen->Cursor());
  EXPECT_EQ(Screen->Cursor()->URL(), "Test\\Key.png");
  EXPECT_EQ(TheApp->Cursor()->Graphic(), Screen->Cursor());
  // No picture: the cursor animation shows nothing in channel 1 and the frame goes on.
  Frame(THotSpotWrongCursorState::StaticClass(), Object("Bare", ""));
  TGAnimation* A = Resource("Cursors\\GameObjectWrongPulsating.ani");
  ASSERT_TRUE(A);
  EXPECT_EQ(Screen->Cursor(), A);
  EXPECT_EQ(TryObjectCast<TGLivePicture>(A->GetChannel(1))->Gfx()->GetResValue(0), nullptr);
  // An object freed while the cursor holds it is forgotten.
  TGameObject* Gone = Object("Gone", "Test\\Key.png");
  Frame(TGameObjectCursorState::StaticClass(), Gone);
  TGObjectPtr<TChangeLog> Log(new TChangeLog(nullptr));
  Cursor->OnChange = TGameCursor::TChangeEvent(Log.get(), &TChangeLog::OnChange);
  Objects.pop_back();
  EXPECT_EQ(Cursor->GameObject(), nullptr);
  EXPECT_EQ(Cursor->CurrState()->GameObject(), nullptr);
  Frame(TGameObjectCursorState::StaticClass(), Full);
  EXPECT_EQ(Log->Lines, (std::vector<std::string>{"4 - -> 4 Full"}));
}

TEST_F(GameCursorTest, TheWalkArrowPointsFromTheMiddleOfTheScreenToTheMouse) {
  TGAnimation* Walk = Resource("Cursors\\Walk.ani");
  ASSERT_TRUE(Walk);
  EXPECT_TRUE(IsWalkCursor(Walk));
  EXPECT_FALSE(IsWalkCursor(Resource("Cursors\\Pointer.ani")));
  EXPECT_FALSE(IsWalkCursor(nullptr));
  TGameObject* Exit = Object("Exit", "Test\\Key.png");
  auto* StoredMan = TryObjectCast<TGMovie>(Walk->GetChannel(1));
  const float ManX = StoredMan->X()->GetRealValue(0), ManY = StoredMan->Y()->GetRealValue(0);

  TheApp->SetMousePos({400, 100});
  for (int I = 0; I < 3; ++I) { // again and again: the man does not wind further
    Frame(TWalkCursorState::StaticClass(), Exit, Walk);
  }
  EXPECT_EQ(TheApp->Cursor()->Graphic(), Walk);
  TGAnimation* A = AppCursor();
  ASSERT_TRUE(A);
  auto* Arrow = TryObjectCast<TGMovie>(A->GetChannel(0));
  auto* Man = TryObjectCast<TGMovie>(A->GetChannel(1));
  TGRealEnv* Angle = Arrow->Angle();
  ASSERT_GT(Angle->Count(), 0);
  for (int I = 0; I < Angle->Count(); ++I) {
    EXPECT_FLOAT_EQ(Angle->GetRealValue(Angle->Terms(I).Time), -90.0f);
  }
  // Turned a quarter anticlockwise about the arrow (at the origin): (x, y) goes to (y, -x).
  EXPECT_NEAR(Man->X()->GetRealValue(0), ManY, 1e-3);
  EXPECT_NEAR(Man->Y()->GetRealValue(0), -ManX, 1e-3);
  // The stored cursor is left as it is; the box follows the man.
  EXPECT_FLOAT_EQ(StoredMan->X()->GetRealValue(0), ManX);
  EXPECT_GT(A->Origin().Y + A->Extent().Y, -ManX);

  TheApp->SetMousePos({600, 300});
  Frame(TWalkCursorState::StaticClass(), Exit, Walk);
  EXPECT_FLOAT_EQ(Arrow->Angle()->GetRealValue(0), 0.0f);
  EXPECT_NEAR(Man->X()->GetRealValue(0), ManX, 1e-3);
  EXPECT_NEAR(Man->Y()->GetRealValue(0), ManY, 1e-3);
  // Straight below the middle: +90 degrees.
  TheApp->SetMousePos({400, 500});
  Frame(TWalkCursorState::StaticClass(), Exit, Walk);
  EXPECT_FLOAT_EQ(Arrow->Angle()->GetRealValue(0), 90.0f);
}

TEST_F(GameCursorTest, AWalkCursorWithoutArrowAndManIsRefusedWithoutStoppingTheFrame) {
  TGObjectPtr<TGAnimation> Broken(New<TGAnimation>());
  EXPECT_ERROR_TEXT(SetWalkCursorAngle(Broken.get(), {1, 0}), "An error occured");
  TGChannel::Create<TGLivePicture>(Broken.get())->SetCaption("Arrow");
  TGChannel::Create<TGLivePicture>(Broken.get())->SetCaption("Woman");
  EXPECT_ERROR_TEXT(SetWalkCursorAngle(Broken.get(), {1, 0}), "An error occured");
  Broken->GetChannel(1)->SetCaption("Man");
  EXPECT_NO_THROW(SetWalkCursorAngle(Broken.get(), {1, 0}));
  // Handed to the walk state, a broken cursor is drawn as it is.
  Broken->GetChannel(0)->SetCaption("Pointer");
  EXPECT_NO_THROW(Frame(TWalkCursorState::StaticClass(), Object("Exit", ""), Broken.get()));
  EXPECT_EQ(CursorStateIndex(Cursor->CurrState()), 10);
  TheApp->Cursor()->SetGraphic(nullptr);
}

TEST_F(GameCursorTest, TheHotSpotSparksLoopAndBlowAwayFromTheMouseSide) {
  TGameObject* Key = Object("Key", "Test\\Key.png");
  TheApp->SetMousePos({24, 30});
  Frame(THotSpotCursorState::StaticClass(), Key);
  // The application's frame brings the drawn cursor's channels (and the sparks in channel 2)
  // to life; the next frame of the screen steers them.
  TheApp->Cursor()->Update(0.02f);
  Frame(THotSpotCursorState::StaticClass(), Key);
  TGAnimation* A = AppCursor();
  ASSERT_TRUE(A);
  auto* Holder = TryObjectCast<TGLivePicture>(A->GetChannel(2));
  ASSERT_TRUE(Holder);
  auto* Sparks = TryObjectCast<TGAnimation>(Holder->Instance());
  ASSERT_TRUE(Sparks);
  EXPECT_EQ(Sparks->InternalLoop(), TGAnimationInternalLoop::Make(true, 500, 1500));
  auto* Emitter = TryObjectCast<TGSimpleParticleEmitter>(Sparks->GetChannel(2));
  ASSERT_TRUE(Emitter);
  const float G = (static_cast<float>(GD->Width()) - 24) / 80 * 9 + 45;
  EXPECT_FLOAT_EQ(Emitter->GravityDir()->GetRealValue(0), G);
  EXPECT_FLOAT_EQ(Emitter->Angle()->GetRealValue(0), G + 90);
  // The sparks keep looping while the cursor stays, and are drawn where the mouse is.
  TheApp->Cursor()->SetMatrix(MatTranslation(30, 20, 0));
  for (int I = 0; I < 150; ++I) {
    TheApp->Cursor()->Update(0.02f);
    TheApp->Cursor()->Draw();
  }
  EXPECT_GE(Sparks->ElapsedTime(), 500);
  EXPECT_LE(Sparks->ElapsedTime(), 1500);
  EXPECT_GT(Emitter->ParticleSystem()->Count(), 0);
}

TEST(CursorStates, AreNumberedInTheOrderScriptsKnow) {
  const TGClass Order[] = {
      TPointerCursorState::StaticClass(),    TActableCursorState::StaticClass(),
      THotSpotCursorState::StaticClass(),    THotSpotWrongCursorState::StaticClass(),
      TGameObjectCursorState::StaticClass(), TGreenGameObjectCursorState::StaticClass(),
      TSimpleCursorState::StaticClass(),     THintCursorState::StaticClass(),
      TActBlueCursorState::StaticClass(),    TGameCursorState::StaticClass(),
      TWalkCursorState::StaticClass()};
  for (int32_t I = 0; I < static_cast<int32_t>(std::size(Order)); ++I) {
    EXPECT_EQ(CursorStateIndex(Order[I]), I) << Order[I]->Name;
  }
  // A class built on a state has its number; anything else has none.
  EXPECT_EQ(CursorStateIndex(TCountingCursorState::StaticClass()), 4);
  EXPECT_EQ(CursorStateIndex(TBaseCursorState::StaticClass()), -1);
  EXPECT_EQ(CursorStateIndex(static_cast<const TBaseCursorState*>(nullptr)), -1);
}

// The demo's cursors: every one loads and draws; the ones that carry a picture have the hot spot
// and the picture channel, the pulsating one its sparks, the walk cursor its arrow and man.
TEST_F(GameCursorTest, TheDemoCursorsHaveTheChannelsTheGameUses) {
  const char* All[] = {"Pointer",
                       "GameObjectPulsating",
                       "GameObjectWrongPulsating",
                       "GameObject",
                       "GameObjectZoom",
                       "Hint",
                       "ActBlue",
                       "Zoom",
                       "Walk"};
  for (const char* Name : All) {
    TGAnimation* A = Resource(std::string("Cursors\\") + Name + ".ani");
    ASSERT_TRUE(A) << Name;
    EXPECT_GT(A->Count(), 0) << Name;
    TheApp->Cursor()->SetGraphic(A);
    TheApp->Cursor()->Update(0.5f);
    TheApp->Cursor()->SetMatrix(MatTranslation(32, 24, 0));
    EXPECT_NO_THROW(TheApp->Cursor()->Draw()) << Name;
  }
  TheApp->Cursor()->SetGraphic(nullptr);
  for (const char* Name :
       {"GameObjectPulsating", "GameObjectWrongPulsating", "GameObject", "GameObjectZoom"}) {
    TGAnimation* A = Resource(std::string("Cursors\\") + Name + ".ani");
    ASSERT_GE(A->Count(), 2) << Name;
    EXPECT_TRUE(TryObjectCast<TGMovie>(A->GetChannel(0))) << Name;
    auto* Picture = TryObjectCast<TGLivePicture>(A->GetChannel(1));
    ASSERT_TRUE(Picture) << Name;
    EXPECT_EQ(Picture->Gfx()->Count(), 0) << Name << ": the game puts the picture there";
  }
  TGAnimation* Pulsating = Resource("Cursors\\GameObjectPulsating.ani");
  auto* Holder = TryObjectCast<TGLivePicture>(Pulsating->GetChannel(2));
  ASSERT_TRUE(Holder);
  auto* Sparks = TryObjectCast<TGAnimation>(Holder->Gfx()->GetResValue(0));
  ASSERT_TRUE(Sparks);
  ASSERT_GE(Sparks->Count(), 3);
  EXPECT_TRUE(TryObjectCast<TGCustomParticleEmitter>(Sparks->GetChannel(2)));
  EXPECT_GE(Sparks->TotalTime(), 1500);

  TGAnimation* Walk = Resource("Cursors\\Walk.ani");
  ASSERT_EQ(Walk->Count(), 2);
  EXPECT_EQ(Walk->GetChannel(0)->Caption(), "Arrow");
  EXPECT_EQ(Walk->GetChannel(1)->Caption(), "Man");
  auto* Man = TryObjectCast<TGLivePicture>(Walk->GetChannel(1));
  ASSERT_TRUE(Man && TryObjectCast<TGLivePicture>(Walk->GetChannel(0)));
  ASSERT_EQ(Man->X()->Count(), Man->Y()->Count());
  for (int I = 0; I < Man->X()->Count(); ++I) {
    EXPECT_EQ(Man->X()->Terms(I).Time, Man->Y()->Terms(I).Time);
  }
}

} // namespace
