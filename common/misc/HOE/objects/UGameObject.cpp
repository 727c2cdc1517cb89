#include "objects/UGameObject.h"

#include "animation/UGAnimation.h"
#include "base/UGDebug.h"
#include "base/UGRandom.h"
#include "base/UGStrUtils.h"
#include "drawables/UGSprite.h"
#include "flow/UPlayScreen.h"
#include "locations/ULocation.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObjectCollection.h"
#include "player/UGameData.h"
#include "player/UPlayer.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TGameObjectPositionList)
G_IMPLEMENT_CLASS(TBaseGameObject)
G_IMPLEMENT_CLASS(TGameObject)

// --- Positions ---------------------------------------------------------------------------------

void TGameObjectPositionList::CheckIndex(int AIndex) const {
  if (AIndex < 0 || AIndex >= Count()) {
    throw Error("Wrong position index");
  }
}

const TGameObjectPosition& TGameObjectPositionList::Position(int AIndex) const {
  CheckIndex(AIndex);
  return FList[static_cast<size_t>(AIndex)];
}

void TGameObjectPositionList::Change(int AIndex, const TGameObjectPosition& APosition) {
  CheckIndex(AIndex);
  FList[static_cast<size_t>(AIndex)] = APosition;
}

void TGameObjectPositionList::Delete(int AIndex) {
  CheckIndex(AIndex);
  FList.erase(FList.begin() + AIndex);
}

void TGameObjectPositionList::AssignTo(TGObject* Dest) const {
  TGameObjectPositionList* Target = TryObjectCast<TGameObjectPositionList>(Dest);
  if (!Target) {
    NotImplementedError();
  }
  Target->FList = FList;
}

// --- Objects -----------------------------------------------------------------------------------

namespace {

TGAnimation* AnimationOf(TGSymbol* Symbol) {
  return TryObjectCast<TGAnimation>(Symbol->Instance());
}

// The axis-aligned bounds of four points.
TGRectFloat Bounds(const TGFlatVector (&P)[4]) {
  TGRectFloat R{P[0].X, P[0].Y, P[0].X, P[0].Y};
  for (const TGFlatVector& V : P) {
    R.Left = std::min(R.Left, V.X);
    R.Top = std::min(R.Top, V.Y);
    R.Right = std::max(R.Right, V.X);
    R.Bottom = std::max(R.Bottom, V.Y);
  }
  return R;
}

TGFlatVector Transform(const TGFlatVector& P, const TGMatrix& M) {
  return GetXY(TGVector{P.X, P.Y, 0} * M);
}

// The IDs of a comma-separated list, trimmed, without empty entries.
std::vector<std::string> IDList(std::string_view List) {
  std::vector<std::string> Parts;
  SplitString(List, ',', Parts);
  std::vector<std::string> IDs;
  for (std::string& P : Parts) {
    std::string T = Trim(P);
    if (!T.empty()) {
      IDs.push_back(std::move(T));
    }
  }
  return IDs;
}

} // namespace

TBaseGameObject::TBaseGameObject(TGObject* AOwner)
    : TGClonableObject(AOwner)
    , FAttrs(new TDynProperties(this))
    , FPositions(new TGameObjectPositionList(this))
    , FSymbol(new TGSymbol(this)) {
  FSymbol->SetColor(FColor);
}

TBaseGameObject::TBaseGameObject(TGObject* AOwner, std::string_view AName)
    : TBaseGameObject(AOwner) {
  FID = AName;
}

