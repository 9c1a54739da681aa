#include "net/manifest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char kValid[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<rel>\n"
    "  <download_url>http://server/update/qel_1.2.3.4.7z</download_url>\n"
    "  <number>1.2.3.4</number>\n"
    "  <checksum>0123456789abcdef0123456789abcdef</checksum>\n"
    "  <download_url>http://server/second.7z</download_url>\n"
    "</rel>\n";

TEST(ParseManifest, ReadsTheThreeValuesOfAValidManifest) {
  ManifestValues values;
  EXPECT_TRUE(ParseManifest(kValid, values));
  EXPECT_EQ("http://server/update/qel_1.2.3.4.7z", values.archive_url);  // first one counts
  EXPECT_EQ("1.2.3.4", values.version);
  EXPECT_EQ("0123456789abcdef0123456789abcdef", values.checksum);
}

TEST(ParseManifest, CdataAndAttributesAndOtherElements) {
  ManifestValues values;
  EXPECT_TRUE(ParseManifest(
      "<rel kind='x'><note>ignored</note><download_url><![CDATA[http://s/a.7z?x=1&y=2]]>"
      "</download_url><number><![CDATA[2.0.0.1]]></number><checksum/></rel>",
      values));
  EXPECT_EQ("http://s/a.7z?x=1&y=2", values.archive_url);
  EXPECT_EQ("2.0.0.1", values.version);
  EXPECT_EQ("", values.checksum);  // present but without text
}

TEST(ParseManifest, UnusableDocumentsGiveNoArchiveUrl) {
  std::string junk(1 << 20, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 131 + 17) % 251 + 1);
  const std::string cases[] = {
      "",
      "not xml at all",
      "<rel><number>1.0.0.0</number><checksum>abc</checksum></rel>",       // no download_url
      "<rel><download_url></download_url></rel>",                          // empty URL
      "<other><download_url>http://s/a.7z</download_url></other>",         // no rel root
      "<rel><download_url>http://s/a.7z</download_url>",                   // cut short
      std::string(1, '\0') + "<rel><download_url>x</download_url></rel>",  // NUL first
      junk,
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 60));
    ManifestValues values;
    values.archive_url = "stale";
    values.version = "9.9.9.9";
    EXPECT_FALSE(ParseManifest(text, values));
    EXPECT_EQ("", values.archive_url);
  }
}

TEST(ParseManifest, MissingNumberAndChecksumKeepThePreviousValues) {
  ManifestValues values;
  values.version = "1.0.0.0";
  values.checksum = "old";
  EXPECT_TRUE(ParseManifest("<rel><download_url>http://s/a.7z</download_url></rel>", values));
  EXPECT_EQ("1.0.0.0", values.version);
  EXPECT_EQ("old", values.checksum);
}

TEST(ParseManifest, ReadsUpToTheFirstNul) {
  const std::string text =
      std::string("<rel><download_url>http://s/a.7z</download_url></rel>") + '\0' + "<junk";
  ManifestValues values;
  EXPECT_TRUE(ParseManifest(text, values));
  EXPECT_EQ("http://s/a.7z", values.archive_url);
}

// Also built in the native lane, where no application object exists at all.
TEST(ReadQelManifest, FillsTheEngineValuesWithoutAnApplicationObject) {
  std::string url = "vecchio", version = "1", checksum = "c";
  EXPECT_TRUE(ReadQelManifest(kValid, url, version, checksum));
  EXPECT_FALSE(url.empty());
  EXPECT_NE("1", version);
  const std::string kept_version = version, kept_checksum = checksum;
  EXPECT_FALSE(ReadQelManifest("junk", url, version, checksum));
  EXPECT_TRUE(url.empty());
  EXPECT_EQ(kept_version, version);
  EXPECT_EQ(kept_checksum, checksum);
}

}  // namespace
