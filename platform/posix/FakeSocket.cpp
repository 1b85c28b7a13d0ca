// The in-process peer behind setFakePeer: a socket pair whose far end gets the reply
// and is then shut for writing.
//
// What the pair buffers is written at once; only a reply larger than that needs a
// writer thread, which ends once the rest is written or the near end is closed.
#include "platform/posix/FakeSocket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>

#include "platform/posix/NetSys.h"

namespace posix {
namespace {

struct Peer {
  int fd = -1;
  std::thread writer;
};

struct FakeState {
  std::mutex mu;
  std::optional<std::string> reply;
  Peer peer;
};

FakeState& state() {
  static FakeState s;
  return s;
}

constexpr int kPairBuffer = 1 << 20;  // the kernel caps it; larger replies use the thread

void writeAll(int fd, std::string bytes, size_t done) {
  while (done < bytes.size()) {
    ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // the near end was closed or reset: nobody reads the rest
    done += static_cast<size_t>(n);
  }
  ::shutdown(fd, SHUT_WR);
}

// Ends a previous peer: shutting its end wakes a writer blocked on a full pair.
void endPeer(Peer& p) {
  if (p.fd < 0) return;
  ::shutdown(p.fd, SHUT_RDWR);
  if (p.writer.joinable()) p.writer.join();
  ::close(p.fd);
  p.fd = -1;
}

}  // namespace

void setFakePeer(std::optional<std::string> reply) {
  FakeState& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  endPeer(s.peer);
  s.reply = std::move(reply);
}

namespace net {

bool connectFakePeer(int fd, int* result) {
  FakeState& s = state();
  std::lock_guard<std::mutex> lock(s.mu);
  if (!s.reply) return false;
  endPeer(s.peer);
  // A fake that cannot be set up fails the connect: it never falls back to the network.
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
    *result = -wsaFromErrno(errno);
    return true;
  }
  int flags = ::fcntl(fd, F_GETFL);
  // The pair's near end takes fd's number, so the socket table needs no change.
  if (flags < 0 || ::dup2(pair[0], fd) < 0 || ::fcntl(fd, F_SETFL, flags) < 0) {
    *result = -wsaFromErrno(errno);
    ::close(pair[0]);
    ::close(pair[1]);
    return true;
  }
  ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  ::close(pair[0]);
  s.peer.fd = pair[1];
  const std::string& reply = *s.reply;
  ::setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &kPairBuffer, sizeof kPairBuffer);
  size_t done = 0;
  while (done < reply.size()) {
    ssize_t n =
        ::send(pair[1], reply.data() + done, reply.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (done == reply.size())
    ::shutdown(pair[1], SHUT_WR);
  else
    s.peer.writer = std::thread(writeAll, pair[1], reply, done);
  *result = 0;
  return true;
}

}  // namespace net
}  // namespace posix
