// Splitting a request URL into scheme, host, port and object path. Pure: no Windows calls.
#pragma once
#include <string>

struct RequestUrl {
  bool valid = false;  // false: no scheme separator, or nothing left for a host
  bool https = false;  // scheme is exactly "https"
  std::string host;
  std::string path;    // always starts with "/"
  int port = 80;
};

// "scheme://host[:port]/path". The scheme is compared case-sensitively; anything but
// "https" is plain HTTP. A host ending in ":digits" names the port (the update server of a
// build may be given as host:port); otherwise 443 for https, 80 for http.
RequestUrl ParseRequestUrl(const std::string& url);
