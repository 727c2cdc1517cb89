#include "app/UGApplication.h"
#include "base/UGRandom.h"
#include "object/UGClassBuilder.h"
#include "objects/UGameObject.h"
#include "script/UDynProperties.h"
#include "script/UObjectWrapper.h"
#include "script/UScriptObjects.h"
#include "script/UScriptProcessor.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

enum TMood { mdCalm, mdHappy, mdAngry };

} // namespace

G_DECLARE_ENUM(TMood);
G_ENUM_INFO(TMood, "mdCalm", "mdHappy", "mdAngry")

namespace {

// A small object model for scripts.
class TParrot : public TGameObject {
  G_CLASS(TParrot, TGameObject)
  explicit TParrot(TGObject* AOwner = nullptr)
      : TGameObject(AOwner) {}

  int32_t Words() const { return FWords; }
  void SetWords(int32_t V) { FWords = V; }
  TMood Mood() const { return FMood; }
  void SetMood(TMood V) { FMood = V; }
  TParrot* Friend() const { return FFriend; }
  void SetFriend(TParrot* V) { FFriend = V; }
  float Weight() const { return 1.25f; }
  std::string Caption() const { return "parrot caption"; } // hides the parent's on purpose

  std::string Say(const std::string& Text, int32_t Times, bool Loud) {
    std::string Out;
    for (int I = 0; I < Times; ++I) {
      Out += Loud ? UpperText(Text) : Text;
    }
    return Out;
  }
  int32_t Befriend(TParrot* Other) {
    FFriend = Other;
    return Other ? Other->Words() : -1;
  }
  double Half(double V) { return V / 2; }
  int32_t Fail() { throw Error("parrot refused"); }
  std::string GetStrAttr(const std::string& Name) const { return "own:" + Name; }

  static void Publish(TGClassBuilder<TParrot>& B) {
    B.Property("Words", &TParrot::Words, &TParrot::SetWords)
        .Property("Mood", &TParrot::Mood, &TParrot::SetMood)
        .Property("Friend", &TParrot::Friend, &TParrot::SetFriend)
        .Property("Weight", &TParrot::Weight)
        .Method("Say", &TParrot::Say)
        .Method("Befriend", &TParrot::Befriend)
        .Method("Half", &TParrot::Half)
        .Method("Fail", &TParrot::Fail)
        .Method("GetStrAttr", &TParrot::GetStrAttr);
  }

  int32_t FWords = 0;
  TMood FMood = mdCalm;
  TParrot* FFriend = nullptr;

private:
  static std::string UpperText(std::string S) {
    for (char& C : S) {
      C = static_cast<char>(toupper(static_cast<unsigned char>(C)));
    }
    return S;
  }
};
G_IMPLEMENT_CLASS(TParrot)

class ScriptProcessorTest : public ::testing::Test {
protected:
  void SetUp() override {
    Errors.clear();
    TScriptProcessor::SetErrorReporter(
        [this](const std::string&, const std::string& Text) { Errors.push_back(Text); });
    Processor.reset(New<TScriptProcessor>(nullptr));
    Polly.reset(new TParrot());
    Polly->SetID("Polly");
    Polly->FWords = 12;
    Rio.reset(new TParrot());
    Rio->SetID("Rio");
    Rio->FWords = 3;
  }
  void TearDown() override {
    Processor.reset();
    TScriptProcessor::SetErrorReporter(nullptr);
  }

  TGVariant Eval(const std::string& Expression) {
    TGVariant R;
    Processor->Eval(Expression, R);
    return R;
  }

  std::vector<std::string> Errors;
  TGObjectPtr<TScriptProcessor> Processor;
  TGObjectPtr<TParrot> Polly;
  TGObjectPtr<TParrot> Rio;
};

} // namespace

