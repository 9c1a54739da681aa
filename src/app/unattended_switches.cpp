#include "app/unattended_switches.h"

#include <vector>

#include "sys/string_utils.h"

namespace {

// The switches of the interactive command line: known in an unattended one too.
const char* const kPlainSwitches[] = {"SKIPUPDATE", "SKIPPERMISSION", "NODISCOVERY",
                                      "DEV",        "TEST1",          "NOQELRUNNINGCHECK", "?"};

bool IsPlainSwitch(const std::string& word) {
  for (const char* known : kPlainSwitches)
    if (word == known) return true;
  return false;
}

// A value keeps its letter case; one pair of surrounding quotes is dropped, so that a folder
// with blanks can be given.
std::string ValueOf(const std::string& piece, size_t equals) {
  std::string value = TrimSpaces(piece.substr(equals + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

bool ReadAnswer(const std::string& value, Answer& answer) {
  const std::string word = ToUpperCopy(value);
  if (word == "YES") answer = Answer::kYes;
  else if (word == "NO") answer = Answer::kNo;
  else return false;
  return true;
}

bool ReadNumber(const std::string& value, int highest, int& number) {
  if (value.empty() || value.size() > 4) return false;
  for (char c : value)
    if (c < '0' || c > '9') return false;
  number = StringToInt(value);
  return number <= highest;
}

}  // namespace

std::string CheckPassword(const std::string& password) {
  if (password.empty()) return "the password is empty";
  if (password.size() > kMaxPasswordLength)
    return "the password is longer than " + IntToString(kMaxPasswordLength) + " characters";
  for (unsigned char c : password)
    if (c < 0x20) return "the password holds a control character";
  return {};
}

bool PasswordFromFile(const std::string& bytes, std::string& password) {
  const size_t end = bytes.find_first_of("\r\n");
  const std::string line = bytes.substr(0, end);
  if (line.find('\0') != std::string::npos) return false;
  password = line;
  return true;
}

bool ReadUnattendedSwitches(const std::string& raw, UnattendedOptions& options,
                            std::string& error) {
  options = UnattendedOptions();
  std::vector<std::string> pieces;
  SplitString(raw, "/", pieces);
  int flows = 0;
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::string piece = TrimSpaces(pieces[i]);
    const size_t equals = piece.find('=');
    const std::string word = ToUpperCopy(TrimSpaces(piece.substr(0, equals)));
    if (equals == std::string::npos) {
      if (word == "QUIET") options.enabled = true;
      else if (word == "ACCEPTINVALID") options.accept_invalid = true;
      else if (word == "IGNORELOCK") options.ignore_lock = true;
      else if (word == "NEWOFFICE" || word == "ADDPC" || word == "UP" || word == "RESTORE") {
        ++flows;
        options.flow = word == "NEWOFFICE" ? UnattendedFlow::kNewOffice
                       : word == "ADDPC"   ? UnattendedFlow::kAddWorkstation
                       : word == "UP"      ? UnattendedFlow::kPeripheralUnit
                                           : UnattendedFlow::kRestore;
      } else if (!IsPlainSwitch(word)) {
        error = "unknown switch /" + piece;
      }
      continue;
    }
    const std::string value = ValueOf(piece, equals);
    bool usable = !value.empty();
    if (word == "OFFICE") options.office_code = value;
    else if (word == "PASSWORD") options.password = value;
    else if (word == "PASSWORDFILE") options.password_file = value;
    else if (word == "DIR") options.destination = value;
    else if (word == "SHARING") usable = ReadAnswer(value, options.share);
    else if (word == "NETWORKUNIT") usable = ReadAnswer(value, options.network_unit);
    else if (word == "PROXYUSER") options.proxy_user = value;
    else if (word == "PROXYPASSWORD") options.proxy_password = value;
    else if (word == "RETRIES") usable = ReadNumber(value, 100, options.retries);
    else if (word == "RETRYWAIT") usable = ReadNumber(value, 3600, options.retry_wait_seconds);
    else {
      error = "unknown switch /" + word + "=";
      continue;
    }
    if (!usable && error.empty()) error = "no usable value in /" + word + "=";
  }
  if (!options.enabled) {
    // The interactive command line ignores what it does not know, as it always did.
    options = UnattendedOptions();
    error.clear();
    return true;
  }
  if (!error.empty()) return false;
  if (flows == 0) error = "no flow given: /NEWOFFICE, /ADDPC, /UP or /RESTORE";
  else if (flows > 1) error = "more than one flow given";
  else if (options.flow != UnattendedFlow::kRestore && options.office_code.empty())
    error = "no office code given: /OFFICE=";
  else if (!options.password.empty() && !options.password_file.empty())
    error = "both /PASSWORD= and /PASSWORDFILE= given";
  else if (options.flow == UnattendedFlow::kNewOffice && options.password.empty() &&
           options.password_file.empty())
    error = "a new office needs /PASSWORD= or /PASSWORDFILE=";
  else if (!options.password.empty())
    error = CheckPassword(options.password);
  return error.empty();
}

std::string MaskSecrets(const std::string& raw) {
  std::vector<std::string> pieces;
  SplitString(raw, "/", pieces);
  std::string masked = pieces.empty() ? std::string() : pieces[0];
  for (size_t i = 1; i < pieces.size(); ++i) {
    std::string piece = pieces[i];
    const size_t equals = piece.find('=');
    const std::string word = ToUpperCopy(TrimSpaces(piece.substr(0, equals)));
    if (equals != std::string::npos && (word == "PASSWORD" || word == "PROXYPASSWORD"))
      piece = piece.substr(0, equals + 1) + "***" +
              piece.substr(piece.find_last_not_of(' ') + 1);
    masked += "/" + piece;
  }
  return masked;
}
