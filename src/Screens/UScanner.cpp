#include "Screens/UScanner.h"

#include "animation/UGAnimation.h"
#include "animation/UGChannel.h"
#include "animation/UGVarSeq.h"
#include "audio/UGAudio.h"
#include "base/UGStrUtils.h"
#include "flow/UPlayScreen.h"
#include "graphics/UGGraphicsDevice.h"
#include "locations/ULocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWindow.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TScanner)

namespace {

constexpr const char* CBehaviorURL = "UI\\GameWindow\\ScannerBehavior.ani";
constexpr const char* CClueURL = "UI\\MapScreen\\What.png";
constexpr const char* CScannerWidget = "GameInterface\\Scanner";
constexpr const char* CBrokenWidget = "GameInterface\\ScannerBroken";
constexpr const char* CClosedWidget = "GameInterface\\ScannerClosed";
constexpr int32_t CBreakTime = 30000;
constexpr int32_t CTurningOnTime = 500;
constexpr float CMaxSide = 45;

TGResource* Resource(const std::string& URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  return Library ? Library->GetResourceEx(URL, false) : nullptr;
}

TGameDifficulty Difficulty() {
  return CurrentPlayer ? CurrentPlayer->GameDifficulty() : gdApprentice;
}

void PlaySound(const char* URL) {
  if (AD) {
    AD->PlaySfx(URL, false);
  }
}

// The middle of an object: of its bounding rectangle with a picture, else of its own box.
TGFlatVector Middle(TGameObject* Obj) {
  if (Obj->Gfx()) {
    const TGRectFloat& R = Obj->BoundingRect();
    return {(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2};
  }
  return {Obj->Left() + Obj->Width() / 2, Obj->Top() + Obj->Height() / 2};
}

} // namespace

TScanner::TScanner(TGObject* AOwner, TGWindow* AGameScreen)
    : TGObject(AOwner)
    , FGameScreen(AGameScreen) {
  if (auto* Behavior = TryObjectCast<TGAnimation>(Resource(CBehaviorURL))) {
    FScannerColorEnabled = true;
    FScannerBehavior = static_cast<TGAnimation*>(CloneObject(*Behavior, this));
  }
  SetClosed(false);
}

void TScanner::Publish(TGClassBuilder<TScanner>& B) {
  B.Property("SelectedObject", &TScanner::SelectedObject)
      .Property("LastGameObject", &TScanner::LastGameObject)
      .Property("Broken", &TScanner::Broken)
      .Property("Closed", &TScanner::Closed, &TScanner::SetClosed)
      .Property("Visible", &TScanner::GetVisible, &TScanner::SetVisible)
      .Property("Enabled", &TScanner::Enabled, &TScanner::SetEnabled)
      .Method("SetObject", &TScanner::SetObject, {"Obj"})
      .Method("ResetSelectedObject", &TScanner::ResetSelectedObject)
      .Method("TurnOn", &TScanner::TurnOn)
      .Method("BreakScanner", &TScanner::BreakScanner)
      .Method("Noise", &TScanner::Noise, {"Milliseconds"});
}

void TScanner::Destroy() {
  for (TGameObject* Obj : {FObject, FLastGameObject}) {
    if (Obj) {
      UnSubscribe(Obj);
    }
  }
  FObject = FLastGameObject = nullptr;
  inherited::Destroy();
}

void TScanner::OnLinkedDestroyed(TGObject* Sender) {
  if (Sender == FObject) {
    FObject = nullptr;
    FreeGfx();
  }
  if (Sender == FLastGameObject) {
    FLastGameObject = nullptr;
  }
}

void TScanner::SetWidgetVisible(const char* Path, bool Value) {
  if (TGWidget* W = FGameScreen ? FGameScreen->FindWidget(Path) : nullptr) {
    W->SetVisible(Value);
  }
}

bool TScanner::GetVisible() const {
  TGWidget* W = FGameScreen ? FGameScreen->FindWidget(CScannerWidget) : nullptr;
  return FVisible || (W && W->Visible());
}

void TScanner::SetVisible(bool Value) {
  FVisible = Value;
  SetWidgetVisible(CScannerWidget, Value);
}

void TScanner::FreeGfx() {
  if (FGfx) {
    FGfx->Free();
    FGfx = nullptr;
  }
}

void TScanner::SetObject(TGameObject* Obj) {
  if (FIsResetingSelectingObject) {
    FIsResetingSelectingObject = false;
  } else if (Difficulty() == gdAdventurer && FObject && FObject->Clue().empty()) {
    return; // at the middle difficulty a selection stands until it is reset
  }
  if (Obj == FObject || FClosed) {
    return;
  }
  if (Obj && Obj != FLastGameObject) {
    if (FLastGameObject && FLastGameObject != FObject) {
      UnSubscribe(FLastGameObject);
    }
    FLastGameObject = Obj;
    Subscribe(TGNotification(Obj, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TScanner::OnLinkedDestroyed));
  }
  if (FBroken) {
    if (OnEvent) {
      OnEvent(this, setSelectionWhileBroken);
    }
    return;
  }
  if (!FEnabled) {
    return;
  }
  if (Difficulty() == gdAdventurer && FUseCounter > 0) {
    SetClosed(true);
  }
  if (Obj && Obj->Clue().empty()) {
    ++FUseCounter;
    if (auto* L =
            TryObjectCast<TLocation>(CurrentPlayer ? CurrentPlayer->CurrentLocation() : nullptr)) {
      L->ScannerUsed = true;
    }
  }
  FCurrColor = TGColor(0xFFFFFFFF);
  if (FObject && FObject != FLastGameObject) {
    UnSubscribe(FObject);
  }
  FObject = Obj;
  if (Obj && Obj != FLastGameObject) {
    Subscribe(TGNotification(Obj, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TScanner::OnLinkedDestroyed));
  }
  FreeGfx();
  if (Obj) {
    TGGraphic* Shown =
        Obj->Clue().empty() ? Obj->Gfx() : TryObjectCast<TGGraphic>(Resource(CClueURL));
    if (Shown) {
      FGfx = static_cast<TGGraphic*>(CloneObject(*Shown, this));
    }
    ComputeCentre();
  }
  if (TGWidget* Scanner = FGameScreen ? FGameScreen->FindWidget(CScannerWidget) : nullptr) {
    if (TGWidget* Active = Scanner->FindWidget("Active")) {
      Active->SetVisible(!Obj);
    }
  }
}

void TScanner::ComputeCentre() {
  FObjCenter = Middle(FObject);
  // An object behind others: the scanner measures against the first hider still in the way.
  const TGameObjectCollection* Objects = CurrentPlayer && CurrentPlayer->CurrentLocation()
                                             ? CurrentPlayer->CurrentLocation()->Objects()
                                             : nullptr;
  if (Objects) {
    std::vector<std::string> Hiders;
    SplitString(FObject->HiddenBy(), ',', Hiders);
    for (const std::string& ID : Hiders) {
      TGameObject* Hider = Objects->GetByIDReadOnly(Trim(ID));
      if (Hider && Hider->Visible() && Hider->TakingCount() == 0) {
        FObjCenter = Middle(Hider);
        break;
      }
    }
  }
  const float W = GD ? static_cast<float>(GD->Width()) : 800;
  const float H = GD ? static_cast<float>(GD->Height()) : 600;
  FMaxDistance = 0;
  for (const TGFlatVector Corner :
       {TGFlatVector{0, 0}, TGFlatVector{0, H}, TGFlatVector{W, 0}, TGFlatVector{W, H}}) {
    const float DX = Corner.X - FObjCenter.X;
    const float DY = Corner.Y - FObjCenter.Y;
    FMaxDistance = std::max(FMaxDistance, DX * DX + DY * DY);
  }
  FMaxDistance = std::max(FMaxDistance, 1.0f);
}

void TScanner::ResetSelectedObject() {
  FIsResetingSelectingObject = true;
  SetObject(nullptr);
}

void TScanner::PerformItemClickSound() {
  SetObject(nullptr);
  PlaySound(FBroken ? "UI\\GameScreen\\ScannerOut.ogg" : "UI\\GameScreen\\BPItemClick.ogg");
}

void TScanner::ResetUseCounter() {
  FUseCounter = 0;
  SetClosed(false);
}

void TScanner::SetClosed(bool Value) {
  if (!GetVisible()) {
    return;
  }
  FClosed = Value;
  auto* Closed =
      FGameScreen ? TryObjectCast<TGPicture>(FGameScreen->FindWidget(CClosedWidget)) : nullptr;
  if (!Closed) {
    return;
  }
  if (auto* A = TryObjectCast<TGAnimation>(Resource(Value ? "UI\\GameWindow\\ScannerClose.ani"
                                                          : "UI\\GameWindow\\ScannerOpen.ani"))) {
    Closed->SetGfx(A);
  }
  Closed->SetVisible(true);
}

void TScanner::ShowOnBroken(const char* AnimationURL) {
  SetWidgetVisible(CScannerWidget, false);
  auto* Broken =
      FGameScreen ? TryObjectCast<TGPicture>(FGameScreen->FindWidget(CBrokenWidget)) : nullptr;
  if (!Broken) {
    return;
  }
  if (auto* A = TryObjectCast<TGAnimation>(Resource(AnimationURL))) {
    Broken->SetGfx(A);
  }
  Broken->SetVisible(true);
}

void TScanner::BreakScanner() {
  FBrokenTime = CBreakTime;
  if (FBroken) {
    return;
  }
  FBroken = true;
  FBrokenType = sbtBreak;
  ResetSelectedObject();
  ShowOnBroken("UI\\GameWindow\\RadarOff.ani");
}

void TScanner::Noise(int32_t Milliseconds) {
  FBroken = true;
  FBrokenTime = Milliseconds;
  FBrokenType = sbtNoise;
  ShowOnBroken("UI\\GameWindow\\RadarDefect.ani");
}

void TScanner::TurnOn() {
  FBroken = false;
  FBrokenType = sbtNone;
  FBrokenTime = 0;
  SetWidgetVisible(CScannerWidget, true);
  SetWidgetVisible(CBrokenWidget, false);
}

void TScanner::Update(float Interval) {
  FRecovered = false;
  if (Difficulty() == gdSuperSleuth && !FClosed) {
    SetClosed(true);
  }
  if (FBrokenType != sbtNone) {
    FBrokenTime -= static_cast<int32_t>(Interval * 1000);
    if (FBrokenTime < 1) {
      if (FBrokenType == sbtBreak) {
        FBrokenType = sbtTurningOn;
        FBrokenTime = CTurningOnTime;
        ShowOnBroken("UI\\GameWindow\\RadarOn.ani");
      } else {
        TurnOn();
        FRecovered = true;
      }
    }
    return;
  }
  if (FGfx) {
    FGfx->Update(Interval);
  }
  if (!FObject || !FScannerColorEnabled || FScannerBehavior->Count() == 0) {
    FCurrColor = TGColor(0xFFFFFFFF);
    return;
  }
  IPlayScreen* Screen = PlayScreen();
  const TGFlatVector Mouse = Screen ? Screen->CursorPosition() : FObjCenter;
  const float DX = Mouse.X - FObjCenter.X;
  const float DY = Mouse.Y - FObjCenter.Y;
  const float T = std::sqrt(std::min(1.0f, (DX * DX + DY * DY) / FMaxDistance));
  const auto Time = static_cast<int32_t>(T * static_cast<float>(FScannerBehavior->TotalTime()));
  auto* Channel = TryObjectCast<TGMovie>(FScannerBehavior->Channels(0));
  if (!Channel) {
    return;
  }
  TGColor C = Channel->Color()->GetColorValue(Time);
  C.A =
      static_cast<uint8_t>(std::clamp(Channel->Alpha()->GetRealValue(Time) * 255.0f, 0.0f, 255.0f));
  FCurrColor = C;
}

void TScanner::Draw() {
  if (FClosed || !FGfx || !FGameScreen) {
    return;
  }
  TGWidget* Scanner = FGameScreen->FindWidget(CScannerWidget);
  if (!Scanner) {
    return;
  }
  const TGRectFloat R = Scanner->ScreenRect();
  const float Side = std::max(FGfx->Width(), FGfx->Height());
  const float Scale = Side > CMaxSide ? CMaxSide / Side : 1.0f;
  FGfx->Draw(FCurrColor, bDefault, (R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2, 0.5f, 0.5f, 0,
             Scale, Scale, tfLinear);
}
