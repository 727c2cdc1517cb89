// The location classes by name: a location file's "Class" attribute picks one.
#pragma once

#include "object/UGClass.h"

#include <string>
#include <string_view>
#include <vector>

struct TLocationClassDesc {
  TGClass LocationClass;
  std::string ClassName;
};

class TLocationClassRegistry {
public:
  // Appends the class under its class name; a class registered already stays where it is (the
  // game's classes may be registered more than once in a process).
  void Add(TGClass LocationClass);
  // The first class of exactly that name: "Wrong location class name: " + name otherwise.
  TGClass GetItem(std::string_view Name) const;
  const std::vector<TLocationClassDesc>& Items() const { return FItems; }
  void Clear() { FItems.clear(); }

private:
  std::vector<TLocationClassDesc> FItems;
};

// The process-wide registry, made on first use.
TLocationClassRegistry& LocationClassRegistry();
