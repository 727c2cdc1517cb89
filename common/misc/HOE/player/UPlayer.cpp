#include "player/UPlayer.h"

#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGGUID.h"
#include "base/UGStrUtils.h"
#include "flow/UPlayScreen.h"
#include "inventory/UInventory.h"
#include "io/UGFileSystem.h"
#include "io/UGFileUtils.h"
#include "io/UGZlib.h"
#include "locations/UBaseLocation.h"
#include "locations/ULocation.h"
#include "locations/ULocationLoader.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UConfigManager.h"
#include "player/UGameData.h"
#include "player/UPlayList.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "script/UDynProperties.h"
#include "script/UScriptProcessor.h"
#include "sfs/UGSingleFileSystem.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <climits>
#include <set>
#include <tuple>

G_IMPLEMENT_CLASS(TBasePlayer)

namespace {

constexpr int32_t CFindAttributes = 0x27; // read-only, hidden, system, archive
constexpr size_t CMaxEntrySize = size_t{64} << 20;

// Folded for comparing archive paths: forward slashes as backslashes, no leading one, upper case.
std::string FoldedEntryPath(std::string_view Path) {
  std::string P = FixURLSlashes(std::string(Path));
  if (!P.empty() && P.front() == '\\') {
    P.erase(0, 1);
  }
  return UpperCase(P);
}

std::string ReadArchiveEntry(TGSingleFileSystem& FS, const std::string& Path) {
  std::unique_ptr<TGStream> S = FS.CreateStream(Path, fmOpenRead);
  return S->ReadAll();
}

// The XML text of an entry kept as a zlib stream.
TGXMLNode* ReadCompressedXML(TGSingleFileSystem& FS, const std::string& Path,
                             std::string_view RootName) {
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode(RootName));
  Root->LoadFromString(ZDecompress(ReadArchiveEntry(FS, Path), CMaxEntrySize));
  return Root.release();
}

std::string CompressedXML(const TGXMLNode& Node) {
  return ZCompress(Node.SaveToString(), 1);
}

} // namespace

// --- The profile -------------------------------------------------------------------------------

TBasePlayer::TBasePlayer(TGObject* AOwner)
    : TGObject(AOwner) {
  FInventory = new TInventory(this);
  FPointerCursor = new TGameObject(this, "Pointer");
  FCursor = FPointerCursor;
  FLocationsList.SetSorted(true);
}

void TBasePlayer::Publish(TGClassBuilder<TBasePlayer>& B) {
  B.Property("Cheats", &TBasePlayer::Cheats)
      .Property("CurrentLocation", &TBasePlayer::CurrentLocation)
      .Property("Cursor", &TBasePlayer::Cursor, &TBasePlayer::SetCursor)
      .Property("PointerCursor", &TBasePlayer::PointerCursor)
      .Property("Inventory", &TBasePlayer::Inventory)
      .Property("ToolsCount", &TBasePlayer::ToolsCount)
      .Property("IsLoading", &TBasePlayer::IsLoading)
      .Property("IsBlank", &TBasePlayer::IsBlank)
      .Property("Corrupted", &TBasePlayer::Corrupted)
      .Property("LocationURL", &TBasePlayer::LocationURL)
      .Method("CheckIsCorrupted", &TBasePlayer::CheckIsCorrupted)
      .Method("InitGameScripts", &TBasePlayer::InitGameScripts)
      .Method("SaveBriefInfo", &TBasePlayer::SaveBriefInfo)
      .Method("Save", &TBasePlayer::Save)
      .Method("Unload", &TBasePlayer::Unload)
      .Method("DeleteProfileFile", &TBasePlayer::DeleteProfileFile)
      .Method("SwitchToLocation", &TBasePlayer::SwitchToLocation, {"ALocationURL"});
}

void TBasePlayer::Destroy() {
  UnloadWorld();
  FDirectLocation = nullptr;
  FCursor = nullptr;
  inherited::Destroy();
}

TGResourceLibrary* TBasePlayer::Library() const {
  if (FLibrary) {
    return FLibrary;
  }
  return MainResourceLibrary();
}

std::vector<TGameObject*> TBasePlayer::InventoryItemObjects() const {
  std::vector<TGameObject*> Objects;
  TItemsCollection* Items = FInventory->Items();
  for (int G = 0; G < Items->Count(); ++G) {
    for (int I = 0; I < Items->Group(G)->Count(); ++I) {
      Objects.push_back(Items->Group(G)->ItemByIndex(I));
    }
  }
  return Objects;
}

int TBasePlayer::ToolsCount() const {
  return FInventory->Tools()->Count();
}

