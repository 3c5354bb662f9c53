#include "version_text.h"

#include <sudoku/version.h>

namespace sudoku {

std::string versionText(const char* program)
{
    return std::string(program) + " (sudoku) " + versionString +
           "\n"
           "Copyright (C) 2026 the sudoku authors.\n"
           "License MIT: <https://opensource.org/licenses/MIT>.\n"
           "This is free software: you are free to change and redistribute it.\n"
           "There is NO WARRANTY, to the extent permitted by law.\n";
}

} // namespace sudoku
