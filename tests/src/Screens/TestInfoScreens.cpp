// The credits, help and high-score screens over the demo content, in the test process: how each
// closes (its button, Escape on the credits only, a quit request) and ends its modal run, the
// audio paused with the program's focus, the high-score table written into the rows, and the
// demo's window files with the widgets the screens need and texts that fit in both languages.
#include "HeadlessDevice.h"
#include "Screens/UCreditsScreen.h"
#include "Screens/UHelpScreen.h"
#include "Screens/UHighScoresScreen.h"
#include "TempDir.h"
#include "TestWindowHost.h"
#include "app/UGApp.h"
#include "app/UGClassTables.h"
#include "audio/UGAudio.h"
#include "drawables/UGGraphic.h"
#include "io/UGNativeFileSystem.h"
#include "platform/UAudioMixer.h"
#include "player/UGameData.h"
#include "player/UHighScores.h"
#include "resources/UGLangDictionary.h"
#include "resources/UGResourceLibrary.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"
#include "widgets/UGWindowHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

// Runs the frames of a screen made by the test until it hides (at most Frames).
void RunUntilHidden(TFadeWindow* W, int Frames = 200) {
  for (int I = 0; I < Frames && W->Visible(); ++I) {
    W->UpdateTree(0.02f);
  }
}

class InfoScreenTest : public THeadlessSceneTest {
protected:
  void SetUp() override {
    THeadlessSceneTest::SetUp();
    AppIsClosing = false;
    UseContent(HOE_CONTENT);
  }
  void TearDown() override {
    AppIsClosing = false;
    LangDictionary().SetCurrentLanguage("ENG");
    Data.reset();
    SetMainResourceLibrary(nullptr);
    Library.reset();
    THeadlessSceneTest::TearDown();
  }
  // The program's resource library over a content folder.
  void UseContent(const std::string& Folder) {
    RegisterEngineClasses();
    SetMainResourceLibrary(nullptr);
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->Load(new TGNativeFileSystem(nullptr, Folder), nullptr, rdtCommon, 0);
    SetMainResourceLibrary(Library.get());
  }
  // Game data whose high scores are the given "Node" elements.
  void UseHighScores(const std::string& Nodes) {
    std::ofstream(Dir.File("HighScores.xml")) << "<HighScores>" << Nodes << "</HighScores>";
    Data.reset(new TGameData(nullptr, Dir.Str()));
  }
  TGWindow* Template(const std::string& URL) {
    return ObjectCast<TGWindow>(Library->GetResource(URL));
  }
  static std::string LabelData(const TGWidget* W, const std::string& Path) {
    const auto* L = TryObjectCast<TGLabel>(W->FindWidget(Path));
    return L ? L->Data() : "(no label " + Path + ")";
  }
  static std::string Shown(const TGWidget* W, const std::string& Path) {
    const auto* L = TryObjectCast<TGLabel>(W->FindWidget(Path));
    return L ? L->Text()->FormattedData() : "(no label " + Path + ")";
  }

  TGObjectPtr<TGResourceLibrary> Library;
  TTempDir Dir{"hoe-info-screens"};
  TGObjectPtr<TGameData> Data;
  TModalWindowHost Host;
};

const char* const CCells[] = {"Name", "Score", "Time", "Zephrins"};

std::string Entry(const std::string& Player, int Scores, int Time, int Zephrins) {
  return "<Node GUID=\"" + Player + "-guid\" Player=\"" + Player + "\" Scores=\"" +
         std::to_string(Scores) + "\" Time=\"" + std::to_string(Time) + "\" Ankhs=\"" +
         std::to_string(Zephrins) + "\"/>";
}

// --- The high-score table ----------------------------------------------------------------------

