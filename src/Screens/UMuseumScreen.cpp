#include "Screens/UMuseumScreen.h"

#include "Screens/UInfoBubble.h"
#include "Screens/UPDAMenuWindow.h"
#include "app/UGApp.h"
#include "audio/UGAudio.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "locations/ULocation.h"
#include "object/UGClassBuilder.h"
#include "player/UCollections.h"
#include "player/UPlayer.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGPicture.h"
#include "xml/UGXMLNode.h"

#include <exception>

G_IMPLEMENT_CLASS(TMuseumScreen)

bool TMuseumScreen::CameFromGame = false;

namespace {

constexpr const char* CHalls[] = {"WestWing", "EastWing", "MainHall"};

TLocation* CurrentGameLocation() {
  return CurrentPlayer ? TryObjectCast<TLocation>(CurrentPlayer->CurrentLocation()) : nullptr;
}

} // namespace

void TMuseumScreen::ShowMuseum() {
  try {
    CreateFadeAndFree(StaticClass(), false);
  } catch (const std::exception& E) {
    ODS("The museum cannot be shown: %s", std::string(E.what()));
  }
}

void TMuseumScreen::AfterConstruction() {
  inherited::AfterConstruction();
  if (CurrentPlayer) {
    CurrentPlayer->PushState(gsMuseumScreen);
    FPushedState = true;
  }
  LoadTemplate();
  ShowCollectedItems();
  if (TGWidget* Bubble = FindWidget(CBubbleURL)) {
    Bubble->SetAllowMouse(true);
    Bubble->OnClick = TGNotifyEvent(this, &TMuseumScreen::OnBubbleClick);
  } else {
    ODS("The museum's window has no \"%s\": the pieces tell nothing", CBubbleURL);
  }
  AttachNavigation();
  if (CameFromGame) {
    StartMusic();
  }
  FInfoBubble = new TInfoBubble(this, FindWidget(CBubbleURL));
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Items =
      Library ? TryObjectCast<TGConfig>(Library->GetResourceEx(CItemsURL, false)) : nullptr;
  FMuseumItemsXML = Items ? Items->XML() : nullptr;
  if (!FMuseumItemsXML) {
    ODS("The museum's pieces cannot be read: \"%s\" is missing", CItemsURL);
  }
  AttachPieces(this, false);
}

void TMuseumScreen::LoadTemplate() {
  TGResourceLibrary* Library = MainResourceLibrary();
  auto* Template =
      Library ? TryObjectCast<TGWindow>(Library->GetResourceEx(CTemplateURL, false)) : nullptr;
  if (!Template) {
    ODS("The museum's window \"%s\" is missing or holds no window", CTemplateURL);
    return;
  }
  LoadFromTemplate(Template);
}

void TMuseumScreen::ShowCollectedItems() {
  const TMuseumItems* Placed = CurrentPlayer ? CurrentPlayer->MuseumItems() : nullptr;
  for (const char* Hall : CHalls) {
    const TGWidget* W = FindWidget(Hall);
    if (!W) {
      continue;
    }
    for (TGWidget* Group : W->Children()) {
      if (!Group->Name().starts_with("Items")) {
        continue;
      }
      for (TGWidget* Piece : Group->Children()) {
        Piece->SetVisible(Placed && Placed->DoesInMuseum(Piece->Name()));
      }
    }
  }
}

void TMuseumScreen::AttachNavigation() {
  struct TLink {
    const char* Path;
    void (TMuseumScreen::*Handler)(TGObject*);
  };
  static constexpr TLink CLinks[] = {
      {"MainHall\\BtnExit", &TMuseumScreen::OnExitClick},
      {"MainHall\\BtnEastWing", &TMuseumScreen::OnEastWingClick},
      {"MainHall\\BtnEastWing2", &TMuseumScreen::OnEastWingClick},
      {"MainHall\\BtnWestWing", &TMuseumScreen::OnWestWingClick},
      {"MainHall\\BtnWestWing2", &TMuseumScreen::OnWestWingClick},
      {"EastWing\\BtnMainHall", &TMuseumScreen::OnMainHallClick},
      {"EastWing\\BtnMainHall2", &TMuseumScreen::OnMainHallClick},
      {"WestWing\\BtnMainHall", &TMuseumScreen::OnMainHallClick},
      {"WestWing\\BtnMainHall2", &TMuseumScreen::OnMainHallClick},
  };
  for (const TLink& Link : CLinks) {
    if (TGWidget* Button = FindWidget(Link.Path)) {
      Button->OnClick = TGNotifyEvent(this, Link.Handler);
    } else {
      ODS("The museum's window has no button \"%s\"", Link.Path);
    }
  }
}

