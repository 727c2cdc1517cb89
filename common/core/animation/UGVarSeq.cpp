#include "animation/UGVarSeq.h"

#include "base/UGStrUtils.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResource.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <charconv>
#include <cmath>

G_IMPLEMENT_CLASS(TGVarSeq)
G_IMPLEMENT_CLASS(TGIntegerSeq)
G_IMPLEMENT_CLASS(TGRealSeq)
G_IMPLEMENT_CLASS(TGBoolSeq)
G_IMPLEMENT_CLASS(TGStringSeq)
G_IMPLEMENT_CLASS(TGWideStringSeq)
G_IMPLEMENT_CLASS(TGBlendingSeq)
G_IMPLEMENT_CLASS(TGTextureFilterSeq)
G_IMPLEMENT_CLASS(TGTextAlignSeq)
G_IMPLEMENT_CLASS(TGTextVAlignSeq)
G_IMPLEMENT_CLASS(TGParticleEmitterShapeSeq)
G_IMPLEMENT_CLASS(TGRealEnv)
G_IMPLEMENT_CLASS(TGIntegerEnv)
G_IMPLEMENT_CLASS(TGColorEnv)
G_IMPLEMENT_CLASS(TGResourceSeq)

uint64_t TermTimesGeneration = 1;

namespace {

// The smallest encoding of one term of a float envelope: an integer value (tag and one byte)
// and a float value (tag and four bytes). Bounds the count a stream can hold.
constexpr int64_t CMinRealTermBytes = 2 + 5;

bool TermTimeLess(const TGVarTerm& Term, int32_t Time) {
  return Term.Time < Time;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TGVarSeq

TGVarSeq::TGVarSeq(std::string_view AName, const TGVariant& ADefValue)
    : TGObject(nullptr)
    , FName(AName)
    , FDefValue(ADefValue) {}

void TGVarSeq::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGVarSeq*>(Dest);
  if (!D)
    return inherited::AssignTo(Dest);
  D->Clear();
  D->FDefValue = FDefValue;
  for (const TGVarTerm& T : FTerms)
    D->SetValue(T.Time, T.Value);
}

namespace {

// A term's text as the value it reads as: an integer, a float, a switch, or else the text.
void ParseTermText(const std::string& Text, TGVariant& Value) {
  int32_t I;
  float F;
  bool B;
  if (TryStrToInt(Text, I))
    Value = TGVariant(I);
  else if (SafeTryStrToFloat(Text, F))
    Value = TGVariant(F);
  else if (TryStrToBool(Text, B))
    Value = TGVariant(B);
  else
    Value = TGVariant(Text);
}

} // namespace

void TGVarSeq::StrToVar(TGResourceLibrary* Context, const std::string& Text,
                        TGVariant& Value) const {
  (void)Context;
  if (HoldsNumbers())
    StrToNumber(Text, Value);
  else
    ParseTermText(Text, Value);
}

void TGVarSeq::StrToNumber(const std::string& Text, TGVariant& Value) const {
  ParseTermText(Text, Value);
  if (!Value.IsNumeric() && Value.VType() != varBoolean)
    throw EConvertError(Format("Sequence \"%s\": \"%s\" is not a number", {FName, Text}));
}

void TGRealEnv::StrToVar(TGResourceLibrary* Context, const std::string& Text,
                         TGVariant& Value) const {
  (void)Context;
  StrToNumber(Text, Value);
}

void TGIntegerEnv::StrToVar(TGResourceLibrary* Context, const std::string& Text,
                            TGVariant& Value) const {
  (void)Context;
  StrToNumber(Text, Value);
}

void TGColorEnv::StrToVar(TGResourceLibrary* Context, const std::string& Text,
                          TGVariant& Value) const {
  (void)Context;
  StrToNumber(Text, Value);
}

void TGVarSeq::VarToStr(const TGVariant& Value, std::string& Text) const {
  if (Value.IsFloat()) {
    char Buf[400];
    auto R = std::to_chars(Buf, Buf + sizeof(Buf), Value.ToDouble(), std::chars_format::fixed, 3);
    Text.assign(Buf, R.ec == std::errc() ? R.ptr : Buf);
  } else {
    Text = Value.ToString();
  }
}

int TGVarSeq::FindActiveTerm(int32_t Time) const {
  if (FTerms.empty() || Time < FTerms.front().Time || Time >= CVarSeqEndOfTime)
    return -1;
  auto It = std::upper_bound(FTerms.begin(), FTerms.end(), Time,
                             [](int32_t T, const TGVarTerm& Term) { return T < Term.Time; });
  return static_cast<int>(It - FTerms.begin()) - 1;
}

int TGVarSeq::FindTermBetween(int32_t T1, int32_t T2) const {
  auto It = std::lower_bound(FTerms.begin(), FTerms.end(), T1, TermTimeLess);
  if (It == FTerms.end() || It->Time >= T2)
    return -1;
  return static_cast<int>(It - FTerms.begin());
}

int TGVarSeq::IndexOfTerm(int32_t Time) const {
  auto It = std::lower_bound(FTerms.begin(), FTerms.end(), Time, TermTimeLess);
  if (It == FTerms.end() || It->Time != Time)
    return -1;
  return static_cast<int>(It - FTerms.begin());
}

void TGVarSeq::GetTerm(int Index, TGVarTerm& Term) const {
  Term = Terms(Index);
}

const TGVarTerm& TGVarSeq::Terms(int Index) const {
  if (Index < 0 || Index >= GetCount())
    throw ERangeError(Format("List index out of bounds (%d)", {Index}));
  return FTerms[static_cast<size_t>(Index)];
}

void TGVarSeq::GetValue(int32_t Time, TGVariant& Value) const {
  const int I = FindActiveTerm(Time);
  Value = I < 0 ? FDefValue : FTerms[static_cast<size_t>(I)].Value;
}

void TGVarSeq::StoreTerm(int32_t Time, const TGVariant& Value) {
  auto It = std::lower_bound(FTerms.begin(), FTerms.end(), Time, TermTimeLess);
  if (It != FTerms.end() && It->Time == Time) {
    It->Value = Value;
  } else {
    FTerms.insert(It, TGVarTerm{Time, Value});
    TermTimesChanged();
  }
}

void TGVarSeq::SetValue(int32_t Time, const TGVariant& Value) {
  StoreTerm(Time, Value);
}

void TGVarSeq::Clear() {
  FTerms.clear();
  TermTimesChanged();
}

template <class F>
void TGVarSeq::OptimizeWith(F Same) {
  size_t I = 1;
  while (I + 1 < FTerms.size()) {
    if (Same(FTerms[I - 1].Value, FTerms[I].Value, FTerms[I + 1].Value))
      RemoveTerm(static_cast<int>(I));
    else
      ++I;
  }
}

void TGVarSeq::Optimize() {
  OptimizeWith([](const TGVariant& Prev, const TGVariant& V, const TGVariant& Next) {
    return V == Prev && V == Next;
  });
}

void TGVarSeq::OptimizeRough() {
  Optimize();
}

bool TGVarSeq::HasReferenceTo(const TGResource* Resource) const {
  (void)Resource;
  return false;
}

void TGVarSeq::RemoveTerm(int Index) {
  if (Index < 0 || Index >= GetCount())
    return;
  FTerms.erase(FTerms.begin() + Index);
  TermTimesChanged();
}

void TGVarSeq::LoadFromBinary(TGResourceLibrary* Context, TGReader& Reader) {
  const int32_t N = Reader.ReadInteger();
  if (N < 0)
    throw EReadError(Format("Sequence \"%s\": negative term count", {FName}));
  for (int32_t I = 0; I < N; ++I) {
    const int32_t Time = Reader.ReadInteger();
    const std::string Text = Reader.ReadString();
    TGVariant V;
    StrToVar(Context, Text, V);
    SetValue(Time, V);
  }
}

void TGVarSeq::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  if (!Node)
    return;
  TGXMLCollection* Terms = Node->GetChilds("Term");
  for (int I = 0; I < Terms->GetCount(); ++I) {
    const TGXMLNode* Term = Terms->GetItem(I);
    const int32_t Time = Term->GetIntAttr("T");
    const std::string Text = DecodeText(Term->GetStrAttr("Value"));
    TGVariant V;
    if (ConvertsText())
      StrToVar(Context, Text, V);
    else
      V = TGVariant(Text);
    SetValue(Time, V);
  }
}

