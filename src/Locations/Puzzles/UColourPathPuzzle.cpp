#include "Locations/Puzzles/UColourPathPuzzle.h"

#include "Locations/Puzzles/UMirroredDifferencesLocation.h"
#include "Locations/Puzzles/UPuzzleClasses.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "drawables/UGGraphic.h"
#include "flow/UFlowChannel.h"
#include "locations/ULocationClassRegistry.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

G_IMPLEMENT_CLASS(TCongo_05_Puzzle)

namespace {

const char* const CActiveCellID = "ActiveCell_07_05";
const char* const CArrowID = "Arrow_07_05";
const char* const CTotemID = "Totem_07_05";
const char* const CWellID = "Kolodec_07_05";
const char* const CPuffID = "Puhh_07_05";
const char* const CMarblePrefix = "Game\\07_Congo\\Location_05\\Marbles\\";
const char* const CClickSfx = "Game\\07_Congo\\puzzleClick.ogg";
const char* const CAppearing = "Totem_Appearing";
const char* const CDisappearing = "Totem_Disappearing";
const char* const CSequenceScript = "Congo_05.SequenceComplete()";
const char* const CCompleteScript = "Congo_05_PuzzleComplete()";
constexpr float CMarbleTop = 100; // below the totem's top, where the first marble sits

const std::vector<int32_t> CSequences[TCongo_05_Puzzle::CSequenceCount] = {
    {2, 3, 6}, {3, 4, 6}, {2, 6, 3, 5}, {4, 5, 6, 3, 2}, {3, 3, 5, 2, 6, 2}, {4, 4, 6, 5, 4, 1}};

// The arrow's turn (degrees) for a step to a neighbour, by the step's (dx + 1, dy + 1).
constexpr float CArrowAngles[3][3] = {{-135, 180, 135}, {-90, 0, 90}, {-45, 0, 45}};

} // namespace

void RegisterSmallPuzzleClasses() {
  LocationClassRegistry().Add(TCongo_05_Puzzle::StaticClass());
  LocationClassRegistry().Add(TAlaska_06c::StaticClass());
}

void TCongo_05_Puzzle::Publish(TGClassBuilder<TCongo_05_Puzzle>& B) {
  using T = TCongo_05_Puzzle;
  B.Property("Inited", &T::Inited)
      .Property("SequenceId", &T::SequenceId)
      .Method("Init", &T::Init)
      .Method("SequenceComplete", &T::SequenceComplete)
      .Method("ForceCompletion", &T::ForceCompletion)
      .Method("IsPuzzleLocation", &T::IsPuzzleLocation);
}

std::string TCongo_05_Puzzle::CellID(int32_t Row, int32_t Column) {
  return "cell_" + IdxToStr(Row) + "_" + IdxToStr(Column) + "_07_05";
}

TGameObject* TCongo_05_Puzzle::Obj(const char* AID) const {
  TGameObject* O = Objects()->GetByIDReadOnly(AID);
  if (!O) {
    ODS("Colour path %s: the object \"%s\" is missing", ID, AID);
  }
  return O;
}

void TCongo_05_Puzzle::Init() {
  FInited = true;
  FSequence.clear();
  FCellSequence.clear();
  FCompletionQueued = false;
  FSequenceId = 0;
  GenerateSequence();
  for (int32_t Row = 1; Row <= CRows; ++Row) {
    for (int32_t Column = 1; Column <= CColumns; ++Column) {
      if (TGameObject* Cell = Obj(CellID(Row, Column).c_str())) {
        Cell->SetAllowMouse(true);
        Cell->OnMouseDown = TGameObjectMouseEvent(this, &TCongo_05_Puzzle::CellMouseDown);
      }
    }
  }
  PlayAnimation(CAppearing);
}

void TCongo_05_Puzzle::GenerateSequence() {
  ++FSequenceId;
  if (FSequenceId >= 1 && FSequenceId <= CSequenceCount) {
    FSequence = CSequences[FSequenceId - 1];
  } else {
    FSequence.clear();
  }
  if (FSequenceId == CSequenceCount + 1) {
    Eval(CCompleteScript);
  }
  // The first appearance is played by Init itself.
  if (FSequenceId >= 2 && FSequenceId <= CSequenceCount && MC()) {
    MC()->AddLocAnimation(CAppearing);
  }
}

void TCongo_05_Puzzle::SequenceComplete() {
  FCellSequence.clear();
  FCompletionQueued = false;
  GenerateSequence();
  if (TGameObject* Puff = Obj(CPuffID)) {
    Puff->SetVisible(true);
    Puff->RestartAnimation();
  }
}

void TCongo_05_Puzzle::ForceCompletion() {
  FSequenceId = CSequenceCount;
  FCellSequence.clear();
  FCompletionQueued = false;
  GenerateSequence();
}

int32_t TCongo_05_Puzzle::GetCellColor(const TGameObject* Cell) const {
  int32_t Color = 0;
  for (int32_t N = 1; N <= CSequenceCount; ++N) {
    if (Cell->GfxURL().find(IdxToStr(N) + ".png") != std::string::npos) {
      Color = N;
    }
  }
  if (Color == 0) {
    throw Error("Cell %s have no color.", Cell->ID());
  }
  return Color;
}

