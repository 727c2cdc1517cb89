// Speech: the queue of lines waiting to be said, the anchors bubbles point at, the log of lines
// said with its stored date form, and both saved with the player's profile.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "base/UGDateTime.h"
#include "player/UPlayer.h"
#include "player/USpeech.h"
#include "player/USpeechLog.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Texts(const TSpeechQueue& Q) {
  std::vector<std::string> Out;
  for (int32_t I = 0; I < Q.Count(); ++I) {
    Out.push_back(Q.GetItem(I).Text);
  }
  return Out;
}

std::vector<std::string> Texts(const TSpeechLog& Log) {
  std::vector<std::string> Out;
  for (int32_t I = 0; I < Log.Count(); ++I) {
    Out.push_back(Log.GetItem(I)->Text);
  }
  return Out;
}

// A fixed clock for the lines' dates, restored afterwards.
struct TFixedClock {
  explicit TFixedClock(TGDateTime Now) {
    SetDateTimeSource([Now] { return Now; });
  }
  ~TFixedClock() { SetDateTimeSource(nullptr); }
};

} // namespace

// --- The queue -----------------------------------------------------------------------------------

TEST(SpeechQueue, KeepsOneCueForAPositionAndTextWhateverTheScript) {
  TGObjectPtr<TSpeechQueue> Q(new TSpeechQueue(nullptr));
  Q->AddCue("Zari", "$Hello$", "A()");
  Q->AddCue("Zari", "$Hello$", "B()");
  EXPECT_EQ(Q->Count(), 1);
  EXPECT_EQ(Q->GetItem(0).Script, "A()");
  // Another position, or another letter case of the text, is another cue.
  Q->AddCue("Tobrel", "$Hello$", "");
  Q->AddCue("Zari", "$hello$", "");
  EXPECT_EQ(Q->Count(), 3);
  EXPECT_EQ(Q->GetItem(0).Text, "$hello$");
  EXPECT_THROW(Q->GetItem(3), ERangeError);
  EXPECT_THROW(Q->GetItem(-1), ERangeError);
}

TEST(SpeechQueue, ShowsTheOldestFirstAndRemembersTheLastTaken) {
  TGObjectPtr<TSpeechQueue> Q(new TSpeechQueue(nullptr));
  TSpeechCue Cue;
  EXPECT_FALSE(Q->Peek(Cue));
  Q->Pop(); // nothing to take
  EXPECT_TRUE(Q->LastSpeech().Text.empty());

  Q->AddCue("Zari", "A", "ScriptA()");
  Q->AddCue("Zari", "B", "");
  ASSERT_TRUE(Q->Peek(Cue));
  EXPECT_EQ(Cue, (TSpeechCue{"Zari", "A", "ScriptA()"}));
  EXPECT_EQ(Q->Count(), 2); // peeking takes nothing
  Q->Pop();
  EXPECT_EQ(Q->LastSpeech(), (TSpeechCue{"Zari", "A", "ScriptA()"}));
  ASSERT_TRUE(Q->Peek(Cue));
  EXPECT_EQ(Cue.Text, "B");
  // A cue taken out may be queued again.
  Q->AddCue("Zari", "A", "");
  EXPECT_EQ(Texts(*Q), (std::vector<std::string>{"A", "B"}));
  Q->Clear();
  EXPECT_TRUE(Q->Empty());
  EXPECT_EQ(Q->LastSpeech(), TSpeechCue{});
}

TEST(SpeechQueue, SavesOldestFirstAndLoadsBackInTheSameOrder) {
  TGObjectPtr<TSpeechQueue> Q(new TSpeechQueue(nullptr));
  Q->AddCue("Zari", "First", "");
  Q->AddCue("Tobrel", "Second", "Go(\"Dock\")");
  Q->AddCue("Zari", "Third", "");
  TGObjectPtr<TGXMLNode> Node(Q->SaveToXML());
  EXPECT_EQ(Node->Name(), "SpeechQueue");
  ASSERT_EQ(Node->GetChilds("SpeechCue")->GetCount(), 3);
  const TGXMLNode* Oldest = Node->GetChilds("SpeechCue")->GetItem(0);
  EXPECT_EQ(Oldest->GetStrAttr("Text"), "First");
  // Every attribute is written, an empty script too.
  EXPECT_TRUE(Oldest->HasAttr("Script"));
  EXPECT_EQ(Oldest->GetStrAttr("Script"), "");

  TGObjectPtr<TSpeechQueue> Back(new TSpeechQueue(nullptr));
  Back->LoadFromXML(Node.get());
  EXPECT_EQ(Texts(*Back), Texts(*Q));
  EXPECT_EQ(Back->GetItem(1), (TSpeechCue{"Tobrel", "Second", "Go(\"Dock\")"}));
  // Loading adds to what is queued; cues queued already are not doubled.
  Back->LoadFromXML(Node.get());
  EXPECT_EQ(Back->Count(), 3);
}

