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
  FStringList.Clear();
  for (const TGXMLNode* Item : *Node->GetChilds(ItemName)) {
    FStringList.Add(Item->GetStrAttr("Value"));
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
