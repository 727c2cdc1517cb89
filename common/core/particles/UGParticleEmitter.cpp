#include "particles/UGParticleEmitter.h"

#include "base/UGRandom.h"
#include "drawables/UGSymbol.h"
#include "math/UGMathUtils.h"
#include "particles/UGAnimatedParticle.h"
#include "resources/UGResource.h"

#include <algorithm>
#include <cmath>
#include <numbers>

G_IMPLEMENT_CLASS(TGCustomParticleEmitter)
G_IMPLEMENT_CLASS(TGParticleEmitter)

namespace {

constexpr double CDegToRad = std::numbers::pi / 180.0;
constexpr double CRadToDeg = 180.0 / std::numbers::pi;
// The colour of the shape drawn in the editor.
constexpr TGColor CShapeColor = 0xFF0000FF;
constexpr int CEllipseSegments = 50;

// The ellipse inscribed in the box (X0, Y0)-(X1, Y1) as line segments.
void DrawEllipseLines(float X0, float Y0, float X1, float Y1) {
  const double CX = (X0 + X1) * 0.5, CY = (Y0 + Y1) * 0.5;
  const double RX = (X1 - X0) * 0.5, RY = (Y1 - Y0) * 0.5;
  float PX = static_cast<float>(CX + RX), PY = static_cast<float>(CY);
  for (int I = 1; I <= CEllipseSegments; ++I) {
    const double A = 2 * std::numbers::pi * I / CEllipseSegments;
    const auto X = static_cast<float>(CX + RX * std::cos(A));
    const auto Y = static_cast<float>(CY + RY * std::sin(A));
    GD->DrawLine(CShapeColor, PX, PY, X, Y);
    PX = X;
    PY = Y;
  }
}

// A normally distributed value from the program's generator (Box-Muller).
double RandomGauss(double Mean, double StdDev) {
  const double U1 = 1.0 - Random(); // (0, 1]
  const double U2 = Random();
  return Mean + StdDev * std::sqrt(-2.0 * std::log(U1)) * std::cos(2.0 * std::numbers::pi * U2);
}

} // namespace

// TGCustomParticleEmitter ---------------------------------------------------------------------

TGCustomParticleEmitter::TGCustomParticleEmitter(TGObject* AOwner)
    : TGMovie(AOwner) {
  SetVar(FActive, new TGBoolSeq("Active", TGVariant(true)));
  SetVar(FInner, new TGBoolSeq("Inner", TGVariant(false)));
  SetVar(FOuter, new TGBoolSeq("Outer", TGVariant(true)));
  SetVar(FShape, new TGParticleEmitterShapeSeq("Shape", TGVariant(int32_t{esPoint})));
  SetVar(FWidth, new TGRealEnv("Width", 200, nullptr, false));
  SetVar(FHeight, new TGRealEnv("Height", 200, nullptr, false));
  SetVar(FDensity, new TGRealEnv("Density", 10, nullptr, false));
  SetVar(FParticleSample, new TGResourceSeq("ParticleSample", TGVariant::Null()));
  SetVar(FParticleLifeTime, new TGRealEnv("ParticleLifeTime", 10, nullptr, false));
  SetVar(FParticleLifeTimeRange, new TGRealEnv("ParticleLifeTimeRange", 5, nullptr, false));
  SetVar(FParticleP0, new TGRealEnv("ParticleP0", 0, nullptr, false));
  SetVar(FParticleP1, new TGRealEnv("ParticleP1", 0, nullptr, false));
  FParticleSystem = new TGParticleSystem(this);
}

void TGCustomParticleEmitter::ClearParticles() {
  FParticleSystem->Clear();
}

void TGCustomParticleEmitter::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  FSpawnCount = 0;
  FOldElapsedTime = FElapsedTime;
}

void TGCustomParticleEmitter::GetExtent(int32_t Time, TGVector& Extent) {
  switch (FShape->GetParticleEmitterShape(Time)) {
  case esLine:
    Extent = TGVector{FWidth->GetRealValue(Time), 0, 0};
    break;
  case esEllipse:
  case esArea:
    Extent = TGVector{FWidth->GetRealValue(Time), FHeight->GetRealValue(Time), 0};
    break;
  default:
    Extent = TGVector{0, 0, 0};
    break;
  }
}

