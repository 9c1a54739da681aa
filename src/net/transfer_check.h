// Whether a download arrived whole, and the small texts of a resumed one. Pure: no Windows
// calls.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// An answer that carries a body: the whole file (200) or the rest of it (206).
inline bool IsBodyStatus(int32_t status_code) { return status_code == 200 || status_code == 206; }

// Complete only with a body status and exactly the announced length: a cut connection or a
// server that sends no Content-Length (an empty 200 included) never passes for a good
// package. `received` counts the whole file, a resumed part included.
inline bool IsCompleteTransfer(int32_t status_code, bool length_known, int64_t content_length,
                               int64_t received) {
  return IsBodyStatus(status_code) && length_known && content_length >= 0 &&
         received == content_length;
}

// A header's decimal number (Content-Length): false when absent, empty, not all digits or
// beyond 63 bits.
inline bool ParseLength(const std::string& text, int64_t* value) {
  if (text.empty() || text.size() > 18) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  *value = v;
  return true;
}

// "bytes FIRST-LAST/TOTAL" of a 206 answer; false for anything else (an unknown total "*"
// included: a resumed file must know where it ends).
inline bool ParseContentRange(const std::string& text, int64_t* first, int64_t* last,
                              int64_t* total) {
  const std::string unit = "bytes ";
  if (text.compare(0, unit.size(), unit) != 0) return false;
  const size_t dash = text.find('-', unit.size());
  const size_t slash = text.find('/', unit.size());
  if (dash == std::string::npos || slash == std::string::npos || dash > slash) return false;
  return ParseLength(text.substr(unit.size(), dash - unit.size()), first) &&
         ParseLength(text.substr(dash + 1, slash - dash - 1), last) &&
         ParseLength(text.substr(slash + 1), total) && *first <= *last && *last < *total;
}

// What is kept beside a partial file so that the next request can ask for the rest only:
// the URL, the server's validator of that file (ETag or Last-Modified) and its length.
struct ResumeRecord {
  std::string url;
  std::string validator;
  int64_t total = -1;
};

inline std::string FormatResumeRecord(const ResumeRecord& record) {
  return record.url + "\n" + record.validator + "\n" + std::to_string(record.total) + "\n";
}

// False for a text that is not three lines with a known length (then the partial file is
// not resumed: it starts from zero).
inline bool ParseResumeRecord(const std::string& text, ResumeRecord* record) {
  const size_t a = text.find('\n');
  const size_t b = a == std::string::npos ? a : text.find('\n', a + 1);
  const size_t c = b == std::string::npos ? b : text.find('\n', b + 1);
  if (c == std::string::npos) return false;
  record->url = text.substr(0, a);
  record->validator = text.substr(a + 1, b - a - 1);
  return !record->url.empty() && !record->validator.empty() &&
         ParseLength(text.substr(b + 1, c - b - 1), &record->total);
}
