#include "animation/UGChannel.h"

#include "animation/UGAnimation.h"
#include "base/UGFormat.h"
#include "math/UGMathUtils.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <limits>

G_IMPLEMENT_CLASS(TGChannel)
G_IMPLEMENT_CLASS(TGMovie)
G_ENUM_INFO(TGChannelFlag, "mfDrawFrame", "mfDrawAxises", "mfDisableSounds")

int32_t MaskRenderingStep = 0;

namespace {

std::vector<TGClass>& Registry() {
  static std::vector<TGClass> Classes;
  return Classes;
}

// Half to even, saturated to the 32-bit range (NaN gives 0): corners of degenerate transforms
// must not overflow the conversion.
int32_t RoundToInt(float V) {
  if (std::isnan(V))
    return 0;
  const double R = std::nearbyint(static_cast<double>(V));
  if (R <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  if (R >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(R);
}

} // namespace

// --- TGChannel -----------------------------------------------------------------------------------

void TGChannel::Publish(TGClassBuilder<TGChannel>& B) {
  B.Property("Caption", &TGChannel::Caption, &TGChannel::SetCaption)
      .Property("Visible", &TGChannel::Visible, &TGChannel::SetVisible)
      .Property("Locked", &TGChannel::Locked, &TGChannel::SetLocked)
      .Property("IsMask", &TGChannel::IsMask, &TGChannel::SetIsMask)
      .Property("ElapsedTime", &TGChannel::ElapsedTime, &TGChannel::SetElapsedTime)
      .Property("TotalTime", &TGChannel::TotalTime)
      .Property("SeqCount", &TGChannel::SeqCount);
}

TGChannel::TGChannel(TGObject* AOwner)
    : TGObject(AOwner) {}

std::string TGChannel::ClassIdOf(TGClass AClass) {
  if (!AClass)
    return {};
  const std::string& N = AClass->Name;
  if (N.size() >= 2 && N[1] == 'G')
    return N.substr(2);
  if (!N.empty() && N[0] == 'T')
    return N.substr(1);
  return N;
}

TGChannel* TGChannel::Create(TGClass AClass, TGAnimation* Animation) {
  if (!AClass || !AClass->InheritsFrom(TGChannel::StaticClass()) || !AClass->CanCreate())
    throw Error("Unknown movie class: %s", AClass ? AClass->Name : std::string("nil"));
  auto* C = static_cast<TGChannel*>(AClass->CreateInstance(nullptr));
  if (Animation) {
    try {
      Animation->Add(C);
    } catch (...) {
      C->Free();
      throw;
    }
  }
  return C;
}

void TGChannel::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGChannel*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  if (D == this)
    return;
  D->FCaption = FCaption;
  D->FVisible = FVisible;
  D->FLocked = FLocked;
  D->FIsMask = FIsMask;
  const size_t N = std::min(FSeqs.size(), D->FSeqs.size());
  for (size_t I = 0; I < N; ++I)
    D->FSeqs[I]->Assign(FSeqs[I]);
}

void TGChannel::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  FCaption = Node->GetStrAttr("Caption");
  FVisible = Node->GetBoolAttr("Visible");
  FLocked = Node->GetBoolAttrDef("Locked", false);
  FIsMask = Node->GetBoolAttrDef("Mask", false);
  for (TGVarSeq* S : FSeqs) {
    TGXMLCollection* C = Node->GetChilds(S->Name());
    if (C->GetCount() > 0)
      S->LoadFromXML(Context, C->GetItem(0));
  }
}

TGXMLNode* TGChannel::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Channel"));
  Node->SetStrAttr("ClassId", GetClassId());
  Node->SetStrAttr("Caption", FCaption);
  Node->SetBoolAttr("Visible", FVisible);
  Node->SetBoolAttrDef("Locked", false, FLocked);
  Node->SetBoolAttrDef("Mask", false, FIsMask);
  for (const TGVarSeq* S : FSeqs) {
    if (TGXMLNode* Child = S->SaveToXML())
      Node->AddNode(Child);
  }
  return Node.release();
}

void TGChannel::GetExtent(int32_t Time, TGVector& Extent) {
  (void)Time;
  Extent = TGVector{};
}

void TGChannel::AdjustBoundingBox(int32_t Time, TGVector& Min, TGVector& Max) {
  (void)Time;
  (void)Min;
  (void)Max;
}

void TGChannel::GetTransformMatrix(int32_t Time, TGMatrix& M) {
  (void)Time;
  M = MatIdentity;
}

bool TGChannel::HitTest(int32_t Time, float X, float Y) {
  (void)Time;
  (void)X;
  (void)Y;
  return false;
}

bool TGChannel::Hit(const TGVector& Point) {
  (void)Point;
  return false;
}

void TGChannel::Move(int32_t Time, float DX, float DY) {
  (void)Time;
  (void)DX;
  (void)DY;
}

bool TGChannel::HasReferenceTo(const TGResource* Resource) const {
  return std::any_of(FSeqs.begin(), FSeqs.end(),
                     [Resource](const TGVarSeq* S) { return S->HasReferenceTo(Resource); });
}

