// The simple emitter: particles leave in a random direction and speed around the emitter's
// heading, follow start velocity (raised to a curve exponent over time) plus gravity, spin or
// face their path, and share colour, alpha and scale envelopes over their life.
#pragma once

#include "particles/UGParticleEmitter.h"
#include "particles/UGSimpleParticle.h"

class TGSimpleParticleEmitter : public TGCustomParticleEmitter {
  G_CLASS(TGSimpleParticleEmitter, TGCustomParticleEmitter)
public:
  explicit TGSimpleParticleEmitter(TGObject* AOwner = nullptr);

  // A TGSimpleParticle; P0 and P1 are not used.
  TGGraphic* CreateParticle(float X, float Y, float Direction, float P0, float P1,
                            float LifeTime) override;

  TGRealEnv* DirectionRange() const { return FDirectionRange; }
  TGRealEnv* RotationSpeed() const { return FRotationSpeed; }
  TGRealEnv* VelocityRange() const { return FVelocityRange; }
  TGRealEnv* Velocity() const { return FVelocity; }
  TGRealEnv* VelocityCurveCoeff() const { return FVelocityCurveCoeff; }
  TGRealEnv* GravityForce() const { return FGravityForce; }
  TGRealEnv* Scale() const { return FScale; }
  TGRealEnv* StartAngleRange() const { return FStartAngleRange; }
  TGRealEnv* StartAngle() const { return FStartAngle; }
  TGRealEnv* GravityDir() const { return FGravityDir; }
  TGBoolSeq* AngleFollowsPath() const { return FAngleFollowsPath; }
  TGSimpleParticleSharedDataSeq* SharedData() const { return FSharedData; }

private:
  TGRealEnv* FDirectionRange = nullptr;
  TGRealEnv* FRotationSpeed = nullptr;
  TGRealEnv* FVelocityRange = nullptr;
  TGRealEnv* FVelocity = nullptr;
  TGRealEnv* FVelocityCurveCoeff = nullptr;
  TGRealEnv* FGravityForce = nullptr;
  TGRealEnv* FScale = nullptr;
  TGRealEnv* FStartAngleRange = nullptr;
  TGRealEnv* FStartAngle = nullptr;
  TGRealEnv* FGravityDir = nullptr;
  TGBoolSeq* FAngleFollowsPath = nullptr;
  TGSimpleParticleSharedDataSeq* FSharedData = nullptr;
};
