// The picture, text and sound channels of animations: graphics restarted on key changes and on
// seeks backwards, nested animations on the parent's clock, sprite clipping, tint, the typing
// effect, sound effects within 250 ms of their key, music, volume and pan, and the two ways a
// sound channel lets go of its sound; pictures and texts drawn to exact pixels.
#include "AudioTestUtils.h"
#include "HeadlessDevice.h"
#include "animation/UGAnimation.h"
#include "animation/UGLiveAudio.h"
#include "animation/UGLivePicture.h"
#include "animation/UGLiveText.h"
#include "audio/UGAudioSound.h"
#include "graphics/UGBitmap.h"

#include <gtest/gtest.h>

using namespace AudioTest;

// A graphic that counts the milliseconds it was advanced by; clones start from nothing.
class TClockGraphic : public TGGraphic {
  G_CLASS(TClockGraphic, TGGraphic)
  explicit TClockGraphic(TGObject* AOwner = nullptr)
      : TGGraphic(AOwner) {}
  void Update(float DeltaTime) override { Elapsed += DeltaTime * 1000.0f; }
  void AssignTo(TGObject* Dest) const override {
    inherited::AssignTo(Dest);
    ObjectCast<TClockGraphic>(Dest)->Label = Label;
  }
  std::string Label;
  float Elapsed = 0;
};
G_IMPLEMENT_CLASS(TClockGraphic)

namespace {

TClockGraphic* ClockOf(TGLivePicture& P) {
  return dynamic_cast<TClockGraphic*>(P.GetInstance());
}

TGObjectPtr<TClockGraphic> Clock(const char* Label, float W, float H) {
  TGObjectPtr<TClockGraphic> G(new TClockGraphic());
  G->Label = Label;
  G->SetExtent(TGVector{W, H, 0});
  return G;
}

std::string SeqNames(const TGChannel& C, int From) {
  std::string Names;
  for (int I = From; I < C.SeqCount(); ++I) {
    Names += C.GetSeq(I)->Name() + " ";
  }
  return Names;
}

} // namespace

TEST(LiveChannels, ClassIdsAndSequencesInFileOrder) {
  EXPECT_EQ(TGChannel::ClassIdOf(TGLivePicture::StaticClass()), "LivePicture");
  EXPECT_EQ(TGChannel::ClassIdOf(TGLiveText::StaticClass()), "LiveText");
  EXPECT_EQ(TGChannel::ClassIdOf(TGLiveAudio::StaticClass()), "LiveAudio");
  TGObjectPtr<TGLivePicture> P(New<TGLivePicture>());
  EXPECT_EQ(SeqNames(*P, 14),
            "GfxURL SpriteClipping SpriteLeft SpriteTop SpriteRight SpriteBottom Grayscale ");
  TGObjectPtr<TGLiveText> T(New<TGLiveText>());
  EXPECT_EQ(SeqNames(*T, 14), "TypingEffectOn FontURL Align VAlign LineSpacing Data Width Height ");
  TGObjectPtr<TGLiveAudio> A(New<TGLiveAudio>());
  EXPECT_EQ(SeqNames(*A, 0), "AudioURL Volume Pan IsMusic IsLooped CrossFadeTime UnbindSound ");
}

