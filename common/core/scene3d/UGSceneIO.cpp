#include "scene3d/UGSceneIO.h"

#include "base/UGStrUtils.h"
#include "xml/UGXMLNode.h"

#include <cmath>
#include <string>

namespace {

[[noreturn]] void Invalid(std::string_view Kind, std::string_view Name, const std::string& Text) {
  throw Error("Invalid %s in \"%s\": [%s]", std::string(Kind), std::string(Name), Text);
}

} // namespace

float ReadSceneFloat(const TGXMLNode* Node, std::string_view Name, float Default) {
  if (!Node->HasAttr(Name))
    return Default;
  const std::string Text = Node->GetStrAttr(Name);
  float V = 0;
  if (!SafeTryStrToFloat(Text, V) || !std::isfinite(V))
    Invalid("number", Name, Text);
  return V;
}

TGVector ReadSceneVector(const TGXMLNode* Node, std::string_view Name, const TGVector& Default) {
  if (!Node->HasAttr(Name))
    return Default;
  const std::string Text = Node->GetStrAttr(Name);
  TGVector V;
  if (!TryStrToVec(Text, V) || !std::isfinite(V.X) || !std::isfinite(V.Y) || !std::isfinite(V.Z))
    Invalid("vector", Name, Text);
  return V;
}

int32_t ReadSceneInteger(const TGXMLNode* Node, std::string_view Name, int32_t Default) {
  if (!Node->HasAttr(Name))
    return Default;
  const std::string Text = Node->GetStrAttr(Name);
  int32_t V = 0;
  if (!TryStrToInt(Text, V))
    Invalid("integer", Name, Text);
  return V;
}

bool ReadSceneBool(const TGXMLNode* Node, std::string_view Name, bool Default) {
  if (!Node->HasAttr(Name))
    return Default;
  const std::string Text = Node->GetStrAttr(Name);
  bool V = false;
  if (!TryStrToBool(Text, V))
    Invalid("boolean", Name, Text);
  return V;
}

TGColor ReadSceneColor(const TGXMLNode* Node, std::string_view Name, TGColor Default) {
  if (!Node->HasAttr(Name))
    return Default;
  const std::string Text = Node->GetStrAttr(Name);
  int64_t V = 0;
  if (!TryStrToInt64(Text, V) || V < INT32_MIN || V > UINT32_MAX)
    Invalid("colour", Name, Text);
  return TGColor(static_cast<uint32_t>(V));
}

TGGUID ReadSceneGUID(const TGXMLNode* Node, std::string_view Name) {
  const std::string Text = Node->GetStrAttr(Name);
  const std::optional<TGGUID> G = TGGUID::Parse(Text);
  if (!G)
    Invalid("GUID", Name, Text);
  return *G;
}

void WriteSceneFloat(TGXMLNode* Node, std::string_view Name, float Default, float Value) {
  if (Value != Default)
    Node->SetFloatAttr(Name, Value);
}

void WriteSceneVector(TGXMLNode* Node, std::string_view Name, const TGVector& Default,
                      const TGVector& Value) {
  if (Value.X != Default.X || Value.Y != Default.Y || Value.Z != Default.Z)
    Node->SetVecAttr(Name, Value);
}

void WriteSceneColor(TGXMLNode* Node, std::string_view Name, TGColor Default, TGColor Value) {
  Node->SetLongwordAttrDef(Name, uint32_t(Default), uint32_t(Value));
}
