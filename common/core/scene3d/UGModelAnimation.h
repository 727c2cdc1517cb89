// Animations of a model: each moves frames by keyed translation, scaling and rotation. A frame
// animation's keys (six float envelopes and a quaternion envelope) are shared between the copies
// of a model by reference count; the model animation adds its name and its clock.
#pragma once

#include "math/UGMathTypes.h"
#include "object/UGCollection.h"

#include <cstdint>
#include <string>
#include <string_view>

class TGModel;
class TGQuaternionEnv;
class TGReader;
class TGRealEnv;
class TGResourceLibrary;
class TGWriter;
class TGXMLNode;

// The keys of one frame animation; freed with its last reference.
class TGAnimSharedData : public TGClonableObject {
  G_CLASS(TGAnimSharedData, TGClonableObject)
  explicit TGAnimSharedData(TGObject* AOwner = nullptr);

  void AssignTo(TGObject* Dest) const override;
  void AddRef() { ++FRefCount; }
  void Release();
  int32_t RefCount() const { return FRefCount; }

  TGRealEnv* TranslationX() const { return FTranslationX; }
  TGRealEnv* TranslationY() const { return FTranslationY; }
  TGRealEnv* TranslationZ() const { return FTranslationZ; }
  TGRealEnv* ScalingX() const { return FScalingX; }
  TGRealEnv* ScalingY() const { return FScalingY; }
  TGRealEnv* ScalingZ() const { return FScalingZ; }
  TGQuaternionEnv* Rotation() const { return FRotation; }
  // The six float envelopes in the order of the files.
  TGRealEnv* Envelope(int I) const;

private:
  TGRealEnv* FTranslationX; // owned, each
  TGRealEnv* FTranslationY;
  TGRealEnv* FTranslationZ;
  TGRealEnv* FScalingX;
  TGRealEnv* FScalingY;
  TGRealEnv* FScalingZ;
  TGQuaternionEnv* FRotation;
  int32_t FRefCount = 1;
};

class TGCustomFrameAnimation : public TGClonableObject {
  G_CLASS(TGCustomFrameAnimation, TGClonableObject)
  explicit TGCustomFrameAnimation(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  virtual int32_t GetTotalTime() const { return 0; }
  virtual TGMatrix GetMatrix(int32_t Time) const {
    (void)Time;
    return MatIdentity;
  }
  virtual TGMatrix GetMatrixLerp(int32_t SrcTime, int32_t DstTime, float Frac) const {
    (void)SrcTime;
    (void)DstTime;
    (void)Frac;
    return MatIdentity;
  }

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  int32_t FrameIndex() const { return FFrameIndex; }
  void SetFrameIndex(int32_t Value) { FFrameIndex = Value; }

protected:
  std::string FName;
  int32_t FFrameIndex = 0;
};

class TGFrameAnimation : public TGCustomFrameAnimation {
  G_CLASS(TGFrameAnimation, TGCustomFrameAnimation)
  explicit TGFrameAnimation(TGObject* AOwner = nullptr);

  // Dest shares this animation's keys.
  void AssignTo(TGObject* Dest) const override;
  // The largest last-key time of the seven envelopes.
  int32_t GetTotalTime() const override;
  // Scaling × rotation × translation at Time.
  TGMatrix GetMatrix(int32_t Time) const override;
  // Translation and scaling blended linearly, the rotation spherically, between the values at
  // the two times.
  TGMatrix GetMatrixLerp(int32_t SrcTime, int32_t DstTime, float Frac) const override;

  TGAnimSharedData* Data() const { return FData; }
  // Whether every key value is a finite number.
  bool KeysFinite() const;

  // "Frame" and one child per envelope with keys.
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node);
  TGXMLNode* SaveToXML() const;
  // The frame index, the six float envelopes, the rotation envelope.
  void LoadFromBinary(TGResourceLibrary* Context, TGReader& Reader);
  void SaveToBinary(TGWriter& Writer) const;

protected:
  void Destroy() override;

private:
  void SetData(TGAnimSharedData* Value);

  TGAnimSharedData* FData = nullptr; // one reference held
};

class TGFrameAnimations : public TGClonableCollection {
  G_CLASS(TGFrameAnimations, TGClonableCollection)
  explicit TGFrameAnimations(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}
  TGCustomFrameAnimation* GetItem(int I) const {
    return static_cast<TGCustomFrameAnimation*>(TGCollection::GetItem(I));
  }
};

// An animation being played: its clock (ms, advanced by the model's update at Speed) and what
// it does to a model at that time.
class TGCustomModelAnimation : public TGClonableObject {
  G_CLASS(TGCustomModelAnimation, TGClonableObject)
  explicit TGCustomModelAnimation(TGObject* AOwner = nullptr)
      : TGClonableObject(AOwner) {}

  void AssignTo(TGObject* Dest) const override;
  virtual int32_t GetTotalTime() const { return 0; }
  virtual void Apply(TGModel* Model) { (void)Model; }
  // ElapsedTime += round (DeltaTime × Speed × 1000), held inside the 32-bit range.
  void Advance(float DeltaTime);

  float Speed() const { return FSpeed; }
  void SetSpeed(float Value) { FSpeed = Value; }
  int32_t ElapsedTime() const { return FElapsedTime; }
  void SetElapsedTime(int32_t Value) { FElapsedTime = Value; }

protected:
  float FSpeed = 1;
  int32_t FElapsedTime = 0;
};

class TGModelAnimation : public TGCustomModelAnimation {
  G_CLASS(TGModelAnimation, TGCustomModelAnimation)
  explicit TGModelAnimation(TGObject* AOwner = nullptr);

  void AssignTo(TGObject* Dest) const override;
  int32_t GetTotalTime() const override;
  // Each frame animation sets its frame's matrix for the elapsed time.
  void Apply(TGModel* Model) override;

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  TGFrameAnimations* FrameAnimations() const { return FFrameAnimations; }
  // A new frame animation of frame FrameIndex, owned by this animation.
  TGFrameAnimation* AddFrameAnimation(int32_t FrameIndex);

  // "ModelAnimation": "Name" and the "FrameAnimation" children.
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node);
  TGXMLNode* SaveToXML() const;
  void LoadFromBinary(TGResourceLibrary* Context, TGReader& Reader);
  void SaveToBinary(TGWriter& Writer) const;

protected:
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  std::string FName;
  TGFrameAnimations* FFrameAnimations; // owned
};

class TGModelAnimations : public TGClonableCollection {
  G_CLASS(TGModelAnimations, TGClonableCollection)
  explicit TGModelAnimations(TGObject* AOwner = nullptr)
      : TGClonableCollection(AOwner) {}
  TGModelAnimation* GetItem(int I) const {
    return static_cast<TGModelAnimation*>(TGCollection::GetItem(I));
  }
  // The first animation of that name; none, or with Raise the error
  // "Unknown model animation: \"%s\"".
  TGModelAnimation* Find(std::string_view Name, bool Raise) const;
};
