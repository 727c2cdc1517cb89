// The window files against the screens' table of required widgets (Screens/URequiredWidgets.h):
// each widget a screen cannot do without is in its window file, at its path, of its class. The
// file is read as the engine reads it: children found by name without regard to case, the first
// of a name winning, classes looked up in the widget class table.
#pragma once

#include "UContentFiles.h"
#include "UFindings.h"

#include <span>

struct TRequiredWidget;

class TWidgetChecks {
public:
  TWidgetChecks(TContentFiles& Files, TFindings& Findings);

  // Every entry of the table; a window file that is missing is reported once.
  void CheckAll(std::span<const TRequiredWidget> Table);
  void Check(const TRequiredWidget& Widget);

private:
  TContentFiles& FFiles;
  TFindings& FFindings;
  std::vector<std::string> FMissingWindows;
};
