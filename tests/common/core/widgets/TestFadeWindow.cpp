// The fading window: fade timing and hooks, the black frame before a fade-out ends, the layer's
// place in the child list (and the children it leaves above the black), pausing and locked
// updates, drawn on the headless device.
#include "HeadlessDevice.h"
#include "object/UGClassBuilder.h"
#include "object/UGCollection.h"
#include "widgets/UFadeWindow.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Events;

// A window that records its hooks, and what the screen looked like when LastDraw ran.
class TProbeFadeWindow : public TFadeWindow {
  G_CLASS(TProbeFadeWindow, TFadeWindow)
  using TFadeWindow::TFadeWindow;

  void LastUpdate(float) override { Events.push_back("LastUpdate"); }
  void LastDraw() override { Events.push_back("LastDraw"); }
  void AfterFadeIn() override { Events.push_back("AfterFadeIn"); }
  void AfterFadeOut() override { Events.push_back("AfterFadeOut"); }
};

// A child filling its rectangle with its colour; it keeps the time its updates got.
class TBlock : public TGWidget {
  G_CLASS(TBlock, TGWidget)
  using TGWidget::TGWidget;

  void Draw() override { GD->DrawRect(Fill, 0, 0, Width(), Height()); }
  void Update(float DeltaTime) override { Time += DeltaTime; }
  TGColor Fill = TGColor(0xFFFFFFFF);
  float Time = 0;
};

} // namespace

G_IMPLEMENT_CLASS(TProbeFadeWindow)
G_IMPLEMENT_CLASS(TBlock)

class FadeWindow : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    Events.clear();
    Window.reset(New<TProbeFadeWindow>(nullptr));
    Window->SetWidth(CWidth);
    Window->SetHeight(CHeight);
  }
  void TearDown() override {
    Window.reset();
    THeadlessSceneTest::TearDown();
  }
  TBlock* AddBlock(float Left, float Width) {
    TBlock* B = New<TBlock>(Window.get());
    B->SetLeft(Left);
    B->SetWidth(Width);
    B->SetHeight(CHeight);
    Window->Add(B);
    return B;
  }
  void Frame(float DeltaTime) {
    Window->UpdateTree(DeltaTime);
    GD->Erase(TGColor(0xFF000000));
    Window->DrawTree();
  }
  int LayerIndex() { return Window->IndexOf(Window->FadeWidget()); }

  TGObjectPtr<TProbeFadeWindow> Window;
};

TEST_F(FadeWindow, FadeInTakesAboutAFifthOfASecondAndEndsOnce) {
  AddBlock(0, CWidth);
  Window->FadeIn(false, false, nullptr);
  EXPECT_EQ(Window->FadeState(), fwsFadeIn);
  int Updates = 0;
  while (Window->FadeState() == fwsFadeIn && Updates < 100) {
    Frame(0.01f);
    ++Updates;
  }
  // 255 / 1200 per second: 0.21 s is not enough, 0.22 s passes 255.
  EXPECT_EQ(Updates, 22);
  EXPECT_EQ(Window->FadeValue(), 255);
  for (int I = 0; I < 5; ++I) {
    Frame(0.01f);
  }
  EXPECT_EQ(Events, std::vector<std::string>{"AfterFadeIn"});
  // The layer stays a child, now transparent.
  EXPECT_EQ(Window->FadeWidget()->AlphaVal(), 255);
  EXPECT_EQ(Row(10, 0, 4), "WWWW");
}

