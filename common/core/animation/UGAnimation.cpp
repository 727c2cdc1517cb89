#include "animation/UGAnimation.h"

#include "base/UGDebug.h"
#include "base/UGFormat.h"
#include "drawables/UGSprite.h"
#include "graphics/UGTexture.h"
#include "xml/UGXMLNode.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <limits>

G_IMPLEMENT_CLASS(TGAnimation)
G_IMPLEMENT_CLASS(TGAnimationComplicationTester)

TGAnimationComplicationTester* AnimationComplicationTester = nullptr;

namespace {

constexpr int32_t CMaskTargetSize = 256;
constexpr int CMaskStage = 1;

int32_t ClampToInt(int64_t V) {
  return static_cast<int32_t>(std::clamp<int64_t>(V, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

[[noreturn]] void AssertionFailure(TGSourceLocation Loc = TGSourceLocation::current()) {
  throw ErrorAt("Assertion failure", Loc);
}

// Draws the sprites queued in an open batch now, in the current state: before the render
// target or the mask stage changes, queued pictures must reach the target they were drawn for.
void FlushSprites() {
  if (TGSprite::Batch)
    TGSprite::Batch->Flush();
}

// Restores MaskRenderingStep to 0 however the scope is left.
struct TMaskStepGuard {
  explicit TMaskStepGuard(int32_t Step) { MaskRenderingStep = Step; }
  ~TMaskStepGuard() { MaskRenderingStep = 0; }
  TMaskStepGuard(const TMaskStepGuard&) = delete;
  TMaskStepGuard& operator=(const TMaskStepGuard&) = delete;
};

} // namespace

// --- TGAnimationInternalLoop
// -----------------------------------------------------------------------

TGAnimationInternalLoop TGAnimationInternalLoop::Make(bool AActive, int32_t ATimeFrom,
                                                      int32_t ATimeTo) {
  if (ATimeTo < ATimeFrom)
    throw Error("TimeTo less than TimeFrom");
  return TGAnimationInternalLoop{ATimeFrom, ATimeTo, AActive};
}

// --- TGAnimation ---------------------------------------------------------------------------------

TGChannel* ChannelByName(const TGAnimation* Animation, std::string_view Name) {
  if (!Animation)
    return nullptr;
  for (int I = 0; I < Animation->Count(); ++I) {
    TGChannel* C = Animation->GetChannel(I);
    if (C->Caption() == Name)
      return C;
  }
  return nullptr;
}

void TGAnimation::Publish(TGClassBuilder<TGAnimation>& B) {
  B.Property("ElapsedTime", &TGAnimation::ElapsedTime, &TGAnimation::SetElapsedTime)
      .Property("TotalTime", &TGAnimation::TotalTime)
      .Property("Speed", &TGAnimation::Speed, &TGAnimation::SetSpeed)
      .Property("SpeedEnv", &TGAnimation::SpeedEnv)
      .Property("Looped", &TGAnimation::Looped, &TGAnimation::SetLooped)
      .Property("Count", &TGAnimation::Count)
      .Property("InternalLoopCounter", &TGAnimation::InternalLoopCounter)
      .Method("GetChannel", &TGAnimation::GetChannel, {"Index"});
}

TGAnimation::TGAnimation(TGObject* AOwner)
    : TGGraphic(AOwner)
    , FSpeedEnv(new TGMathScript(this)) {}

void TGAnimation::Destroy() {
  // Last first, as an owner frees what it owns; no hooks while the animation goes away.
  while (!FChannels.empty()) {
    TGChannel* C = FChannels.back();
    FChannels.pop_back();
    C->Free();
  }
  inherited::Destroy();
}

void TGAnimation::OwnedObjectDestroying(TGObject* Obj) {
  // A channel freed by someone else leaves the list.
  auto It = std::find(FChannels.begin(), FChannels.end(), Obj);
  if (It != FChannels.end()) {
    FChannels.erase(It);
    TermTimesChanged();
  }
  if (Obj == FSpeedEnv)
    FSpeedEnv = nullptr;
  inherited::OwnedObjectDestroying(Obj);
}

void TGAnimation::Add(TGChannel* Channel) {
  Insert(GetCount(), Channel);
}

void TGAnimation::Insert(int32_t Index, TGChannel* Channel) {
  if (!Channel)
    throw Error("Channel is nil");
  if (Index < 0 || Index > GetCount())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  if (IndexOf(Channel) >= 0)
    return;
  Channel->SetOwner(this);
  FChannels.insert(FChannels.begin() + Index, Channel);
  TermTimesChanged();
  ChannelAdded(Channel);
}

void TGAnimation::Remove(TGChannel* Channel) {
  const int32_t I = IndexOf(Channel);
  if (I < 0)
    return;
  FChannels.erase(FChannels.begin() + I);
  TermTimesChanged();
  ChannelRemoved(Channel);
  Channel->Free();
}

void TGAnimation::Extract(TGChannel* Channel) {
  const int32_t I = IndexOf(Channel);
  if (I < 0)
    return;
  FChannels.erase(FChannels.begin() + I);
  TermTimesChanged();
  Channel->SetOwner(nullptr);
  ChannelRemoved(Channel);
}

void TGAnimation::MoveChannel(int32_t CurIndex, int32_t NewIndex) {
  TGChannel* C = GetChannel(CurIndex);
  if (NewIndex < 0 || NewIndex >= GetCount())
    throw EListError(Format("List index out of bounds (%d)", {NewIndex}));
  if (CurIndex == NewIndex)
    return;
  FChannels.erase(FChannels.begin() + CurIndex);
  FChannels.insert(FChannels.begin() + NewIndex, C);
  ChannelMoved(C);
}

void TGAnimation::Clear() {
  while (!FChannels.empty())
    Remove(FChannels.back());
}

TGChannel* TGAnimation::GetChannel(int32_t Index) const {
  if (Index < 0 || Index >= GetCount())
    throw EListError(Format("List index out of bounds (%d)", {Index}));
  return FChannels[static_cast<size_t>(Index)];
}

int32_t TGAnimation::IndexOf(const TGChannel* Channel) const {
  auto It = std::find(FChannels.begin(), FChannels.end(), Channel);
  return It == FChannels.end() ? -1 : static_cast<int32_t>(It - FChannels.begin());
}

void TGAnimation::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGAnimation*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  if (D == this)
    return;
  inherited::AssignTo(Dest);
  D->Clear();
  for (const TGChannel* C : FChannels)
    D->Add(C->Clone());
  D->FLooped = FLooped;
  D->FSpeed = FSpeed;
  if (FSpeedEnv && D->FSpeedEnv)
    D->FSpeedEnv->SetAsString(FSpeedEnv->AsString());
  D->FInternalLoop = FInternalLoop;
}

void TGAnimation::SetElapsedTime(int32_t T) {
  const int64_t L = GetTotalTime();
  int64_t Prev;
  int64_t E;
  if (FLooped && L > 0) {
    Prev = T >= L ? int64_t{FElapsedTime} - L : int64_t{FElapsedTime};
    E = T % L;
    if (E < 0)
      E += L; // a seek before the start lands inside the loop too
  } else {
    Prev = FElapsedTime;
    E = T;
  }
  const TGAnimationInternalLoop& IL = FInternalLoop;
  if (!IL.Active || Prev < IL.TimeFrom || Prev > IL.TimeTo)
    FInternalLoopCounter = 0;
  if (IL.Active && Prev <= IL.TimeTo && E > IL.TimeTo) {
    const int64_t Span = int64_t{IL.TimeTo} - IL.TimeFrom;
    if (Span <= 0) {
      E = IL.TimeFrom;
    } else {
      // As many whole turns as the step covers, at once: a long jump must not loop per turn.
      const int64_t Turns = (E - IL.TimeTo + Span - 1) / Span;
      E -= Turns * Span;
      FInternalLoopCounter = ClampToInt(int64_t{FInternalLoopCounter} + Turns);
    }
  }
  FElapsedTime = ClampToInt(E);
  for (size_t I = 0; I < FChannels.size(); ++I)
    FChannels[I]->SetElapsedTime(FElapsedTime);
}

int32_t TGAnimation::GetTotalTime() const {
  if (FTotalTimeGeneration != TermTimesGeneration) {
    int32_t Result = 0;
    for (const TGChannel* C : FChannels)
      Result = std::max(Result, C->TotalTime());
    FTotalTime = Result;
    FTotalTimeGeneration = TermTimesGeneration;
  }
  return FTotalTime;
}

void TGAnimation::SetInternalLoop(const TGAnimationInternalLoop& Value) {
  FInternalLoop = TGAnimationInternalLoop::Make(Value.Active, Value.TimeFrom, Value.TimeTo);
}

void TGAnimation::Update(float DeltaTime) {
  if (AnimationComplicationTester && AnimationComplicationTester->Enabled())
    GetAnimationComplicationTester().Test(this);
  double K = 1;
  if (FSpeedEnv && !FSpeedEnv->AsString().empty())
    K = FSpeedEnv->Evaluate();
  const double Step =
      std::nearbyint(static_cast<double>(DeltaTime) * static_cast<double>(FSpeed) * K * 1000.0);
  // A speed expression that divides by zero gives no step rather than a wild one.
  const int64_t Delta =
      std::isfinite(Step) ? static_cast<int64_t>(std::clamp(Step, -2147483648.0, 2147483647.0)) : 0;
  try {
    SetElapsedTime(ClampToInt(int64_t{FElapsedTime} + Delta));
  } catch (const EGException& E) {
    // The failure names the animation that was advancing (nested ones add their own names).
    if (URL().empty())
      throw;
    throw Error("%s: %s", URL(), E.Text());
  } catch (const std::exception& E) {
    if (URL().empty())
      throw;
    throw Error("%s: %s", URL(), std::string(E.what()));
  }
  UpdateParticles(DeltaTime);
}

void TGAnimation::UpdateParticles(float DeltaTime) {
  for (size_t I = 0; I < FChannels.size(); ++I)
    FChannels[I]->UpdateParticles(DeltaTime);
}

void TGAnimation::ClearParticles() {
  for (size_t I = 0; I < FChannels.size(); ++I)
    FChannels[I]->ClearParticles();
}

bool TGAnimation::IsFinished() {
  return !FLooped && FElapsedTime >= GetTotalTime();
}

bool TGAnimation::HasReferenceTo(const TGResource* Resource) const {
  return std::any_of(FChannels.begin(), FChannels.end(),
                     [Resource](const TGChannel* C) { return C->HasReferenceTo(Resource); });
}

bool TGAnimation::Hit(const TGVector& Point) {
  if (!TGGraphic::Hit(Point))
    return false;
  for (size_t I = 0; I < FChannels.size(); ++I) {
    TGChannel* C = FChannels[I];
    if (C->Visible() && !C->IsMask() && C->Hit(Point))
      return true;
  }
  return false;
}

void TGAnimation::RefreshBoundingBox() {
  constexpr float Big = std::numeric_limits<float>::max();
  TGVector Min{Big, Big, Big};
  TGVector Max{-Big, -Big, -Big};
  const int32_t Total = GetTotalTime();
  for (int32_t T = 0; T <= Total; ++T) {
    for (TGChannel* C : FChannels)
      C->AdjustBoundingBox(T, Min, Max);
  }
  if (Min.X > Max.X || Min.Y > Max.Y) {
    // No channel has content: an empty box at the origin.
    FOrigin = TGVector{};
    SetExtent(TGVector{});
    return;
  }
  if (Min.Z > Max.Z)
    Min.Z = Max.Z = 0;
  FOrigin = Min;
  SetExtent(Max - Min);
}

bool TGAnimation::MathFunction(int32_t Identifier, std::span<const TParameter> Parameters,
                               double& Result) {
  TGMathParser& P = GetMathParser();
  if (Identifier == P.FuncTime()) {
    const int32_t Total = GetTotalTime();
    Result = Total == 0 ? 0 : static_cast<double>(FElapsedTime) / static_cast<double>(Total);
    return true;
  }
  if (Identifier == P.FuncEnv()) {
    if (Parameters.size() < 2) {
      Result = 0;
      return true;
    }
    const double X = Parameters[0].Value;
    const size_t N = Parameters.size() - 1; // the values a1..an
    if (N == 1 || !(X > 0)) {
      Result = Parameters[1].Value;
      return true;
    }
    if (X >= 1) {
      Result = Parameters[N].Value;
      return true;
    }
    const double Pos = X * static_cast<double>(N - 1);
    const size_t I = std::min(static_cast<size_t>(Pos), N - 2);
    const double A = Parameters[1 + I].Value;
    const double B = Parameters[2 + I].Value;
    Result = A + (B - A) * (Pos - static_cast<double>(I));
    return true;
  }
  return false;
}

// --- Drawing -------------------------------------------------------------------------------------

void TGAnimation::Draw() {
  for (size_t I = 0; I < FChannels.size(); ++I) {
    TGChannel* C = FChannels[I];
    if (!C->Visible())
      continue;
    if (C->IsMask()) {
      DrawAxisesOnly(C);
      continue;
    }
    TGChannel* Next = I + 1 < FChannels.size() ? FChannels[I + 1] : nullptr;
    auto* Movie = dynamic_cast<TGMovie*>(C);
    if (Movie && Next && Next->IsMask())
      DrawMasked(Movie, Next);
    else
      DrawChannel(C);
  }
}

void TGAnimation::DrawChannel(TGChannel* Channel) {
  BeforeChannelDraw(Channel);
  try {
    Channel->Draw();
  } catch (...) {
    AfterChannelDraw(Channel);
    throw;
  }
  AfterChannelDraw(Channel);
}

void TGAnimation::DrawAxisesOnly(TGChannel* Channel) {
  const TGChannelFlags F = Channel->Flags();
  if (!F.Contains(mfDrawFrame) && !F.Contains(mfDrawAxises))
    return;
  if (MaskRenderingStep != 0)
    AssertionFailure();
  TMaskStepGuard Step(2);
  DrawChannel(Channel);
}

bool TGAnimation::SetupMask(TGChannel* Content, TGChannel* Mask, float& X0, float& Y0, float& X1,
                            float& Y1) {
  (void)Mask;
  TGVector E;
  Content->GetExtent(FElapsedTime, E);
  TGMatrix M;
  BeforeChannelDraw(Content);
  try {
    Content->GetTransformMatrix(FElapsedTime, M);
  } catch (...) {
    AfterChannelDraw(Content);
    throw;
  }
  // The hooks may place the channel (classes built on animations move it into their frame).
  const TGMatrix Full = M * GD->GetMatrixByType(mWorld) * GD->GetMatrixByType(mView) *
                        GD->GetMatrixByType(mProjection);
  AfterChannelDraw(Content);
  const TGVector Corners[4] = {{0, 0, 0}, {0, E.Y, 0}, {E.X, E.Y, 0}, {E.X, 0, 0}};
  X0 = Y0 = std::numeric_limits<float>::max();
  X1 = Y1 = -std::numeric_limits<float>::max();
  for (const TGVector& C : Corners) {
    // Homogeneous: a corner behind the camera makes the box the whole screen.
    const float X = C.X * Full.M[0][0] + C.Y * Full.M[1][0] + C.Z * Full.M[2][0] + Full.M[3][0];
    const float Y = C.X * Full.M[0][1] + C.Y * Full.M[1][1] + C.Z * Full.M[2][1] + Full.M[3][1];
    const float W = C.X * Full.M[0][3] + C.Y * Full.M[1][3] + C.Z * Full.M[2][3] + Full.M[3][3];
    if (!(W > 1e-6f)) {
      X0 = Y0 = -1;
      X1 = Y1 = 1;
      break;
    }
    X0 = std::min(X0, X / W);
    X1 = std::max(X1, X / W);
    Y0 = std::min(Y0, Y / W);
    Y1 = std::max(Y1, Y / W);
  }
  X0 = std::clamp(X0, -1.0f, 1.0f);
  X1 = std::clamp(X1, -1.0f, 1.0f);
  Y0 = std::clamp(Y0, -1.0f, 1.0f);
  Y1 = std::clamp(Y1, -1.0f, 1.0f);
  // Content wholly off the screen (or of no size) leaves an empty box: nothing to draw, and
  // nothing to divide by.
  constexpr float MinSize = 1e-6f;
  if (!(X1 - X0 > MinSize) || !(Y1 - Y0 > MinSize))
    return false;

  // The mask, drawn so that the box fills the whole shared target, upright.
  TGDeviceStateGuard State(TGDeviceStateMask{bRenderTarget, bMatrix, bMatrices, bViewport});
  TGSimpleTexture* Target = GD->GetCommonRenderTarget();
  GD->SetRenderTarget(Target);
  GD->SetViewport(TGViewport::FromRect(TGRect{0, 0, CMaskTargetSize, CMaskTargetSize}));
  GD->Erase(0x00FFFFFFu);
  TGMatrix Remap = MatIdentity;
  Remap.M[0][0] = 2 / (X1 - X0);
  Remap.M[1][1] = 2 / (Y1 - Y0);
  Remap.M[3][0] = -X0 * 2 / (X1 - X0) - 1;
  Remap.M[3][1] = -Y0 * 2 / (Y1 - Y0) - 1;
  GD->SetMatrixByType(mProjection, GD->GetMatrixByType(mProjection) * Remap);
  TMaskStepGuard Step(1);
  DrawChannel(Mask);
  FlushSprites();
  return true;
}

void TGAnimation::FinishMask() {
  if (GD)
    GD->DisableCameraSpaceTexCoords(CMaskStage);
  GD->PopState();
}

void TGAnimation::DrawMasked(TGChannel* Content, TGChannel* Mask) {
  if (MaskRenderingStep != 0)
    AssertionFailure();
  if (!GD)
    return;
  FlushSprites();
  float X0, Y0, X1, Y1;
  if (SetupMask(Content, Mask, X0, Y0, X1, Y1)) {
    // Camera space -> clip space -> the box as texture coordinates, its top-left corner at
    // (0, 0), plus half a texel to meet the centres of the mask's texels. Each pixel looks the
    // mask up at its sample point, the whole-number position where drawing decides coverage,
    // so a picture (drawn half a pixel back, edges between sample points) and a mask picture
    // of the same place line up exactly.
    const float HalfTexel = 0.5f / static_cast<float>(CMaskTargetSize);
    TGMatrix Box{};
    Box.M[0][0] = 1 / (X1 - X0);
    Box.M[1][1] = -1 / (Y1 - Y0);
    Box.M[3][0] = -X0 / (X1 - X0) + HalfTexel;
    Box.M[3][1] = Y1 / (Y1 - Y0) + HalfTexel;
    Box.M[3][3] = 1;
    const TGMatrix TexMatrix = GD->GetMatrixByType(mProjection) * Box;

    GD->PushState(TGDeviceStateMask{bTextures});
    try {
      GD->SetTexture(CMaskStage, GD->GetCommonRenderTarget());
      GD->SetTextureFilter(CMaskStage, tfLinear);
      GD->SetTextureState(CMaskStage, tsModulate);
      GD->EnableCameraSpaceTexCoords(CMaskStage, TexMatrix);
      {
        TMaskStepGuard Step(1);
        DrawChannel(Content);
        FlushSprites();
      }
    } catch (...) {
      FinishMask();
      throw;
    }
    FinishMask();
  }
  DrawAxisesOnly(Content);
}

// --- Files ---------------------------------------------------------------------------------------

void TGAnimation::LoadChannel(TGResourceLibrary* Context, const TGXMLNode* Node) {
  TGClass Class = TGChannel::GetClass(Node->GetStrAttr("ClassId"));
  TGChannel* C = TGChannel::Create(Class, nullptr);
  try {
    C->LoadFromXML(Context, Node);
  } catch (...) {
    C->Free();
    throw;
  }
  Add(C);
}

void TGAnimation::LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) {
  Clear();
  FInternalLoop = TGAnimationInternalLoop::Make(Node->GetBoolAttrDef("InternalLoopActive", false),
                                                Node->GetIntAttrDef("InternalLoopFrom", 0),
                                                Node->GetIntAttrDef("InternalLoopTo", 0));
  FLooped = Node->GetBoolAttrDef("Looped", false);
  FSpeed = Node->GetFloatAttrDef("Speed", 1);
  if (FSpeedEnv)
    FSpeedEnv->SetAsString(Node->GetStrAttrDef("SpeedEnv", ""));
  FOrigin = TGVector{Node->GetFloatAttr("OriginX"), Node->GetFloatAttr("OriginY"), 0};
  SetExtent(TGVector{Node->GetFloatAttr("Width"), Node->GetFloatAttr("Height"), 0});
  // Older files name their channels "Movie": those come first.
  for (const char* Tag : {"Movie", "Channel"}) {
    TGXMLCollection* Items = Node->GetChilds(Tag);
    for (int I = 0; I < Items->GetCount(); ++I)
      LoadChannel(Context, Items->GetItem(I));
  }
}

TGXMLNode* TGAnimation::SaveToXML() const {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("Animation"));
  Node->SetBoolAttrDef("InternalLoopActive", false, FInternalLoop.Active);
  Node->SetIntAttrDef("InternalLoopFrom", 0, FInternalLoop.TimeFrom);
  Node->SetIntAttrDef("InternalLoopTo", 0, FInternalLoop.TimeTo);
  Node->SetBoolAttrDef("Looped", false, FLooped);
  if (FSpeed != 1)
    Node->SetFloatAttr("Speed", FSpeed);
  Node->SetStrAttrDef("SpeedEnv", "", FSpeedEnv ? FSpeedEnv->AsString() : std::string());
  Node->SetFloatAttr("OriginX", FOrigin.X);
  Node->SetFloatAttr("OriginY", FOrigin.Y);
  Node->SetFloatAttr("Width", FExtent.X);
  Node->SetFloatAttr("Height", FExtent.Y);
  for (const TGChannel* C : FChannels)
    Node->AddNode(C->SaveToXML());
  return Node.release();
}

