#include "Screens/USpeechBubbleDialog.h"

#include "Screens/URequiredWidgets.h"
#include "app/UGApp.h"
#include "base/UGDebug.h"
#include "base/UGError.h"
#include "drawables/UGGraphic.h"
#include "drawables/UGSprite.h"
#include "graphics/UGGraphicsDevice.h"
#include "graphics/UGManagedTexture.h"
#include "graphics/UGVertexBuffer.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGText.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"
#include "widgets/UGPicture.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TSpeechBubbleDialog)

const std::array<std::array<TGFlatVector, 4>, 6> CRotation{{
    {{{0, 0}, {1, 0}, {1, 1}, {0, 1}}},
    {{{0, 1}, {0, 0}, {1, 0}, {1, 1}}},
    {{{1, 1}, {0, 1}, {0, 0}, {1, 0}}},
    {{{1, 0}, {1, 1}, {0, 1}, {0, 0}}},
    {{{0, 1}, {1, 1}, {1, 0}, {0, 0}}},
    {{{1, 0}, {0, 0}, {0, 1}, {1, 1}}},
}};

namespace {

constexpr const char* CLayoutURL = "SpeechBubbleDialog.win";
constexpr float CTile = 16;
constexpr float CMaxTextWidth = 250;

constexpr const char* CPieceURLs[] = {
    "UI\\SpeechBubbleDialog\\Middle.png", "UI\\SpeechBubbleDialog\\Side.png",
    "UI\\SpeechBubbleDialog\\Corner.png", "UI\\SpeechBubbleDialog\\SideRoot.png",
    "UI\\SpeechBubbleDialog\\CornerRoot.png"};

// Position and one pair of texture coordinates.
struct TTexVertex {
  float X, Y, Z;
  float U, V;
};
static_assert(sizeof(TTexVertex) == 20);
constexpr uint32_t CTexVertexFormat = CFVFXYZ | (1u << CFVFTexCountShift);

// The application's resource library, or the program's outside an application (tools, tests).
TGResourceLibrary* Library() {
  if (App && App->ResourceLib()) {
    return App->ResourceLib();
  }
  return MainResourceLibrary();
}

} // namespace

TGFlatVector SpeechBubblePlacement(TGDirection Orientation, const TGFlatVector& Root, float Width,
                                   float Height) {
  const auto CX = static_cast<float>(CCornerSize.X);
  const auto CY = static_cast<float>(CCornerSize.Y);
  switch (Orientation) {
  case dN:
    return {Root.X - Width / 2, Root.Y - Height};
  case dNE:
    return {Root.X + CX, Root.Y - Height};
  case dE:
    return {Root.X + CX, Root.Y - Height / 2};
  case dSE:
    return {Root.X + CX, Root.Y + CY};
  case dS:
    return {Root.X - Width / 2, Root.Y + CY};
  case dSW:
    return {Root.X - Width + 32, Root.Y + CY};
  case dW:
    return {Root.X - Width - CX, Root.Y - Height / 2};
  case dNW:
    return {Root.X - Width + 32, Root.Y - Height};
  }
  // An orientation read from a script that names no side: above the point.
  return {Root.X - Width / 2, Root.Y - Height};
}

TGPoint SpeechBubbleTiles(float Width, float Height) {
  // The extent rounded up to whole pixels, then to whole tiles.
  const auto Tiles = [](float Pixels) {
    if (!(Pixels > 0)) {
      return int32_t{0};
    }
    const double Whole = std::ceil(double{Pixels});
    return static_cast<int32_t>(std::ceil(Whole / CTile));
  };
  return {Tiles(Width), Tiles(Height)};
}

TSpeechBubblePicture SpeechBubbleRootPicture(TGDirection Orientation) {
  const bool Diagonal =
      Orientation == dNE || Orientation == dSE || Orientation == dSW || Orientation == dNW;
  return Diagonal ? sbgCornerRoot : sbgSideRoot;
}

