#include "animation/UGVarSeq.h"
#include "io/UGReader.h"
#include "io/UGStream.h"
#include "io/UGWriter.h"
#include "resources/UGResource.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

namespace {

template <class T, class... A>
TGObjectPtr<T> Make(A&&... Args) {
  return TGObjectPtr<T>(new T(std::forward<A>(Args)...));
}

std::string Binary(const TGVarSeq& Seq) {
  TGMemoryStream S;
  TGWriter W(S);
  Seq.SaveToBinary(W);
  return S.Data();
}

void LoadBinary(TGVarSeq& Seq, const std::string& Data) {
  TGMemoryStream S(Data);
  TGReader R(S);
  Seq.LoadFromBinary(nullptr, R);
}

} // namespace

TEST(VarSeq, StepValuesAndTheEndOfTime) {
  auto Seq = Make<TGIntegerSeq>("Frame", TGVariant(int32_t{-1}));
  Seq->SetValue(100, TGVariant(int32_t{1}));
  Seq->SetValue(200, TGVariant(int32_t{2}));
  EXPECT_EQ(Seq->GetIntegerValue(99), -1);
  EXPECT_EQ(Seq->GetIntegerValue(100), 1);
  EXPECT_EQ(Seq->GetIntegerValue(199), 1);
  EXPECT_EQ(Seq->GetIntegerValue(200), 2);
  EXPECT_EQ(Seq->GetIntegerValue(5000000), 2);
  EXPECT_EQ(Seq->GetIntegerValue(CVarSeqEndOfTime), -1);
  EXPECT_EQ(Seq->GetIntegerValue(INT32_MAX), -1);
  EXPECT_EQ(Seq->TotalTime(), 200);
  EXPECT_EQ(Seq->FindTermBetween(101, 300), 1);
  EXPECT_EQ(Seq->FindTermBetween(101, 200), -1);
  EXPECT_EQ(Seq->IndexOfTerm(200), 1);
  EXPECT_EQ(Seq->IndexOfTerm(150), -1);

  auto Order = Make<TGVarSeq>("X", TGVariant());
  for (int32_t T : {300, 100, 200, 100})
    Order->SetValue(T, TGVariant(T));
  ASSERT_EQ(Order->Count(), 3);
  EXPECT_EQ(Order->Terms(0).Time, 100);
  EXPECT_EQ(Order->Terms(2).Time, 300);
  Order->RemoveTerm(-1);
  Order->RemoveTerm(7);
  EXPECT_EQ(Order->Count(), 3);
  EXPECT_THROW(Order->Terms(3), ERangeError);
}

TEST(VarSeq, OptimizeRemovesRepeatedValues) {
  auto Seq = Make<TGVarSeq>("X", TGVariant());
  for (int32_t T = 0; T < 5; ++T)
    Seq->SetValue(T * 10, TGVariant(int32_t{T < 4 ? 7 : 8}));
  Seq->Optimize();
  ASSERT_EQ(Seq->Count(), 3); // 0, 30, 40
  EXPECT_EQ(Seq->Terms(1).Time, 30);

  auto Env = Make<TGRealEnv>("Alpha", 0.0f, nullptr, false);
  Env->SetRealValue(0, 1.0f);
  Env->SetRealValue(100, 1.005f);
  Env->SetRealValue(200, 1.004f);
  Env->SetRealValue(300, 2.0f);
  Env->OptimizeRough();
  ASSERT_EQ(Env->Count(), 3);
  EXPECT_EQ(Env->Terms(1).Time, 200);
}

