#include "xml/UGStringList.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

TEST(StringList, SavesAndLoadsThroughTheOwnersElement) {
  TGObjectPtr<TGStringList> List(new TGStringList());
  List->StringList().Add("Images\\a.png");
  List->StringList().Add("Sounds\\b.ogg");
  TGObjectPtr<TGXMLNode> Root(List->SaveToXML(nullptr, "Location", "PreloadResource"));
  EXPECT_EQ(Root->SaveToString(0), "<Location>\r\n"
                                   "  <PreloadResource Value=\"Images\\a.png\"/>\r\n"
                                   "  <PreloadResource Value=\"Sounds\\b.ogg\"/>\r\n"
                                   "</Location>\r\n");
  TGObjectPtr<TGStringList> Back(new TGStringList());
  Back->StringList().Add("stale");
  Back->LoadFromXML(Root.get(), "PreloadResource");
  ASSERT_EQ(Back->StringList().Count(), 2);
  EXPECT_EQ(Back->StringList()[0], "Images\\a.png");
  EXPECT_EQ(Back->StringList()[1], "Sounds\\b.ogg");

  TGObjectPtr<TGXMLNode> Empty(new TGXMLNode("Location"));
  Back->LoadFromXML(Empty.get(), "PreloadResource");
  EXPECT_EQ(Back->StringList().Count(), 0);

  TGObjectPtr<TGStringList> Copy(new TGStringList());
  Copy->Assign(List.get());
  EXPECT_EQ(Copy->StringList().Text(), List->StringList().Text());
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("X"));
  EXPECT_THROW(Node->Assign(List.get()), EInvalidCast);

  // An element without "Value" fails the load and leaves the list as it was.
  Root->AddChild("PreloadResource");
  EXPECT_THROW(Back->LoadFromXML(Root.get(), "PreloadResource"), EGException);
  EXPECT_EQ(Back->StringList().Count(), 0);
}