TEST(LivePicture, KeysAndSeeksBackRestartTheGraphic) {
  auto A = Clock("A", 40, 20), B = Clock("B", 10, 30);
  TGObjectPtr<TGLivePicture> Pic(New<TGLivePicture>());
  Pic->Gfx()->SetResValue(0, A.get());
  Pic->Gfx()->SetResValue(1000, B.get());
  Pic->Gfx()->SetResValue(2000, B.get());
  for (int32_t T : {0, 300, 800}) {
    Pic->SetElapsedTime(T);
  }
  EXPECT_EQ(ClockOf(*Pic)->Label, "A");
  EXPECT_FLOAT_EQ(ClockOf(*Pic)->Elapsed, 800);
  // From 800 to 1200: a fresh clone of B that has run only the 200 ms past its key.
  Pic->SetElapsedTime(1200);
  EXPECT_EQ(ClockOf(*Pic)->Label, "B");
  EXPECT_FLOAT_EQ(ClockOf(*Pic)->Elapsed, 200);
  // A second key of the same graphic restarts it too.
  Pic->SetElapsedTime(2100);
  EXPECT_FLOAT_EQ(ClockOf(*Pic)->Elapsed, 100);
  // Back to 500: A again, from its start, advanced by 500 ms.
  Pic->SetElapsedTime(500);
  EXPECT_EQ(ClockOf(*Pic)->Label, "A");
  EXPECT_FLOAT_EQ(ClockOf(*Pic)->Elapsed, 500);
  // The extent follows the key; a key holding no graphic shows nothing.
  EXPECT_EQ(Pic->ContentExtent(999), (TGVector{40, 20, 0}));
  EXPECT_EQ(Pic->ContentExtent(1000), (TGVector{10, 30, 0}));
  TGObjectPtr<TGFont> Font(new TGFont());
  Pic->Gfx()->SetResValue(3000, Font.get());
  Pic->SetElapsedTime(3000);
  EXPECT_EQ(Pic->GetInstance(), nullptr);
  EXPECT_EQ(Pic->ContentExtent(3000), (TGVector{0, 0, 0}));
}

TEST(LivePicture, ANestedAnimationRunsOnTheParentsClock) {
  auto C = Clock("C", 4, 4);
  TGObjectPtr<TGAnimation> Inner(new TGAnimation());
  auto* InnerPic = TGChannel::Create<TGLivePicture>(Inner.get());
  InnerPic->Gfx()->SetResValue(0, C.get());
  InnerPic->X()->SetRealValue(2000, 0); // the inner animation lasts 2000 ms
  TGObjectPtr<TGAnimation> Outer(new TGAnimation());
  auto* OuterPic = TGChannel::Create<TGLivePicture>(Outer.get());
  OuterPic->Gfx()->SetResValue(400, Inner.get());

  Outer->Update(0.25f);
  EXPECT_EQ(OuterPic->GetInstance(), nullptr);
  Outer->Update(0.25f);
  Outer->Update(0.5f);
  auto* Copy = dynamic_cast<TGAnimation*>(OuterPic->GetInstance());
  ASSERT_NE(Copy, nullptr);
  EXPECT_EQ(Copy->ElapsedTime(), 600); // started at 400
  auto* Deepest = dynamic_cast<TGLivePicture*>(Copy->GetChannel(0));
  ASSERT_NE(Deepest, nullptr);
  EXPECT_FLOAT_EQ(ClockOf(*Deepest)->Elapsed, 600);
  Outer->SetElapsedTime(450);
  Copy = dynamic_cast<TGAnimation*>(OuterPic->GetInstance());
  EXPECT_EQ(Copy->ElapsedTime(), 50);
}

TEST(LivePicture, TintFilterBlendingGreyAndPlacementReachTheSymbol) {
  auto A = Clock("A", 40, 20);
  TGObjectPtr<TGLivePicture> Pic(New<TGLivePicture>());
  Pic->Gfx()->SetResValue(0, A.get());
  Pic->Alpha()->SetRealValue(0, 0.5f);
  Pic->Color()->SetValue(0, TGVariant(uint32_t{0x00FF40}));
  Pic->TextureFilter()->SetValue(0, TGVariant(int32_t{tfPoint}));
  Pic->Blending()->SetValue(0, TGVariant(int32_t{bAdd}));
  Pic->Grayscale()->SetBoolValue(0, true);
  Pic->X()->SetRealValue(0, 30);
  Pic->Y()->SetRealValue(0, 7);
  Pic->PivotX()->SetRealValue(0, 0.5f);
  Pic->ScaleX()->SetRealValue(0, 2);
  Pic->SetElapsedTime(0);
  TGSymbol* S = Pic->Symbol();
  // Alpha 0.5 makes 127; red, green and blue come from the colour envelope alone.
  EXPECT_EQ(uint32_t(S->Color()), 0x7F00FF40u);
  EXPECT_EQ(S->TextureFilter(), tfPoint);
  EXPECT_EQ(S->Blending(), bAdd);
  EXPECT_EQ(S->Grayscale(), grayOn);
  // The pivot (20, 0) sits on (30, 7), twice as wide: the content covers (-10, 7)-(70, 27).
  EXPECT_TRUE(Pic->Hit(TGVector{-9, 8, 0}));
  EXPECT_TRUE(Pic->Hit(TGVector{69, 26, 0}));
  EXPECT_FALSE(Pic->Hit(TGVector{25, 6, 0}));
  EXPECT_FALSE(Pic->Hit(TGVector{71, 20, 0}));
}

