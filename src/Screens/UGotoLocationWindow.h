// The developer's go-to-location dialog (F5 on the play screen in cheat mode): every location
// file of the game data in a list, the default start location marked with ">", "Go!" fades to
// the chosen location and "Make default" makes it the start location of new games.
#pragma once

#include "widgets/UGWindow.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class TGButton;
class TGLabel;
class TGResourceLibrary;

// The dialog's list: entries "file name = display name" kept in "locations.list" beside the
// program, so a developer can give locations readable names there; a location file without an
// entry gets one named after itself.
class TGotoLocationList {
public:
  using TEntry = std::pair<std::string, std::string>; // file name, display name

  // Reads ListFile (when it exists), adds the location files found in the game data in the
  // order found, and writes the list back (a failure to write is ignored).
  void Load(const std::string& ListFile, TGResourceLibrary* Library);
  // Adds the entries of a list file's text; lines without "=" and repeated names are skipped.
  void ParseListText(const std::string& Text);
  // The list file's text: one "name=value" line per entry.
  std::string ListText() const;
  // Adds a location file found in the game data; its list entry when it has one.
  void AddLocationFile(const std::string& FileName);

  const std::vector<TEntry>& Entries() const { return FEntries; }
  const std::vector<std::string>& Lines() const { return FLines; }
  // The index of the line showing this file (compared without regard to case), or -1.
  int32_t IndexOfFile(const std::string& FileName) const;
  const std::string& LineFile(int32_t Index) const;
  const std::string& LineCaption(int32_t Index) const;

private:
  int32_t IndexOfEntry(const std::string& Name) const;

  std::vector<TEntry> FEntries;    // from the list file and the files found, in that order
  std::vector<std::string> FLines; // the entry names of the files found, in the order found
};

class TGotoLocationWindow : public TGWindow {
  G_CLASS(TGotoLocationWindow, TGWindow)
  explicit TGotoLocationWindow(TGObject* AOwner = nullptr)
      : TGWindow(AOwner) {}
  // Loads "GotoLocation.win", reads the list and wires the buttons.
  void AfterConstruction() override;

  // Selects the line of the player's current location and shows the dialog modally.
  void Execute();

  const TGotoLocationList& List() const { return FList; }
  int32_t Selected() const { return FSelected; }
  void SetSelected(int32_t Value);
  // The text the list shows: the default start location marked with ">", the selection with
  // brackets, and only the lines around the selection that fit.
  std::string ListText() const;

  // Up and Down move the selection, Enter goes, Esc closes.
  void KeyDown(uint16_t Key) override;
  void ApplicationDeactivate() override;

  // Fades the play screen to the selected location and closes.
  void GoToSelected();
  // Makes the selected location the start location of new games.
  void MakeSelectedDefault();

  static constexpr const char* CTemplateURL = "GotoLocation.win";
  static constexpr const char* CListFile = "locations.list";
  static constexpr int32_t CVisibleLines = 16;

private:
  void OnGoClick(TGObject* Sender);
  void OnMakeDefaultClick(TGObject* Sender);
  void OnListMouseDown(int Button);
  void OnListDblClick(TGObject* Sender);
  void OnCloseClick(TGObject* Sender);
  int32_t FirstVisibleLine() const;
  void ShowList();

  TGotoLocationList FList;
  int32_t FSelected = -1;
  TGLabel* FListLabel = nullptr;
};

// Shows the play screen's go-to-location dialog, created at the first call and kept until freed
// with the play screen.
void ShowGotoLocationWindow();
void FreeGotoLocationWindow();
