// The drawing device: one per process, reached through GD. It owns the OpenGL context on the host
// window, a cached copy of every render state (only real changes reach OpenGL), a 50-deep stack of
// saved states, the shared vertex and index buffers of immediate drawing, the texture memory
// budget and the frame statistics.
//
// The device keeps Direct3D 8's conventions for everything the engine sees: row-vector matrices,
// depth 0..1, pixel centres on whole numbers, rows from the top. Only the upload to OpenGL
// corrects them. The picture is drawn into an off-screen framebuffer (RGB and depth, so
// destination alpha reads 1) whose rows run from the top, and is blitted upside down into the
// window on Present.
#pragma once

#include "base/UGTypes.h"
#include "math/UGColor.h"
#include "math/UGMathTypes.h"
#include "object/UGObject.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class THostWindow;
class TGLContext;
class TGTexture;
class TGSimpleTexture;
class TGRenderTargetSurface;
class TGVertexBuffer;
class TGIndexBuffer;
class TGDefaultPoolTextureLocker;
class TGGraphicsDevice;

// Enumerations (the ordinals are stored) -------------------------------------------------------

enum TGBlending { bParent = 0, bNone = 1, bDefault = 2, bAdd = 3, bMul = 4, bIntense = 5 };
enum TGTextureFilter { tfParent = 0, tfLinear = 1, tfPoint = 2 };
enum TGTextureState {
  tsDisable = 0,
  tsTexture = 1,
  tsDiffuse = 2,
  tsModulate = 3,
  tsModulateConstant = 4,
  tsConstant = 5,
  tsColorize = 6
};
enum TGMaterialColorSource { csMaterial = 0, csVertexColor1 = 1, csVertexColor2 = 2 };
enum TGLightType : uint8_t { ltPoint = 1, ltSpot = 2, ltDirectional = 3 };
enum TGCmpFunc {
  cfNever = 1,
  cmLess = 2,
  cmEqual = 3,
  cmLessEqual = 4,
  cmGreater = 5,
  cmNotEqual = 6,
  cmGreaterEqual = 7,
  cmAlways = 8
};
enum TGCullMode { cmNone = 1, cmCW = 2, cmCCW = 3, cmParent = 4 };
enum TGShadeMode { smFlat = 1, smGouraud = 2, smPhong = 3 };
enum TGFillMode { fmPoint = 1, fmWireFrame = 2, fmSolid = 3 };
enum TGMatrixType { mProjection = 0, mView = 1, mWorld = 2 };
enum TGLockMode { lmReadOnly = 0, lmReadWrite = 1, lmWriteOnly = 2 };
enum TGDeviceStateBit {
  bRenderTarget = 0,
  bMatrix = 1,
  bMatrices = 2,
  bMaterial = 3,
  bLight0 = 4,
  bLights = 5,
  bTexture0 = 6,
  bTextures = 7,
  bViewport = 8,
  bBlending = 9,
  bVertexBuffer = 10,
  bIndexBuffer = 11,
  bOther = 12
};

// A set of TGDeviceStateBit, bit n for ordinal n.
struct TGDeviceStateMask {
  uint16_t Bits = 0;
  constexpr TGDeviceStateMask() = default;
  constexpr TGDeviceStateMask(std::initializer_list<TGDeviceStateBit> List) {
    for (TGDeviceStateBit B : List)
      Bits = static_cast<uint16_t>(Bits | 1u << B);
  }
  static constexpr TGDeviceStateMask FromBits(uint16_t ABits) {
    TGDeviceStateMask M;
    M.Bits = ABits;
    return M;
  }
  constexpr bool Contains(TGDeviceStateBit B) const { return (Bits >> B) & 1u; }
  friend bool operator==(const TGDeviceStateMask&, const TGDeviceStateMask&) = default;
};
inline constexpr TGDeviceStateMask CFullDeviceStateMask = TGDeviceStateMask::FromBits(8191);

inline constexpr int CTextureStages = 6;
inline constexpr int CLights = 8;
inline constexpr int CStateStackDepth = 50;

