#include "animation/UGSceneChannel.h"

#include "drawables/UGSprite.h"
#include "scene3d/UGSceneCamera.h"
#include "scene3d/UGSceneRoot.h"

#include <algorithm>
#include <cmath>
#include <limits>

G_IMPLEMENT_CLASS(TGSceneChannel)

namespace {

constexpr float CDegToRad = 3.14159265358979f / 180;

// Rounded half to even and kept inside the 32-bit range (NaN gives 0).
int32_t ToInt(double V) {
  if (std::isnan(V))
    return 0;
  return static_cast<int32_t>(std::clamp(V, -2147483648.0, 2147483647.0));
}

TGMatrix Scaling(float X, float Y) {
  return MatScaling(X, Y, 1);
}

TGMatrix Translation(float X, float Y) {
  return MatTranslation(X, Y, 0);
}

// The default view of a scene without camera: from DefaultViewPos along DefaultViewAngles.
TGMatrix DefaultView(const TGSceneRoot& Scene) {
  const TGVector& A = Scene.EditorOptions.DefaultViewAngles;
  const float P = -A.X * CDegToRad;
  const float Y = -A.Y * CDegToRad;
  const float R = A.Z * CDegToRad;
  const TGVector Forward{std::cos(P) * std::cos(Y), std::cos(P) * std::sin(Y), -std::sin(P)};
  const TGVector Up{std::cos(Y) * std::sin(P) * std::cos(R) + std::sin(Y) * std::sin(R),
                    std::sin(Y) * std::sin(P) * std::cos(R) - std::cos(Y) * std::sin(R),
                    std::cos(P) * std::cos(R)};
  const TGVector& Eye = Scene.EditorOptions.DefaultViewPos;
  return SafeLookAt(Eye, Eye + Forward, Forward, Up, {});
}

} // namespace

TGSceneChannel::TGSceneChannel(TGObject* AOwner)
    : TGMovie(AOwner) {
  SetVar(FSceneURL, new TGResourceSeq("SceneURL", TGVariant::Null()));
  SetVar(FCameraName, new TGStringSeq("CameraName", TGVariant(std::string())));
  SetVar(FWidth, new TGRealEnv("Width", 256, nullptr, false));
  SetVar(FHeight, new TGRealEnv("Height", 192, nullptr, false));
  SetVar(FPreciseHit, new TGBoolSeq("PreciseHit", TGVariant(false)));
}

void TGSceneChannel::Publish(TGClassBuilder<TGSceneChannel>& B) {
  B.Property("SceneURL", &TGSceneChannel::SceneURL)
      .Property("CameraName", &TGSceneChannel::CameraName)
      .Property("Width", &TGSceneChannel::Width)
      .Property("Height", &TGSceneChannel::Height)
      .Property("PreciseHit", &TGSceneChannel::PreciseHit)
      .Property("Instance", &TGSceneChannel::Instance);
}

void TGSceneChannel::Destroy() {
  FreeInstance();
  inherited::Destroy();
}

void TGSceneChannel::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = dynamic_cast<TGSceneChannel*>(Dest); D && D != this) {
    D->FreeInstance();
    D->FSceneStartTime = 0;
    D->FOldElapsedTime = 0;
  }
}

void TGSceneChannel::FreeInstance() {
  FCamera = nullptr;
  FreeAndNil(FSceneInstance);
  if (FCurrentScene)
    UnSubscribe(FCurrentScene);
  FCurrentScene = nullptr;
}

void TGSceneChannel::OnSceneDestroy(TGObject* Sender) {
  if (Sender == FCurrentScene)
    FCurrentScene = nullptr;
}

void TGSceneChannel::GetExtent(int32_t Time, TGVector& Extent) {
  Extent = TGVector{FWidth->GetRealValue(Time), FHeight->GetRealValue(Time), 0};
}

// --- Update --------------------------------------------------------------------------------------

void TGSceneChannel::Update() {
  const int32_t T = FElapsedTime;
  auto* Scene = dynamic_cast<TGSceneRoot*>(FSceneURL->GetResValue(T));
  const int Key = FSceneURL->FindActiveTerm(T);
  const int32_t KeyTime = Key < 0 ? 0 : FSceneURL->Terms(Key).Time;
  // A copy cannot run back in time: going back starts it afresh.
  if (T < FOldElapsedTime)
    FreeInstance();
  if (Scene != FCurrentScene || KeyTime != FSceneStartTime) {
    FreeInstance();
    FSceneStartTime = KeyTime;
    if (Scene) {
      FCurrentScene = Scene;
      Subscribe(TGNotification(Scene, &TGObject::NotifyDestroy),
                TGNotifyEvent(this, &TGSceneChannel::OnSceneDestroy));
      FSceneInstance = Scene->CloneScene();
      FSceneInstance->UpdateScene(static_cast<float>(T - KeyTime) / 1000.0f);
    }
  } else if (FSceneInstance) {
    FSceneInstance->UpdateScene(static_cast<float>(T - FOldElapsedTime) / 1000.0f);
  }
  const std::string Name = FCameraName->GetStringValue(T);
  if (!FCamera || FCamera->Name() != Name) {
    FCamera = nullptr;
    if (!Name.empty() && FSceneInstance)
      FCamera = dynamic_cast<TGSceneCamera*>(FSceneInstance->FindNode(Name));
  }
  FOldElapsedTime = T;
}