void TBaseGameObject::Publish(TGClassBuilder<TBaseGameObject>& B) {
  using T = TBaseGameObject;
  B.Property("ID", &T::ID, &T::SetID)
      .Property("GroupID", &T::GroupID, &T::SetGroupID)
      .Property("IsTool", &T::IsTool, &T::SetIsTool)
      .Property("LocationBehaviorName", &T::LocationBehaviorName, &T::SetLocationBehaviorName)
      .Property("InventoryBehaviorName", &T::InventoryBehaviorName, &T::SetInventoryBehaviorName)
      .Property("Left", &T::Left, &T::SetLeft)
      .Property("Top", &T::Top, &T::SetTop)
      .Property("Width", &T::Width, &T::SetWidth)
      .Property("Height", &T::Height, &T::SetHeight)
      .Property("Color", &T::Color, &T::SetColor)
      .Property("Angle", &T::Angle, &T::SetAngle)
      .Property("GfxURL", &T::GfxURL, &T::SetGfxURL)
      .Property("IconURL", &T::IconURL, &T::SetIconURL)
      .Property("TakenURL", &T::TakenURL, &T::SetTakenURL)
      .Property("CursorURL", &T::CursorURL, &T::SetCursorURL)
      .Property("ExtentHit", &T::ExtentHit, &T::SetExtentHit)
      .Property("TakingCount", &T::TakingCount, &T::SetTakingCount)
      .Property("HiddenBy", &T::HiddenBy, &T::SetHiddenBy)
      .Property("Visible", &T::Visible, &T::SetVisible)
      .Property("Caption", &T::Caption, &T::SetCaption)
      .Property("FullCursor", &T::FullCursor, &T::SetFullCursor)
      .Property("AllowMouse", &T::AllowMouse, &T::SetAllowMouse)
      .Property("FlyingConfigName", &T::FlyingConfigName, &T::SetFlyingConfigName)
      .Property("AppearedInItems", &T::AppearedInItems, &T::SetAppearedInItems)
      .Property("PivotX", &T::PivotX, &T::SetPivotX)
      .Property("PivotY", &T::PivotY, &T::SetPivotY)
      .Method("GetStrAttr", &T::GetStrAttr, {"Name"})
      .Method("SetStrAttr", &T::SetStrAttr, {"Name", "Value"})
      .Method("IsHidden", &T::IsHidden)
      .Method("RandomizePosition", &T::RandomizePosition)
      .Method("RestartAnimation", &T::RestartAnimation)
      .Method("AdjustExtent", &T::AdjustExtent)
      .Method("CreateGfxInstance", &T::CreateGfxInstance)
      .Method("ReleaseGfxInstance", &T::ReleaseGfxInstance)
      .Method("DoUpdate", &T::DoUpdate, {"Interval"})
      .Method("Draw", &T::Draw);
}

void TBaseGameObject::SetID(std::string_view Value) {
  if (Value == FID) {
    return;
  }
  if (GameObjectCollector && GameObjectCollector->IndexOf(this) >= 0) {
    GameObjectCollector->ChangeID(this, Value);
    return;
  }
  FID = Value;
}

void TBaseGameObject::SetRectKeepingSize(float Left, float Top) {
  float W = Width();
  float H = Height();
  FRect = TGRectFloat{Left, Top, Left + W, Top + H};
  UpdateTransform();
}

void TBaseGameObject::SetLeft(float Value) {
  SetRectKeepingSize(Value, FRect.Top);
}

void TBaseGameObject::SetTop(float Value) {
  SetRectKeepingSize(FRect.Left, Value);
}

void TBaseGameObject::SetWidth(float Value) {
  FRect.Right = FRect.Left + Value;
  UpdateTransform();
}

void TBaseGameObject::SetHeight(float Value) {
  FRect.Bottom = FRect.Top + Value;
  UpdateTransform();
}

void TBaseGameObject::SetAngle(float Value) {
  FAngle = Value;
  UpdateTransform();
}

void TBaseGameObject::SetPivotX(float Value) {
  FPivotX = Value;
  UpdateTransform();
}

void TBaseGameObject::SetPivotY(float Value) {
  FPivotY = Value;
  UpdateTransform();
}

void TBaseGameObject::SetColor(uint32_t Value) {
  FColor = Value;
  FSymbol->SetColor(Value);
}

void TBaseGameObject::SetGfxURL(std::string_view Value) {
  if (Value == FGfxURL) {
    return;
  }
  FGfxURL = Value;
  // The picture is made again on demand.
  FSymbol->SetGraphic(nullptr);
  UpdateTransform();
}

void TBaseGameObject::SetVisible(bool Value) {
  if (!Value && FVisible) {
    if (TGAnimation* A = AnimationOf(FSymbol)) {
      // A hidden animation starts afresh (its particles and sounds stop) at the time it had.
      int32_t Time = A->ElapsedTime();
      TGGraphic* G = FSymbol->Graphic();
      G->AddRef();
      FSymbol->SetGraphic(nullptr);
      FSymbol->SetGraphic(G);
      G->Release();
      if (TGAnimation* Fresh = AnimationOf(FSymbol)) {
        Fresh->SetElapsedTime(Time);
      }
      UpdateTransform();
    }
  }
  FVisible = Value;
}

