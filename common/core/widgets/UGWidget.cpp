#include "widgets/UGWidget.h"

#include "audio/UGAudio.h"
#include "base/UGMessageLoop.h"
#include "base/UGStrUtils.h"
#include "drawables/UGGraphic.h"
#include "drawables/UGParticle.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGLiveWidget.h"
#include "widgets/UGWidgetEffect.h"
#include "widgets/UGWindow.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <cmath>
#include <limits>

G_IMPLEMENT_CLASS(TGWidget)

G_ENUM_INFO(TGWidgetState, "wsShowing", "wsDefault", "wsHiding")
G_ENUM_INFO(TGWidgetEffectKind, "weShow", "weHide")
G_ENUM_INFO(TGShowOption, "soWaitEffect")
G_ENUM_INFO(TGHideOption, "hoWaitEffect", "hoDestroyAfterHide")

namespace {

// The process-wide list of widget classes that window files may name.
std::vector<TGClass>& ClassList() {
  static std::vector<TGClass> List;
  return List;
}

// Widgets waiting in Show or Hide for their effects. A widget freed while it waits (a hide that
// destroys it, a window closed meanwhile) marks its record, so the waiting loop stops without
// touching the freed object.
struct TWaitRecord {
  const TGWidget* Widget = nullptr;
  bool Destroyed = false;
  TWaitRecord* Next = nullptr;
};
TWaitRecord* WaitRecords = nullptr;

// Float to pixel, half to even, saturated (a wild coordinate must not overflow).
int32_t RoundToPixel(float V) {
  const double R = std::nearbyint(static_cast<double>(V));
  if (!(R > std::numeric_limits<int32_t>::min())) // also NaN
    return std::isnan(R) ? 0 : std::numeric_limits<int32_t>::min();
  if (R >= std::numeric_limits<int32_t>::max())
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(R);
}

int32_t TruncToPixel(float V) {
  const double R = std::trunc(static_cast<double>(V));
  if (!(R > std::numeric_limits<int32_t>::min()))
    return std::isnan(R) ? 0 : std::numeric_limits<int32_t>::min();
  if (R >= std::numeric_limits<int32_t>::max())
    return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(R);
}

// Moves every key of a position sequence by -D. A sequence without keys gets one at time 0,
// so that its default value is moved as well.
void ShiftKeys(TGRealEnv* Seq, float D) {
  if (D == 0)
    return;
  if (Seq->Count() == 0) {
    Seq->SetRealValue(0, Seq->GetRealValue(0) - D);
    return;
  }
  for (int I = 0; I < Seq->Count(); ++I) {
    const TGVarTerm& Term = Seq->Terms(I);
    Seq->SetRealValue(Term.Time, Term.Value.ToSingle() - D);
  }
}

// The resource named by the attribute, of the class the field needs; none for a missing or
// empty attribute (saved files write empty URLs for none).
template <class T>
T* ResourceOfClass(TGResourceLibrary* Context, const TGXMLNode* Node, std::string_view Attr) {
  if (!Node->HasAttr(Attr) || Node->GetStrAttr(Attr).empty())
    return nullptr;
  return ObjectCast<T>(TGResource::XMLResource(Context, Node, Attr));
}

const char* const CEffectTags[2] = {"ShowEffect", "HideEffect"};

// Window files nest widgets; a file nesting them without end must fail, not exhaust the stack.
constexpr int CMaxLoadDepth = 256;
thread_local int LoadDepth = 0;

struct TLoadDepthGuard {
  TLoadDepthGuard() {
    if (LoadDepth >= CMaxLoadDepth)
      throw Error("Widgets nested deeper than %d levels", CMaxLoadDepth);
    ++LoadDepth;
  }
  ~TLoadDepthGuard() { --LoadDepth; }
  TLoadDepthGuard(const TLoadDepthGuard&) = delete;
  TLoadDepthGuard& operator=(const TLoadDepthGuard&) = delete;
};

} // namespace

// --- Creation and destruction ------------------------------------------------------------------

TGWidget::TGWidget(TGObject* AOwner)
    : TGResource(AOwner) {
  FParticleSystem = new TGParticleSystem(this);
  FCurEffect = new TGSymbol(this);
  FCurEffect->SetInheritParticles(false);
  FGraphics = new TGGraphicCollection(this);
}

