#include "io/UGFSUsageStatistics.h"

#include "base/UGDebug.h"
#include "io/UGFileSystem.h"
#include "io/UGFileUtils.h"
#include "io/UGReader.h"
#include "io/UGWriter.h"
#include "object/UGClassBuilder.h"

#include <zlib.h>

G_IMPLEMENT_CLASS(TGFSUsageStatistics)

namespace {

std::string Deflate(const std::string& Data) {
  uLongf Size = compressBound(static_cast<uLong>(Data.size()));
  std::string Out(Size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(Out.data()), &Size,
                reinterpret_cast<const Bytef*>(Data.data()), static_cast<uLong>(Data.size()),
                Z_BEST_SPEED) != Z_OK) {
    throw Error("Cannot compress the usage statistics");
  }
  Out.resize(Size);
  return Out;
}

std::string Inflate(const std::string& Data, const std::string& FileName) {
  z_stream Z{};
  if (inflateInit(&Z) != Z_OK) {
    throw Error("zlib error in %s", FileName);
  }
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  Z.avail_in = static_cast<uInt>(Data.size());
  std::string Out;
  char Chunk[64 * 1024];
  int R = Z_OK;
  do {
    Z.next_out = reinterpret_cast<Bytef*>(Chunk);
    Z.avail_out = sizeof(Chunk);
    R = inflate(&Z, Z_NO_FLUSH);
    if (R != Z_OK && R != Z_STREAM_END) {
      inflateEnd(&Z);
      throw Error("zlib error in %s: the usage database is damaged", FileName);
    }
    Out.append(Chunk, sizeof(Chunk) - Z.avail_out);
  } while (R != Z_STREAM_END && (Z.avail_in > 0 || Z.avail_out == 0));
  inflateEnd(&Z);
  if (R != Z_STREAM_END) {
    throw Error("zlib error in %s: the usage database is cut short", FileName);
  }
  return Out;
}

} // namespace

TGFSUsageStatistics::TGFSUsageStatistics(TGObject* AOwner)
    : TGObject(AOwner) {
  FList.SetSorted(true);
  FList.SetDuplicates(dupIgnore);
}

TGFileSystem* TGFSUsageStatistics::FileSystem() const {
  return ObjectCast<TGFileSystem>(Owner());
}

void TGFSUsageStatistics::AfterConstruction() {
  if (TGFileSystem* FS = FileSystem()) {
    TGFastStringList Files;
    FS->MakeFileList(Files, "", false);
    for (const auto& Item : Files) {
      FList.AddData(Item.String, 0);
    }
  }
  LoadFromFile();
}

void TGFSUsageStatistics::IncrementUsageCounter(const std::string& Path) {
  int Index = FList.AddData(Path, 0);
  FList.PutData(Index, FList.GetData(Index) + 1);
}

int32_t TGFSUsageStatistics::UsageCount(const std::string& Path) const {
  int Index = FList.IndexOf(Path);
  return Index < 0 ? 0 : static_cast<int32_t>(FList.GetData(Index));
}

std::string TGFSUsageStatistics::GetDBFileName() const {
  TGFileSystem* FS = FileSystem();
  return FS ? FS->Location() + ".statdb" : std::string();
}

void TGFSUsageStatistics::LoadFromFile() {
  std::string Name = GetDBFileName();
  if (Name.empty() || !::FileExists(Name)) {
    return;
  }
  FLoadFailed = true;
  TGMemoryStream Stream(Inflate(ReadFile(Name), Name));
  TGReader Reader(Stream);
  while (true) {
    std::string Path = Reader.ReadString();
    if (Path.empty()) {
      break;
    }
    int32_t Counter = Reader.ReadInteger();
    int Index = FList.AddData(Path, 0);
    FList.PutData(Index, Counter);
  }
  FLoadFailed = false;
}

void TGFSUsageStatistics::SaveToFile() {
  std::string Name = GetDBFileName();
  if (Name.empty() || FLoadFailed) {
    return;
  }
  TGMemoryStream Stream;
  TGWriter Writer(Stream);
  for (const auto& Item : FList) {
    if (Item.Data > 0) {
      Writer.WriteString(Item.String);
      Writer.WriteInteger(static_cast<int32_t>(Item.Data));
    }
  }
  Writer.WriteString("");
  WriteFile(Name, Deflate(Stream.Data()));
  GrantAllPermissions(Name);
}

void TGFSUsageStatistics::GenerateReport(const std::string& FileName) const {
  std::string Text = "Files that are not used:\r\n------------------------";
  int Unused = 0;
  for (const auto& Item : FList) {
    if (Item.Data == 0) {
      Text += "\r\n" + Item.String;
      ++Unused;
    }
  }
  Text += Format("\r\nTotal %d of %d files are not used", {Unused, FList.Count()});
  WriteFile(FileName, Text);
}

void TGFSUsageStatistics::Destroy() {
  try {
    SaveToFile();
  } catch (const std::exception& E) {
    ODS("Usage statistics not saved: %s", E.what());
  }
  inherited::Destroy();
}
