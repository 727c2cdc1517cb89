#include "objects/UGameObject.h"

#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TBaseGameObject)
G_IMPLEMENT_CLASS(TGameObject)

TBaseGameObject::TBaseGameObject(TGObject* AOwner)
    : TGClonableObject(AOwner)
    , FAttrs(new TDynProperties(this)) {}

void TBaseGameObject::Publish(TGClassBuilder<TBaseGameObject>& B) {
  B.Property("ID", &TBaseGameObject::ID, &TBaseGameObject::SetID)
      .Property("Caption", &TBaseGameObject::Caption, &TBaseGameObject::SetCaption)
      .Property("Visible", &TBaseGameObject::Visible, &TBaseGameObject::SetVisible)
      .Method("GetStrAttr", &TBaseGameObject::GetStrAttr, {"Name"})
      .Method("SetStrAttr", &TBaseGameObject::SetStrAttr, {"Name", "Value"});
}

std::string TBaseGameObject::GetStrAttr(const std::string& Name) const {
  int Index = FAttrs->FindProp(Name);
  return Index < 0 ? std::string() : FAttrs->GetPropByIndex(Index).ToString();
}

void TBaseGameObject::SetStrAttr(const std::string& Name, const std::string& Value) {
  int Index = FAttrs->FindProp(Name);
  if (Index < 0) {
    FAttrs->AddProperty(Name, TGVariant(Value));
  } else {
    FAttrs->SetPropByIndex(Index, TGVariant(Value));
  }
}

void TBaseGameObject::AssignTo(TGObject* Dest) const {
  TBaseGameObject* Target = ObjectCast<TBaseGameObject>(Dest);
  if (!Target) {
    throw EInvalidCast("Invalid class typecast");
  }
  Target->FAttrs->Assign(FAttrs);
  Target->FID = FID;
  Target->FCaption = FCaption;
  Target->FVisible = FVisible;
  Target->FChanged = FChanged;
}