TEST_F(InfoScreenTest, ThreeEntriesFillTheFirstThreeRowsOnly) {
  UseHighScores(Entry("Ada", 1500, 3725, 7) + Entry("Bo", 999, 59, 0) + Entry("Cy", 12, 0, 3));
  TGObjectPtr<THighScoresScreen> S(New<THighScoresScreen>());
  TGWindow* File = Template(THighScoresScreen::CTemplateURL);

  EXPECT_EQ(LabelData(S.get(), "Score\\01\\Name"), "Ada");
  EXPECT_EQ(LabelData(S.get(), "Score\\01\\Score"), "1$,$500");
  EXPECT_EQ(Shown(S.get(), "Score\\01\\Score"), "1,500"); // the dictionary's separator
  EXPECT_EQ(LabelData(S.get(), "Score\\01\\Time"), "01:02:05");
  EXPECT_EQ(LabelData(S.get(), "Score\\01\\Zephrins"), "7");
  EXPECT_EQ(LabelData(S.get(), "Score\\02\\Score"), "999");
  EXPECT_EQ(LabelData(S.get(), "Score\\02\\Time"), "00:00:59");
  EXPECT_EQ(LabelData(S.get(), "Score\\03\\Name"), "Cy");
  EXPECT_EQ(LabelData(S.get(), "Score\\03\\Zephrins"), "3");
  // The rows without an entry show what the window file gives them.
  for (int I = 3; I < THighScoresScreen::CRowCount; ++I) {
    for (const char* Cell : CCells) {
      const std::string Path = THighScoresScreen::RowPath(I) + "\\" + Cell;
      EXPECT_EQ(LabelData(S.get(), Path), LabelData(File, Path)) << Path;
    }
  }
}

TEST_F(InfoScreenTest, TheSeparatorAndTheRowsFollowTheLanguage) {
  LangDictionary().SetCurrentLanguage("FRA");
  UseHighScores(Entry("Ada", 123456, 360000, 12));
  TGObjectPtr<THighScoresScreen> S(New<THighScoresScreen>());
  EXPECT_EQ(Shown(S.get(), "Score\\01\\Score"), "123 456");
  EXPECT_EQ(LabelData(S.get(), "Score\\01\\Time"), "100:00:00");
  EXPECT_EQ(ObjectCast<TGButton>(S->GetWidget("BtnDone"))->GetCaption(), "$InfoDone$");
}

TEST_F(InfoScreenTest, NamesShowAsTheyAreAndBrokenTimesAsZero) {
  // A "$" of a name would open a dictionary key: "$InfoBack$" must not turn into "Back".
  UseHighScores(Entry("$InfoBack$", 5, -40, 1) + Entry("Cash $", 4, 7200, 0));
  TGObjectPtr<THighScoresScreen> S(New<THighScoresScreen>());
  EXPECT_EQ(Shown(S.get(), "Score\\01\\Name"), "$InfoBack$");
  EXPECT_EQ(Shown(S.get(), "Score\\02\\Name"), "Cash $");
  EXPECT_EQ(LabelData(S.get(), "Score\\01\\Time"), "00:00:00");
  EXPECT_EQ(LabelData(S.get(), "Score\\02\\Time"), "02:00:00");
}

TEST_F(InfoScreenTest, ASeededTableFillsAllTenRows) {
  Data.reset(new TGameData(nullptr, Dir.Str())); // no file yet: 30 entries seeded
  TGObjectPtr<THighScoresScreen> S(New<THighScoresScreen>());
  for (int I = 0; I < THighScoresScreen::CRowCount; ++I) {
    EXPECT_EQ(LabelData(S.get(), THighScoresScreen::RowPath(I) + "\\Name"), "Player") << I;
    EXPECT_EQ(LabelData(S.get(), THighScoresScreen::RowPath(I) + "\\Time"), "00:00:00") << I;
  }
}