std::array<TSpeechBubbleQuad, 10> SpeechBubbleQuads(int32_t XSegs, int32_t YSegs,
                                                    TGDirection Orientation, float RootWidth,
                                                    float RootHeight) {
  const auto X = static_cast<float>(XSegs);
  const auto Y = static_cast<float>(YSegs);
  const float R = CTile * X; // the text area's right and bottom
  const float B = CTile * Y;
  using TC = std::array<TGFlatVector, 4>;
  std::array<TSpeechBubbleQuad, 10> Q{{
      {sbgMiddle, {0.5f, 0.5f, R + 0.5f, B + 0.5f}, TC{{{0, 0}, {X, 0}, {X, Y}, {0, Y}}}},
      {sbgSide, {-15.5f, 0.5f, 0.5f, B + 0.5f}, TC{{{0, 0}, {1, 0}, {1, Y}, {0, Y}}}},
      {sbgSide, {0.5f, -15.5f, R + 0.5f, 0.5f}, TC{{{0, 1}, {0, 0}, {1, X}, {1, X}}}},
      {sbgSide, {R + 0.5f, 0.5f, R + 16.5f, B + 0.5f}, TC{{{1, Y}, {0, Y}, {0, 0}, {1, 0}}}},
      {sbgSide, {0.5f, B + 0.5f, R + 0.5f, B + 16.5f}, TC{{{1, 0}, {1, X}, {0, X}, {0, 0}}}},
      {sbgCorner, {-15.5f, -15.5f, 0.5f, 0.5f}, TC{{{0, 0}, {1, 0}, {1, 1}, {0, 1}}}},
      {sbgCorner, {R + 0.5f, -15.5f, R + 16.5f, 0.5f}, TC{{{0, 1}, {0, 0}, {1, 0}, {1, 1}}}},
      {sbgCorner, {R + 0.5f, B + 0.5f, R + 16.5f, B + 16.5f}, TC{{{1, 1}, {0, 1}, {0, 0}, {1, 0}}}},
      {sbgCorner, {-15.5f, B + 0.5f, 0.5f, B + 16.5f}, TC{{{1, 0}, {1, 1}, {0, 1}, {0, 0}}}},
      {},
  }};

  // The tail: its corner (x, y) and the turn of its picture; east and west turn it a quarter.
  const float W = RootWidth;
  const float H = RootHeight;
  const auto HalfX = static_cast<float>(XSegs / 2);
  const auto HalfY = static_cast<float>(YSegs / 2);
  float TX = CTile * HalfX + 0.5f;
  float TY = CTile * (Y + 1) - 0.5f;
  int Row = 0;
  switch (Orientation) {
  case dN:
    break;
  case dNE:
    TX = 32 - W + 0.5f;
    Row = 5;
    break;
  case dE:
    TX = -H - 16 + 0.5f;
    TY = CTile * HalfY + 0.5f;
    Row = 1;
    break;
  case dSE:
    TX = 32 - W + 0.5f;
    TY = -H - 16 + 1.5f;
    Row = 2;
    break;
  case dS:
    TY = -H - 16 + 0.5f;
    Row = 4;
    break;
  case dSW:
    TX = CTile * (X - 2) + 0.5f;
    TY = -H - 16 + 1.5f;
    Row = 4;
    break;
  case dW:
    TX = CTile * (X + 1) - 0.5f;
    TY = CTile * HalfY + 0.5f;
    Row = 3;
    break;
  case dNW:
    TX = CTile * (X - 2) + 0.5f;
    break;
  }
  const bool Turned = Orientation == dE || Orientation == dW;
  const float A = Turned ? H : W;
  const float BH = Turned ? W : H;
  Q[9] = {SpeechBubbleRootPicture(Orientation),
          {TX, TY, TX + A, TY + BH},
          CRotation[static_cast<size_t>(Row)]};
  return Q;
}

// --- Construction ------------------------------------------------------------------------------

void TSpeechBubbleDialog::AfterConstruction() {
  inherited::AfterConstruction();
  TGWindow* Layout = nullptr;
  if (App) {
    Layout = App->GetWin(CLayoutURL);
  } else if (TGResourceLibrary* Lib = MainResourceLibrary()) {
    Layout = ObjectCast<TGWindow>(Lib->GetResource(CLayoutURL));
  } else {
    throw Error("Resource \"%s\" not found", std::string(CLayoutURL));
  }
  LoadFromTemplate(Layout);
  // The layout's window would update while hidden: the bubble's fade must stand still then.
  SetUpdateWhenInvisible(false);
  SetAllowMouse(true);
  FTextLabel = GetRequiredWidget(this, DeclaredWidget<TGLabel>(CLayoutURL, "TextLabel"));
  FMouseBlink = GetRequiredWidget(this, DeclaredWidget<TGPicture>(CLayoutURL, "MouseBlink"));
  FCloseButton = GetRequiredWidget(this, DeclaredWidget<TGButton>(CLayoutURL, "CloseButton"));
  FCloseButton->OnClick = TGNotifyEvent(this, &TSpeechBubbleDialog::CloseClick);
  FWinState = 1;
  FCurrentAlpha = 0;
  FCurrentAlphaSingle = 0;
}

