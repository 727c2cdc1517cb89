// Animations (".ani"): drawable resources made of an ordered list of channels and a clock. The
// clock advances by the frame time times the speed (and an optional speed expression), wraps
// for looped animations and for an optional inner loop, and hands the new time to every
// channel. A channel marked as a mask is not drawn; it cuts the channel before it to its shape
// through the device's shared render target.
#pragma once

#include "animation/UGChannel.h"
#include "drawables/UGGraphic.h"
#include "expr/UGMathParser.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct TGAnimationInternalLoop {
  int32_t TimeFrom = 0; // milliseconds
  int32_t TimeTo = 0;
  bool Active = false;

  // Fails with "TimeTo less than TimeFrom" when ATimeTo < ATimeFrom.
  static TGAnimationInternalLoop Make(bool AActive, int32_t ATimeFrom, int32_t ATimeTo);
  friend bool operator==(const TGAnimationInternalLoop&, const TGAnimationInternalLoop&) = default;
};

class TGAnimation : public TGGraphic, public IGMathScriptExecutor {
  G_CLASS(TGAnimation, TGGraphic)
  explicit TGAnimation(TGObject* AOwner = nullptr);

  // The graphic part, then copies of every channel, Looped, Speed, SpeedEnv and the inner loop.
  // The clock is not copied: the copy starts at 0.
  void AssignTo(TGObject* Dest) const override;
  void LoadFromXML(TGResourceLibrary* Context, const TGXMLNode* Node) override;
  TGXMLNode* SaveToXML() const override;
  // Whether some channel's sequence refers to Resource.
  virtual bool HasReferenceTo(const TGResource* Resource) const;
  using TGResource::HasReferenceTo;
  void Draw() override;
  using TGGraphic::Draw;
  // Advances the clock by DeltaTime seconds.
  void Update(float DeltaTime) override;
  // Inside Origin/Extent, and on some visible channel that is no mask.
  bool Hit(const TGVector& Point) override;
  using TGGraphic::Hit;
  // Never when Looped; otherwise once ElapsedTime reaches TotalTime.
  bool IsFinished() override;

  // Hooks for classes built on animations; nothing here.
  virtual void ChannelMoved(TGChannel* Channel) { (void)Channel; }
  virtual void ChannelRemoved(TGChannel* Channel) { (void)Channel; }
  virtual void ChannelAdded(TGChannel* Channel) { (void)Channel; }
  virtual void BeforeChannelDraw(TGChannel* Channel) { (void)Channel; }
  virtual void AfterChannelDraw(TGChannel* Channel) { (void)Channel; }

  // "T" (ElapsedTime / TotalTime) and "Env" for the speed expression.
  bool MathFunction(int32_t Identifier, std::span<const TParameter> Parameters,
                    double& Result) override;

  // The channel list: the animation owns its channels.
  void Add(TGChannel* Channel);
  void Insert(int32_t Index, TGChannel* Channel);
  // Takes the channel out of the list and frees it.
  void Remove(TGChannel* Channel);
  // Takes the channel out of the list without freeing it (nobody owns it then).
  void Extract(TGChannel* Channel);
  // Moves the channel at CurIndex to NewIndex.
  void MoveChannel(int32_t CurIndex, int32_t NewIndex);
  void Clear();
  TGChannel* GetChannel(int32_t Index) const;
  TGChannel* Channels(int32_t Index) const { return GetChannel(Index); }
  int32_t GetCount() const { return static_cast<int32_t>(FChannels.size()); }
  int32_t Count() const { return GetCount(); }
  int32_t IndexOf(const TGChannel* Channel) const;

  // Seeks: wraps looped animations and the inner loop, then gives every channel the time.
  void SetElapsedTime(int32_t T);
  int32_t ElapsedTime() const { return FElapsedTime; }
  // The largest last-key time over every sequence of every channel.
  int32_t GetTotalTime() const;
  int32_t TotalTime() const { return GetTotalTime(); }
  float Speed() const { return FSpeed; }
  void SetSpeed(float Value) { FSpeed = Value; }
  TGMathScript* SpeedEnv() const { return FSpeedEnv; }
  bool Looped() const { return FLooped; }
  void SetLooped(bool Value) { FLooped = Value; }
  const TGAnimationInternalLoop& InternalLoop() const { return FInternalLoop; }
  // Fails with "TimeTo less than TimeFrom" as TGAnimationInternalLoop::Make does.
  void SetInternalLoop(const TGAnimationInternalLoop& Value);
  int32_t InternalLoopCounter() const { return FInternalLoopCounter; }

  void UpdateParticles(float DeltaTime);
  void ClearParticles();
  // Origin and Extent become the box of every channel's content at every millisecond.
  void RefreshBoundingBox();

  // Drawing steps, public for classes that draw channels themselves.
  // BeforeChannelDraw, the channel's Draw, AfterChannelDraw (also when drawing fails).
  void DrawChannel(TGChannel* Channel);
  // Content drawn through the shape of Mask.
  void DrawMasked(TGChannel* Content, TGChannel* Mask);
  // Only the editor overlays of Channel, when it has any.
  void DrawAxisesOnly(TGChannel* Channel);

  static void Publish(TGClassBuilder<TGAnimation>& B);

protected:
  void Destroy() override;
  void OwnedObjectDestroying(TGObject* Obj) override;

private:
  // The mask box in clip space; false when it is empty (nothing of the content on screen).
  bool SetupMask(TGChannel* Content, TGChannel* Mask, float& X0, float& Y0, float& X1, float& Y1);
  void FinishMask();
  void LoadChannel(TGResourceLibrary* Context, const TGXMLNode* Node);

  int32_t FInternalLoopCounter = 0;
  TGAnimationInternalLoop FInternalLoop;
  int32_t FElapsedTime = 0;
  std::vector<TGChannel*> FChannels; // owned
  float FSpeed = 1;
  TGMathScript* FSpeedEnv = nullptr; // owned
  bool FLooped = false;
  // GetTotalTime as made in TermTimesGeneration FTotalTimeGeneration.
  mutable int32_t FTotalTime = 0;
  mutable uint64_t FTotalTimeGeneration = 0;
};

// The first channel of Animation captioned exactly Name (case counts), or none.
TGChannel* ChannelByName(const TGAnimation* Animation, std::string_view Name);

// Diagnostics: how long the slowest single frame of each animation takes to draw. Each URL is
// measured once; the sorted results go to "anitest.txt" in the current folder after each test.
class TGAnimationComplicationTester : public TGObject {
  G_CLASS(TGAnimationComplicationTester, TGObject)
  explicit TGAnimationComplicationTester(TGObject* AOwner = nullptr);

  // Measures the animation unless its URL was measured already or a test is running.
  void Test(TGAnimation* Animation);
  // The longest single draw, in milliseconds, of a clone at evenly spread times.
  int32_t CalculateSelfComplication(TGAnimation* Animation);

  // (URL, milliseconds), highest first.
  const std::vector<std::pair<std::string, int32_t>>& Strings() const { return FStrings; }
  const std::string& FileName() const { return FFileName; }
  void SetFileName(std::string_view Value) { FFileName = Value; }
  // Switched on by the start-up parameter TestAnimationsComplication.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }

protected:
  void Destroy() override;

private:
  void WriteReport() const;

  bool FIsInTest = false;
  bool FEnabled = false;
  std::vector<std::pair<std::string, int32_t>> FStrings;
  std::string FFileName = "anitest.txt";
};

// The process's tester, created on first use.
extern TGAnimationComplicationTester* AnimationComplicationTester;
TGAnimationComplicationTester& GetAnimationComplicationTester();
