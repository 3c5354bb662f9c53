// sudoku-solve's console: when the progress line shows, and that it never mixes with
// what else is written.

#include "cli/console.h"
#include "cli/display_name.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using sudoku::ProgressStyle;

struct StyleCase {
    bool stderrTty;
    bool stdoutTty;
    const char* term;
    ProgressStyle expected;
    friend void PrintTo(const StyleCase& c, std::ostream* out)
    {
        *out << "stderr " << (c.stderrTty ? "tty" : "file") << ", stdout " << (c.stdoutTty ? "tty" : "file")
             << ", TERM " << (c.term == nullptr ? "unset" : c.term);
    }
};

class ProgressStyleFor : public testing::TestWithParam<StyleCase> {};

TEST_P(ProgressStyleFor, ShowsOnlyBesideRedirectedOutput)
{
    const StyleCase c = GetParam();
    EXPECT_EQ(sudoku::progressStyleFor(c.stderrTty, c.stdoutTty, c.term), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ProgressStyleFor,
                         testing::Values(StyleCase{true, false, "xterm", ProgressStyle::ansi},
                                         StyleCase{true, true, "xterm", ProgressStyle::none},
                                         StyleCase{false, false, "xterm", ProgressStyle::none},
                                         StyleCase{true, false, "dumb", ProgressStyle::plain},
                                         StyleCase{true, false, nullptr, ProgressStyle::plain},
                                         StyleCase{true, false, "", ProgressStyle::plain}),
                         [](const testing::TestParamInfo<StyleCase>& param) {
                             const StyleCase& c = param.param;
                             return std::string(c.stderrTty ? "ErrTty" : "ErrFile") +
                                    (c.stdoutTty ? "OutTty" : "OutFile") +
                                    (c.term == nullptr ? "NoTerm"
                                     : *c.term == '\0' ? "EmptyTerm"
                                                       : c.term);
                         });

// Standard error of a Console, captured in memory.
class ConsoleErr : public testing::Test {
protected:
    void TearDown() override
    {
        if (err_ != nullptr) {
            std::fclose(err_);
        }
        std::free(buffer_);
    }
    sudoku::Console make(ProgressStyle style)
    {
        err_ = ::open_memstream(&buffer_, &size_);
        return sudoku::Console("sudoku-solve", stdout, err_, style, 30, std::chrono::milliseconds(0));
    }
    std::string text()
    {
        std::fflush(err_);
        return std::string(buffer_, size_);
    }

    std::FILE* err_ = nullptr;
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
};

TEST_F(ConsoleErr, ClearsTheProgressLineBeforeAMessage)
{
    sudoku::Console ansi = make(ProgressStyle::ansi);
    ansi.progress(12);
    ansi.err("sudoku-solve: a.txt:3: bad\n");
    EXPECT_EQ(text(), "\rsudoku-solve: 12 puzzles\r\033[Ksudoku-solve: a.txt:3: bad\n")
        << "the rate does not fit in 29 of the terminal's 30 columns";
}

TEST_F(ConsoleErr, PlainStyleClearsWithBlanksAndSendsNoEscape)
{
    sudoku::Console plain = make(ProgressStyle::plain);
    plain.progress(7);
    const std::size_t shown = text().size() - 1; // without the leading carriage return
    plain.clearProgress();
    std::string blanks(shown + 2, ' ');
    blanks.front() = '\r';
    blanks.back() = '\r';
    EXPECT_EQ(text().substr(shown + 1), blanks);
    EXPECT_EQ(text().find('\033'), std::string::npos);
}

TEST_F(ConsoleErr, NoProgressWhileReadingATerminal)
{
    sudoku::Console ansi = make(ProgressStyle::ansi);
    ansi.setReadingTerminal(true);
    ansi.progress(3);
    ansi.setReadingTerminal(false);
    EXPECT_EQ(text(), "");
}

// Through a file of known size, the line gives the share done and the time left; in a
// narrow terminal what does not fit goes, the rate first, then the time, then the share.
TEST(ConsoleProgress, ThroughAFileShowsTheShareDoneAndTheTimeLeft)
{
    struct Width {
        std::size_t columns;
        const char* shown; // a pattern
    };
    for (const Width width : {Width{0, "sudoku-solve: 12 puzzles \\(37%\\), 2 min left, [0-9.]+ per second"},
                              Width{43, "sudoku-solve: 12 puzzles \\(37%\\), 2 min left"},
                              Width{42, "sudoku-solve: 12 puzzles \\(37%\\)"}, Width{30, "sudoku-solve: 12 puzzles"}}) {
        char* buffer = nullptr;
        std::size_t size = 0;
        std::FILE* err = ::open_memstream(&buffer, &size);
        sudoku::Console("sudoku-solve", stdout, err, ProgressStyle::plain, width.columns, std::chrono::milliseconds(0))
            .progress(12, 0.379, 125);
        std::fclose(err);
        const std::string shown(buffer, size);
        std::free(buffer);
        EXPECT_TRUE(testing::internal::RE::FullMatch(shown, testing::internal::RE(std::string("\r") + width.shown)))
            << width.columns << " columns: " << shown;
    }
}

TEST(FormatDuration, RoundsToTheUnitThatMatters)
{
    EXPECT_EQ(sudoku::formatDuration(0.2), "0 s");
    EXPECT_EQ(sudoku::formatDuration(99.4), "99 s");
    EXPECT_EQ(sudoku::formatDuration(99.6), "2 min");
    EXPECT_EQ(sudoku::formatDuration(3000), "50 min");
    EXPECT_EQ(sudoku::formatDuration(7200), "2 h");
}

struct NameCase {
    const char* name;
    const char* shown;
    friend void PrintTo(const NameCase& c, std::ostream* out) { *out << c.shown; }
};

class DisplayName : public testing::TestWithParam<NameCase> {};

TEST_P(DisplayName, QuotesOnlyNamesWithControlCharacters)
{
    EXPECT_EQ(sudoku::displayName(GetParam().name), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayName,
    testing::Values(NameCase{"puzzles.txt", "puzzles.txt"}, NameCase{"my puzzles's.txt", "my puzzles's.txt"},
                    NameCase{"e\nsudoku-solve: all good", "'e'$'\\n''sudoku-solve: all good'"},
                    NameCase{"\x1b[31mred", "''$'\\033''[31mred'"}, NameCase{"a'b\tc", "'a'\\''b'$'\\t''c'"},
                    NameCase{"del\x7f", "'del'$'\\177'"}, NameCase{"two\r\n", "'two'$'\\r\\n'"},
                    NameCase{"grille-\xc3\xa9-\xe6\x95\xb0.txt", "grille-\xc3\xa9-\xe6\x95\xb0.txt"},
                    NameCase{"no\xc2\x85such", "'no'$'\\302\\205''such'"},
                    NameCase{"\xff\xfe.txt", "''$'\\377\\376''.txt'"}, NameCase{"", "''"},
                    // U+D800 and U+DFFF, surrogates, are not UTF-8; U+D7FF and U+E000 are.
                    NameCase{"a\xed\xa0\x80", "'a'$'\\355\\240\\200'"},
                    NameCase{"\xed\xbf\xbf.txt", "''$'\\355\\277\\277''.txt'"},
                    NameCase{"\xed\x9f\xbf\xee\x80\x80", "\xed\x9f\xbf\xee\x80\x80"}),
    [](const testing::TestParamInfo<NameCase>& param) { return "Case" + std::to_string(param.index); });

} // namespace
