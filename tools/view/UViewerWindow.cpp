#include "UViewerWindow.h"

#include "animation/UGSceneChannel.h"

#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGModelAnimation.h"
#include "scene3d/UGSceneCamera.h"
#include "scene3d/UGSceneRoot.h"
#include "text/UGFont.h"
#include "text/UGText.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TViewerWindow)

namespace {

// The viewer's sample: the demo dictionary's welcome line, then every kind of character ("$",
// "#" and "<" would start a key, a rule or a tag).
constexpr const char* CSampleText =
    "$Welcome$\r\n\r\n"
    "The quick brown fox jumps over the lazy dog. AVATAR Wavy Type, 1234567890.\r\n"
    "Voix ambiguë d'un cœur qui, au zéphyr, préfère les jattes de kiwis: «ça», 3,50 €.\r\n"
    "!\"%&'()*+,-./:;=?@[\\]^_`{|}~ \u00a1\u00bf\u00e0\u00e9\u00ee\u00f5\u00fc\u00df";

// A model turns once in about twenty seconds.
constexpr float CTurnSpeed = 0.3f;

TGLight DirectionalLight(const TGVector& Direction, TGColor Diffuse) {
  TGLight L;
  L.LightType = ltDirectional;
  L.Diffuse = Diffuse;
  L.Specular = Diffuse;
  L.Direction = VecNormalize(Direction);
  return L;
}

} // namespace

void TViewerWindow::SetModel(const TGModel* Model) {
  FModel = static_cast<TGModel*>(Model->Clone(nullptr));
  if (FModel->Animations()->GetCount() > 0)
    FModel->SetCurrentAnimation(FModel->Animations()->GetItem(0));
  FModel->Update(0);
}

void TViewerWindow::UpdateModel(float Interval) {
  FTurn = std::fmod(FTurn + Interval * CTurnSpeed, 6.2831853f);
  if (TGCustomModelAnimation* A = FModel->CurrentAnimation()) {
    const int32_t Total = A->GetTotalTime();
    if (Total > 0 && A->ElapsedTime() >= Total)
      A->SetElapsedTime(A->ElapsedTime() % Total);
  }
  FModel->Update(Interval);
}

void TViewerWindow::DrawModel() {
  TGVector Min;
  TGVector Max;
  if (!FModel->CalcBBox(Min, Max))
    return;
  const TGVector Center = (Min + Max) * 0.5f;
  const float Radius = std::max(VecLength(Max - Min) * 0.5f, 0.01f);
  // Seen from the front right (+x, -y) a little from above, the whole box inside a 40 degree
  // view.
  const TGVector Eye = Center + TGVector{Radius * 1.8f, -Radius * 2.2f, Radius * 1.1f};
  const float Near = Radius * 0.5f;
  const float Far = Radius * 8;
  const float H = Near * std::tan(20 * 3.14159265f / 180);
  const float W = H * static_cast<float>(GD->Width()) / static_cast<float>(GD->Height());
  GD->PushState(TGDeviceStateMask{bMatrices, bMaterial, bLights, bOther});
  GD->SetMatrixByType(mProjection, MatPerspective(-W, H, W, -H, Near, Far));
  GD->SetMatrixByType(mView, MatLookAt(Eye, Center, TGVector{0, 0, 1}));
  GD->SetMatrixByType(mWorld,
                      MatTranslation(-Center) * MatRotationZ(FTurn) * MatTranslation(Center));
  GD->SetZEnable(true);
  GD->SetZWriteEnable(true);
  GD->SetLighting(true);
  GD->SetNormalizeNormals(true);
  GD->SetLight(0, DirectionalLight(TGVector{-1, -0.4f, -0.8f}, 0xFFFFFFFFu));
  GD->SetLight(1, DirectionalLight(TGVector{0.6f, 1, 0.2f}, 0xFF606060u));
  GD->SetLightEnable(0, true);
  GD->SetLightEnable(1, true);
  GD->SetMaterialDiffuse(0xFFFFFFFFu);
  try {
    FModel->Draw();
  } catch (...) {
    GD->PopState();
    throw;
  }
  GD->PopState();
}

// The first camera of the tree in depth-first order, or none.
static TGSceneCamera* FirstCamera(TGSceneNode* Node) {
  if (auto* Camera = dynamic_cast<TGSceneCamera*>(Node))
    return Camera;
  for (int I = 0; I < Node->ChildCount(); ++I)
    if (TGSceneCamera* Camera = FirstCamera(Node->Child(I)))
      return Camera;
  return nullptr;
}

void TViewerWindow::SetScene(TGSceneRoot* Scene) {
  // Shown as the game shows scenes: through a scene channel, here as large as the screen.
  FScene = new TGSceneChannel();
  FScene->SceneURL()->SetResValue(0, Scene);
  if (TGSceneCamera* Camera = FirstCamera(Scene))
    FScene->CameraName()->SetStringValue(0, Camera->Name());
  FScene->Width()->SetRealValue(0, GD ? static_cast<float>(GD->Width()) : 800.0f);
  FScene->Height()->SetRealValue(0, GD ? static_cast<float>(GD->Height()) : 600.0f);
  FSceneTime = 0;
  FScene->SetElapsedTime(0);
}

void TViewerWindow::FreeAll() {
  FreeAndNil(FSymbol);
  FreeAndNil(FText);
  FreeAndNil(FModel);
  FreeAndNil(FScene);
}

void TViewerWindow::SetResource(TGResource* Resource) {
  FreeAll();
  if (auto* Scene = dynamic_cast<TGSceneRoot*>(Resource)) {
    SetScene(Scene);
    return;
  }
  if (auto* Model = dynamic_cast<TGModel*>(Resource)) {
    SetModel(Model);
    return;
  }
  if (auto* Font = dynamic_cast<TGFont*>(Resource)) {
    SetText(CSampleText, Font);
    return;
  }
  if (auto* Graphic = dynamic_cast<TGGraphic*>(Resource)) {
    FSymbol = new TGSymbol();
    FSymbol->SetGraphic(Graphic);
  }
}

void TViewerWindow::SetText(const std::string& Data, TGFont* Font) {
  FreeAll();
  FText = new TGText();
  FText->SetFont(Font);
  FText->SetData(Data);
  FText->SetX(10);
  FText->SetY(10);
  FText->SetExtent(TGVector{GD ? GD->Width() - 20.0f : 780.0f, 10000, 0});
}

void TViewerWindow::Destroy() {
  FreeAll();
  inherited::Destroy();
}

void TViewerWindow::UpdateTree(float Interval) {
  if (FSymbol) {
    FSymbol->Update(Interval);
  }
  if (FText) {
    FText->Update(Interval);
  }
  if (FModel) {
    UpdateModel(Interval);
  }
  if (FScene) {
    FSceneTime += Interval * 1000.0;
    FScene->SetElapsedTime(static_cast<int32_t>(FSceneTime));
  }
  inherited::UpdateTree(Interval);
}

void TViewerWindow::DrawTree() {
  if (!GD) {
    return;
  }
  GD->Erase(TGColor(0xFF000000));
  if (FSymbol) {
    TGSprite::BeginBatch();
    FSymbol->Draw();
    TGSprite::EndBatch();
  }
  if (FText) {
    GD->SetMatrixByType(mWorld, MatIdentity);
    FText->Draw();
  }
  if (FModel) {
    DrawModel();
  }
  if (FScene) {
    GD->SetMatrixByType(mWorld, MatIdentity);
    FScene->Draw();
  }
}
