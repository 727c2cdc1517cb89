// The program's crash reports: the developer's switch crashes a headless run over a saved
// profile, and the report, its announcement and the profile are read back.
#include "GameDataReader.h"
#include "ProgramRunner.h"
#include "TempDir.h"
#include "app/UGAppInfo.h"
#include "xml/UGXMLNode.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

bool Has(const std::string& Text, const std::string& Part) {
  return Text.find(Part) != std::string::npos;
}

// The identity in the program's VersionInfo.xml.
struct TVersionInfo {
  std::string Company, Product, Version;
};

TVersionInfo ProgramVersion() {
  TGObjectPtr<TGXMLNode> Info(new TGXMLNode("VersionInfo"));
  Info->LoadFromFile(std::filesystem::path(HOE_PROGRAM).parent_path().string() +
                     "/VersionInfo.xml");
  return {Info->GetStrAttr("CompanyName"), Info->GetStrAttr("ProductName"),
          Info->GetStrAttr("ProductVersion")};
}

// The report the run's output names ("Crash report written to <path>"), or "".
std::string AnnouncedReport(const std::string& Output) {
  const std::string Lead = "Crash report written to ";
  const size_t Start = Output.find(Lead);
  if (Start == std::string::npos) {
    return {};
  }
  const size_t End = Output.find('\n', Start);
  return Output.substr(Start + Lead.size(), End - Start - Lead.size());
}

} // namespace

TEST(ProgramCrash, EachCrashWritesAReportAndLeavesTheSavedProfileAlone) {
  TTempDir Scratch("hoe-crash");
  const std::string Env = "XDG_DATA_HOME=" + Scratch.File("data");
  const TVersionInfo Info = ProgramVersion();
  const std::string AppData = Scratch.File("data") + "/" + Info.Company + "/" + Info.Product + "/" +
                              MajorVersionOf(Info.Version);
  std::string Out;
  ASSERT_EQ(RunProgram(HOE_PROGRAM, "--frames 5", Out, Env), 0) << Out;
  const TGameDataReader Data(AppData + "/Data");
  ASSERT_EQ(Data.ProfileFiles().size(), 1u) << Out;
  const TProfileReader Profile = Data.Profile(Data.ProfileFiles().front());
  const std::string Saved = Profile.Bytes(), Checksum = Profile.ChecksumBytes();
  const std::string Location = Profile.Brief()->LocationURL;
  ASSERT_FALSE(Saved.empty());
  ASSERT_FALSE(Location.empty());

  struct TCase {
    const char* Kind;
    int Signal;
    const char* Cause;
  };
  std::set<std::string> Reports;
  for (const TCase& Case : {TCase{"segv", SIGSEGV, "Signal: SIGSEGV (segmentation fault)"},
                            TCase{"abort", SIGABRT, "Signal: SIGABRT (abort)"},
                            TCase{"throw", SIGABRT, "Exception: std::runtime_error: "}}) {
    SCOPED_TRACE(Case.Kind);
    const std::string Arguments = std::string("--frames 30 --crash ") + Case.Kind;
    const int Status = RunProgramForStatus(HOE_PROGRAM, Arguments, Out, Env);
    EXPECT_EQ(EndingSignal(Status), Case.Signal) << Out;
    const std::string Path = AnnouncedReport(Out);
    ASSERT_FALSE(Path.empty()) << Out;
    EXPECT_EQ(std::filesystem::path(Path).parent_path().string(), AppData + "/CrashReports");
    Reports.insert(Path);

    const std::string Report = ReadFile(Path);
    EXPECT_TRUE(Has(Report, "\n" + std::string(Case.Cause))) << Report;
    EXPECT_TRUE(Has(Report, "\nVersion: " + Info.Product + " " + Info.Version + "\n")) << Report;
    EXPECT_TRUE(Has(Report, "\nCommand line: " + std::string(HOE_PROGRAM) + " --headless " +
                                Arguments + "\n"))
        << Report;
    EXPECT_TRUE(Has(Report, "\nLocation: " + Location + "\n")) << Report;
    EXPECT_TRUE(Has(Report, "\nScreen: T")) << Report;
    EXPECT_TRUE(Has(Report, "\n  Welcome to " + Info.Product)) << Report; // a line of the log
    EXPECT_TRUE(Has(Report, "(crashed):\n  #0 ")) << Report;
    EXPECT_TRUE(Has(Report, "RunHost(")) << Report;
    EXPECT_TRUE(Has(Report, "/src/UHostMain.cpp:")) << Report;

    // Nothing was saved on the way out.
    EXPECT_EQ(Profile.Bytes(), Saved);
    EXPECT_EQ(Profile.ChecksumBytes(), Checksum);
  }
  // Every crash has a report of its own.
  EXPECT_EQ(Reports.size(), 3u);
  size_t Files = 0;
  for ([[maybe_unused]] const auto& Entry :
       std::filesystem::directory_iterator(AppData + "/CrashReports")) {
    ++Files;
  }
  EXPECT_EQ(Files, 3u);
}

TEST(ProgramCrash, TheSwitchTakesOnlyKnownCrashes) {
  std::string Out;
  EXPECT_EQ(RunProgram(HOE_PROGRAM, "--crash", Out), 2) << Out;
  EXPECT_EQ(RunProgram(HOE_PROGRAM, "--crash lightly", Out), 2) << Out;
  EXPECT_TRUE(Has(Out, "--crash needs segv, abort or throw")) << Out;
  EXPECT_EQ(RunProgram(HOE_PROGRAM, "--help", Out), 0);
  EXPECT_TRUE(Has(Out, "--crash segv|abort|throw")) << Out;
}
