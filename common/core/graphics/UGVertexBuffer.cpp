#include "graphics/UGVertexBuffer.h"

#include "object/UGClassBuilder.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>

G_IMPLEMENT_CLASS(TGVertexBuffer)
G_IMPLEMENT_CLASS(TGIndexBuffer)

uint64_t BufferLayoutVersion = 0;

namespace {

void SubscribeToDevice(TGObject* Buffer, void (*Subscribe)(TGObject*)) {
  if (GD)
    Subscribe(Buffer);
}

// Deletes a buffer object of the current context; one of a context that is gone is forgotten.
void DeleteBufferObject(uint32_t& Name, uint64_t Generation) {
  if (Name && GD && GD->Initialized() && GD->ContextGeneration() == Generation) {
    GLuint N = Name;
    glDeleteBuffers(1, &N);
  }
  Name = 0;
  ++BufferLayoutVersion;
}

// Makes a buffer object holding Data when there is none; uploads everything when asked.
uint32_t EnsureBufferObject(uint32_t& Name, uint64_t& Generation, GLenum Target,
                            const std::vector<uint8_t>& Data, bool& UploadAll) {
  if (!GD || !GD->Initialized())
    throw Error("The graphics device is not initialized");
  if (Name && Generation != GD->ContextGeneration()) {
    Name = 0; // made by a context that is gone
    UploadAll = true;
  }
  if (!Name) {
    GLuint N = 0;
    glGenBuffers(1, &N);
    Name = N;
    Generation = GD->ContextGeneration();
    UploadAll = true;
    ++BufferLayoutVersion;
  }
  if (UploadAll) {
    glBindBuffer(Target, Name);
    glBufferData(Target, static_cast<GLsizeiptr>(Data.size()), Data.empty() ? nullptr : Data.data(),
                 GL_DYNAMIC_DRAW);
    UploadAll = false;
    GD->CheckGLError();
  }
  return Name;
}

// After a write lock: the written bytes go to the buffer object (all of them when the object is
// new or out of date). Without a device they wait for the first use.
// WrittenHigh is how far any lock has written so far: beyond it the buffer holds nothing a draw
// may read. Discard: only this lock's bytes count, and the new storage holds just them.
void UploadLocked(uint32_t& Name, uint64_t& Generation, GLenum Target,
                  const std::vector<uint8_t>& Data, bool& UploadAll, int32_t Size,
                  int32_t& WrittenHigh, bool Discard = false) {
  WrittenHigh = Discard ? Size : std::max(WrittenHigh, Size);
  if (!GD || !GD->Initialized()) {
    UploadAll = true;
    return;
  }
  if (!Name || UploadAll || Generation != GD->ContextGeneration()) {
    EnsureBufferObject(Name, Generation, Target, Data, UploadAll);
    return;
  }
  glBindBuffer(Target, Name);
  if (static_cast<size_t>(Size) == Data.size() || (Discard && Size > 0)) {
    glBufferData(Target, Size, Data.data(), GL_DYNAMIC_DRAW); // lets OpenGL drop the old copy
  } else if (Size > 0) {
    // New storage, then what any lock has written: writing into storage that queued draws still
    // read would make the driver copy the whole buffer on every lock.
    glBufferData(Target, static_cast<GLsizeiptr>(Data.size()), nullptr, GL_DYNAMIC_DRAW);
    glBufferSubData(Target, 0, WrittenHigh, Data.data());
  }
  GD->CheckGLError();
}

} // namespace

// Vertex buffer ----------------------------------------------------------------------------------

TGVertexBuffer::TGVertexBuffer(TGObject* AOwner)
    : TGObject(AOwner) {
  SubscribeToDevice(this, [](TGObject* Self) {
    Subscribe(TGNotification(GD, &TGGraphicsDevice::NotifyInvalidateDeviceObjects),
              TGNotifyEvent(static_cast<TGVertexBuffer*>(Self),
                            &TGVertexBuffer::InvalidateDeviceObjects));
  });
}

TGVertexBuffer::TGVertexBuffer(TGObject* AOwner, uint32_t AFormat, int32_t ALength, int32_t AStride)
    : TGVertexBuffer(AOwner) {
  FFormat = AFormat;
  FStride = AStride;
  SetLength(ALength);
}

void TGVertexBuffer::Destroy() {
  if (GD)
    GD->ForgetObject(this);
  ReleaseBuffer();
  inherited::Destroy();
}

void TGVertexBuffer::Changing() {
  if (FLocked)
    throw Error();
  ReleaseBuffer();
}

void TGVertexBuffer::ReleaseBuffer() {
  DeleteBufferObject(FD3DVertexBuffer, FGeneration);
  FUploadAll = true;
}

void TGVertexBuffer::SetLength(int32_t Value) {
  Changing();
  FLength = Value < 0 ? 0 : Value;
  FData.assign(static_cast<size_t>(FLength) * static_cast<size_t>(FStride), 0);
  FWrittenHigh = 0;
}

