// A location's flow control: named channels of flow states that run side by side. The channel
// "Main" carries the player's interaction; others carry what runs alongside (a caption fading
// out while play goes on). The whole control is saved with its location, so an interrupted
// sequence carries on where it stood.
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>
#include <vector>

class TBaseFlowChannel;
class TBaseLocation;
class TFlowChannel;
class TGXMLNode;

class TBaseFlowControl : public TGObject {
  G_CLASS(TBaseFlowControl, TGObject)
  // Makes the main channel (call AfterConstruction first when made by class).
  explicit TBaseFlowControl(TBaseLocation* AOwner = nullptr);
  void AfterConstruction() override;

  TBaseLocation* Owner() const { return FOwner; }
  // Name to channel, sorted, case ignored.
  const TGFastStringList& Channels() const { return FChannels; }
  int Count() const { return FChannels.Count(); }
  TBaseFlowChannel* MainChannel() const { return FMainChannel; }

  // Adds under a name not taken yet (the string list's duplicate error otherwise).
  void AddChannel(const std::string& Name, TBaseFlowChannel* Channel);
  // A new channel under the name, unless one exists.
  void RegisterChannel(const std::string& Name);
  // Drops the channel's states without finishing them and frees it; nothing for an unknown
  // name. While the channels run, the channel stops at once and is freed after the round.
  void UnregisterChannel(const std::string& Name);
  // The string list's index error for an unknown name.
  TBaseFlowChannel* Channel(const std::string& Name) const;
  // Frees every channel (after the round, while the channels run), then makes a new main
  // channel when asked.
  void Clear(bool CreateMainChannel);
  // Every channel in the list's order, milliseconds.
  void Update(int32_t Interval);

  // Replaces the channels by the saved ones: "Main" (in any case) becomes the main channel,
  // and a save without one gets a new one. A faulty save leaves the control as it was.
  void LoadFromXML(const TGXMLNode* Node);
  TGXMLNode* SaveToXML() const;

  static void Publish(TGClassBuilder<TBaseFlowControl>& B);

protected:
  virtual TBaseFlowChannel* CreateChannel();
  void Destroy() override;

private:
  // Takes every channel out of the list; frees them now or after the running round.
  void ReleaseChannels();
  void Retire(TBaseFlowChannel* Channel);
  void FreeRetired();

  TBaseLocation* FOwner;
  TGFastStringList FChannels;
  TBaseFlowChannel* FMainChannel = nullptr;
  bool FUpdating = false;
  std::vector<TBaseFlowChannel*> FRetired; // out of the list, freed after the round
};

class TFlowControl : public TBaseFlowControl {
  G_CLASS(TFlowControl, TBaseFlowControl)
  explicit TFlowControl(TBaseLocation* AOwner = nullptr);

  TFlowChannel* MainChannel() const;
  TFlowChannel* Channel(const std::string& Name) const;

  static void Publish(TGClassBuilder<TFlowControl>& B);

protected:
  TBaseFlowChannel* CreateChannel() override;
};