TEST_F(ScriptProcessorTest, EvaluatesCodeAndReportsErrorsWithoutRaising) {
  EXPECT_TRUE(Eval("").IsEmpty());
  EXPECT_EQ(Eval("1+2").ToInteger(), 3);
  EXPECT_EQ(Eval("1+2").VType(), varInteger);
  EXPECT_EQ(Eval("0.5").VType(), varDouble);
  EXPECT_EQ(Eval("4294967296").VType(), varDouble);
  EXPECT_EQ(Eval("'x'").VType(), varOleStr);
  EXPECT_EQ(Eval("true").VType(), varBoolean);
  Processor->AddCode("function twice(x) { return x * 2; } var base = 20;");
  EXPECT_EQ(Eval("twice(base)").ToInteger(), 40);
  EXPECT_TRUE(Eval("nosuchfunction()").IsEmpty());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Errors[0].rfind("Expression: nosuchfunction()\r\nException class: EScriptError\r\n"
                            "Message: ",
                            0),
            0u);
  EXPECT_THROW(Processor->AddCode("function ("), EGException);
}

TEST_F(ScriptProcessorTest, WrappersKeepIdentityAndMemberOrder) {
  Processor->AddObject("Polly", Polly.get(), false, nullptr);
  Processor->AddObject("Rio", Rio.get(), false, nullptr);
  Processor->AddObject("Bird", Polly.get(), true, nullptr);
  EXPECT_TRUE(Eval("O.Polly == O.polly").ToBoolean()); // names in "O" ignore case
  EXPECT_TRUE(Eval("O.Polly === O.POLLY").ToBoolean());
  EXPECT_FALSE(Eval("O.Polly == O.Rio").ToBoolean());
  EXPECT_TRUE(Eval("O.NoSuchObject == O.UndefinedObject").ToBoolean());
  EXPECT_EQ(Eval("O.NoSuchObject.ID").ToString(), "UndefinedObject");
  EXPECT_TRUE(Errors.empty());
  // Properties first: the subclass's own method wins over the parent's of the same name.
  EXPECT_EQ(Eval("O.Polly.GetStrAttr('x')").ToString(), "own:x");
  EXPECT_EQ(Eval("O.Polly.Caption").ToString(), "");
  // Member names are case-sensitive.
  EXPECT_TRUE(Eval("O.Polly.words").IsEmpty());
  EXPECT_EQ(Errors.size(), 1u);
  EXPECT_EQ(Eval("Bird.Words").ToInteger(), 12);
  // Registering a global twice re-points the wrapper it already has.
  TObjectWrapper* Before = Processor->AddObject("Bird", Rio.get(), true, nullptr);
  EXPECT_EQ(Processor->AddObject("Bird", Rio.get(), true, nullptr), Before);
  EXPECT_EQ(Eval("Bird.Words").ToInteger(), 3);
  EXPECT_THROW(Processor->AddObject("polly", Rio.get(), false, nullptr), EGException);
}

TEST_F(ScriptProcessorTest, ReadingThroughOMarksObjectsChanged) {
  Processor->AddObject("Polly", Polly.get(), false, nullptr);
  EXPECT_FALSE(Polly->Changed());
  Eval("O.Polly");
  EXPECT_TRUE(Polly->Changed());
}

TEST_F(ScriptProcessorTest, PropertiesConvertAndCheckTheirKinds) {
  Processor->AddObject("Polly", Polly.get(), true, nullptr);
  Processor->AddObject("Rio", Rio.get(), true, nullptr);
  Eval("Polly.Words = '41'");
  EXPECT_EQ(Polly->FWords, 41);
  Eval("Polly.Words = 2.5");
  EXPECT_EQ(Polly->FWords, 2);
  Eval("Polly.Words = true");
  EXPECT_EQ(Polly->FWords, -1);
  Eval("Polly.Mood = 'mdAngry'");
  EXPECT_EQ(Polly->FMood, mdAngry);
  Eval("Polly.Mood = 1");
  EXPECT_EQ(Polly->FMood, mdHappy);
  EXPECT_EQ(Eval("Polly.Mood").ToInteger(), 1);
  EXPECT_FLOAT_EQ(Eval("Polly.Weight").ToSingle(), 1.25f);
  EXPECT_TRUE(Errors.empty());
  Eval("Polly.Weight = 3");
  Eval("Polly.Mood = 'mdSleepy'");
  Eval("Polly.Say = 1");
  EXPECT_EQ(Errors.size(), 3u);

  Eval("Polly.Friend = Rio");
  EXPECT_EQ(Polly->FFriend, Rio.get());
  EXPECT_TRUE(Eval("Polly.Friend == Rio").ToBoolean());
  EXPECT_EQ(Eval("Polly.Friend.Words").ToInteger(), 3);
  Processor->AddObject("Stranger", Processor.get(), true, nullptr);
  Eval("Polly.Friend = Stranger");
  EXPECT_EQ(Polly->FFriend, Rio.get());
  EXPECT_EQ(Errors.size(), 4u);
  Eval("Polly.Friend = null");
  EXPECT_EQ(Polly->FFriend, nullptr);
  EXPECT_TRUE(Eval("Polly.Friend === null").ToBoolean());
}

