#include "xml/UGXMLNode.h"

#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLDoc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

G_IMPLEMENT_CLASS(TGXMLNode)
G_IMPLEMENT_CLASS(TGXMLCollection)

int32_t XMLRightMargin = 120;

TGXMLCollection* EmptyXMLCollection() {
  // Lives for the whole run; callers may iterate it but never add to it.
  static TGXMLCollection* Empty = new TGXMLCollection(nullptr, "");
  return Empty;
}

// --- Collections -------------------------------------------------------------------------------

int TGXMLCollection::FindIndexByStrAttr(std::string_view AttrName, std::string_view Value) const {
  for (int I = 0; I < GetCount(); ++I) {
    TGXMLNode* Node = GetItem(I);
    int A = Node->FindAttr(AttrName);
    if (A >= 0 && Node->FAttributes[static_cast<size_t>(A)].AsString() == Value) {
      return I;
    }
  }
  return -1;
}

int TGXMLCollection::Add(TGObject* Item) {
  if (this == EmptyXMLCollection()) {
    throw Error("Nodes cannot be added to the shared empty collection");
  }
  return inherited::Add(Item);
}

void TGXMLCollection::Insert(int Index, TGObject* Item) {
  if (this == EmptyXMLCollection()) {
    throw Error("Nodes cannot be added to the shared empty collection");
  }
  inherited::Insert(Index, Item);
}

void TGXMLCollection::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  static_cast<TGXMLCollection*>(Dest)->FTag = FTag;
}

// --- Attribute forms ---------------------------------------------------------------------------

namespace {

uint32_t Magnitude32(int64_t V) {
  uint64_t M = V < 0 ? 0 - static_cast<uint64_t>(V) : static_cast<uint64_t>(V);
  return M < 4294967296ull ? static_cast<uint32_t>(M) : 4294967295u;
}

int32_t RoundToInt32(float V) {
  if (std::isnan(V)) {
    return 0;
  }
  double R = std::nearbyint(static_cast<double>(V));
  if (R <= std::numeric_limits<int32_t>::min()) {
    return std::numeric_limits<int32_t>::min();
  }
  if (R >= std::numeric_limits<int32_t>::max()) {
    return std::numeric_limits<int32_t>::max();
  }
  return static_cast<int32_t>(R);
}

// Reads of a text attribute parse its text; names, paths and scripts, which make up most texts,
// fail the number parsers at their first character.
int32_t TextToInteger(std::string_view Text) {
  int32_t V = 0;
  return TryStrToInt(Text, V) ? V : 0;
}

} // namespace

bool TGXMLAttribute::AsBoolean() const {
  switch (FNativeType) {
  case atString:
    return StrToBoolDef(FAsString, false);
  case atFloat:
    return FNative.Float != 0;
  case atInteger:
    return FNative.Integer != 0;
  case atBoolean:
    return FNative.Boolean;
  case atLongword:
    return FNative.Longword != 0;
  case atVector:
    break;
  }
  return false;
}

float TGXMLAttribute::AsFloat() const {
  switch (FNativeType) {
  case atString: {
    float V = 0;
    return SafeTryStrToFloat(FAsString, V) ? V : 0;
  }
  case atFloat:
    return FNative.Float;
  case atInteger:
    return static_cast<float>(FNative.Integer);
  case atBoolean:
    return FNative.Boolean ? 1.0f : 0.0f;
  case atLongword:
    // The float parse of the decimal text, which is the value correctly rounded.
    return static_cast<float>(FNative.Longword);
  case atVector:
    break;
  }
  return 0;
}

int32_t TGXMLAttribute::AsInteger() const {
  switch (FNativeType) {
  case atString:
    return TextToInteger(FAsString);
  case atFloat:
    return RoundToInt32(FNative.Float);
  case atInteger:
    return FNative.Integer;
  case atBoolean:
    return FNative.Boolean ? 1 : 0;
  case atLongword:
    return FNative.Longword > 2147483647u ? 0 : static_cast<int32_t>(FNative.Longword);
  case atVector:
    break;
  }
  return 0;
}

uint32_t TGXMLAttribute::AsLongword() const {
  switch (FNativeType) {
  case atString: {
    int64_t Wide = 0;
    return TryStrToInt64(FAsString, Wide) ? Magnitude32(Wide) : 0;
  }
  case atFloat:
    return Magnitude32(RoundToInt32(FNative.Float));
  case atInteger:
    return Magnitude32(FNative.Integer);
  case atBoolean:
    return FNative.Boolean ? 1 : 0;
  case atLongword:
    return FNative.Longword;
  case atVector:
    break;
  }
  return 0;
}

