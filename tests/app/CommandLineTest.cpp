// The Linux command line: each argument list and what it asks for.
#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

struct Row {
  std::vector<std::string> args;
  TCommandAction action;
  std::string options;  // what the parse kept, as Described() writes it
  std::string error;
};

std::string Seconds(const std::optional<double>& s) {
  return s ? std::to_string(int(*s * 1000)) + "ms" : "-";
}

std::string Described(const TCommandLine& line) {
  const TRunOptions& r = line.Run;
  if (line.Action == caCheck)
    return "check " + line.Check.Address + " w=" + Seconds(line.Check.Warning) +
           " c=" + Seconds(line.Check.Critical) + " t=" + Seconds(line.Check.Timeout);
  std::string d;
  if (!r.ConfigFile.empty()) d += " config=" + r.ConfigFile;
  if (r.Address) d += " address=" + *r.Address;
  if (r.Every) d += " every=" + std::to_string(*r.Every);
  if (r.Start) d += " start";
  if (r.Show) d += " show";
  if (!r.MetricsFile.empty()) d += " metrics=" + r.MetricsFile;
  if (!r.HistoryFile.empty()) d += " history=" + r.HistoryFile;
  return d.empty() ? d : d.substr(1);
}

const Row kRows[] = {
    {{}, caRun, "", ""},
    {{"--"}, caRun, "", ""},
    {{"--help"}, caHelp, "", ""},
    {{"-h"}, caHelp, "", ""},
    {{"--version"}, caVersion, "", ""},
    {{"--version", "--help"}, caHelp, "", ""},
    {{"localhost"}, caRun, "address=localhost", ""},
    {{"--", "--help"}, caRun, "address=--help", ""},
    {{"--config", "a.ini", "--every", "5", "--start", "--show", "127.0.0.1:8080"},
     caRun,
     "config=a.ini address=127.0.0.1:8080 every=5 start show",
     ""},
    {{"--config=b.ini", "--every=10000", "--metrics", "m.prom", "--history=h.csv"},
     caRun,
     "config=b.ini every=10000 metrics=m.prom history=h.csv",
     ""},
    {{"--check", "127.0.0.1:80"}, caCheck, "check 127.0.0.1:80 w=- c=- t=10000ms", ""},
    {{"--warning=0.5", "--check=h", "--critical", "2", "--timeout", "1.25"},
     caCheck,
     "check h w=500ms c=2000ms t=1250ms",
     ""},
    {{"--bogus"}, caError, "", "tavix: unknown option '--bogus'"},
    {{"-x"}, caError, "", "tavix: unknown option '-x'"},
    {{"--help=1"}, caError, "", "tavix: option '--help' takes no value"},
    {{"--help", "--bogus"}, caError, "", "tavix: unknown option '--bogus'"},
    {{"a", "b"}, caError, "", "tavix: unexpected argument 'b' (one ADDRESS only)"},
    {{""}, caError, "", "tavix: the ADDRESS is empty"},
    {{"a\r\nb"}, caError, "", "tavix: the ADDRESS holds a control character"},
    {{"--config"}, caError, "", "tavix: option '--config' needs a value"},
    {{"--config="}, caError, "", "tavix: --config: the file name is empty"},
    {{"--every", "0"},
     caError,
     "",
     "tavix: --every: '0' is not a whole number of minutes from 1 to 10000"},
    {{"--every", "10001"},
     caError,
     "",
     "tavix: --every: '10001' is not a whole number of minutes from 1 to 10000"},
    {{"--every", "5m"},
     caError,
     "",
     "tavix: --every: '5m' is not a whole number of minutes from 1 to 10000"},
    {{"--start=1"}, caError, "", "tavix: option '--start' takes no value"},
    {{"--warning", "1"}, caError, "", "tavix: '--warning' needs --check"},
    {{"--check", "h", "--timeout", "0"},
     caError,
     "",
     "tavix: --timeout: '0' is not a number of seconds above 0, at most 86400"},
    {{"--check", "h", "--warning", "-1"},
     caError,
     "",
     "tavix: --warning: '-1' is not a number of seconds above 0, at most 86400"},
    {{"--check", "h", "--critical", "1e3"},
     caError,
     "",
     "tavix: --critical: '1e3' is not a number of seconds above 0, at most 86400"},
    {{"--check", "h", "--config", "a.ini"},
     caError,
     "",
     "tavix: '--config' cannot be used with --check (it reads no settings)"},
    {{"--check", "h", "other"},
     caError,
     "",
     "tavix: unexpected argument 'other' (--check names the ADDRESS)"},
    {{"--check"}, caError, "", "tavix: option '--check' needs a value"},
};

TEST(CommandLine, EachArgumentListAsksForItsAction) {
  for (const Row& row : kRows) {
    const TCommandLine got = ParseCommandLine(row.args);
    std::string joined;
    for (const std::string& a : row.args) joined += "[" + a + "]";
    EXPECT_EQ(got.Action, row.action) << joined;
    EXPECT_EQ(got.Error, row.error) << joined;
    EXPECT_EQ(got.Error.find('\n'), std::string::npos) << joined;  // one line
    if (got.Action != caError) {
      EXPECT_EQ(Described(got), row.options) << joined;
    }
    // A refused check answers as a monitoring plugin does; anything else as tools do.
    bool check = false;
    for (const std::string& a : row.args) check |= a.rfind("--check", 0) == 0;
    if (got.Action == caError) {
      EXPECT_EQ(got.Status, check ? 3 : 2) << joined;
    }
  }
}

}  // namespace