TEST_F(ScriptProcessorTest, MethodCallsConvertArguments) {
  Processor->AddObject("Polly", Polly.get(), true, nullptr);
  Processor->AddObject("Rio", Rio.get(), true, nullptr);
  EXPECT_EQ(Eval("Polly.Say('ab', 2, true)").ToString(), "ABAB");
  EXPECT_EQ(Eval("Polly.Say('ab', '3', false)").ToString(), "ababab");
  EXPECT_EQ(Eval("Polly.Say('ab')").ToString(), ""); // undefined: 0 and false
  EXPECT_DOUBLE_EQ(Eval("Polly.Half(5)").ToDouble(), 2.5);
  EXPECT_EQ(Eval("Polly.Befriend(Rio)").ToInteger(), 3);
  EXPECT_EQ(Polly->FFriend, Rio.get());
  EXPECT_TRUE(Errors.empty());

  Eval("Polly.Say(null, 1, true)");
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("Type mismatch in parameter 1 for method Say"), std::string::npos);
  // An object of the wrong class is a type mismatch, not a silent success.
  Processor->AddObject("Stranger", Processor.get(), true, nullptr);
  Polly->FFriend = nullptr;
  Eval("Polly.Befriend(Stranger)");
  EXPECT_EQ(Polly->FFriend, nullptr);
  EXPECT_NE(Errors.back().find("Type mismatch in parameter 1 for method Befriend"),
            std::string::npos);
  Eval("Polly.Befriend([1])");
  EXPECT_EQ(Errors.size(), 3u);
  Eval("Polly.Fail()");
  EXPECT_NE(Errors.back().find("parrot refused"), std::string::npos);
  EXPECT_EQ(Eval("try { Polly.Fail() } catch (e) { 'caught' }").ToString(), "caught");
}

TEST_F(ScriptProcessorTest, FreedObjectsGiveScriptErrors) {
  Processor->AddObject("Rio", Rio.get(), true, nullptr);
  Eval("var kept = Rio;");
  Rio.reset();
  EXPECT_TRUE(Eval("kept.Words").IsEmpty());
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("no longer exists"), std::string::npos);
  EXPECT_EQ(Eval("1").ToInteger(), 1);
}

TEST_F(ScriptProcessorTest, MetaPropertiesAndArrays) {
  TDynProperties* Props = new TDynProperties();
  Props->AddProperty("Counter", TGVariant(int32_t{5}));
  Props->AddProperty("Label", TGVariant("text"));
  Props->AddProperty("Items", TGVariant());
  Processor->AddObject("Harbour", Polly.get(), true, Props);
  EXPECT_EQ(Eval("Harbour.counter + 1").ToInteger(), 6);
  Eval("Harbour.Label = 7");
  EXPECT_EQ(Props->GetProp("Label").ToInteger(), 7);
  Eval("Harbour.Items = [1, 'two', [3, true], \"q\\\"x\"]");
  TGVariant Items = Props->GetProp("Items");
  ASSERT_EQ(Items.VType(), varDispatch);
  EXPECT_EQ(TJSArrayWrapper(Items).GetLength(), 4);
  EXPECT_EQ(TJSArrayWrapper(Items).Item(1).ToString(), "two");
  EXPECT_TRUE(Eval("Harbour.Items === Harbour.Items").ToBoolean());
  EXPECT_TRUE(Errors.empty());
  Eval("Harbour.Items = {a: 1}");
  ASSERT_EQ(Errors.size(), 1u);
  EXPECT_NE(Errors[0].find("Not implemented"), std::string::npos);

  // Saved arrays reload as equal arrays, strings included.
  TGObjectPtr<TGXMLNode> Saved(Props->SaveToXML(nullptr));
  TGObjectPtr<TDynProperties> Loaded(new TDynProperties());
  Loaded->LoadFromXML(Saved.get());
  TGVariant Back = Loaded->GetProp("Items");
  ASSERT_EQ(Back.VType(), varDispatch);
  EXPECT_EQ(Back.ToString(), "1,\"two\",[3,true],\"q\\\"x\"");
  // Arrays survive a reset of the engine.
  Processor->Clear();
  EXPECT_EQ(TJSArrayWrapper(Back).GetLength(), 4);
  EXPECT_EQ(TJSArrayWrapper(Items).Item(0).ToInteger(), 1);
}

