#include "flow/UFlowControl.h"

#include "flow/UFlowChannel.h"
#include "locations/UBaseLocation.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <memory>

G_IMPLEMENT_CLASS(TBaseFlowControl)
G_IMPLEMENT_CLASS(TFlowControl)

namespace {

constexpr const char* MainName = "Main";

void FreeChannel(TGObject* Channel) {
  Channel->Free();
}

} // namespace

TBaseFlowControl::TBaseFlowControl(TBaseLocation* AOwner)
    : TGObject(AOwner)
    , FOwner(AOwner) {
  FChannels.SetSorted(true);
  FChannels.SetDuplicates(dupError);
}

void TBaseFlowControl::AfterConstruction() {
  if (!FMainChannel) {
    FMainChannel = CreateChannel();
    AddChannel(MainName, FMainChannel);
  }
}

void TBaseFlowControl::Publish(TGClassBuilder<TBaseFlowControl>& B) {
  using T = TBaseFlowControl;
  B.Property("Count", &T::Count)
      .Method("RegisterChannel", &T::RegisterChannel, {"Name"})
      .Method("UnregisterChannel", &T::UnregisterChannel, {"Name"})
      .Method("Channel", &T::Channel, {"Name"})
      .Method("Clear", &T::Clear, {"CreateMainChannel"})
      .Method("Update", &T::Update, {"Interval"});
}

void TBaseFlowControl::Destroy() {
  FUpdating = false;
  ReleaseChannels();
  FreeRetired();
  inherited::Destroy();
}

TBaseFlowChannel* TBaseFlowControl::CreateChannel() {
  return new TBaseFlowChannel(this);
}

void TBaseFlowControl::AddChannel(const std::string& Name, TBaseFlowChannel* Channel) {
  FChannels.AddObject(Name, Channel);
}

void TBaseFlowControl::RegisterChannel(const std::string& Name) {
  if (FChannels.IndexOf(Name) < 0) {
    TBaseFlowChannel* C = CreateChannel();
    try {
      AddChannel(Name, C);
    } catch (...) {
      C->Free();
      throw;
    }
  }
}

TBaseFlowChannel* TBaseFlowControl::Channel(const std::string& Name) const {
  int Index = FChannels.IndexOf(Name);
  return static_cast<TBaseFlowChannel*>(FChannels.GetObject(Index));
}

void TBaseFlowControl::Retire(TBaseFlowChannel* Channel) {
  if (Channel == FMainChannel) {
    FMainChannel = nullptr;
  }
  if (FUpdating) {
    // A state of this channel may be running: the states stop now, and the channel and they
    // are freed when the round is over.
    Channel->Abandon();
    FRetired.push_back(Channel);
  } else {
    Channel->Clear();
    Channel->Free();
  }
}

void TBaseFlowControl::FreeRetired() {
  std::vector<TBaseFlowChannel*> Retired;
  Retired.swap(FRetired);
  for (TBaseFlowChannel* C : Retired) {
    C->Clear();
    C->Free();
  }
}

void TBaseFlowControl::UnregisterChannel(const std::string& Name) {
  int Index = FChannels.IndexOf(Name);
  if (Index < 0) {
    return;
  }
  auto* C = static_cast<TBaseFlowChannel*>(FChannels.GetObject(Index));
  FChannels.Delete(Index);
  Retire(C);
}

void TBaseFlowControl::ReleaseChannels() {
  std::vector<TBaseFlowChannel*> Old;
  for (const auto& Item : FChannels) {
    Old.push_back(static_cast<TBaseFlowChannel*>(Item.Object));
  }
  FChannels.Clear();
  for (TBaseFlowChannel* C : Old) {
    Retire(C);
  }
  FMainChannel = nullptr;
}

void TBaseFlowControl::Clear(bool CreateMainChannel) {
  ReleaseChannels();
  if (CreateMainChannel) {
    FMainChannel = CreateChannel();
    AddChannel(MainName, FMainChannel);
  }
}

void TBaseFlowControl::Update(int32_t Interval) {
  // A snapshot: states may register or unregister channels while the round runs.
  std::vector<TBaseFlowChannel*> Round;
  for (const auto& Item : FChannels) {
    Round.push_back(static_cast<TBaseFlowChannel*>(Item.Object));
  }
  bool Outer = !FUpdating;
  FUpdating = true;
  try {
    for (TBaseFlowChannel* C : Round) {
      bool Retired = std::find(FRetired.begin(), FRetired.end(), C) != FRetired.end();
      if (!Retired) {
        C->Update(Interval);
      }
    }
  } catch (...) {
    if (Outer) {
      FUpdating = false;
      FreeRetired();
    }
    throw;
  }
  if (Outer) {
    FUpdating = false;
    FreeRetired();
  }
}

void TBaseFlowControl::LoadFromXML(const TGXMLNode* Node) {
  // The saved channels are made aside; only a complete load replaces the current ones.
  struct TLoaded {
    std::string Name;
    TBaseFlowChannel* Channel;
  };
  std::vector<TLoaded> Loaded;
  auto FreeLoaded = [&Loaded] {
    for (TLoaded& L : Loaded) {
      FreeChannel(L.Channel);
    }
  };
  try {
    TGFastStringList Names;
    Names.SetSorted(true);
    Names.SetDuplicates(dupError);
    for (const TGXMLNode* C : *Node->GetChilds("FlowChannel")) {
      std::string Name = C->GetStrAttr("Name");
      Names.Add(Name);
      Loaded.push_back(TLoaded{Name, CreateChannel()});
      Loaded.back().Channel->LoadFromXML(C);
    }
  } catch (...) {
    FreeLoaded();
    throw;
  }
  ReleaseChannels();
  for (TLoaded& L : Loaded) {
    AddChannel(L.Name, L.Channel);
    if (L.Name == MainName) {
      FMainChannel = L.Channel;
    }
  }
  if (!FMainChannel) {
    // "main" in another case is still the channel scripts reach as Main.
    int Index = FChannels.IndexOf(MainName);
    if (Index >= 0) {
      FMainChannel = static_cast<TBaseFlowChannel*>(FChannels.GetObject(Index));
    } else {
      FMainChannel = CreateChannel();
      AddChannel(MainName, FMainChannel);
    }
  }
}

TGXMLNode* TBaseFlowControl::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("FlowControl"));
  for (const auto& Item : FChannels) {
    TGXMLNode* C = static_cast<TBaseFlowChannel*>(Item.Object)->SaveToXML();
    C->SetStrAttr("Name", Item.String);
    // "Name" first, as the element is read.
    Node->AddNode(C);
  }
  return Node.release();
}

// --- TFlowControl ------------------------------------------------------------------------------

TFlowControl::TFlowControl(TBaseLocation* AOwner)
    : TBaseFlowControl(AOwner) {
  AfterConstruction();
}

void TFlowControl::Publish(TGClassBuilder<TFlowControl>& B) {
  B.Property("MainChannel", &TFlowControl::MainChannel)
      .Method("Channel", &TFlowControl::Channel, {"Name"});
}

TBaseFlowChannel* TFlowControl::CreateChannel() {
  return new TFlowChannel(this);
}

TFlowChannel* TFlowControl::MainChannel() const {
  return static_cast<TFlowChannel*>(TBaseFlowControl::MainChannel());
}

TFlowChannel* TFlowControl::Channel(const std::string& Name) const {
  return static_cast<TFlowChannel*>(TBaseFlowControl::Channel(Name));
}
