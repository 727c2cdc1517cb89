#include "drawables/UGShapes.h"

#include "base/UGError.h"
#include "base/UGFormat.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGVertexBuffer.h"
#include "math/UGMathUtils.h"

#include <cstring>
#include <numbers>

// Unit data -------------------------------------------------------------------------------------

namespace {

constexpr float H = 0.5f;

constexpr TGNormTexVertex CubeVertex(float X, float Y, float Z, float NX, float NY, float NZ,
                                     float TU, float TV) {
  return TGNormTexVertex{X, Y, Z, NX, NY, NZ, TU, TV};
}

} // namespace

const std::array<TGNormTexVertex, 24> CIdentityCubeVertices = {
    // +z
    CubeVertex(-H, -H, H, 0, 0, 1, 0, 0),
    CubeVertex(-H, H, H, 0, 0, 1, 1, 0),
    CubeVertex(H, H, H, 0, 0, 1, 1, 1),
    CubeVertex(H, -H, H, 0, 0, 1, 0, 1),
    // -z
    CubeVertex(H, -H, -H, 0, 0, -1, 0, 0),
    CubeVertex(H, H, -H, 0, 0, -1, 1, 0),
    CubeVertex(-H, H, -H, 0, 0, -1, 1, 1),
    CubeVertex(-H, -H, -H, 0, 0, -1, 0, 1),
    // +x
    CubeVertex(H, -H, H, 1, 0, 0, 0, 0),
    CubeVertex(H, H, H, 1, 0, 0, 1, 0),
    CubeVertex(H, H, -H, 1, 0, 0, 1, 1),
    CubeVertex(H, -H, -H, 1, 0, 0, 0, 1),
    // -x
    CubeVertex(-H, H, H, -1, 0, 0, 0, 0),
    CubeVertex(-H, -H, H, -1, 0, 0, 1, 0),
    CubeVertex(-H, -H, -H, -1, 0, 0, 1, 1),
    CubeVertex(-H, H, -H, -1, 0, 0, 0, 1),
    // +y
    CubeVertex(H, H, H, 0, 1, 0, 0, 0),
    CubeVertex(-H, H, H, 0, 1, 0, 1, 0),
    CubeVertex(-H, H, -H, 0, 1, 0, 1, 1),
    CubeVertex(H, H, -H, 0, 1, 0, 0, 1),
    // -y
    CubeVertex(-H, -H, H, 0, -1, 0, 0, 0),
    CubeVertex(H, -H, H, 0, -1, 0, 1, 0),
    CubeVertex(H, -H, -H, 0, -1, 0, 1, 1),
    CubeVertex(-H, -H, -H, 0, -1, 0, 0, 1),
};

const std::array<uint16_t, 36> CIdentityCubeIndices = [] {
  std::array<uint16_t, 36> R{};
  for (uint16_t F = 0; F < 6; ++F) {
    const uint16_t B = static_cast<uint16_t>(4 * F);
    const uint16_t Face[6] = {B, static_cast<uint16_t>(B + 2), static_cast<uint16_t>(B + 1),
                              B, static_cast<uint16_t>(B + 3), static_cast<uint16_t>(B + 2)};
    std::memcpy(&R[6u * F], Face, sizeof(Face));
  }
  return R;
}();

namespace Icosahedron {

namespace {
constexpr double X = 0.5257311121191336;
constexpr double Z = 0.8506508083520399;
} // namespace

const double Verts[12][3] = {{-X, 0, Z}, {X, 0, Z},  {-X, 0, -Z}, {X, 0, -Z},
                             {0, Z, X},  {0, Z, -X}, {0, -Z, X},  {0, -Z, -X},
                             {Z, X, 0},  {-Z, X, 0}, {Z, -X, 0},  {-Z, -X, 0}};

const uint32_t Indices[20][3] = {{1, 4, 0},  {4, 9, 0},  {4, 5, 9},  {8, 5, 4},  {1, 8, 4},
                                 {1, 10, 8}, {10, 3, 8}, {8, 3, 5},  {3, 2, 5},  {3, 7, 2},
                                 {3, 10, 7}, {10, 6, 7}, {6, 11, 7}, {6, 0, 11}, {6, 1, 0},
                                 {10, 1, 6}, {11, 0, 9}, {2, 11, 9}, {5, 2, 9},  {11, 2, 7}};

} // namespace Icosahedron

namespace {

std::vector<TGNormTexVertex> SphereOfDepth(int32_t Depth) {
  std::vector<TGNormTexVertex> R;
  BuildSphere(R, Depth);
  return R;
}

} // namespace

