// Signals while the terminal is ours.
//
// SIGINT, SIGTERM, SIGHUP and SIGWINCH only write their number to a pipe; the
// display reads it on the GUI thread (an event-loop source) and acts there. A second
// SIGINT/SIGTERM/SIGHUP before the first was handled means the program is stuck:
// the handler gives the terminal back and ends the process. Fatal signals (SIGSEGV,
// SIGABRT, ...) give the terminal back and then take their default action.
// std::terminate and exit() give the terminal back too.
#pragma once

namespace term {

void installSignalHandlers();  // idempotent
void removeSignalHandlers();
int signalPipeFd();     // read end; each byte is a signal number
void signalsHandled();  // what the pipe held has been acted on: a next signal is new
bool processExiting();  // exit() has begun: static objects may be gone

}  // namespace term