TEST(VarSeq, RealEnvelopeLinearAndCurved) {
  auto Env = Make<TGRealEnv>("X", 5.0f, nullptr, false);
  EXPECT_EQ(Env->GetRealValue(10), 5.0f);
  Env->SetRealValue(0, 0.0f);
  Env->SetRealValue(1000, 10.0f);
  EXPECT_FLOAT_EQ(Env->GetRealValue(250), 2.5f);
  EXPECT_FLOAT_EQ(Env->GetRealValue(4000), 10.0f);
  Env->SetCurvedByDefault(true);
  EXPECT_FLOAT_EQ(Env->GetRealValue(250), 2.03125f);

  auto Curve = Make<TGBoolSeq>("Curved", TGVariant(false));
  Env->SetCurvedByDefault(false);
  Env->SetCurved(Curve.get());
  Curve->SetBoolValue(500, true);
  EXPECT_FLOAT_EQ(Env->GetRealValue(250), 2.5f);
  EXPECT_FLOAT_EQ(Env->GetRealValue(750), 7.96875f);
  // Four keys: the spline runs through the outer neighbours.
  auto Four = Make<TGRealEnv>("Y", 0.0f, nullptr, true);
  for (auto [T, V] : {std::pair{0, 0.0f}, {100, 1.0f}, {200, 4.0f}, {300, 9.0f}})
    Four->SetRealValue(T, V);
  EXPECT_FLOAT_EQ(Four->GetRealValue(150), 2.25f);
}

TEST(VarSeq, IntegerAndColourEnvelopes) {
  auto Env = Make<TGIntegerEnv>("N", TGVariant(int32_t{9}));
  Env->SetValue(0, TGVariant(int32_t{0}));
  Env->SetValue(1000, TGVariant(int32_t{3}));
  EXPECT_EQ(Env->GetIntValue(-1), 9);
  EXPECT_EQ(Env->GetIntValue(500), 1);
  Env->SetRounding(true);
  EXPECT_EQ(Env->GetIntValue(500), 2);
  EXPECT_EQ(Env->GetIntValue(167), 1); // 0.501 rounds up
  EXPECT_EQ(Env->GetIntValue(1500), 3);
  EXPECT_EQ(Env->Value(500).VType(), varInt64);

  auto Color = Make<TGColorEnv>("Color");
  EXPECT_EQ(static_cast<uint32_t>(Color->GetColorValue(0)), 0x00FFFFFFu);
  Color->SetColorValue(0, TGColor(0xFFFF0000u));
  Color->SetValue(1000, TGVariant(int32_t{0x0000FF}));
  const TGColor C = Color->GetColorValue(500);
  EXPECT_EQ(C.R, 127);
  EXPECT_EQ(C.G, 0);
  EXPECT_EQ(C.B, 127);
  EXPECT_EQ(C.A, 0);
  EXPECT_EQ(Color->Red()->Count(), 2);

  auto Copy = Make<TGColorEnv>("Copy");
  Copy->Assign(Color.get());
  EXPECT_EQ(static_cast<uint32_t>(Copy->GetColorValue(500)), static_cast<uint32_t>(C));
  Copy->RemoveTerm(0);
  EXPECT_EQ(Copy->Red()->Count(), 1);
  Copy->Clear();
  EXPECT_EQ(Copy->Blue()->Count(), 0);
  EXPECT_EQ(static_cast<uint32_t>(Copy->GetColorValue(500)), 0x00FFFFFFu);
}

