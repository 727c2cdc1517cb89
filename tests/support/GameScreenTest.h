// The play screen over the demo harbour, in the test process: a blank profile starting in the
// harbour, frames of 20 ms, and the mouse of a host of the test's own. The first visit's opening
// (the chapter's text on black, the tip, the first lines) is played through as a player lets it
// pass, unless a fixture keeps it to look at. Helpers click on objects the way a player reaches
// them and read the panel's entries.
#pragma once

#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Locations/UGameClasses.h"
#include "Screens/UBlackScreen.h"
#include "Screens/UFlyingControl.h"
#include "Screens/UGameHint.h"
#include "Screens/UGameScreen.h"
#include "Screens/UGameScreenStates.h"
#include "Screens/USpeechBubbleDialog.h"
#include "Screens/UTipsWindow.h"
#include "TempDir.h"
#include "TestWindowHost.h"
#include "flow/UBriefingStates.h"
#include "flow/UFlowChannel.h"
#include "inventory/UInventory.h"
#include "io/UGFileUtils.h"
#include "locations/UBaseLocation.h"
#include "locations/ULocation.h"
#include "locations/ULocationItemsDistribution.h"
#include "objects/UGameObject.h"
#include "player/UPlayer.h"
#include "player/USpeech.h"
#include "widgets/UGLabel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

class GameScreenTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("Harbour.loc", "Harbour");
    if (HasFatalFailure()) {
      return;
    }
    if (!KeepArrival) {
      PlayArrival();
    }
  }
  // A new profile of that name whose game starts in the location (its URL below "loc\\"), and
  // the play screen over it (OpenScreen). The demo's locations include the game's own classes.
  void StartIn(const std::string& LocationURL, const std::string& ID, const char* Name = "Ada") {
    World.Start(HOE_CONTENT, false);
    RegisterGameClasses();
    Player.reset(TPlayer::CreateBlank(nullptr, Name, Profiles.Str()));
    Player->BriefInfo()->LocationURL = LocationURL;
    ASSERT_EQ(CurrentPlayer, Player.get());
    OpenScreen(ID);
  }
  // The play screen over the current player's game, one frame in: the location of that ID (the
  // harbour unless told) is active.
  void OpenScreen(const std::string& ID = "Harbour") {
    Screen.reset(New<TGameScreen>(nullptr));
    Host.Top = Screen.get();
    Screen->InitGameScripts();
    Player->InitGameScripts();
    Player->Inventory()->InitGameScripts();
    Play(20);
    L = Screen->ActiveLocation();
    ASSERT_TRUE(L);
    ASSERT_EQ(L->ID, ID);
  }
  // The first visit's opening as a player lets it pass: the chapter's text typed on black, the
  // fade-in, the tune and the gull's flight; the tip put away with its button and the lines
  // read. Then the harbour takes clicks.
  void PlayArrival() {
    for (int T = 0; T < 30000 && InBriefing(); T += 20) {
      Play(20);
    }
    Play(6000);
    if (TTipsWindow* W = Tips(); W && W->Visible()) {
      ClickWidget(W->FindWidget(W->CloseURL()));
    }
    ReadAllLines();
  }
  bool InBriefing() const {
    return !L->MC()->Empty() && TryObjectCast<TBlackScreenBriefingState>(L->MC()->Peek());
  }
  // The screen's own tips window.
  TTipsWindow* Tips() const {
    for (int32_t I = 0; I < Screen->Count(); ++I) {
      if (auto* W = TryObjectCast<TTipsWindow>(Screen->GetItem(I))) {
        return W;
      }
    }
    return nullptr;
  }
  void TearDown() override {
    Screen.reset();
    Player.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  void Play(int Milliseconds) {
    for (int T = 0; T < Milliseconds; T += 20) {
      Screen->UpdateTree(0.02f);
    }
  }
  // Closes the bubble of every line said so far, as a reader would.
  void ReadAllLines() {
    for (int I = 0; I < 20 && (Screen->SpeechDialog()->Visible() || Screen->SpeechPending()); ++I) {
      Screen->SpeechDialog()->Close();
      Play(400);
    }
  }
  void ClickAt(const TGFlatVector& P) {
    Host.Mouse = {static_cast<int>(P.X), static_cast<int>(P.Y)};
    Play(20);
    Screen->MouseDown(mbLeft);
    Screen->MouseUp(mbLeft);
    Play(20);
  }
  // A click in the middle of a widget of the screen.
  void ClickWidget(const TGWidget* W) {
    ASSERT_TRUE(W);
    const TGRectFloat R = W->ScreenRect();
    ClickAt({std::floor((R.Left + R.Right) / 2), std::floor((R.Top + R.Bottom) / 2)});
  }
  // A click on the object once the lines said so far are read (a click on a line only closes it).
  void ClickOn(const std::string& ID) {
    ReadAllLines();
    TGameObject* Obj = World.Obj(ID);
    ASSERT_TRUE(Obj) << ID;
    // A point where the location finds the object and no part of the interface lies over it.
    const TGRectFloat R = Obj->BoundingRect();
    // The mouse is at whole pixels.
    for (float Y = std::ceil(R.Top); Y < R.Bottom; Y += 1) {
      for (float X = std::ceil(R.Left); X < R.Right; X += 1) {
        if (L->ObjectAt({X, Y}) == Obj && Screen->GetDispositionAt({X, Y}) == pdtLocation) {
          ClickAt({X, Y});
          return;
        }
      }
    }
    FAIL() << ID << " cannot be reached with the mouse";
  }
  // The ordinary things listed on the page shown (the page's random places are dealt by the
  // program's generator; the key, a tool, and groups are left out).
  std::vector<std::string> Listed() {
    std::vector<std::string> IDs;
    TBaseLocationItemsPage* Page = TryObjectCast<TLocation>(L)->ItemsDistribution()->CurrentPage();
    for (int I = 0; Page && I < Page->Count(); ++I) {
      TGameObject* Obj = World.Obj(Page->GetItem(I));
      if (Obj && Obj->GroupID().empty() && Page->GetItem(I) != "Key") {
        IDs.push_back(Page->GetItem(I));
      }
    }
    return IDs;
  }
  bool InLocation(const std::string& ID) { return L->Objects()->IndexOf(World.Obj(ID)) >= 0; }
  std::string ListEntry(int Index) {
    auto* Label = TryObjectCast<TGLabel>(Screen->FindWidget("GameInterface\\BackPackItems\\Item0" +
                                                            std::to_string(Index) + "\\Label"));
    return Label ? Label->Data() : "(none)";
  }

  TLocationWorld World;
  TTempDir Profiles{"hoe-game-screen"};
  TGObjectPtr<TPlayer> Player;
  TTestWindowHost Host;
  TGObjectPtr<TGameScreen> Screen;
  TBaseLocation* L = nullptr;
  // Set by a fixture that looks at the first visit's opening itself: SetUp then leaves the
  // harbour as the first frame has it.
  bool KeepArrival = false;
};
