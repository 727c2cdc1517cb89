#include "player/UBriefPlayerInfo.h"

#include "base/UGStrUtils.h"
#include "graphics/UGGraphicsDevice.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

G_IMPLEMENT_CLASS(TBaseBriefPlayerInfo)
G_IMPLEMENT_CLASS(TBriefPlayerInfo)

namespace {

uint8_t Volume(const TGXMLNode* Node, std::string_view Name) {
  const int32_t V = Node->GetIntAttr(Name);
  if (V < 0 || V > 100) {
    throw ERangeError(Format("%s %d is outside 0 to 100", {Name, int64_t{V}}));
  }
  return static_cast<uint8_t>(V);
}

TGDateTime DateTimeAttr(const TGXMLNode* Node, std::string_view Name) {
  int64_t Bits = 0;
  if (!TryStrToInt64(Node->GetStrAttr(Name), Bits)) {
    throw EConvertError(Format("\"%s\" is no date-time", {Node->GetStrAttr(Name)}));
  }
  return Int64AsDateTime(Bits);
}

const TGXMLNode* RequiredChild(const TGXMLNode* Node, std::string_view Name) {
  TGXMLCollection* C = Node->GetChilds(Name);
  if (C->GetCount() == 0) {
    throw Error("\"%s\" is missing from the brief information", Name);
  }
  return C->GetItem(0);
}

} // namespace

bool TBaseBriefPlayerInfo::DisplayFullScreen() {
  return GD && GD->FullScreen();
}

void TBaseBriefPlayerInfo::LoadFromXML(const TGXMLNode* Node) {
  PlayerName = Node->GetStrAttr("PlayerName");
  CreationTime = DateTimeAttr(Node, "CreationTime");
  SavingTime = DateTimeAttr(Node, "SavingTime");
  // The writer stores "ProfilePlayed", the reader takes "Played": a profile read from its file
  // starts as not played under this profile object.
  ProfilePlayed = Node->GetBoolAttrDef("Played", false);
  LocationURL = Node->GetStrAttr("LocationURL");
  MusicVolume = Volume(Node, "MusicVolume");
  SoundVolume = Volume(Node, "SoundVolume");
  FullScreenMode = Node->GetBoolAttr("FullScreenMode");
}

TGXMLNode* TBaseBriefPlayerInfo::SaveToXML() {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("BriefPlayerInfo"));
  SavingTime = PreciseNow();
  Node->SetStrAttr("PlayerName", PlayerName);
  Node->SetStrAttr("CreationTime", std::to_string(DateTimeAsInt64(CreationTime)));
  Node->SetStrAttr("SavingTime", std::to_string(DateTimeAsInt64(SavingTime)));
  Node->SetBoolAttr("ProfilePlayed", ProfilePlayed);
  Node->SetStrAttr("LocationURL", LocationURL);
  Node->SetIntAttr("MusicVolume", MusicVolume);
  Node->SetIntAttr("SoundVolume", SoundVolume);
  Node->SetBoolAttr("FullScreenMode", DisplayFullScreen() || (!GD && FullScreenMode));
  return Node.release();
}

void TBaseBriefPlayerInfo::LoadFromStream(TGStream& AStream) {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode("BriefPlayerInfo"));
  Node->LoadFromStream(AStream);
  LoadFromXML(Node.get());
}

void TBaseBriefPlayerInfo::SaveToStream(TGStream& AStream) {
  TGObjectPtr<TGXMLNode> Node(SaveToXML());
  Node->SaveToStream(AStream);
}

TBriefPlayerInfo::TBriefPlayerInfo(TGObject* AOwner)
    : TBaseBriefPlayerInfo(AOwner)
    , FMuseumItems(new TMuseumItems(this))
    , FPlayerStatistics(new TPlayerStatistics(this))
    , FCollectedZephrins(new TCollectedZephrinsManager(this)) {}

void TBriefPlayerInfo::LoadFromXML(const TGXMLNode* Node) {
  TBaseBriefPlayerInfo::LoadFromXML(Node);
  ScannerVisible = Node->GetBoolAttr("ScannerVisible");
  GameFinished = Node->GetBoolAttr("GameFinished");
  WideScreen = Node->GetBoolAttr("WideScreen");
  CliffhangerViewed = Node->GetBoolAttrDef("CliffhangerViewed", false);
  PlayTime = Node->GetFloatAttrDef("PlayTime", 0);
  ChapterTime = Node->GetFloatAttrDef("ChapterTime", 2400);
  ChapterScore = Node->GetIntAttrDef("ChapterScore", 0);
  Score = Node->GetIntAttrDef("Score", 0);
  GUID = Node->GetStrAttrDef("GUID", "");
  const int32_t Difficulty = Node->GetIntAttrDef("GameDifficulty", 0);
  if (Difficulty < gdApprentice || Difficulty > gdSuperSleuth) {
    throw ERangeError(Format("Game difficulty %d is unknown", {int64_t{Difficulty}}));
  }
  GameDifficulty = static_cast<TGameDifficulty>(Difficulty);
  TakenZephrinCount = Node->GetIntAttrDef("TakenZephrinCount", 0);
  ZephrinModeUnlocked = Node->GetBoolAttrDef("ZephrinModeUnlocked", false);
  UnlimLocationComplete = Node->GetBoolAttrDef("UnlimLocationComplete", false);
  HintsCount = Node->GetIntAttrDef("HintsCount", 1);
  FMuseumItems->LoadFromXML(RequiredChild(Node, "MuseumItems"));
  FPlayerStatistics->LoadFromXML(RequiredChild(Node, "PlayerStatistics"));
  FCollectedZephrins->LoadFromXML(RequiredChild(Node, "CollectedZephrins"));
}

TGXMLNode* TBriefPlayerInfo::SaveToXML() {
  TGObjectPtr<TGXMLNode> Node(TBaseBriefPlayerInfo::SaveToXML());
  Node->SetBoolAttr("ScannerVisible", ScannerVisible);
  Node->SetBoolAttr("GameFinished", GameFinished);
  Node->SetBoolAttr("WideScreen", WideScreen);
  // Every attribute is written, in the order of the format, but the birds when there are none.
  Node->SetBoolAttr("CliffhangerViewed", CliffhangerViewed);
  Node->SetFloatAttr("PlayTime", PlayTime);
  Node->SetFloatAttr("ChapterTime", ChapterTime);
  Node->SetIntAttr("ChapterScore", ChapterScore);
  Node->SetIntAttr("Score", Score);
  Node->SetStrAttr("GUID", GUID);
  Node->SetIntAttr("GameDifficulty", static_cast<int32_t>(GameDifficulty));
  Node->SetIntAttrDef("TakenZephrinCount", 0, TakenZephrinCount);
  Node->SetBoolAttr("ZephrinModeUnlocked", ZephrinModeUnlocked);
  Node->SetBoolAttr("UnlimLocationComplete", UnlimLocationComplete);
  Node->SetIntAttr("HintsCount", HintsCount);
  Node->AddNode(FMuseumItems->SaveToXML());
  Node->AddNode(FPlayerStatistics->SaveToXML());
  Node->AddNode(FCollectedZephrins->SaveToXML());
  return Node.release();
}
