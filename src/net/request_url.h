// Splitting a request URL into scheme, host, port and object path. Pure: no Windows calls.
#pragma once
#include <cstdint>
#include <string>

struct RequestUrl {
  bool valid = false;  // false: no scheme separator, or nothing left for a host
  bool https = false;  // scheme is exactly "https"
  std::string host;
  std::string path;  // always starts with "/"
  int port = 80;
};

// "scheme://host[:port]/path". The scheme is compared case-sensitively; anything but
// "https" is plain HTTP. A host ending in ":digits" names the port (the update server of a
// build may be given as host:port); otherwise 443 for https, 80 for http.
RequestUrl ParseRequestUrl(const std::string& url);

// HttpOpenRequestA flags: reload without cache, redirects to the other scheme and bad
// certificate dates or names tolerated; HTTPS adds the secure flag (0x00800000).
constexpr uint32_t kRequestFlagsHttp = 0x8400F500;
constexpr uint32_t kRequestFlagsHttps = 0x8480F500;
inline uint32_t RequestOpenFlags(const RequestUrl& url) {
  return url.https ? kRequestFlagsHttps : kRequestFlagsHttp;
}
