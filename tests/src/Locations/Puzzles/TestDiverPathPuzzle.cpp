// The diver-path puzzle in the demo's sunken freighter, in the play screen: the straightened
// network, steps by angle and reach, pulling back, used junctions, releases, tangles, the
// completion and its fade, saving during a drag and damaged saves, and a whole game laid by
// mouse along four lines that are checked to keep apart.
#include "GameScreenTest.h"

#include "Locations/Puzzles/UDiverPathPuzzle.h"
#include "audio/UGAudio.h"
#include "flow/UBasicFlowStates.h"
#include "flow/USpeechCueState.h"
#include "math/UGMathUtils.h"
#include "objects/UGameObjectCollection.h"
#include "platform/UAudioMixer.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace DiverPath;

namespace {

// Four lines that reach their tanks without sharing a junction or touching: found by hand on
// the straightened network, checked by WholeGame below.
const std::vector<std::vector<TGPoint>> CSolution = {
    {{112, 336},
     {136, 336},
     {216, 336},
     {296, 336},
     {376, 336},
     {432, 336},
     {504, 336},
     {608, 352},
     {608, 320},
     {592, 264},
     {592, 208},
     {672, 208}},
    {{344, 160},
     {376, 160},
     {376, 120},
     {296, 120},
     {240, 120},
     {168, 120},
     {168, 152},
     {72, 152},
     {72, 208},
     {128, 208}},
    {{488, 304},
     {432, 304},
     {432, 264},
     {376, 264},
     {376, 208},
     {504, 208},
     {504, 184},
     {504, 152},
     {504, 120},
     {504, 56},
     {376, 56},
     {240, 56}},
    {{592, 64},
     {616, 64},
     {616, 120},
     {672, 120},
     {672, 152},
     {752, 152},
     {752, 320},
     {688, 320},
     {688, 376}},
};

TGPoint Towards(const TGPoint& From, float Degrees, float Length) {
  const double A = Degrees * std::numbers::pi / 180;
  return {static_cast<int>(std::lround(From.X + Length * std::cos(A))),
          static_cast<int>(std::lround(From.Y - Length * std::sin(A)))};
}

// The location saved, loaded into a new location object (its objects kept out of the game's
// collector, which holds the scene's own) and set up as at its first visit.
TGObjectPtr<TMorocco_06_puzzle> Reloaded(const TGXMLNode* Saved) {
  TGObjectPtr<TMorocco_06_puzzle> Copy(New<TMorocco_06_puzzle>(nullptr));
  TGameObjectCollection* Collector = GameObjectCollector;
  GameObjectCollector = nullptr;
  Copy->LoadFromXML(nullptr, Saved);
  Copy->Initialize();
  GameObjectCollector = Collector;
  return Copy;
}

class DiverPathTest : public GameScreenTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    StartIn("Divers.loc", "Divers");
    if (HasFatalFailure()) {
      return;
    }
    Puzzle = dynamic_cast<TMorocco_06_puzzle*>(L);
    ASSERT_TRUE(Puzzle);
    ASSERT_TRUE(Puzzle->Initialized());
    PlayArrival();
  }

  TGameObject* DiverObj(int I) const { return Puzzle->Divers()[I].Obj; }
  // A press on the diver where the location finds it under the mouse.
  void Press(int I) {
    ReadAllLines();
    const TGRectFloat R = DiverObj(I)->BoundingRect();
    const TGFlatVector C = RectCenter(R);
    for (int D = 0; D < 16; ++D) {
      for (const TGFlatVector P : {TGFlatVector{C.X + D, C.Y}, TGFlatVector{C.X - D, C.Y}}) {
        if (L->ObjectAt(P) == DiverObj(I) && Screen->GetDispositionAt(P) == pdtLocation) {
          Host.Mouse = {static_cast<int>(P.X), static_cast<int>(P.Y)};
          Play(20);
          Screen->MouseDown(mbLeft);
          Play(20);
          return;
        }
      }
    }
    FAIL() << "diver " << I << " cannot be reached with the mouse";
  }
  // The pointer glides there in steps of at most 6 pixels, one frame each.
  void MoveTo(const TGPoint& P) {
    const TGPoint From = Host.Mouse;
    const int Steps = std::max(1, static_cast<int>(std::ceil(Distance(From, P) / 6)));
    for (int K = 1; K <= Steps; ++K) {
      Host.Mouse = {From.X + (P.X - From.X) * K / Steps, From.Y + (P.Y - From.Y) * K / Steps};
      Play(20);
    }
  }
  void Release() {
    Screen->MouseUp(mbLeft);
    Play(20);
  }
  void Drag(int I, const std::vector<TGPoint>& Junctions, bool LetGo = true) {
    Press(I);
    for (const TGPoint& P : Junctions) {
      MoveTo(P);
    }
    if (LetGo) {
      Release();
    }
  }
  size_t PathSize(int I) const { return Puzzle->Divers()[I].Path.size(); }
  template <class T>
  int Queued() const {
    int N = 0;
    for (int K = 0; K < L->MC()->GetCount(); ++K) {
      N += TryObjectCast<T>(L->MC()->GetItem(K)) ? 1 : 0;
    }
    return N;
  }

  TMorocco_06_puzzle* Puzzle = nullptr;
};

} // namespace

