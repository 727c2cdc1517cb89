// What the location, object and flow tests share: a scratch content folder (pictures, location
// files, configuration) read by a resource library that is the program's, the script engine,
// the framework's class tables and collections, a player, and a play screen that records what
// it is asked to do.
#pragma once

#include "TempDir.h"
#include "app/UGClassTables.h"
#include "flow/UPlayScreen.h"
#include "graphics/UGBitmap.h"
#include "io/UGNativeFileSystem.h"
#include "locations/UBaseLocation.h"
#include "locations/UGameFramework.h"
#include "locations/ULocationLoader.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptProcessor.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

// The play screen's side of picking, cursors and speech, as a list of what was asked.
class TRecordingPlayScreen : public IPlayScreen {
public:
  std::vector<std::string> Calls;
  bool RefuseFlights = false;
  int Hints = 0;
  bool Speaking = false;
  std::vector<std::pair<TGameObject*, TFlightFinishEvent>> Flights;

  void ShowGameInterface() override { Calls.push_back("ShowGameInterface"); }
  void ResetCursor(bool ReturnToInventory) override {
    Calls.push_back(std::string("ResetCursor ") + (ReturnToInventory ? "true" : "false"));
    if (CurrentPlayer) {
      CurrentPlayer->SetCursor(nullptr);
    }
  }
  void AssignToCursor(TGameObject* AObject) override {
    Calls.push_back("AssignToCursor " + AObject->ID());
    if (CurrentPlayer) {
      CurrentPlayer->SetCursor(AObject);
    }
  }
  // Counts the taking when the flight starts, as the screen does.
  bool FlyToInventoryEx(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) override {
    Calls.push_back("Fly " + AObject->ID());
    if (RefuseFlights) {
      return false;
    }
    AObject->SetTakingCount(AObject->TakingCount() + 1);
    Flights.emplace_back(AObject, AOnFinish);
    return true;
  }
  void MoveToInventory(TGameObject* AObject) override {
    AObject->SetTakingCount(AObject->TakingCount() + 1);
    Calls.push_back("MoveToInventory " + AObject->ID());
  }
  bool PushFlight(TGameObject* AObject, const TFlightFinishEvent& AOnFinish) override {
    Calls.push_back("Push " + AObject->ID());
    Flights.emplace_back(AObject, AOnFinish);
    return true;
  }
  bool IsFlying(const TGameObject* AObject) const override {
    for (const auto& F : Flights) {
      if (F.first == AObject) {
        return true;
      }
    }
    return false;
  }
  // Lands every flight, calling its finish.
  void LandAll() {
    auto Landing = std::move(Flights);
    Flights.clear();
    for (auto& [Obj, Finish] : Landing) {
      if (Finish) {
        Finish(Obj);
      }
    }
  }
  void GameObjectMouseDown(TGameObject* AObject, int Button) override {
    Calls.push_back("Click " + AObject->ID() + " " + std::to_string(Button));
  }
  int HintCount() const override { return Hints; }
  void SetHintCount(int Value) override { Hints = Value; }
  void Say(const std::string& Position, const std::string& Text,
           const std::string& Script) override {
    Calls.push_back("Say " + Position + ": " + Text + (Script.empty() ? "" : " / " + Script));
  }
  bool SpeechPending() const override { return Speaking; }
  void UpdateCurrentItemsPage(bool AutoIncPageIndex, bool AWaitEffect) override {
    Calls.push_back(std::string("NextPage ") + (AutoIncPageIndex ? "1" : "0") +
                    (AWaitEffect ? "1" : "0"));
  }
  bool IsUnloading() const override { return false; }
  void QueueAnimation(const std::string& URL) override { Calls.push_back("Queue " + URL); }
  TFadeWindow* Window() override { return nullptr; }
  TMusicManager* MusicManager() override { return Music; }
  void ResetScanner() override { Calls.push_back("ResetScanner"); }
  void ClearAnimationsQueue() override { Calls.push_back("ClearAnimationsQueue"); }
  void HintObject(TGameObject* AObject) override { Calls.push_back("Hint " + AObject->ID()); }
  void SetAvatarHappy(float Seconds) override {
    Calls.push_back("Happy " + std::to_string(static_cast<int>(Seconds)));
  }
  std::string CursorGraphicURL() const override { return CursorGraphic; }
  TGFlatVector CursorPosition() const override { return Mouse; }

