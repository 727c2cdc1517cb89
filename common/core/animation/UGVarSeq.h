// Value sequences: everything that changes over time in an animation is a named list of keys
// (terms: a time in milliseconds and a value) with a default value before the first key. Most
// kinds hold the value of the last key at or before a time (a step function); the envelopes
// interpolate between keys, linearly or along a Catmull-Rom spline.
#pragma once

#include "graphics/UGGraphicsDevice.h"
#include "math/UGColor.h"
#include "object/UGObject.h"
#include "object/UGVariant.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TGReader;
class TGWriter;
class TGXMLNode;
class TGResource;
class TGResourceLibrary;

struct TGVarTerm {
  int32_t Time = 0; // milliseconds
  TGVariant Value;
};

// The time after the last term: a sequence has no active term from here on.
constexpr int32_t CVarSeqEndOfTime = 0x3FFFFFFF;

// Advances whenever a term is added to or removed from any sequence, or a sequence or channel
// joins or leaves its owner: the only ways a last-key time, and a total made of them, changes.
// Channels and animations keep their total time until it moves (it starts at 1).
extern uint64_t TermTimesGeneration;
inline void TermTimesChanged() {
  ++TermTimesGeneration;
}

class TGVarSeq : public TGObject {
  G_CLASS(TGVarSeq, TGObject)
public:
  TGVarSeq(std::string_view AName, const TGVariant& ADefValue);

  void AssignTo(TGObject* Dest) const override;
  // Context: the resource library that resolves URLs (only resource sequences use it).
  virtual void StrToVar(TGResourceLibrary* Context, const std::string& Text,
                        TGVariant& Value) const;
  virtual void VarToStr(const TGVariant& Value, std::string& Text) const;
  virtual void GetValue(int32_t Time, TGVariant& Value) const;
  virtual void SetValue(int32_t Time, const TGVariant& Value);
  virtual void Clear();
  virtual void Optimize();
  virtual void OptimizeRough();
  virtual bool HasReferenceTo(const TGResource* Resource) const;
  virtual void RemoveTerm(int Index);
  virtual void LoadFromBinary(TGResourceLibrary* Context, TGReader& Reader);
  virtual void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node);
  virtual void SaveToBinary(TGWriter& Writer) const;
  // A new node (the caller owns it), or none when there are no terms.
  virtual TGXMLNode* SaveToXML() const;

  TGVariant Value(int32_t Time) const {
    TGVariant V;
    GetValue(Time, V);
    return V;
  }

  // The term with Time(i) <= Time < Time(i + 1), or -1.
  int FindActiveTerm(int32_t Time) const;
  // The first term with T1 <= Time < T2, or -1.
  int FindTermBetween(int32_t T1, int32_t T2) const;
  // The term with exactly that time, or -1.
  int IndexOfTerm(int32_t Time) const;
  int GetCount() const { return static_cast<int>(FTerms.size()); }
  int Count() const { return GetCount(); }
  void GetTerm(int Index, TGVarTerm& Term) const;
  const TGVarTerm& Terms(int Index) const;
  // The time of the last term; 0 without terms.
  int32_t TotalTime() const { return FTerms.empty() ? 0 : FTerms.back().Time; }

  const std::string& Name() const { return FName; }
  void SetName(std::string_view Value) { FName = Value; }
  const TGVariant& DefValue() const { return FDefValue; }
  void SetDefValue(const TGVariant& Value) { FDefValue = Value; }

protected:
  // Removes term I when Same(I - 1, I, I + 1), examining the new term I again.
  template <class F>
  void OptimizeWith(F Same);
  // Stores Value at Time without any of the kind's side effects.
  void StoreTerm(int32_t Time, const TGVariant& Value);
  // The XML value text of a term before conversion.
  virtual bool ConvertsText() const { return true; }
  // StrToVar for the envelopes: a text that is no number is damage (EConvertError).
  void StrToNumber(const std::string& Text, TGVariant& Value) const;
  // Kinds whose values are numbers, switches or ordinals: a text that is none of these is
  // damage when loaded, not a value that fails each time it is read.
  virtual bool HoldsNumbers() const { return false; }

  std::string FName;
  TGVariant FDefValue;
  std::vector<TGVarTerm> FTerms; // strictly increasing times
};

