#include "scene3d/UGModelAnimation.h"

#include "animation/UGVarSeq.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "object/UGClassBuilder.h"
#include "scene3d/UGFrame.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGQuaternionEnv.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <limits>

G_IMPLEMENT_CLASS(TGAnimSharedData)
G_IMPLEMENT_CLASS(TGCustomFrameAnimation)
G_IMPLEMENT_CLASS(TGFrameAnimation)
G_IMPLEMENT_CLASS(TGFrameAnimations)
G_IMPLEMENT_CLASS(TGCustomModelAnimation)
G_IMPLEMENT_CLASS(TGModelAnimation)
G_IMPLEMENT_CLASS(TGModelAnimations)

namespace {

TGRealEnv* NewEnvelope(TGObject* Owner, const char* Name, float Default) {
  auto* Env = new TGRealEnv(Name, Default, nullptr, false);
  Env->SetOwner(Owner);
  return Env;
}

// The first child of that name, or none.
const TGXMLNode* Child(const TGXMLNode* Node, std::string_view Name) {
  const TGXMLCollection* List = Node->GetChilds(Name);
  return List->GetCount() > 0 ? List->GetItem(0) : nullptr;
}

TGMatrix ComposeMatrix(const TGVector& Scaling, const TGQuaternion& Rotation,
                       const TGVector& Translation) {
  return MatScaling(Scaling) * MatRotationQuaternion(Rotation) * MatTranslation(Translation);
}

} // namespace

// Shared keys ------------------------------------------------------------------------------------

TGAnimSharedData::TGAnimSharedData(TGObject* AOwner)
    : TGClonableObject(AOwner)
    , FTranslationX(NewEnvelope(this, "TranslationX", 0))
    , FTranslationY(NewEnvelope(this, "TranslationY", 0))
    , FTranslationZ(NewEnvelope(this, "TranslationZ", 0))
    , FScalingX(NewEnvelope(this, "ScalingX", 1))
    , FScalingY(NewEnvelope(this, "ScalingY", 1))
    , FScalingZ(NewEnvelope(this, "ScalingZ", 1))
    , FRotation(new TGQuaternionEnv(this, "Rotation")) {}

TGRealEnv* TGAnimSharedData::Envelope(int I) const {
  switch (I) {
  case 0:
    return FTranslationX;
  case 1:
    return FTranslationY;
  case 2:
    return FTranslationZ;
  case 3:
    return FScalingX;
  case 4:
    return FScalingY;
  default:
    return FScalingZ;
  }
}

void TGAnimSharedData::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGAnimSharedData>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  for (int I = 0; I < 6; ++I) {
    D->Envelope(I)->Clear();
    D->Envelope(I)->Assign(Envelope(I));
  }
  D->FRotation->Assign(FRotation);
}

void TGAnimSharedData::Release() {
  if (--FRefCount <= 0)
    Free();
}

// Frame animations --------------------------------------------------------------------------------

void TGCustomFrameAnimation::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGCustomFrameAnimation>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->FName = FName;
  D->FFrameIndex = FFrameIndex;
}

TGFrameAnimation::TGFrameAnimation(TGObject* AOwner)
    : TGCustomFrameAnimation(AOwner)
    , FData(new TGAnimSharedData()) {}

void TGFrameAnimation::Destroy() {
  SetData(nullptr);
  inherited::Destroy();
}

void TGFrameAnimation::SetData(TGAnimSharedData* Value) {
  if (Value == FData)
    return;
  if (Value)
    Value->AddRef();
  TGAnimSharedData* Old = FData;
  FData = Value;
  if (Old)
    Old->Release();
}

void TGFrameAnimation::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGFrameAnimation*>(Dest))
    D->SetData(FData);
}

int32_t TGFrameAnimation::GetTotalTime() const {
  int32_t Total = FData->Rotation()->TotalTime();
  for (int I = 0; I < 6; ++I)
    Total = std::max(Total, FData->Envelope(I)->TotalTime());
  return Total;
}

