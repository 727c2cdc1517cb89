// The cached render states: setters with redundant-state filtering, and the copy by groups that
// the state stack is made of.
#include "graphics/UGGraphicsDevice.h"

#include "graphics/UGTexture.h"
#include "graphics/UGVertexBuffer.h"
#include "math/UGMathTypes.h"
#include "object/UGClassBuilder.h"

#include <cmath>
#include <cstring>

G_IMPLEMENT_CLASS(TGBaseDeviceState)
G_IMPLEMENT_CLASS(TGDeviceState)

bool TGBaseDeviceState::Check(float Old, float New) const {
  return FForce || (FAffect && std::fabs(Old - New) > 0.001f);
}

bool TGBaseDeviceState::CheckMem(const void* Old, const void* New, size_t Size) const {
  return FForce || (FAffect && std::memcmp(Old, New, Size) != 0);
}

TGDeviceState::TGDeviceState(TGObject* AOwner)
    : TGBaseDeviceState(AOwner) {
  FTextureFilters.fill(tfParent);
  FTextureStates.fill(tsDisable);
  FTextureFilters[0] = tfLinear;
  FTextureStates[0] = tsTexture;
  FMaterial.Diffuse = 0xFFFFFFFFu;
  for (TGLight& L : FLights) {
    L.LightType = ltDirectional;
    L.Diffuse = 0x00FFFFFFu;
    L.Direction = TGVector{0, 0, 1};
  }
  FLightEnable[0] = true;
  FMatrixes.fill(MatIdentity);
}

int TGDeviceState::CheckStage(int Stage) {
  if (Stage < 0 || Stage >= CTextureStages)
    throw ERangeError(Format("Texture stage %d out of range", {TGFormatArg(Stage)}));
  return Stage;
}

int TGDeviceState::CheckLight(int Index) {
  if (Index < 0 || Index >= CLights)
    throw ERangeError(Format("Light index %d out of range", {TGFormatArg(Index)}));
  return Index;
}

void TGDeviceState::SetTexture(int Stage, TGTexture* Value) {
  CheckStage(Stage);
  const bool Apply = Check(FTextures[Stage], Value);
  if (Apply)
    StateChanging(siTexture, Stage);
  FTextures[Stage] = Value;
  if (Apply)
    ApplyState(siTexture, Stage);
}

void TGDeviceState::SetTextureFilter(int Stage, TGTextureFilter Value) {
  CheckStage(Stage);
  const bool Apply = Check(FTextureFilters[Stage], Value);
  if (Apply)
    StateChanging(siTextureFilter, Stage);
  FTextureFilters[Stage] = Value;
  if (Apply)
    ApplyState(siTextureFilter, Stage);
}

void TGDeviceState::SetTextureState(int Stage, TGTextureState Value) {
  CheckStage(Stage);
  const bool Apply = Check(FTextureStates[Stage], Value);
  if (Apply)
    StateChanging(siTextureState, Stage);
  FTextureStates[Stage] = Value;
  if (Apply)
    ApplyState(siTextureState, Stage);
}

void TGDeviceState::SetRenderTarget(TGTexture* Value) {
  const bool Apply = Check(FRenderTarget, Value);
  if (Apply)
    StateChanging(siRenderTarget, 0);
  FRenderTarget = Value;
  if (Apply)
    ApplyState(siRenderTarget, 0);
}

void TGDeviceState::SetRenderTargetSurface(TGRenderTargetSurface* Value) {
  const bool Apply = Check(FRenderTargetSurface, Value);
  if (Apply)
    StateChanging(siRenderTarget, 1);
  FRenderTargetSurface = Value;
  if (Apply)
    ApplyState(siRenderTarget, 1);
}

void TGDeviceState::SetViewport(const TGViewport& Value) {
  const bool Apply = CheckMem(&FViewport, &Value, sizeof(TGViewport));
  if (Apply)
    StateChanging(siViewport, 0);
  FViewport = Value;
  if (Apply)
    ApplyState(siViewport, 0);
}

void TGDeviceState::SetBlending(TGBlending Value) {
  const bool Apply = Check(FBlending, Value);
  if (Apply && Value == bParent)
    throw Error(); // the callers resolve "as the parent" before it reaches the device
  if (Apply)
    StateChanging(siBlending, 0);
  FBlending = Value;
  if (Apply)
    ApplyState(siBlending, 0);
}

void TGDeviceState::SetPointSize(float Value) {
  const bool Apply = Check(FPointSize, Value);
  if (Apply)
    StateChanging(siPointSize, 0);
  FPointSize = Value;
  if (Apply)
    ApplyState(siPointSize, 0);
}

void TGDeviceState::SetVertexBuffer(TGVertexBuffer* Value) {
  const bool Apply = Check(FVertexBuffer, Value);
  if (Apply)
    StateChanging(siVertexBuffer, 0);
  FVertexBuffer = Value;
  if (Apply)
    ApplyState(siVertexBuffer, 0);
}

