#include "HeadlessDevice.h"
#include "TestProgram.h"
#include "animation/UGAnimation.h"
#include "animation/UGLivePicture.h"
#include "app/UGApp.h"
#include "app/UGAppFramework.h"
#include "app/UGApplication.h"
#include "drawables/UGSprite.h"
#include "drawables/UGSymbol.h"
#include "graphics/UGBitmap.h"
#include "io/UGFileUtils.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGButton.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWindow.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Log;

// A widget that writes every input it receives into the log as "<name> <event>".
class TProbe : public TGWidget {
  G_CLASS(TProbe, TGWidget)
  explicit TProbe(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}

  void MouseEnter() override { Note("enter"); }
  void MouseLeave() override { Note("leave"); }
  void MouseMove() override { Note("move"); }
  void MouseDrag() override { Note("drag"); }
  void MouseDown(int Button) override { Note("down" + std::to_string(Button)); }
  void MouseUp(int Button) override { Note("up" + std::to_string(Button)); }
  void Click() override {
    Note("click");
    if (OnClick) {
      OnClick(this);
    }
  }
  void DblClick() override { Note("dblclick"); }
  void MouseWheelUp() override { Note("wheelup"); }
  void KeyDown(uint16_t Key) override { Note("key" + std::to_string(Key)); }
  void KeyPress(char32_t Key) override { Note("press" + std::to_string(Key)); }

  void Note(const std::string& What) { Log.push_back(Name() + " " + What); }
};
G_IMPLEMENT_CLASS(TProbe)

// A window that logs its activation and counts its updates and drawings.
class TLogWindow : public TGWindow {
  G_CLASS(TLogWindow, TGWindow)
  explicit TLogWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}

  void Activate() override {
    Log.push_back("activate " + Name());
    inherited::Activate();
  }
  void Deactivate() override {
    Log.push_back("deactivate " + Name());
    inherited::Deactivate();
  }
  void UpdateTree(float DeltaTime) override {
    inherited::UpdateTree(DeltaTime);
    ++Updates;
    if (OnUpdate) {
      OnUpdate(this);
    }
  }
  void DrawTree() override {
    ++Draws;
    inherited::DrawTree();
  }

  int Updates = 0;
  int Draws = 0;
  std::function<void(TLogWindow*)> OnUpdate;
};
G_IMPLEMENT_CLASS(TLogWindow)

// Bound handlers for the tests: the window's key handler and a click that runs code.
class THandlers : public TGObject {
public:
  void Key(uint32_t K) { Log.push_back("window key" + std::to_string(K)); }
  void Clicked(TGObject* Sender) {
    (void)Sender;
    if (OnClicked) {
      OnClicked();
    }
  }
  std::function<void()> OnClicked;
};

// A bare application object (no host window, no resources) over a headless device: the window
// stack, the mouse position and the frames are real; a loop without a window runs modal frames.
class WindowTest : public THeadlessDeviceTest {
protected:
  void SetUp() override {
    THeadlessDeviceTest::SetUp();
    Log.clear();
    Program = std::make_unique<TTestProgram>("Window Test");
    Program->Loop();
    Program->Frame();
    TGAppParams Params;
    Params.Width = 800;
    Params.Height = 600;
    TheApp.reset(New<TGApp>(Params));
    Win = MakeWindow("Main");
    TheApp->Show(Win);
  }

  void TearDown() override {
    for (TGWindow* W : Windows) {
      W->Free();
    }
    TheApp.reset();
    Program.reset();
    THeadlessDeviceTest::TearDown();
  }

  TLogWindow* MakeWindow(const std::string& Name) {
    TLogWindow* W = New<TLogWindow>();
    W->SetName(Name);
    W->SetWidth(800);
    W->SetHeight(600);
    Windows.push_back(W);
    return W;
  }

  static TProbe* AddProbe(TGWidget* Parent, const std::string& Name, float L, float T, float W,
                          float H) {
    TProbe* P = New<TProbe>(Parent);
    P->SetName(Name);
    P->SetLeft(L);
    P->SetTop(T);
    P->SetWidth(W);
    P->SetHeight(H);
    P->SetAllowMouse(true);
    Parent->Add(P);
    return P;
  }

