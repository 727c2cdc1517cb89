// Widgets without drawing: the tree and its paths, geometry and the mouse search, hit tests,
// the enabled and visible tests, input handlers, showing and hiding without effects, dead
// widgets, the class registry, window files and copies.
#include "HeadlessDevice.h"
#include "app/UGApplication.h"
#include "drawables/UGParticle.h"
#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGLiveWidget.h"
#include "widgets/UGWidget.h"
#include "widgets/UGWidgetEffect.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A widget that is hit inside its own rectangle and records its hooks and its destruction.
class TTreeBox : public TGWidget {
  G_CLASS(TTreeBox, TGWidget)
  explicit TTreeBox(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}

  bool InternalHit(const TGFlatVector& P) override {
    return P.X >= 0 && P.Y >= 0 && P.X < Width() && P.Y < Height();
  }
  void BeforeShow() override { ++Shows; }
  void AfterHide() override { ++Hides; }
  void ApplicationActivate() override {
    if (Log)
      Log->push_back("activate " + Name());
  }
  void GetDefaultExtent(float& W, float& H) override {
    W = 40;
    H = 30;
  }

  int Shows = 0;
  int Hides = 0;
  static inline std::vector<std::string>* Log = nullptr;

protected:
  void Destroy() override {
    if (Log)
      Log->push_back("free " + Name());
    inherited::Destroy();
  }
};
G_IMPLEMENT_CLASS(TTreeBox)

// A particle that lives for Life seconds.
class TTimedParticle : public TGParticle {
  G_CLASS(TTimedParticle, TGParticle)
  explicit TTimedParticle(TGObject* AOwner = nullptr)
      : TGParticle(AOwner) {}
  void Update(float DeltaTime) override { Age += DeltaTime; }
  bool IsFinished() override { return Age >= Life; }
  float Age = 0;
  float Life = 1;
};
G_IMPLEMENT_CLASS(TTimedParticle)

// Receives handlers.
class TListener : public TGObject {
  G_CLASS(TListener, TGObject)
  explicit TListener(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  void Notify(TGObject* Sender) { Log += "n:" + static_cast<TGWidget*>(Sender)->Name() + " "; }
  void Button(int B) { Log += "b" + std::to_string(B) + " "; }
  void Signed(TGObject* Sender, int B) {
    Log += "s:" + static_cast<TGWidget*>(Sender)->Name() + std::to_string(B) + " ";
  }
  void Key(uint32_t K) { Log += "k" + std::to_string(K) + " "; }
  std::string Log;
};
G_IMPLEMENT_CLASS(TListener)

TTreeBox* Box(TGWidget* Parent, const char* Name, float L = 0, float T = 0, float W = 10,
              float H = 10) {
  auto* B = New<TTreeBox>(Parent);
  B->SetName(Name);
  B->SetLeft(L);
  B->SetTop(T);
  B->SetWidth(W);
  B->SetHeight(H);
  if (Parent)
    Parent->Add(B);
  return B;
}

class WidgetTree : public ::testing::Test {
protected:
  void SetUp() override {
    TGWidget::RegisterClass(TGWidget::StaticClass());
    TGWidget::RegisterClass(TTreeBox::StaticClass());
    TTreeBox::Log = &Log;
  }
  void TearDown() override {
    Root.reset();
    TTreeBox::Log = nullptr;
    TGWidget::UnregisterClasses();
  }
  TGObjectPtr<TTreeBox> Root{Box(nullptr, "Root", 0, 0, 100, 100)};
  std::vector<std::string> Log;
};

std::string SaveText(const TGWidget& W) {
  TGObjectPtr<TGXMLNode> Node(W.SaveToXML());
  return Node->SaveToString();
}

TGObjectPtr<TGWidget> LoadText(std::string_view Xml) {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode());
  Node->LoadFromString(Xml);
  TGObjectPtr<TGWidget> W(New<TTreeBox>(nullptr));
  W->LoadFromXML(nullptr, Node.get());
  return W;
}

} // namespace

