// The socket table of the Winsock emulation, shared by Winsock.cpp (the calls) and
// WinsockSelect.cpp (the events WSAAsyncSelect posts).
//
// A SOCKET is generation * 256 + slot, generation 1..254, so every handle fits the
// 16 bits the socket layer keeps and stays below 65535; a closed or reused slot makes
// the old handle stale (WSAENOTSOCK). The table is used from the GUI thread; the
// mutex only protects slot allocation against stray use from other threads.
#pragma once

#include <mutex>

#include "platform/posix/EventLoop.h"
#include "platform/winapi.h"

namespace posix::net {

constexpr int kSlots = 256;

struct SockEntry {
  enum State { Fresh, Connecting, Connected, Listening, Dead };
  int fd = -1;
  unsigned gen = 0;  // generation of the live handle; 0 while the slot is free
  bool inUse = false;
  bool nonBlocking = false;
  State state = Fresh;
  bool shutSend = false;
  // WSAAsyncSelect registration and the one-shot latches Winsock keeps per event.
  HWND hwnd = nullptr;
  UINT msg = 0;
  LONG events = 0;
  bool readArmed = true;
  bool acceptArmed = true;
  bool closeSeen = false;
  // poll registration with the event loop
  bool registered = false;
  Source source;
  SOCKET handle() const;
};

std::mutex& tableMutex();
SockEntry* entryOf(SOCKET s);  // nullptr for a stale or invalid handle
SockEntry* allocateEntry();    // nullptr when the table is full
void releaseEntry(SockEntry& e);
int startupCount();

// Winsock's per-thread error number.
void setError(int err);

// Post one WSAAsyncSelect notification, if the socket asked for that event.
void postEvent(SockEntry& e, LONG event, int error);
// Bring the poll registration in line with the socket's state and armed events.
void refreshWatch(SockEntry& e);
void stopWatch(SockEntry& e);

}  // namespace posix::net
