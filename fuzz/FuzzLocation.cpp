// Loading arbitrary bytes as a ".loc" location, as a profile does (its class, its objects
// registered in the collector and in the script table, its saved flow control), must either
// fail with an engine error, leaving no object behind, or give a location that saves, and
// whose saved form loads again to the same text. Location scripts are registered, not run:
// content scripts may loop as they please.
#include "app/UGClassTables.h"
#include "locations/UBaseLocation.h"
#include "locations/UGameFramework.h"
#include "locations/ULocationLoader.h"
#include "objects/UGameObjectCollection.h"
#include "script/UScriptProcessor.h"
#include "xml/UGXMLNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct TWorld {
  TWorld() {
    RegisterEngineClasses();
    TScriptProcessor::SetErrorReporter([](const std::string&, const std::string&) {});
    Scripts.reset(New<TScriptProcessor>(nullptr));
    StartGameFramework();
  }
  TGObjectPtr<TScriptProcessor> Scripts;
};

std::string Save(const TBaseLocation* L) {
  TGObjectPtr<TGXMLNode> Node(L->SaveToXML());
  return Node->SaveToString();
}

TBaseLocation* Load(const std::string& Text) {
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Location"));
  Root->LoadFromString(Text);
  return LoadLocationFromXML(nullptr, Root.get(), "Fuzz.loc", nullptr, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TWorld World;
  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  TBaseLocation* L = nullptr;
  try {
    L = Load(Text);
  } catch (const EGException&) {
    if (GameObjectCollector->Count() != 0) {
      std::abort(); // a failed load left objects behind
    }
    return 0;
  }
  std::string First;
  try {
    First = Save(L);
  } catch (const EGException&) {
    // Some loaded values cannot be written back (a name that is no XML name): a clear error.
    FreeLoadedLocation(L);
    return 0;
  }
  FreeLoadedLocation(L);
  World.Scripts->Clear();
  TBaseLocation* Again = Load(First); // what was saved must load
  if (Save(Again) != First) {
    std::abort();
  }
  FreeLoadedLocation(Again);
  World.Scripts->Clear();
  if (GameObjectCollector->Count() != 0) {
    std::abort();
  }
  return 0;
}
