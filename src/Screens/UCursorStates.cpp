#include "Screens/UCursorStates.h"

#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "app/UGApp.h"
#include "base/UGDebug.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGGraphicsDevice.h"
#include "math/UGMathUtils.h"
#include "objects/UGameObject.h"
#include "particles/UGParticleEmitter.h"
#include "particles/UGSimpleParticleEmitter.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGWidget.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <set>

G_IMPLEMENT_CLASS(TBaseCursorState)
G_IMPLEMENT_CLASS(TPointerCursorState)
G_IMPLEMENT_CLASS(TActableCursorState)
G_IMPLEMENT_CLASS(THotSpotCursorState)
G_IMPLEMENT_CLASS(THotSpotWrongCursorState)
G_IMPLEMENT_CLASS(TGameObjectCursorState)
G_IMPLEMENT_CLASS(TGreenGameObjectCursorState)
G_IMPLEMENT_CLASS(TSimpleCursorState)
G_IMPLEMENT_CLASS(THintCursorState)
G_IMPLEMENT_CLASS(TActBlueCursorState)
G_IMPLEMENT_CLASS(TGameCursorState)
G_IMPLEMENT_CLASS(TWalkCursorState)

namespace {

constexpr double CRadToDeg = 180.0 / std::numbers::pi;

// The graphic at URL from the program's library; none (reported) when it has none.
TGGraphic* CursorGraphic(const std::string& URL) {
  if (URL.empty()) {
    return nullptr;
  }
  TGResourceLibrary* Library = MainResourceLibrary();
  if (!Library) {
    return nullptr;
  }
  try {
    if (auto* G = TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false))) {
      return G;
    }
  } catch (const std::exception& E) {
    ODS("Cursor " + URL + ": " + E.what());
    return nullptr;
  }
  // The pointer asks every frame: a missing graphic is reported once.
  static std::set<std::string> Reported;
  if (Reported.insert(URL).second) {
    ODS("Cursor graphic not found: " + URL);
  }
  return nullptr;
}

template <class T>
T* ChannelAs(const TGAnimation* A, int32_t Index) {
  return A && Index >= 0 && Index < A->Count() ? TryObjectCast<T>(A->GetChannel(Index)) : nullptr;
}

} // namespace

// --- TBaseCursorState ----------------------------------------------------------------------------

TBaseCursorState::TBaseCursorState(TGObject* AOwner)
    : TGObject(AOwner) {}

void TBaseCursorState::Destroy() {
  for (TGObject* Obj :
       {static_cast<TGObject*>(FGameObject), FData, static_cast<TGObject*>(FWidget)}) {
    Unlink(Obj);
  }
  FGameObject = nullptr;
  FData = nullptr;
  FWidget = nullptr;
  inherited::Destroy();
}

void TBaseCursorState::Link(TGObject* Obj) {
  if (Obj) {
    Subscribe(TGNotification(Obj, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TBaseCursorState::OnLinkedDestroy));
  }
}

void TBaseCursorState::Unlink(TGObject* Obj) {
  if (Obj) {
    UnSubscribe(Obj);
  }
}

// The object or the data may go while the state is not current (a location unloads, a
// resource is freed with its library): the state forgets them.
void TBaseCursorState::OnLinkedDestroy(TGObject* Sender) {
  if (Sender == FGameObject) {
    FGameObject = nullptr;
  }
  if (Sender == FData) {
    FData = nullptr;
  }
  if (Sender == FWidget) {
    FWidget = nullptr;
  }
}

void TBaseCursorState::Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData) {
  // Simple states are initialised every frame: links change only when what they link does.
  TGObject* const Old[] = {FWidget, FGameObject, FData};
  TGObject* const New[] = {AWidget, AObject, AData};
  auto Among = [](TGObject* Obj, TGObject* const(&List)[3], int Count) {
    return std::find(List, List + Count, Obj) != List + Count;
  };
  for (int I = 0; I < 3; ++I) {
    if (Old[I] && !Among(Old[I], Old, I) && !Among(Old[I], New, 3)) {
      Unlink(Old[I]);
    }
  }
  for (int I = 0; I < 3; ++I) {
    if (New[I] && !Among(New[I], New, I) && !Among(New[I], Old, 3)) {
      Link(New[I]);
    }
  }
  FWidget = AWidget;
  FGameObject = AObject;
  FGameObjectGfxURL = AObject ? AObject->GfxURL() : std::string();
  FData = AData;
}

bool TBaseCursorState::NeedsInitialize(TBaseCursorState* AState, TGameObject* AObject,
                                       TGObject* AData) {
  (void)AState;
  (void)AObject;
  (void)AData;
  return true;
}

void TBaseCursorState::ShowOwnerCursorInApp() {
  if (App && FWidget) {
    // Setting the graphic tells the application that the cursor changed, so that this frame
    // draws it whatever lies under the mouse.
    App->Cursor()->SetGraphic(FWidget->Cursor());
  }
}

// --- The pointer ---------------------------------------------------------------------------------

