#include "scene3d/UGSceneTypes.h"

#include "base/UGStrUtils.h"

#include <initializer_list>
#include <utility>

const std::array<TGSceneRenderModeRec, 8> RenderModeTable = {{
    {bNone, 127, false, true, true, tsModulate},   // Solid
    {bNone, 127, true, true, true, tsModulate},    // Alphatest
    {bDefault, 1, true, true, true, tsModulate},   // Transparent
    {bMul, 1, true, true, false, tsModulate},      // Multiply
    {bIntense, 1, true, true, false, tsModulate},  // Additive
    {bDefault, 1, true, false, false, tsModulate}, // TransparentOverlay
    {bMul, 1, true, false, false, tsModulate},     // MultiplyOverlay
    {bIntense, 1, true, false, false, tsModulate}, // AdditiveOverlay
}};

const TGSceneRenderModeRec& TGSceneState::RenderModeRec() const {
  if (RenderMode == rmCustom && PCustomRenderMode)
    return *PCustomRenderMode;
  if (RenderMode >= rmSolid && RenderMode <= rmAdditiveOverlay)
    return RenderModeTable[static_cast<size_t>(RenderMode)];
  return RenderModeTable[rmSolid];
}

namespace {

template <class E>
using TNames = std::initializer_list<std::pair<E, const char*>>;

template <class E>
E FromString(TNames<E> Names, std::string_view Text, const char* What) {
  for (const auto& [Value, Name] : Names)
    if (SameText(Text, Name))
      return Value;
  throw Error("Unknown %s string: [%s]", What, std::string(Text));
}

template <class E>
std::string ToString(TNames<E> Names, E Value, const char* What) {
  for (const auto& [V, Name] : Names)
    if (V == Value)
      return Name;
  throw Error("Unknown %s: %d", What, static_cast<int>(Value));
}

const TNames<TGSceneRenderMode> CRenderModes = {{rmSolid, "Solid"},
                                                {rmAlphatest, "Alphatest"},
                                                {rmTransparent, "Transparent"},
                                                {rmMultiply, "Multiply"},
                                                {rmAdditive, "Additive"},
                                                {rmTransparentOverlay, "TransparentOverlay"},
                                                {rmMultiplyOverlay, "MultiplyOverlay"},
                                                {rmAdditiveOverlay, "AdditiveOverlay"},
                                                {rmParent, "Parent"}};
const TNames<TGCullMode> CCullModes = {
    {cmNone, "None"}, {cmCW, "Clockwise"}, {cmCCW, "CounterClockwise"}, {cmParent, "Parent"}};
const TNames<TGSceneLightFalloffType> CFalloffs = {
    {lfNone, "None"}, {lfInverseLinear, "InverseLinear"}, {lfInverseSquare, "InverseSquare"}};
const TNames<TGLightType> CLightTypes = {
    {ltPoint, "Point"}, {ltSpot, "Spot"}, {ltDirectional, "Directional"}};
const TNames<TGFovType> CFovTypes = {
    {fovHor, "Horizontal"}, {fovVer, "Vertical"}, {fovDiag, "Diagonal"}};
const TNames<TGSceneAlignment> CAlignments = {
    {alNone, "None"}, {alOriented, "Oriented"}, {alVerticalOriented, "VerticalOriented"}};

} // namespace

TGSceneRenderMode RenderModeFromString(std::string_view Text) {
  return FromString(CRenderModes, Text, "render mode");
}
std::string RenderModeToString(TGSceneRenderMode Value) {
  return ToString(CRenderModes, Value, "render mode");
}
TGCullMode CullModeFromString(std::string_view Text) {
  return FromString(CCullModes, Text, "cull mode");
}
std::string CullModeToString(TGCullMode Value) {
  return ToString(CCullModes, Value, "cull mode");
}
TGSceneLightFalloffType FalloffFromString(std::string_view Text) {
  return FromString(CFalloffs, Text, "light falloff");
}
std::string FalloffToString(TGSceneLightFalloffType Value) {
  return ToString(CFalloffs, Value, "light falloff mode");
}
TGLightType LightTypeFromString(std::string_view Text) {
  return FromString(CLightTypes, Text, "light type");
}
std::string LightTypeToString(TGLightType Value) {
  return ToString(CLightTypes, Value, "light type");
}
TGFovType FovTypeFromString(std::string_view Text) {
  return FromString(CFovTypes, Text, "fov type");
}
std::string FovTypeToString(TGFovType Value) {
  return ToString(CFovTypes, Value, "fov type");
}
TGSceneAlignment AlignmentFromString(std::string_view Text) {
  return FromString(CAlignments, Text, "alignment type");
}
std::string AlignmentToString(TGSceneAlignment Value) {
  return ToString(CAlignments, Value, "alignment type");
}
