#include "ULocationChecks.h"

#include "base/UGError.h"
#include "base/UGRandom.h"
#include "base/UGStrUtils.h"
#include "locations/ULocation.h"
#include "locations/ULocationItemsDistribution.h"
#include "locations/ULocationLoader.h"
#include "objects/UGameObject.h"

#include <algorithm>

namespace {

std::string Quoted(std::string_view Text) {
  return "\"" + std::string(Text) + "\"";
}

// "loc\Harbour.loc" is the location "Harbour.loc".
std::string LocationURL(const std::string& File) {
  return FileNameToURL("\\" + File);
}

std::string Message(const std::exception& E) {
  const auto* G = dynamic_cast<const EGException*>(&E);
  return G ? G->Text() : std::string(E.what());
}

template <class F>
void ForEachElement(const TGXMLNode* Node, F&& Visit) {
  Visit(Node);
  for (int C = 0; C < Node->GetChildsCount(); ++C) {
    for (const TGXMLNode* Child : *Node->GetIndexedChilds(C)) {
      ForEachElement(Child, Visit);
    }
  }
}

} // namespace

TLocationChecks::TLocationChecks(TContentFiles& Files, TFindings& Findings)
    : FFiles(Files)
    , FFindings(Findings) {}

TLocationChecks::~TLocationChecks() {
  for (auto& [File, Location] : FLoaded) {
    FreeLoadedLocation(Location);
  }
}

void TLocationChecks::CollectObjects(TLocationFile& L) {
  for (const TGXMLNode* O : *L.XML->Root->GetChilds("Object")) {
    const std::string ID = O->GetStrAttrDef("ID", "");
    const int32_t Line = L.XML->LineOf(O);
    const std::string Key = UpperCase(ID);
    if (ID.empty()) {
      FFindings.Error(L.File, Line, "an object without an ID");
      continue;
    }
    if (auto Seen = L.Objects.find(Key); Seen != L.Objects.end()) {
      FFindings.Error(L.File, Line,
                      "the object ID " + Quoted(ID) +
                          " is used twice in the location "
                          "(first on line " +
                          std::to_string(Seen->second) + ")");
      L.Loadable = false;
      continue;
    }
    L.Objects[Key] = Line;
    if (auto Home = FObjectHomes.find(Key); Home != FObjectHomes.end()) {
      FFindings.Error(L.File, Line,
                      "the object ID " + Quoted(ID) + " is also used in " +
                          FindingPath(Home->second) +
                          ": a profile holds every location's objects by ID");
      L.Loadable = false;
      continue;
    }
    FObjectHomes[Key] = L.File;
  }
}

bool TLocationChecks::HasObject(const std::string& ID) const {
  return FObjectHomes.count(UpperCase(Trim(ID))) > 0;
}

void TLocationChecks::CheckNamed(const TLocationFile& L, const TGXMLNode* Node,
                                 const std::string& ID, const char* What, bool AnyLocation) {
  const std::string Name = Trim(ID);
  if (Name.empty() || L.Objects.count(UpperCase(Name)) > 0 || (AnyLocation && HasObject(Name))) {
    return;
  }
  FFindings.Error(L.File, L.XML->LineOf(Node),
                  std::string(What) + " " + Quoted(Name) + " is no object of " +
                      (AnyLocation ? "any location" : "the location") +
                      (!AnyLocation && HasObject(Name)
                           ? " (it is one of " + FindingPath(FObjectHomes.at(UpperCase(Name))) + ")"
                           : ""));
}

void TLocationChecks::CheckNamedObjects(const TLocationFile& L) {
  const TGXMLNode* Root = L.XML->Root.get();
  for (const TGXMLNode* Items : *Root->GetChilds("ItemsDistribution")) {
    for (const TGXMLNode* Page : *Items->GetChilds("Page")) {
      for (const TGXMLNode* Item : *Page->GetChilds("Item")) {
        const std::string ID = Item->GetStrAttrDef("ID", "");
        if (!SameText(ID, "Random")) {
          CheckNamed(L, Item, ID, "the item", false);
        }
      }
    }
  }
  for (const TGXMLNode* Atmosphere : *Root->GetChilds("AtmosphereObjects")) {
    for (const TGXMLNode* O : *Atmosphere->GetChilds("Object")) {
      CheckNamed(L, O, O->GetStrAttrDef("ID", ""), "the atmosphere object", false);
    }
  }
  for (const TGXMLNode* O : *Root->GetChilds("Object")) {
    CheckNamed(L, O, O->GetStrAttrDef("HiddenBy", ""), "the object hiding it,", false);
    ForEachElement(O, [&](const TGXMLNode* N) {
      if (N->Name() == "DynProperty" && N->GetStrAttrDef("Name", "") == "BackPackTargetObject") {
        std::vector<std::string> Targets;
        SplitString(N->GetStrAttrDef("Value", ""), ',', Targets);
        for (const std::string& Target : Targets) {
          CheckNamed(L, N, Target, "the tool's target", true);
        }
      }
    });
  }
  for (const char* Animations : {"Animations", "ActiveAnimations"}) {
    for (const TGXMLNode* A : *Root->GetChilds(Animations)) {
      ForEachElement(A, [&](const TGXMLNode* N) {
        if (N->Name() == "Channel" && N->HasAttr("GameObjectId")) {
          CheckNamed(L, N, N->GetStrAttr("GameObjectId"), "the channel's object", false);
        }
      });
    }
  }
}

