// hoe-scan-keys: run by the build, it lists the dictionary keys that the program's own string
// literals name ("$Score:$", "$Page %d of %d$") into a source file of the content checker, so
// that the checker demands them of every dictionary without a second list to keep up to date.
//
//   hoe-scan-keys SOURCE-ROOT OUTPUT.cpp FILE...
//
// Comments are skipped; a key is what the dictionary would look up: the text between two
// single '$' of one literal ("$$" stands for a dollar sign), never across a line break. A line
// whose comment says "not a dictionary key" names none. The output is rewritten only when it
// changes.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A comment holding this after a literal on its line says that its dollar signs mark something
// else than a dictionary key.
constexpr const char* CNotAKey = "not a dictionary key";

struct TKeyUse {
  std::string Key;
  std::string File;
  int Line = 0;
};

std::string ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// The characters an escape sequence of a literal stands for, from just after the backslash.
std::string Unescape(const std::string& Code, size_t& Pos) {
  const char C = Pos < Code.size() ? Code[Pos++] : '\\';
  switch (C) {
  case 'n':
    return "\n";
  case 'r':
    return "\r";
  case 't':
    return "\t";
  case '0':
    return std::string(1, '\0');
  default:
    return std::string(1, C); // \\ \" \' and the rest stand for themselves
  }
}

// Every key of one literal's text.
void KeysOfLiteral(const std::string& Text, const std::string& File, int Line,
                   std::vector<TKeyUse>& Out) {
  size_t I = 0;
  while (I < Text.size()) {
    if (Text[I] != '$') {
      ++I;
      continue;
    }
    if (I + 1 < Text.size() && Text[I + 1] == '$') {
      I += 2;
      continue;
    }
    std::string Key;
    size_t J = I + 1;
    bool Closed = false;
    while (J < Text.size()) {
      if (Text[J] == '$') {
        if (J + 1 < Text.size() && Text[J + 1] == '$') {
          Key += '$';
          J += 2;
          continue;
        }
        Closed = true;
        break;
      }
      Key += Text[J++];
    }
    if (!Closed) {
      return;
    }
    if (!Key.empty() && Key.find_first_of("\r\n") == std::string::npos) {
      Out.push_back(TKeyUse{Key, File, Line});
    }
    I = J + 1;
  }
}