TGGraphic* TBaseGameObject::GetGfx(const std::string& URL, const TBaseGameObject* Who) {
  if (URL.empty()) {
    return nullptr;
  }
  TGResourceLibrary* Library = MainResourceLibrary();
  TGGraphic* G = nullptr;
  if (Library) {
    try {
      G = TryObjectCast<TGGraphic>(Library->GetResourceEx(URL, false));
    } catch (const std::exception&) {
      G = nullptr;
    }
  }
  if (!G) {
    ODS("Not found Gfx: " + URL + " >>>> in object " + Who->ID());
  }
  return G;
}

TGSymbol* TBaseGameObject::Symbol() {
  if (!FSymbol->Graphic()) {
    CreateGfxInstance();
  }
  return FSymbol;
}

void TBaseGameObject::UpdateTransform() {
  TGGraphic* G = FSymbol->Graphic();
  if (G && G->Width() > 0 && G->Height() > 0) {
    // The picture scaled to the rectangle with its top-left corner at (Left, Top), turned about
    // the pivot.
    const TGVector& O = G->Origin();
    TGFlatVector Center{O.X + G->Width() * FPivotX, O.Y + G->Height() * FPivotY};
    TGFlatVector Pivot{FRect.Left + Width() * FPivotX, FRect.Top + Height() * FPivotY};
    TGMatrix M =
        MatAffineTransform2D(Center, TGFlatVector{Width() / G->Width(), Height() / G->Height()},
                             TGFlatVector{Pivot.X - Center.X, Pivot.Y - Center.Y}, FAngle);
    FSymbol->SetMatrix(M);
    TGFlatVector Corners[4] = {Transform({O.X, O.Y}, M), Transform({O.X + G->Width(), O.Y}, M),
                               Transform({O.X + G->Width(), O.Y + G->Height()}, M),
                               Transform({O.X, O.Y + G->Height()}, M)};
    FBoundingRect = Bounds(Corners);
    return;
  }
  TGMatrix M = MatAffineTransform2D(TGFlatVector{FRect.Left, FRect.Top}, TGFlatVector{1, 1},
                                    TGFlatVector{0, 0}, FAngle);
  TGFlatVector Corners[4] = {
      Transform({FRect.Left, FRect.Top}, M), Transform({FRect.Right, FRect.Top}, M),
      Transform({FRect.Right, FRect.Bottom}, M), Transform({FRect.Left, FRect.Bottom}, M)};
  FBoundingRect = Bounds(Corners);
}

std::string TBaseGameObject::GetStrAttr(const std::string& Name) const {
  int Index = FAttrs->FindProp(Name);
  return Index < 0 ? std::string() : FAttrs->GetPropByIndex(Index).ToString();
}

void TBaseGameObject::SetStrAttr(const std::string& Name, const std::string& Value) {
  int Index = FAttrs->FindProp(Name);
  if (Index < 0) {
    FAttrs->AddProperty(Name, TGVariant(Value));
  } else {
    FAttrs->SetPropByIndex(Index, TGVariant(Value));
  }
}

bool TBaseGameObject::IsHidden() const {
  if (FHiddenBy.empty() || !GameObjectCollector) {
    return false;
  }
  for (const std::string& ID : IDList(FHiddenBy)) {
    TGameObject* By = GameObjectCollector->GetByIDReadOnly(ID);
    if (By && By != this && By->Visible() && By->TakingCount() == 0) {
      return true;
    }
  }
  return false;
}

void TBaseGameObject::RandomizePosition() {
  if (FPositions->Count() == 0) {
    return;
  }
  const TGameObjectPosition P = FPositions->Position(Random(FPositions->Count()));
  FRect = TGRectFloat{P.Left, P.Top, P.Left + P.Width, P.Top + P.Height};
  FAngle = P.Angle;
  SetColor(P.Color);
  UpdateTransform();
}

void TBaseGameObject::RestartAnimation() {
  if (TGAnimation* A = AnimationOf(FSymbol)) {
    A->SetElapsedTime(0);
  }
  FGfxElapsedTime = 0;
}

void TBaseGameObject::AdjustExtent() {
  TGGraphic* G = Symbol()->Graphic();
  if (G) {
    FRect.Right = FRect.Left + G->Width();
    FRect.Bottom = FRect.Top + G->Height();
    UpdateTransform();
  }
}

