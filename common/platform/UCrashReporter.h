// Crash reports. Once installed, a fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or an
// unhandled C++ exception writes a text report into the "CrashReports" folder of the data folder
// ("Crash-2026-12-11_10-22-05.txt"), names it on standard error and ends the process at once: no
// destructors run and nothing is saved, so a profile being written is left as the last save left
// it. A signal is raised again with its default action, an exception ends in abort(), so the exit
// status names the signal.
//
// The report holds the time, the version and the command line, the game's location and screen,
// the last lines of the log, the cause (the signal and its address, or the exception's type and
// message), the stack trace of every thread (each one asked through a spare real-time signal,
// with a bounded wait) and, when addr2line can be run, those traces again with functions, files
// and lines.
//
// The handler only copies bytes the program keeps up to date in fixed buffers (no allocation, no
// lock): the setters below copy into them and may be called at any time, installed or not.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TCrashReporter {
public:
  // Creates DataFolder/CrashReports, keeps Version and the command line for the reports and
  // installs the handlers (once; later calls only update the folder and the texts). Returns false
  // when the folder cannot be made; nothing is installed then.
  static bool Install(const std::string& DataFolder, const std::string& Version,
                      const std::vector<std::string>& CommandLine);
  static bool Installed();
  // Where the reports go ("" before Install).
  static std::string ReportsFolder();

  // The current location (the profile's location URL) and screen (the top window's class).
  static void SetLocation(std::string_view URL);
  static void SetScreen(std::string_view ClassName);
  // A line of the log; the report shows the last fifty (lines of a text apart, each shortened to
  // 240 bytes). Safe from any thread.
  static void AddLogLine(std::string_view Text);

  // The crashes the developer's switch provokes: "segv" (a write through a null pointer),
  // "abort" and "throw" (an exception no one catches).
  static bool IsCrashKind(std::string_view Kind);
  [[noreturn]] static void Provoke(std::string_view Kind);
};
