// The museum's speech bubble: a text and a picture that replace each other with the bubble's
// hide and show effects and stay up for two seconds.
#pragma once

#include "object/UGObject.h"
