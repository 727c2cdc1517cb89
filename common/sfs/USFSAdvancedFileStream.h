// The content of a stored file: raw bytes, or a block-compressed stream ("AACS" header, then
// blocks of at most BlockSize uncompressed bytes, each with a 16-byte block header).
#pragma once

#include "io/UGStream.h"
#include "sfs/USFSCommon.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TSingleFileSystem;
class TSFSUserFileStream;

class TSFSAdvancedFileStream : public TGStream {
public:
  // Opens (or with fmCreate creates) a stored file; compressLevel 0 on creation takes the
  // archive's default level, and level 0 stores the file raw, unless its content would begin
  // like a stream header: such content is kept in a stream of stored (level 0) blocks instead.
  // Opening a stream whose chain of blocks ends before its header's count fails when reading
  // only; for writing, the complete blocks are kept and the header is set to their count.
  TSFSAdvancedFileStream(TSingleFileSystem* SFS, const std::string& FileName, uint16_t Mode,
                         const std::string& Password, const std::string& Question,
                         const std::string& Answer, int compressLevel);
  // Writes the pending block; errors are swallowed here, call Flush to see them.
  ~TSFSAdvancedFileStream() override;
  TSFSAdvancedFileStream(const TSFSAdvancedFileStream&) = delete;
  TSFSAdvancedFileStream& operator=(const TSFSAdvancedFileStream&) = delete;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TGSeekOrigin Origin) override;
  int64_t GetSize() override;
  void SetSize(int64_t NewSize) override;
  // Compresses and stores the block being written.
  void Flush();

  bool Compressed() const { return !FRaw; }
  int CompressionLevel() const { return FLevel; }
  uint32_t BlockSize() const { return FBlockSize; }
  int32_t NumBlocks() const { return int32_t(FBlocks.size()); }
  // Bytes of the stored file.
  int64_t PackedSize();
  TSFSUserFileStream& UserStream() { return *FStream; }

private:
  struct TBlock {
    int64_t Offset = 0; // of its block header in the stored file
    uint32_t PackedSize = 0;
    uint32_t TrueSize = 0;
    uint32_t Crc = 0;
  };

  [[noreturn]] void Invalid(const std::string& Reason);
  void OpenExisting();
  void CreateNew(int Level);
  // Fills FHeader for a new stream of Level and leaves raw mode.
  void StartHeader(int Level);
  // True when raw content that becomes NewSize bytes long, with Count bytes of In written at
  // Pos, would begin with the stream signature and so read back as a stream.
  bool RawWouldReadAsStream(int64_t Pos, const uint8_t* In, int64_t Count, int64_t NewSize);
  // Turns the raw content into a level 0 stream holding the same bytes, position kept.
  void WrapRawContent();
  void SaveHeader();
  void LoadBlock(int64_t Index);
  // Reads, decompresses and checks block Index into Out (room for its true size).
  void DecodeBlock(int64_t Index, uint8_t* Out);
  void StoreBlock(int64_t Index, const std::vector<uint8_t>& Packed, uint32_t TrueSize,
                  uint32_t Crc);
  void WriteBlockHeader(int64_t Index);
  void MoveBlock(int64_t Index, int64_t NewOffset);
  int64_t BlocksEnd() const;
  int64_t FirstBlockOffset() const { return SFSFileStreamHeaderSize + FCustomHeaderSize; }

  std::unique_ptr<TSFSUserFileStream> FStream;
  TSingleFileSystem* FSFS;
  std::string FFileName;
  bool FWritable = false;
  bool FRaw = true;
  int FLevel = sfsNone;
  uint32_t FBlockSize = DefaultMaxBlockSize;
  int64_t FCustomHeaderSize = 0;
  uint8_t FHeader[SFSFileStreamHeaderSize] = {};
  std::vector<TBlock> FBlocks;
  int64_t FSize = 0;
  int64_t FPosition = 0;
  int64_t FLoaded = -1;
  std::vector<uint8_t> FBuffer;
  std::vector<uint8_t> FPacked;
  bool FDirty = false;
};
