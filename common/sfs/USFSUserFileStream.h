// The raw bytes of one stored file, as a stream over an archive handle.
#pragma once

#include "io/UGStream.h"

#include <cstdint>
#include <string>

class TSingleFileSystem;

class TSFSUserFileStream : public TGStream {
public:
  TSFSUserFileStream(TSingleFileSystem* SFS, const std::string& FileName, uint16_t Mode,
                     const std::string& Password = "", const std::string& Question = "",
                     const std::string& Answer = "");
  ~TSFSUserFileStream() override;
  TSFSUserFileStream(const TSFSUserFileStream&) = delete;
  TSFSUserFileStream& operator=(const TSFSUserFileStream&) = delete;

  // Reading past a damaged page or map raises EReadError instead of returning a short count.
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TGSeekOrigin Origin) override;
  int64_t GetSize() override;
  void SetSize(int64_t NewSize) override;

  TSingleFileSystem* SingleFileSystem() const { return FSFS; }
  int32_t Handle() const { return FHandle; }
  const std::string& FileName() const { return FFileName; }

private:
  TSingleFileSystem* FSFS;
  std::string FFileName;
  int32_t FHandle = -1;
};
