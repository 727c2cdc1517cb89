#include "PlayScript.h"

#include "ProgramRunner.h"
#include "TempDir.h"
#include "app/UGAppInfo.h"
#include "app/replay/UGAppRecorder.h"
#include "base/UGStrUtils.h"
#include "io/UGNativeFileSystem.h"
#include "io/UGStream.h"
#include "math/UGMathTypes.h"
#include "platform/UKeyCodes.h"
#include "sfs/USFSFolderArchive.h"
#include "xml/UGXMLNode.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// The file of URL in the content folder: below the category folder of its kind ("win\\",
// "loc\\"), or from the root when the URL names the category itself. Names are found as the
// engine finds them: '\' separates, case does not matter when the exact name is missing.
TGObjectPtr<TGXMLNode> ReadContentXML(const std::string& ContentFolder, const std::string& URL,
                                      const std::string& Category, const char* Root) {
  TGObjectPtr<TGNativeFileSystem> Content(new TGNativeFileSystem(nullptr, ContentFolder));
  std::string Path = Category + "\\" + URL;
  if (!Content->FileExists(Path)) {
    Path = URL;
  }
  if (!Content->FileExists(Path)) {
    throw std::runtime_error("\"" + URL + "\" is not in " + ContentFolder + "/" + Category);
  }
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode(Root));
  try {
    Node->LoadFromString(Content->CreateStream(Path, fmOpenRead)->ReadAll());
  } catch (const std::exception& E) {
    throw std::runtime_error("\"" + URL + "\" cannot be read: " + E.what());
  }
  return Node;
}

// The pixel that holds a point; a point a rounding error short of a pixel's edge (a turned
// centre) counts as on it.
TScreenPoint PixelOf(float X, float Y) {
  constexpr float Slack = 0.001f;
  return TScreenPoint{static_cast<int>(std::floor(X + Slack)),
                      static_cast<int>(std::floor(Y + Slack))};
}

void CheckButton(int Button) {
  if (Button < 0 || Button > 2) {
    throw std::invalid_argument("Mouse buttons are 0 (left), 1 (right) and 2 (middle), not " +
                                std::to_string(Button));
  }
}

} // namespace

TScreenPoint WidgetCentre(const std::string& ContentFolder, const std::string& WinURL,
                          const std::string& Path) {
  TGObjectPtr<TGXMLNode> Root = ReadContentXML(ContentFolder, WinURL, "win", "Widget");
  std::vector<std::string> Names;
  SplitString(Path, '\\', Names);
  const TGXMLNode* Node = Root.get();
  float Left = Node->GetFloatAttrDef("Left", 0), Top = Node->GetFloatAttrDef("Top", 0);
  for (const std::string& Name : Names) {
    const TGXMLNode* Found = nullptr;
    for (const TGXMLNode* Child : *Node->GetChilds("Widget")) {
      if (SameText(Child->GetStrAttrDef("Name", ""), Name)) {
        Found = Child;
        break;
      }
    }
    if (!Found || Name.empty()) {
      throw std::runtime_error("Widget \"" + Path + "\" not found in \"" + WinURL + "\"");
    }
    Node = Found;
    Left += Node->GetFloatAttrDef("Left", 0);
    Top += Node->GetFloatAttrDef("Top", 0);
  }
  return PixelOf(Left + Node->GetFloatAttrDef("Width", 0) / 2,
                 Top + Node->GetFloatAttrDef("Height", 0) / 2);
}

