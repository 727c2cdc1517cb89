#include "Screens/UFlyingObject.h"

#include "Screens/UFlyingConfigurations.h"
#include "Screens/UFlyingControl.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "drawables/UGGraphic.h"
#include "locations/UBaseLocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

G_IMPLEMENT_CLASS(TBaseFlyingObject)
G_IMPLEMENT_CLASS(TFlyingObject)

namespace {

// The failure as said to the log: an engine error's own text, without where it was raised.
std::string ReasonOf(const std::exception& E) {
  const auto* Engine = dynamic_cast<const EGException*>(&E);
  return Engine ? Engine->Text() : std::string(E.what());
}

} // namespace

// --- The flight ----------------------------------------------------------------------------------

void TBaseFlyingObject::Setup(TBaseFlyingControl* AControl, TGameObject* AObject,
                              const TFlightFinishEvent& AFinishProc,
                              const std::string& AConfigName) {
  if (!AControl || !AObject) {
    throw Error("A flight needs its control and its object");
  }
  FConfigName = AConfigName;
  FFlyingControl = AControl;
  FGameObject = AObject;
  FFinishProc = AFinishProc;
  FElapsedTime = 0;
  Subscribe(TGNotification(AObject, &TGObject::NotifyDestroy),
            TGNotifyEvent(this, &TBaseFlyingObject::OnGameObjectDestroyed));
}

void TBaseFlyingObject::Create(TBaseFlyingControl* AControl, TGameObject* AObject,
                               const TFlightFinishEvent& AFinishProc,
                               const std::string& AConfigName) {
  Setup(AControl, AObject, AFinishProc, AConfigName);
  InitAnimation(false, TGFlatVector{0, 0});
  LeaveLocation();
}

void TBaseFlyingObject::Create(TBaseFlyingControl* AControl, TGameObject* AObject,
                               const TGFlatVector& AStartPos, const TFlightFinishEvent& AFinishProc,
                               const std::string& AConfigName) {
  Setup(AControl, AObject, AFinishProc, AConfigName);
  InitAnimation(true, AStartPos);
  LeaveLocation();
}

void TBaseFlyingObject::LeaveLocation() {
  TBaseLocation* Location = CurrentPlayer ? CurrentPlayer->CurrentLocation() : nullptr;
  if (Location) {
    Location->RemoveGameObject(FGameObject);
  }
}

void TBaseFlyingObject::Destroy() {
  if (FGameObject) {
    UnSubscribe(FGameObject);
    FGameObject = nullptr;
  }
  inherited::Destroy();
}

void TBaseFlyingObject::OwnedObjectDestroying(TGObject* Obj) {
  if (Obj == FFlyAnimation) {
    FFlyAnimation = nullptr;
  }
  inherited::OwnedObjectDestroying(Obj);
}

void TBaseFlyingObject::OnGameObjectDestroyed(TGObject* Sender) {
  if (Sender == FGameObject) {
    FGameObject = nullptr;
  }
}

std::string TBaseFlyingObject::GetFlyingConfigName() const {
  if (!FConfigName.empty()) {
    return FConfigName;
  }
  if (!FGameObject) {
    return std::string();
  }
  if (!FGameObject->FlyingConfigName().empty()) {
    return FGameObject->FlyingConfigName();
  }
  if (TLocationGameObjectBehavior* Behavior = LocationBehaviorOf(FGameObject)) {
    return Behavior->FlyingConfigName(FGameObject);
  }
  return FGameObject->IsTool() ? FlightNames::CTool : FlightNames::CDefault;
}

void TBaseFlyingObject::InitAnimation(bool AUseStartPos, const TGFlatVector& AStartPos) {
  TGameObject* Obj = FGameObject;
  const TGColor Color(Obj->Color());
  TGFlatVector Pt = AUseStartPos ? AStartPos : TGFlatVector{Obj->Left(), Obj->Top()};
  // The animation places its channels by their centres: the object's centre, turned with it
  // about its top-left corner.
  const float A = Obj->Angle() * std::numbers::pi_v<float> / 180.0f;
  const TGFlatVector H{Obj->Width() * 0.5f, Obj->Height() * 0.5f};
  Pt.X += std::cos(A) * H.X - std::sin(A) * H.Y;
  Pt.Y += std::cos(A) * H.Y + std::sin(A) * H.X;
  TGFlatVector Scale{1, 1};
  if (TGGraphic* Graphic = Obj->Gfx(); Graphic && Graphic->Width() != 0 && Graphic->Height() != 0) {
    Scale = TGFlatVector{Obj->Width() / Graphic->Width(), Obj->Height() / Graphic->Height()};
  }

  TFlyingConfig* Config = FFlyingControl->Configs()->GetConfigByName(GetFlyingConfigName());
  TFlyingConfigKeySet Keys;
  Keys.Include(fcsStartPos);
  Keys.Include(fcsScale);
  Keys.Include(fcsAngle);
  TGAnimation* Animation = Config->StartAnimation(Obj, Keys, Pt, Scale, Color, Obj->Angle());
  if (FFlyAnimation) {
    FFlyAnimation->Free();
  }
  FFlyAnimation = Animation;
  Animation->SetOwner(this);

  if (!Config->SoundURL().empty() && AD) {
    try {
      AD->PlaySfx(Config->SoundURL());
    } catch (const std::exception& E) {
      ODS("The flight of %s plays no sound: %s", Obj->ID(), ReasonOf(E));
    }
  }
  AnimationChanged();
}

