#include "xml/UGXMLAttributeList.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "xml/UGXMLArena.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <new>
#include <string>

// --- Typed forms -------------------------------------------------------------------------------

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

bool TGXMLAttributeValue::AsBoolean() const {
  switch (Type) {
  case atString:
    return StrToBoolDef(Text, false);
  case atFloat:
    return Native.Float != 0;
  case atInteger:
    return Native.Integer != 0;
  case atBoolean:
    return Native.Boolean;
  case atLongword:
    return Native.Longword != 0;
  case atVector:
    break;
  }
  return false;
}

float TGXMLAttributeValue::AsFloat() const {
  switch (Type) {
  case atString: {
    float V = 0;
    return SafeTryStrToFloat(Text, V) ? V : 0;
  }
  case atFloat:
    return Native.Float;
  case atInteger:
    return static_cast<float>(Native.Integer);
  case atBoolean:
    return Native.Boolean ? 1.0f : 0.0f;
  case atLongword:
    // The float parse of the decimal text, which is the value correctly rounded.
    return static_cast<float>(Native.Longword);
  case atVector:
    break;
  }
  return 0;
}

int32_t TGXMLAttributeValue::AsInteger() const {
  switch (Type) {
  case atString:
    return TextToInteger(Text);
  case atFloat:
    return RoundToInt32(Native.Float);
  case atInteger:
    return Native.Integer;
  case atBoolean:
    return Native.Boolean ? 1 : 0;
  case atLongword:
    return Native.Longword > 2147483647u ? 0 : static_cast<int32_t>(Native.Longword);
  case atVector:
    break;
  }
  return 0;
}

uint32_t TGXMLAttributeValue::AsLongword() const {
  switch (Type) {
  case atString: {
    int64_t Wide = 0;
    return TryStrToInt64(Text, Wide) ? Magnitude32(Wide) : 0;
  }
  case atFloat:
    return Magnitude32(RoundToInt32(Native.Float));
  case atInteger:
    return Magnitude32(Native.Integer);
  case atBoolean:
    return Native.Boolean ? 1 : 0;
  case atLongword:
    return Native.Longword;
  case atVector:
    break;
  }
  return 0;
}

TGVector TGXMLAttributeValue::AsVector() const {
  TGVector V;
  if (Type == atVector) {
    V = TGVector{Native.Vector[0], Native.Vector[1], Native.Vector[2]};
  } else if (Type == atString && !TryStrToVec(Text, V)) {
    V = TGVector{};
  }
  return V;
}

// --- The block ---------------------------------------------------------------------------------

// An attribute's bytes lie together: its name, its text, and for a typed value the value itself
// (the bytes of TGXMLNativeValue).
struct TGXMLAttributeList::THeader {
  uint32_t Count;
  uint32_t Capacity;
  uint32_t CharsUsed;
  uint32_t CharsCapacity;
  // Bytes of the character area that no record points to any more.
  uint32_t CharsGarbage;
};

struct TGXMLAttributeList::TRecord {
  uint32_t Offset;
  uint32_t NameSize;
  uint32_t TextSize : 29;
  uint32_t Type : 3;

  bool Typed() const { return Type != atString; }
  uint32_t Size() const { return NameSize + TextSize + (Typed() ? sizeof(TGXMLNativeValue) : 0); }
};

namespace {

constexpr size_t HeaderSize = 20;
// Names and texts of one node together; far beyond any document the engine reads.
constexpr size_t MaxChars = (size_t{1} << 29) - 1;

// Copies Size bytes. Names and texts read from files are mostly a few bytes long: those are
// copied here in two overlapping moves of at most eight bytes, without calling memcpy.
void CopyBytes(char* To, const char* From, size_t Size) {
  if (Size > 16) {
    std::memcpy(To, From, Size);
  } else if (Size >= 8) {
    uint64_t First, Last;
    std::memcpy(&First, From, 8);
    std::memcpy(&Last, From + Size - 8, 8);
    std::memcpy(To, &First, 8);
    std::memcpy(To + Size - 8, &Last, 8);
  } else if (Size >= 4) {
    uint32_t First, Last;
    std::memcpy(&First, From, 4);
    std::memcpy(&Last, From + Size - 4, 4);
    std::memcpy(To, &First, 4);
    std::memcpy(To + Size - 4, &Last, 4);
  } else {
    for (size_t I = 0; I < Size; ++I) {
      To[I] = From[I];
    }
  }
}

uint32_t CheckedSize(size_t Size) {
  if (Size > MaxChars) {
    throw Error("XML attributes are too large");
  }
  return static_cast<uint32_t>(Size);
}

} // namespace

