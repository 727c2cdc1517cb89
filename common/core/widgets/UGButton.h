// The push button: four looks and four caption fonts, one per state (up, under the mouse,
// pressed, disabled), a caption laid out in the button's rectangle, and an optional hit mask
// whose opaque pixels, stretched over the button, define where it can be hit.
#pragma once

#include "widgets/UGWidget.h"

#include <array>
#include <string>
#include <string_view>

class TGFont;
class TGText;

enum TGButtonState { bsUp = 0, bsOver = 1, bsDown = 2, bsDisabled = 3 };
G_DECLARE_ENUM(TGButtonState);

// The look of a pressable control (button, check box) and the mouse events that change it; the
// controls apply them only while they are enabled.
struct TGButtonLook {
  TGButtonState State = bsUp;
  bool MouseOver = false;
  // Enabling shows the up look even under the mouse; disabling forgets the mouse.
  void SetEnabled(bool Enabled) {
    if (!Enabled) {
      MouseOver = false;
    }
    State = Enabled ? bsUp : bsDisabled;
  }
  void Enter() {
    MouseOver = true;
    State = bsOver;
  }
  void Leave() {
    State = bsUp;
    MouseOver = false;
  }
  void Press() { State = bsDown; }
  void Release() { State = MouseOver ? bsOver : bsUp; }
};

class TGButton : public TGWidget {
  G_CLASS(TGButton, TGWidget)
  explicit TGButton(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}
  // The face symbol and the caption (centred both ways); the button takes the mouse.
  void AfterConstruction() override;

  // The caption's text.
  std::string GetCaption() const;
  std::string Caption() const { return GetCaption(); }
  void SetCaption(std::string_view Value);

  // The face graphic, caption font and font URL of each state (references to resources).
  TGGraphic* GetGfx(TGButtonState AState) const { return FGfx[AState]; }
  TGGraphic* Gfx(TGButtonState AState) const { return GetGfx(AState); }
  void SetGfx(TGButtonState AState, TGGraphic* Value);
  TGFont* GetFont(TGButtonState AState) const { return FFont[AState]; }
  TGFont* Font(TGButtonState AState) const { return GetFont(AState); }
  void SetFont(TGButtonState AState, TGFont* Value);
  const std::string& GetFontURL(TGButtonState AState) const { return FFontURL[AState]; }
  const std::string& FontURL(TGButtonState AState) const { return GetFontURL(AState); }
  // Stores the URL; the state's font changes only when the translated URL names a font the
  // resource library knows.
  void SetFontURL(TGButtonState AState, std::string_view Value);
  TGGraphic* HitMask() const { return FHitMask; }
  void SetHitMask(TGGraphic* Value);

  // The current look.
  TGButtonState State() const { return FLook.State; }
  bool MouseOver() const { return FLook.MouseOver; }
  TGSymbol* Face() const { return FFace; }
  TGText* Text() const { return FText; }

  // Each state change happens only while the button is GlobalEnabled.
  void SetEnabled(bool Value) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(int Button) override;
  void MouseUp(int Button) override;

  // The face and the font of the current state, the caption fitted to the button.
  void Update(float DeltaTime) override;
  // The face stretched to the button, then the caption.
  void Draw() override;
  // The rectangle (edges included), or the stretched hit mask's opaque pixels.
  bool InternalHit(const TGFlatVector& Point) override;
  TGWidget* GetWidgetAt(const TGPoint& P) override;
  // The up graphic's size; 100 x 100 without it.
  void GetDefaultExtent(float& AWidth, float& AHeight) override;

  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  static void Publish(TGClassBuilder<TGButton>& B);

protected:
  // Whether the point (button coordinates) falls on an opaque pixel of the stretched mask.
  bool MaskHit(float X, float Y) const;

  std::array<TGGraphic*, 4> FGfx{};    // resource references
  std::array<TGFont*, 4> FFont{};      // resource references
  std::array<std::string, 4> FFontURL; // as written in the file
  TGGraphic* FHitMask = nullptr;       // resource reference
  TGButtonLook FLook;
  TGSymbol* FFace = nullptr; // owned
  TGText* FText = nullptr;   // owned
};