bool TBasePlayer::Cheats() const {
  return ConfigurationFlag("Cheats") || Name() == "KESTREL_OPS";
}

// --- Locations ---------------------------------------------------------------------------------

TBaseLocation* TBasePlayer::FindLocation(std::string_view URL) const {
  const int Index = FLocationsList.IndexOf(URL);
  return Index < 0 ? nullptr : FLocationsList.ObjectAs<TBaseLocation>(Index);
}

TBaseLocation* TBasePlayer::GetLocReadOnly(std::string_view URL) const {
  TBaseLocation* Location = FindLocation(URL);
  if (!Location) {
    throw Error("There is no location with URL \"%s\"", URL);
  }
  return Location;
}

TBaseLocation* TBasePlayer::GetLoc(std::string_view URL) const {
  TBaseLocation* Location = GetLocReadOnly(URL);
  Location->SetChanged(true);
  return Location;
}

TBaseLocation* TBasePlayer::CurrentLocation() const {
  if (FDirectLocation || !FLoaded) {
    return FDirectLocation;
  }
  TBaseLocation* Location = FindLocation(LocationURL());
  if (Location) {
    Location->SetChanged(true);
  }
  return Location;
}

void TBasePlayer::SetCurrentLocation(TBaseLocation* Value) {
  if (FDirectLocation) {
    UnSubscribe(FDirectLocation);
  }
  FDirectLocation = Value;
  if (Value) {
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBasePlayer::OnLinkedDestroyed));
  }
}

void TBasePlayer::SetCursor(TGameObject* Value) {
  if (FCursor && FCursor != FPointerCursor) {
    UnSubscribe(FCursor);
  }
  FCursor = Value ? Value : FPointerCursor;
  if (FCursor != FPointerCursor) {
    Subscribe(TGNotification(FCursor, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBasePlayer::OnLinkedDestroyed));
  }
}

void TBasePlayer::OnLinkedDestroyed(TGObject* Sender) {
  if (Sender == FDirectLocation) {
    FDirectLocation = nullptr;
  }
  if (Sender == FCursor) {
    FCursor = FPointerCursor;
  }
}

void TBasePlayer::AddGameObject(TGameObject* Obj) {
  if (GameObjectCollector && GameObjectCollector->IndexOf(Obj) < 0) {
    GameObjectCollector->Add(Obj);
  }
  AddToScripts(Obj);
}

void TBasePlayer::AddToScripts(TGameObject* Obj) {
  if (ScriptProcessor) {
    ScriptProcessor->AddObject(Obj->ID(), Obj, false, Obj->Attrs());
  }
}

// --- Files -------------------------------------------------------------------------------------

std::string TBasePlayer::NextProfileFileName(const std::string& Folder) {
  const std::string Base = IncludeTrailingSlash(Folder);
  for (int N = 1;; ++N) {
    std::string Name = Base + Format("Profile%.2d.plr", {int64_t{N}});
    if (!::FileExists(Name)) {
      return Name;
    }
  }
}

bool TBasePlayer::CheckIsCorrupted() {
  return TProfileFiles(FProfileFileName).Corrupted();
}

void TBasePlayer::UpdateCheckSum() {
  TProfileFiles(FProfileFileName).UpdateChecksum();
}

void TBasePlayer::ReadBriefInfo() {
  TProfileArchive Archive = TProfileFiles(FProfileFileName).OpenForReading();
  if (!Archive) {
    throw Error("File %s not found", FProfileFileName);
  }
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("BriefPlayerInfo"));
  Root->LoadFromString(ReadArchiveEntry(*Archive, "Brief.cfg"));
  GetBriefInfo()->LoadFromXML(Root.get());
}

void TBasePlayer::WriteProfile(const TProfileFiles::TEntries& Entries) {
  // The open archive is the old version: close it, so that nothing reads the file while it
  // is replaced, then open the new one.
  const bool WasOpen = FProfileFileSystem != nullptr;
  FProfileFileSystem.reset();
  TProfileFiles Files(FProfileFileName);
  try {
    Files.Write(Entries, [this](const std::string& Path) { return KeepEntry(Path); });
  } catch (...) {
    if (WasOpen) {
      FProfileFileSystem = Files.OpenForReading();
    }
    throw;
  }
  if (WasOpen) {
    FProfileFileSystem = Files.OpenForReading();
  }
}

bool TBasePlayer::KeepEntry(const std::string& Path) const {
  (void)Path;
  return true;
}

void TBasePlayer::SaveBriefInfo() {
  TGObjectPtr<TGXMLNode> Brief(GetBriefInfo()->SaveToXML());
  WriteProfile({{"Brief.cfg", Brief->SaveToString()}});
}

