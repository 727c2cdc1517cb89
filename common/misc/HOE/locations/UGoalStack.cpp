#include "locations/UGoalStack.h"

#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <vector>

G_IMPLEMENT_CLASS(TGoalItem)
G_IMPLEMENT_CLASS(TGoalStack)

namespace {

// Timed goals go once they are down to this.
constexpr int32_t CGoalExpiry = 100;

} // namespace

TGoalStack::TGoalStack(TGObject* AOwner)
    : TGObject(AOwner) {
  FList.SetCaseSensitive(true);
  FList.SetSorted(true);
  FList.SetDuplicates(dupError);
}

void TGoalStack::Destroy() {
  Clear();
  inherited::Destroy();
}

void TGoalStack::Publish(TGClassBuilder<TGoalStack>& B) {
  B.Property("Text", &TGoalStack::Text)
      .Method("SetGoal", &TGoalStack::SetGoal, {"ALevel", "AStr"})
      .Method("SetTimedGoal", &TGoalStack::SetTimedGoal, {"ALevel", "AStr", "ATimeout"})
      .Method("GetGoal", &TGoalStack::GetGoal, {"ALevel"})
      .Method("Clear", &TGoalStack::Clear)
      .Method("Update", &TGoalStack::Update, {"AInterval"});
}

std::string TGoalStack::LevelKey(int32_t ALevel) {
  std::string S = std::to_string(ALevel);
  return ALevel >= 0 && ALevel < 10 ? "0" + S : S;
}

std::string TGoalStack::NormalizeKey(std::string_view Key) {
  int32_t Level = 0;
  std::string K = Trim(Key);
  if (K.empty()) {
    return LevelKey(0);
  }
  return TryStrToInt(K, Level) ? LevelKey(Level) : K;
}

void TGoalStack::Put(const std::string& Key, const std::string& AStr, int32_t TimeLeft) {
  int Index = 0;
  if (AStr.empty()) {
    if (FList.Find(Key, Index)) {
      DeleteAt(Index);
    }
    return;
  }
  TGoalItem* Item = nullptr;
  if (FList.Find(Key, Index)) {
    Item = FList.ObjectAs<TGoalItem>(Index);
  } else {
    Item = new TGoalItem(this);
    FList.AddObject(Key, Item);
  }
  Item->Text = AStr;
  Item->TimeLeft = TimeLeft;
}

void TGoalStack::DeleteAt(int Index) {
  TGObject* Item = FList.GetObject(Index);
  FList.Delete(Index);
  Item->Free();
}

void TGoalStack::SetGoal(int32_t ALevel, const std::string& AStr) {
  Put(LevelKey(ALevel), AStr, -1);
}

void TGoalStack::SetTimedGoal(int32_t ALevel, const std::string& AStr, int32_t ATimeout) {
  Put(LevelKey(ALevel), AStr, ATimeout);
}

std::string TGoalStack::GetGoal(int32_t ALevel) const {
  int Index = 0;
  return FList.Find(LevelKey(ALevel), Index) ? FList.ObjectAs<TGoalItem>(Index)->Text
                                             : std::string();
}

std::string TGoalStack::Text() const {
  for (int I = 0; I < FList.Count(); ++I) {
    const std::string& T = FList.ObjectAs<TGoalItem>(I)->Text;
    if (!T.empty()) {
      return T;
    }
  }
  return {};
}

void TGoalStack::Update(int32_t AInterval) {
  for (int I = FList.Count(); I-- > 0;) {
    TGoalItem* Item = FList.ObjectAs<TGoalItem>(I);
    if (Item->TimeLeft > 0) {
      Item->TimeLeft -= AInterval;
      if (Item->TimeLeft <= CGoalExpiry) {
        DeleteAt(I);
      }
    }
  }
}

void TGoalStack::Clear() {
  while (FList.Count() > 0) {
    DeleteAt(FList.Count() - 1);
  }
}

void TGoalStack::AssignTo(TGObject* Dest) const {
  auto* Target = TryObjectCast<TGoalStack>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  Target->Clear();
  for (int I = 0; I < FList.Count(); ++I) {
    const TGoalItem* Item = FList.ObjectAs<TGoalItem>(I);
    Target->Put(FList.Get(I), Item->Text, Item->TimeLeft);
  }
}

void TGoalStack::LoadFromXML(const TGXMLNode* Node) {
  struct TRead {
    std::string Key, Text;
    int32_t TimeLeft;
  };
  std::vector<TRead> Read;
  for (const TGXMLNode* Item : *Node->GetChilds("Item")) {
    Read.push_back(TRead{NormalizeKey(Item->GetStrAttrDef("Level", "0")),
                         Item->GetStrAttrDef("Text", ""), Item->GetIntAttrDef("TimeLeft", -1)});
  }
  Clear();
  for (const TRead& R : Read) {
    Put(R.Key, R.Text, R.TimeLeft);
  }
}

TGXMLNode* TGoalStack::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Goal"));
  for (int I = 0; I < FList.Count(); ++I) {
    const TGoalItem* Item = FList.ObjectAs<TGoalItem>(I);
    TGXMLNode* N = Node->AddChild("Item");
    N->SetStrAttr("Level", FList.Get(I));
    N->SetStrAttr("Text", Item->Text);
    N->SetIntAttr("TimeLeft", Item->TimeLeft);
  }
  return Node.release();
}
