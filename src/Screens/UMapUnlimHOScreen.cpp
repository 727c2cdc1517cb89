#include "Screens/UMapUnlimHOScreen.h"

G_IMPLEMENT_CLASS(TMapUnlimHOScreen)
