// Byte streams: the abstract stream, a memory stream and a file stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

enum TGSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

// File open modes: create (replace) is 0xFFFF; otherwise an access part combined with a
// sharing part.
enum : uint16_t {
  fmCreate = 0xFFFF,
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
};

class TGStream {
public:
  virtual ~TGStream() = default;

  // Reads up to Count bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* Buffer, int64_t Count) = 0;
  // Writes up to Count bytes; returns how many were written.
  virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t Offset, TGSeekOrigin Origin) = 0;
  virtual int64_t GetSize();
  // Raises EStreamError when the stream cannot change its size.
  virtual void SetSize(int64_t NewSize);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
  // Bytes from the position to the end.
  int64_t Remaining() { return GetSize() - Position(); }

  // Exact transfers: EReadError "Stream read error" / EWriteError "Stream write error" when
  // fewer bytes move.
  void ReadBuffer(void* Buffer, int64_t Count);
  void WriteBuffer(const void* Buffer, int64_t Count);
  void WriteString(std::string_view S) { WriteBuffer(S.data(), static_cast<int64_t>(S.size())); }
  // Copies Count bytes from Source; Count 0 copies the whole Source from its start.
  int64_t CopyFrom(TGStream& Source, int64_t Count);
  // The bytes from the position to the end.
  std::string ReadAll();
};

class TGMemoryStream : public TGStream {
public:
  TGMemoryStream() = default;
  explicit TGMemoryStream(std::string AData)
      : FData(std::move(AData)) {}

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TGSeekOrigin Origin) override;
  int64_t GetSize() override { return static_cast<int64_t>(FData.size()); }
  void SetSize(int64_t NewSize) override;

  const std::string& Data() const { return FData; }
  std::string& Data() { return FData; }
  void Clear();
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

private:
  std::string FData;
  int64_t FPosition = 0;
};

// A file on disk. Opening failures raise EFOpenError ("Cannot open file \"%s\". %s") or, for
// fmCreate, EFCreateError ("Cannot create file \"%s\". %s") with the system's reason.
class TGFileStream : public TGStream {
public:
  TGFileStream(const std::string& AFileName, uint16_t Mode);
  ~TGFileStream() override;
  TGFileStream(const TGFileStream&) = delete;
  TGFileStream& operator=(const TGFileStream&) = delete;

  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TGSeekOrigin Origin) override;
  int64_t GetSize() override;
  void SetSize(int64_t NewSize) override;

  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
  int FHandle = -1;
};
