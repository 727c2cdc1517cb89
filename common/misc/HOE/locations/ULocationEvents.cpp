#include "locations/ULocationEvents.h"

#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "flow/UPlayScreen.h"
#include "object/UGClassBuilder.h"
#include "player/UMusicManager.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TLocationEventState)
G_IMPLEMENT_CLASS(TLocationMusicEventState)
G_IMPLEMENT_CLASS(TLocationPauseEventState)
G_IMPLEMENT_CLASS(TLocationSoundEventState)
G_IMPLEMENT_CLASS(TLocationEvent)
G_IMPLEMENT_CLASS(TLocationEvents)

// --- States ------------------------------------------------------------------------------------

TLocationEventState::TLocationEventState(TGObject* AStateQueue)
    : TState(TryObjectCast<TStateQueue>(AStateQueue)) {
  if (AStateQueue && !Owner()) {
    throw Error("An event state belongs to a location event");
  }
}

TLocationEventStatePropType TLocationEventState::PropType(std::string_view PropName) const {
  (void)PropName;
  return sptText;
}

void TLocationEventState::LoadFromXML(const TGXMLNode* Node) {
  int32_t Value = Node->GetIntAttr("Status");
  if (Value < ssUninitialized || Value > ssFinished) {
    throw Error("Invalid state status %d", Value);
  }
  Status = static_cast<TStateStatus>(Value);
}

TGXMLNode* TLocationEventState::SaveToXML() const {
  TGXMLNode* Node = new TGXMLNode("EventState");
  Node->SetStrAttr("ClassName", ClassName());
  Node->SetIntAttr("Status", static_cast<int32_t>(Status));
  return Node;
}

void TLocationEventState::RegisterClass(TGClass AClass) {
  LocationEventRegistry().Add(AClass);
}

bool TLocationEventState::IsAudio(const std::string& URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  try {
    return Library && TryObjectCast<TGAudio>(Library->GetResourceEx(URL, false));
  } catch (const std::exception&) {
    return false;
  }
}

TLocationEventStatePropType TLocationMusicEventState::PropType(std::string_view PropName) const {
  if (PropName == "MusicURL") {
    return sptSound;
  }
  return PropName == "FadeTime" ? sptInteger : sptText;
}

void TLocationMusicEventState::DropURL(const std::string& URL) {
  if (IsAudio(URL)) {
    MusicURL = URL;
  }
}

void TLocationMusicEventState::Initialize() {
  TLocationEventState::Initialize();
  IPlayScreen* Screen = PlayScreen();
  if (TMusicManager* Music = Screen ? Screen->MusicManager() : nullptr) {
    Music->PlayEventMusic(MusicURL, FadeTime);
  }
  Status = ssFinished;
}

void TLocationMusicEventState::AssignTo(TGObject* Dest) const {
  if (auto* D = TryObjectCast<TLocationMusicEventState>(Dest)) {
    D->MusicURL = MusicURL;
    D->FadeTime = FadeTime;
  }
}

void TLocationMusicEventState::LoadFromXML(const TGXMLNode* Node) {
  TLocationEventState::LoadFromXML(Node);
  MusicURL = Node->GetStrAttr("MusicURL");
  FadeTime = Node->GetIntAttr("FadeTime");
}

TGXMLNode* TLocationMusicEventState::SaveToXML() const {
  TGXMLNode* Node = TLocationEventState::SaveToXML();
  Node->SetStrAttr("MusicURL", MusicURL);
  Node->SetIntAttr("FadeTime", FadeTime);
  return Node;
}

TLocationEventStatePropType TLocationPauseEventState::PropType(std::string_view PropName) const {
  return PropName == "Interval" ? sptInteger : sptText;
}

void TLocationPauseEventState::Initialize() {
  TLocationEventState::Initialize();
  Update(0);
}

void TLocationPauseEventState::Update(int32_t AInterval) {
  Interval -= AInterval;
  if (Interval <= 0) {
    Status = ssFinished;
  }
}

void TLocationPauseEventState::AssignTo(TGObject* Dest) const {
  if (auto* D = TryObjectCast<TLocationPauseEventState>(Dest)) {
    D->Interval = Interval;
  }
}

void TLocationPauseEventState::LoadFromXML(const TGXMLNode* Node) {
  TLocationEventState::LoadFromXML(Node);
  Interval = Node->GetIntAttr("Interval");
}

TGXMLNode* TLocationPauseEventState::SaveToXML() const {
  TGXMLNode* Node = TLocationEventState::SaveToXML();
  Node->SetIntAttr("Interval", Interval);
  return Node;
}

TLocationEventStatePropType TLocationSoundEventState::PropType(std::string_view PropName) const {
  return PropName == "SfxURL" ? sptSound : sptText;
}

void TLocationSoundEventState::DropURL(const std::string& URL) {
  if (IsAudio(URL)) {
    SfxURL = URL;
  }
}

