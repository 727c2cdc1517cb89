// The find-pairs puzzle over the demo's shell collector's table, in the play screen: choosing a
// shell and its twin, the clicks that drop a choice, the remark on the first choice, the
// selection effect and its end, saving, the hint on both twins and the finished table.
#include "GameScreenTest.h"

#include "Locations/Puzzles/UFindPairsPuzzle.h"
#include "Locations/Puzzles/UFindPairsState.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "drawables/UGSymbol.h"
#include "locations/ULocationClassRegistry.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

class FindPairsTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("Shells.loc", "Shells", "Shelley");
    if (HasFatalFailure()) {
      return;
    }
    Puzzle = dynamic_cast<TFindPairsPuzzle*>(L);
    ASSERT_TRUE(Puzzle);
    // A new profile's first location opens on the chapter's black screen.
    PlayArrival();
  }
  // The main channel's state now (a line queued on the channel makes a fresh one after it).
  TFindPairsState* State() const { return TryObjectCast<TFindPairsState>(MainFlowState(L)); }
  TGameObject* Obj(const std::string& ID) { return World.Obj(ID); }
  bool ShowsOwnPicture(const std::string& ID) {
    TGameObject* O = Obj(ID);
    return O->Symbol()->Graphic() == O->Gfx();
  }
  // Frames until nothing flies any more.
  void Land() {
    for (int T = 0; T < 5000 && Screen->FlyingControl()->Count() > 0; T += 20) {
      Play(20);
    }
    Play(40);
  }
  bool Taken(const std::string& ID) { return Obj(ID)->TakingCount() >= 1 && !InLocation(ID); }
  void PickPair(const std::string& Group) {
    ClickOn(Group + "1");
    ClickOn(Group + "2");
    Land();
  }

  TGFlatVector CursorPoint() const {
    return {static_cast<float>(Host.Mouse.X), static_cast<float>(Host.Mouse.Y)};
  }

  TFindPairsPuzzle* Puzzle = nullptr;
};

} // namespace

TEST_F(FindPairsTest, TheTableHoldsSixTwinsOnOnePageAndTheListShowsNoCounts) {
  ASSERT_TRUE(State());
  EXPECT_FALSE(Puzzle->IsShowObjectCountInGroupAllowed());
  EXPECT_EQ(Puzzle->PageCount(), 1);
  TBaseLocationItemsPage* Page = Puzzle->ItemsDistribution()->CurrentPage();
  ASSERT_TRUE(Page);
  std::map<std::string, int> Groups;
  for (int I = 0; I < Page->Count(); ++I) {
    TGameObject* O = Obj(Page->GetItem(I));
    ASSERT_TRUE(O) << Page->GetItem(I);
    EXPECT_EQ(O->LocationBehaviorName(), "Pickable");
    ++Groups[O->GroupID()];
  }
  EXPECT_EQ(Groups.size(), 6u);
  for (const auto& [Group, Count] : Groups) {
    EXPECT_FALSE(Group.empty());
    EXPECT_EQ(Count, 2) << Group;
  }
  // A group of two is one line, without "(2)".
  for (int I = 1; I <= 6; ++I) {
    EXPECT_EQ(ListEntry(I).find('('), std::string::npos) << ListEntry(I);
  }
  // The look-alikes are in no pair and on no list.
  EXPECT_TRUE(Obj("ShellsPaleScallop")->GroupID().empty());
  EXPECT_LT(Page->IndexOf("ShellsPaleScallop"), 0);
}

TEST_F(FindPairsTest, ATwinAfterItsHalfSendsBothToTheInventory) {
  ClickOn("ShellsScallop1");
  ASSERT_TRUE(State());
  EXPECT_EQ(State()->SelectedObject(), Obj("ShellsScallop1"));
  // The selected shell is drawn through the selection effect, which shows its own picture.
  auto* Effect = TryObjectCast<TGAnimation>(Obj("ShellsScallop1")->Symbol()->Graphic());
  ASSERT_TRUE(Effect);
  auto* Picture = TryObjectCast<TGLivePicture>(Effect->GetChannel(0));
  ASSERT_TRUE(Picture);
  auto* Shown = TryObjectCast<TGGraphic>(Picture->Gfx()->GetResValue(0));
  ASSERT_TRUE(Shown);
  EXPECT_EQ(Shown->Width(), Obj("ShellsScallop1")->Gfx()->Width());
  EXPECT_TRUE(ShowsOwnPicture("ShellsScallop2"));
  ClickOn("ShellsScallop2");
  EXPECT_FALSE(State()->SelectedObject());
  EXPECT_TRUE(ShowsOwnPicture("ShellsScallop1"));
  Land();
  EXPECT_TRUE(Taken("ShellsScallop1"));
  EXPECT_TRUE(Taken("ShellsScallop2"));
  EXPECT_EQ(Obj("ShellsScallop1")->TakingCount(), 1);
  EXPECT_EQ(Puzzle->ItemsLeft(), 10);
}

