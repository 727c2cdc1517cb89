#include "io/UGStream.h"

#include "base/UGError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t TGStream::GetSize() {
  int64_t Pos = Seek(0, soCurrent);
  int64_t Size = Seek(0, soEnd);
  Seek(Pos, soBeginning);
  return Size;
}

void TGStream::SetSize(int64_t NewSize) {
  (void)NewSize;
  throw EStreamError("Stream size cannot be changed");
}

void TGStream::ReadBuffer(void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count)) {
    throw EReadError("Stream read error");
  }
}

void TGStream::WriteBuffer(const void* Buffer, int64_t Count) {
  if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count)) {
    throw EWriteError("Stream write error");
  }
}

int64_t TGStream::CopyFrom(TGStream& Source, int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.GetSize();
  }
  constexpr int64_t ChunkSize = 64 * 1024;
  std::unique_ptr<char[]> Chunk(new char[ChunkSize]);
  int64_t Done = 0;
  while (Done < Count) {
    int64_t N = std::min(ChunkSize, Count - Done);
    Source.ReadBuffer(Chunk.get(), N);
    WriteBuffer(Chunk.get(), N);
    Done += N;
  }
  return Done;
}

std::string TGStream::ReadAll() {
  std::string Out;
  char Chunk[64 * 1024];
  while (true) {
    int64_t N = Read(Chunk, sizeof(Chunk));
    if (N <= 0) {
      return Out;
    }
    Out.append(Chunk, static_cast<size_t>(N));
  }
}

int64_t TGMemoryStream::Read(void* Buffer, int64_t Count) {
  int64_t Size = GetSize();
  if (Count <= 0 || FPosition >= Size) {
    return 0;
  }
  int64_t N = std::min(Count, Size - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(N));
  FPosition += N;
  return N;
}

int64_t TGMemoryStream::Write(const void* Buffer, int64_t Count) {
  if (Count <= 0) {
    return 0;
  }
  int64_t End = FPosition + Count;
  if (End > GetSize()) {
    FData.resize(static_cast<size_t>(End));
  }
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
  FPosition = End;
  return Count;
}

int64_t TGMemoryStream::Seek(int64_t Offset, TGSeekOrigin Origin) {
  int64_t Base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : GetSize();
  int64_t Pos = Base + Offset;
  if (Pos < 0) {
    throw EStreamError("Invalid stream position");
  }
  FPosition = Pos;
  return FPosition;
}

void TGMemoryStream::SetSize(int64_t NewSize) {
  if (NewSize < 0) {
    throw EStreamError("Invalid stream size");
  }
  FData.resize(static_cast<size_t>(NewSize));
  FPosition = std::min(FPosition, NewSize);
}

void TGMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TGMemoryStream::LoadFromFile(const std::string& FileName) {
  TGFileStream File(FileName, fmOpenRead | fmShareDenyWrite);
  FData = File.ReadAll();
  FPosition = 0;
}

void TGMemoryStream::SaveToFile(const std::string& FileName) const {
  TGFileStream File(FileName, fmCreate);
  File.WriteString(FData);
}

namespace {

// The advisory lock that stands for a sharing mode; 0 for none.
int LockFor(uint16_t Mode) {
  if (Mode == fmCreate) {
    return LOCK_EX;
  }
  switch (Mode & 0x00F0) {
  case fmShareExclusive:
  case fmShareDenyRead:
    return LOCK_EX;
  case fmShareDenyWrite:
    return (Mode & 0x0003) == fmOpenRead ? LOCK_SH : LOCK_EX;
  default:
    return 0;
  }
}

} // namespace

TGFileStream::TGFileStream(const std::string& AFileName, uint16_t Mode)
    : FFileName(AFileName) {
  int Flags = O_CLOEXEC;
  if (Mode == fmCreate) {
    Flags |= O_RDWR | O_CREAT;
  } else {
    switch (Mode & 0x0003) {
    case fmOpenWrite:
      Flags |= O_WRONLY;
      break;
    case fmOpenReadWrite:
      Flags |= O_RDWR;
      break;
    default:
      Flags |= O_RDONLY;
    }
  }
  FHandle = ::open(AFileName.c_str(), Flags, 0644);
  if (FHandle < 0) {
    std::string Reason = std::strerror(errno);
    if (Mode == fmCreate) {
      throw EFCreateError("Cannot create file \"" + AFileName + "\". " + Reason);
    }
    throw EFOpenError("Cannot open file \"" + AFileName + "\". " + Reason);
  }
  struct stat Info;
  if (::fstat(FHandle, &Info) == 0 && S_ISDIR(Info.st_mode)) {
    ::close(FHandle);
    FHandle = -1;
    throw EFOpenError("Cannot open file \"" + AFileName + "\". Is a directory");
  }
  int Lock = LockFor(Mode);
  if (Lock != 0 && ::flock(FHandle, Lock | LOCK_NB) != 0) {
    ::close(FHandle);
    FHandle = -1;
    throw EFOpenError("Cannot open file \"" + AFileName +
                      "\". The file is being used by another process");
  }
  if (Mode == fmCreate && ::ftruncate(FHandle, 0) != 0) {
    std::string Reason = std::strerror(errno);
    ::close(FHandle);
    FHandle = -1;
    throw EFCreateError("Cannot create file \"" + AFileName + "\". " + Reason);
  }
}

TGFileStream::~TGFileStream() {
  if (FHandle >= 0) {
    ::close(FHandle);
  }
}

int64_t TGFileStream::Read(void* Buffer, int64_t Count) {
  int64_t Done = 0;
  char* Out = static_cast<char*>(Buffer);
  while (Done < Count) {
    ssize_t N = ::read(FHandle, Out + Done, static_cast<size_t>(Count - Done));
    if (N < 0 && errno == EINTR) {
      continue;
    }
    if (N <= 0) {
      break;
    }
    Done += N;
  }
  return Done;
}

int64_t TGFileStream::Write(const void* Buffer, int64_t Count) {
  int64_t Done = 0;
  const char* In = static_cast<const char*>(Buffer);
  while (Done < Count) {
    ssize_t N = ::write(FHandle, In + Done, static_cast<size_t>(Count - Done));
    if (N < 0 && errno == EINTR) {
      continue;
    }
    if (N <= 0) {
      break;
    }
    Done += N;
  }
  return Done;
}

int64_t TGFileStream::Seek(int64_t Offset, TGSeekOrigin Origin) {
  int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t Pos = ::lseek(FHandle, Offset, Whence);
  if (Pos < 0) {
    throw EStreamError("Invalid stream position in \"" + FFileName + "\"");
  }
  return Pos;
}

int64_t TGFileStream::GetSize() {
  struct stat Info;
  if (::fstat(FHandle, &Info) != 0) {
    return TGStream::GetSize();
  }
  return Info.st_size;
}

void TGFileStream::SetSize(int64_t NewSize) {
  if (NewSize < 0 || ::ftruncate(FHandle, NewSize) != 0) {
    throw EStreamError("Cannot change the size of \"" + FFileName + "\"");
  }
  if (Position() > NewSize) {
    SetPosition(NewSize);
  }
}