TEST_F(WidgetTree, PathsNameDirectChildrenAtEachLevel) {
  TTreeBox* Panel = Box(Root.get(), "Panel");
  TTreeBox* Ok = Box(Panel, "OK");
  TTreeBox* Deep = Box(Box(Panel, "Cancel"), "Deep");
  Box(Root.get(), "ok"); // same name one level up: not the one the path means
  EXPECT_EQ(Root->FindWidget("PANEL\\ok"), Ok);
  EXPECT_EQ(Root->FindWidget("Panel\\Cancel\\Deep"), Deep);
  EXPECT_EQ(Root->FindWidget("Panel\\"), nullptr);
  EXPECT_EQ(Root->FindWidget("Deep"), nullptr); // a grandchild is not found by its name alone
  EXPECT_EQ(Root->FindWidget(""), nullptr);
  EXPECT_EQ(Root->FindWidget("Panel\\Nope\\Deep"), nullptr);
  EXPECT_EQ(Root->GetWidget("panel"), Panel);
  EXPECT_ERROR_TEXT(Root->GetWidget("Panel\\Deep"), "Widget \"Panel\\Deep\" not found in \"Root\"");
}

TEST_F(WidgetTree, AddRemoveExtractMoveAndClearKeepParentsConsistent) {
  TTreeBox* A = Box(Root.get(), "A");
  TTreeBox* B = Box(Root.get(), "B");
  TTreeBox* C = Box(Root.get(), "C");
  EXPECT_EQ(Root->Count(), 3);
  EXPECT_EQ(B->Parent(), Root.get());
  Root->Move(2, 0);
  EXPECT_EQ(Root->Items(0), C);
  EXPECT_ERROR_TEXT(Root->Items(3), "List index out of bounds (3)");
  EXPECT_ERROR_TEXT(Root->Move(0, -1), "List index out of bounds (-1)");

  // Extract keeps the widget; Remove frees it; both answer the former index.
  Root->Extract(A);
  EXPECT_EQ(A->Parent(), nullptr);
  EXPECT_EQ(Root->IndexOf(A), -1);
  EXPECT_EQ(Root->Remove(A), -1); // not a child any more: not freed either
  EXPECT_TRUE(Log.empty());
  A->SetParent(B);
  EXPECT_EQ(A->Parent(), B);
  EXPECT_TRUE(A->ChildOf(Root.get()));
  EXPECT_EQ(A->GetTopWidget(), Root.get());
  EXPECT_EQ(Root->Remove(C), 0);
  EXPECT_EQ(Log, std::vector<std::string>{"free C"});

  // A child freed directly leaves its parent's list.
  TTreeBox* D = Box(Root.get(), "D");
  D->Free();
  EXPECT_EQ(Root->Count(), 1);
  EXPECT_EQ(Root->Items(0), B);

  // Adding to another parent leaves the former one; a widget cannot hold its own ancestor.
  TTreeBox* E = Box(Root.get(), "E");
  B->Add(E);
  EXPECT_EQ(Root->IndexOf(E), -1);
  EXPECT_EQ(E->Parent(), B);
  EXPECT_THROW(E->Add(Root.get()), EGException);
  EXPECT_THROW(B->SetParent(E), EGException);

  // Clear frees in list order; freeing a widget frees its subtree.
  Log.clear();
  Box(Root.get(), "F");
  Root->Clear();
  EXPECT_EQ(Log, (std::vector<std::string>{"free B", "free A", "free E", "free F"}));
  EXPECT_EQ(Root->Count(), 0);
}

TEST_F(WidgetTree, GeometryVisibilityAndEnabledFollowAncestors) {
  TTreeBox* Panel = Box(Root.get(), "Panel", 10.5f, 20, 50, 50);
  Root->SetLeft(5);
  TTreeBox* Child = Box(Panel, "Child", 1, 2, 8, 4);
  EXPECT_EQ(Child->ScreenRect(), (TGRectFloat{16.5f, 22, 24.5f, 26}));
  EXPECT_EQ(Child->Rect(), (TGRectFloat{1, 2, 9, 6}));
  EXPECT_EQ(TGObjectPtr<TTreeBox>(New<TTreeBox>(nullptr))->Width(), 40); // the class's extent

  EXPECT_TRUE(Child->GlobalVisible());
  Panel->SetVisible(false);
  EXPECT_FALSE(Child->GlobalVisible());
  EXPECT_TRUE(Child->Visible());
  Panel->SetVisible(true);

  EXPECT_TRUE(Child->GlobalEnabled());
  Root->SetEnabled(false);
  EXPECT_FALSE(Child->GlobalEnabled());
  Root->SetEnabled(true);
  Panel->Show(); // no effect: showing until the next update
  EXPECT_EQ(Panel->State(), wsShowing);
  EXPECT_FALSE(Child->GlobalEnabled());
  Root->UpdateTree(0.01f);
  EXPECT_EQ(Panel->State(), wsDefault);
  EXPECT_TRUE(Child->GlobalEnabled());
}

