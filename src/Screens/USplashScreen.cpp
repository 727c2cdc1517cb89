#include "Screens/USplashScreen.h"

#include "animation/UGAnimation.h"
#include "app/UGApp.h"
#include "app/UGApplication.h"
#include "base/UGDebug.h"
#include "io/UGNativeFileSystem.h"
#include "object/UGClassBuilder.h"
#include "player/UGameData.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TSplashScreen)

namespace {

// The resource at URL, or none when there is no library or the resource is missing; the splash
// must never keep the game from starting, so what is missing is only reported.
TGResource* OptionalResource(const char* URL) {
  TGResourceLibrary* Library = MainResourceLibrary();
  TGResource* R = Library ? Library->GetResourceEx(URL, false) : nullptr;
  if (!R) {
    ODS("The splash screen goes on without \"%s\"", URL);
  }
  return R;
}

} // namespace

void TSplashScreen::AfterConstruction() {
  inherited::AfterConstruction();
  if (CurrentPlayer) {
    CurrentPlayer->PushState(gsLogo);
    FStatePushed = true;
  }
  if (auto* Template = TryObjectCast<TGWindow>(OptionalResource(CTemplateURL))) {
    LoadFromTemplate(Template);
  } else if (WindowHost) {
    SetWidth(static_cast<float>(WindowHost->ScreenSize().X));
    SetHeight(static_cast<float>(WindowHost->ScreenSize().Y));
  }
  const char* URL = IsBrindleFirst() ? CFirstLogosURL : CSecondLogosURL;
  auto* Ani = TryObjectCast<TGAnimation>(OptionalResource(URL));
  SetResource(FAni, Ani);
  if (FAni) {
    FAni->SetElapsedTime(0); // the shared animation starts over for every splash
  }
  SetAllowMouse(true); // a click anywhere skips the logos
}

void TSplashScreen::Destroy() {
  SetResource(FAni, static_cast<TGAnimation*>(nullptr));
  if (FStatePushed && CurrentPlayer) {
    CurrentPlayer->PopState(gsLogo);
  }
  FStatePushed = false;
  inherited::Destroy();
}

bool TSplashScreen::IsBrindleFirst(const std::string& ConfigPath) {
  TGObjectPtr<TGNativeFileSystem> Folder(new TGNativeFileSystem(nullptr, "."));
  try {
    if (!Folder->FileExists(ConfigPath)) {
      return true;
    }
    std::unique_ptr<TGStream> Stream = Folder->CreateStream(ConfigPath, fmOpenRead);
    TGObjectPtr<TGXMLNode> Root(new TGXMLNode("Logos"));
    Root->LoadFromStream(*Stream);
    TGXMLCollection* Logos = Root->GetChilds("Logo");
    return Logos->GetCount() == 0 || Logos->GetItem(0)->GetBoolAttrDef("IsBrindleFist", true);
  } catch (const EGException& E) {
    // A damaged file beside the program must not stop the game: the studio's logos come first.
    ODS("\"%s\" cannot be read (%s); the first logos play", ConfigPath, E.Text());
    return true;
  }
}

void TSplashScreen::SelfClick(TGObject* Sender) {
  (void)Sender;
  if (FAni) {
    FAni->SetElapsedTime(FAni->TotalTime() + 1);
  }
}

void TSplashScreen::MouseDown(int Button) {
  inherited::MouseDown(Button);
  SelfClick(this);
}

void TSplashScreen::KeyDown(uint16_t Key) {
  inherited::KeyDown(Key);
  if (Key == VK_ESCAPE) {
    SelfClick(this);
  }
}

void TSplashScreen::Close() {
  if (State() == wsDefault) {
    Hide();
  } else if (State() == wsShowing) {
    SetVisible(false); // still showing: a hide would be ignored
  }
}

void TSplashScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  if (AppIsClosing) {
    AppCanUnclose = false;
    if (Application) {
      Application->Terminate();
    }
    Close(); // ends the modal run also where no message loop runs it
    return;
  }
  FRunTime += DeltaTime * 1000;
  if (!FAni) {
    Close();
    return;
  }
  FAni->Update(DeltaTime);
  auto* Data = TryObjectCast<TGameData>(GameData);
  if (FAni->ElapsedTime() >= FAni->TotalTime() ||
      (Data && Data->PortalLogoMissing() && FRunTime >= CPortalLogoMissingTime)) {
    Close();
  }
}

void TSplashScreen::Draw() {
  inherited::Draw();
  if (FAni) {
    FAni->Draw();
  }
}
