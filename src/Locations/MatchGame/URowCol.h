// Board coordinates of the match-three game: a row (0 at the top) and a column (0 at the left) on
// the 10 by 10 board, the pixel grid of its 41-pixel cells, and the range errors of positions.
#pragma once

#include "base/UGError.h"
#include "base/UGTypes.h"

#include <cstdint>

constexpr int32_t CBoardSize = 10;
constexpr int32_t CCellSize = 41;

struct TRowCol {
  int32_t Row = 0;
  int32_t Col = 0;

  static constexpr TRowCol Make(int32_t ARow, int32_t ACol) { return TRowCol{ARow, ACol}; }
  constexpr bool InsideBoard() const {
    return Row >= 0 && Row < CBoardSize && Col >= 0 && Col < CBoardSize;
  }
  friend constexpr TRowCol operator+(TRowCol A, TRowCol B) {
    return TRowCol{A.Row + B.Row, A.Col + B.Col};
  }
  friend constexpr bool operator==(TRowCol, TRowCol) = default;
};

// The four neighbours as steps, and the step that stays on the cell.
constexpr TRowCol StepLeft{0, -1};
constexpr TRowCol StepRight{0, 1};
constexpr TRowCol StepUp{-1, 0};
constexpr TRowCol StepDown{1, 0};
constexpr TRowCol StepInPlace{0, 0};

// No cell: what a search that found nothing reports.
constexpr TRowCol CNoCell{100, 100};

// The top-left pixel of a cell inside the board widget.
constexpr TGPoint GetCellXY(TRowCol RC) {
  return TGPoint{RC.Col * CCellSize, RC.Row * CCellSize};
}

// The cell under a pixel of the board widget. Division rounds down, so that a point left of or
// above the board lies outside it instead of in the first column or row.
constexpr TRowCol GetCellIJ(TGPoint P) {
  auto FloorDiv = [](int32_t A) {
    return A >= 0 ? A / CCellSize : -((-A + CCellSize - 1) / CCellSize);
  };
  return TRowCol{FloorDiv(P.Y), FloorDiv(P.X)};
}

// A range error raised through Error, so that it names the place that raised it.
template <class... A>
ERangeError BoardRangeError(TGErrorFormat Fmt, const A&... Args) {
  EGException E = Error(Fmt, Args...);
  return ERangeError(E.Message(), E.Text());
}