TEST_F(WidgetTree, MouseSearchEdgesAndOverlappingChildren) {
  TTreeBox* A = Box(Root.get(), "A", 10, 5, 20, 10);
  A->SetAllowMouse(true);
  EXPECT_EQ(Root->GetWidgetAt({10, 5}), A);
  EXPECT_EQ(Root->GetWidgetAt({29, 14}), A);
  EXPECT_EQ(Root->GetWidgetAt({30, 5}), nullptr); // Left + Width is outside
  EXPECT_EQ(Root->GetWidgetAt({10, 15}), nullptr);
  EXPECT_EQ(Root->GetWidgetAt({9, 5}), nullptr);

  TTreeBox* B = Box(Root.get(), "B", 20, 5, 20, 10);
  B->SetAllowMouse(true);
  EXPECT_EQ(Root->GetWidgetAt({25, 8}), B); // the later child is on top
  B->SetVisible(false);
  EXPECT_EQ(Root->GetWidgetAt({25, 8}), A);
  Root->SetAllowMouse(true);
  EXPECT_EQ(Root->GetWidgetAt({50, 50}), Root.get());
  Root->SetVisible(false);
  EXPECT_EQ(Root->GetWidgetAt({12, 8}), nullptr);
}

TEST_F(WidgetTree, HitRecursesIntoChildrenAndForceIgnoresVisibility) {
  TGObjectPtr<TGWidget> Plain(New<TGWidget>(nullptr)); // the base is never hit itself
  Plain->SetLeft(10);
  Plain->SetTop(10);
  TTreeBox* Child = Box(Plain.get(), "Child", 5, 5, 10, 10);
  EXPECT_TRUE(Plain->Hit({15, 15}, true, false));
  EXPECT_TRUE(Plain->Hit({24, 24}, true, false));
  EXPECT_FALSE(Plain->Hit({25, 25}, true, false));
  EXPECT_FALSE(Plain->Hit({15, 15}, false, false));
  Child->SetVisible(false);
  EXPECT_FALSE(Plain->Hit({15, 15}, true, false));
  EXPECT_TRUE(Plain->Hit({15, 15}, true, true));
  EXPECT_TRUE(Child->Hit({5, 5}, false, true));
}

TEST_F(WidgetTree, CursorOfTheTopmostChildElseOfTheWidget) {
  TGObjectPtr<TGGraphic> Arrow(new TGGraphic());
  TGObjectPtr<TGGraphic> Hand(new TGGraphic());
  Root->SetCursor(Arrow.get());
  TTreeBox* A = Box(Root.get(), "A", 10, 10, 20, 20);
  A->SetCursor(Hand.get());
  EXPECT_EQ(Root->GetCursorAt({15, 15}), Hand.get());
  EXPECT_EQ(Root->GetCursorAt({5, 5}), Arrow.get());
  EXPECT_EQ(Root->GetCursorAt({150, 5}), nullptr);
  // The exact test in the widget's own place, also below the root.
  TTreeBox* Inner = Box(A, "Inner", 2, 2, 4, 4);
  Inner->SetHitTestForCursor(true);
  TGObjectPtr<TGGraphic> Cross(new TGGraphic());
  Inner->SetCursor(Cross.get());
  EXPECT_EQ(Root->GetCursorAt({12, 12}), Cross.get());
  EXPECT_EQ(Root->GetCursorAt({16, 16}), Hand.get());
  EXPECT_TRUE(Root->HasReferenceTo(Cross.get()));
  // A cursor freed first is forgotten.
  Hand.reset();
  EXPECT_EQ(A->Cursor(), nullptr);
  EXPECT_EQ(Root->GetCursorAt({20, 20}), Arrow.get());
  Root->Clear();
}