TEST_F(FadeWindow, FadeOutDrawsOneBlackFrameThenEnds) {
  AddBlock(0, CWidth);
  Window->SetFadeValue(255);
  Window->FadeOut(false, false, nullptr);
  int Update = 0;
  std::vector<std::string> Seen;
  std::string ScreenAtLastDraw;
  while (Window->FadeState() == fwsFadeOut && Update < 100) {
    ++Update;
    Frame(0.01f);
    for (const std::string& E : Events) {
      Seen.push_back(E + "@" + std::to_string(Update));
      if (E == "LastDraw") {
        ScreenAtLastDraw = Row(10, 0, 4);
      }
    }
    Events.clear();
  }
  // 21 updates bring the value under 5 (to 0), the next one runs LastUpdate and its frame is
  // drawn black with LastDraw, the one after ends the fade.
  EXPECT_EQ(Seen, (std::vector<std::string>{"LastUpdate@22", "LastDraw@22", "AfterFadeOut@23"}));
  EXPECT_EQ(ScreenAtLastDraw, "....");
  EXPECT_EQ(Window->FadeValue(), 0);
  EXPECT_TRUE(Window->Visible());
  // The layer stays opaque over the content until the next fade-in.
  Frame(0.01f);
  EXPECT_EQ(Row(10, 0, 4), "....");

  // From black a fade-out needs no steps; asked to hide, the window ends invisible.
  Window->FadeOut(false, true, nullptr);
  Frame(0.01f);
  Frame(0.01f);
  EXPECT_EQ(Events, (std::vector<std::string>{"LastUpdate", "LastDraw", "AfterFadeOut"}));
  EXPECT_FALSE(Window->Visible());
}

TEST_F(FadeWindow, SecondFadeOutChangesNothing) {
  TBlock* A = AddBlock(0, 10);
  TBlock* B = AddBlock(10, 10);
  Window->SetFadeValue(200);
  Window->FadeOut(false, true, A);
  Frame(0.05f);
  const float Value = Window->FadeValue();
  Window->FadeOut(true, false, B);
  EXPECT_EQ(Window->LastFadedWidget(), A);
  EXPECT_TRUE(Window->HideAfterFadeOut());
  EXPECT_FALSE(Window->LockUpdate());
  EXPECT_EQ(Window->FadeValue(), Value);
  // A fade-in may turn a fade-out round, starting from where the value is.
  Window->FadeIn(false, false, nullptr);
  Frame(0.01f);
  EXPECT_FLOAT_EQ(Window->FadeValue(), Value + 12);
}

TEST_F(FadeWindow, ChildrenAfterTheLastFadedStayAboveTheLayer) {
  AddBlock(0, 16);
  TBlock* Middle = AddBlock(16, 16);
  AddBlock(32, 32);
  Window->SetFadeState(fwsCustom);
  Window->SetFadeValue(0);
  Window->SetLastFadedWidget(Middle);
  Frame(0.01f);
  EXPECT_EQ(LayerIndex(), 2);
  EXPECT_EQ(Row(20, 8, 2) + Row(20, 24, 2) + Row(20, 40, 2), "....WW");
  // Custom holds the value: nothing advances it.
  Frame(1);
  EXPECT_EQ(Window->FadeValue(), 0);
  EXPECT_EQ(Window->FadeState(), fwsCustom);
  // Moved further down when the faded part changes.
  Window->SetLastFadedWidget(Window->GetItem(0));
  Frame(0.01f);
  EXPECT_EQ(LayerIndex(), 1);
  EXPECT_EQ(Row(20, 8, 2) + Row(20, 24, 2) + Row(20, 40, 2), "..WWWW");
}

TEST_F(FadeWindow, FadeValue128GivesALayerOfAlpha127) {
  AddBlock(0, CWidth);
  Window->SetFadeState(fwsCustom);
  Window->SetFadeValue(128);
  Frame(0.01f);
  EXPECT_EQ(Window->FadeWidget()->AlphaVal(), 128);
  // White under black of alpha 127: 255 × 128 / 255.
  const TGColor P = PixelAt(30, 20);
  EXPECT_NEAR(P.R, 128, 2);
  EXPECT_NEAR(P.G, 128, 2);
  EXPECT_NEAR(P.B, 128, 2);
  // Values out of range are held to the layer's range.
  Window->SetFadeValue(400);
  Frame(0.01f);
  EXPECT_EQ(Window->FadeWidget()->AlphaVal(), 255);
  EXPECT_EQ(Row(20, 30, 1), "W");
}

