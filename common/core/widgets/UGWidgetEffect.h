// Widget effects: the animations a widget plays when it shows or hides. A widget channel
// (TGLiveWidget) inside the animation draws the widget itself; the effect keeps the widget in
// place at its rest time (the end of a show, the start of a hide) by cancelling that channel's
// transform there.
#pragma once

#include "animation/UGAnimation.h"
#include "widgets/UGWidget.h"

class TGWidgetEffect : public TGAnimation {
  G_CLASS(TGWidgetEffect, TGAnimation)
  explicit TGWidgetEffect(TGObject* AOwner = nullptr)
      : TGAnimation(AOwner) {}

  TGWidgetEffectKind Kind() const { return FKind; }
  void SetKind(TGWidgetEffectKind Value) { FKind = Value; }
  TGWidget* Widget() const { return FWidget; }
  // Also hands W to every widget channel.
  void SetWidget(TGWidget* W);

  // The widget first, then the animation: the copied widget channels show the same widget.
  void AssignTo(TGObject* Dest) const override;
  // A widget channel shows the effect's widget.
  void ChannelAdded(TGChannel* Channel) override;
  // Saves the world matrix; for a widget channel, multiplies in the inverse of its transform at
  // the rest time.
  void BeforeChannelDraw(TGChannel* Channel) override;
  void AfterChannelDraw(TGChannel* Channel) override;

  static void Publish(TGClassBuilder<TGWidgetEffect>& B);

protected:
  TGWidgetEffectKind FKind = weShow;
  TGWidget* FWidget = nullptr; // not owned
};
