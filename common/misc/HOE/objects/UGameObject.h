// Game objects: the things a player sees and clicks in a location. This unit holds what the
// script layer needs of them (identity, the changed flag, dynamic properties and the members
// scripts reach); pictures, behaviours and persistence join it with the locations.
#pragma once

#include "object/UGObject.h"
#include "script/UDynProperties.h"

#include <string>
#include <string_view>

class TBaseGameObject : public TGClonableObject {
  G_CLASS(TBaseGameObject, TGClonableObject)
  explicit TBaseGameObject(TGObject* AOwner = nullptr);

  TDynProperties* Attrs() const { return FAttrs; }
  const std::string& ID() const { return FID; }
  void SetID(std::string_view Value) { FID = Value; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(std::string_view Value) { FCaption = Value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  // Changed since loading: changed objects are saved with the profile.
  bool Changed() const { return FChanged; }
  void SetChanged(bool Value) { FChanged = Value; }

  // The text of a dynamic property ("" when absent); setting adds the property when missing.
  std::string GetStrAttr(const std::string& Name) const;
  void SetStrAttr(const std::string& Name, const std::string& Value);

  void AssignTo(TGObject* Dest) const override;
  static void Publish(TGClassBuilder<TBaseGameObject>& B);

private:
  TDynProperties* FAttrs; // owned
  std::string FID;
  std::string FCaption;
  bool FVisible = true;
  bool FChanged = false;
};

class TGameObject : public TBaseGameObject {
  G_CLASS(TGameObject, TBaseGameObject)
  explicit TGameObject(TGObject* AOwner = nullptr)
      : TBaseGameObject(AOwner) {}
};
