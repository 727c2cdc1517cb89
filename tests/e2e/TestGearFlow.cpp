// A scripted play of the demo's gear works, solved with the mouse alone. The fillings start
// wherever the program's generator puts them, so the play takes two runs: a first one opens
// the works and leaves at once, and the sockets it saved are read back; a small planner then
// works out clicks on gears and drags of rings that bring all sixteen fillings into the hub's
// four gears, and a second run plays the same opening followed by those moves. The same
// opening draws the same numbers, so the second run starts from the layout the first one saved.
// The profile it leaves holds the works solved by their own script, and a replay of the
// recording saves the same bytes.
#include "GameDataReader.h"
#include "PlayScript.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* CGears = "Gears.loc";
constexpr double Pi = std::numbers::pi;

constexpr int CRingCount = 4;
constexpr int CSlotCount = 4;
constexpr int CMaxGears = 12;
constexpr int CFillingCount = 16;
// Ring angles move on a grid of 15 degrees, 24 places round: every place of ring 2 or 3 lines
// a gear up with one of its neighbour's, so a drag there snaps exactly into line.
constexpr int CGridPlaces = 24;
constexpr double CGridDeg = 15;
constexpr double CStartRingDeg = 45;

// The works' timing, in frames of 90 a second: a quarter turn takes 0.25 s, a filling's leaving
// animation 0.3 s. A gear that turns or still shows a filling leaving passes nothing.
constexpr int CTurnFrames = 26;
constexpr int CWaveFrames = 32;

int Mod(int V, int M) {
  return ((V % M) + M) % M;
}

int GearsOf(int Ring) {
  return std::array{0, 4, 8, 12}[static_cast<size_t>(Ring)];
}

std::string TwoDigits(int V) {
  return (V < 10 ? "0" : "") + std::to_string(V);
}

std::string FillingID(int Ring, int Gear, int Slot) {
  return "FillingAppear" + TwoDigits(Ring) + TwoDigits(Gear) + TwoDigits(Slot) + "_03_le";
}

// Where the works put a point of ring Ring at Deg degrees: round (400, 250), 53 pixels a ring.
TScreenPoint OnRing(int Ring, double Deg) {
  return {static_cast<int>(std::lround(400 + 53.0 * Ring * std::cos(Deg * Pi / 180))),
          static_cast<int>(std::lround(250 + 53.0 * Ring * std::sin(Deg * Pi / 180)))};
}

// The works as the player sees them once everything stands still: ring angles on the grid,
// the quarter turns of every gear, the filled sockets.
struct TWorks {
  std::array<int, CRingCount> Offset{}; // ring angle = 45 + 15 * Offset degrees
  std::array<std::array<int, CMaxGears>, CRingCount> Turns{};
  std::array<std::array<std::array<bool, CSlotCount>, CMaxGears>, CRingCount> Filled{};

  int Place(int Ring, int Gear) const {
    return Mod(Offset[Ring] + Gear * CGridPlaces / GearsOf(Ring), CGridPlaces);
  }
  // The socket facing outwards receives, the one facing inwards gives.
  int Top(int Ring, int Gear) const { return Mod(3 - Turns[Ring][Gear], CSlotCount); }
  int Bottom(int Ring, int Gear) const { return Mod(1 - Turns[Ring][Gear], CSlotCount); }
  double RingDeg(int Ring) const { return CStartRingDeg + CGridDeg * Offset[Ring]; }
  double GearDeg(int Ring, int Gear) const { return RingDeg(Ring) + Gear * 360.0 / GearsOf(Ring); }

  int InRing(int Ring) const {
    int N = 0;
    for (int G = 0; G < GearsOf(Ring); ++G) {
      for (bool F : Filled[Ring][G]) {
        N += F ? 1 : 0;
      }
    }
    return N;
  }
  // How many steps inwards the fillings still have to go.
  int Distance() const { return InRing(2) + 2 * InRing(3); }
  bool Solved() const { return InRing(1) == CFillingCount; }

