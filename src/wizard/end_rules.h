// What the end page decides: the workstation's registration, the platform's configuration
// text, and the offer to share the office folder. Pure apart from the log, SharedInfo and
// the services.
#pragma once
#include <string>

#include "survey/setting.h"
#include "wizard/prompter.h"

// False for an empty path; otherwise, with a backslash appended when missing, whether the
// path is a drive root such as "D:\".
bool IsDriveRoot(const std::string& path);

// The platform year folder as the end page names it: the engine's year_path without its
// trailing backslash ("D:\ZAV\PM00123\ZAV2021").
std::string YearFolderPath(const std::string& year_path);

// INSTALLA.MOD as it reaches the disk: the office code as five digits, the password, the
// bytes CR CR LF (a "\r\n" written in text mode), the platform year folder, no line end.
std::string InstallaModBytes(const std::string& office_code, const std::string& password,
                             const std::string& year_path);

// The process's own command line split at its first "/": the program (trailing blanks and
// one pair of surrounding quotes removed) and the parameter list from the "/" on.
void SplitOwnCommandLine(const std::string& raw, std::string& program, std::string& parameters);

// The template with its "%" replaced by `year_path`; false (and `out` unchanged) without one.
bool ReplacePercent(const std::string& pattern, const std::string& year_path, std::string& out);

// Registers the workstation in the office's SharedInfo database (created when missing).
enum class Registration {
  kDone,
  kNotRegistered,  // the database, the year's row or the workstation's not written: unusable
};
// `copied` tells whether DuplicateEntireYear added workpoints (the Finish message).
Registration RegisterWorkstation(const std::string& database, const CSetting& setting,
                                 Prompter& prompter, bool& copied);

// The share calls of the offer, and the elevated re-launch of this setup.
class ShareOfferServices {
 public:
  virtual ~ShareOfferServices() = default;
  virtual bool IsNetworkDrive(const std::string& root) = 0;
  virtual bool IsDestinationShared(const std::string& folder) = 0;
  virtual bool OfficeShareExists(const std::string& office_code) = 0;
  // True when shared; `status` gets the share-creation status.
  virtual bool CreateOfficeShare(const std::string& office_code, const std::string& folder,
                                 int& status) = 0;
  // The process's own command line.
  virtual std::string OwnCommandLine() = 0;
  // Starts the program elevated and hidden and waits at most 4 seconds for it. False with
  // `error` when it could not be started; otherwise true with `exit_read` telling whether
  // its exit code could be read into `exit_code`.
  virtual bool RunElevated(const std::string& program, const std::string& parameters,
                           unsigned long& error, bool& exit_read, unsigned long& exit_code) = 0;
};

// Whether the folder would be offered for sharing: local, not a drive root, not shared yet.
// With `log` the reason of a refusal is logged.
bool ShareOfferDue(const std::string& folder, const std::string& office_code,
                   ShareOfferServices& services, bool log);

enum class ShareOffer { kNotOffered, kDeclined, kShared, kFailed };
// The share offer for an office folder, with every question and message.
ShareOffer OfferShare(const std::string& folder, const std::string& office_code,
                      Prompter& prompter, ShareOfferServices& services);

// A UNC path, or one on a network drive.
bool IsOnNetwork(const std::string& path, ShareOfferServices& services);

// Whether the peripheral unit's configuration may be converted in its year folder. A folder
// on a network drive is the office's own shared folder, used by the other PCs: converting it
// would turn the whole office into a unit, so the user is asked first (No leaves it as it is).
bool MayConvertUnitFolder(const std::string& year_path, Prompter& prompter,
                          ShareOfferServices& services);

// "Per accedere alla Piattaforma ZAV <year> anche dalle altre postazioni..." (Finish).
std::string WorkpointsCopiedText(const std::string& current_year);
