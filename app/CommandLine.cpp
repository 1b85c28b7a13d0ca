// The command line of the Linux program, GNU style: long options with their value
// as the next argument or after "=", one optional ADDRESS operand, "--" ends the
// options. --check makes a separate mode that takes none of a run's options.
#include "app/CommandLine.h"

#include <charconv>

#include "platform/winapi.h"

#ifndef TAVIX_VERSION
#define TAVIX_VERSION "unknown"
#endif

namespace {

enum TOptionKind { okRun, okCheck, okAny };

struct TOptionSpec {
  const char* Name;
  bool TakesValue;
  TOptionKind Kind;
};

const TOptionSpec kOptions[] = {
    {"--help", false, okAny},     {"-h", false, okAny},         {"--version", false, okAny},
    {"--config", true, okRun},    {"--every", true, okRun},     {"--start", false, okRun},
    {"--show", false, okRun},     {"--metrics", true, okRun},   {"--history", true, okRun},
    {"--check", true, okCheck},   {"--warning", true, okCheck}, {"--critical", true, okCheck},
    {"--timeout", true, okCheck},
};

constexpr double kMaxSeconds = 86400;

bool LooksLikeOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

const TOptionSpec* FindOption(const std::string& name) {
  for (const TOptionSpec& known : kOptions)
    if (name == known.Name) return &known;
  return nullptr;
}

bool HasControl(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  return false;
}

std::optional<int> Minutes(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || at != end || text[0] == '-') return std::nullopt;
  if (value < 1 || value > 10000) return std::nullopt;
  return value;
}

// Plain decimal seconds ("2", "0.5"): no sign, no exponent, above 0.
std::optional<double> Seconds(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos)
    return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  auto [at, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  if (ec != std::errc() || at != end || !(value > 0) || value > kMaxSeconds) return std::nullopt;
  return value;
}

class TParser {
 public:
  explicit TParser(const std::vector<std::string>& args) : FArgs(args) {}
  TCommandLine Parse();

 private:
  bool Refuse(const std::string& text) {
    if (FLine.Error.empty()) FLine.Error = "tavix: " + text;
    return false;
  }
  bool Operand(const std::string& arg);
  bool Option(size_t& i);
  bool Apply(const std::string& name, const std::string& value);
  bool Text(const std::string& name, const std::string& value, std::string& into);
  bool CheckConflicts();

  const std::vector<std::string>& FArgs;
  TCommandLine FLine;
  bool FHelp = false, FVersion = false, FCheck = false;
  std::string FRunOption, FCheckOption;  // the first of each kind given
};

bool TParser::Operand(const std::string& arg) {
  if (FLine.Run.Address) return Refuse("unexpected argument '" + arg + "' (one ADDRESS only)");
  if (arg.empty()) return Refuse("the ADDRESS is empty");
  if (HasControl(arg)) return Refuse("the ADDRESS holds a control character");
  FLine.Run.Address = arg;
  return true;
}

bool TParser::Option(size_t& i) {
  const std::string& arg = FArgs[i];
  const size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
  const std::string name = arg.substr(0, eq);
  const TOptionSpec* known = FindOption(name);
  if (!known) return Refuse("unknown option '" + arg + "'");
  if (!known->TakesValue && eq != std::string::npos)
    return Refuse("option '" + name + "' takes no value");
  std::string value;
  if (eq != std::string::npos) {
    value = arg.substr(eq + 1);
  } else if (known->TakesValue) {
    if (i + 1 >= FArgs.size()) return Refuse("option '" + name + "' needs a value");
    value = FArgs[++i];
  }
  std::string& first = known->Kind == okRun ? FRunOption : FCheckOption;
  if (known->Kind != okAny && first.empty() && name != "--check") first = name;
  return Apply(name, value);
}

bool TParser::Text(const std::string& name, const std::string& value, std::string& into) {
  if (value.empty()) return Refuse(name + ": the file name is empty");
  into = value;
  return true;
}

bool TParser::Apply(const std::string& name, const std::string& value) {
  TRunOptions& run = FLine.Run;
  TCheckOptions& check = FLine.Check;
  if (name == "--help" || name == "-h") FHelp = true;
  if (name == "--version") FVersion = true;
  if (name == "--start") run.Start = true;
  if (name == "--show") run.Show = true;
  if (name == "--config") return Text(name, value, run.ConfigFile);
  if (name == "--metrics") return Text(name, value, run.MetricsFile);
  if (name == "--history") return Text(name, value, run.HistoryFile);
  if (name == "--every") {
    run.Every = Minutes(value);
    if (!run.Every)
      return Refuse("--every: '" + value + "' is not a whole number of minutes from 1 to 10000");
  }
  if (name == "--check") {
    FCheck = true;
    if (value.empty()) return Refuse("--check: the ADDRESS is empty");
    if (HasControl(value)) return Refuse("--check: the ADDRESS holds a control character");
    check.Address = value;
  }
  if (name == "--warning" || name == "--critical" || name == "--timeout") {
    const std::optional<double> seconds = Seconds(value);
    if (!seconds)
      return Refuse(name + ": '" + value + "' is not a number of seconds above 0, at most 86400");
    if (name == "--warning") check.Warning = seconds;
    if (name == "--critical") check.Critical = seconds;
    if (name == "--timeout") check.Timeout = *seconds;
  }
  return true;
}