  // Passes fillings inwards between gears in line until nothing moves; returns the waves it
  // took: a middle gear that gives to the hub takes in from outside only once its filling has
  // gone, the inner ring being served first.
  int Settle() {
    int Waves = 0;
    for (bool Moved = true; Moved; Waves += Moved ? 1 : 0) {
      Moved = false;
      std::array<bool, CMaxGears> MiddleGave{};
      for (int Outer = 2; Outer <= 3; ++Outer) {
        for (int K = 0; K < GearsOf(Outer); ++K) {
          for (int L = 0; L < GearsOf(Outer - 1); ++L) {
            if (Place(Outer, K) != Place(Outer - 1, L) || (Outer == 3 && MiddleGave[L])) {
              continue;
            }
            bool& From = Filled[Outer][K][Bottom(Outer, K)];
            bool& To = Filled[Outer - 1][L][Top(Outer - 1, L)];
            if (From && !To) {
              From = false;
              To = true;
              Moved = true;
              if (Outer == 2) {
                MiddleGave[K] = true;
              }
            }
          }
        }
      }
    }
    return Waves;
  }
};

// One move of the player: a click on a gear, or a drag of a ring by grid places.
struct TMove {
  int Ring = 0;
  int Gear = -1; // -1: a drag
  int Places = 0;
};

// Plays a move on the works; returns the frames the script spends on it, the settling included.
int Apply(TWorks& W, const TMove& M) {
  int Frames = 0;
  if (M.Gear >= 0) {
    W.Turns[M.Ring][M.Gear] = Mod(W.Turns[M.Ring][M.Gear] + 1, CSlotCount);
    Frames = 3 + CTurnFrames;
  } else {
    W.Offset[M.Ring] = Mod(W.Offset[M.Ring] + M.Places, CGridPlaces);
    // Press, two frames a grid place, release, and the release seen before anything passes.
    Frames = 4 + std::abs(M.Places) * 2 + 6;
  }
  return Frames + W.Settle() * CWaveFrames;
}

// The moves that bring the filling in socket Slot of gear A (ring Outer) into the empty socket
// Into of gear B of the ring inside: one of the two rings dragged until A and B stand in line,
// then both gears turned until the sockets face each other (either gear first).
std::vector<std::vector<TMove>> PlansFor(const TWorks& W, int Outer, int A, int Slot, int B,
                                         int Into) {
  std::vector<std::vector<TMove>> Drags;
  const int Delta = Mod(W.Place(Outer - 1, B) - W.Place(Outer, A) + 11, CGridPlaces) - 11;
  if (Delta == 0) {
    Drags.push_back({});
  } else {
    Drags.push_back({TMove{Outer, -1, Delta}});
    Drags.push_back({TMove{Outer - 1, -1, -Delta}});
  }
  const int TurnsA = Mod(1 - Slot - W.Turns[Outer][A], CSlotCount);
  const int TurnsB = Mod(3 - Into - W.Turns[Outer - 1][B], CSlotCount);
  std::vector<TMove> ClicksA(static_cast<size_t>(TurnsA), TMove{Outer, A, 0});
  std::vector<TMove> ClicksB(static_cast<size_t>(TurnsB), TMove{Outer - 1, B, 0});
  std::vector<std::vector<TMove>> Plans;
  for (const auto& Drag : Drags) {
    for (bool AFirst : {true, false}) {
      std::vector<TMove> P = Drag;
      for (const auto* Clicks :
           AFirst ? std::array{&ClicksA, &ClicksB} : std::array{&ClicksB, &ClicksA}) {
        P.insert(P.end(), Clicks->begin(), Clicks->end());
      }
      Plans.push_back(P);
    }
  }
  return Plans;
}

// Greedy: of every plan that brings one filling a ring further in, the one that moves fillings
// the most steps inwards for the frames it takes. Each plan moves at least one filling one step
// (the one it aims at, or another that got there first), so the fillings reach the hub in at
// most 32 plans.
std::vector<TMove> Solve(TWorks W) {
  std::vector<TMove> Moves;
  while (!W.Solved()) {
    double BestRate = 0;
    std::vector<TMove> Best;
    for (int Outer = 2; Outer <= 3; ++Outer) {
      for (int A = 0; A < GearsOf(Outer); ++A) {
        for (int S = 0; S < CSlotCount; ++S) {
          for (int B = 0; W.Filled[Outer][A][S] && B < GearsOf(Outer - 1); ++B) {
            for (int E = 0; E < CSlotCount; ++E) {
              if (W.Filled[Outer - 1][B][E]) {
                continue;
              }
              for (const auto& Plan : PlansFor(W, Outer, A, S, B, E)) {
                TWorks Try = W;
                int Frames = 0;
                for (const TMove& M : Plan) {
                  Frames += Apply(Try, M);
                }
                const double Rate = double(W.Distance() - Try.Distance()) / (Frames + 1);
                if (Rate > BestRate) {
                  BestRate = Rate;
                  Best = Plan;
                }
              }
            }
          }
        }
      }
    }
    if (Best.empty()) {
      break; // nothing to gain: cannot happen while a filling is outside the hub
    }
    for (const TMove& M : Best) {
      Apply(W, M);
      Moves.push_back(M);
    }
  }
  return Moves;
}

