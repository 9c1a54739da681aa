// The switches of an unattended run: which flow, the office, its password, the destination and
// the answers to the questions the wizard would ask. Pure: no Windows calls.
#pragma once
#include <string>

enum class UnattendedFlow { kNone, kNewOffice, kAddWorkstation, kPeripheralUnit, kRestore };
enum class Answer { kUnset, kYes, kNo };

struct UnattendedOptions {
  bool enabled = false;  // "/QUIET"
  UnattendedFlow flow = UnattendedFlow::kNone;
  std::string office_code;    // as given; checked by the office rules
  std::string password;       // "/PASSWORD=", or read from password_file
  std::string password_file;  // "/PASSWORDFILE="
  std::string destination;    // "/DIR=": a drive ("D", "D:", "D:\") or an office folder
  Answer share = Answer::kUnset;         // "/SHARING=YES|NO"
  Answer network_unit = Answer::kUnset;  // "/NETWORKUNIT=YES|NO"
  bool accept_invalid = false;           // "/ACCEPTINVALID"
  bool ignore_lock = false;              // "/IGNORELOCK"
  std::string proxy_user;                // "/PROXYUSER="
  std::string proxy_password;            // "/PROXYPASSWORD="
  int retries = 3;                       // "/RETRIES=": further attempts after a failure
  int retry_wait_seconds = 30;           // "/RETRYWAIT=": pause before each of them
};

// The longest password the new-office page takes.
constexpr size_t kMaxPasswordLength = 19;

// Reads the unattended switches of a command line ("/UP" is the unit's flow). Without
// "/QUIET" nothing is enabled and the other switches of this kind are left unused, as before.
// False with `error` (English, for the log) when the unattended command line is not usable:
// an unknown or repeated flow, a missing or malformed value, an unknown switch.
bool ReadUnattendedSwitches(const std::string& raw, UnattendedOptions& options,
                            std::string& error);

// The password as the new-office page would store it: empty `error` when it can be taken.
std::string CheckPassword(const std::string& password);

// The first line of a password file (up to CR, LF or the end); false when it holds a NUL.
bool PasswordFromFile(const std::string& bytes, std::string& password);

// The command line as it may be logged: the values of the password switches hidden.
std::string MaskSecrets(const std::string& raw);
