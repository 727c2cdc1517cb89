#include "sfs/USFSAdvancedFileStream.h"

#include "base/UGError.h"
#include "sfs/UPPMd.h"
#include "sfs/USFSTransforms.h"
#include "sfs/USFSUserFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <algorithm>

TSFSAdvancedFileStream::TSFSAdvancedFileStream(TSingleFileSystem* SFS, const std::string& FileName,
                                               uint16_t Mode, const std::string& Password,
                                               const std::string& Question,
                                               const std::string& Answer, int compressLevel)
    : FSFS(SFS)
    , FFileName(FileName) {
  if (SFS == nullptr) {
    throw Error("TSFSAdvancedFileStream.Create - SingleFileSystem = nil.");
  }
  try {
    FStream = std::make_unique<TSFSUserFileStream>(SFS, FileName, Mode, Password, Question, Answer);
  } catch (const EGException& E) {
    throw Error("TSFSAdvancedFileStream.Create - error creating user file stream, fileName = "
                "\"%s\". %s",
                FileName, E.Text());
  }
  FWritable = !SFS->ReadOnly() && (Mode == fmCreate || (Mode & 0x0003) != fmOpenRead);
  if (Mode == fmCreate) {
    CreateNew(compressLevel);
  } else {
    OpenExisting();
  }
}

TSFSAdvancedFileStream::~TSFSAdvancedFileStream() {
  try {
    Flush();
  } catch (const std::exception&) {
    // Nothing can be reported from here; Flush raises for callers that care.
  }
}

void TSFSAdvancedFileStream::Invalid(const std::string& Reason) {
  throw Error("Invalid compressed stream \"%s\" in archive \"%s\": %s.", FFileName,
              FSFS->FileName(), Reason);
}

void TSFSAdvancedFileStream::CreateNew(int Level) {
  if (Level == sfsNone) {
    Level = FSFS->GetCompressionLevel();
  }
  if (Level < 0 || Level > bzipMax) {
    throw Error("TSFSAdvancedFileStream.Create - invalid compression level %d", Level);
  }
  FLevel = Level;
  if (Level == sfsNone) {
    FRaw = true;
    return;
  }
  StartHeader(Level);
  SaveHeader();
  FStream->SetSize(SFSFileStreamHeaderSize);
}

void TSFSAdvancedFileStream::StartHeader(int Level) {
  FRaw = false;
  FLevel = Level;
  FBlockSize = uint32_t(SFSInternalGetBlockSize(Level));
  FCustomHeaderSize = 0;
  std::memset(FHeader, 0, sizeof(FHeader));
  std::memcpy(FHeader, SFSStreamSignature, 4);
  PutF32(FHeader + 16, SFSCompressCurrentVersion);
  FHeader[20] = uint8_t(Level);
}

void TSFSAdvancedFileStream::SaveHeader() {
  if (FRaw) {
    return;
  }
  if (!FWritable) {
    throw Error("TSFSAdvancedFileStream.Create - error writing to data stream. May be data "
                "stream in read only mode.");
  }
  PutU32(FHeader + 4, FBlockSize);
  PutU32(FHeader + 12, uint32_t(FBlocks.size()));
  FStream->Seek(0, soBeginning);
  FStream->WriteBuffer(FHeader, SFSFileStreamHeaderSize);
}

