#include "xml/UGXMLNode.h"

#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLArena.h"
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

// --- Memory ------------------------------------------------------------------------------------

void* TGXMLNode::operator new(size_t Size) {
  return XMLAllocate(Size, nullptr);
}
void* TGXMLNode::operator new(size_t Size, TGXMLArena* Arena) {
  return XMLAllocate(Size, Arena);
}
void TGXMLNode::operator delete(void* Memory) noexcept {
  XMLFree(Memory);
}
void TGXMLNode::operator delete(void* Memory, TGXMLArena*) noexcept {
  XMLFree(Memory);
}

void* TGXMLCollection::operator new(size_t Size) {
  return XMLAllocate(Size, nullptr);
}
void* TGXMLCollection::operator new(size_t Size, TGXMLArena* Arena) {
  return XMLAllocate(Size, Arena);
}
void TGXMLCollection::operator delete(void* Memory) noexcept {
  XMLFree(Memory);
}
void TGXMLCollection::operator delete(void* Memory, TGXMLArena*) noexcept {
  XMLFree(Memory);
}

// --- Collections -------------------------------------------------------------------------------

int TGXMLCollection::FindIndexByStrAttr(std::string_view AttrName, std::string_view Value) const {
  for (int I = 0; I < GetCount(); ++I) {
    TGXMLNode* Node = GetItem(I);
    int A = Node->FindAttr(AttrName);
    if (A >= 0 && Node->FAttributes.Text(A) == Value) {
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

// A typed value as the setters store it: the text written to the file and the value itself.
struct TTypedValue {
  std::string Text;
  TGXMLAttributeType Type;
  TGXMLNativeValue Native{};
};

TTypedValue FloatValue(float Value) {
  TTypedValue T{FloatToStrG(Value, 6), atFloat};
  T.Native.Float = Value;
  return T;
}

TTypedValue IntegerValue(int32_t Value) {
  TTypedValue T{IntToStr(Value), atInteger};
  T.Native.Integer = Value;
  return T;
}

TTypedValue BooleanValue(bool Value) {
  TTypedValue T{BoolToStr(Value), atBoolean};
  T.Native.Boolean = Value;
  return T;
}

TTypedValue LongwordValue(uint32_t Value) {
  TTypedValue T{std::to_string(Value), atLongword};
  T.Native.Longword = Value;
  return T;
}

TTypedValue VectorValue(const TGVector& Value) {
  TTypedValue T{VecToStr(Value), atVector};
  T.Native.Vector[0] = Value.X;
  T.Native.Vector[1] = Value.Y;
  T.Native.Vector[2] = Value.Z;
  return T;
}

} // namespace

void TGXMLAttribute::SetValue(std::string_view Text, TGXMLAttributeType Type,
                              const TGXMLNativeValue& Native) {
  FAsString = Text;
  FNativeType = Type;
  FNative = Native;
}

void TGXMLAttribute::SetText(std::string_view Value) {
  SetValue(Value, atString, TGXMLNativeValue{});
}

void TGXMLAttribute::SetFloat(float Value) {
  TTypedValue T = FloatValue(Value);
  SetValue(T.Text, T.Type, T.Native);
}

void TGXMLAttribute::SetInteger(int32_t Value) {
  TTypedValue T = IntegerValue(Value);
  SetValue(T.Text, T.Type, T.Native);
}

void TGXMLAttribute::SetBoolean(bool Value) {
  TTypedValue T = BooleanValue(Value);
  SetValue(T.Text, T.Type, T.Native);
}

void TGXMLAttribute::SetLongword(uint32_t Value) {
  TTypedValue T = LongwordValue(Value);
  SetValue(T.Text, T.Type, T.Native);
}

void TGXMLAttribute::SetVector(const TGVector& Value) {
  TTypedValue T = VectorValue(Value);
  SetValue(T.Text, T.Type, T.Native);
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
  FAttributes.Clear();
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

TGXMLCollection* TGXMLNode::ChildsForLoading(std::string_view AName, TGXMLArena* Arena) {
  if (TGXMLCollection* Found = FindChilds(AName)) {
    return Found;
  }
  TGXMLCollection* C = new (Arena) TGXMLCollection(this, AName);
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
  return TGXMLAttribute(FAttributes.Name(Index), FAttributes.Value(Index));
}

int TGXMLNode::FindAttr(std::string_view AName) const {
  return FAttributes.Find(AName);
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
  return Index >= 0 ? Index : FAttributes.Append(AName);
}

void TGXMLNode::RemoveAttr(std::string_view AName) {
  int Index = FindAttr(AName);
  if (Index >= 0) {
    FAttributes.Remove(Index);
  }
}

void TGXMLNode::SetLoadedAttribute(std::string_view AName, std::string_view Value) {
  SetStrAttr(AName, Value);
}

TGXMLAttributeValue TGXMLNode::Attr(std::string_view AName) const {
  return FAttributes.Value(EnsureFindAttr(AName));
}

void TGXMLNode::SetAttr(std::string_view AName, std::string_view Text, TGXMLAttributeType Type,
                        const TGXMLNativeValue& Native) {
  FAttributes.Put(AName, Text, Type, Native);
}

std::string TGXMLNode::GetStrAttr(std::string_view AName) const {
  return std::string(Attr(AName).Text);
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
  return std::string(I < 0 ? Default : FAttributes.Text(I));
}

int32_t TGXMLNode::GetIntAttrDef(std::string_view AName, int32_t Default) const {
  int I = FindAttr(AName);
  return I < 0 ? Default : FAttributes.Value(I).AsInteger();
}

float TGXMLNode::GetFloatAttrDef(std::string_view AName, float Default) const {
  int I = FindAttr(AName);
  return I < 0 ? Default : FAttributes.Value(I).AsFloat();
}

bool TGXMLNode::GetBoolAttrDef(std::string_view AName, bool Default) const {
  int I = FindAttr(AName);
  if (I < 0) {
    return Default;
  }
  TGXMLAttributeValue A = FAttributes.Value(I);
  // Text that is neither a boolean word nor an integer gives the default.
  return A.Type == atString ? StrToBoolDef(A.Text, Default) : A.AsBoolean();
}

uint32_t TGXMLNode::GetLongwordAttrDef(std::string_view AName, uint32_t Default) const {
  int I = FindAttr(AName);
  return I < 0 ? Default : FAttributes.Value(I).AsLongword();
}

void TGXMLNode::SetStrAttr(std::string_view AName, std::string_view Value) {
  SetAttr(AName, Value, atString, TGXMLNativeValue{});
}

void TGXMLNode::SetIntAttr(std::string_view AName, int32_t Value) {
  TTypedValue T = IntegerValue(Value);
  SetAttr(AName, T.Text, T.Type, T.Native);
}

void TGXMLNode::SetFloatAttr(std::string_view AName, float Value) {
  TTypedValue T = FloatValue(Value);
  SetAttr(AName, T.Text, T.Type, T.Native);
}

void TGXMLNode::SetBoolAttr(std::string_view AName, bool Value) {
  TTypedValue T = BooleanValue(Value);
  SetAttr(AName, T.Text, T.Type, T.Native);
}

void TGXMLNode::SetLongwordAttr(std::string_view AName, uint32_t Value) {
  TTypedValue T = LongwordValue(Value);
  SetAttr(AName, T.Text, T.Type, T.Native);
}

void TGXMLNode::SetVecAttr(std::string_view AName, const TGVector& Value) {
  TTypedValue T = VectorValue(Value);
  SetAttr(AName, T.Text, T.Type, T.Native);
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
  const int Count = FAttributes.Count();
  for (int I = 0; I < Count; ++I) {
    Estimate += FAttributes.Name(I).size() + UTF16Length(FAttributes.Text(I)) + 4;
  }
  bool HasContent = !FText.empty() || !FChilds.empty();
  Out.append(static_cast<size_t>(Indent), ' ');
  Out += '<';
  Out += FName;
  if (Estimate > static_cast<size_t>(XMLRightMargin)) {
    Out += "\r\n";
    for (int I = 0; I < Count; ++I) {
      Out.append(static_cast<size_t>(Indent) + 2, ' ');
      Out += FAttributes.Name(I);
      Out += "=\"";
      AppendEscaped(Out, FAttributes.Text(I));
      Out += "\"\r\n";
    }
    Out.append(static_cast<size_t>(Indent), ' ');
  } else {
    for (int I = 0; I < Count; ++I) {
      Out += ' ';
      Out += FAttributes.Name(I);
      Out += "=\"";
      AppendEscaped(Out, FAttributes.Text(I));
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
