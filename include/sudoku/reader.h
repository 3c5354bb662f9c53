#pragma once

// Reads puzzles from a stream of text, a chunk at a time, so memory stays flat
// whatever the input holds (binary data, NUL bytes, a gigabyte without a newline).
//
// A puzzle is one line of 81 cells, or a block of nine lines of nine cells. A cell is
// '1' to '9' (a given) or '0' or '.' (empty); spaces and tabs around cells are ignored.
// Blank lines and lines starting with '#' are skipped. CR LF line ends, a missing final
// newline and a UTF-8 byte order mark at the start are accepted.
//
// Every record lines up with one piece of input, damaged or not: any line that is not
// blank, not a comment and not 81 cells starts a block; the block takes the next row
// lines (of any length, comments skipped) up to nine, and ends early at a blank line, a
// line of 81 cells or the end of input. A damaged block is one invalid record.

#include <sudoku/cells.h>

#include <cstddef>
#include <string>

namespace SUDOKU_API sudoku {

// Where the bytes come from. Implement it to read from anything (a file, a socket).
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes into `buffer`; 0 at the end. On a read error returns 0
    // and sets `error` to what happened. May return fewer bytes than asked for.
    virtual std::size_t read(char* buffer, std::size_t size, std::string& error) = 0;
};

// Bytes already in memory, which must outlive the source.
class MemorySource : public ByteSource {
public:
    MemorySource(const char* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t read(char* buffer, std::size_t size, std::string& error) override;

private:
    const char* data_;
    std::size_t size_;
};

// One puzzle of the input, or one piece of input that should have been a puzzle.
struct Record {
    enum class Kind { puzzle, invalid };
    Kind kind = Kind::puzzle;
    long line = 0;     // the line where it starts, counting from 1
    Cells cells{};     // the puzzle, when kind is puzzle
    std::string error; // what is wrong, when kind is invalid
};

// One reader per input; it holds a 64 KiB buffer, so keep it off small stacks. The
// source must outlive the reader.
class PuzzleReader {
public:
    explicit PuzzleReader(ByteSource& source) : source_(source) {}

    // Fills `record` with the next record; false at the end of the input or on a read
    // error (then readError() says what happened). Records come in input order, each
    // from a later line than the one before.
    bool next(Record& record);

    const std::string& readError() const { return readError_; }

private:
    // One physical line, reduced to what matters: its cells (up to 81 kept), how many
    // non-blank characters it had, and the first character that is not a cell.
    struct Line {
        long number = 0;
        std::size_t cells = 0; // non-blank characters, cells or not
        std::uint8_t values[81]{};
        bool hasBadChar = false;
        unsigned char badChar = 0;
        std::size_t badCell = 0; // which of the line's non-blank characters, from 1
        bool comment = false;
    };

    bool readLine(Line& line);
    // What is wrong with a line as a row of a block, or as a one-line puzzle when it
    // has 81 cells; empty when nothing is.
    static std::string rowFault(const Line& line);
    int nextByte();
    bool fill();

    ByteSource& source_;
    char buffer_[1 << 16];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool started_ = false;
    long lineNumber_ = 0;
    std::string readError_;
    // A one-line puzzle that ended a block early, to be handled next.
    Line pending_;
    bool hasPending_ = false;
};

} // namespace sudoku
