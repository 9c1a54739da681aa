// The condition that finds the rows of one assignee: the same computer and user name in
// any letter case. Stored rows come from every PC of the office, so the rule must not be
// loosened by characters that happen to be LIKE wildcards in a computer or user name.
#pragma once
#include <SQLiteCpp/Statement.h>

#include <string>

// Appended to the queries; it takes seven parameters, all bound by BindAssigneeRule.
extern const char kAssigneeRule[];

// `text` as a LIKE pattern that matches only itself (in any ASCII letter case) under the
// rule's ESCAPE character.
std::string EscapeLikePattern(const std::string& text);

// Binds the rule's seven parameters, starting at `first_index`, to `assignee`.
void BindAssigneeRule(SQLite::Statement& statement, int first_index, const std::string& assignee);
