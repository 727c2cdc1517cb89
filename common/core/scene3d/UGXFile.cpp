#include "scene3d/UGXFile.h"

#include "base/UGError.h"

#include <charconv>
#include <cstring>
#include <string_view>

namespace {

constexpr int CMaxDepth = 64;

enum TTokenKind {
  tkEnd,
  tkName,
  tkString,
  tkNumber,
  tkGUID,
  tkOBrace,
  tkCBrace,
  tkSeparator, // "," ";" and the other punctuation the data may hold
  tkTemplate,
};

struct TToken {
  TTokenKind Kind = tkEnd;
  std::string_view Text; // names and strings
  double Number = 0;
};

// The tokens of the text form.
class TTextLexer {
public:
  explicit TTextLexer(std::string_view AData)
      : FData(AData) {}

  TToken Next() {
    SkipBlanks();
    TToken T;
    if (FPos >= FData.size())
      return T;
    const char C = FData[FPos];
    if (C == '{' || C == '}') {
      ++FPos;
      T.Kind = C == '{' ? tkOBrace : tkCBrace;
    } else if (C == '"') {
      const size_t End = FData.find('"', FPos + 1);
      if (End == std::string_view::npos)
        Fail("unterminated string");
      T.Kind = tkString;
      T.Text = FData.substr(FPos + 1, End - FPos - 1);
      FPos = End + 1;
    } else if (C == '<') {
      const size_t End = FData.find('>', FPos + 1);
      if (End == std::string_view::npos)
        Fail("unterminated GUID");
      T.Kind = tkGUID;
      FPos = End + 1;
    } else if (IsNumberStart()) {
      T.Kind = tkNumber;
      T.Number = ReadNumber();
    } else if (IsNameStart(C)) {
      const size_t Start = FPos;
      while (FPos < FData.size() && IsNameChar(FData[FPos]))
        ++FPos;
      T.Text = FData.substr(Start, FPos - Start);
      T.Kind = T.Text == "template" ? tkTemplate : tkName;
    } else if (C == ',' || C == ';' || C == '[' || C == ']' || C == '(' || C == ')' || C == '.') {
      ++FPos;
      T.Kind = tkSeparator;
    } else {
      Fail("unexpected character");
    }
    return T;
  }

private:
  static bool IsDigit(char C) { return C >= '0' && C <= '9'; }
  bool DigitAt(size_t Pos) const { return Pos < FData.size() && IsDigit(FData[Pos]); }
  // "1", "-1", "+.5", ".5"; a lone "." or "-" is punctuation.
  bool IsNumberStart() const {
    size_t P = FPos;
    if (FData[P] == '-' || FData[P] == '+')
      ++P;
    return DigitAt(P) || (P < FData.size() && FData[P] == '.' && DigitAt(P + 1));
  }
  static bool IsNameStart(char C) {
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || C == '_';
  }
  static bool IsNameChar(char C) { return IsNameStart(C) || IsDigit(C) || C == '-' || C == '.'; }

  void SkipBlanks() {
    while (FPos < FData.size()) {
      const char C = FData[FPos];
      if (static_cast<unsigned char>(C) <= ' ') {
        ++FPos;
      } else if (C == '#' || (C == '/' && FPos + 1 < FData.size() && FData[FPos + 1] == '/')) {
        const size_t End = FData.find('\n', FPos);
        FPos = End == std::string_view::npos ? FData.size() : End + 1;
      } else {
        break;
      }
    }
  }

  double ReadNumber() {
    const char* Begin = FData.data() + FPos;
    const char* Last = FData.data() + FData.size();
    if (*Begin == '+')
      ++Begin;
    double V = 0;
    auto [End, Ec] = std::from_chars(Begin, Last, V);
    if (Ec != std::errc() && Ec != std::errc::result_out_of_range)
      Fail("bad number");
    FPos = static_cast<size_t>(End - FData.data());
    return V;
  }

  [[noreturn]] void Fail(const char* What) const {
    size_t Line = 1;
    for (size_t I = 0; I < FPos && I < FData.size(); ++I)
      Line += FData[I] == '\n';
    throw Error("Damaged .x file: %s in line %d", What, Line);
  }

