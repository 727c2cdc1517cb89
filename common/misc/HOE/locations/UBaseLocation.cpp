#include "locations/UBaseLocation.h"

#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/UFlowState.h"
#include "flow/UPlayScreen.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/ULiveGameObject.h"
#include "player/UGameData.h"
#include "script/UScriptLines.h"
#include "xml/UGXMLNode.h"

#include <cmath>

G_IMPLEMENT_CLASS(TBaseLocation)

namespace {

void FreeNode(TGXMLNode*& Node) {
  if (Node) {
    Node->Free();
    Node = nullptr;
  }
}

// A copy of the first child of that name, owned by nobody; none when there is no such child.
TGXMLNode* CopyOfChild(const TGXMLNode* Node, std::string_view Name) {
  TGXMLCollection* C = Node->GetChilds(Name);
  if (C->GetCount() == 0) {
    return nullptr;
  }
  return static_cast<TGXMLNode*>(C->GetItem(0)->Clone(nullptr));
}

// A CDATA section holding Text exactly: a "]]>" inside it ends one section and starts the next.
std::string CDataOf(std::string_view Text) {
  std::string Out = "<![CDATA[";
  size_t Run = 0;
  for (size_t At = Text.find("]]>"); At != std::string_view::npos; At = Text.find("]]>", At + 3)) {
    Out.append(Text.substr(Run, At + 2 - Run));
    Out += "]]><![CDATA[";
    Run = At + 2;
  }
  Out.append(Text.substr(Run));
  Out += "]]>";
  return Out;
}

} // namespace

TBaseLocation::TBaseLocation(TGObject* AOwner)
    : TGResource(AOwner)
    , FDrawHelper(new TDrawHelper(this))
    , FDynProps(new TDynProperties(this))
    , FObjects(new TGameObjectCollection(this, false))
    , FAnimations(new TLocationAnimationCollection(this))
    , FFlowControl(new TFlowControl(this))
    , FItemsDistribution(new TLocationItemsDistribution(this)) {
  FActiveAnimations.SetDuplicates(dupAccept);
  FFlowControl->RegisterChannel("Parallel");
  Subscribe(TGNotification(FObjects, &TBaseGameObjectCollection::NotifyChanged),
            TGNotifyEvent(this, &TBaseLocation::OnObjectsChanged));
}

void TBaseLocation::Publish(TGClassBuilder<TBaseLocation>& B) {
  using T = TBaseLocation;
  B.Property("ID", &T::GetID, &T::SetID)
      .Property("Name", &T::GetName)
      .Property("FC", &T::FC)
      .Property("MC", &T::MC)
      .Property("VisitCount", &T::VisitCount)
      .Property("PageItemsLeft", &T::PageItemsLeft)
      .Property("Objects", &T::Objects)
      .Method("GetAttr", &T::GetAttr, {"AName"})
      .Method("SetAttr", &T::SetAttr, {"AName", "Value"})
      .Method("AddGameObject", &T::AddGameObject, {"GameObject"})
      .Method("InsertGameObject", &T::InsertGameObject, {"AIndex", "GameObject"})
      .Method("RemoveGameObject", &T::RemoveGameObject, {"GameObject"})
      .Method("BringToFront", &T::BringToFront, {"GameObject"})
      .Method("SendToBack", &T::SendToBack, {"GameObject"})
      .Method("IndexOf", &T::IndexOf, {"AID"})
      .Method("PlayAnimation", &T::PlayAnimation, {"AAniName"})
      .Method("StopAnimation", &T::StopAnimation, {"AAniName"})
      .Method("StopAllAnimations", &T::StopAllAnimations)
      .Method("LoadAnimations", &T::LoadAnimations)
      .Method("SetChanged", &T::SetChanged, {"Value"});
}

