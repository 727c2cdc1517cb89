// Vertex and index buffers of the graphics device. Each keeps its bytes in memory: a lock hands
// out that memory, and the unlock copies what was written into the OpenGL buffer object. A buffer
// in system memory has no buffer object; OpenGL reads its memory directly when drawing.
#pragma once

#include "graphics/UGGraphicsDevice.h"

#include <cstdint>
#include <vector>

// Advances whenever any buffer's OpenGL object or memory is made, moved or released, so that the
// device knows its vertex pointers must be set again.
extern uint64_t BufferLayoutVersion;

class TGVertexBuffer : public TGObject {
  G_CLASS(TGVertexBuffer, TGObject)
  explicit TGVertexBuffer(TGObject* AOwner = nullptr);
  TGVertexBuffer(TGObject* AOwner, uint32_t AFormat, int32_t ALength, int32_t AStride);

  int32_t Length() const { return FLength; }
  void SetLength(int32_t Value);
  int32_t Stride() const { return FStride; }
  void SetStride(int32_t Value);
  uint32_t Format() const { return FFormat; }
  // Also sets Stride to the format's vertex size.
  void SetFormat(uint32_t Value);
  bool IsSysMem() const { return FIsSysMem; }
  void SetIsSysMem(bool Value);
  bool Locked() const { return FLocked; }
  const TGBufferLockDesc& LockDesc() const { return FLockDesc; }
  // When set, each write lock replaces the buffer's content: the buffer object gets new storage
  // holding only the vertices of the last lock, and a draw may read no further. For buffers
  // filled anew before each draw, which then copy no more than they wrote.
  bool DiscardOnLock() const { return FDiscardOnLock; }
  void SetDiscardOnLock(bool Value) { FDiscardOnLock = Value; }

  // The first Count vertices (all for 0). Reading needs a buffer in system memory.
  void* Lock(int32_t Count, TGLockMode Mode);
  void Unlock();
  // The OpenGL buffer object, created (and filled) on demand; 0 in system memory.
  uint32_t GetD3DVertexBuffer();
  // Where OpenGL reads the vertices: the memory of a system-memory buffer, else none.
  const uint8_t* ClientData() const { return FIsSysMem ? FData.data() : nullptr; }
  void InvalidateDeviceObjects(TGObject* Sender);

protected:
  void Destroy() override;

private:
  void Changing();
  void ReleaseBuffer();

  int32_t FLength = 0;
  int32_t FStride = 0;
  uint32_t FFormat = 0;
  bool FLocked = false;
  bool FIsSysMem = false;
  bool FDiscardOnLock = false;
  TGBufferLockDesc FLockDesc;
  uint32_t FD3DVertexBuffer = 0;
  uint64_t FGeneration = 0;
  bool FUploadAll = true;   // the buffer object misses more than the last lock wrote
  int32_t FWrittenHigh = 0; // bytes from the start that some lock has written
  std::vector<uint8_t> FData;
};

class TGIndexBuffer : public TGObject {
  G_CLASS(TGIndexBuffer, TGObject)
  explicit TGIndexBuffer(TGObject* AOwner = nullptr);
  static TGIndexBuffer* CreateEx(TGObject* AOwner, int32_t ALength);

  // In 16-bit indices.
  int32_t Length() const { return FLength; }
  void SetLength(int32_t Value);
  bool IsSysMem() const { return FIsSysMem; }
  void SetIsSysMem(bool Value);
  bool Locked() const { return FLocked; }

  uint16_t* Lock(int32_t Count, TGLockMode Mode);
  void Unlock();
  uint32_t GetD3DIndexBuffer();
  const uint8_t* ClientData() const { return FIsSysMem ? FData.data() : nullptr; }
  void InvalidateDeviceObjects(TGObject* Sender);

protected:
  void Destroy() override;

private:
  void Changing();
  void ReleaseBuffer();

  int32_t FLength = 0;
  bool FLocked = false;
  bool FIsSysMem = false;
  TGBufferLockDesc FLockDesc;
  uint32_t FD3DIndexBuffer = 0;
  uint64_t FGeneration = 0;
  bool FUploadAll = true;
  int32_t FWrittenHigh = 0;
  std::vector<uint8_t> FData;
};