const std::vector<TGNormTexVertex> GGeoSphere1 = SphereOfDepth(0);
const std::vector<TGNormTexVertex> GGeoSphere2 = SphereOfDepth(1);
const std::vector<TGNormTexVertex> GGeoSphere3 = SphereOfDepth(2);

// Checks ------------------------------------------------------------------------------------------

namespace {

[[noreturn]] void AssertionFailure(TGSourceLocation Loc = TGSourceLocation::current()) {
  throw ErrorAt("Assertion failure", Loc);
}

TGGraphicsDevice& Device() {
  if (!GD)
    throw Error("The graphics device is not initialized");
  return *GD;
}

int64_t CapsuleVertices64(int64_t Segments, int64_t Rings) {
  return (Segments + 1) * (2 * Rings + 2) + 2;
}

int64_t CylinderVertices64(int64_t Segments) {
  return 4 * (Segments + 1) + 2;
}

// Everything that can make a capsule fail, checked before any buffer is touched.
void CheckCapsule(int32_t Segments, int32_t Rings) {
  if (!(Segments > 2))
    AssertionFailure();
  if (!(Rings > 1))
    AssertionFailure();
  // Either factor alone beyond the bound would also overflow the product.
  const int64_t IndexCount = Segments > CMaxShapeIndices || Rings > CMaxShapeIndices
                                 ? int64_t{CMaxShapeIndices} + 1
                                 : int64_t{12} * Segments * Rings;
  if (IndexCount > CMaxShapeIndices || CapsuleVertices64(Segments, Rings) > 65536)
    throw ERangeError(Format("A capsule of %d segments and %d rings has more than %d indices",
                             {Segments, Rings, CMaxShapeIndices}));
}

void CheckCylinder(int32_t Segments) {
  if (!(Segments > 2))
    AssertionFailure();
  const int64_t IndexCount = int64_t{12} * Segments;
  if (IndexCount > CMaxShapeIndices || CylinderVertices64(Segments) > 65536)
    throw ERangeError(
        Format("A cylinder of %d segments has more than %d indices", {Segments, CMaxShapeIndices}));
}

void CheckRoom(size_t Have, int64_t Need, const char* What) {
  if (static_cast<int64_t>(Have) < Need)
    throw ERangeError(Format("%s buffer too small: %d needed, %d given",
                             {What, Need, static_cast<int64_t>(Have)}));
}

// The device's shared buffers for format 274, locked write-only for one shape; unlocked again
// when the shape fails half-way, so that the next shape finds them usable.
class TSharedBuffers {
public:
  TSharedBuffers(TGGraphicsDevice& ADevice, int32_t VertexCount, int32_t IndexCount) {
    FVB = ADevice.CommonVertexBuffer(CNormTexVertexFormat, VertexCount, CNormTexVertexSize);
    ADevice.SetVertexBuffer(FVB);
    if (IndexCount > 0) {
      FIB = ADevice.CommonIndexBuffer(IndexCount);
      ADevice.SetIndexBuffer(FIB);
    }
    Vertices = std::span(static_cast<TGNormTexVertex*>(FVB->Lock(VertexCount, lmWriteOnly)),
                         static_cast<size_t>(VertexCount));
    if (FIB) {
      try {
        Indices = std::span(FIB->Lock(IndexCount, lmWriteOnly), static_cast<size_t>(IndexCount));
      } catch (...) {
        FVB->Unlock();
        throw;
      }
    }
  }
  TSharedBuffers(const TSharedBuffers&) = delete;
  TSharedBuffers& operator=(const TSharedBuffers&) = delete;
  // Reached with the buffers still locked only when filling failed; that failure is the one
  // that passes on.
  ~TSharedBuffers() {
    try {
      if (FVB && FVB->Locked())
        FVB->Unlock();
    } catch (...) {
    }
    try {
      if (FIB && FIB->Locked())
        FIB->Unlock();
    } catch (...) {
    }
  }

  void Unlock() {
    TGVertexBuffer* VB = FVB;
    TGIndexBuffer* IB = FIB;
    FVB = nullptr;
    FIB = nullptr;
    try {
      VB->Unlock();
    } catch (...) {
      if (IB)
        IB->Unlock();
      throw;
    }
    if (IB)
      IB->Unlock();
  }

