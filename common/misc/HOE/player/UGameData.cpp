#include "player/UGameData.h"

#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "flow/UPlayScreen.h"
#include "graphics/UGBitmap.h"
#include "io/UGFileUtils.h"
#include "object/UGClassBuilder.h"
#include "platform/UHostServices.h"
#include "player/UConfigManager.h"
#include "player/UHighScores.h"
#include "player/UPlayer.h"
#include "player/UProfileFiles.h"
#include "resources/UGResourceLibrary.h"

#include <chrono>
#include <filesystem>

G_IMPLEMENT_CLASS(TBasePlayerCollection)
G_IMPLEMENT_CLASS(TPlayerCollection)
G_IMPLEMENT_CLASS(TBaseGameData)
G_IMPLEMENT_CLASS(TGameData)

TBaseGameData* GameData = nullptr;

namespace {

void CheckIndex(int Index, int Count) {
  if (Index < 0 || Index >= Count) {
    throw Error("Index out of bounds");
  }
}

// The profile files below the folder, by their real names: a name is compared in lower case
// ("PROFILE07.PLR" is a profile) but opened as it is on the disk.
std::vector<std::string> ProfileFiles(const std::string& Folder) {
  namespace fs = std::filesystem;
  std::vector<std::string> Files;
  std::error_code Ec;
  for (fs::recursive_directory_iterator It(Folder, Ec), End; !Ec && It != End; It.increment(Ec)) {
    if (!It->is_regular_file(Ec)) {
      continue;
    }
    const std::string Relative = fs::relative(It->path(), Folder, Ec).generic_string();
    const std::string Name = It->path().filename().string();
    if (Ec || Name.starts_with('.')) {
      continue;
    }
    const std::string Lower = LowerCase(Relative);
    if (Lower.starts_with("profile") && Lower.ends_with(".plr")) {
      Files.push_back(Relative);
    }
  }
  std::sort(Files.begin(), Files.end());
  return Files;
}

} // namespace

// --- The profile list --------------------------------------------------------------------------

TBasePlayer* TBasePlayerCollection::GetItem(int Index) const {
  return static_cast<TBasePlayer*>(TGCollection::GetItem(Index));
}

void TBasePlayerCollection::SortByCreationTime() {
  Sort([](TGObject* A, TGObject* B) {
    const auto D = static_cast<float>(static_cast<TBasePlayer*>(A)->GetBriefInfo()->CreationTime -
                                      static_cast<TBasePlayer*>(B)->GetBriefInfo()->CreationTime);
    return D < 0 ? -1 : (D > 0 ? 1 : 0);
  });
}

int TBasePlayerCollection::LatestProfileIndex() const {
  int Latest = -1;
  for (int I = 0; I < GetCount(); ++I) {
    if (Latest < 0 ||
        GetItem(I)->GetBriefInfo()->SavingTime > GetItem(Latest)->GetBriefInfo()->SavingTime) {
      Latest = I;
    }
  }
  return Latest;
}

TPlayer* TPlayerCollection::Items(int Index) const {
  return static_cast<TPlayer*>(GetItem(Index));
}

// --- The game data -----------------------------------------------------------------------------

TBaseGameData::TBaseGameData(TGObject* AOwner, std::string ADataFolder)
    : TGObject(AOwner)
    , FPlayers(new TPlayerCollection(this))
    , FDataFolder(std::move(ADataFolder)) {
  if (FDataFolder.empty() && AppFramework) {
    FDataFolder = AppFramework->AppInfo().DataFolder();
  }
  GameData = this;
}

void TBaseGameData::Destroy() {
  FCurrentPlayerIndex = -1;
  if (GameData == this) {
    GameData = nullptr;
    CurrentPlayer = nullptr;
  }
  inherited::Destroy();
}

std::string TBaseGameData::GetProfilesFolder() const {
  const std::string Folder =
      IncludeTrailingSlash(FDataFolder.empty() ? "." : FDataFolder) + "Profiles";
  ForceDirectories(Folder);
  return Folder;
}

TPlayer* TBaseGameData::GetCurrentPlayer() const {
  if (FCurrentPlayerIndex < 0 || FCurrentPlayerIndex >= FPlayers->GetCount()) {
    return nullptr;
  }
  return FPlayers->Items(FCurrentPlayerIndex);
}

void TBaseGameData::SetCurrentPlayerIndex(int Index) {
  FCurrentPlayerIndex = Index;
  CurrentPlayer = GetCurrentPlayer();
}