void TBaseFlyingObject::AnimationChanged() {
  if (!FFlyAnimation) {
    return;
  }
  FFlyAnimation->Update(0);
  FTotalTime = FFlyAnimation->TotalTime();
}

void TBaseFlyingObject::Draw() {
  if (!FFlyAnimation || FFailed) {
    return;
  }
  try {
    FFlyAnimation->Draw();
  } catch (const std::exception& E) {
    // Reported once; the flight lands at the next update.
    FFailed = true;
    ODS("The flight of %s cannot be drawn: %s", FGameObject ? FGameObject->ID() : std::string("?"),
        ReasonOf(E));
  }
}

bool TBaseFlyingObject::Update(float Interval) {
  if (!FFlyAnimation || !FGameObject || FFailed) {
    return true;
  }
  FFlyAnimation->Update(Interval);
  // A speed that would never let the time run out (none, negative or not a number) counts as
  // normal speed, so that no flight holds the screen for ever.
  float Speed = FFlyAnimation->Speed();
  if (!(Speed > 0) || !std::isfinite(Speed)) {
    Speed = 1;
  }
  const double Step = std::trunc(static_cast<double>(Interval) * 1000.0 * Speed);
  const double Elapsed = static_cast<double>(FElapsedTime) + (std::isfinite(Step) ? Step : 0.0);
  FElapsedTime = static_cast<int32_t>(std::clamp(Elapsed, 0.0, 2147483647.0));
  return FElapsedTime >= FTotalTime;
}

void TBaseFlyingObject::Stop() {
  if (FFlyingControl) {
    FFlyingControl->Pop(this);
  }
}

// --- With the points -----------------------------------------------------------------------------

void TFlyingObject::InitAnimation(bool AUseStartPos, const TGFlatVector& AStartPos) {
  inherited::InitAnimation(AUseStartPos, AStartPos);
  TGameObject* Obj = GameObject();
  const int32_t Points = Obj->Points();
  if (Points == 0 || Obj->TakingCount() >= 1) {
    return;
  }
  const TGFlatVector Centre = RectCenter(Obj->BoundingRect());
  if (TGAnimation* Shown = PointsAnimation(CPointsURL, 0, Points)) {
    if (Shown->Count() > 1) {
      Shown->Channels(1)->SetVisible(false);
    }
    AddPointsChannel(Shown, Centre, false);
  }
  IPlayScreen* Screen = FlyingControl()->Screen();
  const int Factor = Screen ? Screen->BonusFactor() : 1;
  if (Factor > 1) {
    if (TGAnimation* Bonus = PointsAnimation(CBonusPointsURL, 2, Points * (Factor - 1))) {
      AddPointsChannel(Bonus, Centre, true);
    }
  }
  AnimationChanged();
}

TGAnimation* TFlyingObject::PointsAnimation(const char* URL, int32_t TextChannel, int32_t Points) {
  TGResourceLibrary* Library = MainResourceLibrary();
  try {
    auto* Source =
        Library ? TryObjectCast<TGAnimation>(Library->GetResourceEx(URL, false)) : nullptr;
    if (!Source) {
      ODS("No points shown: no animation %s", std::string(URL));
      return nullptr;
    }
    TGObjectPtr<TGAnimation> Copy(static_cast<TGAnimation*>(Source->Clone(nullptr)));
    auto* Text = TextChannel < Copy->Count()
                     ? TryObjectCast<TGLiveText>(Copy->Channels(TextChannel))
                     : nullptr;
    if (!Text) {
      ODS("No points shown: channel %d of %s is no text", TextChannel, std::string(URL));
      return nullptr;
    }
    Text->Data()->Clear();
    Text->Data()->SetWideStringValue(0, std::to_string(Points));
    // The flight's animation keeps the clone while its picture channel shows it.
    Copy->SetOwner(FlyAnimation());
    return Copy.release();
  } catch (const std::exception& E) {
    ODS("No points shown from %s: %s", std::string(URL), ReasonOf(E));
    return nullptr;
  }
}

void TFlyingObject::AddPointsChannel(TGAnimation* Points, const TGFlatVector& Centre,
                                     bool KeepInPlace) {
  TGAnimation* Flight = FlyAnimation();
  auto* Channel = TGChannel::Create<TGLivePicture>(Flight);
  Channel->SetCaption(KeepInPlace ? "BonusPoints" : "Points");
  Channel->PivotX()->SetRealValue(0, 0.5f);
  Channel->PivotY()->SetRealValue(0, 0.5f);
  Channel->X()->SetRealValue(0, Centre.X);
  Channel->Y()->SetRealValue(0, Centre.Y);
  if (KeepInPlace) {
    const int32_t End = Flight->TotalTime();
    Channel->X()->SetRealValue(End, Centre.X);
    Channel->Y()->SetRealValue(End, Centre.Y);
  }
  Channel->Gfx()->SetResValue(0, Points);
}