  std::span<TGNormTexVertex> Vertices;
  std::span<uint16_t> Indices;

private:
  TGVertexBuffer* FVB = nullptr;
  TGIndexBuffer* FIB = nullptr;
};

// Runs Body between PushState (Mask) and PopState; the state is popped also when Body fails.
template <class F>
void WithState(TGGraphicsDevice& ADevice, TGDeviceStateMask Mask, F&& Body) {
  ADevice.PushState(Mask);
  try {
    Body();
  } catch (...) {
    ADevice.PopState();
    throw;
  }
  ADevice.PopState();
}

TGNormTexVertex SphereVertex(const TGVector& P) {
  TGNormTexVertex V;
  // A projection along the x axis: both halves of the sphere show the texture, mirrored.
  FillVert(V, P, P, TGFlatVector{P.Y / 2 + 0.5f, -P.Z / 2 + 0.5f});
  return V;
}

// The horizontal direction of column I: the angle grows by repeated addition of Step in floats,
// as the columns are walked in order.
struct TColumnAngle {
  float Angle = 0;
  float Cos = 1;
  float Sin = 0;
  void Compute() {
    double S = 0;
    double C = 0;
    GoodSinCos(Angle, S, C);
    Sin = static_cast<float>(S);
    Cos = static_cast<float>(C);
  }
};

} // namespace

// Sizes ------------------------------------------------------------------------------------------

int32_t CapsuleRings(int32_t Detail) {
  return Detail / 2 - 1;
}

int32_t CapsuleVertexCount(int32_t Detail) {
  CheckCapsule(Detail, CapsuleRings(Detail));
  return static_cast<int32_t>(CapsuleVertices64(Detail, CapsuleRings(Detail)));
}

int32_t CapsuleTriangleCount(int32_t Detail) {
  CheckCapsule(Detail, CapsuleRings(Detail));
  return static_cast<int32_t>(int64_t{4} * Detail * CapsuleRings(Detail));
}

int32_t CylinderVertexCount(int32_t Detail) {
  CheckCylinder(Detail);
  return static_cast<int32_t>(CylinderVertices64(Detail));
}

int32_t CylinderTriangleCount(int32_t Detail) {
  CheckCylinder(Detail);
  return static_cast<int32_t>(int64_t{4} * Detail);
}

// Builders ---------------------------------------------------------------------------------------

void FillVert(TGNormTexVertex& Vertex, const TGVector& Position, const TGVector& Normal,
              const TGFlatVector& Texture) {
  Vertex.SetPosition(Position);
  Vertex.SetNormal(Normal);
  Vertex.SetTexture(Texture);
}

void RecursiveDrawTriangle(std::vector<TGNormTexVertex>& Out, const TGVector& A, const TGVector& B,
                           const TGVector& C, int32_t Depth) {
  if (Depth > 0) {
    const TGVector AB = Vec3Normalize((A + B) * 0.5f);
    const TGVector BC = Vec3Normalize((B + C) * 0.5f);
    const TGVector CA = Vec3Normalize((C + A) * 0.5f);
    RecursiveDrawTriangle(Out, A, AB, CA, Depth - 1);
    RecursiveDrawTriangle(Out, B, BC, AB, Depth - 1);
    RecursiveDrawTriangle(Out, C, CA, BC, Depth - 1);
    RecursiveDrawTriangle(Out, AB, BC, CA, Depth - 1);
    return;
  }
  Out.push_back(SphereVertex(A));
  Out.push_back(SphereVertex(B));
  Out.push_back(SphereVertex(C));
}

void BuildSphere(std::vector<TGNormTexVertex>& Out, int32_t Depth) {
  // Each level multiplies the vertices by four; depth 6 already gives 245,760.
  if (Depth < 0 || Depth > 6)
    throw ERangeError(Format("Sphere depth %d out of range", {Depth}));
  Out.clear();
  Out.reserve(size_t{60} << (2 * Depth));
  auto Corner = [](uint32_t I) {
    const double* P = Icosahedron::Verts[I];
    return TGVector{static_cast<float>(P[0]), static_cast<float>(P[1]), static_cast<float>(P[2])};
  };
  for (const auto& Face : Icosahedron::Indices)
    RecursiveDrawTriangle(Out, Corner(Face[0]), Corner(Face[1]), Corner(Face[2]), Depth);
}

