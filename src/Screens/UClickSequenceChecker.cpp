#include "Screens/UClickSequenceChecker.h"

#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TFastClicksChecker)
G_IMPLEMENT_CLASS(TIncorrectClicksChecker)
G_IMPLEMENT_CLASS(TClickSequenceChecker)

void TFastClicksChecker::Click(int64_t Now) {
  if (FClickCount == CClicks) {
    std::rotate(FClickQueue.begin(), FClickQueue.begin() + 1, FClickQueue.end());
    FClickQueue[CClicks - 1] = Now;
    return;
  }
  FClickQueue[static_cast<size_t>(FClickCount++)] = Now;
}

bool TFastClicksChecker::Check(int64_t Now) const {
  return FClickCount < CClicks || Now - FClickQueue[0] >= CWindow;
}

TClickSequenceChecker::TClickSequenceChecker(TGObject* AOwner)
    : TGObject(AOwner)
    , FFastClicksChecker(new TFastClicksChecker(this))
    , FIncorrectClicksChecker(new TIncorrectClicksChecker(this)) {}

void TClickSequenceChecker::Publish(TGClassBuilder<TClickSequenceChecker>& B) {
  B.Property("IsCounting", &TClickSequenceChecker::IsCounting)
      .Method("StartCountClicks", &TClickSequenceChecker::StartCountClicks)
      .Method("PopClickCounter", &TClickSequenceChecker::PopClickCounter)
      .Method("Reset", &TClickSequenceChecker::Reset);
}

void TClickSequenceChecker::IncorrectClick() {
  if (FIsCounting) {
    ++FCount;
    return;
  }
  if (FUpdateIdx == FOldUpdateIdx) {
    return; // two missed clicks in one frame are one
  }
  FOldUpdateIdx = FUpdateIdx;
  FAuditors.clear();
  FFastClicksChecker->Click(FNow);
  FIncorrectClicksChecker->Click();
}

bool TClickSequenceChecker::Changed(TGClass StateClass) const {
  return std::find(FAuditors.begin(), FAuditors.end(), StateClass) == FAuditors.end();
}

void TClickSequenceChecker::RegisterCheck(TGClass StateClass) {
  if (Changed(StateClass)) {
    FAuditors.push_back(StateClass);
  }
}

bool TClickSequenceChecker::Check() const {
  return FFastClicksChecker->Check(FNow) && FIncorrectClicksChecker->Check();
}

void TClickSequenceChecker::Reset() {
  FFastClicksChecker->Reset();
  FIncorrectClicksChecker->Reset();
}

void TClickSequenceChecker::StartCountClicks() {
  FIsCounting = true;
  FCount = 0;
}

int32_t TClickSequenceChecker::PopClickCounter() {
  FIsCounting = false;
  return FCount;
}
