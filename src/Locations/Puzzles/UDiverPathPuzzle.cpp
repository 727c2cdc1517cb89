#include "Locations/Puzzles/UDiverPathPuzzle.h"

#include "Locations/Puzzles/UPuzzleClasses.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGFormat.h"
#include "drawables/UGSymbol.h"
#include "flow/UFlowChannel.h"
#include "locations/ULocationClassRegistry.h"
#include "math/UGMathUtils.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGWindowHost.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>

G_IMPLEMENT_CLASS(TMorocco_06_puzzle)

using namespace DiverPath;

namespace DiverPath {

const TDiverDef CDivers[CDiverCount] = {
    {{110, 336}, {674, 212}, 0xFFFF0000},
    {{348, 158}, {131, 207}, 0xFF00FF00},
    {{492, 299}, {246, 50}, 0xFFFFFF00},
    {{581, 56}, {692, 383}, 0xFFFF00FF},
};

const TEdge CEdges[CEdgeCount] = {
    {{112, 336}, {136, 336}}, {{136, 336}, {136, 264}}, {{136, 264}, {72, 264}},
    {{72, 264}, {72, 208}},   {{72, 208}, {128, 208}},  {{72, 208}, {72, 152}},
    {{72, 152}, {168, 152}},  {{168, 152}, {224, 152}}, {{224, 152}, {224, 208}},
    {{224, 208}, {224, 264}}, {{224, 264}, {136, 264}}, {{136, 336}, {216, 336}},
    {{216, 336}, {216, 392}}, {{216, 392}, {296, 392}}, {{296, 392}, {296, 336}},
    {{296, 336}, {216, 336}}, {{168, 152}, {168, 120}}, {{168, 120}, {240, 120}},
    {{240, 120}, {240, 64}},  {{240, 120}, {296, 120}}, {{296, 120}, {296, 208}},
    {{296, 208}, {376, 208}}, {{376, 208}, {368, 160}}, {{368, 160}, {344, 160}},
    {{296, 120}, {376, 120}}, {{376, 120}, {368, 160}}, {{376, 120}, {376, 56}},
    {{376, 56}, {240, 64}},   {{376, 56}, {504, 56}},   {{504, 56}, {504, 24}},
    {{504, 24}, {728, 24}},   {{728, 24}, {744, 152}},  {{744, 152}, {672, 152}},
    {{672, 152}, {664, 120}}, {{664, 120}, {616, 120}}, {{616, 120}, {616, 64}},
    {{616, 64}, {592, 64}},   {{616, 120}, {504, 120}}, {{504, 120}, {504, 56}},
    {{504, 120}, {376, 120}}, {{504, 120}, {504, 152}}, {{504, 152}, {560, 152}},
    {{560, 152}, {672, 152}}, {{560, 152}, {560, 184}}, {{560, 184}, {504, 184}},
    {{504, 184}, {504, 152}}, {{376, 208}, {504, 208}}, {{504, 208}, {504, 184}},
    {{504, 208}, {504, 208}}, {{504, 208}, {560, 216}}, {{560, 216}, {560, 184}},
    {{560, 216}, {592, 216}}, {{592, 216}, {672, 216}}, {{592, 216}, {600, 264}},
    {{600, 264}, {424, 264}}, {{424, 264}, {376, 264}}, {{376, 264}, {376, 208}},
    {{296, 208}, {296, 264}}, {{296, 264}, {376, 264}}, {{296, 264}, {296, 296}},
    {{296, 296}, {376, 296}}, {{376, 296}, {376, 264}}, {{296, 296}, {296, 336}},
    {{376, 296}, {376, 336}}, {{376, 336}, {296, 336}}, {{376, 336}, {432, 344}},
    {{432, 344}, {432, 392}}, {{432, 392}, {376, 392}}, {{376, 392}, {376, 336}},
    {{376, 392}, {376, 448}}, {{376, 448}, {512, 448}}, {{512, 448}, {512, 392}},
    {{512, 392}, {432, 392}}, {{432, 344}, {504, 344}}, {{504, 344}, {512, 392}},
    {{504, 344}, {504, 304}}, {{504, 304}, {488, 304}}, {{488, 304}, {432, 304}},
    {{432, 304}, {424, 264}}, {{504, 344}, {608, 352}}, {{608, 352}, {600, 312}},
    {{600, 312}, {600, 264}}, {{608, 352}, {608, 376}}, {{608, 376}, {688, 376}},
    {{608, 376}, {608, 448}}, {{608, 448}, {512, 448}}, {{688, 376}, {680, 320}},
    {{680, 320}, {600, 312}}, {{680, 320}, {752, 320}}, {{752, 320}, {744, 152}},
};

float Distance(const TGPoint& A, const TGPoint& B) {
  return std::hypot(static_cast<float>(A.X - B.X), static_cast<float>(A.Y - B.Y));
}

int32_t TEdge::DotProduct(const TEdge& Other) const {
  return (P2.X - P1.X) * (Other.P2.X - Other.P1.X) + (P2.Y - P1.Y) * (Other.P2.Y - Other.P1.Y);
}

float TEdge::Length() const {
  return Distance(P1, P2);
}

float TEdge::CalcAngle(const TEdge& Other) const {
  const float Lengths = Length() * Other.Length();
  if (Lengths <= 0) {
    return 180;
  }
  // Rounding may carry the cosine a hair past 1.
  const float Cos = std::clamp(static_cast<float>(DotProduct(Other)) / Lengths, -1.0f, 1.0f);
  return static_cast<float>(std::acos(Cos) * 180 / std::numbers::pi);
}

} // namespace DiverPath