// --- TGAnimationComplicationTester ---------------------------------------------------------------

TGAnimationComplicationTester& GetAnimationComplicationTester() {
  static TGObjectPtr<TGAnimationComplicationTester> Own;
  if (!AnimationComplicationTester)
    Own.reset(new TGAnimationComplicationTester());
  return *AnimationComplicationTester;
}

TGAnimationComplicationTester::TGAnimationComplicationTester(TGObject* AOwner)
    : TGObject(AOwner) {
  if (!AnimationComplicationTester)
    AnimationComplicationTester = this;
}

void TGAnimationComplicationTester::Destroy() {
  if (AnimationComplicationTester == this)
    AnimationComplicationTester = nullptr;
  inherited::Destroy();
}

void TGAnimationComplicationTester::Test(TGAnimation* Animation) {
  if (FIsInTest || !Animation)
    return;
  const std::string& Url = Animation->URL();
  for (const auto& S : FStrings) {
    if (S.first == Url)
      return;
  }
  FIsInTest = true;
  int32_t Ms = 0;
  try {
    Ms = CalculateSelfComplication(Animation);
  } catch (...) {
    FIsInTest = false;
    throw;
  }
  FIsInTest = false;
  // Highest first; an equal time goes after those measured before.
  auto It =
      std::find_if(FStrings.begin(), FStrings.end(), [Ms](const auto& S) { return S.second < Ms; });
  FStrings.insert(It, {Url, Ms});
  WriteReport();
}

