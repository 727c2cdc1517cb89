// Diagnostic output (standard error here).
#pragma once

#include "base/UGFormat.h"

#include <string_view>

void ODS(std::string_view Msg);
template <class... A>
void ODS(std::string_view Fmt, const A&... Args) {
  ODS(Format(Fmt, {TGFormatArg(Args)...}));
}
