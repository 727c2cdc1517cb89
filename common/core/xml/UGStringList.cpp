#include "xml/UGStringList.h"

#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TGStringList)

void TGStringList::AssignTo(TGObject* Dest) const {
  TGStringList* Target = ObjectCast<TGStringList>(Dest);
  if (!Target) {
    throw EInvalidCast("Invalid class typecast");
  }
  if (Target == this) {
    return;
  }
  Target->FStringList.Clear();
  for (const TGFastStringList::TItem& Item : FStringList) {
    Target->FStringList.Add(Item.String);
  }
}

void TGStringList::LoadFromXML(const TGXMLNode* Node, std::string_view ItemName) {
  // Read into a list of the same rules first: an element that fails leaves the list as it was.
  TGFastStringList Loaded;
  Loaded.SetCaseSensitive(FStringList.CaseSensitive());
  Loaded.SetSorted(FStringList.Sorted());
  Loaded.SetDuplicates(FStringList.Duplicates());
  for (const TGXMLNode* Item : *Node->GetChilds(ItemName)) {
    Loaded.Add(Item->GetStrAttr("Value"));
  }
  FStringList.Clear();
  for (const TGFastStringList::TItem& Item : Loaded) {
    FStringList.Add(Item.String);
  }
}

TGXMLNode* TGStringList::SaveToXML(TGXMLNode* Node, std::string_view Name,
                                   std::string_view ItemName) const {
  TGXMLNode* Target = Node ? Node : new TGXMLNode(Name);
  for (const TGFastStringList::TItem& Item : FStringList) {
    Target->AddChild(ItemName)->SetStrAttr("Value", Item.String);
  }
  return Target;
}
