// The animation channel that drives a game object: its keys move, turn, size, tint, show and
// hide an object of the location the animation plays in, which then draws in the channel's
// place in the animation.
#pragma once

#include "animation/UGChannel.h"

#include <string>
#include <string_view>

class TGameObject;
class TBaseLocation;

class TLiveGameObject : public TGChannel {
  G_CLASS(TLiveGameObject, TGChannel)
public:
  explicit TLiveGameObject(TGObject* AOwner = nullptr);

  // The object, found by ID among the objects of the location the animation plays in, and
  // kept until the ID changes.
  TGameObject* GameObject() const;
  const std::string& GameObjectId() const { return FGameObjectId; }
  void SetGameObjectId(std::string_view Value);
  // The location of the animation the channel belongs to, or none.
  TBaseLocation* Location() const;

  // Some sequence that moves, sizes, turns, tints or changes the picture has keys.
  bool Active() const;
  // Puts the object where the keys say at the channel's time.
  void Update() override;
  // The object, between its location's hooks around object drawing.
  void Draw() override;
  // The width and height at time 0: "GameObject not assigned" without an object.
  void GetExtent(int32_t Time, TGVector& Extent) override;
  void Move(int32_t Time, float DX, float DY) override;
  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  TGBoolSeq* SmoothMove() const { return FSmoothMove; }
  TGRealEnv* X() const { return FX; }
  TGRealEnv* Y() const { return FY; }
  TGRealEnv* PivotX() const { return FPivotX; }
  TGRealEnv* PivotY() const { return FPivotY; }
  TGBoolSeq* SmoothRotation() const { return FSmoothRotation; }
  TGRealEnv* Angle() const { return FAngle; }
  TGBoolSeq* SmoothSizing() const { return FSmoothSizing; }
  TGRealEnv* Width() const { return FWidth; }
  TGRealEnv* Height() const { return FHeight; }
  TGBoolSeq* Visible() const { return FVisibleSeq; }
  TGBoolSeq* AllowMouse() const { return FAllowMouse; }
  TGStringSeq* GfxURL() const { return FGfxURL; }
  TGRealEnv* Alpha() const { return FAlpha; }
  TGColorEnv* Color() const { return FColor; }

  static void Publish(TGClassBuilder<TLiveGameObject>& B);

private:
  void OnGameObjectDestroyed(TGObject* Sender);
  void Forget();
  // Every curved envelope follows this channel's own switches (after copying).
  void LinkCurves();

  mutable TGameObject* FGameObject = nullptr; // found on first use
  std::string FGameObjectId;
  TGBoolSeq* FSmoothMove = nullptr;
  TGRealEnv* FX = nullptr;
  TGRealEnv* FY = nullptr;
  TGRealEnv* FPivotX = nullptr;
  TGRealEnv* FPivotY = nullptr;
  TGBoolSeq* FSmoothRotation = nullptr;
  TGRealEnv* FAngle = nullptr;
  TGBoolSeq* FSmoothSizing = nullptr;
  TGRealEnv* FWidth = nullptr;
  TGRealEnv* FHeight = nullptr;
  TGBoolSeq* FVisibleSeq = nullptr;
  TGBoolSeq* FAllowMouse = nullptr;
  TGStringSeq* FGfxURL = nullptr;
  TGRealEnv* FAlpha = nullptr;
  TGColorEnv* FColor = nullptr;
};