TEST_F(DiverPathTest, TheNetworkIsStraightenedAndTheDiversSitOnItsJunctions) {
  int Changed = 0;
  for (int I = 0; I < CEdgeCount; ++I) {
    Changed += Puzzle->Edges()[I] == CEdges[I] ? 0 : 1;
  }
  EXPECT_EQ(Changed, 31);
  EXPECT_EQ(Puzzle->Edges()[49], TEdge::Create(504, 208, 560, 208));
  EXPECT_EQ(Puzzle->Edges()[73], TEdge::Create(432, 336, 504, 336));
  EXPECT_EQ(Puzzle->Divers()[0].P1, (TGPoint{112, 336}));
  EXPECT_EQ(Puzzle->Divers()[0].P2, (TGPoint{672, 208}));
  // Too far from every junction: it stays, and its line starts at the nearest one.
  EXPECT_EQ(Puzzle->Divers()[3].P1, (TGPoint{581, 56}));
  Press(3);
  EXPECT_EQ(Puzzle->State(), psMoving);
  EXPECT_EQ(Puzzle->CurPoint(), (TGPoint{592, 64}));
  EXPECT_EQ(Puzzle->AvailablePoints(), std::vector<TGPoint>{(TGPoint{616, 64})});
}

TEST_F(DiverPathTest, ALineStepsOnlyWithinFifteenDegreesAndNearTheNextJunction) {
  const TGPoint Start{592, 64}; // the next junction (616, 64) lies 24 pixels to the right
  Press(3);
  MoveTo(Towards(Start, 16, 30));
  MoveTo(Towards(Start, 16, 60));
  EXPECT_EQ(PathSize(3), 0u);
  MoveTo(Start);
  MoveTo(Towards(Start, 14, 13));
  EXPECT_EQ(PathSize(3), 0u);
  MoveTo(Towards(Start, 14, 15));
  ASSERT_EQ(PathSize(3), 1u);
  EXPECT_EQ(Puzzle->CurPoint(), (TGPoint{616, 64}));
}

TEST_F(DiverPathTest, NoStepFromAPointerOnTheJunctionOrAlongAPassageOfNoLength) {
  EXPECT_EQ(TEdge::Create(1, 1, 1, 1).CalcAngle(TEdge::Create(0, 0, 5, 0)), 180);
  Press(2);
  // Edge 48 runs from (504, 208) to itself: standing there, it offers no step.
  Puzzle->SetCurPoint({504, 208});
  Puzzle->CalcAvailablePoints();
  const auto& Offered = Puzzle->AvailablePoints();
  EXPECT_EQ(std::count(Offered.begin(), Offered.end(), TGPoint{504, 208}), 0);
  Puzzle->Diver(2).Path.clear();
  Host.Mouse = {504, 208};
  Play(60);
  EXPECT_EQ(PathSize(2), 0u);
  EXPECT_EQ(Puzzle->CurPoint(), (TGPoint{504, 208}));
}

TEST_F(DiverPathTest, AUsedJunctionIsNeverOfferedAndPullingBackKeepsTheFirstEdge) {
  Puzzle->SetUsedPoint({616, 64});
  Press(3);
  EXPECT_TRUE(Puzzle->AvailablePoints().empty());
  MoveTo({616, 64});
  EXPECT_EQ(PathSize(3), 0u);
  Release();
  Puzzle->SetUnused({616, 64});

  Drag(3, {{592, 64}, {616, 64}, {616, 120}}, false);
  ASSERT_EQ(PathSize(3), 2u);
  MoveTo({616, 72}); // within 10 pixels of the junction before
  EXPECT_EQ(PathSize(3), 1u);
  EXPECT_EQ(Puzzle->CurPoint(), (TGPoint{616, 64}));
  EXPECT_FALSE(Puzzle->IsThisUsedPoint({616, 120}));
  MoveTo({594, 64});
  EXPECT_EQ(PathSize(3), 1u);
}