TScreenPoint ObjectCentre(const std::string& ContentFolder, const std::string& LocURL,
                          const std::string& ID) {
  TGObjectPtr<TGXMLNode> Root = ReadContentXML(ContentFolder, LocURL, "loc", "Location");
  for (const TGXMLNode* O : *Root->GetChilds("Object")) {
    if (!SameText(O->GetStrAttrDef("ID", ""), ID)) {
      continue;
    }
    try {
      const float L = O->GetFloatAttr("Left"), T = O->GetFloatAttr("Top");
      const float W = O->GetFloatAttr("Width"), H = O->GetFloatAttr("Height");
      // Turned as the location turns the object's picture: about the pivot, by the angle.
      const TGFlatVector Pivot{L + W * O->GetFloatAttrDef("PivotX", 0),
                               T + H * O->GetFloatAttrDef("PivotY", 0)};
      const TGMatrix M = MatAffineTransform2D(Pivot, TGFlatVector{1, 1}, TGFlatVector{0, 0},
                                              O->GetFloatAttrDef("Angle", 0));
      const TGVector C = VecTransform(TGVector{L + W / 2, T + H / 2, 0}, M);
      return PixelOf(C.X, C.Y);
    } catch (const std::exception& E) {
      throw std::runtime_error("Object \"" + ID + "\" of \"" + LocURL + "\": " + E.what());
    }
  }
  throw std::runtime_error("Object \"" + ID + "\" not found in \"" + LocURL + "\"");
}

// --- The script ----------------------------------------------------------------------------------

TPlayScript::TPlayScript(std::string AContentFolder)
    : FContentFolder(std::move(AContentFolder))
    , FStartTime(EncodeDateTime(2024, 6, 1, 18, 0, 0)) {}

TPlayScript& TPlayScript::StartFrom(const std::string& DataFolder) {
  FStartFolder = DataFolder;
  return *this;
}

TPlayScript& TPlayScript::Seed(uint32_t Value) {
  FSeed = Value;
  return *this;
}

TPlayScript& TPlayScript::StartTime(TGDateTime Value) {
  FStartTime = Value;
  return *this;
}

int64_t TPlayScript::Milliseconds() const {
  // As the frame timer counts: the game time accumulated, in whole milliseconds.
  return std::llround(double(FFrames) * 1000.0 / CFramesPerSecond);
}

TPlayScript& TPlayScript::Frames(int Count) {
  for (int I = 0; I < Count; ++I) {
    ++FFrames;
    FSteps += "Draw " + std::to_string(Milliseconds()) + "\r\n";
  }
  return *this;
}

TPlayScript& TPlayScript::Wait(double Seconds) {
  if (!(Seconds >= 0) || Seconds > 24 * 3600) {
    throw std::invalid_argument("A wait is between 0 and a day long, not " +
                                std::to_string(Seconds) + " s");
  }
  return Frames(static_cast<int>(std::lround(Seconds * CFramesPerSecond)));
}

TPlayScript& TPlayScript::Command(const std::string& Line) {
  if (Line.find_first_of("\r\n") != std::string::npos) {
    throw std::invalid_argument("A recording command is one line");
  }
  FSteps += Line + "\r\n";
  return *this;
}

TPlayScript& TPlayScript::MoveTo(TScreenPoint P) {
  return Command("MouseMove " + std::to_string(P.X) + " " + std::to_string(P.Y)).Frames(1);
}

TPlayScript& TPlayScript::Click(TScreenPoint P, int Button) {
  CheckButton(Button);
  MoveTo(P);
  Command("MouseDown " + std::to_string(Button)).Frames(1);
  return Command("MouseUp " + std::to_string(Button)).Frames(1);
}

TPlayScript& TPlayScript::ClickWidget(const std::string& WinURL, const std::string& Path,
                                      int Button) {
  return Click(WidgetCentre(FContentFolder, WinURL, Path), Button);
}

TPlayScript& TPlayScript::ClickObject(const std::string& LocURL, const std::string& ID,
                                      int Button) {
  return Click(ObjectCentre(FContentFolder, LocURL, ID), Button);
}

