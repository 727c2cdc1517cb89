#include "Screens/UBlackScreen.h"

#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "player/UConfigManager.h"
#include "player/UPlayer.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGLabel.h"

G_IMPLEMENT_CLASS(TBlackScreen)

namespace {

constexpr float CLetterTime = 0.1f;

// The bytes of the first Letters characters of UTF-8 Text (a letter is a whole code point, so
// an accented letter never shows half typed).
size_t BytesOfLetters(const std::string& Text, int32_t Letters) {
  size_t I = 0;
  for (int32_t N = 0; I < Text.size(); ++I) {
    if ((static_cast<unsigned char>(Text[I]) & 0xC0) != 0x80 && N++ == Letters) {
      break;
    }
  }
  return I;
}

} // namespace

void TBlackScreen::AfterConstruction() {
  inherited::AfterConstruction();
  TGResourceLibrary* Library = MainResourceLibrary();
  if (auto* Template =
          Library ? TryObjectCast<TGWindow>(Library->GetResource("BlackScreen.win")) : nullptr) {
    LoadFromTemplate(Template);
  }
  GetLabel("Label")->SetData("");
  FTimer = 0;
  FOldL = 0;
}

void TBlackScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  FTimer += DeltaTime;
  const auto L = static_cast<int32_t>(FTimer / CLetterTime);
  if (L > FOldL) {
    if (static_cast<int32_t>(UTF8Length(FText)) < L) {
      Hide();
    } else {
      GetLabel("Label")->SetData(FText.substr(0, BytesOfLetters(FText, L)));
      if (AD) {
        AD->PlaySfx("UI\\Beep.ogg", false);
      }
    }
  }
  FOldL = L;
}

void TBlackScreen::UpdateTree(float DeltaTime) {
  if (ConfigurationFlag("FastUpdate")) {
    DeltaTime *= 3;
  }
  if (CurrentPlayer && CurrentPlayer->Cheats() && App && App->GetKey(17) && App->GetKey(16)) {
    DeltaTime *= 5;
  }
  inherited::UpdateTree(DeltaTime);
}

void ShowBlackScreen(const std::string& Key) {
  TGObjectPtr<TBlackScreen> W(New<TBlackScreen>());
  W->SetText(LangDictionary().GetString(Key));
  W->ShowModal();
}
