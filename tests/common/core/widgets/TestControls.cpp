// The controls: button and check box looks through their state machines, per-state faces and
// fonts, the stretched hit mask, the progress bar's seek, paged labels drawn to exact pixels, and
// load/save round trips of every class.
#include "HeadlessDevice.h"
#include "animation/UGAnimation.h"
#include "animation/UGSceneChannel.h"
#include "app/UGClassTables.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGBitmap.h"
#include "object/UGClassBuilder.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "text/UGText.h"
#include "widgets/UGButton.h"
#include "widgets/UGCheckBox.h"
#include "widgets/UGLabel.h"
#include "widgets/UGProgressBar.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

// Records the points a hit mask is asked about.
class TMaskProbe : public TGGraphic {
  G_CLASS(TMaskProbe, TGGraphic)
  using TGGraphic::TGGraphic;
  bool Hit(const TGVector& P) override {
    Points.push_back(P);
    return true;
  }
  using TGGraphic::Hit;
  std::vector<TGVector> Points;
};
G_IMPLEMENT_CLASS(TMaskProbe)

// Records what a click handler sees.
class TClickProbe : public TGObject {
  G_CLASS(TClickProbe, TGObject)
  using TGObject::TGObject;
  void OnClick(TGObject* Sender) { Seen.push_back(ObjectCast<TGCheckBox>(Sender)->Checked()); }
  std::vector<bool> Seen;
};
G_IMPLEMENT_CLASS(TClickProbe)

namespace {

void EnsureClassesRegistered() {
  RegisterEngineClasses();
}

// An animation whose one channel's keys end at Total milliseconds.
TGAnimation* TimedAnimation(int32_t Total) {
  auto* A = new TGAnimation();
  auto* C = TGChannel::Create<TGSceneChannel>(A);
  C->X()->SetRealValue(0, 0);
  C->X()->SetRealValue(Total, 100);
  A->SetExtent(TGVector{10, 10, 0});
  return A;
}

// A library without depositories holding in-memory resources under their URLs.
class ControlsTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureClassesRegistered();
    Lib.reset(new TGResourceLibrary(nullptr, true, true));
    Up = AddGraphic(new TGGraphic(), "Up.png", 80, 30);
    Over = AddGraphic(new TGGraphic(), "Over.png", 80, 30);
    UpFont = AddResource(new TGFont(), "Up.fnt");
    OverFont = AddResource(new TGFont(), "Over.fnt");
    Bar = AddResource(TimedAnimation(1000), "Bar.ani");
  }
  template <class T>
  T* AddResource(T* R, const char* URL) {
    R->SetURL(URL);
    Lib->Add(R);
    return R;
  }
  template <class T>
  T* AddGraphic(T* G, const char* URL, float W, float H) {
    G->SetExtent(TGVector{W, H, 0});
    return AddResource(G, URL);
  }
  template <class T>
  TGObjectPtr<T> Load(std::string_view Xml) {
    TGObjectPtr<TGXMLNode> Node(new TGXMLNode());
    Node->LoadFromString(Xml);
    TGObjectPtr<T> W(New<T>(nullptr));
    W->LoadFromXML(Lib.get(), Node.get());
    return W;
  }
  static std::string Save(const TGWidget& W) {
    TGObjectPtr<TGXMLNode> Node(W.SaveToXML());
    return Node->SaveToString();
  }
  // Loading the saved text and saving again gives the same text.
  template <class T>
  void ExpectRoundTrip(std::string_view Xml) {
    const std::string First = Save(*Load<T>(Xml));
    const std::string Second = Save(*Load<T>(First));
    EXPECT_EQ(First, Second);
  }

  TGObjectPtr<TGResourceLibrary> Lib;
  TGGraphic* Up = nullptr;
  TGGraphic* Over = nullptr;
  TGFont* UpFont = nullptr;
  TGFont* OverFont = nullptr;
  TGAnimation* Bar = nullptr;
};

} // namespace

// --- Button --------------------------------------------------------------------------------------

