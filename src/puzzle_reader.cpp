#include "puzzle_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace sudoku {

std::size_t FileSource::read(char* buffer, std::size_t size, std::string& error)
{
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, size);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            error = std::strerror(errno);
            return 0;
        }
    }
}

std::size_t MemorySource::read(char* buffer, std::size_t size, std::string& /*error*/)
{
    const std::size_t got = std::min(size, size_);
    std::memcpy(buffer, data_, got);
    data_ += got;
    size_ -= got;
    return got;
}

namespace {

std::string describeByte(unsigned char c)
{
    if (c > ' ' && c < 0x7F) {
        return std::string("'") + static_cast<char>(c) + "'";
    }
    static const char hex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[c >> 4] + hex[c & 15];
}

const char* const cellHint = " (a cell is 1 to 9, or 0 or . for an empty cell)";

} // namespace

bool PuzzleReader::fill()
{
    while (!eof_) {
        pos_ = 0;
        end_ = source_.read(buffer_, sizeof buffer_, readError_);
        if (!started_) {
            // Gather at least three bytes so that a byte order mark is seen whole.
            started_ = true;
            while (end_ > 0 && end_ < 3) {
                const std::size_t more = source_.read(buffer_ + end_, sizeof buffer_ - end_, readError_);
                if (more == 0) {
                    break;
                }
                end_ += more;
            }
            if (end_ >= 3 && std::memcmp(buffer_, "\xEF\xBB\xBF", 3) == 0) {
                pos_ = 3;
            }
        }
        if (end_ == 0) {
            eof_ = true;
        } else if (pos_ < end_) {
            return true;
        }
    }
    return false;
}

bool PuzzleReader::readLine(Line& line)
{
    if (pos_ == end_ && !fill()) {
        return false;
    }
    line = Line{};
    line.number = ++lineNumber_;
    std::size_t column = 0;
    for (;;) {
        if (pos_ == end_ && !fill()) {
            return readError_.empty(); // a last line without a newline still counts
        }
        const auto c = static_cast<unsigned char>(buffer_[pos_++]);
        ++column;
        if (c == '\n') {
            return true;
        }
        if (line.comment || c == ' ' || c == '\t') {
            continue;
        }
        if (c == '\r') {
            if (pos_ == end_ && !fill()) {
                return readError_.empty();
            }
            if (buffer_[pos_] == '\n') {
                ++pos_;
                return true;
            }
        }
        if (c == '#' && line.cells == 0) {
            line.comment = true;
            continue;
        }
        std::uint8_t value = 0;
        if (c >= '1' && c <= '9') {
            value = static_cast<std::uint8_t>(c - '0');
        } else if (c != '0' && c != '.' && !line.hasBadChar) {
            line.hasBadChar = true;
            line.badChar = c;
            line.badColumn = column;
        }
        if (line.cells < 81) {
            line.values[line.cells] = value;
        }
        ++line.cells;
    }
}

bool PuzzleReader::next(Record& record)
{
    Line line;
    for (;;) {
        if (hasPending_) {
            line = pending_;
            hasPending_ = false;
        } else if (!readLine(line)) {
            return false;
        }
        if (line.cells != 0 && !line.comment) {
            break;
        }
    }

    record.line = line.number;
    record.error.clear();
    if (line.cells == 81 && !line.hasBadChar) {
        record.kind = Record::Kind::puzzle;
        std::copy(line.values, line.values + 81, record.cells.begin());
        return true;
    }
    record.kind = Record::Kind::invalid;
    if (line.cells != 9) {
        if (line.hasBadChar) {
            record.error = "invalid character " + describeByte(line.badChar) + " at column " +
                           std::to_string(line.badColumn) + cellHint;
        } else {
            record.error = "line has " + std::to_string(line.cells) +
                           " cells; a puzzle is one line of 81 cells or nine lines of 9";
        }
        return true;
    }

    // A block: this line and the eight after it, each of nine cells. A character that
    // is not a cell is the most telling problem, so it is reported before a short block.
    const auto badCharInBlock = [&line] {
        return "invalid character " + describeByte(line.badChar) + " at line " + std::to_string(line.number) +
               ", column " + std::to_string(line.badColumn) + cellHint;
    };
    std::copy(line.values, line.values + 9, record.cells.begin());
    for (int row = 1; row < 9; ++row) {
        Line next;
        const bool more = readLine(next);
        if (!more || next.cells != 9 || next.comment) {
            if (line.hasBadChar) {
                record.error = badCharInBlock();
            } else if (!more) {
                record.error = "block of nine lines cut short: the input ends after " + std::to_string(row) +
                               (row == 1 ? " line" : " lines");
            } else {
                record.error = "block of nine lines cut short: line " + std::to_string(next.number) +
                               " is not a row of 9 cells (after " + std::to_string(row) +
                               (row == 1 ? " row)" : " rows)");
            }
            if (more) {
                pending_ = next;
                hasPending_ = true;
            }
            return true;
        }
        if (next.hasBadChar && !line.hasBadChar) {
            line.hasBadChar = true;
            line.badChar = next.badChar;
            line.badColumn = next.badColumn;
            line.number = next.number;
        }
        std::copy(next.values, next.values + 9, record.cells.begin() + 9 * row);
    }
    if (line.hasBadChar) {
        record.error = badCharInBlock();
        return true;
    }
    record.kind = Record::Kind::puzzle;
    return true;
}

} // namespace sudoku