void TBaseGameObject::CreateGfxInstance() {
  TGGraphic* G = Gfx();
  if (!G || FSymbol->Graphic() == G) {
    return;
  }
  FSymbol->SetGraphic(G);
  UpdateTransform();
  DecompressGfxRecursive(FSymbol->Instance());
  if (FGfxElapsedTime > 0) {
    if (TGAnimation* A = AnimationOf(FSymbol)) {
      A->SetElapsedTime(FGfxElapsedTime);
    }
  }
  FGfxElapsedTime = 0;
}

void TBaseGameObject::ReleaseGfxInstance() {
  if (TGAnimation* A = AnimationOf(FSymbol)) {
    FGfxElapsedTime = A->ElapsedTime();
  }
  FSymbol->SetGraphic(nullptr);
}

bool TBaseGameObject::HasReferenceTo(const TGResource* Resource) const {
  if (!Resource) {
    return false;
  }
  const std::string& URL = Resource->URL();
  for (const std::string* U : {&FGfxURL, &FIconURL, &FTakenURL, &FCursorURL}) {
    if (!U->empty() && SameText(*U, URL)) {
      return true;
    }
  }
  return false;
}

bool TBaseGameObject::Hit(const TGFlatVector& Point) {
  if (FExtentHit) {
    TGFlatVector P = Point;
    if (FAngle != 0) {
      TGMatrix Back = MatAffineTransform2D(TGFlatVector{FRect.Left, FRect.Top}, TGFlatVector{1, 1},
                                           TGFlatVector{0, 0}, -FAngle);
      P = Transform(Point, Back);
    }
    TGRectFloat R{std::min(FRect.Left, FRect.Right), std::min(FRect.Top, FRect.Bottom),
                  std::max(FRect.Left, FRect.Right), std::max(FRect.Top, FRect.Bottom)};
    return RectHit(R, P);
  }
  return Symbol()->Hit(TGVector{Point.X, Point.Y, 0});
}

void TBaseGameObject::Draw() {
  if (Drawn || !FVisible) {
    return;
  }
  Symbol()->Draw();
  Drawn = true;
}

void TBaseGameObject::Update(int32_t Interval) {
  Drawn = false;
  if (FVisible) {
    Symbol()->Update(static_cast<float>(Interval) / 1000.0f);
  } else if (FAllowMouse) {
    Symbol()->Update(0);
  }
}

// --- Persistence -------------------------------------------------------------------------------

void TBaseGameObject::ReadPositions(const TGXMLNode* XML) {
  FPositions->Clear();
  for (const TGXMLNode* N : *XML->GetChilds("GameObjectPosition")) {
    TGameObjectPosition P;
    P.Left = N->GetFloatAttr("Left");
    P.Top = N->GetFloatAttr("Top");
    P.Width = N->GetFloatAttr("Width");
    P.Height = N->GetFloatAttr("Height");
    P.Angle = N->GetFloatAttrDef("Angle", 0);
    P.Color = N->GetLongwordAttrDef("Color", 0xFFFFFFFF);
    FPositions->Add(P);
  }
}