TEST_F(ScriptProcessorTest, ClearDropsCodeAndObjects) {
  Processor->AddObject("Polly", Polly.get(), true, nullptr);
  Processor->AddObject("Rio", Rio.get(), false, nullptr);
  Processor->AddCode("var leftover = 1;");
  Processor->Clear();
  EXPECT_TRUE(Eval("typeof leftover").ToString() == "undefined");
  EXPECT_TRUE(Eval("typeof Polly").ToString() == "undefined");
  EXPECT_TRUE(Eval("O.Rio == O.UndefinedObject").ToBoolean());
  EXPECT_EQ(Processor->Wrappers()->GetCount(), 0);
}

TEST_F(ScriptProcessorTest, MathRandomUsesTheProgramsGenerator) {
  GlobalRandom().SetSeed(77);
  double A = Eval("Math.random()").ToDouble();
  GlobalRandom().SetSeed(77);
  EXPECT_DOUBLE_EQ(Eval("Math.random()").ToDouble(), A);
}

TEST_F(ScriptProcessorTest, OtherThreadsHandTheirCallsOver) {
  Processor->AddObject("Polly", Polly.get(), true, nullptr);
  TGVariant FromWorker;
  bool Raised = false;
  std::thread Worker([&] {
    Processor->Eval("Polly.Words * 2", FromWorker);
    try {
      Processor->AddCode("this is not code");
    } catch (const EGException&) {
      Raised = true;
    }
    Processor->AddCode("var fromWorker = 5;");
  });
  // The main thread serves the calls from its loop.
  for (int I = 0; I < 500 && !(Raised && FromWorker.ToInteger() == 24); ++I) {
    Processor->ProcessPendingCommand();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  while (Worker.joinable()) {
    Processor->ProcessPendingCommand();
    if (Eval("typeof fromWorker").ToString() == "number") {
      Worker.join();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(FromWorker.ToInteger(), 24);
  EXPECT_TRUE(Raised);
  EXPECT_THROW(
      {
        std::thread T([&] {
          try {
            Processor->Clear();
          } catch (const EGException&) {
            Raised = false;
          }
        });
        T.join();
        if (!Raised) {
          throw Error("refused");
        }
      },
      EGException);
}

TEST(ScriptProcessorLoop, HandedOverCallsAreServedByTheMessageLoop) {
  TGApplication Loop;
  TGObjectPtr<TScriptProcessor> Processor(New<TScriptProcessor>(nullptr));
  TGVariant Result;
  std::atomic<bool> Done{false};
  std::thread Worker([&] {
    Processor->Eval("6 * 7", Result);
    Done = true;
  });
  // The main thread makes no script calls of its own: only its loop serves the worker.
  for (int I = 0; I < 2000 && !Done; ++I) {
    Loop.HandleMessage();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  Worker.join();
  EXPECT_EQ(Result.ToInteger(), 42);
}

TEST_F(ScriptProcessorTest, ManyMetaPropertiesAreAllReachable) {
  TDynProperties* Props = new TDynProperties();
  for (int I = 0; I < 300; ++I) {
    Props->AddProperty("P" + std::to_string(I), TGVariant(int32_t{I}));
  }
  Processor->AddObject("Many", Polly.get(), true, Props);
  EXPECT_EQ(Eval("Many.P299 + Many.p256").ToInteger(), 555);
  EXPECT_TRUE(Errors.empty());
}
