#include "graphics/UGGraphicsDevice.h"

#include "base/UGDebug.h"
#include "graphics/UGManagedTexture.h"
#include "graphics/UGTexture.h"
#include "graphics/UGVertexBuffer.h"
#include "object/UGClassBuilder.h"
#include "platform/UGLContext.h"
#include "platform/UHostServices.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

G_IMPLEMENT_CLASS(TGGraphicsDevice)

TGGraphicsDevice* GD = nullptr;
int32_t LastD3DError = 0;

// Writes the pixels (rows from the top) as a JPEG file at quality 100.
void SaveScreenshotJpeg(const std::string& FileName, int32_t Width, int32_t Height,
                        const std::vector<TGColor>& Pixels);

namespace {

uint64_t ContextCounter = 0;

void DrainGLErrors() {
  for (int I = 0; I < 16 && glGetError() != GL_NO_ERROR; ++I) {
  }
}

int32_t GLErrorCode(GLenum E) {
  switch (E) {
  case GL_NO_ERROR:
    return D3D_OK;
  case GL_OUT_OF_MEMORY:
    return D3DERR_OUTOFVIDEOMEMORY;
  case GL_INVALID_FRAMEBUFFER_OPERATION:
    return D3DERR_NOTAVAILABLE;
  case GL_STACK_OVERFLOW:
  case GL_STACK_UNDERFLOW:
    return D3DERR_DRIVERINTERNALERROR;
  default:
    return D3DERR_INVALIDCALL;
  }
}

GLenum CmpFuncGL(TGCmpFunc F) {
  // Direct3D's comparisons 1..8 are in OpenGL's order GL_NEVER..GL_ALWAYS.
  const int V = std::clamp(static_cast<int>(F), 1, 8);
  return static_cast<GLenum>(GL_NEVER + (V - 1));
}

void SetEnabled(GLenum Cap, bool Enabled) {
  Enabled ? glEnable(Cap) : glDisable(Cap);
}

// One texture-environment combiner: the colour and alpha operations with their sources.
void Combine(GLenum RgbOp, GLenum Rgb0, GLenum Rgb1, GLenum AlphaOp, GLenum Alpha0, GLenum Alpha1) {
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, static_cast<GLint>(RgbOp));
  glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_RGB, static_cast<GLint>(Rgb0));
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_RGB, static_cast<GLint>(Rgb1));
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, static_cast<GLint>(AlphaOp));
  glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_ALPHA, static_cast<GLint>(Alpha0));
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_ALPHA, static_cast<GLint>(Alpha1));
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, GL_SRC_ALPHA);
}

const void* Offset(const uint8_t* Base, size_t Bytes) {
  return reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(Base) + Bytes);
}

} // namespace

// Platform results -------------------------------------------------------------------------------

bool D3DOK(int32_t Code) {
  if (Code == D3D_OK)
    return true;
  LastD3DError = Code;
  return false;
}

