#include "xml/UGXMLAttributeList.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TGXMLNativeValue NoNative() {
  return TGXMLNativeValue{};
}

// Every attribute as "name=text;" in order.
std::string Dump(const TGXMLAttributeList& L) {
  std::string S;
  for (int I = 0; I < L.Count(); ++I) {
    S += std::string(L.Name(I)) + "=" + std::string(L.Text(I)) + ";";
  }
  return S;
}

TEST(XMLAttributeList, GrowsRewritesAndRemovesWithoutDisturbingOthers) {
  TGXMLAttributeList L;
  EXPECT_TRUE(L.Empty());
  EXPECT_EQ(L.Find("A"), -1);
  for (int I = 0; I < 40; ++I) {
    L.Put("N" + std::to_string(I), "value " + std::to_string(I), atString, NoNative());
  }
  ASSERT_EQ(L.Count(), 40);
  EXPECT_EQ(L.Text(L.Find("N17")), "value 17");

  // Shorter texts go in place, longer ones after the others (the block packs itself when it
  // grows): through many rewrites every text stays right.
  for (int Round = 0; Round < 200; ++Round) {
    int I = Round % 40;
    std::string Text(static_cast<size_t>(Round % 7 == 0 ? 60 : Round % 5), 'a' + Round % 26);
    L.SetValue(L.Find("N" + std::to_string(I)), Text, atString, NoNative());
    EXPECT_EQ(L.Text(L.Find("N" + std::to_string(I))), Text);
  }
  EXPECT_EQ(L.Name(39), "N39");

  L.Remove(0);
  L.Remove(L.Find("N20"));
  EXPECT_EQ(L.Count(), 38);
  EXPECT_EQ(L.Name(0), "N1");
  EXPECT_EQ(L.Find("N20"), -1);
  EXPECT_EQ(L.Name(L.Find("N21")), "N21");
  while (!L.Empty()) {
    L.Remove(L.Count() - 1);
  }
  EXPECT_EQ(L.Count(), 0);
}

TEST(XMLAttributeList, TextsTakenFromTheListItselfSurviveGrowth) {
  TGXMLAttributeList L;
  L.AppendText("First", "a text long enough to matter when the block moves");
  // Each new attribute copies the text of the first: the block grows under the view.
  for (int I = 0; I < 20; ++I) {
    L.Put("Copy" + std::to_string(I), L.Text(0), atString, NoNative());
  }
  for (int I = 1; I <= 20; ++I) {
    EXPECT_EQ(L.Text(I), L.Text(0));
  }
  // Appending a name and text that are views of the list itself.
  L.AppendText(L.Name(3), L.Text(3));
  EXPECT_EQ(L.Name(21), "Copy2");
  EXPECT_EQ(L.Text(21), L.Text(0));
  // A longer text made from an attribute's own text.
  std::string Longer = std::string(L.Text(1)) + std::string(L.Text(1));
  L.SetValue(1, Longer, atString, NoNative());
  EXPECT_EQ(L.Text(1), Longer);
}

TEST(XMLAttributeList, AttributesReadAtOnceAppendInOrder) {
  TGXMLAttributeList L;
  L.AppendLoaded(nullptr, 0);
  EXPECT_TRUE(L.Empty());
  std::string_view Read[] = {"a", "1", "bb", "", "c", "three"};
  L.AppendLoaded(Read, 3);
  EXPECT_EQ(Dump(L), "a=1;bb=;c=three;");
  EXPECT_EQ(L.Find("c"), 2);
  // After others, and with names and texts that are views of the list itself.
  std::string_view More[] = {L.Name(1).substr(0, 1), L.Text(2), "d", "4"};
  L.AppendLoaded(More, 2);
  EXPECT_EQ(Dump(L), "a=1;bb=;c=three;b=three;d=4;");
  // The exact block still takes changes.
  L.SetValue(1, "now a longer text", atString, NoNative());
  L.Put("e", "5", atString, NoNative());
  EXPECT_EQ(Dump(L), "a=1;bb=now a longer text;c=three;b=three;d=4;e=5;");
}

TEST(XMLAttributeList, AttributesReadAtOnceKeepEveryLength) {
  // Names and texts of each length up to beyond the short ones, which are copied by hand.
  std::vector<std::string> Names, Texts;
  for (size_t Size = 1; Size <= 40; ++Size) {
    Names.push_back(std::string(Size, 'N') + std::to_string(Size));
    Texts.push_back(std::string(Size - 1, static_cast<char>('a' + Size % 26)));
  }
  std::vector<std::string_view> Pairs;
  for (size_t I = 0; I < Names.size(); ++I) {
    Pairs.push_back(Names[I]);
    Pairs.push_back(Texts[I]);
  }
  TGXMLAttributeList L;
  L.AppendLoaded(Pairs.data(), Names.size());
  ASSERT_EQ(L.Count(), 40);
  for (int I = 0; I < 40; ++I) {
    EXPECT_EQ(L.Name(I), Names[static_cast<size_t>(I)]);
    EXPECT_EQ(L.Text(I), Texts[static_cast<size_t>(I)]);
  }
}

TEST(XMLAttributeList, CopiesAreDeepAndKeepNativeValues) {
  TGXMLAttributeList L;
  TGXMLNativeValue V{};
  V.Float = 2.5f;
  L.Put("F", "2.5", atFloat, V);
  L.Put("S", "text", atString, NoNative());
  TGXMLAttributeList Copy(L);
  L.SetValue(1, "changed", atString, NoNative());
  EXPECT_EQ(Dump(Copy), "F=2.5;S=text;");
  EXPECT_EQ(Copy.Value(0).Type, atFloat);
  EXPECT_EQ(Copy.Value(0).AsFloat(), 2.5f);
  TGXMLAttributeList Moved(std::move(Copy));
  EXPECT_EQ(Dump(Moved), "F=2.5;S=text;");
  Moved = L;
  EXPECT_EQ(Dump(Moved), "F=2.5;S=changed;");
  Moved = TGXMLAttributeList();
  EXPECT_TRUE(Moved.Empty());
}

TEST(XMLAttributeList, NodeReadsBackWhatItWasSetWithThroughManyChanges) {
  TGObjectPtr<TGXMLNode> N(new TGXMLNode("N"));
  N->SetIntAttr("I", 7);
  N->SetStrAttr("S", "short");
  N->SetFloatAttr("F", 0.1f);
  N->SetStrAttr("S", "a much longer text than the one before it, to move it");
  N->SetStrAttr("Copy", N->GetStrAttr("S"));
  N->SetIntAttrDef("I", 7, 7); // the default: removed
  EXPECT_FALSE(N->HasAttr("I"));
  EXPECT_EQ(N->GetStrAttr("Copy"), N->GetStrAttr("S"));
  EXPECT_EQ(N->GetFloatAttr("F"), 0.1f);
  EXPECT_EQ(N->GetAttribute(N->FindAttr("F")).NativeType(), atFloat);
  std::string Saved = N->SaveToString();
  TGObjectPtr<TGXMLNode> Back(new TGXMLNode("X"));
  Back->LoadFromString(Saved);
  EXPECT_EQ(Back->SaveToString(), Saved);
  EXPECT_EQ(Back->AttributeCount(), 3);
}

} // namespace