void TGVertexBuffer::SetStride(int32_t Value) {
  Changing();
  FStride = Value < 0 ? 0 : Value;
  FData.assign(static_cast<size_t>(FLength) * static_cast<size_t>(FStride), 0);
  FWrittenHigh = 0;
}

void TGVertexBuffer::SetFormat(uint32_t Value) {
  Changing();
  FFormat = Value;
  SetStride(VertexSize(Value));
}

void TGVertexBuffer::SetIsSysMem(bool Value) {
  Changing();
  FIsSysMem = Value;
}

void* TGVertexBuffer::Lock(int32_t Count, TGLockMode Mode) {
  if (FLocked)
    throw Error("Vertex buffer is already locked");
  if (Mode != lmWriteOnly && !FIsSysMem)
    throw Error("Vertex buffer invalid access mode");
  if (Count == 0)
    Count = FLength;
  if (Count < 0 || Count > FLength)
    D3DAssert(D3DERR_INVALIDCALL); // beyond the end of the buffer
  FLocked = true;
  FLockDesc.LockMode = Mode;
  FLockDesc.Size = Count * FStride;
  FLockDesc.Data = FData.data();
  return FLockDesc.Data;
}

void TGVertexBuffer::Unlock() {
  if (!FLocked)
    throw Error();
  FLocked = false;
  if (!FIsSysMem && FLockDesc.LockMode != lmReadOnly)
    UploadLocked(FD3DVertexBuffer, FGeneration, GL_ARRAY_BUFFER, FData, FUploadAll, FLockDesc.Size,
                 FWrittenHigh, FDiscardOnLock);
}

uint32_t TGVertexBuffer::GetD3DVertexBuffer() {
  if (FIsSysMem)
    return 0;
  return EnsureBufferObject(FD3DVertexBuffer, FGeneration, GL_ARRAY_BUFFER, FData, FUploadAll);
}

void TGVertexBuffer::InvalidateDeviceObjects(TGObject* Sender) {
  (void)Sender;
  ReleaseBuffer(); // the bytes stay; the buffer object is filled again on next use
}

// Index buffer -----------------------------------------------------------------------------------

TGIndexBuffer::TGIndexBuffer(TGObject* AOwner)
    : TGObject(AOwner) {
  SubscribeToDevice(this, [](TGObject* Self) {
    Subscribe(
        TGNotification(GD, &TGGraphicsDevice::NotifyInvalidateDeviceObjects),
        TGNotifyEvent(static_cast<TGIndexBuffer*>(Self), &TGIndexBuffer::InvalidateDeviceObjects));
  });
}

TGIndexBuffer* TGIndexBuffer::CreateEx(TGObject* AOwner, int32_t ALength) {
  auto* Buffer = new TGIndexBuffer(AOwner);
  Buffer->SetLength(ALength);
  return Buffer;
}

void TGIndexBuffer::Destroy() {
  if (GD)
    GD->ForgetObject(this);
  ReleaseBuffer();
  inherited::Destroy();
}

void TGIndexBuffer::Changing() {
  if (FLocked)
    throw Error();
  ReleaseBuffer();
}

void TGIndexBuffer::ReleaseBuffer() {
  DeleteBufferObject(FD3DIndexBuffer, FGeneration);
  FUploadAll = true;
}

void TGIndexBuffer::SetLength(int32_t Value) {
  Changing();
  FLength = Value < 0 ? 0 : Value;
  FData.assign(static_cast<size_t>(FLength) * 2, 0);
  FWrittenHigh = 0;
}

void TGIndexBuffer::SetIsSysMem(bool Value) {
  Changing();
  FIsSysMem = Value;
}

uint16_t* TGIndexBuffer::Lock(int32_t Count, TGLockMode Mode) {
  if (FLocked)
    throw Error("Index buffer is already locked");
  if (Mode != lmWriteOnly && !FIsSysMem)
    throw Error("Index buffer invalid access mode");
  if (Count == 0)
    Count = FLength;
  if (Count < 0 || Count > FLength)
    D3DAssert(D3DERR_INVALIDCALL);
  FLocked = true;
  FLockDesc.LockMode = Mode;
  FLockDesc.Size = Count * 2;
  FLockDesc.Data = FData.data();
  return reinterpret_cast<uint16_t*>(FLockDesc.Data);
}

void TGIndexBuffer::Unlock() {
  if (!FLocked)
    throw Error();
  FLocked = false;
  if (!FIsSysMem && FLockDesc.LockMode != lmReadOnly)
    UploadLocked(FD3DIndexBuffer, FGeneration, GL_ELEMENT_ARRAY_BUFFER, FData, FUploadAll,
                 FLockDesc.Size, FWrittenHigh);
}

uint32_t TGIndexBuffer::GetD3DIndexBuffer() {
  if (FIsSysMem)
    return 0;
  return EnsureBufferObject(FD3DIndexBuffer, FGeneration, GL_ELEMENT_ARRAY_BUFFER, FData,
                            FUploadAll);
}

void TGIndexBuffer::InvalidateDeviceObjects(TGObject* Sender) {
  (void)Sender;
  ReleaseBuffer();
}
