#include "widgets/UFadeWindow.h"

#include "graphics/UGGraphicsDevice.h"
#include "math/UGMathTypes.h"
#include "object/UGClassBuilder.h"

#include <algorithm>
#include <cmath>
#include <utility>

G_ENUM_INFO(TFadeWindowState, "fwsNone", "fwsFadeIn", "fwsFadeOut", "fwsCustom")

G_IMPLEMENT_CLASS(TFadeWidget)
G_IMPLEMENT_CLASS(TFadeWindow)

// --- TFadeWidget -------------------------------------------------------------------------------

TFadeWidget::TFadeWidget(TGObject* AOwner)
    : TGWidget(AOwner) {
  // The layer's own colour: the tint of an ordinary widget is not applied to it, since it draws
  // itself without the widget's drawing helper.
  FColor = TGColor(0xFF000000);
}

void TFadeWidget::DrawTree() {
  // A transparent layer changes no pixel: the full-screen rectangle is not drawn at all.
  if (!FVisible || !GD || FAlphaVal == 255) {
    return;
  }
  TGDeviceStateGuard State(TGDeviceStateMask{bMatrix});
  GD->SetMatrixByType(mWorld, MatIdentity);
  TGColor C = FColor;
  C.A = static_cast<uint8_t>(255 - FAlphaVal);
  GD->DrawRect(C, 0, 0, static_cast<float>(GD->Width()), static_cast<float>(GD->Height()));
}

// --- TFadeWindow -------------------------------------------------------------------------------

void TFadeWindow::Publish(TGClassBuilder<TFadeWindow>& B) {
  B.Property("LastFadedWidget", &TFadeWindow::LastFadedWidget, &TFadeWindow::SetLastFadedWidget)
      .Property("Paused", &TFadeWindow::Paused)
      .Property("FadeValue", &TFadeWindow::FadeValue, &TFadeWindow::SetFadeValue)
      .Property("FadeState", &TFadeWindow::FadeState, &TFadeWindow::SetFadeState)
      .Property("FadeSpeed", &TFadeWindow::FadeSpeed, &TFadeWindow::FadeSpeed);
}

void TFadeWindow::AfterConstruction() {
  inherited::AfterConstruction();
  FadeSpeed = 1200;
  FFadeState = fwsNone;
  FFadeWidget = New<TFadeWidget>(this);
  FFadeWidget->SetVisible(false);
  Subscribe(TGNotification(FFadeWidget, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TFadeWindow::OnWatchedDestroy));
}

void TFadeWindow::Destroy() {
  if (FFadeWidget) {
    UnSubscribe(FFadeWidget);
    FFadeWidget = nullptr;
  }
  FLastFadedWidget = nullptr;
  inherited::Destroy();
}

void TFadeWindow::OnWatchedDestroy(TGObject* Sender) {
  if (Sender == FFadeWidget) {
    // Freed as a child (a Clear or a Remove of the window's children): a new layer is made the
    // next time one is needed.
    FFadeWidget = nullptr;
  }
}

void TFadeWindow::FadeIn(bool LockUpdate, bool ShowWindow, TGWidget* LastFaded) {
  FFadeState = fwsFadeIn;
  FLockUpdate = LockUpdate;
  SetLastFadedWidget(LastFaded);
  if (ShowWindow) {
    Show({});
  }
}

void TFadeWindow::FadeInModal(bool LockUpdate, TGWidget* LastFaded) {
  FadeIn(LockUpdate, false, LastFaded);
  ShowModal();
}

void TFadeWindow::FadeOut(bool LockUpdate, bool HideAfterFadeOut, TGWidget* LastFaded) {
  if (FFadeState == fwsFadeOut) {
    return;
  }
  FFadeState = fwsFadeOut;
  FLockUpdate = LockUpdate;
  SetLastFadedWidget(LastFaded);
  FHideAfterFadeOut = HideAfterFadeOut;
}

void TFadeWindow::CreateFadeAndFree(TGClass WindowClass, bool LockUpdate) {
  // Held before the cast, so that a class of another kind is freed again.
  TGObjectPtr<TGObject> Window(WindowClass->CreateInstance(nullptr));
  ObjectCast<TFadeWindow>(Window.get())->FadeInModal(LockUpdate, nullptr);
}

// The layer belongs to its window alone: it is taken out of the child list while the window is
// copied or saved, so that copies and files hold only the window's own widgets (a file naming
// the layer's class could not be loaded again), and put back at its place afterwards.
class TFadeWindow::TLayerAside {
public:
  explicit TLayerAside(const TFadeWindow* AWindow)
      : FWindow(const_cast<TFadeWindow*>(AWindow))
      , FIndex(AWindow->FFadeWidget ? AWindow->IndexOf(AWindow->FFadeWidget) : -1) {
    if (FIndex >= 0) {
      FWindow->Extract(FWindow->FFadeWidget);
    }
  }
  ~TLayerAside() {
    if (FIndex >= 0) {
      FWindow->Add(FWindow->FFadeWidget);
      FWindow->Move(FWindow->GetCount() - 1, FIndex);
    }
  }
  TLayerAside(const TLayerAside&) = delete;
  TLayerAside& operator=(const TLayerAside&) = delete;

private:
  TFadeWindow* FWindow;
  int32_t FIndex;
};