void TLocationChecks::CheckIDs(const std::vector<std::string>& LocationFiles) {
  std::map<std::string, std::string> LocationIDs; // upper case -> file
  for (const std::string& File : LocationFiles) {
    TLocationFile L;
    L.File = File;
    L.URL = LocationURL(File);
    L.XML = &FFiles.XML(File);
    if (!L.XML->Parsed()) {
      continue; // reported with the file's parse
    }
    const TGXMLNode* Root = L.XML->Root.get();
    if (Root->Name() != "Location") {
      FFindings.Error(File, 1,
                      "the root element is " + Quoted(Root->Name()) + ", not \"Location\"");
      continue;
    }
    // A location without an ID takes its file's name, as the loader gives it.
    std::string ID = Root->GetStrAttrDef("ID", "");
    if (ID.empty()) {
      ID = ChangeFileExt(ExtractFileName(L.URL), "");
    }
    if (auto Seen = LocationIDs.find(UpperCase(ID)); Seen != LocationIDs.end()) {
      FFindings.Error(File, L.XML->LineOf(Root),
                      "the location ID " + Quoted(ID) + " is also " + FindingPath(Seen->second) +
                          "'s");
    } else {
      LocationIDs[UpperCase(ID)] = File;
    }
    CollectObjects(L);
    FLocations.push_back(std::move(L));
  }
  for (const TLocationFile& L : FLocations) {
    CheckNamedObjects(L);
  }
}

int32_t TLocationChecks::FailingObjectLine(const TLocationFile& L) const {
  for (const TGXMLNode* O : *L.XML->Root->GetChilds("Object")) {
    try {
      TGObjectPtr<TGameObject> Obj(new TGameObject(nullptr));
      Obj->LoadFromXML(O);
    } catch (const std::exception&) {
      return L.XML->LineOf(O);
    }
  }
  return L.XML->LineOf(L.XML->Root.get());
}

TBaseLocation* TLocationChecks::Load(const TLocationFile& L) {
  return LoadLocationFromXML(&FFiles.Library(), L.XML->Root.get(), L.URL, nullptr, false);
}

void TLocationChecks::LoadWorld() {
  for (TLocationFile& L : FLocations) {
    if (!L.Loadable) {
      continue;
    }
    try {
      FLoaded[L.File] = Load(L);
    } catch (const std::exception& E) {
      L.Loadable = false;
      FFindings.Error(L.File, FailingObjectLine(L), "the location cannot be loaded: " + Message(E));
    }
  }
}

void TLocationChecks::DealOnce(TLocationFile& L, uint32_t Seed, bool& Reported) {
  auto* Location = TryObjectCast<TLocation>(FLoaded[L.File]);
  const TGXMLCollection* Items = L.XML->Root->GetChilds("ItemsDistribution");
  if (!Location || Items->GetCount() == 0) {
    return;
  }
  const int32_t Line = L.XML->LineOf(Items->GetItem(0));
  GlobalRandom().SetSeed(Seed);
  try {
    Location->FillItemsDistribution();
  } catch (const std::exception& E) {
    FFindings.Error(L.File, Line, "the item pages cannot be dealt: " + Message(E));
    Reported = true;
    return;
  }
  TLocationItemsDistribution* Pages = Location->ItemsDistribution();
  for (int P = 0; P < Pages->GetCount(); ++P) {
    const int32_t Left = Pages->Items(P)->SpaceLeft();
    if (Left > 0) {
      FFindings.Error(L.File, Line,
                      "page " + std::to_string(P + 1) + " has " + std::to_string(Left) +
                          " \"Random\" place" + (Left == 1 ? "" : "s") +
                          " that no object can fill (too few objects with a page "
                          "range that takes them)");
      Reported = true;
    }
  }
}

void TLocationChecks::CheckDistributions(int Rounds) {
  const uint32_t Saved = GlobalRandom().Seed();
  for (TLocationFile& L : FLocations) {
    if (!L.Loadable || !FLoaded.count(L.File)) {
      continue;
    }
    bool Reported = false;
    for (int R = 0; R < Rounds && !Reported; ++R) {
      if (R > 0) {
        // A deal changes the pages and the objects: each round deals a location loaded afresh.
        FreeLoadedLocation(FLoaded[L.File]);
        FLoaded.erase(L.File);
        try {
          FLoaded[L.File] = Load(L);
        } catch (const std::exception&) {
          break; // it loaded before: nothing new to say
        }
      }
      DealOnce(L, 0x9E3779B9u * static_cast<uint32_t>(R + 1), Reported);
    }
  }
  GlobalRandom().SetSeed(Saved);
}
