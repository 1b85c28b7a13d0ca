// The message texts of the Windows Sockets error numbers the socket layer reports.
#pragma once

#include <string>

// The message for a known error number, or nullptr (0 has none: it means no error).
const char* SocketErrorMessage(int errorNo);