bool TParser::CheckConflicts() {
  if (FCheck && !FRunOption.empty())
    return Refuse("'" + FRunOption + "' cannot be used with --check (it reads no settings)");
  if (FCheck && FLine.Run.Address)
    return Refuse("unexpected argument '" + *FLine.Run.Address + "' (--check names the ADDRESS)");
  if (!FCheck && !FCheckOption.empty()) return Refuse("'" + FCheckOption + "' needs --check");
  return true;
}

TCommandLine TParser::Parse() {
  bool ended = false;
  for (size_t i = 0; i < FArgs.size() && FLine.Error.empty(); ++i) {
    const std::string& arg = FArgs[i];
    if (!ended && arg == "--")
      ended = true;
    else if (ended || !LooksLikeOption(arg))
      Operand(arg);
    else
      Option(i);
  }
  for (const std::string& arg : FArgs)  // a refused check still answers as a plugin
    if (arg == "--check" || arg.rfind("--check=", 0) == 0) FCheck = true;
  if (FLine.Error.empty() && !FHelp && !FVersion) CheckConflicts();
  if (!FLine.Error.empty()) {
    FLine.Action = caError;
    FLine.Status = FCheck ? kCheckUsageStatus : kUsageStatus;
  } else {
    FLine.Action = FHelp ? caHelp : FVersion ? caVersion : FCheck ? caCheck : caRun;
  }
  return FLine;
}

TRunOptions& Current() {
  static TRunOptions options;
  return options;
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
  return TParser(Args).Parse();
}

void SetRunOptions(const TRunOptions& Options) { Current() = Options; }
const TRunOptions& RunOptions() { return Current(); }

std::string UsageText() {
  return "Usage: tavix [OPTIONS] [ADDRESS]\n"
         "       tavix --check ADDRESS [--warning S] [--critical S] [--timeout S]\n"
         "  ADDRESS            the server to poll (host[:port][/path], no http://)\n"
         "  --config FILE      the settings file to use (created if missing)\n"
         "  --every MINUTES    the poll interval, 1 to 10000\n"
         "  --start            automatic polling on\n"
         "  --show             show the window at start\n"
         "  --metrics FILE     after each poll, rewrite FILE with Prometheus metrics\n"
         "  --history FILE     after each poll, append one CSV line to FILE\n"
         "  --check ADDRESS    poll once, print one plugin line, exit 0/1/2 (3: bad argument)\n"
         "  --warning S        with --check: slower than S seconds is a warning (exit 1)\n"
         "  --critical S       with --check: slower than S seconds is critical (exit 2)\n"
         "  --timeout S        with --check: give up after S seconds (default 10)\n"
         "  -h, --help         show this help and exit\n"
         "  --version          show the version and exit\n";
}

namespace {

std::string SecureText() {
  if (!kSecureChannelBuilt)
    return "This build has no TLS: https:// addresses are refused (\"HTTP Secure Socket is\n"
           "not supported\").\n\n";
  return "https:// addresses are polled over TLS 1.2 or 1.3 (port 443 unless given), and\n"
         "redirects to https:// are followed. The server's certificate must verify against\n"
         "the system's trusted roots and name the host; a poll whose certificate does not\n"
         "ends with CONNECTION FAILED and the reason. To trust another CA as well, name its\n"
         "PEM file in SSL_CERT_FILE; the system's folder of hashed certificates is still\n"
         "read unless SSL_CERT_DIR names another one.\n\n";
}

}  // namespace

std::string HelpText(const std::string& SettingsFile) {
  return "tavix (Orvane Pollarion) watches whether one web server answers: every poll is\n"
         "one HTTP/1.0 HEAD request, timed and logged as one time-stamped line.\n"
         "\n" +
         UsageText() +
         "\n"
         "ADDRESS, --every and --start are used for this run and written to the settings\n"
         "file at exit, as the window would write them.\n"
         "\n"
         "In a terminal it starts hidden; the bottom line shows its icon. Keys:\n"
         "  F1                 show the keys\n"
         "  F2                 show the window (as a click on the icon)\n"
         "  Tab, Shift+Tab     next / previous control\n"
         "  Enter, Space       press the focused button; Space toggles the check box\n"
         "  Up, Down           step the poll interval; in the log, scroll it\n"
         "  PgUp, PgDn         scroll the log\n"
         "  F9                 minimise the window to the icon\n"
         "  Ctrl+Q, Alt+F4     close (offers to save a non-empty log)\n"
         "\n"
         "Without a terminal (standard input or output not a terminal) nothing is drawn:\n"
         "every log line is written to standard output, polling starts only when the\n"
         "settings say autopoll=1 (or --start is given), and SIGTERM, SIGHUP or SIGINT\n"
         "end the program.\n"
         "\n"
         "\n" +
         SecureText() + "Settings: " + SettingsFile +
         " (section \"settings\": url, freq, autopoll, dispheaders;\nread only: metrics, history" +
         (kSecureChannelBuilt ? "; certwarndays: days before a certificate ends to\n"
                                "log a line about it, 14 unless set, 0 for never"
                              : "") +
         ")\n";
}

std::string VersionText() { return "tavix (Orvane Pollarion) " TAVIX_VERSION "\n"; }
