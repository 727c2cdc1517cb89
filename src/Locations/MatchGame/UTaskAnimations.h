// The key-frame animations the board's tasks build in code: an animation of picture channels
// in the board widget's pixels, each showing an item's graphic with its pivot at the centre,
// keyed in milliseconds. Graphics come by resource name from the program's library; a missing
// one shows nothing and lasts no time.
#pragma once

#include "base/UGTypes.h"

#include <cstdint>
#include <string>

class TGAnimation;
class TGGraphic;
class TGLivePicture;

namespace TaskAnimations {

// The graphic of that name, or none (logged once per name).
TGGraphic* FindGraphic(const std::string& URL);
// How long the graphic plays by itself: a finite animation's length, 0 otherwise.
int32_t GraphicLength(const TGGraphic* Graphic);
// The centre of a cell in the board widget's pixels; rows above the board are negative.
TGFlatVector CellCentre(int32_t Row, int32_t Col);

// A new animation owned by nobody, played at Speed.
TGAnimation* NewAnimation(float Speed = 1);
// A picture channel showing the graphic URL (a clone of it for Clone) with its centre at Place.
TGLivePicture* AddPicture(TGAnimation* Animation, const std::string& URL, TGFlatVector Place,
                          bool Clone = false);
void KeyPlace(TGLivePicture* Picture, int32_t Time, TGFlatVector Place);

// The graphic shown in place for as long as it plays by itself.
TGAnimation* NewInPlaceAnimation(const std::string& URL, TGFlatVector Place);
// The fall: D = distance × 1000 / Speed ms (rounded); 40 % of the way at D / 2, the end at D,
// 5 pixels beyond it at D + 150, back at D + 300.
TGAnimation* NewFallAnimation(const std::string& URL, TGFlatVector From, TGFlatVector To,
                              float Speed);

} // namespace TaskAnimations