void TBasePlayer::CollectEntries(TProfileFiles::TEntries& Entries) {
  if (PlayScreen()) {
    PlayScreen()->LandFlyingObjects();
  }
  // The player's state first: it marks the locations whose objects changed.
  TGObjectPtr<TGXMLNode> PlayerXML(SaveToXML());
  Entries.emplace_back("Player.cfg", CompressedXML(*PlayerXML));
  TGObjectPtr<TGXMLNode> Brief(GetBriefInfo()->SaveToXML());
  Entries.emplace_back("Brief.cfg", Brief->SaveToString());
  for (int I = 0; I < FLocationsList.Count(); ++I) {
    auto* Location = FLocationsList.ObjectAs<TBaseLocation>(I);
    if (!Location->GetChanged()) {
      continue;
    }
    FSavedLocations.push_back(Location);
    const std::string Path = "loc\\" + FLocationsList[I];
    if (!KeepEntry(Path)) {
      continue; // never saved: starts from the game data every time
    }
    TGObjectPtr<TGXMLNode> XML(Location->SafeSaveToXML());
    Entries.emplace_back(Path, CompressedXML(*XML));
  }
}

void TBasePlayer::Save() {
  TProfileFiles::TEntries Entries;
  FSavedObjects.clear();
  FSavedLocations.clear();
  try {
    CollectEntries(Entries);
    WriteProfile(Entries);
  } catch (...) {
    // The previous version stays on the disk and every mark stays set: the next save writes
    // what this one could not.
    FSavedObjects.clear();
    FSavedLocations.clear();
    throw;
  }
  ClearChangedMarks();
}

void TBasePlayer::ClearChangedMarks() {
  for (TGameObject* Obj : FSavedObjects) {
    Obj->SetChanged(false);
  }
  for (TBaseLocation* Location : FSavedLocations) {
    Location->SetChanged(false);
  }
  FSavedObjects.clear();
  FSavedLocations.clear();
}

void TBasePlayer::DeleteProfileFile() {
  if (FProfileFileSystem || FLoaded) {
    throw Error("Player must be unloaded before deletion");
  }
  TProfileFiles(FProfileFileName).Delete();
}

// --- Loading -----------------------------------------------------------------------------------

void TBasePlayer::Load(const std::function<void()>& ACallback) {
  if (FLoaded) {
    return;
  }
  FIsLoading = true;
  try {
    FInventory->Clear(TInventoryFlags{3});
    SetCursor(nullptr);
    AddGameObject(FPointerCursor);
    // The scripts' stand-in for unknown objects: scripts know it already.
    if (ScriptProcessor && GameObjectCollector) {
      GameObjectCollector->Add(ScriptProcessor->GetUndefinedObject());
    }
    FProfileFileSystem = TProfileFiles(FProfileFileName).OpenForReading();
    FFullScript.clear();
    TGResourceLibrary* Lib = Library();
    if (auto* Common = Lib ? TryObjectCast<TGConfig>(Lib->GetResourceEx("CommonScript.cfg", false))
                           : nullptr) {
      FFullScript = Common->XML()->Text();
    }
    FLoaded = true;
    LoadLocations(ACallback);
    if (FProfileFileSystem && FProfileFileSystem->FileExists("Player.cfg")) {
      TGObjectPtr<TGXMLNode> PlayerXML(
          ReadCompressedXML(*FProfileFileSystem, "Player.cfg", "Player"));
      LoadFromXML(PlayerXML.get());
    }
  } catch (...) {
    // A failed load leaves the profile as it was before: known, not loaded.
    UnloadWorld();
    throw;
  }
}

void TBasePlayer::LoadLocations(const std::function<void()>& ACallback) {
  TGResourceLibrary* Lib = Library();
  if (!Lib || !Lib->FileSystem()) {
    throw Error("No game data to load the locations from");
  }
  // Sorted, so that every machine builds the world in the same order.
  std::vector<std::string> Names = FindLocationFiles(Lib);
  std::sort(Names.begin(), Names.end(),
            [](const std::string& A, const std::string& B) { return UpperCase(A) < UpperCase(B); });
  for (const std::string& Name : Names) {
    TBaseLocation* Location = LoadLocation("loc\\" + Name);
    FFullScript += "\r\n" + Location->Script;
    if (ACallback) {
      ACallback();
    }
  }
}

