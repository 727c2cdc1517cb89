// Profiles on the disk: the checksum beside the archive, creating, saving, loading and resetting
// a profile, and the saves that must never cost the player anything.
#include "HeadlessDevice.h"
#include "LocationWorld.h"
#include "base/UGDateTime.h"
#include "base/UGStrUtils.h"
#include "inventory/UInventory.h"
#include "io/UGCRC32.h"
#include "io/UGFileUtils.h"
#include "io/UGZlib.h"
#include "locations/ULocation.h"
#include "locations/ULocationClassRegistry.h"
#include "object/UGClassBuilder.h"
#include "player/UConfigManager.h"
#include "player/UPlayer.h"
#include "player/UProfileFiles.h"
#include "sfs/UGSingleFileSystem.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

// A location whose saving fails on demand, as a script error or a full disk would make it.
class TFailingLocation : public TLocation {
  G_CLASS(TFailingLocation, TLocation)
  explicit TFailingLocation(TGObject* AOwner = nullptr)
      : TLocation(AOwner) {}
  static inline bool Fail = false;
  TGXMLNode* SafeSaveToXML() const override {
    if (Fail) {
      throw Error("The disk is full");
    }
    return TLocation::SafeSaveToXML();
  }
};
G_IMPLEMENT_CLASS(TFailingLocation)

namespace {

// "{XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX}" in upper-case hexadecimal, Y one of 8, 9, A, B.
bool IsVersion4Guid(const std::string& S) {
  static const char Shape[] = "{########-####-4###-Y###-############}";
  if (S.size() != sizeof(Shape) - 1) {
    return false;
  }
  for (size_t I = 0; I < S.size(); ++I) {
    const char C = S[I];
    const bool Hex = (C >= '0' && C <= '9') || (C >= 'A' && C <= 'F');
    switch (Shape[I]) {
    case '#':
      if (!Hex) {
        return false;
      }
      break;
    case 'Y':
      if (C != '8' && C != '9' && C != 'A' && C != 'B') {
        return false;
      }
      break;
    default:
      if (C != Shape[I]) {
        return false;
      }
    }
  }
  return true;
}

std::string ObjectXML(const std::string& ID, const std::string& Extra = "") {
  return "<Object ID=\"" + ID + "\" " + Extra +
         " LocationBehaviorName=\"Pickable\" Left=\"0\" Top=\"0\" Width=\"4\" Height=\"4\" "
         "Angle=\"0\" TakingCount=\"0\" Visible=\"True\" ExtentHit=\"True\" AllowMouse=\"True\" "
         "AppearedInItems=\"False\" PivotX=\"0\" PivotY=\"0\"/>";
}

std::string LocationXML(const std::string& ID, const std::string& Class,
                        const std::vector<std::string>& Objects) {
  std::string S = "<Location ID=\"" + ID + "\" Class=\"" + Class + "\">";
  for (const std::string& O : Objects) {
    S += ObjectXML(O);
  }
  return S + "<Script>var " + ID + "Seen = 1;</Script></Location>";
}

std::vector<std::string> Entries(const std::string& Plr) {
  TProfileArchive A = TProfileFiles(Plr).OpenForReading();
  TGFastStringList List;
  A->MakeFileList(List, "", true);
  std::vector<std::string> Out;
  for (int I = 0; I < List.Count(); ++I) {
    std::string P = List[I];
    if (!P.empty() && P.front() == '\\') {
      P.erase(0, 1);
    }
    Out.push_back(P);
  }
  std::sort(Out.begin(), Out.end());
  return Out;
}

std::string Entry(const std::string& Plr, const std::string& Path) {
  TProfileArchive A = TProfileFiles(Plr).OpenForReading();
  return A->CreateStream(Path, fmOpenRead)->ReadAll();
}

TGXMLNode* PlayerConfig(const std::string& Plr) {
  auto* Node = new TGXMLNode("Player");
  Node->LoadFromString(ZDecompress(Entry(Plr, "Player.cfg")));
  return Node;
}

class Profiles : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    LocationClassRegistry().Add(TFailingLocation::StaticClass());
    World.File("loc/00_Intro_00.loc", LocationXML("Intro", "TLocation", {"Anchor", "Rope"}));
    World.File("loc/Dock.loc", LocationXML("Dock", "TFailingLocation", {"Crate"}));
    World.File("loc/5Cellar.loc", LocationXML("Cellar", "TLocation", {"Barrel"}));
    World.File("cfg/CommonScript.cfg", "<Script>var Common = 7;</Script>");
    World.Start("", false);
    // The framework's start clears the class table: the test's class joins it again.
    LocationClassRegistry().Add(TFailingLocation::StaticClass());
    ProfilesFolder = World.Folder().File("Profiles");
    fs::create_directories(ProfilesFolder);
    TFailingLocation::Fail = false;
  }
  void TearDown() override {
    Player.reset();
    World.Stop();
    THeadlessSceneTest::TearDown();
  }
  TPlayer* Blank(const std::string& Name = "Ada") {
    Player.reset(TPlayer::CreateBlank(nullptr, Name, ProfilesFolder));
    return Player.get();
  }
  TPlayer* Reopen() {
    const std::string File = Player->ProfileFileName();
    Player.reset();
    Player.reset(TPlayer::CreateFromProfile(nullptr, File));
    return Player.get();
  }
  void LoadWorld() {
    Player->Load(nullptr);
    Player->InitGameScripts();
  }

  TLocationWorld World;
  std::string ProfilesFolder;
  TGObjectPtr<TPlayer> Player;
};

} // namespace

