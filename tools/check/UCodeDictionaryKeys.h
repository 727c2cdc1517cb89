// The dictionary keys the program's own code names, found in its string literals by the build
// (hoe-scan-keys writes the list): every dictionary must translate them.
#pragma once

#include <span>

struct TCodeDictionaryKey {
  const char* Key;
  const char* File; // the source that names it, from the source root
  int Line;
};

std::span<const TCodeDictionaryKey> CodeDictionaryKeys();
