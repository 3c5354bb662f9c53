#pragma once

// Reading a command line the GNU way, as getopt_long reads it: --name=value or --name
// value for long options, any unambiguous prefix of a long name (--thr for --threads),
// -x value or -xvalue for short ones, short options bundled (-hV), operands anywhere
// among the options, and -- ending the options.

#include <cstdint>
#include <string>
#include <vector>

namespace sudoku {

// True when `text` is a whole number from `low` to `high`, written in decimal digits
// only; it is then stored in `value`.
bool parseWholeNumber(const std::string& text, std::uint64_t low, std::uint64_t high, std::uint64_t& value);

// An option a program knows.
struct OptionRule {
    const char* name;   // the long name without its dashes: "threads"
    char letter = '\0'; // the short name, if there is one: 'n' for -n
    bool takesValue = false;
};

// What the command line gave: an option, by its long name however it was written, or
// an operand (a file name, say).
struct Argument {
    enum class Kind { option, operand };
    Kind kind = Kind::operand;
    std::string name;  // for an option: its long name with the dashes, "--threads"
    std::string value; // the option's value, or the operand
};

// Reads the arguments one at a time, so that a program can act on one at once (--help
// ends the reading, and what follows is not looked at).
class CommandLine {
public:
    CommandLine(const std::vector<std::string>& args, std::vector<OptionRule> rules);

    // Reads the next option or operand into `argument`. False at the end, and on a usage
    // error, which error() then says.
    bool next(Argument& argument);
    const std::string& error() const { return error_; }

private:
    bool readLong(const std::string& arg, Argument& argument);
    bool readShort(Argument& argument);
    bool fail(std::string message);

    const std::vector<std::string>& args_;
    std::vector<OptionRule> rules_;
    std::size_t next_ = 0;     // the next argument to read
    std::string bundle_;       // a group of short options being read ("-hV")
    std::size_t inBundle_ = 0; // the next letter of it to read; 0 when none is left
    bool optionsEnded_ = false;
    std::string error_;
};

} // namespace sudoku
