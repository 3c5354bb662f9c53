#pragma once

// Reads puzzles from a stream of text, a chunk at a time, so memory stays flat
// whatever the input holds (binary data, NUL bytes, a gigabyte without a newline).
//
// A puzzle is one line of 81 cells, or a block of nine lines of nine cells. A cell is
// '1' to '9' (a given) or '0' or '.' (empty). Spaces, tabs and '|' around cells are
// ignored, so a grid with bars between its boxes reads. A one-line puzzle may be
// followed by other fields (a rating, a solution, a name) after a space, tab, ',' or
// ';', which are ignored, but only when its 81 cells stand together, with no blank
// among them: otherwise blanks between cells are ignored and the line must hold 81
// cells and nothing else, so a puzzle that lost a cell never reads as another one.
//
// Skipped: blank lines; lines starting with '#'; lines made only of '-', '=', '+', '|',
// '*' and blanks (the rules of a bordered grid); and a first line that holds no cell at
// all and is shorter than a puzzle (a header such as "puzzle,solution"). CR LF line ends,
// a missing final newline and a UTF-8 byte order mark at the start are accepted.
//
// A block may also be a player's pencil-mark grid: nine rows of nine fields separated by
// blanks (or '|'), where a field of one digit is a placed cell (a given or an entry),
// '.' or '0' an empty cell whose candidates were not written (it takes every digit that
// no placed digit in its row, column or box rules out), and two or more digits 1 to 9,
// each once, the candidates left in an empty cell. A block is read so when any of its
// lines has more than nine cells and a field of two to nine digits 1 to 9 (a row of
// plain cells has nine, however they are grouped); then each of its rows must be nine
// such fields. Such a line is a row whatever its length, unless it is a one-line
// puzzle.
//
// Every record lines up with one piece of input, damaged or not:
// - a line of 18 or more cells (counting every character but blanks and '|') that is
//   no row of a pencil-mark grid, or one with a ',' or ';', is a record of its own,
//   good or bad;
// - any other line that is not skipped starts a block: the block takes the next such
//   row lines (of any length up to 17 cells, skipped lines passed over) up to nine,
//   and ends early at a blank line, a line that is a record of its own, or the end of
//   input. A damaged block is one invalid record.

#include <sudoku/cells.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace SUDOKU_API sudoku {

// Where the bytes come from. Implement it to read from anything (a file, a socket).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `buffer`; 0 at the end. On a read error returns 0
    // and sets `error` to what happened. May return fewer bytes than asked for.
    [[nodiscard]] virtual std::size_t read(char* buffer, std::size_t size, std::string& error) = 0;
};

// Bytes already in memory, which must outlive the source.
class MemorySource : public ByteSource {
public:
    MemorySource(const char* data, std::size_t size) : data_(data), size_(size) {}
    [[nodiscard]] std::size_t read(char* buffer, std::size_t size, std::string& error) override;

private:
    const char* data_;
    std::size_t size_;
};

// One puzzle of the input, or one piece of input that should have been a puzzle.
struct Record {
    enum class Kind { puzzle, invalid };
    Kind kind = Kind::puzzle;
    std::int64_t line = 0; // the line where it starts, counting from 1
    Cells cells{};         // the puzzle, when kind is puzzle
    std::string error;     // what is wrong, when kind is invalid
    // A pencil-mark grid: `cells` holds its placed digits and `marks` the candidates of
    // each empty cell (0 for a placed one). Unmarked records leave `marks` all 0.
    bool marked = false;
    Marks marks{};
};

// One reader per input. The constructor allocates the reader's state, a 64 KiB buffer
// and a little more, on the heap (std::bad_alloc if it cannot); after that, reading
// allocates only what a record's error message needs. The source must outlive the
// reader. A reader can be moved, not copied; a moved-from reader may only be assigned
// to or destroyed.
class PuzzleReader {
public:
    explicit PuzzleReader(ByteSource& source);
    PuzzleReader(PuzzleReader&&) noexcept;
    PuzzleReader& operator=(PuzzleReader&&) noexcept;
    ~PuzzleReader();

    // Fills `record` with the next record; false at the end of the input or on a read
    // error (then readError() says what happened). Records come in input order, each
    // from a later line than the one before.
    [[nodiscard]] bool next(Record& record);

    // Empty unless reading stopped on an error of the source.
    [[nodiscard]] const std::string& readError() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace sudoku
