// Shapes and triangle meshes: the built geometry, and drawing through a real OpenGL context on a
// headless window (SDL's offscreen driver).
#include "HeadlessDevice.h"
#include "drawables/UGShapes.h"
#include "drawables/UGTriMesh.h"
#include "graphics/UGBitmap.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGManagedTexture.h"
#include "graphics/UGVertexBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

namespace {

void ExpectVecNear(const TGVector& A, const TGVector& B, float Tolerance = 1e-5f) {
  EXPECT_NEAR(A.X, B.X, Tolerance);
  EXPECT_NEAR(A.Y, B.Y, Tolerance);
  EXPECT_NEAR(A.Z, B.Z, Tolerance);
}

TGVector IcoVertex(int I) {
  const double* P = Icosahedron::Verts[I];
  return TGVector{static_cast<float>(P[0]), static_cast<float>(P[1]), static_cast<float>(P[2])};
}

struct TShape {
  std::vector<TGNormTexVertex> Vertices;
  std::vector<uint16_t> Indices;
};

TShape Capsule(int32_t Detail, float Radius, float Length) {
  TShape S;
  S.Vertices.resize(static_cast<size_t>(CapsuleVertexCount(Detail)));
  S.Indices.resize(static_cast<size_t>(CapsuleTriangleCount(Detail)) * 3);
  BuildCapsule(S.Vertices, S.Indices, Detail, Radius, Length, CapsuleRings(Detail));
  return S;
}

TShape Cylinder(int32_t Detail, float RadiusBottom, float RadiusTop, float Length) {
  TShape S;
  S.Vertices.resize(static_cast<size_t>(CylinderVertexCount(Detail)));
  S.Indices.resize(static_cast<size_t>(CylinderTriangleCount(Detail)) * 3);
  BuildCylinder(S.Vertices, S.Indices, Detail, RadiusBottom, RadiusTop, Length);
  return S;
}

// Every index names a vertex, and every vertex is used.
void ExpectIndicesCover(const TShape& S) {
  std::vector<bool> Used(S.Vertices.size());
  for (uint16_t I : S.Indices) {
    ASSERT_LT(I, S.Vertices.size());
    Used[I] = true;
  }
  for (size_t I = 0; I < Used.size(); ++I)
    EXPECT_TRUE(Used[I]) << "vertex " << I << " unused";
}

} // namespace

// Geometry ---------------------------------------------------------------------------------------

TEST(Shapes, CubeFacesAndIndexPattern) {
  EXPECT_EQ(sizeof(CIdentityCubeVertices), 768u);
  EXPECT_EQ(sizeof(CIdentityCubeIndices), 72u);
  const TGFlatVector Corners[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int F = 0; F < 6; ++F) {
    const int B = 4 * F;
    const uint16_t* I = &CIdentityCubeIndices[6 * static_cast<size_t>(F)];
    EXPECT_EQ(I[0], B);
    EXPECT_EQ(I[1], B + 2);
    EXPECT_EQ(I[2], B + 1);
    EXPECT_EQ(I[3], B);
    EXPECT_EQ(I[4], B + 3);
    EXPECT_EQ(I[5], B + 2);
    const TGVector N = CIdentityCubeVertices[static_cast<size_t>(B)].Normal();
    for (int C = 0; C < 4; ++C) {
      const TGNormTexVertex& V = CIdentityCubeVertices[static_cast<size_t>(B + C)];
      EXPECT_EQ(V.Normal(), N) << "face " << F;
      EXPECT_EQ(V.Texture().X, Corners[C].X);
      EXPECT_EQ(V.Texture().Y, Corners[C].Y);
      // Every corner lies on the face plane, at distance 0.5 from the centre along the normal.
      EXPECT_FLOAT_EQ(VecDotProduct(V.Position(), N), 0.5f);
      EXPECT_FLOAT_EQ(std::fabs(V.X) + std::fabs(V.Y) + std::fabs(V.Z), 1.5f);
    }
  }
  EXPECT_EQ(CIdentityCubeVertices[0].Position(), (TGVector{-0.5f, -0.5f, 0.5f}));
  EXPECT_EQ(CIdentityCubeVertices[13].Position(), (TGVector{-0.5f, -0.5f, 0.5f}));
  EXPECT_EQ(CIdentityCubeVertices[21].Normal(), (TGVector{0, -1, 0}));
}

