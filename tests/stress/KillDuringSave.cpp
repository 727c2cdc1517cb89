// Kills a process at random moments while it saves a profile again and again, and checks after
// every kill that the profile is whole: it matches its checksum, reads back, and holds the state
// of the last save that finished or of the one that was interrupted.
//
//   hoe-kill-during-save [KILLS] [FOLDER]
//
// Every save raises the profile's score by one; the child reports each finished save through a
// pipe. Exits 0 when every kill left a sound profile, 1 (naming the kill) otherwise.
#include "base/UGRandom.h"
#include "base/UGStrUtils.h"
#include "io/UGFileUtils.h"
#include "player/UCollections.h"
#include "player/UPlayer.h"
#include "player/UProfileFiles.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Enough museum items that a save takes a while: kills land inside it, not only between saves.
constexpr int CMuseumItems = 3000;

// The child: opens the profile and saves it forever, one more point each time.
[[noreturn]] void SaveForever(const std::string& FileName, int Report) {
  try {
    TGObjectPtr<TPlayer> P(TPlayer::CreateFromProfile(nullptr, FileName));
    if (P->Corrupted()) {
      std::_Exit(3);
    }
    for (;;) {
      P->SetScore(P->Score() + 1);
      P->Save();
      const int32_t Saved = P->Score();
      if (::write(Report, &Saved, sizeof Saved) != sizeof Saved) {
        std::_Exit(4);
      }
    }
  } catch (const std::exception& E) {
    std::fprintf(stderr, "child: %s\n", E.what());
    std::_Exit(2);
  }
}

// The last score the child reported before it died (Fallback when it reported none).
int32_t LastReported(int Pipe, int32_t Fallback) {
  int32_t Last = Fallback;
  int32_t Value = 0;
  while (::read(Pipe, &Value, sizeof Value) == sizeof Value) {
    Last = Value;
  }
  return Last;
}

std::string Check(const std::string& Folder, const std::string& FileName, int32_t Before,
                  int32_t Reported, int32_t& Found) {
  TProfileFiles::RecoverFolder(Folder);
  if (TProfileFiles(FileName).Corrupted()) {
    return "the profile does not match its checksum";
  }
  TGObjectPtr<TPlayer> P(TPlayer::CreateFromProfile(nullptr, FileName));
  if (P->Corrupted()) {
    return "the profile cannot be read";
  }
  if (P->MuseumItems()->Count() != CMuseumItems) {
    return "the museum lost items";
  }
  Found = P->Score();
  // The last finished save, or the one under way when the kill came.
  if (Found != Reported && Found != Reported + 1) {
    return Format("the score is %d after saves up to %d (the run began at %d)",
                  {int64_t{Found}, int64_t{Reported}, int64_t{Before}});
  }
  for (const auto& E : fs::directory_iterator(Folder)) {
    if (E.path().extension() == ".new") {
      return "a temporary file was left: " + E.path().string();
    }
  }
  return {};
}

} // namespace

int main(int Argc, char** Argv) {
  const int Kills = Argc > 1 ? std::atoi(Argv[1]) : 1000;
  const std::string Folder =
      Argc > 2 ? Argv[2]
               : (fs::temp_directory_path() / ("hoe-kills-" + std::to_string(getpid()))).string();
  const bool OwnFolder = Argc <= 2;
  fs::create_directories(Folder);
  std::string FileName;
  {
    TGObjectPtr<TPlayer> P(TPlayer::CreateBlank(nullptr, "Stress", Folder));
    for (int I = 0; I < CMuseumItems; ++I) {
      P->MuseumItems()->AddItem("Exhibit" + std::to_string(I));
    }
    P->Save();
    FileName = P->ProfileFileName();
  }
  TGRandom Moments;
  Moments.SetSeed(20261210);
  int32_t Score = 0;
  int Failures = 0;
  int InsideSaves = 0; // kills that left a save's temporary files behind
  for (int K = 1; K <= Kills && Failures == 0; ++K) {
    int Pipe[2];
    if (::pipe(Pipe) != 0) {
      std::perror("pipe");
      return 2;
    }
    const pid_t Child = ::fork();
    if (Child == 0) {
      ::close(Pipe[0]);
      SaveForever(FileName, Pipe[1]);
    }
    ::close(Pipe[1]);
    // Up to 40 ms: from before the first save has begun to several saves in.
    std::this_thread::sleep_for(std::chrono::microseconds(Moments.Random(40000)));
    ::kill(Child, SIGKILL);
    int Status = 0;
    ::waitpid(Child, &Status, 0);
    const int32_t Reported = LastReported(Pipe[0], Score);
    ::close(Pipe[0]);
    if (WIFEXITED(Status)) {
      std::fprintf(stderr, "kill %d: the child ended by itself with %d\n", K, WEXITSTATUS(Status));
      ++Failures;
      break;
    }
    for (const auto& E : fs::directory_iterator(Folder)) {
      if (E.path().extension() == ".new") {
        ++InsideSaves;
        break;
      }
    }
    int32_t Found = 0;
    const std::string Fault = Check(Folder, FileName, Score, Reported, Found);
    if (!Fault.empty()) {
      std::fprintf(stderr, "kill %d: %s\n", K, Fault.c_str());
      ++Failures;
      break;
    }
    Score = Found;
  }
  std::printf("%d kills (%d inside a save's writing), %d saves finished, %d profiles lost or "
              "damaged\n",
              Kills, InsideSaves, Score, Failures);
  if (OwnFolder && Failures == 0) {
    fs::remove_all(Folder);
  }
  return Failures == 0 ? 0 : 1;
}
