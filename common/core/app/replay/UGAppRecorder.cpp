#include "app/replay/UGAppRecorder.h"

#include "app/replay/UGReplayClock.h"

#include "app/UGAppFramework.h"
#include "base/UGBase64.h"
#include "base/UGError.h"
#include "base/UGRandom.h"
#include "io/UGFileUtils.h"
#include "io/UGStream.h"
#include "object/UGClassBuilder.h"

#include <zlib.h>

#include <cstdio>

G_IMPLEMENT_CLASS(TGAppRecorder)

namespace {

TGFolderPacker GPacker = nullptr;
TGFolderUnpacker GUnpacker = nullptr;

// The temporary archive, deleted however the work ends.
struct TTemporaryArchive {
  std::string Name;
  explicit TTemporaryArchive(const std::string& TempFolder)
      : Name(TempFolder + "/$$$.sfs") {
    std::remove(Name.c_str());
  }
  ~TTemporaryArchive() { std::remove(Name.c_str()); }
};

std::string ReadWholeFile(const std::string& Name) {
  TGFileStream In(Name, fmOpenRead);
  return In.ReadAll();
}

} // namespace

void SetFolderArchiver(TGFolderPacker Packer, TGFolderUnpacker Unpacker) {
  GPacker = Packer;
  GUnpacker = Unpacker;
}

std::string CompressFolder(const std::string& Folder, const std::string& TempFolder) {
  if (!GPacker) {
    throw Error("No archive support to pack the data folder");
  }
  TTemporaryArchive Archive(TempFolder);
  GPacker(Folder, Archive.Name);
  const std::string Bytes = ReadWholeFile(Archive.Name);
  uLongf Size = compressBound(uLong(Bytes.size()));
  std::string Packed(Size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(Packed.data()), &Size,
                reinterpret_cast<const Bytef*>(Bytes.data()), uLong(Bytes.size()),
                Z_BEST_SPEED) != Z_OK) {
    throw Error("Cannot compress the data folder");
  }
  Packed.resize(Size);
  return StrToBase64(Packed);
}

void DecompressFolder(const std::string& Text, const std::string& Folder,
                      const std::string& TempFolder) {
  if (!GUnpacker) {
    throw Error("No archive support to unpack the data folder");
  }
  const std::string Packed = Base64ToStr(Text);
  // The archive's size is not stored: inflate in steps, bounded so that a forged stream cannot
  // exhaust memory.
  constexpr size_t Limit = size_t(1) << 30;
  std::string Bytes;
  z_stream Z{};
  if (inflateInit(&Z) != Z_OK) {
    throw Error("Cannot unpack the data folder");
  }
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Packed.data()));
  Z.avail_in = uInt(Packed.size());
  int Rc = Z_OK;
  while (Rc == Z_OK) {
    if (Bytes.size() >= Limit) {
      break;
    }
    const size_t Old = Bytes.size();
    Bytes.resize(Old + 65536);
    Z.next_out = reinterpret_cast<Bytef*>(Bytes.data() + Old);
    Z.avail_out = 65536;
    Rc = inflate(&Z, Z_NO_FLUSH);
    Bytes.resize(Old + 65536 - Z.avail_out);
  }
  inflateEnd(&Z);
  if (Rc != Z_STREAM_END) {
    throw Error("The recording's data folder is damaged");
  }
  DeleteTree(Folder);
  ForceDirectories(Folder);
  TTemporaryArchive Archive(TempFolder);
  {
    TGFileStream Out(Archive.Name, fmCreate);
    Out.WriteBuffer(Bytes.data(), int64_t(Bytes.size()));
  }
  GUnpacker(Archive.Name, Folder);
}

TGAppRecorder::TGAppRecorder(const std::string& AFileName)
    : TGAppPlugin(nullptr)
    , FFileName(AFileName) {}

void TGAppRecorder::Destroy() {
  FFile.reset();
  inherited::Destroy();
}

