#include "Locations/MatchGame/ULevel.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

std::string TLevel::StageURL() const {
  return "MatchGame/Levels/" + IdxToStr(LocationIndex() + 1) + " - " + IdxToStr(StageIndex() + 1) +
         ".cfg";
}

TGXMLNode* TLevel::GetStageXML(TGResourceLibrary& Library) const {
  auto* Config = ObjectCast<TGConfig>(Library.GetResource(StageURL()));
  return Config->XML();
}

int32_t LevelInt(const TGXMLNode& Node, std::string_view Name, std::string_view Text) {
  int32_t Value = 0;
  if (!TryStrToInt(Trim(Text), Value)) {
    throw Error("Attribute \"%s\" of \"%s\" is not an integer: \"%s\"", Name, Node.Name(), Text);
  }
  return Value;
}

int32_t LevelIntAttr(const TGXMLNode& Node, std::string_view Name) {
  Node.EnsureFindAttr(Name);
  return LevelInt(Node, Name, Node.GetStrAttr(Name));
}

int32_t LevelIntAttrDef(const TGXMLNode& Node, std::string_view Name, int32_t Default) {
  return Node.HasAttr(Name) ? LevelInt(Node, Name, Node.GetStrAttr(Name)) : Default;
}