void TBaseLocation::Destroy() {
  FreeNode(FAnimationsNode);
  FreeNode(FActiveAnimationsNode);
  UnSubscribe(FObjects);
  // Playing animations and templates go before the objects they refer to.
  while (FActiveAnimations.Count() > 0) {
    RemoveActive(FActiveAnimations.Count() - 1, true);
  }
  FAnimations->Clear();
  inherited::Destroy();
}

TFlowChannel* TBaseLocation::MC() const {
  return FFlowControl->MainChannel();
}

TGVariant TBaseLocation::GetAttr(const std::string& AName) const {
  return FDynProps->GetProp(AName);
}

void TBaseLocation::SetAttr(const std::string& AName, const TGVariant& Value) {
  if (FDynProps->IsPropExists(AName)) {
    FDynProps->SetProp(AName, Value);
  } else {
    FDynProps->AddProperty(AName, Value);
  }
}

TLocationAnimation* TBaseLocation::ActiveAnimation(std::string_view AName) const {
  int Index = FActiveAnimations.IndexOf(AName);
  return Index < 0 ? nullptr : FActiveAnimations.ObjectAs<TLocationAnimation>(Index);
}

int32_t TBaseLocation::PageItemsLeft() const {
  TLocationItemsPage* Page = FItemsDistribution->CurrentPage();
  if (!Page || !GameObjectCollector) {
    return 0;
  }
  IPlayScreen* Screen = PlayScreen();
  int32_t Left = 0;
  for (int I = 0; I < Page->Count(); ++I) {
    TGameObject* Obj = GameObjectCollector->GetByIDReadOnly(Page->GetItem(I));
    if (Obj && (Obj->TakingCount() == 0 || (Screen && Screen->IsFlying(Obj)))) {
      ++Left;
    }
  }
  return Left;
}

void TBaseLocation::Eval(const std::string& Code) const {
  RunScript(Code);
}

// --- Objects -----------------------------------------------------------------------------------

void TBaseLocation::OnObjectsChanged(TGObject* Sender) {
  (void)Sender;
  // Slots follow the objects: the draw order is made anew.
  if (!Destroying()) {
    RefreshAnimations();
  }
}

void TBaseLocation::AddGameObject(TGameObject* GameObject) {
  FObjects->Add(GameObject);
}

void TBaseLocation::InsertGameObject(int AIndex, TGameObject* GameObject) {
  FObjects->Insert(AIndex, GameObject);
}

void TBaseLocation::RemoveGameObject(TGameObject* GameObject) {
  int Index = FObjects->IndexOf(GameObject);
  if (Index < 0) {
    return;
  }
  AniRefreshLocked = true;
  try {
    FDrawHelper->DeleteSlot(Index);
    auto RemoveChannelsOf = [GameObject](TGAnimation* A) {
      for (int32_t I = A->GetCount(); I-- > 0;) {
        auto* Live = TryObjectCast<TLiveGameObject>(A->GetChannel(I));
        if (Live && SameText(Live->GameObjectId(), GameObject->ID())) {
          A->Remove(Live);
        }
      }
    };
    for (int I = 0; I < FActiveAnimations.Count(); ++I) {
      RemoveChannelsOf(FActiveAnimations.ObjectAs<TLocationAnimation>(I));
    }
    for (int I = 0; I < FAnimations->Count(); ++I) {
      RemoveChannelsOf(FAnimations->Items(I));
    }
    FObjects->Remove(Index);
  } catch (...) {
    AniRefreshLocked = false;
    RefreshAnimations();
    throw;
  }
  AniRefreshLocked = false;
  RefreshAnimations();
}

void TBaseLocation::BringToFront(TGameObject* GameObject) {
  int Index = FObjects->IndexOf(GameObject);
  if (Index >= 0) {
    FObjects->Move(Index, FObjects->Count() - 1);
  }
}

void TBaseLocation::SendToBack(TGameObject* GameObject) {
  int Index = FObjects->IndexOf(GameObject);
  if (Index >= 0) {
    FObjects->Move(Index, 0);
  }
}

// --- Animations --------------------------------------------------------------------------------

