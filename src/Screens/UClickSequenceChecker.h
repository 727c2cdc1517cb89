// Punishes rapid or random clicking on the location picture: five missed clicks within three
// seconds (of game time), or seven missed clicks without a good one between them. Each state
// class of the play screen checks once per missed click.
#pragma once

#include "object/UGObject.h"

#include <array>
#include <cstdint>
#include <vector>

class TFastClicksChecker : public TGObject {
  G_CLASS(TFastClicksChecker, TGObject)
  explicit TFastClicksChecker(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  static constexpr int CClicks = 5;
  static constexpr int64_t CWindow = 3000;
  // A click at the game time Now (milliseconds).
  void Click(int64_t Now);
  // At Now: fewer than five clicks, or the oldest of the last five at least three seconds old.
  bool Check(int64_t Now) const;
  void Reset() { FClickCount = 0; }
  int32_t ClickCount() const { return FClickCount; }

private:
  std::array<int64_t, CClicks> FClickQueue{};
  int32_t FClickCount = 0;
};

class TIncorrectClicksChecker : public TGObject {
  G_CLASS(TIncorrectClicksChecker, TGObject)
  explicit TIncorrectClicksChecker(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  static constexpr int32_t CLimit = 7;
  void Click() { ++FCount; }
  bool Check() const { return FCount < CLimit; }
  void Reset() { FCount = 0; }
  int32_t Count() const { return FCount; }

private:
  int32_t FCount = 0;
};

class TClickSequenceChecker : public TGObject {
  G_CLASS(TClickSequenceChecker, TGObject)
  explicit TClickSequenceChecker(TGObject* AOwner = nullptr);

  // The play screen's game time (milliseconds) and update number, given every frame.
  void SetTime(int64_t Milliseconds, int64_t UpdateIdx) {
    FNow = Milliseconds;
    FUpdateIdx = UpdateIdx;
  }
  // A missed click: counted while counting, else recorded (once per screen update).
  void IncorrectClick();
  // A missed click happened since the state class last checked.
  bool Changed(TGClass StateClass) const;
  void RegisterCheck(TGClass StateClass);
  // True: no punishment is due.
  bool Check() const;
  void Reset();
  bool IsCounting() const { return FIsCounting; }
  void StartCountClicks();
  int32_t PopClickCounter();

  static void Publish(TGClassBuilder<TClickSequenceChecker>& B);

private:
  TFastClicksChecker* FFastClicksChecker;           // owned
  TIncorrectClicksChecker* FIncorrectClicksChecker; // owned
  std::vector<TGClass> FAuditors;
  bool FIsCounting = false;
  int32_t FCount = 0;
  int64_t FOldUpdateIdx = -1;
  int64_t FNow = 0;
  int64_t FUpdateIdx = 0;
};
