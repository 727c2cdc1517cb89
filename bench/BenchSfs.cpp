// The single-file archive: reading a large stored file against a plain file, reading a
// zlib-compressed file against zlib alone, opening an archive of 10,000 files and packing a
// folder of 10,000 small files.
#include "TempDir.h"
#include "io/UGStream.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int64_t LargeSize = 64 << 20;
constexpr int64_t CompressedSize = 32 << 20;
constexpr int SmallFiles = 10000;
constexpr int64_t Chunk = 1 << 20;

// A scratch folder for the whole run, removed at exit.
std::string Scratch() {
  static TTempDir S("hoe-bench-sfs");
  return S.Str();
}

std::string Noise(int64_t Size, uint32_t Seed) {
  std::string S(size_t(Size), '\0');
  for (char& C : S) {
    Seed = Seed * 1664525u + 1013904223u;
    C = char(Seed >> 24);
  }
  return S;
}

// Text like the game's scripts and window files: compresses about four to one.
std::string Text(int64_t Size) {
  static const char* const Words[] = {"Location", "Object", "Visible", "True", "False", "Script",
                                      "Player",   "Score",  "<Item",   "/>",   "X=\"",  "\"",
                                      "Graphic",  "png",    "\r\n",    "  "};
  std::string S;
  S.reserve(size_t(Size));
  uint32_t Seed = 7;
  while (int64_t(S.size()) < Size) {
    Seed = Seed * 1664525u + 1013904223u;
    S += Words[(Seed >> 20) % 16];
    if ((Seed >> 8) % 5 == 0) {
      S += std::to_string((Seed >> 12) % 1000);
    }
    S += ' ';
  }
  S.resize(size_t(Size));
  return S;
}

void WriteDisk(const std::string& Name, const std::string& Data) {
  TGFileStream F(Name, fmCreate);
  F.WriteBuffer(Data.data(), int64_t(Data.size()));
}

void StoreInArchive(TSingleFileSystem& A, const std::string& Path, const std::string& Data,
                    int Level) {
  TSFSFileStream S(&A, Path, fmCreate, "", "", "", Level);
  S.WriteBuffer(Data.data(), int64_t(Data.size()));
  S.Flush();
}

int64_t ReadToEnd(TGStream& S, std::vector<char>& Buf) {
  int64_t Total = 0;
  for (int64_t N; (N = S.Read(Buf.data(), int64_t(Buf.size()))) > 0;) {
    Total += N;
  }
  benchmark::DoNotOptimize(Buf.data());
  return Total;
}

// The large files: Large.bin on disk, and an archive holding it stored and Text.txt at
// zlibNormal.
struct TLargeFiles {
  std::string Plain = Scratch() + "/Large.bin";
  std::string Archive = Scratch() + "/Large.sfs";
  std::string Text;
  std::string Deflated; // Text as one zlib stream at zlibNormal's level
  TLargeFiles() {
    WriteDisk(Plain, Noise(LargeSize, 1));
    Text = ::Text(CompressedSize);
    {
      TSingleFileSystem A(Archive, fmCreate);
      StoreInArchive(A, "\\Large.bin", ReadFile(Plain), sfsNone);
      StoreInArchive(A, "\\Text.txt", Text, zlibNormal);
    }
    uLongf Size = compressBound(uLong(Text.size()));
    Deflated.resize(Size);
    compress2(reinterpret_cast<Bytef*>(Deflated.data()), &Size,
              reinterpret_cast<const Bytef*>(Text.data()), uLong(Text.size()), 5);
    Deflated.resize(Size);
  }
  static std::string ReadFile(const std::string& Name) {
    TGFileStream F(Name, fmOpenRead);
    return F.ReadAll();
  }
};

const TLargeFiles& Large() {
  static const TLargeFiles L;
  return L;
}

void ReadPlainFile(benchmark::State& State) {
  const TLargeFiles& L = Large();
  std::vector<char> Buf(Chunk);
  for (auto _ : State) {
    TGFileStream F(L.Plain, fmOpenRead | fmShareDenyNone);
    if (ReadToEnd(F, Buf) != LargeSize) {
      State.SkipWithError("short read");
    }
  }
  State.SetBytesProcessed(State.iterations() * LargeSize);
}
BENCHMARK(ReadPlainFile)->Unit(benchmark::kMillisecond);

