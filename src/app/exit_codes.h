// The process exit codes of the setup, both modes. The interactive wizard ends with 0 for
// whatever the user chose; an unattended run gives each outcome its own code, so that a
// script can tell them apart (the setup log says the details).
#pragma once

constexpr int kExitDone = 0;
constexpr int kExitAlreadyRunning = 1;  // another setup holds the single-instance mutex
constexpr int kExitBadCommandLine = 2;  // unattended switches missing or malformed
// The installed workstation could not be registered in the office's SharedInfo.
constexpr unsigned kExitNotRegistered = 4;
constexpr int kExitInitFailed = 9;              // the start-up failed before any choice
constexpr int kExitQuestionUnanswered = 10;     // a question no switch answers
constexpr int kExitOfficeRefused = 11;          // new office: code, password, already here
constexpr int kExitOfficeUnavailable = 12;      // no office of the kind the flow needs
constexpr int kExitDestinationRefused = 13;     // drive, folder, rights or free space
constexpr int kExitInstallLocked = 14;          // another installation's lock on the office
constexpr int kExitPlatformRunning = 15;        // the platform stayed open
constexpr int kExitDownloadFailed = 16;         // connection problems after the retries
constexpr int kExitSignatureRefused = 17;       // a download without a valid signature
constexpr int kExitProxyCredentials = 18;       // the proxy asks for credentials not given
constexpr int kExitCannotSave = 19;             // a package could not be written to disk
constexpr int kExitUnpackFailed = 20;           // unpacking or placing a component failed
constexpr int kExitUserDataInUse = 21;          // restore: the client's data in use
constexpr int kExitShareFailed = 22;            // installed, but the share was not created