TEST(LiveText, TypingShowsOneCodePointPer100MsAndKeysSetTheLook) {
  TGObjectPtr<TGFont> Font(new TGFont());
  Font->SetHeight(20);
  for (char32_t C : std::u32string(U"abcdehlo ")) {
    Font->AddCharacter(TGCharacter{C, TGRectFloat{0, 0, C == U' ' ? 0.0f : 10.0f, 20}, {}});
  }
  TGObjectPtr<TGLiveText> Txt(New<TGLiveText>());
  Txt->Font()->SetResValue(0, Font.get());
  Txt->Data()->SetWideStringValue(0, "hello");
  Txt->TypingEffectOn()->SetBoolValue(1000, true);
  auto ShownAt = [&Txt](int32_t T) {
    Txt->SetElapsedTime(T);
    return Txt->Text()->Data();
  };
  EXPECT_EQ(ShownAt(500), "hello");
  EXPECT_EQ(ShownAt(1099), "");
  EXPECT_EQ(ShownAt(1350), "hel");
  EXPECT_EQ(ShownAt(9000), "hello");
  Txt->Data()->SetWideStringValue(0, "Größe");
  EXPECT_EQ(ShownAt(1350), "Grö");
  Txt->Data()->SetWideStringValue(0, "日本語ab");
  EXPECT_EQ(ShownAt(1250), "日本");

  Txt->Data()->SetWideStringValue(2000, "ab cd");
  Txt->TypingEffectOn()->SetBoolValue(2000, false);
  Txt->Align()->SetValue(2000, TGVariant(int32_t{aRight}));
  Txt->Width()->SetValue(2000, TGVariant(30.0f));
  Txt->LineSpacing()->SetValue(2000, TGVariant(2.0f));
  TGText* T = Txt->Text();
  EXPECT_EQ(ShownAt(2000), "ab cd");
  EXPECT_EQ(T->Align(), aRight);
  EXPECT_FLOAT_EQ(T->LineSpacing(), 2.0f);
  EXPECT_EQ(Txt->ContentExtent(2000), (TGVector{30, 100, 0}));
  // Laid out during the update (two lines in 30) and kept while nothing changes.
  const int Layouts = T->LayoutCount();
  EXPECT_EQ(T->GetFormattedText().size(), 2u);
  Txt->SetElapsedTime(2010);
  EXPECT_EQ(T->LayoutCount(), Layouts);
  // A damaged alignment falls back to the first; without a font there is no text.
  Txt->Align()->SetValue(2020, TGVariant(int32_t{77}));
  Txt->SetElapsedTime(2020);
  EXPECT_EQ(T->Align(), aLeft);
  Txt->Font()->SetResValue(2030, nullptr);
  EXPECT_EQ(ShownAt(2030), "");
  EXPECT_EQ(Txt->ContentExtent(2030), (TGVector{0, 0, 0}));
}

// --- Sounds --------------------------------------------------------------------------------------

class LiveAudio : public ::testing::Test {
protected:
  void SetUp() override {
    Device.reset(new TGAudioDevice(nullptr, TMixOutput::Buffer));
    Sound = Load(MakeDC(0.5f, 3.0));
    Other = Load(MakeDC(0.25f, 3.0));
  }
  void TearDown() override {
    Sound.reset();
    Other.reset();
    Device.reset();
  }
  static TGObjectPtr<TGSound> Load(const std::string& Data) {
    TGObjectPtr<TGSound> S(new TGSound());
    S->SetLoadAsSample(true);
    TGMemoryStream Stream(Data);
    S->LoadFromStream(Stream, nullptr);
    return S;
  }
  TGObjectPtr<TGLiveAudio> Channel(TGAudio* Audio, int32_t Key, bool Music = false) {
    TGObjectPtr<TGLiveAudio> C(New<TGLiveAudio>());
    C->AudioURL()->SetResValue(Key, Audio);
    C->IsMusic()->SetBoolValue(0, Music);
    return C;
  }
  static void Walk(TGLiveAudio& C, std::initializer_list<int32_t> Times) {
    for (int32_t T : Times) {
      C.SetElapsedTime(T);
    }
  }
  TRendered Play(double Seconds) { return Render(AD->Mixer(), Seconds); }
  int States() const { return AD->AudioStates()->GetCount(); }

