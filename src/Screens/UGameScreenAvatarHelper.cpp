#include "Screens/UGameScreenAvatarHelper.h"

#include "base/UGDebug.h"
#include "base/UGRandom.h"
#include "drawables/UGGraphic.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWindow.h"

G_IMPLEMENT_CLASS(TGameScreenAvatarHelper)

namespace {

constexpr float CBlinkSeconds = 0.5f;
constexpr const char* CAvatarWidget = "GameInterface\\AvatarVessa";

} // namespace

TGameScreenAvatarHelper::TGameScreenAvatarHelper(TGObject* AOwner, TGWindow* AGameScreen)
    : TGObject(AOwner)
    , FGameScreen(AGameScreen)
    , FBlinkTimer(NextBlink()) {}

void TGameScreenAvatarHelper::Publish(TGClassBuilder<TGameScreenAvatarHelper>& B) {
  B.Property("AvatarURL", &TGameScreenAvatarHelper::AvatarURL,
             &TGameScreenAvatarHelper::SetAvatarURL);
}

// Between 5 and 20 seconds, from the program's generator.
float TGameScreenAvatarHelper::NextBlink() {
  return 5.0f + static_cast<float>(Random(15000)) / 1000.0f;
}

std::string TGameScreenAvatarHelper::PictureURL(const std::string& Folder, TAvatarTypes Type) {
  switch (Type) {
  case atAngry:
    return Folder + "\\Angry\\Angry.ani";
  case atHappy:
    return Folder + "\\Happy\\Happy.ani";
  case atBlink:
    return Folder + "\\Blink\\Blink.ani";
  case atBreath:
    return Folder + "\\Breath\\Breath.ani";
  default:
    return Folder + "\\Avatar.png";
  }
}

void TGameScreenAvatarHelper::SetAvatarURL(const std::string& Value) {
  FAvatarURL = Value;
  ShowPicture();
}

void TGameScreenAvatarHelper::SetAvatarTypeTimed(TAvatarTypes Type, float Seconds) {
  FAvatarType = Type;
  FTimer = Seconds;
  ShowPicture();
}

void TGameScreenAvatarHelper::Update(int32_t IntInterval) {
  const float Seconds = static_cast<float>(IntInterval) / 1000.0f;
  if (FTimer > 0) {
    FTimer -= Seconds;
    if (FTimer <= 0) {
      FTimer = 0;
      FAvatarType = atNormal;
      ShowPicture();
    }
  }
  if (FAvatarType == atNormal) {
    FBlinkTimer -= Seconds;
    if (FBlinkTimer <= 0) {
      FBlinkTimer = NextBlink();
      SetAvatarTypeTimed(atBlink, CBlinkSeconds);
    }
  }
}

void TGameScreenAvatarHelper::ShowPicture() {
  auto* Picture =
      FGameScreen ? TryObjectCast<TGPicture>(FGameScreen->FindWidget(CAvatarWidget)) : nullptr;
  TGResourceLibrary* Library = MainResourceLibrary();
  if (!Picture || !Library || FAvatarURL.empty()) {
    return;
  }
  // A mood without its picture keeps the face shown.
  if (auto* G = TryObjectCast<TGGraphic>(
          Library->GetResourceEx(PictureURL(FAvatarURL, FAvatarType), false))) {
    Picture->SetGfx(G);
  }
}
