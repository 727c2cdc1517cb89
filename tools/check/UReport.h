// The checker's report: one line per finding ("file:line: error: message") and a summary line,
// or the findings as a JSON array of {file, line, severity, message}.
#pragma once

#include "UFindings.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TReportOptions {
  // Warnings are left out of the list (the summary still counts them).
  bool Quiet = false;
  // Put before every file name: the folder that was checked, so that editors find the files.
  std::string PathPrefix;
};

// "loc/Harbour.loc:12: error: message".
std::string FindingLine(const TFinding& Finding, std::string_view PathPrefix);
// Every finding the options keep, a line each, sorted by file and line.
std::string TextReport(const TFindings& Findings, const TReportOptions& Options);
// The same findings as a JSON array, one object a line.
std::string JSONReport(const TFindings& Findings, const TReportOptions& Options);
// "2 errors, 1 warning in 40 files".
std::string SummaryLine(const TFindings& Findings, size_t FilesChecked);
// Text as a JSON string literal, quotes included.
std::string JSONString(std::string_view Text);
