#include "UReport.h"

#include <cstdio>

namespace {

const char* SeverityName(TSeverity Severity) {
  return Severity == TSeverity::Error ? "error" : "warning";
}

std::string Counted(size_t Count, const char* Noun) {
  return std::to_string(Count) + " " + Noun + (Count == 1 ? "" : "s");
}

std::vector<TFinding> Listed(const TFindings& Findings, const TReportOptions& Options) {
  std::vector<TFinding> Result;
  for (TFinding& F : Findings.Sorted()) {
    if (!Options.Quiet || F.Severity == TSeverity::Error) {
      Result.push_back(std::move(F));
    }
  }
  return Result;
}

} // namespace

std::string FindingLine(const TFinding& Finding, std::string_view PathPrefix) {
  return std::string(PathPrefix) + Finding.File + ":" + std::to_string(Finding.Line) + ": " +
         SeverityName(Finding.Severity) + ": " + Finding.Message;
}

std::string TextReport(const TFindings& Findings, const TReportOptions& Options) {
  std::string Text;
  for (const TFinding& F : Listed(Findings, Options)) {
    Text += FindingLine(F, Options.PathPrefix) + "\n";
  }
  return Text;
}

std::string JSONString(std::string_view Text) {
  std::string Out = "\"";
  for (char C : Text) {
    const auto U = static_cast<unsigned char>(C);
    if (C == '"' || C == '\\') {
      Out += '\\';
      Out += C;
    } else if (C == '\n') {
      Out += "\\n";
    } else if (C == '\r') {
      Out += "\\r";
    } else if (C == '\t') {
      Out += "\\t";
    } else if (U < 0x20) {
      char Escape[8];
      std::snprintf(Escape, sizeof Escape, "\\u%04x", U);
      Out += Escape;
    } else {
      Out += C; // UTF-8 passes as it stands
    }
  }
  return Out + "\"";
}

std::string JSONReport(const TFindings& Findings, const TReportOptions& Options) {
  const std::vector<TFinding> List = Listed(Findings, Options);
  std::string Text = "[";
  for (size_t I = 0; I < List.size(); ++I) {
    const TFinding& F = List[I];
    Text += I == 0 ? "\n  " : ",\n  ";
    Text += "{\"file\": " + JSONString(Options.PathPrefix + F.File) +
            ", \"line\": " + std::to_string(F.Line) + ", \"severity\": \"" +
            SeverityName(F.Severity) + "\", \"message\": " + JSONString(F.Message) + "}";
  }
  return Text + (List.empty() ? "]\n" : "\n]\n");
}

std::string SummaryLine(const TFindings& Findings, size_t FilesChecked) {
  return Counted(Findings.ErrorCount(), "error") + ", " +
         Counted(Findings.WarningCount(), "warning") + " in " + Counted(FilesChecked, "file");
}
