#include "base/UGError.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

namespace {

TGObjectPtr<TGXMLNode> Node(const char* Name) {
  return TGObjectPtr<TGXMLNode>(new TGXMLNode(Name));
}

} // namespace

TEST(XMLAttributes, TextFillsEveryForm) {
  auto N = Node("N");
  N->SetStrAttr("V", "1 2 3");
  TGXMLAttribute A = N->GetAttribute(0);
  EXPECT_EQ(A.AsVector(), (TGVector{1, 2, 3}));
  EXPECT_EQ(A.AsInteger(), 0);
  EXPECT_EQ(A.AsFloat(), 0);
  EXPECT_FALSE(A.AsBoolean());
  EXPECT_EQ(A.NativeType(), atString);

  N->SetStrAttr("M", "-5");
  EXPECT_EQ(N->GetIntAttr("M"), -5);
  EXPECT_EQ(N->GetLongwordAttr("M"), 5u);
  EXPECT_FLOAT_EQ(N->GetFloatAttr("M"), -5);
  EXPECT_TRUE(N->GetBoolAttr("M"));

  N->SetStrAttr("C", "$FF808080");
  EXPECT_EQ(N->GetLongwordAttr("C"), 0xFF808080u);
  EXPECT_EQ(N->GetIntAttr("C"), static_cast<int32_t>(0xFF808080u));
  N->SetStrAttr("Big", "99999999999");
  EXPECT_EQ(N->GetLongwordAttr("Big"), 4294967295u);
  EXPECT_EQ(N->GetIntAttr("Big"), 0);
  N->SetStrAttr("F", "2,5");
  EXPECT_FLOAT_EQ(N->GetFloatAttr("F"), 2.5f);
  EXPECT_EQ(N->GetIntAttr("F"), 0);
}

TEST(XMLAttributes, TypedSettersFillEveryForm) {
  auto N = Node("N");
  N->SetFloatAttr("A", 0.1f);
  EXPECT_EQ(N->GetStrAttr("A"), "0.1");
  N->SetFloatAttr("B", 2.5f);
  EXPECT_EQ(N->GetIntAttr("B"), 2);
  N->SetFloatAttr("C", 3.5f);
  EXPECT_EQ(N->GetIntAttr("C"), 4);
  N->SetFloatAttr("D", -1e10f);
  EXPECT_EQ(N->GetIntAttr("D"), INT32_MIN);
  EXPECT_EQ(N->GetLongwordAttr("D"), 2147483648u);

  N->SetBoolAttr("E", true);
  EXPECT_EQ(N->GetStrAttr("E"), "True");
  EXPECT_EQ(N->GetIntAttr("E"), 1);
  N->SetLongwordAttr("G", 3000000000u);
  EXPECT_EQ(N->GetStrAttr("G"), "3000000000");
  EXPECT_EQ(N->GetIntAttr("G"), 0);
  EXPECT_FLOAT_EQ(N->GetFloatAttr("G"), 3e9f);
  N->SetIntAttr("H", -7);
  EXPECT_EQ(N->GetLongwordAttr("H"), 7u);
  EXPECT_TRUE(N->GetBoolAttr("H"));
  N->SetVecAttr("V", TGVector{1.5f, 0, -2});
  EXPECT_EQ(N->GetStrAttr("V"), "1.5 0 -2");
  EXPECT_EQ(N->GetAttribute(N->FindAttr("V")).NativeType(), atVector);
  // Setting again keeps the attribute's place and replaces every form.
  N->SetStrAttr("A", "x");
  EXPECT_EQ(N->FindAttr("A"), 0);
  EXPECT_EQ(N->GetFloatAttr("A"), 0);
}