void TSpeechBubbleDialog::Publish(TGClassBuilder<TSpeechBubbleDialog>& B) {
  B.Property("Text", &TSpeechBubbleDialog::Text, &TSpeechBubbleDialog::SetText)
      .Method("ShowSpeech", &TSpeechBubbleDialog::ShowSpeech)
      .Method("Close", &TSpeechBubbleDialog::Close)
      .Method("QuickHide", &TSpeechBubbleDialog::QuickHide);
}

// --- Properties --------------------------------------------------------------------------------

void TSpeechBubbleDialog::SetRootPosition(const TGFlatVector& Value) {
  FRootPosition = Value;
  Update(0);
}

void TSpeechBubbleDialog::SetOrientation(TGDirection Value) {
  FOrientation = Value;
  Update(0);
}

void TSpeechBubbleDialog::SetText(const std::string& Value) {
  FText = Value;
  Update(0);
}

// --- Showing and closing -----------------------------------------------------------------------

void TSpeechBubbleDialog::ShowSpeech() {
  FCurrentAlphaSingle = 0;
  FCurrentAlpha = 0;
  FWinState = 1;
  ++FShowCount;
  // A close still waiting for the next update must not hide the new line.
  if (FState == wsHiding) {
    FState = wsDefault;
  }
  SetVisible(true);
  Update(0);
}

void TSpeechBubbleDialog::Close() {
  if (!FVisible || FState == wsHiding) {
    return;
  }
  const uint32_t Shown = FShowCount;
  if (OnClose) {
    OnClose(this);
  }
  // A handler that showed the next line at once keeps it on the screen.
  if (Shown == FShowCount) {
    Hide();
  }
}

void TSpeechBubbleDialog::CloseClick(TGObject* Sender) {
  (void)Sender;
  Close();
}

void TSpeechBubbleDialog::QuickHide() {
  Close();
}

void TSpeechBubbleDialog::HideAtOnce() {
  if (FState == wsHiding) {
    FState = wsDefault;
  }
  TGWidget::Deactivate();
  SetVisible(false);
  FCurrentAlphaSingle = 0;
  FCurrentAlpha = 0;
  FWinState = 1;
}

void TSpeechBubbleDialog::Click() {
  inherited::Click();
  Close();
}

bool TSpeechBubbleDialog::InternalHit(const TGFlatVector& Point) {
  return Point.X >= 0 && Point.X <= FWidth && Point.Y >= 0 && Point.Y <= FHeight;
}

// --- Time and layout ---------------------------------------------------------------------------

void TSpeechBubbleDialog::Update(float Interval) {
  inherited::Update(Interval);

  const float Step = Interval * CAppearSpeed * 1000;
  switch (FWinState) {
  case 1:
    if (FCurrentAlpha == 255) {
      FWinState = 0;
      FCurrentTime = 0;
    } else {
      FCurrentAlphaSingle = std::min(FCurrentAlphaSingle + Step, 255.0f);
      FCurrentAlpha = static_cast<uint8_t>(FCurrentAlphaSingle);
    }
    break;
  case 0:
    FCurrentTime += Interval;
    if (FCurrentTime >= static_cast<float>(FDisappearTime)) {
      FWinState = 2;
      FCurrentAlphaSingle = 255;
      FCurrentAlpha = 255;
    }
    break;
  default:
    if (FCurrentAlpha > 0) {
      FCurrentAlphaSingle = std::max(FCurrentAlphaSingle - Step, 0.0f);
      FCurrentAlpha = static_cast<uint8_t>(FCurrentAlphaSingle);
    } else {
      FWinState = 0;
      SetVisible(false);
    }
    break;
  }

  if (!FTextLabel || !FMouseBlink) {
    return; // still being built
  }
  TGColor LabelColor = FTextLabel->Color();
  LabelColor.A = FCurrentAlpha;
  FTextLabel->SetColor(LabelColor);
  if (FTextLabel->Data() != FText) {
    FTextLabel->SetData(FText);
  }
  // The text's natural size within 250 pixels; measured again only when the translated text
  // or the font changes. An empty text, or one without a font to draw it, takes no room.
  TGText* T = FTextLabel->Text();
  if (!FMeasured || T->FormattedData() != FMeasuredText || T->Font() != FMeasuredFont) {
    FMeasured = true;
    FMeasuredText = T->FormattedData();
    FMeasuredFont = T->Font();
    FTextWidth = 0;
    FTextHeight = 0;
    if (T->Font() && !FMeasuredText.empty()) {
      T->GetDefaultExtent(FTextWidth, FTextHeight, CMaxTextWidth);
    }
  }
  FDisappearTime = 10000;

  const TGPoint Tiles = SpeechBubbleTiles(FTextWidth, FTextHeight);
  FXSegs = Tiles.X;
  FYSegs = Tiles.Y;
  const float LabelWidth = static_cast<float>(FXSegs) * CTile;
  const float LabelHeight = static_cast<float>(FYSegs) * CTile;
  if (FTextLabel->Width() != LabelWidth) {
    FTextLabel->SetWidth(LabelWidth);
  }
  if (FTextLabel->Height() != LabelHeight) {
    FTextLabel->SetHeight(LabelHeight);
  }
  const float W = static_cast<float>(FXSegs + 2) * CTile;
  const float H = static_cast<float>(FYSegs + 2) * CTile;
  if (FWidth != W) {
    SetWidth(W);
  }
  if (FHeight != H) {
    SetHeight(H);
  }

  FMouseBlink->SetLeft(FWidth - 34);
  FMouseBlink->SetTop(FHeight - 35);
  TGColor BlinkColor = FMouseBlink->Color();
  BlinkColor.A = FCurrentAlpha;
  FMouseBlink->SetColor(BlinkColor);

  const TGFlatVector P = SpeechBubblePlacement(FOrientation, FRootPosition, FWidth, FHeight);
  SetLeft(P.X);
  SetTop(P.Y);
}

