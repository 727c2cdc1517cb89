// The include rules of the sources, from the table in cmake/Layers.txt: libraries include only
// the libraries below them, the engine's folders only folders of their own layer or below, the
// outside libraries' headers only where their wrapper lives, and every project header is
// included by its path below its library's root.
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TLibrary {
  std::string Name;
  std::string Root; // "-": headers are named by their file name, from the same folder only
  std::vector<std::string> Folders;
  std::map<std::string, int> Ranks; // folder below the first folder -> rank
};

struct TOutside {
  std::vector<std::string> Folders;
  std::vector<std::string> Headers; // names, or prefixes ending in '/'
};

struct TLayerTable {
  std::vector<TLibrary> Libraries; // bottom first
  std::vector<TOutside> Outside;
  std::vector<std::string> Helpers; // headers tests include by their file name
};

bool Within(const std::string& Path, const std::string& Folder) {
  return Path.size() > Folder.size() && Path.compare(0, Folder.size(), Folder) == 0 &&
         Path[Folder.size()] == '/';
}

TLayerTable ReadTable(const fs::path& File) {
  std::ifstream In(File);
  if (!In) {
    throw std::runtime_error("cannot read " + File.string());
  }
  TLayerTable T;
  std::string Line;
  for (int No = 1; std::getline(In, Line); ++No) {
    Line = Line.substr(0, Line.find('#'));
    std::istringstream Words(Line);
    std::vector<std::string> W;
    for (std::string S; Words >> S;) {
      W.push_back(S);
    }
    if (W.empty()) {
      continue;
    }
    const std::string Where = File.filename().string() + ":" + std::to_string(No) + ": ";
    if (W[0] == "library" && W.size() >= 4) {
      T.Libraries.push_back({W[1], W[2], {W.begin() + 3, W.end()}, {}});
    } else if (W[0] == "layer" && W.size() >= 4) {
      auto L = std::find_if(T.Libraries.begin(), T.Libraries.end(),
                            [&](const TLibrary& Lib) { return Lib.Name == W[1]; });
      if (L == T.Libraries.end()) {
        throw std::runtime_error(Where + "no library " + W[1]);
      }
      for (size_t I = 3; I < W.size(); ++I) {
        L->Ranks[W[I]] = std::stoi(W[2]);
      }
    } else if (W[0] == "outside" && W.size() >= 4) {
      auto Colon = std::find(W.begin(), W.end(), ":");
      if (Colon == W.end() || Colon == W.begin() + 1 || Colon + 1 == W.end()) {
        throw std::runtime_error(Where + "an outside line is: outside FOLDER... : HEADER...");
      }
      T.Outside.push_back({{W.begin() + 1, Colon}, {Colon + 1, W.end()}});
    } else if (W[0] == "helpers" && W.size() >= 2) {
      T.Helpers.insert(T.Helpers.end(), W.begin() + 1, W.end());
    } else {
      throw std::runtime_error(Where + "cannot read \"" + Line + "\"");
    }
  }
  return T;
}

// Checks every source of a tree against a table; each breach is one line of the result.
class TIncludeChecker {
public:
  TIncludeChecker(fs::path ARoot, TLayerTable ATable)
      : FRoot(std::move(ARoot))
      , FTable(std::move(ATable)) {}

  std::vector<std::string> Check() {
    FFindings.clear();
    for (const char* Top : {"common", "src", "tools", "tests", "bench", "fuzz"}) {
      if (!fs::is_directory(FRoot / Top)) {
        continue;
      }
      std::vector<std::string> Files;
      for (const auto& E : fs::recursive_directory_iterator(FRoot / Top)) {
        const std::string Ext = E.path().extension().string();
        if (E.is_regular_file() && (Ext == ".h" || Ext == ".cpp")) {
          Files.push_back(fs::relative(E.path(), FRoot).generic_string());
        }
      }
      std::sort(Files.begin(), Files.end());
      for (const std::string& F : Files) {
        CheckFile(F);
      }
    }
    return FFindings;
  }

private:
  struct TPlace {
    int Library = -1; // index into the table, -1 for tests, benchmarks and fuzz targets
    int Rank = 0;     // 0 for libraries without layers
    std::string Folder;
  };

  TPlace PlaceOf(const std::string& File) const {
    TPlace P;
    size_t Best = 0;
    for (size_t I = 0; I < FTable.Libraries.size(); ++I) {
      for (const std::string& F : FTable.Libraries[I].Folders) {
        if (Within(File, F) && F.size() > Best) {
          Best = F.size();
          P.Library = static_cast<int>(I);
        }
      }
    }
    if (P.Library < 0) {
      return P;
    }
    const TLibrary& L = FTable.Libraries[P.Library];
    if (L.Ranks.empty()) {
      return P;
    }
    // The folder below the library's first folder, then its parents, until one has a rank.
    std::string Sub = fs::path(File.substr(L.Folders.front().size() + 1)).parent_path().string();
    for (; !Sub.empty(); Sub = fs::path(Sub).parent_path().string()) {
      auto R = L.Ranks.find(Sub);
      if (R != L.Ranks.end()) {
        P.Rank = R->second;
        P.Folder = Sub;
        return P;
      }
    }
    P.Rank = -1;
    return P;
  }