TEST(XMLAttributes, DefaultsAndMissingAttributes) {
  auto N = Node("N");
  N->SetIntAttrDef("Skip", 3, 3);
  N->SetBoolAttrDef("Flag", false, true);
  N->SetStrAttrDef("Same", "x", "x");
  N->SetLongwordAttrDef("Color", 0xFFFFFFFFu, 0xFFFFFFFFu);
  EXPECT_FALSE(N->HasAttr("Skip"));
  EXPECT_FALSE(N->HasAttr("Same"));
  EXPECT_FALSE(N->HasAttr("Color"));
  EXPECT_EQ(N->GetIntAttrDef("Skip", 3), 3);
  EXPECT_TRUE(N->GetBoolAttr("Flag"));
  try {
    N->GetStrAttr("Nope");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Attribute \"Nope\" not found");
  }
  for (const char* True : {"TRUE", "true", "1", "7"}) {
    N->SetStrAttr("B", True);
    EXPECT_TRUE(N->GetBoolAttrDef("B", false)) << True;
  }
  for (const char* False : {"0", "False"}) {
    N->SetStrAttr("B", False);
    EXPECT_FALSE(N->GetBoolAttrDef("B", true)) << False;
  }
  N->SetStrAttr("B", "yes");
  EXPECT_TRUE(N->GetBoolAttrDef("B", true));
  EXPECT_FALSE(N->GetBoolAttrDef("B", false));
  EXPECT_EQ(N->GetStrAttrDef("Absent", "dflt"), "dflt");
  EXPECT_FLOAT_EQ(N->GetFloatAttrDef("Absent", 1.5f), 1.5f);
}

TEST(XMLAttributes, SettingTheDefaultRemovesAnEarlierValue) {
  auto N = Node("N");
  N->SetIntAttr("First", 1);
  N->SetIntAttr("Int", 5);
  N->SetStrAttr("Str", "old");
  N->SetBoolAttr("Bool", true);
  N->SetLongwordAttr("Color", 0xFF000000u);
  N->SetIntAttr("Last", 2);
  N->SetIntAttrDef("Int", 3, 3);
  N->SetStrAttrDef("Str", "", "");
  N->SetBoolAttrDef("Bool", false, false);
  N->SetLongwordAttrDef("Color", 0xFFFFFFFFu, 0xFFFFFFFFu);
  EXPECT_EQ(N->GetIntAttrDef("Int", 3), 3);
  EXPECT_EQ(N->GetStrAttrDef("Str", ""), "");
  EXPECT_FALSE(N->GetBoolAttrDef("Bool", false));
  EXPECT_EQ(N->GetLongwordAttrDef("Color", 0xFFFFFFFFu), 0xFFFFFFFFu);
  // The others keep their order; the defaults are not written.
  EXPECT_EQ(N->SaveToString(0), "<N First=\"1\" Last=\"2\"/>\r\n");
  N->SetIntAttrDef("Int", 3, 4);
  EXPECT_EQ(N->GetIntAttrDef("Int", 3), 4);
}

TEST(XMLWriter, ExactLayoutOfTextAndChildren) {
  auto Root = Node("Root");
  Root->SetStrAttr("Name", "a\"b<c>&d'e");
  TGXMLNode* Text = Root->AddChild("Text");
  Text->SetText("x < y & z\r\nnext");
  Root->AddChild("Empty");
  Root->AddChild("Text")->SetText("second");
  EXPECT_EQ(Root->SaveToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                  "<Root Name=\"a&quot;b&lt;c&gt;&amp;d'e\">\r\n"
                                  "  <Text>x &lt; y &amp; z\r\nnext</Text>\r\n"
                                  "  <Text>second</Text>\r\n"
                                  "  <Empty/>\r\n"
                                  "</Root>\r\n");
  Text->SetQuoteText(false);
  Text->SetText("<b>raw</b>");
  EXPECT_EQ(Text->SaveToString(2), "  <Text><b>raw</b></Text>\r\n");
}

TEST(XMLWriter, TextWithChildrenContinuesOnTheTextLine) {
  auto Root = Node("P");
  Root->SetText("lead");
  Root->AddChild("A");
  Root->AddChild("A");
  EXPECT_EQ(Root->SaveToString(2), "  <P>lead<A/>\r\n    <A/>\r\n</P>\r\n");
}

TEST(XMLWriter, LongAttributeListsBreakAtTheMargin) {
  // Estimate: indent + name + 3 + sum(name + value + 4).
  auto Exactly = [](size_t ValueLength) {
    auto N = Node("E");
    N->SetStrAttr("V", std::string(ValueLength, 'x'));
    return N->SaveToString(0);
  };
  // 0 + 1 + 3 + (1 + 111 + 4) = 120: one line.
  EXPECT_EQ(Exactly(111), "<E V=\"" + std::string(111, 'x') + "\"/>\r\n");
  // 121: one attribute per line, the close on its own line.
  EXPECT_EQ(Exactly(112), "<E\r\n  V=\"" + std::string(112, 'x') + "\"\r\n/>\r\n");

  auto Parent = Node("Outer");
  TGXMLNode* Child = Parent->AddChild("C");
  Child->SetStrAttr("A", std::string(60, 'a'));
  Child->SetStrAttr("B", std::string(60, 'b'));
  Child->AddChild("D");
  EXPECT_EQ(Parent->SaveToString(0), "<Outer>\r\n"
                                     "  <C\r\n"
                                     "    A=\"" +
                                         std::string(60, 'a') +
                                         "\"\r\n"
                                         "    B=\"" +
                                         std::string(60, 'b') +
                                         "\"\r\n"
                                         "  >\r\n"
                                         "    <D/>\r\n"
                                         "  </C>\r\n"
                                         "</Outer>\r\n");
  // Wide characters count once each (as UTF-16 units), not per byte.
  auto Wide = Node("E");
  std::string Value;
  for (int I = 0; I < 111; ++I) {
    Value += "\xC3\xA9";
  }
  Wide->SetStrAttr("V", Value);
  EXPECT_EQ(Wide->SaveToString(0).find("\r\n"), Wide->SaveToString(0).size() - 2);
}