  static void MoveTo(int X, int Y) { App->MouseMove(TGPoint{X, Y}); }
  // The window's frame: hover and dragging catch up with the mouse.
  void Step() { Win->UpdateTree(0.01f); }
  // Frames come from the loop's idle turns, 11 ms apart.
  void DriveFrames() {
    Program->Loop().OnIdle = [this](bool& Done) {
      Done = false;
      Tick += 11;
      bool Drawn = false;
      App->Draw(Tick, Drawn);
    };
  }

  std::unique_ptr<TTestProgram> Program;
  TGObjectPtr<TGApp> TheApp;
  std::vector<TGWindow*> Windows;
  TLogWindow* Win = nullptr;
  int64_t Tick = 0;
};

using Strings = std::vector<std::string>;

// A sprite of W x H pixels, opaque red in its left half and transparent in its right half.
TGSprite* HalfSprite(int W, int H, TGObject* Owner) {
  TGObjectPtr<TGBitmap> B(new TGBitmap());
  B->SetSize(W, H);
  for (int Y = 0; Y < H; ++Y) {
    for (int X = 0; X < W; ++X) {
      B->SetPixel(X, Y, X < W / 2 ? 0xFFFF0000 : 0x00000000);
    }
  }
  auto* S = new TGSprite(Owner);
  S->LoadFromBitmap(*B);
  return S;
}

// Where the picture's matrix puts the graphic's point (X, Y), as "x,y" to two decimals.
std::string Place(const TGPicture* P, float X, float Y) {
  const TGVector V = TGVector{X, Y, 0} * P->Picture()->Matrix();
  char Text[64];
  std::snprintf(Text, sizeof Text, "%.2f,%.2f", V.X + 0.0f, V.Y + 0.0f);
  return Text;
}

} // namespace

// --- Mouse routing ------------------------------------------------------------------------------

TEST_F(WindowTest, ClickIsAPressAndReleaseOnTheSameWidget) {
  AddProbe(Win, "A", 10, 10, 100, 50);
  TProbe* B = AddProbe(Win, "B", 200, 10, 100, 50);
  MoveTo(20, 20);
  App->MouseDown(mbLeft);
  EXPECT_EQ(Win->PressedWidget()->Name(), "A");
  MoveTo(210, 20);
  App->MouseUp(mbLeft);
  EXPECT_EQ(Log, (Strings{"A down0", "A up0"})); // released elsewhere: no click
  EXPECT_EQ(Win->PressedWidget(), nullptr);

  Log.clear();
  MoveTo(20, 20);
  App->MouseDown(mbLeft);
  App->MouseUp(mbLeft);
  EXPECT_EQ(Log, (Strings{"A down0", "A click", "A up0"}));

  // The right button: down and up to the widget under the mouse, never a click; the middle
  // button's release reaches nobody.
  Log.clear();
  App->MouseDown(mbRight);
  MoveTo(210, 20);
  App->MouseUp(mbRight);
  App->MouseDown(2);
  App->MouseUp(2);
  EXPECT_EQ(Log, (Strings{"A down1", "B up1", "B down2"}));
  EXPECT_EQ(Win->PressedWidget(), nullptr);

  // Double clicks and presses on the background reach no widget; the wheel goes to the focused
  // widget.
  Log.clear();
  MoveTo(500, 500);
  App->MouseDown(mbLeft);
  App->MouseUp(mbLeft);
  App->DblClick();
  MoveTo(210, 20);
  App->DblClick();
  App->MouseWheelUp(); // nothing focused
  Win->SetFocusedWidget(B);
  MoveTo(20, 20);
  App->MouseWheelUp();
  EXPECT_EQ(Log, (Strings{"B dblclick", "B wheelup"}));
}