void TPointerCursorState::Update() {
  if (TGWidget* W = Widget()) {
    TGGraphic* G = CursorGraphic(CGfxURL);
    if (W->Cursor() != G) {
      W->SetCursor(G);
    }
  }
}

// --- Cursors that carry the object's picture -----------------------------------------------------

void TActableCursorState::Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData) {
  inherited::Initialize(AWidget, AObject, AData);
  TGWidget* W = Widget();
  if (!W) {
    return;
  }
  if (AObject && AObject->FullCursor()) {
    W->SetCursor(AObject->Gfx());
  } else {
    UpdateOwnerCursor();
  }
  ShowOwnerCursorInApp();
}

bool TActableCursorState::NeedsInitialize(TBaseCursorState* AState, TGameObject* AObject,
                                          TGObject* AData) {
  (void)AData;
  if (!AState || AState->ClassType() != ClassType() || AObject != GameObject()) {
    return true;
  }
  const std::string URL = AObject ? AObject->GfxURL() : std::string();
  return URL != GameObjectGfxURL();
}

void TActableCursorState::UpdateOwnerCursor() {
  TGWidget* W = Widget();
  if (!W) {
    return;
  }
  const std::string URL = CursorGfxURL();
  TGGraphic* G = CursorGraphic(URL);
  W->SetCursor(G);
  auto* A = TryObjectCast<TGAnimation>(G);
  auto* Picture = ChannelAs<TGLivePicture>(A, 1);
  if (!Picture) {
    if (G) {
      ODS("Cursor " + URL + " has no picture channel 1 for the object");
    }
    return;
  }
  TGGraphic* ObjectGfx = GameObject() ? GameObject()->Gfx() : nullptr;
  if (!ObjectGfx && GameObject()) {
    ODS("Cursor " + URL + ": the object " + GameObject()->ID() + " has no picture");
  }
  Picture->Gfx()->Clear();
  if (ObjectGfx) {
    Picture->Gfx()->SetResValue(0, ObjectGfx);
  }
  UpdateGameObjectPos(A, 1, 0);
  // Told after the picture is placed: symbols showing the animation make their copies anew
  // and must see the picture where it belongs.
  A->NotifyChange();
}

void UpdateGameObjectPos(TGAnimation* Cursor, int32_t ObjectChannel, int32_t HotSpotChannel) {
  auto* Obj = ChannelAs<TGMovie>(Cursor, ObjectChannel);
  auto* Hot = ChannelAs<TGMovie>(Cursor, HotSpotChannel);
  auto* Picture = TryObjectCast<TGLivePicture>(Obj);
  if (!Obj || !Hot || !Picture) {
    return;
  }
  const TGVector E = Obj->ContentExtent(0);
  const int32_t W = static_cast<int32_t>(std::floor(E.X));
  const int32_t H = static_cast<int32_t>(std::floor(E.Y));
  auto* G = TryObjectCast<TGGraphic>(Picture->Gfx()->GetResValue(0));
  if (!G) {
    return;
  }
  G->Update(0);
  DecompressGfxRecursive(G);
  const TGVector O = G->Origin();
  int64_t Count = 0;
  double SumX = 0;
  double SumY = 0;
  for (int32_t Y = 0; Y < H; ++Y) {
    for (int32_t X = 0; X < W; ++X) {
      if (G->Hit(TGFlatVector{O.X + static_cast<float>(X), O.Y + static_cast<float>(Y)})) {
        ++Count;
        SumX += X;
        SumY += Y;
      }
    }
  }
  const float HX = Hot->X()->GetRealValue(0);
  const float HY = Hot->Y()->GetRealValue(0);
  if (Count > 0) {
    Obj->X()->SetRealValue(0, static_cast<float>(HX - SumX / static_cast<double>(Count)));
    Obj->Y()->SetRealValue(0, static_cast<float>(HY - SumY / static_cast<double>(Count)));
  } else {
    Obj->X()->SetRealValue(0, HX);
    Obj->Y()->SetRealValue(0, HY);
  }
}

void THotSpotCursorState::Update() {
  if (!App) {
    return;
  }
  // The sparks animation runs in the cursor the application draws, channel 2; its emitter is
  // its own channel 2.
  auto* Cursor = TryObjectCast<TGAnimation>(App->Cursor()->Instance());
  auto* Holder = ChannelAs<TGLivePicture>(Cursor, 2);
  auto* Sparks = Holder ? TryObjectCast<TGAnimation>(Holder->Instance()) : nullptr;
  if (!Sparks) {
    return;
  }
  Sparks->SetInternalLoop(TGAnimationInternalLoop::Make(true, 500, 1500));
  auto* Emitter = ChannelAs<TGCustomParticleEmitter>(Sparks, 2);
  if (!Emitter) {
    return;
  }
  const float Width =
      GD ? static_cast<float>(GD->Width()) : static_cast<float>(App->ScreenSize().X);
  const float G = (Width - static_cast<float>(App->MousePos().X)) / 80.0f * 9.0f + 45.0f;
  if (auto* Simple = TryObjectCast<TGSimpleParticleEmitter>(Emitter)) {
    Simple->GravityDir()->SetRealValue(0, G);
  }
  Emitter->Angle()->SetRealValue(0, G + 90.0f);
}

