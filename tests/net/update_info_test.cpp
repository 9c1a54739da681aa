#include "net/update_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/setup_log.h"
#include "net/own_version.h"
#include "support/process.h"
#include "support/temp_folder.h"

namespace {

std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  ParseUpdateInfo(text, fields);
  return fields;
}

TEST(ParseUpdateInfo, NeedsMoreThanThreeNumericFields) {
  std::vector<std::string> fields;
  EXPECT_TRUE(ParseUpdateInfo("1.2.0.15", fields));
  EXPECT_EQ((std::vector<std::string>{"1", "2", "0", "15"}), fields);
  EXPECT_TRUE(ParseUpdateInfo("1.2.0.15\r\n", fields));  // the line end stays in the field
  EXPECT_TRUE(ParseUpdateInfo("1.2.0.15.1", fields));
  EXPECT_EQ(5u, fields.size());
  EXPECT_FALSE(ParseUpdateInfo("1.2.0", fields));
  EXPECT_EQ(3u, fields.size());
  EXPECT_FALSE(ParseUpdateInfo("", fields));
  EXPECT_FALSE(ParseUpdateInfo("1..0.1", fields));        // empty field counts, but is no number
  EXPECT_FALSE(ParseUpdateInfo("<html>.x.y.z", fields));  // an error page instead of the file
}

TEST(ParseUpdateInfo, LogsTheFieldCountAndTheText) {
  std::vector<std::string> fields;
  const size_t before = ReadTextFile(GetLogFilePath()).size();
  ParseUpdateInfo("1.2.0", fields);
  ParseUpdateInfo("x.1.2.3", fields);
  ParseUpdateInfo("1.2.0.15", fields);  // valid: no line
  const std::string log = ReadTextFile(GetLogFilePath()).substr(before);
  EXPECT_NE(std::string::npos,
            log.find("[* WARN] Error on information parsing. Size is 3 expected 4 -> 1.2.0\r\n"));
  EXPECT_NE(std::string::npos,
            log.find("[* WARN] Error on information parsing. Size is 4 expected 4 -> x.1.2.3\r\n"));
  EXPECT_EQ(std::string::npos, log.find("-> 1.2.0.15"));
}

TEST(IsServerVersionNewer, ComparesFieldByFieldAsNumbers) {
  const std::vector<std::string> server = Fields("1.2.0.15\r\n");
  EXPECT_TRUE(IsServerVersionNewer(server, Fields("1.2.0.14")));
  EXPECT_FALSE(IsServerVersionNewer(server, Fields("1.2.0.15")));
  EXPECT_FALSE(IsServerVersionNewer(server, Fields("1.3.0.0")));
  EXPECT_TRUE(IsServerVersionNewer(Fields("1.10.0.0"), Fields("1.9.0.0")));      // not as text
  EXPECT_FALSE(IsServerVersionNewer(Fields("1.2.0.15.1"), Fields("1.2.0.14")));  // count
  EXPECT_FALSE(IsServerVersionNewer(server, {}));  // own version unavailable
  EXPECT_FALSE(IsServerVersionNewer({}, Fields("1.2.0.14")));
}

TEST(ReadFileVersionFields, ReadsTheSetupVersionResource) {
  std::vector<std::string> fields;
  ASSERT_TRUE(ReadFileVersionFields(SetupExePath(), fields));
  std::vector<std::string> expected;
  ParseUpdateInfo(ZAV_VERSION_TEXT, expected);
  EXPECT_EQ(expected, fields);
  // The test program itself carries no version resource: no update can be offered.
  EXPECT_FALSE(ReadOwnVersionFields(fields));
  EXPECT_TRUE(fields.empty());
  EXPECT_FALSE(ReadFileVersionFields("Z:\\no\\such\\file.exe", fields));
}

}  // namespace