TGMatrix TGFrameAnimation::GetMatrix(int32_t Time) const {
  const TGAnimSharedData& D = *FData;
  return ComposeMatrix(TGVector{D.ScalingX()->GetRealValue(Time), D.ScalingY()->GetRealValue(Time),
                                D.ScalingZ()->GetRealValue(Time)},
                       D.Rotation()->Value(Time),
                       TGVector{D.TranslationX()->GetRealValue(Time),
                                D.TranslationY()->GetRealValue(Time),
                                D.TranslationZ()->GetRealValue(Time)});
}

TGMatrix TGFrameAnimation::GetMatrixLerp(int32_t SrcTime, int32_t DstTime, float Frac) const {
  const TGAnimSharedData& D = *FData;
  auto At = [&](int I, int32_t T) { return D.Envelope(I)->GetRealValue(T); };
  const TGVector T0{At(0, SrcTime), At(1, SrcTime), At(2, SrcTime)};
  const TGVector T1{At(0, DstTime), At(1, DstTime), At(2, DstTime)};
  const TGVector S0{At(3, SrcTime), At(4, SrcTime), At(5, SrcTime)};
  const TGVector S1{At(3, DstTime), At(4, DstTime), At(5, DstTime)};
  return ComposeMatrix(VecLerp(S0, S1, Frac),
                       QuatSlerp(D.Rotation()->Value(SrcTime), D.Rotation()->Value(DstTime), Frac),
                       VecLerp(T0, T1, Frac));
}

bool TGFrameAnimation::KeysFinite() const {
  for (int I = 0; I < 6; ++I) {
    const TGRealEnv* Env = FData->Envelope(I);
    for (int K = 0; K < Env->Count(); ++K)
      if (!std::isfinite(Env->Terms(K).Value.ToSingle()))
        return false;
  }
  for (const TGQuaternion& Q : FData->Rotation()->Quaternions())
    if (!std::isfinite(Q.X) || !std::isfinite(Q.Y) || !std::isfinite(Q.Z) || !std::isfinite(Q.W))
      return false;
  return true;
}

void TGFrameAnimation::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  FFrameIndex = Node->GetIntAttr("Frame");
  for (int I = 0; I < 6; ++I) {
    TGRealEnv* Env = FData->Envelope(I);
    Env->Clear();
    if (const TGXMLNode* Keys = Child(Node, Env->Name()))
      Env->LoadFromXML(Context, Keys);
  }
  FData->Rotation()->Clear();
  if (const TGXMLNode* Keys = Child(Node, FData->Rotation()->Name()))
    FData->Rotation()->LoadFromXML(Keys);
}

TGXMLNode* TGFrameAnimation::SaveToXML() const {
  auto* Node = new TGXMLNode("FrameAnimation");
  Node->SetIntAttr("Frame", FFrameIndex);
  for (int I = 0; I < 6; ++I)
    if (TGXMLNode* Keys = FData->Envelope(I)->SaveToXML())
      Node->AddNode(Keys);
  if (TGXMLNode* Keys = FData->Rotation()->SaveToXML())
    Node->AddNode(Keys);
  return Node;
}

void TGFrameAnimation::LoadFromBinary(TGResourceLibrary* Context, TGReader& Reader) {
  FFrameIndex = Reader.ReadInteger();
  for (int I = 0; I < 6; ++I) {
    FData->Envelope(I)->Clear();
    FData->Envelope(I)->LoadFromBinary(Context, Reader);
  }
  FData->Rotation()->LoadFromBinary(Reader);
}

void TGFrameAnimation::SaveToBinary(TGWriter& Writer) const {
  Writer.WriteInteger(FFrameIndex);
  for (int I = 0; I < 6; ++I)
    FData->Envelope(I)->SaveToBinary(Writer);
  FData->Rotation()->SaveToBinary(Writer);
}

// Model animations --------------------------------------------------------------------------------

void TGCustomModelAnimation::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGCustomModelAnimation>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->FSpeed = FSpeed;
  D->FElapsedTime = FElapsedTime;
}

