// The content checker (hoe-check): a small good content folder passes; one broken file of each
// kind is caught at its file and line; the program's JSON parses and its exit codes say what
// happened, for a folder and for the archive packed from it.
#include "TempDir.h"
#include "UContentChecker.h"
#include "UDictionaryChecks.h"
#include "UReport.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What the tests' code asks of the content, instead of the game's tables.
const TRequiredWidget CWidgets[] = {{"Menu.win", "Panel\\Go", &TGButton::StaticClass}};
const TCodeDictionaryKey CKeys[] = {{"Greeting", "src/Screens/UShown.cpp", 12}};
const char* const CFlights[] = {"Default"};
const char* const CCursors[] = {"Cursor.ani"};

const char* const CDictionary = "Caption;ENG;FRA\n"
                                "Greeting;Hello;Bonjour\n"
                                "%d things;%d things;%d choses\n";

// Line 4 holds the button the code needs.
const char* const CWindow =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Widget ClassName=\"TGWindow\" Name=\"Menu\" Left=\"0\" Top=\"0\" Width=\"800\" "
    "Height=\"600\">\n"
    "  <Widget ClassName=\"TGPicture\" Name=\"Panel\" Left=\"0\" Top=\"0\" Width=\"99\" "
    "Height=\"99\" GfxURL=\"Pic.png\">\n"
    "    <Widget ClassName=\"TGButton\" Name=\"Go\" Left=\"0\" Top=\"0\" Width=\"50\" "
    "Height=\"20\"/>\n"
    "  </Widget>\n"
    "</Widget>\n";

const char* const CAnimation =
    "<Animation Looped=\"True\" OriginX=\"0\" OriginY=\"0\" Width=\"16\" Height=\"16\">\n"
    "  <Channel ClassId=\"LivePicture\" Caption=\"P\" Visible=\"True\">\n"
    "    <GfxURL><Term T=\"0\" Value=\"Pic.png\"/></GfxURL>\n"
    "  </Channel>\n"
    "</Animation>\n";

const char* const CFlightFile = "<FlyingAnimations>\n"
                                "  <Fly Name=\"Default\" URL=\"Fly.ani\" SoundURL=\"Click.wav\"/>\n"
                                "</FlyingAnimations>\n";

// Three things to find: the first named, two dealt at random from the other two. The script
// starts on line 3, the objects on lines 11 to 15.
const char* const CLocation =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Location ID=\"Room\" Class=\"TLocation\" Caption=\"$Greeting$\" OnActivate=\"Started()\" "
    "LoopedSfx=\"Click.wav\">\n"
    "  <Script><![CDATA[\n"
    "function Started() {\n"
    "  var Shown = \"Cursor.ani\";\n"
    "}\n"
    "]]></Script>\n"
    "  <ItemsDistribution>\n"
    "    <Page Capacity=\"3\"><Item ID=\"A\"/><Item ID=\"Random\"/><Item ID=\"Random\"/></Page>\n"
    "  </ItemsDistribution>\n"
    "  <Object ID=\"A\" GfxURL=\"Pic.png\" Left=\"1\" Top=\"1\" Width=\"8\" Height=\"8\" "
    "PageMin=\"1\" PageMax=\"1\" Caption=\"$Greeting$\"/>\n"
    "  <Object ID=\"B\" GfxURL=\"Pic.png\" Left=\"1\" Top=\"1\" Width=\"8\" Height=\"8\" "
    "PageMin=\"1\" PageMax=\"1\">\n"
    "    <DynProperties><DynProperty Name=\"OnPick\" Type=\"8\" "
    "Value=\"Started()\"/></DynProperties>\n"
    "  </Object>\n"
    "  <Object ID=\"C\" GfxURL=\"Pic.png\" Left=\"1\" Top=\"1\" Width=\"8\" Height=\"8\" "
    "PageMin=\"1\" PageMax=\"1\"/>\n"
    "</Location>\n";

