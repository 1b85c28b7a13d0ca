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
// end a line, and other control characters (all but tab) are shown as "?", so a
// server's header cannot move a terminal's cursor or forge a line.
void EchoLogText(const std::string& Text);
