#include "locations/ULocationLoader.h"

#include "flow/UFlowControl.h"
#include "io/UGFileSystem.h"
#include "io/UGStream.h"
#include "locations/UBaseLocation.h"
#include "locations/ULocationClassRegistry.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "resources/UGResourceLibrary.h"
#include "script/UScriptObjects.h"
#include "script/UScriptProcessor.h"
#include "xml/UGXMLNode.h"

#include <vector>

TBaseLocation* LoadLocationFromXML(TGResourceLibrary* Library, const TGXMLNode* Root,
                                   const std::string& URL, TGObject* Owner, bool RegisterScripts) {
  TGClass Class = LocationClassRegistry().GetItem(Root->GetStrAttrDef("Class", "TLocation"));
  TGObject* Made0 = Class->CreateInstance(nullptr);
  auto* Location = TryObjectCast<TBaseLocation>(Made0);
  if (!Location) {
    Made0->Free();
    throw Error("%s is no location class", Class->Name);
  }
  TGObjectPtr<TBaseLocation> Made(Location);
  Location->SetURL(URL);
  Location->LoadFromXML(Library, Root);
  std::vector<TGameObject*> Registered;
  try {
    TGameObjectCollection* Objects = Location->Objects();
    for (int I = 0; I < Objects->Count(); ++I) {
      TGameObject* Obj = Objects->ItemsReadOnly(I);
      if (GameObjectCollector) {
        if (GameObjectCollector->IndexOf(Obj->ID()) >= 0) {
          throw Error("Game object with ID \"%s\" is already registered", Obj->ID());
        }
        GameObjectCollector->Add(Obj);
        Registered.push_back(Obj);
      }
    }
    TGXMLCollection* Flow = Root->GetChilds("FlowControl");
    if (Flow->GetCount() > 0) {
      Location->FC()->LoadFromXML(Flow->GetItem(0));
    }
  } catch (...) {
    for (TGameObject* Obj : Registered) {
      GameObjectCollector->Remove(Obj); // owned by the collector: freed
    }
    throw;
  }
  if (RegisterScripts && ScriptProcessor) {
    ScriptProcessor->AddObject(Location->ID, Location, true, Location->DynProps());
    TGameObjectCollection* Objects = Location->Objects();
    for (int I = 0; I < Objects->Count(); ++I) {
      TGameObject* Obj = Objects->ItemsReadOnly(I);
      ScriptProcessor->AddObject(Obj->ID(), Obj, false, Obj->Attrs());
    }
  }
  Made.release();
  if (Owner) {
    Location->SetOwner(Owner);
  }
  return Location;
}

TBaseLocation* LoadLocationFile(TGResourceLibrary* Library, const std::string& URL, TGObject* Owner,
                                bool RegisterScripts) {
  TGFileSystem* FS = Library ? Library->FileSystem() : nullptr;
  if (!FS) {
    throw Error("No file system to read %s from", URL);
  }
  std::string Path = URLToFileName(URL);
  std::unique_ptr<TGStream> Stream = FS->CreateStream(Path, fmOpenRead);
  if (!Stream) {
    throw Error("Location file not found: %s", Path);
  }
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Location"));
  Root->LoadFromStream(*Stream);
  return LoadLocationFromXML(Library, Root.get(), URL, Owner, RegisterScripts);
}

void FreeLoadedLocation(TBaseLocation* Location) {
  if (!Location) {
    return;
  }
  std::vector<TGameObject*> Objects;
  for (int I = 0; I < Location->Objects()->Count(); ++I) {
    Objects.push_back(Location->Objects()->ItemsReadOnly(I));
  }
  // Their names in the script table go first, so that the location can be loaded again.
  if (ScriptProcessor) {
    for (TGameObject* Obj : Objects) {
      ScriptProcessor->ScriptObjects().Remove(Obj->ID(), Obj);
    }
  }
  // The collector frees the objects it owns; the location's list lets them go as they do.
  if (GameObjectCollector) {
    for (TGameObject* Obj : Objects) {
      GameObjectCollector->Remove(Obj);
    }
  }
  Location->Free();
}