TEST_F(InfoScreenTest, WithoutATableTheRowsKeepTheWindowFile) {
  TGWindow* File = Template(THighScoresScreen::CTemplateURL);
  auto ExpectUntouched = [&](const THighScoresScreen& S) {
    for (int I = 0; I < THighScoresScreen::CRowCount; ++I) {
      const std::string Path = THighScoresScreen::RowPath(I) + "\\Name";
      EXPECT_EQ(LabelData(&S, Path), LabelData(File, Path)) << Path;
    }
  };
  ASSERT_EQ(GameData, nullptr);
  ExpectUntouched(*TGObjectPtr<THighScoresScreen>(New<THighScoresScreen>()));

  // The data folder lies below a file: the table can be neither read nor written.
  std::ofstream(Dir.File("blocker")) << "not a folder";
  Data.reset(new TGameData(nullptr, Dir.File("blocker/data")));
  ExpectUntouched(*TGObjectPtr<THighScoresScreen>(New<THighScoresScreen>()));
}

TEST_F(InfoScreenTest, RowPathsAndTimes) {
  EXPECT_EQ(THighScoresScreen::RowPath(0), "Score\\01");
  EXPECT_EQ(THighScoresScreen::RowPath(9), "Score\\10");
  EXPECT_EQ(THighScoresScreen::TimeText(3725), "01:02:05");
  EXPECT_EQ(THighScoresScreen::TimeText(0), "00:00:00");
  EXPECT_EQ(THighScoresScreen::TimeText(86399), "23:59:59");
  EXPECT_EQ(THighScoresScreen::TimeText(-1), "00:00:00");
}

// --- Closing
// ---------------------------------------------------------------------------------------

TEST_F(InfoScreenTest, EscapeClosesTheCreditsButNotTheHelp) {
  TGObjectPtr<TCreditsScreen> Credits(New<TCreditsScreen>());
  TGObjectPtr<THelpScreen> Help(New<THelpScreen>());
  TGObjectPtr<THighScoresScreen> Scores(New<THighScoresScreen>());
  for (TFadeWindow* W : std::vector<TFadeWindow*>{Credits.get(), Help.get(), Scores.get()}) {
    EXPECT_EQ(W->FadeSpeed, 700);
    W->SetFadeValue(255);
    W->KeyDown(VK_ESCAPE);
  }
  EXPECT_EQ(Credits->FadeState(), fwsFadeOut);
  EXPECT_TRUE(Credits->HideAfterFadeOut());
  EXPECT_FALSE(Credits->LockUpdate());
  EXPECT_EQ(Help->FadeState(), fwsNone);
  EXPECT_EQ(Scores->FadeState(), fwsNone);

  RunUntilHidden(Credits.get());
  RunUntilHidden(Help.get(), 50);
  EXPECT_FALSE(Credits->Visible());
  EXPECT_EQ(Credits->FadeValue(), 0);
  EXPECT_TRUE(Help->Visible());
  EXPECT_EQ(Help->FadeValue(), 255);
}

TEST_F(InfoScreenTest, EscapeReachesTheCreditsEvenWithAFocusedButton) {
  TGObjectPtr<TCreditsScreen> Credits(New<TCreditsScreen>());
  TGWidget* Back = Credits->GetWidget(TCreditsScreen::CBackURL);
  Back->SetAllowFocus(true);
  Credits->SetFocusedWidget(Back);
  Credits->KeyDown(VK_ESCAPE);
  EXPECT_EQ(Credits->FadeState(), fwsFadeOut);
}