void TSFSAdvancedFileStream::OpenExisting() {
  const int64_t Stored = FStream->GetSize();
  FRaw = true;
  if (Stored < SFSFileStreamHeaderSize) {
    return;
  }
  FStream->Seek(0, soBeginning);
  FStream->ReadBuffer(FHeader, SFSFileStreamHeaderSize);
  if (std::memcmp(FHeader, SFSStreamSignature, 4) != 0) {
    FStream->Seek(0, soBeginning);
    return;
  }
  FRaw = false;
  FBlockSize = GetU32(FHeader + 4);
  const uint32_t NumBlocks = GetU32(FHeader + 12);
  FLevel = FHeader[20];
  FCustomHeaderSize = GetU32(FHeader + 23);
  if (FBlockSize < 1 || FBlockSize > MaxStreamBlockSize) {
    Invalid(Format("block size %u is out of range", {FBlockSize}));
  }
  if (FLevel > bzipMax) {
    Invalid(Format("unknown compression level %d", {FLevel}));
  }
  if (FCustomHeaderSize > Stored - SFSFileStreamHeaderSize) {
    Invalid("the custom header runs past the end of the file");
  }
  if (int64_t(NumBlocks) > (Stored - FirstBlockOffset()) / SFSCompressedHeaderSize) {
    Invalid(Format("block count %u is impossible for the file size", {NumBlocks}));
  }
  int64_t Pos = FirstBlockOffset();
  uint8_t BH[SFSCompressedHeaderSize];
  bool Cut = false;
  for (uint32_t I = 0; I < NumBlocks; ++I) {
    if (Pos > Stored || Pos < FirstBlockOffset()) {
      Invalid(Format("block %u lies outside the file", {I}));
    }
    if (Stored - Pos < SFSCompressedHeaderSize) {
      // The chain ends at the end of the file before the header's count of blocks.
      Cut = true;
      break;
    }
    FStream->Seek(Pos, soBeginning);
    FStream->ReadBuffer(BH, SFSCompressedHeaderSize);
    TBlock B;
    B.Offset = Pos;
    B.PackedSize = GetU32(BH);
    B.TrueSize = GetU32(BH + 4);
    B.Crc = GetU32(BH + 8);
    if (int64_t(B.PackedSize) > Stored - Pos - SFSCompressedHeaderSize) {
      Invalid(Format("block %u runs past the end of the file", {I}));
    }
    if (B.TrueSize < 1 || B.TrueSize > FBlockSize) {
      Invalid(Format("block %u has an invalid size %u", {I, B.TrueSize}));
    }
    FBlocks.push_back(B);
    Pos = GetU32(BH + 12);
  }
  for (size_t I = 0; I + 1 < FBlocks.size(); ++I) {
    if (FBlocks[I].TrueSize != FBlockSize) {
      Invalid(Format("block %d is not full", {int(I)}));
    }
  }
  std::vector<TBlock> Sorted = FBlocks;
  std::sort(Sorted.begin(), Sorted.end(),
            [](const TBlock& A, const TBlock& B) { return A.Offset < B.Offset; });
  for (size_t I = 0; I + 1 < Sorted.size(); ++I) {
    if (Sorted[I].Offset + SFSCompressedHeaderSize + Sorted[I].PackedSize > Sorted[I + 1].Offset) {
      Invalid("blocks overlap");
    }
  }
  FSize = 0;
  for (const TBlock& B : FBlocks) {
    FSize += B.TrueSize;
  }
  if (Cut) {
    // Reading only, the content's end is unknown: the blocks found are not the whole of it.
    if (!FWritable) {
      Invalid(Format("its header gives %u blocks, but the chain of blocks ends after %d",
                     {NumBlocks, int(FBlocks.size())}));
    }
    // Opened for writing, it is taken for a torn write at the end: the complete blocks stay.
    FStream->SetSize(BlocksEnd());
    SaveHeader();
  }
}

int64_t TSFSAdvancedFileStream::BlocksEnd() const {
  int64_t End = FirstBlockOffset();
  for (const TBlock& B : FBlocks) {
    End = std::max(End, B.Offset + SFSCompressedHeaderSize + B.PackedSize);
  }
  return End;
}

int64_t TSFSAdvancedFileStream::PackedSize() {
  return FStream->GetSize();
}

int64_t TSFSAdvancedFileStream::GetSize() {
  return FRaw ? FStream->GetSize() : FSize;
}

int64_t TSFSAdvancedFileStream::Seek(int64_t Offset, TGSeekOrigin Origin) {
  if (FRaw) {
    return FStream->Seek(Offset, Origin);
  }
  int64_t Base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : FSize;
  if (Base + Offset < 0) {
    throw EStreamError(Format("Invalid stream position in \"%s\" of archive \"%s\"",
                              {FFileName, FSFS->FileName()}));
  }
  FPosition = Base + Offset;
  return FPosition;
}

void TSFSAdvancedFileStream::DecodeBlock(int64_t Index, uint8_t* Out) {
  const TBlock& B = FBlocks[size_t(Index)];
  FPacked.resize(B.PackedSize);
  FStream->Seek(B.Offset + SFSCompressedHeaderSize, soBeginning);
  FStream->ReadBuffer(FPacked.data(), B.PackedSize);
  if (FLevel == ppmFastest || FLevel == ppmNormal || FLevel == ppmMax) {
    // The block's header word sets the size of the model memory: refuse absurd ones before
    // anything is allocated.
    const int MB = TPPMdCoder::BlockMemoryMB(FPacked.data(), FPacked.size());
    if (MB > TPPMdCoder::DefaultDecodeMemoryLimitMB) {
      Invalid(Format("block %d asks for %d MB of PPMd model memory, more than the %d MB allowed",
                     {int(Index), MB, TPPMdCoder::DefaultDecodeMemoryLimitMB}));
    }
  }
  size_t Produced = 0;
  if (!SFSInternalDecompressInto(FPacked.data(), FPacked.size(), Out, B.TrueSize, Produced,
                                 FLevel)) {
    throw Error("TSFSAdvancedFileStream.LoadBlock - decompression error.");
  }
  if (Produced != B.TrueSize) {
    throw Error("TSFSAdvancedFileStream.LoadBlock - decompression error, invalid size.");
  }
  if (CRC16ARC(Out, Produced) != (B.Crc & 0xFFFF)) {
    throw Error("TSFSAdvancedFileStream.LoadBlock - decompression crc error.");
  }
}