void TGAppRecorder::Initialize() {
  inherited::Initialize();
  try {
    FFile = std::make_unique<TGFileStream>(FFileName, fmCreate);
  } catch (const std::exception&) {
    throw Error("Cannot create file %s", FFileName);
  }
  StoreCommand("RandSeed", int32_t(GlobalRandom().Seed()));
  StoreCommand("Data " + GetCompressedDataFolder());
  // The run reads the dates its replay will read: the start plus the game time.
  const TGDateTime Start = SystemNow();
  StoreCommand("StartTime " + std::to_string(DateTimeAsInt64(Start)));
  StartReplayClock(Start);
}

void TGAppRecorder::Finalize() {
  inherited::Finalize();
  FFile.reset();
  StopReplayClock();
}

std::string TGAppRecorder::GetCompressedDataFolder() {
  TGAppInfo& Info = AppFramework->AppInfo();
  return CompressFolder(Info.DataFolder(), Info.TempFolder());
}

void TGAppRecorder::StoreCommand(const std::string& Text) {
  if (!FFile) {
    return;
  }
  const std::string Line = Text + "\r\n";
  try {
    FFile->WriteBuffer(Line.data(), int64_t(Line.size()));
  } catch (const std::exception&) {
    throw Error("Cannot save data to .rec file");
  }
}

void TGAppRecorder::StoreCommand(const std::string& Name, int32_t N) {
  StoreCommand(Name + " " + std::to_string(N));
}

void TGAppRecorder::StoreCommand(const std::string& Name, int32_t N1, int32_t N2) {
  StoreCommand(Name + " " + std::to_string(N1) + " " + std::to_string(N2));
}

void TGAppRecorder::AppActivate() {
  StoreCommand("AppActivate");
  inherited::AppActivate();
}

void TGAppRecorder::AppDeactivate() {
  StoreCommand("AppDeactivate");
  inherited::AppDeactivate();
}

void TGAppRecorder::KeyDown(uint16_t Key) {
  StoreCommand("KeyDown", Key & 0xFF);
  inherited::KeyDown(Key);
}

void TGAppRecorder::KeyPress(char32_t Key) {
  // The whole code point: a byte would turn every letter beyond Latin-1 into another one.
  StoreCommand("KeyPress", int32_t(Key));
  inherited::KeyPress(Key);
}

void TGAppRecorder::KeyUp(uint16_t Key) {
  StoreCommand("KeyUp", Key & 0xFF);
  inherited::KeyUp(Key);
}

void TGAppRecorder::MouseWheelUp() {
  StoreCommand("MouseWheelUp");
  inherited::MouseWheelUp();
}

void TGAppRecorder::MouseWheelDown() {
  StoreCommand("MouseWheelDown");
  inherited::MouseWheelDown();
}

void TGAppRecorder::MouseMove(const TGPoint& Pos) {
  StoreCommand("MouseMove", Pos.X, Pos.Y);
  inherited::MouseMove(Pos);
}

void TGAppRecorder::MouseDown(int Button) {
  StoreCommand("MouseDown", Button & 0xFF);
  inherited::MouseDown(Button);
}

void TGAppRecorder::MouseUp(int Button) {
  StoreCommand("MouseUp", Button & 0xFF);
  inherited::MouseUp(Button);
}

void TGAppRecorder::DblClick() {
  StoreCommand("DblClick");
  inherited::DblClick();
}

void TGAppRecorder::Draw(int64_t TickCount, bool& Success) {
  SetReplayClockTime(TickCount);
  // The frame's line goes first: a window shown modally from this frame records its own frames
  // after it, in the order a replay reads them (written after the frame, it would follow them,
  // and the replay would run every frame from there one tick late). A frame that was not drawn
  // takes its line back, unless lines of such nested frames follow it.
  const int64_t Before = FFile ? FFile->Position() : 0;
  StoreCommand("Draw", int32_t(TickCount));
  const int64_t After = FFile ? FFile->Position() : 0;
  inherited::Draw(TickCount, Success);
  if (!Success && FFile && FFile->Position() == After) {
    FFile->SetSize(Before);
  }
}

void TGAppRecorder::Idle(int64_t TickCount) {
  StoreCommand("Idle", int32_t(TickCount));
  SetReplayClockTime(TickCount);
  inherited::Idle(TickCount);
}
