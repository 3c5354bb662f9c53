// libFuzzer target: any bytes through the puzzle reader, and every puzzle it yields
// through the engine. Checks what must hold for all input.

#include <sudoku/engine.h>
#include <sudoku/reader.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    sudoku::MemorySource source(reinterpret_cast<const char*>(data), size);
    sudoku::PuzzleReader reader(source);
    sudoku::Record record;
    std::int64_t lastLine = 0;
    while (reader.next(record)) {
        // Records come in input order, each from a later line than the one before.
        if (record.line <= lastLine) {
            std::abort();
        }
        lastLine = record.line;
        if (record.kind == sudoku::Record::Kind::invalid) {
            if (record.error.empty()) {
                std::abort();
            }
            continue;
        }
        for (const auto cell : record.cells) {
            if (cell > 9) {
                std::abort();
            }
        }
        const sudoku::SolveResult result = sudoku::solve(record.cells);
        if (result.status == sudoku::Status::solved) {
            for (std::size_t i = 0; i < 81; ++i) {
                if (result.solution[i] < 1 || result.solution[i] > 9 ||
                    (record.cells[i] != 0 && record.cells[i] != result.solution[i])) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
