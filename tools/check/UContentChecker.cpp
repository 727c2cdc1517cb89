#include "UContentChecker.h"

#include "Locations/UGameClasses.h"
#include "Screens/UInfoBubble.h"
#include "Screens/UMuseumScreen.h"
#include "UContentFiles.h"
#include "UDictionaryChecks.h"
#include "UFileChecks.h"
#include "UGameConfigChecks.h"
#include "ULocationChecks.h"
#include "UResourceReferences.h"
#include "UScriptChecks.h"
#include "UWidgetChecks.h"
#include "app/UGClassTables.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "locations/UGameFramework.h"
#include "resources/UGResource.h"
#include "resources/UGResourceLibrary.h"

#include <memory>
#include <utility>

namespace {

// The engine's and the game's classes for as long as a check runs; the content's library is
// the program's library meanwhile, as readers that are given none use it.
class TCheckEnvironment {
public:
  TCheckEnvironment() {
    RegisterEngineClasses();
    RegisterGameClasses();
  }
  ~TCheckEnvironment() {
    SetMainResourceLibrary(FPrevious);
    StopGameFramework();
  }
  TCheckEnvironment(const TCheckEnvironment&) = delete;
  TCheckEnvironment& operator=(const TCheckEnvironment&) = delete;
  void Use(TGResourceLibrary* Library) { SetMainResourceLibrary(Library); }

private:
  TGResourceLibrary* FPrevious = MainResourceLibrary();
};

bool IsTextFile(const std::string& File) {
  return SameText(ExtractFileExt(File), ".txt");
}

// Each line of a text with its number.
template <class F>
void ForEachLine(std::string_view Text, F&& Visit) {
  int32_t Line = 1;
  for (size_t Start = 0; Start <= Text.size();) {
    const size_t End = std::min(Text.find('\n', Start), Text.size());
    Visit(Line++, Text.substr(Start, End - Start));
    Start = End + 1;
  }
}

// Runs one check; a failure the check did not foresee is reported on File instead of ending the
// whole run.
template <class F>
void Guarded(TFindings& Findings, const std::string& File, F&& Check) {
  try {
    Check();
  } catch (const EGException& E) {
    Findings.Error(File, 1, "the checks stopped here: " + E.Text());
  } catch (const std::exception& E) {
    Findings.Error(File, 1, std::string("the checks stopped here: ") + E.what());
  }
}

} // namespace

TContentChecker::TContentChecker(TCheckOptions Options)
    : FOptions(std::move(Options)) {}

TFindings TContentChecker::Check(const std::string& Path) {
  TFindings Findings;
  TCheckEnvironment Environment;
  std::unique_ptr<TFileChecks> FileChecks;
  TContentFiles Files(Path, [&FileChecks](const std::string& URL, const std::string& Message) {
    if (FileChecks) {
      FileChecks->LibraryError(URL, Message);
    }
  });
  Environment.Use(&Files.Library());
  FileChecks = std::make_unique<TFileChecks>(Files, Findings);
  const std::vector<std::string>& All = Files.Files();
  FFilesChecked = All.size();
  const size_t Total = 2 * All.size() + 1;
  size_t Done = 0;
  const auto Step = [&] {
    if (FOptions.Progress) {
      FOptions.Progress(++Done, Total);
    }
  };

  // Every file read by its reader.
  for (const std::string& File : All) {
    Guarded(Findings, File, [&] { FileChecks->CheckFile(File); });
    Step();
  }

  // What the files name: resources, dictionary keys and flights; and their scripts.
  TDictionaryChecks Dictionary(Files, Findings);
  TResourceReferences References(Files, Findings);
  TScriptChecks Scripts(Findings);
  TGameConfigChecks GameConfig(Files, Findings);
  Guarded(Findings, CDictionaryFile, [&] { Dictionary.Load(); });
  // The museum's pieces name their shots below the bubble's folder, and their texts break
  // lines with "$ENTER$" before their keys are translated.
  const std::string Museum = URLToFileName(TMuseumScreen::CItemsURL);
  References.SetURLFolder(Museum, TInfoBubble::CGfxFolder);
  Dictionary.SetTextFilter(Museum, &TInfoBubble::ExpandLineBreaks);
  Guarded(Findings, "", [&] { GameConfig.CheckFlightCatalogue(FOptions.Demands.Flights); });
  const auto CheckNames = [&](const std::string& File) {
    if (TFileChecks::IsXMLFile(File) && Files.XML(File).Parsed()) {
      const TXMLFile& XML = Files.XML(File);
      const std::vector<TScriptSite> Sites = ScriptSitesOf(File, XML);
      for (const TScriptSite& Site : Sites) {
        Scripts.Check(Site);
      }
      References.CheckXMLFile(File, XML, Sites);
      Dictionary.CheckXMLFile(File, XML, Sites);
      GameConfig.CheckFlightsNamed(Sites);
    } else if (IsTextFile(File)) {
      const std::string Text = Files.Read(File);
      References.CheckTextFile(File, Text);
      ForEachLine(Text,
                  [&](int32_t Line, std::string_view L) { Dictionary.CheckText(File, Line, L); });
    }
  };
  for (const std::string& File : All) {
    Guarded(Findings, File, [&] { CheckNames(File); });
    Step();
  }

  // What the code asks of the content.
  Guarded(Findings, "", [&] {
    TWidgetChecks(Files, Findings).CheckAll(FOptions.Demands.Widgets);
    GameConfig.CheckCursors(FOptions.Demands.Cursors);
    GameConfig.CheckMatchGame();
    Dictionary.CheckCodeKeys(FOptions.Demands.Keys);
  });

  // The locations as a profile makes them.
  TLocationChecks LocationChecks(Files, Findings);
  Guarded(Findings, "", [&] {
    LocationChecks.CheckIDs(Files.FilesOf("loc", ".loc"));
    LocationChecks.LoadWorld();
    LocationChecks.CheckDistributions(FOptions.DealRounds);
  });
  Step();
  return Findings;
}