TEST(Shapes, GeodesicSphereOfDepthOne) {
  std::vector<TGNormTexVertex> S;
  BuildSphere(S, 1);
  ASSERT_EQ(S.size(), 240u);
  for (const TGNormTexVertex& V : S) {
    EXPECT_NEAR(VecLength(V.Position()), 1, 1e-5);
    EXPECT_EQ(V.Normal(), V.Position());
    EXPECT_FLOAT_EQ(V.TU, V.Y / 2 + 0.5f);
    EXPECT_FLOAT_EQ(V.TV, -V.Z / 2 + 0.5f);
  }
  // The first face is (1, 4, 0); its first quarter is the corner triangle at vertex 1.
  const TGVector A = IcoVertex(1);
  const TGVector B = IcoVertex(4);
  const TGVector C = IcoVertex(0);
  EXPECT_EQ(S[0].Position(), A);
  ExpectVecNear(S[1].Position(), Vec3Normalize((A + B) * 0.5f));
  ExpectVecNear(S[2].Position(), Vec3Normalize((C + A) * 0.5f));
  // ... and the fourth quarter is the middle triangle AB, BC, CA.
  ExpectVecNear(S[9].Position(), Vec3Normalize((A + B) * 0.5f));
  ExpectVecNear(S[10].Position(), Vec3Normalize((B + C) * 0.5f));
  // Sub-triangles keep the outward winding of the icosahedron's faces.
  for (size_t T = 0; T < S.size(); T += 3) {
    const TGVector N = VecCrossProduct(S[T + 1].Position() - S[T].Position(),
                                       S[T + 2].Position() - S[T].Position());
    EXPECT_GT(VecDotProduct(N, S[T].Position()), 0) << "triangle " << T / 3;
  }
}

TEST(Shapes, SpheresBuiltAtStartUp) {
  EXPECT_EQ(GGeoSphere1.size(), 60u);
  EXPECT_EQ(GGeoSphere2.size(), 240u);
  EXPECT_EQ(GGeoSphere3.size(), 960u);
  std::vector<TGNormTexVertex> S;
  BuildSphere(S, 2);
  EXPECT_EQ(S, GGeoSphere3);
  BuildSphere(S, 0); // replaces, never appends
  EXPECT_EQ(S, GGeoSphere1);
  EXPECT_EQ(S[0].Position(), IcoVertex(1));
  EXPECT_THROW(BuildSphere(S, 7), ERangeError);
  EXPECT_THROW(BuildSphere(S, -1), ERangeError);
}

TEST(Shapes, CapsuleSizes) {
  EXPECT_EQ(CapsuleRings(6), 2);
  EXPECT_EQ(CapsuleVertexCount(6), 44);
  EXPECT_EQ(CapsuleTriangleCount(6), 48);
  EXPECT_EQ(CapsuleRings(7), 2);
  EXPECT_EQ(CapsuleVertexCount(7), 50);
  EXPECT_EQ(CapsuleTriangleCount(7), 56);
  EXPECT_EQ(CylinderVertexCount(3), 18);
  EXPECT_EQ(CylinderTriangleCount(3), 12);
  EXPECT_ERROR_TEXT(CapsuleVertexCount(5), "Assertion failure");
  EXPECT_THROW(CapsuleTriangleCount(std::numeric_limits<int32_t>::max()), ERangeError);
  EXPECT_ERROR_TEXT(CylinderVertexCount(std::numeric_limits<int32_t>::min()), "Assertion failure");
  EXPECT_THROW(CylinderTriangleCount(1366), ERangeError);
  std::vector<TGNormTexVertex> V(100);
  std::vector<uint16_t> I(100);
  EXPECT_THROW(BuildCapsule(V, I, 3, 1, 1, std::numeric_limits<int32_t>::max()), ERangeError);
}

