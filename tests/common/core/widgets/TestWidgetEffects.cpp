// Widgets on the headless device: trees drawn in place with their tints, children cut to their
// parent, show and hide effects played through the widget channel (placement at the start and
// at the rest time, the shift of effects authored elsewhere, children left out of the cascade),
// and the device state left balanced.
#include "HeadlessDevice.h"
#include "animation/UGLivePicture.h"
#include "drawables/UGSymbol.h"
#include "object/UGClassBuilder.h"
#include "widgets/UGLiveWidget.h"
#include "widgets/UGWidget.h"
#include "widgets/UGWidgetEffect.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A widget filled with its colour.
class TPaintBox : public TGWidget {
  G_CLASS(TPaintBox, TGWidget)
  explicit TPaintBox(TGObject* AOwner = nullptr)
      : TGWidget(AOwner) {}
  void Draw() override {
    if (Fail)
      throw Error("drawing failed");
    if (Fill != TGColor(0))
      GD->DrawRect(Fill, 0, 0, Width(), Height());
  }
  void AfterHide() override { ++Hides; }
  TGColor Fill = 0xFFFFFFFF;
  bool Fail = false;
  int Hides = 0;
};
G_IMPLEMENT_CLASS(TPaintBox)

TPaintBox* Paint(TGWidget* Parent, float L, float T, float W, float H, TGColor Fill) {
  auto* B = New<TPaintBox>(Parent);
  B->SetLeft(L);
  B->SetTop(T);
  B->SetWidth(W);
  B->SetHeight(H);
  B->Fill = Fill;
  if (Parent)
    Parent->Add(B);
  return B;
}

// An effect whose widget channel moves along X from X0 to X1 in a second.
TGWidgetEffect* SlideEffect(float X0, float X1) {
  auto* E = New<TGWidgetEffect>(nullptr);
  auto* C = TGChannel::Create<TGLiveWidget>(E);
  C->X()->SetRealValue(0, X0);
  C->X()->SetRealValue(1000, X1);
  return E;
}

TGAnimation* Running(const TGWidget* W) {
  return dynamic_cast<TGAnimation*>(W->CurEffect()->Instance());
}

class WidgetDrawing : public THeadlessSceneTest {
protected:
  void TearDown() override {
    EXPECT_EQ(GD->StateStackSize(), 0);
    THeadlessSceneTest::TearDown();
  }
  void Redraw(TGWidget* W) {
    GD->Erase(TGColor(0xFF000000));
    W->DrawTree();
  }
};

} // namespace

TEST_F(WidgetDrawing, ChildrenDrawOverTheirParentInPlaceAndTinted) {
  TGObjectPtr<TPaintBox> Root(Paint(nullptr, 2, 2, 20, 10, 0xFFFF0000));
  TPaintBox* Child = Paint(Root.get(), 5, 2, 4, 4, 0xFFFFFFFF);
  Root->DrawTree();
  EXPECT_EQ(Row(4, 1, 22), "." + std::string(5, 'R') + "WWWW" + std::string(11, 'R') + ".");
  EXPECT_EQ(Row(1, 1, 22), std::string(22, '.'));
  EXPECT_EQ(Row(12, 1, 22), std::string(22, '.'));

  // A widget's colour multiplies into its whole subtree.
  Child->SetColor(0xFF0000FF);
  Root->SetColor(0xFF00FFFF);
  Redraw(Root.get());
  EXPECT_EQ(Row(4, 6, 6), ".UUUU.");

  // Hidden: nothing of the subtree.
  Child->SetVisible(false);
  Redraw(Root.get());
  EXPECT_EQ(Row(4, 6, 6), "......");
  Child->SetVisible(true);
  Root->SetVisible(false);
  Redraw(Root.get());
  EXPECT_EQ(Row(4, 6, 6), "......");
}