std::string D3DErrorString(int32_t Code) {
  struct TName {
    int32_t Code;
    const char* Name;
  };
  static const TName Names[] = {
      {D3D_OK, "D3DERR_OK"},
      {D3DERR_OUTOFVIDEOMEMORY, "D3DERR_OUTOFVIDEOMEMORY"},
      {D3DERR_WRONGTEXTUREFORMAT, "D3DERR_WRONGTEXTUREFORMAT"},
      {D3DERR_UNSUPPORTEDCOLOROPERATION, "D3DERR_UNSUPPORTEDCOLOROPERATION"},
      {D3DERR_UNSUPPORTEDCOLORARG, "D3DERR_UNSUPPORTEDCOLORARG"},
      {D3DERR_UNSUPPORTEDALPHAOPERATION, "D3DERR_UNSUPPORTEDALPHAOPERATION"},
      {D3DERR_UNSUPPORTEDALPHAARG, "D3DERR_UNSUPPORTEDALPHAARG"},
      {D3DERR_TOOMANYOPERATIONS, "D3DERR_TOOMANYOPERATIONS"},
      {D3DERR_CONFLICTINGTEXTUREFILTER, "D3DERR_CONFLICTINGTEXTUREFILTER"},
      {D3DERR_UNSUPPORTEDFACTORVALUE, "D3DERR_UNSUPPORTEDFACTORVALUE"},
      {D3DERR_CONFLICTINGRENDERSTATE, "D3DERR_CONFLICTINGRENDERSTATE"},
      {D3DERR_UNSUPPORTEDTEXTUREFILTER, "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
      {D3DERR_CONFLICTINGTEXTUREPALETTE, "D3DERR_CONFLICTINGTEXTUREPALETTE"},
      {D3DERR_DRIVERINTERNALERROR, "D3DERR_DRIVERINTERNALERROR"},
      {D3DERR_NOTFOUND, "D3DERR_NOTFOUND"},
      {D3DERR_MOREDATA, "D3DERR_MOREDATA"},
      {D3DERR_DEVICELOST, "D3DERR_DEVICELOST"},
      {D3DERR_DEVICENOTRESET, "D3DERR_DEVICENOTRESET"},
      {D3DERR_NOTAVAILABLE, "D3DERR_NOTAVAILABLE"},
      {D3DERR_INVALIDDEVICE, "D3DERR_INVALIDDEVICE"},
      {D3DERR_INVALIDCALL, "D3DERR_INVALIDCALL"},
      {D3DERR_DRIVERINVALIDCALL, "D3DERR_DRIVERINVALIDCALL"},
  };
  for (const TName& N : Names)
    if (N.Code == Code)
      return N.Name;
  return Format("%X", {TGFormatArg(static_cast<uint32_t>(Code))});
}

void D3DAssert(int32_t Code, TGSourceLocation Loc) {
  if (!D3DOK(Code))
    throw ErrorAt(D3DErrorString(Code), Loc);
}

int32_t VertexSize(uint32_t Format) {
  switch (Format) {
  case 2:
    return 12;
  case 18:
    return 24;
  case 66:
    return 16;
  case 258:
    return 20;
  case 274:
    return 32;
  case 322:
    return 24;
  case 338:
    return 36;
  case 1602:
    return 64;
  default:
    return 0;
  }
}

// OpenGL objects of the device and the OpenGL state that lives beside the cache.
struct TGGraphicsDevice::TGL {
  GLint MaxTextureSize = 0;
  int Units = 0; // texture units used: at most CTextureStages
  int Samples = 0;
  bool ProvokingFirst = false;

  GLuint BackFramebuffer = 0; // the back buffer: RGB and depth, rows from the top
  GLuint BackColor = 0;
  GLuint BackDepth = 0;
  GLuint ResolveFramebuffer = 0; // the multisampled back buffer resolves into this one
  GLuint ResolveColor = 0;
  GLuint WhiteTexture = 0;
  bool HasSync = false;        // fences (OpenGL 3.2 or ARB_sync)
  GLsync FrameFence = nullptr; // the end of the last headless frame handed to the renderer

  GLuint Framebuffer = 0; // the framebuffer drawn into
  int32_t TargetWidth = 0;
  int32_t TargetHeight = 0;
  // The viewport OpenGL has: the cached one, or the whole target after a target change.
  int32_t ViewportLeft = 0, ViewportTop = 0, ViewportWidth = 0, ViewportHeight = 0;

  std::array<GLuint, CTextureStages> BoundTexture{};
  std::array<TGTextureFilter, CTextureStages> UnitFilter{};
  std::array<bool, CTextureStages> UnitEnabled{};

  // What the vertex pointers were set from.
  bool ArraysValid = false;
  TGVertexBuffer* ArraysBuffer = nullptr;
  uint64_t ArraysVersion = 0;
  int TexArrays = 0;
};

// Construction -----------------------------------------------------------------------------------

TGGraphicsDevice::TGGraphicsDevice(TGObject* AOwner)
    : TGDeviceState(AOwner) {
  if (GD)
    throw Error();
  FForce16Bit = false;
  GD = this;
  FMemoryLimit = 33554432;
  FDefaultPoolTextureLocker = new TGDefaultPoolTextureLocker(this);
  // The device owns the pages images are packed into; Reset and Destroy drop them.
  FManagedTexturesStorage = std::make_unique<TGManagedTexturesStorage>();
  FAffect = true;
  for (TGDeviceState*& S : FStateStack)
    S = new TGDeviceState(this);
  FDefaultClearColor = 0xFF808080u;
}

TGGraphicsDevice::~TGGraphicsDevice() = default;

void TGGraphicsDevice::Destroy() {
  FPending = nullptr; // whatever was held back goes with the device
  FreeAndNil(FCommonRT);
  FManagedTexturesStorage.reset();
  // Everything that holds OpenGL objects lets them go while the context still lives.
  if (FContext)
    NotifyInvalidateDeviceObjects();
  FCommonBuffers.clear();
  FCommonIndexBuffer = nullptr;
  FStateStackSize = 0;
  inherited::Destroy(); // frees the stack states, the locker and the shared buffers
  if (FContext) {
    ReleaseFrameFence();
    DestroyBackBuffer();
    if (FGL->WhiteTexture)
      glDeleteTextures(1, &FGL->WhiteTexture);
    FGL.reset();
    FContext.reset();
  }
  FStateStack.fill(nullptr);
  if (GD == this)
    GD = nullptr;
}

void TGGraphicsDevice::SetManagedTexturesStorage(
    std::unique_ptr<TGManagedTexturesStorageBase> Storage) {
  FManagedTexturesStorage = std::move(Storage);
}

void TGGraphicsDevice::Initialize(int32_t AWidth, int32_t AHeight, THostWindow* AWindow,
                                  bool AMultiSampling, bool AVSync, bool MultiThreaded,
                                  bool Software) {
  (void)MultiThreaded; // OpenGL is used from the main thread only
  (void)Software;
  FVSync = AVSync;
  FWidth = AWidth;
  FHeight = AHeight;
  FWindow = AWindow;
  FMultiSampling = AMultiSampling;
  if (!AWindow || AWidth <= 0 || AHeight <= 0)
    throw EGraphicsDevice("No compatible display devices found.", 1);
  try {
    FContext = std::make_unique<TGLContext>(*AWindow);
  } catch (const EHostError& E) {
    ODS("OpenGL: %s", E.what());
    throw EGraphicsDevice("No compatible display devices found.", 1);
  }
  const int Version = epoxy_gl_version();
  if (Version < 21 || (Version < 30 && !epoxy_has_gl_extension("GL_ARB_framebuffer_object")) ||
      (Version < 32 && !epoxy_has_gl_extension("GL_ARB_vertex_array_bgra"))) {
    FContext.reset();
    ShowMessageBox("Unable to run the game",
                   "Sorry, your system configuration does not meet the minimum system "
                   "requirements.\nDescription of the problem: old version of OpenGL.\nTo be able "
                   "to play the game you need OpenGL 2.1 with framebuffer objects.\n\n"
                   "Troubleshooting: update the graphics driver of your system (on Debian, the "
                   "Mesa packages).\nDownload is free.",
                   TMessageBoxKind::Warning);
    std::_Exit(1);
  }
  FContextGeneration = ++ContextCounter;
  FGL = std::make_unique<TGL>();
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &FGL->MaxTextureSize);
  GLint Units = 0;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS, &Units);
  FGL->Units = std::clamp(static_cast<int>(Units), 1, CTextureStages);
  FGL->ProvokingFirst = Version >= 32 || epoxy_has_gl_extension("GL_EXT_provoking_vertex") ||
                        epoxy_has_gl_extension("GL_ARB_provoking_vertex");
  FGL->HasSync = Version >= 32 || epoxy_has_gl_extension("GL_ARB_sync");
  InitPlatformDefaults();
  FContext->SetSwapInterval(0);
  CreateBackBuffer();

  SetViewport(TGViewport::FromRect(TGRect{0, 0, FWidth, FHeight}));
  SetMatrixType(mProjection);
  Ortho(0, 0, static_cast<float>(FWidth), static_cast<float>(FHeight), 0, 1);
  SetMatrixType(mWorld);
  Reset();
}

void TGGraphicsDevice::InitPlatformDefaults() {
  // Direct3D's defaults for what the engine never sets.
  glDepthFunc(GL_LEQUAL);
  glFrontFace(GL_CCW);
  glDisable(GL_DITHER);
  const float Black[4] = {0, 0, 0, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, Black);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  if (FGL->ProvokingFirst)
    glProvokingVertex(GL_FIRST_VERTEX_CONVENTION); // flat shading takes the first vertex
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glMatrixMode(GL_MODELVIEW);
  glEnableClientState(GL_VERTEX_ARRAY);
  FGL->UnitFilter.fill(tfPoint); // Direct3D's default filter of a stage

  // The picture of stages that run without one.
  const uint32_t White = 0xFFFFFFFFu;
  glGenTextures(1, &FGL->WhiteTexture);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, FGL->WhiteTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &White);
  FGL->BoundTexture.fill(FGL->WhiteTexture);
  for (int I = 0; I < FGL->Units; ++I) {
    glActiveTexture(GL_TEXTURE0 + I);
    glBindTexture(GL_TEXTURE_2D, FGL->WhiteTexture);
  }
  glActiveTexture(GL_TEXTURE0);
  CheckGLError();
}

