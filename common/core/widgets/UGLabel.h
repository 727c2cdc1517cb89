// The text label: a laid-out text filling the widget's rectangle. In paged mode (Clipping) only
// the lines of one page (as many as the label's height holds) are drawn, moved up to the top.
#pragma once

#include "text/UGText.h"
#include "widgets/UGWidget.h"

#include <string>
#include <string_view>

class TGLabel : public TGWidget {
  G_CLASS(TGLabel, TGWidget)
  explicit TGLabel(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}
  // The widget's (a new label is 100 x 100), then the text, given the label's extent.
  void AfterConstruction() override;

  TGText* Text() const { return FText; }
  TGFont* GetFont() const;
  TGFont* Font() const { return GetFont(); }
  void SetFont(TGFont* Value);
  const std::string& FontURL() const;
  void SetFontURL(std::string_view Value);
  // The text as given (before translation).
  const std::string& GetData() const;
  const std::string& Data() const { return GetData(); }
  void SetData(std::string_view Value);
  TGAlign Align() const;
  void SetAlign(TGAlign Value);
  TGVAlign VAlign() const;
  void SetVAlign(TGVAlign Value);
  float LineSpacing() const;
  void SetLineSpacing(float Value);
  // Paged drawing, and the page shown (from 0).
  bool Clipping() const { return FClipping; }
  void SetClipping(bool Value) { FClipping = Value; }
  int32_t DrawingPage() const { return FDrawingPage; }
  void SetDrawingPage(int32_t Value) { FDrawingPage = Value; }
  // Lines per page in paged drawing: the label's height over the font's line height, rounded;
  // 0 without a font of positive height.
  int32_t LinesPerPage() const;
  // How many pages the laid-out text fills in paged drawing (0 without a usable font).
  int32_t PageCount() const;

  // The store, then the same size on the text.
  void SetWidth(float Value) override;
  void SetHeight(float Value) override;
  void Update(float DeltaTime) override;
  void Draw() override;
  // The rectangle, edges included.
  bool InternalHit(const TGFlatVector& Point) override;
  // 100 x 100, or the text's natural size within 800 pixels once the text exists.
  void GetDefaultExtent(float& AWidth, float& AHeight) override;
  bool HasReferenceTo(const TGResource* Resource) const override;

  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  static void Publish(TGClassBuilder<TGLabel>& B);

protected:
  // One page of lines, each word drawn as characters with the text's font.
  void DrawPage();

  TGText* FText = nullptr; // owned
  bool FClipping = false;
  int32_t FDrawingPage = 0;
};
