// The particle of simple emitters: closed-form motion (start velocity raised to a curve
// exponent, gravity, spin) and colour, alpha and scale envelopes over its life shared with the
// other particles of the same emitter key.
#pragma once

#include "animation/UGVarSeq.h"
#include "drawables/UGParticle.h"

#include <atomic>

class TGSymbol;

// Colour, alpha and scale of simple particles over their life, keyed over 0..1000 (thousandths
// of the life). Shared by reference count: created with one reference; the last Release frees.
// The count is atomic: animations loaded by loader threads reference the default data too.
class TGSimpleParticleSharedData : public TGClonableObject {
  G_CLASS(TGSimpleParticleSharedData, TGClonableObject)
  explicit TGSimpleParticleSharedData(TGObject* AOwner = nullptr);

  // Both accept none.
  static void AddRef(TGSimpleParticleSharedData* Data);
  static void Release(TGSimpleParticleSharedData* Data);
  int32_t RefCount() const { return FRefCount.load(); }

  TGColorEnv* Color() const { return FColor; }
  TGRealEnv* Alpha() const { return FAlpha; }
  TGRealEnv* Scaling() const { return FScaling; }
  // The colour at Time with its alpha taken from the alpha envelope.
  TGColor GetTotalColorColor(int32_t Time) const;
  TGColor TotalColor(int32_t Time) const { return GetTotalColorColor(Time); }

  // Node holds the children "Color", "Alpha" and "Scaling" (each optional).
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node);
  // Adds the non-empty envelopes to Node.
  void SaveToXML(TGXMLNode* Node) const;
  // Copies the three envelopes.
  void AssignTo(TGObject* Dest) const override;

private:
  TGColorEnv* FColor;
  TGRealEnv* FAlpha;
  TGRealEnv* FScaling;
  std::atomic<int32_t> FRefCount{1};
};

// The shared data used where no key says otherwise (white, opaque, unscaled).
extern TGSimpleParticleSharedData* DefaultSimpleParticleSharedData;
// DefaultSimpleParticleSharedData, made on first use.
TGSimpleParticleSharedData* GetDefaultSimpleParticleSharedData();
// Gives up the unit's reference; particles and sequences still holding it keep it alive.
void ReleaseDefaultSimpleParticleSharedData();

// A step sequence of shared-data objects. Each key holds one reference on a private copy.
class TGSimpleParticleSharedDataSeq : public TGVarSeq {
  G_CLASS(TGSimpleParticleSharedDataSeq, TGVarSeq)
public:
  // ADefault none: the process's default shared data.
  explicit TGSimpleParticleSharedDataSeq(std::string_view AName,
                                         TGSimpleParticleSharedData* ADefault = nullptr);

  void AssignTo(TGObject* Dest) const override;
  // Stores a copy of Value's object at Time; nothing when that very object is the key there.
  void SetValue(int32_t Time, const TGVariant& Value) override;
  void Clear() override;
  void RemoveTerm(int Index) override;
  // One shared-data object per "Term" element (key time "T").
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;

  // The object in force at Time (the default before the first key).
  TGSimpleParticleSharedData* GetSPSDValue(int32_t Time) const;

protected:
  void Destroy() override;

private:
  static TGSimpleParticleSharedData* DataOf(const TGVariant& V);
  // Stores Data (whose reference the sequence takes over) at Time, releasing a key there.
  void Put(int32_t Time, TGSimpleParticleSharedData* Data);
};

class TGSimpleParticle : public TGParticle {
  G_CLASS(TGSimpleParticle, TGParticle)
  explicit TGSimpleParticle(TGObject* AOwner = nullptr);

  // Moves along the closed-form path and applies the shared envelopes at the life fraction.
  void Update(float DeltaTime) override;
  void Draw() override;
  using TGGraphic::Draw;
  bool IsFinished() override { return ElapsedTime >= LifeTime; }

  // The shared data (one reference held; set it with SetData).
  TGSimpleParticleSharedData* Data = nullptr;
  TGFlatVector StartPos{};
  TGFlatVector StartVel{}; // pixels per second
  float StartAngle = 0;    // degrees
  float VelocityCurveCoeff = 1;
  float RotSpeed = 0; // degrees per second
  TGFlatVector Gravity{};
  float Size = 1;
  TGColor Color = 0xFFFFFFFF;
  float LifeTime = 0;    // seconds
  float ElapsedTime = 0; // seconds
  TGSymbol* Symbol;      // owned
  bool AngleFollowsPath = false;

  // Holds a reference on AData and releases the previous data.
  void SetData(TGSimpleParticleSharedData* AData);
  // The position and angle at time T of the life, as Update places the symbol.
  TGFlatVector PositionAt(float T) const;
  float AngleAt(float T) const;

protected:
  void Destroy() override;
};
