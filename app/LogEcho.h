// A copy of the activity log for a reader without a screen: the entry installs a
// writer when nothing is drawn, and every text the log receives is handed to it
// as the lines the log shows.
#pragma once

#include <functional>
#include <string>

using TLogEcho = std::function<void(const std::string& Line)>;

// Installs the writer (an empty one switches the copy off).
void SetLogEcho(TLogEcho Writer);

// Hands Text to the writer, one call per line: CR LF, a lone CR and a lone LF each
// end a line, and every control character (C0 and C1, all but tab) and every byte
// that is no UTF-8 is shown as "?", so a server's header cannot move a terminal's
// cursor, start a terminal command or forge a line. Returns true when a writer took
// it: then nobody sees the log control, and the log keeps no lines of its own (a
// program that runs for months must not grow for a log nobody can read or save).
bool EchoLogText(const std::string& Text);
