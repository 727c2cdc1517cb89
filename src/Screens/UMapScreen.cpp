#include "Screens/UMapScreen.h"

G_IMPLEMENT_CLASS(TMapScreen)