TPlayScript& TPlayScript::Type(const std::string& Text) {
  const std::u16string Units = UTF8ToUTF16(Text);
  for (size_t I = 0; I < Units.size(); ++I) {
    char32_t C = Units[I];
    if (C >= 0xD800 && C <= 0xDBFF && I + 1 < Units.size()) {
      C = 0x10000 + ((C - 0xD800) << 10) + (Units[++I] - 0xDC00);
    }
    Command("KeyPress " + std::to_string(uint32_t(C))).Frames(1);
  }
  return *this;
}

TPlayScript& TPlayScript::KeyDown(uint16_t Code) {
  // The recorder keeps a key's low byte: the engine's key codes all fit in it.
  if (Code > 0xFF) {
    throw std::invalid_argument("Key codes are 0 to 255, not " + std::to_string(Code));
  }
  return Command("KeyDown " + std::to_string(Code)).Frames(1);
}

TPlayScript& TPlayScript::KeyUp(uint16_t Code) {
  if (Code > 0xFF) {
    throw std::invalid_argument("Key codes are 0 to 255, not " + std::to_string(Code));
  }
  return Command("KeyUp " + std::to_string(Code)).Frames(1);
}

TPlayScript& TPlayScript::Key(uint16_t Code) {
  KeyDown(Code);
  return KeyUp(Code);
}

std::string TPlayScript::Text() const {
  // The start data travels as the recorder packs it: the folder in an archive, deflated,
  // Base64. A missing folder is refused rather than played as an empty one.
  RegisterFolderArchiver();
  TTempDir Work("hoe-playscript");
  std::string Folder = FStartFolder;
  if (Folder.empty()) {
    Folder = Work.File("Data");
    fs::create_directories(Folder);
  } else if (!fs::is_directory(Folder)) {
    throw std::runtime_error("The start data folder " + Folder + " does not exist");
  }
  std::string Text = "RandSeed " + std::to_string(int32_t(FSeed)) + "\r\n";
  Text += "Data " + CompressFolder(Folder, Work.Str()) + "\r\n";
  Text += "StartTime " + std::to_string(DateTimeAsInt64(FStartTime)) + "\r\n";
  // A program started in front gains the focus before its first frame.
  Text += "AppActivate\r\n";
  return Text + FSteps;
}

// --- Playing -------------------------------------------------------------------------------------

int TPlayResult::FramesRun() const {
  const size_t End = Output.rfind(" frames in ");
  const size_t At = End == std::string::npos ? End : Output.rfind("hoe: ", End);
  return At == std::string::npos ? -1 : std::atoi(Output.c_str() + At + 5);
}

namespace {

std::string Quoted(const std::string& S) {
  std::string Q = "'";
  for (const char C : S) {
    Q += C == '\'' ? std::string("'\\''") : std::string(1, C);
  }
  return Q + "'";
}

} // namespace

TPlayground::TPlayground(const std::string& Program) {
  const fs::path Original = fs::absolute(Program);
  if (!fs::is_regular_file(Original)) {
    throw std::runtime_error("No program at " + Original.string());
  }
  std::string Pattern = (fs::temp_directory_path() / "hoe-play-XXXXXX").string();
  if (!::mkdtemp(Pattern.data())) {
    throw std::runtime_error("cannot make a scratch folder from " + Pattern);
  }
  FScratch = Pattern;
  try {
    FProgramFolder = FScratch + "/program";
    fs::create_directories(FProgramFolder);
    // The program finds its folder through its own path: a hard link (or, across file
    // systems, a copy) makes this folder its folder.
    FProgram = FProgramFolder + "/" + Original.filename().string();
    std::error_code Ec;
    fs::create_hard_link(Original, FProgram, Ec);
    if (Ec) {
      fs::copy_file(Original, FProgram);
    }
    const fs::path From = Original.parent_path();
    // Its configuration is its own, so that flags set here touch no other run.
    if (fs::is_directory(From / "configs")) {
      fs::copy(From / "configs", FProgramFolder + "/configs", fs::copy_options::recursive);
    } else {
      fs::create_directories(FProgramFolder + "/configs");
    }
    for (const char* Name : {"VersionInfo.xml", "Resources.sfs", "Resources", "localization"}) {
      if (fs::exists(From / Name)) {
        fs::create_symlink(fs::canonical(From / Name), FProgramFolder + "/" + Name);
      }
    }
    FXdgDataHome = FScratch + "/data";
    fs::create_directories(FXdgDataHome);
    TGObjectPtr<TGXMLNode> Info(new TGXMLNode("VersionInfo"));
    Info->LoadFromFile(FProgramFolder + "/VersionInfo.xml");
    FAppDataFolder = FXdgDataHome + "/" + Info->GetStrAttr("CompanyName") + "/" +
                     Info->GetStrAttr("ProductName") + "/" +
                     MajorVersionOf(Info->GetStrAttr("ProductVersion"));
    fs::create_directories(RecordingsFolder());
  } catch (...) {
    std::error_code Ignored;
    fs::remove_all(FScratch, Ignored);
    throw;
  }
}