void TGCustomParticleEmitter::DrawShape() {
  const int32_t T = FElapsedTime;
  const float W = FWidth->GetRealValue(T), H = FHeight->GetRealValue(T);
  GD->PushState(bMatrix);
  try {
    GD->SetMatrixByType(mWorld, TransformMatrix(T) * GD->GetMatrixByType(mWorld));
    switch (FShape->GetParticleEmitterShape(T)) {
    case esLine:
      GD->DrawLine(CShapeColor, 0, 0, W, 0);
      break;
    case esEllipse:
      DrawEllipseLines(0, 0, W, H);
      break;
    case esArea:
      GD->DrawFrame(CShapeColor, 0, 0, W, H);
      break;
    default:
      DrawEllipseLines(-5, -5, 5, 5);
      break;
    }
  } catch (...) {
    GD->PopState();
    throw;
  }
  GD->PopState();
}

void TGCustomParticleEmitter::Draw() {
  inherited::Draw();
  if (FFlags.Contains(mfDrawFrame) && MaskRenderingStep != 1) {
    DrawShape();
  }
  if (MaskRenderingStep == 2) {
    return;
  }
  // Particles are born in world coordinates: the emitter's place on screen is the world
  // matrix in force while it is drawn.
  FMatrix = GD->GetMatrixByType(mWorld);
  FMatrixInitialized = true;
  FParticleSystem->Draw();
}

void TGCustomParticleEmitter::Update() {
  const int32_t T = FElapsedTime;
  const double Dt = (static_cast<double>(T) - FOldElapsedTime) * 0.001;
  // Seeks (backwards, or forwards by more than 0.2 s) emit nothing.
  if (Dt >= 0 && Dt <= 0.2 && FActive->GetBoolValue(T) && FVisible && FMatrixInitialized) {
    FSpawnCount += static_cast<float>(Dt * FDensity->GetRealValue(T));
    // A negative or absurd density must neither stall later emission nor run away.
    if (!(FSpawnCount >= 0)) {
      FSpawnCount = 0;
    } else if (FSpawnCount > CMaxParticlesPerUpdate) {
      FSpawnCount = CMaxParticlesPerUpdate;
    }
    while (FSpawnCount >= 1) {
      FSpawnCount -= 1;
      if (TGGraphic* Particle = CreateParticleHelper()) {
        Particle->SetOwner(FParticleSystem);
        FParticleSystem->Add(Particle);
      }
    }
  }
  FOldElapsedTime = T;
}

void TGCustomParticleEmitter::UpdateParticles(float DeltaTime) {
  FParticleSystem->Update(DeltaTime);
}

TGGraphic* TGCustomParticleEmitter::CreateParticleHelper() {
  const int32_t T = FElapsedTime;
  const TGMatrix M = TransformMatrix(T) * FMatrix;
  const float W = FWidth->GetRealValue(T), H = FHeight->GetRealValue(T);
  TGVector P{0, 0, 0}, Q{0, 1, 0};
  switch (FShape->GetParticleEmitterShape(T)) {
  case esLine:
    P.X = static_cast<float>(Random() * W);
    Q = TGVector{P.X, 1, 0};
    break;
  case esEllipse: {
    const double A = Random() * 2 * std::numbers::pi;
    const double C = std::cos(A), S = std::sin(A);
    P = TGVector{static_cast<float>((C + 1) * W * 0.5), static_cast<float>((S + 1) * H * 0.5), 0};
    Q = TGVector{static_cast<float>((2 * C + 1) * W * 0.5),
                 static_cast<float>((2 * S + 1) * H * 0.5), 0};
    break;
  }
  case esArea: {
    const double R1 = Random();
    const double R2 = Random();
    P = TGVector{static_cast<float>(R1 * W), static_cast<float>(R2 * H), 0};
    Q = TGVector{P.X, P.Y + 1, 0};
    break;
  }
  default:
    break;
  }
  const TGVector WP = P * M;
  const TGVector WQ = Q * M;
  float Angle = static_cast<float>(ArcTan2(WQ.Y - WP.Y, WQ.X - WP.X) * CRadToDeg);
  const bool In = FInner->GetBoolValue(T), Out = FOuter->GetBoolValue(T);
  if (!In && !Out) {
    return nullptr;
  }
  if (In && (!Out || Random(2) == 0)) {
    Angle += 180;
  }
  const float Life = FParticleLifeTime->GetRealValue(T);
  const float Range = FParticleLifeTimeRange->GetRealValue(T);
  float LifeTime = static_cast<float>(RandomInRange(Life - Range, Life + Range));
  if (!(LifeTime >= 0.1f)) {
    LifeTime = 0.1f;
  }
  return CreateParticle(WP.X, WP.Y, Angle, FParticleP0->GetRealValue(T),
                        FParticleP1->GetRealValue(T), LifeTime);
}