TEST_F(FindPairsTest, ClicksThatAreNoTwinDropTheChoiceAndPickNothing) {
  // The same shell twice.
  ClickOn("ShellsConch1");
  ClickOn("ShellsConch1");
  EXPECT_FALSE(State()->SelectedObject());
  EXPECT_TRUE(ShowsOwnPicture("ShellsConch1"));
  // A shell of another pair is not chosen by that click.
  ClickOn("ShellsConch1");
  ClickOn("ShellsUrchin1");
  EXPECT_FALSE(State()->SelectedObject());
  EXPECT_TRUE(ShowsOwnPicture("ShellsUrchin1"));
  // A look-alike on no list drops the choice and is handled as anywhere else.
  ClickOn("ShellsConch1");
  ClickOn("ShellsPaleScallop");
  EXPECT_FALSE(State()->SelectedObject());
  EXPECT_TRUE(ShowsOwnPicture("ShellsConch1"));
  // So does a click on the cloth where nothing lies.
  ClickOn("ShellsMussel1");
  ASSERT_EQ(State()->SelectedObject(), Obj("ShellsMussel1"));
  ReadAllLines();
  ClickAt({700, 440});
  EXPECT_FALSE(State()->SelectedObject());
  Land();
  for (const char* ID : {"ShellsConch1", "ShellsUrchin1", "ShellsPaleScallop", "ShellsMussel1"}) {
    EXPECT_TRUE(InLocation(ID)) << ID;
    EXPECT_EQ(Obj(ID)->TakingCount(), 0) << ID;
  }
  EXPECT_EQ(Puzzle->ItemsLeft(), 12);
}

TEST_F(FindPairsTest, WhileALineWaitsOnTheMainChannelNoShellIsTakenAlone) {
  L->MC()->AddSpeechCue("Zari", "$ShellsWelcome$");
  Play(40);
  ASSERT_FALSE(State());
  // A click straight on the shell, the line still waiting to be read.
  const TGRectFloat R = Obj("ShellsConch1")->BoundingRect();
  ClickAt({std::floor((R.Left + R.Right) / 2), std::floor((R.Top + R.Bottom) / 2)});
  ASSERT_EQ(L->ObjectAt(CursorPoint()), Obj("ShellsConch1"));
  Land();
  EXPECT_TRUE(InLocation("ShellsConch1"));
  EXPECT_EQ(Obj("ShellsConch1")->TakingCount(), 0);
  // Once it is read, the pairing leads again.
  ReadAllLines();
  Play(40);
  EXPECT_TRUE(State());
}

TEST_F(FindPairsTest, OnlyTheFirstChoiceOfTheStateBringsTheRemark) {
  ClickOn("ShellsStarfish1");
  EXPECT_TRUE(State()->FirstSelected());
  ASSERT_TRUE(Screen->SpeechPending());
  EXPECT_EQ(Player->SpeechLog()->GetItem(Player->SpeechLog()->Count() - 1)->Text,
            TFindPairsState::CFirstSelectionSpeech);
  ClickOn("ShellsStarfish1"); // reads the remark first, then drops the choice
  ClickOn("ShellsStarfish1");
  EXPECT_EQ(State()->SelectedObject(), Obj("ShellsStarfish1"));
  EXPECT_FALSE(Screen->SpeechPending());
}

TEST_F(FindPairsTest, SavingDropsTheChoiceAndTheShellShowsItsPictureAgain) {
  ClickOn("ShellsSandDollar1");
  ASSERT_TRUE(State()->SelectedObject());
  ASSERT_FALSE(ShowsOwnPicture("ShellsSandDollar1"));
  TGObjectPtr<TGXMLNode> Saved(L->SaveToXML());
  EXPECT_FALSE(State()->SelectedObject());
  EXPECT_TRUE(ShowsOwnPicture("ShellsSandDollar1"));
  // Then the next click on it chooses it anew.
  ClickOn("ShellsSandDollar1");
  EXPECT_EQ(State()->SelectedObject(), Obj("ShellsSandDollar1"));
}