TPlayground::~TPlayground() {
  std::error_code Ignored;
  fs::remove_all(FScratch, Ignored);
}

void TPlayground::SetFlag(const std::string& Name, const std::string& Value) {
  std::ofstream(FProgramFolder + "/configs/" + Name + ".cnf", std::ios::binary) << Value;
}

void TPlayground::ClearFlag(const std::string& Name) {
  std::error_code Ignored;
  fs::remove(FProgramFolder + "/configs/" + Name + ".cnf", Ignored);
}

TPlayResult TPlayground::Play(const TPlayScript& Script, const std::string& FileName,
                              const TPlayOptions& Options) {
  const std::string Text = Script.Text();
  {
    std::ofstream Out(RecordingsFolder() + "/" + FileName, std::ios::binary);
    Out << Text;
    if (!Out.flush()) {
      throw std::runtime_error("Cannot write the recording " + FileName);
    }
  }
  return Replay(FileName, Options);
}

TPlayResult TPlayground::Replay(const std::string& FileName, const TPlayOptions& Options) {
  std::string Arguments;
  if (Options.Frames > 0) {
    Arguments += " --frames " + std::to_string(Options.Frames);
  }
  if (!Options.Screenshot.empty()) {
    Arguments += " --screenshot " + Quoted(Options.Screenshot);
  }
  if (!Options.Resources.empty()) {
    Arguments += " --resources " + Quoted(Options.Resources);
  }
  if (Options.ReplaySpeed != 1) {
    Arguments += " --replay-speed " + std::to_string(Options.ReplaySpeed);
  }
  Arguments += " " + Options.Arguments + " -p -file " + Quoted(FileName);
  // The time limit: a run that goes on live after its recording would never end headless.
  const std::string Limited =
      "timeout -k 5 " + std::to_string(Options.TimeoutSeconds) + " " + Quoted(FProgram);
  TPlayResult Result;
  Result.ExitCode =
      RunProgram(Limited, Arguments, Result.Output, "XDG_DATA_HOME=" + Quoted(FXdgDataHome));
  Result.TimedOut = Result.ExitCode == 124 || Result.ExitCode == 137;
  Result.DataFolder = PlaybackDataFolder();
  Result.ProgramFolder = FProgramFolder;
  return Result;
}

void LeaveTheGameThroughTheJournal(TPlayScript& Script) {
  Script.Key(VK_ESCAPE).Wait(1.5);
  Script.ClickWidget("PDAScreen.win", "Menu\\BtnMenu").Wait(3.0);
}

void QuitNamingAs(TPlayScript& Script, const std::string& Name) {
  Script.ClickWidget("MainMenuScreen.win", "Menu\\Main\\BtnExit").Wait(0.6);
  Script.ClickWidget("MainMenuScreen.win", "Menu\\Confirmation\\BtnYes").Wait(1.0);
  Script.Type(Name).Key(VK_RETURN).Wait(1.5);
}
