#include "TempDir.h"
#include "io/UGFileUtils.h"
#include "io/UGNativeFileSystem.h"
#include "object/UGClassBuilder.h"
#include "resources/UGAttributeTable.h"
#include "resources/UGConfig.h"
#include "resources/UGResourceLibrary.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// A resource that keeps a reference to another one in a field.
class THolder : public TGConfig {
  G_CLASS(THolder, TGConfig)
  explicit THolder(TGObject* AOwner = nullptr)
      : TGConfig(AOwner) {}
  TGConfig* Held = nullptr;
  TGConfig* Other = nullptr;
};
G_IMPLEMENT_CLASS(THolder)

class ResourceLibraryTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { RegisterResource(TGConfig::StaticClass(), "cfg", {".cfg"}, 3); }

  void SetUp() override {
    ForceDirectories(Root + "/common/cfg/Menu");
    ForceDirectories(Root + "/eng/cfg/Menu");
    WriteFile(Root + "/common/cfg/Menu/Main.cfg", "<Menu Title='common'/>");
    WriteFile(Root + "/common/cfg/Menu/Options.cfg", "<Menu Title='options'/>");
    WriteFile(Root + "/common/cfg/Broken.cfg", "<Menu");
    WriteFile(Root + "/eng/cfg/Menu/Main.cfg", "<Menu Title='english'/>");
    Library.reset(new TGResourceLibrary(nullptr, true, true));
    Library->SetErrorCallback([this](const std::string& URL, const std::string& Msg) {
      Errors.push_back(URL + ": " + Msg);
    });
    Library->Load(new TGNativeFileSystem(nullptr, Root + "/common"), nullptr, rdtCommon, 0);
  }
  void TearDown() override { Library.reset(); }

  TTempDir Scratch{"hoe-res"};
  const std::string Root = Scratch.Str();
  TGObjectPtr<TGResourceLibrary> Library;
  std::vector<std::string> Errors;
};

} // namespace

TEST_F(ResourceLibraryTest, URLFormsReachTheSameObject) {
  TGResource* A = Library->GetResource("Menu\\Main.cfg");
  EXPECT_EQ(Library->GetResource("menu/MAIN.cfg"), A);
  EXPECT_EQ(Library->GetResource("Menu//Main.CFG"), A);
  EXPECT_EQ(A->URL(), "Menu\\Main.cfg");
  EXPECT_EQ(A->Owner(), Library.get());
  EXPECT_EQ(static_cast<TGConfig*>(A)->XML()->GetStrAttr("Title"), "common");
  EXPECT_EQ(Library->GetCount(), 1);
  EXPECT_TRUE(Library->IsLoaded("MENU\\main.cfg"));
  EXPECT_FALSE(Library->IsLoaded("Menu\\Options.cfg")); // nothing is loaded before it is asked for
}

TEST_F(ResourceLibraryTest, FileNamesByCategoryFolder) {
  EXPECT_EQ(URLToFileName("Menu/Main.cfg"), "cfg\\Menu\\Main.cfg");
  EXPECT_EQ(ResourceClass("x\\y.CFG"), TGConfig::StaticClass());
  EXPECT_EQ(ResourceClass("x\\y.txt"), nullptr);
  try {
    URLToFileName("a.txt");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Invalid resource URL \"a.txt\"");
  }
  try {
    URLToFileName("");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Invalid URL");
  }
  RegisterResource(TGConfig::StaticClass(), "cfg", {".cfg"}); // a second registration is ignored
  try {
    RegisterResource(THolder::StaticClass(), "cfg", {".CFG"});
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Resource class THolder can not register extension .CFG");
  }
}

TEST_F(ResourceLibraryTest, MissingAndBrokenResources) {
  EXPECT_EQ(Library->GetResourceEx("Menu\\Nothing.cfg", false), nullptr);
  try {
    Library->GetResource("Menu\\Nothing.cfg");
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Resource \"Menu\\Nothing.cfg\" not found");
  }
  TGResource* Stub = Library->GetResource("Broken.cfg");
  ASSERT_NE(Stub, nullptr);
  EXPECT_EQ(static_cast<TGConfig*>(Stub)->XML()->AttributeCount(), 0);
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("Broken.cfg: XML parse error"), std::string::npos);
  EXPECT_EQ(Library->GetResource("broken.cfg"), Stub); // no second attempt, no second report
  EXPECT_EQ(Errors.size(), 1u);
}

TEST_F(ResourceLibraryTest, TheLanguageDepositoryComesFirst) {
  Library->Load(new TGNativeFileSystem(nullptr, Root + "/eng"), nullptr, rdtCurrent, 0);
  EXPECT_EQ(
      static_cast<TGConfig*>(Library->GetResource("Menu\\Main.cfg"))->XML()->GetStrAttr("Title"),
      "english");
  EXPECT_EQ(
      static_cast<TGConfig*>(Library->GetResource("Menu\\Options.cfg"))->XML()->GetStrAttr("Title"),
      "options");
  try {
    Library->Load(new TGNativeFileSystem(nullptr, Root + "/eng"), nullptr, rdtCurrent, 0);
    FAIL();
  } catch (const EGException& E) {
    EXPECT_EQ(E.Text(), "Current resources was loaded");
  }
}