TEST(SpeechQueue, ACueWithoutItsAttributesStopsTheLoadAfterTheCuesBeforeIt) {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("SpeechQueue"));
  Node->LoadFromString("<SpeechQueue><SpeechCue PositionID=\"Zari\" Text=\"One\" Script=\"\"/>"
                       "<SpeechCue PositionID=\"Zari\" Text=\"Two\"/>"
                       "<SpeechCue PositionID=\"Zari\" Text=\"Three\" Script=\"\"/></SpeechQueue>");
  TGObjectPtr<TSpeechQueue> Q(new TSpeechQueue(nullptr));
  EXPECT_ERROR_TEXT(Q->LoadFromXML(Node.get()), "Attribute \"Script\" not found");
  EXPECT_EQ(Texts(*Q), (std::vector<std::string>{"One"}));
}

// --- The anchors ---------------------------------------------------------------------------------

TEST(SpeechPositions, TheFirstOfAnIDWinsAndOwnersUnregisterOnlyTheirOwn) {
  TGObjectPtr<TSpeechPositionRegistry> R(new TSpeechPositionRegistry(nullptr));
  TGObjectPtr<TGObject> Screen(new TGObject(nullptr));
  TGObjectPtr<TGObject> Location(new TGObject(nullptr));
  R->RegisterSpeechPosition(Screen.get(), "Zari", {10, 20}, dNW);
  R->RegisterSpeechPosition(Location.get(), "Zari", {300, 200}, dS);
  R->RegisterSpeechPosition(Location.get(), "Chest", {50, 60}, dE);
  R->RegisterSpeechPosition(Screen.get(), "Tobrel", {10, 20}, dNW);
  EXPECT_EQ(R->IndexOf("Zari"), 0);
  EXPECT_EQ(R->IndexOf("zari"), -1);
  EXPECT_EQ(R->IndexOf("Nobody"), -1);
  const TSpeechPositionDesc D = R->GetItem(R->IndexOf("Chest"));
  EXPECT_EQ(D.Owner, Location.get());
  EXPECT_EQ(D.RootPosition, (TGFlatVector{50, 60}));
  EXPECT_EQ(D.Orientation, dE);
  EXPECT_THROW(R->GetItem(4), ERangeError);

  R->UnregisterSpeechPositions(Location.get());
  ASSERT_EQ(R->Count(), 2);
  EXPECT_EQ(R->GetItem(0).ID, "Zari");
  EXPECT_EQ(R->GetItem(1).ID, "Tobrel");
  EXPECT_EQ(R->IndexOf("Chest"), -1);
}

TEST(SpeechPositions, AnOwnerFreedTakesItsAnchorsWithIt) {
  TGObjectPtr<TSpeechPositionRegistry> R(new TSpeechPositionRegistry(nullptr));
  TGObjectPtr<TGObject> Screen(new TGObject(nullptr));
  TGObjectPtr<TGObject> Location(new TGObject(nullptr));
  R->RegisterSpeechPosition(Location.get(), "Chest", {50, 60}, dE);
  R->RegisterSpeechPosition(Screen.get(), "Zari", {10, 20}, dNW);
  R->RegisterSpeechPosition(nullptr, "Nobody's", {0, 0}, dN);
  Location.reset();
  ASSERT_EQ(R->Count(), 2);
  EXPECT_EQ(R->GetItem(0).ID, "Zari");
  // The registry freed first leaves the screen nothing to call back.
  R.reset();
  Screen.reset();
}

// --- The log -------------------------------------------------------------------------------------

