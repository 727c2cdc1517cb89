// Arbitrary bytes as a recording: every line reads as a command or fails with an engine error,
// and the reader always reaches the end.
#include "app/replay/UGAppPlayer.h"
#include "base/UGError.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TGPlaybackFile File(std::string(reinterpret_cast<const char*>(Data), Size));
  TPlaybackCommand Command;
  size_t Lines = 0;
  for (;;) {
    try {
      if (!ReadPlaybackCommand(File, Command)) {
        break;
      }
      if (Command.Cmd.empty() || Command.Cmd.size() > Size) {
        std::abort(); // a command is a token of the text
      }
    } catch (const EGException&) {
    }
    if (++Lines > Size + 1) {
      std::abort(); // every call consumes a line
    }
  }
  return 0;
}
