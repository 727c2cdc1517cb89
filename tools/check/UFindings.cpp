#include "UFindings.h"

#include <algorithm>
#include <utility>

std::string FindingPath(std::string_view ContentPath) {
  std::string Path(ContentPath);
  std::replace(Path.begin(), Path.end(), '\\', '/');
  return Path;
}

void TFindings::Add(std::string_view File, int32_t Line, TSeverity Severity, std::string Message) {
  FItems.push_back(
      TFinding{FindingPath(File), std::max<int32_t>(Line, 1), Severity, std::move(Message)});
}

std::vector<TFinding> TFindings::Sorted() const {
  std::vector<TFinding> Result = FItems;
  std::stable_sort(Result.begin(), Result.end(), [](const TFinding& A, const TFinding& B) {
    return A.File != B.File ? A.File < B.File : A.Line < B.Line;
  });
  return Result;
}

size_t TFindings::ErrorCount() const {
  return static_cast<size_t>(std::count_if(FItems.begin(), FItems.end(), [](const TFinding& F) {
    return F.Severity == TSeverity::Error;
  }));
}

size_t TFindings::WarningCount() const {
  return FItems.size() - ErrorCount();
}
