#include "display_name.h"

#include <algorithm>

namespace sudoku {

namespace {

bool isControl(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

void appendEscaped(std::string& out, char c)
{
    switch (c) {
    case '\a': out += "\\a"; return;
    case '\b': out += "\\b"; return;
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\v': out += "\\v"; return;
    case '\f': out += "\\f"; return;
    case '\r': out += "\\r"; return;
    default: break;
    }
    const auto byte = static_cast<unsigned char>(c);
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

} // namespace

std::string displayName(std::string_view name)
{
    if (std::none_of(name.begin(), name.end(), isControl)) {
        return std::string(name);
    }
    // Runs of ordinary characters go in single quotes (a quote itself as '\''), runs of
    // control characters in $'...' with C escapes.
    std::string out = isControl(name.front()) ? "''" : "";
    std::size_t i = 0;
    while (i < name.size()) {
        const bool control = isControl(name[i]);
        out += control ? "$'" : "'";
        for (; i < name.size() && isControl(name[i]) == control; ++i) {
            if (control) {
                appendEscaped(out, name[i]);
            } else if (name[i] == '\'') {
                out += "'\\''";
            } else {
                out += name[i];
            }
        }
        out += '\'';
    }
    return out;
}

} // namespace sudoku
