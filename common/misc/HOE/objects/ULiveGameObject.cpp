#include "objects/ULiveGameObject.h"

#include "locations/UBaseLocation.h"
#include "locations/ULocationAnimation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectCollection.h"
#include "player/UGameData.h"
#include "player/UPlayer.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TLiveGameObject)

TLiveGameObject::TLiveGameObject(TGObject* AOwner)
    : TGChannel(AOwner) {
  SetVar(FSmoothMove, new TGBoolSeq("SmoothMove", TGVariant(false)));
  SetVar(FX, new TGRealEnv("X", 0, FSmoothMove, false));
  SetVar(FY, new TGRealEnv("Y", 0, FSmoothMove, false));
  SetVar(FPivotX, new TGRealEnv("PivotX", 0, FSmoothMove, false));
  SetVar(FPivotY, new TGRealEnv("PivotY", 0, FSmoothMove, false));
  SetVar(FSmoothRotation, new TGBoolSeq("SmoothRotation", TGVariant(false)));
  SetVar(FAngle, new TGRealEnv("Angle", 0, FSmoothRotation, false));
  SetVar(FSmoothSizing, new TGBoolSeq("SmoothSizing", TGVariant(false)));
  SetVar(FWidth, new TGRealEnv("Width", 0, FSmoothSizing, false));
  SetVar(FHeight, new TGRealEnv("Height", 0, FSmoothSizing, false));
  SetVar(FVisibleSeq, new TGBoolSeq("Visible", TGVariant(true)));
  SetVar(FAllowMouse, new TGBoolSeq("AllowMouse", TGVariant(true)));
  SetVar(FGfxURL, new TGStringSeq("GfxURL", TGVariant(std::string())));
  SetVar(FAlpha, new TGRealEnv("Alpha", 0, nullptr, true));
  SetVar(FColor, new TGColorEnv("Color"));
}

void TLiveGameObject::Publish(TGClassBuilder<TLiveGameObject>& B) {
  B.Property("GameObjectId", &TLiveGameObject::GameObjectId, &TLiveGameObject::SetGameObjectId)
      .Property("GameObject", &TLiveGameObject::GameObject);
}

void TLiveGameObject::LinkCurves() {
  FX->SetCurved(FSmoothMove);
  FY->SetCurved(FSmoothMove);
  FPivotX->SetCurved(FSmoothMove);
  FPivotY->SetCurved(FSmoothMove);
  FAngle->SetCurved(FSmoothRotation);
  FWidth->SetCurved(FSmoothSizing);
  FHeight->SetCurved(FSmoothSizing);
}

void TLiveGameObject::AssignTo(TGObject* Dest) const {
  inherited::AssignTo(Dest);
  if (auto* D = TryObjectCast<TLiveGameObject>(Dest)) {
    D->LinkCurves();
    D->SetGameObjectId(FGameObjectId);
  }
}

TBaseLocation* TLiveGameObject::Location() const {
  if (InGameEditor() && CurrentPlayer && CurrentPlayer->CurrentLocation()) {
    return CurrentPlayer->CurrentLocation();
  }
  auto* A = TryObjectCast<TLocationAnimation>(Animation());
  return A ? A->Location() : nullptr;
}

void TLiveGameObject::SetGameObjectId(std::string_view Value) {
  if (Value != FGameObjectId) {
    Forget();
    FGameObjectId = Value;
  }
}

void TLiveGameObject::Forget() {
  if (FGameObject) {
    UnSubscribe(FGameObject);
    FGameObject = nullptr;
  }
}

void TLiveGameObject::OnGameObjectDestroyed(TGObject* Sender) {
  if (Sender == FGameObject) {
    FGameObject = nullptr;
  }
}

TGameObject* TLiveGameObject::GameObject() const {
  if (!FGameObject && !FGameObjectId.empty()) {
    TBaseLocation* L = Location();
    if (TGameObject* Found = L ? L->Objects()->GetByIDReadOnly(FGameObjectId) : nullptr) {
      FGameObject = Found;
      auto* Self = const_cast<TLiveGameObject*>(this);
      Subscribe(TGNotification(Found, &TGObject::NotifyDestroy),
                TGNotifyEvent(Self, &TLiveGameObject::OnGameObjectDestroyed));
    }
  }
  return FGameObject;
}

bool TLiveGameObject::Active() const {
  for (const TGVarSeq* S :
       {static_cast<const TGVarSeq*>(FX), static_cast<const TGVarSeq*>(FY),
        static_cast<const TGVarSeq*>(FAngle), static_cast<const TGVarSeq*>(FGfxURL),
        static_cast<const TGVarSeq*>(FWidth), static_cast<const TGVarSeq*>(FHeight),
        static_cast<const TGVarSeq*>(FPivotX), static_cast<const TGVarSeq*>(FPivotY),
        static_cast<const TGVarSeq*>(FAlpha), static_cast<const TGVarSeq*>(FColor)}) {
    if (S->GetCount() > 0) {
      return true;
    }
  }
  return false;
}