void TBaseLocation::InitLiveChannels(TLocationAnimation* Animation) {
  for (int32_t I = 0; I < Animation->GetCount(); ++I) {
    auto* Live = TryObjectCast<TLiveGameObject>(Animation->GetChannel(I));
    TGameObject* Obj = Live ? FObjects->GetByIDReadOnly(Live->GameObjectId()) : nullptr;
    if (!Obj) {
      continue;
    }
    // The channel's position is the object's centre, turned with it about its corner.
    const float Radians = Obj->Angle() * static_cast<float>(M_PI) / 180.0f;
    const float HalfW = Obj->Width() / 2;
    const float HalfH = Obj->Height() / 2;
    const float CX = HalfW * std::cos(Radians) - HalfH * std::sin(Radians);
    const float CY = HalfW * std::sin(Radians) + HalfH * std::cos(Radians);
    Live->PivotX()->SetDefValue(TGVariant::Currency(0.5));
    Live->PivotY()->SetDefValue(TGVariant::Currency(0.5));
    Live->Angle()->SetDefValue(TGVariant(Obj->Angle()));
    Live->X()->SetDefValue(TGVariant(Obj->Left() + CX));
    Live->Y()->SetDefValue(TGVariant(Obj->Top() + CY));
    Live->Width()->SetDefValue(TGVariant(Obj->Width()));
    Live->Height()->SetDefValue(TGVariant(Obj->Height()));
    Live->GfxURL()->SetDefValue(TGVariant(Obj->GfxURL()));
    Live->Visible()->SetDefValue(TGVariant(Obj->Visible()));
    Live->Alpha()->SetDefValue(TGVariant(static_cast<float>(Obj->Color() >> 24) / 255.0f));
    Live->Color()->SetDefValue(TGVariant(Obj->Color()));
  }
}

void TBaseLocation::PlayAnimation(const std::string& AAniName) {
  if (FActiveAnimations.IndexOf(AAniName) >= 0) {
    return;
  }
  TLocationAnimation* Template = FAnimations->ByName(AAniName);
  if (!Template) {
    throw Error("Animation doesn't found: %s", AAniName);
  }
  auto* Clone = static_cast<TLocationAnimation*>(Template->Clone(this));
  Clone->SetLocation(this);
  Clone->SetID(AAniName);
  InitLiveChannels(Clone);
  FActiveAnimations.AddObject(AAniName, Clone);
  FDrawHelper->AddAnimation(Clone);
}

void TBaseLocation::PlayAnimationEx(TLocationAnimation* AAni) {
  if (!AAni || FActiveAnimations.IndexOf(AAni->ID()) >= 0) {
    return;
  }
  AAni->SetLocation(this);
  AAni->SetOwner(this);
  InitLiveChannels(AAni);
  FActiveAnimations.AddObject(AAni->ID(), AAni);
  FDrawHelper->AddAnimation(AAni);
}

void TBaseLocation::RemoveActive(int Index, bool FreeIt) {
  auto* A = FActiveAnimations.ObjectAs<TLocationAnimation>(Index);
  FActiveAnimations.Delete(Index);
  if (!A) {
    return;
  }
  FDrawHelper->RemoveAnimation(A);
  if (FreeIt) {
    A->Free();
  }
}

void TBaseLocation::StopAnimation(const std::string& AAniName) {
  int Index = FActiveAnimations.IndexOf(AAniName);
  if (Index < 0) {
    return;
  }
  if (!FActiveAnimations.GetObject(Index)) {
    throw Error("Animation doesn't found");
  }
  RemoveActive(Index, true);
}

void TBaseLocation::StopAnimationEx(TLocationAnimation* AAni) {
  int Index = FActiveAnimations.IndexOfObject(AAni);
  if (Index >= 0) {
    RemoveActive(Index, false);
  }
}

void TBaseLocation::StopAllAnimations() {
  while (FActiveAnimations.Count() > 0) {
    RemoveActive(FActiveAnimations.Count() - 1, true);
  }
}

