// The speech log: every line said to the player, oldest first, with where and when it was said.
// The in-game journal lists it; it is saved with the player.
#pragma once

#include "base/UGDateTime.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"

#include <cstdint>
#include <string>
#include <vector>

class TGXMLNode;

class TSpeechLogItem : public TGObject {
  G_CLASS(TSpeechLogItem, TGObject)
  explicit TSpeechLogItem(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  std::string LocationName; // the ID of the location where the line was said
  std::string Text;
  std::string ThumbnailURL; // the file name of that location's URL
  TGDateTime DateTime = 0;  // local time

  void AssignTo(TGObject* Dest) const override;
  static void Publish(TGClassBuilder<TSpeechLogItem>& B);
};

// The stored form of a log date: half-seconds since 16 August 1988, 00:00 local time, as an
// unsigned 32-bit number. A date outside that range (before 1988, or from 2056 on) cannot be
// stored and is a range error.
constexpr TGDateTime CSpeechLogEpoch = 32371;
constexpr double CSpeechLogTicksPerDay = 172800;
uint32_t SpeechLogDateToStored(TGDateTime DateTime);
TGDateTime StoredToSpeechLogDate(uint32_t Value);

class TSpeechLog : public TGObject {
  G_CLASS(TSpeechLog, TGObject)
  explicit TSpeechLog(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  // The item at Index, oldest first; a range error outside the log.
  TSpeechLogItem* GetItem(int32_t Index) const;
  TSpeechLogItem* Items(int32_t Index) const { return GetItem(Index); }

  // Appends the line, said now in the player's current location, unless it repeats the last
  // line of the log.
  void AddSpeech(const std::string& Text);
  void Clear();

  // "SpeechLog" with an "Item" per line ("LocationName", "Text", "ThumbnailURL", "DateTime").
  TGXMLNode* SaveToXML() const;
  // Replaces the log by the node's "Item" children; missing attributes read as empty and 0.
  // A faulty item changes nothing.
  void LoadFromXML(const TGXMLNode* Node);
  void AssignTo(TGObject* Dest) const override;

  static void Publish(TGClassBuilder<TSpeechLog>& B);

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  std::vector<TSpeechLogItem*> FList; // owned
};
