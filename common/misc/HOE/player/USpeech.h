// Speech: the lines characters say in speech bubbles. A cue is who says it (the name of an anchor
// point on the screen), the text and a script to run once it has been read. Cues wait in the
// player's speech queue until the play screen shows them, oldest first; the anchors are kept in
// the play screen's registry, which places the bubble at the anchor's point on the side the
// anchor names.
#pragma once

#include "base/UGTypes.h"
#include "math/UGMathTypes.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>
#include <vector>

class TGXMLNode;

struct TSpeechCue {
  std::string PositionID; // the anchor's name
  std::string Text;       // usually a dictionary key "$...$", translated when drawn
  std::string Script;     // run when the line has been read; may be empty

  friend bool operator==(const TSpeechCue&, const TSpeechCue&) = default;
};

class TSpeechQueue : public TGObject {
  G_CLASS(TSpeechQueue, TGObject)
  explicit TSpeechQueue(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  bool Empty() const { return FItems.empty(); }
  // A copy of the cue at Index, 0 being the newest; a range error outside the queue.
  TSpeechCue GetItem(int32_t Index) const;
  TSpeechCue Items(int32_t Index) const { return GetItem(Index); }
  // The cue Pop took last.
  const TSpeechCue& LastSpeech() const { return FLastSpeech; }

  // Queues the cue as the newest, unless a queued cue has the same position and text (the
  // scripts may differ).
  void AddCue(const std::string& PositionID, const std::string& Text, const std::string& Script);
  // The oldest cue; false when the queue is empty.
  bool Peek(TSpeechCue& Cue) const;
  // Takes the oldest cue out; it becomes LastSpeech. Nothing when the queue is empty.
  void Pop();
  // Empties the queue and LastSpeech.
  void Clear();

  // "SpeechQueue" with a "SpeechCue" per cue ("PositionID", "Text", "Script"), oldest first.
  TGXMLNode* SaveToXML() const;
  // Adds every "SpeechCue" of Node in document order, without emptying the queue first; a cue
  // missing an attribute fails with the cues before it queued.
  void LoadFromXML(const TGXMLNode* Node);
  void AssignTo(TGObject* Dest) const override;

  static void Publish(TGClassBuilder<TSpeechQueue>& B);

private:
  std::vector<TSpeechCue> FItems; // index 0 the newest
  TSpeechCue FLastSpeech;
};

struct TSpeechPositionDesc {
  TGObject* Owner = nullptr; // who registered the anchor; not owned, only compared
  std::string ID;
  TGFlatVector RootPosition{};  // the point the bubble's tail touches, in screen pixels
  TGDirection Orientation = dN; // the side of the point the bubble lies on
};

// The anchors, in registration order. An anchor whose owner is freed leaves the registry with
// it, so that no entry outlives the object that placed it.
class TSpeechPositionRegistry : public TGObject {
  G_CLASS(TSpeechPositionRegistry, TGObject)
  explicit TSpeechPositionRegistry(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  const std::vector<TSpeechPositionDesc>& Items() const { return FItems; }
  // Appends the anchor; an anchor of the same ID registered before stays and wins lookups.
  void RegisterSpeechPosition(TGObject* Owner, const std::string& ID,
                              const TGFlatVector& RootPosition, TGDirection Orientation);
  // The index of the first anchor of exactly that ID, or -1.
  int32_t IndexOf(std::string_view ID) const;
  // A copy of the anchor at Index; a range error outside the registry.
  TSpeechPositionDesc GetItem(int32_t Index) const;
  // Removes every anchor Owner registered, keeping the order of the others.
  void UnregisterSpeechPositions(TGObject* Owner);

private:
  void OnOwnerDestroy(TGObject* Sender);

  std::vector<TSpeechPositionDesc> FItems;
};
