#include "UGameStart.h"

#include "Screens/UProgramScreens.h"
#include "platform/UCrashReporter.h"
#include "player/UGameData.h"
#include "player/UPlayer.h"
#include "resources/UGAbstractStartupLog.h"

#include <string>

namespace {

TGObjectPtr<TGameData> Game;
TProgramScreens Screens;

} // namespace

TGameData* StartGame(TGAbstractStartupLog& Log) {
  TGObjectPtr<TGameData> Data(new TGameData(nullptr));
  Data->SetStartupLog(&Log);
  Data->Initialize();
  if (TPlayer* P = Data->GetCurrentPlayer()) {
    Log.Info("Profile \"" + P->Name() + "\" in " + P->ProfileFileName() + " (" +
             std::to_string(Data->Players()->GetCount()) + " in all)");
    TCrashReporter::SetLocation(P->LocationURL()); // until the play screen shows one
  }
  Game = std::move(Data);
  SetPlayerScreens(&Screens);
  return Game.get();
}

void StopGame() {
  SetPlayerScreens(nullptr);
  Game.reset();
}
