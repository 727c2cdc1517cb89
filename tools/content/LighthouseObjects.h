// The pictures of the demo's second location ("Lighthouse.loc"): the keeper's room at the top
// of the lighthouse by night (800 x 600, written as JPEG) and the things to find in it (PNG with
// straight alpha around their shapes).
#pragma once

#include "HarbourObjects.h"

#include <vector>

TGObjectPtr<TGBitmap> DrawLighthouseRoom();
std::vector<THarbourPicture> DrawLighthouseObjects();
