#include "widgets/UGWidgetEffect.h"

#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGLiveWidget.h"

G_IMPLEMENT_CLASS(TGWidgetEffect)

void TGWidgetEffect::Publish(TGClassBuilder<TGWidgetEffect>& B) {
  B.Property("Kind", &TGWidgetEffect::Kind, &TGWidgetEffect::SetKind)
      .Property("Widget", &TGWidgetEffect::Widget, &TGWidgetEffect::SetWidget);
}

void TGWidgetEffect::SetWidget(TGWidget* W) {
  FWidget = W;
  for (int32_t I = 0; I < Count(); ++I) {
    if (auto* LW = dynamic_cast<TGLiveWidget*>(GetChannel(I)))
      LW->SetWidget(W);
  }
}

void TGWidgetEffect::AssignTo(TGObject* Dest) const {
  if (auto* D = dynamic_cast<TGWidgetEffect*>(Dest)) {
    if (D == this)
      return;
    D->SetWidget(FWidget);
    D->FKind = FKind;
  }
  inherited::AssignTo(Dest);
}

void TGWidgetEffect::ChannelAdded(TGChannel* Channel) {
  inherited::ChannelAdded(Channel);
  if (auto* LW = dynamic_cast<TGLiveWidget*>(Channel))
    LW->SetWidget(FWidget);
}

void TGWidgetEffect::BeforeChannelDraw(TGChannel* Channel) {
  inherited::BeforeChannelDraw(Channel);
  GD->PushState(bMatrix);
  auto* LW = dynamic_cast<TGLiveWidget*>(Channel);
  if (!LW || !LW->Widget())
    return;
  try {
    // At the rest time (the end of a show, the start of a hide) the channel's own transform
    // cancels this inverse: the widget stands exactly where it is placed.
    const int32_t RestTime = FKind == weShow ? TotalTime() : 0;
    TGMatrix Inverse;
    if (MatInverse(LW->TransformMatrix(RestTime), Inverse))
      GD->SetMatrixByType(mWorld, Inverse * GD->GetMatrixByType(mWorld));
  } catch (...) {
    GD->PopState();
    throw;
  }
}

void TGWidgetEffect::AfterChannelDraw(TGChannel* Channel) {
  inherited::AfterChannelDraw(Channel);
  GD->PopState();
}