void TGChannel::SetElapsedTime(int32_t T) {
  FElapsedTime = T;
  Update();
}

int32_t TGChannel::TotalTime() const {
  // Every update of the animation asks for it: it is made again only after some term came or
  // went somewhere.
  if (FTotalTimeGeneration != TermTimesGeneration) {
    int32_t Result = 0;
    for (const TGVarSeq* S : FSeqs)
      Result = std::max(Result, S->TotalTime());
    FTotalTime = Result;
    FTotalTimeGeneration = TermTimesGeneration;
  }
  return FTotalTime;
}

TGChannel* TGChannel::Clone() const {
  TGChannel* C = Create(ClassType(), nullptr);
  try {
    C->Assign(this);
  } catch (...) {
    C->Free();
    throw;
  }
  return C;
}

TGAnimation* TGChannel::Animation() const {
  return dynamic_cast<TGAnimation*>(Owner());
}

TGVarSeq* TGChannel::GetSeq(int32_t Index) const {
  if (Index < 0 || Index >= SeqCount())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FSeqs[static_cast<size_t>(Index)];
}

TGVarSeq* TGChannel::FindSeq(std::string_view Name) const {
  for (TGVarSeq* S : FSeqs) {
    if (S->Name() == Name)
      return S;
  }
  return nullptr;
}

void TGChannel::AddSeq(TGVarSeq* Seq) {
  Seq->SetOwner(this);
  FSeqs.push_back(Seq);
  TermTimesChanged();
}

void TGChannel::RegisterClass(TGClass AClass) {
  if (!AClass)
    return;
  std::vector<TGClass>& R = Registry();
  if (std::find(R.begin(), R.end(), AClass) == R.end())
    R.push_back(AClass);
}

TGClass TGChannel::FindClass(std::string_view ClassId) {
  for (TGClass C : Registry()) {
    if (ClassIdOf(C) == ClassId)
      return C;
  }
  return nullptr;
}

TGClass TGChannel::GetClass(std::string_view ClassId) {
  TGClass C = FindClass(ClassId);
  if (!C)
    throw Error("Unknown movie class: %s", std::string(ClassId));
  return C;
}

const std::vector<TGClass>& TGChannel::ClassRegistry() {
  return Registry();
}

// --- TGMovie -------------------------------------------------------------------------------------

void TGMovie::Publish(TGClassBuilder<TGMovie>& B) {
  B.Property("SmoothMove", &TGMovie::SmoothMove)
      .Property("X", &TGMovie::X)
      .Property("Y", &TGMovie::Y)
      .Property("SmoothRotation", &TGMovie::SmoothRotation)
      .Property("Angle", &TGMovie::Angle)
      .Property("SmoothScaling", &TGMovie::SmoothScaling)
      .Property("ScaleX", &TGMovie::ScaleX)
      .Property("ScaleY", &TGMovie::ScaleY)
      .Property("TextureFilter", &TGMovie::TextureFilter)
      .Property("PivotX", &TGMovie::PivotX)
      .Property("PivotY", &TGMovie::PivotY)
      .Property("Alpha", &TGMovie::Alpha)
      .Property("Color", &TGMovie::Color)
      .Property("Blending", &TGMovie::Blending);
}

TGMovie::TGMovie(TGObject* AOwner)
    : TGChannel(AOwner) {
  SetVar(FSmoothMove, new TGBoolSeq("SmoothMove", TGVariant(false)));
  SetVar(FX, new TGRealEnv("X", 0, FSmoothMove, false));
  SetVar(FY, new TGRealEnv("Y", 0, FSmoothMove, false));
  SetVar(FSmoothRotation, new TGBoolSeq("SmoothRotation", TGVariant(false)));
  SetVar(FAngle, new TGRealEnv("Angle", 0, FSmoothRotation, false));
  SetVar(FSmoothScaling, new TGBoolSeq("SmoothScaling", TGVariant(false)));
  SetVar(FScaleX, new TGRealEnv("ScaleX", 1, FSmoothScaling, false));
  SetVar(FScaleY, new TGRealEnv("ScaleY", 1, FSmoothScaling, false));
  SetVar(FTextureFilter,
         new TGTextureFilterSeq("TextureFilter", TGVariant(static_cast<int32_t>(tfParent))));
  SetVar(FPivotX, new TGRealEnv("PivotX", 0, nullptr, false));
  SetVar(FPivotY, new TGRealEnv("PivotY", 0, nullptr, false));
  SetVar(FAlpha, new TGRealEnv("Alpha", 1, nullptr, false));
  SetVar(FColor, new TGColorEnv("Color"));
  SetVar(FBlending, new TGBlendingSeq("Blending", TGVariant(static_cast<int32_t>(bParent))));
}

void TGMovie::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  // The copied envelopes follow the copy's own curve switches, never this channel's.
  if (auto* D = dynamic_cast<TGMovie*>(Dest)) {
    D->FX->SetCurved(D->FSmoothMove);
    D->FY->SetCurved(D->FSmoothMove);
    D->FAngle->SetCurved(D->FSmoothRotation);
    D->FScaleX->SetCurved(D->FSmoothScaling);
    D->FScaleY->SetCurved(D->FSmoothScaling);
  }
}

