// The bare BSD-socket exchange the socket benchmark compares against (kept apart from
// winapi.h, whose names clash with the system socket headers).
#pragma once

#include <cstddef>
#include <cstdint>

// Connects to 127.0.0.1:port, reads until the server closes, closes; bytes read or -1.
long BareRoundTrip(uint16_t port);
// Processor time of the calling thread in milliseconds.
double ThreadCpuMs();
