#include "HeadlessDevice.h"

#include "HeadlessScreen.h"
#include "graphics/UGBitmap.h"

THostWindow* THeadlessDeviceTest::Window = nullptr;

void THeadlessDeviceTest::SetUpTestSuite() {
  if (Window) {
    return;
  }
  Window = MakeHeadlessWindow(CWidth, CHeight, "drawing test").release();
}

void THeadlessDeviceTest::TearDownTestSuite() {
  delete Window;
  Window = nullptr;
}

void THeadlessDeviceTest::SetUp() {
  Device = MakeDevice(*Window, CWidth, CHeight);
}

void THeadlessSceneTest::SetUp() {
  THeadlessDeviceTest::SetUp();
  GD->BeginScene();
  GD->Erase(TGColor(0xFF000000));
}

void THeadlessSceneTest::TearDown() {
  GD->EndScene();
  THeadlessDeviceTest::TearDown();
}

void THeadlessDeviceTest::TearDown() {
  Device.reset();
}

std::vector<TGColor> THeadlessDeviceTest::Screen() {
  std::vector<TGColor> P;
  EXPECT_TRUE(GD->CreateScreenshotPixels(P));
  return P;
}

TGColor THeadlessDeviceTest::PixelAt(int X, int Y) {
  std::vector<TGColor> P = Screen();
  return P.empty() ? TGColor() : P[static_cast<size_t>(Y) * CWidth + X];
}

std::string THeadlessDeviceTest::Row(int Y, int X0, int Count) {
  std::vector<TGColor> P = Screen();
  std::string S;
  for (int X = X0; X < X0 + Count; ++X) {
    const uint32_t C = uint32_t(P[static_cast<size_t>(Y) * CWidth + X]) & 0xFFFFFF;
    S += C == 0          ? '.'
         : C == 0xFFFFFF ? 'W'
         : C == 0xFF0000 ? 'R'
         : C == 0x00FF00 ? 'G'
         : C == 0x0000FF ? 'U'
                         : '?';
  }
  return S;
}

std::string ErrorTextOf(const std::exception& E) {
  if (auto* G = dynamic_cast<const EGException*>(&E)) {
    return G->Text();
  }
  return E.what();
}

TBlockFont::TBlockFont() {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(8, 3);
  for (int Y = 0; Y < 3; ++Y) {
    for (int X = 0; X < 8; ++X) {
      Bitmap->SetPixel(X, Y, X < 2 || (X >= 3 && X < 6) ? 0xFFFFFFFF : 0);
    }
  }
  Picture.reset(new TGSprite());
  Picture->LoadFromBitmap(*Bitmap);
  Font.reset(new TGFont());
  Font->SetHeight(4);
  Font->SetSprite(Picture.get());
  Font->AddCharacter(TGCharacter{U'a', TGRectFloat{0, 0, 2, 3}, {}});
  Font->AddCharacter(TGCharacter{U'b', TGRectFloat{3, 0, 6, 3}, {}});
  Font->AddCharacter(TGCharacter{U' ', TGRectFloat{6, 0, 7, 3}, {}});
}