  TGObjectPtr<TGAudioDevice> Device;
  TGObjectPtr<TGSound> Sound, Other;
};

TEST_F(LiveAudio, ASoundEffectPlaysWithin250MsOfItsKeyOnly) {
  auto Passing = Channel(Sound.get(), 1000), Seeking = Channel(Sound.get(), 1000),
       Late = Channel(Sound.get(), 1000);
  Passing->Volume()->SetValue(0, TGVariant(int32_t{50}));
  Walk(*Passing, {0, 900});
  EXPECT_EQ(Passing->CurrentSoundState(), nullptr);
  Passing->SetElapsedTime(1249);
  ASSERT_NE(Passing->CurrentSoundState(), nullptr);
  EXPECT_NEAR(Play(0.05).Level(0, 2000), 0.25, 0.01);
  TGAudioState* First = Passing->CurrentSoundState();
  Walk(*Passing, {1300, 2000});
  EXPECT_EQ(Passing->CurrentSoundState(), First); // not started again
  Walk(*Seeking, {900, 1300});
  EXPECT_EQ(Seeking->CurrentSoundState(), nullptr);
  Late->SetElapsedTime(1250);
  EXPECT_EQ(Late->CurrentSoundState(), nullptr);
}

TEST_F(LiveAudio, KeysSetVolumeAndPanAndReplaceOrRepeatTheSound) {
  auto C = Channel(Sound.get(), 0);
  C->Volume()->SetValue(0, TGVariant(int32_t{100}));
  C->Volume()->SetValue(1000, TGVariant(int32_t{0}));
  C->Pan()->SetValue(0, TGVariant(int32_t{-100}));
  C->Pan()->SetValue(1000, TGVariant(int32_t{100}));
  Walk(*C, {0, 500});
  ASSERT_NE(C->CurrentSoundState(), nullptr);
  EXPECT_EQ(C->CurrentSoundState()->Volume(), 50);
  EXPECT_EQ(C->CurrentSoundState()->Pan(), 0);
  C->AudioURL()->SetResValue(1200, Other.get());
  C->AudioURL()->SetResValue(2000, Other.get());
  C->SetElapsedTime(1210);
  EXPECT_EQ(C->CurrentSound(), Other.get());
  // The same sound keyed again, and a looped clock coming round to a key, play from the start.
  Play(0.2);
  C->SetElapsedTime(2100);
  EXPECT_LT(C->CurrentSoundState()->GetPlayingPosition(), 0.05f);
  Play(0.2);
  Walk(*C, {2200, 2010});
  EXPECT_LT(C->CurrentSoundState()->GetPlayingPosition(), 0.05f);
  AD->OnTimer();
  EXPECT_EQ(States(), 1); // the replaced ones were stopped
  // Hidden: stopped.
  C->SetVisible(false);
  C->SetElapsedTime(2020);
  EXPECT_EQ(C->CurrentSoundState(), nullptr);
  EXPECT_EQ(States(), 0);
}

TEST_F(LiveAudio, OutOfRangeVolumeOrPanIsAnError) {
  auto C = Channel(Sound.get(), 0), M = Channel(Other.get(), 0, true);
  C->Volume()->SetValue(0, TGVariant(int32_t{101}));
  EXPECT_THROW(C->SetElapsedTime(0), ERangeError);
  EXPECT_EQ(States(), 0); // nothing started half-way
  C->Volume()->SetValue(0, TGVariant(int32_t{100}));
  C->Pan()->SetValue(100, TGVariant(int32_t{-101}));
  C->SetElapsedTime(50);
  EXPECT_THROW(C->SetElapsedTime(100), ERangeError);
  M->Volume()->SetValue(0, TGVariant(int32_t{-1}));
  EXPECT_THROW(M->SetElapsedTime(0), ERangeError);
  EXPECT_EQ(AD->CurrentMusic(), nullptr);
}