TEST_F(FindPairsTest, AHintOnOneShellShowsBothTwins) {
  Screen->Hint()->KillSparks();
  // Through the table's hint script, as the hint button asks it.
  Screen->Hint()->HintObjectScript(Obj("ShellsMussel2"));
  EXPECT_EQ(Screen->Hint()->SparkCount(), 2);
  Screen->Hint()->KillSparks();
  Puzzle->HintByGroupID(Obj("ShellsUrchin1"));
  EXPECT_EQ(Screen->Hint()->SparkCount(), 2);
  // An object of no group is shown alone, not with every other object of no group.
  Screen->Hint()->KillSparks();
  Puzzle->HintByGroupID(Obj("ShellsPaleScallop"));
  EXPECT_EQ(Screen->Hint()->SparkCount(), 1);
  Screen->Hint()->KillSparks();
  Puzzle->HintByGroupID(nullptr);
  EXPECT_EQ(Screen->Hint()->SparkCount(), 0);
}

TEST_F(FindPairsTest, EveryPairPutAwayFinishesTheTable) {
  for (const char* Group : {"ShellsScallop", "ShellsConch", "ShellsStarfish", "ShellsUrchin",
                            "ShellsMussel", "ShellsSandDollar"}) {
    PickPair(Group);
    EXPECT_TRUE(Taken(std::string(Group) + "1")) << Group;
    EXPECT_TRUE(Taken(std::string(Group) + "2")) << Group;
  }
  EXPECT_EQ(Puzzle->ItemsLeft(), 0);
  EXPECT_TRUE(Puzzle->FinishReported());
  EXPECT_TRUE(InLocation("ShellsPaleScallop"));
}

TEST(ReplaceGraphicInChannel, EveryPictureKeyShowsTheNewGraphicAndOtherChannelsAreLeft) {
  TGObjectPtr<TGAnimation> A(New<TGAnimation>(nullptr));
  auto* Keyed = TGChannel::Create<TGLivePicture>(A.get());
  auto* Bare = TGChannel::Create<TGLivePicture>(A.get());
  TGChannel::Create<TGLiveText>(A.get());
  TGObjectPtr<TGAnimation> Old(New<TGAnimation>(nullptr));
  TGObjectPtr<TGAnimation> New_(New<TGAnimation>(nullptr));
  Keyed->Gfx()->SetResValue(0, Old.get());
  Keyed->Gfx()->SetResValue(500, Old.get());
  EXPECT_TRUE(ReplaceGraphicInChannel(A.get(), 0, New_.get()));
  EXPECT_EQ(Keyed->Gfx()->GetResValue(0), New_.get());
  EXPECT_EQ(Keyed->Gfx()->GetResValue(500), New_.get());
  EXPECT_EQ(Keyed->Gfx()->Count(), 2);
  // A channel without keys gets one at the start.
  EXPECT_TRUE(ReplaceGraphicInChannel(A.get(), 1, New_.get()));
  EXPECT_EQ(Bare->Gfx()->GetResValue(0), New_.get());
  EXPECT_FALSE(ReplaceGraphicInChannel(A.get(), 2, New_.get()));
  EXPECT_FALSE(ReplaceGraphicInChannel(A.get(), 3, New_.get()));
  EXPECT_FALSE(ReplaceGraphicInChannel(A.get(), -1, New_.get()));
  EXPECT_FALSE(ReplaceGraphicInChannel(nullptr, 0, New_.get()));
}

TEST_F(FindPairsTest, TheClassesAreRegisteredOnceAndASavedTableNamesThePairingState) {
  RegisterGameClasses(); // a second start of the game's classes adds nothing
  auto Named = [](const char* Name) {
    const auto& Items = LocationClassRegistry().Items();
    return std::count_if(Items.begin(), Items.end(),
                         [Name](const TLocationClassDesc& D) { return D.ClassName == Name; });
  };
  EXPECT_EQ(Named("TFindPairsPuzzle"), 1);
  EXPECT_EQ(Named("TAlaska_01"), 1);
  const auto& States = FlowStateClassRegistry().Items();
  EXPECT_EQ(std::count(States.begin(), States.end(), TFindPairsState::StaticClass()), 1);
  TGObjectPtr<TGXMLNode> Saved(L->SaveToXML());
  EXPECT_NE(Saved->SaveToString(0).find("\"TFindPairsState\""), std::string::npos);
}
