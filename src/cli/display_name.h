#pragma once

#include <string>
#include <string_view>

namespace sudoku {

// A file name as messages and labels show it. A name holding a control character (a
// byte below 0x20, or 0x7F) could forge a line of its own or a terminal command, so it
// is written in shell-escape quoting, as `ls --quoting-style=shell-escape` writes it:
// "e\nx" becomes 'e'$'\n''x'. Every other name is shown as it is.
std::string displayName(std::string_view name);

} // namespace sudoku
