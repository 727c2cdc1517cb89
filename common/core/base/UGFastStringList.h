// The engine's string list for URLs and names: strings with an object (and a number) per entry,
// optionally sorted, with a duplicate rule. Comparisons fold only ASCII letters unless the list
// is case-sensitive, in which case bytes are compared as they are.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class TGObject;

enum TGDuplicates { dupIgnore = 0, dupAccept = 1, dupError = 2 };

class TGFastStringList {
public:
  struct TItem {
    std::string String;
    TGObject* Object = nullptr;
    intptr_t Data = 0;
  };

  TGFastStringList() { FItems.reserve(16); }
  virtual ~TGFastStringList();
  TGFastStringList(const TGFastStringList&) = delete;
  TGFastStringList& operator=(const TGFastStringList&) = delete;

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& Get(int Index) const;
  const std::string& operator[](int Index) const { return Get(Index); }
  void Put(int Index, std::string_view S);
  TGObject* GetObject(int Index) const;
  void PutObject(int Index, TGObject* Obj);
  template <class T>
  T* ObjectAs(int Index) const {
    return static_cast<T*>(GetObject(Index));
  }
  intptr_t GetData(int Index) const;
  void PutData(int Index, intptr_t Value);

  // Appends (or, when sorted, inserts in order). A duplicate in a sorted list is ignored (the
  // existing index is returned), accepted, or rejected with EListError
  // ("String list does not allow duplicates"), as the duplicate rule says.
  int Add(std::string_view S);
  int AddObject(std::string_view S, TGObject* Obj);
  int AddData(std::string_view S, intptr_t Value);
  // Fails on a sorted list ("Operation not allowed on sorted list").
  void Insert(int Index, std::string_view S, TGObject* Obj = nullptr);
  // Removes the entry; frees its object when the list owns its objects.
  void Delete(int Index);
  void Clear();
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);

  int IndexOf(std::string_view S) const;
  int IndexOfObject(const TGObject* Obj) const;
  // Binary search of a sorted list: true when found; Index is the match or the insertion point.
  bool Find(std::string_view S, int& Index) const;

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TGDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TGDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value);
  // Whether the objects of entries that leave the list are freed, and how: the list lies below
  // the object model, so an owning list is given the function that frees an object.
  bool OwnsObjects() const { return FFreeObject != nullptr; }
  void SetOwnsObjects(void (*FreeObject)(TGObject* Obj)) { FFreeObject = FreeObject; }
  void Sort();
  void CustomSort(const std::function<int(const TGFastStringList&, int, int)>& Compare);

  // "Name=Value" entries.
  std::string Names(int Index) const;
  std::string Values(std::string_view Name) const;
  void SetValue(std::string_view Name, std::string_view Value);
  int IndexOfName(std::string_view Name) const;

  // The entries as lines ended by CR LF; setting splits at CR LF, LF or CR.
  std::string Text() const;
  void SetText(std::string_view Value);

  int CompareStrings(std::string_view A, std::string_view B) const;

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

private:
  void CheckIndex(int Index) const;
  int InsertSorted(std::string_view S, TGObject* Obj, intptr_t Value);
  void FreeObject(TGObject* Obj);

  std::vector<TItem> FItems;
  bool FSorted = false;
  bool FCaseSensitive = false;
  void (*FFreeObject)(TGObject* Obj) = nullptr;
  TGDuplicates FDuplicates = dupIgnore;
};