void TBaseLocation::AnimationDestroying(TLocationAnimation* Animation) {
  FDrawHelper->RemoveAnimation(Animation);
  int Index = FActiveAnimations.IndexOfObject(Animation);
  if (Index >= 0) {
    FActiveAnimations.Delete(Index);
  }
}

void TBaseLocation::RefreshAnimations() {
  if (FIsLoading) {
    return;
  }
  FDrawHelper->Reset(FObjects->Count());
  for (int I = 0; I < FActiveAnimations.Count(); ++I) {
    FDrawHelper->AddAnimation(FActiveAnimations.ObjectAs<TGAnimation>(I));
  }
}

void TBaseLocation::BuildTemplates(const TGXMLNode* Node) {
  if (!Node) {
    return;
  }
  for (const TGXMLNode* A : *Node->GetChilds("Animation")) {
    TGObjectPtr<TLocationAnimation> Template(new TLocationAnimation(nullptr));
    Template->SetID(A->GetStrAttrDef("ID", ""));
    Template->SetLocation(this);
    Template->LoadFromXML(FLoadingResLib, A);
    FAnimations->Add(Template.release());
  }
}

void TBaseLocation::BuildActiveAnimations(const TGXMLNode* Node) {
  if (!Node) {
    return;
  }
  for (const TGXMLNode* A : *Node->GetChilds("Animation")) {
    TGObjectPtr<TLocationAnimation> Playing(new TLocationAnimation(nullptr));
    Playing->SetID(A->GetStrAttrDef("ID", ""));
    Playing->SetLocation(this);
    Playing->LoadFromXML(FLoadingResLib, A);
    Playing->SetElapsedTime(A->GetIntAttrDef("ElapsedTime", 0));
    TLocationAnimation* P = Playing.release();
    P->SetOwner(this);
    FActiveAnimations.AddObject(P->ID(), P);
    FDrawHelper->AddAnimation(P);
  }
}

void TBaseLocation::LoadAnimations() {
  if (FAnimationsLoaded) {
    return;
  }
  BuildTemplates(FAnimationsNode);
  BuildActiveAnimations(FActiveAnimationsNode);
  FAnimationsLoaded = true;
  FreeNode(FAnimationsNode);
  FreeNode(FActiveAnimationsNode);
  RefreshAnimations();
}

// --- Running -----------------------------------------------------------------------------------

void TBaseLocation::Activate() {
  LoadAnimations();
  Eval(GlobalLine("CurrentLocation", ID));
  if (!FLoaded) {
    Eval(OnLoadScript);
    FLoaded = true;
  }
  ++FVisitCount;
  for (int I = 0; I < FObjects->Count(); ++I) {
    FObjects->ItemsReadOnly(I)->CreateGfxInstance();
  }
  Eval(OnActivateScript);
}

void TBaseLocation::Deactivate() {
  for (int I = 0; I < FObjects->Count(); ++I) {
    FObjects->ItemsReadOnly(I)->ReleaseGfxInstance();
  }
}

void TBaseLocation::AfterFadeIn() {
  Eval(OnAfterFadeInScript);
}

void TBaseLocation::Update(int32_t AInterval) {
  const float Seconds = static_cast<float>(AInterval) / 1000.0f;
  // Every playing animation advances; the finished ones go, the others keep their order.
  std::vector<TLocationAnimation*> Playing;
  for (int I = 0; I < FActiveAnimations.Count(); ++I) {
    Playing.push_back(FActiveAnimations.ObjectAs<TLocationAnimation>(I));
  }
  for (TLocationAnimation* A : Playing) {
    if (FActiveAnimations.IndexOfObject(A) >= 0) {
      A->Update(Seconds);
    }
  }
  for (int I = FActiveAnimations.Count(); I-- > 0;) {
    auto* A = FActiveAnimations.ObjectAs<TLocationAnimation>(I);
    if (A && A->IsFinished()) {
      RemoveActive(I, true);
    }
  }
  for (int I = 0; I < FObjects->Count(); ++I) {
    FObjects->ItemsReadOnly(I)->Update(AInterval);
  }
  if (InGameEditor()) {
    return;
  }
  TFlowChannel* Main = FFlowControl->MainChannel();
  if (Main && Main->Empty()) {
    FillMainChannel();
  }
  FFlowControl->Update(AInterval);
  Main = FFlowControl->MainChannel();
  if (Main && Main->Empty()) {
    FillMainChannel();
  }
  if (!OnUpdateScript.empty()) {
    Eval(Format("UpdateInterval = %d", {AInterval}));
    Eval(OnUpdateScript);
  }
}

