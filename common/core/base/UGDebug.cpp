#include "base/UGDebug.h"

#include "platform/UCrashReporter.h"

#include <cstdio>
#include <mutex>

void ODS(std::string_view Msg) {
  static std::mutex Lock;
  std::lock_guard<std::mutex> Guard(Lock);
  TCrashReporter::AddLogLine(Msg); // a crash report shows the last lines
  std::fwrite(Msg.data(), 1, Msg.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}
