// The program. Until the application frame exists it shows that the engine core is alive: it
// reads the product's version information and writes it back through the XML tree.
#include "UGObject.h"
#include "UGXMLNode.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int Argc, char** Argv) {
  std::string File = Argc > 1 ? Argv[1] : "content/VersionInfo.xml";
  try {
    TGObjectPtr<TGXMLNode> Info(new TGXMLNode("VersionInfo"));
    Info->LoadFromFile(File);
    std::printf("%s %s by %s\n", Info->GetStrAttrDef("ProductName", "?").c_str(),
                Info->GetStrAttrDef("ProductVersion", "?").c_str(),
                Info->GetStrAttrDef("CompanyName", "?").c_str());
    std::printf("%s", Info->SaveToString().c_str());
    std::printf("engine core: %d objects created\n", InstanceCounter.load());
    return 0;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "hoe: %s\n", E.what());
    return 1;
  }
}
