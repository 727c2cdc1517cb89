// The speech bubble: one line of speech in a framed balloon whose tail points at the speaker's
// anchor. The frame is tiled from 16-pixel pieces around a text area that grows with the text
// (at most 250 pixels wide); the balloon fades in, stays until it is clicked (or for a very long
// time) and fades out. The play screen creates it once, hidden, and reuses it for every line.
#pragma once

#include "base/UGTypes.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGWindow.h"

#include <array>
#include <cstdint>
#include <string>

class TGButton;
class TGGraphic;
class TGLabel;
class TGPicture;

// The pieces of the balloon.
enum TSpeechBubblePart { sbpLeft = 0, sbpRight, sbpTop, sbpBottom, sbpMiddle, sbpRoot };

// The balloon's opacity changes by this factor times 1000 per second (0.255 s for a full fade).
constexpr float CAppearSpeed = 1.0f;
// How far the balloon lies from the tail point for the diagonal and side orientations.
constexpr TGPoint CCornerSize{36, 28};
// Texture coordinates of the tail picture at the top-left, top-right, bottom-right and
// bottom-left corners of its rectangle: the picture as it is, turned and mirrored.
extern const std::array<std::array<TGFlatVector, 4>, 6> CRotation;

// Where the window of the size given lies for a tail point and orientation.
TGFlatVector SpeechBubblePlacement(TGDirection Orientation, const TGFlatVector& Root, float Width,
                                   float Height);
// The text area, in 16-pixel tiles, for a text measuring Width x Height pixels.
TGPoint SpeechBubbleTiles(float Width, float Height);

// The pictures of the balloon, under "UI\SpeechBubbleDialog\".
enum TSpeechBubblePicture { sbgMiddle = 0, sbgSide, sbgCorner, sbgSideRoot, sbgCornerRoot };
// One quad of the balloon in the window's drawing space, with its corners' texture coordinates
// (top-left, top-right, bottom-right, bottom-left).
struct TSpeechBubbleQuad {
  TSpeechBubblePicture Picture = sbgMiddle;
  TGRectFloat Rect{};
  std::array<TGFlatVector, 4> TexCoords{};
};
// The quads of a balloon of XSegs x YSegs tiles in drawing order: the text area, the four
// edges, the four corners, and last the tail of the orientation, whose picture measures
// RootWidth x RootHeight.
std::array<TSpeechBubbleQuad, 10> SpeechBubbleQuads(int32_t XSegs, int32_t YSegs,
                                                    TGDirection Orientation, float RootWidth,
                                                    float RootHeight);
// The tail's picture for the orientation: a side picture for the straight ones, a corner one for
// the diagonals.
TSpeechBubblePicture SpeechBubbleRootPicture(TGDirection Orientation);

class TSpeechBubbleDialog : public TGWindow {
  G_CLASS(TSpeechBubbleDialog, TGWindow)
  explicit TSpeechBubbleDialog(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // The window's construction, then the layout "SpeechBubbleDialog.win" with its label
  // "TextLabel", picture "MouseBlink" and button "CloseButton".
  void AfterConstruction() override;

  // Each setter lays the balloon out again at once.
  const TGFlatVector& RootPosition() const { return FRootPosition; }
  void SetRootPosition(const TGFlatVector& Value);
  TGDirection Orientation() const { return FOrientation; }
  void SetOrientation(TGDirection Value);
  const std::string& Text() const { return FText; }
  void SetText(const std::string& Value);

  // Starts fading in the line set before.
  void ShowSpeech();
  // Tells OnClose, then hides. A balloon that is not shown (or already closing) is left alone,
  // so that OnClose runs once for each line shown.
  void Close();
  void CloseClick(TGObject* Sender);
  void QuickHide();
  // Hidden at once without telling OnClose (the location is being left).
  void HideAtOnce();

  void Update(float Interval) override;
  void Draw() override;
  // Any click on the balloon closes it.
  void Click() override;
  // The window's rectangle, edges included.
  bool InternalHit(const TGFlatVector& Point) override;

  // The state of the fade: 0 shown, 1 appearing, 2 disappearing.
  uint8_t WinState() const { return FWinState; }
  uint8_t CurrentAlpha() const { return FCurrentAlpha; }
  float CurrentAlphaSingle() const { return FCurrentAlphaSingle; }
  float CurrentTime() const { return FCurrentTime; }
  int32_t DisappearTime() const { return FDisappearTime; }
  int32_t XSegs() const { return FXSegs; }
  int32_t YSegs() const { return FYSegs; }
  TGLabel* TextLabel() const { return FTextLabel; }
  TGPicture* MouseBlink() const { return FMouseBlink; }
  TGButton* CloseButton() const { return FCloseButton; }

  TGNotifyEvent OnClose;

  static void Publish(TGClassBuilder<TSpeechBubbleDialog>& B);

protected:
  // One textured quad of the graphic (a sprite) over Rect, its corners' texture coordinates
  // given top-left, top-right, bottom-right, bottom-left; coordinates above 1 repeat it.
  static void DrawTiledRect(TGGraphic* Graphic, const TGRectFloat& Rect,
                            const std::array<TGFlatVector, 4>& TexCoords, uint8_t Alpha);
  // The balloon's picture, fetched once; none when the content lacks it.
  TGGraphic* Piece(TSpeechBubblePicture Picture);

private:
  float FCurrentAlphaSingle = 0;
  uint8_t FCurrentAlpha = 0;
  float FCurrentTime = 0;
  int32_t FDisappearTime = 10000;
  TGFlatVector FRootPosition{};
  TGDirection FOrientation = dN;
  std::string FText;
  int32_t FXSegs = 0;
  int32_t FYSegs = 0;
  uint8_t FWinState = 1;
  uint32_t FShowCount = 0; // lines shown, so that Close knows when OnClose showed the next

  TGLabel* FTextLabel = nullptr; // children of the layout
  TGPicture* FMouseBlink = nullptr;
  TGButton* FCloseButton = nullptr;
  // The measured text: the translated text and font it was measured with, and its size.
  std::string FMeasuredText;
  const void* FMeasuredFont = nullptr;
  bool FMeasured = false;
  float FTextWidth = 0;
  float FTextHeight = 0;
  // Middle, Side, Corner, SideRoot, CornerRoot; resource references.
  std::array<TGGraphic*, 5> FPieces{};
  std::array<bool, 5> FPieceMissing{};
};
