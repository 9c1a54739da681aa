#include "net/request_url.h"

#include <gtest/gtest.h>

TEST(ParseRequestUrl, SplitsSchemeHostPortAndPath) {
  struct Case {
    const char* url;
    bool valid, https;
    const char* host;
    const char* path;
    int port;
  } cases[] = {
      {"https://server/update/x.xml", true, true, "server", "/update/x.xml", 443},
      {"http://server", true, false, "server", "/", 80},
      {"http://server/", true, false, "server", "/", 80},
      {"HTTPS://server/a", true, false, "server", "/a", 80},  // scheme compared exactly
      {"ftp://server/a", true, false, "server", "/a", 80},
      {"http://server/a/b?x=1&y=/2", true, false, "server", "/a/b?x=1&y=/2", 80},
      {"http://127.0.0.1:8080/files/a", true, false, "127.0.0.1", "/files/a", 8080},
      {"https://h:8443", true, true, "h", "/", 8443},
      {"http://h:99999/a", true, false, "h:99999", "/a", 80},  // not a port: left in host
      {"http://h:/a", true, false, "h:", "/a", 80},
      {"http://", true, false, "", "/", 80},
      {"server/update/x.xml", false, false, "", "", 80},  // no scheme separator
      {"", false, false, "", "", 80},
      {"http:", false, false, "", "", 80},  // too little after the separator
      {"http:/", false, false, "", "", 80},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    const RequestUrl url = ParseRequestUrl(c.url);
    EXPECT_EQ(c.valid, url.valid);
    if (!c.valid) continue;
    EXPECT_EQ(c.https, url.https);
    EXPECT_EQ(c.host, url.host);
    EXPECT_EQ(c.path, url.path);
    EXPECT_EQ(c.port, url.port);
    EXPECT_EQ(c.https ? 0x8480F500u : 0x8400F500u, RequestOpenFlags(url));
  }
}