TEST_F(LiveAudio, MusicStartsFollowsItsKeysAndCanStartAgain) {
  auto C = Channel(Sound.get(), 0, true);
  C->IsLooped()->SetBoolValue(0, true);
  C->CrossFadeTime()->SetValue(0, TGVariant(int32_t{0}));
  C->Volume()->SetValue(0, TGVariant(int32_t{80}));
  C->Volume()->SetValue(1000, TGVariant(int32_t{40}));
  C->Pan()->SetValue(0, TGVariant(int32_t{-60}));
  C->SetElapsedTime(0);
  EXPECT_EQ(AD->CurrentMusic(), Sound.get());
  ASSERT_EQ(C->CurrentSoundState(), AD->CurrentMusicState());
  EXPECT_EQ(C->CurrentSoundState()->Volume(), 80);
  EXPECT_EQ(C->CurrentSoundState()->Pan(), -60);
  EXPECT_TRUE(C->CurrentSoundState()->Looped());
  C->SetElapsedTime(500);
  EXPECT_EQ(C->CurrentSoundState()->Volume(), 60);
  // The key ends: the music stops; keyed again, it plays again.
  C->AudioURL()->SetResValue(1000, nullptr);
  C->AudioURL()->SetResValue(2000, Sound.get());
  C->SetElapsedTime(1500);
  EXPECT_EQ(AD->CurrentMusicState(), nullptr);
  C->SetElapsedTime(2000);
  ASSERT_NE(AD->CurrentMusicState(), nullptr);
  EXPECT_FALSE(AD->CurrentMusicState()->IsStopped());
  // Music started elsewhere takes the state away; the channel lets go of it.
  AD->PlayMusicEx(Other.get(), false, 0, 100, 0);
  EXPECT_EQ(C->CurrentSoundState(), nullptr);
}

TEST_F(LiveAudio, DestroyingFadesOutUnlessTheSoundIsUnbound) {
  auto Faded = Channel(Sound.get(), 0), Bound = Channel(Sound.get(), 400);
  Faded->UnbindSound()->SetBoolValue(500, true);
  Faded->SetElapsedTime(0);
  Faded.reset(); // at 0, where UnbindSound is off: a 100 ms fade, then silence
  EXPECT_EQ(States(), 0);
  TRendered R = Play(0.3);
  EXPECT_GT(R.LevelAt(0.02), 0.1);
  EXPECT_LT(R.LevelAt(0.06), R.LevelAt(0.02));
  EXPECT_EQ(R.LevelAt(0.2), 0.0);

  Bound->UnbindSound()->SetBoolValue(500, true);
  Walk(*Bound, {400, 500});
  TGAudioState* S = Bound->CurrentSoundState();
  Bound.reset(); // left playing, to the device
  ASSERT_EQ(States(), 1);
  EXPECT_EQ(AD->AudioStates()->GetItem(0), S);
  EXPECT_NEAR(Play(0.3).LevelAt(0.25), 0.5, 0.01);
}

// --- Drawing -------------------------------------------------------------------------------------

namespace {

class LiveDrawing : public THeadlessSceneTest {
protected:
  static TGObjectPtr<TGSprite> SpriteOf(int W, int H, TGColor (*Pixel)(int X, int Y)) {
    TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
    Bitmap->SetSize(W, H);
    for (int Y = 0; Y < H; ++Y) {
      for (int X = 0; X < W; ++X) {
        Bitmap->SetPixel(X, Y, Pixel(X, Y));
      }
    }
    TGObjectPtr<TGSprite> Sprite(new TGSprite());
    Sprite->LoadFromBitmap(*Bitmap);
    return Sprite;
  }
  uint32_t RGB(int X, int Y) { return uint32_t(PixelAt(X, Y)) & 0xFFFFFF; }
};

} // namespace

