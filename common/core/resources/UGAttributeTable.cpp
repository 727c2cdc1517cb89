#include "resources/UGAttributeTable.h"

#include "base/UGStrUtils.h"
#include "io/UGFileSystem.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TGAttributeTable)

TGAttributeTable::TGAttributeTable(TGObject* AOwner, TGFileSystem* AFileSystem,
                                   const std::string& AFileName)
    : TGObject(AOwner) {
  Load(AFileName, AFileSystem);
}

void TGAttributeTable::Load(const std::string& AFileName, TGFileSystem* AFileSystem) {
  FFileName = AFileName;
  FFileSystem = AFileSystem;
  FreeAndNil(FXML);
  FXML = new TGXMLNode(this);
  FXML->SetName("Attributes");
  if (FFileSystem && !FFileName.empty() && FFileSystem->FileExists(FFileName)) {
    std::unique_ptr<TGStream> Stream = FFileSystem->CreateStream(FFileName, fmOpenRead);
    FXML->LoadFromStream(*Stream);
  }
}

TGXMLNode* TGAttributeTable::Retrieve(const std::string& URL) const {
  std::string U = FixURLSlashes(URL);
  for (TGXMLNode* Resource : *FXML->GetChilds("Resource")) {
    if (!SameURL(FixURLSlashes(Resource->GetStrAttrDef("URL", "")), U)) {
      continue;
    }
    // The first child element of any name.
    return Resource->GetChildsCount() > 0 && Resource->GetIndexedChilds(0)->GetCount() > 0
               ? Resource->GetIndexedChilds(0)->GetItem(0)
               : nullptr;
  }
  return nullptr;
}