void BuildCapsule(std::span<TGNormTexVertex> Vertices, std::span<uint16_t> Indices,
                  int32_t Segments, float Radius, float Length, int32_t Rings) {
  CheckCapsule(Segments, Rings);
  CheckRoom(Vertices.size(), CapsuleVertices64(Segments, Rings), "Vertex");
  CheckRoom(Indices.size(), int64_t{12} * Segments * Rings, "Index");

  const float HalfLength = Length / 2;
  FillVert(Vertices[0], TGVector{0, 0, HalfLength + Radius}, TGVector{0, 0, 1},
           TGFlatVector{0.5f, 0.5f});
  FillVert(Vertices[1], TGVector{0, 0, -HalfLength - Radius}, TGVector{0, 0, -1},
           TGFlatVector{0.5f, 0.5f});

  const float Step = 2 * std::numbers::pi_v<float> / static_cast<float>(Segments);
  const float RingStep = (std::numbers::pi_v<float> / 2) / static_cast<float>(Rings);
  size_t N = 2;
  TColumnAngle A;
  for (int32_t I = 0; I <= Segments; ++I) {
    A.Compute();
    const float DX = A.Cos;
    const float DY = A.Sin;
    const TGVector N0{DX, DY, 0};
    const float SideU = 2 * static_cast<float>(I) / static_cast<float>(Segments);
    const TGFlatVector Cap{DX * 0.5f + 0.5f, DY * 0.5f + 0.5f};
    FillVert(Vertices[N++], TGVector{Radius * DX, Radius * DY, HalfLength}, N0,
             TGFlatVector{SideU, 0});
    FillVert(Vertices[N++], TGVector{Radius * DX, Radius * DY, -HalfLength}, N0,
             TGFlatVector{SideU, 1});
    FillVert(Vertices[N++], TGVector{Radius * DX, Radius * DY, HalfLength}, N0, Cap);
    FillVert(Vertices[N++], TGVector{Radius * DX, Radius * DY, -HalfLength}, N0, Cap);
    float Phi = 0;
    for (int32_t J = 1; J < Rings; ++J) {
      Phi += RingStep;
      double SinPhi = 0;
      double CosPhi = 0;
      GoodSinCos(Phi, SinPhi, CosPhi);
      const float CP = static_cast<float>(CosPhi);
      const float SP = static_cast<float>(SinPhi);
      const float W = 1 - static_cast<float>(J) / static_cast<float>(Rings);
      const TGFlatVector T{W * DX * 0.5f + 0.5f, W * DY * 0.5f + 0.5f};
      FillVert(Vertices[N++],
               TGVector{Radius * CP * DX, Radius * CP * DY, HalfLength + Radius * SP},
               TGVector{CP * DX, CP * DY, SP}, T);
      FillVert(Vertices[N++],
               TGVector{Radius * CP * DX, Radius * CP * DY, -HalfLength - Radius * SP},
               TGVector{CP * DX, CP * DY, -SP}, T);
    }
    A.Angle += Step;
  }

  const int32_t Column = 2 * Rings + 2;
  size_t K = 0;
  auto Tri = [&](int32_t P, int32_t Q, int32_t R) {
    Indices[K++] = static_cast<uint16_t>(P);
    Indices[K++] = static_cast<uint16_t>(Q);
    Indices[K++] = static_cast<uint16_t>(R);
  };
  for (int32_t I = 0; I < Segments; ++I) {
    int32_t V = 2 + I * Column;
    int32_t W = V + Column;
    Tri(V, V + 1, W);
    Tri(W, V + 1, W + 1);
    V += 2;
    W += 2;
    for (int32_t J = 1; J < Rings; ++J) {
      Tri(V, W, V + 2);
      Tri(W, W + 2, V + 2);
      Tri(V + 1, V + 3, W + 1);
      Tri(W + 1, V + 3, W + 3);
      V += 2;
      W += 2;
    }
    Tri(V, W, 0);
    Tri(V + 1, 1, W + 1);
  }
}