TEST_F(LiveDrawing, APictureDrawsTintedInPlaceAndClipped) {
  // Pixel (x, y) has red 10 x + 1 and green 10 y + 1.
  auto Counting =
      SpriteOf(6, 5, [](int X, int Y) { return TGColor::Create(255, 10 * X + 1, 10 * Y + 1, 0); });
  TGObjectPtr<TGLivePicture> Pic(New<TGLivePicture>());
  Pic->Gfx()->SetResValue(0, Counting.get());
  Pic->X()->SetRealValue(0, 10);
  Pic->Y()->SetRealValue(0, 10);
  Pic->Color()->SetValue(0, TGVariant(uint32_t{0xFF0000}));
  Pic->Color()->SetValue(100, TGVariant(uint32_t{0xFFFFFF}));
  Pic->SetElapsedTime(0);
  Pic->Draw();
  EXPECT_EQ(Row(10, 9, 8), ".??????.");
  EXPECT_EQ(RGB(15, 14), 0x330000u); // red only
  EXPECT_EQ(Row(15, 9, 8), "........");

  // Clipped to (0.6, 1.5)-(4.4, 3.5): rounded half to even, (1, 2)-(4, 4).
  Pic->SpriteClipping()->SetBoolValue(100, true);
  Pic->SpriteClipping()->SetBoolValue(200, false);
  Pic->SpriteLeft()->SetRealValue(0, 0.6f);
  Pic->SpriteTop()->SetRealValue(0, 1.5f);
  Pic->SpriteRight()->SetRealValue(0, 4.4f);
  Pic->SpriteBottom()->SetRealValue(0, 3.5f);
  EXPECT_EQ(Pic->ContentExtent(100), (TGVector{3, 2, 0}));
  GD->Erase(TGColor(0xFF000000));
  Pic->SetElapsedTime(100);
  Pic->Draw();
  EXPECT_EQ(RGB(10, 10), 0x0B1500u);
  EXPECT_EQ(RGB(12, 11), 0x1F1F00u);
  EXPECT_EQ(Row(10, 9, 5), ".???.");
  EXPECT_EQ(Row(12, 9, 5), ".....");
  // Clipping off again: the whole picture.
  Pic->SetElapsedTime(200);
  EXPECT_EQ(Pic->Symbol()->Extent(), (TGVector{6, 5, 0}));
  // Nothing but overlays while only they are drawn.
  GD->Erase(TGColor(0xFF000000));
  MaskRenderingStep = 2;
  Pic->Draw();
  MaskRenderingStep = 0;
  EXPECT_EQ(Row(10, 9, 8), "........");
}

TEST_F(LiveDrawing, ATextDrawsInItsColourAndPlacement) {
  // "a" is a white 2 × 3 block; the space is 1 wide.
  auto Glyphs = SpriteOf(4, 3, [](int X, int) { return TGColor(X < 2 ? 0xFFFFFFFF : 0); });
  TGObjectPtr<TGFont> Small(new TGFont());
  Small->SetHeight(4);
  Small->SetSprite(Glyphs.get());
  Small->AddCharacter(TGCharacter{U'a', TGRectFloat{0, 0, 2, 3}, {}});
  Small->AddCharacter(TGCharacter{U' ', TGRectFloat{2, 0, 3, 3}, {}});
  TGObjectPtr<TGLiveText> Txt(New<TGLiveText>());
  Txt->Font()->SetResValue(0, Small.get());
  Txt->Data()->SetWideStringValue(0, "a a");
  // The pivot at a tenth of the 100-wide box lands on (20, 5): the text starts at 10.
  Txt->X()->SetRealValue(0, 20);
  Txt->Y()->SetRealValue(0, 5);
  Txt->PivotX()->SetRealValue(0, 0.1f);
  Txt->Color()->SetValue(0, TGVariant(uint32_t{0x00FF00}));
  Txt->SetElapsedTime(0);
  Txt->Draw();
  EXPECT_EQ(Row(4, 8, 9), ".........");
  EXPECT_EQ(Row(5, 8, 9), "..GG.GG..");
  EXPECT_EQ(Row(7, 8, 9), "..GG.GG..");
  EXPECT_EQ(Row(8, 8, 9), ".........");
  // Half transparent: half the green over black.
  GD->Erase(TGColor(0xFF000000));
  Txt->Alpha()->SetRealValue(0, 0.5f);
  Txt->Draw();
  EXPECT_NEAR(PixelAt(10, 5).G, 127, 2);
  EXPECT_EQ(PixelAt(10, 5).R, 0);
}
