#include "arguments.h"

#include <charconv>
#include <utility>

namespace sudoku {

bool parseWholeNumber(const std::string& text, std::uint64_t low, std::uint64_t high, std::uint64_t& value)
{
    std::uint64_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || ec != std::errc() || ptr != end || parsed < low || parsed > high) {
        return false;
    }
    value = parsed;
    return true;
}

CommandLine::CommandLine(const std::vector<std::string>& args, std::vector<OptionRule> rules)
    : args_(args), rules_(std::move(rules))
{
}

bool CommandLine::next(Argument& argument)
{
    if (!error_.empty()) {
        return false;
    }
    if (inBundle_ > 0) {
        return readShort(argument);
    }
    if (next_ == args_.size()) {
        return false;
    }
    const std::string& arg = args_[next_++];
    if (!optionsEnded_ && arg == "--") {
        optionsEnded_ = true;
        return next(argument);
    }
    // "-" alone is an operand (standard input), as is anything after "--".
    if (optionsEnded_ || arg.size() < 2 || arg[0] != '-') {
        argument = Argument{Argument::Kind::operand, {}, arg};
        return true;
    }
    if (arg[1] == '-') {
        return readLong(arg, argument);
    }
    bundle_ = arg;
    inBundle_ = 1;
    return readShort(argument);
}

bool CommandLine::readLong(const std::string& arg, Argument& argument)
{
    const std::size_t eq = arg.find('=');
    const std::string written = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    // An exact name wins; otherwise a prefix must fit one name only.
    const OptionRule* found = nullptr;
    std::size_t fits = 0;
    std::string candidates;
    for (const OptionRule& rule : rules_) {
        const std::string name = rule.name;
        if (name == written) {
            found = &rule;
            fits = 1;
            break;
        }
        if (!written.empty() && name.compare(0, written.size(), written) == 0) {
            found = fits++ == 0 ? &rule : found;
            candidates += (candidates.empty() ? "'--" : " '--") + name + "'";
        }
    }
    if (fits == 0) {
        return fail("unknown option '" + arg + "'");
    }
    if (fits > 1) {
        return fail("option '--" + written + "' is ambiguous; possibilities: " + candidates);
    }
    argument = Argument{Argument::Kind::option, std::string("--") + found->name, {}};
    if (eq != std::string::npos) {
        if (!found->takesValue) {
            return fail("option '" + argument.name + "' takes no value");
        }
        argument.value = arg.substr(eq + 1);
    } else if (found->takesValue) {
        if (next_ == args_.size()) {
            return fail("option '" + argument.name + "' needs a value");
        }
        argument.value = args_[next_++];
    }
    return true;
}

bool CommandLine::readShort(Argument& argument)
{
    const char letter = bundle_[inBundle_++];
    const bool last = inBundle_ == bundle_.size();
    const OptionRule* found = nullptr;
    for (const OptionRule& rule : rules_) {
        if (rule.letter == letter && letter != '\0') {
            found = &rule;
        }
    }
    if (found == nullptr) {
        return fail(std::string("unknown option '-") + letter + "'");
    }
    argument = Argument{Argument::Kind::option, std::string("--") + found->name, {}};
    if (found->takesValue) {
        // The rest of the group is the value ("-n5"), or else the next argument is.
        if (!last) {
            argument.value = bundle_.substr(inBundle_);
        } else if (next_ == args_.size()) {
            return fail(std::string("option '-") + letter + "' needs a value");
        } else {
            argument.value = args_[next_++];
        }
        inBundle_ = 0;
    } else if (last) {
        inBundle_ = 0;
    }
    return true;
}

bool CommandLine::fail(std::string message)
{
    error_ = std::move(message);
    inBundle_ = 0;
    return false;
}

} // namespace sudoku
