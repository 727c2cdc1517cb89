// The check box: eight looks, one per button state for each of the checked and unchecked
// values. A click toggles the value before the click handler runs.
#pragma once

#include "widgets/UGButton.h"

#include <array>

class TGCheckBox : public TGWidget {
  G_CLASS(TGCheckBox, TGWidget)
  explicit TGCheckBox(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}
  // The face symbol; the check box takes the mouse.
  void AfterConstruction() override;

  TGGraphic* GetCheckedGfx(TGButtonState AState) const { return FCheckedGfx[AState]; }
  TGGraphic* CheckedGfx(TGButtonState AState) const { return GetCheckedGfx(AState); }
  void SetCheckedGfx(TGButtonState AState, TGGraphic* Value);
  TGGraphic* GetUncheckedGfx(TGButtonState AState) const { return FUncheckedGfx[AState]; }
  TGGraphic* UncheckedGfx(TGButtonState AState) const { return GetUncheckedGfx(AState); }
  void SetUncheckedGfx(TGButtonState AState, TGGraphic* Value);
  bool Checked() const { return FChecked; }
  // Sets the value; no event.
  void SetChecked(bool Value) { FChecked = Value; }

  // The current look.
  TGButtonState State() const { return FLook.State; }
  bool MouseOver() const { return FLook.MouseOver; }
  TGSymbol* Face() const { return FFace; }

  // As the button's, but any mouse button presses the box.
  void SetEnabled(bool Value) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseDown(int Button) override;
  void MouseUp(int Button) override;
  // Toggles the value, then the click sound and handler.
  void Click() override;

  void Update(float DeltaTime) override;
  // The face stretched to the widget.
  void Draw() override;
  // The unchecked up graphic's size; 100 x 100 without it.
  void GetDefaultExtent(float& AWidth, float& AHeight) override;

  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  static void Publish(TGClassBuilder<TGCheckBox>& B);

protected:
  std::array<TGGraphic*, 4> FUncheckedGfx{}; // resource references
  std::array<TGGraphic*, 4> FCheckedGfx{};   // resource references
  bool FChecked = false;
  TGSymbol* FFace = nullptr; // owned
  TGButtonLook FLook;
};