// Records ----------------------------------------------------------------------------------------

inline constexpr float CViewportMinZ = 0;
inline constexpr float CViewportMaxZ = 1;

struct TGViewport {
  float MinZ = 0;
  float MaxZ = 1;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  static TGViewport FromRect(const TGRect& R) {
    return TGViewport{CViewportMinZ, CViewportMaxZ, R.Left, R.Top, R.Right, R.Bottom};
  }
};

struct TGMaterial {
  TGColor Diffuse;
  TGColor Ambient;
  TGColor Specular;
  TGColor Emissive;
  float Power = 0;
};

#pragma pack(push, 1)
struct TGLight {
  TGLightType LightType = ltDirectional;
  TGColor Diffuse;
  TGColor Specular;
  TGColor Ambient;
  TGVector Position;
  TGVector Direction;
  float Range = 0;
  float Falloff = 0;
  float Attenuation0 = 0;
  float Attenuation1 = 0;
  float Attenuation2 = 0;
  float Theta = 0;
  float Phi = 0;
};
#pragma pack(pop)

struct TGBufferLockDesc {
  TGLockMode LockMode = lmReadOnly;
  int32_t Size = 0;
  void* Data = nullptr;
};

struct TGLockedRect {
  int32_t Pitch = 0;       // bytes per row
  TGColor* Bits = nullptr; // the first pixel
  TGColor& Pixels(int32_t X, int32_t Y) const {
    return reinterpret_cast<TGColor*>(reinterpret_cast<uint8_t*>(Bits) + Y * Pitch)[X];
  }
};

// Vertex formats: the Direct3D 8 flexible-vertex-format codes the engine uses, and their sizes in
// bytes (0 for any other code).
inline constexpr uint32_t CFVFXYZ = 0x002;
inline constexpr uint32_t CFVFNormal = 0x010;
inline constexpr uint32_t CFVFDiffuse = 0x040;
inline constexpr uint32_t CFVFTexCountShift = 8;
int32_t VertexSize(uint32_t Format);

// Platform results -------------------------------------------------------------------------------

// Direct3D 8's result codes. OpenGL reports failures differently; they map to the nearest code:
// GL_OUT_OF_MEMORY is D3DERR_OUTOFVIDEOMEMORY, GL_INVALID_ENUM, GL_INVALID_VALUE and
// GL_INVALID_OPERATION are D3DERR_INVALIDCALL, an incomplete framebuffer or a missing OpenGL
// feature is D3DERR_NOTAVAILABLE, a stack overflow or underflow of OpenGL's own matrix stacks
// D3DERR_DRIVERINTERNALERROR.
inline constexpr int32_t D3D_OK = 0;
inline constexpr int32_t MakeD3DResult(int32_t Code) {
  return static_cast<int32_t>(0x88760000u | static_cast<uint32_t>(Code));
}
inline constexpr int32_t D3DERR_WRONGTEXTUREFORMAT = MakeD3DResult(2072);
inline constexpr int32_t D3DERR_UNSUPPORTEDCOLOROPERATION = MakeD3DResult(2073);
inline constexpr int32_t D3DERR_UNSUPPORTEDCOLORARG = MakeD3DResult(2074);
inline constexpr int32_t D3DERR_UNSUPPORTEDALPHAOPERATION = MakeD3DResult(2075);
inline constexpr int32_t D3DERR_UNSUPPORTEDALPHAARG = MakeD3DResult(2076);
inline constexpr int32_t D3DERR_TOOMANYOPERATIONS = MakeD3DResult(2077);
inline constexpr int32_t D3DERR_CONFLICTINGTEXTUREFILTER = MakeD3DResult(2078);
inline constexpr int32_t D3DERR_UNSUPPORTEDFACTORVALUE = MakeD3DResult(2079);
inline constexpr int32_t D3DERR_CONFLICTINGRENDERSTATE = MakeD3DResult(2081);
inline constexpr int32_t D3DERR_UNSUPPORTEDTEXTUREFILTER = MakeD3DResult(2082);
inline constexpr int32_t D3DERR_CONFLICTINGTEXTUREPALETTE = MakeD3DResult(2086);
inline constexpr int32_t D3DERR_DRIVERINTERNALERROR = MakeD3DResult(2087);
inline constexpr int32_t D3DERR_NOTFOUND = MakeD3DResult(2150);
inline constexpr int32_t D3DERR_MOREDATA = MakeD3DResult(2151);
inline constexpr int32_t D3DERR_DEVICELOST = MakeD3DResult(2152);
inline constexpr int32_t D3DERR_DEVICENOTRESET = MakeD3DResult(2153);
inline constexpr int32_t D3DERR_NOTAVAILABLE = MakeD3DResult(2154);
inline constexpr int32_t D3DERR_OUTOFVIDEOMEMORY = MakeD3DResult(380);
inline constexpr int32_t D3DERR_INVALIDDEVICE = MakeD3DResult(2155);
inline constexpr int32_t D3DERR_INVALIDCALL = MakeD3DResult(2156);
inline constexpr int32_t D3DERR_DRIVERINVALIDCALL = MakeD3DResult(2157);
inline constexpr int32_t E_OUTOFMEMORY = static_cast<int32_t>(0x8007000Eu);

