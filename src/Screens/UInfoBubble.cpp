#include "Screens/UInfoBubble.h"

#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "drawables/UGGraphic.h"
#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGPicture.h"

G_IMPLEMENT_CLASS(TInfoBubble)

TInfoBubble::TInfoBubble(TGObject* AOwner, TGWidget* AWidget)
    : TGObject(AOwner)
    , FWidget(AWidget) {
  if (FWidget) {
    Subscribe(TGNotification(FWidget, &TGObject::NotifyDestroy),
              TGNotifyEvent(this, &TInfoBubble::OnWidgetDestroy));
  }
}

void TInfoBubble::Destroy() {
  if (FWidget) {
    UnSubscribe(FWidget);
    FWidget = nullptr;
  }
  inherited::Destroy();
}

void TInfoBubble::OnWidgetDestroy(TGObject* Sender) {
  if (Sender == FWidget) {
    FWidget = nullptr;
  }
}

std::string TInfoBubble::ExpandLineBreaks(const std::string& Value) {
  return ReplaceAll(Value, "$ENTER$", "\r\n"); // a line break, not a dictionary key
}

void TInfoBubble::Show(const std::string& Gfx, const std::string& Value) {
  FIsReview = Gfx == FNextGfx && Value == FNextValue;
  FNextGfx = Gfx;
  FNextValue = Value;
  FIsChanged = true;
}

void TInfoBubble::Update(float DeltaTime) {
  if (!FWidget) {
    return;
  }
  const TGWidgetState State = FWidget->State();
  if (!FIsChanged) {
    if (FWidget->Visible() && State == wsDefault) {
      FTimer -= DeltaTime;
      if (FTimer < 0) {
        FWidget->Hide();
      }
    }
    return;
  }
  if (FWidget->Visible() || State != wsDefault) {
    if (FIsReview) {
      // The same content stays up; a bubble on its way out comes back once it is gone (a
      // widget shows only from its steady state), through the branch below.
      if (State != wsHiding) {
        FIsChanged = false;
        FTimer = CShowTime;
      }
    } else if (State == wsDefault) {
      // New content waits until the old has left; a bubble still showing hides once steady.
      FWidget->Hide();
    }
    return;
  }
  ApplyContent();
  FIsChanged = false;
  FTimer = CShowTime;
  FWidget->Show();
}

void TInfoBubble::ApplyContent() {
  auto* Picture = TryObjectCast<TGPicture>(FWidget);
  auto* Animation = Picture && Picture->Picture()
                        ? TryObjectCast<TGAnimation>(Picture->Picture()->Instance())
                        : nullptr;
  if (!Animation || Animation->Count() <= CPictureChannel) {
    ODS("The museum's bubble \"%s\" has no animation with a text and a picture channel",
        FWidget->Name());
    return;
  }
  if (auto* Text = TryObjectCast<TGLiveText>(Animation->Channels(CTextChannel))) {
    Text->Data()->SetValue(0, TGVariant(ExpandLineBreaks(FNextValue)));
  }
  if (auto* Shot = TryObjectCast<TGLivePicture>(Animation->Channels(CPictureChannel))) {
    TGResourceLibrary* Library = MainResourceLibrary();
    TGResource* Gfx = Library && !FNextGfx.empty()
                          ? Library->GetResourceEx(CGfxFolder + FNextGfx, false)
                          : nullptr;
    if (!FNextGfx.empty() && !TryObjectCast<TGGraphic>(Gfx)) {
      ODS("The museum's picture \"%s%s\" is missing", CGfxFolder, FNextGfx);
    }
    Shot->Gfx()->SetResValue(0, TryObjectCast<TGGraphic>(Gfx));
  }
  Animation->SetElapsedTime(0);
}
