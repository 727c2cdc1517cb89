#include "flow/UPlayScreen.h"

namespace {

IPlayScreen* Current = nullptr;

} // namespace

IPlayScreen* PlayScreen() {
  return Current;
}

void SetPlayScreen(IPlayScreen* Screen) {
  Current = Screen;
}
