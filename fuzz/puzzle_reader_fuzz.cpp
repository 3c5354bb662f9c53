// libFuzzer target: any bytes through the puzzle reader, and every puzzle it yields
// through the engine. Checks what must hold for all input.

#include <sudoku/engine.h>
#include <sudoku/reader.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Hands out the bytes a few at a time, as a pipe may, so that lines and line ends
// fall across the reader's refills.
class TrickleSource : public sudoku::ByteSource {
public:
    TrickleSource(const char* data, std::size_t size, std::size_t step) : data_(data), size_(size), step_(step) {}
    std::size_t read(char* buffer, std::size_t size, std::string& /*error*/) override
    {
        const std::size_t got = std::min({size, size_, step_});
        std::memcpy(buffer, data_, got);
        data_ += got;
        size_ -= got;
        return got;
    }

private:
    const char* data_;
    std::size_t size_;
    std::size_t step_;
};

bool sameRecord(const sudoku::Record& a, const sudoku::Record& b)
{
    return a.kind == b.kind && a.line == b.line && a.error == b.error &&
           (a.kind == sudoku::Record::Kind::invalid || a.cells == b.cells);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto* text = reinterpret_cast<const char*>(data);
    sudoku::MemorySource source(text, size);
    sudoku::PuzzleReader reader(source);
    // The same bytes in small pieces read the same.
    TrickleSource trickle(text, size, size == 0 ? 1 : 1 + data[0] % 7);
    sudoku::PuzzleReader trickleReader(trickle);
    sudoku::Record record;
    sudoku::Record trickled;
    std::int64_t lastLine = 0;
    for (;;) {
        const bool more = reader.next(record);
        if (more != trickleReader.next(trickled) || (more && !sameRecord(record, trickled))) {
            std::abort();
        }
        if (!more) {
            break;
        }
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
