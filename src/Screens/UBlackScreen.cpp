#include "Screens/UBlackScreen.h"

#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "object/UGClassBuilder.h"
#include "player/UConfigManager.h"
#include "player/UPlayer.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGLabel.h"

G_IMPLEMENT_CLASS(TBlackScreen)

namespace {

constexpr float CLetterTime = 0.1f;

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
    if (static_cast<int32_t>(FText.size()) < L) {
      Hide();
    } else {
      GetLabel("Label")->SetData(FText.substr(0, static_cast<size_t>(L)));
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