// Writes a move into the script as the mouse plays it, on the works as they stand before it.
void PlayMove(TPlayScript& Script, TWorks& W, const TMove& M) {
  const int R = M.Ring;
  const int Frames = Apply(W, M); // W now holds the works after the move
  if (M.Gear >= 0) {
    Script.Click(OnRing(R, W.GearDeg(R, M.Gear))).Frames(Frames - 3);
    return;
  }
  // Held on the band halfway between gears 0 and 1 and carried round with it, 7.5 degrees a
  // frame; the works snap the ring into line at the end (the pixels round the angle a little).
  const double End = W.GearDeg(R, 0) + 180.0 / GearsOf(R);
  const double Start = End - CGridDeg * M.Places;
  const int Steps = std::abs(M.Places) * 2;
  Script.MoveTo(OnRing(R, Start)).Command("MouseDown 0").Frames(1);
  for (int I = 1; I <= Steps; ++I) {
    Script.MoveTo(OnRing(R, Start + (End - Start) * I / Steps));
  }
  Script.Command("MouseUp 0").Frames(Frames - 3 - Steps);
}

// The chapter's opening, up to the works on the screen: both runs start alike.
TPlayScript Opening() {
  TPlayScript Script(HOE_CONTENT);
  Script.Wait(6.0);
  return Script;
}

const TGXMLNode* SavedObject(const TGXMLNode& Location, const std::string& ID) {
  for (const TGXMLNode* Obj : *Location.GetChilds("Object")) {
    if (Obj->GetStrAttrDef("ID", "") == ID) {
      return Obj;
    }
  }
  return nullptr;
}

std::string SavedProperty(const TGXMLNode& Location, const std::string& Name) {
  for (const TGXMLNode* P : *Location.GetChilds("DynProperty")) {
    if (P->GetStrAttrDef("Name", "") == Name) {
      return P->GetStrAttrDef("Value", "");
    }
  }
  return "(none)";
}

// The filled sockets as the saved works show them: a socket's filling visible.
TWorks SavedWorks(const TGXMLNode& Location, int& Missing) {
  TWorks W;
  Missing = 0;
  for (int R = 1; R < CRingCount; ++R) {
    for (int G = 0; G < GearsOf(R); ++G) {
      for (int S = 0; S < CSlotCount; ++S) {
        const TGXMLNode* Obj = SavedObject(Location, FillingID(R, G, S));
        Missing += Obj ? 0 : 1;
        W.Filled[R][G][S] = Obj && Obj->GetBoolAttrDef("Visible", false);
      }
    }
  }
  return W;
}

std::string Layout(const TWorks& W) {
  std::ostringstream Out;
  for (int R = 1; R < CRingCount; ++R) {
    Out << "ring " << R << ":";
    for (int G = 0; G < GearsOf(R); ++G) {
      Out << ' ';
      for (bool F : W.Filled[R][G]) {
        Out << (F ? '#' : '.');
      }
    }
    Out << '\n';
  }
  return Out.str();
}

struct TGearsRun {
  TPlayResult Result;
  TGObjectPtr<TGXMLNode> Gears;
  std::string Bytes;
};

TGearsRun PlayGears(TPlayground& Play, TPlayScript Script, const std::string& FileName) {
  LeaveTheGameThroughTheJournal(Script);
  QuitNamingAs(Script, "");
  TGearsRun Run;
  Run.Result = Play.Play(Script, FileName);
  if (Run.Result.ExitCode == 0) {
    const TProfileReader Profile = TGameDataReader(Run.Result.DataFolder).Profile("Profile01.plr");
    Run.Gears = Profile.XML("loc\\Gears.loc");
    Run.Bytes = Profile.Bytes();
  }
  return Run;
}

} // namespace

