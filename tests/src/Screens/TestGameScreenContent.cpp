// The demo's play screen content read through the engine: every widget the play screen, its
// helpers and the windows around it look up is in their window files with the class they cast
// it to and where their hit tests need it; the animations they key have the channels they key;
// the pictures and sounds they name load.
#include "AudioTestUtils.h"
#include "HeadlessDevice.h"
#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "app/UGClassTables.h"
#include "audio/UGAudio.h"
#include "audio/UGAudioSound.h"
#include "base/UGFormat.h"
#include "drawables/UGGraphic.h"
#include "drawables/UGSymbol.h"
#include "io/UGNativeFileSystem.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"
#include "widgets/UGProgressBar.h"
#include "widgets/UGWindow.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Slot(const char* Panel, int Number, const char* Child = nullptr) {
  std::string Path = std::string("GameInterface\\") + Panel + Format("\\Item%.2d", {Number});
  return Child ? Path + "\\" + Child : Path;
}

bool Contains(const TGRectFloat& Outer, const TGRectFloat& Inner) {
  return Inner.Left >= Outer.Left && Inner.Top >= Outer.Top && Inner.Right <= Outer.Right &&
         Inner.Bottom <= Outer.Bottom;
}

bool Overlap(const TGRectFloat& A, const TGRectFloat& B) {
  return A.Left < B.Right && B.Left < A.Right && A.Top < B.Bottom && B.Top < A.Bottom;
}

// The animation a picture widget shows (its symbol's own copy).
TGAnimation* ShownAnimation(TGWidget* W) {
  auto* Picture = TryObjectCast<TGPicture>(W);
  return Picture && Picture->Picture() ? TryObjectCast<TGAnimation>(Picture->Picture()->Instance())
                                       : nullptr;
}

TGMovie* MovieChannel(TGAnimation* A, int Index) {
  return A && Index < A->Count() ? TryObjectCast<TGMovie>(A->Channels(Index)) : nullptr;
}

class GameScreenContent : public THeadlessDeviceTest {
protected:
  void SetUp() override {
    THeadlessDeviceTest::SetUp();
    RegisterEngineClasses();
    Library.reset(new TGResourceLibrary(nullptr));
    Library->SetErrorCallback([](const std::string& URL, const std::string& Msg) {
      ADD_FAILURE() << URL << ": " << Msg;
    });
    Library->Load(new TGNativeFileSystem(nullptr, HOE_CONTENT), nullptr, rdtCommon, 0);
  }
  void TearDown() override {
    Library.reset();
    THeadlessDeviceTest::TearDown();
  }

  // A window made from the file as the screens make theirs: a copy of the loaded template.
  TGObjectPtr<TGWindow> LoadWindow(const std::string& URL) {
    TGObjectPtr<TGWindow> W(New<TGWindow>());
    auto* Template = TryObjectCast<TGWindow>(Library->GetResourceEx(URL, false));
    EXPECT_NE(Template, nullptr) << URL;
    if (Template) {
      W->LoadFromTemplate(Template);
    }
    return W;
  }

  template <class T>
  T* Expect(TGWindow* W, const std::string& Path) {
    TGWidget* Found = W->FindWidget(Path);
    EXPECT_NE(Found, nullptr) << Path << " is missing";
    T* Typed = TryObjectCast<T>(Found);
    EXPECT_TRUE(!Found || Typed) << Path << " is a " << Found->ClassName() << ", not a "
                                 << T::StaticClass()->Name;
    return Typed;
  }

  TGAnimation* Animation(const std::string& URL) {
    auto* A = TryObjectCast<TGAnimation>(Library->GetResourceEx(URL, false));
    EXPECT_NE(A, nullptr) << URL << " is not an animation";
    return A;
  }

  TGObjectPtr<TGResourceLibrary> Library;
};

