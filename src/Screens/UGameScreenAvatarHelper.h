// The heroine's face on the panel ("GameInterface\AvatarVessa"): a mood for a while (angry when
// punished, happy after a find), otherwise the normal face that blinks now and then.
#pragma once

#include "object/UGObject.h"

#include <cstdint>
#include <string>

class TGWindow;

enum TAvatarTypes : uint8_t { atNormal = 0, atAngry = 1, atHappy = 2, atBlink = 3, atBreath = 4 };

class TGameScreenAvatarHelper : public TGObject {
  G_CLASS(TGameScreenAvatarHelper, TGObject)
  explicit TGameScreenAvatarHelper(TGObject* AOwner = nullptr)
      : TGameScreenAvatarHelper(AOwner, nullptr) {}
  TGameScreenAvatarHelper(TGObject* AOwner, TGWindow* AGameScreen);

  // The folder of the avatar's pictures ("Avatars\Zari").
  const std::string& AvatarURL() const { return FAvatarURL; }
  void SetAvatarURL(const std::string& Value);
  TAvatarTypes AvatarType() const { return FAvatarType; }
  float Timer() const { return FTimer; }
  float BlinkTimer() const { return FBlinkTimer; }
  // The mood for that many seconds, then the normal face.
  void SetAvatarTypeTimed(TAvatarTypes Type, float Seconds);
  // Milliseconds.
  void Update(int32_t IntInterval);
  // The picture of a mood below the avatar's folder.
  static std::string PictureURL(const std::string& Folder, TAvatarTypes Type);

  static void Publish(TGClassBuilder<TGameScreenAvatarHelper>& B);

private:
  void ShowPicture();
  static float NextBlink();

  TGWindow* FGameScreen = nullptr;
  std::string FAvatarURL;
  TAvatarTypes FAvatarType = atNormal;
  float FTimer = 0;
  float FBlinkTimer = 0;
};
