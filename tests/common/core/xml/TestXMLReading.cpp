#include "base/UGError.h"
#include "base/UGThread.h"
#include "xml/UGXMLArena.h"
#include "xml/UGXMLDoc.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TGObjectPtr<TGXMLNode> Parse(std::string_view Text) {
  TGObjectPtr<TGXMLNode> N(new TGXMLNode("Unset"));
  N->LoadFromString(Text);
  return N;
}

} // namespace

TEST(XMLReading, ChildrenAreGroupedByName) {
  auto N = Parse("<r><a i='1'/><b/><a i='2'/></r>");
  EXPECT_EQ(N->Name(), "r");
  ASSERT_EQ(N->GetChildsCount(), 2);
  EXPECT_EQ(N->GetIndexedChilds(0)->Tag(), "a");
  EXPECT_EQ(N->GetChilds("a")->GetItem(1)->GetIntAttr("i"), 2);
  EXPECT_EQ(N->SaveToString(0), "<r>\r\n  <a i=\"1\"/>\r\n  <a i=\"2\"/>\r\n  <b/>\r\n</r>\r\n");
}

TEST(XMLReading, TextCDataCommentsAndWhitespace) {
  auto N = Parse("<r>\n  <t>x &lt; y &amp; z</t>\n  <c><![CDATA[ <raw> ]]></c>\n"
                 "  <w>   </w>\n  <k><![CDATA[  ]]></k>\n  <m>a<!-- note -->b<?pi x?>c</m>\n"
                 "  <e>&#65;&#x42;</e><!-- trailing -->\n</r>");
  EXPECT_EQ(N->GetChilds("t")->GetItem(0)->Text(), "x < y & z");
  EXPECT_EQ(N->GetChilds("c")->GetItem(0)->Text(), " <raw> ");
  EXPECT_EQ(N->GetChilds("w")->GetItem(0)->Text(), "");
  EXPECT_EQ(N->GetChilds("k")->GetItem(0)->Text(), "  ");
  EXPECT_EQ(N->GetChilds("m")->GetItem(0)->Text(), "abc");
  EXPECT_EQ(N->GetChilds("e")->GetItem(0)->Text(), "AB");
  EXPECT_EQ(N->Text(), "");
  // Saved text reloads the same.
  auto Again = Parse(N->SaveToString());
  EXPECT_EQ(Again->GetChilds("t")->GetItem(0)->Text(), "x < y & z");
}

TEST(XMLReading, LineEndsBecomeCRLF) {
  auto N = Parse("<r>one\ntwo\r\nthree\rfour&#13;&#10;five&#13;six</r>");
  EXPECT_EQ(N->Text(), "one\r\ntwo\r\nthree\r\nfour\r\nfive\rsix");
  auto C = Parse("<r><![CDATA[a\nb]]></r>");
  EXPECT_EQ(C->Text(), "a\r\nb");
}

TEST(XMLReading, MixedContentFails) {
  for (const char* Doc : {"<r>text<c/></r>", "<r><c/>text</r>", "<r><![CDATA[x]]><c/></r>"}) {
    try {
      Parse(Doc);
      FAIL() << Doc;
    } catch (const EGException& E) {
      EXPECT_EQ(E.Text(), "An error occured") << Doc;
    }
  }
  // Whitespace between elements is not content.
  EXPECT_NO_THROW(Parse("<r>\n <c/>\n </r>"));
}

TEST(XMLReading, NamespacePrefixesAndAttributesInOrder) {
  auto N = Parse("<x:r xmlns:x='urn:x' b='2' x:a='1'><x:c/></x:r>");
  EXPECT_EQ(N->Name(), "r");
  EXPECT_EQ(N->GetChilds("c")->GetCount(), 1);
  EXPECT_EQ(N->GetAttribute(1).Name(), "b");
  EXPECT_EQ(N->GetStrAttr("a"), "1");
  EXPECT_EQ(N->GetAttribute(0).NativeType(), atString);
}