void TGVarSeq::SaveToBinary(TGWriter& Writer) const {
  Writer.WriteInteger(GetCount());
  std::string Text;
  for (const TGVarTerm& T : FTerms) {
    Writer.WriteInteger(T.Time);
    VarToStr(T.Value, Text);
    Writer.WriteString(Text);
  }
}

TGXMLNode* TGVarSeq::SaveToXML() const {
  if (FTerms.empty())
    return nullptr;
  auto* Node = new TGXMLNode(FName);
  std::string Text;
  for (const TGVarTerm& T : FTerms) {
    TGXMLNode* Term = Node->AddChild("Term");
    Term->SetIntAttr("T", T.Time);
    VarToStr(T.Value, Text);
    Term->SetStrAttr("Value", EncodeText(Text));
  }
  return Node;
}

// ---------------------------------------------------------------------------------------------
// Texts

void TGStringSeq::StrToVar(TGResourceLibrary* Context, const std::string& Text,
                           TGVariant& Value) const {
  (void)Context;
  Value = TGVariant(Text);
}

void TGStringSeq::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  TGVarSeq::LoadFromXML(Context, Node); // ConvertsText() keeps the texts as written
}

// ---------------------------------------------------------------------------------------------
// TGRealEnv

TGRealEnv::TGRealEnv(std::string_view AName, float ADefValue, TGBoolSeq* ACurved,
                     bool ACurvedByDefault)
    : TGVarSeq(AName, TGVariant(ADefValue))
    , FCurved(ACurved)
    , FCurvedByDefault(ACurvedByDefault) {}