TBaseLocation* TBasePlayer::LoadLocation(const std::string& Path) {
  const std::string URL = Path.substr(Path.find('\\') + 1);
  TGObjectPtr<TGXMLNode> Root;
  if (FProfileFileSystem && FProfileFileSystem->FileExists(Path)) {
    Root.reset(ReadCompressedXML(*FProfileFileSystem, Path, "Location"));
  } else {
    TGFileSystem* FS = Library()->FileSystem();
    std::unique_ptr<TGStream> Stream = FS->CreateStream(Path, fmOpenRead);
    if (!Stream) {
      throw Error("Location file not found: %s", Path);
    }
    Root.reset(new TGXMLNode("Location"));
    Root->LoadFromStream(*Stream);
  }
  TBaseLocation* Location = LoadLocationFromXML(Library(), Root.get(), URL, this, false);
  FLocationsList.AddObject(URL, Location);
  TGameObjectCollection* Objects = Location->Objects();
  for (int I = 0; I < Objects->Count(); ++I) {
    AddToScripts(Objects->ItemsReadOnly(I));
  }
  return Location;
}

void TBasePlayer::LoadFromXML(const TGXMLNode* Node) {
  for (const TGXMLNode* Child : *Node->GetChilds("Object")) {
    const std::string ID = Child->GetStrAttr("ID");
    if (GameObjectCollector && GameObjectCollector->IndexOf(ID) >= 0) {
      continue; // an object of a location: the location has it
    }
    TGObjectPtr<TGameObject> Obj(new TGameObject(GameObjectCollector, ID));
    Obj->LoadFromXML(Child);
    AddGameObject(Obj.release());
  }
  TGXMLCollection* Inventory = Node->GetChilds("Inventory");
  if (Inventory->GetCount() > 0) {
    LoadInventory(Inventory->GetItem(0));
  }
}

void TBasePlayer::LoadInventory(const TGXMLNode* Node) {
  FInventory->LoadFromXML(Node);
}

void TBasePlayer::InitGameScripts() {
  FIsLoading = false;
  if (!ScriptProcessor) {
    return;
  }
  for (int I = 0; I < FLocationsList.Count(); ++I) {
    auto* Location = FLocationsList.ObjectAs<TBaseLocation>(I);
    try {
      ScriptProcessor->AddObject(Location->ID, Location, true, Location->DynProps());
    } catch (const std::exception& E) {
      ODS("Location %s is not known to scripts: %s", Location->ID, E.what());
    }
  }
  ScriptProcessor->AddCode(FFullScript);
  ScriptProcessor->AddObject("Player", this, true, nullptr);
}

// --- Saving ------------------------------------------------------------------------------------

TGXMLNode* TBasePlayer::SaveToXML() {
  // The objects of locations are saved with their locations: a changed one marks its location.
  // IDs compare without regard to case, as the collector compares them.
  std::set<std::string> OfLocations{"POINTER", "UNDEFINEDOBJECT"};
  for (int I = 0; I < FLocationsList.Count(); ++I) {
    auto* Location = FLocationsList.ObjectAs<TBaseLocation>(I);
    TGameObjectCollection* Objects = Location->Objects();
    for (int N = 0; N < Objects->Count(); ++N) {
      TGameObject* Obj = Objects->ItemsReadOnly(N);
      if (Obj->Changed()) {
        Location->SetChanged(true);
        FSavedObjects.push_back(Obj);
      }
      OfLocations.insert(UpperCase(Obj->ID()));
    }
  }
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Player"));
  if (GameObjectCollector) {
    for (int N = 0; N < GameObjectCollector->Count(); ++N) {
      TGameObject* Obj = GameObjectCollector->ItemsReadOnly(N);
      if (!OfLocations.contains(UpperCase(Obj->ID()))) {
        Node->AddNode(Obj->SaveToXML());
      }
    }
  }
  Node->AddNode(FInventory->SaveToXML());
  return Node.release();
}

// --- Switching and unloading -------------------------------------------------------------------

void TBasePlayer::SwitchToLocation(const std::string& ALocationURL) {
  if (!FindLocation(ALocationURL)) {
    throw Error("Location URL %s not found", ALocationURL);
  }
  if (PlayScreen()) {
    PlayScreen()->LandFlyingObjects();
  }
  SetCurrentLocation(nullptr);
  GetBriefInfo()->LocationURL = ALocationURL;
  Save();
}

void TBasePlayer::UnloadWorld() {
  const bool WasLoaded = FLoaded;
  // A profile that never built (or began to build) the world must leave the one being played
  // alone: the object collector is shared by every profile of the list.
  const bool OwnsWorld = FLoaded || FIsLoading || FLocationsList.Count() > 0;
  FIsLoading = false;
  SetCursor(nullptr);
  // The collector owns the player's own objects and lets go of the others.
  if (GameObjectCollector && OwnsWorld) {
    GameObjectCollector->Clear();
  }
  std::vector<TBaseLocation*> Locations;
  for (int I = 0; I < FLocationsList.Count(); ++I) {
    Locations.push_back(FLocationsList.ObjectAs<TBaseLocation>(I));
  }
  FLocationsList.Clear();
  for (TBaseLocation* Location : Locations) {
    if (Location == FDirectLocation) {
      SetCurrentLocation(nullptr);
    }
    Location->Free();
  }
  FProfileFileSystem.reset();
  FLoaded = false;
  // Scripts would otherwise reach the objects just freed.
  if (WasLoaded && ScriptProcessor) {
    ScriptProcessor->Clear();
  }
}