TEST_F(GameScreenContent, ThePlayScreenFindsEveryWidgetItLooksUpWithItsClass) {
  TGObjectPtr<TGWindow> W = LoadWindow("GameScreen.win");
  EXPECT_EQ(W->Width(), 800);
  EXPECT_EQ(W->Height(), 600);
  EXPECT_EQ(W->Gfx(), nullptr) << "the location must show through the screen";

  for (const char* Path :
       {"GameInterface", "GameInterface\\BackPackItems", "GameInterface\\SecretItem",
        "GameInterface\\BackPackTools", "GameInterface\\BackPackToolsClosed",
        "GameInterface\\AvatarVessa", "GameInterface\\AvatarButtler", "GameInterface\\AvatarTobrel",
        "GameInterface\\TimeIco", "GameInterface\\Zephrin01", "GameInterface\\Zephrin02",
        "GameInterface\\Scanner", "GameInterface\\Scanner\\Active", "GameInterface\\ScannerBroken",
        "GameInterface\\ScannerClosed", "Goal", "Goal\\GoalText", "GoalHidden", "ToolHint"}) {
    Expect<TGPicture>(W.get(), Path);
  }
  for (const char* Path : {"GameInterface\\SecretItem\\Label", "GameInterface\\Hint\\Label",
                           "GameInterface\\Score", "GameInterface\\Time"}) {
    Expect<TGLabel>(W.get(), Path);
  }
  for (const char* Path : {"GameInterface\\Menu", "GameInterface\\FirstMenu", "GameInterface\\Hint",
                           "GameInterface\\Solve"}) {
    Expect<TGButton>(W.get(), Path);
  }
  auto* Recharge = Expect<TGProgressBar>(W.get(), "GameInterface\\HintRecharging");
  ASSERT_TRUE(Recharge);
  EXPECT_NE(Recharge->Animation(), nullptr);
  EXPECT_FALSE(Recharge->Visible());

  for (int N = 1; N <= 8; ++N) {
    Expect<TGPicture>(W.get(), Slot("BackPackItems", N));
    Expect<TGLabel>(W.get(), Slot("BackPackItems", N, "Label"));
    if (auto* Check = Expect<TGPicture>(W.get(), Slot("BackPackItems", N, "Check"))) {
      EXPECT_FALSE(Check->Visible()) << "a new list starts without marks";
    }
    if (auto* Tool = Expect<TGPicture>(W.get(), Slot("BackPackTools", N))) {
      EXPECT_FALSE(Tool->Visible()) << "a slot shows only when it holds a tool";
    }
  }
}

// The screen finds list entries and tool slots by the point's screen position: inside the
// panel that holds them, never two under one point, and every one within the panel picture.
TEST_F(GameScreenContent, ListEntriesAndToolSlotsCanBeHitOneByOne) {
  TGObjectPtr<TGWindow> W = LoadWindow("GameScreen.win");
  TGWidget* Panel = W->FindWidget("GameInterface");
  ASSERT_TRUE(Panel);
  const TGRectFloat P = Panel->ScreenRect();
  EXPECT_EQ(P.Left, 0);
  EXPECT_EQ(P.Right, 800);
  EXPECT_EQ(P.Bottom, 600) << "the panel sits along the bottom";
  for (const char* List : {"BackPackItems", "BackPackTools"}) {
    SCOPED_TRACE(List);
    TGWidget* Area = W->FindWidget(std::string("GameInterface\\") + List);
    ASSERT_TRUE(Area);
    EXPECT_TRUE(Contains(P, Area->ScreenRect()));
    std::vector<TGRectFloat> Seen;
    for (int N = 1; N <= 8; ++N) {
      TGWidget* Entry = W->FindWidget(Slot(List, N));
      ASSERT_TRUE(Entry) << N;
      const TGRectFloat R = Entry->ScreenRect();
      EXPECT_GT(R.Right - R.Left, 0) << N;
      EXPECT_GT(R.Bottom - R.Top, 0) << N;
      EXPECT_TRUE(Contains(Area->ScreenRect(), R)) << "entry " << N << " lies outside its list";
      for (size_t I = 0; I < Seen.size(); ++I) {
        EXPECT_FALSE(Overlap(Seen[I], R)) << "entries " << I + 1 << " and " << N << " overlap";
      }
      Seen.push_back(R);
    }
  }
  // The lists are told apart by position: the objects list and the tools never share a point.
  EXPECT_FALSE(Overlap(W->FindWidget("GameInterface\\BackPackItems")->ScreenRect(),
                       W->FindWidget("GameInterface\\BackPackTools")->ScreenRect()));
  // The goal line lies above the panel, on the location.
  EXPECT_LE(W->FindWidget("Goal")->ScreenRect().Bottom, P.Top);
}

