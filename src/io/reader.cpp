#include <sudoku/reader.h>

#include <algorithm>
#include <array>
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

// What a byte is to the reader, looked up in a table: a byte that is no cell costs
// one look-up and one switch.
enum class ByteKind : std::uint8_t {
    other, // no cell
    blank, // space or tab
    newline,
    cr,        // part of a CR LF line end, or else no cell
    cell,      // '0' to '9' or '.'
    separator, // ',' or ';': ends the first field; no cell
    bar,       // '|': not a cell, ignored
    rule,      // '-', '=', '+', '*': a bordered grid's rules; no cell
    hash,      // '#': starts a comment when nothing but blanks and bars come before it
};

constexpr std::array<ByteKind, 256> byteKinds = [] {
    std::array<ByteKind, 256> kinds{};
    kinds[' '] = kinds['\t'] = ByteKind::blank;
    kinds['\n'] = ByteKind::newline;
    kinds['\r'] = ByteKind::cr;
    for (int c = '0'; c <= '9'; ++c) {
        kinds[static_cast<std::size_t>(c)] = ByteKind::cell;
    }
    kinds['.'] = ByteKind::cell;
    kinds[','] = kinds[';'] = ByteKind::separator;
    kinds['|'] = ByteKind::bar;
    kinds['-'] = kinds['='] = kinds['+'] = kinds['*'] = ByteKind::rule;
    kinds['#'] = ByteKind::hash;
    return kinds;
}();

// A cell's code: its value for a digit, dotCode for '.', more for anything else.
constexpr std::uint8_t dotCode = 16;

constexpr std::array<std::uint8_t, 256> cellCodes = [] {
    std::array<std::uint8_t, 256> codes{};
    codes.fill(0xFF);
    for (int c = '0'; c <= '9'; ++c) {
        codes[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c - '0');
    }
    codes['.'] = dotCode;
    return codes;
}();

// The value of a cell as written: its digit, 0 for '.' and for a character that is
// no cell (which makes the record invalid anyway).
std::uint8_t cellValue(unsigned char c)
{
    const std::uint8_t code = cellCodes[c];
    return code <= dotCode ? code & 15 : 0;
}

// A line with this many cells is too long to be a row of a block even with a few
// cells too many: it is a one-line puzzle, or what is left of one.
constexpr std::size_t singleLineCells = 18;

// Where the fields of a line start are kept for this many fields: a row of a pencil-mark
// grid has nine, and one more shows that a line has too many.
constexpr std::size_t keptFields = 10;

// One physical line, reduced to what matters: its cells (up to 81 kept), how many
// characters other than blanks and bars it had, and the first of them that is no cell.
struct Line {
    std::int64_t number = 0;
    std::size_t cells = 0;       // characters other than blanks and '|', cells or not
    std::size_t fieldCells = 0;  // of them, those before the end of the first field
    unsigned char fieldEnd = 0;  // the blank, ',' or ';' that ended the first field; 0 if none did
    unsigned char separator = 0; // the first ',' or ';'
    std::size_t rules = 0;       // '-', '=', '+' and '*' among the cells
    bool bars = false;
    bool comment = false;
    bool hasBadChar = false;
    unsigned char badChar = 0;
    std::size_t badCell = 0;   // which of the line's cells, from 1
    std::size_t notCells = 0;  // characters counted in `cells` that are no cell
    unsigned char chars[81]{}; // the first 81 cells as written
    // Runs of cells between blanks and bars, as a pencil-mark grid separates its cells:
    // how many, and which of the cells starts each of the first keptFields.
    std::size_t fields = 0;
    std::array<std::size_t, keptFields> fieldStarts{};
    bool inField = false; // the last character was a cell

    // The cells of the first field: up to the first blank, ',' or ';' after a cell.
    std::size_t firstField() const { return fieldEnd != 0 ? fieldCells : cells; }

    // Cells from `at` on continue the current field or start one.
    void enterField(std::size_t at)
    {
        if (!inField) {
            if (fields < keptFields) {
                fieldStarts[fields] = at;
            }
            ++fields;
            inField = true;
        }
    }
    // Where kept field `f` ends (one past its last cell), or 0 when that is not known.
    std::size_t endOfField(std::size_t f) const
    {
        return f + 1 == fields ? cells : f + 1 < keptFields ? fieldStarts[f + 1] : 0;
    }
};

enum class LineKind {
    skipped, // a comment, a rule of a bordered grid or a header
    blank,
    row,    // one row of a block, maybe damaged
    single, // a record of its own: a one-line puzzle, maybe damaged
};

