// The picture widget: a graphic stretched, or fitted proportionally and centred, into the
// widget's rectangle. It is the base of windows, so every window has an optional background.
#pragma once

#include "widgets/UGWidget.h"

class TGPicture : public TGWidget {
  G_CLASS(TGPicture, TGWidget)
  explicit TGPicture(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}
  // Creates the symbol, then the widget's default extent.
  void AfterConstruction() override;

  TGGraphic* Gfx() const { return FGfx; }
  void SetGfx(TGGraphic* Value);
  TGSymbol* Picture() const { return FPicture; }
  bool ProportionalScaling() const { return FProportionalScaling; }
  void SetProportionalScaling(bool Value);
  // Mouse search uses the picture's exact hit test (transparent pixels do not count).
  bool HitTest() const { return FHitTest; }
  void SetHitTest(bool Value) { FHitTest = Value; }
  // Places the graphic's box in the widget's rectangle.
  void UpdateMatrix();

  void Draw() override;
  void Update(float DeltaTime) override;
  bool InternalHit(const TGFlatVector& Point) override;
  TGWidget* GetWidgetAt(const TGPoint& P) override;
  // The graphic's size; 100 x 100 without one.
  void GetDefaultExtent(float& AWidth, float& AHeight) override;
  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  static void Publish(TGClassBuilder<TGPicture>& B);

protected:
  TGGraphic* FGfx = nullptr;    // resource reference
  TGSymbol* FPicture = nullptr; // owned
  bool FUpdated = false;        // the symbol's matrix matches the current size
  bool FProportionalScaling = false;
  bool FHitTest = false;
};

// When the picture shows an animation: back to its first frame, or on to its end state.
void PicAniRestart(TGPicture* Picture);
void PicAniFinish(TGPicture* Picture);