TEST(ProfileChecksum, IsTheStandardCrcStoredLittleEndian) {
  EXPECT_EQ(CRC32String("123456789"), 0xCBF43926u);
  TTempDir Dir("hoe-crc");
  const std::string Plr = Dir.File("Profile01.plr");
  WriteFile(Plr, "123456789");
  TProfileFiles Files(Plr);
  EXPECT_TRUE(Files.Corrupted()); // no checksum yet
  Files.UpdateChecksum();
  EXPECT_EQ(ReadFile(Dir.File("Profile01.csm")), std::string("\x26\x39\xF4\xCB", 4));
  EXPECT_FALSE(Files.Corrupted());
  // A short checksum, or an archive changed behind its back, is corrupted.
  WriteFile(Dir.File("Profile01.csm"), std::string("\x26\x39", 2));
  EXPECT_TRUE(Files.Corrupted());
  Files.UpdateChecksum();
  WriteFile(Plr, "123456780");
  EXPECT_TRUE(Files.Corrupted());
}

// A kill between the archive's rename and the checksum's leaves a complete new checksum beside
// a new archive: it is adopted. Temporary files of interrupted saves go.
TEST(ProfileChecksum, RecoveryAdoptsTheChecksumOfAnInterruptedSave) {
  TTempDir Dir("hoe-recover");
  const std::string Plr = Dir.File("Profile01.plr");
  TProfileFiles Files(Plr);
  Files.Write({{"Brief.cfg", "old"}}, nullptr);
  const std::string OldChecksum = ReadFile(Files.ChecksumFileName());
  Files.Write({{"Brief.cfg", "new"}}, nullptr);
  // As if another process was killed before the checksum was renamed: the old one back, the
  // new one pending under that process's name.
  const std::string Pending = Files.ChecksumFileName() + ".4242.new";
  RenameFile(Files.ChecksumFileName(), Pending);
  WriteFile(Files.ChecksumFileName(), OldChecksum);
  WriteFile(Dir.File("Profile02.plr.new"), "half an archive");
  EXPECT_TRUE(Files.Corrupted());
  TProfileFiles::RecoverFolder(Dir.Str());
  EXPECT_FALSE(Files.Corrupted());
  EXPECT_FALSE(fs::exists(Dir.File("Profile02.plr.new")));
  EXPECT_FALSE(fs::exists(Pending));
  // A pending checksum that matches nothing is no rescue.
  WriteFile(Plr, "damaged");
  TProfileFiles::RecoverFolder(Dir.Str());
  EXPECT_TRUE(Files.Corrupted());
}