// The Catmull-Rom spline through P0..P3 at S (0 <= S < 1), between P1 and P2.
static float CatmullRomSpline(long double P0, long double P1, long double P2, long double P3,
                              long double S) {
  const long double S2 = S * S, S3 = S2 * S;
  return static_cast<float>(0.5L * (2 * P1 + (P2 - P0) * S + (2 * P0 - 5 * P1 + 4 * P2 - P3) * S2 +
                                    (-P0 + 3 * P1 - 3 * P2 + P3) * S3));
}

float TGRealEnv::GetRealValue(int32_t Time) const {
  const int I = FindActiveTerm(Time);
  if (I < 0)
    return FDefValue.ToSingle();
  const int N = GetCount();
  const int J = I + 1 < N ? I + 1 : I;
  const TGVarTerm& TI = FTerms[static_cast<size_t>(I)];
  const TGVarTerm& TJ = FTerms[static_cast<size_t>(J)];
  const int64_t Dt = static_cast<int64_t>(TJ.Time) - TI.Time;
  const float VI = TI.Value.ToSingle();
  if (Dt == 0)
    return VI;
  const float VJ = TJ.Value.ToSingle();
  const double S =
      static_cast<double>(static_cast<int64_t>(Time) - TI.Time) / static_cast<double>(Dt);
  const bool Curve = FCurvedByDefault || (FCurved && FCurved->GetBoolValue(Time));
  if (!Curve)
    return static_cast<float>(VI + (VJ - VI) * S);
  const int H = I > 0 ? I - 1 : I;
  const int K = I + 2 < N ? I + 2 : J;
  return CatmullRomSpline(FTerms[static_cast<size_t>(H)].Value.ToSingle(), VI, VJ,
                          FTerms[static_cast<size_t>(K)].Value.ToSingle(), S);
}

void TGRealEnv::GetValue(int32_t Time, TGVariant& Value) const {
  Value = TGVariant(GetRealValue(Time));
}

void TGRealEnv::OptimizeRough() {
  OptimizeWith([](const TGVariant& Prev, const TGVariant& V, const TGVariant& Next) {
    const float X = V.ToSingle();
    return std::fabs(X - Prev.ToSingle()) < 0.0075f && std::fabs(X - Next.ToSingle()) < 0.0075f;
  });
}

