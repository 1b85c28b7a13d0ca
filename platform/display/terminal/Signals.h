// Signals while the terminal is ours.
//
// SIGINT, SIGTERM, SIGHUP and SIGWINCH only write their number to a pipe; the
// display reads it on the GUI thread (an event-loop source) and acts there. Other
// signals whose default would end the process (SIGUSR1, SIGUSR2, SIGALRM, SIGIO,
// SIGPWR, the real-time signals, ...) go the same way and end the program in order,
// as SIGTERM does. SIGPIPE and SIGXFSZ are ignored: the write fails instead. Once a
// SIGTERM or SIGHUP has come, any further one of the three (and after a SIGINT, a
// second SIGINT) means nobody will wait for the orderly end: the handler gives the
// terminal back and ends the process at once, whatever pump is running. A SIGTERM
// after a SIGINT still ends in order. Fatal signals (SIGSEGV,
// SIGABRT, ...) give the terminal back and then take their default action.
// std::terminate and exit() give the terminal back too.
#pragma once

namespace term {

void installSignalHandlers();  // idempotent
void removeSignalHandlers();
int signalPipeFd();     // read end; each byte is a signal number
bool processExiting();  // exit() has begun: static objects may be gone

}  // namespace term