void TGWidget::AfterConstruction() {
  inherited::AfterConstruction();
  SetEnabled(true);
  GetDefaultExtent(FWidth, FHeight);
}

void TGWidget::Destroy() {
  for (TWaitRecord* R = WaitRecords; R; R = R->Next) {
    if (R->Widget == this)
      R->Destroyed = true;
  }
  // The parent's list must never hold a freed widget, however the widget is freed.
  if (FParent)
    FParent->Extract(this);
  Clear();
  FreeAndNil(FCurEffect);
  for (TGWidgetEffect*& E : FEffects)
    FreeAndNil(E);
  FreeAndNil(FGraphics);
  FreeAndNil(FParticleSystem);
  SetCursor(nullptr);
  SetClickSfx(nullptr);
  SetOverSfx(nullptr);
  inherited::Destroy();
}

// --- The tree ----------------------------------------------------------------------------------

int32_t TGWidget::Add(TGWidget* Child) {
  if (!Child)
    throw Error("Widget is nil");
  if (ChildOf(Child))
    throw Error("Widget \"%s\" cannot become a child of itself", Child->Name());
  const int32_t I = IndexOf(Child);
  if (I >= 0)
    return I;
  // A widget lives in one list only: a child left in a former parent's list would stay there
  // after it is freed.
  if (Child->FParent && Child->FParent != this)
    Child->FParent->Extract(Child);
  Child->FParent = this;
  FItems.push_back(Child);
  return GetCount() - 1;
}

int32_t TGWidget::Remove(TGWidget* Child) {
  const int32_t I = IndexOf(Child);
  if (I >= 0)
    FItems.erase(FItems.begin() + I);
  if (Child && Child->FParent == this) {
    Child->FParent = nullptr;
    Child->Free();
  }
  return I;
}

void TGWidget::Extract(TGWidget* Child) {
  const int32_t I = IndexOf(Child);
  if (I >= 0)
    FItems.erase(FItems.begin() + I);
  if (Child && Child->FParent == this)
    Child->FParent = nullptr;
}

void TGWidget::Clear() {
  // One at a time from the front: freeing a child may free others (or remove them) meanwhile.
  while (!FItems.empty()) {
    TGWidget* C = FItems.front();
    FItems.erase(FItems.begin());
    C->FParent = nullptr;
    C->Free();
  }
}

void TGWidget::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex)
    return;
  if (CurIndex < 0 || CurIndex >= GetCount())
    throw EListError(Format("List index out of bounds (%d)", {CurIndex}));
  if (NewIndex < 0 || NewIndex >= GetCount())
    throw EListError(Format("List index out of bounds (%d)", {NewIndex}));
  TGWidget* C = FItems[static_cast<size_t>(CurIndex)];
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, C);
}

int32_t TGWidget::IndexOf(const TGWidget* Child) const {
  const auto It = std::find(FItems.begin(), FItems.end(), Child);
  return It == FItems.end() ? -1 : static_cast<int32_t>(It - FItems.begin());
}

TGWidget* TGWidget::GetItem(int32_t Index) const {
  if (Index < 0 || Index >= GetCount())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FItems[static_cast<size_t>(Index)];
}

void TGWidget::SetParent(TGWidget* P) {
  if (P == FParent)
    return;
  if (P && P->ChildOf(this))
    throw Error("Widget \"%s\" cannot become a child of itself", FName);
  if (FParent)
    FParent->Extract(this);
  if (P)
    P->Add(this);
  FParent = P;
}

bool TGWidget::ChildOf(const TGWidget* W) const {
  for (const TGWidget* P = this; P; P = P->FParent) {
    if (P == W)
      return true;
  }
  return false;
}

TGWidget* TGWidget::GetTopWidget() {
  TGWidget* W = this;
  while (W->FParent)
    W = W->FParent;
  return W;
}

TGWidget* TGWidget::FindWidget(std::string_view Path) const {
  if (Path.empty())
    return nullptr;
  const size_t Sep = Path.find('\\');
  const std::string_view Head = Path.substr(0, Sep);
  TGWidget* Found = nullptr;
  for (TGWidget* C : FItems) {
    if (SameText(C->FName, Head)) {
      Found = C;
      break;
    }
  }
  if (!Found || Sep == std::string_view::npos)
    return Found;
  return Found->FindWidget(Path.substr(Sep + 1));
}

