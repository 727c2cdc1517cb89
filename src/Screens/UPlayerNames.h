// Player names: the characters a name may hold (a dictionary text, so each language has its
// own), the filtering of typed names down to them, and the comparison of names without regard
// to case, by Unicode case folding.
#pragma once

#include <string>
#include <string_view>

// The characters allowed in player names. The dictionary's reserved characters ("$" and "#")
// are never among them: a name holding one would show as a dictionary key.
const std::u32string& CorrectChars();
// Sets them from UTF-8 text (invalid bytes are dropped); an empty text allows nothing.
void SetCorrectChars(std::string_view Chars);
bool IsCorrectChar(char32_t Ch);

// The characters of Name (UTF-8) that occur in Chars, in their order; Default when none is left.
std::string CorrectName(std::string_view Name, std::u32string_view Chars, std::string_view Default);
// CorrectName with the allowed characters.
std::string UserCorrectName(std::string_view Name, std::string_view Default);

// Whether two UTF-8 names are equal after Unicode case folding ("Ärger" and "äRGER" are).
bool SameNameIgnoringCase(std::string_view A, std::string_view B);