  TMusicManager* Music = nullptr;
  std::string CursorGraphic;
  TGFlatVector Mouse{};
};

class TLocationWorld {
public:
  TLocationWorld()
      : FFolder("hoe-locations") {
    for (const char* Sub : {"gfx", "loc", "cfg"}) {
      std::filesystem::create_directories(FFolder.Path() / Sub);
    }
  }
  ~TLocationWorld() { Stop(); }

  // A w × h picture of one colour under gfx\ (a clear hole in the top-left quarter when asked).
  void Picture(const std::string& Name, int W, int H, uint32_t Color, bool Hole = false) {
    TGObjectPtr<TGBitmap> B(new TGBitmap(nullptr));
    B->SetSize(W, H);
    for (int Y = 0; Y < H; ++Y) {
      for (int X = 0; X < W; ++X) {
        bool Clear = Hole && X < W / 2 && Y < H / 2;
        B->SetPixel(X, Y, TGColor(Clear ? 0 : Color));
      }
    }
    B->SaveToFile(FFolder.File("gfx/" + Name));
  }
  void File(const std::string& Path, const std::string& Text) {
    std::filesystem::create_directories((FFolder.Path() / Path).parent_path());
    std::ofstream(FFolder.Path() / Path, std::ios::binary) << Text;
  }

  // The engine after the files are written: library, scripts, framework, player, screen. The
  // library reads ContentFolder when one is given (the demo content), else the scratch folder.
  void Start(const std::string& ContentFolder = "", bool WithPlayer = true) {
    RegisterEngineClasses();
    TScriptProcessor::SetErrorReporter(
        [this](const std::string&, const std::string& Text) { ScriptErrors.push_back(Text); });
    Scripts.reset(New<TScriptProcessor>(nullptr));
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(
        new TGNativeFileSystem(nullptr, ContentFolder.empty() ? FFolder.Str() : ContentFolder),
        nullptr, rdtCommon, 0);
    SetMainResourceLibrary(Library.get());
    Framework = std::make_unique<TGameFrameworkScope>();
    if (WithPlayer) {
      Player.reset(new TPlayer(nullptr));
    }
    SetPlayScreen(&Screen);
  }
  void Stop() {
    SetPlayScreen(nullptr);
    for (TBaseLocation* L : FLocations) {
      FreeLoadedLocation(L);
    }
    FLocations.clear();
    Player.reset();
    Framework.reset();
    if (Library) {
      SetMainResourceLibrary(nullptr);
      Library.reset();
    }
    Scripts.reset();
    TScriptProcessor::SetErrorReporter(nullptr);
  }

  // A location from XML, loaded as a profile does (objects in the collector and the scripts).
  TBaseLocation* Load(const std::string& XML, const std::string& URL = "Test.loc") {
    TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Location"));
    Root->LoadFromString(XML);
    TBaseLocation* L = LoadLocationFromXML(Library.get(), Root.get(), URL, nullptr, true);
    FLocations.push_back(L);
    return L;
  }
  // Makes the location current and activates it.
  void Enter(TBaseLocation* L) {
    Player->SetCurrentLocation(L);
    L->Activate();
  }
  TGVariant Eval(const std::string& Code) {
    TGVariant R;
    Scripts->Eval(Code, R);
    return R;
  }
  TGameObject* Obj(const std::string& ID) { return GameObjectCollector->GetByIDReadOnly(ID); }
  const TTempDir& Folder() const { return FFolder; }

  TRecordingPlayScreen Screen;
  std::vector<std::string> ScriptErrors;
  TGObjectPtr<TScriptProcessor> Scripts;
  TGObjectPtr<TGResourceLibrary> Library;
  std::unique_ptr<TGameFrameworkScope> Framework;
  TGObjectPtr<TPlayer> Player;

private:
  TTempDir FFolder;
  std::vector<TBaseLocation*> FLocations;
};