TEST_F(WidgetTree, InputFiresHandlersOnlyWhileGloballyEnabled) {
  TGObjectPtr<TListener> L(new TListener());
  TTreeBox* W = Box(Root.get(), "W");
  W->OnClick = TGNotifyEvent(L.get(), &TListener::Notify);
  W->OnMouseDown = TGMouseEvent(L.get(), &TListener::Button);
  W->OnMouseDownSigned = TGSignedMouseEvent(L.get(), &TListener::Signed);
  W->OnMouseUp = TGMouseEvent(L.get(), &TListener::Button);
  W->OnKeyPress = TGKeyEvent(L.get(), &TListener::Key);
  W->OnKeyDown = TGKeyEvent(L.get(), &TListener::Key);
  W->Click();
  W->MouseDown(mbRight);
  W->MouseUp(mbLeft);
  W->KeyPress(U'\u00e9');
  W->KeyDown(13);
  W->MouseMove(); // no handler: nothing
  EXPECT_EQ(L->Log, "n:W b1 s:W1 b0 k233 k13 ");
  L->Log.clear();
  Root->SetEnabled(false);
  W->Click();
  W->KeyDown(13);
  Root->SetEnabled(true);
  W->Hide(); // hiding: deaf until it has finished
  W->MouseDown(mbLeft);
  EXPECT_EQ(L->Log, "");
}

TEST_F(WidgetTree, ShowAndHideWithoutEffectsFinishAtTheNextUpdate) {
  TTreeBox* W = Box(Root.get(), "W");
  W->Hide();
  EXPECT_EQ(W->State(), wsHiding);
  EXPECT_TRUE(W->Visible());
  W->Show(); // ignored while hiding
  W->Hide();
  EXPECT_EQ(W->Shows, 0);
  Root->UpdateTree(0.1f);
  EXPECT_FALSE(W->Visible());
  EXPECT_EQ(W->Hides, 1);
  EXPECT_EQ(W->State(), wsDefault);

  W->Show();
  EXPECT_TRUE(W->Visible());
  W->Show();
  W->Hide(); // both ignored while showing
  EXPECT_EQ(W->Shows, 1);
  Root->UpdateTree(0.1f);
  EXPECT_EQ(W->State(), wsDefault);
  EXPECT_TRUE(W->Visible());
  // Without an application, waiting returns at once.
  W->Hide(TGHideOptions{1u << hoWaitEffect});
  EXPECT_EQ(W->State(), wsHiding);
}

TEST_F(WidgetTree, AWidgetHiddenForGoodIsFreedAfterItsLastParticle) {
  TTreeBox* W = Box(Root.get(), "W");
  auto* P = new TTimedParticle(W->ParticleSystem());
  W->ParticleSystem()->Add(P);
  TGHideOptions Options;
  Options.Include(hoDestroyAfterHide);
  W->Hide(Options);
  Root->UpdateTree(0.5f); // the hide finishes; the particle lives on
  EXPECT_FALSE(W->Visible());
  EXPECT_FALSE(W->IsDead());
  EXPECT_EQ(Root->Count(), 1);
  EXPECT_TRUE(Log.empty());
  // The particle dies in the widget's own update; the parent then removes the widget.
  Root->UpdateTree(0.6f);
  EXPECT_EQ(Root->Count(), 0);
  EXPECT_EQ(Log, std::vector<std::string>{"free W"});
}

TEST_F(WidgetTree, UpdatesSkipInvisibleTreesOnlyWhenAsked) {
  TTreeBox* W = Box(Root.get(), "W");
  W->Hide();
  Root->SetVisible(false);
  Root->SetUpdateWhenInvisible(false);
  Root->UpdateTree(0.1f);
  EXPECT_EQ(W->State(), wsHiding);
  Root->SetUpdateWhenInvisible(true);
  Root->UpdateTree(0.1f);
  EXPECT_EQ(W->State(), wsDefault);
}

TEST_F(WidgetTree, ApplicationActivationVisitsTheTreeDepthFirst) {
  Box(Box(Root.get(), "A"), "A1");
  Box(Root.get(), "B");
  Root->ApplicationActivateHelper();
  EXPECT_EQ(Log,
            (std::vector<std::string>{"activate Root", "activate A", "activate A1", "activate B"}));
}

