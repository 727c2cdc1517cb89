#include "sfs/USFSHugeFile.h"

#include "base/UGError.h"
#include "base/UGStrUtils.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "sfs/UMappedRegion.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int64_t StubScanChunk = 65535;

bool IsPlainPartName(const std::string& Name) {
  return !Name.empty() && Name != "." && Name != ".." &&
         Name.find_first_of("/\\:") == std::string::npos;
}

std::string PartFolderOf(const std::string& Path) {
  size_t P = Path.find_last_of('/');
  return P == std::string::npos ? std::string() : Path.substr(0, P + 1);
}

} // namespace

void TSFSAbstractFile::ReadBuffer(int64_t Pos, void* Buffer, int64_t Count) {
  if (Count > 0 && Read(Pos, Buffer, Count) != Count) {
    throw Error("TSFSAbstractFile.ReadBuffer - Stream read error");
  }
}

void TSFSAbstractFile::WriteBuffer(int64_t Pos, const void* Buffer, int64_t Count) {
  if (Count > 0 && Write(Pos, Buffer, Count) != Count) {
    throw Error("TSFSAbstractFile.WriteBuffer - Stream write error");
  }
}

int64_t TSFSAbstractFile::ReadScatter(int64_t Pos, const iovec* Pieces, size_t Count) {
  int64_t Done = 0;
  for (size_t I = 0; I < Count; ++I) {
    const int64_t Want = int64_t(Pieces[I].iov_len);
    const int64_t Got = Want > 0 ? Read(Pos + Done, Pieces[I].iov_base, Want) : 0;
    Done += Got;
    if (Got < Want) {
      break;
    }
  }
  return Done;
}

int64_t TSFSAbstractFile::WriteScatter(int64_t Pos, const iovec* Pieces, size_t Count) {
  int64_t Done = 0;
  for (size_t I = 0; I < Count; ++I) {
    const int64_t Want = int64_t(Pieces[I].iov_len);
    const int64_t Put = Want > 0 ? Write(Pos + Done, Pieces[I].iov_base, Want) : 0;
    Done += Put;
    if (Put < Want) {
      break;
    }
  }
  return Done;
}

namespace {

// Runs a positioned vectored transfer (preadv or pwritev) over all the pieces: the call may stop
// early (a signal, the end of the file, more pieces than one call takes), so it goes on from
// where it stopped until everything moved or nothing more does. Returns the bytes moved.
template <typename TVector, typename TSingle>
int64_t TransferAll(int64_t Pos, const iovec* Pieces, size_t Count, TVector Vector,
                    TSingle Single) {
  const iovec* Cur = Pieces;
  size_t Left = Count;
  int64_t Done = 0;
  while (Left > 0) {
    const ssize_t Got = Vector(Cur, int(std::min<size_t>(Left, IOV_MAX)), Pos + Done);
    if (Got < 0 && errno == EINTR) {
      continue;
    }
    if (Got <= 0) {
      break;
    }
    Done += Got;
    size_t Used = size_t(Got);
    size_t Skip = 0;
    while (Skip < Left && Used >= Cur[Skip].iov_len) {
      Used -= Cur[Skip].iov_len;
      ++Skip;
    }
    if (Used > 0) {
      // Finish the piece the call stopped in.
      char* Rest = static_cast<char*>(Cur[Skip].iov_base) + Used;
      const size_t Want = Cur[Skip].iov_len - Used;
      size_t Moved = 0;
      while (Moved < Want) {
        const ssize_t R = Single(Rest + Moved, Want - Moved, Pos + Done);
        if (R < 0 && errno == EINTR) {
          continue;
        }
        if (R <= 0) {
          return Done;
        }
        Moved += size_t(R);
        Done += R;
      }
      ++Skip;
    }
    Cur += Skip;
    Left -= Skip;
  }
  return Done;
}

} // namespace

