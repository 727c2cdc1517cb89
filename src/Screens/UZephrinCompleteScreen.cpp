#include "Screens/UZephrinCompleteScreen.h"

G_IMPLEMENT_CLASS(TZephrinCompleteScreen)

void ShowZephrinCompleteScreen(int32_t, int32_t, const std::string&, bool) {}
