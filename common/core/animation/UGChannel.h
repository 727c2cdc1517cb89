// Channels: the timelines an animation is made of. A channel owns a list of value sequences
// (positions, angles, colours, pictures, texts, sounds...) and is told the animation's time; its
// kind decides what it shows. TGMovie is the placed channel: it adds position, rotation,
// scaling, pivot, opacity, tint, blending and filter sequences and the transform they make.
//
// Channel kinds are created by class id ("LivePicture", "SceneChannel", ...) from a process-wide
// registry filled at start-up.
#pragma once

#include "animation/UGVarSeq.h"
#include "graphics/UGGraphicsDevice.h"
#include "math/UGMathTypes.h"
#include "object/UGClassBuilder.h"
#include "object/UGObject.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TGAnimation;
class TGResource;
class TGResourceLibrary;
class TGXMLNode;

enum TGChannelFlag { mfDrawFrame = 0, mfDrawAxises = 1, mfDisableSounds = 2 };
G_DECLARE_ENUM(TGChannelFlag);
using TGChannelFlags = TGSet<TGChannelFlag>;

// What animations are drawing now: 0 normal drawing, 1 a mask or masked content, 2 the editor
// overlays only. Content kinds draw nothing of their own while it is 2, and editor overlays are
// never drawn while it is 1.
extern int32_t MaskRenderingStep;

class TGChannel : public TGObject {
  G_CLASS(TGChannel, TGObject)
public:
  // The argument-less constructor of a kind (the owner is the class facility's convention, none
  // for channels made by the animation): creates the kind's sequences.
  explicit TGChannel(TGObject* AOwner = nullptr);

  // Caption, Visible, Locked, IsMask, then every sequence into Dest's sequence of the same
  // index (Dest must be a channel).
  void AssignTo(TGObject* Dest) const override;
  // The class name without its leading "T", or without "TG" when the second letter is "G".
  virtual std::string GetClassId() const { return ClassIdOf(ClassType()); }
  static std::string ClassIdOf(TGClass AClass);
  // A channel of AClass made with its argument-less constructor, added to Animation when one is
  // given.
  static TGChannel* Create(TGClass AClass, TGAnimation* Animation);
  template <class T>
  static T* Create(TGAnimation* Animation) {
    return static_cast<T*>(Create(T::StaticClass(), Animation));
  }
  virtual void ClearParticles() {}
  // "Caption", "Visible" (required), "Locked", "Mask", then for each sequence in registration
  // order the first child element named like it. Context resolves resource URLs.
  virtual void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node);
  // A new "Channel" node (the caller owns it).
  virtual TGXMLNode* SaveToXML() const;
  // The size of the content at Time; none here.
  virtual void GetExtent(int32_t Time, TGVector& Extent);
  // Grows Min and Max by the transformed content at Time; nothing here.
  virtual void AdjustBoundingBox(int32_t Time, TGVector& Min, TGVector& Max);
  // The transform of the content at Time; the identity here.
  virtual void GetTransformMatrix(int32_t Time, TGMatrix& M);
  // Whether the point (in the animation's coordinates) lies on the channel at Time.
  virtual bool HitTest(int32_t Time, float X, float Y);
  // The precise hit test at the current time (the content's own).
  virtual bool Hit(const TGVector& Point);
  virtual void Draw() {}
  // Brings the channel to ElapsedTime.
  virtual void Update() {}
  virtual void UpdateParticles(float DeltaTime) { (void)DeltaTime; }
  // Moves the channel's position keys at Time by (DX, DY).
  virtual void Move(int32_t Time, float DX, float DY);
  // Whether some sequence refers to Resource.
  virtual bool HasReferenceTo(const TGResource* Resource) const;

  // Stores T and runs Update.
  void SetElapsedTime(int32_t T);
  int32_t ElapsedTime() const { return FElapsedTime; }
  // The largest last-key time of the sequences.
  int32_t TotalTime() const;
  // A new channel of the same class assigned from this one; owned by nobody.
  TGChannel* Clone() const;

  // The owning animation, or none.
  TGAnimation* Animation() const;

  const std::vector<TGVarSeq*>& Seqs() const { return FSeqs; }
  int32_t SeqCount() const { return static_cast<int32_t>(FSeqs.size()); }
  int32_t GetSeqCount() const { return SeqCount(); }
  TGVarSeq* GetSeq(int32_t Index) const;
  // The sequence with that name (exact), or none.
  TGVarSeq* FindSeq(std::string_view Name) const;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(std::string_view Value) { FCaption = Value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool Locked() const { return FLocked; }
  void SetLocked(bool Value) { FLocked = Value; }
  TGChannelFlags Flags() const { return FFlags; }
  void SetFlags(TGChannelFlags Value) { FFlags = Value; }
  bool IsMask() const { return FIsMask; }
  void SetIsMask(bool Value) { FIsMask = Value; }

  // The process-wide registry of channel classes, in registration order. Registering a class
  // twice keeps the first entry.
  static void RegisterClass(TGClass AClass);
  // The class with that id, or none.
  static TGClass FindClass(std::string_view ClassId);
  // As FindClass, failing with "Unknown movie class: %s".
  static TGClass GetClass(std::string_view ClassId);
  static const std::vector<TGClass>& ClassRegistry();

  static void Publish(TGClassBuilder<TGChannel>& B);

protected:
  // Registers a sequence of the kind: appends it to the sequences (the channel owns it) and
  // stores it in Field.
  template <class T>
  void SetVar(T*& Field, T* Seq) {
    AddSeq(Seq);
    Field = Seq;
  }
  void AddSeq(TGVarSeq* Seq);

  std::string FCaption;
  bool FVisible = true;
  bool FLocked = false;
  TGChannelFlags FFlags;
  std::vector<TGVarSeq*> FSeqs; // owned, in registration order
  int32_t FElapsedTime = 0;
  bool FIsMask = false;

private:
  mutable int32_t FTotalTime = 0;
  mutable uint64_t FTotalTimeGeneration = 0; // the TermTimesGeneration FTotalTime was made in
};

