// Globally unique identifiers: 128 bits written as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", the
// form scene files use to name the nodes that links refer to and profiles use to name
// themselves in the high-score table.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TGRandom;

struct TGGUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  std::array<uint8_t, 8> Data4{};

  // Upper-case hexadecimal digits between braces.
  std::string ToString() const;
  // The braced form or the bare 36 characters, digits of either case; anything else is none.
  static std::optional<TGGUID> Parse(std::string_view Text);
  // A random (version 4) identifier drawn from Generator.
  static TGGUID Create(TGRandom& Generator);
  bool IsNull() const { return *this == TGGUID{}; }

  friend bool operator==(const TGGUID&, const TGGUID&) = default;
};

// A new random (version 4) identifier in its braced upper-case form. It comes from the system's
// random source, or, while a recording replays, from the program's one generator, so that a
// replay saves the same bytes as the run it replays.
std::string NewGuid();
// Whether NewGuid draws from the program's generator (set for replays).
void SetGuidsFromProgramGenerator(bool Value);
bool GuidsFromProgramGenerator();