void TGGraphicsDevice::CreateBackBuffer() {
  DrainGLErrors();
  GLint MaxSamples = 0;
  glGetIntegerv(GL_MAX_SAMPLES, &MaxSamples);
  FGL->Samples = FMultiSampling ? std::min(4, static_cast<int>(MaxSamples)) : 0;
  auto Storage = [&](GLuint& Buffer, GLenum Format, int Samples) {
    glGenRenderbuffers(1, &Buffer);
    glBindRenderbuffer(GL_RENDERBUFFER, Buffer);
    if (Samples > 0)
      glRenderbufferStorageMultisample(GL_RENDERBUFFER, Samples, Format, FWidth, FHeight);
    else
      glRenderbufferStorage(GL_RENDERBUFFER, Format, FWidth, FHeight);
  };
  Storage(FGL->BackColor, GL_RGB8, FGL->Samples);
  Storage(FGL->BackDepth, GL_DEPTH_COMPONENT24, FGL->Samples);
  glGenFramebuffers(1, &FGL->BackFramebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, FGL->BackFramebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, FGL->BackColor);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, FGL->BackDepth);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
    D3DAssert(D3DERR_NOTAVAILABLE);
  if (FGL->Samples > 0) {
    Storage(FGL->ResolveColor, GL_RGB8, 0);
    glGenFramebuffers(1, &FGL->ResolveFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, FGL->ResolveFramebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                              FGL->ResolveColor);
  }
  FGL->Framebuffer = FGL->BackFramebuffer;
  FGL->TargetWidth = FWidth;
  FGL->TargetHeight = FHeight;
  glBindFramebuffer(GL_FRAMEBUFFER, FGL->Framebuffer);
  CheckGLError();
}

void TGGraphicsDevice::DestroyBackBuffer() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  for (GLuint* F : {&FGL->BackFramebuffer, &FGL->ResolveFramebuffer})
    if (*F)
      glDeleteFramebuffers(1, F);
  for (GLuint* R : {&FGL->BackColor, &FGL->BackDepth, &FGL->ResolveColor})
    if (*R)
      glDeleteRenderbuffers(1, R);
  FGL->BackFramebuffer = FGL->ResolveFramebuffer = 0;
  FGL->BackColor = FGL->BackDepth = FGL->ResolveColor = 0;
  FGL->Framebuffer = 0;
}

// Presentation -----------------------------------------------------------------------------------

void TGGraphicsDevice::SetFullScreen(bool Value) {
  if (Value != FFullScreen)
    SwitchDisplayModes();
}

void TGGraphicsDevice::ThrottleHeadlessFrames() {
  if (!FGL->HasSync) {
    glFinish();
    return;
  }
  GLsync Fence = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  glFlush();
  // The frame before this one is waited for: the renderer works on this one meanwhile.
  ReleaseFrameFence();
  FGL->FrameFence = Fence;
}

void TGGraphicsDevice::ReleaseFrameFence() {
  if (!FGL || !FGL->FrameFence)
    return;
  constexpr GLuint64 CSecond = 1000000000;
  glClientWaitSync(FGL->FrameFence, 0, CSecond);
  glDeleteSync(FGL->FrameFence);
  FGL->FrameFence = nullptr;
}

void TGGraphicsDevice::SwitchDisplayModes() {
  if (!FContext || !FWindow)
    return;
  if (FFullScreen) {
    FWindow->SetFullScreen(false);
    FWindow->SetClientSize(FWidth, FHeight);
    FFullScreen = false;
    FContext->SetSwapInterval(0);
  } else {
    FWindow->SetFullScreen(true);
    if (!FWindow->IsFullScreen())
      return; // the display refused: stay windowed as before
    FFullScreen = true;
    FContext->SetSwapInterval(FVSync ? 1 : 0);
  }
  Reset();
  PushState(bViewport);
  try {
    SetViewport(TGViewport::FromRect(TGRect{0, 0, FWidth, FHeight}));
    Erase(0);
  } catch (...) {
    PopState();
    throw;
  }
  PopState();
}

void TGGraphicsDevice::Reset() {
  if (!FContext)
    return;
  DrawPending();
  if (FManagedTexturesStorage)
    FManagedTexturesStorage->InvalidateDeviceObjects();
  FDefaultPoolTextureLocker->InvalidateDeviceObjects();
  NotifyInvalidateDeviceObjects();
  DestroyBackBuffer();
  CreateBackBuffer();
  NotifyRestoreDeviceObjects();
  RenewState();
}

void TGGraphicsDevice::RenewState() {
  DrawPending();
  FForce = true;
  const TGDeviceStateMask Old = FMask;
  try {
    FMask = CFullDeviceStateMask;
    FGL->ArraysValid = false;
    Assign(this);
  } catch (...) {
    FForce = false;
    FMask = Old;
    throw;
  }
  FForce = false;
  FMask = Old;
}

void TGGraphicsDevice::NotifyInvalidateDeviceObjects() {
  Notify(TGNotification(this, &TGGraphicsDevice::NotifyInvalidateDeviceObjects));
}

void TGGraphicsDevice::NotifyRestoreDeviceObjects() {
  Notify(TGNotification(this, &TGGraphicsDevice::NotifyRestoreDeviceObjects));
}

bool TGGraphicsDevice::BeginScene() {
  if (FBeginSceneCalled)
    return true;
  FPolyCount = 0;
  FDIPCalls = 0;
  if (!FContext)
    return false;
  FBeginSceneCalled = true;
  return true;
}

void TGGraphicsDevice::EndScene() {
  DrawPending();
  if (!FBeginSceneCalled)
    return;
  FBeginSceneCalled = false;
  CountFrame(static_cast<uint32_t>(HostTickCount()));
}

void TGGraphicsDevice::CountFrame(uint32_t Now) {
  const uint32_t Elapsed = Now - FLastTime;
  if (Elapsed > 333) {
    FFPS = static_cast<float>(FFrameCount) / static_cast<float>(Elapsed) * 1000;
    FLastTime = Now;
    FFrameCount = 0;
  }
  ++FFrameCount;
}

