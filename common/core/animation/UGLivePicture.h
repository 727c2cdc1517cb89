// The picture channel: shows a picture or a nested animation (any graphic resource) through a
// symbol of its own. The graphic changes with the "GfxURL" keys; each key starts a fresh clone
// that runs on the channel's clock from the key's time, so nested animations play in step with
// the animation around them. Sprites can be cut to a rectangle and drawn grey.
#pragma once

#include "animation/UGChannel.h"
#include "drawables/UGSymbol.h"

#include <cstdint>

class TGLivePicture : public TGMovie {
  G_CLASS(TGLivePicture, TGMovie)
public:
  explicit TGLivePicture(TGObject* AOwner = nullptr);

  // The graphic at Time: nothing without one; the rounded clip rectangle's size for a clipped
  // sprite; otherwise the graphic's extent (depth 0).
  void GetExtent(int32_t Time, TGVector& Extent) override;
  // The symbol's hit test.
  bool Hit(const TGVector& Point) override;
  // The symbol (not while only editor overlays are drawn), then the overlays.
  void Draw() override;
  // Follows the graphic keys and hands the time, clipping, tint and placement to the symbol.
  void Update() override;

  // The symbol's running clone of the graphic, or none.
  TGGraphic* GetInstance() const { return FSymbol->Instance(); }
  TGGraphic* Instance() const { return GetInstance(); }
  TGSymbol* Symbol() const { return FSymbol; }

  TGResourceSeq* Gfx() const { return FGfx; }
  TGBoolSeq* SpriteClipping() const { return FSpriteClipping; }
  TGRealEnv* SpriteLeft() const { return FSpriteLeft; }
  TGRealEnv* SpriteTop() const { return FSpriteTop; }
  TGRealEnv* SpriteRight() const { return FSpriteRight; }
  TGRealEnv* SpriteBottom() const { return FSpriteBottom; }
  TGBoolSeq* Grayscale() const { return FGrayscale; }

  static void Publish(TGClassBuilder<TGLivePicture>& B);

private:
  // The graphic keyed at Time (none when the key holds something else), and the time of that
  // key (0 without one).
  TGGraphic* GraphicAt(int32_t Time, int32_t* KeyTime = nullptr) const;
  // The clip rectangle at Time, each side rounded half to even.
  TGRectFloat ClipRectAt(int32_t Time) const;

  TGSymbol* FSymbol = nullptr; // owned
  int32_t FGraphicStartTime = 0;
  int32_t FOldElapsedTime = 0;
  TGResourceSeq* FGfx = nullptr;
  TGBoolSeq* FSpriteClipping = nullptr;
  TGRealEnv* FSpriteLeft = nullptr;
  TGRealEnv* FSpriteTop = nullptr;
  TGRealEnv* FSpriteRight = nullptr;
  TGRealEnv* FSpriteBottom = nullptr;
  TGBoolSeq* FGrayscale = nullptr;
};