void TGCustomParticleEmitter::SetupParticleSymbol(TGSymbol* Symbol, int32_t Time) {
  Symbol->SetBlending(FBlending->GetBlendingValue(Time));
  Symbol->SetTextureFilter(FTextureFilter->GetTextureFilterValue(Time));
  Symbol->SetGraphic(dynamic_cast<TGGraphic*>(FParticleSample->GetResValue(Time)));
}

// TGParticleEmitter ---------------------------------------------------------------------------

TGParticleEmitter::TGParticleEmitter(TGObject* AOwner)
    : TGCustomParticleEmitter(AOwner)
    , FParticleVelocityScript(new TGMathScript(this))
    , FParticleDirectionScript(new TGMathScript(this))
    , FParticleAngleScript(new TGMathScript(this))
    , FParticleWeightScript(new TGMathScript(this))
    , FParticleScaleScript(new TGMathScript(this))
    , FParticleAspectRatioScript(new TGMathScript(this))
    , FParticleAlphaScript(new TGMathScript(this))
    , FParticleRedScript(new TGMathScript(this))
    , FParticleGreenScript(new TGMathScript(this))
    , FParticleBlueScript(new TGMathScript(this)) {
  auto Text = [](const char* S) { return TGVariant(std::string(S)); };
  SetVar(FModellingStep, new TGIntegerSeq("ModellingStep", TGVariant(int32_t{100})));
  SetVar(FParticleVelocity, new TGStringSeq("ParticleVelocity", Text("200")));
  SetVar(FParticleDirection, new TGStringSeq("ParticleDirection", Text("RandG[0, 20]-180")));
  SetVar(FParticleAngle, new TGStringSeq("ParticleAngle", Text("MotionAngle")));
  SetVar(FParticleWeight, new TGStringSeq("ParticleWeight", Text("100")));
  SetVar(FParticleScale, new TGStringSeq("ParticleScale", Text("Env[T, 0, 1, 1]")));
  SetVar(FParticleAspectRatio, new TGStringSeq("ParticleAspectRatio", Text("1")));
  SetVar(FParticleAlpha, new TGStringSeq("ParticleAlpha", Text("Env[T, 1, 1, 0]")));
  SetVar(FParticleRed, new TGStringSeq("ParticleRed", Text("1")));
  SetVar(FParticleGreen, new TGStringSeq("ParticleGreen", Text("1")));
  SetVar(FParticleBlue, new TGStringSeq("ParticleBlue", Text("1")));
}

void TGParticleEmitter::UpdateScripts(int32_t Time) {
  const std::pair<TGMathScript*, TGStringSeq*> Pairs[] = {
      {FParticleVelocityScript, FParticleVelocity},
      {FParticleDirectionScript, FParticleDirection},
      {FParticleAngleScript, FParticleAngle},
      {FParticleWeightScript, FParticleWeight},
      {FParticleScaleScript, FParticleScale},
      {FParticleAspectRatioScript, FParticleAspectRatio},
      {FParticleAlphaScript, FParticleAlpha},
      {FParticleRedScript, FParticleRed},
      {FParticleGreenScript, FParticleGreen},
      {FParticleBlueScript, FParticleBlue},
  };
  for (const auto& [Script, Seq] : Pairs) {
    Script->SetAsString(Seq->GetStringValue(Time));
  }
}

void TGParticleEmitter::Update() {
  UpdateScripts(FElapsedTime);
  inherited::Update();
}

float TGParticleEmitter::AngleDiff(float A, float B) {
  if (std::fabs(B - A) >= 180) {
    if (A < 0) {
      A += 360;
    }
    if (B < 0) {
      B += 360;
    }
  }
  return B - A;
}

bool TGParticleEmitter::MathFunction(int32_t Identifier, std::span<const TParameter> Parameters,
                                     double& Result) {
  const TGMathParser& MP = GetMathParser();
  const size_t N = Parameters.size();
  if (Identifier == MP.FuncTime()) {
    Result = FLifeTime > 0 ? static_cast<double>(FTime) / FLifeTime : 0.0;
  } else if (Identifier == MP.FuncX()) {
    Result = FX;
  } else if (Identifier == MP.FuncY()) {
    Result = FY;
  } else if (Identifier == MP.FuncMotionAngle()) {
    Result = FMotionAngle;
  } else if (Identifier == MP.FuncP0()) {
    Result = FP0;
  } else if (Identifier == MP.FuncP1()) {
    Result = FP1;
  } else if (Identifier == MP.FuncEnv()) {
    // Env (x, a1, ..., an): the values spread evenly over x = 0..1, linear between them.
    if (N < 3) {
      throw Error();
    }
    const size_t Count = N - 1;
    const double D = static_cast<double>(Count - 1) * Parameters[0].Value + 1;
    if (!(D >= 1)) { // also NaN
      Result = Parameters[1].Value;
    } else if (D < static_cast<double>(Count)) {
      const auto I = static_cast<size_t>(D);
      const double F = D - static_cast<double>(I);
      Result = (1 - F) * Parameters[I].Value + F * Parameters[I + 1].Value;
    } else {
      Result = Parameters[Count].Value;
    }
  } else if (Identifier == MP.FuncRandU()) {
    if (N != 2) {
      throw Error();
    }
    const double M = Parameters[0].Value, R = Parameters[1].Value;
    Result = RandomInRange(M - R, M + R);
  } else if (Identifier == MP.FuncRandG()) {
    if (N != 2) {
      throw Error();
    }
    Result = RandomGauss(Parameters[0].Value, Parameters[1].Value);
  } else {
    return false;
  }
  return true;
}