void TGGraphicsDevice::Present() {
  if (!FContext)
    return;
  DrawPending();
  if (FWindow && FWindow->IsHeadless()) {
    // Nobody can see a headless window, and the back buffer, which screenshots read, already
    // holds the frame. Copying it to the window would cost the software renderer a full-screen
    // textured draw per frame, most of an idle frame's time. A frame that drew something is
    // flushed, so that it is rendered now as a shown one would be, and the one before it is
    // waited for, as a swap would; a frame that only cleared stays a pending clear, which costs
    // nothing until pixels are read.
    if (FDIPCalls > 0)
      ThrottleHeadlessFrames();
    return;
  }
  DrainGLErrors();
  GLuint Source = FGL->BackFramebuffer;
  if (FGL->Samples > 0) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, FGL->BackFramebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, FGL->ResolveFramebuffer);
    glBlitFramebuffer(0, 0, FWidth, FHeight, 0, 0, FWidth, FHeight, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    Source = FGL->ResolveFramebuffer;
  }
  // Fit the picture into the drawable keeping its proportions; the rest stays black.
  const THostSize D = FContext->DrawableSize();
  int32_t W = D.Width;
  int32_t H = D.Height;
  if (int64_t{W} * FHeight > int64_t{H} * FWidth)
    W = static_cast<int32_t>(int64_t{H} * FWidth / FHeight);
  else
    H = static_cast<int32_t>(int64_t{W} * FHeight / FWidth);
  const int32_t X = (D.Width - W) / 2;
  const int32_t Y = (D.Height - H) / 2;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, Source);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  if (W != D.Width || H != D.Height) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  // The back buffer's rows run from the top; the window's from the bottom.
  glBlitFramebuffer(0, 0, FWidth, FHeight, X, Y + H, X + W, Y, GL_COLOR_BUFFER_BIT,
                    W == FWidth && H == FHeight ? GL_NEAREST : GL_LINEAR);
  glBindFramebuffer(GL_FRAMEBUFFER, FGL->Framebuffer);
  CheckGLError();
  FContext->Swap();
}

void TGGraphicsDevice::Erase(TGColor Color) {
  if (!FContext)
    throw Error("The graphics device is not initialized");
  DrawPending();
  float C[4];
  Color.ToFloats(C);
  glEnable(GL_SCISSOR_TEST); // Direct3D clears the viewport only
  glScissor(FGL->ViewportLeft, FGL->ViewportTop, FGL->ViewportWidth, FGL->ViewportHeight);
  glClearColor(C[0], C[1], C[2], C[3]);
  glClearDepth(1);
  glClearStencil(0);
  glDepthMask(GL_TRUE);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glDepthMask(FZWriteEnable ? GL_TRUE : GL_FALSE);
  glDisable(GL_SCISSOR_TEST);
  CheckGLError();
}

TGPoint TGGraphicsDevice::MaxTextureSize() const {
  if (!FGL)
    return TGPoint{};
  return TGPoint{FGL->MaxTextureSize, FGL->MaxTextureSize};
}

TGSimpleTexture* TGGraphicsDevice::GetCommonRenderTarget() {
  if (!FCommonRT) {
    FCommonRT = new TGSimpleTexture(this);
    FCommonRT->SetRenderTarget(true);
    FCommonRT->SetWidth(256);
    FCommonRT->SetHeight(256);
  }
  return FCommonRT;
}

// State stack ------------------------------------------------------------------------------------

void TGGraphicsDevice::PushState(TGDeviceStateMask AMask) {
  if (FStateStackSize >= CStateStackDepth)
    throw Error("Stack overflow");
  TGDeviceState* S = FStateStack[FStateStackSize];
  S->SetMask(AMask);
  CopyTo(S); // every push and pop of a frame's drawing: no cast on the way
  ++FStateStackSize;
}

void TGGraphicsDevice::PopState() {
  if (FStateStackSize < 1)
    throw Error("Stack empty");
  --FStateStackSize;
  TGDeviceState* S = FStateStack[FStateStackSize];
  FMask = S->Mask();
  S->CopyTo(this);
}

void TGGraphicsDevice::ForgetObject(const TGObject* Obj) {
  if (Destroying())
    return;
  ForgetReferences(Obj);
  for (TGDeviceState* S : FStateStack)
    if (S)
      S->ForgetReferences(Obj);
  if (FGL && FGL->ArraysBuffer == Obj) {
    FGL->ArraysBuffer = nullptr;
    FGL->ArraysValid = false;
  }
  std::erase(FCommonBuffers, Obj);
  if (FCommonIndexBuffer == Obj)
    FCommonIndexBuffer = nullptr;
  if (FCommonRT == Obj)
    FCommonRT = nullptr;
}

// Buffers and primitives -------------------------------------------------------------------------

TGVertexBuffer* TGGraphicsDevice::CommonVertexBuffer(uint32_t Format, int32_t Length,
                                                     int32_t Stride) {
  for (size_t I = 0; I < FCommonBuffers.size(); ++I) {
    TGVertexBuffer* B = FCommonBuffers[I];
    if (B->Format() != Format)
      continue;
    if (B->Stride() != Stride)
      throw Error();
    if (B->Length() >= Length)
      return B;
    auto* New = new TGVertexBuffer(this, Format, Length, Stride);
    B->Free(); // forgets it in the states and drops it from the list
    FCommonBuffers.insert(FCommonBuffers.begin() + static_cast<ptrdiff_t>(I), New);
    return New;
  }
  auto* New = new TGVertexBuffer(this, Format, Length, Stride);
  FCommonBuffers.push_back(New);
  return New;
}

TGIndexBuffer* TGGraphicsDevice::CommonIndexBuffer(int32_t Length) {
  Length = (std::max(Length, 1) + 255) / 256 * 256;
  if (FCommonIndexBuffer && FCommonIndexBuffer->Length() >= Length)
    return FCommonIndexBuffer;
  if (FCommonIndexBuffer)
    FCommonIndexBuffer->Free(); // clears FCommonIndexBuffer
  FCommonIndexBuffer = TGIndexBuffer::CreateEx(this, Length);
  return FCommonIndexBuffer;
}

void TGGraphicsDevice::PrepareDraw(bool Indexed) {
  if (!FContext)
    throw Error("The graphics device is not initialized");
  DrawPending(); // what was held back lies under this draw
  TGVertexBuffer* VB = FVertexBuffer;
  if (!VB || VB->Locked() || VB->Stride() <= 0)
    D3DAssert(D3DERR_INVALIDCALL);
  const GLuint Name = VB->GetD3DVertexBuffer();
  TGL& G = *FGL;
  if (!G.ArraysValid || G.ArraysBuffer != VB || G.ArraysVersion != BufferLayoutVersion) {
    const uint8_t* Base = VB->ClientData();
    const uint32_t Format = VB->Format();
    const GLsizei Stride = VB->Stride();
    size_t Off = 0;
    glBindBuffer(GL_ARRAY_BUFFER, Name);
    glVertexPointer(3, GL_FLOAT, Stride, Offset(Base, Off));
    Off += 12;
    if (Format & CFVFNormal) {
      glEnableClientState(GL_NORMAL_ARRAY);
      glNormalPointer(GL_FLOAT, Stride, Offset(Base, Off));
      Off += 12;
    } else {
      glDisableClientState(GL_NORMAL_ARRAY);
      glNormal3f(0, 0, 1);
    }
    if (Format & CFVFDiffuse) {
      glEnableClientState(GL_COLOR_ARRAY);
      glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, Stride, Offset(Base, Off));
      Off += 4;
    } else {
      // Without vertex colours the diffuse colour is white.
      glDisableClientState(GL_COLOR_ARRAY);
      glColor4f(1, 1, 1, 1);
    }
    if (Format & 0x080) // a specular colour: not drawn
      Off += 4;
    const int Pairs = std::min(static_cast<int>(Format >> CFVFTexCountShift & 0xF), G.Units);
    for (int I = 0; I < std::max(Pairs, G.TexArrays); ++I) {
      glClientActiveTexture(GL_TEXTURE0 + I);
      if (I < Pairs) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, Stride, Offset(Base, Off + 8 * static_cast<size_t>(I)));
      } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
      }
    }
    glClientActiveTexture(GL_TEXTURE0);
    G.TexArrays = Pairs;
    G.ArraysBuffer = VB;
    G.ArraysVersion = BufferLayoutVersion;
    G.ArraysValid = true;
  }
  if (Indexed) {
    if (!FIndexBuffer || FIndexBuffer->Locked())
      D3DAssert(D3DERR_INVALIDCALL);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, FIndexBuffer->GetD3DIndexBuffer());
  }
  DrainGLErrors(); // results of state changes are not checked
}

