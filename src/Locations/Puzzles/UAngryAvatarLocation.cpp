#include "Locations/Puzzles/UAngryAvatarLocation.h"

#include "Screens/UGameScreen.h"
#include "Screens/UGameScreenAvatarHelper.h"
#include "base/UGDebug.h"
#include "object/UGClassBuilder.h"

G_IMPLEMENT_CLASS(TAlaska_03a)

void TAlaska_03a::Publish(TGClassBuilder<TAlaska_03a>& B) {
  B.Method("SetAngryAvatar", &TAlaska_03a::SetAngryAvatar);
}

void TAlaska_03a::SetAngryAvatar() {
  TGameScreen* Screen = CurrentGameScreen();
  if (!Screen || !Screen->AvatarHelper()) {
    ODS("Location %s: no play screen to make the avatar angry on", ID);
    return;
  }
  Screen->AvatarHelper()->SetAvatarTypeTimed(atAngry, CAngrySeconds);
}
