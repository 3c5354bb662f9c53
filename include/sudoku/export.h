#pragma once

// SUDOKU_API marks the namespace blocks of the public headers:
//     namespace SUDOKU_API sudoku { ... }
// The libraries are compiled with hidden symbols by default, so a shared build exports
// what these blocks declare and nothing else: helpers declared in the sources or in
// their private headers stay inside the library. A nested `namespace a::b` cannot
// carry the attribute, so such blocks are written out as two.
//
// On Windows the build exports every symbol of a DLL instead (CMake's
// WINDOWS_EXPORT_ALL_SYMBOLS), so the mark is empty there.

#if (defined(__GNUC__) || defined(__clang__)) && !defined(_WIN32)
#define SUDOKU_API [[gnu::visibility("default")]]
#else
#define SUDOKU_API
#endif
