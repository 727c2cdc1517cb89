#include "scene3d/UGModel.h"

#include "base/UGStrUtils.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "object/UGClassBuilder.h"
#include "scene3d/UGMesh.h"
#include "scene3d/UGModelAnimation.h"
#include "scene3d/UGXLoader.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cstring>

G_IMPLEMENT_CLASS(TGModel)

namespace {

// The binary form starts with the string "b": a binary block (10) of length 1 (an 8-bit
// integer value, 2 1), then the letter.
constexpr char CBinarySignature[4] = {0x0A, 0x02, 0x01, 'b'};
constexpr char CXSignature[4] = {'x', 'o', 'f', ' '};

} // namespace

TGModel::TGModel(TGObject* AOwner)
    : TGGraphic(AOwner)
    , FFrames(new TGFrames(this))
    , FAnimations(new TGModelAnimations(this)) {}

void TGModel::Destroy() {
  SetCurrentAnimation(nullptr);
  inherited::Destroy();
}

void TGModel::OwnedObjectDestroying(TGObject* Obj) {
  if (Obj == FFrames)
    FFrames = nullptr;
  if (Obj == FAnimations)
    FAnimations = nullptr;
  inherited::OwnedObjectDestroying(Obj);
}

void TGModel::Clear() {
  SetCurrentAnimation(nullptr);
  FAnimations->Clear();
  FFrames->Clear();
  FOrigin = VecZero;
  SetExtent(VecZero);
}

void TGModel::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  auto* D = dynamic_cast<TGModel*>(Dest);
  if (!D || D == this)
    return;
  D->Clear();
  D->FFrames->Assign(FFrames);
  D->FAnimations->Assign(FAnimations);
  const int Current = FAnimations->IndexOf(FCurrentAnimation);
  if (Current >= 0)
    D->SetCurrentAnimation(D->FAnimations->GetItem(Current));
}

TGMesh* TGModel::GetMesh(std::string_view Name) const {
  auto* Mesh = dynamic_cast<TGMesh*>(FFrames->Find(Name, true));
  if (!Mesh)
    throw Error("Frame \"%s\" is no mesh", Name);
  return Mesh;
}

void TGModel::SetCurrentAnimation(TGCustomModelAnimation* Value) {
  if (Value == FCurrentAnimation)
    return;
  if (FCurrentAnimation)
    UnSubscribe(FCurrentAnimation);
  FCurrentAnimation = Value;
  if (Value)
    Subscribe(TGNotification(Value, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGModel::OnAnimationDestroy));
}

void TGModel::OnAnimationDestroy(TGObject* Sender) {
  if (Sender == FCurrentAnimation)
    FCurrentAnimation = nullptr;
}

// Loading ----------------------------------------------------------------------------------------

TGModelLoadContext TGModel::LoadContext(TGResourceLibrary* Library) const {
  return TGModelLoadContext{Library, ResourceFolder(URL())};
}

void TGModel::LoadFromStream(TGStream& Stream, TGResourceLibrary* Context) {
  const int64_t Start = Stream.Position();
  char Head[4] = {};
  const int64_t Got = Stream.Read(Head, 4);
  Stream.SetPosition(Start);
  try {
    if (Got == 4 && std::memcmp(Head, CXSignature, 4) == 0) {
      TGObjectPtr<TGModel> Loaded(LoadXModel(Stream, LoadContext(Context)));
      Clear();
      Assign(Loaded.get());
      FinishLoading();
    } else if (Got == 4 && std::memcmp(Head, CBinarySignature, 4) == 0) {
      TGReader Reader(Stream);
      LoadFromBinary(LoadContext(Context), Reader);
    } else {
      inherited::LoadFromStream(Stream, Context);
    }
  } catch (...) {
    Clear();
    throw;
  }
}

void TGModel::SaveToStream(TGStream& Stream) const {
  if (SameText(ExtractFileExt(URL()), ".bx")) {
    TGWriter Writer(Stream);
    SaveToBinary(Writer);
    return;
  }
  inherited::SaveToStream(Stream);
}

void TGModel::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  LoadFromXML(LoadContext(Context), Node);
}

void TGModel::LoadFromXML(const TGModelLoadContext& Context, const TGXMLNode* Node) {
  Clear();
  try {
    for (const TGXMLNode* Child : *Node->GetChilds("Frame")) {
      const std::string Type = Child->GetStrAttr("Type");
      TGFrame* Frame;
      if (Type == "Frame")
        Frame = new TGFrame(FFrames);
      else if (Type == "Mesh")
        Frame = new TGMesh(FFrames);
      else
        throw Error();
      FFrames->Add(Frame);
      Frame->LoadFromXML(Context, Child);
    }
    for (const TGXMLNode* Child : *Node->GetChilds("ModelAnimation")) {
      auto* A = new TGModelAnimation(FAnimations);
      FAnimations->Add(A);
      A->LoadFromXML(Context.Library, Child);
    }
    FinishLoading();
  } catch (...) {
    Clear();
    throw;
  }
}

TGXMLNode* TGModel::SaveToXML() const {
  auto* Node = new TGXMLNode("Model");
  for (int I = 0; I < FFrames->GetCount(); ++I)
    Node->AddNode(FFrames->GetItem(I)->SaveToXML(I));
  for (int I = 0; I < FAnimations->GetCount(); ++I)
    Node->AddNode(FAnimations->GetItem(I)->SaveToXML());
  return Node;
}

