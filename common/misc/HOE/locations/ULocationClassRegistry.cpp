#include "locations/ULocationClassRegistry.h"

#include "base/UGError.h"

void TLocationClassRegistry::Add(TGClass LocationClass) {
  for (const TLocationClassDesc& D : FItems) {
    if (D.LocationClass == LocationClass) {
      return;
    }
  }
  FItems.push_back(TLocationClassDesc{LocationClass, LocationClass->Name});
}

TGClass TLocationClassRegistry::GetItem(std::string_view Name) const {
  for (const TLocationClassDesc& D : FItems) {
    if (D.ClassName == Name) {
      return D.LocationClass;
    }
  }
  throw Error("Wrong location class name: %s", Name);
}

TLocationClassRegistry& LocationClassRegistry() {
  static TLocationClassRegistry Registry;
  return Registry;
}