TEST_F(ControlsTest, ButtonShowsOnlyTheLookOfItsState) {
  auto B = Load<TGButton>(R"(<Widget ClassName="TGButton" Name="Ok" Left="0" Top="0"
      Width="100" Height="40" Caption="Go" UpGfxURL="Up.png" UpFontURL="Up.fnt"/>)");
  EXPECT_EQ(B->GetCaption(), "Go");
  EXPECT_EQ(B->Text()->Align(), aCenter);
  EXPECT_EQ(B->Text()->VAlign(), vaMiddle);
  B->Update(0);
  EXPECT_EQ(B->Face()->Graphic(), Up);
  EXPECT_EQ(B->Text()->Font(), UpFont);
  EXPECT_FLOAT_EQ(B->Text()->Width(), 100); // the caption is fitted to the button
  EXPECT_FLOAT_EQ(B->Text()->Height(), 40);
  // Over and down have neither graphic nor font: no face, no caption.
  B->MouseEnter();
  EXPECT_EQ(B->State(), bsOver);
  B->Update(0);
  EXPECT_EQ(B->Face()->Graphic(), nullptr);
  EXPECT_EQ(B->Text()->Font(), nullptr);
  B->MouseDown(mbLeft);
  EXPECT_EQ(B->State(), bsDown);
  B->Update(0);
  EXPECT_EQ(B->Face()->Graphic(), nullptr);
  EXPECT_EQ(B->Text()->Font(), nullptr);
  B->MouseUp(mbLeft);
  EXPECT_EQ(B->State(), bsOver); // released with the mouse still over it
  B->MouseLeave();
  EXPECT_EQ(B->State(), bsUp);
  B->Update(0);
  EXPECT_EQ(B->Face()->Graphic(), Up);
  EXPECT_EQ(B->Text()->Font(), UpFont);
}

TEST_F(ControlsTest, DisabledButtonIgnoresTheMouseAndEnablingGivesUp) {
  TGObjectPtr<TGButton> B(New<TGButton>(nullptr));
  EXPECT_EQ(B->State(), bsUp);
  B->MouseEnter();
  B->SetEnabled(false);
  EXPECT_EQ(B->State(), bsDisabled);
  EXPECT_FALSE(B->MouseOver());
  B->MouseEnter();
  B->MouseDown(mbLeft);
  B->MouseUp(mbLeft);
  B->MouseLeave();
  EXPECT_EQ(B->State(), bsDisabled);
  // Up even though the mouse may be over it, until it leaves and enters again.
  B->SetEnabled(true);
  EXPECT_EQ(B->State(), bsUp);
  B->MouseUp(mbLeft);
  EXPECT_EQ(B->State(), bsUp);
  // Only the left button presses a button.
  B->MouseEnter();
  B->MouseDown(mbRight);
  EXPECT_EQ(B->State(), bsOver);
  B->MouseUp(mbRight);
  EXPECT_EQ(B->State(), bsOver);
}

TEST_F(ControlsTest, ButtonHitMaskIsStretchedOverTheButton) {
  TGObjectPtr<TGButton> B(New<TGButton>(nullptr));
  TGObjectPtr<TMaskProbe> Mask(New<TMaskProbe>(nullptr));
  Mask->SetExtent(TGVector{50, 20, 0});
  B->SetLeft(10);
  B->SetTop(20);
  B->SetWidth(100);
  B->SetHeight(40);
  // Without a mask the rectangle counts, both edges included.
  EXPECT_TRUE(B->InternalHit(TGFlatVector{100, 40}));
  EXPECT_FALSE(B->InternalHit(TGFlatVector{100.5f, 0}));
  B->SetHitMask(Mask.get());
  EXPECT_TRUE(B->InternalHit(TGFlatVector{60, 30}));
  ASSERT_EQ(Mask->Points.size(), 1u);
  EXPECT_FLOAT_EQ(Mask->Points[0].X, 30);
  EXPECT_FLOAT_EQ(Mask->Points[0].Y, 15);
  // The mouse search asks the mask at the same stretched point, inside the rectangle only.
  EXPECT_EQ(B->GetWidgetAt(TGPoint{70, 50}), B.get());
  ASSERT_EQ(Mask->Points.size(), 2u);
  EXPECT_FLOAT_EQ(Mask->Points[1].X, 30);
  EXPECT_FLOAT_EQ(Mask->Points[1].Y, 15);
  EXPECT_EQ(B->GetWidgetAt(TGPoint{110, 50}), nullptr);
  EXPECT_EQ(Mask->Points.size(), 2u);
  // A button or a mask without area is never hit, and the mask is not asked.
  B->SetWidth(0);
  EXPECT_FALSE(B->InternalHit(TGFlatVector{0, 0}));
  B->SetWidth(100);
  Mask->SetExtent(TGVector{0, 20, 0});
  EXPECT_FALSE(B->InternalHit(TGFlatVector{60, 30}));
  EXPECT_EQ(Mask->Points.size(), 2u);
}

