// The start-up parameters of the application.
#pragma once

#include "resources/UGAbstractStartupLog.h"

#include <cstdint>
#include <string>

class THostWindow;
class TGApp;
struct TGAppParams;

// Makes the application object; the game gives its own subclass.
using TGAppClass = TGApp* (*)(const TGAppParams& Params);

struct TGAppParams {
  THostWindow* Control = nullptr; // receives input and hosts the device
  int32_t Width = 0;              // logical back-buffer size; 0: the control's client size
  int32_t Height = 0;
  bool NoSound = false;
  bool MultiSampling = false;
  std::string ResourcesLocation; // an archive file or a folder
  std::string PlaytestScriptURL;
  TGAbstractStartupLog* StartupLog = nullptr;
  int64_t NeedsDiskSpace = 0;
  bool NoPreload = false;
  bool NoCache = false;
  bool ResourceStatistics = false;
  bool VSync = false;
  bool MultiThreaded = false;
  bool SoftUpdate = false;
  bool LockMouseIfIncative = false;
  int32_t AnimatedParticlesPoolSize = 0;
  bool TestAnimationsComplication = false;
  TGAppClass AppClass = nullptr;
};

// The application class of the parameters, TGApp when none is given.
TGAppClass GetAppClass(const TGAppParams& Params);

enum TGWorkMode { mRun = 0, mPlayBack = 1, mRecord = 2, mPlayTest = 3 };