void TGGraphicsDevice::CountDraw(int32_t Primitives) {
  FPolyCount += Primitives;
  ++FDIPCalls;
  CheckGLError();
}

void TGGraphicsDevice::DrawTriangleList(int32_t Count) {
  PrepareDraw(false);
  if (Count < 0 || int64_t{Count} * 3 > FVertexBuffer->Length())
    D3DAssert(D3DERR_INVALIDCALL);
  glDrawArrays(GL_TRIANGLES, 0, Count * 3);
  CountDraw(Count);
}

void TGGraphicsDevice::DrawTriangleStrip(int32_t Count) {
  PrepareDraw(false);
  if (Count < 0 || int64_t{Count} + 2 > FVertexBuffer->Length())
    D3DAssert(D3DERR_INVALIDCALL);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, Count + 2);
  CountDraw(Count);
}

void TGGraphicsDevice::DrawLineList(int32_t Count) {
  PrepareDraw(false);
  if (Count < 0 || int64_t{Count} * 2 > FVertexBuffer->Length())
    D3DAssert(D3DERR_INVALIDCALL);
  glDrawArrays(GL_LINES, 0, Count * 2);
  CountDraw(Count);
}

void TGGraphicsDevice::DrawIndexedTriangleList(int32_t FaceStart, int32_t FaceCount,
                                               int32_t VertStart, int32_t VertCount) {
  PrepareDraw(true);
  if (VertCount == 0)
    VertCount = FVertexBuffer->Length();
  if (FaceStart < 0 || FaceCount < 0 || VertStart < 0 || VertCount < 0 ||
      (int64_t{FaceStart} + FaceCount) * 3 > FIndexBuffer->Length())
    D3DAssert(D3DERR_INVALIDCALL);
  const uint8_t* Base = FIndexBuffer->ClientData();
  glDrawRangeElements(GL_TRIANGLES, static_cast<GLuint>(VertStart),
                      static_cast<GLuint>(VertStart + std::max(VertCount, 1) - 1), FaceCount * 3,
                      GL_UNSIGNED_SHORT, Offset(Base, static_cast<size_t>(FaceStart) * 6));
  CountDraw(FaceCount);
}

void TGGraphicsDevice::DrawCommon(TGColor Color, const float* Points, int Count, bool Strip) {
  PushState(TGDeviceStateMask{bTexture0, bVertexBuffer});
  try {
    SetConstantColor(MaterialDiffuse() * Color);
    SetTextureState(0, tsConstant);
    TGVertexBuffer* VB = CommonVertexBuffer(CFVFXYZ, Count, 12);
    auto* V = static_cast<float*>(VB->Lock(Count, lmWriteOnly));
    for (int I = 0; I < Count; ++I) {
      V[I * 3] = Points[I * 2];
      V[I * 3 + 1] = Points[I * 2 + 1];
      V[I * 3 + 2] = 0;
    }
    VB->Unlock();
    SetVertexBuffer(VB);
    if (Strip)
      DrawTriangleStrip(2);
    else
      DrawLineList(1);
  } catch (...) {
    PopState();
    throw;
  }
  PopState();
}

void TGGraphicsDevice::DrawLine(TGColor Color, float X0, float Y0, float X1, float Y1) {
  const float P[] = {X0, Y0, X1, Y1};
  DrawCommon(Color, P, 2, false);
}

void TGGraphicsDevice::DrawFrame(TGColor Color, float X0, float Y0, float X1, float Y1) {
  DrawLine(Color, X0, Y0, X1, Y0);
  DrawLine(Color, X0, Y1, X1, Y1);
  DrawLine(Color, X0, Y0, X0, Y1);
  DrawLine(Color, X1, Y0, X1, Y1);
}

void TGGraphicsDevice::DrawRect(TGColor Color, float X0, float Y0, float X1, float Y1) {
  const float P[] = {X0, Y1, X1, Y1, X0, Y0, X1, Y0};
  DrawCommon(Color, P, 4, true);
}

// Screenshots ------------------------------------------------------------------------------------

bool TGGraphicsDevice::CreateScreenshotPixels(std::vector<TGColor>& Pixels) {
  Pixels.clear();
  if (FMultiSampling || !FContext)
    return false;
  DrawPending();
  Pixels.resize(static_cast<size_t>(FWidth) * FHeight);
  DrainGLErrors();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, FGL->BackFramebuffer);
  glReadPixels(0, 0, FWidth, FHeight, GL_BGRA, GL_UNSIGNED_BYTE, Pixels.data());
  glBindFramebuffer(GL_FRAMEBUFFER, FGL->Framebuffer);
  CheckGLError();
  return true;
}

std::string TGGraphicsDevice::MakeScreenshot() {
  std::vector<TGColor> Pixels;
  if (!CreateScreenshotPixels(Pixels))
    return {};
  std::string Name;
  for (int N = 0; N <= 9999; ++N) {
    Name = Format("screenshot%.4d.jpg", {TGFormatArg(N)});
    std::error_code Ignored;
    if (!std::filesystem::exists(Name, Ignored))
      break;
  }
  SaveScreenshotJpeg(Name, FWidth, FHeight, Pixels);
  ODS("Saved screenshot " + Name);
  return Name;
}

// OpenGL helpers for the texture and buffer units ------------------------------------------------

void TGGraphicsDevice::CheckGLError(TGSourceLocation Loc) {
  const GLenum E = glGetError();
  if (E != GL_NO_ERROR) {
    DrainGLErrors();
    D3DAssert(GLErrorCode(E), Loc);
  }
}