TEST_F(Profiles, ABlankProfileIsWrittenAtOnceUnderTheNextFreeNumber) {
  TPlayer* P = Blank("Zarnika");
  EXPECT_TRUE(P->DefaultProfile());
  EXPECT_TRUE(P->IsBlank());
  EXPECT_EQ(ExtractFileName(P->ProfileFileName()), "Profile01.plr");
  EXPECT_EQ(fs::file_size(ProfilesFolder + "/Profile01.csm"), 4u);
  EXPECT_FALSE(P->CheckIsCorrupted());
  EXPECT_TRUE(IsVersion4Guid(P->BriefInfo()->GUID)) << P->BriefInfo()->GUID;
  EXPECT_EQ(Entries(P->ProfileFileName()), std::vector<std::string>{"Brief.cfg"});
  // "Zarnika" only in that letter case is the default profile.
  TGObjectPtr<TPlayer> Other(TPlayer::CreateBlank(nullptr, "zarnika", ProfilesFolder));
  EXPECT_FALSE(Other->DefaultProfile());
  EXPECT_EQ(ExtractFileName(Other->ProfileFileName()), "Profile02.plr");
  fs::remove(ProfilesFolder + "/Profile01.plr");
  TGObjectPtr<TPlayer> Third(TPlayer::CreateBlank(nullptr, "Ada", ProfilesFolder));
  EXPECT_EQ(ExtractFileName(Third->ProfileFileName()), "Profile01.plr");
}

TEST_F(Profiles, TheBriefInformationKeepsItsOrderAndReadsBack) {
  TPlayer* P = Blank();
  P->SetProfilePlayed(true);
  P->BriefInfo()->Score = 1200;
  P->BriefInfo()->PlayTime = 61.5f;
  P->MuseumItems()->AddItem("Vase");
  P->CollectedZephrins()->RegisterZephrin("Dock.loc", "Bird1");
  P->BriefInfo()->PlayerStatistics()->AddUnlimited("Free.loc", 90.5f, 300);
  P->SaveBriefInfo();
  TGObjectPtr<TGXMLNode> Brief(new TGXMLNode("BriefPlayerInfo"));
  Brief->LoadFromString(Entry(P->ProfileFileName(), "Brief.cfg"));
  std::vector<std::string> Names;
  for (int I = 0; I < Brief->AttributeCount(); ++I) {
    Names.push_back(Brief->GetAttribute(I).Name());
  }
  // The birds taken are written only when there are some.
  const std::vector<std::string> Expected{
      "PlayerName",     "CreationTime",   "SavingTime",          "ProfilePlayed",
      "LocationURL",    "MusicVolume",    "SoundVolume",         "FullScreenMode",
      "ScannerVisible", "GameFinished",   "WideScreen",          "CliffhangerViewed",
      "PlayTime",       "ChapterTime",    "ChapterScore",        "Score",
      "GUID",           "GameDifficulty", "ZephrinModeUnlocked", "UnlimLocationComplete",
      "HintsCount"};
  EXPECT_EQ(Names, Expected);
  const TGDateTime Created = P->BriefInfo()->CreationTime;
  TPlayer* Back = Reopen();
  EXPECT_FALSE(Back->Corrupted());
  EXPECT_FALSE(Back->ProfilePlayed()); // only for the profile object that played
  EXPECT_EQ(Back->Name(), "Ada");
  EXPECT_EQ(Back->BriefInfo()->CreationTime, Created);
  EXPECT_EQ(Back->Score(), 1200);
  EXPECT_FLOAT_EQ(Back->BriefInfo()->PlayTime, 61.5f);
  EXPECT_EQ(Back->LocationURL(), "00_Intro_00.loc");
  EXPECT_TRUE(Back->MuseumItems()->DoesInMuseum("VASE"));
  EXPECT_TRUE(Back->CollectedZephrins()->IsCollected("dock.loc", "bird1"));
  EXPECT_EQ(Back->BriefInfo()->PlayerStatistics()->GetUnlimBestScore("Free.loc"), "300");
}

TEST_F(Profiles, ABriefInformationThatCannotBeReadMarksTheProfileCorrupted) {
  TPlayer* P = Blank();
  P->BriefInfo()->MusicVolume = 101; // written as it is, refused on reading
  P->SaveBriefInfo();
  TPlayer* Back = Reopen();
  EXPECT_TRUE(Back->Corrupted());
  EXPECT_FALSE(Back->ChecksumFailed());
  fs::remove(ChangeFileExt(Back->ProfileFileName(), ".csm"));
  Reopen();
  EXPECT_TRUE(Player->ChecksumFailed());
}