// The last failing platform result (0 until something fails).
extern int32_t LastD3DError;
// True for D3D_OK; any other code is also remembered in LastD3DError.
bool D3DOK(int32_t Code);
// The symbolic name of a code, or the code in upper-case hexadecimal.
std::string D3DErrorString(int32_t Code);
// Raises the engine error with D3DErrorString (Code) unless D3DOK (Code).
void D3DAssert(int32_t Code, TGSourceLocation Loc = TGSourceLocation::current());

// Raised by Initialize when no device can be made.
class EGraphicsDevice : public EGException {
public:
  EGraphicsDevice(std::string AMessage, int32_t ATag)
      : EGException(std::move(AMessage))
      , FTag(ATag) {}
  const char* ClassName() const override { return "EGraphicsDevice"; }
  int32_t Tag() const { return FTag; }

private:
  int32_t FTag;
};

// What the device asks of the packed texture pages (the storage made from bitmaps): evict least
// recently used pages, age their access times, drop everything before a reset.
class TGManagedTexturesStorageBase {
public:
  virtual ~TGManagedTexturesStorageBase() = default;
  virtual void Clean(int64_t Bytes) = 0;
  virtual void DecreaseAccessTimes(int32_t Delta) = 0;
  virtual void InvalidateDeviceObjects() = 0;
};

// The render states -----------------------------------------------------------------------------

class TGBaseDeviceState : public TGObject {
  G_CLASS(TGBaseDeviceState, TGObject)
  explicit TGBaseDeviceState(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}

  bool Force() const { return FForce; }
  void SetForce(bool Value) { FForce = Value; }
  bool Affect() const { return FAffect; }
  void SetAffect(bool Value) { FAffect = Value; }

  // Whether a change from Old to New must reach the platform.
  bool Check(const void* Old, const void* New) const { return FForce || (FAffect && Old != New); }
  bool Check(float Old, float New) const;
  bool Check(int32_t Old, int32_t New) const { return FForce || (FAffect && Old != New); }
  bool Check(uint8_t Old, uint8_t New) const { return FForce || (FAffect && Old != New); }
  bool Check(bool Old, bool New) const { return FForce || (FAffect && Old != New); }
  bool Check(TGColor Old, TGColor New) const {
    return FForce || (FAffect && uint32_t(Old) != uint32_t(New));
  }
  bool CheckMem(const void* Old, const void* New, size_t Size) const;

protected:
  bool FForce = false;
  bool FAffect = false;
};

// A complete set of render states. Every setter stores the value; on the device (Affect set) a
// real change, or any call while Force is set, also goes to OpenGL.
class TGDeviceState : public TGBaseDeviceState {
  G_CLASS(TGDeviceState, TGBaseDeviceState)
  explicit TGDeviceState(TGObject* AOwner = nullptr);

