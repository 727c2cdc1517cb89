#include "player/USpeechLog.h"

#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "locations/UBaseLocation.h"
#include "player/UPlayer.h"
#include "xml/UGXMLNode.h"

#include <cmath>
#include <limits>

G_IMPLEMENT_CLASS(TSpeechLogItem)
G_IMPLEMENT_CLASS(TSpeechLog)

// --- Dates ---------------------------------------------------------------------------------------

uint32_t SpeechLogDateToStored(TGDateTime DateTime) {
  const double Ticks = std::nearbyint((DateTime - CSpeechLogEpoch) * CSpeechLogTicksPerDay);
  // Also refuses a date that is not a number: no comparison holds for it.
  if (!(Ticks >= 0 && Ticks <= static_cast<double>(std::numeric_limits<uint32_t>::max()))) {
    throw ERangeError(Format("The speech log date %s cannot be stored: it lies outside "
                             "16 August 1988 to 3 September 2056",
                             {FloatToStr(DateTime)}));
  }
  return static_cast<uint32_t>(Ticks);
}

// A line said while the clock is set outside the stored form's years is kept at the nearer end
// of them: a wrong clock must not make the profile impossible to save.
uint32_t StoredDateOf(TGDateTime DateTime) {
  try {
    return SpeechLogDateToStored(DateTime);
  } catch (const ERangeError& E) {
    ODS("%s; it is saved as the nearest date that can be", E.Message());
    return DateTime > CSpeechLogEpoch ? std::numeric_limits<uint32_t>::max() : 0;
  }
}

TGDateTime StoredToSpeechLogDate(uint32_t Value) {
  return static_cast<double>(Value) / CSpeechLogTicksPerDay + CSpeechLogEpoch;
}

// --- Items ---------------------------------------------------------------------------------------

void TSpeechLogItem::Publish(TGClassBuilder<TSpeechLogItem>& B) {
  B.Property("LocationName", &TSpeechLogItem::LocationName, &TSpeechLogItem::LocationName)
      .Property("Text", &TSpeechLogItem::Text, &TSpeechLogItem::Text)
      .Property("ThumbnailURL", &TSpeechLogItem::ThumbnailURL, &TSpeechLogItem::ThumbnailURL)
      .Property("DateTime", &TSpeechLogItem::DateTime, &TSpeechLogItem::DateTime);
}

void TSpeechLogItem::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TSpeechLogItem*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->LocationName = LocationName;
  D->Text = Text;
  D->ThumbnailURL = ThumbnailURL;
  D->DateTime = DateTime;
}

// --- The log -------------------------------------------------------------------------------------

void TSpeechLog::Publish(TGClassBuilder<TSpeechLog>& B) {
  B.Property("Count", &TSpeechLog::Count)
      .Method("Items", &TSpeechLog::GetItem, {"Index"})
      .Method("AddSpeech", &TSpeechLog::AddSpeech, {"Text"})
      .Method("Clear", &TSpeechLog::Clear);
}

void TSpeechLog::Destroy() {
  Clear();
  inherited::Destroy();
}

void TSpeechLog::OwnedObjectDestroying(TGObject* Obj) {
  std::erase(FList, Obj);
  inherited::OwnedObjectDestroying(Obj);
}

TSpeechLogItem* TSpeechLog::GetItem(int32_t Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= FList.size()) {
    throw ERangeError(Format("Speech log index %d is outside 0 to %d",
                             {int64_t{Index}, static_cast<int64_t>(FList.size()) - 1}));
  }
  return FList[static_cast<size_t>(Index)];
}

void TSpeechLog::AddSpeech(const std::string& Text) {
  if (!FList.empty() && FList.back()->Text == Text) {
    return;
  }
  // The log's own player, or the one being played.
  const TBasePlayer* Player = TryObjectCast<TBasePlayer>(Owner());
  if (!Player) {
    Player = CurrentPlayer;
  }
  const TBaseLocation* Location = Player ? Player->CurrentLocation() : nullptr;
  auto* Item = new TSpeechLogItem(this);
  Item->Text = Text;
  Item->DateTime = PreciseNow();
  if (Location) {
    Item->LocationName = Location->ID;
    Item->ThumbnailURL = ExtractFileName(Location->URL());
  }
  FList.push_back(Item);
}

void TSpeechLog::Clear() {
  // Each item leaves the list as it is freed.
  while (!FList.empty()) {
    FList.back()->Free();
  }
}

TGXMLNode* TSpeechLog::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("SpeechLog"));
  for (const TSpeechLogItem* Item : FList) {
    TGXMLNode* C = Node->AddChild("Item");
    C->SetStrAttr("LocationName", Item->LocationName);
    C->SetStrAttr("Text", Item->Text);
    C->SetStrAttr("ThumbnailURL", Item->ThumbnailURL);
    C->SetLongwordAttr("DateTime", StoredDateOf(Item->DateTime));
  }
  return Node.release();
}

void TSpeechLog::LoadFromXML(const TGXMLNode* Node) {
  TGObjectPtr<TSpeechLog> Loaded(new TSpeechLog(nullptr));
  for (const TGXMLNode* C : *Node->GetChilds("Item")) {
    auto* Item = new TSpeechLogItem(Loaded.get());
    Loaded->FList.push_back(Item);
    Item->LocationName = C->GetStrAttrDef("LocationName", "");
    Item->Text = C->GetStrAttrDef("Text", "");
    Item->ThumbnailURL = C->GetStrAttrDef("ThumbnailURL", "");
    Item->DateTime = StoredToSpeechLogDate(C->GetLongwordAttrDef("DateTime", 0));
  }
  Loaded->AssignTo(this);
}

void TSpeechLog::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TSpeechLog*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  if (D == this) {
    return;
  }
  D->Clear();
  for (const TSpeechLogItem* Item : FList) {
    auto* Copy = new TSpeechLogItem(D);
    Item->AssignTo(Copy);
    D->FList.push_back(Copy);
  }
}