TEST_F(Profiles, TheStartLocationComesFromTheCommandLine) {
  SetProgramArguments({"-x", " -StartLoc ", "Dock.loc"});
  EXPECT_EQ(Blank()->LocationURL(), "Dock.loc");
  SetProgramArguments({});
  EXPECT_EQ(Blank()->LocationURL(), "00_Intro_00.loc");
}

TEST_F(Profiles, SavingWritesThePlayerAndOnlyTheChangedLocations) {
  TPlayer* P = Blank();
  LoadWorld();
  EXPECT_EQ(P->LocationsList().Count(), 3);
  EXPECT_NE(P->FullScript().find("var Common = 7;"), std::string::npos);
  EXPECT_NE(P->FullScript().find("var DockSeen = 1;"), std::string::npos);
  EXPECT_EQ(World.Eval("Common + DockSeen").ToInteger(), 8);
  EXPECT_EQ(World.Eval("Player.Name").ToString(), "Ada");
  P->Save();
  EXPECT_EQ(Entries(P->ProfileFileName()), (std::vector<std::string>{"Brief.cfg", "Player.cfg"}));
  // A changed object marks its location; a location whose name begins with 5 is never kept.
  World.Obj("Rope")->SetVisible(false);
  World.Obj("Rope")->SetChanged(true);
  World.Obj("Barrel")->SetChanged(true);
  P->Inventory()->Add(World.Obj("Anchor"), false);
  P->ChapterStates[2] = csFinished;
  P->PDAColor = 3;
  P->Save();
  EXPECT_FALSE(World.Obj("Rope")->Changed());
  EXPECT_EQ(Entries(P->ProfileFileName()),
            (std::vector<std::string>{"Brief.cfg", "Player.cfg", "loc\\00_Intro_00.loc"}));
  EXPECT_FALSE(P->CheckIsCorrupted());
  {
    TGObjectPtr<TGXMLNode> Cfg(PlayerConfig(P->ProfileFileName()));
    EXPECT_EQ(Cfg->GetStrAttr("Name"), "Ada");
    EXPECT_EQ(Cfg->GetIntAttr("PDAColor"), 3);
    EXPECT_FALSE(Cfg->HasAttr("PDASkin"));
    EXPECT_EQ(Cfg->GetChilds("ChapterState")->GetCount(), 8);
    EXPECT_EQ(Cfg->GetChilds("Inventory")->GetCount(), 1);
    EXPECT_EQ(Cfg->GetChilds("Object")->GetCount(), 0); // every object belongs to a location
  }
  P->Unload();
  EXPECT_FALSE(P->Loaded());
  EXPECT_FALSE(P->CheckIsCorrupted());

  TPlayer* Back = Reopen();
  LoadWorld();
  EXPECT_FALSE(World.Obj("Rope")->Visible());
  EXPECT_EQ(Back->ChapterStates[2], csFinished);
  EXPECT_EQ(Back->PDAColor, 3);
  EXPECT_TRUE(Back->Inventory()->Contains(World.Obj("Anchor"), TInventoryFlags{1u << ifItems}));
  Back->Unload();
}

TEST_F(Profiles, AScriptHoldingTheEndOfACDataSectionSurvivesASave) {
  TPlayer* P = Blank();
  LoadWorld();
  TBaseLocation* Dock = P->GetLoc("Dock.loc");
  Dock->Script = "var Tail = ']]>'; var More = '<![CDATA[x]]>';";
  P->Save();
  P->Unload();
  Reopen();
  LoadWorld();
  EXPECT_EQ(Player->GetLocReadOnly("Dock.loc")->Script,
            "var Tail = ']]>'; var More = '<![CDATA[x]]>';");
  EXPECT_EQ(World.Eval("Tail").ToString(), "]]>");
}