void TBasePlayer::Unload() {
  UnloadWorld();
}

// --- The game's profile ------------------------------------------------------------------------

G_IMPLEMENT_CLASS(TPlayer)

G_ENUM_INFO(TGameState, "gsMainMenu", "gsLogo", "gsGame", "gsTip", "gsInGameMenu", "gsComix",
            "gsMapScreen", "gsMuseumScreen")
G_ENUM_INFO(TChapterState, "csNone", "csMovingTo", "csFinished")
G_ENUM_INFO(TGameDifficulty, "gdApprentice", "gdAdventurer", "gdSuperSleuth")

TPlayer* CurrentPlayer = nullptr;

namespace {

constexpr const char* CDefaultProfileName = "Zarnika";
constexpr const char* CFirstLocationURL = "00_Intro_00.loc";

std::vector<std::string>& Arguments() {
  static std::vector<std::string> Args;
  return Args;
}

const TGXMLNode* FirstChild(const TGXMLNode* Node, std::string_view Name) {
  TGXMLCollection* C = Node->GetChilds(Name);
  return C->GetCount() > 0 ? C->GetItem(0) : nullptr;
}

} // namespace

std::vector<std::string> FindLocationFiles(TGResourceLibrary* Library) {
  std::vector<std::string> Names;
  TGFileSystem* FS = Library ? Library->FileSystem() : nullptr;
  if (!FS) {
    return Names;
  }
  TGSearchRec F;
  if (FS->FindFirst("loc\\*.loc", CFindAttributes, F) == 0) {
    do {
      if (!(F.Attr & faDirectory)) {
        Names.push_back(F.Name);
      }
    } while (FS->FindNext(F) == 0);
  }
  FS->FindClose(F);
  return Names;
}

void SetProgramArguments(std::vector<std::string> Args) {
  Arguments() = std::move(Args);
}

const std::vector<std::string>& ProgramArguments() {
  return Arguments();
}

TPlayer::TPlayer(TGObject* AOwner)
    : TBasePlayer(AOwner)
    , FBriefInfo(new TBriefPlayerInfo(this)) {
  FSpeechLog = new TSpeechLog(this);
  // With game data the current profile is the game data's; without (viewers, tests) the first.
  if (!CurrentPlayer && !GameData) {
    CurrentPlayer = this;
  }
}

TPlayer* TPlayer::CreateBlank(TGObject* AOwner, const std::string& AName,
                              const std::string& ProfilesFolder) {
  TGObjectPtr<TPlayer> P(new TPlayer(AOwner));
  TBriefPlayerInfo* B = P->FBriefInfo;
  P->FDefaultProfile = AName == CDefaultProfileName;
  B->GUID = NewGuid();
  B->PlayerName = AName;
  B->CreationTime = PreciseNow();
  B->LocationURL = P->GetStartLocationURL();
  P->SetIsBlank(true);
  ForceDirectories(ProfilesFolder);
  P->SetProfileFileName(NextProfileFileName(ProfilesFolder));
  B->MusicVolume = 80;
  B->SoundVolume = 80;
  B->FullScreenMode = TBaseBriefPlayerInfo::DisplayFullScreen();
  B->ScannerVisible = false;
  P->FirstTimeScannerBreak = true;
  B->HintsCount = 1;
  P->PDAColor = 1;
  P->PDASkin = 1;
  P->TovanAvail = P->RorvikAvail = P->OskelinAvail = false;
  P->MirelAvail = true;
  P->SaveBriefInfo();
  return P.release();
}

TPlayer* TPlayer::CreateFromProfile(TGObject* AOwner, const std::string& AFileName) {
  TGObjectPtr<TPlayer> P(new TPlayer(AOwner));
  P->SetProfileFileName(AFileName);
  try {
    P->SetChecksumFailed(P->CheckIsCorrupted());
    P->SetCorrupted(P->ChecksumFailed());
    P->ReadBriefInfo();
  } catch (const std::exception& E) {
    ODS("Profile %s cannot be read: %s", AFileName, E.what());
    P->SetCorrupted(true);
  }
  P->FirstTimeScannerBreak = P->FBriefInfo->ScannerVisible;
  return P.release();
}

