#include "RecordingDevice.h"

#include "object/UGClassBuilder.h"

#include <algorithm>

G_IMPLEMENT_CLASS(TRecordingDevice)

namespace {

const char* ItemName(int Item) {
  static const char* const Names[] = {
      "Texture",          "TextureFilter",   "TextureState",   "RenderTarget",
      "Viewport",         "Blending",        "PointSize",      "VertexBuffer",
      "IndexBuffer",      "MaterialSource",  "Material",       "Light",
      "LightEnable",      "AlphaTestEnable", "ZEnable",        "ZWriteEnable",
      "NormalizeNormals", "Lighting",        "SpecularEnable", "AlphaFunc",
      "CullMode",         "ShadeMode",       "FillMode",       "MultiSampleAntialias",
      "Matrix",           "ConstantColor"};
  return Item >= 0 && Item < static_cast<int>(std::size(Names)) ? Names[Item] : "?";
}

} // namespace

TRecordingDevice::TRecordingDevice(int32_t AWidth, int32_t AHeight) {
  SetViewport(TGViewport::FromRect(TGRect{0, 0, AWidth, AHeight}));
  SetMatrixType(mProjection);
  Ortho(0, 0, static_cast<float>(AWidth), static_cast<float>(AHeight), 0, 1);
  SetMatrixType(mWorld);
  Clear();
}

void TRecordingDevice::ApplyState(TStateItem Item, int Index) {
  std::string Entry = ItemName(Item);
  if (Item == siTexture || Item == siTextureFilter || Item == siTextureState || Item == siLight ||
      Item == siLightEnable || Item == siMatrix)
    Entry += " " + std::to_string(Index);
  Log.push_back(Entry);
}

void TRecordingDevice::Record(const char* Kind, int32_t Primitives) {
  TDraw D;
  D.Kind = Kind;
  D.Primitives = Primitives;
  D.World = GetMatrixByType(mWorld);
  D.View = GetMatrixByType(mView);
  D.Projection = GetMatrixByType(mProjection);
  D.Viewport = Viewport();
  D.Diffuse = MaterialDiffuse();
  D.ConstantColor = ConstantColor();
  D.Blending = Blending();
  D.AlphaTest = AlphaTestEnable();
  D.AlphaRef = AlphaRef();
  D.ZEnable = ZEnable();
  D.ZWriteEnable = ZWriteEnable();
  D.Lighting = Lighting();
  for (int I = 0; I < CLights; ++I)
    D.LightsEnabled += LightEnable(I) ? 1 : 0;
  D.CullMode = CullMode();
  D.Texture = GetTexture(0);
  D.Stage0 = TextureState(0);
  D.StackDepth = StateStackSize();
  Draws.push_back(D);
  Log.push_back(std::string("draw ") + Kind);
}

void TRecordingDevice::DrawTriangleList(int32_t Count) {
  Record("triangles", Count);
}

void TRecordingDevice::DrawTriangleStrip(int32_t Count) {
  Record("strip", Count);
}

void TRecordingDevice::DrawLineList(int32_t Count) {
  Record("lines", Count);
}

void TRecordingDevice::DrawIndexedTriangleList(int32_t FaceStart, int32_t FaceCount,
                                               int32_t VertStart, int32_t VertCount) {
  (void)FaceStart;
  (void)VertStart;
  (void)VertCount;
  Record("indexed", FaceCount);
}

int TRecordingDevice::Count(const std::string& Entry) const {
  return static_cast<int>(std::count(Log.begin(), Log.end(), Entry));
}

void TRecordingDevice::Clear() {
  Draws.clear();
  Log.clear();
}
