// Opening a profile from arbitrary files, as the game does at start and when play begins: the
// profile list finds it, reads its brief information, and the game loads its world (saved
// locations, the player's state) and unloads it again, which saves. Nothing may crash, and a
// profile whose archive matches its checksum is never deleted.
//
// The input: a first byte of switches, then up to three parts split by a line "--": the brief
// information ("Brief.cfg"), the player's state ("Player.cfg"), a saved location
// ("loc\Fuzz.loc"). Switch 1 stores the player's state as it is instead of compressed, switch 2
// makes the whole input after the first byte the archive file itself, switch 4 gives the
// archive a checksum that does not match.
#include "app/UGClassTables.h"
#include "io/UGCRC32.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "io/UGZlib.h"
#include "locations/UGameFramework.h"
#include "objects/UGameObjectCollection.h"
#include "player/UGameData.h"
#include "player/UPlayer.h"
#include "player/UProfileFiles.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptProcessor.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TWorld {
  TWorld() {
    ::setenv("HOE_NO_MESSAGE_BOXES", "1", 1);
    RegisterEngineClasses();
    TScriptProcessor::SetErrorReporter([](const std::string&, const std::string&) {});
    Scripts.reset(New<TScriptProcessor>(nullptr));
    StartGameFramework();
    Content = fs::temp_directory_path() / ("hoe-fuzz-profile-" + std::to_string(getpid()));
    fs::create_directories(Content / "loc");
    fs::create_directories(Content / "cfg");
    WriteFile((Content / "loc" / "Fuzz.loc").string(),
              "<Location ID=\"Fuzz\"><Object ID=\"Shell\" LocationBehaviorName=\"Pickable\"/>"
              "</Location>");
    WriteFile((Content / "cfg" / "CommonScript.cfg").string(), "<Script>var Seen = 1;</Script>");
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, Content.string()), nullptr, rdtCommon, 0);
    SetMainResourceLibrary(Library.get());
  }
  TGObjectPtr<TScriptProcessor> Scripts;
  TGObjectPtr<TGResourceLibrary> Library;
  fs::path Content;
};

std::vector<std::string> Parts(const std::string& Text) {
  std::vector<std::string> Out;
  size_t Start = 0;
  for (size_t At = Text.find("\n--\n"); At != std::string::npos && Out.size() < 2;
       At = Text.find("\n--\n", Start)) {
    Out.push_back(Text.substr(Start, At - Start));
    Start = At + 4;
  }
  Out.push_back(Text.substr(Start));
  return Out;
}

void WriteProfile(const std::string& Plr, uint8_t Switches, const std::string& Rest) {
  if (Switches & 2) {
    WriteFile(Plr, Rest);
    TProfileFiles(Plr).UpdateChecksum();
  } else {
    const std::vector<std::string> P = Parts(Rest);
    TProfileFiles::TEntries Entries{{"Brief.cfg", P[0]}};
    if (P.size() > 1) {
      Entries.emplace_back("Player.cfg", (Switches & 1) ? P[1] : ZCompress(P[1], 1));
    }
    if (P.size() > 2) {
      Entries.emplace_back("loc\\Fuzz.loc", ZCompress(P[2], 1));
    }
    TProfileFiles(Plr).Write(Entries, nullptr);
  }
  if (Switches & 4) {
    const std::string Csm = TProfileFiles::ChecksumFileNameOf(Plr);
    std::string Bytes = ReadFile(Csm);
    Bytes[0] = static_cast<char>(Bytes[0] ^ 0x5A);
    WriteFile(Csm, Bytes);
  }
}

// Plays the fuzzed profile when the list made it current: load, scripts, unload (which saves).
void Play(TPlayer* P) {
  try {
    P->Load(nullptr);
  } catch (const EGException&) {
    if (P->Loaded() || GameObjectCollector->Count() != 0) {
      std::abort(); // a failed load left a world behind
    }
    return;
  }
  P->InitGameScripts();
  P->Unload();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TWorld World;
  if (Size < 1) {
    return 0;
  }
  const fs::path Folder = World.Content / "data";
  fs::remove_all(Folder);
  fs::create_directories(Folder / "Profiles");
  const std::string Plr = (Folder / "Profiles" / "Profile01.plr").string();
  try {
    WriteProfile(Plr, Data[0], std::string(reinterpret_cast<const char*>(Data) + 1, Size - 1));
  } catch (const EGException&) {
    return 0; // the parts make no archive
  }
  const bool Matches = !TProfileFiles(Plr).Corrupted();
  {
    TGObjectPtr<TGameData> Game(new TGameData(nullptr, Folder.string()));
    Game->Initialize();
    if (Matches && !fs::exists(Plr)) {
      std::abort(); // a profile the game wrote was deleted
    }
    TPlayer* P = Game->GetCurrentPlayer();
    if (P && P->ProfileFileName() == Plr) {
      Play(P);
      if (TProfileFiles(Plr).Corrupted()) {
        std::abort(); // a save left a profile that does not match its checksum
      }
    }
  }
  World.Scripts->Clear();
  if (GameObjectCollector->Count() != 0) {
    std::abort();
  }
  return 0;
}
