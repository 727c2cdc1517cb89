// Scripted play: readable steps (wait, click a widget of a window file, click an object of a
// location file, move the mouse, type, press keys) written as the ".rec" recording the program
// replays with -p, and a playground that replays one on a fresh data folder, with a program
// folder of its own, and says where the run left its files.
//
//   TPlayScript Script(HOE_CONTENT);
//   Script.Wait(0.6).ClickWidget("Demo\\Start.win", "RightPanel\\OpenHarbour").Wait(1);
//   Script.ClickObject("Harbour.loc", "Anchor").Key(VK_ESCAPE).Wait(1);
//   TPlayground Play(HOE_PROGRAM);
//   TPlayResult Run = Play.Play(Script);
//   TGameDataReader Data(Run.DataFolder, Run.ProgramFolder);
#pragma once

#include "base/UGDateTime.h"

#include <cstdint>
#include <string>
#include <vector>

// A point of the screen in the game's logical pixels (what "MouseMove" carries).
struct TScreenPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TScreenPoint&) const = default;
};

// The centre of the widget at Path ("RightPanel\\OpenHarbour": names from the window's root
// down, separated by '\', compared without regard to case, as the engine finds widgets) in the
// window file WinURL ("Demo\\Start.win", below "win\\" of the content folder): the window's
// and every enclosing widget's "Left" and "Top" added, half the widget's size on top, and the
// pixel that holds that point. Raises std::runtime_error naming what is missing.
TScreenPoint WidgetCentre(const std::string& ContentFolder, const std::string& WinURL,
                          const std::string& Path);
// The centre of the object with ID (compared without regard to case) in the location file
// LocURL ("Harbour.loc" or "loc\\Harbour.loc"), where the file places it: its rectangle turned
// by "Angle" degrees about its pivot ("PivotX", "PivotY", fractions of the size from the
// top-left corner), as the location draws and hits it. An object that animations move, or that
// the location places at one of its "GameObjectPosition"s, is aimed at where the file puts it.
TScreenPoint ObjectCentre(const std::string& ContentFolder, const std::string& LocURL,
                          const std::string& ID);

class TPlayScript {
public:
  // The program paces its frames at 90 a second; a script's frames follow the same clock.
  static constexpr int CFramesPerSecond = 90;
  static constexpr uint32_t CDefaultSeed = 20240601;

  // ContentFolder is where window and location files are read from for the centres.
  explicit TPlayScript(std::string AContentFolder);

  // --- What the run starts from --------------------------------------------------------------
  // The player data folder the replay starts from (packed into the recording's "Data" line);
  // none: an empty one, as a first start of the game has.
  TPlayScript& StartFrom(const std::string& DataFolder);
  TPlayScript& Seed(uint32_t Value);
  // The date the run reads at its start (the dates it writes are this plus the game time).
  TPlayScript& StartTime(TGDateTime Value);

  // --- Steps ---------------------------------------------------------------------------------
  // Frames of the program's frame time, as many as fill Seconds (rounded to whole frames).
  TPlayScript& Wait(double Seconds);
  TPlayScript& Frames(int Count);
  // The mouse moves there, a frame follows.
  TPlayScript& MoveTo(TScreenPoint P);
  // Moves there, presses and releases (0 left, 1 right, 2 middle), a frame after each.
  TPlayScript& Click(TScreenPoint P, int Button = 0);
  TPlayScript& ClickWidget(const std::string& WinURL, const std::string& Path, int Button = 0);
  TPlayScript& ClickObject(const std::string& LocURL, const std::string& ID, int Button = 0);
  // Every character of the UTF-8 Text as the code point the host hands the game ("KeyPress"),
  // a frame after each.
  TPlayScript& Type(const std::string& Text);
  // A key of the engine's key codes (VK_ESCAPE, 'A'...) pressed and released, a frame after
  // each; KeyDown and KeyUp hold and release it.
  TPlayScript& Key(uint16_t Code);
  TPlayScript& KeyDown(uint16_t Code);
  TPlayScript& KeyUp(uint16_t Code);
  // Any other line of a recording ("MouseWheelUp", "DblClick", "AppDeactivate"), as it is.
  TPlayScript& Command(const std::string& Line);