  std::string Describe(const TPlace& P) const {
    const TLibrary& L = FTable.Libraries[P.Library];
    if (L.Ranks.empty()) {
      return "library " + L.Name;
    }
    return L.Name + "/" + P.Folder + " (layer " + std::to_string(P.Rank) + ")";
  }

  bool IsHelper(const std::string& File) const {
    return std::any_of(FTable.Helpers.begin(), FTable.Helpers.end(),
                       [&](const std::string& H) { return Within(File, H); });
  }

  // The file a quoted include names: beside the includer, else below a library root or a
  // helper folder. Empty when there is none.
  std::string Resolve(const std::string& Includer, const std::string& Name) const {
    std::vector<std::string> Bases{fs::path(Includer).parent_path().string()};
    for (const TLibrary& L : FTable.Libraries) {
      if (L.Root != "-") {
        Bases.push_back(L.Root);
      }
    }
    Bases.insert(Bases.end(), FTable.Helpers.begin(), FTable.Helpers.end());
    for (const std::string& B : Bases) {
      const fs::path P = fs::path(B) / Name;
      if (fs::is_regular_file(FRoot / P)) {
        return P.lexically_normal().generic_string();
      }
    }
    return {};
  }

  // How an include of Target from Includer is to be spelled.
  std::string Spelling(const std::string& Includer, const std::string& Target) const {
    const TPlace T = PlaceOf(Target);
    if (T.Library >= 0 && FTable.Libraries[T.Library].Root != "-") {
      return fs::relative(fs::path(Target), fs::path(FTable.Libraries[T.Library].Root))
          .generic_string();
    }
    const bool SameFolder = fs::path(Target).parent_path() == fs::path(Includer).parent_path();
    if (SameFolder || (PlaceOf(Includer).Library < 0 && IsHelper(Target))) {
      return fs::path(Target).filename().string();
    }
    return {};
  }

  void Report(const std::string& File, int Line, const std::string& What) {
    FFindings.push_back(File + ":" + std::to_string(Line) + ": " + What);
  }

  // The header an include line names and whether it is quoted; empty for other lines.
  static std::string IncludedName(const std::string& Line, bool& Quoted) {
    size_t P = Line.find_first_not_of(" \t");
    if (P == std::string::npos || Line[P] != '#') {
      return {};
    }
    P = Line.find_first_not_of(" \t", P + 1);
    if (P == std::string::npos || Line.compare(P, 7, "include") != 0) {
      return {};
    }
    P = Line.find_first_not_of(" \t", P + 7);
    if (P == std::string::npos || (Line[P] != '"' && Line[P] != '<')) {
      return {};
    }
    Quoted = Line[P] == '"';
    const size_t End = Line.find(Quoted ? '"' : '>', P + 1);
    return End == std::string::npos ? std::string() : Line.substr(P + 1, End - P - 1);
  }

  void CheckFile(const std::string& File) {
    const TPlace Self = PlaceOf(File);
    if (Self.Rank < 0) {
      Report(File, 0, "its folder has no layer in the table");
      return;
    }
    const bool Wraps = Within(File, "common") || Within(File, "src");
    std::ifstream In(FRoot / File);
    std::string Line;
    for (int No = 1; std::getline(In, Line); ++No) {
      bool Quoted = false;
      const std::string Name = IncludedName(Line, Quoted);
      if (Name.empty()) {
        continue;
      }
      if (Quoted) {
        CheckInclude(File, No, Self, Name);
      } else if (Wraps) {
        CheckOutside(File, No, Name);
      }
    }
  }

  void CheckInclude(const std::string& File, int No, const TPlace& Self, const std::string& Name) {
    const std::string Target = Resolve(File, Name);
    if (Target.empty()) {
      Report(File, No, "cannot find \"" + Name + "\"");
      return;
    }
    const std::string Expected = Spelling(File, Target);
    if (Expected.empty()) {
      Report(File, No, "\"" + Name + "\" may not be included from here");
    } else if (Expected != Name) {
      Report(File, No, "write \"" + Expected + "\" for \"" + Name + "\"");
    }
    const TPlace T = PlaceOf(Target);
    if (Self.Library < 0 || T.Library < 0 || T.Rank < 0) {
      return;
    }
    if (T.Library > Self.Library || (T.Library == Self.Library && T.Rank > Self.Rank)) {
      Report(File, No, Expected + " is in " + Describe(T) + ", above " + Describe(Self));
    }
  }

