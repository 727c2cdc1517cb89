#include "locations/USimpleLocation.h"

#include "flow/UBasicFlowStates.h"
#include "flow/UFlowChannel.h"
#include "flow/UFlowControl.h"
#include "flow/ULocAnimationState.h"
#include "flow/UPlayScreen.h"
#include "flow/USpeechCueState.h"
#include "object/UGClassBuilder.h"
#include "player/UPlayer.h"
#include "script/UScriptLines.h"

G_IMPLEMENT_CLASS(TSimpleLocation)
G_IMPLEMENT_CLASS(TLocationWithGoalAllItemsCollected)
G_IMPLEMENT_CLASS(TUnlimLocation)

namespace {

constexpr int32_t CBonus = 5000;
constexpr int32_t CUnlimZephrins = 2;

} // namespace

void TSimpleLocation::Publish(TGClassBuilder<TSimpleLocation>& B) {
  using T = TSimpleLocation;
  // The location's scripts set these (they are not saved with it).
  B.Property("WinAni", &T::WinAni, &T::WinAni)
      .Property("WinSpeech", &T::WinSpeech, &T::WinSpeech)
      .Property("NextLoc", &T::NextLoc, &T::NextLoc)
      .Property("WelcomeSpeech", &T::WelcomeSpeech, &T::WelcomeSpeech)
      .Method("FinishReport", &T::FinishReport);
}

void TSimpleLocation::Activate() {
  TLocation::Activate();
  if (!WelcomeSpeech.empty() && MC()) {
    MC()->AddSpeechCue("Zari", WelcomeSpeech);
  }
}

void TSimpleLocation::FinishReport() {
  if (FFinishReported) {
    return;
  }
  IPlayScreen* Screen = PlayScreen();
  if (Screen) {
    Screen->SetAvatarHappy(20.0f);
  }
  auto* Current = TryObjectCast<TLocation>(CurrentPlayer ? CurrentPlayer->CurrentLocation() : this);
  if (!Current) {
    Current = this;
  }
  auto Bonus = [Screen](const char* Effect) {
    if (Screen) {
      Screen->QueueAnimation(Effect);
    }
    if (CurrentPlayer) {
      CurrentPlayer->AddScore(CBonus);
    }
  };
  if (!Current->ScannerUsed) {
    Bonus("Game\\FX\\SuperSleuthBonus.ani");
  }
  if (!Current->HintUsed) {
    Bonus("Game\\FX\\NoHintsUsedBonus.ani");
  }
  FFinishReported = true;
  TFlowChannel* Main = MC();
  if (!Main) {
    return;
  }
  if (!WinAni.empty()) {
    Main->AddLocAnimation(WinAni);
  }
  if (!WinSpeech.empty()) {
    Main->AddSpeechCue("Zari", WinSpeech);
  }
  // A location without a next one stays where it is: its own scripts say what follows (a
  // chapter's last location shows the stage's end); fading to no location would fail.
  if (!NextLoc.empty()) {
    Main->AddScript("GameScreen.FadeToLocation(" + ScriptString(NextLoc) + ");");
  }
}

void TLocationWithGoalAllItemsCollected::AfterObjectPick(const std::string& AObjID,
                                                         int32_t AItemsLeft) {
  TSimpleLocation::AfterObjectPick(AObjID, AItemsLeft);
  if (ItemsLeft() == 0) {
    FinishReport();
  }
}

TUnlimLocation::TUnlimLocation(TGObject* AOwner)
    : TSimpleLocation(AOwner) {
  TakenZephrinCount = CUnlimZephrins;
}

void TUnlimLocation::Activate() {
  TakenZephrinCount = CUnlimZephrins;
  TSimpleLocation::Activate();
}

void TUnlimLocation::AfterObjectPick(const std::string& AObjID, int32_t AItemsLeft) {
  TSimpleLocation::AfterObjectPick(AObjID, AItemsLeft);
  if (ItemsLeft() != 0) {
    return;
  }
  if (TFlowChannel* Main = MC()) {
    new TSpeechCueState(Main, "Zari", "$#SPEECH#Location complete.$", "GameScreen.GameOver()");
  }
  if (CurrentPlayer) {
    CurrentPlayer->SetUnlimLocationComplete(true);
  }
}
