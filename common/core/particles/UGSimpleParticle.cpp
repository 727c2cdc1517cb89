#include "particles/UGSimpleParticle.h"

#include "drawables/UGSymbol.h"
#include "math/UGMathUtils.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>

G_IMPLEMENT_CLASS(TGSimpleParticleSharedData)
G_IMPLEMENT_CLASS(TGSimpleParticleSharedDataSeq)
G_IMPLEMENT_CLASS(TGSimpleParticle)

TGSimpleParticleSharedData* DefaultSimpleParticleSharedData = nullptr;

namespace {
std::mutex DefaultLock; // loader threads may make the first emitter
} // namespace

TGSimpleParticleSharedData* GetDefaultSimpleParticleSharedData() {
  std::lock_guard Guard(DefaultLock);
  if (!DefaultSimpleParticleSharedData) {
    DefaultSimpleParticleSharedData = new TGSimpleParticleSharedData();
  }
  return DefaultSimpleParticleSharedData;
}

void ReleaseDefaultSimpleParticleSharedData() {
  TGSimpleParticleSharedData* Data;
  {
    std::lock_guard Guard(DefaultLock);
    Data = DefaultSimpleParticleSharedData;
    DefaultSimpleParticleSharedData = nullptr;
  }
  TGSimpleParticleSharedData::Release(Data);
}

// TGSimpleParticleSharedData ------------------------------------------------------------------

TGSimpleParticleSharedData::TGSimpleParticleSharedData(TGObject* AOwner)
    : TGClonableObject(AOwner)
    , FColor(new TGColorEnv("Color"))
    , FAlpha(new TGRealEnv("Alpha", 1, nullptr, false))
    , FScaling(new TGRealEnv("Scaling", 1, nullptr, false)) {
  FColor->SetOwner(this);
  FAlpha->SetOwner(this);
  FScaling->SetOwner(this);
}

void TGSimpleParticleSharedData::AddRef(TGSimpleParticleSharedData* Data) {
  if (Data) {
    ++Data->FRefCount;
  }
}

void TGSimpleParticleSharedData::Release(TGSimpleParticleSharedData* Data) {
  if (Data && --Data->FRefCount <= 0) {
    Data->Free();
  }
}

TGColor TGSimpleParticleSharedData::GetTotalColorColor(int32_t Time) const {
  TGColor C = FColor->GetColorValue(Time);
  const double A = std::trunc(static_cast<double>(FAlpha->GetRealValue(Time)) * 255.0);
  C.A = std::isnan(A) ? 0 : static_cast<uint8_t>(std::clamp(A, 0.0, 255.0));
  return C;
}

void TGSimpleParticleSharedData::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  for (TGVarSeq* Env : {static_cast<TGVarSeq*>(FColor), static_cast<TGVarSeq*>(FAlpha),
                        static_cast<TGVarSeq*>(FScaling)}) {
    Env->Clear();
    TGXMLCollection* Childs = Node ? Node->GetChilds(Env->Name()) : nullptr;
    if (Childs && Childs->GetCount() > 0) {
      Env->LoadFromXML(Context, Childs->GetItem(0));
    }
  }
}

void TGSimpleParticleSharedData::SaveToXML(TGXMLNode* Node) const {
  for (const TGVarSeq* Env :
       {static_cast<const TGVarSeq*>(FColor), static_cast<const TGVarSeq*>(FAlpha),
        static_cast<const TGVarSeq*>(FScaling)}) {
    if (TGXMLNode* Child = Env->SaveToXML()) {
      Node->AddNode(Child);
    }
  }
}

void TGSimpleParticleSharedData::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGSimpleParticleSharedData>(Dest);
  if (D == this) {
    return;
  }
  // The colour envelope adds keys on assignment; start from an empty one.
  D->FColor->Clear();
  D->FColor->Assign(FColor);
  D->FAlpha->Assign(FAlpha);
  D->FScaling->Assign(FScaling);
}

// TGSimpleParticleSharedDataSeq ---------------------------------------------------------------

TGSimpleParticleSharedDataSeq::TGSimpleParticleSharedDataSeq(std::string_view AName,
                                                             TGSimpleParticleSharedData* ADefault)
    : TGVarSeq(AName, TGVariant::Null()) {
  TGSimpleParticleSharedData* Default = ADefault ? ADefault : GetDefaultSimpleParticleSharedData();
  TGSimpleParticleSharedData::AddRef(Default);
  FDefValue = TGVariant(static_cast<TGObject*>(Default));
}

void TGSimpleParticleSharedDataSeq::Destroy() {
  Clear();
  TGSimpleParticleSharedData* Default = DataOf(FDefValue);
  FDefValue = TGVariant::Null();
  TGSimpleParticleSharedData::Release(Default);
  inherited::Destroy();
}

TGSimpleParticleSharedData* TGSimpleParticleSharedDataSeq::DataOf(const TGVariant& V) {
  if (V.VType() != varGObject) {
    return nullptr;
  }
  return dynamic_cast<TGSimpleParticleSharedData*>(V.ToObject());
}

TGSimpleParticleSharedData* TGSimpleParticleSharedDataSeq::GetSPSDValue(int32_t Time) const {
  const int I = FindActiveTerm(Time);
  return DataOf(I < 0 ? FDefValue : FTerms[static_cast<size_t>(I)].Value);
}

