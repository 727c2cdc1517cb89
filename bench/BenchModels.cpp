// 3D models: loading a text ".x" model of 50,000 triangles (a 125 × 200 grid of quads with
// normals, texture coordinates and two materials in alternating rows, made in memory), and
// skinning 10,000 vertices with four bones each, as one update of an animated model does.
// Goals: the load under 100 ms, the skinning under 1 ms.
#include "io/UGStream.h"
#include "scene3d/UGMesh.h"
#include "scene3d/UGModel.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr int CColumns = 125;
constexpr int CRows = 200;

std::string Number(double V) {
  char Buf[32];
  auto [End, Ec] = std::to_chars(Buf, Buf + sizeof(Buf), V, std::chars_format::fixed, 6);
  return Ec == std::errc() ? std::string(Buf, End) : std::string("0");
}

// The faces of the grid (two triangles per quad), each line indented by Indent.
std::string Triangles(const std::string& Indent) {
  const int W = CColumns + 1;
  std::string S = std::to_string(CColumns * CRows * 2) + ";\n";
  for (int Y = 0; Y < CRows; ++Y)
    for (int X = 0; X < CColumns; ++X) {
      const int A = Y * W + X;
      const bool Last = Y == CRows - 1 && X == CColumns - 1;
      S += Indent + "3;" + std::to_string(A) + "," + std::to_string(A + 1) + "," +
           std::to_string(A + W + 1) + ";,\n" + Indent + "3;" + std::to_string(A) + "," +
           std::to_string(A + W + 1) + "," + std::to_string(A + W) + (Last ? ";;\n" : ";,\n");
    }
  return S;
}

// The grid as an exporter writes it: one vertex per grid point, the same indices for the
// positions and the normals.
std::string GridX() {
  const int W = CColumns + 1;
  const int H = CRows + 1;
  std::string S = "xof 0303txt 0032\nFrame Grid {\n FrameTransformMatrix {\n"
                  "  1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;;\n }\n"
                  " Mesh Terrain {\n  " +
                  std::to_string(W * H) + ";\n";
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X)
      S += "  " + Number(X * 0.1) + ";" + Number(Y * 0.1) + ";" +
           Number(0.2 * std::sin(X * 0.3) * std::cos(Y * 0.2)) +
           (Y == H - 1 && X == W - 1 ? ";;\n" : ";,\n");
  S += "  " + Triangles("  ");
  S += "  MeshNormals {\n   " + std::to_string(W * H) + ";\n";
  for (int I = 0; I < W * H; ++I)
    S += std::string("   0.000000;0.000000;1.000000") + (I == W * H - 1 ? ";;\n" : ";,\n");
  S += "   " + Triangles("   ");
  S += "  }\n  MeshTextureCoords {\n   " + std::to_string(W * H) + ";\n";
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X)
      S += "   " + Number(double(X) / CColumns) + ";" + Number(double(Y) / CRows) +
           (Y == H - 1 && X == W - 1 ? ";;\n" : ";,\n");
  S += "  }\n  MeshMaterialList {\n   2;\n   " + std::to_string(CColumns * CRows * 2) + ";\n";
  for (int Y = 0; Y < CRows; ++Y)
    for (int I = 0; I < CColumns * 2; ++I)
      S += std::string("   ") + (Y % 2 ? "1" : "0") +
           (Y == CRows - 1 && I == CColumns * 2 - 1 ? ";;\n" : ",\n");
  S += "   Material Grass { 0.3;0.6;0.2;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
       "   Material Earth { 0.5;0.4;0.2;1.0;; 0.0; 0.0;0.0;0.0;; 0.0;0.0;0.0;; }\n"
       "  }\n }\n}\n";
  return S;
}

void BM_LoadTextX50kTriangles(benchmark::State& State) {
  const std::string File = GridX();
  for (auto _ : State) {
    TGObjectPtr<TGModel> M(new TGModel());
    TGMemoryStream In(File);
    M->LoadFromStream(In, nullptr);
    benchmark::DoNotOptimize(M.get());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) *
                          static_cast<int64_t>(File.size()));
  State.counters["triangles"] = CColumns * CRows * 2;
}
BENCHMARK(BM_LoadTextX50kTriangles)->Unit(benchmark::kMillisecond);

// A strip of 10,000 lit, textured vertices; every vertex follows four bones at a quarter each.
void BM_Skin10kVertices4Bones(benchmark::State& State) {
  constexpr int CVertices = 10000;
  constexpr int CBones = 4;
  TGObjectPtr<TGModel> M(new TGModel());
  auto* Root = new TGFrame(M->Frames());
  M->Frames()->Add(Root);
  std::vector<TGFrame*> Bones;
  for (int B = 0; B < CBones; ++B) {
    auto* F = new TGFrame(M->Frames());
    M->Frames()->Add(F);
    F->SetParentIndex(0);
    Bones.push_back(F);
  }
  auto* Mesh = new TGMesh(M->Frames());
  M->Frames()->Add(Mesh);
  Mesh->SetParentIndex(0);
  std::vector<float> Vertices;
  for (int V = 0; V < CVertices; ++V)
    Vertices.insert(Vertices.end(), {V * 0.01f, std::sin(V * 0.1f), 0, 0, 0, 1, V * 1e-4f, 0});
  Mesh->SetGeometry(CFVFXYZ | CFVFNormal | 0x100, CVertices, Vertices.data(), {});
  for (int B = 0; B < CBones; ++B) {
    auto* Bone = new TGMeshBone(Mesh->Bones());
    Mesh->Bones()->Add(Bone);
    Bone->FrameIndex = B + 1;
    for (int V = 0; V < CVertices; ++V) {
      Bone->Vertices.push_back(V);
      Bone->Weights.push_back(0.25f);
    }
  }
  M->FinishLoading();
  float Angle = 0;
  for (auto _ : State) {
    Angle += 0.01f;
    for (int B = 0; B < CBones; ++B)
      Bones[static_cast<size_t>(B)]->SetFrameMatrix(MatRotationZ(Angle * (B + 1)) *
                                                    MatTranslation(0, 0, static_cast<float>(B)));
    Mesh->Skin();
    benchmark::DoNotOptimize(Mesh->CurrentPosition(CVertices - 1));
  }
  State.SetItemsProcessed(static_cast<int64_t>(State.iterations()) * CVertices);
}
BENCHMARK(BM_Skin10kVertices4Bones)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