class TGIntegerSeq : public TGVarSeq {
  G_CLASS(TGIntegerSeq, TGVarSeq)
protected:
  bool HoldsNumbers() const override { return true; }

public:
  using TGVarSeq::TGVarSeq;
  int32_t GetIntegerValue(int32_t Time) const { return Value(Time).ToInteger(); }
};

class TGRealSeq : public TGVarSeq {
  G_CLASS(TGRealSeq, TGVarSeq)
protected:
  bool HoldsNumbers() const override { return true; }

public:
  using TGVarSeq::TGVarSeq;
  float GetRealValue(int32_t Time) const { return Value(Time).ToSingle(); }
};

class TGBoolSeq : public TGVarSeq {
  G_CLASS(TGBoolSeq, TGVarSeq)
protected:
  bool HoldsNumbers() const override { return true; }

public:
  using TGVarSeq::TGVarSeq;
  bool GetBoolValue(int32_t Time) const { return Value(Time).ToBoolean(); }
  void SetBoolValue(int32_t Time, bool V) { SetValue(Time, TGVariant(V)); }
};

// Texts are kept as written, never converted to numbers.
class TGStringSeq : public TGVarSeq {
  G_CLASS(TGStringSeq, TGVarSeq)
public:
  using TGVarSeq::TGVarSeq;
  void StrToVar(TGResourceLibrary* Context, const std::string& Text,
                TGVariant& Value) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  std::string GetStringValue(int32_t Time) const { return Value(Time).ToString(); }
  void SetStringValue(int32_t Time, const std::string& V) { SetValue(Time, TGVariant(V)); }

protected:
  bool ConvertsText() const override { return false; }
};

class TGWideStringSeq : public TGStringSeq {
  G_CLASS(TGWideStringSeq, TGStringSeq)
public:
  using TGStringSeq::TGStringSeq;
  std::string GetWideStringValue(int32_t Time) const { return GetStringValue(Time); }
  void SetWideStringValue(int32_t Time, const std::string& V) { SetStringValue(Time, V); }
};

class TGBlendingSeq : public TGVarSeq {
  G_CLASS(TGBlendingSeq, TGVarSeq)
protected:
  bool HoldsNumbers() const override { return true; }

public:
  using TGVarSeq::TGVarSeq;
  TGBlending GetBlendingValue(int32_t Time) const {
    return static_cast<TGBlending>(Value(Time).ToInteger());
  }
};

class TGTextureFilterSeq : public TGVarSeq {
  G_CLASS(TGTextureFilterSeq, TGVarSeq)
protected:
  bool HoldsNumbers() const override { return true; }

public:
  using TGVarSeq::TGVarSeq;
  TGTextureFilter GetTextureFilterValue(int32_t Time) const {
    return static_cast<TGTextureFilter>(Value(Time).ToInteger());
  }
};

// The TGAlign ordinal of the text unit.
class TGTextAlignSeq : public TGVarSeq {
  G_CLASS(TGTextAlignSeq, TGVarSeq)
protected:
  bool HoldsNumbers() const override { return true; }

public:
  using TGVarSeq::TGVarSeq;
  int32_t GetAlignValue(int32_t Time) const { return Value(Time).ToInteger(); }
};

// The TGVAlign ordinal of the text unit.
class TGTextVAlignSeq : public TGVarSeq {
  G_CLASS(TGTextVAlignSeq, TGVarSeq)
protected:
  bool HoldsNumbers() const override { return true; }

public:
  using TGVarSeq::TGVarSeq;
  int32_t GetVAlignValue(int32_t Time) const { return Value(Time).ToInteger(); }
};

// The TGParticleEmitterShape ordinal of the particle unit.
class TGParticleEmitterShapeSeq : public TGVarSeq {
  G_CLASS(TGParticleEmitterShapeSeq, TGVarSeq)
protected:
  bool HoldsNumbers() const override { return true; }

public:
  using TGVarSeq::TGVarSeq;
  int32_t GetParticleEmitterShape(int32_t Time) const { return Value(Time).ToInteger(); }
};