TGXMLAttributeList::THeader* TGXMLAttributeList::Header() const {
  return reinterpret_cast<THeader*>(FBlock);
}

TGXMLAttributeList::TRecord* TGXMLAttributeList::Records() const {
  return reinterpret_cast<TRecord*>(FBlock + HeaderSize);
}

char* TGXMLAttributeList::Chars() const {
  return FBlock + HeaderSize + sizeof(TRecord) * Header()->Capacity;
}

const TGXMLAttributeList::TRecord& TGXMLAttributeList::Record(int Index) const {
  return Records()[static_cast<size_t>(Index)];
}

TGXMLAttributeList::TGXMLAttributeList(const TGXMLAttributeList& Other) {
  *this = Other;
}

TGXMLAttributeList& TGXMLAttributeList::operator=(const TGXMLAttributeList& Other) {
  if (this != &Other) {
    Clear();
    if (!Other.Empty()) {
      const THeader* From = Other.Header();
      Grow(From->Count, From->CharsUsed - From->CharsGarbage, &Other);
    }
  }
  return *this;
}

TGXMLAttributeList::TGXMLAttributeList(TGXMLAttributeList&& Other) noexcept
    : FBlock(Other.FBlock) {
  Other.FBlock = nullptr;
}

TGXMLAttributeList& TGXMLAttributeList::operator=(TGXMLAttributeList&& Other) noexcept {
  if (this != &Other) {
    XMLFree(FBlock);
    FBlock = Other.FBlock;
    Other.FBlock = nullptr;
  }
  return *this;
}

TGXMLAttributeList::~TGXMLAttributeList() {
  XMLFree(FBlock);
}

int TGXMLAttributeList::Count() const {
  return FBlock ? static_cast<int>(Header()->Count) : 0;
}

std::string_view TGXMLAttributeList::Name(int Index) const {
  const TRecord& R = Record(Index);
  return {Chars() + R.Offset, R.NameSize};
}

std::string_view TGXMLAttributeList::Text(int Index) const {
  const TRecord& R = Record(Index);
  return {Chars() + R.Offset + R.NameSize, R.TextSize};
}

TGXMLAttributeValue TGXMLAttributeList::Value(int Index) const {
  const TRecord& R = Record(Index);
  const char* Text = Chars() + R.Offset + R.NameSize;
  TGXMLAttributeValue V{std::string_view(Text, R.TextSize), static_cast<TGXMLAttributeType>(R.Type),
                        TGXMLNativeValue{}};
  if (R.Typed()) {
    std::memcpy(&V.Native, Text + R.TextSize, sizeof(TGXMLNativeValue));
  }
  return V;
}

