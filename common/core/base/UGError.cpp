#include "base/UGError.h"

#include "base/UGDebug.h"

namespace {

// "void TGCollection::Replace(TGObject*, TGObject*)" becomes "TGCollection::Replace".
std::string ProcedureName(const char* Signature) {
  std::string_view S(Signature);
  size_t Paren = S.find('(');
  if (Paren != std::string_view::npos) {
    S = S.substr(0, Paren);
  }
  size_t Space = S.rfind(' ');
  if (Space != std::string_view::npos) {
    S = S.substr(Space + 1);
  }
  while (!S.empty() && (S.front() == '*' || S.front() == '&')) {
    S.remove_prefix(1);
  }
  return std::string(S);
}

std::string UnitName(const char* FileName) {
  std::string_view S(FileName);
  size_t Slash = S.find_last_of("/\\");
  if (Slash != std::string_view::npos) {
    S = S.substr(Slash + 1);
  }
  size_t Dot = S.rfind('.');
  if (Dot != std::string_view::npos) {
    S = S.substr(0, Dot);
  }
  return std::string(S);
}

} // namespace

std::string LocationText(const TGSourceLocation& Loc) {
  return Format(" occured in %s [%s, line %d]",
                {ProcedureName(Loc.function_name()), UnitName(Loc.file_name()),
                 static_cast<int>(Loc.line())});
}

EGException ErrorAt(std::string_view Msg, const TGSourceLocation& Loc) {
  std::string Where = LocationText(Loc);
  if (Msg.empty()) {
    return EGException("An error" + Where, "An error occured");
  }
  return EGException(Format("Error: %s.\r\n\r\nError%s", {Msg, Where}), std::string(Msg));
}

EGException Error(TGSourceLocation Loc) {
  return ErrorAt({}, Loc);
}

void BreakIf(bool Condition, TGSourceLocation Loc) {
  if (!Condition) {
    return;
  }
  ODS("BreakIf: impossible state" + LocationText(Loc));
#ifndef NDEBUG
  throw ErrorAt("Impossible state", Loc);
#endif
}
