#include "player/USpeech.h"

#include "base/UGError.h"
#include "base/UGFormat.h"
#include "xml/UGXMLNode.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TSpeechQueue)
G_IMPLEMENT_CLASS(TSpeechPositionRegistry)

namespace {

[[noreturn]] void IndexOutOfRange(const char* What, int32_t Index, size_t Count) {
  throw ERangeError(Format("%s index %d is outside 0 to %d",
                           {What, int64_t{Index}, static_cast<int64_t>(Count) - 1}));
}

} // namespace

// --- The queue -----------------------------------------------------------------------------------

void TSpeechQueue::Publish(TGClassBuilder<TSpeechQueue>& B) {
  B.Property("Count", &TSpeechQueue::Count)
      .Property("Empty", &TSpeechQueue::Empty)
      .Method("AddCue", &TSpeechQueue::AddCue, {"PositionID", "Text", "Script"})
      .Method("Pop", &TSpeechQueue::Pop)
      .Method("Clear", &TSpeechQueue::Clear);
}

TSpeechCue TSpeechQueue::GetItem(int32_t Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= FItems.size()) {
    IndexOutOfRange("Speech cue", Index, FItems.size());
  }
  return FItems[static_cast<size_t>(Index)];
}

void TSpeechQueue::AddCue(const std::string& PositionID, const std::string& Text,
                          const std::string& Script) {
  for (const TSpeechCue& C : FItems) {
    if (C.PositionID == PositionID && C.Text == Text) {
      return;
    }
  }
  FItems.insert(FItems.begin(), TSpeechCue{PositionID, Text, Script});
}

bool TSpeechQueue::Peek(TSpeechCue& Cue) const {
  if (FItems.empty()) {
    return false;
  }
  Cue = FItems.back();
  return true;
}

void TSpeechQueue::Pop() {
  if (FItems.empty()) {
    return;
  }
  FLastSpeech = std::move(FItems.back());
  FItems.pop_back();
}

void TSpeechQueue::Clear() {
  FItems.clear();
  FLastSpeech = TSpeechCue{};
}

TGXMLNode* TSpeechQueue::SaveToXML() const {
  auto* Node = new TGXMLNode("SpeechQueue");
  for (auto It = FItems.rbegin(); It != FItems.rend(); ++It) {
    TGXMLNode* C = Node->AddChild("SpeechCue");
    C->SetStrAttr("PositionID", It->PositionID);
    C->SetStrAttr("Text", It->Text);
    C->SetStrAttr("Script", It->Script);
  }
  return Node;
}

void TSpeechQueue::LoadFromXML(const TGXMLNode* Node) {
  for (const TGXMLNode* C : *Node->GetChilds("SpeechCue")) {
    const std::string Script = C->GetStrAttr("Script");
    const std::string Text = C->GetStrAttr("Text");
    const std::string PositionID = C->GetStrAttr("PositionID");
    AddCue(PositionID, Text, Script);
  }
}

void TSpeechQueue::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TSpeechQueue*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->FItems = FItems;
  D->FLastSpeech = FLastSpeech;
}

// --- The anchors ---------------------------------------------------------------------------------

void TSpeechPositionRegistry::RegisterSpeechPosition(TGObject* Owner, const std::string& ID,
                                                     const TGFlatVector& RootPosition,
                                                     TGDirection Orientation) {
  FItems.push_back(TSpeechPositionDesc{Owner, ID, RootPosition, Orientation});
  if (Owner && Owner != this) {
    Subscribe(TGNotification(Owner, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TSpeechPositionRegistry::OnOwnerDestroy));
  }
}

int32_t TSpeechPositionRegistry::IndexOf(std::string_view ID) const {
  for (size_t I = 0; I < FItems.size(); ++I) {
    if (FItems[I].ID == ID) {
      return static_cast<int32_t>(I);
    }
  }
  return -1;
}

TSpeechPositionDesc TSpeechPositionRegistry::GetItem(int32_t Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= FItems.size()) {
    IndexOutOfRange("Speech position", Index, FItems.size());
  }
  return FItems[static_cast<size_t>(Index)];
}

void TSpeechPositionRegistry::UnregisterSpeechPositions(TGObject* Owner) {
  std::erase_if(FItems, [Owner](const TSpeechPositionDesc& D) { return D.Owner == Owner; });
  if (Owner && Owner != this) {
    UnSubscribe(Owner);
  }
}

void TSpeechPositionRegistry::OnOwnerDestroy(TGObject* Sender) {
  std::erase_if(FItems, [Sender](const TSpeechPositionDesc& D) { return D.Owner == Sender; });
}
