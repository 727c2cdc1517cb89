#include "locations/ULocationItemsDistribution.h"

#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <vector>

G_IMPLEMENT_CLASS(TBaseLocationItemsPage)
G_IMPLEMENT_CLASS(TLocationItemsPage)
G_IMPLEMENT_CLASS(TBaseLocationItemsPageCollection)
G_IMPLEMENT_CLASS(TBaseLocationItemsDistribution)
G_IMPLEMENT_CLASS(TLocationItemsDistribution)

TBaseLocationItemsPage::TBaseLocationItemsPage(TGObject* AOwner, int32_t ACapacity)
    : TGClonableObject(AOwner)
    , Capacity(ACapacity) {
  FItems.SetDuplicates(dupAccept);
}

void TBaseLocationItemsPage::Add(std::string_view ID) {
  if (SpaceLeft() <= 0) {
    throw EGException("Too many items");
  }
  FItems.Add(ID);
}

void TBaseLocationItemsPage::AssignTo(TGObject* Dest) const {
  TBaseLocationItemsPage* Target = TryObjectCast<TBaseLocationItemsPage>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  Target->FItems.Clear();
  for (const auto& Item : FItems) {
    Target->FItems.Add(Item.String);
  }
  Target->Capacity = Capacity;
}

void TBaseLocationItemsPage::LoadFromXML(const TGXMLNode* XML) {
  int32_t NewCapacity = XML->GetIntAttr("Capacity");
  std::vector<std::string> IDs;
  for (const TGXMLNode* Item : *XML->GetChilds("Item")) {
    IDs.push_back(Item->GetStrAttr("ID"));
  }
  Capacity = NewCapacity;
  FItems.Clear();
  for (const std::string& ID : IDs) {
    FItems.Add(ID);
  }
}

TGXMLNode* TBaseLocationItemsPage::SaveToXML() const {
  TGXMLNode* XML = new TGXMLNode("Page");
  XML->SetIntAttr("Capacity", Capacity);
  for (const auto& Item : FItems) {
    XML->AddChild("Item")->SetStrAttr("ID", Item.String);
  }
  return XML;
}

void TLocationItemsPage::AssignTo(TGObject* Dest) const {
  TBaseLocationItemsPage::AssignTo(Dest);
  if (TLocationItemsPage* Target = TryObjectCast<TLocationItemsPage>(Dest)) {
    Target->MasterObjectPage = MasterObjectPage;
    Target->Frozen = Frozen;
  }
}

void TLocationItemsPage::LoadFromXML(const TGXMLNode* XML) {
  bool Master = XML->GetBoolAttrDef("MasterObjectPage", false);
  TBaseLocationItemsPage::LoadFromXML(XML);
  MasterObjectPage = Master;
}

TGXMLNode* TLocationItemsPage::SaveToXML() const {
  TGXMLNode* XML = TBaseLocationItemsPage::SaveToXML();
  XML->SetBoolAttr("MasterObjectPage", MasterObjectPage);
  return XML;
}

void TBaseLocationItemsPageCollection::LoadFromXML(const TGXMLNode* XML) {
  // Every page is read before the old ones go.
  std::vector<TGObjectPtr<TLocationItemsPage>> Pages;
  for (const TGXMLNode* Node : *XML->GetChilds("Page")) {
    Pages.emplace_back(new TLocationItemsPage(nullptr));
    Pages.back()->LoadFromXML(Node);
  }
  TGClonableCollection::Clear();
  for (auto& Page : Pages) {
    TLocationItemsPage* P = Page.release();
    P->SetOwner(this);
    Add(P);
  }
}

void TBaseLocationItemsPageCollection::SavePages(TGXMLNode* XML) const {
  for (int I = 0; I < GetCount(); ++I) {
    XML->AddNode(Items(I)->SaveToXML());
  }
}

TGXMLNode* TBaseLocationItemsPageCollection::SaveToXML() const {
  TGXMLNode* XML = new TGXMLNode("ItemsDistribution");
  SavePages(XML);
  return XML;
}

TBaseLocationItemsPage* TBaseLocationItemsDistribution::CurrentPage() const {
  if (FCurrentPageIndex < 0 || FCurrentPageIndex >= GetCount()) {
    return nullptr;
  }
  return Items(FCurrentPageIndex);
}

void TBaseLocationItemsDistribution::Clear() {
  TBaseLocationItemsPageCollection::Clear();
  FCurrentPageIndex = 0;
}

void TBaseLocationItemsDistribution::AssignTo(TGObject* Dest) const {
  TBaseLocationItemsPageCollection::AssignTo(Dest);
  if (auto* Target = TryObjectCast<TBaseLocationItemsDistribution>(Dest)) {
    Target->FCurrentPageIndex = FCurrentPageIndex;
  }
}

void TBaseLocationItemsDistribution::LoadFromXML(const TGXMLNode* XML) {
  int32_t Index = XML->GetIntAttrDef("CurrentPageIndex", 0);
  TBaseLocationItemsPageCollection::LoadFromXML(XML);
  FCurrentPageIndex = Index;
}

TGXMLNode* TBaseLocationItemsDistribution::SaveToXML() const {
  TGXMLNode* XML = new TGXMLNode("ItemsDistribution");
  XML->SetIntAttrDef("CurrentPageIndex", 0, FCurrentPageIndex);
  SavePages(XML);
  return XML;
}