// --- Cursors that are one graphic ----------------------------------------------------------------

void TSimpleCursorState::Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData) {
  inherited::Initialize(AWidget, AObject, AData);
  if (TGWidget* W = Widget()) {
    W->SetCursor(CursorGraphic(CursorGfxURL()));
    ShowOwnerCursorInApp();
  }
}

std::string TGameCursorState::CursorGfxURL() const {
  return GameObject() ? GameObject()->CursorURL() : std::string();
}

// --- The walk cursor -----------------------------------------------------------------------------

bool IsWalkCursor(const TGGraphic* Graphic) {
  return Graphic && Graphic->URL() == TWalkCursorState::CGfxURL;
}

void SetWalkCursorAngle(TGAnimation* Cursor, const TGFlatVector& D) {
  auto* Arrow = ChannelAs<TGMovie>(Cursor, 0);
  auto* Man = ChannelAs<TGMovie>(Cursor, 1);
  if (!Arrow || !Man || Arrow->Caption() != "Arrow" || Man->Caption() != "Man") {
    throw Error();
  }
  const float Angle = static_cast<float>(ArcTan2(D.Y, D.X) * CRadToDeg);
  TGRealEnv* Env = Arrow->Angle();
  for (int I = 0; I < Env->Count(); ++I) {
    Env->SetRealValue(Env->Terms(I).Time, Angle);
  }
  const TGMatrix M =
      MatAffineTransform2D(TGFlatVector{Arrow->X()->GetRealValue(0), Arrow->Y()->GetRealValue(0)},
                           TGFlatVector{1, 1}, TGFlatVector{0, 0}, Angle);
  // The man's places come from the stored cursor, never from the instance: turning the turned
  // places again would wind them further every frame.
  auto* Stored = TryObjectCast<TGAnimation>(CursorGraphic(TWalkCursorState::CGfxURL));
  auto* StoredMan = Stored != Cursor ? ChannelAs<TGMovie>(Stored, 1) : nullptr;
  if (StoredMan) {
    TGRealEnv* X = StoredMan->X();
    for (int I = 0; I < X->Count(); ++I) {
      const int32_t T = X->Terms(I).Time;
      const TGVector P =
          Vec3TransformAffine(TGVector{X->GetRealValue(T), StoredMan->Y()->GetRealValue(T), 0}, M);
      Man->X()->SetRealValue(T, P.X);
      Man->Y()->SetRealValue(T, P.Y);
    }
  }
  Cursor->RefreshBoundingBox();
}

void TWalkCursorState::Initialize(TGWidget* AWidget, TGameObject* AObject, TGObject* AData) {
  inherited::Initialize(AWidget, AObject, AData);
  if (!App) {
    return;
  }
  TGSymbol* Symbol = App->Cursor();
  if (!IsWalkCursor(Symbol->Graphic())) {
    Symbol->SetGraphic(TryObjectCast<TGGraphic>(AData));
  }
  auto* Cursor = TryObjectCast<TGAnimation>(Symbol->Instance());
  if (!Cursor) {
    return;
  }
  const TGPoint& Mouse = App->MousePos();
  const TGPoint Screen = App->ScreenSize();
  const TGFlatVector Centre = Screen.X > 0 && Screen.Y > 0
                                  ? TGFlatVector{Screen.X / 2.0f, Screen.Y / 2.0f}
                                  : TGFlatVector{400, 300};
  try {
    SetWalkCursorAngle(Cursor, TGFlatVector{static_cast<float>(Mouse.X) - Centre.X,
                                            static_cast<float>(Mouse.Y) - Centre.Y});
  } catch (const EGException& E) {
    // A walk cursor drawn without its arrow and man stays as it is drawn; the frame goes on.
    if (!FReported) {
      ODS(std::string("Walk cursor without \"Arrow\" and \"Man\" channels: ") + E.what());
      FReported = true;
    }
  }
}

// --- Numbers of the states -----------------------------------------------------------------------

int32_t CursorStateIndex(TGClass StateClass) {
  static const TGClass Table[] = {
      TPointerCursorState::StaticClass(),    TActableCursorState::StaticClass(),
      THotSpotCursorState::StaticClass(),    THotSpotWrongCursorState::StaticClass(),
      TGameObjectCursorState::StaticClass(), TGreenGameObjectCursorState::StaticClass(),
      TSimpleCursorState::StaticClass(),     THintCursorState::StaticClass(),
      TActBlueCursorState::StaticClass(),    TGameCursorState::StaticClass(),
      TWalkCursorState::StaticClass()};
  for (TGClass C = StateClass; C; C = C->Parent) {
    for (int32_t I = 0; I < static_cast<int32_t>(std::size(Table)); ++I) {
      if (Table[I] == C) {
        return I;
      }
    }
  }
  return -1;
}

int32_t CursorStateIndex(const TBaseCursorState* State) {
  return State ? CursorStateIndex(State->ClassType()) : -1;
}
