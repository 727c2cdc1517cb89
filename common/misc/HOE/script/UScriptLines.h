// Script lines the engine builds and runs for content: naming an object or a location by ID
// (any ID works, because it is always quoted), running a hook and asking a condition.
#pragma once

#include "object/UGVariant.h"

#include <string>
#include <string_view>

// A script string literal of any text.
std::string ScriptString(std::string_view Text);
// "Name = O["ID"]": the script global Name becomes the game object of that ID.
std::string ObjectLine(std::string_view Name, std::string_view AID);
// "Name = this["ID"]": the global Name becomes the engine-wide object of that name.
std::string GlobalLine(std::string_view Name, std::string_view AGlobalName);

// Runs the script through the program's processor (nothing for an empty one); errors are
// reported, never raised. The value, empty after an error.
TGVariant RunScript(const std::string& Code);
// Whether the script's value is the boolean true.
bool ScriptIsTrue(const std::string& Code);
// Whether the value compares equal to false: false, 0 and an empty result all do.
bool ScriptValueIsFalse(const TGVariant& Value);
