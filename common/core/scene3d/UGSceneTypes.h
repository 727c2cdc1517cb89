// What the scene graph's nodes share: the enumerations stored in scene files with their texts,
// the render-mode table (how each mode blends, tests alpha and uses the depth buffer), and the
// state a drawn node inherits from the nodes above it.
#pragma once

#include "graphics/UGGraphicsDevice.h"
#include "math/UGColor.h"
#include "math/UGMathTypes.h"

#include <array>
#include <string>
#include <string_view>

class TGSceneLightScope;
class TGSceneSky;

enum TGSceneRenderMode {
  rmSolid = 0,
  rmAlphatest = 1,
  rmTransparent = 2,
  rmMultiply = 3,
  rmAdditive = 4,
  rmTransparentOverlay = 5,
  rmMultiplyOverlay = 6,
  rmAdditiveOverlay = 7,
  rmCustom = 8, // set by code: the node's own record applies
  rmParent = 9  // inherited
};
enum TGSceneLightFalloffType { lfNone = 0, lfInverseLinear = 1, lfInverseSquare = 2 };
enum TGFovType { fovHor = 0, fovVer = 1, fovDiag = 2 };
enum TGSceneAlignment { alNone = 0, alOriented = 1, alVerticalOriented = 2 };

// How a render mode draws.
struct TGSceneRenderModeRec {
  TGBlending Blending = bNone;
  int32_t AlphaRef = 127;
  bool AlphaTest = false;
  bool TestZ = true;
  bool WriteZ = true;
  TGTextureState TextureState0 = tsModulate;
  friend bool operator==(const TGSceneRenderModeRec&, const TGSceneRenderModeRec&) = default;
};

// The rows of the modes rmSolid .. rmAdditiveOverlay.
extern const std::array<TGSceneRenderModeRec, 8> RenderModeTable;

// The state a displayable inherits, captured when the display list is built.
struct TGSceneState {
  const TGMatrix* PMatrix = &MatIdentity; // the world matrix in force
  TGSceneRenderMode RenderMode = rmSolid;
  const TGSceneRenderModeRec* PCustomRenderMode = nullptr; // the record of rmCustom
  TGCullMode PolygonCullMode = cmNone;
  TGColor Color = 0xFFFFFFFFu;
  TGSceneLightScope* Lights = nullptr;
  TGSceneSky* PSky = nullptr;

  // The table row of the render mode, or the custom record.
  const TGSceneRenderModeRec& RenderModeRec() const;
};

// The texts of scene files. Reading compares without regard to case and fails with
// "Unknown ... string: [TEXT]"; writing a value that has no text fails with "Unknown ...: N".
TGSceneRenderMode RenderModeFromString(std::string_view Text);
std::string RenderModeToString(TGSceneRenderMode Value);
TGCullMode CullModeFromString(std::string_view Text);
std::string CullModeToString(TGCullMode Value);
TGSceneLightFalloffType FalloffFromString(std::string_view Text);
std::string FalloffToString(TGSceneLightFalloffType Value);
TGLightType LightTypeFromString(std::string_view Text);
std::string LightTypeToString(TGLightType Value);
TGFovType FovTypeFromString(std::string_view Text);
std::string FovTypeToString(TGFovType Value);
TGSceneAlignment AlignmentFromString(std::string_view Text);
std::string AlignmentToString(TGSceneAlignment Value);
