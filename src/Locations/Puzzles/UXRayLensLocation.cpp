#include "Locations/Puzzles/UXRayLensLocation.h"

#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "widgets/UGWindowHost.h"

G_IMPLEMENT_CLASS(TNewYork_06)

namespace {

const char* const CLensID = "Radar2_04_03";

} // namespace

void TNewYork_06::Publish(TGClassBuilder<TNewYork_06>& B) {
  using T = TNewYork_06;
  B.Method("StartScanner", &T::StartScanner).Method("StopScanner", &T::StopScanner);
}

TGameObject* TNewYork_06::ScannerObj() const {
  return Objects()->GetByIDReadOnly(CLensID);
}

void TNewYork_06::StartScanner() {
  if (TGameObject* Lens = ScannerObj()) {
    Lens->SetVisible(true);
  }
}

void TNewYork_06::StopScanner() {
  if (TGameObject* Lens = ScannerObj()) {
    Lens->SetVisible(false);
  }
}

TGLivePicture* TNewYork_06::LensPicture() const {
  TGameObject* Lens = ScannerObj();
  auto* Ani = Lens ? TryObjectCast<TGAnimation>(Lens->Symbol()->Instance()) : nullptr;
  return Ani && Ani->Count() > 0 ? TryObjectCast<TGLivePicture>(Ani->Channels(0)) : nullptr;
}

void TNewYork_06::UpdateScanner() {
  TGLivePicture* Picture = LensPicture();
  if (!Picture || !WindowHost) {
    return;
  }
  const TGPoint& M = WindowHost->MousePos();
  Picture->X()->SetRealValue(0, CViewX - static_cast<float>(M.X));
  Picture->Y()->SetRealValue(0, CViewY - static_cast<float>(M.Y));
  auto* View = TryObjectCast<TGAnimation>(Picture->Instance());
  for (int32_t I = 1; View && I < View->Count(); ++I) {
    TGChannel* Channel = View->Channels(I);
    if (const TGameObject* Obj = Objects()->GetByIDReadOnly(Channel->Caption())) {
      Channel->SetVisible(!Obj->IsTaken());
    }
  }
}

void TNewYork_06::Update(int32_t AInterval) {
  if (TGameObject* Lens = ScannerObj(); Lens && WindowHost) {
    const TGPoint& M = WindowHost->MousePos();
    Lens->SetLeft(static_cast<float>(M.X) - Lens->Width() / 2);
    Lens->SetTop(static_cast<float>(M.Y) - Lens->Height() / 2);
    UpdateScanner();
  }
  inherited::Update(AInterval);
}