TEST_F(WindowTest, HoverIsUpdatedOncePerFrameAndNotWhileAWidgetIsHeld) {
  AddProbe(Win, "A", 10, 10, 100, 50);
  AddProbe(Win, "B", 200, 10, 100, 50);
  MoveTo(20, 20);
  MoveTo(30, 20);
  MoveTo(40, 20);
  EXPECT_TRUE(Log.empty()); // nothing before the frame
  Step();
  EXPECT_EQ(Log, (Strings{"A enter", "A move"}));
  Step(); // no move since: nothing
  EXPECT_EQ(Log.size(), 2u);
  Log.clear();
  MoveTo(210, 20);
  Step();
  EXPECT_EQ(Log, (Strings{"A leave", "B enter", "B move"}));
  EXPECT_EQ(Win->OverWidget()->Name(), "B");

  // B is held: crossing A tells A nothing, and B keeps the hover.
  Log.clear();
  App->MouseDown(mbLeft);
  MoveTo(20, 20);
  Step();
  MoveTo(500, 500);
  Step();
  EXPECT_EQ(Log, (Strings{"B down0"}));
  EXPECT_EQ(Win->OverWidget()->Name(), "B");
  App->MouseUp(mbLeft);
  MoveTo(20, 20);
  Step();
  EXPECT_EQ(Log, (Strings{"B down0", "B up0", "B leave", "A enter", "A move"}));
}

TEST_F(WindowTest, DraggedWidgetFollowsTheMouseByItsDelta) {
  TProbe* A = AddProbe(Win, "A", 10, 10, 100, 50);
  A->SetAllowDrag(true);
  MoveTo(20, 20);
  App->MouseDown(mbLeft);
  MoveTo(25, 27);
  MoveTo(30, 33);
  Step();
  EXPECT_FLOAT_EQ(A->Left(), 20);
  EXPECT_FLOAT_EQ(A->Top(), 23);
  MoveTo(28, 30);
  Step();
  EXPECT_FLOAT_EQ(A->Left(), 18);
  EXPECT_FLOAT_EQ(A->Top(), 20);
  EXPECT_EQ(Log, (Strings{"A down0", "A drag", "A drag"}));
  App->MouseUp(mbLeft);
  MoveTo(100, 100);
  Step();
  EXPECT_FLOAT_EQ(A->Left(), 18); // released: no longer follows
}

// --- Focus and keys -----------------------------------------------------------------------------

TEST_F(WindowTest, TabCyclesDepthFirstThroughVisibleEnabledWidgets) {
  AddProbe(Win, "Plain", 0, 0, 10, 10);
  // Tab with nothing focusable leaves nothing focused; keys go to the window's handler.
  THandlers H;
  Win->OnKeyDown = TGKeyEvent(&H, &THandlers::Key);
  App->KeyDown(9);
  EXPECT_EQ(Win->FocusedWidget(), nullptr);
  App->KeyDown(65);
  EXPECT_EQ(Log, (Strings{"window key65"}));

  TProbe* Panel = AddProbe(Win, "Panel", 0, 0, 300, 300);
  Panel->SetAllowFocus(true);
  AddProbe(Panel, "P1", 0, 0, 10, 10)->SetAllowFocus(true);
  AddProbe(Panel, "P2", 0, 0, 10, 10)->SetAllowFocus(true);
  TProbe* Hidden = AddProbe(Win, "Hidden", 0, 0, 10, 10);
  Hidden->SetVisible(false);
  AddProbe(Hidden, "H1", 0, 0, 10, 10)->SetAllowFocus(true);
  TProbe* Off = AddProbe(Win, "Off", 0, 0, 10, 10);
  Off->SetEnabled(false);
  AddProbe(Off, "O1", 0, 0, 10, 10)->SetAllowFocus(true);
  AddProbe(Win, "Last", 0, 0, 10, 10)->SetAllowFocus(true);

  std::vector<TGWidget*> List;
  Win->GetFocusableWidgetList(List);
  Strings Names;
  for (TGWidget* W : List) {
    Names.push_back(W->Name());
  }
  EXPECT_EQ(Names, (Strings{"Panel", "P1", "P2", "Last"}));
  Strings Order;
  for (int I = 0; I < 5; ++I) {
    App->KeyDown(9);
    Order.push_back(Win->FocusedWidget()->Name());
  }
  EXPECT_EQ(Order, (Strings{"Panel", "P1", "P2", "Last", "Panel"}));
  Log.clear();
  App->KeyDown(66);
  App->KeyPress(U'b');
  EXPECT_EQ(Log, (Strings{"Panel key66", "Panel press98"}));
}

