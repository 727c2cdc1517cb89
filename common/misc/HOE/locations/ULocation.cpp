#include "locations/ULocation.h"

#include "flow/UCommonGameState.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TLocation)

namespace {

constexpr const char* DefaultAvatar = "UI\\GameWindow\\Avatars\\Zari\\Normal";
constexpr const char* DefaultBriefingAvatar = "Tobrel";
// The rules' elements, in the order a location writes them.
constexpr const char* KeptNames[] = {"Goal",   "AtmosphereObjects", "Tracks", "PreloadResource",
                                     "Events", "ActiveEvents"};

std::string ReplaceAll(std::string_view Text, std::string_view From, std::string_view To) {
  std::string Out;
  size_t Run = 0;
  for (size_t At = Text.find(From); At != std::string_view::npos; At = Text.find(From, Run)) {
    Out.append(Text.substr(Run, At - Run));
    Out.append(To);
    Run = At + From.size();
  }
  Out.append(Text.substr(Run));
  return Out;
}

} // namespace

TLocation::TLocation(TGObject* AOwner)
    : TBaseLocation(AOwner)
    , GameAvatar(DefaultAvatar)
    , PDABriefingAvatar(DefaultBriefingAvatar) {}

void TLocation::Publish(TGClassBuilder<TLocation>& B) {
  B.Property("MasterObject", &TLocation::MasterObject, &TLocation::SetMasterObject);
}

void TLocation::Destroy() {
  FreeKept();
  inherited::Destroy();
}

void TLocation::FreeKept() {
  for (TGXMLNode* N : FKeptElements) {
    N->Free();
  }
  FKeptElements.clear();
}

std::string TLocation::EncodeText(std::string_view Text) {
  return ReplaceAll(ReplaceAll(ReplaceAll(Text, "&", "&amp;"), "\r", "&cr;"), "\n", "&lf;");
}

std::string TLocation::DecodeText(std::string_view Text) {
  return ReplaceAll(ReplaceAll(ReplaceAll(Text, "&lf;", "\n"), "&cr;", "\r"), "&amp;", "&");
}

void TLocation::FillMainChannel() {
  new TCommonGameState(FC()->MainChannel());
}

void TLocation::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  TBaseLocation::LoadFromXML(Context, Node);
  OnHintScript = Node->GetStrAttrDef("OnHint", "");
  OnSolveScript = Node->GetStrAttrDef("OnSolve", "");
  OnFirstActivateScript = Node->GetStrAttrDef("OnFirstActivateScript", "");
  OnMusicHandler = Node->GetStrAttrDef("OnMusicHandler", "");
  OnHotSpotScript = Node->GetStrAttrDef("OnHotSpot", "");
  SolveVisible = Node->GetBoolAttrDef("SolveVisible", false);
  KeepToolsOpened = Node->GetBoolAttrDef("KeepToolsOpened", false);
  KeepToolsClosed = Node->GetBoolAttrDef("KeepToolsClosed", false);
  CannotCarryMsg = Node->GetStrAttrDef("CannotCarryMsg", "");
  LoopedSfx = Node->GetStrAttrDef("LoopedSfx", "");
  GameAvatar = Node->GetStrAttrDef("GameAvatar", DefaultAvatar);
  BlackScreenBriefingText = DecodeText(Node->GetStrAttrDef("BlackScreenBriefingText", ""));
  PDABriefingText = DecodeText(Node->GetStrAttrDef("PDABriefingText", ""));
  PDABriefingAvatar = Node->GetStrAttrDef("PDABriefingAvatar", DefaultBriefingAvatar);
  PuzzleHintShown = Node->GetBoolAttrDef("PuzzleHintShown", false);
  ScannerUsed = Node->GetBoolAttrDef("ScannerUsed", false);
  HintUsed = Node->GetBoolAttrDef("HintUsed", false);
  TakenZephrinCount = Node->GetIntAttrDef("TakenZephrinCount", 0);
  TimeOnLocation = Node->GetFloatAttrDef("TimeOnLocation", 0);
  FMasterObject = Node->GetStrAttrDef("MasterObject", "");
  FreeKept();
  for (const char* Name : KeptNames) {
    for (const TGXMLNode* Child : *Node->GetChilds(Name)) {
      FKeptElements.push_back(static_cast<TGXMLNode*>(Child->Clone(nullptr)));
    }
  }
}