TGVector TGXMLAttribute::AsVector() const {
  TGVector V;
  if (FNativeType == atVector) {
    V = TGVector{FNative.Vector[0], FNative.Vector[1], FNative.Vector[2]};
  } else if (FNativeType == atString && !TryStrToVec(FAsString, V)) {
    V = TGVector{};
  }
  return V;
}

void TGXMLAttribute::SetText(std::string_view Value) {
  FAsString = Value;
  FNativeType = atString;
}

void TGXMLAttribute::SetFloat(float Value) {
  FAsString = FloatToStrG(Value, 6);
  FNativeType = atFloat;
  FNative.Float = Value;
}

void TGXMLAttribute::SetInteger(int32_t Value) {
  FAsString = IntToStr(Value);
  FNativeType = atInteger;
  FNative.Integer = Value;
}

void TGXMLAttribute::SetBoolean(bool Value) {
  FAsString = BoolToStr(Value);
  FNativeType = atBoolean;
  FNative.Boolean = Value;
}

void TGXMLAttribute::SetLongword(uint32_t Value) {
  FAsString = std::to_string(Value);
  FNativeType = atLongword;
  FNative.Longword = Value;
}

void TGXMLAttribute::SetVector(const TGVector& Value) {
  FAsString = VecToStr(Value);
  FNativeType = atVector;
  FNative.Vector[0] = Value.X;
  FNative.Vector[1] = Value.Y;
  FNative.Vector[2] = Value.Z;
}

// --- Nodes -------------------------------------------------------------------------------------

TGXMLNode::TGXMLNode(std::string_view AName)
    : TGClonableObject(nullptr)
    , FName(AName) {}

TGXMLNode::TGXMLNode(TGObject* AOwner)
    : TGClonableObject(AOwner) {}

TGXMLNode::TGXMLNode(TGObject* AOwner, std::string_view AName)
    : TGClonableObject(AOwner)
    , FName(AName) {}

void TGXMLNode::Destroy() {
  Clear();
  inherited::Destroy();
}

void TGXMLNode::OwnedObjectDestroying(TGObject* Obj) {
  FChilds.erase(std::remove(FChilds.begin(), FChilds.end(), Obj), FChilds.end());
  inherited::OwnedObjectDestroying(Obj);
}

void TGXMLNode::Clear() {
  FAttributes.clear();
  TGSmallVector<TGXMLCollection*, 1> Old = std::move(FChilds);
  for (TGXMLCollection* C : Old) {
    C->Free();
  }
}

TGXMLNode* TGXMLNode::AddNode(TGXMLNode* Node) {
  // A node inside its own subtree would own itself: the tree could neither be saved nor freed.
  for (const TGObject* A = this; A; A = A->Owner()) {
    if (A == Node) {
      throw Error("Node \"%s\" cannot be added below itself", Node->Name());
    }
  }
  // A node taken from another collection (of this tree or another) leaves it on SetOwner.
  TGXMLCollection* Collection = ChildsForLoading(Node->Name());
  Node->SetOwner(Collection);
  Collection->Add(Node);
  return Node;
}

TGXMLCollection* TGXMLNode::FindChilds(std::string_view AName) const {
  for (TGXMLCollection* C : FChilds) {
    if (C->Tag() == AName) {
      return C;
    }
  }
  return nullptr;
}

TGXMLCollection* TGXMLNode::ChildsForLoading(std::string_view AName) {
  if (TGXMLCollection* Found = FindChilds(AName)) {
    return Found;
  }
  TGXMLCollection* C = new TGXMLCollection(this, AName);
  FChilds.push_back(C);
  return C;
}

TGXMLCollection* TGXMLNode::GetChilds(std::string_view AName) const {
  TGXMLCollection* Found = FindChilds(AName);
  return Found ? Found : EmptyXMLCollection();
}

TGXMLCollection* TGXMLNode::GetIndexedChilds(int Index) const {
  if (Index < 0 || Index >= GetChildsCount()) {
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  }
  return FChilds[static_cast<size_t>(Index)];
}

void TGXMLNode::AssignTo(TGObject* Dest) const {
  TGXMLNode* Target = ObjectCast<TGXMLNode>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  if (Target == this) {
    return;
  }
  Target->Clear();
  Target->FName = FName;
  Target->FText = FText;
  Target->FQuoteText = FQuoteText;
  Target->FAttributes = FAttributes;
  for (TGXMLCollection* C : FChilds) {
    Target->FChilds.push_back(static_cast<TGXMLCollection*>(C->Clone(Target)));
  }
}

// --- Attributes --------------------------------------------------------------------------------

TGXMLAttribute TGXMLNode::GetAttribute(int Index) const {
  if (Index < 0 || Index >= AttributeCount()) {
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  }
  return FAttributes[static_cast<size_t>(Index)];
}

