#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// Runs a command line under bash and collects its standard output, standard error and
// exit status. The command line may carry its own redirections (they win over the
// capture), but must not contain single quotes.
struct CommandResult {
    std::string out;
    std::string err;
    int status = -1;
};

inline std::string readWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A path as one word of a command line, whatever spaces it holds.
inline std::string quotedPath(const std::string& path)
{
    return "\"" + path + "\"";
}

inline CommandResult runCommand(const std::string& commandLine)
{
    const auto dir = std::filesystem::temp_directory_path();
    const std::string stem = "sudoku-test-" + std::to_string(::getpid()) + "-";
    const auto outPath = dir / (stem + "out");
    const auto errPath = dir / (stem + "err");
    const std::string full = "bash -c '" + commandLine + "' >'" + outPath.string() + "' 2>'" + errPath.string() + "'";
    const int raw = std::system(full.c_str());
    CommandResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readWholeFile(outPath);
    result.err = readWholeFile(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return result;
}