TEST(VarSeq, TextConversionAndStrings) {
  auto Plain = Make<TGVarSeq>("V", TGVariant());
  auto Str = Make<TGStringSeq>("S", TGVariant(""));
  TGVariant V;
  Plain->StrToVar(nullptr, "12", V);
  EXPECT_EQ(V.VType(), varInteger);
  Plain->StrToVar(nullptr, "1.5", V);
  EXPECT_EQ(V.VType(), varSingle);
  Plain->StrToVar(nullptr, "true", V);
  EXPECT_EQ(V.VType(), varBoolean);
  Plain->StrToVar(nullptr, "hello", V);
  EXPECT_EQ(V.ToString(), "hello");
  std::string Text;
  Plain->VarToStr(TGVariant(1.0f), Text);
  EXPECT_EQ(Text, "1.000");

  auto Node = Make<TGXMLNode>("S");
  TGXMLNode* T = Node->AddChild("Term");
  T->SetIntAttr("T", 0);
  T->SetStrAttr("Value", "12");
  Str->LoadFromXML(nullptr, Node.get());
  Plain->LoadFromXML(nullptr, Node.get());
  EXPECT_EQ(Str->Value(0).VType(), varOleStr);
  EXPECT_EQ(Plain->Value(0).VType(), varInteger);
  // Binary texts are not converted either.
  Str->SetStringValue(5, "1.500");
  auto Back = Make<TGStringSeq>("S", TGVariant(""));
  LoadBinary(*Back, Binary(*Str));
  EXPECT_EQ(Back->GetStringValue(5), "1.500");
  // Missing attributes fail.
  auto Bad = Make<TGXMLNode>("S");
  Bad->AddChild("Term")->SetIntAttr("T", 1);
  EXPECT_THROW(Plain->LoadFromXML(nullptr, Bad.get()), EGException);
  // Switches, numbers and ordinals take only numbers or switches: damage fails the loading.
  auto Switch = Make<TGBoolSeq>("Visible", TGVariant(false));
  auto Ordinal = Make<TGBlendingSeq>("Blending", TGVariant(0));
  auto Damaged = Make<TGXMLNode>("Visible");
  TGXMLNode* DT = Damaged->AddChild("Term");
  DT->SetIntAttr("T", 0);
  DT->SetStrAttr("Value", "Tr]e");
  EXPECT_THROW(Switch->LoadFromXML(nullptr, Damaged.get()), EConvertError);
  EXPECT_THROW(Ordinal->LoadFromXML(nullptr, Damaged.get()), EConvertError);
  DT->SetStrAttr("Value", "True");
  Switch->LoadFromXML(nullptr, Damaged.get());
  EXPECT_TRUE(Switch->GetBoolValue(0));
  DT->SetStrAttr("Value", "2");
  Ordinal->LoadFromXML(nullptr, Damaged.get());
  EXPECT_EQ(Ordinal->GetBlendingValue(0), TGBlending(2));
}

TEST(VarSeq, XMLRoundTrip) {
  auto Env = Make<TGRealEnv>("Alpha", 0.0f, nullptr, false);
  EXPECT_EQ(Env->SaveToXML(), nullptr);
  Env->SetRealValue(500, 1.0f);
  Env->SetRealValue(0, 0.0f);
  TGObjectPtr<TGXMLNode> Node(Env->SaveToXML());
  ASSERT_TRUE(Node);
  EXPECT_EQ(Node->Name(), "Alpha");
  TGXMLCollection* Terms = Node->GetChilds("Term");
  ASSERT_EQ(Terms->GetCount(), 2);
  EXPECT_EQ(Terms->GetItem(0)->GetStrAttr("T"), "0");
  EXPECT_EQ(Terms->GetItem(0)->GetStrAttr("Value"), "0.000");
  EXPECT_EQ(Terms->GetItem(1)->GetStrAttr("Value"), "1.000");
  auto Back = Make<TGRealEnv>("Alpha", 0.0f, nullptr, false);
  Back->LoadFromXML(nullptr, Node.get());
  EXPECT_FLOAT_EQ(Back->GetRealValue(250), 0.5f);

  auto Str = Make<TGStringSeq>("Text", TGVariant(""));
  Str->SetStringValue(0, "two\nlines & more");
  TGObjectPtr<TGXMLNode> S(Str->SaveToXML());
  auto Parsed = Make<TGXMLNode>();
  Parsed->LoadFromString(S->SaveToString());
  auto Str2 = Make<TGStringSeq>("Text", TGVariant(""));
  Str2->LoadFromXML(nullptr, Parsed.get());
  EXPECT_EQ(Str2->GetStringValue(0), "two\nlines & more");
}

