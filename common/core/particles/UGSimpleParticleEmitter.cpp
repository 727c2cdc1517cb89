#include "particles/UGSimpleParticleEmitter.h"

#include "drawables/UGSymbol.h"
#include "math/UGMathUtils.h"

#include <cmath>
#include <numbers>

G_IMPLEMENT_CLASS(TGSimpleParticleEmitter)

TGSimpleParticleEmitter::TGSimpleParticleEmitter(TGObject* AOwner)
    : TGCustomParticleEmitter(AOwner) {
  SetVar(FDirectionRange, new TGRealEnv("DirectionRange", 180, nullptr, false));
  SetVar(FRotationSpeed, new TGRealEnv("RotationSpeed", 0, nullptr, false));
  SetVar(FVelocityRange, new TGRealEnv("VelocityRange", 50, nullptr, false));
  SetVar(FVelocity, new TGRealEnv("Velocity", 200, nullptr, false));
  SetVar(FVelocityCurveCoeff, new TGRealEnv("VelocityCurveCoeff", 1, nullptr, false));
  SetVar(FGravityForce, new TGRealEnv("GravityForce", 100, nullptr, false));
  SetVar(FScale, new TGRealEnv("Scale", 1, nullptr, false));
  SetVar(FStartAngleRange, new TGRealEnv("StartAngleRange", 180, nullptr, false));
  SetVar(FStartAngle, new TGRealEnv("StartAngle", 0, nullptr, false));
  SetVar(FGravityDir, new TGRealEnv("GravityDir", 90, nullptr, false));
  SetVar(FAngleFollowsPath, new TGBoolSeq("AngleFollowsPath", TGVariant(false)));
  SetVar(FSharedData, new TGSimpleParticleSharedDataSeq("SharedData"));
}

TGGraphic* TGSimpleParticleEmitter::CreateParticle(float X, float Y, float Direction, float P0,
                                                   float P1, float LifeTime) {
  (void)P0;
  (void)P1;
  constexpr double CDegToRad = std::numbers::pi / 180.0;
  const int32_t T = FElapsedTime;
  TGObjectPtr<TGSimpleParticle> Particle(new TGSimpleParticle(nullptr));
  TGSimpleParticle& P = *Particle;
  P.LifeTime = LifeTime;
  // Alpha from the alpha envelope, RGB from the colour envelope, as pictures are tinted.
  P.Color = ContentColor(T);
  SetupParticleSymbol(P.Symbol, T);
  P.SetData(FSharedData->GetSPSDValue(T));
  P.StartPos = TGFlatVector{X, Y};
  P.AngleFollowsPath = FAngleFollowsPath->GetBoolValue(T);
  P.Size = FScale->GetRealValue(T);

  const double DirRange = FDirectionRange->GetRealValue(T);
  const double Dir = RandomInRange(-DirRange, DirRange);
  const double VelRange = FVelocityRange->GetRealValue(T);
  const double V = FVelocity->GetRealValue(T) + RandomInRange(-VelRange, VelRange);
  const double Heading = (Direction + Dir) * CDegToRad;
  P.StartVel = TGFlatVector{static_cast<float>(std::cos(Heading) * V),
                            static_cast<float>(std::sin(Heading) * V)};

  P.VelocityCurveCoeff = FVelocityCurveCoeff->GetRealValue(T);
  const double AngleRange = FStartAngleRange->GetRealValue(T);
  P.StartAngle =
      static_cast<float>(FStartAngle->GetRealValue(T) + RandomInRange(-AngleRange, AngleRange));
  P.RotSpeed = FRotationSpeed->GetRealValue(T);

  const double G = FGravityDir->GetRealValue(T) * CDegToRad;
  const double Force = FGravityForce->GetRealValue(T);
  P.Gravity = TGFlatVector{static_cast<float>(std::cos(G) * Force),
                           static_cast<float>(std::sin(G) * Force)};
  return Particle.release();
}