std::string TPlayer::GetStartLocationURL() const {
  const std::vector<std::string>& Args = ProgramArguments();
  for (size_t I = 0; I + 1 < Args.size(); ++I) {
    if (LowerCase(Trim(Args[I])) == "-startloc") {
      return Args[I + 1];
    }
  }
  return FCM.GetStrPropDef("StartLoc", CFirstLocationURL);
}

void TPlayer::Destroy() {
  if (Loaded()) {
    try {
      Unload();
    } catch (const std::exception& E) {
      ODS("Profile %s was not unloaded cleanly: %s", ProfileFileName(), E.what());
    }
  }
  StopLoopedSfx();
  if (FSpeechLog) {
    FSpeechLog->Free();
    FSpeechLog = nullptr;
  }
  FreeLoadedParts();
  if (CurrentPlayer == this) {
    CurrentPlayer = nullptr;
  }
  inherited::Destroy();
}

void TPlayer::FreeLoadedParts() {
  if (FSpeechQueue) {
    FSpeechQueue->Free();
    FSpeechQueue = nullptr;
  }
  if (FPlayList) {
    FPlayList->Free();
    FPlayList = nullptr;
  }
}

// --- Loading and saving ------------------------------------------------------------------------

void TPlayer::Load(const std::function<void()>& ACallback) {
  if (Loaded()) {
    return;
  }
  FSpeechQueue = new TSpeechQueue(this);
  FPlayList = new TPlayList(this, Library());
  FWorldReset = false;
  try {
    TBasePlayer::Load(ACallback);
  } catch (...) {
    FreeLoadedParts();
    throw;
  }
  Inventory()->SetToolsCapacity(12);
  if (ConfigurationFlag("ObjList")) {
    try {
      GenerateObjectList();
    } catch (const std::exception& E) {
      ODS("The object list could not be written: %s", E.what());
    }
  }
}

void TPlayer::LoadFromXML(const TGXMLNode* Node) {
  // Everything is read before anything is set: a faulty element changes nothing here.
  TChapterState Chapters[CChapterCount];
  std::copy(std::begin(ChapterStates), std::end(ChapterStates), std::begin(Chapters));
  for (const TGXMLNode* C : *Node->GetChilds("ChapterState")) {
    const int32_t Index = C->GetIntAttr("Index");
    const int32_t State = C->GetIntAttr("State");
    if (Index < 0 || Index >= CChapterCount) {
      throw ERangeError(Format("Chapter %d is outside 0 to 7", {int64_t{Index}}));
    }
    if (State < csNone || State > csFinished) {
      throw ERangeError(Format("Chapter state %d is unknown", {int64_t{State}}));
    }
    Chapters[Index] = static_cast<TChapterState>(State);
  }
  const bool TipShown = Node->GetBoolAttrDef("ScannerTipShown", false);
  const bool Rorvik = Node->GetBoolAttrDef("RorvikAvail", false);
  const bool Tovan = Node->GetBoolAttrDef("TovanAvail", false);
  const bool Oskelin = Node->GetBoolAttrDef("OskelinAvail", false);
  const bool Mirel = Node->GetBoolAttrDef("MirelAvail", true);
  const int32_t Color = Node->GetIntAttrDef("PDAColor", 1);
  const int32_t Skin = Node->GetIntAttrDef("PDASkin", 1);
  const int32_t Cliffhanger = Node->GetIntAttrDef("CliffhangerTime", 0);
  const bool CliffhangerDone = Node->GetBoolAttrDef("CliffhangerPlayed", false);

  TGObjectPtr<TSpeechLog> Log(new TSpeechLog(nullptr));
  if (const TGXMLNode* L = FirstChild(Node, "SpeechLog")) {
    Log->LoadFromXML(L);
  }
  // Loading adds to the queue as it stands.
  TGObjectPtr<TSpeechQueue> Queue(new TSpeechQueue(nullptr));
  Queue->Assign(FSpeechQueue);
  if (const TGXMLNode* Q = FirstChild(Node, "SpeechQueue")) {
    Queue->LoadFromXML(Q);
  }

  TBasePlayer::LoadFromXML(Node);
  if (const TGXMLNode* List = FirstChild(Node, "PlayList"); List && FPlayList) {
    FPlayList->LoadFromXML(List);
  }
  Log->AssignTo(FSpeechLog);
  if (FSpeechQueue) {
    Queue->AssignTo(FSpeechQueue);
  }
  ScannerTipShown = TipShown;
  RorvikAvail = Rorvik;
  TovanAvail = Tovan;
  OskelinAvail = Oskelin;
  MirelAvail = Mirel;
  PDAColor = Color;
  PDASkin = Skin;
  CliffhangerTime = Cliffhanger;
  CliffhangerPlayed = CliffhangerDone;
  std::copy(std::begin(Chapters), std::end(Chapters), std::begin(ChapterStates));
}