int TGXMLAttributeList::Find(std::string_view Name) const {
  if (!FBlock) {
    return -1;
  }
  const char* C = Chars();
  const TRecord* R = Records();
  for (uint32_t I = 0; I < Header()->Count; ++I) {
    if (R[I].NameSize == Name.size() &&
        std::memcmp(C + R[I].Offset, Name.data(), Name.size()) == 0) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

bool TGXMLAttributeList::Inside(std::string_view Bytes) const {
  if (!FBlock || Bytes.empty()) {
    return false;
  }
  const char* End = Chars() + Header()->CharsCapacity;
  return std::less_equal<const char*>()(FBlock, Bytes.data()) &&
         std::less<const char*>()(Bytes.data(), End);
}

void TGXMLAttributeList::Grow(uint32_t Count, size_t CharsNeeded, const TGXMLAttributeList* From,
                              TGXMLArena* Arena) {
  if (!From) {
    From = this;
  }
  uint32_t OldCount = From->FBlock ? From->Header()->Count : 0;
  uint32_t Capacity = std::max({Count, OldCount, 1u});
  uint32_t CharsCapacity = CheckedSize(std::max<size_t>(CharsNeeded, 16));
  char* Block = static_cast<char*>(
      XMLAllocate(HeaderSize + sizeof(TRecord) * Capacity + CharsCapacity, Arena));
  THeader* H = reinterpret_cast<THeader*>(Block);
  *H = THeader{OldCount, Capacity, 0, CharsCapacity, 0};
  // Copy the records, packing the bytes they point to.
  TRecord* To = reinterpret_cast<TRecord*>(Block + HeaderSize);
  char* ToChars = Block + HeaderSize + sizeof(TRecord) * Capacity;
  for (uint32_t I = 0; I < OldCount; ++I) {
    TRecord R = From->Records()[I];
    std::memcpy(ToChars + H->CharsUsed, From->Chars() + R.Offset, R.Size());
    R.Offset = H->CharsUsed;
    H->CharsUsed += R.Size();
    To[I] = R;
  }
  if (From == this) {
    XMLFree(FBlock);
  }
  FBlock = Block;
}

void TGXMLAttributeList::Reserve(int Count, size_t CharsMore, TGXMLArena* Arena) {
  uint32_t Have = FBlock ? Header()->Count : 0;
  uint32_t Want = Have + static_cast<uint32_t>(std::max(Count, 0));
  if (FBlock && Want <= Header()->Capacity &&
      Header()->CharsUsed + CharsMore <= Header()->CharsCapacity) {
    return;
  }
  size_t Live = FBlock ? Header()->CharsUsed - Header()->CharsGarbage : 0;
  Grow(Want, Live + CharsMore, nullptr, Arena);
}

uint32_t TGXMLAttributeList::Room(size_t Size) {
  THeader* H = Header();
  if (H->CharsUsed + Size > H->CharsCapacity) {
    size_t Live = H->CharsUsed - H->CharsGarbage;
    CheckedSize(Live + Size);
    Grow(H->Capacity, std::max(2 * (Live + Size), Live + Size + 16));
    H = Header();
  }
  uint32_t Offset = H->CharsUsed;
  H->CharsUsed += static_cast<uint32_t>(Size);
  return Offset;
}

int TGXMLAttributeList::Append(std::string_view Name) {
  AppendText(Name, {});
  return Count() - 1;
}

void TGXMLAttributeList::AppendText(std::string_view Name, std::string_view Text) {
  size_t Size = Name.size() + Text.size();
  THeader* H = Header();
  if (!FBlock || H->Count == H->Capacity || H->CharsUsed + Size > H->CharsCapacity) {
    if (Inside(Name) || Inside(Text)) {
      // The new block would lose them: append copies.
      AppendText(std::string(Name), std::string(Text));
      return;
    }
    uint32_t Have = FBlock ? H->Count : 0;
    uint32_t Capacity = FBlock ? H->Capacity : 0;
    size_t Live = FBlock ? H->CharsUsed - H->CharsGarbage : 0;
    CheckedSize(Live + Size);
    Grow(Have < Capacity ? Capacity : Have + std::max(Have / 2, 4u),
         std::max(2 * (Live + Size), Live + Size + 16));
    H = Header();
  }
  // The loader reserves the exact room, so a node read from a file always comes here directly.
  TRecord& R = Records()[H->Count++];
  R.Offset = H->CharsUsed;
  R.NameSize = static_cast<uint32_t>(Name.size());
  R.TextSize = static_cast<uint32_t>(Text.size());
  R.Type = atString;
  char* C = Chars() + R.Offset;
  // An empty view may have no data at all, which memcpy must not be given.
  if (!Name.empty()) {
    std::memcpy(C, Name.data(), Name.size());
  }
  if (!Text.empty()) {
    std::memcpy(C + Name.size(), Text.data(), Text.size());
  }
  H->CharsUsed += static_cast<uint32_t>(Size);
}

void TGXMLAttributeList::AppendLoaded(const std::string_view* Pairs, size_t Count,
                                      TGXMLArena* Arena) {
  if (Count == 0) {
    return;
  }
  size_t Size = 0;
  bool Moves = false;
  for (size_t I = 0; I < 2 * Count; ++I) {
    Size += Pairs[I].size();
  }
  // A node being read has no block yet.
  for (size_t I = 0; FBlock && I < 2 * Count; ++I) {
    Moves = Moves || Inside(Pairs[I]);
  }
  if (Moves) {
    // Growing the block would lose them: one by one, with copies where needed.
    for (size_t I = 0; I < Count; ++I) {
      AppendText(Pairs[2 * I], Pairs[2 * I + 1]);
    }
    return;
  }
  Reserve(static_cast<int>(CheckedSize(Count)), Size, Arena);
  THeader* H = Header();
  TRecord* R = Records() + H->Count;
  char* C = Chars();
  uint32_t Used = H->CharsUsed;
  for (size_t I = 0; I < Count; ++I) {
    std::string_view Name = Pairs[2 * I];
    std::string_view Text = Pairs[2 * I + 1];
    R[I].Offset = Used;
    R[I].NameSize = static_cast<uint32_t>(Name.size());
    R[I].TextSize = static_cast<uint32_t>(Text.size());
    R[I].Type = atString;
    CopyBytes(C + Used, Name.data(), Name.size());
    Used += static_cast<uint32_t>(Name.size());
    CopyBytes(C + Used, Text.data(), Text.size());
    Used += static_cast<uint32_t>(Text.size());
  }
  H->Count += static_cast<uint32_t>(Count);
  H->CharsUsed = Used;
}

void TGXMLAttributeList::SetValue(int Index, std::string_view Text, TGXMLAttributeType Type,
                                  const TGXMLNativeValue& Native) {
  CheckedSize(Text.size());
  TRecord R = Records()[static_cast<size_t>(Index)];
  TRecord New = R;
  New.TextSize = static_cast<uint32_t>(Text.size());
  New.Type = Type;
  if (New.Size() > R.Size()) {
    if (Inside(Text)) {
      // Growing the block would move the text away.
      SetValue(Index, std::string(Text), Type, Native);
      return;
    }
    // The name goes along to the new place; the old bytes become garbage. Room may pack the
    // block, which moves the old bytes too.
    New.Offset = Room(New.Size());
    R = Records()[static_cast<size_t>(Index)];
    std::memcpy(Chars() + New.Offset, Chars() + R.Offset, R.NameSize);
  }
  char* Payload = Chars() + New.Offset + New.NameSize;
  if (!Text.empty()) {
    std::memmove(Payload, Text.data(), Text.size());
  }
  if (New.Typed()) {
    std::memcpy(Payload + Text.size(), &Native, sizeof(TGXMLNativeValue));
  }
  Header()->CharsGarbage += R.Size() - (New.Offset == R.Offset ? New.Size() : 0);
  Records()[static_cast<size_t>(Index)] = New;
}

int TGXMLAttributeList::Put(std::string_view Name, std::string_view Text, TGXMLAttributeType Type,
                            const TGXMLNativeValue& Native) {
  int Index = Find(Name);
  if (Index < 0) {
    if (Inside(Text)) {
      // Appending may move the block away from under the text.
      return Put(Name, std::string(Text), Type, Native);
    }
    Index = Append(Name);
  }
  SetValue(Index, Text, Type, Native);
  return Index;
}

void TGXMLAttributeList::Remove(int Index) {
  THeader* H = Header();
  TRecord* R = Records();
  H->CharsGarbage += R[Index].Size();
  std::memmove(R + Index, R + Index + 1,
               sizeof(TRecord) * (H->Count - static_cast<uint32_t>(Index) - 1));
  --H->Count;
  if (H->Count == 0) {
    Clear();
  }
}

void TGXMLAttributeList::Clear() {
  XMLFree(FBlock);
  FBlock = nullptr;
}
