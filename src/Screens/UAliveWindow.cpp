#include "Screens/UAliveWindow.h"

#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"

#include <cmath>

G_IMPLEMENT_CLASS(TAliveWindow)

TAliveWindow::TAliveWindow(TGObject* AOwner)
    : TFramedWindow(AOwner) {
  FHarbour = MakeSymbol("Demo\\Harbour.jpg");
  FLantern = MakeSymbol("Demo\\Lantern.png");
  FCompass = MakeSymbol("Demo\\Compass.jp2");
  FCrate = MakeSymbol("Demo\\Crate.png");
  FDetails = MakeSymbol("Demo\\Harbour.ani");
}

TGSymbol* TAliveWindow::MakeSymbol(const char* URL) {
  if (!App || !App->ResourceLib()) {
    return nullptr;
  }
  auto* Graphic = dynamic_cast<TGGraphic*>(App->ResourceLib()->GetResourceEx(URL, false));
  if (!Graphic || Graphic->Width() <= 0) {
    return nullptr; // missing, or a stub of a broken file
  }
  auto* Symbol = new TGSymbol(this);
  Symbol->SetGraphic(Graphic);
  return Symbol;
}

void TAliveWindow::PlayEffect(const char* URL) {
  if (AD && App && App->ResourceLib() && App->ResourceLib()->IndexOf(URL) >= 0) {
    AD->PlaySfx(URL);
  }
}

void TAliveWindow::MouseDown(int Button) {
  PlayEffect("Click.wav");
  inherited::MouseDown(Button);
}

void TAliveWindow::UpdateTree(float Interval) {
  inherited::UpdateTree(Interval);
  const float T = static_cast<float>(GameSeconds());
  const float Turns = std::floor(T * 15.0f / 360.0f);
  if (Turns > FCompassTurns) {
    FCompassTurns = Turns;
    PlayEffect("Chime.mp3");
  }
  if (FLantern) {
    // Hung by its ring, swinging gently.
    FLantern->SetTransform(150, 40, 0.5f, 0.05f, 12.0f * std::sin(T * 1.7f), 1, 1);
  }
  if (FCompass) {
    FCompass->SetTransform(690, 110, 0.5f, 0.5f, std::fmod(T * 15.0f, 360.0f), 0.8f, 0.8f);
  }
  if (FDetails) {
    FDetails->Update(Interval);
  }
  if (FCrate) {
    // Drifting across the harbour, rocking on the waves.
    const float X = std::fmod(T * 25.0f, 900.0f) - 80.0f;
    FCrate->SetTransform(X, 520 + 6 * std::sin(T * 2.3f), 0.5f, 0.5f, 8 * std::sin(T * 1.9f), 1, 1);
  }
}

void TAliveWindow::DrawTree() {
  if (!GD) {
    return;
  }
  if (!FHarbour) {
    DrawFallbackScene();
    return;
  }
  TGSprite::BeginBatch();
  for (TGSymbol* S : {FHarbour, FDetails, FCrate, FCompass, FLantern}) {
    if (S) {
      S->Draw();
    }
  }
  TGSprite::EndBatch();
  GD->DrawFrame(TGColor::Create(255, 255, 255, 255), 10, 10, 790, 590);
}

void TAliveWindow::DrawFallbackScene() {
  // Sky in bands from deep blue to warm orange near the horizon.
  for (int Band = 0; Band < 12; ++Band) {
    int R = 30 + Band * 18;
    int G = 40 + Band * 9;
    int B = 110 - Band * 4;
    GD->DrawRect(TGColor::Create(255, R, G, B), 0, Band * 30.0f, 800, Band * 30.0f + 30);
  }
  GD->DrawRect(TGColor::Create(255, 255, 220, 150), 560, 300, 620, 330); // the setting sun
  GD->DrawRect(TGColor::Create(255, 20, 50, 90), 0, 360, 800, 600);      // the sea
  for (int Wave = 0; Wave < 8; ++Wave) {
    float Y = 380.0f + Wave * 28.0f;
    float Shift = std::fmod(static_cast<float>(GameSeconds()) * 20.0f + Wave * 37.0f, 80.0f);
    for (float X = -80 + Shift; X < 800; X += 80) {
      GD->DrawLine(TGColor::Create(255, 90, 140, 190), X, Y, X + 40, Y);
    }
  }
  // The pier and the lighthouse.
  GD->DrawRect(TGColor::Create(255, 70, 50, 40), 0, 340, 260, 365);
  GD->DrawRect(TGColor::Create(255, 230, 230, 220), 90, 180, 130, 340);
  GD->DrawRect(TGColor::Create(255, 180, 40, 40), 90, 230, 130, 250);
  GD->DrawRect(TGColor::Create(255, 180, 40, 40), 90, 290, 130, 310);
  GD->DrawRect(TGColor::Create(255, 60, 60, 60), 85, 160, 135, 180);
  bool LightOn = std::fmod(GameSeconds(), 2.0) < 1.0;
  GD->DrawRect(LightOn ? TGColor::Create(255, 255, 240, 120) : TGColor::Create(255, 90, 80, 50), 98,
               165, 122, 178);
  // A boat crossing the harbour.
  float BoatX = std::fmod(static_cast<float>(GameSeconds()) * 40.0f, 900.0f) - 100.0f;
  GD->DrawRect(TGColor::Create(255, 120, 70, 30), BoatX, 430, BoatX + 90, 450);
  GD->DrawRect(TGColor::Create(255, 240, 240, 230), BoatX + 40, 380, BoatX + 44, 430);
  GD->DrawRect(TGColor::Create(255, 230, 220, 200), BoatX + 44, 385, BoatX + 75, 425);
  GD->DrawFrame(TGColor::Create(255, 255, 255, 255), 10, 10, 790, 590);
}
