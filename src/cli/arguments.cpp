#include "arguments.h"

#include <charconv>

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

std::string readOption(const std::vector<std::string>& args, std::size_t& i,
                       const std::function<bool(const std::string&)>& takesValue, Option& option)
{
    const std::string& arg = args[i];
    option = Option{arg, {}};
    bool hasValue = false;
    if (const auto eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
        option.name = arg.substr(0, eq);
        option.value = arg.substr(eq + 1);
        hasValue = true;
    } else if (arg.size() > 2 && arg[1] != '-' && takesValue(arg.substr(0, 2))) {
        option.name = arg.substr(0, 2);
        option.value = arg.substr(2);
        hasValue = true;
    }
    if (takesValue(option.name) && !hasValue) {
        if (i + 1 == args.size()) {
            return "option '" + option.name + "' needs a value";
        }
        option.value = args[++i];
    } else if (!takesValue(option.name) && hasValue) {
        return "option '" + option.name + "' takes no value";
    }
    return {};
}

} // namespace sudoku
