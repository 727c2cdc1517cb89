#include "object/UGClassBuilder.h"
#include "script/UState.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> Log;
// The states freed, with the log's length at that moment.
std::vector<std::pair<std::string, size_t>> Freed;

// A state that finishes in Initialize, or after Duration milliseconds of updates.
class TStep : public TState {
  G_CLASS(TStep, TState)
  TStep(TStateQueue* Q, std::string AName, int ADuration)
      : TState(Q)
      , Name(std::move(AName))
      , Duration(ADuration) {}
  explicit TStep(TGObject*)
      : TState(nullptr) {}

  void Initialize() override {
    inherited::Initialize();
    Log.push_back("init " + Name);
    if (Duration == 0) {
      Status = ssFinished;
    }
  }
  void Update(int32_t AInterval) override {
    Log.push_back("update " + Name + " " + std::to_string(AInterval));
    Duration -= AInterval;
    if (Duration <= 0) {
      Status = ssFinished;
    }
    if (OnUpdate) {
      OnUpdate(this);
    }
  }
  void Finalize() override { Log.push_back("final " + Name); }
  ~TStep() override {
    if (!Name.empty()) {
      Freed.emplace_back(Name, Log.size());
    }
  }

  std::string Name;
  int Duration = 0;
  std::function<void(TStep*)> OnUpdate;
};
G_IMPLEMENT_CLASS(TStep)

class StateQueueTest : public ::testing::Test {
protected:
  void SetUp() override {
    Log.clear();
    Freed.clear();
  }
  TGObjectPtr<TStateQueue> Q{new TStateQueue()};
};

} // namespace

TEST_F(StateQueueTest, EmptyQueueDoesNothing) {
  Q->Update(10);
  EXPECT_TRUE(Q->Empty());
  EXPECT_THROW(Q->Peek(), EGException);
  EXPECT_THROW(Q->GetItem(0), EGException);
  Q->Pop();
}

TEST_F(StateQueueTest, InstantStatesAreConsumedInOneUpdate) {
  new TStep(Q.get(), "a", 0);
  new TStep(Q.get(), "b", 0);
  new TStep(Q.get(), "c", 0);
  EXPECT_EQ(Q->GetCount(), 3);
  Q->Update(16);
  EXPECT_EQ(Log, (std::vector<std::string>{"init a", "final a", "init b", "final b", "init c",
                                           "final c"}));
  EXPECT_TRUE(Q->Empty());
}

TEST_F(StateQueueTest, NextStateStartsInTheSameCallWithTheFullInterval) {
  new TStep(Q.get(), "pause", 30);
  new TStep(Q.get(), "next", 100);
  new TStep(Q.get(), "last", 100);
  Q->Update(20);
  EXPECT_EQ(Log, (std::vector<std::string>{"init pause", "update pause 20"}));
  Log.clear();
  Q->Update(20);
  EXPECT_EQ(Log, (std::vector<std::string>{"update pause 20", "final pause", "init next",
                                           "update next 20"}));
  EXPECT_EQ(static_cast<TStep*>(Q->Peek())->Name, "next");
  EXPECT_EQ(Q->GetCount(), 2);
}

TEST_F(StateQueueTest, StatesQueuedWhileRunningRunInTheirTurn) {
  TStep* First = new TStep(Q.get(), "first", 10);
  First->OnUpdate = [&](TStep*) { new TStep(Q.get(), "added", 0); };
  Q->Update(10);
  EXPECT_EQ(Log, (std::vector<std::string>{"init first", "update first 10", "final first",
                                           "init added", "final added"}));
}

TEST_F(StateQueueTest, ClearAndDestructionSkipFinalize) {
  new TStep(Q.get(), "running", 100);
  new TStep(Q.get(), "waiting", 100);
  Q->Update(1);
  Q->Clear();
  EXPECT_TRUE(Q->Empty());
  EXPECT_EQ(Log, (std::vector<std::string>{"init running", "update running 1"}));
  new TStep(Q.get(), "left", 100);
  Q.reset();
  EXPECT_EQ(Log.size(), 2u);
}

// A running state whose update clears the queue (a script it runs switches the location, say)
// is freed when its update has returned, and the states queued meanwhile run in their turn.
TEST_F(StateQueueTest, AStateThatClearsItsQueueIsFreedAfterItsUpdate) {
  auto* Running = new TStep(Q.get(), "running", 100);
  new TStep(Q.get(), "waiting", 100);
  Running->OnUpdate = [this](TStep* Self) {
    Q->Clear();
    Log.push_back("cleared, still " + Self->Name);
    new TStep(Q.get(), "next", 0);
  };
  Q->Update(5);
  EXPECT_EQ(Log, (std::vector<std::string>{"init running", "update running 5",
                                           "cleared, still running", "init next", "final next"}));
  // The waiting state went with the clear, the running one only after its update.
  using TFreed = std::vector<std::pair<std::string, size_t>>;
  EXPECT_EQ(Freed, (TFreed{{"waiting", 2}, {"running", 3}, {"next", 5}}));
  EXPECT_TRUE(Q->Empty());
}

TEST_F(StateQueueTest, RestoredStatusesContinueWhereTheyWere) {
  TStep* Current = new TStep(Q.get(), "restored", 100);
  Current->Status = ssCurrent;
  new TStep(Q.get(), "done", 100);
  Q->Update(5);
  EXPECT_EQ(Log, (std::vector<std::string>{"update restored 5"}));
  Q->Clear();
  Log.clear();
  TStep* Done = new TStep(Q.get(), "done", 100);
  Done->Status = ssFinished;
  Q->Update(5);
  EXPECT_EQ(Log, (std::vector<std::string>{"final done"}));
  TStep* Broken = new TStep(Q.get(), "broken", 1);
  Broken->Status = static_cast<TStateStatus>(7);
  EXPECT_THROW(Q->Update(5), EGException);
}

TEST_F(StateQueueTest, PushRejectsForeignOrStartedStates) {
  TGObjectPtr<TStateQueue> Other(new TStateQueue());
  TStep* Foreign = new TStep(Other.get(), "foreign", 1);
  EXPECT_THROW(Q->Push(Foreign), EGException);
  EXPECT_THROW(Q->Push(nullptr), EGException);
  TStep* Loose = new TStep(static_cast<TGObject*>(nullptr));
  Loose->SetOwner(Q.get());
  Loose->Status = ssCurrent;
  EXPECT_THROW(Q->Push(Loose), EGException);
  EXPECT_EQ(Q->GetCount(), 0);
  // A state freed by someone else leaves its queue.
  Foreign->Free();
  EXPECT_TRUE(Other->Empty());
}