TEST_F(ResourceLibraryTest, AddRenameAndReferences) {
  TGResource* Made = Library->CreateResource("Made\\One.cfg", true);
  EXPECT_EQ(Library->GetResource("made\\one.cfg"), Made);
  EXPECT_THROW(Library->CreateResource("Made\\One.cfg", true), EGException);
  EXPECT_THROW(Library->CreateResource("Made\\One.xyz", true), EGException);
  Made->SetURL("Made/Two.cfg");
  EXPECT_FALSE(Library->IsLoaded("Made\\One.cfg"));
  EXPECT_EQ(Library->GetResource("Made\\Two.cfg"), Made);
  TGResource* Other = Library->CreateResource("Made\\Three.cfg", true);
  EXPECT_THROW(Other->SetURL("Made\\Two.cfg"), EGException);

  TGObjectPtr<THolder> Holder(new THolder());
  TGConfig* Target = static_cast<TGConfig*>(Library->GetResource("Menu\\Main.cfg"));
  Holder->SetResource(Holder->Held, Target);
  Holder->SetResource(Holder->Other, Target);
  EXPECT_EQ(Target->RefCount(), 2);
  EXPECT_GE(Holder->HasReferenceTo(&Holder->Held), 0);
  Holder->SetResource(Holder->Other, static_cast<TGConfig*>(nullptr));
  EXPECT_EQ(Target->RefCount(), 1);
  Target->Free(); // a destroyed resource leaves no dangling field and leaves the library
  EXPECT_EQ(Holder->Held, nullptr);
  EXPECT_FALSE(Library->IsLoaded("Menu\\Main.cfg"));
  Library->Clear();
  EXPECT_EQ(Library->GetCount(), 0);
}

TEST_F(ResourceLibraryTest, AttributeRecordsByURL) {
  WriteFile(
      Root + "/common/Attributes.xml",
      "<Attributes><Resource URL='menu/main.cfg'><Audio Volume='5'/><Other/></Resource>"
      "<Resource URL='Empty.cfg'/><Resource URL='Empty.cfg'><Audio/></Resource></Attributes>");
  TGObjectPtr<TGNativeFileSystem> FS(new TGNativeFileSystem(nullptr, Root + "/common"));
  TGObjectPtr<TGAttributeTable> Table(new TGAttributeTable(nullptr, FS.get(), "Attributes.xml"));
  TGXMLNode* Record = Table->Retrieve("Menu\\Main.cfg");
  ASSERT_NE(Record, nullptr);
  EXPECT_EQ(Record->Name(), "Audio");
  EXPECT_EQ(Record->GetIntAttr("Volume"), 5);
  EXPECT_EQ(Table->Retrieve("Empty.cfg"), nullptr); // the first match decides
  EXPECT_EQ(Table->Retrieve("Nothing.cfg"), nullptr);
  TGObjectPtr<TGAttributeTable> None(new TGAttributeTable(nullptr, FS.get(), "Missing.xml"));
  EXPECT_EQ(None->XML()->Name(), "Attributes");
}

namespace {

class TChangeCounter : public TGObject {
  G_CLASS(TChangeCounter, TGObject)
  explicit TChangeCounter(TGObject* AOwner = nullptr)
      : TGObject(AOwner) {}
  void OnChange(TGObject*) { ++Count; }
  int Count = 0;
};
G_IMPLEMENT_CLASS(TChangeCounter)

} // namespace

TEST_F(ResourceLibraryTest, ChangedFilesAreReloadedOnce) {
  auto* Main = static_cast<TGConfig*>(Library->GetResource("Menu\\Main.cfg"));
  TGObjectPtr<TChangeCounter> Counter(new TChangeCounter());
  TGObject::Subscribe(TGNotification(Main, &TGResource::NotifyChange),
                      TGNotifyEvent(Counter.get(), &TChangeCounter::OnChange));
  TGResourceDepository* Depository = Library->CommonDepository();
  Library->SetAllowHotLoad(true);
  ASSERT_TRUE(Depository->AllowHotLoad());
  WriteFile(Root + "/common/cfg/Menu/Main.cfg", "<Menu Title='changed'/>");
  WriteFile(Root + "/common/cfg/Menu/Options.cfg", "<Menu Title='not loaded'/>");
  for (int I = 0; I < 200 && Counter->Count == 0; ++I) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Depository->UpdateChangedFiles();
  }
  EXPECT_EQ(Counter->Count, 1);
  EXPECT_EQ(Main->XML()->GetStrAttr("Title"), "changed");
  EXPECT_FALSE(Library->IsLoaded("Menu\\Options.cfg")); // only loaded resources reload
  // A resource told to ignore its next change is not reloaded that once.
  Main->IgnoreNextChangeNotify = true;
  WriteFile(Root + "/common/cfg/Menu/Main.cfg", "<Menu Title='again'/>");
  for (int I = 0; I < 50; ++I) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Depository->UpdateChangedFiles();
  }
  EXPECT_EQ(Counter->Count, 1);
  EXPECT_FALSE(Main->IgnoreNextChangeNotify);
  EXPECT_EQ(Main->XML()->GetStrAttr("Title"), "changed");
  Library->SetAllowHotLoad(false);
  EXPECT_FALSE(Depository->AllowHotLoad());
}
