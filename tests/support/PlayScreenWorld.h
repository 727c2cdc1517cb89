// The play screen over a demo location, headless, for benchmarks: the engine's classes, the
// demo content, the game framework, a blank profile in a scratch folder that goes with the
// object, and a frame as the application runs it.
#pragma once

#include "HeadlessScreen.h"
#include "Screens/UGameScreen.h"
#include "TestWindowHost.h"
#include "app/UGClassTables.h"
#include "graphics/UGGraphicsDevice.h"
#include "inventory/UInventory.h"
#include "io/UGNativeFileSystem.h"
#include "locations/UGameFramework.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptProcessor.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

class TPlayScreenWorld {
public:
  static constexpr float CFrame = 1.0f / 90;

  // RegisterClasses runs once the framework is up, before the location loads (the game's own
  // location classes).
  TPlayScreenWorld(const std::string& Content, const std::string& LocationURL,
                   const std::function<void()>& RegisterClasses = {}) {
    RegisterEngineClasses();
    Scripts.reset(New<TScriptProcessor>(nullptr));
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, Content), nullptr, rdtCommon, 0);
    SetMainResourceLibrary(Library.get());
    Framework = std::make_unique<TGameFrameworkScope>();
    if (RegisterClasses) {
      RegisterClasses();
    }
    Profiles = std::filesystem::temp_directory_path() /
               ("hoe-bench-" + std::to_string(::getpid()) + "-" + LocationURL);
    std::filesystem::create_directories(Profiles);
    Player.reset(TPlayer::CreateBlank(nullptr, "Bench", Profiles.string()));
    Player->BriefInfo()->LocationURL = LocationURL;
    Host.Mouse = {400, 300};
    Screen.reset(New<TGameScreen>(nullptr));
    Host.Top = Screen.get();
    Screen->InitGameScripts();
    Player->InitGameScripts();
    Player->Inventory()->InitGameScripts();
  }
  ~TPlayScreenWorld() {
    Screen.reset();
    Player.reset();
    Framework.reset();
    SetMainResourceLibrary(nullptr);
    Library.reset();
    Scripts.reset();
    std::error_code Ignored;
    std::filesystem::remove_all(Profiles, Ignored);
  }
  TPlayScreenWorld(const TPlayScreenWorld&) = delete;
  TPlayScreenWorld& operator=(const TPlayScreenWorld&) = delete;

  // The screen drawn with the state of the last update, then updated.
  void Frame() {
    GD->BeginScene();
    GD->Erase(0);
    Screen->DrawTree();
    GD->EndScene();
    Screen->UpdateTree(CFrame);
    GD->Present();
  }

  THeadlessScreen Display{CScreenWidth, CScreenHeight}; // first: the device outlives the rest
  TTestWindowHost Host;
  std::filesystem::path Profiles;
  TGObjectPtr<TScriptProcessor> Scripts;
  TGObjectPtr<TGResourceLibrary> Library;
  std::unique_ptr<TGameFrameworkScope> Framework;
  TGObjectPtr<TPlayer> Player;
  TGObjectPtr<TGameScreen> Screen;
};
