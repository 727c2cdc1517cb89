// The attributes of one node, kept in one block of memory: a header, the records, then the
// names and texts the records point into. A node read from a file gets its block in one
// allocation sized exactly, where a list of separate records would cost a record of two strings
// per attribute and an allocation per long text; trees are mostly read, and documents of
// thousands of nodes load noticeably faster this way.
//
// Texts that are set again are written over the old bytes when they fit, otherwise after the
// others; the bytes given up are reclaimed when the block next grows.
#pragma once

#include "math/UGMathTypes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

class TGXMLArena;

enum TGXMLAttributeType {
  atString = 0,
  atFloat = 1,
  atInteger = 2,
  atBoolean = 3,
  atLongword = 4,
  atVector = 5,
};

// The value an attribute was last set with, as the setter's type; unused for text.
union TGXMLNativeValue {
  float Float;
  int32_t Integer;
  bool Boolean;
  uint32_t Longword;
  float Vector[3];
};

// The typed forms of an attribute, derived from its text or from the value it was set with.
struct TGXMLAttributeValue {
  std::string_view Text;
  TGXMLAttributeType Type = atString;
  TGXMLNativeValue Native{};

  bool AsBoolean() const;
  float AsFloat() const;
  int32_t AsInteger() const;
  uint32_t AsLongword() const;
  TGVector AsVector() const;
};

class TGXMLAttributeList {
public:
  TGXMLAttributeList() = default;
  TGXMLAttributeList(const TGXMLAttributeList& Other);
  TGXMLAttributeList& operator=(const TGXMLAttributeList& Other);
  TGXMLAttributeList(TGXMLAttributeList&& Other) noexcept;
  TGXMLAttributeList& operator=(TGXMLAttributeList&& Other) noexcept;
  ~TGXMLAttributeList();

  int Count() const;
  bool Empty() const { return Count() == 0; }
  std::string_view Name(int Index) const;
  std::string_view Text(int Index) const;
  TGXMLAttributeValue Value(int Index) const;
  // The index of the attribute with exactly that name, or -1.
  int Find(std::string_view Name) const;

  // Appends an empty text attribute; the name is not checked against the others.
  int Append(std::string_view Name);
  // Appends an attribute with its text, the way a reader fills a new node.
  void AppendText(std::string_view Name, std::string_view Text);
  // Appends Count attributes read from a file: Pairs holds each one's name and then its text.
  // The names are not checked against each other or the others. The block grows once, to the
  // exact size, and is then taken from Arena when one is given.
  void AppendLoaded(const std::string_view* Pairs, size_t Count, TGXMLArena* Arena = nullptr);
  void SetValue(int Index, std::string_view Text, TGXMLAttributeType Type,
                const TGXMLNativeValue& Native);
  // Sets the attribute of that name, appending it when absent; its index.
  int Put(std::string_view Name, std::string_view Text, TGXMLAttributeType Type,
          const TGXMLNativeValue& Native);
  void Remove(int Index);
  void Clear();
  // Room for Count more attributes with Chars more bytes of names and texts; a new block is
  // taken from Arena when one is given.
  void Reserve(int Count, size_t Chars, TGXMLArena* Arena = nullptr);

private:
  struct THeader;
  struct TRecord;

  THeader* Header() const;
  TRecord* Records() const;
  char* Chars() const;
  const TRecord& Record(int Index) const;
  // A new block with room for at least Count records and Chars bytes, holding the attributes of
  // From (this list when none) with their bytes packed, taken from Arena when one is given.
  void Grow(uint32_t Count, size_t Chars, const TGXMLAttributeList* From = nullptr,
            TGXMLArena* Arena = nullptr);
  // Whether the bytes lie in the block.
  bool Inside(std::string_view Bytes) const;
  // Takes Size bytes at the end of the character area, growing it when needed; their offset.
  uint32_t Room(size_t Size);

  char* FBlock = nullptr;
};