void TGGraphicsDevice::BindTexture(int Stage, uint32_t Texture, float ScaleX, float ScaleY,
                                   float TranslateX, float TranslateY, bool Wrap) {
  if (!FGL || Stage < 0 || Stage >= FGL->Units)
    return;
  const GLuint Name = Texture ? Texture : FGL->WhiteTexture;
  glActiveTexture(GL_TEXTURE0 + Stage);
  glBindTexture(GL_TEXTURE_2D, Name);
  FGL->BoundTexture[Stage] = Name;
  // Filters and address modes belong to the texture object in OpenGL, to the stage in Direct3D.
  const GLint Filter = FGL->UnitFilter[Stage] == tfLinear ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, Filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, Filter);
  const GLint Address = Wrap ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, Address);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, Address);
  // Direct3D keeps the translation of two-component coordinates in the third row; OpenGL takes
  // them as (s, t, 0, 1), so it goes to the fourth.
  const float M[16] = {ScaleX, 0, 0, 0, 0, ScaleY, 0, 0, 0, 0, 1, 0, TranslateX, TranslateY, 0, 1};
  glMatrixMode(GL_TEXTURE);
  glLoadMatrixf(M);
  glMatrixMode(GL_MODELVIEW);
}

void TGGraphicsDevice::BindTextureForUpdate(uint32_t Texture) {
  DrawPending(); // pixels about to change may be those of a sprite held back
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, Texture);
}

void TGGraphicsDevice::RestoreTextureBinding() {
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, FGL->BoundTexture[0]);
}

void TGGraphicsDevice::UploadTexturePixels(uint32_t Texture, int32_t X, int32_t Y, int32_t AWidth,
                                           int32_t AHeight, const TGColor* Pixels, int32_t Pitch) {
  if (AWidth <= 0 || AHeight <= 0)
    return;
  DrainGLErrors();
  BindTextureForUpdate(Texture);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, Pitch / 4);
  glTexSubImage2D(GL_TEXTURE_2D, 0, X, Y, AWidth, AHeight, GL_BGRA, GL_UNSIGNED_BYTE, Pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  RestoreTextureBinding();
  CheckGLError();
}

void TGGraphicsDevice::ReadTexturePixels(uint32_t Texture, int32_t TexWidth, int32_t TexHeight,
                                         int32_t AWidth, int32_t AHeight,
                                         std::vector<TGColor>& Pixels) {
  std::vector<TGColor> All(static_cast<size_t>(TexWidth) * TexHeight);
  DrainGLErrors();
  BindTextureForUpdate(Texture);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, All.data());
  RestoreTextureBinding();
  CheckGLError();
  Pixels.resize(static_cast<size_t>(AWidth) * AHeight);
  for (int32_t Y = 0; Y < AHeight; ++Y)
    std::memcpy(&Pixels[static_cast<size_t>(Y) * AWidth], &All[static_cast<size_t>(Y) * TexWidth],
                static_cast<size_t>(AWidth) * 4);
}

uint32_t TGGraphicsDevice::CreateFramebuffer(uint32_t Texture, uint32_t Renderbuffer,
                                             int32_t AWidth, int32_t AHeight, uint32_t& Depth) {
  DrainGLErrors();
  Depth = 0;
  GLuint F = 0;
  glGenFramebuffers(1, &F);
  glBindFramebuffer(GL_FRAMEBUFFER, F);
  if (Texture)
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, Texture, 0);
  else
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, Renderbuffer);
  // OpenGL draws only where all attachments are: a target larger than the back buffer, or one
  // beside a multisampled back buffer, needs a depth buffer of its own.
  if (FGL->Samples == 0 && AWidth <= FWidth && AHeight <= FHeight) {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, FGL->BackDepth);
  } else {
    GLuint D = 0;
    glGenRenderbuffers(1, &D);
    glBindRenderbuffer(GL_RENDERBUFFER, D);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, AWidth, AHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, D);
    Depth = D;
  }
  const GLenum Status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  glBindFramebuffer(GL_FRAMEBUFFER, FGL->Framebuffer);
  if (Status != GL_FRAMEBUFFER_COMPLETE) {
    glDeleteFramebuffers(1, &F);
    if (Depth) {
      GLuint D = Depth;
      glDeleteRenderbuffers(1, &D);
      Depth = 0;
    }
    D3DAssert(D3DERR_NOTAVAILABLE);
  }
  CheckGLError();
  return F;
}

// Applying states --------------------------------------------------------------------------------

void TGGraphicsDevice::DrawPending() {
  if (IGPendingDrawing* P = FPending) {
    FPending = nullptr;
    P->DrawPending();
  }
}

void TGGraphicsDevice::StateChanging(TStateItem Item, int Index) {
  if (!FPending)
    return;
  switch (Item) {
  case siTexture:
    if (Index == 0)
      return;
    break;
  case siMatrix:
    if (Index == mWorld)
      return;
    break;
  case siBlending:
  case siMaterial:
  case siLighting:
  case siVertexBuffer:
  case siIndexBuffer:
    return; // carried by the pending drawing
  case siTextureFilter:
    return; // ApplyState knows whether OpenGL's filter changes
  default:
    break;
  }
  DrawPending();
}

