#include "app/unattended_switches.h"

#include <gtest/gtest.h>

namespace {

struct Refusal {
  const char* command_line;
  const char* error;  // the start of the reason; "" when the line is usable
};

}  // namespace

TEST(UnattendedSwitches, UsableLinesAndEachRefusal) {
  const Refusal cases[] = {
      {"/QUIET /NEWOFFICE /OFFICE=123 /PASSWORD=segreto", ""},
      {"/quiet /addpc /office=00123", ""},
      {"/QUIET /RESTORE", ""},
      {"/QUIET", "no flow given"},
      {"/QUIET /NEWOFFICE /RESTORE /OFFICE=1 /PASSWORD=x", "more than one flow"},
      {"/QUIET /UP /ADDPC /OFFICE=1", "more than one flow"},
      {"/QUIET /ADDPC", "no office code given"},
      {"/QUIET /NEWOFFICE /OFFICE=123", "a new office needs"},
      {"/QUIET /NEWOFFICE /OFFICE=1 /PASSWORD=a /PASSWORDFILE=b", "both /PASSWORD="},
      {"/QUIET /NEWOFFICE /OFFICE=1 /PASSWORD=12345678901234567890", "the password is longer"},
      {"/QUIET /ADDPC /OFFICE=", "no usable value in /OFFICE="},
      {"/QUIET /RESTORE /SHARING=MAYBE", "no usable value in /SHARING="},
      {"/QUIET /RESTORE /RETRIES=101", "no usable value in /RETRIES="},
      {"/QUIET /RESTORE /RETRYWAIT=-1", "no usable value in /RETRYWAIT="},
      {"/QUIET /RESTORE /PASWORD=x", "unknown switch /PASWORD="},
      {"/QUIET /RESTORE /UPDATE", "unknown switch /UPDATE"},
      // Without /QUIET nothing changes: what is unknown is ignored, as always.
      {"/NEWOFFICE /OFFICE= /PASWORD=x /UPDATE", ""},
  };
  for (const Refusal& c : cases) {
    UnattendedOptions options;
    std::string error;
    const bool usable = ReadUnattendedSwitches(c.command_line, options, error);
    EXPECT_EQ(usable, *c.error == '\0') << c.command_line << ": " << error;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.command_line << ": " << error;
  }
  UnattendedOptions options;
  std::string error;
  EXPECT_TRUE(ReadUnattendedSwitches("/NEWOFFICE /OFFICE=1", options, error));
  EXPECT_FALSE(options.enabled);
  EXPECT_EQ(options.flow, UnattendedFlow::kNone);
  // "/UP" is the interactive switch's own word: with /QUIET it is the unit's flow.
  EXPECT_TRUE(ReadUnattendedSwitches("/UP /QUIET /OFFICE=7", options, error));
  EXPECT_EQ(options.flow, UnattendedFlow::kPeripheralUnit);
}

TEST(UnattendedSwitches, ValuesKeepTheirCaseAndLoseOnePairOfQuotes) {
  UnattendedOptions o;
  std::string error;
  ASSERT_TRUE(ReadUnattendedSwitches(
      "/QUIET /NEWOFFICE /OFFICE= 123  /PASSWORD=SeGreto /DIR=\"D:\\Uffici ZAV\\PM00123\" "
      "/sharing=yes /NetworkUnit=No /ACCEPTINVALID /IGNORELOCK /PROXYUSER=Mario "
      "/PROXYPASSWORD=pw /RETRIES=0 /RETRYWAIT=5 /DEV /SKIPUPDATE",
      o, error))
      << error;
  EXPECT_EQ(o.office_code, "123");
  EXPECT_EQ(o.password, "SeGreto");
  EXPECT_EQ(o.destination, "D:\\Uffici ZAV\\PM00123");
  EXPECT_EQ(o.share, Answer::kYes);
  EXPECT_EQ(o.network_unit, Answer::kNo);
  EXPECT_TRUE(o.accept_invalid && o.ignore_lock);
  EXPECT_EQ(o.proxy_user + ":" + o.proxy_password, "Mario:pw");
  EXPECT_EQ(o.retries, 0);
  EXPECT_EQ(o.retry_wait_seconds, 5);
}

TEST(UnattendedSwitches, SecretsStayOutOfTheLogAndFilesGiveOneLine) {
  EXPECT_EQ(MaskSecrets("/QUIET /PASSWORD=segreto /OFFICE=1 /proxypassword = x y /DIR=D:"),
            "/QUIET /PASSWORD=*** /OFFICE=1 /proxypassword =*** /DIR=D:");
  EXPECT_EQ(MaskSecrets("no switch"), "no switch");
  std::string password;
  EXPECT_TRUE(PasswordFromFile("segreto\r\nsecond line", password));
  EXPECT_EQ(password, "segreto");
  EXPECT_TRUE(PasswordFromFile("\xE8tre", password));
  EXPECT_EQ(password, "\xE8tre");
  EXPECT_FALSE(PasswordFromFile(std::string("se\0greto", 8), password));
  EXPECT_EQ(CheckPassword(""), "the password is empty");
  EXPECT_EQ(CheckPassword("a\tb"), "the password holds a control character");
  EXPECT_EQ(CheckPassword(std::string(kMaxPasswordLength, 'x')), "");
}