void TBaseLocation::Draw() {
  for (int I = 0; I < FObjects->Count(); ++I) {
    FObjects->ItemsReadOnly(I)->Drawn = false;
  }
  FDrawHelper->Draw();
  if (!InGameEditor()) {
    TFlowChannel* Main = FFlowControl->MainChannel();
    if (Main && !Main->Empty()) {
      Main->Peek()->Draw();
    }
  }
}

void TBaseLocation::BeforeObjectDraw(TGameObject* AObject) {
  TFlowChannel* Main = FFlowControl->MainChannel();
  if (Main && !Main->Empty()) {
    Main->Peek()->GameObjectBeforeDraw(AObject);
  }
}

void TBaseLocation::AfterObjectDraw(TGameObject* AObject) {
  TFlowChannel* Main = FFlowControl->MainChannel();
  if (Main && !Main->Empty()) {
    Main->Peek()->GameObjectAfterDraw(AObject);
  }
}

void TBaseLocation::AfterObjectPick(const std::string& AObjID, int32_t AItemsLeft) {
  IPlayScreen* Screen = PlayScreen();
  if (AItemsLeft == 0 &&
      FItemsDistribution->CurrentPageIndex() + 1 < FItemsDistribution->GetCount() && Screen &&
      !Screen->IsUnloading()) {
    Screen->UpdateCurrentItemsPage(true, true);
  }
  Eval(ObjectLine("Sender", AObjID));
  Eval(OnAfterObjectPickScript);
}

void TBaseLocation::GetObjectAt(const TGFlatVector& Position, TGameObject*& Obj,
                                TGameObjectDispositionType& Disposition) {
  for (int I = FObjects->Count(); I-- > 0;) {
    TGameObject* O = FObjects->ItemsReadOnly(I);
    if (O->AllowMouse() && O->Hit(Position)) {
      Obj = O;
      Disposition = godtLocation;
      return;
    }
  }
  Obj = nullptr;
  Disposition = godtNone;
}

TGameObject* TBaseLocation::ObjectAt(const TGFlatVector& Position) {
  TGameObject* Obj = nullptr;
  TGameObjectDispositionType Disposition = godtNone;
  GetObjectAt(Position, Obj, Disposition);
  return Obj;
}

// --- References and copies ---------------------------------------------------------------------

bool TBaseLocation::HasReferenceTo(const TGResource* Resource) const {
  if (!Resource) {
    return false;
  }
  if (Resource == this) {
    return true;
  }
  for (int I = 0; I < FObjects->Count(); ++I) {
    if (FObjects->ItemsReadOnly(I)->HasReferenceTo(Resource)) {
      return true;
    }
  }
  for (int I = 0; I < FAnimations->Count(); ++I) {
    if (FAnimations->Items(I)->HasReferenceTo(Resource)) {
      return true;
    }
  }
  return false;
}