// The string literals of a C++ source, outside comments and character literals.
void ScanSource(const std::string& Code, const std::string& File, std::vector<TKeyUse>& Out) {
  int Line = 1;
  size_t I = 0;
  while (I < Code.size()) {
    const char C = Code[I];
    if (C == '\n') {
      ++Line;
      ++I;
    } else if (Code.compare(I, 2, "//") == 0) {
      const size_t End = std::min(Code.find('\n', I), Code.size());
      if (Code.substr(I, End - I).find(CNotAKey) != std::string::npos) {
        // The literals before it on its line are markers of their own, not keys.
        while (!Out.empty() && Out.back().File == File && Out.back().Line == Line) {
          Out.pop_back();
        }
      }
      I = End;
    } else if (Code.compare(I, 2, "/*") == 0) {
      const size_t End = Code.find("*/", I + 2);
      const size_t Stop = End == std::string::npos ? Code.size() : End + 2;
      Line += static_cast<int>(std::count(Code.begin() + static_cast<std::ptrdiff_t>(I),
                                          Code.begin() + static_cast<std::ptrdiff_t>(Stop), '\n'));
      I = Stop;
    } else if (C == 'R' && Code.compare(I + 1, 1, "\"") == 0) {
      // A raw literal: R"delimiter( ... )delimiter".
      const size_t Open = Code.find('(', I + 2);
      if (Open == std::string::npos) {
        return;
      }
      const std::string Close = ")" + Code.substr(I + 2, Open - I - 2) + "\"";
      const size_t End = Code.find(Close, Open);
      const size_t Stop = End == std::string::npos ? Code.size() : End;
      KeysOfLiteral(Code.substr(Open + 1, Stop - Open - 1), File, Line, Out);
      const size_t After = std::min(Code.size(), Stop + Close.size());
      Line += static_cast<int>(std::count(Code.begin() + static_cast<std::ptrdiff_t>(I),
                                          Code.begin() + static_cast<std::ptrdiff_t>(After), '\n'));
      I = After;
    } else if (C == '"' || C == '\'') {
      std::string Text;
      size_t J = I + 1;
      while (J < Code.size() && Code[J] != C && Code[J] != '\n') {
        if (Code[J] == '\\') {
          ++J;
          Text += Unescape(Code, J);
        } else {
          Text += Code[J++];
        }
      }
      if (C == '"') {
        KeysOfLiteral(Text, File, Line, Out);
      }
      I = J < Code.size() && Code[J] == C ? J + 1 : J;
    } else if ((C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') ||
               C == '_') {
      // A whole word at once, so that the R of a name is never taken for a raw literal's.
      while (I < Code.size() &&
             ((Code[I] >= 'A' && Code[I] <= 'Z') || (Code[I] >= 'a' && Code[I] <= 'z') ||
              (Code[I] >= '0' && Code[I] <= '9') || Code[I] == '_')) {
        if (Code[I] == 'R' && I + 1 < Code.size() && Code[I + 1] == '"') {
          break; // u8R"(...)", LR"(...)": the raw literal starts here
        }
        ++I;
      }
    } else {
      ++I;
    }
  }
}

// Text as a C++ literal: quotes, backslashes and control characters escaped (octal, which
// never runs on into the next character).
std::string Literal(const std::string& Text) {
  std::string Out = "\"";
  for (char C : Text) {
    const auto U = static_cast<unsigned char>(C);
    if (C == '"' || C == '\\') {
      Out += '\\';
      Out += C;
    } else if (U < 0x20 || U == 0x7F) {
      char Escape[8];
      std::snprintf(Escape, sizeof Escape, "\\%03o", U);
      Out += Escape;
    } else {
      Out += C;
    }
  }
  return Out + "\"";
}

std::string Output(const std::vector<TKeyUse>& Keys) {
  std::ostringstream Out;
  Out << "// Made by the build (hoe-scan-keys) from the program's sources: every dictionary key "
         "that a\n// string literal of the code names, with the place that names it.\n"
         "#include \"UCodeDictionaryKeys.h\"\n\n";
  if (Keys.empty()) {
    Out << "std::span<const TCodeDictionaryKey> CodeDictionaryKeys() {\n  return {};\n}\n";
    return Out.str();
  }
  Out << "namespace {\n\nconst TCodeDictionaryKey CKeys[] = {\n";
  for (const TKeyUse& K : Keys) {
    Out << "    {" << Literal(K.Key) << ", " << Literal(K.File) << ", " << K.Line << "},\n";
  }
  Out << "};\n\n} // namespace\n\n"
         "std::span<const TCodeDictionaryKey> CodeDictionaryKeys() {\n  return CKeys;\n}\n";
  return Out.str();
}

} // namespace

int main(int Argc, char** Argv) {
  if (Argc < 3) {
    std::fputs("usage: hoe-scan-keys SOURCE-ROOT OUTPUT.cpp FILE...\n", stderr);
    return 2;
  }
  const std::filesystem::path Root = Argv[1];
  const std::filesystem::path OutputPath = Argv[2];
  std::vector<std::string> Files(Argv + 3, Argv + Argc);
  std::sort(Files.begin(), Files.end());
  std::vector<TKeyUse> Keys;
  for (const std::string& F : Files) {
    const std::string Relative = std::filesystem::path(F).lexically_relative(Root).generic_string();
    ScanSource(ReadFile(F), Relative, Keys);
  }
  const std::string Text = Output(Keys);
  if (ReadFile(OutputPath) != Text) {
    std::ofstream Out(OutputPath, std::ios::binary | std::ios::trunc);
    Out << Text;
    if (!Out) {
      std::fprintf(stderr, "hoe-scan-keys: cannot write %s\n", OutputPath.c_str());
      return 1;
    }
  }
  return 0;
}