TEST_F(GameScreenContent, GoalAndToolHintCarryTheLiveChannelsTheScreenWrites) {
  TGObjectPtr<TGWindow> W = LoadWindow("GameScreen.win");
  TGAnimation* Goal = ShownAnimation(W->FindWidget("Goal\\GoalText"));
  ASSERT_TRUE(Goal);
  ASSERT_GE(Goal->Count(), 1);
  EXPECT_NE(TryObjectCast<TGLiveText>(Goal->Channels(0)), nullptr);
  EXPECT_FALSE(Goal->Looped()) << "a new goal is played from its start once";

  TGAnimation* Hint = ShownAnimation(W->FindWidget("ToolHint"));
  ASSERT_TRUE(Hint);
  ASSERT_GE(Hint->Count(), 2);
  auto* Plate = TryObjectCast<TGLivePicture>(Hint->Channels(0));
  ASSERT_TRUE(Plate);
  EXPECT_NE(TryObjectCast<TGLiveText>(Hint->Channels(1)), nullptr);
  // The pivot places the hint over the slot: a fraction of the picture, at its bottom edge.
  const float PivotX = Plate->PivotX()->GetRealValue(0);
  const float PivotY = Plate->PivotY()->GetRealValue(0);
  EXPECT_GE(PivotX, 0);
  EXPECT_LE(PivotX, 1);
  EXPECT_EQ(PivotY, 1);
  // The hint fades in from nothing: it starts hidden and transparent.
  TGWidget* HintWidget = W->FindWidget("ToolHint");
  EXPECT_FALSE(HintWidget->Visible());
  EXPECT_EQ(HintWidget->Color().A, 0);
}

// The heroine's pictures are found where the locations name her folder: the default avatar
// folder of every location, and the one the demo harbour writes.
TEST_F(GameScreenContent, TheAvatarHasAPictureForEveryMood) {
  std::ifstream File(std::string(HOE_CONTENT) + "/loc/Harbour.loc");
  std::stringstream Text;
  Text << File.rdbuf();
  TGObjectPtr<TGXMLNode> Harbour(new TGXMLNode("Location"));
  Harbour->LoadFromString(Text.str());
  const std::string Folders[] = {"UI\\GameWindow\\Avatars\\Zari\\Normal",
                                 Harbour->GetStrAttr("GameAvatar")};
  for (const std::string& Folder : Folders) {
    for (const char* Mood : {"\\Avatar.png", "\\Angry\\Angry.ani", "\\Happy\\Happy.ani",
                             "\\Blink\\Blink.ani", "\\Breath\\Breath.ani"}) {
      const std::string URL = Folder + Mood;
      EXPECT_NE(TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false)), nullptr) << URL;
    }
  }
  // A blink is shown for half a second and must be over by then.
  TGAnimation* Blink = Animation("UI\\GameWindow\\Avatars\\Zari\\Normal\\Blink\\Blink.ani");
  ASSERT_TRUE(Blink);
  EXPECT_FALSE(Blink->Looped());
  EXPECT_LE(Blink->TotalTime(), 500);
}

