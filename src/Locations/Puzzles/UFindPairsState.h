// The interactive state of the find-pairs puzzle: a click on a listed, pickable object selects
// it (it is drawn through a glowing selection effect); a click on its twin (another object of
// the same group) sends both to the inventory. Any other click drops the selection.
#pragma once

#include "flow/UCommonGameState.h"

class TGAnimation;
class TGGraphic;
class TGSymbol;

class TFindPairsState : public TCommonGameState {
  G_CLASS(TFindPairsState, TCommonGameState)
  explicit TFindPairsState(TGObject* AOwnerChannel = nullptr)
      : TCommonGameState(AOwnerChannel) {}

  static constexpr const char* CSelectedGfxURL = "Game\\FX\\FindPairs.ani";
  static constexpr const char* CPairSfxURL = "Game\\01_Alaska\\Pair.ogg";
  static constexpr const char* CFirstSelectionSpeech = "$#SPEECH#Now click on its exact pair.$";

  TGameObject* SelectedObject() const { return FSelectedObject; }
  bool FirstSelected() const { return FFirstSelected; }
  TGSymbol* SelectedGfx() const { return FSelectedGfx; }

  void GameObjectMouseDown(TGameObject* Sender, int Button) override;
  void GameObjectInventoryMouseDown(TGameObject* Sender, int Button) override;
  void WindowMouseDown(int Button) override;
  void Update(int32_t AInterval) override;
  // A saved game holds no selection: the selected object shows its own picture again.
  TGXMLNode* SaveToXML() const override;

  // The object belongs to a pair: its group ID is not empty.
  static bool ObjectIsPair(const TGameObject* AObject);
  // Twins: equal group IDs.
  static bool SameObjects(const TGameObject* A, const TGameObject* B);
  void Select(TGameObject* AObject);
  void UnSelect();

protected:
  void Destroy() override;

private:
  // Whether the click is one the pairing rule handles: a pickable object on the current page.
  bool IsPuzzleObject(const TGameObject* AObject) const;
  void OnSelectedDestroy(TGObject* Sender);
  void FreeClones();

  bool FFirstSelected = false;
  TGSymbol* FSelectedGfx = nullptr; // owned, made on the first selection
  TGameObject* FSelectedObject = nullptr;
  // The selection effect the selected object shows and the copy of its own picture inside it.
  TGAnimation* FEffectClone = nullptr; // owned
  TGGraphic* FPictureClone = nullptr;  // owned
};

// Every picture key of the picture channel at ChannelIndex shows G instead (a key at time 0
// when the channel has none). False when there is no such picture channel.
bool ReplaceGraphicInChannel(TGAnimation* Animation, int32_t ChannelIndex, TGGraphic* G);