void TSFSAdvancedFileStream::LoadBlock(int64_t Index) {
  if (FLoaded == Index) {
    return;
  }
  Flush();
  FLoaded = -1;
  // Resizing keeps the buffer's memory; only newly grown room is cleared.
  FBuffer.resize(FBlocks[size_t(Index)].TrueSize);
  try {
    DecodeBlock(Index, FBuffer.data());
  } catch (...) {
    FBuffer.clear();
    throw;
  }
  FLoaded = Index;
}

int64_t TSFSAdvancedFileStream::Read(void* Buffer, int64_t Count) {
  if (FRaw) {
    return FStream->Read(Buffer, Count);
  }
  uint8_t* Out = static_cast<uint8_t*>(Buffer);
  int64_t Done = 0;
  while (Done < Count && FPosition < FSize) {
    const int64_t Index = FPosition / FBlockSize;
    const int64_t Off = FPosition % FBlockSize;
    if (Off == 0 && FLoaded != Index && size_t(Index) < FBlocks.size() &&
        Count - Done >= int64_t(FBlocks[size_t(Index)].TrueSize)) {
      // A whole block wanted: decode it straight into the caller's buffer.
      Flush();
      const int64_t N = FBlocks[size_t(Index)].TrueSize;
      DecodeBlock(Index, Out + Done);
      Done += N;
      FPosition += N;
      continue;
    }
    LoadBlock(Index);
    const int64_t N = std::min<int64_t>(Count - Done, int64_t(FBuffer.size()) - Off);
    if (N <= 0) {
      // Never short data as if it were the end.
      throw EReadError(Format("Compressed stream \"%s\" of archive \"%s\" ends at byte %d of %d",
                              {FFileName, FSFS->FileName(), FPosition, FSize}));
    }
    std::memcpy(Out + Done, FBuffer.data() + Off, size_t(N));
    Done += N;
    FPosition += N;
  }
  return Done;
}

void TSFSAdvancedFileStream::WriteBlockHeader(int64_t Index) {
  const TBlock& B = FBlocks[size_t(Index)];
  uint8_t BH[SFSCompressedHeaderSize];
  PutU32(BH, B.PackedSize);
  PutU32(BH + 4, B.TrueSize);
  PutU32(BH + 8, B.Crc);
  const int64_t Next = size_t(Index + 1) < FBlocks.size()
                           ? FBlocks[size_t(Index + 1)].Offset
                           : B.Offset + SFSCompressedHeaderSize + B.PackedSize;
  PutU32(BH + 12, uint32_t(Next));
  FStream->Seek(B.Offset, soBeginning);
  FStream->WriteBuffer(BH, SFSCompressedHeaderSize);
}

// Moves block Index (header and data) to NewOffset and relinks its predecessor.
void TSFSAdvancedFileStream::MoveBlock(int64_t Index, int64_t NewOffset) {
  TBlock& B = FBlocks[size_t(Index)];
  std::vector<uint8_t> Data(SFSCompressedHeaderSize + size_t(B.PackedSize));
  FStream->Seek(B.Offset, soBeginning);
  FStream->ReadBuffer(Data.data(), int64_t(Data.size()));
  FStream->Seek(NewOffset, soBeginning);
  FStream->WriteBuffer(Data.data(), int64_t(Data.size()));
  B.Offset = NewOffset;
  if (Index > 0) {
    WriteBlockHeader(Index - 1);
  }
}