void TLiveGameObject::Update() {
  if (!Active()) {
    return;
  }
  TGameObject* Obj = GameObject();
  if (!Obj) {
    return;
  }
  const int32_t T = FElapsedTime;
  float W0 = FWidth->GetRealValue(0);
  float H0 = FHeight->GetRealValue(0);
  float W = FWidth->GetRealValue(T);
  float H = FHeight->GetRealValue(T);
  // The pivot in the object's unscaled extent lands on (X, Y); the object is scaled by its
  // size against the size at time 0 and turned about the pivot.
  TGFlatVector Pivot{FPivotX->GetRealValue(T) * W0, FPivotY->GetRealValue(T) * H0};
  TGFlatVector Scaling{W0 != 0 ? W / W0 : 1, H0 != 0 ? H / H0 : 1};
  TGFlatVector Translation{FX->GetRealValue(T) - Pivot.X, FY->GetRealValue(T) - Pivot.Y};
  TGMatrix M = MatAffineTransform2D(Pivot, Scaling, Translation, FAngle->GetRealValue(T));
  TGVector Origin = M.GetOrigin();
  Obj->SetLeft(Origin.X);
  Obj->SetTop(Origin.Y);
  Obj->SetWidth(W);
  Obj->SetHeight(H);
  Obj->SetAngle(FAngle->GetRealValue(T));
  Obj->SetAllowMouse(FAllowMouse->GetBoolValue(T));
  Obj->SetVisible(FVisibleSeq->GetBoolValue(T));
  uint32_t RGB = static_cast<uint32_t>(FColor->GetColorValue(T));
  float AlphaByte = std::clamp(FAlpha->GetRealValue(T), 0.0f, 1.0f) * 255.0f;
  uint32_t A = std::min<uint32_t>(255, (RGB >> 24) + static_cast<uint32_t>(AlphaByte));
  Obj->SetColor((RGB & 0x00FFFFFF) | (A << 24));
  std::string URL = FGfxURL->GetStringValue(T);
  // A channel without picture keys and without a default picture leaves the picture alone.
  if ((FGfxURL->GetCount() > 0 || !URL.empty()) && URL != Obj->GfxURL()) {
    Obj->SetGfxURL(URL);
    Obj->Update(0);
  }
}

void TLiveGameObject::Draw() {
  TGameObject* Obj = GameObject();
  if (!Obj) {
    return;
  }
  TBaseLocation* L = Location();
  if (L) {
    L->BeforeObjectDraw(Obj);
  }
  Obj->Draw();
  if (L) {
    L->AfterObjectDraw(Obj);
  }
}

void TLiveGameObject::GetExtent(int32_t Time, TGVector& Extent) {
  (void)Time;
  if (!GameObject()) {
    throw Error("GameObject not assigned");
  }
  Extent = TGVector{FWidth->GetRealValue(0), FHeight->GetRealValue(0), 0};
}

void TLiveGameObject::Move(int32_t Time, float DX, float DY) {
  FX->SetRealValue(Time, FX->GetRealValue(Time) + DX);
  FY->SetRealValue(Time, FY->GetRealValue(Time) + DY);
}

void TLiveGameObject::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  inherited::LoadFromXML(Context, Node);
  SetGameObjectId(Node->GetStrAttr("GameObjectId"));
  FX->SetDefValue(TGVariant(Node->GetFloatAttr("XDefValue")));
  FY->SetDefValue(TGVariant(Node->GetFloatAttr("YDefValue")));
  FWidth->SetDefValue(TGVariant(Node->GetFloatAttr("WidthDefValue")));
  FHeight->SetDefValue(TGVariant(Node->GetFloatAttr("HeightDefValue")));
  FAngle->SetDefValue(TGVariant(Node->GetFloatAttr("AngleDefValue")));
  FPivotX->SetDefValue(TGVariant::Currency(Node->GetFloatAttrDef("PivotXDefValue", 0.5f)));
  FPivotY->SetDefValue(TGVariant::Currency(Node->GetFloatAttrDef("PivotYDefValue", 0.5f)));
  FAlpha->SetDefValue(TGVariant(Node->GetFloatAttrDef("AlphaDefValue", 1)));
  FGfxURL->SetDefValue(TGVariant(Node->GetStrAttrDef("GFXDefValue", "")));
  FColor->SetDefValue(TGVariant(Node->GetLongwordAttrDef("ColorDefValue", 0xFFFFFF)));
  FAllowMouse->SetDefValue(TGVariant(Node->GetBoolAttrDef("AllowMouseDefValue", true)));
  FVisibleSeq->SetDefValue(TGVariant(Node->GetBoolAttrDef("VisibleDefValue", true)));
}

TGXMLNode* TLiveGameObject::SaveToXML() const {
  TGXMLNode* Node = inherited::SaveToXML();
  Node->SetStrAttr("GameObjectId", FGameObjectId);
  Node->SetFloatAttr("XDefValue", FX->DefValue().ToSingle());
  Node->SetFloatAttr("YDefValue", FY->DefValue().ToSingle());
  Node->SetFloatAttr("WidthDefValue", FWidth->DefValue().ToSingle());
  Node->SetFloatAttr("HeightDefValue", FHeight->DefValue().ToSingle());
  Node->SetFloatAttr("AngleDefValue", FAngle->DefValue().ToSingle());
  // The remaining defaults are written only when they differ from the usual ones.
  auto SetFloatDef = [Node](const char* Name, float Default, float Value) {
    if (Value != Default) {
      Node->SetFloatAttr(Name, Value);
    }
  };
  SetFloatDef("PivotXDefValue", 0.5f, FPivotX->DefValue().ToSingle());
  SetFloatDef("PivotYDefValue", 0.5f, FPivotY->DefValue().ToSingle());
  SetFloatDef("AlphaDefValue", 1, FAlpha->DefValue().ToSingle());
  Node->SetStrAttrDef("GFXDefValue", "", FGfxURL->DefValue().ToString());
  Node->SetLongwordAttrDef("ColorDefValue", 0xFFFFFF,
                           static_cast<uint32_t>(FColor->DefValue().ToInt64()));
  Node->SetBoolAttrDef("AllowMouseDefValue", true, FAllowMouse->DefValue().ToBoolean());
  Node->SetBoolAttrDef("VisibleDefValue", true, FVisibleSeq->DefValue().ToBoolean());
  return Node;
}