void TGDeviceState::SetIndexBuffer(TGIndexBuffer* Value) {
  const bool Apply = Check(FIndexBuffer, Value);
  if (Apply)
    StateChanging(siIndexBuffer, 0);
  FIndexBuffer = Value;
  if (Apply)
    ApplyState(siIndexBuffer, 0);
}

void TGDeviceState::SetDiffuseMaterialSource(TGMaterialColorSource Value) {
  const bool Apply = Check(FDiffuseMaterialSource, Value);
  if (Apply)
    StateChanging(siMaterialSource, 0);
  FDiffuseMaterialSource = Value;
  if (Apply)
    ApplyState(siMaterialSource, 0);
}

void TGDeviceState::SetSpecularMaterialSource(TGMaterialColorSource Value) {
  const bool Apply = Check(FSpecularMaterialSource, Value);
  if (Apply)
    StateChanging(siMaterialSource, 1);
  FSpecularMaterialSource = Value;
  if (Apply)
    ApplyState(siMaterialSource, 1);
}

void TGDeviceState::SetMaterial(const TGMaterial& Value) {
  const bool Apply = CheckMem(&FMaterial, &Value, sizeof(TGMaterial));
  if (Apply)
    StateChanging(siMaterial, 0);
  FMaterial = Value;
  if (Apply)
    ApplyState(siMaterial, 0);
}

void TGDeviceState::SetMaterialDiffuse(TGColor Value) {
  TGMaterial M = FMaterial;
  M.Diffuse = Value;
  SetMaterial(M);
}

void TGDeviceState::SetLight(int Index, const TGLight& Value) {
  CheckLight(Index);
  const bool Apply = CheckMem(&FLights[Index], &Value, sizeof(TGLight));
  if (Apply)
    StateChanging(siLight, Index);
  FLights[Index] = Value;
  if (Apply)
    ApplyState(siLight, Index);
}

void TGDeviceState::SetLightEnable(int Index, bool Value) {
  CheckLight(Index);
  const bool Apply = Check(FLightEnable[Index], Value);
  if (Apply)
    StateChanging(siLightEnable, Index);
  FLightEnable[Index] = Value;
  if (Apply)
    ApplyState(siLightEnable, Index);
}

#define G_BOOL_SETTER(TName, TField, TItem)                                                        \
  void TGDeviceState::Set##TName(bool Value) {                                                     \
    const bool Apply = Check(TField, Value);                                                       \
    if (Apply)                                                                                     \
      StateChanging(TItem, 0);                                                                     \
    TField = Value;                                                                                \
    if (Apply)                                                                                     \
      ApplyState(TItem, 0);                                                                        \
  }

G_BOOL_SETTER(AlphaTestEnable, FAlphaTestEnable, siAlphaTestEnable)
G_BOOL_SETTER(ZEnable, FZEnable, siZEnable)
G_BOOL_SETTER(ZWriteEnable, FZWriteEnable, siZWriteEnable)
G_BOOL_SETTER(NormalizeNormals, FNormalizeNormals, siNormalizeNormals)
G_BOOL_SETTER(Lighting, FLighting, siLighting)
G_BOOL_SETTER(SpecularEnable, FSpecularEnable, siSpecularEnable)
G_BOOL_SETTER(MultiSampleAntialias, FMultiSampleAntialias, siMultiSampleAntialias)

#undef G_BOOL_SETTER

void TGDeviceState::SetAlphaRef(int32_t Value) {
  const bool Apply = Check(FAlphaRef, Value);
  if (Apply)
    StateChanging(siAlphaFunc, 0);
  FAlphaRef = Value;
  if (Apply)
    ApplyState(siAlphaFunc, 0);
}

void TGDeviceState::SetAlphaFunc(TGCmpFunc Value) {
  const bool Apply = Check(FAlphaFunc, Value);
  if (Apply)
    StateChanging(siAlphaFunc, 0);
  FAlphaFunc = Value;
  if (Apply)
    ApplyState(siAlphaFunc, 0);
}

void TGDeviceState::SetCullMode(TGCullMode Value) {
  const bool Apply = Check(FCullMode, Value);
  if (Apply)
    StateChanging(siCullMode, 0);
  FCullMode = Value;
  if (Apply)
    ApplyState(siCullMode, 0);
}

void TGDeviceState::SetShadeMode(TGShadeMode Value) {
  const bool Apply = Check(FShadeMode, Value);
  if (Apply)
    StateChanging(siShadeMode, 0);
  FShadeMode = Value;
  if (Apply)
    ApplyState(siShadeMode, 0);
}

void TGDeviceState::SetFillMode(TGFillMode Value) {
  const bool Apply = Check(FFillMode, Value);
  if (Apply)
    StateChanging(siFillMode, 0);
  FFillMode = Value;
  if (Apply)
    ApplyState(siFillMode, 0);
}

