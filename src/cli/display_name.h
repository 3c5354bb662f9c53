#pragma once

#include <string>
#include <string_view>

namespace sudoku {

// A file name as messages and labels show it. A name holding a control character (a
// byte below 0x20, 0x7F, or a C1 control U+0080 to U+009F) or bytes that are not UTF-8
// could forge a line of its own or a terminal command, so it is written in shell-escape
// quoting, as `ls --quoting-style=shell-escape` writes it in a UTF-8 locale: "e\nx"
// becomes 'e'$'\n''x'. The empty name is ''. Every other name is shown as it is.
std::string displayName(std::string_view name);

} // namespace sudoku