// Whether a line holds a field of two to nine digits 1 to 9: the candidates of an empty
// cell, which make it a row of a pencil-mark grid. A row of plain cells has nine cells,
// however they are grouped.
bool hasCandidateList(const Line& line)
{
    if (line.cells <= 9 || line.separator != 0) {
        return false;
    }
    for (std::size_t f = 0; f < std::min(line.fields, keptFields); ++f) {
        const std::size_t begin = line.fieldStarts[f];
        const std::size_t end = std::min<std::size_t>(line.endOfField(f), 81);
        if (end >= begin + 2 && end <= begin + 9 &&
            std::all_of(line.chars + begin, line.chars + end, [](unsigned char c) { return c >= '1' && c <= '9'; })) {
            return true;
        }
    }
    return false;
}

// Whether a single line is a good one-line puzzle (its cells are then the first 81
// chars): 81 cells standing together before any other fields, or 81 cells and nothing
// else once blanks are dropped.
bool isPuzzle(const Line& line)
{
    return (line.firstField() == 81 && (!line.hasBadChar || line.badCell > 81)) ||
           (line.cells == 81 && !line.hasBadChar);
}

LineKind kindOf(const Line& line)
{
    if (line.comment || (line.cells == line.rules && (line.cells != 0 || line.bars))) {
        return LineKind::skipped;
    }
    if (line.cells == 0) {
        return LineKind::blank;
    }
    // A header such as "puzzle,solution": not one cell, and shorter than a puzzle, so
    // that a first row or puzzle of empty cells, a damaged one, or a puzzle written in
    // other characters is still a record.
    if (line.number == 1 && line.notCells == line.cells && line.cells < 81) {
        return LineKind::skipped;
    }
    if (hasCandidateList(line) && !isPuzzle(line)) {
        return LineKind::row; // of a pencil-mark grid, however long
    }
    return line.cells >= singleLineCells || line.separator != 0 ? LineKind::single : LineKind::row;
}

std::string describeByte(unsigned char c)
{
    if (c > ' ' && c < 0x7F) {
        return std::string("'") + static_cast<char>(c) + "'";
    }
    static const char hex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + hex[c >> 4] + hex[c & 15];
}

const char* const cellHint = " (a cell is 1 to 9, or 0 or . for an empty cell)";
const char* const shapeHint = "; a puzzle is one line of 81 cells or nine lines of 9";

std::string badCharFault(const Line& line)
{
    return "invalid character " + describeByte(line.badChar) + " at line " + std::to_string(line.number) + ", cell " +
           std::to_string(line.badCell) + cellHint;
}

// What is wrong with a line as a row of a block, or as a one-line puzzle read with its
// blanks dropped; empty when nothing is.
std::string rowFault(const Line& line)
{
    if (line.hasBadChar) {
        return badCharFault(line);
    }
    if (line.cells != 9) {
        return "line " + std::to_string(line.number) + " has " + std::to_string(line.cells) +
               (line.cells == 1 ? " cell" : " cells") + shapeHint;
    }
    return {};
}

// What is wrong with a single line that is no puzzle. When it starts with a long field
// followed by others, that field was meant to be the puzzle.
std::string singleFault(const Line& line)
{
    const std::size_t field = line.firstField();
    if (line.fieldEnd == 0 || field < singleLineCells) {
        return rowFault(line);
    }
    if (line.hasBadChar && line.badCell <= field) {
        return badCharFault(line);
    }
    const std::string end = line.fieldEnd == ' '    ? "a space"
                            : line.fieldEnd == '\t' ? "a tab"
                                                    : describeByte(line.fieldEnd);
    return "line " + std::to_string(line.number) + " has " + std::to_string(field) + " cells before " + end +
           "; other fields may follow a one-line puzzle only after all its 81 cells";
}