void TGDeviceState::SetConstantColor(TGColor Value) {
  const bool Apply = Check(FConstantColor, Value);
  if (Apply)
    StateChanging(siConstantColor, 0);
  FConstantColor = Value;
  if (Apply)
    ApplyState(siConstantColor, 0);
}

void TGDeviceState::SetMatrixByType(TGMatrixType Type, const TGMatrix& Value) {
  if (Type < mProjection || Type > mWorld)
    throw ERangeError(Format("Matrix type %d out of range", {TGFormatArg(static_cast<int>(Type))}));
  const bool Apply = CheckMem(&FMatrixes[Type], &Value, sizeof(TGMatrix));
  if (Apply)
    StateChanging(siMatrix, Type);
  FMatrixes[Type] = Value;
  if (Apply)
    ApplyState(siMatrix, Type);
}

void TGDeviceState::LoadIdentity() {
  SetMatrix(MatIdentity);
}

void TGDeviceState::MultiplyLeft(const TGMatrix& M) {
  SetMatrix(MatrixMultiply(M, GetMatrix()));
}

void TGDeviceState::MultiplyRight(const TGMatrix& M) {
  SetMatrix(MatrixMultiply(GetMatrix(), M));
}

void TGDeviceState::Ortho(float Left, float Top, float Right, float Bottom, float ZNear,
                          float ZFar) {
  MultiplyRight(MatrixOrthoOffCenterRH(Left, Right, Bottom, Top, ZNear, ZFar));
}

void TGDeviceState::AssignTo(TGObject* Dest) const {
  auto* D = dynamic_cast<TGDeviceState*>(Dest);
  if (!D) {
    inherited::AssignTo(Dest);
    return;
  }
  CopyTo(D);
}

void TGDeviceState::CopyTo(TGDeviceState* D) const {
  const TGDeviceStateMask M = D->FMask;
  if (M.Contains(bTexture0) || M.Contains(bTextures)) {
    const int Last = M.Contains(bTextures) ? CTextureStages - 1 : 0;
    for (int I = 0; I <= Last; ++I) {
      D->SetTexture(I, FTextures[I]);
      D->SetTextureState(I, FTextureStates[I]);
      D->SetTextureFilter(I, FTextureFilters[I]);
    }
  }
  if (M.Contains(bLight0) || M.Contains(bLights)) {
    const int Last = M.Contains(bLights) ? CLights - 1 : 0;
    for (int I = 0; I <= Last; ++I) {
      D->SetLightEnable(I, FLightEnable[I]);
      D->SetLight(I, FLights[I]);
    }
  }
  if (M.Contains(bRenderTarget)) {
    D->SetRenderTarget(FRenderTarget);
    D->SetRenderTargetSurface(FRenderTargetSurface);
  }
  if (M.Contains(bViewport))
    D->SetViewport(FViewport);
  if (M.Contains(bBlending))
    D->SetBlending(FBlending);
  if (M.Contains(bVertexBuffer))
    D->SetVertexBuffer(FVertexBuffer);
  if (M.Contains(bIndexBuffer))
    D->SetIndexBuffer(FIndexBuffer);
  if (M.Contains(bMaterial))
    D->SetMaterial(FMaterial);
  if (M.Contains(bMatrices)) {
    D->FMatrixType = FMatrixType;
    D->SetMatrixByType(mWorld, FMatrixes[mWorld]);
    D->SetMatrixByType(mView, FMatrixes[mView]);
    D->SetMatrixByType(mProjection, FMatrixes[mProjection]);
  } else if (M.Contains(bMatrix)) {
    D->SetMatrix(GetMatrix());
  }
  if (M.Contains(bOther)) {
    D->SetPointSize(FPointSize);
    D->SetDiffuseMaterialSource(FDiffuseMaterialSource);
    D->SetSpecularMaterialSource(FSpecularMaterialSource);
    D->SetAlphaFunc(FAlphaFunc);
    D->SetAlphaRef(FAlphaRef);
    D->SetAlphaTestEnable(FAlphaTestEnable);
    D->SetCullMode(FCullMode);
    D->SetLighting(FLighting);
    D->SetSpecularEnable(FSpecularEnable);
    D->SetShadeMode(FShadeMode);
    D->SetFillMode(FFillMode);
    D->SetZEnable(FZEnable);
    D->SetZWriteEnable(FZWriteEnable);
    D->SetNormalizeNormals(FNormalizeNormals);
    D->SetMultiSampleAntialias(FMultiSampleAntialias);
    D->SetConstantColor(FConstantColor);
  }
}

void TGDeviceState::ForgetReferences(const TGObject* Obj) {
  for (int I = 0; I < CTextureStages; ++I)
    if (FTextures[I] == Obj)
      SetTexture(I, nullptr);
  if (FRenderTarget == Obj)
    SetRenderTarget(nullptr);
  if (FRenderTargetSurface == Obj)
    SetRenderTargetSurface(nullptr);
  if (FVertexBuffer == Obj)
    SetVertexBuffer(nullptr);
  if (FIndexBuffer == Obj)
    SetIndexBuffer(nullptr);
}
