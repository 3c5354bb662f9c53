#include <sudoku/writer.h>

namespace sudoku {

namespace {

// Written as selects rather than branches or a table, so that a whole line is turned
// into characters with vector instructions.
char cellChar(std::uint8_t value, char empty)
{
    const char digit = static_cast<char>('0' + value);
    return value == 0 ? empty : value <= 9 ? digit : '?';
}

} // namespace

void appendLine(std::string& out, const Cells& cells, char empty)
{
    char line[82];
    for (std::size_t i = 0; i < 81; ++i) {
        line[i] = cellChar(cells[i], empty);
    }
    line[81] = '\n';
    out.append(line, sizeof line);
}

void appendGrid(std::string& out, const Cells& cells, char empty)
{
    char grid[9 * 19];
    char* p = grid;
    for (std::size_t row = 0; row < 9; ++row) {
        for (std::size_t col = 0; col < 9; ++col) {
            *p++ = cellChar(cells[row * 9 + col], empty);
            *p++ = ' ';
        }
        *p++ = '\n';
    }
    out.append(grid, sizeof grid);
}

} // namespace sudoku
