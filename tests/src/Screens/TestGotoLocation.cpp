// The developer's go-to-location list: names kept in the list file, files found in the game data
// in the order found, and the file written back with an entry for every location.
#include "Screens/UGotoLocationWindow.h"

#include <gtest/gtest.h>

TEST(GotoLocationList, KeepsTheListFilesNamesAndAddsTheFilesFound) {
  TGotoLocationList List;
  List.ParseListText("Harbour.loc=The quay\r\nbroken line\n=no name\nharbour.loc=twice\n"
                     "Gone.loc=A location no longer in the data\n");
  List.AddLocationFile("Lighthouse.loc");
  List.AddLocationFile("Harbour.loc");

  ASSERT_EQ(List.Lines().size(), 2u);
  EXPECT_EQ(List.LineCaption(0), "Lighthouse.loc"); // no entry: named after itself
  EXPECT_EQ(List.LineCaption(1), "The quay");
  EXPECT_EQ(List.IndexOfFile("HARBOUR.LOC"), 1);
  EXPECT_EQ(List.IndexOfFile("Gone.loc"), -1); // listed in the file, but not in the data
  // The names of the file stay, the new file is added, the broken lines are dropped.
  EXPECT_EQ(List.ListText(), "Harbour.loc=The quay\nGone.loc=A location no longer in the "
                             "data\nLighthouse.loc=Lighthouse.loc\n");
  EXPECT_THROW(List.LineFile(2), std::out_of_range);
}
