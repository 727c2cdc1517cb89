// Dynamic properties: an ordered list of named values that locations and game objects carry
// (their scripts and settings) and that scripts see as members of their owner.
#pragma once

#include "object/UGObject.h"
#include "object/UGVariant.h"

#include <string>
#include <string_view>
#include <vector>

class TGXMLNode;

struct TMetaProperty {
  std::string Name;
  TGVariant Value;
};

class TDynProperties : public TGObject {
  G_CLASS(TDynProperties, TGObject)
  explicit TDynProperties(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // Appends; returns the new index. Duplicate names are not prevented (the first one wins).
  int AddProperty(std::string_view AName, const TGVariant& AValue);
  // The first entry whose name matches without regard to case, or -1.
  int FindProp(std::string_view AStr) const;
  bool IsPropExists(std::string_view AName) const { return FindProp(AName) >= 0; }
  // Null when the name is missing or the index is out of range.
  TGVariant GetProp(std::string_view AStr) const;
  TGVariant GetPropByIndex(int AIndex) const;
  std::string GetPropName(int AIndex) const;
  int GetPropCount() const { return static_cast<int>(FPropList.size()); }
  // Raises "Dynamic property \"%s\" not found" for a missing name.
  void SetProp(std::string_view AStr, const TGVariant& Value);
  void SetPropByIndex(int AIndex, const TGVariant& Value);

  void AssignTo(TGObject* Dest) const override;
  // Appends an entry per "DynProperty" child, converting "Value" by the type code in "Type".
  void LoadFromXML(const TGXMLNode* XML);
  // Writes into XML, or into a new "DynProperties" element when XML is none; returns it.
  // Entries whose value has no text are left out.
  TGXMLNode* SaveToXML(TGXMLNode* XML) const;

private:
  std::vector<TMetaProperty> FPropList;
};