TEST_F(WindowTest, PressTakesTheFocusAndAWindowFocusedItselfHearsKeysOnce) {
  AddProbe(Win, "A", 10, 10, 100, 50)->SetAllowFocus(true);
  MoveTo(20, 20);
  App->MouseDown(mbLeft);
  App->MouseUp(mbLeft);
  EXPECT_EQ(Win->FocusedWidget()->Name(), "A");
  // The window takes the mouse and the focus itself when its background is pressed.
  Win->SetAllowMouse(true);
  Win->SetAllowFocus(true);
  MoveTo(500, 500);
  App->MouseDown(mbLeft);
  App->MouseUp(mbLeft);
  EXPECT_EQ(Win->FocusedWidget(), Win);
  THandlers H;
  Win->OnKeyDown = TGKeyEvent(&H, &THandlers::Key);
  Log.clear();
  App->KeyDown(70);
  EXPECT_EQ(Log, (Strings{"window key70"}));
}

TEST_F(WindowTest, HidingAWidgetLetsGoOfIt) {
  TProbe* Panel = AddProbe(Win, "Panel", 0, 0, 300, 300);
  TProbe* Inner = AddProbe(Panel, "Inner", 10, 10, 50, 50);
  Inner->SetAllowFocus(true);
  AddProbe(Win, "Other", 400, 0, 50, 50)->SetAllowFocus(true);
  MoveTo(20, 20);
  Step();
  App->MouseDown(mbLeft);
  ASSERT_EQ(Win->FocusedWidget(), Inner);
  ASSERT_EQ(Win->OverWidget(), Inner);
  Log.clear();
  Panel->Hide();
  EXPECT_EQ(Win->OverWidget(), nullptr);
  EXPECT_EQ(Win->PressedWidget(), nullptr);
  EXPECT_EQ(Win->FocusedWidget()->Name(), "Other"); // the next focus outside the panel
  EXPECT_EQ(Log, (Strings{"Inner leave"}));
  App->MouseUp(mbLeft);
  EXPECT_EQ(Log, (Strings{"Inner leave"})); // no click, no release for a let-go widget

  // Nothing else to focus: the focus goes.
  Win->SetFocusedWidget(Inner);
  Win->GetWidget("Other")->SetVisible(false);
  Win->DeactivateWidget(Panel);
  EXPECT_EQ(Win->FocusedWidget(), nullptr);
}

// A widget freed while the window holds it as over, focused or pressed widget is forgotten at
// once; later input must never reach it.
TEST_F(WindowTest, FreedWidgetsAreForgotten) {
  TProbe* A = AddProbe(Win, "A", 10, 10, 100, 50);
  A->SetAllowFocus(true);
  TProbe* B = AddProbe(Win, "B", 200, 10, 100, 50);
  B->SetAllowFocus(true);
  MoveTo(20, 20);
  Step();
  App->MouseDown(mbLeft);
  ASSERT_EQ(Win->OverWidget(), A);
  ASSERT_EQ(Win->FocusedWidget(), A);
  ASSERT_EQ(Win->PressedWidget(), A);
  Win->Remove(A); // frees it
  EXPECT_EQ(Win->OverWidget(), nullptr);
  EXPECT_EQ(Win->FocusedWidget(), nullptr);
  EXPECT_EQ(Win->PressedWidget(), nullptr);
  App->MouseUp(mbLeft);
  App->KeyDown(65);
  App->MouseWheelUp();
  MoveTo(21, 21);
  Step();
  EXPECT_EQ(Log, (Strings{"A enter", "A move", "A down0"}));

  // One widget in two roles: letting go of one role keeps the other one watched.
  MoveTo(210, 20);
  Step();
  App->MouseDown(mbLeft);
  App->MouseUp(mbLeft);
  ASSERT_EQ(Win->OverWidget(), B);
  ASSERT_EQ(Win->FocusedWidget(), B);
  Win->SetFocusedWidget(nullptr);
  Win->Remove(B);
  EXPECT_EQ(Win->OverWidget(), nullptr);
  MoveTo(220, 20);
  Step(); // would reach the freed widget if it were still the over widget
  EXPECT_EQ(Win->OverWidget(), nullptr);

  // A child freed with its parent.
  TProbe* Panel = AddProbe(Win, "Panel", 0, 100, 100, 100);
  TProbe* Inner = AddProbe(Panel, "Inner", 0, 0, 50, 50);
  Inner->SetAllowFocus(true);
  MoveTo(10, 110);
  Step();
  App->MouseDown(mbLeft);
  ASSERT_EQ(Win->PressedWidget(), Inner);
  Win->Remove(Panel);
  EXPECT_EQ(Win->OverWidget(), nullptr);
  EXPECT_EQ(Win->FocusedWidget(), nullptr);
  EXPECT_EQ(Win->PressedWidget(), nullptr);
  App->MouseUp(mbLeft);
}