// Each screen faded in and run modally by class: the button (credits and help on the mouse going
// down, high scores on a whole click) fades it to black and ends the run.
TEST_F(InfoScreenTest, TheButtonsFadeOutAndEndTheModalRun) {
  struct TCase {
    TGClass Class;
    const char* Button;
    bool OnMouseDown;
  };
  for (const TCase& C : {TCase{TCreditsScreen::StaticClass(), "BtnBack", true},
                         TCase{THelpScreen::StaticClass(), "BtnBack", true},
                         TCase{THighScoresScreen::StaticClass(), "BtnDone", false}}) {
    SCOPED_TRACE(C.Class->Name);
    float ValueAtPress = -1;
    TFadeWindowState StateAfterDown = fwsNone;
    float LastValue = -1;
    Host.OnFrame = [&](TGWindow* W, int Frame) {
      auto* F = ObjectCast<TFadeWindow>(W);
      LastValue = F->FadeValue();
      if (Frame != 40) {
        return;
      }
      ValueAtPress = F->FadeValue();
      Host.PointAt(W, W->GetWidget(C.Button));
      W->MouseDown(mbLeft);
      StateAfterDown = F->FadeState();
      W->MouseUp(mbLeft);
    };
    TFadeWindow::CreateFadeAndFree(C.Class, false);
    EXPECT_TRUE(Host.Ended);
    EXPECT_EQ(ValueAtPress, 255); // faded in and waiting for the player
    EXPECT_EQ(StateAfterDown, C.OnMouseDown ? fwsFadeOut : fwsNone);
    EXPECT_EQ(LastValue, 0); // black before it went
    EXPECT_GT(Host.Frames, 50);
    EXPECT_LT(Host.Frames, 120);
  }
}

TEST_F(InfoScreenTest, ShownWithoutFadeTheScreensCloseTheSameWay) {
  Host.OnFrame = [&](TGWindow* W, int Frame) {
    if (Frame == 5) {
      Host.PointAt(W, W->GetWidget("BtnBack"));
      W->MouseDown(mbRight); // any button goes down on "back"
    }
  };
  TGWidget::CreateShowAndFree(THelpScreen::StaticClass());
  EXPECT_TRUE(Host.Ended);
  EXPECT_LT(Host.Frames, 40);
}

TEST_F(InfoScreenTest, AQuitRequestFadesEveryScreenOut) {
  for (TGClass Class : {TCreditsScreen::StaticClass(), THelpScreen::StaticClass(),
                        THighScoresScreen::StaticClass()}) {
    SCOPED_TRACE(Class->Name);
    AppIsClosing = false;
    Host.OnFrame = [&](TGWindow*, int Frame) {
      if (Frame == 10) {
        AppIsClosing = true; // while the fade-in still runs
      }
    };
    TFadeWindow::CreateFadeAndFree(Class, false);
    EXPECT_TRUE(Host.Ended);
    EXPECT_LT(Host.Frames, 60);
  }
}

TEST_F(InfoScreenTest, AHiddenScreenStaysHiddenWhileTheQuitGoesOn) {
  TGObjectPtr<THelpScreen> Help(New<THelpScreen>());
  Help->SetFadeValue(255);
  AppIsClosing = true;
  RunUntilHidden(Help.get());
  ASSERT_FALSE(Help->Visible());
  for (int I = 0; I < 10; ++I) {
    Help->UpdateTree(0.02f);
  }
  EXPECT_EQ(Help->FadeState(), fwsNone);
  EXPECT_FALSE(Help->Visible());
}

TEST_F(InfoScreenTest, CreditsAndHelpPauseTheAudioWhileTheProgramIsInTheBackground) {
  TGObjectPtr<TGAudioDevice> Audio(new TGAudioDevice(nullptr, TMixOutput::Buffer));
  TGObjectPtr<TCreditsScreen> Credits(New<TCreditsScreen>());
  TGObjectPtr<THelpScreen> Help(New<THelpScreen>());
  for (TFadeWindow* W : std::vector<TFadeWindow*>{Credits.get(), Help.get()}) {
    W->ApplicationDeactivateHelper();
    EXPECT_TRUE(Audio->Paused());
    EXPECT_TRUE(W->Paused()); // the fade window's own handling still runs
    W->ApplicationActivateHelper();
    EXPECT_FALSE(Audio->Paused());
    EXPECT_FALSE(W->Paused());
  }
}