  void AssignTo(TGObject* Dest) const override;
  // AssignTo for a destination known to be a state: the groups in Dest's mask.
  void CopyTo(TGDeviceState* Dest) const;

  TGTexture* GetTexture(int Stage) const { return FTextures[CheckStage(Stage)]; }
  void SetTexture(int Stage, TGTexture* Value);
  TGTextureFilter TextureFilter(int Stage) const { return FTextureFilters[CheckStage(Stage)]; }
  void SetTextureFilter(int Stage, TGTextureFilter Value);
  TGTextureState TextureState(int Stage) const { return FTextureStates[CheckStage(Stage)]; }
  void SetTextureState(int Stage, TGTextureState Value);
  TGTexture* RenderTarget() const { return FRenderTarget; }
  void SetRenderTarget(TGTexture* Value);
  TGRenderTargetSurface* RenderTargetSurface() const { return FRenderTargetSurface; }
  void SetRenderTargetSurface(TGRenderTargetSurface* Value);
  const TGViewport& Viewport() const { return FViewport; }
  virtual void SetViewport(const TGViewport& Value);
  TGBlending Blending() const { return FBlending; }
  void SetBlending(TGBlending Value);
  float PointSize() const { return FPointSize; }
  void SetPointSize(float Value);
  TGVertexBuffer* VertexBuffer() const { return FVertexBuffer; }
  void SetVertexBuffer(TGVertexBuffer* Value);
  TGIndexBuffer* IndexBuffer() const { return FIndexBuffer; }
  void SetIndexBuffer(TGIndexBuffer* Value);
  TGMaterialColorSource DiffuseMaterialSource() const { return FDiffuseMaterialSource; }
  void SetDiffuseMaterialSource(TGMaterialColorSource Value);
  TGMaterialColorSource SpecularMaterialSource() const { return FSpecularMaterialSource; }
  void SetSpecularMaterialSource(TGMaterialColorSource Value);
  const TGMaterial& Material() const { return FMaterial; }
  void SetMaterial(const TGMaterial& Value);
  TGColor MaterialDiffuse() const { return FMaterial.Diffuse; }
  void SetMaterialDiffuse(TGColor Value);
  const TGLight& Light(int Index) const { return FLights[CheckLight(Index)]; }
  void SetLight(int Index, const TGLight& Value);
  bool LightEnable(int Index) const { return FLightEnable[CheckLight(Index)]; }
  void SetLightEnable(int Index, bool Value);
  bool AlphaTestEnable() const { return FAlphaTestEnable; }
  void SetAlphaTestEnable(bool Value);
  bool ZEnable() const { return FZEnable; }
  void SetZEnable(bool Value);
  bool ZWriteEnable() const { return FZWriteEnable; }
  void SetZWriteEnable(bool Value);
  bool NormalizeNormals() const { return FNormalizeNormals; }
  void SetNormalizeNormals(bool Value);
  bool Lighting() const { return FLighting; }
  void SetLighting(bool Value);
  bool SpecularEnable() const { return FSpecularEnable; }
  void SetSpecularEnable(bool Value);
  int32_t AlphaRef() const { return FAlphaRef; }
  void SetAlphaRef(int32_t Value);
  TGCmpFunc AlphaFunc() const { return FAlphaFunc; }
  void SetAlphaFunc(TGCmpFunc Value);
  TGCullMode CullMode() const { return FCullMode; }
  void SetCullMode(TGCullMode Value);
  TGShadeMode ShadeMode() const { return FShadeMode; }
  void SetShadeMode(TGShadeMode Value);
  TGFillMode FillMode() const { return FFillMode; }
  void SetFillMode(TGFillMode Value);
  bool MultiSampleAntialias() const { return FMultiSampleAntialias; }
  void SetMultiSampleAntialias(bool Value);
  TGColor ConstantColor() const { return FConstantColor; }
  void SetConstantColor(TGColor Value);
  TGDeviceStateMask Mask() const { return FMask; }
  void SetMask(TGDeviceStateMask Value) { FMask = Value; }

