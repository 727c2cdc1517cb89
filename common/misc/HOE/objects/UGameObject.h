// Game objects: every thing a player sees or clicks in a location. An object is a picture at a
// position, size, angle and colour, with an identifier, an optional group, a hiding rule,
// pictures for the inventory and the cursor, dynamic properties that carry its scripts, and the
// names of the two behaviours that decide what clicks on it do.
#pragma once

#include "drawables/UGSymbol.h"
#include "math/UGMathTypes.h"
#include "object/UGObject.h"
#include "platform/UKeyCodes.h"
#include "script/UDynProperties.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TGXMLNode;
class TGGraphic;
class TBaseGameObject;

// A click handler of an object: (object, button).
using TGameObjectMouseEvent = TGMethod<void(TBaseGameObject*, int)>;

struct TGameObjectPosition {
  float Left = 0;
  float Top = 0;
  float Width = 0;
  float Height = 0;
  float Angle = 0;
  TGColor Color = 0xFFFFFFFF;
  friend bool operator==(const TGameObjectPosition&, const TGameObjectPosition&) = default;
};

// The alternative places of an object, one of which RandomizePosition picks.
class TGameObjectPositionList : public TGClonableObject {
  G_CLASS(TGameObjectPositionList, TGClonableObject)
  explicit TGameObjectPositionList(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}

  int Count() const { return static_cast<int>(FList.size()); }
  // The generic error "Wrong position index" for a bad index.
  const TGameObjectPosition& Position(int AIndex) const;
  void Add(const TGameObjectPosition& APosition) { FList.push_back(APosition); }
  void Change(int AIndex, const TGameObjectPosition& APosition);
  void Delete(int AIndex);
  void Clear() { FList.clear(); }
  void AssignTo(TGObject* Dest) const override;

private:
  void CheckIndex(int AIndex) const;
  std::vector<TGameObjectPosition> FList;
};

class TBaseGameObject : public TGClonableObject {
  G_CLASS(TBaseGameObject, TGClonableObject)
  explicit TBaseGameObject(TGObject* AOwner = nullptr);
  TBaseGameObject(TGObject* AOwner, std::string_view AName);

  TDynProperties* Attrs() const { return FAttrs; }
  const std::string& ID() const { return FID; }
  // Through the collector when the object is in it: IDs there are unique.
  void SetID(std::string_view Value);
  const std::string& GroupID() const { return FGroupID; }
  void SetGroupID(std::string_view Value) { FGroupID = Value; }
  bool IsTool() const { return GetIsTool(); }
  const std::string& LocationBehaviorName() const { return FLocationBehaviorName; }
  void SetLocationBehaviorName(std::string_view Value) { FLocationBehaviorName = Value; }
  const std::string& InventoryBehaviorName() const { return FInventoryBehaviorName; }
  void SetInventoryBehaviorName(std::string_view Value) { FInventoryBehaviorName = Value; }

  // Moving keeps the size; every change of place or size refreshes the picture's transform.
  float Left() const { return FRect.Left; }
  void SetLeft(float Value);
  float Top() const { return FRect.Top; }
  void SetTop(float Value);
  float Width() const { return FRect.Right - FRect.Left; }
  void SetWidth(float Value);
  float Height() const { return FRect.Bottom - FRect.Top; }
  void SetHeight(float Value);
  float Angle() const { return FAngle; }
  void SetAngle(float Value);
  float PivotX() const { return FPivotX; }
  void SetPivotX(float Value);
  float PivotY() const { return FPivotY; }
  void SetPivotY(float Value);
  const TGRectFloat& Rect() const { return FRect; }
  uint32_t Color() const { return FColor; }
  void SetColor(uint32_t Value);
  const TGRectFloat& BoundingRect() const { return FBoundingRect; }
  TGameObjectPositionList* Positions() const { return FPositions; }