void TMuseumScreen::AttachPieces(TGWidget* W, bool InPiece) {
  InPiece = InPiece || FindItem(W->Name());
  if (InPiece) {
    if (auto* Picture = TryObjectCast<TGPicture>(W)) {
      Picture->SetHitTest(true);
      Picture->SetAllowMouse(true);
      Picture->OnClick = TGNotifyEvent(this, &TMuseumScreen::PieceClick);
    }
  }
  for (TGWidget* Child : W->Children()) {
    AttachPieces(Child, InPiece);
  }
}

const TGXMLNode* TMuseumScreen::FindItem(const std::string& ID) const {
  if (!FMuseumItemsXML || ID.empty()) {
    return nullptr;
  }
  TGXMLCollection* Items = FMuseumItemsXML->GetChilds("Item");
  for (int I = 0; I < Items->GetCount(); ++I) {
    const TGXMLNode* Item = Items->GetItem(I);
    if (SameText(Item->GetStrAttrDef("ID", ""), ID)) {
      return Item;
    }
  }
  return nullptr;
}

void TMuseumScreen::PieceClick(TGObject* Sender) {
  auto* W = TryObjectCast<TGWidget>(Sender);
  if (!W || !FInfoBubble) {
    return;
  }
  if (const TGXMLNode* Item = FindItem(W->Name())) {
    FInfoBubble->Show(Item->GetStrAttrDef("GfxURL", ""), Item->GetStrAttrDef("Value", ""));
    return;
  }
  // A picture inside a piece: the piece around it answers.
  if (TGWidget* Parent = W->Parent(); Parent && Parent->OnClick) {
    Parent->OnClick(Parent);
  }
}

void TMuseumScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  if (FInfoBubble) {
    FInfoBubble->Update(DeltaTime);
  }
  TPDAMenuWindow::AnswerQuitRequest();
  if (!AppCanUnclose && Visible() && State() == wsDefault) {
    Hide();
  }
}

// --- Halls ------------------------------------------------------------------------------------

void TMuseumScreen::GoToHall(const char* From, const char* To) {
  OnBubbleClick(this);
  TGWidget* Leaving = FindWidget(From);
  TGWidget* Entering = FindWidget(To);
  if (!Leaving || !Entering) {
    ODS("The museum has no hall \"%s\"", std::string(Leaving ? To : From));
    return;
  }
  Leaving->Hide({hoWaitEffect});
  Entering->Show({soWaitEffect});
}

void TMuseumScreen::OnWestWingClick(TGObject*) {
  GoToHall("MainHall", "WestWing");
}

void TMuseumScreen::OnEastWingClick(TGObject*) {
  GoToHall("MainHall", "EastWing");
}

void TMuseumScreen::OnMainHallClick(TGObject* Sender) {
  auto* Button = TryObjectCast<TGWidget>(Sender);
  const TGWidget* Hall = Button ? Button->Parent() : nullptr;
  GoToHall(Hall && SameText(Hall->Name(), "EastWing") ? "EastWing" : "WestWing", "MainHall");
}

void TMuseumScreen::OnExitClick(TGObject*) {
  FadeOut(false, true, nullptr);
}

void TMuseumScreen::OnBubbleClick(TGObject*) {
  if (FInfoBubble) {
    FInfoBubble->Hide();
  }
}

// --- Music ------------------------------------------------------------------------------------

void TMuseumScreen::StartMusic() {
  if (TLocation* L = CurrentGameLocation()) {
    L->StopLoopedSfx();
  }
  if (!AD) {
    return;
  }
  try {
    AD->PlayMusicEx(CMusicURL, true, CMusicFade, 100, 0);
  } catch (const std::exception& E) {
    ODS("The museum's music cannot play: %s", std::string(E.what()));
  }
}

void TMuseumScreen::StopMusic() {
  if (AD && AD->CurrentMusicState() && !AD->CurrentMusicState()->IsStopped()) {
    AD->CurrentMusicState()->SlideVolumeAndStop(CMusicFade);
  }
  if (TLocation* L = CurrentGameLocation()) {
    L->StartLoopedSfx();
  }
}

void TMuseumScreen::Destroy() {
  if (CameFromGame) {
    StopMusic();
    // The next museum may be opened from the menus: it must not take the game's sound away.
    CameFromGame = false;
  }
  FreeAndNil(FInfoBubble);
  if (FPushedState && CurrentPlayer) {
    CurrentPlayer->PopState(gsMuseumScreen);
  }
  inherited::Destroy();
}
