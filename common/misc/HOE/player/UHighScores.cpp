#include "player/UHighScores.h"

#include "base/UGDebug.h"
#include "base/UGGUID.h"
#include "io/UGFileUtils.h"
#include "object/UGClassBuilder.h"
#include "xml/UGXMLNode.h"

#include <algorithm>

G_IMPLEMENT_CLASS(THighScoresNode)
G_IMPLEMENT_CLASS(THighScores)

namespace {

constexpr int CShown = 10;
constexpr int CSeeded = 30;

} // namespace

THighScores::THighScores(TGObject* AOwner, std::string AFileName)
    : TGObject(AOwner)
    , FFileName(std::move(AFileName))
    , FNodes(new TGCollection(this)) {
  if (::FileExists(FFileName)) {
    try {
      LoadFromFile();
      return;
    } catch (const std::exception& E) {
      // A damaged table must not stop every later result from being kept.
      ODS("The high scores in %s cannot be read (%s): they start anew", FFileName, E.what());
      FNodes->Clear();
    }
  }
  FakeInitialize();
}

int THighScores::Count() const {
  return std::min(FNodes->GetCount(), CShown);
}

THighScoresNode* THighScores::Items(int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw EListError(Format("List index out of bounds (%d)", {int64_t{Index}}));
  }
  return static_cast<THighScoresNode*>(FNodes->GetItem(Index));
}

void THighScores::LoadFromFile() {
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("HighScores"));
  Root->LoadFromFile(FFileName);
  for (const TGXMLNode* N : *Root->GetChilds("Node")) {
    auto* Node = new THighScoresNode(FNodes);
    FNodes->Add(Node);
    Node->GUID = N->GetStrAttrDef("GUID", "");
    Node->Player = N->GetStrAttrDef("Player", "");
    Node->Scores = N->GetIntAttrDef("Scores", 0);
    Node->Time = N->GetIntAttrDef("Time", 0);
    Node->Zephrins = N->GetIntAttrDef("Ankhs", 0);
  }
}

void THighScores::Add(const std::string& AGUID, const std::string& APlayer, int32_t AScores,
                      int32_t ATime, int32_t AZephrins) {
  THighScoresNode* Node = nullptr;
  for (int I = 0; I < FNodes->GetCount() && !Node; ++I) {
    auto* N = static_cast<THighScoresNode*>(FNodes->GetItem(I));
    if (N->GUID == AGUID) {
      Node = N;
    }
  }
  if (!Node) {
    Node = new THighScoresNode(FNodes);
    FNodes->Add(Node);
  }
  Node->GUID = AGUID;
  Node->Player = APlayer;
  Node->Scores = AScores;
  Node->Time = ATime;
  Node->Zephrins = AZephrins;
  Sort();
  Flush();
}

void THighScores::Sort() {
  FNodes->Sort([](TGObject* A, TGObject* B) {
    auto* X = static_cast<THighScoresNode*>(A);
    auto* Y = static_cast<THighScoresNode*>(B);
    if (X->Scores != Y->Scores) {
      return X->Scores > Y->Scores ? -1 : 1;
    }
    return X->Time < Y->Time ? -1 : (X->Time > Y->Time ? 1 : 0);
  });
}

void THighScores::Flush() {
  TGObjectPtr<TGXMLNode> Root(new TGXMLNode("HighScores"));
  for (int I = 0; I < Count(); ++I) {
    THighScoresNode* Node = Items(I);
    TGXMLNode* N = Root->AddChild("Node");
    N->SetStrAttrDef("GUID", "", Node->GUID);
    N->SetStrAttrDef("Player", "", Node->Player);
    N->SetIntAttrDef("Scores", 0, Node->Scores);
    N->SetIntAttrDef("Time", 0, Node->Time);
    N->SetIntAttrDef("Ankhs", 0, Node->Zephrins);
  }
  try {
    WriteFileDurably(FFileName, Root->SaveToString());
  } catch (...) {
    GrantAllPermissions(FFileName);
    throw;
  }
  GrantAllPermissions(FFileName);
}

void THighScores::FakeInitialize() {
  // As 30 additions would leave it, written once.
  for (int I = 0; I < CSeeded; ++I) {
    auto* Node = new THighScoresNode(FNodes);
    FNodes->Add(Node);
    Node->GUID = NewGuid();
    Node->Player = "Player";
  }
  Sort();
  Flush();
}