// A float envelope: linear between keys, or along a Catmull-Rom spline where Curved says so.
class TGRealEnv : public TGVarSeq {
  G_CLASS(TGRealEnv, TGVarSeq)
public:
  TGRealEnv(std::string_view AName, float ADefValue, TGBoolSeq* ACurved, bool ACurvedByDefault);

  void StrToVar(TGResourceLibrary* Context, const std::string& Text,
                TGVariant& Value) const override;
  void GetValue(int32_t Time, TGVariant& Value) const override;
  void OptimizeRough() override;
  void LoadFromBinary(TGResourceLibrary* Context, TGReader& Reader) override;
  void SaveToBinary(TGWriter& Writer) const override;

  float GetRealValue(int32_t Time) const;
  void SetRealValue(int32_t Time, float V) { SetValue(Time, TGVariant(V)); }

  // The sequence saying where to curve (not owned).
  TGBoolSeq* Curved() const { return FCurved; }
  void SetCurved(TGBoolSeq* Value) { FCurved = Value; }
  bool CurvedByDefault() const { return FCurvedByDefault; }
  void SetCurvedByDefault(bool Value) { FCurvedByDefault = Value; }

private:
  TGBoolSeq* FCurved = nullptr;
  bool FCurvedByDefault = false;
};

// An integer envelope: linear between keys, truncated or rounded half to even.
class TGIntegerEnv : public TGVarSeq {
  G_CLASS(TGIntegerEnv, TGVarSeq)
public:
  using TGVarSeq::TGVarSeq;

  void StrToVar(TGResourceLibrary* Context, const std::string& Text,
                TGVariant& Value) const override;
  void GetValue(int32_t Time, TGVariant& Value) const override;
  int32_t GetIntValue(int32_t Time) const { return Value(Time).ToInteger(); }

  bool Rounding() const { return FRounding; }
  void SetRounding(bool Value) { FRounding = Value; }

private:
  bool FRounding = false;
};

// A colour envelope: three channel envelopes interpolate red, green and blue; the alpha of the
// value is always 0.
class TGColorEnv : public TGVarSeq {
  G_CLASS(TGColorEnv, TGVarSeq)
public:
  explicit TGColorEnv(std::string_view AName);

  void AssignTo(TGObject* Dest) const override;
  void StrToVar(TGResourceLibrary* Context, const std::string& Text,
                TGVariant& Value) const override;
  void GetValue(int32_t Time, TGVariant& Value) const override;
  void SetValue(int32_t Time, const TGVariant& Value) override;
  void Clear() override;
  void RemoveTerm(int Index) override;

  TGColor GetColorValue(int32_t Time) const {
    return TGColor(static_cast<uint32_t>(Value(Time).ToInt64()));
  }
  void SetColorValue(int32_t Time, TGColor V) { SetValue(Time, TGVariant(uint32_t(V))); }

  TGRealEnv* Red() const { return FRed; }
  TGRealEnv* Green() const { return FGreen; }
  TGRealEnv* Blue() const { return FBlue; }

private:
  TGRealEnv* FRed;
  TGRealEnv* FGreen;
  TGRealEnv* FBlue;
};

// A sequence of resource references. Each term with a resource holds one reference on it; a
// destroyed resource leaves its terms null.
class TGResourceSeq : public TGVarSeq {
  G_CLASS(TGResourceSeq, TGVarSeq)
public:
  TGResourceSeq(std::string_view AName, const TGVariant& ADefValue);

  void AssignTo(TGObject* Dest) const override;
  void StrToVar(TGResourceLibrary* Context, const std::string& Text,
                TGVariant& Value) const override;
  void VarToStr(const TGVariant& Value, std::string& Text) const override;
  void SetValue(int32_t Time, const TGVariant& Value) override;
  bool HasReferenceTo(const TGResource* Resource) const override;
  void Clear() override;
  void RemoveTerm(int Index) override;

  TGResource* GetResValue(int32_t Time) const;
  void SetResValue(int32_t Time, TGResource* Value);

protected:
  void Destroy() override;

private:
  static TGResource* ResourceOf(const TGVariant& V);
  int ReferencesTo(const TGResource* Resource) const;
  void Hold(TGResource* Resource);
  void Drop(TGResource* Resource);
  void OnResourceDestroy(TGObject* Sender);
};
