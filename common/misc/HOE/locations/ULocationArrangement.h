// A location's music: its tracks, played one after another with a pause between them.
#pragma once

#include "object/UGObject.h"

#include <string>
#include <vector>

class TGXMLNode;

class TLocationArrangement : public TGObject {
  G_CLASS(TLocationArrangement, TGObject)
  explicit TLocationArrangement(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  const std::vector<std::string>& Tracks() const { return FTracks; }
  // Milliseconds; 0 until a file gives it (a location without "Tracks" has no pause).
  int32_t PauseBetweenTracks() const { return FPauseBetweenTracks; }
  void SetPauseBetweenTracks(int32_t Value) { FPauseBetweenTracks = Value; }
  void AddTrack(const std::string& AURL) { FTracks.push_back(AURL); }
  void ClearTracks() { FTracks.clear(); }

  void AssignTo(TGObject* Dest) const override;
  // "Tracks" ("PauseBetweenTracks", 7000 when missing) with a "Track" ("URL") per track.
  void LoadFromXML(const TGXMLNode* Node);
  TGXMLNode* SaveToXML() const;

private:
  int32_t FPauseBetweenTracks = 0;
  std::vector<std::string> FTracks;
};
