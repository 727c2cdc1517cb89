// The pages of objects to find in a location: each page lists object IDs (or "Random" places
// still to be filled) up to its capacity; the play screen shows the current page as the list
// of objects to find.
#pragma once

#include "base/UGFastStringList.h"
#include "object/UGCollection.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>

class TGXMLNode;

class TBaseLocationItemsPage : public TGClonableObject {
  G_CLASS(TBaseLocationItemsPage, TGClonableObject)
  explicit TBaseLocationItemsPage(TGObject* AOwner = nullptr, int32_t ACapacity = 0);

  int32_t Capacity = 0;
  int Count() const { return FItems.Count(); }
  int32_t SpaceLeft() const { return Capacity - Count(); }
  const std::string& GetItem(int Index) const { return FItems.Get(Index); }
  // "Too many items" when the page is full.
  void Add(std::string_view ID);
  // The index of the ID, case ignored; -1 when absent.
  int IndexOf(std::string_view ID) const { return FItems.IndexOf(ID); }
  void Remove(int Index) { FItems.Delete(Index); }

  void AssignTo(TGObject* Dest) const override;
  virtual void LoadFromXML(const TGXMLNode* XML);
  virtual TGXMLNode* SaveToXML() const;

private:
  TGFastStringList FItems;
};

class TLocationItemsPage : public TBaseLocationItemsPage {
  G_CLASS(TLocationItemsPage, TBaseLocationItemsPage)
  explicit TLocationItemsPage(TGObject* AOwner = nullptr, int32_t ACapacity = 0)
      : TBaseLocationItemsPage(AOwner, ACapacity) {}

  bool MasterObjectPage = false;
  // The play screen does not turn past a frozen page; not saved.
  bool Frozen = false;

  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(const TGXMLNode* XML) override;
  TGXMLNode* SaveToXML() const override;
};

// The pages, in order; the collection owns them.
class TBaseLocationItemsPageCollection : public TGClonableCollection {
  G_CLASS(TBaseLocationItemsPageCollection, TGClonableCollection)
  explicit TBaseLocationItemsPageCollection(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}

  TBaseLocationItemsPage* Items(int Index) const {
    return static_cast<TBaseLocationItemsPage*>(GetItem(Index));
  }
  // Replaces the pages by the "Page" children; a faulty element changes nothing.
  virtual void LoadFromXML(const TGXMLNode* XML);
  virtual TGXMLNode* SaveToXML() const;

protected:
  // Writes the pages as "Page" children of XML.
  void SavePages(TGXMLNode* XML) const;
};

class TBaseLocationItemsDistribution : public TBaseLocationItemsPageCollection {
  G_CLASS(TBaseLocationItemsDistribution, TBaseLocationItemsPageCollection)
  explicit TBaseLocationItemsDistribution(TGObject* AOwner = nullptr)
      : TBaseLocationItemsPageCollection(AOwner) {}

  int32_t CurrentPageIndex() const { return FCurrentPageIndex; }
  virtual void SetCurrentPageIndex(int32_t Value) { FCurrentPageIndex = Value; }
  // The page at the index; none when the index lies outside the pages.
  TBaseLocationItemsPage* CurrentPage() const;
  // Frees the pages; the index goes back to 0.
  void Clear() override;
  void AssignTo(TGObject* Dest) const override;
  // "ItemsDistribution" with "CurrentPageIndex" (written when not 0) and the pages.
  void LoadFromXML(const TGXMLNode* XML) override;
  TGXMLNode* SaveToXML() const override;

private:
  int32_t FCurrentPageIndex = 0;
};

class TLocationItemsDistribution : public TBaseLocationItemsDistribution {
  G_CLASS(TLocationItemsDistribution, TBaseLocationItemsDistribution)
  explicit TLocationItemsDistribution(TGObject* AOwner = nullptr)
      : TBaseLocationItemsDistribution(AOwner) {}

  TLocationItemsPage* CurrentPage() const {
    return TryObjectCast<TLocationItemsPage>(TBaseLocationItemsDistribution::CurrentPage());
  }
};
