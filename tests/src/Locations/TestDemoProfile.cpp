// The demo's world in a profile: every location of the demo content loads (the game's own
// location classes among them), the harbour's changes are saved into the profile and come back
// when it is opened again.
#include "GameDataReader.h"
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "Locations/UGameClasses.h"
#include "TempDir.h"
#include "objects/UGameObject.h"
#include "player/UPlayer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class DemoProfile : public THeadlessSceneTest {};

TEST_F(DemoProfile, TheHarbourIsSavedIntoTheProfileAndRestored) {
  TLocationWorld World;
  World.Start(HOE_CONTENT, false);
  // The demo holds locations of the game's own classes (the match-three location).
  RegisterGameClasses();
  TTempDir Profiles("hoe-demo-profile");
  std::string File;
  {
    TGObjectPtr<TPlayer> P(TPlayer::CreateBlank(nullptr, "Ada", Profiles.Str()));
    File = P->ProfileFileName();
    P->Load(nullptr);
    P->InitGameScripts();
    EXPECT_GE(P->LocationsList().IndexOf("Harbour.loc"), 0);
    EXPECT_TRUE(World.ScriptErrors.empty()) << World.ScriptErrors.front();
    EXPECT_EQ(World.Eval("CountText(3, 'one', '%d things')").ToString(), "3 things");
    TGameObject* Anchor = World.Obj("Anchor");
    ASSERT_TRUE(Anchor);
    Anchor->SetTakingCount(1);
    Anchor->SetVisible(false);
    Anchor->SetChanged(true);
    P->SwitchToLocation("Harbour.loc");
    EXPECT_EQ(TProfileReader(File).Entries(),
              (std::vector<std::string>{"Brief.cfg", "Player.cfg", "loc\\Harbour.loc"}));
    P->Unload();
  }
  TGObjectPtr<TPlayer> Back(TPlayer::CreateFromProfile(nullptr, File));
  EXPECT_FALSE(Back->Corrupted());
  EXPECT_EQ(Back->LocationURL(), "Harbour.loc");
  Back->Load(nullptr);
  EXPECT_EQ(World.Obj("Anchor")->TakingCount(), 1);
  EXPECT_FALSE(World.Obj("Anchor")->Visible());
  Back->Unload();
  Back.reset();
  World.Stop();
}