TGWidget* TGWidget::GetWidget(std::string_view Path) const {
  TGWidget* W = FindWidget(Path);
  if (!W)
    throw Error("Widget \"%s\" not found in \"%s\"", std::string(Path), FName);
  return W;
}

// --- Geometry and state ------------------------------------------------------------------------

TGRectFloat TGWidget::GetScreenRect() const {
  float L = 0;
  float T = 0;
  for (const TGWidget* W = this; W; W = W->FParent) {
    L += W->FLeft;
    T += W->FTop;
  }
  return TGRectFloat{L, T, L + FWidth, T + FHeight};
}

bool TGWidget::GlobalVisible() const {
  for (const TGWidget* W = this; W; W = W->FParent) {
    if (!W->FVisible)
      return false;
  }
  return true;
}

bool TGWidget::GlobalEnabled() const {
  for (const TGWidget* W = this; W; W = W->FParent) {
    if (!W->FEnabled || W->FState != wsDefault)
      return false;
  }
  return true;
}

bool TGWidget::GetIsDead() const {
  return FIsDead && (!FParticleSystem || FParticleSystem->IsFinished());
}

// --- Resources and effects ---------------------------------------------------------------------

void TGWidget::SetCursor(TGGraphic* Value) {
  SetResource(FCursor, Value);
}

void TGWidget::SetClickSfx(TGAudio* Value) {
  SetResource(FClickSfx, Value);
}

void TGWidget::SetOverSfx(TGAudio* Value) {
  SetResource(FOverSfx, Value);
}

void TGWidget::SetEffect(TGWidgetEffectKind Kind, TGWidgetEffect* Effect) {
  TGWidgetEffect*& Slot = FEffects[Kind];
  if (Slot == Effect)
    return;
  // One effect serves one kind: a widget owns each of its effects once.
  TGWidgetEffect*& Other = FEffects[Kind == weShow ? weHide : weShow];
  if (Effect && Other == Effect)
    Other = nullptr;
  TGWidgetEffect* Old = Slot;
  Slot = Effect;
  if (Old)
    Old->Free();
  if (Effect) {
    if (Effect->Owner() != this)
      Effect->SetOwner(this);
    Effect->SetKind(Kind);
    Effect->SetWidget(this);
  }
}

bool TGWidget::HasReferenceTo(const TGResource* Resource) const {
  if (!Resource)
    return false;
  if (FCursor == Resource || FClickSfx == Resource || FOverSfx == Resource)
    return true;
  return std::any_of(FItems.begin(), FItems.end(),
                     [Resource](const TGWidget* C) { return C->HasReferenceTo(Resource); });
}

// --- Input -------------------------------------------------------------------------------------

void TGWidget::MouseMove() {
  if (GlobalEnabled() && OnMouseMove)
    OnMouseMove(this);
}

void TGWidget::MouseEnter() {
  if (!GlobalEnabled())
    return;
  if (FOverSfx && AD)
    AD->PlaySfx(FOverSfx);
  if (GlobalEnabled() && OnMouseEnter)
    OnMouseEnter(this);
}

void TGWidget::MouseLeave() {
  if (GlobalEnabled() && OnMouseLeave)
    OnMouseLeave(this);
}

void TGWidget::MouseDrag() {
  if (GlobalEnabled() && OnMouseDrag)
    OnMouseDrag(this);
}

void TGWidget::MouseWheelUp() {
  if (GlobalEnabled() && OnMouseWheelUp)
    OnMouseWheelUp(this);
}

void TGWidget::MouseWheelDown() {
  if (GlobalEnabled() && OnMouseWheelDown)
    OnMouseWheelDown(this);
}

void TGWidget::MouseDown(int Button) {
  if (GlobalEnabled() && OnMouseDown)
    OnMouseDown(Button);
  if (GlobalEnabled() && OnMouseDownSigned)
    OnMouseDownSigned(this, Button);
}

void TGWidget::MouseUp(int Button) {
  if (GlobalEnabled() && OnMouseUp)
    OnMouseUp(Button);
}

void TGWidget::Click() {
  if (!GlobalEnabled())
    return;
  if (FClickSfx && AD)
    AD->PlaySfx(FClickSfx);
  if (GlobalEnabled() && OnClick)
    OnClick(this);
}

void TGWidget::DblClick() {
  if (GlobalEnabled() && OnDblClick)
    OnDblClick(this);
}