TEST(SpeechLogDate, CountsHalfSecondsFromAugust1988) {
  const TGDateTime Epoch = EncodeDateTime(1988, 8, 16, 0, 0, 0);
  EXPECT_EQ(Epoch, CSpeechLogEpoch);
  EXPECT_EQ(SpeechLogDateToStored(Epoch), 0u);
  EXPECT_EQ(SpeechLogDateToStored(EncodeDateTime(1988, 8, 16, 0, 0, 1)), 2u);
  EXPECT_EQ(SpeechLogDateToStored(EncodeDateTime(2024, 3, 1, 12, 30, 0.5)),
            static_cast<uint32_t>(
                std::nearbyint((EncodeDateTime(2024, 3, 1, 12, 30, 0.5) - Epoch) * 172800)));
  EXPECT_DOUBLE_EQ(StoredToSpeechLogDate(2), EncodeDateTime(1988, 8, 16, 0, 0, 1));
  // The last date that fits, and the first that does not.
  EXPECT_EQ(SpeechLogDateToStored(StoredToSpeechLogDate(UINT32_MAX)), UINT32_MAX);
  EXPECT_THROW(SpeechLogDateToStored(EncodeDateTime(2056, 9, 3, 3, 14, 8)), ERangeError);
  EXPECT_THROW(SpeechLogDateToStored(EncodeDateTime(1988, 8, 15, 23, 59, 59)), ERangeError);
  EXPECT_THROW(SpeechLogDateToStored(std::numeric_limits<double>::quiet_NaN()), ERangeError);
}

class SpeechLogTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.Start();
    Log = World.Player->SpeechLog();
  }
  void TearDown() override {
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  TLocationWorld World;
  TSpeechLog* Log = nullptr;
};

TEST_F(SpeechLogTest, AddsALineOnceInARowWithWhereAndWhenItWasSaid) {
  const TGDateTime Now = EncodeDateTime(2024, 5, 6, 7, 8, 9);
  TFixedClock Clock(Now);
  // Outside a location the line is kept without a place.
  Log->AddSpeech("$Where am I?$");
  ASSERT_EQ(Log->Count(), 1);
  EXPECT_EQ(Log->GetItem(0)->LocationName, "");
  EXPECT_EQ(Log->GetItem(0)->ThumbnailURL, "");

  TBaseLocation* Dock =
      World.Load("<Location ID=\"Dock\" Class=\"TLocation\"></Location>", "Harbour\\Dock.loc");
  World.Enter(Dock);
  Log->AddSpeech("$Hello$");
  Log->AddSpeech("$Hello$");
  Log->AddSpeech("$Bye$");
  Log->AddSpeech("$Hello$");
  EXPECT_EQ(Texts(*Log),
            (std::vector<std::string>{"$Where am I?$", "$Hello$", "$Bye$", "$Hello$"}));
  const TSpeechLogItem* Item = Log->GetItem(1);
  EXPECT_EQ(Item->LocationName, "Dock");
  EXPECT_EQ(Item->ThumbnailURL, "Dock.loc");
  EXPECT_EQ(Item->DateTime, Now);
  EXPECT_THROW(Log->GetItem(4), ERangeError);
  World.Player->ClearSpeechLog();
  EXPECT_EQ(Log->Count(), 0);
}

TEST_F(SpeechLogTest, IsSavedAndLoadedWithItsDatesInTheStoredForm) {
  {
    TFixedClock Clock(EncodeDateTime(1988, 8, 16, 0, 0, 1));
    Log->AddSpeech("$One$");
  }
  {
    TFixedClock Clock(EncodeDateTime(2030, 1, 2, 3, 4, 5));
    Log->AddSpeech("$Two$");
  }
  TGObjectPtr<TGXMLNode> Node(Log->SaveToXML());
  EXPECT_EQ(Node->Name(), "SpeechLog");
  ASSERT_EQ(Node->GetChilds("Item")->GetCount(), 2);
  const TGXMLNode* First = Node->GetChilds("Item")->GetItem(0);
  EXPECT_EQ(First->GetStrAttr("DateTime"), "2");
  EXPECT_EQ(First->GetStrAttr("Text"), "$One$");
  EXPECT_TRUE(First->HasAttr("LocationName"));

  TGObjectPtr<TSpeechLog> Back(new TSpeechLog(nullptr));
  Back->AddSpeech("$Replaced$");
  Back->LoadFromXML(Node.get());
  EXPECT_EQ(Texts(*Back), (std::vector<std::string>{"$One$", "$Two$"}));
  // Whole half-seconds come back.
  EXPECT_NEAR(Back->GetItem(1)->DateTime, EncodeDateTime(2030, 1, 2, 3, 4, 5), 0.5 / 86400);

  // Missing attributes read as empty and the epoch.
  Node->LoadFromString("<SpeechLog><Item Text=\"Bare\"/></SpeechLog>");
  Back->LoadFromXML(Node.get());
  ASSERT_EQ(Back->Count(), 1);
  EXPECT_EQ(Back->GetItem(0)->LocationName, "");
  EXPECT_EQ(Back->GetItem(0)->DateTime, CSpeechLogEpoch);
}