  const std::string& GfxURL() const { return FGfxURL; }
  void SetGfxURL(std::string_view Value);
  const std::string& IconURL() const { return FIconURL; }
  void SetIconURL(std::string_view Value) { FIconURL = Value; }
  const std::string& TakenURL() const { return FTakenURL; }
  void SetTakenURL(std::string_view Value) { FTakenURL = Value; }
  const std::string& CursorURL() const { return FCursorURL; }
  void SetCursorURL(std::string_view Value) { FCursorURL = Value; }
  // The pictures of the URLs from the program's resource library; none for an empty URL or one
  // the library does not have (that one is reported on the diagnostic output).
  TGGraphic* Gfx() const { return GetGfx(FGfxURL); }
  TGGraphic* Icon() const { return GetGfx(FIconURL); }
  TGGraphic* Cursor() const { return GetGfx(FCursorURL); }

  bool ExtentHit() const { return FExtentHit; }
  void SetExtentHit(bool Value) { FExtentHit = Value; }
  int32_t TakingCount() const { return FTakingCount; }
  void SetTakingCount(int32_t Value) { FTakingCount = Value; }
  const std::string& HiddenBy() const { return FHiddenBy; }
  void SetHiddenBy(std::string_view Value) { DoSetHiddenBy(Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(std::string_view Value) { FCaption = Value; }
  bool FullCursor() const { return FFullCursor; }
  void SetFullCursor(bool Value) { FFullCursor = Value; }
  bool AllowMouse() const { return FAllowMouse; }
  void SetAllowMouse(bool Value) { FAllowMouse = Value; }
  const std::string& FlyingConfigName() const { return FFlyingConfigName; }
  void SetFlyingConfigName(std::string_view Value) { FFlyingConfigName = Value; }
  // Changed since loading: changed objects are saved with the profile.
  bool Changed() const { return FChanged; }
  void SetChanged(bool Value) { FChanged = Value; }
  bool AppearedInItems() const { return FAppearedInItems; }
  void SetAppearedInItems(bool Value) { FAppearedInItems = Value; }
  // The animation time kept while the object has no picture instance, in milliseconds.
  int32_t GfxElapsedTime() const { return FGfxElapsedTime; }

  // The picture instance, made when it is empty.
  TGSymbol* Symbol();
  bool HasGfxInstance() const { return FSymbol->Graphic() != nullptr; }

  // The text of a dynamic property ("" when absent); setting adds the property when missing.
  std::string GetStrAttr(const std::string& Name) const;
  void SetStrAttr(const std::string& Name, const std::string& Value);
  // Whether an object named in HiddenBy is visible and not taken yet (unknown IDs are skipped).
  bool IsHidden() const;
  // Applies a random one of the alternative positions.
  void RandomizePosition();
  void RestartAnimation();
  // Width and height become the picture's.
  void AdjustExtent();
  virtual void CreateGfxInstance();
  void ReleaseGfxInstance();
  bool HasReferenceTo(const TGResource* Resource) const;
  // The point (screen of the location) lies on the object: on its rotated rectangle with
  // ExtentHit, otherwise on its picture.
  bool Hit(const TGFlatVector& Point);

  virtual bool GetIsTool() const { return FIsTool; }
  virtual void SetIsTool(bool Value) { FIsTool = Value; }
  // Loading clears the positions first and ends with the object unchanged.
  virtual void LoadFromXML(const TGXMLNode* XML);
  // A new "Object" element.
  virtual TGXMLNode* SaveToXML() const;
  // Nothing when drawn already this frame or invisible.
  virtual void Draw();
  // The picture's time advances while the object is visible; milliseconds.
  virtual void Update(int32_t Interval);
  void DoUpdate(int32_t Interval) { Update(Interval); }

  void AssignTo(TGObject* Dest) const override;
  static void Publish(TGClassBuilder<TBaseGameObject>& B);

  bool Drawn = false;
  bool LockedInEditor = false;
  TGameObjectMouseEvent OnMouseDown;
  TGameObjectMouseEvent OnMouseUp;

protected:
  virtual void DoSetHiddenBy(std::string_view Value) { FHiddenBy = Value; }
  // Places the picture instance after a change of place, size, angle, pivot or picture.
  void UpdateTransform();

private:
  friend class TBaseGameObjectCollection; // renames objects it lists

  static TGGraphic* GetGfx(const std::string& URL, const TBaseGameObject* Who);
  TGGraphic* GetGfx(const std::string& URL) const { return GetGfx(URL, this); }
  void SetRectKeepingSize(float Left, float Top);
  void ReadPositions(const TGXMLNode* XML);

  TDynProperties* FAttrs; // owned
  std::string FID;
  std::string FGroupID;
  bool FIsTool = false;
  std::string FLocationBehaviorName;
  std::string FInventoryBehaviorName;
  TGRectFloat FRect{};
  uint32_t FColor = 0xFFFFFFFF;
  float FAngle = 0;
  TGameObjectPositionList* FPositions; // owned
  std::string FGfxURL;
  std::string FIconURL;
  std::string FTakenURL;
  std::string FCursorURL;
  bool FExtentHit = false;
  TGRectFloat FBoundingRect{};
  int32_t FGfxElapsedTime = 0;
  int32_t FTakingCount = 0;
  std::string FHiddenBy;
  bool FVisible = true;
  std::string FCaption;
  bool FFullCursor = false;
  bool FAllowMouse = false;
  std::string FFlyingConfigName;
  bool FChanged = false;
  bool FAppearedInItems = false;
  float FPivotX = 0;
  float FPivotY = 0;
  TGSymbol* FSymbol; // owned
};

class TGameObject : public TBaseGameObject {
  G_CLASS(TGameObject, TBaseGameObject)
  explicit TGameObject(TGObject* AOwner = nullptr)
      : TBaseGameObject(AOwner) {}
  TGameObject(TGObject* AOwner, std::string_view AName)
      : TBaseGameObject(AOwner, AName) {}

  bool HotSpot() const { return FHotSpot; }
  void SetHotSpot(bool Value) { FHotSpot = Value; }
  const std::string& BackPackCursorURL() const { return FBackPackCursorURL; }
  void SetBackPackCursorURL(std::string_view Value) { FBackPackCursorURL = Value; }
  const std::string& PickingSfxURL() const { return FPickingSfxURL; }
  void SetPickingSfxURL(std::string_view Value) { FPickingSfxURL = Value; }
  const std::string& UsingSfxURL() const { return FUsingSfxURL; }
  void SetUsingSfxURL(std::string_view Value) { FUsingSfxURL = Value; }
  int32_t PageMin() const { return FPageMin; }
  void SetPageMin(int32_t Value) { FPageMin = Value; }
  int32_t PageMax() const { return FPageMax; }
  void SetPageMax(int32_t Value) { FPageMax = Value; }
  const std::string& Clue() const { return FClue; }
  void SetClue(std::string_view Value) { FClue = Value; }
  bool ScannerUsed() const { return FScannerUsed; }
  void SetScannerUsed(bool Value) { FScannerUsed = Value; }
  bool HintUsed() const { return FHintUsed; }
  void SetHintUsed(bool Value) { FHintUsed = Value; }
  bool WasEverHidden() const { return FWasEverHidden; }

  // Taken at least once, or flying to the inventory now.
  bool IsTaken() const;
  // Whether the current location's items page lists this object.
  bool InCurrentList() const;
  // The centre of the picture's bounds, or of the rectangle turned about its corner.
  TGFlatVector GetCenter();
  // The score for finding the object ("Scoring.cfg").
  int32_t Points() const;

  void LoadFromXML(const TGXMLNode* XML) override;
  TGXMLNode* SaveToXML() const override;
  void AssignTo(TGObject* Dest) const override;
  static void Publish(TGClassBuilder<TGameObject>& B);

  std::string ActScript;
  bool ActScriptAssigned = false;

protected:
  void DoSetHiddenBy(std::string_view Value) override;

private:
  bool FHotSpot = false;
  std::string FBackPackCursorURL;
  std::string FPickingSfxURL;
  std::string FUsingSfxURL;
  int32_t FPageMin = 0;
  int32_t FPageMax = 0;
  std::string FClue;
  bool FScannerUsed = false;
  bool FHintUsed = false;
  bool FWasEverHidden = false;
};