void TGWidget::KeyDown(uint16_t Key) {
  if (GlobalEnabled() && OnKeyDown)
    OnKeyDown(Key);
}

void TGWidget::KeyPress(char32_t Key) {
  if (GlobalEnabled() && OnKeyPress)
    OnKeyPress(static_cast<uint32_t>(Key));
}

void TGWidget::KeyUp(uint16_t Key) {
  if (GlobalEnabled() && OnKeyUp)
    OnKeyUp(Key);
}

bool TGWidget::InternalHit(const TGFlatVector& Point) {
  (void)Point;
  return false;
}

void TGWidget::ApplicationActivateHelper() {
  ApplicationActivate();
  // By index: a handler may change the tree.
  for (size_t I = 0; I < FItems.size(); ++I)
    FItems[I]->ApplicationActivateHelper();
}

void TGWidget::ApplicationDeactivateHelper() {
  ApplicationDeactivate();
  for (size_t I = 0; I < FItems.size(); ++I)
    FItems[I]->ApplicationDeactivateHelper();
}

// --- Showing and hiding ------------------------------------------------------------------------

void TGWidget::Show(TGShowOptions Options) {
  if (FState != wsDefault)
    return;
  FState = wsShowing;
  BeforeShow();
  FVisible = true;
  SetCurEffectCascade(this, weShow);
  if (Options.Contains(soWaitEffect))
    WaitWhileInState(wsShowing);
}

void TGWidget::Hide(TGHideOptions Options) {
  if (FState != wsDefault)
    return;
  FState = wsHiding;
  FDestroyAfterHide = Options.Contains(hoDestroyAfterHide);
  Deactivate();
  SetCurEffectCascade(this, weHide);
  if (Options.Contains(hoWaitEffect))
    WaitWhileInState(wsHiding);
}

void TGWidget::WaitWhileInState(TGWidgetState Waiting) {
  TWaitRecord Record;
  Record.Widget = this;
  Record.Next = WaitRecords;
  WaitRecords = &Record;
  struct TUnlink {
    TWaitRecord* R;
    ~TUnlink() {
      for (TWaitRecord** P = &WaitRecords; *P; P = &(*P)->Next) {
        if (*P == R) {
          *P = R->Next;
          break;
        }
      }
    }
  } Unlink{&Record};
  while (!Record.Destroyed && FState == Waiting && MessageLoop && !MessageLoop->Terminated())
    MessageLoop->HandleMessage();
}

void TGWidget::Deactivate() {
  for (TGWidget* W = this; W; W = W->FParent) {
    if (W->InheritsFrom(TGWindow::StaticClass()))
      static_cast<TGWindow*>(W)->DeactivateWidget(this);
  }
}

void TGWidget::ShowAndFree(TGWindow* Window) {
  if (!Window)
    return;
  TGObjectPtr<TGWindow> Own(Window);
  Window->ShowModal();
}

void TGWidget::CreateShowAndFree(TGClass WindowClass) {
  if (!WindowClass)
    throw Error("Window class is nil");
  TGObjectPtr<TGObject> Obj(WindowClass->CreateInstance(nullptr));
  TGWindow* Window = ObjectCast<TGWindow>(Obj.get());
  if (Window)
    Window->ShowModal();
}

void TGWidget::SetCurEffectCascade(TGWidget* W, TGWidgetEffectKind Kind) {
  TGWidgetEffect* Effect = W->FEffects[Kind];
  {
    // Particles of an effect cut short live on in the widget.
    TGParticleHeirScope Heir(W->FParticleSystem);
    W->FCurEffect->SetGraphic(nullptr);
  }
  W->FCurEffect->SetGraphic(Effect);
  FixPositionsInEffect(W, W->FCurEffect);
  if (Effect) {
    if (auto* Clone = dynamic_cast<TGWidgetEffect*>(W->FCurEffect->Instance())) {
      Clone->SetWidget(W);
      Clone->SetKind(Kind);
      Clone->SetLooped(false);
    }
  }
  for (size_t I = 0; I < W->FItems.size(); ++I) {
    TGWidget* C = W->FItems[I];
    if (C->GlobalVisible() && C->FCascadeEffect)
      SetCurEffectCascade(C, Kind);
  }
}

