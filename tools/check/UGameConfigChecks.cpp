#include "UGameConfigChecks.h"

#include "Locations/MatchGame/UGameLogic.h"
#include "Locations/MatchGame/UMatchConfig.h"
#include "Screens/UFlyingConfigurations.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "resources/UGResource.h"

#include <cctype>

namespace {

constexpr const char* CFlightFile = "cfg\\FlyingAni.cfg";
constexpr const char* CLevelsFolder = "cfg\\MatchGame\\Levels";

std::string Quoted(std::string_view Text) {
  return "\"" + std::string(Text) + "\"";
}

std::string Message(const std::exception& E) {
  const auto* G = dynamic_cast<const EGException*>(&E);
  return G ? G->Text() : std::string(E.what());
}

// The names a script assigns to objects' FlyingConfigName, with the script's line of each.
std::vector<std::pair<std::string, int32_t>> AssignedFlights(std::string_view Code) {
  constexpr std::string_view Property = "FlyingConfigName";
  std::vector<std::pair<std::string, int32_t>> Names;
  for (size_t At = Code.find(Property); At != std::string_view::npos;
       At = Code.find(Property, At + Property.size())) {
    size_t P = At + Property.size();
    while (P < Code.size() && std::isspace(static_cast<unsigned char>(Code[P]))) {
      ++P;
    }
    if (P >= Code.size() || Code[P] != '=' || (P + 1 < Code.size() && Code[P + 1] == '=')) {
      continue;
    }
    ++P;
    while (P < Code.size() && std::isspace(static_cast<unsigned char>(Code[P]))) {
      ++P;
    }
    const char Quote = P < Code.size() ? Code[P] : 0;
    const size_t End =
        Quote == '"' || Quote == '\'' ? Code.find(Quote, P + 1) : std::string_view::npos;
    if (End != std::string_view::npos) {
      const auto Line =
          1 + std::count(Code.begin(), Code.begin() + static_cast<std::ptrdiff_t>(At), '\n');
      Names.emplace_back(std::string(Code.substr(P + 1, End - P - 1)), static_cast<int32_t>(Line));
    }
  }
  return Names;
}

} // namespace

TGameConfigChecks::TGameConfigChecks(TContentFiles& Files, TFindings& Findings)
    : FFiles(Files)
    , FFindings(Findings) {}

void TGameConfigChecks::CheckFlightCatalogue(std::span<const char* const> Needed) {
  if (!FFiles.Exists(CFlightFile)) {
    FFindings.Error(CFlightFile, 1,
                    "the flight catalogue is missing: nothing found can fly to "
                    "the panel");
    return;
  }
  const TXMLFile& XML = FFiles.XML(CFlightFile);
  if (!XML.Parsed()) {
    return; // reported with the file's parse
  }
  FCatalogueRead = true;
  for (const TGXMLNode* Fly : *XML.Root->GetChilds("Fly")) {
    const int32_t Line = XML.LineOf(Fly);
    TGObjectPtr<TFlyingConfig> Config(new TFlyingConfig(nullptr));
    try {
      Config->LoadFromXML(Fly);
    } catch (const std::exception& E) {
      FFindings.Error(CFlightFile, Line, "the flight is left out: " + Message(E));
      continue;
    }
    const std::string Key = UpperCase(Config->Name());
    if (auto Seen = FFlights.find(Key); Seen != FFlights.end()) {
      FFindings.Warning(CFlightFile, Line,
                        "the flight " + Quoted(Config->Name()) +
                            " is named twice; the first (line " + std::to_string(Seen->second) +
                            ") wins");
      continue;
    }
    FFlights[Key] = Line;
  }
  for (const char* Name : Needed) {
    if (!FFlights.count(UpperCase(Name))) {
      FFindings.Error(CFlightFile, XML.LineOf(XML.Root.get()),
                      "the flight " + Quoted(Name) + " that the game asks for is missing");
    }
  }
}

void TGameConfigChecks::CheckFlightsNamed(const std::vector<TScriptSite>& Scripts) {
  if (!FCatalogueRead) {
    return;
  }
  for (const TScriptSite& Site : Scripts) {
    for (const auto& [Name, Line] : AssignedFlights(Site.Code)) {
      if (!Name.empty() && !FFlights.count(UpperCase(Name))) {
        FFindings.Error(Site.File, Site.Line + Line - 1,
                        Site.What + " gives an object the flight " + Quoted(Name) + ", which " +
                            FindingPath(CFlightFile) + " does not have");
      }
    }
  }
}

void TGameConfigChecks::CheckCursors(std::span<const char* const> URLs) {
  for (const char* URL : URLs) {
    if (!FFiles.HasResource(URL)) {
      FFindings.Error(URLToFileName(URL), 1,
                      "the cursor animation " + Quoted(URL) + " of the play screen is missing");
    }
  }
}

void TGameConfigChecks::CheckMatchGame() {
  TMatchConfig Config;
  const struct {
    const char* File;
    void (TMatchConfig::*Load)(const TGXMLNode&);
  } Tuning[] = {{"cfg\\MatchGame\\Game.cfg", &TMatchConfig::LoadGame},
                {"cfg\\MatchGame\\Scores.cfg", &TMatchConfig::LoadScores},
                {"cfg\\MatchGame\\MiscTuning.cfg", &TMatchConfig::LoadMiscTuning}};
  for (const auto& T : Tuning) {
    if (!FFiles.Exists(T.File)) {
      continue; // the game keeps its defaults
    }
    const TXMLFile& XML = FFiles.XML(T.File);
    try {
      if (XML.Parsed()) {
        (Config.*T.Load)(*XML.Root);
      }
    } catch (const std::exception& E) {
      FFindings.Error(T.File, 1, "the match-three tuning cannot be read: " + Message(E));
    }
  }
  for (const std::string& File : FFiles.FilesOf(CLevelsFolder, ".cfg")) {
    const TXMLFile& XML = FFiles.XML(File);
    if (!XML.Parsed()) {
      continue;
    }
    try {
      // Its own copy: the game's rules may write into the level they play.
      TGObjectPtr<TGXMLNode> Level(static_cast<TGXMLNode*>(XML.Root->Clone(nullptr)));
      TGObjectPtr<TGameLogic> Logic(
          New<TGameLogic>(nullptr, 0, Level.get(), TGameLogicStartupInfo{0, true, false}, Config));
    } catch (const std::exception& E) {
      FFindings.Error(File, 1, "the match-three level cannot be read: " + Message(E));
    }
  }
}
