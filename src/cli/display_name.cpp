#include "display_name.h"

namespace sudoku {

namespace {

// The length of the valid UTF-8 sequence at the start of `text` that is a printable
// character, or 0 when the first byte must be escaped: an ASCII control, DEL, a C1
// control (U+0080 to U+009F, which terminals may act on) or a byte that is not valid
// UTF-8 there.
std::size_t printableLength(std::string_view text)
{
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(0);
    if (first < 0x80) {
        return first >= 0x20 && first != 0x7F ? 1 : 0;
    }
    std::size_t length = first >= 0xF0 && first <= 0xF4 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 ? 2 : 0;
    if (length == 0 || length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not valid UTF-8.
    const unsigned char second = byte(1);
    if ((first == 0xE0 && second < 0xA0) || (first == 0xED && second >= 0xA0) || (first == 0xF0 && second < 0x90) ||
        (first == 0xF4 && second >= 0x90)) {
        return 0;
    }
    if (first == 0xC2 && second < 0xA0) {
        return 0; // a C1 control
    }
    return length;
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
    if (name.empty()) {
        return "''";
    }
    bool plain = true;
    for (std::size_t i = 0; i < name.size() && plain;) {
        const std::size_t length = printableLength(name.substr(i));
        plain = length > 0;
        i += length;
    }
    if (plain) {
        return std::string(name);
    }
    // Runs of printable characters go in single quotes (a quote itself as '\''), runs of
    // bytes to escape in $'...' with C escapes.
    std::string out = printableLength(name) == 0 ? "''" : "";
    std::size_t i = 0;
    while (i < name.size()) {
        const bool escaped = printableLength(name.substr(i)) == 0;
        out += escaped ? "$'" : "'";
        while (i < name.size()) {
            const std::size_t length = printableLength(name.substr(i));
            if ((length == 0) != escaped) {
                break;
            }
            if (escaped) {
                appendEscaped(out, name[i++]);
            } else if (name[i] == '\'') {
                out += "'\\''";
                ++i;
            } else {
                out.append(name.substr(i, length));
                i += length;
            }
        }
        out += '\'';
    }
    return out;
}

} // namespace sudoku
