#pragma once

// Reads puzzles from a stream of text, a chunk at a time, so memory stays flat
// whatever the input holds (binary data, NUL bytes, a gigabyte without a newline).
//
// A puzzle is one line of 81 cells, or nine consecutive lines of nine cells. A cell is
// '1' to '9' (a given) or '0' or '.' (empty); spaces and tabs around cells are ignored.
// Blank lines and lines starting with '#' are skipped. CR LF line ends, a missing final
// newline and a UTF-8 byte order mark at the start are accepted.

#include "engine.h"

#include <cstddef>
#include <string>

namespace sudoku {

// Where the bytes come from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `size` bytes; 0 at the end. On a read error returns 0 and sets `error`.
    virtual std::size_t read(char* buffer, std::size_t size, std::string& error) = 0;
};

// An open file descriptor: a file, a pipe or a terminal. Each read returns what is
// there, so lines typed at a terminal are seen as they are entered.
class FileSource : public ByteSource {
public:
    explicit FileSource(int fd) : fd_(fd) {}
    std::size_t read(char* buffer, std::size_t size, std::string& error) override;

private:
    int fd_;
};

// Bytes already in memory.
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

class PuzzleReader {
public:
    explicit PuzzleReader(ByteSource& source) : source_(source) {}

    // Fills `record` with the next record; false at the end of the input or on a read
    // error (then readError() says what happened).
    bool next(Record& record);

    const std::string& readError() const { return readError_; }

    // True when the next record can be read without asking the source for more.
    bool hasBufferedInput() const { return hasPending_ || pos_ < end_; }

private:
    // One physical line, reduced to what matters: its cells (up to 81 kept), how many
    // non-blank characters it had, and the first character that is not a cell.
    struct Line {
        long number = 0;
        std::size_t cells = 0; // non-blank characters, cells or not
        std::uint8_t values[81]{};
        bool hasBadChar = false;
        unsigned char badChar = 0;
        std::size_t badColumn = 0;
        bool comment = false;
    };

    bool readLine(Line& line);
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
    // A line read past the end of a block that was cut short, to be handled next.
    Line pending_;
    bool hasPending_ = false;
};

} // namespace sudoku
