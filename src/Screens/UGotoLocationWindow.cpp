#include "Screens/UGotoLocationWindow.h"

#include "app/UGApp.h"
#include "base/UGDebug.h"
#include "base/UGStrUtils.h"
#include "flow/UPlayScreen.h"
#include "io/UGFileUtils.h"
#include "locations/UBaseLocation.h"
#include "player/UConfigManager.h"
#include "player/UPlayer.h"
#include "resources/UGResourceLibrary.h"
#include "text/UGFont.h"
#include "widgets/UGButton.h"
#include "widgets/UGLabel.h"

#include <algorithm>
#include <cmath>

G_IMPLEMENT_CLASS(TGotoLocationWindow)

namespace {

constexpr const char* CDefaultStartLocation = "00_Intro_00.loc";

std::string Trimmed(std::string S) {
  while (!S.empty() && (S.back() == '\r' || S.back() == ' ' || S.back() == '\t')) {
    S.pop_back();
  }
  size_t First = S.find_first_not_of(" \t");
  return First == std::string::npos ? std::string() : S.substr(First);
}

std::string StartLocation() {
  return FCM.GetStrPropDef("StartLoc", CDefaultStartLocation);
}

TGotoLocationWindow* Dialog = nullptr; // created once, freed with the program

} // namespace

// --- The list ------------------------------------------------------------------------------------

int32_t TGotoLocationList::IndexOfEntry(const std::string& Name) const {
  for (size_t I = 0; I < FEntries.size(); ++I) {
    if (SameText(FEntries[I].first, Name)) {
      return static_cast<int32_t>(I);
    }
  }
  return -1;
}

void TGotoLocationList::ParseListText(const std::string& Text) {
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find('\n', Start);
    if (End == std::string::npos) {
      End = Text.size();
    }
    const std::string Line = Text.substr(Start, End - Start);
    Start = End + 1;
    const size_t Equals = Line.find('=');
    if (Equals == std::string::npos) {
      continue;
    }
    std::string Name = Trimmed(Line.substr(0, Equals));
    std::string Value = Trimmed(Line.substr(Equals + 1));
    if (Name.empty() || IndexOfEntry(Name) >= 0) {
      continue;
    }
    FEntries.emplace_back(std::move(Name), Value.empty() ? Name : std::move(Value));
  }
}

std::string TGotoLocationList::ListText() const {
  std::string Text;
  for (const TEntry& E : FEntries) {
    Text += E.first + "=" + E.second + "\n";
  }
  return Text;
}

void TGotoLocationList::AddLocationFile(const std::string& FileName) {
  int32_t Index = IndexOfEntry(FileName);
  if (Index < 0) {
    FEntries.emplace_back(FileName, FileName);
    Index = static_cast<int32_t>(FEntries.size()) - 1;
  }
  FLines.push_back(FEntries[static_cast<size_t>(Index)].first);
}

void TGotoLocationList::Load(const std::string& ListFile, TGResourceLibrary* Library) {
  FEntries.clear();
  FLines.clear();
  if (FileExists(ListFile)) {
    try {
      ParseListText(ReadFile(ListFile));
    } catch (const std::exception& E) {
      ODS("%s cannot be read: %s", ListFile, E.what());
    }
  }
  for (const std::string& Name : FindLocationFiles(Library)) {
    AddLocationFile(Name);
  }
  try {
    WriteFile(ListFile, ListText());
  } catch (const std::exception&) {
    // The names are a convenience: a folder we may not write to changes nothing else.
  }
}

int32_t TGotoLocationList::IndexOfFile(const std::string& FileName) const {
  for (size_t I = 0; I < FLines.size(); ++I) {
    if (SameText(FLines[I], FileName)) {
      return static_cast<int32_t>(I);
    }
  }
  return -1;
}

const std::string& TGotoLocationList::LineFile(int32_t Index) const {
  return FLines.at(static_cast<size_t>(Index));
}

const std::string& TGotoLocationList::LineCaption(int32_t Index) const {
  return FEntries.at(static_cast<size_t>(IndexOfEntry(LineFile(Index)))).second;
}

// --- The dialog ----------------------------------------------------------------------------------