void TGMovie::GetTransformMatrix(int32_t Time, TGMatrix& M) {
  TGVector E;
  GetExtent(Time, E);
  const TGFlatVector C{E.X * FPivotX->GetRealValue(Time), E.Y * FPivotY->GetRealValue(Time)};
  const TGFlatVector P{FX->GetRealValue(Time), FY->GetRealValue(Time)};
  const TGFlatVector S{FScaleX->GetRealValue(Time), FScaleY->GetRealValue(Time)};
  M = MatAffineTransform2D(C, S, P - C, FAngle->GetRealValue(Time));
}

void TGMovie::TransformedCorners(int32_t Time, TGVector (&Corners)[4]) {
  TGVector E;
  GetExtent(Time, E);
  TGMatrix M;
  GetTransformMatrix(Time, M);
  const TGVector Local[4] = {{0, 0, 0}, {0, E.Y, 0}, {E.X, E.Y, 0}, {E.X, 0, 0}};
  for (int I = 0; I < 4; ++I)
    Corners[I] = Vec3TransformCoord(Local[I], M);
}

bool TGMovie::HitTest(int32_t Time, float X, float Y) {
  if (FLocked)
    return false;
  const TGPoint P{RoundToInt(X), RoundToInt(Y)};
  if (FFlags.Contains(mfDrawFrame) || FFlags.Contains(mfDrawAxises)) {
    // The pivot lands on (X, Y) of the channel: the editor grabs it there.
    const float R = 10 * std::max(std::fabs(FScaleX->GetRealValue(Time)),
                                  std::fabs(FScaleY->GetRealValue(Time)));
    const float DX = X - FX->GetRealValue(Time);
    const float DY = Y - FY->GetRealValue(Time);
    if (DX * DX + DY * DY <= R * R)
      return true;
  }
  TGVector Corners[4];
  TransformedCorners(Time, Corners);
  std::vector<TGPoint> Poly;
  Poly.reserve(4);
  for (const TGVector& C : Corners)
    Poly.push_back(TGPoint{RoundToInt(C.X), RoundToInt(C.Y)});
  return PointInPoly(Poly, P);
}

void TGMovie::AdjustBoundingBox(int32_t Time, TGVector& Min, TGVector& Max) {
  TGVector Corners[4];
  TransformedCorners(Time, Corners);
  for (const TGVector& C : Corners) {
    Min.X = std::min(Min.X, C.X);
    Min.Y = std::min(Min.Y, C.Y);
    Min.Z = std::min(Min.Z, C.Z);
    Max.X = std::max(Max.X, C.X);
    Max.Y = std::max(Max.Y, C.Y);
    Max.Z = std::max(Max.Z, C.Z);
  }
}

void TGMovie::Draw() {
  DrawOverlays();
}

void TGMovie::DrawOverlays() {
  if (MaskRenderingStep == 1 || !GD)
    return;
  const bool Frame = FFlags.Contains(mfDrawFrame);
  const bool Axises = FFlags.Contains(mfDrawAxises);
  if (!Frame && !Axises)
    return;
  const int32_t T = FElapsedTime;
  TGVector E;
  GetExtent(T, E);
  TGMatrix M;
  GetTransformMatrix(T, M);
  GD->PushState(TGDeviceStateMask{bMatrix, bTexture0});
  try {
    GD->SetMatrixByType(mWorld, M * GD->GetMatrixByType(mWorld));
    GD->SetTexture(0, nullptr);
    if (Frame && std::fabs(E.X) + std::fabs(E.Y) >= 2)
      GD->DrawFrame(0xA000FF00u, 0, 0, E.X, E.Y);
    if (Axises) {
      const float CX = E.X * FPivotX->GetRealValue(T);
      const float CY = E.Y * FPivotY->GetRealValue(T);
      const float L = 50, H = 6; // shaft and head lengths
      GD->DrawLine(0xFFFFFF00u, CX, CY, CX + L, CY);
      GD->DrawLine(0xFFFFFF00u, CX + L, CY, CX + L - H, CY - H);
      GD->DrawLine(0xFFFFFF00u, CX + L, CY, CX + L - H, CY + H);
      GD->DrawLine(0xFFFF0000u, CX, CY, CX, CY + L);
      GD->DrawLine(0xFFFF0000u, CX, CY + L, CX - H, CY + L - H);
      GD->DrawLine(0xFFFF0000u, CX, CY + L, CX + H, CY + L - H);
    }
  } catch (...) {
    GD->PopState();
    throw;
  }
  GD->PopState();
}

void TGMovie::Move(int32_t Time, float DX, float DY) {
  FX->SetRealValue(Time, FX->GetRealValue(Time) + DX);
  FY->SetRealValue(Time, FY->GetRealValue(Time) + DY);
}

TGColor TGMovie::ContentColor(int32_t Time) const {
  return TGColor::Create(static_cast<double>(FAlpha->GetRealValue(Time)), 0.0, 0.0, 0.0) +
         FColor->GetColorValue(Time);
}