// --- Drawing -----------------------------------------------------------------------------------

TGGraphic* TSpeechBubbleDialog::Piece(TSpeechBubblePicture Picture) {
  const auto Index = static_cast<size_t>(Picture);
  TGGraphic*& Field = FPieces[Index];
  if (Field || FPieceMissing[Index]) {
    return Field;
  }
  TGResourceLibrary* Lib = Library();
  TGGraphic* G =
      Lib ? TryObjectCast<TGGraphic>(Lib->GetResourceEx(CPieceURLs[Index], false)) : nullptr;
  if (!G) {
    // Reported once; the balloon is drawn without the piece.
    FPieceMissing[Index] = true;
    ODS("The speech bubble's picture \"%s\" is missing", std::string(CPieceURLs[Index]));
    return nullptr;
  }
  SetResource(Field, G);
  return Field;
}

void TSpeechBubbleDialog::DrawTiledRect(TGGraphic* Graphic, const TGRectFloat& Rect,
                                        const std::array<TGFlatVector, 4>& TexCoords,
                                        uint8_t Alpha) {
  if (!Graphic) {
    return;
  }
  TGSprite* Sprite = ObjectCast<TGSprite>(Graphic);
  TGVertexBuffer* VB = GD->CommonVertexBuffer(CTexVertexFormat, 6, sizeof(TTexVertex));
  auto* V = static_cast<TTexVertex*>(VB->Lock(6, lmWriteOnly));
  const auto Corner = [&](int I, float X, float Y) {
    return TTexVertex{X, Y, 0, TexCoords[static_cast<size_t>(I)].X,
                      TexCoords[static_cast<size_t>(I)].Y};
  };
  const TTexVertex TL = Corner(0, Rect.Left, Rect.Top);
  const TTexVertex TR = Corner(1, Rect.Right, Rect.Top);
  const TTexVertex BR = Corner(2, Rect.Right, Rect.Bottom);
  const TTexVertex BL = Corner(3, Rect.Left, Rect.Bottom);
  V[0] = TL;
  V[1] = TR;
  V[2] = BL;
  V[3] = TR;
  V[4] = BL;
  V[5] = BR;
  VB->Unlock();
  TGDeviceStateGuard State(CFullDeviceStateMask);
  GD->SetTextureFilter(0, tfPoint);
  GD->SetTexture(0, Sprite->Texture());
  GD->SetTextureState(0, tsModulateConstant);
  GD->SetConstantColor(TGColor::Create(int32_t{Alpha}, 255, 255, 255));
  GD->SetVertexBuffer(VB);
  GD->DrawTriangleList(2);
}

void TSpeechBubbleDialog::Draw() {
  TGGraphic* Root = Piece(SpeechBubbleRootPicture(FOrientation));
  const float RootWidth = Root ? Root->Width() : 0;
  const float RootHeight = Root ? Root->Height() : 0;
  for (const TSpeechBubbleQuad& Q :
       SpeechBubbleQuads(FXSegs, FYSegs, FOrientation, RootWidth, RootHeight)) {
    DrawTiledRect(Piece(Q.Picture), Q.Rect, Q.TexCoords, FCurrentAlpha);
  }
  inherited::Draw();
}
