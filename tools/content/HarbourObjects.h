// The pictures of the demo location's objects (the quay at dusk, "Harbour.loc"): the quay and its
// furniture, the boat, the buoy, the chest closed and open, the gull in two wing beats, the
// pennant's flutter and the perched gull, the fisherman on the quay's edge, the things to find (the
// starfish among them) and the lightning bolt that earns a hint. Each is drawn with straight alpha
// around its shape.
#pragma once

#include "graphics/UGBitmap.h"

#include <string>
#include <vector>

struct THarbourPicture {
  std::string Name; // the file name, ".png"
  TGObjectPtr<TGBitmap> Bitmap;
};

std::vector<THarbourPicture> DrawHarbourObjects();