TEST(VarSeq, BinaryRoundTripsAndDamage) {
  auto Seq = Make<TGVarSeq>("V", TGVariant());
  Seq->SetValue(10, TGVariant(int32_t{4}));
  Seq->SetValue(20, TGVariant(2.5f));
  Seq->SetValue(30, TGVariant("word"));
  auto Back = Make<TGVarSeq>("V", TGVariant());
  LoadBinary(*Back, Binary(*Seq));
  ASSERT_EQ(Back->Count(), 3);
  EXPECT_EQ(Back->Value(10).ToInteger(), 4);
  EXPECT_EQ(Back->Value(20).ToSingle(), 2.5f);
  EXPECT_EQ(Back->Value(30).ToString(), "word");

  auto Env = Make<TGRealEnv>("E", 0.0f, nullptr, false);
  Env->SetRealValue(0, 1.25f);
  Env->SetRealValue(100, -3.0f);
  auto EnvBack = Make<TGRealEnv>("E", 0.0f, nullptr, false);
  LoadBinary(*EnvBack, Binary(*Env));
  EXPECT_EQ(EnvBack->Count(), 2);
  EXPECT_FLOAT_EQ(EnvBack->GetRealValue(50), -0.875f);

  auto Stream = [](std::initializer_list<std::pair<int32_t, float>> Terms, int32_t Count) {
    TGMemoryStream S;
    TGWriter W(S);
    W.WriteInteger(Count);
    for (auto [T, V] : Terms) {
      W.WriteInteger(T);
      W.WriteSingle(V);
    }
    return S.Data();
  };
  // Times going backwards, a count the stream cannot hold, a truncated stream.
  EXPECT_THROW(LoadBinary(*EnvBack, Stream({{100, 1}, {50, 2}}, 2)), EReadError);
  EXPECT_THROW(LoadBinary(*EnvBack, Stream({{100, 1}, {100, 2}}, 2)), EReadError);
  EXPECT_THROW(LoadBinary(*EnvBack, Stream({{0, 1}}, 0x7FFFFFFF)), EReadError);
  EXPECT_THROW(LoadBinary(*EnvBack, Stream({{0, 1}}, -1)), EReadError);
  EXPECT_THROW(LoadBinary(*Back, Stream({}, 1000)), EReadError);
  // Envelopes take numbers only.
  TGMemoryStream Texts;
  TGWriter W(Texts);
  W.WriteInteger(1);
  W.WriteInteger(0);
  W.WriteString("red");
  auto Ints = Make<TGIntegerEnv>("I", TGVariant(int32_t{0}));
  EXPECT_THROW(LoadBinary(*Ints, Texts.Data()), EConvertError);
  auto Colors = Make<TGColorEnv>("C");
  EXPECT_THROW(LoadBinary(*Colors, Texts.Data()), EConvertError);
  EXPECT_EQ(EnvBack->Count(), 2); // a failed load leaves the terms as they were
}

TEST(VarSeq, ResourceReferences) {
  TGObjectPtr<TGResource> A(new TGResource);
  TGResource* B = new TGResource;
  A->SetURL("Images\\a.png");
  {
    auto Seq = Make<TGResourceSeq>("Picture", TGVariant::Null());
    Seq->SetResValue(0, A.get());
    Seq->SetResValue(100, A.get());
    Seq->SetResValue(200, B);
    EXPECT_EQ(A->RefCount(), 2);
    EXPECT_TRUE(Seq->HasReferenceTo(B));
    Seq->SetResValue(0, nullptr); // replaced: one reference less, still watched for term 100
    EXPECT_EQ(A->RefCount(), 1);
    std::string Text;
    Seq->VarToStr(Seq->Value(100), Text);
    EXPECT_EQ(Text, A->URL());
    Seq->VarToStr(TGVariant(int32_t{0}), Text);
    EXPECT_EQ(Text, "");
    TGVariant V;
    Seq->StrToVar(nullptr, "Images\\a.png", V);
    EXPECT_TRUE(V.IsNull());

    auto Copy = Make<TGResourceSeq>("Picture", TGVariant::Null());
    Copy->Assign(Seq.get());
    EXPECT_EQ(A->RefCount(), 2);
    Copy.reset();
    EXPECT_EQ(A->RefCount(), 1);

    B->Free(); // destroyed: its terms stay, now null
    EXPECT_EQ(Seq->Count(), 3);
    EXPECT_TRUE(Seq->Value(200).IsNull());
    EXPECT_TRUE(Seq->HasReferenceTo(A.get()));
    A->Free();
    A.release();
    EXPECT_TRUE(Seq->Value(100).IsNull());
  }
}