TEST(Shapes, CapsuleLiesOnItsSurface) {
  const float R = 2;
  const float L = 3;
  for (int32_t Detail : {6, 7, 12, 53}) {
    SCOPED_TRACE(Detail);
    const TShape S = Capsule(Detail, R, L);
    ExpectIndicesCover(S);
    EXPECT_EQ(S.Vertices[0].Position(), (TGVector{0, 0, L / 2 + R}));
    EXPECT_EQ(S.Vertices[1].Position(), (TGVector{0, 0, -L / 2 - R}));
    for (const TGNormTexVertex& V : S.Vertices) {
      // The nearest point of the axis segment; the vertex is R away from it, along its normal.
      const TGVector Axis{0, 0, std::clamp(V.Z, -L / 2, L / 2)};
      ExpectVecNear(V.Position() - Axis, V.Normal() * R, 1e-4f);
      EXPECT_NEAR(VecLength(V.Normal()), 1, 1e-5);
      EXPECT_GE(V.TU, 0);
      EXPECT_LE(V.TU, 2);
    }
    // The last column repeats the first position with the side texture wrapped twice.
    const size_t Column = 2 * static_cast<size_t>(CapsuleRings(Detail)) + 2;
    const TGNormTexVertex& First = S.Vertices[2];
    const TGNormTexVertex& Last = S.Vertices[2 + static_cast<size_t>(Detail) * Column];
    ExpectVecNear(Last.Position(), First.Position(), 1e-4f);
    EXPECT_FLOAT_EQ(First.TU, 0);
    EXPECT_FLOAT_EQ(Last.TU, 2);
    // All triangles turn the same way seen from outside the (convex) capsule.
    auto Winding = [&](size_t T) {
      const TGVector P0 = S.Vertices[S.Indices[T]].Position();
      const TGVector P1 = S.Vertices[S.Indices[T + 1]].Position();
      const TGVector P2 = S.Vertices[S.Indices[T + 2]].Position();
      return VecDotProduct(VecCrossProduct(P1 - P0, P2 - P0), P0 + P1 + P2);
    };
    for (size_t T = 0; T < S.Indices.size(); T += 3)
      EXPECT_GT(Winding(T) * Winding(0), 0) << "triangle " << T / 3;
  }
}

TEST(Shapes, CapsuleDetailLimits) {
  std::vector<TGNormTexVertex> V(4000);
  std::vector<uint16_t> I(20000);
  EXPECT_ERROR_TEXT(BuildCapsule(V, I, 2, 1, 1, 2), "Assertion failure");
  EXPECT_ERROR_TEXT(BuildCapsule(V, I, 6, 1, 1, 1), "Assertion failure");
  EXPECT_THROW(BuildCapsule(V, I, 54, 1, 1, CapsuleRings(54)), ERangeError);
  // Buffers too small are a range error and nothing is written.
  std::vector<TGNormTexVertex> Small(43);
  EXPECT_THROW(BuildCapsule(Small, I, 6, 1, 1, 2), ERangeError);
  EXPECT_EQ(Small[0], TGNormTexVertex{});
  std::vector<uint16_t> FewIndices(143);
  EXPECT_THROW(BuildCapsule(V, FewIndices, 6, 1, 1, 2), ERangeError);
}

TEST(Shapes, CylinderAndCone) {
  const float H = 1.5f;
  const TShape S = Cylinder(8, 1, 0.5f, 2 * H);
  ExpectIndicesCover(S);
  for (size_t I = 2; I < S.Vertices.size(); ++I) {
    const TGNormTexVertex& V = S.Vertices[I];
    EXPECT_FLOAT_EQ(V.NZ, 0) << "every rim and side vertex has a horizontal normal";
    const float Radius = std::hypot(V.X, V.Y);
    EXPECT_NEAR(Radius, V.Z > 0 ? 0.5f : 1, 1e-5);
  }
  EXPECT_EQ(S.Vertices[0].Position(), (TGVector{0, 0, H}));
  EXPECT_EQ(S.Vertices[1].Normal(), (TGVector{0, 0, -1}));

  const TShape Cone = Cylinder(5, 1, 0, 2 * H);
  for (int I = 0; I <= 5; ++I) {
    EXPECT_EQ(Cone.Vertices[2 + 4 * static_cast<size_t>(I)].Position(), (TGVector{0, 0, H}));
    EXPECT_EQ(Cone.Vertices[4 + 4 * static_cast<size_t>(I)].Position(), (TGVector{0, 0, H}));
  }
  // The caps: (v+2, w+2, 0) and (v+3, 1, w+3).
  EXPECT_EQ(Cone.Indices[6], 4);
  EXPECT_EQ(Cone.Indices[7], 8);
  EXPECT_EQ(Cone.Indices[8], 0);
  EXPECT_EQ(Cone.Indices[10], 1);

  std::vector<TGNormTexVertex> V(100);
  std::vector<uint16_t> I(100);
  EXPECT_ERROR_TEXT(BuildCylinder(V, I, 2, 1, 1, 1), "Assertion failure");
}