int TGXMLNode::FindAttr(std::string_view AName) const {
  for (size_t I = 0; I < FAttributes.size(); ++I) {
    if (FAttributes[I].Name() == AName) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

int TGXMLNode::EnsureFindAttr(std::string_view AName) const {
  int Index = FindAttr(AName);
  if (Index < 0) {
    throw Error("Attribute \"%s\" not found", AName);
  }
  return Index;
}

int TGXMLNode::AddAttribute(std::string_view AName) {
  int Index = FindAttr(AName);
  if (Index >= 0) {
    return Index;
  }
  if (FAttributes.size() == FAttributes.capacity()) {
    FAttributes.reserve(FAttributes.size() + 4);
  }
  FAttributes.emplace_back(AName);
  return AttributeCount() - 1;
}

void TGXMLNode::RemoveAttr(std::string_view AName) {
  int Index = FindAttr(AName);
  if (Index >= 0) {
    FAttributes.erase(FAttributes.begin() + Index);
  }
}

void TGXMLNode::SetLoadedAttribute(std::string_view AName, std::string_view Value) {
  AttrForSetting(AName).SetText(Value);
}

const TGXMLAttribute& TGXMLNode::Attr(std::string_view AName) const {
  return FAttributes[static_cast<size_t>(EnsureFindAttr(AName))];
}

TGXMLAttribute& TGXMLNode::AttrForSetting(std::string_view AName) {
  return FAttributes[static_cast<size_t>(AddAttribute(AName))];
}

std::string TGXMLNode::GetStrAttr(std::string_view AName) const {
  return Attr(AName).AsString();
}
int32_t TGXMLNode::GetIntAttr(std::string_view AName) const {
  return Attr(AName).AsInteger();
}
float TGXMLNode::GetFloatAttr(std::string_view AName) const {
  return Attr(AName).AsFloat();
}
bool TGXMLNode::GetBoolAttr(std::string_view AName) const {
  return Attr(AName).AsBoolean();
}
uint32_t TGXMLNode::GetLongwordAttr(std::string_view AName) const {
  return Attr(AName).AsLongword();
}
TGVector TGXMLNode::GetVecAttr(std::string_view AName) const {
  return Attr(AName).AsVector();
}

std::string TGXMLNode::GetStrAttrDef(std::string_view AName, std::string_view Default) const {
  int I = FindAttr(AName);
  return I < 0 ? std::string(Default) : FAttributes[static_cast<size_t>(I)].AsString();
}

int32_t TGXMLNode::GetIntAttrDef(std::string_view AName, int32_t Default) const {
  int I = FindAttr(AName);
  return I < 0 ? Default : FAttributes[static_cast<size_t>(I)].AsInteger();
}

float TGXMLNode::GetFloatAttrDef(std::string_view AName, float Default) const {
  int I = FindAttr(AName);
  return I < 0 ? Default : FAttributes[static_cast<size_t>(I)].AsFloat();
}

bool TGXMLNode::GetBoolAttrDef(std::string_view AName, bool Default) const {
  int I = FindAttr(AName);
  if (I < 0) {
    return Default;
  }
  const TGXMLAttribute& A = FAttributes[static_cast<size_t>(I)];
  // Text that is neither a boolean word nor an integer gives the default.
  return A.NativeType() == atString ? StrToBoolDef(A.AsString(), Default) : A.AsBoolean();
}

uint32_t TGXMLNode::GetLongwordAttrDef(std::string_view AName, uint32_t Default) const {
  int I = FindAttr(AName);
  return I < 0 ? Default : FAttributes[static_cast<size_t>(I)].AsLongword();
}

void TGXMLNode::SetStrAttr(std::string_view AName, std::string_view Value) {
  AttrForSetting(AName).SetText(Value);
}

void TGXMLNode::SetIntAttr(std::string_view AName, int32_t Value) {
  AttrForSetting(AName).SetInteger(Value);
}

void TGXMLNode::SetFloatAttr(std::string_view AName, float Value) {
  AttrForSetting(AName).SetFloat(Value);
}

void TGXMLNode::SetBoolAttr(std::string_view AName, bool Value) {
  AttrForSetting(AName).SetBoolean(Value);
}

void TGXMLNode::SetLongwordAttr(std::string_view AName, uint32_t Value) {
  AttrForSetting(AName).SetLongword(Value);
}

void TGXMLNode::SetVecAttr(std::string_view AName, const TGVector& Value) {
  AttrForSetting(AName).SetVector(Value);
}

void TGXMLNode::SetStrAttrDef(std::string_view AName, std::string_view Default,
                              std::string_view Value) {
  if (Value != Default) {
    SetStrAttr(AName, Value);
  } else {
    RemoveAttr(AName);
  }
}

void TGXMLNode::SetIntAttrDef(std::string_view AName, int32_t Default, int32_t Value) {
  if (Value != Default) {
    SetIntAttr(AName, Value);
  } else {
    RemoveAttr(AName);
  }
}

void TGXMLNode::SetBoolAttrDef(std::string_view AName, bool Default, bool Value) {
  if (Value != Default) {
    SetBoolAttr(AName, Value);
  } else {
    RemoveAttr(AName);
  }
}

void TGXMLNode::SetLongwordAttrDef(std::string_view AName, uint32_t Default, uint32_t Value) {
  if (Value != Default) {
    SetLongwordAttr(AName, Value);
  } else {
    RemoveAttr(AName);
  }
}

// --- Reading -----------------------------------------------------------------------------------

void TGXMLNode::LoadFromFile(const std::string& FileName) {
  TGFileStream File(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(File);
}

void TGXMLNode::LoadFromString(std::string_view Data) {
  LoadXMLDocument(*this, Data);
}

void TGXMLNode::LoadFromStream(TGStream& Stream) {
  std::string Data = Stream.ReadAll();
  LoadXMLDocument(*this, Data);
}

// --- Writing -----------------------------------------------------------------------------------

namespace {

void AppendEscaped(std::string& Out, std::string_view S) {
  size_t Run = 0;
  for (size_t I = 0; I < S.size(); ++I) {
    unsigned char C = static_cast<unsigned char>(S[I]);
    const char* Entity = nullptr;
    switch (C) {
    case '"':
      Entity = "&quot;";
      break;
    case '&':
      Entity = "&amp;";
      break;
    case '<':
      Entity = "&lt;";
      break;
    case '>':
      Entity = "&gt;";
      break;
    case '\t':
    case '\r':
    case '\n':
      continue;
    default:
      if (C >= 0x20) {
        continue;
      }
      Entity = ""; // control characters XML cannot carry are left out
    }
    Out.append(S.substr(Run, I - Run));
    Out.append(Entity);
    Run = I + 1;
  }
  Out.append(S.substr(Run));
}

} // namespace

void TGXMLNode::WriteTo(std::string& Out, int Indent) const {
  if (FName.empty()) {
    throw Error();
  }
  size_t Estimate = static_cast<size_t>(Indent) + FName.size() + 3;
  for (const TGXMLAttribute& A : FAttributes) {
    Estimate += A.Name().size() + UTF16Length(A.AsString()) + 4;
  }
  bool HasContent = !FText.empty() || !FChilds.empty();
  Out.append(static_cast<size_t>(Indent), ' ');
  Out += '<';
  Out += FName;
  if (Estimate > static_cast<size_t>(XMLRightMargin)) {
    Out += "\r\n";
    for (const TGXMLAttribute& A : FAttributes) {
      Out.append(static_cast<size_t>(Indent) + 2, ' ');
      Out += A.Name();
      Out += "=\"";
      AppendEscaped(Out, A.AsString());
      Out += "\"\r\n";
    }
    Out.append(static_cast<size_t>(Indent), ' ');
  } else {
    for (const TGXMLAttribute& A : FAttributes) {
      Out += ' ';
      Out += A.Name();
      Out += "=\"";
      AppendEscaped(Out, A.AsString());
      Out += '"';
    }
  }
  Out += HasContent ? ">" : "/>";
  if (!FText.empty()) {
    if (FQuoteText) {
      AppendEscaped(Out, FText);
    } else {
      Out += FText;
    }
  } else {
    Out += "\r\n";
  }
  bool First = true;
  for (const TGXMLCollection* C : FChilds) {
    for (const TGXMLNode* Child : *C) {
      Child->WriteTo(Out, (First && !FText.empty()) ? 0 : Indent + 2);
      First = false;
    }
  }
  if (HasContent) {
    if (FText.empty()) {
      Out.append(static_cast<size_t>(Indent), ' ');
    }
    Out += "</";
    Out += FName;
    Out += ">\r\n";
  }
}

std::string TGXMLNode::SaveToString(int Indent) const {
  std::string Out;
  WriteTo(Out, Indent);
  return Out;
}

std::string TGXMLNode::SaveToString() const {
  std::string Out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
  WriteTo(Out, 0);
  return Out;
}

void TGXMLNode::SaveToStream(TGStream& Stream) const {
  Stream.WriteString(SaveToString());
}

void TGXMLNode::SaveToFile(const std::string& FileName) const {
  TGFileStream File(FileName, fmCreate);
  SaveToStream(File);
}
