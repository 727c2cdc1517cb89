#include "resources/UGLangDictionary.h"

#include <gtest/gtest.h>

namespace {

TGObjectPtr<TGCSV> Csv(std::string_view Text) {
  TGObjectPtr<TGCSV> C(new TGCSV());
  C->LoadFromText(Text);
  return C;
}

void Merge(TGLangDictionary& D, const std::string& Text) {
  TGMemoryStream S(Text);
  D.Load(S);
}

} // namespace

TEST(CSV, RowsAreFilledByCountingCells) {
  auto C = Csv("Key;ENG;GER;FRA\r\nshort;a\r\nlong;1;2;3;next;x;y;z\n\n\nlast;p;q;r");
  ASSERT_EQ(C->ColCount(), 4);
  ASSERT_EQ(C->RowCount(), 5);
  EXPECT_EQ(C->Cells(1, 0), "short");
  EXPECT_EQ(C->Cells(1, 1), "a");
  EXPECT_EQ(C->Cells(1, 3), "");
  EXPECT_EQ(C->Cells(2, 3), "3");
  EXPECT_EQ(C->Cells(3, 0), "next"); // the extra cells start a row of their own
  EXPECT_EQ(C->Cells(3, 3), "z");
  EXPECT_EQ(C->Cells(4, 3), "r"); // the last cell is read without a final line break
  // Each row knows the line it starts on, blank lines and rows sharing a line counted.
  EXPECT_EQ(C->RowLine(0), 1);
  EXPECT_EQ(C->RowLine(1), 2);
  EXPECT_EQ(C->RowLine(2), 3);
  EXPECT_EQ(C->RowLine(3), 3);
  EXPECT_EQ(C->RowLine(4), 6);
  EXPECT_EQ(Csv("K;E\na;\"two\nlines\"\nb;c")->RowLine(2), 4) << "a quoted line break counts";
}

TEST(CSV, QuotedCells) {
  auto C = Csv("K;ENG\nq;\"say \"\"hi\"\"; twice\r\nnew line\"dropped;x\nnext;plain\"quote");
  EXPECT_EQ(C->Cells(1, 1), "say \"hi\"; twice\r\nnew line");
  EXPECT_EQ(C->Cells(2, 0), "x");
  auto Open = Csv("K;ENG\na;\"never closed;\nstill");
  EXPECT_EQ(Open->Cells(1, 1), "never closed;\nstill");
  EXPECT_EQ(Csv("\nA;B")->ColCount(), 1);
  EXPECT_THROW(Csv(""), EGException);
  EXPECT_EQ(Csv("K;E\nk;\xFFv")->Cells(1, 1), "\xEF\xBF\xBDv"); // broken UTF-8 is replaced
}

TEST(LangDictionary, TranslatesKeysAndRemovesRules) {
  TGLangDictionary D;
  Merge(D, "Caption;ENG;GER\n"
           "Score:;Score:;Punkte:\n"
           "#GOAL#Find the secret object.;Find it!;\n"
           "Only german;;Nur deutsch\n"
           "Money$;cash;Geld\n");
  D.SetCurrentLanguage("eng");
  EXPECT_EQ(D.GetString("plain text"), "plain text");
  EXPECT_EQ(D.GetString("$Score:$ 10"), "Score: 10");
  EXPECT_EQ(D.GetString("100$$"), "100$");
  EXPECT_EQ(D.GetString("$#GOAL#Find the secret object.$"), "Find it!");
  EXPECT_EQ(D.GetString("$Only german$"), "Only german");
  EXPECT_EQ(D.GetString("$score:$"), "score:"); // keys keep their case
  EXPECT_EQ(D.GetString("$Money$$$"), "cash");
  EXPECT_EQ(D.GetString("open $key never closed"), "open key never closed");
  EXPECT_EQ(D.GetString("ends with $"), "ends with ");
  D.SetCurrentLanguage("GER");
  EXPECT_EQ(D.GetString("$Score:$"), "Punkte:");
  EXPECT_EQ(D.GetString("$#GOAL#Find the secret object.$"), "Find the secret object.");
  D.SetCurrentLanguage("XXX");
  EXPECT_EQ(D.GetString("$#SPEECH#Hello$"), "Hello");
  EXPECT_EQ(TGLangDictionary::ClearRules("#A#b#c"), "bc");
  EXPECT_EQ(TGLangDictionary::ClearRules("x#y"), "xy");
  EXPECT_TRUE(TGLangDictionary::IsReservedKey(U'$'));
  EXPECT_FALSE(TGLangDictionary::IsReservedKey(U'a'));
}

TEST(LangDictionary, LaterFilesMergeIntoEarlierOnes) {
  TGLangDictionary D;
  Merge(D, "C;ENG\nHello;Hello\nBye;Bye\nHello;ignored duplicate\n");
  Merge(D, "C;FRA;ENG\nHello;Bonjour;\nNew;Nouveau;New\n");
  ASSERT_EQ(D.Languages(), (std::vector<std::string>{"ENG", "FRA"}));
  EXPECT_EQ(D.GetCount(), 3);
  D.SetCurrentLanguage("ENG");
  EXPECT_EQ(D.GetString("$Hello$"), "Hello"); // the later empty cell empties the text
  EXPECT_EQ(D.GetString("$Bye$"), "Bye");
  EXPECT_EQ(D.GetString("$New$"), "New");
  D.SetCurrentLanguage("FRA");
  EXPECT_EQ(D.GetString("$Hello$"), "Bonjour");
  EXPECT_EQ(D.GetString("$Bye$"), "Bye"); // no French text yet: the name
  EXPECT_EQ(D.GetKey(0), "Bye");
  // A file that cannot be read leaves the dictionary as it was.
  EXPECT_THROW(Merge(D, ""), EGException);
  EXPECT_EQ(D.GetCount(), 3);
}

// A translation used as a format: one that matches its arguments is formatted, a faulty one
// shows as it stands.
TEST(LangDictionary, TranslatedFormatsAreChecked) {
  TGLangDictionary& D = LangDictionary();
  const std::string Language = D.CurrentLanguage();
  Merge(D, "Caption;ENG;GER\n"
           "Page %d of %d;Page %d of %d;Seite %d von %d\n"
           "Cargo %d%%;Cargo %d%%;Ladung %s\n");
  D.SetCurrentLanguage("GER");
  EXPECT_EQ(TranslateFormat("$Page %d of %d$", {1, 3}), "Seite 1 von 3");
  EXPECT_EQ(TranslateFormat("$Cargo %d%%$", {50}), "Ladung %s");
  EXPECT_EQ(TranslateFormat("$Not in the dictionary: %d$", {7}), "Not in the dictionary: 7");
  D.SetCurrentLanguage(Language);
  EXPECT_EQ(TranslateFormat("$Cargo %d%%$", {50}), "Cargo 50%");
}
