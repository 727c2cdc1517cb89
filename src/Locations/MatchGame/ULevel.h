// Match-three levels: the level number with the file it is read from, and the strict attribute
// readers of level files, which refuse text that is not a number instead of reading it as 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TGResourceLibrary;
class TGXMLNode;

// Seven stages per location: the location index is Order div 7, the stage index Order mod 7.
struct TLevel {
  int32_t FOrder = 0;

  int32_t Order() const { return FOrder; }
  int32_t LocationIndex() const { return FOrder / 7; }
  int32_t StageIndex() const { return FOrder % 7; }
  // "MatchGame/Levels/" + location + " - " + stage + ".cfg", both 1-based and of two digits
  // at least ("MatchGame/Levels/01 - 01.cfg" for order 0).
  std::string StageURL() const;
  // The root element of the level file; "Resource \"%s\" not found" when the library lacks it.
  TGXMLNode* GetStageXML(TGResourceLibrary& Library) const;
};

// The integer of an attribute: "Attribute \"%s\" not found" when it is missing, and
// "Attribute \"%s\" of \"%s\" is not an integer: \"%s\"" when its text is not one.
int32_t LevelIntAttr(const TGXMLNode& Node, std::string_view Name);
int32_t LevelIntAttrDef(const TGXMLNode& Node, std::string_view Name, int32_t Default);
// Integer text (with optional blanks around it), failing as LevelIntAttr does.
int32_t LevelInt(const TGXMLNode& Node, std::string_view Name, std::string_view Text);