TEST_F(ControlsTest, SetFontURLTakesOnlyFontsTheLibraryKnows) {
  TGObjectPtr<TGButton> B(New<TGButton>(nullptr));
  B->Text()->SetLibrary(Lib.get());
  B->SetFontURL(bsOver, "Over.fnt");
  EXPECT_EQ(B->Font(bsOver), OverFont);
  for (const char* URL : {"Up.png", "Missing.fnt", "", "no extension"}) {
    B->SetFontURL(bsOver, URL);
    EXPECT_EQ(B->Font(bsOver), OverFont) << URL;
    EXPECT_EQ(B->FontURL(bsOver), URL);
  }
}

TEST_F(ControlsTest, ButtonCopyTakesLooksButNotState) {
  auto B = Load<TGButton>(R"(<Widget ClassName="TGButton" Name="Ok" Left="0" Top="0"
      Width="100" Height="40" Caption="Go" UpGfxURL="Up.png" OverGfxURL="Over.png"
      OverFontURL="Over.fnt" HitMaskGfxURL="Up.png"/>)");
  B->MouseEnter();
  TGObjectPtr<TGButton> C(New<TGButton>(nullptr));
  C->Assign(B.get());
  EXPECT_EQ(C->State(), bsUp);
  EXPECT_FALSE(C->MouseOver());
  EXPECT_EQ(C->GetCaption(), "Go");
  EXPECT_EQ(C->Gfx(bsOver), Over);
  EXPECT_EQ(C->Font(bsOver), OverFont);
  EXPECT_EQ(C->FontURL(bsOver), "Over.fnt");
  EXPECT_EQ(C->HitMask(), Up);
}

// --- Check box -----------------------------------------------------------------------------------

TEST_F(ControlsTest, CheckBoxTogglesBeforeTheHandlerAndNotWhenDisabled) {
  auto Box = Load<TGCheckBox>(R"(<Widget ClassName="TGCheckBox" Name="Sound" Left="0" Top="0"
      Width="20" Height="20" CheckedUpGfxURL="Up.png" UncheckedOverGfxURL="Over.png"/>)");
  TGObjectPtr<TClickProbe> Probe(new TClickProbe());
  Box->OnClick = TGNotifyEvent(Probe.get(), &TClickProbe::OnClick);
  EXPECT_FALSE(Box->Checked());
  Box->Click();
  Box->Click();
  EXPECT_EQ(Probe->Seen, (std::vector<bool>{true, false}));
  Box->SetEnabled(false);
  Box->Click();
  EXPECT_FALSE(Box->Checked());
  EXPECT_EQ(Probe->Seen.size(), 2u);
  Box->SetEnabled(true);
  // The face follows the value and the state.
  Box->SetChecked(true);
  Box->Update(0);
  EXPECT_EQ(Box->Face()->Graphic(), Up);
  Box->SetChecked(false);
  Box->MouseEnter();
  Box->Update(0);
  EXPECT_EQ(Box->Face()->Graphic(), Over);
}

TEST_F(ControlsTest, AnyMouseButtonPressesACheckBox) {
  TGObjectPtr<TGCheckBox> Box(New<TGCheckBox>(nullptr));
  Box->MouseEnter();
  Box->MouseDown(mbRight);
  EXPECT_EQ(Box->State(), bsDown);
  Box->MouseUp(mbRight);
  EXPECT_EQ(Box->State(), bsOver);
  Box->MouseLeave();
  Box->MouseDown(2);
  Box->MouseUp(2);
  EXPECT_EQ(Box->State(), bsUp); // released after the mouse left
  Box->SetEnabled(false);
  Box->MouseDown(mbLeft);
  EXPECT_EQ(Box->State(), bsDisabled);
}

// --- Progress bar --------------------------------------------------------------------------------

TEST_F(ControlsTest, ProgressBarSeeksThePositionsFraction) {
  TGObjectPtr<TGProgressBar> P(New<TGProgressBar>(nullptr));
  P->SetAnimation(Bar);
  struct TCase {
    float Min, Max, Position;
    int32_t Time;
  };
  const float Inf = std::numeric_limits<float>::infinity();
  const float NaN = std::numeric_limits<float>::quiet_NaN();
  for (const TCase& C : {TCase{0, 100, 25, 250}, TCase{50, 50, 70, 0}, TCase{50, 50.0005f, 70, 0},
                         TCase{10, 20, 5, 0}, TCase{10, 20, 30, 1000}, TCase{0, 100, 1e30f, 1000},
                         TCase{0, 100, -Inf, 0}, TCase{0, 100, NaN, 0}}) {
    P->SetMin(C.Min);
    P->SetMax(C.Max);
    P->SetPosition(C.Position);
    EXPECT_EQ(P->SeekTime(), C.Time) << C.Min << " " << C.Max << " " << C.Position;
  }
  // Something other than an animation leaves the bar without one.
  auto Q = Load<TGProgressBar>(R"(<Widget ClassName="TGProgressBar" Name="P" Left="0" Top="0"
      Width="100" Height="10" AnimationURL="Up.png"/>)");
  EXPECT_EQ(Q->Animation(), nullptr);
  EXPECT_FLOAT_EQ(Q->Max(), 100);
}