void TLocationSoundEventState::Initialize() {
  TLocationEventState::Initialize();
  if (AD && !SfxURL.empty()) {
    AD->PlaySfx(SfxURL, false);
  }
}

void TLocationSoundEventState::AssignTo(TGObject* Dest) const {
  if (auto* D = TryObjectCast<TLocationSoundEventState>(Dest)) {
    D->SfxURL = SfxURL;
  }
}

void TLocationSoundEventState::LoadFromXML(const TGXMLNode* Node) {
  TLocationEventState::LoadFromXML(Node);
  SfxURL = Node->GetStrAttr("SfxURL");
}

TGXMLNode* TLocationSoundEventState::SaveToXML() const {
  TGXMLNode* Node = TLocationEventState::SaveToXML();
  Node->SetStrAttr("SfxURL", SfxURL);
  return Node;
}

// --- Registry ----------------------------------------------------------------------------------

TGClass TLocationEventRegistry::Items(std::string_view Name) const {
  for (TGClass C : FItems) {
    if (C->Name == Name) {
      return C;
    }
  }
  throw Error("Wrong LocationEventState class name: %s", Name);
}

TLocationEventRegistry& LocationEventRegistry() {
  static TLocationEventRegistry Registry;
  return Registry;
}

// --- Events ------------------------------------------------------------------------------------

namespace {

// A new state of the class on the queue.
TLocationEventState* MakeState(TGClass Class, TLocationEvent* Event) {
  TGObject* Made = Class->CreateInstance(Event);
  auto* State = TryObjectCast<TLocationEventState>(Made);
  if (!State) {
    if (Made) {
      Made->Free();
    }
    throw Error("%s is no location event state", Class->Name);
  }
  return State;
}

} // namespace

void TLocationEvent::AssignTo(TGObject* Dest) const {
  auto* Target = TryObjectCast<TLocationEvent>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  Target->Clear();
  Target->FName = FName;
  for (int I = 0; I < GetCount(); ++I) {
    MakeState(GetItem(I)->ClassType(), Target)->Assign(GetItem(I));
  }
}

void TLocationEvent::LoadFromXML(const TGXMLNode* Node) {
  FName = Node->GetStrAttr("Name");
  for (const TGXMLNode* S : *Node->GetChilds("EventState")) {
    TLocationEventState* State = nullptr;
    try {
      // An unknown class in a saved profile must not make the profile unloadable: the state
      // is left out like one whose attributes cannot be read.
      State = MakeState(LocationEventRegistry().Items(S->GetStrAttr("ClassName")), this);
      State->LoadFromXML(S);
    } catch (const std::exception& E) {
      if (State) {
        State->Free();
      }
      ODS("Location event %s: a state was left out: %s", FName, std::string(E.what()));
    }
  }
}

TGXMLNode* TLocationEvent::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("LocationEvent"));
  Node->SetStrAttr("Name", FName);
  for (int I = 0; I < GetCount(); ++I) {
    Node->AddNode(static_cast<TLocationEventState*>(GetItem(I))->SaveToXML());
  }
  return Node.release();
}

TLocationEvent* TLocationEvents::FindEvent(std::string_view AName) const {
  for (int I = 0; I < GetCount(); ++I) {
    if (SameText(Event(I)->Name(), AName)) {
      return Event(I);
    }
  }
  return nullptr;
}

TLocationEvent* TLocationEvents::AddCopy(const TLocationEvent* Source) {
  auto* Copy = new TLocationEvent(this);
  Add(Copy);
  Copy->Assign(Source);
  return Copy;
}

void TLocationEvents::Update(int32_t AInterval) {
  int I = 0;
  while (I < GetCount()) {
    TLocationEvent* E = Event(I);
    E->Update(AInterval);
    // The event's steps may have changed the list: look the event up again.
    I = IndexOf(E);
    if (I < 0) {
      I = 0;
      continue;
    }
    if (E->Empty()) {
      Remove(E);
    } else {
      ++I;
    }
  }
}

void TLocationEvents::AssignTo(TGObject* Dest) const {
  auto* Target = TryObjectCast<TLocationEvents>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  Target->Clear();
  for (int I = 0; I < GetCount(); ++I) {
    Target->AddCopy(Event(I));
  }
}

void TLocationEvents::LoadFromXML(const TGXMLNode* Node) {
  if (!Node) {
    return;
  }
  std::vector<TGObjectPtr<TLocationEvent>> Loaded;
  for (const TGXMLNode* E : *Node->GetChilds("LocationEvent")) {
    Loaded.emplace_back(new TLocationEvent(nullptr));
    Loaded.back()->LoadFromXML(E);
  }
  Clear();
  for (auto& E : Loaded) {
    TLocationEvent* Event = E.release();
    Event->SetOwner(this);
    Add(Event);
  }
}

TGXMLNode* TLocationEvents::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Events"));
  for (int I = 0; I < GetCount(); ++I) {
    Node->AddNode(Event(I)->SaveToXML());
  }
  return Node.release();
}
