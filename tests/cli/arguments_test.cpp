// The command-line reader both programs share: GNU long and short options, prefixes,
// bundles, values in every form, and the usage errors.

#include "cli/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ReadCase {
    std::vector<std::string> args;
    const char* read; // each argument as "--name=value", "--name" or "operand", then any error
    friend void PrintTo(const ReadCase& c, std::ostream* out)
    {
        for (const std::string& arg : c.args) {
            *out << "[" << arg << "] ";
        }
    }
};

class CommandLineReads : public testing::TestWithParam<ReadCase> {};

TEST_P(CommandLineReads, LikeGetoptLong)
{
    sudoku::CommandLine line(GetParam().args, {{"number", 'n', true},
                                               {"threads", '\0', true},
                                               {"stats"},
                                               {"score", '\0', true},
                                               {"rate"},
                                               {"rated"},
                                               {"help", 'h'},
                                               {"version", 'V'}});
    std::string read;
    const auto add = [&read](const std::string& word) {
        if (!read.empty()) {
            read += ' ';
        }
        read += word;
    };
    sudoku::Argument argument;
    while (line.next(argument)) {
        if (argument.kind == sudoku::Argument::Kind::operand) {
            add("'" + argument.value + "'");
        } else {
            add(argument.value.empty() ? argument.name : argument.name + "=" + argument.value);
        }
    }
    if (!line.error().empty()) {
        add("error: " + line.error());
    }
    EXPECT_EQ(read, GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineReads,
    testing::Values(ReadCase{{"-n5", "-n", "6", "--number=7", "--number", "8"},
                             "--number=5 --number=6 --number=7 --number=8"},
                    ReadCase{{"-hV"}, "--help --version"}, ReadCase{{"-Vn12"}, "--version --number=12"},
                    ReadCase{{"-Vn", "3"}, "--version --number=3"},
                    ReadCase{{"--thr=2", "--th", "3", "--sta"}, "--threads=2 --threads=3 --stats"},
                    ReadCase{{"--rate", "--rated"}, "--rate --rated"},
                    ReadCase{{"--s"}, "error: option '--s' is ambiguous; possibilities: '--stats' '--score'"},
                    ReadCase{{"--rat"}, "error: option '--rat' is ambiguous; possibilities: '--rate' '--rated'"},
                    ReadCase{{"a", "-", "--stats", "", "--", "-n", "--x"}, "'a' '-' --stats '' '-n' '--x'"},
                    ReadCase{{"--score", "-1", "-n", "--stats"}, "--score=-1 --number=--stats"},
                    ReadCase{{"--st=1"}, "error: option '--stats' takes no value"},
                    ReadCase{{"--fast=3"}, "error: unknown option '--fast=3'"}, ReadCase{{"--"}, ""},
                    ReadCase{{"-hx", "--stats"}, "--help error: unknown option '-x'"},
                    ReadCase{{"-Vn"}, "--version error: option '-n' needs a value"},
                    ReadCase{{"--thr"}, "error: option '--threads' needs a value"}));

} // namespace
