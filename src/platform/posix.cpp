#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace sudoku::platform {

std::vector<std::string> arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

void prepareStandardStreams()
{
}

void endIfOutputPipeClosed()
{
}

bool stdoutIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

bool stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

std::size_t stderrColumns()
{
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

namespace {

std::atomic<bool> interrupted{false};
std::atomic<long long> firstInterruptNs{0};
// The pipe through which the handler wakes an InterruptWatch: made once and kept open,
// so that the handler never writes to a closed descriptor.
int watchPipe[2] = {-1, -1};
std::atomic<int> wakeFd{-1};
constexpr char interruptByte = 'i';
constexpr char endWatchByte = 'e';

long long monotonicNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now); // safe in a signal handler
    return static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// The first interrupt asks the program to stop; one within a second of it is the same
// interrupt sent again (timeout -s INT signals the process and then its group); a later
// one ends the process as if no handler were set.
void onInterrupt(int)
{
    const long long now = monotonicNs();
    if (!interrupted.load()) {
        firstInterruptNs.store(now);
        interrupted.store(true);
        if (const int fd = wakeFd.load(); fd >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, &interruptByte, 1);
        }
    } else if (now - firstInterruptNs.load() >= 1'000'000'000) {
        ::signal(SIGINT, SIG_DFL);
        ::raise(SIGINT);
    }
}

// The watch's pipe, on descriptors above the standard streams: a process started with
// standard input closed would otherwise get the pipe as its standard input, and wait on
// it for puzzles instead of saying that the input cannot be read.
bool makeWatchPipe()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    for (int& end : ends) {
        if (end <= STDERR_FILENO) {
            const int moved = ::fcntl(end, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
            ::close(end);
            end = moved;
        }
    }
    if (ends[0] < 0 || ends[1] < 0) {
        for (const int end : ends) {
            if (end >= 0) {
                ::close(end);
            }
        }
        return false;
    }
    watchPipe[0] = ends[0];
    watchPipe[1] = ends[1];
    return true;
}

} // namespace

const std::atomic<bool>& catchInterrupt()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    // SA_RESTART: a write cut short by the signal goes on instead of failing.
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    return interrupted;
}

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt))
{
    // Without a pipe or a thread, an interrupt ends the process as if there were no watch.
    if (watchPipe[0] < 0 && !makeWatchPipe()) {
        return;
    }
    try {
        watcher_ = std::thread([this] {
            char byte = 0;
            while (::read(watchPipe[0], &byte, 1) < 0 && errno == EINTR) {
            }
            if (byte == interruptByte) {
                onInterrupt_();
            }
        });
    } catch (const std::system_error&) {
        return;
    }
    wakeFd.store(watchPipe[1]);
    catchInterrupt();
}

InterruptWatch::~InterruptWatch()
{
    if (!watcher_.joinable()) {
        return;
    }
    wakeFd.store(-1);
    // An interrupt that came first is still acted on.
    [[maybe_unused]] const ssize_t written = ::write(watchPipe[1], &endWatchByte, 1);
    watcher_.join();
}

unsigned usableCpus()
{
    cpu_set_t set;
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
        return static_cast<unsigned>(CPU_COUNT(&set));
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

InputFile::InputFile(const std::string& name)
{
    if (name == "-") {
        fd_ = STDIN_FILENO;
    } else {
        fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            openError_ = std::strerror(errno);
            return;
        }
        ownsFd_ = true;
    }
    struct stat info {};
    const bool regular = ::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode);
    mayWait_ = !regular;
    fileSize_ = regular ? static_cast<std::uint64_t>(info.st_size) : 0;
}

InputFile::~InputFile()
{
    if (ownsFd_) {
        ::close(fd_);
    }
}

bool InputFile::isTerminal() const
{
    return ::isatty(fd_) == 1;
}

bool InputFile::wouldWait() const
{
    pollfd ready{fd_, POLLIN, 0};
    return ::poll(&ready, 1, 0) == 0;
}

std::size_t InputFile::read(char* buffer, std::size_t size, std::string& error)
{
    if (beforeWait_ && mayWait_ && wouldWait()) {
        beforeWait_();
    }
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, size);
        if (got >= 0) {
            bytesRead_ += static_cast<std::uint64_t>(got);
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            error = std::strerror(errno);
            return 0;
        }
    }
}

} // namespace sudoku::platform
