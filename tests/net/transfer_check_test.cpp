// What a server's answer may claim about a body, hostile claims included.
#include "net/transfer_check.h"

#include <gtest/gtest.h>

namespace {

TEST(TransferCheck, CompleteOnlyWithABodyStatusAndTheAnnouncedLength) {
  const struct {
    int32_t status;
    bool known;
    int64_t length, received;
    bool complete;
  } cases[] = {
      {200, true, 10, 10, true},
      {206, true, 3000000000LL, 3000000000LL, true},
      {200, false, 0, 0, false},  // an empty 200 without Content-Length
      {200, true, 10, 9, false},
      {200, true, 10, 11, false},
      {404, true, 3, 3, false},
      {0, true, 0, 0, false},
      {200, true, 3000000000LL, 100, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.complete, IsCompleteTransfer(c.status, c.known, c.length, c.received))
        << c.status << " " << c.length << " " << c.received;
}

TEST(TransferCheck, LengthsAndRangesAreReadStrictly) {
  int64_t v = -1;
  EXPECT_TRUE(ParseLength("3000000000", &v));
  EXPECT_EQ(3000000000LL, v);
  for (const char* bad : {"", "-1", "12a", " 12", "1234567890123456789"})
    EXPECT_FALSE(ParseLength(bad, &v)) << bad;

  int64_t first = 0, last = 0, total = 0;
  EXPECT_TRUE(ParseContentRange("bytes 120000-300287/300288", &first, &last, &total));
  EXPECT_EQ(120000, first);
  EXPECT_EQ(300287, last);
  EXPECT_EQ(300288, total);
  for (const char* bad : {"bytes 5-3/10", "bytes 0-10/10", "bytes 0-9/*", "bytes */10",
                          "items 0-9/10", "bytes 0-9", "bytes -9/10", ""})
    EXPECT_FALSE(ParseContentRange(bad, &first, &last, &total)) << bad;
}

TEST(TransferCheck, ResumeRecordNeedsItsUrlValidatorAndLength) {
  const ResumeRecord record{"http://server:80/update/qel.7z", "\"6b1a8bde-49502\"", 3000000000LL};
  ResumeRecord back;
  ASSERT_TRUE(ParseResumeRecord(FormatResumeRecord(record), &back));
  EXPECT_EQ(record.url, back.url);
  EXPECT_EQ(record.validator, back.validator);
  EXPECT_EQ(record.total, back.total);
  for (const char* bad : {"", "http://x/a\n\n10\n", "http://x/a\n\"v\"\n\n",
                          "http://x/a\n\"v\"\n10", "\n\"v\"\n10\n"})
    EXPECT_FALSE(ParseResumeRecord(bad, &back)) << bad;
}

}  // namespace