void TGModel::LoadFromBinary(const TGModelLoadContext& Context, TGReader& Reader) {
  Clear();
  try {
    if (Reader.ReadString() != "b")
      throw Error("This is no binary model");
    const int32_t Frames = ReadCount(Reader, 3, "frame");
    for (int32_t I = 0; I < Frames; ++I) {
      TGFrame* Frame = Reader.ReadBoolean() ? new TGMesh(FFrames) : new TGFrame(FFrames);
      FFrames->Add(Frame);
      Frame->LoadFromBinary(Context, Reader);
    }
    const int32_t Animations = ReadCount(Reader, 3, "animation");
    for (int32_t I = 0; I < Animations; ++I) {
      auto* A = new TGModelAnimation(FAnimations);
      FAnimations->Add(A);
      A->LoadFromBinary(Context.Library, Reader);
    }
    FinishLoading();
  } catch (...) {
    Clear();
    throw;
  }
}

void TGModel::SaveToBinary(TGWriter& Writer) const {
  Writer.WriteString("b");
  Writer.WriteInteger(FFrames->GetCount());
  for (int I = 0; I < FFrames->GetCount(); ++I) {
    const TGFrame* Frame = FFrames->GetItem(I);
    Writer.WriteBoolean(dynamic_cast<const TGMesh*>(Frame) != nullptr);
    Frame->SaveToBinary(Writer);
  }
  Writer.WriteInteger(FAnimations->GetCount());
  for (int I = 0; I < FAnimations->GetCount(); ++I)
    FAnimations->GetItem(I)->SaveToBinary(Writer);
}

void TGModel::FinishLoading() {
  FFrames->CheckHierarchy();
  const int32_t FrameCount = FFrames->GetCount();
  for (int I = 0; I < FrameCount; ++I)
    if (!IsFinite(FFrames->GetItem(I)->FrameMatrix()))
      throw Error("Frame %d (\"%s\") has a matrix that is not finite", I,
                  FFrames->GetItem(I)->Name());
  for (int I = 0; I < FrameCount; ++I)
    if (auto* Mesh = dynamic_cast<TGMesh*>(FFrames->GetItem(I))) {
      Mesh->Validate(FrameCount);
      Mesh->UpdateVertexBones();
    }
  for (int I = 0; I < FAnimations->GetCount(); ++I) {
    const TGFrameAnimations* List = FAnimations->GetItem(I)->FrameAnimations();
    for (int J = 0; J < List->GetCount(); ++J) {
      TGCustomFrameAnimation* A = List->GetItem(J);
      if (A->FrameIndex() < 0 || A->FrameIndex() >= FrameCount)
        throw Error("Animation \"%s\" moves frame %d of %d", FAnimations->GetItem(I)->Name(),
                    A->FrameIndex(), FrameCount);
      if (A->Name().empty())
        A->SetName(FFrames->GetItem(A->FrameIndex())->Name());
      if (auto* Keyed = dynamic_cast<TGFrameAnimation*>(A); Keyed && !Keyed->KeysFinite())
        throw Error("Animation \"%s\" has a key that is not finite",
                    FAnimations->GetItem(I)->Name());
    }
  }
  TGVector Min;
  TGVector Max;
  if (CalcBBox(Min, Max)) {
    FOrigin = Min;
    SetExtent(Max - Min);
  }
}

// Playing and drawing ----------------------------------------------------------------------------

void TGModel::Update(float DeltaTime) {
  if (FCurrentAnimation) {
    FCurrentAnimation->Advance(DeltaTime);
    FCurrentAnimation->Apply(this);
  }
  for (int I = 0; I < FFrames->GetCount(); ++I)
    FFrames->GetItem(I)->Update(this, DeltaTime);
}

void TGModel::Draw() {
  if (!GD)
    throw Error("The graphics device is not initialized");
  const TGColor Tint = GD->MaterialDiffuse();
  const TGMatrix World = GD->GetMatrixByType(mWorld);
  TGDeviceStateGuard Guard(TGDeviceStateMask{bMatrix, bMatrices, bMaterial, bTexture0,
                                             bVertexBuffer, bIndexBuffer, bOther});
  for (int I = 0; I < FFrames->GetCount(); ++I) {
    TGFrame* Frame = FFrames->GetItem(I);
    GD->SetMatrixByType(mWorld, Frame->GetModelMatrix() * World);
    Frame->Draw(Tint);
  }
}

// Geometry ---------------------------------------------------------------------------------------

bool TGModel::CalcBBox(TGVector& Min, TGVector& Max) const {
  bool Any = false;
  for (int I = 0; I < FFrames->GetCount(); ++I) {
    auto* Mesh = dynamic_cast<TGMesh*>(FFrames->GetItem(I));
    TGVector A;
    TGVector B;
    if (!Mesh || !Mesh->CalcBBox(A, B))
      continue;
    if (!Any) {
      Min = A;
      Max = B;
      Any = true;
      continue;
    }
    Min = TGVector{std::min(Min.X, A.X), std::min(Min.Y, A.Y), std::min(Min.Z, A.Z)};
    Max = TGVector{std::max(Max.X, B.X), std::max(Max.Y, B.Y), std::max(Max.Z, B.Z)};
  }
  return Any;
}

bool TGModel::Intersects(const TGVector& RayOrigin, const TGVector& RayDirection,
                         std::string& MeshName, float& Distance) const {
  bool Hit = false;
  for (int I = 0; I < FFrames->GetCount(); ++I) {
    auto* Mesh = dynamic_cast<TGMesh*>(FFrames->GetItem(I));
    float D = 0;
    if (Mesh && Mesh->Intersects(RayOrigin, RayDirection, D) && (!Hit || D < Distance)) {
      Hit = true;
      Distance = D;
      MeshName = Mesh->Name();
    }
  }
  return Hit;
}
