#include "resources/UGConfig.h"

#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TGConfig)

TGConfig::TGConfig(TGObject* AOwner)
    : TGResource(AOwner)
    , FXML(new TGXMLNode(this)) {}

void TGConfig::LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) {
  (void)Context;
  FXML->LoadFromStream(Stream);
}

TGXMLNode* TGConfig::SaveToXML() const {
  return static_cast<TGXMLNode*>(FXML->Clone(nullptr));
}

void TGConfig::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  TGConfig* Target = ObjectCast<TGConfig>(Dest);
  if (Target && Target != this && !FXML->Name().empty()) {
    Target->FXML->LoadFromString(FXML->SaveToString());
  }
}