bool TGWidget::CascadeUpdateEffects(TGWidget* W, float DeltaTime) {
  W->FCurEffect->Update(DeltaTime);
  bool Done = W->FCurEffect->IsFinished();
  if (Done && W->FCurEffect->Graphic()) {
    TGParticleHeirScope Heir(W->FParticleSystem);
    W->FCurEffect->SetGraphic(nullptr);
  }
  for (size_t I = 0; I < W->FItems.size(); ++I) {
    const bool ChildDone = CascadeUpdateEffects(W->FItems[I], DeltaTime);
    Done = ChildDone && Done;
  }
  return Done;
}

void TGWidget::FixPositionsInEffect(TGWidget* W, TGSymbol* Symbol) {
  auto* A = dynamic_cast<TGAnimation*>(Symbol->Instance());
  if (!A)
    return;
  float DX = 0;
  float DY = 0;
  for (int32_t I = 0; I < A->Count(); ++I) {
    if (auto* LW = dynamic_cast<TGLiveWidget*>(A->GetChannel(I))) {
      DX = LW->X()->GetRealValue(0) -
           LW->PivotX()->GetRealValue(0) * LW->ScaleX()->GetRealValue(0) * W->Width();
      DY = LW->Y()->GetRealValue(0) -
           LW->PivotY()->GetRealValue(0) * LW->ScaleY()->GetRealValue(0) * W->Height();
      break;
    }
  }
  if (DX == 0 && DY == 0)
    return;
  for (int32_t I = 0; I < A->Count(); ++I) {
    if (auto* M = dynamic_cast<TGMovie*>(A->GetChannel(I))) {
      ShiftKeys(M->X(), DX);
      ShiftKeys(M->Y(), DY);
    }
  }
}

// --- Time and drawing --------------------------------------------------------------------------

void TGWidget::DrawTree() {
  TGDeviceStateGuard State(TGDeviceStateMask{bMatrix, bMaterial});
  GD->SetMatrixByType(mWorld, MatTranslation(FLeft, FTop, FNear) * GD->GetMatrixByType(mWorld));
  if (GlobalVisible() && !FCurEffect->IsFinished())
    FCurEffect->Draw();
  else
    DrawHelper();
  FParticleSystem->Draw();
}

void TGWidget::DrawChildrenClipped() {
  TGViewport VP = GD->Viewport();
  const TGRectFloat R = GetScreenRect();
  TGDeviceStateGuard State(TGDeviceStateMask{bMatrices, bViewport});
  VP.Left = RoundToPixel(R.Left);
  VP.Top = RoundToPixel(R.Top);
  VP.Right = std::max(VP.Left, RoundToPixel(R.Right));
  VP.Bottom = std::max(VP.Top, RoundToPixel(R.Bottom));
  GD->SetViewport(VP);
  GD->SetMatrixByType(mProjection, MatOrtho(R.Left, R.Top, R.Right, R.Bottom, 0, 1));
  GD->SetMatrixByType(mView, MatIdentity);
  for (size_t I = 0; I < FItems.size(); ++I)
    FItems[I]->DrawTree();
}

void TGWidget::DrawHelper() {
  TGDeviceStateGuard State(TGDeviceStateMask{bMaterial});
  GD->SetMaterialDiffuse(GD->MaterialDiffuse() * FColor);
  const bool Shown = GlobalVisible();
  if (Shown) {
    if (OnBeforeDraw)
      OnBeforeDraw(this);
    Draw();
  }
  if (FClipChildren) {
    // An empty rectangle shows nothing of the children.
    const TGRectFloat R = GetScreenRect();
    if (R.Right > R.Left && R.Bottom > R.Top)
      DrawChildrenClipped();
  } else {
    for (size_t I = 0; I < FItems.size(); ++I)
      FItems[I]->DrawTree();
  }
  if (Shown) {
    if (OnAfterDraw)
      OnAfterDraw(this);
    FGraphics->Draw();
  }
}

void TGWidget::UpdateTree(float DeltaTime) {
  if (!FVisible && !FUpdateWhenInvisible)
    return;
  for (size_t I = 0; I < FItems.size(); ++I)
    FItems[I]->UpdateTree(DeltaTime);
  for (size_t I = FItems.size(); I-- > 0;) {
    if (I < FItems.size() && FItems[I]->GetIsDead())
      Remove(FItems[I]);
  }
  float D = DeltaTime;
  if (FState != wsDefault) {
    D = 0;
    if (CascadeUpdateEffects(this, DeltaTime)) {
      if (FState == wsHiding) {
        FVisible = false;
        AfterHide();
        if (FDestroyAfterHide)
          FIsDead = true;
      }
      FState = wsDefault;
    }
  }
  UpdateHelper(D);
  FParticleSystem->Update(DeltaTime);
}

