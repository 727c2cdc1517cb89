#include "TestProgram.h"

#include "HeadlessScreen.h"
#include "io/UGFileUtils.h"

#include <cstdlib>

TTestProgram::TTestProgram(const std::string& ProductName, const std::string& Version)
    : FFolder("hoe-program")
    , FFolderName(FFolder.Str()) {
  WriteFile(File("VersionInfo.xml"), "<VersionInfo CompanyName='Test Works' ProductName='" +
                                         ProductName + "' ProductVersion='" + Version + "'/>");
  ::setenv("XDG_DATA_HOME", File("data").c_str(), 1);
  ::setenv("HOE_NO_MESSAGE_BOXES", "1", 1);
}

TTestProgram::~TTestProgram() {
  FFrame.reset();
  FLoop.reset();
  FWindow.reset();
}

TGApplication& TTestProgram::Loop() {
  if (!FLoop) {
    FLoop = std::make_unique<TGApplication>();
    if (FWindow) {
      FLoop->SetMainWindow(FWindow.get());
    }
  }
  return *FLoop;
}

THostWindow& TTestProgram::Window() {
  if (!FWindow) {
    FWindow = MakeHeadlessWindow(800, 600, "test program");
    Loop().SetMainWindow(FWindow.get());
  }
  return *FWindow;
}

TGAppFramework& TTestProgram::Frame() {
  return FFrame ? *FFrame : NewFrame();
}

TGAppFramework& TTestProgram::NewFrame() {
  FFrame.reset();
  FFrame = std::make_unique<TGAppFramework>(FFolderName);
  return *FFrame;
}
