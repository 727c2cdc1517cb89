#include "script/UDynProperties.h"
#include "script/UScriptProcessor.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

TEST(DynProperties, LookupIgnoresCaseAndMissingNamesAreNull) {
  TGObjectPtr<TDynProperties> P(new TDynProperties());
  P->AddProperty("OnPick", TGVariant("x()"));
  P->AddProperty("onpick", TGVariant("second"));
  EXPECT_EQ(P->FindProp("ONPICK"), 0);
  EXPECT_EQ(P->GetProp("onPick").ToString(), "x()");
  EXPECT_TRUE(P->GetProp("Missing").IsNull());
  EXPECT_TRUE(P->GetPropByIndex(9).IsNull());
  EXPECT_EQ(P->GetPropName(9), "");
  try {
    P->SetProp("Missing", TGVariant(1));
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Dynamic property \"Missing\" not found");
  }
  EXPECT_EQ(P->GetPropCount(), 2);
}

TEST(DynProperties, EveryTypeCodeSavesAndLoads) {
  TGObjectPtr<TScriptProcessor> Processor(New<TScriptProcessor>(nullptr));
  TGObjectPtr<TDynProperties> P(new TDynProperties());
  P->AddProperty("Int", TGVariant(int32_t{-7}));
  P->AddProperty("Big", TGVariant(int64_t{9000000000}));
  P->AddProperty("Real", TGVariant(2.5));
  P->AddProperty("Text", TGVariant("a \"b\" <c>"));
  P->AddProperty("Flag", TGVariant(true));
  P->AddProperty("Money", TGVariant::Currency(1.25));
  P->AddProperty("Empty", TGVariant(""));
  P->AddProperty("Nothing", TGVariant());
  TGVariant Array;
  Processor->Eval("[1,2,3]", Array);
  P->AddProperty("Array", Array);

  TGObjectPtr<TGXMLNode> Node(P->SaveToXML(nullptr));
  EXPECT_EQ(Node->Name(), "DynProperties");
  EXPECT_EQ(Node->GetChilds("DynProperty")->GetCount(), 7); // empty values vanish
  TGObjectPtr<TGXMLNode> Reread(new TGXMLNode("x"));
  Reread->LoadFromString(Node->SaveToString());
  TGObjectPtr<TDynProperties> Q(new TDynProperties());
  Q->AddProperty("Existing", TGVariant(1));
  Q->LoadFromXML(Reread.get());
  ASSERT_EQ(Q->GetPropCount(), 8); // loading appends
  EXPECT_EQ(Q->GetProp("Int").VType(), varInteger);
  EXPECT_EQ(Q->GetProp("Int").ToInteger(), -7);
  EXPECT_EQ(Q->GetProp("Big").VType(), varInt64);
  EXPECT_EQ(Q->GetProp("Big").ToInt64(), 9000000000);
  EXPECT_DOUBLE_EQ(Q->GetProp("Real").ToDouble(), 2.5);
  EXPECT_EQ(Q->GetProp("Text").ToString(), "a \"b\" <c>");
  EXPECT_EQ(Q->GetProp("Flag").VType(), varBoolean);
  EXPECT_TRUE(Q->GetProp("Flag").ToBoolean());
  EXPECT_EQ(Q->GetProp("Money").VType(), varCurrency);
  EXPECT_EQ(Q->GetProp("Money").ToString(), "1.25");
  EXPECT_EQ(Q->GetProp("Array").VType(), varDispatch);
  EXPECT_EQ(Q->GetProp("Array").ToString(), "1,2,3");
  EXPECT_EQ(Reread->GetChilds("DynProperty")->GetItem(6)->GetStrAttr("Value"), "1,2,3");
}

TEST(DynProperties, BadTypeCodesFail) {
  auto Load = [](const char* Type) {
    TGObjectPtr<TGXMLNode> N(new TGXMLNode("x"));
    N->LoadFromString(std::string("<x><DynProperty Name='A' Type='") + Type + "' Value='1'/></x>");
    TGObjectPtr<TDynProperties> P(new TDynProperties());
    P->LoadFromXML(N.get());
  };
  try {
    Load("14");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Unsupported type: $000E");
  }
  EXPECT_THROW(Load("-1"), EGException);
  // A saved form with one bad property adds none of the others.
  TGObjectPtr<TGXMLNode> Mixed(new TGXMLNode("x"));
  Mixed->LoadFromString("<x><DynProperty Name='Good' Type='3' Value='5'/>"
                        "<DynProperty Name='Bad' Type='14' Value='1'/></x>");
  TGObjectPtr<TDynProperties> P(new TDynProperties());
  EXPECT_THROW(P->LoadFromXML(Mixed.get()), EGException);
  EXPECT_TRUE(P->GetProp("Good").IsEmptyOrNull());
  EXPECT_THROW(Load("3x"), EGException); // not a number: type 0 is unsupported
  Load("256");
  Load("18");
}
