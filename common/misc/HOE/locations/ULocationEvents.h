// Location events: short named sequences (start some music, wait, play a sound) that a location
// fires by name, the first visit's "FirstActivate" among them. An event is a queue of event
// states; firing one copies the defined event into the running ones, which the location updates
// until they have run all their steps. Running events are saved with the location, so a sequence
// interrupted by leaving the game resumes when the profile loads again.
#pragma once

#include "object/UGCollection.h"
#include "script/UState.h"

#include <string>
#include <string_view>
#include <vector>

class TGXMLNode;

enum TLocationEventStatePropType { sptInteger = 0, sptText = 1, sptSound = 2, sptBoolean = 3 };

class TLocationEventState : public TState {
  G_CLASS(TLocationEventState, TState)
  // Creating a state queues it on the event (none: an unqueued state).
  explicit TLocationEventState(TGObject* AStateQueue = nullptr);

  // For editing tools: the kind of a property, the kind's display name, whether a dropped
  // resource sets it, and taking the dropped resource's URL.
  virtual TLocationEventStatePropType PropType(std::string_view PropName) const;
  virtual std::string StateName() const = 0;
  virtual bool ReactOnDrop() const { return false; }
  virtual void DropURL(const std::string& URL) { (void)URL; }
  // "Status", then the kind's attributes.
  virtual void LoadFromXML(const TGXMLNode* Node);
  // A new "EventState" element.
  virtual TGXMLNode* SaveToXML() const;

  // Appends the class to the registry of event-state classes.
  static void RegisterClass(TGClass AClass);

protected:
  // Whether the resource of the URL is a sound or music.
  static bool IsAudio(const std::string& URL);
};

// Starts event music on the play screen's music manager and finishes at once.
class TLocationMusicEventState : public TLocationEventState {
  G_CLASS(TLocationMusicEventState, TLocationEventState)
  explicit TLocationMusicEventState(TGObject* AStateQueue = nullptr)
      : TLocationEventState(AStateQueue) {}

  std::string MusicURL;
  int32_t FadeTime = 100;

  TLocationEventStatePropType PropType(std::string_view PropName) const override;
  std::string StateName() const override { return "Music"; }
  bool ReactOnDrop() const override { return true; }
  void DropURL(const std::string& URL) override;
  void Initialize() override;
  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;
};

// Waits the given milliseconds.
class TLocationPauseEventState : public TLocationEventState {
  G_CLASS(TLocationPauseEventState, TLocationEventState)
  explicit TLocationPauseEventState(TGObject* AStateQueue = nullptr)
      : TLocationEventState(AStateQueue) {}

  // Counts down.
  int32_t Interval = 0;

  TLocationEventStatePropType PropType(std::string_view PropName) const override;
  std::string StateName() const override { return "Pause"; }
  void Initialize() override;
  void Update(int32_t AInterval) override;
  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;
};

// Plays a sound once. It never finishes: whatever follows it in its event does not run.
class TLocationSoundEventState : public TLocationEventState {
  G_CLASS(TLocationSoundEventState, TLocationEventState)
  explicit TLocationSoundEventState(TGObject* AStateQueue = nullptr)
      : TLocationEventState(AStateQueue) {}

  std::string SfxURL;

  TLocationEventStatePropType PropType(std::string_view PropName) const override;
  std::string StateName() const override { return "Sound"; }
  bool ReactOnDrop() const override { return true; }
  void DropURL(const std::string& URL) override;
  void Initialize() override;
  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;
};

// The event-state classes that files name, in registration order.
class TLocationEventRegistry {
public:
  void Add(TGClass AClass) { FItems.push_back(AClass); }
  int Count() const { return static_cast<int>(FItems.size()); }
  // The class of exactly that name: "Wrong LocationEventState class name: %s" otherwise.
  TGClass Items(std::string_view Name) const;
  TGClass ItemsByIndex(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  void Clear() { FItems.clear(); }

private:
  std::vector<TGClass> FItems;
};

TLocationEventRegistry& LocationEventRegistry();

class TLocationEvent : public TStateQueue {
  G_CLASS(TLocationEvent, TStateQueue)
  explicit TLocationEvent(TGObject* AOwner = nullptr)
      : TStateQueue(AOwner) {}

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  // The name and a copy of every state, in order.
  void AssignTo(TGObject* Dest) const override;
  // "Name" and the "EventState" children. A state that cannot be read is left out and
  // reported; the others load.
  void LoadFromXML(const TGXMLNode* Node);
  TGXMLNode* SaveToXML() const;

private:
  std::string FName;
};

// The defined or the running events of a location; the collection owns them.
class TLocationEvents : public TGCollection {
  G_CLASS(TLocationEvents, TGCollection)
  explicit TLocationEvents(TGObject* AOwner = nullptr)
      : TGCollection(AOwner) {}

  TLocationEvent* Event(int Index) const { return static_cast<TLocationEvent*>(GetItem(Index)); }
  // The first event of that name, case ignored; none when there is none.
  TLocationEvent* FindEvent(std::string_view AName) const;
  // A copy of the event appended, owned by the collection.
  TLocationEvent* AddCopy(const TLocationEvent* Event);
  // Every event's queue; an event that has run empty goes.
  void Update(int32_t AInterval);
  void AssignTo(TGObject* Dest) const override;
  // Replaces the events by the "LocationEvent" children of the node (nothing for none).
  void LoadFromXML(const TGXMLNode* Node);
  // A new "Events" element.
  TGXMLNode* SaveToXML() const;
};