void ReadStoredFile(benchmark::State& State) {
  const TLargeFiles& L = Large();
  TSingleFileSystem A(L.Archive, fmOpenRead | fmShareDenyNone);
  std::vector<char> Buf(Chunk);
  for (auto _ : State) {
    TSFSFileStream S(&A, "\\Large.bin", fmOpenRead);
    if (ReadToEnd(S, Buf) != LargeSize) {
      State.SkipWithError("short read");
    }
  }
  State.SetBytesProcessed(State.iterations() * LargeSize);
}
BENCHMARK(ReadStoredFile)->Unit(benchmark::kMillisecond);

void InflateZlibAlone(benchmark::State& State) {
  const TLargeFiles& L = Large();
  std::vector<char> Buf(Chunk);
  for (auto _ : State) {
    z_stream Z{};
    inflateInit(&Z);
    Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(L.Deflated.data()));
    Z.avail_in = uInt(L.Deflated.size());
    int64_t Total = 0;
    int Rc = Z_OK;
    while (Rc == Z_OK) {
      Z.next_out = reinterpret_cast<Bytef*>(Buf.data());
      Z.avail_out = uInt(Buf.size());
      Rc = inflate(&Z, Z_NO_FLUSH);
      Total += int64_t(Buf.size()) - Z.avail_out;
    }
    inflateEnd(&Z);
    benchmark::DoNotOptimize(Buf.data());
    if (Rc != Z_STREAM_END || Total != CompressedSize) {
      State.SkipWithError("inflate failed");
    }
  }
  State.SetBytesProcessed(State.iterations() * CompressedSize);
}
BENCHMARK(InflateZlibAlone)->Unit(benchmark::kMillisecond);

void ReadZlibFile(benchmark::State& State) {
  const TLargeFiles& L = Large();
  TSingleFileSystem A(L.Archive, fmOpenRead | fmShareDenyNone);
  std::vector<char> Buf(Chunk);
  for (auto _ : State) {
    TSFSFileStream S(&A, "\\Text.txt", fmOpenRead);
    if (ReadToEnd(S, Buf) != CompressedSize) {
      State.SkipWithError("short read");
    }
  }
  State.SetBytesProcessed(State.iterations() * CompressedSize);
}
BENCHMARK(ReadZlibFile)->Unit(benchmark::kMillisecond);

// 10,000 small files (100 to 4,000 bytes) in 100 folders of 100, on disk.
const std::string& SmallFolder() {
  static const std::string Folder = [] {
    const std::string Root = Scratch() + "/Small";
    const std::string Pool = Text(1 << 20);
    uint32_t Seed = 3;
    for (int F = 0; F < SmallFiles / 100; ++F) {
      const std::string Dir = Root + "/Folder" + std::to_string(F);
      fs::create_directories(Dir);
      for (int I = 0; I < 100; ++I) {
        Seed = Seed * 1664525u + 1013904223u;
        const size_t Size = 100 + (Seed >> 8) % 3900;
        WriteDisk(Dir + "/File" + std::to_string(I) + ".txt",
                  Pool.substr((Seed >> 4) % (Pool.size() - Size), Size));
      }
    }
    return Root;
  }();
  return Folder;
}

void Pack(const std::string& Archive, int Level) {
  TSingleFileSystem A(Archive, fmCreate, "", "", "", Level);
  if (A.ImportFiles(SmallFolder(), "\\", faAnyFile, true, omAlways) != SmallFiles) {
    throw std::runtime_error("not every file was packed");
  }
}

void OpenArchiveOf10000Files(benchmark::State& State) {
  const std::string Archive = Scratch() + "/Small.sfs";
  Pack(Archive, sfsNone);
  for (auto _ : State) {
    TSingleFileSystem A(Archive, fmOpenRead | fmShareDenyNone);
    benchmark::DoNotOptimize(A.FileExists("\\Folder99\\File99.txt"));
  }
}
BENCHMARK(OpenArchiveOf10000Files)->Unit(benchmark::kMillisecond);

// Arg: the compression level.
void PackFolderOf10000Files(benchmark::State& State) {
  const std::string Archive = Scratch() + "/Packed.sfs";
  SmallFolder();
  for (auto _ : State) {
    Pack(Archive, int(State.range(0)));
  }
  State.SetItemsProcessed(State.iterations() * SmallFiles);
}
BENCHMARK(PackFolderOf10000Files)->Arg(sfsNone)->Arg(zlibFastest)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
