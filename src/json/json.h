#pragma once

// JSON text, written as it goes: the machine-readable form of the library's results,
// which the web page reads and a program may write.

#include <string>
#include <string_view>

namespace sudoku::json {

// Writes one JSON value (usually an object) into a string. Commas come by themselves:
// each value, key or bracket after the first in an array or object is preceded by one.
// The caller keeps brackets balanced and puts a key before each value in an object.
class Writer {
public:
    Writer& open(char bracket);  // '{' or '['
    Writer& close(char bracket); // '}' or ']'
    Writer& key(std::string_view name);
    Writer& value(std::string_view text); // a string, escaped
    Writer& value(const char* text) { return value(std::string_view(text)); }
    Writer& value(const std::string& text) { return value(std::string_view(text)); }
    Writer& value(long long number);
    Writer& value(int number) { return value(static_cast<long long>(number)); }
    Writer& value(bool flag);
    // A candidate as [cell, digit].
    Writer& candidate(int cell, int digit);

    // A key and its value.
    template <typename T>
    Writer& field(std::string_view name, const T& v)
    {
        key(name);
        return value(v);
    }

    // The text written, leaving the writer empty.
    std::string take();

private:
    void comma();
    void string(std::string_view text);
    std::string out_;
    bool fresh_ = true; // nothing yet in the current array or object
};

} // namespace sudoku::json