TEST_F(SpeechLogTest, ADateThatCannotBeStoredIsSavedAtTheNearestEnd) {
  {
    TFixedClock Clock(EncodeDateTime(1980, 1, 1, 0, 0, 0));
    Log->AddSpeech("$Too early$");
  }
  {
    TFixedClock Clock(EncodeDateTime(2080, 1, 1, 0, 0, 0));
    Log->AddSpeech("$Too late$");
  }
  TGObjectPtr<TGXMLNode> Node(Log->SaveToXML());
  const TGXMLCollection* Items = Node->GetChilds("Item");
  ASSERT_EQ(Items->GetCount(), 2);
  EXPECT_EQ(Items->GetItem(0)->GetStrAttr("DateTime"), "0");
  EXPECT_EQ(Items->GetItem(1)->GetStrAttr("DateTime"), "4294967295");
}

// --- With the profile ----------------------------------------------------------------------------

class SpeechProfile : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    World.File("loc/00_Intro_00.loc", "<Location ID=\"Intro\" Class=\"TLocation\"></Location>");
    World.File("loc/Dock.loc", "<Location ID=\"Dock\" Class=\"TLocation\"></Location>");
    World.File("cfg/CommonScript.cfg", "<Script></Script>");
    World.Start("", false);
    Folder = World.Folder().File("Profiles");
    fs::create_directories(Folder);
    Player.reset(TPlayer::CreateBlank(nullptr, "Ada", Folder));
  }
  void TearDown() override {
    Player.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  void Load() {
    Player->Load(nullptr);
    Player->InitGameScripts();
  }
  void Reopen() {
    const std::string File = Player->ProfileFileName();
    Player.reset();
    Player.reset(TPlayer::CreateFromProfile(nullptr, File));
  }
  TLocationWorld World;
  std::string Folder;
  TGObjectPtr<TPlayer> Player;
};

TEST_F(SpeechProfile, TheQueueAndTheLogComeBackWithTheProfile) {
  // The queue exists while the profile is loaded; the log always.
  EXPECT_FALSE(Player->SpeechQueue());
  ASSERT_TRUE(Player->SpeechLog());
  Load();
  ASSERT_TRUE(Player->SpeechQueue());
  Player->SpeechLog()->AddSpeech("$Said$");
  Player->SpeechLog()->AddSpeech("$Said too$");
  Player->SpeechQueue()->AddCue("Zari", "$Waiting$", "Done()");
  Player->SpeechQueue()->AddCue("Tobrel", "$Later$", "");
  Player->Save();

  Reopen();
  Load();
  EXPECT_EQ(Texts(*Player->SpeechLog()), (std::vector<std::string>{"$Said$", "$Said too$"}));
  EXPECT_EQ(Player->SpeechLog()->GetItem(0)->LocationName, "Intro");
  EXPECT_EQ(Player->SpeechLog()->GetItem(0)->ThumbnailURL, "00_Intro_00.loc");
  ASSERT_EQ(Player->SpeechQueue()->Count(), 2);
  TSpeechCue Cue;
  ASSERT_TRUE(Player->SpeechQueue()->Peek(Cue));
  EXPECT_EQ(Cue, (TSpeechCue{"Zari", "$Waiting$", "Done()"}));

  // A switch drops the waiting lines, never the log.
  Player->SwitchToLocation("Dock.loc");
  EXPECT_TRUE(Player->SpeechQueue()->Empty());
  EXPECT_EQ(Player->SpeechLog()->Count(), 2);
  Player->ClearSpeechLog();
  Player->Unload();
  EXPECT_FALSE(Player->SpeechQueue());
  Reopen();
  Load();
  EXPECT_EQ(Player->SpeechLog()->Count(), 0);
  EXPECT_TRUE(Player->SpeechQueue()->Empty());
}

TEST_F(SpeechProfile, ScriptsReachTheLogAndTheQueueThroughThePlayer) {
  Load();
  Player->SpeechLog()->AddSpeech("$Said$");
  Player->SpeechQueue()->AddCue("Zari", "$Waiting$", "");
  EXPECT_EQ(World.Eval("Player.SpeechLog.Count").ToInteger(), 1);
  EXPECT_EQ(World.Eval("Player.SpeechLog.Items(0).Text").ToString(), "$Said$");
  EXPECT_EQ(World.Eval("Player.SpeechQueue.Empty").ToBoolean(), false);
  World.Eval("Player.SpeechQueue.Clear()");
  EXPECT_TRUE(Player->SpeechQueue()->Empty());
}
