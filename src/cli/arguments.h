#pragma once

// Reading a command line the GNU way: --name=value or --name value for long options,
// -x value or -xvalue for short ones.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sudoku {

// True when `text` is a whole number from `low` to `high`, written in decimal digits
// only; it is then stored in `value`.
bool parseWholeNumber(const std::string& text, std::uint64_t low, std::uint64_t high, std::uint64_t& value);

struct Option {
    std::string name;  // as written, without a value: "--limit", "-n"
    std::string value; // for an option that takes one
};

// Reads the option args[i] into `option`. When `takesValue(name)`, its value comes from
// after '=', from the rest of a short option ("-n5"), or from the next argument (and i
// moves past it). Returns the message of a usage error, or "" when there is none.
std::string readOption(const std::vector<std::string>& args, std::size_t& i,
                       const std::function<bool(const std::string&)>& takesValue, Option& option);

} // namespace sudoku
