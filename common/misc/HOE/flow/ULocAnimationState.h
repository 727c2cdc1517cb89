// Plays one of the location's animations and waits until it has played.
#pragma once

#include "flow/UFlowState.h"

#include <string>

class TBaseLocation;
class TLocationAnimation;

class TBaseLocAnimationState : public TFlowState {
  G_CLASS(TBaseLocAnimationState, TFlowState)
  explicit TBaseLocAnimationState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}
  TBaseLocAnimationState(TGObject* AOwnerChannel, std::string AAniName);

  const std::string& AniName() const { return FAniName; }
  bool AnimationStopped() const { return FAnimationStopped; }
  // Plays the animation; one that cannot be played is reported and the state finishes.
  void Initialize() override;
  // Finishes once the location has dropped the animation.
  void Update(int32_t AInterval) override;
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

protected:
  void Destroy() override;
  TBaseLocation* Location() const;

private:
  void Watch(TLocationAnimation* Animation);
  void OnAnimationDestroyed(TGObject* Sender);

  std::string FAniName;
  TLocationAnimation* FAnimation = nullptr;
  bool FAnimationStopped = false;
  // Restored while the location's animations were still unbuilt.
  bool FResolvePending = false;
};

class TLocAnimationState : public TBaseLocAnimationState {
  G_CLASS(TLocAnimationState, TBaseLocAnimationState)
  using TBaseLocAnimationState::TBaseLocAnimationState;
  explicit TLocAnimationState(TGObject* AOwnerChannel = nullptr)
      : TBaseLocAnimationState(AOwnerChannel) {}
};