TEST_F(DiverPathTest, AReleaseKeepsOnlyALineAtItsTankAndLeavesNoMarks) {
  for (int K = 0; K < 3; ++K) {
    Press(1); // let go before the first edge
    Release();
  }
  EXPECT_TRUE(Puzzle->UsedPoints().empty());
  const std::vector<TGPoint> Short(CSolution[1].begin(), CSolution[1].end() - 1);
  Drag(1, Short);
  EXPECT_EQ(PathSize(1), 0u);
  EXPECT_TRUE(Puzzle->UsedPoints().empty());
  EXPECT_EQ(Puzzle->State(), psNone);

  Drag(1, CSolution[1]);
  EXPECT_EQ(PathSize(1), CSolution[1].size() - 1);
  EXPECT_TRUE(Puzzle->IsDiverAtHome(Puzzle->Divers()[1]));
}

TEST_F(DiverPathTest, TheRopeSoundLoopsDuringADragAndTheTankSoundsAtARelease) {
  TGObjectPtr<TGAudioDevice> Device(new TGAudioDevice(nullptr, TMixOutput::Buffer));
  Press(1);
  ASSERT_TRUE(Puzzle->RopeSfx());
  EXPECT_TRUE(Puzzle->RopeSfx()->Looped());
  EXPECT_FALSE(Puzzle->RopeSfx()->Paused());
  Release();
  EXPECT_EQ(Puzzle->RopeSfx(), nullptr);
  const int Sounds = AD->AudioStates()->GetCount();
  Drag(1, CSolution[1], false);
  ASSERT_TRUE(Puzzle->RopeSfx());
  Release();
  EXPECT_EQ(Puzzle->RopeSfx(), nullptr);
  // The rope stopped (still listed until the device collects it) and the tank's sound started.
  int Playing = 0;
  for (int I = 0; I < AD->AudioStates()->GetCount(); ++I) {
    Playing += AD->AudioStates()->GetItem(I)->IsStopped() ? 0 : 1;
  }
  EXPECT_GE(AD->AudioStates()->GetCount(), Sounds + 1);
  EXPECT_GE(Playing, 1);
  // The screen and its sounds go before the device.
  Screen.reset();
}

TEST_F(DiverPathTest, CrossingAnotherLineTanglesBothOnce) {
  Drag(1, CSolution[1]);
  ASSERT_TRUE(Puzzle->IsDiverAtHome(Puzzle->Divers()[1]));
  // The purple line is laid to (616, 120), then the pointer jumps across the green line's
  // drop at x 376.
  Drag(3, {{592, 64}, {616, 64}}, false);
  MoveTo({616, 120});
  const int Before = Queued<TSpeechCueState>();
  Host.Mouse = {350, 140};
  Play(20);
  EXPECT_EQ(Puzzle->State(), psNone);
  EXPECT_EQ(PathSize(1), 0u);
  EXPECT_EQ(PathSize(3), 0u);
  EXPECT_TRUE(Puzzle->UsedPoints().empty());
  EXPECT_EQ(Queued<TSpeechCueState>(), Before + 1);
  Release();
  EXPECT_EQ(Queued<TSpeechCueState>(), Before + 1);
}

TEST_F(DiverPathTest, TheLastLineCompletesDuringTheDragAndTheLinesFadeOut) {
  for (int I = 0; I < 3; ++I) {
    Drag(I, CSolution[I]);
    ASSERT_TRUE(Puzzle->IsDiverAtHome(Puzzle->Divers()[I])) << I;
  }
  EXPECT_FALSE(Puzzle->GetPuzzleComplete());
  Drag(3, CSolution[3], false);
  EXPECT_EQ(Puzzle->State(), psComplete);
  EXPECT_EQ(Puzzle->RopeSfx(), nullptr);
  Release();
  EXPECT_EQ(PathSize(3), CSolution[3].size() - 1);
  // Forcing it again queues nothing more.
  const int Scripts = Queued<TScriptState>();
  Puzzle->ForcePuzzleCompletion();
  EXPECT_EQ(Queued<TScriptState>(), Scripts);
  EXPECT_LT(Puzzle->LineAlpha(), 255);
  Play(1000);
  EXPECT_EQ(Puzzle->LineAlpha(), 0);
  EXPECT_TRUE(L->GetAttr("DiversSolved").ToBoolean());
  // No new drag after completion.
  Press(0);
  EXPECT_EQ(Puzzle->State(), psComplete);
}

