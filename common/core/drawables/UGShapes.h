// Solid primitives drawn in the current device state: a unit cube scaled per axis, geodesic
// spheres at three levels of detail, capsules and (truncated) cylinders. Every vertex carries a
// position, a normal and one texture-coordinate pair, so the primitives can be lit and textured.
//
// The shapes keep no buffers of their own: each call copies its vertices (and indices) into the
// device's shared buffers and draws from there. Capsules and cylinders stand along the z axis,
// centred on the origin; the caller's world matrix places them.
#pragma once

#include "base/UGTypes.h"
#include "math/UGMathTypes.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// One vertex of format 274 (position, normal, one pair of texture coordinates), 32 bytes.
struct TGNormTexVertex {
  float X = 0;
  float Y = 0;
  float Z = 0;
  float NX = 0;
  float NY = 0;
  float NZ = 0;
  float TU = 0;
  float TV = 0;

  TGVector Position() const { return TGVector{X, Y, Z}; }
  void SetPosition(const TGVector& Value) {
    X = Value.X;
    Y = Value.Y;
    Z = Value.Z;
  }
  TGVector Normal() const { return TGVector{NX, NY, NZ}; }
  void SetNormal(const TGVector& Value) {
    NX = Value.X;
    NY = Value.Y;
    NZ = Value.Z;
  }
  TGFlatVector Texture() const { return TGFlatVector{TU, TV}; }
  void SetTexture(const TGFlatVector& Value) {
    TU = Value.X;
    TV = Value.Y;
  }

  friend bool operator==(const TGNormTexVertex&, const TGNormTexVertex&) = default;
};
static_assert(sizeof(TGNormTexVertex) == 32);

// The vertex format code of TGNormTexVertex: position, normal, one texture pair.
inline constexpr uint32_t CNormTexVertexFormat = 274;
inline constexpr int32_t CNormTexVertexSize = 32;

// A shape's indices are 16-bit vertex numbers, at most this many per shape.
inline constexpr int32_t CMaxShapeIndices = 16384;
// The largest capsule Detail whose indices fit (4 × 53 × 25 triangles, 15,900 indices).
inline constexpr int32_t CMaxCapsuleDetail = 53;
// The largest cylinder Detail whose indices fit (12 × 1365 = 16,380 indices).
inline constexpr int32_t CMaxCylinderDetail = 1365;

// The cube of edge 1 centred on the origin: four vertices per face carrying the face's normal,
// faces +z, -z, +x, -x, +y, -y; texture corners (0, 0), (1, 0), (1, 1), (0, 1).
extern const std::array<TGNormTexVertex, 24> CIdentityCubeVertices;
// Face f (b = 4 f) is the triangles (b, b+2, b+1) and (b, b+3, b+2).
extern const std::array<uint16_t, 36> CIdentityCubeIndices;

// The icosahedron inscribed in the unit sphere that the geodesic spheres subdivide.
namespace Icosahedron {
extern const double Verts[12][3];
extern const uint32_t Indices[20][3];
} // namespace Icosahedron

// The unit geodesic spheres of detail 0, 1 and 2 as plain triangle lists (20, 80 and 320
// triangles), built once when the program starts and never changed.
extern const std::vector<TGNormTexVertex> GGeoSphere1;
extern const std::vector<TGNormTexVertex> GGeoSphere2;
extern const std::vector<TGNormTexVertex> GGeoSphere3;

// Drawing. Each brackets its state changes with PushState / PopState, also when drawing fails.

// The unit cube scaled by SX, SY, SZ about the origin (12 triangles).
void DrawCube(float SX, float SY, float SZ);
// The geodesic sphere of detail LOD (0, 1 or 2; anything else fails before any state changes)
// with that radius, centred on Position.
void DrawSphere(const TGVector& Position, int32_t LOD, float Radius);
// A capsule of Detail segments around the z axis (6 .. CMaxCapsuleDetail): a cylinder Length
// long with hemispherical ends, total height Length + 2 Radius.
void DrawCapsule(int32_t Detail, float Radius, float Length);
// A closed cylinder or truncated cone of Detail segments (3 .. CMaxCylinderDetail): bottom at
// z = -Length / 2 with RadiusBottom, top at z = Length / 2 with RadiusTop.
void DrawCylinder(int32_t Detail, float RadiusBottom, float RadiusTop, float Length);

// Sizes of the shapes. A capsule has Detail div 2 - 1 latitude bands per hemisphere. The counts
// fail as DrawCapsule and DrawCylinder do for a Detail those cannot draw.
int32_t CapsuleRings(int32_t Detail);
int32_t CapsuleVertexCount(int32_t Detail);
int32_t CapsuleTriangleCount(int32_t Detail);
int32_t CylinderVertexCount(int32_t Detail);
int32_t CylinderTriangleCount(int32_t Detail);

// Builders.

// Stores one vertex.
void FillVert(TGNormTexVertex& Vertex, const TGVector& Position, const TGVector& Normal,
              const TGFlatVector& Texture);
// Replaces Out by the unit geodesic sphere of the given subdivision depth (0 .. 6): 60 × 4^Depth
// vertices, three per triangle, each with its position as normal. Another depth is a range
// error.
void BuildSphere(std::vector<TGNormTexVertex>& Out, int32_t Depth);
// Appends the triangle A, B, C (points on the unit sphere) subdivided Depth times: each level
// splits a triangle at its edge midpoints, pushed out to the sphere, into four with the parent's
// winding.
void RecursiveDrawTriangle(std::vector<TGNormTexVertex>& Out, const TGVector& A, const TGVector& B,
                           const TGVector& C, int32_t Depth);
// Fills a capsule of Segments columns and Rings bands per hemisphere: (Segments + 1) ×
// (2 Rings + 2) + 2 vertices and 12 × Segments × Rings indices. Segments <= 2 or Rings <= 1 is an
// assertion failure; a shape beyond the 16-bit index bound, or buffers too small, a range error.
// Nothing is written when it fails.
void BuildCapsule(std::span<TGNormTexVertex> Vertices, std::span<uint16_t> Indices,
                  int32_t Segments, float Radius, float Length, int32_t Rings);
// Fills a cylinder of Segments columns: 4 × (Segments + 1) + 2 vertices, 12 × Segments indices.
// Failures as for BuildCapsule.
void BuildCylinder(std::span<TGNormTexVertex> Vertices, std::span<uint16_t> Indices,
                   int32_t Segments, float RadiusBottom, float RadiusTop, float Length);