  std::string_view FData;
  size_t FPos = 0;
};

// The tokens of the binary form; integer and float lists are handed out one number at a time.
class TBinaryLexer {
public:
  TBinaryLexer(std::string_view AData, bool ADoubles)
      : FData(AData)
      , FDoubles(ADoubles) {}

  TToken Next() {
    TToken T;
    FTokenStart = FPos;
    if (FListLeft > 0) {
      --FListLeft;
      T.Kind = tkNumber;
      if (FListFloats) {
        if (FDoubles) {
          double D;
          std::memcpy(&D, Take(8), 8);
          T.Number = D;
        } else {
          float F;
          std::memcpy(&F, Take(4), 4);
          T.Number = F;
        }
      } else {
        T.Number = Dword();
      }
      return T;
    }
    if (FPos >= FData.size())
      return T;
    const uint16_t Code = Word();
    switch (Code) {
    case 1: // a name
      T.Kind = tkName;
      T.Text = Chars();
      break;
    case 2: // a string, then the separator that ends it
      T.Kind = tkString;
      T.Text = Chars();
      SkipStringTerminator();
      break;
    case 3:
      T.Kind = tkNumber;
      T.Number = Dword();
      break;
    case 5:
      Take(16);
      T.Kind = tkGUID;
      break;
    case 6:
    case 7: {
      FListFloats = Code == 7;
      const uint32_t Count = Dword();
      if (Count > (FData.size() - FPos) / (FListFloats && FDoubles ? 8 : 4))
        Fail("a list runs past the end");
      FListLeft = Count;
      return Next();
    }
    case 10:
      T.Kind = tkOBrace;
      break;
    case 11:
      T.Kind = tkCBrace;
      break;
    case 31:
      T.Kind = tkTemplate;
      break;
    default:
      if ((Code >= 12 && Code <= 20) || (Code >= 40 && Code <= 53))
        T.Kind = tkSeparator; // punctuation and the type words of templates
      else
        Fail("unknown token");
    }
    return T;
  }

private:
  const char* Take(size_t N) {
    if (N > FData.size() - FPos)
      Fail("the file ends early");
    const char* P = FData.data() + FPos;
    FPos += N;
    return P;
  }
  uint16_t Word() {
    uint16_t V;
    std::memcpy(&V, Take(2), 2);
    return V;
  }
  uint32_t Dword() {
    uint32_t V;
    std::memcpy(&V, Take(4), 4);
    return V;
  }
  // The comma or semicolon after a string: a 32-bit value as the format describes it, or a
  // 16-bit token as some writers put it. No token is 0, so a 32-bit 19 or 20 can only be the
  // former.
  void SkipStringTerminator() {
    if (FData.size() - FPos >= 4) {
      uint32_t V;
      std::memcpy(&V, FData.data() + FPos, 4);
      if (V == 19 || V == 20) {
        FPos += 4;
        return;
      }
    }
    const uint16_t Separator = Word();
    if (Separator != 19 && Separator != 20)
      Fail("a string does not end with a separator");
  }
  std::string_view Chars() {
    const uint32_t Count = Dword();
    if (Count > FData.size() - FPos)
      Fail("a name runs past the end");
    return std::string_view(Take(Count), Count);
  }
  [[noreturn]] void Fail(const char* What) const {
    throw Error("Damaged binary .x file: %s at byte %d", What, FTokenStart + 16);
  }

  std::string_view FData;
  bool FDoubles;
  size_t FPos = 0;
  size_t FTokenStart = 0; // where the token being read starts, for the messages
  uint32_t FListLeft = 0;
  bool FListFloats = false;
};

// Builds the object tree from either lexer.
template <class TLexer>
class TParser {
public:
  explicit TParser(TLexer& ALexer)
      : FLexer(ALexer) {
    Advance();
  }

