// The window of the resource viewer: a black screen with one resource drawn unscaled, its
// top-left corner at (0, 0). A font is shown as a sample text laid out in the window, a text file
// as laid-out text, a 3D model lit and turning slowly in the middle of the screen, playing its
// first animation over and over, and a scene through its first camera on the whole screen.
#pragma once

#include "Screens/UFramedWindow.h"

class TGFont;
class TGModel;
class TGSceneChannel;
class TGSceneRoot;
class TGResource;
class TGSymbol;
class TGText;

class TViewerWindow : public TFramedWindow {
  G_CLASS(TViewerWindow, TFramedWindow)
  explicit TViewerWindow(TGObject* AOwner = nullptr)
      : TFramedWindow(AOwner) {}

  // Shows the resource: a graphic through a symbol; other kinds are only described.
  void SetResource(TGResource* Resource);
  // Shows Data (UTF-8, with keys and tags) laid out in Font across the window.
  void SetText(const std::string& Data, TGFont* Font);
  TGSymbol* Symbol() const { return FSymbol; }
  TGModel* Model() const { return FModel; }
  TGText* Text() const { return FText; }
  TGSceneChannel* Scene() const { return FScene; }

  void UpdateTree(float Interval) override;
  void DrawTree() override;

protected:
  void Destroy() override;

private:
  void SetModel(const TGModel* Model);
  void UpdateModel(float Interval);
  void DrawModel();
  void SetScene(TGSceneRoot* Scene);
  void FreeAll();

  TGSymbol* FSymbol = nullptr;      // owned
  TGText* FText = nullptr;          // owned
  TGModel* FModel = nullptr;        // owned: the viewer's copy, animated
  float FTurn = 0;                  // radians about the vertical axis
  TGSceneChannel* FScene = nullptr; // owned: the channel that shows a scene
  double FSceneTime = 0;            // the channel's clock, in milliseconds
};
