// The scene channel: shows a 3D scene resource through one of its cameras in a rectangle of
// Width × Height of the animation, wherever the channel's 2D transform puts, turns or scales
// that rectangle. It keeps a private copy of the scene (the instance) that runs on the
// animation's clock from the time of the "SceneURL" key that chose it.
#pragma once

#include "animation/UGChannel.h"

class TGSceneCamera;
class TGSceneRoot;

class TGSceneChannel : public TGMovie {
  G_CLASS(TGSceneChannel, TGMovie)
public:
  explicit TGSceneChannel(TGObject* AOwner = nullptr);

  // The sequences; the copy makes its own instance at its next update.
  void AssignTo(TGObject* Dest) const override;
  // (Width(T), Height(T), 0).
  void GetExtent(int32_t Time, TGVector& Extent) override;
  // Follows the scene keys (a scene chosen by a key in the past shows the state it reached
  // since), advances the instance and finds the camera named at the current time.
  void Update() override;
  // The scene drawn into the part of the screen the channel's rectangle covers, then the
  // overlays. Only the overlays when there is no instance, the rectangle has no area or lies
  // wholly off the screen, or only overlays are being drawn.
  void Draw() override;
  // The channel's unturned rectangle, or with PreciseHit a ray into the scene.
  bool Hit(const TGVector& Point) override;

  // The unturned rectangle at Time: top-left (⌈X⌉, ⌈Y⌉), size (⌊Width⌋, ⌊Height⌋).
  TGRect GetViewport(int32_t Time);
  // The camera's matrices for a picture of Rect's size, or the scene's default view; false
  // without an instance.
  bool GetCameraMatrices(const TGRect& Rect, TGMatrix& View, TGMatrix& Projection);

  // The private scene, or none; the game looks nodes up in it.
  TGSceneRoot* Instance() const { return FSceneInstance; }
  TGSceneCamera* Camera() const { return FCamera; }

  TGResourceSeq* SceneURL() const { return FSceneURL; }
  TGStringSeq* CameraName() const { return FCameraName; }
  TGRealEnv* Width() const { return FWidth; }
  TGRealEnv* Height() const { return FHeight; }
  TGBoolSeq* PreciseHit() const { return FPreciseHit; }

  static void Publish(TGClassBuilder<TGSceneChannel>& B);

protected:
  void Destroy() override;

private:
  void FreeInstance();
  void OnSceneDestroy(TGObject* Sender);
  // The matrices that make the camera's picture fill the channel's rectangle on the screen, and
  // the viewport around the visible part; false when nothing of it is visible.
  bool PlaceScene(TGMatrix& View, TGMatrix& Projection, TGViewport& Viewport);

  TGSceneRoot* FCurrentScene = nullptr;  // the resource in use, not owned
  TGSceneRoot* FSceneInstance = nullptr; // owned
  int32_t FSceneStartTime = 0;
  int32_t FOldElapsedTime = 0;
  TGSceneCamera* FCamera = nullptr; // inside the instance
  TGResourceSeq* FSceneURL = nullptr;
  TGStringSeq* FCameraName = nullptr;
  TGRealEnv* FWidth = nullptr;
  TGRealEnv* FHeight = nullptr;
  TGBoolSeq* FPreciseHit = nullptr;
};
