// Text between the engine and the script engine. The engine keeps UTF-8; Duktape keeps strings in
// CESU-8, where a character outside the Basic Multilingual Plane is a surrogate pair, each half
// written as a three-byte sequence, so that scripts see it as two UTF-16 units as ECMAScript says.
#pragma once

#include <string>
#include <string_view>

// UTF-8 to CESU-8. Malformed bytes and encoded surrogates become U+FFFD.
std::string Utf8ToCesu8(std::string_view Text);
// CESU-8 (or UTF-8) to UTF-8. Surrogate pairs are joined; lone surrogates and malformed bytes
// become U+FFFD.
std::string Cesu8ToUtf8(std::string_view Text);
