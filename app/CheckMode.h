// tavix --check ADDRESS: one poll with the window's request, answered in the
// monitoring-plugin convention: one line ("HTTP OK - 200 OK, 0.004 s | time=...")
// and the exit status 0 (OK), 1 (WARNING: slower than --warning), 2 (CRITICAL: a
// failure, no connection, an invalid host, any error, or slower than --critical) or
// 3 (UNKNOWN). No window, no settings file, no log.
#pragma once

#include <string>

#include "app/CommandLine.h"

enum TCheckStatus { csOk = 0, csWarning = 1, csCritical = 2, csUnknown = 3 };

// Makes the poll; Line receives the line to print (without its line end).
TCheckStatus RunCheck(const TCheckOptions& Options, std::string& Line);