void TBaseLocation::BeforeRenameGameObject(const std::string& AOldName,
                                           const std::string& ANewName) {
  auto Rename = [&](TGAnimation* A) {
    for (int32_t I = 0; I < A->GetCount(); ++I) {
      auto* Live = TryObjectCast<TLiveGameObject>(A->GetChannel(I));
      if (Live && SameText(Live->GameObjectId(), AOldName)) {
        Live->SetGameObjectId(ANewName);
      }
    }
  };
  for (int I = 0; I < FAnimations->Count(); ++I) {
    Rename(FAnimations->Items(I));
  }
  for (int I = 0; I < FActiveAnimations.Count(); ++I) {
    Rename(FActiveAnimations.ObjectAs<TGAnimation>(I));
  }
}

void TBaseLocation::AssignTo(TGObject* Dest) const {
  auto* Target = TryObjectCast<TBaseLocation>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  inherited::AssignTo(Dest);
  Target->ID = ID;
  Target->Name = Name;
  Target->LocationClassName = LocationClassName;
  Target->Script = Script;
  Target->OnLoadScript = OnLoadScript;
  Target->OnActivateScript = OnActivateScript;
  Target->OnAfterFadeInScript = OnAfterFadeInScript;
  Target->OnUpdateScript = OnUpdateScript;
  Target->OnAfterObjectPickScript = OnAfterObjectPickScript;
  Target->OnInteractionScript = OnInteractionScript;
  Target->Caption = Caption;
  Target->FDynProps->Assign(FDynProps);
  Target->FItemsDistribution->Assign(FItemsDistribution);
  Target->FObjects->Clear();
  for (int I = 0; I < FObjects->Count(); ++I) {
    auto* Copy = static_cast<TGameObject*>(FObjects->ItemsReadOnly(I)->Clone(Target));
    Target->FObjects->Add(Copy);
  }
  Target->FAnimations->Clear();
  for (int I = 0; I < FAnimations->Count(); ++I) {
    auto* Copy = static_cast<TLocationAnimation*>(FAnimations->Items(I)->Clone(nullptr));
    Copy->SetLocation(Target);
    Target->FAnimations->Add(Copy);
  }
}

// --- Files -------------------------------------------------------------------------------------

void TBaseLocation::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  FIsLoading = true;
  try {
    ID = Node->GetStrAttrDef("ID", "");
    if (ID.empty()) {
      ID = ChangeFileExt(ExtractFileName(FixURLSlashes(URL())), "");
    }
    Name = Node->GetStrAttrDef("Name", "");
    LocationClassName = Node->GetStrAttrDef("Class", "TLocation");
    OnLoadScript = Node->GetStrAttrDef("OnLoad", "");
    OnActivateScript = Node->GetStrAttrDef("OnActivate", "");
    OnAfterFadeInScript = Node->GetStrAttrDef("OnAfterFadeIn", "");
    OnUpdateScript = Node->GetStrAttrDef("OnUpdate", "");
    OnAfterObjectPickScript = Node->GetStrAttrDef("OnAfterObjectPick", "");
    OnInteractionScript = Node->GetStrAttrDef("OnInteractionScript", "");
    FVisitCount = Node->GetIntAttrDef("VisitCount", 0);
    Script.clear();
    for (const TGXMLNode* S : *Node->GetChilds("Script")) {
      Script += S->Text();
    }
    FDynProps->LoadFromXML(Node);
    TGObject* ObjectOwner = GameObjectCollector ? static_cast<TGObject*>(GameObjectCollector)
                                                : static_cast<TGObject*>(this);
    for (const TGXMLNode* O : *Node->GetChilds("Object")) {
      TGObjectPtr<TGameObject> Obj(new TGameObject(nullptr));
      Obj->LoadFromXML(O);
      TGameObject* Loaded = Obj.release();
      Loaded->SetOwner(ObjectOwner);
      AddGameObject(Loaded);
    }
    FDrawHelper->Reset(FObjects->Count());
    TGXMLCollection* Items = Node->GetChilds("ItemsDistribution");
    if (Items->GetCount() > 0) {
      FItemsDistribution->LoadFromXML(Items->GetItem(0));
    }
    Caption = Node->GetStrAttrDef("Caption", "");
    FreeNode(FAnimationsNode);
    FreeNode(FActiveAnimationsNode);
    if (InGameEditor()) {
      // The editor builds everything at once, with the library it loads from.
      FLoadingResLib = Context;
      FAnimationsLoaded = true;
      BuildTemplates(Node->GetChilds("Animations")->GetCount() > 0
                         ? Node->GetChilds("Animations")->GetItem(0)
                         : nullptr);
      BuildActiveAnimations(Node->GetChilds("ActiveAnimations")->GetCount() > 0
                                ? Node->GetChilds("ActiveAnimations")->GetItem(0)
                                : nullptr);
      FLoadingResLib = nullptr;
    } else {
      FLoadingResLib = Context;
      FAnimationsLoaded = false;
      FAnimationsNode = CopyOfChild(Node, "Animations");
      FActiveAnimationsNode = CopyOfChild(Node, "ActiveAnimations");
    }
  } catch (...) {
    FIsLoading = false;
    throw;
  }
  FIsLoading = false;
  RefreshAnimations();
}