void TGSimpleParticleSharedDataSeq::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGSimpleParticleSharedDataSeq*>(Dest);
  if (!D) {
    return inherited::AssignTo(Dest);
  }
  if (D == this) {
    return;
  }
  D->Clear();
  TGSimpleParticleSharedData* Default = DataOf(FDefValue);
  TGSimpleParticleSharedData::AddRef(Default);
  TGSimpleParticleSharedData::Release(DataOf(D->FDefValue));
  D->FDefValue = FDefValue;
  for (const TGVarTerm& T : FTerms) {
    D->SetValue(T.Time, T.Value); // stores a copy
  }
}

void TGSimpleParticleSharedDataSeq::Put(int32_t Time, TGSimpleParticleSharedData* Data) {
  const int I = IndexOfTerm(Time);
  TGSimpleParticleSharedData* Old = I >= 0 ? DataOf(FTerms[static_cast<size_t>(I)].Value) : nullptr;
  StoreTerm(Time, TGVariant(static_cast<TGObject*>(Data)));
  TGSimpleParticleSharedData::Release(Old);
}

void TGSimpleParticleSharedDataSeq::SetValue(int32_t Time, const TGVariant& Value) {
  TGSimpleParticleSharedData* Data = DataOf(Value);
  if (!Data) {
    throw Error("Assertion failure");
  }
  const int I = IndexOfTerm(Time);
  if (I >= 0 && DataOf(FTerms[static_cast<size_t>(I)].Value) == Data) {
    return;
  }
  Put(Time, static_cast<TGSimpleParticleSharedData*>(CloneObject(*Data, nullptr)));
}

void TGSimpleParticleSharedDataSeq::Clear() {
  std::vector<TGVarTerm> Old;
  Old.swap(FTerms);
  TermTimesChanged();
  for (const TGVarTerm& T : Old) {
    TGSimpleParticleSharedData::Release(DataOf(T.Value));
  }
}

void TGSimpleParticleSharedDataSeq::RemoveTerm(int Index) {
  if (Index < 0 || Index >= GetCount()) {
    return;
  }
  TGSimpleParticleSharedData* Old = DataOf(FTerms[static_cast<size_t>(Index)].Value);
  TGVarSeq::RemoveTerm(Index);
  TGSimpleParticleSharedData::Release(Old);
}

void TGSimpleParticleSharedDataSeq::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  Clear();
  if (!Node) {
    return;
  }
  TGXMLCollection* Terms = Node->GetChilds("Term");
  for (int I = 0; I < Terms->GetCount(); ++I) {
    const TGXMLNode* Term = Terms->GetItem(I);
    const int32_t Time = Term->GetIntAttr("T");
    auto* Data = new TGSimpleParticleSharedData();
    try {
      Data->LoadFromXML(Context, Term);
    } catch (...) {
      TGSimpleParticleSharedData::Release(Data);
      throw;
    }
    Put(Time, Data);
  }
}

TGXMLNode* TGSimpleParticleSharedDataSeq::SaveToXML() const {
  if (FTerms.empty()) {
    return nullptr;
  }
  auto* Node = new TGXMLNode(FName);
  for (const TGVarTerm& T : FTerms) {
    TGXMLNode* Term = Node->AddChild("Term");
    Term->SetIntAttr("T", T.Time);
    if (const TGSimpleParticleSharedData* Data = DataOf(T.Value)) {
      Data->SaveToXML(Term);
    }
  }
  return Node;
}

// TGSimpleParticle ----------------------------------------------------------------------------

TGSimpleParticle::TGSimpleParticle(TGObject* AOwner)
    : TGParticle(AOwner)
    , Symbol(new TGSymbol(this)) {}

void TGSimpleParticle::Destroy() {
  SetData(nullptr);
  inherited::Destroy();
}

void TGSimpleParticle::SetData(TGSimpleParticleSharedData* AData) {
  TGSimpleParticleSharedData::AddRef(AData);
  TGSimpleParticleSharedData::Release(Data);
  Data = AData;
}

TGFlatVector TGSimpleParticle::PositionAt(float T) const {
  return StartPos + StartVel * std::pow(T, VelocityCurveCoeff) + Gravity * (T * T);
}

float TGSimpleParticle::AngleAt(float T) const {
  if (!AngleFollowsPath) {
    return T * RotSpeed + StartAngle;
  }
  const TGFlatVector V = StartVel + Gravity * (2 * T);
  return static_cast<float>(ArcTan2(V.Y, V.X) * 180.0 / std::numbers::pi + 90.0);
}

void TGSimpleParticle::Update(float DeltaTime) {
  ElapsedTime += DeltaTime;
  const float T = ElapsedTime;
  // The life fraction in thousandths; a particle without life is at its end.
  const double Fraction =
      LifeTime > 0 ? std::nearbyint(static_cast<double>(T) / LifeTime * 1000.0) : 1000.0;
  const auto K =
      static_cast<int32_t>(std::isnan(Fraction) ? 0.0 : std::clamp(Fraction, 0.0, 1000.0));
  const TGFlatVector Position = PositionAt(T);
  const float Scale = Data ? Data->Scaling()->GetRealValue(K) * Size : Size;
  Symbol->SetColor(Data ? Color * Data->GetTotalColorColor(K) : Color);
  Symbol->SetTransform(Position.X, Position.Y, 0.5f, 0.5f, AngleAt(T), Scale, Scale);
  Symbol->Update(DeltaTime);
}

void TGSimpleParticle::Draw() {
  Symbol->Draw();
}