std::string Replaced(std::string Text, const std::string& From, const std::string& To) {
  const size_t At = Text.find(From);
  EXPECT_NE(At, std::string::npos) << From;
  return At == std::string::npos ? Text : Text.replace(At, From.size(), To);
}

std::string Listing(const TFindings& Findings) {
  std::string Text;
  for (const TFinding& F : Findings.Items()) {
    Text += FindingLine(F, "") + "\n";
  }
  return Text.empty() ? "(no findings)" : Text;
}

// Runs the checker program; Output gets its standard output alone.
int RunChecker(const std::string& Arguments, std::string& Output) {
  FILE* Pipe = ::popen((std::string(HOE_CHECKER) + " " + Arguments + " 2>/dev/null").c_str(), "r");
  if (!Pipe) {
    return -1;
  }
  std::array<char, 4096> Buffer;
  Output.clear();
  while (size_t N = std::fread(Buffer.data(), 1, Buffer.size(), Pipe)) {
    Output.append(Buffer.data(), N);
  }
  const int Status = ::pclose(Pipe);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

// Just enough JSON to read the report back: values are checked for their form, and the array's
// objects are returned as their keys and texts.
class TJSONReader {
public:
  using TObject = std::vector<std::pair<std::string, std::string>>;
  explicit TJSONReader(std::string_view Text)
      : FText(Text) {}

  bool ReadArrayOfObjects(std::vector<TObject>& Objects) {
    if (!Take('[')) {
      return false;
    }
    if (Take(']')) {
      return AtEnd();
    }
    do {
      TObject O;
      if (!ReadObject(O)) {
        return false;
      }
      Objects.push_back(std::move(O));
    } while (Take(','));
    return Take(']') && AtEnd();
  }

private:
  void Blanks() {
    while (FPos < FText.size() && std::isspace(static_cast<unsigned char>(FText[FPos]))) {
      ++FPos;
    }
  }
  bool Take(char C) {
    Blanks();
    if (FPos < FText.size() && FText[FPos] == C) {
      ++FPos;
      return true;
    }
    return false;
  }
  bool AtEnd() {
    Blanks();
    return FPos == FText.size();
  }
  bool ReadString(std::string& Out) {
    if (!Take('"')) {
      return false;
    }
    while (FPos < FText.size() && FText[FPos] != '"') {
      if (static_cast<unsigned char>(FText[FPos]) < 0x20) {
        return false;
      }
      if (FText[FPos] == '\\') {
        if (++FPos >= FText.size() ||
            std::string_view("\"\\/bfnrtu").find(FText[FPos]) == std::string_view::npos) {
          return false;
        }
        Out += FText[FPos] == 'n' ? '\n' : FText[FPos];
        FPos += FText[FPos] == 'u' ? 5 : 1;
        continue;
      }
      Out += FText[FPos++];
    }
    return Take('"');
  }
  bool ReadValue(std::string& Out) {
    Blanks();
    if (FPos < FText.size() && FText[FPos] == '"') {
      return ReadString(Out);
    }
    const size_t Start = FPos;
    while (FPos < FText.size() && std::isdigit(static_cast<unsigned char>(FText[FPos]))) {
      ++FPos;
    }
    Out = std::string(FText.substr(Start, FPos - Start));
    return FPos > Start;
  }
  bool ReadObject(TObject& O) {
    if (!Take('{')) {
      return false;
    }
    do {
      std::string Key;
      std::string Value;
      if (!ReadString(Key) || !Take(':') || !ReadValue(Value)) {
        return false;
      }
      O.emplace_back(Key, Value);
    } while (Take(','));
    return Take('}');
  }

  std::string_view FText;
  size_t FPos = 0;
};

class ContentChecker : public ::testing::Test {
protected:
  void SetUp() override {
    Write("Dictionary.csv", CDictionary);
    Write("win/Menu.win", CWindow);
    Write("gfx/Cursor.ani", CAnimation);
    Write("gfx/Fly.ani", CAnimation);
    Write("cfg/FlyingAni.cfg", CFlightFile);
    Write("loc/Room.loc", CLocation);
    Copy("gfx/Particles/WhitePoint.png", "gfx/Pic.png");
    Copy("sfx/Click.wav", "sfx/Click.wav");
  }

  void Write(const std::string& Name, const std::string& Text) {
    const fs::path Path = Content.Path() / Name;
    fs::create_directories(Path.parent_path());
    std::ofstream(Path, std::ios::binary) << Text;
  }
  void Copy(const std::string& DemoFile, const std::string& Name) {
    fs::create_directories((Content.Path() / Name).parent_path());
    fs::copy_file(fs::path(HOE_CONTENT) / DemoFile, Content.Path() / Name,
                  fs::copy_options::overwrite_existing);
  }

  TFindings Check() {
    TCheckOptions Options;
    Options.Demands.Widgets = CWidgets;
    Options.Demands.Keys = CKeys;
    Options.Demands.Flights = CFlights;
    Options.Demands.Cursors = CCursors;
    return TContentChecker(Options).Check(Content.Str());
  }

  // Whether the findings hold one at File:Line of that severity whose message has Part.
  static bool Has(const TFindings& Findings, const std::string& File, int Line,
                  const std::string& Part, TSeverity Severity = TSeverity::Error) {
    for (const TFinding& F : Findings.Items()) {
      if (F.File == File && F.Line == Line && F.Severity == Severity &&
          F.Message.find(Part) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  TTempDir Content{"hoe-check"};
};

} // namespace

TEST_F(ContentChecker, ASmallGoodFolderHasNothingToReport) {
  const TFindings Findings = Check();
  EXPECT_TRUE(Findings.Items().empty()) << Listing(Findings);
}

TEST_F(ContentChecker, MalformedXMLIsReportedAtItsLine) {
  Write("win/Menu.win", Replaced(CWindow, "Width=\"50\"", "Width=50"));
  const TFindings F = Check();
  EXPECT_TRUE(Has(F, "win/Menu.win", 4, "does not parse")) << Listing(F);
  // What a file that cannot be read would hold is not guessed at.
  EXPECT_EQ(F.ErrorCount(), 1u) << Listing(F);
}

TEST_F(ContentChecker, MissingAndUndecodablePicturesAndMissingSounds) {
  std::string Location = Replaced(CLocation, "<Object ID=\"C\" GfxURL=\"Pic.png\"",
                                  "<Object ID=\"C\" GfxURL=\"objects\\Gone.png\"");
  Location = Replaced(Location, "LoopedSfx=\"Click.wav\"", "LoopedSfx=\"Gone.ogg\"");
  Location = Replaced(Location, "<Object ID=\"A\" GfxURL=\"Pic.png\"",
                      "<Object ID=\"A\" GfxURL=\"Broken.png\"");
  Write("loc/Room.loc", Location);
  Write("gfx/Broken.png", "\x89PNG\r\n\x1a\n not really a picture");
  Write("sfx/Broken.ogg", "OggS and nothing a decoder could read");
  Write("win/Stray.png", "");
  const TFindings F = Check();
  EXPECT_TRUE(Has(F, "loc/Room.loc", 15, "the picture \"objects\\Gone.png\" (GfxURL) is missing"))
      << Listing(F);
  EXPECT_TRUE(Has(F, "loc/Room.loc", 2, "the sound \"Gone.ogg\" (LoopedSfx) is missing"))
      << Listing(F);
  EXPECT_TRUE(Has(F, "gfx/Broken.png", 1, "cannot be")) << Listing(F);
  EXPECT_TRUE(Has(F, "sfx/Broken.ogg", 1, "the sound cannot be decoded")) << Listing(F);
  EXPECT_TRUE(Has(F, "win/Stray.png", 1, "no URL reaches this file", TSeverity::Warning))
      << Listing(F);
}

TEST_F(ContentChecker, ResourcesAreFoundWithoutRegardToCaseButMustBeOfTheirKind) {
  std::string Location = Replaced(CLocation, "<Object ID=\"C\" GfxURL=\"Pic.png\"",
                                  "<Object ID=\"C\" GfxURL=\"PIC.PNG\"");
  Location = Replaced(Location, "<Object ID=\"A\" GfxURL=\"Pic.png\"",
                      "<Object ID=\"A\" GfxURL=\"Click.wav\"");
  Write("loc/Room.loc", Location);
  const TFindings F = Check();
  EXPECT_FALSE(Has(F, "loc/Room.loc", 15, "")) << Listing(F);
  EXPECT_TRUE(Has(F, "loc/Room.loc", 11, "is a sound, where a graphic is needed")) << Listing(F);
}

TEST_F(ContentChecker, AWindowWithoutTheWidgetOrWithTheWrongClass) {
  Write("win/Menu.win", Replaced(CWindow, "Name=\"Go\"", "Name=\"Gone\""));
  TFindings F = Check();
  EXPECT_TRUE(Has(F, "win/Menu.win", 3, "the widget \"Panel\\Go\" that a screen needs is missing"))
      << Listing(F);
  Write("win/Menu.win", Replaced(CWindow, "\"TGButton\" Name=\"Go\"", "\"TGLabel\" Name=\"go\""));
  F = Check();
  EXPECT_TRUE(Has(F, "win/Menu.win", 4, "is a TGLabel, where a screen needs a TGButton"))
      << Listing(F);
  fs::remove(Content.Path() / "win/Menu.win");
  F = Check();
  EXPECT_TRUE(
      Has(F, "win/Menu.win", 1, "the window file \"Menu.win\" that a screen loads is missing"))
      << Listing(F);
}

TEST_F(ContentChecker, DictionaryKeysLanguagesAndFormats) {
  Write("Dictionary.csv", "Caption;ENG;FRA\n"
                          "Greeting;Hello;\n"
                          "%d things;%d things;%s choses\n"
                          "Greeting;Hi again;Re-bonjour\n");
  Write("loc/Room.loc",
        Replaced(CLocation, "Caption=\"$Greeting$\"/>", "Caption=\"$Farewell$\"/>"));
  TFindings F = Check();
  EXPECT_TRUE(Has(F, "loc/Room.loc", 11, "the dictionary key \"Farewell\" is missing"))
      << Listing(F);
  EXPECT_TRUE(Has(F, "Dictionary.csv", 2, "the key \"Greeting\" has no FRA text")) << Listing(F);
  EXPECT_TRUE(Has(F, "Dictionary.csv", 3, "FRA text of \"%d things\" has the conversions %s"))
      << Listing(F);
  EXPECT_TRUE(Has(F, "Dictionary.csv", 4, "written twice", TSeverity::Warning)) << Listing(F);

  // A key the code names, missing: reported on the dictionary with the place that names it.
  Write("Dictionary.csv", "Caption;ENG;FRA\n%d things;%d things;%d choses\n");
  Write("loc/Room.loc", Replaced(Replaced(CLocation, "Caption=\"$Greeting$\" On", "On"),
                                 "Caption=\"$Greeting$\"", ""));
  F = Check();
  EXPECT_TRUE(Has(F, "Dictionary.csv", 1, "(src/Screens/UShown.cpp:12) is missing")) << Listing(F);
  EXPECT_EQ(F.ErrorCount(), 1u) << Listing(F);
}

TEST_F(ContentChecker, KeysInScriptsCountInTheirStringsOnly) {
  Write("loc/Room.loc", Replaced(CLocation, "  var Shown = \"Cursor.ani\";\n",
                                 "  // \"$Commented$\" is no key\n  Say('$Spoken$');\n"));
  const TFindings F = Check();
  EXPECT_TRUE(Has(F, "loc/Room.loc", 6, "the dictionary key \"Spoken\" is missing")) << Listing(F);
  EXPECT_EQ(F.ErrorCount(), 1u) << Listing(F);
}

TEST_F(ContentChecker, ScriptSyntaxErrorsAreReportedAtTheirLine) {
  std::string Location = Replaced(CLocation, "  var Shown = \"Cursor.ani\";\n",
                                  "  var Shown = \"Cursor.ani\";\n  if (Shown {\n");
  Location = Replaced(Location, "Value=\"Started()\"", "Value=\"Started(\"");
  Write("loc/Room.loc", Location);
  const TFindings F = Check();
  EXPECT_TRUE(Has(F, "loc/Room.loc", 6, "Script of Room does not compile")) << Listing(F);
  // The script's new line moves the object's property down to line 14.
  EXPECT_TRUE(
      Has(F, "loc/Room.loc", 14,
          "OnPick of B does not compile: SyntaxError: parse error at the end of the script"))
      << Listing(F);
}

TEST_F(ContentChecker, ScriptsNameResourcesThatMustExist) {
  Write("loc/Room.loc", Replaced(CLocation, "\"Cursor.ani\"", "\"Comix\\\\Gone.ani\""));
  const TFindings F = Check();
  EXPECT_TRUE(Has(F, "loc/Room.loc", 5, "the animation \"Comix\\Gone.ani\" (Script of Room)"))
      << Listing(F);
}

TEST_F(ContentChecker, ObjectIDsOnceInTheGameAndLocationIDsOnce) {
  Write("loc/Room.loc", Replaced(CLocation, "<Object ID=\"C\"", "<Object ID=\"a\""));
  Write("loc/Hall.loc", "<Location ID=\"ROOM\" Class=\"TLocation\">\n"
                        "  <Object ID=\"B\" GfxURL=\"Pic.png\" Left=\"0\" Top=\"0\" Width=\"8\" "
                        "Height=\"8\"/>\n"
                        "</Location>\n");
  const TFindings F = Check();
  EXPECT_TRUE(Has(F, "loc/Room.loc", 15,
                  "the object ID \"a\" is used twice in the location (first "
                  "on line 11)"))
      << Listing(F);
  EXPECT_TRUE(Has(F, "loc/Room.loc", 2, "the location ID \"Room\" is also loc/Hall.loc's"))
      << Listing(F);
  EXPECT_TRUE(Has(F, "loc/Room.loc", 12, "the object ID \"B\" is also used in loc/Hall.loc"))
      << Listing(F);
}

// The loader's message names no element: the object it cannot read is found for it.
TEST_F(ContentChecker, ALocationTheLoaderRefusesIsReportedAtTheObjectItFailsOn) {
  Write("loc/Room.loc", Replaced(CLocation, "<Object ID=\"B\" GfxURL=\"Pic.png\" Left=\"1\"",
                                 "<Object ID=\"B\" GfxURL=\"Pic.png\""));
  const TFindings F = Check();
  EXPECT_TRUE(
      Has(F, "loc/Room.loc", 12, "the location cannot be loaded: Attribute \"Left\" not found"))
      << Listing(F);
}

TEST_F(ContentChecker, ItemPagesThatCannotBeFilled) {
  std::string Location =
      Replaced(CLocation, "<Item ID=\"A\"/>", "<Item ID=\"A\"/><Item ID=\"Z\"/>");
  Write("loc/Room.loc", Location);
  TFindings F = Check();
  EXPECT_TRUE(Has(F, "loc/Room.loc", 9, "the item \"Z\" is no object of the location"))
      << Listing(F);

  // Two places to deal, one object to take them.
  Location = Replaced(CLocation,
                      "  <Object ID=\"C\" GfxURL=\"Pic.png\" Left=\"1\" Top=\"1\" Width=\"8\" "
                      "Height=\"8\" PageMin=\"1\" PageMax=\"1\"/>\n",
                      "");
  Write("loc/Room.loc", Location);
  F = Check();
  EXPECT_TRUE(Has(F, "loc/Room.loc", 8, "page 1 has 1 \"Random\" place that no object can fill"))
      << Listing(F);
  EXPECT_EQ(F.ErrorCount(), 1u) << Listing(F);
}

TEST_F(ContentChecker, FlightsAndCursorsTheCodeAndTheScriptsName) {
  Write("cfg/FlyingAni.cfg", Replaced(CFlightFile, "Name=\"Default\"", "Name=\"Hint\""));
  Write("loc/Room.loc", Replaced(CLocation, "  var Shown = \"Cursor.ani\";\n",
                                 "  O.A.FlyingConfigName = \"Sparkle\";\n"));
  fs::remove(Content.Path() / "gfx/Cursor.ani");
  const TFindings F = Check();
  EXPECT_TRUE(Has(F, "cfg/FlyingAni.cfg", 1,
                  "the flight \"Default\" that the game asks for is "
                  "missing"))
      << Listing(F);
  EXPECT_TRUE(Has(F, "loc/Room.loc", 5, "gives an object the flight \"Sparkle\"")) << Listing(F);
  EXPECT_TRUE(Has(F, "gfx/Cursor.ani", 1, "the cursor animation \"Cursor.ani\"")) << Listing(F);
}

// Keys and conversions are read as the dictionary and Format read them: "$$" inside a key is a
// dollar sign (two keys written without a gap are one), a key never spans lines.
TEST(ContentCheckerParts, KeysAndConversionsAreReadAsTheEngineReadsThem) {
  using V = std::vector<std::string>;
  EXPECT_EQ(DictionaryKeysIn("$A$ and $B c$"), (V{"A", "B c"}));
  EXPECT_EQ(DictionaryKeysIn("$A$$B$"), (V{"A$B"}));
  EXPECT_EQ(DictionaryKeysIn("costs $$5, $open"), V{});
  EXPECT_EQ(DictionaryKeysIn("5$\nthen 6$ and $C$"), V{"C"});
  EXPECT_EQ(FormatConversions("%d of %.2d: %s, 100%%"), "dds");
  EXPECT_EQ(FormatConversions("%-5s|%08.3f"), "sf");
  EXPECT_EQ(FormatConversions("50% off, 100 %"), "");
}

TEST_F(ContentChecker, TheReportListsFindingsSortedAndSummed) {
  TFindings F;
  F.Warning("win\\B.win", 3, "second");
  F.Error("loc/A.loc", 9, "first");
  TReportOptions Options;
  Options.PathPrefix = "content/";
  EXPECT_EQ(TextReport(F, Options),
            "content/loc/A.loc:9: error: first\ncontent/win/B.win:3: warning: second\n");
  EXPECT_EQ(SummaryLine(F, 1), "1 error, 1 warning in 1 file");
  Options.Quiet = true;
  EXPECT_EQ(TextReport(F, Options), "content/loc/A.loc:9: error: first\n");
  EXPECT_EQ(JSONString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
}

TEST_F(ContentChecker, TheProgramsJSONParsesAndItsExitCodesTell) {
  std::string Out;
  EXPECT_EQ(RunChecker("", Out), 2);
  EXPECT_EQ(RunChecker("--frobnicate " + Content.Str(), Out), 2);
  EXPECT_EQ(RunChecker(Content.File("nothing-here"), Out), 2);
  std::ofstream(Content.File("broken.sfs")) << "no archive at all";
  EXPECT_EQ(RunChecker(Content.File("broken.sfs"), Out), 1) << "a file that is no archive";
  fs::remove(Content.File("broken.sfs"));
  EXPECT_EQ(RunChecker("--help", Out), 0);
  EXPECT_NE(Out.find("usage: hoe-check"), std::string::npos) << Out;

  // The program demands the game's own widgets, keys and flights: this folder lacks them.
  Write("loc/Room.loc",
        Replaced(CLocation, "Caption=\"$Greeting$\"/>", "Caption=\"$Farewell$\"/>"));
  EXPECT_EQ(RunChecker("--json " + Content.Str(), Out), 1);
  std::vector<TJSONReader::TObject> Objects;
  ASSERT_TRUE(TJSONReader(Out).ReadArrayOfObjects(Objects)) << Out;
  bool Found = false;
  for (const TJSONReader::TObject& O : Objects) {
    ASSERT_EQ(O.size(), 4u);
    EXPECT_EQ(O[0].first, "file");
    EXPECT_EQ(O[1].first, "line");
    EXPECT_EQ(O[2].first, "severity");
    EXPECT_EQ(O[3].first, "message");
    Found |= O[0].second == Content.Str() + "/loc/Room.loc" && O[1].second == "11" &&
             O[3].second.find("\"Farewell\"") != std::string::npos;
  }
  EXPECT_TRUE(Found) << Out;

  EXPECT_EQ(RunChecker(Content.Str(), Out), 1);
  EXPECT_NE(Out.find(Content.Str() + "/loc/Room.loc:11: error: the dictionary key \"Farewell\""),
            std::string::npos)
      << Out;
  EXPECT_NE(Out.rfind(" in 8 files\n"), std::string::npos) << Out;

  // The archive packed from the folder reads the same; its findings name the files inside it.
  const std::string Archive = Content.File("packed.sfs");
  const fs::path Packed = Content.Path() / "packed";
  fs::create_directories(Packed);
  for (const auto& E : fs::directory_iterator(Content.Path())) {
    if (E.path() != Packed && E.path().extension() != ".sfs") {
      fs::copy(E.path(), Packed / E.path().filename(), fs::copy_options::recursive);
    }
  }
  ASSERT_EQ(std::system((std::string(SFS_TOOL) + " create " + Archive + " " + Packed.string() +
                         " > /dev/null")
                            .c_str()),
            0);
  EXPECT_EQ(RunChecker(Archive, Out), 1);
  EXPECT_NE(Out.find("\nloc/Room.loc:11: error: the dictionary key \"Farewell\""),
            std::string::npos)
      << Out;
}

// The build's list of the keys the code names: keys in string literals (raw ones too, escapes
// resolved), with their lines; nothing from comments, character literals or a literal marked as
// no key.
TEST(ContentCheckerParts, TheCodesKeysAreListedFromItsStringLiterals) {
  TTempDir Dir("hoe-scan-keys");
  std::ofstream(Dir.File("Unit.cpp"))
      << "// \"$Commented$\" is no key\n"
         "const char* A = \"$Score:$ %d\";\n"
         "/* \"$Block$\"\n   \"$Still block$\" */\n"
         "const char* B = R\"x($Raw key$ \"quoted\")x\";\n"
         "const char* C = \"$$5 and $Two$$Keys$\";\n"
         "const char* D = \"$ENTER$\"; // a line break, not a dictionary key\n"
         "char E = '\"'; const char* F = \"say \\\"$Quoted$\\\"\";\n";
  const std::string Output = Dir.File("Keys.cpp");
  ASSERT_EQ(std::system((std::string(HOE_SCAN_KEYS) + " " + Dir.Str() + " " + Output + " " +
                         Dir.File("Unit.cpp"))
                            .c_str()),
            0);
  std::ifstream In(Output);
  const std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  for (const char* Expected :
       {"{\"Score:\", \"Unit.cpp\", 2}", "{\"Raw key\", \"Unit.cpp\", 5}",
        "{\"Two$Keys\", \"Unit.cpp\", 6}", "{\"Quoted\", \"Unit.cpp\", 8}"}) {
    EXPECT_NE(Text.find(Expected), std::string::npos) << Expected << "\n" << Text;
  }
  for (const char* Absent : {"Commented", "Block", "ENTER", "quoted"}) {
    EXPECT_EQ(Text.find(Absent), std::string::npos) << Absent << "\n" << Text;
  }
}