void TBaseGameObject::LoadFromXML(const TGXMLNode* XML) {
  FID = XML->GetStrAttr("ID");
  FGroupID = XML->GetStrAttrDef("GroupID", "");
  FLocationBehaviorName = XML->GetStrAttrDef("LocationBehaviorName", "");
  FInventoryBehaviorName = XML->GetStrAttrDef("InventoryBehaviorName", "");
  FGfxURL = XML->GetStrAttrDef("GfxURL", "");
  FIconURL = XML->GetStrAttrDef("IconURL", "");
  FTakenURL = XML->GetStrAttrDef("TakenURL", "");
  FCursorURL = XML->GetStrAttrDef("CursorURL", "");
  FFullCursor = XML->GetBoolAttrDef("FullCursor", false);
  float L = XML->GetFloatAttr("Left");
  float T = XML->GetFloatAttr("Top");
  FRect = TGRectFloat{L, T, L + XML->GetFloatAttr("Width"), T + XML->GetFloatAttr("Height")};
  FAngle = XML->GetFloatAttrDef("Angle", 0);
  FColor = XML->GetLongwordAttrDef("Color", 0xFFFFFFFF);
  FSymbol->SetColor(FColor);
  DoSetHiddenBy(XML->GetStrAttrDef("HiddenBy", ""));
  FCaption = XML->GetStrAttrDef("Caption", "");
  FTakingCount = XML->GetIntAttrDef("TakingCount", 0);
  FVisible = XML->GetBoolAttrDef("Visible", true);
  SetIsTool(XML->GetBoolAttrDef("IsTool", false));
  FExtentHit = XML->GetBoolAttrDef("ExtentHit", false);
  FAllowMouse = XML->GetBoolAttrDef("AllowMouse", false);
  FAppearedInItems = XML->GetBoolAttrDef("AppearedInItems", false);
  FPivotX = XML->GetFloatAttrDef("PivotX", 0);
  FPivotY = XML->GetFloatAttrDef("PivotY", 0);
  FGfxElapsedTime = XML->GetIntAttrDef("SavedElapsedTime", 0);
  LockedInEditor = XML->GetBoolAttrDef("LockedInEditor", false);
  ReadPositions(XML);
  TGObjectPtr<TDynProperties> Loaded(new TDynProperties(nullptr));
  TGXMLCollection* Props = XML->GetChilds("DynProperties");
  if (Props->GetCount() > 0) {
    Loaded->LoadFromXML(Props->GetItem(0));
  }
  FAttrs->Assign(Loaded.get());
  if (FSymbol->Graphic()) {
    FSymbol->SetGraphic(nullptr);
  }
  UpdateTransform();
  FChanged = false;
}

TGXMLNode* TBaseGameObject::SaveToXML() const {
  TGObjectPtr<TGXMLNode> XML(new TGXMLNode("Object"));
  XML->SetStrAttr("ID", FID);
  XML->SetStrAttrDef("GroupID", "", FGroupID);
  XML->SetStrAttrDef("LocationBehaviorName", "", FLocationBehaviorName);
  XML->SetStrAttrDef("InventoryBehaviorName", "", FInventoryBehaviorName);
  XML->SetStrAttrDef("GfxURL", "", FGfxURL);
  // A tool shows its picture in the inventory unless it has an icon of its own.
  XML->SetStrAttrDef("IconURL", "", GetIsTool() && FIconURL.empty() ? FGfxURL : FIconURL);
  XML->SetStrAttrDef("TakenURL", "", FTakenURL);
  XML->SetStrAttrDef("CursorURL", "", FCursorURL);
  XML->SetBoolAttrDef("FullCursor", false, FFullCursor);
  XML->SetFloatAttr("Left", FRect.Left);
  XML->SetFloatAttr("Top", FRect.Top);
  XML->SetFloatAttr("Width", Width());
  XML->SetFloatAttr("Height", Height());
  XML->SetFloatAttr("Angle", FAngle);
  XML->SetLongwordAttrDef("Color", 0xFFFFFFFF, FColor);
  XML->SetStrAttrDef("HiddenBy", "", FHiddenBy);
  XML->SetStrAttrDef("Caption", "", FCaption);
  XML->SetIntAttr("TakingCount", FTakingCount);
  XML->SetBoolAttr("Visible", FVisible);
  XML->SetBoolAttrDef("IsTool", false, GetIsTool());
  XML->SetBoolAttr("ExtentHit", FExtentHit);
  XML->SetBoolAttr("AllowMouse", FAllowMouse);
  XML->SetBoolAttr("AppearedInItems", FAppearedInItems);
  XML->SetFloatAttr("PivotX", FPivotX);
  XML->SetFloatAttr("PivotY", FPivotY);
  int32_t Elapsed = FGfxElapsedTime;
  if (TGAnimation* A = AnimationOf(FSymbol)) {
    Elapsed = A->ElapsedTime();
  }
  XML->SetIntAttrDef("SavedElapsedTime", 0, Elapsed);
  XML->SetBoolAttrDef("LockedInEditor", false, LockedInEditor);
  for (int I = 0; I < FPositions->Count(); ++I) {
    const TGameObjectPosition& P = FPositions->Position(I);
    TGXMLNode* N = XML->AddChild("GameObjectPosition");
    N->SetFloatAttr("Left", P.Left);
    N->SetFloatAttr("Top", P.Top);
    N->SetFloatAttr("Width", P.Width);
    N->SetFloatAttr("Height", P.Height);
    if (P.Angle != 0) {
      N->SetFloatAttr("Angle", P.Angle);
    }
    N->SetLongwordAttrDef("Color", 0xFFFFFFFF, P.Color);
  }
  if (FAttrs->GetPropCount() > 0) {
    XML->AddNode(FAttrs->SaveToXML(nullptr));
  }
  return XML.release();
}

