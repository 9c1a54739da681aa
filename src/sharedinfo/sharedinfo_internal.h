// Registry steps shared between the operations: they work on a connection the caller
// already holds, so an operation can run its whole walk on one connection (a second
// connection writing the file while the first reads it would wait on the first's lock),
// and the assignee can be given explicitly where the public operation uses the current one.
#pragma once
#include <SQLiteCpp/Database.h>

#include <string>
#include <vector>

#include "sharedinfo/sharedinfo.h"

// CheckInstallation's lookup and insert on `db`; the caller owns any transaction.
// Logs like CheckInstallation; throws on database errors.
void EnsureSwExt(SQLite::Database& db, const std::string& anno, int* idSwExt);

// ExistValidInstall's query on `db` for an explicit assignee; throws on database errors.
bool HasWorkpoint(SQLite::Database& db, const std::string& pm, int year,
                  const std::string& assignee);

// RemoveWorkpoint and ParseSharedInfo for an explicit current assignee.
int RemoveWorkpointOf(const std::string& path, const std::string& pm, const std::string& anno,
                      const std::string& current_assignee);
int ParseSharedInfoAs(const std::string& path, int year, std::vector<WorkpointInfo>* list,
                      const std::string& current_assignee);
