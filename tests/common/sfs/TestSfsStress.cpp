// Random sequences of archive operations checked against a plain model of the files, with the
// archive reopened from its bytes along the way (which re-runs every structural check).
#include "base/UGError.h"
#include "sfs/USFSFileStream.h"
#include "sfs/USingleFileSystem.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

namespace {

struct TStressCase {
  int PageSize;
  int ExtentPages;
  unsigned Seed;
};

class SFSStress : public ::testing::TestWithParam<TStressCase> {};

TEST_P(SFSStress, MatchesModel) {
  const TStressCase C = GetParam();
  std::mt19937 R(C.Seed);
  auto A = std::make_unique<TSingleFileSystem>("stress.sfs", fmCreate, true, "", "", "", sfsNone,
                                               C.PageSize, C.ExtentPages, -1);
  std::map<std::string, std::string> Model;
  auto RandomData = [&](size_t N) {
    std::string S(N, '\0');
    for (char& Ch : S) {
      Ch = char('a' + R() % 26);
    }
    return S;
  };
  auto Size = [&]() -> size_t {
    switch (R() % 4) {
    case 0:
      return R() % 50;
    case 1:
      return R() % size_t(C.PageSize * 3);
    default:
      return R() % 40000;
    }
  };
  for (int Step = 0; Step < 400; ++Step) {
    const std::string Name = "f" + std::to_string(R() % 12);
    const int Op = int(R() % 10);
    if (Op < 3) {
      std::string Data = RandomData(Size());
      int32_t H = A->FileCreate(Name);
      ASSERT_GT(H, 0);
      ASSERT_EQ(A->FileWrite(H, Data.data(), int64_t(Data.size())), int64_t(Data.size()));
      A->FileClose(H);
      Model[Name] = Data;
    } else if (Op < 5 && Model.count(Name)) {
      // Overwrite or append at a random place.
      std::string& M = Model[Name];
      const size_t Pos = R() % (M.size() + 1 + size_t(C.PageSize));
      std::string Data = RandomData(Size() / 2 + 1);
      int32_t H = A->FileOpen(Name, fmOpenReadWrite);
      ASSERT_GT(H, 0);
      ASSERT_EQ(A->FileSeek(H, int64_t(Pos), 0), int64_t(Pos));
      ASSERT_EQ(A->FileWrite(H, Data.data(), int64_t(Data.size())), int64_t(Data.size()));
      A->FileClose(H);
      if (Pos > M.size()) {
        M.resize(Pos, '\0');
      }
      M.replace(Pos, std::min(Data.size(), M.size() - Pos), Data);
    } else if (Op < 6 && Model.count(Name)) {
      const size_t NewSize = Size();
      int32_t H = A->FileOpen(Name, fmOpenReadWrite);
      ASSERT_EQ(A->FileSetSize(H, int64_t(NewSize)), erOk);
      A->FileClose(H);
      Model[Name].resize(NewSize, '\0');
    } else if (Op < 8) {
      EXPECT_EQ(A->DeleteFile(Name), Model.erase(Name) == 1);
    } else if (Op < 9 && Model.count(Name)) {
      int32_t H = A->FileOpen(Name, fmOpenRead);
      std::string Got(size_t(A->FileGetSize(H)), '\0');
      ASSERT_EQ(A->FileRead(H, Got.data(), int64_t(Got.size())), int64_t(Got.size()));
      A->FileClose(H);
      ASSERT_EQ(Got, Model[Name]) << "step " << Step;
    } else if (Op == 9) {
      A = TSingleFileSystem::OpenImage("stress.sfs", *A->PFM().File().MemoryImage(),
                                       fmOpenReadWrite);
    }
  }
  auto B = TSingleFileSystem::OpenImage("stress.sfs", *A->PFM().File().MemoryImage());
  int32_t Live = 0;
  for (int32_t I = 0; I < B->DM().Count(); ++I) {
    Live += B->DM().Item(I).IsDeleted == 0 ? 1 : 0;
  }
  EXPECT_EQ(Live, int32_t(Model.size()));
  for (const auto& [Name, Data] : Model) {
    TSFSFileStream S(B.get(), Name, fmOpenRead);
    ASSERT_EQ(S.ReadAll(), Data) << Name;
  }
  // Every page of every file is marked used, and no page belongs to two files.
  std::map<int32_t, std::string> Owner;
  for (const auto& [Name, Data] : Model) {
    const TDirectoryElement& E = B->DM().Item(B->FindFileByName(Name));
    const TUserFilePageMap* Map = nullptr;
    ASSERT_EQ(B->UFM().GetMaps(E, Map), erOk);
    std::vector<int32_t> Pages = Map->MapPages;
    Pages.insert(Pages.end(), Map->DataPages.begin(), Map->DataPages.end());
    for (int32_t P : Pages) {
      EXPECT_FALSE(B->FSM().IsPageFree(P)) << Name << " page " << P;
      EXPECT_TRUE(Owner.emplace(P, Name).second) << P << " in " << Name << " and " << Owner[P];
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Geometries, SFSStress,
                         ::testing::Values(TStressCase{544, 1, 1}, TStressCase{544, 3, 2},
                                           TStressCase{1024, 4, 3}, TStressCase{4096, 8, 4},
                                           TStressCase{4096, 2, 5}));

} // namespace