  void CheckOutside(const std::string& File, int No, const std::string& Header) {
    for (const TOutside& O : FTable.Outside) {
      const bool Names = std::any_of(O.Headers.begin(), O.Headers.end(), [&](const std::string& H) {
        return H.back() == '/' ? Header.compare(0, H.size(), H) == 0 : Header == H;
      });
      if (!Names) {
        continue;
      }
      const bool Allowed = std::any_of(O.Folders.begin(), O.Folders.end(),
                                       [&](const std::string& F) { return Within(File, F); });
      if (!Allowed) {
        std::string Folders;
        for (const std::string& F : O.Folders) {
          Folders += (Folders.empty() ? "" : ", ") + F;
        }
        Report(File, No, "<" + Header + "> belongs to " + Folders);
      }
    }
  }

  fs::path FRoot;
  TLayerTable FTable;
  std::vector<std::string> FFindings;
};

std::string Joined(const std::vector<std::string>& Lines) {
  std::string S;
  for (const std::string& L : Lines) {
    S += L + "\n";
  }
  return S;
}

void Write(const fs::path& File, const std::string& Text) {
  fs::create_directories(File.parent_path());
  std::ofstream(File) << Text;
}

} // namespace

TEST(IncludeLayers, TheSourcesKeepTheirLayers) {
  const fs::path Root = HOE_SOURCE_DIR;
  TIncludeChecker Checker(Root, ReadTable(Root / "cmake" / "Layers.txt"));
  const std::vector<std::string> Findings = Checker.Check();
  EXPECT_TRUE(Findings.empty()) << Findings.size() << " breaches of cmake/Layers.txt:\n"
                                << Joined(Findings);
}

// A small tree with one breach of every kind, each found where it is.
TEST(IncludeLayers, FindsEveryKindOfBreach) {
  TTempDir Tree("layers");
  const fs::path R = Tree.Path();
  Write(R / "Layers.txt", "library low common common/low\n"
                          "library core common/core common/core\n"
                          "library high src src\n"
                          "layer core 1 base\n"
                          "layer core 2 gfx\n"
                          "outside common/core/gfx : gl/ png.h\n"
                          "helpers tests/support\n");
  Write(R / "common/low/ULow.h", "#pragma once\n");
  Write(R / "common/core/base/UBase.h", "#include \"gfx/UGfx.h\"\n"       // up a layer
                                        "#include \"low/ULow.h\"\n"       // below: fine
                                        "#include <png.h>\n");            // not its library
  Write(R / "common/core/base/UOther.h", "#include \"UBase.h\"\n"         // unqualified
                                         "#include \"base/UMissing.h\"\n" // no such file
                                         "#include \"UHigh.h\"\n");       // a library above
  Write(R / "common/core/gfx/UGfx.h", "#include \"base/UBase.h\"\n#include <gl/gl.h>\n");
  Write(R / "common/core/loose/ULoose.h", "\n");
  Write(R / "common/low/ULow.cpp", "#include \"core/base/UBase.h\"\n"); // wrong root, and up
  Write(R / "src/UHigh.h", "#include \"gfx/UGfx.h\"\n");
  Write(R / "tests/support/Helper.h", "\n");
  Write(R / "tests/core/TestBase.cpp", "#include \"Helper.h\"\n#include \"base/UBase.h\"\n"
                                       "#include \"UBase.h\"\n");

  TIncludeChecker Checker(R, ReadTable(R / "Layers.txt"));
  EXPECT_EQ(Joined(Checker.Check()),
            "common/core/base/UBase.h:1: gfx/UGfx.h is in core/gfx (layer 2), above core/base "
            "(layer 1)\n"
            "common/core/base/UBase.h:3: <png.h> belongs to common/core/gfx\n"
            "common/core/base/UOther.h:1: write \"base/UBase.h\" for \"UBase.h\"\n"
            "common/core/base/UOther.h:2: cannot find \"base/UMissing.h\"\n"
            "common/core/base/UOther.h:3: UHigh.h is in library high, above core/base (layer 1)\n"
            "common/core/loose/ULoose.h:0: its folder has no layer in the table\n"
            "common/low/ULow.cpp:1: write \"base/UBase.h\" for \"core/base/UBase.h\"\n"
            "common/low/ULow.cpp:1: base/UBase.h is in core/base (layer 1), above library low\n"
            "tests/core/TestBase.cpp:3: cannot find \"UBase.h\"\n");
}

TEST(IncludeLayers, AMalformedTableIsReportedWithItsLine) {
  TTempDir Tree("layers");
  Write(Tree.Path() / "Layers.txt", "library core common/core common/core\nlayer gfx 2 gfx\n");
  try {
    ReadTable(Tree.Path() / "Layers.txt");
    ADD_FAILURE() << "the table was read";
  } catch (const std::runtime_error& E) {
    EXPECT_STREQ(E.what(), "Layers.txt:2: no library gfx");
  }
}
