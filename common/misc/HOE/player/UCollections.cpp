#include "player/UCollections.h"

#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <cmath>

G_IMPLEMENT_CLASS(TMuseumItems)
G_IMPLEMENT_CLASS(TCollectedZephrinsManager)
G_IMPLEMENT_CLASS(TPlayerStatistics)

TMuseumItems::TMuseumItems(TGObject* AOwner)
    : TGObject(AOwner) {
  FItems.SetSorted(true);
  FItems.SetDuplicates(dupIgnore);
}

void TMuseumItems::AddItem(std::string_view Id) {
  FItems.Add(Id);
}

void TMuseumItems::LoadFromXML(const TGXMLNode* XML) {
  std::vector<std::string> Names;
  for (const TGXMLNode* Item : *XML->GetChilds("Item")) {
    Names.push_back(Item->GetStrAttr("Name"));
  }
  FItems.Clear();
  for (const std::string& Name : Names) {
    FItems.Add(Name);
  }
}

TGXMLNode* TMuseumItems::SaveToXML() const {
  TGXMLNode* XML = new TGXMLNode("MuseumItems");
  for (const auto& Item : FItems) {
    XML->AddChild("Item")->SetStrAttr("Name", Item.String);
  }
  return XML;
}

int TCollectedZephrinsManager::GetIdx(std::string_view LocationURL) const {
  for (size_t I = FRecords.size(); I-- > 0;) {
    if (SameText(FRecords[I].LocationURL, LocationURL)) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

void TCollectedZephrinsManager::AddRecord(std::string_view LocationURL) {
  FRecords.push_back(TCSMRec{std::string(LocationURL), {}});
}

void TCollectedZephrinsManager::RegisterZephrin(std::string_view LocationURL,
                                                std::string_view ZephrinID) {
  int Index = GetIdx(LocationURL);
  if (Index < 0) {
    AddRecord(LocationURL);
    Index = static_cast<int>(FRecords.size()) - 1;
  }
  FRecords[static_cast<size_t>(Index)].ZephrinIDsCollected.emplace_back(ZephrinID);
}

bool TCollectedZephrinsManager::IsCollected(std::string_view LocationURL,
                                            std::string_view ZephrinID) const {
  int Index = GetIdx(LocationURL);
  if (Index < 0) {
    return false;
  }
  for (const std::string& ID : FRecords[static_cast<size_t>(Index)].ZephrinIDsCollected) {
    if (SameText(ID, ZephrinID)) {
      return true;
    }
  }
  return false;
}

void TCollectedZephrinsManager::LoadFromXML(const TGXMLNode* XML) {
  std::vector<TCSMRec> Loaded;
  for (const TGXMLNode* Record : *XML->GetChilds("Record")) {
    TCSMRec R{Record->GetStrAttr("LocationURL"), {}};
    for (const TGXMLNode* Bird : *Record->GetChilds("ZephrinID")) {
      R.ZephrinIDsCollected.push_back(Bird->GetStrAttr("ID"));
    }
    Loaded.push_back(std::move(R));
  }
  FRecords = std::move(Loaded);
}

TGXMLNode* TCollectedZephrinsManager::SaveToXML() const {
  TGXMLNode* XML = new TGXMLNode("CollectedZephrins");
  for (const TCSMRec& R : FRecords) {
    TGXMLNode* Record = XML->AddChild("Record");
    Record->SetStrAttr("LocationURL", R.LocationURL);
    for (const std::string& ID : R.ZephrinIDsCollected) {
      Record->AddChild("ZephrinID")->SetStrAttr("ID", ID);
    }
  }
  return XML;
}

int TPlayerStatistics::GetIdx(std::string_view LocationURL) const {
  for (size_t I = FStatsUnlim.size(); I-- > 0;) {
    if (FStatsUnlim[I].LocationURL == LocationURL) {
      return static_cast<int>(I);
    }
  }
  return -1;
}

void TPlayerStatistics::AddUnlimited(std::string_view LocationURL, float Time, int32_t Score) {
  int Index = GetIdx(LocationURL);
  if (Index < 0) {
    FStatsUnlim.push_back(TStatsUnlimRec{std::string(LocationURL)});
    Index = static_cast<int>(FStatsUnlim.size()) - 1;
  }
  TStatsUnlimRec& R = FStatsUnlim[static_cast<size_t>(Index)];
  if (Time < R.BestTime) {
    R.BestTime = Time;
  }
  if (Score > R.BestScore) {
    R.BestScore = Score;
  }
}

float TPlayerStatistics::GetUnlimBestTimeInSec(std::string_view LocationURL) const {
  int Index = GetIdx(LocationURL);
  return Index < 0 ? 100000.0f : FStatsUnlim[static_cast<size_t>(Index)].BestTime;
}

std::string TPlayerStatistics::GetUnlimBestTime(std::string_view LocationURL) const {
  int Index = GetIdx(LocationURL);
  if (Index < 0) {
    return "-";
  }
  const auto T = static_cast<int64_t>(
      std::nearbyint(static_cast<double>(FStatsUnlim[static_cast<size_t>(Index)].BestTime)));
  return std::to_string(T / 60) + ":" + IdxToStr(static_cast<int>(T % 60));
}

std::string TPlayerStatistics::GetUnlimBestScore(std::string_view LocationURL) const {
  int Index = GetIdx(LocationURL);
  if (Index < 0) {
    return "-";
  }
  return IntToStrSeparatedEx(FStatsUnlim[static_cast<size_t>(Index)].BestScore, "$,$");
}

void TPlayerStatistics::LoadFromXML(const TGXMLNode* XML) {
  std::vector<TStatsUnlimRec> Loaded;
  for (const TGXMLNode* R : *XML->GetChilds("StatsUnlim")) {
    Loaded.push_back(TStatsUnlimRec{R->GetStrAttr("LocationURL"), R->GetFloatAttr("BestTime"),
                                    R->GetIntAttr("BestScore")});
  }
  FStatsUnlim = std::move(Loaded);
}

TGXMLNode* TPlayerStatistics::SaveToXML() const {
  TGXMLNode* XML = new TGXMLNode("PlayerStatistics");
  for (const TStatsUnlimRec& R : FStatsUnlim) {
    TGXMLNode* N = XML->AddChild("StatsUnlim");
    N->SetStrAttr("LocationURL", R.LocationURL);
    N->SetFloatAttr("BestTime", R.BestTime);
    N->SetIntAttr("BestScore", R.BestScore);
  }
  return XML;
}