void TSFSAdvancedFileStream::StoreBlock(int64_t Index, const std::vector<uint8_t>& Packed,
                                        uint32_t TrueSize, uint32_t Crc) {
  const int64_t Need = SFSCompressedHeaderSize + int64_t(Packed.size());
  if (Need > UINT32_MAX) {
    throw Error("TSFSAdvancedFileStream.PrepareBufferForWriting - compression error in "
                "PrepareBuffer.");
  }
  const int64_t Stored = FStream->GetSize();
  const bool IsNew = size_t(Index) == FBlocks.size();
  if (IsNew) {
    TBlock B;
    B.Offset = std::max(Stored, BlocksEnd());
    FBlocks.push_back(B);
  } else {
    TBlock& B = FBlocks[size_t(Index)];
    const bool AtEnd = B.Offset + SFSCompressedHeaderSize + B.PackedSize >= Stored;
    if (!AtEnd && int64_t(Packed.size()) > int64_t(B.PackedSize)) {
      const int64_t End = B.Offset + Need;
      if (Index > 0) {
        B.Offset = std::max(Stored, BlocksEnd());
      } else {
        // The first block cannot move: the blocks in its way move to the end instead.
        for (size_t J = 1; J < FBlocks.size(); ++J) {
          if (FBlocks[J].Offset < End) {
            MoveBlock(int64_t(J), std::max({FStream->GetSize(), BlocksEnd(), End}));
          }
        }
      }
    }
  }
  TBlock& B = FBlocks[size_t(Index)];
  const bool WasAtEnd = !IsNew && B.Offset + SFSCompressedHeaderSize + B.PackedSize >= Stored;
  B.PackedSize = uint32_t(Packed.size());
  B.TrueSize = TrueSize;
  B.Crc = Crc;
  if (B.Offset + Need > UINT32_MAX) {
    throw Error("TSFSAdvancedFileStream.SetSize - error extending file. NewSize = %d",
                B.Offset + Need);
  }
  WriteBlockHeader(Index);
  FStream->WriteBuffer(Packed.data(), int64_t(Packed.size()));
  if (Index > 0) {
    WriteBlockHeader(Index - 1);
  }
  if (WasAtEnd && FStream->GetSize() > BlocksEnd()) {
    FStream->SetSize(BlocksEnd());
  }
  if (IsNew) {
    SaveHeader();
  }
}

void TSFSAdvancedFileStream::Flush() {
  if (FRaw || !FDirty || FLoaded < 0) {
    return;
  }
  FDirty = false;
  std::vector<uint8_t> Packed;
  if (!SFSInternalCompressBuffer(FBuffer.data(), FBuffer.size(), Packed, FLevel)) {
    throw Error("TSFSAdvancedFileStream.PrepareBufferForWriting - compression error in "
                "PrepareBuffer.");
  }
  StoreBlock(FLoaded, Packed, uint32_t(FBuffer.size()), CRC16ARC(FBuffer.data(), FBuffer.size()));
}

int64_t TSFSAdvancedFileStream::Write(const void* Buffer, int64_t Count) {
  if (!FWritable) {
    throw Error("TSFSAdvancedFileStream.Create - error writing to data stream. May be data "
                "stream in read only mode.");
  }
  if (FRaw) {
    const int64_t Pos = FStream->Position();
    if (!RawWouldReadAsStream(Pos, static_cast<const uint8_t*>(Buffer), Count,
                              std::max(FStream->GetSize(), Pos + std::max<int64_t>(Count, 0)))) {
      return FStream->Write(Buffer, Count);
    }
    WrapRawContent();
  }
  if (Count <= 0) {
    return 0;
  }
  if (FPosition > FSize) {
    const int64_t Pos = FPosition;
    SetSize(Pos);
    FPosition = Pos;
  }
  const uint8_t* In = static_cast<const uint8_t*>(Buffer);
  int64_t Done = 0;
  while (Done < Count) {
    const int64_t Index = FPosition / FBlockSize;
    const int64_t Off = FPosition % FBlockSize;
    if (size_t(Index) < FBlocks.size()) {
      LoadBlock(Index);
    } else if (FLoaded != Index) {
      Flush();
      FBuffer.clear();
      FLoaded = Index;
    }
    const int64_t N = std::min<int64_t>(Count - Done, int64_t(FBlockSize) - Off);
    if (size_t(Off + N) > FBuffer.size()) {
      FBuffer.resize(size_t(Off + N));
    }
    std::memcpy(FBuffer.data() + Off, In + Done, size_t(N));
    FDirty = true;
    Done += N;
    FPosition += N;
    FSize = std::max(FSize, FPosition);
    if (FBuffer.size() == FBlockSize) {
      Flush();
    }
  }
  return Done;
}