// The placed channel: where its content is, how it is turned, scaled and tinted.
class TGMovie : public TGChannel {
  G_CLASS(TGMovie, TGChannel)
public:
  explicit TGMovie(TGObject* AOwner = nullptr);

  // Also re-links every copied envelope to the copied curve switch.
  void AssignTo(TGObject* Dest) const override;
  // The pivot of the content (fractions of its extent) lands on (X, Y), scaled and turned by
  // Angle degrees about it.
  void GetTransformMatrix(int32_t Time, TGMatrix& M) override;
  // The rounded point inside the polygon of the transformed, rounded corners of the content;
  // never when Locked. With an editor overlay switched on, also near the pivot.
  bool HitTest(int32_t Time, float X, float Y) override;
  // Grows Min and Max by the four transformed corners of the content.
  void AdjustBoundingBox(int32_t Time, TGVector& Min, TGVector& Max) override;
  // The editor overlays chosen by Flags; content kinds draw their content, then call this.
  void Draw() override;
  // X and Y at Time become keys moved by (DX, DY).
  void Move(int32_t Time, float DX, float DY) override;

  // Conveniences over the virtual operations.
  TGMatrix TransformMatrix(int32_t Time) {
    TGMatrix M;
    GetTransformMatrix(Time, M);
    return M;
  }
  TGVector ContentExtent(int32_t Time) {
    TGVector E;
    GetExtent(Time, E);
    return E;
  }
  // The four corners (0, 0), (0, E.Y), (E.X, E.Y), (E.X, 0) of the content at Time, transformed.
  void TransformedCorners(int32_t Time, TGVector (&Corners)[4]);
  // The tint of the content at Time: alpha from Alpha, RGB from Color.
  TGColor ContentColor(int32_t Time) const;

  TGBoolSeq* SmoothMove() const { return FSmoothMove; }
  TGRealEnv* X() const { return FX; }
  TGRealEnv* Y() const { return FY; }
  TGBoolSeq* SmoothRotation() const { return FSmoothRotation; }
  TGRealEnv* Angle() const { return FAngle; }
  TGBoolSeq* SmoothScaling() const { return FSmoothScaling; }
  TGRealEnv* ScaleX() const { return FScaleX; }
  TGRealEnv* ScaleY() const { return FScaleY; }
  TGTextureFilterSeq* TextureFilter() const { return FTextureFilter; }
  TGRealEnv* PivotX() const { return FPivotX; }
  TGRealEnv* PivotY() const { return FPivotY; }
  TGRealEnv* Alpha() const { return FAlpha; }
  TGColorEnv* Color() const { return FColor; }
  TGBlendingSeq* Blending() const { return FBlending; }

  static void Publish(TGClassBuilder<TGMovie>& B);

protected:
  // The overlays alone, at the current time, in the channel's transform.
  void DrawOverlays();

  TGRealEnv* FX = nullptr;
  TGRealEnv* FY = nullptr;
  TGBoolSeq* FSmoothMove = nullptr;
  TGRealEnv* FAngle = nullptr;
  TGBoolSeq* FSmoothRotation = nullptr;
  TGRealEnv* FScaleX = nullptr;
  TGRealEnv* FScaleY = nullptr;
  TGBoolSeq* FSmoothScaling = nullptr;
  TGTextureFilterSeq* FTextureFilter = nullptr;
  TGRealEnv* FPivotX = nullptr;
  TGRealEnv* FPivotY = nullptr;
  TGRealEnv* FAlpha = nullptr;
  TGBlendingSeq* FBlending = nullptr;
  TGColorEnv* FColor = nullptr;
};
