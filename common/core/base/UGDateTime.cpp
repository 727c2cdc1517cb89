#include "base/UGDateTime.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <mutex>

namespace {

std::mutex& SourceLock() {
  static std::mutex Lock;
  return Lock;
}

std::function<TGDateTime()>& Source() {
  static std::function<TGDateTime()> S;
  return S;
}

// Days from 30 December 1899 to 1 January 1970.
constexpr double CUnixEpochDays = 25569.0;

int64_t DaysFromCivil(int Y, unsigned M, unsigned D) {
  Y -= M <= 2 ? 1 : 0;
  const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  const auto Yoe = static_cast<unsigned>(Y - Era * 400);
  const unsigned Doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
  const unsigned Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
  return Era * 146097 + static_cast<int64_t>(Doe) - 719468; // days since 1970-01-01
}

} // namespace

TGDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, double Second) {
  const double Days = static_cast<double>(DaysFromCivil(Year, static_cast<unsigned>(Month),
                                                        static_cast<unsigned>(Day))) +
                      CUnixEpochDays;
  return Days + (Hour * 3600.0 + Minute * 60.0 + Second) / 86400.0;
}

TGDateTime SystemNow() {
  const auto Now = std::chrono::system_clock::now();
  const auto Micro =
      std::chrono::duration_cast<std::chrono::microseconds>(Now.time_since_epoch()).count();
  std::time_t Seconds = static_cast<std::time_t>(Micro / 1000000);
  std::tm Local{};
  localtime_r(&Seconds, &Local);
  const double Fraction = static_cast<double>(Micro % 1000000) / 1e6;
  return EncodeDateTime(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday, Local.tm_hour,
                        Local.tm_min, Local.tm_sec + Fraction);
}

TGDateTime PreciseNow() {
  std::function<TGDateTime()> S;
  {
    std::lock_guard<std::mutex> Guard(SourceLock());
    S = Source();
  }
  return S ? S() : SystemNow();
}

void SetDateTimeSource(std::function<TGDateTime()> NewSource) {
  std::lock_guard<std::mutex> Guard(SourceLock());
  Source() = std::move(NewSource);
}

bool DateTimeSourceReplaced() {
  std::lock_guard<std::mutex> Guard(SourceLock());
  return static_cast<bool>(Source());
}

int64_t DateTimeAsInt64(TGDateTime Value) {
  int64_t Bits = 0;
  std::memcpy(&Bits, &Value, sizeof Bits);
  return Bits;
}

TGDateTime Int64AsDateTime(int64_t Value) {
  TGDateTime D = 0;
  std::memcpy(&D, &Value, sizeof D);
  return D;
}
