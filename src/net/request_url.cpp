#include "net/request_url.h"

#include <cstdlib>

namespace {

// Splits a trailing ":digits" off `host` when it is a valid port number.
bool SplitPort(std::string& host, int& port) {
  const size_t colon = host.rfind(':');
  if (colon == std::string::npos || colon + 1 >= host.size() || host.size() - colon > 6)
    return false;
  for (size_t i = colon + 1; i < host.size(); ++i)
    if (host[i] < '0' || host[i] > '9') return false;
  const long value = std::strtol(host.c_str() + colon + 1, nullptr, 10);
  if (value < 1 || value > 65535) return false;
  port = static_cast<int>(value);
  host.erase(colon);
  return true;
}

}  // namespace

RequestUrl ParseRequestUrl(const std::string& url) {
  RequestUrl result;
  const size_t colon = url.find(':');
  // The separator must be followed by the two slashes; with fewer than two characters after
  // it there is no host to split off at all.
  if (colon == std::string::npos || url.size() - colon - 1 < 2) return result;
  result.valid = true;
  result.https = url.compare(0, colon, "https") == 0;
  const std::string rest = url.substr(colon + 3);
  const size_t slash = rest.find('/');
  if (slash == std::string::npos) {
    result.host = rest;
    result.path = "/";
  } else {
    result.host = rest.substr(0, slash);
    result.path = rest.substr(slash);
  }
  result.port = result.https ? 443 : 80;
  SplitPort(result.host, result.port);
  return result;
}
