// Part files: one logical byte space spread over one or more physical files (on disk or in
// memory), each starting with a 280-byte part header; the first may follow a stub.
#pragma once

#include "sfs/USFSCommon.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <sys/uio.h>

class TGFileStream;
class TMappedRegion;

// One physical file.
class TSFSAbstractFile {
public:
  virtual ~TSFSAbstractFile() = default;
  // Reads up to Count bytes at Pos; returns the bytes read.
  virtual int64_t Read(int64_t Pos, void* Buffer, int64_t Count) = 0;
  virtual int64_t Write(int64_t Pos, const void* Buffer, int64_t Count) = 0;
  virtual int64_t Size() = 0;
  virtual void SetSize(int64_t NewSize) = 0;
  // Reads the bytes at Pos scattered over the Count pieces, in order; returns the bytes read
  // (short at the end). Reads piece by piece unless a file can do better.
  virtual int64_t ReadScatter(int64_t Pos, const iovec* Pieces, size_t Count);
  // Writes the pieces, in order, as consecutive bytes at Pos; returns the bytes written.
  virtual int64_t WriteScatter(int64_t Pos, const iovec* Pieces, size_t Count);
  // The Count bytes at Pos in memory, read-only, when the file's bytes can be reached there (a
  // disk file opened only for reading is mapped; a memory file is memory); null otherwise. Valid
  // until the next write or size change. Touch them only inside RunGuardedAgainstBusErrors.
  virtual const uint8_t* Mapped(int64_t Pos, int64_t Count) {
    (void)Pos;
    (void)Count;
    return nullptr;
  }

  // Exact transfers raising "TSFSAbstractFile.ReadBuffer - Stream read error" and
  // "TSFSAbstractFile.WriteBuffer - Stream write error".
  void ReadBuffer(int64_t Pos, void* Buffer, int64_t Count);
  void WriteBuffer(int64_t Pos, const void* Buffer, int64_t Count);
};

class TSFSDiskFile : public TSFSAbstractFile {
public:
  TSFSDiskFile(const std::string& FileName, uint16_t Mode);
  ~TSFSDiskFile() override;
  int64_t Read(int64_t Pos, void* Buffer, int64_t Count) override;
  int64_t Write(int64_t Pos, const void* Buffer, int64_t Count) override;
  int64_t Size() override;
  void SetSize(int64_t NewSize) override;
  // One positioned vectored transfer per call where the system allows.
  int64_t ReadScatter(int64_t Pos, const iovec* Pieces, size_t Count) override;
  int64_t WriteScatter(int64_t Pos, const iovec* Pieces, size_t Count) override;
  const uint8_t* Mapped(int64_t Pos, int64_t Count) override;

private:
  std::unique_ptr<TGFileStream> FStream;
  std::unique_ptr<TMappedRegion> FMapping; // files open for reading only
  // A second descriptor of the same file for positioned transfers, open for reading and, when
  // the file is, for writing (-1 when it could not be opened: everything goes through FStream).
  int FIoHandle = -1;
  bool FIoWritable = false;
};

class TSFSMemoryFile : public TSFSAbstractFile {
public:
  TSFSMemoryFile() = default;
  explicit TSFSMemoryFile(std::string AData)
      : FData(std::move(AData)) {}
  int64_t Read(int64_t Pos, void* Buffer, int64_t Count) override;
  int64_t Write(int64_t Pos, const void* Buffer, int64_t Count) override;
  int64_t Size() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t NewSize) override;
  const uint8_t* Mapped(int64_t Pos, int64_t Count) override;
  const std::string& Data() const { return FData; }

private:
  std::string FData;
};

// The logical space over the part files.
class TSFSHugeFile {
public:
  TSFSHugeFile() = default;
  ~TSFSHugeFile();
  TSFSHugeFile(const TSFSHugeFile&) = delete;
  TSFSHugeFile& operator=(const TSFSHugeFile&) = delete;

  // Opens an existing archive file and the part files that follow it.
  void Open(const std::string& FileName, uint16_t Mode);
  // Creates a new first part; PartitionSize -1 chooses the largest size the volume allows.
  void Create(const std::string& FileName, int64_t PartitionSize);
  // An archive held in memory only: a new one, or one read from Image (one part, any stub).
  void CreateInMemory(const std::string& FileName);
  void OpenImage(const std::string& FileName, std::string Image);

  bool IsOpen() const { return !FParts.empty(); }
  // Reads up to Count bytes at logical Pos; returns the bytes read (short at the end).
  int64_t Read(int64_t Pos, void* Buffer, int64_t Count);
  // Exact transfers: "TSFSHugeFile.ReadBuffer - Stream read error", "...WriteBuffer - ...".
  void ReadBuffer(int64_t Pos, void* Buffer, int64_t Count);
  void WriteBuffer(int64_t Pos, const void* Buffer, int64_t Count);
  // Reads the bytes at logical Pos scattered over Count pieces; returns the bytes read. A range
  // within one part file is read with one call.
  int64_t ReadScatter(int64_t Pos, const iovec* Pieces, size_t Count);
  // The Count bytes at logical Pos in a read-only mapping, or null (not mapped, or across a part
  // boundary). Touch them only inside RunGuardedAgainstBusErrors.
  const uint8_t* Mapped(int64_t Pos, int64_t Count);
  // Writes the pieces as consecutive bytes at logical Pos, like WriteBuffer.
  void WriteScatter(int64_t Pos, const iovec* Pieces, size_t Count);
  int64_t Size();
  // Grows (adding part files) or cuts (deleting the part files past the end) the space.
  void SetSize(int64_t NewSize);

  int64_t StubSize() const { return FStubSize; }
  int64_t PartitionSize() const { return FPartitionSize; }
  int PartCount() const { return static_cast<int>(FParts.size()); }
  const std::string& PartName(int I) const { return FParts[size_t(I)].Name; }
  // The image of the first part of an in-memory archive.
  const std::string* MemoryImage() const;

  // The partition size used when none is given.
  static int64_t AutomaticPartitionSize(const std::string& FileName);

private:
  struct TPart {
    std::unique_ptr<TSFSAbstractFile> File;
    std::string Name; // full path
    std::string NextName;
  };

  int64_t DataPerPart() const { return FPartitionSize - HFPHeaderSize; }
  // Physical offset of the first logical byte of part I, and logical start of part I.
  int64_t HeaderStart(size_t I) const { return I == 0 ? FStubSize : 0; }
  int64_t LogicalStart(size_t I) const;
  int64_t PartCapacity(size_t I) const;
  void WritePartHeader(size_t I);
  void AddPart();
  std::string NewPartName(size_t I) const;
  void FindStub(TSFSAbstractFile& File, const std::string& Name);
  void ReadChain(uint16_t Mode);

  std::vector<TPart> FParts;
  std::string FFolder;
  int64_t FPartitionSize = 0;
  int64_t FStubSize = 0;
  bool FInMemory = false;
  std::string FFirstNextName;
};
