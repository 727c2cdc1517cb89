// hoe-check: checks a content folder or archive before it ships.
//
//   hoe-check [--json] [--quiet] PATH
//
// One line per finding ("file:line: error|warning: message") and a summary; exit status 1 when
// anything is an error, 0 otherwise, 2 for a command line it cannot run.
#include "UContentChecker.h"
#include "UContentFiles.h"
#include "UReport.h"

#include "base/UGError.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

constexpr int ExitClean = 0;
constexpr int ExitErrors = 1;
constexpr int ExitUsage = 2;

constexpr const char* CHelp =
    "usage: hoe-check [--json] [--quiet] PATH\n"
    "\n"
    "Checks a content folder (such as content/) or a packed archive (.sfs) as the game reads\n"
    "it: every file parses or decodes, every resource that files name exists, every widget a\n"
    "screen needs is in its window file, every dictionary key is translated, every script\n"
    "compiles, IDs are unique and the item pages can be dealt.\n"
    "\n"
    "  --json    the findings as a JSON array of {file, line, severity, message}; the summary\n"
    "            goes to standard error\n"
    "  --quiet   errors only (warnings are counted in the summary)\n"
    "  --help    this text\n"
    "\n"
    "Exit status: 1 when anything is an error, 0 otherwise, 2 for a bad command line.\n";

struct TArguments {
  bool Json = false;
  bool Quiet = false;
  bool Help = false;
  std::string Path;
};

bool ParseArguments(int Argc, char** Argv, TArguments& Args, std::string& Problem) {
  for (int I = 1; I < Argc; ++I) {
    const std::string A = Argv[I];
    if (A == "--json") {
      Args.Json = true;
    } else if (A == "--quiet") {
      Args.Quiet = true;
    } else if (A == "--help" || A == "-h") {
      Args.Help = true;
    } else if (!A.empty() && A.front() == '-') {
      Problem = "unknown option " + A;
      return false;
    } else if (!Args.Path.empty()) {
      Problem = "one PATH only";
      return false;
    } else {
      Args.Path = A;
    }
  }
  if (Args.Path.empty() && !Args.Help) {
    Problem = "no PATH given";
    return false;
  }
  return true;
}

// The engine's own diagnostics (a resource that failed, a flight left out) repeat what the
// findings say: standard error goes to /dev/null while the checks run, and the checker's own
// messages and progress bar use a copy of it.
class TQuietDiagnostics {
public:
  TQuietDiagnostics()
      : FSaved(dup(STDERR_FILENO)) {
    std::fflush(stderr);
    const int Null = open("/dev/null", O_WRONLY);
    if (FSaved >= 0 && Null >= 0) {
      dup2(Null, STDERR_FILENO);
    }
    if (Null >= 0) {
      close(Null);
    }
  }
  ~TQuietDiagnostics() { Restore(); }
  TQuietDiagnostics(const TQuietDiagnostics&) = delete;
  TQuietDiagnostics& operator=(const TQuietDiagnostics&) = delete;

  // Standard error as it was, for the checker's own output.
  int Descriptor() const { return FSaved >= 0 ? FSaved : STDERR_FILENO; }
  void Restore() {
    if (FSaved >= 0) {
      std::fflush(stderr);
      dup2(FSaved, STDERR_FILENO);
      close(FSaved);
      FSaved = -1;
    }
  }

private:
  int FSaved;
};

// A bar on standard error, drawn only on a terminal and only once a run has lasted a moment.
class TProgressBar {
public:
  TProgressBar(bool Enabled, int Descriptor)
      : FEnabled(Enabled && isatty(Descriptor))
      , FDescriptor(Descriptor) {}
  ~TProgressBar() { Finish(); }

  void Show(size_t Done, size_t Total) {
    using namespace std::chrono;
    if (!FEnabled || Total == 0 || steady_clock::now() - FStart < milliseconds(500)) {
      return;
    }
    const int Percent = static_cast<int>(100 * Done / Total);
    if (Percent == FPercent) {
      return; // drawn once per percent
    }
    FPercent = Percent;
    constexpr int Width = 40;
    const int Filled = static_cast<int>(Width * Done / Total);
    Write("\r[" + std::string(static_cast<size_t>(Filled), '#') +
          std::string(static_cast<size_t>(Width - Filled), ' ') + "] " + std::to_string(Percent) +
          "%");
    FShown = true;
  }
  void Finish() {
    if (FShown) {
      Write("\r" + std::string(48, ' ') + "\r");
      FShown = false;
    }
  }

private:
  void Write(const std::string& Text) const {
    if (write(FDescriptor, Text.data(), Text.size()) < 0) {
      return; // a bar that cannot be drawn is no failure of the check
    }
  }

  bool FEnabled;
  int FDescriptor;
  bool FShown = false;
  int FPercent = -1;
  std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
};

// What findings name files by: the folder as given, so that editors open them.
std::string PathPrefix(const std::string& Path) {
  if (IsArchivePath(Path)) {
    return {};
  }
  return Path.back() == '/' ? Path : Path + "/";
}

} // namespace

int main(int Argc, char** Argv) {
  TArguments Args;
  std::string Problem;
  if (!ParseArguments(Argc, Argv, Args, Problem)) {
    std::fprintf(stderr, "hoe-check: %s\n%s", Problem.c_str(), CHelp);
    return ExitUsage;
  }
  if (Args.Help) {
    std::fputs(CHelp, stdout);
    return ExitClean;
  }
  if (!IsArchivePath(Args.Path) && access(Args.Path.c_str(), F_OK) != 0) {
    std::fprintf(stderr, "hoe-check: %s does not exist\n", Args.Path.c_str());
    return ExitUsage;
  }
  TQuietDiagnostics Quiet;
  TProgressBar Bar(!Args.Quiet, Quiet.Descriptor());
  TCheckOptions Options;
  Options.Progress = [&Bar](size_t Done, size_t Total) { Bar.Show(Done, Total); };
  TContentChecker Checker(Options);
  TFindings Findings;
  std::string Failure;
  try {
    Findings = Checker.Check(Args.Path);
  } catch (const EGException& E) {
    Failure = E.Text();
  } catch (const std::exception& E) {
    Failure = E.what();
  }
  Bar.Finish();
  Quiet.Restore();
  if (!Failure.empty()) {
    std::fprintf(stderr, "hoe-check: %s cannot be read: %s\n", Args.Path.c_str(), Failure.c_str());
    return ExitErrors;
  }
  TReportOptions Report;
  Report.Quiet = Args.Quiet;
  Report.PathPrefix = PathPrefix(Args.Path);
  const std::string Summary = SummaryLine(Findings, Checker.FilesChecked()) + "\n";
  if (Args.Json) {
    std::fputs(JSONReport(Findings, Report).c_str(), stdout);
    std::fputs(Summary.c_str(), stderr);
  } else {
    std::fputs(TextReport(Findings, Report).c_str(), stdout);
    std::fputs(Summary.c_str(), stdout);
  }
  return Findings.HasErrors() ? ExitErrors : ExitClean;
}
