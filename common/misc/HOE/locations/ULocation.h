// The hidden-object location: the base location with what the game's rules read from the
// file (hint, solve and hot-spot hooks, the avatar, briefings, the master object, the time
// spent) and the rules' own elements (goals, atmosphere objects, music tracks, resources to
// preload, location events), which it keeps as they were read until the rules take them over.
#pragma once

#include "locations/UBaseLocation.h"

#include <string>
#include <vector>

class TLocation : public TBaseLocation {
  G_CLASS(TLocation, TBaseLocation)
  explicit TLocation(TGObject* AOwner = nullptr);

  std::string OnHintScript;
  std::string OnSolveScript;
  std::string OnFirstActivateScript;
  std::string OnMusicHandler;
  std::string OnHotSpotScript;
  bool SolveVisible = false;
  bool KeepToolsOpened = false;
  bool KeepToolsClosed = false;
  std::string CannotCarryMsg;
  std::string LoopedSfx;
  std::string GameAvatar;
  std::string BlackScreenBriefingText;
  std::string PDABriefingText;
  std::string PDABriefingAvatar;
  bool PuzzleHintShown = false;
  bool ScannerUsed = false;
  bool HintUsed = false;
  int32_t TakenZephrinCount = 0;
  float TimeOnLocation = 0;

  const std::string& MasterObject() const { return FMasterObject; }
  void SetMasterObject(std::string_view Value) { FMasterObject = Value; }

  // Queues the common game state.
  void FillMainChannel() override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;
  void AssignTo(TGObject* Dest) const override;
  // The developer key F6 (cheats on); nothing here.
  virtual void KeyDown_F6() {}

  static void Publish(TGClassBuilder<TLocation>& B);

  // Briefing texts are stored with "&", CR and LF written as "&amp;", "&cr;" and "&lf;".
  static std::string EncodeText(std::string_view Text);
  static std::string DecodeText(std::string_view Text);

protected:
  void Destroy() override;

private:
  void FreeKept();

  std::string FMasterObject;
  // The rules' elements, in the order they are written, as read.
  std::vector<TGXMLNode*> FKeptElements; // owned
};
