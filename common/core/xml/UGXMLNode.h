// The one in-memory form of every XML document the engine reads or writes: a node has a name,
// a text, typed attributes and its children grouped by element name (children with different
// names do not keep their relative order). Files are parsed into a tree and written back by the
// tree itself: two-space indentation, CR LF line ends, UTF-8, and long attribute lists broken
// into one attribute per line.
#pragma once

#include "base/UGTypes.h"
#include "io/UGStream.h"
#include "object/UGCollection.h"
#include "xml/UGXMLAttributeList.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An attribute on its own: its name, the text written to the file, and the value it was last
// set with (NativeType says which). Every other typed form is derived from those two on
// reading, so reading never changes the record and a tree may be read from several threads.
class TGXMLAttribute {
public:
  TGXMLAttribute() = default;
  explicit TGXMLAttribute(std::string_view AName)
      : FName(AName) {}
  TGXMLAttribute(std::string_view AName, std::string_view AText)
      : FName(AName)
      , FAsString(AText) {}
  TGXMLAttribute(std::string_view AName, const TGXMLAttributeValue& AValue)
      : FName(AName)
      , FAsString(AValue.Text)
      , FNativeType(AValue.Type)
      , FNative(AValue.Native) {}

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  // The text that is written to the file.
  const std::string& AsString() const { return FAsString; }
  TGXMLAttributeType NativeType() const { return FNativeType; }
  TGXMLAttributeValue Value() const { return {FAsString, FNativeType, FNative}; }

  bool AsBoolean() const { return Value().AsBoolean(); }
  float AsFloat() const { return Value().AsFloat(); }
  int32_t AsInteger() const { return Value().AsInteger(); }
  uint32_t AsLongword() const { return Value().AsLongword(); }
  TGVector AsVector() const { return Value().AsVector(); }

  // Each setter replaces the text and the native value.
  void SetValue(std::string_view Text, TGXMLAttributeType Type, const TGXMLNativeValue& Native);
  void SetText(std::string_view Value);
  void SetFloat(float Value);
  void SetInteger(int32_t Value);
  void SetBoolean(bool Value);
  void SetLongword(uint32_t Value);
  void SetVector(const TGVector& Value);

private:
  std::string FName;
  std::string FAsString;
  TGXMLAttributeType FNativeType = atString;
  TGXMLNativeValue FNative{};
};

class TGXMLArena;
class TGXMLCollection;

// The process-wide empty collection returned for names without children.
TGXMLCollection* EmptyXMLCollection();

// The writer's right margin for start tags; nothing in the system changes it.
extern int32_t XMLRightMargin;

class TGXMLNode : public TGClonableObject {
  G_CLASS(TGXMLNode, TGClonableObject)
  // A parentless node with that name.
  explicit TGXMLNode(std::string_view AName);
  explicit TGXMLNode(const char* AName)
      : TGXMLNode(std::string_view(AName)) {}
  explicit TGXMLNode(const std::string& AName)
      : TGXMLNode(std::string_view(AName)) {}
  // A node with an empty name owned by AOwner.
  explicit TGXMLNode(TGObject* AOwner = nullptr);
  // A node with that name owned by AOwner.
  TGXMLNode(TGObject* AOwner, std::string_view AName);

  // Nodes live on the heap, or in the arena of the document they were read from (new (Arena)).
  static void* operator new(size_t Size);
  static void* operator new(size_t Size, TGXMLArena* Arena);
  static void operator delete(void* Memory) noexcept;
  static void operator delete(void* Memory, TGXMLArena* Arena) noexcept;

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  const std::string& Text() const { return FText; }
  void SetText(std::string_view Value) { FText = Value; }
  bool QuoteText() const { return FQuoteText; }
  void SetQuoteText(bool Value) { FQuoteText = Value; }

  // Structure.
  TGXMLNode* AddNode(TGXMLNode* Node);
  // A new child with that name (AddNode of a new node).
  TGXMLNode* AddChild(std::string_view AName) { return AddNode(new TGXMLNode(AName)); }
  // The collection of children with that exact name, or the shared empty collection.
  TGXMLCollection* GetChilds(std::string_view AName) const;
  TGXMLCollection* GetIndexedChilds(int Index) const;
  int GetChildsCount() const { return static_cast<int>(FChilds.size()); }
  // Removes the attributes and destroys the children; name, text and QuoteText stay.
  void Clear();
  void AssignTo(TGObject* Dest) const override;

  // Attributes (names compared exactly).
  int AttributeCount() const { return FAttributes.Count(); }
  TGXMLAttribute GetAttribute(int Index) const;
  int FindAttr(std::string_view AName) const;
  bool HasAttr(std::string_view AName) const { return FindAttr(AName) >= 0; }
  // The index, or the error "Attribute \"%s\" not found".
  int EnsureFindAttr(std::string_view AName) const;
  // The index of the attribute of that name, appending an empty one when absent.
  int AddAttribute(std::string_view AName);

  std::string GetStrAttr(std::string_view AName) const;
  int32_t GetIntAttr(std::string_view AName) const;
  float GetFloatAttr(std::string_view AName) const;
  bool GetBoolAttr(std::string_view AName) const;
  uint32_t GetLongwordAttr(std::string_view AName) const;
  TGVector GetVecAttr(std::string_view AName) const;

