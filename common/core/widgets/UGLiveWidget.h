// The widget channel: an animation channel that draws a widget (its content, children and extra
// graphics) placed, turned, scaled and tinted by the channel's sequences. Show and hide effects
// are animations holding one.
#pragma once

#include "animation/UGChannel.h"

class TGWidget;

class TGLiveWidget : public TGMovie {
  G_CLASS(TGLiveWidget, TGMovie)
public:
  explicit TGLiveWidget(TGObject* AOwner = nullptr)
      : TGMovie(AOwner) {}

  // The widget's width and height (depth 0): pivots are fractions of the widget's size. Fails
  // without a widget.
  void GetExtent(int32_t Time, TGVector& Extent) override;
  // The widget in the channel's placement, filter, blending and tint (not while only editor
  // overlays are drawn), then the overlays. Fails without a widget.
  void Draw() override;
  // The widget's own update, with no time passing.
  void Update() override;

  TGWidget* Widget() const { return FWidget; }
  void SetWidget(TGWidget* W) { FWidget = W; }

  static void Publish(TGClassBuilder<TGLiveWidget>& B);

private:
  TGWidget* FWidget = nullptr; // not owned
};