// --- Camera and placement ------------------------------------------------------------------------

TGRect TGSceneChannel::GetViewport(int32_t Time) {
  const int32_t Left = ToInt(std::ceil(double{FX->GetRealValue(Time)}));
  const int32_t Top = ToInt(std::ceil(double{FY->GetRealValue(Time)}));
  const double W = std::floor(double{FWidth->GetRealValue(Time)});
  const double H = std::floor(double{FHeight->GetRealValue(Time)});
  return TGRect{Left, Top, ToInt(Left + W), ToInt(Top + H)};
}

bool TGSceneChannel::GetCameraMatrices(const TGRect& Rect, TGMatrix& View, TGMatrix& Projection) {
  if (!FSceneInstance)
    return false;
  if (FCamera) {
    View = FCamera->CalcViewMatrix();
    Projection = FCamera->CalcProjectionMatrix(Rect);
    return true;
  }
  const float Near = FSceneInstance->MinVisibleDistance();
  View = DefaultView(*FSceneInstance);
  Projection = SceneProjection(fovHor, 2 * Near * std::tan(45 * CDegToRad), false,
                               static_cast<float>(int64_t{Rect.Right} - Rect.Left),
                               static_cast<float>(int64_t{Rect.Bottom} - Rect.Top), Near,
                               FSceneInstance->MaxVisibleDistance());
  return true;
}

bool TGSceneChannel::PlaceScene(TGMatrix& View, TGMatrix& Projection, TGViewport& Viewport) {
  const int32_t T = FElapsedTime;
  const float W = FWidth->GetRealValue(T);
  const float H = FHeight->GetRealValue(T);
  // A rectangle without area shows nothing (and would divide by zero).
  if (!(std::nearbyint(W) >= 1 && std::nearbyint(H) >= 1) || !std::isfinite(W) || !std::isfinite(H))
    return false;
  const TGMatrix M = TransformMatrix(T) * GD->GetMatrixByType(mWorld) * GD->GetMatrixByType(mView);
  const TGMatrix& P = GD->GetMatrixByType(mProjection);
  const TGMatrix Full = M * P;
  TGMatrix CV;
  TGMatrix CP;
  GetCameraMatrices(TGRect{0, 0, ToInt(std::nearbyint(W)), ToInt(std::nearbyint(H))}, CV, CP);

  // The rectangle's bounding box on the screen, in device coordinates with y downward.
  float F = std::numeric_limits<float>::max();
  float Hx = -F;
  float MinY = F;
  float MaxY = -F;
  for (const TGVector& C :
       {TGVector{0, 0, 0}, TGVector{W, 0, 0}, TGVector{0, H, 0}, TGVector{W, H, 0}}) {
    const float X = C.X * Full.M[0][0] + C.Y * Full.M[1][0] + Full.M[3][0];
    const float Y = C.X * Full.M[0][1] + C.Y * Full.M[1][1] + Full.M[3][1];
    const float Wc = C.X * Full.M[0][3] + C.Y * Full.M[1][3] + Full.M[3][3];
    if (!(Wc > 1e-6f))
      return false; // a corner behind the eye: no picture can be placed
    F = std::min(F, X / Wc);
    Hx = std::max(Hx, X / Wc);
    MinY = std::min(MinY, Y / Wc);
    MaxY = std::max(MaxY, Y / Wc);
  }
  float Mt = -MaxY;
  float Tb = -MinY;
  if (F >= 1 || Mt >= 1 || Hx <= -1 || Tb <= -1)
    return false; // wholly off the screen
  if (!(Hx - F > 1e-7f) || !(Tb - Mt > 1e-7f))
    return false; // squeezed to a line

  // The projection with depth and w passed through and y turned downward.
  TGMatrix P2 = P;
  for (int R = 0; R < 4; ++R)
    P2.M[R][3] = R == 3 ? 1 : 0;
  P2.M[2][2] = 1;
  P2.M[1][1] = -P2.M[1][1];
  P2.M[3][1] = -P2.M[3][1];

  TGMatrix NP = CP * Scaling(W / 2, -H / 2) * Translation(W / 2, H / 2) * M * P2 *
                Translation(-F, -Mt) * Scaling(2 / (Hx - F), 2 / (Tb - Mt)) * Translation(-1, -1) *
                Scaling(1, -1);
  // Only the visible part of the box gets the viewport: stretch the picture to match.
  if (Hx > 1 && F < -1) {
    NP = NP * Scaling((Hx - F) / 2, 1) * Translation((Hx + F) / 2, 0);
  } else if (Hx > 1) {
    const float S = (Hx - F) / (1 - F);
    NP = NP * Scaling(S, 1) * Translation(S - 1, 0);
  } else if (F < -1) {
    const float S = (Hx - F) / (Hx + 1);
    NP = NP * Scaling(S, 1) * Translation(1 - S, 0);
  }
  if (Tb > 1 && Mt < -1) {
    NP = NP * Scaling(1, (Tb - Mt) / 2) * Translation(0, -(Tb + Mt) / 2);
  } else if (Tb > 1) {
    const float S = (Tb - Mt) / (1 - Mt);
    NP = NP * Scaling(1, S) * Translation(0, 1 - S);
  } else if (Mt < -1) {
    const float S = (Tb - Mt) / (Tb + 1);
    NP = NP * Scaling(1, S) * Translation(0, S - 1);
  }
  F = std::clamp(F, -1.0f, 1.0f);
  Hx = std::clamp(Hx, -1.0f, 1.0f);
  Mt = std::clamp(Mt, -1.0f, 1.0f);
  Tb = std::clamp(Tb, -1.0f, 1.0f);

  const TGViewport& V = GD->Viewport();
  const float VW = static_cast<float>(V.Right - V.Left);
  const float VH = static_cast<float>(V.Bottom - V.Top);
  Viewport = TGViewport{0,
                        1,
                        ToInt(std::nearbyint(VW * (F + 1) / 2 + V.Left)),
                        ToInt(std::nearbyint(VH * (Mt + 1) / 2 + V.Top)),
                        ToInt(std::nearbyint(VW * (Hx + 1) / 2 + V.Left)),
                        ToInt(std::nearbyint(VH * (Tb + 1) / 2 + V.Top))};
  View = CV;
  Projection = NP;
  return Viewport.Right > Viewport.Left && Viewport.Bottom > Viewport.Top;
}