TEST_F(FadeWindow, PausedWindowStandsStill) {
  TBlock* A = AddBlock(0, CWidth);
  Window->FadeIn(false, false, nullptr);
  Frame(0.1f);
  const float Value = Window->FadeValue();
  EXPECT_FLOAT_EQ(Value, 120);
  Window->ApplicationDeactivateHelper();
  EXPECT_TRUE(Window->Paused());
  const float Time = A->Time;
  for (int I = 0; I < 10; ++I) {
    Frame(0.1f);
  }
  EXPECT_EQ(Window->FadeValue(), Value);
  EXPECT_EQ(A->Time, Time);
  Window->ApplicationActivateHelper();
  EXPECT_FALSE(Window->Paused());
  Frame(0.1f);
  EXPECT_FLOAT_EQ(Window->FadeValue(), 240);
}

TEST_F(FadeWindow, LockedFadeRunsWhileTheTreeGetsNoTime) {
  TBlock* A = AddBlock(0, CWidth);
  Window->FadeIn(true, false, nullptr);
  Frame(0.1f);
  EXPECT_EQ(A->Time, 0);
  EXPECT_FLOAT_EQ(Window->FadeValue(), 120);
  Frame(0.1f);
  Frame(0.1f);
  EXPECT_EQ(Events, std::vector<std::string>{"AfterFadeIn"});
  EXPECT_EQ(A->Time, 0);
}

TEST_F(FadeWindow, LayerNeverFollowsItself) {
  TBlock* A = AddBlock(0, 32);
  Window->SetFadeState(fwsCustom);
  Window->SetFadeValue(0);
  Window->SetLastFadedWidget(nullptr);
  Frame(0.01f);
  ASSERT_EQ(LayerIndex(), 1);
  // The layer is now the last child; the last faded widget is still the last other child.
  Window->SetLastFadedWidget(nullptr);
  EXPECT_EQ(Window->LastFadedWidget(), A);
  EXPECT_NO_THROW(Frame(0.01f));
  EXPECT_EQ(LayerIndex(), 1);
  EXPECT_EQ(Window->GetCount(), 2);

  // The faded child leaves: the layer follows the last child that is left.
  TBlock* B = AddBlock(32, 32);
  Window->SetLastFadedWidget(B);
  Frame(0.01f);
  EXPECT_EQ(LayerIndex(), 2);
  Window->Remove(B);
  EXPECT_EQ(Window->LastFadedWidget(), nullptr);
  EXPECT_NO_THROW(Frame(0.01f));
  EXPECT_EQ(LayerIndex(), 1);

  // Alone in its window, the layer goes first and the screen is black.
  Window->Remove(A);
  Window->SetLastFadedWidget(nullptr);
  EXPECT_EQ(Window->LastFadedWidget(), nullptr);
  EXPECT_NO_THROW(Frame(0.01f));
  EXPECT_EQ(LayerIndex(), 0);

  // Children freed all at once take the layer with them; a fade makes a new one.
  AddBlock(0, CWidth);
  Window->Clear();
  EXPECT_EQ(Window->FadeWidget(), nullptr);
  AddBlock(0, CWidth);
  Window->FadeIn(false, false, nullptr);
  Frame(0.01f);
  ASSERT_NE(Window->FadeWidget(), nullptr);
  EXPECT_EQ(LayerIndex(), 1);
  EXPECT_LT(PixelAt(30, 20).R, 20);
}

TEST_F(FadeWindow, CopiesAndFilesLeaveTheLayerOut) {
  AddBlock(0, 32);
  AddBlock(32, 32);
  Window->SetFadeState(fwsCustom);
  Window->SetLastFadedWidget(Window->GetItem(0));
  Frame(0.01f);
  ASSERT_EQ(LayerIndex(), 1);

  TGObjectPtr<TGXMLNode> Node(Window->SaveToXML());
  TGXMLCollection* Widgets = Node->GetChilds("Widget");
  ASSERT_EQ(Widgets->GetCount(), 2);
  for (int I = 0; I < 2; ++I) {
    EXPECT_EQ(Widgets->GetItem(I)->GetStrAttr("ClassName"), "TBlock");
  }

  TGObjectPtr<TGWindow> Copy(New<TGWindow>(nullptr));
  Copy->LoadFromTemplate(Window.get());
  EXPECT_EQ(Copy->GetCount(), 2);
  // The original keeps its layer where it was.
  EXPECT_EQ(Window->GetCount(), 3);
  EXPECT_EQ(LayerIndex(), 1);
}
