// The application frame: the product information and the chain of plug-ins that every input
// call and every frame passes along, built from the command line.
#pragma once

#include "app/UGAppInfo.h"
#include "app/UGAppParams.h"
#include "object/UGClass.h"

#include <memory>
#include <string>
#include <vector>

class TGAppPlugin;

// The switches of a command line.
struct TGCommandLine {
  TGAppParams Params;
  TGWorkMode Mode = mRun;
  std::string FileName; // the recording named by "-file", as given
};

class TGAppFramework {
public:
  // One frame per process: a second raises the generic error. Seeds the program's random
  // generator from the clock.
  explicit TGAppFramework(const std::string& BaseFolder = ExecutableFolder());
  ~TGAppFramework();
  TGAppFramework(const TGAppFramework&) = delete;
  TGAppFramework& operator=(const TGAppFramework&) = delete;

  TGAppInfo& AppInfo() { return *FAppInfo; }
  const std::vector<TGAppPlugin*>& Plugins() const { return FPlugins; }
  TGWorkMode Mode() const { return FMode; }

  // Reads the switches ("-nosound", "-p", "-r", "-t", "-file" name, "-url" script; case ignored,
  // the last mode wins, anything else ignored), builds the chain for the mode and initialises it.
  void InitFromCommandLine(const TGAppParams& Params, const std::vector<std::string>& Args);
  static TGCommandLine ParseCommandLine(const TGAppParams& Params,
                                        const std::vector<std::string>& Args);
  // "AppParams.Control must be specified" and the like, for the first missing parameter.
  static void CheckAppParams(const TGAppParams& Params);

  void AddPlugin(TGAppPlugin* Plugin);
  // The first plug-in of that class or a subclass.
  TGAppPlugin* FindPlugin(TGClass Class) const;
  void InitializePlugins();
  void FinalizePlugins();

  void InitRun(const TGAppParams& Params);
  void InitPlaytest(const TGAppParams& Params);
  void InitRecording(const TGAppParams& Params, const std::string& FileName);
  void InitPlayback(const TGAppParams& Params, const std::string& FileName);
  // "<recordings>/yyyy-mm-dd hh.nn.ss.rec" for now.
  std::string NewRecFile();
  // The newest "*.rec" of the recordings folder, or "".
  std::string LatestRecFile();

private:
  void AddApplication(const TGAppParams& Params);

  std::unique_ptr<TGAppInfo> FAppInfo;
  std::vector<TGAppPlugin*> FPlugins; // owned, in chain order
  TGWorkMode FMode = mRun;
  bool FInitialized = false;
};

// The program's frame; set by its constructor.
extern TGAppFramework* AppFramework;