// Drawing ----------------------------------------------------------------------------------------

class ShapesDrawing : public THeadlessDeviceTest {
protected:
  // Primitives and draw calls that Draw reports, with the state stack and the world matrix
  // left as they were.
  template <class F>
  void ExpectDraws(F&& Draw, int32_t Primitives) {
    const int32_t Polys = GD->PolyCount();
    const int32_t Calls = GD->DIPCalls();
    const TGMatrix World = GD->GetMatrixByType(mWorld);
    Draw();
    EXPECT_EQ(GD->PolyCount() - Polys, Primitives);
    EXPECT_EQ(GD->DIPCalls() - Calls, 1);
    EXPECT_EQ(GD->StateStackSize(), 0);
    EXPECT_EQ(GD->GetMatrixByType(mWorld), World);
    EXPECT_EQ(GD->VertexBuffer(), nullptr);
    EXPECT_EQ(GD->IndexBuffer(), nullptr);
  }

  // Nothing drawn, nothing left pushed, and the shared buffers unlocked.
  template <class F>
  void ExpectNothingDrawn(F&& Draw, const char* Text) {
    const int32_t Polys = GD->PolyCount();
    if (Text) {
      EXPECT_ERROR_TEXT(Draw(), Text);
    } else {
      EXPECT_THROW(Draw(), ERangeError);
    }
    EXPECT_EQ(GD->PolyCount(), Polys);
    EXPECT_EQ(GD->StateStackSize(), 0);
    EXPECT_FALSE(GD->CommonVertexBuffer(CNormTexVertexFormat, 1, 32)->Locked());
    EXPECT_FALSE(GD->CommonIndexBuffer(1)->Locked());
  }

  TGColor Pixel(const std::vector<TGColor>& P, int X, int Y) {
    return P[static_cast<size_t>(Y) * CWidth + X];
  }
};

TEST_F(ShapesDrawing, PrimitiveCounts) {
  ExpectDraws([] { DrawCube(2, 1, 1); }, 12);
  ExpectDraws([] { DrawSphere(TGVector{1, 2, 3}, 0, 5); }, 20);
  ExpectDraws([] { DrawSphere(VecZero, 1, 1); }, 80);
  ExpectDraws([] { DrawSphere(VecZero, 2, 1); }, 320);
  ExpectDraws([] { DrawCapsule(6, 1, 2); }, 48);
  ExpectDraws([] { DrawCapsule(53, 1, 2); }, 5300);
  ExpectDraws([] { DrawCylinder(3, 1, 1, 1); }, 12);
  ExpectDraws([] { DrawCylinder(1365, 1, 0, 1); }, 5460);
  // The shared buffers hold the last shape.
  TGVertexBuffer* VB = GD->CommonVertexBuffer(CNormTexVertexFormat, 1, 32);
  EXPECT_GE(VB->Length(), CylinderVertexCount(1365));
}

TEST_F(ShapesDrawing, FailedShapesLeaveNothingBehind) {
  ExpectNothingDrawn([] { DrawCapsule(4, 1, 1); }, "Assertion failure");
  ExpectDraws([] { DrawCapsule(6, 1, 1); }, 48);
  ExpectNothingDrawn([] { DrawCapsule(54, 1, 1); }, nullptr);
  ExpectDraws([] { DrawCapsule(7, 1, 1); }, 56);
  ExpectNothingDrawn([] { DrawCylinder(2, 1, 1, 1); }, "Assertion failure");
  ExpectNothingDrawn([] { DrawCylinder(1366, 1, 1, 1); }, nullptr);
  ExpectDraws([] { DrawCylinder(4, 1, 1, 1); }, 16);
  ExpectNothingDrawn([] { DrawSphere(VecZero, 3, 1); }, "An error occured");
  ExpectNothingDrawn([] { DrawSphere(VecZero, -1, 1); }, "An error occured");
  ExpectDraws([] { DrawSphere(VecZero, 0, 1); }, 20);
}