  TGMatrixType MatrixType() const { return FMatrixType; }
  void SetMatrixType(TGMatrixType Value) { FMatrixType = Value; }
  const TGMatrix& GetMatrix() const { return FMatrixes[FMatrixType]; }
  void SetMatrix(const TGMatrix& Value) { SetMatrixByType(FMatrixType, Value); }
  const TGMatrix& GetMatrixByType(TGMatrixType Type) const { return FMatrixes[Type]; }
  void SetMatrixByType(TGMatrixType Type, const TGMatrix& Value);

  // Operations on the current matrix (MatrixType).
  void LoadIdentity();
  // current := M × current: M applies before the existing transform.
  void MultiplyLeft(const TGMatrix& M);
  // current := current × M.
  void MultiplyRight(const TGMatrix& M);
  // current := current × a right-handed off-centre orthographic projection.
  void Ortho(float Left, float Top, float Right, float Bottom, float ZNear, float ZFar);

  // Drops every reference to Obj (a texture, buffer or surface that is going away).
  void ForgetReferences(const TGObject* Obj);

  // (r, g, b, a) = channel / 255.
  static void ConvertColor(TGColor Color, float (&Rgba)[4]) { Color.ToFloats(Rgba); }

protected:
  // The state items, for ApplyState.
  enum TStateItem {
    siTexture,
    siTextureFilter,
    siTextureState,
    siRenderTarget,
    siViewport,
    siBlending,
    siPointSize,
    siVertexBuffer,
    siIndexBuffer,
    siMaterialSource,
    siMaterial,
    siLight,
    siLightEnable,
    siAlphaTestEnable,
    siZEnable,
    siZWriteEnable,
    siNormalizeNormals,
    siLighting,
    siSpecularEnable,
    siAlphaFunc,
    siCullMode,
    siShadeMode,
    siFillMode,
    siMultiSampleAntialias,
    siMatrix,
    siConstantColor
  };
  // Sends the stored value of one item (Index: stage, light or matrix type) to the platform. The
  // plain state stores only.
  virtual void ApplyState(TStateItem Item, int Index) {
    (void)Item;
    (void)Index;
  }
  // Called before the stored value of an item that ApplyState will send changes (the old value
  // still stored); nothing here.
  virtual void StateChanging(TStateItem Item, int Index) {
    (void)Item;
    (void)Index;
  }

  static int CheckStage(int Stage);
  static int CheckLight(int Index);

  std::array<TGTexture*, CTextureStages> FTextures{};
  std::array<TGTextureFilter, CTextureStages> FTextureFilters{};
  std::array<TGTextureState, CTextureStages> FTextureStates{};
  TGTexture* FRenderTarget = nullptr;
  TGRenderTargetSurface* FRenderTargetSurface = nullptr;
  TGViewport FViewport;
  TGBlending FBlending = bDefault;
  float FPointSize = 1;
  TGVertexBuffer* FVertexBuffer = nullptr;
  TGMaterialColorSource FDiffuseMaterialSource = csMaterial;
  TGMaterial FMaterial;
  std::array<TGLight, CLights> FLights{};
  std::array<bool, CLights> FLightEnable{};
  TGMaterialColorSource FSpecularMaterialSource = csMaterial;
  bool FAlphaTestEnable = true;
  bool FZEnable = false;
  bool FZWriteEnable = true;
  bool FNormalizeNormals = false;
  bool FLighting = false;
  bool FSpecularEnable = false;
  int32_t FAlphaRef = 1;
  TGCmpFunc FAlphaFunc = cmGreater;
  TGCullMode FCullMode = cmNone;
  TGShadeMode FShadeMode = smFlat;
  TGFillMode FFillMode = fmSolid;
  bool FMultiSampleAntialias = true;
  std::array<TGMatrix, 3> FMatrixes{};
  TGMatrixType FMatrixType = mWorld;
  TGDeviceStateMask FMask;
  TGIndexBuffer* FIndexBuffer = nullptr;
  TGColor FConstantColor = 0xFFFFFFFFu;
};