void TGGraphicsDevice::ApplyState(TStateItem Item, int Index) {
  if (!FContext)
    return; // stored; Initialize applies everything
  ++FStateCalls;
  switch (Item) {
  case siTexture:
    if (FTextures[Index])
      FTextures[Index]->D3DApply(Index);
    else
      BindTexture(Index, 0, 1, 1, 0, 0, true);
    break;
  case siTextureFilter: {
    const TGTextureFilter F = FTextureFilters[Index];
    if (F == tfParent || Index >= FGL->Units)
      break;
    if (FGL->UnitFilter[Index] != F)
      DrawPending(); // drawn with the filter it was queued with
    FGL->UnitFilter[Index] = F;
    const GLint Filter = F == tfLinear ? GL_LINEAR : GL_NEAREST;
    glActiveTexture(GL_TEXTURE0 + Index);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, Filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, Filter);
    break;
  }
  case siTextureState:
    ApplyTextureUnit(Index);
    ApplyTextureEnables();
    break;
  case siRenderTarget:
    ApplyRenderTarget();
    break;
  case siViewport: {
    const TGViewport& V = FViewport;
    FGL->ViewportLeft = V.Left;
    FGL->ViewportTop = V.Top;
    FGL->ViewportWidth = std::max(0, V.Right - V.Left);
    FGL->ViewportHeight = std::max(0, V.Bottom - V.Top);
    glViewport(V.Left, V.Top, FGL->ViewportWidth, FGL->ViewportHeight);
    glDepthRange(V.MinZ, V.MaxZ);
    UploadProjection();
    break;
  }
  case siBlending:
    switch (FBlending) {
    case bNone:
      glDisable(GL_BLEND);
      break;
    case bDefault:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case bAdd:
      glEnable(GL_BLEND);
      glBlendFunc(GL_ONE, GL_DST_ALPHA);
      break;
    case bMul:
      glEnable(GL_BLEND);
      glBlendFunc(GL_ZERO, GL_SRC_COLOR);
      break;
    case bIntense:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    default:
      throw Error();
    }
    break;
  case siPointSize:
    glPointSize(FPointSize > 0 ? FPointSize : 1);
    break;
  case siVertexBuffer:
    FGL->ArraysValid = false; // the pointers are set at the next draw
    break;
  case siIndexBuffer:
    break; // bound at every indexed draw
  case siMaterialSource:
  case siSpecularEnable:
    ApplyColorMaterial();
    ApplyMaterial();
    break;
  case siMaterial:
    ApplyMaterial();
    break;
  case siLight:
    ApplyLight(Index);
    break;
  case siLightEnable:
    SetEnabled(GL_LIGHT0 + Index, FLightEnable[Index]);
    break;
  case siAlphaTestEnable:
    SetEnabled(GL_ALPHA_TEST, FAlphaTestEnable);
    break;
  case siAlphaFunc:
    glAlphaFunc(CmpFuncGL(FAlphaFunc), static_cast<float>(std::clamp(FAlphaRef, 0, 255)) / 255);
    break;
  case siZEnable:
    SetEnabled(GL_DEPTH_TEST, FZEnable);
    break;
  case siZWriteEnable:
    glDepthMask(FZWriteEnable ? GL_TRUE : GL_FALSE);
    break;
  case siNormalizeNormals:
    SetEnabled(GL_NORMALIZE, FNormalizeNormals);
    break;
  case siLighting:
    SetEnabled(GL_LIGHTING, FLighting);
    break;
  case siCullMode:
    // The rows of the picture run from the top, so OpenGL sees Direct3D's clockwise triangles
    // as counter-clockwise ones: front faces.
    if (FCullMode == cmCW || FCullMode == cmCCW) {
      glEnable(GL_CULL_FACE);
      glCullFace(FCullMode == cmCW ? GL_FRONT : GL_BACK);
    } else {
      glDisable(GL_CULL_FACE);
    }
    break;
  case siShadeMode:
    glShadeModel(FShadeMode == smFlat ? GL_FLAT : GL_SMOOTH);
    break;
  case siFillMode:
    glPolygonMode(GL_FRONT_AND_BACK, FFillMode == fmPoint       ? GL_POINT
                                     : FFillMode == fmWireFrame ? GL_LINE
                                                                : GL_FILL);
    break;
  case siMultiSampleAntialias:
    SetEnabled(GL_MULTISAMPLE, FMultiSampleAntialias);
    break;
  case siMatrix:
    if (Index == mProjection) {
      UploadProjection();
    } else {
      UploadModelView();
      if (Index == mView) // lights are placed in the view's space
        for (int I = 0; I < CLights; ++I)
          ApplyLight(I);
    }
    break;
  case siConstantColor: {
    float C[4];
    FConstantColor.ToFloats(C);
    for (int I = 0; I < FGL->Units; ++I) {
      glActiveTexture(GL_TEXTURE0 + I);
      glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, C);
    }
    break;
  }
  }
}

void TGGraphicsDevice::ApplyTextureUnit(int Stage) {
  if (Stage >= FGL->Units)
    return;
  bool Enabled = true;
  for (int I = 0; I <= Stage; ++I)
    Enabled = Enabled && FTextureStates[I] != tsDisable; // a disabled stage ends the cascade
  FGL->UnitEnabled[Stage] = Enabled;
  glActiveTexture(GL_TEXTURE0 + Stage);
  if (!Enabled) {
    glDisable(GL_TEXTURE_2D);
    return;
  }
  glEnable(GL_TEXTURE_2D);
  switch (FTextureStates[Stage]) {
  case tsTexture:
    Combine(GL_REPLACE, GL_TEXTURE, GL_TEXTURE, GL_REPLACE, GL_TEXTURE, GL_TEXTURE);
    break;
  case tsDiffuse:
    Combine(GL_REPLACE, GL_PRIMARY_COLOR, GL_PRIMARY_COLOR, GL_REPLACE, GL_PRIMARY_COLOR,
            GL_PRIMARY_COLOR);
    break;
  case tsModulate:
    Combine(GL_MODULATE, GL_TEXTURE, GL_PREVIOUS, GL_MODULATE, GL_TEXTURE, GL_PREVIOUS);
    break;
  case tsModulateConstant:
    Combine(GL_MODULATE, GL_TEXTURE, GL_CONSTANT, GL_MODULATE, GL_TEXTURE, GL_CONSTANT);
    break;
  case tsConstant:
    Combine(GL_REPLACE, GL_CONSTANT, GL_CONSTANT, GL_REPLACE, GL_CONSTANT, GL_CONSTANT);
    break;
  case tsColorize:
    // diffuse × a + texture × (1 − a), a the constant colour's alpha.
    Combine(GL_INTERPOLATE, GL_PRIMARY_COLOR, GL_TEXTURE, GL_MODULATE, GL_TEXTURE, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC2_RGB, GL_CONSTANT);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
    break;
  case tsDisable:
    break;
  }
}

void TGGraphicsDevice::ApplyTextureEnables() {
  bool Enabled = true;
  for (int I = 0; I < FGL->Units; ++I) {
    Enabled = Enabled && FTextureStates[I] != tsDisable;
    if (Enabled != FGL->UnitEnabled[I])
      ApplyTextureUnit(I);
  }
}

void TGGraphicsDevice::ApplyRenderTarget() {
  GLuint Framebuffer = FGL->BackFramebuffer;
  int32_t W = FWidth;
  int32_t H = FHeight;
  if (FRenderTargetSurface) {
    Framebuffer = FRenderTargetSurface->D3DSurface();
    W = FRenderTargetSurface->Width();
    H = FRenderTargetSurface->Height();
  } else if (FRenderTarget) {
    auto* T = dynamic_cast<TGSimpleTexture*>(FRenderTarget);
    if (!T || !T->RenderTarget() || T->GetIsEmpty())
      D3DAssert(D3DERR_INVALIDCALL);
    T->GetD3DTexture();
    TGLTexture& P = *T->Platform();
    if (!P.Framebuffer)
      P.Framebuffer = CreateFramebuffer(P.Name, 0, P.Width, P.Height, P.Depth);
    Framebuffer = P.Framebuffer;
    W = P.Width;
    H = P.Height;
  }
  FGL->Framebuffer = Framebuffer;
  FGL->TargetWidth = W;
  FGL->TargetHeight = H;
  glBindFramebuffer(GL_FRAMEBUFFER, Framebuffer);
  // As in Direct3D, a new target is drawn whole until the viewport is set again.
  FGL->ViewportLeft = FGL->ViewportTop = 0;
  FGL->ViewportWidth = W;
  FGL->ViewportHeight = H;
  glViewport(0, 0, W, H);
  UploadProjection();
}

