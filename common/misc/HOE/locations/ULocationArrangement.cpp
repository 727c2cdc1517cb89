#include "locations/ULocationArrangement.h"

#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TLocationArrangement)

namespace {

constexpr int32_t CDefaultPause = 7000;

} // namespace

void TLocationArrangement::AssignTo(TGObject* Dest) const {
  auto* Target = TryObjectCast<TLocationArrangement>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  Target->FPauseBetweenTracks = FPauseBetweenTracks;
  Target->FTracks = FTracks;
}

void TLocationArrangement::LoadFromXML(const TGXMLNode* Node) {
  std::vector<std::string> Read;
  for (const TGXMLNode* T : *Node->GetChilds("Track")) {
    Read.push_back(T->GetStrAttr("URL"));
  }
  FPauseBetweenTracks = Node->GetIntAttrDef("PauseBetweenTracks", CDefaultPause);
  FTracks = std::move(Read);
}

TGXMLNode* TLocationArrangement::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Tracks"));
  Node->SetIntAttrDef("PauseBetweenTracks", CDefaultPause, FPauseBetweenTracks);
  for (const std::string& URL : FTracks) {
    Node->AddChild("Track")->SetStrAttr("URL", URL);
  }
  return Node.release();
}