// Drawing held back to go out in one draw: the sprite batch, while it holds sprites. The device
// has it drawn before anything could come between it and the target: any other draw, a clear,
// a present, a read-back or upload of pixels, and a change of a state it does not carry itself.
// It carries its own world matrix, stage 0 texture, blending, material colour, lighting and
// buffers, and sets them only while it draws.
class IGPendingDrawing {
public:
  // Draws what is held back; the device has already forgotten it as pending.
  virtual void DrawPending() = 0;

protected:
  ~IGPendingDrawing() = default;
};

// The device -------------------------------------------------------------------------------------

class TGGraphicsDevice : public TGDeviceState {
  G_CLASS(TGGraphicsDevice, TGDeviceState)
  // Fails with the generic engine error when a device exists already.
  explicit TGGraphicsDevice(TGObject* AOwner = nullptr);

  // Creates the OpenGL context on Window and the back buffer, and applies every state. Raises
  // EGraphicsDevice "No compatible display devices found." (Tag 1) when no context can be made.
  // MultiThreaded and Software have no meaning for OpenGL and are kept for the callers.
  void Initialize(int32_t AWidth, int32_t AHeight, THostWindow* AWindow, bool AMultiSampling,
                  bool AVSync, bool MultiThreaded, bool Software);
  bool Initialized() const { return FContext != nullptr; }

  bool FullScreen() const { return FFullScreen; }
  void SetFullScreen(bool Value);
  void SwitchDisplayModes();
  // Drops and renews every platform object held for the device (the invalidate and restore
  // notifications run), re-creates the back buffer at Width × Height and re-applies all states.
  void Reset();
  void RenewState();
  void RefreshBackBufferFormat() {} // the back buffer's format does not depend on the desktop

  bool BeginScene();
  void EndScene();
  void Present();
  // Stage's texture coordinates from each vertex's camera-space position carried through
  // TexMatrix (a row-vector matrix into the texture's space, the perspective division done by
  // the lookup), clamped at the texture's edges; until switched off again. The next binding of
  // the stage resets the texture matrix and address modes.
  void EnableCameraSpaceTexCoords(int Stage, const TGMatrix& TexMatrix);
  void DisableCameraSpaceTexCoords(int Stage);
  // Clears colour and depth of the viewport: to DefaultClearColor, or to Color (depth 1).
  void Erase() { Erase(FDefaultClearColor); }
  void Erase(TGColor Color);

  TGPoint MaxTextureSize() const;

  void PushState(TGDeviceStateMask AMask);
  void PushState(TGDeviceStateBit Bit) { PushState(TGDeviceStateMask{Bit}); }
  void PopState();
  int32_t StateStackSize() const { return FStateStackSize; }

  // Shared buffers of immediate drawing.
  TGVertexBuffer* CommonVertexBuffer(uint32_t Format, int32_t Length, int32_t Stride);
  TGIndexBuffer* CommonIndexBuffer(int32_t Length);

  // The primitives; virtual so that a test double can record them instead.
  virtual void DrawTriangleList(int32_t Count);
  virtual void DrawTriangleStrip(int32_t Count);
  virtual void DrawLineList(int32_t Count);
  virtual void DrawIndexedTriangleList(int32_t FaceStart, int32_t FaceCount, int32_t VertStart,
                                       int32_t VertCount);
  // Untextured lines and rectangles in the current transform, tinted by the material diffuse.
  void DrawLine(TGColor Color, float X0, float Y0, float X1, float Y1);
  void DrawFrame(TGColor Color, float X0, float Y0, float X1, float Y1);
  void DrawRect(TGColor Color, float X0, float Y0, float X1, float Y1);

