#include "base/UGError.h"
#include "base/UGFastStringList.h"
#include "object/UGObject.h"

#include <gtest/gtest.h>

TEST(FastStringList, SortedListsFollowTheDuplicateRule) {
  TGFastStringList L;
  L.SetSorted(true);
  EXPECT_EQ(L.Add("b"), 0);
  EXPECT_EQ(L.Add("A"), 0);
  EXPECT_EQ(L.Add("c"), 2);
  EXPECT_EQ(L.Add("B"), 1); // ignored: case does not count
  EXPECT_EQ(L.Count(), 3);
  L.SetDuplicates(dupError);
  EXPECT_THROW(L.Add("C"), EListError);
  L.SetDuplicates(dupAccept);
  L.Add("C");
  EXPECT_EQ(L.Count(), 4);
  EXPECT_EQ(L.IndexOf("a"), 0);
  EXPECT_EQ(L.IndexOf("zz"), -1);
  int Index = -1;
  EXPECT_FALSE(L.Find("bb", Index));
  EXPECT_EQ(Index, 2);
  EXPECT_THROW(L.Insert(0, "x"), EListError);
}

TEST(FastStringList, CaseSensitiveComparesBytes) {
  TGFastStringList L;
  L.SetCaseSensitive(true);
  L.Add("Alpha");
  EXPECT_EQ(L.IndexOf("alpha"), -1);
  EXPECT_EQ(L.IndexOf("Alpha"), 0);
  L.SetCaseSensitive(false);
  EXPECT_EQ(L.IndexOf("ALPHA"), 0);
}

TEST(FastStringList, ObjectsDataValuesAndText) {
  TGFastStringList L;
  L.SetOwnsObjects([](TGObject* Obj) { Obj->Free(); });
  TGObject* Owned = new TGObject();
  L.AddObject("one", Owned);
  L.AddData("two", 2);
  L.Add("key=value");
  EXPECT_EQ(L.GetObject(0), Owned);
  EXPECT_EQ(L.IndexOfObject(Owned), 0);
  EXPECT_EQ(L.GetData(1), 2);
  EXPECT_EQ(L.Values("KEY"), "value");
  EXPECT_EQ(L.Names(2), "key");
  L.SetValue("key", "other");
  EXPECT_EQ(L.Values("key"), "other");
  EXPECT_EQ(L.Text(), "one\r\ntwo\r\nkey=other\r\n");
  L.Delete(0); // frees the owned object (checked by the sanitizer build)
  L.SetText("a\r\nb\nc\rd");
  EXPECT_EQ(L.Count(), 4);
  EXPECT_EQ(L[3], "d");
  EXPECT_THROW(L.Get(4), EListError);
  L.Move(3, 0);
  EXPECT_EQ(L[0], "d");
  L.CustomSort([](const TGFastStringList& List, int A, int B) { return List[B].compare(List[A]); });
  EXPECT_EQ(L[0], "d");
  EXPECT_EQ(L[3], "a");
}
