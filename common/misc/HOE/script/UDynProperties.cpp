#include "script/UDynProperties.h"

#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "script/UScriptProcessor.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TDynProperties)

int TDynProperties::AddProperty(std::string_view AName, const TGVariant& AValue) {
  FPropList.push_back(TMetaProperty{std::string(AName), AValue});
  return GetPropCount() - 1;
}

int TDynProperties::FindProp(std::string_view AStr) const {
  for (size_t I = 0; I < FPropList.size(); ++I) {
    if (SameText(FPropList[I].Name, AStr)) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

TGVariant TDynProperties::GetProp(std::string_view AStr) const {
  return GetPropByIndex(FindProp(AStr));
}

TGVariant TDynProperties::GetPropByIndex(int AIndex) const {
  if (AIndex < 0 || AIndex >= GetPropCount()) {
    return TGVariant::Null();
  }
  return FPropList[static_cast<size_t>(AIndex)].Value;
}

std::string TDynProperties::GetPropName(int AIndex) const {
  if (AIndex < 0 || AIndex >= GetPropCount()) {
    return {};
  }
  return FPropList[static_cast<size_t>(AIndex)].Name;
}

void TDynProperties::SetProp(std::string_view AStr, const TGVariant& Value) {
  int Index = FindProp(AStr);
  if (Index < 0) {
    throw Error("Dynamic property \"%s\" not found", AStr);
  }
  FPropList[static_cast<size_t>(Index)].Value = Value;
}

void TDynProperties::SetPropByIndex(int AIndex, const TGVariant& Value) {
  if (AIndex < 0 || AIndex >= GetPropCount()) {
    throw EListError(Format("List index out of bounds (%d)", {AIndex}));
  }
  FPropList[static_cast<size_t>(AIndex)].Value = Value;
}

void TDynProperties::AssignTo(TGObject* Dest) const {
  TDynProperties* Target = ObjectCast<TDynProperties>(Dest);
  if (!Target) {
    throw EInvalidCast("Invalid class typecast");
  }
  if (Target != this) {
    Target->FPropList = FPropList;
  }
}

namespace {

TGVariant ValueFromText(int Type, const std::string& Text) {
  switch (Type) {
  case varSmallint:
  case varInteger:
  case varError:
  case varShortInt:
  case varByte:
  case varWord:
  case varLongWord:
    return TGVariant(TGVariant(Text).ToInteger());
  case varSingle:
  case varDouble:
    return TGVariant(SafeStrToFloat(Text));
  case varCurrency:
    return TGVariant::Currency(SafeStrToFloat(Text));
  case varDate:
    return TGVariant::Date(SafeStrToFloat(Text));
  case varOleStr:
  case varString:
    return TGVariant(Text);
  case varDispatch: {
    // The elements as script literals: evaluated into a script array.
    TGVariant Result;
    if (ScriptProcessor) {
      ScriptProcessor->Eval("[" + Text + "]", Result);
    }
    return Result;
  }
  case varBoolean:
    return TGVariant(TGVariant(Text).ToBoolean());
  case varInt64:
    return TGVariant(TGVariant(Text).ToInt64());
  default:
    if (Type < 0) {
      throw Error("Invalid dynamic property type %d", Type);
    }
    throw Error("Unsupported type: %s", VarTypeAsText(static_cast<TGVarType>(Type)));
  }
}

} // namespace

void TDynProperties::LoadFromXML(const TGXMLNode* XML) {
  // Every property is read before any is added: a saved form that fails adds none.
  std::vector<std::pair<std::string, TGVariant>> Loaded;
  for (const TGXMLNode* Node : *XML->GetChilds("DynProperty")) {
    int Type = Node->GetIntAttr("Type");
    Loaded.emplace_back(Node->GetStrAttr("Name"), ValueFromText(Type, Node->GetStrAttr("Value")));
  }
  for (auto& [Name, Value] : Loaded) {
    AddProperty(Name, Value);
  }
}

TGXMLNode* TDynProperties::SaveToXML(TGXMLNode* XML) const {
  TGXMLNode* Target = XML ? XML : new TGXMLNode("DynProperties");
  for (const TMetaProperty& P : FPropList) {
    std::string Text = P.Value.ToString();
    if (Text.empty()) {
      continue;
    }
    TGXMLNode* Node = Target->AddChild("DynProperty");
    Node->SetStrAttr("Name", P.Name);
    Node->SetIntAttr("Type", static_cast<int32_t>(P.Value.VType()));
    Node->SetStrAttr("Value", Text);
  }
  return Target;
}
