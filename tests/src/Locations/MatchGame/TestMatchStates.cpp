// The match-three game's state queue: states entered and updated in the call that reaches them,
// several finishing in one call, the pause's reordering, and the states the rules queue when
// they run headless (the shuffle, the failed level, the pause).
#include "MatchTestBoard.h"

#include "Locations/MatchGame/UMatchStates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace MatchTest;
using namespace Match3;

namespace {

// A state that writes what happens to it into a shared log.
class TLoggingState : public TState {
public:
  TLoggingState(TStateQueue* Q, std::vector<std::string>& ALog, std::string AName, int AFinishAfter)
      : TState(Q)
      , Log(ALog)
      , Name(std::move(AName))
      , FinishAfter(AFinishAfter) {}
  void OnEnter() override {
    Log.push_back(Name + " enter");
    if (FinishAfter == 0) {
      Finish();
    }
  }
  void Update(float Interval) override {
    Log.push_back(Name + " update " + std::to_string(static_cast<int>(Interval * 1000)));
    if (++Updates >= FinishAfter) {
      Finish();
    }
  }
  void OnLeave() override { Log.push_back(Name + " leave"); }

  std::vector<std::string>& Log;
  std::string Name;
  int FinishAfter; // updates before it finishes; 0: it finishes when entered
  int Updates = 0;
};

std::vector<std::string> Classes(const TStateQueue& Q) {
  std::vector<std::string> Names;
  for (int32_t I = 0; I < Q.Count(); ++I) {
    Names.push_back(Q.GetItem(I)->ClassType()->Name);
  }
  return Names;
}

} // namespace

TEST(MatchStateQueue, StatesFinishingAtOnceAllRunInOneUpdateWithTheSameInterval) {
  TGObjectPtr<TStateQueue> Q(new TStateQueue());
  std::vector<std::string> Log;
  new TLoggingState(Q.get(), Log, "A", 0); // finishes in OnEnter, still updated once
  new TLoggingState(Q.get(), Log, "B", 1);
  new TLoggingState(Q.get(), Log, "C", 2);
  Q->Update(0.25f);
  EXPECT_EQ(Log, (std::vector<std::string>{"A enter", "A update 250", "A leave", "B enter",
                                           "B update 250", "B leave", "C enter", "C update 250"}));
  EXPECT_EQ(Q->Count(), 1);
  Log.clear();
  Q->Update(0.5f);
  EXPECT_EQ(Log, (std::vector<std::string>{"C update 500", "C leave"}));
  EXPECT_TRUE(Q->IsEmpty());
  EXPECT_EQ(Q->State(), nullptr);
  Q->Update(0.1f); // an empty queue does nothing
}

TEST(MatchStateQueue, AFreedStateLeavesItsQueue) {
  TGObjectPtr<TStateQueue> Q(new TStateQueue());
  std::vector<std::string> Log;
  auto* A = new TLoggingState(Q.get(), Log, "A", 5);
  new TLoggingState(Q.get(), Log, "B", 5);
  A->Free();
  ASSERT_EQ(Q->Count(), 1);
  Q->Update(0.1f);
  EXPECT_EQ(Log.front(), "B enter");
}

TEST(MatchStateQueue, TheLastStateGoesBeforeTheFirstPlayStateBehindTheFront) {
  TGObjectPtr<TStateQueue> Q(new TStateQueue());
  // No playing state behind the front: nothing changes.
  new TPlayState(Q.get());
  new TDelayState(Q.get(), 1);
  new TShowTimeLineState(Q.get());
  Q->InsertLastStateBeforePlayState();
  EXPECT_EQ(Classes(*Q),
            (std::vector<std::string>{"TPlayState", "TDelayState", "TShowTimeLineState"}));
  // A playing state behind the front: the last state moves in front of it.
  new TPlayState(Q.get());
  new TFailedState(Q.get());
  Q->InsertLastStateBeforePlayState();
  EXPECT_EQ(Classes(*Q),
            (std::vector<std::string>{"TPlayState", "TDelayState", "TShowTimeLineState",
                                      "TFailedState", "TPlayState"}));
  // A playing state last leaves the list.
  auto* Last = new TPlayState(Q.get());
  Q->InsertLastStateBeforePlayState();
  EXPECT_EQ(Q->Count(), 5);
  EXPECT_EQ(Last->Owner(), Q.get()); // still the queue's, freed with it
}