TEST_F(WidgetDrawing, ClippingCutsChildrenToTheParentsRectangle) {
  TGObjectPtr<TPaintBox> Root(Paint(nullptr, 10, 10, 20, 20, 0xFFFF0000));
  Paint(Root.get(), 15, 5, 10, 5, 0xFFFFFFFF); // x 25..34
  Paint(Root.get(), 2, -3, 4, 5, 0xFF00FF00);  // y 7..11
  Root->DrawTree();
  EXPECT_EQ(Row(16, 24, 10), "RWWWWWWWWW");
  EXPECT_EQ(Row(8, 11, 6), ".GGGG.");

  Root->SetClipChildren(true);
  Redraw(Root.get());
  EXPECT_EQ(Row(16, 24, 10), "RWWWWW....");
  EXPECT_EQ(Row(8, 11, 6), "......");
  EXPECT_EQ(Row(10, 11, 6), "RGGGGR");
  // Drawing afterwards is not cut any more.
  GD->DrawRect(0xFFFFFFFF, 40, 40, 42, 42);
  EXPECT_EQ(Row(40, 39, 4), ".WW.");
}

TEST_F(WidgetDrawing, AShowEffectStartsAtTheWidgetAndEndsInPlace) {
  TGObjectPtr<TPaintBox> W(Paint(nullptr, 10, 10, 6, 4, 0xFFFFFFFF));
  // Authored elsewhere: the widget channel goes from 40 to 20.
  W->SetEffect(weShow, SlideEffect(40, 20));
  W->Show();
  ASSERT_NE(Running(W.get()), nullptr);
  auto* Channel = ObjectCast<TGLiveWidget>(Running(W.get())->GetChannel(0));
  EXPECT_EQ(Channel->Widget(), W.get());
  EXPECT_EQ(Channel->X()->GetRealValue(0), 0);
  EXPECT_EQ(Channel->X()->GetRealValue(1000), -20);
  EXPECT_EQ(ObjectCast<TGLiveWidget>(W->ShowEffect()->GetChannel(0))->X()->GetRealValue(0), 40);
  EXPECT_FALSE(Running(W.get())->Looped());

  // The effect keeps the widget in place at its end: it starts 20 to the right.
  Redraw(W.get());
  EXPECT_EQ(Row(11, 29, 8), ".WWWWWW.");
  EXPECT_EQ(Row(11, 9, 8), "........");
  W->UpdateTree(0.5f);
  EXPECT_EQ(W->State(), wsShowing);
  Redraw(W.get());
  EXPECT_EQ(Row(11, 19, 8), ".WWWWWW.");
  W->UpdateTree(0.5f);
  EXPECT_EQ(W->State(), wsDefault);
  EXPECT_EQ(W->CurEffect()->Instance(), nullptr);
  Redraw(W.get());
  EXPECT_EQ(Row(11, 9, 8), ".WWWWWW.");
}

TEST_F(WidgetDrawing, EffectPlacementShiftsEveryMovieChannel) {
  TGObjectPtr<TPaintBox> W(Paint(nullptr, 0, 0, 6, 4, 0));
  auto* E = New<TGWidgetEffect>(nullptr);
  auto* Live = TGChannel::Create<TGLiveWidget>(E);
  Live->X()->SetRealValue(0, 100);
  Live->X()->SetRealValue(500, 50);
  Live->PivotX()->SetRealValue(0, 0.5f);
  Live->ScaleX()->SetRealValue(0, 2);
  Live->Y()->SetRealValue(0, 7);
  auto* Pic = TGChannel::Create<TGLivePicture>(E);
  Pic->X()->SetRealValue(0, 110);
  W->SetEffect(weShow, E);
  W->Show();
  TGAnimation* A = Running(W.get());
  ASSERT_NE(A, nullptr);
  // The widget's corner starts on its own position: X - PivotX * ScaleX * Width = 0.
  auto* L = ObjectCast<TGLiveWidget>(A->GetChannel(0));
  EXPECT_FLOAT_EQ(L->X()->GetRealValue(0), 6);
  EXPECT_FLOAT_EQ(L->X()->GetRealValue(500), -44);
  EXPECT_FLOAT_EQ(L->Y()->GetRealValue(0), 0);
  auto* P = ObjectCast<TGLivePicture>(A->GetChannel(1));
  EXPECT_FLOAT_EQ(P->X()->GetRealValue(0), 16);
  EXPECT_FLOAT_EQ(P->Y()->GetRealValue(0), -7); // no key before: one is made
}

