// One earlier installation of the platform found by the survey, either registered as a
// workstation in a SharedInfo database (an "install") or only present on disk (an "orphan").
#pragma once
#include <cstdint>
#include <string>

struct InstallRecord {
  std::string pm;               // office code, five digits
  std::string password;         // office password, at most eight characters
  std::string pdl;              // workstation number as decimal text
  std::string year;             // platform year, e.g. "2021"
  std::string zav_path;         // the installation folder (...\ZAV2021); "\\..." on a network path
  std::string setup_path;       // the folder holding zav_path, with a trailing backslash
  std::string base_path;        // empty in survey records; read by the office selection page
  std::string sharedinfo_path;  // the SharedInfo database that lists this install
  std::string assignee;         // "COMPUTER\user" owning the workstation
  int32_t kind = 1;             // 1 = office installation, 2 = peripheral unit
  bool new_office = false;
  bool registered = false;  // true when read from a SharedInfo database
  bool valid = false;       // the SharedInfo row's valid flag; false for orphans
};