TEST_F(ShapesDrawing, FailureWhileDrawingPopsTheState) {
  // A shared buffer somebody else left locked makes the shape fail half-way.
  TGVertexBuffer* VB = GD->CommonVertexBuffer(CNormTexVertexFormat, 2000, 32);
  VB->Lock(1, lmWriteOnly);
  const TGMatrix World = GD->GetMatrixByType(mWorld);
  EXPECT_ERROR_TEXT(DrawCube(2, 2, 2), "Vertex buffer is already locked");
  EXPECT_ERROR_TEXT(DrawCapsule(6, 1, 1), "Vertex buffer is already locked");
  EXPECT_EQ(GD->StateStackSize(), 0);
  EXPECT_EQ(GD->GetMatrixByType(mWorld), World);
  EXPECT_EQ(GD->VertexBuffer(), nullptr);
  EXPECT_FALSE(GD->CommonIndexBuffer(1)->Locked());
  VB->Unlock();

  // The index buffer locked instead: the vertex buffer is given back unlocked.
  GD->CommonIndexBuffer(1000)->Lock(1, lmWriteOnly);
  EXPECT_ERROR_TEXT(DrawCylinder(8, 1, 1, 1), "Index buffer is already locked");
  EXPECT_FALSE(VB->Locked());
  EXPECT_EQ(GD->StateStackSize(), 0);
  GD->CommonIndexBuffer(1)->Unlock();
  ExpectDraws([] { DrawCylinder(8, 1, 1, 1); }, 32);
}