void TGWidget::UpdateHelper(float DeltaTime) {
  Update(DeltaTime);
  FGraphics->Update(DeltaTime);
}

bool TGWidget::Hit(const TGPoint& P, bool Recurse, bool Force) {
  if (!Force && !GlobalVisible())
    return false;
  const TGFlatVector Local{static_cast<float>(P.X) - FLeft, static_cast<float>(P.Y) - FTop};
  if (InternalHit(Local))
    return true;
  if (!Recurse)
    return false;
  const TGPoint Inner{P.X - RoundToPixel(FLeft), P.Y - RoundToPixel(FTop)};
  for (size_t I = FItems.size(); I-- > 0;) {
    if (I < FItems.size() && FItems[I]->Hit(Inner, true, Force))
      return true;
  }
  return false;
}

TGWidget* TGWidget::GetChildWidgetAt(const TGPoint& P) const {
  for (size_t I = FItems.size(); I-- > 0;) {
    if (TGWidget* W = FItems[I]->GetWidgetAt(P))
      return W;
  }
  return nullptr;
}

TGWidget* TGWidget::GetWidgetAt(const TGPoint& P) {
  if (!GlobalVisible())
    return nullptr;
  if (TGWidget* W = GetChildWidgetAt(P))
    return W;
  if (FAllowMouse && ScreenRectContains(P))
    return this;
  return nullptr;
}

TGGraphic* TGWidget::GetCursorAt(const TGPoint& P) {
  if (!GlobalVisible())
    return nullptr;
  for (size_t I = FItems.size(); I-- > 0;) {
    if (TGGraphic* G = FItems[I]->GetCursorAt(P))
      return G;
  }
  if (!FHitTestForCursor)
    return ScreenRectContains(P) ? FCursor : nullptr;
  return Hit(ScreenToParent(P), true, false) ? FCursor : nullptr;
}

bool TGWidget::ScreenRectContains(const TGPoint& P) const {
  const TGRectFloat R = GetScreenRect();
  const float X = static_cast<float>(P.X);
  const float Y = static_cast<float>(P.Y);
  return R.Left <= X && X < R.Right && R.Top <= Y && Y < R.Bottom;
}

TGPoint TGWidget::ScreenToParent(const TGPoint& P) const {
  const TGRectFloat R = GetScreenRect();
  return TGPoint{P.X - TruncToPixel(R.Left) + TruncToPixel(FLeft),
                 P.Y - TruncToPixel(R.Top) + TruncToPixel(FTop)};
}

void TGWidget::GetDefaultExtent(float& AWidth, float& AHeight) {
  GraphicExtent(nullptr, AWidth, AHeight);
}

void TGWidget::GraphicExtent(const TGGraphic* G, float& AWidth, float& AHeight) {
  AWidth = G ? G->Width() : 100;
  AHeight = G ? G->Height() : 100;
}

// --- Files -------------------------------------------------------------------------------------

void TGWidget::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGWidget*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  if (D == this)
    return;
  inherited::AssignTo(Dest);
  D->SetName(FName);
  D->SetLeft(FLeft);
  D->SetTop(FTop);
  D->FNear = FNear;
  D->SetWidth(FWidth);
  D->SetHeight(FHeight);
  D->SetDepth(FDepth);
  D->SetEnabled(FEnabled);
  D->FVisible = FVisible;
  D->FUpdateWhenInvisible = FUpdateWhenInvisible;
  D->FColor = FColor;
  D->FAllowFocus = FAllowFocus;
  D->FAllowMouse = FAllowMouse;
  D->FAllowDrag = FAllowDrag;
  D->FExpanded = FExpanded;
  D->FCascadeEffect = FCascadeEffect;
  for (int K = weShow; K <= weHide; ++K) {
    const auto Kind = static_cast<TGWidgetEffectKind>(K);
    TGWidgetEffect* Copy = nullptr;
    if (FEffects[Kind])
      Copy = static_cast<TGWidgetEffect*>(CloneObject(*FEffects[Kind], D));
    D->SetEffect(Kind, Copy);
  }
  D->SetCursor(FCursor);
  D->SetClickSfx(FClickSfx);
  D->SetOverSfx(FOverSfx);
  D->Clear();
  // A copy into one of this widget's own descendants must not copy itself again.
  const std::vector<TGWidget*> Source = FItems;
  for (const TGWidget* C : Source)
    D->Add(static_cast<TGWidget*>(CloneObject(*C, D)));
}