  // --- The script ----------------------------------------------------------------------------
  int FrameCount() const { return FFrames; }
  // The game time of the last frame, in milliseconds.
  int64_t Milliseconds() const;
  double Seconds() const { return double(FFrames) / CFramesPerSecond; }
  // The steps as recording lines (CR LF each), without the start.
  const std::string& Steps() const { return FSteps; }
  // The whole recording: "RandSeed", "Data" with the packed start folder, "StartTime", the
  // activation a started program receives, then the steps.
  std::string Text() const;
  const std::string& ContentFolder() const { return FContentFolder; }

private:
  std::string FContentFolder;
  std::string FStartFolder;
  uint32_t FSeed = CDefaultSeed;
  TGDateTime FStartTime;
  std::string FSteps;
  int FFrames = 0;
};

// What a replay gave.
struct TPlayResult {
  int ExitCode = -1;
  // The run outlived its time limit and was killed (a script that leaves the program running
  // once the recording has ended, as live input then takes over).
  bool TimedOut = false;
  // Standard output and error together.
  std::string Output;
  // The data folder the replay played in ("PlaybackData"): profiles, "HighScores.xml".
  std::string DataFolder;
  // The program's folder, its working folder while it runs: "Alerts.txt", "ObjectList.htm".
  std::string ProgramFolder;
  // The frames the run reported at its end ("hoe: N frames in ..."), or -1.
  int FramesRun() const;
  bool Contains(const std::string& Text) const { return Output.find(Text) != std::string::npos; }
};

struct TPlayOptions {
  int Frames = 0;         // --frames (0: none; the start screen counts only its own frames)
  std::string Screenshot; // --screenshot FILE
  std::string Resources;  // --resources PATH (none: the packed content beside the program)
  std::string Arguments;  // more switches, as on a command line
  // --replay-speed: the game's time comes from the recording, so a replay may run faster than
  // it was recorded (as fast as the frames are drawn) and still play the same frames.
  int ReplaySpeed = 8;
  int TimeoutSeconds = 180;
};

// The game's own ways out, as a player takes them.
// Esc in the game opens the journal, whose main-menu button leaves the game (saving it); the
// main menu fades in.
void LeaveTheGameThroughTheJournal(TPlayScript& Script);
// Exit and Yes in the main menu; a played default profile is asked for its name first: Name is
// typed after its own, and Enter keeps it.
void QuitNamingAs(TPlayScript& Script, const std::string& Name);

// A fresh place to play: XDG_DATA_HOME in a new scratch folder, and a program folder of its
// own (the program linked or copied, its configuration copied, the rest beside it linked), so
// that what the program writes into its folder and the developer flags set here belong to
// this playground alone. Everything goes with the object.
class TPlayground {
public:
  explicit TPlayground(const std::string& Program);
  ~TPlayground();
  TPlayground(const TPlayground&) = delete;
  TPlayground& operator=(const TPlayground&) = delete;

  const std::string& ProgramFolder() const { return FProgramFolder; }
  // The program's link in ProgramFolder, and the XDG_DATA_HOME its runs get, for runs of its
  // own beside Play and Replay.
  const std::string& Program() const { return FProgram; }
  const std::string& XdgDataHome() const { return FXdgDataHome; }
  // $XDG_DATA_HOME/<company>/<product>/<major version>, from "VersionInfo.xml".
  const std::string& AppDataFolder() const { return FAppDataFolder; }
  std::string RecordingsFolder() const { return FAppDataFolder + "/Recordings"; }
  // Where a replay plays: the recording's start data is unpacked there anew every time.
  std::string PlaybackDataFolder() const { return FAppDataFolder + "/PlaybackData"; }

  // A developer flag: "configs/<Name>.cnf" beside the program holding Value ("StartLoc" with
  // "Lighthouse.loc"); ClearFlag removes it.
  void SetFlag(const std::string& Name, const std::string& Value = "");
  void ClearFlag(const std::string& Name);

  // Writes the script into "Recordings" as FileName and replays it headless with
  // "-p -file FileName".
  TPlayResult Play(const TPlayScript& Script, const std::string& FileName = "script.rec",
                   const TPlayOptions& Options = {});
  // Replays a recording already in "Recordings".
  TPlayResult Replay(const std::string& FileName, const TPlayOptions& Options = {});

private:
  std::string FScratch;
  std::string FProgram;
  std::string FProgramFolder;
  std::string FXdgDataHome;
  std::string FAppDataFolder;
};