void TBaseGameObject::AssignTo(TGObject* Dest) const {
  TBaseGameObject* Target = TryObjectCast<TBaseGameObject>(Dest);
  if (!Target) {
    throw EInvalidCast("Invalid class typecast");
  }
  Target->FAttrs->Assign(FAttrs);
  Target->FID = FID;
  Target->FGroupID = FGroupID;
  Target->SetIsTool(GetIsTool());
  Target->FLocationBehaviorName = FLocationBehaviorName;
  Target->FInventoryBehaviorName = FInventoryBehaviorName;
  Target->FRect = FRect;
  Target->SetColor(FColor);
  Target->FAngle = FAngle;
  Target->FPositions->Assign(FPositions);
  Target->FGfxURL = FGfxURL;
  Target->FIconURL = FIconURL;
  Target->FTakenURL = FTakenURL;
  Target->FCursorURL = FCursorURL;
  Target->FExtentHit = FExtentHit;
  Target->FGfxElapsedTime = FGfxElapsedTime;
  Target->FTakingCount = FTakingCount;
  Target->DoSetHiddenBy(FHiddenBy);
  Target->FVisible = FVisible;
  Target->FCaption = FCaption;
  Target->FFullCursor = FFullCursor;
  Target->FAllowMouse = FAllowMouse;
  Target->FFlyingConfigName = FFlyingConfigName;
  Target->FChanged = FChanged;
  Target->FAppearedInItems = FAppearedInItems;
  Target->FPivotX = FPivotX;
  Target->FPivotY = FPivotY;
  Target->LockedInEditor = LockedInEditor;
  Target->FSymbol->SetGraphic(nullptr);
  Target->UpdateTransform();
}

// --- TGameObject -------------------------------------------------------------------------------

void TGameObject::Publish(TGClassBuilder<TGameObject>& B) {
  using T = TGameObject;
  B.Property("HotSpot", &T::HotSpot, &T::SetHotSpot)
      .Property("BackPackCursorURL", &T::BackPackCursorURL, &T::SetBackPackCursorURL)
      .Property("PickingSfxURL", &T::PickingSfxURL, &T::SetPickingSfxURL)
      .Property("UsingSfxURL", &T::UsingSfxURL, &T::SetUsingSfxURL)
      .Property("PageMin", &T::PageMin, &T::SetPageMin)
      .Property("PageMax", &T::PageMax, &T::SetPageMax)
      .Property("Clue", &T::Clue, &T::SetClue)
      .Property("ScannerUsed", &T::ScannerUsed, &T::SetScannerUsed)
      .Property("HintUsed", &T::HintUsed, &T::SetHintUsed)
      .Property("WasEverHidden", &T::WasEverHidden)
      .Property("Points", &T::Points)
      .Method("IsTaken", &T::IsTaken)
      .Method("InCurrentList", &T::InCurrentList);
}

void TGameObject::DoSetHiddenBy(std::string_view Value) {
  if (!Value.empty() || !HiddenBy().empty()) {
    FWasEverHidden = true;
  }
  TBaseGameObject::DoSetHiddenBy(Value);
}

bool TGameObject::IsTaken() const {
  if (TakingCount() >= 1) {
    return true;
  }
  IPlayScreen* Screen = PlayScreen();
  return Screen && Screen->IsFlying(this);
}

bool TGameObject::InCurrentList() const {
  TBaseLocation* Location = CurrentPlayer ? CurrentPlayer->CurrentLocation() : nullptr;
  TLocationItemsPage* Page = Location ? Location->ItemsDistribution()->CurrentPage() : nullptr;
  return Page && Page->IndexOf(ID()) >= 0;
}

TGFlatVector TGameObject::GetCenter() {
  if (Symbol()->Graphic()) {
    return RectCenter(BoundingRect());
  }
  if (std::fabs(Angle()) < 0.001f) {
    return RectCenter(Rect());
  }
  TGMatrix M = MatAffineTransform2D(TGFlatVector{Left(), Top()}, TGFlatVector{1, 1},
                                    TGFlatVector{0, 0}, Angle());
  TGFlatVector Far = Transform(TGFlatVector{Rect().Right, Rect().Bottom}, M);
  return TGFlatVector{(Left() + Far.X) / 2, (Top() + Far.Y) / 2};
}

