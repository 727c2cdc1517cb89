// Runs one of the built programs headless and collects what it wrote.
#pragma once

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

// Runs Program --headless Arguments with Environment ("NAME=value ..." or empty); returns the
// wait status of the run and fills Output with what it wrote to standard output and error.
inline int RunProgramForStatus(const std::string& Program, const std::string& Arguments,
                               std::string& Output, const std::string& Environment = "") {
  // Mesa keeps allocations it never frees: leak reports of a sanitizer build are not ours.
  std::string Command = "ASAN_OPTIONS=detect_leaks=0 " + Environment + " " + Program +
                        " --headless " + Arguments + " 2>&1";
  FILE* Pipe = ::popen(Command.c_str(), "r");
  if (!Pipe) {
    return -1;
  }
  std::array<char, 4096> Buffer;
  Output.clear();
  while (size_t N = std::fread(Buffer.data(), 1, Buffer.size(), Pipe)) {
    Output.append(Buffer.data(), N);
  }
  return ::pclose(Pipe);
}

// The signal that ended a run of RunProgramForStatus, or 0 (the shell between reports a killed
// program as the exit status 128 + the signal when it does not hand over to the program).
inline int EndingSignal(int Status) {
  if (WIFSIGNALED(Status)) {
    return WTERMSIG(Status);
  }
  return WIFEXITED(Status) && WEXITSTATUS(Status) > 128 ? WEXITSTATUS(Status) - 128 : 0;
}

// As RunProgramForStatus; returns the program's exit code (-1 when it did not exit).
inline int RunProgram(const std::string& Program, const std::string& Arguments, std::string& Output,
                      const std::string& Environment = "") {
  const int Status = RunProgramForStatus(Program, Arguments, Output, Environment);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}