void TGWidget::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  const TLoadDepthGuard Depth;
  const TGClass Class = GetClass(Node->GetStrAttr("ClassName"));
  if (!InheritsFrom(Class))
    throw Error();
  SetName(Node->GetStrAttr("Name"));
  SetLeft(Node->GetFloatAttr("Left"));
  SetTop(Node->GetFloatAttr("Top"));
  SetWidth(Node->GetFloatAttr("Width"));
  SetHeight(Node->GetFloatAttr("Height"));
  FVisible = Node->GetBoolAttrDef("Visible", true);
  SetEnabled(Node->GetBoolAttrDef("Enabled", true));
  FColor = Node->GetLongwordAttrDef("Color", 0xFFFFFFFF);
  FAllowFocus = Node->GetBoolAttrDef("AllowFocus", FAllowFocus);
  FAllowMouse = Node->GetBoolAttrDef("AllowMouse", FAllowMouse);
  FAllowDrag = Node->GetBoolAttrDef("AllowDrag", FAllowDrag);
  FCascadeEffect = Node->GetBoolAttrDef("CascadeEffect", true);
  FExpanded = Node->GetBoolAttrDef("Expanded", FExpanded);

  for (int K = weShow; K <= weHide; ++K) {
    TGXMLCollection* Elements = Node->GetChilds(CEffectTags[K]);
    if (Elements->GetCount() == 0)
      continue;
    TGObjectPtr<TGWidgetEffect> Effect(New<TGWidgetEffect>(nullptr));
    TGXMLCollection* Animations = Elements->GetItem(0)->GetChilds("Animation");
    if (Animations->GetCount() > 0)
      Effect->LoadFromXML(Context, Animations->GetItem(0));
    SetEffect(static_cast<TGWidgetEffectKind>(K), Effect.release());
  }

  SetCursor(ResourceOfClass<TGGraphic>(Context, Node, "CursorURL"));
  SetClickSfx(ResourceOfClass<TGAudio>(Context, Node, "ClickSfxURL"));
  SetOverSfx(ResourceOfClass<TGAudio>(Context, Node, "OverSfxURL"));

  TGXMLCollection* Children = Node->GetChilds("Widget");
  for (int I = 0; I < Children->GetCount(); ++I) {
    const TGXMLNode* ChildNode = Children->GetItem(I);
    const TGClass ChildClass = GetClass(ChildNode->GetStrAttr("ClassName"));
    if (!ChildClass->InheritsFrom(TGWidget::StaticClass()))
      throw Error();
    TGObjectPtr<TGWidget> Child(static_cast<TGWidget*>(ChildClass->CreateInstance(this)));
    Child->LoadFromXML(Context, ChildNode);
    Add(Child.release());
  }
}

TGXMLNode* TGWidget::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Widget"));
  Node->SetStrAttr("Name", FName);
  Node->SetStrAttr("ClassName", ClassName());
  Node->SetFloatAttr("Left", FLeft);
  Node->SetFloatAttr("Top", FTop);
  Node->SetFloatAttr("Width", FWidth);
  Node->SetFloatAttr("Height", FHeight);
  Node->SetBoolAttr("Visible", FVisible);
  Node->SetBoolAttr("Enabled", FEnabled);
  Node->SetLongwordAttr("Color", FColor);
  Node->SetBoolAttr("AllowFocus", FAllowFocus);
  Node->SetBoolAttr("AllowMouse", FAllowMouse);
  Node->SetBoolAttr("AllowDrag", FAllowDrag);
  Node->SetStrAttr("CursorURL", SafeGetURL(FCursor));
  Node->SetStrAttr("ClickSfxURL", SafeGetURL(FClickSfx));
  Node->SetStrAttr("OverSfxURL", SafeGetURL(FOverSfx));
  Node->SetBoolAttr("CascadeEffect", FCascadeEffect);
  Node->SetBoolAttr("Expanded", FExpanded);
  for (int K = weShow; K <= weHide; ++K) {
    if (FEffects[K])
      Node->AddChild(CEffectTags[K])->AddNode(FEffects[K]->SaveToXML());
  }
  for (const TGWidget* C : FItems)
    Node->AddNode(C->SaveToXML());
  return Node.release();
}

