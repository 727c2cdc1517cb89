// One placed use of a shared graphic: a reference to the resource, a private clone of it (the
// instance, which carries running state such as an animation's time) and the symbol's own
// placement, tint, blending, filter and grey mode.
#pragma once

#include "drawables/UGGraphic.h"
#include "drawables/UGParticle.h"
#include "drawables/UGSprite.h"

class TGSymbol : public TGGraphic {
  G_CLASS(TGSymbol, TGGraphic)
  explicit TGSymbol(TGObject* AOwner = nullptr);

  TGGraphic* Graphic() const { return FGraphic; }
  // References G and clones it into the instance; also notifies when G is the current graphic.
  void SetGraphic(TGGraphic* G);
  TGGraphic* Instance() const { return FInstance; }
  TGColor Color() const { return FColor; }
  void SetColor(TGColor Value) { FColor = Value; }
  TGBlending Blending() const { return FBlending; }
  void SetBlending(TGBlending Value) { FBlending = Value; }
  TGTextureFilter TextureFilter() const { return FTextureFilter; }
  void SetTextureFilter(TGTextureFilter Value) { FTextureFilter = Value; }
  TGSpriteGrayscaleMode Grayscale() const { return FGrayscale; }
  void SetGrayscale(TGSpriteGrayscaleMode Value) { FGrayscale = Value; }
  const TGMatrix& Matrix() const { return FMatrix; }
  // The inverse of Matrix (the identity when it cannot be inverted), made when first asked for
  // after a change: symbols are placed every frame, hit tested seldom.
  const TGMatrix& InvMatrix() const;
  void SetMatrix(const TGMatrix& M);
  // The matrix TGGraphic::Draw builds from the same arguments, about the symbol's extent.
  void SetTransform(float X, float Y, float PivotX, float PivotY, float RotationZ, float ScalingX,
                    float ScalingY);
  bool InheritParticles() const { return FInheritParticles; }
  void SetInheritParticles(bool Value) { FInheritParticles = Value; }
  // Collects the particles the instance emits; made again when missing.
  TGParticleSystem* GetParticleSystem();

  void Draw() override;
  using TGGraphic::Draw;
  void Update(float DeltaTime) override;
  // The instance's hit test at the point taken back through the matrix.
  bool Hit(const TGVector& Point) override;
  using TGGraphic::Hit;
  bool IsFinished() override;
  // Placement, look and a reference of its own to the same graphic; not the grey mode.
  void AssignTo(TGObject* Dest) const override;

  void NotifyChangeGraphic();

protected:
  void Destroy() override;

private:
  void OnChangeGraphic(TGObject* Sender);
  void OnGraphicDestroy(TGObject* Sender);
  void MakeInstance();
  void DrawInstance();

  bool FInheritParticles = true;
  TGParticleSystem* FParticleSystem = nullptr; // owned
  TGMatrix FMatrix = MatIdentity;
  mutable TGMatrix FInvMatrix = MatIdentity;
  mutable bool FInvertible = true;
  mutable bool FInverseValid = true;
  TGColor FColor = 0xFFFFFFFF;
  TGTextureFilter FTextureFilter = tfParent;
  TGBlending FBlending = bParent;
  TGGraphic* FInstance = nullptr; // owned, no owner
  TGGraphic* FGraphic = nullptr;  // one reference held
  TGSpriteGrayscaleMode FGrayscale = grayParent;
};