  std::vector<std::unique_ptr<TGXObject>> File() {
    std::vector<std::unique_ptr<TGXObject>> Objects;
    while (FToken.Kind != tkEnd) {
      if (FToken.Kind == tkTemplate) {
        SkipTemplate();
      } else if (FToken.Kind == tkName) {
        Objects.push_back(Object(0));
      } else if (FToken.Kind == tkSeparator) {
        Advance();
      } else {
        throw Error("Damaged .x file: a data object was expected");
      }
    }
    return Objects;
  }

private:
  void Advance() { FToken = FLexer.Next(); }

  void Expect(TTokenKind Kind, const char* What) {
    if (FToken.Kind != Kind)
      throw Error("Damaged .x file: %s was expected", What);
    Advance();
  }

  // "template Name { ... }", nested braces included.
  void SkipTemplate() {
    Advance();
    if (FToken.Kind == tkName)
      Advance();
    Expect(tkOBrace, "\"{\"");
    for (int Depth = 1; Depth > 0; Advance()) {
      if (FToken.Kind == tkEnd)
        throw Error("Damaged .x file: a template does not end");
      Depth += FToken.Kind == tkOBrace ? 1 : FToken.Kind == tkCBrace ? -1 : 0;
    }
  }

  // Type [Name] { [GUID] members }, with the type token current.
  std::unique_ptr<TGXObject> Object(int Depth) {
    if (Depth >= CMaxDepth)
      throw Error("Damaged .x file: data objects nest deeper than %d", CMaxDepth);
    auto O = std::make_unique<TGXObject>();
    O->Type = FToken.Text;
    Advance();
    if (FToken.Kind == tkName) {
      O->Name = FToken.Text;
      Advance();
    }
    Expect(tkOBrace, "\"{\"");
    for (;;) {
      switch (FToken.Kind) {
      case tkCBrace:
        Advance();
        return O;
      case tkEnd:
        throw Error("Damaged .x file: the data object \"%s\" does not end", O->Type);
      case tkName:
        O->Children.push_back(TGXChild{Object(Depth + 1), {}});
        break;
      case tkOBrace:
        O->Children.push_back(TGXChild{nullptr, Reference()});
        break;
      case tkNumber:
        O->Values.push_back(TGXValue{FToken.Number, -1});
        Advance();
        break;
      case tkString:
        O->Values.push_back(TGXValue{0, static_cast<int32_t>(O->Strings.size())});
        O->Strings.emplace_back(FToken.Text);
        Advance();
        break;
      case tkTemplate:
        throw Error("Damaged .x file: a template inside a data object");
      case tkGUID:
      case tkSeparator:
        Advance();
        break;
      }
    }
  }

  // "{ Name }", "{ GUID }" or "{ Name GUID }".
  std::string Reference() {
    Advance();
    std::string Name;
    if (FToken.Kind == tkName) {
      Name = FToken.Text;
      Advance();
    }
    if (FToken.Kind == tkGUID)
      Advance();
    Expect(tkCBrace, "\"}\" after a reference");
    return Name;
  }

  TLexer& FLexer;
  TToken FToken;
};

} // namespace

std::vector<std::unique_ptr<TGXObject>> ReadXFile(TGStream& Stream) {
  const std::string Data = Stream.ReadAll();
  if (Data.size() < 16 || Data.compare(0, 4, "xof ") != 0)
    throw Error("This is no .x file");
  const std::string Format = Data.substr(8, 4);
  const std::string FloatSize = Data.substr(12, 4);
  if (FloatSize != "0032" && FloatSize != "0064")
    throw Error("Unsupported .x float size \"%s\"", FloatSize);
  const std::string_view Body = std::string_view(Data).substr(16);
  if (Format == "txt ") {
    TTextLexer Lexer(Body);
    return TParser<TTextLexer>(Lexer).File();
  }
  if (Format == "bin ") {
    TBinaryLexer Lexer(Body, FloatSize == "0064");
    return TParser<TBinaryLexer>(Lexer).File();
  }
  if (Format == "tzip" || Format == "bzip")
    throw Error("Compressed .x files are not supported");
  throw Error("Unknown .x file format \"%s\"", Format);
}
