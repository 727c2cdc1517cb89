// The surroundings of a program for tests of the application: a scratch program folder with its
// VersionInfo.xml, the player's data folder below it ($XDG_DATA_HOME), and, made when first
// asked for, the message loop, a headless host window (800 × 600) and the application frame.
// They go in the reverse order: the frame, the loop (which lets go of the window), the window,
// the folder.
#pragma once

#include "TempDir.h"
#include "app/UGAppFramework.h"
#include "app/UGApplication.h"
#include "platform/UHostWindow.h"

#include <memory>
#include <string>

class TTestProgram {
public:
  explicit TTestProgram(const std::string& ProductName, const std::string& Version = "1.0.0.1");
  ~TTestProgram();
  TTestProgram(const TTestProgram&) = delete;
  TTestProgram& operator=(const TTestProgram&) = delete;

  // The program's folder (VersionInfo.xml, content), as a string and as a path below it.
  const std::string& Folder() const { return FFolderName; }
  std::string File(const std::string& Name) const { return FFolder.File(Name); }

  TGApplication& Loop();
  // Shown by the loop as its main window.
  THostWindow& Window();
  TGAppFramework& Frame();
  // A new frame in place of the old one (one frame lives at a time).
  TGAppFramework& NewFrame();

private:
  TTempDir FFolder;
  std::string FFolderName;
  std::unique_ptr<THostWindow> FWindow;
  std::unique_ptr<TGApplication> FLoop;
  std::unique_ptr<TGAppFramework> FFrame;
};