int32_t TGAnimationComplicationTester::CalculateSelfComplication(TGAnimation* Animation) {
  ODS("Testing " + Animation->URL());
  if (!GD || !GD->Initialized())
    return 0;
  TGObjectPtr<TGAnimation> Clone(static_cast<TGAnimation*>(CloneObject(*Animation, nullptr)));
  Clone->SetInternalLoop(TGAnimationInternalLoop{});
  const int32_t Total = Clone->TotalTime();
  const int32_t Step = std::max(100, Total / 10);
  // An 800 × 600 target of its own stands for the screen, so the frame being drawn is untouched.
  TGObjectPtr<TGSimpleTexture> Target(new TGSimpleTexture(nullptr));
  Target->SetRenderTarget(true);
  Target->SetWidth(800);
  Target->SetHeight(600);
  int64_t Longest = 0;
  for (int32_t T = 0; T < Total; T += Step) {
    Clone->SetElapsedTime(T);
    FlushSprites(); // what the frame queued goes to the frame
    TGDeviceStateGuard State(TGDeviceStateMask{bRenderTarget, bViewport});
    GD->SetRenderTarget(Target.get());
    GD->Erase(0);
    const auto Start = std::chrono::steady_clock::now();
    Clone->Draw();
    FlushSprites();
    const auto Ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - Start)
                        .count();
    Longest = std::max<int64_t>(Longest, Ms);
  }
  return ClampToInt(Longest);
}

void TGAnimationComplicationTester::WriteReport() const {
  std::ofstream Out(FFileName, std::ios::binary | std::ios::trunc);
  for (const auto& S : FStrings)
    Out << Format("%d: %s", {S.second, S.first}) << "\r\n";
}