// --- Files ---------------------------------------------------------------------------------------

TEST_F(ControlsTest, EveryControlSurvivesLoadAndSave) {
  ExpectRoundTrip<TGButton>(R"(<Widget ClassName="TGButton" Name="Ok" Left="1" Top="2"
      Width="100" Height="40" Caption="Go" UpGfxURL="Up.png" DownGfxURL="Over.png"
      UpFontURL="Up.fnt" DisabledFontURL="Missing.fnt" HitMaskGfxURL="Over.png"/>)");
  // A caption that is not centred keeps its text element.
  ExpectRoundTrip<TGButton>(R"(<Widget ClassName="TGButton" Name="Ok" Left="1" Top="2"
      Width="100" Height="40"><Text Align="Left" VAlign="Top" X="3">Go</Text></Widget>)");
  auto B = Load<TGButton>(R"(<Widget ClassName="TGButton" Name="Ok" Left="1" Top="2"
      Width="100" Height="40"><Text Align="Left" X="3">Go</Text></Widget>)");
  EXPECT_EQ(B->GetCaption(), "Go");
  EXPECT_EQ(B->Text()->Align(), aLeft);
  ExpectRoundTrip<TGCheckBox>(R"(<Widget ClassName="TGCheckBox" Name="C" Left="1" Top="2"
      Width="20" Height="20" Checked="true" CheckedUpGfxURL="Up.png"
      UncheckedDisabledGfxURL="Over.png"/>)");
  auto Box = Load<TGCheckBox>(R"(<Widget ClassName="TGCheckBox" Name="C" Left="1" Top="2"
      Width="20" Height="20" Checked="true"/>)");
  EXPECT_TRUE(Box->Checked());
  // The text attributes may sit on the label's own element.
  ExpectRoundTrip<TGLabel>(R"(<Widget ClassName="TGLabel" Name="L" Left="1" Top="2"
      Width="200" Height="50" FontURL="Up.fnt" Align="Right" LineSpacing="1.5">Hello</Widget>)");
  auto L = Load<TGLabel>(R"(<Widget ClassName="TGLabel" Name="L" Left="1" Top="2"
      Width="200" Height="50" FontURL="Up.fnt" Align="Right">Hello</Widget>)");
  EXPECT_EQ(L->GetData(), "Hello");
  EXPECT_EQ(L->Font(), UpFont);
  EXPECT_EQ(L->Align(), aRight);
  EXPECT_FLOAT_EQ(L->Text()->Width(), 200);
  EXPECT_TRUE(L->HasReferenceTo(UpFont));
  EXPECT_FALSE(L->HasReferenceTo(OverFont));
  // A tree answers for its labels' fonts.
  TGObjectPtr<TGWidget> Panel(New<TGWidget>(nullptr));
  Panel->Add(New<TGLabel>(Panel.get()));
  ObjectCast<TGLabel>(Panel->GetItem(0))->SetFont(OverFont);
  EXPECT_TRUE(Panel->HasReferenceTo(OverFont));
  ExpectRoundTrip<TGProgressBar>(R"(<Widget ClassName="TGProgressBar" Name="P" Left="1"
      Top="2" Width="100" Height="10" AnimationURL="Bar.ani" Min="5" Max="50" Position="7.5"/>)");
  auto P = Load<TGProgressBar>(R"(<Widget ClassName="TGProgressBar" Name="P" Left="1"
      Top="2" Width="100" Height="10" AnimationURL="Bar.ani" Min="5" Position="7.5"/>)");
  EXPECT_EQ(P->Animation(), Bar);
  EXPECT_FLOAT_EQ(P->Min(), 5);
  EXPECT_FLOAT_EQ(P->Max(), 100);
  EXPECT_FLOAT_EQ(P->Position(), 7.5f);
}

// --- Drawing -------------------------------------------------------------------------------------

