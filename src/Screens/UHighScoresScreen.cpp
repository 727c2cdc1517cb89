#include "Screens/UHighScoresScreen.h"

#include "Screens/UInfoScreenSupport.h"
#include "Screens/URequiredWidgets.h"
#include "base/UGDebug.h"
#include "base/UGFormat.h"
#include "base/UGStrUtils.h"
#include "object/UGClassBuilder.h"
#include "player/UGameData.h"
#include "player/UHighScores.h"
#include "widgets/UGLabel.h"

#include <algorithm>
#include <exception>

G_IMPLEMENT_CLASS(THighScoresScreen)

namespace {

// A player's name as the label shows it: a "$" in it would open a dictionary key, doubled it
// stands for itself.
std::string LiteralText(const std::string& S) {
  std::string Out;
  Out.reserve(S.size());
  for (char C : S) {
    Out += C;
    if (C == '$') {
      Out += C;
    }
  }
  return Out;
}

// The game data's table, or none: without game data, or when the table cannot be made (its
// folder cannot be written), the screen shows its rows as the window file has them.
const THighScores* GameHighScores() {
  auto* Data = TryObjectCast<TGameData>(GameData);
  if (!Data) {
    return nullptr;
  }
  try {
    return Data->HighScores();
  } catch (const std::exception& E) {
    ODS("The high scores cannot be shown: %s", std::string(E.what()));
    return nullptr;
  }
}

void SetLabel(const TGWidget* Row, const char* Name, const std::string& Text) {
  if (auto* Label = TryObjectCast<TGLabel>(Row->FindWidget(Name))) {
    Label->SetData(Text);
  }
}

} // namespace

void THighScoresScreen::AfterConstruction() {
  inherited::AfterConstruction();
  InfoScreen::LoadTemplate(*this, CTemplateURL);
  GetRequiredWidget(this, DeclaredWidget<TGWidget>(CTemplateURL, CDoneURL))->OnClick =
      TGNotifyEvent(this, &THighScoresScreen::OnDoneClick);
  if (const THighScores* Table = GameHighScores()) {
    FillTable(*Table);
  }
}

void THighScoresScreen::FillTable(const THighScores& Table) {
  const int Count = std::min(Table.Count(), CRowCount);
  for (int I = 0; I < Count; ++I) {
    const TGWidget* Row = FindWidget(RowPath(I));
    if (!Row) {
      continue;
    }
    const THighScoresNode* Entry = Table.Items(I);
    SetLabel(Row, "Name", LiteralText(Entry->Player));
    SetLabel(Row, "Score", IntToStrSeparatedEx(Entry->Scores, "$,$"));
    SetLabel(Row, "Time", TimeText(Entry->Time));
    SetLabel(Row, "Zephrins", std::to_string(Entry->Zephrins));
  }
}

void THighScoresScreen::Update(float DeltaTime) {
  inherited::Update(DeltaTime);
  InfoScreen::CloseWhenQuitting(*this);
}

std::string THighScoresScreen::RowPath(int Index) {
  return Format("Score\\%s", {IdxToStr(Index + 1)});
}

std::string THighScoresScreen::TimeText(int32_t Seconds) {
  const int32_t T = std::max(Seconds, 0);
  return Format("%s:%s:%s", {IdxToStr(T / 3600), IdxToStr(T % 3600 / 60), IdxToStr(T % 60)});
}

void THighScoresScreen::OnDoneClick(TGObject* Sender) {
  (void)Sender;
  InfoScreen::Close(*this);
}
