// A graphics device that draws nothing and records instead: every state change that would reach
// OpenGL (by name), and every draw call with the states in force. Tests of drawing code check
// the order of draws, the states they had and the matrices they were given, without pixels.
// It needs no window; textures are bound only by name (pictures cannot be drawn through it).
#pragma once

#include "graphics/UGGraphicsDevice.h"

#include <string>
#include <vector>

class TRecordingDevice : public TGGraphicsDevice {
  G_CLASS(TRecordingDevice, TGGraphicsDevice)
  // Sets GD, as every device does; sized like a screen of Width × Height.
  TRecordingDevice(int32_t AWidth = 800, int32_t AHeight = 600);

  struct TDraw {
    std::string Kind; // "triangles", "strip", "lines", "indexed"
    int32_t Primitives = 0;
    TGMatrix World;
    TGMatrix View;
    TGMatrix Projection;
    TGViewport Viewport;
    TGColor Diffuse;
    TGColor ConstantColor;
    TGBlending Blending = bNone;
    bool AlphaTest = false;
    int32_t AlphaRef = 0;
    bool ZEnable = false;
    bool ZWriteEnable = false;
    bool Lighting = false;
    int LightsEnabled = 0;
    TGCullMode CullMode = cmNone;
    TGTexture* Texture = nullptr;
    TGTextureState Stage0 = tsDisable;
    int32_t StackDepth = 0;
  };

  std::vector<TDraw> Draws;
  // State changes and draws in their order: "Blending", "Light 2", "Matrix 1", "draw", ...
  std::vector<std::string> Log;
  // How many times the named change was recorded.
  int Count(const std::string& Entry) const;
  void Clear();

  void DrawTriangleList(int32_t Count) override;
  void DrawTriangleStrip(int32_t Count) override;
  void DrawLineList(int32_t Count) override;
  void DrawIndexedTriangleList(int32_t FaceStart, int32_t FaceCount, int32_t VertStart,
                               int32_t VertCount) override;

protected:
  void ApplyState(TStateItem Item, int Index) override;

private:
  void Record(const char* Kind, int32_t Primitives);
};
