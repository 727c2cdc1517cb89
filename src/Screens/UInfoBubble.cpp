#include "Screens/UInfoBubble.h"
