// Builders of earlier installations on disk for the survey tests, and a search in the
// setup log lines that LogCapture (tests/sys/log_capture.h) returns.
#pragma once
#include <string>
#include <vector>

// The stored form of a decoded PROT text (character i, from 1, minus i).
std::string EncodeProt(const std::string& decoded);

// <zav_path>\HOME\BIN\ZAVOLINF.TXT with [DATA] PROT=<raw value>.
void MakeOlinf(const std::string& zav_path, const std::string& raw_prot);
// ... with the encoded form of pm + password.
void MakeOlinfFor(const std::string& zav_path, const std::string& pm, const std::string& password);
// <zav_path>\FILES\uffaut with the office number at offsets 521 (high) and 522 (low).
void MakeUffaut(const std::string& zav_path, unsigned office_number);
// <zav_path>\HOME\ETC\INSTALLA.MOD with exactly these bytes.
void MakeInstallaMod(const std::string& zav_path, const std::string& bytes);
// Any file below `path` (folders created).
void MakeFile(const std::string& path, const std::string& bytes);

// Registers a workstation in <folder>\ZAV_Shared\SharedInfo (created when missing) for
// `year`, rooted at `install_root` (ends with a backslash). Empty assignee: the current one.
void RegisterWorkpoint(const std::string& folder, const std::string& pm,
                       const std::string& password, const std::string& install_root,
                       const std::string& year = "2021", const std::string& assignee = "");
std::string SharedInfoPath(const std::string& folder);

// Index of the first message equal to `text` at or after `from`; -1 when missing.
int FindMessage(const std::vector<std::string>& messages, const std::string& text, int from = 0);
