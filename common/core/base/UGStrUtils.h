// Text helpers: locale-independent number parsing, URL and path text, and the small text codecs
// that keep multi-line texts in single-line attributes.
#pragma once

#include "base/UGTypes.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Float parsing with '.' as decimal separator first, then ','. Leading and trailing blanks are
// allowed. SafeStrToFloat raises EConvertError ("'%s' is not a valid floating point value").
double SafeStrToFloat(std::string_view S);
bool SafeTryStrToFloat(std::string_view S, double& Value);
bool SafeTryStrToFloat(std::string_view S, float& Value);

// Integer parsing: optional leading blanks and sign, then decimal digits, or hexadecimal digits
// after "$", "x" or "0x". 32-bit hexadecimal values wrap ("$FFFFFFFF" is -1).
bool TryStrToInt(std::string_view S, int32_t& Value);
bool TryStrToInt64(std::string_view S, int64_t& Value);
int32_t StrToIntDef(std::string_view S, int32_t Default);
// StrToInt raises EConvertError ("'%s' is not a valid integer value").
int32_t StrToInt(std::string_view S);
// "True"/"False" without regard to case, else an integer (true when not 0), else Default.
bool StrToBoolDef(std::string_view S, bool Default);
bool TryStrToBool(std::string_view S, bool& Value);
const char* BoolToStr(bool V);

// Three floats separated by single blanks (see the attribute rules of XML nodes).
bool TryStrToVec(std::string_view S, TGVector& V);
std::string VecToStr(const TGVector& V);

// Decimal text of N with a leading "0" below 10 ("07").
std::string IdxToStr(int N);
// Cuts S at every Delimiter; empty pieces are dropped; the remainder after the last delimiter is
// kept untrimmed, but only when it is not blank.
void SplitString(std::string_view S, char Delimiter, std::vector<std::string>& Parts);

// "&" -> "&amp;", CR -> "&cr;", LF -> "&lf;" and back.
std::string EncodeText(std::string_view S);
std::string DecodeText(std::string_view S);
// Replaces '"', '&', '<', '>' by their entities and leaves out the control characters that XML
// cannot carry (U+0001..U+001F other than TAB, CR and LF).
std::string TransformForXML(std::string_view S);

// ASCII-only case handling, as names, keys and URLs are compared.
char UpCaseChar(char C);
// Every occurrence of From (not empty) replaced by To, left to right.
std::string ReplaceAll(std::string_view S, std::string_view From, std::string_view To);
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
// Byte comparison after folding a-z to A-Z; the difference of the first differing bytes.
int StrIComp(std::string_view A, std::string_view B);
bool SameText(std::string_view A, std::string_view B);
std::string Trim(std::string_view S);
bool IsBlank(std::string_view S);

// Every '/' becomes '\' and runs of backslashes collapse to one.
std::string FixURLSlashes(std::string_view S);
bool SameURL(std::string_view A, std::string_view B);
// Up to and including the last '/' or '\' (not counting one in the first position).
std::string ResourceFolder(std::string_view URL);
// Drops the first character and everything up to and including the first following '\'
// (the category folder of a file path); unchanged when there is no such '\'.
std::string FileNameToURL(std::string_view S);
std::string ExtractFileExt(std::string_view Name);
std::string ExtractFileName(std::string_view Name);
std::string ChangeFileExt(std::string_view Name, std::string_view Ext);

// UTF-8 and UTF-16 at the edges of binary formats. Invalid input becomes U+FFFD.
std::u16string UTF8ToUTF16(std::string_view S);
std::string UTF16ToUTF8(std::u16string_view S);
// Number of UTF-16 code units the UTF-8 text takes (its length as a wide string).
size_t UTF16Length(std::string_view S);
// Number of code points.
size_t UTF8Length(std::string_view S);
// Whether S is well-formed UTF-8 made only of characters an XML document may hold (no control
// characters but tab, line feed and carriage return; no surrogates, U+FFFE or U+FFFF): text
// read from binary files must pass before it goes into an XML tree.
bool IsXMLText(std::string_view S);

// N in decimal with Separator inserted once before the last three digits when there are more
// than three digits ("12 345", "1234 567", "-1 234"); the sign does not count as a digit.
std::string IntToStrSeparatedEx(int64_t N, std::string_view Separator);
// "hh:mm:ss" with at least two digits each (3725 gives "01:02:05", 360000 gives "100:00:00").
std::string SecondsToStr(int64_t Seconds);