// --- The window stack ---------------------------------------------------------------------------

TEST_F(WindowTest, ModalWindowsNestFromHandlers) {
  DriveFrames();
  TProbe* Open = AddProbe(Win, "Open", 10, 10, 100, 50);
  TLogWindow* Dialog = MakeWindow("Dialog");
  Dialog->SetWidth(400);
  Dialog->SetHeight(300);
  TLogWindow* Inner = MakeWindow("Inner");
  Inner->SetWidth(200);
  Inner->SetHeight(100);
  TGWindow* DialogBackground = nullptr;
  TGWindow* InnerBackground = nullptr;
  bool InnerClosed = false;
  // The dialog keeps being updated below the inner window; it closes itself after it.
  Dialog->OnUpdate = [&](TLogWindow* Self) {
    if (Self->Updates == 2) {
      DialogBackground = Self->BackgroundWindow();
      Inner->ShowModal();
      Log.push_back("inner closed");
      InnerClosed = true;
    } else if (InnerClosed) {
      InnerClosed = false;
      Self->Hide();
    }
  };
  Inner->OnUpdate = [&](TLogWindow* Self) {
    if (Self->Updates == 2) {
      InnerBackground = Self->BackgroundWindow();
      Self->Hide();
    }
  };
  THandlers H;
  H.OnClicked = [&] {
    EXPECT_EQ(Dialog->ShowModal(), Dialog);
    Log.push_back("dialog closed");
  };
  Open->OnClick = TGNotifyEvent(&H, &THandlers::Clicked);
  MoveTo(20, 20);
  App->MouseDown(mbLeft);
  App->MouseUp(mbLeft);
  EXPECT_EQ(DialogBackground, Win);
  EXPECT_EQ(InnerBackground, Dialog);
  EXPECT_EQ(Dialog->BackgroundWindow(), nullptr);
  EXPECT_EQ(Inner->BackgroundWindow(), nullptr);
  EXPECT_FALSE(Dialog->Visible());
  EXPECT_FALSE(Inner->Visible());
  EXPECT_EQ(App->WindowStack(), (std::vector<TGWindow*>{Win}));
  // The main window let go of the pressed button while the dialog ran: no release after the
  // click.
  EXPECT_EQ(Log,
            (Strings{"Open down0", "Open click", "activate Dialog", "deactivate Main",
                     "activate Inner", "deactivate Dialog", "deactivate Inner", "activate Dialog",
                     "inner closed", "deactivate Dialog", "activate Main", "dialog closed"}));
}

TEST_F(WindowTest, ANewWindowIsDrawnOnlyAfterItsFirstUpdate) {
  EXPECT_FALSE(Win->ReadyToDraw());
  bool Drawn = false;
  App->Draw(11, Drawn);
  EXPECT_EQ(Win->Draws, 0);
  EXPECT_EQ(Win->Updates, 1);
  EXPECT_TRUE(Win->ReadyToDraw());
  App->Draw(22, Drawn);
  EXPECT_EQ(Win->Draws, 1);
}

