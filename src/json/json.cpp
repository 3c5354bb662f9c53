#include "json/json.h"

#include <utility>

namespace sudoku::json {

Writer& Writer::open(char bracket)
{
    comma();
    out_ += bracket;
    fresh_ = true;
    return *this;
}

Writer& Writer::close(char bracket)
{
    out_ += bracket;
    fresh_ = false;
    return *this;
}

Writer& Writer::key(std::string_view name)
{
    comma();
    string(name);
    out_ += ':';
    fresh_ = true;
    return *this;
}

Writer& Writer::value(std::string_view text)
{
    comma();
    string(text);
    return *this;
}

Writer& Writer::value(long long number)
{
    comma();
    out_ += std::to_string(number);
    return *this;
}

Writer& Writer::value(bool flag)
{
    comma();
    out_ += flag ? "true" : "false";
    return *this;
}

Writer& Writer::candidate(int cell, int digit)
{
    open('[');
    value(cell).value(digit);
    return close(']');
}

std::string Writer::take()
{
    fresh_ = true;
    return std::exchange(out_, {});
}

void Writer::comma()
{
    if (!fresh_ && !out_.empty()) {
        out_ += ',';
    }
    fresh_ = false;
}

void Writer::string(std::string_view text)
{
    out_ += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out_ += '\\';
            out_ += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out_ += "\\u00";
            out_ += hex[(c >> 4) & 0xf];
            out_ += hex[c & 0xf];
        } else {
            out_ += c;
        }
    }
    out_ += '"';
}

} // namespace sudoku::json