TGXMLNode* TLocation::SaveToXML() const {
  TGObjectPtr<TGXMLNode> XML(TBaseLocation::SaveToXML());
  XML->SetStrAttrDef("OnHint", "", OnHintScript);
  XML->SetStrAttrDef("OnSolve", "", OnSolveScript);
  XML->SetStrAttrDef("OnFirstActivateScript", "", OnFirstActivateScript);
  XML->SetStrAttrDef("OnMusicHandler", "", OnMusicHandler);
  XML->SetStrAttrDef("OnHotSpot", "", OnHotSpotScript);
  XML->SetBoolAttrDef("SolveVisible", false, SolveVisible);
  XML->SetBoolAttrDef("KeepToolsOpened", false, KeepToolsOpened);
  XML->SetBoolAttrDef("KeepToolsClosed", false, KeepToolsClosed);
  XML->SetStrAttrDef("CannotCarryMsg", "", CannotCarryMsg);
  XML->SetStrAttrDef("LoopedSfx", "", LoopedSfx);
  XML->SetStrAttr("GameAvatar", GameAvatar);
  XML->SetStrAttrDef("BlackScreenBriefingText", "", EncodeText(BlackScreenBriefingText));
  XML->SetStrAttrDef("PDABriefingText", "", EncodeText(PDABriefingText));
  XML->SetStrAttrDef("PDABriefingAvatar", DefaultBriefingAvatar, PDABriefingAvatar);
  XML->SetBoolAttr("PuzzleHintShown", PuzzleHintShown);
  XML->SetBoolAttr("ScannerUsed", ScannerUsed);
  XML->SetBoolAttr("HintUsed", HintUsed);
  XML->SetIntAttrDef("TakenZephrinCount", 0, TakenZephrinCount);
  XML->SetFloatAttr("TimeOnLocation", TimeOnLocation);
  XML->SetStrAttrDef("MasterObject", "", FMasterObject);
  for (const TGXMLNode* N : FKeptElements) {
    XML->AddNode(static_cast<TGXMLNode*>(N->Clone(nullptr)));
  }
  return XML.release();
}

void TLocation::AssignTo(TGObject* Dest) const {
  TBaseLocation::AssignTo(Dest);
  auto* Target = TryObjectCast<TLocation>(Dest);
  if (!Target) {
    return;
  }
  Target->OnHintScript = OnHintScript;
  Target->OnSolveScript = OnSolveScript;
  Target->OnFirstActivateScript = OnFirstActivateScript;
  Target->OnMusicHandler = OnMusicHandler;
  Target->OnHotSpotScript = OnHotSpotScript;
  Target->SolveVisible = SolveVisible;
  Target->KeepToolsOpened = KeepToolsOpened;
  Target->KeepToolsClosed = KeepToolsClosed;
  Target->CannotCarryMsg = CannotCarryMsg;
  Target->LoopedSfx = LoopedSfx;
  Target->GameAvatar = GameAvatar;
  Target->BlackScreenBriefingText = BlackScreenBriefingText;
  Target->PDABriefingText = PDABriefingText;
  Target->PDABriefingAvatar = PDABriefingAvatar;
  Target->PuzzleHintShown = PuzzleHintShown;
  Target->ScannerUsed = ScannerUsed;
  Target->HintUsed = HintUsed;
  Target->TakenZephrinCount = TakenZephrinCount;
  Target->TimeOnLocation = TimeOnLocation;
  Target->FMasterObject = FMasterObject;
  Target->FreeKept();
  for (const TGXMLNode* N : FKeptElements) {
    Target->FKeptElements.push_back(static_cast<TGXMLNode*>(N->Clone(nullptr)));
  }
}