TEST_F(InfoScreenTest, TheCreditsShowThePointer) {
  TGObjectPtr<TCreditsScreen> Credits(New<TCreditsScreen>());
  ASSERT_TRUE(Credits->Cursor());
  EXPECT_EQ(Credits->Cursor()->URL(), TCreditsScreen::CCursorURL);
}

// --- Bad content --------------------------------------------------------------------------------

TEST_F(InfoScreenTest, MissingOrBrokenWindowFilesGiveClearErrors) {
  TTempDir Content("hoe-info-content");
  std::filesystem::create_directories(Content.Path() / "win");
  std::ofstream(Content.File("win/HelpScreen.win")) << "<Widget ClassName=\"TGWindow\"";
  std::ofstream(Content.File("win/HighScoresScreen.win"))
      << "<Widget ClassName=\"TGWindow\" Name=\"Scores\" Left=\"0\" Top=\"0\" Width=\"800\" "
         "Height=\"600\"/>";
  UseContent(Content.Str());
  EXPECT_ERROR_TEXT(New<TCreditsScreen>(), "Resource \"CreditsScreen.win\" not found");
  EXPECT_ERROR_TEXT(New<THelpScreen>(), "Widget \"BtnBack\" not found in \"\"");
  EXPECT_ERROR_TEXT(New<THighScoresScreen>(), "Widget \"BtnDone\" not found in \"Scores\"");
  // Shown by class, the failure reaches the caller and nothing stays behind.
  EXPECT_THROW(TFadeWindow::CreateFadeAndFree(TCreditsScreen::StaticClass(), false),
               std::exception);

  SetMainResourceLibrary(nullptr);
  EXPECT_ERROR_TEXT(New<TCreditsScreen>(),
                    "The window file \"CreditsScreen.win\" cannot be read: there is no resource "
                    "library");
}

// --- The demo's window files --------------------------------------------------------------------

TEST_F(InfoScreenTest, TheDemoWindowFilesHoldEveryWidgetTheScreensUse) {
  EXPECT_TRUE(TryObjectCast<TGButton>(Template("CreditsScreen.win")->FindWidget("BtnBack")));
  EXPECT_TRUE(TryObjectCast<TGButton>(Template("HelpScreen.win")->FindWidget("BtnBack")));
  TGWindow* Scores = Template("HighScoresScreen.win");
  EXPECT_TRUE(TryObjectCast<TGButton>(Scores->FindWidget("BtnDone")));
  for (int I = 0; I < THighScoresScreen::CRowCount; ++I) {
    for (const char* Cell : CCells) {
      const std::string Path = THighScoresScreen::RowPath(I) + "\\" + Cell;
      EXPECT_TRUE(TryObjectCast<TGLabel>(Scores->FindWidget(Path))) << Path;
    }
  }
  EXPECT_FALSE(Scores->FindWidget("Score\\11")); // ten rows, no more
  EXPECT_TRUE(TryObjectCast<TGGraphic>(Library->GetResource(TCreditsScreen::CCursorURL)));
}

// Every widget below W lies inside its parent.
void ExpectInsideParents(const TGWidget* W, const std::string& Path) {
  for (const TGWidget* Child : W->Children()) {
    const std::string ChildPath = Path + "\\" + Child->Name();
    EXPECT_GE(Child->Left(), 0) << ChildPath;
    EXPECT_GE(Child->Top(), 0) << ChildPath;
    EXPECT_LE(Child->Left() + Child->Width(), W->Width()) << ChildPath;
    EXPECT_LE(Child->Top() + Child->Height(), W->Height()) << ChildPath;
    ExpectInsideParents(Child, ChildPath);
  }
}

TEST_F(InfoScreenTest, TheDemoWindowsFitTheScreen) {
  for (const char* URL : {"CreditsScreen.win", "HelpScreen.win", "HighScoresScreen.win"}) {
    TGWindow* W = Template(URL);
    EXPECT_EQ(W->Width(), 800) << URL;
    EXPECT_EQ(W->Height(), 600) << URL;
    ExpectInsideParents(W, URL);
  }
}