TEST(GearFlow, TheWorksAreSolvedByClicksAndDragsAndTheProfileRecordsIt) {
  TPlayground Play(HOE_PROGRAM);
  Play.SetFlag("StartLoc", CGears);
  Play.SetFlag("NoSplash");

  // The first run: the works opened and left as they start.
  const TGearsRun First = PlayGears(Play, Opening(), "gears-start.rec");
  ASSERT_EQ(First.Result.ExitCode, 0) << First.Result.Output;
  ASSERT_TRUE(First.Gears) << First.Result.Output;
  int Missing = 0;
  TWorks Start = SavedWorks(*First.Gears, Missing);
  ASSERT_EQ(Missing, 0);
  ASSERT_EQ(Start.InRing(1) + Start.InRing(2) + Start.InRing(3), CFillingCount) << Layout(Start);
  EXPECT_EQ(SavedProperty(*First.Gears, "GearsSolved"), "False");
  // What the works passed on their own at the start (gears in line at 45 degrees) is done.
  TWorks Settled = Start;
  ASSERT_EQ(Settled.Settle(), 0) << Layout(Start);

  const std::vector<TMove> Moves = Solve(Start);
  ASSERT_FALSE(Moves.empty()) << Layout(Start);

  // The second run: the same opening, then the planned moves.
  TPlayScript Script = Opening();
  TWorks Works = Start;
  for (const TMove& M : Moves) {
    PlayMove(Script, Works, M);
  }
  ASSERT_TRUE(Works.Solved());
  Script.Wait(1.0);
  const TGearsRun Solved = PlayGears(Play, Script, "gears.rec");
  ASSERT_FALSE(Solved.Result.TimedOut) << Solved.Result.Output;
  ASSERT_EQ(Solved.Result.ExitCode, 0) << Solved.Result.Output;
  ASSERT_TRUE(Solved.Gears) << Solved.Result.Output;

  const TWorks End = SavedWorks(*Solved.Gears, Missing);
  EXPECT_EQ(End.InRing(1), CFillingCount) << "started as\n"
                                          << Layout(Start) << "ended as\n"
                                          << Layout(End) << Moves.size() << " moves";
  EXPECT_EQ(SavedProperty(*Solved.Gears, "GearsSolved"), "True");
  // The hub's gears glow once the works are solved.
  for (int G = 0; G < GearsOf(1); ++G) {
    const TGXMLNode* Gear = SavedObject(*Solved.Gears, "Gear01" + TwoDigits(G) + "_03_le");
    ASSERT_TRUE(Gear);
    EXPECT_EQ(Gear->GetStrAttrDef("GfxURL", ""), "Game\\03_Greenland\\Location_04\\GearHot.png");
  }
  const TGameDataReader Data(Solved.Result.DataFolder, Solved.Result.ProgramFolder);
  EXPECT_EQ(Data.Profile("Profile01.plr").Brief()->LocationURL, CGears);
  EXPECT_FALSE(Data.Alerts().has_value());

  // A replay plays the same presses to the same saved bytes.
  const TPlayResult Again = Play.Replay("gears.rec");
  ASSERT_EQ(Again.ExitCode, 0) << Again.Output;
  EXPECT_TRUE(TGameDataReader(Again.DataFolder).Profile("Profile01.plr").Bytes() == Solved.Bytes)
      << "the replay saved other profile bytes";
}

// The planner on its own, over starts the program could draw: sixteen fillings anywhere in the
// outer rings, settled as the works settle them at 45 degrees. Every one is solved, in a number
// of moves a play can afford.
TEST(GearFlow, ThePlannerBringsEveryStartIntoTheHub) {
  std::mt19937 Draw(20240601);
  for (int Round = 0; Round < 200; ++Round) {
    TWorks W;
    for (int Placed = 0; Placed < CFillingCount;) {
      const int R = 1 + static_cast<int>(Draw() % 3);
      const int G = static_cast<int>(Draw() % static_cast<unsigned>(GearsOf(R)));
      bool& Slot = W.Filled[R][G][Draw() % CSlotCount];
      Placed += Slot ? 0 : 1;
      Slot = true;
    }
    W.Settle();
    const std::vector<TMove> Moves = Solve(W);
    TWorks Played = W;
    int Frames = 0;
    for (const TMove& M : Moves) {
      ASSERT_TRUE(M.Gear < 0 ? M.Places != 0 && std::abs(M.Places) <= 12
                             : M.Gear < GearsOf(M.Ring));
      Frames += Apply(Played, M);
    }
    ASSERT_TRUE(Played.Solved()) << Layout(W);
    EXPECT_LT(Frames, 40 * TPlayScript::CFramesPerSecond) << Layout(W);
  }
}
