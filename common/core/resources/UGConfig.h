// A configuration resource: an XML document held as a node tree.
#pragma once

#include "resources/UGResource.h"

class TGConfig : public TGResource {
  G_CLASS(TGConfig, TGResource)
  explicit TGConfig(TGObject* AOwner = nullptr);

  TGXMLNode* XML() const { return FXML; }
  void LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) override;
  TGXMLNode* SaveToXML() const override;
  // The URL, then the tree (written to text and read back into the destination).
  void AssignTo(TGObject* Dest) const override;

private:
  TGXMLNode* FXML; // owned
};
