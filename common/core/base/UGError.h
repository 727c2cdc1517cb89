// The engine's exceptions and the Error helper that builds them with the caller's location.
#pragma once

#include "base/UGFormat.h"

#include <exception>
#include <string>
#include <string_view>

// Base of every failure the engine raises. Message() is the full text shown to the user; Text()
// is the message as given, without the location decoration.
class EGException : public std::exception {
public:
  explicit EGException(std::string AMessage)
      : FMessage(std::move(AMessage))
      , FText(FMessage) {}
  EGException(std::string AMessage, std::string AText)
      : FMessage(std::move(AMessage))
      , FText(std::move(AText)) {}

  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const { return FMessage; }
  const std::string& Text() const { return FText; }
  virtual const char* ClassName() const { return "EGException"; }

private:
  std::string FMessage;
  std::string FText;
};

#define G_EXCEPTION_CLASS(TName, TBase)                                                            \
  class TName : public TBase {                                                                     \
  public:                                                                                          \
    using TBase::TBase;                                                                            \
    const char* ClassName() const override { return #TName; }                                      \
  }

G_EXCEPTION_CLASS(EConvertError, EGException);
G_EXCEPTION_CLASS(EInvalidCast, EGException);
G_EXCEPTION_CLASS(EListError, EGException);
G_EXCEPTION_CLASS(EStreamError, EGException);
G_EXCEPTION_CLASS(EReadError, EStreamError);
G_EXCEPTION_CLASS(EWriteError, EStreamError);
G_EXCEPTION_CLASS(EFOpenError, EStreamError);
G_EXCEPTION_CLASS(EFCreateError, EStreamError);
G_EXCEPTION_CLASS(EXMLParseError, EGException);
G_EXCEPTION_CLASS(ERangeError, EGException);
G_EXCEPTION_CLASS(EIntOverflow, EGException);

// The place in the source that raised an error, filled in by default arguments at the call site
// (the same as TGSourceLocation, which not every compiler of the project offers).
struct TGSourceLocation {
  static constexpr TGSourceLocation current(const char* File = __builtin_FILE(),
                                            const char* Function = __builtin_FUNCTION(),
                                            unsigned Line = __builtin_LINE()) noexcept {
    return TGSourceLocation{File, Function, Line};
  }
  constexpr const char* file_name() const noexcept { return File; }
  constexpr const char* function_name() const noexcept { return Function; }
  constexpr unsigned line() const noexcept { return Line; }

  const char* File = "";
  const char* Function = "";
  unsigned Line = 0;
};

// The text " occured in %s [%s, line %d]" for a source location (procedure, unit, line).
std::string LocationText(const TGSourceLocation& Loc);

// A format string together with the place that raised it.
struct TGErrorFormat {
  template <class S>
  TGErrorFormat(const S& AFmt, TGSourceLocation ALoc = TGSourceLocation::current())
      : Fmt(AFmt)
      , Loc(ALoc) {}
  std::string_view Fmt;
  TGSourceLocation Loc;
};

// Builds (does not raise) the engine exception. Error() alone gives the generic error
// ("An error occured ..."); Error(Msg) uses Msg as it stands; Error(Fmt, Args...) formats first.
EGException ErrorAt(std::string_view Msg, const TGSourceLocation& Loc);
EGException Error(TGSourceLocation Loc = TGSourceLocation::current());
inline EGException Error(TGErrorFormat Msg) {
  return ErrorAt(Msg.Fmt, Msg.Loc);
}
template <class... A>
EGException Error(TGErrorFormat Fmt, const A&... Args) {
  return ErrorAt(Format(Fmt.Fmt, {TGFormatArg(Args)...}), Fmt.Loc);
}

// Marks a state that must never occur: reported on the debug output (and raised in debug builds).
void BreakIf(bool Condition, TGSourceLocation Loc = TGSourceLocation::current());
