// A persistent list of strings. Its XML form belongs to the owner's element: one child per
// string, all with the element name the owner chooses, each with the string in "Value".
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>

class TGXMLNode;

class TGStringList : public TGObject {
  G_CLASS(TGStringList, TGObject)
  explicit TGStringList(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  TGFastStringList& StringList() { return FStringList; }
  const TGFastStringList& StringList() const { return FStringList; }

  // Dest must be a TGStringList (else EInvalidCast); its strings become a copy of these.
  void AssignTo(TGObject* Dest) const override;
  // Empties the list, then appends the "Value" of every child of Node named ItemName.
  void LoadFromXML(const TGXMLNode* Node, std::string_view ItemName);
  // Appends one ItemName child per string to Node, or to a new element Name when Node is none;
  // returns the element written to.
  TGXMLNode* SaveToXML(TGXMLNode* Node, std::string_view Name, std::string_view ItemName) const;

  auto begin() const { return FStringList.begin(); }
  auto end() const { return FStringList.end(); }

private:
  TGFastStringList FStringList;
};