TSFSDiskFile::TSFSDiskFile(const std::string& FileName, uint16_t Mode)
    : FStream(std::make_unique<TGFileStream>(FileName, Mode)) {
  FIoWritable = Mode == fmCreate || (Mode & 0x0003) != fmOpenRead;
  FIoHandle = ::open(FileName.c_str(), (FIoWritable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (FIoHandle < 0 && FIoWritable) {
    FIoWritable = false;
    FIoHandle = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
  }
  // A file only read is mapped: its pages are checked and copied straight from the system's
  // cache instead of being copied into the process first.
  if (FIoHandle >= 0 && Mode != fmCreate && (Mode & 0x0003) == fmOpenRead) {
    struct stat Info;
    if (::fstat(FIoHandle, &Info) == 0 && S_ISREG(Info.st_mode)) {
      FMapping = std::make_unique<TMappedRegion>(FIoHandle, int64_t(Info.st_size));
    }
  }
}

const uint8_t* TSFSDiskFile::Mapped(int64_t Pos, int64_t Count) {
  return FMapping ? FMapping->At(Pos, Count) : nullptr;
}

TSFSDiskFile::~TSFSDiskFile() {
  FMapping.reset();
  if (FIoHandle >= 0) {
    ::close(FIoHandle);
  }
}

int64_t TSFSDiskFile::Read(int64_t Pos, void* Buffer, int64_t Count) {
  if (Pos < 0 || Count <= 0) {
    return 0;
  }
  if (FIoHandle < 0) {
    FStream->Seek(Pos, soBeginning);
    return FStream->Read(Buffer, Count);
  }
  iovec Piece{Buffer, size_t(Count)};
  return ReadScatter(Pos, &Piece, 1);
}

int64_t TSFSDiskFile::ReadScatter(int64_t Pos, const iovec* Pieces, size_t Count) {
  if (FIoHandle < 0) {
    return TSFSAbstractFile::ReadScatter(Pos, Pieces, Count);
  }
  if (Pos < 0) {
    return 0;
  }
  const int Fd = FIoHandle;
  return TransferAll(
      Pos, Pieces, Count,
      [Fd](const iovec* V, int N, int64_t At) { return ::preadv(Fd, V, N, At); },
      [Fd](char* B, size_t N, int64_t At) { return ::pread(Fd, B, N, At); });
}

int64_t TSFSDiskFile::WriteScatter(int64_t Pos, const iovec* Pieces, size_t Count) {
  if (FIoHandle < 0 || !FIoWritable) {
    return TSFSAbstractFile::WriteScatter(Pos, Pieces, Count);
  }
  if (Pos < 0) {
    return 0;
  }
  const int Fd = FIoHandle;
  return TransferAll(
      Pos, Pieces, Count,
      [Fd](const iovec* V, int N, int64_t At) { return ::pwritev(Fd, V, N, At); },
      [Fd](char* B, size_t N, int64_t At) { return ::pwrite(Fd, B, N, At); });
}

int64_t TSFSDiskFile::Write(int64_t Pos, const void* Buffer, int64_t Count) {
  if (Pos < 0 || Count <= 0) {
    return 0;
  }
  FStream->Seek(Pos, soBeginning);
  return FStream->Write(Buffer, Count);
}

int64_t TSFSDiskFile::Size() {
  return FStream->GetSize();
}

void TSFSDiskFile::SetSize(int64_t NewSize) {
  FStream->SetSize(NewSize);
}

int64_t TSFSMemoryFile::Read(int64_t Pos, void* Buffer, int64_t Count) {
  int64_t Size = static_cast<int64_t>(FData.size());
  if (Pos < 0 || Count <= 0 || Pos >= Size) {
    return 0;
  }
  int64_t N = std::min(Count, Size - Pos);
  std::memcpy(Buffer, FData.data() + Pos, static_cast<size_t>(N));
  return N;
}

const uint8_t* TSFSMemoryFile::Mapped(int64_t Pos, int64_t Count) {
  const int64_t Size = static_cast<int64_t>(FData.size());
  if (Pos < 0 || Count < 0 || Pos > Size || Count > Size - Pos) {
    return nullptr;
  }
  return reinterpret_cast<const uint8_t*>(FData.data()) + Pos;
}

int64_t TSFSMemoryFile::Write(int64_t Pos, const void* Buffer, int64_t Count) {
  if (Pos < 0 || Count <= 0) {
    return 0;
  }
  if (static_cast<uint64_t>(Pos + Count) > FData.size()) {
    FData.resize(static_cast<size_t>(Pos + Count));
  }
  std::memcpy(FData.data() + Pos, Buffer, static_cast<size_t>(Count));
  return Count;
}

void TSFSMemoryFile::SetSize(int64_t NewSize) {
  FData.resize(static_cast<size_t>(NewSize));
}

TSFSHugeFile::~TSFSHugeFile() = default;

int64_t TSFSHugeFile::AutomaticPartitionSize(const std::string& FileName) {
  std::string Folder = PartFolderOf(FileName);
  long Bits = ::pathconf(Folder.empty() ? "." : Folder.c_str(), _PC_FILESIZEBITS);
  if (Bits >= 64) {
    return INT64_MAX;
  }
  if (Bits <= 1) {
    return 2147483647;
  }
  return (int64_t(1) << (Bits - 1)) - 1;
}

int64_t TSFSHugeFile::LogicalStart(size_t I) const {
  return I == 0 ? 0 : static_cast<int64_t>(I) * DataPerPart() - FStubSize;
}

int64_t TSFSHugeFile::PartCapacity(size_t I) const {
  return I == 0 ? DataPerPart() - FStubSize : DataPerPart();
}

std::string TSFSHugeFile::NewPartName(size_t I) const {
  char Suffix[16];
  std::snprintf(Suffix, sizeof(Suffix), ".%.3zu", I);
  return ExtractFileName(FParts[0].Name) + Suffix;
}

void TSFSHugeFile::WritePartHeader(size_t I) {
  uint8_t H[HFPHeaderSize] = {};
  std::memcpy(H, HFSignature, HFSignatureSize);
  PutI64(H + 8, FPartitionSize);
  const std::string& Next = FParts[I].NextName;
  std::memcpy(H + 16, Next.data(), std::min<size_t>(Next.size(), HFPNextFileNameSize - 1));
  FParts[I].File->WriteBuffer(HeaderStart(I), H, HFPHeaderSize);
}

void TSFSHugeFile::Create(const std::string& FileName, int64_t PartitionSize) {
  if (IsOpen()) {
    throw Error("TSFSHugeFile.InternalOpen - File is already open.");
  }
  if (PartitionSize <= 0) {
    PartitionSize = AutomaticPartitionSize(FileName);
  }
  if (PartitionSize - HFPHeaderSize < MinPartDataSize) {
    throw Error("File part size is too small. Minimal part size is %d",
                int(MinPartDataSize + HFPHeaderSize));
  }
  FPartitionSize = PartitionSize;
  FStubSize = 0;
  FFolder = PartFolderOf(FileName);
  FParts.push_back({std::make_unique<TSFSDiskFile>(FileName, fmCreate), FileName, {}});
  WritePartHeader(0);
}

void TSFSHugeFile::CreateInMemory(const std::string& FileName) {
  if (IsOpen()) {
    throw Error("TSFSHugeFile.InternalOpen - File is already open.");
  }
  FInMemory = true;
  FPartitionSize = INT64_MAX;
  FStubSize = 0;
  FParts.push_back({std::make_unique<TSFSMemoryFile>(), FileName, {}});
  WritePartHeader(0);
}

void TSFSHugeFile::OpenImage(const std::string& FileName, std::string Image) {
  if (IsOpen()) {
    throw Error("TSFSHugeFile.InternalOpen - File is already open.");
  }
  FInMemory = true;
  auto File = std::make_unique<TSFSMemoryFile>(std::move(Image));
  FindStub(*File, FileName);
  FParts.push_back({std::move(File), FileName, {}});
  // An image is a single part: whatever names follow are ignored.
  FParts[0].NextName.clear();
}

const std::string* TSFSHugeFile::MemoryImage() const {
  if (!FInMemory || FParts.empty()) {
    return nullptr;
  }
  return &static_cast<const TSFSMemoryFile*>(FParts[0].File.get())->Data();
}

// Finds the part header of the first file (after any stub) and checks it.
void TSFSHugeFile::FindStub(TSFSAbstractFile& File, const std::string& Name) {
  const int64_t Size = File.Size();
  auto Accept = [&](int64_t Offset, uint8_t* H) {
    if (Offset + HFPHeaderSize + SignatureSize > Size) {
      return false;
    }
    uint8_t Buf[HFPHeaderSize + SignatureSize];
    if (File.Read(Offset, Buf, sizeof(Buf)) != int64_t(sizeof(Buf))) {
      return false;
    }
    if (std::memcmp(Buf, HFSignature, HFSignatureSize) != 0 ||
        std::memcmp(Buf + HFPHeaderSize, SingleFileSystemSignature, SignatureSize) != 0) {
      return false;
    }
    std::memcpy(H, Buf, HFPHeaderSize);
    return true;
  };
  uint8_t Header[HFPHeaderSize];
  int64_t Found = -1;
  if (Accept(0, Header)) {
    Found = 0;
  } else {
    std::vector<uint8_t> Chunk(static_cast<size_t>(StubScanChunk) + 3);
    for (int64_t Start = 0; Start < Size && Found < 0; Start += StubScanChunk) {
      int64_t N = File.Read(Start, Chunk.data(), int64_t(Chunk.size()));
      for (int64_t I = 0; I + 4 <= N && I < StubScanChunk; ++I) {
        if (Chunk[size_t(I)] == 'A' && std::memcmp(&Chunk[size_t(I)], "AAMV", 4) == 0 &&
            Accept(Start + I, Header)) {
          Found = Start + I;
          break;
        }
      }
    }
  }
  if (Found < 0) {
    throw Error("File %s has corrupted header.", Name);
  }
  int64_t Partition = GetI64(Header + 8);
  // Each part must hold its header and a useful amount of data, the first one after its stub.
  if (Partition < HFPHeaderSize + MinPartDataSize ||
      Partition - HFPHeaderSize - Found < MinPartDataSize) {
    throw Error("File %s has corrupted header.", Name);
  }
  FStubSize = Found;
  FPartitionSize = Partition;
  const char* NextName = reinterpret_cast<const char*>(Header + 16);
  size_t Len = strnlen(NextName, HFPNextFileNameSize);
  FFirstNextName = Len < size_t(HFPNextFileNameSize) ? std::string(NextName, Len) : std::string();
}

void TSFSHugeFile::Open(const std::string& FileName, uint16_t Mode) {
  if (IsOpen()) {
    throw Error("TSFSHugeFile.InternalOpen - File is already open.");
  }
  if (!FileExists(FileName)) {
    throw Error("File '%s' not found", FileName);
  }
  FFolder = PartFolderOf(FileName);
  auto First = std::make_unique<TSFSDiskFile>(FileName, Mode);
  FindStub(*First, FileName);
  FParts.push_back({std::move(First), FileName, FFirstNextName});
  ReadChain(Mode);
}

// Opens the part files named by the headers, stopping at a bad or repeated name or header.
void TSFSHugeFile::ReadChain(uint16_t Mode) {
  std::set<std::string> Seen = {ExtractFileName(FParts[0].Name)};
  while (!FParts.back().NextName.empty()) {
    std::string Next = FParts.back().NextName;
    // The logical space of every part must stay addressable.
    if (!IsPlainPartName(Next) || !Seen.insert(Next).second ||
        int64_t(FParts.size()) + 1 > INT64_MAX / FPartitionSize) {
      FParts.back().NextName.clear();
      break;
    }
    std::string Path = FFolder + Next;
    if (!FileExists(Path)) {
      throw Error("File '%s' not found", Path);
    }
    auto File = std::make_unique<TSFSDiskFile>(Path, Mode);
    uint8_t H[HFPHeaderSize];
    if (File->Read(0, H, HFPHeaderSize) != HFPHeaderSize ||
        std::memcmp(H, HFSignature, HFSignatureSize) != 0 || GetI64(H + 8) != FPartitionSize) {
      FParts.back().NextName.clear();
      break;
    }
    const char* NextName = reinterpret_cast<const char*>(H + 16);
    size_t Len = strnlen(NextName, HFPNextFileNameSize);
    FParts.push_back(
        {std::move(File), Path,
         Len < size_t(HFPNextFileNameSize) ? std::string(NextName, Len) : std::string()});
  }
}

int64_t TSFSHugeFile::Size() {
  if (FParts.empty()) {
    return 0;
  }
  size_t Last = FParts.size() - 1;
  int64_t InLast = FParts[Last].File->Size() - HeaderStart(Last) - HFPHeaderSize;
  return LogicalStart(Last) + std::clamp<int64_t>(InLast, 0, PartCapacity(Last));
}

int64_t TSFSHugeFile::Read(int64_t Pos, void* Buffer, int64_t Count) {
  if (Pos < 0) {
    throw Error("TSFSHugeFile.Seek - Offset < 0 from file beginning.");
  }
  uint8_t* Out = static_cast<uint8_t*>(Buffer);
  int64_t Done = 0;
  while (Done < Count) {
    int64_t P = Pos + Done;
    size_t Part = static_cast<size_t>((P + FStubSize) / DataPerPart());
    if (Part >= FParts.size()) {
      break;
    }
    int64_t Local = P - LogicalStart(Part);
    int64_t N = std::min(Count - Done, PartCapacity(Part) - Local);
    int64_t Got = FParts[Part].File->Read(HeaderStart(Part) + HFPHeaderSize + Local, Out + Done, N);
    Done += Got;
    if (Got < N) {
      break;
    }
  }
  return Done;
}

const uint8_t* TSFSHugeFile::Mapped(int64_t Pos, int64_t Count) {
  if (Pos < 0 || Count < 0 || FParts.empty()) {
    return nullptr;
  }
  const size_t Part = static_cast<size_t>((Pos + FStubSize) / DataPerPart());
  if (Part >= FParts.size()) {
    return nullptr;
  }
  const int64_t Local = Pos - LogicalStart(Part);
  if (Count > PartCapacity(Part) - Local) {
    return nullptr;
  }
  return FParts[Part].File->Mapped(HeaderStart(Part) + HFPHeaderSize + Local, Count);
}

int64_t TSFSHugeFile::ReadScatter(int64_t Pos, const iovec* Pieces, size_t Count) {
  if (Pos < 0) {
    throw Error("TSFSHugeFile.Seek - Offset < 0 from file beginning.");
  }
  int64_t Total = 0;
  for (size_t I = 0; I < Count; ++I) {
    Total += int64_t(Pieces[I].iov_len);
  }
  const size_t Part = static_cast<size_t>((Pos + FStubSize) / DataPerPart());
  if (Part >= FParts.size()) {
    return 0;
  }
  const int64_t Local = Pos - LogicalStart(Part);
  if (Total <= PartCapacity(Part) - Local) {
    return FParts[Part].File->ReadScatter(HeaderStart(Part) + HFPHeaderSize + Local, Pieces, Count);
  }
  // Across a part boundary: piece by piece.
  int64_t Done = 0;
  for (size_t I = 0; I < Count; ++I) {
    const int64_t Want = int64_t(Pieces[I].iov_len);
    const int64_t Got = Read(Pos + Done, Pieces[I].iov_base, Want);
    Done += Got;
    if (Got < Want) {
      break;
    }
  }
  return Done;
}

void TSFSHugeFile::ReadBuffer(int64_t Pos, void* Buffer, int64_t Count) {
  if (Read(Pos, Buffer, Count) != Count) {
    throw Error("TSFSHugeFile.ReadBuffer - Stream read error");
  }
}

void TSFSHugeFile::AddPart() {
  size_t I = FParts.size();
  // The part before a new one is always full.
  TPart& Prev = FParts.back();
  Prev.File->SetSize(HeaderStart(I - 1) + HFPHeaderSize + PartCapacity(I - 1));
  std::string Name = NewPartName(I);
  auto File = std::make_unique<TSFSDiskFile>(FFolder + Name, fmCreate);
  Prev.NextName = Name;
  WritePartHeader(I - 1);
  FParts.push_back({std::move(File), FFolder + Name, {}});
  WritePartHeader(I);
}

void TSFSHugeFile::WriteBuffer(int64_t Pos, const void* Buffer, int64_t Count) {
  if (Pos < 0) {
    throw Error("TSFSHugeFile.Seek - Offset < 0 from file beginning.");
  }
  const uint8_t* In = static_cast<const uint8_t*>(Buffer);
  int64_t Done = 0;
  while (Done < Count) {
    int64_t P = Pos + Done;
    size_t Part = static_cast<size_t>((P + FStubSize) / DataPerPart());
    while (Part >= FParts.size()) {
      AddPart();
    }
    int64_t Local = P - LogicalStart(Part);
    int64_t N = std::min(Count - Done, PartCapacity(Part) - Local);
    if (FParts[Part].File->Write(HeaderStart(Part) + HFPHeaderSize + Local, In + Done, N) != N) {
      throw Error("TSFSHugeFile.WriteBuffer - Stream write error");
    }
    Done += N;
  }
}

void TSFSHugeFile::WriteScatter(int64_t Pos, const iovec* Pieces, size_t Count) {
  if (Pos < 0) {
    throw Error("TSFSHugeFile.Seek - Offset < 0 from file beginning.");
  }
  int64_t Total = 0;
  for (size_t I = 0; I < Count; ++I) {
    Total += int64_t(Pieces[I].iov_len);
  }
  const size_t Part = static_cast<size_t>((Pos + FStubSize) / DataPerPart());
  if (Part < FParts.size() && Total <= PartCapacity(Part) - (Pos - LogicalStart(Part))) {
    if (FParts[Part].File->WriteScatter(
            HeaderStart(Part) + HFPHeaderSize + Pos - LogicalStart(Part), Pieces, Count) != Total) {
      throw Error("TSFSHugeFile.WriteBuffer - Stream write error");
    }
    return;
  }
  // Across a part boundary or past the last part: piece by piece, adding parts as needed.
  int64_t Done = 0;
  for (size_t I = 0; I < Count; ++I) {
    WriteBuffer(Pos + Done, Pieces[I].iov_base, int64_t(Pieces[I].iov_len));
    Done += int64_t(Pieces[I].iov_len);
  }
}

void TSFSHugeFile::SetSize(int64_t NewSize) {
  if (NewSize < 0) {
    throw Error("TSFSHugeFile.Seek - Offset < 0 from file beginning.");
  }
  // The part holding the last byte (part 0 for an empty space).
  size_t Last = NewSize == 0 ? 0 : static_cast<size_t>((NewSize - 1 + FStubSize) / DataPerPart());
  while (Last >= FParts.size()) {
    AddPart();
  }
  if (Last + 1 < FParts.size()) {
    for (size_t I = FParts.size() - 1; I > Last; --I) {
      std::string Name = FParts[I].Name;
      FParts.pop_back();
      if (!FInMemory) {
        std::remove(Name.c_str());
      }
    }
    FParts[Last].NextName.clear();
    WritePartHeader(Last);
  }
  FParts[Last].File->SetSize(HeaderStart(Last) + HFPHeaderSize + (NewSize - LogicalStart(Last)));
}
