#include "Locations/MatchGame/UTaskAnimations.h"

#include "Locations/MatchGame/URowCol.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "base/UGDebug.h"
#include "resources/UGResourceLibrary.h"

#include <cmath>
#include <set>

namespace TaskAnimations {

TGGraphic* FindGraphic(const std::string& URL) {
  if (URL.empty()) {
    return nullptr;
  }
  TGGraphic* Graphic = nullptr;
  if (TGResourceLibrary* Library = MainResourceLibrary()) {
    try {
      Graphic = TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false));
    } catch (const std::exception& E) {
      ODS("Board graphic %s failed to load: %s", URL, std::string(E.what()));
    }
  }
  if (!Graphic) {
    static std::set<std::string> Reported;
    if (Reported.insert(URL).second) {
      ODS("Board graphic not found: %s", URL);
    }
  }
  return Graphic;
}

int32_t GraphicLength(const TGGraphic* Graphic) {
  auto* A = TryObjectCast<TGAnimation>(Graphic);
  return A && !A->Looped() ? A->TotalTime() : 0;
}

TGFlatVector CellCentre(int32_t Row, int32_t Col) {
  return TGFlatVector{static_cast<float>(Col * CCellSize) + CCellSize / 2.0f,
                      static_cast<float>(Row * CCellSize) + CCellSize / 2.0f};
}

TGAnimation* NewAnimation(float Speed) {
  auto* A = New<TGAnimation>(nullptr);
  A->SetSpeed(Speed);
  return A;
}

TGLivePicture* AddPicture(TGAnimation* Animation, const std::string& URL, TGFlatVector Place,
                          bool Clone) {
  auto* Picture = TGChannel::Create<TGLivePicture>(Animation);
  Picture->PivotX()->SetRealValue(0, 0.5f);
  Picture->PivotY()->SetRealValue(0, 0.5f);
  KeyPlace(Picture, 0, Place);
  if (TGGraphic* Graphic = FindGraphic(URL)) {
    if (Clone) {
      // The animation keeps the clone; the picture channel shows it.
      auto* Copy = static_cast<TGGraphic*>(Graphic->Clone(Animation));
      Picture->Gfx()->SetResValue(0, Copy);
    } else {
      Picture->Gfx()->SetResValue(0, Graphic);
    }
    // The channel lasts as long as the graphic plays by itself.
    if (int32_t Length = GraphicLength(Graphic); Length > 0) {
      KeyPlace(Picture, Length, Place);
    }
  }
  return Picture;
}

void KeyPlace(TGLivePicture* Picture, int32_t Time, TGFlatVector Place) {
  Picture->X()->SetRealValue(Time, Place.X);
  Picture->Y()->SetRealValue(Time, Place.Y);
}

TGAnimation* NewInPlaceAnimation(const std::string& URL, TGFlatVector Place) {
  TGAnimation* A = NewAnimation();
  AddPicture(A, URL, Place);
  return A;
}

TGAnimation* NewFallAnimation(const std::string& URL, TGFlatVector From, TGFlatVector To,
                              float Speed) {
  TGAnimation* A = NewAnimation();
  TGLivePicture* P = AddPicture(A, URL, From);
  const float DX = To.X - From.X;
  const float DY = To.Y - From.Y;
  const float Distance = std::sqrt(DX * DX + DY * DY);
  if (Distance <= 0 || Speed <= 0) {
    KeyPlace(P, 0, To);
    return A;
  }
  const auto D = static_cast<int32_t>(std::lround(Distance * 1000 / Speed));
  KeyPlace(P, D / 2, TGFlatVector{From.X + 0.4f * DX, From.Y + 0.4f * DY});
  KeyPlace(P, D, To);
  KeyPlace(P, D + 150, TGFlatVector{To.X + 5 * DX / Distance, To.Y + 5 * DY / Distance});
  KeyPlace(P, D + 300, To);
  return A;
}

} // namespace TaskAnimations