TEST_F(WidgetTree, ClassRegistryIsExactAndOrdered) {
  EXPECT_EQ(TGWidget::GetClass("TTreeBox"), TTreeBox::StaticClass());
  EXPECT_ERROR_TEXT(TGWidget::GetClass("ttreebox"), "Unknown widget class: ttreebox");
  EXPECT_EQ(TGWidget::WidgetClasses().size(), 2u);
  TGWidget::UnregisterClasses();
  EXPECT_TRUE(TGWidget::WidgetClasses().empty());
}

TEST_F(WidgetTree, WindowFilesLoadAndSaveTheWholeTree) {
  const std::string Xml = R"(<Widget ClassName="TTreeBox" Name="Main" Left="1.5" Top="2" Width="300"
      Height="200" Visible="false" Color="2164195328" AllowMouse="true" Expanded="true">
    <ShowEffect><Animation OriginX="0" OriginY="0" Width="0" Height="0">
      <Channel ClassId="LiveWidget" Caption="w" Visible="True">
        <X><Term T="0" Value="5"/><Term T="1000" Value="0"/></X></Channel>
    </Animation></ShowEffect>
    <Widget ClassName="TGWidget" Name="Panel" Left="10" Top="20" Width="30" Height="40"
        Enabled="false" CascadeEffect="false">
      <Widget ClassName="TTreeBox" Name="OK" Left="1" Top="2" Width="3" Height="4" AllowFocus="true"/>
    </Widget>
    <Widget ClassName="TTreeBox" Name="Second" Left="0" Top="0" Width="5" Height="5"/>
  </Widget>)";
  TGChannel::RegisterClass(TGLiveWidget::StaticClass());
  TGObjectPtr<TGWidget> W = LoadText(Xml);
  EXPECT_EQ(W->Name(), "Main");
  EXPECT_EQ(W->Left(), 1.5f);
  EXPECT_FALSE(W->Visible());
  EXPECT_EQ(uint32_t(W->Color()), 0x80FF0000u);
  EXPECT_TRUE(W->AllowMouse());
  EXPECT_TRUE(W->Expanded());
  ASSERT_NE(W->ShowEffect(), nullptr);
  EXPECT_EQ(W->ShowEffect()->Owner(), W.get());
  EXPECT_EQ(W->ShowEffect()->TotalTime(), 1000);
  EXPECT_EQ(W->HideEffect(), nullptr);
  ASSERT_EQ(W->Count(), 2);
  TGWidget* Panel = W->GetWidget("Panel");
  EXPECT_EQ(Panel->ClassType(), TGWidget::StaticClass());
  EXPECT_EQ(Panel->Owner(), W.get());
  EXPECT_FALSE(Panel->Enabled());
  EXPECT_FALSE(Panel->CascadeEffect());
  EXPECT_TRUE(W->GetWidget("Panel\\OK")->AllowFocus());
  EXPECT_EQ(W->Items(1)->Name(), "Second");

  // Saved and loaded again, the text is the same.
  const std::string Saved = SaveText(*W);
  EXPECT_NE(Saved.find("ClassName=\"TTreeBox\""), std::string::npos);
  EXPECT_EQ(SaveText(*LoadText(Saved)), Saved);
}

TEST_F(WidgetTree, WindowFileErrors) {
  EXPECT_ERROR_TEXT(LoadText(R"(<Widget ClassName="TButtonX" Name="A" Left="0" Top="0"
      Width="1" Height="1"/>)"),
                    "Unknown widget class: TButtonX");
  EXPECT_ERROR_TEXT(LoadText(R"(<Widget ClassName="TTreeBox" Name="A" Left="0" Top="0"
      Width="1"/>)"),
                    "Attribute \"Height\" not found");
  EXPECT_ERROR_TEXT(LoadText(R"(<Widget Name="A" Left="0" Top="0" Width="1" Height="1"/>)"),
                    "Attribute \"ClassName\" not found");
  // The loading widget must be of the named class or below it.
  TGObjectPtr<TGWidget> Plain(New<TGWidget>(nullptr));
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode());
  Node->LoadFromString(R"(<Widget ClassName="TTreeBox" Name="A" Left="0" Top="0" Width="1"
      Height="1"/>)");
  EXPECT_THROW(Plain->LoadFromXML(nullptr, Node.get()), EGException);
  // A broken child leaves nothing behind.
  Log.clear();
  EXPECT_ERROR_TEXT(LoadText(R"(<Widget ClassName="TTreeBox" Name="A" Left="0" Top="0" Width="1"
      Height="1"><Widget ClassName="TTreeBox" Name="B" Left="0" Top="0" Width="1"/></Widget>)"),
                    "Attribute \"Height\" not found");
  EXPECT_EQ(Log, (std::vector<std::string>{"free B", "free A"}));

  // Endless nesting fails instead of exhausting the stack.
  std::string Deep;
  for (int I = 0; I < 300; ++I)
    Deep += R"(<Widget ClassName="TGWidget" Name="N" Left="0" Top="0" Width="1" Height="1">)";
  for (int I = 0; I < 300; ++I)
    Deep += "</Widget>";
  EXPECT_ERROR_TEXT(LoadText(Deep), "Widgets nested deeper than 256 levels");
}