TEST_F(GameScreenContent, HintAnimationsHaveTheChannelsTheHintKeys) {
  // The bolt: the first two channels are turned at time 0 and the whole stretched by its width.
  TGAnimation* Bolt = Animation("UI\\GameWindow\\Lightning.ani");
  ASSERT_TRUE(Bolt);
  EXPECT_GT(Bolt->Width(), 0);
  EXPECT_FALSE(Bolt->Looped()) << "a bolt that never ends is never removed";
  EXPECT_GT(Bolt->TotalTime(), 0);
  for (int C = 0; C < 2; ++C) {
    TGMovie* M = MovieChannel(Bolt, C);
    ASSERT_TRUE(M) << C;
    EXPECT_LE(M->Angle()->Count(), 1) << "a later angle key would turn channel " << C << " away";
  }

  // The spark: channel 0 is put on the object at time 0 and must stay there.
  TGAnimation* Spark = Animation("Game\\HintObject.ani");
  ASSERT_TRUE(Spark);
  TGMovie* At = MovieChannel(Spark, 0);
  ASSERT_TRUE(At);
  EXPECT_LE(At->X()->Count(), 1);
  EXPECT_LE(At->Y()->Count(), 1);
  EXPECT_TRUE(Spark->Looped()) << "a spark stays until the hint is put away";
  TGObjectPtr<TGAnimation> Fading(static_cast<TGAnimation*>(CloneObject(*Spark, nullptr)));
  Fading->SetLooped(false);
  Fading->Update(static_cast<float>(Fading->TotalTime()) / 1000 + 0.1f);
  EXPECT_TRUE(Fading->IsFinished()) << "a spark put away ends after its pass";

  TGAnimation* Highlight = Animation("Game\\GameObjHighlight.ani");
  ASSERT_TRUE(Highlight);
  EXPECT_TRUE(MovieChannel(Highlight, 0) && MovieChannel(Highlight, 1));

  // The shine over a clue's list entry is dropped when it ends.
  TGAnimation* Shine = Animation("Game\\SumerMegaAmazingFX.ani");
  ASSERT_TRUE(Shine);
  EXPECT_FALSE(Shine->Looped());
  EXPECT_GT(Shine->TotalTime(), 0);

  EXPECT_NE(TryObjectCast<TGGraphic>(Library->GetResourceEx("UI\\MapScreen\\What.png", false)),
            nullptr);

  // The bonuses a finished scene queues on the screen end, so the queue goes on, and the tools
  // drawer's blink for the tutorial runs until it is hidden.
  for (const char* URL : {"Game\\FX\\SuperSleuthBonus.ani", "Game\\FX\\NoHintsUsedBonus.ani"}) {
    TGAnimation* Bonus = Animation(URL);
    ASSERT_TRUE(Bonus) << URL;
    EXPECT_FALSE(Bonus->Looped()) << URL;
    EXPECT_GT(Bonus->TotalTime(), 0) << URL;
  }
  TGAnimation* ToolsBlink = Animation("UI\\GameWindow\\ToolsBlink.ani");
  ASSERT_TRUE(ToolsBlink);
  EXPECT_TRUE(ToolsBlink->Looped());
}

TEST_F(GameScreenContent, ScannerAnimationsFitTheirUse) {
  // The tint: the colour and alpha envelopes of channel 0 over the distance.
  TGAnimation* Behavior = Animation("UI\\GameWindow\\ScannerBehavior.ani");
  ASSERT_TRUE(Behavior);
  TGMovie* Tint = MovieChannel(Behavior, 0);
  ASSERT_TRUE(Tint);
  const int32_t End = Behavior->TotalTime();
  EXPECT_GT(End, 0);
  EXPECT_NE(uint32_t(Tint->Color()->GetColorValue(0)) & 0xFFFFFF,
            uint32_t(Tint->Color()->GetColorValue(End)) & 0xFFFFFF)
      << "near and far must look different";
  EXPECT_GT(Tint->Alpha()->GetRealValue(0), Tint->Alpha()->GetRealValue(End));

  // Opening leaves the lid picture shown: it must end with nothing of the lid left.
  TGAnimation* Open = Animation("UI\\GameWindow\\ScannerOpen.ani");
  ASSERT_TRUE(Open);
  EXPECT_FALSE(Open->Looped());
  for (int C = 0; C < Open->Count(); ++C) {
    if (TGMovie* M = MovieChannel(Open, C)) {
      EXPECT_EQ(M->Alpha()->GetRealValue(Open->TotalTime()), 0) << "channel " << C;
    }
  }
  TGAnimation* Close = Animation("UI\\GameWindow\\ScannerClose.ani");
  ASSERT_TRUE(Close);
  EXPECT_FALSE(Close->Looped()) << "the closed lid stays";

  // Turning on lasts 500 ms; the other two are shown for as long as the breakdown lasts.
  TGAnimation* On = Animation("UI\\GameWindow\\RadarOn.ani");
  ASSERT_TRUE(On);
  EXPECT_FALSE(On->Looped());
  EXPECT_LE(On->TotalTime(), 500);
  for (const char* URL : {"UI\\GameWindow\\RadarOff.ani", "UI\\GameWindow\\RadarDefect.ani"}) {
    TGAnimation* A = Animation(URL);
    ASSERT_TRUE(A);
    TGObjectPtr<TGAnimation> Running(static_cast<TGAnimation*>(CloneObject(*A, nullptr)));
    Running->Update(30);
    EXPECT_FALSE(Running->IsFinished()) << URL << " must last through a 30 s breakdown";
  }
}

