// The DirectX ".x" file as a tree of data objects, read from its text form ("txt ") or its
// binary form ("bin "), with 32- or 64-bit floats. Template declarations are skipped; each data
// object keeps its type, its name, its values in file order (numbers and strings) and its
// children in file order (nested objects and references by name). What the values mean is the
// loader's business.
#pragma once

#include "io/UGStream.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TGXObject;

// A child of a data object: a nested object, or a reference ("{ Name }") to a named one.
struct TGXChild {
  std::unique_ptr<TGXObject> Object;
  std::string Reference; // when Object is none
};

// One value: a number, or (String >= 0) the object's string of that index.
struct TGXValue {
  double Number = 0;
  int32_t String = -1;
};

struct TGXObject {
  std::string Type;
  std::string Name;
  std::vector<TGXValue> Values;
  std::vector<std::string> Strings;
  std::vector<TGXChild> Children;
};

// The top-level data objects of a file. Damage (a bad header, an unknown token, unbalanced
// braces, a truncated file, nesting deeper than 64 objects) fails with an engine error naming
// the place; a compressed file ("tzip", "bzip") fails as unsupported.
std::vector<std::unique_ptr<TGXObject>> ReadXFile(TGStream& Stream);
