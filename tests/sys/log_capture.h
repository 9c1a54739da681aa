// The setup-log messages written since the capture began (timestamps removed), for tests
// that check log lines. Other processes may append too: match on texts unique to the test.
#pragma once
#include <string>
#include <vector>

class LogCapture {
 public:
  LogCapture();
  std::vector<std::string> Messages() const;
  // Messages that contain `part`, in order.
  std::vector<std::string> MessagesWith(const std::string& part) const;
  bool Has(const std::string& message) const;

 private:
  size_t start_ = 0;
};