// --- The class registry ------------------------------------------------------------------------

void TGWidget::RegisterClass(TGClass AClass) {
  if (!AClass)
    throw Error("Widget class is nil");
  ClassList().push_back(AClass);
}

TGClass TGWidget::GetClass(std::string_view Name) {
  for (TGClass C : ClassList()) {
    if (C->Name == Name)
      return C;
  }
  throw Error("Unknown widget class: %s", std::string(Name));
}

const std::vector<TGClass>& TGWidget::WidgetClasses() {
  return ClassList();
}

void TGWidget::UnregisterClasses() {
  ClassList().clear();
}

// --- Published members -------------------------------------------------------------------------

void TGWidget::Publish(TGClassBuilder<TGWidget>& B) {
  B.Property("Count", &TGWidget::Count)
      .Property("Graphics", &TGWidget::Graphics)
      .Property("Name", &TGWidget::Name, &TGWidget::SetName)
      .Property("Parent", &TGWidget::Parent)
      .Property("Cursor", &TGWidget::Cursor, &TGWidget::SetCursor)
      .Property("ClickSfx", &TGWidget::ClickSfx, &TGWidget::SetClickSfx)
      .Property("OverSfx", &TGWidget::OverSfx, &TGWidget::SetOverSfx)
      .Property("ClipChildren", &TGWidget::ClipChildren, &TGWidget::SetClipChildren)
      .Property("Left", &TGWidget::Left, &TGWidget::SetLeft)
      .Property("Top", &TGWidget::Top, &TGWidget::SetTop)
      .Property("Near", &TGWidget::Near, &TGWidget::SetNear)
      .Property("Width", &TGWidget::Width, &TGWidget::SetWidth)
      .Property("Height", &TGWidget::Height, &TGWidget::SetHeight)
      .Property("Depth", &TGWidget::Depth, &TGWidget::SetDepth)
      .Property("Visible", &TGWidget::Visible, &TGWidget::SetVisible)
      .Property("Enabled", &TGWidget::Enabled, &TGWidget::SetEnabled)
      .Property("UpdateWhenInvisible", &TGWidget::UpdateWhenInvisible,
                &TGWidget::SetUpdateWhenInvisible)
      .Property("AllowFocus", &TGWidget::AllowFocus, &TGWidget::SetAllowFocus)
      .Property("AllowMouse", &TGWidget::AllowMouse, &TGWidget::SetAllowMouse)
      .Property("AllowDrag", &TGWidget::AllowDrag, &TGWidget::SetAllowDrag)
      .Property("IsDead", &TGWidget::GetIsDead)
      .Property("CurEffect", &TGWidget::CurEffect)
      .Property("CascadeEffect", &TGWidget::CascadeEffect, &TGWidget::SetCascadeEffect)
      .Property("ShowEffect", &TGWidget::ShowEffect)
      .Property("HideEffect", &TGWidget::HideEffect)
      .Property("State", &TGWidget::State)
      .Property("Expanded", &TGWidget::Expanded, &TGWidget::SetExpanded)
      .Property("HitTestForCursor", &TGWidget::HitTestForCursor, &TGWidget::SetHitTestForCursor)
      .Method("GetItem", &TGWidget::GetItem, {"Index"})
      .Method("Items", &TGWidget::Items, {"Index"})
      .Method("GetWidget", &TGWidget::GetWidget, {"Path"})
      .Method("Widgets", &TGWidget::Widgets, {"Path"})
      .Method("FindWidget", &TGWidget::FindWidget, {"Path"})
      .Method("GetEffect", &TGWidget::GetEffect, {"Kind"})
      .Method("Effects", &TGWidget::Effects, {"Kind"})
      .Method("Show", &TGWidget::Show, {"Options"})
      .Method("Hide", &TGWidget::Hide, {"Options"})
      .Method("GetTopWidget", &TGWidget::GetTopWidget)
      .Method("GlobalVisible", &TGWidget::GlobalVisible)
      .Method("GlobalEnabled", &TGWidget::GlobalEnabled);
}