void TGotoLocationWindow::AfterConstruction() {
  inherited::AfterConstruction();
  TGResourceLibrary* Library = MainResourceLibrary();
  if (auto* Template = Library
                           ? TryObjectCast<TGWindow>(Library->GetResourceEx(CTemplateURL, false))
                           : nullptr) {
    LoadFromTemplate(Template);
  }
  FListLabel = TryObjectCast<TGLabel>(FindWidget("List"));
  if (FListLabel) {
    FListLabel->SetAllowMouse(true);
    FListLabel->OnMouseDown = TGMouseEvent(this, &TGotoLocationWindow::OnListMouseDown);
    FListLabel->OnDblClick = TGNotifyEvent(this, &TGotoLocationWindow::OnListDblClick);
  }
  if (auto* Go = TryObjectCast<TGButton>(FindWidget("Go"))) {
    Go->OnClick = TGNotifyEvent(this, &TGotoLocationWindow::OnGoClick);
  }
  if (auto* MakeDefault = TryObjectCast<TGButton>(FindWidget("MakeDefault"))) {
    MakeDefault->OnClick = TGNotifyEvent(this, &TGotoLocationWindow::OnMakeDefaultClick);
  }
  if (auto* Close = TryObjectCast<TGButton>(FindWidget("Close"))) {
    Close->OnClick = TGNotifyEvent(this, &TGotoLocationWindow::OnCloseClick);
  }
  FList.Load(CListFile, Library);
  SetAllowMouse(true);
}

void TGotoLocationWindow::Execute() {
  FSelected = -1;
  if (CurrentPlayer) {
    if (TBaseLocation* Location = CurrentPlayer->CurrentLocation()) {
      FSelected = FList.IndexOfFile(Location->ID + ".loc");
    }
  }
  ShowList();
  if (App) {
    App->SetSystemCursorVisible(true);
  }
  ShowModal();
  if (App) {
    App->SetSystemCursorVisible(false);
  }
}

void TGotoLocationWindow::SetSelected(int32_t Value) {
  const int32_t Count = static_cast<int32_t>(FList.Lines().size());
  FSelected = Count == 0 ? -1 : std::clamp(Value, 0, Count - 1);
  ShowList();
}

int32_t TGotoLocationWindow::FirstVisibleLine() const {
  const int32_t Count = static_cast<int32_t>(FList.Lines().size());
  const int32_t First = std::max(0, FSelected - CVisibleLines / 2);
  return std::max(0, std::min(First, Count - CVisibleLines));
}

std::string TGotoLocationWindow::ListText() const {
  const std::string Default = StartLocation();
  const int32_t Count = static_cast<int32_t>(FList.Lines().size());
  std::string Text;
  const int32_t First = FirstVisibleLine();
  for (int32_t I = First; I < std::min(Count, First + CVisibleLines); ++I) {
    if (!Text.empty()) {
      Text += "\n";
    }
    Text += SameText(FList.LineFile(I), Default) ? "> " : "   ";
    Text += I == FSelected ? "[" + FList.LineCaption(I) + "]" : FList.LineCaption(I);
  }
  return Text;
}

void TGotoLocationWindow::ShowList() {
  if (FListLabel) {
    FListLabel->SetData(ListText());
  }
}

void TGotoLocationWindow::GoToSelected() {
  if (FSelected < 0) {
    return;
  }
  const std::string File = FList.LineFile(FSelected);
  Hide();
  if (IPlayScreen* Screen = PlayScreen()) {
    Screen->FadeToLocation(File);
  }
}

void TGotoLocationWindow::MakeSelectedDefault() {
  if (FSelected < 0) {
    return;
  }
  try {
    FCM.SetStrProp("StartLoc", FList.LineFile(FSelected));
  } catch (const std::exception& E) {
    ODS("The start location cannot be changed: %s", E.what());
  }
  ShowList();
}

void TGotoLocationWindow::KeyDown(uint16_t Key) {
  switch (Key) {
  case VK_UP:
    SetSelected(FSelected - 1);
    return;
  case VK_DOWN:
    SetSelected(FSelected + 1);
    return;
  case VK_RETURN:
    GoToSelected();
    return;
  case VK_ESCAPE:
    Hide();
    return;
  default:
    inherited::KeyDown(Key);
  }
}

void TGotoLocationWindow::ApplicationDeactivate() {
  Hide();
}

void TGotoLocationWindow::OnListMouseDown(int) {
  if (!FListLabel || !App) {
    return;
  }
  TGFont* Font = FListLabel->Font();
  const float LineHeight = Font && Font->Height() > 0 ? Font->Height() : 16;
  const float Y = static_cast<float>(App->MousePos().Y) - FListLabel->ScreenRect().Top;
  if (Y >= 0) {
    SetSelected(FirstVisibleLine() + static_cast<int32_t>(std::floor(Y / LineHeight)));
  }
}

void TGotoLocationWindow::OnListDblClick(TGObject*) {
  GoToSelected();
}

void TGotoLocationWindow::OnGoClick(TGObject*) {
  GoToSelected();
}

void TGotoLocationWindow::OnMakeDefaultClick(TGObject*) {
  MakeSelectedDefault();
}

void TGotoLocationWindow::OnCloseClick(TGObject*) {
  Hide();
}

void ShowGotoLocationWindow() {
  if (!Dialog) {
    Dialog = New<TGotoLocationWindow>();
  }
  Dialog->Execute();
}

void FreeGotoLocationWindow() {
  if (Dialog) {
    Dialog->Free();
    Dialog = nullptr;
  }
}
