// Loading arbitrary bytes as a ".sce" scene must either fail with an engine error or give a
// scene that saves and loads again to the same text, copies, plays (every graphic node is given
// a small animated model, so that bone imports look for frames of any name), builds display
// lists seen from anywhere and is hit by rays.
#include "app/UGClassTables.h"
#include "io/UGStream.h"
#include "scene3d/UGModel.h"
#include "scene3d/UGSceneGraphic.h"
#include "scene3d/UGSceneRoot.h"
#include "xml/UGXMLNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

constexpr const char* CModel = R"(<Model>
  <Frame Type="Frame" ParentFrame="-1" Name="Arm"/>
  <Frame Type="Mesh" ParentFrame="0" Name="Plate">
    <Material/>
    <Vertices Format="18" Length="3">0;-1;-1;-1;0;0; 0;1;-1;-1;0;0; 0;1;1;-1;0;0</Vertices>
    <Indices Length="3">0;1;2</Indices>
    <Part Material="0" FaceStart="0" FaceCount="1"/>
  </Frame>
  <ModelAnimation Name="Turn"><FrameAnimation Frame="0">
    <TranslationX><Term T="0" Value="0"/><Term T="1000" Value="10"/></TranslationX>
  </FrameAnimation></ModelAnimation>
</Model>)";

TGModel* Model() {
  static TGModel* M = [] {
    auto* Made = new TGModel();
    TGMemoryStream S(CModel);
    Made->LoadFromStream(S, nullptr);
    Made->AddRef();
    return Made;
  }();
  return M;
}

std::string Save(const TGSceneRoot& S) {
  TGObjectPtr<TGXMLNode> Node(S.SaveToXML());
  return Node->SaveToString();
}

TGObjectPtr<TGSceneRoot> Load(const std::string& Data) {
  TGObjectPtr<TGSceneRoot> S(new TGSceneRoot());
  TGMemoryStream In(Data);
  S->LoadFromStream(In, nullptr);
  return S;
}

void GiveModels(TGSceneNode* Node) {
  if (auto* G = dynamic_cast<TGSceneBaseGraphic*>(Node))
    G->SetGraphic(Model());
  for (int I = 0; I < Node->ChildCount(); ++I)
    GiveModels(Node->Child(I));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Registered = (RegisterEngineClasses(), true);
  (void)Registered;
  TGObjectPtr<TGSceneRoot> S;
  try {
    S = Load(std::string(reinterpret_cast<const char*>(Data), Size));
  } catch (const EGException&) {
    return 0;
  }
  const std::string First = Save(*S);
  if (Save(*Load(First)) != First)
    std::abort();
  TGObjectPtr<TGSceneRoot> Copy(S->CloneScene());
  if (Save(*Copy) != First)
    std::abort();
  GiveModels(Copy.get());
  for (float Delta : {0.0f, 0.016f, 0.7f, 1e30f, -5.0f})
    Copy->UpdateScene(Delta);
  for (const TGMatrix& View :
       {MatIdentity, MatLookAt(TGVector{-20, 5, 3}, TGVector{0, 0, 0}, TGVector{0, 0, 1})}) {
    TGSceneContext Context = TGSceneContext::FromView(View);
    const TGSceneDisplayList List = Copy->MakeDisplayList(Context, 0xFFFFFFFFu);
    (void)List.Count();
  }
  TGVector Contact;
  TGVector Normal;
  (void)Copy->TraceTree(TGVector{-50, 0.3f, 0.2f}, TGVector{1, 0, 0}, Contact, Normal);
  (void)Copy->TraceTree(TGVector{0, 0, 0}, TGVector{0, 0.6f, 0.8f}, Contact, Normal);
  return 0;
}
