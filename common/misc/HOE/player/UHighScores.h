// The high-score table of every profile on the machine ("HighScores.xml" in the data folder):
// one entry per profile (its latest result), best first. The file is replaced whole and durably
// at every change; one that cannot be read is set aside in the log and the table seeded anew.
#pragma once

#include "object/UGCollection.h"
#include "object/UGObject.h"

#include <cstdint>
#include <string>

class THighScoresNode : public TGObject {
  G_CLASS(THighScoresNode, TGObject)
  explicit THighScoresNode(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  std::string GUID;
  std::string Player;
  int32_t Scores = 0;
  int32_t Time = 0; // seconds
  int32_t Zephrins = 0;
};

class THighScores : public TGObject {
  G_CLASS(THighScores, TGObject)
  // Reads FileName, or seeds the table (and writes the file) when it is missing or unreadable.
  THighScores(TGObject* AOwner, std::string AFileName);

  const std::string& FileName() const { return FFileName; }
  // At most 10: the entries the table shows and writes.
  int Count() const;
  THighScoresNode* Items(int Index) const;
  // Every entry held (the seeded ones beyond the first 10 too).
  int NodeCount() const { return FNodes->GetCount(); }

  // The profile's entry takes these values (a new one is appended); then sorted and written.
  void Add(const std::string& AGUID, const std::string& APlayer, int32_t AScores, int32_t ATime,
           int32_t AZephrins);
  // Higher scores first; equal scores: the lower time first.
  void Sort();
  void Flush();
  // 30 entries "Player" with nothing scored.
  void FakeInitialize();

private:
  void LoadFromFile();

  std::string FFileName;
  TGCollection* FNodes; // owned, with its nodes
};