// Reads a line as row `row` of a pencil-mark grid into `record`: a field of one digit is
// a placed cell, '.' or '0' an empty cell with its marks left out (`unmarked`), two or
// more digits an empty cell's candidates. What is wrong with it, or empty.
std::string markedRowFault(const Line& line, int row, Record& record, std::array<bool, 81>& unmarked)
{
    const auto where = [&line] { return "line " + std::to_string(line.number); };
    if (line.fields != 9) {
        return where() + " has " + std::to_string(line.fields) + (line.fields == 1 ? " field" : " fields") +
               "; a row of a pencil-mark grid has 9: a placed digit, . for an empty cell, or its candidates";
    }
    for (std::size_t f = 0; f < 9; ++f) {
        const std::size_t begin = line.fieldStarts[f];
        const std::size_t end = line.endOfField(f);
        const auto field = [&] { return where() + ", field " + std::to_string(f + 1); };
        if (end - begin > 9) {
            return field() + " has " + std::to_string(end - begin) + " characters; a cell has at most 9 candidates";
        }
        const auto cell = static_cast<std::size_t>(9 * row) + f;
        record.cells[cell] = 0;
        record.marks[cell] = 0;
        unmarked[cell] = false;
        if (end - begin == 1) {
            const unsigned char c = line.chars[begin];
            if (cellCodes[c] > dotCode) {
                return "invalid character " + describeByte(c) + " at " + field() + cellHint;
            }
            record.cells[cell] = cellValue(c);
            unmarked[cell] = record.cells[cell] == 0;
            continue;
        }
        for (std::size_t i = begin; i < end; ++i) {
            const unsigned char c = line.chars[i];
            if (c < '1' || c > '9') {
                return "invalid character " + describeByte(c) + " at " + field() +
                       " (candidates are digits 1 to 9, each once)";
            }
            const auto digit = static_cast<std::uint16_t>(1u << (c - '1'));
            if ((record.marks[cell] & digit) != 0) {
                return field() + " \"" + std::string(line.chars + begin, line.chars + end) + "\" repeats " +
                       static_cast<char>(c);
            }
            record.marks[cell] |= digit;
        }
    }
    return {};
}

// Gives each empty cell of a pencil-mark grid written without marks every digit that
// no placed digit in its row, column or box rules out.
void fillUnmarked(Record& record, const std::array<bool, 81>& unmarked)
{
    for (std::size_t cell = 0; cell < 81; ++cell) {
        if (!unmarked[cell]) {
            continue;
        }
        std::uint16_t held = 0;
        for (std::size_t other = 0; other < 81; ++other) {
            const bool peer = other / 9 == cell / 9 || other % 9 == cell % 9 ||
                              (other / 27 == cell / 27 && other % 9 / 3 == cell % 9 / 3);
            if (peer && record.cells[other] != 0) {
                held = static_cast<std::uint16_t>(held | 1u << (record.cells[other] - 1));
            }
        }
        record.marks[cell] = static_cast<std::uint16_t>(0x1FF & ~held);
    }
}

// Why a single line ends a block early.
std::string whatEndsABlock(const Line& line)
{
    const std::string which = "line " + std::to_string(line.number);
    if (isPuzzle(line)) {
        return which + " is a one-line puzzle";
    }
    if (line.cells >= singleLineCells) {
        return which + " has " + std::to_string(line.cells) + " cells, too many for a row";
    }
    return which + " has a " + describeByte(line.separator) + " and so is no row";
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
    // A single line that ended a block early, to be handled next.
    Line pending_;
    bool hasPending_ = false;
    // The rows of the block being read.
    std::array<Line, 9> rows_;
};

PuzzleReader::PuzzleReader(ByteSource& source) : state_(std::make_unique<State>(source))
{
}
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
    const auto endField = [&line](unsigned char c) {
        if (line.fieldEnd == 0 && line.cells != 0) {
            line.fieldEnd = c;
            line.fieldCells = line.cells;
        }
    };
    for (;;) {
        if (pos_ == end_ && !fill()) {
            return readError_.empty(); // a last line without a newline still counts
        }
        // A run of cells, the bulk of any puzzle file, on a short path that keeps its
        // counts in locals (a store to values may alias any member).
        {
            const char* p = buffer_ + pos_;
            const char* const stop = buffer_ + end_;
            std::size_t cells = line.cells;
            for (; p != stop; ++p) {
                const std::uint8_t code = cellCodes[static_cast<unsigned char>(*p)];
                if (code > dotCode) {
                    break;
                }
                if (cells < 81) {
                    line.chars[cells] = static_cast<unsigned char>(*p);
                }
                ++cells;
            }
            if (cells != line.cells) {
                line.enterField(line.cells);
            }
            line.cells = cells;
            pos_ = static_cast<std::size_t>(p - buffer_);
            if (p == stop) {
                continue;
            }
        }
        // Anything else, a byte at a time.
        const auto c = static_cast<unsigned char>(buffer_[pos_++]);
        switch (byteKinds[c]) {
        case ByteKind::newline: return true;
        case ByteKind::blank:
            endField(c);
            line.inField = false;
            continue;
        case ByteKind::bar:
            line.bars = true;
            line.inField = false;
            continue;
        case ByteKind::hash:
            if (line.cells == 0) {
                // A comment: pass over the rest of the line.
                line.comment = true;
                for (;;) {
                    if (pos_ == end_ && !fill()) {
                        return readError_.empty();
                    }
                    const void* newline = std::memchr(buffer_ + pos_, '\n', end_ - pos_);
                    if (newline != nullptr) {
                        pos_ = static_cast<std::size_t>(static_cast<const char*>(newline) - buffer_) + 1;
                        return true;
                    }
                    pos_ = end_;
                }
            }
            break;
        case ByteKind::cr:
            if (pos_ == end_ && !fill()) {
                return readError_.empty();
            }
            if (buffer_[pos_] == '\n') {
                ++pos_;
                return true;
            }
            break;
        case ByteKind::separator:
            endField(c);
            if (line.separator == 0) {
                line.separator = c;
            }
            break;
        case ByteKind::rule: ++line.rules; break;
        case ByteKind::other: break;
        case ByteKind::cell: break; // taken by the short path
        }
        // What is left is a character that is no cell, in a cell's place.
        if (!line.hasBadChar) {
            line.hasBadChar = true;
            line.badChar = c;
            line.badCell = line.cells + 1;
        }
        line.enterField(line.cells);
        if (line.cells < 81) {
            line.chars[line.cells] = c;
        }
        ++line.cells;
        ++line.notCells;
    }
}

