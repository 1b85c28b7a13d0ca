// A stand-in peer for tests and fuzzers: while a reply is set, every connect() is
// answered in-process over a socket pair instead of the network. The connection is
// made at once; the peer sends the reply, then ends its side (the program reads the
// reply and then end-of-data); what the program sends is kept unread. No packet leaves
// the process, so inputs run fast and the same way every time. Linux only.
#pragma once

#include <optional>
#include <string>

namespace posix {

// nullopt restores real connects. Each connect made while set gets the whole reply.
// Setting again (or clearing) ends the previous peer first.
void setFakePeer(std::optional<std::string> reply);

namespace net {
// For connectIPv4: true when a fake peer is set and took the connect; *result is then 0
// (fd is now one end of a socket pair, its blocking mode kept) or a negative WSA error.
bool connectFakePeer(int fd, int* result);
}  // namespace net

}  // namespace posix