// A save that fails half-way keeps the previous profile on the disk, loadable, and keeps every
// mark, so that the next save writes what this one could not.
TEST_F(Profiles, AFailedSaveKeepsThePreviousProfileAndTheMarks) {
  TPlayer* P = Blank();
  LoadWorld();
  P->Save();
  const std::string Before = ReadFile(P->ProfileFileName());
  World.Obj("Crate")->SetVisible(false);
  World.Obj("Crate")->SetChanged(true);
  World.Obj("Rope")->SetChanged(true);
  TFailingLocation::Fail = true;
  EXPECT_THROW(P->Save(), EGException);
  EXPECT_EQ(ReadFile(P->ProfileFileName()), Before);
  EXPECT_FALSE(P->CheckIsCorrupted());
  EXPECT_TRUE(World.Obj("Crate")->Changed());
  EXPECT_TRUE(World.Obj("Rope")->Changed());
  for (const auto& E : fs::directory_iterator(ProfilesFolder)) {
    EXPECT_EQ(E.path().extension() == ".new", false) << E.path();
  }
  // The archive still reads while the profile plays on.
  EXPECT_TRUE(P->ProfileFileSystem()->FileExists("Player.cfg"));
  TFailingLocation::Fail = false;
  P->Save();
  EXPECT_FALSE(World.Obj("Crate")->Changed());
  EXPECT_EQ(Entries(P->ProfileFileName()),
            (std::vector<std::string>{"Brief.cfg", "Player.cfg", "loc\\00_Intro_00.loc",
                                      "loc\\Dock.loc"}));
  P->Unload();
  Reopen();
  LoadWorld();
  EXPECT_FALSE(World.Obj("Crate")->Visible());
}

TEST_F(Profiles, AFailedLoadLeavesTheProfileUnloaded) {
  World.File("loc/Twin.loc", LocationXML("Twin", "TLocation", {"Rope"}));
  TPlayer* P = Blank();
  EXPECT_THROW(P->Load(nullptr), EGException);
  EXPECT_FALSE(P->Loaded());
  EXPECT_EQ(P->LocationsList().Count(), 0);
  EXPECT_EQ(GameObjectCollector->Count(), 0);
  fs::remove(World.Folder().File("loc/Twin.loc"));
  LoadWorld();
  EXPECT_EQ(P->LocationsList().Count(), 3);
}

TEST_F(Profiles, SwitchingSavesAndUnknownLocationsAreRefused) {
  TPlayer* P = Blank();
  LoadWorld();
  EXPECT_THROW(P->SwitchToLocation("Nowhere.loc"), EGException);
  EXPECT_EQ(P->LocationURL(), "00_Intro_00.loc");
  EXPECT_THROW(P->GetLocReadOnly("Nowhere.loc"), EGException);
  P->SwitchToLocation("Dock.loc");
  EXPECT_EQ(P->CurrentLocation(), P->GetLocReadOnly("Dock.loc"));
  TPlayer* Back = Reopen();
  EXPECT_EQ(Back->LocationURL(), "Dock.loc");
  // While loaded the files cannot be deleted.
  LoadWorld();
  EXPECT_THROW(Back->DeleteProfileFile(), EGException);
  EXPECT_TRUE(fs::exists(Back->ProfileFileName()));
  Back->Unload();
  Back->DeleteProfileFile();
  EXPECT_FALSE(fs::exists(Back->ProfileFileName()));
  EXPECT_FALSE(fs::exists(ChangeFileExt(Back->ProfileFileName(), ".csm")));
}

// Resetting a finished game: the locations go, the brief starts over, and "Player.cfg" keeps
// the player's own objects but neither the back pack nor the chapters.
TEST_F(Profiles, SavingAFinishedGameResetsTheProfile) {
  TPlayer* P = Blank();
  LoadWorld();
  World.Obj("Rope")->SetChanged(true);
  P->Inventory()->Add(World.Obj("Anchor"), false);
  P->ChapterStates[5] = csMovingTo;
  P->SetScore(900);
  P->BriefInfo()->HintsCount = 4;
  P->SetGameDifficulty(gdSuperSleuth);
  P->SwitchToLocation("Dock.loc");
  ASSERT_EQ(Entries(P->ProfileFileName()).size(), 3u);
  P->FinishGame();
  P->Save();
  EXPECT_EQ(Entries(P->ProfileFileName()), (std::vector<std::string>{"Brief.cfg", "Player.cfg"}));
  EXPECT_FALSE(P->CheckIsCorrupted());
  TGObjectPtr<TGXMLNode> Cfg(PlayerConfig(P->ProfileFileName()));
  EXPECT_EQ(Cfg->GetChilds("Inventory")->GetItem(0)->GetChildsCount(), 0);
  for (TGXMLNode* C : *Cfg->GetChilds("ChapterState")) {
    EXPECT_EQ(C->GetIntAttr("State"), csNone);
  }
  EXPECT_EQ(Cfg->GetStrAttr("Name"), "Ada");
  P->Unload();
  TPlayer* Back = Reopen();
  EXPECT_EQ(Back->LocationURL(), "00_Intro_00.loc");
  EXPECT_FALSE(Back->BriefInfo()->GameFinished);
  EXPECT_EQ(Back->Score(), 0);
  EXPECT_EQ(Back->BriefInfo()->HintsCount, 1);
  EXPECT_EQ(Back->GameDifficulty(), gdApprentice);
  LoadWorld();
  EXPECT_TRUE(World.Obj("Rope")->Visible());
  EXPECT_EQ(Back->Inventory()->Items()->Count(), 0);
}