  // The back buffer's pixels, rows from the top, Width × Height; false (and nothing read) when
  // multisampling is on.
  bool CreateScreenshotPixels(std::vector<TGColor>& Pixels);
  // Saves the back buffer as "screenshotNNNN.jpg" in the current folder (the first free number);
  // returns the file name, empty when nothing was saved.
  std::string MakeScreenshot();

  // Notifications to subscribe to: before the platform objects go (release what you hold), and
  // after they are back.
  void NotifyInvalidateDeviceObjects();
  void NotifyRestoreDeviceObjects();

  int32_t PolyCount() const { return FPolyCount; }
  int32_t DIPCalls() const { return FDIPCalls; }
  // State applications that reached OpenGL since the device was made (one per applied setter).
  int64_t StateCalls() const { return FStateCalls; }
  int32_t Width() const { return FWidth; }
  int32_t Height() const { return FHeight; }
  THostWindow* Window() const { return FWindow; }
  TGLContext* Context() const { return FContext.get(); }
  TGColor DefaultClearColor() const { return FDefaultClearColor; }
  void SetDefaultClearColor(TGColor Value) { FDefaultClearColor = Value; }
  int32_t MemoryUsage() const { return FMemoryUsage; }
  int32_t MemoryLimit() const { return FMemoryLimit; }
  void SetMemoryLimit(int32_t Value) { FMemoryLimit = Value; }
  bool Force16Bit() const { return FForce16Bit; }
  float FPS() const { return FFPS; }
  bool MultiSampling() const { return FMultiSampling; }
  bool VSync() const { return FVSync; }
  TGSimpleTexture* GetCommonRenderTarget();
  TGDefaultPoolTextureLocker* DefaultPoolTextureLocker() const { return FDefaultPoolTextureLocker; }
  TGManagedTexturesStorageBase* ManagedTexturesStorage() const {
    return FManagedTexturesStorage.get();
  }
  // The packed texture pages; the device owns them from now on.
  void SetManagedTexturesStorage(std::unique_ptr<TGManagedTexturesStorageBase> Storage);

  // The frame-rate sample of EndScene at the millisecond time Now.
  void CountFrame(uint32_t Now);

  // For the texture and buffer units ------------------------------------------------------------

  // Binds an OpenGL texture to a stage with the stage's filter, the address mode (wrap or clamp)
  // and a texture matrix that scales, then translates, the coordinates 0..1.
  void BindTexture(int Stage, uint32_t Texture, float ScaleX, float ScaleY, float TranslateX,
                   float TranslateY, bool Wrap);
  // Charges (or with a negative value, frees) video memory.
  void ChargeMemory(int32_t Bytes) { FMemoryUsage += Bytes; }
  // Raises D3DAssert's error for the first pending OpenGL error, if any.
  void CheckGLError(TGSourceLocation Loc = TGSourceLocation::current());
  // The number of the current OpenGL context; platform names of another (dead) context must not
  // be deleted.
  uint64_t ContextGeneration() const { return FContextGeneration; }
  // Writes Width × Height pixels (rows Pitch bytes apart) into a texture at (X, Y).
  void UploadTexturePixels(uint32_t Texture, int32_t X, int32_t Y, int32_t AWidth, int32_t AHeight,
                           const TGColor* Pixels, int32_t Pitch);
  // Reads the first Width × Height pixels of a texture, rows from the top.
  void ReadTexturePixels(uint32_t Texture, int32_t TexWidth, int32_t TexHeight, int32_t AWidth,
                         int32_t AHeight, std::vector<TGColor>& Pixels);
  // A framebuffer drawing into a texture or a renderbuffer of Width × Height, with the device's
  // depth buffer, or with a depth buffer of its own (returned in Depth) when the target is larger.
  uint32_t CreateFramebuffer(uint32_t Texture, uint32_t Renderbuffer, int32_t AWidth,
                             int32_t AHeight, uint32_t& Depth);
  // Binds a texture to unit 0 for an update; RestoreTextureBinding gives unit 0 back.
  void BindTextureForUpdate(uint32_t Texture);
  void RestoreTextureBinding();
  // Forgets Obj in the device's states and in the saved ones.
  void ForgetObject(const TGObject* Obj);

