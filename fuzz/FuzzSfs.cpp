// Fuzzes the archive reader: opens arbitrary bytes as an archive image, lists every folder and
// reads every stored file through the compressed-stream layer. Damage must end in EGException.
#include "base/UGError.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

// Bounds the work per input: bytes read per file, and files read.
constexpr int64_t MaxBytesPerFile = 8 << 20;
constexpr int32_t MaxFiles = 64;

void ListFolder(TSingleFileSystem& A, const std::string& Folder, int Depth) {
  if (Depth > 16) {
    return;
  }
  TSFSSearchRec F;
  std::vector<std::string> Sub;
  for (int32_t Rc = A.FindFirst(Folder + "*.*", faAnyFile, F); Rc == erOk; Rc = A.FindNext(F)) {
    if ((F.Attr & faDirectory) != 0) {
      Sub.push_back(Folder + F.Name + "\\");
    }
  }
  A.FindClose(F);
  for (const std::string& S : Sub) {
    ListFolder(A, S, Depth + 1);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  try {
    auto A = TSingleFileSystem::OpenImage(
        "fuzz.sfs", std::string(reinterpret_cast<const char*>(Data), Size), fmOpenRead);
    ListFolder(*A, "\\", 0);
    int32_t Files = 0;
    for (int32_t I = 0; I < A->DM().Count() && Files < MaxFiles; ++I) {
      const TDirectoryElement& E = A->DM().Item(I);
      if (E.IsDeleted != 0 || E.IsFolder != 0) {
        continue;
      }
      ++Files;
      try {
        TSFSFileStream S(A.get(), A->EntryPath(I), fmOpenRead);
        std::vector<char> Buf(65536);
        int64_t Total = 0;
        int64_t N;
        while (Total < MaxBytesPerFile && (N = S.Read(Buf.data(), int64_t(Buf.size()))) > 0) {
          Total += N;
        }
      } catch (const EGException&) {
      }
    }
  } catch (const EGException&) {
  }
  return 0;
}
