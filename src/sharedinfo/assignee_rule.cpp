#include "sharedinfo/assignee_rule.h"

namespace {
const char kLikeEscape = '^';
}

const char kAssigneeRule[] =
    "((w.assignee LIKE ? ESCAPE '^') OR (lower(w.assignee) = lower(?)) OR (w.assignee = ?) OR "
    "(lower(substr(assignee, instr(assignee, '\\'))) = lower(substr(?, instr(?, '\\'))) AND "
    "substr(assignee, 1, instr(assignee, '\\')) = substr(?, 1, instr(?, '\\'))))";

std::string EscapeLikePattern(const std::string& text) {
  std::string pattern;
  pattern.reserve(text.size() + 4);
  for (char c : text) {
    if (c == '%' || c == '_' || c == kLikeEscape) pattern += kLikeEscape;
    pattern += c;
  }
  return pattern;
}

void BindAssigneeRule(SQLite::Statement& statement, int first_index, const std::string& assignee) {
  statement.bind(first_index, EscapeLikePattern(assignee));
  for (int i = 1; i < 7; ++i) statement.bind(first_index + i, assignee);
}
