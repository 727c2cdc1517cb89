#include "scene3d/UGFrame.h"

#include "base/UGStrUtils.h"
#include "drawables/UGGraphic.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <charconv>
#include <cmath>
#include <vector>

G_IMPLEMENT_CLASS(TGFrame)
G_IMPLEMENT_CLASS(TGFrames)

namespace {

// " 00.0000;-00.0000; 00.0000": a sign place, at least two integer digits, four decimals.
std::string MatrixNumber(float V) {
  char Buf[64];
  auto [End, Ec] = std::to_chars(Buf, Buf + sizeof(Buf), std::fabs(static_cast<double>(V)),
                                 std::chars_format::fixed, 4);
  std::string Digits = Ec == std::errc() ? std::string(Buf, End) : std::string("0.0000");
  const size_t Point = Digits.find('.');
  if (Point != std::string::npos && Point < 2)
    Digits.insert(0, 2 - Point, '0');
  const bool Negative = V < 0 && Digits.find_first_not_of("0.") != std::string::npos;
  return (Negative ? "-" : " ") + Digits;
}

} // namespace

std::string MatrixToXMLText(const TGMatrix& M) {
  std::string S;
  for (int R = 0; R < 4; ++R) {
    for (int C = 0; C < 4; ++C) {
      S += MatrixNumber(M.M[R][C]);
      if (R < 3 || C < 3)
        S += ';';
    }
    S += "\r\n";
  }
  return S;
}

TGMatrix MatrixFromXMLText(std::string_view Text) {
  std::vector<std::string> Parts;
  SplitString(Text, ';', Parts);
  TGMatrix M;
  int N = 0;
  for (const std::string& Part : Parts) {
    const std::string Number = Trim(Part);
    if (Number.empty() && &Part == &Parts.back())
      continue; // a separator after the last number
    float V = 0;
    if (N >= 16 || !SafeTryStrToFloat(Number, V))
      throw Error("A matrix needs 16 numbers: \"%s\"", Text);
    M.M[N / 4][N % 4] = V;
    ++N;
  }
  if (N != 16)
    throw Error("A matrix needs 16 numbers: \"%s\"", Text);
  return M;
}

TGMatrix ReadMatrixChild(const TGXMLNode* Node) {
  const TGXMLCollection* Matrices = Node->GetChilds("Matrix");
  if (Matrices->GetCount() > 1)
    throw Error();
  if (Matrices->GetCount() == 0)
    return MatIdentity;
  return MatrixFromXMLText(Matrices->GetItem(0)->Text());
}

void WriteMatrixChild(TGXMLNode* Node, const TGMatrix& M) {
  Node->AddChild("Matrix")->SetText(MatrixToXMLText(M));
}

bool IsFinite(const TGMatrix& M) {
  for (const auto& Row : M.M)
    for (float V : Row)
      if (!std::isfinite(V))
        return false;
  return true;
}

void CheckText(std::string_view S) {
  if (!IsXMLText(S))
    throw Error("A name or URL of the model is no valid text");
}

std::string ReadText(TGReader& Reader) {
  std::string S = Reader.ReadString();
  CheckText(S);
  return S;
}

void ReadMatrix(TGReader& Reader, TGMatrix& M) {
  for (auto& Row : M.M)
    for (float& V : Row)
      V = Reader.ReadSingle();
}

void WriteMatrix(TGWriter& Writer, const TGMatrix& M) {
  for (const auto& Row : M.M)
    for (float V : Row)
      Writer.WriteSingle(V);
}

int32_t ReadCount(TGReader& Reader, int64_t ItemBytes, const char* What) {
  const int32_t Count = Reader.ReadInteger();
  if (Count < 0 || int64_t{Count} * ItemBytes > Reader.Stream().Remaining())
    throw Error("The %s count %d is out of range", What, Count);
  return Count;
}

// TGFrame ----------------------------------------------------------------------------------------

TGFrame::TGFrame(TGObject* AOwner)
    : TGClonableObject(AOwner) {
  FGraphics = new TGGraphicCollection(this);
}

TGFrames* TGFrame::Collection() const {
  return dynamic_cast<TGFrames*>(Owner());
}

void TGFrame::AssignTo(TGObject* Dest) const {
  auto* D = ObjectCast<TGFrame>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  D->FName = FName;
  D->FParentIndex = FParentIndex;
  D->SetFrameMatrix(FFrameMatrix);
  D->FCachedGeneration = 0;
  D->FGraphics->Assign(FGraphics);
}

void TGFrame::SetParentIndex(int32_t Value) {
  FParentIndex = Value;
  FCachedGeneration = 0;
  if (TGFrames* Frames = Collection())
    Frames->InvalidateMatrices();
}

void TGFrame::SetFrameMatrix(const TGMatrix& Value) {
  FFrameMatrix = Value;
  FCachedGeneration = 0;
  if (TGFrames* Frames = Collection())
    Frames->InvalidateMatrices();
}

