// The stream handed to callers for one stored file of an archive.
#pragma once

#include "io/UGStream.h"
#include "sfs/USFSAdvancedFileStream.h"
#include "sfs/USFSCommon.h"

#include <cstdint>
#include <memory>
#include <string>

class TSingleFileSystem;

class TSFSFileStream : public TGStream {
public:
  TSFSFileStream(TSingleFileSystem* SFS, const std::string& FileName, uint16_t Mode,
                 const std::string& Password = "", const std::string& Question = "",
                 const std::string& Answer = "", int compressLevel = sfsNone);
  ~TSFSFileStream() override;
  TSFSFileStream(const TSFSFileStream&) = delete;
  TSFSFileStream& operator=(const TSFSFileStream&) = delete;

  int64_t Read(void* Buffer, int64_t Count) override;
  // Raises "TSFSFileStream.Write - file is in read only mode." without a write bit.
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TGSeekOrigin Origin) override;
  int64_t GetSize() override;
  void SetSize(int64_t NewSize) override;
  // Stores the block being written (also done when the stream is freed).
  void Flush();

  int CompressionLevel() const;
  // Stored bytes as a percentage of the content (100 for raw content).
  double CompressionRate();
  int64_t PackedSize();
  // True when the archive or this file is encrypted.
  bool Encrypted() const { return FEncrypted; }
  const std::string& Password() const { return FPassword; }
  TSFSAdvancedFileStream& DataStream() { return *FData; }

private:
  std::unique_ptr<TSFSAdvancedFileStream> FData;
  std::string FPassword;
  bool FReadOnly;
  bool FEncrypted = false;
};
