// The command line of the Linux program: --help, --version, and nothing else.
#include "app/CommandLine.h"

#include "platform/winapi.h"

#ifndef TAVIX_VERSION
#define TAVIX_VERSION "unknown"
#endif

namespace {

TCommandLine Refused(const std::string& text) { return {caError, "tavix: " + text}; }

bool LooksLikeOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
  bool help = false, version = false, optionsEnded = false;
  for (const std::string& arg : Args) {
    if (optionsEnded || !LooksLikeOption(arg))
      return Refused("unexpected argument '" + arg + "' (the program takes no operands)");
    if (arg == "--")
      optionsEnded = true;
    else if (arg == "--help" || arg == "-h")
      help = true;
    else if (arg == "--version")
      version = true;
    else
      return Refused("unknown option '" + arg + "'");
  }
  if (help) return {caHelp, ""};
  if (version) return {caVersion, ""};
  return {};
}

std::string UsageText() {
  return "Usage: tavix [--help | --version]\n"
         "  -h, --help   show this help and exit\n"
         "  --version    show the version and exit\n";
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
         "In a terminal it starts hidden; the bottom line shows its icon. Keys:\n"
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
         "settings say autopoll=1, and SIGTERM, SIGHUP or SIGINT end the program.\n"
         "\n"
         "\n" +
         SecureText() + "Settings: " + SettingsFile +
         " (section \"settings\": url, freq, autopoll, dispheaders" +
         (kSecureChannelBuilt ? "; certwarndays, read only: days\nbefore a certificate ends to "
                                "log a line about it, 14 unless set, 0 for never"
                              : "") +
         ")\n";
}

std::string VersionText() { return "tavix (Orvane Pollarion) " TAVIX_VERSION "\n"; }