  // What is held back to be drawn (none by default); DrawPending draws it now.
  IGPendingDrawing* PendingDrawing() const { return FPending; }
  void SetPendingDrawing(IGPendingDrawing* Value) { FPending = Value; }
  void DrawPending();

protected:
  // Defined where the OpenGL objects are complete (also for the classes built on the device).
  ~TGGraphicsDevice() override;
  void Destroy() override;
  void ApplyState(TStateItem Item, int Index) override;
  // The pending drawing is drawn before a state it does not carry changes.
  void StateChanging(TStateItem Item, int Index) override;

private:
  struct TGL;
  void CreateBackBuffer();
  void DestroyBackBuffer();
  // Keeps at most one drawn frame in flight without a window, as a swap chain does: the
  // software renderer would otherwise queue frames, each holding its own memory.
  void ThrottleHeadlessFrames();
  void ReleaseFrameFence();
  void InitPlatformDefaults();
  void ApplyTextureUnit(int Stage);
  void ApplyTextureEnables();
  void ApplyRenderTarget();
  void ApplyLight(int Index);
  void ApplyMaterial();
  void ApplyColorMaterial();
  void UploadProjection();
  void UploadModelView();
  void PrepareDraw(bool Indexed);
  void CountDraw(int32_t Primitives);
  void DrawCommon(TGColor Color, const float* Points, int Count, bool Strip);

  bool FVSync = false;
  int32_t FMemoryLimit = 33554432;
  bool FMultiSampling = false;
  int32_t FWidth = 0;
  int32_t FHeight = 0;
  bool FFullScreen = false;
  uint32_t FLastTime = 0;
  uint32_t FFrameCount = 0;
  float FFPS = 0;
  THostWindow* FWindow = nullptr;
  bool FBeginSceneCalled = false;
  std::array<TGDeviceState*, CStateStackDepth + 1> FStateStack{};
  int32_t FStateStackSize = 0;
  std::vector<TGVertexBuffer*> FCommonBuffers;
  TGIndexBuffer* FCommonIndexBuffer = nullptr;
  bool FForce16Bit = false;
  std::unique_ptr<TGManagedTexturesStorageBase> FManagedTexturesStorage;
  TGDefaultPoolTextureLocker* FDefaultPoolTextureLocker = nullptr;
  TGSimpleTexture* FCommonRT = nullptr;
  int32_t FPolyCount = 0;
  int32_t FDIPCalls = 0;
  TGColor FDefaultClearColor = 0xFF808080u;
  int32_t FMemoryUsage = 0;

  int64_t FStateCalls = 0;
  IGPendingDrawing* FPending = nullptr;
  std::unique_ptr<TGLContext> FContext;
  std::unique_ptr<TGL> FGL; // OpenGL objects and the state OpenGL holds beside the cache
  uint64_t FContextGeneration = 0;
};

// The device, from its creation until its destruction.
extern TGGraphicsDevice* GD;

// Pushes state groups of the device and pops them however the scope is left.
class TGDeviceStateGuard {
public:
  explicit TGDeviceStateGuard(TGDeviceStateMask Mask) { GD->PushState(Mask); }
  ~TGDeviceStateGuard() { GD->PopState(); }
  TGDeviceStateGuard(const TGDeviceStateGuard&) = delete;
  TGDeviceStateGuard& operator=(const TGDeviceStateGuard&) = delete;
};

// The device's back buffer as a picture file: PNG for a ".png" name, JPEG otherwise.
void SaveScreenshot(const std::string& FileName);
void SaveScreenshotJpeg(const std::string& FileName, int32_t Width, int32_t Height,
                        const std::vector<TGColor>& Pixels);
void SaveScreenshotPng(const std::string& FileName, int32_t Width, int32_t Height,
                       const std::vector<TGColor>& Pixels);