void TSFSAdvancedFileStream::SetSize(int64_t NewSize) {
  if (FRaw) {
    if (!FWritable) {
      throw Error("TSFSAdvancedFileStream.Create - error writing to data stream. May be data "
                  "stream in read only mode.");
    }
    const int64_t Size = FStream->GetSize();
    if (!RawWouldReadAsStream(Size, nullptr, 0, NewSize)) {
      FStream->SetSize(NewSize);
      return;
    }
    WrapRawContent();
  }
  if (NewSize < 0 || !FWritable) {
    throw Error("TSFSAdvancedFileStream.SetSize - error extending file. NewSize = %d", NewSize);
  }
  const int64_t Pos = FPosition;
  if (NewSize > FSize) {
    std::vector<uint8_t> Zero(std::min<int64_t>(NewSize - FSize, FBlockSize), 0);
    FPosition = FSize;
    while (FPosition < NewSize) {
      Write(Zero.data(), std::min<int64_t>(NewSize - FPosition, int64_t(Zero.size())));
    }
    FPosition = std::min(Pos, NewSize);
    return;
  }
  if (NewSize == FSize) {
    return;
  }
  Flush();
  if (NewSize == 0) {
    FBlocks.clear();
    FLoaded = -1;
    FBuffer.clear();
  } else {
    const int64_t Last = (NewSize - 1) / FBlockSize;
    LoadBlock(Last);
    FBlocks.resize(size_t(Last + 1));
    FBuffer.resize(size_t(NewSize - Last * FBlockSize));
    FDirty = true;
    Flush();
  }
  FSize = NewSize;
  FStream->SetSize(BlocksEnd());
  SaveHeader();
  FPosition = std::min(Pos, NewSize);
}

bool TSFSAdvancedFileStream::RawWouldReadAsStream(int64_t Pos, const uint8_t* In, int64_t Count,
                                                  int64_t NewSize) {
  if (NewSize < SFSFileStreamHeaderSize) {
    return false;
  }
  const int64_t Size = FStream->GetSize();
  // Raw content of header size or more never begins with the signature (it would have opened as
  // a stream), so only new first bytes or growth to header size can make it do so.
  constexpr int64_t SignatureLength = 4;
  if (Size >= SFSFileStreamHeaderSize && Pos >= SignatureLength) {
    return false;
  }
  // The first bytes as they will be: the stored ones, zeros where the file grows, then In's.
  uint8_t Head[SignatureLength] = {};
  if (const int64_t Kept = std::min(Size, SignatureLength); Kept > 0) {
    const int64_t Saved = FStream->Position();
    FStream->Seek(0, soBeginning);
    FStream->ReadBuffer(Head, Kept);
    FStream->Seek(Saved, soBeginning);
  }
  for (int64_t I = std::max<int64_t>(Pos, 0); I < std::min(Pos + Count, SignatureLength); ++I) {
    Head[I] = In[I - Pos];
  }
  return std::memcmp(Head, SFSStreamSignature, SignatureLength) == 0;
}

void TSFSAdvancedFileStream::WrapRawContent() {
  const int64_t Size = FStream->GetSize();
  const int64_t Pos = FStream->Position();
  const int64_t Block = SFSInternalGetBlockSize(sfsNone);
  const int64_t Count = (Size + Block - 1) / Block;
  if (SFSFileStreamHeaderSize + Count * SFSCompressedHeaderSize + Size > UINT32_MAX) {
    throw Error("TSFSAdvancedFileStream.SetSize - error extending file. NewSize = %d",
                SFSFileStreamHeaderSize + Count * SFSCompressedHeaderSize + Size);
  }
  // Each block moves towards the end by the headers before it, over bytes of its own and of the
  // blocks after it: moved from the last one back, none overwrites bytes still to be moved.
  FBlocks.assign(size_t(Count), TBlock());
  std::vector<uint8_t> Data;
  for (int64_t I = Count - 1; I >= 0; --I) {
    Data.resize(size_t(std::min(Block, Size - I * Block)));
    FStream->Seek(I * Block, soBeginning);
    FStream->ReadBuffer(Data.data(), int64_t(Data.size()));
    TBlock& B = FBlocks[size_t(I)];
    B.Offset = SFSFileStreamHeaderSize + I * (SFSCompressedHeaderSize + Block);
    B.PackedSize = B.TrueSize = uint32_t(Data.size());
    B.Crc = CRC16ARC(Data.data(), Data.size());
    WriteBlockHeader(I);
    FStream->WriteBuffer(Data.data(), int64_t(Data.size()));
  }
  StartHeader(sfsNone);
  SaveHeader();
  FSize = Size;
  FPosition = Pos;
  FLoaded = -1;
  FBuffer.clear();
  FDirty = false;
}
