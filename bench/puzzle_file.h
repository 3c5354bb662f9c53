#pragma once

// Reading a whole puzzle file for a benchmark.

#include "platform/platform.h"

#include <sudoku/reader.h>

#include <cstdio>
#include <string>
#include <vector>

// Reads every puzzle of a file; false (with a message) if it cannot be read or holds
// an invalid puzzle.
inline bool readPuzzleFile(const char* program, const char* path, std::vector<sudoku::Cells>& puzzles)
{
    sudoku::platform::InputFile input(path);
    if (!input.isOpen()) {
        std::fprintf(stderr, "%s: cannot open %s: %s\n", program, path, input.openError().c_str());
        return false;
    }
    sudoku::PuzzleReader reader(input);
    sudoku::Record record;
    while (reader.next(record)) {
        if (record.kind == sudoku::Record::Kind::invalid) {
            std::fprintf(stderr, "%s:%s: %s\n", path, std::to_string(record.line).c_str(), record.error.c_str());
            return false;
        }
        puzzles.push_back(record.cells);
    }
    if (!reader.readError().empty()) {
        std::fprintf(stderr, "%s: %s\n", path, reader.readError().c_str());
        return false;
    }
    return true;
}
