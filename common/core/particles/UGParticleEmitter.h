// Particle emitters: animation channels that give birth to particles where their shape lies
// (a point, a line, an ellipse or an area, placed by the channel's transform), a given number
// per second, and keep them in a particle system drawn in world coordinates. The scripted
// emitter computes each particle's whole path at its birth from expressions evaluated step by
// step; the simple emitter (UGSimpleParticleEmitter) uses a closed-form motion.
#pragma once

#include "animation/UGChannel.h"
#include "drawables/UGParticle.h"
#include "expr/UGMathParser.h"

enum TGParticleEmitterShape { esPoint = 0, esLine = 1, esEllipse = 2, esArea = 3 };

class TGCustomParticleEmitter : public TGMovie {
  G_CLASS(TGCustomParticleEmitter, TGMovie)
public:
  explicit TGCustomParticleEmitter(TGObject* AOwner = nullptr);

  void ClearParticles() override;
  // The channel's elements; the emission starts afresh.
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  // The shape's size: nothing for a point, the width for a line, width and height otherwise.
  void GetExtent(int32_t Time, TGVector& Extent) override;
  // The editor overlays, then the particles; remembers the world matrix for the emission.
  void Draw() override;
  // Emits the particles owed since the last update at the channel's time.
  void Update() override;
  void UpdateParticles(float DeltaTime) override;

  // A particle born at (X, Y) in world coordinates heading Direction degrees, living LifeTime
  // seconds; none when the kind makes none.
  virtual TGGraphic* CreateParticle(float X, float Y, float Direction, float P0, float P1,
                                    float LifeTime) = 0;

  TGParticleSystem* ParticleSystem() const { return FParticleSystem; }
  float SpawnCount() const { return FSpawnCount; }
  bool MatrixInitialized() const { return FMatrixInitialized; }

  TGBoolSeq* Active() const { return FActive; }
  TGBoolSeq* Inner() const { return FInner; }
  TGBoolSeq* Outer() const { return FOuter; }
  TGParticleEmitterShapeSeq* Shape() const { return FShape; }
  TGRealEnv* Width() const { return FWidth; }
  TGRealEnv* Height() const { return FHeight; }
  TGRealEnv* Density() const { return FDensity; }
  TGResourceSeq* ParticleSample() const { return FParticleSample; }
  TGRealEnv* ParticleLifeTime() const { return FParticleLifeTime; }
  TGRealEnv* ParticleLifeTimeRange() const { return FParticleLifeTimeRange; }
  TGRealEnv* ParticleP0() const { return FParticleP0; }
  TGRealEnv* ParticleP1() const { return FParticleP1; }

  // At most this many particles are made by one update, whatever the density says.
  static constexpr int32_t CMaxParticlesPerUpdate = 10000;

protected:
  // Places one particle at the channel's time (shape, direction, life) and makes it.
  TGGraphic* CreateParticleHelper();
  // The particle's look common to both kinds: tint, blending, filter and picture at Time.
  void SetupParticleSymbol(class TGSymbol* Symbol, int32_t Time);
  void DrawShape();

  float FSpawnCount = 0;
  int32_t FOldElapsedTime = 0;
  TGMatrix FMatrix = MatIdentity;
  bool FMatrixInitialized = false;
  TGBoolSeq* FActive = nullptr;
  TGBoolSeq* FInner = nullptr;
  TGBoolSeq* FOuter = nullptr;
  TGParticleEmitterShapeSeq* FShape = nullptr;
  TGRealEnv* FWidth = nullptr;
  TGRealEnv* FHeight = nullptr;
  TGRealEnv* FDensity = nullptr;
  TGResourceSeq* FParticleSample = nullptr;
  TGRealEnv* FParticleLifeTime = nullptr;
  TGRealEnv* FParticleLifeTimeRange = nullptr;
  TGRealEnv* FParticleP0 = nullptr;
  TGRealEnv* FParticleP1 = nullptr;
  TGParticleSystem* FParticleSystem = nullptr; // owned
};

// The scripted emitter: the velocity, direction, weight, angle, scale, aspect ratio, alpha and
// colour of a particle are expressions evaluated every ModellingStep milliseconds of its life
// at its birth; the results become the envelopes of an animated particle.
class TGParticleEmitter : public TGCustomParticleEmitter, public IGMathScriptExecutor {
  G_CLASS(TGParticleEmitter, TGCustomParticleEmitter)
public:
  explicit TGParticleEmitter(TGObject* AOwner = nullptr);

  // Takes the expressions at the channel's time, then emits.
  void Update() override;
  // Simulates the particle's whole life; the random generator is reset to the same seed at
  // every step, so random terms keep their value over the life.
  TGGraphic* CreateParticle(float X, float Y, float Direction, float P0, float P1,
                            float LifeTime) override;
  // "T", "X", "Y", "MotionAngle", "P0", "P1", "Env", "RandU", "RandG".
  bool MathFunction(int32_t Identifier, std::span<const TParameter> Parameters,
                    double& Result) override;
  // Sets every expression to its sequence's text at Time (compiling changed texts).
  void UpdateScripts(int32_t Time);

  // B - A, except across the ±180° seam where negative angles are first raised by 360.
  static float AngleDiff(float A, float B);

  TGIntegerSeq* ModellingStep() const { return FModellingStep; }
  TGStringSeq* ParticleVelocity() const { return FParticleVelocity; }
  TGStringSeq* ParticleDirection() const { return FParticleDirection; }
  TGStringSeq* ParticleAngle() const { return FParticleAngle; }
  TGStringSeq* ParticleWeight() const { return FParticleWeight; }
  TGStringSeq* ParticleScale() const { return FParticleScale; }
  TGStringSeq* ParticleAspectRatio() const { return FParticleAspectRatio; }
  TGStringSeq* ParticleAlpha() const { return FParticleAlpha; }
  TGStringSeq* ParticleRed() const { return FParticleRed; }
  TGStringSeq* ParticleGreen() const { return FParticleGreen; }
  TGStringSeq* ParticleBlue() const { return FParticleBlue; }

  // More steps than this in one life are made longer so that the life fits.
  static constexpr int32_t CMaxModellingSteps = 10000;

private:
  TGIntegerSeq* FModellingStep = nullptr;
  TGStringSeq* FParticleVelocity = nullptr;
  TGStringSeq* FParticleDirection = nullptr;
  TGStringSeq* FParticleAngle = nullptr;
  TGStringSeq* FParticleWeight = nullptr;
  TGStringSeq* FParticleScale = nullptr;
  TGStringSeq* FParticleAspectRatio = nullptr;
  TGStringSeq* FParticleAlpha = nullptr;
  TGStringSeq* FParticleRed = nullptr;
  TGStringSeq* FParticleGreen = nullptr;
  TGStringSeq* FParticleBlue = nullptr;

  TGMathScript* FParticleVelocityScript;
  TGMathScript* FParticleDirectionScript;
  TGMathScript* FParticleAngleScript;
  TGMathScript* FParticleWeightScript;
  TGMathScript* FParticleScaleScript;
  TGMathScript* FParticleAspectRatioScript;
  TGMathScript* FParticleAlphaScript;
  TGMathScript* FParticleRedScript;
  TGMathScript* FParticleGreenScript;
  TGMathScript* FParticleBlueScript;

  // The simulation of the particle being made.
  float FP0 = 0;
  float FP1 = 0;
  float FX = 0;
  float FY = 0;
  int32_t FTime = 0;     // ms
  int32_t FLifeTime = 0; // ms
  float FMotionAngle = 0;
};
