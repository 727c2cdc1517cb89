// Crash reports, written by child processes that crash on purpose after installing the reporter.
#include "platform/UCrashReporter.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
// GCC 12 warns falsely inside <regex> when sanitizers are on (a known false positive).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

// A thread of the crashing process waits here, so that its trace must show this function.
[[gnu::noinline]] void CrashTestParkedThread(std::atomic<bool>& Started) {
  Started = true;
  for (;;) {
    ::pause();
  }
}

namespace {

struct TCrash {
  int Status = 0;
  bool TimedOut = false;
  std::string Error;                // the child's standard error
  std::vector<std::string> Reports; // the files in CrashReports
  std::string Report;               // the first one's text
};

std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  std::stringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

struct TCrashSetup {
  const char* Kind = "segv";
  bool RemoveFolder = false; // the reports' folder goes before the crash
  int LogLines = 60;
  std::string Path; // the child's PATH, where addr2line is looked for (empty: as it is)
};

// In the child: the reporter as a program sets it up, a second thread, then the crash.
[[noreturn]] void CrashHere(const std::string& DataFolder, const TCrashSetup& Setup) {
  const int Err = ::open((DataFolder + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(Err, STDERR_FILENO);
  if (!Setup.Path.empty()) {
    ::setenv("PATH", Setup.Path.c_str(), 1);
  }
  if (!TCrashReporter::Install(DataFolder, "Test Product 1.2.3",
                               {"test_platform", "--crash", Setup.Kind, "two words"})) {
    ::_exit(3);
  }
  TCrashReporter::SetLocation("Harbour.loc");
  TCrashReporter::SetScreen("TGameScreen");
  for (int I = 0; I < Setup.LogLines; ++I) {
    TCrashReporter::AddLogLine("line " + std::to_string(I));
  }
  TCrashReporter::AddLogLine("first\nsecond\r\n\n");
  TCrashReporter::AddLogLine(std::string(300, 'x'));
  std::atomic<bool> Started{false};
  std::thread(&CrashTestParkedThread, std::ref(Started)).detach();
  while (!Started) {
    std::this_thread::yield();
  }
  if (Setup.RemoveFolder) {
    std::filesystem::remove_all(DataFolder + "/CrashReports");
  }
  TCrashReporter::Provoke(Setup.Kind);
}

// Forks a child that crashes as Setup says and waits for it (a minute at most).
TCrash Crash(const TTempDir& Data, const TCrashSetup& Setup = {}) {
  TCrash Result;
  const pid_t Child = ::fork();
  if (Child == 0) {
    CrashHere(Data.Str(), Setup);
  }
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (::waitpid(Child, &Result.Status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > Deadline) {
      Result.TimedOut = true;
      ::kill(Child, SIGKILL);
      ::waitpid(Child, &Result.Status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  Result.Error = ReadFile(Data.File("stderr.txt"));
  std::error_code Missing;
  for (const auto& Entry :
       std::filesystem::directory_iterator(Data.File("CrashReports"), Missing)) {
    Result.Reports.push_back(Entry.path().string());
  }
  if (!Result.Reports.empty()) {
    Result.Report = ReadFile(Result.Reports.front());
  }
  return Result;
}

bool Has(const std::string& Text, const std::string& Part) {
  return Text.find(Part) != std::string::npos;
}

// The part of a report from Title to the next section (or the end).
std::string Section(const std::string& Report, const std::string& Title) {
  const size_t Start = Report.find(Title + "\n");
  if (Start == std::string::npos) {
    return {};
  }
  const size_t End = Report.find("\nStack traces", Start + Title.size());
  return Report.substr(Start, End == std::string::npos ? std::string::npos : End - Start);
}

} // namespace

TEST(CrashReporter, ASegmentationFaultWritesTheWholeReportAndEndsBySignal) {
  TTempDir Data("crash");
  const TCrash C = Crash(Data);
  ASSERT_FALSE(C.TimedOut) << C.Error;
  ASSERT_TRUE(WIFSIGNALED(C.Status)) << C.Error;
  EXPECT_EQ(WTERMSIG(C.Status), SIGSEGV);
  ASSERT_EQ(C.Reports.size(), 1u) << C.Error;
  const std::string Name = std::filesystem::path(C.Reports[0]).filename().string();
  EXPECT_TRUE(std::regex_match(Name, std::regex(R"(Crash-\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.txt)")))
      << Name;
  EXPECT_TRUE(Has(C.Error, "Crash report written to " + C.Reports[0] + "\n")) << C.Error;

  const std::string& R = C.Report;
  EXPECT_TRUE(Has(R, "Version: Test Product 1.2.3\n")) << R;
  EXPECT_TRUE(Has(R, "Command line: test_platform --crash segv 'two words'\n")) << R;
  EXPECT_TRUE(Has(R, "Location: Harbour.loc\n")) << R;
  EXPECT_TRUE(Has(R, "Screen: TGameScreen\n")) << R;
  EXPECT_TRUE(Has(R, "Signal: SIGSEGV (segmentation fault) (11), address not mapped, at address "
                     "0x0\n"))
      << R;

  // The last fifty lines, oldest first: a text's lines apart, a long one cut.
  const std::string Log = Section(R, "Last lines of the log:");
  EXPECT_FALSE(Has(Log, "  line 12\n")) << Log;
  EXPECT_TRUE(Has(Log, "  line 13\n  line 14\n")) << Log;
  EXPECT_TRUE(Has(Log, "  line 59\n  first\n  second\n  " + std::string(240, 'x') + "\n")) << Log;

  // Both threads, named by the exported symbols and again with source lines.
  const size_t Traces = R.find("\nStack traces:\n");
  const size_t Lines = R.find("\nStack traces with source lines (addr2line):\n");
  ASSERT_NE(Traces, std::string::npos) << R;
  ASSERT_NE(Lines, std::string::npos) << R;
  const std::string Raw = R.substr(Traces, Lines - Traces), Named = R.substr(Lines);
  EXPECT_TRUE(Has(Raw, "(crashed):\n  #0 ")) << Raw;
  EXPECT_TRUE(Has(Raw, "TCrashReporter7Provoke")) << Raw;
  EXPECT_GE(std::count(Raw.begin(), Raw.end(), '#'), 4) << Raw;
  EXPECT_FALSE(Has(Raw, "no answer")) << Raw;
  EXPECT_TRUE(Has(Named, "TCrashReporter::Provoke(")) << Named;
  EXPECT_TRUE(Has(Named, "CrashTestParkedThread(")) << Named;
  EXPECT_TRUE(Has(Named, "TestCrashReporter.cpp:")) << Named;
  // The fault's own frame comes first.
  EXPECT_TRUE(std::regex_search(
      Named, std::regex(R"(\(crashed\):\n  #0 0x[0-9a-f]+ TCrashReporter::Provoke)")))
      << Named;
}

TEST(CrashReporter, AnAbortAndAnUncaughtExceptionEndWithSIGABRT) {
  {
    TTempDir Data("crash");
    TCrashSetup Abort;
    Abort.Kind = "abort";
    const TCrash C = Crash(Data, Abort);
    ASSERT_FALSE(C.TimedOut) << C.Error;
    ASSERT_TRUE(WIFSIGNALED(C.Status)) << C.Error;
    EXPECT_EQ(WTERMSIG(C.Status), SIGABRT);
    ASSERT_EQ(C.Reports.size(), 1u) << C.Error;
    EXPECT_TRUE(Has(C.Report, "Signal: SIGABRT (abort) (6), sent by process ")) << C.Report;
  }
  {
    TTempDir Data("crash");
    TCrashSetup Throw;
    Throw.Kind = "throw";
    const TCrash C = Crash(Data, Throw);
    ASSERT_FALSE(C.TimedOut) << C.Error;
    ASSERT_TRUE(WIFSIGNALED(C.Status)) << C.Error;
    EXPECT_EQ(WTERMSIG(C.Status), SIGABRT);
    ASSERT_EQ(C.Reports.size(), 1u) << C.Error;
    EXPECT_TRUE(Has(C.Report, "\nException: std::runtime_error: a test crash: an exception no one "
                              "catches\n"))
        << C.Report;
    // One report: the abort that ends it is not a second crash.
    EXPECT_FALSE(Has(C.Report, "Signal:")) << C.Report;
    EXPECT_TRUE(Has(C.Report, "CrashTestParkedThread(")) << C.Report;
  }
}

// Without its folder the report still comes out, on standard error.
TEST(CrashReporter, AReportThatCannotBeSavedGoesToStandardError) {
  TTempDir Data("crash");
  TCrashSetup NoFolder;
  NoFolder.RemoveFolder = true;
  NoFolder.LogLines = 3;
  const TCrash C = Crash(Data, NoFolder);
  ASSERT_FALSE(C.TimedOut) << C.Error;
  ASSERT_TRUE(WIFSIGNALED(C.Status)) << C.Error;
  EXPECT_EQ(WTERMSIG(C.Status), SIGSEGV);
  EXPECT_TRUE(C.Reports.empty());
  EXPECT_TRUE(Has(C.Error, "Crash report: cannot write into " + Data.File("CrashReports")))
      << C.Error;
  EXPECT_TRUE(Has(C.Error, "Signal: SIGSEGV")) << C.Error;
  EXPECT_TRUE(Has(C.Error, "\n  line 0\n  line 1\n  line 2\n  first\n")) << C.Error;
  EXPECT_FALSE(Has(C.Error, "Crash report written")) << C.Error;
}

// The raw traces stand when the symboliser is missing or fails.
TEST(CrashReporter, TracesStayWhenAddr2lineIsMissingOrFails) {
  {
    TTempDir Data("crash");
    TCrashSetup NoTools;
    NoTools.Path = Data.File("no-tools");
    const TCrash C = Crash(Data, NoTools);
    ASSERT_FALSE(C.TimedOut) << C.Error;
    ASSERT_EQ(C.Reports.size(), 1u) << C.Error;
    EXPECT_TRUE(Has(C.Report, "\n  (addr2line was not found: the traces above stand)\n"))
        << C.Report;
    EXPECT_TRUE(Has(C.Report, "TCrashReporter7Provoke")) << C.Report;
  }
  {
    TTempDir Data("crash");
    std::filesystem::create_directories(Data.File("tools"));
    const std::string Fake = Data.File("tools/addr2line");
    std::ofstream(Fake) << "#!/bin/sh\necho 'not what was asked'\nexit 1\n";
    std::filesystem::permissions(Fake, std::filesystem::perms::owner_all);
    TCrashSetup FailingTool;
    FailingTool.Path = Data.File("tools");
    const TCrash C = Crash(Data, FailingTool);
    ASSERT_FALSE(C.TimedOut) << C.Error;
    ASSERT_TRUE(WIFSIGNALED(C.Status)) << C.Error;
    EXPECT_EQ(WTERMSIG(C.Status), SIGSEGV);
    ASSERT_EQ(C.Reports.size(), 1u) << C.Error;
    EXPECT_TRUE(Has(C.Report, "\n  (addr2line failed with exit status 1)\n")) << C.Report;
    EXPECT_TRUE(
        std::regex_search(C.Report, std::regex(R"(\n  \((\d+) of \1 frames not named\)\n)")))
        << C.Report;
    EXPECT_FALSE(Has(C.Report, "not what was asked")) << C.Report;
    EXPECT_TRUE(Has(C.Report, "TCrashReporter7Provoke")) << C.Report;
  }
}
