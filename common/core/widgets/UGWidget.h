// Widgets: the user interface is a tree of rectangles placed relative to their parents, drawn
// children over parents in list order. A widget plays show and hide effects (animations in which
// a widget channel draws the widget), keeps a private particle system for what its effects emit,
// holds extra graphics, a cursor and two sounds, and fires its event handlers for the input its
// window routes to it. Windows (UGWindow) are the roots of such trees.
#pragma once

#include "base/UGTypes.h"
#include "math/UGColor.h"
#include "object/UGClassBuilder.h"
#include "platform/UKeyCodes.h" // virtual keys and the mouse buttons widgets tell apart
#include "resources/UGResource.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TGAudio;
class TGGraphic;
class TGGraphicCollection;
class TGParticleSystem;
class TGSymbol;
class TGWidgetEffect;
class TGWindow;
class TGXMLNode;

enum TGWidgetState { wsShowing = 0, wsDefault = 1, wsHiding = 2 };
G_DECLARE_ENUM(TGWidgetState);
enum TGWidgetEffectKind { weShow = 0, weHide = 1 };
G_DECLARE_ENUM(TGWidgetEffectKind);
enum TGShowOption { soWaitEffect = 0 };
G_DECLARE_ENUM(TGShowOption);
using TGShowOptions = TGSet<TGShowOption>;
enum TGHideOption { hoWaitEffect = 0, hoDestroyAfterHide = 1 };
G_DECLARE_ENUM(TGHideOption);
using TGHideOptions = TGSet<TGHideOption>;

// Handlers: a mouse button; the sender and a button; a key (a virtual key for downs and ups, a
// character for presses).
using TGMouseEvent = TGMethod<void(int)>;
using TGSignedMouseEvent = TGMethod<void(TGObject*, int)>;
using TGKeyEvent = TGMethod<void(uint32_t)>;

class TGWidget : public TGResource {
  G_CLASS(TGWidget, TGResource)
  explicit TGWidget(TGObject* AOwner = nullptr);
  // The class's default extent needs the virtual GetDefaultExtent.
  void AfterConstruction() override;

  // --- The tree ---
  // Appends Child (its parent becomes this widget) without detaching it from a former parent;
  // its index.
  int32_t Add(TGWidget* Child);
  // Takes Child out and frees it when this widget is its parent; the former index, or -1.
  int32_t Remove(TGWidget* Child);
  // Takes Child out without freeing it.
  void Extract(TGWidget* Child);
  // Frees every child in list order, then empties the list.
  void Clear();
  void Move(int32_t CurIndex, int32_t NewIndex);
  int32_t IndexOf(const TGWidget* Child) const;
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  int32_t Count() const { return GetCount(); }
  // The child at Index; the list index error outside 0..Count-1.
  TGWidget* GetItem(int32_t Index) const;
  TGWidget* Items(int32_t Index) const { return GetItem(Index); }
  const std::vector<TGWidget*>& Children() const { return FItems; }
  TGWidget* Parent() const { return FParent; }
  // Leaves the current parent (extracted) and joins P (added), when given.
  void SetParent(TGWidget* P);
  // Whether W is this widget or one of its ancestors.
  bool ChildOf(const TGWidget* W) const;
  TGWidget* GetTopWidget();
  // The widget at a backslash-separated path of names (case-insensitive) below this widget, or
  // none; only direct children are searched at each level.
  TGWidget* FindWidget(std::string_view Path) const;
  // As FindWidget, failing with "Widget "%s" not found in "%s"".
  TGWidget* GetWidget(std::string_view Path) const;
  TGWidget* Widgets(std::string_view Path) const { return GetWidget(Path); }

