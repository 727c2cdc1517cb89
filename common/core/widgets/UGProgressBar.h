// The progress bar: an animation stretched over the widget and shown at the frame whose time is
// the position's fraction of the animation's length. The animation never runs by itself.
#pragma once

#include "widgets/UGWidget.h"

class TGAnimation;

class TGProgressBar : public TGWidget {
  G_CLASS(TGProgressBar, TGWidget)
  explicit TGProgressBar(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}
  // The symbol showing the animation.
  void AfterConstruction() override;

  TGAnimation* Animation() const { return FAnimation; }
  // References the animation and gives the symbol a private clone of it.
  void SetAnimation(TGAnimation* Value);
  TGSymbol* Picture() const { return FPicture; }
  // Read when drawing.
  float Position() const { return FPosition; }
  void SetPosition(float Value) { FPosition = Value; }
  float Min() const { return FMin; }
  void SetMin(float Value) { FMin = Value; }
  float Max() const { return FMax; }
  void SetMax(float Value) { FMax = Value; }
  // The animation time shown for the current position: 0 when the range is empty, otherwise the
  // position's fraction of the range times the total time, clamped to the animation.
  int32_t SeekTime() const;

  void Draw() override;
  // The animation's size; 100 x 100 without it.
  void GetDefaultExtent(float& AWidth, float& AHeight) override;

  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  static void Publish(TGClassBuilder<TGProgressBar>& B);

protected:
  TGAnimation* FAnimation = nullptr; // resource reference
  TGSymbol* FPicture = nullptr;      // owned
  float FPosition = 0;
  float FMin = 0;
  float FMax = 100;
};
