// What the content checker found: one finding per fault, with the file (a path from the content's
// root, '/' between names), the line (of the XML element where known, else 1), its severity and
// a message. Errors stop a release; warnings are worth a look.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class TSeverity { Error, Warning };

struct TFinding {
  std::string File;
  int32_t Line = 1;
  TSeverity Severity = TSeverity::Error;
  std::string Message;
};

class TFindings {
public:
  // File is a content path in either separator ("loc\Harbour.loc"); a line below 1 becomes 1.
  void Add(std::string_view File, int32_t Line, TSeverity Severity, std::string Message);
  void Error(std::string_view File, int32_t Line, std::string Message) {
    Add(File, Line, TSeverity::Error, std::move(Message));
  }
  void Warning(std::string_view File, int32_t Line, std::string Message) {
    Add(File, Line, TSeverity::Warning, std::move(Message));
  }

  // In the order found.
  const std::vector<TFinding>& Items() const { return FItems; }
  // By file, then line, then the order found: how reports list them.
  std::vector<TFinding> Sorted() const;
  size_t ErrorCount() const;
  size_t WarningCount() const;
  bool HasErrors() const { return ErrorCount() > 0; }

private:
  std::vector<TFinding> FItems;
};

// The path as findings name it: '\' becomes '/'.
std::string FindingPath(std::string_view ContentPath);
