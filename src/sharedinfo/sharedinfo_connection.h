// How the registry operations reach the file: a readability probe before any open, and one
// connection per call with a short busy timeout, so a PC that holds the shared file locked
// makes the others fail fast instead of hanging the wizard.
#pragma once
#include <SQLiteCpp/Database.h>

#include <string>

const int kSharedInfoBusyTimeoutMs = 500;

// True when the file opens as a plain input stream (read access, shared).
bool CanReadSharedInfo(const std::string& path);

// Opens a connection on the file (the path is in the ANSI code page) with the given
// SQLite open flags and the busy timeout.
SQLite::Database OpenSharedInfo(const std::string& path, int flags);
