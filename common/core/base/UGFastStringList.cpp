#include "base/UGFastStringList.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"

#include <algorithm>

TGFastStringList::~TGFastStringList() {
  Clear();
}

void TGFastStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  }
}

const std::string& TGFastStringList::Get(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].String;
}

void TGFastStringList::Put(int Index, std::string_view S) {
  if (FSorted) {
    throw EListError("Operation not allowed on sorted list");
  }
  CheckIndex(Index);
  FItems[static_cast<size_t>(Index)].String = S;
}

TGObject* TGFastStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].Object;
}

void TGFastStringList::PutObject(int Index, TGObject* Obj) {
  CheckIndex(Index);
  FItems[static_cast<size_t>(Index)].Object = Obj;
}

intptr_t TGFastStringList::GetData(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<size_t>(Index)].Data;
}

void TGFastStringList::PutData(int Index, intptr_t Value) {
  CheckIndex(Index);
  FItems[static_cast<size_t>(Index)].Data = Value;
}

int TGFastStringList::CompareStrings(std::string_view A, std::string_view B) const {
  if (!FCaseSensitive) {
    return StrIComp(A, B);
  }
  int R = A.compare(B);
  return R < 0 ? -1 : R > 0 ? 1 : 0;
}

int TGFastStringList::InsertSorted(std::string_view S, TGObject* Obj, intptr_t Value) {
  int Index = 0;
  if (Find(S, Index)) {
    switch (FDuplicates) {
    case dupIgnore:
      return Index;
    case dupError:
      throw EListError("String list does not allow duplicates");
    case dupAccept:
      break;
    }
  }
  FItems.insert(FItems.begin() + Index, TItem{std::string(S), Obj, Value});
  return Index;
}

int TGFastStringList::Add(std::string_view S) {
  return AddObject(S, nullptr);
}

int TGFastStringList::AddObject(std::string_view S, TGObject* Obj) {
  if (FSorted) {
    return InsertSorted(S, Obj, 0);
  }
  FItems.push_back(TItem{std::string(S), Obj, 0});
  return Count() - 1;
}

int TGFastStringList::AddData(std::string_view S, intptr_t Value) {
  if (FSorted) {
    return InsertSorted(S, nullptr, Value);
  }
  FItems.push_back(TItem{std::string(S), nullptr, Value});
  return Count() - 1;
}

void TGFastStringList::Insert(int Index, std::string_view S, TGObject* Obj) {
  if (FSorted) {
    throw EListError("Operation not allowed on sorted list");
  }
  if (Index < 0 || Index > Count()) {
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  }
  FItems.insert(FItems.begin() + Index, TItem{std::string(S), Obj, 0});
}

void TGFastStringList::FreeObject(TGObject* Obj) {
  if (FFreeObject && Obj) {
    FFreeObject(Obj);
  }
}

void TGFastStringList::Delete(int Index) {
  CheckIndex(Index);
  TGObject* Obj = FItems[static_cast<size_t>(Index)].Object;
  FItems.erase(FItems.begin() + Index);
  FreeObject(Obj);
}

void TGFastStringList::Clear() {
  while (!FItems.empty()) {
    TGObject* Obj = FItems.back().Object;
    FItems.pop_back();
    FreeObject(Obj);
  }
}

void TGFastStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
}

void TGFastStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) {
    return;
  }
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  TItem Item = std::move(FItems[static_cast<size_t>(CurIndex)]);
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, std::move(Item));
}

int TGFastStringList::IndexOf(std::string_view S) const {
  if (FSorted) {
    int Index = 0;
    return Find(S, Index) ? Index : -1;
  }
  for (size_t I = 0; I < FItems.size(); ++I) {
    if (CompareStrings(FItems[I].String, S) == 0) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

int TGFastStringList::IndexOfObject(const TGObject* Obj) const {
  for (size_t I = 0; I < FItems.size(); ++I) {
    if (FItems[I].Object == Obj) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

bool TGFastStringList::Find(std::string_view S, int& Index) const {
  // The first of equal entries, so duplicates keep their insertion order.
  int Low = 0;
  int High = Count() - 1;
  bool Found = false;
  while (Low <= High) {
    int Mid = (Low + High) / 2;
    int C = CompareStrings(FItems[static_cast<size_t>(Mid)].String, S);
    if (C < 0) {
      Low = Mid + 1;
    } else {
      High = Mid - 1;
      if (C == 0) {
        Found = true;
      }
    }
  }
  Index = Low;
  return Found;
}

void TGFastStringList::SetSorted(bool Value) {
  if (Value && !FSorted) {
    Sort();
  }
  FSorted = Value;
}

void TGFastStringList::SetCaseSensitive(bool Value) {
  if (Value != FCaseSensitive) {
    FCaseSensitive = Value;
    if (FSorted) {
      Sort();
    }
  }
}

void TGFastStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [this](const TItem& A, const TItem& B) {
    return CompareStrings(A.String, B.String) < 0;
  });
}

void TGFastStringList::CustomSort(
    const std::function<int(const TGFastStringList&, int, int)>& Compare) {
  // Sort a permutation, so the compare function sees the entries by their current indices.
  std::vector<int> Order(FItems.size());
  for (size_t I = 0; I < Order.size(); ++I) {
    Order[I] = static_cast<int>(I);
  }
  std::stable_sort(Order.begin(), Order.end(),
                   [&](int A, int B) { return Compare(*this, A, B) < 0; });
  std::vector<TItem> Sorted;
  Sorted.reserve(FItems.size());
  for (int I : Order) {
    Sorted.push_back(std::move(FItems[static_cast<size_t>(I)]));
  }
  FItems = std::move(Sorted);
}

std::string TGFastStringList::Names(int Index) const {
  const std::string& S = Get(Index);
  size_t Eq = S.find('=');
  return Eq == std::string::npos ? std::string() : S.substr(0, Eq);
}

int TGFastStringList::IndexOfName(std::string_view Name) const {
  for (size_t I = 0; I < FItems.size(); ++I) {
    const std::string& S = FItems[I].String;
    size_t Eq = S.find('=');
    if (Eq != std::string::npos && CompareStrings(std::string_view(S).substr(0, Eq), Name) == 0) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

std::string TGFastStringList::Values(std::string_view Name) const {
  int Index = IndexOfName(Name);
  if (Index < 0) {
    return {};
  }
  const std::string& S = FItems[static_cast<size_t>(Index)].String;
  return S.substr(S.find('=') + 1);
}

void TGFastStringList::SetValue(std::string_view Name, std::string_view Value) {
  int Index = IndexOfName(Name);
  std::string Line = std::string(Name) + "=" + std::string(Value);
  if (Index >= 0) {
    if (Value.empty()) {
      Delete(Index);
    } else {
      FItems[static_cast<size_t>(Index)].String = Line;
    }
  } else if (!Value.empty()) {
    Add(Line);
  }
}

std::string TGFastStringList::Text() const {
  std::string Out;
  for (const TItem& Item : FItems) {
    Out += Item.String;
    Out += "\r\n";
  }
  return Out;
}

void TGFastStringList::SetText(std::string_view Value) {
  Clear();
  size_t Pos = 0;
  while (Pos < Value.size()) {
    size_t End = Value.find_first_of("\r\n", Pos);
    if (End == std::string_view::npos) {
      Add(Value.substr(Pos));
      break;
    }
    Add(Value.substr(Pos, End - Pos));
    Pos = End + 1;
    if (Value[End] == '\r' && Pos < Value.size() && Value[Pos] == '\n') {
      ++Pos;
    }
  }
}
