// The per-resource attribute records of a depository ("Attributes.xml" at its root): "Resource"
// elements, each with a "URL" and the record as its first child element.
#pragma once

#include "object/UGObject.h"

#include <string>

class TGFileSystem;
class TGXMLNode;

class TGAttributeTable : public TGObject {
  G_CLASS(TGAttributeTable, TGObject)
  TGAttributeTable(TGObject* AOwner, TGFileSystem* AFileSystem, const std::string& AFileName);
  explicit TGAttributeTable(TGObject* AOwner = nullptr)
      : TGAttributeTable(AOwner, nullptr, "") {}

  // Reads the table (an empty "Attributes" root when the file system has no such file).
  void Load(const std::string& AFileName, TGFileSystem* AFileSystem);
  // The record of the first "Resource" element whose URL matches (case ignored): its first
  // child element, or none when it has none; none when no element matches.
  TGXMLNode* Retrieve(const std::string& URL) const;
  TGXMLNode* XML() const { return FXML; }

private:
  std::string FFileName;
  TGFileSystem* FFileSystem = nullptr;
  TGXMLNode* FXML = nullptr; // owned
};