// Drawn with the device's small target moved over the purple line's run down the bow, from
// (752, 152) to (752, 320): a dot every three pixels, one of them at y 239.
TEST_F(DiverPathTest, ALaidLineIsDrawnInDotsOfItsColour) {
  Drag(3, CSolution[3]);
  auto DrawAround = [&](int X, int Y) {
    const TGMatrix Saved = GD->GetMatrixByType(mWorld);
    GD->SetMatrixByType(
        mWorld, MatTranslation(static_cast<float>(32 - X), static_cast<float>(24 - Y), 0) * Saved);
    L->Draw();
    GD->SetMatrixByType(mWorld, Saved);
  };
  auto Purple = [](TGColor C) { return C.R > 200 && C.G < 60 && C.B > 200; };
  DrawAround(752, 239);
  EXPECT_TRUE(Purple(PixelAt(32, 24)));
  EXPECT_FALSE(Purple(PixelAt(20, 24))); // the gangway beside the line
  Puzzle->ForcePuzzleCompletion();
  Play(1000);
  DrawAround(752, 239);
  EXPECT_FALSE(Purple(PixelAt(32, 24))); // faded out
}

TEST_F(DiverPathTest, SavingEndsADragAndKeepsOnlyFinishedLines) {
  Drag(1, CSolution[1]);
  Drag(0, {CSolution[0].begin(), CSolution[0].begin() + 4}, false);
  ASSERT_EQ(Puzzle->State(), psMoving);
  TGObjectPtr<TGXMLNode> XML(Puzzle->SaveToXML());
  EXPECT_EQ(Puzzle->State(), psNone);
  EXPECT_EQ(Puzzle->RopeSfx(), nullptr);
  TGXMLNode* Data = XML->GetChilds("ProfileData")->GetItem(0);
  EXPECT_EQ(Data->GetIntAttr("State"), psNone);
  TGXMLCollection* Divers = Data->GetChilds("Diver");
  ASSERT_EQ(Divers->GetCount(), 4);
  EXPECT_EQ(Divers->GetItem(0)->GetChildsCount(), 0);
  EXPECT_EQ(Divers->GetItem(1)->GetChilds("Path")->GetCount(),
            static_cast<int>(CSolution[1].size()) - 1);

  // A new visit restores the finished line and its junctions.
  TGObjectPtr<TMorocco_06_puzzle> Again = Reloaded(XML.get());
  EXPECT_EQ(Again->Divers()[1].Path, Puzzle->Divers()[1].Path);
  EXPECT_TRUE(Again->Divers()[0].Path.empty());
  EXPECT_TRUE(Again->IsThisUsedPoint({168, 120}));
  EXPECT_FALSE(Again->IsThisUsedPoint({136, 336}));
}

TEST_F(DiverPathTest, DamagedSavesStartAfresh) {
  Drag(1, CSolution[1]);
  TGObjectPtr<TGXMLNode> XML(Puzzle->SaveToXML());
  TGXMLNode* Data = XML->GetChilds("ProfileData")->GetItem(0);
  // A last edge of the green line without its end's Y.
  TGXMLNode* Path = Data->GetChilds("Diver")->GetItem(1)->AddChild("Path");
  Path->SetIntAttr("P1_X", 128);
  Path->SetIntAttr("P1_Y", 208);
  Path->SetIntAttr("P2_X", 72);
  TGObjectPtr<TMorocco_06_puzzle> NoAttr;
  EXPECT_NO_THROW(NoAttr = Reloaded(XML.get()));
  EXPECT_TRUE(NoAttr->Divers()[1].Path.empty());
  EXPECT_TRUE(NoAttr->UsedPoints().empty());

  TGObjectPtr<TGXMLNode> Short(Puzzle->SaveToXML());
  TGXMLNode* Few = Short->GetChilds("ProfileData")->GetItem(0);
  Few->SetIntAttr("State", psComplete);
  TGXMLCollection* Divers = Few->GetChilds("Diver");
  Divers->Remove(Divers->GetItem(3));
  ASSERT_EQ(Few->GetChilds("Diver")->GetCount(), 3);
  TGObjectPtr<TMorocco_06_puzzle> TooFew;
  EXPECT_NO_THROW(TooFew = Reloaded(Short.get()));
  EXPECT_EQ(TooFew->State(), psNone);
  // Nor does a puzzle not yet set up count as solved; one forced before its set-up is solved
  // after it.
  TGObjectPtr<TMorocco_06_puzzle> Fresh(New<TMorocco_06_puzzle>(nullptr));
  EXPECT_FALSE(Fresh->GetPuzzleComplete());
  Fresh->ForcePuzzleCompletion();
  TGameObjectCollection* Collector = GameObjectCollector;
  GameObjectCollector = nullptr; // the scene's divers stay the scene's
  Fresh->Initialize();
  GameObjectCollector = Collector;
  EXPECT_EQ(Fresh->State(), psComplete);
}