const TGMatrix& TGFrame::GetModelMatrix() {
  TGFrames* Frames = Collection();
  if (!Frames) {
    FCachedModelMatrix = FFrameMatrix;
    return FCachedModelMatrix;
  }
  const uint64_t Generation = Frames->Generation();
  if (FCachedGeneration == Generation)
    return FCachedModelMatrix;
  // The frames with stale caches, from this one up to the first ancestor with a valid one (or
  // the root), then rebuilt from the top down: no recursion, however deep the hierarchy.
  std::vector<TGFrame*> Chain;
  const int Count = Frames->GetCount();
  for (TGFrame* F = this; F && F->FCachedGeneration != Generation;) {
    if (static_cast<int>(Chain.size()) >= Count)
      throw Error("Frame \"%s\" is its own ancestor", FName);
    Chain.push_back(F);
    const int32_t Parent = F->FParentIndex;
    if (Parent >= Count)
      throw Error("Frame \"%s\" has no parent frame %d", F->FName, Parent);
    F = Parent < 0 ? nullptr : Frames->GetItem(Parent);
  }
  for (auto It = Chain.rbegin(); It != Chain.rend(); ++It) {
    TGFrame* F = *It;
    F->FCachedModelMatrix =
        F->FParentIndex < 0
            ? F->FFrameMatrix
            : F->FFrameMatrix * Frames->GetItem(F->FParentIndex)->FCachedModelMatrix;
    F->FCachedGeneration = Generation;
  }
  return FCachedModelMatrix;
}

void TGFrame::Draw(TGColor Diffuse) {
  (void)Diffuse;
  if (FGraphics->Count() > 0)
    FGraphics->Draw();
}

void TGFrame::Update(TGModel* Model, float DeltaTime) {
  (void)Model;
  if (FGraphics->Count() > 0)
    FGraphics->Update(DeltaTime);
}

void TGFrame::LoadFromBinary(const TGModelLoadContext& Context, TGReader& Reader) {
  (void)Context;
  FParentIndex = Reader.ReadInteger();
  FName = ReadText(Reader);
  TGMatrix M;
  ReadMatrix(Reader, M);
  SetFrameMatrix(M);
}

void TGFrame::SaveToBinary(TGWriter& Writer) const {
  Writer.WriteInteger(FParentIndex);
  Writer.WriteString(FName);
  WriteMatrix(Writer, FFrameMatrix);
}

TGXMLNode* TGFrame::SaveToXML(int32_t Index) const {
  auto* Node = new TGXMLNode("Frame");
  Node->SetStrAttr("Type", FrameType());
  Node->SetIntAttr("ParentFrame", FParentIndex);
  if (!FName.empty())
    Node->SetStrAttr("Name", FName);
  Node->SetIntAttr("Idx", Index);
  WriteMatrixChild(Node, FFrameMatrix);
  return Node;
}

void TGFrame::LoadFromXML(const TGModelLoadContext& Context, const TGXMLNode* Node) {
  (void)Context;
  FParentIndex = Node->GetIntAttr("ParentFrame");
  FName = Node->GetStrAttrDef("Name", "");
  SetFrameMatrix(ReadMatrixChild(Node));
}

void TGFrame::OwnedObjectDestroying(TGObject* Obj) {
  if (Obj == FGraphics)
    FGraphics = nullptr;
  inherited::OwnedObjectDestroying(Obj);
}

// TGFrames ---------------------------------------------------------------------------------------

int TGFrames::Add(TGObject* Item) {
  ObjectCast<TGFrame>(Item);
  InvalidateMatrices();
  return inherited::Add(Item);
}

void TGFrames::Insert(int Index, TGObject* Item) {
  ObjectCast<TGFrame>(Item);
  InvalidateMatrices();
  inherited::Insert(Index, Item);
}

void TGFrames::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGFrames*>(Dest))
    D->InvalidateMatrices();
}

void TGFrames::OwnedObjectDestroying(TGObject* Obj) {
  InvalidateMatrices();
  inherited::OwnedObjectDestroying(Obj);
}

int TGFrames::IndexOfName(std::string_view Name) const {
  for (int I = 0; I < GetCount(); ++I)
    if (GetItem(I)->Name() == Name)
      return I;
  return -1;
}

TGFrame* TGFrames::Find(std::string_view Name, bool Raise) const {
  const int I = IndexOfName(Name);
  if (I >= 0)
    return GetItem(I);
  if (Raise)
    throw Error("Unknown frame: \"%s\"", Name);
  return nullptr;
}

void TGFrames::CheckHierarchy() const {
  const int Count = GetCount();
  // 0: not yet visited, 1: on the walk under way, 2: known to reach a root.
  std::vector<uint8_t> State(static_cast<size_t>(Count), 0);
  std::vector<int> Walk;
  for (int Start = 0; Start < Count; ++Start) {
    Walk.clear();
    int I = Start;
    while (I >= 0 && State[static_cast<size_t>(I)] == 0) {
      State[static_cast<size_t>(I)] = 1;
      Walk.push_back(I);
      const int32_t Parent = GetItem(I)->ParentIndex();
      if (Parent >= Count)
        throw Error("Frame %d (\"%s\") has no parent frame %d", I, GetItem(I)->Name(), Parent);
      I = Parent < 0 ? -1 : Parent;
    }
    if (I >= 0 && State[static_cast<size_t>(I)] == 1)
      throw Error("Frame %d (\"%s\") is its own ancestor", I, GetItem(I)->Name());
    for (int W : Walk)
      State[static_cast<size_t>(W)] = 2;
  }
}
