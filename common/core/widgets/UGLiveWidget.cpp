#include "widgets/UGLiveWidget.h"

#include "object/UGClassBuilder.h"
#include "widgets/UGWidget.h"

G_IMPLEMENT_CLASS(TGLiveWidget)

void TGLiveWidget::Publish(TGClassBuilder<TGLiveWidget>& B) {
  B.Property("Widget", &TGLiveWidget::Widget, &TGLiveWidget::SetWidget);
}

void TGLiveWidget::GetExtent(int32_t Time, TGVector& Extent) {
  (void)Time;
  if (!FWidget)
    throw Error();
  Extent = TGVector{FWidget->Width(), FWidget->Height(), 0};
}

void TGLiveWidget::Draw() {
  if (!FWidget)
    throw Error();
  if (MaskRenderingStep != 2) {
    const int32_t T = FElapsedTime;
    TGDeviceStateGuard State(TGDeviceStateMask{bMatrix, bMaterial, bTexture0, bBlending});
    GD->SetTextureFilter(0, FTextureFilter->GetTextureFilterValue(T));
    const TGBlending Blend = FBlending->GetBlendingValue(T);
    if (Blend != bParent)
      GD->SetBlending(Blend);
    GD->SetMatrixByType(mWorld, TransformMatrix(T) * GD->GetMatrixByType(mWorld));
    GD->SetMaterialDiffuse(GD->MaterialDiffuse() * ContentColor(T));
    FWidget->DrawHelper();
  }
  TGMovie::Draw();
}

void TGLiveWidget::Update() {
  if (FWidget)
    FWidget->UpdateHelper(0);
}