TEST_F(DiverPathTest, WholeGameByMouseAlongFourLinesThatKeepApart) {
  // The lines run along passages, from each diver's start junction to its tank, and keep apart.
  auto IsPassage = [&](const TGPoint& A, const TGPoint& B) {
    return std::any_of(Puzzle->Edges().begin(), Puzzle->Edges().end(), [&](const TEdge& E) {
      return (E.P1 == A && E.P2 == B) || (E.P1 == B && E.P2 == A);
    });
  };
  auto Flat = [](const TGPoint& P) {
    return TGFlatVector{static_cast<float>(P.X), static_cast<float>(P.Y)};
  };
  for (int I = 0; I < CDiverCount; ++I) {
    const std::vector<TGPoint>& Line = CSolution[I];
    EXPECT_EQ(Line.back(), Puzzle->Divers()[I].P2) << I;
    for (size_t K = 1; K < Line.size(); ++K) {
      EXPECT_TRUE(IsPassage(Line[K - 1], Line[K])) << I << " " << K;
    }
    for (int J = I + 1; J < CDiverCount; ++J) {
      for (size_t K = 1; K < Line.size(); ++K) {
        for (size_t M = 1; M < CSolution[J].size(); ++M) {
          TGFlatVector At;
          EXPECT_FALSE(Intersection(Flat(Line[K - 1]), Flat(Line[K]), Flat(CSolution[J][M - 1]),
                                    Flat(CSolution[J][M]), At))
              << I << " meets " << J;
        }
      }
    }
  }
  for (int I = CDiverCount - 1; I >= 0; --I) {
    Drag(I, CSolution[I]);
  }
  EXPECT_EQ(Puzzle->State(), psComplete);
  Play(2000);
  ReadAllLines();
  EXPECT_TRUE(L->GetAttr("DiversSolved").ToBoolean());
}

TEST_F(DiverPathTest, LeavingDuringADragLetsTheLineGo) {
  TGObjectPtr<TGAudioDevice> Device(new TGAudioDevice(nullptr, TMixOutput::Buffer));
  Drag(1, {CSolution[1].begin(), CSolution[1].begin() + 4}, false);
  ASSERT_EQ(PathSize(1), 3u);
  Puzzle->Deactivate();
  EXPECT_EQ(Puzzle->State(), psNone);
  EXPECT_EQ(Puzzle->RopeSfx(), nullptr);
  EXPECT_EQ(PathSize(1), 0u);
  EXPECT_TRUE(Puzzle->UsedPoints().empty());
  Puzzle->Activate();
  Screen.reset();
}

TEST_F(DiverPathTest, ASolvedPuzzleComesBackSolvedFromTheProfile) {
  for (int I = 0; I < CDiverCount; ++I) {
    Drag(I, CSolution[I]);
  }
  ASSERT_EQ(Puzzle->State(), psComplete);
  Play(2000);
  ReadAllLines();
  Player->Save();
  const std::string File = Player->ProfileFileName();
  Screen.reset();
  Player.reset();
  Player.reset(TPlayer::CreateFromProfile(nullptr, File));
  ASSERT_EQ(CurrentPlayer, Player.get());
  // The solved freighter led back to the lamp room; the player goes down to it again.
  EXPECT_EQ(Player->BriefInfo()->LocationURL, "Lighthouse.loc");
  Player->BriefInfo()->LocationURL = "Divers.loc";
  OpenScreen("Divers");
  Puzzle = dynamic_cast<TMorocco_06_puzzle*>(L);
  ASSERT_TRUE(Puzzle);
  EXPECT_EQ(Puzzle->State(), psComplete);
  for (int I = 0; I < CDiverCount; ++I) {
    EXPECT_EQ(PathSize(I), CSolution[I].size() - 1) << I;
  }
  // The lines show again and fade within a second; nothing new is queued or said.
  EXPECT_GT(Puzzle->LineAlpha(), 200);
  EXPECT_EQ(Queued<TScriptState>(), 0);
  Play(1000);
  EXPECT_EQ(Puzzle->LineAlpha(), 0);
  EXPECT_FALSE(Screen->SpeechDialog()->Visible());
}
