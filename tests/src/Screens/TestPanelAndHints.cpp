// The panel, the hint, the scanner and the click checks on the play screen over the demo
// harbour: list entries follow picks and groups, the hint counts down and recharges on game
// time and points only at objects still to find, the scanner's use depends on the difficulty,
// and random clicking is punished by difficulty, the first offence only warned.
#include "GameScreenTest.h"
#include "Screens/UClickSequenceChecker.h"
#include "Screens/UGameScreenInventoryHelper.h"
#include "Screens/UScanner.h"
#include "widgets/UGProgressBar.h"

namespace {

class PanelTest : public GameScreenTest {
protected:
  TItemsCollection* Items() { return Player->Inventory()->Items(); }
  TGWidget* Widget(const std::string& Path) {
    TGWidget* W = Screen->FindWidget(Path);
    EXPECT_TRUE(W) << Path;
    return W;
  }
  static std::string SlotPath(int Slot) {
    return "GameInterface\\BackPackItems\\Item0" + std::to_string(Slot + 1);
  }
  // The slot showing the group of the object ID.
  int SlotOf(const std::string& ID) {
    for (int I = 0; I < Items()->Count() && I < 8; ++I) {
      if (Items()->Group(I)->Contains(World.Obj(ID))) {
        return I;
      }
    }
    return -1;
  }
  // A click on the label of a list entry, as the player makes it.
  void ClickEntry(int Slot) {
    TGWidget* Label = Widget(SlotPath(Slot) + "\\Label");
    ASSERT_TRUE(Label);
    const TGRectFloat R = Label->ScreenRect();
    ClickAt({std::floor((R.Left + R.Right) / 2), std::floor((R.Top + R.Bottom) / 2)});
  }
  // A point of the harbour's picture where a click misses: no object there takes it.
  TGFlatVector MissPoint() {
    for (float Y = 20; Y < 460; Y += 7) {
      for (float X = 20; X < 780; X += 7) {
        TGameObject* Obj = L->ObjectAt({X, Y});
        if (Screen->GetDispositionAt({X, Y}) == pdtLocation &&
            (!Obj || !Screen->AcceptsClicks(Obj))) {
          return {X, Y};
        }
      }
    }
    ADD_FAILURE() << "the harbour has no empty spot";
    return {};
  }
  // Missed clicks, one per frame of 40 ms.
  void Miss(int Times) {
    ReadAllLines();
    const TGFlatVector P = MissPoint();
    for (int I = 0; I < Times; ++I) {
      ClickAt(P);
    }
  }
  TScanner* Scanner() { return Screen->Scanner(); }
  // The slot of the N-th single object listed (the page is dealt by the program's generator;
  // the key, which opens the chest, is left out).
  int SingleSlot(int N) {
    for (int I = 0; I < Items()->Count() && I < 8; ++I) {
      TBaseItemArray* Group = Items()->Group(I);
      if (Group->Count() == 1 && Group->ItemByIndex(0)->ID() != "Key" && N-- == 0) {
        return I;
      }
    }
    ADD_FAILURE() << "too few single objects listed";
    return 0;
  }
  TGameObject* SlotObject(int Slot) { return Items()->Group(Slot)->ItemByIndex(0); }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The click checkers on their own: times are the frame's game time in milliseconds.

TEST(ClickCheckers, FiveMissesWithinThreeSecondsOrSevenInARowFail) {
  TFastClicksChecker Fast;
  for (int64_t T = 0; T < 5 * 725; T += 725) { // the fifth at 2900 ms
    EXPECT_TRUE(Fast.Check(T));
    Fast.Click(T);
  }
  EXPECT_FALSE(Fast.Check(2900));
  Fast.Reset();
  for (int64_t T = 0; T <= 3100; T += 775) { // the fifth at 3100 ms
    Fast.Click(T);
  }
  EXPECT_TRUE(Fast.Check(3100));
  Fast.Click(3200); // the oldest kept is now 775 ms: five within 2425 ms
  EXPECT_FALSE(Fast.Check(3200));
  EXPECT_EQ(Fast.ClickCount(), 5);

  TIncorrectClicksChecker Incorrect;
  for (int I = 0; I < 6; ++I) {
    Incorrect.Click();
  }
  EXPECT_TRUE(Incorrect.Check());
  Incorrect.Click();
  EXPECT_FALSE(Incorrect.Check());
  Incorrect.Reset();
  EXPECT_TRUE(Incorrect.Check());
}

TEST(ClickCheckers, TheSequenceCountsOneMissPerUpdateAndEachStateChecksOnce) {
  TClickSequenceChecker Checker;
  const TGClass A = TClickSequenceChecker::StaticClass();
  const TGClass B = TFastClicksChecker::StaticClass();
  // Seven missed clicks spread over 7 seconds, two in each update: seven count.
  for (int64_t U = 1; U <= 7; ++U) {
    Checker.SetTime(U * 1000, U);
    Checker.IncorrectClick();
    Checker.IncorrectClick();
    if (U == 6) {
      EXPECT_TRUE(Checker.Check());
    }
  }
  EXPECT_FALSE(Checker.Check());
  EXPECT_TRUE(Checker.Changed(A));
  Checker.RegisterCheck(A);
  EXPECT_FALSE(Checker.Changed(A));
  EXPECT_TRUE(Checker.Changed(B));
  Checker.Reset();
  EXPECT_TRUE(Checker.Check());
  // Counting mode only counts: nothing is recorded for punishment.
  Checker.StartCountClicks();
  EXPECT_TRUE(Checker.IsCounting());
  for (int64_t U = 8; U < 16; ++U) {
    Checker.SetTime(U * 10, U);
    Checker.IncorrectClick();
  }
  EXPECT_EQ(Checker.PopClickCounter(), 8);
  EXPECT_FALSE(Checker.IsCounting());
  EXPECT_TRUE(Checker.Check());
  EXPECT_FALSE(Checker.Changed(A));
}

// ---------------------------------------------------------------------------------------------
// The panel.

TEST_F(PanelTest, EntriesFollowPicksAndGroups) {
  const int Slot = SlotOf("Starfish1");
  ASSERT_GE(Slot, 0) << "the starfish are listed";
  TGLabel* Label = TryObjectCast<TGLabel>(Widget(SlotPath(Slot) + "\\Label"));
  TGWidget* Check = Widget(SlotPath(Slot) + "\\Check");
  ASSERT_TRUE(Label && Check);
  const std::string Caption = World.Obj("Starfish1")->Caption();
  Play(40);
  EXPECT_EQ(Label->Data(), Caption + " (3)");
  World.Obj("Starfish1")->SetTakingCount(1);
  Play(40);
  EXPECT_EQ(Label->Data(), Caption + " (2)");
  World.Obj("Starfish2")->SetTakingCount(1);
  Play(40);
  EXPECT_EQ(Label->Data(), Caption); // one left: no count
  EXPECT_FALSE(Check->Visible());
  World.Obj("Starfish3")->SetTakingCount(1);
  Play(40);
  // A found group keeps its slot, greyed, with the check mark.
  EXPECT_EQ(SlotOf("Starfish1"), Slot);
  EXPECT_TRUE(Check->Visible());
  EXPECT_EQ(Label->Color(), TGColor(0xFF808080));
  // A clue shows in yellow instead of the caption.
  const int ClueSlot = SingleSlot(0);
  SlotObject(ClueSlot)->SetClue("$What swims but never gets wet?$");
  Play(40);
  auto* Clue = TryObjectCast<TGLabel>(Widget(SlotPath(ClueSlot) + "\\Label"));
  EXPECT_EQ(Clue->Color(), TGColor(0xFFFFFF00));
  EXPECT_EQ(Clue->Data(), "$What swims but never gets wet?$");
  // Slots without a group are hidden.
  for (int I = Items()->Count(); I < 8; ++I) {
    EXPECT_FALSE(Widget(SlotPath(I))->Visible()) << I;
  }
}

TEST_F(PanelTest, TheDrawerOpensForAHiddenObjectUnlessTheLocationKeepsItClosed) {
  TGWidget* Open = Widget("GameInterface\\BackPackTools");
  TGWidget* Closed = Widget("GameInterface\\BackPackToolsClosed");
  auto* Location = TryObjectCast<TLocation>(L);
  ASSERT_TRUE(Location);
  // The feather under the gull, the pearl in the chest: the harbour needs its tools.
  Play(3000);
  EXPECT_TRUE(Open->Visible());
  EXPECT_FALSE(Closed->Visible());
  EXPECT_TRUE(
      TryObjectCast<TOpenedToolsState>(Screen->InventoryHelper()->ToolsStateQueue()->Peek()));
  TStateQueue* Queue = Screen->InventoryHelper()->ToolsStateQueue();
  Location->KeepToolsClosed = true;
  Play(40);
  // Closing: the hide effect runs, then the closed drawer shows.
  EXPECT_TRUE(TryObjectCast<TClosingToolsState>(Queue->Peek()));
  Play(3000);
  EXPECT_FALSE(Open->Visible());
  EXPECT_TRUE(Closed->Visible());
  EXPECT_TRUE(TryObjectCast<TClosedToolsState>(Queue->Peek()));
  // Opening, and asked to close half way: the show effect completes at once, then the
  // drawer hides with its own effect.
  Location->KeepToolsClosed = false;
  Play(100);
  EXPECT_TRUE(TryObjectCast<TOpeningToolsState>(Queue->Peek()));
  Location->KeepToolsClosed = true;
  Play(20);
  EXPECT_TRUE(TryObjectCast<TClosingToolsState>(Queue->Peek()));
  EXPECT_LE(Queue->GetCount(), 2);
  Play(20); // the closing state starts on the next frame
  EXPECT_EQ(Open->State(), wsHiding);
  Play(3000);
  EXPECT_TRUE(TryObjectCast<TClosedToolsState>(Queue->Peek()));
  EXPECT_FALSE(Open->Visible());
}

TEST_F(PanelTest, ToolIconsFollowTheToolsCarriedTheFirstEightOnly) {
  TToolsCollection* Tools = Player->Inventory()->Tools();
  Tools->Clear();
  std::vector<TGameObject*> Carried;
  for (int I = 0; I < L->Objects()->Count() && Carried.size() < 9; ++I) {
    TGameObject* Obj = L->Objects()->Items(I);
    if (Obj && Obj->GroupID().empty()) {
      Carried.push_back(Obj);
      Tools->Add(Obj, true);
    }
  }
  ASSERT_EQ(Tools->Count(), 9);
  TryObjectCast<TLocation>(L)->KeepToolsOpened = true;
  Play(1000);
  auto Icon = [&](int Slot) {
    return Widget("GameInterface\\BackPackTools\\Item0" + std::to_string(Slot + 1));
  };
  for (int Slot = 0; Slot < 8; ++Slot) {
    EXPECT_TRUE(Icon(Slot)->Visible()) << Slot;
  }
  // Tools used up or dropped leave their icons.
  for (size_t I = 2; I < Carried.size(); ++I) {
    Tools->Remove(Carried[I]);
  }
  Play(40);
  EXPECT_TRUE(Icon(1)->Visible());
  EXPECT_FALSE(Icon(2)->Visible());
  // A click on an empty slot does nothing.
  Screen->InventoryHelper()->ToolMouseDown(5);
  EXPECT_EQ(Tools->Count(), 2);
  Tools->Clear();
  Play(40);
  EXPECT_FALSE(Icon(0)->Visible());
}

// ---------------------------------------------------------------------------------------------
// The hint.

TEST_F(PanelTest, TheLastHintRechargesForAMinuteOfGameTime) {
  TGWidget* Button = Widget("GameInterface\\Hint");
  auto* Bar = TryObjectCast<TGProgressBar>(Widget("GameInterface\\HintRecharging"));
  ASSERT_TRUE(Bar);
  Screen->SetHintsCount(0);
  EXPECT_EQ(Screen->HintsCount(), 1); // a placeholder while the button recharges
  EXPECT_TRUE(Screen->Hint()->Recharging());
  Play(30000);
  EXPECT_TRUE(Bar->Visible());
  EXPECT_FALSE(Button->Visible());
  EXPECT_NEAR(Bar->Position() / Bar->Max(), 0.5, 0.02);
  Play(30100);
  EXPECT_FALSE(Screen->Hint()->Recharging());
  EXPECT_FALSE(Bar->Visible());
  EXPECT_TRUE(Button->Visible());
  EXPECT_EQ(Screen->HintsCount(), 1);
  // A hint earned while recharging ends the recharge and takes the placeholder back.
  Screen->SetHintsCount(0);
  Play(1000);
  Screen->SetHintsCount(Screen->HintsCount() + 1);
  Play(20);
  EXPECT_FALSE(Screen->Hint()->Recharging());
  EXPECT_EQ(Screen->HintsCount(), 1);
  // The count is clamped on every write.
  Screen->SetHintsCount(150);
  EXPECT_EQ(Screen->HintsCount(), 99);
}

TEST_F(PanelTest, AHintAsksForAnEntryAndPointsAtItsObject) {
  ReadAllLines();
  Screen->SetHintsCount(3);
  Screen->Hint()->OnHintClick(nullptr);
  EXPECT_TRUE(Screen->HintSelecting());
  const int Slot = SingleSlot(0);
  ClickEntry(Slot);
  EXPECT_FALSE(Screen->HintSelecting());
  EXPECT_EQ(Screen->HintsCount(), 2);
  EXPECT_TRUE(SlotObject(Slot)->HintUsed());
  EXPECT_EQ(Screen->Hint()->SparkCount(), 1);
  EXPECT_EQ(Screen->Hint()->BoltCount(), 1);
  // A found entry does not take the hint: selecting goes on.
  const int FoundSlot = SingleSlot(1);
  SlotObject(FoundSlot)->SetTakingCount(1);
  Screen->Hint()->OnHintClick(nullptr);
  ClickEntry(FoundSlot);
  EXPECT_TRUE(Screen->HintSelecting());
  EXPECT_EQ(Screen->HintsCount(), 2);
}

TEST_F(PanelTest, AnObjectUnderAnotherIsHintedThroughItsHider) {
  // The pearl lies in the closed chest.
  TGameObject* Pearl = World.Obj("Pearl");
  TGameObject* Lid = World.Obj("ChestLid");
  ASSERT_TRUE(Pearl && Lid);
  ASSERT_TRUE(Lid->Visible());
  Screen->Hint()->HintObjectScript(Pearl);
  EXPECT_TRUE(Lid->HintUsed());
  EXPECT_FALSE(Pearl->HintUsed());
  EXPECT_EQ(Screen->Hint()->SparkCount(), 1);
  // Once the lid is away, the pearl itself is shown.
  Lid->SetVisible(false);
  Screen->Hint()->HintObjectScript(Pearl);
  EXPECT_TRUE(Pearl->HintUsed());
  EXPECT_EQ(Screen->Hint()->SparkCount(), 1); // the lid's spark was killed first
}

// ---------------------------------------------------------------------------------------------
// The scanner.

TEST_F(PanelTest, TheScannerShowsTheEntryClickedAsOftenAsTheDifficultyAllows) {
  ReadAllLines();
  const int Lantern = SingleSlot(0);
  const int Bucket = SingleSlot(1);
  // Relaxed: any entry, any time.
  ClickEntry(Lantern);
  EXPECT_EQ(Scanner()->SelectedObject(), SlotObject(Lantern));
  ClickEntry(Bucket);
  EXPECT_EQ(Scanner()->SelectedObject(), SlotObject(Bucket));
  EXPECT_FALSE(Scanner()->Closed());
  // Timed: the first selection stands, and once reset the lid closes for the scene.
  Player->SetGameDifficulty(gdAdventurer);
  Scanner()->ResetUseCounter();
  Scanner()->ResetSelectedObject();
  ClickEntry(Lantern);
  ClickEntry(Bucket);
  EXPECT_EQ(Scanner()->SelectedObject(), SlotObject(Lantern));
  Scanner()->ResetSelectedObject();
  EXPECT_TRUE(Scanner()->Closed());
  ClickEntry(Bucket);
  EXPECT_EQ(Scanner()->SelectedObject(), nullptr);
  Scanner()->ResetUseCounter(); // a location activated
  EXPECT_FALSE(Scanner()->Closed());
  // Hardest: the scanner stays shut.
  Player->SetGameDifficulty(gdSuperSleuth);
  Play(40);
  EXPECT_TRUE(Scanner()->Closed());
}

TEST_F(PanelTest, TheScannerTintChangesWithTheMouseDistance) {
  ReadAllLines();
  const int Slot = SingleSlot(0);
  TGameObject* Lantern = SlotObject(Slot);
  ClickEntry(Slot);
  ASSERT_EQ(Scanner()->SelectedObject(), Lantern);
  const TGRectFloat R = Lantern->BoundingRect();
  Host.Mouse = {static_cast<int>((R.Left + R.Right) / 2), static_cast<int>((R.Top + R.Bottom) / 2)};
  Play(40);
  const TGColor Near = Scanner()->CurrColor();
  Host.Mouse = {R.Left > 400 ? 0 : 799, R.Top > 240 ? 0 : 599};
  Play(40);
  EXPECT_NE(Scanner()->CurrColor(), Near);
}

// ---------------------------------------------------------------------------------------------
// Random clicking.

TEST_F(PanelTest, RapidMissesDisturbThenBreakTheScannerAtTheEasiestDifficulty) {
  ASSERT_TRUE(Player->FirstTimeScannerBreak);
  Miss(5);
  Play(20);
  // The first offence: a warning and a short disturbance.
  EXPECT_FALSE(Player->FirstTimeScannerBreak);
  EXPECT_EQ(Scanner()->BrokenType(), sbtNoise);
  EXPECT_EQ(Screen->MissCount(), 0);
  Play(700);
  EXPECT_FALSE(Scanner()->Broken());
  ASSERT_TRUE(Screen->SpeechDialog()->Visible() || Screen->SpeechPending());
  ReadAllLines();
  // The next: the scanner breaks down for 30 s, then turns on for half a second.
  Miss(5);
  Play(20);
  EXPECT_EQ(Scanner()->BrokenType(), sbtBreak);
  EXPECT_FALSE(Widget("GameInterface\\Scanner")->Visible());
  EXPECT_TRUE(Widget("GameInterface\\ScannerBroken")->Visible());
  Play(29000);
  EXPECT_EQ(Scanner()->BrokenType(), sbtBreak);
  Play(1600);
  EXPECT_FALSE(Scanner()->Broken());
  EXPECT_TRUE(Widget("GameInterface\\Scanner")->Visible());
  EXPECT_TRUE(Screen->ClickSequenceChecker()->Check());
}

TEST_F(PanelTest, RandomClickingCostsAHintAtTheHarderDifficulties) {
  Player->SetGameDifficulty(gdAdventurer);
  Screen->SetHintsCount(3);
  Miss(5);
  Play(20);
  // Warned first, nothing taken.
  EXPECT_FALSE(Player->FirstTimeScannerBreak);
  EXPECT_EQ(Screen->HintsCount(), 3);
  // Four misses spread over more than three seconds pass; the seventh in a row does not.
  Miss(4);
  Play(3100);
  Miss(2);
  Play(20);
  EXPECT_EQ(Screen->HintsCount(), 3);
  Miss(1);
  Play(20);
  EXPECT_EQ(Screen->HintsCount(), 2);
  EXPECT_TRUE(Screen->Hint()->Recharging());
  // While the hint recharges nothing more is taken.
  Miss(5);
  Play(20);
  EXPECT_EQ(Screen->HintsCount(), 2);
  EXPECT_FALSE(Scanner()->Broken());
}
