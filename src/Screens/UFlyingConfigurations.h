// The catalogue of flights ("FlyingAni.cfg"): each configuration names the animation a flying
// object plays, the sound its flight starts with, and whether the animation is adapted to the
// object, so that the flight starts exactly where and as the object stood.
#pragma once

#include "base/UGFastStringList.h"
#include "math/UGColor.h"
#include "math/UGMathTypes.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"

#include <string>
#include <string_view>

class TGAnimation;
class TGXMLNode;
class TGameObject;

// What an adapted animation takes over from the object at its first moment.
enum TFlyingConfigKey { fcsStartPos = 0, fcsScale = 1, fcsAngle = 2, fcsColor = 3 };
using TFlyingConfigKeySet = TGSet<TFlyingConfigKey>;

class TFlyingConfig : public TGObject {
  G_CLASS(TFlyingConfig, TGObject)
  explicit TFlyingConfig(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  // The caption of the channel that shows the flying object's own picture.
  static constexpr const char* CGameObjectChannel = "GameObject";

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  const std::string& AniURL() const { return FAniURL; }
  void SetAniURL(std::string_view Value) { FAniURL = Value; }
  const std::string& SoundURL() const { return FSoundURL; }
  void SetSoundURL(std::string_view Value) { FSoundURL = Value; }
  bool CorrectPosition() const { return FCorrectPosition; }
  void SetCorrectPosition(bool Value) { FCorrectPosition = Value; }

  // A "Fly" element: "Name" and "URL" are required (an element without them raises an error
  // naming the missing attribute), "SoundURL" is empty and "CorrectPosition" true unless given.
  void LoadFromXML(const TGXMLNode* Node);

  // A clone of the animation, owned by nobody, adapted to the object when CorrectPosition is
  // set and AKeySet is not empty: in every movie channel that is not locked the "GameObject"
  // one shows the object's picture from time 0, and the first moment takes the start position,
  // scale (a mirrored object stays mirrored), angle and colour chosen by the key set. Fails
  // with an error naming the URL when the library has no animation there.
  TGAnimation* StartAnimation(TGameObject* AGameObject, TFlyingConfigKeySet AKeySet,
                              const TGFlatVector& AStartPos, const TGFlatVector& AScale,
                              TGColor AColor, float AAngle) const;

private:
  std::string FName;
  std::string FAniURL;
  std::string FSoundURL;
  bool FCorrectPosition = true;
};

class TFlyingConfigurations : public TGObject {
  G_CLASS(TFlyingConfigurations, TGObject)
  explicit TFlyingConfigurations(TGObject* AOwner = nullptr);

  static constexpr const char* CFileURL = "FlyingAni.cfg";

  // The catalogue of the program's resource library, in place of the one before. Without a
  // library or the file the catalogue stays empty; a file that cannot be read, or an entry
  // without its name or animation, is reported on the diagnostic output and left out.
  void Load();
  // Every "Fly" child of Root, in document order, after the ones already held.
  void LoadFromXML(const TGXMLNode* Root);
  void Clear();

  int Count() const { return FList.Count(); }
  // None outside the list.
  TFlyingConfig* Config(int Index) const;
  // Names are compared without regard to case; the first of equal names wins. Fails with
  // "Unknown flying configuration: %s".
  TFlyingConfig* GetConfigByName(std::string_view Name) const;
  // As GetConfigByName, none instead of the error.
  TFlyingConfig* FindConfig(std::string_view Name) const;

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  TGFastStringList FList; // name -> configuration (owned as owned objects)
};