void TGCustomModelAnimation::Advance(float DeltaTime) {
  const double Step = std::nearbyint(double{DeltaTime} * FSpeed * 1000);
  const double Time = std::clamp(FElapsedTime + (std::isnan(Step) ? 0.0 : Step),
                                 double{std::numeric_limits<int32_t>::min()},
                                 double{std::numeric_limits<int32_t>::max()});
  FElapsedTime = static_cast<int32_t>(Time);
}

TGModelAnimation::TGModelAnimation(TGObject* AOwner)
    : TGCustomModelAnimation(AOwner)
    , FFrameAnimations(new TGFrameAnimations(this)) {}

void TGModelAnimation::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGModelAnimation*>(Dest)) {
    D->FName = FName;
    D->FFrameAnimations->Assign(FFrameAnimations);
  }
}

void TGModelAnimation::OwnedObjectDestroying(TGObject* Obj) {
  if (Obj == FFrameAnimations)
    FFrameAnimations = nullptr;
  inherited::OwnedObjectDestroying(Obj);
}

TGFrameAnimation* TGModelAnimation::AddFrameAnimation(int32_t FrameIndex) {
  auto* A = new TGFrameAnimation(FFrameAnimations);
  FFrameAnimations->Add(A);
  A->SetFrameIndex(FrameIndex);
  return A;
}

int32_t TGModelAnimation::GetTotalTime() const {
  int32_t Total = 0;
  for (int I = 0; I < FFrameAnimations->GetCount(); ++I)
    Total = std::max(Total, FFrameAnimations->GetItem(I)->GetTotalTime());
  return Total;
}

void TGModelAnimation::Apply(TGModel* Model) {
  TGFrames* Frames = Model->Frames();
  for (int I = 0; I < FFrameAnimations->GetCount(); ++I) {
    const TGCustomFrameAnimation* A = FFrameAnimations->GetItem(I);
    if (A->FrameIndex() >= 0 && A->FrameIndex() < Frames->GetCount())
      Frames->GetItem(A->FrameIndex())->SetFrameMatrix(A->GetMatrix(FElapsedTime));
  }
}

void TGModelAnimation::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  FName = Node->GetStrAttrDef("Name", "");
  FFrameAnimations->Clear();
  for (const TGXMLNode* Child : *Node->GetChilds("FrameAnimation"))
    AddFrameAnimation(0)->LoadFromXML(Context, Child);
}

TGXMLNode* TGModelAnimation::SaveToXML() const {
  auto* Node = new TGXMLNode("ModelAnimation");
  if (!FName.empty())
    Node->SetStrAttr("Name", FName);
  for (int I = 0; I < FFrameAnimations->GetCount(); ++I)
    if (auto* A = dynamic_cast<const TGFrameAnimation*>(FFrameAnimations->GetItem(I)))
      Node->AddNode(A->SaveToXML());
  return Node;
}

void TGModelAnimation::LoadFromBinary(TGResourceLibrary* Context, TGReader& Reader) {
  FName = ReadText(Reader);
  FFrameAnimations->Clear();
  const int32_t Count = ReadCount(Reader, 1, "frame animation");
  for (int32_t I = 0; I < Count; ++I)
    if (Reader.ReadBoolean())
      AddFrameAnimation(0)->LoadFromBinary(Context, Reader);
}

void TGModelAnimation::SaveToBinary(TGWriter& Writer) const {
  Writer.WriteString(FName);
  Writer.WriteInteger(FFrameAnimations->GetCount());
  for (int I = 0; I < FFrameAnimations->GetCount(); ++I) {
    auto* A = dynamic_cast<const TGFrameAnimation*>(FFrameAnimations->GetItem(I));
    Writer.WriteBoolean(A != nullptr);
    if (A)
      A->SaveToBinary(Writer);
  }
}

TGModelAnimation* TGModelAnimations::Find(std::string_view Name, bool Raise) const {
  for (int I = 0; I < GetCount(); ++I)
    if (GetItem(I)->Name() == Name)
      return GetItem(I);
  if (Raise)
    throw Error("Unknown model animation: \"%s\"", Name);
  return nullptr;
}