namespace {

// Text in the block font of the drawing tests.
class ControlsDrawing : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    EnsureClassesRegistered();
    Blocks = std::make_unique<TBlockFont>();
    Small = Blocks->Font.get();
    Label.reset(New<TGLabel>(nullptr));
    Label->SetWidth(40);
    Label->SetHeight(8); // two lines a page
    Label->SetFont(Small);
    Label->SetClipping(true);
  }
  void TearDown() override {
    Label.reset();
    Blocks.reset();
    THeadlessSceneTest::TearDown();
  }
  // Rows 0 and 4 (the first letters of the two lines of a page) after drawing Page.
  std::string Page(int32_t P) {
    GD->Erase(TGColor(0xFF000000));
    Label->SetDrawingPage(P);
    Label->Draw();
    return Row(0, 0, 4) + "|" + Row(4, 0, 4) + "|" + Row(8, 0, 4);
  }

  std::unique_ptr<TBlockFont> Blocks;
  TGFont* Small = nullptr;
  TGObjectPtr<TGLabel> Label;
};

} // namespace

TEST_F(ControlsDrawing, PagedLabelDrawsOnePageAtTheTop) {
  Label->SetData("a\r\nb\r\na");
  EXPECT_EQ(Label->LinesPerPage(), 2);
  EXPECT_EQ(Label->PageCount(), 2);
  EXPECT_EQ(Page(0), "WW..|WWW.|....");
  EXPECT_EQ(Page(1), "WW..|....|....");
  EXPECT_EQ(Page(2), "....|....|....");
  EXPECT_EQ(Page(-1), "....|....|....");
  EXPECT_EQ(Page(std::numeric_limits<int32_t>::max()), "....|....|....");
  // Not paged, the whole text shows.
  Label->SetClipping(false);
  EXPECT_EQ(Page(0), "WW..|WWW.|WW..");
}

TEST_F(ControlsDrawing, PagedLabelStartingWithALineBreakSkipsTheEmptyLine) {
  // Lines: (empty), "a", "b", "a": the first page's top is its first line with words.
  Label->SetData("\r\na\r\nb\r\na");
  ASSERT_TRUE(Label->Text()->GetFormattedText().front().empty());
  EXPECT_EQ(Page(0), "WW..|....|....");
  EXPECT_EQ(Page(1), "WWW.|WW..|....");
  // A font without line height has no pages and draws nothing.
  Small->SetHeight(0);
  Label->Text()->Invalidate();
  EXPECT_EQ(Label->LinesPerPage(), 0);
  EXPECT_EQ(Page(0), "....|....|....");
}

TEST_F(ControlsDrawing, ButtonFaceIsStretchedOverTheButton) {
  TGObjectPtr<TGBitmap> Bitmap(new TGBitmap());
  Bitmap->SetSize(4, 2);
  for (int Y = 0; Y < 2; ++Y) {
    for (int X = 0; X < 4; ++X) {
      Bitmap->SetPixel(X, Y, 0xFFFFFFFF);
    }
  }
  TGObjectPtr<TGSprite> Face(new TGSprite());
  Face->LoadFromBitmap(*Bitmap);
  TGObjectPtr<TGButton> B(New<TGButton>(nullptr));
  B->SetGfx(bsUp, Face.get());
  B->SetWidth(32);
  B->SetHeight(20);
  B->Update(0);
  GD->SetMatrixByType(mWorld, MatTranslation(10, 10, 0));
  B->Draw();
  // Eight times as wide and ten times as high: the white spans measure the button.
  const std::string Across = Row(20, 0, CWidth);
  EXPECT_EQ(std::count(Across.begin(), Across.end(), 'W'), 32) << Across;
  int Down = 0;
  for (int Y = 0; Y < CHeight; ++Y) {
    Down += Row(Y, 20, 1) == "W" ? 1 : 0;
  }
  EXPECT_EQ(Down, 20);
}

TEST_F(ControlsDrawing, ProgressBarDrawSeeksItsOwnCopy) {
  TGObjectPtr<TGAnimation> A(TimedAnimation(1000));
  TGObjectPtr<TGProgressBar> P(New<TGProgressBar>(nullptr));
  P->SetAnimation(A.get());
  P->SetPosition(75);
  P->Draw();
  auto* Instance = dynamic_cast<TGAnimation*>(P->Picture()->Instance());
  ASSERT_NE(Instance, nullptr);
  EXPECT_EQ(Instance->ElapsedTime(), 750);
  EXPECT_EQ(A->ElapsedTime(), 0); // the shared animation is not moved
  P->SetMax(0);                   // an empty range shows the start
  P->Draw();
  EXPECT_EQ(Instance->ElapsedTime(), 0);
}