TGGraphic* TGParticleEmitter::CreateParticle(float X, float Y, float Direction, float P0, float P1,
                                             float LifeTime) {
  const int32_t T = FElapsedTime;
  FTime = 0;
  FX = X;
  FY = Y;
  FP0 = P0;
  FP1 = P1;
  const double LifeMs = std::trunc(static_cast<double>(LifeTime) * 1000.0);
  FLifeTime = !(LifeMs > 0)                ? 0
              : LifeMs >= CVarSeqEndOfTime ? CVarSeqEndOfTime
                                           : static_cast<int32_t>(LifeMs);
  FMotionAngle = Direction;

  TGAnimatedParticle* Particle = nullptr;
  const bool Pooled = AnimatedParticlesPool && AnimatedParticlesPool->GetParticle(Particle);
  if (!Pooled) {
    Particle = new TGAnimatedParticle(nullptr);
  }
  try {
    Particle->SetLifeTime(FLifeTime);
    Particle->SetColor(ContentColor(T));
    SetupParticleSymbol(Particle->Symbol(), T);

    // A step of 0 or less would never reach the end of the life.
    int32_t Step = std::min(std::max(FModellingStep->GetIntegerValue(T), 1), FLifeTime);
    if (FLifeTime / CMaxModellingSteps >= Step) {
      Step = FLifeTime / CMaxModellingSteps + 1;
    }
    double H = Step * 0.001;
    const uint32_t Seed = GlobalRandom().Seed();
    double Drift = 0;
    float Prev = FMotionAngle;
    const double DirDeg = static_cast<double>(Direction);
    for (;;) {
      // Every step draws the same random values: a random term keeps its value over the life.
      GlobalRandom().SetSeed(Seed);
      const double V = FParticleVelocityScript->Evaluate();
      const double D = FParticleDirectionScript->Evaluate();
      const double Wt = FParticleWeightScript->Evaluate();
      const float Al = FParticleAlphaScript->Evaluate();
      const float R = FParticleRedScript->Evaluate();
      const float G = FParticleGreenScript->Evaluate();
      const float B = FParticleBlueScript->Evaluate();
      const float S = FParticleScaleScript->Evaluate();
      const float AR = FParticleAspectRatioScript->Evaluate();
      // The weight pulls downwards, in pixels per second squared.
      Drift += Wt * H;
      const double Heading = (DirDeg + D) * CDegToRad;
      const double VX = std::cos(Heading) * V;
      const double VY = std::sin(Heading) * V + Drift;
      const auto Motion = static_cast<float>(ArcTan2(VY, VX) * CRadToDeg + 90);
      FMotionAngle += AngleDiff(Prev, Motion);
      Prev = FMotionAngle;
      const float A = FParticleAngleScript->Evaluate();
      FX = static_cast<float>(FX + VX * H);
      FY = static_cast<float>(FY + VY * H);

      Particle->X()->SetRealValue(FTime, FX);
      Particle->Y()->SetRealValue(FTime, FY);
      Particle->ScaleX()->SetRealValue(FTime, S * AR);
      Particle->ScaleY()->SetRealValue(FTime, S / AR);
      Particle->Alpha()->SetRealValue(FTime, Al);
      Particle->Red()->SetRealValue(FTime, R);
      Particle->Green()->SetRealValue(FTime, G);
      Particle->Blue()->SetRealValue(FTime, B);
      Particle->Angle()->SetRealValue(FTime, A);

      if (FTime == FLifeTime) {
        break;
      }
      if (FTime + Step > FLifeTime) {
        H = (FLifeTime - FTime) * 0.001;
        FTime = FLifeTime;
      } else {
        FTime += Step;
      }
    }
  } catch (...) {
    if (!Pooled || !AnimatedParticlesPool->ReleaseParticle(Particle)) {
      Particle->Free();
    }
    throw;
  }
  return Particle;
}