void TFadeWindow::AssignTo(TGObject* Dest) const {
  TLayerAside Aside(this);
  inherited::AssignTo(Dest);
}

TGXMLNode* TFadeWindow::SaveToXML() const {
  TLayerAside Aside(this);
  return inherited::SaveToXML();
}

void TFadeWindow::SetLastFadedWidget(TGWidget* W) {
  if (!W) {
    // The last child, leaving out the layer: once it is a child it is usually the last one, and
    // following itself would put it past the end of the list.
    for (auto It = FItems.rbegin(); It != FItems.rend(); ++It) {
      if (*It != FFadeWidget) {
        W = *It;
        break;
      }
    }
  }
  FLastFadedWidget = W;
}

TGWidget* TFadeWindow::LastFadedWidget() const {
  return FLastFadedWidget && IndexOf(FLastFadedWidget) >= 0 ? FLastFadedWidget : nullptr;
}

int32_t TFadeWindow::LayerIndex() const {
  // The last faded widget may have left the list since it was chosen (removed, or moved to
  // another parent): the layer then follows the last other child.
  int32_t Last =
      FLastFadedWidget && FLastFadedWidget != FFadeWidget ? IndexOf(FLastFadedWidget) : -1;
  if (Last < 0) {
    for (int32_t I = GetCount() - 1; I >= 0; --I) {
      if (FItems[static_cast<size_t>(I)] != FFadeWidget) {
        Last = I;
        break;
      }
    }
  }
  // Without the layer in the list, the index it gets when inserted; with it, where it goes once
  // it has been taken out of its current place.
  const int32_t Current = IndexOf(FFadeWidget);
  return Current >= 0 && Current < Last ? Last : Last + 1;
}

void TFadeWindow::Update(float DeltaTime) {
  if (!(FLockUpdate && (FPaused || FFadeState != fwsNone))) {
    inherited::Update(DeltaTime);
  }
  // A locked window's tree gets no time; its fade runs on the time of the tree update.
  const float Step = FLockUpdate ? std::exchange(FLockedFadeTime, 0.0f) : DeltaTime;
  if (FPaused || FFadeState == fwsNone) {
    return;
  }
  switch (FFadeState) {
  case fwsFadeIn:
    FFadeValue += Step * static_cast<float>(FadeSpeed);
    if (FFadeValue > 255) {
      FFadeValue = 255;
      FFadeState = fwsNone;
      AfterFadeIn();
    }
    break;
  case fwsFadeOut:
    if (FLastUpdate) {
      FLastUpdate = false;
      FFadeValue = 0;
      FFadeState = fwsNone;
      AfterFadeOut();
      if (FHideAfterFadeOut) {
        FVisible = false;
      }
    } else if (FFadeValue > 0) {
      FFadeValue -= Step * static_cast<float>(FadeSpeed);
      if (FFadeValue < 5) {
        FFadeValue = 0;
      }
    } else {
      FLastUpdate = true;
      LastUpdate(Step);
    }
    break;
  default:
    break;
  }
}

void TFadeWindow::UpdateTree(float DeltaTime) {
  FLockedFadeTime = FPaused ? 0 : DeltaTime;
  inherited::UpdateTree(FPaused || FLockUpdate ? 0 : DeltaTime);
}

void TFadeWindow::DrawTree() {
  if (FFadeState == fwsNone) {
    // The layer keeps the value the fade ended on: transparent after a fade-in, black after a
    // fade-out. The last frame drawn during a fade-in shows a value a little under 255; left at
    // that, the layer would shade the screen for good.
    if (FFadeWidget && IndexOf(FFadeWidget) >= 0) {
      FFadeWidget->SetAlphaVal(FadeAlpha());
    }
    inherited::DrawTree();
    return;
  }
  if (!FFadeWidget) {
    FFadeWidget = New<TFadeWidget>(this);
    Subscribe(TGNotification(FFadeWidget, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TFadeWindow::OnWatchedDestroy));
  }
  const int32_t Target = LayerIndex();
  const int32_t Current = IndexOf(FFadeWidget);
  if (Current < 0) {
    Add(FFadeWidget);
    Move(GetCount() - 1, Target);
  } else if (Current != Target) {
    Move(Current, Target);
  }
  FFadeWidget->SetVisible(true);
  FFadeWidget->SetAlphaVal(FadeAlpha());
  inherited::DrawTree();
  if (FLastUpdate) {
    LastDraw();
  }
}

uint8_t TFadeWindow::FadeAlpha() const {
  return static_cast<uint8_t>(std::nearbyint(std::clamp(FFadeValue, 0.0f, 255.0f)));
}

void TFadeWindow::ApplicationDeactivate() {
  FPaused = true;
  inherited::ApplicationDeactivate();
}

void TFadeWindow::ApplicationActivate() {
  inherited::ApplicationActivate();
  FPaused = false;
}