TEST_F(WidgetTree, CopiesTakeTheTreeAndEffectsButNotHandlers) {
  TGObjectPtr<TListener> L(new TListener());
  Root->SetColor(0x80FFFFFF);
  Root->SetClipChildren(true);
  Root->OnClick = TGNotifyEvent(L.get(), &TListener::Notify);
  auto* Effect = New<TGWidgetEffect>(nullptr);
  TGChannel::Create<TGLiveWidget>(Effect);
  Root->SetEffect(weShow, Effect);
  Root->SetEffect(weHide, Effect); // moves: one effect is owned once
  EXPECT_EQ(Root->ShowEffect(), nullptr);
  EXPECT_EQ(Effect->Kind(), weHide);
  Box(Box(Root.get(), "A", 1, 2), "A1");

  TGObjectPtr<TTreeBox> Copy(New<TTreeBox>(nullptr));
  Box(Copy.get(), "Old");
  Copy->Assign(Root.get());
  EXPECT_EQ(Copy->Name(), "Root");
  EXPECT_EQ(uint32_t(Copy->Color()), 0x80FFFFFFu);
  EXPECT_FALSE(Copy->ClipChildren());
  EXPECT_FALSE(bool(Copy->OnClick));
  ASSERT_NE(Copy->HideEffect(), nullptr);
  EXPECT_NE(Copy->HideEffect(), Effect);
  EXPECT_EQ(Copy->HideEffect()->Widget(), Copy.get());
  EXPECT_EQ(static_cast<TGLiveWidget*>(Copy->HideEffect()->GetChannel(0))->Widget(), Copy.get());
  ASSERT_NE(Copy->FindWidget("A\\A1"), nullptr);
  EXPECT_NE(Copy->FindWidget("A"), Root->FindWidget("A"));
  EXPECT_EQ(Copy->FindWidget("A")->Owner(), Copy.get());
  EXPECT_EQ(Copy->FindWidget("Old"), nullptr);
}

TEST_F(WidgetTree, WaitingShowsAndHidesRunFramesUntilTheyFinish) {
  TGApplication App;
  int Turns = 0;
  App.AddLoopHook([&] {
    ++Turns;
    Root->UpdateTree(0.25f);
  });
  TTreeBox* W = Box(Root.get(), "W");
  auto* Effect = New<TGWidgetEffect>(nullptr);
  TGChannel::Create<TGLiveWidget>(Effect)->X()->SetRealValue(1000, 0);
  W->SetEffect(weShow, Effect);
  W->Show(TGShowOptions{1u << soWaitEffect});
  EXPECT_EQ(W->State(), wsDefault);
  EXPECT_EQ(Turns, 4);

  // A widget freed by the hide it waits for ends the wait.
  TGHideOptions Options;
  Options.Include(hoWaitEffect);
  Options.Include(hoDestroyAfterHide);
  W->Hide(Options);
  EXPECT_EQ(Root->Count(), 0);
  EXPECT_EQ(Log, std::vector<std::string>{"free W"});

  // A terminating application stops waiting.
  TTreeBox* V = Box(Root.get(), "V");
  auto* Slow = New<TGWidgetEffect>(nullptr);
  TGChannel::Create<TGLiveWidget>(Slow)->X()->SetRealValue(1000, 0);
  V->SetEffect(weShow, Slow);
  App.Terminate();
  V->Show(TGShowOptions{1u << soWaitEffect});
  EXPECT_EQ(V->State(), wsShowing);
}
