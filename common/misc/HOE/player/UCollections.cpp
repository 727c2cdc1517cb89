#include "player/UCollections.h"

#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TMuseumItems)
G_IMPLEMENT_CLASS(TCollectedZephrinsManager)

TMuseumItems::TMuseumItems(TGObject* AOwner)
    : TGObject(AOwner) {
  FItems.SetSorted(true);
  FItems.SetDuplicates(dupIgnore);
}

void TMuseumItems::AddItem(std::string_view Id) {
  FItems.Add(Id);
}

void TMuseumItems::LoadFromXML(const TGXMLNode* XML) {
  std::vector<std::string> Names;
  for (const TGXMLNode* Item : *XML->GetChilds("Item")) {
    Names.push_back(Item->GetStrAttr("Name"));
  }
  FItems.Clear();
  for (const std::string& Name : Names) {
    FItems.Add(Name);
  }
}

TGXMLNode* TMuseumItems::SaveToXML() const {
  TGXMLNode* XML = new TGXMLNode("MuseumItems");
  for (const auto& Item : FItems) {
    XML->AddChild("Item")->SetStrAttr("Name", Item.String);
  }
  return XML;
}

int TCollectedZephrinsManager::GetIdx(std::string_view LocationURL) const {
  for (size_t I = FRecords.size(); I-- > 0;) {
    if (SameText(FRecords[I].LocationURL, LocationURL)) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

void TCollectedZephrinsManager::AddRecord(std::string_view LocationURL) {
  FRecords.push_back(TCSMRec{std::string(LocationURL), {}});
}

void TCollectedZephrinsManager::RegisterZephrin(std::string_view LocationURL,
                                                std::string_view ZephrinID) {
  int Index = GetIdx(LocationURL);
  if (Index < 0) {
    AddRecord(LocationURL);
    Index = static_cast<int>(FRecords.size()) - 1;
  }
  FRecords[static_cast<size_t>(Index)].ZephrinIDsCollected.emplace_back(ZephrinID);
}

bool TCollectedZephrinsManager::IsCollected(std::string_view LocationURL,
                                            std::string_view ZephrinID) const {
  int Index = GetIdx(LocationURL);
  if (Index < 0) {
    return false;
  }
  for (const std::string& ID : FRecords[static_cast<size_t>(Index)].ZephrinIDsCollected) {
    if (SameText(ID, ZephrinID)) {
      return true;
    }
  }
  return false;
}

void TCollectedZephrinsManager::LoadFromXML(const TGXMLNode* XML) {
  std::vector<TCSMRec> Loaded;
  for (const TGXMLNode* Record : *XML->GetChilds("Record")) {
    TCSMRec R{Record->GetStrAttr("LocationURL"), {}};
    for (const TGXMLNode* Bird : *Record->GetChilds("ZephrinID")) {
      R.ZephrinIDsCollected.push_back(Bird->GetStrAttr("ID"));
    }
    Loaded.push_back(std::move(R));
  }
  FRecords = std::move(Loaded);
}

TGXMLNode* TCollectedZephrinsManager::SaveToXML() const {
  TGXMLNode* XML = new TGXMLNode("CollectedZephrins");
  for (const TCSMRec& R : FRecords) {
    TGXMLNode* Record = XML->AddChild("Record");
    Record->SetStrAttr("LocationURL", R.LocationURL);
    for (const std::string& ID : R.ZephrinIDsCollected) {
      Record->AddChild("ZephrinID")->SetStrAttr("ID", ID);
    }
  }
  return XML;
}