TEST_F(ShapesDrawing, CubeCoversItsPixels) {
  // Identity view and projection: object space is clip space, the screen spans -1..1.
  GD->SetMatrixByType(mProjection, MatIdentity);
  GD->SetMatrixByType(mView, MatIdentity);
  GD->SetTextureState(0, tsConstant);
  GD->SetConstantColor(0xFFFF0000u);
  GD->Erase(0xFF000000u);
  DrawCube(1, 0.5f, 0.1f); // x -0.5..0.5 covers columns 16..48, y -0.25..0.25 rows 18..30
  std::vector<TGColor> P;
  ASSERT_TRUE(GD->CreateScreenshotPixels(P));
  for (auto [X, Y] : {std::pair{17, 19}, {32, 24}, {46, 29}})
    EXPECT_EQ(uint32_t(Pixel(P, X, Y)) & 0xFFFFFF, 0xFF0000u) << X << "," << Y;
  for (auto [X, Y] : {std::pair{14, 24}, {50, 24}, {32, 16}, {32, 32}, {2, 2}})
    EXPECT_EQ(uint32_t(Pixel(P, X, Y)) & 0xFFFFFF, 0u) << X << "," << Y;

  // A sphere of radius 0.25 placed at (-0.5, 0.5): only the top-left quarter of the screen.
  GD->Erase(0xFF000000u);
  DrawSphere(TGVector{-0.5f, 0.5f, 0}, 2, 0.25f);
  ASSERT_TRUE(GD->CreateScreenshotPixels(P));
  EXPECT_EQ(uint32_t(Pixel(P, 16, 12)) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(uint32_t(Pixel(P, 32, 24)) & 0xFFFFFF, 0u);
  EXPECT_EQ(uint32_t(Pixel(P, 16, 20)) & 0xFFFFFF, 0u); // 0.33 below the centre
}

// Triangle meshes ---------------------------------------------------------------------------------

namespace {

TGObjectPtr<TGTriList> NewList() {
  return TGObjectPtr<TGTriList>(New<TGTriList>(nullptr));
}

// Two triangles over the square (X0, Y0)-(X1, Y1) at z = Z, and one vertex that makes no triangle.
void AddSquare(TGTriMesh& M, float X0, float Y0, float X1, float Y1, float Z = 0.5f) {
  M.AddVertex(TGVector{X0, Y0, Z}, 0, 0);
  M.AddVertex(TGVector{X1, Y0, Z}, 1, 0);
  M.AddVertex(TGVector{X1, Y1, Z}, 1, 1);
  M.AddVertex(TGVector{X0, Y0, Z}, 0, 0);
  M.AddVertex(TGVector{X1, Y1, Z}, 1, 1);
  M.AddVertex(TGVector{X0, Y1, Z}, 0, 1);
  M.AddVertex(TGVector{5, 5, Z}, 0, 0);
}

} // namespace

TEST(TriMesh, VerticesAndBoundingBox) {
  auto M = NewList();
  // Empty: a negative extent, never hit, not even at its origin.
  EXPECT_LT(M->Extent().X, 0);
  EXPECT_LT(M->Extent().Y, 0);
  EXPECT_LT(M->Extent().Z, 0);
  EXPECT_FALSE(M->Hit(TGFlatVector{0, 0}));
  EXPECT_FALSE(M->Hit(M->Origin()));

  M->AddVertex(TGVector{1, 2, 3}, 0.25f, 0.75f);
  EXPECT_EQ(M->Origin(), (TGVector{1, 2, 3}));
  EXPECT_EQ(M->Extent(), (TGVector{0, 0, 0}));
  const TGNormTexVertex V = M->GetVertex(0);
  EXPECT_EQ(V.Normal(), (TGVector{0, 0, -1}));
  EXPECT_EQ(V.TU, 0.25f);
  EXPECT_EQ(V.TV, 0.75f);

  M->AddVertex(TGVector{-1, 5, 3}, TGVector{1, 0, 0}, 0, 0);
  EXPECT_EQ(M->Origin(), (TGVector{-1, 2, 3}));
  EXPECT_EQ(M->Extent(), (TGVector{2, 3, 0}));
  EXPECT_TRUE(M->Hit(TGFlatVector{0, 3}));
  EXPECT_FALSE(M->Hit(TGFlatVector{2, 3}));
  EXPECT_EQ(M->GetVertex(1).Normal(), (TGVector{1, 0, 0}));

  TGNormTexVertex W = M->GetVertex(0);
  W.SetPosition(TGVector{4, 2, -1});
  M->SetVertex(0, W);
  EXPECT_EQ(M->Origin(), (TGVector{-1, 2, -1}));
  EXPECT_EQ(M->Extent(), (TGVector{5, 3, 4}));

  // New vertices are zero and count in the box.
  M->SetVertexCount(3);
  EXPECT_EQ(M->GetVertex(2), TGNormTexVertex{});
  EXPECT_EQ(M->Origin(), (TGVector{-1, 0, -1}));
  EXPECT_EQ(M->GetPrimitiveCount(), 1);
  M->SetVertexCount(2); // a trailing one or two vertices make no triangle
  EXPECT_EQ(M->GetPrimitiveCount(), 0);
  M->SetVertexCount(3);

  EXPECT_THROW(M->GetVertex(3), ERangeError);
  EXPECT_THROW(M->GetVertex(-1), ERangeError);
  EXPECT_THROW(M->SetVertex(3, W), ERangeError);
  EXPECT_THROW(M->SetVertexCount(-1), ERangeError);
  EXPECT_THROW(M->SetVertexCount(std::numeric_limits<int32_t>::max()), ERangeError);
  EXPECT_EQ(M->GetVertexCount(), 3);

  M->SetVertexCount(0);
  EXPECT_LT(M->Extent().X, 0);
  EXPECT_FALSE(M->Hit(TGFlatVector{0, 0}));
}

TEST(TriMesh, TextureOwnership) {
  auto M = NewList();
  TGTexture* T1 = M->GetTexture();
  ASSERT_NE(T1, nullptr);
  EXPECT_TRUE(T1->InheritsFrom(TGManagedTexture::StaticClass()));
  EXPECT_EQ(T1->Owner(), M.get());
  EXPECT_EQ(M->GetTexture(), T1);

  // A new texture replaces (and frees) the old one and moves into the mesh.
  TGObjectPtr<TGManagedTexture> Outside(new TGManagedTexture(nullptr));
  TGManagedTexture* T2 = Outside.release();
  M->SetTexture(T2);
  EXPECT_EQ(M->GetTexture(), T2);
  EXPECT_EQ(T2->Owner(), M.get());
  EXPECT_EQ(M->GetObjects().size(), 1u);
  M->SetTexture(T2); // the same again keeps it
  EXPECT_EQ(M->GetTexture(), T2);

  // Freed from elsewhere, it is forgotten: the next request makes a new one.
  T2->Free();
  TGTexture* T3 = M->GetTexture();
  ASSERT_NE(T3, nullptr);
  EXPECT_EQ(M->GetObjects().size(), 1u);
  M->SetTexture(nullptr);
  EXPECT_TRUE(M->GetObjects().empty());
}

TEST(TriMesh, AssignWithoutTextureGivesBothATexture) {
  auto M = NewList();
  AddSquare(*M, -1, -2, 3, 4);
  auto* Copy = static_cast<TGTriList*>(M->Clone(nullptr));
  TGObjectPtr<TGTriList> Hold(Copy);
  EXPECT_EQ(Copy->ClassType(), TGTriList::StaticClass());
  EXPECT_EQ(Copy->Vertices(), M->Vertices());
  EXPECT_EQ(Copy->Origin(), (TGVector{-1, -2, 0.5f}));
  EXPECT_EQ(Copy->Extent(), M->Extent());
  EXPECT_EQ(Copy->GetPrimitiveCount(), 2);
  // The source got an empty texture of its own, the copy a clone of it.
  ASSERT_EQ(M->GetObjects().size(), 1u);
  ASSERT_EQ(Copy->GetObjects().size(), 1u);
  TGTexture* Source = M->GetTexture();
  TGTexture* Cloned = Copy->GetTexture();
  EXPECT_NE(Source, Cloned);
  EXPECT_EQ(Cloned->Owner(), Copy);
  EXPECT_TRUE(Source->SameTexture(Cloned));

  // A second assignment replaces the vertices and the texture.
  auto Other = NewList();
  Other->AddVertex(VecZero, 0, 0);
  Other->Assign(M.get());
  EXPECT_EQ(Other->GetVertexCount(), 7);
  EXPECT_EQ(Other->GetObjects().size(), 1u);

  // Only meshes can take a mesh.
  TGObjectPtr<TGGraphicCollection> NotAMesh(new TGGraphicCollection(nullptr));
  EXPECT_THROW(M->AssignTo(NotAMesh.get()), EInvalidCast);
}

TEST_F(ShapesDrawing, MeshDrawsItsTrianglesAndKeepsItsBuffer) {
  auto M = NewList();
  // An empty mesh draws nothing and makes no buffer.
  const int32_t Calls = GD->DIPCalls();
  M->Draw();
  EXPECT_EQ(GD->DIPCalls(), Calls);
  EXPECT_EQ(M->VertexBuffer(), nullptr);

  AddSquare(*M, 0, 0, 1, 1);
  ExpectDraws([&] { M->Draw(); }, 2);
  TGVertexBuffer* VB = M->VertexBuffer();
  ASSERT_NE(VB, nullptr);
  EXPECT_EQ(VB->Length(), 7);
  EXPECT_EQ(VB->Format(), CNormTexVertexFormat);
  EXPECT_EQ(GD->GetTexture(0), nullptr);
  EXPECT_EQ(GD->TextureState(0), tsTexture);
  ExpectDraws([&] { M->Draw(); }, 2);
  EXPECT_EQ(M->VertexBuffer(), VB) << "kept while the vertices stay";
  M->SetVertex(6, M->GetVertex(0));
  EXPECT_EQ(M->VertexBuffer(), nullptr);
  M->AddVertex(VecZero, 0, 0);
  M->AddVertex(VecZero, 0, 0);
  ExpectDraws([&] { M->Draw(); }, 3);
}

TEST_F(ShapesDrawing, MeshCoversItsPixelsWithItsTexture) {
  GD->SetMatrixByType(mProjection, MatIdentity);
  GD->SetMatrixByType(mView, MatIdentity);
  GD->Erase(0xFF000000u);
  auto M = NewList();
  AddSquare(*M, 0, 0, 0.5f, 0.5f); // columns 32..48, rows 12..24
  TGBitmap Green;
  Green.SetSize(2, 2);
  for (int Y = 0; Y < 2; ++Y)
    for (int X = 0; X < 2; ++X)
      Green.SetPixel(X, Y, 0xFF00FF00u);
  auto* T = new TGManagedTexture(nullptr);
  T->Load(&Green);
  M->SetTexture(T);
  // Lit by the default light shining along +z onto the default normal (0, 0, -1): the
  // material colour modulates the texture.
  GD->SetLighting(true);
  TGMaterial Material;
  Material.Diffuse = 0xFF808080u;
  GD->SetMaterial(Material);
  M->Draw();
  std::vector<TGColor> P;
  ASSERT_TRUE(GD->CreateScreenshotPixels(P));
  const TGColor Inside = Pixel(P, 40, 18);
  EXPECT_EQ(Inside.R, 0);
  EXPECT_NEAR(Inside.G, 128, 2);
  EXPECT_EQ(Inside.B, 0);
  for (auto [X, Y] : {std::pair{28, 18}, {40, 8}, {40, 28}, {52, 18}, {16, 36}})
    EXPECT_EQ(uint32_t(Pixel(P, X, Y)) & 0xFFFFFF, 0u) << X << "," << Y;
}