  // --- Geometry and state ---
  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  float Left() const { return FLeft; }
  float Top() const { return FTop; }
  float Near() const { return FNear; }
  void SetNear(float Value) { FNear = Value; }
  float Width() const { return FWidth; }
  float Height() const { return FHeight; }
  float Depth() const { return FDepth; }
  virtual void SetDepth(float Value) { FDepth = Value; }
  virtual void SetLeft(float Value) { FLeft = Value; }
  virtual void SetTop(float Value) { FTop = Value; }
  virtual void SetHeight(float Value) { FHeight = Value; }
  virtual void SetWidth(float Value) { FWidth = Value; }
  // The rectangle in screen pixels: the sums of Left and Top up the tree, and the size.
  TGRectFloat GetScreenRect() const;
  TGRectFloat ScreenRect() const { return GetScreenRect(); }
  // Left, Top, Left + Width, Top + Height in the parent's coordinates.
  TGRectFloat Rect() const { return {FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
  bool Visible() const { return FVisible; }
  // Sets the flag directly; no effect is played (Show and Hide play them).
  void SetVisible(bool Value) { FVisible = Value; }
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value) { FEnabled = Value; }
  // Visible, with every ancestor visible.
  bool GlobalVisible() const;
  // Enabled and in wsDefault, with every ancestor the same: input is ignored while a widget or
  // an ancestor shows or hides.
  bool GlobalEnabled() const;
  bool UpdateWhenInvisible() const { return FUpdateWhenInvisible; }
  void SetUpdateWhenInvisible(bool Value) { FUpdateWhenInvisible = Value; }
  bool AllowFocus() const { return FAllowFocus; }
  void SetAllowFocus(bool Value) { FAllowFocus = Value; }
  bool AllowMouse() const { return FAllowMouse; }
  void SetAllowMouse(bool Value) { FAllowMouse = Value; }
  bool AllowDrag() const { return FAllowDrag; }
  void SetAllowDrag(bool Value) { FAllowDrag = Value; }
  bool ClipChildren() const { return FClipChildren; }
  void SetClipChildren(bool Value) { FClipChildren = Value; }
  TGColor Color() const { return FColor; }
  void SetColor(TGColor Value) { FColor = Value; }
  bool Expanded() const { return FExpanded; }
  void SetExpanded(bool Value) { FExpanded = Value; }
  bool HitTestForCursor() const { return FHitTestForCursor; }
  void SetHitTestForCursor(bool Value) { FHitTestForCursor = Value; }
  bool CascadeEffect() const { return FCascadeEffect; }
  void SetCascadeEffect(bool Value) { FCascadeEffect = Value; }
  TGWidgetState State() const { return FState; }
  // A hide with hoDestroyAfterHide has finished and the last particle has died: the parent
  // removes the widget at its next update.
  bool GetIsDead() const;
  bool IsDead() const { return GetIsDead(); }

  // --- Resources, effects, particles ---
  TGGraphic* Cursor() const { return FCursor; }
  void SetCursor(TGGraphic* Value);
  TGAudio* ClickSfx() const { return FClickSfx; }
  void SetClickSfx(TGAudio* Value);
  TGAudio* OverSfx() const { return FOverSfx; }
  void SetOverSfx(TGAudio* Value);
  // The effect of that kind (owned by the widget), or none.
  TGWidgetEffect* GetEffect(TGWidgetEffectKind Kind) const { return FEffects[Kind]; }
  TGWidgetEffect* Effects(TGWidgetEffectKind Kind) const { return GetEffect(Kind); }
  // Frees the former effect of that kind; the widget owns the new one.
  void SetEffect(TGWidgetEffectKind Kind, TGWidgetEffect* Effect);
  TGWidgetEffect* ShowEffect() const { return GetEffect(weShow); }
  TGWidgetEffect* HideEffect() const { return GetEffect(weHide); }
  // The running effect's private clone; without a graphic when no effect runs.
  TGSymbol* CurEffect() const { return FCurEffect; }
  TGGraphicCollection* Graphics() const { return FGraphics; }
  TGParticleSystem* ParticleSystem() const { return FParticleSystem; }
  // The resource part's answer, or any child's.
  virtual bool HasReferenceTo(const TGResource* Resource) const;

  // --- Input: each fires its handlers, only while GlobalEnabled ---
  virtual void MouseMove();
  // Plays the hover sound.
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void MouseDrag();
  virtual void MouseWheelUp();
  virtual void MouseWheelDown();
  virtual void MouseDown(int Button);
  virtual void MouseUp(int Button);
  // Plays the click sound.
  virtual void Click();
  virtual void DblClick();
  virtual void KeyDown(uint16_t Key);
  virtual void KeyPress(char32_t Key);
  virtual void KeyUp(uint16_t Key);
  // Hooks around showing and hiding; nothing here.
  virtual void BeforeShow() {}
  virtual void AfterHide() {}
  // Whether the point in the widget's own coordinates lies on it; false here.
  virtual bool InternalHit(const TGFlatVector& Point);
  // The application gains or loses the focus; nothing here.
  virtual void ApplicationActivate() {}
  virtual void ApplicationDeactivate() {}
  // These on this widget, then on every descendant, depth first in child order.
  void ApplicationActivateHelper();
  void ApplicationDeactivateHelper();

  // --- Showing and hiding (only from wsDefault; otherwise ignored) ---
  // BeforeShow, Visible := true, the show effects start; with soWaitEffect, frames run until
  // they have finished.
  virtual void Show(TGShowOptions Options = {});
  // Windows drop the widget, the hide effects start; Visible becomes false when they have
  // finished (at the earliest in the next UpdateTree).
  virtual void Hide(TGHideOptions Options = {});
  // Every window among this widget and its ancestors lets go of it (over, focus, pressed).
  void Deactivate();
  // Runs the window modally, then frees it.
  static void ShowAndFree(TGWindow* Window);
  // A window of the class without owner, run modally and freed (also when that fails).
  static void CreateShowAndFree(TGClass WindowClass);

  // --- Time and drawing ---
  // The widget's own content in its own coordinates; nothing here.
  virtual void Draw() {}
  // The widget's own time; nothing here.
  virtual void Update(float DeltaTime) { (void)DeltaTime; }
  // The whole subtree at the widget's place: the effect (or DrawHelper) and the particles.
  virtual void DrawTree();
  // The content, children and extra graphics, without effect and particles.
  void DrawHelper();
  // Children, dead children's removal, the end of effects, the widget's own time, particles.
  virtual void UpdateTree(float DeltaTime);
  // The widget's own update and its graphics'.
  void UpdateHelper(float DeltaTime);
  // Whether P (in the parent's coordinates) lies on the widget or, with Recurse, on a child;
  // Force ignores visibility.
  bool Hit(const TGPoint& P, bool Recurse, bool Force);
  // The topmost widget that takes the mouse at P (screen pixels), or none.
  virtual TGWidget* GetWidgetAt(const TGPoint& P);
  // The cursor picture at P (screen pixels): the topmost child's, else this widget's.
  TGGraphic* GetCursorAt(const TGPoint& P);
  // Whether P (screen pixels) lies in the screen rectangle: left and top edges in, right and
  // bottom edges out.
  bool ScreenRectContains(const TGPoint& P) const;
  // P (screen pixels) in the parent's coordinates, where Hit expects it.
  TGPoint ScreenToParent(const TGPoint& P) const;
  // The size of a new widget of the class; 100 x 100 here.
  virtual void GetDefaultExtent(float& AWidth, float& AHeight);
  // The graphic's size, or 100 x 100 without one: the default extent of widgets that show one.
  static void GraphicExtent(const TGGraphic* G, float& AWidth, float& AHeight);

  // --- Files ---
  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  // --- Handlers ---
  TGNotifyEvent OnBeforeDraw;
  TGNotifyEvent OnAfterDraw;
  TGNotifyEvent OnClick;
  TGNotifyEvent OnDblClick;
  TGKeyEvent OnKeyDown;
  TGKeyEvent OnKeyUp;
  TGKeyEvent OnKeyPress;
  TGNotifyEvent OnMouseMove;
  TGMouseEvent OnMouseUp;
  TGMouseEvent OnMouseDown;
  TGSignedMouseEvent OnMouseDownSigned;
  TGNotifyEvent OnMouseDrag;
  TGNotifyEvent OnMouseEnter;
  TGNotifyEvent OnMouseLeave;
  TGNotifyEvent OnMouseWheelUp;
  TGNotifyEvent OnMouseWheelDown;

  // --- The class registry of window files ---
  // Appends to the list (no duplicate test).
  static void RegisterClass(TGClass AClass);
  // The first registered class of exactly that name; "Unknown widget class: %s" otherwise.
  static TGClass GetClass(std::string_view Name);
  static const std::vector<TGClass>& WidgetClasses();
  static void UnregisterClasses();

  static void Publish(TGClassBuilder<TGWidget>& B);

protected:
  void Destroy() override;
  // Starts the effect of Kind on W and on its visible cascading descendants.
  static void SetCurEffectCascade(TGWidget* W, TGWidgetEffectKind Kind);
  // Advances the effects of W's subtree; true when all have finished.
  static bool CascadeUpdateEffects(TGWidget* W, float DeltaTime);
  // Shifts the position keys of the effect's movie channels so that the widget channel starts
  // with W's corner on W's own position.
  static void FixPositionsInEffect(TGWidget* W, TGSymbol* Symbol);
  // Handles host messages until the widget leaves State or the application terminates.
  void WaitWhileInState(TGWidgetState Waiting);
  // The topmost child's answer to GetWidgetAt, or none.
  TGWidget* GetChildWidgetAt(const TGPoint& P) const;
  // Draws the children cut to the screen rectangle.
  void DrawChildrenClipped();

  std::string FName;
  TGWidget* FParent = nullptr;
  bool FIsDead = false;
  float FLeft = 0;
  float FTop = 0;
  float FNear = 0;
  float FWidth = 0;
  float FHeight = 0;
  float FDepth = 0;
  bool FVisible = true;
  bool FAllowMouse = false;
  bool FAllowDrag = false;
  bool FEnabled = true;
  bool FAllowFocus = false;
  std::vector<TGWidget*> FItems;  // children, owned through the object model
  TGGraphic* FCursor = nullptr;   // resource reference
  TGAudio* FClickSfx = nullptr;   // resource reference
  TGAudio* FOverSfx = nullptr;    // resource reference
  TGSymbol* FCurEffect = nullptr; // owned
  bool FCascadeEffect = true;
  TGGraphicCollection* FGraphics = nullptr; // owned
  bool FDestroyAfterHide = false;
  TGWidgetState FState = wsDefault;
  bool FExpanded = false;
  std::array<TGWidgetEffect*, 2> FEffects{};   // owned
  TGParticleSystem* FParticleSystem = nullptr; // owned
  bool FClipChildren = false;
  TGColor FColor = 0xFFFFFFFF;
  bool FUpdateWhenInvisible = true;
  bool FHitTestForCursor = false;
};