TEST(MatchStateQueue, ADelayEndsWhenItsTimeIsBelowZero) {
  TGObjectPtr<TStateQueue> Q(new TStateQueue());
  new TDelayState(Q.get(), 0.3f);
  Q->Update(0.2f);
  EXPECT_FALSE(Q->IsEmpty());
  Q->Update(0.1f); // just about 0: not below
  Q->Update(0.01f);
  EXPECT_TRUE(Q->IsEmpty());
}

// --- The states the rules queue headless --------------------------------------------------------

TEST(MatchRulesStates, AHeadlessLevelStartsAtPlay) {
  TRules Rules;
  ASSERT_NE(Rules.Logic->State(), nullptr);
  EXPECT_TRUE(Rules.Logic->State()->InheritsFrom(TPlayState::StaticClass()));
  EXPECT_TRUE(Rules.Logic->IsPlaying());
  EXPECT_EQ(Rules.Logic->StateQueue()->Count(), 1);
}

TEST(MatchRulesStates, TheShuffleStateShufflesAndQueuesTheNextPlay) {
  TRules Rules;
  DrawBoard(Rules.Board(), QuietBoard());
  auto Before = BoardText(Rules.Board());
  Rules.Logic->NoMoves();
  EXPECT_TRUE(Rules.Actions->Heard("Match\\Shuffle.ogg"));
  EXPECT_FALSE(Rules.Logic->IsPlaying()); // the play has finished
  Rules.Logic->Update(0.05f);
  EXPECT_TRUE(Rules.Logic->State()->InheritsFrom(TShuffleBoardState::StaticClass()));
  EXPECT_EQ(BoardText(Rules.Board()), Before);
  Rules.Logic->Update(0.06f);
  EXPECT_NE(BoardText(Rules.Board()), Before);
  EXPECT_TRUE(Rules.Logic->IsPlaying());
  EXPECT_EQ(Rules.Logic->StateQueue()->Count(), 1);
}

TEST(MatchRulesStates, AFailedLevelStaysFailedAndTakesNoMoreInput) {
  TRules Rules("GemSet=\"12345\" TotalTime=\"1\"");
  DrawBoard(Rules.Board(), QuietBoard());
  Rules.Logic->Update(0.6f);
  EXPECT_FALSE(Rules.Logic->IsFailed());
  Rules.Logic->Update(0.6f);
  EXPECT_TRUE(Rules.Logic->IsFailed());
  ASSERT_NE(Rules.Logic->State(), nullptr);
  EXPECT_TRUE(Rules.Logic->State()->InheritsFrom(TFailedState::StaticClass()));
  for (int I = 0; I < 10; ++I) {
    Rules.Logic->Update(1);
  }
  EXPECT_TRUE(Rules.Logic->State()->InheritsFrom(TFailedState::StaticClass()));
  Rules.Logic->BoardMouseDown(TGPoint{20, 20});
  EXPECT_EQ(Rules.Actions->SelectedCell(), nullptr);
}

TEST(MatchRulesStates, APauseRunsBeforeTheNextPlay) {
  TRules Rules;
  DrawBoard(Rules.Board(), QuietBoard());
  Rules.Logic->Update(0.01f);
  Rules.Logic->DoPause();
  EXPECT_EQ(Classes(*Rules.Logic->StateQueue()),
            (std::vector<std::string>{"TPlayState", "TFadeBoardState", "TDelayState",
                                      "TInitializeBoardState", "TPlayState"}));
  EXPECT_FALSE(Rules.Logic->IsPlaying());
  // Headless the fades have nothing to show; the delay takes its 0.3 s.
  Rules.Logic->Update(0.2f);
  EXPECT_FALSE(Rules.Logic->IsPlaying());
  Rules.Logic->Update(0.2f);
  EXPECT_TRUE(Rules.Logic->IsPlaying());
  EXPECT_EQ(Rules.Logic->StateQueue()->Count(), 1);
}