TEST(XMLWriter, ControlCharactersAreLeftOutAndNamesAreRequired) {
  auto N = Node("N");
  N->SetStrAttr("A", std::string("a\x01\x1F\tb"));
  EXPECT_EQ(N->SaveToString(0), "<N A=\"a\tb\"/>\r\n");
  TGObjectPtr<TGXMLNode> Nameless(new TGXMLNode(static_cast<TGObject*>(nullptr)));
  EXPECT_THROW(Nameless->SaveToString(0), EGException);
}

TEST(XMLTree, ChildrenCollectionsAndCopies) {
  auto Root = Node("Root");
  TGXMLCollection* None = Root->GetChilds("Missing");
  EXPECT_EQ(None->GetCount(), 0);
  int Seen = 0;
  for (TGXMLNode* Child : *None) {
    (void)Child;
    ++Seen;
  }
  EXPECT_EQ(Seen, 0);
  EXPECT_THROW(None->Add(new TGXMLNode(None)), EGException);

  for (const char* Id : {"one", "two"}) {
    TGXMLNode* Item = Root->AddChild("Item");
    Item->SetStrAttr("Id", Id);
    Item->AddChild("Leaf")->SetText(Id);
  }
  EXPECT_EQ(Root->GetChilds("Item")->FindIndexByStrAttr("Id", "two"), 1);
  EXPECT_EQ(Root->GetChilds("Item")->FindIndexByStrAttr("Id", "TWO"), -1);

  TGObjectPtr<TGXMLNode> Copy(static_cast<TGXMLNode*>(Root->Clone(nullptr)));
  EXPECT_EQ(Copy->SaveToString(), Root->SaveToString());
  TGXMLNode* CopiedItem = Copy->GetChilds("Item")->GetItem(0);
  EXPECT_NE(CopiedItem, Root->GetChilds("Item")->GetItem(0));
  EXPECT_EQ(CopiedItem->Owner(), Copy->GetChilds("Item"));
  EXPECT_EQ(Copy->GetChilds("Item")->Tag(), "Item");

  // A child freed on its own leaves its collection; a collection freed leaves its node.
  Root->GetChilds("Item")->GetItem(0)->Free();
  EXPECT_EQ(Root->GetChilds("Item")->GetCount(), 1);
  Root->GetChilds("Item")->Free();
  EXPECT_EQ(Root->GetChildsCount(), 0);
  Copy->Clear();
  EXPECT_EQ(Copy->GetChildsCount(), 0);
  EXPECT_EQ(Copy->AttributeCount(), 0);
  EXPECT_EQ(Copy->Name(), "Root");
}