bool PuzzleReader::State::next(Record& record)
{
    Line line;
    LineKind kind = LineKind::blank;
    for (;;) {
        if (hasPending_) {
            line = pending_;
            hasPending_ = false;
        } else if (!readLine(line)) {
            return false;
        }
        kind = kindOf(line);
        if (kind == LineKind::row || kind == LineKind::single) {
            break;
        }
    }

    record.line = line.number;
    record.error.clear();
    record.marked = false;
    record.marks = {};
    if (kind == LineKind::single) {
        const bool puzzle = isPuzzle(line);
        record.kind = puzzle ? Record::Kind::puzzle : Record::Kind::invalid;
        if (puzzle) {
            std::transform(line.chars, line.chars + 81, record.cells.begin(), cellValue);
        } else {
            record.error = singleFault(line);
        }
        return true;
    }

    // A row starts a block of nine. Every row line counts as one of the nine, whatever
    // is wrong with it, so a damaged block is still one record; skipped lines inside
    // are passed over. A blank line, a single line or the end of input ends the block
    // early. The first fault found is the one reported. The block is a pencil-mark grid
    // when any of its rows holds a cell's candidates; then every row is read as one.
    rows_[0] = line;
    int rows = 1;
    std::string cutShort;
    while (rows < 9) {
        Line& next = rows_[static_cast<std::size_t>(rows)];
        const bool more = readLine(next);
        const LineKind nextKind = more ? kindOf(next) : LineKind::blank;
        if (nextKind == LineKind::skipped) {
            continue;
        }
        if (nextKind != LineKind::row) {
            const std::string after = std::to_string(rows) + (rows == 1 ? " row" : " rows");
            cutShort = !more ? "block of nine rows cut short: the input ends after " + after
                             : "block of nine rows cut short: " +
                                   (nextKind == LineKind::blank ? "line " + std::to_string(next.number) + " is blank"
                                                                : whatEndsABlock(next)) +
                                   " (after " + after + ")";
            if (nextKind == LineKind::single) {
                pending_ = next;
                hasPending_ = true;
            }
            break;
        }
        ++rows;
    }
    const auto first = rows_.begin();
    const auto last = first + rows;
    record.marked = std::any_of(first, last, hasCandidateList);
    std::array<bool, 81> unmarked{};
    std::string fault;
    for (int row = 0; row < rows && fault.empty(); ++row) {
        const Line& r = rows_[static_cast<std::size_t>(row)];
        if (record.marked) {
            fault = markedRowFault(r, row, record, unmarked);
        } else {
            fault = rowFault(r);
            std::transform(r.chars, r.chars + 9, record.cells.begin() + 9 * row, cellValue);
        }
    }
    if (fault.empty()) {
        fault = std::move(cutShort);
    }
    record.kind = fault.empty() ? Record::Kind::puzzle : Record::Kind::invalid;
    record.error = std::move(fault);
    if (record.marked && record.kind == Record::Kind::puzzle) {
        fillUnmarked(record, unmarked);
    }
    return true;
}

} // namespace sudoku
