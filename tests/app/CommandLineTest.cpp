// The Linux command line: each argument list and what it asks for.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

struct Row {
  std::vector<std::string> args;
  TCommandAction action;
  std::string error;
};

const Row kRows[] = {
    {{}, caRun, ""},
    {{"--"}, caRun, ""},
    {{"--help"}, caHelp, ""},
    {{"-h"}, caHelp, ""},
    {{"--version"}, caVersion, ""},
    {{"--version", "--help"}, caHelp, ""},
    {{"--bogus"}, caError, "tavix: unknown option '--bogus'"},
    {{"-x"}, caError, "tavix: unknown option '-x'"},
    {{"--help=1"}, caError, "tavix: unknown option '--help=1'"},
    {{"--help", "--bogus"}, caError, "tavix: unknown option '--bogus'"},
    {{"localhost"},
     caError,
     "tavix: unexpected argument 'localhost' (the program takes no operands)"},
    {{"-"}, caError, "tavix: unexpected argument '-' (the program takes no operands)"},
    {{"--", "--help"},
     caError,
     "tavix: unexpected argument '--help' (the program takes no operands)"},
};

TEST(CommandLine, EachArgumentListAsksForItsAction) {
  for (const Row& row : kRows) {
    const TCommandLine got = ParseCommandLine(row.args);
    std::string joined;
    for (const std::string& a : row.args) joined += "[" + a + "]";
    EXPECT_EQ(got.Action, row.action) << joined;
    EXPECT_EQ(got.Error, row.error) << joined;
    EXPECT_EQ(got.Error.find('\n'), std::string::npos) << joined;  // one line
  }
}

}  // namespace