TGXMLNode* TPlayer::SaveToXML() {
  TGObjectPtr<TGXMLNode> Node(TBasePlayer::SaveToXML());
  Node->AddNode(FSpeechLog->SaveToXML());
  Node->AddNode(FSpeechQueue ? FSpeechQueue->SaveToXML() : new TGXMLNode("SpeechQueue"));
  Node->SetStrAttr("Name", Name());
  Node->SetBoolAttr("ScannerTipShown", ScannerTipShown);
  Node->SetBoolAttr("RorvikAvail", RorvikAvail);
  Node->SetBoolAttr("TovanAvail", TovanAvail);
  Node->SetBoolAttr("OskelinAvail", OskelinAvail);
  Node->SetBoolAttr("MirelAvail", MirelAvail);
  Node->SetIntAttrDef("PDAColor", 1, PDAColor);
  Node->SetIntAttrDef("PDASkin", 1, PDASkin);
  Node->SetIntAttrDef("CliffhangerTime", 0, CliffhangerTime);
  Node->SetBoolAttrDef("CliffhangerPlayed", false, CliffhangerPlayed);
  for (int I = 0; I < CChapterCount; ++I) {
    TGXMLNode* C = Node->AddChild("ChapterState");
    C->SetIntAttr("Index", I);
    C->SetIntAttr("State", static_cast<int32_t>(ChapterStates[I]));
  }
  if (FPlayList) {
    Node->AddNode(FPlayList->SaveToXML());
  }
  return Node.release();
}

bool TPlayer::KeepEntry(const std::string& Path) const {
  const std::string P = FoldedEntryPath(Path);
  if (FResetting && (P.starts_with("LOC\\") || P.starts_with("WIN\\"))) {
    return false;
  }
  // Locations whose file name begins with "5" always start from the game data.
  return !(P.starts_with("LOC\\5") && P.ends_with(".LOC") && P.find('\\', 4) == std::string::npos);
}

std::string TPlayer::ResetPlayerConfig() const {
  TProfileArchive Own;
  TGSingleFileSystem* FS = ProfileFileSystem();
  if (!FS) {
    Own = TProfileFiles(ProfileFileName()).OpenForReading();
    FS = Own.get();
  }
  if (!FS || !FS->FileExists("Player.cfg")) {
    return {};
  }
  // The player's own objects stay; what would contradict a new game goes.
  TGObjectPtr<TGXMLNode> Node(ReadCompressedXML(*FS, "Player.cfg", "Player"));
  for (TGXMLNode* Inventory : *Node->GetChilds("Inventory")) {
    Inventory->Clear();
  }
  for (TGXMLNode* Queue : *Node->GetChilds("SpeechQueue")) {
    Queue->Clear();
  }
  for (TGXMLNode* C : *Node->GetChilds("ChapterState")) {
    C->SetIntAttr("State", csNone);
  }
  return CompressedXML(*Node);
}

void TPlayer::ResetFinishedGame() {
  TBriefPlayerInfo& B = *FBriefInfo;
  const auto Before = std::make_tuple(B.LocationURL, B.GameFinished, B.Score, B.HintsCount,
                                      B.GameDifficulty, B.SavingTime);
  const std::string PlayerConfig = ResetPlayerConfig();
  // A finished game starts again where new games start (the configured start location), so the
  // profile never names a location the content lacks.
  FBriefInfo->LocationURL = GetStartLocationURL();
  FBriefInfo->GameFinished = false;
  FBriefInfo->Score = 0;
  FBriefInfo->HintsCount = 1;
  FBriefInfo->GameDifficulty = gdApprentice;
  FResetting = true;
  try {
    TGObjectPtr<TGXMLNode> Brief(FBriefInfo->SaveToXML());
    TProfileFiles::TEntries Entries{{"Brief.cfg", Brief->SaveToString()}};
    if (!PlayerConfig.empty()) {
      Entries.emplace_back("Player.cfg", PlayerConfig);
    }
    WriteProfile(Entries);
  } catch (...) {
    // Not reset: the next save tries again.
    FResetting = false;
    std::tie(B.LocationURL, B.GameFinished, B.Score, B.HintsCount, B.GameDifficulty, B.SavingTime) =
        Before;
    throw;
  }
  FResetting = false;
}

