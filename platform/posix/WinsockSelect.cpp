// The events WSAAsyncSelect posts, found by polling the registered sockets inside the
// message loop's one blocking point.
//
// Winsock's latches: FD_CONNECT once per connect, FD_READ again only after the next
// recv, FD_ACCEPT again after the next accept, FD_CLOSE once. FD_CLOSE is posted as
// soon as the peer's close is seen, also while unread data remains; after it the
// socket is no longer watched (a hung-up socket would otherwise wake every poll).
#include "platform/posix/NetSockets.h"
#include "platform/posix/NetSys.h"

namespace posix::net {
namespace {

bool wants(const SockEntry& e, LONG event) { return e.hwnd && e.msg && (e.events & event); }

short wantedPollEvents(const SockEntry& e) {
  switch (e.state) {
    case SockEntry::Connecting:
      return kPollOut;  // watched even without FD_CONNECT: the state must move on
    case SockEntry::Connected: {
      if (e.closeSeen) return 0;
      short ev = 0;
      if (wants(e, FD_READ) && e.readArmed) ev |= kPollIn;
      if (wants(e, FD_CLOSE)) ev |= kPollRdHup;
      return ev;
    }
    case SockEntry::Listening:
      return wants(e, FD_ACCEPT) && e.acceptArmed ? kPollIn : 0;
    default:
      return 0;  // fresh or dead sockets report HUP at once: never poll them
  }
}

void onConnecting(SockEntry& e, short revents) {
  if (!(revents & (kPollOut | kPollErr | kPollHup))) return;
  // Writable with no error or hang-up is a made connection; only the others need asking.
  int err = (revents & (kPollErr | kPollHup)) ? pendingError(e.fd) : 0;
  if (err == WSAECONNRESET || err == WSAECONNABORTED) {
    // The handshake finished and the peer reset before we looked: on Winsock that is
    // a made connection followed by its close.
    e.state = SockEntry::Connected;
    e.closeSeen = true;
    postEvent(e, FD_CONNECT, 0);
    postEvent(e, FD_CLOSE, err);
    return;
  }
  e.state = err == 0 ? SockEntry::Connected : SockEntry::Dead;
  postEvent(e, FD_CONNECT, err);
}

void onConnected(SockEntry& e, short revents) {
  int peek = peekState(e.fd);
  bool hasData = peek > 0;
  if (hasData && e.readArmed && wants(e, FD_READ)) {
    e.readArmed = false;
    postEvent(e, FD_READ, 0);
  }
  bool closed = (revents & (kPollRdHup | kPollHup | kPollErr)) || peek == 0 ||
                (peek < 0 && peek != -WSAEWOULDBLOCK);
  if (!closed) return;
  int err = 0;
  if (peek < 0 && peek != -WSAEWOULDBLOCK)
    err = -peek;
  else if (revents & kPollErr)
    err = pendingError(e.fd);
  e.closeSeen = true;
  postEvent(e, FD_CLOSE, err);
}

void onReady(SOCKET s, short revents) {
  SockEntry* e = entryOf(s);
  if (!e) return;
  if (revents & kPollNval) {
    stopWatch(*e);
    return;
  }
  switch (e->state) {
    case SockEntry::Connecting:
      onConnecting(*e, revents);
      break;
    case SockEntry::Connected:
      onConnected(*e, revents);
      break;
    case SockEntry::Listening:
      if ((revents & kPollIn) && e->acceptArmed) {
        e->acceptArmed = false;
        postEvent(*e, FD_ACCEPT, 0);
      }
      break;
    default:
      break;
  }
  refreshWatch(*e);
}

}  // namespace

void postEvent(SockEntry& e, LONG event, int error) {
  if (!wants(e, event)) return;
  PostMessageA(e.hwnd, e.msg, static_cast<WPARAM>(e.handle()), MAKELPARAM(event, error));
}

void stopWatch(SockEntry& e) {
  if (!e.registered) return;
  removeSource(&e.source);
  e.registered = false;
}

void refreshWatch(SockEntry& e) {
  short ev = wantedPollEvents(e);
  if (ev == 0) return stopWatch(e);
  e.source.fd = e.fd;
  e.source.events = ev;
  if (e.registered) return;
  SOCKET s = e.handle();
  e.source.onReady = [s](short revents) { onReady(s, revents); };
  addSource(&e.source);
  e.registered = true;
}

}  // namespace posix::net