TEST_F(WidgetDrawing, ChildrenOutsideTheCascadeMoveWithTheirParent) {
  TGObjectPtr<TPaintBox> Parent(Paint(nullptr, 5, 5, 30, 30, 0));
  Parent->SetEffect(weShow, SlideEffect(20, 0));
  TPaintBox* Out = Paint(Parent.get(), 0, 0, 4, 4, 0xFFFFFFFF);
  Out->SetCascadeEffect(false);
  Out->SetEffect(weShow, SlideEffect(0, 10));
  TPaintBox* In = Paint(Parent.get(), 0, 20, 2, 2, 0);
  In->SetEffect(weShow, SlideEffect(0, 0));
  TPaintBox* Hidden = Paint(Parent.get(), 0, 20, 2, 2, 0);
  Hidden->SetVisible(false);
  Hidden->SetEffect(weShow, SlideEffect(0, 0));

  Parent->Show();
  EXPECT_EQ(Running(Out), nullptr);
  EXPECT_NE(Running(In), nullptr);
  EXPECT_EQ(Running(Hidden), nullptr);
  // Drawn as part of the parent: 20 to the right at the start.
  Redraw(Parent.get());
  EXPECT_EQ(Row(6, 4, 6), "......");
  EXPECT_EQ(Row(6, 24, 6), ".WWWW.");
  // The show ends when every effect of the subtree has.
  Parent->UpdateTree(1);
  EXPECT_EQ(Parent->State(), wsDefault);
  Redraw(Parent.get());
  EXPECT_EQ(Row(6, 4, 6), ".WWWW.");
}

TEST_F(WidgetDrawing, AHideEffectStartsInPlaceAndHidesAtItsEnd) {
  TGObjectPtr<TPaintBox> W(Paint(nullptr, 10, 10, 6, 4, 0xFFFFFFFF));
  W->SetEffect(weHide, SlideEffect(0, 30));
  W->Hide();
  Redraw(W.get());
  EXPECT_EQ(Row(11, 9, 8), ".WWWWWW.");
  W->UpdateTree(0.5f);
  Redraw(W.get());
  EXPECT_EQ(Row(11, 24, 8), ".WWWWWW.");
  EXPECT_TRUE(W->Visible());
  EXPECT_EQ(W->Hides, 0);
  W->UpdateTree(0.5f);
  EXPECT_FALSE(W->Visible());
  EXPECT_EQ(W->Hides, 1);
  Redraw(W.get());
  EXPECT_EQ(Row(11, 9, 40), std::string(40, '.'));
}

TEST_F(WidgetDrawing, FailuresLeaveTheDeviceStateBalanced) {
  TGObjectPtr<TPaintBox> W(Paint(nullptr, 0, 0, 4, 4, 0xFFFFFFFF));
  TPaintBox* Child = Paint(W.get(), 0, 0, 2, 2, 0xFFFFFFFF);
  W->SetClipChildren(true);
  Child->Fail = true;
  EXPECT_ERROR_TEXT(W->DrawTree(), "drawing failed");
  W->SetEffect(weShow, SlideEffect(0, 10));
  W->Show();
  EXPECT_ERROR_TEXT(W->DrawTree(), "drawing failed");
  EXPECT_EQ(GD->StateStackSize(), 0);

  // A widget channel without a widget has nothing to draw or measure.
  TGObjectPtr<TGLiveWidget> Lone(New<TGLiveWidget>(nullptr));
  EXPECT_THROW(Lone->Draw(), EGException);
  EXPECT_THROW(Lone->ContentExtent(0), EGException);
  EXPECT_EQ(Lone->GetClassId(), "LiveWidget");
}