TEST(XMLAttributes, EveryFormOfEverySetter) {
  struct TRow {
    const char* Name;
    std::string Text;
    bool Boolean;
    float Float;
    int32_t Integer;
    uint32_t Longword;
    TGVector Vector;
    TGXMLAttributeType Type;
  };
  auto N = Node("N");
  N->SetFloatAttr("F", -2.5f);
  N->SetIntAttr("I", -3);
  N->SetBoolAttr("B", true);
  N->SetLongwordAttr("L", 4000000000u);
  N->SetVecAttr("V", TGVector{1, -2, 0.25f});
  N->SetStrAttr("S", "$10");
  N->SetStrAttr("T", " 12");
  N->SetStrAttr("W", "1.5 x 3");
  const TRow Rows[] = {
      {"F", "-2.5", true, -2.5f, -2, 2, {}, atFloat},
      {"I", "-3", true, -3, -3, 3, {}, atInteger},
      {"B", "True", true, 1, 1, 1, {}, atBoolean},
      {"L", "4000000000", true, 4e9f, 0, 4000000000u, {}, atLongword},
      {"V", "1 -2 0.25", false, 0, 0, 0, {1, -2, 0.25f}, atVector},
      {"S", "$10", true, 0, 16, 16, {}, atString},
      {"T", " 12", true, 12, 12, 12, {}, atString},
      {"W", "1.5 x 3", false, 0, 0, 0, {}, atString},
  };
  for (const TRow& R : Rows) {
    TGXMLAttribute A = N->GetAttribute(N->EnsureFindAttr(R.Name));
    EXPECT_EQ(A.Name(), R.Name);
    EXPECT_EQ(A.AsString(), R.Text) << R.Name;
    EXPECT_EQ(A.AsBoolean(), R.Boolean) << R.Name;
    EXPECT_FLOAT_EQ(A.AsFloat(), R.Float) << R.Name;
    EXPECT_EQ(A.AsInteger(), R.Integer) << R.Name;
    EXPECT_EQ(A.AsLongword(), R.Longword) << R.Name;
    EXPECT_EQ(A.AsVector(), R.Vector) << R.Name;
    EXPECT_EQ(A.NativeType(), R.Type) << R.Name;
  }
  // Setting with another type replaces the value held before, the vector included.
  N->SetIntAttr("V", 5);
  EXPECT_EQ(N->GetVecAttr("V"), TGVector{});
  EXPECT_EQ(N->GetIntAttr("V"), 5);
  N->SetStrAttr("F", "7");
  EXPECT_EQ(N->GetIntAttr("F"), 7);
  EXPECT_EQ(N->GetAttribute(0).NativeType(), atString);
  // Attributes read from a file are texts with the same forms.
  TGObjectPtr<TGXMLNode> Read(new TGXMLNode("R"));
  Read->LoadFromString("<R S='$10' T=' 12' W='1.5 x 3' P='1 2 3'/>");
  for (const char* Name : {"S", "T", "W"}) {
    EXPECT_EQ(Read->GetIntAttr(Name), N->GetIntAttr(Name)) << Name;
    EXPECT_EQ(Read->GetLongwordAttr(Name), N->GetLongwordAttr(Name)) << Name;
    EXPECT_EQ(Read->GetBoolAttr(Name), N->GetBoolAttr(Name)) << Name;
  }
  EXPECT_EQ(Read->GetVecAttr("P"), (TGVector{1, 2, 3}));
}

TEST(XMLTree, NodesMoveBetweenTrees) {
  auto From = Node("From");
  TGXMLNode* Moving = From->AddChild("Item");
  Moving->SetIntAttr("N", 1);
  From->AddChild("Item");
  {
    auto To = Node("To");
    EXPECT_EQ(To->AddNode(Moving), Moving);
    EXPECT_EQ(Moving->Owner(), To->GetChilds("Item"));
    EXPECT_EQ(From->GetChilds("Item")->GetCount(), 1);
    EXPECT_EQ(From->GetChilds("Item")->IndexOf(Moving), -1);
  } // freeing the new tree frees the node; the old tree holds nothing of it
  EXPECT_EQ(From->SaveToString(0), "<From>\r\n  <Item/>\r\n</From>\r\n");

  // Adding a child again moves it behind its siblings of the same name.
  TGXMLNode* First = From->GetChilds("Item")->GetItem(0);
  First->SetIntAttr("N", 1);
  From->AddChild("Item");
  EXPECT_EQ(From->AddNode(First), First);
  ASSERT_EQ(From->GetChilds("Item")->GetCount(), 2);
  EXPECT_EQ(From->GetChilds("Item")->GetItem(1), First);

  // A collection given to another owner leaves the node's children.
  {
    auto To = Node("To");
    From->GetChilds("Item")->SetOwner(To.get());
    EXPECT_EQ(From->GetChildsCount(), 0);
  }
  EXPECT_EQ(From->SaveToString(0), "<From/>\r\n");

  // A node cannot go below itself: the tree stays as it was.
  TGXMLNode* Inner = From->AddChild("Inner")->AddChild("Deep");
  EXPECT_THROW(Inner->AddNode(From.get()), EGException);
  EXPECT_THROW(Inner->AddNode(Inner), EGException);
  EXPECT_EQ(From->SaveToString(0),
            "<From>\r\n  <Inner>\r\n    <Deep/>\r\n  </Inner>\r\n</From>\r\n");
}
