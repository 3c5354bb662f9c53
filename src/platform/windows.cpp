#include "platform.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <io.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <shellapi.h>

namespace sudoku::platform {

namespace {

std::string narrow(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string out(static_cast<std::size_t>(size - 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring widen(const std::string& text)
{
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (size <= 1) {
        return {};
    }
    std::wstring out(static_cast<std::size_t>(size - 1), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), size);
    return out;
}

HANDLE handleOf(int fd)
{
    return reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}

} // namespace

std::vector<std::string> arguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
        args.push_back(narrow(wide[i]));
    }
    ::LocalFree(wide);
    return args;
}

void prepareStandardStreams()
{
    ::SetConsoleOutputCP(CP_UTF8);
    ::_setmode(::_fileno(stdin), _O_BINARY);
}

void endIfOutputPipeClosed()
{
    // The C runtime keeps the system's error for the failed write in _doserrno (errno
    // says only "Invalid argument"): ERROR_NO_DATA while the pipe is being closed,
    // ERROR_BROKEN_PIPE once it is, ERROR_PIPE_NOT_CONNECTED under Wine.
    const unsigned long error = _doserrno;
    if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED) {
        std::_Exit(141);
    }
}

bool stdoutIsTerminal()
{
    return ::_isatty(::_fileno(stdout)) != 0;
}

bool stderrIsTerminal()
{
    return ::_isatty(::_fileno(stderr)) != 0;
}

std::size_t stderrColumns()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info) == 0) {
        return 0;
    }
    return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
}

namespace {

std::atomic<bool> interrupted{false};
std::atomic<unsigned long long> firstInterruptMs{0};
// What an InterruptWatch runs; the lock keeps the watch from going while it runs.
std::mutex watchMutex;
const std::function<void()>* watchAction = nullptr;

// The first Ctrl+C asks the program to stop; one within a second of it is taken as the
// same; a later one, or the console closing, ends the process as usual.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
        return FALSE;
    }
    const unsigned long long now = ::GetTickCount64();
    if (!interrupted.load()) {
        firstInterruptMs.store(now);
        interrupted.store(true);
        // The system runs this handler on a thread of its own: the watch's action can
        // run here.
        const std::lock_guard lock(watchMutex);
        if (watchAction != nullptr) {
            (*watchAction)();
        }
        return TRUE;
    }
    return now - firstInterruptMs.load() < 1000 ? TRUE : FALSE;
}

} // namespace

const std::atomic<bool>& catchInterrupt()
{
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
    return interrupted;
}

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt) : onInterrupt_(std::move(onInterrupt))
{
    {
        const std::lock_guard lock(watchMutex);
        watchAction = &onInterrupt_;
    }
    catchInterrupt();
}

InterruptWatch::~InterruptWatch()
{
    const std::lock_guard lock(watchMutex);
    watchAction = nullptr;
}

unsigned usableCpus()
{
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) != 0 && process != 0) {
        unsigned count = 0;
        for (; process != 0; process &= process - 1) {
            ++count;
        }
        return count;
    }
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? static_cast<unsigned>(info.dwNumberOfProcessors) : 1u;
}

InputFile::InputFile(const std::string& name)
{
    if (name == "-") {
        fd_ = ::_fileno(stdin);
    } else {
        const std::wstring wide = widen(name);
        fd_ = ::_wopen(wide.c_str(), _O_RDONLY | _O_BINARY);
        if (fd_ < 0) {
            // Windows refuses to open a folder as a file ("Permission denied"); say what
            // it is, as POSIX systems do.
            const DWORD attributes = ::GetFileAttributesW(wide.c_str());
            const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            openError_ = folder ? "Is a directory" : std::strerror(errno);
            return;
        }
        ownsFd_ = true;
    }
    mayWait_ = ::GetFileType(handleOf(fd_)) != FILE_TYPE_DISK;
    LARGE_INTEGER size{};
    if (!mayWait_ && ::GetFileSizeEx(handleOf(fd_), &size) != 0) {
        fileSize_ = static_cast<std::uint64_t>(size.QuadPart);
    }
}

InputFile::~InputFile()
{
    if (ownsFd_) {
        ::_close(fd_);
    }
}

bool InputFile::isTerminal() const
{
    return ::_isatty(fd_) != 0;
}

bool InputFile::wouldWait() const
{
    const HANDLE handle = handleOf(fd_);
    DWORD available = 0;
    if (::GetFileType(handle) == FILE_TYPE_PIPE &&
        ::PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) != 0) {
        return available == 0;
    }
    // A console waits for a whole line to be typed; a pipe that cannot be asked may
    // wait too. Either way, deliver what there is before reading.
    return true;
}

std::size_t InputFile::read(char* buffer, std::size_t size, std::string& error)
{
    if (beforeWait_ && mayWait_ && wouldWait()) {
        beforeWait_();
    }
    const int got = ::_read(fd_, buffer, static_cast<unsigned>(size < INT_MAX ? size : INT_MAX));
    if (got < 0) {
        if (errno == EPIPE) {
            return 0; // the writer of a pipe closed it: the end of the input
        }
        error = std::strerror(errno);
        return 0;
    }
    bytesRead_ += static_cast<std::uint64_t>(got);
    return static_cast<std::size_t>(got);
}

} // namespace sudoku::platform
