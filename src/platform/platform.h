#pragma once

// What the programs need from the operating system beyond standard C++, with one
// implementation for POSIX systems and one for Windows. Names and arguments are UTF-8
// on both.

#include <sudoku/reader.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace sudoku::platform {

// The program's arguments after its name, as UTF-8 (on Windows, from the wide-character
// command line, so that any file name reaches the program whole).
std::vector<std::string> arguments(int argc, char** argv);

// Prepares the standard streams: on Windows, console output in UTF-8. Records are
// written in text mode, so each newline ends in the platform's line end (CR LF on
// Windows), like the `sudoku` program's lines.
void prepareStandardStreams();

// Called when a write to standard output has just failed. When the reader of the pipe
// it went to has gone (`sudoku-solve big.txt | head -1`), ends the process at once and
// without a word, with status 141, the status a POSIX shell reports for a process that
// SIGPIPE ended. Otherwise returns. On POSIX systems SIGPIPE itself ends the process
// before the write can fail; on Windows the pipe's end is told by the system's error
// for the write.
void endIfOutputPipeClosed();

bool stdoutIsTerminal();
bool stderrIsTerminal();
// The width of the terminal on standard error, or 0 when it is not known.
std::size_t stderrColumns();

// From now on an interrupt (SIGINT, Ctrl+C) sets the flag returned instead of ending
// the process, so that the program can stop cleanly. Another within a second counts as
// the same one (timeout -s INT sends two); one after that ends the process as usual.
const std::atomic<bool>& catchInterrupt();

// While it lives, the first interrupt runs `onInterrupt` on a thread of its own,
// whatever the program's other threads are doing then (reading a terminal, waiting,
// working), so that the program can end at once; `onInterrupt` should end the process.
// Repeated interrupts count as catchInterrupt() says.
class InterruptWatch {
public:
    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    std::function<void()> onInterrupt_;
    std::thread watcher_; // on Windows the system runs the handler on a thread of its own
};

// The CPUs this process may run on (its affinity mask), at least 1.
unsigned usableCpus();

// A file or standard input, read as raw bytes (either line end is read by the reader).
class InputFile : public ByteSource {
public:
    // Opens `name`, or takes standard input for "-". See isOpen() and openError().
    explicit InputFile(const std::string& name);
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Why the file could not be opened, as the system says it.
    const std::string& openError() const { return openError_; }
    // True for a terminal: someone may be typing.
    bool isTerminal() const;
    // The size of a regular file, or 0 for anything else (a pipe, a terminal).
    std::uint64_t fileSize() const { return fileSize_; }
    // The bytes read so far.
    std::uint64_t bytesRead() const { return bytesRead_; }

    // `beforeWait`, when set, runs before any read that would have to wait for input (a
    // pipe or terminal with nothing to read yet), so that the caller can deliver what it
    // has so far instead of holding it back.
    void setBeforeWait(std::function<void()> beforeWait) { beforeWait_ = std::move(beforeWait); }

    std::size_t read(char* buffer, std::size_t size, std::string& error) override;

private:
    bool wouldWait() const;

    int fd_ = -1;
    bool ownsFd_ = false;
    bool mayWait_ = true; // false for a regular file, which never makes a read wait
    std::uint64_t fileSize_ = 0;
    std::uint64_t bytesRead_ = 0;
    std::string openError_;
    std::function<void()> beforeWait_;
};

} // namespace sudoku::platform