// Every label of the windows in the list, depth first.
void CollectLabels(TGWidget* W, std::vector<TGLabel*>& Labels) {
  if (auto* L = TryObjectCast<TGLabel>(W)) {
    Labels.push_back(L);
  }
  for (TGWidget* Child : W->Children()) {
    CollectLabels(Child, Labels);
  }
}

// A ";" inside a text splits its row: the rest of the text becomes the next language's, and the
// cells after it a row of their own.
TEST(InfoScreenContent, EveryDictionaryLineHoldsOneTextPerLanguage) {
  std::ifstream File(std::string(HOE_CONTENT) + "/Dictionary.csv", std::ios::binary);
  ASSERT_TRUE(File);
  std::string Line;
  std::getline(File, Line);
  const auto Cells = std::count(Line.begin(), Line.end(), ';');
  for (int Number = 2; std::getline(File, Line); ++Number) {
    if (Line.find('"') == std::string::npos) { // quoted cells may hold separators
      EXPECT_EQ(std::count(Line.begin(), Line.end(), ';'), Cells) << "line " << Number;
    }
  }
}

// The dictionary keys a text names ("$Key$").
std::vector<std::string> KeysOf(const std::string& Text) {
  std::vector<std::string> Keys;
  for (size_t Open = Text.find('$'); Open != std::string::npos;) {
    const size_t Close = Text.find('$', Open + 1);
    if (Close == std::string::npos) {
      break;
    }
    Keys.push_back(Text.substr(Open + 1, Close - Open - 1));
    Open = Text.find('$', Close + 1);
  }
  return Keys;
}

// A key without a translation in the current language shows its own name.
bool Translated(const std::string& Key) {
  const std::string Shown = LangDictionary().GetString("$" + Key + "$");
  return !Shown.empty() && Shown != Key;
}

// Every key the labels and buttons name has a translation in both languages, and every text
// fits its label: as many lines as the label's height holds, no word wider than the label.
TEST_F(InfoScreenTest, TheDemoTextsAreTranslatedAndFitTheirLabels) {
  for (const char* Language : {"ENG", "FRA"}) {
    LangDictionary().SetCurrentLanguage(Language);
    for (const char* URL : {"CreditsScreen.win", "HelpScreen.win", "HighScoresScreen.win"}) {
      TGObjectPtr<TGWindow> W(New<TGWindow>());
      W->LoadFromTemplate(Template(URL));
      std::vector<TGLabel*> Labels;
      CollectLabels(W.get(), Labels);
      ASSERT_FALSE(Labels.empty()) << URL;
      for (TGLabel* L : Labels) {
        SCOPED_TRACE(std::string(Language) + " " + URL + " " + L->Name());
        L->SetData(std::string(L->Data())); // translated anew in this language
        for (const std::string& Key : KeysOf(L->Data())) {
          EXPECT_TRUE(Translated(Key)) << Key;
        }
        const std::string& Text = L->Text()->FormattedData();
        ASSERT_TRUE(L->Font());
        const auto& Lines = L->Text()->GetFormattedText();
        const float Needed =
            static_cast<float>(Lines.size()) * L->Font()->Height() * L->LineSpacing();
        EXPECT_LE(Needed, L->Height() + 0.5f) << Text;
        for (const auto& Line : Lines) {
          ASSERT_FALSE(Line.empty());
          EXPECT_LE(Line.front().Width, L->Width()) << Text;
        }
      }
      for (const char* Button : {"BtnBack", "BtnDone"}) {
        if (auto* B = TryObjectCast<TGButton>(W->FindWidget(Button))) {
          for (const std::string& Key : KeysOf(B->GetCaption())) {
            EXPECT_TRUE(Translated(Key)) << Key;
          }
        }
      }
    }
  }
}

} // namespace