TGXMLNode* TBaseLocation::SaveToXML() const {
  TGObjectPtr<TGXMLNode> XML(new TGXMLNode("Location"));
  XML->SetStrAttrDef("ID", "", ID);
  XML->SetStrAttrDef("Name", "", Name);
  XML->SetStrAttrDef("Class", "TLocation", ClassName());
  XML->SetStrAttrDef("Caption", "", Caption);
  XML->SetStrAttrDef("OnLoad", "", OnLoadScript);
  XML->SetStrAttrDef("OnActivate", "", OnActivateScript);
  XML->SetStrAttrDef("OnAfterFadeIn", "", OnAfterFadeInScript);
  XML->SetStrAttrDef("OnUpdate", "", OnUpdateScript);
  XML->SetStrAttrDef("OnAfterObjectPick", "", OnAfterObjectPickScript);
  XML->SetStrAttrDef("OnInteractionScript", "", OnInteractionScript);
  XML->SetIntAttrDef("VisitCount", 0, FVisitCount);
  if (!Trim(Script).empty()) {
    TGXMLNode* S = XML->AddChild("Script");
    S->SetText(CDataOf(Script));
    S->SetQuoteText(false);
  }
  FDynProps->SaveToXML(XML.get());
  if (FAnimationsLoaded) {
    TGXMLNode* Templates = XML->AddChild("Animations");
    for (int I = 0; I < FAnimations->Count(); ++I) {
      TLocationAnimation* A = FAnimations->Items(I);
      TGXMLNode* N = A->SaveToXML();
      N->SetStrAttr("ID", A->ID());
      Templates->AddNode(N);
    }
    if (!InGameEditor()) {
      TGXMLNode* Playing = XML->AddChild("ActiveAnimations");
      for (int I = 0; I < FActiveAnimations.Count(); ++I) {
        auto* A = FActiveAnimations.ObjectAs<TLocationAnimation>(I);
        TGXMLNode* N = A->SaveToXML();
        N->SetStrAttr("ID", FActiveAnimations.Get(I));
        N->SetIntAttr("ElapsedTime", A->ElapsedTime());
        Playing->AddNode(N);
      }
    }
  } else {
    // Never activated: the animations are kept as they were read.
    if (FAnimationsNode) {
      XML->AddNode(static_cast<TGXMLNode*>(FAnimationsNode->Clone(nullptr)));
    }
    if (FActiveAnimationsNode) {
      XML->AddNode(static_cast<TGXMLNode*>(FActiveAnimationsNode->Clone(nullptr)));
    }
  }
  if (FItemsDistribution->GetCount() > 0) {
    XML->AddNode(FItemsDistribution->SaveToXML());
  }
  if (!InGameEditor()) {
    XML->AddNode(FFlowControl->SaveToXML());
  }
  for (int I = 0; I < FObjects->Count(); ++I) {
    XML->AddNode(FObjects->ItemsReadOnly(I)->SaveToXML());
  }
  return XML.release();
}