namespace {

constexpr float CStepAngle = 15; // degrees off a passage that still follows it
constexpr float CNearJunction = 10;
constexpr int32_t CAlignTolerance = 10;
constexpr int32_t CDiverSnap = 7;
constexpr int32_t CDotSpacing = 3;
const char* const CDotURL = "Game\\05_Morocco\\Location_06_puzzle\\Dot.png";
const char* const CRopeSfxURL = "Game\\07_Congo\\rope.ogg";
const char* const CReleaseSfxURL = "Game\\02_Australia\\torchTurn.ogg";
const char* const CCompleteScript = "Morocco_06_puzzle_PuzzleComplete()";
const char* const CTangleSpeaker = "Zari";
const char* const CTangleSpeech = "$#SPEECH#Their air lines got tangled.$";
const char* const CTopObjects[] = {"TankRed_05_le",    "TankYellow_05_le", "TankPurple_05_le",
                                   "TankGreen_05_le",  "Diver_00_05_06_p", "Diver_01_05_06_p",
                                   "Diver_02_05_06_p", "Diver_03_05_06_p", "Dolphin_05_le"};

std::string DiverID(int I) {
  return Format("Diver_0%d_05_06_p", {I});
}

TGFlatVector Flat(const TGPoint& P) {
  return {static_cast<float>(P.X), static_cast<float>(P.Y)};
}

// The location's own object first: a second object of the same location (a copy loaded from a
// save) must not take over the scene's divers; then the game's collector.
TGameObject* FindObject(const TBaseLocation* Location, const std::string& ID) {
  TGameObject* Obj = Location->Objects()->GetByIDReadOnly(ID);
  return Obj || !GameObjectCollector ? Obj : GameObjectCollector->GetByIDReadOnly(ID);
}

// A saved integer attribute that must be there and be a number.
bool ReadInt(const TGXMLNode* Node, const char* Name, int32_t& Value) {
  if (!Node->HasAttr(Name)) {
    return false;
  }
  try {
    Value = Node->GetIntAttr(Name);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

} // namespace

void RegisterDiverPathClasses() {
  LocationClassRegistry().Add(TMorocco_06_puzzle::StaticClass());
}

void TMorocco_06_puzzle::Publish(TGClassBuilder<TMorocco_06_puzzle>& B) {
  using T = TMorocco_06_puzzle;
  B.Property("State", &T::StateOrdinal)
      .Property("PuzzleComplete", &T::GetPuzzleComplete)
      .Method("ForcePuzzleCompletion", &T::ForcePuzzleCompletion)
      .Method("GetPuzzleComplete", &T::GetPuzzleComplete)
      .Method("MoveSomebodyToFinish", &T::MoveSomebodyToFinish)
      .Method("IsPuzzleLocation", &T::IsPuzzleLocation);
}

void TMorocco_06_puzzle::AfterConstruction() {
  inherited::AfterConstruction();
  FForcedPuzzleCompletion = false;
  FInitialized = false;
  FRopeSfx = nullptr;
}

void TMorocco_06_puzzle::Destroy() {
  ForgetRopeSfx();
  if (TGXMLNode* Node = FProfileNode) {
    FProfileNode = nullptr;
    Node->Free();
  }
  inherited::Destroy();
}

void TMorocco_06_puzzle::Activate() {
  inherited::Activate();
  if (!FInitialized) {
    Initialize();
    FInitialized = true;
  }
}

// A drag cannot outlive the visit: the rope would go on sounding, and on the way back the line
// would follow a pointer with no button held. Leaving counts as letting go.
void TMorocco_06_puzzle::Deactivate() {
  if (FState == psMoving) {
    EndDrag();
  }
  inherited::Deactivate();
}

// --- Initialisation ----------------------------------------------------------------------------

void TMorocco_06_puzzle::Initialize() {
  SetState(psNone);
  FEdges.assign(std::begin(CEdges), std::end(CEdges));
  AlignEdges();
  FDivers.assign(CDiverCount, {});
  for (int I = 0; I < CDiverCount; ++I) {
    FDivers[I].P1 = CDivers[I].P1;
    FDivers[I].P2 = CDivers[I].P2;
    FDivers[I].Color = CDivers[I].Color;
  }
  FindObjects();
  AlignDivers();
  FUsedPoints.clear();
  FAvailablePoints.clear();
  FCurrentDiver = -1;
  FAfterCompleteTimer = 0;
  if (!FDot) {
    FDot = New<TGSymbol>(this);
    FDot->SetInheritParticles(false);
    TGResourceLibrary* Library = MainResourceLibrary();
    auto* G = Library ? TryObjectCast<TGGraphic>(Library->GetResourceEx(CDotURL, false)) : nullptr;
    if (G) {
      FDot->SetGraphic(G);
    } else {
      ODS("Diver-path puzzle %s: the dot picture \"%s\" is missing; no lines are drawn", ID,
          CDotURL);
    }
  }
  if (FProfileNode && !RestoreFromProfile(FProfileNode)) {
    ODS("Diver-path puzzle %s: the saved lines are damaged; the puzzle starts afresh", ID);
  }
  if (FForcedPuzzleCompletion) {
    CheckCompletion();
  }
}

void TMorocco_06_puzzle::FindObjects() {
  for (const char* ObjID : CTopObjects) {
    if (!FindObject(this, ObjID)) {
      ODS("Diver-path puzzle %s: the object \"%s\" is missing", ID, ObjID);
    }
  }
  for (int I = 0; I < CDiverCount; ++I) {
    TGameObject* Obj = FindObject(this, DiverID(I));
    FDivers[I].Obj = Obj;
    if (!Obj) {
      continue;
    }
    Obj->OnMouseDown = TGameObjectMouseEvent(this, &TMorocco_06_puzzle::OnDiverDown);
  }
}

bool TMorocco_06_puzzle::RestoreFromProfile(const TGXMLNode* Data) {
  int32_t State = 0;
  TGXMLCollection* DiverNodes = Data->GetChilds("Diver");
  if (!ReadInt(Data, "State", State) || State < psNone || State > psComplete) {
    ODS("Diver-path puzzle %s: the saved \"State\" is missing or out of range", ID);
    return false;
  }
  if (DiverNodes->GetCount() < CDiverCount) {
    ODS("Diver-path puzzle %s: %d saved \"Diver\" elements, %d expected", ID,
        DiverNodes->GetCount(), CDiverCount);
    return false;
  }
  std::vector<std::vector<TEdge>> Paths(CDiverCount);
  for (int I = 0; I < CDiverCount; ++I) {
    TGXMLCollection* PathNodes = DiverNodes->GetItem(I)->GetChilds("Path");
    for (int K = 0; K < PathNodes->GetCount(); ++K) {
      const TGXMLNode* Node = PathNodes->GetItem(K);
      TEdge E;
      if (!ReadInt(Node, "P1_X", E.P1.X) || !ReadInt(Node, "P1_Y", E.P1.Y) ||
          !ReadInt(Node, "P2_X", E.P2.X) || !ReadInt(Node, "P2_Y", E.P2.Y)) {
        ODS("Diver-path puzzle %s: edge %d of diver %d's saved line lacks a whole point", ID, K, I);
        return false;
      }
      Paths[I].push_back(E);
    }
  }
  // A drag is never saved; one found here is taken as ended.
  SetState(State == psComplete ? psComplete : psNone);
  FUsedPoints.clear();
  for (int I = 0; I < CDiverCount; ++I) {
    FDivers[I].Path = std::move(Paths[I]);
    for (const TEdge& E : FDivers[I].Path) {
      FUsedPoints.push_back(E.P1);
      FUsedPoints.push_back(E.P2);
    }
  }
  return true;
}

// Nearly axis-parallel passages become straight; a moved junction moves in every passage that
// meets there, so the network stays joined.
void TMorocco_06_puzzle::AlignEdges() {
  for (TEdge& Edge : FEdges) {
    TGPoint A = Edge.P2;
    if (std::abs(Edge.P1.X - Edge.P2.X) < CAlignTolerance) {
      A.X = Edge.P1.X;
    }
    if (std::abs(Edge.P1.Y - Edge.P2.Y) < CAlignTolerance) {
      A.Y = Edge.P1.Y;
    }
    if (A == Edge.P2) {
      continue;
    }
    const TGPoint Old = Edge.P2;
    for (TEdge& Other : FEdges) {
      if (Other.P1 == Old) {
        Other.P1 = A;
      }
      if (Other.P2 == Old) {
        Other.P2 = A;
      }
    }
  }
}

// A diver's start and tank close to a junction sit exactly on it.
void TMorocco_06_puzzle::AlignDivers() {
  auto Snap = [](TGPoint& P, const TGPoint& Junction) {
    if (std::abs(P.X - Junction.X) <= CDiverSnap && std::abs(P.Y - Junction.Y) <= CDiverSnap) {
      P = Junction;
    }
  };
  for (TDiver& Diver : FDivers) {
    for (const TEdge& Edge : FEdges) {
      Snap(Diver.P1, Edge.P1);
      Snap(Diver.P1, Edge.P2);
      Snap(Diver.P2, Edge.P1);
      Snap(Diver.P2, Edge.P2);
    }
  }
}

// --- Junctions ---------------------------------------------------------------------------------

int32_t TMorocco_06_puzzle::SetUsedPoint(const TGPoint& P) {
  FUsedPoints.push_back(P);
  return static_cast<int32_t>(FUsedPoints.size()) - 1;
}

void TMorocco_06_puzzle::SetUnused(const TGPoint& P) {
  auto It = std::find(FUsedPoints.begin(), FUsedPoints.end(), P);
  if (It != FUsedPoints.end()) {
    FUsedPoints.erase(It);
  }
}

bool TMorocco_06_puzzle::IsThisUsedPoint(const TGPoint& P) const {
  return std::find(FUsedPoints.begin(), FUsedPoints.end(), P) != FUsedPoints.end();
}

void TMorocco_06_puzzle::SetCurPoint(const TGPoint& P) {
  FCurPoint = P;
  SetUsedPoint(P);
}

void TMorocco_06_puzzle::ClearDiverPath(TDiver& Diver) {
  // A line dragged without an edge yet holds only its start junction, marked by the drag.
  if (Diver.Path.empty() && FState == psMoving && CurrentDiver() == &Diver) {
    SetUnused(FCurPoint);
  }
  for (const TEdge& Edge : Diver.Path) {
    SetUnused(Edge.P1);
    SetUnused(Edge.P2);
  }
  Diver.Path.clear();
}

void TMorocco_06_puzzle::CalcAvailablePoints() {
  FAvailablePoints.clear();
  for (const TEdge& Edge : FEdges) {
    TGPoint Offered;
    if (Distance(Edge.P1, FCurPoint) < CNearJunction) {
      Offered = Edge.P2;
    } else if (Distance(Edge.P2, FCurPoint) < CNearJunction) {
      Offered = Edge.P1;
    } else {
      continue;
    }
    if (!IsThisUsedPoint(Offered)) {
      FAvailablePoints.push_back(Offered);
    }
  }
}

TGPoint TMorocco_06_puzzle::NearestJunction(const TGPoint& P) const {
  float Best = 100000;
  TGPoint Nearest = P;
  for (const TEdge& Edge : FEdges) {
    for (const TGPoint& Q : {Edge.P1, Edge.P2}) {
      const float D = Distance(P, Q);
      if (D < Best) {
        Best = D;
        Nearest = Q;
      }
    }
  }
  return Nearest;
}

// --- Dragging ----------------------------------------------------------------------------------

TDiver* TMorocco_06_puzzle::CurrentDiver() {
  return FCurrentDiver >= 0 && FCurrentDiver < static_cast<int32_t>(FDivers.size())
             ? &FDivers[FCurrentDiver]
             : nullptr;
}

TGPoint TMorocco_06_puzzle::MousePoint() const {
  return WindowHost ? WindowHost->MousePos() : TGPoint{};
}

void TMorocco_06_puzzle::OnDiverDown(TBaseGameObject* Sender, int Button) {
  (void)Button;
  if (FState != psNone) {
    return;
  }
  // The diver is known by its object (the object's serial number stays its own).
  auto It = std::find_if(FDivers.begin(), FDivers.end(),
                         [&](const TDiver& D) { return D.Obj && D.Obj == Sender; });
  if (It == FDivers.end()) {
    ODS("Diver-path puzzle %s: a press on an object that is not a diver", ID);
    return;
  }
  FCurrentDiver = static_cast<int32_t>(It - FDivers.begin());
  ClearDiverPath(*It);
  SetCurPoint(NearestJunction(It->P1));
  CalcAvailablePoints();
  SetState(psMoving);
}

void TMorocco_06_puzzle::StepForward(const TEdge& R) {
  TDiver* Diver = CurrentDiver();
  const float Reach = R.Length();
  for (const TGPoint& Q : FAvailablePoints) {
    const TEdge Step = TEdge::Create(FCurPoint, Q);
    // A pointer on the junction itself, or a passage of no length, shows no way to go.
    if (Reach <= 0 || Step.Length() <= 0) {
      continue;
    }
    if (R.CalcAngle(Step) < CStepAngle && Reach >= Step.Length() - CNearJunction) {
      Diver->Path.push_back(Step);
      SetCurPoint(Q);
      CalcAvailablePoints();
      return;
    }
  }
}

void TMorocco_06_puzzle::StepBack(const TGPoint& Mouse) {
  std::vector<TEdge>& Path = CurrentDiver()->Path;
  if (Path.size() <= 1 || Distance(Mouse, Path.back().P1) >= CNearJunction) {
    return;
  }
  FCurPoint = Path[Path.size() - 2].P2;
  SetUnused(Path.back().P2);
  Path.pop_back();
  CalcAvailablePoints();
}

void TMorocco_06_puzzle::CheckTangles(const TEdge& R) {
  TDiver* Current = CurrentDiver();
  for (TDiver& Other : FDivers) {
    if (&Other == Current) {
      continue;
    }
    for (const TEdge& E : Other.Path) {
      if (FState != psMoving) {
        return;
      }
      TGFlatVector At;
      if (!Intersection(Flat(R.P1), Flat(R.P2), Flat(E.P1), Flat(E.P2), At)) {
        continue;
      }
      if (MC()) {
        MC()->AddSpeechCue(CTangleSpeaker, CTangleSpeech);
      }
      ClearDiverPath(*Current);
      ClearDiverPath(Other);
      SetState(psNone);
      return;
    }
  }
}

void TMorocco_06_puzzle::ProcessPath() {
  if (!CurrentDiver()) {
    SetState(psNone);
    return;
  }
  const TGPoint Mouse = MousePoint();
  const TEdge R = TEdge::Create(FCurPoint, Mouse);
  StepForward(R);
  StepBack(Mouse);
  CheckTangles(R);
}

void TMorocco_06_puzzle::MouseUp(int Button) {
  inherited::MouseUp(Button);
  if (FState == psMoving) {
    EndDrag();
  }
}

void TMorocco_06_puzzle::EndDrag() {
  if (TDiver* Diver = CurrentDiver(); Diver && IsDiverAtHome(*Diver)) {
    if (CurrentPlayer) {
      CurrentPlayer->PlaySfx(CReleaseSfxURL);
    }
  } else if (Diver) {
    ClearDiverPath(*Diver);
  }
  SetState(psNone);
}

// --- Completion --------------------------------------------------------------------------------

bool TMorocco_06_puzzle::IsDiverAtHome(const TDiver& Diver) const {
  return !Diver.Path.empty() &&
         (Diver.Path.back().P1 == Diver.P2 || Diver.Path.back().P2 == Diver.P2);
}

bool TMorocco_06_puzzle::GetPuzzleComplete() const {
  if (FForcedPuzzleCompletion) {
    return true;
  }
  // Before its set-up the puzzle has no divers, and none of them is home.
  if (FDivers.empty()) {
    return false;
  }
  return std::all_of(FDivers.begin(), FDivers.end(),
                     [&](const TDiver& D) { return IsDiverAtHome(D); });
}

void TMorocco_06_puzzle::CheckCompletion() {
  // Complete once: its script is not queued again.
  if (FState == psComplete || !GetPuzzleComplete()) {
    return;
  }
  FAfterCompleteTimer = 0;
  SetState(psComplete);
  if (MC()) {
    MC()->AddScript(CCompleteScript);
  }
}

// Forced before the set-up, the completion waits for it: the set-up starts idle and would undo
// a completion made earlier.
void TMorocco_06_puzzle::ForcePuzzleCompletion() {
  FForcedPuzzleCompletion = true;
  if (!FDivers.empty()) {
    CheckCompletion();
  }
}

// --- Frames ------------------------------------------------------------------------------------

void TMorocco_06_puzzle::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  if (FState == psMoving) {
    ProcessPath();
    CheckCompletion();
  } else if (FState == psComplete) {
    FAfterCompleteTimer += static_cast<float>(AInterval) / 1000;
  }
}

uint8_t TMorocco_06_puzzle::LineAlpha() const {
  if (FState != psComplete) {
    return 255;
  }
  return static_cast<uint8_t>(255 - std::nearbyint(std::min(FAfterCompleteTimer, 1.0f) * 255));
}

void TMorocco_06_puzzle::DrawDottedLine(const TGPoint& P1, const TGPoint& P2, TGColor Color) const {
  Color.A = LineAlpha();
  const int32_t N = static_cast<int32_t>(std::nearbyint(Distance(P1, P2)));
  const float DX = static_cast<float>(P2.X - P1.X);
  const float DY = static_cast<float>(P2.Y - P1.Y);
  for (int32_t K = 0; K < N; K += CDotSpacing) {
    const float T = static_cast<float>(K) / static_cast<float>(N);
    FDot->Draw(Color, bParent, std::nearbyint(static_cast<float>(P1.X) + T * DX),
               std::nearbyint(static_cast<float>(P1.Y) + T * DY), 0.5f, 0.5f, 0, 1, 1, tfParent);
  }
  FDot->Draw(Color, bParent, static_cast<float>(P1.X), static_cast<float>(P1.Y), 0.5f, 0.5f, 0,
             1.5f, 1.5f, tfParent);
}

void TMorocco_06_puzzle::DrawDiverAt(const TDiver& Diver, const TGPoint& P) const {
  if (TGGraphic* G = Diver.Obj ? Diver.Obj->Gfx() : nullptr) {
    G->Draw(static_cast<float>(P.X), static_cast<float>(P.Y), 0.5f, 0.5f, 0, 1, 1);
  }
}

// The tanks, divers and dolphin stay in front of the lines that run to them.
void TMorocco_06_puzzle::RedrawObjectsOnTop() const {
  for (const char* ObjID : CTopObjects) {
    if (TGameObject* Obj = FindObject(this, ObjID)) {
      Obj->Drawn = false;
      Obj->Draw();
    }
  }
}

void TMorocco_06_puzzle::Draw() {
  inherited::Draw();
  if (!FInitialized) {
    return;
  }
  const bool Dots = FDot && FDot->Graphic();
  for (const TDiver& Diver : FDivers) {
    for (const TEdge& Edge : Diver.Path) {
      if (Dots) {
        DrawDottedLine(Edge.P1, Edge.P2, Diver.Color);
      }
    }
    DrawDiverAt(Diver, Diver.Path.empty() ? Diver.P1 : Diver.Path.back().P2);
  }
  if (FState == psMoving) {
    if (const TDiver* Diver = CurrentDiver()) {
      const TGPoint Mouse = MousePoint();
      if (Dots) {
        DrawDottedLine(FCurPoint, Mouse, Diver->Color);
      }
      DrawDiverAt(*Diver, Mouse);
    }
  }
  if (FState != psComplete) {
    RedrawObjectsOnTop();
  }
}

// --- The rope sound ----------------------------------------------------------------------------

void TMorocco_06_puzzle::SetState(TPuzzleState Value) {
  FState = Value;
  if (Value == psMoving) {
    StartRopeSfx();
  } else {
    ForgetRopeSfx();
  }
}

void TMorocco_06_puzzle::StartRopeSfx() {
  ForgetRopeSfx();
  if (!AD) {
    return;
  }
  TGAudioState* Sfx = AD->PlaySfx(CRopeSfxURL, true);
  if (!Sfx) {
    return;
  }
  FRopeSfx = Sfx;
  Subscribe(TGNotification(Sfx, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TMorocco_06_puzzle::OnRopeSfxDestroyed));
  Sfx->SetVolume(AD->SoundVolume());
  Sfx->SetLooped(true);
  Sfx->SetPaused(false);
}

void TMorocco_06_puzzle::ForgetRopeSfx() {
  if (TGAudioState* Sfx = FRopeSfx) {
    UnSubscribe(Sfx);
    FRopeSfx = nullptr;
    Sfx->Stop();
  }
}

void TMorocco_06_puzzle::OnRopeSfxDestroyed(TGObject* Sender) {
  if (Sender == FRopeSfx) {
    FRopeSfx = nullptr;
  }
}

// --- Saving ------------------------------------------------------------------------------------

void TMorocco_06_puzzle::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  if (TGXMLNode* Old = FProfileNode) {
    FProfileNode = nullptr;
    Old->Free();
  }
  TGXMLCollection* Data = Node->GetChilds("ProfileData");
  if (Data->GetCount() == 1) {
    FProfileNode = static_cast<TGXMLNode*>(Data->GetItem(0)->Clone(nullptr));
  }
}

TGXMLNode* TMorocco_06_puzzle::SaveToXML() const {
  TGXMLNode* XML = inherited::SaveToXML();
  if (FInitialized) {
    // Saving ends a drag in progress, which changes the puzzle: the save is the one caller that
    // reaches it through a const path.
    const_cast<TMorocco_06_puzzle*>(this)->SavePuzzleToXML(XML->AddChild("ProfileData"));
  }
  return XML;
}

void TMorocco_06_puzzle::SavePuzzleToXML(TGXMLNode* Node) {
  if (FState == psMoving) {
    SetState(psNone);
  }
  Node->SetIntAttr("State", FState);
  for (const TDiver& Diver : FDivers) {
    TGXMLNode* Child = Node->AddChild("Diver");
    if (!IsDiverAtHome(Diver)) {
      continue;
    }
    for (const TEdge& Edge : Diver.Path) {
      TGXMLNode* Path = Child->AddChild("Path");
      Path->SetIntAttr("P1_X", Edge.P1.X);
      Path->SetIntAttr("P1_Y", Edge.P1.Y);
      Path->SetIntAttr("P2_X", Edge.P2.X);
      Path->SetIntAttr("P2_Y", Edge.P2.Y);
    }
  }
}