void TPlayer::Save() {
  if (InGameEditor()) {
    return;
  }
  if (FBriefInfo->GameFinished) {
    ResetFinishedGame();
    // The world in memory is the finished game's: saving it again would undo the reset.
    FWorldReset = Loaded();
    return;
  }
  if (FWorldReset) {
    SaveBriefInfo();
    return;
  }
  TBasePlayer::Save();
}

// --- Switching and unloading -------------------------------------------------------------------

void TPlayer::SwitchToLocation(const std::string& ALocationURL) {
  if (!FindLocation(ALocationURL)) {
    throw Error("Location URL %s not found", ALocationURL);
  }
  if (PlayScreen()) {
    PlayScreen()->BeforeLocationSwitch();
  }
  if (FSpeechQueue) {
    FSpeechQueue->Clear();
  }
  if (auto* Current = TryObjectCast<TLocation>(CurrentLocation())) {
    Current->Goal()->SetGoal(0, "");
  }
  TBasePlayer::SwitchToLocation(ALocationURL);
  auto* Location = TryObjectCast<TLocation>(CurrentLocation());
  if (!Location) {
    return;
  }
  Location->FillItemsDistribution();
  TDynProperties* Props = Location->DynProps();
  if (FPlayList && Props->IsPropExists("DisableMusic") &&
      Props->GetProp("DisableMusic").ToBoolean()) {
    FPlayList->Stop(1500);
  }
  if (PlayScreen()) {
    PlayScreen()->AfterLocationSwitch(Location);
  }
}

void TPlayer::Unload() {
  if (Loaded()) {
    if (TBaseLocation* Current = CurrentLocation()) {
      Current->Deactivate();
    }
    try {
      Save();
    } catch (const std::exception& E) {
      // The profile on the disk stays as the last save left it.
      ODS("Profile %s could not be saved: %s", ProfileFileName(), E.what());
    }
    StopLoopedSfx();
    if (FPlayList) {
      FPlayList->Stop(1500);
    }
    if (!InGameEditor()) {
      if (FSpeechQueue) {
        FSpeechQueue->Clear();
      }
      Inventory()->Clear(TInventoryFlags{3});
    }
  }
  TBasePlayer::Unload();
  FreeLoadedParts();
}

// --- Settings ----------------------------------------------------------------------------------

void TPlayer::SetPlayerName(const std::string& Value) {
  if (Value != FBriefInfo->PlayerName || FDefaultProfile) {
    FBriefInfo->PlayerName = Value;
    FDefaultProfile = false;
    SaveBriefInfo();
  }
}

void TPlayer::SetMusicVolume(int32_t Value) {
  const auto V = static_cast<uint8_t>(std::clamp(Value, 0, 100));
  if (V != FBriefInfo->MusicVolume) {
    FBriefInfo->MusicVolume = V;
    if (AD) {
      AD->SetMusicVolume(V);
    }
  }
}

void TPlayer::SetSoundVolume(int32_t Value) {
  const auto V = static_cast<uint8_t>(std::clamp(Value, 0, 100));
  if (V != FBriefInfo->SoundVolume) {
    FBriefInfo->SoundVolume = V;
    if (AD) {
      AD->SetSoundVolume(V);
    }
  }
}

void TPlayer::SetFullScreen(bool Value) {
  if (Value != FBriefInfo->FullScreenMode) {
    FBriefInfo->FullScreenMode = Value;
    if (App) {
      App->SetFullScreen(Value);
    }
  }
}

void TPlayer::SetWideScreen(bool Value) {
  if (Value != FBriefInfo->WideScreen) {
    FBriefInfo->WideScreen = Value;
    if (App) {
      App->InitWideScreen(true, Value);
    }
  }
}

void TPlayer::SetScore(int32_t Value) {
  const int64_t Rise = int64_t{Value} - FBriefInfo->Score;
  if (Rise > 0) {
    FBriefInfo->ChapterScore = static_cast<int32_t>(
        std::clamp<int64_t>(FBriefInfo->ChapterScore + Rise, INT32_MIN, INT32_MAX));
  }
  FBriefInfo->Score = Value;
}

void TPlayer::AddScore(int32_t Points) {
  // The score stays within its 32 bits.
  SetScore(static_cast<int32_t>(
      std::clamp<int64_t>(int64_t{FBriefInfo->Score} + Points, INT32_MIN, INT32_MAX)));
}

TGameState TPlayer::GameState() const {
  return FGameState.empty() ? CDefaultState : FGameState.back();
}

void TPlayer::Activate() {
  if (AD) {
    AD->SetMusicVolume(MusicVolume());
    AD->SetSoundVolume(SoundVolume());
  }
  if (App) {
    App->SetFullScreen(FullScreen());
    App->InitWideScreen(true, WideScreen());
  }
}
