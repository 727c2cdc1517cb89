// The diver-path puzzle: four divers, each with an air line to lay along a fixed network of
// straight passages to the tank of its colour. Pressing on a diver and dragging lays the line
// from junction to junction; it can be pulled back one junction and never runs through a
// junction another line uses. A release keeps the line only at its tank; crossing another line
// tangles both, and they are removed. Every line at its tank completes the puzzle: the lines
// fade out and the scene's completion script runs. Finished lines are saved with the profile.
#pragma once

#include "locations/USimpleLocation.h"
#include "math/UGColor.h"
#include "math/UGMathTypes.h"

#include <cstdint>
#include <vector>

class TGAudioState;
class TGSymbol;
class TGXMLNode;

namespace DiverPath {

enum TPuzzleState : uint8_t {
  psNone = 0,
  psMoving = 1,
  psComplete = 2,
};

struct TEdge {
  TGPoint P1{};
  TGPoint P2{};

  static TEdge Create(const TGPoint& AP1, const TGPoint& AP2) { return {AP1, AP2}; }
  static TEdge Create(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    return {{X1, Y1}, {X2, Y2}};
  }
  int32_t DotProduct(const TEdge& Other) const;
  float Length() const;
  // The unsigned angle between the edges, 0 to 180 degrees; 180 when either has no length (no
  // direction in common), so a zero-length edge never counts as heading the same way.
  float CalcAngle(const TEdge& Other) const;
  friend bool operator==(const TEdge&, const TEdge&) = default;
};

struct TDiver {
  TGPoint P1{};
  TGPoint P2{};
  std::vector<TEdge> Path;
  TGColor Color{};
  TGameObject* Obj = nullptr;
};

constexpr int CDiverCount = 4;
constexpr int CEdgeCount = 90;

struct TDiverDef {
  TGPoint P1;
  TGPoint P2;
  TGColor Color;
};

extern const TDiverDef CDivers[CDiverCount];
// The passage network as drawn, before its nearly straight passages are straightened.
extern const TEdge CEdges[CEdgeCount];

float Distance(const TGPoint& A, const TGPoint& B);

} // namespace DiverPath

class TMorocco_06_puzzle : public TLocationWithGoalAllItemsCollected {
  G_CLASS(TMorocco_06_puzzle, TLocationWithGoalAllItemsCollected)
  explicit TMorocco_06_puzzle(TGObject* AOwner = nullptr)
      : TLocationWithGoalAllItemsCollected(AOwner) {}

  void AfterConstruction() override;
  void Activate() override;
  void Deactivate() override;
  void Update(int32_t AInterval) override;
  void Draw() override;
  void MouseUp(int Button) override;
  bool IsPuzzleLocation() const override { return true; }
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  void Initialize();
  void AlignEdges();
  void AlignDivers();
  void OnDiverDown(TBaseGameObject* Sender, int Button);
  void SetCurPoint(const TGPoint& P);
  // The index the point takes in the used junctions.
  int32_t SetUsedPoint(const TGPoint& P);
  void SetUnused(const TGPoint& P);
  bool IsThisUsedPoint(const TGPoint& P) const;
  void CalcAvailablePoints();
  void ProcessPath();
  void ClearDiverPath(DiverPath::TDiver& Diver);
  bool IsDiverAtHome(const DiverPath::TDiver& Diver) const;
  bool GetPuzzleComplete() const;
  void CheckCompletion();
  void SetState(DiverPath::TPuzzleState Value);
  // Ends a drag in progress first: what is saved is the idle puzzle.
  void SavePuzzleToXML(TGXMLNode* Node);
  void ForcePuzzleCompletion();
  // Nothing to do here: the divers only move along their lines.
  void MoveSomebodyToFinish() {}

  DiverPath::TPuzzleState State() const { return FState; }
  bool Initialized() const { return FInitialized; }
  const std::vector<DiverPath::TEdge>& Edges() const { return FEdges; }
  const std::vector<DiverPath::TDiver>& Divers() const { return FDivers; }
  DiverPath::TDiver& Diver(int Index) { return FDivers.at(Index); }
  // The diver whose line is dragged, -1 for none.
  int32_t CurrentDiverIdx() const { return FCurrentDiver; }
  const TGPoint& CurPoint() const { return FCurPoint; }
  const std::vector<TGPoint>& AvailablePoints() const { return FAvailablePoints; }
  const std::vector<TGPoint>& UsedPoints() const { return FUsedPoints; }
  float AfterCompleteTimer() const { return FAfterCompleteTimer; }
  TGAudioState* RopeSfx() const { return FRopeSfx; }
  TGSymbol* Dot() const { return FDot; }
  // The alpha the lines are drawn with: opaque, fading out within a second of completion.
  uint8_t LineAlpha() const;

  static void Publish(TGClassBuilder<TMorocco_06_puzzle>& B);

protected:
  void Destroy() override;

private:
  // The divers take the mouse; missing objects are reported once.
  void FindObjects();
  // The saved lines and state, when the saved element is whole; false (nothing changed) else.
  bool RestoreFromProfile(const TGXMLNode* Data);
  TGPoint NearestJunction(const TGPoint& P) const;
  void StepForward(const DiverPath::TEdge& R);
  void StepBack(const TGPoint& Mouse);
  void CheckTangles(const DiverPath::TEdge& R);
  // The line let go: kept at its tank (with a sound), cleared anywhere else.
  void EndDrag();
  DiverPath::TDiver* CurrentDiver();
  TGPoint MousePoint() const;
  void DrawDottedLine(const TGPoint& P1, const TGPoint& P2, TGColor Color) const;
  void DrawDiverAt(const DiverPath::TDiver& Diver, const TGPoint& P) const;
  void RedrawObjectsOnTop() const;
  void StartRopeSfx();
  void ForgetRopeSfx();
  void OnRopeSfxDestroyed(TGObject* Sender);
  int32_t StateOrdinal() const { return FState; }

  bool FForcedPuzzleCompletion = false;
  TGXMLNode* FProfileNode = nullptr; // owned
  DiverPath::TPuzzleState FState = DiverPath::psNone;
  bool FInitialized = false;
  TGSymbol* FDot = nullptr; // owned
  std::vector<DiverPath::TEdge> FEdges;
  TGPoint FCurPoint{};
  std::vector<TGPoint> FAvailablePoints;
  std::vector<TGPoint> FUsedPoints;
  std::vector<DiverPath::TDiver> FDivers;
  int32_t FCurrentDiver = -1;
  float FAfterCompleteTimer = 0;
  TGAudioState* FRopeSfx = nullptr; // the device owns it
};
