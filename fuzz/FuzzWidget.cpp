// Loading arbitrary bytes as a window file must either fail with an engine error or give a
// widget tree that updates, shows and hides with its effects, answers the mouse, and saves and
// loads again to the same text.
#include "app/UGClassTables.h"
#include "widgets/UGLiveWidget.h"
#include "widgets/UGPicture.h"
#include "widgets/UGWidget.h"
#include "xml/UGXMLNode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

std::string Save(const TGWidget& W) {
  TGObjectPtr<TGXMLNode> Node(W.SaveToXML());
  return Node->SaveToString();
}

TGObjectPtr<TGWidget> Load(const std::string& Text) {
  TGObjectPtr<TGXMLNode> Node(new TGXMLNode());
  Node->LoadFromString(Text);
  TGObjectPtr<TGWidget> W(New<TGWidget>(nullptr));
  W->LoadFromXML(nullptr, Node.get());
  return W;
}

bool Setup() {
  RegisterEngineClasses();
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool Registered = Setup();
  (void)Registered;
  TGObjectPtr<TGWidget> W;
  try {
    W = Load(std::string(reinterpret_cast<const char*>(Data), Size));
  } catch (const EGException&) {
    return 0;
  }
  const std::string First = Save(*W);
  try {
    W->UpdateTree(0.016f);
    W->Show();
    W->UpdateTree(0.5f);
    W->UpdateTree(1e30f);
    (void)W->GetWidgetAt(TGPoint{1, 1});
    (void)W->GetCursorAt(TGPoint{1, 1});
    (void)W->Hit(TGPoint{1, 1}, true, true);
    (void)W->FindWidget("a\\b");
    if (W->Count() > 0) {
      TGHideOptions Options;
      Options.Include(hoDestroyAfterHide);
      W->Items(0)->Hide(Options);
    }
    W->UpdateTree(0.5f);
    W->UpdateTree(100);
  } catch (const EGException&) {
  }
  TGObjectPtr<TGWidget> Again = Load(First); // what was saved must load, unchanged
  if (Save(*Again) != First)
    std::abort();
  return 0;
}