TGPoint TCongo_05_Puzzle::GetCellXY(const TGameObject* Cell) {
  const std::string& S = Cell->ID();
  if (S.size() < 11) {
    return {0, 0};
  }
  return {std::atoi(S.substr(9, 2).c_str()), std::atoi(S.substr(6, 2).c_str())};
}

bool TCongo_05_Puzzle::Accepts(TGameObject* Cell) const {
  const size_t N = FCellSequence.size();
  if (N >= FSequence.size() ||
      std::find(FCellSequence.begin(), FCellSequence.end(), Cell) != FCellSequence.end()) {
    return false;
  }
  if (GetCellColor(Cell) != FSequence[N]) {
    return false;
  }
  if (N == 0) {
    return true;
  }
  const TGPoint P = GetCellXY(FCellSequence.back());
  const TGPoint Q = GetCellXY(Cell);
  return std::abs(P.X - Q.X) <= 1 && std::abs(P.Y - Q.Y) <= 1;
}

void TCongo_05_Puzzle::CellMouseDown(TBaseGameObject* Sender, int Button) {
  // The right button clears the chain (MouseDown); a queued completion freezes it, or the chain
  // could be completed, and its completion queued, a second time.
  auto* Cell = TryObjectCast<TGameObject>(Sender);
  if (Button != mbLeft || !Cell || FSequence.empty() || FCompletionQueued) {
    return;
  }
  bool Accepted = false;
  try {
    Accepted = Accepts(Cell);
  } catch (const std::exception& E) {
    ODS("Colour path %s: %s", ID, E.what());
    return;
  }
  if (Accepted) {
    if (CurrentPlayer) {
      CurrentPlayer->PlaySfx(CClickSfx);
    }
    FCellSequence.push_back(Cell);
  } else if (!FCellSequence.empty() && FCellSequence.back() == Cell) {
    FCellSequence.pop_back();
  }
  if (FCellSequence.size() == FSequence.size() && MC()) {
    FCompletionQueued = true;
    MC()->AddLocAnimation(CDisappearing);
    MC()->AddScript(CSequenceScript);
  }
}

void TCongo_05_Puzzle::MouseDown(int Button) {
  inherited::MouseDown(Button);
  if (Button == mbRight && !FCompletionQueued) {
    FCellSequence.clear();
  }
}

TGGraphic* TCongo_05_Puzzle::CellSelectionGfx() const {
  TGameObject* O = Objects()->GetByIDReadOnly(CActiveCellID);
  return O ? O->Gfx() : nullptr;
}

TGGraphic* TCongo_05_Puzzle::ArrowGfx() const {
  TGameObject* O = Objects()->GetByIDReadOnly(CArrowID);
  return O ? O->Gfx() : nullptr;
}

void TCongo_05_Puzzle::Update(int32_t AInterval) {
  inherited::Update(AInterval);
  const float Seconds = static_cast<float>(AInterval) / 1000;
  if (TGGraphic* G = CellSelectionGfx()) {
    G->Update(Seconds);
  }
  if (TGGraphic* G = ArrowGfx()) {
    G->Update(Seconds);
  }
}

void TCongo_05_Puzzle::DrawChain(TGGraphic* Selection, TGGraphic* Arrow) const {
  if (Selection) {
    for (const TGameObject* Cell : FCellSequence) {
      Selection->Draw(Cell->Left() - 2, Cell->Top() - 2, 0, 0, 0, 1, 1);
    }
  }
  if (!Arrow) {
    return;
  }
  for (size_t I = 1; I < FCellSequence.size(); ++I) {
    const TGameObject* P = FCellSequence[I - 1];
    const TGPoint From = GetCellXY(P);
    const TGPoint To = GetCellXY(FCellSequence[I]);
    const int DX = std::clamp(To.X - From.X, -1, 1) + 1;
    const int DY = std::clamp(To.Y - From.Y, -1, 1) + 1;
    const float OX = P->Width() * static_cast<float>(DX) / 2;
    const float OY = P->Height() * static_cast<float>(DY) / 2;
    Arrow->Draw(P->Left() + OX, P->Top() + OY, 0.5f, 0.5f, CArrowAngles[DX][DY], 1, 1);
  }
}

void TCongo_05_Puzzle::DrawMarbles() const {
  const TGameObject* Totem = Objects()->GetByIDReadOnly(CTotemID);
  TGResourceLibrary* Library = MainResourceLibrary();
  if (!Totem || !Library) {
    return;
  }
  const float X = Totem->Left() + Totem->Width() / 2;
  for (size_t K = 0; K < FSequence.size(); ++K) {
    const std::string URL = CMarblePrefix + IdxToStr(FSequence[K]) + ".png";
    if (auto* G = TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false))) {
      const float Y = Totem->Top() + CMarbleTop + static_cast<float>(K) * G->Height();
      G->Draw(X, Y, 0.5f, 0.5f, 0, 1, 1);
    }
  }
}

void TCongo_05_Puzzle::Draw() {
  inherited::Draw();
  DrawChain(CellSelectionGfx(), ArrowGfx());
  DrawMarbles();
  // The well's rim in front of the marbles.
  if (TGameObject* Well = Objects()->GetByIDReadOnly(CWellID)) {
    if (TGGraphic* G = Well->Gfx()) {
      G->Draw(Well->Left(), Well->Top(), 0, 0, 0, 1, 1);
    }
  }
}