void BuildCylinder(std::span<TGNormTexVertex> Vertices, std::span<uint16_t> Indices,
                   int32_t Segments, float RadiusBottom, float RadiusTop, float Length) {
  CheckCylinder(Segments);
  CheckRoom(Vertices.size(), CylinderVertices64(Segments), "Vertex");
  CheckRoom(Indices.size(), int64_t{12} * Segments, "Index");

  const float HalfLength = Length / 2;
  FillVert(Vertices[0], TGVector{0, 0, HalfLength}, TGVector{0, 0, 1}, TGFlatVector{0.5f, 0.5f});
  FillVert(Vertices[1], TGVector{0, 0, -HalfLength}, TGVector{0, 0, -1}, TGFlatVector{0.5f, 0.5f});

  const float Step = 2 * std::numbers::pi_v<float> / static_cast<float>(Segments);
  size_t N = 2;
  TColumnAngle A;
  for (int32_t I = 0; I <= Segments; ++I) {
    A.Compute();
    const float DX = A.Cos;
    const float DY = A.Sin;
    // Every vertex of the column carries the horizontal normal, the rims and a cone's sides too.
    const TGVector N0{DX, DY, 0};
    const float SideU = 2 * static_cast<float>(I) / static_cast<float>(Segments);
    const TGFlatVector Cap{DX * 0.5f + 0.5f, DY * 0.5f + 0.5f};
    const TGVector Top{RadiusTop * DX, RadiusTop * DY, HalfLength};
    const TGVector Bottom{RadiusBottom * DX, RadiusBottom * DY, -HalfLength};
    FillVert(Vertices[N++], Top, N0, TGFlatVector{SideU, 0});
    FillVert(Vertices[N++], Bottom, N0, TGFlatVector{SideU, 1});
    FillVert(Vertices[N++], Top, N0, Cap);
    FillVert(Vertices[N++], Bottom, N0, Cap);
    A.Angle += Step;
  }

  size_t K = 0;
  for (int32_t I = 0; I < Segments; ++I) {
    const int32_t V = 2 + 4 * I;
    const int32_t W = V + 4;
    const int32_t Tris[12] = {V, V + 1, W, W, V + 1, W + 1, V + 2, W + 2, 0, V + 3, 1, W + 3};
    for (int32_t T : Tris)
      Indices[K++] = static_cast<uint16_t>(T);
  }
}

// Drawing ----------------------------------------------------------------------------------------

void DrawCube(float SX, float SY, float SZ) {
  TGGraphicsDevice& D = Device();
  WithState(D, TGDeviceStateMask{bMatrix, bVertexBuffer, bIndexBuffer}, [&] {
    D.MultiplyLeft(MatScaling(SX, SY, SZ));
    TSharedBuffers B(D, static_cast<int32_t>(CIdentityCubeVertices.size()),
                     static_cast<int32_t>(CIdentityCubeIndices.size()));
    std::copy(CIdentityCubeVertices.begin(), CIdentityCubeVertices.end(), B.Vertices.begin());
    std::copy(CIdentityCubeIndices.begin(), CIdentityCubeIndices.end(), B.Indices.begin());
    B.Unlock();
    D.DrawIndexedTriangleList(0, 12, 0, 24);
  });
}

void DrawSphere(const TGVector& Position, int32_t LOD, float Radius) {
  const std::vector<TGNormTexVertex>* Sphere = nullptr;
  switch (LOD) {
  case 0:
    Sphere = &GGeoSphere1;
    break;
  case 1:
    Sphere = &GGeoSphere2;
    break;
  case 2:
    Sphere = &GGeoSphere3;
    break;
  default:
    throw Error();
  }
  TGGraphicsDevice& D = Device();
  const int32_t Count = static_cast<int32_t>(Sphere->size());
  WithState(D, TGDeviceStateMask{bMatrix, bVertexBuffer}, [&] {
    D.MultiplyLeft(MatScaling(Radius, Radius, Radius) * MatTranslation(Position));
    TSharedBuffers B(D, Count, 0);
    std::copy(Sphere->begin(), Sphere->end(), B.Vertices.begin());
    B.Unlock();
    D.DrawTriangleList(Count / 3);
  });
}

void DrawCapsule(int32_t Detail, float Radius, float Length) {
  const int32_t Rings = CapsuleRings(Detail);
  CheckCapsule(Detail, Rings); // before any state or buffer is touched
  TGGraphicsDevice& D = Device();
  const int32_t VertexCount = CapsuleVertexCount(Detail);
  const int32_t TriangleCount = CapsuleTriangleCount(Detail);
  WithState(D, TGDeviceStateMask{bVertexBuffer, bIndexBuffer}, [&] {
    TSharedBuffers B(D, VertexCount, 3 * TriangleCount);
    BuildCapsule(B.Vertices, B.Indices, Detail, Radius, Length, Rings);
    B.Unlock();
    D.DrawIndexedTriangleList(0, TriangleCount, 0, VertexCount);
  });
}

void DrawCylinder(int32_t Detail, float RadiusBottom, float RadiusTop, float Length) {
  CheckCylinder(Detail); // before any state or buffer is touched
  TGGraphicsDevice& D = Device();
  const int32_t VertexCount = CylinderVertexCount(Detail);
  const int32_t TriangleCount = CylinderTriangleCount(Detail);
  WithState(D, TGDeviceStateMask{bVertexBuffer, bIndexBuffer}, [&] {
    TSharedBuffers B(D, VertexCount, 3 * TriangleCount);
    BuildCylinder(B.Vertices, B.Indices, Detail, RadiusBottom, RadiusTop, Length);
    B.Unlock();
    D.DrawIndexedTriangleList(0, TriangleCount, 0, VertexCount);
  });
}