TEST_F(GameScreenContent, TheWindowsAroundThePlayScreenHaveTheirWidgets) {
  TGObjectPtr<TGWindow> Loading = LoadWindow("LoadingScreen.win");
  if (auto* Bar = Expect<TGProgressBar>(Loading.get(), "Bar")) {
    EXPECT_NE(Bar->Animation(), nullptr);
  }

  TGObjectPtr<TGWindow> Goto = LoadWindow("GotoLocation.win");
  if (auto* List = Expect<TGLabel>(Goto.get(), "List")) {
    ASSERT_TRUE(List->Font());
    EXPECT_GE(List->Height(), 16 * List->Font()->Height()) << "the list shows sixteen lines";
  }
  const std::pair<const char*, const char*> Buttons[] = {
      {"Go", "Go!"}, {"MakeDefault", "Make default"}, {"Close", "Close"}};
  for (const auto& [Name, Caption] : Buttons) {
    if (auto* B = Expect<TGButton>(Goto.get(), Name)) {
      EXPECT_EQ(B->Caption(), Caption);
    }
  }

  TGObjectPtr<TGWindow> Tips = LoadWindow("TipsWindow.win");
  Expect<TGPicture>(Tips.get(), "Text");
  if (auto* Next = Expect<TGButton>(Tips.get(), "Next")) {
    EXPECT_FALSE(Next->Visible()) << "Next shows only while a second tip waits";
  }

  // The location's own tips window: "Close" takes the place of "Next" with the last tip.
  TGObjectPtr<TGWindow> TipsEx = LoadWindow("TipsWindowEx.win");
  Expect<TGPicture>(TipsEx.get(), "Background\\Text");
  auto* NextEx = Expect<TGButton>(TipsEx.get(), "Background\\Next");
  auto* CloseEx = Expect<TGButton>(TipsEx.get(), "Background\\Close");
  if (NextEx && CloseEx) {
    EXPECT_NE(NextEx->Visible(), CloseEx->Visible());
  }

  TGObjectPtr<TGWindow> Tutorial = LoadWindow("TutorialWindow.win");
  Expect<TGLabel>(Tutorial.get(), "Text");
  Expect<TGButton>(Tutorial.get(), "BtnOk");

  TGObjectPtr<TGWindow> Black = LoadWindow("BlackScreen.win");
  Expect<TGLabel>(Black.get(), "Label");
  EXPECT_NE(Black->Gfx(), nullptr) << "the chapter text is typed on black";
}

TEST_F(GameScreenContent, TheScreenSoundsAreShortAndAudible) {
  TGObjectPtr<TGAudioDevice> Device(new TGAudioDevice(nullptr, TMixOutput::Buffer));
  AD->SetMusicVolume(100);
  for (const char* URL :
       {"UI\\GameScreen\\Fault.ogg", "UI\\GameScreen\\BPItemClick.ogg",
        "UI\\GameScreen\\UseHint.ogg", "UI\\GameScreen\\ScannerOut.ogg", "UI\\Beep.ogg"}) {
    SCOPED_TRACE(URL);
    auto* Sound = TryObjectCast<TGAudio>(Library->GetResourceEx(URL, false));
    ASSERT_NE(Sound, nullptr);
    TGAudioState* S = AD->PlayMusicEx(Sound, false, 0, 100, 0) ? AD->CurrentMusicState() : nullptr;
    ASSERT_NE(S, nullptr);
    EXPECT_GT(S->GetLength(), 0.02f);
    EXPECT_LT(S->GetLength(), 1.0f);
    AudioTest::TRendered R = AudioTest::Render(AD->Mixer(), 0.02);
    EXPECT_GT(R.Level(0, R.Frames()), 0.005);
    AD->StopMusic();
  }
  // A chapter text beeps ten times a second: each beep is over before the next.
  auto* Beep = TryObjectCast<TGAudio>(Library->GetResourceEx("UI\\Beep.ogg", false));
  ASSERT_TRUE(Beep);
  TGAudioState* S = AD->PlayMusicEx(Beep, false, 0, 100, 0) ? AD->CurrentMusicState() : nullptr;
  ASSERT_TRUE(S);
  EXPECT_LE(S->GetLength(), 0.1f);
  AD->StopMusic();
}

} // namespace