TEST_F(WindowTest, CoversTheScreenWhenAsLargeAsIt) {
  EXPECT_TRUE(Win->CoversEntireScreen());
  Win->SetWidth(800.0005f);
  EXPECT_TRUE(Win->CoversEntireScreen());
  Win->SetHeight(599.5f);
  EXPECT_FALSE(Win->CoversEntireScreen());
  EXPECT_TRUE(Win->Expanded());
}

// --- Pictures -----------------------------------------------------------------------------------

TEST_F(WindowTest, PicturePlacement) {
  TGSprite* S = HalfSprite(40, 20, Win);
  TGPicture* P = New<TGPicture>(Win);
  float W = 0;
  float H = 0;
  P->GetDefaultExtent(W, H);
  EXPECT_FLOAT_EQ(W, 100);
  P->SetGfx(S);
  P->GetDefaultExtent(W, H);
  EXPECT_FLOAT_EQ(W, 40);
  EXPECT_FLOAT_EQ(H, 20);
  Win->Add(P);

  // Stretched into the rectangle.
  P->SetWidth(80);
  P->SetHeight(60);
  P->Update(0);
  EXPECT_EQ(Place(P, 0, 0), "0.00,0.00");
  EXPECT_EQ(Place(P, 40, 20), "80.00,60.00");

  // Proportional, larger than the widget: shrunk along the dimension that exceeds most, centred.
  P->SetProportionalScaling(true);
  P->SetWidth(20);
  P->SetHeight(20);
  P->Update(0);
  EXPECT_EQ(Place(P, 0, 0), "0.00,5.00");
  EXPECT_EQ(Place(P, 40, 20), "20.00,15.00");
  P->SetWidth(100);
  P->SetHeight(5);
  P->Update(0);
  EXPECT_EQ(Place(P, 0, 0), "45.00,0.00");
  EXPECT_EQ(Place(P, 40, 20), "55.00,5.00");
  // Smaller: its own size, centred.
  P->SetHeight(100);
  P->Update(0);
  EXPECT_EQ(Place(P, 0, 0), "30.00,40.00");
  EXPECT_EQ(Place(P, 40, 20), "70.00,60.00");

  // A graphic whose origin is not its corner: its box still lands on the rectangle.
  S->SetOrigin(TGVector{-20, -10, 0});
  P->SetGfx(nullptr);
  P->SetGfx(S);
  P->SetProportionalScaling(false);
  P->SetWidth(80);
  P->SetHeight(60);
  P->Update(0);
  EXPECT_EQ(Place(P, -20, -10), "0.00,0.00");
  EXPECT_EQ(Place(P, 20, 10), "80.00,60.00");

  // Drawn: the opaque half covers the left half of the rectangle.
  S->SetOrigin(TGVector{0, 0, 0});
  P->SetGfx(nullptr);
  P->SetGfx(S);
  P->SetWidth(20);
  P->SetHeight(10);
  ASSERT_TRUE(GD->BeginScene());
  GD->Erase(TGColor(0xFF000000));
  P->Draw();
  GD->EndScene();
  EXPECT_EQ(Row(5, 0, 12), "RRRRRRRRRR..");
}

TEST_F(WindowTest, PictureHitTestIgnoresTransparentPixels) {
  TProbe* Panel = AddProbe(Win, "Panel", 30, 20, 200, 200);
  Panel->SetAllowMouse(false);
  TGPicture* P = New<TGPicture>(Panel);
  P->SetGfx(HalfSprite(10, 10, Win));
  P->SetLeft(70);
  P->SetTop(30); // on the screen at (100, 50)
  P->SetWidth(10);
  P->SetHeight(10);
  P->SetAllowMouse(true);
  Panel->Add(P);
  EXPECT_EQ(Win->GetWidgetAt(TGPoint{107, 55}), P); // the rectangle
  EXPECT_EQ(Win->GetWidgetAt(TGPoint{110, 55}), nullptr);
  EXPECT_EQ(Win->GetWidgetAt(TGPoint{100, 50}), P);
  P->SetHitTest(true);
  EXPECT_EQ(Win->GetWidgetAt(TGPoint{102, 55}), P);
  EXPECT_EQ(Win->GetWidgetAt(TGPoint{107, 55}), nullptr); // transparent
  // Stretched to twice the size, the opaque half is twice as wide.
  P->SetWidth(20);
  P->SetHeight(20);
  EXPECT_EQ(Win->GetWidgetAt(TGPoint{108, 65}), P);
  EXPECT_EQ(Win->GetWidgetAt(TGPoint{112, 65}), nullptr);
  P->SetVisible(false);
  EXPECT_EQ(Win->GetWidgetAt(TGPoint{108, 65}), nullptr);
}

