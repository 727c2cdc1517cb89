// The steps a player takes through the demo game, shared by the scripted plays: each adds the
// clicks and waits of one scene to a script, starting when the scene has faded in (or, for the
// first, when the new game starts) and ending where the next scene takes over.
#pragma once

#include "PlayScript.h"

#include <string>
#include <vector>

// The harbour station, the tutorial: the timed difficulty board (explained while the mouse
// rests on it), the tutorial's pages, the PDA, the heroine's things, the scanner and the page on
// the birds; the last line is read and the harbour fades in.
void PlayArrival(TPlayScript& Script);

// The harbour's things a page can list: the quay's things of the first page (six of them are
// dealt onto it beside the old key), then those of the second. A click on a thing the page does
// not list only misses.
extern const char* const CHarbourFirstPage[9];
extern const char* const CHarbourSecondPage[7];

// The harbour from its chapter text: the tip put away, the fisherman's two lines read, the
// lightning bolt taken and a hint spent (MeetTheHarbour); the first page, the old key used on
// the sea chest, the second page (FindTheHarbourThings). Ends while the quay's last flights
// land, before the comic of the crossing.
void PlayHarbour(TPlayScript& Script);
void MeetTheHarbour(TPlayScript& Script);
void FindTheHarbourThings(TPlayScript& Script);

// From the harbour to the shell collector's table, whose six pairs are put away by mouse (one
// wrong pair first); the table leads back to the harbour.
void PutTheShellsAway(TPlayScript& Script, class TDemoShots* Shots = nullptr);
// The table's clicks alone, once it is shown: a shell and one of another kind first, then each
// pair of CShellGroups ("<group>1", "<group>2"); ends as the last pair lands.
extern const char* const CShellGroups[6];
void PutThePairsAway(TPlayScript& Script, class TDemoShots* Shots = nullptr);
// From the harbour to the old sundial, solved with the developers' key (F6, cheats on); the
// seal plate is taken and the harbour comes back.
void SolveTheSundialByCheat(TPlayScript& Script, class TDemoShots* Shots = nullptr);

// From the lamp room to the keeper's nets (cheats on): a few swaps by hand, the covers opened
// with F6 and the three stone heads brought down with cross bonuses made by the developers'
// key; the lamp room comes back.
void WinTheNets(TPlayScript& Script);
// The same trip, the level won at once with the developers' F8 after a swap by hand.
void WinTheNetsByCheat(TPlayScript& Script, class TDemoShots* Shots = nullptr);

// The lighthouse's five things, each clicked twice over (the second round only misses); ends
// while the last flights land.
extern const char* const CLighthouseThings[5];
void FindTheLighthouseThings(TPlayScript& Script);

// A comic is skipped with its button once it has faded in.
void SkipComic(TPlayScript& Script);

// Pictures of chosen moments of a scripted play: each is taken at the frame the script has
// reached when it is asked for, by the program's --screenshot-at.
class TDemoShots {
public:
  struct TShot {
    int Frame = 0;
    std::string Name;
  };
  void Take(const TPlayScript& Script, const std::string& Name);
  const std::vector<TShot>& All() const { return FShots; }
  // The program's switches that write every picture into Folder as "<Name>.png".
  std::string Arguments(const std::string& Folder) const;

private:
  std::vector<TShot> FShots;
};

// The whole demo game from a new profile's first start (no logos, cheats on: the developers'
// keys stand in for the puzzles that would take long to script) to the main menu after its
// end: the harbour station; the harbour with the shell table and the sundial on the way; the
// comic of the crossing; the lamp room with the keeper's nets; the first chapter's score sheet,
// the museum and the sea chart; the comic of the sail; Fishers' Cove; the second chapter's
// score sheet, the high scores and the credits. Shots, when given, are taken on the way.
// Fishers' Cove from its chapter text to the end of the game: its things, the second chapter's
// score sheet, the high scores and the credits; the main menu comes back.
void PlayTheCove(TPlayScript& Script, TDemoShots* Shots = nullptr);

void PlayTheWholeGame(TPlayScript& Script, TDemoShots* Shots = nullptr);

// The museum's pieces the whole game puts in it.
extern const char* const CMuseumPieces[6];
