#include "flow/USpeechCueState.h"

#include "flow/UCommonGameState.h"
#include "flow/UPlayScreen.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "objects/UGameObjectBehavior.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TSpeechCueState)

TSpeechCueState::TSpeechCueState(TGObject* AOwnerChannel, std::string APosition, std::string ACue,
                                 std::string AScript)
    : TFlowState(AOwnerChannel)
    , FPosition(std::move(APosition))
    , FCue(std::move(ACue))
    , FScript(std::move(AScript)) {}

void TSpeechCueState::Say() {
  if (IPlayScreen* Screen = PlayScreen()) {
    Screen->Say(FPosition, FCue, FScript);
  }
}

void TSpeechCueState::Initialize() {
  TFlowState::Initialize();
  Say();
}

void TSpeechCueState::Update(int32_t AInterval) {
  (void)AInterval;
  if (FSayOnUpdate) {
    FSayOnUpdate = false;
    Say();
    return;
  }
  IPlayScreen* Screen = PlayScreen();
  if (!Screen || !Screen->SpeechPending()) {
    Status = ssFinished;
  }
}

void TSpeechCueState::GameObjectMouseDown(TGameObject* Sender, int Button) {
  if (!Sender || Button != mbLeft) {
    return;
  }
  if (Sender->OnMouseDown) {
    Sender->OnMouseDown(Sender, Button);
  }
  TBaseCommonGameState::ClickObject(TBaseCommonGameState::LocationOf(this), Sender, false);
}

void TSpeechCueState::GameObjectMouseUp(TGameObject* Sender, int Button) {
  if (Sender && Button == mbLeft && Sender->OnMouseUp) {
    Sender->OnMouseUp(Sender, Button);
  }
}

void TSpeechCueState::GameObjectInventoryMouseDown(TGameObject* Sender, int Button) {
  if (TInventoryGameObjectBehavior* B = InventoryBehaviorOf(Sender)) {
    B->MouseDown(Sender, Button);
  }
}

void TSpeechCueState::WindowMouseDown(int Button) {
  if (Button == mbRight) {
    if (IPlayScreen* Screen = PlayScreen()) {
      Screen->ResetCursor(true);
    }
  }
}

void TSpeechCueState::LoadFromXML(const TGXMLNode* Node) {
  TFlowState::LoadFromXML(Node);
  FPosition = Node->GetStrAttrDef("Position", "");
  FCue = Node->GetStrAttrDef("Cue", "");
  FScript = Node->GetStrAttrDef("Script", "");
  FSayOnUpdate = Status == ssCurrent;
}

TGXMLNode* TSpeechCueState::SaveToXML() const {
  TGXMLNode* Node = TFlowState::SaveToXML();
  Node->SetStrAttr("Position", FPosition);
  Node->SetStrAttr("Cue", FCue);
  Node->SetStrAttr("Script", FScript);
  return Node;
}
