#include "flow/UShakeLocationState.h"

#include "animation/UGAnimation.h"
#include "base/UGStrUtils.h"
#include "flow/UCommonGameState.h"
#include "locations/UBaseLocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TShakeLocationState)

TShakeLocationState::TShakeLocationState(TGObject* AOwnerChannel, const std::string& AShakeURL,
                                         const std::string& AExceptObjs)
    : TFlowState(AOwnerChannel) {
  LoadAnimation(AShakeURL);
  FExceptObjs = AExceptObjs;
}

void TShakeLocationState::Destroy() {
  DropAnimation();
  inherited::Destroy();
}

void TShakeLocationState::DropAnimation() {
  if (FShakeAni) {
    FShakeAni->Free();
    FShakeAni = nullptr;
  }
}

void TShakeLocationState::LoadAnimation(const std::string& AURL) {
  DropAnimation();
  FShakeAniURL = AURL;
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Shared =
      Library ? TryObjectCast<TGAnimation>(Library->GetResourceEx(AURL, false)) : nullptr;
  if (!Shared) {
    throw Error("Shake animation not found: %s", AURL);
  }
  FShakeAni = static_cast<TGAnimation*>(Shared->Clone(nullptr));
  FShakeAni->SetElapsedTime(0);
}

void TShakeLocationState::SetExceptObjs(const std::string& Value) {
  FExceptObjs = Value;
  FExceptIds.clear();
  std::vector<std::string> Parts;
  SplitString(Value, ',', Parts);
  for (const std::string& P : Parts) {
    std::string ID = Trim(P);
    if (!ID.empty()) {
      FExceptIds.push_back(ID);
    }
  }
}

void TShakeLocationState::Initialize() {
  TFlowState::Initialize();
  SetExceptObjs(FExceptObjs);
  FList.clear();
  TBaseLocation* L = TBaseCommonGameState::LocationOf(this);
  if (!L) {
    return;
  }
  TGameObjectCollection* Objects = L->Objects();
  for (int I = 0; I < Objects->Count(); ++I) {
    TGameObject* Obj = Objects->ItemsReadOnly(I);
    bool Excepted = false;
    for (const std::string& ID : FExceptIds) {
      Excepted = Excepted || SameText(ID, Obj->ID());
    }
    if (!Excepted) {
      FList.push_back(TInitObjectState{Obj->ID(), Obj->Left(), Obj->Top()});
    }
  }
}

void TShakeLocationState::Update(int32_t AInterval) {
  if (!FShakeAni) {
    Status = ssFinished;
    return;
  }
  FShakeAni->Update(static_cast<float>(AInterval) * 0.001f);
  const int32_t T = FShakeAni->ElapsedTime();
  TGChannel* Path = FShakeAni->GetCount() > 0 ? FShakeAni->GetChannel(0) : nullptr;
  auto* X = Path ? TryObjectCast<TGRealEnv>(Path->FindSeq("X")) : nullptr;
  auto* Y = Path ? TryObjectCast<TGRealEnv>(Path->FindSeq("Y")) : nullptr;
  TBaseLocation* L = TBaseCommonGameState::LocationOf(this);
  if (L) {
    for (const TInitObjectState& S : FList) {
      if (TGameObject* Obj = L->Objects()->GetByIDReadOnly(S.ID)) {
        Obj->SetLeft((X ? X->GetRealValue(T) : 0) + S.Left);
        Obj->SetTop((Y ? Y->GetRealValue(T) : 0) + S.Top);
      }
    }
  }
  if (T >= FShakeAni->TotalTime()) {
    Status = ssFinished;
  }
}

void TShakeLocationState::Finalize() {
  if (TBaseLocation* L = TBaseCommonGameState::LocationOf(this)) {
    for (const TInitObjectState& S : FList) {
      if (TGameObject* Obj = L->Objects()->GetByIDReadOnly(S.ID)) {
        Obj->SetLeft(S.Left);
        Obj->SetTop(S.Top);
      }
    }
  }
  FList.clear();
  DropAnimation();
}

void TShakeLocationState::LoadFromXML(const TGXMLNode* Node) {
  TFlowState::LoadFromXML(Node);
  SetExceptObjs(Node->GetStrAttrDef("ExceptObjs", ""));
  LoadAnimation(Node->GetStrAttr("AniURL"));
  FShakeAni->SetElapsedTime(Node->GetIntAttrDef("AniTime", 0));
  FList.clear();
  for (const TGXMLNode* N : *Node->GetChilds("InitObjectState")) {
    FList.push_back(
        TInitObjectState{N->GetStrAttr("ID"), N->GetFloatAttr("Left"), N->GetFloatAttr("Top")});
  }
}

TGXMLNode* TShakeLocationState::SaveToXML() const {
  TGXMLNode* Node = TFlowState::SaveToXML();
  Node->SetStrAttr("ExceptObjs", FExceptObjs);
  Node->SetStrAttr("AniURL", FShakeAniURL);
  Node->SetIntAttr("AniTime", FShakeAni ? FShakeAni->ElapsedTime() : 0);
  for (const TInitObjectState& S : FList) {
    TGXMLNode* N = Node->AddChild("InitObjectState");
    N->SetStrAttr("ID", S.ID);
    N->SetFloatAttr("Left", S.Left);
    N->SetFloatAttr("Top", S.Top);
  }
  return Node;
}
