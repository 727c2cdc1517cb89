#include "GameDataReader.h"

#include "base/UGFastStringList.h"
#include "base/UGStrUtils.h"
#include "io/UGStream.h"
#include "io/UGZlib.h"
#include "player/UProfileFiles.h"
#include "sfs/UGSingleFileSystem.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::string ReadWhole(const std::string& FileName) {
  std::ifstream In(FileName, std::ios::binary);
  if (!In) {
    return {};
  }
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  return Bytes.str();
}

} // namespace

// --- One profile ---------------------------------------------------------------------------------

TProfileReader::TProfileReader(std::string APlrFileName)
    : FFileName(std::move(APlrFileName)) {}

std::string TProfileReader::Bytes() const {
  return ReadWhole(FFileName);
}

std::string TProfileReader::ChecksumBytes() const {
  return ReadWhole(TProfileFiles::ChecksumFileNameOf(FFileName));
}

bool TProfileReader::Sound() const {
  const TProfileFiles Files(FFileName);
  return Files.Exists() && !Files.Corrupted();
}

std::vector<std::string> TProfileReader::Entries() const {
  TProfileArchive Archive = TProfileFiles(FFileName).OpenForReading();
  if (!Archive) {
    throw std::runtime_error("No profile " + FFileName);
  }
  TGFastStringList List;
  Archive->MakeFileList(List, "", true);
  std::vector<std::string> Paths;
  for (int I = 0; I < List.Count(); ++I) {
    std::string P = List[I];
    if (!P.empty() && P.front() == '\\') {
      P.erase(0, 1);
    }
    Paths.push_back(P);
  }
  std::sort(Paths.begin(), Paths.end());
  return Paths;
}

std::string TProfileReader::Entry(const std::string& Path) const {
  TProfileArchive Archive = TProfileFiles(FFileName).OpenForReading();
  if (!Archive) {
    throw std::runtime_error("No profile " + FFileName);
  }
  if (!Archive->FileExists(Path)) {
    throw std::runtime_error("No entry \"" + Path + "\" in " + FFileName);
  }
  return Archive->CreateStream(Path, fmOpenRead)->ReadAll();
}

TGObjectPtr<TGXMLNode> TProfileReader::XML(const std::string& Path) const {
  std::string Text = Entry(Path);
  // The larger entries are zlib streams (their first byte 0x78); the brief information is
  // plain XML.
  if (!Text.empty() && static_cast<unsigned char>(Text[0]) == 0x78) {
    Text = ZDecompress(Text);
  }
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Entry"));
  try {
    Node->LoadFromString(Text);
  } catch (const std::exception& E) {
    throw std::runtime_error("Entry \"" + Path + "\" of " + FFileName + ": " + E.what());
  }
  return Node;
}

TGObjectPtr<TBriefPlayerInfo> TProfileReader::Brief() const {
  TGObjectPtr<TGXMLNode> Node = XML("Brief.cfg");
  TGObjectPtr<TBriefPlayerInfo> Info(new TBriefPlayerInfo(nullptr));
  Info->LoadFromXML(Node.get());
  return Info;
}

// --- The data folder -----------------------------------------------------------------------------

TGameDataReader::TGameDataReader(std::string ADataFolder, std::string AProgramFolder)
    : FDataFolder(std::move(ADataFolder))
    , FProgramFolder(std::move(AProgramFolder)) {}

bool TGameDataReader::HasProfileList() const {
  return fs::is_directory(ProfilesFolder());
}

std::vector<std::string> TGameDataReader::ProfileFiles() const {
  // As the game finds them: every "profile*.plr" below the folder, whatever the case.
  std::vector<std::string> Files;
  std::error_code Ec;
  for (fs::recursive_directory_iterator It(ProfilesFolder(), Ec), End; !Ec && It != End;
       It.increment(Ec)) {
    if (!It->is_regular_file(Ec) || It->path().filename().string().starts_with('.')) {
      continue;
    }
    const std::string Relative = fs::relative(It->path(), ProfilesFolder(), Ec).generic_string();
    const std::string Lower = LowerCase(Relative);
    if (!Ec && Lower.starts_with("profile") && Lower.ends_with(".plr")) {
      Files.push_back(Relative);
    }
  }
  std::sort(Files.begin(), Files.end());
  return Files;
}

std::vector<TProfileReader> TGameDataReader::Profiles() const {
  std::vector<TProfileReader> List;
  for (const std::string& Name : ProfileFiles()) {
    List.push_back(Profile(Name));
  }
  return List;
}

TProfileReader TGameDataReader::Profile(const std::string& RelativeName) const {
  return TProfileReader(ProfilesFolder() + "/" + RelativeName);
}

std::optional<TProfileReader> TGameDataReader::ProfileOf(const std::string& PlayerName) const {
  for (const TProfileReader& P : Profiles()) {
    try {
      if (P.Brief()->PlayerName == PlayerName) {
        return P;
      }
    } catch (const std::exception&) {
      // An unreadable profile names nobody.
    }
  }
  return std::nullopt;
}

bool TGameDataReader::HasHighScores() const {
  return fs::is_regular_file(FDataFolder + "/HighScores.xml");
}

std::vector<THighScoreLine> TGameDataReader::HighScores() const {
  std::vector<THighScoreLine> Lines;
  if (!HasHighScores()) {
    return Lines;
  }
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("HighScores"));
  Root->LoadFromFile(FDataFolder + "/HighScores.xml");
  for (const TGXMLNode* N : *Root->GetChilds("Node")) {
    THighScoreLine L;
    L.GUID = N->GetStrAttrDef("GUID", "");
    L.Player = N->GetStrAttrDef("Player", "");
    L.Scores = N->GetIntAttrDef("Scores", 0);
    L.Time = N->GetIntAttrDef("Time", 0);
    L.Ankhs = N->GetIntAttrDef("Ankhs", 0);
    Lines.push_back(L);
  }
  return Lines;
}

std::optional<std::string> TGameDataReader::Alerts() const {
  const std::string Name = (FProgramFolder.empty() ? "." : FProgramFolder) + "/Alerts.txt";
  if (!fs::is_regular_file(Name)) {
    return std::nullopt;
  }
  return ReadWhole(Name);
}
