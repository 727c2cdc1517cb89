// A location: one scene of the game, read from a ".loc" file. It lists its game objects back to
// front, keeps animation templates and the animations playing over the objects, carries dynamic
// properties and script hooks (load, activation, fade-in, update, picking, interaction), and
// owns a flow control whose channels sequence scripted events. The same XML, with the flow
// control and the objects' state, is what a profile keeps of every location it has seen.
#pragma once

#include "base/UGFastStringList.h"
#include "locations/UDrawHelper.h"
#include "locations/ULocationAnimation.h"
#include "locations/ULocationItemsDistribution.h"
#include "math/UGMathTypes.h"
#include "objects/UGameObjectCollection.h"
#include "resources/UGResource.h"
#include "script/UDynProperties.h"

#include <cstdint>
#include <string>
#include <string_view>

class TFlowControl;
class TFlowChannel;
class TGameObject;
class TGResourceLibrary;

enum TGameObjectDispositionType {
  godtNone = 0,
  godtCursor = 1,
  godtLocation = 2,
  godtItems = 3,
  godtTools = 4,
};

class TBaseLocation : public TGResource {
  G_CLASS(TBaseLocation, TGResource)
  explicit TBaseLocation(TGObject* AOwner = nullptr);

  // Identity and scripts.
  std::string ID;
  std::string Name;
  std::string LocationClassName;
  std::string Script;
  std::string OnLoadScript;
  std::string OnActivateScript;
  std::string OnAfterFadeInScript;
  std::string OnUpdateScript;
  std::string OnAfterObjectPickScript;
  std::string OnInteractionScript;
  std::string Caption;
  // Set while an object is being removed: the removal refreshes the draw order once at the end.
  bool AniRefreshLocked = false;

  const std::string& GetID() const { return ID; }
  void SetID(std::string_view Value) { ID = Value; }
  const std::string& GetName() const { return Name; }
  TDynProperties* DynProps() const { return FDynProps; }
  TGVariant GetAttr(const std::string& AName) const;
  void SetAttr(const std::string& AName, const TGVariant& Value);
  TGameObjectCollection* Objects() const { return FObjects; }
  TLocationAnimationCollection* Animations() const { return FAnimations; }
  // Name to playing animation.
  const TGFastStringList& ActiveAnimations() const { return FActiveAnimations; }
  TLocationAnimation* ActiveAnimation(std::string_view AName) const;
  TDrawHelper* DrawHelper() const { return FDrawHelper; }
  TFlowControl* FC() const { return FFlowControl; }
  TFlowChannel* MC() const;
  TLocationItemsDistribution* ItemsDistribution() const { return FItemsDistribution; }
  int32_t VisitCount() const { return FVisitCount; }
  bool Loaded() const { return FLoaded; }
  bool AnimationsLoaded() const { return FAnimationsLoaded; }
  bool IsLoading() const { return FIsLoading; }
  // The objects of the current items page still to find (taken ones still flying count).
  int32_t PageItemsLeft() const;
  virtual bool GetChanged() const { return FChanged; }
  bool Changed() const { return GetChanged(); }
  void SetChanged(bool Value = true) { FChanged = Value; }

  // Objects, back to front.
  void AddGameObject(TGameObject* GameObject);
  void InsertGameObject(int AIndex, TGameObject* GameObject);
  // Takes the object and every channel that refers to it out of the location.
  void RemoveGameObject(TGameObject* GameObject);
  void BringToFront(TGameObject* GameObject);
  void SendToBack(TGameObject* GameObject);
  int IndexOf(std::string_view AID) const { return FObjects->IndexOf(AID); }

  // Animations: a template is cloned and played under its name ("Animation doesn't found: %s"
  // for a missing template); playing a name that plays already does nothing.
  void PlayAnimation(const std::string& AAniName);
  void PlayAnimationEx(TLocationAnimation* AAni);
  void StopAnimation(const std::string& AAniName);
  // Takes the animation out of play without freeing it.
  void StopAnimationEx(TLocationAnimation* AAni);
  void StopAllAnimations();
  // Builds the animations kept as XML since loading (on first activation).
  void LoadAnimations();
  // The draw order made anew from the playing animations; skipped while loading.
  void RefreshAnimations();
  // A playing or template animation is going: the draw order forgets it.
  void AnimationDestroying(TLocationAnimation* Animation);

  bool HasReferenceTo(const TGResource* Resource) const;
  using TGResource::HasReferenceTo;
  // Live-object channels of the templates and playing animations follow a renamed object.
  void BeforeRenameGameObject(const std::string& AOldName, const std::string& ANewName);
  void AssignTo(TGObject* Dest) const override;

  // Queues the interactive state on the main channel.
  virtual void FillMainChannel() = 0;
  // The base writes SaveToXML.
  virtual TGXMLNode* SafeSaveToXML() const { return SaveToXML(); }
  // Milliseconds.
  virtual void Update(int32_t AInterval);
  virtual void Draw();
  virtual void AfterDraw() {}
  virtual void KeyDown(int Key) { (void)Key; }
  virtual void MouseDown(int Button) { (void)Button; }
  virtual void MouseUp(int Button) { (void)Button; }
  virtual void Activate();
  virtual void Deactivate();
  virtual void AfterFadeIn();
  virtual void BeforeObjectDraw(TGameObject* AObject);
  virtual void AfterObjectDraw(TGameObject* AObject);
  virtual void BeforeObjectPick(const std::string& AObjID) { (void)AObjID; }
  virtual void AfterObjectPick(const std::string& AObjID, int32_t AItemsLeft);
  virtual void GroupCollected(const std::string& AGroupID) { (void)AGroupID; }
  // The frontmost object that takes the mouse and is hit at the point, or none.
  virtual void GetObjectAt(const TGFlatVector& Position, TGameObject*& Obj,
                           TGameObjectDispositionType& Disposition);
  TGameObject* ObjectAt(const TGFlatVector& Position);

  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  static void Publish(TGClassBuilder<TBaseLocation>& B);

protected:
  void Destroy() override;
  // Runs a script line, reporting (never raising) its errors.
  void Eval(const std::string& Code) const;
  // Kept unbuilt until activation: the "Animations" and "ActiveAnimations" elements.
  TGXMLNode* KeptAnimationsNode() const { return FAnimationsNode; }

private:
  void BuildTemplates(const TGXMLNode* Node);
  void BuildActiveAnimations(const TGXMLNode* Node);
  // The starting values of a played animation's live-object channels come from their objects.
  void InitLiveChannels(TLocationAnimation* Animation);
  void RemoveActive(int Index, bool FreeIt);
  void OnObjectsChanged(TGObject* Sender);

  TGFastStringList FActiveAnimations;
  TDrawHelper* FDrawHelper;
  bool FIsLoading = false;
  bool FLoaded = false;
  TGXMLNode* FAnimationsNode = nullptr;       // owned while animations are unbuilt
  TGXMLNode* FActiveAnimationsNode = nullptr; // owned while animations are unbuilt
  bool FAnimationsLoaded = false;
  TGResourceLibrary* FLoadingResLib = nullptr;
  bool FChanged = false;
  TDynProperties* FDynProps;
  TGameObjectCollection* FObjects;
  TLocationAnimationCollection* FAnimations;
  TFlowControl* FFlowControl;
  int32_t FVisitCount = 0;
  TLocationItemsDistribution* FItemsDistribution;
};
