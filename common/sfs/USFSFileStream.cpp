#include "sfs/USFSFileStream.h"

#include "base/UGError.h"
#include "sfs/USFSAdvancedFileStream.h"
#include "sfs/USFSUserFileStream.h"
#include "sfs/USingleFileSystem.h"

TSFSFileStream::TSFSFileStream(TSingleFileSystem* SFS, const std::string& FileName, uint16_t Mode,
                               const std::string& Password, const std::string& Question,
                               const std::string& Answer, int compressLevel)
    : FData(std::make_unique<TSFSAdvancedFileStream>(SFS, FileName, Mode, Password, Question,
                                                     Answer, compressLevel))
    , FPassword(Password)
    , FReadOnly(Mode != fmCreate && (Mode & 0x0003) == fmOpenRead) {
  const TDirectoryElement* E = SFS->HandleEntry(FData->UserStream().Handle());
  FEncrypted = SFS->Encrypted() || (E != nullptr && E->EncMethod != encNone);
}

TSFSFileStream::~TSFSFileStream() = default;

int64_t TSFSFileStream::Read(void* Buffer, int64_t Count) {
  return FData->Read(Buffer, Count);
}

int64_t TSFSFileStream::Write(const void* Buffer, int64_t Count) {
  if (FReadOnly) {
    throw Error("TSFSFileStream.Write - file is in read only mode.");
  }
  return FData->Write(Buffer, Count);
}

int64_t TSFSFileStream::Seek(int64_t Offset, TGSeekOrigin Origin) {
  return FData->Seek(Offset, Origin);
}

int64_t TSFSFileStream::GetSize() {
  return FData->GetSize();
}

void TSFSFileStream::SetSize(int64_t NewSize) {
  if (FReadOnly) {
    throw Error("TSFSFileStream.SetSize - file is in read only mode.");
  }
  FData->SetSize(NewSize);
}

void TSFSFileStream::Flush() {
  FData->Flush();
}

int TSFSFileStream::CompressionLevel() const {
  return FData->CompressionLevel();
}

double TSFSFileStream::CompressionRate() {
  const int64_t Size = GetSize();
  return Size <= 0 ? 100.0 : 100.0 * double(PackedSize()) / double(Size);
}

int64_t TSFSFileStream::PackedSize() {
  return FData->PackedSize();
}