// --- Drawing and hits ----------------------------------------------------------------------------

void TGSceneChannel::Draw() {
  TGMatrix View;
  TGMatrix Projection;
  TGViewport Viewport;
  if (MaskRenderingStep != 2 && FSceneInstance && GD && PlaceScene(View, Projection, Viewport)) {
    if (TGSprite::Batch)
      TGSprite::Batch->Flush(); // what was queued before belongs under the scene
    TGDeviceStateGuard Guard(TGDeviceStateMask{bMatrices, bViewport});
    GD->SetViewport(Viewport);
    GD->SetMatrixByType(mView, View);
    GD->SetMatrixByType(mProjection, Projection);
    FSceneInstance->DrawScene();
  }
  TGMovie::Draw();
}

bool TGSceneChannel::Hit(const TGVector& Point) {
  if (!FSceneInstance)
    return false;
  const TGRect V = GetViewport(FElapsedTime);
  if (!FPreciseHit->GetBoolValue(FElapsedTime))
    return V.Left <= Point.X && Point.X < V.Right && V.Top <= Point.Y && Point.Y < V.Bottom;
  if (V.Right <= V.Left || V.Bottom <= V.Top)
    return false;
  TGMatrix View;
  TGMatrix Projection;
  GetCameraMatrices(V, View, Projection);
  const float X = static_cast<float>(V.Left);
  const float Y = static_cast<float>(V.Top);
  const float W = static_cast<float>(int64_t{V.Right} - V.Left);
  const float H = static_cast<float>(int64_t{V.Bottom} - V.Top);
  const TGVector Far =
      Vec3Unproject(TGVector{Point.X, Point.Y, 1}, X, Y, W, H, 0, 1, Projection, View, MatIdentity);
  const TGVector Near = Vec3Unproject(TGVector{Point.X, Point.Y, 0.1f}, X, Y, W, H, 0, 1,
                                      Projection, View, MatIdentity);
  const TGVector Dir = VecNormalizeSafe(Far - Near);
  if (Dir == VecZero)
    return false;
  TGVector Contact;
  TGVector Normal;
  return FSceneInstance->TraceTree(Near, Dir, Contact, Normal) != nullptr;
}