void TBaseGameData::SelectPlayer(int Index) {
  CheckIndex(Index, FPlayers->GetCount());
  SetCurrentPlayerIndex(Index);
}

TPlayer* TBaseGameData::CreateNewPlayer(const std::string& Name) {
  if (Name.empty()) {
    throw Error("Player must have a name");
  }
  TPlayer* Player = TPlayer::CreateBlank(FPlayers, Name, GetProfilesFolder());
  FPlayers->Add(Player);
  return Player;
}

void TBaseGameData::DeletePlayer(int Index) {
  CheckIndex(Index, FPlayers->GetCount());
  TPlayer* Player = FPlayers->Items(Index);
  Player->DeleteProfileFile();
  const int Current = FCurrentPlayerIndex;
  FPlayers->Remove(Player);
  // Deleting a profile above the current one keeps the current one selected.
  if (Index == Current) {
    SetCurrentPlayerIndex(-1);
  } else if (Index < Current) {
    SetCurrentPlayerIndex(Current - 1);
  } else {
    SetCurrentPlayerIndex(Current);
  }
}

TGameData::TGameData(TGObject* AOwner, std::string ADataFolder)
    : TBaseGameData(AOwner, std::move(ADataFolder)) {
  FStartTime = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
}

THighScores* TGameData::HighScores() {
  if (!FHighScores) {
    const std::string Folder = DataFolder().empty() ? "." : DataFolder();
    ForceDirectories(Folder);
    FHighScores = new THighScores(this, IncludeTrailingSlash(Folder) + "HighScores.xml");
  }
  return FHighScores;
}

void TGameData::SetCurrentPlayerIndex(int Index) {
  if (PlayScreen()) {
    throw Error("GameScreen object must be freed");
  }
  TBaseGameData::SetCurrentPlayerIndex(Index);
}

void TGameData::SelectPlayer(int Index) {
  TBaseGameData::SelectPlayer(Index);
  if (TPlayer* Player = GetCurrentPlayer()) {
    Player->Activate();
  }
}

void TGameData::LoadPortalLogo() {
  const std::string FileName = "logos/portallarge.png";
  FPortalLogoMissing = !::FileExists(FileName);
  TGResourceLibrary* Library = App ? App->ResourceLib() : nullptr;
  if (FPortalLogoMissing || !Library) {
    return;
  }
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->LoadFromFile(FileName);
  auto* Sprite = ObjectCast<TGSprite>(Library->CreateResource("Logos\\portallarge.png", false));
  Sprite->LoadFromBitmap(*Bitmap);
  Library->Add(Sprite);
}

void TGameData::ReadProfiles() {
  const std::string Folder = GetProfilesFolder();
  // An interrupted save left a complete new version or the old one: find which first.
  TProfileFiles::RecoverFolder(Folder);
  FDeletedProfiles = 0;
  for (const std::string& Relative : ProfileFiles(Folder)) {
    const std::string FileName = IncludeTrailingSlash(Folder) + Relative;
    try {
      TGObjectPtr<TPlayer> Player(TPlayer::CreateFromProfile(nullptr, FileName));
      if (Player->Corrupted() && Player->ChecksumFailed()) {
        Player->DeleteProfileFile();
        ++FDeletedProfiles;
        ODS("Profile %s was corrupted and is deleted", FileName);
        continue;
      }
      if (Player->Corrupted()) {
        // The file is what the game wrote, yet cannot be read: kept for a later version.
        ODS("Profile %s cannot be read and is left on the disk", FileName);
        continue;
      }
      Player->SetOwner(Players());
      Players()->Add(Player.release());
    } catch (const std::exception& E) {
      ODS("Profile %s is skipped: %s", FileName, E.what());
    }
  }
}

void TGameData::Initialize() {
  LoadPortalLogo();
  const bool NoLoadProfile = ConfigurationFlag("NoLoadProfile");
  if (!NoLoadProfile) {
    ReadProfiles();
  }
  Players()->SortByCreationTime();
  if (FDeletedProfiles > 0) {
    ShowMessageBox("Profile data was deleted",
                   "Profile data has been corrupted and was deleted. Press Ok to continue.",
                   TMessageBoxKind::Warning);
  }
  if (Players()->GetCount() == 0) {
    TPlayer* Player = CreateNewPlayer("Zarnika");
    Player->BriefInfo()->FullScreenMode = !(NoLoadProfile || ConfigurationFlag("NoFullScreen"));
  }
  SelectPlayer(Players()->LatestProfileIndex());
}