void TGGraphicsDevice::UploadProjection() {
  // Direct3D's clip space to OpenGL's: y turned over (the rows of the target run from the top),
  // depth 0..1 to -1..1, and half a pixel right and down, because Direct3D samples pixels at
  // their top-left corner and OpenGL at their centre.
  const float W = static_cast<float>(std::max(1, FGL->ViewportWidth));
  const float H = static_cast<float>(std::max(1, FGL->ViewportHeight));
  TGMatrix C{};
  C.M[0][0] = 1;
  C.M[1][1] = -1;
  C.M[2][2] = 2;
  C.M[3][0] = 1 / W;
  C.M[3][1] = 1 / H;
  C.M[3][2] = -1;
  C.M[3][3] = 1;
  const TGMatrix P = MatrixMultiply(FMatrixes[mProjection], C);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(&P.M[0][0]);
  glMatrixMode(GL_MODELVIEW);
}

void TGGraphicsDevice::UploadModelView() {
  const TGMatrix MV = MatrixMultiply(FMatrixes[mWorld], FMatrixes[mView]);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(&MV.M[0][0]);
}

void TGGraphicsDevice::ApplyLight(int Index) {
  const TGLight& L = FLights[Index];
  const GLenum Light = GL_LIGHT0 + static_cast<GLenum>(Index);
  float C[4];
  L.Diffuse.ToFloats(C);
  glLightfv(Light, GL_DIFFUSE, C);
  L.Specular.ToFloats(C);
  glLightfv(Light, GL_SPECULAR, C);
  L.Ambient.ToFloats(C);
  glLightfv(Light, GL_AMBIENT, C);
  // Positions and directions are given in world space. They are carried into camera space here
  // with the view in force, as Direct3D does: a point through the view's rows without a
  // division by w, so that a view turned by the lighting inversion (every diagonal element
  // negated) puts the light on the opposite side. OpenGL then takes them under an identity
  // model-view.
  const TGMatrix& View = FMatrixes[mView];
  // The light record is packed: its vectors are copied out before they are referred to.
  const TGVector Direction = L.Direction;
  const TGVector Position = L.Position;
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  if (L.LightType == ltDirectional) {
    const TGVector D = Vec3TransformNormal(Direction, View);
    const float P[4] = {-D.X, -D.Y, -D.Z, 0}; // towards the light
    glLightfv(Light, GL_POSITION, P);
    glLightf(Light, GL_SPOT_CUTOFF, 180);
    glLightf(Light, GL_CONSTANT_ATTENUATION, 1);
    glLightf(Light, GL_LINEAR_ATTENUATION, 0);
    glLightf(Light, GL_QUADRATIC_ATTENUATION, 0);
  } else {
    const TGVector Eye = Vec3TransformAffine(Position, View);
    const float P[4] = {Eye.X, Eye.Y, Eye.Z, 1};
    glLightfv(Light, GL_POSITION, P);
    // The attenuation applies at every distance: OpenGL lights have no range beyond which they
    // stop.
    const bool NoAttenuation = L.Attenuation0 == 0 && L.Attenuation1 == 0 && L.Attenuation2 == 0;
    glLightf(Light, GL_CONSTANT_ATTENUATION, NoAttenuation ? 1 : L.Attenuation0);
    glLightf(Light, GL_LINEAR_ATTENUATION, L.Attenuation1);
    glLightf(Light, GL_QUADRATIC_ATTENUATION, L.Attenuation2);
    if (L.LightType == ltSpot) {
      const TGVector D = Vec3TransformNormal(Direction, View);
      const float Dir[3] = {D.X, D.Y, D.Z};
      glLightfv(Light, GL_SPOT_DIRECTION, Dir);
      // The cut-off is half the outer cone (Phi), at most 90 degrees, with the fall-off as
      // exponent; the inner cone has no counterpart.
      glLightf(Light, GL_SPOT_CUTOFF, std::clamp(L.Phi * 0.5f * 57.29578f, 0.0f, 90.0f));
      glLightf(Light, GL_SPOT_EXPONENT, std::clamp(L.Falloff, 0.0f, 128.0f));
    } else {
      glLightf(Light, GL_SPOT_CUTOFF, 180);
    }
  }
  glPopMatrix();
}

void TGGraphicsDevice::ApplyMaterial() {
  float C[4];
  FMaterial.Diffuse.ToFloats(C);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, C);
  FMaterial.Ambient.ToFloats(C);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, C);
  FMaterial.Emissive.ToFloats(C);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, C);
  // OpenGL always adds the specular light; without SpecularEnable the material reflects none.
  const float None[4] = {0, 0, 0, 0};
  FMaterial.Specular.ToFloats(C);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, FSpecularEnable ? C : None);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(FMaterial.Power, 0.0f, 128.0f));
}

void TGGraphicsDevice::ApplyColorMaterial() {
  // The vertices carry one colour; it can stand for one material colour at a time.
  if (FDiffuseMaterialSource == csVertexColor1) {
    glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
  } else if (FSpecularMaterialSource == csVertexColor1 && FSpecularEnable) {
    glColorMaterial(GL_FRONT_AND_BACK, GL_SPECULAR);
    glEnable(GL_COLOR_MATERIAL);
  } else {
    glDisable(GL_COLOR_MATERIAL);
  }
}

void TGGraphicsDevice::EnableCameraSpaceTexCoords(int Stage, const TGMatrix& TexMatrix) {
  if (!Initialized() || Stage < 0 || Stage >= FGL->Units)
    return;
  DrawPending();
  glActiveTexture(GL_TEXTURE0 + Stage);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  // Eye planes are taken through the inverse of the model-view matrix current when they are
  // given: with the identity loaded they yield the camera-space position itself.
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  const GLfloat Planes[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  const GLenum Coords[4] = {GL_S, GL_T, GL_R, GL_Q};
  const GLenum Enables[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,
                             GL_TEXTURE_GEN_Q};
  for (int I = 0; I < 4; ++I) {
    glTexGeni(Coords[I], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGenfv(Coords[I], GL_EYE_PLANE, Planes[I]);
    glEnable(Enables[I]);
  }
  glPopMatrix();
  // A row-vector matrix has the memory layout OpenGL expects of its column-vector transpose.
  glMatrixMode(GL_TEXTURE);
  glLoadMatrixf(&TexMatrix.M[0][0]);
  glMatrixMode(GL_MODELVIEW);
  glActiveTexture(GL_TEXTURE0);
}

void TGGraphicsDevice::DisableCameraSpaceTexCoords(int Stage) {
  if (!Initialized() || Stage < 0 || Stage >= FGL->Units)
    return;
  DrawPending();
  glActiveTexture(GL_TEXTURE0 + Stage);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_GEN_R);
  glDisable(GL_TEXTURE_GEN_Q);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glActiveTexture(GL_TEXTURE0);
}
