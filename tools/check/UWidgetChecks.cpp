#include "UWidgetChecks.h"

#include "Screens/URequiredWidgets.h"
#include "base/UGStrUtils.h"
#include "resources/UGResource.h"

#include <algorithm>

namespace {

// The child element of the widget element Parent with that name, as FindWidget finds it.
const TGXMLNode* ChildWidget(const TGXMLNode* Parent, std::string_view Name) {
  for (const TGXMLNode* Child : *Parent->GetChilds("Widget")) {
    if (SameText(Child->GetStrAttrDef("Name", ""), Name)) {
      return Child;
    }
  }
  return nullptr;
}

} // namespace

TWidgetChecks::TWidgetChecks(TContentFiles& Files, TFindings& Findings)
    : FFiles(Files)
    , FFindings(Findings) {}

void TWidgetChecks::CheckAll(std::span<const TRequiredWidget> Table) {
  for (const TRequiredWidget& W : Table) {
    Check(W);
  }
}

void TWidgetChecks::Check(const TRequiredWidget& Widget) {
  const std::string Window(Widget.WindowURL);
  const std::string File = URLToFileName(Window);
  if (!FFiles.Exists(File)) {
    if (std::find(FMissingWindows.begin(), FMissingWindows.end(), File) == FMissingWindows.end()) {
      FMissingWindows.push_back(File);
      FFindings.Error(File, 1, "the window file \"" + Window + "\" that a screen loads is missing");
    }
    return;
  }
  const TXMLFile& XML = FFiles.XML(File);
  if (!XML.Parsed()) {
    return; // reported with the file's parse
  }
  // Down the path from the window's root, one name at a time.
  const TGXMLNode* Node = XML.Root.get();
  std::string_view Rest = Widget.Path;
  while (!Rest.empty()) {
    const size_t Sep = Rest.find('\\');
    const std::string_view Name = Rest.substr(0, Sep);
    const TGXMLNode* Child = ChildWidget(Node, Name);
    if (!Child) {
      FFindings.Error(File, XML.LineOf(Node),
                      "the widget \"" + std::string(Widget.Path) +
                          "\" that a screen needs is missing (no \"" + std::string(Name) +
                          "\" in \"" + Node->GetStrAttrDef("Name", "") + "\")");
      return;
    }
    Node = Child;
    Rest = Sep == std::string_view::npos ? std::string_view() : Rest.substr(Sep + 1);
  }
  const std::string ClassName = Node->GetStrAttrDef("ClassName", "");
  const std::vector<TGClass>& Classes = TGWidget::WidgetClasses();
  const auto Known = std::find_if(Classes.begin(), Classes.end(),
                                  [&ClassName](TGClass C) { return C->Name == ClassName; });
  const TGClass Class = Known == Classes.end() ? nullptr : *Known;
  const TGClass Needed = Widget.Class();
  if (!Class || !Class->InheritsFrom(Needed)) {
    FFindings.Error(File, XML.LineOf(Node),
                    "the widget \"" + std::string(Widget.Path) + "\" is a " +
                        (ClassName.empty() ? std::string("widget without a class") : ClassName) +
                        ", where a screen needs a " + Needed->Name);
  }
}