void TGRealEnv::LoadFromBinary(TGResourceLibrary* Context, TGReader& Reader) {
  (void)Context;
  const int32_t N = Reader.ReadInteger();
  // A count the stream cannot hold is damage, not a reason to allocate.
  if (N < 0 || N > Reader.Stream().Remaining() / CMinRealTermBytes)
    throw EReadError(Format("Sequence \"%s\": bad term count %d", {FName, N}));
  std::vector<TGVarTerm> Terms;
  Terms.reserve(static_cast<size_t>(N));
  for (int32_t I = 0; I < N; ++I) {
    const int32_t Time = Reader.ReadInteger();
    if (!Terms.empty() && Time <= Terms.back().Time)
      throw EReadError(Format("Sequence \"%s\": term times are not increasing", {FName}));
    Terms.push_back(TGVarTerm{Time, TGVariant(Reader.ReadSingle())});
  }
  FTerms = std::move(Terms);
  TermTimesChanged();
}

void TGRealEnv::SaveToBinary(TGWriter& Writer) const {
  Writer.WriteInteger(GetCount());
  for (const TGVarTerm& T : FTerms) {
    Writer.WriteInteger(T.Time);
    Writer.WriteSingle(T.Value.ToSingle());
  }
}

// ---------------------------------------------------------------------------------------------
// TGIntegerEnv

void TGIntegerEnv::GetValue(int32_t Time, TGVariant& Value) const {
  auto It = std::upper_bound(FTerms.begin(), FTerms.end(), Time,
                             [](int32_t T, const TGVarTerm& Term) { return T < Term.Time; });
  if (It == FTerms.begin()) {
    Value = FDefValue;
    return;
  }
  const TGVarTerm& A = *(It - 1);
  const TGVarTerm& B = It == FTerms.end() ? A : *It;
  if (B.Time == A.Time) {
    Value = A.Value;
    return;
  }
  const double VA = A.Value.ToDouble(), VB = B.Value.ToDouble();
  const double F = VA + (VB - VA) * static_cast<double>(static_cast<int64_t>(Time) - A.Time) /
                            static_cast<double>(static_cast<int64_t>(B.Time) - A.Time);
  const double R = FRounding ? std::nearbyint(F) : std::trunc(F);
  Value = (R >= -9223372036854775808.0 && R < 9223372036854775808.0)
              ? TGVariant(static_cast<int64_t>(R))
              : TGVariant(int64_t{0});
}

// ---------------------------------------------------------------------------------------------
// TGColorEnv

TGColorEnv::TGColorEnv(std::string_view AName)
    : TGVarSeq(AName, TGVariant(int32_t{0xFFFFFF})) {
  FRed = new TGRealEnv("", 1.0f, nullptr, false);
  FGreen = new TGRealEnv("", 1.0f, nullptr, false);
  FBlue = new TGRealEnv("", 1.0f, nullptr, false);
  FRed->SetOwner(this);
  FGreen->SetOwner(this);
  FBlue->SetOwner(this);
}

void TGColorEnv::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGVarSeq*>(Dest);
  if (!D)
    return TGObject::AssignTo(Dest);
  for (const TGVarTerm& T : FTerms)
    D->SetValue(T.Time, T.Value);
}

void TGColorEnv::GetValue(int32_t Time, TGVariant& Value) const {
  const TGColor C = TGColor::Create(0.0, static_cast<double>(FRed->GetRealValue(Time)),
                                    static_cast<double>(FGreen->GetRealValue(Time)),
                                    static_cast<double>(FBlue->GetRealValue(Time)));
  Value = TGVariant(static_cast<uint32_t>(C));
}

void TGColorEnv::SetValue(int32_t Time, const TGVariant& Value) {
  const auto V = static_cast<uint32_t>(Value.ToInt64());
  FRed->SetRealValue(Time, static_cast<float>((V >> 16) & 0xFF) / 255.0f);
  FGreen->SetRealValue(Time, static_cast<float>((V >> 8) & 0xFF) / 255.0f);
  FBlue->SetRealValue(Time, static_cast<float>(V & 0xFF) / 255.0f);
  StoreTerm(Time, TGVariant(V));
}

void TGColorEnv::Clear() {
  TGVarSeq::Clear();
  FRed->Clear();
  FGreen->Clear();
  FBlue->Clear();
}

