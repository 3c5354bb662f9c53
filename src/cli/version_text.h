#pragma once

#include <string>

namespace sudoku {

// The text of --version for `program`, as GNU tools write it: its name and version,
// the copyright and the licence.
std::string versionText(const char* program);

} // namespace sudoku
