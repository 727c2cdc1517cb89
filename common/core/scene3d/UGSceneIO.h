// Reading and writing the values of scene files. Readers take the default when the attribute is
// missing and fail with a clear error for a text that is no value of its kind, or a number that
// is not finite; writers leave out values equal to their defaults.
#pragma once

#include "base/UGGUID.h"
#include "math/UGColor.h"
#include "math/UGMathTypes.h"

#include <cstdint>
#include <string_view>

class TGXMLNode;

float ReadSceneFloat(const TGXMLNode* Node, std::string_view Name, float Default);
TGVector ReadSceneVector(const TGXMLNode* Node, std::string_view Name, const TGVector& Default);
int32_t ReadSceneInteger(const TGXMLNode* Node, std::string_view Name, int32_t Default);
bool ReadSceneBool(const TGXMLNode* Node, std::string_view Name, bool Default);
// A 32-bit colour as a decimal or hexadecimal ("$", "0x") number; negative numbers are taken as
// their 32-bit pattern.
TGColor ReadSceneColor(const TGXMLNode* Node, std::string_view Name, TGColor Default);
TGGUID ReadSceneGUID(const TGXMLNode* Node, std::string_view Name);

void WriteSceneFloat(TGXMLNode* Node, std::string_view Name, float Default, float Value);
void WriteSceneVector(TGXMLNode* Node, std::string_view Name, const TGVector& Default,
                      const TGVector& Value);
void WriteSceneColor(TGXMLNode* Node, std::string_view Name, TGColor Default, TGColor Value);