TEST_F(WindowTest, TemplatesTypedLookupsAndFiles) {
  TLogWindow* Template = MakeWindow("Template");
  TGPicture* Pic = New<TGPicture>(Template);
  Pic->SetName("Pic");
  Pic->SetGfx(HalfSprite(8, 8, Template));
  Template->Add(Pic);
  TGButton* Ok = New<TGButton>(Template);
  Ok->SetName("Ok");
  Template->Add(Ok);

  EXPECT_EQ(Template->GetPicture("pic"), Pic);
  EXPECT_EQ(Template->GetButton("Ok"), Ok);
  EXPECT_EQ(Template->GetButton("Missing"), nullptr);
  EXPECT_THROW(Template->GetButton("Pic"), EInvalidCast);
  EXPECT_THROW(Template->GetLabel("Ok"), EInvalidCast);
  EXPECT_THROW(Template->GetCheckBox("Pic"), EInvalidCast);

  TLogWindow* Copy = MakeWindow("Copy");
  Copy->LoadFromTemplate(Template);
  ASSERT_NE(Copy->GetPicture("Pic"), nullptr);
  EXPECT_NE(Copy->GetPicture("Pic"), Pic);
  EXPECT_EQ(Copy->GetPicture("Pic")->Gfx(), Pic->Gfx());
  EXPECT_NE(Copy->GetButton("Ok"), nullptr);
  EXPECT_EQ(Template->Count(), 2); // the template is left as it was

  TGObjectPtr<TGXMLNode> Node(Pic->SaveToXML());
  EXPECT_EQ(Node->GetStrAttr("ClassName"), "TGPicture");
  EXPECT_EQ(Node->GetStrAttr("GfxURL"), "");
}

TEST_F(WindowTest, PictureAnimationRestartsAndFinishes) {
  TGObjectPtr<TGAnimation> A(new TGAnimation());
  TGLivePicture* C = TGChannel::Create<TGLivePicture>(A.get());
  C->X()->SetRealValue(0, 0);
  C->X()->SetRealValue(1500, 100);
  TGPicture* P = New<TGPicture>(Win);
  PicAniFinish(P); // no graphic: nothing
  P->SetGfx(A.get());
  auto* Shown = dynamic_cast<TGAnimation*>(P->Picture()->Instance());
  ASSERT_NE(Shown, nullptr);
  PicAniFinish(P);
  EXPECT_EQ(Shown->ElapsedTime(), 1500);
  EXPECT_EQ(A->ElapsedTime(), 0); // the shared animation is not moved
  PicAniRestart(P);
  EXPECT_EQ(Shown->ElapsedTime(), 0);
  P->SetGfx(HalfSprite(4, 4, Win)); // not an animation: nothing
  PicAniFinish(P);
  PicAniRestart(nullptr);
}

TEST_F(WindowTest, AShownWindowFocusesItsFirstWidgetWhenTheShowEnds) {
  TGObjectPtr<TGWindow> W(New<TGWindow>());
  TProbe* Field = AddProbe(W.get(), "Field", 0, 0, 10, 10);
  Field->SetAllowFocus(true);
  W->Show();
  EXPECT_EQ(W->FocusedWidget(), nullptr); // nothing is enabled while the show runs
  W->UpdateTree(0.01f);
  EXPECT_EQ(W->State(), wsDefault);
  EXPECT_EQ(W->FocusedWidget(), Field);
}
