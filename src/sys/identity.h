// Who is installing: "COMPUTER\user", computed at each call.
#pragma once
#include <string>

std::string GetCurrentAssignee();