void TGColorEnv::RemoveTerm(int Index) {
  TGVarSeq::RemoveTerm(Index);
  FRed->RemoveTerm(Index);
  FGreen->RemoveTerm(Index);
  FBlue->RemoveTerm(Index);
}

// ---------------------------------------------------------------------------------------------
// TGResourceSeq

TGResourceSeq::TGResourceSeq(std::string_view AName, const TGVariant& ADefValue)
    : TGVarSeq(AName, ADefValue) {}

TGResource* TGResourceSeq::ResourceOf(const TGVariant& V) {
  if (V.VType() != varGObject)
    return nullptr;
  return dynamic_cast<TGResource*>(V.ToObject());
}

int TGResourceSeq::ReferencesTo(const TGResource* Resource) const {
  int N = 0;
  for (const TGVarTerm& T : FTerms)
    if (Resource && ResourceOf(T.Value) == Resource)
      ++N;
  return N;
}

// Called after the term holding Resource was stored.
void TGResourceSeq::Hold(TGResource* Resource) {
  if (!Resource)
    return;
  Resource->AddRef();
  if (ReferencesTo(Resource) == 1)
    Subscribe(TGNotification(Resource, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TGResourceSeq::OnResourceDestroy));
}

// Called after the term holding Resource was replaced or removed.
void TGResourceSeq::Drop(TGResource* Resource) {
  if (!Resource)
    return;
  // Another term may still refer to it: keep listening then.
  if (ReferencesTo(Resource) == 0)
    UnSubscribe(Resource);
  Resource->Release();
}

void TGResourceSeq::OnResourceDestroy(TGObject* Sender) {
  for (TGVarTerm& T : FTerms)
    if (T.Value.VType() == varGObject && T.Value.ToObject() == Sender)
      T.Value = TGVariant::Null();
}

void TGResourceSeq::AssignTo(TGObject* Dest) const {
  // SetValue of a resource sequence takes its references itself.
  TGVarSeq::AssignTo(Dest);
}

void TGResourceSeq::StrToVar(TGResourceLibrary* Context, const std::string& Text,
                             TGVariant& Value) const {
  if (!Context || Text.empty() || Context->IndexOf(Text) < 0)
    Value = TGVariant::Null();
  else
    Value = TGVariant(static_cast<TGObject*>(Context->GetResource(Text)));
}

void TGResourceSeq::VarToStr(const TGVariant& Value, std::string& Text) const {
  const TGResource* R = ResourceOf(Value);
  Text = R ? R->URL() : std::string();
}

void TGResourceSeq::SetValue(int32_t Time, const TGVariant& Value) {
  TGResource* New = ResourceOf(Value);
  TGVariant Stored = New ? TGVariant(static_cast<TGObject*>(New)) : TGVariant::Null();
  const int I = IndexOfTerm(Time);
  TGResource* Old = I >= 0 ? ResourceOf(FTerms[static_cast<size_t>(I)].Value) : nullptr;
  StoreTerm(Time, Stored);
  Drop(Old);
  Hold(New);
}

bool TGResourceSeq::HasReferenceTo(const TGResource* Resource) const {
  return Resource && ReferencesTo(Resource) > 0;
}

void TGResourceSeq::Clear() {
  std::vector<TGVarTerm> Old;
  Old.swap(FTerms);
  TermTimesChanged();
  for (const TGVarTerm& T : Old)
    Drop(ResourceOf(T.Value));
}

void TGResourceSeq::RemoveTerm(int Index) {
  if (Index < 0 || Index >= GetCount())
    return;
  TGResource* Old = ResourceOf(FTerms[static_cast<size_t>(Index)].Value);
  TGVarSeq::RemoveTerm(Index);
  Drop(Old);
}

TGResource* TGResourceSeq::GetResValue(int32_t Time) const {
  return ResourceOf(Value(Time));
}

void TGResourceSeq::SetResValue(int32_t Time, TGResource* Value) {
  SetValue(Time, Value ? TGVariant(static_cast<TGObject*>(Value)) : TGVariant::Null());
}

void TGResourceSeq::Destroy() {
  Clear();
  inherited::Destroy();
}
