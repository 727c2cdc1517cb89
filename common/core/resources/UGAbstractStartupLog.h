// Receives start-up progress and errors: resources loaded and cached, and the application's
// steps. The base does nothing; the program shows them on its start-up screen.
#pragma once

#include <cstdint>
#include <string>

class TGAbstractStartupLog {
public:
  virtual ~TGAbstractStartupLog() = default;
  virtual void Info(const std::string& Text) { (void)Text; }
  virtual void Error(const std::string& Text) { (void)Text; }
  virtual void SetProgress(int Percent) { (void)Percent; }
  virtual void SetCachingProgress(double Fraction) { (void)Fraction; }
  void OnResourceError() {}

  int32_t ResourceErrorCount = 0;
};