int32_t TGameObject::Points() const {
  // The category of the object decides the row of the scoring table.
  std::string Category;
  const std::string& Behavior = LocationBehaviorName();
  if (Behavior.empty() || Behavior == "Museum" || Behavior == "Pickable") {
    Category = "Regular";
  }
  if (!FClue.empty()) {
    Category = "Clue";
  } else if (!HiddenBy().empty() || FWasEverHidden) {
    Category = "Blue";
  }
  TBaseLocation* Location = CurrentPlayer ? CurrentPlayer->CurrentLocation() : nullptr;
  if (TLocation* L = TryObjectCast<TLocation>(Location);
      L && !L->MasterObjectName.empty() && SameText(L->MasterObjectName, ID())) {
    Category = "Master" + Category;
  }
  int32_t Result = 0;
  TGResourceLibrary* Library = MainResourceLibrary();
  TGConfig* Scoring =
      Library ? TryObjectCast<TGConfig>(Library->GetResourceEx("Scoring.cfg", false)) : nullptr;
  if (!Category.empty() && Scoring && Scoring->XML()) {
    TGXMLCollection* Rows = Scoring->XML()->GetChilds(Category);
    if (Rows->GetCount() > 0) {
      const TGXMLNode* Row = Rows->GetItem(0);
      Result = FHintUsed ? Row->GetIntAttrDef("WithHint", 0) : Row->GetIntAttrDef("Nominal", 0);
    }
  }
  if (CurrentPlayer && CurrentPlayer->GameDifficulty() == gdAdventurer) {
    Result += 500;
  }
  return Result;
}

void TGameObject::LoadFromXML(const TGXMLNode* XML) {
  TBaseGameObject::LoadFromXML(XML);
  FBackPackCursorURL = XML->GetStrAttrDef("BackPackCursorURL", "");
  FClue = XML->GetStrAttrDef("Clue", "");
  FPickingSfxURL = XML->GetStrAttrDef("PickingSfx", "");
  FUsingSfxURL = XML->GetStrAttrDef("UsingSfx", "");
  FPageMin = XML->GetIntAttrDef("PageMin", 0);
  FPageMax = XML->GetIntAttrDef("PageMax", 0);
  FHotSpot = XML->GetBoolAttrDef("HotSpot", false);
  FHintUsed = XML->GetBoolAttrDef("HintUsed", false);
  FWasEverHidden = XML->GetBoolAttrDef("WasEverHidden", FWasEverHidden);
  SetChanged(false);
}

TGXMLNode* TGameObject::SaveToXML() const {
  TGXMLNode* XML = TBaseGameObject::SaveToXML();
  XML->SetStrAttrDef("BackPackCursorURL", "", FBackPackCursorURL);
  XML->SetStrAttrDef("Clue", "", FClue);
  XML->SetStrAttrDef("PickingSfx", "", FPickingSfxURL);
  XML->SetStrAttrDef("UsingSfx", "", FUsingSfxURL);
  XML->SetIntAttrDef("PageMin", 0, FPageMin);
  XML->SetIntAttrDef("PageMax", 0, FPageMax);
  XML->SetBoolAttrDef("HotSpot", false, FHotSpot);
  XML->SetBoolAttrDef("HintUsed", false, FHintUsed);
  XML->SetBoolAttrDef("WasEverHidden", false, FWasEverHidden);
  return XML;
}

void TGameObject::AssignTo(TGObject* Dest) const {
  TBaseGameObject::AssignTo(Dest);
  if (TGameObject* Target = TryObjectCast<TGameObject>(Dest)) {
    Target->FHotSpot = FHotSpot;
    Target->FBackPackCursorURL = FBackPackCursorURL;
    Target->FPickingSfxURL = FPickingSfxURL;
    Target->FUsingSfxURL = FUsingSfxURL;
    Target->FPageMin = FPageMin;
    Target->FPageMax = FPageMax;
    Target->FClue = FClue;
    Target->FScannerUsed = FScannerUsed;
    Target->FHintUsed = FHintUsed;
    Target->FWasEverHidden = FWasEverHidden;
    Target->ActScript = ActScript;
    Target->ActScriptAssigned = ActScriptAssigned;
  }
}