// A finished game starts over where new games start, not at a location the content may lack.
TEST_F(Profiles, AFinishedGameStartsOverAtTheStartLocation) {
  TPlayer* P = Blank();
  LoadWorld();
  P->SwitchToLocation("5Cellar.loc");
  SetProgramArguments({"-StartLoc", "Dock.loc"});
  P->FinishGame();
  P->Save();
  SetProgramArguments({});
  P->Unload();
  EXPECT_EQ(Reopen()->LocationURL(), "Dock.loc");
}

// The demo game kept in a profile: its world built from the content, a change saved at a
// location switch, and the world restored from the profile on the next load.
// The developers' report lists every object to find of every location, with its picture; an ID
// that would leave the report's folder is no file name.
TEST_F(Profiles, TheObjectListReportListsTheObjectsToFind) {
  World.File("loc/Dock.loc",
             "<Location ID=\"Dock\" Name=\"The dock\">" +
                 ObjectXML("Crate", "Caption=\"$Crate#O#$\" PageMax=\"2\"") +
                 ObjectXML("../Up", "Caption=\"$Up$\" PageMax=\"1\" Clue=\"$Something high$\"") +
                 ObjectXML("Pearl",
                           "Caption=\"$Pearl$\" PageMax=\"1\" HiddenBy=\"Crate\" IsTool=\"True\"") +
                 ObjectXML("Wall", "PageMax=\"0\"") + "</Location>");
  TPlayer* P = Blank();
  LoadWorld();
  TTempDir Out("hoe-objlist");
  const fs::path Was = fs::current_path();
  fs::current_path(Out.Path());
  P->GenerateObjectList();
  fs::current_path(Was);
  const std::string Html = ReadFile(Out.File("ObjectList.htm"));
  EXPECT_TRUE(Html.starts_with("<html><style>")) << Html.substr(0, 40);
  EXPECT_NE(Html.find("<br><b>Dock</b><br> (The dock)"), std::string::npos) << Html;
  EXPECT_NE(Html.find("<b>Crate</b>"), std::string::npos);
  EXPECT_NE(Html.find("<font color=\"#2222fe\">Something high</font> (Up)"), std::string::npos);
  EXPECT_NE(Html.find("Blue objects"), std::string::npos);
  EXPECT_NE(Html.find("<b>Pearl</b><font color=\"#229922\"> (Tool)</font>"), std::string::npos);
  EXPECT_EQ(Html.find("Wall"), std::string::npos);
  EXPECT_NE(Html.find("Special for Gift"), std::string::npos);
  EXPECT_TRUE(Html.ends_with("</body></html>\r\n"));
  EXPECT_FALSE(fs::exists(Out.Path().parent_path() / "Up.png"));
  P->Unload();
}

TEST_F(Profiles, ReadingAProfileNeverChangesItsFile) {
  TPlayer* P = Blank();
  LoadWorld();
  P->Save();
  P->Unload();
  const std::string Before = ReadFile(P->ProfileFileName());
  TPlayer* Back = Reopen();
  EXPECT_FALSE(Back->Corrupted());
  Back->Load(nullptr);
  EXPECT_EQ(ReadFile(Back->ProfileFileName()), Before);
  EXPECT_FALSE(Back->CheckIsCorrupted());
  Back->Unload();
}