TEST(XMLReading, NamesWhoseLocalPartIsNoNameKeepTheirPrefix) {
  // Stripping the prefix of these would leave no name, or one that cannot start a name.
  auto N = Parse("<Widge:><a: b:='1' :='2' c:1='3' d:-='4' e:.f='5' g:\xC2\xB7='6'/>"
                 "<x:1y/><p:q:/><z::w/></Widge:>");
  EXPECT_EQ(N->Name(), "Widge:");
  TGXMLNode* A = N->GetChilds("a:")->GetItem(0);
  for (const char* Name : {"b:", ":", "c:1", "d:-", "e:.f", "g:\xC2\xB7"}) {
    EXPECT_TRUE(A->HasAttr(Name)) << Name;
  }
  EXPECT_EQ(N->GetChilds("x:1y")->GetCount(), 1);
  EXPECT_EQ(N->GetChilds("p:q:")->GetCount(), 1);
  EXPECT_EQ(N->GetChilds("w")->GetCount(), 1);
  // Such a tree saves, and reads back the same.
  std::string Saved = N->SaveToString();
  EXPECT_EQ(Parse(Saved)->SaveToString(), Saved);
}

TEST(XMLReading, EncodingsByMarkAndDeclaration) {
  std::u16string Wide = u"<r v='\u00e9\u20ac'/>";
  std::string LE = "\xFF\xFE";
  for (char16_t C : Wide) {
    LE += static_cast<char>(C & 0xFF);
    LE += static_cast<char>(C >> 8);
  }
  EXPECT_EQ(Parse(LE)->GetStrAttr("v"), "\xC3\xA9\xE2\x82\xAC");
  std::string BE = "\xFE\xFF";
  for (char16_t C : Wide) {
    BE += static_cast<char>(C >> 8);
    BE += static_cast<char>(C & 0xFF);
  }
  EXPECT_EQ(Parse(BE)->GetStrAttr("v"), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(Parse("\xEF\xBB\xBF<r v='\xC3\xA9'/>")->GetStrAttr("v"), "\xC3\xA9");
  EXPECT_EQ(
      Parse("<?xml version='1.0' encoding='windows-1252'?><r v='\x80\xE9'/>")->GetStrAttr("v"),
      "\xE2\x82\xAC\xC3\xA9");
  EXPECT_EQ(Parse("<?xml version='1.0' encoding='windows-1251'?><r v='\xC0'/>")->GetStrAttr("v"),
            "\xD0\x90");
  EXPECT_THROW(Parse("<?xml version='1.0' encoding='no-such-code'?><r/>"), EXMLParseError);
}

TEST(XMLReading, MalformedDocumentsRaiseParseErrors) {
  for (const char* Doc : {"", "<r>", "<r></s>", "<r a='1' a='2'/>", "text", "<r/><r/>",
                          "<r>&undefined;</r>", "<r>\x01</r>"}) {
    EXPECT_THROW(Parse(Doc), EXMLParseError) << Doc;
  }
  try {
    Parse("<r>\n<a>\n</r>");
  } catch (const EXMLParseError& E) {
    EXPECT_NE(E.Text().find("line 3"), std::string::npos) << E.Text();
  }
}

// Tools that report on files name the line of each element's start tag, and where a parse
// failed; a second parse into the same table forgets the first.
TEST(XMLReading, LineTableGivesTheStartLineOfEveryElementAndOfAFailure) {
  TGXMLLineTable Lines;
  TGObjectPtr<TGXMLNode> N(new TGXMLNode());
  LoadXMLDocumentWithLines(*N, "<r>\n  <a/>\n  <b\n     x='1'>\n    <a/>\n  </b>\n</r>", Lines);
  EXPECT_EQ(Lines.LineOf(N.get()), 1);
  const TGXMLNode* B = N->GetChilds("b")->GetItem(0);
  EXPECT_EQ(Lines.LineOf(N->GetChilds("a")->GetItem(0)), 2);
  EXPECT_EQ(Lines.LineOf(B), 3) << "the line of its '<', not of its last attribute";
  EXPECT_EQ(Lines.LineOf(B->GetChilds("a")->GetItem(0)), 5);
  EXPECT_EQ(Lines.LineOf(nullptr), 0);
  EXPECT_EQ(Lines.ErrorLine(), 0);

  EXPECT_THROW(LoadXMLDocumentWithLines(*N, "<r>\n<a>\n</r>", Lines), EXMLParseError);
  EXPECT_EQ(Lines.ErrorLine(), 3);
  EXPECT_EQ(Lines.LineOf(B), 0);
  EXPECT_THROW(LoadXMLDocumentWithLines(*N, "<r>\n\n<a>text<b/></a></r>", Lines), EGException);
  EXPECT_EQ(Lines.ErrorLine(), 3) << "mixed content";
}

TEST(XMLReading, EntitiesStayInternal) {
  auto N = Parse("<!DOCTYPE r [<!ENTITY who 'world'>]><r>hello &who;</r>");
  EXPECT_EQ(N->Text(), "hello world");
  // External entities are never fetched.
  auto Ext = Parse("<!DOCTYPE r [<!ENTITY x SYSTEM 'file:///etc/passwd'>]><r>a&x;b</r>");
  EXPECT_EQ(Ext->Text().find("root"), std::string::npos);
  // An exponential entity expansion is refused by the parser.
  std::string Bomb = "<!DOCTYPE r [<!ENTITY a 'aaaaaaaaaa'>";
  for (char C = 'b'; C <= 'k'; ++C) {
    std::string Refs;
    for (int I = 0; I < 10; ++I) {
      Refs += std::string("&") + static_cast<char>(C - 1) + ";";
    }
    Bomb += std::string("<!ENTITY ") + C + " '" + Refs + "'>";
  }
  Bomb += "]><r>&k;</r>";
  EXPECT_THROW(Parse(Bomb), EXMLParseError);
}

TEST(XMLReading, ReloadReplacesContentButKeepsOwner) {
  TGObjectPtr<TGObject> Owner(new TGObject());
  TGXMLNode* N = new TGXMLNode(Owner.get());
  N->LoadFromString("<a x='1'><b/></a>");
  N->LoadFromString("<c y='2'/>");
  EXPECT_EQ(N->Name(), "c");
  EXPECT_FALSE(N->HasAttr("x"));
  EXPECT_EQ(N->GetChildsCount(), 0);
  EXPECT_EQ(N->Owner(), Owner.get());
}

TEST(XMLReading, ThreadsParseAtOnceWithTheirOwnOrTheSharedDocument) {
  std::string Doc = "<r>";
  for (int I = 0; I < 2000; ++I) {
    Doc += "<i n='" + std::to_string(I) + "'/>";
  }
  Doc += "</r>";
  auto Work = [&](bool OwnDocument, int& Count) {
    uint32_t Id = GetCurrentThreadID();
    if (OwnDocument) {
      AddThreadXMLDoc(Id);
    }
    for (int K = 0; K < 20; ++K) {
      auto N = Parse(Doc);
      Count = N->GetChilds("i")->GetCount();
    }
    if (OwnDocument) {
      RemoveThreadXMLDoc(Id);
    }
  };
  int A = 0, B = 0, C = 0;
  std::thread T1(Work, true, std::ref(A));
  std::thread T2(Work, false, std::ref(B));
  std::thread T3(Work, false, std::ref(C));
  T1.join();
  T2.join();
  T3.join();
  EXPECT_EQ(A, 2000);
  EXPECT_EQ(B, 2000);
  EXPECT_EQ(C, 2000);
}

TEST(XMLReading, FilesRoundTrip) {
  std::string Name = ::testing::TempDir() + "/round.xml";
  auto N = Parse("<Loc Name='Harbour'><Obj Id='Anchor' Pos='1 2 3'/><Note>two\nlines</Note></Loc>");
  N->SaveToFile(Name);
  TGObjectPtr<TGXMLNode> Back(new TGXMLNode("x"));
  Back->LoadFromFile(Name);
  EXPECT_EQ(Back->SaveToString(), N->SaveToString());
  EXPECT_EQ(Back->GetChilds("Note")->GetItem(0)->Text(), "two\r\nlines");
  EXPECT_THROW(Back->LoadFromFile(Name + ".missing"), EFOpenError);
}

TEST(XMLReading, ReadNodesHoldTheirDocumentsArenaWhereverTheyGo) {
  auto N = Parse("<r a='1'><x k='v'><y/></x><x/><z>text</z></r>");
  // The root is the caller's; everything below it comes from one arena, which counts it all:
  // the collections x, y and z, the nodes x, y, x and z, and the attributes of the first x.
  EXPECT_EQ(XMLArenaOf(N.get()), nullptr);
  TGXMLNode* X = N->GetChilds("x")->GetItem(0);
  TGXMLArena* A = XMLArenaOf(X);
  ASSERT_NE(A, nullptr);
  EXPECT_EQ(XMLArenaOf(N->GetChilds("x")), A);
  EXPECT_EQ(XMLArenaOf(X->GetChilds("y")->GetItem(0)), A);
  EXPECT_EQ(A->References(), 8u);

  // A node moved to another tree keeps its part of the arena after its document is freed.
  TGObjectPtr<TGXMLNode> Other(new TGXMLNode("other"));
  Other->AddNode(X);
  EXPECT_EQ(XMLArenaOf(Other->GetChilds("x")), nullptr);
  N.reset();
  EXPECT_EQ(A->References(), 4u);
  EXPECT_EQ(X->GetStrAttr("k"), "v");
  EXPECT_EQ(X->GetChilds("y")->GetCount(), 1);
  EXPECT_EQ(Other->SaveToString(0),
            "<other>\r\n  <x k=\"v\">\r\n    <y/>\r\n  </x>\r\n</other>\r\n");

  // Attributes that outgrow their block move to the heap; copies and new children are made
  // there too.
  X->SetStrAttr("k", "a value far longer than the block read from the document had room for");
  EXPECT_EQ(A->References(), 3u);
  TGObjectPtr<TGXMLNode> Copy(static_cast<TGXMLNode*>(X->Clone(nullptr)));
  EXPECT_EQ(XMLArenaOf(Copy.get()), nullptr);
  EXPECT_EQ(XMLArenaOf(X->AddChild("new")), nullptr);
  EXPECT_EQ(A->References(), 3u);
  // The last of them frees the arena.
  Other.reset();
  EXPECT_EQ(Copy->GetChilds("y")->GetCount(), 1);
}

TEST(XMLReading, WhatAFailedReadLeftHoldsTheArenaUntilFreedOrReadAgain) {
  TGObjectPtr<TGXMLNode> N(new TGXMLNode("Unset"));
  EXPECT_THROW(N->LoadFromString("<r><a x='1'/><b><c/></b><d"), EXMLParseError);
  ASSERT_EQ(N->GetChilds("b")->GetCount(), 1);
  TGXMLArena* A = XMLArenaOf(N->GetChilds("a")->GetItem(0));
  ASSERT_NE(A, nullptr);
  // The collections a, b and c, the nodes a, b and c, and the attributes of a.
  EXPECT_EQ(A->References(), 7u);
  N->LoadFromString("<r><e/></r>");
  EXPECT_NE(XMLArenaOf(N->GetChilds("e")->GetItem(0)), nullptr);
  EXPECT_EQ(N->GetChildsCount(), 1);
  // A document without children makes no arena.
  N->LoadFromString("<r a='1'/>");
  EXPECT_EQ(N->GetChildsCount(), 0);
}

TEST(XMLReading, ArenaTakesManyObjectsAndLeavesLargeOnesToTheHeap) {
  auto* A = new TGXMLArena(0); // the smallest first chunk, so that many follow
  TGObjectPtr<TGXMLNode> Root(new (A) TGXMLNode("r"));
  EXPECT_EQ(XMLArenaOf(Root.get()), A);
  for (int I = 0; I < 500; ++I) {
    TGXMLNode* Child = Root->AddNode(new (A) TGXMLNode("n"));
    Child->SetIntAttr("i", I);
  }
  void* Large = XMLAllocate(100000, A);
  EXPECT_EQ(XMLArenaOf(Large), nullptr);
  void* Small = XMLAllocate(10, A);
  EXPECT_EQ(XMLArenaOf(Small), A);
  EXPECT_EQ(A->References(), 503u); // the maker, the nodes and the small block
  XMLFree(Large);
  XMLFree(Small);
  A->Release();
  EXPECT_EQ(A->References(), 501u);
  // No object overlaps another.
  TGXMLCollection* Items = Root->GetChilds("n");
  ASSERT_EQ(Items->GetCount(), 500);
  for (int I = 0; I < 500; ++I) {
    EXPECT_EQ(Items->GetItem(I)->GetIntAttr("i"), I);
    EXPECT_EQ(Items->GetItem(I)->Name(), "n");
  }
  // Freeing some in the middle changes nothing for the others.
  for (int I = 0; I < 250; ++I) {
    Items->Remove(Items->GetItem(0));
  }
  EXPECT_EQ(A->References(), 251u);
  EXPECT_EQ(Items->GetItem(0)->GetIntAttr("i"), 250);
  Root.reset();
}
