#include "sfs/USFSUserFileStream.h"

#include "base/UGError.h"
#include "sfs/USingleFileSystem.h"

TSFSUserFileStream::TSFSUserFileStream(TSingleFileSystem* SFS, const std::string& FileName,
                                       uint16_t Mode, const std::string& Password,
                                       const std::string& Question, const std::string& Answer)
    : FSFS(SFS)
    , FFileName(FileName) {
  if (SFS == nullptr) {
    throw Error("TSFSUserFileStream.Create - Single file system = nil!");
  }
  FHandle = SFS->FileOpen(FileName, Mode, Password, Question, Answer);
  if (FHandle < 0) {
    throw Error("TSFSUserFileStream.Create - unable to open file \"%s\" (archive \"%s\", error %d)",
                FileName, SFS->FileName(), SFS->LastError());
  }
}

TSFSUserFileStream::~TSFSUserFileStream() {
  if (FHandle >= 0) {
    FSFS->FileClose(FHandle);
  }
}

int64_t TSFSUserFileStream::Read(void* Buffer, int64_t Count) {
  int64_t R = FSFS->FileRead(FHandle, Buffer, Count);
  if (R < 0) {
    throw EReadError(Format("Error %d reading \"%s\" from archive \"%s\"",
                            {int(R), FFileName, FSFS->FileName()}));
  }
  return R;
}

int64_t TSFSUserFileStream::Write(const void* Buffer, int64_t Count) {
  int64_t R = FSFS->FileWrite(FHandle, Buffer, Count);
  if (R < 0) {
    throw EWriteError(Format("Error %d writing \"%s\" into archive \"%s\"",
                             {int(R), FFileName, FSFS->FileName()}));
  }
  return R;
}

int64_t TSFSUserFileStream::Seek(int64_t Offset, TGSeekOrigin Origin) {
  int64_t R = FSFS->FileSeek(FHandle, Offset, int(Origin));
  if (R < 0) {
    throw EStreamError(Format("Invalid stream position in \"%s\" of archive \"%s\"",
                              {FFileName, FSFS->FileName()}));
  }
  return R;
}

int64_t TSFSUserFileStream::GetSize() {
  return FSFS->FileGetSize(FHandle);
}

void TSFSUserFileStream::SetSize(int64_t NewSize) {
  int32_t R = FSFS->FileSetSize(FHandle, NewSize);
  if (R != erOk) {
    throw EStreamError(Format("Error %d changing the size of \"%s\" in archive \"%s\"",
                              {int(R), FFileName, FSFS->FileName()}));
  }
}