  std::string GetStrAttrDef(std::string_view AName, std::string_view Default) const;
  int32_t GetIntAttrDef(std::string_view AName, int32_t Default) const;
  float GetFloatAttrDef(std::string_view AName, float Default) const;
  bool GetBoolAttrDef(std::string_view AName, bool Default) const;
  uint32_t GetLongwordAttrDef(std::string_view AName, uint32_t Default) const;

  void SetStrAttr(std::string_view AName, std::string_view Value);
  void SetIntAttr(std::string_view AName, int32_t Value);
  void SetFloatAttr(std::string_view AName, float Value);
  void SetBoolAttr(std::string_view AName, bool Value);
  void SetLongwordAttr(std::string_view AName, uint32_t Value);
  void SetVecAttr(std::string_view AName, const TGVector& Value);

  // Written only when the value differs from the default; a value equal to the default removes
  // the attribute, so that it reads back as the default and is not saved.
  void SetStrAttrDef(std::string_view AName, std::string_view Default, std::string_view Value);
  void SetIntAttrDef(std::string_view AName, int32_t Default, int32_t Value);
  void SetBoolAttrDef(std::string_view AName, bool Default, bool Value);
  void SetLongwordAttrDef(std::string_view AName, uint32_t Default, uint32_t Value);

  // Reading: the node takes the document element's name, attributes, text and children; it
  // keeps its own owner. Malformed XML raises EXMLParseError naming the line and column.
  void LoadFromFile(const std::string& FileName);
  void LoadFromString(std::string_view Data);
  void LoadFromStream(TGStream& Stream);

  // Writing: the XML declaration, then the node at indent 0, as UTF-8 without byte-order mark.
  std::string SaveToString() const;
  // The text of this node and its subtree at the given indentation.
  std::string SaveToString(int Indent) const;
  void SaveToStream(TGStream& Stream) const;
  void SaveToFile(const std::string& FileName) const;

  // Used by the document loader while it builds the tree; a new collection is taken from Arena
  // when one is given.
  TGXMLCollection* ChildsForLoading(std::string_view AName, TGXMLArena* Arena = nullptr);
  // Sets the text of an attribute read from a file, adding the attribute when it is new.
  void SetLoadedAttribute(std::string_view AName, std::string_view Value);
  // Appends Count attributes read from a file whose names are known to be new on this node:
  // Pairs holds each one's name and then its text. Their block is taken from Arena when one is
  // given.
  void AppendLoadedAttributes(const std::string_view* Pairs, size_t Count,
                              TGXMLArena* Arena = nullptr) {
    FAttributes.AppendLoaded(Pairs, Count, Arena);
  }
  // Room for Count more attributes whose names and texts take Chars bytes, taken from Arena when
  // one is given.
  void ReserveAttributes(int Count, size_t Chars, TGXMLArena* Arena = nullptr) {
    FAttributes.Reserve(Count, Chars, Arena);
  }
  std::string& TextForLoading() { return FText; }

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  friend class TGXMLCollection;

  TGXMLAttributeValue Attr(std::string_view AName) const;
  TGXMLCollection* FindChilds(std::string_view AName) const;
  void SetAttr(std::string_view AName, std::string_view Text, TGXMLAttributeType Type,
               const TGXMLNativeValue& Native);
  void RemoveAttr(std::string_view AName);
  void WriteTo(std::string& Out, int Indent) const;

  std::string FName;
  std::string FText;
  TGXMLAttributeList FAttributes;
  // One collection per child name; most nodes have one or none.
  TGSmallVector<TGXMLCollection*, 1> FChilds;
  bool FQuoteText = true;
};

// The nodes of one element name under one parent.
class TGXMLCollection : public TGClonableCollection {
  G_CLASS(TGXMLCollection, TGClonableCollection)
  explicit TGXMLCollection(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}
  TGXMLCollection(TGObject* AOwner, std::string_view ATag)
      : TGClonableCollection(AOwner)
      , FTag(ATag) {}

  // Like nodes, collections live on the heap or in the arena of their document.
  static void* operator new(size_t Size);
  static void* operator new(size_t Size, TGXMLArena* Arena);
  static void operator delete(void* Memory) noexcept;
  static void operator delete(void* Memory, TGXMLArena* Arena) noexcept;

  const std::string& Tag() const { return FTag; }
  void SetTag(std::string_view Value) { FTag = Value; }
  TGXMLNode* GetItem(int Index) const {
    return static_cast<TGXMLNode*>(TGCollection::GetItem(Index));
  }
  // The index of the first node whose attribute AttrName has exactly the text Value, or -1.
  int FindIndexByStrAttr(std::string_view AttrName, std::string_view Value) const;

  // Nothing may be added to the shared empty collection that absent names return.
  int Add(TGObject* Item) override;
  void Insert(int Index, TGObject* Item) override;
  void AssignTo(TGObject* Dest) const override;

  class TIterator {
  public:
    explicit TIterator(TGObjectList::const_iterator AIt)
        : FIt(AIt) {}
    TGXMLNode* operator*() const { return static_cast<TGXMLNode*>(*FIt); }
    TIterator& operator++() {
      ++FIt;
      return *this;
    }
    bool operator!=(const TIterator& Other) const { return FIt != Other.FIt; }

  private:
    TGObjectList::const_iterator FIt;
  };
  TIterator begin() const { return TIterator(Items().begin()); }
  TIterator end() const { return TIterator(Items().end()); }

private:
  std::string FTag;
};
