#include <sudoku/reader.h>

#include <algorithm>
#include <cstring>

namespace sudoku {

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

// One physical line, reduced to what matters: its cells (up to 81 kept), how many
// non-blank characters it had, and the first character that is not a cell.
struct Line {
    std::int64_t number = 0;
    std::size_t cells = 0; // non-blank characters, cells or not
    std::uint8_t values[81]{};
    bool hasBadChar = false;
    unsigned char badChar = 0;
    std::size_t badCell = 0; // which of the line's non-blank characters, from 1
    bool comment = false;
};

// What is wrong with a line as a row of a block, or as a one-line puzzle when it has
// 81 cells; empty when nothing is.
std::string rowFault(const Line& line)
{
    if (line.hasBadChar) {
        return "invalid character " + describeByte(line.badChar) + " at line " + std::to_string(line.number) +
               ", cell " + std::to_string(line.badCell) + cellHint;
    }
    if (line.cells != 9) {
        return "line " + std::to_string(line.number) + " has " + std::to_string(line.cells) +
               (line.cells == 1 ? " cell" : " cells") + "; a puzzle is one line of 81 cells or nine lines of 9";
    }
    return {};
}

} // namespace

struct PuzzleReader::State {
    explicit State(ByteSource& source) : source_(source) {}

    bool next(Record& record);
    bool readLine(Line& line);
    bool fill();

    ByteSource& source_;
    char buffer_[1 << 16];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    bool started_ = false;
    std::int64_t lineNumber_ = 0;
    std::string readError_;
    // A one-line puzzle that ended a block early, to be handled next.
    Line pending_;
    bool hasPending_ = false;
};

PuzzleReader::PuzzleReader(ByteSource& source) : state_(std::make_unique<State>(source)) {}
PuzzleReader::PuzzleReader(PuzzleReader&&) noexcept = default;
PuzzleReader& PuzzleReader::operator=(PuzzleReader&&) noexcept = default;
PuzzleReader::~PuzzleReader() = default;

bool PuzzleReader::next(Record& record)
{
    return state_->next(record);
}

const std::string& PuzzleReader::readError() const
{
    return state_->readError_;
}

bool PuzzleReader::State::fill()
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

bool PuzzleReader::State::readLine(Line& line)
{
    if (pos_ == end_ && !fill()) {
        return false;
    }
    line = Line{};
    line.number = ++lineNumber_;
    for (;;) {
        if (pos_ == end_ && !fill()) {
            return readError_.empty(); // a last line without a newline still counts
        }
        const auto c = static_cast<unsigned char>(buffer_[pos_++]);
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
            line.badCell = line.cells + 1;
        }
        if (line.cells < 81) {
            line.values[line.cells] = value;
        }
        ++line.cells;
    }
}

bool PuzzleReader::State::next(Record& record)
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
    if (line.cells == 81) {
        record.kind = line.hasBadChar ? Record::Kind::invalid : Record::Kind::puzzle;
        if (line.hasBadChar) {
            record.error = rowFault(line);
        } else {
            std::copy(line.values, line.values + 81, record.cells.begin());
        }
        return true;
    }

    // Any other line starts a block of nine rows. Every row line counts as one of the
    // nine, whatever is wrong with it, so a damaged block is still one record; comment
    // lines inside are skipped. A blank line, a one-line puzzle or the end of input
    // ends the block early. The first fault found is the one reported.
    std::string fault = rowFault(line);
    std::copy(line.values, line.values + 9, record.cells.begin());
    int rows = 1;
    while (rows < 9) {
        Line next;
        const bool more = readLine(next);
        if (more && next.comment) {
            continue;
        }
        if (!more || next.cells == 0 || next.cells == 81) {
            if (fault.empty()) {
                const std::string after = std::to_string(rows) + (rows == 1 ? " row" : " rows");
                fault = !more ? "block of nine rows cut short: the input ends after " + after
                              : "block of nine rows cut short: line " + std::to_string(next.number) +
                                    (next.cells == 0 ? " is blank" : " is a one-line puzzle") + " (after " +
                                    after + ")";
            }
            if (more && next.cells == 81) {
                pending_ = next;
                hasPending_ = true;
            }
            break;
        }
        if (fault.empty()) {
            fault = rowFault(next);
        }
        std::copy(next.values, next.values + 9, record.cells.begin() + 9 * rows);
        ++rows;
    }
    record.kind = fault.empty() ? Record::Kind::puzzle : Record::Kind::invalid;
    record.error = std::move(fault);
    return true;
}

} // namespace sudoku
