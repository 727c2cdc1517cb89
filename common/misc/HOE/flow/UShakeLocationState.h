// Shakes the location: every object but the excepted ones follows the X and Y path of the
// first channel of a shake animation, and stands exactly where it stood when the shake ends.
#pragma once

#include "flow/UFlowState.h"

#include <string>
#include <vector>

class TGAnimation;

// Where one object stood when the shake began.
struct TInitObjectState {
  std::string ID;
  float Left = 0;
  float Top = 0;
};

class TShakeLocationState : public TFlowState {
  G_CLASS(TShakeLocationState, TFlowState)
  explicit TShakeLocationState(TGObject* AOwnerChannel = nullptr)
      : TFlowState(AOwnerChannel) {}
  // A private copy of the animation, from its start.
  TShakeLocationState(TGObject* AOwnerChannel, const std::string& AShakeURL,
                      const std::string& AExceptObjs);

  const std::vector<TInitObjectState>& List() const { return FList; }
  TGAnimation* ShakeAni() const { return FShakeAni; }
  void Initialize() override;
  void Update(int32_t AInterval) override;
  // Every object back where it stood.
  void Finalize() override;
  void LoadFromXML(const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

protected:
  void Destroy() override;

private:
  void LoadAnimation(const std::string& AURL);
  void SetExceptObjs(const std::string& Value);
  void DropAnimation();

  TGAnimation* FShakeAni = nullptr; // owned
  std::string FShakeAniURL;
  std::vector<TInitObjectState> FList;
  std::string FExceptObjs;
  std::vector<std::string> FExceptIds;
};
